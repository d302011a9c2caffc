#include "host/report/ReportDataSource.h"

#include "host/core/Errors.h"

QString ReportDataSource::DisplayFormat(const QString &) const
{
    return QString();
}

QString ReportDataSource::SqlTemplate() const
{
    return QString();
}

void ReportDataSource::SetSqlText(const QString &) {}

void ReportDataSource::SetParam(const QString &, const QVariant &) {}

// ---------------------------------------------------------------------------------------

MemoryDataSource::MemoryDataSource(const QStringList &columns)
{
    SetColumns(columns);
}

void MemoryDataSource::SetColumns(const QStringList &columns)
{
    columns_ = columns;
    index_.clear();
    for (int i = 0; i < columns.size(); ++i)
        index_.insert(columns[i].toLower(), i);
    rows_.clear();
    view_.clear();
    active_ = false;
}

void MemoryDataSource::AppendRow(const QVariantList &values)
{
    QVariantList row = values;
    while (row.size() < columns_.size())
        row.append(QVariant());
    row.resize(columns_.size());
    rows_.append(row);
}

void MemoryDataSource::AppendRow(const QVariantMap &values)
{
    QVariantList row(columns_.size());
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int col = Column(it.key());
        if (col < 0)
            throw Exception(QStringLiteral("Colonna %1 inesistente").arg(it.key()));
        row[col] = it.value();
    }
    rows_.append(row);
}

int MemoryDataSource::Column(const QString &name) const
{
    return index_.value(name.toLower(), -1);
}

void MemoryDataSource::Open()
{
    view_.clear();
    for (int r = 0; r < rows_.size(); ++r) {
        bool keep = true;
        if (Filtro) {
            keep = Filtro(*this, r);
        } else {
            for (auto it = params_.cbegin(); it != params_.cend() && keep; ++it) {
                const int col = Column(it.key());
                if (col >= 0)
                    keep = rows_[r][col] == it.value();
            }
        }
        if (keep)
            view_.append(r);
    }
    active_ = true;
    pos_ = 0;
    ++openCount_;
    Scrolled();
}

void MemoryDataSource::Close()
{
    active_ = false;
    view_.clear();
    pos_ = 0;
}

void MemoryDataSource::First()
{
    if (!active_)
        throw Exception(QStringLiteral("Dataset chiuso"));
    pos_ = 0;
    Scrolled();
}

void MemoryDataSource::Next()
{
    if (!active_)
        throw Exception(QStringLiteral("Dataset chiuso"));
    if (pos_ < view_.size())
        ++pos_;
    Scrolled();
}

bool MemoryDataSource::Eof() const
{
    return !active_ || pos_ >= view_.size();
}

void MemoryDataSource::Scrolled()
{
    if (AfterScroll && !Eof())
        AfterScroll();
}

bool MemoryDataSource::HasField(const QString &name) const
{
    return Column(name) >= 0;
}

QVariant MemoryDataSource::Value(const QString &name) const
{
    const int col = Column(name);
    if (col < 0)
        throw Exception(QStringLiteral("Campo %1 non trovato").arg(name));
    if (Eof())
        return QVariant();
    return rows_[view_[pos_]][col];
}

QVariant MemoryDataSource::RowValue(int row, const QString &name) const
{
    const int col = Column(name);
    if (col < 0)
        throw Exception(QStringLiteral("Campo %1 non trovato").arg(name));
    return rows_.value(row).value(col);
}

QString MemoryDataSource::DisplayFormat(const QString &name) const
{
    return formats_.value(Column(name));
}

void MemoryDataSource::SetDisplayFormat(const QString &column, const QString &format)
{
    const int col = Column(column);
    if (col < 0)
        throw Exception(QStringLiteral("Colonna %1 inesistente").arg(column));
    formats_.insert(col, format);
}

void MemoryDataSource::SetParam(const QString &name, const QVariant &value)
{
    params_.insert(name, value);
}
