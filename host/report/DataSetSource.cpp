#include "host/report/DataSetSource.h"

#include "host/core/Errors.h"
#include "host/data/TDataSet.h"
#include "host/data/TXQuery.h"

#include <QRegularExpression>

DataSetSource::DataSetSource(TDataSet *dataset) : dataset_(dataset)
{
    if (!dataset)
        throw Exception(QStringLiteral("Dataset nullo per la stampa"));
}

DataSetSource::~DataSetSource() = default;

TDataSet *DataSetSource::DataSet() const
{
    return dataset_.data();
}

TDataSet &DataSetSource::Checked() const
{
    if (!dataset_)
        throw Exception(QStringLiteral("Il dataset della stampa non esiste più"));
    return *dataset_;
}

void DataSetSource::Open()
{
    TDataSet &ds = Checked();
    if (qobject_cast<TXQuery *>(&ds)) {
        ds.Close();
        ds.Open();
        return;
    }
    if (!ds.Active())
        ds.Open();
    ds.First();
}

void DataSetSource::Close()
{
    Checked().Close();
}

bool DataSetSource::Active() const
{
    return dataset_ && dataset_->Active();
}

void DataSetSource::First()
{
    Checked().First();
}

void DataSetSource::Next()
{
    Checked().Next();
}

bool DataSetSource::Eof() const
{
    return !Active() || dataset_->Eof();
}

int DataSetSource::RecordCount() const
{
    return Active() ? dataset_->RecordCount() : 0;
}

bool DataSetSource::HasField(const QString &name) const
{
    return dataset_ && dataset_->FindField(name);
}

QVariant DataSetSource::Value(const QString &name) const
{
    const QVariant value = Checked().FieldByName(name)->Value();
    return value.isValid() && !value.isNull() ? value : QVariant();
}

QString DataSetSource::DisplayFormat(const QString &name) const
{
    const TField *field = dataset_ ? dataset_->FindField(name) : nullptr;
    return field ? field->DisplayFormat() : QString();
}

namespace {

bool HasPlaceholder(const QString &text)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{[^{}]*X(WHERE|ORDER\\s*BY)\\s*\\}"),
                                                QRegularExpression::CaseInsensitiveOption);
    return placeholder.match(text).hasMatch();
}

} // namespace

QString DataSetSource::SqlTemplate() const
{
    const auto *query = qobject_cast<const TXQuery *>(dataset_.data());
    if (!query)
        return QString();
    if (!query->XSQL.isEmpty())
        return query->XSQL.join(QLatin1Char('\n'));
    const QString text = query->SQL.join(QLatin1Char('\n'));
    return HasPlaceholder(text) ? text : QString();
}

void DataSetSource::SetSqlText(const QString &sql)
{
    auto *query = qobject_cast<TXQuery *>(&Checked());
    if (!query)
        return;
    // A text written with placeholders is its own template: keep it for the next print.
    if (query->XSQL.isEmpty() && HasPlaceholder(query->SQL.join(QLatin1Char('\n'))))
        query->XSQL = query->SQL;
    if (query->Active())
        query->Close();
    query->SQL = sql.split(QLatin1Char('\n'));
}

void DataSetSource::SetParam(const QString &name, const QVariant &value)
{
    auto *query = qobject_cast<TXQuery *>(&Checked());
    if (!query)
        throw Exception(QStringLiteral("Il dataset %1 non è una query: non ha parametri").arg(dataset_->Name()));
    TParam *param = query->FindParam(name);
    if (!param)
        throw Exception(QStringLiteral("La query %1 non ha il parametro %2").arg(query->Name(), name));
    param->SetValue(value);
}
