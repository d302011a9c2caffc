// Cost of the module's definitive invoice generation against plain SQL: 1 000 customer delivery
// notes of 5 rows (100 customers, 20 articles priced per package, per unit or per litre) with
// a stored deposit summary of two packaging codes each, invoiced by the module's generation
// data module in one transaction (one invoice per customer, rows of one article and price
// joined and valued by price type, summaries merged per invoice and code, the customers' cards
// moved, notes marked invoiced, totals), and once by set-based statements over the whole set,
// each one statement: heads, rows with their amounts, summaries grouped by invoice and code,
// the cards by one UPDATE ... FROM, the notes marked and linked to their invoice rows, the
// totals rows. Both must leave the same invoices, rows, summaries, cards, links and totals
// rows. Also timed: the host's own generation of the same notes (no module columns, summaries
// or cards). SQLite and (with KV8_TEST_PG) PostgreSQL; prints module / SQL (target within 5x)
// and module / host, medians of the per-round ratios of interleaved rounds.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "documents/Sven0007d_dm_p.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibcge.h"
#include "host/business/Dmibpra.h"
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/db/DMIDataBases.h"
#include "host/db/ModuleData.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ModuleAbi.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <chrono>
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

enum Phase { Modulo, Host, Sql, PhaseCount };

using Engine = benchruns::Motore<PhaseCount>;

benchruns::Motori<Engine> motori;

void Moduli()
{
    delete DMIBase.data();
    delete DMIBbas.data();
    delete DMIBCge.data();
    delete DMIBPra.data();
    delete DMILUMO.data();
}

