#include "host/data/DataRecord.h"

#include "host/core/MetaTypes.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstring>
#include <new>
#include <vector>

namespace kv8data {

namespace {

enum Tag : quint8 { tNull = 0, tInt, tDouble, tBool, tDateTime, tDate, tStr8, tStr16, tBytes, tTime };

constexpr size_t Align8(size_t n)
{
    return (n + 7) & ~size_t(7);
}

constexpr size_t HeaderSize()
{
    return Align8(sizeof(Record));
}

bool FitsLatin1(const QString &s)
{
    const QChar *p = s.constData();
    for (qsizetype i = 0, n = s.size(); i < n; ++i)
        if (p[i].unicode() > 0xff)
            return false;
    return true;
}

// Tag of a value and the text bytes it needs.
Tag Classify(const QVariant &v, size_t &textBytes, QString *asText)
{
    if (IsNullValue(v))
        return tNull;
    const int id = MetaTypeIdOf(v);
    if (IsIntegerMetaType(id))
        return tInt;
    switch (id) {
    case QMetaType::Double:
    case QMetaType::Float:
        return tDouble;
    case QMetaType::Bool:
        return tBool;
    case QMetaType::QDateTime:
        return tDateTime;
    case QMetaType::QDate:
        return tDate;
    case QMetaType::QTime:
        return tTime;
    case QMetaType::QByteArray:
        textBytes += size_t(v.toByteArray().size());
        return tBytes;
    case QMetaType::QString: {
        const QString &s = *static_cast<const QString *>(v.constData());
        if (FitsLatin1(s)) {
            textBytes += size_t(s.size());
            return tStr8;
        }
        textBytes += size_t(s.size()) * 2 + 1; // +1: kept at an even offset
        return tStr16;
    }
    default: {
        *asText = v.toString();
        if (FitsLatin1(*asText)) {
            textBytes += size_t(asText->size());
            return tStr8;
        }
        textBytes += size_t(asText->size()) * 2 + 1;
        return tStr16;
    }
    }
}

} // namespace

QDateTime LocalDateTime(const QDate &date, const QTime &time)
{
    if (!date.isValid())
        return QDateTime();
    struct Entry {
        qint64 day = 0;
        int ms = -1;
        QDateTime value;
    };
    thread_local Entry cache[256];
    const qint64 day = date.toJulianDay();
    const int ms = time.isValid() ? time.msecsSinceStartOfDay() : 0;
    Entry &e = cache[size_t((quint64(day) * 31u + quint64(ms) / 1000u) & 255u)];
    if (e.ms != ms || e.day != day) {
        e.day = day;
        e.ms = ms;
        e.value = QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms));
    }
    return e.value;
}

const quint8 *Record::Tags() const
{
    return reinterpret_cast<const quint8 *>(this) + HeaderSize();
}

const quint64 *Record::Slots() const
{
    return reinterpret_cast<const quint64 *>(reinterpret_cast<const char *>(this) + HeaderSize() + Align8(count_));
}

const char *Record::Text() const
{
    return reinterpret_cast<const char *>(Slots() + count_);
}

