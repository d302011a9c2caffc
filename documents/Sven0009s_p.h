#pragma once
// The module's customer invoice print (registered as "TfSVen0009s"): the host's print with
// the invoice's deposit summary (the stored one, or the local working copy of an invoice not
// yet stored), the customer's current deposit value and, for causals that ask for it
// (_UT_LMQ_FlStaPar 1), the customer's open items in the hidden region ppRUTPartite
// (ppRUTPartite_FTAC in the accompanying layout), shown when there are any.
#include "host/business/Sven0009s.h"

class TDataSource;
class TXTable;

class TfSVen0009s_p : public TfSVen0009s {
    Q_OBJECT
public:
    explicit TfSVen0009s_p(QObject *owner = nullptr);

    TXQuery *cdsUTPartite; // instalments of one account, grouped per instalment
    TXTable *TTUTPartite;  // local LUMO_T_ECCLIENTI: the open items of the invoice's customer
    TXQuery *qUTPartite;   // the open items in print order
    TDataSource *dsUTPartite;

    void XRptModuleCreate() override;
    void qMainAfterScroll(TDataSet *DataSet) override;
    void qMainCalcFields(TDataSet *DataSet) override;

private:
    // Shows the open-items region while the invoice's causal asks for them and there are some.
    void ppSRUTPartitePrint(const QString &regione);
};
