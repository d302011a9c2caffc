#include "masterdata/Bbas0039f_p.h"

#include "ui_Bbas0039f_p.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_anagrafiche.h"

TFBBas0039f_p::TFBBas0039f_p(QWidget *owner) : TFBBas0039f(owner)
{
    QWidget contenitore;
    Ui::Bbas0039f_p ui;
    ui.setupUi(&contenitore);
    tsDuSa = ui.tsDuSa;
    Lumo_anagrafiche::AccodaPagine(this, ui.pcPagine);
}

void TFBBas0039f_p::FormCreate()
{
    TFBBas0039f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
    Lumo_anagrafiche::SettaCausaleDocumento(this, Lumo_anagrafiche::TCausaleDocumento::FattureClienti);
}

void TFBBas0039f_p::FormClose(TCloseAction &action)
{
    TFBBas0039f::FormClose(action);
    if (FBBas0039f_p == this)
        FBBas0039f_p = nullptr;
}

DUSARIA_FINESTRA(TFBBas0039f_p, FBBas0039f_p);
