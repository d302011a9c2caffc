#include "masterdata/Qarn0003f.h"

#include "ui_Qarn0003f.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"
#include "masterdata/Qarn0003s.h"

TFqarn0003f::TFqarn0003f(QWidget *owner) : TFDBTabChild(owner), ui(new Ui::Qarn0003f)
{
    SetupLayout(*ui);
    MostraStampa(true);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_Colori"), QStringLiteral("IdColore"),
                              {QStringLiteral("IdColore"), QStringLiteral("DsColore"), QStringLiteral("FlUtilizzo")});
    SetActiveControl(ui->edIdColore);
}

TFqarn0003f::~TFqarn0003f()
{
    delete ui;
}

void TFqarn0003f::FormClose(TCloseAction &action)
{
    TFDBTabChild::FormClose(action);
    if (Fqarn0003f == this)
        Fqarn0003f = nullptr;
}

void TFqarn0003f::XFormXStampa(bool preview)
{
    StampaTabellaCodici<Tfqarn0003s>(this, preview);
}

DUSARIA_FINESTRA(TFqarn0003f, Fqarn0003f);
