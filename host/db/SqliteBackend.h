#pragma once
// The SQLite side of a TXDatabase: its statements prepared and kept, the readings pooled, the
// writes run on the engine's own handle, the schema version readings of '*' are prepared under.
#include "host/db/TXDatabase.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>

#include <memory>
#include <optional>

namespace kv8db {

class SqliteStatementPool;

// Finishes the query it holds when the scope ends.
struct HeldQuery {
    QSqlQuery *query = nullptr;
    HeldQuery() = default;
    HeldQuery(const HeldQuery &) = delete;
    HeldQuery &operator=(const HeldQuery &) = delete;
    ~HeldQuery()
    {
        if (query)
            query->finish();
    }
};

class SqliteBackend {
public:
    using Compiled = TXDatabase::Compiled;

    explicit SqliteBackend(TXDatabase &owner);
    ~SqliteBackend();
    SqliteBackend(const SqliteBackend &) = delete;
    SqliteBackend &operator=(const SqliteBackend &) = delete;

    // Opens the file in WAL mode with a busy timeout; a file that is not a database is refused.
    void Open(const QString &path);
    // Drops every statement before the connection closes.
    void Release();

    // The prepared query that runs statement i when its rows are read before the call returns;
    // a reading of '*' is prepared under the schema version read in a snapshot held keeps.
    QSqlQuery &CommandQuery(const Compiled &c, qsizetype i, const QString &sql, HeldQuery &held);
    // A query for reading statement i, on a statement nobody is reading, prepared as CommandQuery's.
    QSqlQuery Reader(const Compiled &c, qsizetype i, const QString &sql, bool forwardOnly, HeldQuery &held);
    // Binds the values (in their stored form) to q, prepared for statement i, and runs it.
    void Run(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql);
    // Runs write statement i on the engine's own handle, the values (as given, their count
    // checked) bound in their stored form as Qt's driver binds; the rows it changed, or -1 when
    // the statement cannot run there (then nothing ran).
    int RunNativeWrite(const Compiled &c, qsizetype i, const QVariantList &params, const QString &sql);

    // Before the transaction ends: no prepared statement keeps reading.
    void FinishStatements();
    // After a rollback: statements prepared under a schema version it undid are dropped.
    void RolledBack();
    // Whether the engine still holds the transaction begun: it ends one on its own on a full
    // disk, an I/O or a memory error.
    bool TransactionOpen() const;

    std::optional<TXDatabase::Stamp> DataStamp(quint64 connection, quint64 changes) const;

private:
    QSqlQuery &Prepared(const QString &text, const QString &sql);
    qint64 HoldSchema(const Compiled &c, qsizetype i, HeldQuery &held);

    TXDatabase &owner_;
    QHash<QString, std::shared_ptr<QSqlQuery>> prepared_; // by translated statement
    QHash<QString, qint64> preparedSchema_;               // schema version of prepared readings of '*'
    std::unique_ptr<QSqlQuery> schemaQuery_;              // reads the schema version
    std::unique_ptr<SqliteStatementPool> readers_;        // statements of OpenQuery not in use
    struct NativeWrites;
    std::unique_ptr<NativeWrites> native_; // writes of ExecSQL prepared on the engine's own handle
};

} // namespace kv8db
