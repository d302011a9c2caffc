// PostgreSQL: the statements a connection prepares on the server stay a bounded number however
// many distinct texts it runs, and a statement dropped from the server runs again as before,
// inside a transaction and after its rollback too.
#include "host/db/TXDatabase.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

namespace {

class ServerStatements : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(testDb);
        if (!testDb.IsPostgres())
            GTEST_SKIP() << "PostgreSQL only";
        db = testDb.Connect();
        db->ExecSQL(QStringLiteral("CREATE TABLE Num (Id INTEGER NOT NULL PRIMARY KEY, Valore INTEGER NOT NULL)"));
        db->ExecSQL(QStringLiteral("INSERT INTO Num (Id, Valore) VALUES (1, 10), (2, 20)"));
    }

    // This session's statements on the server.
    int OnServer() { return db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM pg_prepared_statements")).toInt(); }

    // Text n: a distinct statement whose answer tells it ran as written.
    static QString Text(int n) { return QStringLiteral("SELECT Valore + %1 FROM Num WHERE Id = ?").arg(n); }

    // Runs texts [from, to) and checks each answer.
    void RunTexts(int from, int to)
    {
        for (int n = from; n < to; ++n)
            ASSERT_EQ(db->ScalarValue(Text(n), {1}).toInt(), 10 + n) << n;
    }

    TestDb testDb;
    std::unique_ptr<TXDatabase> db;
};

} // namespace

TEST_F(ServerStatements, ManyDistinctTextsKeepTheServerBounded)
{
    RunTexts(0, 700);
    const int settled = OnServer();
    EXPECT_LT(settled, 700);
    EXPECT_GT(settled, 50); // the statements run again and again stay prepared
    RunTexts(700, 1400);
    EXPECT_LE(OnServer(), settled + 1);

    // the first texts were dropped from the server long ago and run again as before
    RunTexts(0, 20);
    // as do writes, each changing its own rows
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(db->ExecSQL(QStringLiteral("UPDATE Num SET Valore = Valore + ? WHERE Id = %1 OR Id = ?").arg(n),
                              {1, 2}),
                  n == 1 ? 2 : 1);
    }
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT SUM(Valore) FROM Num")).toInt(), 30 + 4);
    EXPECT_LE(OnServer(), settled + 1);
}

TEST_F(ServerStatements, StatementsDroppedInsideATransactionRunAgainAfterItsRollback)
{
    db->StartTransaction();
    for (int n = 0; n < 400; ++n) {
        db->ExecSQL(QStringLiteral("INSERT INTO Num (Id, Valore) VALUES (?, %1)").arg(n), {100 + n});
        if (n % 50 == 0) { // a failure now and then: only itself is undone
            EXPECT_THROW(db->ExecSQL(QStringLiteral("INSERT INTO Num (Id, Valore) VALUES (?, %1)").arg(n), {100 + n}),
                         EKeyViolation);
        }
    }
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Num")).toInt(), 402);
    db->Rollback();
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Num")).toInt(), 2);

    // every text again, those dropped and those kept
    for (int n = 0; n < 400; ++n)
        db->ExecSQL(QStringLiteral("INSERT INTO Num (Id, Valore) VALUES (?, %1)").arg(n), {100 + n});
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT SUM(Valore) - 30 FROM Num")).toInt(), 399 * 400 / 2);
    EXPECT_LT(OnServer(), 400);
}
