#pragma once
// The dataset core: records held compactly in memory, Delphi's state machine and event
// order, fields, filters, Locate and Lookup, bookmarks and master/detail links. Subclasses
// say where the records come from and where posted changes go. The records, their order and
// the visible ones are kept by kv8data::RecordStore, the Locate indexes by
// kv8data::LocateIndexes; TXSqlDataSet reads records from SQL results.
#include "host/core/Errors.h"
#include "host/core/NameKey.h"
#include "host/data/TField.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class TDataSource;

namespace kv8data {
class Record;
class DataFilter;
class MasterLink;
class RecordStore;
class LocateIndexes;
} // namespace kv8data

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsCalcFields };

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    deFocusControl
};

// loHeldOnly: among the rows the dataset holds, nothing read from the database.
enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2, loHeldOnly = 4 };
using TLocateOptions = int;

enum TFilterOption { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = int;

// A position that survives other records being added or removed.
struct TBookmark {
    quint64 id = 0;
    bool IsNull() const { return id == 0; }
    bool operator==(const TBookmark &o) const { return id == o.id; }
};

class TDataSet : public QObject {
    Q_OBJECT
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet *)>;
    using TFilterRecordEvent = std::function<void(TDataSet *, bool &)>;

    explicit TDataSet(QObject *owner = nullptr);
    ~TDataSet() override;

    QString Name() const { return objectName(); }
    void SetName(const QString &name) { setObjectName(name); }

    // ---- fields
    // Declared fields; add them before the dataset opens (a subclass may add lookup and
    // calculated fields to a host dataset). Every column the dataset reads that has no
    // declared field gets one of its own when it opens.
    TField *AddField(const QString &name, TFieldType type, int size = 0);
    TField *AddCalcField(const QString &name, TFieldType type, int size = 0);
    TField *AddLookupField(const QString &name, TFieldType type, int size, TDataSet *lookupDataSet,
                           const QString &keyFields, const QString &lookupKeyFields, const QString &resultField);
    int FieldCount() const { return int(fields_.size()); }
    TField *Fields(int index) const;
    const QList<TField *> &FieldList() const { return fields_; }
    // By name without regard to case; with two columns of one name the first wins.
    TField *FindField(const QString &name) const;
    // As FindField, but throws EDatabaseError naming the field and the dataset.
    TField *FieldByName(const QString &name) const;
    // Changes whenever FindField may answer differently; never the same for two datasets.
    quint64 NamesSerial() const { return namesSerial_; }
    // Fields of a ";" list.
    QList<TField *> GetFieldList(const QString &names) const;

