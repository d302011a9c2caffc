#include "masterdata/Qarn0002f.h"

#include "ui_Qarn0002f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0002s.h"

TFqarn0002f::TFqarn0002f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0002f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_Bottiglie"), QStringLiteral("IdBottiglia"),
                              {QStringLiteral("IdBottiglia"), QStringLiteral("DsBottiglia"), QStringLiteral("Capacita"),
                               QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdBottiglia);
}

TFqarn0002f::~TFqarn0002f()
{
    delete ui;
}

void TFqarn0002f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0002f == this)
        Fqarn0002f = nullptr;
}

void TFqarn0002f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0002s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0002f, Fqarn0002f);