// Article a: price type 1 (per package) when a % 3 is 0, priced per litre when it is 1.
double Prezzo(int a)
{
    return 2.5 + a % 9 + 0.35;
}

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    TXTransaction transazione(db);
    const char *const righe[] = {
        "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
        "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', '22%', 22)",
        "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse) VALUES (0, 'Merce', 0)",
        "INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie) VALUES ('DDT', 'DDT vendita', 0)",
        "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
        "UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF) VALUES ('FV', 'Fattura differita', 0, 0, 1, 1, 1, 1)",
        "INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, NUltFTRegistroV, NumUltFatturaC) VALUES (2024, 0, 0, 0, 0)",
        "INSERT INTO Imballi (IdImballo, DsImballo) VALUES ('CAS', 'Cassa'), ('BOT', 'Bottiglia')",
        "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"};
    for (const char *sql : righe)
        db.ExecSQL(QLatin1String(sql));
    QStringList valori;
    for (int a = 0; a < kArticoli; ++a)
        valori << QStringLiteral("('%1', 'Articolo %2', 'BT', '22', 'B75', %3)")
                      .arg(benchdoc::Articolo(a, kArticoli))
                      .arg(a)
                      .arg(a % 3 == 1 ? 1 : 0);
    db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, UT_LMQ_IdBottiglia, "
                              "UT_LMQ_FlPrzLit) VALUES ")
               + valori.join(u','));
    valori.clear();
    QStringList schede;
    for (int c = 0; c < kClienti; ++c) {
        const QString cliente = QStringLiteral("C%1").arg(c, 3, 10, QLatin1Char('0'));
        valori << QStringLiteral("('CL', '%1', 'Cliente %1', 1, 1, '4010')").arg(cliente);
        // every card of the customer, with an opening balance
        for (const char *imballo : {"CAS", "BOT"})
            for (int tipo = 0; tipo < 2; ++tipo)
                schede
                    << QStringLiteral(
                           "('CL', '%1', %2, 0, '%3', 'EUR', 100, 40, 200, 80, 60, 10, 120, 20, 0, 0, 0, 0, 0, 0, 0)")
                           .arg(cliente)
                           .arg(tipo)
                           .arg(QLatin1String(imballo));
    }
    db.ExecSQL(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, FlRaggFattura, UT_LMQ_FlCauz, "
                              "UT_LMQ_ContoCau) VALUES ")
               + valori.join(u','));
    db.ExecSQL(
        QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, FlTipoScheda, IdDestinazione, IdImballo, "
                       "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, "
                       "ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, "
                       "QtaResEcc, EsiAttEcc) VALUES ")
        + schede.join(u','));
    QStringList teste;
    QStringList righeBolla;
    QStringList riepiloghi;
    QVariantList date;
    for (int b = 0; b < kBolle; ++b) {
        double colli = 0;
        double litri = 0;
        for (int i = 0; i < kRighe; ++i) {
            const int a = (b / kClienti + i * 3 + i / 2) % kArticoli;
            const double l = 1 + (b + i) % 4;
            colli += l;
            litri += l * 6 * 0.75;
            righeBolla << QStringLiteral("(%1, %2, %3, 0, '%4', 'Articolo %5', 'BT', '22', %6, 6, %7, %8, %9, 1)")
                              .arg(b * kRighe + i + 1)
                              .arg(b + 1)
                              .arg((i + 1) * 1024)
                              .arg(benchdoc::Articolo(a, kArticoli))
                              .arg(a)
                              .arg(l)
                              .arg(l * 6)
                              .arg(Prezzo(a))
                              .arg(a % 3 == 0 ? 1 : 0);
        }
        teste << QStringLiteral("(%1, 'DDT', 2024, 0, %1, ?, 'CL', 'C%2', 'EUR', 1, %3, 'L1', 'T1', 0)")
                     .arg(b + 1)
                     .arg(b % kClienti, 3, 10, QLatin1Char('0'))
                     .arg(litri);
        date << kDataBolle;
        const double resi = b % 3;
        riepiloghi << QStringLiteral("(%1, 1, %2, 'CAS', 0, 0, 5, 10, 0, 0, %3, %4, 0, 0, 2, %5, %6, 0, 0, 0)")
                          .arg(2 * b + 1)
                          .arg(b + 1)
                          .arg(colli)
                          .arg(resi)
                          .arg(colli * 2)
                          .arg(resi * 2);
        riepiloghi << QStringLiteral("(%1, 1, %2, 'BOT', 0, 0, 0, 0, 0, 0, %3, 0, 0, 0, 0.1, %4, 0, 0, 0, 0)")
                          .arg(2 * b + 2)
                          .arg(b + 1)
                          .arg(colli * 6)
                          .arg(Funzioni::KRound(colli * 6 * 0.1, 2));
    }
    db.ExecSQL(
        QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                       "IdClienteTp, IdCliente, IdDivisa, Cambio, UT_LMQ_TotLit, UT_LMQ_IdListCau, UT_LMQ_IdListTra, "
                       "UT_LMQ_FlAccisa) VALUES ")
            + teste.join(u','),
        date);
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, "
                              "Descrizione, IdUM, IdIva, Lunghezza, Quantita2, Quantita, Prezzo, UT_LMQ_FlTipoPrz, "
                              "IdMagazzino) VALUES ")
               + righeBolla.join(u','));
    db.ExecSQL(
        QStringLiteral("INSERT INTO LUMO_CauzDocBoll (KMovimento, FlTipoDocColl, KBolleCliT, IdImballo, EsistenzaAtt, "
                       "ValoreEsiAtt, EsistenzaB, ValoreEsiB, EsistenzaF, ValoreEsiF, QtaCar, QtaRes, QtaResPn, "
                       "KMovResT, Prezzo, ValoreCar, ValoreRes, QtaCarEcc, QtaResEcc, EsiAttEcc) VALUES ")
        + riepiloghi.join(u','));
    transazione.Commit();
}

// Back to the notes not yet invoiced and the cards as seeded (not timed).
void Azzera(TXDatabase &db)
{
    TXTransaction t(db);
    for (const char *tabella : {"FattureCliTot", "FattureCliRighe", "FattureCliTeste", "LUMO_CauzDocFatt"})
        db.ExecSQL(QStringLiteral("DELETE FROM ") + QLatin1String(tabella));
    db.ExecSQL(QStringLiteral("UPDATE BolleCliRighe SET FlGenFattura = 0, KFatturaR = 0"));
    db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 0, DataUltFatturaV = NULL"));
    db.ExecSQL(
        QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = 100, ProgQtaRes = 40, ProgValCar = 200, ProgValRes = 80, "
                       "ProgQtaCarF = 60, ProgQtaResF = 10, ProgValCarF = 120, ProgValResF = 20"));
    t.Commit();
}

