// Cost of a definitive invoice generation against plain SQL: 1 000 customer delivery notes of
// 5 rows (100 customers, 20 articles), invoiced by the generation data module in one
// transaction as the generation window runs it (one invoice per customer, rows of one
// article and price joined, notes marked invoiced, totals through TOTDOCS_Calcola), and once
// by set-based statements over the whole set (heads, rows with their amounts, the notes
// marked and linked to their invoice rows, the totals records and the heads' totals, the VAT
// counter). Both runs must give the same invoices, rows, amounts, links and totals rows. SQLite and (with
// KV8_TEST_PG) PostgreSQL; prints the ratio module / SQL (median of the per-round ratios of
// interleaved rounds; target within 5x). KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibcge.h"
#include "host/business/Dmibpra.h"
#include "host/business/Sven0007d_dm.h"
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kClienti = 100;
constexpr int kBolle = 1000;
constexpr int kRighe = 5;
constexpr int kArticoli = 20;
const QDateTime kDataBolle(QDate(2024, 3, 10), QTime(0, 0));
const QDateTime kDataFatture(QDate(2024, 3, 31), QTime(0, 0));

enum Phase { Modulo, Sql, PhaseCount };

// What a run leaves: invoices, their rows, the sum of the rows, of the heads' totals, the
// delivery-note rows invoiced, those linked to the invoice row of their article, the totals rows.
struct Esito {
    int Fatture = 0;
    int Righe = 0;
    double Importi = 0;
    double Totali = 0;
    int Fatturate = 0;
    int Collegate = 0;
    QString RigheTotali;
    bool operator==(const Esito &o) const
    {
        return Fatture == o.Fatture && Righe == o.Righe && std::abs(Importi - o.Importi) < 0.005
               && std::abs(Totali - o.Totali) < 0.005 && Fatturate == o.Fatturate && Collegate == o.Collegate
               && RigheTotali == o.RigheTotali;
    }
};

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    benchruns::Tempi<PhaseCount> tempi;
    Esito esito[PhaseCount];
};

benchruns::Motori<Engine> motori;

void Moduli()
{
    delete DMIBase.data();
    delete DMIBbas.data();
    delete DMIBCge.data();
    delete DMIBPra.data();
}

double Prezzo(int articolo)
{
    return 2.5 + articolo % 9 + 0.35;
}

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    db.StartTransaction();
    const char *const righe[] = {
        "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
        "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', '22%', 22)",
        "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse) VALUES (0, 'Merce', 0)",
        "INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie) VALUES ('DDT', 'DDT vendita', 0)",
        "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro) "
        "VALUES ('FD', 'Fattura differita', 0, 0, 1)",
        "INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, NUltFTRegistroV, NumUltFatturaC) VALUES (2024, 0, 0, 0, 0)"};
    for (const char *sql : righe)
        db.ExecSQL(QLatin1String(sql));
    QStringList valori;
    for (int a = 0; a < kArticoli; ++a)
        valori << QStringLiteral("('%1', 'Articolo %2', 'BT', '22')").arg(benchdoc::Articolo(a, kArticoli)).arg(a);
    db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva) VALUES ")
               + valori.join(u','));
    valori.clear();
    for (int c = 0; c < kClienti; ++c)
        valori << QStringLiteral("('CL', 'C%1', 'Cliente %1', 1)").arg(c, 3, 10, QLatin1Char('0'));
    db.ExecSQL(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, FlRaggFattura) VALUES ")
               + valori.join(u','));
    QStringList teste;
    QStringList righeBolla;
    for (int b = 0; b < kBolle; ++b) {
        teste << QStringLiteral("(%1, 'DDT', 2024, 0, %1, ?, 'CL', 'C%2', 'EUR', 1)")
                     .arg(b + 1)
                     .arg(b % kClienti, 3, 10, QLatin1Char('0'));
        for (int i = 0; i < kRighe; ++i) {
            const int a = (b / kClienti + i * 3) % kArticoli;
            const double q = 1 + (b + i) % 6;
            righeBolla << QStringLiteral("(%1, %2, %3, 0, '%4', 'Articolo %5', 'BT', '22', %6, %7, %8, %8, %8, 1)")
                              .arg(b * kRighe + i + 1)
                              .arg(b + 1)
                              .arg((i + 1) * 1024)
                              .arg(benchdoc::Articolo(a, kArticoli))
                              .arg(a)
                              .arg(q)
                              .arg(Prezzo(a))
                              .arg(Funzioni::KRound(q * Prezzo(a), 2));
        }
    }
    QVariantList date;
    for (int b = 0; b < kBolle; ++b)
        date << kDataBolle;
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                              "IdClienteTp, IdCliente, IdDivisa, Cambio) VALUES ")
                   + teste.join(u','),
               date);
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, "
                              "Descrizione, IdUM, IdIva, Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, "
                              "IdMagazzino) VALUES ")
               + righeBolla.join(u','));
    db.Commit();
}

