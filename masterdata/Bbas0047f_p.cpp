#include "masterdata/Bbas0047f_p.h"

#include "ui_Bbas0047f_p.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "masterdata/Lumo_anagrafiche.h"

#include <utility>

TFBBas0047f_p::TFBBas0047f_p(QWidget *owner) : TFBBas0047f(owner)
{
    QWidget contenitore;
    Ui::Bbas0047f_p ui;
    ui.setupUi(&contenitore);
    tsDuSa = ui.tsDuSa;
    Lumo_anagrafiche::AccodaPagine(this, ui.pcPagine);
}

void TFBBas0047f_p::FormCreate()
{
    TFBBas0047f::FormCreate();
    Lumo_anagrafiche::Intitola(this);
    UT_LMQ_Setta_Stato_Campi();
}

void TFBBas0047f_p::FormClose(TCloseAction &action)
{
    TFBBas0047f::FormClose(action);
    if (FBBas0047f_p == this)
        FBBas0047f_p = nullptr;
}

void TFBBas0047f_p::UT_LMQ_Setta_Stato_Campi()
{
    const TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
    const std::pair<qint32, const char *> registri[] = {
        {p.FlStaRegCon, "chUT_LMQ_FlRegCon"},
        {p.FlStaRegCs, "chUT_LMQ_FlRegCs"},
        {p.FlStaRegImb, "chUT_LMQ_FlRegImb"},
        {p.FlStaRegSpum, "chUT_LMQ_FlRegSpu"},
    };
    for (const auto &[parametro, controllo] : registri)
        if (parametro == 0)
            Control<QWidget>(QLatin1String(controllo))->setEnabled(false);
}

DUSARIA_FINESTRA(TFBBas0047f_p, FBBas0047f_p);
