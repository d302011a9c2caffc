#pragma once
// Turns the T-SQL the module writes into the SQL of the engine at hand, and splits a
// translated text into statements and bound-value valueAt for TXDatabase.
//
// Translated: [name] and [dbo]., SELECT [DISTINCT] TOP n, ISNULL(, GETDATE(),
// CAST(x AS Float), N'..' literals, ALTER TABLE .. ADD column, ALTER TABLE .. ADD
// CONSTRAINT .. DEFAULT .. FOR column (on SQLite the column this program added is added
// again with the default), and UPDATE .. FROM naming the target again in FROM.
// Everything else, string literals and comments included, is left as written. A statement
// of those forms that cannot be translated (an UPDATE whose target in FROM is joined in a way
// the engines cannot follow, a default SQLite cannot give) is refused, never sent as written.
#include <QList>
#include <QString>
#include <QStringList>

enum class DbEngine;

// One statement of a text, cut at its placeholders.
struct SqlStatement {
    QStringList fragments;   // text around the placeholders: fragments.size() == valueAt.size() + 1
    QList<int> valueAt;      // for each placeholder, the index of the value it takes
    bool readOnly = false;   // a plain SELECT (or VALUES): changes no row
    bool preparable = false; // a single SELECT/INSERT/UPDATE/DELETE/VALUES/WITH
    // The one table a plain INSERT, UPDATE or DELETE changes, without its schema; empty for
    // reads and for writes whose table is not plain to see.
    QString writtenTable;

    // The text with each placeholder replaced by what the callback gives for its value index.
    template <typename F> QString Join(F &&placeholder) const
    {
        QString out = fragments.value(0);
        for (qsizetype i = 0; i < valueAt.size(); ++i)
            out += placeholder(valueAt[i]) + fragments[i + 1];
        return out;
    }
};

// A translated text ready to run: its statements and how many values it takes.
struct CompiledSql {
    QString text;                   // the translated text
    QList<SqlStatement> statements; // empty statements (blank, comments) dropped
    int valueCount = 0;             // '?' placeholders, or distinct :name placeholders
    QStringList names;              // the :name placeholders in order of first appearance
    QString error;                  // non-empty when the text cannot be run (mixed placeholders, a
                                    // statement refused): nothing else is filled then
};

class SqlTranslator {
public:
    // Throws EDatabaseError naming the statement when one is refused.
    static QString Translate(const QString &sql, DbEngine engine);
    // Translates, then cuts at ';' and at placeholders ('?' or ':name'; a name used twice
    // takes the same value).
    static CompiledSql Compile(const QString &sql, DbEngine engine);
};
