#include "masterdata/Qarn0007f.h"

#include "ui_Qarn0007f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0007s.h"

TFqarn0007f::TFqarn0007f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0007f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_ConIva"), QStringLiteral("IdConIva"),
                              {QStringLiteral("IdConIva"), QStringLiteral("DsConIva"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdConIva);
}

TFqarn0007f::~TFqarn0007f()
{
    delete ui;
}

void TFqarn0007f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0007f == this)
        Fqarn0007f = nullptr;
}

void TFqarn0007f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0007s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0007f, Fqarn0007f);
