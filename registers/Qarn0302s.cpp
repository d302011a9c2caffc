#include "registers/Qarn0302s.h"

#include "frame/Dusaria.h"
#include "host/data/TDataSet.h"
#include "host/data/TXQuery.h"
#include "registers/Lumo_schedeprodotto.h"

TFqarn0302s::TFqarn0302s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0302s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SQL = UT_LMQ_SK_QueryArticoli(QStringLiteral("{WHERE XWHERE}"), QStringLiteral("{ORDER BY XORDERBY}"));
    // The price of a wine on the chosen list is not read: the column stays blank.
    qMain->AddCalcField(QStringLiteral("_Prezzo"), ftFloat);
}

void TFqarn0302s::EseguiUI(TDataSet *parametri)
{
    _Tpars = parametri;
}

void TFqarn0302s::InitReport(const QString &layout)
{
    TfKV8ReportB::InitReport(layout);
    Nascondi(QStringLiteral("ppHeaderBand"));
}

DUSARIA_CLASSE(TFqarn0302s);
