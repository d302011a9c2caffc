#pragma once
// A table of a named database: read with a selection condition, order and row limit; posts
// and deletes written by primary key (at once, or later with ApplyUpdates); local work
// tables made from field definitions or the dictionary.
//
// It follows the transactions of its connection: after a rollback it holds no row that was
// never stored (what it wrote in the transaction, and what it read there of a table the
// transaction wrote, is read again as stored); after a commit it keeps the rows it wrote as
// they are.
#include "host/data/DataRecord.h"
#include "host/data/KeyHash.h"
#include "host/data/TXTableBase.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class TXTable : public TXTableBase, private TXTransactionListener, private TXDeferredWrites {
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
    // Set by the code that owns the table (off by default): inside a transaction its posts
    // are kept and written in multi-row statements before the commit, or earlier before any
    // other statement on the connection names the table; a row written twice reaches the
    // database once. A failure then names the table and the row's key and fails the commit.
    // Deletes and key changes are kept too and written first (deletes, then key changes, then
    // inserts and updates); rows whose key the database gives are written at once. A deleted
    // row is found by its key alone when the stored row is surely the one held (StoredAsHeld).
    bool DeferredWrites() const { return deferred_; }
    void SetDeferredWrites(bool on);
    // Writes no longer kept from now on; those kept still go before the next statement that
    // names the table, or at the commit.
    void StopDeferring() { deferred_ = false; }
    // Writes the rows kept for the commit now.
    void FlushDeferred() override;

    // The primary key when the dictionary and the database give none ("A;B").
    const QString &KeyFields() const { return keyFields_; }
    void SetKeyFields(const QString &fields) { keyFields_ = fields; }
    // A stored table whose dictionary columns a local copy takes (after its own fields); the
    // keys of the copy's autokey columns are drawn from its key service. A local table
    // without one draws them from its own, unless the column is an autokey of a stored table:
    // then the origin must be named.
    const QString &TabellaOrigine() const { return origin_; }
    void SetTabellaOrigine(const QString &table) { origin_ = table; }

    // Creates the table from the declared data fields, else from the dictionary entry of the
    // table (and TabellaOrigine's columns); an existing table of that name is replaced.
    void CreaTabella();
    // Removes every row of the table (open or closed).
    void EmptyTable();
    // A column the table keeps for itself (a row's state) set without events, held and
    // stored alike: the rows holding gone are deleted, every other row gets value; then the
    // visible rows are made again and the first is current. Outside a transaction of its
    // connection, with no change pending.
    void ResetColumn(TField *field, const QVariant &value, const QVariant &gone);
    bool Exists() const;
    // Inserts a copy of the current record (keys drawn anew); the caller posts it.
    void DuplicaRecord();
    // Open, inside a transaction of its connection: the keys of the next count rows inserted
    // are drawn at most in one statement per autokey column (TXDatabase::ReserveKeys).
    void ReserveKeys(qint64 count);
    // Writes the pending changes in one transaction (the caller's when one is active);
    // the first failure undoes them all and is thrown. Returns the number of errors (0).
    int ApplyUpdates(int maxErrors = 0);

    QList<TField *> PrimaryKeyFields() const;
    // Inside a transaction of its connection: whether a statement other than its own may have
    // written its table since the transaction started.
    bool TableWrittenByOthers() const { return transaction_.othersWrote; }

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
    // What the table read and wrote in the open transaction of its connection.
    struct TransactionRows {
        kv8data::KeySet written;   // client table: keys of the rows it inserted or updated
        kv8data::KeySet unchanged; // of those, the ones no other statement may have changed since
        kv8data::KeySet locked;    // PostgreSQL: rows read locked (FOR UPDATE), held until the end
        // client table: keys read as stored and not found (on absentFields), while no other
        // statement writes the table
        kv8data::KeySet absent;
        QList<TField *> absentFields;
        QSet<quint64> read;        // records it read from the table
        bool readAll = false;      // it was opened or read again
        bool wrote = false;        // it wrote (deletes included)
        bool tableWritten = false; // at the rollback: the transaction wrote its table
        bool othersWrote = false;  // a statement not its own may have written its table
    };
    // A row it wrote in the open transaction (inserted or updated; deleted: wasDelete).
    virtual void RecordWritten(const QVector<QVariant> &values, bool wasDelete);
    // After a rollback, when it wrote in the transaction, or read there rows of its table
    // while the transaction wrote that table: the rows held are made what is stored. By
    // default a pending insert or edit is cancelled and the table read again.
    virtual void ForgetTransactionRows(const TransactionRows &rows);
    int ColumnOf(const TField *field) const;
    // The mark of a value in the first row of a VALUES list (typed on PostgreSQL, where a bare
    // parameter there would be text).
    static QString TypedMark(const TField *f, bool pg);
    // Reads rows with the given extra condition into the open table; the rows added. lock: on
    // PostgreSQL inside a transaction the rows read are locked until its end.
    int FetchRows(const QString &condition, const QVariantList &values, bool lock = false);
    // SELECT of the table with a condition; the key column is added when rows have no key.
    QString SelectText(const QString &condition) const;
    void BindLayout(const class QSqlRecord &record);
    // What the database says of the table's columns and key (cached per connection).
    void LoadMeta();
    // The primary key of a row (values in column order; the whole row when there is no key).
    QByteArray KeyOfValues(const QVector<QVariant> &values) const;
    QByteArray KeyOfRecord(const Record *record) const;
    // The record's row with its key's columns alone (the key noted at the opening), the others null.
    QVector<QVariant> KeyRowOf(const Record *record) const;
    // Within InternalOpen, once the layout is bound: the key the keys above are made of.
    void NoteKeyColumns();
    // Follows the transactions of the connection (from the first opening on: rows read again
    // in the same transaction may hold what it wrote before).
    void FollowTransactions();
    // Whether a record with the row's key (the key fields at their columns) is held.
    bool IsHeld(const QList<TField *> &keys, const QVector<int> &keyColumns, const QVector<QVariant> &row);
    QVector<QVariant> ValuesOf(const Record *record) const;
    // The values of record, as ValuesOf, for a row being changed to values.
    QVector<QVariant> AsRead(const Record *record, const QVector<QVariant> &values) const;

    void WriteInsert(QVector<QVariant> &values);
    void WriteUpdate(const Record *old, const QVector<QVariant> &values);
    void WriteDelete(const Record *record);
    // The condition finding a stored row as read (its key, and its other columns unchanged).
    QString DeleteMatch(const QVector<QVariant> &values, QVariantList &params) const;
    QString RowMatch(const Record *record, QVariantList &params) const;

    QString orderBy_;
    int maxRecords_ = 0;
    bool usaDizionario_ = false;
    bool usaDuplicaRecord_ = false;
    bool autoApply_ = true;
    QString keyFields_;
    QString origin_;

    QStringList primaryKey_; // names, as the dictionary or the database give them
    bool useRowId_ = false;  // SQLite table without a key: rows found by rowid
    TField *rowIdField_ = nullptr;
    QHash<QString, ColumnInfo> meta_; // lower-case column name
    QStringList masterValues_;
    std::vector<char> insertColumns_; // columns of the last INSERT text
    QString insertSql_;
    bool masterValuesSet_ = false;
    TransactionRows transaction_;
    bool ownRead_ = false; // its own fetch runs: rows kept for the commit are held, not flushed

