#pragma once
// The document the business and engine benchmarks share: the values of row i of a document
// (quantity, price and their amount), the code of its article among n, the engine's database
// put in place as "GlobalDatabase" while a scope lasts, and what invoicing and totals leave.
#include "host/core/Funzioni.h"
#include "host/db/DMIDataBases.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace benchdoc {

struct RigaDoc {
    double Quantita = 0;
    double Prezzo = 0;
    double Importo = 0; // quantity × price at two decimals
};

inline RigaDoc Riga(int i)
{
    RigaDoc r;
    r.Quantita = 1 + i % 7;
    r.Prezzo = 1.5 + i % 13 + 0.37;
    r.Importo = Funzioni::KRound(r.Quantita * r.Prezzo, 2);
    return r;
}

inline QString Articolo(int i, int articoli)
{
    return QStringLiteral("A%1").arg(i % articoli, 3, 10, QLatin1Char('0'));
}

// The engine's database as "GlobalDatabase" while the scope lasts, the connection found there
// (another benchmark's) put back afterwards; moduli frees the modules that read the
// database, before and after.
class Globale {
public:
    Globale(const QString &url, std::function<void()> moduli) : moduli_(std::move(moduli))
    {
        DMIDataBases &dbs = DMIDataBases::Instance();
        if (dbs.Has(QStringLiteral("GlobalDatabase")))
            prima_ = dbs.Global().Url();
        moduli_();
        db_ = &dbs.Open(QStringLiteral("GlobalDatabase"), url);
    }
    ~Globale()
    {
        moduli_();
        DMIDataBases &dbs = DMIDataBases::Instance();
        if (prima_.isEmpty())
            dbs.Close(QStringLiteral("GlobalDatabase"));
        else
            dbs.Open(QStringLiteral("GlobalDatabase"), prima_);
    }
    Globale(const Globale &) = delete;
    Globale &operator=(const Globale &) = delete;
    TXDatabase &Db() { return *db_; }

private:
    std::function<void()> moduli_;
    QString prima_;
    TXDatabase *db_ = nullptr;
};

// A document table's totals rows as they stand, whatever their keys: per record type and code,
// their count and the sums of their amounts and percentages.
inline QString Totali(TXDatabase &db, const QString &tabella)
{
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT TipoRecord, Codice, COUNT(*), SUM(Importo1), SUM(Importo2), "
                                              "SUM(Importo3), SUM(Importo4), SUM(Percentuale) FROM %1 "
                                              "GROUP BY TipoRecord, Codice ORDER BY TipoRecord, Codice")
                                   .arg(tabella));
    QStringList parti;
    while (q.next()) {
        QString riga = q.value(0).toString().trimmed() + u':' + q.value(1).toString().trimmed();
        for (int i = 2; i < 8; ++i)
            riga += u':' + QString::number(q.value(i).toDouble(), 'f', 2);
        parti << riga;
    }
    return parti.join(QLatin1Char(' '));
}

