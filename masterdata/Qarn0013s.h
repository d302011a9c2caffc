#pragma once
// The list print of the wine types (layout Qarn0013s): every row of LUMO_Tipologie.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0013s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0013s(QObject *owner = nullptr);

    TXQuery *qMain;
};
