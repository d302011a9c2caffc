#include "host/data/TXClientTable.h"

#include "host/data/DataRecord.h"
#include "host/db/TXDatabase.h"

#include <QRegularExpression>

using namespace kv8data;

TXClientTable::TXClientTable(QObject *owner) : TXTable(owner) {}

TXClientTable::~TXClientTable() = default;

QString TXClientTable::EffectiveWhere() const
{
    return where_.trimmed().isEmpty() ? whereVuoto_ : where_;
}

void TXClientTable::InternalOpen()
{
    written_.clear();
    ownWrites_ = false;
    if (!cloneSource_) {
        TXTable::InternalOpen();
        return;
    }
    if (!tableName_.isEmpty())
        LoadMeta();
    CopyLayoutAndRecords(*cloneSource_);
    rowIdField_ = nullptr;
    for (int i = 0; i < ColumnCount(); ++i)
        if (Column(i)->FieldName() == QLatin1String("kv8_rowid") && !FindField(QStringLiteral("kv8_rowid")))
            rowIdField_ = Column(i);
    useRowId_ = rowIdField_ != nullptr;
}

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
    TXTable::InternalRefresh();
    if (keys.isEmpty() || held.isEmpty())
        return;
    QStringList names;
    for (TField *k : keys)
        names << (k == rowIdField_ ? QStringLiteral("rowid") : k->FieldName());
    for (const QVariantList &key : held) {
        QStringList where;
        QVariantList params;
        for (int i = 0; i < names.size(); ++i) {
            if (key[i].isNull()) {
                where << names[i] + QStringLiteral(" IS NULL");
            } else {
                where << names[i] + QStringLiteral(" = ?");
                params << key[i];
            }
        }
        FetchRows(where.join(QStringLiteral(" AND ")), params);
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
        const QVariant v = values[i];
        if (f->IsText() && partial) {
            QString pattern = v.toString();
            pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                .replace(QLatin1Char('%'), QStringLiteral("\\%"))
                .replace(QLatin1Char('_'), QStringLiteral("\\_"));
            where << (ci ? QStringLiteral("LOWER(%1) LIKE LOWER(?) ESCAPE '\\'") : QStringLiteral("%1 LIKE ? ESCAPE '\\'")).arg(c);
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
    return FetchRows(where.join(QStringLiteral(" AND ")), params) > 0;
}

void TXClientTable::RecordWritten(const QVector<QVariant> &values, bool wasDelete, quint64 markBefore)
{
    TXDatabase &db = Database();
    ownWrites_ = db.InTransaction() && (written_.isEmpty() || (ownWrites_ && markBefore == writtenMark_));
    writtenMark_ = db.TableWriteMark(tableName_);
    if (wasDelete)
        written_.remove(KeyOfValues(values));
    else
        written_.insert(KeyOfValues(values));
}

bool TXClientTable::OwnWritesCurrent()
{
    if (!ownWrites_ || written_.isEmpty())
        return false;
    TXDatabase &db = Database();
    return db.InTransaction() && db.TableWriteMark(tableName_) == writtenMark_;
}

void TXClientTable::CheckRollBack()
{
    if (!Active())
        return;
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    if (ChangeCount() > 0)
        CancelUpdates();
    if (written_.isEmpty())
        return;
    QList<quint64> ids;
    for (Record *r : AllRecords())
        if (written_.contains(KeyOfValues(ValuesOf(r))))
            ids << r->Id();
    written_.clear();
    ownWrites_ = false;
    EvictRecords(ids);
}

void TXClientTable::ForgetStaleWrites()
{
    if (!Active())
        return;
    if (CachedUpdates() || !OwnWritesCurrent()) {
        CheckRollBack();
        return;
    }
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
}

bool TXClientTable::HoldsOwnWrite(const QString &keyFields, const QVariantList &values)
{
    if (!Active() || !OwnWritesCurrent())
        return false;
    // the row's key as KeyOfValues reads it: every key column must be among the fields given
    const QList<TField *> fields = GetFieldList(keyFields);
    const QList<TField *> keys = PrimaryKeyFields();
    if (keys.isEmpty())
        return false;
    QVector<QVariant> row(ColumnCount());
    for (TField *k : keys) {
        const qsizetype at = fields.indexOf(k);
        if (at < 0 || at >= values.size())
            return false;
        row[ColumnOf(k)] = values[at];
    }
    return written_.contains(KeyOfValues(row));
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
        databaseName_ = t->DatabaseName();
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
