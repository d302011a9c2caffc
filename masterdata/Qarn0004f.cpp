#include "masterdata/Qarn0004f.h"

#include "ui_Qarn0004f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0004s.h"

TFqarn0004f::TFqarn0004f(QWidget *owner) : TFDBChild(owner), ui(new Ui::Qarn0004f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_Vasche"), QStringLiteral("IdVasca"), {});
    SetActiveControl(ui->edIdVasca);
}

TFqarn0004f::~TFqarn0004f()
{
    delete ui;
}

void TFqarn0004f::FormClose(TCloseAction &action)
{
    TFDBChild::FormClose(action);
    if (Fqarn0004f == this)
        Fqarn0004f = nullptr;
}

void TFqarn0004f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0004s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0004f, Fqarn0004f);
