#pragma once
// A client table on a company table: opened on a condition that selects nothing, rows
// fetched by Locate, posts and deletes written at once in the caller's transaction, or kept
// for one batch (CachedUpdates, ApplyUpdates). After a rollback it forgets the rows it wrote
// in the transaction (and those it read there of a table the transaction wrote): Locate reads
// them again as stored.
#include "host/data/TXTable.h"

#include <functional>

class TXClientTable : public TXTable {
    Q_OBJECT
public:
    explicit TXClientTable(QObject *owner = nullptr);
    ~TXClientTable() override;

    // The empty-selection condition ("KContaT = -1"); used when XWhere is empty.
    const QString &XWhereVuoto() const { return whereVuoto_; }
    void SetXWhereVuoto(const QString &condition) { whereVuoto_ = condition; }

    // Batch mode: posts and deletes wait for ApplyUpdates (CancelUpdates drops them).
    bool CachedUpdates() const { return !XAutoApply(); }
    void SetCachedUpdates(bool on) { SetXAutoApply(!on); }

    // Locate on the row as it is stored now (exact match): a held row is read again first,
    // unless this table wrote it in the open transaction and no other statement has written
    // the table since (nobody else can change it until the commit).
    bool LocateAsStored(const QString &keyFields, const QVariant &keyValues);
    // The rows of these keys (stored columns, one value each) read as LocateAsStored would
    // read them one by one, in as few statements as the keys allow; Locate then finds them.
    void ReadAsStored(const QString &keyFields, const QList<QVariantList> &keys);
    // The same, the rows read by one statement of the table with the condition (which selects
    // at least the rows of those keys; bound to the values). lock: on PostgreSQL inside a
    // transaction the rows read stay locked until its end, so that they are written or
    // deleted by their key alone.
    void ReadAsStored(const QString &keyFields, const QList<QVariantList> &keys, const QString &condition,
                      const QVariantList &values, bool lock = false);
    // The rows held dropped from memory (their stored rows deleted by a statement of the
    // caller), the table left open without reading; writes kept for the commit go first.
    void ForgetHeldRows();

    // Makes this table a copy of the source's records (all of them: no filter, range or
    // position of the source), on the source's table and connection when it has them.
    void CloneCursor(TDataSet *source, bool reset = true, bool keepSettings = false);

protected:
    QString EffectiveWhere() const override;
    bool LocateFetch(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options) override;
    void InternalOpen() override;
    void RecordWritten(const QVector<QVariant> &values, bool wasDelete) override;
    // Reads the selection again, and again by key (in one statement) the rows fetched by Locate.
    void InternalRefresh() override;
    // The rows to forget are dropped from memory: Locate reads them again.
    void ForgetTransactionRows(const TransactionRows &rows) override;

private:
    // Reads the rows of the keys (values of the named columns) in statements of many keys.
    void FetchByKeys(const QList<TField *> &fields, const QStringList &names, const QList<QVariantList> &keys);
    // ReadAsStored: read runs the reading of the keys still to read (the names of the fields
    // given); locked: it reads them locked (FetchRows).
    void ReadKeysAsStored(
        const QString &keyFields, const QList<QVariantList> &keys,
        const std::function<void(const QList<TField *> &, const QStringList &, const QList<QVariantList> &)> &read,
        bool locked = false);

    QString whereVuoto_;
    TDataSet *cloneSource_ = nullptr;
};
