// Datasets against raw Qt Sql in the same run, on SQLite and, when KV8_TEST_PG names a
// server, on PostgreSQL:
//  - scanning 200 000 rows of 40 columns: raw forward-only QSqlQuery, TXQuery forward-only,
//    TXQuery holding its rows; each also run alone in a child process, interleaved rounds, for
//    its time and its memory growth (VmHWM less the resident size before it), with the medians
//    of the per-round ratios to the raw scan;
//  - a stream of the 200 000 movements joined to their accounts read through a forward-only
//    TXQuery and totalled per account, against one aggregate of the same totals;
//  - appending and posting 100 000 rows in one transaction through a TXTable: written at once
//    (the default) against one prepared raw INSERT a row, and kept for the commit against raw
//    multi-row INSERTs, interleaved, with the stored rows compared;
//  - 100 000 Locate calls on a keyed lookup table of 10 000 rows, and a query per key;
//  - the empty opening of a 100-column dictionary table (what a window does when it opens),
//    against raw Qt Sql reading the same empty selection, and the dictionary look-ups it makes.
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXScan.h"

#include "bench/support/BenchMisure.h"
#include "bench/support/BenchRuns.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int kScanRows = 200000;
constexpr int kInsertRows = 100000;
constexpr int kLookupRows = 10000;
constexpr int kLocates = 100000;
constexpr int kWideColumns = 100;

// The folder of the dictionary and the SQLite file; a child process gets it from its parent.
struct BenchDir {
    QTemporaryDir temp;
    QString path =
        qEnvironmentVariableIsSet("KV8_BENCH_DATA_DIR") ? qEnvironmentVariable("KV8_BENCH_DATA_DIR") : temp.path();
    QString filePath(const QString &name) const { return path + u'/' + name; }
};

BenchDir &Dir()
{
    static BenchDir dir;
    return dir;
}

// A line of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Resident memory of the process in MB.
double RssMb()
{
    return StatusMb("VmRSS");
}

// The engines of the run; the benchmarks read the current one.
struct Engine {
    QString label;
    QString url;
    QString schema; // PostgreSQL: dropped at the end
};
std::vector<Engine> &Engines()
{
    static std::vector<Engine> engines;
    return engines;
}
const Engine *&Current()
{
    static const Engine *current = nullptr;
    return current;
}

// Column types as the engine spells them.
QString Types(const QString &columns, bool postgres)
{
    if (!postgres)
        return columns;
    QString out = columns;
    return out.replace(QStringLiteral(" REAL"), QStringLiteral(" DOUBLE PRECISION"))
        .replace(QStringLiteral(" DATETIME"), QStringLiteral(" TIMESTAMP"));
}

QString ScanColumns()
{
    QStringList cols{QStringLiteral("Id INTEGER PRIMARY KEY")};
    for (int i = 1; i <= 9; ++i)
        cols << QStringLiteral("I%1 INTEGER NOT NULL DEFAULT 0").arg(i);
    for (int i = 1; i <= 10; ++i)
        cols << QStringLiteral("F%1 REAL NOT NULL DEFAULT 0").arg(i);
    for (int i = 1; i <= 15; ++i)
        cols << QStringLiteral("S%1 VARCHAR(20) NOT NULL DEFAULT ''").arg(i);
    for (int i = 1; i <= 5; ++i)
        cols << QStringLiteral("D%1 DATETIME").arg(i);
    return cols.join(QStringLiteral(", "));
}

// Columns of the wide table: a text key, then texts, numbers with formats, flags with
// items, integers and dates in turn, each with a label.
QString WideColumnsJson()
{
    QString json = QStringLiteral("{\"name\": \"IdProdotto\", \"type\": \"string(22)\", \"label\": \"Codice\"}");
    for (int i = 1; i < kWideColumns; ++i) {
        QString column;
        switch (i % 5) {
        case 0:
            column = QStringLiteral("{\"name\": \"DsCampo%1\", \"type\": \"string(40)\", \"label\": \"Campo %1\"}");
            break;
        case 1:
            column = QStringLiteral("{\"name\": \"ImpCampo%1\", \"type\": \"float\", \"label\": \"Importo %1\", "
                                    "\"displayFormat\": \"#,0.00\"}");
            break;
        case 2:
            column = QStringLiteral("{\"name\": \"FlCampo%1\", \"type\": \"smallint\", \"label\": \"Flag %1\", "
                                    "\"items\": [[0, \"No\"], [1, \"Si\"]]}");
            break;
        case 3:
            column = QStringLiteral("{\"name\": \"NrCampo%1\", \"type\": \"integer\", \"label\": \"Numero %1\"}");
            break;
        default:
            column = QStringLiteral("{\"name\": \"DtCampo%1\", \"type\": \"datetime\", \"label\": \"Data %1\"}");
            break;
        }
        json += QStringLiteral(", ") + column.arg(i);
    }
    return json;
}

