// Deletes and key changes of a table whose writes wait for the commit: kept, written first in
// multi-row statements, never read back from the database meanwhile, a failure naming the row.
// Also what batch loops lean on: Locate after a key edit, lookups read when asked, the local
// work database.
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

const Dictionary &DataTestDictionary();

namespace {

class BatchedChanges : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        kv8data::SetDataDictionary(&DataTestDictionary());
        db = tdb.Connect();
        SchemaInstaller(DataTestDictionary()).Create(*db);
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (1, 1, 'A', 1), (2, 1, 'B', 2), "
                    "(3, 1, 'C', 3), (4, 1, 'D', 4)");
        t.SetDatabase(db.get());
        t.SetTableName("TT_Righe");
        t.SetXWhereVuoto("KContaT = -1");
        t.SetDeferredWrites(true);
        t.Open();
    }
    void TearDown() override { kv8data::SetDataDictionary(nullptr); }

    void Remove(int key)
    {
        ASSERT_TRUE(t.Locate("KContaR", key));
        t.Delete();
    }
    void Rekey(int from, int to)
    {
        ASSERT_TRUE(t.Locate("KContaR", from));
        t.Edit();
        t.FieldByName("KContaR")->SetAsInteger(to);
        t.Post();
    }
    // "key:packing" of the stored rows, in key order.
    QString Stored()
    {
        QSqlQuery q = db->OpenQuery("SELECT KContaR, IdImballo FROM TT_Righe ORDER BY KContaR");
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString() + ':' + q.value(1).toString();
        return rows.join(' ');
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
    TXClientTable t;
};

} // namespace

TEST_F(BatchedChanges, DeletesAndKeyChangesWaitForTheCommitAndAreNotReadBack)
{
    for (int key : {1, 2, 3, 4})
        ASSERT_TRUE(t.Locate("KContaR", key)); // read before
    TXTransaction transaction(*db);
    const quint64 before = db->StatementCount();
    Remove(2);
    Rekey(3, 30);
    Remove(4);
    EXPECT_EQ(db->StatementCount(), before); // nothing written yet
    // a key freed by a deleted row taken by a new one (a key is drawn for it first)
    t.Append();
    t.FieldByName("KContaR")->SetAsInteger(4);
    t.FieldByName("KContaT")->SetAsInteger(1);
    t.FieldByName("IdImballo")->SetAsString("N");
    t.Post();
    const quint64 posted = db->StatementCount();
    // searches that reach the table do not bring back what was deleted or moved
    EXPECT_FALSE(t.Locate("KContaR", 2));
    EXPECT_FALSE(t.Locate("KContaR", 3));
    ASSERT_TRUE(t.Locate("KContaR", 30));
    EXPECT_EQ(t.FieldByName("IdImballo")->AsString(), "C");
    ASSERT_TRUE(t.Locate("KContaR", 4));
    EXPECT_EQ(t.FieldByName("IdImballo")->AsString(), "N");
    EXPECT_EQ(db->StatementCount(), posted + 2); // the two fetches that found nothing held
    transaction.Commit();
    EXPECT_LE(db->StatementCount() - posted, 5u); // one statement per kind of change
    EXPECT_EQ(Stored(), "1:A 4:N 30:C");
}

TEST_F(BatchedChanges, ManyDeletesGoInFewStatements)
{
    TXTransaction transaction(*db);
    for (int key = 10; key < 700; ++key)
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (?, 2, 'X', 0)", {key});
    t.Close();
    t.SetXWhere("KContaT = 2");
    t.Open();
    ASSERT_EQ(t.RecordCount(), 690);
    t.First();
    while (!t.IsEmpty())
        t.Delete();
    const quint64 before = db->StatementCount();
    transaction.Commit();
    EXPECT_LE(db->StatementCount() - before, 10u);
    EXPECT_EQ(Stored(), "1:A 2:B 3:C 4:D");
}

TEST_F(BatchedChanges, KeysChangedInAChainAreWrittenInTheOrderGiven)
{
    TXTransaction transaction(*db);
    Rekey(4, 5); // frees 4
    Rekey(3, 4); // frees 3
    Rekey(2, 3);
    Remove(1);
    transaction.Commit();
    EXPECT_EQ(Stored(), "3:B 4:C 5:D");
    // what the table holds is what is stored
    EXPECT_FALSE(t.Locate("KContaR", 2));
    ASSERT_TRUE(t.Locate("KContaR", 3));
    EXPECT_EQ(t.FieldByName("IdImballo")->AsString(), "B");
}

