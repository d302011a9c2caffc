#pragma once
// The module's document-totals engine, registered under "TDMICalcoloTotaliDocs": the host's
// calculation with gift rows booked on the account of their article's gift typology and,
// on customer delivery notes, invoices and orders, the packaging expense (the returnable
// packaging deposit) carried outside the VAT base under the fixed VAT code "IdIvaArt15".
// The host's steps run in the host's order; the engine overrides the ones it changes.
#include "host/business/Dmicalcolototalidocs.h"

class TDMICalcoloTotaliDocs_p : public TDMICalcoloTotaliDocs {
    Q_OBJECT
public:
    using TDMICalcoloTotaliDocs::TDMICalcoloTotaliDocs;

protected:
    // A gift row's counter-entry on the account of its article's gift typology
    // (UT_LMQ_TipologiaArticoloOmaggio).
    QString TOTDOCS_ContoOmaggio(const TRigoDocumento &Rigo) override;
    // The host's head fields, then the packaging expense moved among the Art. 15 expenses
    // for the calculation (customer delivery notes, invoices and orders with "IdIvaArt15" set).
    void TOTDOCS_InitParametriTesta(TXParam_TotaliDocs &Param) override;
    // The packaging moved in the VAT summary under "IdIvaArt15".
    bool TOTDOCS_IvaFuoriTotale(TXParam_TotaliDocs &Param) override;
    // The host's totals into the dataset, then the packaging put back as packaging expense.
    void TOTDOCS_AggiornaTotaliDataset(TXParam_TotaliDocs &Param) override;
    // The exempt expenses without the packaging (already in the VAT summary), then the host's.
    bool TOTDOCS_SpeseEsentiIva(TXParam_TotaliDocs &Param) override;

private:
    // The packaging expense moved to the Art. 15 expenses of this calculation (0: none), and
    // its national-currency counterpart.
    double SpeseImballoArt15 = 0;
    double CvlImballoArt15 = 0;
};
