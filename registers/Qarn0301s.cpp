#include "registers/Qarn0301s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"
#include "registers/Lumo_schedeprodotto.h"

TFqarn0301s::TFqarn0301s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0301s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SQL = UT_LMQ_SK_QueryArticoli(QStringLiteral("{WHERE XWHERE}"), QStringLiteral("{ORDER BY XORDERBY}"));
    UT_LMQ_SK_ImmagineProdotto(this, QStringLiteral("imProdotto"));
}

TFqarn0301s_002::TFqarn0301s_002(QObject *owner) : TFqarn0301s(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0301s_002"));
}

void TFqarn0301s::InitReport(const QString &layout)
{
    TfKV8ReportB::InitReport(layout);
    Nascondi(QStringLiteral("ppHeaderBand"));
}

DUSARIA_CLASSE(TFqarn0301s);
DUSARIA_CLASSE(TFqarn0301s_002);
