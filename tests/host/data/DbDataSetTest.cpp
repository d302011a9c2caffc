// Database-backed datasets on SQLite and PostgreSQL: queries, tables, client tables, lookup
// tables and the dataset routines.
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

const Dictionary &DataTestDictionary();

const Dictionary &DataTestDictionary()
{
    static QTemporaryDir dir;
    static const Dictionary dictionary = [] {
        const QString path = dir.filePath(QStringLiteral("data-test.json"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(R"json({"tables": [
  {"name": "TT_Testa", "columns": [
    {"name": "KContaT", "type": "integer", "autokey": true, "label": "Chiave"},
    {"name": "IdContoTp", "type": "string(2)", "default": "CL"},
    {"name": "IdConto", "type": "string(8)", "label": "Conto"},
    {"name": "DsNote", "type": "string(30)"},
    {"name": "Totale", "type": "float", "displayFormat": "#,0.00"},
    {"name": "DataDoc", "type": "datetime"}],
   "primaryKey": ["KContaT"]},
  {"name": "TT_Righe", "columns": [
    {"name": "KContaR", "type": "integer", "autokey": true},
    {"name": "KContaT", "type": "integer"},
    {"name": "IdImballo", "type": "string(3)"},
    {"name": "Qta", "type": "float"}],
   "primaryKey": ["KContaR"]},
  {"name": "TT_Imballi", "columns": [
    {"name": "IdImballo", "type": "string(3)"},
    {"name": "DsImballo", "type": "string(30)", "label": "Descrizione imballo"}],
   "primaryKey": ["IdImballo"]},
  {"name": "TT_t_Righe", "database": "local", "columns": [
    {"name": "Contatore", "type": "autoinc"},
    {"name": "KContaR", "type": "integer"},
    {"name": "KContaT", "type": "integer"},
    {"name": "IdImballo", "type": "string(3)"},
    {"name": "Qta", "type": "float"},
    {"name": "Stato", "type": "smallint"}]}
]})json");
        f.close();
        return Dictionary::Load({path});
    }();
    return dictionary;
}

namespace {

class DbDataSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!tdb.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        kv8data::SetDataDictionary(&DataTestDictionary());
        db = tdb.Connect();
        SchemaInstaller(DataTestDictionary()).Create(*db);
        db->ExecSQL("INSERT INTO TT_Imballi (IdImballo, DsImballo) VALUES (?, ?), (?, ?), (?, ?)",
                    {"A", "Cassa", "B", "Bottiglia", "C", "L'Aquila d'oro"});
        db->ExecSQL("INSERT INTO TT_Testa (KContaT, IdConto, DsNote, Totale) VALUES (1, 'C001', 'Uno', 10), "
                    "(2, 'C002', 'Due', 20)");
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (1, 1, 'A', 1), (2, 1, 'B', 2), "
                    "(3, 1, 'C', 3), (4, 2, 'A', 4)");
    }
    void TearDown() override { kv8data::SetDataDictionary(nullptr); }

    qint64 Count(const QString &table, const QString &where = QString())
    {
        return db->ScalarValue("SELECT COUNT(*) FROM " + table + (where.isEmpty() ? QString() : " WHERE " + where))
            .toLongLong();
    }
    QVariant Scalar(const QString &sql) { return db->ScalarValue(sql); }

    std::unique_ptr<TXTable> Table(const QString &name, TXDatabase *on = nullptr)
    {
        auto t = std::make_unique<TXTable>();
        t->SetName(name);
        t->SetTableName(name);
        t->SetDatabase(on ? on : db.get());
        t->SetUsaDizionario(true);
        return t;
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

} // namespace

TEST_F(DbDataSet, QueryParametersTypesAndTextEditing)
{
    TXQuery q;
    q.SetDatabase(db.get());
    q.SQL << "SELECT KContaT, IdConto, Totale, DataDoc"
          << "FROM TT_Testa"
          << "WHERE KContaT >= :Da AND IdConto <> :Conto AND Totale < :Max"
          << "ORDER BY KContaT";
    ASSERT_EQ(q.ParamCount(), 3);
    q.ParamByName("da")->SetAsInteger(1);
    q.Params(1)->SetAsWideString("x'y");
    q.ParamByName("Max")->SetAsFloat(100);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 2);
    // the dictionary's spelling, found without regard to case; types from the dictionary
    EXPECT_EQ(q.FieldByName("kcontat")->FieldName(), "KContaT");
    EXPECT_EQ(q.FieldByName("Totale")->DisplayFormat(), "#,0.00");
    EXPECT_EQ(q.FieldByName("Totale")->DisplayText(), "10,00");
    EXPECT_FALSE(q.FieldByName("DataDoc")->AsDateTime().isValid());
    EXPECT_THROW(q.Edit(), EDatabaseError); // read-only

    // the module's way of editing the text: find the WHERE line and replace it
    q.Close();
    Funzioni::ImpostaSQLQuery(&q, "WHERE", "IdConto = :Conto");
    EXPECT_EQ(q.SQL[2], "WHERE IdConto = :Conto");
    EXPECT_EQ(q.ParamCount(), 1);
    EXPECT_EQ(q.ParamByName("Conto")->AsString(), "x'y"); // kept by name
    q.ParamByName("Conto")->SetAsString("C002");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName("KContaT")->AsInteger(), 2);
    // ':' inside literals, casts and comments names no parameter
    TXQuery p;
    p.SQL << "SELECT '10:30 :Finto' AS Ora, KContaT::text AS K -- :Commento"
          << "FROM TT_Testa WHERE KContaT = :K";
    EXPECT_EQ(p.ParamCount(), 1);
    EXPECT_EQ(p.Params(0)->Name(), "K");
    QStringList noWhere{"SELECT 1"};
    EXPECT_THROW(Funzioni::ImpostaSQLQuery(noWhere, "WHERE", "1 = 1"), Exception);

    // a datetime parameter
    db->ExecSQL("UPDATE TT_Testa SET DataDoc = ? WHERE KContaT = 2", {QDateTime(QDate(2024, 3, 1), QTime(10, 30))});
    q.Close();
    q.SQL = QStringList{"SELECT KContaT FROM TT_Testa WHERE DataDoc >= :Dal"};
    q.ParamByName("Dal")->SetAsDateTime(QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);
    q.Close();
    q.SQL = QStringList{"SELECT DataDoc FROM TT_Testa WHERE KContaT = 2"};
    q.Open();
    EXPECT_EQ(q.FieldByName("DataDoc")->AsDateTime(), QDateTime(QDate(2024, 3, 1), QTime(10, 30)));
}

