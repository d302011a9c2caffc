// Cost of the load/unload register run against plain SQL: a year of 200 000 warehouse
// movements (three warehouses, two in the grouping; bulk, bottled and bottle-less articles;
// loads and unloads of both signs) turned into the numbered register rows and the category
// totals by the register dialog (up to the print), and the same category totals computed by
// one SQL aggregate, on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints the ratio
// register / SQL (best of the rounds; target within 3x) with the totals compared, the time of
// the print's rendering and the peak resident memory of the whole program.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds; KV8_BENCH_MOVIMENTI the movements.
#include "bench/registers/AnnoMovimenti.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Applvar.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/db/ModuleData.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "host/report/TfKV8ReportB.h"
#include "host/ui/Kmessages.h"
#include "host/ui/ModuleAbi.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0101d.h"
#include "registers/Qarn0101s.h"

#include <benchmark/benchmark.h>

#include <QMap>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace {

const int kMovimenti = benchruns::Rounds("KV8_BENCH_MOVIMENTI", 200000);

enum Phase { Registro, Sql, Stampa, PhaseCount };

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    double best[PhaseCount];
    QMap<QString, QPair<double, double>> totali[2]; // per category: load, unload (register, SQL)
    int righe = 0;
};

std::vector<std::unique_ptr<Engine>> engines;
std::unique_ptr<QTemporaryDir> cartella;

class Risposte : public TMessageService {
public:
    int Show(const TKMessage &message) override
    {
        if (!message.IsQuestion())
            std::fprintf(stderr, "message: %s\n", qPrintable(message.Text));
        return message.IsQuestion() ? mrNo : mrOk;
    }
} risposte;

// The engine's database as "GlobalDatabase" while the scope lasts.
class Globale {
public:
    explicit Globale(Engine *e) { db_ = &DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), e->url); }
    ~Globale() { DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase")); }
    TXDatabase &Db() { return *db_; }

private:
    TXDatabase *db_ = nullptr;
};

TFqarn0101d *Dialogo()
{
    auto *f = new TFqarn0101d;
    f->DoCreate();
    f->tPars->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(1);
    f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
    f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDateTime(QDate(2026, 12, 31), QTime(0, 0)));
    return f;
}

void BenchRegistro(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        std::unique_ptr<TFqarn0101d> f(Dialogo());
        const auto t0 = std::chrono::steady_clock::now();
        e->righe = f->Elabora();
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->best[Registro] = std::min(e->best[Registro], secondi);
        state.counters["movimenti/s"] = kMovimenti / secondi;
        e->totali[0].clear();
        QSqlQuery q = DMIDataBases::Instance().Local().OpenQuery(
            QStringLiteral("SELECT IdCatVin, CaricoPeriodo, ScaricoPeriodo FROM LUMO_t_RegCsTot"));
        while (q.next())
            e->totali[0].insert(q.value(0).toString(), {q.value(1).toDouble(), q.value(2).toDouble()});
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const QList<TLitriRegistro> litri = UT_LMQ_RG_LitriPeriodo(1, QDateTime(QDate(2026, 1, 1), QTime(0, 0)),
                                                                   QDateTime(QDate(2026, 12, 31), QTime(0, 0)), false);
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->best[Sql] = std::min(e->best[Sql], secondi);
        e->totali[1].clear();
        for (const TLitriRegistro &r : litri)
            e->totali[1].insert(r.IdCatVin, {r.Carico, r.Scarico});
    }
}

// The graphic print of the last register run, rendered without being delivered.
void BenchStampa(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        std::unique_ptr<TFqarn0101d> f(Dialogo());
        f->Elabora();
        const auto t0 = std::chrono::steady_clock::now();
        {
            TFqarn0101s stampa;
            stampa.InitForm(f->tPars);
            stampa.InitReport();
            stampa.ImpostaReport();
            stampa.ImpostaQuery(stampa.qMain);
            const ReportDocument documento = stampa.Prepara();
            state.counters["pagine"] = documento.PageCount();
        }
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->best[Stampa] = std::min(e->best[Stampa], secondi);
    }
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url, const QString &schema = QString())
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    e->url = url;
    e->schema = schema;
    std::fill(std::begin(e->best), std::end(e->best), std::numeric_limits<double>::infinity());
    Globale globale(e.get());
    annomovimenti::Semina(globale.Db(), kMovimenti);
    return e;
}

void Prepara()
{
    ModuleData::Use(&ModuleFiles);
    Kmessages::SetMessageService(&risposte);
    CFG.Anno = 2026;
    UT_LMQ_Parametri.FlStaRegCs = 1;
    cartella = std::make_unique<QTemporaryDir>();
    engines.push_back(MakeEngine("sqlite", QStringLiteral("sqlite:") + cartella->filePath(QStringLiteral("registro.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        const QString schema = QStringLiteral("kv8benchregistro");
        engines.push_back(MakeEngine("postgres", benchruns::SchemaPulito(server, schema), schema));
    }
    for (auto &e : engines) {
        const int rounds = e->schema.isEmpty() ? benchruns::Rounds("KV8_BENCH_ROUNDS", 3)
                                               : benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 2);
        const std::string prefix = std::string(e->label) + "/registro/";
        for (int round = 0; round < rounds; ++round) {
            benchruns::RegisterOneShot(prefix + "Elabora", BenchRegistro, e.get());
            benchruns::RegisterOneShot(prefix + "sql", BenchSql, e.get());
        }
        benchruns::RegisterOneShot(prefix + "stampa", BenchStampa, e.get());
    }
}

bool Uguali(const QMap<QString, QPair<double, double>> &a, const QMap<QString, QPair<double, double>> &b)
{
    if (a.keys() != b.keys())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const auto &o = b.value(it.key());
        if (std::abs(it->first - o.first) > 1e-6 || std::abs(it->second - o.second) > 1e-6)
            return false;
    }
    return true;
}

void Riporta()
{
    std::printf("\nload/unload register run / one SQL aggregate of the category totals (best of the rounds, %d "
                "movements; target within 3x)\n",
                kMovimenti);
    for (auto &e : engines) {
        if (e->best[Registro] == std::numeric_limits<double>::infinity() || e->best[Sql] == std::numeric_limits<double>::infinity())
            continue; // filtered out
        std::printf("  %-8s %.2fx (%.0f ms / %.0f ms), %d register rows%s\n", e->label, e->best[Registro] / e->best[Sql],
                    e->best[Registro] * 1000, e->best[Sql] * 1000, e->righe,
                    Uguali(e->totali[0], e->totali[1]) ? "" : "   CATEGORY TOTALS DIFFER");
        if (e->best[Stampa] != std::numeric_limits<double>::infinity())
            std::printf("  %-8s print rendered in %.0f ms\n", e->label, e->best[Stampa] * 1000);
    }
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    std::printf("  peak resident memory of the run: %.0f MB\n", double(uso.ru_maxrss) / 1024.0);
}

void Chiudi()
{
    for (auto &e : engines)
        if (!e->schema.isEmpty()) {
            Globale globale(e.get());
            globale.Db().ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e->schema));
        }
    engines.clear();
    cartella.reset();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
