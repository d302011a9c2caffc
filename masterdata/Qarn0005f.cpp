#include "masterdata/Qarn0005f.h"

#include "ui_Qarn0005f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0005s.h"

TFqarn0005f::TFqarn0005f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0005f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_CatVin"), QStringLiteral("IdCatVin"),
                              {QStringLiteral("IdCatVin"), QStringLiteral("DsCatVin"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdCatVin);
}

TFqarn0005f::~TFqarn0005f()
{
    delete ui;
}

void TFqarn0005f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0005f == this)
        Fqarn0005f = nullptr;
}

void TFqarn0005f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0005s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0005f, Fqarn0005f);
