// Cost of a document save against plain SQL: a customer delivery note of 500 rows over 100
// articles saved through its window (head, rows, one warehouse movement per row, stock and
// totals records, in one transaction), and once as one multi-row INSERT of the same head and
// rows followed by set-based statements for the movements, the stock and the totals rows,
// on SQLite and (with KV8_TEST_PG) on PostgreSQL. Each round measures a run on a connection
// that has already run the same work once, as a program's connection has. Prints the ratio
// window / SQL (median of the per-round ratios of interleaved rounds; target within 5x) and
// checks that both leave the same rows, movements, stock and totals rows.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibmag.h"
#include "host/business/Sven0001f.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSqlQuery>
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

enum Phase { Finestra, Sql, PhaseCount };

using Engine = benchruns::Motore<PhaseCount>;

benchruns::Motori<Engine> motori;

// No print after the save: every question answered No.
class Risposte : public TMessageService {
public:
    int Show(const TKMessage &message) override { return message.IsQuestion() ? mrNo : mrOk; }
};
Risposte risposte;

void Moduli()
{
    delete DMIBMag.data();
    delete DMIBase.data();
}

class Globale {
public:
    explicit Globale(Engine *e)
    {
        DMIDataBases &dbs = DMIDataBases::Instance();
        if (dbs.Has(QStringLiteral("GlobalDatabase")))
            prima_ = dbs.Global().Url();
        Moduli();
        db_ = &dbs.Open(QStringLiteral("GlobalDatabase"), e->url);
    }
    ~Globale()
    {
        Moduli();
        DMIDataBases &dbs = DMIDataBases::Instance();
        if (prima_.isEmpty())
            dbs.Close(QStringLiteral("GlobalDatabase"));
        else
            dbs.Open(QStringLiteral("GlobalDatabase"), prima_);
    }
    TXDatabase &Db() { return *db_; }

private:
    QString prima_;
    TXDatabase *db_ = nullptr;
};

QString Articolo(int i)
{
    return QStringLiteral("A%1").arg(i % kArticoli, 3, 10, QLatin1Char('0'));
}
double Quantita(int i)
{
    return 1 + i % 7;
}
double Prezzo(int i)
{
    return 1.5 + i % 13 + 0.37;
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
        "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('VEN', 'Vendita', -1)",
        "INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga) VALUES ('DDT', 'DDT', 0, 'VEN')",
        "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C1', 'Cliente')"};
    for (const char *sql : righe)
        db.ExecSQL(QLatin1String(sql));
    db.ExecSQL(QStringLiteral("INSERT INTO EserciziMagazzino (Esercizio, DataInizio, DataFine) VALUES (2024, ?, ?)"),
               {QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QDateTime(QDate(2024, 12, 31), QTime(0, 0))});
    for (int i = 0; i < kArticoli; ++i)
        db.ExecSQL(
            QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva) VALUES (?, ?, 'BT', '22')"),
            {Articolo(i), QStringLiteral("Articolo %1").arg(i)});
    transazione.Commit();
}

// Both runs start from no document, movements or stock.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    for (const char *tabella : {"BolleCliTeste", "BolleCliRighe", "BolleCliTot", "MovMagazzino", "EsistenzeMagazzino"})
        db.ExecSQL(QStringLiteral("DELETE FROM ") + QLatin1String(tabella));
    transazione.Commit();
}

QString Impronta(TXDatabase &db)
{
    return benchruns::Impronta(
               db, {"SELECT COUNT(*), SUM(Numero) FROM BolleCliTeste",
                    "SELECT COUNT(*), SUM(Quantita), SUM(ImportoNetto), SUM(ControvaloreNN) FROM BolleCliRighe",
                    "SELECT COUNT(*), SUM(Quantita), SUM(Valore) FROM MovMagazzino",
                    "SELECT COUNT(*), SUM(Esistenza) FROM EsistenzeMagazzino",
                    "SELECT COUNT(*), SUM(TotDocumento) FROM BolleCliTeste"})
           + u' ' + benchdoc::Totali(db, QStringLiteral("BolleCliTot"));
}

void Registra(benchmark::State &state, Engine *e, Phase fase, double secondi, TXDatabase &db)
{
    state.SetIterationTime(secondi);
    e->tempi.Aggiungi(fase, secondi);
    e->impronta[fase] = Impronta(db);
    state.counters["righe/s"] = kRighe / secondi;
}

// One note saved through its window, from no document: the save's time (0 when not saved).
double SalvaNota(TXDatabase &db)
{
    Azzera(db);
    TFSVen0001f f;
    f.DoCreate();
    f.InitForm(0, 0, 0);
    TDataSet *t = f.TTesta;
    t->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("DDT"));
    t->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(kData);
    t->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C1"));
    t->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("EUR"));
    for (int i = 0; i < kRighe; ++i) {
        f.TRighe->Append();
        f.TRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(Articolo(i));
        f.TRighe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(Quantita(i));
        f.TRighe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(Prezzo(i));
        f.TRighe->Post();
    }
    const auto t0 = std::chrono::steady_clock::now();
    f.SalvaDocumento();
    const double secondi = benchruns::Seconds(t0);
    return f.SalvataggioRiuscito ? secondi : 0;
}

// Each round opens its connection: a first untimed save reads what the program reads once per
// connection (the tables' columns, the lookups, the statements), then the save measured.
void BenchFinestra(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    TXDatabase &db = globale.Db();
    if (SalvaNota(db) == 0) {
        state.SkipWithError("documento non salvato");
        return;
    }
    for (auto _ : state) {
        const double secondi = SalvaNota(db);
        if (secondi == 0)
            state.SkipWithError("documento non salvato");
        Registra(state, e, Finestra, secondi, db);
    }
}

