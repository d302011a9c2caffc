// Cost of the document-totals engine against plain SQL: a customer invoice of 500 rows over
// three VAT codes and two revenue accounts, with a head discount and a transport expense,
// totalled through TOTDOCS_Calcola into FattureCliTot, and once as one SQL aggregate of the
// same sums followed by the same totals rows written with one multi-row INSERT, each in one
// transaction, on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints the ratio engine / SQL
// (median of the per-round ratios of interleaved rounds; target within 5x) and checks that both
// give the same document total and totals rows.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibcge.h"
#include "host/business/Dmibpra.h"
#include "host/business/Dmicalcolototalidocs.h"
#include "host/business/Funzionidoc.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kRighe = 500;
const QDateTime kData(QDate(2024, 3, 15), QTime(0, 0));

enum Phase { Motore, Sql, PhaseCount };

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    benchruns::Tempi<PhaseCount> tempi;
    double totale[PhaseCount] = {}; // the document total each run leaves
    QString righe[PhaseCount];      // and its totals rows
};

benchruns::Motori<Engine> motori;

void Moduli()
{
    delete DMIBase.data();
    delete DMIBbas.data();
    delete DMIBCge.data();
    delete DMIBPra.data();
}

// The engine's database becomes "GlobalDatabase" (the other benchmarks of the program may
// have put theirs there), with the host's modules read afresh on it.
TXDatabase &Usa(Engine *e)
{
    DMIDataBases &dbs = DMIDataBases::Instance();
    if (!dbs.Has(QStringLiteral("GlobalDatabase")) || dbs.Global().Url() != e->url) {
        Moduli();
        dbs.Open(QStringLiteral("GlobalDatabase"), e->url);
    }
    return dbs.Global();
}

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    db.StartTransaction();
    const char *const righe[] = {
        "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
        "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', '22%', 22), ('10', '10%', 10), ('4', '4%', 4)",
        "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse) VALUES (1, 'Merce', 0)",
        "INSERT INTO Pagamenti (IdPagamento, DsPagamento, IdTipoMovimento, NumeroRate) VALUES ('RD', 'Rimessa', 'RD', "
        "1)",
        "INSERT INTO PagamentiD (IdPagamento, NumRata, Decorrenza, IdTipoMovimento, Percentuale) VALUES "
        "('RD', 1, 0, 'RD', 100)",
        "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, IdPagamento) VALUES ('CL', 'C1', 'Cliente', 'RD')",
        "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro) VALUES ('FT', 'Fattura', 1, "
        "1)"};
    for (const char *sql : righe)
        db.ExecSQL(QLatin1String(sql));
    db.ExecSQL(QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                              "IdClienteTp, IdCliente, IdDivisa, Cambio, IdPagamento, DataPagamento, Sconto1, "
                              "SpeseTrasporto) VALUES (1, 'FT', 2024, 1, 1, ?, 'CL', 'C1', 'EUR', 1, 'RD', ?, 10, 10)"),
               {kData, kData});
    const QString iva[] = {QStringLiteral("22"), QStringLiteral("10"), QStringLiteral("4")};
    for (int i = 0; i < kRighe; ++i) {
        const auto [quantita, prezzo, importo] = benchdoc::Riga(i);
        db.ExecSQL(QStringLiteral("INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, TipoRigo, IdProdotto, "
                                  "Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, IdIva, IdConto) "
                                  "VALUES (?, 1, ?, 1, 'A1', ?, ?, ?, ?, ?, ?, ?)"),
                   {i + 1, (i + 1) * 1024, quantita, prezzo, importo, importo, importo, iva[i % 3],
                    i % 2 ? QStringLiteral("R02") : QStringLiteral("R01")});
    }
    db.Commit();
}

double TotaleRegistrato(TXDatabase &db)
{
    return db
        .ScalarValue(QStringLiteral("SELECT Importo1 FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'TOT'"))
        .toDouble();
}

