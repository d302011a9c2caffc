#include "host/business/Fbbas0019f.h"

#include "ui_Fbbas0019f.h"

#include "host/ui/DBGrid.h"

TFBBas0019f::TFBBas0019f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0019f)
{
    SetupLayout(*ui);
    TImballi = CreaTabella(QStringLiteral("TImballi"), QStringLiteral("Imballi"));
    TImballi->BeforePost = [this](TDataSet *d) { TImballiBeforePost(d); };
    TImballi->BeforeDelete = [this](TDataSet *d) { TImballiBeforeDelete(d); };
    pnDettaglio = ui->pnDettaglio;
    lyDettaglio = ui->lyDettaglio;
    GrigliaMain->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Codice"), 60);
    GrigliaMain->AddColumn(QStringLiteral("DsImballo"), QStringLiteral("Descrizione"), 300);
    GrigliaMain->AddColumn(QStringLiteral("Tara"), QStringLiteral("Tara"), 70);
}

TFBBas0019f::~TFBBas0019f()
{
    delete ui;
}

void TFBBas0019f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (FBBas0019f == this)
        FBBas0019f = nullptr;
}

void TFBBas0019f::TImballiBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
}

void TFBBas0019f::TImballiBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}

void TFBBas0019f::FormCreate()
{
    TFBBasAnagrafica::FormCreate();
    TImballi->FieldByName(QStringLiteral("DsImballo"))->OnChange = [this](TField *f) { TImballiDsImballoChange(f); };
}

void TFBBas0019f::TImballiDsImballoChange(TField *) {}
