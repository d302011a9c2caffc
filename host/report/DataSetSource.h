#pragma once
// A host dataset as a report data source. Queries (TXQuery) reopen: their template is XSQL
// (or the text itself when it holds placeholders), the text set replaces SQL, parameters go
// to the query's parameters. Other datasets (tables, memory tables) are opened when closed
// and rewound, never closed, so records held only in memory stay.
#include "host/report/ReportDataSource.h"

#include <QPointer>

class TDataSet;

class DataSetSource : public ReportDataSource {
public:
    explicit DataSetSource(TDataSet *dataset);
    ~DataSetSource() override;

    TDataSet *DataSet() const;

    void Open() override;
    void Close() override;
    bool Active() const override;
    void First() override;
    void Next() override;
    bool Eof() const override;
    int RecordCount() const override;
    bool HasField(const QString &name) const override;
    QVariant Value(const QString &name) const override;
    QString DisplayFormat(const QString &name) const override;
    QString SqlTemplate() const override;
    void SetSqlText(const QString &sql) override;
    void SetParam(const QString &name, const QVariant &value) override;

private:
    TDataSet &Checked() const;

    QPointer<TDataSet> dataset_;
};
