#include "masterdata/Qarn0006f.h"

#include "ui_Qarn0006f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0006s.h"

TFqarn0006f::TFqarn0006f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0006f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_Natura"), QStringLiteral("IdNatura"),
                              {QStringLiteral("IdNatura"), QStringLiteral("DsNatura"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdNatura);
}

TFqarn0006f::~TFqarn0006f()
{
    delete ui;
}

void TFqarn0006f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0006f == this)
        Fqarn0006f = nullptr;
}

void TFqarn0006f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0006s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0006f, Fqarn0006f);
