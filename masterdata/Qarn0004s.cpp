#include "masterdata/Qarn0004s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0004s::Tfqarn0004s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0004s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_Vasche"), true);
}

DUSARIA_CLASSE(Tfqarn0004s);
