#include "masterdata/Bbas0058f_p.h"

#include "ui_Bbas0058f_p.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "masterdata/Lumo_anagrafiche.h"

TFBBas0058f_p::TFBBas0058f_p(QWidget *owner) : TFBBas0058f(owner)
{
    QWidget contenitore;
    Ui::Bbas0058f_p ui;
    ui.setupUi(&contenitore);
    tsAccisa = ui.tsAccisa;
    edUT_LMQ_CodAcc = ui.edUT_LMQ_CodAcc;
    edUT_LMQ_RapFis = ui.edUT_LMQ_RapFis;
    edUT_LMQ_DurVia = ui.edUT_LMQ_DurVia;
    cbUT_LMQ_FlTipCli = ui.cbUT_LMQ_FlTipCli;
    Lumo_anagrafiche::AccodaPagine(this, ui.pcPagine);
}

void TFBBas0058f_p::FormCreate()
{
    TFBBas0058f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
    tDestinazioni->FieldByName(QStringLiteral("UT_LMQ_FlTipCli"))->OnChange = [this](TField *f) {
        tDestinazioniUT_LMQ_FlTipCliChange(f);
    };
    if (UT_LMQ_Parametri.FlAbilAccisa == 0)
        PageControl->SetTabVisible(tsAccisa, false);
    UT_LMQ_SettaStatoCampi();
}

void TFBBas0058f_p::FormClose(TCloseAction &action)
{
    TFBBas0058f::FormClose(action);
    if (FBBas0058f_p == this)
        FBBas0058f_p = nullptr;
}

void TFBBas0058f_p::UT_LMQ_SettaStatoCampi()
{
    cbUT_LMQ_FlTipCli->setEnabled(UT_LMQ_Parametri.FlAbilAccisa != 0);
    const bool accisa = Lumo_anagrafiche::AccisaAttiva(tDestinazioni);
    for (QWidget *w : std::initializer_list<QWidget *>{edUT_LMQ_CodAcc, edUT_LMQ_RapFis, edUT_LMQ_DurVia})
        w->setEnabled(accisa);
}

void TFBBas0058f_p::tDestinazioniAfterScroll(TDataSet *DataSet)
{
    TFBBas0058f::tDestinazioniAfterScroll(DataSet);
    UT_LMQ_SettaStatoCampi();
}

void TFBBas0058f_p::tDestinazioniUT_LMQ_FlTipCliChange(TField *)
{
    UT_LMQ_SettaStatoCampi();
}

void TFBBas0058f_p::tDestinazioniBeforePost(TDataSet *DataSet)
{
    TFBBas0058f::tDestinazioniBeforePost(DataSet);
    Lumo_anagrafiche::AzzeraAccisa(DataSet);
}

DUSARIA_FINESTRA(TFBBas0058f_p, FBBas0058f_p);
