// Cost of the tax-stamp and bottling register runs against plain SQL over the same year of
// 200 000 warehouse movements: the stamp register of stamp type A and every product type
// (numbered lines and per-stamp totals) against one aggregate giving the same per-stamp loads
// and unloads, and the bottling register (numbered rows split into bulk drawn, loss and
// bottled) against one aggregate giving the three sums, on SQLite and (with KV8_TEST_PG) on
// PostgreSQL. Prints each ratio register / SQL (median of the per-round ratios of interleaved
// rounds; target within 3x) with the results compared.
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

enum Phase { Contrassegni, SqlContrassegni, Imbottigliamento, SqlImbottigliamento, PhaseCount };

struct Engine : benchregistri::Motore {
    benchruns::Tempi<PhaseCount> tempi;
    QMap<QString, QPair<double, double>> stampi[2]; // per stamp: load, unload (register, SQL)
    std::array<double, 3> sfusoCaloImbott[2] = {};  // register, SQL
    int righe[2] = {0, 0};                           // register lines, register rows
};

benchregistri::Motori<Engine> engines;
benchregistri::Risposte risposte(false);

// The module's data modules (with their lookups on the database) are freed with the scope.
struct Globale : benchregistri::Globale {
    explicit Globale(const Engine *e) : benchregistri::Globale(e, true) {}
};

const QString kMagazzini = QStringLiteral("M.IdMagazzino1 IN (SELECT IdMagazzino FROM LUMO_RaggMagR WHERE IdRaggMag = 1)");

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
    const QString sql = QStringLiteral(
        "SELECT SUM(CASE WHEN A.UT_LMQ_FlTipArt = 4 AND M.UT_LMQ_FlMovCalo = 0 THEN M.Quantita ELSE 0 END), "
        "SUM(CASE WHEN A.UT_LMQ_FlTipArt = 4 AND M.UT_LMQ_FlMovCalo <> 0 THEN M.Quantita ELSE 0 END), "
        "SUM(CASE WHEN A.UT_LMQ_FlTipArt <> 4 THEN M.Quantita ELSE 0 END) "
        "FROM MovMagazzino M INNER JOIN CausaliMagaz C ON C.IdCausale = M.IdCausale "
        "INNER JOIN Articoli A ON A.IdProdotto = M.IdProdotto "
        "WHERE C.UT_LMQ_FlRegImb <> 0 AND A.UT_LMQ_FlTipArt IN (0, 1, 2, 4) "
        "AND M.DataMovimento >= ? AND M.DataMovimento <= ? AND %1").arg(kMagazzini);
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
            benchruns::RegisterOneShot(prefix + "imbottigliamento/Elabora", BenchImbottigliamento, e.get());
            benchruns::RegisterOneShot(prefix + "imbottigliamento/sql", BenchSqlImbottigliamento, e.get());
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
        const auto riga = [&](const char *nome, int run, int sql, int righe, bool uguali, const char *diverse) {
            if (e->tempi.Misurati(run, sql))
                std::printf("  %-8s %-8s %.2fx (median of %zu interleaved rounds: %.0f ms / %.0f ms), %d register "
                            "lines%s\n",
                            e->label, nome, e->tempi.Rapporto(run, sql), e->tempi.Giri(run, sql),
                            e->tempi.Mediana(run) * 1000, e->tempi.Mediana(sql) * 1000, righe, uguali ? "" : diverse);
        };
        riga("stamps", Contrassegni, SqlContrassegni, e->righe[0], benchregistri::Uguali(e->stampi[0], e->stampi[1]),
             "   STAMP TOTALS DIFFER");
        riga("bottling", Imbottigliamento, SqlImbottigliamento, e->righe[1],
             Uguali(e->sfusoCaloImbott[0], e->sfusoCaloImbott[1]), "   BOTTLING SUMS DIFFER");
    }
}

void Chiudi()
{
    engines.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
