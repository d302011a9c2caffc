#pragma once
// The transport price lists printed: one list per page (code, description, validity and
// currency), its reference rows and then its article rows.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class Tfqarn0014s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0014s(QObject *owner = nullptr);

    TXQuery *qMain;     // list heads
    TXQuery *qListTraD; // reference rows of the list
    TXQuery *qListTraR; // article rows of the list

    // The reference row's way of charging: "Tot" on the document totals, "Riga" per row.
    virtual void ppTipoGesPrint(ReportItem &item);
};
