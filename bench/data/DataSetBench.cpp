// Datasets against raw Qt Sql in the same run (SQLite):
//  - scanning 200 000 rows of 40 columns: raw forward-only QSqlQuery, TXQuery forward-only,
//    TXQuery holding its rows (with the memory it takes);
//  - appending and posting 100 000 rows in one transaction: raw prepared inserts, TXTable;
//  - 100 000 Locate calls on a keyed lookup table of 10 000 rows, and a query per key;
//  - the empty opening of a 100-column dictionary table (what a window does when it opens),
//    against raw Qt Sql reading the same empty selection, and the dictionary look-ups it makes.
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/Dictionary.h"
#include "host/db/SchemaInstaller.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>

namespace {

constexpr int kScanRows = 200000;
constexpr int kInsertRows = 100000;
constexpr int kLookupRows = 10000;
constexpr int kLocates = 100000;
constexpr int kWideColumns = 100;

QTemporaryDir &Dir()
{
    static QTemporaryDir dir;
    return dir;
}

// Resident memory of the process in MB.
double RssMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
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
    QString json = QStringLiteral("{\"tables\": [{\"name\": \"BenchScan\", \"columns\": [{\"name\": \"Id\", \"type\": \"integer\"}");
    for (int i = 1; i <= 9; ++i)
        json += QStringLiteral(", {\"name\": \"I%1\", \"type\": \"integer\"}").arg(i);
    for (int i = 1; i <= 10; ++i)
        json += QStringLiteral(", {\"name\": \"F%1\", \"type\": \"float\"}").arg(i);
    for (int i = 1; i <= 15; ++i)
        json += QStringLiteral(", {\"name\": \"S%1\", \"type\": \"string(20)\"}").arg(i);
    for (int i = 1; i <= 5; ++i)
        json += QStringLiteral(", {\"name\": \"D%1\", \"type\": \"datetime\"}").arg(i);
    json += QStringLiteral("], \"primaryKey\": [\"Id\"]},"
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

std::unique_ptr<TXDatabase> &BenchDatabase()
{
    static std::unique_ptr<TXDatabase> db;
    return db;
}

// One database for every benchmark, filled once.
TXDatabase &Db()
{
    std::unique_ptr<TXDatabase> &db = BenchDatabase();
    std::unique_ptr<Dictionary> &dict = BenchDictionary();
    if (db)
        return *db;
    WriteDictionary();
    dict = std::make_unique<Dictionary>(Dictionary::Load({Dir().filePath(QStringLiteral("bench.json"))}));
    kv8data::SetDataDictionary(dict.get());
    db = std::make_unique<TXDatabase>(QStringLiteral("bench"), QStringLiteral("sqlite:") + Dir().filePath(QStringLiteral("bench.db")));
    QSqlDatabase c = db->Connection();
    QSqlQuery q(c);
    q.exec(QStringLiteral("CREATE TABLE BenchScan (") + ScanColumns() + QStringLiteral(")"));
    q.exec(QStringLiteral("CREATE TABLE BenchIns (Id INTEGER PRIMARY KEY, KTesta INTEGER NOT NULL DEFAULT 0, "
                          "IdProdotto VARCHAR(22) NOT NULL DEFAULT '', Descrizione VARCHAR(60) NOT NULL DEFAULT '', "
                          "Quantita REAL NOT NULL DEFAULT 0, Prezzo REAL NOT NULL DEFAULT 0, Importo REAL NOT NULL DEFAULT 0, "
                          "IdImballo VARCHAR(3) NOT NULL DEFAULT '', Stato SMALLINT NOT NULL DEFAULT 0, DataMov DATETIME)"));
    q.exec(QStringLiteral("CREATE TABLE BenchLk (IdCodice VARCHAR(8) PRIMARY KEY, Descrizione VARCHAR(40) NOT NULL DEFAULT '', "
                          "Valore REAL NOT NULL DEFAULT 0)"));
    QStringList wide;
    for (const DictColumn &c : dict->Table(QStringLiteral("BenchWide"))->columns)
        wide << SchemaInstaller::ColumnDefinition(c, db->Engine());
    q.exec(QStringLiteral("CREATE TABLE BenchWide (") + wide.join(QStringLiteral(", "))
           + QStringLiteral(", PRIMARY KEY (IdProdotto))"));
    c.transaction();
    QStringList marks;
    for (int i = 0; i < 40; ++i)
        marks << QStringLiteral("?");
    QSqlQuery ins(c);
    ins.prepare(QStringLiteral("INSERT INTO BenchScan VALUES (") + marks.join(QLatin1Char(',')) + QStringLiteral(")"));
    for (int r = 0; r < kScanRows; ++r) {
        ins.bindValue(0, r + 1);
        for (int i = 1; i <= 9; ++i)
            ins.bindValue(i, r * i % 1000);
        for (int i = 0; i < 10; ++i)
            ins.bindValue(10 + i, r * 0.25 + i);
        for (int i = 0; i < 15; ++i)
            ins.bindValue(20 + i, QStringLiteral("T%1-%2").arg(r % 5000).arg(i));
        for (int i = 0; i < 5; ++i)
            ins.bindValue(35 + i, QStringLiteral("2024-%1-%2 10:00:00").arg(1 + r % 12, 2, 10, QLatin1Char('0')).arg(1 + i, 2, 10, QLatin1Char('0')));
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

void RawInsert(benchmark::State &state)
{
    TXDatabase &db = Db();
    for (auto _ : state) {
        QSqlDatabase c = db.Connection();
        QSqlQuery(c).exec(QStringLiteral("DELETE FROM BenchIns"));
        c.transaction();
        QSqlQuery q(c);
        q.prepare(QStringLiteral("INSERT INTO BenchIns (Id, KTesta, IdProdotto, Descrizione, Quantita, Prezzo, Importo, "
                                 "IdImballo, Stato, DataMov) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QDateTime when(QDate(2024, 6, 1), QTime(8, 0));
        for (int r = 0; r < kInsertRows; ++r) {
            q.bindValue(0, r + 1);
            q.bindValue(1, r / 10);
            q.bindValue(2, QStringLiteral("ART%1").arg(r % 977));
            q.bindValue(3, QStringLiteral("Articolo numero %1").arg(r));
            q.bindValue(4, r * 0.5);
            q.bindValue(5, 1.25);
            q.bindValue(6, r * 0.625);
            q.bindValue(7, QStringLiteral("CA"));
            q.bindValue(8, 0);
            q.bindValue(9, when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
            q.exec();
        }
        c.commit();
    }
}

void TableAppendPost(benchmark::State &state)
{
    TXDatabase &db = Db();
    for (auto _ : state) {
        db.ExecSQL(QStringLiteral("DELETE FROM BenchIns"));
        TXTable t;
        t.SetDatabase(&db);
        t.SetTableName(QStringLiteral("BenchIns"));
        t.SetXWhere(QStringLiteral("Id < 0"));
        t.Open();
        const QDateTime when(QDate(2024, 6, 1), QTime(8, 0));
        db.StartTransaction();
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
        state.counters["rows"] = t.RecordCount();
    }
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
    state.counters["us_per_locate"] =
        benchmark::Counter(double(kLocates) * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
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

} // namespace

BENCHMARK(WideTableReopen)->Unit(benchmark::kMicrosecond);
BENCHMARK(WideTableNewOpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(WideRawEmptySelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(WideDictionaryLookups)->Unit(benchmark::kMicrosecond);
BENCHMARK(ClientTableLocateEditPost)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(RawScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(QueryStreamScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(QueryBufferedScan)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(RawInsert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TableAppendPost)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(LookupTableLocate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(QueryPerKey)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // closed while Qt's list of connections still exists
    BenchDatabase().reset();
    kv8data::SetDataDictionary(nullptr);
    BenchDictionary().reset();
    return 0;
}
