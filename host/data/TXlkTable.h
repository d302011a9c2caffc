#pragma once
// A lookup table on one company table: read whole when it opens and searched in memory by
// key; closing and opening it again shows the rows written since. Opened inside a transaction
// that wrote its table, it is read again when the transaction rolls back.
#include "host/data/TXTableBase.h"
#include "host/db/TXTransaction.h"

class TXlkTable : public TXTableBase, private TXTransactionListener {
    Q_OBJECT
public:
    explicit TXlkTable(QObject *owner = nullptr);
    ~TXlkTable() override;

    bool CanModify() const override { return false; }

protected:
    void InternalOpen() override;

private:
    void TransactionStarted() override;
    void TransactionCommitted() override;
    void TransactionRolledBack() override;

    bool readInTransaction_ = false;
};