Record *Record::Create(quint64 id, const QVariant *values, int count)
{
    // First pass: tags and text size. Values that are neither numbers, dates nor texts are
    // kept as their text.
    quint8 tagBuf[128];
    std::vector<quint8> tagHeap;
    quint8 *tags = tagBuf;
    if (count > int(sizeof tagBuf)) {
        tagHeap.resize(size_t(count));
        tags = tagHeap.data();
    }
    std::vector<QString> converted;
    size_t textBytes = 0;
    for (int i = 0; i < count; ++i) {
        QString other;
        tags[i] = Classify(values[i], textBytes, &other);
        if (!other.isNull()) {
            if (converted.empty())
                converted.resize(size_t(count));
            converted[size_t(i)] = other;
        }
    }
    const size_t total = HeaderSize() + Align8(size_t(count)) + size_t(count) * 8 + textBytes;
    void *mem = ::operator new(total);
    Record *r = new (mem) Record();
    r->id_ = id;
    r->bytes_ = quint32(total);
    r->count_ = quint16(count);

    quint8 *tagOut = const_cast<quint8 *>(r->Tags());
    std::memcpy(tagOut, tags, size_t(count));
    quint64 *cells = const_cast<quint64 *>(r->Slots());
    char *text = const_cast<char *>(r->Text());
    quint32 offset = 0;
    for (int i = 0; i < count; ++i) {
        const QVariant &v = values[i];
        quint64 slot = 0;
        switch (tags[i]) {
        case tNull:
            break;
        case tInt: {
            // the kinds a field holds are read off the variant itself
            const qint64 n = MetaTypeIdOf(v) == QMetaType::LongLong ? *static_cast<const qlonglong *>(v.constData())
                                                                    : v.toLongLong();
            std::memcpy(&slot, &n, 8);
            break;
        }
        case tDouble: {
            const double d =
                MetaTypeIdOf(v) == QMetaType::Double ? *static_cast<const double *>(v.constData()) : v.toDouble();
            std::memcpy(&slot, &d, 8);
            break;
        }
        case tBool:
            slot = v.toBool() ? 1 : 0;
            break;
        case tDateTime: {
            const QDateTime dt = v.toDateTime();
            const qint32 day = dt.date().isValid() ? qint32(dt.date().toJulianDay()) : 0;
            const qint32 ms = dt.time().isValid() ? dt.time().msecsSinceStartOfDay() : 0;
            slot = (quint64(quint32(day)) << 32) | quint32(ms);
            break;
        }
        case tDate: {
            const qint64 day = v.toDate().toJulianDay();
            std::memcpy(&slot, &day, 8);
            break;
        }
        case tTime:
            slot = quint64(quint32(v.toTime().msecsSinceStartOfDay()));
            break;
        case tBytes: {
            const QByteArray b = v.toByteArray();
            std::memcpy(text + offset, b.constData(), size_t(b.size()));
            slot = (quint64(offset) << 32) | quint32(b.size());
            offset += quint32(b.size());
            break;
        }
        case tStr8:
        case tStr16: {
            const QString &s = (!converted.empty() && !converted[size_t(i)].isNull())
                                   ? converted[size_t(i)]
                                   : *static_cast<const QString *>(v.constData());
            const quint32 len = quint32(s.size());
            if (tags[i] == tStr8) {
                char *out = text + offset;
                const QChar *in = s.constData();
                for (quint32 k = 0; k < len; ++k)
                    out[k] = char(in[k].unicode());
                slot = (quint64(offset) << 32) | len;
                offset += len;
            } else {
                offset += offset & 1u;
                std::memcpy(text + offset, s.constData(), size_t(len) * 2);
                slot = (quint64(offset) << 32) | len;
                offset += len * 2;
            }
            break;
        }
        }
        cells[i] = slot;
    }
    return r;
}

void Record::Destroy(Record *record)
{
    if (!record)
        return;
    record->~Record();
    ::operator delete(static_cast<void *>(record));
}

Record *Record::Clone(quint64 id) const
{
    void *mem = ::operator new(bytes_);
    std::memcpy(mem, static_cast<const void *>(this), bytes_);
    Record *r = static_cast<Record *>(mem);
    r->id_ = id;
    return r;
}

bool Record::IsNull(int index) const
{
    return index < 0 || index >= count_ || Tags()[index] == tNull;
}

bool Record::ReadDouble(int index, double &out) const
{
    if (index < 0 || index >= count_ || Tags()[index] != tDouble)
        return false;
    std::memcpy(&out, &Slots()[index], 8);
    return true;
}

bool Record::ReadInteger(int index, qint64 &out) const
{
    if (index < 0 || index >= count_ || Tags()[index] != tInt)
        return false;
    std::memcpy(&out, &Slots()[index], 8);
    return true;
}

