#include "host/business/Bbas0047s.h"

#include "host/data/TXQuery.h"

TfBBas0047s::TfBBas0047s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Bbas0047s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qDocumenti = new TXQuery(this);
    qDocumenti->SetName(QStringLiteral("qDocumenti"));
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    AggiungiDataSet(QStringLiteral("qDocumenti"), qDocumenti);
}
