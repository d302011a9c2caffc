#include "masterdata/Qarn0013s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0013s::Tfqarn0013s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0013s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_Tipologie"), true);
}

DUSARIA_CLASSE(Tfqarn0013s);
