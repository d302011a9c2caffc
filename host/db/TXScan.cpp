#include "host/db/TXScan.h"

#include "host/core/Errors.h"
#include "host/db/TXDatabase.h"

#include <QDateTime>
#include <QSqlResult>

#include <libpq-fe.h>

#include <charconv>
#include <cmath>

namespace {

constexpr int kBatchRows = 2000;

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

TXScan::TXScan(TXDatabase &db, const QString &sql)
    : rows_(db.Connection()), sql_(sql)
{
    rows_.setForwardOnly(false); // each batch read whole: other statements may run meanwhile
    Listen(&db);
}

TXScan::~TXScan()
{
    CloseCursor();
}

void TXScan::Fetch()
{
    batch_ = nullptr;
    ListenedDatabase()->RunScanStatement(rows_, QStringLiteral("FETCH FORWARD %1 FROM %2").arg(kBatchRows).arg(cursor_),
                                         sql_);
    if (record_.isEmpty())
        record_ = rows_.record();
    const QVariant handle = rows_.result() ? rows_.result()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "pg_result*") == 0) {
        batch_ = *static_cast<const pg_result *const *>(handle.constData());
        if (types_.empty())
            for (int i = 0; i < PQnfields(batch_); ++i)
                types_.push_back(PQftype(batch_, i));
        const QSql::NumericalPrecisionPolicy precision = rows_.numericalPrecisionPolicy();
        plainFloats_ = precision == QSql::LowPrecisionDouble || precision == QSql::HighPrecision;
    }
    lastBatch_ = rows_.size() < kBatchRows;
    if (lastBatch_)
        CloseCursor();
}

bool TXScan::Next()
{
    for (;;) {
        if (rows_.next())
            return true;
        if (lost_)
            throw EDatabaseError(QStringLiteral("La lettura dei dati è stata interrotta dall'annullamento della "
                                                "transazione: riaprirla per continuare."));
        if (lastBatch_)
            return false;
        if (!ListenedDatabase())
            throw EDatabaseError(QStringLiteral("La lettura dei dati è stata interrotta dalla chiusura del database: "
                                                "riaprirlo e ripetere l'operazione."));
        Fetch();
    }
}

QVariant TXScan::Value(int column)
{
    const int r = rows_.at();
    if (!batch_ || column < 0 || size_t(column) >= types_.size() || r < 0 || r >= PQntuples(batch_))
        return rows_.value(column);
    if (PQgetisnull(batch_, r, column))
        return QVariant();
    const char *text = PQgetvalue(batch_, r, column);
    const char *end = text + PQgetlength(batch_, r, column);
    switch (types_[size_t(column)]) {
    case kInt2:
    case kInt4:
    case kInt8: {
        qlonglong n = 0;
        const std::from_chars_result read = std::from_chars(text, end, n);
        if (read.ec == std::errc() && read.ptr == end)
            return QVariant(n);
        break;
    }
    case kFloat4:
    case kFloat8: {
        if (!plainFloats_)
            break;
        double d = 0;
        const std::from_chars_result read = std::from_chars(text, end, d);
        if (read.ec == std::errc() && read.ptr == end && std::isfinite(d))
            return QVariant(d);
        break;
    }
    case kText:
    case kBpchar:
    case kVarchar:
        return QString::fromUtf8(text, end - text);
    case kTimestamp: {
        QDateTime dt;
        if (PlainTimestamp(text, int(end - text), dt))
            return QVariant(dt);
        break;
    }
    default:
        break;
    }
    return rows_.value(column);
}

void TXScan::CloseCursor()
{
    if (!cursor_.isEmpty() && ListenedDatabase())
        ListenedDatabase()->CloseScanCursor(cursor_);
    cursor_.clear();
}

void TXScan::TransactionRolledBack()
{
    if (!inTransaction_ || cursor_.isEmpty())
        return;
    // a cursor opened in the transaction goes with it
    cursor_.clear();
    lost_ = true;
}
