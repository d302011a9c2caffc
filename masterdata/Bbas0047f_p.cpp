#include "masterdata/Bbas0047f_p.h"

#include "ui_Bbas0047f_p.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Bbas0047s.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/Dlgrptparam.h"
#include "masterdata/Lumo_anagrafiche.h"

#include <memory>

TFBBas0047f_p::TFBBas0047f_p(QWidget *owner) : TFBBas0047f(owner)
{
    QWidget contenitore;
    Ui::Bbas0047f_p ui;
    ui.setupUi(&contenitore);
    tsDuSa = ui.tsDuSa;
    Lumo_anagrafiche::AccodaPagine(this, ui.pcPagine);
}

void TFBBas0047f_p::FormCreate()
{
    TFBBas0047f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
    UT_LMQ_Setta_Stato_Campi();
}

void TFBBas0047f_p::FormClose(TCloseAction &action)
{
    TFBBas0047f::FormClose(action);
    if (FBBas0047f_p == this)
        FBBas0047f_p = nullptr;
}

void TFBBas0047f_p::UT_LMQ_Setta_Stato_Campi()
{
    const TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
    const std::pair<qint32, const char *> registri[] = {
        {p.FlStaRegCon, "chUT_LMQ_FlRegCon"},
        {p.FlStaRegCs, "chUT_LMQ_FlRegCs"},
        {p.FlStaRegImb, "chUT_LMQ_FlRegImb"},
        {p.FlStaRegSpum, "chUT_LMQ_FlRegSpu"},
    };
    for (const auto &[parametro, controllo] : registri)
        if (parametro == 0)
            Control<QWidget>(QLatin1String(controllo))->setEnabled(false);
}

void TFBBas0047f_p::XFormXStampa(bool preview)
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
    if (!Dlgrptparam::GetRPTParams(this, params) || params.Layout < 0 || params.Layout > 3)
        return;

    // the codes of the range as quoted literals
    QString selezione;
    if (!params.DaCodice.isEmpty())
        selezione += QStringLiteral("C.IdCausale >= ") + XWideQuotedStr(params.DaCodice) + QStringLiteral(" AND ");
    if (!params.ACodice.isEmpty())
        selezione += QStringLiteral("C.IdCausale <= ") + XWideQuotedStr(params.ACodice) + QStringLiteral(" AND ");
    if (!selezione.isEmpty())
        selezione.chop(5);

    std::unique_ptr<TfBBas0047s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TfBBas0047s>()).CreateAs<TfBBas0047s>(this));
    static const char *const varianti[] = {"_A", "_D", "_P"};
    if (params.Layout == 0) {
        stampa->InitReport();
        stampa->ImpostaQuery(stampa->qMain, 0, selezione, params.Ordine, QString());
        stampa->ImpostaReport(QString());
    } else {
        const QString nome = stampa->NomeDefault() + QLatin1String(varianti[params.Layout - 1]);
        stampa->InitReport(nome);
        stampa->ImpostaQuery(stampa->qMain, 0, selezione, params.Ordine, nome);
        stampa->ImpostaReport(nome);
    }
    stampa->EseguiStampa(preview, false);
}

DUSARIA_FINESTRA(TFBBas0047f_p, FBBas0047f_p);
