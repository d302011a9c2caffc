#include "documents/Dmi_sorc_p.h"

#include "frame/Dusaria.h"
#include "host/data/TDataSet.h"
#include "host/data/TField.h"

DUSARIA_CLASSE(TDMISOrc_p);

void TDMISOrc_p::AggiornaQuantitaRigo(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine,
                                      double qtaOld, double qtaSaldoOld)
{
    TDMISOrc::AggiornaQuantitaRigo(modo, codTipoDoc, righeDoc, righeOrdine, qtaOld, qtaSaldoOld);
    if (codTipoDoc == 16 || (modo != 2 && modo != 3))
        return;
    // the document row's packages as they stand (there is no old value)
    TField *spedite = righeOrdine->FieldByName(QStringLiteral("UT_QtaConfSpe"));
    const double confezioni = righeDoc->FieldByName(QStringLiteral("Lunghezza"))->AsFloat();
    spedite->SetAsFloat(spedite->AsFloat() + (modo == 2 ? confezioni : -confezioni));
}
