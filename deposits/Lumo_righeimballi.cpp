#include "deposits/Lumo_righeimballi.h"

#include "host/business/Dmibase.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/Kmessages.h"

void TLumoRigheImballi::AggiungiRigheImballi(TFLumoMasterDettaglio *finestra, const QString &tabellaLocale,
                                             const QString &tabellaArchivio, const QString &campiLocate,
                                             const QString &xWhereVuoto, const QString &ordine, QWidget *pannelloRiga)
{
    bDettaglio = finestra->AggiungiBuffer({QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"),
                                           QStringLiteral("TRSDettaglio"), QStringLiteral("DSDettaglio"), tabellaLocale,
                                           tabellaArchivio, campiLocate, xWhereVuoto, ordine});
    qDettaglio = bDettaglio->qDettaglio;
    TTDettaglio = bDettaglio->TTBuffer;
    TRSDettaglio = bDettaglio->TRSArchivio;
    DSDettaglio = bDettaglio->DSDettaglio;
    bDettaglio->CampoFuoco = QStringLiteral("IdImballo");
    bDettaglio->PannelloRiga = pannelloRiga;
    TDMIBase *base = TDMIBase::Crea();
    for (TDataSet *ds : {static_cast<TDataSet *>(qDettaglio), static_cast<TDataSet *>(TTDettaglio)}) {
        ds->AddLookupField(QStringLiteral("_DsImballo"), ftString, 30, base->lkImballi, QStringLiteral("IdImballo"),
                           QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
        // prices and values of the rows in the decimals of the head's currency
        ds->SetCurrencyField(finestra->TabellaTesta(), QStringLiteral("IdDivisa"));
    }
    TTDettaglio->OnNewRecord = [this](TDataSet *d) { TTDettaglioNewRecord(d); };
    TTDettaglio->BeforePost = [this](TDataSet *d) { TTDettaglioBeforePost(d); };
    TTDettaglio->BeforeDelete = [this](TDataSet *d) { TTDettaglioBeforeDelete(d); };
}

bool TLumoRigheImballi::ContoImpostato(const TFLumoMasterDettaglio &finestra, const QString &testo)
{
    if (finestra.TipoOperazione == 2
        || !finestra.TabellaTesta()->FieldByName(QStringLiteral("IdConto"))->AsString().isEmpty())
        return true;
    Kmessages::KRifiuto(testo, mtError);
    return false;
}
