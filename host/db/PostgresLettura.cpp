#include "host/db/PostgresLettura.h"

#include "host/db/PostgresResult.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>

#include <libpq-fe.h>

#include <charconv>
#include <cmath>

namespace kv8db {

namespace {

// Type numbers of the server's catalogue.
constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kFloat4 = 700, kFloat8 = 701, kBpchar = 1042,
              kVarchar = 1043, kTimestamp = 1114;

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
    if (length != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':'
        || !Digits(t, 4, y) || !Digits(t + 5, 2, mo) || !Digits(t + 8, 2, d) || !Digits(t + 11, 2, h)
        || !Digits(t + 14, 2, mi) || !Digits(t + 17, 2, s))
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
    const QSqlResult *result = q.result();
    if (!result || !q.driver() || q.driver()->dbmsType() != QSqlDriver::PostgreSQL || !q.isActive() || q.at() < 0)
        return {};
    const QSql::NumericalPrecisionPolicy precision = q.numericalPrecisionPolicy();
    const bool floatDouble = precision == QSql::LowPrecisionDouble || precision == QSql::HighPrecision;
    if (const auto *own = dynamic_cast<const PostgresResult *>(result)) {
        const int row = own->Row();
        if (!own->Result() || row < 0 || row >= PQntuples(own->Result()))
            return {};
        return {own->Result(), row, floatDouble};
    }
    const QVariant handle = result->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_result*") != 0)
        return {};
    const pg_result *p = *static_cast<const pg_result *const *>(handle.constData());
    if (!p)
        return {};
    // a forward-only reading holds the row alone, one row at a time; another the whole result
    const int rows = PQntuples(p);
    const int row = rows == 1 ? 0 : q.at();
    if (row >= rows)
        return {};
    return {p, row, floatDouble};
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
    case kInt2:
    case kInt4:
    case kInt8: {
        qlonglong n = 0;
        const std::from_chars_result read = std::from_chars(text, end, n);
        if (read.ec != std::errc() || read.ptr != end)
            return false;
        out = QVariant(n);
        return true;
    }
    case kFloat4:
    case kFloat8: {
        double d = 0;
        if (!r.floatDouble)
            return false;
        const std::from_chars_result read = std::from_chars(text, end, d);
        if (read.ec != std::errc() || read.ptr != end || !std::isfinite(d))
            return false;
        out = QVariant(d);
        return true;
    }
    case kText:
    case kBpchar:
    case kVarchar:
        out = QString::fromUtf8(text, end - text);
        return true;
    case kTimestamp: {
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
