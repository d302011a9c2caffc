// One key for a row, whatever form its values come in: the rows a table wrote are known by
// the same key Locate compares.
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
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

// Texts beyond ASCII, whole and fractional numbers of any size and dates, in as many rows as
// make Locate search by its index: each value finds its own row, in any form it is given.
TEST(RecordKeyValues, EveryKindOfValueFindsItsOwnRow)
{
    TXMemTable t;
    t.AddField(QStringLiteral("Codice"), ftString, 20);
    t.AddField(QStringLiteral("Numero"), ftFloat);
    t.AddField(QStringLiteral("Quando"), ftDateTime);
    t.AddField(QStringLiteral("Riga"), ftInteger);
    t.Open();
    const QStringList codici{QStringLiteral("Citta"),  QStringLiteral("Città"),    QStringLiteral("CITTÀ"),
                             QStringLiteral("Ölfeld"), QStringLiteral("a\u00A0b"), QStringLiteral("日本")};
    const QList<double> numeri{0, -1, 99999, 100000, 1e15, 1e15 + 2, 2.5, -0.25, 1e20, 123456789};
    const QDateTime giorno(QDate(2024, 2, 29), QTime(0, 0));
    for (int i = 0; i < 40; ++i) {
        t.Append();
        t.FieldByName(QStringLiteral("Codice"))
            ->SetAsString(i < codici.size() ? codici[i] : QStringLiteral("F%1").arg(i));
        t.FieldByName(QStringLiteral("Numero"))->SetAsFloat(i < numeri.size() ? numeri[i] : 1000 + i + 0.5);
        t.FieldByName(QStringLiteral("Quando"))->SetAsDateTime(giorno.addSecs(i * 3601));
        t.FieldByName(QStringLiteral("Riga"))->SetAsInteger(i);
        t.Post();
    }
    const auto riga = [&](const char *campo, const QVariant &valore, TLocateOptions opzioni = {}) {
        return t.Locate(QLatin1String(campo), valore, opzioni) ? t.FieldByName(QStringLiteral("Riga"))->AsInteger()
                                                               : -1;
    };
    for (int i = 0; i < codici.size(); ++i)
        EXPECT_EQ(riga("Codice", codici[i]), i) << codici[i].toStdString();
    EXPECT_EQ(riga("Codice", QStringLiteral("città")), -1);
    EXPECT_EQ(riga("Codice", QStringLiteral("città"), loCaseInsensitive), 1);
    EXPECT_EQ(riga("Codice", QStringLiteral("ölfeld"), loCaseInsensitive), 3);
    for (int i = 0; i < numeri.size(); ++i)
        EXPECT_EQ(riga("Numero", numeri[i]), i) << numeri[i];
    EXPECT_EQ(riga("Numero", 100000), 3);                // an int for a whole number
    EXPECT_EQ(riga("Numero", qlonglong(99999)), 2);      // a long long too
    EXPECT_EQ(riga("Numero", QStringLiteral("2,5")), 6); // a text as typed
    EXPECT_EQ(riga("Numero", 1e15 + 1), -1);
    EXPECT_EQ(riga("Quando", giorno.addSecs(5 * 3601)), 5);
    EXPECT_EQ(riga("Quando", QDate(2024, 2, 29)), 0); // a date for midnight
    EXPECT_EQ(riga("Quando", giorno.addSecs(5 * 3601 + 1)), -1);
}

} // namespace
