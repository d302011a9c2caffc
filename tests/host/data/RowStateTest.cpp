// The row-state editing pattern of the master/detail windows, driven through the datasets
// alone: stored rows copied into a local buffer linked to the head, shown through
// "Stato < 3", and replayed onto the stored rows through a client table in one transaction.
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

const Dictionary &DataTestDictionary();

namespace {

// The datasets and handlers of one maintenance window with one buffer.
struct Window {
    explicit Window(TXDatabase *db)
    {
        head.SetDatabase(db);
        head.SetTableName("TT_Testa");
        head.SetIndexFieldNames("KContaT");
        dsMain.SetDataSet(&head);

        stored.SetDatabase(db);
        stored.SQL << "SELECT TT_Righe.*"
                   << "FROM TT_Righe"
                   << "WHERE TT_Righe.KContaT = :KContaT"
                   << "ORDER BY IdImballo";
        stored.SetDataSource(&dsMain);

        buffer.SetDatabase(db); // the local database in the program
        buffer.SetTableName("TT_t_Righe");
        buffer.SetUsaDizionario(true);
        buffer.SetIndexFieldNames("KContaT;IdImballo");
        buffer.SetMasterFields("KContaT");
        buffer.SetMasterSource(&dsMain);
        buffer.OnNewRecord = [this](TDataSet *d) {
            if (!inCopiaDati)
                d->FieldByName("Stato")->SetAsInteger(2);
        };
        buffer.BeforePost = [this](TDataSet *d) {
            if (inCopiaDati)
                return;
            if (d->State() == dsInsert && !d->Modified()) {
                d->Cancel();
                throw EAbort();
            }
            if (d->FieldByName("Stato")->AsInteger() == 0)
                d->FieldByName("Stato")->SetAsInteger(1);
        };
        buffer.BeforeDelete = [this](TDataSet *d) {
            if (inCopiaDati)
                return;
            const int stato = d->FieldByName("Stato")->AsInteger();
            if (stato == 0 || stato == 1) {
                if (d->State() == dsBrowse)
                    d->Edit();
                d->FieldByName("Stato")->SetAsInteger(3);
                d->Post();
                throw EAbort();
            }
        };

        client.SetDatabase(db);
        client.SetTableName("TT_Righe");
        client.SetUsaDizionario(true);
        client.SetXWhereVuoto("KContaT = 0");
    }

    void Open()
    {
        head.Open();
        Funzioni::CheckTabOpen(&stored);
        buffer.CreaTabella();
    }

    // Loading: the stored rows of the head into the buffer, then the head into edit.
    void Load()
    {
        inCopiaDati = true;
        buffer.Close();
        buffer.SetFiltered(false);
        buffer.EmptyTable();
        buffer.Open();
        for (stored.First(); !stored.Eof(); stored.Next()) {
            buffer.Insert();
            Funzioni::CopiaDati(&buffer, &stored, 0, 0, false);
            buffer.Post();
        }
        head.Edit();
        buffer.Close();
        buffer.SetFilter("Stato < 3");
        buffer.SetFiltered(true);
        buffer.Open();
        inCopiaDati = false;
    }

    // Save: every buffer row onto the stored rows, then the head, in one transaction.
    bool Save(TXDatabase *db, const std::function<void()> &beforeCommit = {})
    {
        if (db->InTransaction())
            return false;
        if (buffer.State() == dsEdit || buffer.State() == dsInsert)
            buffer.Post();
        Funzioni::CheckTabOpen(&client);
        db->StartTransaction();
        try {
            buffer.Close();
            buffer.SetFiltered(false);
            buffer.Open();
            for (buffer.First(); !buffer.Eof(); buffer.Next()) {
                const int stato = buffer.FieldByName("Stato")->AsInteger();
                if (stato == 1 || stato == 3) {
                    if (!client.Locate("KContaR", buffer.FieldByName("KContaR")->Value()))
                        throw Exception("Errore in lettura movimento");
                    if (stato == 3) {
                        client.Delete();
                    } else {
                        client.Edit();
                        Funzioni::CopiaDati(&client, &buffer, 0, 0, false);
                        client.Post();
                    }
                } else if (stato == 2) {
                    client.Insert();
                    Funzioni::CopiaDati(&client, &buffer, 0, 0, false);
                    client.Post();
                }
            }
            if (head.Modified())
                head.Post();
            else
                head.Cancel();
            if (beforeCommit)
                beforeCommit();
            db->Commit();
            return true;
        } catch (const std::exception &) {
            Funzioni::CheckRollBack(&client);
            db->Rollback();
            return false;
        }
    }