// The same note as one multi-row INSERT and set-based statements, from no document: their time.
double SqlNota(TXDatabase &db, benchmark::State &state)
{
    Azzera(db);
    const auto t0 = std::chrono::steady_clock::now();
    TXTransaction transazione(db);
    const qint64 k = db.NewKey(QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT"));
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                              "IdClienteTp, IdCliente, IdDivisa, Cambio, ProtMagazzino) "
                              "VALUES (?, 'DDT', 2024, 0, 1, ?, 'CL', 'C1', 'EUR', 1, ?)"),
               {k, kData, k});
    // the rows in one multi-row INSERT with the values in the text (binding thousands of
    // values costs more than the statement itself); the values are the benchmark's own
    // numbers and article codes
    QStringList valori;
    const qint64 base =
        db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KBolleCliR), 0) FROM BolleCliRighe")).toLongLong();
    for (int i = 0; i < kRighe; ++i) {
        const QString importo = QString::number(Funzioni::KRound(Quantita(i) * Prezzo(i), 2), 'f', 2);
        valori << QStringLiteral("(%1, %2, %3, 0, '%4', 'BT', 1, %5, %6, %7, %7, %7, %7, %7, %7, '22')")
                      .arg(base + i + 1)
                      .arg(k)
                      .arg((i + 1) * 1024)
                      .arg(Articolo(i), QString::number(Quantita(i), 'f', 3), QString::number(Prezzo(i), 'f', 4),
                           importo);
    }
    QSqlQuery righe(db.Connection());
    righe.prepare(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, "
                                 "IdUM, IdMagazzino, Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, "
                                 "ControvaloreL, ControvaloreN, ControvaloreNN, IdIva) VALUES ")
                  + valori.join(QLatin1Char(',')));
    if (!righe.exec())
        state.SkipWithError("righe non inserite");
    db.ExecSQL(QStringLiteral("INSERT INTO MovMagazzino (KMovMag, FlTipoDocum, KRigoDoc, SubNumOrdine, Esercizio, "
                              "Protocollo, NumOrdine, DataMovimento, DataDocumento, IdContoTp, IdConto, IdCausale, "
                              "IdMagazzino1, IdMagazzino2, IdProdotto, Quantita, Valore, Prezzo, IdDivisa, Cambio) "
                              "SELECT R.KBolleCliR, 0, R.KBolleCliR, 0, 2024, T.ProtMagazzino, R.NumOrdine, "
                              "T.DataDocumento, T.DataDocumento, T.IdClienteTp, T.IdCliente, 'VEN', R.IdMagazzino, "
                              "R.IdMagazzino, R.IdProdotto, R.Quantita, R.ControvaloreNN, R.Prezzo, T.IdDivisa, "
                              "T.Cambio FROM BolleCliRighe R JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT "
                              "WHERE R.KBolleCliT = ?"),
               {k});
    db.ExecSQL(QStringLiteral("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaSca, "
                              "Esistenza, ValoreSca) SELECT 2024, M.IdMagazzino1, M.IdProdotto, SUM(M.Quantita), "
                              "-SUM(M.Quantita), SUM(M.Valore) FROM MovMagazzino M WHERE M.KRigoDoc > ? "
                              "GROUP BY M.IdMagazzino1, M.IdProdotto"),
               {base});
    benchdoc::TotaliSql(db, QStringLiteral("BolleCliTot"), QStringLiteral("KBolleCliT"),
                        QStringLiteral("BolleCliRighe"), QStringLiteral("BolleCliTeste"),
                        QStringLiteral("KBolleCliT = %1").arg(k), false);
    db.ExecSQL(QStringLiteral("UPDATE BolleCliTeste SET TotDocumento = (SELECT Importo1 FROM BolleCliTot WHERE "
                              "KBolleCliT = ? AND TipoRecord = 'TOT') WHERE KBolleCliT = ?"),
               {k, k});
    transazione.Commit();
    return benchruns::Seconds(t0);
}

void BenchSql(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    TXDatabase &db = globale.Db();
    SqlNota(db, state); // as the window's, after a first untimed run
    for (auto _ : state)
        Registra(state, e, Sql, SqlNota(db, state), db);
}

void Prepara()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char nome[] = "bench_business";
        static char *argv[] = {nome, nullptr};
        new QApplication(argc, argv);
    }
    Kmessages::SetMessageService(&risposte);
    CFG.IdDivisa = QStringLiteral("EUR");
    CFG.DecQuantita = 3;
    CFG.DecValoreIT = 2;
    CFG.DecPrezzoIT = 4;
    gUtente.IdUtente = QStringLiteral("BENCH");
    motori.Crea(QStringLiteral("documenti.db"), QStringLiteral("kv8benchdocumenti"), [](Engine &e) {
        Globale globale(&e);
        Semina(globale.Db());
    });
    motori.Registra("ddt500", 5, 3, [](const std::string &prefix, Engine *e) {
        benchruns::RegisterOneShot(prefix + "SalvaDocumento", BenchFinestra, e);
        benchruns::RegisterOneShot(prefix + "sql", BenchSql, e);
    });
}

void Riporta()
{
    std::printf("\nSalvaDocumento of a delivery note / multi-row INSERT and set-based movements, stock and totals "
                "(median of interleaved rounds, %d rows over %d articles; target within 5x and under a second)\n",
                kRighe, kArticoli);
    for (auto &e : motori)
        benchruns::StampaRapporto(*e, Finestra, Sql, "   ROWS, MOVEMENTS, STOCK OR TOTALS DIFFER between the two runs");
}

void Chiudi()
{
    Kmessages::SetMessageService(nullptr);
    motori.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
