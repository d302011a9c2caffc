#include "host/business/Bbas0160s.h"

#include "host/ui/ClassRegistry.h"

TfBBas0160s::TfBBas0160s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("KV8Standard"));
}

TfBBas0160s *TfBBas0160s::Crea(QObject *owner)
{
    return Kv8reportb::XGetReportClass(QStringLiteral("TfBBas0160s"), ClassRef::Of<TfBBas0160s>())
        .CreateAs<TfBBas0160s>(owner);
}

bool TfBBas0160s::InitForm(int, int, int, int, int, int, int, int, const QDateTime &, const QDateTime &,
                           const QString &, const QString &, const QString &, int, int, int, int, bool)
{
    return false;
}
