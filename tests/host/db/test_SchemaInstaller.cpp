#include "host/core/Errors.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

const QByteArray kTables = R"J({
  "tables": [
    { "name": "DatiAzienda",
      "columns": [ { "name": "IdDitta", "type": "smallint" }, { "name": "RagioneSociale", "type": "string(50)" } ],
      "primaryKey": ["IdDitta"] },
    { "name": "Tipi",
      "columns": [
        { "name": "IdTipo", "type": "string(3)" },
        { "name": "DsTipo", "type": "string(30)" },
        { "name": "Ordine", "type": "smallint" },
        { "name": "Prezzo", "type": "float" },
        { "name": "DataIni", "type": "datetime" },
        { "name": "Note", "type": "memo" },
        { "name": "FlAttivo", "type": "smallint", "default": 1 },
        { "name": "Sigla", "type": "string(10)", "default": "l'a" },
        { "name": "Sconto", "type": "float", "null": true }
      ],
      "primaryKey": ["IdTipo"] },
    { "name": "Teste",
      "columns": [
        { "name": "KTeste", "type": "integer", "autokey": true },
        { "name": "IdConto", "type": "string(8)" },
        { "name": "Numero", "type": "integer" },
        { "name": "DataDoc", "type": "datetime" }
      ],
      "primaryKey": ["KTeste"],
      "unique": [["IdConto", "Numero"]],
      "indexes": [["DataDoc"], ["IdConto", "DataDoc"]] },
    { "name": "Righe",
      "columns": [ { "name": "IdRiga", "type": "autoinc" }, { "name": "KTeste", "type": "integer" },
                   { "name": "Qta", "type": "float" } ],
      "primaryKey": ["IdRiga"],
      "indexes": [["KTeste"]] },
    { "name": "LavoroLocale", "database": "local",
      "columns": [ { "name": "A", "type": "integer" } ] }
  ],
  "columns": [ { "table": "Tipi", "columns": [ { "name": "UT_LMQ_Extra", "type": "string(5)" } ] } ]
})J";

const QByteArray kDemo1 = R"J({"tables": [
  {"table": "DatiAzienda", "rows": [{"IdDitta": 1, "RagioneSociale": "Cantina Demo"}]},
  {"table": "Tipi", "rows": [
    {"IdTipo": "A", "DsTipo": "Primo", "Prezzo": 1.5, "DataIni": "2024-02-29"},
    {"idtipo": "B", "Ordine": 2, "Sconto": null}
  ]}
]})J";

const QByteArray kDemo2 = R"J({"tables": [
  {"table": "Teste", "rows": [
    {"IdConto": "C001", "Numero": 2},
    {"KTeste": 1, "IdConto": "C001", "Numero": 1, "DataDoc": "2024-03-01"}
  ]},
  {"table": "Righe", "rows": [{"KTeste": 10, "Qta": 3}, {"IdRiga": 7, "KTeste": 10, "Qta": 4}]}
]})J";

class SchemaInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testDb_.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        db_ = testDb_.Connect();
    }

    QString Write(const QString &name, const QByteArray &json)
    {
        QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
        return path;
    }

    SchemaInstaller Installer()
    {
        return SchemaInstaller(Dictionary::Load({Write(QStringLiteral("t.json"), kTables)}));
    }

    QStringList LowerColumns(const QString &table)
    {
        QStringList names;
        for (const QString &c : db_->ColumnNames(table))
            names.append(c.toLower());
        names.sort();
        return names;
    }

    int Count(const QString &table)
    {
        return db_->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
    }

    TestDb testDb_;
    std::unique_ptr<TXDatabase> db_;
    QTemporaryDir dir_;
};

} // namespace