void WriteDictionary()
{
    QString json = QStringLiteral(
        "{\"tables\": [{\"name\": \"BenchScan\", \"columns\": [{\"name\": \"Id\", \"type\": \"integer\"}");
    for (int i = 1; i <= 9; ++i)
        json += QStringLiteral(", {\"name\": \"I%1\", \"type\": \"integer\"}").arg(i);
    for (int i = 1; i <= 10; ++i)
        json += QStringLiteral(", {\"name\": \"F%1\", \"type\": \"float\"}").arg(i);
    for (int i = 1; i <= 15; ++i)
        json += QStringLiteral(", {\"name\": \"S%1\", \"type\": \"string(20)\"}").arg(i);
    for (int i = 1; i <= 5; ++i)
        json += QStringLiteral(", {\"name\": \"D%1\", \"type\": \"datetime\"}").arg(i);
    json += QStringLiteral(
                "], \"primaryKey\": [\"Id\"]},"
                "{\"name\": \"BenchIns\", \"columns\": [{\"name\": \"Id\", \"type\": \"integer\"},"
                "{\"name\": \"KTesta\", \"type\": \"integer\"}, {\"name\": \"IdProdotto\", \"type\": \"string(22)\"},"
                "{\"name\": \"Descrizione\", \"type\": \"string(60)\"}, {\"name\": \"Quantita\", \"type\": \"float\"},"
                "{\"name\": \"Prezzo\", \"type\": \"float\"}, {\"name\": \"Importo\", \"type\": \"float\"},"
                "{\"name\": \"IdImballo\", \"type\": \"string(3)\"}, {\"name\": \"Stato\", \"type\": \"smallint\"},"
                "{\"name\": \"DataMov\", \"type\": \"datetime\"}], \"primaryKey\": [\"Id\"]},"
                "{\"name\": \"BenchLk\", \"columns\": [{\"name\": \"IdCodice\", \"type\": \"string(8)\"},"
                "{\"name\": \"Descrizione\", \"type\": \"string(40)\"}, {\"name\": \"Valore\", \"type\": \"float\"}],"
                "\"primaryKey\": [\"IdCodice\"]},"
                "{\"name\": \"BenchWide\", \"columns\": [")
            + WideColumnsJson() + QStringLiteral("], \"primaryKey\": [\"IdProdotto\"]}]}");
    QFile f(Dir().filePath(QStringLiteral("bench.json")));
    f.open(QIODevice::WriteOnly);
    f.write(json.toUtf8());
}

std::unique_ptr<Dictionary> &BenchDictionary()
{
    static std::unique_ptr<Dictionary> dict;
    return dict;
}

std::map<QString, std::unique_ptr<TXDatabase>> &BenchDatabases()
{
    static std::map<QString, std::unique_ptr<TXDatabase>> dbs;
    return dbs;
}

void LoadDictionary()
{
    std::unique_ptr<Dictionary> &dict = BenchDictionary();
    if (dict)
        return;
    if (!QFile::exists(Dir().filePath(QStringLiteral("bench.json"))))
        WriteDictionary();
    dict = std::make_unique<Dictionary>(Dictionary::Load({Dir().filePath(QStringLiteral("bench.json"))}));
    kv8data::SetDataDictionary(dict.get());
}

// PostgreSQL: the scan rows made by the server, the same values as the SQLite rows.
void FillScanOnServer(QSqlQuery &q)
{
    QStringList values{QStringLiteral("r")};
    for (int i = 1; i <= 9; ++i)
        values << QStringLiteral("r * %1 % 1000").arg(i);
    for (int i = 0; i < 10; ++i)
        values << QStringLiteral("r * 0.25 + %1").arg(i);
    for (int i = 0; i < 15; ++i)
        values << QStringLiteral("'T' || ((r - 1) % 5000) || '-%1'").arg(i);
    for (int i = 0; i < 5; ++i)
        values << QStringLiteral("make_timestamp(2024, 1 + (r - 1) % 12, %1, 10, 0, 0)").arg(1 + i);
    // the rows of the SQLite fill are numbered from 0 in their values: r counts from 1
    QString text = values.join(QStringLiteral(", "));
    text.replace(QStringLiteral("r * "), QStringLiteral("(r - 1) * "));
    if (!q.exec(QStringLiteral("INSERT INTO BenchScan SELECT ") + text
                + QStringLiteral(" FROM generate_series(1, %1) AS g(r)").arg(kScanRows)))
        std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
}

