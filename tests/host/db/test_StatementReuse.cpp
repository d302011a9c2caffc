// Readings of one text opened again and again: each from its first row with its own values,
// none holding back what other connections write, and a reading of '*' taking the columns
// added since, by this connection or another, inside a transaction or after its rollback.
#include "host/db/TXDatabase.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

class Reuse : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(testDb);
        db = testDb.Connect();
        db->ExecSQL(QStringLiteral("CREATE TABLE Art (Id INTEGER NOT NULL PRIMARY KEY, "
                                   "Codice VARCHAR(20) NOT NULL DEFAULT '', Qta DOUBLE PRECISION NOT NULL DEFAULT 0)"));
        for (int id = 1; id <= 5; ++id)
            db->ExecSQL(QStringLiteral("INSERT INTO Art (Id, Codice, Qta) VALUES (?, ?, ?)"),
                        {id, QStringLiteral("C%1").arg(id), id * 1.5});
    }

    static QList<int> Rest(QSqlQuery &q)
    {
        QList<int> ids;
        while (q.next())
            ids << q.value(0).toInt();
        return ids;
    }

    QList<int> Ids(TXDatabase &on, const QString &sql, const QVariantList &params = {})
    {
        QSqlQuery q = on.OpenQuery(sql, params);
        return Rest(q);
    }

    TestDb testDb;
    std::unique_ptr<TXDatabase> db;
};

const QString kFrom = QStringLiteral("SELECT Id FROM Art WHERE Id >= ? ORDER BY Id");
const QString kStar = QStringLiteral("SELECT * FROM Art WHERE Id = ?");

} // namespace

TEST_F(Reuse, EachReadingStartsAtItsFirstRowWithItsOwnValues)
{
    EXPECT_EQ(Ids(*db, kFrom, {4}), (QList<int>{4, 5}));
    EXPECT_EQ(Ids(*db, kFrom, {2}), (QList<int>{2, 3, 4, 5}));

    // one left halfway, then the same text again
    {
        QSqlQuery part = db->OpenQuery(kFrom, {1});
        ASSERT_TRUE(part.next());
        ASSERT_TRUE(part.next());
        EXPECT_EQ(part.value(0).toInt(), 2);
    }
    EXPECT_EQ(Ids(*db, kFrom, {1}), (QList<int>{1, 2, 3, 4, 5}));

    // three of one text held at once and read in turns, each with its values
    QSqlQuery a = db->OpenQuery(kFrom, {5});
    QSqlQuery b = db->OpenQuery(kFrom, {3});
    QSqlQuery c = db->OpenQuery(kFrom, {4});
    ASSERT_TRUE(b.next());
    ASSERT_TRUE(a.next());
    ASSERT_TRUE(c.next());
    EXPECT_EQ(b.value(0).toInt(), 3);
    EXPECT_EQ(a.value(0).toInt(), 5);
    EXPECT_EQ(c.value(0).toInt(), 4);
    EXPECT_FALSE(a.next());
    EXPECT_EQ(Rest(b), (QList<int>{4, 5}));
    EXPECT_EQ(Rest(c), (QList<int>{5}));

    // a reading moved to another object goes on; one read to its end reads nothing more
    QSqlQuery moved = db->OpenQuery(kFrom, {3});
    ASSERT_TRUE(moved.next());
    QSqlQuery holder(std::move(moved));
    EXPECT_EQ(Rest(holder), (QList<int>{4, 5}));
    EXPECT_FALSE(holder.next());

    // the table made again by another connection, its columns in another order
    auto other = testDb.Connect();
    other->ExecSQL(QStringLiteral("DROP TABLE Art"));
    other->ExecSQL(
        QStringLiteral("CREATE TABLE Art (Codice VARCHAR(20) NOT NULL DEFAULT '', Id INTEGER NOT NULL PRIMARY KEY)"));
    other->ExecSQL(QStringLiteral("INSERT INTO Art (Codice, Id) VALUES ('a', 10), ('b', 11)"));
    EXPECT_EQ(Ids(*db, kFrom, {1}), (QList<int>{10, 11}));

    // a text whose table is gone fails, and reads again once the table is back
    other->ExecSQL(QStringLiteral("DROP TABLE Art"));
    EXPECT_THROW(db->OpenQuery(kFrom, {1}), EDatabaseError);
    other->ExecSQL(QStringLiteral("CREATE TABLE Art (Id INTEGER NOT NULL PRIMARY KEY)"));
    other->ExecSQL(QStringLiteral("INSERT INTO Art (Id) VALUES (20)"));
    EXPECT_EQ(Ids(*db, kFrom, {1}), (QList<int>{20}));
}

