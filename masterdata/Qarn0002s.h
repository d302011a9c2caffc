#pragma once
// The list print of the bottles and containers (layout Qarn0002s): every row of LUMO_Bottiglie.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0002s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0002s(QObject *owner = nullptr);

    TXQuery *qMain;
};
