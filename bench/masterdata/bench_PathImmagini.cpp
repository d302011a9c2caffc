// Cost of the change of the articles' picture folder against plain SQL: 100 000 articles whose
// pictures move from "C:\Foto\" to "E:\Nuove\", once through the dialog's job (TFqarn0801d,
// one transaction) and once as one set-based UPDATE, on SQLite and (with KV8_TEST_PG) on
// PostgreSQL. Prints the ratio job / SQL (median of the per-round ratios of interleaved rounds;
// target within 10x) and checks
// that both leave the same paths. KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/ui/ModuleAbi.h"
#include "masterdata/Qarn0801d.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kArticoli = 100000;
const QString kVecchia = QStringLiteral("C:\\Foto\\");
const QString kNuova = QStringLiteral("E:\\Nuove");

enum Phase { Lavoro, Sql, PhaseCount };

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    benchruns::Tempi<PhaseCount> tempi;
    QString impronta[PhaseCount]; // the paths each run leaves
};

std::vector<std::unique_ptr<Engine>> engines;
std::unique_ptr<QTemporaryDir> cartella;

TXDatabase &Usa(Engine *e)
{
    DMIDataBases &dbs = DMIDataBases::Instance();
    if (!dbs.Has(QStringLiteral("GlobalDatabase")) || dbs.Global().Url() != e->url)
        dbs.Open(QStringLiteral("GlobalDatabase"), e->url);
    return dbs.Global();
}

// The articles, every one with its picture in the old folder.
void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    db.StartTransaction();
    QStringList segni;
    QVariantList valori;
    for (int i = 0; i < kArticoli; ++i) {
        segni << QStringLiteral("(?, 'Vino', ?)");
        valori << QStringLiteral("A%1").arg(i, 6, 10, QLatin1Char('0')) << kVecchia + QStringLiteral("a%1.jpg").arg(i);
        if (segni.size() == 300 || i == kArticoli - 1) {
            db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, Allegati) VALUES ")
                           + segni.join(u','),
                       valori);
            segni.clear();
            valori.clear();
        }
    }
    db.Commit();
}

void Azzera(TXDatabase &db)
{
    db.ExecSQL(QStringLiteral("UPDATE Articoli SET Allegati = REPLACE(Allegati, ?, ?)"), {kNuova + u'\\', kVecchia});
}

QString Impronta(TXDatabase &db)
{
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT COUNT(*), MIN(Allegati), MAX(Allegati), SUM(LENGTH(Allegati)) "
                                              "FROM Articoli WHERE Allegati LIKE 'E:%'"));
    return q.next()
               ? QStringLiteral("%1 %2 %3 %4")
                     .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString())
               : QString();
}

void Registra(benchmark::State &state, Engine *e, Phase fase, double secondi, TXDatabase &db)
{
    state.SetIterationTime(secondi);
    e->tempi.Aggiungi(fase, secondi);
    e->impronta[fase] = Impronta(db);
    state.counters["articles/s"] = kArticoli / secondi;
}

void BenchLavoro(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        TXDatabase &db = Usa(e);
        Azzera(db);
        QPointer<TFqarn0801d> dialogo = CreateObjectAs<TFqarn0801d>(ClassRef::Of<TFqarn0801d>(), nullptr);
        dialogo->tPars->FieldByName(QStringLiteral("Path"))->SetAsString(kNuova);
        const auto t0 = std::chrono::steady_clock::now();
        dialogo->btEseguiClick();
        const double secondi = benchruns::Seconds(t0);
        delete dialogo.data();
        Registra(state, e, Lavoro, secondi, db);
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        TXDatabase &db = Usa(e);
        Azzera(db);
        const auto t0 = std::chrono::steady_clock::now();
        db.StartTransaction();
        db.ExecSQL(QStringLiteral("UPDATE Articoli SET Allegati = ? || SUBSTR(Allegati, ?) WHERE Allegati IS NOT NULL"),
                   {kNuova + u'\\', int(kVecchia.size()) + 1});
        db.Commit();
        Registra(state, e, Sql, benchruns::Seconds(t0), db);
    }
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url, const QString &schema = QString())
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    e->url = url;
    e->schema = schema;
    Semina(Usa(e.get()));
    return e;
}

void Prepara()
{
    cartella = std::make_unique<QTemporaryDir>();
    engines.push_back(
        MakeEngine("sqlite", QStringLiteral("sqlite:") + cartella->filePath(QStringLiteral("immagini.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        // one schema per run: several runs may share the server
        const QString schema = QStringLiteral("kv8benchimmagini%1").arg(QCoreApplication::applicationPid());
        engines.push_back(MakeEngine("postgres", benchruns::SchemaPulito(server, schema), schema));
    }
    for (auto &e : engines) {
        const int rounds = e->schema.isEmpty() ? benchruns::Rounds("KV8_BENCH_ROUNDS", 3)
                                               : benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3);
        const std::string prefix = std::string(e->label) + "/immagini100000/";
        for (int round = 0; round < rounds; ++round) {
            benchruns::RegisterOneShot(prefix + "Qarn0801d", BenchLavoro, e.get());
            benchruns::RegisterOneShot(prefix + "sql", BenchSql, e.get());
        }
    }
}

void Riporta()
{
    std::printf("\nimage-path job / one set-based UPDATE (median of the per-round ratios of interleaved rounds, %d "
                "articles; target within 10x)\n",
                kArticoli);
    for (auto &e : engines) {
        // no path changed is no result, whatever the other run did
        const QString sql = e->impronta[Sql].startsWith(u'0') ? QStringLiteral("no path changed") : e->impronta[Sql];
        benchruns::StampaRapporto(e->label, nullptr, e->tempi, Lavoro, Sql, e->impronta[Lavoro], sql,
                                  "   PATHS DIFFER between the two runs");
    }
}

void Chiudi()
{
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    for (auto &e : engines)
        if (!e->schema.isEmpty()) {
            benchruns::EliminaSchema(server, e->schema);
        }
    engines.clear();
    if (DMIDataBases::Instance().Has(QStringLiteral("GlobalDatabase")))
        DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
    cartella.reset();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