TEST_F(DbDataSet, QueryTemplateExecAndJoinedColumns)
{
    TXQuery q;
    q.SetDatabase(db.get());
    q.XSQL << "SELECT R.IdImballo, SUM(R.Qta) AS QtaTot"
           << "FROM TT_Righe R"
           << "LEFT JOIN TT_Testa T ON T.KContaT = R.KContaT"
           << "{WHERE XWHERE}"
           << "GROUP BY R.IdImballo"
           << "{ORDER BY XORDERBY}";
    q.ImpostaSQL("T.IdConto = 'C001'", "R.IdImballo");
    EXPECT_EQ(q.SQL[3], "WHERE T.IdConto = 'C001'");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_DOUBLE_EQ(q.FieldByName("qtatot")->AsFloat(), 1.0);
    EXPECT_EQ(q.FieldByName("QtaTot")->FieldName(), "QtaTot");
    q.ImpostaSQL(QString());
    EXPECT_EQ(q.SQL[3], "");
    EXPECT_EQ(q.SQL[5], "");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3);
    EXPECT_EQ(TXQuery::RiempiSegnaposti({"WHERE A = 1 {AND XWHERE}", "x{ AND  XWHERE}"}, "B = 2", {}),
              (QStringList{"WHERE A = 1 AND B = 2", "x AND  B = 2"}));

    // the same column name twice: the first wins, the second is numbered
    TXQuery j;
    j.SetDatabase(db.get());
    j.SQL << "SELECT T.*, R.*"
          << "FROM TT_Testa T JOIN TT_Righe R ON R.KContaT = T.KContaT"
          << "WHERE R.KContaR = 4";
    j.Open();
    EXPECT_EQ(j.FieldByName("KContaT")->AsInteger(), 2);
    EXPECT_EQ(j.FieldByName("IdConto")->AsString(), "C002");
    EXPECT_NE(j.FindField("KContaT_1"), nullptr);

    // statements that change rows
    TXQuery g;
    g.SetDatabase(db.get());
    g.SQL << "UPDATE TT_Righe SET Qta = Qta + :Add WHERE KContaT = :K";
    g.ParamByName("Add")->SetAsFloat(0.5);
    g.ParamByName("K")->SetAsInteger(1);
    EXPECT_EQ(g.ExecSQL(), 3);
    EXPECT_DOUBLE_EQ(Scalar("SELECT Qta FROM TT_Righe WHERE KContaR = 1").toDouble(), 1.5);
}

// Callers keep the fields they found (a missing one too) while the names serial stands.
TEST_F(DbDataSet, NamesSerialChangesExactlyWhenTheNamesFoundMayChange)
{
    TXQuery q;
    q.SetDatabase(db.get());
    q.SQL << "SELECT KContaR, Qta FROM TT_Righe";
    q.Open();
    const quint64 first = q.NamesSerial();
    EXPECT_EQ(q.FindField("IdImballo"), nullptr);
    q.Close();
    q.Open(); // the same columns: the names found stand
    EXPECT_EQ(q.NamesSerial(), first);
    q.Close();
    q.SQL.clear();
    q.SQL << "SELECT KContaR, IdImballo FROM TT_Righe";
    q.Open();
    EXPECT_NE(q.NamesSerial(), first);
    EXPECT_NE(q.FindField("IdImballo"), nullptr);
    EXPECT_EQ(q.FindField("Qta"), nullptr);

    TXMemTable m;
    const quint64 empty = m.NamesSerial();
    EXPECT_NE(empty, first); // never the serial of another dataset
    m.AddField("X", ftInteger);
    EXPECT_NE(m.NamesSerial(), empty);
}

// A name asked again with the same text finds the field the dataset has now: after its
// columns change, the one of the new opening (here under the other's name), or none.
TEST_F(DbDataSet, FieldsAskedAgainByTheSameNameFollowTheColumns)
{
    const QString qta = QStringLiteral("Qta"), imballo = QStringLiteral("IdImballo"),
                  spaziato = QStringLiteral(" Qta ");
    TXQuery q;
    q.SetDatabase(db.get());
    q.SQL << "SELECT KContaR, Qta FROM TT_Righe WHERE KContaR = 3";
    q.Open();
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(q.FindField(qta), nullptr);
        EXPECT_EQ(q.FindField(spaziato), q.FindField(qta));
        EXPECT_DOUBLE_EQ(q.FindField(qta)->AsFloat(), 3);
        EXPECT_EQ(q.FindField(imballo), nullptr);
    }
    q.Close();
    q.SQL.clear();
    q.SQL << "SELECT IdImballo, KContaT AS Qta, Qta AS Quantita FROM TT_Righe WHERE KContaR = 4";
    q.Open();
    ASSERT_NE(q.FindField(qta), nullptr);
    EXPECT_DOUBLE_EQ(q.FindField(qta)->AsFloat(), 2);
    EXPECT_DOUBLE_EQ(q.FindField(spaziato)->AsFloat(), 2);
    ASSERT_NE(q.FindField(imballo), nullptr);
    EXPECT_EQ(q.FindField(imballo)->AsString(), QStringLiteral("A"));
    EXPECT_EQ(q.FieldByName(qta), q.FindField(qta));
    q.Close();
    q.SQL.clear();
    q.SQL << "SELECT KContaR FROM TT_Righe";
    q.Open();
    EXPECT_EQ(q.FindField(qta), nullptr);
    EXPECT_EQ(q.FindField(spaziato), nullptr);
    EXPECT_THROW(q.FieldByName(qta), EDatabaseError);
}

