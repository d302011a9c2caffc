#pragma once
// The print of the annual stock-declaration balance (layout Qarn0105s): per wine category the
// opening stock, the litres of each warehouse causal with their total, and the closing stock.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0105s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0105s(QObject *owner = nullptr);

    TXQuery *qMain;
    TXQuery *qRighe;
};