TEST_F(SchemaInstallerTest, CreateTwiceChangesNothingTheSecondTime)
{
    SchemaInstaller installer = Installer();
    const QStringList first = installer.Create(*db_);
    EXPECT_TRUE(first.contains(QStringLiteral("created table Tipi")));
    EXPECT_TRUE(first.contains(QStringLiteral("created unique index ux_teste_1 on Teste (IdConto, Numero)")));
    EXPECT_TRUE(first.contains(QStringLiteral("created index ix_teste_2 on Teste (IdConto, DataDoc)")));
    EXPECT_FALSE(db_->TableExists(QStringLiteral("LavoroLocale")));
    EXPECT_FALSE(db_->InTransaction());

    const QStringList tipi = LowerColumns(QStringLiteral("Tipi"));
    EXPECT_EQ(tipi, (QStringList{QStringLiteral("dataini"), QStringLiteral("dstipo"), QStringLiteral("flattivo"),
                                 QStringLiteral("idtipo"), QStringLiteral("note"), QStringLiteral("ordine"),
                                 QStringLiteral("prezzo"), QStringLiteral("sconto"), QStringLiteral("sigla"),
                                 QStringLiteral("ut_lmq_extra")}));

    EXPECT_EQ(installer.Create(*db_), QStringList());
    EXPECT_EQ(installer.Upgrade(*db_), QStringList());
    EXPECT_EQ(LowerColumns(QStringLiteral("Tipi")), tipi);

    // A second connection sees the same finished schema.
    auto other = testDb_.Connect();
    EXPECT_EQ(installer.Upgrade(*other), QStringList());
}

TEST_F(SchemaInstallerTest, UpgradeAddsMissingColumnsAndIndexesKeepingRows)
{
    db_->ExecSQL(QStringLiteral("CREATE TABLE Tipi (IdTipo VARCHAR(3) NOT NULL DEFAULT '', "
                                "DsTipo VARCHAR(30) NOT NULL DEFAULT '', PRIMARY KEY (IdTipo))"));
    db_->ExecSQL(QStringLiteral("INSERT INTO Tipi (IdTipo, DsTipo) VALUES (?, ?)"),
                 {QStringLiteral("A"), QStringLiteral("Uno")});
    db_->ExecSQL(QStringLiteral("INSERT INTO Tipi (IdTipo, DsTipo) VALUES (?, ?)"),
                 {QStringLiteral("B"), QStringLiteral("Due")});
    db_->ExecSQL(QStringLiteral("CREATE TABLE Teste (KTeste INTEGER NOT NULL, IdConto VARCHAR(8) NOT NULL DEFAULT '', "
                                "Numero INTEGER NOT NULL DEFAULT 0, DataDoc TIMESTAMP, PRIMARY KEY (KTeste))"));

    SchemaInstaller installer = Installer();
    const QStringList done = installer.Upgrade(*db_);
    EXPECT_TRUE(done.contains(QStringLiteral("added column Tipi.Ordine")));
    EXPECT_TRUE(done.contains(QStringLiteral("added column Tipi.UT_LMQ_Extra")));
    EXPECT_FALSE(done.contains(QStringLiteral("created table Tipi")));
    EXPECT_TRUE(done.contains(QStringLiteral("created unique index ux_teste_1 on Teste (IdConto, Numero)")));
    EXPECT_EQ(installer.Upgrade(*db_), QStringList());

    QSqlQuery q =
        db_->OpenQuery(QStringLiteral("SELECT IdTipo, DsTipo, Ordine, Prezzo, DataIni, Note, FlAttivo, Sigla, "
                                      "Sconto, UT_LMQ_Extra FROM Tipi ORDER BY IdTipo"));
    QStringList seen;
    while (q.next()) {
        seen.append(q.value(0).toString() + QLatin1Char('=') + q.value(1).toString());
        EXPECT_EQ(q.value(2).toInt(), 0);
        EXPECT_FALSE(q.value(2).isNull());
        EXPECT_EQ(q.value(3).toDouble(), 0.0);
        EXPECT_TRUE(q.value(4).isNull());
        EXPECT_EQ(q.value(5).toString(), QString());
        EXPECT_FALSE(q.value(5).isNull());
        EXPECT_EQ(q.value(6).toInt(), 1);
        EXPECT_EQ(q.value(7).toString(), QStringLiteral("l'a"));
        EXPECT_TRUE(q.value(8).isNull());
        EXPECT_FALSE(q.value(9).isNull());
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("A=Uno"), QStringLiteral("B=Due")}));
}

