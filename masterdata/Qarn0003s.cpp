#include "masterdata/Qarn0003s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0003s::Tfqarn0003s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0003s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_Colori"), true);
}

DUSARIA_CLASSE(Tfqarn0003s);
