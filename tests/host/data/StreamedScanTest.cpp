// Forward-only queries read a batch of rows at a time (a server-side cursor on PostgreSQL)
// while other statements run on the same connection, inside and outside a transaction.
#include "host/data/TField.h"
#include "host/data/TXQuery.h"
#include "host/db/TXScan.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

#include <algorithm>
#include <ctime>

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
    // The cursors the scans declared; not the unnamed portal this reading runs in.
    qint64 OpenCursors()
    {
        return db->IsPostgres() ? db->ScalarValue("SELECT COUNT(*) FROM pg_cursors WHERE name <> ''").toLongLong() : 0;
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
    q.ParamByName("Max")->SetAsInteger(8250); // a first batch of 250, then exactly four of 2000
    const quint64 before = db->StatementCount();
    q.Open();
    int n = 0;
    for (; !q.Eof(); q.Next())
        ++n;
    EXPECT_EQ(n, 8250);
    const quint64 read = db->StatementCount();
    EXPECT_EQ(q.RecordCount(), 8250); // counted only when asked, once
    EXPECT_EQ(q.RecordCount(), 8250);
    EXPECT_EQ(db->StatementCount(), read + 1);
    EXPECT_GT(read, before);
    q.First(); // reads again from the start
    EXPECT_EQ(q.FieldByName("KMov")->AsInteger(), 1);
    q.Next();
    q.Close(); // left before the end: the cursor goes
    EXPECT_EQ(OpenCursors(), 0);
}

TEST_F(StreamedScan, ABatchOfWideRowsHoldsAboutHalfAMegabyte)
{
    if (!db->IsPostgres())
        GTEST_SKIP() << "SQLite steps on the engine, holding no batch";
    // rows of about a kilobyte: 2000 of them at a time would hold two megabytes
    const std::unique_ptr<TXScan> scan =
        db->OpenScan("SELECT KMov, IdConto || ? AS Testo FROM TS_Mov ORDER BY KMov", {QString(1000, u'x')});
    int n = 0;
    std::size_t most = 0;
    while (scan->Next()) {
        ++n;
        EXPECT_EQ(scan->Value(0).toInt(), n);
        most = std::max(most, kv8db::MemoriaPostgres(scan->Row()));
    }
    EXPECT_EQ(n, kRows);
    EXPECT_GT(most, 400u * 1024);
    EXPECT_LT(most, 700u * 1024);
    EXPECT_EQ(OpenCursors(), 0);
}

// What a forward-only reading and a reading held whole give each field, compared with the
// driver's own values: types, values, NULLs, texts and dates, in the machine's time zone and
// in one with summer time.
class StreamedValues : public StreamedScan {
protected:
    void Fill()
    {
        db->ExecSQL(QStringLiteral("CREATE TABLE TS_Tipi (K INTEGER NOT NULL PRIMARY KEY, N BIGINT, Q FLOAT, "
                                   "S VARCHAR(20), D %1)")
                        .arg(db->IsPostgres() ? QStringLiteral("TIMESTAMP") : QStringLiteral("DATETIME")));
        const QList<QVariantList> rows{
            {1, qlonglong(9007199254740993LL), 0.1, QStringLiteral("àèì €"),
             QDateTime(QDate(2024, 3, 31), QTime(2, 30))}, // an hour skipped in summer time
            {2, -5, -2.5e-10, QString(""), QDateTime(QDate(2024, 10, 27), QTime(2, 30))}, // an hour twice
            {3, 0, 1e300, QStringLiteral("  spazi  "), QDateTime(QDate(2024, 1, 15), QTime(10, 20, 30, 250))},
            {4, QVariant(), QVariant(), QVariant(), QVariant()},
            {5, 7, 123456.789, QStringLiteral("x"), QDateTime(QDate(1899, 12, 30), QTime(0, 0))},
            {6, 8, 3.0, QStringLiteral("y"), QDateTime(QDate(99, 5, 1), QTime(23, 59, 59))},
        };
        for (const QVariantList &r : rows)
            db->ExecSQL("INSERT INTO TS_Tipi (K, N, Q, S, D) VALUES (?, ?, ?, ?, ?)", r);
    }

    // Every field of every row: forward-only against held.
    void ExpectSameAsHeld()
    {
        const QString sql = QStringLiteral("SELECT K, N, Q, S, D, K * 2 AS Doppio, S || '!' AS Gridato "
                                           "FROM TS_Tipi ORDER BY K");
        TXQuery held;
        held.SetDatabase(db.get());
        held.SetUsaDizionario(false);
        held.SQL << sql;
        held.Open();
        TXQuery stream;
        Scan(stream, sql);
        ASSERT_EQ(stream.FieldCount(), held.FieldCount());
        QSqlQuery driver(db->Connection());
        ASSERT_TRUE(driver.exec(sql));
        int rows = 0;
        for (; !held.Eof(); held.Next(), stream.Next()) {
            ASSERT_FALSE(stream.Eof());
            ASSERT_TRUE(driver.next());
            ++rows;
            for (int i = 0; i < held.FieldCount(); ++i) {
                const QVariant want = kv8data::CoerceLoaded(driver.value(i), held.Fields(i)->DataType());
                SCOPED_TRACE(QStringLiteral("row %1, %2: %3")
                                 .arg(rows)
                                 .arg(held.Fields(i)->FieldName(), want.toString())
                                 .toStdString());
                for (TXQuery *reading : {&held, &stream}) {
                    const QVariant got = reading->Fields(i)->Value();
                    EXPECT_EQ(got.isValid(), want.isValid());
                    EXPECT_EQ(got.typeId(), want.typeId());
                    EXPECT_EQ(got, want);
                    if (want.typeId() == QMetaType::QDateTime) {
                        EXPECT_EQ(got.toDateTime().timeSpec(), want.toDateTime().timeSpec());
                        EXPECT_EQ(got.toDateTime().toMSecsSinceEpoch(), want.toDateTime().toMSecsSinceEpoch());
                    }
                    if (want.typeId() == QMetaType::QString) {
                        EXPECT_EQ(got.toString().isNull(), want.toString().isNull());
                    }
                }
                EXPECT_EQ(stream.Fields(i)->AsString(), held.Fields(i)->AsString());
            }
        }
        EXPECT_TRUE(stream.Eof());
        EXPECT_FALSE(driver.next());
        EXPECT_EQ(rows, 6);
    }
};

TEST_F(StreamedValues, EachFieldAsTheHeldReadingGivesIt)
{
    Fill();
    ExpectSameAsHeld();
}

// The process's time zone for a while.
struct Zone {
    explicit Zone(const char *name) : had(qEnvironmentVariableIsSet("TZ")), before(qgetenv("TZ"))
    {
        qputenv("TZ", name);
        tzset();
    }
    ~Zone()
    {
        if (had)
            qputenv("TZ", before);
        else
            qunsetenv("TZ");
        tzset();
    }
    bool had;
    QByteArray before;
};

TEST_F(StreamedValues, DatesInAZoneWithSummerTime)
{
    Fill(); // stored as written, read where 02:30 of the last Sunday of March does not exist
    const Zone rome("Europe/Rome");
    ExpectSameAsHeld();
}

} // namespace
