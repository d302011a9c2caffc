#include "masterdata/Qarn0011s.h"

#include "frame/Dusaria.h"
#include "masterdata/Lumo_TabelleCodici.h"

Tfqarn0011s::Tfqarn0011s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0011s"));
    qMain = CreaQueryCodici(this, QStringLiteral("LUMO_ZonaProd"), true);
}

DUSARIA_CLASSE(Tfqarn0011s);
