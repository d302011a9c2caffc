#include "masterdata/Bbas0019f_p.h"

#include "ui_Bbas0019f_p.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_anagrafiche.h"

TFBBas0019f_p::TFBBas0019f_p(QWidget *owner) : TFBBas0019f(owner)
{
    QWidget contenitore;
    Ui::Bbas0019f_p ui;
    ui.setupUi(&contenitore);
    edUT_LMQ_DsDescDoc = ui.edUT_LMQ_DsDescDoc;
    Lumo_anagrafiche::AccodaRighe(lyDettaglio, ui.lyDusaria);
}

void TFBBas0019f_p::FormCreate()
{
    TFBBas0019f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
}

void TFBBas0019f_p::FormClose(TCloseAction &action)
{
    TFBBas0019f::FormClose(action);
    if (FBBas0019f_p == this)
        FBBas0019f_p = nullptr;
}

void TFBBas0019f_p::TImballiDsImballoChange(TField *Sender)
{
    TFBBas0019f::TImballiDsImballoChange(Sender);
    TField *breve = TImballi->FieldByName(QStringLiteral("UT_LMQ_DsDescDoc"));
    if (TImballi->State() == dsInsert && breve->AsString().isEmpty())
        breve->SetAsString(Sender->AsString().left(15));
}

DUSARIA_FINESTRA(TFBBas0019f_p, FBBas0019f_p);
