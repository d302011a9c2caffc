// Tables whose posts wait for the commit: written in multi-row statements before the commit
// or before another statement names the table; a failure there rolls everything back and
// names the row; a row changed by another user since it was read still fails clearly.
#include "host/data/TXClientTable.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

const Dictionary &DataTestDictionary();

namespace {

class DeferredWrites : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        kv8data::SetDataDictionary(&DataTestDictionary());
        db = tdb.Connect();
        SchemaInstaller(DataTestDictionary()).Create(*db);
        db->ExecSQL("INSERT INTO TT_Testa (KContaT, IdConto, DsNote) VALUES (1, 'C001', 'Uno')");
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (1, 1, 'A', 1), (2, 1, 'B', 2), "
                    "(3, 1, 'C', 3), (4, 1, 'A', 4)");
    }
    void TearDown() override { kv8data::SetDataDictionary(nullptr); }

    static void Open(TXClientTable &t, TXDatabase *on)
    {
        t.SetDatabase(on);
        t.SetTableName("TT_Righe");
        t.SetXWhereVuoto("KContaT = -1");
        t.SetDeferredWrites(true);
        t.Open();
    }
    static void AddQta(TXClientTable &t, int key, double qta)
    {
        ASSERT_TRUE(t.LocateAsStored("KContaR", key));
        t.Edit();
        t.FieldByName("Qta")->SetAsFloat(t.FieldByName("Qta")->AsFloat() + qta);
        t.Post();
    }
    static int Append(TXClientTable &t, int testa, const QString &imballo, double qta)
    {
        t.Append();
        t.FieldByName("KContaT")->SetAsInteger(testa);
        t.FieldByName("IdImballo")->SetAsString(imballo);
        t.FieldByName("Qta")->SetAsFloat(qta);
        t.Post();
        return t.FieldByName("KContaR")->AsInteger();
    }
    double Qta(int key) { return db->ScalarValue("SELECT Qta FROM TT_Righe WHERE KContaR = ?", {key}).toDouble(); }
    int Rows(const QString &where) { return db->ScalarValue("SELECT COUNT(*) FROM TT_Righe WHERE " + where).toInt(); }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

} // namespace

TEST_F(DeferredWrites, RowsPostedSeveralTimesReachTheDatabaseOnceAtTheCommit)
{
    TXClientTable t;
    Open(t, db.get());
    TXTransaction transaction(*db);
    ASSERT_TRUE(transaction.Started());
    AddQta(t, 1, 10); // read once
    const quint64 before = db->StatementCount();
    for (int i = 0; i < 5; ++i) {
        AddQta(t, 1, 1);
        AddQta(t, 1, 0.5);
    }
    EXPECT_EQ(db->StatementCount(), before); // nothing written yet
    transaction.Commit();
    EXPECT_DOUBLE_EQ(Qta(1), 1 + 10 + 7.5);
    EXPECT_DOUBLE_EQ(Qta(2), 2);
    // outside a transaction a post is written at once
    AddQta(t, 2, 1);
    EXPECT_DOUBLE_EQ(Qta(2), 3);
}

