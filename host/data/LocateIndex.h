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
    // Keeps the indexes valid across a record added at the end or changed in place, its key
    // included (the common steps of batch loops); any other change rebuilds them when next used.
    // KeysOf: the record's keys before the change (empty for indexes not valid at version).
    QList<QByteArray> KeysOf(Record *record, quint64 version) const;
    // After the change: the record is at position of the view; before and now are the
    // versions of the records before and after it. No old keys: the record was appended.
    void Patch(const QList<QByteArray> &oldKeys, Record *record, int position, const std::vector<Record *> &view,
               quint64 before, quint64 now);
    // After the record of these keys (KeysOf) left the view at position: the later positions
    // move back by one (noted, and applied as they are read). An index where another record
    // may share its key is rebuilt instead.
    void Removed(const QList<QByteArray> &oldKeys, int position, quint64 before, quint64 now);

private:
    struct KeyIndex {
        QList<TField *> fields;
        bool caseInsensitive = false;
        bool built = false;
        quint64 version = 0;
        // positions as they were before the removals noted in removed (sorted), which move
        // the later ones back
        KeyMap<int> positions;
        std::vector<int> removed;
        int shared = 0; // keys held by more than one record (their other positions are not kept)

        // The position in the view now of a position kept.
        int Current(int kept) const;
        // The position kept for a position in the view now.
        int Kept(int current) const;
        // Applies the removals to every position kept.
        void Fold();
    };

    ValueOf valueOf_;
    std::vector<KeyIndex> indexes_;
};

} // namespace kv8data
