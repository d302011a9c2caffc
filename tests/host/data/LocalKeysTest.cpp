// Keys of new rows in local work tables: from the stored table named as their origin, from
// their own key service when the column is no stored table's key, refused otherwise.
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const Dictionary &LocalKeysDictionary()
{
    static QTemporaryDir dir;
    static const Dictionary dictionary = [] {
        const QString path = dir.filePath(QStringLiteral("local-keys.json"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        // TK_Altro comes first by name and keys the same column name
        f.write(R"json({"tables": [
  {"name": "TK_Altro", "columns": [
    {"name": "KDoc", "type": "integer", "autokey": true},
    {"name": "Ds", "type": "string(20)"}],
   "primaryKey": ["KDoc"]},
  {"name": "TK_Doc", "columns": [
    {"name": "KDoc", "type": "integer", "autokey": true},
    {"name": "Ds", "type": "string(20)"}],
   "primaryKey": ["KDoc"]},
  {"name": "TK_t_Doc", "database": "local", "columns": [
    {"name": "Contatore", "type": "autoinc"},
    {"name": "KDoc", "type": "integer", "autokey": true},
    {"name": "Ds", "type": "string(20)"}]},
  {"name": "TK_t_Note", "database": "local", "columns": [
    {"name": "KNota", "type": "integer", "autokey": true},
    {"name": "Testo", "type": "string(20)"}]}
]})json");
        f.close();
        return Dictionary::Load({path});
    }();
    return dictionary;
}

class LocalKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        kv8data::SetDataDictionary(&LocalKeysDictionary());
        TXDatabase &company = DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), tdb.Url());
        SchemaInstaller(LocalKeysDictionary()).Create(company);
        company.ExecSQL("INSERT INTO TK_Doc (KDoc, Ds) VALUES (10, 'dieci')");
        company.ExecSQL("INSERT INTO TK_Altro (KDoc, Ds) VALUES (500, 'cinquecento')");
        local = std::make_unique<TXDatabase>("Locale", "sqlite:" + dir.filePath("local.db"));
    }
    void TearDown() override
    {
        kv8data::SetDataDictionary(nullptr);
        if (DMIDataBases::Instance().Has(QStringLiteral("GlobalDatabase")))
            DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
    }

    // A local work table created afresh from its dictionary entry.
    std::unique_ptr<TXTable> WorkTable(const QString &name, const QString &origin = QString())
    {
        auto t = std::make_unique<TXTable>();
        t->SetName(name);
        t->SetTableName(name);
        t->SetDatabase(local.get());
        t->SetUsaDizionario(true);
        t->SetTabellaOrigine(origin);
        t->CreaTabella();
        t->Open();
        return t;
    }
    static QVariant NewKey(TXTable &t, const QString &column)
    {
        t.Append();
        const QVariant key = t.FieldByName(column)->Value();
        t.Post();
        return key;
    }

    TestDb tdb;
    QTemporaryDir dir;
    std::unique_ptr<TXDatabase> local;
};

} // namespace

TEST_F(LocalKeys, CopyOfAStoredTableDrawsFromItsOrigin)
{
    auto copy = WorkTable("TK_t_Doc", "TK_Doc");
    EXPECT_EQ(NewKey(*copy, "KDoc").toInt(), 11);
    EXPECT_EQ(NewKey(*copy, "KDoc").toInt(), 12);
    // the stored table goes on after the keys its copy took
    EXPECT_EQ(DMIDataBases::Instance().Global().NewKey("TK_Doc", "KDoc"), 13);
}

TEST_F(LocalKeys, ColumnKeyingNoStoredTableDrawsFromTheTablesOwnService)
{
    auto notes = WorkTable("TK_t_Note");
    EXPECT_EQ(NewKey(*notes, "KNota").toInt(), 1);
    EXPECT_EQ(NewKey(*notes, "KNota").toInt(), 2);
    EXPECT_EQ(notes->RecordCount(), 2);
}

TEST_F(LocalKeys, OriginThatIsNoStoredTableOrMissingOriginIsRefused)
{
    for (const QString &origin : {QStringLiteral("TK_t_Note"), QString()}) {
        auto copy = WorkTable("TK_t_Doc", origin);
        try {
            copy->Append();
            ADD_FAILURE() << "a key was drawn with origin '" << origin.toStdString() << "'";
        } catch (const EDatabaseError &e) {
            EXPECT_TRUE(e.Message.contains("TabellaOrigine")) << e.Message.toStdString();
            EXPECT_TRUE(origin.isEmpty() || e.Message.contains(origin)) << e.Message.toStdString();
        }
        EXPECT_EQ(copy->State(), dsBrowse);
        EXPECT_EQ(local->ScalarValue("SELECT COUNT(*) FROM TK_t_Doc").toInt(), 0);
    }
    // nothing was drawn from the stored tables either
    EXPECT_EQ(DMIDataBases::Instance().Global().NewKey("TK_Doc", "KDoc"), 11);
    EXPECT_EQ(DMIDataBases::Instance().Global().NewKey("TK_Altro", "KDoc"), 501);
}
