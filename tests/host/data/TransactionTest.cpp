// Tables and client tables following the transactions of their connection: after a rollback
// they hold only what is stored, after a commit they keep what they wrote without reading it
// again; a client table reads its held rows again in one statement.
#include "host/data/TXClientTable.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

const Dictionary &DataTestDictionary();

namespace {

class TransactionData : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        kv8data::SetDataDictionary(&DataTestDictionary());
        db = tdb.Connect();
        SchemaInstaller(DataTestDictionary()).Create(*db);
        db->ExecSQL("INSERT INTO TT_Testa (KContaT, IdConto, DsNote) VALUES (1, 'C001', 'Uno'), (2, 'C002', 'Due')");
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (1, 1, 'A', 1), (2, 1, 'B', 2), "
                    "(3, 1, 'C', 3), (4, 2, 'A', 4)");
    }
    void TearDown() override { kv8data::SetDataDictionary(nullptr); }

    void Client(TXClientTable &t, const QString &table, const QString &empty)
    {
        t.SetDatabase(db.get());
        t.SetTableName(table);
        t.SetXWhereVuoto(empty);
        t.Open();
    }
    QVariant Stored(const QString &sql) { return db->ScalarValue(sql); }
    static void Set(TDataSet &t, const QString &key, const QVariant &value, const QString &field, const QVariant &to)
    {
        ASSERT_TRUE(t.Locate(key, value));
        t.Edit();
        t.FieldByName(field)->SetValue(to);
        t.Post();
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

} // namespace

TEST_F(TransactionData, ErrorAfterPostsLeavesEveryTableWithWhatIsStored)
{
    TXClientTable righe, teste, lettore;
    Client(righe, "TT_Righe", "KContaT = -1");
    Client(teste, "TT_Testa", "KContaT = -1");
    Client(lettore, "TT_Righe", "KContaT = -1");
    TXTable elenco; // a whole table, as a window's grid shows it
    elenco.SetDatabase(db.get());
    elenco.SetTableName("TT_Testa");
    elenco.SetIndexFieldNames("KContaT");
    elenco.Open();
    ASSERT_TRUE(lettore.Locate("KContaR", 1)); // read before: stays as it is

    int nuova = 0;
    try {
        TXTransaction transaction(*db);
        Set(righe, "KContaR", 2, "Qta", 99);
        ASSERT_TRUE(righe.Locate("KContaR", 3));
        righe.Delete();
        righe.Append();
        nuova = righe.FieldByName("KContaR")->AsInteger();
        righe.FieldByName("KContaT")->SetAsInteger(1);
        righe.FieldByName("IdImballo")->SetAsString("D");
        righe.Post();
        Set(teste, "KContaT", 1, "IdConto", "C999");
        Set(elenco, "KContaT", 2, "DsNote", "Cambiata");
        elenco.Append();
        elenco.FieldByName("IdConto")->SetAsString("C003");
        elenco.Post();
        // another statement of the save, then a table reading what it wrote
        db->ExecSQL("UPDATE TT_Righe SET Qta = 7 WHERE KContaR IN (1, 4)");
        EXPECT_TRUE(lettore.Locate("KContaR", 4));
        EXPECT_DOUBLE_EQ(lettore.FieldByName("Qta")->AsFloat(), 7.0);
        throw Exception("errore simulato");
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, "errore simulato");
    }
    ASSERT_FALSE(db->InTransaction());

    // the same reads now give what is stored
    ASSERT_TRUE(righe.Locate("KContaR", 2));
    EXPECT_DOUBLE_EQ(righe.FieldByName("Qta")->AsFloat(), 2.0);
    EXPECT_TRUE(righe.Locate("KContaR", 3)); // deleted, then rolled back
    EXPECT_FALSE(righe.Locate("KContaR", nuova));
    EXPECT_FALSE(righe.Locate("KContaT;IdImballo", QVariantList{1, "D"}));
    ASSERT_TRUE(teste.Locate("KContaT", 1));
    EXPECT_EQ(teste.FieldByName("IdConto")->AsString(), "C001");
    ASSERT_TRUE(lettore.Locate("KContaR", 4));
    EXPECT_DOUBLE_EQ(lettore.FieldByName("Qta")->AsFloat(), 4.0);
    ASSERT_TRUE(lettore.Locate("KContaR", 1));
    EXPECT_DOUBLE_EQ(lettore.FieldByName("Qta")->AsFloat(), 1.0);
    EXPECT_EQ(elenco.RecordCount(), 2);
    ASSERT_TRUE(elenco.Locate("KContaT", 2));
    EXPECT_EQ(elenco.FieldByName("DsNote")->AsString(), "Due");
    EXPECT_EQ(elenco.State(), dsBrowse);
    EXPECT_EQ(Stored("SELECT COUNT(*) FROM TT_Righe").toInt(), 4);

    // and the same save goes through afterwards
    TXTransaction again(*db);
    Set(righe, "KContaR", 2, "Qta", 98);
    Set(elenco, "KContaT", 2, "DsNote", "Ancora");
    again.Commit();
    EXPECT_DOUBLE_EQ(Stored("SELECT Qta FROM TT_Righe WHERE KContaR = 2").toDouble(), 98.0);
    EXPECT_EQ(Stored("SELECT DsNote FROM TT_Testa WHERE KContaT = 2").toString(), "Ancora");
}

