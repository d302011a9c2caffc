#include "host/db/TXScan.h"

#include "host/core/Errors.h"
#include "host/db/TXDatabase.h"

namespace {
constexpr int kBatchRows = 2000;
}

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
    ListenedDatabase()->RunScanStatement(rows_, QStringLiteral("FETCH FORWARD %1 FROM %2").arg(kBatchRows).arg(cursor_),
                                         sql_);
    if (record_.isEmpty())
        record_ = rows_.record();
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
