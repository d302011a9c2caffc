// Cost of the module's totals engine and movement generator against plain SQL: a customer
// delivery note of 500 rows over 5 VAT codes, 20 revenue accounts and two agents, saved new,
// modified (every quantity up by one) and deleted in one transaction, once through
// GeneraMovimentoMagazzino row by row and TOTDOCS_Calcola (the module's classes, created
// through the host's registries), and once as set-based SQL: INSERT ... SELECT of the
// movements with one aggregated stock statement and the reverse, the totals rows inserted
// from GROUP BY VAT code, account and agent. On SQLite and (with KV8_TEST_PG) PostgreSQL.
// Prints the median of the per-round ratios of the whole, of the movements and of the totals,
// and of each step (interleaved rounds; target within 5x), and checks that both runs leave the
// same movements, stock and totals rows after each step. A step is timed on the engines' own
// work: the head and rows the generator is given (which a window holds) are read before. The
// rows a step keeps for the commit are written within its time (a statement naming their
// tables, timed with the movements). Each round measures a run on a connection that has
// already run the same work once, as a program's connection has.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "frame/Dmilumo.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibcge.h"
#include "host/business/Dmibmag.h"
#include "host/business/Dmibpra.h"
#include "host/business/Dmicalcolototalidocs.h"
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/ModuleData.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ModuleAbi.h"

#include <benchmark/benchmark.h>

#include <QSqlRecord>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRighe = 500;
constexpr int kArticoli = 100;
constexpr int kConti = 20;
const QDateTime kData(QDate(2024, 3, 15), QTime(0, 0));
const char *const kIva[] = {"22", "10", "4", "5", "0"};
const double kAliquote[] = {22, 10, 4, 5, 0};

enum Phase { FaseMotori, FaseSql, PhaseCount };
enum Passo { Nuovo, Modificato, Cancellato, PassoCount };
enum Parte { Movimenti, Totali, ParteCount };

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    // every round: whole, each step (at fase * PassoCount + passo), movements and totals (at
    // fase * ParteCount + parte), the rows each step kept, written within it
    benchruns::Tempi<PhaseCount> tempi;
    benchruns::Tempi<int(PhaseCount) * int(PassoCount)> passi;
    benchruns::Tempi<int(PhaseCount) * int(ParteCount)> parti;
    benchruns::Tempi<int(PhaseCount) * int(PassoCount)> scritture;
    QString impronta[PhaseCount][PassoCount]; // what each step leaves
};

benchruns::Motori<Engine> motori;

void Moduli()
{
    delete DMIBMag.data();
    delete DMIBbas.data();
    delete DMIBCge.data();
    delete DMIBPra.data();
    delete DMILUMO.data();
    delete DMIBase.data();
}