private:
    void TransactionStarted() override;
    void TransactionCommitted() override;
    void TransactionRolledBack() override;
    void BeforeCommit() override;
    QString DeferredTable() const override { return tableName_; }
    // A row included in the batch of the commit instead of written now; false when it cannot be.
    bool Defer(const Record *oldRecord, QVector<QVariant> &values);
    // Deletes of rows as read; byKey: rows stored as held (StoredAsHeld), found by their key alone.
    void FlushDeletes(const std::vector<QVector<QVariant>> &rows, bool byKey);
    // Whether the stored row of the key is the row held, and nobody else can change it until
    // the commit: read or written in the transaction on SQLite (whose transaction holds the
    // write lock), read locked on PostgreSQL, and no other statement has written the table since.
    bool StoredAsHeld(const QByteArray &key) const;
    // Fails naming the row when its key is still stored (changed by another user since read).
    void FailDeleted(const QVector<QVariant> &row);
    struct Pending;
    // Inserts in multi-row statements, rows of one shape (shapes: the columns each takes) together.
    void FlushInserts(const std::vector<const Pending *> &rows, const std::vector<std::vector<char>> &shapes);
    // Updates (key changes included): on PostgreSQL in multi-row statements, in order when one
    // fails; on SQLite row by row (FlushUpdatesByRow).
    void FlushUpdates(const std::vector<std::pair<QVector<QVariant>, QVector<QVariant>>> &rows);
    // FlushUpdates on SQLite: the rows members of rows, changing the columns changed, each by
    // its key and the values it was read with.
    void FlushUpdatesByRow(const std::vector<std::pair<QVector<QVariant>, QVector<QVariant>>> &rows,
                           const std::vector<char> &changed, const std::vector<size_t> &members);
    // The row's key as named in a message ("IdConto = C0001, IdImballo = CAS").
    QString KeyText(const QVector<QVariant> &values) const;
    // The columns an INSERT of the row takes (defaults filled in); the columns read back after it.
    QList<int> InsertColumns(QVector<QVariant> &values, std::vector<char> &included);
    // The values of the columns included, as an INSERT binds them.
    void AppendInsertParams(const QVector<QVariant> &values, const std::vector<char> &included, QVariantList &params);
    void TableWritten() override;
    void NoteWritten(const QVector<QVariant> &values, bool deleted);
    // The key service an autokey column draws from (the table and its connection).
    std::pair<TXDatabase *, QString> KeySource(const TField *field) const;

    bool writing_ = false; // its own statements are running
    bool deferred_ = false;
    // rows kept for the commit, in order of first post: inserted (values), updated (as read,
    // as now) or deleted (as read)
    enum class PendingKind { Insert, Update, Delete, Dropped };
    struct Pending {
        PendingKind kind = PendingKind::Update;
        QVector<QVariant> original;
        QVector<QVariant> values;
        int shape = -1;     // inserts: the columns the INSERT takes (insertShapes_), when known
        bool byKey = false; // updated or deleted: the row as read is stored as held (StoredAsHeld)
        // deleted by key: original holds the key alone, this the row as read until the key
        // alone no longer does (TableWritten)
        std::unique_ptr<kv8data::Record, kv8data::RecordDeleter> read;
    };
    // Keeps the delete of a row (its values as read) for the commit; false when it must be written now.
    bool DeferDelete(const QVector<QVariant> &values);
    // Keeps the delete of a row stored as held (StoredAsHeld) by its key, the other values
    // not worked out; false when it is not such a row, or one kept for the commit already.
    bool DeferDeleteByKey(const kv8data::Record *record);
    // The delete kept for the commit (key: the row's).
    void KeepDelete(Pending &&p, const QByteArray &key);
    // "k1 = ? AND k2 = ?" of the row's key, its values appended to params.
    QString KeyMatch(const QVector<QVariant> &row, QVariantList &params) const;
    // Whether a row can be kept by its key: a key of stored columns, all of it given.
    bool KeyedRow(const QVector<QVariant> &values) const;
    // Where the row of a key is kept (at: in pending_, -1: none); taken: another key kept has
    // its hash, the row cannot be kept.
    struct PendingPlace {
        size_t hash = 0;
        qsizetype at = -1;
        bool taken = false;
    };
    PendingPlace FindPending(const QByteArray &key) const;
    // The place of the columns in insertShapes_ (added when new).
    int ShapeOf(const std::vector<char> &included);
    std::vector<Pending> pending_;
    QHash<size_t, qsizetype> pendingAt_;          // by the hash of the row's key now (deleted rows: none)
    std::vector<std::vector<char>> insertShapes_; // the columns of the inserts kept
    std::vector<char> included_;                  // the columns of the row being kept
    kv8data::KeySet pendingGone_;                 // stored keys deleted or changed by rows kept
    QList<TField *> openKeys_;                    // the primary key while open, and its columns
    QVector<int> openKeyColumns_;
};

namespace kv8data {
// Forgets what is known of a table's columns (after it was created or changed).
void ForgetTableMeta(const QString &table);
} // namespace kv8data
