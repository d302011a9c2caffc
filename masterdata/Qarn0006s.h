#pragma once
// The list print of the product natures (layout Qarn0006s): every row of LUMO_Natura.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0006s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0006s(QObject *owner = nullptr);

    TXQuery *qMain;
};
