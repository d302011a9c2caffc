#include "host/business/Fbbas0038f.h"

#include "ui_Fbbas0038f.h"

#include "host/ui/DBGrid.h"

TFBbas0038f::TFBbas0038f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0038f)
{
    SetupLayout(*ui);
    TCausBolleCli = CreaTabella(QStringLiteral("TCausBolleCli"), QStringLiteral("CausaliBolleCli"));
    TCausBolleCli->BeforePost = [this](TDataSet *d) { TCausBolleCliBeforePost(d); };
    TCausBolleCli->BeforeDelete = [this](TDataSet *d) { TCausBolleCliBeforeDelete(d); };
    pnDettaglio = ui->pnDettaglio;
    lyDettaglio = ui->lyDettaglio;
    GrigliaMain->AddColumn(QStringLiteral("IdCausale"), QStringLiteral("Codice"), 60);
    GrigliaMain->AddColumn(QStringLiteral("DsCausale"), QStringLiteral("Descrizione"), 300);
    GrigliaMain->AddColumn(QStringLiteral("Serie"), QStringLiteral("Serie"), 45);
    GrigliaMain->AddColumn(QStringLiteral("IdCausaleMaga"), QStringLiteral("Caus. mag."), 70);
}

TFBbas0038f::~TFBbas0038f()
{
    delete ui;
}

void TFBbas0038f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (FBbas0038f == this)
        FBbas0038f = nullptr;
}

void TFBbas0038f::TCausBolleCliBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
}

void TFBbas0038f::TCausBolleCliBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}
