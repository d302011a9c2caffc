#include "host/data/TXTable.h"

#include "host/core/MetaTypes.h"
#include "host/data/ArrayMark.h"
#include "host/data/DataRecord.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cstring>
#include <map>
#include <utility>

using namespace kv8data;

using kv8data::ArrayMark;

namespace {

struct TableMeta {
    QStringList primaryKey;
    QHash<QString, TXTable::ColumnInfo> columns;
};

// What is known of the tables of one connection. The connection's name (never given twice in
// a run) and URL tell apart a connection opened later at the address of a closed one.
struct ConnectionMeta {
    QString connection;
    QString url;
    QHash<QString, TableMeta> tables; // lower-case table name
};

constexpr qsizetype kMaxConnectionsKnown = 64;

QHash<const TXDatabase *, ConnectionMeta> &MetaCache()
{
    static QHash<const TXDatabase *, ConnectionMeta> cache;
    return cache;
}

ConnectionMeta &MetaOf(const TXDatabase &db)
{
    auto &cache = MetaCache();
    const QString connection = db.Connection().connectionName();
    auto it = cache.find(&db);
    if (it != cache.end() && it->connection == connection && it->url == db.Url())
        return *it;
    if (it == cache.end() && cache.size() >= kMaxConnectionsKnown)
        cache.clear(); // connections closed long ago
    return *cache.insert(&db, ConnectionMeta{connection, db.Url(), {}});
}

void CheckIdentifier(const QString &name, const char *what)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!re.match(name).hasMatch())
        throw EDatabaseError(QStringLiteral("Nome di %1 non valido: '%2'").arg(QLatin1String(what), name));
}

void CatalogueReadFailed(const QSqlQuery &q, const QString &table)
{
    qWarning("kv8: the columns and key of table %s could not be read: %s", qPrintable(table),
             qPrintable(q.lastError().text()));
}

QString ConflictMessage(const QString &table)
{
    return QStringLiteral("Record modificato o cancellato da un altro utente (tabella %1): rileggere i dati e "
                          "ripetere l'operazione")
        .arg(table);
}

// A text bound as a value: a null text is the empty text, not NULL.
QVariant Bindable(const TField *f, const QVariant &v, int typeId)
{
    if (typeId == QMetaType::QString && static_cast<const QString *>(v.constData())->isNull() && f->IsText())
        return QString(QLatin1String(""));
    return v;
}

QVariant Bindable(const TField *f, const QVariant &v)
{
    return Bindable(f, v, v.typeId());
}

// A value as bound: texts never null, dates in the stored form of the engine.
QVariant StoredForm(const TXDatabase &db, const TField *f, const QVariant &v)
{
    const int typeId = MetaTypeIdOf(v);
    if (typeId == QMetaType::QDateTime)
        return db.ToDb(v);
    return Bindable(f, v, typeId);
}

// Marks the statements of the scope as a table's own.
class OwnStatements {
public:
    explicit OwnStatements(bool &flag) : flag_(flag) { flag_ = true; }
    ~OwnStatements() { flag_ = false; }
    OwnStatements(const OwnStatements &) = delete;
    OwnStatements &operator=(const OwnStatements &) = delete;

private:
    bool &flag_;
};

// The value a NOT NULL column takes for an empty field.
QVariant EmptyOf(const TField *f)
{
    if (f->IsText())
        return QString(QLatin1String(""));
    if (f->IsNumeric() || f->DataType() == ftBoolean)
        return f->DataType() == ftFloat ? QVariant(0.0) : QVariant(qlonglong(0));
    return QVariant();
}

// A work table of the dictionary used on a PostgreSQL connection: a temporary table of that
// connection, so that each program run has its own rows.
bool Temporanea(const TXDatabase &db, const QString &table)
{
    const DictTable *t = db.IsPostgres() ? DataDictionary().Table(table) : nullptr;
    return t && t->database == QLatin1String("local");
}

} // namespace

namespace kv8data {

void ForgetTableMeta(const QString &table)
{
    const QString key = table.toLower();
    for (ConnectionMeta &connection : MetaCache())
        connection.tables.remove(key);
}

} // namespace kv8data

TXTable::TXTable(QObject *owner) : TXTableBase(owner) {}

namespace {

// Fails the commit of the connection's open transaction with a reason, and goes with the
// transaction.
class TransactionFailure : public TXTransactionListener {
public:
    TransactionFailure(TXDatabase &db, QString reason) : reason_(std::move(reason)) { Listen(&db); }

protected:
    void BeforeCommit() override { throw EDatabaseError(reason_); }
    void TransactionCommitted() override { delete this; }
    void TransactionRolledBack() override { delete this; }

private:
    QString reason_;
};

void FailTransaction(TXDatabase &db, const QString &reason)
{
    new TransactionFailure(db, reason); // deletes itself when the transaction ends
}

} // namespace

TXTable::~TXTable()
{
    if (pending_.empty())
        return;
    try {
        FlushDeferred();
    } catch (const std::exception &e) {
        qWarning("kv8: table %s could not write the rows kept for the commit: %s", qPrintable(tableName_), e.what());
        // the transaction would commit without those rows
        if (TXDatabase *db = ListenedDatabase(); db && db->InTransaction())
            FailTransaction(*db, QString::fromUtf8(e.what()));
    }
}

void TXTable::SetXAutoApply(bool on)
{
    if (on == autoApply_)
        return;
    if (!on)
        FlushDeferred();
    if (on && Active() && ChangeCount() > 0)
        throw EDatabaseError(QStringLiteral("%1: applicare o annullare le modifiche in sospeso prima").arg(Name()));
    autoApply_ = on;
}

bool TXTable::Exists() const
{
    const TXDatabase &db = Database();
    if (!Temporanea(db, tableName_))
        return db.TableExists(tableName_);
    QSqlQuery q(db.Connection());
    q.prepare(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"));
    q.addBindValue(QStringLiteral("pg_temp.") + tableName_.toLower());
    if (!q.exec())
        CatalogueReadFailed(q, tableName_);
    return q.next() && q.value(0).toBool();
}

void TXTable::LoadMeta()
{
    if (tableName_.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: nome della tabella non impostato").arg(Name()));
    CheckIdentifier(tableName_, "tabella");
    TXDatabase &db = Database();
    QHash<QString, TableMeta> &known = MetaOf(db).tables;
    const QString key = tableName_.toLower();
    TableMeta meta;
    const TableMeta *found = nullptr;
    if (const auto it = known.constFind(key); it != known.cend())
        found = &*it;
    if (!found) {
        QSqlQuery q(db.Connection());
        std::map<int, QString> chiave; // the primary key's columns by their place in it
        if (db.IsPostgres()) {
            // the catalogue itself, columns and key in one read (the standard views cost
            // milliseconds a table); the table the name finds: a temporary one first
            q.prepare(QStringLiteral("SELECT a.attname, a.attnotnull, (a.atthasdef AND a.attgenerated = '') "
                                     "OR a.attidentity <> '', array_position(i.indkey::int2[], a.attnum) "
                                     "FROM pg_attribute a LEFT JOIN pg_index i ON i.indrelid = a.attrelid "
                                     "AND i.indisprimary WHERE a.attrelid = to_regclass(?) AND a.attnum > 0 "
                                     "AND NOT a.attisdropped"));
            q.addBindValue(key);
            if (!q.exec())
                CatalogueReadFailed(q, tableName_);
            while (q.next()) {
                const QString name = q.value(0).toString();
                meta.columns.insert(name.toLower(), {q.value(1).toBool(), q.value(2).toBool()});
                if (!q.value(3).isNull())
                    chiave[q.value(3).toInt()] = name;
            }
        } else {
            if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(tableName_)))
                CatalogueReadFailed(q, tableName_);
            while (q.next()) {
                const QString name = q.value(1).toString();
                meta.columns.insert(name.toLower(), {q.value(3).toInt() != 0, !q.value(4).isNull()});
                if (q.value(5).toInt() > 0)
                    chiave[q.value(5).toInt()] = name;
            }
        }
        for (const auto &colonna : chiave)
            meta.primaryKey << colonna.second;
        q.finish();
        // a table not found (not created yet, or not readable) is asked for again next time
        found = meta.columns.isEmpty() ? &meta : &*known.insert(key, meta);
    }
    meta_ = found->columns;
    primaryKey_.clear();
    if (!keyFields_.trimmed().isEmpty()) {
        primaryKey_ = SplitNames(keyFields_);
    } else if (const DictTable *t = DataDictionary().Table(tableName_); t && !t->primaryKey.isEmpty()) {
        primaryKey_ = t->primaryKey;
    } else {
        primaryKey_ = found->primaryKey;
    }
    if (primaryKey_.isEmpty()) {
        // an auto-increment column identifies the row
        for (TField *f : FieldList())
            if (f->FieldKind() == fkData && f->IsPersistent() && f->DataType() == ftAutoInc)
                primaryKey_ << f->FieldName();
        if (const DictTable *t = DataDictionary().Table(tableName_); t && primaryKey_.isEmpty())
            for (const DictColumn &c : t->columns)
                if (c.type == FieldType::AutoInc)
                    primaryKey_ << c.name;
        if (primaryKey_.size() > 1)
            primaryKey_.clear();
    }
    useRowId_ = primaryKey_.isEmpty() && !db.IsPostgres();
}

