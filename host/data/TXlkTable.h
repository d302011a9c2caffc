#pragma once
// A lookup table on one company table: read whole when it opens and searched in memory by
// key; closing and opening it again shows the rows written since.
#include "host/data/TDataSet.h"
#include "host/db/TXDatabase.h"

class TXlkTable : public TDataSet {
    Q_OBJECT
public:
    explicit TXlkTable(QObject *owner = nullptr);
    ~TXlkTable() override;

    const QString &TableName() const { return tableName_; }
    void SetTableName(const QString &name);
    const QString &DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString &name);
    void SetDatabase(TXDatabase *database);
    TXDatabase &Database() const;
    // Optional selection condition (SQL, without WHERE).
    const QString &XWhere() const { return where_; }
    void SetXWhere(const QString &condition) { where_ = condition; }

    bool CanModify() const override { return false; }

protected:
    void InternalOpen() override;

private:
    QString tableName_;
    QString databaseName_ = QStringLiteral("GlobalDatabase");
    TXDatabase *database_ = nullptr;
    QString where_;
};
