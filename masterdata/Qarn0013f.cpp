#include "masterdata/Qarn0013f.h"

#include "ui_Qarn0013f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0013s.h"

TFqarn0013f::TFqarn0013f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0013f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain =
        CreaTabellaCodici(this, QStringLiteral("LUMO_Tipologie"), QStringLiteral("IdTipologia"),
                          {QStringLiteral("IdTipologia"), QStringLiteral("DsTipologia"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdTipologia);
}

TFqarn0013f::~TFqarn0013f()
{
    delete ui;
}

void TFqarn0013f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0013f == this)
        Fqarn0013f = nullptr;
}

void TFqarn0013f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0013s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0013f, Fqarn0013f);
