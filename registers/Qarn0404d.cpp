#include "registers/Qarn0404d.h"

#include "ui_Qarn0404d.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Periodo.h"
#include "registers/Lumo_accisa.h"
#include "registers/Qarn0404s.h"

#include <memory>

TFqarn0404d::TFqarn0404d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0404d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_StaDocAcc"));
    tPars->SetUsaDizionario(true);
    LumoAccisa::AggiungiNomiConsegnatario(tPars);
    SetActiveControl(ui->edDa_Data);
}

TFqarn0404d::~TFqarn0404d()
{
    delete ui;
}

void TFqarn0404d::FormCreate()
{
    TFDBChildPars::FormCreate();
    LumoAccisa::ImpostaControlliConsegnatario(tPars, ui->edIdDestinazione);
}

void TFqarn0404d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0404d == this)
        Fqarn0404d = nullptr;
}

void TFqarn0404d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    if (!Funzioni::ControllaPeriodo(tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime(),
                                    tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), ui->edDa_Data))
        return;
    const QString selezione =
        LumoAccisa::CondizioneStampa(tPars, DMIDataBases::Instance().Global(), QStringLiteral("T"));
    std::unique_ptr<Tfqarn0404s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0404s>()).CreateAs<Tfqarn0404s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, selezione, QString());
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0404d, Fqarn0404d);
