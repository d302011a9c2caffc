#include "registers/Qarn0300s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"
#include "registers/Lumo_schedeprodotto.h"

TFqarn0300s::TFqarn0300s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0300s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SQL = UT_LMQ_SK_QueryArticoli(QStringLiteral("{WHERE XWHERE}"), QStringLiteral("{ORDER BY XORDERBY}"));
}

DUSARIA_CLASSE(TFqarn0300s);
