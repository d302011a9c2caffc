// Forward-only queries read a batch of rows at a time (a server-side cursor on PostgreSQL)
// while other statements run on the same connection, inside and outside a transaction.
#include "host/data/TXQuery.h"
#include "host/db/TXScan.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

namespace {

constexpr int kRows = 9000; // more than two batches of the cursor

class StreamedScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        db = tdb.Connect();
        db->ExecSQL("CREATE TABLE TS_Mov (KMov INTEGER NOT NULL PRIMARY KEY, IdConto VARCHAR(8) NOT NULL DEFAULT '', "
                    "Qta FLOAT NOT NULL DEFAULT 0)");
        db->ExecSQL("CREATE TABLE TS_Log (KLog INTEGER NOT NULL PRIMARY KEY, Nota VARCHAR(20) NOT NULL DEFAULT '')");
        db->ExecSQL("INSERT INTO TS_Mov (KMov, IdConto, Qta) "
                    "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < ?) "
                    "SELECT k, 'C' || (k % 7), k FROM n",
                    {kRows});
    }

    void Scan(TXQuery &q, const QString &sql)
    {
        q.SetDatabase(db.get());
        q.SetUsaDizionario(false);
        q.SetUniDirectional(true);
        q.SQL << sql;
        q.Open();
    }
    qint64 OpenCursors()
    {
        return db->IsPostgres() ? db->ScalarValue("SELECT COUNT(*) FROM pg_cursors").toLongLong() : 0;
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

TEST_F(StreamedScan, OtherStatementsRunWhileTheScanIsOpen)
{
    TXQuery q;
    Scan(q, "SELECT KMov, Qta FROM TS_Mov ORDER BY KMov");
    int n = 0;
    double sum = 0;
    for (; !q.Eof(); q.Next()) {
        ++n;
        EXPECT_EQ(q.FieldByName("KMov")->AsInteger(), n);
        sum += q.FieldByName("Qta")->AsFloat();
        if (n % 1500 == 0) {
            if (db->IsPostgres() && n < kRows) {
                EXPECT_EQ(OpenCursors(), 1); // read a batch at a time, not fetched whole
            }
            // a write, a scalar and a whole reading on the connection the scan reads from
            db->ExecSQL("INSERT INTO TS_Log (KLog, Nota) VALUES (?, ?)", {n, "letto"});
            EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TS_Log").toInt(), n / 1500);
            TXQuery other;
            other.SetDatabase(db.get());
            other.SetUsaDizionario(false);
            other.SQL << "SELECT KMov FROM TS_Mov WHERE KMov <= 3";
            other.Open();
            EXPECT_EQ(other.RecordCount(), 3);
        }
    }
    EXPECT_EQ(n, kRows);
    EXPECT_DOUBLE_EQ(sum, double(kRows) * (kRows + 1) / 2);
    EXPECT_EQ(OpenCursors(), 0); // closed at the end
}

TEST_F(StreamedScan, ATransactionGoesOnAroundTheScan)
{
    db->StartTransaction();
    TXQuery q;
    Scan(q, "SELECT KMov FROM TS_Mov WHERE IdConto = 'C1' ORDER BY KMov");
    int n = 0;
    for (; !q.Eof(); q.Next()) {
        ++n;
        if (n == 10) {
            db->ExecSQL("INSERT INTO TS_Log (KLog) VALUES (1)");
            // a failed statement undoes only itself: the scan and the transaction go on
            EXPECT_THROW(db->ExecSQL("INSERT INTO TS_Log (KLog) VALUES (1)"), EKeyViolation);
        }
        if (n == 20)
            db->Commit(); // the scan outlives the transaction it was opened in
    }
    EXPECT_EQ(n, kRows / 7 + (kRows % 7 >= 1 ? 1 : 0));
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TS_Log").toInt(), 1);
}

TEST_F(StreamedScan, ARollbackEndsAScanOpenedInsideIt)
{
    if (!db->IsPostgres())
        GTEST_SKIP() << "SQLite keeps the read going";
    db->StartTransaction();
    TXQuery q;
    Scan(q, "SELECT KMov FROM TS_Mov ORDER BY KMov");
    db->Rollback();
    EXPECT_THROW(
        {
            while (!q.Eof())
                q.Next();
        },
        EDatabaseError);
    q.Close();
    EXPECT_EQ(OpenCursors(), 0);
    // a scan opened outside a transaction outlives one rolled back
    TXQuery outside;
    Scan(outside, "SELECT KMov FROM TS_Mov ORDER BY KMov");
    db->StartTransaction();
    db->ExecSQL("INSERT INTO TS_Log (KLog) VALUES (2)");
    db->Rollback();
    int n = 0;
    for (; !outside.Eof(); outside.Next())
        ++n;
    EXPECT_EQ(n, kRows);
}

TEST_F(StreamedScan, ColumnsCountsAndRestarts)
{
    TXQuery empty;
    Scan(empty, "SELECT KMov, IdConto FROM TS_Mov WHERE KMov < 0");
    EXPECT_TRUE(empty.Eof());
    EXPECT_EQ(empty.FieldCount(), 2); // columns known without rows
    EXPECT_EQ(empty.RecordCount(), 0);

    TXQuery q;
    Scan(q, "SELECT KMov FROM TS_Mov WHERE KMov <= :Max ORDER BY KMov");
    q.Close();
    q.ParamByName("Max")->SetAsInteger(8000); // exactly two batches
    const quint64 before = db->StatementCount();
    q.Open();
    int n = 0;
    for (; !q.Eof(); q.Next())
        ++n;
    EXPECT_EQ(n, 8000);
    const quint64 read = db->StatementCount();
    EXPECT_EQ(q.RecordCount(), 8000); // counted only when asked, once
    EXPECT_EQ(q.RecordCount(), 8000);
    EXPECT_EQ(db->StatementCount(), read + 1);
    EXPECT_GT(read, before);
    q.First(); // reads again from the start
    EXPECT_EQ(q.FieldByName("KMov")->AsInteger(), 1);
    q.Next();
    q.Close(); // left before the end: the cursor goes
    EXPECT_EQ(OpenCursors(), 0);
}

} // namespace