TEST_F(TransactionData, CommitKeepsWhatWasWrittenWithoutReadingItAgain)
{
    TXClientTable righe;
    Client(righe, "TT_Righe", "KContaT = -1");
    TXTable elenco;
    elenco.SetDatabase(db.get());
    elenco.SetTableName("TT_Testa");
    elenco.Open();

    TXTransaction transaction(*db);
    ASSERT_TRUE(transaction.Started());
    Set(righe, "KContaR", 2, "Qta", 50);
    righe.Append();
    const int nuova = righe.FieldByName("KContaR")->AsInteger();
    righe.FieldByName("KContaT")->SetAsInteger(2);
    righe.FieldByName("Qta")->SetAsFloat(8);
    righe.Post();
    Set(elenco, "KContaT", 1, "DsNote", "Salvata");
    transaction.Commit();

    const quint64 before = db->StatementCount();
    ASSERT_TRUE(righe.Locate("KContaR", 2));
    EXPECT_DOUBLE_EQ(righe.FieldByName("Qta")->AsFloat(), 50.0);
    ASSERT_TRUE(righe.Locate("KContaR", nuova));
    EXPECT_DOUBLE_EQ(righe.FieldByName("Qta")->AsFloat(), 8.0);
    ASSERT_TRUE(elenco.Locate("KContaT", 1));
    EXPECT_EQ(elenco.FieldByName("DsNote")->AsString(), "Salvata");
    EXPECT_EQ(db->StatementCount(), before);
    EXPECT_DOUBLE_EQ(Stored(QStringLiteral("SELECT Qta FROM TT_Righe WHERE KContaR = %1").arg(nuova)).toDouble(), 8.0);
}

TEST_F(TransactionData, BatchAppliedInTheCallersTransactionIsTakenBackByItsRollback)
{
    TXClientTable righe;
    righe.SetCachedUpdates(true);
    Client(righe, "TT_Righe", "KContaT = -1");
    Set(righe, "KContaR", 2, "Qta", 33);
    righe.Append();
    righe.FieldByName("KContaR")->SetAsInteger(70);
    righe.FieldByName("KContaT")->SetAsInteger(2);
    righe.Post();
    {
        TXTransaction transaction(*db);
        EXPECT_EQ(righe.ApplyUpdates(0), 0);
        EXPECT_TRUE(db->InTransaction()); // applied in the caller's transaction
        EXPECT_EQ(righe.ChangeCount(), 0);
    } // left without a commit
    EXPECT_EQ(Stored("SELECT COUNT(*) FROM TT_Righe WHERE KContaR = 70").toInt(), 0);
    EXPECT_FALSE(righe.Locate("KContaR", 70));
    ASSERT_TRUE(righe.Locate("KContaR", 2));
    EXPECT_DOUBLE_EQ(righe.FieldByName("Qta")->AsFloat(), 2.0);
}

