#pragma once
// The deposit totals ("Totali per cauzione"), printed over the rows of its dialog's results:
// one group per packaging code, kept together on a page, with loads, returns and balances;
// figures blank when zero.
#include "host/report/TfKV8ReportB.h"

class Tfqarn0203s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0203s(QObject *owner = nullptr);
};
