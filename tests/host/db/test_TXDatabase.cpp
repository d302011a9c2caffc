#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

namespace {

class Db : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(testDb);
        db = testDb.Connect();
        db->ExecSQL(
            QStringLiteral("CREATE TABLE Prot (Id INTEGER NOT NULL PRIMARY KEY, "
                           "Codice VARCHAR(60) NOT NULL DEFAULT '', Valore DOUBLE PRECISION NOT NULL DEFAULT 0)"));
    }

    int Count(const QString &where = QStringLiteral("1 = 1"), const QVariantList &params = {})
    {
        return db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Prot WHERE ") + where, params).toInt();
    }

    void Insert(int id, const QString &code = QStringLiteral(""))
    {
        db->ExecSQL(QStringLiteral("INSERT INTO Prot (Id, Codice) VALUES (?, ?)"), {id, code});
    }

    TestDb testDb;
    std::unique_ptr<TXDatabase> db;
};

// The stored date of a column as the engine hands it back (text on SQLite).
QDateTime AsDate(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

TEST_F(Db, TransactionsCommitRollbackAndNoNesting)
{
    auto other = testDb.Connect();
    EXPECT_THROW(db->Commit(), EDatabaseError);
    EXPECT_THROW(db->Rollback(), EDatabaseError);

    db->StartTransaction();
    EXPECT_TRUE(db->InTransaction());
    EXPECT_THROW(db->StartTransaction(), EDatabaseError);
    EXPECT_TRUE(db->InTransaction());
    Insert(1);
    Insert(2);
    db->Rollback();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(), 0);

    db->StartTransaction();
    Insert(3);
    db->Commit();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(other->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Prot")).toInt(), 1);
}

// What a listener of one table hears: the statements that may write it inside a
// transaction, and the transaction's edges.
TEST_F(Db, ListenersHearTheWritesOfTheirTableAndTheTransactionEdges)
{
    struct Heard : TXTransactionListener {
        int events = 0;
        void TransactionStarted() override { ++events; }
        void TransactionCommitted() override { ++events; }
        void TransactionRolledBack() override { ++events; }
        void TableWritten() override { ++events; }
    } heard;
    heard.Listen(db.get(), {QStringLiteral("PROT")}); // any case
    const auto changed = [&] { return std::exchange(heard.events, 0) > 0; };

    db->ExecSQL(QStringLiteral("CREATE TABLE Altra (Id INTEGER NOT NULL PRIMARY KEY)"));
    Insert(9); // outside a transaction a write is stored at once: nothing to tell
    EXPECT_FALSE(changed());
    db->StartTransaction();
    EXPECT_TRUE(changed());
    Count();
    db->ExecSQL(QStringLiteral("INSERT INTO Altra (Id) VALUES (1)"));
    db->ExecSQL(QStringLiteral("UPDATE Altra SET Id = 2"));
    EXPECT_FALSE(changed()); // reads and other tables leave it
    Insert(1);
    EXPECT_TRUE(changed());
    db->ExecSQL(QStringLiteral("UPDATE Prot SET Valore = 1 WHERE Id = 5")); // even when no row changes
    EXPECT_TRUE(changed());
    db->ExecSQL(QStringLiteral("DELETE FROM Prot WHERE Id = 5"));
    EXPECT_TRUE(changed());
    EXPECT_THROW(Insert(1), EKeyViolation); // a failed write may have changed it too
    EXPECT_TRUE(changed());
    // a write whose table is not plain to see counts for every table
    db->ExecSQL(QStringLiteral("WITH x AS (SELECT 1 AS a) DELETE FROM Altra WHERE Id IN (SELECT a FROM x)"));
    EXPECT_TRUE(changed());
    db->Commit();
    EXPECT_TRUE(changed());
    db->StartTransaction();
    EXPECT_TRUE(changed());
    db->Rollback();
    EXPECT_TRUE(changed());
    // another connection tells its own listeners only
    auto other = testDb.Connect();
    other->StartTransaction();
    other->ExecSQL(QStringLiteral("UPDATE Prot SET Valore = 2"));
    other->Rollback();
    EXPECT_FALSE(changed());
}

TEST_F(Db, FailedStatementInTransactionUndoesOnlyItself)
{
    db->StartTransaction();
    Insert(1);
    Insert(2);
    EXPECT_THROW(Insert(1), EKeyViolation);
    EXPECT_THROW(db->ExecSQL(QStringLiteral("UPDATE Missing SET x = 1")), EDatabaseError);
    EXPECT_EQ(Count(), 2); // a read right after failures
    EXPECT_THROW(db->OpenQuery(QStringLiteral("SELECT nope FROM Prot")), EDatabaseError);
    Insert(3);
    // a failure right after a read, then one right after a write
    EXPECT_THROW(Insert(3), EKeyViolation);
    db->ExecSQL(QStringLiteral("UPDATE Prot SET Valore = 5 WHERE Id = 3"));
    EXPECT_THROW(db->ScalarValue(QStringLiteral("SELECT Id FROM Missing")), EDatabaseError);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Valore FROM Prot WHERE Id = 3")).toDouble(), 5.0);
    db->Commit();

    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(Count(QStringLiteral("Valore = 5")), 1);
}

TEST_F(Db, ErrorsAreClassifiedAndNameTheDatabase)
{
    // the database as messages name it: the file, or the URL (the statement goes to the log)
    const QString shown = db->IsPostgres() ? testDb.Url() : testDb.Url().mid(QStringLiteral("sqlite:").size());
    Insert(1);
    try {
        Insert(1, QStringLiteral("dup"));
        FAIL() << "no error";
    } catch (const EKeyViolation &e) {
        EXPECT_TRUE(e.Message.contains(shown)) << e.what();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("tabella Prot"))) << e.what();
        EXPECT_FALSE(e.Message.contains(QStringLiteral("INSERT INTO Prot"))) << e.what();
    }
    db->ExecSQL(QStringLiteral("CREATE UNIQUE INDEX Prot_Codice ON Prot (Codice)"));
    Insert(2, QStringLiteral("A"));
    EXPECT_THROW(db->ExecSQL(QStringLiteral("UPDATE Prot SET Codice = 'A' WHERE Id = 1")), EKeyViolation);

    const auto kindOf = [&](const QString &sql, const QVariantList &params = {}) -> std::string {
        try {
            db->ExecSQL(sql, params);
        } catch (const EKeyViolation &) {
            return "key";
        } catch (const EDatabaseError &e) {
            return e.Message.contains(shown) && !e.Message.contains(sql) ? "database" : "database unnamed";
        }
        return "none";
    };
    EXPECT_EQ(kindOf(QStringLiteral("INSERT INTO Prot (Id, Codice) VALUES (?, NULL)"), {9}), "database");
    EXPECT_EQ(kindOf(QStringLiteral("SELEC 1")), "database");
    EXPECT_EQ(kindOf(QStringLiteral("INSERT INTO Prot (Id) VALUES (?)"), {}), "database");
    EXPECT_EQ(kindOf(QStringLiteral("SELECT ?, :a"), {1, 2}), "database");
    EXPECT_EQ(Count(), 2);
}