TEST_F(DeferredWrites, DuplicateKeyAtTheFlushRollsBackEverythingAndNamesTheRow)
{
    TXClientTable t;
    Open(t, db.get());
    try {
        TXTransaction transaction(*db);
        AddQta(t, 1, 5);
        db->ExecSQL("UPDATE TT_Testa SET DsNote = 'Cambiata' WHERE KContaT = 1");
        Append(t, 1, "X", 1);
        t.Append();
        t.FieldByName("KContaR")->SetAsInteger(4); // stored already
        t.FieldByName("KContaT")->SetAsInteger(1);
        t.Post();
        Append(t, 1, "Y", 2);
        transaction.Commit();
        FAIL() << "the commit should fail";
    } catch (const EKeyViolation &e) {
        const QString text = QString::fromUtf8(e.what());
        EXPECT_TRUE(text.contains("TT_Righe", Qt::CaseInsensitive)) << e.what();
        EXPECT_TRUE(text.contains("KContaR = 4")) << e.what();
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_DOUBLE_EQ(Qta(1), 1);
    EXPECT_EQ(Rows("IdImballo IN ('X', 'Y')"), 0);
    EXPECT_EQ(db->ScalarValue("SELECT DsNote FROM TT_Testa WHERE KContaT = 1").toString(), "Uno");
    // the table holds what is stored
    ASSERT_TRUE(t.LocateAsStored("KContaR", 1));
    EXPECT_DOUBLE_EQ(t.FieldByName("Qta")->AsFloat(), 1);
    EXPECT_FALSE(t.Locate("IdImballo", "X"));
}

TEST_F(DeferredWrites, ATableDestroyedWithRowsItCouldNotWriteFailsTheCommit)
{
    TXTransaction transaction(*db);
    ASSERT_TRUE(transaction.Started());
    db->ExecSQL("UPDATE TT_Testa SET DsNote = 'Cambiata' WHERE KContaT = 1");
    {
        TXClientTable t;
        Open(t, db.get());
        Append(t, 1, "X", 1);
        t.Append();
        t.FieldByName("KContaR")->SetAsInteger(4); // stored already
        t.FieldByName("KContaT")->SetAsInteger(1);
        t.Post();
    } // its rows are written as it goes, and fail
    try {
        transaction.Commit();
        FAIL() << "the commit should fail";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("KContaR = 4")) << e.what();
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Rows("IdImballo = 'X'"), 0);
    EXPECT_EQ(db->ScalarValue("SELECT DsNote FROM TT_Testa WHERE KContaT = 1").toString(), "Uno");
    // the next transaction is not failed by the last one's reason
    TXTransaction next(*db);
    db->ExecSQL("UPDATE TT_Testa SET DsNote = 'Dopo' WHERE KContaT = 1");
    next.Commit();
    EXPECT_EQ(db->ScalarValue("SELECT DsNote FROM TT_Testa WHERE KContaT = 1").toString(), "Dopo");
}

TEST_F(DeferredWrites, AReadOfTheTableBetweenTwoPostsSeesBothRows)
{
    TXClientTable t, other;
    Open(t, db.get());
    other.SetDatabase(db.get());
    other.SetTableName("TT_Righe");
    other.SetXWhereVuoto("KContaT = -1");
    other.Open();
    TXTransaction transaction(*db);
    Append(t, 7, "A", 1);
    EXPECT_EQ(Rows("KContaT = 7"), 1);
    AddQta(t, 1, 2);
    const int second = Append(t, 7, "B", 2);
    // a text naming the table in another spelling, and another dataset's fetch
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM [dbo].[tt_righe] WHERE KContaT = 7").toInt(), 2);
    ASSERT_TRUE(other.Locate("KContaR", second));
    EXPECT_EQ(other.FieldByName("IdImballo")->AsString(), "B");
    EXPECT_DOUBLE_EQ(Qta(1), 3);
    // a write of the table by a statement goes after the rows kept
    AddQta(t, 1, 1);
    db->ExecSQL("UPDATE TT_Righe SET Qta = Qta * 10 WHERE KContaR = 1");
    AddQta(t, 1, 1); // read again as stored
    transaction.Commit();
    EXPECT_DOUBLE_EQ(Qta(1), 41);
    EXPECT_EQ(Rows("KContaT = 7"), 2);
}

TEST_F(DeferredWrites, DrawnKeysStayRightAfterABatchedInsert)
{
    TXClientTable t;
    Open(t, db.get());
    std::map<int, double> posted;
    TXTransaction transaction(*db);
    for (int i = 0; i < 600; ++i) { // more rows than one statement takes
        const int key = Append(t, 9, QString::number(i % 7), i * 0.25);
        EXPECT_TRUE(posted.emplace(key, i * 0.25).second);
    }
    const quint64 before = db->StatementCount();
    transaction.Commit();
    EXPECT_LE(db->StatementCount() - before, 6u); // a few multi-row statements, not one per row
    QSqlQuery q = db->OpenQuery("SELECT KContaR, Qta FROM TT_Righe WHERE KContaT = 9 ORDER BY KContaR");
    std::map<int, double> stored;
    while (q.next())
        stored.emplace(q.value(0).toInt(), q.value(1).toDouble());
    EXPECT_EQ(stored, posted);
    // the table holds them under the same keys
    ASSERT_TRUE(t.LocateAsStored("KContaR", posted.rbegin()->first));
    EXPECT_DOUBLE_EQ(t.FieldByName("Qta")->AsFloat(), posted.rbegin()->second);
}

