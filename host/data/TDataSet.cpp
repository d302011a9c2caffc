#include "host/data/TDataSet.h"

#include "host/data/DataFilter.h"
#include "host/data/DataRecord.h"
#include "host/data/TDataSource.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

using kv8data::Record;

// ---- dictionary and helpers

namespace kv8data {

namespace {
const Dictionary *g_dictionary = nullptr;
} // namespace

const Dictionary &DataDictionary()
{
    return g_dictionary ? *g_dictionary : Dictionary::Instance();
}

void SetDataDictionary(const Dictionary *dictionary)
{
    g_dictionary = dictionary;
}

const DictColumn *FindDictColumn(const QStringList &tables, const QString &column)
{
    if (tables.isEmpty())
        return nullptr;
    const Dictionary &dict = DataDictionary();
    for (const QString &t : tables) {
        if (const DictTable *table = dict.Table(t))
            if (const DictColumn *c = table->Column(column))
                return c;
    }
    return nullptr;
}

QString DictSpelling(const QString &column)
{
    static const Dictionary *built = nullptr;
    static QHash<QString, QString> spelling;
    const Dictionary &dict = DataDictionary();
    if (built != &dict) {
        spelling.clear();
        for (const DictTable *t : dict.Tables())
            for (const DictColumn &c : t->columns)
                spelling.insert(c.name.toLower(), c.name);
        built = &dict;
    }
    return spelling.value(column.toLower());
}

QStringList SplitNames(const QString &names)
{
    QStringList out;
    for (const QString &part : names.split(QLatin1Char(';'))) {
        const QString n = part.trimmed();
        if (!n.isEmpty())
            out << n;
    }
    return out;
}

int CompareFieldValues(const QVariant &a, const QVariant &b, TFieldType type, bool caseInsensitive)
{
    const bool an = a.isNull(), bn = b.isNull();
    if (IsNumericType(type) || type == ftBoolean
        || (type == ftUnknown && !an && !bn && a.metaType().id() != QMetaType::QString
            && b.metaType().id() != QMetaType::QString && a.metaType().id() != QMetaType::QDateTime)) {
        const double x = an ? 0.0 : a.toDouble();
        const double y = bn ? 0.0 : b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (IsDateType(type)) {
        if (an || bn)
            return an == bn ? 0 : (an ? -1 : 1);
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const QString x = an ? QString() : a.toString();
    const QString y = bn ? QString() : b.toString();
    const int c = x.compare(y, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {

void AppendKey(QByteArray &out, const TField *f, const QVariant &v, bool ci)
{
    TFieldType type = f->DataType();
    if (type == ftUnknown && !v.isNull()) {
        const int id = v.metaType().id();
        if (id == QMetaType::QDateTime || id == QMetaType::QDate)
            type = ftDateTime;
        else if (id != QMetaType::QString && id != QMetaType::QByteArray)
            type = ftFloat;
    }
    if (IsNumericType(type) || type == ftBoolean) {
        const double d = v.isNull() ? 0.0 : v.toDouble();
        if (d == std::floor(d) && std::fabs(d) < 1e15) {
            out += 'i';
            out += QByteArray::number(qint64(d));
        } else {
            out += 'd';
            out += QByteArray::number(d, 'g', 17);
        }
    } else if (IsDateType(type)) {
        if (v.isNull()) {
            out += 'N';
        } else {
            const QDateTime dt = v.toDateTime();
            out += 'D';
            out += QByteArray::number(dt.date().toJulianDay());
            out += ':';
            out += QByteArray::number(dt.time().msecsSinceStartOfDay());
        }
    } else {
        out += 's';
        const QString s = v.isNull() ? QString() : v.toString();
        out += (ci ? s.toCaseFolded() : s).toUtf8();
    }
    out += '\x1f';
}

// Restores the active record buffer when a scope ends.
template <typename T>
class Restore {
public:
    Restore(T &ref, T value) : ref_(ref), saved_(ref) { ref_ = value; }
    ~Restore() { ref_ = saved_; }
    Restore(const Restore &) = delete;
    Restore &operator=(const Restore &) = delete;

private:
    T &ref_;
    T saved_;
};

} // namespace

// The listener a detail keeps on its master's data source.
class MasterLink : public TDataLink {
public:
    explicit MasterLink(TDataSet *detail) : detail_(detail) {}

protected:
    void ActiveChanged() override { detail_->MasterDataChanged(); }
    void DataSetChanged() override { detail_->MasterDataChanged(); }
    void RecordChanged(TField *) override { detail_->MasterDataChanged(); }

private:
    TDataSet *detail_;
};

} // namespace kv8data

using namespace kv8data;

// What binding a column looks up by name: the declared fields, and the fields made for the
// columns of earlier layouts, which a column of the same name takes again. A name is taken in
// a layout when a declared field has it or a column already bound has it.
struct TDataSet::LayoutIndex {
    QHash<NameKey, TField *> declared; // names unique without regard to case
    QHash<NameKey, TField *> spare;    // by name (a column never gets a name already made)
    QStringList hidden;                // names of the internal columns bound in this layout
    bool renamed = false;              // a field took another spelling in this layout
};

// ---- construction

TDataSet::TDataSet(QObject *owner) : QObject(owner), layout_(std::make_unique<LayoutIndex>()) {}

TDataSet::~TDataSet()
{
    const QList<TDataSource *> sources = sources_;
    for (TDataSource *s : sources)
        s->DataSetDestroyed();
    sources_.clear();
    masterLink_.reset();
    FreeRecords();
}

void TDataSet::FreeRecords()
{
    for (Record *r : records_)
        Record::Destroy(r);
    for (Record *r : deleted_)
        Record::Destroy(r);
    for (Record *r : originals_)
        Record::Destroy(r);
    records_.clear();
    view_.clear();
    deleted_.clear();
    originals_.clear();
    cur_ = Buffer();
    temp_ = Buffer();
    active_ = &cur_;
    cursor_ = -1;
    bof_ = eof_ = true;
    indexes_.clear();
    BumpVersion();
}

void TDataSet::ClearRecords()
{
    FreeRecords();
}

void TDataSet::ReplaceValues(Record *record, const QVector<QVariant> &values)
{
    Record *fresh = Record::Create(record->Id(), values.constData(), int(values.size()));
    fresh->SetChangeStatus(record->ChangeStatus());
    std::replace(records_.begin(), records_.end(), record, fresh);
    std::replace(view_.begin(), view_.end(), record, fresh);
    if (cur_.rec == record)
        cur_.rec = fresh;
    if (temp_.rec == record)
        temp_.rec = nullptr;
    Record::Destroy(record);
    BumpVersion();
}

// ---- fields

TField *TDataSet::NewField(const QString &name, TFieldType type, int size, TFieldKind kind)
{
    owned_.push_back(std::unique_ptr<TField>(new TField(this, name, type, size, kind)));
    return owned_.back().get();
}

TField *TDataSet::AddField(const QString &name, TFieldType type, int size)
{
    ThrowIfActive(QStringLiteral("aggiungere il campo '%1'").arg(name));
    for (TField *f : declared_)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            throw EDatabaseError(QStringLiteral("Campo '%1' già definito in '%2'").arg(name, Name()));
    TField *f = NewField(name, type, size, fkData);
    declared_.append(f);
    fields_.append(f);
    layout_->declared.insert(NameKey{name}, f);
    if (TField *&first = byName_[NameKey{name}]; !first)
        first = f;
    fieldLists_.clear();
    return f;
}

TField *TDataSet::AddCalcField(const QString &name, TFieldType type, int size)
{
    TField *f = AddField(name, type, size);
    f->kind_ = fkCalculated;
    return f;
}

TField *TDataSet::AddLookupField(const QString &name, TFieldType type, int size, TDataSet *lookupDataSet,
                                 const QString &keyFields, const QString &lookupKeyFields, const QString &resultField)
{
    if (SplitNames(keyFields).size() != SplitNames(lookupKeyFields).size() || SplitNames(keyFields).isEmpty())
        throw EDatabaseError(QStringLiteral("Campo di ricerca '%1': chiavi '%2' e '%3' non corrispondenti")
                                 .arg(name, keyFields, lookupKeyFields));
    TField *f = AddField(name, type, size);
    f->SetLookup(lookupDataSet, keyFields, lookupKeyFields, resultField);
    return f;
}

TField *TDataSet::Fields(int index) const
{
    if (index < 0 || index >= fields_.size())
        throw EDatabaseError(QStringLiteral("Indice di campo %1 fuori dai limiti in '%2'").arg(index).arg(Name()));
    return fields_[index];
}

TField *TDataSet::FindField(const QString &name) const
{
    if (TField *f = byName_.value(NameKey{name}, nullptr))
        return f;
    const QString trimmed = name.trimmed();
    return trimmed.size() == name.size() ? nullptr : byName_.value(NameKey{trimmed}, nullptr);
}

TField *TDataSet::FieldByName(const QString &name) const
{
    TField *f = FindField(name);
    if (!f)
        throw EDatabaseError(QStringLiteral("%1: campo '%2' non trovato")
                                 .arg(Name().isEmpty() ? QStringLiteral("Dataset") : Name(), name));
    return f;
}

QList<TField *> TDataSet::GetFieldList(const QString &names) const
{
    if (const auto it = fieldLists_.constFind(names); it != fieldLists_.cend())
        return *it;
    QList<TField *> out;
    for (const QString &n : SplitNames(names))
        out << FieldByName(n);
    if (fieldLists_.size() >= 64)
        fieldLists_.clear();
    fieldLists_.insert(names, out);
    return out;
}

void TDataSet::ThrowIfActive(const QString &what) const
{
    if (Active())
        throw EDatabaseError(QStringLiteral("Impossibile %1 con il dataset '%2' aperto").arg(what, Name()));
}

void TDataSet::BeginLayout()
{
    inLayout_ = true;
    layout_->hidden.clear();
    layout_->renamed = false;
    for (auto &f : owned_) {
        if (f->kind_ == fkData) {
            f->bound_ = false;
            f->slot_ = -1;
        }
    }
    columns_.clear();
}

TField *TDataSet::BindColumn(const QString &name, TFieldType type, int size, const DictColumn *dict)
{
    LayoutIndex &index = *layout_;
    TField *field = nullptr;
    if (!index.declared.isEmpty()) {
        field = index.declared.value(NameKey{name}, nullptr);
        if (field && (field->kind_ != fkData || field->bound_))
            field = nullptr;
    }
    if (!field) {
        // A second column of one name (joins) gets a numbered name; the first keeps the name.
        QString fieldName = name;
        TField *first = nullptr;
        for (int k = 1;; ++k) {
            const NameKey key{fieldName};
            first = index.spare.isEmpty() ? nullptr : index.spare.value(key, nullptr);
            const bool taken = (!index.declared.isEmpty() && index.declared.contains(key))
                            || (first && first->bound_)
                            || index.hidden.contains(fieldName, Qt::CaseInsensitive);
            if (!taken)
                break;
            fieldName = name + QStringLiteral("_%1").arg(k);
        }
        // a field made earlier for a column of this name, not bound in this layout
        field = first;
        if (field) {
            if (field->name_ != fieldName) {
                field->name_ = fieldName;
                index.renamed = true;
            }
            field->type_ = type;
            field->size_ = size;
            field->dict_ = nullptr;
        } else {
            field = NewField(fieldName, type, size, fkData);
            field->persistent_ = false;
            index.spare.insert(NameKey{fieldName}, field);
        }
    }
    if (dict && !field->dict_)
        field->ApplyDictionary(dict);
    field->bound_ = true;
    field->slot_ = int(columns_.size());
    columns_.append(field);
    return field;
}

TField *TDataSet::BindHiddenColumn(const QString &name, TFieldType type)
{
    TField *field = nullptr;
    for (auto &f : owned_)
        if (f->hidden_ && f->FieldName() == name)
            field = f.get();
    if (!field) {
        field = NewField(name, type, 0, fkData);
        field->persistent_ = false;
        field->hidden_ = true;
        field->visible_ = false;
    }
    field->bound_ = true;
    field->slot_ = int(columns_.size());
    columns_.append(field);
    layout_->hidden.append(name);
    return field;
}

void TDataSet::EndLayout()
{
    inLayout_ = false;
    for (TField *f : declared_)
        if (f->kind_ == fkData && !f->bound_)
            throw EDatabaseError(QStringLiteral("%1: campo '%2' non trovato")
                                     .arg(Name().isEmpty() ? QStringLiteral("Dataset") : Name(), f->FieldName()));
    calcFields_.clear();
    const QList<TField *> previous = fields_;
    fields_.clear();
    fields_.reserve(declared_.size() + columns_.size());
    bool anyPersistentData = false;
    for (TField *f : declared_) {
        if (f->kind_ != fkData) {
            f->slot_ = int(calcFields_.size());
            calcFields_.append(f);
        } else {
            anyPersistentData = true;
        }
        fields_.append(f);
    }
    for (TField *c : columns_) {
        if (c->hidden_ || c->persistent_)
            continue;
        c->visible_ = !anyPersistentData;
        fields_.append(c);
    }
    // the same fields under the same names (a table opened again): the index stands
    if (fields_ != previous || layout_->renamed) {
        byName_.clear();
        byName_.reserve(fields_.size());
        for (TField *f : fields_)
            if (TField *&first = byName_[NameKey{f->FieldName()}]; !first)
                first = f;
        fieldLists_.clear();
    }
    indexFields_.clear();
    for (const QString &n : SplitNames(indexFieldNames_))
        indexFields_ << FieldByName(n);
    CompileFilter();
}

void TDataSet::BindQueryColumns(const QSqlRecord &record, const QStringList &dictTables, const QString &sqlText,
                                bool sqlite, int firstColumn)
{
    columns_.reserve(columns_.size() + record.count());
    layout_->spare.reserve(layout_->spare.size() + record.count());
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
            qsizetype from = 0;
            while (true) {
                const qsizetype at = sqlText.indexOf(name, from, Qt::CaseInsensitive);
                if (at < 0)
                    break;
                const qsizetype end = at + name.size();
                auto word = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
                if ((at == 0 || !word(sqlText[at - 1])) && (end >= sqlText.size() || !word(sqlText[end]))) {
                    spelling = sqlText.mid(at, name.size());
                    break;
                }
                from = at + 1;
            }
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

void TDataSet::ReadQueryRow(QSqlQuery &query, QVector<QVariant> &values) const
{
    const int n = int(columns_.size());
    values.resize(n);
    for (int i = 0; i < n; ++i)
        values[i] = CoerceLoaded(query.value(i), columns_[i]->type_);
}

void TDataSet::LoadQueryRows(QSqlQuery &query)
{
    QVector<QVariant> values;
    while (query.next()) {
        ReadQueryRow(query, values);
        records_.push_back(Record::Create(nextId_++, values.constData(), int(values.size())));
    }
}

void TDataSet::AddLoadedRecord(QVector<QVariant> &values)
{
    values.resize(columns_.size());
    for (int i = 0; i < values.size(); ++i)
        values[i] = CoerceLoaded(values[i], columns_[i]->type_);
    records_.push_back(Record::Create(nextId_++, values.constData(), int(values.size())));
}

Record *TDataSet::AddFetchedRecord(QVector<QVariant> &values)
{
    values.resize(columns_.size());
    for (int i = 0; i < values.size(); ++i)
        values[i] = CoerceLoaded(values[i], columns_[i]->type_);
    Record *r = Record::Create(nextId_++, values.constData(), int(values.size()));
    const quint64 keep = cur_.rec ? cur_.rec->Id() : 0;
    const quint64 before = version_;
    const int at = PlaceRecord(r, int(view_.size()), true);
    BumpVersion();
    if (indexFields_.isEmpty())
        PatchIndexes({}, r, at, before);
    if (keep && at >= 0 && at <= cursor_) {
        const int pos = FindInView(keep);
        if (pos >= 0)
            cursor_ = pos;
    }
    return r;
}

void TDataSet::CopyLayoutAndRecords(TDataSet &source)
{
    BeginLayout();
    for (TField *c : source.columns_) {
        if (c->hidden_)
            BindHiddenColumn(c->FieldName(), c->type_);
        else {
            TField *f = BindColumn(c->FieldName(), c->type_, c->size_, c->dict_);
            if (!f->persistent_) {
                f->label_ = c->label_;
                f->displayFormat_ = c->displayFormat_;
                f->editFormat_ = c->editFormat_;
            }
        }
    }
    EndLayout();
    for (Record *r : source.records_) {
        Record *c = r->Clone(nextId_++);
        c->SetChangeStatus(Record::Unchanged);
        records_.push_back(c);
    }
}

// ---- values

Record *TDataSet::CurrentRecord() const
{
    return cur_.rec;
}

QVariant TDataSet::GetFieldValue(const TField *field)
{
    if (validating_ == field)
        return validatingValue_;
    if (state_ == dsInactive || field->slot_ < 0)
        return QVariant();
    Buffer *b = active_;
    if (field->kind_ != fkData) {
        if (!b->calcValid)
            ComputeCalc(*b);
        return field->slot_ < b->calc.size() ? b->calc[field->slot_] : QVariant();
    }
    if (b->useVals)
        return field->slot_ < b->vals.size() ? b->vals[field->slot_] : QVariant();
    if (b->rec)
        return b->rec->Get(field->slot_);
    return QVariant();
}

QVariant TDataSet::OldFieldValue(const TField *field)
{
    if (field->kind_ == fkData && (state_ == dsEdit || state_ == dsInsert) && active_ == &cur_) {
        if (state_ == dsInsert || !cur_.rec)
            return QVariant();
        return cur_.rec->Get(field->slot_);
    }
    return GetFieldValue(field);
}

QVariant TDataSet::ValueOf(Record *record, const TField *field)
{
    if (field->kind_ == fkData && field->slot_ >= 0)
        return record->Get(field->slot_);
    if (temp_.rec != record || tempVersion_ != version_ || !temp_.calcValid) {
        temp_.rec = record;
        temp_.useVals = false;
        temp_.vals.clear();
        temp_.calcValid = false;
        tempVersion_ = version_;
    }
    Restore<Buffer *> guard(active_, &temp_);
    return GetFieldValue(field);
}

QVector<QVariant> TDataSet::CurrentValues() const
{
    if (cur_.useVals)
        return cur_.vals;
    QVector<QVariant> out(columns_.size());
    if (cur_.rec)
        for (int i = 0; i < out.size(); ++i)
            out[i] = cur_.rec->Get(i);
    return out;
}

QVariantList TDataSet::RecordValues(const Record *record) const
{
    QVariantList out;
    for (int i = 0; i < record->Count(); ++i)
        out << record->Get(i);
    return out;
}

void TDataSet::SetFieldValue(TField *field, const QVariant &input)
{
    if (state_ == dsInactive)
        throw EDatabaseError(QStringLiteral("Il dataset '%1' è chiuso").arg(Name()));
    QVariant value = input;
    if (field->type_ == ftString || field->type_ == ftFixedChar) {
        if (field->size_ > 0 && !value.isNull() && value.toString().size() > field->size_)
            value = value.toString().left(field->size_);
    }
    if (field->kind_ != fkData) {
        Buffer *b = active_;
        if (b->calc.size() != calcFields_.size())
            b->calc.resize(calcFields_.size());
        if (state_ == dsCalcFields || calcDepth_ > 0) {
            b->calc[field->slot_] = value;
            return;
        }
        if (field->kind_ == fkLookup && (state_ == dsEdit || state_ == dsInsert) && field->lookupDataSet_) {
            // Assigning a looked-up value sets the key fields from the lookup record.
            const QStringList keys = SplitNames(field->keyFields_);
            const QVariant found = field->lookupDataSet_->Lookup(field->lookupResult_, value, field->lookupKeyFields_);
            if (found.isValid()) {
                if (keys.size() == 1) {
                    FieldByName(keys[0])->SetValue(found);
                } else {
                    const QVariantList list = found.toList();
                    for (int i = 0; i < keys.size() && i < list.size(); ++i)
                        FieldByName(keys[i])->SetValue(list[i]);
                }
                return;
            }
        }
        b->calc[field->slot_] = value;
        DataEvent(deFieldChange, field);
        return;
    }
    if (state_ != dsEdit && state_ != dsInsert)
        throw EDatabaseError(QStringLiteral("Il dataset '%1' non è in modifica o inserimento").arg(Name()));
    if (field->OnValidate) {
        validating_ = field;
        validatingValue_ = value;
        try {
            field->OnValidate(field);
        } catch (...) {
            validating_ = nullptr;
            validatingValue_ = QVariant();
            throw;
        }
        validating_ = nullptr;
        validatingValue_ = QVariant();
        // The handler may have cancelled or posted the record.
        if (state_ != dsEdit && state_ != dsInsert)
            return;
    }
    cur_.vals[field->slot_] = value;
    modified_ = true;
    if (AutoCalcFields && !calcFields_.isEmpty())
        ComputeCalc(cur_);
    if (field->OnChange)
        field->OnChange(field);
    DataEvent(deFieldChange, field);
}

void TDataSet::ComputeCalc(Buffer &buffer)
{
    if (calcFields_.isEmpty()) {
        buffer.calcValid = true;
        return;
    }
    buffer.calc = QVector<QVariant>(calcFields_.size());
    buffer.calcValid = true;
    if (!buffer.rec && !buffer.useVals)
        return;
    Restore<Buffer *> activeGuard(active_, &buffer);
    const TDataSetState saved = state_;
    ++calcDepth_;
    struct Leave {
        TDataSet *ds;
        TDataSetState saved;
        ~Leave()
        {
            ds->state_ = saved;
            --ds->calcDepth_;
        }
    } leave{this, saved};
    QList<TField *> busy;
    for (TField *f : calcFields_)
        if (f->kind_ == fkLookup)
            ComputeLookup(buffer, f, busy);
    if (OnCalcFields && calcDepth_ == 1) {
        state_ = dsCalcFields;
        OnCalcFields(this);
    }
}

void TDataSet::ComputeLookup(Buffer &buffer, TField *field, QList<TField *> &busy)
{
    if (busy.contains(field))
        return;
    busy.append(field);
    const QStringList keyNames = SplitNames(field->keyFields_);
    QVariantList keys;
    for (const QString &k : keyNames) {
        TField *kf = FindField(k);
        if (!kf) {
            buffer.calc[field->slot_] = QVariant();
            return;
        }
        if (kf->kind_ == fkLookup)
            ComputeLookup(buffer, kf, busy); // chained lookup: its key first
        keys << GetFieldValue(kf);
    }
    TDataSet *lookup = field->lookupDataSet_;
    QVariant result;
    if (lookup && lookup != this && lookup->Active())
        result = lookup->Lookup(field->lookupKeyFields_, keys.size() == 1 ? keys[0] : QVariant(keys),
                                field->lookupResult_);
    buffer.calc[field->slot_] = result.isValid() ? CoerceLoaded(result, field->type_) : QVariant();
}

// ---- state and events

void TDataSet::Fire(const TDataSetNotifyEvent &event)
{
    if (event)
        event(this);
}

void TDataSet::SetState(TDataSetState state)
{
    if (state_ == state)
        return;
    state_ = state;
    DataEvent(deUpdateState);
}

void TDataSet::DataEvent(TDataEvent event, TField *field)
{
    if (disableCount_ > 0) {
        if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange)
            enableEvent_ = deLayoutChange;
        return;
    }
    const QList<TDataSource *> sources = sources_;
    for (TDataSource *s : sources)
        if (sources_.contains(s))
            s->DataEvent(event, field);
}

void TDataSet::DisableControls()
{
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls()
{
    if (disableCount_ == 0)
        return;
    --disableCount_;
    if (disableCount_ == 0) {
        if (disableState_ != state_)
            DataEvent(deUpdateState);
        if (disableState_ != dsInactive && state_ != dsInactive)
            DataEvent(TDataEvent(enableEvent_));
    }
}

void TDataSet::AttachSource(TDataSource *source)
{
    if (!sources_.contains(source))
        sources_.append(source);
}

void TDataSet::DetachSource(TDataSource *source)
{
    sources_.removeAll(source);
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Operazione non consentita: il dataset '%1' è chiuso").arg(Name()));
}

bool TDataSet::CanModify() const
{
    return !readOnly_;
}

void TDataSet::CheckCanModifyNow() const
{
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Impossibile modificare il dataset '%1': è di sola lettura").arg(Name()));
}

void TDataSet::UpdateRecord()
{
    if (state_ == dsEdit || state_ == dsInsert)
        DataEvent(deUpdateRecord);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (state_ == dsEdit || state_ == dsInsert) {
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
    }
}

// ---- open and close

void TDataSet::Open()
{
    if (Active())
        return;
    Fire(BeforeOpen);
    streaming_ = IsUniDirectional();
    try {
        FreeRecords();
        InternalOpen();
        // lookup fields need their datasets open, as when the dataset binds its fields
        for (TField *f : calcFields_)
            if (f->kind_ == fkLookup && f->lookupDataSet_ && f->lookupDataSet_ != this && !f->lookupDataSet_->Active())
                f->lookupDataSet_->Open();
        state_ = dsBrowse;
        if (streaming_) {
            streamCount_ = 0;
            streamEnd_ = false;
            bof_ = true;
            eof_ = !StreamAdvance();
        } else {
            SortRecords();
            RebuildView();
            SetCurrent(view_.empty() ? -1 : 0);
            bof_ = true;
            eof_ = view_.empty();
        }
    } catch (...) {
        state_ = dsInactive;
        try {
            InternalClose();
        } catch (...) {
        }
        FreeRecords();
        throw;
    }
    state_ = dsInactive;
    SetState(dsBrowse);
    Fire(AfterOpen);
    if (!IsEmpty())
        Fire(AfterScroll);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    Fire(BeforeClose);
    SetState(dsInactive);
    modified_ = false;
    InternalClose();
    FreeRecords();
    Fire(AfterClose);
}

void TDataSet::InternalRefresh()
{
    InternalClose();
    FreeRecords();
    InternalOpen();
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    if (streaming_)
        throw EDatabaseError(QStringLiteral("Refresh non consentito sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeRefresh);
    const QList<TField *> keys = KeyFieldList();
    QVariantList keyValues;
    for (TField *k : keys)
        keyValues << k->Value();
    const int oldRecNo = cursor_;
    InternalRefresh();
    state_ = dsBrowse;
    SortRecords();
    RebuildView();
    int pos = -1;
    if (!keys.isEmpty() && oldRecNo >= 0) {
        try {
            pos = SearchView(keys, NormaliseKeyValues(keys, QVariant(keyValues)), 0);
        } catch (const Exception &) {
            pos = -1;
        }
    }
    if (pos < 0 && !view_.empty())
        pos = std::clamp(oldRecNo, 0, int(view_.size()) - 1);
    SetCurrent(pos);
    bof_ = eof_ = view_.empty();
    DataEvent(deDataSetChange);
    Fire(AfterRefresh);
}

// ---- view

bool TDataSet::AcceptsActive()
{
    if (rangeActive_) {
        if (rangeNone_)
            return false;
        QByteArray key;
        for (TField *f : rangeFields_)
            AppendKey(key, f, GetFieldValue(f), false);
        if (key != rangeKey_)
            return false;
    }
    if (!filtered_)
        return true;
    bool accept = true;
    if (filter_)
        accept = filter_->Matches();
    if (accept && OnFilterRecord)
        OnFilterRecord(this, accept);
    return accept;
}

bool TDataSet::Accepts(Record *record)
{
    if (!rangeActive_ && !filtered_)
        return true;
    temp_.rec = record;
    temp_.useVals = false;
    temp_.vals.clear();
    temp_.calcValid = false;
    tempVersion_ = version_;
    Restore<Buffer *> guard(active_, &temp_);
    return AcceptsActive();
}

void TDataSet::ComputeRange()
{
    rangeActive_ = false;
    rangeNone_ = false;
    rangeKey_.clear();
    rangeFields_.clear();
    if (!HasMasterLink())
        return;
    const QVariantList values = MasterLinkValues();
    if (values.isEmpty())
        return;
    rangeFields_ = DetailLinkFields();
    if (rangeFields_.size() != values.size())
        throw EDatabaseError(QStringLiteral("%1: campi del collegamento al principale non corrispondenti").arg(Name()));
    rangeActive_ = true;
    for (int i = 0; i < values.size(); ++i) {
        if (values[i].isNull() && !IsNumericType(rangeFields_[i]->type_) && !IsTextType(rangeFields_[i]->type_))
            rangeNone_ = true;
        AppendKey(rangeKey_, rangeFields_[i], CoerceLoaded(values[i], rangeFields_[i]->type_), false);
    }
}

void TDataSet::RebuildView()
{
    ComputeRange();
    view_.clear();
    if (!rangeActive_ && !filtered_) {
        view_ = records_;
    } else {
        view_.reserve(records_.size());
        for (Record *r : records_)
            if (Accepts(r))
                view_.push_back(r);
    }
    BumpVersion();
}

int TDataSet::CompareRecords(const Record *a, const Record *b) const
{
    for (TField *f : indexFields_) {
        QVariant va, vb;
        if (f->kind_ == fkData) {
            va = a->Get(f->slot_);
            vb = b->Get(f->slot_);
        } else {
            va = const_cast<TDataSet *>(this)->ValueOf(const_cast<Record *>(a), f);
            vb = const_cast<TDataSet *>(this)->ValueOf(const_cast<Record *>(b), f);
        }
        const int c = CompareFieldValues(va, vb, f->type_);
        if (c != 0)
            return c;
    }
    return 0;
}

void TDataSet::SortRecords()
{
    if (indexFields_.isEmpty() || records_.size() < 2)
        return;
    struct Keyed {
        QVector<QVariant> keys;
        Record *rec;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(records_.size());
    for (Record *r : records_) {
        Keyed k;
        k.rec = r;
        for (TField *f : indexFields_)
            k.keys << (f->kind_ == fkData ? r->Get(f->slot_) : ValueOf(r, f));
        keyed.push_back(std::move(k));
    }
    auto less = [this](const Keyed &a, const Keyed &b) {
        for (int i = 0; i < indexFields_.size(); ++i) {
            const int c = CompareFieldValues(a.keys[i], b.keys[i], indexFields_[i]->type_);
            if (c != 0)
                return c < 0;
        }
        return false;
    };
    if (std::is_sorted(keyed.begin(), keyed.end(), less))
        return;
    std::stable_sort(keyed.begin(), keyed.end(), less);
    for (size_t i = 0; i < keyed.size(); ++i)
        records_[i] = keyed[i].rec;
    BumpVersion();
}

int TDataSet::InsertPosition(const std::vector<Record *> &list, const Record *record) const
{
    // after the records that sort equal
    auto it = std::upper_bound(list.begin(), list.end(), record,
                               [this](const Record *a, const Record *b) { return CompareRecords(a, b) < 0; });
    return int(it - list.begin());
}

int TDataSet::PlaceRecord(Record *record, int viewHint, bool append)
{
    if (!indexFields_.isEmpty()) {
        records_.insert(records_.begin() + InsertPosition(records_, record), record);
        if (!Accepts(record))
            return -1;
        const int at = InsertPosition(view_, record);
        view_.insert(view_.begin() + at, record);
        return at;
    }
    if (append || viewHint >= int(view_.size())) {
        records_.push_back(record);
    } else {
        const Record *before = view_[size_t(viewHint)];
        size_t at = records_.size() == view_.size() && records_[size_t(viewHint)] == before
                        ? size_t(viewHint)
                        : size_t(std::find(records_.begin(), records_.end(), before) - records_.begin());
        records_.insert(records_.begin() + at, record);
    }
    if (!Accepts(record))
        return -1;
    const int at = std::clamp(append ? int(view_.size()) : viewHint, 0, int(view_.size()));
    view_.insert(view_.begin() + at, record);
    return at;
}

std::vector<Record *>::iterator TDataSet::FindInRecords(const Record *record, int viewIndex)
{
    if (viewIndex >= 0 && records_.size() == view_.size() && size_t(viewIndex) < records_.size()
        && records_[size_t(viewIndex)] == record)
        return records_.begin() + viewIndex;
    return std::find(records_.begin(), records_.end(), record);
}

int TDataSet::FindInView(quint64 id) const
{
    if (cursor_ >= 0 && cursor_ < int(view_.size()) && view_[size_t(cursor_)]->Id() == id)
        return cursor_;
    for (size_t i = 0; i < view_.size(); ++i)
        if (view_[i]->Id() == id)
            return int(i);
    return -1;
}

void TDataSet::SetCurrent(int cursor)
{
    if (cursor >= int(view_.size()))
        cursor = int(view_.size()) - 1;
    cursor_ = cursor;
    cur_.rec = cursor >= 0 ? view_[size_t(cursor)] : nullptr;
    cur_.useVals = false;
    cur_.vals.clear();
    cur_.calcValid = false;
    cur_.calc.clear();
    if (cur_.rec)
        ComputeCalc(cur_);
}

void TDataSet::Resync(bool keepPosition)
{
    const quint64 keep = (keepPosition && cur_.rec) ? cur_.rec->Id() : 0;
    SortRecords();
    RebuildView();
    int pos = keep ? FindInView(keep) : -1;
    if (pos < 0)
        pos = view_.empty() ? -1 : 0;
    SetCurrent(pos);
    bof_ = pos <= 0;
    eof_ = view_.empty();
    DataEvent(deDataSetChange);
}

void TDataSet::EvictRecords(const QList<quint64> &ids)
{
    if (ids.isEmpty())
        return;
    const quint64 keep = cur_.rec ? cur_.rec->Id() : 0;
    const int oldCursor = cursor_;
    auto evicted = [&](Record *r) { return ids.contains(r->Id()); };
    view_.erase(std::remove_if(view_.begin(), view_.end(), evicted), view_.end());
    std::vector<Record *> kept;
    kept.reserve(records_.size());
    for (Record *r : records_) {
        if (evicted(r)) {
            if (Record *o = originals_.take(r->Id()))
                Record::Destroy(o);
            Record::Destroy(r);
        } else {
            kept.push_back(r);
        }
    }
    records_.swap(kept);
    BumpVersion();
    if (state_ == dsInactive)
        return;
    const bool currentGone = keep && FindInView(keep) < 0;
    if (state_ == dsEdit && currentGone) {
        cur_.useVals = false;
        cur_.vals.clear();
        modified_ = false;
        state_ = dsBrowse;
        DataEvent(deUpdateState);
    }
    if (state_ == dsBrowse) {
        int pos = (keep && !currentGone) ? FindInView(keep) : -1;
        if (pos < 0 && !view_.empty())
            pos = std::clamp(oldCursor, 0, int(view_.size()) - 1);
        SetCurrent(pos);
    } else if (state_ == dsInsert) {
        insertPos_ = std::clamp(insertPos_, 0, int(view_.size()));
    } else {
        cursor_ = FindInView(keep);
    }
    if (view_.empty())
        bof_ = eof_ = true;
    DataEvent(deDataSetChange);
}

// ---- navigation

bool TDataSet::StreamAdvance()
{
    QVector<QVariant> values;
    for (;;) {
        if (streamEnd_ || !FetchNext(values)) {
            streamEnd_ = true;
            return false;
        }
        cur_.rec = nullptr;
        cur_.vals = values;
        cur_.useVals = true;
        cur_.calcValid = false;
        cur_.calc.clear();
        if (rangeActive_ || filtered_) {
            Restore<Buffer *> guard(active_, &cur_);
            if (!AcceptsActive())
                continue;
        }
        ++streamCount_;
        ComputeCalc(cur_);
        return true;
    }
}

void TDataSet::First()
{
    CheckBrowseMode();
    Fire(BeforeScroll);
    if (streaming_) {
        if (streamCount_ > 1 || streamEnd_) {
            FetchRestart();
            streamCount_ = 0;
            streamEnd_ = false;
            eof_ = !StreamAdvance();
        }
        bof_ = true;
    } else {
        SetCurrent(view_.empty() ? -1 : 0);
        bof_ = true;
        eof_ = view_.empty();
    }
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    if (streaming_)
        throw EDatabaseError(QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeScroll);
    SetCurrent(view_.empty() ? -1 : int(view_.size()) - 1);
    eof_ = true;
    bof_ = view_.empty();
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
}

void TDataSet::Next()
{
    MoveBy(1);
}

void TDataSet::Prior()
{
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_))
        return 0;
    if (streaming_ && distance < 0)
        throw EDatabaseError(QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeScroll);
    bof_ = false;
    eof_ = false;
    int moved = 0;
    if (streaming_) {
        while (moved < distance) {
            if (!StreamAdvance()) {
                eof_ = true;
                break;
            }
            ++moved;
        }
    } else {
        int target = cursor_ + distance;
        if (target >= int(view_.size())) {
            target = int(view_.size()) - 1;
            eof_ = true;
        }
        if (target < 0) {
            target = view_.empty() ? -1 : 0;
            bof_ = true;
        }
        moved = target - cursor_;
        if (moved != 0)
            SetCurrent(target);
    }
    if (moved != 0)
        DataEvent(deDataSetScroll);
    Fire(AfterScroll);
    return moved;
}

int TDataSet::RecNo() const
{
    if (state_ == dsInactive)
        return 0;
    if (streaming_)
        return streamCount_;
    if (state_ == dsInsert)
        return insertPos_ + 1;
    return cursor_ + 1;
}

void TDataSet::SetRecNo(int recNo)
{
    CheckBrowseMode();
    if (streaming_)
        throw EDatabaseError(QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    if (view_.empty())
        return;
    const int target = std::clamp(recNo - 1, 0, int(view_.size()) - 1);
    if (target == cursor_)
        return;
    Fire(BeforeScroll);
    SetCurrent(target);
    bof_ = eof_ = false;
    DataEvent(deDataSetScroll);
    Fire(AfterScroll);
}

int TDataSet::RecordCount() const
{
    if (state_ == dsInactive)
        return 0;
    if (streaming_)
        return streamCount_;
    return int(view_.size());
}

bool TDataSet::IsEmpty() const
{
    if (state_ == dsInactive)
        return true;
    if (state_ == dsInsert)
        return false;
    if (streaming_)
        return cur_.rec == nullptr && !cur_.useVals;
    return view_.empty();
}

// ---- editing

void TDataSet::InitNewRecord()
{
    cur_.rec = nullptr;
    cur_.useVals = true;
    cur_.vals = QVector<QVariant>(columns_.size());
    cur_.calc.clear();
    cur_.calcValid = false;
    for (TField *f : columns_)
        if (f->dict_ && f->dict_->defaultValue.isValid() && !f->dict_->autokey)
            cur_.vals[f->slot_] = CoerceLoaded(f->dict_->defaultValue, f->type_);
    InternalInitRecord(cur_.vals);
    // new records of a detail take the master's values
    if (HasMasterLink()) {
        const QVariantList values = MasterLinkValues();
        const QList<TField *> detail = DetailLinkFields();
        for (int i = 0; i < values.size() && i < detail.size(); ++i)
            if (detail[i]->kind_ == fkData)
                cur_.vals[detail[i]->slot_] = CoerceLoaded(values[i], detail[i]->type_);
    }
}

void TDataSet::BeginInsertAppend(bool append)
{
    CheckBrowseMode();
    CheckCanModifyNow();
    if (streaming_)
        throw EDatabaseError(QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    prevCursor_ = cursor_;
    appending_ = append;
    insertPos_ = append ? int(view_.size()) : std::max(cursor_, 0);
    InitNewRecord();
    state_ = dsInsert;
    ComputeCalc(cur_);
    DataEvent(deUpdateState);
    try {
        Fire(OnNewRecord);
    } catch (...) {
        state_ = dsBrowse;
        SetCurrent(prevCursor_);
        DataEvent(deUpdateState);
        throw;
    }
    modified_ = false;
    bof_ = eof_ = false;
    DataEvent(deDataSetChange);
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void TDataSet::Insert()
{
    BeginInsertAppend(false);
}

void TDataSet::Append()
{
    BeginInsertAppend(true);
}

void TDataSet::Edit()
{
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    CheckActive();
    if (IsEmpty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModifyNow();
    if (streaming_)
        throw EDatabaseError(QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeEdit);
    if (!cur_.rec)
        return;
    cur_.vals = CurrentValues();
    cur_.useVals = true;
    state_ = dsEdit;
    ComputeCalc(cur_);
    modified_ = false;
    DataEvent(deUpdateState);
    DataEvent(deRecordChange);
    Fire(AfterEdit);
}

void TDataSet::InternalPost(Record *, QVector<QVariant> &) {}

void TDataSet::InternalDelete(Record *) {}

void TDataSet::InternalInitRecord(QVector<QVariant> &) {}

bool TDataSet::LocateFetch(const QList<TField *> &, const QVariantList &, TLocateOptions)
{
    return false;
}

bool TDataSet::FetchNext(QVector<QVariant> &)
{
    return false;
}

void TDataSet::Post()
{
    CheckActive();
    UpdateRecord();
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforePost);
    if (state_ != dsEdit && state_ != dsInsert)
        return; // the handler finished the record itself
    for (TField *f : columns_) {
        if (f->required_ && f->type_ != ftAutoInc && !f->autoKey_
            && (f->slot_ >= cur_.vals.size() || cur_.vals[f->slot_].isNull()
                || (f->IsText() && cur_.vals[f->slot_].toString().isEmpty())))
            throw EDatabaseError(QStringLiteral("Il campo '%1' deve avere un valore").arg(f->DisplayLabel()));
    }
    const bool inserting = state_ == dsInsert;
    Record *old = inserting ? nullptr : cur_.rec;
    QVector<QVariant> values = cur_.vals;
    InternalPost(old, values);

    Record *fresh = Record::Create(inserting ? nextId_++ : old->Id(), values.constData(), int(values.size()));
    if (CachedUpdatesActive()) {
        if (inserting || old->ChangeStatus() == Record::Inserted) {
            fresh->SetChangeStatus(Record::Inserted);
        } else {
            fresh->SetChangeStatus(Record::Modified);
            if (!originals_.contains(old->Id())) {
                originals_.insert(old->Id(), old);
                old = nullptr; // kept as the original image
            }
        }
    }
    int viewPos = -1;
    const quint64 before = version_;
    QList<QByteArray> oldKeys;
    bool patchable = indexFields_.isEmpty();
    if (inserting) {
        viewPos = PlaceRecord(fresh, insertPos_, appending_);
        patchable = patchable && viewPos >= 0 && viewPos == int(view_.size()) - 1;
        if (viewPos < 0)
            viewPos = insertPos_;
    } else {
        if (patchable && !indexes_.empty())
            oldKeys = IndexKeysOf(cur_.rec);
        const int oldView = FindInView(fresh->Id());
        auto rit = FindInRecords(cur_.rec, oldView);
        if (!indexFields_.isEmpty()) {
            if (rit != records_.end())
                records_.erase(rit);
            if (oldView >= 0)
                view_.erase(view_.begin() + oldView);
            viewPos = PlaceRecord(fresh, oldView, false);
        } else {
            // the record stays where it was, unless the filter now hides it
            if (rit != records_.end())
                *rit = fresh;
            else
                records_.push_back(fresh);
            viewPos = -1;
            if (oldView >= 0) {
                view_[size_t(oldView)] = fresh;
                viewPos = oldView;
                if (!Accepts(fresh)) {
                    view_.erase(view_.begin() + oldView);
                    viewPos = -1;
                }
            }
        }
        patchable = patchable && viewPos >= 0;
        if (viewPos < 0)
            viewPos = std::max(oldView, 0);
        if (old)
            Record::Destroy(old);
        if (temp_.rec == cur_.rec)
            temp_.rec = nullptr;
    }
    BumpVersion();
    if (patchable && !indexes_.empty())
        PatchIndexes(oldKeys, fresh, viewPos, before);
    cur_.useVals = false;
    cur_.vals.clear();
    modified_ = false;
    SetCurrent(view_.empty() ? -1 : std::min(viewPos, int(view_.size()) - 1));
    bof_ = eof_ = view_.empty();
    state_ = dsBrowse;
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
    Fire(AfterPost);
}

void TDataSet::Cancel()
{
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforeCancel);
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    const bool wasInsert = state_ == dsInsert;
    modified_ = false;
    state_ = dsBrowse;
    if (wasInsert) {
        const int back = appending_ ? int(view_.size()) - 1 : prevCursor_;
        SetCurrent(view_.empty() ? -1 : std::clamp(back, 0, int(view_.size()) - 1));
    } else {
        SetCurrent(cursor_);
    }
    bof_ = eof_ = view_.empty();
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
    Fire(AfterCancel);
}

void TDataSet::Delete()
{
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty() || !cur_.rec)
        throw EDatabaseError(QStringLiteral("Impossibile eliminare: il dataset '%1' è vuoto").arg(Name()));
    CheckCanModifyNow();
    DataEvent(deCheckBrowseMode);
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    Record *rec = cur_.rec;
    if (!rec)
        return;
    InternalDelete(rec);
    const int pos = FindInView(rec->Id());
    auto rit = FindInRecords(rec, pos);
    if (rit != records_.end())
        records_.erase(rit);
    if (pos >= 0)
        view_.erase(view_.begin() + pos);
    if (CachedUpdatesActive() && rec->ChangeStatus() != Record::Inserted) {
        Record *original = originals_.take(rec->Id());
        if (original) {
            Record::Destroy(rec);
            deleted_.push_back(original);
        } else {
            deleted_.push_back(rec);
        }
    } else {
        if (Record *o = originals_.take(rec->Id()))
            Record::Destroy(o);
        Record::Destroy(rec);
    }
    BumpVersion();
    cur_.useVals = false;
    cur_.vals.clear();
    modified_ = false;
    int next = pos < 0 ? cursor_ : pos;
    bool wasLast = next >= int(view_.size());
    SetCurrent(view_.empty() ? -1 : std::min(next, int(view_.size()) - 1));
    state_ = dsBrowse;
    bof_ = view_.empty();
    eof_ = view_.empty() || wasLast;
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
    Fire(AfterDelete);
    Fire(AfterScroll);
}

// ---- bookmarks

TBookmark TDataSet::GetBookmark() const
{
    TBookmark b;
    if (Active() && cur_.rec)
        b.id = cur_.rec->Id();
    return b;
}

bool TDataSet::BookmarkValid(const TBookmark &bookmark) const
{
    return Active() && !bookmark.IsNull() && FindInView(bookmark.id) >= 0;
}

void TDataSet::GotoBookmark(const TBookmark &bookmark)
{
    CheckBrowseMode();
    const int pos = bookmark.IsNull() ? -1 : FindInView(bookmark.id);
    if (pos < 0)
        throw EDatabaseError(QStringLiteral("Record non trovato in '%1'").arg(Name()));
    Fire(BeforeScroll);
    SetCurrent(pos);
    bof_ = eof_ = false;
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
}

// ---- search

QVariantList TDataSet::NormaliseKeyValues(const QList<TField *> &fields, const QVariant &keyValues) const
{
    QVariantList values;
    const int id = keyValues.metaType().id();
    if (id == QMetaType::QVariantList || id == QMetaType::QStringList)
        values = keyValues.toList();
    else
        values << keyValues;
    if (values.size() != fields.size())
        throw EDatabaseError(QStringLiteral("%1: %2 valori per %3 campi di ricerca")
                                 .arg(Name())
                                 .arg(values.size())
                                 .arg(fields.size()));
    for (int i = 0; i < values.size(); ++i)
        values[i] = Coerce(values[i], fields[i]->type_); // throws for a value the field cannot hold
    return values;
}

QByteArray TDataSet::KeyOf(const QList<TField *> &fields, const QVariantList &values, bool caseInsensitive) const
{
    QByteArray key;
    for (int i = 0; i < fields.size(); ++i)
        AppendKey(key, fields[i], values[i], caseInsensitive);
    return key;
}

QByteArray TDataSet::RecordKey(Record *record, const QList<TField *> &fields, bool caseInsensitive)
{
    QByteArray key;
    for (TField *f : fields)
        AppendKey(key, f, ValueOf(record, f), caseInsensitive);
    return key;
}

int TDataSet::SearchView(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options)
{
    const bool ci = options & loCaseInsensitive;
    if (options & loPartialKey) {
        for (size_t i = 0; i < view_.size(); ++i) {
            bool match = true;
            for (int k = 0; k < fields.size() && match; ++k) {
                const QVariant v = ValueOf(view_[i], fields[k]);
                if (fields[k]->IsText() || (fields[k]->type_ == ftUnknown && values[k].metaType().id() == QMetaType::QString)) {
                    const QString s = v.isNull() ? QString() : v.toString();
                    match = s.startsWith(values[k].toString(), ci ? Qt::CaseInsensitive : Qt::CaseSensitive);
                } else {
                    QByteArray a, b;
                    AppendKey(a, fields[k], v, ci);
                    AppendKey(b, fields[k], values[k], ci);
                    match = a == b;
                }
            }
            if (match)
                return int(i);
        }
        return -1;
    }
    const QByteArray key = KeyOf(fields, values, ci);
    if (view_.size() < 24) {
        for (size_t i = 0; i < view_.size(); ++i)
            if (RecordKey(view_[i], fields, ci) == key)
                return int(i);
        return -1;
    }
    KeyIndex *index = nullptr;
    for (KeyIndex &k : indexes_)
        if (k.fieldList == fields && k.caseInsensitive == ci)
            index = &k;
    if (!index) {
        if (indexes_.size() >= 4)
            indexes_.erase(indexes_.begin());
        indexes_.push_back(KeyIndex());
        index = &indexes_.back();
        index->fieldList = fields;
        index->caseInsensitive = ci;
        index->version = version_ - 1;
    }
    if (index->version != version_) {
        index->positions.clear();
        index->positions.reserve(qsizetype(view_.size()));
        for (size_t i = view_.size(); i-- > 0;)
            index->positions.insert(RecordKey(view_[i], fields, ci), int(i)); // the first wins
        index->version = version_;
    }
    return index->positions.value(key, -1);
}

Record *TDataSet::FindHeldRecord(const QList<TField *> &fields, const QVariantList &values)
{
    if (view_.size() != records_.size()) {
        const QByteArray key = KeyOf(fields, values, false);
        for (Record *r : records_)
            if (RecordKey(r, fields, false) == key)
                return r;
        return nullptr;
    }
    // an index on the same fields in another order serves as well
    QList<TField *> searched = fields;
    QVariantList ordered = values;
    for (const KeyIndex &k : indexes_) {
        if (k.caseInsensitive || k.fieldList.size() != fields.size()
            || !std::is_permutation(fields.cbegin(), fields.cend(), k.fieldList.cbegin()))
            continue;
        searched = k.fieldList;
        ordered.clear();
        for (TField *f : searched)
            ordered << values.value(fields.indexOf(f));
        break;
    }
    const int pos = SearchView(searched, ordered, 0);
    return pos < 0 ? nullptr : view_[size_t(pos)];
}

bool TDataSet::Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    if (streaming_)
        throw EDatabaseError(QStringLiteral("Locate non consentito sul dataset '%1' in sola lettura in avanti").arg(Name()));
    const QList<TField *> fields = GetFieldList(keyFields);
    if (fields.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: nessun campo di ricerca").arg(Name()));
    QVariantList values;
    try {
        values = NormaliseKeyValues(fields, keyValues);
    } catch (const EDatabaseError &) {
        throw;
    } catch (const Exception &) {
        return false; // a value no record can hold
    }
    int pos = SearchView(fields, values, options);
    if (pos < 0 && LocateFetch(fields, values, options))
        pos = SearchView(fields, values, options);
    if (pos < 0)
        return false;
    Fire(BeforeScroll);
    SetCurrent(pos);
    bof_ = eof_ = false;
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
    return true;
}

QVariant TDataSet::Lookup(const QString &keyFields, const QVariant &keyValues, const QString &resultFields)
{
    if (!Active() || streaming_)
        return QVariant();
    const QList<TField *> fields = GetFieldList(keyFields);
    QVariantList values;
    try {
        values = NormaliseKeyValues(fields, keyValues);
    } catch (const EDatabaseError &) {
        throw;
    } catch (const Exception &) {
        return QVariant();
    }
    const int pos = SearchView(fields, values, 0);
    if (pos < 0)
        return QVariant();
    const QList<TField *> results = GetFieldList(resultFields);
    Record *r = view_[size_t(pos)];
    if (results.size() == 1)
        return ValueOf(r, results[0]);
    QVariantList out;
    for (TField *f : results)
        out << ValueOf(r, f);
    return out;
}

QList<QByteArray> TDataSet::IndexKeysOf(Record *record)
{
    QList<QByteArray> keys;
    for (KeyIndex &k : indexes_)
        keys << (k.version == version_ ? RecordKey(record, k.fieldList, k.caseInsensitive) : QByteArray());
    return keys;
}

void TDataSet::PatchIndexes(const QList<QByteArray> &oldKeys, Record *record, int position, quint64 before)
{
    for (int i = 0; i < int(indexes_.size()); ++i) {
        KeyIndex &k = indexes_[size_t(i)];
        if (k.version != before || position < 0 || position >= int(view_.size()) || view_[size_t(position)] != record)
            continue;
        const QByteArray key = RecordKey(record, k.fieldList, k.caseInsensitive);
        const bool appended = oldKeys.isEmpty() && position == int(view_.size()) - 1;
        if (!appended) {
            if (i >= oldKeys.size())
                continue;
            const QByteArray &old = oldKeys[i];
            if (old != key && k.positions.value(old, -1) == position)
                continue; // another record may hold the old key: rebuilt when next used
        }
        const int at = k.positions.value(key, -1);
        if (at < 0 || at > position)
            k.positions.insert(key, position);
        k.version = version_;
    }
}

// ---- filter and order

void TDataSet::CompileFilter()
{
    if (filterText_.trimmed().isEmpty()) {
        filter_.reset();
        return;
    }
    filter_ = std::make_unique<DataFilter>(
        filterText_, [this](const QString &n) { return FindField(n); }, filterOptions_);
}

void TDataSet::SetFilter(const QString &filter)
{
    if (filter == filterText_)
        return;
    if (Active() && filtered_) {
        CheckBrowseMode();
        const QString old = filterText_;
        filterText_ = filter;
        try {
            CompileFilter();
        } catch (...) {
            filterText_ = old;
            CompileFilter();
            throw;
        }
        Resync(false);
        Fire(AfterScroll);
        return;
    }
    filterText_ = filter;
    if (Active())
        CompileFilter();
}

void TDataSet::SetFiltered(bool filtered)
{
    if (filtered == filtered_)
        return;
    if (!Active()) {
        filtered_ = filtered;
        return;
    }
    CheckBrowseMode();
    if (filtered)
        CompileFilter();
    filtered_ = filtered;
    if (streaming_) {
        First();
        return;
    }
    Fire(BeforeScroll);
    Resync(false);
    Fire(AfterScroll);
}

void TDataSet::SetFilterOptions(TFilterOptions options)
{
    if (options == filterOptions_)
        return;
    filterOptions_ = options;
    if (Active()) {
        CompileFilter();
        if (filtered_)
            Resync(false);
    }
}

void TDataSet::SetIndexFieldNames(const QString &names)
{
    if (names == indexFieldNames_)
        return;
    if (!Active()) {
        indexFieldNames_ = names;
        return;
    }
    QList<TField *> fields;
    for (const QString &n : SplitNames(names))
        fields << FieldByName(n);
    CheckBrowseMode();
    indexFieldNames_ = names;
    indexFields_ = fields;
    Resync(true);
}

// ---- master/detail

TDataSource *TDataSet::MasterSource() const
{
    return masterLink_ ? masterLink_->DataSource() : nullptr;
}

void TDataSet::SetMasterSource(TDataSource *source)
{
    if (source && source->DataSet() == this)
        throw EDatabaseError(QStringLiteral("%1: un dataset non può essere il principale di sé stesso").arg(Name()));
    if (!masterLink_)
        masterLink_ = std::make_unique<MasterLink>(this);
    if (masterLink_->DataSource() == source)
        return;
    masterLink_->SetDataSource(source);
    MasterDataChanged();
}

void TDataSet::SetMasterFields(const QString &fields)
{
    if (fields == masterFields_)
        return;
    masterFields_ = fields;
    MasterDataChanged();
}

void TDataSet::SetDetailFields(const QString &fields)
{
    if (fields == detailFields_)
        return;
    detailFields_ = fields;
    MasterDataChanged();
}

bool TDataSet::HasMasterLink() const
{
    return masterLink_ && masterLink_->DataSource() && !SplitNames(masterFields_).isEmpty();
}

QList<TField *> TDataSet::DetailLinkFields() const
{
    const QStringList master = SplitNames(masterFields_);
    if (!detailFields_.trimmed().isEmpty())
        return GetFieldList(detailFields_);
    QList<TField *> out;
    const QStringList index = SplitNames(indexFieldNames_);
    for (int i = 0; i < master.size(); ++i) {
        TField *f = FindField(master[i]);
        if (!f && i < index.size())
            f = FindField(index[i]);
        if (!f)
            throw EDatabaseError(QStringLiteral("%1: campo di collegamento '%2' non trovato").arg(Name(), master[i]));
        out << f;
    }
    return out;
}

QVariantList TDataSet::MasterLinkValues() const
{
    if (!HasMasterLink())
        return {};
    TDataSet *master = masterLink_->DataSet();
    if (!master || !masterLink_->Active() || !master->Active())
        return {};
    QVariantList out;
    for (const QString &n : SplitNames(masterFields_))
        out << master->FieldByName(n)->Value();
    return out;
}

void TDataSet::MasterDataChanged()
{
    if (!Active() || inLayout_)
        return;
    MasterChanged();
}

void TDataSet::MasterChanged()
{
    if (!HasMasterLink() && !rangeActive_)
        return;
    // nothing to do when the link values did not change
    const bool wasActive = rangeActive_;
    const QByteArray oldKey = rangeKey_;
    const bool wasNone = rangeNone_;
    ComputeRange();
    if (wasActive == rangeActive_ && oldKey == rangeKey_ && wasNone == rangeNone_)
        return;
    CheckBrowseMode();
    Fire(BeforeScroll);
    Resync(false);
    Fire(AfterScroll);
}

// ---- rows for grids

int TDataSet::RowCount() const
{
    if (!Active())
        return 0;
    if (streaming_)
        return IsEmpty() ? 0 : 1;
    return int(view_.size()) + (state_ == dsInsert ? 1 : 0);
}

int TDataSet::ActiveRow() const
{
    if (!Active())
        return -1;
    if (streaming_)
        return IsEmpty() ? -1 : 0;
    if (state_ == dsInsert)
        return insertPos_;
    return cursor_;
}

QVariant TDataSet::ValueAt(int row, const TField *field)
{
    if (!Active() || !field || field->dataSet_ != this)
        return QVariant();
    if (row == ActiveRow())
        return GetFieldValue(field);
    if (streaming_)
        return QVariant();
    int index = row;
    if (state_ == dsInsert && row > insertPos_)
        --index;
    if (index < 0 || index >= int(view_.size()))
        return QVariant();
    return ValueOf(view_[size_t(index)], field);
}

QString TDataSet::DisplayTextAt(int row, const TField *field)
{
    if (!field)
        return QString();
    return field->FormatValue(ValueAt(row, field), true);
}

// ---- pending changes

int TDataSet::ChangeCount() const
{
    int n = int(deleted_.size());
    for (Record *r : records_)
        if (r->ChangeStatus() != Record::Unchanged)
            ++n;
    return n;
}

Record *TDataSet::OriginalOf(Record *record) const
{
    return originals_.value(record->Id(), record);
}

void TDataSet::CommitUpdates()
{
    for (Record *r : records_)
        r->SetChangeStatus(Record::Unchanged);
    for (Record *r : deleted_)
        Record::Destroy(r);
    deleted_.clear();
    for (Record *r : originals_)
        Record::Destroy(r);
    originals_.clear();
}

void TDataSet::CancelUpdates()
{
    if (!Active())
        return;
    if (state_ == dsEdit || state_ == dsInsert)
        Cancel();
    std::vector<Record *> kept;
    for (Record *r : records_) {
        if (r->ChangeStatus() == Record::Inserted) {
            Record::Destroy(r);
        } else if (r->ChangeStatus() == Record::Modified) {
            Record *o = originals_.take(r->Id());
            Record::Destroy(r);
            if (o) {
                o->SetChangeStatus(Record::Unchanged);
                kept.push_back(o);
            }
        } else {
            kept.push_back(r);
        }
    }
    for (Record *d : deleted_) {
        d->SetChangeStatus(Record::Unchanged);
        kept.push_back(d);
    }
    deleted_.clear();
    for (Record *o : originals_)
        Record::Destroy(o);
    originals_.clear();
    records_.swap(kept);
    cur_.rec = nullptr;
    Resync(false);
}
