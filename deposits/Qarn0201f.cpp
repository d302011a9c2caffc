#include "deposits/Qarn0201f.h"

#include "ui_Qarn0201f.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/core/Applvar.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBGrid.h"

DUSARIA_FINESTRA(TFqarn0201f, Fqarn0201f);

TFqarn0201f::TFqarn0201f(QWidget *owner) : TFLumoMasterDettaglio(owner), ui(new Ui::Qarn0201f)
{
    SetupLayout(*ui);
    TDMIBase *base = TDMIBase::Crea();

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_LisCauzT"));
    tMain->SetUsaDizionario(true);
    tMain->SetIndexFieldNames(QStringLiteral("KContaT"));
    tMain->AddLookupField(QStringLiteral("_DsListino"), ftString, 40, base->TipiListino, QStringLiteral("IdListino"),
                          QStringLiteral("IdListino"), QStringLiteral("DsListino"));
    tMain->AddLookupField(QStringLiteral("_DsDivisa"), ftString, 40, base->lkDivise, QStringLiteral("IdDivisa"),
                          QStringLiteral("IdDivisa"), QStringLiteral("DsDivisa"));
    tMain->OnNewRecord = [this](TDataSet *d) { tMainNewRecord(d); };
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = QStringLiteral("KContaT");
    CampiCodiceTesta = QStringLiteral("IdListino");

    AggiungiRigheImballi(this, QStringLiteral("LUMO_t_LisCauzR"), QStringLiteral("LUMO_LisCauzR"),
                         QStringLiteral("KContaT;KContaR"), QStringLiteral("KContaT = -1"), QStringLiteral("KContaR"),
                         ui->pnRiga);

    ui->GrigliaDettaglio->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                                     | dgAlwaysShowSelection);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod.Imballo"), 80);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Descrizione"), 240);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("Prezzo"), QStringLiteral("Prezzo Cauz."), 100);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ValoreCau"), QStringLiteral("Val.Cauzione"), 100);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ValoreRea"), QStringLiteral("Val.Reale"), 100);
    ui->edDataCreaz->SetReadOnly(true);
    ui->edDataModif->SetReadOnly(true);
}

TFqarn0201f::~TFqarn0201f()
{
    delete ui;
}

void TFqarn0201f::FormCreate()
{
    TFLumoMasterDettaglio::FormCreate();
    Funzioni::CheckTabOpen(tMain);
    tMain->FieldByName(QStringLiteral("IdListino"))->OnValidate = [this](TField *f) { IdListinoValidate(f); };
}

void TFqarn0201f::FormClose(TCloseAction &action)
{
    TFLumoMasterDettaglio::FormClose(action);
    if (Fqarn0201f == this)
        Fqarn0201f = nullptr;
}

void TFqarn0201f::tMainNewRecord(TDataSet *)
{
    tMain->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(CFG.IdDivisa);
}

void TFqarn0201f::IdListinoValidate(TField *Sender)
{
    if (!TDMIBase::Posiziona(DMIBase->TipiListino, QStringLiteral("IdListino"), {Sender->AsString()}))
        throw Exception(QStringLiteral("Codice listino non trovato"));
}

void TFqarn0201f::TTDettaglioNewRecord(TDataSet *)
{
    bDettaglio->NuovaRiga();
}

void TFqarn0201f::TTDettaglioBeforePost(TDataSet *)
{
    bDettaglio->PrimaDelPost();
}

void TFqarn0201f::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}

void TFqarn0201f::DopoLeRighe()
{
    if (TipoOperazione != 2)
        tMain->FieldByName(QStringLiteral("DataModif"))->SetAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
}

void TFqarn0201f::FuocoCodiceTesta()
{
    if (tMain->Active())
        tMain->FieldByName(QStringLiteral("IdListino"))->FocusControl();
}
