#include "masterdata/Qarn0007s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0007s::Tfqarn0007s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0007s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_ConIva"), true);
}

DUSARIA_CLASSE(Tfqarn0007s);
