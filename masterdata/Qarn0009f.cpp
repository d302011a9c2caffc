#include "masterdata/Qarn0009f.h"

#include "ui_Qarn0009f.h"

#include "frame/Dusaria.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/DBGrid.h"
#include "masterdata/Qarn0009s.h"

#include <memory>

DUSARIA_FINESTRA(TFqarn0009f, Fqarn0009f);

TFqarn0009f::TFqarn0009f(QWidget *owner) : TFLumoMasterDettaglio(owner), ui(new Ui::Qarn0009f)
{
    SetupLayout(*ui);
    MostraStampa(true);

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_RaggMagT"));
    tMain->SetUsaDizionario(true);
    tMain->SetIndexFieldNames(QStringLiteral("IdRaggMag"));
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = QStringLiteral("IdRaggMag");

    lkMagazzini = new TXlkTable(this);
    lkMagazzini->SetName(QStringLiteral("lkMagazzini"));
    lkMagazzini->SetTableName(QStringLiteral("Magazzini"));

    bDettaglio = AggiungiBuffer({QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"),
                                 QStringLiteral("TRSDettaglio"), QStringLiteral("DSDettaglio"),
                                 QStringLiteral("LUMO_t_RaggMagR"), QStringLiteral("LUMO_RaggMagR"),
                                 QStringLiteral("IdRaggMag;IdMagazzino"), QStringLiteral("IdRaggMag = 0"), QString()});
    qDettaglio = bDettaglio->qDettaglio;
    TTDettaglio = bDettaglio->TTBuffer;
    TRSDettaglio = bDettaglio->TRSArchivio;
    DSDettaglio = bDettaglio->DSDettaglio;
    bDettaglio->CampoFuoco = QStringLiteral("IdMagazzino");
    bDettaglio->PannelloRiga = ui->pnRiga;
    bDettaglio->MessaggioDuplicato = [](TDataSet *riga) {
        return QStringLiteral(
                   "Il magazzino %1 è indicato più di una volta nel raggruppamento: togliere la riga in più.")
            .arg(riga->FieldByName(QStringLiteral("IdMagazzino"))->DisplayText());
    };
    for (TDataSet *ds : {static_cast<TDataSet *>(qDettaglio), static_cast<TDataSet *>(TTDettaglio)})
        ds->AddLookupField(QStringLiteral("RagioneSociale"), ftString, 40, lkMagazzini, QStringLiteral("IdMagazzino"),
                           QStringLiteral("IdMagazzino"), QStringLiteral("RagioneSociale"));
    TTDettaglio->OnNewRecord = [this](TDataSet *d) { TTDettaglioNewRecord(d); };
    TTDettaglio->BeforePost = [this](TDataSet *d) { TTDettaglioBeforePost(d); };
    TTDettaglio->BeforeDelete = [this](TDataSet *d) { TTDettaglioBeforeDelete(d); };

    ui->GrigliaDettaglio->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                                     | dgAlwaysShowSelection);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdMagazzino"), QString(), 120);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("RagioneSociale"), QStringLiteral("Descrizione"), 300);
}

TFqarn0009f::~TFqarn0009f()
{
    delete ui;
}

void TFqarn0009f::FormClose(TCloseAction &action)
{
    TFLumoMasterDettaglio::FormClose(action);
    if (Fqarn0009f == this)
        Fqarn0009f = nullptr;
}

void TFqarn0009f::TTDettaglioNewRecord(TDataSet *)
{
    bDettaglio->NuovaRiga();
}

void TFqarn0009f::TTDettaglioBeforePost(TDataSet *)
{
    bDettaglio->PrimaDelPost();
}

void TFqarn0009f::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}

void TFqarn0009f::XFormXStampa(bool preview)
{
    std::unique_ptr<Tfqarn0009s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0009s>()).CreateAs<Tfqarn0009s>(this));
    stampa->ImpostaQuery(stampa->qMain, QString(), QString());
    stampa->ImpostaReport();
    stampa->EseguiStampa(preview);
}
