// What datasets remember between openings: the columns a table has (per connection, never
// for a table that could not be read, forgotten on request after a schema change) and the
// fields made for the columns of a query opened again with other columns.
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

const Dictionary &DataTestDictionary();

namespace {

// A table the dictionary does not know, so what the database says of its columns decides
// what an empty text field is written as: '' in a NOT NULL column with no default, else NULL.
const QString kStrict =
    QStringLiteral("CREATE TABLE TT_Cambio (Codice VARCHAR(5) NOT NULL, Descr VARCHAR(20) NOT NULL, "
                   "PRIMARY KEY (Codice))");
const QString kLoose = QStringLiteral("CREATE TABLE TT_Cambio (Codice VARCHAR(5) NOT NULL, Descr VARCHAR(20) NULL, "
                                      "PRIMARY KEY (Codice))");

class Cache : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(first);
        kv8data::SetDataDictionary(&DataTestDictionary());
        db = first.Connect();
    }
    void TearDown() override
    {
        DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
        kv8data::SetDataDictionary(nullptr);
    }

    static void Declare(TXTable &t)
    {
        t.SetTableName(QStringLiteral("TT_Cambio"));
        t.AddField(QStringLiteral("Codice"), ftString, 5);
        t.AddField(QStringLiteral("Descr"), ftString, 20);
    }

    // Appends a row with only its key given and posts it.
    static void AddRow(TXTable &t, const QString &code)
    {
        t.Open();
        t.Append();
        t.FieldByName(QStringLiteral("Codice"))->SetAsString(code);
        t.Post();
        t.Close();
    }

    // Descr of a stored row: "" or null.
    static QVariant Stored(TXDatabase &on, const QString &code)
    {
        return on.ScalarValue(QStringLiteral("SELECT Descr FROM TT_Cambio WHERE Codice = ?"), {code});
    }

    TestDb first;
    TestDb second;
    std::unique_ptr<TXDatabase> db;
};

} // namespace

TEST_F(Cache, TableNotFoundIsAskedForAgain)
{
    TXTable t;
    t.SetDatabase(db.get());
    Declare(t);
    EXPECT_THROW(t.Open(), EDatabaseError);
    EXPECT_FALSE(t.Active());

    db->ExecSQL(kStrict);
    AddRow(t, QStringLiteral("A"));
    EXPECT_EQ(Stored(*db, QStringLiteral("A")), QStringLiteral(""));

    t.Open();
    ASSERT_TRUE(t.Locate(QStringLiteral("Codice"), QStringLiteral("A")));
    t.Edit();
    t.FieldByName(QStringLiteral("Descr"))->SetAsString(QStringLiteral("prima"));
    t.Post();
    EXPECT_EQ(Stored(*db, QStringLiteral("A")), QStringLiteral("prima"));
}

TEST_F(Cache, AKeyOfTwoColumnsAndTheColumnsWithADefaultAreTheDatabasesOwn)
{
    db->ExecSQL(QStringLiteral("CREATE TABLE TT_Cambio (Serie INTEGER NOT NULL, Codice VARCHAR(5) NOT NULL, "
                               "Descr VARCHAR(20) NOT NULL, Nota VARCHAR(20) DEFAULT 'nota' NOT NULL, "
                               "PRIMARY KEY (Serie, Codice))"));
    TXTable t;
    t.SetDatabase(db.get());
    Declare(t);
    t.AddField(QStringLiteral("Serie"), ftInteger);
    t.AddField(QStringLiteral("Nota"), ftString, 20);
    t.Open();
    for (int serie : {1, 2}) {
        t.Append();
        t.FieldByName(QStringLiteral("Serie"))->SetAsInteger(serie);
        t.FieldByName(QStringLiteral("Codice"))->SetAsString(QStringLiteral("A"));
        t.Post();
    }
    // the empty text: '' without a default, the default where there is one
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Descr || '/' || Nota FROM TT_Cambio WHERE Serie = 1")).toString(),
              QStringLiteral("/nota"));
    // the row changed is found by both columns of its key
    ASSERT_TRUE(t.Locate(QStringLiteral("Serie;Codice"), QVariantList{2, QStringLiteral("A")}));
    t.Edit();
    t.FieldByName(QStringLiteral("Descr"))->SetAsString(QStringLiteral("seconda"));
    t.Post();
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM TT_Cambio WHERE Descr = ''")).toInt(), 1);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Descr FROM TT_Cambio WHERE Serie = 2")).toString(),
              QStringLiteral("seconda"));
}