    // ---- opening
    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active) { active ? Open() : Close(); }
    // Reads the records again, keeping the current one where it still exists.
    void Refresh();
    TDataSetState State() const { return state_; }

    // ---- navigation
    void First();
    void Next();
    void Prior();
    void Last();
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    // 1-based position among the visible records; 0 when there is none.
    int RecNo() const;
    void SetRecNo(int recNo);
    virtual int RecordCount() const;
    bool IsEmpty() const;
    virtual bool IsUniDirectional() const { return false; }

    // ---- editing
    void Insert();
    void Append();
    // Changes each time a new record is begun (Insert, Append).
    quint64 InsertSerial() const { return insertSerial_; }
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return modified_; }
    virtual bool CanModify() const;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    // Posts a pending change when the record was modified, otherwise cancels it.
    void CheckBrowseMode();
    void CheckActive() const;
    // Asks the data-aware controls to write what they hold into the fields.
    void UpdateRecord();

    // ---- controls
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // ---- bookmarks
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark &bookmark);
    bool BookmarkValid(const TBookmark &bookmark) const;
    void FreeBookmark(TBookmark &bookmark) { bookmark = TBookmark(); }

    // ---- search
    // keyFields: "A" or "A;B"; keyValues: one value, or a QVariantList with one per field.
    // Exact and case-sensitive unless options say otherwise. Moves to the first matching
    // visible record; when none matches the cursor stays where it was and false is returned.
    bool Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options = 0);
    // The value of resultFields (one field, or a QVariantList for a ";" list) of the first
    // matching record, without moving the cursor; an invalid QVariant when none matches.
    QVariant Lookup(const QString &keyFields, const QVariant &keyValues, const QString &resultFields);

    // ---- filter
    const QString &Filter() const { return filterText_; }
    void SetFilter(const QString &filter);
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    void SetFilterOptions(TFilterOptions options);

    // ---- order
    const QString &IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const QString &names);

    // ---- master/detail
    // The detail shows the records whose detail fields hold the master's current values of
    // MasterFields; new records take those values. Detail fields: DetailFields when set,
    // else the same names when the detail has them, else the first fields of
    // IndexFieldNames.
    TDataSource *MasterSource() const;
    void SetMasterSource(TDataSource *source);
    const QString &MasterFields() const { return masterFields_; }
    void SetMasterFields(const QString &fields);
    const QString &DetailFields() const { return detailFields_; }
    void SetDetailFields(const QString &fields);

    // ---- events, in Delphi's order
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, OnNewRecord, AfterInsert;
    TDataSetNotifyEvent BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost;
    TDataSetNotifyEvent BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete;
    TDataSetNotifyEvent BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnCalcFields;
    TFilterRecordEvent OnFilterRecord;
    bool AutoCalcFields = true;
    // False: a record's calculated fields are worked out when one of them is read, not each
    // time the cursor reaches the record (passes over many rows that read none of them).
    bool CalcFieldsOnScroll = true;

    // ---- currency of the rows: prices and values of the fields show its decimals
    // The field holding the currency: one of this dataset's (each row its own) or of another
    // (its current record, as a document head for its rows and totals; a change of it shows
    // the rows anew). Without one set, a field "IdDivisa" of this dataset counts; with
    // neither, the company's currency.
    void SetCurrencyField(TDataSet *owner, const QString &fieldName);
    // The currency code of a row (-1 the current record); "" for the company's currency.
    QString CurrencyOfRow(int row);

    // ---- rows for grids: the visible records plus the record being inserted
    int RowCount() const;
    int ActiveRow() const; // -1 when there is none
    QVariant ValueAt(int row, const TField *field);
    QString DisplayTextAt(int row, const TField *field);

    // ---- pending changes (datasets that apply later)
    int ChangeCount() const;
    void CancelUpdates();

    // Data sources attached to this dataset.
    const QList<TDataSource *> &DataSources() const { return sources_; }

