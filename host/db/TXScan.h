#pragma once
// A forward-only reading of one statement's rows that holds only a batch of them at a time.
// On PostgreSQL the rows come from a server-side cursor (WITH HOLD, so it outlives the
// transaction it was opened in) fetched a few thousand at a time, each batch read whole: other
// statements may run on the connection while the scan is open. Outside a transaction the
// server keeps the result until the scan ends; a rollback of the transaction the scan was
// opened in ends it (the next step throws). On SQLite it is the engine's own stepping.
#include "host/db/TXTransaction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>

class TXDatabase;

class TXScan : private TXTransactionListener {
public:
    ~TXScan() override;
    TXScan(const TXScan &) = delete;
    TXScan &operator=(const TXScan &) = delete;

    // The columns of the rows, known before the first step.
    QSqlRecord Record() const { return record_; }
    // Moves to the next row; false past the last one. Throws EDatabaseError when the
    // cursor is gone (its transaction rolled back) or the server fails.
    bool Next();
    // The query positioned on the current row (its values are read with value(i)).
    QSqlQuery &Row() { return rows_; }

private:
    friend class TXDatabase;
    TXScan(TXDatabase &db, const QString &sql);
    void Fetch();
    void CloseCursor();
    void TransactionCommitted() override { inTransaction_ = false; }
    void TransactionRolledBack() override;

    QSqlQuery rows_;
    QSqlRecord record_;
    QString cursor_;       // PostgreSQL: the open cursor, empty once closed
    QString sql_;          // the text as given, for messages
    bool lastBatch_ = false;
    bool inTransaction_ = false; // the cursor was opened in the transaction still going
    bool lost_ = false;          // the cursor went with a rollback
};
