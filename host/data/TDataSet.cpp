#include "host/data/TDataSet.h"

#include "host/data/DataFilter.h"
#include "host/data/DataRecord.h"
#include "host/data/LocateIndex.h"
#include "host/data/RecordStore.h"
#include "host/data/TDataSource.h"

#include <algorithm>
#include <atomic>
#include <utility>

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

// Restores the active record buffer when a scope ends.
template <typename T> class Restore {
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

TDataSet::TDataSet(QObject *owner)
    : QObject(owner), layout_(std::make_unique<LayoutIndex>()),
      store_(std::make_unique<RecordStore>([this](Record *r, const TField *f) { return ValueOf(r, f); },
                                           [this](Record *r) { return Accepts(r); })),
      indexes_(std::make_unique<LocateIndexes>([this](Record *r, const TField *f) { return ValueOf(r, f); }))
{
    NamesChanged();
}

void TDataSet::NamesChanged()
{
    static std::atomic<quint64> serial{0};
    namesSerial_ = ++serial;
    fieldLists_.clear();
    nameHits_.clear();
}

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
    store_->Free();
    cur_ = Buffer();
    temp_ = Buffer();
    active_ = &cur_;
    cursor_ = -1;
    bof_ = eof_ = true;
    indexes_->Clear();
}

void TDataSet::ClearRecords()
{
    FreeRecords();
}

void TDataSet::ReplaceValues(Record *record, const QVector<QVariant> &values)
{
    const bool current = cur_.rec == record;
    if (temp_.rec == record)
        temp_.rec = nullptr;
    Record *fresh = store_->Replace(record, values);
    if (current)
        cur_.rec = fresh;
}

bool TDataSet::WriteHeldInteger(Record *record, int column, qint64 value)
{
    if (!record->WriteInteger(column, value))
        return false;
    store_->BumpVersion();
    return true;
}

const std::vector<Record *> &TDataSet::AllRecords() const
{
    return store_->All();
}

const std::vector<Record *> &TDataSet::DeletedRecords() const
{
    return store_->Deleted();
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
    NamesChanged();
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
    constexpr int kBits = 8;
    if (nameHits_.empty())
        nameHits_.resize(size_t(1) << kBits);
    NameHit &hit = nameHits_[size_t((quint64(quintptr(name.constData())) * 0x9E3779B97F4A7C15ull) >> (64 - kBits))];
    if (hit.field && hit.name.constData() == name.constData() && hit.name.size() == name.size())
        return hit.field;
    TField *f = byName_.value(NameKey{name}, nullptr);
    if (!f) {
        const QString trimmed = name.trimmed();
        if (trimmed.size() == name.size())
            return nullptr;
        f = byName_.value(NameKey{trimmed}, nullptr);
    }
    if (f && !name.isEmpty()) {
        hit.name = name;
        hit.field = f;
    }
    return f;
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
            const bool taken = (!index.declared.isEmpty() && index.declared.contains(key)) || (first && first->bound_)
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
        NamesChanged();
    }
    QList<TField *> order;
    for (const QString &n : SplitNames(indexFieldNames_))
        order << FieldByName(n);
    store_->SetOrder(order);
    CompileFilter();
}

void TDataSet::ReserveColumns(int count)
{
    columns_.reserve(columns_.size() + count);
    layout_->spare.reserve(layout_->spare.size() + count);
}

void TDataSet::AddLoadedRecord(QVector<QVariant> &values)
{
    values.resize(columns_.size());
    for (int i = 0; i < values.size(); ++i)
        values[i] = CoerceLoaded(values[i], columns_[i]->type_);
    AddLoadedValues(values);
}

void TDataSet::AddLoadedValues(const QVector<QVariant> &values)
{
    store_->Load(store_->NewRecord(values));
}

