#include "deposits/Qarn0203s.h"

#include "frame/Dusaria.h"

DUSARIA_CLASSE(Tfqarn0203s);

Tfqarn0203s::Tfqarn0203s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0203s"));
}
