#include "host/db/SchemaInstaller.h"

#include "host/core/Errors.h"
#include "host/db/ModuleData.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

// PostgreSQL cuts longer identifiers, which would hide an index from the next upgrade.
constexpr int MaxIdentifier = 63;

QString SqlText(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString DefaultLiteral(const DictColumn &column, const QVariant &value)
{
    switch (column.type) {
    case FieldType::String:
    case FieldType::Memo:
        return SqlText(value.toString());
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::AutoInc:
        return QString::number(value.toLongLong());
    case FieldType::Float:
        return QString::number(value.toDouble(), 'g', 17);
    case FieldType::DateTime:
        return SqlText(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    }
    return QString();
}

QString IndexNameOf(const QString &prefix, const DictTable &table, int n)
{
    QString name = prefix + table.name.toLower() + QLatin1Char('_') + QString::number(n);
    if (name.size() > MaxIdentifier) {
        const QString hash = QString::fromLatin1(
            QCryptographicHash::hash(table.name.toLower().toUtf8(), QCryptographicHash::Md5).toHex().left(8));
        const QString tail = QLatin1Char('_') + hash + QLatin1Char('_') + QString::number(n);
        name = prefix + table.name.toLower().left(MaxIdentifier - prefix.size() - tail.size()) + tail;
    }
    return name;
}

QSet<QString> LowerSet(const QStringList &names)
{
    QSet<QString> set;
    for (const QString &n : names)
        set.insert(n.toLower());
    return set;
}

QSet<QString> ExistingIndexes(TXDatabase &db)
{
    const QString sql = db.IsPostgres()
                            ? QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema()")
                            : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index'");
    QSqlQuery q = db.OpenQuery(sql);
    QSet<QString> names;
    while (q.next())
        names.insert(q.value(0).toString().toLower());
    return names;
}

template <typename Work> auto InTransaction(TXDatabase &db, Work work)
{
    db.StartTransaction();
    try {
        auto result = work();
        db.Commit();
        return result;
    } catch (...) {
        if (db.InTransaction())
            db.Rollback();
        throw;
    }
}

// ---- demo ------------------------------------------------------------------------------

struct DemoRow {
    int number = 0; // 1-based, for messages
    QList<const DictColumn *> columns;
    QVariantList values;
};

struct DemoTable {
    QString file;
    const DictTable *table = nullptr;
    QList<DemoRow> rows;
};

// A demo value as the column's value; throws a plain message on a mismatch.
QVariant DemoValue(const DictColumn &c, const QJsonValue &v)
{
    const auto fail = [&](const QString &what) -> Exception {
        return Exception(QStringLiteral("column %1: %2").arg(c.name, what));
    };
    if (v.isNull()) {
        if (!c.nullable)
            throw fail(QStringLiteral("cannot be null"));
        switch (c.type) {
        case FieldType::DateTime:
            return QVariant(QMetaType::fromType<QDateTime>());
        case FieldType::Float:
            return QVariant(QMetaType::fromType<double>());
        case FieldType::String:
        case FieldType::Memo:
            return QVariant(QMetaType::fromType<QString>());
        default:
            return QVariant(QMetaType::fromType<int>());
        }
    }
    switch (c.type) {
    case FieldType::String:
    case FieldType::Memo: {
        if (!v.isString())
            throw fail(QStringLiteral("must be a text"));
        const QString s = v.toString();
        if (c.type == FieldType::String && s.size() > c.size)
            throw fail(QStringLiteral("\"%1\" is longer than %2 characters").arg(s).arg(c.size));
        return s;
    }
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::AutoInc: {
        if (v.isBool())
            return v.toBool() ? 1 : 0;
        const double d = v.toDouble();
        const double limit = c.type == FieldType::SmallInt ? 32767.0 : 2147483647.0;
        if (!v.isDouble() || d != std::floor(d) || d > limit || d < -limit - 1)
            throw fail(QStringLiteral("must be a whole number in range"));
        return static_cast<int>(d);
    }
    case FieldType::Float:
        if (v.isBool())
            return v.toBool() ? 1.0 : 0.0;
        if (!v.isDouble())
            throw fail(QStringLiteral("must be a number"));
        return v.toDouble();
    case FieldType::DateTime: {
        const QString text = v.toString();
        QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
            if (d.isValid())
                dt = QDateTime(d, QTime(0, 0));
        }
        if (!v.isString() || !dt.isValid())
            throw fail(QStringLiteral("must be a date \"yyyy-MM-dd\""));
        return dt;
    }
    }
    throw fail(QStringLiteral("unknown type"));
}

QList<DemoTable> ReadDemo(const Dictionary &dict, const QStringList &files)
{
    QList<DemoTable> tables;
    for (const QString &file : files) {
        const auto fail = [&](const QString &what) -> Exception {
            return Exception(QStringLiteral("Demo file %1: %2").arg(file, what));
        };
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            throw fail(QStringLiteral("cannot be read (%1)").arg(f.errorString()));
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
        if (error.error != QJsonParseError::NoError)
            throw fail(QStringLiteral("bad JSON at offset %1: %2").arg(error.offset).arg(error.errorString()));
        if (!doc.isObject() || !doc.object().value(QStringLiteral("tables")).isArray())
            throw fail(QStringLiteral("the file must hold {\"tables\": [...]}"));

        for (const auto &tv : doc.object().value(QStringLiteral("tables")).toArray()) {
            const QJsonObject to = tv.toObject();
            const QString name = to.value(QStringLiteral("table")).toString();
            if (!tv.isObject() || name.isEmpty() || !to.value(QStringLiteral("rows")).isArray())
                throw fail(QStringLiteral("each entry of \"tables\" must be {\"table\": name, \"rows\": [...]}"));
            DemoTable t;
            t.file = file;
            t.table = dict.Table(name);
            if (!t.table)
                throw fail(QStringLiteral("table %1 is not in the dictionary").arg(name));
            if (!t.table->IsStored())
                throw fail(QStringLiteral("table %1 is not a table of the company database").arg(name));

            int number = 0;
            for (const auto &rv : to.value(QStringLiteral("rows")).toArray()) {
                ++number;
                const auto rowFail = [&](const QString &what) -> Exception {
                    return fail(QStringLiteral("table %1, row %2: %3").arg(t.table->name).arg(number).arg(what));
                };
                if (!rv.isObject())
                    throw rowFail(QStringLiteral("a row must be an object"));
                const QJsonObject ro = rv.toObject();
                DemoRow row;
                row.number = number;
                QSet<QString> seen;
                for (auto it = ro.begin(); it != ro.end(); ++it) {
                    const DictColumn *c = t.table->Column(it.key());
                    if (!c)
                        throw rowFail(QStringLiteral("unknown column %1").arg(it.key()));
                    if (seen.contains(c->name.toLower()))
                        throw rowFail(QStringLiteral("column %1 given twice").arg(c->name));
                    seen.insert(c->name.toLower());
                    try {
                        row.values.append(DemoValue(*c, it.value()));
                    } catch (const Exception &e) {
                        throw rowFail(e.Message);
                    }
                    row.columns.append(c);
                }
                t.rows.append(std::move(row));
            }
            tables.append(std::move(t));
        }
    }
    return tables;
}

// The table and primary key a row gives, as one text; empty when it does not give the whole key.
QString RowKey(const DemoTable &t, const DemoRow &row)
{
    QString key = t.table->name.toLower();
    for (const QString &name : t.table->primaryKey) {
        const qsizetype at = row.columns.indexOf(t.table->Column(name));
        if (at < 0)
            return QString();
        key += QChar(0x1f) + row.values.at(at).toString();
    }
    return key;
}

// A row of a later file giving the key of a row of an earlier file, and columns that row
// lacks, completes it; tables whose rows all did so are dropped.
void MergeRows(QList<DemoTable> &tables)
{
    QHash<QString, std::pair<qsizetype, qsizetype>> first; // key -> table and row
    for (qsizetype ti = 0; ti < tables.size();) {
        DemoTable &t = tables[ti];
        const bool hadRows = !t.rows.isEmpty();
        for (qsizetype ri = 0; ri < t.rows.size();) {
            const DemoRow &row = t.rows.at(ri);
            const QString key = RowKey(t, row);
            const auto it = key.isEmpty() ? first.cend() : first.constFind(key);
            if (it == first.cend() || tables.at(it->first).file == t.file) {
                if (!key.isEmpty() && it == first.cend())
                    first.insert(key, {ti, ri});
                ++ri;
                continue;
            }
            DemoTable &earlier = tables[it->first];
            DemoRow &target = earlier.rows[it->second];
            // a row adding nothing is a row of its own, whose key is taken
            if (std::all_of(row.columns.begin(), row.columns.end(),
                            [&](const DictColumn *c) { return target.columns.contains(c); })) {
                ++ri;
                continue;
            }
            for (qsizetype i = 0; i < row.columns.size(); ++i) {
                const DictColumn *c = row.columns.at(i);
                if (!target.columns.contains(c)) {
                    target.columns.append(c);
                    target.values.append(row.values.at(i));
                } else if (!t.table->primaryKey.contains(c->name)) {
                    throw Exception(QStringLiteral("Demo file %1: table %2, row %3: column %4 is given again for "
                                                   "row %5 of %6")
                                        .arg(t.file, t.table->name)
                                        .arg(row.number)
                                        .arg(c->name)
                                        .arg(target.number)
                                        .arg(earlier.file));
                }
            }
            t.rows.removeAt(ri);
        }
        if (hadRows && t.rows.isEmpty())
            tables.removeAt(ti);
        else
            ++ti;
    }
}

} // namespace

