// Cost of the excise document generation against plain SQL: 2 000 delivery notes of an
// excise customer with 10 rows each (8 of excise articles) turned into their D.A.A. heads,
// rows, protocol numbers and source marks by the generation dialog's run, and the same result
// written by set-based statements (heads numbered with ROW_NUMBER, rows by INSERT ... SELECT,
// one UPDATE of the marks and one of the counter), each from the same starting state, on
// SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints the ratio run / SQL (median of the
// per-round ratios of interleaved rounds; target within 5x) with the results compared.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds; KV8_BENCH_BOLLE the delivery notes.
#include "bench/registers/BenchRegistri.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Applvar.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "registers/Qarn0401d.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>
#include <QSqlRecord>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int kBolle = benchruns::Rounds("KV8_BENCH_BOLLE", 2000);
constexpr int kRighe = 10;

enum Phase { Generazione, Sql, PhaseCount };

struct Engine : benchregistri::Motore {
    benchruns::Tempi<PhaseCount> tempi;
    QString risultato[PhaseCount];
};

benchregistri::Motori<Engine> engines;
benchregistri::Risposte risposte(true);
using benchregistri::Globale;

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, DsCausale) VALUES ('DDT', 'Vendita')"));
    db.ExecSQL(QStringLiteral(
        "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlTipCli) VALUES ('CL', 'C1', 'Enoteca', 1)"));
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_ParAcc (IdCodice, NoteChiusura1) VALUES ('1', 'Certificato')"));
    for (int a = 0; a < kRighe; ++a)
        db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, PesoNetto, PesoLordo, IdTariffa, UT_LMQ_TipoAcc) "
                                  "VALUES (?, ?, ?, '22042109', ?)"),
                   {QStringLiteral("A%1").arg(a), 0.755 + a * 0.1, 1.255 + a * 0.1, a < 8 ? 1 : 0});
    constexpr int kBlocco = 200;
    for (int base = 0; base < kBolle; base += kBlocco) {
        const int n = std::min(kBlocco, kBolle - base);
        QStringList teste, righe;
        QVariantList pt, pr;
        for (int k = 0; k < n; ++k) {
            const int i = base + k;
            teste << QStringLiteral("(?, 'DDT', 2026, ?, ?, ?, 'CL', 'C1', 0, 'V1', 3, 10.5)");
            pt << i + 1 << 1 + i % 2 << i + 1 << QDateTime(QDate(2026, 1, 1).addDays(i % 360), QTime(0, 0));
            for (int r = 0; r < kRighe; ++r) {
                righe << QStringLiteral("(?, ?, ?, ?, ?, ?, ?)");
                pr << i * kRighe + r + 1 << i + 1 << QStringLiteral("A%1").arg(r) << 1.0 + (i + r) % 12 << 6.0 << 1.0
                   << 0.75 * (1 + (i + r) % 12);
            }
        }
        db.ExecSQL(
            QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                           "IdClienteTp, IdCliente, IdDestinazione, IdSpedizione1, NumeroColli, OraTrasporto) VALUES ")
                + teste.join(QStringLiteral(", ")),
            pt);
        db.ExecSQL(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, IdProdotto, Quantita, Quantita2, "
                                  "Lunghezza, UT_LMQ_TotLit) VALUES ")
                       + righe.join(QStringLiteral(", ")),
                   pr);
    }
    transazione.Commit();
}

// The state before a generation: no D.A.A., no mark, counters at 0.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_DocAccR"));
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_DocAccT"));
    db.ExecSQL(QStringLiteral("UPDATE BolleCliTeste SET UT_LMQ_FlAccisa = 0"));
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_Protocolli"));
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2026, 1, 0)"));
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2026, 2, 0)"));
    transazione.Commit();
}

