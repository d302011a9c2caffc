#include "registers/Qarn0104f.h"

#include "ui_Qarn0104f.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/DBGrid.h"

DUSARIA_FINESTRA(TFqarn0104f, Fqarn0104f);

TFqarn0104f::TFqarn0104f(QWidget *owner) : TFLumoMasterDettaglio(owner), ui(new Ui::Qarn0104f)
{
    SetupLayout(*ui);
    TDMILUMO::Crea();

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_PrBilDicGiaT"));
    tMain->SetUsaDizionario(true);
    tMain->SetIndexFieldNames(QStringLiteral("Anno;IdRaggMag;IdCatVin"));
    tMain->AddLookupField(QStringLiteral("_DsRaggMag"), ftString, 30, DMILUMO->lkLUMO_RaggMagT,
                          QStringLiteral("IdRaggMag"), QStringLiteral("IdRaggMag"), QStringLiteral("DsRaggrupp"));
    tMain->AddLookupField(QStringLiteral("_DsCatVin"), ftString, 50, DMILUMO->lkLUMO_CatVin,
                          QStringLiteral("IdCatVin"), QStringLiteral("IdCatVin"), QStringLiteral("DsCatVin"));
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = QStringLiteral("KContaT");

    lkCausali = new TXlkTable(this);
    lkCausali->SetName(QStringLiteral("lkCausali"));
    lkCausali->SetTableName(QStringLiteral("CausaliMagaz"));

    bDettaglio = AggiungiBuffer({QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"),
                                 QStringLiteral("TRSDettaglio"), QStringLiteral("DSDettaglio"),
                                 QStringLiteral("LUMO_t_PrBilDicGiaR"), QStringLiteral("LUMO_PrBilDicGiaR"),
                                 QStringLiteral("KContaT;IdCausale"), QStringLiteral("KContaT = -1"),
                                 QStringLiteral("KContaT;KContaR;IdCausale")});
    qDettaglio = bDettaglio->qDettaglio;
    TTDettaglio = bDettaglio->TTBuffer;
    TRSDettaglio = bDettaglio->TRSArchivio;
    DSDettaglio = bDettaglio->DSDettaglio;
    bDettaglio->CampoFuoco = QStringLiteral("IdCausale");
    bDettaglio->PannelloRiga = ui->pnRiga;
    bDettaglio->MessaggioDuplicato = [](TDataSet *riga) {
        return QStringLiteral("La causale %1 è indicata più di una volta: togliere la riga in più.")
            .arg(riga->FieldByName(QStringLiteral("IdCausale"))->AsString());
    };
    for (TDataSet *ds : {static_cast<TDataSet *>(qDettaglio), static_cast<TDataSet *>(TTDettaglio)})
        ds->AddLookupField(QStringLiteral("DsCausale"), ftString, 50, lkCausali, QStringLiteral("IdCausale"),
                           QStringLiteral("IdCausale"), QStringLiteral("DsCausale"));
    TTDettaglio->OnNewRecord = [this](TDataSet *d) { TTDettaglioNewRecord(d); };
    TTDettaglio->BeforePost = [this](TDataSet *d) { TTDettaglioBeforePost(d); };
    TTDettaglio->BeforeDelete = [this](TDataSet *d) { TTDettaglioBeforeDelete(d); };
    tMain->OnNewRecord = [](TDataSet *d) { d->FieldByName(QStringLiteral("Anno"))->SetAsInteger(CFG.Anno); };

    ui->GrigliaDettaglio->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                                     | dgAlwaysShowSelection);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdCausale"), QStringLiteral("Cod.Caus."), 80);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("DsCausale"), QStringLiteral("Descrizione"), 260);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("CaricoLitri"), QString(), 110);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ScaricoLitri"), QString(), 110);
}

TFqarn0104f::~TFqarn0104f()
{
    delete ui;
}

void TFqarn0104f::FormCreate()
{
    TFLumoMasterDettaglio::FormCreate();
    tMain->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *f) { tMainIdRaggMagValidate(f); };
}

void TFqarn0104f::FormClose(TCloseAction &action)
{
    TFLumoMasterDettaglio::FormClose(action);
    if (Fqarn0104f == this)
        Fqarn0104f = nullptr;
}

void TFqarn0104f::tMainIdRaggMagValidate(TField *Sender)
{
    if (!DMILUMO->lkLUMO_RaggMagT->Locate(QStringLiteral("IdRaggMag"), Sender->AsInteger()))
        throw Exception(QStringLiteral("Codice raggruppamento non valido"));
}

void TFqarn0104f::TTDettaglioNewRecord(TDataSet *)
{
    bDettaglio->NuovaRiga();
}

void TFqarn0104f::TTDettaglioBeforePost(TDataSet *)
{
    bDettaglio->PrimaDelPost();
}

void TFqarn0104f::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}

void TFqarn0104f::FuocoCodiceTesta()
{
    ui->edAnno->setFocus();
}

QString TFqarn0104f::MessaggioTestaDuplicata() const
{
    return QStringLiteral("Esiste già il bilancio dell'anno %1 per il raggruppamento %2 e la categoria %3: modificare quello.")
        .arg(tMain->FieldByName(QStringLiteral("Anno"))->AsString(), tMain->FieldByName(QStringLiteral("IdRaggMag"))->AsString(),
             tMain->FieldByName(QStringLiteral("IdCatVin"))->AsString());
}