Record *TDataSet::AddFetchedRecord(QVector<QVariant> &values)
{
    values.resize(columns_.size());
    Record *r = store_->NewRecord(values);
    const quint64 keep = cur_.rec ? cur_.rec->Id() : 0;
    const quint64 before = store_->Version();
    const int at = store_->Place(r, store_->ViewSize(), true);
    store_->BumpVersion();
    if (!store_->Ordered())
        indexes_->Patch({}, r, at, store_->View(), before, store_->Version());
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
    for (Record *r : source.store_->All()) {
        Record *c = r->Clone(store_->NextId());
        c->SetChangeStatus(Record::Unchanged);
        store_->Load(c);
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
        if (field->slot_ >= b->calc.size())
            return QVariant();
        if (size_t(field->slot_) < b->lookupDue.size() && b->lookupDue[size_t(field->slot_)]) {
            QList<TField *> busy;
            ComputeLookup(*b, const_cast<TField *>(field), busy);
        }
        return b->calc[field->slot_];
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
    if (temp_.rec != record || tempVersion_ != store_->Version() || !temp_.calcValid) {
        temp_.rec = record;
        temp_.useVals = false;
        temp_.vals.clear();
        temp_.calcValid = false;
        tempVersion_ = store_->Version();
    }
    Restore<Buffer *> guard(active_, &temp_);
    return GetFieldValue(field);
}

QVector<QVariant> TDataSet::CurrentValues() const
{
    if (cur_.useVals)
        return cur_.vals;
    if (!cur_.rec)
        return QVector<QVariant>(columns_.size());
    // each value made in its place, not made empty and then replaced
    QVector<QVariant> out;
    out.reserve(columns_.size());
    for (qsizetype i = 0; i < columns_.size(); ++i)
        out.append(cur_.rec->Get(int(i)));
    return out;
}

QVariantList TDataSet::RecordValues(const Record *record) const
{
    QVariantList out;
    for (int i = 0; i < record->Count(); ++i)
        out << record->Get(i);
    return out;
}

void TDataSet::SetFieldValue(TField *field, QVariant value)
{
    if (state_ == dsInactive)
        throw EDatabaseError(QStringLiteral("Il dataset '%1' è chiuso").arg(Name()));
    // a text longer than the field is cut to its size
    if ((field->type_ == ftString || field->type_ == ftFixedChar) && field->size_ > 0 && !value.isNull()) {
        if (value.metaType().id() == QMetaType::QString) {
            const QString &text = *static_cast<const QString *>(value.constData());
            if (text.size() > field->size_)
                value = QVariant(text.left(field->size_));
        } else if (const QString text = value.toString(); text.size() > field->size_) {
            value = QVariant(text.left(field->size_));
        }
    }
    if (field->kind_ != fkData) {
        Buffer *b = active_;
        // the others worked out first: a value set stays until the record changes
        if (!b->calcValid && state_ != dsCalcFields && calcDepth_ == 0)
            ComputeCalc(*b);
        if (b->calc.size() != calcFields_.size())
            b->calc.resize(calcFields_.size());
        if (size_t(field->slot_) < b->lookupDue.size())
            b->lookupDue[size_t(field->slot_)] = 0; // the value set stays
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
    cur_.vals[field->slot_] = std::move(value);
    modified_ = true;
    if (AutoCalcFields && !calcFields_.isEmpty())
        ComputeCalc(cur_);
    if (field->OnChange)
        field->OnChange(field);
    DataEvent(deFieldChange, field);
    // the datasets whose currency this field holds show their prices and values anew
    for (const QPointer<TDataSet> &dependent : std::as_const(currencyDependents_))
        if (dependent && dependent->currencyOwner_ == this
            && dependent->currencyField_.compare(field->FieldName(), Qt::CaseInsensitive) == 0)
            dependent->DataEvent(deDataSetChange);
}

void TDataSet::ComputeCalc(Buffer &buffer)
{
    if (calcFields_.isEmpty()) {
        buffer.calcValid = true;
        return;
    }
    buffer.calc = QVector<QVariant>(calcFields_.size());
    buffer.calcValid = true;
    buffer.lookupDue.clear();
    if (!buffer.rec && !buffer.useVals)
        return;
    // lookups are read when a field is read (OnCalcFields included)
    buffer.lookupDue.assign(size_t(calcFields_.size()), 0);
    for (TField *f : calcFields_)
        if (f->kind_ == fkLookup)
            buffer.lookupDue[size_t(f->slot_)] = 1;
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
    buffer.lookupDue[size_t(field->slot_)] = 0;
    Restore<Buffer *> activeGuard(active_, &buffer);
    const QStringList keyNames = SplitNames(field->keyFields_);
    QVariantList keys;
    for (const QString &k : keyNames) {
        TField *kf = FindField(k);
        if (!kf) {
            buffer.calc[field->slot_] = QVariant();
            return;
        }
        if (kf->kind_ == fkLookup && size_t(kf->slot_) < buffer.lookupDue.size() && buffer.lookupDue[size_t(kf->slot_)])
            ComputeLookup(buffer, kf, busy); // chained lookup: its key first
        keys << GetFieldValue(kf);
    }
    TDataSet *lookup = field->lookupDataSet_;
    QVariant result;
    if (lookup && lookup != this && lookup->Active())
        result =
            lookup->Lookup(field->lookupKeyFields_, keys.size() == 1 ? keys[0] : QVariant(keys), field->lookupResult_);
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
    if (disableCount_ == 0 && sources_.isEmpty())
        return;
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
            store_->Sort();
            RebuildView();
            SetCurrent(store_->View().empty() ? -1 : 0);
            bof_ = true;
            eof_ = store_->View().empty();
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
        throw EDatabaseError(
            QStringLiteral("Refresh non consentito sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeRefresh);
    const QList<TField *> keys = KeyFieldList();
    QVariantList keyValues;
    for (TField *k : keys)
        keyValues << k->Value();
    const int oldRecNo = cursor_;
    InternalRefresh();
    state_ = dsBrowse;
    store_->Sort();
    RebuildView();
    int pos = -1;
    if (!keys.isEmpty() && oldRecNo >= 0) {
        try {
            pos = SearchView(keys, NormaliseKeyValues(keys, QVariant(keyValues)), 0);
        } catch (const Exception &) {
            pos = -1;
        }
    }
    if (pos < 0 && !store_->View().empty())
        pos = std::clamp(oldRecNo, 0, store_->ViewSize() - 1);
    SetCurrent(pos);
    bof_ = eof_ = store_->View().empty();
    DataEvent(deDataSetChange);
    Fire(AfterRefresh);
}

// ---- view

bool TDataSet::AcceptsActive()
{
    if (!store_->Range().Admits([this](const TField *f) { return GetFieldValue(f); }))
        return false;
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
    if (!store_->Range().active && !filtered_)
        return true;
    temp_.rec = record;
    temp_.useVals = false;
    temp_.vals.clear();
    temp_.calcValid = false;
    tempVersion_ = store_->Version();
    Restore<Buffer *> guard(active_, &temp_);
    return AcceptsActive();
}

void TDataSet::ComputeRange()
{
    MasterRange &range = store_->Range();
    range.Clear();
    if (!HasMasterLink())
        return;
    const QVariantList values = MasterLinkValues();
    if (values.isEmpty())
        return;
    const QList<TField *> fields = DetailLinkFields();
    if (fields.size() != values.size())
        throw EDatabaseError(QStringLiteral("%1: campi del collegamento al principale non corrispondenti").arg(Name()));
    range.Set(fields, values);
}

void TDataSet::RebuildView()
{
    ComputeRange();
    store_->RebuildView(!store_->Range().active && !filtered_);
}

int TDataSet::FindInView(quint64 id) const
{
    return store_->FindInView(id, cursor_);
}

void TDataSet::SetCurrent(int cursor)
{
    if (cursor >= store_->ViewSize())
        cursor = store_->ViewSize() - 1;
    cursor_ = cursor;
    cur_.rec = cursor >= 0 ? store_->ViewAt(cursor) : nullptr;
    cur_.useVals = false;
    cur_.vals.clear();
    cur_.calcValid = false;
    cur_.calc.clear();
    if (cur_.rec && CalcFieldsOnScroll)
        ComputeCalc(cur_);
}

void TDataSet::Resync(bool keepPosition)
{
    const quint64 keep = (keepPosition && cur_.rec) ? cur_.rec->Id() : 0;
    store_->Sort();
    RebuildView();
    int pos = keep ? FindInView(keep) : -1;
    if (pos < 0)
        pos = store_->View().empty() ? -1 : 0;
    SetCurrent(pos);
    bof_ = pos <= 0;
    eof_ = store_->View().empty();
    DataEvent(deDataSetChange);
}

void TDataSet::EvictRecords(const QList<quint64> &ids)
{
    if (ids.isEmpty())
        return;
    const quint64 keep = cur_.rec ? cur_.rec->Id() : 0;
    const int oldCursor = cursor_;
    store_->Evict(ids);
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
        if (pos < 0 && !store_->View().empty())
            pos = std::clamp(oldCursor, 0, store_->ViewSize() - 1);
        SetCurrent(pos);
    } else if (state_ == dsInsert) {
        insertPos_ = std::clamp(insertPos_, 0, store_->ViewSize());
    } else {
        cursor_ = FindInView(keep);
    }
    if (store_->View().empty())
        bof_ = eof_ = true;
    DataEvent(deDataSetChange);
}

// ---- navigation

bool TDataSet::StreamAdvance()
{
    for (;;) {
        if (streamEnd_ || !FetchNext(streamRow_)) {
            streamEnd_ = true;
            return false;
        }
        cur_.rec = nullptr;
        cur_.vals.swap(streamRow_);
        cur_.useVals = true;
        cur_.calcValid = false;
        cur_.calc.clear();
        if (store_->Range().active || filtered_) {
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
        SetCurrent(store_->View().empty() ? -1 : 0);
        bof_ = true;
        eof_ = store_->View().empty();
    }
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    if (streaming_)
        throw EDatabaseError(
            QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeScroll);
    SetCurrent(store_->View().empty() ? -1 : store_->ViewSize() - 1);
    eof_ = true;
    bof_ = store_->View().empty();
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
        throw EDatabaseError(
            QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
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
        if (target >= store_->ViewSize()) {
            target = store_->ViewSize() - 1;
            eof_ = true;
        }
        if (target < 0) {
            target = store_->View().empty() ? -1 : 0;
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
        throw EDatabaseError(
            QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    if (store_->View().empty())
        return;
    const int target = std::clamp(recNo - 1, 0, store_->ViewSize() - 1);
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
    return store_->ViewSize();
}

bool TDataSet::IsEmpty() const
{
    if (state_ == dsInactive)
        return true;
    if (state_ == dsInsert)
        return false;
    if (streaming_)
        return cur_.rec == nullptr && !cur_.useVals;
    return store_->View().empty();
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
        throw EDatabaseError(
            QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    prevCursor_ = cursor_;
    appending_ = append;
    insertPos_ = append ? store_->ViewSize() : std::max(cursor_, 0);
    InitNewRecord();
    state_ = dsInsert;
    ++insertSerial_;
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
        throw EDatabaseError(
            QStringLiteral("Operazione non consentita sul dataset '%1' in sola lettura in avanti").arg(Name()));
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

    Record *fresh =
        inserting ? store_->NewRecord(values) : Record::Create(old->Id(), values.constData(), int(values.size()));
    if (CachedUpdatesActive()) {
        if (inserting || old->ChangeStatus() == Record::Inserted) {
            fresh->SetChangeStatus(Record::Inserted);
        } else {
            fresh->SetChangeStatus(Record::Modified);
            if (store_->KeepOriginal(old))
                old = nullptr; // kept as the original image
        }
    }
    int viewPos = -1;
    const quint64 before = store_->Version();
    QList<QByteArray> oldKeys;
    bool patchable = !store_->Ordered();
    if (inserting) {
        viewPos = store_->Place(fresh, insertPos_, appending_);
        patchable = viewPos >= 0; // in order or not, the index takes it where it stands
        if (viewPos < 0)
            viewPos = insertPos_;
    } else {
        if (patchable && !indexes_->Empty())
            oldKeys = indexes_->KeysOf(cur_.rec, before);
        const int oldView = FindInView(fresh->Id());
        viewPos = store_->Update(cur_.rec, fresh, oldView);
        patchable = patchable && viewPos >= 0;
        if (viewPos < 0)
            viewPos = std::max(oldView, 0);
        if (old)
            Record::Destroy(old);
        if (temp_.rec == cur_.rec)
            temp_.rec = nullptr;
    }
    store_->BumpVersion();
    if (patchable && !indexes_->Empty())
        indexes_->Patch(oldKeys, fresh, viewPos, store_->View(), before, store_->Version());
    cur_.useVals = false;
    cur_.vals.clear();
    modified_ = false;
    SetCurrent(store_->View().empty() ? -1 : std::min(viewPos, store_->ViewSize() - 1));
    bof_ = eof_ = store_->View().empty();
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
        const int back = appending_ ? store_->ViewSize() - 1 : prevCursor_;
        SetCurrent(store_->View().empty() ? -1 : std::clamp(back, 0, store_->ViewSize() - 1));
    } else {
        SetCurrent(cursor_);
    }
    bof_ = eof_ = store_->View().empty();
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
    const quint64 before = store_->Version();
    QList<QByteArray> oldKeys;
    if (pos >= 0 && !indexes_->Empty())
        oldKeys = indexes_->KeysOf(rec, before);
    store_->Remove(rec, pos);
    store_->Drop(rec, CachedUpdatesActive());
    store_->BumpVersion();
    if (!oldKeys.isEmpty())
        indexes_->Removed(oldKeys, pos, before, store_->Version());
    cur_.useVals = false;
    cur_.vals.clear();
    modified_ = false;
    int next = pos < 0 ? cursor_ : pos;
    bool wasLast = next >= store_->ViewSize();
    SetCurrent(store_->View().empty() ? -1 : std::min(next, store_->ViewSize() - 1));
    state_ = dsBrowse;
    bof_ = store_->View().empty();
    eof_ = store_->View().empty() || wasLast;
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
        throw EDatabaseError(
            QStringLiteral("%1: %2 valori per %3 campi di ricerca").arg(Name()).arg(values.size()).arg(fields.size()));
    for (int i = 0; i < values.size(); ++i)
        values[i] = Coerce(values[i], fields[i]->type_); // throws for a value the field cannot hold
    return values;
}

int TDataSet::SearchView(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options)
{
    const bool ci = options & loCaseInsensitive;
    if (options & loPartialKey)
        return indexes_->FindPartial(store_->View(), fields, values, ci);
    return indexes_->Find(store_->View(), store_->Version(), fields, ValuesKey(fields, values, ci), ci);
}

Record *TDataSet::FindHeldRecord(const QList<TField *> &fields, const QVariantList &values, int *viewPos)
{
    if (viewPos)
        *viewPos = -1;
    if (store_->All().empty())
        return nullptr;
    if (!store_->EveryRecordVisible()) {
        const QByteArray key = ValuesKey(fields, values, false);
        for (Record *r : store_->All())
            if (indexes_->RecordKey(r, fields, false) == key)
                return r;
        return nullptr;
    }
    // an index on the same fields in another order serves as well
    const QList<TField *> searched = indexes_->IndexedOrder(fields);
    int pos = -1;
    if (searched == fields) {
        pos = SearchView(fields, values, 0);
    } else {
        QVariantList ordered;
        for (TField *f : searched)
            ordered << values.value(fields.indexOf(f));
        pos = SearchView(searched, ordered, 0);
    }
    if (pos < 0)
        return nullptr;
    if (viewPos && !streaming_)
        *viewPos = pos;
    return store_->ViewAt(pos);
}

template <typename ValueOfColumn>
QByteArray TDataSet::KeyOfColumns(const QList<TField *> &fields, ValueOfColumn valueAt) const
{
    QByteArray key;
    key.reserve(16 * (fields.isEmpty() ? columns_.size() : fields.size()));
    for (TField *f : fields.isEmpty() ? columns_ : fields) {
        const int column = f->kind_ == fkData ? f->slot_ : -1;
        AppendKey(key, f, CoerceLoaded(valueAt(column), f->type_), false);
    }
    return key;
}

QByteArray TDataSet::RowKey(const QVector<QVariant> &values, const QList<TField *> &fields) const
{
    return KeyOfColumns(fields, [&values](int column) { return values.value(column); });
}

QByteArray TDataSet::RowKey(const Record *record, const QList<TField *> &fields) const
{
    return KeyOfColumns(fields, [record](int column) { return record->Get(column); });
}

bool TDataSet::Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    if (streaming_)
        throw EDatabaseError(
            QStringLiteral("Locate non consentito sul dataset '%1' in sola lettura in avanti").arg(Name()));
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
    if (pos < 0 && !(options & loHeldOnly) && LocateFetch(fields, values, options))
        pos = SearchView(fields, values, options);
    if (pos < 0)
        return false;
    ScrollTo(pos);
    return true;
}

void TDataSet::ScrollTo(int viewPos)
{
    Fire(BeforeScroll);
    SetCurrent(viewPos);
    bof_ = eof_ = false;
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
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
    Record *r = store_->ViewAt(pos);
    if (results.size() == 1)
        return ValueOf(r, results[0]);
    QVariantList out;
    for (TField *f : results)
        out << ValueOf(r, f);
    return out;
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
    store_->SetOrder(fields);
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
    if (!HasMasterLink() && !store_->Range().active)
        return;
    // nothing to do when the link values did not change
    const MasterRange before = store_->Range();
    ComputeRange();
    if (before.SameAs(store_->Range()))
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
    return store_->ViewSize() + (state_ == dsInsert ? 1 : 0);
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
    if (index < 0 || index >= store_->ViewSize())
        return QVariant();
    return ValueOf(store_->ViewAt(index), field);
}

QString TDataSet::DisplayTextAt(int row, const TField *field)
{
    if (!field)
        return QString();
    return field->FormatValue(ValueAt(row, field), true, row);
}

void TDataSet::SetCurrencyField(TDataSet *owner, const QString &fieldName)
{
    currencyOwner_ = owner == this ? nullptr : owner;
    currencyField_ = fieldName;
    if (currencyOwner_ && !currencyOwner_->currencyDependents_.contains(this))
        currencyOwner_->currencyDependents_.append(this);
}

QString TDataSet::CurrencyOfRow(int row)
{
    static const QString ownField = QStringLiteral("IdDivisa");
    TDataSet *owner = currencyOwner_ ? currencyOwner_.data() : this;
    const QString &name = currencyField_.isEmpty() ? ownField : currencyField_;
    TField *field = owner->Active() ? owner->FindField(name) : nullptr;
    if (!field)
        return QString();
    if (owner != this || row < 0)
        return field->AsString().trimmed();
    return ValueAt(row, field).toString().trimmed();
}

// ---- pending changes

int TDataSet::ChangeCount() const
{
    return store_->ChangeCount();
}

Record *TDataSet::OriginalOf(Record *record) const
{
    return store_->OriginalOf(record);
}

void TDataSet::CommitUpdates()
{
    store_->CommitChanges();
}

void TDataSet::CancelUpdates()
{
    if (!Active())
        return;
    if (state_ == dsEdit || state_ == dsInsert)
        Cancel();
    store_->CancelChanges();
    cur_.rec = nullptr;
    Resync(false);
}
