#include "registers/Qarn0302d.h"

#include "ui_Qarn0302d.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/PannelloPopup.h"
#include "registers/Lumo_schedeprodotto.h"
#include "registers/Qarn0302s.h"

#include <memory>

TFqarn0302d::TFqarn0302d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0302d)
{
    tPars->SetTableName(QStringLiteral("LUMO_SelSchPro"));
    tPars->SetUsaDizionario(true);
    UT_LMQ_SK_DescrizioniSelezione(tPars, this);
    auto *lkListini = new TXlkTable(this);
    lkListini->SetName(QStringLiteral("lkListini"));
    lkListini->SetTableName(QStringLiteral("TipiListino"));
    tPars->AddLookupField(QStringLiteral("_DsListino"), ftString, 40, lkListini, QStringLiteral("IdListino"),
                          QStringLiteral("IdListino"), QStringLiteral("DsListino"));
    qCartaVini = new TXQuery(this);
    qCartaVini->SetName(QStringLiteral("qCartaVini"));
    qCartaVini->SQL = UT_LMQ_SK_QueryArticoli(QStringLiteral("WHERE Articoli.UT_LMQ_Annata = -1"),
                                              QStringLiteral("ORDER BY  Articoli.IdProdotto"));
    qArtSel = new TXQuery(this);
    qArtSel->SetName(QStringLiteral("qArtSel"));
    qArtSel->SQL = UT_LMQ_SK_QueryArticoli(QStringLiteral("WHERE Articoli.IdProdotto = :IdProdotto"), QString());
    qArtSel->ParamByName(QStringLiteral("IdProdotto"))->SetDataType(ftString);
    DSRisultati->SetDataSet(qCartaVini);
    gRisultati->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Codice"), 120);
    gRisultati->AddColumn(QStringLiteral("DsProdotto"), QStringLiteral("Descrizione"), 240);
    gRisultati->AddColumn(QStringLiteral("UT_LMQ_Annata"), QStringLiteral("Annata"), 60);
    gRisultati->AddColumn(QStringLiteral("DsRegione"), QStringLiteral("Regione"), 140);
    gRisultati->AddColumn(QStringLiteral("DsNazione"), QStringLiteral("Nazione"), 140);
    gRisultati->OnDblClick = [this](KDBGriglia *) { Guard([this] { KDBGriglia1DblClick(); }); };
    connect(ui->btStampaSelezione, &QPushButton::clicked, this, [this] { Guard([this] { btStampaClick(); }); });
    SetActiveControl(ui->edDa_IdProdotto);
}

TFqarn0302d::~TFqarn0302d() = default;

void TFqarn0302d::FormCreate()
{
    TFDBChildParsPage::FormCreate();
    SetPagina(0);
}

void TFqarn0302d::PreparaDati()
{
    WHERE.clear();
    ORDER.clear();
    UT_LMQ_SK_CreaWhere(tPars, WHERE);
    ORDER = QStringLiteral("UT_LMQ_IdNazione,DsRegione,UT_LMQ_IdTipologia,IdProdotto");
}

void TFqarn0302d::btEseguiClick()
{
    TFDBChildParsPage::btEseguiClick();
    PreparaDati();
    UT_LMQ_SK_AggiornaSql(WHERE, ORDER, qCartaVini);
    qCartaVini->Open();
    if (qCartaVini->IsEmpty())
        Kmessages::KMessage(QStringLiteral("Nessun Prodotto Trovato"), mtWarning, mbOK);
    else
        SetPagina(1);
}

