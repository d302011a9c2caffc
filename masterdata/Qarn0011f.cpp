#include "masterdata/Qarn0011f.h"

#include "ui_Qarn0011f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0011s.h"

TFqarn0011f::TFqarn0011f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0011f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain =
        CreaTabellaCodici(this, QStringLiteral("LUMO_ZonaProd"), QString(),
                          {QStringLiteral("IdZonaProd"), QStringLiteral("DsZonaProd"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdZonaProd);
}

TFqarn0011f::~TFqarn0011f()
{
    delete ui;
}

void TFqarn0011f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0011f == this)
        Fqarn0011f = nullptr;
}

void TFqarn0011f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0011s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0011f, Fqarn0011f);