class Globale : public benchdoc::Globale {
public:
    explicit Globale(Engine *e) : benchdoc::Globale(e->url, Moduli) {}
};

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    TXTransaction transazione(db);
    const char *const righe[] = {
        "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
        "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita) VALUES (0, 'Merce', 0, 1)",
        "INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (1, 'Sede')",
        "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('VEN', 'Vendita', -1)",
        "INSERT INTO Pagamenti (IdPagamento, DsPagamento, IdTipoMovimento, NumeroRate) VALUES ('RD', 'Rimessa', 'RD', "
        "1)",
        "INSERT INTO PagamentiD (IdPagamento, NumRata, Decorrenza, IdTipoMovimento, Percentuale) VALUES "
        "('RD', 1, 0, 'RD', 100)",
        "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, IdPagamento) VALUES ('CL', 'C1', 'Cliente', 'RD')",
        "INSERT INTO Agenti (IdAgente, RagioneSociale, FlBaseProvv) VALUES ('AG1', 'Primo', 0), ('AG2', 'Secondo', 0)"};
    for (const char *sql : righe)
        db.ExecSQL(QLatin1String(sql));
    for (int i = 0; i < 5; ++i)
        db.ExecSQL(QStringLiteral("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES (?, ?, ?)"),
                   {QLatin1String(kIva[i]), QLatin1String(kIva[i]), kAliquote[i]});
    db.ExecSQL(QStringLiteral("INSERT INTO EserciziMagazzino (Esercizio, DataInizio, DataFine) VALUES (2024, ?, ?)"),
               {QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QDateTime(QDate(2024, 12, 31), QTime(0, 0))});
    for (int i = 0; i < kArticoli; ++i)
        db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1) VALUES (?, ?, 'BT')"),
                   {benchdoc::Articolo(i, kArticoli), QStringLiteral("Articolo %1").arg(i)});
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                              "IdClienteTp, IdCliente, IdDivisa, Cambio, ProtMagazzino, IdPagamento, DataPagamento) "
                              "VALUES (1, 'DDT', 2024, 1, 12, ?, 'CL', 'C1', 'EUR', 1, 7, 'RD', ?)"),
               {kData, kData});
    for (int i = 0; i < kRighe; ++i) {
        const auto [quantita, prezzo, importo] = benchdoc::Riga(i);
        db.ExecSQL(
            QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, "
                           "IdUM, IdMagazzino, Quantita, Quantita2, Prezzo, ImportoNetto, ImportoNN, ControvaloreNN, "
                           "IdIva, IdConto, IdAgente1, Provvigione1, IdAgente2, Provvigione2, UT_LMQ_NumDoco, "
                           "UT_LMQ_FlTipoPrz, UT_LMQ_PrezzoTra) "
                           "VALUES (?, 1, ?, 0, ?, 'BT', 1, ?, ?, ?, ?, ?, ?, ?, ?, 'AG1', 5, 'AG2', 2.5, ?, ?, ?)"),
            {i + 1, i + 1, benchdoc::Articolo(i, kArticoli), quantita, i % 2 ? 0.0 : 6.0, prezzo, importo, importo,
             importo, QLatin1String(kIva[i % 5]), QStringLiteral("R%1").arg(i % kConti, 2, 10, QLatin1Char('0')),
             QStringLiteral("D%1").arg(i % 9), i % 3, 0.05 * (i % 4)});
    }
    transazione.Commit();
}

// Every quantity of the note up by one (modified) or back (restored), amounts with it.
void CambiaQuantita(TXDatabase &db, int delta)
{
    db.ExecSQL(
        QStringLiteral("UPDATE BolleCliRighe SET Quantita = Quantita + ?, "
                       "ImportoNetto = ROUND(CAST((Quantita + ?) * Prezzo AS NUMERIC), 2), "
                       "ImportoNN = ROUND(CAST((Quantita + ?) * Prezzo AS NUMERIC), 2), "
                       "ControvaloreNN = ROUND(CAST((Quantita + ?) * Prezzo AS NUMERIC), 2) WHERE KBolleCliT = 1"),
        {delta, delta, delta, delta});
}

// Both runs start from no movements, no stock and no totals rows.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral("DELETE FROM MovMagazzino"));
    db.ExecSQL(QStringLiteral("DELETE FROM EsistenzeMagazzino"));
    db.ExecSQL(QStringLiteral("DELETE FROM BolleCliTot"));
    transazione.Commit();
}

// Movements, stock and totals rows as they stand.
QString Impronta(TXDatabase &db)
{
    QStringList parti;
    QSqlQuery m = db.OpenQuery(QStringLiteral(
        "SELECT COUNT(*), SUM(Quantita), SUM(Valore), SUM(PrezzoMov), SUM(UT_LMQ_NumConf), SUM(UT_LMQ_QtaImballo), "
        "SUM(UT_LMQ_FlTipoPrz), SUM(UT_LMQ_PrezzoTra) FROM MovMagazzino"));
    QSqlQuery s = db.OpenQuery(
        QStringLiteral("SELECT COUNT(*), SUM(QuantitaSca), SUM(Esistenza), SUM(ValoreSca) FROM EsistenzeMagazzino"));
    for (QSqlQuery *q : {&m, &s})
        if (q->next())
            for (int i = 0; i < q->record().count(); ++i)
                parti << QString::number(q->value(i).toDouble(), 'f', 4);
    parti << benchdoc::Totali(db, QStringLiteral("BolleCliTot"));
    return parti.join(QLatin1Char(' '));
}

