#include "host/business/Fbbas0047f.h"

#include "ui_Fbbas0047f.h"

#include "host/business/Bbas0047s.h"
#include "host/data/TXQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dlgrptparam.h"

#include <memory>

TFBBas0047f::TFBBas0047f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0047f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    TCausMagaz = CreaTabella(QStringLiteral("TCausMagaz"), QStringLiteral("CausaliMagaz"));
    TCausMagaz->BeforePost = [this](TDataSet *d) { TCausMagazBeforePost(d); };
    TCausMagaz->BeforeDelete = [this](TDataSet *d) { TCausMagazBeforeDelete(d); };
    pnDettaglio = ui->pnDettaglio;
    lyDettaglio = ui->lyDettaglio;
    GrigliaMain->AddColumn(QStringLiteral("IdCausale"), QStringLiteral("Codice"), 60);
    GrigliaMain->AddColumn(QStringLiteral("DsCausale"), QStringLiteral("Descrizione"), 300);
    GrigliaMain->AddColumn(QStringLiteral("FlEsistenza"), QStringLiteral("Segno esistenza"), 110);
    GrigliaMain->AddColumn(QStringLiteral("IdContropartita"), QStringLiteral("Contropartita"), 90);
}

TFBBas0047f::~TFBBas0047f()
{
    delete ui;
}

void TFBBas0047f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (FBBas0047f == this)
        FBBas0047f = nullptr;
}

void TFBBas0047f::TCausMagazBeforePost(TDataSet *DataSet)
{
    ControllaRecord(DataSet);
}

void TFBBas0047f::TCausMagazBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}

QObject *TFBBas0047f::RiferimentoStampa()
{
    return this;
}

void TFBBas0047f::XFormXStampa(bool preview)
{
    Dlgrptparam::TRPTParams params;
    Dlgrptparam::InitRPTParams(params);
    params.Titolo = Caption();
    params.CampoChiave = QStringLiteral("IdCausale");
    params.CampoDescrizione = QStringLiteral("DsCausale");
    params.Alias = QStringLiteral("C");
    params.Layout = 0;
    params.Layouts = GestioneProgetti ? QStringLiteral("Sintetica;Analitica;Dettagliata;Progetti")
                                      : QStringLiteral("Sintetica;Analitica;Dettagliata");
    params.Riferimento = RiferimentoStampa();
    if (!Dlgrptparam::GetRPTParams(this, params))
        return;

    QString selezione;
    if (!params.DaCodice.isEmpty())
        selezione += QStringLiteral("C.IdCausale >= %1 AND ").arg(XWideQuotedStr(params.DaCodice));
    if (!params.ACodice.isEmpty())
        selezione += QStringLiteral("C.IdCausale <= %1 AND ").arg(XWideQuotedStr(params.ACodice));
    if (!selezione.isEmpty())
        selezione.chop(5);

    static const char *const varianti[] = {"", "_A", "_D", "_P"};
    if (params.Layout < 0 || params.Layout >= int(std::size(varianti)))
        return;
    std::unique_ptr<TfBBas0047s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TfBBas0047s>()).CreateAs<TfBBas0047s>(this));
    const QString layout =
        params.Layout == 0 ? QString() : stampa->NomeDefault() + QLatin1String(varianti[params.Layout]);
    stampa->InitReport(layout);
    stampa->ImpostaQuery(stampa->qMain, 0, selezione, params.Ordine, layout);
    stampa->ImpostaReport(layout);
    stampa->EseguiStampa(preview, false);
}
