#include "host/data/TXSqlDataSet.h"

#include "host/db/PostgresLettura.h"
#include "host/db/SqliteLettura.h"
#include "host/db/TXDatabase.h"

#include <QDateTime>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVarLengthArray>

using namespace kv8data;

namespace {

// The spelling the statement gives a name the engine reported in lower case, or "".
QString SpellingInText(const QString &name, const QString &sqlText)
{
    auto word = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    qsizetype from = 0;
    while (true) {
        const qsizetype at = sqlText.indexOf(name, from, Qt::CaseInsensitive);
        if (at < 0)
            return QString();
        const qsizetype end = at + name.size();
        if ((at == 0 || !word(sqlText[at - 1])) && (end >= sqlText.size() || !word(sqlText[end])))
            return sqlText.mid(at, name.size());
        from = at + 1;
    }
}

} // namespace

TXSqlDataSet::TXSqlDataSet(QObject *owner) : TDataSet(owner) {}

TXSqlDataSet::~TXSqlDataSet() = default;

void TXSqlDataSet::BindQueryColumns(const QSqlRecord &record, const QStringList &dictTables, const QString &sqlText,
                                    bool sqlite, int firstColumn)
{
    ReserveColumns(record.count());
    // the dictionary entries of the tables, found once
    QVarLengthArray<const DictTable *, 4> tables;
    if (!dictTables.isEmpty()) {
        const Dictionary &dictionary = DataDictionary();
        for (const QString &t : dictTables)
            if (const DictTable *table = dictionary.Table(t))
                tables.append(table);
    }
    for (int i = firstColumn; i < record.count(); ++i) {
        const QSqlField sf = record.field(i);
        const QString name = sf.name();
        const DictColumn *dict = nullptr;
        for (const DictTable *table : tables)
            if ((dict = table->Column(name)))
                break;
        QString spelling = dict ? dict->name : QString();
        if (!dict && name == name.toLower()) {
            // The engine lowered an unquoted name: take the spelling the text uses.
            spelling = SpellingInText(name, sqlText);
            if (spelling.isEmpty())
                spelling = DictSpelling(name);
        }
        if (spelling.isEmpty())
            spelling = name;
        TFieldType type;
        int size = 0;
        if (dict) {
            type = FieldTypeOf(dict->type);
            size = dict->size;
        } else {
            type = FieldTypeOfMeta(sf.metaType().id());
            // SQLite reports declared types loosely and expressions by their first value.
            if (sqlite && type != ftFloat && type != ftBlob)
                type = ftUnknown;
            if (type == ftString && sf.length() > 0)
                size = sf.length();
        }
        BindColumn(spelling, type, size, dict);
    }
}

bool TXSqlDataSet::AlreadyStored(const QVariant &v, TFieldType type)
{
    const QMetaType meta = v.metaType();
    if (!meta.isValid())
        return true;
    switch (meta.id()) {
    case QMetaType::LongLong:
        if (type != ftSmallint && type != ftInteger && type != ftLargeint && type != ftAutoInc && type != ftUnknown)
            return false;
        break;
    case QMetaType::Double:
        if (type != ftFloat && type != ftUnknown)
            return false;
        break;
    case QMetaType::QString:
        if (type != ftString && type != ftFixedChar && type != ftMemo && type != ftUnknown)
            return false;
        break;
    case QMetaType::QDateTime:
        if (type != ftDateTime || v.isNull())
            return false;
        return static_cast<const QDateTime *>(v.constData())->isValid()
               && static_cast<const QDateTime *>(v.constData())->timeSpec() == Qt::LocalTime;
    default:
        return false;
    }
    return !v.isNull();
}

void TXSqlDataSet::ReadQueryRow(QSqlQuery &query, QVector<QVariant> &values) const
{
    const int n = ColumnCount();
    values.resize(n);
    // on PostgreSQL the values the driver would give read from the server's text where they can be
    const kv8db::RigaPostgres riga = kv8db::RigaCorrentePostgres(query);
    for (int i = 0; i < n; ++i) {
        QVariant &v = values[i];
        if (!riga || !kv8db::ValorePostgres(riga, i, v))
            v = query.value(i);
        const TFieldType tipo = Column(i)->DataType();
        if (!AlreadyStored(v, tipo))
            v = CoerceLoaded(v, tipo);
    }
}

void TXSqlDataSet::ReadQueryRows(QSqlQuery &query, const TXDatabase &db,
                                 const std::function<void(QVector<QVariant> &)> &row, const QList<int> &prime,
                                 const std::function<bool(const QVector<QVariant> &)> &salta) const
{
    QVector<QVariant> values;
    if (!query.next()) {
        db.CheckReadEnd(query, query.lastQuery());
        return;
    }
    const auto consegna = [&](QVector<QVariant> &read) {
        if (!salta || !salta(read))
            row(read);
    };
    ReadQueryRow(query, values);
    consegna(values);
    // on SQLite the rest straight from the engine, coerced as ReadQueryRow does
    const auto coerce = [this](QVector<QVariant> &read, int i) {
        if (i < ColumnCount() && !AlreadyStored(read[i], Column(i)->DataType()))
            read[i] = CoerceLoaded(read[i], Column(i)->DataType());
    };
    const auto coerced = [&](QVector<QVariant> &read) {
        const int n = ColumnCount();
        read.resize(n);
        for (int i = 0; i < n; ++i)
            coerce(read, i);
        row(read);
    };
    const auto saltaPrime = [&](QVector<QVariant> &read) {
        for (const int i : prime)
            coerce(read, i);
        return salta(read);
    };
    if (kv8db::LeggiRestoSqlite(query, values, coerced, prime,
                                salta ? std::function<bool(QVector<QVariant> &)>(saltaPrime) : nullptr))
        return;
    while (query.next()) {
        ReadQueryRow(query, values);
        consegna(values);
    }
    db.CheckReadEnd(query, query.lastQuery());
}

void TXSqlDataSet::LoadQueryRows(QSqlQuery &query, const TXDatabase &db)
{
    ReadQueryRows(query, db, [this](QVector<QVariant> &values) { AddLoadedValues(values); });
}