// What a generation left: heads by number and source, rows, marks and counters, as one text.
QString Risultato(TXDatabase &db)
{
    QStringList parti;
    for (const QString &sql :
         {QStringLiteral(
              "SELECT COUNT(*), SUM(Numero * KDocT), SUM(Serie * Numero), MIN(NoteChiusura1) FROM LUMO_DocAccT"),
          QStringLiteral("SELECT COUNT(*), SUM(PesoNetto), SUM(PesoLordo), SUM(TotLit), SUM(QtaMov) FROM LUMO_DocAccR"),
          QStringLiteral("SELECT COUNT(*) FROM LUMO_DocAccR R JOIN LUMO_DocAccT T ON T.KContaT = R.KContaT "
                         "JOIN BolleCliRighe S ON S.KBolleCliT = T.KDocT AND S.IdProdotto = R.IdProdotto"),
          QStringLiteral("SELECT COUNT(*) FROM BolleCliTeste WHERE UT_LMQ_FlAccisa = 1"),
          QStringLiteral("SELECT SUM(Protocollo) FROM LUMO_Protocolli")}) {
        QSqlQuery q = db.OpenQuery(sql);
        if (q.next()) {
            QStringList c;
            for (int i = 0; i < q.record().count(); ++i)
                c << (q.value(i).typeId() == QMetaType::QString ? q.value(i).toString()
                                                                : QString::number(q.value(i).toDouble(), 'f', 2));
            parti << c.join(QLatin1Char(','));
        }
    }
    return parti.join(QStringLiteral(" | "));
}

