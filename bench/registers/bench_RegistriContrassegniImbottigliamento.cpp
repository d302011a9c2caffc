// Cost of the tax-stamp and bottling register runs against plain SQL over the same year of
// 200 000 warehouse movements: the stamp register of stamp type A and every product type
// (numbered lines and per-stamp totals) against one aggregate giving the same per-stamp loads
// and unloads, and the bottling register (numbered rows split into bulk drawn, loss and
// bottled) against one aggregate giving the three sums, on SQLite and (with KV8_TEST_PG) on
// PostgreSQL. Prints each ratio register / SQL (median of the per-round ratios of interleaved
// rounds; target within 3x) with the results compared, and on PostgreSQL each register against
// its storing floor (CREATE TEMP TABLE AS of its movements ordered and numbered, with the
// register's own columns of the movement, causal and article, and of its totals, timed in the
// same rounds, its row count compared; target within 1.5x).
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds; KV8_BENCH_MOVIMENTI the movements.
#include "bench/registers/AnnoMovimenti.h"
#include "bench/registers/BenchRegistri.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Applvar.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0106d.h"
#include "registers/Qarn0110d.h"

#include <benchmark/benchmark.h>

#include <QMap>
#include <QSqlQuery>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int kMovimenti = benchruns::Rounds("KV8_BENCH_MOVIMENTI", 200000);
const QDateTime kDal(QDate(2026, 1, 1), QTime(0, 0));
const QDateTime kAl(QDate(2026, 12, 31), QTime(23, 59, 59, 999));

enum Phase {
    Contrassegni,
    SqlContrassegni,
    PavimentoContrassegni, // PostgreSQL: the storing floor
    Imbottigliamento,
    SqlImbottigliamento,
    PavimentoImbottigliamento,
    PhaseCount
};

struct Engine : benchregistri::Motore {
    benchruns::Tempi<PhaseCount> tempi;
    QMap<QString, QPair<double, double>> stampi[2]; // per stamp: load, unload (register, SQL)
    std::array<double, 3> sfusoCaloImbott[2] = {};  // register, SQL
    int righe[2] = {0, 0};                          // register lines, register rows
    int righePavimento[2] = {0, 0};                 // the rows each storing floor stored
};

benchregistri::Motori<Engine> engines;
benchregistri::Risposte risposte(false);

// The module's data modules (with their lookups on the database) are freed with the scope.
struct Globale : benchregistri::Globale {
    explicit Globale(const Engine *e) : benchregistri::Globale(e, true) {}
};

const QString kMagazzini =
    QStringLiteral("M.IdMagazzino1 IN (SELECT IdMagazzino FROM LUMO_RaggMagR WHERE IdRaggMag = 1)");

void BenchContrassegni(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        auto f = std::make_unique<TFqarn0110d>();
        f->DoCreate();
        f->tPars->FieldByName(QStringLiteral("TipoContr"))->SetAsString(QStringLiteral("A"));
        f->tPars->FieldByName(QStringLiteral("TipoProd"))->SetAsInteger(0);
        f->tPars->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(1);
        f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(kDal);
        f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(kAl);
        const auto t0 = std::chrono::steady_clock::now();
        e->righe[0] = f->Elabora();
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Contrassegni, secondi);
        state.counters["movimenti/s"] = kMovimenti / secondi;
        e->stampi[0].clear();
        QSqlQuery q = UT_LMQ_RG_Lavoro().OpenQuery(
            QStringLiteral("SELECT IdConIva, CaricoPeriodo, ScaricoPeriodo FROM LUMO_t_RegConTot"));
        while (q.next())
            e->stampi[0].insert(q.value(0).toString(), {q.value(1).toDouble(), q.value(2).toDouble()});
    }
}

