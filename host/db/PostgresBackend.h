#pragma once
// The PostgreSQL side of a TXDatabase: the session set up, the statements prepared on the server
// and run there, the savepoint that lets a failed statement undo only itself, the readings a row
// at a time and through cursors, the key sequences, the values sent as parameters or written as
// literals.
#include "host/db/TXDatabase.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>

struct pg_conn;
struct pg_result;

namespace kv8db {

class PostgresBackend {
public:
    using Compiled = TXDatabase::Compiled;

    explicit PostgresBackend(TXDatabase &owner);
    ~PostgresBackend();
    PostgresBackend(const PostgresBackend &) = delete;
    PostgresBackend &operator=(const PostgresBackend &) = delete;

    // Connects and sets the session up: the local time zone, the URL's schema (made when missing)
    // first on the search path.
    void Open(const QString &url);
    // Forgets the driver's connection before it closes.
    void Release();
    // The URL's schema, lower case; empty for the default.
    const QString &Schema() const { return schema_; }

    // The transaction begins with its savepoint set.
    void Begin();
    // The transaction ended: committed, or rolled back (then the sequences it made are gone too).
    void Ended(bool rolledBack);
    // Whether the server still holds the transaction begun (false when the connection is gone).
    bool TransactionOpen() const;
    // Whether the connection to the server still stands.
    bool Connected() const;

    // Runs statement i of a text whose rows are not read, its values sent as parameters of the
    // prepared statement, in one round trip; the rows it changed.
    int Exec(const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql);
    // A reading of statement i, its values sent as parameters, its rows fetched whole.
    QSqlQuery Reader(const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql);
    // Reads the single read-only statement of a text a row at a time as the server sends them.
    void ReadAll(const Compiled &c, const QVariantList &values, const std::function<void(const QSqlRecord &)> &layout,
                 const std::function<void(QSqlQuery &)> &row, const QString &sql);
    // Runs the statements before the last one and opens a cursor for the last, then fetches
    // the scan's first batch.
    void OpenScan(TXScan &scan, const Compiled &c, const QVariantList &values, const QString &sql);
    // The next rows of a scan's cursor, fetched whole.
    QSqlQuery FetchScan(const QString &cursor, int rows, const QString &sql);
    // Closes a scan's cursor; a failure is no error (the cursor may be gone).
    void CloseScanCursor(const QString &name);

    // The next key of a column from its sequence (made when missing); in a transaction drawn
    // in growing blocks.
    qint64 NewKey(const QString &table, const QString &column);
    // The sequence of an autokey column, which names its block of keys.
    static QString SequenceName(const QString &table, const QString &column);

    // A value as the literal a statement sends for it.
    QString Literal(const QVariant &value) const;
    // The values as one array literal (see TXDatabase::ArrayText).
    QString ArrayText(const QVariantList &values) const;

private:
    enum class Savepoint { Keep, Set, Renew };
    // The statements a message sends ahead of the caller's, and the caller's prepared name.
    struct Message {
        Savepoint savepoint = Savepoint::Keep;
        int deallocating = 0; // the retired statements, from the first
        QString name;         // empty for a statement sent as text
        bool preparing = false;
        int Ahead() const
        {
            return (savepoint == Savepoint::Renew ? 2
                    : savepoint == Savepoint::Set ? 1
                                                  : 0)
                   + deallocating + (preparing ? 1 : 0);
        }
    };
    struct Request;
    Message Plan(bool prepared, const QString &text);
    // Statement i of a text with its values as parameters; a statement the server cannot prepare
    // with the values written in its text.
    Request Statement(const Compiled &c, qsizetype i, const QVariantList &values) const;
    void Pipeline(const Request &rq, const std::function<void(pg_result *)> &take, const QString &sql);
    // The request's rows fetched whole, in a reading of the layer's own.
    QSqlQuery Whole(const Request &rq, const QString &sql);
    bool Settle(const Message &m, const SqlStatement &st, const QString &text, int succeeded);
    bool Recover(const Message &m, const QSqlError &error, int attempt, const QString &text, const QString &sql);
    // A value as the text of a parameter in the server's input form; null for NULL.
    QByteArray ParameterText(const QVariant &value) const;
    void KeepServerStatement(const QString &text, const QString &name);

    TXDatabase &owner_;
    pg_conn *connection_ = nullptr; // the driver's
    QString schema_;
    bool savepoint_ = false;      // kv8_stmt set inside the transaction
    bool savepointDirty_ = false; // a write ran since kv8_stmt was set
    // statements prepared on the server, by engine text, at most a few hundred
    struct ServerStatement {
        QString name;
        quint64 lastRun = 0;
    };
    QHash<QString, ServerStatement> statementNames_;
    quint64 statementRuns_ = 0;
    QStringList retiredStatements_; // dropped from statementNames_, deallocated with the next message
    int statementCounter_ = 0;
    int scanCounter_ = 0;            // cursors of scans declared so far
    QHash<QString, bool> sequences_; // key sequences known to exist
};

} // namespace kv8db
