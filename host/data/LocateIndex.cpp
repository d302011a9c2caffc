#include "host/data/LocateIndex.h"

#include "host/data/TDataSet.h"

#include <algorithm>
#include <cmath>

namespace kv8data {

void AppendKey(QByteArray &out, const TField *field, const QVariant &value, bool caseInsensitive)
{
    TFieldType type = field->DataType();
    if (type == ftUnknown && !value.isNull()) {
        const int id = value.metaType().id();
        if (id == QMetaType::QDateTime || id == QMetaType::QDate)
            type = ftDateTime;
        else if (id != QMetaType::QString && id != QMetaType::QByteArray)
            type = ftFloat;
    }
    if (IsNumericType(type) || type == ftBoolean) {
        const double d = value.isNull() ? 0.0 : value.toDouble();
        if (d == std::floor(d) && std::fabs(d) < 1e15) {
            out += 'i';
            out += QByteArray::number(qint64(d));
        } else {
            out += 'd';
            out += QByteArray::number(d, 'g', 17);
        }
    } else if (IsDateType(type)) {
        if (value.isNull()) {
            out += 'N';
        } else {
            const QDateTime dt = value.toDateTime();
            out += 'D';
            out += QByteArray::number(dt.date().toJulianDay());
            out += ':';
            out += QByteArray::number(dt.time().msecsSinceStartOfDay());
        }
    } else {
        out += 's';
        const QString s = value.isNull() ? QString() : value.toString();
        out += (caseInsensitive ? s.toCaseFolded() : s).toUtf8();
    }
    out += '\x1f';
}

QByteArray ValuesKey(const QList<TField *> &fields, const QVariantList &values, bool caseInsensitive)
{
    QByteArray key;
    for (int i = 0; i < fields.size(); ++i)
        AppendKey(key, fields[i], values[i], caseInsensitive);
    return key;
}

LocateIndexes::LocateIndexes(ValueOf valueOf) : valueOf_(std::move(valueOf)) {}

QByteArray LocateIndexes::RecordKey(Record *record, const QList<TField *> &fields, bool caseInsensitive) const
{
    QByteArray key;
    for (TField *f : fields)
        AppendKey(key, f, valueOf_(record, f), caseInsensitive);
    return key;
}

int LocateIndexes::Find(const std::vector<Record *> &view, quint64 version, const QList<TField *> &fields,
                        const QByteArray &key, bool caseInsensitive)
{
    if (view.size() < 24) {
        for (size_t i = 0; i < view.size(); ++i)
            if (RecordKey(view[i], fields, caseInsensitive) == key)
                return int(i);
        return -1;
    }
    KeyIndex *index = nullptr;
    for (KeyIndex &k : indexes_)
        if (k.fields == fields && k.caseInsensitive == caseInsensitive)
            index = &k;
    if (!index) {
        if (indexes_.size() >= 4)
            indexes_.erase(indexes_.begin());
        indexes_.push_back(KeyIndex());
        index = &indexes_.back();
        index->fields = fields;
        index->caseInsensitive = caseInsensitive;
    }
    if (!index->built || index->version != version) {
        index->positions.clear();
        index->positions.reserve(view.size());
        index->shared = 0;
        for (size_t i = view.size(); i-- > 0;) {
            const QByteArray k = RecordKey(view[i], fields, caseInsensitive);
            if (index->positions.contains(k))
                ++index->shared;
            index->positions.insert_or_assign(k, int(i)); // the first wins
        }
        index->built = true;
        index->version = version;
    }
    const auto it = index->positions.find(key);
    return it == index->positions.end() ? -1 : it->second;
}

int LocateIndexes::FindPartial(const std::vector<Record *> &view, const QList<TField *> &fields,
                               const QVariantList &values, bool caseInsensitive) const
{
    for (size_t i = 0; i < view.size(); ++i) {
        bool match = true;
        for (int k = 0; k < fields.size() && match; ++k) {
            const QVariant v = valueOf_(view[i], fields[k]);
            if (fields[k]->IsText()
                || (fields[k]->DataType() == ftUnknown && values[k].metaType().id() == QMetaType::QString)) {
                const QString s = v.isNull() ? QString() : v.toString();
                match = s.startsWith(values[k].toString(), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
            } else {
                QByteArray a, b;
                AppendKey(a, fields[k], v, caseInsensitive);
                AppendKey(b, fields[k], values[k], caseInsensitive);
                match = a == b;
            }
        }
        if (match)
            return int(i);
    }
    return -1;
}

QList<TField *> LocateIndexes::IndexedOrder(const QList<TField *> &fields) const
{
    for (const KeyIndex &k : indexes_)
        if (!k.caseInsensitive && k.fields.size() == fields.size()
            && std::is_permutation(fields.cbegin(), fields.cend(), k.fields.cbegin()))
            return k.fields;
    return fields;
}

QList<QByteArray> LocateIndexes::KeysOf(Record *record, quint64 version) const
{
    QList<QByteArray> keys;
    for (const KeyIndex &k : indexes_)
        keys << (k.built && k.version == version ? RecordKey(record, k.fields, k.caseInsensitive) : QByteArray());
    return keys;
}

void LocateIndexes::Patch(const QList<QByteArray> &oldKeys, Record *record, int position,
                          const std::vector<Record *> &view, quint64 before, quint64 now)
{
    for (int i = 0; i < int(indexes_.size()); ++i) {
        KeyIndex &k = indexes_[size_t(i)];
        if (!k.built || k.version != before || position < 0 || position >= int(view.size())
            || view[size_t(position)] != record)
            continue;
        const QByteArray key = RecordKey(record, k.fields, k.caseInsensitive);
        const bool appended = oldKeys.isEmpty() && position == int(view.size()) - 1;
        if (!appended) {
            if (i >= oldKeys.size())
                continue;
            const QByteArray &old = oldKeys[i];
            const auto was = k.positions.find(old);
            if (old != key && was != k.positions.end() && was->second == position) {
                if (k.shared > 0)
                    continue; // another record may hold the old key: rebuilt when next used
                k.positions.erase(was);
            }
        }
        const auto it = k.positions.find(key);
        if (it == k.positions.end()) {
            k.positions.emplace(key, position);
        } else {
            if (it->second != position)
                ++k.shared;
            if (it->second > position)
                it->second = position;
        }
        k.version = now;
    }
}

void LocateIndexes::Removed(const QList<QByteArray> &oldKeys, int position, quint64 before, quint64 now)
{
    for (int i = 0; i < int(indexes_.size()) && i < oldKeys.size(); ++i) {
        KeyIndex &k = indexes_[size_t(i)];
        if (!k.built || k.version != before || k.shared > 0 || position < 0)
            continue;
        const auto was = k.positions.find(oldKeys[i]);
        if (was == k.positions.end() || was->second != position)
            continue; // not what the index holds: rebuilt when next used
        k.positions.erase(was);
        for (auto &entry : k.positions)
            if (entry.second > position)
                --entry.second;
        k.version = now;
    }
}

} // namespace kv8data
