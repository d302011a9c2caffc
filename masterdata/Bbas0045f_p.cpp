#include "masterdata/Bbas0045f_p.h"

#include "ui_Bbas0045f_p.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_anagrafiche.h"

TFBbas0045f_p::TFBbas0045f_p(QWidget *owner) : TFBbas0045f(owner)
{
    QWidget contenitore;
    Ui::Bbas0045f_p ui;
    ui.setupUi(&contenitore);
    tsDuSa = ui.tsDuSa;
    Lumo_anagrafiche::AccodaPagine(this, ui.pcPagine);
}

void TFBbas0045f_p::FormCreate()
{
    TFBbas0045f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
    Lumo_anagrafiche::SettaCausaleDocumento(this, Lumo_anagrafiche::TCausaleDocumento::BolleFornitori);
}

void TFBbas0045f_p::FormClose(TCloseAction &action)
{
    TFBbas0045f::FormClose(action);
    if (FBbas0045f_p == this)
        FBbas0045f_p = nullptr;
}

DUSARIA_FINESTRA(TFBbas0045f_p, FBbas0045f_p);
