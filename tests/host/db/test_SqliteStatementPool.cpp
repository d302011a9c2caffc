// The pool of SQLite reading statements against the Qt it was built for: a statement given
// back is really run again (the same sqlite3_stmt), reads its own rows after the schema
// changed, and a pooled query answers every QSqlQuery call as a plain query of the driver does.
// A Qt update that changes what the pool relies on fails here.
#include "host/db/SqliteStatementPool.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QTemporaryDir>

#include <atomic>

namespace {

class Pool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        db = Open();
        Run(db,
            "CREATE TABLE Art (Id INTEGER NOT NULL PRIMARY KEY, Codice VARCHAR(20) NOT NULL, Nota VARCHAR(20) NULL)");
        for (int id = 1; id <= 5; ++id)
            Run(db, QStringLiteral("INSERT INTO Art (Id, Codice, Nota) VALUES (%1, 'C%1', %2)")
                        .arg(id)
                        .arg(id % 2 ? QStringLiteral("NULL") : QStringLiteral("'n%1'").arg(id)));
    }

    void TearDown() override
    {
        pool.Clear();
        const QStringList names{db.connectionName(), otherName};
        db = QSqlDatabase();
        for (const QString &name : names)
            if (!name.isEmpty())
                QSqlDatabase::removeDatabase(name);
    }

    QSqlDatabase Open()
    {
        static std::atomic<int> counter{0};
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("pool%1").arg(++counter));
        c.setDatabaseName(dir.filePath(QStringLiteral("pool.db")));
        EXPECT_TRUE(c.open()) << c.lastError().text().toStdString();
        return c;
    }

    QSqlDatabase Other()
    {
        QSqlDatabase c = Open();
        otherName = c.connectionName();
        return c;
    }

    static void Run(const QSqlDatabase &on, const QString &sql)
    {
        QSqlQuery q(on);
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << " " << sql.toStdString();
    }
    static void Run(const QSqlDatabase &on, const char *sql) { Run(on, QString::fromLatin1(sql)); }

    // A pooled query of the text, run with the values.
    QSqlQuery Read(const QString &text, const QVariantList &values = {}, qint64 schema = -1, bool forwardOnly = true)
    {
        QSqlQuery q = pool.Reader(db.driver(), text, forwardOnly, schema);
        EXPECT_FALSE(q.lastError().isValid()) << q.lastError().text().toStdString();
        for (qsizetype i = 0; i < values.size(); ++i)
            q.bindValue(int(i), values[i]);
        EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
        return q;
    }

    static QList<int> Ids(QSqlQuery &q)
    {
        QList<int> ids;
        while (q.next())
            ids << q.value(0).toInt();
        return ids;
    }

    // The schema version as this connection reads it now (which brings its copy of the
    // schema up to date, as a reading of '*' needs before it is prepared).
    qint64 Version()
    {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT schema_version FROM pragma_schema_version")) && q.next());
        return q.value(0).toLongLong();
    }

    // The driver's statement under a query.
    static const void *Statement(const QSqlQuery &q)
    {
        const QVariant h = q.result()->handle();
        EXPECT_EQ(QByteArray(h.typeName()), QByteArray("sqlite3_stmt*"));
        return h.isValid() ? *static_cast<void *const *>(h.constData()) : nullptr;
    }

    QTemporaryDir dir;
    QSqlDatabase db;
    QString otherName;
    kv8db::SqliteStatementPool pool;
};

const QString kFrom = QStringLiteral("SELECT Id, Codice FROM Art WHERE Id >= ? ORDER BY Id");

} // namespace

TEST_F(Pool, StatementGivenBackIsRunAgainFromItsFirstRow)
{
    const void *first = nullptr;
    {
        QSqlQuery q = Read(kFrom, {4});
        first = Statement(q);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(Ids(q), (QList<int>{4, 5}));
    }
    {
        // left halfway: given back all the same, and run again from the start with its new value
        QSqlQuery q = Read(kFrom, {2});
        EXPECT_EQ(Statement(q), first);
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(1).toString(), QStringLiteral("C2"));
    }
    QSqlQuery again = Read(kFrom, {1});
    EXPECT_EQ(Statement(again), first);
    EXPECT_EQ(Ids(again), (QList<int>{1, 2, 3, 4, 5}));

    // two held at once read through two statements, each its own rows
    QSqlQuery a = Read(kFrom, {5});
    QSqlQuery b = Read(kFrom, {3});
    EXPECT_NE(Statement(a), Statement(b));
    ASSERT_TRUE(b.next());
    ASSERT_TRUE(a.next());
    EXPECT_EQ(a.value(0).toInt(), 5);
    EXPECT_EQ(b.value(0).toInt(), 3);
    EXPECT_EQ(Ids(b), (QList<int>{4, 5}));

    // another text never gets the statement of this one
    QSqlQuery other = Read(QStringLiteral("SELECT Codice FROM Art WHERE Id = ?"), {2});
    ASSERT_TRUE(other.next());
    EXPECT_EQ(other.value(0).toString(), QStringLiteral("C2"));
}

