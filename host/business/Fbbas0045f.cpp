#include "host/business/Fbbas0045f.h"

#include "ui_Fbbas0045f.h"

#include "host/ui/DBGrid.h"

TFBbas0045f::TFBbas0045f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0045f)
{
    SetupLayout(*ui);
    TCausBolleFor = CreaTabella(QStringLiteral("TCausBolleFor"), QStringLiteral("CausaliBolleFor"));
    TCausBolleFor->BeforePost = [this](TDataSet *d) { TCausBolleForBeforePost(d); };
    TCausBolleFor->BeforeDelete = [this](TDataSet *d) { TCausBolleForBeforeDelete(d); };
    pnDettaglio = ui->pnDettaglio;
    lyDettaglio = ui->lyDettaglio;
    GrigliaMain->AddColumn(QStringLiteral("IdCausale"), QStringLiteral("Codice"), 60);
    GrigliaMain->AddColumn(QStringLiteral("DsCausale"), QStringLiteral("Descrizione"), 300);
    GrigliaMain->AddColumn(QStringLiteral("Serie"), QStringLiteral("Serie"), 45);
    GrigliaMain->AddColumn(QStringLiteral("IdCausaleMaga"), QStringLiteral("Caus. mag."), 70);
}

TFBbas0045f::~TFBbas0045f()
{
    delete ui;
}

void TFBbas0045f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (FBbas0045f == this)
        FBbas0045f = nullptr;
}

void TFBbas0045f::TCausBolleForBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
}

void TFBbas0045f::TCausBolleForBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}
