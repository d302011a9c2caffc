#pragma once
// A client table on a company table: opened on a condition that selects nothing, rows
// fetched by Locate, posts and deletes written at once in the caller's transaction, or kept
// for one batch (CachedUpdates, ApplyUpdates).
#include "host/data/TXTable.h"

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

    // Before a rollback: cancels a pending insert or edit, drops pending batch changes, and
    // forgets the rows written since the last call (Locate reads them again as stored).
    void CheckRollBack();

    // Makes this table a copy of the source's records (all of them: no filter, range or
    // position of the source), on the source's table and connection when it has them.
    void CloneCursor(TDataSet *source, bool reset = true, bool keepSettings = false);

protected:
    QString EffectiveWhere() const override;
    bool LocateFetch(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options) override;
    void RecordWritten(const QVector<QVariant> &values, bool wasDelete) override;
    void InternalOpen() override;
    // Reads the selection again, and again by key the rows fetched by Locate.
    void InternalRefresh() override;

private:
    QString whereVuoto_;
    QList<QByteArray> written_;
    TDataSet *cloneSource_ = nullptr;
};
