#pragma once
// The list print of the VAT tax stamps (layout Qarn0007s): every row of LUMO_ConIva.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0007s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0007s(QObject *owner = nullptr);

    TXQuery *qMain;
};
