#pragma once
// Record keys and the Locate indexes of a dataset (internal to host/data). One key builder
// serves every search by value: Locate and Lookup, the master range of a detail, the rows a
// table holds and the rows it wrote.
#include "host/data/DataRecord.h"
#include "host/data/KeyHash.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QVariant>

#include <functional>
#include <vector>

class TField;

namespace kv8data {

// Appends the key of a value held by a field: numbers by value (an empty number as 0), dates
// by day and time (an empty date apart), texts as they stand or case-folded; a field of
// unknown type keys a value by the value's own type. Two values Locate finds equal get the
// same key.
void AppendKey(QByteArray &out, const TField *field, const QVariant &value, bool caseInsensitive);
// The key of values held by fields, one value per field.
QByteArray ValuesKey(const QList<TField *> &fields, const QVariantList &values, bool caseInsensitive);

// Hash indexes on the visible records, one per field list and case option (the last four
// used are kept), each valid for one version of the records and rebuilt when next used
// after any other change.
class LocateIndexes {
public:
    // The value of a field in a record, calculated and lookup fields included.
    using ValueOf = std::function<QVariant(Record *, const TField *)>;

    explicit LocateIndexes(ValueOf valueOf);

    QByteArray RecordKey(Record *record, const QList<TField *> &fields, bool caseInsensitive) const;
    // Position of the first visible record whose fields have the key, or -1.
    int Find(const std::vector<Record *> &view, quint64 version, const QList<TField *> &fields, const QByteArray &key,
             bool caseInsensitive);
    // Position of the first visible record whose text fields start with the values and whose
    // other fields hold them, or -1.
    int FindPartial(const std::vector<Record *> &view, const QList<TField *> &fields, const QVariantList &values,
                    bool caseInsensitive) const;
    // The fields of a case-sensitive index on the same fields in another order, else the fields.
    QList<TField *> IndexedOrder(const QList<TField *> &fields) const;

    bool Empty() const { return indexes_.empty(); }
    void Clear() { indexes_.clear(); }
    // Keeps the indexes valid across a record added (at the end or among the others) or
    // changed in place, its key included (the common steps of batch loops); any other change
    // rebuilds them when next used. KeysOf: the record's keys before the change (empty for
    // indexes not valid at version).
    QList<QByteArray> KeysOf(Record *record, quint64 version) const;
    // After the change: the record is at position of the view; before and now are the
    // versions of the records before and after it. No old keys: the record was added there.
    void Patch(const QList<QByteArray> &oldKeys, Record *record, int position, const std::vector<Record *> &view,
               quint64 before, quint64 now);
    // After the record of these keys (KeysOf) left the view at position: the later positions
    // move back by one (noted, and applied as they are read). An index where another record
    // may share its key is rebuilt instead.
    void Removed(const QList<QByteArray> &oldKeys, int position, quint64 before, quint64 now);

private:
    // An index holds for each key a place: a position as the view was when the positions
    // were last rewritten (0 and up; records added at the end take the next ones), or, for
    // a record added among the others since, -1 - its serial among those. Removals and
    // additions are noted and applied as places are read, until the positions are rewritten.
    struct KeyIndex {
        // A record added among the others: it stands before the record of kept position
        // before, after the others added before that one.
        struct Added {
            int before;
            int serial;
        };
        QList<TField *> fields;
        bool caseInsensitive = false;
        bool built = false;
        quint64 version = 0;
        KeyMap<int> places;
        std::vector<int> removed; // kept positions removed, sorted
        std::vector<Added> added; // in view order
        int nextKept = 0;         // the kept position of a record added at the end
        int nextSerial = 0;
        int shared = 0; // keys held by more than one record (their other places are not kept)

        // The position in the view now of a place.
        int Current(int place) const;
        // The place of the record at a position of the view now.
        int PlaceAt(int current) const;
        // The place of a record just put at a position of the view (the later ones moved on).
        int Add(int current, bool atEnd);
        // The record of a place left the view.
        void Remove(int place);
        // Rewrites every place as the position now, once enough changes are noted.
        void Fold();
        // Empty, for a view of size records.
        void Reset(int size);

    private:
        // The records kept before a kept position that are still in the view.
        int KeptBefore(int kept) const;
        // The kept position of the current-th of the records not added among the others.
        int Kept(int current) const;
        int AddedPosition(size_t index) const;
        // The first record added among the others that is not before position current.
        size_t AddedFrom(int current) const;
    };

    ValueOf valueOf_;
    std::vector<KeyIndex> indexes_;
};

} // namespace kv8data
