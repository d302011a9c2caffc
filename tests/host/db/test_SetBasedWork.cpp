// Set-based rebuilding of work tables on both engines: INSERT … SELECT, UPDATE … FROM in the
// module's dialect, running totals by window functions, and rows copied in bulk between the
// company database and a local work database.
#include "host/db/SetBasedWork.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class SetBasedWork : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        db = tdb.Connect();
        const QString date = db->IsPostgres() ? "TIMESTAMP" : "DATETIME";
        db->ExecSQL("CREATE TABLE TW_Mov (KMov INTEGER NOT NULL PRIMARY KEY, IdConto VARCHAR(8) NOT NULL DEFAULT '', "
                    "DataMov " + date + ", Qta FLOAT NOT NULL DEFAULT 0)");
        db->ExecSQL("CREATE TABLE TW_Saldi (IdConto VARCHAR(8) NOT NULL PRIMARY KEY, Qta FLOAT NOT NULL DEFAULT 0, "
                    "Movimenti INTEGER NOT NULL DEFAULT 0)");
        // hand-made movements: two on the same day for C1, none for C3
        const QVariantList rows{1, "C1", QDateTime(QDate(2024, 1, 5), QTime(0, 0)), 10.0,
                                2, "C2", QDateTime(QDate(2024, 1, 6), QTime(0, 0)), 4.0,
                                3, "C1", QDateTime(QDate(2024, 1, 5), QTime(0, 0)), -3.5,
                                4, "C1", QDateTime(QDate(2024, 2, 1), QTime(0, 0)), 1.25,
                                5, "C2", QDateTime(QDate(2024, 3, 1), QTime(0, 0)), 6.0};
        db->ExecSQL("INSERT INTO TW_Mov (KMov, IdConto, DataMov, Qta) VALUES (?, ?, ?, ?), (?, ?, ?, ?), "
                    "(?, ?, ?, ?), (?, ?, ?, ?), (?, ?, ?, ?)",
                    rows);
        db->ExecSQL("INSERT INTO TW_Saldi (IdConto, Qta) VALUES ('C1', 100), ('C2', 0), ('C3', 7)");
    }

    double Saldo(const QString &conto)
    {
        return db->ScalarValue("SELECT Qta FROM TW_Saldi WHERE IdConto = ?", {conto}).toDouble();
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

TEST_F(SetBasedWork, InsertSelectAndUpdateFromRebuildTotals)
{
    db->ExecSQL("CREATE TABLE TW_Tot (IdConto VARCHAR(8) NOT NULL PRIMARY KEY, Qta FLOAT NOT NULL DEFAULT 0, "
                "Movimenti INTEGER NOT NULL DEFAULT 0)");
    EXPECT_EQ(db->ExecSQL("INSERT INTO TW_Tot (IdConto, Qta, Movimenti) SELECT IdConto, SUM(Qta), COUNT(*) "
                          "FROM TW_Mov WHERE DataMov <= ? GROUP BY IdConto",
                          {QDateTime(QDate(2024, 1, 31), QTime(23, 59))}),
              2);
    EXPECT_DOUBLE_EQ(db->ScalarValue("SELECT Qta FROM TW_Tot WHERE IdConto = 'C1'").toDouble(), 6.5);

    TXTransaction t(*db);
    ASSERT_TRUE(t.Started());
    EXPECT_EQ(db->ExecSQL("UPDATE S SET S.Qta = S.Qta + T.Qta, S.Movimenti = T.N FROM TW_Saldi S INNER JOIN "
                          "(SELECT IdConto, SUM(Qta) AS Qta, COUNT(*) AS N FROM TW_Mov GROUP BY IdConto) T "
                          "ON T.IdConto = S.IdConto"),
              2);
    t.Commit();
    EXPECT_DOUBLE_EQ(Saldo("C1"), 107.75);
    EXPECT_DOUBLE_EQ(Saldo("C2"), 10.0);
    EXPECT_DOUBLE_EQ(Saldo("C3"), 7.0); // no movements: untouched
    EXPECT_EQ(db->ScalarValue("SELECT Movimenti FROM TW_Saldi WHERE IdConto = 'C1'").toInt(), 3);
}

TEST_F(SetBasedWork, WindowFunctionsGiveProgressivesRowByRow)
{
    QSqlQuery q = db->OpenQuery(
        "SELECT KMov, SUM(Qta) OVER (PARTITION BY IdConto ORDER BY DataMov, KMov ROWS UNBOUNDED PRECEDING) AS Prog, "
        "ROW_NUMBER() OVER (PARTITION BY IdConto ORDER BY DataMov, KMov) AS Nr FROM TW_Mov ORDER BY IdConto, Nr");
    QList<int> keys, numbers;
    QList<double> progressives;
    while (q.next()) {
        keys << q.value(0).toInt();
        progressives << q.value(1).toDouble();
        numbers << q.value(2).toInt();
    }
    // the two movements of the same day add up one after the other, in key order
    EXPECT_EQ(keys, (QList<int>{1, 3, 4, 2, 5}));
    EXPECT_EQ(progressives, (QList<double>{10.0, 6.5, 7.75, 4.0, 10.0}));
    EXPECT_EQ(numbers, (QList<int>{1, 2, 3, 1, 2}));
}

TEST_F(SetBasedWork, RowsCopiedBetweenCompanyAndLocalDatabase)
{
    QTemporaryDir dir;
    TXDatabase local(QStringLiteral("LocalDatabase"), QStringLiteral("sqlite:") + dir.filePath("local.db"));
    local.ExecSQL("CREATE TABLE TW_t_Prog (KMov INTEGER NOT NULL PRIMARY KEY, Conto VARCHAR(8) NOT NULL DEFAULT '', "
                  "Prog FLOAT NOT NULL DEFAULT 0, DataMov DATETIME)");
    const QString progressives =
        "SELECT KMov, IdConto, SUM(Qta) OVER (PARTITION BY IdConto ORDER BY DataMov, KMov ROWS UNBOUNDED PRECEDING), "
        "DataMov FROM TW_Mov WHERE KMov >= ?";
    EXPECT_EQ(kv8db::CopiaRighe(*db, progressives, {2}, local, "TW_t_Prog", {"KMov", "Conto", "Prog", "DataMov"}), 4);
    EXPECT_DOUBLE_EQ(local.ScalarValue("SELECT Prog FROM TW_t_Prog WHERE KMov = 4").toDouble(), -2.25);
    EXPECT_EQ(local.ScalarValue("SELECT COUNT(*) FROM TW_t_Prog WHERE DataMov = ?",
                                {QDateTime(QDate(2024, 3, 1), QTime(0, 0))})
                  .toInt(),
              1);

    // a column count that does not match is refused, nothing written
    EXPECT_THROW(kv8db::CopiaRighe(*db, "SELECT KMov, IdConto FROM TW_Mov", {}, local, "TW_t_Prog", {"KMov"}),
                 EDatabaseError);
    // a taken key fails the whole copy, all or nothing
    EXPECT_THROW(kv8db::CopiaRighe(*db, "SELECT KMov + 10, IdConto FROM TW_Mov UNION ALL SELECT 4, 'X'", {}, local,
                                   "TW_t_Prog", {"KMov", "Conto"}),
                 EKeyViolation);
    EXPECT_EQ(local.ScalarValue("SELECT COUNT(*) FROM TW_t_Prog").toInt(), 4);

    // back to the company database, inside its transaction, more rows than one INSERT takes
    local.ExecSQL("INSERT INTO TW_t_Prog (KMov, Conto, Prog) "
                  "WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL SELECT k + 1 FROM n WHERE k < 1299) "
                  "SELECT k, 'C9', k FROM n");
    {
        TXTransaction t(*db);
        ASSERT_TRUE(t.Started());
        EXPECT_EQ(kv8db::CopiaRighe(local, "SELECT KMov, Conto, Prog FROM TW_t_Prog WHERE Conto = 'C9'", {}, *db,
                                    "TW_Mov", {"KMov", "IdConto", "Qta"}),
                  1200);
        EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Mov").toInt(), 1205);
    } // not committed: the copy goes with the transaction
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TW_Mov").toInt(), 5);
}

} // namespace