protected:
    using Record = kv8data::Record;

    // Hooks for the subclasses.
    virtual void InternalOpen() = 0; // make the fields and load the records
    virtual void InternalClose() {}
    // Writes a posted record. oldRecord is null for an insert; values may be completed
    // (keys drawn by the database). Throws to refuse: the record stays in edit.
    virtual void InternalPost(Record *oldRecord, QVector<QVariant> &values);
    virtual void InternalDelete(Record *record);
    // Values of a new record (defaults, drawn keys) before OnNewRecord.
    virtual void InternalInitRecord(QVector<QVariant> &values);
    // Reloads the records for Refresh; the default closes and opens the cursor.
    virtual void InternalRefresh();
    // When Locate finds nothing among the loaded records: may load matching records
    // (with AddFetchedRecord) and return true to search again.
    virtual bool LocateFetch(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options);
    // The master moved; the default re-applies the in-memory range.
    virtual void MasterChanged();
    // Changes are kept as pending until applied.
    virtual bool CachedUpdatesActive() const { return false; }
    // Forward-only reading: the next row, or false at the end; restart at the first row.
    // values comes holding an earlier row (its storage reused): every column is set.
    virtual bool FetchNext(QVector<QVariant> &values);
    virtual void FetchRestart() {}
    // Fields that identify a record again after Refresh (the primary key).
    virtual QList<TField *> KeyFieldList() const { return {}; }
    // Within InternalOpen: the structure and every record of another dataset.
    void CopyLayoutAndRecords(TDataSet &source);

    // Field layout helpers for InternalOpen.
    void BeginLayout();
    // A physical column: its declared field, or a new field typed as given.
    TField *BindColumn(const QString &name, TFieldType type, int size, const DictColumn *dict);
    TField *BindHiddenColumn(const QString &name, TFieldType type);
    void EndLayout();
    // Room for count more columns in the layout being bound.
    void ReserveColumns(int count);
    int ColumnCount() const { return int(columns_.size()); }
    TField *Column(int index) const { return columns_[index]; }
    // Adds a record while loading (values in column order, coerced to the field types).
    void AddLoadedRecord(QVector<QVariant> &values);
    // Adds a record while loading whose values are already in the field types.
    void AddLoadedValues(const QVector<QVariant> &values);
    // Adds a record fetched while open (kept in index order, filtered); the values are in the
    // field types already (coerced when read).
    Record *AddFetchedRecord(QVector<QVariant> &values);
    void ClearRecords();
    // Puts new values into a record (keys read back from the database); it keeps its place.
    void ReplaceValues(Record *record, const QVector<QVariant> &values);
    // An integer column of a record set where it lies (no event); false when the record does
    // not hold it as an integer (then ReplaceValues).
    bool WriteHeldInteger(Record *record, int column, qint64 value);
    // Records of the dataset, all of them (not only the visible ones).
    const std::vector<Record *> &AllRecords() const;
    // The held record (visible or not) whose fields hold the values, or null; through the
    // Locate index while every held record is visible. viewPos, when given, gets the place
    // of the record among the visible ones as Locate would find it, or -1.
    Record *FindHeldRecord(const QList<TField *> &fields, const QVariantList &values, int *viewPos = nullptr);
    // Moves to a visible record, as Locate does when it finds one.
    void ScrollTo(int viewPos);
    // The key of a row (values in column order, in any form its fields read) on the given
    // fields, every column when none is given: the key Locate compares, so two rows get
    // the same key exactly when Locate finds them equal.
    QByteArray RowKey(const QVector<QVariant> &values, const QList<TField *> &fields) const;
    // The same key of a record held.
    QByteArray RowKey(const Record *record, const QList<TField *> &fields) const;
    Record *CurrentRecord() const;
    // Removes the given records from memory (no event; the cursor is kept where possible).
    void EvictRecords(const QList<quint64> &ids);
    // Rebuilds the visible records (filter, range, order) and goes to the first.
    void Resync(bool keepPosition);
    // The master's values of the link, or an empty list when there is no active link.
    QList<TField *> DetailLinkFields() const;
    QVariantList MasterLinkValues() const;
    bool HasMasterLink() const;
    QVariantList RecordValues(const Record *record) const;
    QVector<QVariant> CurrentValues() const;
    void ThrowIfActive(const QString &what) const;
    // Sends a data event to the attached sources (held back while controls are disabled).
    void DataEvent(TDataEvent event, TField *field = nullptr);
    // Original image of a changed record (for pending changes), or the record itself.
    Record *OriginalOf(Record *record) const;
    // Pending changes, for ApplyUpdates: deleted originals; records with a change status.
    const std::vector<Record *> &DeletedRecords() const;
    // After a successful apply: every record is unchanged and the deleted list empty.
    void CommitUpdates();