TEST_F(Cache, CompanyDatabaseOpenedAgainOnAnotherDatabase)
{
    KV8_REQUIRE_DB(second);
    db->ExecSQL(kStrict);
    auto other = second.Connect();
    other->ExecSQL(kLoose);
    TXTable t; // on "GlobalDatabase"
    Declare(t);
    DMIDataBases &dbs = DMIDataBases::Instance();

    dbs.Open(QStringLiteral("GlobalDatabase"), first.Url());
    AddRow(t, QStringLiteral("A1"));
    EXPECT_EQ(Stored(*db, QStringLiteral("A1")), QStringLiteral(""));

    // opened again over the open one
    dbs.Open(QStringLiteral("GlobalDatabase"), second.Url());
    AddRow(t, QStringLiteral("B1"));
    EXPECT_TRUE(Stored(*other, QStringLiteral("B1")).isNull());

    // closed, then opened again (the new connection may take the old one's place)
    dbs.Close(QStringLiteral("GlobalDatabase"));
    dbs.Open(QStringLiteral("GlobalDatabase"), first.Url());
    AddRow(t, QStringLiteral("A2"));
    EXPECT_EQ(Stored(*db, QStringLiteral("A2")), QStringLiteral(""));
    dbs.Close(QStringLiteral("GlobalDatabase"));
    dbs.Open(QStringLiteral("GlobalDatabase"), second.Url());
    AddRow(t, QStringLiteral("B2"));
    EXPECT_TRUE(Stored(*other, QStringLiteral("B2")).isNull());
}

TEST_F(Cache, ColumnsForgottenAfterTheTableChanged)
{
    db->ExecSQL(kLoose);
    TXTable t;
    t.SetDatabase(db.get());
    Declare(t);
    AddRow(t, QStringLiteral("A"));
    EXPECT_TRUE(Stored(*db, QStringLiteral("A")).isNull());

    // the table changed behind the dataset's back, as the schema patch changes one
    db->ExecSQL(QStringLiteral("DROP TABLE TT_Cambio"));
    db->ExecSQL(kStrict);
    kv8data::ForgetTableMeta(QStringLiteral("tt_cambio"));
    AddRow(t, QStringLiteral("B"));
    EXPECT_EQ(Stored(*db, QStringLiteral("B")), QStringLiteral(""));
}

TEST_F(Cache, QueryOpenedAgainWithOtherColumnsKeepsItsFieldsByName)
{
    SchemaInstaller(DataTestDictionary()).Create(*db);
    db->ExecSQL("INSERT INTO TT_Imballi (IdImballo, DsImballo) VALUES ('A', 'Cassa'), ('B', 'Bottiglia')");
    db->ExecSQL("INSERT INTO TT_Righe (KContaR, KContaT, IdImballo, Qta) VALUES (1, 1, 'A', 2), (2, 1, 'B', 3)");
    const QString join =
        QStringLiteral("FROM TT_Righe R JOIN TT_Imballi I ON I.IdImballo = R.IdImballo WHERE R.KContaR = 2");

    TXQuery q;
    q.SetDatabase(db.get());
    TField *declared = q.AddField(QStringLiteral("DsImballo"), ftString, 30);
    q.SQL << QStringLiteral("SELECT R.KContaR, R.IdImballo, I.IdImballo, I.DsImballo, I.DsImballo") << join;
    q.Open();
    TField *key = q.FieldByName(QStringLiteral("kcontar"));
    TField *first = q.FieldByName(QStringLiteral("IdImballo"));
    TField *second = q.FieldByName(QStringLiteral("IdImballo_1"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("DsImballo")), declared);
    EXPECT_EQ(declared->AsString(), QStringLiteral("Bottiglia"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("DsImballo_1"))->AsString(), QStringLiteral("Bottiglia"));
    EXPECT_EQ(key->AsInteger(), 2);

    // other columns, in another order: a column takes the field made for its name before
    q.Close();
    q.SQL.clear();
    q.SQL << QStringLiteral("SELECT I.DsImballo, R.Qta, I.IdImballo, R.IdImballo, R.KContaR") << join;
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("IdImballo")), first);
    EXPECT_EQ(q.FieldByName(QStringLiteral("IdImballo_1")), second);
    EXPECT_EQ(q.FieldByName(QStringLiteral("KContaR")), key);
    EXPECT_EQ(q.FieldByName(QStringLiteral("DsImballo")), declared);
    EXPECT_EQ(q.FindField(QStringLiteral("DsImballo_1")), nullptr);
    EXPECT_DOUBLE_EQ(q.FieldByName(QStringLiteral("QTA"))->AsFloat(), 3.0);
    EXPECT_EQ(first->AsString(), QStringLiteral("B"));
    EXPECT_EQ(key->AsInteger(), 2);

    // a name spelt another way: the same field, spelt the new way
    TField *total = nullptr;
    for (const QString &alias : {QStringLiteral("QtaTot"), QStringLiteral("QTATOT")}) {
        q.Close();
        q.SQL.clear();
        q.SQL << QStringLiteral("SELECT I.DsImballo, R.Qta AS %1").arg(alias) << join;
        q.Open();
        TField *f = q.FieldByName(QStringLiteral("qtatot"));
        EXPECT_EQ(f->FieldName(), alias);
        EXPECT_DOUBLE_EQ(f->AsFloat(), 3.0);
        EXPECT_TRUE(total == nullptr || total == f);
        total = f;
    }

    // a declared field whose column is missing is still an error
    q.Close();
    q.SQL.clear();
    q.SQL << QStringLiteral("SELECT R.KContaR") << join;
    EXPECT_THROW(q.Open(), EDatabaseError);
}