SchemaInstaller::SchemaInstaller() : dictionary_(Dictionary::Instance()) {}

SchemaInstaller::SchemaInstaller(Dictionary dictionary) : dictionary_(std::move(dictionary)) {}

QString SchemaInstaller::SqlType(const DictColumn &column, DbEngine engine)
{
    const bool pg = engine == DbEngine::PostgreSQL;
    switch (column.type) {
    case FieldType::String:
        return QStringLiteral("VARCHAR(%1)").arg(column.size);
    case FieldType::SmallInt:
        return QStringLiteral("SMALLINT");
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Float:
        return pg ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    case FieldType::DateTime:
        return pg ? QStringLiteral("TIMESTAMP") : QStringLiteral("DATETIME");
    case FieldType::Memo:
        return QStringLiteral("TEXT");
    case FieldType::AutoInc:
        return pg ? QStringLiteral("INTEGER GENERATED BY DEFAULT AS IDENTITY")
                  : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    return QString();
}

QVariant SchemaInstaller::EffectiveDefault(const DictColumn &column)
{
    if (column.defaultValue.isValid())
        return column.defaultValue;
    if (column.nullable || column.type == FieldType::DateTime || column.type == FieldType::AutoInc)
        return QVariant();
    switch (column.type) {
    case FieldType::String:
    case FieldType::Memo:
        return QString();
    case FieldType::Float:
        return 0.0;
    default:
        return 0;
    }
}

QString SchemaInstaller::ColumnDefinition(const DictColumn &column, DbEngine engine)
{
    QString sql = column.name + QLatin1Char(' ') + SqlType(column, engine);
    if (column.type == FieldType::AutoInc)
        return sql;
    if (!column.nullable)
        sql += QStringLiteral(" NOT NULL");
    const QVariant def = EffectiveDefault(column);
    if (def.isValid())
        sql += QStringLiteral(" DEFAULT ") + DefaultLiteral(column, def);
    return sql;
}

QString SchemaInstaller::UniqueIndexName(const DictTable &table, int n)
{
    return IndexNameOf(QStringLiteral("ux_"), table, n);
}

QString SchemaInstaller::IndexName(const DictTable &table, int n)
{
    return IndexNameOf(QStringLiteral("ix_"), table, n);
}

QStringList SchemaInstaller::Create(TXDatabase &db)
{
    return Install(db);
}

QStringList SchemaInstaller::Upgrade(TXDatabase &db)
{
    return Install(db);
}

QStringList SchemaInstaller::Install(TXDatabase &db)
{
    const DbEngine engine = db.Engine();
    return InTransaction(db, [&] {
        QStringList done;
        const QSet<QString> indexes = ExistingIndexes(db);
        for (const DictTable *t : dictionary_.Tables()) {
            if (!t->IsStored())
                continue;
            const bool autoincKey = std::any_of(t->columns.begin(), t->columns.end(),
                                                [](const DictColumn &c) { return c.type == FieldType::AutoInc; });
            if (!db.TableExists(t->name)) {
                QStringList parts;
                for (const DictColumn &c : t->columns)
                    parts.append(ColumnDefinition(c, engine));
                // SQLite declares an autoinc key on its column.
                if (!(autoincKey && engine == DbEngine::SQLite))
                    parts.append(QStringLiteral("PRIMARY KEY (%1)").arg(t->primaryKey.join(QStringLiteral(", "))));
                db.ExecSQL(QStringLiteral("CREATE TABLE %1 (%2)").arg(t->name, parts.join(QStringLiteral(", "))));
                done.append(QStringLiteral("created table %1").arg(t->name));
            } else {
                const QSet<QString> existing = LowerSet(db.ColumnNames(t->name));
                for (const DictColumn &c : t->columns) {
                    if (existing.contains(c.name.toLower()))
                        continue;
                    if (c.type == FieldType::AutoInc || t->primaryKey.contains(c.name))
                        throw EDatabaseError(QStringLiteral("Alla tabella %1 manca la colonna chiave %2, che non si "
                                                            "può aggiungere a una tabella esistente: il database "
                                                            "non è stato modificato; ripristinarlo da una copia di "
                                                            "sicurezza o segnalarlo all'assistenza.")
                                                 .arg(t->name, c.name));
                    db.ExecSQL(
                        QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(t->name, ColumnDefinition(c, engine)));
                    done.append(QStringLiteral("added column %1.%2").arg(t->name, c.name));
                }
            }
            const auto makeIndexes = [&](const QList<QStringList> &lists, bool unique) {
                for (qsizetype i = 0; i < lists.size(); ++i) {
                    const int n = static_cast<int>(i + 1);
                    const QString name = unique ? UniqueIndexName(*t, n) : IndexName(*t, n);
                    if (indexes.contains(name))
                        continue;
                    const QString columns = lists.at(i).join(QStringLiteral(", "));
                    db.ExecSQL(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                                   .arg(unique ? QStringLiteral("UNIQUE ") : QString(), name, t->name, columns));
                    done.append(QStringLiteral("created %1index %2 on %3 (%4)")
                                    .arg(unique ? QStringLiteral("unique ") : QString(), name, t->name, columns));
                }
            };
            makeIndexes(t->unique, true);
            makeIndexes(t->indexes, false);
        }
        return done;
    });
}

QStringList SchemaInstaller::LoadDemo(TXDatabase &db)
{
    const QStringList files = Dictionary::JsonFiles(QStringLiteral(":/host/demo")) + ModuleData::DemoFiles();
    if (files.isEmpty())
        throw Exception(QStringLiteral("Il programma non contiene l'azienda dimostrativa: installarlo di nuovo "
                                       "completo dei suoi dati."));
    return LoadDemo(db, files);
}

QStringList SchemaInstaller::LoadDemo(TXDatabase &db, const QStringList &files)
{
    QList<DemoTable> demo = ReadDemo(dictionary_, files);
    MergeRows(demo);

    // The tables written, the company record first: it is what a loaded demo leaves behind.
    QList<const DictTable *> targets;
    for (const DemoTable &t : demo)
        if (!targets.contains(t.table))
            targets.append(t.table);
    std::stable_sort(targets.begin(), targets.end(), [](const DictTable *a, const DictTable *b) {
        return a->name.compare(QLatin1String("DatiAzienda"), Qt::CaseInsensitive) == 0
               && b->name.compare(QLatin1String("DatiAzienda"), Qt::CaseInsensitive) != 0;
    });

    const auto insert = [&](const DemoTable &t, const DemoRow &row, const QList<const DictColumn *> &autokeys) {
        QStringList names;
        QVariantList params;
        for (qsizetype i = 0; i < row.columns.size(); ++i) {
            names.append(row.columns.at(i)->name);
            params.append(row.values.at(i));
        }
        try {
            for (const DictColumn *c : autokeys) {
                if (!row.columns.contains(c)) {
                    names.append(c->name);
                    params.append(db.NewKey(t.table->name, c->name));
                }
            }
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i)
                marks.append(QStringLiteral("?"));
            db.ExecSQL(names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(t.table->name)
                                       : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                             .arg(t.table->name, names.join(QStringLiteral(", ")),
                                                  marks.join(QStringLiteral(", "))),
                       params);
        } catch (const Exception &e) {
            throw Exception(QStringLiteral("Demo file %1, table %2, row %3: %4; nothing was loaded")
                                .arg(t.file, t.table->name)
                                .arg(row.number)
                                .arg(e.Message));
        }
    };

    return InTransaction(db, [&] {
        for (const DictTable *t : targets) {
            if (!db.TableExists(t->name))
                throw Exception(QStringLiteral("Nel database manca la tabella %1: crearlo o aggiornarlo prima "
                                               "(\"kv8 db upgrade\"); non è stato caricato nulla.")
                                    .arg(t->name));
            const QVariant any = db.ScalarValue(
                QStringLiteral("SELECT CASE WHEN EXISTS (SELECT 1 FROM %1) THEN 1 ELSE 0 END").arg(t->name));
            if (any.toInt() != 0)
                throw Exception(QStringLiteral("Il database contiene già dei dati (la tabella %1 ha delle righe): "
                                               "l'azienda dimostrativa si carica solo in un database vuoto; "
                                               "indicarne uno nuovo. Non è stato caricato nulla.")
                                    .arg(t->name));
        }

        // The key service starts after the highest stored key the first time it is asked, so
        // every row that gives its keys goes in before any row draws one.
        QList<std::pair<const DemoTable *, const DemoRow *>> drawing;
        QSet<const DictTable *> explicitAutoinc;
        for (const DemoTable &t : demo) {
            QList<const DictColumn *> autokeys;
            for (const DictColumn &c : t.table->columns)
                if (c.autokey)
                    autokeys.append(&c);
            for (const DemoRow &row : t.rows) {
                if (std::any_of(autokeys.begin(), autokeys.end(),
                                [&](const DictColumn *c) { return !row.columns.contains(c); })) {
                    drawing.append({&t, &row});
                    continue;
                }
                insert(t, row, {});
                for (const DictColumn *c : row.columns)
                    if (c->type == FieldType::AutoInc)
                        explicitAutoinc.insert(t.table);
            }
        }
        for (const auto &[t, row] : drawing) {
            QList<const DictColumn *> autokeys;
            for (const DictColumn &c : t->table->columns)
                if (c.autokey)
                    autokeys.append(&c);
            insert(*t, *row, autokeys);
        }

        // An identity column given its values must go on after the highest of them.
        if (db.IsPostgres()) {
            for (const DictTable *t : explicitAutoinc) {
                for (const DictColumn &c : t->columns) {
                    if (c.type != FieldType::AutoInc)
                        continue;
                    db.ScalarValue(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), "
                                                  "(SELECT MAX(%1) FROM %2))")
                                       .arg(c.name, t->name),
                                   {t->name.toLower(), c.name.toLower()});
                }
            }
        }

        QStringList done;
        for (const DemoTable &t : demo)
            done.append(QStringLiteral("loaded %1 %2 into %3")
                            .arg(t.rows.size())
                            .arg(t.rows.size() == 1 ? QStringLiteral("row") : QStringLiteral("rows"), t.table->name));
        return done;
    });
}