private:
    // The key RowKey gives, of the values valueAt(column) answers (column -1: not a column).
    template <typename ValueOfColumn>
    QByteArray KeyOfColumns(const QList<TField *> &fields, ValueOfColumn valueAt) const;
    friend class TField;
    friend class TDataSource;
    friend class kv8data::MasterLink;

    struct Buffer {
        Record *rec = nullptr;
        bool useVals = false;
        QVector<QVariant> vals;
        QVector<QVariant> calc;
        bool calcValid = false;
        // per calculated slot: a lookup value still to be read (lookups are read when asked)
        std::vector<char> lookupDue;
    };

    QPointer<TDataSet> currencyOwner_;
    QString currencyField_;
    QList<QPointer<TDataSet>> currencyDependents_; // datasets whose currency a field of this one holds

    TField *NewField(const QString &name, TFieldType type, int size, TFieldKind kind);
    QVariant GetFieldValue(const TField *field);
    void SetFieldValue(TField *field, QVariant value);
    QVariant OldFieldValue(const TField *field);
    void ComputeCalc(Buffer &buffer);
    void ComputeLookup(Buffer &buffer, TField *field, QList<TField *> &busy);
    void SetCurrent(int cursor);
    bool Accepts(Record *record);
    bool AcceptsActive();
    bool StreamAdvance();
    void ComputeRange();
    QVariant ValueOf(Record *record, const TField *field);
    void RebuildView();
    int FindInView(quint64 id) const;
    void BeginInsertAppend(bool append);
    void InitNewRecord();
    void SetState(TDataSetState state);
    void Fire(const TDataSetNotifyEvent &event);
    void CheckCanModifyNow() const;
    void CompileFilter();
    void FreeRecords();
    int SearchView(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options);
    QVariantList NormaliseKeyValues(const QList<TField *> &fields, const QVariant &keyValues) const;
    void AttachSource(TDataSource *source);
    void DetachSource(TDataSource *source);
    void MasterDataChanged();
    void NamesChanged();

    // fields
    struct LayoutIndex;
    std::unique_ptr<LayoutIndex> layout_; // names bound, declared or reusable when columns are bound
    std::vector<std::unique_ptr<TField>> owned_;
    QList<TField *> declared_;
    QList<TField *> fields_;
    QHash<NameKey, TField *> byName_; // the first field of each name
    // FindField's answers by where the name's text is held (a literal, a field's own name):
    // the same text asked again is not hashed; the copy kept holds the text unchanged
    struct NameHit {
        QString name;
        TField *field = nullptr;
    };
    mutable std::vector<NameHit> nameHits_; // made at the first search
    quint64 namesSerial_ = 0;
    quint64 insertSerial_ = 0;
    mutable QHash<QString, QList<TField *>> fieldLists_; // GetFieldList by the names given
    QList<TField *> columns_;                            // record column -> field
    QList<TField *> calcFields_;
    bool inLayout_ = false;

    // records, their order, the visible ones and the Locate indexes on them
    std::unique_ptr<kv8data::RecordStore> store_;
    std::unique_ptr<kv8data::LocateIndexes> indexes_;
    int cursor_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    Buffer cur_;
    Buffer temp_;
    Buffer *active_ = &cur_;
    int insertPos_ = -1;
    int prevCursor_ = -1;
    bool appending_ = false;
    bool streamEnd_ = false;
    int streamCount_ = 0;
    QVector<QVariant> streamRow_; // the row read before the current one, its storage reused

    // state
    TDataSetState state_ = dsInactive;
    bool modified_ = false;
    bool readOnly_ = false;
    int tag_ = 0;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    int calcDepth_ = 0;
    TField *validating_ = nullptr;
    QVariant validatingValue_;
    bool streaming_ = false;
    int enableEvent_ = -1;
    // record whose values temp_ holds
    quint64 tempVersion_ = 0;

    // filter and order
    QString filterText_;
    bool filtered_ = false;
    TFilterOptions filterOptions_ = 0;
    std::unique_ptr<kv8data::DataFilter> filter_;
    QString indexFieldNames_;

    // master link
    std::unique_ptr<kv8data::MasterLink> masterLink_;
    QString masterFields_;
    QString detailFields_;

    QList<TDataSource *> sources_;
};

namespace kv8data {
// Splits a ";" list of names, blanks trimmed, empty names dropped.
QStringList SplitNames(const QString &names);
// The field dictionary datasets use: the compiled-in one, unless a test put another in place.
const Dictionary &DataDictionary();
void SetDataDictionary(const Dictionary *dictionary);
// The column in the first of the tables that has it.
const DictColumn *FindDictColumn(const QStringList &tables, const QString &column);
// The dictionary's spelling of a column name found in any table, or an empty text.
QString DictSpelling(const QString &column);
// Orders two values of a field type: an empty number as 0, an empty text as "".
int CompareFieldValues(const QVariant &a, const QVariant &b, TFieldType type, bool caseInsensitive = false);
} // namespace kv8data
