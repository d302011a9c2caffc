#include "masterdata/Qarn0012f.h"

#include "ui_Qarn0012f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0012s.h"

TFqarn0012f::TFqarn0012f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0012f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_Regioni"), QStringLiteral("IdRegione"),
                              {QStringLiteral("IdRegione"), QStringLiteral("DsRegione"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdRegione);
}

TFqarn0012f::~TFqarn0012f()
{
    delete ui;
}

void TFqarn0012f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0012f == this)
        Fqarn0012f = nullptr;
}

void TFqarn0012f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0012s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0012f, Fqarn0012f);
