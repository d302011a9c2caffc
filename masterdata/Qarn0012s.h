#pragma once
// The list print of the production regions (layout Qarn0012s): every row of LUMO_Regioni.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0012s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0012s(QObject *owner = nullptr);

    TXQuery *qMain;
};
