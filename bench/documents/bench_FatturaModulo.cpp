// Cost of the module's invoice save against plain SQL: a new invoice of 500 rows over 100
// articles (five packaging codes, three VAT codes) saved through the module's window (head,
// rows with litres, warehouse movements, deposit summary and cards, totals, in one
// transaction), and once as set-based SQL: the rows in one multi-row INSERT, the movements and
// the summary by INSERT ... SELECT, stock and the cards (general and invoiced) by UPDATE ...
// FROM, the totals grouped by VAT code; on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints
// both median times and the median of the per-round ratios (interleaved rounds; target within
// 5x) and checks that both leave the same rows, movements, stock, summary, cards and totals
// rows. KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds. With
// KV8_BENCH_ORDINI=1 every row fulfils a line of a 500-line customer order (the set-based side
// updating the lines by one UPDATE ... FROM), and the lines' shipped quantities, packages and
// states are checked equal too.
#include "bench/documents/BenchBolle.h"
#include "bench/documents/BenchModulo.h"
#include "bench/support/BenchParti.h"
#include "documents/Sven0008f_p.h"
#include "host/core/Funzioni.h"
#include "host/ui/Kmessages.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSqlQuery>

namespace {

using namespace benchmodulo;

using Motore = Engine<1>;
Motori<1> motori;

// The invoice's tables, keys, movement and summary types as the set-based statements name them.
const Bolla kFattura{"FattureCliTeste",
                     "FattureCliRighe",
                     "FattureCliTot",
                     "KFattCliT",
                     "KFattCliR",
                     "LUMO_CauzDocFatt",
                     1,
                     2,
                     "Cliente",
                     "CL",
                     "C1",
                     "VEN",
                     true,
                     ""};

// Every question answered No (no print, no recalculation asked on a new invoice).
class Risposte : public TMessageService {
public:
    int Show(const TKMessage &message) override { return message.IsQuestion() ? mrNo : mrOk; }
};
Risposte risposte;

// Rows linked to order lines: line i + 1 orders twice what row i ships.
const bool kOrdini = qEnvironmentVariableIntValue("KV8_BENCH_ORDINI") != 0;

void Semina(TXDatabase &db)
{
    benchmodulo::Semina(
        db,
        {"INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('VEN', 'Vendita', -1)",
         "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
         "IdCausaleMaga, "
         "UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF) VALUES ('FV', 'Fattura', 0, 0, 1, 'VEN', 1, 1, 1)",
         "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_IdListCau) "
         "VALUES ('CL', 'C1', 'Cliente', 1, 'L1')",
         "INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, NUltFTRegistroV, NumUltFatturaC) VALUES (2026, 0, 0, 0, "
         "0)"},
        true);
    if (!kOrdini)
        return;
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral(
                   "INSERT INTO OrdiniCliTeste (KOrdiniCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                   "IdClienteTp, IdCliente, IdDivisa, Cambio) VALUES (1, 'OC', 2026, 0, 1, ?, 'CL', 'C1', 'EUR', 1)"),
               {kData});
    QStringList righe;
    for (int i = 0; i < kRighe; ++i)
        righe << QStringLiteral("(%1, 1, %2, 0, '%3', 'BT', 1, %4, 0, 0, 0)")
                     .arg(i + 1)
                     .arg((i + 1) * 1024)
                     .arg(Articolo(i))
                     .arg(Colli(i) * 6 * 2);
    db.ExecSQL(
        QStringLiteral("INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, TipoRigo, IdProdotto, IdUM, "
                       "IdMagazzino, QuantitaOrd, QuantitaSpe, FlStato, UT_QtaConfSpe) VALUES ")
        + righe.join(QLatin1Char(',')));
    transazione.Commit();
}

// Both runs start from no document, movement, summary or card.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    for (const char *tabella :
         {"FattureCliTeste", "FattureCliRighe", "FattureCliTot", "MovMagazzino", "EsistenzeMagazzino",
          "LUMO_CauzDocFatt", "LUMO_ProgCauz", "LUMO_MovCauT", "LUMO_MovCauR"})
        db.ExecSQL(QStringLiteral("DELETE FROM ") + QLatin1String(tabella));
    db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 0, NUltFTRegistroV = 0"));
    if (kOrdini)
        db.ExecSQL(QStringLiteral("UPDATE OrdiniCliRighe SET QuantitaSpe = 0, UT_QtaConfSpe = 0, FlStato = 0, "
                                  "ImportoSpedito = 0, ImportoSpeditoL = 0, ControvSpedito = 0, ControvSpeditoL = 0"));
    transazione.Commit();
}