TEST_F(SchemaInstallerTest, FailedUpgradeChangesNothing)
{
    db_->ExecSQL(QStringLiteral("CREATE TABLE Teste (KTeste INTEGER NOT NULL, IdConto VARCHAR(8) NOT NULL DEFAULT '', "
                                "PRIMARY KEY (KTeste))"));
    db_->ExecSQL(QStringLiteral("INSERT INTO Teste (KTeste, IdConto) VALUES (1, 'C1')"));
    db_->ExecSQL(QStringLiteral("INSERT INTO Teste (KTeste, IdConto) VALUES (2, 'C1')"));

    // Both rows get Numero 0: the unique index on (IdConto, Numero) cannot be built.
    SchemaInstaller installer = Installer();
    EXPECT_THROW(installer.Upgrade(*db_), EDatabaseError);
    EXPECT_FALSE(db_->InTransaction());
    EXPECT_FALSE(db_->TableExists(QStringLiteral("Tipi")));
    EXPECT_EQ(LowerColumns(QStringLiteral("Teste")),
              (QStringList{QStringLiteral("idconto"), QStringLiteral("kteste")}));
    EXPECT_EQ(Count(QStringLiteral("Teste")), 2);
}

TEST_F(SchemaInstallerTest, ColumnsTakeTheirDefaultsAndKeysAreEnforced)
{
    Installer().Create(*db_);
    db_->ExecSQL(QStringLiteral("INSERT INTO Tipi (IdTipo) VALUES (?)"), {QStringLiteral("X")});
    QSqlQuery q = db_->OpenQuery(QStringLiteral("SELECT DsTipo, Note, Ordine, Prezzo, DataIni FROM Tipi"));
    ASSERT_TRUE(q.next());
    EXPECT_FALSE(q.value(0).isNull());
    EXPECT_EQ(q.value(0).toString(), QString());
    EXPECT_FALSE(q.value(1).isNull());
    EXPECT_EQ(q.value(2).toInt(), 0);
    EXPECT_FALSE(q.value(3).isNull());
    EXPECT_TRUE(q.value(4).isNull());

    // A text column refuses NULL.
    EXPECT_THROW(db_->ExecSQL(QStringLiteral("INSERT INTO Tipi (IdTipo, DsTipo) VALUES (?, ?)"),
                              {QStringLiteral("Y"), QVariant(QMetaType::fromType<QString>())}),
                 EDatabaseError);

    EXPECT_THROW(db_->ExecSQL(QStringLiteral("INSERT INTO Tipi (IdTipo) VALUES (?)"), {QStringLiteral("X")}),
                 EKeyViolation);
}

TEST_F(SchemaInstallerTest, UniqueIndexesOfTheDictionaryAreEnforced)
{
    Installer().Create(*db_);
    const QString insert = QStringLiteral("INSERT INTO Teste (KTeste, IdConto, Numero) VALUES (?, ?, ?)");
    db_->ExecSQL(insert, {1, QStringLiteral("C001"), 1});
    db_->ExecSQL(insert, {2, QStringLiteral("C002"), 1});
    EXPECT_THROW(db_->ExecSQL(insert, {3, QStringLiteral("C001"), 1}), EKeyViolation);
    EXPECT_THROW(db_->ExecSQL(insert, {1, QStringLiteral("C003"), 1}), EKeyViolation);
    EXPECT_EQ(Count(QStringLiteral("Teste")), 2);

    // An autoinc key numbers the rows by itself.
    db_->ExecSQL(QStringLiteral("INSERT INTO Righe (KTeste, Qta) VALUES (1, 2)"));
    db_->ExecSQL(QStringLiteral("INSERT INTO Righe (KTeste, Qta) VALUES (1, 3)"));
    EXPECT_EQ(db_->ScalarValue(QStringLiteral("SELECT COUNT(DISTINCT IdRiga) FROM Righe")).toInt(), 2);
}

