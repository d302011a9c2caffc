#pragma once
// The module's document-totals engine, registered under "TDMICalcoloTotaliDocs": the host's
// calculation with gift rows booked on the account of their article's gift typology and,
// on customer delivery notes, invoices and orders, the packaging expense (the returnable
// packaging deposit) carried outside the VAT base under the fixed VAT code "IdIvaArt15".
#include "host/business/Dmicalcolototalidocs.h"

class TDMICalcoloTotaliDocs_p : public TDMICalcoloTotaliDocs {
    Q_OBJECT
public:
    using TDMICalcoloTotaliDocs::TDMICalcoloTotaliDocs;

    // The host's steps in the host's order with the packaging expense moved among the Art.
    // 15 expenses for the calculation (VAT summary under "IdIvaArt15") and put back as
    // packaging expense before the totals are written. False when a working table would
    // exceed its limit (message shown) or the registration failed; nothing is written then.
    bool TOTDOCS_InternalCalcola(TXParam_TotaliDocs &Param, bool Flag) override;
    // The host's record from the head, with the packaging step between the head fields and
    // the common tail.
    void TOTDOCS_InitParametri(TXParam_TotaliDocs &Param) override;
    // The host's grouping, a gift row's counter-entry on the account of its article's gift
    // typology (UT_LMQ_TipologiaArticoloOmaggio).
    bool TOTDOCS_Raggruppamento(const TXParam_TotaliDocs &Param, int &RowCount) override;

private:
    // The packaging expense moved to the Art. 15 expenses of this calculation (0: none).
    double SpeseImballoArt15 = 0;
};