// A write text run many times: every kind of value stored as given, a failed run leaves the
// next one clean, the rows changed counted, and the text still runs after its table changed.
TEST_F(Db, RepeatedWritesStoreEveryValueAndSurviveFailuresAndTableChanges)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Vals (Id INTEGER NOT NULL PRIMARY KEY, T VARCHAR(20), E VARCHAR(20), "
                               "N DOUBLE PRECISION, G BIGINT, F SMALLINT, D TIMESTAMP)"));
    const QString insert = QStringLiteral("INSERT INTO Vals (Id, T, E, N, G, F, D) VALUES (?, ?, ?, ?, ?, ?, ?)");
    const QDateTime when(QDate(2024, 3, 1), QTime(8, 5, 9));
    db->ExecSQL(insert, {1, QStringLiteral("Perché € 'x'"), QStringLiteral(""), 1.25, qint64(5000000000), true, when});
    db->ExecSQL(insert, {2, QString(), QStringLiteral("b"), -0.5, 7, false, QVariant()});
    EXPECT_THROW(db->ExecSQL(insert, {1, QStringLiteral("again"), QString(), 0, 0, 0, QVariant()}), EKeyViolation);
    db->ExecSQL(insert, {3, QStringLiteral("three"), QStringLiteral("c"), 3, 3, true, when.addDays(1)});
    db->ExecSQL(insert,
                {9, QStringLiteral("nine"), QStringLiteral("i"), 0.1 + 0.2, -qint64(4000000000), 0, QVariant()});
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT N FROM Vals WHERE Id = ?"), {9}).toDouble(), 0.1 + 0.2);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT G FROM Vals WHERE Id = ?"), {9}).toLongLong(), -4000000000LL);
    EXPECT_EQ(db->ExecSQL(QStringLiteral("DELETE FROM Vals WHERE Id = ?"), {9}), 1);

    QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT T, E, N, G, F FROM Vals WHERE Id = 1"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Perché € 'x'"));
    EXPECT_FALSE(q.value(1).isNull());
    EXPECT_EQ(q.value(1).toString(), QString());
    EXPECT_EQ(q.value(2).toDouble(), 1.25);
    EXPECT_EQ(q.value(3).toLongLong(), 5000000000LL);
    EXPECT_EQ(q.value(4).toInt(), 1);
    EXPECT_TRUE(db->ScalarValue(QStringLiteral("SELECT COALESCE(T, '') FROM Vals WHERE Id = 2")).toString().isEmpty());
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Id FROM Vals WHERE D = ?"), {when}).toInt(), 1);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Vals WHERE D > ") + db->FormatDataSQL(when)).toInt(),
              1);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Vals WHERE D IS NULL")).toInt(), 1);

    const QString update = QStringLiteral("UPDATE Vals SET N = N + ? WHERE F = ?");
    EXPECT_EQ(db->ExecSQL(update, {1, 1}), 2);
    EXPECT_EQ(db->ExecSQL(update, {1, 9}), 0);
    EXPECT_EQ(db->ExecSQL(QStringLiteral("DELETE FROM Vals WHERE Id = ?"), {2}), 1);

    db->ExecSQL(QStringLiteral("ALTER TABLE Vals ADD COLUMN X INTEGER"));
    db->ExecSQL(insert, {4, QStringLiteral("four"), QStringLiteral("d"), 4, 4, false, when});
    EXPECT_EQ(db->ExecSQL(update, {1, 1}), 2);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT SUM(N) FROM Vals")).toDouble(), 1.25 + 2 + 3 + 2 + 4);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Vals WHERE X IS NULL")).toInt(), 3);
}

