#include "host/core/Errors.h"
#include "host/core/KFormati.h"
#include "host/db/Dictionary.h"
#include "host/db/ModuleData.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

namespace {

class DictionaryFiles : public ::testing::Test {
protected:
    QString Write(const QString &name, const QByteArray &json)
    {
        QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
        return path;
    }

    // Load must refuse, with a message naming the file and (when given) the table.
    void ExpectFault(const QStringList &files, const QString &file, const QString &table, const QString &detail)
    {
        try {
            Dictionary::Load(files);
            ADD_FAILURE() << "no fault reported for " << detail.toStdString();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.Message.contains(file)) << e.what();
            if (!table.isEmpty()) {
                EXPECT_TRUE(e.Message.contains(QStringLiteral("table ") + table)) << e.what();
            }
            EXPECT_TRUE(e.Message.contains(detail, Qt::CaseInsensitive)) << e.what();
        }
    }

    QTemporaryDir dir_;
};

const QByteArray kGood = R"J({
  "tables": [
    { "name": "Zone", "label": "Zone",
      "columns": [
        { "name": "IdZona", "type": "string(3)", "label": "Codice" },
        { "name": "DsZona", "type": "string(40)", "label": "Descrizione", "required": true },
        { "name": "FlTipo", "type": "smallint", "default": 2, "items": [[1, "Nord"], [2, "Sud"]] },
        { "name": "Perc", "type": "float", "null": true, "displayFormat": "#,0.00" },
        { "name": "Prezzo", "type": "float", "kind": "price" },
        { "name": "FlAttiva", "type": "smallint", "kind": "flag" },
        { "name": "DataIni", "type": "datetime" },
        { "name": "Note", "type": "memo" }
      ],
      "primaryKey": ["idzona"],
      "unique": [["DsZona"]],
      "indexes": [["FlTipo", "DataIni"]] },
    { "name": "Cambi",
      "columns": [
        { "name": "IdDivisa", "type": "string(3)" },
        { "name": "Data", "type": "datetime" },
        { "name": "Cambio", "type": "float" }
      ],
      "primaryKey": ["IdDivisa", "Data"] },
    { "name": "Lavoro", "database": "local",
      "columns": [ { "name": "Riga", "type": "autoinc" }, { "name": "Testo", "type": "string(10)" } ],
      "primaryKey": ["Riga"] },
    { "name": "Pars", "database": "memory",
      "columns": [ { "name": "DaData", "type": "datetime", "default": "2024-01-31" } ] }
  ]
})J";

const QByteArray kExtension = R"J({
  "tables": [
    { "name": "LUMO_Vasche",
      "columns": [ { "name": "IdVasca", "type": "integer", "autokey": true } ],
      "primaryKey": ["IdVasca"] }
  ],
  "columns": [
    { "table": "zone", "columns": [ { "name": "UT_LMQ_FlZona", "type": "smallint", "label": "Flag" } ] }
  ]
})J";

} // namespace

