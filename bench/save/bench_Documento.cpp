// Saving a document through client tables whose writes wait for the commit, against raw
// multi-row inserts of the same rows: a head, 500 rows and 500 movements in one transaction,
// on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints both median times and the median of
// the per-round ratios (interleaved rounds; target within 3x) and checks that both stored the
// same rows.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchRuns.h"
#include "host/data/TXClientTable.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 500;

const Dictionary &BenchDictionary()
{
    static QTemporaryDir dir;
    static const Dictionary dictionary = [] {
        const QString path = dir.filePath(QStringLiteral("save.json"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(R"json({"tables": [
  {"name": "BD_Testa", "columns": [
    {"name": "KDoc", "type": "integer", "autokey": true},
    {"name": "IdConto", "type": "string(8)"},
    {"name": "DataDoc", "type": "datetime"},
    {"name": "Totale", "type": "float"}],
   "primaryKey": ["KDoc"]},
  {"name": "BD_Righe", "columns": [
    {"name": "KRiga", "type": "integer", "autokey": true},
    {"name": "KDoc", "type": "integer"},
    {"name": "NumRiga", "type": "integer"},
    {"name": "IdArticolo", "type": "string(10)"},
    {"name": "Qta", "type": "float"},
    {"name": "Prezzo", "type": "float"},
    {"name": "Importo", "type": "float"}],
   "primaryKey": ["KRiga"]},
  {"name": "BD_Mov", "columns": [
    {"name": "KMov", "type": "integer", "autokey": true},
    {"name": "KDoc", "type": "integer"},
    {"name": "KRiga", "type": "integer"},
    {"name": "IdArticolo", "type": "string(10)"},
    {"name": "Qta", "type": "float"},
    {"name": "DataMov", "type": "datetime"}],
   "primaryKey": ["KMov"]}
]})json");
        f.close();
        return Dictionary::Load({path});
    }();
    return dictionary;
}

const QDateTime kDate(QDate(2024, 5, 10), QTime(0, 0));

QString Article(int i)
{
    return QStringLiteral("ART%1").arg(i % 37, 3, 10, QLatin1Char('0'));
}
double Quantity(int i)
{
    return 1 + i % 9;
}
double Price(int i)
{
    return 0.5 + (i % 13) * 0.25;
}

enum Phase { Layer, Raw, PhaseCount };

struct Engine {
    const char *label = "";
    std::unique_ptr<TXDatabase> db;
    benchruns::Tempi<PhaseCount> tempi;
    double totals[PhaseCount];
    QString schema;
};

std::vector<std::unique_ptr<Engine>> engines;

void Clear(TXDatabase &db)
{
    for (const char *table : {"BD_Mov", "BD_Righe", "BD_Testa"})
        db.ExecSQL(QStringLiteral("DELETE FROM ") + QLatin1String(table));
}

// Sums over the stored rows, their keys included (so that the keys are checked too).
double Total(TXDatabase &db)
{
    return db
        .ScalarValue(QStringLiteral("SELECT (SELECT SUM(Qta * Prezzo + NumRiga) FROM BD_Righe) + "
                                    "(SELECT SUM(Qta) FROM BD_Mov) + (SELECT SUM(Totale) FROM BD_Testa) + "
                                    "(SELECT COUNT(*) FROM BD_Mov m JOIN BD_Righe r ON r.KRiga = m.KRiga AND "
                                    "r.KDoc = m.KDoc AND r.IdArticolo = m.IdArticolo)"))
        .toDouble();
}

void Record(benchmark::State &state, Engine &e, Phase phase, double seconds)
{
    state.SetIterationTime(seconds);
    e.tempi.Aggiungi(phase, seconds);
    e.totals[phase] = Total(*e.db);
}

void Open(TXClientTable &t, TXDatabase &db, const char *table, const char *key)
{
    t.SetDatabase(&db);
    t.SetTableName(QString::fromLatin1(table));
    t.SetXWhereVuoto(QString::fromLatin1(key) + QStringLiteral(" = -1"));
    t.SetDeferredWrites(true);
    t.Open();
}

void BenchLayer(benchmark::State &state, Engine *e)
{
    TXClientTable testa, righe, mov;
    Open(testa, *e->db, "BD_Testa", "KDoc");
    Open(righe, *e->db, "BD_Righe", "KRiga");
    Open(mov, *e->db, "BD_Mov", "KMov");
    for (auto _ : state) {
        Clear(*e->db);
        const auto t0 = std::chrono::steady_clock::now();
        TXTransaction transaction(*e->db);
        testa.Append();
        const int doc = testa.FieldByName(QStringLiteral("KDoc"))->AsInteger();
        testa.FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C0001"));
        testa.FieldByName(QStringLiteral("DataDoc"))->SetAsDateTime(kDate);
        double totale = 0;
        for (int i = 0; i < kRows; ++i) {
            righe.Append();
            const int riga = righe.FieldByName(QStringLiteral("KRiga"))->AsInteger();
            righe.FieldByName(QStringLiteral("KDoc"))->SetAsInteger(doc);
            righe.FieldByName(QStringLiteral("NumRiga"))->SetAsInteger(i + 1);
            righe.FieldByName(QStringLiteral("IdArticolo"))->SetAsString(Article(i));
            righe.FieldByName(QStringLiteral("Qta"))->SetAsFloat(Quantity(i));
            righe.FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(Price(i));
            righe.FieldByName(QStringLiteral("Importo"))->SetAsFloat(Quantity(i) * Price(i));
            righe.Post();
            totale += Quantity(i) * Price(i);
            mov.Append();
            mov.FieldByName(QStringLiteral("KDoc"))->SetAsInteger(doc);
            mov.FieldByName(QStringLiteral("KRiga"))->SetAsInteger(riga);
            mov.FieldByName(QStringLiteral("IdArticolo"))->SetAsString(Article(i));
            mov.FieldByName(QStringLiteral("Qta"))->SetAsFloat(Quantity(i));
            mov.FieldByName(QStringLiteral("DataMov"))->SetAsDateTime(kDate);
            mov.Post();
        }
        testa.FieldByName(QStringLiteral("Totale"))->SetAsFloat(totale);
        testa.Post();
        transaction.Commit();
        Record(state, *e, Layer, benchruns::Seconds(t0));
        testa.Close();
        righe.Close();
        mov.Close();
        testa.Open();
        righe.Open();
        mov.Open();
    }
}

