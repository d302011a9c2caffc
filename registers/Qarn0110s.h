#pragma once
// The print of the tax-stamp register (layout Qarn0110s): the lines of LUMO_t_RegCon with the
// group totals and, on a page of its own, the stamp totals of LUMO_t_RegConTot. Its captions
// read the dialog's parameters through Fqarn0110d.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class TFqarn0110s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0110s(QObject *owner = nullptr);

    TXQuery *qMain;
    TXQuery *qTotRegCon;
};
