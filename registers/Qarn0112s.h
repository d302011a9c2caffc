#pragma once
// The print of the tax-stamp progressives analysis (layout Qarn0112s): one line per row of
// LUMO_t_AnaConTot, the product type named.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class TFqarn0112s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0112s(QObject *owner = nullptr);

    TXQuery *qMain;
};