// One multi-row INSERT per table (in chunks the engines take), keys given.
void InsertRows(TXDatabase &db, const QString &head, int columns, const QVariantList &values)
{
    const int perStatement = 900 / columns;
    const int rows = int(values.size()) / columns;
    QStringList marks(columns, QStringLiteral("?"));
    const QString row = u'(' + marks.join(QStringLiteral(", ")) + u')';
    for (int from = 0; from < rows; from += perStatement) {
        const int count = std::min(perStatement, rows - from);
        db.ExecSQL(head + QStringList(count, row).join(QStringLiteral(", ")),
                   values.mid(qsizetype(from) * columns, qsizetype(count) * columns));
    }
}

void BenchRaw(benchmark::State &state, Engine *e)
{
    for (auto _ : state) {
        Clear(*e->db);
        const auto t0 = std::chrono::steady_clock::now();
        e->db->StartTransaction();
        QVariantList righe, mov;
        double totale = 0;
        for (int i = 0; i < kRows; ++i) {
            righe << i + 1 << 1 << i + 1 << Article(i) << Quantity(i) << Price(i) << Quantity(i) * Price(i);
            mov << i + 1 << 1 << i + 1 << Article(i) << Quantity(i) << kDate;
            totale += Quantity(i) * Price(i);
        }
        e->db->ExecSQL(QStringLiteral("INSERT INTO BD_Testa (KDoc, IdConto, DataDoc, Totale) VALUES (?, ?, ?, ?)"),
                       {1, QStringLiteral("C0001"), kDate, totale});
        InsertRows(
            *e->db,
            QStringLiteral("INSERT INTO BD_Righe (KRiga, KDoc, NumRiga, IdArticolo, Qta, Prezzo, Importo) VALUES "), 7,
            righe);
        InsertRows(*e->db, QStringLiteral("INSERT INTO BD_Mov (KMov, KDoc, KRiga, IdArticolo, Qta, DataMov) VALUES "),
                   6, mov);
        e->db->Commit();
        Record(state, *e, Raw, benchruns::Seconds(t0));
    }
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url)
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    std::fill(std::begin(e->totals), std::end(e->totals), 0.0);
    e->db = std::make_unique<TXDatabase>(QString::fromLatin1(label), url);
    SchemaInstaller(BenchDictionary()).Create(*e->db);
    return e;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    kv8data::SetDataDictionary(&BenchDictionary());
    QTemporaryDir dir;
    engines.push_back(MakeEngine("sqlite", QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        const QString schema = QStringLiteral("kv8benchsave");
        auto e = MakeEngine("postgres", benchruns::SchemaPulito(server, schema));
        e->schema = schema;
        engines.push_back(std::move(e));
    }
    for (auto &e : engines) {
        const int rounds = e->db->IsPostgres() ? benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 5)
                                               : benchruns::Rounds("KV8_BENCH_ROUNDS", 5);
        const std::string prefix = std::string(e->label) + "/";
        for (int round = 0; round < rounds; ++round) {
            benchruns::RegisterOneShot(prefix + "document/layer", BenchLayer, e.get());
            benchruns::RegisterOneShot(prefix + "document/raw", BenchRaw, e.get());
        }
    }
    benchmark::RunSpecifiedBenchmarks();

    std::printf("\ndocument of %d rows and %d movements saved through deferred client tables / raw multi-row "
                "inserts (median of the per-round ratios of interleaved rounds; target within 3x)\n",
                kRows, kRows);
    for (auto &e : engines) {
        if (!e->tempi.Misurati(Layer, Raw))
            continue; // filtered out
        const bool same = std::abs(e->totals[Layer] - e->totals[Raw]) < 1e-6 * std::max(1.0, e->totals[Raw]);
        std::printf("  %-8s %.2fx (median of %zu interleaved rounds: layer %.2f ms / raw %.2f ms)%s\n", e->label,
                    e->tempi.Rapporto(Layer, Raw), e->tempi.Giri(Layer, Raw), e->tempi.Mediana(Layer) * 1000,
                    e->tempi.Mediana(Raw) * 1000, same ? "" : "   ROWS DIFFER between the two runs");
    }
    for (auto &e : engines)
        if (!e->schema.isEmpty())
            e->db->ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e->schema));
    engines.clear();
    kv8data::SetDataDictionary(nullptr);
    benchmark::Shutdown();
    return 0;
}
