#include "host/db/TXScan.h"

#include "host/core/Errors.h"
#include "host/db/PostgresBackend.h"
#include "host/db/PostgresLettura.h"
#include "host/db/SqliteLettura.h"
#include "host/db/TXDatabase.h"

#include <algorithm>

namespace {

// PostgreSQL: a batch takes about this much of the client's memory, sized on the batch before
// (the first one small, the width of the rows still unknown); narrow rows come at most 2000 at a
// time, fewer round trips gaining little past that
constexpr qint64 kBatchBytes = 512 * 1024;
constexpr int kFirstBatchRows = 250;
constexpr int kMinBatchRows = 10;
constexpr int kMaxBatchRows = 2000;

} // namespace

TXScan::TXScan(TXDatabase &db, const QString &sql) : rows_(db.Connection()), sql_(sql), batchRows_(kFirstBatchRows)
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
    rows_ = ListenedDatabase()->pg_->FetchScan(cursor_, batchRows_, sql_);
    if (record_.isEmpty())
        record_ = rows_.record();
    const int read = rows_.size();
    lastBatch_ = read < batchRows_;
    if (const auto bytes = qint64(kv8db::MemoriaPostgres(rows_)); read > 0 && bytes > 0)
        batchRows_ = int(std::clamp(kBatchBytes * read / bytes, qint64(kMinBatchRows), qint64(kMaxBatchRows)));
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