    TXTable head;
    TDataSource dsMain;
    TXQuery stored;
    TXTable buffer;
    TXClientTable client;
    bool inCopiaDati = false;
};

class RowStates : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!tdb.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        kv8data::SetDataDictionary(&DataTestDictionary());
        db = tdb.Connect();
        SchemaInstaller(DataTestDictionary()).Create(*db);
        db->ExecSQL("INSERT INTO TT_Testa (KContaT, IdConto) VALUES (1, 'C1'), (2, 'C2')");
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (11, 1, 'A', 1), "
                    "(12, 1, 'B', 2), (13, 1, 'C', 3), (21, 2, 'A', 9)");
    }
    void TearDown() override { kv8data::SetDataDictionary(nullptr); }

    QStringList StoredRows(int head)
    {
        QStringList out;
        QSqlQuery q = db->OpenQuery("SELECT IdImballo, Qta FROM TT_Righe WHERE KContaT = ? ORDER BY IdImballo", {head});
        while (q.next())
            out << q.value(0).toString() + "=" + QString::number(q.value(1).toDouble());
        return out;
    }

    QStringList Shown(TDataSet &t)
    {
        QStringList out;
        for (t.First(); !t.Eof(); t.Next())
            out << t.FieldByName("IdImballo")->AsString() + ":" + t.FieldByName("Stato")->AsString();
        return out;
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

} // namespace

TEST_F(RowStates, BufferKeepsDeletedRowsDiscardsUntouchedOnesAndSaveReplaysThem)
{
    Window w(db.get());
    w.Open();
    ASSERT_TRUE(w.head.Locate("KContaT", 1));
    EXPECT_EQ(w.stored.RecordCount(), 3); // the stored rows follow the head
    w.Load();
    EXPECT_EQ(w.head.State(), dsEdit);
    EXPECT_EQ(Shown(w.buffer), (QStringList{"A:0", "B:0", "C:0"})); // copied rows carry state 0

    // modify A, delete B (kept as state 3), add D, add and remove E, leave F untouched
    ASSERT_TRUE(w.buffer.Locate("IdImballo", "A"));
    w.buffer.Edit();
    w.buffer.FieldByName("Qta")->SetAsFloat(10);
    w.buffer.Post();
    ASSERT_TRUE(w.buffer.Locate("IdImballo", "B"));
    EXPECT_THROW(w.buffer.Delete(), EAbort);
    w.buffer.Append();
    EXPECT_EQ(w.buffer.FieldByName("KContaT")->AsInteger(), 1); // through the master link
    w.buffer.FieldByName("IdImballo")->SetAsString("D");
    w.buffer.FieldByName("Qta")->SetAsFloat(4);
    w.buffer.Post();
    w.buffer.Append();
    w.buffer.FieldByName("IdImballo")->SetAsString("E");
    w.buffer.Post();
    ASSERT_TRUE(w.buffer.Locate("IdImballo", "E"));
    w.buffer.Delete(); // a new row goes at once
    w.buffer.Append();
    w.buffer.First(); // an untouched new row is dropped without a word
    EXPECT_EQ(Shown(w.buffer), (QStringList{"A:1", "C:0", "D:2"}));
    w.buffer.SetFiltered(false);
    EXPECT_EQ(Shown(w.buffer), (QStringList{"A:1", "B:3", "C:0", "D:2"}));
    w.buffer.SetFiltered(true);
    EXPECT_EQ(StoredRows(1), (QStringList{"A=1", "B=2", "C=3"})); // nothing stored yet

    // a save while an untouched new row is pending: the row goes, the save request ends
    w.buffer.Append();
    EXPECT_THROW(w.Save(db.get()), EAbort);
    EXPECT_FALSE(db->InTransaction());

    ASSERT_TRUE(w.Save(db.get()));
    EXPECT_EQ(StoredRows(1), (QStringList{"A=10", "C=3", "D=4"}));
    EXPECT_EQ(StoredRows(2), QStringList{"A=9"});
    EXPECT_EQ(w.head.State(), dsBrowse);
}

TEST_F(RowStates, FailedSaveRollsBackAndKeepsTheUsersWork)
{
    Window w(db.get());
    w.Open();
    ASSERT_TRUE(w.head.Locate("KContaT", 1));
    w.Load();
    ASSERT_TRUE(w.buffer.Locate("IdImballo", "C"));
    EXPECT_THROW(w.buffer.Delete(), EAbort);
    ASSERT_TRUE(w.buffer.Locate("IdImballo", "A"));
    w.buffer.Edit();
    w.buffer.FieldByName("Qta")->SetAsFloat(7);
    w.buffer.Post();
    w.head.FieldByName("IdConto")->SetAsString("C9");

    // the commit fails: nothing of the save survives
    EXPECT_FALSE(w.Save(db.get(), [] { throw EDatabaseError("errore simulato"); }));
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(StoredRows(1), (QStringList{"A=1", "B=2", "C=3"}));
    EXPECT_EQ(db->ScalarValue("SELECT IdConto FROM TT_Testa WHERE KContaT = 1").toString(), "C1");

    // a stored row removed by another user meanwhile: the whole save is undone
    auto other = tdb.Connect();
    other->ExecSQL("DELETE FROM TT_Righe WHERE KContaR = 13");
    EXPECT_FALSE(w.Save(db.get()));
    EXPECT_EQ(StoredRows(1), (QStringList{"A=1", "B=2"}));
    // the buffer still holds the user's work: once the row is back the same save goes through
    other->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (13, 1, 'C', 3)");
    ASSERT_TRUE(w.Save(db.get()));
    EXPECT_EQ(StoredRows(1), (QStringList{"A=7", "B=2"}));
}
