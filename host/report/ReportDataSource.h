#pragma once
// The view of a dataset that the report engine walks: a forward cursor with values by
// field name, reopened with parameters or with a new query text. DataSetSource adapts the
// host datasets; MemoryDataSource holds its rows in memory.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>

class ReportDataSource {
public:
    virtual ~ReportDataSource() = default;

    // (Re)opens with the current query text and parameters; the cursor is on the first row.
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool Active() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    virtual int RecordCount() const = 0;

    // Field access by name, without regard to letter case. Value of a missing field throws
    // Exception; a null value is a null QVariant.
    virtual bool HasField(const QString &name) const = 0;
    virtual QVariant Value(const QString &name) const = 0;
    // The field's own display format, used when the layout gives none.
    virtual QString DisplayFormat(const QString &name) const;

    // The query template with its selection and order placeholders, and the text the next
    // Open runs. Sources without a query ignore both.
    virtual QString SqlTemplate() const;
    virtual void SetSqlText(const QString &sql);
    // A parameter of the next Open.
    virtual void SetParam(const QString &name, const QVariant &value);
};

// Rows held in memory. Open keeps the rows whose columns named like a parameter hold the
// parameter's value (a detail source reopened for each row of its master), or the rows a
// Filtro function accepts when one is set.
class MemoryDataSource : public ReportDataSource {
public:
    MemoryDataSource() = default;
    explicit MemoryDataSource(const QStringList &columns);

    void SetColumns(const QStringList &columns);
    const QStringList &Columns() const { return columns_; }
    void AppendRow(const QVariantList &values);
    // A row by column name; missing columns are null.
    void AppendRow(const QVariantMap &values);
    int AllRowCount() const { return int(rows_.size()); }

    void Open() override;
    void Close() override;
    bool Active() const override { return active_; }
    void First() override;
    void Next() override;
    bool Eof() const override;
    int RecordCount() const override { return int(view_.size()); }
    bool HasField(const QString &name) const override;
    QVariant Value(const QString &name) const override;
    QString DisplayFormat(const QString &name) const override;
    QString SqlTemplate() const override { return sqlTemplate_; }
    void SetSqlText(const QString &sql) override { sqlText_ = sql; }
    void SetParam(const QString &name, const QVariant &value) override;

    void SetSqlTemplate(const QString &sql) { sqlTemplate_ = sql; }
    const QString &SqlText() const { return sqlText_; }
    const QVariantMap &Params() const { return params_; }
    void SetDisplayFormat(const QString &column, const QString &format);

    // Counts every Open, for tests that check a detail is reopened per row.
    int OpenCount() const { return openCount_; }

    std::function<bool(const MemoryDataSource &, int row)> Filtro;
    // Runs after every move that lands on a row (First, Next, Open).
    std::function<void()> AfterScroll;

    // Value of an unfiltered row, for Filtro.
    QVariant RowValue(int row, const QString &name) const;

private:
    int Column(const QString &name) const;
    void Scrolled();

    QStringList columns_;
    QHash<QString, int> index_; // lower-case name -> column
    QList<QVariantList> rows_;
    QList<int> view_;
    QHash<int, QString> formats_;
    QVariantMap params_;
    QString sqlTemplate_;
    QString sqlText_;
    int pos_ = 0;
    int openCount_ = 0;
    bool active_ = false;
};