// A key held in memory and unchanged in the transaction is found there, with the scroll
// events of Locate; a key no record can hold finds nothing and leaves the cursor.
TEST_F(DbDataSet, ClientTableLocatesHeldRowsAsLocateDoes)
{
    TXClientTable c;
    c.SetDatabase(db.get());
    c.SetTableName("TT_Righe");
    c.SetXWhereVuoto("KContaT = -1");
    c.Open();
    db->StartTransaction();
    c.ReadAsStored("KContaR", {QVariantList{2}, QVariantList{3}});
    ASSERT_TRUE(c.Locate("KContaR", 3));
    int scrolls = 0;
    c.AfterScroll = [&](TDataSet *) { ++scrolls; };
    const quint64 before = db->StatementCount();
    ASSERT_TRUE(c.LocateAsStored("KContaR", QStringLiteral("2"))); // held: no statement
    EXPECT_EQ(db->StatementCount(), before);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(c.FieldByName("KContaR")->AsInteger(), 2);
    EXPECT_EQ(c.FieldByName("IdImballo")->AsString(), "B");
    EXPECT_FALSE(c.LocateAsStored("KContaR", QStringLiteral("due")));
    EXPECT_EQ(c.FieldByName("KContaR")->AsInteger(), 2);
    EXPECT_EQ(scrolls, 1);
    db->Rollback();
}

TEST_F(DbDataSet, QueryFollowsItsMasterAndStreamsLargeScans)
{
    auto head = Table("TT_Testa");
    head->SetIndexFieldNames("KContaT");
    head->Open();
    TDataSource dsHead;
    dsHead.SetDataSet(head.get());
    TXQuery rows;
    rows.SetDatabase(db.get());
    rows.SQL << "SELECT TT_Righe.*"
             << "FROM TT_Righe"
             << "WHERE TT_Righe.KContaT = :KContaT"
             << "ORDER BY IdImballo";
    rows.SetDataSource(&dsHead);
    rows.Open();
    EXPECT_EQ(rows.RecordCount(), 3);
    head->Next();
    EXPECT_EQ(rows.RecordCount(), 1);
    EXPECT_EQ(rows.FieldByName("KContaR")->AsInteger(), 4);
    head->First();
    EXPECT_EQ(rows.RecordCount(), 3);

    for (int i = 0; i < 300; ++i)
        db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (?, 9, 'Z', ?)", {100 + i, i});
    TXQuery scan;
    scan.SetDatabase(db.get());
    scan.SetUniDirectional(true);
    scan.SQL << "SELECT * FROM TT_Righe WHERE KContaT = 9 ORDER BY KContaR";
    scan.Open();
    EXPECT_EQ(scan.RecordCount(), 300); // for the progress bar, before reading
    int n = 0;
    double sum = 0;
    for (; !scan.Eof(); scan.Next()) {
        ++n;
        sum += scan.FieldByName("Qta")->AsFloat();
    }
    EXPECT_EQ(n, 300);
    EXPECT_DOUBLE_EQ(sum, 299.0 * 300 / 2);
    EXPECT_THROW(scan.Prior(), EDatabaseError);
    scan.First(); // reads again from the start
    EXPECT_EQ(scan.FieldByName("KContaR")->AsInteger(), 100);
}

TEST_F(DbDataSet, TableWritesByKeyAndDrawsKeysAtInsert)
{
    auto t = Table("TT_Testa");
    t->Open();
    EXPECT_EQ(t->FieldByName("idconto")->DisplayLabel(), "Conto");
    t->Append();
    const int key = t->FieldByName("KContaT")->AsInteger();
    EXPECT_GT(key, 2);                                        // drawn at Append, above the stored keys
    EXPECT_EQ(t->FieldByName("IdContoTp")->AsString(), "CL"); // dictionary default
    t->FieldByName("IdConto")->SetAsString("C'3");
    t->FieldByName("DsNote")->SetAsString("L'Aquila d'oro");
    t->FieldByName("DataDoc")->SetAsDateTime(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    t->Post();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT DsNote FROM TT_Testa WHERE KContaT = %1").arg(key)).toString(),
              "L'Aquila d'oro");
    EXPECT_EQ(Scalar(QStringLiteral("SELECT IdContoTp FROM TT_Testa WHERE KContaT = %1").arg(key)).toString(), "CL");
    ASSERT_TRUE(t->Locate("KContaT", 1));
    t->Edit();
    t->FieldByName("Totale")->SetAsFloat(12.25);
    t->Post();
    EXPECT_DOUBLE_EQ(Scalar("SELECT Totale FROM TT_Testa WHERE KContaT = 1").toDouble(), 12.25);
    ASSERT_TRUE(t->Locate("KContaT", key));
    t->Edit();
    t->FieldByName("DsNote")->SetAsString("Cambiata");
    t->Post(); // the stored date and texts still match the values read
    t->Delete();
    EXPECT_EQ(Count("TT_Testa"), 2);
    t->Refresh();
    EXPECT_EQ(t->RecordCount(), 2);

    // pending changes applied on request, all or nothing
    t->SetXAutoApply(false);
    t->Append();
    t->FieldByName("IdConto")->SetAsString("N1");
    t->Post();
    ASSERT_TRUE(t->Locate("KContaT", 2));
    t->Delete();
    EXPECT_EQ(t->ChangeCount(), 2);
    EXPECT_EQ(Count("TT_Testa"), 2);
    EXPECT_EQ(t->ApplyUpdates(0), 0);
    EXPECT_EQ(Count("TT_Testa"), 2);
    EXPECT_EQ(Count("TT_Testa", "IdConto = 'N1'"), 1);
    EXPECT_EQ(Count("TT_Testa", "KContaT = 2"), 0);
    EXPECT_EQ(t->ChangeCount(), 0);
}

