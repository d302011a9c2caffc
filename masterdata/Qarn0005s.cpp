#include "masterdata/Qarn0005s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0005s::Tfqarn0005s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0005s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_CatVin"), true);
}

DUSARIA_CLASSE(Tfqarn0005s);