TEST_F(DeferredWrites, ARowChangedByAnotherUserSinceItWasReadFailsTheCommit)
{
    TXClientTable t;
    Open(t, db.get());
    ASSERT_TRUE(t.Locate("KContaR", 2)); // read before the transaction
    auto other = tdb.Connect("other");
    other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 2");
    try {
        TXTransaction transaction(*db);
        AddQta(t, 3, 1);
        ASSERT_TRUE(t.Locate("KContaR", 2));
        t.Edit();
        t.FieldByName("Qta")->SetAsFloat(t.FieldByName("Qta")->AsFloat() + 1);
        t.Post();
        transaction.Commit();
        FAIL() << "the commit should fail";
    } catch (const EDatabaseError &e) {
        const QString text = QString::fromUtf8(e.what());
        EXPECT_TRUE(text.contains("altro utente")) << e.what();
        EXPECT_TRUE(text.contains("KContaR = 2")) << e.what();
    }
    EXPECT_DOUBLE_EQ(Qta(2), 20);
    EXPECT_DOUBLE_EQ(Qta(3), 3);
}

TEST_F(DeferredWrites, TwoUsersUpdatingTheSameRowAtOnceEndInOneFailure)
{
    if (!tdb.IsPostgres())
        GTEST_SKIP() << "SQLite lets one transaction write at a time";
    auto second = tdb.Connect("second");
    TXClientTable first, other;
    Open(first, db.get());
    Open(other, second.get());
    TXTransaction one(*db), two(*second);
    AddQta(first, 1, 5);
    AddQta(other, 1, 7);
    two.Commit();
    EXPECT_THROW(one.Commit(), EDatabaseError);
    EXPECT_DOUBLE_EQ(Qta(1), 8);
}

TEST_F(DeferredWrites, RowsWrittenInBatchesAreStoredAsRowsWrittenOneByOne)
{
    struct Valori {
        QString conto;
        QVariant note;
        double totale;
        QDateTime data;
    };
    const QList<Valori> valori = {
        {"C 1", "it's", 0.1 + 0.2, QDateTime(QDate(2024, 1, 1), QTime(23, 59, 59))},
        {"C\\2", "back\\slash \"quoted\"", 1.0 / 3, QDateTime(QDate(2024, 3, 31), QTime(2, 30))},
        {"{3,}", "NULL", -123456.789, QDateTime()},
        {"", QVariant(), 1e-7, QDateTime(QDate(1999, 12, 31), QTime(0, 0))},
        {"C5", QString::fromUtf8("àèì € {a,b}"), 0, QDateTime(QDate(2024, 10, 27), QTime(2, 30))},
    };
    const int n = int(valori.size());
    // step 0 inserts the rows, step 1 and 2 change every column, step 3 deletes them
    const auto write = [&](bool deferred, int base, int step) {
        TXClientTable t;
        t.SetDatabase(db.get());
        t.SetTableName("TT_Testa");
        t.SetXWhereVuoto("KContaT = -1");
        t.SetDeferredWrites(deferred);
        t.Open();
        TXTransaction transaction(*db);
        for (int i = 0; i < n; ++i) {
            if (step == 0) {
                t.Append();
                t.FieldByName("KContaT")->SetAsInteger(base + i);
            } else {
                ASSERT_TRUE(t.LocateAsStored("KContaT", base + i));
                if (step == 3) {
                    t.Delete();
                    continue;
                }
                t.Edit();
            }
            const Valori &v = valori[(i + step) % n];
            t.FieldByName("IdConto")->SetAsString(v.conto);
            if (v.note.isNull())
                t.FieldByName("DsNote")->Clear();
            else
                t.FieldByName("DsNote")->SetAsString(v.note.toString());
            t.FieldByName("Totale")->SetAsFloat(v.totale);
            if (v.data.isValid())
                t.FieldByName("DataDoc")->SetAsDateTime(v.data);
            else
                t.FieldByName("DataDoc")->Clear();
            t.Post();
        }
        const quint64 before = db->StatementCount();
        transaction.Commit();
        // the rows together, none of them written again alone (SQLite updates each row by
        // its key, one statement prepared once)
        const bool together = step == 0 || step == 3 || db->IsPostgres();
        if (deferred && together) {
            EXPECT_LT(db->StatementCount() - before, quint64(n));
        } else if (deferred) {
            EXPECT_EQ(db->StatementCount() - before, quint64(n));
        }
    };
    const auto stored = [&](int base) {
        QList<QVariantList> rows;
        QSqlQuery q = db->OpenQuery("SELECT IdContoTp, IdConto, DsNote, Totale, DataDoc FROM TT_Testa "
                                    "WHERE KContaT >= ? AND KContaT < ? ORDER BY KContaT",
                                    {base, base + n});
        while (q.next())
            rows << QVariantList{q.value(0), q.value(1), q.value(2), q.value(3), q.value(4)};
        return rows;
    };
    for (int step = 0; step < 4; ++step) {
        SCOPED_TRACE(step);
        write(false, 100, step);
        write(true, 200, step);
        const QList<QVariantList> atOnce = stored(100), batched = stored(200);
        ASSERT_EQ(batched.size(), step == 3 ? 0 : n);
        EXPECT_EQ(batched, atOnce);
    }
}