TEST_F(Reuse, ReadingLeftHalfwayHoldsBackNoWriteOfOthers)
{
    auto other = testDb.Connect();
    const QString all = QStringLiteral("SELECT Id FROM Art ORDER BY Id");
    {
        QSqlQuery part = db->OpenQuery(all);
        ASSERT_TRUE(part.next());
    }
    other->ExecSQL(QStringLiteral("INSERT INTO Art (Id) VALUES (6)"));
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Art")).toInt(), 6);
    EXPECT_EQ(Ids(*db, all).size(), 6);

    // a scan read to its end likewise
    EXPECT_EQ(Ids(*db, all).size(), 6);
    other->ExecSQL(QStringLiteral("DELETE FROM Art WHERE Id = 1"));
    EXPECT_EQ(Ids(*db, all), (QList<int>{2, 3, 4, 5, 6}));
}

TEST_F(Reuse, ReadingOfStarTakesColumnsAddedSince)
{
    {
        QSqlQuery q = db->OpenQuery(kStar, {1});
        EXPECT_EQ(q.record().count(), 3);
    }
    // added by another connection
    auto other = testDb.Connect();
    other->ExecSQL(QStringLiteral("ALTER TABLE Art ADD COLUMN Nota VARCHAR(10) NOT NULL DEFAULT 'x'"));
    other->ExecSQL(QStringLiteral("ALTER TABLE Art ADD COLUMN Peso DOUBLE PRECISION NOT NULL DEFAULT 2.5"));
    for (int round = 0; round < 2; ++round) {
        QSqlQuery q = db->OpenQuery(kStar, {2});
        ASSERT_TRUE(q.next());
        ASSERT_EQ(q.record().count(), 5);
        EXPECT_EQ(q.value(1).toString(), QStringLiteral("C2"));
        EXPECT_EQ(q.value(3).toString(), QStringLiteral("x"));
        EXPECT_DOUBLE_EQ(q.value(4).toDouble(), 2.5);
    }

    // inside a transaction of this connection, and after its rollback
    db->StartTransaction();
    db->ExecSQL(QStringLiteral("ALTER TABLE Art ADD COLUMN Lotto VARCHAR(10) NOT NULL DEFAULT 'L'"));
    {
        QSqlQuery q = db->OpenQuery(kStar, {3});
        ASSERT_TRUE(q.next());
        ASSERT_EQ(q.record().count(), 6);
        EXPECT_EQ(q.value(5).toString(), QStringLiteral("L"));
    }
    db->Rollback();
    {
        QSqlQuery q = db->OpenQuery(kStar, {3});
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.record().count(), 5);
    }

    // a transaction that took a column away and was undone, then a column added for good
    db->StartTransaction();
    db->ExecSQL(QStringLiteral("ALTER TABLE Art DROP COLUMN Peso"));
    {
        QSqlQuery q = db->OpenQuery(kStar, {4});
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.record().count(), 4);
    }
    db->Rollback();
    other->ExecSQL(QStringLiteral("ALTER TABLE Art ADD COLUMN Lotto VARCHAR(10) NOT NULL DEFAULT 'M'"));
    QSqlQuery q = db->OpenQuery(kStar, {4});
    ASSERT_TRUE(q.next());
    ASSERT_EQ(q.record().count(), 6);
    EXPECT_DOUBLE_EQ(q.value(4).toDouble(), 2.5);
    EXPECT_EQ(q.value(5).toString(), QStringLiteral("M"));
}

TEST_F(Reuse, ReadingsSeeTheTransactionAndWhatItLeft)
{
    db->StartTransaction();
    db->ExecSQL(QStringLiteral("INSERT INTO Art (Id) VALUES (7)"));
    EXPECT_EQ(Ids(*db, kFrom, {6}), (QList<int>{7}));
    db->Rollback();
    EXPECT_TRUE(Ids(*db, kFrom, {6}).isEmpty());
    db->StartTransaction();
    db->ExecSQL(QStringLiteral("INSERT INTO Art (Id) VALUES (8)"));
    EXPECT_EQ(Ids(*db, kFrom, {6}), (QList<int>{8}));
    db->Commit();
    EXPECT_EQ(Ids(*db, kFrom, {6}), (QList<int>{8}));
}
