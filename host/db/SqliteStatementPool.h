#pragma once
// SQLite: the prepared statements of readings that nobody is reading, kept so that the next
// reading of the same text runs without preparing it again.
//
// A reading is a QSqlQuery over a result of our own that forwards every call to the driver's
// result; it reaches that result's protected interface, so it depends on QSqlResult's virtual
// interface and on what the SQLite driver does on detachFromResultSet (see the .cpp and
// tests/host/db/test_SqliteStatementPool.cpp).
#include <QSqlQuery>
#include <QString>

#include <memory>

class QSqlDriver;

namespace kv8db {

struct IdleStatements;

class SqliteStatementPool {
public:
    SqliteStatementPool();
    ~SqliteStatementPool();
    SqliteStatementPool(const SqliteStatementPool &) = delete;
    SqliteStatementPool &operator=(const SqliteStatementPool &) = delete;

    // A query of the driver's connection ready to bind values and run the text, on an idle
    // statement prepared under the same schema version or on one prepared now; its lastError()
    // is set when the text cannot be prepared. schema: -1 for a text whose columns cannot
    // change, else the version just read on this connection (see TXDatabase::HoldSchema).
    // The statement comes back, reset, when the query is destroyed, unless it failed or was
    // prepared again for another text.
    QSqlQuery Reader(const QSqlDriver *driver, const QString &text, bool forwardOnly, qint64 schema);
    // Drops the idle statements; those being read are not given back.
    void Clear();

private:
    std::shared_ptr<IdleStatements> idle_;
};

} // namespace kv8db