// Back to the notes not yet invoiced (not timed).
void Azzera(TXDatabase &db)
{
    TXTransaction t(db);
    db.ExecSQL(QStringLiteral("DELETE FROM FattureCliTot"));
    db.ExecSQL(QStringLiteral("DELETE FROM FattureCliRighe"));
    db.ExecSQL(QStringLiteral("DELETE FROM FattureCliTeste"));
    db.ExecSQL(QStringLiteral("UPDATE BolleCliRighe SET FlGenFattura = 0, KFatturaR = 0"));
    db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 0, DataUltFatturaV = NULL"));
    t.Commit();
}

Esito Leggi(TXDatabase &db)
{
    Esito e;
    e.Fatture = db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste")).toInt();
    e.Righe = db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM FattureCliRighe")).toInt();
    e.Importi = db.ScalarValue(QStringLiteral("SELECT COALESCE(SUM(ImportoNN), 0) FROM FattureCliRighe")).toDouble();
    e.Totali = db.ScalarValue(QStringLiteral("SELECT COALESCE(SUM(TotDocumento), 0) FROM FattureCliTeste")).toDouble();
    e.Fatturate = db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE FlGenFattura = 1")).toInt();
    e.Collegate = db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe B JOIN FattureCliRighe F ON "
                                                "F.KFattCliR = B.KFatturaR AND F.IdProdotto = B.IdProdotto AND "
                                                "F.Prezzo = B.Prezzo"))
                      .toInt();
    e.RigheTotali = benchdoc::Totali(db, QStringLiteral("FattureCliTot"));
    return e;
}

void BenchModulo(benchmark::State &state, Engine *e)
{
    benchdoc::Globale globale(e->url, Moduli);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        state.PauseTiming();
        Azzera(db);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        {
            std::unique_ptr<TfSVen0007d_DM> dm(TfSVen0007d_DM::Crea());
            dm->Parametri.DataFattura = kDataFatture;
            dm->Parametri.IdCausale = QStringLiteral("FD");
            dm->Parametri.IdCausaleBolla = QStringLiteral("DDT");
            dm->Parametri.FlProvvisoria = 0;
            TXTransaction transazione(db);
            dm->Genera();
            for (const QString &m : dm->Messaggi)
                if (m.startsWith(QLatin1String("{B}")))
                    state.SkipWithError(m.toStdString().c_str());
            transazione.Commit();
        }
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Modulo, secondi);
        e->esito[Modulo] = Leggi(db);
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    benchdoc::Globale globale(e->url, Moduli);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        state.PauseTiming();
        Azzera(db);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        {
            TXTransaction transazione(db);
            // one invoice per customer, numbered in customer order
            db.ExecSQL(
                QStringLiteral(
                    "INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                    "DataPagamento, IdClienteTp, IdCliente, IdDivisa, Cambio) "
                    "SELECT 1000000 + ROW_NUMBER() OVER (ORDER BY IdClienteTp, IdCliente), 'FD', 2024, 0, "
                    "ROW_NUMBER() OVER (ORDER BY IdClienteTp, IdCliente), ?, ?, IdClienteTp, IdCliente, 'EUR', 1 "
                    "FROM BolleCliTeste T WHERE T.IdCausale = 'DDT' AND EXISTS (SELECT 1 FROM BolleCliRighe R "
                    "WHERE R.KBolleCliT = T.KBolleCliT AND R.FlGenFattura = 0) GROUP BY IdClienteTp, IdCliente"),
                {kDataFatture, kDataFatture});
            // rows of one article and price joined, their amounts on the joined quantity
            db.ExecSQL(QStringLiteral(
                "INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, TipoRigo, IdProdotto, Descrizione, "
                "IdUM, "
                "IdIva, Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, ControvaloreL, ControvaloreN, "
                "ControvaloreNN, IdMagazzino, DataDocumento, IdCliente) "
                "SELECT 2000000 + ROW_NUMBER() OVER (ORDER BY F.KFattCliT, R.IdProdotto, R.Prezzo), F.KFattCliT, "
                "1024 * ROW_NUMBER() OVER (PARTITION BY F.KFattCliT ORDER BY R.IdProdotto, R.Prezzo), 0, R.IdProdotto, "
                "MAX(R.Descrizione), MAX(R.IdUM), R.IdIva, SUM(R.Quantita), R.Prezzo, ROUND(CAST(SUM(R.Quantita) * "
                "R.Prezzo AS NUMERIC), 2), "
                "ROUND(CAST(SUM(R.Quantita) * R.Prezzo AS NUMERIC), 2), ROUND(CAST(SUM(R.Quantita) * R.Prezzo AS "
                "NUMERIC), 2), "
                "ROUND(CAST(SUM(R.Quantita) * R.Prezzo AS NUMERIC), 2), ROUND(CAST(SUM(R.Quantita) * R.Prezzo AS "
                "NUMERIC), 2), "
                "ROUND(CAST(SUM(R.Quantita) * R.Prezzo AS NUMERIC), 2), MAX(R.IdMagazzino), MAX(F.DataDocumento), "
                "F.IdCliente "
                "FROM BolleCliRighe R JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT "
                "JOIN FattureCliTeste F ON F.IdClienteTp = T.IdClienteTp AND F.IdCliente = T.IdCliente "
                "WHERE T.IdCausale = 'DDT' AND R.FlGenFattura = 0 "
                "GROUP BY F.KFattCliT, F.IdCliente, R.IdProdotto, R.Prezzo, R.IdIva"));
            benchdoc::MarcaBolle(db);
            // the totals rows of every invoice, the document total onto the heads
            benchdoc::TotaliSql(db, QStringLiteral("FattureCliTot"), QStringLiteral("KFattCliT"),
                                QStringLiteral("FattureCliRighe"), QStringLiteral("FattureCliTeste"),
                                QStringLiteral("KFattCliT >= 1000000"), false);
            db.ExecSQL(QStringLiteral(
                "UPDATE FattureCliTeste SET TotDocumento = (SELECT Importo1 FROM FattureCliTot T WHERE "
                "T.KFattCliT = FattureCliTeste.KFattCliT AND T.TipoRecord = 'TOT'), CvlDocumento = (SELECT Importo1 "
                "FROM FattureCliTot T WHERE T.KFattCliT = FattureCliTeste.KFattCliT AND T.TipoRecord = 'TOT')"));
            db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = (SELECT MAX(Numero) FROM FattureCliTeste), "
                                      "DataUltFatturaV = ? WHERE Anno = 2024 AND Serie = 0"),
                       {kDataFatture});
            transazione.Commit();
        }
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Sql, secondi);
        e->esito[Sql] = Leggi(db);
    }
}