// The same multi-row text run again and again, in turn with others, after a failed run and
// after the table changed: each run stores its own values of every kind, none of an earlier run.
TEST_F(Db, MultiRowTextsRunInTurnStoreEachRunsOwnValues)
{
    db->ExecSQL(
        QStringLiteral("CREATE TABLE Multi (Id INTEGER NOT NULL PRIMARY KEY, T VARCHAR(40), N DOUBLE PRECISION, "
                       "G BIGINT, D TIMESTAMP)"));
    const QString two = QStringLiteral("INSERT INTO Multi (Id, T, N, G, D) VALUES (?, ?, ?, ?, ?), (?, ?, ?, ?, ?)");
    const QString one = QStringLiteral("INSERT INTO Multi (Id, T, N, G, D) VALUES (?, ?, ?, ?, ?)");
    const QDateTime when(QDate(2024, 2, 29), QTime(23, 59, 58));
    const QList<QVariantList> rows{
        {1, QStringLiteral("àèì € ü"), 1e300, qint64(9007199254740993LL), when},
        {2, QStringLiteral(""), -0.0, -qint64(9223372036854775807LL), QDate(2024, 1, 31)},
        {3, QVariant(), QVariant(), QVariant(), QVariant()},
        {4, QStringLiteral("x"), 2.5, qint64(0), QDateTime(QDate(2023, 12, 31), QTime(0, 0))},
        {5, QString(40, QChar(u'z')), -1e-300, qint64(1), when.addSecs(1)},
        {6, QStringLiteral("ß"), 0.1 + 0.2, qint64(-1), QVariant()},
    };
    db->StartTransaction();
    db->ExecSQL(two, rows[0] + rows[1]);
    db->ExecSQL(one, rows[2]);
    // a failed run of the same text (key 1 again) leaves nothing behind for the next one
    EXPECT_THROW(db->ExecSQL(two, rows[3] + rows[0]), EKeyViolation);
    db->ExecSQL(two, rows[3] + rows[4]);
    db->ExecSQL(QStringLiteral("ALTER TABLE Multi ADD COLUMN X INTEGER"));
    db->ExecSQL(two, rows[5] + QVariantList{7, QStringLiteral("sette"), 7, 7, when});
    db->Commit();

    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Multi")).toInt(), 7);
    for (const QVariantList &r : rows) {
        QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT T, N, G, D FROM Multi WHERE Id = ?"), {r[0]});
        ASSERT_TRUE(q.next()) << r[0].toInt();
        EXPECT_EQ(q.value(0).isNull(), r[1].toString().isNull()) << r[0].toInt();
        EXPECT_EQ(q.value(0).toString(), r[1].toString()) << r[0].toInt();
        EXPECT_EQ(q.value(1).isNull(), r[2].isNull()) << r[0].toInt();
        EXPECT_EQ(q.value(1).toDouble(), r[2].toDouble()) << r[0].toInt();
        EXPECT_EQ(q.value(2).isNull(), r[3].isNull()) << r[0].toInt();
        EXPECT_EQ(q.value(2).toLongLong(), r[3].toLongLong()) << r[0].toInt();
        EXPECT_EQ(q.value(3).isNull(), r[4].isNull()) << r[0].toInt();
        EXPECT_EQ(AsDate(q.value(3)), r[4].toDateTime()) << r[0].toInt();
    }
    if (!db->IsPostgres()) {
        // stored types as a single-row write stores them
        EXPECT_EQ(
            db->ScalarValue(QStringLiteral("SELECT group_concat(typeof(T) || typeof(N) || typeof(G) || typeof(D), ',') "
                                           "FROM (SELECT * FROM Multi ORDER BY Id)"))
                .toString(),
            QStringLiteral("textrealintegertext,textrealintegertext,nullnullnullnull,textrealintegertext,"
                           "textrealintegertext,textrealintegernull,textrealintegertext"));
    }
}

// Values written again and again among others (as a document's rows repeat its dates and
// small whole numbers): each row keeps its own, the same instant given in UTC included.
TEST_F(Db, RepeatedValuesAmongOthersKeepEachRowsOwn)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Rip (Id INTEGER NOT NULL PRIMARY KEY, N DOUBLE PRECISION, T VARCHAR(20), "
                               "D TIMESTAMP)"));
    const QDateTime base(QDate(2024, 3, 1), QTime(0, 0));
    const QList<double> numeri{0, -0.0, 99999, -99999, 100000, 1e15, 1e20, 2.5, -0.125, 123456789};
    const QStringList testi{QStringLiteral("a"), QStringLiteral("l'oca"), QStringLiteral("c:\\d"), QString()};
    db->StartTransaction();
    for (int i = 0; i < 30; ++i)
        db->ExecSQL(QStringLiteral("INSERT INTO Rip (Id, N, T, D) VALUES (?, ?, ?, ?)"),
                    {i, numeri[i % numeri.size()], testi[i % testi.size()], base.addDays(i % 7)});
    db->Commit();
    for (int i = 0; i < 30; ++i) {
        QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT N, T, D FROM Rip WHERE Id = ?"), {i});
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toDouble(), numeri[i % numeri.size()]) << i;
        EXPECT_EQ(q.value(1).toString(), testi[i % testi.size()]) << i;
        EXPECT_EQ(q.value(2).toDateTime(), base.addDays(i % 7)) << i;
    }
    // the same instant in another form, after the local one: stored as the same time
    db->ExecSQL(QStringLiteral("INSERT INTO Rip (Id, D) VALUES (?, ?)"), {40, base.addDays(2)});
    db->ExecSQL(QStringLiteral("INSERT INTO Rip (Id, D) VALUES (?, ?)"), {41, base.addDays(2).toUTC()});
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Rip WHERE D = ?"), {base.addDays(2)}).toInt(), 6);
}