QString TXTable::SelectText(const QString &condition) const
{
    QString sql = QStringLiteral("SELECT ");
    if (useRowId_)
        sql += QStringLiteral("rowid AS kv8_rowid, ");
    sql += QStringLiteral("* FROM ") + tableName_;
    if (!condition.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + condition;
    return sql;
}

void TXTable::BindLayout(const QSqlRecord &record)
{
    BeginLayout();
    rowIdField_ = nullptr;
    if (useRowId_)
        rowIdField_ = BindHiddenColumn(QStringLiteral("kv8_rowid"), ftLargeint);
    QStringList tables{tableName_};
    if (!origin_.isEmpty())
        tables << origin_;
    BindQueryColumns(record, tables, QString(), !Database().IsPostgres(), useRowId_ ? 1 : 0);
    EndLayout();
}

void TXTable::InternalOpen()
{
    LoadMeta();
    TXDatabase &db = Database();
    FollowTransactions();
    transaction_.read.clear();
    transaction_.readAll = db.InTransaction();
    QStringList conditions;
    QVariantList params;
    const QString where = EffectiveWhere().trimmed();
    if (!where.isEmpty())
        conditions << QStringLiteral("(") + where + QStringLiteral(")");
    masterValues_.clear();
    masterValuesSet_ = false;
    if (HasMasterLink()) {
        const QVariantList values = MasterLinkValues();
        const QStringList masterNames = SplitNames(MasterFields());
        QStringList detailNames = SplitNames(DetailFields());
        if (detailNames.isEmpty()) {
            const QStringList index = SplitNames(IndexFieldNames());
            for (int i = 0; i < masterNames.size(); ++i)
                detailNames << (meta_.contains(masterNames[i].toLower()) || i >= index.size() ? masterNames[i]
                                                                                              : index[i]);
        }
        for (int i = 0; i < values.size() && i < detailNames.size(); ++i) {
            CheckIdentifier(detailNames[i], "campo");
            if (values[i].isNull()) {
                conditions << QStringLiteral("1 = 0");
            } else {
                conditions << detailNames[i] + QStringLiteral(" = ?");
                params << values[i];
            }
            masterValues_ << values[i].toString();
        }
        masterValuesSet_ = true;
    }
    QString sql = SelectText(conditions.join(QStringLiteral(" AND ")));
    const QStringList index = SplitNames(IndexFieldNames());
    if (!index.isEmpty()) {
        for (const QString &n : index)
            CheckIdentifier(n, "campo");
        sql += QStringLiteral(" ORDER BY ") + index.join(QStringLiteral(", "));
    } else if (!orderBy_.trimmed().isEmpty()) {
        sql += QStringLiteral(" ORDER BY ") + orderBy_;
    }
    if (maxRecords_ > 0)
        sql += QStringLiteral(" LIMIT %1").arg(maxRecords_);
    QSqlQuery q = db.OpenQuery(sql, params, true);
    BindLayout(q.record());
    NoteKeyColumns();
    LoadQueryRows(q, db);
}

void TXTable::InternalClose()
{
    FlushDeferred();
}

int TXTable::FetchRows(const QString &condition, const QVariantList &values, bool lock)
{
    const bool forUpdate = lock && Database().IsPostgres() && Database().InTransaction();
    QSqlQuery q = Database().OpenQuery(
        forUpdate ? SelectText(condition) + QStringLiteral(" FOR UPDATE") : SelectText(condition), values, true);
    // rows already held (by key) are not read twice: on SQLite their other columns are not read
    const QList<TField *> keys = PrimaryKeyFields();
    QVector<int> keyColumns;
    for (TField *k : keys)
        keyColumns << ColumnOf(k);
    std::vector<QVector<QVariant>> fetched;
    ReadQueryRows(
        q, Database(), [&](QVector<QVariant> &row) { fetched.push_back(std::move(row)); }, keyColumns,
        keys.isEmpty() || AllRecords().empty()
            ? std::function<bool(const QVector<QVariant> &)>()
            : [&](const QVector<QVariant> &row) { return IsHeld(keys, keyColumns, row); });
    if (fetched.empty())
        return 0;
    QSet<QByteArray> held;
    if (keys.isEmpty()) {
        // no key: the whole row
        for (Record *r : AllRecords())
            held.insert(KeyOfValues(ValuesOf(r)));
    }
    const bool inTransaction = Database().InTransaction();
    int added = 0;
    for (QVector<QVariant> &r : fetched) {
        if (keys.isEmpty() && held.contains(KeyOfValues(r)))
            continue; // (a keyed row held was left out by the read itself)
        if (!pendingGone_.empty() && pendingGone_.contains(KeyOfValues(r)))
            continue; // deleted or moved by a row kept for the commit

        const Record *record = AddFetchedRecord(r);
        if (inTransaction)
            transaction_.read.insert(record->Id());
        ++added;
    }
    return added;
}

bool TXTable::IsHeld(const QList<TField *> &keys, const QVector<int> &keyColumns, const QVector<QVariant> &row)
{
    QVariantList key;
    key.reserve(keyColumns.size());
    for (int c : keyColumns)
        key << row.value(c);
    return FindHeldRecord(keys, key) != nullptr;
}

QVector<QVariant> TXTable::ValuesOf(const Record *record) const
{
    QVector<QVariant> out;
    out.reserve(record->Count());
    for (int i = 0; i < record->Count(); ++i)
        out.append(record->Get(i));
    return out;
}

QVector<QVariant> TXTable::AsRead(const Record *record, const QVector<QVariant> &values) const
{
    if (values.size() != record->Count())
        return ValuesOf(record);
    // what did not change is shared with the new values: no copy of its text
    QVector<QVariant> out = values;
    for (int i = 0; i < out.size(); ++i)
        if (!record->Holds(i, values[i]))
            out[i] = record->Get(i);
    return out;
}

QList<TField *> TXTable::PrimaryKeyFields() const
{
    QList<TField *> out;
    if (useRowId_) {
        if (rowIdField_)
            out << rowIdField_;
        return out;
    }
    for (const QString &n : primaryKey_) {
        TField *f = FindField(n);
        if (!f)
            return {};
        out << f;
    }
    return out;
}

QByteArray TXTable::KeyOfValues(const QVector<QVariant> &values) const
{
    // no key: the whole row
    return RowKey(values, Active() ? openKeys_ : PrimaryKeyFields());
}

void TXTable::NoteKeyColumns()
{
    openKeys_ = PrimaryKeyFields();
    openKeyColumns_.clear();
    for (TField *k : openKeys_)
        openKeyColumns_ << ColumnOf(k);
}

QByteArray TXTable::KeyOfRecord(const Record *record) const
{
    if (openKeys_.isEmpty())
        return KeyOfValues(ValuesOf(record));
    return RowKey(record, openKeys_);
}

QVector<QVariant> TXTable::KeyRowOf(const Record *record) const
{
    QVector<QVariant> row(ColumnCount());
    for (int column : openKeyColumns_)
        row[column] = record->Get(column);
    return row;
}

// ---- writes

namespace {
void AppendCheck(const TField *f, const QVariant &old, QStringList &where, QVariantList &params);
} // namespace

QList<int> TXTable::InsertColumns(QVector<QVariant> &values, std::vector<char> &included)
{
    included.assign(size_t(ColumnCount()), 0);
    QList<int> readBack;
    for (int i = 0; i < ColumnCount(); ++i) {
        TField *f = Column(i);
        if (f == rowIdField_) {
            readBack << i;
            continue;
        }
        if (const QVariant &given = std::as_const(values)[i]; !IsNullValue(given)) {
            included[size_t(i)] = 1;
            continue;
        }
        if (f->DataType() == ftAutoInc) {
            readBack << i;
            continue;
        }
        QVariant v;
        if (const DictColumn *d = f->DictInfo()) {
            const QVariant def = SchemaInstaller::EffectiveDefault(*d);
            if (!def.isValid())
                continue;
            v = Bindable(f, CoerceLoaded(def, f->DataType()));
            if (v.isNull())
                v = EmptyOf(f);
        } else {
            const ColumnInfo info = meta_.value(f->FieldName().toLower());
            if (info.hasDefault || !info.notNull)
                continue;
            v = EmptyOf(f);
            if (v.isNull())
                continue;
        }
        values[i] = v;
        included[size_t(i)] = 1;
    }
    return readBack;
}

void TXTable::AppendInsertParams(const QVector<QVariant> &values, const std::vector<char> &included,
                                 QVariantList &params)
{
    TXDatabase &db = Database();
    for (int i = 0; i < ColumnCount(); ++i)
        if (included[size_t(i)])
            params << StoredForm(db, Column(i), values[i]);
}

void TXTable::WriteInsert(QVector<QVariant> &values)
{
    TXDatabase &db = Database();
    std::vector<char> included;
    const QList<int> readBack = InsertColumns(values, included);
    QVariantList params;
    params.reserve(ColumnCount());
    AppendInsertParams(values, included, params);
    if (included != insertColumns_ || insertSql_.isEmpty()) {
        QStringList cols, marks;
        for (int i = 0; i < ColumnCount(); ++i)
            if (included[size_t(i)]) {
                cols << Column(i)->FieldName();
                marks << QStringLiteral("?");
            }
        insertSql_ = cols.isEmpty()
                         ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(tableName_)
                         : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(tableName_, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        insertColumns_ = included;
    }
    if (readBack.isEmpty()) {
        db.ExecSQL(insertSql_, params);
        return;
    }
    // the key the database gives comes back with the insert
    const QString key = db.IsPostgres() ? Column(readBack.first())->FieldName() : QStringLiteral("rowid");
    const QVariant id = db.ScalarValue(insertSql_ + QStringLiteral(" RETURNING ") + key, params);
    for (int i : readBack)
        values[i] = CoerceLoaded(id, Column(i)->DataType());
}

namespace {

// "column still holds the value read", with an empty number read as 0 and an empty text "".
void AppendCheck(const TField *f, const QVariant &old, QStringList &where, QVariantList &params)
{
    const QString &c = f->FieldName();
    if (f->IsText()) {
        where << QStringLiteral("COALESCE(%1, '') = ?").arg(c);
        params << (old.isNull() ? QString(QLatin1String("")) : old.toString());
    } else if (f->IsNumeric() || f->DataType() == ftBoolean) {
        where << QStringLiteral("COALESCE(%1, 0) = ?").arg(c);
        params << (old.isNull() ? QVariant(qlonglong(0)) : old);
    } else if (f->DataType() == ftBlob) {
        return;
    } else if (old.isNull()) {
        where << QStringLiteral("%1 IS NULL").arg(c);
    } else {
        where << QStringLiteral("%1 = ?").arg(c);
        params << old;
    }
}

// Whether two values are surely the same: of one type, with equal contents (false: not told).
// Date-times as instants only for a date column (elsewhere their text is compared).
bool SameContents(const QVariant &a, const QVariant &b, bool dates)
{
    // read from the variants' data as held: the checks of QVariant's calls cost more than the values
    const QVariant::Private &pa = a.data_ptr(), &pb = b.data_ptr();
    if (pa.packedType != pb.packedType)
        return false;
    if (pa.is_null || pb.is_null)
        return pa.is_null && pb.is_null;
    const void *x = pa.storage(), *y = pb.storage();
    switch (pa.typeId()) {
    case QMetaType::Double:
        return std::memcmp(x, y, sizeof(double)) == 0;
    case QMetaType::LongLong:
        return *static_cast<const qlonglong *>(x) == *static_cast<const qlonglong *>(y);
    case QMetaType::Int:
        return *static_cast<const int *>(x) == *static_cast<const int *>(y);
    case QMetaType::Bool:
        return *static_cast<const bool *>(x) == *static_cast<const bool *>(y);
    case QMetaType::QString:
        return *static_cast<const QString *>(x) == *static_cast<const QString *>(y);
    case QMetaType::QDateTime:
        return dates && *static_cast<const QDateTime *>(x) == *static_cast<const QDateTime *>(y);
    default:
        return false;
    }
}

bool SameValue(const TField *f, const QVariant &a, const QVariant &b)
{
    if (SameContents(a, b, f->IsDateTime()))
        return true;
    if (f->IsDateTime() && a.isNull() != b.isNull())
        return false;
    if (f->DataType() == ftUnknown && a.isNull() != b.isNull())
        return false;
    return CompareFieldValues(a, b, f->DataType()) == 0;
}

} // namespace

QString TXTable::RowMatch(const Record *record, QVariantList &params) const
{
    // a table without any key on PostgreSQL: one row holding every value read
    QStringList where;
    for (int i = 0; i < ColumnCount(); ++i)
        if (Column(i)->DataType() != ftMemo)
            AppendCheck(Column(i), record->Get(i), where, params);
    return QStringLiteral("ctid = (SELECT ctid FROM %1 WHERE %2 LIMIT 1)")
        .arg(tableName_, where.join(QStringLiteral(" AND ")));
}

void TXTable::WriteUpdate(const Record *old, const QVector<QVariant> &values)
{
    const QList<TField *> keys = PrimaryKeyFields();
    if (keys.isEmpty() && !Database().IsPostgres())
        throw EDatabaseError(
            QStringLiteral("La tabella %1 non ha chiave primaria: impossibile aggiornare il record").arg(tableName_));
    QStringList sets, where;
    QVariantList setParams, whereParams;
    for (int i = 0; i < ColumnCount(); ++i) {
        TField *f = Column(i);
        if (f == rowIdField_)
            continue;
        const QVariant before = old->Get(i);
        if (SameValue(f, before, values[i]))
            continue;
        QVariant v = Bindable(f, values[i]);
        if (v.isNull() && meta_.value(f->FieldName().toLower()).notNull)
            v = EmptyOf(f);
        sets << f->FieldName() + QStringLiteral(" = ?");
        setParams << StoredForm(Database(), f, v);
        if (!keys.contains(f))
            AppendCheck(f, before, where, whereParams);
    }
    if (sets.isEmpty())
        return;
    QStringList keyWhere;
    QVariantList keyParams;
    if (keys.isEmpty()) {
        where.clear();
        whereParams.clear();
        keyWhere << RowMatch(old, keyParams);
    }
    for (TField *k : keys) {
        const QVariant v = old->Get(ColumnOf(k));
        if (v.isNull()) {
            keyWhere << (k == rowIdField_ ? QStringLiteral("rowid") : k->FieldName()) + QStringLiteral(" IS NULL");
        } else {
            keyWhere << (k == rowIdField_ ? QStringLiteral("rowid") : k->FieldName()) + QStringLiteral(" = ?");
            keyParams << v;
        }
    }
    const QString sql =
        QStringLiteral("UPDATE %1 SET %2 WHERE %3")
            .arg(tableName_, sets.join(QStringLiteral(", ")), (keyWhere + where).join(QStringLiteral(" AND ")));
    const int rows = Database().ExecSQL(sql, setParams + keyParams + whereParams);
    if (rows == 0)
        throw EDatabaseError(ConflictMessage(tableName_));
    if (rows > 1)
        throw EDatabaseError(QStringLiteral("Tabella %1: la chiave %2 non individua un solo record")
                                 .arg(tableName_, primaryKey_.join(QLatin1Char(';'))));
}

QString TXTable::DeleteMatch(const QVector<QVariant> &values, QVariantList &params) const
{
    const QList<TField *> keys = PrimaryKeyFields();
    QStringList where, checks;
    QVariantList checkParams;
    for (int i = 0; i < ColumnCount(); ++i) {
        TField *f = Column(i);
        const QVariant &v = values[i];
        if (keys.contains(f)) {
            const QString name = f == rowIdField_ ? QStringLiteral("rowid") : f->FieldName();
            if (v.isNull()) {
                where << name + QStringLiteral(" IS NULL");
            } else {
                where << name + QStringLiteral(" = ?");
                params << v;
            }
        } else if (f->DataType() != ftMemo) {
            AppendCheck(f, v, checks, checkParams);
        }
    }
    params += checkParams;
    return (where + checks).join(QStringLiteral(" AND "));
}

void TXTable::WriteDelete(const Record *record)
{
    const QList<TField *> keys = PrimaryKeyFields();
    if (keys.isEmpty() && !Database().IsPostgres())
        throw EDatabaseError(
            QStringLiteral("La tabella %1 non ha chiave primaria: impossibile eliminare il record").arg(tableName_));
    QVariantList params;
    // a row stored as held goes by its key alone
    const QString where = keys.isEmpty()                      ? RowMatch(record, params)
                          : StoredAsHeld(KeyOfRecord(record)) ? KeyMatch(ValuesOf(record), params)
                                                              : DeleteMatch(ValuesOf(record), params);
    if (Database().ExecSQL(QStringLiteral("DELETE FROM %1 WHERE %2").arg(tableName_, where), params) == 0)
        throw EDatabaseError(ConflictMessage(tableName_));
}

void TXTable::InternalPost(Record *oldRecord, QVector<QVariant> &values)
{
    if (!autoApply_)
        return;
    if (deferred_ && Database().InTransaction()) {
        if (Defer(oldRecord, values)) {
            NoteWritten(values, false);
            return;
        }
        FlushDeferred(); // written in order
    }
    {
        OwnStatements own(writing_);
        if (!oldRecord)
            WriteInsert(values);
        else
            WriteUpdate(oldRecord, values);
    }
    if (Database().IsPostgres() && Database().InTransaction())
        transaction_.locked.insert(KeyOfValues(values)); // held by the transaction until its end
    NoteWritten(values, false);
}

void TXTable::InternalDelete(Record *record)
{
    if (!autoApply_)
        return;
    if (deferred_ && Database().InTransaction()) {
        if (DeferDeleteByKey(record))
            return;
        const QVector<QVariant> values = ValuesOf(record);
        if (DeferDelete(values)) {
            NoteWritten(values, true);
            return;
        }
    }
    FlushDeferred();
    {
        OwnStatements own(writing_);
        WriteDelete(record);
    }
    NoteWritten(ValuesOf(record), true);
}

// ---- rows kept for the commit

void TXTable::SetDeferredWrites(bool on)
{
    if (!on)
        FlushDeferred();
    deferred_ = on;
}

bool TXTable::KeyedRow(const QVector<QVariant> &values) const
{
    // while open, the key's fields and columns noted at the opening
    const bool open = Active();
    const QList<TField *> keys = open ? openKeys_ : PrimaryKeyFields();
    if (keys.isEmpty())
        return false;
    for (qsizetype k = 0; k < keys.size(); ++k)
        if (keys[k] == rowIdField_ || values.value(open ? openKeyColumns_[k] : ColumnOf(keys[k])).isNull())
            return false;
    return true;
}

TXTable::PendingPlace TXTable::FindPending(const QByteArray &key) const
{
    PendingPlace place{kv8data::KeyHash{}(key), -1, false};
    if (const auto it = pendingAt_.constFind(place.hash); it != pendingAt_.cend()) {
        if (KeyOfValues(pending_[size_t(*it)].values) == key)
            place.at = *it;
        else
            place.taken = true;
    }
    return place;
}

bool TXTable::Defer(const Record *oldRecord, QVector<QVariant> &values)
{
    if (!KeyedRow(values))
        return false;
    const QByteArray key = KeyOfValues(values);
    const QByteArray oldKey = oldRecord ? KeyOfRecord(oldRecord) : key;
    const PendingPlace place = FindPending(key);
    if (place.taken)
        return false; // its key cannot be told from another's kept: written now
    if (oldKey != key && place.at >= 0)
        return false; // the new key taken by a row kept: written now, it fails as it should
    if (const PendingPlace old = oldKey == key ? place : FindPending(oldKey); old.at >= 0) {
        if (!oldRecord)
            return false; // a second insert of the key fails at once
        Pending &p = pending_[size_t(old.at)];
        p.values = values;
        p.shape = -1; // worked out again at the flush
        if (oldKey != key) {
            pendingAt_.remove(old.hash);
            pendingAt_.insert(place.hash, old.at);
        }
        return true;
    }
    if (oldRecord) {
        pending_.push_back({PendingKind::Update, AsRead(oldRecord, values), values, -1, StoredAsHeld(oldKey), {}});
        if (oldKey != key)
            pendingGone_.insert(oldKey);
    } else {
        if (!InsertColumns(values, included_).isEmpty())
            return false; // its key comes from the database
        pending_.push_back({PendingKind::Insert, {}, values, ShapeOf(included_), false, {}});
    }
    pendingAt_.insert(place.hash, qsizetype(pending_.size()) - 1);
    if (pending_.size() == 1)
        Database().AddDeferred(this);
    return true;
}

int TXTable::ShapeOf(const std::vector<char> &included)
{
    for (size_t k = insertShapes_.size(); k-- > 0;)
        if (insertShapes_[k] == included)
            return int(k);
    insertShapes_.push_back(included);
    return int(insertShapes_.size()) - 1;
}

bool TXTable::DeferDelete(const QVector<QVariant> &values)
{
    if (!KeyedRow(values))
        return false;
    const QByteArray key = KeyOfValues(values);
    if (const PendingPlace place = FindPending(key); place.at >= 0) {
        Pending &p = pending_[size_t(place.at)];
        pendingAt_.remove(place.hash);
        if (p.kind == PendingKind::Insert) {
            p.kind = PendingKind::Dropped; // never stored
        } else {
            p.kind = PendingKind::Delete; // the stored row, as read
            pendingGone_.insert(KeyOfValues(p.original));
        }
        return true;
    }
    KeepDelete({PendingKind::Delete, values, {}, -1, StoredAsHeld(key), {}}, key);
    return true;
}

void TXTable::KeepDelete(Pending &&p, const QByteArray &key)
{
    pending_.push_back(std::move(p));
    pendingGone_.insert(key);
    if (pending_.size() == 1)
        Database().AddDeferred(this);
}

bool TXTable::DeferDeleteByKey(const Record *record)
{
    if (openKeys_.isEmpty() || transaction_.unchanged.empty())
        return false;
    const QVector<QVariant> row = KeyRowOf(record);
    if (!KeyedRow(row))
        return false;
    const QByteArray key = RowKey(row, openKeys_);
    if (FindPending(key).at >= 0 || !StoredAsHeld(key))
        return false;
    Pending p{PendingKind::Delete, row, {}, -1, true, {}};
    p.read.reset(record->Clone(record->Id()));
    KeepDelete(std::move(p), key);
    NoteWritten(row, true);
    return true;
}

bool TXTable::StoredAsHeld(const QByteArray &key) const
{
    if (transaction_.unchanged.empty() || !transaction_.unchanged.contains(key))
        return false;
    // PostgreSQL: a row it locked (a table without key is always matched by its values)
    return !Database().IsPostgres() || (!primaryKey_.isEmpty() && transaction_.locked.contains(key));
}

void TXTable::FlushDeferred()
{
    if (ownRead_ || pending_.empty())
        return;
    std::vector<Pending> rows = std::exchange(pending_, {});
    pendingAt_.clear();
    pendingGone_.clear();
    Database().RemoveDeferred(this);
    // deletes, then key changes, then the rest: a key freed by a row kept can be taken by another
    std::vector<QVector<QVariant>> deletes, keyDeletes;
    std::vector<const Pending *> inserts;
    std::vector<std::pair<QVector<QVariant>, QVector<QVariant>>> keyChanges, updates;
    for (Pending &p : rows) {
        switch (p.kind) {
        case PendingKind::Insert:
            if (p.shape < 0) { // changed since kept
                InsertColumns(p.values, included_);
                p.shape = ShapeOf(included_);
            }
            inserts.push_back(&p);
            break;
        case PendingKind::Delete:
            (p.byKey ? keyDeletes : deletes).push_back(std::move(p.original));
            break;
        case PendingKind::Update:
            (KeyOfValues(p.original) == KeyOfValues(p.values) ? updates : keyChanges)
                .emplace_back(p.original, p.values);
            break;
        case PendingKind::Dropped:
            break;
        }
    }
    const std::vector<std::vector<char>> shapes = std::exchange(insertShapes_, {});
    OwnStatements own(writing_);
    FlushDeletes(deletes, false);
    FlushDeletes(keyDeletes, true);
    FlushUpdates(keyChanges);
    FlushInserts(inserts, shapes);
    FlushUpdates(updates);
    if (!Database().IsPostgres())
        return;
    // the rows written are locked by the transaction until its end
    for (const Pending *p : inserts)
        transaction_.locked.insert(KeyOfValues(p->values));
    for (const auto *written : {&keyChanges, &updates})
        for (const auto &row : *written)
            transaction_.locked.insert(KeyOfValues(row.second));
}

QString TXTable::KeyText(const QVector<QVariant> &values) const
{
    QStringList parts;
    for (TField *k : PrimaryKeyFields())
        parts << k->FieldName() + QStringLiteral(" = ") + values.value(ColumnOf(k)).toString();
    return parts.join(QStringLiteral(", "));
}

namespace {

// The rows of a multi-row statement as a table v of columns column1, column2...: on
// PostgreSQL one array per column read back by unnest (one short text for any number of
// rows), else a VALUES list of marks.
class RowSource {
public:
    explicit RowSource(bool pg) : arrays_(pg) {}
    // The next column: its mark in the first VALUES row and its array mark (ArrayMark).
    void Add(const QString &mark, const QString &arrayMark)
    {
        first_ << mark;
        arrayMarks_ << arrayMark;
        arrays_ = arrays_ && !arrayMark.isEmpty();
    }
    qsizetype Columns() const { return first_.size(); }
    bool Arrays() const { return arrays_; }
    // Rows per statement: about 900 values in VALUES, within any engine's limit.
    qsizetype RowsPer() const
    {
        return arrays_ ? kArrayRows : std::max<qsizetype>(1, 900 / std::max<qsizetype>(1, Columns()));
    }
    // "(VALUES (...), ...) AS v" or "unnest(...) AS v(column1, ...)"; single: VALUES always
    // (a row retried alone is written as the engine reads a literal).
    QString Text(qsizetype rows, bool single = false) const
    {
        if (arrays_ && !single) {
            QStringList names;
            for (qsizetype k = 1; k <= Columns(); ++k)
                names << QStringLiteral("column%1").arg(k);
            return QStringLiteral("unnest(%1) AS v(%2)")
                .arg(arrayMarks_.join(QStringLiteral(", ")), names.join(QStringLiteral(", ")));
        }
        return QStringLiteral("(VALUES %1) AS v").arg(Marks(rows));
    }
    // The rows' values (row after row) as Text takes them.
    QVariantList Values(const TXDatabase &db, const QVariantList &rows, bool single = false) const
    {
        if (!arrays_ || single)
            return rows;
        const qsizetype n = Columns();
        QVariantList out;
        for (qsizetype c = 0; c < n; ++c) {
            QVariantList column;
            column.reserve(rows.size() / n);
            for (qsizetype at = c; at < rows.size(); at += n)
                column << rows[at];
            out << db.ArrayText(column);
        }
        return out;
    }
    // "(?, ?), (?, ?)": rows of marks; on PostgreSQL the first row's casts give the columns their types.
    QString Marks(qsizetype rows) const
    {
        const QString plain = u'(' + QStringList(Columns(), QStringLiteral("?")).join(QStringLiteral(", ")) + u')';
        QStringList out{u'(' + first_.join(QStringLiteral(", ")) + u')'};
        for (qsizetype r = 1; r < rows; ++r)
            out << plain;
        return out.join(QStringLiteral(", "));
    }

private:
    static constexpr qsizetype kArrayRows = 10000;
    QStringList first_, arrayMarks_;
    bool arrays_;
};

// "stored still holds the value read in old" for a VALUES column old given by ReadValueParam.
QString ReadValueCheck(const TField *f, const QString &stored, const QString &old)
{
    if (f->IsText())
        return QStringLiteral("COALESCE(%1, '') = %2").arg(stored, old);
    if (f->IsNumeric() || f->DataType() == ftBoolean)
        return QStringLiteral("COALESCE(%1, 0) = %2").arg(stored, old);
    return QStringLiteral("(%1 = %2 OR (%1 IS NULL AND %2 IS NULL))").arg(stored, old);
}

// How many times ReadValueCheck names old.
int ReadValueMarks(const TField *f)
{
    return f->IsText() || f->IsNumeric() || f->DataType() == ftBoolean ? 1 : 2;
}

// The value read as ReadValueCheck compares it: an empty text as "", an empty number as 0.
QVariant ReadValueParam(const TField *f, const QVariant &before)
{
    if (f->IsText())
        return before.isNull() ? QString(QLatin1String("")) : before.toString();
    if (f->IsNumeric() || f->DataType() == ftBoolean)
        return before.isNull() ? QVariant(qlonglong(0)) : before;
    return before;
}

// The message of a failed row, naming the table and the row's key.
[[noreturn]] void FailRow(const EDatabaseError &e, const QString &table, const QString &key)
{
    if (dynamic_cast<const ETransactionLost *>(&e))
        throw ETransactionLost(e.Message); // no row is to blame
    QString text = QString::fromUtf8(e.what()).trimmed();
    if (text.endsWith(u'.'))
        text.chop(1);
    text += QStringLiteral(" (tabella %1, riga %2).").arg(table, key);
    if (dynamic_cast<const EKeyViolation *>(&e))
        throw EKeyViolation(text);
    throw EDatabaseError(text);
}

} // namespace

void TXTable::FlushInserts(const std::vector<const Pending *> &pending, const std::vector<std::vector<char>> &shapes)
{
    TXDatabase &db = Database();
    // rows taking the same columns go together, in the order of their first
    std::vector<std::vector<const Pending *>> byShape(shapes.size());
    std::vector<int> order;
    for (const Pending *p : pending) {
        std::vector<const Pending *> &members = byShape[size_t(p->shape)];
        if (members.empty())
            order.push_back(p->shape);
        members.push_back(p);
    }
    const bool pg = db.IsPostgres();
    for (const int shape : order) {
        const std::vector<char> &included = shapes[size_t(shape)];
        const std::vector<const Pending *> &members = byShape[size_t(shape)];
        QStringList cols;
        RowSource source(pg);
        for (int i = 0; i < ColumnCount(); ++i)
            if (included[size_t(i)]) {
                cols << Column(i)->FieldName();
                source.Add(QStringLiteral("?"), ArrayMark(Column(i), true));
            }
        if (cols.isEmpty()) {
            for (const Pending *p : members) {
                QVector<QVariant> values = p->values;
                WriteInsert(values);
            }
            continue;
        }
        const qsizetype per = source.RowsPer();
        const auto text = [&](qsizetype count) {
            const QString rowsText = source.Arrays() ? QStringLiteral("SELECT * FROM ") + source.Text(count)
                                                     : QStringLiteral("VALUES ") + source.Marks(count);
            return QStringLiteral("INSERT INTO %1 (%2) %3").arg(tableName_, cols.join(QStringLiteral(", ")), rowsText);
        };
        QString full; // of per rows, made once
        for (qsizetype from = 0; from < qsizetype(members.size()); from += per) {
            const qsizetype count = std::min<qsizetype>(per, qsizetype(members.size()) - from);
            QVariantList values;
            values.reserve(count * cols.size());
            for (qsizetype k = 0; k < count; ++k)
                AppendInsertParams(members[size_t(from + k)]->values, included, values);
            if (count == per && full.isEmpty())
                full = text(per);
            const QString sql = count == per ? full : text(count);
            try {
                db.ExecSQL(sql, source.Values(db, values));
            } catch (const EDatabaseError &) {
                // the statement undid itself: row by row, the failing one is named
                if (db.TransactionLost())
                    throw; // the engine ended the whole transaction: nothing more is written
                for (qsizetype k = 0; k < count; ++k) {
                    QVector<QVariant> row = members[size_t(from + k)]->values;
                    try {
                        WriteInsert(row);
                    } catch (const EDatabaseError &e) {
                        FailRow(e, tableName_, KeyText(row));
                    }
                }
            }
        }
    }
}

QString TXTable::KeyMatch(const QVector<QVariant> &row, QVariantList &params) const
{
    QStringList match;
    for (TField *k : PrimaryKeyFields()) {
        match << k->FieldName() + QStringLiteral(" = ?");
        params << row[ColumnOf(k)];
    }
    return match.join(QStringLiteral(" AND "));
}

void TXTable::FailDeleted(const QVector<QVariant> &row)
{
    // a row changed by another user since it was read still has its key
    QVariantList params;
    const QString check = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(tableName_, KeyMatch(row, params));
    if (Database().ScalarValue(check, params).toLongLong() > 0)
        FailRow(EDatabaseError(ConflictMessage(tableName_)), tableName_, KeyText(row));
}

void TXTable::FlushDeletes(const std::vector<QVector<QVariant>> &rows, bool byKey)
{
    if (rows.empty())
        return;
    TXDatabase &db = Database();
    const auto deleteOne = [&](const QVector<QVariant> &row) {
        QVariantList params;
        const QString match = byKey ? KeyMatch(row, params) : DeleteMatch(row, params);
        int n = 0;
        try {
            n = db.ExecSQL(QStringLiteral("DELETE FROM %1 WHERE %2").arg(tableName_, match), params);
        } catch (const EDatabaseError &e) {
            FailRow(e, tableName_, KeyText(row));
        }
        return n;
    };
    // the rows as read in v: keys, then the value read of each column checked (none by key)
    const bool pg = db.IsPostgres();
    const QList<TField *> keys = PrimaryKeyFields();
    RowSource source(pg);
    QStringList where;
    QList<int> checked;
    int n = 0;
    for (TField *k : keys) {
        source.Add(TypedMark(k, pg), ArrayMark(k, false));
        where << QStringLiteral("%1.%2 = v.column%3").arg(tableName_, k->FieldName()).arg(++n);
    }
    for (int i = 0; i < ColumnCount(); ++i) {
        TField *f = Column(i);
        if (byKey || keys.contains(f) || f->DataType() == ftMemo || f->DataType() == ftBlob)
            continue;
        checked << i;
        source.Add(TypedMark(f, pg), ArrayMark(f, false));
        where << ReadValueCheck(f, tableName_ + u'.' + f->FieldName(), QStringLiteral("v.column%1").arg(++n));
    }
    // SQLite searches the table by key for each row of VALUES only when the rows are joined
    const QString form = pg ? QStringLiteral("DELETE FROM %1 WHERE EXISTS (SELECT 1 FROM %2 WHERE %3)")
                            : QStringLiteral("DELETE FROM %1 WHERE rowid IN (SELECT %1.rowid FROM %2, %1 WHERE %3)");
    const auto text = [&](qsizetype count) {
        if (byKey && keys.size() == 1) { // one key: a list of its values (on PostgreSQL its array)
            const QString list =
                source.Arrays() ? QStringLiteral("= ANY(%1)").arg(ArrayMark(keys.first(), false))
                                : QStringLiteral("IN (%1)").arg(QStringList(count, QStringLiteral("?")).join(u','));
            return QStringLiteral("DELETE FROM %1 WHERE %2 %3").arg(tableName_, keys.first()->FieldName(), list);
        }
        return form.arg(tableName_, source.Text(count), where.join(QStringLiteral(" AND ")));
    };
    const qsizetype per = source.RowsPer();
    for (qsizetype from = 0; from < qsizetype(rows.size()); from += per) {
        const qsizetype count = std::min<qsizetype>(per, qsizetype(rows.size()) - from);
        QVariantList values;
        for (qsizetype r = from; r < from + count; ++r) {
            const QVector<QVariant> &row = rows[size_t(r)];
            for (TField *k : keys)
                values << row[ColumnOf(k)];
            for (int i : checked)
                values << ReadValueParam(Column(i), row[i]);
        }
        int deleted = 0;
        try {
            deleted = db.ExecSQL(text(count), source.Values(db, values));
        } catch (const EDatabaseError &) {
            // the statement undid itself: row by row, the failing one is named
            if (db.TransactionLost())
                throw; // the engine ended the whole transaction: nothing more is written
            deleted = 0;
            for (qsizetype r = from; r < from + count; ++r)
                deleted += deleteOne(rows[size_t(r)]);
        }
        if (deleted == count)
            continue;
        for (qsizetype r = from; r < from + count; ++r)
            FailDeleted(rows[size_t(r)]);
        throw EDatabaseError(ConflictMessage(tableName_));
    }
}

void TXTable::FlushUpdates(const std::vector<std::pair<QVector<QVariant>, QVector<QVariant>>> &rows)
{
    TXDatabase &db = Database();
    const bool pg = db.IsPostgres();
    const QList<TField *> keys = PrimaryKeyFields();
    // rows changing the same columns go together
    std::vector<std::pair<std::vector<char>, std::vector<size_t>>> groups;
    for (size_t r = 0; r < rows.size(); ++r) {
        std::vector<char> changed(size_t(ColumnCount()), 0);
        bool any = false;
        for (int i = 0; i < ColumnCount(); ++i)
            if (!SameValue(Column(i), rows[r].first[i], rows[r].second[i]))
                changed[size_t(i)] = any = true;
        if (!any)
            continue;
        auto g = std::find_if(groups.begin(), groups.end(), [&](const auto &x) { return x.first == changed; });
        if (g == groups.end())
            groups.push_back({changed, {r}});
        else
            g->second.push_back(r);
    }
    for (const auto &[changed, members] : groups) {
        if (!pg) {
            FlushUpdatesByRow(rows, changed, members);
            continue;
        }
        // columns of v: keys, then for each changed column its new and its old value
        RowSource source(pg);
        QStringList sets, where;
        int n = 0;
        auto column = [&](int at) { return QStringLiteral("v.column%1").arg(at); };
        for (TField *k : keys) {
            source.Add(TypedMark(k, pg), ArrayMark(k, false));
            where << QStringLiteral("%1.%2 = %3").arg(tableName_, k->FieldName(), column(++n));
        }
        QList<int> columns;
        for (int i = 0; i < ColumnCount(); ++i) {
            if (!changed[size_t(i)])
                continue;
            TField *f = Column(i);
            columns << i;
            source.Add(TypedMark(f, pg), ArrayMark(f, false));
            source.Add(TypedMark(f, pg), ArrayMark(f, false));
            sets << QStringLiteral("%1 = %2").arg(f->FieldName(), column(++n));
            const QString old = column(++n);
            if (f->DataType() != ftBlob)
                where << ReadValueCheck(f, tableName_ + u'.' + f->FieldName(), old);
        }
        const auto appendRow = [&](QVariantList &values, size_t r) {
            const auto &[old, now] = rows[r];
            for (TField *key : keys)
                values << old[ColumnOf(key)];
            for (int i : columns) {
                const TField *f = Column(i);
                QVariant v = Bindable(f, now[i]);
                if (v.isNull() && meta_.value(f->FieldName().toLower()).notNull)
                    v = EmptyOf(f);
                values << StoredForm(db, f, v) << ReadValueParam(f, old[i]);
            }
        };
        const auto run = [&](qsizetype count, const QVariantList &values, bool single) {
            const QString sql = QStringLiteral("UPDATE %1 SET %2 FROM %3 WHERE %4")
                                    .arg(tableName_, sets.join(QStringLiteral(", ")), source.Text(count, single),
                                         where.join(QStringLiteral(" AND ")));
            return db.ExecSQL(sql, source.Values(db, values, single));
        };
        const qsizetype per = source.RowsPer();
        for (qsizetype from = 0; from < qsizetype(members.size()); from += per) {
            const qsizetype count = std::min<qsizetype>(per, qsizetype(members.size()) - from);
            QVariantList values;
            for (qsizetype k = 0; k < count; ++k)
                appendRow(values, members[size_t(from + k)]);
            int updated = 0;
            try {
                updated = run(count, values, false);
            } catch (const EDatabaseError &) {
                // the statement undid itself (keys changed in a chain or refused): row by row, in order
                if (db.TransactionLost())
                    throw; // the engine ended the whole transaction: nothing more is written
                updated = 0;
                for (qsizetype k = 0; k < count; ++k) {
                    const size_t r = members[size_t(from + k)];
                    QVariantList one;
                    appendRow(one, r);
                    try {
                        updated += run(1, one, true);
                    } catch (const EDatabaseError &e) {
                        FailRow(e, tableName_, KeyText(rows[r].second));
                    }
                }
            }
            if (updated == count)
                continue;
            // a row changed by another user since it was read: named when it can be told
            for (qsizetype k = 0; k < count; ++k) {
                const QVector<QVariant> &now = rows[members[size_t(from + k)]].second;
                QStringList match;
                QVariantList params;
                for (TField *key : keys) {
                    match << key->FieldName() + QStringLiteral(" = ?");
                    params << now[ColumnOf(key)];
                }
                for (int i : columns)
                    AppendCheck(Column(i), StoredForm(db, Column(i), now[i]), match, params);
                const QString check = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
                                          .arg(tableName_, match.join(QStringLiteral(" AND ")));
                if (db.ScalarValue(check, params).toLongLong() == 0)
                    FailRow(EDatabaseError(ConflictMessage(tableName_)), tableName_, KeyText(now));
            }
            throw EDatabaseError(ConflictMessage(tableName_));
        }
    }
}

void TXTable::FlushUpdatesByRow(const std::vector<std::pair<QVector<QVariant>, QVector<QVariant>>> &rows,
                                const std::vector<char> &changed, const std::vector<size_t> &members)
{
    // SQLite (no round trips): one row's statement, prepared once, run for each row, cheaper
    // than the join of a VALUES list; the key, and each column changed as read
    TXDatabase &db = Database();
    const QList<TField *> keys = PrimaryKeyFields();
    QStringList sets, where;
    QList<int> columns;
    for (TField *k : keys)
        where << k->FieldName() + QStringLiteral(" = ?");
    for (int i = 0; i < ColumnCount(); ++i) {
        if (!changed[size_t(i)])
            continue;
        TField *f = Column(i);
        columns << i;
        sets << f->FieldName() + QStringLiteral(" = ?");
        if (f->DataType() != ftBlob)
            where << ReadValueCheck(f, f->FieldName(), QStringLiteral("?"));
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(tableName_, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    QVariantList values;
    for (const size_t r : members) {
        const auto &[old, now] = rows[r];
        values.clear();
        for (int i : columns) {
            const TField *f = Column(i);
            QVariant v = Bindable(f, now[i]);
            if (v.isNull() && meta_.value(f->FieldName().toLower()).notNull)
                v = EmptyOf(f);
            values << StoredForm(db, f, v);
        }
        for (TField *key : keys)
            values << old[ColumnOf(key)];
        for (int i : columns) {
            const TField *f = Column(i);
            if (f->DataType() == ftBlob)
                continue;
            const QVariant read = ReadValueParam(f, old[i]);
            for (int m = ReadValueMarks(f); m > 0; --m)
                values << read;
        }
        int updated = 0;
        try {
            updated = db.ExecSQL(sql, values);
        } catch (const EDatabaseError &e) {
            if (db.TransactionLost())
                throw; // the engine ended the whole transaction: nothing more is written
            FailRow(e, tableName_, KeyText(now));
        }
        // changed by another user since it was read
        if (updated != 1)
            FailRow(EDatabaseError(ConflictMessage(tableName_)), tableName_, KeyText(now));
    }
}

QString TXTable::TypedMark(const TField *f, bool pg)
{
    if (!pg)
        return QStringLiteral("?");
    switch (f->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftAutoInc:
    case ftBoolean:
        return QStringLiteral("CAST(? AS BIGINT)");
    case ftFloat:
        return QStringLiteral("CAST(? AS DOUBLE PRECISION)");
    case ftDate:
    case ftTime:
    case ftDateTime:
        return QStringLiteral("CAST(? AS TIMESTAMP)");
    case ftBlob:
        return QStringLiteral("CAST(? AS BYTEA)");
    case ftUnknown:
        return QStringLiteral("?");
    default:
        return QStringLiteral("CAST(? AS TEXT)");
    }
}

void TXTable::BeforeCommit()
{
    FlushDeferred();
}

// ---- the connection's transaction

void TXTable::FollowTransactions()
{
    Listen(&Database(), {tableName_});
}

void TXTable::NoteWritten(const QVector<QVariant> &values, bool deleted)
{
    if (!Database().InTransaction())
        return; // stored at once
    transaction_.wrote = true;
    RecordWritten(values, deleted);
}

void TXTable::RecordWritten(const QVector<QVariant> &, bool) {}

void TXTable::TransactionStarted()
{
    transaction_ = {};
}

void TXTable::TransactionCommitted()
{
    // what it wrote is stored as it holds it
    transaction_ = {};
}

void TXTable::TransactionRolledBack()
{
    if (!pending_.empty()) {
        pending_.clear();
        insertShapes_.clear();
        pendingAt_.clear();
        pendingGone_.clear();
        if (TXDatabase *db = ListenedDatabase())
            db->RemoveDeferred(this);
    }
    TransactionRows rows = std::exchange(transaction_, {});
    if (!Active())
        return;
    rows.tableWritten = ListenedDatabase()->TransactionWrote(tableName_);
    if (!rows.wrote && !(rows.tableWritten && (rows.readAll || !rows.read.isEmpty())))
        return;
    if (ConnectionClosing()) {
        // nothing can be read again: nothing is kept
        if (State() == dsEdit || State() == dsInsert)
            Cancel();
        Close();
        return;
    }
    ForgetTransactionRows(rows);
}

void TXTable::TableWritten()
{
    if (!writing_) {
        transaction_.othersWrote = true;
        transaction_.unchanged.clear();
        transaction_.absent.clear();
        for (Pending &p : pending_) {
            if (p.read) { // checked against the row as read after all
                p.original = ValuesOf(p.read.get());
                p.read.reset();
            }
            p.byKey = false;
        }
    }
}

void TXTable::ForgetTransactionRows(const TransactionRows &)
{
    try {
        if (State() == dsEdit || State() == dsInsert)
            Cancel();
        Refresh();
    } catch (const std::exception &e) {
        // better nothing than rows that were never stored
        qWarning("kv8: table %s could not be read again after a rollback: %s", qPrintable(tableName_), e.what());
        Close();
    }
}

int TXTable::ColumnOf(const TField *field) const
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (Column(i) == field)
            return i;
    return -1;
}

void TXTable::InternalInitRecord(QVector<QVariant> &values)
{
    for (int i = 0; i < ColumnCount(); ++i) {
        TField *f = Column(i);
        const DictColumn *d = f->DictInfo();
        if (!d || !d->autokey)
            continue;
        const auto [db, table] = KeySource(f);
        values[i] = QVariant(qlonglong(db->NewKey(table, f->FieldName())));
    }
}

void TXTable::ReserveKeys(qint64 count)
{
    for (int i = 0; i < ColumnCount(); ++i) {
        TField *f = Column(i);
        if (const DictColumn *d = f->DictInfo(); d && d->autokey) {
            const auto [db, table] = KeySource(f);
            db->ReserveKeys(table, f->FieldName(), count);
        }
    }
}

std::pair<TXDatabase *, QString> TXTable::KeySource(const TField *field) const
{
    const Dictionary &dictionary = DataDictionary();
    const DictTable *own = dictionary.Table(tableName_);
    if (own && own->IsStored())
        return {&Database(), tableName_};
    const auto autokeyIn = [&](const DictTable *t) {
        const DictColumn *c = t ? t->Column(field->FieldName()) : nullptr;
        return c && c->autokey;
    };
    if (!origin_.isEmpty()) {
        // a local copy of a stored table: the key comes from the stored table's key service
        const DictTable *origin = dictionary.Table(origin_);
        if (!origin || !origin->IsStored())
            throw EDatabaseError(
                QStringLiteral("%1: la tabella di origine '%2' non è una tabella del database aziendale; indicare in "
                               "TabellaOrigine la tabella da cui la copia è tratta")
                    .arg(Name(), origin_));
        if (autokeyIn(origin)) {
            DMIDataBases &connections = DMIDataBases::Instance();
            TXDatabase &company = connections.Has(QStringLiteral("GlobalDatabase")) ? connections.Global() : Database();
            return {&company, origin->name};
        }
        return {&Database(), tableName_};
    }
    // the same column drawn from a stored table's keys would be a guess: the origin says which
    for (const DictTable *t : dictionary.Tables())
        if (t->IsStored() && autokeyIn(t))
            throw EDatabaseError(QStringLiteral("%1: la chiave %2 è presa da una tabella del database; indicare in "
                                                "TabellaOrigine quale")
                                     .arg(Name(), field->FieldName()));
    return {&Database(), tableName_};
}

void TXTable::MasterChanged()
{
    if (!HasMasterLink() && !masterValuesSet_)
        return;
    QStringList now;
    for (const QVariant &v : MasterLinkValues())
        now << v.toString();
    if (masterValuesSet_ == HasMasterLink() && now == masterValues_)
        return;
    if (!autoApply_ && ChangeCount() > 0)
        throw EDatabaseError(
            QStringLiteral("%1: applicare o annullare le modifiche in sospeso prima di cambiare il record principale")
                .arg(Name()));
    CheckBrowseMode();
    if (BeforeScroll)
        BeforeScroll(this);
    InternalClose();
    ClearRecords();
    InternalOpen();
    Resync(false);
    if (AfterScroll)
        AfterScroll(this);
}

// ---- table services

void TXTable::CreaTabella()
{
    if (Active())
        Close();
    if (tableName_.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: nome della tabella non impostato").arg(Name()));
    CheckIdentifier(tableName_, "tabella");
    TXDatabase &db = Database();
    QList<DictColumn> columns;
    auto has = [&](const QString &name) {
        for (const DictColumn &c : columns)
            if (c.name.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (TField *f : FieldList()) {
        if (f->FieldKind() != fkData || !f->IsPersistent())
            continue;
        DictColumn c;
        if (f->DictInfo()) {
            c = *f->DictInfo();
        } else {
            c.name = f->FieldName();
            c.type = DictTypeOf(f->DataType());
            c.size = f->DataType() == ftString || f->DataType() == ftFixedChar ? (f->Size() > 0 ? f->Size() : 255) : 0;
            c.required = f->Required();
            c.nullable = c.type == FieldType::DateTime; // dates may be empty
        }
        CheckIdentifier(c.name, "campo");
        columns << c;
    }
    const DictTable *own = DataDictionary().Table(tableName_);
    QStringList primaryKey;
    if (own && (columns.isEmpty() || usaDizionario_)) {
        for (const DictColumn &c : own->columns)
            if (!has(c.name))
                columns << c;
        primaryKey = own->primaryKey;
    }
    if (!origin_.isEmpty()) {
        const DictTable *origin = DataDictionary().Table(origin_);
        if (!origin)
            throw EDatabaseError(QStringLiteral("Tabella di origine '%1' non presente nel dizionario").arg(origin_));
        for (const DictColumn &c : origin->columns)
            if (!has(c.name))
                columns << c;
    }
    if (columns.isEmpty())
        throw EDatabaseError(
            QStringLiteral("%1: nessuna definizione di campi per creare la tabella %2").arg(Name(), tableName_));
    QStringList defs;
    bool autoInc = false;
    for (const DictColumn &c : columns) {
        defs << SchemaInstaller::ColumnDefinition(c, db.Engine());
        autoInc = autoInc || c.type == FieldType::AutoInc;
    }
    // on SQLite an auto-increment column is the key
    if (!primaryKey.isEmpty() && !(autoInc && !db.IsPostgres()))
        defs << QStringLiteral("PRIMARY KEY (%1)").arg(primaryKey.join(QStringLiteral(", ")));
    if (Temporanea(db, tableName_)) {
        db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS pg_temp.%1").arg(tableName_));
        db.ExecSQL(QStringLiteral("CREATE TEMPORARY TABLE %1 (%2)").arg(tableName_, defs.join(QStringLiteral(", "))));
    } else {
        db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS %1").arg(tableName_));
        db.ExecSQL(QStringLiteral("CREATE TABLE %1 (%2)").arg(tableName_, defs.join(QStringLiteral(", "))));
    }
    ForgetTableMeta(tableName_);
}

void TXTable::EmptyTable()
{
    CheckIdentifier(tableName_, "tabella");
    // a temporary table is never vacuumed: emptied whole, it leaves no dead rows behind
    Database().ExecSQL(
        (Temporanea(Database(), tableName_) ? QStringLiteral("TRUNCATE TABLE ") : QStringLiteral("DELETE FROM "))
        + tableName_);
    if (!Active())
        return;
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    ClearRecords();
    Resync(false);
}

void TXTable::ResetColumn(TField *field, const QVariant &value, const QVariant &gone)
{
    CheckBrowseMode();
    const int column = ColumnOf(field);
    if (column < 0 || !autoApply_ || Database().InTransaction())
        throw EDatabaseError(QStringLiteral("%1: colonna %2 non riscrivibile").arg(Name(), field->FieldName()));
    CheckIdentifier(tableName_, "tabella");
    CheckIdentifier(field->FieldName(), "colonna");
    {
        OwnStatements own(writing_);
        TXTransaction transazione(Database());
        Database().ExecSQL(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(tableName_, field->FieldName()), {gone});
        Database().ExecSQL(
            QStringLiteral("UPDATE %1 SET %2 = ? WHERE %2 IS NULL OR %2 <> ?").arg(tableName_, field->FieldName()),
            {value, value});
        transazione.Commit();
    }
    const TFieldType type = field->DataType();
    const QVariant nuovo = CoerceLoaded(value, type);
    const auto holds = [&](const Record *r, const QVariant &v) {
        return !r->IsNull(column) && CompareFieldValues(r->Get(column), v, type) == 0;
    };
    QList<quint64> via;
    std::vector<Record *> daCambiare;
    for (Record *r : AllRecords()) {
        if (holds(r, gone))
            via << r->Id();
        else if (!holds(r, nuovo))
            daCambiare.push_back(r);
    }
    const bool intero = IsIntegerMetaType(MetaTypeIdOf(nuovo));
    for (Record *r : daCambiare) {
        if (intero && WriteHeldInteger(r, column, nuovo.toLongLong()))
            continue;
        QVector<QVariant> valori = ValuesOf(r);
        valori[column] = nuovo;
        ReplaceValues(r, valori);
    }
    EvictRecords(via);
    Resync(false);
}

void TXTable::DuplicaRecord()
{
    if (!usaDuplicaRecord_)
        throw EDatabaseError(QStringLiteral("%1: duplicazione del record non consentita").arg(Name()));
    CheckBrowseMode();
    if (IsEmpty())
        throw EDatabaseError(QStringLiteral("%1: nessun record da duplicare").arg(Name()));
    const QVector<QVariant> source = CurrentValues();
    Insert();
    for (int i = 0; i < ColumnCount(); ++i) {
        TField *f = Column(i);
        if (f == rowIdField_ || f->DataType() == ftAutoInc || (f->DictInfo() && f->DictInfo()->autokey))
            continue;
        f->SetValue(source[i]);
    }
}

int TXTable::ApplyUpdates(int)
{
    CheckActive();
    CheckBrowseMode();
    if (ChangeCount() == 0)
        return 0;
    TXTransaction transaction(Database()); // the caller's when one is open
    QList<QPair<Record *, QVector<QVariant>>> inserted;
    {
        OwnStatements own(writing_);
        for (Record *d : DeletedRecords())
            WriteDelete(d);
        for (Record *r : AllRecords()) {
            if (r->ChangeStatus() == Record::Modified) {
                WriteUpdate(OriginalOf(r), ValuesOf(r));
            } else if (r->ChangeStatus() == Record::Inserted) {
                QVector<QVariant> values = ValuesOf(r);
                WriteInsert(values);
                inserted.append({r, values});
            }
        }
    }
    if (transaction.Started())
        transaction.Commit();
    for (auto &p : inserted)
        ReplaceValues(p.first, p.second);
    if (!transaction.Started()) {
        // written in the caller's transaction: its rollback takes them back
        for (Record *d : DeletedRecords())
            NoteWritten(ValuesOf(d), true);
        for (Record *r : AllRecords())
            if (r->ChangeStatus() != Record::Unchanged)
                NoteWritten(ValuesOf(r), false);
    }
    CommitUpdates();
    Resync(true);
    return 0;
}