void BenchSqlContrassegni(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    const QString pezzi = QStringLiteral(
        "M.Quantita * (CASE WHEN C.UT_LMQ_FlSegno = 1 THEN -1.0 WHEN C.UT_LMQ_FlSegno = 0 THEN 1.0 ELSE 0 END)");
    const QString sql =
        QStringLiteral("SELECT A.UT_LMQ_IdConIva, SUM(CASE WHEN C.UT_LMQ_FlCarSca = 0 THEN %1 ELSE 0 END), "
                       "SUM(CASE WHEN C.UT_LMQ_FlCarSca = 1 THEN %1 ELSE 0 END) "
                       "FROM MovMagazzino M INNER JOIN CausaliMagaz C ON C.IdCausale = M.IdCausale "
                       "INNER JOIN Articoli A ON A.IdProdotto = M.IdProdotto "
                       "WHERE C.UT_LMQ_FlRegCon <> 0 AND A.UT_LMQ_TipoProd <> 0 AND A.UT_LMQ_IdConIva LIKE 'A%' "
                       "AND M.DataMovimento >= ? AND M.DataMovimento <= ? AND %2 GROUP BY A.UT_LMQ_IdConIva")
            .arg(pezzi, kMagazzini);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        QSqlQuery q = globale.Db().OpenQuery(sql, {kDal, kAl});
        e->stampi[1].clear();
        while (q.next())
            e->stampi[1].insert(q.value(0).toString(), {q.value(1).toDouble(), q.value(2).toDouble()});
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(SqlContrassegni, secondi);
    }
}

// PostgreSQL: the storing floor of a register, what keeping its result on the server costs at
// least: CREATE TEMP TABLE AS of its movements ordered and numbered (righe: the register's
// columns from the movements M, causals C and articles A, picked by dove) and of its totals
// (grouped by gruppo, when given); the rows stored.
int Pavimento(TXDatabase &db, const QString &righe, const QString &dove, const QString &totali, const QString &gruppo)
{
    db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS bench_pav_righe"));
    db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS bench_pav_tot"));
    const QString da = QStringLiteral(" FROM MovMagazzino M INNER JOIN CausaliMagaz C ON C.IdCausale = M.IdCausale "
                                      "INNER JOIN Articoli A ON A.IdProdotto = M.IdProdotto WHERE ")
                       + dove;
    db.ExecSQL(
        QStringLiteral("CREATE TEMP TABLE bench_pav_righe AS SELECT ROW_NUMBER() OVER (ORDER BY M.DataMovimento, "
                       "M.KMovMag) AS NumeroRiga, %1%2")
            .arg(righe, da),
        {kDal, kAl});
    db.ExecSQL(QStringLiteral("CREATE TEMP TABLE bench_pav_tot AS SELECT %1%2%3")
                   .arg(totali, da, gruppo.isEmpty() ? QString() : QStringLiteral(" GROUP BY ") + gruppo),
               {kDal, kAl});
    QSqlQuery conta = db.OpenQuery(QStringLiteral("SELECT COUNT(*) FROM bench_pav_righe"));
    return conta.next() ? conta.value(0).toInt() : -1;
}

// The storing floor's rounds on the engine, as run fase; registro: 0 stamps, 1 bottling.
void MisuraPavimento(benchmark::State &state, Engine *e, Phase fase, int registro, const QString &righe,
                     const QString &dove, const QString &totali, const QString &gruppo)
{
    Globale globale(e);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        e->righePavimento[registro] = Pavimento(globale.Db(), righe, dove, totali, gruppo);
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(fase, secondi);
    }
}

// The columns a register row takes from its movement, causal and article.
const QString kColonne = QStringLiteral(
    "M.KMovMag, M.IdMagazzino1, M.DataMovimento, M.DataDocumento, M.RifDocumento, M.IdCausale, C.DsCausale, "
    "M.IdContoTp, M.IdConto, M.IdProdotto, A.DsProdotto, M.Quantita, M.Partita, ");

const QString kDoveContrassegni =
    QStringLiteral("C.UT_LMQ_FlRegCon <> 0 AND A.UT_LMQ_TipoProd <> 0 AND A.UT_LMQ_IdConIva LIKE 'A%' AND "
                   "M.DataMovimento >= ? AND M.DataMovimento <= ? AND ")
    + kMagazzini;
const QString kPezzi = QStringLiteral(
    "M.Quantita * (CASE WHEN C.UT_LMQ_FlSegno = 1 THEN -1.0 WHEN C.UT_LMQ_FlSegno = 0 THEN 1.0 ELSE 0 END)");

