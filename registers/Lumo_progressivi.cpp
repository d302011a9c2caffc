#include "registers/Lumo_progressivi.h"

#include "frame/Dmilumo.h"
#include "host/core/Errors.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/DBGrid.h"
#include "registers/Lumo_registri.h"

TFLumoProgressivi::TFLumoProgressivi(QWidget *owner) : TFLumoMasterDettaglio(owner) {}

void TFLumoProgressivi::PreparaTesta(const QString &tabella, const QString &indice, const QString &campiChiave,
                                     const QString &gruppoNonValido)
{
    TDMILUMO::Crea();
    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(tabella);
    tMain->SetUsaDizionario(true);
    tMain->SetIndexFieldNames(indice);
    UT_LMQ_RG_LookupRaggruppamento(tMain);
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = campiChiave;
    gruppoNonValido_ = gruppoNonValido;
}

void TFLumoProgressivi::PreparaDettaglio(const TLumoDefinizioneBuffer &definizione, const QString &campoFuoco,
                                         QWidget *pannelloRiga, KDBGriglia *griglia)
{
    bDettaglio = AggiungiBuffer(definizione);
    qDettaglio = bDettaglio->qDettaglio;
    TTDettaglio = bDettaglio->TTBuffer;
    TRSDettaglio = bDettaglio->TRSArchivio;
    DSDettaglio = bDettaglio->DSDettaglio;
    bDettaglio->CampoFuoco = campoFuoco;
    bDettaglio->PannelloRiga = pannelloRiga;
    TTDettaglio->OnNewRecord = [this](TDataSet *d) { TTDettaglioNewRecord(d); };
    TTDettaglio->BeforePost = [this](TDataSet *d) { TTDettaglioBeforePost(d); };
    TTDettaglio->BeforeDelete = [this](TDataSet *d) { TTDettaglioBeforeDelete(d); };
    griglia->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                        | dgAlwaysShowSelection);
}

void TFLumoProgressivi::FormCreate()
{
    TFLumoMasterDettaglio::FormCreate();
    tMain->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *f) { tMainIdRaggMagValidate(f); };
}

void TFLumoProgressivi::tMainIdRaggMagValidate(TField *Sender)
{
    if (!DMILUMO->lkLUMO_RaggMagT->Locate(QStringLiteral("IdRaggMag"), Sender->AsInteger()))
        throw Exception(gruppoNonValido_);
}

void TFLumoProgressivi::TTDettaglioNewRecord(TDataSet *)
{
    bDettaglio->NuovaRiga();
}

void TFLumoProgressivi::TTDettaglioBeforePost(TDataSet *)
{
    bDettaglio->PrimaDelPost();
}

void TFLumoProgressivi::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}
