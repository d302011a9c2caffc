#include "host/data/TXQuery.h"

#include "host/data/TDataSource.h"
#include "host/db/DMIDataBases.h"

#include <QRegularExpression>
#include <QSqlRecord>

using namespace kv8data;

namespace {

struct ParamUse {
    qsizetype start; // position of ':'
    qsizetype length;
    QString name;
};

bool IdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool IdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// ":Name" placeholders outside literals, quoted names and comments ("::" casts are no
// placeholders).
QList<ParamUse> ScanParams(const QString &text)
{
    QList<ParamUse> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            ++i;
            while (i < n) {
                if (text[i] == close) {
                    if (close != QLatin1Char(']') && i + 1 < n && text[i + 1] == close) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && text[i + 1] == QLatin1Char('-')) {
            while (i < n && text[i] != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && text[i + 1] == QLatin1Char('*')) {
            const qsizetype end = text.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (c == QLatin1Char(':')) {
            if (i + 1 < n && text[i + 1] == QLatin1Char(':')) {
                i += 2;
                continue;
            }
            const bool afterWord = i > 0 && IdentChar(text[i - 1]);
            if (!afterWord && i + 1 < n && IdentStart(text[i + 1])) {
                qsizetype j = i + 1;
                while (j < n && IdentChar(text[j]))
                    ++j;
                out.append({i, j - i, text.mid(i + 1, j - i - 1)});
                i = j;
                continue;
            }
        }
        ++i;
    }
    return out;
}

} // namespace

namespace kv8data {

QStringList TablesOfStatement(const QString &sql)
{
    static const QRegularExpression re(
        QStringLiteral("\\b(?:FROM|JOIN|INTO|UPDATE)\\s+(?:\\[?dbo\\]?\\.)?\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    auto it = re.globalMatch(sql);
    while (it.hasNext()) {
        const QString t = it.next().captured(1);
        if (t.compare(QLatin1String("SELECT"), Qt::CaseInsensitive) == 0)
            continue;
        bool seen = false;
        for (const QString &o : out)
            if (o.compare(t, Qt::CaseInsensitive) == 0)
                seen = true;
        if (!seen)
            out << t;
    }
    return out;
}

} // namespace kv8data

// ---- TParam

void TParam::SetValue(const QVariant &value)
{
    value_ = value;
    assigned_ = true;
    if (dataType_ == ftUnknown && !value.isNull())
        dataType_ = FieldTypeOfMeta(value.metaType().id());
}

void TParam::SetAsString(const QString &value)
{
    dataType_ = ftString;
    value_ = value;
    assigned_ = true;
}

void TParam::SetAsInteger(qint64 value)
{
    dataType_ = ftInteger;
    value_ = QVariant(qlonglong(value));
    assigned_ = true;
}

void TParam::SetAsFloat(double value)
{
    dataType_ = ftFloat;
    value_ = value;
    assigned_ = true;
}

void TParam::SetAsDateTime(const QDateTime &value)
{
    dataType_ = ftDateTime;
    value_ = value.isValid() ? QVariant(value) : QVariant();
    assigned_ = true;
}

void TParam::SetAsDate(const QDate &value)
{
    SetAsDateTime(value.isValid() ? QDateTime(value, QTime(0, 0)) : QDateTime());
}

QVariant TParam::BoundValue() const
{
    if (value_.isNull() || dataType_ == ftUnknown)
        return value_.isNull() ? QVariant() : value_;
    return Coerce(value_, dataType_);
}

QString TParam::AsString() const
{
    return value_.isNull() ? QString() : Coerce(value_, ftString).toString();
}

qint64 TParam::AsInteger() const
{
    return value_.isNull() ? 0 : Coerce(value_, ftLargeint).toLongLong();
}

double TParam::AsFloat() const
{
    return value_.isNull() ? 0.0 : Coerce(value_, ftFloat).toDouble();
}

QDateTime TParam::AsDateTime() const
{
    return value_.isNull() ? QDateTime() : Coerce(value_, ftDateTime).toDateTime();
}

// ---- TXQuery

TXQuery::TXQuery(QObject *owner) : TXSqlDataSet(owner) {}

TXQuery::~TXQuery() = default;

void TXQuery::SetDatabaseName(const QString &name)
{
    if (Active())
        Close();
    databaseName_ = name;
    database_ = nullptr;
}

void TXQuery::SetDatabase(TXDatabase *database)
{
    if (Active())
        Close();
    database_ = database;
}

TXDatabase &TXQuery::Database() const
{
    if (database_)
        return *database_;
    return DMIDataBases::Instance().Database(databaseName_);
}

void TXQuery::SetUniDirectional(bool on)
{
    ThrowIfActive(QStringLiteral("cambiare la lettura in avanti"));
    uniDirectional_ = on;
}

void TXQuery::SyncParams()
{
    const QString text = SQL.join(QLatin1Char('\n'));
    if (paramsParsed_ && text == paramsText_)
        return;
    std::vector<std::unique_ptr<TParam>> next;
    for (const ParamUse &use : ScanParams(text)) {
        bool seen = false;
        for (const auto &p : next)
            if (p->Name().compare(use.name, Qt::CaseInsensitive) == 0)
                seen = true;
        if (seen)
            continue;
        // a parameter of the same name keeps its type and value
        std::unique_ptr<TParam> param;
        for (auto &old : params_)
            if (old && old->Name().compare(use.name, Qt::CaseInsensitive) == 0)
                param = std::move(old);
        if (!param)
            param = std::make_unique<TParam>(use.name);
        next.push_back(std::move(param));
    }
    params_ = std::move(next);
    paramsText_ = text;
    paramsParsed_ = true;
}

int TXQuery::ParamCount()
{
    SyncParams();
    return int(params_.size());
}

TParam *TXQuery::Params(int index)
{
    SyncParams();
    if (index < 0 || index >= int(params_.size()))
        throw EDatabaseError(QStringLiteral("%1: parametro %2 inesistente").arg(Name()).arg(index));
    return params_[size_t(index)].get();
}

TParam *TXQuery::FindParam(const QString &name)
{
    SyncParams();
    for (auto &p : params_)
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

TParam *TXQuery::ParamByName(const QString &name)
{
    TParam *p = FindParam(name);
    if (!p)
        throw EDatabaseError(QStringLiteral("%1: parametro '%2' non trovato").arg(Name(), name));
    return p;
}

QVariantList TXQuery::MasterParamValues()
{
    QVariantList out;
    TDataSource *source = MasterSource();
    TDataSet *master = source ? source->DataSet() : nullptr;
    if (!master || !master->Active())
        return out;
    SyncParams();
    for (auto &p : params_) {
        TField *f = master->FindField(p->Name());
        out << (f ? f->Value() : QVariant());
    }
    return out;
}

void TXQuery::BuildStatement(QString &sql, QVariantList &values)
{
    SyncParams();
    const QString text = paramsText_;
    // parameters bound to a master take its current values
    TDataSource *source = MasterSource();
    TDataSet *master = source ? source->DataSet() : nullptr;
    if (master && master->Active()) {
        QStringList used;
        for (auto &p : params_) {
            if (TField *f = master->FindField(p->Name())) {
                if (p->dataType_ == ftUnknown)
                    p->dataType_ = f->DataType() == ftUnknown ? ftUnknown : f->DataType();
                p->value_ = f->Value();
                used << f->AsString();
            } else {
                used << p->value_.toString();
            }
        }
        lastMasterValues_ = used;
    }
    sql.clear();
    values.clear();
    qsizetype from = 0;
    for (const ParamUse &use : ScanParams(text)) {
        sql += text.mid(from, use.start - from);
        sql += QLatin1Char('?');
        from = use.start + use.length;
        values << FindParam(use.name)->BoundValue();
    }
    sql += text.mid(from);
}

void TXQuery::InternalOpen()
{
    if (SQL.join(QString()).trimmed().isEmpty())
        throw EDatabaseError(
            QStringLiteral("%1: testo SQL vuoto").arg(Name().isEmpty() ? QStringLiteral("Query") : Name()));
    TXDatabase &db = Database();
    BuildStatement(openSql_, openValues_);
    countCache_ = -1;
    const QStringList dictTables = usaDizionario_ ? TablesOfStatement(paramsText_) : QStringList();
    const auto layout = [&](const QSqlRecord &columns) {
        BeginLayout();
        BindQueryColumns(columns, dictTables, paramsText_, !db.IsPostgres());
        EndLayout();
    };
    if (uniDirectional_) {
        stream_ = db.OpenScan(openSql_, openValues_);
        stream_->ReadByValue();
        layout(stream_->Record());
        return;
    }
    // SQLite: the rows after the first read on the engine's statement (LoadQueryRows)
    if (!db.IsPostgres()) {
        QSqlQuery q = db.OpenQuery(openSql_, openValues_, true);
        layout(q.record());
        LoadQueryRows(q, db);
        return;
    }
    // held rows read as they come: the driver never holds the whole result beside them
    QVector<QVariant> values;
    db.ReadAll(openSql_, openValues_, layout, [&](QSqlQuery &row) {
        ReadQueryRow(row, values);
        AddLoadedValues(values);
    });
}

void TXQuery::InternalClose()
{
    stream_.reset();
    countCache_ = -1;
}

bool TXQuery::FetchNext(QVector<QVariant> &values)
{
    if (!stream_ || !stream_->Next())
        return false;
    const int n = ColumnCount();
    values.resize(n);
    for (int i = 0; i < n; ++i) {
        const TFieldType type = Column(i)->DataType();
        // a column of no known type keeps the driver's own value
        QVariant v = type == ftUnknown && !stream_->SteppedOnEngine() ? stream_->Row().value(i) : stream_->Value(i);
        values[i] = AlreadyStored(v, type) ? std::move(v) : CoerceLoaded(v, type);
    }
    return true;
}

void TXQuery::FetchRestart()
{
    stream_.reset();
    stream_ = Database().OpenScan(openSql_, openValues_);
    stream_->ReadByValue();
}

int TXQuery::RecordCount() const
{
    if (!uniDirectional_ || !Active())
        return TDataSet::RecordCount();
    if (countCache_ < 0) {
        const QString sql = QStringLiteral("SELECT COUNT(*) FROM (") + openSql_ + QStringLiteral(") kv8_count");
        countCache_ = Database().ScalarValue(sql, openValues_).toInt();
    }
    return countCache_;
}

void TXQuery::MasterChanged()
{
    if (!MasterSource())
        return;
    QStringList now;
    const QVariantList values = MasterParamValues();
    SyncParams();
    for (int i = 0; i < values.size(); ++i) {
        TDataSet *master = MasterSource()->DataSet();
        TField *f = master ? master->FindField(params_[size_t(i)]->Name()) : nullptr;
        now << (f ? f->AsString() : params_[size_t(i)]->value_.toString());
    }
    if (now == lastMasterValues_)
        return;
    DisableControls();
    try {
        Close();
        Open();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

int TXQuery::ExecSQL()
{
    QString sql;
    QVariantList values;
    if (SQL.join(QString()).trimmed().isEmpty())
        throw EDatabaseError(
            QStringLiteral("%1: testo SQL vuoto").arg(Name().isEmpty() ? QStringLiteral("Query") : Name()));
    BuildStatement(sql, values);
    rowsAffected_ = Database().ExecSQL(sql, values);
    return rowsAffected_;
}

QStringList TXQuery::RiempiSegnaposti(const QStringList &lines, const QString &condition, const QString &ordering)
{
    static const QRegularExpression re(QStringLiteral("\\{([^{}]*?)X(WHERE|ORDER\\s*BY)\\s*\\}"),
                                       QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const QString &line : lines) {
        QString result;
        qsizetype from = 0;
        auto it = re.globalMatch(line);
        while (it.hasNext()) {
            const auto m = it.next();
            result += line.mid(from, m.capturedStart() - from);
            const bool isWhere = m.captured(2).compare(QLatin1String("WHERE"), Qt::CaseInsensitive) == 0;
            const QString text = (isWhere ? condition : ordering).trimmed();
            if (!text.isEmpty())
                result += m.captured(1) + text;
            from = m.capturedEnd();
        }
        result += line.mid(from);
        out << result;
    }
    return out;
}

void TXQuery::ImpostaSQL(const QString &condition, const QString &ordering)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{[^{}]*X(WHERE|ORDER\\s*BY)\\s*\\}"),
                                                QRegularExpression::CaseInsensitiveOption);
    if (XSQL.isEmpty()) {
        // a design-time text written with placeholders is its own template
        if (!placeholder.match(SQL.join(QLatin1Char('\n'))).hasMatch())
            throw EDatabaseError(QStringLiteral("%1: testo modello (XSQL) non definito").arg(Name()));
        XSQL = SQL;
    }
    if (Active())
        Close();
    SQL = RiempiSegnaposti(XSQL, condition, ordering);
}