QString Impronta(TXDatabase &db)
{
    return benchruns::Impronta(
               db, {"SELECT COUNT(*), SUM(Numero), SUM(UT_LMQ_TotLit), SUM(TotDocumento) FROM FattureCliTeste",
                    "SELECT COUNT(*), SUM(Lunghezza), SUM(Quantita), SUM(ImportoLordo), SUM(ImportoNN) FROM "
                    "FattureCliRighe",
                    "SELECT COUNT(*) FROM BolleCliRighe WHERE FlGenFattura = 1",
                    // each note row linked to the invoice row of its article that took it in
                    "SELECT COUNT(*), SUM(F.Quantita) FROM BolleCliRighe B JOIN FattureCliRighe F ON F.KFattCliR = "
                    "B.KFatturaR "
                    "AND F.IdProdotto = B.IdProdotto AND F.Prezzo = B.Prezzo",
                    "SELECT COUNT(*), SUM(QtaCar), SUM(QtaRes), SUM(ValoreCar), SUM(ValoreRes), SUM(EsistenzaAtt), "
                    "SUM(EsistenzaF), "
                    "SUM(Prezzo) FROM LUMO_CauzDocFatt",
                    "SELECT SUM(ProgQtaCar), SUM(ProgQtaRes), SUM(ProgValCar), SUM(ProgValRes), SUM(ProgQtaCarF), "
                    "SUM(ProgValCarF) "
                    "FROM LUMO_ProgCauz"})
           + u' ' + benchdoc::Totali(db, QStringLiteral("FattureCliTot"));
}

void Registra(benchmark::State &state, Engine *e, Phase fase, double secondi, TXDatabase &db)
{
    state.SetIterationTime(secondi);
    e->tempi.Aggiungi(fase, secondi);
    e->impronta[fase] = Impronta(db);
}

// A definitive run of the data module, as the generation window runs it.
template <class DM> void BenchRun(benchmark::State &state, Engine *e, Phase fase)
{
    benchdoc::Globale globale(e->url, Moduli);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        Azzera(db);
        const auto t0 = std::chrono::steady_clock::now();
        {
            DM dm;
            dm.Parametri.DataFattura = kDataFatture;
            dm.Parametri.IdCausale = QStringLiteral("FV");
            dm.Parametri.IdCausaleBolla = QStringLiteral("DDT");
            dm.Parametri.FlProvvisoria = 0;
            TXTransaction transazione(db);
            dm.Genera();
            for (const QString &m : dm.Messaggi)
                if (m.startsWith(QLatin1String("{B}")))
                    state.SkipWithError(m.toStdString().c_str());
            transazione.Commit();
        }
        Registra(state, e, fase, benchruns::Seconds(t0), db);
    }
}

void BenchModulo(benchmark::State &state, Engine *e)
{
    BenchRun<TfSVen0007d_DM_p>(state, e, Modulo);
}

void BenchHost(benchmark::State &state, Engine *e)
{
    BenchRun<TfSVen0007d_DM>(state, e, Host);
}

