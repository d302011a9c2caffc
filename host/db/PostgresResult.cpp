#include "host/db/PostgresResult.h"

#include <QDateTime>
#include <QSqlField>
#include <QSqlRecord>

#include <libpq-fe.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace kv8db {

namespace {

constexpr int kVarHeader = 4; // the size word ahead of a variable-length value

// The kind of value Qt's PostgreSQL driver gives for a column of the type.
QMetaType KindOf(Oid type)
{
    switch (type) {
    case PgType::Bool:
        return QMetaType(QMetaType::Bool);
    case PgType::Int8:
        return QMetaType(QMetaType::LongLong);
    case PgType::Int2:
    case PgType::Int4:
    case PgType::ObjectId:
    case PgType::Regproc:
    case PgType::Xid:
    case PgType::Cid:
        return QMetaType(QMetaType::Int);
    case PgType::Numeric:
    case PgType::Float4:
    case PgType::Float8:
        return QMetaType(QMetaType::Double);
    case PgType::Abstime:
    case PgType::Reltime:
    case PgType::Date:
        return QMetaType(QMetaType::QDate);
    case PgType::Time:
    case PgType::TimeTz:
        return QMetaType(QMetaType::QTime);
    case PgType::Timestamp:
    case PgType::TimestampTz:
        return QMetaType(QMetaType::QDateTime);
    case PgType::Bytea:
        return QMetaType(QMetaType::QByteArray);
    default:
        return QMetaType(QMetaType::QString);
    }
}

QVariant Number(const char *text, Oid type, QSql::NumericalPrecisionPolicy precision)
{
    if (type == PgType::Numeric && precision == QSql::HighPrecision)
        return QString::fromLatin1(text);
    char *end = nullptr;
    double d = std::strtod(text, &end);
    if (end == text || *end != '\0') {
        if (qstricmp(text, "NaN") == 0)
            d = std::numeric_limits<double>::quiet_NaN();
        else if (qstricmp(text, "Infinity") == 0)
            d = std::numeric_limits<double>::infinity();
        else if (qstricmp(text, "-Infinity") == 0)
            d = -std::numeric_limits<double>::infinity();
        else
            return QVariant();
    }
    if (type == PgType::Numeric && precision == QSql::LowPrecisionInt64)
        return QVariant(qlonglong(d));
    if (type == PgType::Numeric && precision == QSql::LowPrecisionInt32)
        return QVariant(int(d));
    return QVariant(d);
}

QVariant Timestamp(const char *text)
{
    QString value = QString::fromLatin1(text);
    if (value.size() < 10)
        return QVariant(QDateTime());
    // an offset of whole hours ("+01") in the form Qt reads
    if (const QChar sign = value[value.size() - 3]; sign == u'-' || sign == u'+')
        value += QLatin1String(":00");
    return QVariant(QDateTime::fromString(value, Qt::ISODate).toLocalTime());
}

} // namespace

PostgresResult::PostgresResult(const QSqlDriver *driver, const QString &text) : QSqlResult(driver)
{
    setQuery(text);
}

PostgresResult::~PostgresResult()
{
    Release();
}

void PostgresResult::Release()
{
    for (pg_result *part : parts_)
        PQclear(part);
    parts_.clear();
    rows_ = 0;
}

void PostgresResult::Describe(const pg_result *first, bool rowByRow)
{
    rowByRow_ = rowByRow;
    const ExecStatusType status = PQresultStatus(first);
    setSelect(status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE);
    setActive(true);
    setForwardOnly(rowByRow);
}

void PostgresResult::Add(pg_result *part)
{
    if (const char *count = PQcmdTuples(part); *count)
        affected_ = std::atoi(count);
    const int rows = PQntuples(part);
    if (rows == 0 && !parts_.empty()) { // the end of rows handed over one at a time
        PQclear(part);
        return;
    }
    if (parts_.empty()) {
        Describe(part, false);
        setAt(QSql::BeforeFirstRow);
    }
    parts_.push_back(part);
    rows_ += rows;
}