TEST_F(DbDataSet, SecondUserUpdatingTheSameRowFailsAndNothingIsLost)
{
    auto other = tdb.Connect();
    auto a = Table("TT_Testa");
    auto b = Table("TT_Testa", other.get());
    a->Open();
    b->Open();
    ASSERT_TRUE(a->Locate("KContaT", 1));
    ASSERT_TRUE(b->Locate("KContaT", 1));
    a->Edit();
    a->FieldByName("DsNote")->SetAsString("di A");
    a->Post();
    b->Edit();
    b->FieldByName("DsNote")->SetAsString("di B");
    try {
        b->Post();
        FAIL() << "the second post must fail";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.Message.contains("altro utente")) << e.Message.toStdString();
    }
    EXPECT_EQ(b->State(), dsEdit);
    EXPECT_EQ(Scalar("SELECT DsNote FROM TT_Testa WHERE KContaT = 1").toString(), "di A");
    b->Cancel();
    // a change of another column goes through and keeps A's change
    b->Edit();
    b->FieldByName("Totale")->SetAsFloat(99);
    b->Post();
    EXPECT_EQ(Scalar("SELECT DsNote FROM TT_Testa WHERE KContaT = 1").toString(), "di A");
    EXPECT_DOUBLE_EQ(Scalar("SELECT Totale FROM TT_Testa WHERE KContaT = 1").toDouble(), 99.0);
    // a stale delete fails too
    EXPECT_THROW(a->Delete(), EDatabaseError);
    EXPECT_EQ(Count("TT_Testa", "KContaT = 1"), 1);
}

TEST_F(DbDataSet, KeysDrawnAtInsertAreUniqueAcrossConnections)
{
    auto other = tdb.Connect();
    auto a = Table("TT_Righe");
    auto b = Table("TT_Righe", other.get());
    a->Open();
    b->Open();
    QSet<int> keys;
    for (int i = 0; i < 20; ++i) {
        for (TXTable *t : {a.get(), b.get()}) {
            t->Append();
            const int k = t->FieldByName("KContaR")->AsInteger();
            EXPECT_FALSE(keys.contains(k)) << k;
            keys.insert(k);
            t->FieldByName("KContaT")->SetAsInteger(7);
            t->Post();
        }
    }
    EXPECT_EQ(keys.size(), 40);
    EXPECT_EQ(Count("TT_Righe", "KContaT = 7"), 40);
}

TEST_F(DbDataSet, LocalTableCreatedFilledFilteredAndEmptied)
{
    TXTable t;
    t.SetDatabase(db.get());
    t.SetTableName("LUMO_t_Prova");
    t.AddField("Contatore", ftAutoInc);
    t.AddField("IdImballo", ftString, 3);
    t.AddField("Qta", ftFloat);
    t.AddField("Stato", ftSmallint);
    t.AddField("DataMov", ftDateTime);
    t.CreaTabella();
    t.Open();
    for (int i = 0; i < 4; ++i) {
        t.Append();
        t.FieldByName("IdImballo")->SetAsString(i == 3 ? QStringLiteral("C'") : QStringLiteral("I%1").arg(i));
        t.FieldByName("Qta")->SetAsFloat(i);
        if (i > 0)
            t.FieldByName("Stato")->SetAsInteger(i);
        t.Post();
        EXPECT_EQ(t.FieldByName("Contatore")->AsInteger(), i + 1); // read back from the database
    }
    t.SetFilter("Stato < 3");
    t.SetFiltered(true);
    EXPECT_EQ(t.RecordCount(), 3); // the row stored without a state counts as 0
    ASSERT_TRUE(t.Locate("IdImballo", "I1"));
    t.Edit();
    t.FieldByName("Stato")->SetAsInteger(3);
    t.Post();
    EXPECT_EQ(t.RecordCount(), 2);
    t.Close();
    t.Open(); // what was posted is stored
    EXPECT_EQ(t.RecordCount(), 2);
    t.SetFiltered(false);
    EXPECT_EQ(t.RecordCount(), 4);
    EXPECT_TRUE(t.Locate("IdImballo", "C'"));
    t.Delete();
    EXPECT_EQ(Count("LUMO_t_Prova"), 3);
    t.EmptyTable();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(Count("LUMO_t_Prova"), 0);
    t.Close();
    t.Open();
    EXPECT_TRUE(t.IsEmpty());

    // from the dictionary, and a table with no key at all
    TXTable d;
    d.SetDatabase(db.get());
    d.SetTableName("TT_t_Righe");
    d.SetUsaDizionario(true);
    Funzioni::PulisciTabella(&d);
    d.Open();
    EXPECT_NE(d.FindField("Stato"), nullptr);
    TXTable n;
    n.SetDatabase(db.get());
    n.SetTableName("LUMO_t_Nokey");
    n.AddField("IdImballo", ftString, 3);
    n.AddField("Qta", ftFloat);
    n.CreaTabella();
    n.Open();
    for (int i = 0; i < 2; ++i) { // two equal rows: each is still changed alone
        n.Append();
        n.FieldByName("IdImballo")->SetAsString("X");
        n.Post();
    }
    n.First();
    n.Edit();
    n.FieldByName("Qta")->SetAsFloat(5);
    n.Post();
    EXPECT_EQ(Count("LUMO_t_Nokey", "Qta = 5"), 1);
    n.Delete();
    EXPECT_EQ(Count("LUMO_t_Nokey"), 1);
}

