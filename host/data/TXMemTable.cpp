#include "host/data/TXMemTable.h"

#include "host/data/DataRecord.h"

#include <QVariantMap>

#include <map>

namespace {

// Records kept per table name (lower case) for the run.
std::map<QString, QList<QVariantMap>> &Kept()
{
    static std::map<QString, QList<QVariantMap>> kept;
    return kept;
}

} // namespace

TXMemTable::TXMemTable(QObject *owner) : TDataSet(owner) {}

TXMemTable::~TXMemTable()
{
    if (Active())
        SaveRecords(true);
}

void TXMemTable::SetTableName(const QString &name)
{
    ThrowIfActive(QStringLiteral("cambiare il nome della tabella"));
    tableName_ = name;
}

void TXMemTable::ForgetKeptRecords()
{
    Kept().clear();
}

void TXMemTable::InternalOpen()
{
    BeginLayout();
    const DictTable *table = tableName_.isEmpty() ? nullptr : kv8data::DataDictionary().Table(tableName_);
    bool anyDeclaredData = false;
    for (TField *f : FieldList())
        if (f->FieldKind() == fkData && f->IsPersistent())
            anyDeclaredData = true;
    if (table && (usaDizionario_ || !anyDeclaredData))
        for (const DictColumn &c : table->columns)
            BindColumn(c.name, kv8data::FieldTypeOf(c.type), c.size, &c);
    // declared fields that the dictionary also knows were bound above; bind the rest
    for (TField *f : FieldList()) {
        if (f->FieldKind() != fkData || !f->IsPersistent())
            continue;
        bool bound = false;
        for (int i = 0; i < ColumnCount(); ++i)
            if (Column(i) == f)
                bound = true;
        if (!bound)
            BindColumn(f->FieldName(), f->DataType(), f->Size(), nullptr);
    }
    EndLayout();
    if (!keepRecords_ || tableName_.isEmpty())
        return;
    auto it = Kept().find(tableName_.toLower());
    if (it == Kept().end())
        return;
    for (const QVariantMap &row : it->second) {
        QVector<QVariant> values(ColumnCount());
        for (int i = 0; i < ColumnCount(); ++i) {
            auto v = row.constFind(Column(i)->FieldName().toLower());
            if (v != row.constEnd())
                values[i] = *v;
        }
        AddLoadedRecord(values);
    }
}

void TXMemTable::InternalClose()
{
    SaveRecords(false);
}

void TXMemTable::SaveRecords(bool withPendingEdit)
{
    if (!keepRecords_ || tableName_.isEmpty())
        return;
    QList<QVariantMap> rows;
    const bool editing = withPendingEdit && (State() == dsEdit || State() == dsInsert) && Modified();
    const QVector<QVariant> pending = editing ? CurrentValues() : QVector<QVariant>();
    for (kv8data::Record *r : AllRecords()) {
        QVariantMap row;
        const bool isCurrent = editing && State() == dsEdit && r == CurrentRecord();
        for (int i = 0; i < ColumnCount(); ++i)
            row.insert(Column(i)->FieldName().toLower(), isCurrent ? pending[i] : r->Get(i));
        rows << row;
    }
    if (editing && State() == dsInsert) {
        QVariantMap row;
        for (int i = 0; i < ColumnCount(); ++i)
            row.insert(Column(i)->FieldName().toLower(), pending[i]);
        rows << row;
    }
    Kept()[tableName_.toLower()] = rows;
}

void TXMemTable::EmptyTable()
{
    if (!tableName_.isEmpty())
        Kept().erase(tableName_.toLower());
    if (!Active())
        return;
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    ClearRecords();
    Resync(false);
}
