#include "masterdata/Bbas0052f_p.h"

#include "ui_Bbas0052f_p.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "masterdata/Lumo_anagrafiche.h"

TFBbas0052f_p::TFBbas0052f_p(QWidget *owner) : TFBbas0052f(owner)
{
    QWidget contenitore;
    Ui::Bbas0052f_p ui;
    ui.setupUi(&contenitore);
    tsDatiVini = ui.tsDatiVini;
    cbUT_LMQ_FlCauz = ui.cbUT_LMQ_FlCauz;
    edUT_LMQ_IdListCau = ui.edUT_LMQ_IdListCau;
    Lumo_anagrafiche::AccodaPagine(this, ui.pcPagine);
}

void TFBbas0052f_p::FormCreate()
{
    TFBbas0052f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
    TMain->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->OnChange = [this](TField *f) { TMainUT_LMQ_FlCauzChange(f); };
    if (UT_LMQ_Parametri.FlAbilCauz == 0)
        cbUT_LMQ_FlCauz->setEnabled(false);
}

void TFBbas0052f_p::FormClose(TCloseAction &action)
{
    TFBbas0052f::FormClose(action);
    if (FBbas0052f_p == this)
        FBbas0052f_p = nullptr;
}

void TFBbas0052f_p::UT_LMQ_SettaCampi()
{
    const bool abilitate = UT_LMQ_Parametri.FlAbilCauz != 0;
    cbUT_LMQ_FlCauz->setEnabled(abilitate);
    edUT_LMQ_IdListCau->setEnabled(abilitate && TMain->Active()
                                   && TMain->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() != 0);
}

void TFBbas0052f_p::TMainAfterScroll(TDataSet *DataSet)
{
    TFBbas0052f::TMainAfterScroll(DataSet);
    UT_LMQ_SettaCampi();
}

void TFBbas0052f_p::TMainUT_LMQ_FlCauzChange(TField *)
{
    UT_LMQ_SettaCampi();
}

void TFBbas0052f_p::TMainBeforePost(TDataSet *DataSet)
{
    TFBbas0052f::TMainBeforePost(DataSet);
    TField *cauzioni = DataSet->FieldByName(QStringLiteral("UT_LMQ_FlCauz"));
    if (cauzioni->AsInteger() == 0 || UT_LMQ_Parametri.FlAbilCauz == 0) {
        cauzioni->SetAsInteger(0);
        DataSet->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(QString());
    }
}

DUSARIA_FINESTRA(TFBbas0052f_p, FBbas0052f_p);