using Clock = std::chrono::steady_clock;

// The module's classes: every row through the generator, then the totals, for a row state;
// the time of each part added to tempi.
bool Motori(TXDatabase &db, int stato, double *tempi)
{
    TXClientTable testa, tot;
    testa.SetTableName(QStringLiteral("BolleCliTeste"));
    testa.SetXWhereVuoto(QStringLiteral("KBolleCliT = -1"));
    tot.SetTableName(QStringLiteral("BolleCliTot"));
    tot.SetXWhereVuoto(QStringLiteral("KBolleCliT = -1"));
    TXQuery righe;
    righe.SQL << QStringLiteral("SELECT * FROM BolleCliRighe WHERE KBolleCliT = :KBolleCliT ORDER BY NumOrdine");
    righe.ParamByName(QStringLiteral("KBolleCliT"))->SetAsInteger(1);
    testa.Open();
    testa.Locate(QStringLiteral("KBolleCliT"), 1);
    righe.Open();
    auto t0 = Clock::now();
    TDMIBMag *mag = TDMIBMag::Crea();
    for (righe.First(); !righe.Eof(); righe.Next())
        if (!mag->GeneraMovimentoMagazzino(stato, 0, QStringLiteral("VEN"), QString(), false, &testa, &righe, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr))
            return false;
    tempi[Movimenti] += benchruns::Seconds(t0);
    t0 = Clock::now();
    if (stato == 3) {
        db.ExecSQL(QStringLiteral("DELETE FROM BolleCliTot WHERE KBolleCliT = 1"));
        tempi[Totali] += benchruns::Seconds(t0);
        return true;
    }
    testa.Edit();
    TXParam_TotaliDocs p;
    p.CodTipoDoc = 0;
    p.Testa = &testa;
    p.Righe = &righe;
    p.TabTotali = &tot;
    if (!Calcolototalidocs::TOTDOCS_Calcola(p, false))
        return false;
    testa.Post();
    tempi[Totali] += benchruns::Seconds(t0);
    return true;
}

// The same steps as set-based statements.
void MovimentiSql(TXDatabase &db)
{
    const qint64 base =
        db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KMovMag), 0) FROM MovMagazzino")).toLongLong();
    db.ExecSQL(
        QStringLiteral(
            "INSERT INTO MovMagazzino (KMovMag, FlTipoDocum, KRigoDoc, SubNumOrdine, Esercizio, Protocollo, "
            "NumOrdine, DataMovimento, DataCompetenza, AnnoCompetenza, MeseCompetenza, DataDocumento, "
            "IdContoTp, IdConto, RifDocumento, IdCausale, IdMagazzino1, IdMagazzino2, IdProdotto, "
            "FattConvProd, Quantita, Quantita2, PrezzoMov, Valore, Prezzo, Sconto1, Sconto2, Sconto3, "
            "Sconto4, Sconto5, IdDivisa, Cambio, DataCambio, IdUmDoc, QuantitaDoc, IdOperatore, "
            "UT_LMQ_QtaImballo, UT_LMQ_NumConf, UT_LMQ_NumDoco, UT_LMQ_DataDoco, UT_LMQ_FlTipoPrz, UT_LMQ_PrezzoTra) "
            "SELECT ? + R.KBolleCliR, 0, R.KBolleCliR, 0, 2024, T.ProtMagazzino, R.NumOrdine, "
            "T.DataDocumento, T.DataDocumento, 2024, 3, T.DataDocumento, T.IdClienteTp, T.IdCliente, "
            "'DDT-000012/2024', 'VEN', R.IdMagazzino, R.IdMagazzino, R.IdProdotto, R.FattConvProd, "
            "R.Quantita, R.Quantita2, "
            "CASE WHEN R.Quantita = 0 THEN R.Prezzo ELSE ROUND(CAST(R.ControvaloreNN / R.Quantita AS NUMERIC), 4) END, "
            "R.ControvaloreNN, R.Prezzo, R.Sconto1, R.Sconto2, R.Sconto3, R.Sconto4, R.Sconto5, "
            "T.IdDivisa, T.Cambio, T.DataCambio, R.IdUM, R.Quantita, ?, "
            "CASE WHEN R.Quantita2 = 0 THEN 1 ELSE R.Quantita2 END, "
            "CASE WHEN R.Lunghezza = 0 THEN R.Quantita ELSE R.Lunghezza END, "
            "R.UT_LMQ_NumDoco, R.UT_LMQ_DataDoco, R.UT_LMQ_FlTipoPrz, R.UT_LMQ_PrezzoTra "
            "FROM BolleCliRighe R JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT "
            "WHERE R.KBolleCliT = 1"),
        {base, gUtente.IdUtente});
}