TEST_F(SchemaInstallerTest, DemoLoadsOnceAndASecondLoadIsRefused)
{
    SchemaInstaller installer = Installer();
    installer.Create(*db_);
    const QStringList files{Write(QStringLiteral("10-base.json"), kDemo1),
                            Write(QStringLiteral("20-docs.json"), kDemo2)};
    const QStringList done = installer.LoadDemo(*db_, files);
    EXPECT_EQ(done,
              (QStringList{QStringLiteral("loaded 1 row into DatiAzienda"), QStringLiteral("loaded 2 rows into Tipi"),
                           QStringLiteral("loaded 2 rows into Teste"), QStringLiteral("loaded 2 rows into Righe")}));
    EXPECT_FALSE(db_->InTransaction());

    QSqlQuery q =
        db_->OpenQuery(QStringLiteral("SELECT IdTipo, DsTipo, Prezzo, DataIni, FlAttivo, Sigla, Ordine FROM Tipi "
                                      "ORDER BY IdTipo"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("Primo"));
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), 1.5);
    EXPECT_EQ(q.value(4).toInt(), 1); // defaults for what a row does not give
    EXPECT_EQ(q.value(5).toString(), QStringLiteral("l'a"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("B"));
    EXPECT_EQ(q.value(1).toString(), QString());
    EXPECT_EQ(q.value(6).toInt(), 2);
    EXPECT_TRUE(q.value(3).isNull());

    // Dates compare as dates on either engine.
    EXPECT_EQ(db_->ScalarValue(QStringLiteral("SELECT IdTipo FROM Tipi WHERE DataIni = ")
                               + db_->FormatDataSQL(QDate(2024, 2, 29)))
                  .toString(),
              QStringLiteral("A"));

    // The row without its autokey drew one from the key service, after the keys given.
    QSqlQuery k = db_->OpenQuery(QStringLiteral("SELECT KTeste, Numero FROM Teste ORDER BY Numero"));
    ASSERT_TRUE(k.next());
    EXPECT_EQ(k.value(0).toInt(), 1);
    ASSERT_TRUE(k.next());
    const int drawn = k.value(0).toInt();
    EXPECT_GT(drawn, 1);
    EXPECT_GT(db_->NewKey(QStringLiteral("Teste"), QStringLiteral("KTeste")), drawn);

    // An identity given a value goes on after it.
    db_->ExecSQL(QStringLiteral("INSERT INTO Righe (KTeste, Qta) VALUES (10, 5)"));
    EXPECT_EQ(db_->ScalarValue(QStringLiteral("SELECT MAX(IdRiga) FROM Righe")).toInt(), 8);

    try {
        installer.LoadDemo(*db_, files);
        FAIL() << "a second load was accepted";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("contiene già dei dati (la tabella DatiAzienda ha delle righe)")))
            << e.what();
    }
    EXPECT_FALSE(db_->InTransaction());
    EXPECT_EQ(Count(QStringLiteral("DatiAzienda")), 1);
    EXPECT_EQ(Count(QStringLiteral("Tipi")), 2);
    EXPECT_EQ(Count(QStringLiteral("Righe")), 3);
}

TEST_F(SchemaInstallerTest, RowOfALaterFileCompletesTheRowOfItsKey)
{
    SchemaInstaller installer = Installer();
    installer.Create(*db_);
    const QString base = Write(QStringLiteral("10-base.json"), kDemo1);
    // a column given again for the row of an earlier file is a fault, and nothing is loaded
    const QString clash = Write(
        QStringLiteral("30-clash.json"),
        R"J({"tables": [{"table": "Tipi", "rows": [{"IdTipo": "A", "UT_LMQ_Extra": "X", "DsTipo": "Altro"}]}]})J");
    try {
        installer.LoadDemo(*db_, {base, clash});
        ADD_FAILURE() << "a column was given twice";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("30-clash.json"))) << e.what();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("column DsTipo"))) << e.what();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("10-base.json"))) << e.what();
    }
    EXPECT_EQ(Count(QStringLiteral("Tipi")), 0);

    const QString extra = Write(QStringLiteral("30-extra.json"), R"J({"tables": [
      {"table": "Tipi", "rows": [{"IdTipo": "A", "UT_LMQ_Extra": "X1"}, {"IdTipo": "C", "DsTipo": "Terzo"}]},
      {"table": "Tipi", "rows": [{"IdTipo": "B", "UT_LMQ_Extra": "X2", "Sigla": "b"}]}
    ]})J");
    EXPECT_EQ(installer.LoadDemo(*db_, {base, extra}),
              (QStringList{QStringLiteral("loaded 1 row into DatiAzienda"), QStringLiteral("loaded 2 rows into Tipi"),
                           QStringLiteral("loaded 1 row into Tipi")}));
    QStringList rows;
    QSqlQuery q =
        db_->OpenQuery(QStringLiteral("SELECT IdTipo, DsTipo, UT_LMQ_Extra, Sigla, Ordine FROM Tipi ORDER BY IdTipo"));
    while (q.next())
        rows << QStringLiteral("%1|%2|%3|%4|%5")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                         q.value(4).toString());
    EXPECT_EQ(rows, (QStringList{QStringLiteral("A|Primo|X1|l'a|0"), QStringLiteral("B||X2|b|2"),
                                 QStringLiteral("C|Terzo||l'a|0")}));
}

