#include "host/business/Fbbas0039f.h"

#include "ui_Fbbas0039f.h"

#include "host/ui/DBGrid.h"

TFBBas0039f::TFBBas0039f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0039f)
{
    SetupLayout(*ui);
    TCausFattCli = CreaTabella(QStringLiteral("TCausFattCli"), QStringLiteral("CausaliFattCli"));
    TCausFattCli->BeforePost = [this](TDataSet *d) { TCausFattCliBeforePost(d); };
    TCausFattCli->BeforeDelete = [this](TDataSet *d) { TCausFattCliBeforeDelete(d); };
    pnDettaglio = ui->pnDettaglio;
    lyDettaglio = ui->lyDettaglio;
    GrigliaMain->AddColumn(QStringLiteral("IdCausale"), QStringLiteral("Codice"), 60);
    GrigliaMain->AddColumn(QStringLiteral("DsCausale"), QStringLiteral("Descrizione"), 300);
    GrigliaMain->AddColumn(QStringLiteral("FlTipoDocumento"), QStringLiteral("Tipo documento"), 150);
    GrigliaMain->AddColumn(QStringLiteral("IdCausaleMaga"), QStringLiteral("Caus. mag."), 70);
}

TFBBas0039f::~TFBBas0039f()
{
    delete ui;
}

void TFBBas0039f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (FBBas0039f == this)
        FBBas0039f = nullptr;
}

void TFBBas0039f::TCausFattCliBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
}

void TFBBas0039f::TCausFattCliBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}
