#include "masterdata/Qarn0002s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0002s::Tfqarn0002s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0002s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_Bottiglie"), true);
}

DUSARIA_CLASSE(Tfqarn0002s);