void BenchSql(benchmark::State &state, Engine *e)
{
    benchdoc::Globale globale(e->url, Moduli);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        Azzera(db);
        const auto t0 = std::chrono::steady_clock::now();
        {
            TXTransaction transazione(db);
            // one invoice per customer, numbered in customer order, with the notes' litres
            db.ExecSQL(
                QStringLiteral(
                    "INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                    "DataPagamento, IdClienteTp, IdCliente, IdDivisa, Cambio, UT_LMQ_TotLit, UT_LMQ_IdListCau, "
                    "UT_LMQ_IdListTra, UT_LMQ_FlAccisa) "
                    "SELECT 1000000 + ROW_NUMBER() OVER (ORDER BY IdClienteTp, IdCliente), 'FV', 2024, 0, "
                    "ROW_NUMBER() OVER (ORDER BY IdClienteTp, IdCliente), ?, ?, IdClienteTp, IdCliente, 'EUR', 1, "
                    "SUM(UT_LMQ_TotLit), MIN(UT_LMQ_IdListCau), MIN(UT_LMQ_IdListTra), MIN(UT_LMQ_FlAccisa) "
                    "FROM BolleCliTeste T WHERE T.IdCausale = 'DDT' AND EXISTS (SELECT 1 FROM BolleCliRighe R "
                    "WHERE R.KBolleCliT = T.KBolleCliT AND R.FlGenFattura = 0) GROUP BY IdClienteTp, IdCliente"),
                {kDataFatture, kDataFatture});
            // rows of one article and price joined, valued per package, per unit or per litre
            const QString importo = QStringLiteral("ROUND(CAST(CASE WHEN MIN(R.UT_LMQ_FlTipoPrz) = 1 THEN "
                                                   "SUM(R.Lunghezza) * R.Prezzo WHEN MIN(A.UT_LMQ_FlPrzLit) = 1 "
                                                   "THEN SUM(R.Quantita) * R.Prezzo * MIN(B.Capacita) ELSE "
                                                   "SUM(R.Quantita) * R.Prezzo END AS NUMERIC), 2)");
            db.ExecSQL(
                QStringLiteral(
                    "INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, TipoRigo, IdProdotto, Descrizione, "
                    "IdUM, IdIva, Lunghezza, Quantita2, Quantita, Prezzo, UT_LMQ_FlTipoPrz, ImportoLordo, "
                    "ImportoNetto, "
                    "ImportoNN, ControvaloreL, ControvaloreN, ControvaloreNN, IdMagazzino, DataDocumento, IdCliente) "
                    "SELECT 2000000 + ROW_NUMBER() OVER (ORDER BY F.KFattCliT, R.IdProdotto, R.Prezzo), F.KFattCliT, "
                    "1024 * ROW_NUMBER() OVER (PARTITION BY F.KFattCliT ORDER BY R.IdProdotto, R.Prezzo), 0, "
                    "R.IdProdotto, MAX(R.Descrizione), MAX(R.IdUM), R.IdIva, SUM(R.Lunghezza), 6, SUM(R.Quantita), "
                    "R.Prezzo, MIN(R.UT_LMQ_FlTipoPrz), %1, %1, %1, %1, %1, %1, MAX(R.IdMagazzino), "
                    "MAX(F.DataDocumento), "
                    "F.IdCliente FROM BolleCliRighe R JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT "
                    "JOIN FattureCliTeste F ON F.IdClienteTp = T.IdClienteTp AND F.IdCliente = T.IdCliente "
                    "JOIN Articoli A ON A.IdProdotto = R.IdProdotto LEFT JOIN LUMO_Bottiglie B ON B.IdBottiglia = "
                    "A.UT_LMQ_IdBottiglia WHERE T.IdCausale = 'DDT' AND R.FlGenFattura = 0 "
                    "GROUP BY F.KFattCliT, F.IdCliente, R.IdProdotto, R.Prezzo, R.IdIva")
                    .arg(importo));
            // summaries per invoice and code: quantities summed, valued at the price, the opening
            // balances of the account-total card
            db.ExecSQL(QStringLiteral(
                "INSERT INTO LUMO_CauzDocFatt (KMovimento, FlTipoDocColl, KFattCliT, IdImballo, EsistenzaAtt, "
                "ValoreEsiAtt, "
                "EsistenzaB, ValoreEsiB, EsistenzaF, ValoreEsiF, QtaCar, QtaRes, QtaResPn, KMovResT, Prezzo, "
                "ValoreCar, "
                "ValoreRes, QtaCarEcc, QtaResEcc, EsiAttEcc) "
                "SELECT 3000000 + ROW_NUMBER() OVER (ORDER BY F.KFattCliT, S.IdImballo), 2, F.KFattCliT, S.IdImballo, "
                "MIN(C.ProgQtaCar - C.ProgQtaRes), MIN(C.ProgValCar - C.ProgValRes), MIN(S.EsistenzaB), "
                "MIN(S.ValoreEsiB), "
                "MIN(C.ProgQtaCarF - C.ProgQtaResF), MIN(C.ProgValCarF - C.ProgValResF), SUM(S.QtaCar), SUM(S.QtaRes), "
                "0, 0, "
                "MAX(S.Prezzo), ROUND(CAST(SUM(S.QtaCar) * MAX(S.Prezzo) AS NUMERIC), 2), "
                "ROUND(CAST(SUM(S.QtaRes) * MAX(S.Prezzo) AS NUMERIC), 2), 0, 0, 0 "
                "FROM LUMO_CauzDocBoll S JOIN BolleCliTeste T ON T.KBolleCliT = S.KBolleCliT "
                "JOIN FattureCliTeste F ON F.IdClienteTp = T.IdClienteTp AND F.IdCliente = T.IdCliente "
                "JOIN LUMO_ProgCauz C ON C.IdContoTp = T.IdClienteTp AND C.IdConto = T.IdCliente AND C.FlTipoScheda = "
                "1 "
                "AND C.IdDestinazione = 0 AND C.IdImballo = S.IdImballo "
                "WHERE T.IdCausale = 'DDT' GROUP BY F.KFattCliT, S.IdImballo"));
            // both cards of each customer and code moved by the notes' movements, each valued at its price
            db.ExecSQL(QStringLiteral(
                "UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + M.QtaCar, ProgQtaRes = ProgQtaRes + M.QtaRes, "
                "ProgValCar = ProgValCar + M.ValCar, ProgValRes = ProgValRes + M.ValRes, ProgQtaCarF = ProgQtaCarF + "
                "M.QtaCar, "
                "ProgQtaResF = ProgQtaResF + M.QtaRes, ProgValCarF = ProgValCarF + M.ValCar, ProgValResF = ProgValResF "
                "+ M.ValRes "
                "FROM (SELECT T.IdClienteTp, T.IdCliente, S.IdImballo, SUM(S.QtaCar) AS QtaCar, SUM(S.QtaRes) AS "
                "QtaRes, "
                "SUM(ROUND(CAST(S.QtaCar * S.Prezzo AS NUMERIC), 2)) AS ValCar, "
                "SUM(ROUND(CAST(S.QtaRes * S.Prezzo AS NUMERIC), 2)) AS ValRes "
                "FROM LUMO_CauzDocBoll S JOIN BolleCliTeste T ON T.KBolleCliT = S.KBolleCliT WHERE T.IdCausale = 'DDT' "
                "GROUP BY T.IdClienteTp, T.IdCliente, S.IdImballo) M WHERE LUMO_ProgCauz.IdContoTp = M.IdClienteTp AND "
                "LUMO_ProgCauz.IdConto = M.IdCliente AND LUMO_ProgCauz.IdImballo = M.IdImballo AND "
                "LUMO_ProgCauz.IdDestinazione = 0"));
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
        Registra(state, e, Sql, benchruns::Seconds(t0), db);
    }
}

