#pragma once
// The module's warehouse data module, registered under "TDMIBMag": the host's movement of a
// document row with the row's package data, external document and price type written on
// the movement and on its counter-movement (a step of the host's generator, overridden).
#include "host/business/Dmibmag.h"

class TDMIBMag_p : public TDMIBMag {
    Q_OBJECT
public:
    using TDMIBMag::TDMIBMag;

    // The host's movement fields, then the module's columns UT_LMQ_QtaImballo (Quantita2, 1
    // when 0) and UT_LMQ_NumConf (Lunghezza, Quantita when 0) and, except on purchase
    // documents (10, 11, 13), UT_LMQ_NumDoco, UT_LMQ_DataDoco, UT_LMQ_FlTipoPrz and
    // UT_LMQ_PrezzoTra copied from the row: on the row's movement and on its counter-movement.
    void SettaCampiMovimento(TContestoMovimento &c, int subNumOrdine) override;

private:
    // The module's columns of the movement being filled.
    void UT_LMQ_CampiMovimento(TContestoMovimento &c);
};