// The totals rows the totals engine writes for documents without discounts or expenses beyond a
// packing charge (in VAT code 22), written by set-based statements: per document the VAT per
// code, the revenue accounts, the goods, the packing charge (with imballo), the total and the
// due date of the direct remittance. tot, chiave, righe and teste name the totals table, the
// documents' key column, their rows and heads; dove picks the documents (a condition on the
// key column, its values written in).
inline void TotaliSql(TXDatabase &db, const QString &tot, const QString &chiave, const QString &righe,
                      const QString &teste, const QString &dove, bool imballo)
{
    const auto sql = [&](const QString &testo) {
        db.ExecSQL(QString(testo)
                       .replace(QLatin1String("{Tot}"), tot)
                       .replace(QLatin1String("{K}"), chiave)
                       .replace(QLatin1String("{R}"), righe)
                       .replace(QLatin1String("{T}"), teste)
                       .replace(QLatin1String("{Dove}"), dove));
    };
    const QString spese = imballo ? QStringLiteral(" UNION ALL SELECT {K}, '22', SpeseImballo FROM {T} WHERE {Dove} "
                                                   "AND SpeseImballo <> 0")
                                  : QString();
    const QString imposta = QStringLiteral("ROUND(CAST(V.Base * I.Aliquota / 100 AS NUMERIC), 2)");
    sql(QStringLiteral(
            "INSERT INTO {Tot} ({K}, TipoRecord, Progressivo, Codice, Importo1, Importo2, Importo3, Importo4, "
            "Percentuale) SELECT V.K, 'IVA', ROW_NUMBER() OVER (PARTITION BY V.K ORDER BY V.IdIva), V.IdIva, "
            "V.Base, %1, V.Base, %1, I.Aliquota FROM (SELECT K, IdIva, SUM(Importo) AS Base FROM "
            "(SELECT {K} AS K, IdIva, ImportoNetto AS Importo FROM {R} WHERE {Dove}%2) X GROUP BY K, IdIva) V "
            "JOIN CodiciIva I ON I.IdIva = V.IdIva")
            .arg(imposta, spese));
    sql(QStringLiteral("INSERT INTO {Tot} ({K}, TipoRecord, Progressivo, Codice, Importo1) SELECT {K}, 'CON', "
                       "ROW_NUMBER() OVER (PARTITION BY {K} ORDER BY COALESCE(IdConto, '')), COALESCE(IdConto, ''), "
                       "SUM(ImportoNetto) FROM {R} WHERE {Dove} GROUP BY {K}, COALESCE(IdConto, '')"));
    sql(QStringLiteral(
        "INSERT INTO {Tot} ({K}, TipoRecord, Progressivo, Codice, Importo1, Importo2, Importo3, Importo4) "
        "SELECT {K}, 'MER', 1, '', SUM(Importo1), SUM(Importo1), 0, SUM(Importo1) FROM {Tot} "
        "WHERE TipoRecord = 'CON' AND {Dove} GROUP BY {K}"));
    if (imballo)
        sql(QStringLiteral("INSERT INTO {Tot} ({K}, TipoRecord, Progressivo, Codice, Importo1, Importo2) SELECT {K}, "
                           "'SPI', 1, '', SpeseImballo, SpeseImballo FROM {T} WHERE {Dove} AND SpeseImballo <> 0"));
    sql(QStringLiteral(
        "INSERT INTO {Tot} ({K}, TipoRecord, Progressivo, Codice, Importo1, Importo2, Importo3, Importo4) "
        "SELECT {K}, 'TOT', 1, '', SUM(Importo1 + Importo2), SUM(Importo1), SUM(Importo2), "
        "SUM(Importo1 + Importo2) FROM {Tot} WHERE TipoRecord = 'IVA' AND {Dove} GROUP BY {K}"));
    sql(QStringLiteral(
        "INSERT INTO {Tot} ({K}, TipoRecord, Progressivo, Codice, Importo1, Importo2) SELECT {K}, 'SCA', "
        "1, 'RD', Importo1, Importo1 FROM {Tot} WHERE TipoRecord = 'TOT' AND {Dove}"));
}

// The delivery-note rows invoiced by a set-based generation marked, each linked to the invoice
// row of its customer that took in its article, price and VAT code.
inline void MarcaBolle(TXDatabase &db)
{
    db.ExecSQL(QStringLiteral(
        "UPDATE BolleCliRighe SET FlGenFattura = 1, KFatturaR = F.KFattCliR FROM BolleCliTeste T, FattureCliTeste FT, "
        "FattureCliRighe F WHERE T.KBolleCliT = BolleCliRighe.KBolleCliT AND T.IdCausale = 'DDT' AND "
        "BolleCliRighe.FlGenFattura = 0 AND FT.IdClienteTp = T.IdClienteTp AND FT.IdCliente = T.IdCliente AND "
        "F.KFattCliT = FT.KFattCliT AND F.IdProdotto = BolleCliRighe.IdProdotto AND F.Prezzo = BolleCliRighe.Prezzo "
        "AND F.IdIva = BolleCliRighe.IdIva"));
}

} // namespace benchdoc