TEST(Dictionary, CompiledInDictionaryLoadsAndStoredTablesHaveKeys)
{
    const Dictionary *dict = nullptr;
    try {
        dict = &Dictionary::Instance();
    } catch (const Exception &e) {
        FAIL() << e.what();
    }
    ASSERT_FALSE(dict->Tables().isEmpty());
    for (const DictTable *t : dict->Tables()) {
        EXPECT_FALSE(t->columns.isEmpty()) << t->name.toStdString();
        if (t->IsStored()) {
            EXPECT_FALSE(t->primaryKey.isEmpty()) << t->name.toStdString();
        }
        for (const DictColumn &c : t->columns)
            EXPECT_TRUE(c.origin.startsWith(QStringLiteral(":/"))) << c.origin.toStdString();
    }
    for (const char *name : {"DatiAzienda", "Clienti", "Articoli", "MovMagazzino"})
        EXPECT_NE(dict->Table(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(DictionaryFiles, ReadsTablesColumnsKeysAndExtensions)
{
    const QString good = Write(QStringLiteral("a.json"), kGood);
    const QString ext = Write(QStringLiteral("b.json"), kExtension);
    const Dictionary dict = Dictionary::Load({good, ext});

    const DictTable *zone = dict.Table(QStringLiteral("ZONE"));
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(zone->name, QStringLiteral("Zone"));
    EXPECT_EQ(zone->origin, good);
    EXPECT_TRUE(zone->IsStored());
    EXPECT_EQ(zone->primaryKey, QStringList{QStringLiteral("IdZona")}); // the column's spelling
    EXPECT_EQ(zone->unique, QList<QStringList>{{QStringLiteral("DsZona")}});
    EXPECT_EQ(zone->indexes, (QList<QStringList>{{QStringLiteral("FlTipo"), QStringLiteral("DataIni")}}));

    const DictColumn *id = zone->Column(QStringLiteral("idzona"));
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->type, FieldType::String);
    EXPECT_EQ(id->size, 3);
    EXPECT_EQ(id->label, QStringLiteral("Codice"));
    EXPECT_FALSE(id->nullable);
    EXPECT_FALSE(id->defaultValue.isValid());
    EXPECT_TRUE(zone->Column(QStringLiteral("DsZona"))->required);

    const DictColumn *tipo = zone->Column(QStringLiteral("FlTipo"));
    EXPECT_EQ(tipo->type, FieldType::SmallInt);
    EXPECT_EQ(zone->Column(QStringLiteral("Prezzo"))->numberKind, int(KFormati::fnPrezzoES));
    EXPECT_FALSE(zone->Column(QStringLiteral("Prezzo"))->flag);
    EXPECT_TRUE(zone->Column(QStringLiteral("FlAttiva"))->flag);
    EXPECT_EQ(tipo->numberKind, int(KFormati::fnNessuno));
    EXPECT_FALSE(tipo->flag);
    EXPECT_EQ(tipo->defaultValue.toInt(), 2);
    ASSERT_EQ(tipo->items.size(), 2);
    EXPECT_EQ(tipo->items.at(1).value.toInt(), 2);
    EXPECT_EQ(tipo->items.at(1).text, QStringLiteral("Sud"));

    EXPECT_TRUE(zone->Column(QStringLiteral("Perc"))->nullable);
    EXPECT_EQ(zone->Column(QStringLiteral("Perc"))->displayFormat, QStringLiteral("#,0.00"));
    EXPECT_TRUE(zone->Column(QStringLiteral("DataIni"))->nullable); // dates always
    EXPECT_EQ(zone->Column(QStringLiteral("Note"))->type, FieldType::Memo);

    // A date in a primary key always holds a value.
    EXPECT_FALSE(dict.Table(QStringLiteral("Cambi"))->Column(QStringLiteral("Data"))->nullable);

    // The extension lands on the table of the other file, remembering where it came from.
    const DictColumn *flag = zone->Column(QStringLiteral("ut_lmq_flzona"));
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->origin, ext);
    EXPECT_EQ(zone->columns.last().name, QStringLiteral("UT_LMQ_FlZona"));
    EXPECT_TRUE(dict.Table(QStringLiteral("LUMO_Vasche"))->Column(QStringLiteral("IdVasca"))->autokey);

    EXPECT_FALSE(dict.Table(QStringLiteral("Lavoro"))->IsStored());
    const DictTable *pars = dict.Table(QStringLiteral("Pars"));
    EXPECT_TRUE(pars->primaryKey.isEmpty()); // only stored tables need one
    EXPECT_EQ(pars->Column(QStringLiteral("DaData"))->defaultValue.toDateTime(),
              QDateTime(QDate(2024, 1, 31), QTime(0, 0)));

    QStringList names;
    for (const DictTable *t : dict.Tables())
        names.append(t->name);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Cambi"), QStringLiteral("Lavoro"), QStringLiteral("LUMO_Vasche"),
                                  QStringLiteral("Pars"), QStringLiteral("Zone")}));
    EXPECT_EQ(dict.Table(QStringLiteral("Missing")), nullptr);
}

TEST(Dictionary, TypesParseAndPrint)
{
    int size = -1;
    EXPECT_EQ(Dictionary::ParseType(QStringLiteral("String(22)"), &size), FieldType::String);
    EXPECT_EQ(size, 22);
    EXPECT_EQ(Dictionary::TypeText(FieldType::String, 22), QStringLiteral("string(22)"));
    for (const char *t : {"smallint", "integer", "float", "datetime", "memo", "autoinc"}) {
        const FieldType type = Dictionary::ParseType(QString::fromLatin1(t), &size);
        EXPECT_EQ(size, 0);
        EXPECT_EQ(Dictionary::TypeText(type, 0), QString::fromLatin1(t));
    }
    for (const char *bad : {"string", "string(0)", "string(x)", "int", "", "varchar(10)"})
        EXPECT_THROW(Dictionary::ParseType(QString::fromLatin1(bad), &size), Exception) << bad;
}