TEST_F(Db, HostileTextSurvivesQuotingAndBinding)
{
    const QString hostile = QStringLiteral("O'Brien'; DROP TABLE Prot; -- \\ ? :x \"q\"");
    db->ExecSQL(QStringLiteral("INSERT INTO Prot (Id, Codice) VALUES (1, %1)").arg(XWideQuotedStr(hostile)));
    Insert(2, hostile);
    EXPECT_EQ(XWideQuotedStr(QStringLiteral("a'b")), QStringLiteral("'a''b'"));

    EXPECT_TRUE(db->TableExists(QStringLiteral("Prot")));
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Codice FROM Prot WHERE Id = 1")).toString(), hostile);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Codice FROM Prot WHERE Id = 2")).toString(), hostile);
    EXPECT_EQ(Count(QStringLiteral("Codice = ") + XWideQuotedStr(hostile)), 2);
    EXPECT_EQ(Count(QStringLiteral("Codice = ?"), {hostile}), 2);
}

// Texts bound again and again through the same statement (short, long, accented, empty, one
// that reads as a number, true and false) are stored as their literals would be: same value,
// and on SQLite the same stored type, the numeric column turning the numeric text into a number.
TEST_F(Db, BoundValuesAreStoredAsTheirLiterals)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Lit (Id INTEGER NOT NULL PRIMARY KEY, T VARCHAR(2000), N %1, B SMALLINT)")
                    .arg(db->IsPostgres() ? QStringLiteral("VARCHAR(2000)") : QStringLiteral("DOUBLE PRECISION")));
    const QStringList texts{
        QStringLiteral("abc"),      QString(1500, u'x'),    QStringLiteral("à") + QString(1100, u'a'),
        QString(QLatin1String("")), QStringLiteral("1.50"), QStringLiteral("Perché"),
        QStringLiteral("0012")};
    const QString insert = QStringLiteral("INSERT INTO Lit (Id, T, N, B) VALUES (?, ?, ?, ?)");
    db->StartTransaction();
    for (int i = 0; i < texts.size(); ++i) {
        db->ExecSQL(insert, {i, texts[i], texts[i], i % 2 == 0});
        db->ExecSQL(QStringLiteral("INSERT INTO Lit (Id, T, N, B) VALUES (%1, %2, %2, %3)")
                        .arg(i + 100)
                        .arg(XWideQuotedStr(texts[i]))
                        .arg(i % 2 == 0 ? 1 : 0));
    }
    db->Commit();
    const QString sameType = db->IsPostgres()
                                 ? QString()
                                 : QStringLiteral(" AND typeof(a.T) = typeof(b.T) AND typeof(a.N) = typeof(b.N)"
                                                  " AND typeof(a.B) = typeof(b.B)");
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Lit a JOIN Lit b ON b.Id = a.Id + 100 "
                                             "WHERE a.T = b.T AND a.N = b.N AND a.B = b.B")
                              + sameType)
                  .toInt(),
              texts.size());
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT T FROM Lit WHERE Id = ?"), {i}).toString(), texts[i]) << i;
    // one statement binding many long texts: each row keeps its own
    QStringList marks;
    QVariantList many;
    for (int i = 0; i < 60; ++i) {
        marks << QStringLiteral("(?, ?)");
        many << 1000 + i << QString(1000, QChar(u'a' + i % 26)) + QString::number(i);
    }
    db->ExecSQL(QStringLiteral("INSERT INTO Lit (Id, T) VALUES ") + marks.join(QStringLiteral(", ")), many);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT T FROM Lit WHERE Id = ?"), {1000 + i}), many[2 * i + 1]) << i;
    if (!db->IsPostgres()) {
        EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT typeof(N) FROM Lit WHERE Id = 4")).toString(),
                  QStringLiteral("real"));
        EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT typeof(T) FROM Lit WHERE Id = 6")).toString(),
                  QStringLiteral("text"));
    }
}

TEST_F(Db, DatesThroughParametersCompareWithLiterals)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Mov (Id INTEGER NOT NULL PRIMARY KEY, Data %1 NULL)")
                    .arg(db->IsPostgres() ? QStringLiteral("TIMESTAMP") : QStringLiteral("DATETIME")));
    const QDate day(2024, 1, 5);
    const QDateTime midnight(day, QTime(0, 0));
    const QDateTime morning(day, QTime(10, 30, 15, 250)); // milliseconds are not stored
    const QDateTime next(day.addDays(1), QTime(0, 0));
    const QString insert = QStringLiteral("INSERT INTO Mov (Id, Data) VALUES (?, ?)");
    db->ExecSQL(insert, {1, midnight});
    db->ExecSQL(insert, {2, morning});
    db->ExecSQL(insert, {3, next});
    db->ExecSQL(insert, {4, QDateTime()});
    db->ExecSQL(insert, {5, QVariant(day.addDays(-1))}); // a QDate: midnight of that day

    const auto count = [&](const QString &where) {
        return db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Mov WHERE ") + where).toInt();
    };
    EXPECT_EQ(count(QStringLiteral("Data IS NULL")), 1);
    EXPECT_EQ(count(QStringLiteral("Data >= ") + db->FormatDataSQL(day)), 3);
    EXPECT_EQ(count(QStringLiteral("Data < ") + db->FormatDataSQL(day.addDays(1))), 3);
    EXPECT_EQ(count(QStringLiteral("Data = ") + db->FormatDataSQL(day)), 1);
    EXPECT_EQ(count(QStringLiteral("Data > ") + db->FormatDataSQL(day)), 2);
    EXPECT_EQ(count(QStringLiteral("Data = ") + db->FormatDataSQL(morning)), 1);
    EXPECT_EQ(count(QStringLiteral("Data > ") + db->FormatDataSQL(morning)), 1);
    EXPECT_EQ(count(QStringLiteral("Data < ") + db->FormatDataSQL(QDateTime(day, QTime(10, 30, 14)))), 2);
    EXPECT_EQ(count(QStringLiteral("Data = ") + db->FormatDataSQL(day.addDays(-1))), 1);
    // dates as parameters against stored dates
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Mov WHERE Data >= ? AND Data < ?"),
                              {QDateTime(day, QTime(0, 0)), day.addDays(1)})
                  .toInt(),
              2);

    const QDateTime stored = AsDate(db->ScalarValue(QStringLiteral("SELECT Data FROM Mov WHERE Id = 2")));
    EXPECT_EQ(stored, QDateTime(day, QTime(10, 30, 15)));
    EXPECT_EQ(db->FormatDataSQL(QDateTime()), QStringLiteral("NULL"));
}

