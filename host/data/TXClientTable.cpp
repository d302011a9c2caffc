#include "host/data/TXClientTable.h"

#include "host/data/DataRecord.h"
#include "host/data/LocateIndex.h"
#include "host/db/TXDatabase.h"

#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>

using namespace kv8data;

TXClientTable::TXClientTable(QObject *owner) : TXTable(owner) {}

TXClientTable::~TXClientTable() = default;

QString TXClientTable::EffectiveWhere() const
{
    return where_.trimmed().isEmpty() ? whereVuoto_ : where_;
}

void TXClientTable::InternalOpen()
{
    if (!cloneSource_) {
        TXTable::InternalOpen();
        return;
    }
    if (!tableName_.isEmpty()) {
        LoadMeta();
        FollowTransactions();
    }
    transaction_.read.clear();
    transaction_.readAll = !tableName_.isEmpty() && Database().InTransaction();
    CopyLayoutAndRecords(*cloneSource_);
    rowIdField_ = nullptr;
    for (int i = 0; i < ColumnCount(); ++i)
        if (Column(i)->FieldName() == QLatin1String("kv8_rowid") && !FindField(QStringLiteral("kv8_rowid")))
            rowIdField_ = Column(i);
    useRowId_ = rowIdField_ != nullptr;
    NoteKeyColumns();
}

namespace {

// Keys read back in one statement: at most this many per statement (and about 900 values,
// within any engine's limit), in texts for 1, 2, 4 ... keys so that few texts are prepared.
constexpr qsizetype kKeysPerStatement = 256;
constexpr qsizetype kValuesPerStatement = 900;

// "(a = ? AND b IS NULL) OR ..." for the keys (a single column: "a IN (?, ...)"). On
// PostgreSQL keys without nulls are one row-value list, which it plans far faster than the
// alternatives (SQLite, the other way round, searches its index only for the alternatives).
// typedMarks: the first row's marks on PostgreSQL (empty elsewhere).
QString KeysCondition(const QStringList &names, const QStringList &typedMarks, const QList<QVariantList> &keys,
                      QVariantList &params)
{
    if (names.size() == 1) {
        QStringList marks;
        bool null = false;
        for (const QVariantList &key : keys) {
            if (key[0].isNull()) {
                null = true;
            } else {
                marks << QStringLiteral("?");
                params << key[0];
            }
        }
        QStringList parts;
        if (!marks.isEmpty())
            parts << names[0] + QStringLiteral(" IN (") + marks.join(QStringLiteral(", ")) + u')';
        if (null)
            parts << names[0] + QStringLiteral(" IS NULL");
        return parts.join(QStringLiteral(" OR "));
    }
    const bool nulls = std::any_of(keys.begin(), keys.end(), [](const QVariantList &key) {
        return std::any_of(key.begin(), key.end(), [](const QVariant &v) { return v.isNull(); });
    });
    if (!typedMarks.isEmpty() && !nulls) {
        QStringList rows;
        const QString plain = u'(' + QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")) + u')';
        for (const QVariantList &key : keys) {
            rows << (rows.isEmpty() ? u'(' + typedMarks.join(QStringLiteral(", ")) + u')' : plain);
            params += key;
        }
        return u'(' + names.join(QStringLiteral(", ")) + QStringLiteral(") IN (VALUES ")
               + rows.join(QStringLiteral(", ")) + u')';
    }
    QStringList alternatives;
    for (const QVariantList &key : keys) {
        QStringList where;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (key[i].isNull()) {
                where << names[i] + QStringLiteral(" IS NULL");
            } else {
                where << names[i] + QStringLiteral(" = ?");
                params << key[i];
            }
        }
        alternatives << u'(' + where.join(QStringLiteral(" AND ")) + u')';
    }
    return alternatives.join(QStringLiteral(" OR "));
}

} // namespace

void TXClientTable::InternalRefresh()
{
    const QList<TField *> keys = PrimaryKeyFields();
    QList<QVariantList> held;
    if (!keys.isEmpty())
        for (Record *r : AllRecords()) {
            QVariantList key;
            for (TField *k : keys)
                key << r->Get(ColumnOf(k));
            held << key;
        }
    QStringList names;
    for (TField *k : keys)
        names << (k == rowIdField_ ? QStringLiteral("rowid") : k->FieldName());
    TXTable::InternalRefresh();
    if (!keys.isEmpty())
        FetchByKeys(keys, names, held);
}

void TXClientTable::FetchByKeys(const QList<TField *> &fields, const QStringList &names,
                                const QList<QVariantList> &keys)
{
    if (keys.isEmpty())
        return;
    QStringList typedMarks;
    if (Database().IsPostgres())
        for (TField *f : fields)
            typedMarks << TypedMark(f, true);
    const qsizetype perStatement =
        std::max<qsizetype>(1, std::min(kKeysPerStatement, kValuesPerStatement / names.size()));
    for (qsizetype from = 0; from < keys.size(); from += perStatement) {
        QList<QVariantList> chunk = keys.mid(from, perStatement);
        // padded with its last key to the next power of two
        qsizetype size = 1;
        while (size < chunk.size())
            size *= 2;
        while (chunk.size() < std::min(size, perStatement))
            chunk << chunk.last();
        QVariantList params;
        const QString condition = KeysCondition(names, typedMarks, chunk, params);
        FetchRows(condition, params);
    }
}

