#include "registers/Lumo_schedeprodotto.h"

#include "frame/Lumo_funzioni.h"
#include "host/data/TDataSet.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXlkTable.h"
#include "host/report/TfKV8ReportB.h"

#include <QFileInfo>

QStringList UT_LMQ_SK_QueryArticoli(const QString &rigaWhere, const QString &rigaOrdine)
{
    return {
        QStringLiteral("SELECT Articoli.*, LUMO_CatVin.DsCatVin, Nazioni.DsNazione, LUMO_Regioni.DsRegione, "
                       "LUMO_ZonaProd.DsZonaProd, LUMO_Tipologie.DsTipologia, LUMO_Specifica.DsSpecifica, "
                       "LUMO_Bottiglie.DsBottiglia"),
        QStringLiteral("FROM Articoli"),
        QStringLiteral("LEFT JOIN LUMO_CatVin ON Articoli.UT_LMQ_IdCatVin = LUMO_CatVin.IdCatVin"),
        QStringLiteral("LEFT JOIN Nazioni ON Articoli.UT_LMQ_IdNazione = Nazioni.IdNazione"),
        QStringLiteral("LEFT JOIN LUMO_Regioni ON Articoli.UT_LMQ_IdRegione = LUMO_Regioni.IdRegione"),
        QStringLiteral("LEFT JOIN LUMO_ZonaProd ON Articoli.UT_LMQ_IdZonaProd = LUMO_ZonaProd.IdZonaProd"),
        QStringLiteral("LEFT JOIN LUMO_Tipologie ON Articoli.UT_LMQ_IdTipologia = LUMO_Tipologie.IdTipologia"),
        QStringLiteral("LEFT JOIN LUMO_Specifica ON Articoli.UT_LMQ_IdSpecifica = LUMO_Specifica.IdSpecifica"),
        QStringLiteral("LEFT JOIN LUMO_Bottiglie ON Articoli.UT_LMQ_IdBottiglia = LUMO_Bottiglie.IdBottiglia"),
        rigaWhere,
        rigaOrdine,
    };
}

void UT_LMQ_SK_ImmagineProdotto(TfKV8ReportB *stampa, const QString &elemento)
{
    stampa->OnPrint(elemento, [](ReportItem &item) {
        const QString percorso = item.Text.trimmed();
        item.Visible = !percorso.isEmpty() && QFileInfo(percorso).isFile();
    });
}

void UT_LMQ_SK_DescrizioniSelezione(TDataSet *parametri, QObject *owner)
{
    static const struct {
        const char *limite, *tabella, *chiave, *descrizione;
        int lunghezza;
    } descrizioni[] = {
        {"IdProdotto", "Articoli", "IdProdotto", "DsProdotto", 60},
        {"IdCatVin", "LUMO_CatVin", "IdCatVin", "DsCatVin", 50},
        {"IdNazione", "Nazioni", "IdNazione", "DsNazione", 50},
        {"IdRegione", "LUMO_Regioni", "IdRegione", "DsRegione", 50},
        {"IdZonaProd", "LUMO_ZonaProd", "IdZonaProd", "DsZonaProd", 50},
        {"IdTipologia", "LUMO_Tipologie", "IdTipologia", "DsTipologia", 50},
        {"IdSpecifica", "LUMO_Specifica", "IdSpecifica", "DsSpecifica", 50},
    };
    for (const auto &d : descrizioni) {
        auto *tabella = new TXlkTable(owner);
        tabella->SetTableName(QLatin1String(d.tabella));
        for (const char *verso : {"Da_", "A_"}) {
            const QString limite = QLatin1String(verso) + QLatin1String(d.limite);
            parametri->AddLookupField(QStringLiteral("_Ds") + limite, ftString, d.lunghezza, tabella, limite,
                                      QLatin1String(d.chiave), QLatin1String(d.descrizione));
        }
    }
}

void UT_LMQ_SK_Selezione(TXMemTable *parametri, QString &Where, QString &Ordine)
{
    Where.clear();
    UT_LMQ_SK_CreaWhere(parametri, Where);
    UT_LMQ_SK_CreaOrdine(parametri->FieldByName(QStringLiteral("flOrdina1"))->AsString(),
                         parametri->FieldByName(QStringLiteral("flOrdina2"))->AsString(),
                         parametri->FieldByName(QStringLiteral("flOrdina3"))->AsString(),
                         parametri->FieldByName(QStringLiteral("flOrdina4"))->AsString(), Ordine);
}
