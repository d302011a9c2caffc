#include "documents/Dmi_sorc_p.h"

#include "frame/Dusaria.h"
#include "host/core/Errors.h"
#include "host/data/TDataSet.h"
#include "host/ui/Kmessages.h"

DUSARIA_CLASSE(TDMISOrc_p);

bool TDMISOrc_p::AggiornaRigoOrdine(int modo, int codTipoDoc, int modoValore, TDataSet *righeDoc, TDataSet *righeOrdine,
                                    double qtaOld, double qtaSaldoOld)
{
    QString campoChiave;
    QString campoQuantita;
    CampiRigoDocumento(codTipoDoc, campoChiave, campoQuantita);
    try {
        if (!righeOrdine->Locate(QStringLiteral("KOrdiniCliR"), righeDoc->FieldByName(campoChiave)->AsInteger()))
            return false;
        righeOrdine->Edit();
        if (AggiornaRigoDescrittivo(modo, righeDoc, righeOrdine))
            return true;
        if (modoValore != 0) {
            if (AggiornaRigoOrdineValore(modo, codTipoDoc, righeDoc, righeOrdine, qtaSaldoOld))
                return true;
            righeOrdine->Cancel(); // a picking list by amount: nothing posted
            return false;
        }
        AggiornaQuantitaRigo(modo, codTipoDoc, righeDoc, righeOrdine, qtaOld, qtaSaldoOld);
        if (codTipoDoc == 16) {
            righeOrdine->Post();
            return true;
        }
        if (modo == 2 || modo == 3) {
            // packages shipped: the document row's packages, as they stand (no old value)
            TField *spedite = righeOrdine->FieldByName(QStringLiteral("UT_QtaConfSpe"));
            const double confezioni = righeDoc->FieldByName(QStringLiteral("Lunghezza"))->AsFloat();
            spedite->SetAsFloat(spedite->AsFloat() + (modo == 2 ? confezioni : -confezioni));
        }
        const TImportiSpediti spediti = AggiornaStatoRigo(righeOrdine);
        righeOrdine->Post();
        AggiornaRigheCollegate(righeOrdine, spediti);
        return true;
    } catch (const std::exception &e) {
        if (righeOrdine->State() == dsEdit || righeOrdine->State() == dsInsert)
            righeOrdine->Cancel();
        if (!dynamic_cast<const EAbort *>(&e)) {
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
        }
        return false;
    }
}
