#pragma once
// Creates and upgrades a company database from the field dictionary, and loads the demo company.
//
// Create and Upgrade do the same, idempotent work: they create the missing tables of the
// company database ("global" tables), add the missing columns (ALTER TABLE ... ADD COLUMN with
// the column's NOT NULL DEFAULT) and create the missing indexes. They never drop or change
// anything, run in one transaction, and return one line per change (empty when nothing was
// missing: then nothing is written, so a read-only database that lacks nothing is fine).
// Indexes are named ux_<table>_<n> (unique) and ix_<table>_<n> (plain), n counting from 1 in
// dictionary order, so an upgrade finds the ones it made.
#include "host/db/Dictionary.h"
#include "host/db/TXDatabase.h"

#include <QStringList>

class SchemaInstaller {
public:
    // The program's dictionary (Dictionary::Instance).
    SchemaInstaller();
    explicit SchemaInstaller(Dictionary dictionary);

    QStringList Create(TXDatabase &db);
    QStringList Upgrade(TXDatabase &db);

    // Loads the demo company in one transaction: the host's part (":/host/demo/*.json" in name
    // order), then the module's (ModuleData::DemoFiles), or the given files. A file:
    // {"tables": [{"table": "Clienti", "rows": [{"IdConto": "C001", ...}]}]}; columns a row
    // does not give take their defaults, an autokey column a row does not give draws its key
    // from the key service, dates are "yyyy-MM-dd". A row giving the whole primary key of a row
    // of an earlier file and columns that row lacks completes it (a column other than the key
    // given by both is an error): so the module's columns on host tables travel in its own
    // files. Refused, changing nothing, when a table it writes already holds rows. Returns one
    // line per table loaded.
    QStringList LoadDemo(TXDatabase &db);
    QStringList LoadDemo(TXDatabase &db, const QStringList &files);

    // The column's SQL type on an engine (autoinc with its key clause).
    static QString SqlType(const DictColumn &column, DbEngine engine);
    // The column as it appears in CREATE TABLE or ADD COLUMN: name, type, NOT NULL, DEFAULT.
    static QString ColumnDefinition(const DictColumn &column, DbEngine engine);
    // What a stored column holds when an insert gives no value: the dictionary's default,
    // else '' for text and 0 for numbers; invalid (NULL) for dates and nullable columns.
    static QVariant EffectiveDefault(const DictColumn &column);
    // The names the installer gives to a table's indexes.
    static QString UniqueIndexName(const DictTable &table, int n);
    static QString IndexName(const DictTable &table, int n);

    const Dictionary &Dict() const { return dictionary_; }

private:
    QStringList Install(TXDatabase &db);

    Dictionary dictionary_;
};
