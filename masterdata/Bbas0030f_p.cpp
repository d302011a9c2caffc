#include "masterdata/Bbas0030f_p.h"

#include "ui_Bbas0030f_p.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_anagrafiche.h"

TFBBas0030f_p::TFBBas0030f_p(QWidget *owner) : TFBBas0030f(owner)
{
    QWidget contenitore;
    Ui::Bbas0030f_p ui;
    ui.setupUi(&contenitore);
    cbUT_LMQ_FlTipoPrz = ui.cbUT_LMQ_FlTipoPrz;
    Lumo_anagrafiche::AccodaRighe(lyDettaglio, ui.lyDusaria);
}

void TFBBas0030f_p::FormCreate()
{
    TFBBas0030f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
}

void TFBBas0030f_p::FormClose(TCloseAction &action)
{
    TFBBas0030f::FormClose(action);
    if (FBBas0030f_p == this)
        FBBas0030f_p = nullptr;
}

DUSARIA_FINESTRA(TFBBas0030f_p, FBBas0030f_p);
