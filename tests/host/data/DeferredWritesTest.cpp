// Tables whose posts wait for the commit: written in multi-row statements before the commit
// or before another statement names the table; a failure there rolls everything back and
// names the row; a row changed by another user since it was read still fails clearly.
#include "host/data/TXClientTable.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

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
    int Rows(const QString &where)
    {
        return db->ScalarValue("SELECT COUNT(*) FROM TT_Righe WHERE " + where).toInt();
    }

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
        if (deferred) { // the rows together, none of them written again alone
            EXPECT_LT(db->StatementCount() - before, quint64(n));
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