QString Impronta(TXDatabase &db)
{
    return benchruns::Impronta(
               db,
               {"SELECT COUNT(*), SUM(Numero), SUM(UT_LMQ_TotLit) FROM FattureCliTeste",
                "SELECT COUNT(*), SUM(Lunghezza), SUM(Quantita), SUM(ImportoNetto), SUM(UT_LMQ_TotLit) "
                "FROM FattureCliRighe",
                "SELECT COUNT(*), SUM(Quantita) FROM MovMagazzino",
                "SELECT COUNT(*), SUM(Esistenza), SUM(QuantitaSca) FROM EsistenzeMagazzino",
                "SELECT COUNT(*), SUM(QtaCar), SUM(ValoreCar) FROM LUMO_CauzDocFatt",
                "SELECT SUM(ProgQtaCar), SUM(ProgValCar) FROM LUMO_ProgCauz",
                kOrdini ? "SELECT SUM(QuantitaSpe), SUM(UT_QtaConfSpe), SUM(FlStato) FROM OrdiniCliRighe" : "SELECT 0"})
           + u' ' + benchdoc::Totali(db, QStringLiteral("FattureCliTot"));
}

void Registra(benchmark::State &state, Motore *e, Modo modo, double secondi, TXDatabase &db)
{
    state.SetIterationTime(secondi);
    e->Annota(modo, 0, secondi, Impronta(db));
    state.counters["righe/s"] = kRighe / secondi;
}

void BenchFinestra(benchmark::State &state, Motore *e)
{
    Globale globale(e->url);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        Azzera(db);
        TFSVen0008f_p f;
        f.DoCreate();
        f.InitForm(0, 0);
        TDataSet *t = f.TTesta;
        t->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FV"));
        t->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(kData);
        t->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C1"));
        t->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("EUR"));
        ScriviRighe(f, [&f] { f.edIdProdottoExit(nullptr); });
        if (kOrdini) {
            int linea = 0;
            for (f.TRighe->First(); !f.TRighe->Eof(); f.TRighe->Next()) {
                f.TRighe->Edit();
                f.TRighe->FieldByName(QStringLiteral("KOrdineR"))->SetAsInteger(++linea);
                f.TRighe->Post();
            }
        }
        // the window's pending repaints done, as the event loop does while the rows are typed
        QCoreApplication::processEvents();
        const double secondi = Salva(
            state, f, [&f] { f.SalvaDocumento(); }, "fattura non salvata");
        Registra(state, e, Finestra, secondi, db);
    }
}

