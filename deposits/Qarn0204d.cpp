#include "deposits/Qarn0204d.h"

#include "frame/Dusaria.h"

DUSARIA_CLASSE(TFQarn0204d);

TFQarn0204d::TFQarn0204d(QWidget *owner)
    : TFLumoRicercaMovimenti(owner, QStringLiteral("LUMO_MovCauT"), QStringLiteral("KContaT"),
                             {{QStringLiteral("DataReg"), QStringLiteral("Data Reg"), 90},
                              {QStringLiteral("FlTipoDocColl"), QStringLiteral("TD"), 40},
                              {QStringLiteral("Anno"), QStringLiteral("Anno "), 50},
                              {QStringLiteral("Serie"), QStringLiteral("Se"), 40},
                              {QStringLiteral("Numero"), QStringLiteral("Numero "), 70},
                              {QStringLiteral("DataDoc"), QStringLiteral("Data Doc"), 90},
                              {QStringLiteral("IdCausale"), QStringLiteral("Caus."), 50},
                              {QStringLiteral("IdContoTp"), QStringLiteral("TC"), 40},
                              {QStringLiteral("IdConto"), QStringLiteral("Codice"), 80},
                              {QStringLiteral("RagioneSociale"), QStringLiteral("Ragione Sociale"), 220}})
{
    SetCaption(QStringLiteral("Ricerca movimenti cauzioni"));
}