// The database of the current engine, filled once (a child process finds it filled).
TXDatabase &Db()
{
    const Engine &e = *Current();
    std::unique_ptr<TXDatabase> &db = BenchDatabases()[e.label];
    if (db)
        return *db;
    LoadDictionary();
    const Dictionary *dict = BenchDictionary().get();
    db = std::make_unique<TXDatabase>(QStringLiteral("bench"), e.url);
    if (qEnvironmentVariableIsSet("KV8_BENCH_DATA_DIR"))
        return *db;
    const bool pg = db->IsPostgres();
    QSqlDatabase c = db->Connection();
    QSqlQuery q(c);
    q.exec(QStringLiteral("CREATE TABLE BenchScan (") + Types(ScanColumns(), pg) + QStringLiteral(")"));
    q.exec(
        Types(QStringLiteral(
                  "CREATE TABLE BenchIns (Id INTEGER PRIMARY KEY, KTesta INTEGER NOT NULL DEFAULT 0, "
                  "IdProdotto VARCHAR(22) NOT NULL DEFAULT '', Descrizione VARCHAR(60) NOT NULL DEFAULT '', "
                  "Quantita REAL NOT NULL DEFAULT 0, Prezzo REAL NOT NULL DEFAULT 0, Importo REAL NOT NULL DEFAULT 0, "
                  "IdImballo VARCHAR(3) NOT NULL DEFAULT '', Stato SMALLINT NOT NULL DEFAULT 0, DataMov DATETIME)"),
              pg));
    q.exec(QStringLiteral(
        "CREATE TABLE BenchConti (IdConto INTEGER PRIMARY KEY, DsConto VARCHAR(40) NOT NULL DEFAULT '')"));
    q.exec(QStringLiteral(
        "CREATE TABLE BenchLk (IdCodice VARCHAR(8) PRIMARY KEY, Descrizione VARCHAR(40) NOT NULL DEFAULT '', "
        "Valore REAL NOT NULL DEFAULT 0)"));
    QStringList wide;
    for (const DictColumn &c : dict->Table(QStringLiteral("BenchWide"))->columns)
        wide << SchemaInstaller::ColumnDefinition(c, db->Engine());
    q.exec(QStringLiteral("CREATE TABLE BenchWide (") + wide.join(QStringLiteral(", "))
           + QStringLiteral(", PRIMARY KEY (IdProdotto))"));
    c.transaction();
    QSqlQuery conti(c);
    conti.prepare(QStringLiteral("INSERT INTO BenchConti VALUES (?, ?)"));
    for (int r = 0; r < 1000; ++r) {
        conti.bindValue(0, r);
        conti.bindValue(1, QStringLiteral("Conto %1").arg(r));
        conti.exec();
    }
    if (pg)
        FillScanOnServer(q);
    QStringList marks;
    for (int i = 0; i < 40; ++i)
        marks << QStringLiteral("?");
    QSqlQuery ins(c);
    ins.prepare(QStringLiteral("INSERT INTO BenchScan VALUES (") + marks.join(QLatin1Char(',')) + QStringLiteral(")"));
    for (int r = 0; r < (pg ? 0 : kScanRows); ++r) {
        ins.bindValue(0, r + 1);
        for (int i = 1; i <= 9; ++i)
            ins.bindValue(i, r * i % 1000);
        for (int i = 0; i < 10; ++i)
            ins.bindValue(10 + i, r * 0.25 + i);
        for (int i = 0; i < 15; ++i)
            ins.bindValue(20 + i, QStringLiteral("T%1-%2").arg(r % 5000).arg(i));
        for (int i = 0; i < 5; ++i)
            ins.bindValue(35 + i, QStringLiteral("2024-%1-%2 10:00:00")
                                      .arg(1 + r % 12, 2, 10, QLatin1Char('0'))
                                      .arg(1 + i, 2, 10, QLatin1Char('0')));
        if (!ins.exec())
            std::fprintf(stderr, "%s\n", qPrintable(ins.lastError().text()));
    }
    QSqlQuery lk(c);
    lk.prepare(QStringLiteral("INSERT INTO BenchLk VALUES (?, ?, ?)"));
    for (int r = 0; r < kLookupRows; ++r) {
        lk.bindValue(0, QStringLiteral("K%1").arg(r, 6, 10, QLatin1Char('0')));
        lk.bindValue(1, QStringLiteral("Descrizione %1").arg(r));
        lk.bindValue(2, r * 1.5);
        lk.exec();
    }
    c.commit();
    if (pg)
        q.exec(QStringLiteral("ANALYZE"));
    return *db;
}

void RawScan(benchmark::State &state)
{
    TXDatabase &db = Db();
    for (auto _ : state) {
        QSqlQuery q(db.Connection());
        q.setForwardOnly(true);
        q.exec(QStringLiteral("SELECT * FROM BenchScan"));
        qint64 rows = 0;
        double sum = 0;
        while (q.next()) {
            for (int i = 0; i < 40; ++i) {
                const QVariant v = q.value(i);
                benchmark::DoNotOptimize(v);
            }
            sum += q.value(10).toDouble();
            ++rows;
        }
        benchmark::DoNotOptimize(sum);
        state.counters["rows"] = double(rows);
    }
}

void ReadAllFields(TXQuery &q, qint64 &rows, double &sum)
{
    const QList<TField *> fields = q.FieldList();
    TField *f1 = q.FieldByName(QStringLiteral("F1"));
    for (; !q.Eof(); q.Next()) {
        for (TField *f : fields) {
            const QVariant v = f->Value();
            benchmark::DoNotOptimize(v);
        }
        sum += f1->AsFloat();
        ++rows;
    }
}