TEST_F(DbDataSet, TableMasterDetailFollowsTheHead)
{
    auto head = Table("TT_Testa");
    head->SetIndexFieldNames("KContaT");
    head->Open();
    TDataSource dsHead;
    dsHead.SetDataSet(head.get());
    auto rows = Table("TT_Righe");
    rows->SetIndexFieldNames("KContaT;IdImballo");
    rows->SetMasterFields("KContaT");
    rows->SetMasterSource(&dsHead);
    rows->Open();
    EXPECT_EQ(rows->RecordCount(), 3);
    head->Next();
    EXPECT_EQ(rows->RecordCount(), 1);
    rows->Append(); // takes the head's key
    EXPECT_EQ(rows->FieldByName("KContaT")->AsInteger(), 2);
    rows->FieldByName("IdImballo")->SetAsString("B");
    rows->Post();
    EXPECT_EQ(Count("TT_Righe", "KContaT = 2"), 2);
    // a new head: its key exists at once and its rows start empty
    head->Append();
    const int newKey = head->FieldByName("KContaT")->AsInteger();
    EXPECT_EQ(rows->RecordCount(), 0);
    rows->Append();
    EXPECT_EQ(rows->FieldByName("KContaT")->AsInteger(), newKey);
    rows->FieldByName("IdImballo")->SetAsString("A");
    rows->Post();
    head->Post();
    EXPECT_EQ(rows->RecordCount(), 1);
    // re-linked at run time
    rows->SetMasterSource(nullptr);
    EXPECT_EQ(rows->RecordCount(), 6);
    rows->SetMasterSource(&dsHead);
    head->First();
    EXPECT_EQ(rows->RecordCount(), 3);
}

TEST_F(DbDataSet, ClientTableFindsChangesAndDeletesInsideATransactionAndRollbackRestores)
{
    TXClientTable c;
    c.SetDatabase(db.get());
    c.SetTableName("TT_Righe");
    c.SetUsaDizionario(true);
    c.SetXWhereVuoto("KContaT = -1");
    Funzioni::CheckTabOpen(&c);
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_NE(c.FindField("Qta"), nullptr); // the columns are there without rows

    db->StartTransaction();
    ASSERT_TRUE(c.Locate("KContaT;IdImballo", QVariantList{1, "B"})); // fetched from the table
    c.Edit();
    c.FieldByName("Qta")->SetAsFloat(99);
    c.Post();
    ASSERT_TRUE(c.Locate("KContaT;IdImballo", QVariantList{1, "C"}));
    c.Delete();
    c.Append();
    EXPECT_GT(c.FieldByName("KContaR")->AsInteger(), 4);
    c.FieldByName("KContaT")->SetAsInteger(1);
    c.FieldByName("IdImballo")->SetAsString("D");
    c.Post();
    EXPECT_DOUBLE_EQ(Scalar("SELECT Qta FROM TT_Righe WHERE KContaR = 2").toDouble(), 99.0);
    EXPECT_EQ(Count("TT_Righe", "KContaT = 1"), 3);
    c.Edit(); // pending when the error comes
    c.FieldByName("Qta")->SetAsFloat(5);
    Funzioni::CheckRollBack(&c);
    EXPECT_EQ(c.State(), dsBrowse);
    db->Rollback();

    EXPECT_EQ(Count("TT_Righe", "KContaT = 1"), 3);
    ASSERT_TRUE(c.Locate("KContaT;IdImballo", QVariantList{1, "B"}));
    EXPECT_DOUBLE_EQ(c.FieldByName("Qta")->AsFloat(), 2.0); // as stored again
    EXPECT_TRUE(c.Locate("KContaT;IdImballo", QVariantList{1, "C"}));
    EXPECT_FALSE(c.Locate("KContaT;IdImballo", QVariantList{1, "D"}));
    // the same save again goes through
    db->StartTransaction();
    ASSERT_TRUE(c.Locate("KContaT;IdImballo", QVariantList{1, "B"}));
    c.Edit();
    c.FieldByName("Qta")->SetAsFloat(98);
    c.Post();
    db->Commit();
    EXPECT_DOUBLE_EQ(Scalar("SELECT Qta FROM TT_Righe WHERE KContaR = 2").toDouble(), 98.0);
    db->ExecSQL("UPDATE TT_Righe SET Qta = 97 WHERE KContaR = 2");
    c.Refresh(); // the located row stays, read again
    EXPECT_EQ(c.FieldByName("IdImballo")->AsString(), "B");
    EXPECT_DOUBLE_EQ(c.FieldByName("Qta")->AsFloat(), 97.0);

    // a settable selection with a row limit
    c.Close();
    c.SetXWhere("KContaT = 1");
    c.SetXOrderBy("IdImballo DESC");
    c.SetMaxRecords(2);
    c.Open();
    EXPECT_EQ(c.RecordCount(), 2);
    EXPECT_EQ(c.FieldByName("IdImballo")->AsString(), "C");
}

