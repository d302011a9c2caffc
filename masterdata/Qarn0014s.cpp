#include "masterdata/Qarn0014s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"

DUSARIA_CLASSE(Tfqarn0014s);

namespace {

TXQuery *Query(QObject *owner, const QString &name, const QStringList &sql)
{
    auto *q = new TXQuery(owner);
    q->SetName(name);
    q->XSQL = sql;
    return q;
}

} // namespace

Tfqarn0014s::Tfqarn0014s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0014s"));
    qMain = Query(this, QStringLiteral("qMain"),
                  {QStringLiteral("SELECT LTT.* , Divise.DsDivisa, Divise.SiglaDivisa"),
                   QStringLiteral("FROM LUMO_ListTraT LTT"),
                   QStringLiteral("LEFT JOIN Divise ON LTT.IdDivisa = Divise.IdDivisa"),
                   QStringLiteral("{WHERE XWHERE}"), QStringLiteral("{ORDER BY XORDERBY}")});
    qListTraD = Query(
        this, QStringLiteral("qListTraD"),
        {QStringLiteral("SELECT LTD.*, Clienti.RagioneSociale, Zone.DsZona, Spedizionieri.DsSpedizione1"),
         QStringLiteral("FROM LUMO_ListTraD as LTD"),
         QStringLiteral("LEFT JOIN Clienti ON  LTD.IdConto = Clienti.IdConto"),
         QStringLiteral("LEFT JOIN Zone ON LTD.IdZona = Zone.IdZona"),
         QStringLiteral("LEFT JOIN Spedizionieri ON LTD.IdSpedizione = Spedizionieri.IdSpedizione"),
         QStringLiteral("WHERE LTD.KListTraT = :KListTraT { AND XWHERE}"),
         QStringLiteral("ORDER BY LTD.IdSpedizione, LTD.IdZona, LTD.IdConto, LTD.IdDestinazione { , XORDERBY }")});
    qListTraR =
        Query(this, QStringLiteral("qListTraR"),
              {QStringLiteral("SELECT LUMO_ListTraR.*, Articoli.DsProdotto, CategorieMerc.DsCategoria"),
               QStringLiteral("FROM LUMO_ListTraR"),
               QStringLiteral("LEFT JOIN Articoli ON LUMO_ListTraR.IdProdotto = Articoli.IdProdotto"),
               QStringLiteral("LEFT JOIN CategorieMerc ON  LUMO_ListTraR.IdCategoria = CategorieMerc.IdCategoria"),
               QStringLiteral("WHERE LUMO_ListTraR.KListTraT = :KListTraT"),
               QStringLiteral("ORDER BY LUMO_ListTraR.IdCategoria, LUMO_ListTraR.IdProdotto")});
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    AggiungiDataSet(QStringLiteral("qListTraD"), qListTraD);
    AggiungiDataSet(QStringLiteral("qListTraR"), qListTraR);
    OnPrint(QStringLiteral("ppTipoGes"), [this](ReportItem &item) { ppTipoGesPrint(item); });
}

void Tfqarn0014s::ppTipoGesPrint(ReportItem &item)
{
    item.Text = qListTraD->FieldByName(QStringLiteral("FlTipoGest"))->AsInteger() != 0 ? QStringLiteral("Tot")
                                                                                       : QStringLiteral("Riga");
}
