#include "deposits/Qarn0210s.h"

#include "frame/Dusaria.h"

DUSARIA_CLASSE(Tfqarn0210s);

Tfqarn0210s::Tfqarn0210s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0210s"));
}
