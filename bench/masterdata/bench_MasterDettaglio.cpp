// Cost of the master/detail save against plain SQL: one warehouse grouping whose buffer holds
// 5 000 rows (2 000 loaded rows modified, 1 000 loaded rows deleted, 2 000 new), saved once
// through the window's SalvataggioDati and once as the equivalent set-based statements (one
// DELETE, one UPDATE, multi-row INSERTs) in one transaction, on SQLite and (with KV8_TEST_PG)
// on PostgreSQL. Only the save is timed: the buffer is loaded and edited beforehand.
// Prints the ratio save / SQL (median of the per-round ratios of interleaved rounds; target
// within 10x) and checks that both leave the same rows. KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/ui/ModuleAbi.h"
#include "masterdata/Qarn0009f.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kModificate = 2000; // stored warehouses 1..2000, moved to 10001..12000
constexpr int kCancellate = 1000; // stored warehouses 2001..3000, deleted
constexpr int kNuove = 2000;      // new warehouses 20001..22000
constexpr int kSpostamento = 10000;
constexpr int kPrimaNuova = 20001;

enum Phase { Salvataggio, Sql, PhaseCount };

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    benchruns::Tempi<PhaseCount> tempi;
    QString result[PhaseCount]; // count and sum of the stored rows, to compare the two
};

std::vector<std::unique_ptr<Engine>> engines;
std::unique_ptr<QTemporaryDir> cartella;
Engine *current = nullptr;
QPointer<TFqarn0009f> finestra;

TXDatabase &Db()
{
    return DMIDataBases::Instance().Global();
}

// The company database of the engine as "GlobalDatabase", with the window on it.
void Usa(Engine *e)
{
    if (current == e)
        return;
    delete finestra.data();
    DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), e->url);
    SchemaInstaller().Create(Db());
    finestra = CreateObjectAs<TFqarn0009f>(ClassRef::Of<TFqarn0009f>(), nullptr);
    current = e;
}

// Rows of grouping 1 for the warehouses da..a, in multi-row INSERTs of 500 rows.
void InserisciMagazzini(TXDatabase &db, int da, int a)
{
    QStringList segni;
    QVariantList valori;
    for (int m = da; m <= a; ++m) {
        segni << QStringLiteral("(1, ?)");
        valori << m;
        if (segni.size() == 500 || m == a) {
            db.ExecSQL(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES ") + segni.join(u','),
                       valori);
            segni.clear();
            valori.clear();
        }
    }
}

// The grouping with its 3 000 stored warehouses.
void Azzera()
{
    TXDatabase &db = Db();
    db.StartTransaction();
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_RaggMagR"));
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_RaggMagT"));
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_RaggMagT (IdRaggMag, DsRaggrupp) VALUES (1, 'Tutti')"));
    InserisciMagazzini(db, 1, kModificate + kCancellate);
    db.Commit();
}

QString Contenuto()
{
    QSqlQuery q =
        Db().OpenQuery(QStringLiteral("SELECT COUNT(*), SUM(IdMagazzino) FROM LUMO_RaggMagR WHERE IdRaggMag = 1"));
    return q.next() ? q.value(0).toString() + u'/' + q.value(1).toString() : QString();
}

void Registra(benchmark::State &state, Engine &e, Phase phase, double seconds)
{
    state.SetIterationTime(seconds);
    e.tempi.Aggiungi(phase, seconds);
    e.result[phase] = Contenuto();
    state.counters["rows/s"] = (kModificate + kCancellate + kNuove) / seconds;
}

