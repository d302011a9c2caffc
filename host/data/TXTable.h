#pragma once
// A table of a named database: read with a selection condition, order and row limit; posts
// and deletes written by primary key (at once, or later with ApplyUpdates); local work
// tables made from field definitions or the dictionary.
#include "host/data/TXTableBase.h"

#include <QHash>
#include <QStringList>

#include <vector>

class TXTable : public TXTableBase {
    Q_OBJECT
public:
    explicit TXTable(QObject *owner = nullptr);
    ~TXTable() override;

    // Order (SQL, used when IndexFieldNames is empty) and row limit (0: none); they apply at
    // the next opening.
    const QString &XOrderBy() const { return orderBy_; }
    void SetXOrderBy(const QString &order) { orderBy_ = order; }
    int MaxRecords() const { return maxRecords_; }
    void SetMaxRecords(int rows) { maxRecords_ = rows < 0 ? 0 : rows; }

    // Field definitions and labels from the dictionary entry of the table.
    bool UsaDizionario() const { return usaDizionario_; }
    void SetUsaDizionario(bool on) { usaDizionario_ = on; }
    // Whether DuplicaRecord is allowed.
    bool UsaDuplicaRecord() const { return usaDuplicaRecord_; }
    void SetUsaDuplicaRecord(bool on) { usaDuplicaRecord_ = on; }
    // Each post and delete written at once (the default); off, changes wait for ApplyUpdates.
    bool XAutoApply() const { return autoApply_; }
    void SetXAutoApply(bool on);
    // The primary key when the dictionary and the database give none ("A;B").
    const QString &KeyFields() const { return keyFields_; }
    void SetKeyFields(const QString &fields) { keyFields_ = fields; }
    // A stored table whose dictionary columns a local copy takes (after its own fields); its
    // autokey columns also name where the keys of the copy are drawn.
    const QString &TabellaOrigine() const { return origin_; }
    void SetTabellaOrigine(const QString &table) { origin_ = table; }

    // Creates the table from the declared data fields, else from the dictionary entry of the
    // table (and TabellaOrigine's columns); an existing table of that name is replaced.
    void CreaTabella();
    // Removes every row of the table (open or closed).
    void EmptyTable();
    bool Exists() const;
    // Inserts a copy of the current record (keys drawn anew); the caller posts it.
    void DuplicaRecord();
    // Writes the pending changes in one transaction (the caller's when one is active);
    // the first failure undoes them all and is thrown. Returns the number of errors (0).
    int ApplyUpdates(int maxErrors = 0);

    QList<TField *> PrimaryKeyFields() const;

    struct ColumnInfo {
        bool notNull = false;
        bool hasDefault = false;
    };

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalPost(Record *oldRecord, QVector<QVariant> &values) override;
    void InternalDelete(Record *record) override;
    void InternalInitRecord(QVector<QVariant> &values) override;
    void MasterChanged() override;
    bool CachedUpdatesActive() const override { return !autoApply_; }
    QList<TField *> KeyFieldList() const override { return PrimaryKeyFields(); }

    // The selection this opening reads (the client table's empty selection by default).
    virtual QString EffectiveWhere() const { return where_; }
    // Called after a record was written at once (inserted or updated; deleted: wasDelete);
    // markBefore: the connection's write mark of the table before the write.
    virtual void RecordWritten(const QVector<QVariant> &values, bool wasDelete, quint64 markBefore);
    int ColumnOf(const TField *field) const;
    // Reads rows with the given extra condition into the open table; the rows added.
    int FetchRows(const QString &condition, const QVariantList &values);
    // SELECT of the table with a condition; the key column is added when rows have no key.
    QString SelectText(const QString &condition) const;
    void BindLayout(const class QSqlRecord &record);
    // What the database says of the table's columns and key (cached per connection).
    void LoadMeta();
    QByteArray KeyOfValues(const QVector<QVariant> &values) const;
    // Whether a record with the row's key (the key fields at their columns) is held.
    bool IsHeld(const QList<TField *> &keys, const QVector<int> &keyColumns, const QVector<QVariant> &row);
    QVector<QVariant> ValuesOf(const Record *record) const;

    void WriteInsert(QVector<QVariant> &values);
    void WriteUpdate(const Record *old, const QVector<QVariant> &values);
    void WriteDelete(const Record *record);
    QString RowMatch(const Record *record, QVariantList &params) const;

    QString orderBy_;
    int maxRecords_ = 0;
    bool usaDizionario_ = false;
    bool usaDuplicaRecord_ = false;
    bool autoApply_ = true;
    QString keyFields_;
    QString origin_;

    QStringList primaryKey_;          // names, as the dictionary or the database give them
    bool useRowId_ = false;           // SQLite table without a key: rows found by rowid
    TField *rowIdField_ = nullptr;
    QHash<QString, ColumnInfo> meta_; // lower-case column name
    QStringList masterValues_;
    std::vector<char> insertColumns_; // columns of the last INSERT text
    QString insertSql_;
    bool masterValuesSet_ = false;
};

namespace kv8data {
// Forgets what is known of a table's columns (after it was created or changed).
void ForgetTableMeta(const QString &table);
} // namespace kv8data
