#include "masterdata/Bbas0038f_p.h"

#include "ui_Bbas0038f_p.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_anagrafiche.h"

TFBbas0038f_p::TFBbas0038f_p(QWidget *owner) : TFBbas0038f(owner)
{
    QWidget contenitore;
    Ui::Bbas0038f_p ui;
    ui.setupUi(&contenitore);
    tsDuSa = ui.tsDuSa;
    Lumo_anagrafiche::AccodaPagine(this, ui.pcPagine);
}

void TFBbas0038f_p::FormCreate()
{
    TFBbas0038f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
    Lumo_anagrafiche::SettaCausaleDocumento(this, Lumo_anagrafiche::TCausaleDocumento::BolleClienti);
}

void TFBbas0038f_p::FormClose(TCloseAction &action)
{
    TFBbas0038f::FormClose(action);
    if (FBbas0038f_p == this)
        FBbas0038f_p = nullptr;
}

DUSARIA_FINESTRA(TFBbas0038f_p, FBbas0038f_p);
