#pragma once
// A lookup table on one company table: read whole when it opens and searched in memory by
// key; closing and opening it again shows the rows written since.
#include "host/data/TXTableBase.h"

class TXlkTable : public TXTableBase {
    Q_OBJECT
public:
    explicit TXlkTable(QObject *owner = nullptr);
    ~TXlkTable() override;

    bool CanModify() const override { return false; }

protected:
    void InternalOpen() override;
};