void Prepara()
{
    ModuleData::Use(&ModuleFiles); // the module's tables, as the program takes them from the library
    CFG.IdDivisa = QStringLiteral("EUR");
    UT_LMQ_Parametri = {};
    UT_LMQ_Parametri.FlAbilCauz = 1;
    gUtente.IdUtente = QStringLiteral("BENCH");
    motori.Crea(QStringLiteral("generazionemodulo.db"), QStringLiteral("kv8benchgenerazionemodulo"), [](Engine &e) {
        benchdoc::Globale globale(e.url, Moduli);
        Semina(globale.Db());
    });
    motori.Registra("generazionemodulo1000", 3, 3, [](const std::string &prefix, Engine *e) {
        benchruns::RegisterOneShot(prefix + "TfSVen0007d_DM_p", BenchModulo, e);
        benchruns::RegisterOneShot(prefix + "TfSVen0007d_DM", BenchHost, e);
        benchruns::RegisterOneShot(prefix + "sql", BenchSql, e);
    });
}

void Riporta()
{
    std::printf(
        "\nModule invoice generation / set-based SQL (median of interleaved rounds, %d delivery notes of %d rows, two "
        "packaging codes each; target within 5x), and / the host's own generation\n",
        kBolle, kRighe);
    for (auto &e : motori) {
        if (!e->tempi.Misurati(Modulo, Sql))
            continue; // filtered out
        benchruns::StampaRapporto(*e, Modulo, Sql,
                                  "   INVOICES, SUMMARIES, CARDS OR TOTALS DIFFER between the two runs", 1);
        if (e->tempi.Misurati(Modulo, Host))
            std::printf("           module / host %.2fx (median of %zu interleaved rounds: %.1f ms / %.1f ms)\n",
                        e->tempi.Rapporto(Modulo, Host), e->tempi.Giri(Modulo, Host), e->tempi.Mediana(Modulo) * 1000,
                        e->tempi.Mediana(Host) * 1000);
    }
}

void Chiudi()
{
    motori.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