// The document's movements on the stock, once per article: segno 1 books them, -1 takes them back.
void EsistenzeSql(TXDatabase &db, int segno)
{
    if (segno > 0)
        db.ExecSQL(
            QStringLiteral("INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto, QuantitaSca, "
                           "Esistenza, ValoreSca) "
                           "SELECT M.Esercizio, M.IdMagazzino1, M.IdProdotto, SUM(M.Quantita), -SUM(M.Quantita), "
                           "SUM(M.Valore) FROM MovMagazzino M WHERE M.FlTipoDocum = 0 AND M.Protocollo = 7 "
                           "GROUP BY M.Esercizio, M.IdMagazzino1, M.IdProdotto "
                           "ON CONFLICT (Esercizio, IdMagazzino, IdProdotto) DO UPDATE SET "
                           "QuantitaSca = EsistenzeMagazzino.QuantitaSca + excluded.QuantitaSca, "
                           "Esistenza = EsistenzeMagazzino.Esistenza + excluded.Esistenza, "
                           "ValoreSca = EsistenzeMagazzino.ValoreSca + excluded.ValoreSca"));
    else
        db.ExecSQL(QStringLiteral(
            "UPDATE EsistenzeMagazzino SET QuantitaSca = QuantitaSca - M.Q, Esistenza = Esistenza + M.Q, "
            "ValoreSca = ValoreSca - M.V FROM (SELECT Esercizio, IdMagazzino1, IdProdotto, "
            "SUM(Quantita) AS Q, SUM(Valore) AS V FROM MovMagazzino WHERE FlTipoDocum = 0 AND "
            "Protocollo = 7 GROUP BY Esercizio, IdMagazzino1, IdProdotto) M "
            "WHERE EsistenzeMagazzino.Esercizio = M.Esercizio AND "
            "EsistenzeMagazzino.IdMagazzino = M.IdMagazzino1 AND "
            "EsistenzeMagazzino.IdProdotto = M.IdProdotto"));
}

