#include "registers/Qarn0300d.h"

#include "ui_Qarn0300d.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "registers/Lumo_schedeprodotto.h"
#include "registers/Qarn0300s.h"

#include <memory>

TFqarn0300d::TFqarn0300d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0300d)
{
    tPars->SetTableName(QStringLiteral("LUMO_SelSchPro"));
    tPars->SetUsaDizionario(true);
    UT_LMQ_SK_DescrizioniSelezione(tPars, this);
    tPars->OnNewRecord = [this](TDataSet *) { ui->edDa_IdProdotto->setFocus(); };
    qArtSchPro = new TXQuery(this);
    qArtSchPro->SetName(QStringLiteral("qArtSchPro"));
    qArtSchPro->SQL = UT_LMQ_SK_QueryArticoli(QStringLiteral("WHERE Articoli.UT_LMQ_Annata = -1"),
                                              QStringLiteral("ORDER BY  Articoli.IdProdotto"));
    DSRisultati->SetDataSet(qArtSchPro);
    gRisultati->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Codice Prodotto"), 130);
    gRisultati->AddColumn(QStringLiteral("DsProdotto"), QStringLiteral("Descrizione"), 260);
    gRisultati->AddColumn(QStringLiteral("UT_LMQ_Annata"), QStringLiteral("Annata"), 60);
    gRisultati->AddColumn(QStringLiteral("DsTipologia"), QStringLiteral("Tipologia"), 160);
    SetActiveControl(ui->edDa_IdProdotto);
}

TFqarn0300d::~TFqarn0300d() = default;

void TFqarn0300d::FormCreate()
{
    TFDBChildParsPage::FormCreate();
    SetPagina(0);
}

void TFqarn0300d::btEseguiClick()
{
    TFDBChildParsPage::btEseguiClick();
    UT_LMQ_SK_Selezione(tPars, WHERE, ORDER);
    UT_LMQ_SK_AggiornaSql(WHERE, ORDER, qArtSchPro);
    qArtSchPro->Open();
    if (qArtSchPro->IsEmpty())
        Kmessages::KMessage(QStringLiteral("Nessuna Scheda Trovata"), mtWarning, mbOK);
    else
        SetPagina(1);
}

void TFqarn0300d::btStampaClick()
{
    if (WHERE.isEmpty()) {
        Kmessages::KMessage(QStringLiteral("Nessuna Selezione Effettuata"), mtError, mbOK);
        return;
    }
    std::unique_ptr<TFqarn0300s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0300s>()).CreateAs<TFqarn0300s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, WHERE.chopped(5), ORDER);
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0300d, Fqarn0300d);