TEST_F(Db, PlaceholdersAndQueries)
{
    Insert(1, QStringLiteral("a"));
    Insert(2, QStringLiteral("b"));
    Insert(3, QStringLiteral("a"));
    // a named value used twice is given once
    EXPECT_EQ(Count(QStringLiteral("(Codice = :cod OR Id = :id) AND Codice = :COD"), {QStringLiteral("a"), 2}), 2);
    EXPECT_THROW(Count(QStringLiteral("Codice = ?"), {}), EDatabaseError);
    EXPECT_FALSE(db->ScalarValue(QStringLiteral("SELECT Id FROM Prot WHERE Id = 99")).isValid());
    EXPECT_EQ(db->ExecSQL(QStringLiteral("UPDATE Prot SET Valore = ? WHERE Codice = ?"), {true, QStringLiteral("a")}),
              2);
    EXPECT_EQ(Count(QStringLiteral("Valore = 1")), 2);

    // Two readings of one text and writes in between: neither reading loses rows.
    const QString text = QStringLiteral("SELECT Id FROM Prot ORDER BY Id");
    QSqlQuery outer = db->OpenQuery(text);
    QList<int> seen;
    while (outer.next()) {
        seen.append(outer.value(0).toInt());
        QSqlQuery inner = db->OpenQuery(text);
        int innerRows = 0;
        while (inner.next())
            ++innerRows;
        EXPECT_EQ(innerRows, 3);
        db->ExecSQL(QStringLiteral("UPDATE Prot SET Valore = Valore + 1 WHERE Id = ?"), {seen.last()});
    }
    EXPECT_EQ(seen, (QList<int>{1, 2, 3}));
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT SUM(Valore) FROM Prot")).toDouble(), 5.0);

    // a prepared SELECT * keeps working after its table gains a column
    EXPECT_EQ(db->OpenQuery(QStringLiteral("SELECT * FROM Prot WHERE Id = 1")).record().count(), 3);
    db->ExecSQL(QStringLiteral("ALTER TABLE Prot ADD COLUMN Extra INTEGER NULL"));
    db->StartTransaction();
    QSqlQuery after = db->OpenQuery(QStringLiteral("SELECT * FROM Prot WHERE Id = 1"));
    EXPECT_TRUE(after.next());
    EXPECT_EQ(after.record().count(), 4);
    Insert(4);
    db->Commit();
    EXPECT_EQ(Count(), 4);
}

TEST_F(Db, CatalogueIgnoresCase)
{
    EXPECT_TRUE(db->TableExists(QStringLiteral("prot")));
    EXPECT_TRUE(db->TableExists(QStringLiteral("PROT")));
    EXPECT_FALSE(db->TableExists(QStringLiteral("Missing")));
    EXPECT_FALSE(db->TableExists(QStringLiteral("Prot; DROP TABLE Prot")));
    QStringList columns = db->ColumnNames(QStringLiteral("PROT"));
    for (QString &c : columns)
        c = c.toLower();
    EXPECT_EQ(columns, (QStringList{QStringLiteral("id"), QStringLiteral("codice"), QStringLiteral("valore")}));
    EXPECT_TRUE(db->ColumnNames(QStringLiteral("Missing")).isEmpty());
}

TEST_F(Db, KeysNeverRepeatAcrossConnections)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Doc (IdDoc INTEGER NOT NULL PRIMARY KEY, Origine INTEGER NOT NULL)"));
    db->ExecSQL(QStringLiteral("INSERT INTO Doc (IdDoc, Origine) VALUES (41, 0)"));
    auto other = testDb.Connect();
    EXPECT_EQ(db->NewKey(QStringLiteral("Doc"), QStringLiteral("IdDoc")), 42); // above the stored maximum
    EXPECT_EQ(other->NewKey(QStringLiteral("doc"), QStringLiteral("IDDOC")), 43);
    EXPECT_THROW(db->NewKey(QStringLiteral("Doc; --"), QStringLiteral("IdDoc")), EDatabaseError);

    // two connections on two threads drawing keys and inserting with them
    constexpr int perThread = 60;
    std::vector<std::string> failures;
    std::mutex failuresLock;
    const auto work = [&](int origin) {
        try {
            auto conn = testDb.Connect();
            for (int i = 0; i < perThread; ++i) {
                const bool inTransaction = i % 3 == 0;
                if (inTransaction)
                    conn->StartTransaction();
                const qint64 key = conn->NewKey(QStringLiteral("Doc"), QStringLiteral("IdDoc"));
                conn->ExecSQL(QStringLiteral("INSERT INTO Doc (IdDoc, Origine) VALUES (?, ?)"), {key, origin});
                if (inTransaction)
                    conn->Commit();
            }
        } catch (const std::exception &e) {
            std::lock_guard lock(failuresLock);
            failures.emplace_back(e.what());
        }
    };
    std::thread a(work, 1);
    std::thread b(work, 2);
    a.join();
    b.join();
    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(DISTINCT IdDoc) FROM Doc WHERE Origine > 0")).toInt(),
              2 * perThread);
    EXPECT_GT(db->NewKey(QStringLiteral("Doc"), QStringLiteral("IdDoc")),
              db->ScalarValue(QStringLiteral("SELECT MAX(IdDoc) FROM Doc")).toLongLong());
}

