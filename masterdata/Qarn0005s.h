#pragma once
// The list print of the wine categories (layout Qarn0005s): every row of LUMO_CatVin.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0005s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0005s(QObject *owner = nullptr);

    TXQuery *qMain;
};