void BenchPavimentoContrassegni(benchmark::State &state, Engine *e)
{
    const QString righe = kColonne
                          + QStringLiteral("A.UT_LMQ_IdConIva, A.UT_LMQ_TipoProd, C.UT_LMQ_FlCarSca, "
                                           "(CASE WHEN C.UT_LMQ_FlCarSca = 0 THEN %1 ELSE 0 END) AS Carico, "
                                           "(CASE WHEN C.UT_LMQ_FlCarSca = 1 THEN %1 ELSE 0 END) AS Scarico")
                                .arg(kPezzi);
    const QString totali =
        QStringLiteral("A.UT_LMQ_IdConIva, SUM(CASE WHEN C.UT_LMQ_FlCarSca = 0 THEN %1 ELSE 0 END) "
                       "AS Carico, SUM(CASE WHEN C.UT_LMQ_FlCarSca = 1 THEN %1 ELSE 0 END) AS Scarico")
            .arg(kPezzi);
    MisuraPavimento(state, e, PavimentoContrassegni, 0, righe, kDoveContrassegni, totali,
                    QStringLiteral("A.UT_LMQ_IdConIva"));
}

void BenchImbottigliamento(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        auto f = std::make_unique<TFqarn0106d>();
        f->DoCreate();
        f->tPars->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(1);
        f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(kDal);
        f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(kAl);
        const auto t0 = std::chrono::steady_clock::now();
        e->righe[1] = f->Elabora();
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Imbottigliamento, secondi);
        state.counters["movimenti/s"] = kMovimenti / secondi;
        e->sfusoCaloImbott[0] = {f->TotaleSfuso, f->TotaleCalo, f->TotaleImbott};
    }
}

void BenchSqlImbottigliamento(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    const QString sql =
        QStringLiteral(
            "SELECT SUM(CASE WHEN A.UT_LMQ_FlTipArt = 4 AND M.UT_LMQ_FlMovCalo = 0 THEN M.Quantita ELSE 0 END), "
            "SUM(CASE WHEN A.UT_LMQ_FlTipArt = 4 AND M.UT_LMQ_FlMovCalo <> 0 THEN M.Quantita ELSE 0 END), "
            "SUM(CASE WHEN A.UT_LMQ_FlTipArt <> 4 THEN M.Quantita ELSE 0 END) "
            "FROM MovMagazzino M INNER JOIN CausaliMagaz C ON C.IdCausale = M.IdCausale "
            "INNER JOIN Articoli A ON A.IdProdotto = M.IdProdotto "
            "WHERE C.UT_LMQ_FlRegImb <> 0 AND A.UT_LMQ_FlTipArt IN (0, 1, 2, 4) "
            "AND M.DataMovimento >= ? AND M.DataMovimento <= ? AND %1")
            .arg(kMagazzini);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        QSqlQuery q = globale.Db().OpenQuery(sql, {kDal, kAl});
        if (q.next())
            e->sfusoCaloImbott[1] = {q.value(0).toDouble(), q.value(1).toDouble(), q.value(2).toDouble()};
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(SqlImbottigliamento, secondi);
    }
}

const QString kDoveImbottigliamento =
    QStringLiteral("C.UT_LMQ_FlRegImb <> 0 AND A.UT_LMQ_FlTipArt IN (0, 1, 2, 4) AND M.DataMovimento >= ? AND "
                   "M.DataMovimento <= ? AND ")
    + kMagazzini;
const QString kSfuso =
    QStringLiteral("(CASE WHEN A.UT_LMQ_FlTipArt = 4 AND M.UT_LMQ_FlMovCalo = 0 THEN M.Quantita ELSE 0 END)");
const QString kCalo =
    QStringLiteral("(CASE WHEN A.UT_LMQ_FlTipArt = 4 AND M.UT_LMQ_FlMovCalo <> 0 THEN M.Quantita ELSE 0 END)");
const QString kImbott = QStringLiteral("(CASE WHEN A.UT_LMQ_FlTipArt <> 4 THEN M.Quantita ELSE 0 END)");

