#pragma once
// The list print of the tanks (layout Qarn0004s): every row of LUMO_Vasche.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0004s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0004s(QObject *owner = nullptr);

    TXQuery *qMain;
};
