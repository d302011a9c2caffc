// Cost of the warehouse-movement generator against plain SQL: a customer delivery note of 500
// rows over 100 articles booked row by row through GeneraMovimentoMagazzino (movements and
// stock), and once as one INSERT ... SELECT of the same movements followed by the stock written
// with two set-based statements, each in one transaction, on SQLite and (with KV8_TEST_PG) on
// PostgreSQL. Each round measures a run on a connection that has already run the same work once
// (as a program's connection has: columns, lookups and statements read), the note's head and
// rows open as a save holds them. Prints the ratio generator / SQL (median of the per-round
// ratios of interleaved rounds; target within 5x) and checks that both leave the same
// movements and stock.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibmag.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"

#include <benchmark/benchmark.h>

#include <QSqlRecord>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kRighe = 500;
constexpr int kArticoli = 100;
const QDateTime kData(QDate(2024, 3, 15), QTime(0, 0));

enum Phase { Generatore, Sql, PhaseCount };

using Engine = benchruns::Motore<PhaseCount>;

benchruns::Motori<Engine> motori;

void Moduli()
{
    delete DMIBMag.data();
    delete DMIBbas.data();
    delete DMIBase.data();
}

// The engine's database as "GlobalDatabase" while the scope lasts.
class Globale : public benchdoc::Globale {
public:
    explicit Globale(Engine *e) : benchdoc::Globale(e->url, Moduli) {}
};

QString Articolo(int i)
{
    return benchdoc::Articolo(i, kArticoli);
}

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    TXTransaction transazione(db);
    const char *const righe[] = {
        "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
        "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', '22%', 22)",
        "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita) VALUES (0, 'Merce', 0, 1)",
        "INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (1, 'Sede')",
        "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('VEN', 'Vendita', -1)"};
    for (const char *sql : righe)
        db.ExecSQL(QLatin1String(sql));
    db.ExecSQL(QStringLiteral("INSERT INTO EserciziMagazzino (Esercizio, DataInizio, DataFine) VALUES (2024, ?, ?)"),
               {QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QDateTime(QDate(2024, 12, 31), QTime(0, 0))});
    for (int i = 0; i < kArticoli; ++i)
        db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1) VALUES (?, ?, 'BT')"),
                   {Articolo(i), QStringLiteral("Articolo %1").arg(i)});
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                              "IdClienteTp, IdCliente, IdDivisa, Cambio, ProtMagazzino) "
                              "VALUES (1, 'DDT', 2024, 1, 12, ?, 'CL', 'C1', 'EUR', 1, 7)"),
               {kData});
    for (int i = 0; i < kRighe; ++i) {
        const auto [quantita, prezzo, importo] = benchdoc::Riga(i);
        db.ExecSQL(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, "
                                  "IdUM, IdMagazzino, Quantita, Prezzo, ImportoNN, ControvaloreNN, IdIva) "
                                  "VALUES (?, 1, ?, 0, ?, 'BT', 1, ?, ?, ?, ?, '22')"),
                   {i + 1, i + 1, Articolo(i), quantita, prezzo, importo, importo});
    }
    transazione.Commit();
}

// Both runs start from no movements and no stock.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral("DELETE FROM MovMagazzino"));
    db.ExecSQL(QStringLiteral("DELETE FROM EsistenzeMagazzino"));
    transazione.Commit();
}

// What a run leaves, to compare the two.
QString Impronta(TXDatabase &db)
{
    return benchruns::Impronta(
        db,
        {"SELECT COUNT(*), SUM(Quantita), SUM(Valore), SUM(PrezzoMov), COUNT(DISTINCT KMovMag) FROM MovMagazzino",
         "SELECT COUNT(*), SUM(QuantitaSca), SUM(Esistenza), SUM(ValoreSca) FROM EsistenzeMagazzino"},
        4);
}

void Registra(benchmark::State &state, Engine *e, Phase fase, double secondi, TXDatabase &db)
{
    state.SetIterationTime(secondi);
    e->tempi.Aggiungi(fase, secondi);
    e->impronta[fase] = Impronta(db);
    state.counters["righe/s"] = kRighe / secondi;
}

// One run of the generator over the note in one transaction: its time (0 on a failure).
double Generatore1(TXDatabase &db, TDMIBMag *mag)
{
    Azzera(db);
    // the note's datasets as a save holds them
    TXTable testa;
    testa.SetTableName(QStringLiteral("BolleCliTeste"));
    testa.SetXWhere(QStringLiteral("KBolleCliT = 1"));
    TXQuery righe;
    righe.SQL << QStringLiteral("SELECT * FROM BolleCliRighe WHERE KBolleCliT = :KBolleCliT ORDER BY NumOrdine");
    righe.ParamByName(QStringLiteral("KBolleCliT"))->SetAsInteger(1);
    testa.Open();
    righe.Open();
    const auto t0 = std::chrono::steady_clock::now();
    TXTransaction transazione(db);
    for (righe.First(); !righe.Eof(); righe.Next())
        if (!mag->GeneraMovimentoMagazzino(2, 0, QStringLiteral("VEN"), QString(), false, &testa, &righe, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr))
            return 0;
    transazione.Commit();
    return benchruns::Seconds(t0);
}