TEST_F(Db, KeysDrawnInATransactionAreUniqueAndOnSQLiteFollowOnWithoutGaps)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Doc (IdDoc INTEGER NOT NULL PRIMARY KEY)"));
    const QString t = QStringLiteral("Doc"), c = QStringLiteral("IdDoc");
    const qint64 first = db->NewKey(t, c);
    auto other = testDb.Connect();
    if (db->IsPostgres()) {
        // taken in blocks: never one another connection gets, each above the one before
        QSet<qint64> seen;
        qint64 last = first;
        db->StartTransaction();
        for (int i = 0; i < 40; ++i) {
            const qint64 key = db->NewKey(t, c);
            EXPECT_GT(key, last);
            last = key;
            seen.insert(key);
            if (i % 9 == 0)
                seen.insert(other->NewKey(t, c));
        }
        db->Commit();
        EXPECT_EQ(seen.size(), 45);
        EXPECT_GT(db->NewKey(t, c), last);
        return;
    }
    db->StartTransaction();
    for (qint64 i = 1; i <= 20; ++i) // more than one block of keys
        EXPECT_EQ(db->NewKey(t, c), first + i);
    db->Rollback(); // the keys drawn are free again
    db->StartTransaction();
    for (qint64 i = 1; i <= 5; ++i)
        EXPECT_EQ(db->NewKey(t, c), first + i);
    db->Commit();
    EXPECT_EQ(db->NewKey(t, c), first + 6);
    EXPECT_EQ(other->NewKey(t, c), first + 7);
}

// Keys of two columns drawn by turns in one transaction: each column its own run, as when
// drawn one column at a time, however the names are spelt.
TEST_F(Db, KeysOfColumnsDrawnByTurnsEachFollowTheirOwnRun)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Doc (IdDoc INTEGER NOT NULL PRIMARY KEY)"));
    db->ExecSQL(QStringLiteral("CREATE TABLE Riga (IdRiga INTEGER NOT NULL PRIMARY KEY)"));
    db->ExecSQL(QStringLiteral("INSERT INTO Riga (IdRiga) VALUES (500)"));
    const QString doc = QStringLiteral("Doc"), idDoc = QStringLiteral("IdDoc");
    const QString riga = QStringLiteral("Riga"), idRiga = QStringLiteral("IdRiga");
    const qint64 primoDoc = db->NewKey(doc, idDoc), primaRiga = db->NewKey(riga, idRiga);
    EXPECT_GT(primaRiga, 500);
    QSet<qint64> docs, righe;
    db->StartTransaction();
    for (int i = 0; i < 40; ++i) {
        const qint64 d =
            i % 5 == 4 ? db->NewKey(QStringLiteral("DOC"), QStringLiteral("iddoc")) : db->NewKey(doc, idDoc);
        EXPECT_GT(d, primoDoc);
        EXPECT_LT(d, primaRiga);
        docs.insert(d);
        for (int k = 0; k < 3; ++k) {
            const qint64 r = db->NewKey(riga, idRiga);
            EXPECT_GT(r, primaRiga);
            righe.insert(r);
        }
    }
    db->Commit();
    EXPECT_EQ(docs.size(), 40);
    EXPECT_EQ(righe.size(), 120);
    if (!db->IsPostgres()) {
        EXPECT_EQ(*std::max_element(docs.cbegin(), docs.cend()), primoDoc + 40);
        EXPECT_EQ(*std::max_element(righe.cbegin(), righe.cend()), primaRiga + 120);
    }
    EXPECT_GT(db->NewKey(riga, idRiga), *std::max_element(righe.cbegin(), righe.cend()));
}

// Keys reserved for a batch are drawn in one statement, those still in hand first, and handed
// out in order; another connection's keys never among them; on SQLite the unused ones go back.
TEST_F(Db, ReservedKeysAreDrawnInOneStatement)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Doc (IdDoc INTEGER NOT NULL PRIMARY KEY)"));
    const QString t = QStringLiteral("Doc"), c = QStringLiteral("IdDoc");
    const qint64 first = db->NewKey(t, c);
    auto other = testDb.Connect();
    db->StartTransaction();
    EXPECT_EQ(db->KeysInHand(t, c), 0);
    const qint64 second = db->NewKey(t, c); // a block of one
    db->ReserveKeys(QStringLiteral("DOC"), QStringLiteral("iddoc"), 300);
    const quint64 before = db->StatementCount();
    QSet<qint64> keys{second};
    qint64 last = second;
    for (int i = 0; i < 300; ++i) {
        const qint64 key = db->NewKey(t, c);
        EXPECT_GT(key, last);
        last = key;
        keys.insert(key);
        if (i == 0) {
            EXPECT_EQ(db->KeysInHand(t, c), 299);
        }
    }
    EXPECT_EQ(db->StatementCount() - before, 1u);
    EXPECT_EQ(db->KeysInHand(t, c), 0);
    if (db->IsPostgres()) {
        const qint64 others = other->NewKey(t, c);
        EXPECT_FALSE(keys.contains(others));
        EXPECT_GT(others, first);
    }
    db->ReserveKeys(t, c, 50);
    db->NewKey(t, c);
    db->Commit();
    EXPECT_EQ(db->KeysInHand(t, c), 0) << "nothing in hand outside a transaction";
    if (!db->IsPostgres()) {
        EXPECT_EQ(last, first + 301) << "on SQLite the keys follow on";
        EXPECT_EQ(other->NewKey(t, c), last + 2) << "the 49 reserved and unused given back";
    }
}

