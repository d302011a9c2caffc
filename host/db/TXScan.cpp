#include "host/db/TXScan.h"

#include "host/core/Errors.h"
#include "host/db/PostgresBackend.h"
#include "host/db/PostgresLettura.h"
#include "host/db/SqliteLettura.h"
#include "host/db/TXDatabase.h"

namespace {

constexpr int kBatchRows = 2000;

} // namespace

TXScan::TXScan(TXDatabase &db, const QString &sql)
    : rows_(db.Connection()), sql_(sql)
{
    Listen(&db);
}

TXScan::~TXScan()
{
    CloseCursor();
}

void TXScan::Fetch()
{
    rows_ = QSqlQuery(); // the batch read is freed before the next one comes
    rows_ = ListenedDatabase()->pg_->FetchScan(cursor_, kBatchRows, sql_);
    if (record_.isEmpty())
        record_ = rows_.record();
    lastBatch_ = rows_.size() < kBatchRows;
    if (lastBatch_)
        CloseCursor();
}

bool TXScan::Next()
{
    if (engine_) {
        if (kv8db::PassoSqlite(rows_, engine_))
            return true;
        engine_ = nullptr;
        ended_ = true;
    }
    if (ended_)
        return false;
    for (;;) {
        if (rows_.next()) {
            row_ = kv8db::RigaCorrentePostgres(rows_);
            if (byValue_ && !row_)
                engine_ = kv8db::StatementToStep(rows_);
            return true;
        }
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
    if (engine_)
        return kv8db::ValoreSqlite(engine_, column);
    QVariant value;
    if (kv8db::ValorePostgres(row_, column, value))
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
