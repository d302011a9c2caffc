#pragma once
// The records of a dataset (internal to host/data): every held record in index order, the
// visible ones (filter and master range) in the same order, and what pending changes keep
// (deleted records, the original image of changed ones). Record ids are the bookmarks;
// Version() changes whenever the records, their values or their order change.
#include "host/data/DataRecord.h"
#include "host/data/LocateIndex.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <vector>

class TField;

namespace kv8data {

// The records of a detail that its master's current values select.
struct MasterRange {
    bool active = false;
    bool none = false; // a master value no record holds (an empty date)
    QByteArray key;
    QList<TField *> fields;

    void Clear();
    // The link fields of the detail and the master's values, one per field.
    void Set(const QList<TField *> &linkFields, const QVariantList &values);
    // Whether the values of the link fields (read by valueOf) fall in the range.
    template <typename ValueOf> bool Admits(ValueOf valueOf) const
    {
        if (!active)
            return true;
        if (none)
            return false;
        QByteArray k;
        for (const TField *f : fields)
            AppendKey(k, f, valueOf(f), false);
        return k == key;
    }
    bool SameAs(const MasterRange &other) const
    {
        return active == other.active && none == other.none && key == other.key;
    }
};

class RecordStore {
public:
    // The value of a field in a record, calculated and lookup fields included.
    using ValueOf = std::function<QVariant(Record *, const TField *)>;
    // Whether a record is visible (filter and range).
    using Accepts = std::function<bool(Record *)>;

    RecordStore(ValueOf valueOf, Accepts accepts);
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    const std::vector<Record *> &All() const { return records_; }
    const std::vector<Record *> &View() const { return view_; }
    int ViewSize() const { return int(view_.size()); }
    Record *ViewAt(int position) const { return view_[size_t(position)]; }
    bool EveryRecordVisible() const { return view_.size() == records_.size(); }
    quint64 Version() const { return version_; }
    void BumpVersion() { ++version_; }

    // A new record of the values (in the field types), with the next id.
    Record *NewRecord(const QVector<QVariant> &values);
    quint64 NextId() { return nextId_++; }
    // Adds a record at the end while loading, before the order and the view are made.
    void Load(Record *record) { records_.push_back(record); }
    // Destroys every record, pending changes included.
    void Free();

    // ---- order
    const QList<TField *> &Order() const { return order_; }
    void SetOrder(const QList<TField *> &fields) { order_ = fields; }
    bool Ordered() const { return !order_.isEmpty(); }
    // Puts every record in order (stable: records that sort equal keep their sequence).
    void Sort();

    // ---- view
    MasterRange &Range() { return range_; }
    const MasterRange &Range() const { return range_; }
    // The visible records again: all of them, or those the dataset accepts.
    void RebuildView(bool everyRecord);
    // Puts a new record among the others: in order, else before the visible record at
    // viewHint (at the end when appending); its visible position, or -1 when not visible.
    int Place(Record *record, int viewHint, bool append);
    // A record changed: fresh takes the place of old (at oldView among the visible ones, or
    // -1), moving in order; its visible position, or -1 when no longer visible.
    int Update(Record *old, Record *fresh, int oldView);
    // Takes a record out (it stays allocated).
    void Remove(Record *record, int viewPosition);
    // A record with other values in the place of record, which is destroyed.
    Record *Replace(Record *record, const QVector<QVariant> &values);
    // Destroys the records with the ids (and their original images).
    void Evict(const QList<quint64> &ids);
    // Visible position of the record with the id (hint: where it probably is), or -1.
    int FindInView(quint64 id, int hint) const;

    // ---- pending changes
    // Keeps a changed record's original image unless one is kept; whether it was taken.
    bool KeepOriginal(Record *old);
    Record *OriginalOf(Record *record) const { return originals_.value(record->Id(), record); }
    // A removed record: kept among the deleted ones for a later apply (its original image
    // when it has one), or destroyed.
    void Drop(Record *record, bool keepForApply);
    const std::vector<Record *> &Deleted() const { return deleted_; }
    int ChangeCount() const;
    // After an apply: every record unchanged, nothing deleted.
    void CommitChanges();
    // Back to the records as they were before the pending changes.
    void CancelChanges();

private:
    int Compare(Record *a, Record *b) const;
    int InsertPosition(const std::vector<Record *> &list, Record *record) const;
    std::vector<Record *>::iterator FindInRecords(const Record *record, int viewIndex);

    ValueOf valueOf_;
    Accepts accepts_;
    std::vector<Record *> records_;
    std::vector<Record *> view_;
    std::vector<Record *> deleted_;
    QHash<quint64, Record *> originals_;
    quint64 nextId_ = 1;
    quint64 version_ = 0;
    QList<TField *> order_;
    MasterRange range_;
};

} // namespace kv8data