void BenchPavimentoImbottigliamento(benchmark::State &state, Engine *e)
{
    const QString righe =
        kColonne
        + QStringLiteral("A.UT_LMQ_IdNatura, A.UT_LMQ_IdColore, M.UT_LMQ_IdVasca, A.UT_LMQ_IdBottiglia, "
                         "A.IdUM1, A.UT_LMQ_FlTipArt, M.UT_LMQ_FlMovCalo, %1 AS QtaSfuso, %2 AS QtaCalo, "
                         "%3 AS QtaImbott")
              .arg(kSfuso, kCalo, kImbott);
    const QString totali =
        QStringLiteral("SUM(%1) AS Sfuso, SUM(%2) AS Calo, SUM(%3) AS Imbott").arg(kSfuso, kCalo, kImbott);
    MisuraPavimento(state, e, PavimentoImbottigliamento, 1, righe, kDoveImbottigliamento, totali, QString());
}

void Prepara()
{
    CFG.Anno = 2026;
    engines.Crea(risposte, QStringLiteral("registri.db"), QStringLiteral("kv8benchcontrimb"),
                 [](TXDatabase &db) { annomovimenti::Semina(db, kMovimenti); });
    for (auto &e : engines.lista) {
        const std::string prefix = std::string(e->label) + "/";
        for (int round = 0; round < engines.Giri(*e); ++round) {
            benchruns::RegisterOneShot(prefix + "contrassegni/Elabora", BenchContrassegni, e.get());
            benchruns::RegisterOneShot(prefix + "contrassegni/sql", BenchSqlContrassegni, e.get());
            if (e->Postgres())
                benchruns::RegisterOneShot(prefix + "contrassegni/pavimento", BenchPavimentoContrassegni, e.get());
            benchruns::RegisterOneShot(prefix + "imbottigliamento/Elabora", BenchImbottigliamento, e.get());
            benchruns::RegisterOneShot(prefix + "imbottigliamento/sql", BenchSqlImbottigliamento, e.get());
            if (e->Postgres())
                benchruns::RegisterOneShot(prefix + "imbottigliamento/pavimento", BenchPavimentoImbottigliamento,
                                           e.get());
        }
    }
}

bool Uguali(const std::array<double, 3> &a, const std::array<double, 3> &b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > 1e-6)
            return false;
    return true;
}

void Riporta()
{
    std::printf("\ntax-stamp and bottling register runs / one SQL aggregate each (median of the per-round ratios of "
                "interleaved rounds, %d movements; target within 3x)\n",
                kMovimenti);
    for (auto &e : engines.lista) {
        const auto riga = [&](const char *nome, int run, int sql, int righe, bool uguali, const char *diverse,
                              int pavimento, int righePavimento) {
            if (e->tempi.Misurati(run, sql))
                std::printf("  %-8s %-8s %.2fx (median of %zu interleaved rounds: %.0f ms / %.0f ms), %d register "
                            "lines%s\n",
                            e->label, nome, e->tempi.Rapporto(run, sql), e->tempi.Giri(run, sql),
                            e->tempi.Mediana(run) * 1000, e->tempi.Mediana(sql) * 1000, righe, uguali ? "" : diverse);
            if (e->tempi.Misurati(run, pavimento))
                std::printf("  %-8s %-8s against the storing floor (CREATE TEMP TABLE AS of the numbered rows and the "
                            "totals; target within 1.5x): %.2fx (%.0f ms / %.0f ms)%s\n",
                            e->label, nome, e->tempi.Rapporto(run, pavimento), e->tempi.Mediana(run) * 1000,
                            e->tempi.Mediana(pavimento) * 1000,
                            righePavimento == righe
                                ? ""
                                : qPrintable(QStringLiteral("   THE FLOOR STORED %1 ROWS").arg(righePavimento)));
        };
        riga("stamps", Contrassegni, SqlContrassegni, e->righe[0], benchregistri::Uguali(e->stampi[0], e->stampi[1]),
             "   STAMP TOTALS DIFFER", PavimentoContrassegni, e->righePavimento[0]);
        riga("bottling", Imbottigliamento, SqlImbottigliamento, e->righe[1],
             Uguali(e->sfusoCaloImbott[0], e->sfusoCaloImbott[1]), "   BOTTLING SUMS DIFFER", PavimentoImbottigliamento,
             e->righePavimento[1]);
    }
}

void Chiudi()
{
    engines.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
