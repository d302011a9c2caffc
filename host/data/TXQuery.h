#pragma once
// Read-only SQL queries: text as lines, named or positional parameters, a template text with
// placeholders, master-bound parameters, and a forward-only mode for large scans.
#include "host/data/TXSqlDataSet.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXScan.h"

#include <QSqlQuery>
#include <QStringList>

#include <memory>
#include <vector>

class TParam {
public:
    explicit TParam(const QString &name) : name_(name) {}

    const QString &Name() const { return name_; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType type) { dataType_ = type; }
    const QVariant &Value() const { return value_; }
    void SetValue(const QVariant &value);
    bool IsNull() const { return value_.isNull(); }
    void Clear() { value_ = QVariant(); }
    // Typed setters; each fixes the parameter's type.
    void SetAsString(const QString &value);
    void SetAsWideString(const QString &value) { SetAsString(value); }
    void SetAsInteger(qint64 value);
    void SetAsSmallInt(int value) { SetAsInteger(value); }
    void SetAsFloat(double value);
    void SetAsDateTime(const QDateTime &value);
    void SetAsDate(const QDate &value);
    QString AsString() const;
    qint64 AsInteger() const;
    double AsFloat() const;
    QDateTime AsDateTime() const;
    // What is bound: the value in the parameter's type.
    QVariant BoundValue() const;

private:
    QString name_;
    TFieldType dataType_ = ftUnknown;
    QVariant value_;
    bool assigned_ = false;
    friend class TXQuery;
};

class TXQuery : public TXSqlDataSet {
    Q_OBJECT
public:
    explicit TXQuery(QObject *owner = nullptr);
    ~TXQuery() override;

    // The statement, one line per entry; callers edit it line by line.
    QStringList SQL;
    // The template with placeholders ("{WHERE XWHERE}", "{ AND  XWHERE}", "{ORDER BY XORDERBY}"...)
    // that ImpostaSQL fills into SQL.
    QStringList XSQL;

    // The connection by name ("GlobalDatabase" unless set), looked up when the query runs.
    const QString &DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString &name);
    // A connection given directly (tests, ad-hoc statements); overrides the name.
    void SetDatabase(TXDatabase *database);
    TXDatabase &Database() const;

    // Parameters of the text (":Name"), in order of first appearance.
    int ParamCount();
    TParam *Params(int index);
    TParam *ParamByName(const QString &name);
    TParam *FindParam(const QString &name);

    // Parameters take the values of the same-named fields of the master's current record, and
    // the query opens again as the master moves.
    TDataSource *DataSource() const { return MasterSource(); }
    void SetDataSource(TDataSource *source) { SetMasterSource(source); }

    // Runs a statement that returns no rows; the rows it changed.
    int ExecSQL();
    int RowsAffected() const { return rowsAffected_; }

    // SQL := XSQL with the condition (and ordering) in place of the placeholders; an empty
    // text removes a placeholder. Closes the query.
    void ImpostaSQL(const QString &condition, const QString &ordering = QString());
    static QStringList RiempiSegnaposti(const QStringList &lines, const QString &condition, const QString &ordering);

    // Forward-only reading for large scans: rows are read as the cursor moves, never held (on
    // PostgreSQL a server-side cursor read a batch at a time, see TXScan).
    // RecordCount counts the rows the statement returns (one COUNT query per opening).
    bool UniDirectional() const { return uniDirectional_; }
    void SetUniDirectional(bool on);
    bool IsUniDirectional() const override { return uniDirectional_; }
    int RecordCount() const override;

    // Field types and labels from the dictionary entries of the tables the text names.
    bool UsaDizionario() const { return usaDizionario_; }
    void SetUsaDizionario(bool on) { usaDizionario_ = on; }

    bool CanModify() const override { return false; }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    bool FetchNext(QVector<QVariant> &values) override;
    void FetchRestart() override;
    void MasterChanged() override;

private:
    void SyncParams();
    QVariantList MasterParamValues();
    // The text with ":Name" replaced by '?' and the values in order.
    void BuildStatement(QString &sql, QVariantList &values);

    QString databaseName_ = QStringLiteral("GlobalDatabase");
    TXDatabase *database_ = nullptr;
    std::vector<std::unique_ptr<TParam>> params_;
    QString paramsText_;
    bool paramsParsed_ = false;
    int rowsAffected_ = 0;
    bool uniDirectional_ = false;
    bool usaDizionario_ = true;
    std::unique_ptr<TXScan> stream_;
    QString openSql_;
    QVariantList openValues_;
    mutable int countCache_ = -1;
    QStringList lastMasterValues_;
};

namespace kv8data {
// Tables named after FROM, JOIN, INTO and UPDATE in a statement, in order.
QStringList TablesOfStatement(const QString &sql);
} // namespace kv8data
