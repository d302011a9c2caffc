#include "documents/Lumo_finestradoc.h"

#include "host/ui/Forms.h"

#include <QGridLayout>
#include <QLayout>

void LumoFinestraDoc::AggiungiAlPannello(QWidget *panelR, QWidget *aggiunta)
{
    if (auto *griglia = qobject_cast<QGridLayout *>(panelR->layout()))
        griglia->addWidget(aggiunta, griglia->rowCount(), 0, 1, griglia->columnCount());
    else
        panelR->layout()->addWidget(aggiunta);
}

void LumoFinestraDoc::PannelloRighe(TForm *finestra, TLumoRigheDoc &righe)
{
    righe.TrovaControlli(finestra);
    if (righe.edQuantita2) {
        righe.edQuantita2->setVisible(true);
        if (!righe.Membro.FormaBreve)
            righe.edQuantita2->SetReadOnly(UT_LMQ_Parametri.FlQtaConf != 1);
    }
    if (QLabel *l = finestra->FindControl<QLabel>(QStringLiteral("lbQuantita2")))
        l->setVisible(true);
    if (righe.lbLunghezza)
        righe.lbLunghezza->setText(QStringLiteral("Nr.Confez."));
    if (righe.edQuantita)
        righe.edQuantita->SetReadOnly(true);
}