TEST_F(DbDataSet, ClientTableBatchIsAppliedWholeOrNotAtAll)
{
    TXClientTable c;
    c.SetDatabase(db.get());
    c.SetTableName("TT_Righe");
    c.SetXWhereVuoto("KContaT = -1");
    c.SetCachedUpdates(true);
    c.Open();
    for (int i = 0; i < 3; ++i) {
        c.Append();
        c.FieldByName("KContaR")->SetAsInteger(i == 2 ? 1 : 50 + i); // the last takes a stored key
        c.FieldByName("KContaT")->SetAsInteger(5);
        c.Post();
    }
    EXPECT_EQ(Count("TT_Righe", "KContaT = 5"), 0);
    EXPECT_THROW(c.ApplyUpdates(0), EDatabaseError);
    EXPECT_EQ(Count("TT_Righe", "KContaT = 5"), 0);
    EXPECT_EQ(c.ChangeCount(), 3);
    ASSERT_TRUE(c.Locate("KContaR", 1));
    c.Edit();
    c.FieldByName("KContaR")->SetAsInteger(60);
    c.Post();
    EXPECT_EQ(c.ApplyUpdates(0), 0);
    EXPECT_EQ(Count("TT_Righe", "KContaT = 5"), 3);
    EXPECT_EQ(c.ChangeCount(), 0);

    // pending changes dropped before a rollback
    c.Append();
    c.FieldByName("KContaT")->SetAsInteger(6);
    c.Post();
    Funzioni::CheckRollBack(&c);
    EXPECT_EQ(c.ChangeCount(), 0);
    EXPECT_EQ(c.ApplyUpdates(0), 0);
    EXPECT_EQ(Count("TT_Righe", "KContaT = 6"), 0);

    // a clone shows every row of the source, whatever its filter and position
    c.SetFilter("KContaR = 60");
    c.SetFiltered(true);
    TXClientTable clone;
    clone.CloneCursor(&c);
    EXPECT_EQ(clone.RecordCount(), 3);
    EXPECT_EQ(clone.RecNo(), 1);
    EXPECT_FALSE(clone.Filtered());
}

TEST_F(DbDataSet, ClientTableKeepsItsOwnWritesWhileNothingElseWritesTheTable)
{
    TXClientTable c;
    c.SetDatabase(db.get());
    c.SetTableName("TT_Righe");
    c.SetXWhereVuoto("KContaT = -1");
    c.Open();
    bool read = false; // whether the last location as stored read the row again
    const auto qta = [&](int key) {
        const quint64 before = db->StatementCount();
        EXPECT_TRUE(c.LocateAsStored("KContaR", key));
        read = db->StatementCount() != before;
        return c.FieldByName("Qta")->AsFloat();
    };
    const auto held = [&](int key) {
        qta(key);
        return !read;
    };
    const auto write = [&](int key, double value) {
        ASSERT_TRUE(c.Locate("KContaR", key));
        c.Edit();
        c.FieldByName("Qta")->SetAsFloat(value);
        c.Post();
    };

    db->StartTransaction();
    write(2, 50);
    ASSERT_TRUE(c.Locate("KContaR", 3)); // read only
    EXPECT_TRUE(held(2));
    EXPECT_FALSE(held(3));
    c.Edit();
    EXPECT_TRUE(held(2)); // drops the pending edit, keeps the rows
    EXPECT_EQ(c.State(), dsBrowse);
    EXPECT_EQ(c.RecordCount(), 2);
    db->ExecSQL("UPDATE TT_Testa SET DsNote = 'x'"); // another table
    EXPECT_TRUE(held(2));

    // the same table written by another statement: the row is read again as stored
    db->ExecSQL("UPDATE TT_Righe SET Qta = 60 WHERE KContaR = 2");
    EXPECT_DOUBLE_EQ(qta(2), 60.0);
    EXPECT_TRUE(read);
    write(2, 61); // no false conflict
    EXPECT_TRUE(held(2));

    // another statement before the table's next write: what it wrote before is read again,
    // what it writes after is kept
    db->ExecSQL("UPDATE TT_Righe SET Qta = 70 WHERE KContaR = 2");
    write(3, 31);
    EXPECT_TRUE(held(3));
    EXPECT_DOUBLE_EQ(qta(2), 70.0);
    EXPECT_TRUE(read);
    EXPECT_DOUBLE_EQ(qta(3), 31.0);
    write(2, 71);
    db->Commit();
    // committed: other users may change them now
    EXPECT_FALSE(held(2));
    db->ExecSQL("UPDATE TT_Righe SET Qta = 80 WHERE KContaR = 2");
    EXPECT_DOUBLE_EQ(qta(2), 80.0);
    // written outside a transaction: never kept
    write(2, 81);
    EXPECT_FALSE(held(2));

    // rolled back: what the table wrote is read again as stored
    db->StartTransaction();
    write(2, 90);
    db->Rollback();
    EXPECT_DOUBLE_EQ(qta(2), 81.0);
}

namespace {
// Rows 10 up to fino (excluded) of head 3, their Qta their key; c open on them, none held.
void RigheDellaTesta3(TXDatabase &db, int fino, TXClientTable &c)
{
    for (int k = 10; k < fino; ++k)
        db.ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (?, 3, 'A', ?)", {k, k});
    c.SetDatabase(&db);
    c.SetTableName("TT_Righe");
    c.SetXWhereVuoto("KContaT = -1");
    c.Open();
}
} // namespace

// Many rows read as stored at once: few statements, the table's own writes of the transaction
// kept, rows changed elsewhere since they were held read again, a missing key simply absent;
// a locate among held rows never reads.
TEST_F(DbDataSet, ClientTableReadsManyRowsAsStoredInFewStatements)
{
    TXClientTable c;
    RigheDellaTesta3(*db, 310, c);
    ASSERT_TRUE(c.LocateAsStored("KContaR", 11)); // held, then changed elsewhere
    tdb.Connect()->ExecSQL("UPDATE TT_Righe SET Qta = 1100 WHERE KContaR = 11");
    db->StartTransaction();
    ASSERT_TRUE(c.LocateAsStored("KContaR", 10));
    c.Edit();
    c.FieldByName("Qta")->SetAsFloat(-10);
    c.Post();

    QList<QVariantList> keys;
    for (int k = 10; k < 310; ++k)
        keys << QVariantList{k};
    keys << QVariantList{9999};
    const quint64 before = db->StatementCount();
    c.ReadAsStored("KContaR", keys);
    EXPECT_LE(db->StatementCount() - before, 2u);
    const quint64 read = db->StatementCount();
    for (int k = 10; k < 310; ++k)
        ASSERT_TRUE(c.Locate("KContaR", k, loHeldOnly)) << k;
    EXPECT_FALSE(c.Locate("KContaR", 9999, loHeldOnly));
    EXPECT_EQ(db->StatementCount(), read);
    ASSERT_TRUE(c.Locate("KContaR", 10, loHeldOnly));
    EXPECT_EQ(c.FieldByName("Qta")->AsFloat(), -10);
    ASSERT_TRUE(c.Locate("KContaR", 11, loHeldOnly));
    EXPECT_EQ(c.FieldByName("Qta")->AsFloat(), 1100);
    db->Rollback();
    EXPECT_THROW(c.ReadAsStored("KContaR;KContaT", {QVariantList{10}}), EDatabaseError);
}

