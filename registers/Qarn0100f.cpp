#include "registers/Qarn0100f.h"

#include "ui_Qarn0100f.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/data/TDataSource.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"

TFqarn0100f::TFqarn0100f(QWidget *owner) : TFDBChild(owner), ui(new Ui::Qarn0100f)
{
    SetupLayout(*ui);
    TDMILUMO::Crea();
    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_ProgRegistri"));
    tMain->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    tMain->SetIndexFieldNames(QStringLiteral("IdRaggMag;IdRegistro"));
    tMain->SetUsaDizionario(true);
    tMain->SetXAutoApply(true);
    tMain->AddLookupField(QStringLiteral("_DsRaggMag"), ftString, 30, DMILUMO->lkLUMO_RaggMagT,
                          QStringLiteral("IdRaggMag"), QStringLiteral("IdRaggMag"), QStringLiteral("DsRaggrupp"));
    DSMain->SetDataSet(tMain);
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0100f::~TFqarn0100f()
{
    delete ui;
}

void TFqarn0100f::FormClose(TCloseAction &action)
{
    TFDBChild::FormClose(action);
    if (Fqarn0100f == this)
        Fqarn0100f = nullptr;
}

DUSARIA_FINESTRA(TFqarn0100f, Fqarn0100f);
