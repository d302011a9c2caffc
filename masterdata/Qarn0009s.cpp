#include "masterdata/Qarn0009s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"

DUSARIA_CLASSE(Tfqarn0009s);

Tfqarn0009s::Tfqarn0009s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0009s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->XSQL << QStringLiteral("SELECT LUMO_RaggMagR.*, Magazzini.RagioneSociale, LUMO_RaggMagT.DsRaggrupp")
                << QStringLiteral("FROM LUMO_RaggMagR")
                << QStringLiteral("LEFT JOIN Magazzini ON Magazzini.IdMagazzino = LUMO_RaggMagR.IdMagazzino")
                << QStringLiteral("LEFT JOIN LUMO_RaggMagT ON  LUMO_RaggMagT.IdRaggMag = LUMO_RaggMagR.IdRaggMag")
                << QStringLiteral("{WHERE XWHERE}") << QStringLiteral("ORDER By LUMO_RaggMagR.IdRaggMag");
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
}
