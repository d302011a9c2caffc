#pragma once
// Datasets whose records come from SQL results, queries and tables alike: the columns of a
// result bound to fields (typed by the dictionary where it knows them) and its rows read
// into records.
#include "host/data/TDataSet.h"

#include <functional>

class QSqlQuery;
class QSqlRecord;
class TXDatabase;

class TXSqlDataSet : public TDataSet {
    Q_OBJECT
public:
    explicit TXSqlDataSet(QObject *owner = nullptr);
    ~TXSqlDataSet() override;

protected:
    // Binds the columns of a query result; dictTables name the tables whose dictionary
    // entries type the columns; sqlText gives the spelling of names the engine lowered.
    // sqlite: the engine reports no reliable types for expressions and declared types.
    void BindQueryColumns(const QSqlRecord &record, const QStringList &dictTables, const QString &sqlText, bool sqlite,
                          int firstColumn = 0);
    // Reads every row of a query of db into the records (columns in BindQueryColumns order).
    void LoadQueryRows(QSqlQuery &query, const TXDatabase &db);
    // Hands every row of a query of db to row, coerced to the field types (the query is done
    // after); a reading that ends on an error throws. With prime columns and salta, a row
    // whose prime columns (coerced, the others not read yet) salta refuses is not handed on
    // (on SQLite not read further).
    void ReadQueryRows(QSqlQuery &query, const TXDatabase &db, const std::function<void(QVector<QVariant> &)> &row,
                       const QList<int> &prime = {},
                       const std::function<bool(const QVector<QVariant> &)> &salta = {}) const;
    // The query's current row, coerced to the field types.
    void ReadQueryRow(QSqlQuery &query, QVector<QVariant> &values) const;
    // Whether CoerceLoaded would give v back as it is: an invalid value, or the engine's integer,
    // real, text or local date and time for a field of that kind.
    static bool AlreadyStored(const QVariant &v, TFieldType type);
};