void BenchGenerazione(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    // the counters of the engine in use, not those the module read on another one
    if (DMILUMO)
        DMILUMO->TRS_Protocolli->Close();
    for (auto _ : state) {
        Azzera(globale.Db());
        std::unique_ptr<TFqarn0401d> f(new TFqarn0401d);
        f->DoCreate();
        f->tPars->FieldByName(QStringLiteral("FlTipoDocColl"))->SetAsInteger(1);
        f->tPars->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("DDT"));
        f->tPars->FieldByName(QStringLiteral("DataReg"))->SetAsDateTime(QDateTime(QDate(2026, 12, 31), QTime(0, 0)));
        const auto t0 = std::chrono::steady_clock::now();
        f->btEseguiClick();
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Generazione, secondi);
        state.counters["bolle/s"] = kBolle / secondi;
        e->risultato[Generazione] = Risultato(globale.Db());
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    TXDatabase &db = globale.Db();
    const QString eccise = QStringLiteral("EXISTS (SELECT 1 FROM BolleCliRighe R JOIN Articoli A ON A.IdProdotto = "
                                          "R.IdProdotto WHERE R.KBolleCliT = T.KBolleCliT AND A.UT_LMQ_TipoAcc <> 0)");
    const QString selezione = QStringLiteral(
        " FROM BolleCliTeste T LEFT JOIN Clienti C ON C.IdContoTp = T.IdClienteTp AND C.IdConto = T.IdCliente"
        " LEFT JOIN Destinazioni D ON D.IdContoTp = T.IdClienteTp AND D.IdConto = T.IdCliente AND D.IdDestinazione = "
        "T.IdDestinazione"
        " WHERE T.IdCausale = 'DDT' AND T.UT_LMQ_FlAccisa = 0 AND (C.UT_LMQ_FlTipCli <> 0 OR D.UT_LMQ_FlTipCli <> 0) "
        "AND ");
    for (auto _ : state) {
        Azzera(db);
        const auto t0 = std::chrono::steady_clock::now();
        {
            TXTransaction transazione(db);
            const int chiave =
                db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KContaT), 0) FROM LUMO_DocAccT")).toInt();
            db.ExecSQL(
                QStringLiteral(
                    "INSERT INTO LUMO_DocAccT (KContaT, Anno, Serie, Numero, DataDoc, AnnoColl, SerieColl, NumeroColl, "
                    "DataDocColl, FlTipoDocColl, KDocT, IdCausale, IdContoTp, IdConto, IdDestinazione, IdSpedizione, "
                    "DataArrivo, OraTra, NumeroColli, NoteChiusura1, NoteChiusura2, NoteChiusura3) "
                    "SELECT ? + ROW_NUMBER() OVER (ORDER BY T.Anno, T.Serie, T.Numero, T.KBolleCliT), T.Anno, T.Serie, "
                    "COALESCE(N.Protocollo, 0) + ROW_NUMBER() OVER (PARTITION BY T.Anno, T.Serie ORDER BY T.Numero, "
                    "T.KBolleCliT), "
                    "?, T.Anno, T.Serie, T.Numero, T.DataDocumento, 1, T.KBolleCliT, T.IdCausale, T.IdClienteTp, "
                    "T.IdCliente, T.IdDestinazione, T.IdSpedizione1, T.DataTrasporto, T.OraTrasporto, T.NumeroColli, "
                    "COALESCE(P.NoteChiusura1, ''), COALESCE(P.NoteChiusura2, ''), COALESCE(P.NoteChiusura3, '')")
                    + selezione.left(selezione.indexOf(QStringLiteral(" WHERE ")))
                    + QStringLiteral(
                        " LEFT JOIN LUMO_Protocolli N ON N.TipoDoc = 0 AND N.Anno = T.Anno AND N.Serie = T.Serie"
                        " LEFT JOIN LUMO_ParAcc P ON P.IdCodice = '1'")
                    + selezione.mid(selezione.indexOf(QStringLiteral(" WHERE "))) + eccise,
                {chiave, QDateTime(QDate(2026, 12, 31), QTime(0, 0))});
            const int riga =
                db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KContaR), 0) FROM LUMO_DocAccR")).toInt();
            db.ExecSQL(
                QStringLiteral(
                    "INSERT INTO LUMO_DocAccR (KContaR, KContaT, IdProdotto, Nomenclat, PesoNetto, PesoLordo, "
                    "QtaImballo, NumConf, QtaMov, TotLit) "
                    "SELECT ? + ROW_NUMBER() OVER (ORDER BY R.KBolleCliR), H.KContaT, R.IdProdotto, A.IdTariffa, "
                    "ROUND(CAST(R.Quantita * A.PesoNetto AS NUMERIC), 2), "
                    "ROUND(CAST(R.Quantita * A.PesoLordo AS NUMERIC), 2), R.Quantita2, R.Lunghezza, R.Quantita, "
                    "R.UT_LMQ_TotLit FROM BolleCliRighe R JOIN Articoli A ON A.IdProdotto = R.IdProdotto "
                    "JOIN LUMO_DocAccT H ON H.KDocT = R.KBolleCliT AND H.FlTipoDocColl = 1 "
                    "WHERE H.KContaT > ? AND A.UT_LMQ_TipoAcc <> 0"),
                {riga, chiave});
            db.ExecSQL(QStringLiteral("UPDATE BolleCliTeste SET UT_LMQ_FlAccisa = 1 WHERE KBolleCliT IN "
                                      "(SELECT KDocT FROM LUMO_DocAccT WHERE FlTipoDocColl = 1 AND KContaT > ?)"),
                       {chiave});
            db.ExecSQL(
                QStringLiteral("UPDATE LUMO_Protocolli SET Protocollo = (SELECT MAX(H.Numero) FROM LUMO_DocAccT H "
                               "WHERE H.Anno = LUMO_Protocolli.Anno AND H.Serie = LUMO_Protocolli.Serie) "
                               "WHERE TipoDoc = 0 AND EXISTS (SELECT 1 FROM LUMO_DocAccT H WHERE H.Anno = "
                               "LUMO_Protocolli.Anno AND H.Serie = LUMO_Protocolli.Serie)"));
            transazione.Commit();
        }
        const double secondi = benchruns::Seconds(t0);
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(Sql, secondi);
        e->risultato[Sql] = Risultato(db);
    }
}

void Prepara()
{
    UT_LMQ_Parametri.FlAbilAccisa = 1;
    engines.Crea(risposte, QStringLiteral("accisa.db"), QStringLiteral("kv8benchaccisa"), Semina);
    for (auto &e : engines.lista) {
        const std::string prefix = std::string(e->label) + "/accisa/";
        for (int round = 0; round < engines.Giri(*e); ++round) {
            benchruns::RegisterOneShot(prefix + "Generazione", BenchGenerazione, e.get());
            benchruns::RegisterOneShot(prefix + "sql", BenchSql, e.get());
        }
    }
}

void Riporta()
{
    std::printf("\nexcise document generation / set-based SQL of the same result (median of interleaved rounds, "
                "%d delivery notes of %d rows; target within 5x)\n",
                kBolle, kRighe);
    for (auto &e : engines.lista)
        benchruns::StampaRapporto(e->label, nullptr, e->tempi, Generazione, Sql, e->risultato[Generazione],
                                  e->risultato[Sql], "   RESULTS DIFFER", 0);
}

void Chiudi()
{
    engines.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