void PostgresResult::SetRow(pg_result *row)
{
    const int at = rowByRow_ ? this->at() + 1 : 0;
    Release();
    parts_.push_back(row);
    rows_ = PQntuples(row);
    Describe(row, true);
    setAt(rows_ > 0 ? at : QSql::AfterLastRow);
}

const pg_result *PostgresResult::Result() const
{
    if (parts_.empty())
        return nullptr;
    if (OnePart() || at() < 0 || at() >= int(parts_.size()))
        return parts_.front();
    return parts_[at()];
}

int PostgresResult::Row() const
{
    return rowByRow_ || !OnePart() ? 0 : at();
}

bool PostgresResult::fetch(int row)
{
    if (rowByRow_ || row < 0 || row >= rows_)
        return false;
    setAt(row);
    return true;
}

bool PostgresResult::fetchLast()
{
    return fetch(rows_ - 1);
}

int PostgresResult::size()
{
    return isSelect() && !rowByRow_ ? rows_ : -1;
}

int PostgresResult::numRowsAffected()
{
    return affected_;
}

bool PostgresResult::isNull(int column)
{
    return PQgetisnull(Result(), Row(), column) == 1;
}

QVariant PostgresResult::data(int column)
{
    const pg_result *result = Result();
    if (column >= PQnfields(result))
        return QVariant();
    const Oid type = PQftype(result, column);
    const QMetaType kind = KindOf(type);
    const int row = Row();
    if (PQgetisnull(result, row, column))
        return QVariant(kind, nullptr);
    const char *text = PQgetvalue(result, row, column);
    switch (kind.id()) {
    case QMetaType::Bool:
        return QVariant(text[0] == 't');
    case QMetaType::LongLong: {
        const QByteArray digits = QByteArray::fromRawData(text, int(qstrlen(text)));
        return text[0] == '-' ? QVariant(digits.toLongLong()) : QVariant(digits.toULongLong());
    }
    case QMetaType::Int:
        return QVariant(std::atoi(text));
    case QMetaType::Double:
        return Number(text, type, numericalPrecisionPolicy());
    case QMetaType::QDate:
        return QVariant(QDate::fromString(QString::fromLatin1(text), Qt::ISODate));
    case QMetaType::QTime:
        return QVariant(QTime::fromString(QString::fromLatin1(text), Qt::ISODate));
    case QMetaType::QDateTime:
        return Timestamp(text);
    case QMetaType::QByteArray: {
        size_t length = 0;
        unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &length);
        const QByteArray out(reinterpret_cast<const char *>(bytes), qsizetype(length));
        PQfreemem(bytes);
        return QVariant(out);
    }
    default:
        return QVariant(QString::fromUtf8(text));
    }
}

QSqlRecord PostgresResult::record() const
{
    QSqlRecord out;
    if (!isActive() || !isSelect() || parts_.empty())
        return out;
    const pg_result *described = parts_.front();
    const int columns = PQnfields(described);
    for (int i = 0; i < columns; ++i) {
        const Oid type = PQftype(described, i);
        QSqlField field(QString::fromUtf8(PQfname(described, i)), KindOf(type));
        field.setValue(QVariant(field.metaType()));
        int length = PQfsize(described, i);
        int precision = PQfmod(described, i);
        switch (type) {
        case PgType::Timestamp:
        case PgType::TimestampTz:
            precision = 3;
            break;
        case PgType::Numeric:
            if (precision != -1) {
                length = precision >> 16;
                precision = (precision - kVarHeader) & 0xffff;
            }
            break;
        case PgType::Bit:
        case PgType::Varbit:
            length = precision;
            precision = -1;
            break;
        default:
            if (length == -1 && precision >= kVarHeader) {
                length = precision - kVarHeader;
                precision = -1;
            }
        }
        field.setLength(length);
        field.setPrecision(precision);
        out.append(field);
    }
    return out;
}

} // namespace kv8db