TEST_F(Pool, ReusedStatementReadsTheTableAsItIsNow)
{
    const void *statement = nullptr;
    {
        QSqlQuery q = Read(kFrom, {1});
        statement = Statement(q);
        EXPECT_EQ(Ids(q).size(), 5);
    }
    // the table made again by another connection, its columns in another order
    QSqlDatabase other = Other();
    Run(other, "DROP TABLE Art");
    Run(other, "CREATE TABLE Art (Codice VARCHAR(20) NOT NULL, Extra INTEGER NULL, Id INTEGER NOT NULL PRIMARY KEY)");
    Run(other, "INSERT INTO Art (Codice, Extra, Id) VALUES ('a', 7, 10), ('b', 8, 11)");
    {
        QSqlQuery q = Read(kFrom, {1});
        EXPECT_EQ(Statement(q), statement);
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 10);
        EXPECT_EQ(q.value(1).toString(), QStringLiteral("a"));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(1).toString(), QStringLiteral("b"));
        EXPECT_FALSE(q.next());
    }

    // a reading of '*' asked under a new schema version: the statement of the old one is
    // not used, and the columns added since are read
    const QString star = QStringLiteral("SELECT * FROM Art WHERE Id = ?");
    const qint64 before = Version();
    {
        QSqlQuery q = Read(star, {10}, before);
        EXPECT_EQ(q.record().count(), 3);
    }
    Run(other, "ALTER TABLE Art ADD COLUMN Peso DOUBLE PRECISION NOT NULL DEFAULT 2.5");
    const qint64 after = Version();
    ASSERT_NE(after, before);
    QSqlQuery q = Read(star, {11}, after);
    ASSERT_TRUE(q.next());
    ASSERT_EQ(q.record().count(), 4);
    EXPECT_EQ(q.record().fieldName(3), QStringLiteral("Peso"));
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("b"));
    EXPECT_DOUBLE_EQ(q.value(3).toDouble(), 2.5);
}

TEST_F(Pool, PooledQueryAnswersAsAPlainQueryOfTheDriver)
{
    const QString text = QStringLiteral("SELECT Id, Codice, Nota FROM Art WHERE Id >= ? ORDER BY Id");
    for (int round = 0; round < 2; ++round) { // a fresh statement, then one given back
        QSqlQuery pooled = Read(text, {2}, -1, false);
        QSqlQuery plain(db);
        plain.setForwardOnly(false);
        ASSERT_TRUE(plain.prepare(text));
        plain.bindValue(0, 2);
        ASSERT_TRUE(plain.exec());

        const auto same = [&](const char *step) {
            SCOPED_TRACE(step);
            EXPECT_EQ(pooled.at(), plain.at());
            EXPECT_EQ(pooled.isValid(), plain.isValid());
            EXPECT_EQ(pooled.isActive(), plain.isActive());
            EXPECT_EQ(pooled.isSelect(), plain.isSelect());
            EXPECT_EQ(pooled.isForwardOnly(), plain.isForwardOnly());
            EXPECT_EQ(pooled.size(), plain.size());
            EXPECT_EQ(pooled.numRowsAffected(), plain.numRowsAffected());
            EXPECT_EQ(pooled.lastError().isValid(), plain.lastError().isValid());
            if (plain.isValid())
                for (int i = 0; i < 3; ++i) {
                    EXPECT_EQ(pooled.value(i), plain.value(i)) << i;
                    EXPECT_EQ(pooled.isNull(i), plain.isNull(i)) << i;
                }
        };
        same("executed");
        EXPECT_EQ(pooled.lastQuery(), plain.lastQuery());
        EXPECT_EQ(pooled.record(), plain.record());
        EXPECT_EQ(pooled.boundValue(0), plain.boundValue(0));
        EXPECT_EQ(pooled.next(), plain.next());
        same("next");
        EXPECT_EQ(pooled.last(), plain.last());
        same("last");
        EXPECT_EQ(pooled.previous(), plain.previous());
        same("previous");
        EXPECT_EQ(pooled.seek(1), plain.seek(1));
        same("seek");
        EXPECT_EQ(pooled.seek(1, true), plain.seek(1, true));
        same("relative seek");
        EXPECT_EQ(pooled.first(), plain.first());
        same("first");
        EXPECT_EQ(pooled.seek(10), plain.seek(10));
        same("past the end");
        EXPECT_EQ(pooled.next(), plain.next());
        same("next after the end");
    }
}

TEST_F(Pool, FailuresAndOtherTextsAreNotGivenBack)
{
    // a text that cannot be prepared
    QSqlQuery bad = pool.Reader(db.driver(), QStringLiteral("SELECT Id FROM Missing"), true, -1);
    EXPECT_TRUE(bad.lastError().isValid());

    // a pooled query prepared again for another text keeps that text to itself
    {
        QSqlQuery q = Read(kFrom, {1});
        ASSERT_TRUE(q.prepare(QStringLiteral("SELECT Codice, Id FROM Art WHERE Id = ?")));
        q.bindValue(0, 3);
        ASSERT_TRUE(q.exec());
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("C3"));
    }
    QSqlQuery q = Read(kFrom, {4});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 4);
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("C4"));
}

TEST_F(Pool, QueriesOutliveClearAndThePool)
{
    auto own = std::make_unique<kv8db::SqliteStatementPool>();
    QSqlQuery held = own->Reader(db.driver(), kFrom, true, -1);
    held.bindValue(0, 2);
    ASSERT_TRUE(held.exec());
    ASSERT_TRUE(held.next());
    own->Clear();
    {
        QSqlQuery q = own->Reader(db.driver(), kFrom, true, -1);
        q.bindValue(0, 5);
        ASSERT_TRUE(q.exec());
        EXPECT_EQ(Ids(q), (QList<int>{5}));
    }
    own.reset();
    // the pool is gone: the held query reads on, and is dropped without it
    EXPECT_EQ(Ids(held), (QList<int>{3, 4, 5}));
}
