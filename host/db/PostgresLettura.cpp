#include "host/db/PostgresLettura.h"

#include "host/db/PostgresResult.h"

#include <QDateTime>
#include <QSqlQuery>

#include <libpq-fe.h>

#include <charconv>
#include <cmath>

namespace kv8db {

namespace {

bool Digits(const char *text, int count, int &out)
{
    out = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

// A timestamp as the server writes one without fractions of a second ("2024-01-31 10:00:00"),
// in local time as the driver gives it; false for any other form.
bool PlainTimestamp(const char *t, int length, QDateTime &out)
{
    int y, mo, d, h, mi, s;
    if (length != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':' || !Digits(t, 4, y)
        || !Digits(t + 5, 2, mo) || !Digits(t + 8, 2, d) || !Digits(t + 11, 2, h) || !Digits(t + 14, 2, mi)
        || !Digits(t + 17, 2, s))
        return false;
    const QDate date(y, mo, d);
    const QTime time(h, mi, s);
    if (!date.isValid() || !time.isValid())
        return false;
    out = QDateTime(date, time);
    return true;
}

} // namespace

RigaPostgres RigaCorrentePostgres(const QSqlQuery &q)
{
    const auto *own = dynamic_cast<const PostgresResult *>(q.result());
    if (!own || !q.isActive() || q.at() < 0)
        return {};
    const pg_result *result = own->Result();
    const int row = own->Row();
    if (!result || row < 0 || row >= PQntuples(result))
        return {};
    const QSql::NumericalPrecisionPolicy precision = q.numericalPrecisionPolicy();
    return {result, row, precision == QSql::LowPrecisionDouble || precision == QSql::HighPrecision};
}

std::size_t MemoriaPostgres(const QSqlQuery &q)
{
    const auto *own = dynamic_cast<const PostgresResult *>(q.result());
    const pg_result *result = own ? own->Result() : nullptr;
    return result ? PQresultMemorySize(result) : 0;
}

bool ValorePostgres(const RigaPostgres &r, int column, QVariant &out)
{
    if (!r || column < 0 || column >= PQnfields(r.risultato))
        return false;
    if (PQgetisnull(r.risultato, r.riga, column)) {
        out = QVariant();
        return true;
    }
    const char *text = PQgetvalue(r.risultato, r.riga, column);
    const char *end = text + PQgetlength(r.risultato, r.riga, column);
    switch (PQftype(r.risultato, column)) {
    case PgType::Int2:
    case PgType::Int4:
    case PgType::Int8: {
        qlonglong n = 0;
        const std::from_chars_result read = std::from_chars(text, end, n);
        if (read.ec != std::errc() || read.ptr != end)
            return false;
        out = QVariant(n);
        return true;
    }
    case PgType::Float4:
    case PgType::Float8: {
        double d = 0;
        if (!r.floatDouble)
            return false;
        const std::from_chars_result read = std::from_chars(text, end, d);
        if (read.ec != std::errc() || read.ptr != end || !std::isfinite(d))
            return false;
        out = QVariant(d);
        return true;
    }
    case PgType::Text:
    case PgType::Bpchar:
    case PgType::Varchar:
        out = QString::fromUtf8(text, end - text);
        return true;
    case PgType::Timestamp: {
        QDateTime dt;
        if (!PlainTimestamp(text, int(end - text), dt))
            return false;
        out = QVariant(dt);
        return true;
    }
    default:
        return false;
    }
}

} // namespace kv8db
