#include "masterdata/Qarn0010s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0010s::Tfqarn0010s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0010s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_Specifica"), true);
}

DUSARIA_CLASSE(Tfqarn0010s);
