#pragma once
// The list print of the product denominations (layout Qarn0010s): every row of LUMO_Specifica.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0010s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0010s(QObject *owner = nullptr);

    TXQuery *qMain;
};
