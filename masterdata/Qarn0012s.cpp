#include "masterdata/Qarn0012s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0012s::Tfqarn0012s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0012s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_Regioni"), true);
}

DUSARIA_CLASSE(Tfqarn0012s);
