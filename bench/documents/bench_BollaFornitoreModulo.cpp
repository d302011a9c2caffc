// Cost of the module's supplier delivery-note save against plain SQL: a note of 500 rows over
// 100 articles (five packaging codes) saved new, then changed (every row one package more),
// then deleted, through the module's window (head, rows, warehouse movements and stock,
// deposit summary and the supplier's cards, totals, each step in one transaction), and the
// same three steps as set-based SQL: the rows in one multi-row INSERT or one UPDATE, the
// movements and the summary by INSERT ... SELECT, stock and cards by UPDATE ... FROM, the
// totals rows by INSERT ... SELECT; on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints both
// median times and the median of the per-round ratios per step (interleaved rounds; target
// within 5x) and checks that both leave the same rows, movements, stock, summary, cards and
// totals rows after each step.
// KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/documents/BenchBolle.h"
#include "bench/documents/BenchModulo.h"
#include "documents/Sacq0001f_p.h"
#include "host/ui/Kmessages.h"

#include <benchmark/benchmark.h>

namespace {

using namespace benchmodulo;

// the note's tables and keys, movement and summary types, account, causal and head
const Bolla kBolla{"BolleForTeste",
                   "BolleForRighe",
                   "BolleForTot",
                   "KBolleForT",
                   "KBolleForR",
                   "LUMO_CauzDocBollAcq",
                   10,
                   3,
                   "Fornitore",
                   "FO",
                   "F1",
                   "ACQ",
                   false,
                   "INSERT INTO BolleForTeste (KBolleForT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                   "IdFornitoreTp, IdFornitore, IdDivisa, Cambio, UT_LMQ_IdListCau) "
                   "VALUES (?, 'DTA', 2026, 0, 1, ?, 'FO', 'F1', 'EUR', 1, 'L1')"};

using Motore = Engine<PassoCount>;
Motori<PassoCount> motori;

void Semina(TXDatabase &db)
{
    benchmodulo::Semina(
        db,
        {"INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('ACQ', 'Acquisto', 1)",
         "INSERT INTO CausaliBolleFor (IdCausale, DsCausale, Serie, IdCausaleMaga, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau) "
         "VALUES ('DTA', 'DDT acquisto', 0, 'ACQ', 1, 1)",
         "INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_IdListCau) "
         "VALUES ('FO', 'F1', 'Fornitore', 1, 'L1')"},
        false);
}

// Both runs start from no document, movement, stock, summary or card.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    for (const char *tabella : {"BolleForTeste", "BolleForRighe", "BolleForTot", "MovMagazzino", "EsistenzeMagazzino",
                                "LUMO_CauzDocBollAcq", "LUMO_ProgCauz", "LUMO_MovCauT", "LUMO_MovCauR"})
        db.ExecSQL(QStringLiteral("DELETE FROM ") + QLatin1String(tabella));
    transazione.Commit();
}

QString Impronta(TXDatabase &db)
{
    return benchruns::Impronta(db,
                               {"SELECT COUNT(*), SUM(Numero), SUM(SpeseImballo) FROM BolleForTeste",
                                "SELECT COUNT(*), SUM(Lunghezza), SUM(Quantita), SUM(ImportoNetto) FROM BolleForRighe",
                                "SELECT COUNT(*), SUM(Quantita) FROM MovMagazzino",
                                "SELECT COUNT(*), SUM(Esistenza), SUM(QuantitaCar) FROM EsistenzeMagazzino",
                                "SELECT COUNT(*), SUM(QtaCar), SUM(ValoreCar) FROM LUMO_CauzDocBollAcq",
                                "SELECT SUM(ProgQtaCar), SUM(ProgValCar) FROM LUMO_ProgCauz"})
           + u' ' + benchdoc::Totali(db, QStringLiteral("BolleForTot"));
}

void BenchFinestra(benchmark::State &state, Motore *e)
{
    BenchFinestraBolla<TFSAcq0001f_p>(
        state, e, Azzera, Impronta,
        [](auto &f) {
            f.InitForm(0, 0);
            TDataSet *t = f.TTesta;
            t->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("DTA"));
            t->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(kData);
            t->FieldByName(QStringLiteral("IdFornitore"))->SetAsString(QStringLiteral("F1"));
            t->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("EUR"));
            t->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(QStringLiteral("L1"));
            ScriviRighe(f, [&f] { f.edIdProdottoExit(nullptr); });
        },
        [](auto &f, TXDatabase &db) {
            const qint64 k = db.ScalarValue(QStringLiteral("SELECT MAX(KBolleForT) FROM BolleForTeste")).toLongLong();
            f.InitForm(1, k);
            f.NavClick(nbEdit);
        });
}

void BenchSql(benchmark::State &state, Motore *e)
{
    BenchSqlBolla(state, e, kBolla, Azzera, Impronta);
}

const benchparti::Registra parte(ParteBolla(
    motori, "bollefor.db", "kv8benchbolleformodulo", "bollafornitore500", Semina, BenchFinestra, BenchSql,
    "\nSalvaDocumento of the module's supplier delivery note (new, changed, deleted) / set-based rows, "
    "movements, stock, deposit summary, cards and totals (median of interleaved rounds, %d rows, 5 packaging codes; "
    "target within 5x)\n",
    "   ROWS, MOVEMENTS, STOCK, SUMMARY OR CARDS DIFFER between the two runs"));

} // namespace