// A period's end at the last millisecond of its day takes in what another program stored by SQL
// within the day's last second, through a parameter and through a literal.
TEST_F(Db, TheEndOfADayTakesInItsLastSecond)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE Mov (Id INTEGER NOT NULL PRIMARY KEY, Data %1 NULL)")
                    .arg(db->IsPostgres() ? QStringLiteral("TIMESTAMP") : QStringLiteral("DATETIME")));
    db->ExecSQL(QStringLiteral("INSERT INTO Mov (Id, Data) VALUES (1, '2024-01-05 23:59:59.750'), "
                               "(2, '2024-01-06 00:00:00'), (3, '2024-01-05 08:00:00')"));
    const QDateTime fine(QDate(2024, 1, 5), QTime(23, 59, 59, 999));
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Mov WHERE Data <= ?"), {fine}).toInt(), 2);
    EXPECT_EQ(
        db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Mov WHERE Data <= ") + db->FormatDataSQL(fine)).toInt(),
        2);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Mov WHERE Data > ?"), {fine}).toInt(), 1);
}

TEST_F(Db, ValuesToTheEngine)
{
    EXPECT_EQ(db->ToDb(true), QVariant(1));
    EXPECT_TRUE(db->ToDb(QDateTime()).isNull());
    EXPECT_TRUE(db->ToDb(QDate()).isNull());
    EXPECT_EQ(db->ToDb(QStringLiteral("x")), QVariant(QStringLiteral("x")));
    if (db->IsPostgres()) {
        EXPECT_EQ(db->FormatDataSQL(QDateTime(QDate(2024, 3, 1), QTime(8, 5, 9))),
                  QStringLiteral("'2024-03-01 08:05:09'::timestamp"));
    } else {
        EXPECT_EQ(db->ToDb(QDateTime(QDate(2024, 3, 1), QTime(8, 5, 9, 900))),
                  QVariant(QStringLiteral("2024-03-01 08:05:09")));
        EXPECT_EQ(db->FormatDataSQL(QDate(2024, 3, 1)), QStringLiteral("'2024-03-01 00:00:00'"));
    }
}