void BenchSalvataggio(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        Usa(e);
        Azzera();
        TFqarn0009f &f = *finestra;
        f.tMain->Refresh();
        f.tMain->Locate(QStringLiteral("IdRaggMag"), 1);
        f.NavClick(nbEdit);
        TXTable *buffer = f.TTDettaglio;
        TField *magazzino = buffer->FieldByName(QStringLiteral("IdMagazzino"));
        buffer->DisableControls();
        for (buffer->First(); !buffer->Eof();) {
            const int m = magazzino->AsInteger();
            if (f.bDettaglio->Stato() != srInvariata) {
                buffer->Next();
            } else if (m > kModificate) {
                try {
                    buffer->Delete(); // kept as deleted, out of view
                } catch (const EAbort &) {
                }
            } else {
                buffer->Edit();
                magazzino->SetAsInteger(m + kSpostamento);
                buffer->Post();
                buffer->Next();
            }
        }
        for (int m = kPrimaNuova; m < kPrimaNuova + kNuove; ++m) {
            buffer->Append();
            magazzino->SetAsInteger(m);
            buffer->Post();
        }
        buffer->EnableControls();
        const auto t0 = std::chrono::steady_clock::now();
        const bool salvato = f.SalvataggioDati();
        const double seconds = benchruns::Seconds(t0);
        if (!salvato)
            state.SkipWithError("the save failed");
        Registra(state, *e, Salvataggio, seconds);
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        Usa(e);
        Azzera();
        TXDatabase &db = Db();
        const auto t0 = std::chrono::steady_clock::now();
        db.StartTransaction();
        db.ExecSQL(
            QStringLiteral("DELETE FROM LUMO_RaggMagR WHERE IdRaggMag = 1 AND IdMagazzino > ? AND IdMagazzino <= ?"),
            {kModificate, kModificate + kCancellate});
        db.ExecSQL(QStringLiteral("UPDATE LUMO_RaggMagR SET IdMagazzino = IdMagazzino + ? WHERE IdRaggMag = 1 AND "
                                  "IdMagazzino >= 1 AND IdMagazzino <= ?"),
                   {kSpostamento, kModificate});
        InserisciMagazzini(db, kPrimaNuova, kPrimaNuova + kNuove - 1);
        db.Commit();
        Registra(state, *e, Sql, benchruns::Seconds(t0));
    }
}

void Register(Engine *e, int rounds)
{
    const std::string prefix = std::string(e->label) + "/";
    for (int round = 0; round < rounds; ++round) {
        benchruns::RegisterOneShot(prefix + "grouping/save", BenchSalvataggio, e);
        benchruns::RegisterOneShot(prefix + "grouping/sql", BenchSql, e);
    }
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url)
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    e->url = url;
    return e;
}

void Prepara()
{
    cartella = std::make_unique<QTemporaryDir>();
    engines.push_back(MakeEngine("sqlite", QStringLiteral("sqlite:") + cartella->filePath(QStringLiteral("bench.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        // one schema per run: several runs may share the server
        const QString schema = QStringLiteral("kv8benchmasterdata%1").arg(QCoreApplication::applicationPid());
        auto e = MakeEngine("postgres", benchruns::SchemaPulito(server, schema));
        e->schema = schema;
        engines.push_back(std::move(e));
    }
    for (auto &e : engines)
        Register(e.get(), e->schema.isEmpty() ? benchruns::Rounds("KV8_BENCH_ROUNDS", 3)
                                              : benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3));
}

void Riporta()
{
    std::printf("\nmaster/detail save / set-based SQL (median of the per-round ratios of interleaved rounds, %d "
                "modified, %d deleted, %d new rows; target within 10x)\n",
                kModificate, kCancellate, kNuove);
    for (auto &e : engines)
        benchruns::StampaRapporto(e->label, nullptr, e->tempi, Salvataggio, Sql, e->result[Salvataggio], e->result[Sql],
                                  "   ROWS DIFFER between the two runs (rows/sum)");
}

void Chiudi()
{
    delete finestra.data();
    current = nullptr;
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    for (auto &e : engines)
        if (!e->schema.isEmpty()) {
            benchruns::EliminaSchema(server, e->schema);
        }
    engines.clear();
    DMIDataBases::Instance().CloseAll();
    cartella.reset();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