void QueryStreamScan(benchmark::State &state)
{
    Db();
    for (auto _ : state) {
        const double before = RssMb();
        TXQuery q;
        q.SetDatabase(&Db());
        q.SetUniDirectional(true);
        q.SQL << QStringLiteral("SELECT * FROM BenchScan");
        q.Open();
        state.counters["RecordCount"] = q.RecordCount();
        qint64 rows = 0;
        double sum = 0;
        ReadAllFields(q, rows, sum);
        benchmark::DoNotOptimize(sum);
        state.counters["rows"] = double(rows);
        state.counters["MB"] = RssMb() - before;
    }
}

void QueryBufferedScan(benchmark::State &state)
{
    Db();
    for (auto _ : state) {
        const double before = RssMb();
        TXQuery q;
        q.SetDatabase(&Db());
        q.SQL << QStringLiteral("SELECT * FROM BenchScan");
        q.Open();
        state.counters["MB"] = RssMb() - before;
        qint64 rows = 0;
        double sum = 0;
        ReadAllFields(q, rows, sum);
        benchmark::DoNotOptimize(sum);
        state.counters["rows"] = double(rows);
    }
}

// The values of a row of BenchIns, in its columns' order.
QVariantList InsertValues(int r, const QVariant &when)
{
    return {r + 1,
            r / 10,
            QStringLiteral("ART%1").arg(r % 977),
            QStringLiteral("Articolo numero %1").arg(r),
            r * 0.5,
            1.25,
            r * 0.625,
            QStringLiteral("CA"),
            0,
            when};
}

const QString kInsertHead =
    QStringLiteral("INSERT INTO BenchIns (Id, KTesta, IdProdotto, Descrizione, Quantita, Prezzo, "
                   "Importo, IdImballo, Stato, DataMov) VALUES ");
const QString kInsertRow = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
// The rows' date as the raw ways send it.
const QString kInsertWhen = QDateTime(QDate(2024, 6, 1), QTime(8, 0)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));

// Raw Qt Sql in one transaction, a row a statement as the layer writes at once: one INSERT
// prepared once, its values bound and sent for each row.
double RawInsertPerRow(TXDatabase &db)
{
    QSqlDatabase c = db.Connection();
    QSqlQuery(c).exec(QStringLiteral("DELETE FROM BenchIns"));
    return benchmisure::Time([&] {
        c.transaction();
        QSqlQuery q(c);
        q.prepare(kInsertHead + kInsertRow);
        for (int r = 0; r < kInsertRows; ++r) {
            const QVariantList values = InsertValues(r, kInsertWhen);
            for (int k = 0; k < values.size(); ++k)
                q.bindValue(k, values[k]);
            if (!q.exec())
                std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
        }
        c.commit();
    });
}

// Raw Qt Sql in one transaction, the fastest honest raw way: multi-row INSERTs of bound values
// (in statements of the size the engines take).
double RawInsert(TXDatabase &db)
{
    constexpr int kColumns = 10;
    constexpr int kPerStatement = 900 / kColumns;
    const QString &head = kInsertHead;
    const QString &row = kInsertRow;
    QSqlDatabase c = db.Connection();
    QSqlQuery(c).exec(QStringLiteral("DELETE FROM BenchIns"));
    return benchmisure::Time([&] {
        c.transaction();
        QSqlQuery full(c);
        full.prepare(head + QStringList(kPerStatement, row).join(u','));
        for (int from = 0; from < kInsertRows; from += kPerStatement) {
            const int count = std::min(kPerStatement, kInsertRows - from);
            QSqlQuery tail(c);
            QSqlQuery &q = count == kPerStatement ? full : tail;
            if (count != kPerStatement)
                q.prepare(head + QStringList(count, row).join(u','));
            for (int i = 0; i < count; ++i) {
                const QVariantList values = InsertValues(from + i, kInsertWhen);
                for (int k = 0; k < kColumns; ++k)
                    q.bindValue(i * kColumns + k, values[k]);
            }
            if (!q.exec())
                std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
        }
        c.commit();
    });
}

// Raw Qt Sql in one transaction, multi-row INSERTs of 500 rows with the values written in the
// text by the driver (binding thousands of values costs more than the statement itself).
double RawInsertLiteral(TXDatabase &db)
{
    QSqlDatabase c = db.Connection();
    QSqlQuery(c).exec(QStringLiteral("DELETE FROM BenchIns"));
    const QString &head = kInsertHead;
    QSqlDriver *driver = c.driver();
    const auto testo = [driver](const QVariant &v) {
        QSqlField field(QString(), v.metaType());
        field.setValue(v);
        return driver->formatValue(field);
    };
    return benchmisure::Time([&] {
        c.transaction();
        for (int from = 0; from < kInsertRows; from += 500) {
            QStringList values;
            for (int r = from; r < std::min(kInsertRows, from + 500); ++r)
                values << QStringLiteral("(%1, %2, %3, %4, %5, %6, %7, %8, 0, %9)")
                              .arg(r + 1)
                              .arg(r / 10)
                              .arg(testo(QStringLiteral("ART%1").arg(r % 977)),
                                   testo(QStringLiteral("Articolo numero %1").arg(r)), testo(r * 0.5), testo(1.25),
                                   testo(r * 0.625), testo(QStringLiteral("CA")), testo(kInsertWhen));
            QSqlQuery q(c);
            if (!q.exec(head + values.join(u',')))
                std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
        }
        c.commit();
    });
}