// Rows read as stored in a transaction by one statement of a condition: found and missing
// keys alike are not read again while the transaction lasts, until another statement writes
// the table; the next transaction reads again.
TEST_F(DbDataSet, KeysReadAsStoredInATransactionAreNotReadAgainUntilTheTableIsWritten)
{
    TXClientTable c;
    RigheDellaTesta3(*db, 40, c);
    ASSERT_TRUE(c.LocateAsStored("KContaR", 11)); // held, then changed elsewhere
    tdb.Connect()->ExecSQL("UPDATE TT_Righe SET Qta = 1100 WHERE KContaR = 11");

    db->StartTransaction();
    QList<QVariantList> keys;
    for (int k = 10; k < 40; ++k)
        keys << QVariantList{k};
    keys << QVariantList{500} << QVariantList{501};
    quint64 before = db->StatementCount();
    c.ReadAsStored("KContaR", keys, "KContaT = ?", {3});
    EXPECT_EQ(db->StatementCount() - before, 1u);
    before = db->StatementCount();
    ASSERT_TRUE(c.LocateAsStored("KContaR", 11));
    EXPECT_EQ(c.FieldByName("Qta")->AsFloat(), 1100);
    ASSERT_TRUE(c.LocateAsStored("KContaR", 39));
    EXPECT_FALSE(c.Locate("KContaR", 500));
    EXPECT_FALSE(c.LocateAsStored("KContaR", 501));
    EXPECT_EQ(db->StatementCount(), before);
    // a key the table itself adds is found in memory
    c.Append();
    c.FieldByName("KContaR")->SetAsInteger(501);
    c.FieldByName("KContaT")->SetAsInteger(3);
    c.Post();
    EXPECT_TRUE(c.Locate("KContaR", 501));

    // another statement writes the table: what was missing is read again
    db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (500, 3, 'B', 5)");
    ASSERT_TRUE(c.Locate("KContaR", 500));
    EXPECT_EQ(c.FieldByName("Qta")->AsFloat(), 5);
    db->Rollback();

    // a new transaction knows nothing of the last one
    db->StartTransaction();
    c.ReadAsStored("KContaR", {QVariantList{600}}, "KContaR = ?", {600});
    db->Commit();
    tdb.Connect()->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (600, 4, 'C', 6)");
    db->StartTransaction();
    before = db->StatementCount();
    EXPECT_TRUE(c.Locate("KContaR", 600));
    EXPECT_GT(db->StatementCount(), before);
    db->Rollback();
}

TEST_F(DbDataSet, AReadByConditionKeepsTheRowsHeldAsTheyAreAndAddsTheOthers)
{
    TXClientTable c;
    RigheDellaTesta3(*db, 40, c);
    db->StartTransaction();
    QList<QVariantList> first, all;
    for (int k = 10; k < 40; ++k)
        (k < 20 ? first : all) << QVariantList{k};
    all = first + all;
    c.ReadAsStored("KContaR", first, "KContaT = ? AND KContaR < ?", {3, 20});
    ASSERT_TRUE(c.Locate("KContaR", 12));
    c.Edit();
    c.FieldByName("Qta")->SetAsFloat(77);
    c.Post();
    c.ReadAsStored("KContaR", all, "KContaT = ?", {3});
    EXPECT_EQ(c.RecordCount(), 30);
    const quint64 before = db->StatementCount();
    ASSERT_TRUE(c.Locate("KContaR", 12));
    EXPECT_EQ(c.FieldByName("Qta")->AsFloat(), 77);
    ASSERT_TRUE(c.Locate("KContaR", 39));
    EXPECT_EQ(c.FieldByName("Qta")->AsFloat(), 39);
    EXPECT_EQ(c.FieldByName("IdImballo")->AsString(), "A");
    EXPECT_EQ(db->StatementCount(), before);
    db->Commit();
}

TEST_F(DbDataSet, LookupTableSeesNewRowsAfterReopening)
{
    TXlkTable lk;
    lk.SetDatabase(db.get());
    lk.SetTableName("TT_Imballi");
    lk.Open();
    ASSERT_TRUE(lk.Locate("IdImballo", "B"));
    EXPECT_EQ(lk.FieldByName("DsImballo")->AsString(), "Bottiglia");
    EXPECT_EQ(lk.FieldByName("DsImballo")->DisplayLabel(), "Descrizione imballo");
    EXPECT_TRUE(lk.Locate("DsImballo", "L'Aquila d'oro"));
    EXPECT_THROW(lk.Edit(), EDatabaseError);
    db->ExecSQL("INSERT INTO TT_Imballi (IdImballo, DsImballo) VALUES ('N', 'Nuovo')");
    EXPECT_FALSE(lk.Locate("IdImballo", "N"));
    EXPECT_EQ(lk.FieldByName("IdImballo")->AsString(), "C"); // the failed locate left the cursor
    lk.Close();
    lk.Open();
    EXPECT_TRUE(lk.Locate("IdImballo", "N"));

    // as the source of lookup fields on a query
    TXQuery q;
    q.SetDatabase(db.get());
    q.SQL << "SELECT * FROM TT_Righe ORDER BY KContaR";
    q.AddLookupField("_DsImballo", ftString, 30, &lk, "IdImballo", "IdImballo", "DsImballo");
    q.Open();
    EXPECT_EQ(q.FieldByName("_DsImballo")->AsString(), "Cassa");
    q.Next();
    EXPECT_EQ(q.FieldByName("_DsImballo")->AsString(), "Bottiglia");
}

