#pragma once
// The excise documents journal (layout Qarn0404s, "Brogliaccio D.A.A."): one line per D.A.A.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0404s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0404s(QObject *owner = nullptr);

    // The heads (LumoAccisa::SqlTesteStampa).
    TXQuery *qMain;
};
