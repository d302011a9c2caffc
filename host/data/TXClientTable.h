#pragma once
// A client table on a company table: opened on a condition that selects nothing, rows
// fetched by Locate, posts and deletes written at once in the caller's transaction, or kept
// for one batch (CachedUpdates, ApplyUpdates).
#include "host/data/TXTable.h"

#include <QSet>

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
    // Inside a transaction nobody else can change the rows this table wrote until the commit:
    // while no other statement on the connection has written its table since, they are kept
    // as stored. Otherwise they are forgotten, as CheckRollBack does. A pending insert or edit
    // is cancelled either way.
    void ForgetStaleWrites();
    // Whether the held row located by the values is one this table wrote and keeps as stored.
    bool HoldsOwnWrite(const QString &keyFields, const QVariantList &values);

    // Makes this table a copy of the source's records (all of them: no filter, range or
    // position of the source), on the source's table and connection when it has them.
    void CloneCursor(TDataSet *source, bool reset = true, bool keepSettings = false);

protected:
    QString EffectiveWhere() const override;
    bool LocateFetch(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options) override;
    void RecordWritten(const QVector<QVariant> &values, bool wasDelete, quint64 markBefore) override;
    void InternalOpen() override;
    // Reads the selection again, and again by key the rows fetched by Locate.
    void InternalRefresh() override;

private:
    QString whereVuoto_;
    bool OwnWritesCurrent();

    QSet<QByteArray> written_; // keys of the rows written since the last CheckRollBack
    bool ownWrites_ = false;   // written_ were all written in the open transaction, nothing else in between
    quint64 writtenMark_ = 0;  // the table's write mark after the last of them
    TDataSet *cloneSource_ = nullptr;
};