// The totals rows from the rows grouped by VAT code, account and agent.
void TotaliSql(TXDatabase &db)
{
    db.ExecSQL(QStringLiteral("DELETE FROM BolleCliTot WHERE KBolleCliT = 1"));
    const QString iva =
        QStringLiteral("SELECT R.IdIva, SUM(R.ImportoNetto) AS Imponibile, "
                       "ROUND(CAST(SUM(R.ImportoNetto) * C.Aliquota / 100 AS NUMERIC), 2) AS Imposta, C.Aliquota "
                       "FROM BolleCliRighe R JOIN CodiciIva C ON C.IdIva = R.IdIva WHERE R.KBolleCliT = 1 GROUP BY "
                       "R.IdIva, C.Aliquota");
    db.ExecSQL(
        QStringLiteral("INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice, Importo1, Importo2, "
                       "Importo3, Importo4, Percentuale) SELECT 1, 'IVA', ROW_NUMBER() OVER (ORDER BY IdIva), IdIva, "
                       "Imponibile, Imposta, Imponibile, Imposta, Aliquota FROM (")
        + iva + QStringLiteral(") V"));
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice, Importo1) "
                              "SELECT 1, 'CON', ROW_NUMBER() OVER (ORDER BY IdConto), IdConto, SUM(ImportoNetto) "
                              "FROM BolleCliRighe WHERE KBolleCliT = 1 GROUP BY IdConto"));
    db.ExecSQL(QStringLiteral(
        "INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice, Importo1, Importo2, Percentuale) "
        "SELECT 1, 'PRV', ROW_NUMBER() OVER (ORDER BY Agente), Agente, Base, "
        "ROUND(CAST(Base * Perc / 100 AS NUMERIC), 2), Perc FROM ("
        "SELECT Agente, Perc, ROUND(CAST(SUM(Base) AS NUMERIC), 2) AS Base FROM ("
        "SELECT IdAgente1 AS Agente, Provvigione1 AS Perc, ImportoNN AS Base FROM BolleCliRighe WHERE KBolleCliT = 1 "
        "UNION ALL SELECT IdAgente2, Provvigione2, ImportoNN FROM BolleCliRighe WHERE KBolleCliT = 1) A "
        "GROUP BY Agente, Perc) G"));
    db.ExecSQL(
        QStringLiteral("INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice, Importo1, Importo2, "
                       "Importo3, Importo4) SELECT 1, 'MER', 1, '', SUM(Importo1), SUM(Importo1), 0, SUM(Importo1) "
                       "FROM BolleCliTot WHERE KBolleCliT = 1 AND TipoRecord = 'IVA'"));
    db.ExecSQL(
        QStringLiteral("INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice, Importo1, Importo2, "
                       "Importo3, Importo4) SELECT 1, 'TOT', 1, '', SUM(Importo1 + Importo2), SUM(Importo1), "
                       "SUM(Importo2), SUM(Importo1 + Importo2) FROM BolleCliTot WHERE KBolleCliT = 1 AND "
                       "TipoRecord = 'IVA'"));
    db.ExecSQL(
        QStringLiteral("INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice, DataInizio, Importo1, "
                       "Importo2) SELECT 1, 'SCA', 1, 'RD', ?, Importo1, Importo1 FROM BolleCliTot "
                       "WHERE KBolleCliT = 1 AND TipoRecord = 'TOT'"),
        {kData});
}

bool Sql(TXDatabase &db, int stato, double *tempi)
{
    auto t0 = Clock::now();
    if (stato != 2)
        EsistenzeSql(db, -1);
    if (stato == 3) {
        db.ExecSQL(QStringLiteral("DELETE FROM MovMagazzino WHERE FlTipoDocum = 0 AND KRigoDoc IN "
                                  "(SELECT KBolleCliR FROM BolleCliRighe WHERE KBolleCliT = 1)"));
        tempi[Movimenti] += benchruns::Seconds(t0);
        t0 = Clock::now();
        db.ExecSQL(QStringLiteral("DELETE FROM BolleCliTot WHERE KBolleCliT = 1"));
        tempi[Totali] += benchruns::Seconds(t0);
        return true;
    }
    if (stato == 2)
        MovimentiSql(db);
    else
        db.ExecSQL(
            QStringLiteral("UPDATE MovMagazzino SET Quantita = R.Quantita, QuantitaDoc = R.Quantita, "
                           "Valore = R.ControvaloreNN, UT_LMQ_NumConf = CASE WHEN R.Lunghezza = 0 THEN R.Quantita "
                           "ELSE R.Lunghezza END, PrezzoMov = CASE WHEN R.Quantita = 0 THEN R.Prezzo ELSE "
                           "ROUND(CAST(R.ControvaloreNN / R.Quantita AS NUMERIC), 4) END FROM BolleCliRighe R "
                           "WHERE R.KBolleCliT = 1 AND MovMagazzino.FlTipoDocum = 0 AND "
                           "MovMagazzino.KRigoDoc = R.KBolleCliR AND MovMagazzino.SubNumOrdine = 0"));
    EsistenzeSql(db, 1);
    tempi[Movimenti] += benchruns::Seconds(t0);
    t0 = Clock::now();
    TotaliSql(db);
    tempi[Totali] += benchruns::Seconds(t0);
    return true;
}

