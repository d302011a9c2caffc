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

// Changes noted before the places are rewritten: a search pays binary searches for them.
constexpr size_t kChangesKept = 2048;

} // namespace

int LocateIndexes::KeyIndex::KeptBefore(int kept) const
{
    return kept - int(std::lower_bound(removed.cbegin(), removed.cend(), kept) - removed.cbegin());
}

int LocateIndexes::KeyIndex::AddedPosition(size_t index) const
{
    return KeptBefore(added[index].before) + int(index);
}

size_t LocateIndexes::KeyIndex::AddedFrom(int current) const
{
    // the added records' positions grow with their order: the first not before current
    size_t low = 0;
    size_t high = added.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (AddedPosition(middle) < current)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

int LocateIndexes::KeyIndex::Current(int place) const
{
    if (place < 0) {
        const int serial = -1 - place;
        const auto it =
            std::find_if(added.cbegin(), added.cend(), [serial](const Added &a) { return a.serial == serial; });
        return it == added.cend() ? -1 : AddedPosition(size_t(it - added.cbegin()));
    }
    // the records added before this one stand before it
    const auto after =
        std::upper_bound(added.cbegin(), added.cend(), place, [](int kept, const Added &a) { return kept < a.before; });
    return KeptBefore(place) + int(after - added.cbegin());
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

int LocateIndexes::KeyIndex::PlaceAt(int current) const
{
    const size_t index = AddedFrom(current);
    if (index < added.size() && AddedPosition(index) == current)
        return -1 - added[index].serial;
    return Kept(current - int(index));
}

int LocateIndexes::KeyIndex::Add(int current, bool atEnd)
{
    if (atEnd)
        return nextKept++;
    // before the record that stood at current, after the records added before that one
    const size_t index = AddedFrom(current);
    const int before =
        index < added.size() && AddedPosition(index) == current ? added[index].before : Kept(current - int(index));
    added.insert(added.begin() + qsizetype(index), Added{before, nextSerial});
    return -1 - nextSerial++;
}

void LocateIndexes::KeyIndex::Remove(int place)
{
    if (place < 0) {
        const int serial = -1 - place;
        added.erase(std::find_if(added.begin(), added.end(), [serial](const Added &a) { return a.serial == serial; }));
    } else {
        removed.insert(std::upper_bound(removed.begin(), removed.end(), place), place);
    }
}

void LocateIndexes::KeyIndex::Fold()
{
    if (removed.size() + added.size() < kChangesKept)
        return;
    std::vector<int> bySerial(size_t(nextSerial), -1);
    for (size_t i = 0; i < added.size(); ++i)
        bySerial[size_t(added[i].serial)] = AddedPosition(i);
    for (auto &entry : places)
        entry.second = entry.second < 0 ? bySerial[size_t(-1 - entry.second)] : Current(entry.second);
    nextKept += int(added.size()) - int(removed.size());
    removed.clear();
    added.clear();
    nextSerial = 0;
}

void LocateIndexes::KeyIndex::Reset(int size)
{
    places.clear();
    places.reserve(size_t(size));
    removed.clear();
    added.clear();
    nextKept = size;
    nextSerial = 0;
    shared = 0;
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
        index->Reset(int(view.size()));
        for (size_t i = view.size(); i-- > 0;) {
            const QByteArray k = RecordKey(view[i], fields, caseInsensitive);
            if (index->places.contains(k))
                ++index->shared;
            index->places.insert_or_assign(k, int(i)); // the first wins
        }
        index->built = true;
        index->version = version;
    }
    const auto it = index->places.find(key);
    return it == index->places.end() ? -1 : index->Current(it->second);
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
        int place = 0;
        if (oldKeys.isEmpty()) {
            place = k.Add(position, position == int(view.size()) - 1);
        } else {
            if (i >= oldKeys.size())
                continue;
            place = k.PlaceAt(position);
            const QByteArray &old = oldKeys[i];
            const auto was = k.places.find(old);
            if (old != key && was != k.places.end() && was->second == place) {
                if (k.shared > 0)
                    continue; // another record may hold the old key: rebuilt when next used
                k.places.erase(was);
            }
        }
        const auto it = k.places.find(key);
        if (it == k.places.end()) {
            k.places.emplace(key, place);
        } else if (it->second != place) {
            ++k.shared;
            if (k.Current(it->second) > position)
                it->second = place;
        }
        k.version = now;
        k.Fold();
    }
}

void LocateIndexes::Removed(const QList<QByteArray> &oldKeys, int position, quint64 before, quint64 now)
{
    for (int i = 0; i < int(indexes_.size()) && i < oldKeys.size(); ++i) {
        KeyIndex &k = indexes_[size_t(i)];
        if (!k.built || k.version != before || k.shared > 0 || position < 0)
            continue;
        const auto was = k.places.find(oldKeys[i]);
        if (was == k.places.end() || k.Current(was->second) != position)
            continue; // not what the index holds: rebuilt when next used
        k.Remove(was->second);
        k.places.erase(was);
        k.version = now;
        k.Fold();
    }
}

} // namespace kv8data
