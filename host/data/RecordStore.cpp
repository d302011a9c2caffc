#include "host/data/RecordStore.h"

#include "host/data/TDataSet.h"

#include <QSet>

#include <algorithm>

namespace kv8data {

// ---- master range

void MasterRange::Clear()
{
    active = false;
    none = false;
    key.clear();
    fields.clear();
}

void MasterRange::Set(const QList<TField *> &linkFields, const QVariantList &values)
{
    Clear();
    fields = linkFields;
    active = true;
    for (int i = 0; i < values.size() && i < fields.size(); ++i) {
        const TFieldType type = fields[i]->DataType();
        if (values[i].isNull() && !IsNumericType(type) && !IsTextType(type))
            none = true;
        AppendKey(key, fields[i], CoerceLoaded(values[i], type), false);
    }
}

// ---- records

RecordStore::RecordStore(ValueOf valueOf, Accepts accepts) : valueOf_(std::move(valueOf)), accepts_(std::move(accepts))
{}

RecordStore::~RecordStore()
{
    Free();
}

Record *RecordStore::NewRecord(const QVector<QVariant> &values)
{
    return Record::Create(nextId_++, values.constData(), int(values.size()));
}

void RecordStore::Free()
{
    for (Record *r : records_)
        Record::Destroy(r);
    for (Record *r : deleted_)
        Record::Destroy(r);
    for (Record *r : originals_)
        Record::Destroy(r);
    records_.clear();
    view_.clear();
    deleted_.clear();
    originals_.clear();
    BumpVersion();
}

// ---- order

int RecordStore::Compare(Record *a, Record *b) const
{
    for (TField *f : order_) {
        const int c = CompareFieldValues(valueOf_(a, f), valueOf_(b, f), f->DataType());
        if (c != 0)
            return c;
    }
    return 0;
}

void RecordStore::Sort()
{
    if (order_.isEmpty() || records_.size() < 2)
        return;
    struct Keyed {
        QVector<QVariant> keys;
        Record *rec;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(records_.size());
    for (Record *r : records_) {
        Keyed k;
        k.rec = r;
        k.keys.reserve(order_.size());
        for (TField *f : order_)
            k.keys << valueOf_(r, f);
        keyed.push_back(std::move(k));
    }
    auto less = [this](const Keyed &a, const Keyed &b) {
        for (int i = 0; i < order_.size(); ++i) {
            const int c = CompareFieldValues(a.keys[i], b.keys[i], order_[i]->DataType());
            if (c != 0)
                return c < 0;
        }
        return false;
    };
    if (std::is_sorted(keyed.begin(), keyed.end(), less))
        return;
    std::stable_sort(keyed.begin(), keyed.end(), less);
    for (size_t i = 0; i < keyed.size(); ++i)
        records_[i] = keyed[i].rec;
    BumpVersion();
}

int RecordStore::InsertPosition(const std::vector<Record *> &list, Record *record) const
{
    // after the records that sort equal
    auto it =
        std::upper_bound(list.begin(), list.end(), record, [this](Record *a, Record *b) { return Compare(a, b) < 0; });
    return int(it - list.begin());
}

// ---- view

void RecordStore::RebuildView(bool everyRecord)
{
    view_.clear();
    if (everyRecord) {
        view_ = records_;
    } else {
        view_.reserve(records_.size());
        for (Record *r : records_)
            if (accepts_(r))
                view_.push_back(r);
    }
    BumpVersion();
}

int RecordStore::Place(Record *record, int viewHint, bool append)
{
    if (!order_.isEmpty()) {
        records_.insert(records_.begin() + InsertPosition(records_, record), record);
        if (!accepts_(record))
            return -1;
        const int at = InsertPosition(view_, record);
        view_.insert(view_.begin() + at, record);
        return at;
    }
    if (append || viewHint >= int(view_.size())) {
        records_.push_back(record);
    } else {
        const Record *before = view_[size_t(viewHint)];
        const size_t at = records_.size() == view_.size() && records_[size_t(viewHint)] == before
                              ? size_t(viewHint)
                              : size_t(std::find(records_.begin(), records_.end(), before) - records_.begin());
        records_.insert(records_.begin() + at, record);
    }
    if (!accepts_(record))
        return -1;
    const int at = std::clamp(append ? int(view_.size()) : viewHint, 0, int(view_.size()));
    view_.insert(view_.begin() + at, record);
    return at;
}

int RecordStore::Update(Record *old, Record *fresh, int oldView)
{
    auto rit = FindInRecords(old, oldView);
    if (!order_.isEmpty()) {
        if (rit != records_.end())
            records_.erase(rit);
        if (oldView >= 0)
            view_.erase(view_.begin() + oldView);
        return Place(fresh, oldView, false);
    }
    // the record stays where it was, unless the filter now hides it
    if (rit != records_.end())
        *rit = fresh;
    else
        records_.push_back(fresh);
    if (oldView < 0)
        return -1;
    view_[size_t(oldView)] = fresh;
    if (!accepts_(fresh)) {
        view_.erase(view_.begin() + oldView);
        return -1;
    }
    return oldView;
}

void RecordStore::Remove(Record *record, int viewPosition)
{
    auto rit = FindInRecords(record, viewPosition);
    if (rit != records_.end())
        records_.erase(rit);
    if (viewPosition >= 0)
        view_.erase(view_.begin() + viewPosition);
}

Record *RecordStore::Replace(Record *record, const QVector<QVariant> &values)
{
    Record *fresh = Record::Create(record->Id(), values.constData(), int(values.size()));
    fresh->SetChangeStatus(record->ChangeStatus());
    std::replace(records_.begin(), records_.end(), record, fresh);
    std::replace(view_.begin(), view_.end(), record, fresh);
    Record::Destroy(record);
    BumpVersion();
    return fresh;
}

void RecordStore::Evict(const QList<quint64> &ids)
{
    const QSet<quint64> gone(ids.cbegin(), ids.cend());
    auto evicted = [&](Record *r) { return gone.contains(r->Id()); };
    view_.erase(std::remove_if(view_.begin(), view_.end(), evicted), view_.end());
    std::vector<Record *> kept;
    kept.reserve(records_.size());
    for (Record *r : records_) {
        if (evicted(r)) {
            if (Record *o = originals_.take(r->Id()))
                Record::Destroy(o);
            Record::Destroy(r);
        } else {
            kept.push_back(r);
        }
    }
    records_.swap(kept);
    BumpVersion();
}

std::vector<Record *>::iterator RecordStore::FindInRecords(const Record *record, int viewIndex)
{
    if (viewIndex >= 0 && records_.size() == view_.size() && size_t(viewIndex) < records_.size()
        && records_[size_t(viewIndex)] == record)
        return records_.begin() + viewIndex;
    return std::find(records_.begin(), records_.end(), record);
}

int RecordStore::FindInView(quint64 id, int hint) const
{
    if (hint >= 0 && hint < int(view_.size()) && view_[size_t(hint)]->Id() == id)
        return hint;
    for (size_t i = 0; i < view_.size(); ++i)
        if (view_[i]->Id() == id)
            return int(i);
    return -1;
}

// ---- pending changes

bool RecordStore::KeepOriginal(Record *old)
{
    if (originals_.contains(old->Id()))
        return false;
    originals_.insert(old->Id(), old);
    return true;
}

void RecordStore::Drop(Record *record, bool keepForApply)
{
    if (keepForApply && record->ChangeStatus() != Record::Inserted) {
        if (Record *original = originals_.take(record->Id())) {
            Record::Destroy(record);
            deleted_.push_back(original);
        } else {
            deleted_.push_back(record);
        }
        return;
    }
    if (Record *o = originals_.take(record->Id()))
        Record::Destroy(o);
    Record::Destroy(record);
}

int RecordStore::ChangeCount() const
{
    int n = int(deleted_.size());
    for (Record *r : records_)
        if (r->ChangeStatus() != Record::Unchanged)
            ++n;
    return n;
}

void RecordStore::CommitChanges()
{
    for (Record *r : records_)
        r->SetChangeStatus(Record::Unchanged);
    for (Record *r : deleted_)
        Record::Destroy(r);
    deleted_.clear();
    for (Record *r : originals_)
        Record::Destroy(r);
    originals_.clear();
}

void RecordStore::CancelChanges()
{
    std::vector<Record *> kept;
    for (Record *r : records_) {
        if (r->ChangeStatus() == Record::Inserted) {
            Record::Destroy(r);
        } else if (r->ChangeStatus() == Record::Modified) {
            Record *o = originals_.take(r->Id());
            Record::Destroy(r);
            if (o) {
                o->SetChangeStatus(Record::Unchanged);
                kept.push_back(o);
            }
        } else {
            kept.push_back(r);
        }
    }
    for (Record *d : deleted_) {
        d->SetChangeStatus(Record::Unchanged);
        kept.push_back(d);
    }
    deleted_.clear();
    for (Record *o : originals_)
        Record::Destroy(o);
    originals_.clear();
    records_.swap(kept);
    view_.clear();
}

} // namespace kv8data
