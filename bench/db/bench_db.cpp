// Cost of the database layer against raw Qt Sql: 100 000 warehouse-movement rows inserted in
// one transaction and read back, on SQLite and (with KV8_TEST_PG) on PostgreSQL.
// Prints the ratio layer / raw for insert and read after the runs (best of the rounds).
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS: rounds per engine; KV8_BENCH_SAVEPOINT: also time raw
// inserts with a separate savepoint round trip per row (what the layer avoids).
#include "bench/support/BenchRuns.h"
#include "host/db/TXDatabase.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace {

// KV8_BENCH_ROWS overrides the row count for quick looks.
const int kRows = qEnvironmentVariableIsSet("KV8_BENCH_ROWS") ? qEnvironmentVariableIntValue("KV8_BENCH_ROWS") : 100000;
constexpr int kColumns = 25;
using Row = std::array<QVariant, kColumns>;

const char *const kColumnsDdl =
    "IdMov INTEGER NOT NULL PRIMARY KEY, IdRiga INTEGER NOT NULL, TipoMov SMALLINT NOT NULL, "
    "IdCausale VARCHAR(10) NOT NULL, IdProdotto VARCHAR(20) NOT NULL, IdMagazzino VARCHAR(6) NOT NULL, "
    "DataMov %1 NULL, DataDoc %1 NULL, NumDoc INTEGER NOT NULL, SerieDoc VARCHAR(3) NOT NULL, "
    "IdConto VARCHAR(12) NOT NULL, Quantita DOUBLE PRECISION NOT NULL, Quantita2 DOUBLE PRECISION NOT NULL, "
    "Prezzo DOUBLE PRECISION NOT NULL, Valore DOUBLE PRECISION NOT NULL, Sconto1 DOUBLE PRECISION NOT NULL, "
    "Sconto2 DOUBLE PRECISION NOT NULL, Lotto VARCHAR(20) NOT NULL, DataScad %1 NULL, "
    "Descrizione VARCHAR(80) NOT NULL, UM VARCHAR(3) NOT NULL, FlSegno SMALLINT NOT NULL, "
    "IdDeposito VARCHAR(6) NOT NULL, Note VARCHAR(60) NOT NULL, Anno SMALLINT NOT NULL";

const char *const kInsert =
    "INSERT INTO %1 (IdMov, IdRiga, TipoMov, IdCausale, IdProdotto, IdMagazzino, DataMov, DataDoc, NumDoc, "
    "SerieDoc, IdConto, Quantita, Quantita2, Prezzo, Valore, Sconto1, Sconto2, Lotto, DataScad, Descrizione, "
    "UM, FlSegno, IdDeposito, Note, Anno) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
    "?, ?, ?, ?)";

std::vector<Row> MakeRows()
{
    std::vector<Row> rows(kRows);
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0));
    for (int i = 0; i < kRows; ++i) {
        const QDateTime when = start.addSecs(qint64(i) * 311);
        rows[i] = Row{i + 1,
                      i % 40 + 1,
                      i % 3,
                      QStringLiteral("CAU%1").arg(i % 17),
                      QStringLiteral("ART%1").arg(i % 2500, 6, 10, QLatin1Char('0')),
                      QStringLiteral("MAG%1").arg(i % 4),
                      when,
                      QDateTime(when.date(), QTime(0, 0)),
                      i / 40 + 1,
                      QStringLiteral("A"),
                      QStringLiteral("C%1").arg(i % 900, 5, 10, QLatin1Char('0')),
                      (i % 97) * 1.25,
                      (i % 13) * 0.5,
                      1.0 + (i % 250) / 100.0,
                      (i % 97) * 1.25 * (1.0 + (i % 250) / 100.0),
                      (i % 5) * 2.5,
                      0.0,
                      QStringLiteral("L%1").arg(i % 300),
                      i % 4 == 0 ? QVariant(when.addDays(365)) : QVariant(QMetaType::fromType<QDateTime>()),
                      QStringLiteral("Movimento di magazzino numero %1").arg(i),
                      QStringLiteral("PZ"),
                      i % 2,
                      QStringLiteral("D%1").arg(i % 7),
                      QStringLiteral(""),
                      2024};
    }
    return rows;
}

const std::vector<Row> &Rows()
{
    static const std::vector<Row> rows = MakeRows();
    return rows;
}

enum Phase { InsertLayer, InsertRaw, ReadLayer, ReadRaw, InsertRawSavepoint, PhaseCount };

struct Engine {
    const char *label;
    std::unique_ptr<TXDatabase> db;
    double best[PhaseCount];
    QString schema; // PostgreSQL schema to drop at the end
};

std::vector<std::unique_ptr<Engine>> engines;

void Recreate(TXDatabase &db, const QString &table)
{
    db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS ") + table);
    db.ExecSQL(QStringLiteral("CREATE TABLE %1 (%2)")
                   .arg(table, QString::fromLatin1(kColumnsDdl)
                                   .arg(db.IsPostgres() ? QStringLiteral("TIMESTAMP") : QStringLiteral("DATETIME"))));
}

void Record(benchmark::State &state, Engine &e, Phase phase, double seconds)
{
    state.SetIterationTime(seconds);
    e.best[phase] = std::min(e.best[phase], seconds);
    state.counters["rows/s"] = kRows / seconds;
}

