#pragma once
// The deposit register ("Registro Cauzioni", landscape): a line per deposit movement row with
// its document, account, packaging, the customer or supplier quantities and the values.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0205s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0205s(QObject *owner = nullptr);

    TXQuery *qMain;
};