// One round: the note new, modified and deleted in one transaction; false when a step failed.
bool Giro(TXDatabase &db, Engine *e, Phase fase, double &secondi, double *passi, double *parti, double *scritture)
{
    Azzera(db);
    TXTransaction transazione(db);
    const int stati[PassoCount] = {2, 1, 3};
    for (int passo = Nuovo; passo < PassoCount; ++passo) {
        if (passo == Modificato)
            CambiaQuantita(db, 1);
        // the step's own work: its parts (the head and rows the generator is given, which a
        // window holds, are read before)
        const double prima = parti[Movimenti] + parti[Totali];
        const bool riuscito = fase == FaseMotori ? Motori(db, stati[passo], parti) : Sql(db, stati[passo], parti);
        if (!riuscito)
            return false;
        // the movement and stock rows the step kept for the commit, written as the next
        // statement naming their tables writes them: part of the step's work
        const auto t1 = Clock::now();
        db.OpenQuery(QStringLiteral("SELECT 1 FROM MovMagazzino, EsistenzeMagazzino WHERE 1 = 0"));
        scritture[passo] = benchruns::Seconds(t1);
        parti[Movimenti] += scritture[passo];
        passi[passo] = parti[Movimenti] + parti[Totali] - prima;
        secondi += passi[passo];
        e->impronta[fase][passo] = Impronta(db);
    }
    CambiaQuantita(db, -1);
    const auto t0 = Clock::now();
    transazione.Commit();
    secondi += benchruns::Seconds(t0);
    return true;
}

// Each round opens its connection: a first untimed round reads what the program reads once per
// connection (the tables' columns, the lookups, the statements), then the round measured.
void Esegui(benchmark::State &state, Engine *e, Phase fase)
{
    Globale globale(e);
    TXDatabase &db = globale.Db();
    Initialize();
    KV8Config::Set(QStringLiteral("FBPRA01"), QStringLiteral("FlProvvigioni"), 1);
    double secondi = 0;
    double passi[PassoCount] = {0, 0, 0};
    double parti[ParteCount] = {0, 0};
    double scritture[PassoCount] = {0, 0, 0};
    if (!Giro(db, e, fase, secondi, passi, parti, scritture)) {
        state.SkipWithError("documento non registrato");
        return;
    }
    for (auto _ : state) {
        secondi = 0;
        std::fill(std::begin(passi), std::end(passi), 0.0);
        std::fill(std::begin(parti), std::end(parti), 0.0);
        if (!Giro(db, e, fase, secondi, passi, parti, scritture)) {
            state.SkipWithError("documento non registrato");
            return;
        }
        state.SetIterationTime(secondi);
        e->tempi.Aggiungi(fase, secondi);
        for (int passo = Nuovo; passo < PassoCount; ++passo) {
            e->passi.Aggiungi(int(fase) * int(PassoCount) + passo, passi[passo]);
            e->scritture.Aggiungi(int(fase) * int(PassoCount) + passo, scritture[passo]);
        }
        for (int parte = Movimenti; parte < ParteCount; ++parte)
            e->parti.Aggiungi(int(fase) * int(ParteCount) + parte, parti[parte]);
        state.counters["righe/s"] = 3 * kRighe / secondi;
    }
}

