#include "masterdata/Qarn0010f.h"

#include "ui_Qarn0010f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0010s.h"

TFqarn0010f::TFqarn0010f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0010f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain =
        CreaTabellaCodici(this, QStringLiteral("LUMO_Specifica"), QStringLiteral("IdSpecifica"),
                          {QStringLiteral("IdSpecifica"), QStringLiteral("DsSpecifica"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdSpecifica);
}

TFqarn0010f::~TFqarn0010f()
{
    delete ui;
}

void TFqarn0010f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0010f == this)
        Fqarn0010f = nullptr;
}

void TFqarn0010f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0010s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0010f, Fqarn0010f);