void BenchMotore(benchmark::State &state, Engine *e)
{
    TXDatabase &db = Usa(e);
    KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdIvaSpeseTrasporto"), QStringLiteral("22"));
    for (auto _ : state) {
        TXClientTable testa, tot;
        testa.SetTableName(QStringLiteral("FattureCliTeste"));
        testa.SetXWhereVuoto(QStringLiteral("KFattCliT = -1"));
        tot.SetTableName(QStringLiteral("FattureCliTot"));
        tot.SetXWhereVuoto(QStringLiteral("KFattCliT = -1"));
        TXQuery righe;
        // the columns the totals read, as a caller that reads the stored rows for them selects
        righe.SQL << QStringLiteral("SELECT TipoRigo, IdProdotto, ImportoNetto, ImportoNN, IdIva, IdConto, IdAgente1, "
                                    "Provvigione1, IdAgente2, Provvigione2 FROM FattureCliRighe "
                                    "WHERE KFattCliT = :KFattCliT ORDER BY NumOrdine");
        righe.ParamByName(QStringLiteral("KFattCliT"))->SetAsInteger(1);
        const auto t0 = std::chrono::steady_clock::now();
        {
            TXTransaction transazione(db);
            testa.Open();
            testa.Locate(QStringLiteral("KFattCliT"), 1);
            testa.Edit();
            TXParam_TotaliDocs p;
            p.CodTipoDoc = 1;
            p.Testa = &testa;
            p.Righe = &righe;
            p.TabTotali = &tot;
            if (!Calcolototalidocs::TOTDOCS_Calcola(p, false))
                state.SkipWithError("totali non calcolati");
            testa.Post();
            transazione.Commit();
        }
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Motore, secondi);
        e->totale[Motore] = TotaleRegistrato(db);
        e->righe[Motore] = benchdoc::Totali(db, QStringLiteral("FattureCliTot"));
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    TXDatabase &db = Usa(e);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        double totale = 0;
        {
            TXTransaction transazione(db);
            QSqlQuery q = db.OpenQuery(QStringLiteral(
                "SELECT R.IdIva, MAX(I.Aliquota), R.IdConto, SUM(R.ImportoNetto) FROM FattureCliRighe R "
                "JOIN CodiciIva I ON I.IdIva = R.IdIva WHERE R.KFattCliT = 1 GROUP BY R.IdIva, R.IdConto "
                "ORDER BY R.IdIva, R.IdConto"));
            std::map<QString, std::pair<double, double>> iva; // code -> rate, goods
            std::map<QString, double> conti;
            double lordo = 0;
            while (q.next()) {
                auto &[aliquota, merce] = iva[q.value(0).toString()];
                aliquota = q.value(1).toDouble();
                merce += q.value(3).toDouble();
                conti[q.value(2).toString()] += q.value(3).toDouble();
                lordo += q.value(3).toDouble();
            }
            // the head discount of 10% per VAT code, the transport expense at 22%, the VAT
            QVariantList valori;
            QStringList righe;
            const auto rigo = [&](const char *tipo, int progressivo, const QString &codice, double i1, double i2,
                                  double i3 = 0, double i4 = 0, double percentuale = 0) {
                righe << QStringLiteral("(1, ?, ?, ?, ?, ?, ?, ?, ?)");
                valori << QLatin1String(tipo) << progressivo << codice << i1 << i2 << i3 << i4 << percentuale;
            };
            double netto = 0, imponibile = 0, imposta = 0;
            int n = 0;
            for (auto &[codice, v] : iva) {
                double base = Funzioni::KRound(v.second - v.second * 10 / 100.0, 2);
                netto += base;
                if (codice == QLatin1String("22"))
                    base += 10;
                const double valoreIva = Funzioni::CalcIva(base, v.first, 2);
                imponibile += base;
                imposta += valoreIva;
                rigo("IVA", ++n, codice, base, valoreIva, base, valoreIva, v.first);
            }
            totale = Funzioni::KRound(imponibile + imposta, 2);
            rigo("MER", 1, QStringLiteral(""), Funzioni::KRound(lordo, 2), Funzioni::KRound(netto, 2),
                 Funzioni::KRound(lordo - netto, 2), Funzioni::KRound(netto, 2));
            rigo("SPT", 1, QStringLiteral(""), 10, 10);
            n = 0;
            for (auto &[conto, importo] : conti)
                rigo("CON", ++n, conto, Funzioni::KRound(importo, 2), 0);
            rigo("SCA", 1, QStringLiteral("RD"), totale, totale);
            rigo("TOT", 1, QStringLiteral(""), totale, Funzioni::KRound(imponibile, 2), Funzioni::KRound(imposta, 2),
                 totale);
            db.ExecSQL(QStringLiteral("DELETE FROM FattureCliTot WHERE KFattCliT = 1"));
            db.ExecSQL(
                QStringLiteral("INSERT INTO FattureCliTot (KFattCliT, TipoRecord, Progressivo, Codice, Importo1, "
                               "Importo2, Importo3, Importo4, Percentuale) VALUES ")
                    + righe.join(QStringLiteral(", ")),
                valori);
            db.ExecSQL(QStringLiteral("UPDATE FattureCliTeste SET TotDocumento = ? WHERE KFattCliT = 1"), {totale});
            transazione.Commit();
        }
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Sql, secondi);
        e->totale[Sql] = totale;
        e->righe[Sql] = benchdoc::Totali(db, QStringLiteral("FattureCliTot"));
    }
}

void Prepara()
{
    CFG.IdDivisa = QStringLiteral("EUR");
    motori.Crea(QStringLiteral("totali.db"), QStringLiteral("kv8benchtotali"), [](Engine &e) { Semina(Usa(&e)); });
    motori.Registra("totali500", 5, 3, [](const std::string &prefix, Engine *e) {
        benchruns::RegisterOneShot(prefix + "TOTDOCS_Calcola", BenchMotore, e);
        benchruns::RegisterOneShot(prefix + "sql", BenchSql, e);
    });
}

void Riporta()
{
    std::printf("\nTOTDOCS_Calcola / one SQL aggregate and the same totals rows (median of interleaved rounds, "
                "%d rows; target within 5x)\n",
                kRighe);
    for (auto &e : motori) {
        if (!e->tempi.Misurati(Motore, Sql))
            continue; // filtered out
        const bool uguali = std::abs(e->totale[Motore] - e->totale[Sql]) < 0.005 && e->righe[Motore] == e->righe[Sql];
        std::printf("  %-8s %.2fx (median of %zu interleaved rounds: %.3f ms / %.3f ms)%s\n", e->label,
                    e->tempi.Rapporto(Motore, Sql), e->tempi.Giri(Motore, Sql), e->tempi.Mediana(Motore) * 1000,
                    e->tempi.Mediana(Sql) * 1000, uguali ? "" : "   TOTALS DIFFER between the two runs");
        if (!uguali)
            std::printf("    %s\n    %s\n", qPrintable(e->righe[Motore]), qPrintable(e->righe[Sql]));
    }
}

void Chiudi()
{
    DMIDataBases &dbs = DMIDataBases::Instance();
    for (auto &e : motori)
        if (dbs.Has(QStringLiteral("GlobalDatabase")) && dbs.Global().Url() == e->url) {
            Moduli();
            dbs.Close(QStringLiteral("GlobalDatabase"));
        }
    motori.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