namespace {

// Deletes kept for the commit: rows read in the transaction (on PostgreSQL read locked) are
// found by their key, the others still only when every column holds what was read.
class DeferredDeletes : public DeferredWrites {
protected:
    // Rows 1000.. of head 50, more than one statement takes.
    void AddRows(int count)
    {
        QStringList rows;
        for (int i = 0; i < count; ++i)
            rows << QStringLiteral("(%1, 50, 'Z', %2)").arg(1000 + i).arg(i);
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES " + rows.join(", "));
    }
    // Rows 1000 to 1002 read as stored in the open transaction; locked: by a condition, read locked.
    static void ReadThree(TXClientTable &t, bool locked)
    {
        const QList<QVariantList> keys{QVariantList{1000}, QVariantList{1001}, QVariantList{1002}};
        if (locked)
            t.ReadAsStored("KContaR", keys, "KContaT = ?", {50}, true);
        else
            t.ReadAsStored("KContaR", keys);
    }
    static void Delete(TXClientTable &t, int key)
    {
        ASSERT_TRUE(t.Locate("KContaR", key));
        t.Delete();
    }
    // The commit fails as a row changed by another user; names the row when it is still stored.
    static void ExpectConflict(TXTransaction &transaction, const QString &named)
    {
        try {
            transaction.Commit();
            FAIL() << "the commit should fail";
        } catch (const EDatabaseError &e) {
            const QString text = QString::fromUtf8(e.what());
            EXPECT_TRUE(text.contains("altro utente")) << e.what();
            EXPECT_TRUE(named.isEmpty() || text.contains(named)) << e.what();
        }
    }
};

} // namespace

TEST_F(DeferredDeletes, RowsReadInTheTransactionAreDeletedInFewStatements)
{
    const int count = 2000;
    AddRows(count);
    TXClientTable t;
    Open(t, db.get());
    ASSERT_TRUE(t.Locate("KContaR", 1)); // read before the transaction
    TXTransaction transaction(*db);
    QList<QVariantList> keys;
    for (int i = 0; i < count; ++i)
        keys << QVariantList{1000 + i};
    t.ReadAsStored("KContaR", keys);
    for (int i = 0; i < count; i += 2)
        Delete(t, 1000 + i);
    Delete(t, 1);
    const quint64 before = db->StatementCount();
    transaction.Commit();
    EXPECT_LE(db->StatementCount() - before, 8u);
    EXPECT_EQ(Rows("KContaT = 50"), count / 2);
    EXPECT_EQ(Rows("KContaT = 50 AND KContaR % 2 = 0"), 0);
    EXPECT_EQ(Rows("KContaR = 1"), 0);
    EXPECT_EQ(Rows("KContaT = 1"), 3);
}

