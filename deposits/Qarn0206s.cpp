#include "deposits/Qarn0206s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"

DUSARIA_CLASSE(Tfqarn0206s);

Tfqarn0206s::Tfqarn0206s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0206s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qRighe = new TXQuery(this);
    qRighe->SetName(QStringLiteral("qRighe"));
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    AggiungiDataSet(QStringLiteral("qRighe"), qRighe);
}
