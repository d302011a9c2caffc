// Cost of the deposit card update against set-based SQL: 100 000 movements spread over 1 000
// customers and two packaging codes, in one transaction, applied once through
// UT_LMQ_CAUZ_AggiornaProgressivi and once as one UPDATE of the cards from the movements
// summed by card (the same movements, kept in a table, with the values the routine computes),
// on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints the routine's time, the statement's
// and the median of their per-round ratios (interleaved rounds; target within 5x) and checks
// that both leave the same cards.
// KV8_BENCH_MOVES overrides the movement count; KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS the rounds.
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchRuns.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_funzioni.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ModuleAbi.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int kMoves =
    qEnvironmentVariableIsSet("KV8_BENCH_MOVES") ? qEnvironmentVariableIntValue("KV8_BENCH_MOVES") : 100000;
constexpr int kAccounts = 1000;
constexpr double kPrice = 1.235;
const QDateTime kDate(QDate(2024, 5, 10), QTime(0, 0));

struct Move {
    QString account;
    QString packaging;
    double loaded;
    double returned;
};

const std::vector<Move> &Moves()
{
    static const std::vector<Move> moves = [] {
        std::vector<Move> out;
        out.reserve(size_t(kMoves));
        for (int i = 0; i < kMoves; ++i)
            out.push_back({QStringLiteral("C%1").arg(i % kAccounts, 4, 10, QLatin1Char('0')),
                           (i / kAccounts) % 2 ? QStringLiteral("BOT") : QStringLiteral("CAS"), double(1 + i % 5),
                           double(i % 3)});
        return out;
    }();
    return moves;
}

enum Phase { Routine, Sql, PhaseCount };

struct Engine {
    const char *label = "";
    std::unique_ptr<TXDatabase> db;
    std::unique_ptr<TDMILUMO> module;
    benchruns::Tempi<PhaseCount> tempi;
    double totals[PhaseCount]; // sum of the general values loaded, to compare the two
    QString schema;
};

std::vector<std::unique_ptr<Engine>> engines;

// Every card present and at zero, as both runs start.
void ResetCards(TXDatabase &db)
{
    db.StartTransaction();
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
    for (int a = 0; a < kAccounts; ++a)
        for (const char *packaging : {"CAS", "BOT"})
            for (int kind : {0, 1})
                db.ExecSQL(
                    QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, "
                                   "FlTipoScheda, IdDivisa) VALUES ('CL', ?, 0, ?, ?, 'EUR')"),
                    {QStringLiteral("C%1").arg(a, 4, 10, QLatin1Char('0')), QString::fromLatin1(packaging), kind});
    db.Commit();
}

// A checksum of every amount of every card (weighted, so that values moved between columns differ).
double Total(TXDatabase &db)
{
    return db
        .ScalarValue(QStringLiteral("SELECT SUM(ProgQtaCar + 2 * ProgQtaRes + 3 * ProgValCar + 5 * ProgValRes + "
                                    "7 * ProgQtaCarB + 11 * ProgQtaResB + 13 * ProgValCarB + 17 * ProgValResB + "
                                    "19 * ProgQtaCarF + 23 * ProgValResF + 29 * FlTipoScheda * ProgQtaCar) "
                                    "FROM LUMO_ProgCauz"))
        .toDouble();
}

// The movements as a table, with the values the routine computes for them.
void StoreMoves(TXDatabase &db)
{
    db.ExecSQL(
        QStringLiteral("CREATE TABLE Bench_Movimenti (IdConto VARCHAR(8) NOT NULL, IdImballo VARCHAR(3) NOT NULL, "
                       "QtaCar DOUBLE PRECISION NOT NULL, QtaRes DOUBLE PRECISION NOT NULL, "
                       "ValCar DOUBLE PRECISION NOT NULL, ValRes DOUBLE PRECISION NOT NULL)"));
    constexpr int kRows = 100;
    QStringList marks;
    for (int r = 0; r < kRows; ++r)
        marks << QStringLiteral("(?, ?, ?, ?, ?, ?)");
    const QString full = QStringLiteral("INSERT INTO Bench_Movimenti VALUES ") + marks.join(QStringLiteral(", "));
    db.StartTransaction();
    QVariantList values;
    int rows = 0;
    for (const Move &m : Moves()) {
        values << m.account << m.packaging << m.loaded << m.returned << Funzioni::KRound(m.loaded * kPrice, 2)
               << Funzioni::KRound(m.returned * kPrice, 2);
        if (++rows == kRows) {
            db.ExecSQL(full, values);
            values.clear();
            rows = 0;
        }
    }
    if (rows > 0)
        db.ExecSQL(QStringLiteral("INSERT INTO Bench_Movimenti VALUES ")
                       + marks.mid(0, rows).join(QStringLiteral(", ")),
                   values);
    db.Commit();
}

void Record(benchmark::State &state, Engine &e, Phase phase, double seconds)
{
    state.SetIterationTime(seconds);
    e.tempi.Aggiungi(phase, seconds);
    e.totals[phase] = Total(*e.db);
    state.counters["moves/s"] = kMoves / seconds;
}

