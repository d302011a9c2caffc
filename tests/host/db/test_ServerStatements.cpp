// PostgreSQL: the statements a connection prepares on the server stay a bounded number however
// many distinct texts it runs, a statement dropped from the server runs again as before, inside
// a transaction and after its rollback too, and writes send their values as parameters of the
// statements readings run too.
#include "host/db/TXDatabase.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

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
        EXPECT_EQ(
            db->ExecSQL(QStringLiteral("UPDATE Num SET Valore = Valore + ? WHERE Id = %1 OR Id = ?").arg(n), {1, 2}),
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

// A text prepared by a write serves a reading of it and the other way round, and a write whose
// rows changed shape since it was prepared runs again, in a transaction only undoing itself.
TEST_F(ServerStatements, WritesAndReadingsShareTheirStatements)
{
    const QString bump = QStringLiteral("UPDATE Num SET Valore = Valore + ? WHERE Id = ? RETURNING *");
    EXPECT_EQ(db->ExecSQL(bump, {1, 1}), 1);
    {
        QSqlQuery q = db->OpenQuery(bump, {1, 1});
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(1).toInt(), 12);
    }
    const QString read = QStringLiteral("SELECT Valore FROM Num WHERE Id = ?");
    EXPECT_EQ(db->ScalarValue(read, {2}).toInt(), 20);
    EXPECT_EQ(db->ExecSQL(read, {2}), 1);
    const int prepared = OnServer();

    auto other = testDb.Connect();
    other->ExecSQL(QStringLiteral("ALTER TABLE Num ADD COLUMN Nota VARCHAR(10) NOT NULL DEFAULT 'n'"));
    db->StartTransaction();
    EXPECT_EQ(db->ExecSQL(QStringLiteral("UPDATE Num SET Valore = 0 WHERE Id = ?"), {2}), 1);
    EXPECT_EQ(db->ExecSQL(bump, {5, 1}), 1);
    EXPECT_THROW(db->ExecSQL(QStringLiteral("INSERT INTO Num (Id, Valore) VALUES (?, ?)"), {1, 1}), EKeyViolation);
    db->Commit();
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT SUM(Valore) FROM Num")).toInt(), 17);
    EXPECT_EQ(OnServer(), prepared + 3); // the first UPDATE, INSERT and SUM; the new bump for the old
}

// Values of every kind written as parameters read back as written; a date in another zone is
// stored as its local time, as a literal of it would be.
TEST_F(ServerStatements, ParametersOfEveryKindReadBackAsWritten)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Vari (Id INTEGER NOT NULL PRIMARY KEY, T VARCHAR(40), N DOUBLE PRECISION, "
                               "M NUMERIC(15, 4), G BIGINT, D TIMESTAMP, B BYTEA)"));
    const QString insert = QStringLiteral("INSERT INTO Vari (Id, T, N, M, G, D, B) VALUES (?, ?, ?, ?, ?, ?, ?)");
    const QDateTime utc(QDate(2024, 7, 1), QTime(22, 30, 5), Qt::UTC);
    const QByteArray bytes("\0\1'\\x", 5);
    db->ExecSQL(insert, {1, QStringLiteral("a\\'b\"c€"), 1e-300, 1234.5678, qint64(9007199254740993LL), utc, bytes});
    db->ExecSQL(insert, {2, QVariant(QMetaType::fromType<QString>()), qInf(), -0.25, -1, QDate(2024, 2, 29),
                         QVariant(QMetaType::fromType<QByteArray>())});
    QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT T, N, M, G, D, B FROM Vari ORDER BY Id"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("a\\'b\"c€"));
    EXPECT_EQ(q.value(1).toDouble(), 1e-300);
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), 1234.5678);
    EXPECT_EQ(q.value(3).toLongLong(), 9007199254740993LL);
    EXPECT_EQ(q.value(4).toDateTime(), utc.toLocalTime());
    EXPECT_EQ(q.value(5).toByteArray(), bytes);
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(0).isNull());
    EXPECT_EQ(q.value(1).toDouble(), qInf());
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), -0.25);
    EXPECT_EQ(q.value(3).toLongLong(), -1);
    EXPECT_EQ(q.value(4).toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    EXPECT_TRUE(q.value(5).isNull());
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Id FROM Vari WHERE D = ") + db->FormatDataSQL(utc)).toInt(), 1);
}