TEST_F(DeferredDeletes, ARowReadBeforeTheTransactionAndChangedSinceIsNotDeleted)
{
    AddRows(3);
    TXClientTable t;
    Open(t, db.get());
    ASSERT_TRUE(t.Locate("KContaR", 2));
    auto other = tdb.Connect("other");
    other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 2");
    TXTransaction transaction(*db);
    t.ReadAsStored("KContaR", {QVariantList{1000}, QVariantList{1001}});
    Delete(t, 1000);
    Delete(t, 2);
    Delete(t, 1001);
    ExpectConflict(transaction, "KContaR = 2");
    EXPECT_EQ(Rows("KContaR IN (2, 1000, 1001)"), 3);
    EXPECT_DOUBLE_EQ(Qta(2), 20);
}

TEST_F(DeferredDeletes, ARowReadInTheTransactionAndChangedByAnotherUserIsNotDeleted)
{
    if (!tdb.IsPostgres())
        GTEST_SKIP() << "SQLite lets one transaction write at a time";
    AddRows(3);
    TXClientTable t;
    Open(t, db.get());
    auto other = tdb.Connect("other");
    TXTransaction transaction(*db);
    ReadThree(t, false);
    other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 1001");
    for (int key : {1000, 1001, 1002})
        Delete(t, key);
    ExpectConflict(transaction, "KContaR = 1001");
    EXPECT_EQ(Rows("KContaT = 50"), 3);
}

