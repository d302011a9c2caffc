#include "host/data/TField.h"

#include "host/core/KFormati.h"
#include "host/core/MetaTypes.h"
#include "host/data/DataRecord.h"
#include "host/data/TDataSet.h"

#include <QDate>
#include <QTime>

#include <cmath>
#include <limits>

namespace kv8data {

namespace {

const QDate kDelphiEpoch(1899, 12, 30);

int Digits(const QChar *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const ushort c = p[i].unicode();
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// 15 significant digits, Italian decimal comma, no grouping.
QString FloatText(double d)
{
    QString s = QString::number(d, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

QString DateText(const QDateTime &dt)
{
    if (!dt.isValid())
        return QString();
    if (dt.time() == QTime(0, 0))
        return dt.toString(QStringLiteral("dd/MM/yyyy"));
    return dt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

QDateTime FromDelphiDays(double days)
{
    if (days == 0)
        return QDateTime();
    const double whole = std::floor(days);
    const qint64 ms = qint64(std::llround((days - whole) * 86400000.0));
    return QDateTime(kDelphiEpoch.addDays(qint64(whole)), QTime(0, 0)).addMSecs(ms);
}

double ToDelphiDays(const QDateTime &dt)
{
    if (!dt.isValid())
        return 0;
    return double(kDelphiEpoch.daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0;
}

// Lenient number parsing for values set by code: Italian ("1.234,5", "1,5") or C ("1.5").
bool ParseNumber(const QString &text, double &out)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    bool ok = false;
    out = s.toDouble(&ok);
    if (ok)
        return true;
    out = KFormati::ParseFloat(s, &ok);
    return ok;
}

bool ParseBool(const QString &text)
{
    const QString s = text.trimmed().toLower();
    return s == QLatin1String("1") || s == QLatin1String("true") || s == QLatin1String("t") || s == QLatin1String("s")
           || s == QLatin1String("si") || s == QLatin1String("y") || s == QLatin1String("yes");
}

qint64 RoundToInt(double d)
{
    if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
        throw Exception(QStringLiteral("Valore %1 fuori dai limiti di un intero").arg(d));
    return qint64(std::nearbyint(d));
}

CurrencyDecimalsSource &DecimalsSource()
{
    static CurrencyDecimalsSource source;
    return source;
}

} // namespace

void SetCurrencyDecimalsSource(CurrencyDecimalsSource source)
{
    DecimalsSource() = std::move(source);
}

QDateTime ParseStoredDate(const QString &text)
{
    const QString s = text.trimmed();
    const int n = int(s.size());
    const QChar *p = s.constData();
    // yyyy-MM-dd[( |T)HH:mm[:ss[.zzz]]]
    if (n >= 10 && p[4] == QLatin1Char('-') && p[7] == QLatin1Char('-')) {
        const int y = Digits(p, 4), m = Digits(p + 5, 2), d = Digits(p + 8, 2);
        if (y >= 0 && m >= 0 && d >= 0) {
            const QDate date(y, m, d);
            if (date.isValid()) {
                if (n == 10)
                    return LocalDateTime(date, QTime(0, 0));
                if (n >= 16 && (p[10] == QLatin1Char(' ') || p[10] == QLatin1Char('T')) && p[13] == QLatin1Char(':')) {
                    const int hh = Digits(p + 11, 2), mi = Digits(p + 14, 2);
                    int ss = 0, ms = 0;
                    int i = 16;
                    if (n >= 19 && p[16] == QLatin1Char(':')) {
                        ss = Digits(p + 17, 2);
                        i = 19;
                        if (n > 20 && p[19] == QLatin1Char('.')) {
                            int j = 20, frac = 0, digits = 0;
                            while (j < n && p[j].isDigit()) {
                                if (digits < 3) {
                                    frac = frac * 10 + p[j].digitValue();
                                    ++digits;
                                }
                                ++j;
                            }
                            while (digits < 3) {
                                frac *= 10;
                                ++digits;
                            }
                            ms = frac;
                            i = j;
                        }
                    }
                    const QTime time(hh, mi, ss, ms);
                    if (hh >= 0 && mi >= 0 && ss >= 0 && time.isValid()) {
                        // a zone suffix (Z, +01:00) is ignored: stored dates are local
                        Q_UNUSED(i);
                        return LocalDateTime(date, time);
                    }
                }
            }
        }
    }
    bool ok = false;
    const QString datePart = s.section(QLatin1Char(' '), 0, 0);
    QDateTime dt = KFormati::ParseDate(datePart, &ok);
    if (ok && dt.isValid()) {
        const QString timePart = s.section(QLatin1Char(' '), 1).trimmed();
        if (timePart.isEmpty())
            return dt;
        QTime t = QTime::fromString(timePart, QStringLiteral("HH:mm:ss"));
        if (!t.isValid())
            t = QTime::fromString(timePart, QStringLiteral("HH:mm"));
        if (t.isValid())
            return QDateTime(dt.date(), t);
        return QDateTime();
    }
    QDateTime iso = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (iso.isValid())
        return QDateTime(iso.date(), iso.time());
    return QDateTime();
}

bool IsNumericType(TFieldType type)
{
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftFloat:
    case ftAutoInc:
        return true;
    default:
        return false;
    }
}

bool IsTextType(TFieldType type)
{
    return type == ftString || type == ftFixedChar || type == ftMemo;
}

bool IsDateType(TFieldType type)
{
    return type == ftDate || type == ftTime || type == ftDateTime;
}

TFieldType FieldTypeOf(FieldType dictType)
{
    switch (dictType) {
    case FieldType::String:
        return ftString;
    case FieldType::SmallInt:
        return ftSmallint;
    case FieldType::Integer:
        return ftInteger;
    case FieldType::Float:
        return ftFloat;
    case FieldType::DateTime:
        return ftDateTime;
    case FieldType::Memo:
        return ftMemo;
    case FieldType::AutoInc:
        return ftAutoInc;
    }
    return ftString;
}

FieldType DictTypeOf(TFieldType type)
{
    switch (type) {
    case ftSmallint:
    case ftBoolean:
        return FieldType::SmallInt;
    case ftInteger:
    case ftLargeint:
        return FieldType::Integer;
    case ftFloat:
        return FieldType::Float;
    case ftDate:
    case ftTime:
    case ftDateTime:
        return FieldType::DateTime;
    case ftMemo:
    case ftBlob:
        return FieldType::Memo;
    case ftAutoInc:
        return FieldType::AutoInc;
    default:
        return FieldType::String;
    }
}

TFieldType FieldTypeOfMeta(int id)
{
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
        return ftInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return ftLargeint;
    case QMetaType::Double:
    case QMetaType::Float:
        return ftFloat;
    case QMetaType::Bool:
        return ftBoolean;
    case QMetaType::QDate:
        return ftDate;
    case QMetaType::QTime:
        return ftTime;
    case QMetaType::QDateTime:
        return ftDateTime;
    case QMetaType::QByteArray:
        return ftBlob;
    case QMetaType::QString:
        return ftString;
    default:
        return ftUnknown;
    }
}

QVariant Coerce(const QVariant &value, TFieldType type)
{
    if (IsNullValue(value))
        return QVariant();
    const int id = MetaTypeIdOf(value);
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftMemo:
        switch (id) {
        case QMetaType::QString:
            return value;
        case QMetaType::Double:
        case QMetaType::Float:
            return FloatText(value.toDouble());
        case QMetaType::QDateTime:
            return DateText(value.toDateTime());
        case QMetaType::QDate:
            return DateText(QDateTime(value.toDate(), QTime(0, 0)));
        case QMetaType::Bool:
            return QString(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        default:
            return value.toString();
        }
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftAutoInc:
        if (id == QMetaType::LongLong)
            return value;
        if (IsIntegerMetaType(id))
            return QVariant(qlonglong(value.toLongLong()));
        switch (id) {
        case QMetaType::Bool:
            return QVariant(qlonglong(value.toBool() ? 1 : 0));
        case QMetaType::Double:
        case QMetaType::Float:
            return QVariant(qlonglong(RoundToInt(value.toDouble())));
        case QMetaType::QString: {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            bool ok = false;
            const qlonglong n = s.toLongLong(&ok);
            if (ok)
                return QVariant(n);
            double d = 0;
            if (ParseNumber(s, d) && d == std::floor(d))
                return QVariant(qlonglong(RoundToInt(d)));
            throw Exception(QStringLiteral("'%1' non è un valore intero valido").arg(value.toString()));
        }
        case QMetaType::QDateTime:
            return QVariant(qlonglong(RoundToInt(std::floor(ToDelphiDays(value.toDateTime())))));
        default:
            throw Exception(QStringLiteral("'%1' non è un valore intero valido").arg(value.toString()));
        }
    case ftFloat:
        switch (id) {
        case QMetaType::Double:
            return value;
        case QMetaType::QString: {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            double d = 0;
            if (ParseNumber(s, d))
                return QVariant(d);
            throw Exception(QStringLiteral("'%1' non è un valore numerico valido").arg(value.toString()));
        }
        case QMetaType::QDateTime:
            return QVariant(ToDelphiDays(value.toDateTime()));
        case QMetaType::Bool:
            return QVariant(value.toBool() ? 1.0 : 0.0);
        default: {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (!ok)
                throw Exception(QStringLiteral("'%1' non è un valore numerico valido").arg(value.toString()));
            return QVariant(d);
        }
        }
    case ftDate:
    case ftDateTime:
    case ftTime: {
        QDateTime dt;
        switch (id) {
        case QMetaType::QDateTime:
            dt = value.toDateTime();
            if (dt.timeSpec() != Qt::LocalTime)
                dt = QDateTime(dt.date(), dt.time());
            if (type == ftDate && dt.isValid() && dt.time() != QTime(0, 0))
                dt = LocalDateTime(dt.date(), QTime(0, 0));
            return dt.isValid() ? QVariant(dt) : QVariant();
        case QMetaType::QDate:
            dt = LocalDateTime(value.toDate(), QTime(0, 0));
            break;
        case QMetaType::QTime:
            dt = QDateTime(kDelphiEpoch, value.toTime());
            break;
        case QMetaType::QString: {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            dt = ParseStoredDate(s);
            if (!dt.isValid())
                throw Exception(QStringLiteral("'%1' non è una data valida").arg(value.toString()));
            break;
        }
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
            dt = FromDelphiDays(value.toDouble());
            break;
        default:
            throw Exception(QStringLiteral("'%1' non è una data valida").arg(value.toString()));
        }
        if (!dt.isValid())
            return QVariant();
        if (type == ftDate)
            dt.setTime(QTime(0, 0));
        return QVariant(dt);
    }
    case ftBoolean:
        if (id == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            return QVariant(ParseBool(s));
        }
        return QVariant(value.toBool());
    case ftBlob:
        if (id == QMetaType::QByteArray)
            return value;
        return QVariant(value.toString().toUtf8());
    case ftUnknown:
        return value;
    }
    return value;
}

QVariant CoerceLoaded(const QVariant &value, TFieldType type)
{
    try {
        return Coerce(value, type);
    } catch (const Exception &) {
        return QVariant();
    }
}

} // namespace kv8data

using namespace kv8data;

TField::TField(TDataSet *dataSet, const QString &name, TFieldType type, int size, TFieldKind kind)
    : dataSet_(dataSet), name_(name), type_(type), kind_(kind), size_(size)
{}

TField::~TField() = default;

bool TField::IsNumeric() const
{
    return IsNumericType(type_);
}

bool TField::IsText() const
{
    return IsTextType(type_);
}

bool TField::IsDateTime() const
{
    return IsDateType(type_);
}

int TField::Index() const
{
    // a data field usually stands at its record column
    const QList<TField *> &campi = dataSet_->FieldList();
    if (slot_ >= 0 && slot_ < campi.size() && campi.at(slot_) == this)
        return slot_;
    return int(campi.indexOf(const_cast<TField *>(this)));
}

int TField::DisplayWidth() const
{
    if (displayWidth_ > 0)
        return displayWidth_;
    if (IsText())
        return size_ > 0 ? size_ : 20;
    if (IsDateTime())
        return 10;
    return 10;
}

void TField::ApplyDictionary(const DictColumn *column)
{
    dict_ = column;
    if (!column)
        return;
    if (label_.isEmpty())
        label_ = column->label;
    if (displayFormat_.isEmpty())
        displayFormat_ = column->displayFormat;
    if (editFormat_.isEmpty())
        editFormat_ = column->editFormat;
    if (size_ == 0 && column->type == FieldType::String)
        size_ = column->size;
    if (column->required)
        required_ = true;
    autoKey_ = column->autokey;
    if (numberKind_ == KFormati::fnNessuno)
        numberKind_ = column->numberKind;
    flag_ = flag_ || column->flag;
}

void TField::SetLookup(TDataSet *lookupDataSet, const QString &keyFields, const QString &lookupKeyFields,
                       const QString &resultField)
{
    lookupDataSet_ = lookupDataSet;
    keyFields_ = keyFields;
    lookupKeyFields_ = lookupKeyFields;
    lookupResult_ = resultField;
    kind_ = fkLookup;
}

QVariant TField::Value() const
{
    return dataSet_->GetFieldValue(this);
}

void TField::SetValue(const QVariant &value)
{
    dataSet_->SetFieldValue(this, Coerce(value, type_));
}

bool TField::IsNull() const
{
    const QVariant v = Value();
    return !v.isValid() || v.isNull();
}

void TField::Clear()
{
    dataSet_->SetFieldValue(this, QVariant());
}

const Record *TField::StoredRecord() const
{
    const TDataSet *ds = dataSet_;
    if (kind_ != fkData || slot_ < 0 || ds->validating_ == this || ds->state_ == dsInactive || ds->active_->useVals)
        return nullptr;
    return ds->active_->rec;
}

bool TField::HeldAlike(const TField &other) const
{
    const Record *held = StoredRecord();
    const Record *otherHeld = other.StoredRecord();
    return held && otherHeld && held->HeldAlike(slot_, *otherHeld, other.slot_);
}

bool TField::HeldAs(const QVariant &value) const
{
    const Record *held = StoredRecord();
    return held && held->Holds(slot_, value);
}

QString TField::AsString() const
{
    if (const Record *rec = StoredRecord()) {
        if (rec->IsNull(slot_))
            return QString(QLatin1String(""));
        QString text;
        if (IsTextType(type_) && rec->ReadText(slot_, text))
            return text;
    }
    const QVariant v = Value();
    if (v.isNull())
        return QString(QLatin1String(""));
    if (IsTextType(type_) && v.metaType().id() == QMetaType::QString)
        return *static_cast<const QString *>(v.constData());
    switch (type_) {
    case ftFloat:
        return FloatText(v.toDouble());
    case ftDate:
    case ftDateTime:
    case ftTime:
        return DateText(v.toDateTime());
    case ftBoolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        if (v.metaType().id() == QMetaType::Double)
            return FloatText(v.toDouble());
        if (v.metaType().id() == QMetaType::QDateTime)
            return DateText(v.toDateTime());
        return v.toString();
    }
}

void TField::SetAsString(const QString &value)
{
    // a text is what a text field holds: no conversion
    if (IsTextType(type_))
        dataSet_->SetFieldValue(this, QVariant(value));
    else
        SetValue(QVariant(value));
}

qint64 TField::AsLargeInt() const
{
    if (const Record *rec = StoredRecord()) {
        qint64 n = 0;
        if (rec->IsNull(slot_) || rec->ReadInteger(slot_, n))
            return n;
    }
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    if (v.metaType().id() == QMetaType::LongLong)
        return *static_cast<const qlonglong *>(v.constData());
    const QVariant n = Coerce(v, ftLargeint);
    return n.isNull() ? 0 : n.toLongLong();
}

int TField::AsInteger() const
{
    const qint64 n = AsLargeInt();
    if (n > std::numeric_limits<int>::max() || n < std::numeric_limits<int>::min())
        throw Exception(QStringLiteral("Il valore del campo '%1' supera i limiti di un intero").arg(name_));
    return int(n);
}

void TField::SetAsInteger(int value)
{
    SetAsLargeInt(value);
}

void TField::SetAsLargeInt(qint64 value)
{
    if (type_ == ftSmallint || type_ == ftInteger || type_ == ftLargeint || type_ == ftAutoInc)
        dataSet_->SetFieldValue(this, QVariant(qlonglong(value)));
    else
        SetValue(QVariant(qlonglong(value)));
}

double TField::AsFloat() const
{
    if (const Record *rec = StoredRecord()) {
        double d = 0;
        if (rec->IsNull(slot_) || rec->ReadDouble(slot_, d))
            return d;
    }
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    if (v.metaType().id() == QMetaType::Double)
        return v.toDouble();
    const QVariant d = Coerce(v, ftFloat);
    return d.isNull() ? 0 : d.toDouble();
}

void TField::SetAsFloat(double value)
{
    if (type_ == ftFloat)
        dataSet_->SetFieldValue(this, QVariant(value));
    else
        SetValue(QVariant(value));
}

QDateTime TField::AsDateTime() const
{
    const QVariant v = Value();
    if (v.isNull())
        return QDateTime();
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime();
    return Coerce(v, ftDateTime).toDateTime();
}

void TField::SetAsDateTime(const QDateTime &value)
{
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

void TField::SetAsDateTime(const QDate &value)
{
    SetValue(value.isValid() ? QVariant(QDateTime(value, QTime(0, 0))) : QVariant());
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    if (v.isNull())
        return false;
    if (v.metaType().id() == QMetaType::QString)
        return ParseBool(v.toString());
    return v.toDouble() != 0;
}

void TField::SetAsBoolean(bool value)
{
    if (IsText())
        SetValue(QVariant(value ? QStringLiteral("1") : QStringLiteral("0")));
    else
        SetValue(QVariant(value));
}

QVariant TField::OldValue() const
{
    return dataSet_->OldFieldValue(this);
}

QString TField::FormatValue(const QVariant &value, bool forDisplay, int row) const
{
    if (!value.isValid() || value.isNull())
        return QString();
    const QString format = (forDisplay || editFormat_.isEmpty()) ? displayFormat_ : editFormat_;
    if (IsNumeric()
        || (type_ == ftUnknown
            && (value.metaType().id() == QMetaType::Double || value.metaType().id() == QMetaType::LongLong))) {
        const double d = value.toDouble();
        if (!format.isEmpty())
            return KFormati::FormatFloat(format, d);
        if (numberKind_ != KFormati::fnNessuno)
            return FormatNumber(numberKind_, d, forDisplay, row);
        if (type_ == ftFloat || value.metaType().id() == QMetaType::Double)
            return FloatText(d);
        return QString::number(value.toLongLong());
    }
    if (IsDateTime() || value.metaType().id() == QMetaType::QDateTime) {
        const QDateTime dt = value.toDateTime();
        if (!format.isEmpty())
            return KFormati::FormatDateTime(format, dt);
        if (type_ == ftDate)
            return dt.toString(QStringLiteral("dd/MM/yyyy"));
        return DateText(dt);
    }
    if (type_ == ftBoolean)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

QString TField::FormatNumber(int kind, double value, bool forDisplay, int row) const
{
    int decimals = KFormati::GetDecimali(kind);
    if ((kind == KFormati::fnPrezzoES || kind == KFormati::fnValoreES) && DecimalsSource()) {
        try {
            const CurrencyDecimals currency = DecimalsSource()(dataSet_->CurrencyOfRow(row));
            decimals = kind == KFormati::fnPrezzoES ? currency.price : currency.value;
        } catch (const std::exception &) {
            // a currency the table does not know shows the company's decimals
        }
    }
    const QString places(decimals, forDisplay ? QLatin1Char('0') : QLatin1Char('#'));
    QString mask = forDisplay && kind != KFormati::fnIntero ? QStringLiteral("#,##0") : QStringLiteral("0");
    if (decimals > 0)
        mask += QLatin1Char('.') + places;
    return KFormati::FormatFloat(mask, value);
}

QString TField::ItemText(const QVariant &value) const
{
    if (!dict_ || value.isNull())
        return QString();
    for (const DictItem &item : dict_->items) {
        const bool same =
            IsNumeric() ? item.value.toDouble() == value.toDouble() : item.value.toString() == value.toString();
        if (same)
            return item.text;
    }
    return QString();
}

void TField::SetDisplayFormat(const QString &format)
{
    if (format == displayFormat_)
        return;
    displayFormat_ = format;
    dataSet_->DataEvent(deFieldChange, this);
}

void TField::SetEditFormat(const QString &format)
{
    if (format == editFormat_)
        return;
    editFormat_ = format;
    dataSet_->DataEvent(deFieldChange, this);
}

QString TField::DisplayText() const
{
    return FormatValue(Value(), true);
}

QString TField::Text() const
{
    return FormatValue(Value(), false);
}

void TField::SetText(const QString &text)
{
    const QString s = text.trimmed();
    if (IsNumeric()) {
        if (s.isEmpty()) {
            Clear();
            return;
        }
        // typed numbers follow one rule: no C-locale fallback, no blanks around
        bool ok = false;
        const double d = KFormati::ParseTypedFloat(text, &ok);
        if (!ok)
            throw Exception(QStringLiteral("Il campo '%1' non accetta \"%2\": scrivere il numero con la virgola per i "
                                           "decimali e il punto solo per le migliaia (es. 1.234,56)")
                                .arg(DisplayLabel(), text));
        if (type_ != ftFloat) {
            if (d != std::floor(d))
                throw Exception(
                    QStringLiteral("Il campo '%1' non accetta \"%2\": scrivere un numero intero, senza decimali")
                        .arg(DisplayLabel(), text));
            SetValue(QVariant(qlonglong(RoundToInt(d))));
        } else {
            SetValue(QVariant(d));
        }
        return;
    }
    if (IsDateTime()) {
        if (s.isEmpty()) {
            Clear();
            return;
        }
        bool ok = false;
        const QString datePart = s.section(QLatin1Char(' '), 0, 0);
        QDateTime dt = KFormati::ParseDate(datePart, &ok);
        if (ok) {
            const QString timePart = s.section(QLatin1Char(' '), 1).trimmed();
            if (!timePart.isEmpty()) {
                QTime t = QTime::fromString(timePart, QStringLiteral("H:mm:ss"));
                if (!t.isValid())
                    t = QTime::fromString(timePart, QStringLiteral("H:mm"));
                if (!t.isValid())
                    ok = false;
                else
                    dt.setTime(t);
            }
        }
        if (!ok || !dt.isValid())
            throw Exception(QStringLiteral("'%1' non è una data valida").arg(text));
        SetAsDateTime(dt);
        return;
    }
    if (type_ == ftBoolean) {
        SetValue(s.isEmpty() ? QVariant() : QVariant(ParseBool(s)));
        return;
    }
    SetAsString(text);
}

void TField::FocusControl()
{
    dataSet_->DataEvent(deFocusControl, this);
}
