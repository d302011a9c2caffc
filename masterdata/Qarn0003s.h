#pragma once
// The list print of the colour qualities (layout Qarn0003s): every row of LUMO_Colori.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0003s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0003s(QObject *owner = nullptr);

    TXQuery *qMain;
};
