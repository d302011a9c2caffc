#include "engine/Dmicalcolototalidocs_p.h"

#include "engine/Lumo_funzdocven.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibcge.h"
#include "host/business/Funzionidoc.h"
#include "host/core/Funzioni.h"

DUSARIA_CLASSE(TDMICalcoloTotaliDocs_p);

using Funzioni::CompDec;
using Funzioni::KRound;

bool TDMICalcoloTotaliDocs_p::TOTDOCS_InternalCalcola(TXParam_TotaliDocs &Param, bool Flag)
{
    TOTDOCS_InitStrutture();                                  // 1
    TOTDOCS_InitParametri(Param);                             // 2
    TOTDOCS_DivisaEstera(Param);                              // 3
    TOTDOCS_ContiFissi(Param);                                // 4
    TOTDOCS_LeggiPagamento(Param, Param.IdPagamento, false);  // 5
    int righe = TOTDOCS_LeggiRigheDocumento(Param, Flag);     // 6
    if (!TOTDOCS_Raggruppamento(Param, righe))                // 7
        return false;
    TOTDOCS_AzzeraSpese(Param, Flag);                         // 8
    if (!TOTDOCS_MerceSpese(Param))                           // 9
        return false;
    TOTDOCS_Scorporo(Param);                                  // 10
    TOTDOCS_BolliScadenze(Param);                             // 11
    // 12. the packaging in the VAT summary under "IdIvaArt15"
    const double imballoIT = KRound(SpeseImballoArt15 * Param.CambioEuro, Param.DecValoreIT);
    if (SpeseImballoArt15 != 0 && !TOTDOCS_AggiungiIva(IdIvaArt15, SpeseImballoArt15, imballoIT))
        return false;
    TOTDOCS_CalcoliRdA(Param);                                // 13
    if ((Param.CodTipoDoc == 0 || Param.CodTipoDoc == 1 || Param.CodTipoDoc == 2 || Param.CodTipoDoc == 11)
        && TDMIBCge::Crea()->IvaSplit(Param.IdClienteTp, Param.IdCliente, Param.DataDocumento))
        TOTDOCS_CalcoliIvaSplit(Param);
    TOTDOCS_AggiornaTotaliDataset(Param);                     // 14
    // 15. the packaging put back
    if (SpeseImballoArt15 != 0) {
        Param.SpeseImballo = SpeseImballoArt15;
        Totali.SpeseImballo = SpeseImballoArt15;
        Totali.CVLSpeseImballo = imballoIT;
    }
    if (!Param.TabTotali) {                                   // 16
        SPAR_TotaliParcellazione(Param);
        return true;
    }
    // 17. the exempt expenses without the packaging, then registered
    Totali.SpeseEsenti1 -= SpeseImballoArt15;
    Totali.CVLSpeseEsenti1 -= FlDivisaEstera ? imballoIT : SpeseImballoArt15;
    if (!Flag)
        TOTDOCS_InternalRiallineImportiNN(Param);
    if (!TOTDOCS_SpeseEsentiIva(Param))
        return false;
    const bool registrati = TOTDOCS_RegistraTotali(Param, Flag);
    if (!Flag && registrati)
        SPAR_TotaliParcellazione(Param);
    return registrati;
}

void TDMICalcoloTotaliDocs_p::TOTDOCS_InitParametri(TXParam_TotaliDocs &Param)
{
    TOTDOCS_InitParametriTesta(Param);                        // 2.1-2.4
    // 2.5 packaging as Art. 15 expense
    SpeseImballoArt15 = 0;
    if ((Param.CodTipoDoc == 0 || Param.CodTipoDoc == 1 || Param.CodTipoDoc == 2)
        && !Funzioni::GetContoFisso(QStringLiteral("IdIvaArt15"), QString()).isEmpty()
        && CompDec(Param.SpeseImballo, 0, -1) != 0) {
        SpeseImballoArt15 = Param.SpeseImballo;
        Param.SpeseArt15 += SpeseImballoArt15;
        Param.SpeseImballo = 0;
    }
    TOTDOCS_InitParametriCoda(Param);                         // 2.6-2.7
}

bool TDMICalcoloTotaliDocs_p::TOTDOCS_Raggruppamento(const TXParam_TotaliDocs &Param, int &RowCount)
{
    RowCount = int(Righe.size());
    for (const TRigoDocumento &rigo : Righe) {
        const Tipirigo::TRTipoRigo *tipo = TipoDiRigo(rigo.TipoRigo);
        const bool omaggio =
            tipo && (tipo->FlClasse == Tipirigo::crOmaggio || tipo->FlClasse == Tipirigo::crOmaggioRivalsa);
        const QString conto = omaggio ? UT_LMQ_TipologiaArticoloOmaggio(rigo.IdProdotto, rigo.TipoRigo, IdContoOmaggi)
                                      : IdContoOmaggi;
        if (!TOTDOCS_RaggruppaRigo(Param, rigo, conto))
            return false;
    }
    TOTDOCS_ChiudiRaggruppamento(Param);
    return true;
}
