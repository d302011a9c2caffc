#pragma once
// The deposit movements ("Movimenti cauzioni") or the account statement ("Estratto c/to
// cauzioni"): the journal rows and the unlinked returns per account; the statement puts each
// account on its own page with its balances per packaging code.
#include "host/report/TfKV8ReportB.h"

class TDataSet;
class TXQuery;

class Tfqarn0213s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0213s(QObject *owner = nullptr);

    // After the layout is loaded: the title by print type and period, the balances of the
    // statement (kept for the account footers).
    void InitForm(TDataSet *parametri, TDataSet *saldi);

    TXQuery *qMain;

private:
    TDataSet *saldi_ = nullptr;
};
