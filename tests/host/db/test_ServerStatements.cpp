// PostgreSQL: the statements a connection prepares on the server stay a bounded number however
// many distinct texts it runs, a statement dropped from the server runs again as before, inside
// a transaction and after its rollback too, and statements send their values as parameters, their
// readings giving what Qt's driver gives.
#include "host/db/TXDatabase.h"
#include "host/db/TXScan.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cmath>

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

// Readings with their values sent as parameters (whole, a row at a time, through a cursor) give
// what Qt's driver gives for the same text written with literals: each value's kind and value,
// nulls of the column's kind, and the record's names, kinds, lengths and precisions.
TEST_F(ServerStatements, ReadingsGiveWhatTheDriverGives)
{
    db->ExecSQL(QStringLiteral(
        "CREATE TABLE Tipi (Id INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, G BIGINT, M NUMERIC(15, 4), "
        "R REAL, F DOUBLE PRECISION, V VARCHAR(20), C CHAR(5), X TEXT, L BOOLEAN, D DATE, O TIME, T TIMESTAMP, "
        "B BYTEA)"));
    db->ExecSQL(QStringLiteral("INSERT INTO Tipi VALUES (1, -3, 2147483647, 9007199254740993, 1234.5678, 0.5, "
                               "-1e-300, 'più € ''x''', 'ab', 'testo', TRUE, '2024-02-29', '10:20:30.5', "
                               "'2026-12-31 23:59:59.999', '\\x00ff27'), "
                               "(2, NULL, NULL, -5, NULL, NULL, 'NaN', NULL, NULL, NULL, FALSE, NULL, NULL, "
                               "'2026-01-01 08:00:00', NULL)"));
    const QString columns = QStringLiteral("Id, S, I, G, M, R, F, V, C, X, L, D, O, T, B, G + 1 AS Somma, "
                                           "COUNT(*) OVER () AS Quante, SUM(G) OVER () AS Totale");
    const QString text = QStringLiteral("SELECT %1 FROM Tipi WHERE Id >= ? AND V IS DISTINCT FROM ? ORDER BY Id");
    const QString select = text.arg(columns);
    const QVariantList values{1, QStringLiteral("nessuno")};

    const auto rowOf = [](const QSqlQuery &q) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        return row;
    };
    QSqlQuery driver(db->Connection());
    ASSERT_TRUE(driver.exec(
        QStringLiteral("SELECT %1 FROM Tipi WHERE Id >= 1 AND V IS DISTINCT FROM 'nessuno' ORDER BY Id").arg(columns)));
    const QSqlRecord driverRecord = driver.record();
    QList<QVariantList> expected;
    while (driver.next())
        expected << rowOf(driver);
    ASSERT_EQ(expected.size(), 2);

    const auto same = [&](const QList<QVariantList> &rows, const char *how) {
        ASSERT_EQ(rows.size(), expected.size()) << how;
        for (qsizetype r = 0; r < rows.size(); ++r)
            for (qsizetype i = 0; i < rows[r].size(); ++i) {
                const QVariant &got = rows[r][i], &want = expected[r][i];
                const QString name = driverRecord.fieldName(int(i));
                EXPECT_EQ(got.metaType(), want.metaType()) << how << " " << name.toStdString() << " row " << r;
                EXPECT_EQ(got.isNull(), want.isNull()) << how << " " << name.toStdString() << " row " << r;
                if (got.typeId() == QMetaType::Double && std::isnan(want.toDouble()))
                    EXPECT_TRUE(std::isnan(got.toDouble())) << how;
                else
                    EXPECT_EQ(got, want) << how << " " << name.toStdString() << " row " << r;
            }
    };
    const auto sameRecord = [&](const QSqlRecord &record, const char *how) {
        ASSERT_EQ(record.count(), driverRecord.count()) << how;
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField a = record.field(i), b = driverRecord.field(i);
            EXPECT_EQ(a.name(), b.name()) << how;
            EXPECT_EQ(a.metaType(), b.metaType()) << how << " " << b.name().toStdString();
            EXPECT_EQ(a.length(), b.length()) << how << " " << b.name().toStdString();
            EXPECT_EQ(a.precision(), b.precision()) << how << " " << b.name().toStdString();
        }
    };

    for (int round = 0; round < 2; ++round) { // prepared the first time, then run by its name
        if (round == 1) {
            // the driver read a row at a time just before: libpq hands the next reading's rows
            // over one at a time too
            QSqlQuery forward(db->Connection());
            forward.setForwardOnly(true);
            ASSERT_TRUE(forward.exec(QStringLiteral("SELECT 1")));
            while (forward.next()) {
            }
        }
        QSqlQuery q = db->OpenQuery(select, values);
        sameRecord(q.record(), "whole");
        EXPECT_EQ(q.size(), 2);
        QList<QVariantList> rows;
        while (q.next())
            rows << rowOf(q);
        same(rows, "whole");
        // back to the first row, as the driver's readings go
        ASSERT_TRUE(q.first());
        EXPECT_EQ(q.value(0).toInt(), 1);
        EXPECT_FALSE(q.seek(2));

        rows.clear();
        db->ReadAll(
            select, values, [&](const QSqlRecord &record) { sameRecord(record, "row by row"); },
            [&](QSqlQuery &row) { rows << rowOf(row); });
        same(rows, "row by row");

        rows.clear();
        const std::unique_ptr<TXScan> scan = db->OpenScan(select, values);
        sameRecord(scan->Record(), "cursor");
        while (scan->Next()) {
            QVariantList row;
            for (int i = 0; i < driverRecord.count(); ++i)
                row << scan->Value(i);
            rows << row;
        }
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(rows[0][7].toString(), QStringLiteral("più € 'x'"));
        EXPECT_TRUE(std::isnan(rows[1][6].toDouble()));
        EXPECT_EQ(rows[1][3].toLongLong(), -5);
    }
    // a reading given up by its caller halfway, and one whose value the server refuses: each fails
    // alone and leaves the connection usable
    EXPECT_THROW(db->ReadAll(
                     select, values, [](const QSqlRecord &) {},
                     [](QSqlQuery &) { throw EDatabaseError(QStringLiteral("interrotta")); }),
                 EDatabaseError);
    EXPECT_THROW(
        db->OpenQuery(QStringLiteral("SELECT Id FROM Tipi WHERE Id = CAST(? AS INTEGER)"), {QStringLiteral("x")}),
        EDatabaseError);
    EXPECT_EQ(
        db->ScalarValue(text.arg(QStringLiteral("COUNT(*)")).remove(QStringLiteral(" ORDER BY Id")), values).toInt(),
        2);
}