TEST_F(DeferredDeletes, RowsReadLockedAreKeptFromOtherUsersUntilTheCommitAndDeletedByKey)
{
    if (!tdb.IsPostgres())
        GTEST_SKIP() << "SQLite lets one transaction write at a time";
    const int count = 1500;
    AddRows(count);
    TXClientTable t;
    Open(t, db.get());
    auto other = tdb.Connect("other");
    other->ExecSQL("SET lock_timeout = '200ms'");
    TXTransaction transaction(*db);
    QList<QVariantList> keys;
    for (int i = 0; i < count; ++i)
        keys << QVariantList{1000 + i};
    t.ReadAsStored("KContaR", keys, "KContaT = ?", {50}, true);
    EXPECT_THROW(other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 1001"), EDatabaseError);
    for (int i = 0; i < count; i += 2)
        Delete(t, 1000 + i);
    const quint64 before = db->StatementCount();
    transaction.Commit();
    EXPECT_LE(db->StatementCount() - before, 4u);
    EXPECT_EQ(Rows("KContaT = 50"), count / 2);
    EXPECT_EQ(Rows("KContaT = 50 AND KContaR % 2 = 0"), 0);
    EXPECT_DOUBLE_EQ(Qta(1001), 1);
    other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 1001"); // free again
    EXPECT_DOUBLE_EQ(Qta(1001), 20);
}

TEST_F(DeferredDeletes, ARowChangedOrDeletedByAnotherStatementAfterItWasReadIsAConflict)
{
    AddRows(3);
    for (const bool deleted : {false, true})
        for (const bool locked : {false, true}) {
            SCOPED_TRACE(deleted);
            SCOPED_TRACE(locked);
            TXClientTable t;
            Open(t, db.get());
            TXTransaction transaction(*db);
            ReadThree(t, locked);
            db->ExecSQL(deleted ? "DELETE FROM TT_Righe WHERE KContaR = 1001"
                                : "UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 1001");
            for (int key : {1000, 1001, 1002})
                Delete(t, key);
            ExpectConflict(transaction, deleted ? QString() : QStringLiteral("KContaR = 1001"));
            EXPECT_EQ(Rows("KContaT = 50"), 3);
            EXPECT_DOUBLE_EQ(Qta(1001), 1);
        }
}

TEST_F(DeferredDeletes, RowsDeletedByKeyAreCheckedAsReadOnceAStatementMayHaveWrittenTheirTable)
{
    AddRows(3);
    TXClientTable t;
    Open(t, db.get());
    TXTransaction transaction(*db);
    ReadThree(t, true);
    Delete(t, 1000);
    Delete(t, 1001);
    // a statement whose written table is not plain to see, naming another
    db->ExecSQL("WITH k AS (SELECT 1 AS v) UPDATE TT_Testa SET DsNote = 'Due' WHERE KContaT IN (SELECT v FROM k)");
    transaction.Commit();
    EXPECT_EQ(Rows("KContaR IN (1000, 1001)"), 0);
    EXPECT_DOUBLE_EQ(Qta(1002), 2);
}

TEST_F(DeferredDeletes, RowsReadInARolledBackTransactionAreCheckedInTheNext)
{
    AddRows(2);
    TXClientTable t;
    Open(t, db.get());
    {
        TXTransaction transaction(*db);
        t.ReadAsStored("KContaR", {QVariantList{1000}, QVariantList{1001}});
    } // rolled back
    auto other = tdb.Connect("other");
    other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 1001");
    TXTransaction transaction(*db);
    Delete(t, 1000);
    Delete(t, 1001); // held as read in the transaction rolled back
    ExpectConflict(transaction, "KContaR = 1001");
    EXPECT_EQ(Rows("KContaT = 50"), 2);
}

TEST_F(DeferredDeletes, ARowUpdatedThenDeletedKeepsTheCheckOfTheRowAsRead)
{
    AddRows(2);
    TXClientTable t;
    Open(t, db.get());
    ASSERT_TRUE(t.Locate("KContaR", 1001)); // read before the transaction
    auto other = tdb.Connect("other");
    other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 1001");
    TXTransaction transaction(*db);
    t.ReadAsStored("KContaR", {QVariantList{1000}});
    for (int key : {1000, 1001}) {
        ASSERT_TRUE(t.Locate("KContaR", key));
        t.Edit();
        t.FieldByName("Qta")->SetAsFloat(7);
        t.Post(); // kept for the commit
        t.Delete();
    }
    ExpectConflict(transaction, "KContaR = 1001");
    EXPECT_EQ(Rows("KContaT = 50"), 2);
    EXPECT_DOUBLE_EQ(Qta(1001), 20);
}

TEST_F(DeferredWrites, AnUpdateWritesTheColumnsWhoseValueChangedOnly)
{
    db->ExecSQL("UPDATE TT_Testa SET Totale = 0.3, DataDoc = ? WHERE KContaT = 1",
                {QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9))});
    TXClientTable t;
    t.SetDatabase(db.get());
    t.SetTableName("TT_Testa");
    t.SetXWhereVuoto("KContaT = -1");
    t.SetDeferredWrites(true);
    t.Open();
    const auto commit = [&](const std::function<void()> &change) {
        TXTransaction transaction(*db);
        EXPECT_TRUE(t.LocateAsStored("KContaT", 1));
        t.Edit();
        change();
        t.Post();
        const quint64 before = db->StatementCount();
        transaction.Commit();
        return db->StatementCount() - before;
    };
    quint64 none = 0, some = 0;
    // the values as read, given again (a number as text, an empty note as text): nothing to write
    none = commit([&] {
        t.FieldByName("Totale")->SetAsString("0.3");
        t.FieldByName("DsNote")->SetAsString("Uno");
        t.FieldByName("DataDoc")->SetAsDateTime(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    });
    // changes of case, of the last bit, of a second are written
    some = commit([&] {
        t.FieldByName("DsNote")->SetAsString("UNO");
        t.FieldByName("Totale")->SetAsFloat(0.1 + 0.2);
        t.FieldByName("DataDoc")->SetAsDateTime(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 10)));
    });
    EXPECT_GT(some, none);
    // a text beyond Latin-1 changed in one character of the same length, then given again
    commit([&] { t.FieldByName("DsNote")->SetAsString(QStringLiteral("€ UNO")); });
    commit([&] { t.FieldByName("DsNote")->SetAsString(QStringLiteral("₤ UNO")); });
    EXPECT_EQ(commit([&] { t.FieldByName("DsNote")->SetAsString(QStringLiteral("₤ UNO")); }), none);
    EXPECT_EQ(db->ScalarValue("SELECT DsNote FROM TT_Testa WHERE KContaT = 1").toString(), QStringLiteral("₤ UNO"));
    commit([&] { t.FieldByName("DsNote")->SetAsString("UNO"); });
    QSqlQuery q = db->OpenQuery("SELECT DsNote, Totale, DataDoc FROM TT_Testa WHERE KContaT = 1");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "UNO");
    EXPECT_EQ(q.value(1).toDouble(), 0.1 + 0.2);
    ASSERT_TRUE(t.LocateAsStored("KContaT", 1));
    EXPECT_EQ(t.FieldByName("DataDoc")->AsDateTime(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 10)));
}