namespace {
// A column that may hold NULL: declared so in the dictionary, or not known to it.
bool NullableColumn(const TField *f)
{
    const DictColumn *dict = f->DictInfo();
    return !dict || dict->nullable;
}
} // namespace

bool TXClientTable::LocateFetch(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options)
{
    if (!Active() || tableName_.isEmpty() || cloneSource_)
        return false;
    // a key read as stored in the transaction and not found is not there still
    if (!transaction_.absent.empty() && !(options & (loCaseInsensitive | loPartialKey))
        && fields == transaction_.absentFields && transaction_.absent.contains(ValuesKey(fields, values, false)))
        return false;
    static const QRegularExpression ident(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    QStringList where;
    QVariantList params;
    const bool ci = options & loCaseInsensitive;
    const bool partial = options & loPartialKey;
    for (int i = 0; i < fields.size(); ++i) {
        TField *f = fields[i];
        if (f->FieldKind() != fkData || ColumnOf(f) < 0 || !ident.match(f->FieldName()).hasMatch())
            return false; // only stored columns can be searched in the table
        const QString c = f->FieldName();
        const QVariant &v = values[i];
        if (f->IsText() && partial) {
            QString pattern = v.toString();
            pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                .replace(QLatin1Char('%'), QStringLiteral("\\%"))
                .replace(QLatin1Char('_'), QStringLiteral("\\_"));
            where << (ci ? QStringLiteral("LOWER(%1) LIKE LOWER(?) ESCAPE '\\'")
                         : QStringLiteral("%1 LIKE ? ESCAPE '\\'"))
                         .arg(c);
            params << pattern + QLatin1Char('%');
        } else if (f->IsText()) {
            // NOT NULL columns compare directly, so the key's index serves the fetch
            const QString column = NullableColumn(f) ? QStringLiteral("COALESCE(%1, '')").arg(c) : c;
            where << (ci ? QStringLiteral("LOWER(%1) = LOWER(?)") : QStringLiteral("%1 = ?")).arg(column);
            params << (v.isNull() ? QString(QLatin1String("")) : v.toString());
        } else if (f->IsNumeric() || f->DataType() == ftBoolean) {
            where << (NullableColumn(f) ? QStringLiteral("COALESCE(%1, 0) = ?") : QStringLiteral("%1 = ?")).arg(c);
            params << (v.isNull() ? QVariant(qlonglong(0)) : v);
        } else if (v.isNull()) {
            where << QStringLiteral("%1 IS NULL").arg(c);
        } else {
            where << QStringLiteral("%1 = ?").arg(c);
            params << v;
        }
    }
    // rows kept for the commit are held: the fetch skips them, so they need not be written first
    ownRead_ = true;
    const auto done = qScopeGuard([this] { ownRead_ = false; });
    return FetchRows(where.join(QStringLiteral(" AND ")), params) > 0;
}

void TXClientTable::RecordWritten(const QVector<QVariant> &values, bool wasDelete)
{
    const QByteArray key = KeyOfValues(values);
    if (wasDelete) {
        transaction_.written.erase(key);
        transaction_.unchanged.erase(key);
    } else {
        transaction_.written.insert(key);
        transaction_.unchanged.insert(key);
    }
}

bool TXClientTable::LocateAsStored(const QString &keyFields, const QVariant &keyValues)
{
    CheckActive();
    CheckBrowseMode();
    const QList<TField *> fields = GetFieldList(keyFields);
    const int type = keyValues.metaType().id();
    QVariantList values = type == QMetaType::QVariantList || type == QMetaType::QStringList ? keyValues.toList()
                                                                                            : QVariantList{keyValues};
    if (!fields.isEmpty() && values.size() == fields.size()) {
        bool asLocate = true; // every value read as Locate reads it
        for (qsizetype i = 0; i < values.size(); ++i) {
            try {
                values[i] = Coerce(values[i], fields[i]->DataType());
            } catch (const Exception &) {
                values[i] = QVariant();
                asLocate = false;
            }
        }
        int pos = -1;
        const Record *held = FindHeldRecord(fields, values, &pos);
        // a change not applied yet is the table's own
        if (held && held->ChangeStatus() == Record::Unchanged && !transaction_.unchanged.contains(KeyOfRecord(held))) {
            FlushDeferred(); // rows kept for the commit are stored first: the read sees them
            EvictRecords({held->Id()});
        } else if (held && asLocate && pos >= 0) {
            ScrollTo(pos); // the record Locate would find
            return true;
        }
    }
    return Locate(keyFields, keyValues);
}

void TXClientTable::ReadAsStored(const QString &keyFields, const QList<QVariantList> &keys)
{
    ReadKeysAsStored(keyFields, keys,
                     [this](const QList<TField *> &fields, const QStringList &names,
                            const QList<QVariantList> &toRead) { FetchByKeys(fields, names, toRead); });
}

void TXClientTable::ReadAsStored(const QString &keyFields, const QList<QVariantList> &keys, const QString &condition,
                                 const QVariantList &values, bool lock)
{
    const bool locked = lock && Database().IsPostgres() && Database().InTransaction();
    ReadKeysAsStored(
        keyFields, keys,
        [&](const QList<TField *> &, const QStringList &, const QList<QVariantList> &toRead) {
            if (!toRead.isEmpty())
                FetchRows(condition, values, locked);
        },
        locked);
}

void TXClientTable::ReadKeysAsStored(
    const QString &keyFields, const QList<QVariantList> &keys,
    const std::function<void(const QList<TField *> &, const QStringList &, const QList<QVariantList> &)> &read,
    bool locked)
{
    CheckActive();
    CheckBrowseMode();
    const QList<TField *> fields = GetFieldList(keyFields);
    QStringList names;
    for (TField *f : fields) {
        if (f->FieldKind() != fkData || ColumnOf(f) < 0)
            throw EDatabaseError(QStringLiteral("%1: %2 non è una colonna della tabella").arg(Name(), f->FieldName()));
        names << f->FieldName();
    }
    QList<QVariantList> toRead;
    QList<quint64> stale;
    for (QVariantList values : keys) {
        if (values.size() != fields.size())
            throw EDatabaseError(QStringLiteral("%1: chiave di %2 valori per %3 campi")
                                     .arg(Name())
                                     .arg(values.size())
                                     .arg(fields.size()));
        for (qsizetype i = 0; i < values.size(); ++i)
            values[i] = CoerceLoaded(values[i], fields[i]->DataType());
        if (const Record *held = FindHeldRecord(fields, values)) {
            // a change not applied yet, or a row written in the transaction, is the table's own
            if (held->ChangeStatus() != Record::Unchanged || transaction_.unchanged.contains(KeyOfRecord(held)))
                continue;
            stale << held->Id();
        }
        toRead << values;
    }
    if (!stale.isEmpty()) {
        FlushDeferred(); // rows kept for the commit are stored first: the read sees them
        EvictRecords(stale);
    }
    read(fields, names, toRead);
    if (!Database().InTransaction())
        return;
    // until another statement writes the table, what was read is what is stored (the
    // transaction holds its write lock on SQLite; on PostgreSQL the writes check what they
    // read, unless it was read locked)
    if (transaction_.absentFields != fields) {
        transaction_.absent.clear();
        transaction_.absentFields = fields;
    }
    for (const QVariantList &values : std::as_const(toRead)) {
        if (const Record *held = FindHeldRecord(fields, values)) {
            const QByteArray key = KeyOfRecord(held);
            if (locked)
                transaction_.locked.insert(key);
            transaction_.unchanged.insert(key);
        } else {
            transaction_.absent.insert(ValuesKey(fields, values, false));
        }
    }
}

void TXClientTable::ForgetHeldRows()
{
    if (!Active())
        return;
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    FlushDeferred();
    ClearRecords();
    Resync(false);
}

void TXClientTable::ForgetTransactionRows(const TransactionRows &rows)
{
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    // what it read while the transaction wrote the table may hold what was written
    const bool readStale = rows.tableWritten;
    QList<quint64> ids;
    for (const Record *r : AllRecords())
        if ((readStale && (rows.readAll || rows.read.contains(r->Id())))
            || (!rows.written.empty() && rows.written.contains(KeyOfRecord(r))))
            ids << r->Id();
    if (ids.isEmpty())
        return;
    if (ids.size() == qsizetype(AllRecords().size())) {
        ClearRecords();
        Resync(false);
    } else {
        EvictRecords(ids);
    }
}

void TXClientTable::CloneCursor(TDataSet *source, bool, bool)
{
    if (!source || source == this)
        throw EDatabaseError(QStringLiteral("%1: dataset da clonare non valido").arg(Name()));
    if (!source->Active())
        throw EDatabaseError(QStringLiteral("%1: il dataset da clonare è chiuso").arg(Name()));
    Close();
    if (auto *t = qobject_cast<TXTable *>(source)) {
        tableName_ = t->TableName();
        SetDatabaseName(t->DatabaseName());
        database_ = t->DirectDatabase();
        keyFields_ = t->KeyFields();
        origin_ = t->TabellaOrigine();
        where_ = t->XWhere();
    }
    SetFiltered(false);
    SetIndexFieldNames(QString());
    cloneSource_ = source;
    try {
        Open();
    } catch (...) {
        cloneSource_ = nullptr;
        throw;
    }
    cloneSource_ = nullptr;
}
