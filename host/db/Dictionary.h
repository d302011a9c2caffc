#pragma once
// The field dictionary: every table and column the system uses, read from JSON.
//
// One JSON file per group of tables; host tables in host/dictionary/ (compiled into the host),
// the module's tables and its columns on host tables in dictionary/ (compiled into the module
// library, which hands them over). A file:
//
// {
//   "tables": [
//     { "name": "LUMO_Protocolli",
//       "database": "global",            // "global" (installed in the company database, default),
//                                        // "local" (work table of the LocalDatabase, made by CreaTabella)
//                                        // or "memory" (parameter record of a dialog)
//       "label": "Protocolli documenti",
//       "columns": [
//         { "name": "TipoDoc", "type": "smallint", "label": "Tipo documento",
//           "items": [[0, "Documento accise"]] },
//         { "name": "Protocollo", "type": "integer", "label": "Protocollo", "null": true }
//       ],
//       "primaryKey": ["TipoDoc", "Anno", "Serie"],
//       "unique": [["..."]],              // further unique indexes
//       "indexes": [["..."]] }            // plain indexes
//   ],
//   "columns": [                          // columns added to a table defined in another file
//     { "table": "Articoli", "columns": [ { "name": "UT_LMQ_FlTipArt", "type": "smallint" } ] }
//   ]
// }
//
// Column keys: "name", "type" ("string(n)", "smallint", "integer", "float", "datetime",
// "memo", "autoinc"), "label", "default" (a JSON value), "displayFormat", "editFormat",
// "items" (pairs of value and text for drop-down lists), "autokey" (integer key drawn from the
// key service when a record is begun), "required", "null" (a number that may be empty),
// "kind": how a number shows where no display format is given ("integer", "quantity",
// "quantity2", "percentage", "price" and "value" in the row's currency, "nationalPrice" and
// "nationalValue" in the company's), or "flag" for a yes/no column (0 or 1, a check mark).
// Text and numbers are NOT NULL with default '' and 0 unless "null" is set; dates are nullable.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

enum class FieldType { String, SmallInt, Integer, Float, DateTime, Memo, AutoInc };

struct DictItem {
    QVariant value;
    QString text;
};

struct DictColumn {
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // characters, strings only
    QString label;
    QVariant defaultValue; // invalid when the file gives none
    QString displayFormat;
    QString editFormat;
    QList<DictItem> items;
    bool autokey = false;
    bool required = false;
    bool nullable = false; // dates are always nullable
    int numberKind = 0;    // a KFormati::TFormatoNumero; fnNessuno when not given
    bool flag = false;     // yes/no: 1 yes, 0 no
    QString origin;        // file that defined the column
};

struct DictTable {
    QString name;
    QString database = QStringLiteral("global");
    QString label;
    QList<DictColumn> columns;
    QStringList primaryKey;
    QList<QStringList> unique;
    QList<QStringList> indexes;
    QString origin;

    const DictColumn *Column(const QString &column) const; // case-insensitive
    bool IsStored() const { return database == QLatin1String("global"); }

private:
    friend class Dictionary;
    void Index();
    // Column positions by their own spelling and case-folded, made when the dictionary is loaded.
    QHash<QString, qsizetype> bySpelling_;
    QHash<QString, qsizetype> byFolded_;
    qsizetype indexed_ = -1; // columns the index covers
};

class Dictionary {
public:
    // The program's dictionary: the host's files compiled in, then the files the module library
    // handed over (host/db/ModuleData.h). Made anew when the module's files change; every one
    // handed out stays valid for the life of the program.
    static const Dictionary &Instance();
    // Makes the module's files part of Instance; throws Exception naming the file when the
    // dictionary does not load with them, leaving Instance as it was.
    static void UseModuleFiles(const QStringList &files);
    // The *.json files of a folder (a resource folder too), in name order.
    static QStringList JsonFiles(const QString &folder);
    // Reads the given JSON files; throws Exception naming the file on any fault
    // (bad JSON, unknown type, duplicate table or column, key naming a missing column,
    // extension of an unknown table).
    static Dictionary Load(const QStringList &files);

    const DictTable *Table(const QString &name) const; // case-insensitive
    QList<const DictTable *> Tables() const;           // in name order

    static FieldType ParseType(const QString &text, int *size);
    static QString TypeText(FieldType type, int size);

private:
    std::vector<DictTable> tables_; // in order of lower-case name
    // Table positions by their own spelling and case-folded.
    QHash<QString, qsizetype> bySpelling_;
    QHash<QString, qsizetype> byFolded_;
};
