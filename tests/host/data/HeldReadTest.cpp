// Rows a dataset holds read the same values as rows read one at a time through the driver:
// every column type, nulls, empty texts, big integers, dates and expressions, on SQLite and
// PostgreSQL (on SQLite the rows after the first are read on the engine's statement).
#include "host/core/Errors.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const Dictionary &HeldReadDictionary()
{
    static QTemporaryDir dir;
    static const Dictionary dictionary = [] {
        const QString path = dir.filePath(QStringLiteral("held-read.json"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(R"json({"tables": [
  {"name": "TR_Valori", "columns": [
    {"name": "KRiga", "type": "integer"},
    {"name": "Stato", "type": "smallint", "null": true},
    {"name": "Numero", "type": "integer", "null": true},
    {"name": "Importo", "type": "float", "null": true},
    {"name": "Codice", "type": "string(12)", "null": true},
    {"name": "Note", "type": "memo", "null": true},
    {"name": "DataDoc", "type": "datetime"}],
   "primaryKey": ["KRiga"]}
]})json");
        f.close();
        return Dictionary::Load({path});
    }();
    return dictionary;
}

using Rows = QList<QVariantList>;

class HeldRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        kv8data::SetDataDictionary(&HeldReadDictionary());
        db = tdb.Connect();
        SchemaInstaller(HeldReadDictionary()).Create(*db);
        const QVariant none;
        // rows 1 and 4 alike: the first row comes through the driver, the others may not
        const QList<QVariantList> rows = {
            {1, 3, 2147483647, 1234.5678, "Àèìòù €", "prima\nriga", "2026-03-01 10:20:30"},
            {2, none, none, none, none, none, none},
            {3, 0, -7, 0.0, "", "", "2026-12-31 00:00:00"},
            {4, 3, 2147483647, 1234.5678, "Àèìòù €", "prima\nriga", "2026-03-01 10:20:30"},
            {5, -1, 0, -0.1, "L'Aquila", QString(200, u'x'), "1999-01-02 23:59:59"},
        };
        for (const QVariantList &r : rows)
            db->ExecSQL("INSERT INTO TR_Valori (KRiga, Stato, Numero, Importo, Codice, Note, DataDoc) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?)",
                        r);
    }
    void TearDown() override { kv8data::SetDataDictionary(nullptr); }

    static QString Text()
    {
        return QStringLiteral(
            "SELECT KRiga, Stato, Numero, Importo, Codice, Note, DataDoc, KRiga * 4000000000000 AS Grande, "
            "CASE WHEN KRiga = 2 THEN NULL ELSE Codice END AS Espressione, KRiga * 0.5 AS Meta "
            "FROM TR_Valori ORDER BY KRiga");
    }
    // Every row of the query, each value with its type.
    Rows Read(const QString &sql, bool streamed)
    {
        TXQuery q;
        q.SetDatabase(db.get());
        q.SetUsaDizionario(true);
        q.SetUniDirectional(streamed);
        q.SQL << sql;
        q.Open();
        Rows rows;
        for (; !q.Eof(); q.Next()) {
            QVariantList row;
            for (TField *f : q.FieldList())
                row << f->Value();
            rows << row;
        }
        return rows;
    }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

void ExpectSame(const Rows &a, const Rows &b)
{
    ASSERT_EQ(a.size(), b.size());
    for (qsizetype r = 0; r < a.size(); ++r) {
        ASSERT_EQ(a[r].size(), b[r].size());
        for (qsizetype c = 0; c < a[r].size(); ++c) {
            EXPECT_EQ(a[r][c].metaType(), b[r][c].metaType()) << "row " << r << " column " << c;
            EXPECT_EQ(a[r][c], b[r][c]) << "row " << r << " column " << c;
            EXPECT_EQ(a[r][c].isNull(), b[r][c].isNull()) << "row " << r << " column " << c;
        }
    }
}

TEST_F(HeldRead, HeldRowsReadAsStreamedRowsAndTheFirstRowAsTheOthers)
{
    const Rows held = Read(Text(), false);
    ExpectSame(held, Read(Text(), true));
    ASSERT_EQ(held.size(), 5);
    // the first row (the driver's) and the fourth (the engine's) hold the same stored values
    ExpectSame({held[0].mid(1, 6) << held[0][8]}, {held[3].mid(1, 6) << held[3][8]});
    const QVariantList &first = held[0], &nulls = held[1], &empty = held[2], &last = held[4];
    EXPECT_EQ(first[2].toLongLong(), 2147483647);
    EXPECT_DOUBLE_EQ(first[3].toDouble(), 1234.5678);
    EXPECT_EQ(first[4].toString(), QStringLiteral("Àèìòù €"));
    EXPECT_EQ(first[5].toString(), QStringLiteral("prima\nriga"));
    EXPECT_EQ(first[6].toDateTime(), QDateTime(QDate(2026, 3, 1), QTime(10, 20, 30)));
    for (int c = 1; c <= 6; ++c)
        EXPECT_TRUE(nulls[c].isNull()) << "column " << c;
    EXPECT_TRUE(nulls[8].isNull());
    EXPECT_EQ(empty[4].toString(), QString());
    EXPECT_EQ(empty[6].toDateTime(), QDateTime(QDate(2026, 12, 31), QTime(0, 0)));
    EXPECT_EQ(last[7].toLongLong(), 20000000000000LL);
    EXPECT_EQ(last[5].toString().size(), 200);
    EXPECT_DOUBLE_EQ(last[9].toDouble(), 2.5);
}

TEST_F(HeldRead, TablesHoldTheRowsAsQueriesAndEmptyReadingsHoldNone)
{
    TXTable t;
    t.SetDatabase(db.get());
    t.SetTableName("TR_Valori");
    t.SetUsaDizionario(true);
    t.Open();
    Rows table;
    for (; !t.Eof(); t.Next()) {
        QVariantList row;
        for (TField *f : t.FieldList())
            row << f->Value();
        table << row;
    }
    ExpectSame(table,
               Read("SELECT KRiga, Stato, Numero, Importo, Codice, Note, DataDoc FROM TR_Valori ORDER BY KRiga", true));
    EXPECT_TRUE(Read("SELECT KRiga, Codice FROM TR_Valori WHERE KRiga > 99", false).isEmpty());
    EXPECT_EQ(Read("SELECT KRiga, Codice FROM TR_Valori WHERE KRiga = 5", false).size(), 1);
}

// A reading the engine ends on an error half-way (row 4 overflows) fails: a dataset never
// holds the rows before the error as if they were all.
TEST_F(HeldRead, AReadingThatFailsHalfWayFailsInsteadOfHoldingFewerRows)
{
    const QString sql = QStringLiteral("SELECT KRiga, abs(CASE WHEN KRiga = 4 THEN -9223372036854775807 - (KRiga - 3) "
                                       "ELSE 1 END) AS Valore FROM TR_Valori ORDER BY KRiga");
    EXPECT_THROW(Read(sql, false), EDatabaseError);
    {
        TXTransaction transazione(*db);
        EXPECT_THROW(Read(sql, false), EDatabaseError);
    }
    // the connection goes on
    EXPECT_EQ(Read(QStringLiteral("SELECT KRiga FROM TR_Valori ORDER BY KRiga"), false).size(), 5);
}

} // namespace