TEST_F(SchemaInstallerTest, FaultyDemoNamesTheFileAndLoadsNothing)
{
    SchemaInstaller installer = Installer();
    installer.Create(*db_);
    const QString good = Write(QStringLiteral("10-base.json"), kDemo1);
    const struct {
        const char *json;
        const char *detail;
    } cases[] = {
        {R"J({"tables": [{"table": "Tipi", "rows": [{"IdTipo": "ZZ", "Colore": "x"}]}]})J",
         "row 1: unknown column Colore"},
        {R"J({"tables": [{"table": "Tipi", "rows": [{"IdTipo": "ZZZZ"}]}]})J", "longer than 3 characters"},
        {R"J({"tables": [{"table": "Tipi", "rows": [{"IdTipo": "Z", "DataIni": "31/01/2024"}]}]})J", "yyyy-MM-dd"},
        {R"J({"tables": [{"table": "Tipi", "rows": [{"IdTipo": "Z", "Ordine": "3"}]}]})J", "whole number"},
        {R"J({"tables": [{"table": "Nessuna", "rows": []}]})J", "table Nessuna is not in the dictionary"},
        {R"J({"tables": [{"table": "LavoroLocale", "rows": []}]})J", "not a table of the company database"},
        {R"J({"tables": [{"table": "Tipi", "rows": [{"IdTipo": "A"}]}]})J", "row 1"}, // key taken by the first file
        {R"J({"tables": )J", "bad JSON"},
    };
    for (const auto &c : cases) {
        const QString bad = Write(QStringLiteral("20-bad.json"), c.json);
        try {
            installer.LoadDemo(*db_, {good, bad});
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const Exception &e) {
            EXPECT_TRUE(e.Message.contains(QStringLiteral("20-bad.json"))) << e.what();
            EXPECT_TRUE(e.Message.contains(QString::fromLatin1(c.detail))) << e.what();
        }
        EXPECT_FALSE(db_->InTransaction());
        EXPECT_EQ(Count(QStringLiteral("DatiAzienda")), 0) << c.json;
        EXPECT_EQ(Count(QStringLiteral("Tipi")), 0) << c.json;
    }
}

TEST_F(SchemaInstallerTest, DemoNeedsTheTables)
{
    SchemaInstaller installer = Installer();
    try {
        installer.LoadDemo(*db_, {Write(QStringLiteral("10-base.json"), kDemo1)});
        FAIL() << "loaded into a database without tables";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("manca la tabella DatiAzienda"))) << e.what();
    }
}

TEST_F(SchemaInstallerTest, CompiledInSchemaInstallsAndTheDemoLoads)
{
    SchemaInstaller installer;
    EXPECT_FALSE(installer.Create(*db_).isEmpty());
    EXPECT_EQ(installer.Upgrade(*db_), QStringList());
    for (const DictTable *t : installer.Dict().Tables()) {
        if (!t->IsStored())
            continue;
        EXPECT_TRUE(db_->TableExists(t->name)) << t->name.toStdString();
        EXPECT_EQ(db_->ColumnNames(t->name).size(), t->columns.size()) << t->name.toStdString();
    }

    const QStringList loaded = installer.LoadDemo(*db_);
    EXPECT_FALSE(loaded.isEmpty());
    EXPECT_GT(Count(QStringLiteral("DatiAzienda")), 0);
    EXPECT_THROW(installer.LoadDemo(*db_), Exception);
    EXPECT_EQ(installer.Upgrade(*db_), QStringList());
}
