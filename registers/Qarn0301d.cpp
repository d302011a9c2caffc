#include "registers/Qarn0301d.h"

#include "ui_Qarn0301d.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/ui/ClassRegistry.h"
#include "registers/Lumo_schedeprodotto.h"
#include "registers/Qarn0301s.h"

#include <memory>

TFqarn0301d::TFqarn0301d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0301d)
{
    tPars->SetTableName(QStringLiteral("LUMO_SelSchPro"));
    tPars->SetUsaDizionario(true);
    UT_LMQ_SK_DescrizioniSelezione(tPars, this);
    btEsegui->setText(QStringLiteral("&Stampa"));
    SetActiveControl(ui->edDa_IdProdotto);
}

TFqarn0301d::~TFqarn0301d() = default;

void TFqarn0301d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    UT_LMQ_SK_Selezione(tPars, WHERE, ORDER);
    std::unique_ptr<TFqarn0301s> stampa;
    switch (tPars->FieldByName(QStringLiteral("FlNumSkePag"))->AsInteger()) {
    case 1:
        stampa.reset(Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0301s>()).CreateAs<TFqarn0301s>(this));
        break;
    case 2:
        stampa.reset(Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0301s_002>()).CreateAs<TFqarn0301s>(this));
        break;
    default:
        return; // neither one nor two cards a page: nothing to print
    }
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, WHERE.chopped(5), ORDER);
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0301d, Fqarn0301d);
