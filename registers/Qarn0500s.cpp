#include "registers/Qarn0500s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"

TFqarn0500s::TFqarn0500s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0500s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SQL = {
        QStringLiteral("SELECT Articoli.*, LUMO_Bottiglie.DsBottiglia, LUMO_Bottiglie.Capacita, LUMO_CatVin.DsCatVin,"),
        QStringLiteral("LUMO_ConIva.DsConIva, Imballi.DsImballo"),
        QStringLiteral("FROM Articoli"),
        QStringLiteral("LEFT JOIN LUMO_CatVin ON Articoli.UT_LMQ_IdCatVin = LUMO_CatVin.IdCatVin"),
        QStringLiteral("LEFT JOIN LUMO_Bottiglie ON Articoli.UT_LMQ_IdBottiglia = LUMO_Bottiglie.IdBottiglia"),
        QStringLiteral("LEFT JOIN LUMO_ConIva ON Articoli.UT_LMQ_IdConIva = LUMO_ConIva.IdConIva"),
        QStringLiteral("LEFT JOIN Imballi ON Articoli.IdImballo = Imballi.IdImballo"),
        QStringLiteral("{WHERE XWHERE}"),
        QStringLiteral("{ORDER BY XORDERBY}"),
    };
    lkImballi = new TXlkTable(this);
    lkImballi->SetName(QStringLiteral("lkImballi"));
    lkImballi->SetTableName(QStringLiteral("Imballi"));
    qMain->AddLookupField(QStringLiteral("_DsImballo2"), ftString, 30, lkImballi, QStringLiteral("UT_LMQ_IdImballo2"),
                          QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
    // ppSchedaPrint, ppLabel9Print: the two markers.
    OnPrint(QStringLiteral("ppScheda"), [this](ReportItem &item) {
        item.Text = qMain->FieldByName(QStringLiteral("UT_LMQ_FlAbilSchedaPro"))->AsInteger() != 0
                        ? QStringLiteral("Scheda Prodotto")
                        : QString();
    });
    OnPrint(QStringLiteral("ppLabel9"), [this](ReportItem &item) {
        item.Text = qMain->FieldByName(QStringLiteral("UT_LMQ_FlPrzLit"))->AsInteger() != 0
                        ? QStringLiteral("Prezzo a Litro")
                        : QString();
    });
}

DUSARIA_CLASSE(TFqarn0500s);