TEST_F(BatchedChanges, ADeleteFailingAtTheFlushRollsBackEverythingAndNamesTheRow)
{
    for (int key : {1, 2, 3})
        ASSERT_TRUE(t.Locate("KContaR", key));
    auto other = tdb.Connect("other");
    other->ExecSQL("UPDATE TT_Righe SET Qta = 20 WHERE KContaR = 2");
    try {
        TXTransaction transaction(*db);
        Rekey(1, 10);
        Remove(3);
        Remove(2); // changed by the other user since it was read
        transaction.Commit();
        FAIL() << "the commit should fail";
    } catch (const EDatabaseError &e) {
        const QString text = QString::fromUtf8(e.what());
        EXPECT_TRUE(text.contains("altro utente")) << e.what();
        EXPECT_TRUE(text.contains("KContaR = 2")) << e.what();
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Stored(), "1:A 2:B 3:C 4:D");
    // the rows come back as stored
    ASSERT_TRUE(t.Locate("KContaR", 3));
    ASSERT_TRUE(t.LocateAsStored("KContaR", 2));
    EXPECT_DOUBLE_EQ(t.FieldByName("Qta")->AsFloat(), 20);
    EXPECT_FALSE(t.Locate("KContaR", 10));
}

TEST_F(BatchedChanges, AKeyChangeOntoATakenKeyFailsNamingTheRow)
{
    try {
        TXTransaction transaction(*db);
        Remove(1);
        Rekey(2, 4); // 4 is stored
        transaction.Commit();
        FAIL() << "the commit should fail";
    } catch (const EKeyViolation &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("KContaR = 4")) << e.what();
    }
    EXPECT_EQ(Stored(), "1:A 2:B 3:C 4:D");
}

TEST_F(BatchedChanges, DeletedRowsKeptAreBackAfterARollback)
{
    {
        TXTransaction transaction(*db);
        Remove(1);
        Rekey(2, 20);
        EXPECT_FALSE(t.Locate("KContaR", 1));
    } // rolled back
    ASSERT_TRUE(t.Locate("KContaR", 1));
    ASSERT_TRUE(t.Locate("KContaR", 2));
    EXPECT_FALSE(t.Locate("KContaR", 20));
    EXPECT_EQ(Stored(), "1:A 2:B 3:C 4:D");
    // an inserted row deleted in the same transaction never reaches the database
    TXTransaction transaction(*db);
    t.Append();
    t.FieldByName("KContaR")->SetAsInteger(9);
    t.FieldByName("KContaT")->SetAsInteger(1);
    t.Post();
    t.Delete();
    const quint64 before = db->StatementCount();
    transaction.Commit();
    EXPECT_EQ(db->StatementCount(), before);
    EXPECT_EQ(Stored(), "1:A 2:B 3:C 4:D");
}

TEST(LocateAfterKeyEdits, FindsTheNewKeyAndNotTheOldOne)
{
    TXMemTable m;
    m.AddField("Codice", ftInteger);
    m.AddField("Nome", ftString, 10);
    m.Open();
    for (int i = 0; i < 100; ++i) { // enough rows for Locate to index them
        m.Append();
        m.FieldByName("Codice")->SetAsInteger(i % 50 == 7 ? 7 : i); // 7 twice: rows 7 and 57
        m.FieldByName("Nome")->SetAsString(QString::number(i));
        m.Post();
    }
    ASSERT_TRUE(m.Locate("Codice", 10));
    for (int i = 10; i < 20; ++i) {
        ASSERT_TRUE(m.Locate("Codice", i));
        m.Edit();
        m.FieldByName("Codice")->SetAsInteger(i + 1000);
        m.Post();
        EXPECT_FALSE(m.Locate("Codice", i));
        ASSERT_TRUE(m.Locate("Codice", i + 1000));
        EXPECT_EQ(m.FieldByName("Nome")->AsString(), QString::number(i));
    }
    // a key held twice: moving the first row leaves the second one found
    ASSERT_TRUE(m.Locate("Codice", 7));
    EXPECT_EQ(m.FieldByName("Nome")->AsString(), "7");
    m.Edit();
    m.FieldByName("Codice")->SetAsInteger(700);
    m.Post();
    ASSERT_TRUE(m.Locate("Codice", 7));
    EXPECT_EQ(m.FieldByName("Nome")->AsString(), "57");
    // a row moved onto a key another row holds: the first in order is found
    ASSERT_TRUE(m.Locate("Codice", 90));
    m.Edit();
    m.FieldByName("Codice")->SetAsInteger(3);
    m.Post();
    ASSERT_TRUE(m.Locate("Codice", 3));
    EXPECT_EQ(m.FieldByName("Nome")->AsString(), "3");
    m.Locate("Codice", 3);
    m.Delete();
    ASSERT_TRUE(m.Locate("Codice", 3));
    EXPECT_EQ(m.FieldByName("Nome")->AsString(), "90");
}

