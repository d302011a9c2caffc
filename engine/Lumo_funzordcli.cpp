#include "engine/Lumo_funzordcli.h"

#include "engine/Lumo_funzdocven.h"
#include "host/data/TDataSet.h"

void UT_LMQ_DORC_CalcoloQuantita(TField *Sender, int Divisore)
{
    Lumo_funzdocven::CalcolaQuantita(Sender, Divisore, QStringLiteral("QuantitaOrd"), QStringLiteral("Quantita2Ord"));
}

void UT_LMQ_DORC_TotLitriRiga(TDataSet *Righe)
{
    if (Righe->FieldByName(QStringLiteral("IdProdotto"))->AsString().isEmpty())
        return;
    Righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))
        ->SetAsFloat(Lumo_funzdocven::LitriDi(Righe, Righe->FieldByName(QStringLiteral("QuantitaOrd"))->AsFloat()));
}
