#pragma once
// The deposit price lists ("Listini Cauzioni"): one group per list, kept together on a page,
// with its rows and their packaging descriptions; amounts blank when zero.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0206s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0206s(QObject *owner = nullptr);

    TXQuery *qMain;
    TXQuery *qRighe;
};
