#include "documents/Sven0007d_p.h"

#include "frame/Dusaria.h"
#include "host/ui/DBGrid.h"

DUSARIA_FINESTRA(TFSVen0007d_p, FSVen0007d_p);

TFSVen0007d_p::TFSVen0007d_p(QWidget *owner) : TFSVen0007d(owner)
{
    setObjectName(QStringLiteral("FSVen0007d_p"));
    SetCaption(QStringLiteral("Generazione Fatture (*)"));
    SetPagina(1);
    SetActiveControl(Errori);
}

void TFSVen0007d_p::FormClose(TCloseAction &action)
{
    TFSVen0007d::FormClose(action);
    if (FSVen0007d_p == this)
        FSVen0007d_p = nullptr;
}
