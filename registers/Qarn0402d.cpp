#include "registers/Qarn0402d.h"

#include "ui_Qarn0402d.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Periodo.h"
#include "registers/Lumo_accisa.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0402s.h"

#include <memory>

TFqarn0402d::TFqarn0402d(QWidget *owner) : TDialogoRegistro(owner), ui(new Ui::Qarn0402d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_StaDocAcc"));
    tPars->SetUsaDizionario(true);
    LumoAccisa::AggiungiNomiConsegnatario(tPars);
    btEsegui->setText(QStringLiteral("&Stampa"));
    SetActiveControl(ui->edDa_Data);
}

TFqarn0402d::~TFqarn0402d()
{
    delete ui;
}

void TFqarn0402d::FormCreate()
{
    TFDBChildPars::FormCreate();
    LumoAccisa::ImpostaControlliConsegnatario(tPars, ui->edIdDestinazione);
}

void TFqarn0402d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0402d == this)
        Fqarn0402d = nullptr;
}

void TFqarn0402d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildPars::btEseguiClick();
    if (!Funzioni::ControllaPeriodo(tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime(),
                                    tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), ui->edDa_Data))
        return;
    const QString selezione =
        LumoAccisa::CondizioneStampa(tPars, DMIDataBases::Instance().Global(), QStringLiteral("T"));
    std::unique_ptr<Tfqarn0402s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0402s>()).CreateAs<Tfqarn0402s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, selezione, QString());
    stampa->StampaSu.Aghi = UT_LMQ_Parametri.FlAbilAccisa != 1;
    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi}); // the dot-matrix pass lets window messages through
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0402d, Fqarn0402d);