TEST_F(DbDataSet, RoutinesCopyTestCodesAndOpen)
{
    auto head = Table("TT_Testa");
    Funzioni::CheckTabOpen(head.get());
    EXPECT_TRUE(head->Active());
    TXlkTable lk;
    lk.SetDatabase(db.get());
    lk.SetTableName("TT_Imballi");
    TXMemTable pars;
    pars.AddField("IdImballo", ftString, 3);
    pars.Open();
    pars.Append();
    pars.FieldByName("IdImballo")->SetAsString("B");
    TField *code = pars.FieldByName("IdImballo");
    EXPECT_TRUE(Funzioni::TestCodice(&lk, code, false, QString(), QDateTime(), false)); // opens it too
    code->SetAsString("Q");
    EXPECT_FALSE(Funzioni::TestCodice(&lk, code, false, "IdImballo", QDateTime(), false));
    EXPECT_THROW(Funzioni::TestCodice(&lk, code, false, QString(), QDateTime(), true), Exception);
    code->SetAsString("");
    EXPECT_FALSE(Funzioni::TestCodice(&lk, code, false, QString(), QDateTime(), false));
    EXPECT_TRUE(Funzioni::TestCodice(&lk, code, true, QString(), QDateTime(), false));

    // same-named fields into an inserted record; the drawn key stays
    auto rows = Table("TT_Righe");
    rows->Open();
    TXMemTable buffer;
    buffer.AddField("KContaR", ftInteger);
    buffer.AddField("KContaT", ftInteger);
    buffer.AddField("IdImballo", ftString, 3);
    buffer.AddField("Qta", ftFloat);
    buffer.AddField("Stato", ftSmallint);
    buffer.Open();
    buffer.Append();
    buffer.FieldByName("KContaT")->SetAsInteger(2);
    buffer.FieldByName("IdImballo")->SetAsString("C");
    buffer.FieldByName("Qta")->SetAsFloat(7.5);
    buffer.Post();
    rows->Insert();
    const int drawn = rows->FieldByName("KContaR")->AsInteger();
    Funzioni::CopiaDati(rows.get(), &buffer, 0, 0, false);
    EXPECT_EQ(rows->State(), dsInsert); // the caller posts
    EXPECT_EQ(rows->FieldByName("KContaR")->AsInteger(), drawn);
    rows->Post();
    EXPECT_DOUBLE_EQ(Scalar(QStringLiteral("SELECT Qta FROM TT_Righe WHERE KContaR = %1").arg(drawn)).toDouble(), 7.5);
    ASSERT_TRUE(rows->Locate("KContaR", 4));
    Funzioni::CopiaDati(rows.get(), &buffer, 0, 0, true); // a browsed target is edited, then posted
    EXPECT_EQ(rows->State(), dsBrowse);
    EXPECT_EQ(Scalar("SELECT IdImballo FROM TT_Righe WHERE KContaR = 4").toString(), "C");
    EXPECT_EQ(Scalar("SELECT KContaT FROM TT_Righe WHERE KContaR = 4").toInt(), 2);
}

TEST_F(DbDataSet, QuoteInTextGoesThroughEveryKindOfDataset)
{
    const QString text = "d'Annunzio 'x' ''";
    auto t = Table("TT_Testa");
    t->Open();
    t->Append();
    t->FieldByName("DsNote")->SetAsString(text);
    t->Post();
    const int key = t->FieldByName("KContaT")->AsInteger();
    EXPECT_EQ(Count("TT_Testa", "DsNote = " + XWideQuotedStr(text)), 1);
    t->Edit();
    t->FieldByName("IdConto")->SetAsString("O'K");
    t->Post();
    t->SetFilter("DsNote = 'd''Annunzio ''x'' '''''");
    t->SetFiltered(true);
    EXPECT_EQ(t->RecordCount(), 1);

    TXQuery q;
    q.SetDatabase(db.get());
    q.SQL << "SELECT * FROM TT_Testa WHERE DsNote = :Nota";
    q.ParamByName("Nota")->SetAsString(text);
    q.Open();
    EXPECT_EQ(q.FieldByName("KContaT")->AsInteger(), key);

    TXClientTable c;
    c.SetDatabase(db.get());
    c.SetTableName("TT_Testa");
    c.SetXWhereVuoto("KContaT = -1");
    c.Open();
    ASSERT_TRUE(c.Locate("DsNote", text));
    c.Edit();
    c.FieldByName("DsNote")->SetAsString(text + "'");
    c.Post();
    ASSERT_TRUE(c.Locate("DsNote", text + "'"));
    c.Delete();
    EXPECT_EQ(Count("TT_Testa", "KContaT = " + QString::number(key)), 0);

    TXlkTable lk;
    lk.SetDatabase(db.get());
    lk.SetTableName("TT_Imballi");
    lk.Open();
    EXPECT_EQ(lk.Lookup("DsImballo", "L'Aquila d'oro", "IdImballo").toString(), "C");

    TXMemTable m;
    m.AddField("Nota", ftString, 30);
    m.Open();
    m.Append();
    m.FieldByName("Nota")->SetAsString(text);
    m.Post();
    EXPECT_TRUE(m.Locate("Nota", text));
}