// The same rows appended and posted through a TXTable in one transaction: each written at
// once (the default), or kept for the commit (held, as the jobs write).
double TableAppendPost(TXDatabase &db, bool held)
{
    db.ExecSQL(QStringLiteral("DELETE FROM BenchIns"));
    return benchmisure::Time([&] {
        TXTable t;
        t.SetDatabase(&db);
        t.SetTableName(QStringLiteral("BenchIns"));
        t.SetXWhere(QStringLiteral("Id < 0"));
        t.Open();
        const QDateTime when(QDate(2024, 6, 1), QTime(8, 0));
        db.StartTransaction();
        t.SetDeferredWrites(held);
        for (int r = 0; r < kInsertRows; ++r) {
            t.Append();
            t.FieldByName(QStringLiteral("Id"))->SetAsInteger(r + 1);
            t.FieldByName(QStringLiteral("KTesta"))->SetAsInteger(r / 10);
            t.FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("ART%1").arg(r % 977));
            t.FieldByName(QStringLiteral("Descrizione"))->SetAsString(QStringLiteral("Articolo numero %1").arg(r));
            t.FieldByName(QStringLiteral("Quantita"))->SetAsFloat(r * 0.5);
            t.FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(1.25);
            t.FieldByName(QStringLiteral("Importo"))->SetAsFloat(r * 0.625);
            t.FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("CA"));
            t.FieldByName(QStringLiteral("Stato"))->SetAsInteger(0);
            t.FieldByName(QStringLiteral("DataMov"))->SetAsDateTime(when);
            t.Post();
        }
        db.Commit();
    });
}

// What the inserts stored, summed up: rows, keys, values, texts, dates.
QString InsertedRows(TXDatabase &db)
{
    return benchruns::PrimaRiga(db.OpenQuery(QStringLiteral(
        "SELECT COUNT(*), SUM(Id), SUM(KTesta), SUM(Quantita), SUM(Prezzo), SUM(Importo), SUM(LENGTH(IdProdotto)), "
        "SUM(LENGTH(Descrizione)), SUM(LENGTH(IdImballo)), SUM(Stato), MIN(DataMov), MAX(DataMov) FROM BenchIns")));
}

// TXTable's inserts against their raw twins, interleaved, with what each stored compared:
// written at once against one prepared INSERT a row, held against the faster raw multi-row
// way (values bound or in the text).
void PrintInserts(const Engine &e)
{
    Current() = &e;
    TXDatabase &db = Db();
    QString stored[5];
    const auto side = [&](int i, double (*insert)(TXDatabase &)) {
        return std::function<double()>([&db, &stored, i, insert] {
            const double t = insert(db);
            stored[i] = InsertedRows(db);
            return t;
        });
    };
    const int rounds =
        e.schema.isEmpty() ? benchruns::Rounds("KV8_BENCH_ROUNDS", 5) : benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3);
    const std::vector<std::vector<double>> giri = benchmisure::Giri(
        rounds, {side(0, [](TXDatabase &d) { return TableAppendPost(d, false); }), side(1, RawInsertPerRow),
                 side(2, [](TXDatabase &d) { return TableAppendPost(d, true); }), side(3, RawInsert),
                 side(4, RawInsertLiteral)});
    std::printf("\n%s, %d rows appended and posted in one transaction (target within 1.5x):\n", qPrintable(e.label),
                kInsertRows);
    benchmisure::Confronto{giri[0], giri[1]}.Print(qPrintable(e.label), "written at once / one prepared INSERT a row");
    benchmisure::Confronto held{giri[2], {}};
    for (size_t i = 0; i < giri[3].size(); ++i)
        held.raw.push_back(std::min(giri[3][i], giri[4][i]));
    held.Print(qPrintable(e.label), "held for the commit / the faster raw multi-row INSERTs");
    std::printf("  %-8s (raw multi-row INSERTs: values bound %.0f ms, in the text %.0f ms)\n", qPrintable(e.label),
                benchmisure::Median(giri[3]) * 1000, benchmisure::Median(giri[4]) * 1000);
    for (int i = 1; i < 5; ++i)
        if (stored[i] != stored[0])
            std::printf("  STORED ROWS DIFFER: layer %s, side %d %s\n", qPrintable(stored[0]), i,
                        qPrintable(stored[i]));
}

std::vector<QString> LocateKeys()
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pick(0, kLookupRows - 1);
    std::vector<QString> keys;
    keys.reserve(kLocates);
    for (int i = 0; i < kLocates; ++i)
        keys.push_back(QStringLiteral("K%1").arg(pick(rng), 6, 10, QLatin1Char('0')));
    return keys;
}

