// One key for a row, whatever form its values come in: the rows a table wrote are known by
// the same key Locate compares.
#include "host/data/TXClientTable.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const Dictionary &KeyTestDictionary()
{
    static QTemporaryDir dir;
    static const Dictionary dictionary = [] {
        const QString path = dir.filePath(QStringLiteral("key-test.json"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(R"json({"tables": [
  {"name": "TK_Cambi", "columns": [
    {"name": "IdDivisa", "type": "string(3)"},
    {"name": "Data", "type": "datetime"},
    {"name": "Cambio", "type": "float"}],
   "primaryKey": ["IdDivisa", "Data"]}
]})json");
        f.close();
        return Dictionary::Load({path});
    }();
    return dictionary;
}

class RecordKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        kv8data::SetDataDictionary(&KeyTestDictionary());
        db = tdb.Connect();
        SchemaInstaller(KeyTestDictionary()).Create(*db);
    }
    void TearDown() override { kv8data::SetDataDictionary(nullptr); }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

TEST_F(RecordKeys, RowWrittenIsKnownByEveryFormLocateTakes)
{
    TXClientTable c;
    c.SetDatabase(db.get());
    c.SetTableName("TK_Cambi");
    c.SetXWhereVuoto("1 = 0");
    c.Open();
    db->StartTransaction();
    c.Append();
    c.FieldByName("IdDivisa")->SetAsString("USD");
    c.FieldByName("Data")->SetAsDateTime(QDate(2024, 3, 1));
    c.FieldByName("Cambio")->SetAsFloat(1.08);
    c.Post();
    // whether the row is held as the table wrote it: located as stored without a statement
    const auto ownWrite = [&](const QVariantList &key) {
        const quint64 before = db->StatementCount();
        c.LocateAsStored("IdDivisa;Data", key);
        return db->StatementCount() == before;
    };
    // a date key given as a date, a date and time, or a text
    for (const QVariant &day : {QVariant(QDate(2024, 3, 1)), QVariant(QDateTime(QDate(2024, 3, 1), QTime(0, 0))),
                                QVariant(QStringLiteral("01/03/2024"))}) {
        const QVariantList key{QStringLiteral("USD"), day};
        EXPECT_TRUE(c.Locate("IdDivisa;Data", key)) << day.toString().toStdString();
        EXPECT_TRUE(ownWrite(key)) << day.toString().toStdString();
    }
    EXPECT_FALSE(ownWrite({QStringLiteral("USD"), QDate(2024, 3, 2)}));
    EXPECT_FALSE(ownWrite({QStringLiteral("usd"), QDate(2024, 3, 1)}));
    db->Rollback();
}

} // namespace
