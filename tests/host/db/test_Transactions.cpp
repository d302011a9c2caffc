// The connection's transaction: what its listeners are told, the phase before the commit,
// and the scope callers run a save in.
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class Transactions : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(testDb);
        db = testDb.Connect();
        db->ExecSQL(QStringLiteral("CREATE TABLE Mov (Id INTEGER NOT NULL PRIMARY KEY, Qta INTEGER NOT NULL "
                                   "DEFAULT 0)"));
    }

    int Count() { return db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Mov")).toInt(); }
    void Insert(int id) { db->ExecSQL(QStringLiteral("INSERT INTO Mov (Id) VALUES (?)"), {id}); }

    TestDb testDb;
    std::unique_ptr<TXDatabase> db;
};

// Writes down what it hears; each handler may run an action given by the test.
struct Recorder : TXTransactionListener {
    QStringList heard;
    std::function<void()> onStarted, beforeCommit, onCommitted, onRolledBack;

    void TransactionStarted() override { Hear("start", onStarted); }
    void BeforeCommit() override { Hear("before commit", beforeCommit); }
    void TransactionCommitted() override { Hear("commit", onCommitted); }
    void TransactionRolledBack() override { Hear("rollback", onRolledBack); }

    void Hear(const char *event, const std::function<void()> &action)
    {
        heard << QString::fromLatin1(event);
        if (action)
            action();
    }
};

} // namespace

TEST_F(Transactions, ListenersLeavingOrComingWhileToldAreSafe)
{
    Recorder first, last;
    auto doomed = std::make_unique<Recorder>();
    auto leaving = std::make_unique<Recorder>();
    std::unique_ptr<Recorder> late;
    first.Listen(db.get());
    doomed->Listen(db.get());
    leaving->Listen(db.get());
    last.Listen(db.get());
    // the first destroys the next one, the third stops listening, and a new one comes
    first.onStarted = [&] {
        doomed.reset();
        late = std::make_unique<Recorder>();
        late->Listen(db.get());
    };
    leaving->onStarted = [&] { leaving->StopListening(); };

    db->StartTransaction();
    EXPECT_EQ(leaving->heard, QStringList{"start"});
    EXPECT_EQ(last.heard, QStringList{"start"});
    EXPECT_TRUE(late->heard.isEmpty()); // told from the next event on
    db->Commit();
    EXPECT_EQ(late->heard, (QStringList{"before commit", "commit"}));
    EXPECT_EQ(leaving->heard, QStringList{"start"});
    EXPECT_EQ(last.heard, (QStringList{"start", "before commit", "commit"}));
    EXPECT_EQ(leaving->ListenedDatabase(), nullptr);

    // a listener that fails while a rollback is told does not keep the others from hearing it
    first.onRolledBack = [] { throw EDatabaseError(QStringLiteral("guasto")); };
    last.heard.clear();
    db->StartTransaction();
    db->Rollback();
    EXPECT_EQ(last.heard, (QStringList{"start", "rollback"}));
    EXPECT_FALSE(db->InTransaction());
}

TEST_F(Transactions, ClosingTheConnectionRollsBackAndReleasesItsListeners)
{
    Recorder listener;
    listener.Listen(db.get());
    db->StartTransaction();
    Insert(1);
    db.reset();
    EXPECT_EQ(listener.heard, (QStringList{"start", "rollback"}));
    EXPECT_EQ(listener.ListenedDatabase(), nullptr);
    db = testDb.Connect();
    EXPECT_EQ(Count(), 0);
    listener.Listen(db.get()); // and it may listen to another one
    db->StartTransaction();
    db->Rollback();
    EXPECT_EQ(listener.heard.size(), 4);
}

TEST_F(Transactions, BeforeCommitWritesInTheTransactionAndItsFailureRollsEverythingBack)
{
    Recorder deferred;
    deferred.Listen(db.get());
    deferred.beforeCommit = [&] { Insert(100); };
    db->StartTransaction();
    Insert(1);
    db->Commit();
    EXPECT_EQ(Count(), 2);

    // a failure before the commit: Commit throws it and nothing of the transaction is stored
    Recorder failing;
    failing.Listen(db.get());
    failing.beforeCommit = [] { throw EDatabaseError(QStringLiteral("scrittura differita non riuscita")); };
    deferred.beforeCommit = [&] { Insert(200); };
    deferred.heard.clear();
    db->StartTransaction();
    Insert(2);
    try {
        db->Commit();
        ADD_FAILURE() << "the commit went through";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message, "scrittura differita non riuscita");
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(deferred.heard, (QStringList{"start", "before commit", "rollback"}));
    // the rollback a caller writes after a failed commit is accepted once
    EXPECT_NO_THROW(db->Rollback());
    EXPECT_THROW(db->Rollback(), EDatabaseError);

    // the connection goes on normally
    failing.StopListening();
    db->StartTransaction();
    Insert(3);
    db->Commit();
    EXPECT_EQ(Count(), 4);
}

TEST_F(Transactions, ScopeCommitsWhenToldAndRollsBackOtherwise)
{
    {
        TXTransaction transaction(*db);
        ASSERT_TRUE(transaction.Started());
        EXPECT_TRUE(db->InTransaction());
        Insert(1);
        transaction.Commit();
        EXPECT_FALSE(db->InTransaction());
    }
    EXPECT_EQ(Count(), 1);

    // an error thrown out of the scope
    EXPECT_THROW(
        {
            TXTransaction transaction(*db);
            Insert(2);
            throw Exception(QStringLiteral("errore"));
        },
        Exception);
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(), 1);

    // an early return
    const auto save = [&](bool giveUp) {
        TXTransaction transaction(*db);
        Insert(3);
        if (giveUp)
            return false;
        transaction.Commit();
        return true;
    };
    EXPECT_FALSE(save(true));
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(), 1);
    EXPECT_TRUE(save(false));
    EXPECT_EQ(Count(), 2);

    // a commit that fails rolls back, and leaving the scope then does nothing more
    Recorder failing;
    failing.Listen(db.get());
    failing.beforeCommit = [] { throw EDatabaseError(QStringLiteral("no")); };
    {
        TXTransaction transaction(*db);
        Insert(4);
        EXPECT_THROW(transaction.Commit(), EDatabaseError);
    }
    EXPECT_EQ(failing.heard, (QStringList{"start", "before commit", "rollback"}));
    EXPECT_EQ(Count(), 2);
}

TEST_F(Transactions, NestedStartIsRefusedWithoutTouchingTheOpenTransaction)
{
    TXTransaction outer(*db);
    ASSERT_TRUE(outer.Started());
    Insert(1);
    {
        TXTransaction inner(*db);
        EXPECT_FALSE(inner.Started());
        EXPECT_THROW(inner.Commit(), EDatabaseError);
    } // leaving it rolls nothing back
    EXPECT_TRUE(db->InTransaction());
    EXPECT_THROW(db->StartTransaction(), EDatabaseError); // the connection's own start still throws
    Insert(2);
    outer.Commit();
    EXPECT_EQ(Count(), 2);
}