void LookupTableLocate(benchmark::State &state)
{
    TXDatabase &db = Db();
    const std::vector<QString> keys = LocateKeys();
    TXlkTable lk;
    lk.SetDatabase(&db);
    lk.SetTableName(QStringLiteral("BenchLk"));
    lk.Open();
    TField *value = lk.FieldByName(QStringLiteral("Valore"));
    for (auto _ : state) {
        double sum = 0;
        int found = 0;
        for (const QString &k : keys) {
            if (lk.Locate(QStringLiteral("IdCodice"), k)) {
                ++found;
                sum += value->AsFloat();
            }
        }
        benchmark::DoNotOptimize(sum);
        state.counters["found"] = found;
    }
    state.counters["us_per_locate"] = benchmark::Counter(double(kLocates) * state.iterations(),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void QueryPerKey(benchmark::State &state)
{
    TXDatabase &db = Db();
    const std::vector<QString> keys = LocateKeys();
    QSqlQuery q(db.Connection());
    q.prepare(QStringLiteral("SELECT Valore FROM BenchLk WHERE IdCodice = ?"));
    for (auto _ : state) {
        double sum = 0;
        for (const QString &k : keys) {
            q.bindValue(0, k);
            q.exec();
            if (q.next())
                sum += q.value(0).toDouble();
        }
        benchmark::DoNotOptimize(sum);
    }
}

// A batch loop on a client table holding every row: locate, edit, post, in one transaction.
void ClientTableLocateEditPost(benchmark::State &state)
{
    TXDatabase &db = Db();
    const std::vector<QString> keys = LocateKeys();
    for (auto _ : state) {
        TXClientTable c;
        c.SetDatabase(&db);
        c.SetTableName(QStringLiteral("BenchLk"));
        c.SetXWhere(QStringLiteral("IdCodice <> ''"));
        c.Open();
        db.StartTransaction();
        for (int i = 0; i < kLookupRows; ++i) {
            if (!c.Locate(QStringLiteral("IdCodice"), keys[size_t(i)]))
                continue;
            c.Edit();
            c.FieldByName(QStringLiteral("Valore"))->SetAsFloat(c.FieldByName(QStringLiteral("Valore"))->AsFloat() + 1);
            c.Post();
        }
        db.Rollback();
    }
}

// What a window's client table does when it opens: the empty selection of a wide table,
// its columns bound to the dictionary. The same object reopened, and a new one each time.
const QString kWideEmpty = QStringLiteral("IdProdotto = '-1'");

void WideTableReopen(benchmark::State &state)
{
    TXDatabase &db = Db();
    TXClientTable t;
    t.SetDatabase(&db);
    t.SetTableName(QStringLiteral("BenchWide"));
    t.SetXWhereVuoto(kWideEmpty);
    for (auto _ : state) {
        t.Close();
        t.Open();
    }
    state.counters["fields"] = t.FieldCount();
}

void WideTableNewOpen(benchmark::State &state)
{
    TXDatabase &db = Db();
    for (auto _ : state) {
        TXClientTable t;
        t.SetDatabase(&db);
        t.SetTableName(QStringLiteral("BenchWide"));
        t.SetXWhereVuoto(kWideEmpty);
        t.Open();
        benchmark::DoNotOptimize(t.FieldCount());
    }
}

// The floor: the same empty selection through Qt Sql, prepared once, with its column record.
void WideRawEmptySelect(benchmark::State &state)
{
    TXDatabase &db = Db();
    QSqlQuery q(db.Connection());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT * FROM BenchWide WHERE (IdProdotto = '-1')"));
    for (auto _ : state) {
        q.exec();
        const QSqlRecord r = q.record();
        benchmark::DoNotOptimize(r.count());
        q.finish();
    }
}

// Every column of the wide table looked up by name in the dictionary, in another spelling.
void WideDictionaryLookups(benchmark::State &state)
{
    Db();
    const Dictionary &dict = *BenchDictionary();
    QStringList names;
    for (const DictColumn &c : dict.Table(QStringLiteral("BenchWide"))->columns)
        names << c.name.toLower();
    for (auto _ : state) {
        int found = 0;
        for (const QString &n : names)
            if (const DictTable *t = dict.Table(QStringLiteral("benchwide")))
                found += t->Column(n) != nullptr;
        benchmark::DoNotOptimize(found);
    }
}

// ---- each scan alone in a child process: its time and its peak memory ----

const QString kJoined = QStringLiteral("SELECT c.IdConto, c.DsConto, m.F1 FROM BenchScan m INNER JOIN BenchConti c "
                                       "ON c.IdConto = m.I1 ORDER BY c.IdConto, m.Id");
const QString kAggregate = QStringLiteral("SELECT c.IdConto, SUM(m.F1) FROM BenchScan m INNER JOIN BenchConti c "
                                          "ON c.IdConto = m.I1 GROUP BY c.IdConto ORDER BY c.IdConto");

// Runs one variant on the current engine; what it read, as a number to compare.
double RunVariant(const QString &variant)
{
    TXDatabase &db = Db();
    double check = 0;
    if (variant == u"raw") {
        QSqlQuery q(db.Connection());
        q.setForwardOnly(true);
        q.exec(QStringLiteral("SELECT * FROM BenchScan"));
        while (q.next()) {
            for (int i = 0; i < 40; ++i) {
                const QVariant v = q.value(i);
                benchmark::DoNotOptimize(v);
            }
            check += q.value(10).toDouble();
        }
    } else if (variant == u"cursor") {
        std::unique_ptr<TXScan> scan = db.OpenScan(QStringLiteral("SELECT * FROM BenchScan"));
        while (scan->Next()) {
            for (int i = 0; i < 40; ++i) {
                const QVariant v = scan->Value(i);
                benchmark::DoNotOptimize(v);
            }
            check += scan->Value(10).toDouble();
        }
    } else if (variant == u"stream" || variant == u"buffered") {
        TXQuery q;
        q.SetDatabase(&db);
        q.SetUniDirectional(variant == u"stream");
        q.SQL << QStringLiteral("SELECT * FROM BenchScan");
        q.Open();
        qint64 rows = 0;
        ReadAllFields(q, rows, check);
    } else if (variant == u"joined") {
        // a register's loop: totals per account as the stream moves
        TXQuery q;
        q.SetDatabase(&db);
        q.SetUniDirectional(true);
        q.SQL << kJoined;
        q.Open();
        TField *conto = q.FieldByName(QStringLiteral("IdConto"));
        TField *qta = q.FieldByName(QStringLiteral("F1"));
        QHash<int, double> totals;
        for (; !q.Eof(); q.Next())
            totals[conto->AsInteger()] += qta->AsFloat();
        for (auto it = totals.cbegin(); it != totals.cend(); ++it)
            check += it.value() * (it.key() + 1);
    } else if (variant == u"aggregate") {
        QSqlQuery q = db.OpenQuery(kAggregate);
        while (q.next())
            check += q.value(1).toDouble() * (q.value(0).toInt() + 1);
    }
    return check;
}

struct Measure {
    double ms = 0;
    double peak = 0;   // MB: high-water mark of the process that ran only this variant
    double growth = 0; // MB: the same less the resident size before the variant began
    double check = 0;
};

// The child: one variant, then "ms peak growth check" on standard output.
int ChildMain(const QString &variant, const QString &url)
{
    Engine e{QStringLiteral("child"), url, QString()};
    Current() = &e;
    Db().ScalarValue(QStringLiteral("SELECT COUNT(*) FROM BenchConti")); // connected, before the count starts
    // the high-water mark starts again from the resident size now (Linux: clear_refs 5)
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    reset.close();
    const double before = RssMb();
    const auto start = std::chrono::steady_clock::now();
    const double check = RunVariant(variant);
    const double ms = benchruns::Seconds(start) * 1000;
    const double peak = StatusMb("VmHWM");
    std::printf("%.1f %.2f %.2f %.6f\n", ms, peak, peak - before, check);
    BenchDatabases().clear();
    kv8data::SetDataDictionary(nullptr);
    BenchDictionary().reset();
    return 0;
}

Measure InChild(const Engine &e, const QString &variant)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KV8_BENCH_DATA_DIR"), Dir().path);
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--variant"), variant, e.url});
    p.waitForFinished(-1);
    const QList<QByteArray> out = p.readAllStandardOutput().trimmed().split(' ');
    Measure m;
    if (out.size() == 4) {
        m.ms = out[0].toDouble();
        m.peak = out[1].toDouble();
        m.growth = out[2].toDouble();
        m.check = out[3].toDouble();
    } else {
        std::fprintf(stderr, "%s: %s\n", qPrintable(variant), p.readAllStandardError().constData());
    }
    return m;
}

// Rounds of the variants, each run alone in its own process, the variant opening a round
// rotating: each variant's measure per round.
std::map<QString, std::vector<Measure>> InterleavedRounds(const Engine &e, const QStringList &variants)
{
    const int rounds =
        e.schema.isEmpty() ? benchruns::Rounds("KV8_BENCH_ROUNDS", 3) : benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3);
    std::map<QString, std::vector<Measure>> out;
    for (int round = 0; round < rounds; ++round)
        for (qsizetype k = 0; k < variants.size(); ++k) {
            const QString &variant = variants[(k + round) % variants.size()];
            out[variant].push_back(InChild(e, variant));
        }
    return out;
}

