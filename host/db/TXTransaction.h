#pragma once
// The transaction of a connection: what is told of it, and the scope that runs one.
#include <QStringList>

class TXDatabase;

namespace kv8db {
class TransactionListeners;
} // namespace kv8db

// Something that keeps state tied to a connection (rows read or written, values cached for
// the open transaction). The connection tells it when a transaction starts, is about to
// commit, has committed or has rolled back, so that after a rollback it holds nothing that
// was never stored, and after a commit it keeps what it wrote without reading it again.
//
// Listen() registers it on a connection; it stops listening when told, when it is
// destroyed, or when the connection is destroyed (after the connection has rolled back its
// open transaction). While being told, a listener may stop listening, start listening or be
// destroyed, itself or another: one that stopped is not told again, one that started is
// told from the next event on. It never destroys the connection then, and TableWritten runs
// no statement.
class TXTransactionListener {
public:
    TXTransactionListener() = default;
    virtual ~TXTransactionListener();
    TXTransactionListener(const TXTransactionListener &) = delete;
    TXTransactionListener &operator=(const TXTransactionListener &) = delete;

    // Listens to the connection (nullptr: to none) and, inside its transactions, to the
    // statements that write the given tables.
    void Listen(TXDatabase *db, const QStringList &tables = {});
    void StopListening() { Listen(nullptr); }
    TXDatabase *ListenedDatabase() const { return db_; }

protected:
    virtual void TransactionStarted() {}
    // The transaction is about to commit: the listener may still write in it. An error
    // thrown here makes Commit roll everything back and throw it.
    virtual void BeforeCommit() {}
    virtual void TransactionCommitted() {}
    virtual void TransactionRolledBack() {}
    // Inside a transaction, a statement is about to run that may write one of the tables
    // listened to (also one whose table is not plain to see).
    virtual void TableWritten() {}
    // While the rollback of a connection being destroyed is told: nothing can be read again.
    bool ConnectionClosing() const;

private:
    friend class kv8db::TransactionListeners;
    TXDatabase *db_ = nullptr;
    QStringList tables_;
};

// One transaction for the scope of a save or a batch job:
//
//     TXTransaction transaction(db);
//     if (!transaction.Started())
//         return false;          // already inside a transaction: nothing written, nothing shown
//     ... checks done before, writes here ...
//     transaction.Commit();
//     return true;
//
// Leaving the scope without Commit (an error thrown, an early return) rolls the transaction
// back. A transaction already open on the connection is refused without a word: Started() is
// false and the scope does nothing (the connection's own StartTransaction throws instead).
class TXTransaction {
public:
    explicit TXTransaction(TXDatabase &db);
    ~TXTransaction();
    TXTransaction(const TXTransaction &) = delete;
    TXTransaction &operator=(const TXTransaction &) = delete;

    bool Started() const { return started_; }
    // Commits the transaction of the scope; a failure rolls it back and is thrown.
    void Commit();

private:
    TXDatabase &db_;
    bool started_ = false;
    bool open_ = false;
};
