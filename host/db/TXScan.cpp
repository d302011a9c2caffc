#include "host/db/TXScan.h"

#include "host/core/Errors.h"
#include "host/db/PostgresBackend.h"
#include "host/db/PostgresLettura.h"
#include "host/db/TXDatabase.h"

#include <QSqlResult>

#include <libpq-fe.h>

namespace {

constexpr int kBatchRows = 2000;

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
    ListenedDatabase()->pg_->RunScanStatement(rows_, QStringLiteral("FETCH FORWARD %1 FROM %2").arg(kBatchRows).arg(cursor_),
                                         sql_);
    if (record_.isEmpty())
        record_ = rows_.record();
    const QVariant handle = rows_.result() ? rows_.result()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "pg_result*") == 0) {
        batch_ = *static_cast<const pg_result *const *>(handle.constData());
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
    QVariant value;
    if (batch_ && r >= 0 && r < PQntuples(batch_) && kv8db::ValorePostgres({batch_, r, plainFloats_}, column, value))
        return value;
    return rows_.value(column);
}

void TXScan::CloseCursor()
{
    if (!cursor_.isEmpty() && ListenedDatabase())
        ListenedDatabase()->pg_->CloseScanCursor(cursor_);
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