TEST_F(TransactionData, RefreshReadsTheHeldRowsInOneStatement)
{
    db->StartTransaction();
    for (int k = 100; k < 400; ++k)
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (?, 3, 'X', 1)", {k});
    db->Commit();
    TXClientTable righe;
    Client(righe, "TT_Righe", "KContaT = -1");
    for (int k = 1; k < 400; k = k == 4 ? 100 : k + 1)
        ASSERT_TRUE(righe.Locate("KContaR", k));
    ASSERT_EQ(righe.RecordCount(), 304);
    db->ExecSQL("UPDATE TT_Righe SET Qta = Qta + 10");
    db->ExecSQL("DELETE FROM TT_Righe WHERE KContaR = 3");

    const quint64 before = db->StatementCount();
    righe.Refresh();
    // the empty selection, then 304 keys in two statements (within any engine's limits)
    EXPECT_EQ(db->StatementCount() - before, 3);
    EXPECT_EQ(righe.RecordCount(), 303);
    double total = 0;
    for (righe.First(); !righe.Eof(); righe.Next())
        total += righe.FieldByName("Qta")->AsFloat();
    EXPECT_DOUBLE_EQ(total, 300 * 11 + 1 + 2 + 4 + 3 * 10);

    // keys of two columns, one of them empty
    db->ExecSQL("CREATE TABLE TT_Doppia (Serie VARCHAR(3) NOT NULL, Numero INTEGER, Valore DOUBLE PRECISION NOT NULL "
                "DEFAULT 0)");
    db->ExecSQL("INSERT INTO TT_Doppia (Serie, Numero, Valore) VALUES ('A', 1, 1), ('A', NULL, 2), ('B', 1, 3), "
                "('B', 2, 4)");
    TXClientTable doppia;
    doppia.SetKeyFields("Serie;Numero");
    doppia.SetXWhere("Numero IS NULL"); // the row with the empty number comes with the selection
    Client(doppia, "TT_Doppia", "1 = 0");
    ASSERT_EQ(doppia.RecordCount(), 1);
    ASSERT_TRUE(doppia.Locate("Serie;Numero", QVariantList{"A", 1}));
    ASSERT_TRUE(doppia.Locate("Serie;Numero", QVariantList{"B", 2}));
    db->ExecSQL("UPDATE TT_Doppia SET Valore = Valore * 10 + 1");
    const quint64 again = db->StatementCount();
    doppia.Refresh();
    EXPECT_EQ(db->StatementCount() - again, 2);
    QStringList rows;
    for (doppia.First(); !doppia.Eof(); doppia.Next())
        rows << doppia.FieldByName("Serie")->AsString() + doppia.FieldByName("Numero")->AsString() + "="
                    + QString::number(doppia.FieldByName("Valore")->AsFloat());
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"A1=11", "A=21", "B2=41"}));
}

TEST_F(TransactionData, LookupTableReadInsideARolledBackSaveIsReadAgain)
{
    TXlkTable prima, dentro;
    for (TXlkTable *lk : {&prima, &dentro}) {
        lk->SetDatabase(db.get());
        lk->SetTableName("TT_Imballi");
    }
    db->ExecSQL("INSERT INTO TT_Imballi (IdImballo, DsImballo) VALUES ('A', 'Cassa')");
    prima.Open();
    {
        TXTransaction transaction(*db);
        db->ExecSQL("INSERT INTO TT_Imballi (IdImballo, DsImballo) VALUES ('N', 'Nuovo')");
        db->ExecSQL("UPDATE TT_Imballi SET DsImballo = 'Cassetta' WHERE IdImballo = 'A'");
        dentro.Open();
        EXPECT_TRUE(dentro.Locate("IdImballo", "N"));
    }
    const quint64 before = db->StatementCount();
    EXPECT_FALSE(dentro.Locate("IdImballo", "N"));
    ASSERT_TRUE(dentro.Locate("IdImballo", "A"));
    EXPECT_EQ(dentro.FieldByName("DsImballo")->AsString(), "Cassa");
    // one opened before the transaction held what is stored all along
    ASSERT_TRUE(prima.Locate("IdImballo", "A"));
    EXPECT_EQ(prima.FieldByName("DsImballo")->AsString(), "Cassa");
    EXPECT_EQ(db->StatementCount(), before);
}

TEST_F(TransactionData, TablesOfAConnectionClosedInsideATransactionKeepNothing)
{
    auto conn = tdb.Connect();
    TXTable elenco;
    elenco.SetDatabase(conn.get());
    elenco.SetTableName("TT_Testa");
    elenco.Open();
    conn->StartTransaction();
    Set(elenco, "KContaT", 1, "DsNote", "Mai salvata");
    conn.reset(); // rolled back as it closes
    EXPECT_FALSE(elenco.Active());
    EXPECT_EQ(Stored("SELECT DsNote FROM TT_Testa WHERE KContaT = 1").toString(), "Uno");
}

TEST_F(TransactionData, AKeyDrawnTheFirstTimeLeavesWhatTheTablesKnow)
{
    TXClientTable righe;
    Client(righe, "TT_Righe", "KContaT = -1");
    TXTransaction transaction(*db);
    righe.ReadAsStored("KContaR", {{2}, {99}}); // read as stored in the transaction, 99 known not stored
    // the key store made for a table never drawn from writes no table of the datasets
    db->NewKey(QStringLiteral("TT_Testa"), QStringLiteral("KContaT"));
    const quint64 before = db->StatementCount();
    ASSERT_TRUE(righe.LocateAsStored("KContaR", 2));
    EXPECT_FALSE(righe.LocateAsStored("KContaR", 99));
    EXPECT_EQ(db->StatementCount(), before);
    // a statement writing the table still makes it read again
    db->ExecSQL("UPDATE TT_Righe SET Qta = 77 WHERE KContaR = 2");
    ASSERT_TRUE(righe.LocateAsStored("KContaR", 2));
    EXPECT_DOUBLE_EQ(righe.FieldByName("Qta")->AsFloat(), 77.0);
    transaction.Commit();
}