// One run of the set-based statements in one transaction: its time.
double Sql1(TXDatabase &db)
{
    Azzera(db);
    const auto t0 = std::chrono::steady_clock::now();
    TXTransaction transazione(db);
    const qint64 base =
        db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KMovMag), 0) FROM MovMagazzino")).toLongLong();
    db.ExecSQL(
        QStringLiteral(
            "INSERT INTO MovMagazzino (KMovMag, FlTipoDocum, KRigoDoc, SubNumOrdine, Esercizio, Protocollo, "
            "NumOrdine, DataMovimento, DataCompetenza, AnnoCompetenza, MeseCompetenza, DataDocumento, "
            "IdContoTp, IdConto, RifDocumento, IdCausale, IdMagazzino1, IdMagazzino2, IdProdotto, "
            "FattConvProd, Quantita, Quantita2, PrezzoMov, Valore, Prezzo, Sconto1, Sconto2, Sconto3, "
            "Sconto4, Sconto5, IdDivisa, Cambio, DataCambio, IdUmDoc, QuantitaDoc, IdOperatore) "
            "SELECT ? + R.KBolleCliR, 0, R.KBolleCliR, 0, 2024, T.ProtMagazzino, R.NumOrdine, "
            "T.DataDocumento, T.DataDocumento, 2024, 3, T.DataDocumento, T.IdClienteTp, T.IdCliente, "
            "'DDT-000012/2024', 'VEN', R.IdMagazzino, R.IdMagazzino, R.IdProdotto, R.FattConvProd, "
            "R.Quantita, R.Quantita2, "
            "CASE WHEN R.Quantita = 0 THEN R.Prezzo ELSE ROUND(CAST(R.ControvaloreNN / R.Quantita AS NUMERIC), 4) END, "
            "R.ControvaloreNN, R.Prezzo, R.Sconto1, R.Sconto2, R.Sconto3, R.Sconto4, R.Sconto5, "
            "T.IdDivisa, T.Cambio, T.DataCambio, R.IdUM, R.Quantita, ? "
            "FROM BolleCliRighe R JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT "
            "WHERE R.KBolleCliT = 1"),
        {base, gUtente.IdUtente});
    // the stock of each article once: added to an existing row, or a new row
    db.ExecSQL(QStringLiteral("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaSca, "
                              "Esistenza, ValoreSca) "
                              "SELECT M.Esercizio, M.IdMagazzino1, M.IdProdotto, SUM(M.Quantita), -SUM(M.Quantita), "
                              "SUM(M.Valore) FROM MovMagazzino M WHERE M.Esercizio = 2024 AND M.Protocollo = 7 "
                              "GROUP BY M.Esercizio, M.IdMagazzino1, M.IdProdotto "
                              "ON CONFLICT (Esercizio, IdMagazzino, IdProdotto) DO UPDATE SET "
                              "QuantitaSca = EsistenzeMagazzino.QuantitaSca + excluded.QuantitaSca, "
                              "Esistenza = EsistenzeMagazzino.Esistenza + excluded.Esistenza, "
                              "ValoreSca = EsistenzeMagazzino.ValoreSca + excluded.ValoreSca"));
    transazione.Commit();
    return benchruns::Seconds(t0);
}

// Each round opens its connection: a first untimed run reads what the program reads once per
// connection (the tables' columns, the lookups, the statements), then the run measured.
void BenchGeneratore(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    TXDatabase &db = globale.Db();
    TDMIBMag *mag = TDMIBMag::Crea();
    Generatore1(db, mag);
    for (auto _ : state) {
        const double secondi = Generatore1(db, mag);
        if (secondi == 0) {
            state.SkipWithError("movimento non generato");
            break;
        }
        Registra(state, e, Generatore, secondi, db);
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    TXDatabase &db = globale.Db();
    Sql1(db);
    for (auto _ : state)
        Registra(state, e, Sql, Sql1(db), db);
}

void Prepara()
{
    CFG.IdDivisa = QStringLiteral("EUR");
    gUtente.IdUtente = QStringLiteral("BENCH");
    motori.Crea(QStringLiteral("magazzino.db"), QStringLiteral("kv8benchmagazzino"), [](Engine &e) {
        Globale globale(&e);
        Semina(globale.Db());
    });
    motori.Registra("movimenti500", 5, 3, [](const std::string &prefix, Engine *e) {
        benchruns::RegisterOneShot(prefix + "GeneraMovimentoMagazzino", BenchGeneratore, e);
        benchruns::RegisterOneShot(prefix + "sql", BenchSql, e);
    });
}

void Riporta()
{
    std::printf(
        "\nGeneraMovimentoMagazzino / one INSERT ... SELECT and set-based stock (median of interleaved rounds, %d rows "
        "over %d articles; target within 5x)\n",
        kRighe, kArticoli);
    for (auto &e : motori)
        benchruns::StampaRapporto(*e, Generatore, Sql, "   MOVEMENTS OR STOCK DIFFER between the two runs");
}

void Chiudi()
{
    motori.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