// A text already run by another connection is run as translated for this one's engine and
// this one's schema.
TEST_F(Db, TextsRunBeforeByOtherConnectionsTranslateForThisOne)
{
    // the same texts on a SQLite connection beside the test's (PostgreSQL on a postgres run)
    QTemporaryDir dir;
    TXDatabase lite(QStringLiteral("kv8_test_lite_beside"),
                    QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("x.db")));
    const QDateTime now = QDateTime::currentDateTime();
    const auto near = [&](const QVariant &v) { return std::abs(AsDate(v).secsTo(now)) < 3600; };
    EXPECT_TRUE(near(lite.ScalarValue(QStringLiteral("SELECT GETDATE()"))));
    EXPECT_TRUE(near(db->ScalarValue(QStringLiteral("SELECT GETDATE()"))));
    EXPECT_TRUE(near(db->ScalarValue(QStringLiteral("SELECT GETDATE() AS Ora"))));
    EXPECT_TRUE(near(lite.ScalarValue(QStringLiteral("SELECT GETDATE() AS Ora"))));

    // a default given to a column added again with another type in another database
    const QString tabella = QStringLiteral("CREATE TABLE Giro (Id INTEGER NOT NULL PRIMARY KEY)");
    const QString predefinito = QStringLiteral("ALTER TABLE [dbo].[Giro] WITH NOCHECK ADD CONSTRAINT [DF_Giro_Qta] "
                                               "DEFAULT (5) FOR [Qta]");
    db->ExecSQL(tabella);
    db->ExecSQL(QStringLiteral("ALTER TABLE [dbo].[Giro] ADD [Qta] VARCHAR(10) NULL"));
    db->ExecSQL(predefinito);
    TestDb altro;
    auto other = altro.Connect();
    other->ExecSQL(tabella);
    other->ExecSQL(QStringLiteral("ALTER TABLE [dbo].[Giro] ADD [Qta] INTEGER NULL"));
    other->ExecSQL(predefinito);
    other->ExecSQL(QStringLiteral("INSERT INTO Giro (Id) VALUES (1)"));
    other->ExecSQL(QStringLiteral("INSERT INTO Giro (Id, Qta) VALUES (2, ?), (3, ?)"),
                   {QStringLiteral("10"), QStringLiteral("9")});
    // numbers, in the order of numbers
    EXPECT_EQ(other->ScalarValue(QStringLiteral("SELECT Qta FROM Giro WHERE Id = 1")).toInt(), 5);
    EXPECT_EQ(other->ScalarValue(QStringLiteral("SELECT Id FROM Giro WHERE Id > 1 ORDER BY Qta")).toInt(), 3);
}
TEST_F(Db, ReadAllGivesEveryRowOnceAndFailsClearly)
{
    for (int id = 1; id <= 5; ++id)
        db->ExecSQL(QStringLiteral("INSERT INTO Prot (Id, Codice, Valore) VALUES (?, ?, ?)"),
                    {id, id == 4 ? QStringLiteral("x") : QString::number(id * 10), id * 1.5});
    const auto read = [&](const QString &sql, const QVariantList &params) {
        QStringList columns;
        QList<QVariantList> rows;
        db->ReadAll(
            sql, params,
            [&](const QSqlRecord &r) {
                for (int i = 0; i < r.count(); ++i)
                    columns << r.fieldName(i).toLower();
            },
            [&](QSqlQuery &q) {
                QVariantList row;
                for (int i = 0; i < columns.size(); ++i)
                    row << q.value(i);
                rows << row;
            });
        return std::pair(columns, rows);
    };
    // the same text twice (the second time prepared), then after its table gained a column
    for (int round = 0; round < 2; ++round) {
        const auto [columns, rows] = read(QStringLiteral("SELECT * FROM Prot WHERE Id >= ? ORDER BY Id"), {2});
        EXPECT_EQ(columns, (QStringList{"id", "codice", "valore"}));
        ASSERT_EQ(rows.size(), 4);
        EXPECT_EQ(rows[0][0].toInt(), 2);
        EXPECT_EQ(rows[2][1].toString(), QStringLiteral("x"));
        EXPECT_DOUBLE_EQ(rows[3][2].toDouble(), 7.5);
    }
    db->ExecSQL(QStringLiteral("ALTER TABLE Prot ADD COLUMN Nota VARCHAR(10) NULL"));
    const auto [columns, rows] = read(QStringLiteral("SELECT * FROM Prot WHERE Id >= ? ORDER BY Id"), {2});
    EXPECT_EQ(columns.size(), 4);
    EXPECT_EQ(rows.size(), 4);
    EXPECT_TRUE(read(QStringLiteral("SELECT Id FROM Prot WHERE Id > 99"), {}).second.isEmpty());
    if (testDb.IsPostgres()) {
        // a value the server cannot convert, after some rows were given: an error, and the
        // connection goes on
        EXPECT_THROW(read(QStringLiteral("SELECT CAST(Codice AS INTEGER) FROM Prot ORDER BY Id"), {}), EDatabaseError);
        EXPECT_EQ(Count(), 5);
    }
}

TEST(DMIDataBases, NamesIgnoreCaseAndLocalDatabaseIsMadeOnDemand)
{
    TestDb testDb;
    KV8_REQUIRE_DB(testDb);
    DMIDataBases &dbs = DMIDataBases::Instance();
    TXDatabase &global = dbs.Open(QStringLiteral("GlobalDatabase"), testDb.Url());
    EXPECT_EQ(&dbs.Database(QStringLiteral("globaldatabase")), &global);
    EXPECT_EQ(&dbs.Global(), &global);
    EXPECT_TRUE(dbs.Has(QStringLiteral("GLOBALDATABASE")));
    EXPECT_THROW(dbs.Database(QStringLiteral("Nowhere")), EDatabaseError);
    EXPECT_THROW(dbs.Open(QStringLiteral("GlobalDatabase"), QStringLiteral("mysql://x")), EDatabaseError);
    EXPECT_EQ(&dbs.Global(), &global); // a failed reopen keeps the open connection

    TXDatabase &local = dbs.Local();
    EXPECT_EQ(local.Engine(), DbEngine::SQLite);
    EXPECT_EQ(&dbs.Database(QStringLiteral("LOCALDATABASE")), &local);
    local.ExecSQL(QStringLiteral("CREATE TABLE IF NOT EXISTS Work (A INTEGER)"));
    local.ExecSQL(QStringLiteral("INSERT INTO Work (A) VALUES (1)"));
    const QString path = local.Url().mid(QStringLiteral("sqlite:").size());
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();

    dbs.Close(QStringLiteral("globaldatabase"));
    EXPECT_FALSE(dbs.Has(QStringLiteral("GlobalDatabase")));
}

TEST(DMIDataBases, CompanyDatabaseUrlPrecedence)
{
    const QByteArray saved = qgetenv("KV8_DATABASE");
    qputenv("KV8_DATABASE", "sqlite:env.db");
    EXPECT_EQ(
        CompanyDatabaseUrl({QStringLiteral("kv8"), QStringLiteral("--database"), QStringLiteral("sqlite:arg.db")}),
        QStringLiteral("sqlite:arg.db"));
    EXPECT_EQ(CompanyDatabaseUrl({QStringLiteral("kv8"), QStringLiteral("--database=postgresql://u@h/c")}),
              QStringLiteral("postgresql://u@h/c"));
    EXPECT_EQ(CompanyDatabaseUrl({QStringLiteral("kv8"), QStringLiteral("db"), QStringLiteral("create")}),
              QStringLiteral("sqlite:env.db"));
    qunsetenv("KV8_DATABASE");
    EXPECT_EQ(CompanyDatabaseUrl({QStringLiteral("kv8")}), QString());
    EXPECT_EQ(CompanyDatabaseUrl({QStringLiteral("kv8"), QStringLiteral("--database")}), QString());
    if (!saved.isNull())
        qputenv("KV8_DATABASE", saved);
}
