// Cost of the database layer against raw Qt Sql: 100 000 warehouse-movement rows inserted in
// one transaction and read back, on SQLite and (with KV8_TEST_PG) on PostgreSQL. The raw insert
// is the fastest honest raw way, the faster of multi-row INSERTs (values bound or written in the
// text) and a prepared statement per row; both sides' stored rows are compared. The
// sides run interleaved and the ratio printed is the median of the per-round ratios, with both
// sides' median times. KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS: rounds per engine.
#include "bench/support/BenchMisure.h"
#include "bench/support/BenchRuns.h"
#include "host/db/TXDatabase.h"

#include <benchmark/benchmark.h>

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
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

struct Engine {
    const char *label;
    std::unique_ptr<TXDatabase> db;
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

// The layer: one statement per row through the database layer, in one transaction.
double InsertLayer(Engine *e)
{
    TXDatabase &db = *e->db;
    const QString sql = QString::fromLatin1(kInsert).arg(QStringLiteral("MovLayer"));
    Recreate(db, QStringLiteral("MovLayer"));
    return benchmisure::Time([&] {
        db.StartTransaction();
        for (const Row &row : Rows())
            db.ExecSQL(sql, QVariantList(row.begin(), row.end()));
        db.Commit();
    });
}

// A value as the layer stores it: SQLite keeps date-times as "yyyy-MM-dd HH:mm:ss" text.
QVariant Raw(const QVariant &value, bool sqlite)
{
    if (!sqlite || value.typeId() != QMetaType::QDateTime || value.isNull())
        return value;
    return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Raw Qt Sql in one transaction, multi-row INSERTs of 500 rows with the values written in the
// text by the driver (binding thousands of values costs more than the statement itself).
double InsertRawLiteral(Engine *e)
{
    QSqlDatabase db = e->db->Connection();
    const bool sqlite = !e->db->IsPostgres();
    Recreate(*e->db, QStringLiteral("MovRaw"));
    const QString head =
        QString::fromLatin1(kInsert).arg(QStringLiteral("MovRaw")).section(QStringLiteral("VALUES"), 0, 0)
        + QStringLiteral("VALUES ");
    QSqlDriver *driver = db.driver();
    return benchmisure::Time([&] {
        db.transaction();
        const std::vector<Row> &rows = Rows();
        for (size_t from = 0; from < rows.size(); from += 500) {
            QStringList values;
            for (size_t r = from; r < std::min(rows.size(), from + 500); ++r) {
                QStringList row;
                for (const QVariant &v : rows[r]) {
                    const QVariant raw = Raw(v, sqlite);
                    QSqlField field(QString(), raw.metaType());
                    field.setValue(raw);
                    row << driver->formatValue(field);
                }
                values << u'(' + row.join(u',') + u')';
            }
            QSqlQuery q(db);
            if (!q.exec(head + values.join(u',')))
                std::fprintf(stderr, "raw insert failed: %s\n", qPrintable(q.lastError().text()));
        }
        db.commit();
    });
}

// Raw Qt Sql in one transaction: multi-row INSERTs of bound values (in chunks the engines
// take), or one prepared statement run for each row (faster on SQLite, where no round trip is
// saved).
double InsertRaw(Engine *e, bool multiRow)
{
    QSqlDatabase db = e->db->Connection();
    const bool sqlite = !e->db->IsPostgres();
    Recreate(*e->db, QStringLiteral("MovRaw"));
    const int perStatement = multiRow ? 900 / kColumns : 1;
    const QString head =
        QString::fromLatin1(kInsert).arg(QStringLiteral("MovRaw")).section(QStringLiteral("VALUES"), 0, 0);
    const QString row = u'(' + QStringList(kColumns, QStringLiteral("?")).join(u',') + u')';
    auto statement = [&](int rows) { return head + QStringLiteral("VALUES ") + QStringList(rows, row).join(u','); };
    return benchmisure::Time([&] {
        db.transaction();
        QSqlQuery full(db);
        full.prepare(statement(perStatement));
        const std::vector<Row> &rows = Rows();
        for (int from = 0; from < int(rows.size()); from += perStatement) {
            const int count = std::min(perStatement, int(rows.size()) - from);
            QSqlQuery tail(db);
            QSqlQuery &q = count == perStatement ? full : tail;
            if (count != perStatement)
                q.prepare(statement(count));
            for (int r = 0; r < count; ++r)
                for (int c = 0; c < kColumns; ++c)
                    q.bindValue(r * kColumns + c, Raw(rows[size_t(from) + size_t(r)][size_t(c)], sqlite));
            if (!q.exec())
                std::fprintf(stderr, "raw insert failed: %s\n", qPrintable(q.lastError().text()));
        }
        db.commit();
    });
}

// What a table stores, summed up: rows, keys, values, texts, dates.
QString Impronta(TXDatabase &db, const QString &table)
{
    return benchruns::PrimaRiga(db.OpenQuery(
        QStringLiteral(
            "SELECT COUNT(*), SUM(IdMov), SUM(IdRiga * TipoMov), SUM(Valore), SUM(Quantita2), "
            "SUM(LENGTH(Descrizione)), SUM(LENGTH(IdProdotto)), COUNT(DataScad), MIN(DataMov), MAX(DataDoc) FROM ")
        + table));
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

double ReadLayer(Engine *e)
{
    return benchmisure::Time([&] {
        QSqlQuery q = e->db->OpenQuery(QStringLiteral("SELECT * FROM MovRaw ORDER BY IdMov"));
        benchmark::DoNotOptimize(ReadAll(q));
    });
}

double ReadRaw(Engine *e)
{
    return benchmisure::Time([&] {
        QSqlQuery q(e->db->Connection());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT * FROM MovRaw ORDER BY IdMov"));
        q.exec();
        benchmark::DoNotOptimize(ReadAll(q));
    });
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url)
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    e->db = std::make_unique<TXDatabase>(QString::fromLatin1(label), url);
    return e;
}

} // namespace

int main()
{
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
    std::printf("layer / raw (median of the per-round ratios of interleaved rounds, %d rows, %d columns)\n", kRows,
                kColumns);
    for (auto &e : engines) {
        const int rounds = e->db->IsPostgres() ? benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3)
                                               : benchruns::Rounds("KV8_BENCH_ROUNDS", 5);
        // The raw side of a round is the fastest of its raw ways, each checked to store the
        // layer's rows.
        QString layer, raw[3];
        const std::vector<std::vector<double>> giri =
            benchmisure::Giri(rounds, {[&] {
                                           const double t = InsertLayer(e.get());
                                           layer = Impronta(*e->db, QStringLiteral("MovLayer"));
                                           return t;
                                       },
                                       [&] {
                                           const double t = InsertRaw(e.get(), true);
                                           raw[0] = Impronta(*e->db, QStringLiteral("MovRaw"));
                                           return t;
                                       },
                                       [&] {
                                           const double t = InsertRaw(e.get(), false);
                                           raw[1] = Impronta(*e->db, QStringLiteral("MovRaw"));
                                           return t;
                                       },
                                       [&] {
                                           const double t = InsertRawLiteral(e.get());
                                           raw[2] = Impronta(*e->db, QStringLiteral("MovRaw"));
                                           return t;
                                       }});
        benchmisure::Confronto insert{giri[0], {}};
        for (size_t i = 0; i < giri[1].size(); ++i)
            insert.raw.push_back(std::min({giri[1][i], giri[2][i], giri[3][i]}));
        insert.Print(e->label, "insert / the fastest raw way");
        std::printf(
            "  %-8s   raw ways: multi-row INSERTs of bound values %.1f ms, a prepared statement per row %.1f ms, "
            "multi-row INSERTs with the values in the text %.1f ms\n",
            e->label, benchmisure::Median(giri[1]) * 1000, benchmisure::Median(giri[2]) * 1000,
            benchmisure::Median(giri[3]) * 1000);
        const char *const modi[] = {"bound multi-row", "per row", "in the text"};
        for (int i = 0; i < 3; ++i)
            if (layer != raw[i])
                std::printf("  %-8s STORED ROWS DIFFER: layer %s, raw (%s) %s\n", e->label, qPrintable(layer), modi[i],
                            qPrintable(raw[i]));
        benchmisure::Alterna(
            rounds, [&] { return ReadLayer(e.get()); }, [&] { return ReadRaw(e.get()); })
            .Print(e->label, "read");
    }
    for (auto &e : engines)
        if (!e->schema.isEmpty())
            e->db->ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e->schema));
    engines.clear();
    return 0;
}
