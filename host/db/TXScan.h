#pragma once
// A forward-only reading of one statement's rows that holds only a batch of them at a time.
// On PostgreSQL the rows come from a server-side cursor (WITH HOLD, so it outlives the
// transaction it was opened in) fetched in batches of about half a megabyte, each read whole:
// other statements may run on the connection while the scan is open. Outside a transaction the
// server keeps the result until the scan ends; a rollback of the transaction the scan was
// opened in ends it (the next step throws). On SQLite it is the engine's own stepping.
#include "host/db/PostgresLettura.h"
#include "host/db/TXTransaction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

class TXDatabase;
struct sqlite3_stmt;

namespace kv8db {
class PostgresBackend;
}

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
    // A column of the current row. On PostgreSQL integers, floats, texts and timestamps in their
    // plain form are read straight from the server's text (integers as qlonglong, NULL as an
    // invalid value); anything else as Row().value(column) gives it.
    QVariant Value(int column);
    // SQLite: the rows after the first stepped on the engine's own statement, without the
    // driver's work for every row; they are then read by Value alone (Row() stays on the
    // first row). Called before the first step.
    void ReadByValue() { byValue_ = true; }
    bool SteppedOnEngine() const { return engine_ != nullptr; }

private:
    friend class TXDatabase;
    friend class kv8db::PostgresBackend;
    TXScan(TXDatabase &db, const QString &sql);
    void Fetch();
    void CloseCursor();
    void TransactionCommitted() override { inTransaction_ = false; }
    void TransactionRolledBack() override;

    QSqlQuery rows_;
    QSqlRecord record_;
    kv8db::RigaPostgres row_; // PostgreSQL: the current row in the server's result
    QString cursor_;          // PostgreSQL: the open cursor, empty once closed
    QString sql_;             // the text as given, for messages
    int batchRows_;           // PostgreSQL: the rows the next fetch asks for
    bool lastBatch_ = false;
    bool inTransaction_ = false; // the cursor was opened in the transaction still going
    bool lost_ = false;          // the cursor went with a rollback
    bool byValue_ = false;
    sqlite3_stmt *engine_ = nullptr; // SQLite: the statement stepped on the engine (ReadByValue)
    bool ended_ = false;             // past the last row stepped on the engine
};