TEST_F(DictionaryFiles, RefusesEachKindOfFault)
{
    const auto one = [&](const char *name, const QByteArray &json) { return Write(QString::fromLatin1(name), json); };
    const QString T = QStringLiteral("T");

    ExpectFault({one("badjson.json", R"J({"tables": [ { "name": "T", )J")}, QStringLiteral("badjson.json"), QString(),
                QStringLiteral("bad JSON"));
    ExpectFault({one("array.json", R"J([1, 2])J")}, QStringLiteral("array.json"), QString(),
                QStringLiteral("bad JSON"));
    ExpectFault({one("type.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "number"}],
                  "primaryKey": ["A"]}]})J")},
                QStringLiteral("type.json"), T, QStringLiteral("unknown type \"number\""));
    ExpectFault({one("dupcol.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer"},
                  {"name": "a", "type": "smallint"}], "primaryKey": ["A"]}]})J")},
                QStringLiteral("dupcol.json"), T, QStringLiteral("duplicate column a"));
    ExpectFault({one("pk.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer"}],
                  "primaryKey": ["B"]}]})J")},
                QStringLiteral("pk.json"), T, QStringLiteral("missing column B"));
    ExpectFault({one("unique.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer"}],
                  "primaryKey": ["A"], "unique": [["A", "C"]]}]})J")},
                QStringLiteral("unique.json"), T, QStringLiteral("missing column C"));
    ExpectFault({one("index.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer"}],
                  "primaryKey": ["A"], "indexes": [["D"]]}]})J")},
                QStringLiteral("index.json"), T, QStringLiteral("missing column D"));
    ExpectFault({one("nokey.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer"}]}]})J")},
                QStringLiteral("nokey.json"), T, QStringLiteral("primary key"));
    ExpectFault({one("unknownext.json", R"J({"columns": [{"table": "Nowhere", "columns": [{"name": "A",
                  "type": "integer"}]}]})J")},
                QStringLiteral("unknownext.json"), QStringLiteral("Nowhere"), QStringLiteral("unknown table"));
    ExpectFault({one("typo.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer",
                  "nul": true}], "primaryKey": ["A"]}]})J")},
                QStringLiteral("typo.json"), T, QStringLiteral("unknown key \"nul\""));
    ExpectFault({one("default.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer",
                  "default": "0"}], "primaryKey": ["A"]}]})J")},
                QStringLiteral("default.json"), T, QStringLiteral("whole number"));
    ExpectFault({one("ident.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A B", "type": "integer"}],
                  "primaryKey": ["A B"]}]})J")},
                QStringLiteral("ident.json"), T, QStringLiteral("plain identifier"));
    ExpectFault({one("autoinc.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "autoinc"},
                  {"name": "B", "type": "integer"}], "primaryKey": ["A", "B"]}]})J")},
                QStringLiteral("autoinc.json"), T, QStringLiteral("whole primary key"));

    ExpectFault({one("kind.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "float",
                  "kind": "amount"}], "primaryKey": ["A"]}]})J")},
                QStringLiteral("kind.json"), T, QStringLiteral("unknown kind \"amount\""));
    ExpectFault({one("textkind.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "string(3)",
                  "kind": "quantity"}], "primaryKey": ["A"]}]})J")},
                QStringLiteral("textkind.json"), T, QStringLiteral("only a number column"));
    ExpectFault({one("flag.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "float",
                  "kind": "flag"}], "primaryKey": ["A"]}]})J")},
                QStringLiteral("flag.json"), T, QStringLiteral("only an integer column can be a flag"));

    // Across files: the second definition of a table, and a column an extension repeats.
    const QString first = one("first.json", R"J({"tables": [{"name": "T", "columns": [{"name": "A", "type": "integer"}],
                  "primaryKey": ["A"]}]})J");
    ExpectFault({first, one("second.json", R"J({"tables": [{"name": "t", "columns": [{"name": "A",
                  "type": "integer"}], "primaryKey": ["A"]}]})J")},
                QStringLiteral("second.json"), QStringLiteral("t"), QStringLiteral("duplicate table"));
    ExpectFault({first, one("extdup.json", R"J({"columns": [{"table": "T", "columns": [{"name": "a",
                  "type": "integer"}]}]})J")},
                QStringLiteral("extdup.json"), T, QStringLiteral("duplicate column"));
    ExpectFault({dir_.filePath(QStringLiteral("absent.json"))}, QStringLiteral("absent.json"), QString(),
                QStringLiteral("cannot be read"));
}

