#include "engine/Dmicalcolototalidocs_p.h"

#include "engine/Lumo_funzdocven.h"
#include "frame/Dusaria.h"
#include "host/business/Funzionidoc.h"
#include "host/core/Funzioni.h"

DUSARIA_CLASSE(TDMICalcoloTotaliDocs_p);

using Funzioni::CompDec;
using Funzioni::KRound;

void TDMICalcoloTotaliDocs_p::TOTDOCS_InitParametriTesta(TXParam_TotaliDocs &Param)
{
    TDMICalcoloTotaliDocs::TOTDOCS_InitParametriTesta(Param);
    SpeseImballoArt15 = 0;
    CvlImballoArt15 = 0;
    if ((Param.CodTipoDoc == 0 || Param.CodTipoDoc == 1 || Param.CodTipoDoc == 2)
        && !Funzioni::GetContoFisso(QStringLiteral("IdIvaArt15"), QString()).isEmpty()
        && CompDec(Param.SpeseImballo, 0, -1) != 0) {
        SpeseImballoArt15 = Param.SpeseImballo;
        Param.SpeseArt15 += SpeseImballoArt15;
        Param.SpeseImballo = 0;
    }
}

bool TDMICalcoloTotaliDocs_p::TOTDOCS_IvaFuoriTotale(TXParam_TotaliDocs &Param)
{
    if (!TDMICalcoloTotaliDocs::TOTDOCS_IvaFuoriTotale(Param))
        return false;
    CvlImballoArt15 = KRound(SpeseImballoArt15 * Param.CambioEuro, Param.DecValoreIT);
    return SpeseImballoArt15 == 0 || TOTDOCS_AggiungiIva(IdIvaArt15, SpeseImballoArt15, CvlImballoArt15);
}

void TDMICalcoloTotaliDocs_p::TOTDOCS_AggiornaTotaliDataset(TXParam_TotaliDocs &Param)
{
    TDMICalcoloTotaliDocs::TOTDOCS_AggiornaTotaliDataset(Param);
    if (SpeseImballoArt15 != 0) {
        Param.SpeseImballo = SpeseImballoArt15;
        Totali.SpeseImballo = SpeseImballoArt15;
        Totali.CVLSpeseImballo = CvlImballoArt15;
    }
}

bool TDMICalcoloTotaliDocs_p::TOTDOCS_SpeseEsentiIva(TXParam_TotaliDocs &Param)
{
    Totali.SpeseEsenti1 -= SpeseImballoArt15;
    Totali.CVLSpeseEsenti1 -= FlDivisaEstera ? CvlImballoArt15 : SpeseImballoArt15;
    return TDMICalcoloTotaliDocs::TOTDOCS_SpeseEsentiIva(Param);
}

QString TDMICalcoloTotaliDocs_p::TOTDOCS_ContoOmaggio(const TRigoDocumento &Rigo)
{
    const Tipirigo::TRTipoRigo *tipo = TipoDiRigo(Rigo.TipoRigo);
    if (tipo && (tipo->FlClasse == Tipirigo::crOmaggio || tipo->FlClasse == Tipirigo::crOmaggioRivalsa))
        return UT_LMQ_TipologiaArticoloOmaggio(Rigo.IdProdotto, Rigo.TipoRigo, IdContoOmaggi);
    return TDMICalcoloTotaliDocs::TOTDOCS_ContoOmaggio(Rigo);
}
