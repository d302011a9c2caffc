#include "host/data/LocateIndex.h"

#include "host/data/TDataSet.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kv8data {

namespace {

// A tag, an integer and the separator, appended at once.
void AppendInteger(QByteArray &out, char tag, qint64 n)
{
    char text[24];
    text[0] = tag;
    const auto end = std::to_chars(text + 1, text + sizeof text - 1, n).ptr;
    *end = '\x1f';
    out.append(text, end - text + 1);
}

// A text as UTF-8 (plain ASCII copied straight, the common case).
void AppendText(QByteArray &out, QStringView s)
{
    const qsizetype at = out.size();
    out.resize(at + s.size());
    char *to = out.data() + at;
    for (const QChar c : s) {
        if (c.unicode() >= 0x80) {
            out.truncate(at);
            out += s.toUtf8();
            return;
        }
        *to++ = char(c.unicode());
    }
}

} // namespace

void AppendKey(QByteArray &out, const TField *field, const QVariant &value, bool caseInsensitive)
{
    TFieldType type = field->DataType();
    const int id = value.metaType().id();
    if (type == ftUnknown && !value.isNull()) {
        if (id == QMetaType::QDateTime || id == QMetaType::QDate)
            type = ftDateTime;
        else if (id != QMetaType::QString && id != QMetaType::QByteArray)
            type = ftFloat;
    }
    if (IsNumericType(type) || type == ftBoolean) {
        if (id == QMetaType::Int) {
            AppendInteger(out, 'i', *static_cast<const int *>(value.constData()));
            return;
        }
        const double d = value.isNull()              ? 0.0
                         : id == QMetaType::Double   ? *static_cast<const double *>(value.constData())
                         : id == QMetaType::LongLong ? double(*static_cast<const qlonglong *>(value.constData()))
                                                     : value.toDouble();
        if (d == std::floor(d) && std::fabs(d) < 1e15) {
            AppendInteger(out, 'i', qint64(d));
            return;
        }
        out += 'd';
        out += QByteArray::number(d, 'g', 17);
    } else if (IsDateType(type)) {
        if (value.isNull()) {
            out += 'N';
        } else {
            const QDateTime dt = value.toDateTime();
            AppendInteger(out, 'D', dt.date().toJulianDay());
            out.chop(1); // day and time apart by ':'
            AppendInteger(out, ':', dt.time().msecsSinceStartOfDay());
            return;
        }
    } else {
        out += 's';
        if (caseInsensitive)
            out += (value.isNull() ? QString() : value.toString()).toCaseFolded().toUtf8();
        else if (id == QMetaType::QString)
            AppendText(out, *static_cast<const QString *>(value.constData()));
        else if (!value.isNull())
            AppendText(out, value.toString());
    }
    out += '\x1f';
}

QByteArray ValuesKey(const QList<TField *> &fields, const QVariantList &values, bool caseInsensitive)
{
    QByteArray key;
    key.reserve(16 * fields.size());
    for (int i = 0; i < fields.size(); ++i)
        AppendKey(key, fields[i], values[i], caseInsensitive);
    return key;
}

namespace {

// Removals noted before the positions are rewritten: a search pays a binary search for them.
constexpr size_t kRemovalsKept = 2048;

} // namespace

int LocateIndexes::KeyIndex::Current(int kept) const
{
    return kept - int(std::lower_bound(removed.cbegin(), removed.cend(), kept) - removed.cbegin());
}

int LocateIndexes::KeyIndex::Kept(int current) const
{
    // removed[j] - j, the position now that follows the j-th removal, never decreases: the
    // removals before current are those where it does not exceed current
    size_t low = 0;
    size_t high = removed.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (removed[middle] - int(middle) <= current)
            low = middle + 1;
        else
            high = middle;
    }
    return current + int(low);
}

void LocateIndexes::KeyIndex::Fold()
{
    if (removed.empty())
        return;
    for (auto &entry : positions)
        entry.second = Current(entry.second);
    removed.clear();
}

LocateIndexes::LocateIndexes(ValueOf valueOf) : valueOf_(std::move(valueOf)) {}

QByteArray LocateIndexes::RecordKey(Record *record, const QList<TField *> &fields, bool caseInsensitive) const
{
    QByteArray key;
    key.reserve(16 * fields.size());
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
        indexes_.emplace_back();
        index = &indexes_.back();
        index->fields = fields;
        index->caseInsensitive = caseInsensitive;
    }
    if (!index->built || index->version != version) {
        index->positions.clear();
        index->positions.reserve(view.size());
        index->removed.clear();
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
    return it == index->positions.end() ? -1 : index->Current(it->second);
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
        // kept positions keep the order of the positions now
        const int kept = k.Kept(position);
        if (!appended) {
            if (i >= oldKeys.size())
                continue;
            const QByteArray &old = oldKeys[i];
            const auto was = k.positions.find(old);
            if (old != key && was != k.positions.end() && was->second == kept) {
                if (k.shared > 0)
                    continue; // another record may hold the old key: rebuilt when next used
                k.positions.erase(was);
            }
        }
        const auto it = k.positions.find(key);
        if (it == k.positions.end()) {
            k.positions.emplace(key, kept);
        } else {
            if (it->second != kept)
                ++k.shared;
            if (it->second > kept)
                it->second = kept;
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
        if (was == k.positions.end() || k.Current(was->second) != position)
            continue; // not what the index holds: rebuilt when next used
        const int kept = was->second;
        k.positions.erase(was);
        k.removed.insert(std::upper_bound(k.removed.begin(), k.removed.end(), kept), kept);
        if (k.removed.size() >= kRemovalsKept)
            k.Fold();
        k.version = now;
    }
}

} // namespace kv8data