TEST_F(DictionaryFiles, ModuleFilesJoinTheHostsAndAFaultyOneChangesNothing)
{
    const Dictionary &before = Dictionary::Instance();
    const QString clash = Write(QStringLiteral("clash.json"), R"J({"tables": [
      {"name": "Articoli", "columns": [{"name": "X", "type": "smallint"}], "primaryKey": ["X"]}]})J");
    try {
        Dictionary::UseModuleFiles({clash});
        ADD_FAILURE() << "a module file redefining a host table was taken";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(clash)) << e.what();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("duplicate table"))) << e.what();
    }
    EXPECT_EQ(&Dictionary::Instance(), &before);

    const QString ext = Write(QStringLiteral("b.json"), kExtension);
    Dictionary::UseModuleFiles({ext});
    const Dictionary &after = Dictionary::Instance();
    EXPECT_NE(&after, &before);
    ASSERT_NE(after.Table(QStringLiteral("LUMO_Vasche")), nullptr);
    EXPECT_EQ(after.Table(QStringLiteral("LUMO_Vasche"))->origin, ext);
    ASSERT_NE(after.Table(QStringLiteral("Zone")), nullptr);
    EXPECT_NE(after.Table(QStringLiteral("Zone"))->Column(QStringLiteral("UT_LMQ_FlZona")), nullptr);
    EXPECT_EQ(after.Table(QStringLiteral("LUMO_ProgCauz")), nullptr) << "the module files before are replaced";
    // the dictionary handed out before still answers
    EXPECT_NE(before.Table(QStringLiteral("Articoli")), nullptr);
    Dictionary::UseModuleFiles({ext});
    EXPECT_EQ(&Dictionary::Instance(), &after) << "the same files make no new dictionary";

    // the module's files as the test fixtures hand them over
    Dictionary::UseModuleFiles(Dictionary::JsonFiles(QStringLiteral(":/kv8test/dictionary")));
    EXPECT_NE(Dictionary::Instance().Table(QStringLiteral("LUMO_ProgCauz")), nullptr);
}

TEST_F(DictionaryFiles, TheModuleExportListsItsFilesByKind)
{
    static QString dictionary;
    dictionary = Write(QStringLiteral("b.json"), kExtension) + QStringLiteral("\n");
    const Kv8ModuleFilesFn files = [](const char16_t *kind) -> const char16_t * {
        static const QString demo = QStringLiteral(":/kv8test/demo/02_masterdata.json\n:/kv8test/demo/03_causals.json");
        const QString asked = QString::fromUtf16(kind);
        if (asked == QLatin1String("dictionary"))
            return reinterpret_cast<const char16_t *>(dictionary.utf16());
        return asked == QLatin1String("demo") ? reinterpret_cast<const char16_t *>(demo.utf16()) : nullptr;
    };
    ModuleData::Use(files);
    EXPECT_NE(Dictionary::Instance().Table(QStringLiteral("LUMO_Vasche")), nullptr);
    EXPECT_EQ(Dictionary::Instance().Table(QStringLiteral("LUMO_ProgCauz")), nullptr);
    EXPECT_EQ(ModuleData::DemoFiles(), (QStringList{QStringLiteral(":/kv8test/demo/02_masterdata.json"),
                                                    QStringLiteral(":/kv8test/demo/03_causals.json")}));

    // a module that hands nothing leaves the host alone
    ModuleData::Use([](const char16_t *) -> const char16_t * { return nullptr; });
    EXPECT_EQ(Dictionary::Instance().Table(QStringLiteral("LUMO_Vasche")), nullptr);
    EXPECT_NE(Dictionary::Instance().Table(QStringLiteral("Articoli")), nullptr);
    EXPECT_TRUE(ModuleData::DemoFiles().isEmpty());

    ModuleData::Use(Dictionary::JsonFiles(QStringLiteral(":/kv8test/dictionary")),
                    Dictionary::JsonFiles(QStringLiteral(":/kv8test/demo")));
}
