#include "host/business/Fbbas0055f.h"

#include "ui_Fbbas0055f.h"

#include "host/ui/DBGrid.h"

TFbbas0055f::TFbbas0055f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0055f)
{
    SetupLayout(*ui);
    TArticoli = CreaTabella(QStringLiteral("TArticoli"), QStringLiteral("Articoli"));
    TArticoli->BeforePost = [this](TDataSet *d) { TArticoliBeforePost(d); };
    TArticoli->BeforeDelete = [this](TDataSet *d) { TArticoliBeforeDelete(d); };

    tsAnagrafica = ui->tsAnagrafica;
    tsProdotto = ui->tsProdotto;
    tsNote = ui->tsNote;
    pnProdotto = ui->pnProdotto;
    lbFlTipoMisure = ui->lbFlTipoMisure;
    cbFlTipoMisure = ui->cbFlTipoMisure;
    edIdImballo = ui->edIdImballo;
    edQtaImballo = ui->edQtaImballo;
    ImpostaPagine(ui->pcPagine);

    GrigliaMain->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Codice"), 130);
    GrigliaMain->AddColumn(QStringLiteral("DsProdotto"), QStringLiteral("Descrizione"), 300);
    GrigliaMain->AddColumn(QStringLiteral("IdCategoria"), QStringLiteral("Categoria"), 80);
    GrigliaMain->AddColumn(QStringLiteral("IdUM1"), QStringLiteral("U.M."), 45);
    GrigliaMain->AddColumn(QStringLiteral("IdIva"), QStringLiteral("IVA"), 45);
    GrigliaMain->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Imballo"), 60);
    GrigliaMain->AddColumn(QStringLiteral("QtaImballo"), QStringLiteral("Q.tà conf."), 70);
}

TFbbas0055f::~TFbbas0055f()
{
    delete ui;
}

QStringList TFbbas0055f::TabelleCollegate() const
{
    return {QStringLiteral("Listini")};
}

void TFbbas0055f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (Fbbas0055f == this)
        Fbbas0055f = nullptr;
}

void TFbbas0055f::TArticoliBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
}

void TFbbas0055f::TArticoliBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}