TEST(LookupsReadWhenAsked, FollowTheirKeyAndTheLookedUpRow)
{
    TXMemTable accounts;
    accounts.AddField("IdConto", ftString, 8);
    accounts.AddField("Nome", ftString, 20);
    accounts.Open();
    for (auto [id, name] : {std::pair{"C1", "Uno"}, std::pair{"C2", "Due"}}) {
        accounts.Append();
        accounts.FieldByName("IdConto")->SetAsString(id);
        accounts.FieldByName("Nome")->SetAsString(name);
        accounts.Post();
    }
    TXMemTable rows;
    rows.AddField("IdConto", ftString, 8);
    rows.AddLookupField("_Nome", ftString, 20, &accounts, "IdConto", "IdConto", "Nome");
    rows.Open();
    rows.Append();
    rows.FieldByName("IdConto")->SetAsString("C1");
    rows.Post();
    rows.Append();
    rows.FieldByName("IdConto")->SetAsString("C2");
    rows.Post();
    rows.First();
    EXPECT_EQ(rows.FieldByName("_Nome")->AsString(), "Uno");
    // the key changed while editing, the lookup read only afterwards
    rows.Edit();
    rows.FieldByName("IdConto")->SetAsString("C2");
    EXPECT_EQ(rows.FieldByName("_Nome")->AsString(), "Due");
    rows.FieldByName("IdConto")->SetAsString("XX");
    EXPECT_TRUE(rows.FieldByName("_Nome")->IsNull());
    rows.Cancel();
    EXPECT_EQ(rows.FieldByName("_Nome")->AsString(), "Uno");
    // the looked-up row changed before the lookup of the row was read
    rows.Last();
    ASSERT_TRUE(accounts.Locate("IdConto", "C2"));
    accounts.Edit();
    accounts.FieldByName("Nome")->SetAsString("Secondo");
    accounts.Post();
    rows.First();
    rows.Next();
    EXPECT_EQ(rows.FieldByName("_Nome")->AsString(), "Secondo");
    // a value given to the lookup field sets its key
    rows.Edit();
    rows.FieldByName("_Nome")->SetAsString("Uno");
    EXPECT_EQ(rows.FieldByName("IdConto")->AsString(), "C1");
    EXPECT_EQ(rows.FieldByName("_Nome")->AsString(), "Uno");
    rows.Post();
    // Lookup and Locate on the lookup field of rows not visited
    EXPECT_EQ(rows.Lookup("_Nome", "Uno", "IdConto").toString(), "C1");
    rows.First();
    EXPECT_FALSE(rows.Locate("_Nome", "Due"));
}

TEST(LocalWorkDatabase, WritesDoNotWaitForTheDisk)
{
    QSqlQuery q(DMIDataBases::Instance().Local().Connection());
    ASSERT_TRUE(q.exec("PRAGMA synchronous"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
}

TEST_F(BatchedChanges, ManyDeletedRowsGoOnlyWhenStoredAsRead)
{
    // heads with empty and given dates, texts and numbers, more than one statement takes
    TXTransaction seed(*db);
    for (int key = 100; key < 400; ++key)
        db->ExecSQL(
            "INSERT INTO TT_Testa (KContaT, IdConto, DsNote, Totale, DataDoc) VALUES (?, ?, ?, ?, ?)",
            {key, QString("C%1").arg(key), key % 3 ? QString("Nota %1").arg(key) : QString(""),
             key % 2 ? key * 1.5 : 0.0,
             key % 5 ? QVariant(QDateTime(QDate(2026, 1 + key % 12, 1 + key % 28), QTime(10, 30))) : QVariant()});
    seed.Commit();
    const auto heads = [&] { return db->ScalarValue("SELECT COUNT(*) FROM TT_Testa WHERE KContaT >= 100").toInt(); };
    const auto deleteAll = [&](const char *change) {
        TXClientTable h;
        h.SetDatabase(db.get());
        h.SetTableName("TT_Testa");
        h.SetXWhere("KContaT >= 100");
        h.SetDeferredWrites(true);
        h.Open();
        if (*change)
            tdb.Connect("other")->ExecSQL(change);
        TXTransaction transaction(*db);
        h.First();
        while (!h.IsEmpty())
            h.Delete();
        const quint64 before = db->StatementCount();
        transaction.Commit();
        return db->StatementCount() - before;
    };
    // a date given where none was read, in the last rows: nothing is deleted
    try {
        deleteAll("UPDATE TT_Testa SET DataDoc = '2026-05-05 00:00:00' WHERE KContaT = 390");
        FAIL() << "the commit should fail";
    } catch (const EDatabaseError &e) {
        const QString text = QString::fromUtf8(e.what());
        EXPECT_TRUE(text.contains("altro utente")) << e.what();
        EXPECT_TRUE(text.contains("KContaT = 390")) << e.what();
    }
    EXPECT_EQ(heads(), 300);
    // a row deleted meanwhile
    EXPECT_THROW(deleteAll("DELETE FROM TT_Testa WHERE KContaT = 101"), EDatabaseError);
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(heads(), 299);
    // read as stored: all go, in a few statements
    EXPECT_LE(deleteAll(""), 6u);
    EXPECT_EQ(heads(), 0);
    EXPECT_EQ(db->ScalarValue("SELECT COUNT(*) FROM TT_Testa").toInt(), 0);
}
