#pragma once
// The print of the wine-category progressives analysis (layout Qarn0103s): the rows of
// LUMO_t_AnaCsTot under a heading that says whether the stock is the stored one or carried
// forward to a date.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0103s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0103s(QObject *owner = nullptr);

    TXQuery *qMain;
};