// Median time and growth of a variant; against base, the medians of the per-round ratios of
// time and (with memory) of growth over the resting process.
void PrintMeasure(const char *what, const std::vector<Measure> &m, const std::vector<Measure> *base = nullptr,
                  bool memory = true)
{
    std::vector<double> ms, growth, peak;
    for (const Measure &x : m) {
        ms.push_back(x.ms);
        growth.push_back(x.growth);
        peak.push_back(x.peak);
    }
    std::printf("  %-30s %7.0f ms  growth %6.1f MB (peak %6.1f MB)", what, benchmisure::Median(ms),
                benchmisure::Median(growth), benchmisure::Median(peak));
    if (base) {
        std::vector<double> baseMs, baseGrowth;
        for (const Measure &x : *base) {
            baseMs.push_back(x.ms);
            baseGrowth.push_back(std::max(x.growth, 1.0)); // a MB at least: a ratio to next to nothing says nothing
        }
        std::printf("  time %.2fx", benchmisure::RatioMediano(ms, baseMs));
        if (memory)
            std::printf("  growth %.2fx", benchmisure::RatioMediano(growth, baseGrowth));
        for (size_t i = 0; i < m.size() && i < base->size(); ++i)
            if (std::fabs(m[i].check - (*base)[i].check) > 1e-6 * std::fabs((*base)[i].check)) {
                std::printf("  DIFFERENT RESULT");
                break;
            }
    }
    std::printf("\n");
}