void BenchSql(benchmark::State &state, Motore *e)
{
    Globale globale(e->url);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        Azzera(db);
        const auto t0 = std::chrono::steady_clock::now();
        {
            TXTransaction transazione(db);
            const qint64 k = db.NewKey(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
            db.ExecSQL(QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, "
                                      "DataDocumento, IdClienteTp, IdCliente, IdDivisa, Cambio) "
                                      "VALUES (?, 'FV', 2026, 0, 1, ?, 'CL', 'C1', 'EUR', 1)"),
                       {k, kData});
            db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 1 WHERE Anno = 2026 AND Serie = 0"));
            const qint64 base =
                db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KFattCliR), 0) FROM FattureCliRighe")).toLongLong();
            InserisciRighe(
                state, db,
                QStringLiteral("INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, TipoRigo, IdProdotto, "
                               "IdUM, IdMagazzino, Lunghezza, Quantita2, Quantita, Prezzo, ImportoLordo, "
                               "ImportoNetto, ImportoNN, ControValoreNN, IdIva, UT_LMQ_IdImballo1, "
                               "UT_LMQ_TotLit) VALUES "),
                base, k, 4, true);
            if (kOrdini) {
                db.ExecSQL(QStringLiteral("UPDATE FattureCliRighe SET KOrdineR = KFattCliR - ? WHERE KFattCliT = ?"),
                           {base, k});
                db.ExecSQL(
                    QStringLiteral("UPDATE OrdiniCliRighe SET QuantitaSpe = OrdiniCliRighe.QuantitaSpe + R.Quantita, "
                                   "UT_QtaConfSpe = OrdiniCliRighe.UT_QtaConfSpe + R.Lunghezza, FlStato = CASE WHEN "
                                   "OrdiniCliRighe.QuantitaOrd - OrdiniCliRighe.QuantitaSpe - R.Quantita > 0 THEN 1 "
                                   "ELSE 2 END FROM FattureCliRighe R WHERE R.KFattCliT = ? "
                                   "AND R.KOrdineR = OrdiniCliRighe.KOrdiniCliR"),
                    {k});
            }
            db.ExecSQL(QStringLiteral("UPDATE FattureCliTeste SET UT_LMQ_TotLit = (SELECT SUM(UT_LMQ_TotLit) FROM "
                                      "FattureCliRighe WHERE KFattCliT = ?) WHERE KFattCliT = ?"),
                       {k, k});
            db.ExecSQL(
                QStringLiteral("INSERT INTO MovMagazzino (KMovMag, FlTipoDocum, KRigoDoc, SubNumOrdine, Esercizio, "
                               "Protocollo, NumOrdine, DataMovimento, DataDocumento, IdContoTp, IdConto, IdCausale, "
                               "IdMagazzino1, IdMagazzino2, IdProdotto, Quantita, Valore, Prezzo, IdDivisa, Cambio) "
                               "SELECT R.KFattCliR, 1, R.KFattCliR, 0, 2026, 1, R.NumOrdine, T.DataDocumento, "
                               "T.DataDocumento, T.IdClienteTp, T.IdCliente, 'VEN', R.IdMagazzino, R.IdMagazzino, "
                               "R.IdProdotto, R.Quantita, R.ControValoreNN, R.Prezzo, T.IdDivisa, T.Cambio "
                               "FROM FattureCliRighe R JOIN FattureCliTeste T ON T.KFattCliT = R.KFattCliT "
                               "WHERE R.KFattCliT = ?"),
                {k});
            NuoveEsistenze(db, kFattura, k);
            db.ExecSQL(QStringLiteral(
                           "INSERT INTO LUMO_CauzDocFatt (KMovimento, FlTipoDocColl, KFattCliT, IdImballo, QtaCar, "
                           "Prezzo, ValoreCar) SELECT MIN(R.KFattCliR), 2, ?, R.UT_LMQ_IdImballo1, SUM(R.Lunghezza), "
                           "MIN(L.Prezzo), ROUND(CAST(SUM(R.Lunghezza) * MIN(L.Prezzo) AS NUMERIC), 2) "
                           "FROM FattureCliRighe R JOIN LUMO_LisCauzR L ON L.IdImballo = R.UT_LMQ_IdImballo1 "
                           "WHERE R.KFattCliT = ? GROUP BY R.UT_LMQ_IdImballo1"),
                       {k, k});
            db.ExecSQL(QStringLiteral(
                           "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                           "IdDivisa) SELECT 'CL', 'C1', 0, C.IdImballo, S.FlTipoScheda, 'EUR' FROM LUMO_CauzDocFatt C "
                           "CROSS JOIN (SELECT 0 AS FlTipoScheda UNION ALL SELECT 1) S "
                           "WHERE C.KFattCliT = ?"),
                       {k});
            db.ExecSQL(
                QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + S.QtaCar, "
                               "ProgValCar = ProgValCar + S.ValoreCar, ProgQtaCarF = ProgQtaCarF + S.QtaCar, "
                               "ProgValCarF = ProgValCarF + S.ValoreCar FROM (SELECT IdImballo, QtaCar, ValoreCar "
                               "FROM LUMO_CauzDocFatt WHERE KFattCliT = ?) S WHERE LUMO_ProgCauz.IdContoTp = 'CL' "
                               "AND LUMO_ProgCauz.IdConto = 'C1' AND LUMO_ProgCauz.IdImballo = S.IdImballo"),
                {k});
            db.ExecSQL(QStringLiteral("UPDATE FattureCliTeste SET SpeseImballo = (SELECT SUM(ValoreCar) FROM "
                                      "LUMO_CauzDocFatt WHERE KFattCliT = ?) WHERE KFattCliT = ?"),
                       {k, k});
            TotaliBolla(db, kFattura, k);
            transazione.Commit();
        }
        Registra(state, e, Sql, benchruns::Seconds(t0), db);
    }
}

void Prepara()
{
    Configura();
    Kmessages::SetMessageService(&risposte);
    PreparaMotori(motori, "fatture.db", "kv8benchfatturemodulo", "fattura500", Semina, BenchFinestra, BenchSql);
}

void Riporta()
{
    std::printf("\nSalvaDocumento of the module's invoice / multi-row INSERT and set-based movements, deposit summary, "
                "cards and totals (median of interleaved rounds, %d rows, 5 packaging codes, 3 VAT codes%s; target "
                "within 5x)\n",
                kRighe, kOrdini ? ", every row fulfilling an order line" : "");
    for (auto &e : motori)
        e->Stampa(0, nullptr, "   ROWS, MOVEMENTS, SUMMARY OR CARDS DIFFER between the two runs");
}

void Chiudi()
{
    Kmessages::SetMessageService(nullptr);
    motori.Chiudi();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
