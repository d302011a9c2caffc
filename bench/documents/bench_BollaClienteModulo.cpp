// Cost of the module's customer delivery-note save against plain SQL: a note of 500 rows over
// 100 articles (five packaging codes, bottles of 0.75 litres) saved new, then changed (every
// row one package more), then deleted, through the module's window (head and rows with litres,
// warehouse movements and stock, deposit summary and the customer's cards, deposit charge,
// totals, each step in one transaction), and the same three steps as set-based SQL: the rows
// in one multi-row INSERT or one UPDATE, the movements and the summary by INSERT ... SELECT,
// stock and cards by UPDATE ... FROM, the totals rows by INSERT ... SELECT; on SQLite and (with
// KV8_TEST_PG) on PostgreSQL. Prints both median times and the median of the per-round ratios
// per step (interleaved rounds; target within 5x) and checks that both leave the same rows,
// litres, movements, stock, summary, cards and totals rows after each step.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/documents/BenchBolle.h"
#include "bench/documents/BenchModulo.h"
#include "documents/Sven0001f_p.h"
#include "host/ui/Kmessages.h"

#include <benchmark/benchmark.h>

namespace {

using namespace benchmodulo;

// the note's tables and keys, movement and summary types, account, causal and head
const Bolla kBolla{"BolleCliTeste",
                   "BolleCliRighe",
                   "BolleCliTot",
                   "KBolleCliT",
                   "KBolleCliR",
                   "LUMO_CauzDocBoll",
                   0,
                   1,
                   "Cliente",
                   "CL",
                   "C1",
                   "VEN",
                   true,
                   "INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                   "IdClienteTp, IdCliente, IdDivisa, Cambio) VALUES (?, 'DV', 2026, 0, 1, ?, 'CL', 'C1', 'EUR', 1)"};

using Motore = Engine<PassoCount>;
Motori<PassoCount> motori;

void Semina(TXDatabase &db)
{
    benchmodulo::Semina(
        db,
        {"INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('VEN', 'Vendita', -1)",
         "INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, "
         "UT_LMQ_FlAggCauB) VALUES ('DV', 'DDT vendita', 0, 'VEN', 1, 1, 1)",
         "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_IdListCau) "
         "VALUES ('CL', 'C1', 'Cliente', 1, 'L1')"},
        true);
}

// Both runs start from no document, movement, stock, summary or card.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    for (const char *tabella : {"BolleCliTeste", "BolleCliRighe", "BolleCliTot", "MovMagazzino", "EsistenzeMagazzino",
                                "LUMO_CauzDocBoll", "LUMO_ProgCauz", "LUMO_MovCauT", "LUMO_MovCauR"})
        db.ExecSQL(QStringLiteral("DELETE FROM ") + QLatin1String(tabella));
    transazione.Commit();
}

QString Impronta(TXDatabase &db)
{
    return benchruns::Impronta(
               db, {"SELECT COUNT(*), SUM(Numero), SUM(SpeseImballo), SUM(UT_LMQ_TotLit) FROM BolleCliTeste",
                    "SELECT COUNT(*), SUM(Lunghezza), SUM(Quantita), SUM(ImportoNetto), SUM(UT_LMQ_TotLit) "
                    "FROM BolleCliRighe",
                    "SELECT COUNT(*), SUM(Quantita) FROM MovMagazzino",
                    "SELECT COUNT(*), SUM(Esistenza), SUM(QuantitaSca) FROM EsistenzeMagazzino",
                    "SELECT COUNT(*), SUM(QtaCar), SUM(ValoreCar) FROM LUMO_CauzDocBoll",
                    "SELECT SUM(ProgQtaCar), SUM(ProgValCar), SUM(ProgQtaCarB), SUM(ProgValCarB) FROM LUMO_ProgCauz"})
           + u' ' + benchdoc::Totali(db, QStringLiteral("BolleCliTot"));
}

void BenchFinestra(benchmark::State &state, Motore *e)
{
    BenchFinestraBolla<TFSVen0001f_p>(
        state, e, Azzera, Impronta,
        [](auto &f) {
            f.InitForm(0, 0, 0);
            TDataSet *t = f.TTesta;
            t->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("DV"));
            t->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(kData);
            t->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C1"));
            t->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("EUR"));
            ScriviRighe(f, [&f] { f.RigheDoc.SettaValoriRiga(); });
        },
        [](auto &f, TXDatabase &db) {
            const qint64 k = db.ScalarValue(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong();
            f.InitForm(0, int(k), 0);
            f.NavClick(nbEdit);
        });
}

void BenchSql(benchmark::State &state, Motore *e)
{
    BenchSqlBolla(state, e, kBolla, Azzera, Impronta);
}

const benchparti::Registra parte(
    ParteBolla(motori, "bollecli.db", "kv8benchbolleclimodulo", "bollacliente500", Semina, BenchFinestra, BenchSql,
               "\nSalvaDocumento of the module's customer delivery note (new, changed, deleted) / set-based rows, "
               "litres, movements, stock, deposit summary, cards and totals (median of interleaved rounds, %d rows, 5 "
               "packaging codes; "
               "target within 5x)\n",
               "   ROWS, LITRES, MOVEMENTS, STOCK, SUMMARY OR CARDS DIFFER between the two runs"));

} // namespace