bool Record::HeldAlike(int index, const Record &other, int otherIndex) const
{
    if (index < 0 || index >= count_ || otherIndex < 0 || otherIndex >= other.count_)
        return false;
    const quint8 tag = Tags()[index];
    if (tag != other.Tags()[otherIndex])
        return false;
    const quint64 slot = Slots()[index];
    const quint64 otherSlot = other.Slots()[otherIndex];
    switch (tag) {
    case tStr8:
    case tStr16:
    case tBytes: {
        const quint64 size = slot & 0xffffffffu; // characters of a tStr16, bytes otherwise
        const size_t bytes = size_t(size) * (tag == tStr16 ? 2 : 1);
        return size == (otherSlot & 0xffffffffu)
               && std::memcmp(Text() + (slot >> 32), other.Text() + (otherSlot >> 32), bytes) == 0;
    }
    case tNull:
        return true;
    default:
        return slot == otherSlot;
    }
}

bool Record::Holds(int index, const QVariant &value) const
{
    if (index < 0 || index >= count_)
        return false;
    const quint64 slot = Slots()[index];
    const int type = value.typeId();
    switch (Tags()[index]) {
    case tNull:
        return !value.isValid();
    case tInt:
        return type == QMetaType::LongLong && quint64(*static_cast<const qlonglong *>(value.constData())) == slot;
    case tDouble:
        return type == QMetaType::Double && std::memcmp(value.constData(), &slot, 8) == 0;
    case tBool:
        return type == QMetaType::Bool && *static_cast<const bool *>(value.constData()) == (slot != 0);
    case tStr8:
        return type == QMetaType::QString
               && *static_cast<const QString *>(value.constData())
                      == QLatin1StringView(Text() + (slot >> 32), qsizetype(slot & 0xffffffffu));
    case tStr16:
        return type == QMetaType::QString
               && *static_cast<const QString *>(value.constData())
                      == QStringView(reinterpret_cast<const QChar *>(Text() + (slot >> 32)),
                                     qsizetype(slot & 0xffffffffu));
    default:
        return false;
    }
}

bool Record::WriteInteger(int index, qint64 value)
{
    if (index < 0 || index >= count_ || Tags()[index] != tInt)
        return false;
    std::memcpy(const_cast<quint64 *>(&Slots()[index]), &value, 8);
    return true;
}

bool Record::ReadText(int index, QString &out) const
{
    if (index < 0 || index >= count_)
        return false;
    const quint64 slot = Slots()[index];
    switch (Tags()[index]) {
    case tStr8:
        out = QString::fromLatin1(Text() + (slot >> 32), qsizetype(slot & 0xffffffffu));
        return true;
    case tStr16:
        out = QString(reinterpret_cast<const QChar *>(Text() + (slot >> 32)), qsizetype(slot & 0xffffffffu));
        return true;
    default:
        return false;
    }
}

QVariant Record::Get(int index) const
{
    if (index < 0 || index >= count_)
        return QVariant();
    const quint64 slot = Slots()[index];
    switch (Tags()[index]) {
    case tNull:
        return QVariant();
    case tInt: {
        qint64 n;
        std::memcpy(&n, &slot, 8);
        return QVariant(qlonglong(n));
    }
    case tDouble: {
        double d;
        std::memcpy(&d, &slot, 8);
        return QVariant(d);
    }
    case tBool:
        return QVariant(slot != 0);
    case tDateTime: {
        const qint32 day = qint32(quint32(slot >> 32));
        const qint32 ms = qint32(quint32(slot & 0xffffffffu));
        return QVariant(LocalDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(ms)));
    }
    case tDate: {
        qint64 day;
        std::memcpy(&day, &slot, 8);
        return QVariant(QDate::fromJulianDay(day));
    }
    case tTime:
        return QVariant(QTime::fromMSecsSinceStartOfDay(int(slot)));
    case tBytes:
        return QVariant(QByteArray(Text() + (slot >> 32), qsizetype(slot & 0xffffffffu)));
    case tStr8:
        return QVariant(QString::fromLatin1(Text() + (slot >> 32), qsizetype(slot & 0xffffffffu)));
    case tStr16:
        return QVariant(QString(reinterpret_cast<const QChar *>(Text() + (slot >> 32)), qsizetype(slot & 0xffffffffu)));
    }
    return QVariant();
}

} // namespace kv8data
