#pragma once
// The list of the warehouse groupings: one group per grouping, kept together on a page, with
// a line per warehouse and the name of the warehouse, empty when it is not among the host's.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0009s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0009s(QObject *owner = nullptr);

    TXQuery *qMain;
};
