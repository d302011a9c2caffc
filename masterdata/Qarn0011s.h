#pragma once
// The list print of the production zones (layout Qarn0011s): every row of LUMO_ZonaProd.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0011s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0011s(QObject *owner = nullptr);

    TXQuery *qMain;
};
