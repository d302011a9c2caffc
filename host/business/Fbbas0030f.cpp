#include "host/business/Fbbas0030f.h"

#include "ui_Fbbas0030f.h"

#include "host/core/Applvar.h"
#include "host/ui/DBGrid.h"

TFBBas0030f::TFBBas0030f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0030f)
{
    SetupLayout(*ui);
    TTipiListino = CreaTabella(QStringLiteral("TTipiListino"), QStringLiteral("TipiListino"));
    TTipiListino->BeforePost = [this](TDataSet *d) { TTipiListinoBeforePost(d); };
    TTipiListino->BeforeDelete = [this](TDataSet *d) { TTipiListinoBeforeDelete(d); };
    TTipiListino->OnNewRecord = [this](TDataSet *d) { TTipiListinoNewRecord(d); };
    pnDettaglio = ui->pnDettaglio;
    lyDettaglio = ui->lyDettaglio;
    GrigliaMain->AddColumn(QStringLiteral("IdListino"), QStringLiteral("Codice"), 60);
    GrigliaMain->AddColumn(QStringLiteral("DsListino"), QStringLiteral("Descrizione"), 300);
    GrigliaMain->AddColumn(QStringLiteral("IdDivisa"), QStringLiteral("Divisa"), 50);
    GrigliaMain->AddColumn(QStringLiteral("FlIvaInclusa"), QStringLiteral("IVA incl."), 60);
}

TFBBas0030f::~TFBBas0030f()
{
    delete ui;
}

void TFBBas0030f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (FBBas0030f == this)
        FBBas0030f = nullptr;
}

void TFBBas0030f::TTipiListinoBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
}

void TFBBas0030f::TTipiListinoBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}

void TFBBas0030f::TTipiListinoNewRecord(TDataSet *DataSet)
{
    // the company's currency, when the company keeps it among its currencies
    if (TTipiListino->Database()
            .ScalarValue(QStringLiteral("SELECT 1 FROM Divise WHERE IdDivisa = ?"), {CFG.IdDivisa})
            .isValid())
        DataSet->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(CFG.IdDivisa);
}
