#pragma once
// A dataset on one table of a connection: the table's name, the connection (by name, or
// given directly) and a selection condition, all set while it is closed.
#include "host/data/TXSqlDataSet.h"
#include "host/db/TXDatabase.h"

class TXTableBase : public TXSqlDataSet {
    Q_OBJECT
public:
    explicit TXTableBase(QObject *owner = nullptr);
    ~TXTableBase() override;

    const QString &TableName() const { return tableName_; }
    void SetTableName(const QString &name);
    // The connection by name ("GlobalDatabase" unless set; "LocalDatabase" for work tables).
    const QString &DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString &name);
    // A connection given directly (tests); overrides the name.
    void SetDatabase(TXDatabase *database);
    TXDatabase &Database() const;
    TXDatabase *DirectDatabase() const { return database_; }
    // Selection condition (SQL, without WHERE); it applies at the next opening.
    const QString &XWhere() const { return where_; }
    void SetXWhere(const QString &condition) { where_ = condition; }

protected:
    QString tableName_;
    QString databaseName_ = QStringLiteral("GlobalDatabase");
    TXDatabase *database_ = nullptr;
    QString where_;

private:
    // The connection last found by name, while DMIDataBases::Generation() stays.
    mutable TXDatabase *found_ = nullptr;
    mutable quint64 foundGeneration_ = 0;
};