void PrintScans(const Engine &e)
{
    std::map<QString, std::vector<Measure>> m = InterleavedRounds(
        e, {QStringLiteral("raw"), QStringLiteral("stream"), QStringLiteral("buffered"), QStringLiteral("cursor")});
    std::printf("\n%s, scan of %d rows x 40 columns, each alone in a process, %zu interleaved rounds (medians; growth: "
                "the process's high-water mark above its resident size before the scan; ratios: medians of the "
                "per-round ratios to the raw scan, its growth taken as 1 MB at least; target time within 1.5x and "
                "growth within 2x for a forward scan):\n",
                qPrintable(e.label), kScanRows, m[QStringLiteral("raw")].size());
    const std::vector<Measure> &raw = m[QStringLiteral("raw")];
    PrintMeasure("raw forward-only QSqlQuery", raw);
    PrintMeasure("TXScan (no dataset)", m[QStringLiteral("cursor")], &raw);
    PrintMeasure("TXQuery forward-only", m[QStringLiteral("stream")], &raw);
    PrintMeasure("TXQuery holding its rows", m[QStringLiteral("buffered")], &raw);
    std::map<QString, std::vector<Measure>> j =
        InterleavedRounds(e, {QStringLiteral("joined"), QStringLiteral("aggregate")});
    std::printf("%s, %d movements joined to their accounts, totals per account:\n", qPrintable(e.label), kScanRows);
    PrintMeasure("one aggregate (GROUP BY)", j[QStringLiteral("aggregate")]);
    PrintMeasure("TXQuery forward-only stream", j[QStringLiteral("joined")], &j[QStringLiteral("aggregate")], false);
}

// Registered once per engine: the name ends with the engine's label.
void Register(const char *name, void (*fn)(benchmark::State &), benchmark::TimeUnit unit, int iterations = 0)
{
    for (const Engine &e : Engines()) {
        const Engine *engine = &e;
        auto *b = benchmark::RegisterBenchmark((std::string(name) + '/' + e.label.toStdString()).c_str(),
                                               [fn, engine](benchmark::State &state) {
                                                   Current() = engine;
                                                   fn(state);
                                               });
        b->Unit(unit);
        // PostgreSQL: one round of the long ones
        if (iterations > 0)
            b->Iterations(e.url.startsWith(u"postgresql") ? 1 : iterations);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--variant") == 0)
        return ChildMain(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    Engines().push_back(Engine{QStringLiteral("sqlite"),
                               QStringLiteral("sqlite:") + Dir().filePath(QStringLiteral("bench.db")), QString()});
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        const QString schema = QStringLiteral("kv8bench_data");
        Engines().push_back(Engine{QStringLiteral("postgres"), benchruns::InSchema(server, schema), schema});
    }
    // filled before anything is timed; a schema left by an earlier run is dropped first
    for (const Engine &e : Engines()) {
        if (!e.schema.isEmpty()) {
            TXDatabase drop(QStringLiteral("drop"), server);
            drop.ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e.schema));
        }
        Current() = &e;
        Db();
    }
    Register("WideTableReopen", WideTableReopen, benchmark::kMicrosecond);
    Register("WideTableNewOpen", WideTableNewOpen, benchmark::kMicrosecond);
    Register("WideRawEmptySelect", WideRawEmptySelect, benchmark::kMicrosecond);
    Register("WideDictionaryLookups", WideDictionaryLookups, benchmark::kMicrosecond);
    Register("ClientTableLocateEditPost", ClientTableLocateEditPost, benchmark::kMillisecond, 2);
    Register("RawScan", RawScan, benchmark::kMillisecond, 3);
    Register("QueryStreamScan", QueryStreamScan, benchmark::kMillisecond, 3);
    Register("QueryBufferedScan", QueryBufferedScan, benchmark::kMillisecond, 2);
    Register("LookupTableLocate", LookupTableLocate, benchmark::kMillisecond, 3);
    Register("QueryPerKey", QueryPerKey, benchmark::kMillisecond, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const Engine &e : Engines()) {
        PrintInserts(e);
        PrintScans(e);
    }
    // closed while Qt's list of connections still exists
    BenchDatabases().clear();
    for (const Engine &e : Engines())
        if (!e.schema.isEmpty()) {
            TXDatabase drop(QStringLiteral("drop"), server);
            drop.ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e.schema));
        }
    kv8data::SetDataDictionary(nullptr);
    BenchDictionary().reset();
    return 0;
}
