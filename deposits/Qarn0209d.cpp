#include "deposits/Qarn0209d.h"

#include "frame/Dusaria.h"

DUSARIA_CLASSE(TFQarn0209d);

TFQarn0209d::TFQarn0209d(QWidget *owner)
    : TFLumoRicercaMovimenti(owner, QStringLiteral("LUMO_MovResT"), QStringLiteral("KMovResT"),
                             {{QStringLiteral("DataReg"), QStringLiteral("Data Reg"), 90},
                              {QStringLiteral("FlTipoDocColl"), QStringLiteral("TD"), 40},
                              {QStringLiteral("IdContoTp"), QStringLiteral("TC"), 40},
                              {QStringLiteral("IdConto"), QStringLiteral("Codice"), 80},
                              {QStringLiteral("RagioneSociale"), QStringLiteral("Ragione Sociale"), 220}})
{
    SetCaption(QStringLiteral("Ricerca movimenti resi cauzioni"));
}