void Prepara()
{
    CFG.IdDivisa = QStringLiteral("EUR");
    motori.Crea(QStringLiteral("generazione.db"), QStringLiteral("kv8benchgenerazione"), [](Engine &e) {
        benchdoc::Globale globale(e.url, Moduli);
        Semina(globale.Db());
    });
    motori.Registra("generazione1000", 3, 3, [](const std::string &prefix, Engine *e) {
        benchruns::RegisterOneShot(prefix + "TfSVen0007d_DM", BenchModulo, e);
        benchruns::RegisterOneShot(prefix + "sql", BenchSql, e);
    });
}

void Riporta()
{
    std::printf("\nInvoice generation / set-based SQL (median of interleaved rounds, %d delivery notes of %d rows; "
                "target within 5x)\n",
                kBolle, kRighe);
    for (auto &e : motori) {
        if (!e->tempi.Misurati(Modulo, Sql))
            continue; // filtered out
        const Esito &m = e->esito[Modulo];
        const Esito &s = e->esito[Sql];
        std::printf("  %-8s %.2fx (median of %zu interleaved rounds: %.1f ms / %.1f ms)%s\n", e->label,
                    e->tempi.Rapporto(Modulo, Sql), e->tempi.Giri(Modulo, Sql), e->tempi.Mediana(Modulo) * 1000,
                    e->tempi.Mediana(Sql) * 1000, m == s ? "" : "   RESULTS DIFFER between the two runs");
        if (!(m == s))
            std::printf("           module %d invoices %d rows %.2f / %.2f, %d invoiced, %d linked; sql %d %d %.2f / "
                        "%.2f, %d, %d\n           module totals %s\n           sql totals    %s\n",
                        m.Fatture, m.Righe, m.Importi, m.Totali, m.Fatturate, m.Collegate, s.Fatture, s.Righe,
                        s.Importi, s.Totali, s.Fatturate, s.Collegate, qPrintable(m.RigheTotali),
                        qPrintable(s.RigheTotali));
    }
}

void Chiudi()
{
    motori.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