void BenchMotori(benchmark::State &state, Engine *e)
{
    Esegui(state, e, FaseMotori);
}

void BenchSql(benchmark::State &state, Engine *e)
{
    Esegui(state, e, FaseSql);
}

void Prepara()
{
    ModuleData::Use(&ModuleFiles); // the module's columns, as the program takes them from the library
    CFG.IdDivisa = QStringLiteral("EUR");
    gUtente.IdUtente = QStringLiteral("BENCH");
    motori.Crea(QStringLiteral("motori.db"), QStringLiteral("kv8benchmotori"), [](Engine &e) {
        Globale globale(&e);
        Semina(globale.Db());
    });
    motori.Registra("documento500", 5, 3, [](const std::string &prefix, Engine *e) {
        benchruns::RegisterOneShot(prefix + "movimenti+totali", BenchMotori, e);
        benchruns::RegisterOneShot(prefix + "sql", BenchSql, e);
    });
}

// One line: the median of the per-round ratios of the module's run to the set-based one.
template <int N> void Linea(const char *nome, const benchruns::Tempi<N> &t, int motori, int sql)
{
    std::printf("    %-9s %.2fx (%.3f ms / %.3f ms)\n", nome, t.Rapporto(motori, sql), t.Mediana(motori) * 1000,
                t.Mediana(sql) * 1000);
}

void Riporta()
{
    std::printf("\nGeneraMovimentoMagazzino + TOTDOCS_Calcola (module) / set-based SQL: %d rows new, modified and "
                "deleted in one transaction, the rows kept for the commit written within each step (median of the "
                "per-round ratios of interleaved rounds, medians of the times; target within 5x)\n",
                kRighe);
    const char *const passi[] = {"new", "modified", "deleted"};
    for (auto &e : motori) {
        if (!e->tempi.Misurati(FaseMotori, FaseSql))
            continue; // filtered out
        std::printf("  %-8s %.2fx (median of %zu interleaved rounds: %.3f ms / %.3f ms)\n", e->label,
                    e->tempi.Rapporto(FaseMotori, FaseSql), e->tempi.Giri(FaseMotori, FaseSql),
                    e->tempi.Mediana(FaseMotori) * 1000, e->tempi.Mediana(FaseSql) * 1000);
        const char *const parti[] = {"movements", "totals"};
        for (int parte = Movimenti; parte < ParteCount; ++parte)
            Linea(parti[parte], e->parti, int(FaseMotori) * int(ParteCount) + parte,
                  int(FaseSql) * int(ParteCount) + parte);
        for (int passo = Nuovo; passo < PassoCount; ++passo)
            Linea(passi[passo], e->passi, int(FaseMotori) * int(PassoCount) + passo,
                  int(FaseSql) * int(PassoCount) + passo);
        for (int passo = Nuovo; passo < PassoCount; ++passo)
            std::printf("    %-9s of which the rows kept, written: %.3f ms / %.3f ms\n", passi[passo],
                        e->scritture.Mediana(int(FaseMotori) * int(PassoCount) + passo) * 1000,
                        e->scritture.Mediana(int(FaseSql) * int(PassoCount) + passo) * 1000);
        for (int passo = Nuovo; passo < PassoCount; ++passo)
            if (e->impronta[FaseMotori][passo] != e->impronta[FaseSql][passo])
                std::printf("    ROWS DIFFER after the %s document:\n    %s\n    %s\n", passi[passo],
                            qPrintable(e->impronta[FaseMotori][passo]), qPrintable(e->impronta[FaseSql][passo]));
    }
}

void Chiudi()
{
    motori.Chiudi();
    KV8Config::Clear();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