void TFqarn0302d::KDBGriglia1DblClick()
{
    if (!qCartaVini->Active() || qCartaVini->IsEmpty())
        return;
    qArtSel->Close();
    qArtSel->ParamByName(QStringLiteral("IdProdotto"))
        ->SetValue(qCartaVini->FieldByName(QStringLiteral("IdProdotto"))->AsString());
    qArtSel->Open();
    std::unique_ptr<TKPannelloPopup> pannello(
        Dlgbase::XGetDialogClass(ClassRef::Of<TKPannelloPopup>()).CreateAs<TKPannelloPopup>(this));
    pannello->setWindowTitle(QStringLiteral("Dettaglio Articolo"));
    pannello->SetDataSet(qArtSel);
    const int p1 = pannello->AggiungiPagina(QStringLiteral("Dettaglio1"), QStringLiteral("tsDettaglio1"));
    pannello->AggiungiCampo(p1, QStringLiteral("Prodotto:"), QStringLiteral("IdProdotto"));
    pannello->AggiungiCampo(p1, QStringLiteral("Descrizione:"), QStringLiteral("DsProdotto"));
    pannello->AggiungiCampo(p1, QStringLiteral("Annata:"), QStringLiteral("UT_LMQ_Annata"));
    pannello->AggiungiCampo(p1, QStringLiteral("Denominazione"), QStringLiteral("DsSpecifica"));
    pannello->AggiungiCampo(p1, QStringLiteral("Codice imballo:"), QStringLiteral("IdImballo"));
    pannello->AggiungiCampo(p1, QStringLiteral("Quantità per confezione:"), QStringLiteral("QtaImballo"));
    pannello->AggiungiCampo(p1, QStringLiteral("Regione:"), QStringLiteral("DsRegione"));
    pannello->AggiungiCampo(p1, QStringLiteral("Zona di Produzione"), QStringLiteral("DsZonaProd"));
    pannello->AggiungiCampo(p1, QStringLiteral("Tipologia"), QStringLiteral("DsTipologia"));
    pannello->AggiungiCampo(p1, QStringLiteral("Bottiglia/Contenitore"), QStringLiteral("DsBottiglia"));
    pannello->AggiungiCampo(p1, QStringLiteral("Annotazioni:"), QStringLiteral("NoteProdotto"), true);
    const int p2 = pannello->AggiungiPagina(QStringLiteral("Dettaglio2"), QStringLiteral("tsDettaglio2"));
    pannello->AggiungiCampo(p2, QStringLiteral("Gradazione Alcolica:"), QStringLiteral("UT_LMQ_GradAlc"));
    pannello->AggiungiCampo(p2, QStringLiteral("Vigneto / Natura:"), QStringLiteral("UT_LMQ_Vigneto"));
    pannello->AggiungiCampo(p2, QStringLiteral("Superficie Vitata:"), QStringLiteral("UT_LMQ_Superficie"));
    pannello->AggiungiCampo(p2, QStringLiteral("Anno Impianto:"), QStringLiteral("UT_LMQ_AnnoImp"));
    pannello->AggiungiCampo(p2, QStringLiteral("Vitigno:"), QStringLiteral("UT_LMQ_Vitigno"));
    pannello->AggiungiCampo(p2, QStringLiteral("Sistema Allevamento:"), QStringLiteral("UT_LMQ_SistemaAll"));
    pannello->AggiungiCampo(p2, QStringLiteral("Resa:"), QStringLiteral("UT_LMQ_Resa"));
    pannello->AggiungiCampo(p2, QStringLiteral("Vendemmia:"), QStringLiteral("UT_LMQ_Vendemmia"));
    pannello->AggiungiCampo(p2, QStringLiteral("Pressatura:"), QStringLiteral("UT_LMQ_Pressatura"));
    pannello->AggiungiCampo(p2, QStringLiteral("Descr. Fermentazione:"), QStringLiteral("UT_LMQ_Fermenta"), true);
    const int p3 = pannello->AggiungiPagina(QStringLiteral("Dettaglio3"), QStringLiteral("tsDettaglio3"));
    pannello->AggiungiCampo(p3, QStringLiteral("Imbottigliamento:"), QStringLiteral("UT_LMQ_Imbottiglia"));
    pannello->AggiungiCampo(p3, QStringLiteral("Bott. anno:"), QStringLiteral("UT_LMQ_Bottiglie"));
    pannello->AggiungiCampo(p3, QStringLiteral("Azienda Produttrice:"), QStringLiteral("UT_LMQ_Azienda"));
    pannello->AggiungiCampo(p3, QStringLiteral("Servire a Temperatura:"), QStringLiteral("UT_LMQ_Servire"));
    pannello->AggiungiCampo(p3, QStringLiteral("Accostamenti:"), QStringLiteral("UT_LMQ_Accosta"), true);
    pannello->AggiungiCampo(p3, QStringLiteral("Affinamento:"), QStringLiteral("UT_LMQ_Affinamento"), true);
    const int p4 = pannello->AggiungiPagina(QStringLiteral("Dettaglio4"), QStringLiteral("tsDettaglio4"));
    pannello->AggiungiCampo(p4, QStringLiteral("Profumo / Bouquet:"), QStringLiteral("UT_LMQ_Profumo"), true);
    pannello->AggiungiCampo(p4, QStringLiteral("Gusto / Sapore:"), QStringLiteral("UT_LMQ_Gusto"), true);
    pannello->AggiungiCampo(p4, QStringLiteral("Descr.Conservazione:"), QStringLiteral("UT_LMQ_Conservazione"), true);
    pannello->AggiungiCampo(p4, QStringLiteral("Descrizione Colore:"), QStringLiteral("UT_LMQ_DsColore"), true);
    pannello->DoCreate();
    pannello->ShowModal();
    panArtSelDisattiva();
}

void TFqarn0302d::panArtSelDisattiva()
{
    qArtSel->Close();
    SetPagina(1);
}

void TFqarn0302d::btStampaClick()
{
    PreparaDati();
    std::unique_ptr<TFqarn0302s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0302s>()).CreateAs<TFqarn0302s>(this));
    stampa->EseguiUI(tPars);
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, WHERE.chopped(5), ORDER);
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0302d, Fqarn0302d);