void BenchRoutine(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        ResetCards(*e->db);
        e->module->TRS_ProgCauz->Close();
        DMILUMO = e->module.get();
        const auto t0 = std::chrono::steady_clock::now();
        e->db->StartTransaction();
        for (const Move &m : Moves())
            UT_LMQ_CAUZ_AggiornaProgressivi(kDate, QStringLiteral("CL"), m.account, 0, QStringLiteral("EUR"), 1,
                                            m.packaging, m.loaded, m.returned, 0, 0, kPrice, 1, 0, 1, 0, 0, 0);
        e->db->Commit();
        Record(state, *e, Routine, benchruns::Seconds(t0));
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    // both cards of each account and packaging (kinds 0 and 1) take the movement's sums
    const QString sql = QStringLiteral(
        "UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + m.qc, ProgQtaRes = ProgQtaRes + m.qr, "
        "ProgValCar = ProgValCar + m.vc, ProgValRes = ProgValRes + m.vr, ProgQtaCarB = ProgQtaCarB + m.qc, "
        "ProgQtaResB = ProgQtaResB + m.qr, ProgValCarB = ProgValCarB + m.vc, ProgValResB = ProgValResB + m.vr "
        "FROM (SELECT IdConto AS conto, IdImballo AS imballo, SUM(QtaCar) AS qc, SUM(QtaRes) AS qr, "
        "SUM(ValCar) AS vc, SUM(ValRes) AS vr FROM Bench_Movimenti GROUP BY IdConto, IdImballo) AS m "
        "WHERE LUMO_ProgCauz.IdContoTp = 'CL' AND LUMO_ProgCauz.IdConto = m.conto "
        "AND LUMO_ProgCauz.IdDestinazione = 0 AND LUMO_ProgCauz.IdImballo = m.imballo");
    for (auto _ : state) {
        ResetCards(*e->db);
        const auto t0 = std::chrono::steady_clock::now();
        e->db->StartTransaction();
        e->db->ExecSQL(sql);
        e->db->Commit();
        Record(state, *e, Sql, benchruns::Seconds(t0));
    }
}

void Register(Engine *e, int rounds)
{
    const std::string prefix = std::string(e->label) + "/";
    for (int round = 0; round < rounds; ++round) {
        benchruns::RegisterOneShot(prefix + "cards/routine", BenchRoutine, e);
        benchruns::RegisterOneShot(prefix + "cards/sql", BenchSql, e);
    }
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url)
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    std::fill(std::begin(e->totals), std::end(e->totals), 0.0);
    e->db = std::make_unique<TXDatabase>(QString::fromLatin1(label), url);
    ModuleData::Use(&ModuleFiles); // the module's tables, as the program takes them from the library
    SchemaInstaller().Create(*e->db);
    e->db->StartTransaction();
    e->db->ExecSQL(QStringLiteral("INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES "
                                  "('EUR', 'Euro', 4, 2)"));
    for (int a = 0; a < kAccounts; ++a)
        e->db->ExecSQL(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, UT_LMQ_FlCauz) VALUES ('CL', ?, 1)"),
                       {QStringLiteral("C%1").arg(a, 4, 10, QLatin1Char('0'))});
    e->db->Commit();
    StoreMoves(*e->db);
    e->module = std::make_unique<TDMILUMO>();
    e->module->TRS_ProgCauz->SetDatabase(e->db.get());
    return e;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    Moves(); // built before any timing
    CFG.IdDivisa = QStringLiteral("EUR");

    QTemporaryDir dir;
    engines.push_back(MakeEngine("sqlite", QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        // one schema per run: runs at the same time on the same server leave each other alone
        const QString schema = QStringLiteral("kv8benchframe_%1").arg(QCoreApplication::applicationPid());
        auto e = MakeEngine("postgres", benchruns::SchemaPulito(server, schema));
        e->schema = schema;
        engines.push_back(std::move(e));
    }
    for (auto &e : engines)
        Register(e.get(), e->db->IsPostgres() ? benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3)
                                              : benchruns::Rounds("KV8_BENCH_ROUNDS", 3));
    benchmark::RunSpecifiedBenchmarks();

    std::printf("\ncard update routine / one set-based UPDATE (median of interleaved rounds, %d movements over %d "
                "accounts; target within 5x)\n",
                kMoves, kAccounts);
    for (auto &e : engines) {
        if (!e->tempi.Misurati(Routine, Sql))
            continue; // filtered out
        const bool same = std::abs(e->totals[Routine] - e->totals[Sql]) < 1e-6 * std::max(1.0, e->totals[Sql]);
        std::printf("  %-8s %.2fx (median of %zu interleaved rounds: routine %.1f ms / set-based %.1f ms)%s\n",
                    e->label, e->tempi.Rapporto(Routine, Sql), e->tempi.Giri(Routine, Sql),
                    e->tempi.Mediana(Routine) * 1000, e->tempi.Mediana(Sql) * 1000,
                    same ? "" : "   CARDS DIFFER between the two runs");
    }
    for (auto &e : engines)
        if (!e->schema.isEmpty())
            e->db->ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e->schema));
    DMILUMO = nullptr;
    engines.clear();
    benchmark::Shutdown();
    return 0;
}