void BenchInsertLayer(benchmark::State &state, Engine *e)
{
    TXDatabase &db = *e->db;
    const QString sql = QString::fromLatin1(kInsert).arg(QStringLiteral("MovLayer"));
    for (auto _ : state) {
        Recreate(db, QStringLiteral("MovLayer"));
        const auto t0 = std::chrono::steady_clock::now();
        db.StartTransaction();
        for (const Row &row : Rows())
            db.ExecSQL(sql, QVariantList(row.begin(), row.end()));
        db.Commit();
        Record(state, *e, InsertLayer, benchruns::Seconds(t0));
    }
}

void BenchInsertRaw(benchmark::State &state, Engine *e, bool savepoints)
{
    QSqlDatabase db = e->db->Connection();
    const QString table = savepoints ? QStringLiteral("MovRawSp") : QStringLiteral("MovRaw");
    for (auto _ : state) {
        Recreate(*e->db, table);
        const auto t0 = std::chrono::steady_clock::now();
        db.transaction();
        QSqlQuery q(db);
        QSqlQuery savepoint(db);
        if (savepoints)
            savepoint.exec(QStringLiteral("SAVEPOINT s"));
        q.prepare(QString::fromLatin1(kInsert).arg(table));
        for (const Row &row : Rows()) {
            for (int c = 0; c < kColumns; ++c)
                q.bindValue(c, row[c]);
            if (!q.exec()) {
                state.SkipWithError(q.lastError().text().toUtf8().constData());
                break;
            }
            if (savepoints)
                savepoint.exec(QStringLiteral("RELEASE SAVEPOINT s; SAVEPOINT s"));
        }
        db.commit();
        Record(state, *e, savepoints ? InsertRawSavepoint : InsertRaw, benchruns::Seconds(t0));
    }
}

double ReadAll(QSqlQuery &q)
{
    double sum = 0;
    int rows = 0;
    while (q.next()) {
        for (int c = 0; c < kColumns; ++c) {
            const QVariant v = q.value(c);
            benchmark::DoNotOptimize(v);
        }
        sum += q.value(14).toDouble();
        ++rows;
    }
    if (rows != kRows)
        std::fprintf(stderr, "read %d rows instead of %d\n", rows, kRows);
    return sum;
}

void BenchReadLayer(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        QSqlQuery q = e->db->OpenQuery(QStringLiteral("SELECT * FROM MovRaw ORDER BY IdMov"));
        benchmark::DoNotOptimize(ReadAll(q));
        Record(state, *e, ReadLayer, benchruns::Seconds(t0));
    }
}

void BenchReadRaw(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        QSqlQuery q(e->db->Connection());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT * FROM MovRaw ORDER BY IdMov"));
        q.exec();
        benchmark::DoNotOptimize(ReadAll(q));
        Record(state, *e, ReadRaw, benchruns::Seconds(t0));
    }
}

// Rounds of insert and read, layer and raw in turn, so that both meet the same load.
void Register(Engine *e, int rounds)
{
    const std::string prefix = std::string(e->label) + "/";
    const bool savepointVariant = e->db->IsPostgres() && qEnvironmentVariableIsSet("KV8_BENCH_SAVEPOINT");
    for (int round = 0; round < rounds; ++round) {
        benchruns::RegisterOneShot(prefix + "insert/layer", BenchInsertLayer, e);
        benchruns::RegisterOneShot(prefix + "insert/raw", BenchInsertRaw, e, false);
        if (savepointVariant)
            benchruns::RegisterOneShot(prefix + "insert/raw+savepoint-round-trip", BenchInsertRaw, e, true);
        benchruns::RegisterOneShot(prefix + "read/layer", BenchReadLayer, e);
        benchruns::RegisterOneShot(prefix + "read/raw", BenchReadRaw, e);
    }
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url)
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    std::fill(std::begin(e->best), std::end(e->best), std::numeric_limits<double>::infinity());
    e->db = std::make_unique<TXDatabase>(QString::fromLatin1(label), url);
    return e;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    Rows(); // built before any timing

    QTemporaryDir dir;
    engines.push_back(MakeEngine("sqlite", QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        const QString schema = QStringLiteral("kv8bench");
        auto e = MakeEngine("postgres", benchruns::InSchema(server, schema));
        e->schema = schema;
        engines.push_back(std::move(e));
    }
    // PostgreSQL takes about half a minute per insert pass here: one round unless asked.
    for (auto &e : engines)
        Register(e.get(), e->db->IsPostgres() ? benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 1)
                                              : benchruns::Rounds("KV8_BENCH_ROUNDS", 4));
    benchmark::RunSpecifiedBenchmarks();

    std::printf("\nlayer / raw (best of the rounds, %d rows, %d columns)\n", kRows, kColumns);
    for (auto &e : engines) {
        if (e->best[InsertLayer] == std::numeric_limits<double>::infinity())
            continue; // filtered out
        const auto ratio = [&](Phase a, Phase b) { return e->best[a] / e->best[b]; };
        std::printf("  %-8s insert %.2fx (%.3f s / %.3f s)   read %.2fx (%.3f s / %.3f s)\n", e->label,
                    ratio(InsertLayer, InsertRaw), e->best[InsertLayer], e->best[InsertRaw], ratio(ReadLayer, ReadRaw),
                    e->best[ReadLayer], e->best[ReadRaw]);
        if (e->best[InsertRawSavepoint] < std::numeric_limits<double>::infinity())
            std::printf("  %-8s raw insert with a separate savepoint round trip per row: %.3f s (%.2fx raw)\n",
                        e->label, e->best[InsertRawSavepoint], ratio(InsertRawSavepoint, InsertRaw));
    }
    for (auto &e : engines)
        if (!e->schema.isEmpty())
            e->db->ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e->schema));
    engines.clear();
    benchmark::Shutdown();
    return 0;
}
