#include "masterdata/Qarn0006s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0006s::Tfqarn0006s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0006s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_Natura"), false);
}

DUSARIA_CLASSE(Tfqarn0006s);
