// Cost of the deposit jobs against set-based SQL, on SQLite and (with KV8_TEST_PG) on
// PostgreSQL: the card rebuild (job 0) over 100 000 manual movement rows on 1 000 customers
// plus delivery-note summaries, against the zeroing and one UPDATE per card kind of the
// per-card sums of the per-row rounded values (target within 5x), and on a company with no
// cards against the INSERT ... SELECT of those sums (target within 5x); the document summaries
// (job 2) and the document movements (job 1) of 10 000 delivery notes and invoices, against
// their anti-join INSERT ... SELECT (target within 5x); the deletion of 100 000 movements
// against the set-based DELETE (target within 5x); the preparation of the outstanding stock
// billing on the cards those movements built, against its one aggregate with the list price
// (target within 3x); the stock billing run, proposal and generation, against the statements
// writing the same documents and cards (target within 5x). Each pair is checked to give the
// same data; the ratios printed are medians of per-round ratios of interleaved rounds.
// KV8_BENCH_MOVIMENTI (manual rows), KV8_BENCH_DOCUMENTI, KV8_BENCH_ROUNDS and
// KV8_BENCH_PG_ROUNDS override the sizes and the rounds.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "deposits/Lumo_lavori.h"
#include "deposits/Qarn0154d.h"
#include "deposits/Qarn0156d.h"
#include "deposits/Qarn0212d.h"
#include "frame/Dmilumo.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmigeneradocumenti.h"
#include "host/business/Dmisven.h"
#include "host/core/Applvar.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXMemTable.h"
#include "host/db/ModuleData.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"
#include "host/ui/ModuleAbi.h"

#include <benchmark/benchmark.h>

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const int kRighe = benchruns::Rounds("KV8_BENCH_MOVIMENTI", 100000);
const int kDocumenti = benchruns::Rounds("KV8_BENCH_DOCUMENTI", 10000);
constexpr int kConti = 1000;
constexpr int kRighePerMovimento = 5;
constexpr int kBolleRicalcolo = 1000;      // delivery notes with their summary, counted by job 0
constexpr qint64 kPrimoDocumento = 100000; // keys of the documents jobs 1 and 2 work on
const QDateTime kDataFatture(QDate(2026, 12, 31), QTime(0, 0));
const char *const kImballi[] = {"CAS", "BOT", "FUS"};
const double kPrezzi[] = {2.35, 0.5, 12.25};

enum Phase {
    Lavoro0,
    Sql0,
    Lavoro0Vuoto,
    Sql0Vuoto,
    Lavoro2,
    Sql2,
    Lavoro1,
    Sql1,
    Preparazione,
    SqlPreparazione,
    Generazione,
    SqlGenerazione,
    Eliminazione,
    SqlEliminazione,
    PhaseCount
};
const char *const kNomi[] = {"ricalcolo",    "ricalcolo/sql",    "ricalcolo-vuoto", "ricalcolo-vuoto/sql",
                             "castelletti",  "castelletti/sql",  "movimenti",       "movimenti/sql",
                             "preparazione", "preparazione/sql", "generazione",     "generazione/sql",
                             "eliminazione", "eliminazione/sql"};

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    benchruns::Tempi<PhaseCount> tempi;
    QString risultato[PhaseCount]; // what each run left, compared in pairs
};

std::vector<std::unique_ptr<Engine>> engines;
std::unique_ptr<QTemporaryDir> cartella;

class Risposte : public TMessageService {
public:
    int Show(const TKMessage &message) override
    {
        if (!message.IsQuestion() && !message.Text.startsWith(QStringLiteral("Elaborazione"))
            && !message.Text.startsWith(QStringLiteral("Eliminazione")))
            std::fprintf(stderr, "message: %s\n", qPrintable(message.Text));
        return message.IsQuestion() ? mrYes : mrOk;
    }
} risposte;

void Moduli()
{
    delete DMILUMO.data();
    delete DMISVen.data();
    delete DMIBase.data();
}

class Globale : public benchdoc::Globale {
public:
    explicit Globale(Engine *e) : benchdoc::Globale(e->url, Moduli) {}
};

QString Conto(int i)
{
    return QStringLiteral("C%1").arg(i % kConti, 4, 10, QLatin1Char('0'));
}

QDateTime Giorno(int i)
{
    return QDateTime(QDate(2026, 1, 1).addDays(i % 360), QTime(0, 0));
}

// Rows of one table written many to a statement, what is left written at the end of the scope.
struct Inserimento : CAUZ_InserimentoMultiplo {
    using CAUZ_InserimentoMultiplo::CAUZ_InserimentoMultiplo;
    ~Inserimento() { Scrivi(); }
    void Riga(const QVariantList &valori) { Aggiungi(valori); }
};

// The manual movements: five rows each, one in ten a transfer row priced 0 with its values.
void SeminaMovimenti(TXDatabase &db)
{
    TXTransaction transazione(db);
    db.ExecSQL(
        QStringLiteral("DELETE FROM LUMO_MovCauR WHERE KContaT IN (SELECT KContaT FROM LUMO_MovCauT WHERE KDocT = 0)"));
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauT WHERE KDocT = 0"));
    {
        Inserimento teste(db,
                          QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, IdContoTp, "
                                         "IdConto, IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB)"),
                          12);
        Inserimento righe(
            db,
            QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, "
                           "ValoreCar, ValoreRes, QtaCarEcc, QtaResEcc)"),
            10);
        const int movimenti = (kRighe + kRighePerMovimento - 1) / kRighePerMovimento;
        for (int m = 0; m < movimenti; ++m) {
            teste.Riga({m + 1, Giorno(m), 0, 0, QStringLiteral("CL"), Conto(m), m % 3, QStringLiteral("EUR"), 1, 1,
                        m % 4 == 0 ? 1 : 0, m % 2});
            for (int r = 0; r < kRighePerMovimento && m * kRighePerMovimento + r < kRighe; ++r) {
                const int i = m * kRighePerMovimento + r;
                const int imballo = (m + r) % 3;
                const double car = 1 + i % 7, res = i % 4, ecc = r == 4 ? 1 : 0;
                const bool trasferimento = m % 10 == 0;
                righe.Riga({i + 1, m + 1, QLatin1String(kImballi[imballo]), trasferimento ? -car : car, res,
                            trasferimento ? 0.0 : kPrezzi[imballo], trasferimento ? -car * 1.5 : 0.0,
                            trasferimento ? res * 0.25 : 0.0, ecc, 0});
            }
        }
    }
    transazione.Commit();
}

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    {
        TXTransaction transazione(db);
        const char *const righe[] = {
            "INSERT INTO LUMO_Parametri (IdCodice, FlAbilCauz) VALUES ('1', 1)",
            "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
            "INSERT INTO TipiListino (IdListino, DsListino) VALUES ('L01', 'Listino base')",
            "INSERT INTO Imballi (IdImballo, DsImballo, FlUtilizzo) VALUES ('CAS', 'Cassa', 0), ('BOT', 'Bottiglia', "
            "0), "
            "('FUS', 'Fusto', 0)",
            "INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (1, 'L01', 'EUR')",
            "INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (1, 1, 'CAS', 2.35), "
            "(2, 1, 'BOT', 0.5), (3, 1, 'FUS', 12.25)",
            "INSERT INTO CausaliBolleCli (IdCausale, DsCausale, UT_LMQ_FlCauzioni, UT_LMQ_FlReso, UT_LMQ_FlAggCau, "
            "UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC) VALUES ('BV', 'Vendita', 1, 0, 1, 0, 1, 1), "
            "('BR', 'Reso', 1, 1, 1, 0, 1, 1)",
            "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, "
            "UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC) VALUES ('FV', 'Fattura', 1, 1, 1, 1, 0, 1)",
            // the stock billing: articles for two packaging codes (none for FUS), its causal, VAT and payment
            "INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva) VALUES ('CAS', 'Cassa', 'PZ', '22'), "
            "('BOT', 'Bottiglia', 'PZ', '22')",
            "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
            "UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC) VALUES "
            "('FC', 'Fattura cauzioni', 1, 1, 1, 1, 1, 1, 0, 1)",
            "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', 'IVA 22%', 22)",
            "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlBolle, FlFatture) VALUES (1, 'Merce', 0, 1, 1)",
            "INSERT INTO TipiMovPagamento (IdTipoMovimento, DsTipoMovimento, FlScadenza, FlSpeseIncasso) VALUES "
            "('RD', 'Rimessa diretta', 1, 0)",
            "INSERT INTO Pagamenti (IdPagamento, DsPagamento, IdTipoMovimento, NumeroRate, FlFineMese, SpeseIncasso) "
            "VALUES ('RD', 'Rimessa diretta', 'RD', 1, 0, 0)",
            "INSERT INTO PagamentiD (IdPagamento, NumRata, Decorrenza, IdTipoMovimento, Percentuale) VALUES "
            "('RD', 1, 0, 'RD', 100)",
            "INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV) VALUES (2026, 1, 0)",
            "CREATE TABLE Bench_Proposta (IdConto VARCHAR(8), IdImballo VARCHAR(3), IdProdotto VARCHAR(22), "
            "Quantita DOUBLE PRECISION, Prezzo DOUBLE PRECISION, Fattura INTEGER, Riga INTEGER)"};
        for (const char *sql : righe)
            db.ExecSQL(QLatin1String(sql));
        Inserimento clienti(db,
                            QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, "
                                           "UT_LMQ_FlCauDes, UT_LMQ_IdListCau, IdPagamento, UT_LMQ_ContoCau)"),
                            8);
        for (int c = 0; c < kConti; ++c)
            clienti.Riga({QStringLiteral("CL"), Conto(c), QStringLiteral("Cliente %1").arg(c), 1, c % 4 == 0 ? 1 : 0,
                          c % 50 == 7 ? QStringLiteral("") : QStringLiteral("L01"), QStringLiteral("RD"),
                          QStringLiteral("R05")});
        transazione.Commit();
    }
    SeminaMovimenti(db);
    TXTransaction transazione(db);
    {
        // the delivery notes job 0 counts, with their summary
        Inserimento teste(db,
                          QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, "
                                         "DataDocumento, IdClienteTp, IdCliente, IdDestinazione, IdDivisa, Cambio)"),
                          11);
        Inserimento castelletti(db,
                                QStringLiteral("INSERT INTO LUMO_CauzDocBoll (KMovimento, FlTipoDocColl, KBolleCliT, "
                                               "IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, ValoreRes, QtaCarEcc, "
                                               "QtaResEcc)"),
                                11);
        for (int b = 1; b <= kBolleRicalcolo; ++b) {
            teste.Riga({b, b % 5 ? QStringLiteral("BV") : QStringLiteral("BR"), 2026, 0, b, Giorno(b),
                        QStringLiteral("CL"), Conto(b * 7), b % 3, QStringLiteral("EUR"), 1});
            for (int k = 0; k < 2; ++k)
                castelletti.Riga({b * 2 + k, 1, b, QLatin1String(kImballi[(b + k) % 3]), double(1 + b % 9),
                                  double(b % 2), kPrezzi[(b + k) % 3], 0.0, 0.0, 0, 0});
        }
    }
    {
        // the documents without summary of jobs 2 and 1: half delivery notes, half invoices
        Inserimento bolle(db,
                          QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, "
                                         "DataDocumento, IdClienteTp, IdCliente, IdDestinazione, IdDivisa, Cambio)"),
                          11);
        Inserimento fatture(db,
                            QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, "
                                           "DataDocumento, IdClienteTp, IdCliente, IdDestinazione, IdDivisa, Cambio)"),
                            11);
        Inserimento righeBolle(
            db,
            QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, IdProdotto, "
                           "UT_LMQ_IdImballo1, UT_LMQ_IdImballo2, Lunghezza, Quantita)"),
            8);
        Inserimento righeFatture(db,
                                 QStringLiteral("INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, "
                                                "IdProdotto, UT_LMQ_IdImballo1, UT_LMQ_IdImballo2, Lunghezza, "
                                                "Quantita)"),
                                 8);
        for (int d = 0; d < kDocumenti; ++d) {
            const qint64 chiave = kPrimoDocumento + d;
            const bool bolla = d % 2 == 0;
            (bolla ? bolle : fatture)
                .Riga({chiave,
                       bolla ? (d % 10 == 4 ? QStringLiteral("BR") : QStringLiteral("BV")) : QStringLiteral("FV"), 2026,
                       0, chiave, Giorno(d), QStringLiteral("CL"), Conto(d * 3), d % 3, QStringLiteral("EUR"), 1});
            for (int r = 0; r < 3; ++r)
                (bolla ? righeBolle : righeFatture)
                    .Riga({chiave * 4 + r, chiave, r + 1,
                           r == 2 && d % 7 == 0 ? QStringLiteral("") : QStringLiteral("VINO"),
                           QLatin1String(kImballi[(d + r) % 3]), r == 1 ? QStringLiteral("BOT") : QStringLiteral(""),
                           double(1 + (d + r) % 6), double(6 * (1 + r))});
        }
    }
    transazione.Commit();
}

// A fingerprint of the rows of a statement: their count and weighted sums of their columns.
QString Impronta(TXDatabase &db, const QString &sql, int colonne)
{
    QSqlQuery q = db.OpenQuery(sql);
    qint64 righe = 0;
    std::vector<double> somme(size_t(colonne), 0.0);
    while (q.next()) {
        ++righe;
        for (int c = 0; c < colonne; ++c) {
            const QVariant v = q.value(c);
            somme[size_t(c)] += v.typeId() == QMetaType::QString ? double(qHash(v.toString()) % 1000) : v.toDouble();
        }
    }
    QString out = QString::number(righe);
    for (const double s : somme)
        out += QLatin1Char('/') + QString::number(std::round(s * 100) / 100, 'f', 2);
    return out;
}

QString Schede(TXDatabase &db)
{
    return Impronta(db,
                    QStringLiteral("SELECT IdConto, IdDestinazione, IdImballo, FlTipoScheda, ProgQtaCar, ProgQtaRes, "
                                   "ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, ProgValCarF, ProgValResF, "
                                   "ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, QtaResEcc FROM "
                                   "LUMO_ProgCauz"),
                    18);
}

QString Castelletti(TXDatabase &db)
{
    QString out;
    for (const char *t : {"LUMO_CauzDocBoll", "LUMO_CauzDocFatt"})
        out +=
            Impronta(db,
                     QStringLiteral("SELECT FlTipoDocColl, IdImballo, EsistenzaAtt, ValoreEsiAtt, EsistenzaB, "
                                    "ValoreEsiB, EsistenzaF, ValoreEsiF, Prezzo, QtaCar, QtaRes, ValoreCar, ValoreRes "
                                    "FROM %1")
                         .arg(QLatin1String(t)),
                     13)
            + QLatin1Char(' ');
    return out;
}

QString MovimentiDocumenti(TXDatabase &db)
{
    return Impronta(
               db,
               QStringLiteral("SELECT T.FlTipoDocColl, T.KDocT, T.Anno, T.Numero, T.IdCausale, T.IdConto, "
                              "T.IdDestinazione, T.FlAggCau, T.FlAggCauF, T.FlAggCauB, R.IdImballo, R.QtaCar, "
                              "R.QtaRes, R.Prezzo, R.ValoreCar, R.ValoreRes FROM LUMO_MovCauT T JOIN LUMO_MovCauR R "
                              "ON R.KContaT = T.KContaT WHERE T.KDocT <> 0"),
               16)
           + QLatin1Char('/')
           + db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_MovCauT WHERE KDocT <> 0")).toString();
}

// The values of a statement's expression rounded at the value decimals, on both engines.
QString Arrotonda(const QString &espressione)
{
    return QStringLiteral("ROUND(CAST(%1 AS NUMERIC), %2)")
        .arg(espressione)
        .arg(KFormati::GetDecimali(KFormati::fnValoreIT));
}

// ---------------------------------------------------------------- job 0

void Registra(benchmark::State &state, Engine *e, Phase phase, double secondi, const QString &risultato)
{
    state.SetIterationTime(secondi);
    e->tempi.Aggiungi(phase, secondi);
    e->risultato[phase] = risultato;
}

template <typename Corpo> void EseguiFinestra(Corpo corpo)
{
    auto *f = new TFqarn0156d;
    f->DoCreate();
    QPointer<TFqarn0156d> finestra(f);
    corpo(f);
    delete finestra.data();
}

using Passo = std::function<void(TXDatabase &)>;

// A run per iteration on the engine's database: prima puts the data in place (not timed),
// corpo runs (its statements in one transaction when transazione), risultato tells what it left;
// the statements the run sent are counted.
void Misura(benchmark::State &state, Engine *e, Phase phase, const Passo &prima, const Passo &corpo,
            const std::function<QString(TXDatabase &)> &risultato, bool transazione)
{
    Globale globale(e);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        if (prima)
            prima(db);
        const quint64 istruzioni = db.StatementCount();
        const auto t0 = std::chrono::steady_clock::now();
        if (transazione) {
            TXTransaction t(db);
            corpo(db);
            t.Commit();
        } else {
            corpo(db);
        }
        const double secondi = benchruns::Seconds(t0);
        state.counters["istruzioni"] = double(db.StatementCount() - istruzioni);
        Registra(state, e, phase, secondi, risultato(db));
    }
}

void BenchRicalcolo(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Lavoro0, {}, [](TXDatabase &) { EseguiFinestra([](TFqarn0156d *f) { f->CalcolaProgressivi(); }); },
        Schede, false);
}

// The amounts of one row under its head's flags, for both card kinds: the manual rows
// (stored values when priced 0) and the delivery-note summaries (valued at their price),
// summed per card of the kind: its key (tp, conto, dest, imballo) and amounts a1..a6 (general,
// the last two the excluded quantities), f1..f4 (to bill) and b1..b4.
QString SommeSchede(int tipoScheda)
{
    const QString valoreCar = Arrotonda(QStringLiteral("(R.QtaCar - R.QtaCarEcc) * R.Prezzo"));
    const QString valoreRes = Arrotonda(QStringLiteral("(R.QtaRes - R.QtaResEcc) * R.Prezzo"));
    const QString destinazione =
        tipoScheda == 0 ? QStringLiteral("CASE WHEN K.UT_LMQ_FlCauDes = 1 THEN X.IdDestinazione ELSE 0 END")
                        : QStringLiteral("0");
    const QString righe =
        QStringLiteral("SELECT T.IdContoTp, T.IdConto, T.IdDestinazione, T.FlAggCau AS G, T.FlAggCauF AS F, "
                       "T.FlAggCauB AS B, R.IdImballo, R.QtaCar, R.QtaRes, R.QtaCarEcc, R.QtaResEcc, "
                       "CASE WHEN R.Prezzo = 0 THEN R.ValoreCar ELSE %1 END AS VC, "
                       "CASE WHEN R.Prezzo = 0 THEN R.ValoreRes ELSE %2 END AS VR "
                       "FROM LUMO_MovCauR R JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT WHERE T.KDocT = 0 "
                       "UNION ALL SELECT T.IdClienteTp, T.IdCliente, T.IdDestinazione, C.UT_LMQ_FlAggCau, "
                       "C.UT_LMQ_FlAggCauF, C.UT_LMQ_FlAggCauB, R.IdImballo, R.QtaCar, R.QtaRes, R.QtaCarEcc, "
                       "R.QtaResEcc, %1, %2 FROM LUMO_CauzDocBoll R JOIN BolleCliTeste T ON T.KBolleCliT = "
                       "R.KBolleCliT JOIN CausaliBolleCli C ON C.IdCausale = T.IdCausale")
            .arg(valoreCar, valoreRes);
    auto somma = [](const char *flag, const char *colonna) {
        return QStringLiteral("SUM(CASE WHEN X.%1 = 1 THEN X.%2 ELSE 0 END)")
            .arg(QLatin1String(flag), QLatin1String(colonna));
    };
    return QStringLiteral("SELECT X.IdContoTp AS tp, X.IdConto AS conto, %1 AS dest, X.IdImballo AS imballo, %2 AS a1, "
                          "%3 AS a2, %4 AS a3, %5 AS a4, %6 AS a5, %7 AS a6, %8 AS f1, %9 AS f2, %10 AS f3, %11 AS f4, "
                          "%12 AS b1, %13 AS b2, %14 AS b3, %15 AS b4 FROM (%16) X JOIN Clienti K ON K.IdContoTp = "
                          "X.IdContoTp AND K.IdConto = X.IdConto WHERE K.UT_LMQ_FlCauz <> 0 GROUP BY X.IdContoTp, "
                          "X.IdConto, X.IdImballo%17")
        .arg(destinazione, somma("G", "QtaCar"), somma("G", "QtaRes"), somma("G", "VC"), somma("G", "VR"),
             somma("G", "QtaCarEcc"), somma("G", "QtaResEcc"), somma("F", "QtaCar"), somma("F", "QtaRes"))
        .arg(somma("F", "VC"), somma("F", "VR"), somma("B", "QtaCar"), somma("B", "QtaRes"), somma("B", "VC"),
             somma("B", "VR"), righe)
        .arg(tipoScheda == 0 ? QStringLiteral(", ") + destinazione : QString());
}

// The cards of a kind given their sums.
QString SommePerScheda(int tipoScheda)
{
    return QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = m.a1, ProgQtaRes = m.a2, ProgValCar = m.a3, "
                          "ProgValRes = m.a4, QtaCarEcc = m.a5, QtaResEcc = m.a6, ProgQtaCarF = m.f1, "
                          "ProgQtaResF = m.f2, ProgValCarF = m.f3, ProgValResF = m.f4, ProgQtaCarB = m.b1, "
                          "ProgQtaResB = m.b2, ProgValCarB = m.b3, ProgValResB = m.b4 "
                          "FROM (%1) m WHERE LUMO_ProgCauz.IdContoTp = m.tp AND LUMO_ProgCauz.IdConto = m.conto "
                          "AND LUMO_ProgCauz.IdDestinazione = m.dest AND LUMO_ProgCauz.IdImballo = m.imballo "
                          "AND LUMO_ProgCauz.FlTipoScheda = %2")
        .arg(SommeSchede(tipoScheda))
        .arg(tipoScheda);
}

// The cards of a kind made from their sums, in the national currency.
QString SchedeDaSomme(int tipoScheda)
{
    return QStringLiteral(
               "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
               "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, QtaCarEcc, QtaResEcc, ProgQtaCarF, "
               "ProgQtaResF, ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, "
               "EsiAttEcc) SELECT m.tp, m.conto, m.dest, m.imballo, %2, '%3', m.a1, m.a2, m.a3, m.a4, "
               "m.a5, m.a6, m.f1, m.f2, m.f3, m.f4, m.b1, m.b2, m.b3, m.b4, m.a6 - m.a5 FROM (%1) m")
        .arg(SommeSchede(tipoScheda))
        .arg(tipoScheda)
        .arg(CFG.IdDivisa);
}

void BenchRicalcoloSql(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Sql0, {},
        [](TXDatabase &db) {
            db.ExecSQL(
                QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = 0, ProgQtaRes = 0, ProgValCar = 0, "
                               "ProgValRes = 0, ProgQtaCarF = 0, ProgQtaResF = 0, ProgValCarF = 0, ProgValResF = 0, "
                               "ProgQtaCarB = 0, ProgQtaResB = 0, ProgValCarB = 0, ProgValResB = 0, QtaCarEcc = 0, "
                               "QtaResEcc = 0, EsiAttEcc = 0"));
            db.ExecSQL(SommePerScheda(0));
            db.ExecSQL(SommePerScheda(1));
        },
        Schede, true);
}

void TogliSchede(TXDatabase &db)
{
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
}

void BenchRicalcoloVuoto(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Lavoro0Vuoto, TogliSchede,
        [](TXDatabase &) { EseguiFinestra([](TFqarn0156d *f) { f->CalcolaProgressivi(); }); }, Schede, false);
}

void BenchRicalcoloVuotoSql(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Sql0Vuoto, TogliSchede,
        [](TXDatabase &db) {
            db.ExecSQL(SchedeDaSomme(0));
            db.ExecSQL(SchedeDaSomme(1));
        },
        Schede, true);
}

// ---------------------------------------------------------------- jobs 2 and 1

void TogliCastelletti(TXDatabase &db)
{
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_CauzDocBoll WHERE KBolleCliT >= ?"), {kPrimoDocumento});
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_CauzDocFatt WHERE KFattCliT >= ?"), {kPrimoDocumento});
    transazione.Commit();
}

void TogliMovimentiDocumenti(TXDatabase &db)
{
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral(
        "DELETE FROM LUMO_MovCauR WHERE KContaT IN (SELECT KContaT FROM LUMO_MovCauT WHERE KDocT <> 0)"));
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauT WHERE KDocT <> 0"));
    transazione.Commit();
}

// The missing summaries of one document kind: every packaging code in use for every document
// of a deposit causal and a deposit customer, with the card snapshot, the list price and the
// rows' quantities (loaded, or returned for a return causal).
QString CastellettiSql(TXDatabase &db, bool bolle)
{
    const QString tabella = bolle ? QStringLiteral("LUMO_CauzDocBoll") : QStringLiteral("LUMO_CauzDocFatt");
    const QString chiave = bolle ? QStringLiteral("KBolleCliT") : QStringLiteral("KFattCliT");
    const QString teste = bolle ? QStringLiteral("BolleCliTeste") : QStringLiteral("FattureCliTeste");
    const QString righe = bolle ? QStringLiteral("BolleCliRighe") : QStringLiteral("FattureCliRighe");
    const QString reso = bolle ? QStringLiteral("C.UT_LMQ_FlReso = 1") : QStringLiteral("C.FlTipoDocumento IN (3, 12)");
    const qint64 base =
        db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KMovimento), 0) FROM %1").arg(tabella)).toLongLong();
    const QString qta = QStringLiteral("COALESCE(Q.Qta, 0)");
    return QStringLiteral(
               "INSERT INTO %1 (KMovimento, FlTipoDocColl, %2, IdImballo, EsistenzaAtt, ValoreEsiAtt, EsistenzaB, "
               "ValoreEsiB, EsistenzaF, ValoreEsiF, Prezzo, QtaCar, QtaRes, ValoreCar, ValoreRes) "
               "SELECT %3 + ROW_NUMBER() OVER (ORDER BY T.%2, I.IdImballo), %4, T.%2, I.IdImballo, "
               "COALESCE(P.ProgQtaCar - P.ProgQtaRes, 0), COALESCE(P.ProgValCar - P.ProgValRes, 0), "
               "COALESCE(P.ProgQtaCarB - P.ProgQtaResB, 0), COALESCE(P.ProgValCarB - P.ProgValResB, 0), "
               "COALESCE(P.ProgQtaCarF - P.ProgQtaResF, 0), COALESCE(P.ProgValCarF - P.ProgValResF, 0), "
               "COALESCE(L.Prezzo, 0), CASE WHEN %5 THEN 0 ELSE %6 END, CASE WHEN %5 THEN %6 ELSE 0 END, "
               "CASE WHEN %5 THEN 0 ELSE %7 END, CASE WHEN %5 THEN %7 ELSE 0 END "
               "FROM %8 T JOIN %9 C ON C.IdCausale = T.IdCausale AND C.UT_LMQ_FlCauzioni <> 0 "
               "JOIN Clienti K ON K.IdContoTp = T.IdClienteTp AND K.IdConto = T.IdCliente AND K.UT_LMQ_FlCauz <> 0 "
               "CROSS JOIN Imballi I "
               "LEFT JOIN LUMO_ProgCauz P ON P.IdContoTp = T.IdClienteTp AND P.IdConto = T.IdCliente AND "
               "P.IdDestinazione = CASE WHEN K.UT_LMQ_FlCauDes <> 0 THEN T.IdDestinazione ELSE 0 END AND "
               "P.FlTipoScheda = 0 AND P.IdImballo = I.IdImballo "
               "LEFT JOIN (SELECT LT.IdListino, LT.IdDivisa, LR.IdImballo, LR.Prezzo FROM LUMO_LisCauzT LT JOIN "
               "LUMO_LisCauzR LR ON LR.KContaT = LT.KContaT) L ON L.IdListino = K.UT_LMQ_IdListCau AND "
               "L.IdDivisa = T.IdDivisa AND L.IdImballo = I.IdImballo "
               "LEFT JOIN (SELECT Doc, Imb, SUM(Q) AS Qta FROM (SELECT %2 AS Doc, UT_LMQ_IdImballo1 AS Imb, Lunghezza "
               "AS Q FROM %10 WHERE IdProdotto <> '' UNION ALL SELECT %2, UT_LMQ_IdImballo2, Quantita FROM %10 WHERE "
               "IdProdotto <> '') U GROUP BY Doc, Imb) Q ON Q.Doc = T.%2 AND Q.Imb = I.IdImballo "
               "WHERE I.FlUtilizzo = 0 AND NOT EXISTS (SELECT 1 FROM %1 D WHERE D.%2 = T.%2)")
        .arg(tabella, chiave)
        .arg(base)
        .arg(bolle ? 1 : 2)
        .arg(reso, qta, Arrotonda(QStringLiteral("COALESCE(L.Prezzo, 0) * ") + qta), teste,
             bolle ? QStringLiteral("CausaliBolleCli") : QStringLiteral("CausaliFattCli"), righe);
}

void BenchCastelletti(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Lavoro2, TogliCastelletti,
        [](TXDatabase &) { EseguiFinestra([](TFqarn0156d *f) { f->GeneraCastellettoDocumenti(); }); }, Castelletti,
        false);
}

void BenchCastellettiSql(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Sql2, TogliCastelletti,
        [](TXDatabase &db) {
            db.ExecSQL(CastellettiSql(db, true));
            db.ExecSQL(CastellettiSql(db, false));
        },
        Castelletti, true);
}

void BenchMovimenti(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Lavoro1, TogliMovimentiDocumenti,
        [](TXDatabase &) { EseguiFinestra([](TFqarn0156d *f) { f->GeneraMovCau(); }); }, MovimentiDocumenti, false);
}

// The missing movements of one document kind: a head for every summarised document of a
// causal that writes movements and has a row to book, then the rows under it.
void MovimentiSql(TXDatabase &db, bool bolle)
{
    const QString tabella = bolle ? QStringLiteral("LUMO_CauzDocBoll") : QStringLiteral("LUMO_CauzDocFatt");
    const QString chiave = bolle ? QStringLiteral("KBolleCliT") : QStringLiteral("KFattCliT");
    const QString teste = bolle ? QStringLiteral("BolleCliTeste") : QStringLiteral("FattureCliTeste");
    const QString causali = bolle ? QStringLiteral("CausaliBolleCli") : QStringLiteral("CausaliFattCli");
    const int tipo = bolle ? 1 : 2;
    const QString prenotate = QStringLiteral("M.IdImballo <> '' AND (M.QtaCar <> 0 OR M.QtaRes <> 0)");
    const qint64 baseT =
        db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KContaT), 0) FROM LUMO_MovCauT")).toLongLong();
    db.ExecSQL(
        QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, Anno, Serie, Numero, "
                       "DataDoc, IdCausale, IdContoTp, IdConto, IdDestinazione, IdDivisa, Cambio, FlAggCau, "
                       "FlAggCauF, FlAggCauB) SELECT %1 + ROW_NUMBER() OVER (ORDER BY T.%2), T.DataDocumento, %3, "
                       "T.%2, T.Anno, T.Serie, T.Numero, T.DataDocumento, T.IdCausale, T.IdClienteTp, T.IdCliente, "
                       "T.IdDestinazione, T.IdDivisa, T.Cambio, C.UT_LMQ_FlAggCau, C.UT_LMQ_FlAggCauF, "
                       "C.UT_LMQ_FlAggCauB FROM %4 T JOIN %5 C ON C.IdCausale = T.IdCausale "
                       "WHERE C.UT_LMQ_FlAggMovC <> 0 AND EXISTS (SELECT 1 FROM %6 M WHERE M.%2 = T.%2 AND %7) "
                       "AND NOT EXISTS (SELECT 1 FROM LUMO_MovCauT X WHERE X.KDocT = T.%2 AND X.FlTipoDocColl = %3)")
            .arg(baseT)
            .arg(chiave)
            .arg(tipo)
            .arg(teste, causali, tabella, prenotate));
    const qint64 baseR =
        db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KContaR), 0) FROM LUMO_MovCauR")).toLongLong();
    db.ExecSQL(
        QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, "
                       "ValoreRes, QtaCarEcc, QtaResEcc) SELECT %1 + ROW_NUMBER() OVER (ORDER BY M.KMovimento), "
                       "X.KContaT, M.IdImballo, M.QtaCar, M.QtaRes, M.Prezzo, M.ValoreCar, M.ValoreRes, M.QtaCarEcc, "
                       "M.QtaResEcc FROM %2 M JOIN LUMO_MovCauT X ON X.KDocT = M.%3 AND X.FlTipoDocColl = %4 "
                       "WHERE X.KContaT > %5 AND %6")
            .arg(baseR)
            .arg(tabella, chiave)
            .arg(tipo)
            .arg(baseT)
            .arg(prenotate));
}

void BenchMovimentiSql(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Sql1, TogliMovimentiDocumenti,
        [](TXDatabase &db) {
            MovimentiSql(db, true);
            MovimentiSql(db, false);
        },
        MovimentiDocumenti, true);
}

// ---------------------------------------------------------------- billing preparation

// A fingerprint of proposal rows: customer, packaging, article, quantity, price, no-article flag.
struct ImprontaProposta {
    qint64 righe = 0;
    double somme[6] = {};
    void Aggiungi(const QString &cliente, const QString &imballo, const QString &articolo, double quantita,
                  double prezzo, int stato)
    {
        ++righe;
        const double v[] = {double(qHash(cliente) % 1000),
                            double(qHash(imballo) % 1000),
                            double(qHash(articolo) % 1000),
                            quantita,
                            prezzo,
                            double(stato)};
        for (int i = 0; i < 6; ++i)
            somme[i] += v[i];
    }
    QString Testo() const
    {
        QString out = QString::number(righe);
        for (const double s : somme)
            out += QLatin1Char('/') + QString::number(std::round(s * 100) / 100, 'f', 2);
        return out;
    }
};

void BenchPreparazione(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        TDMILUMO::Crea(); // as the menu makes it before the window
        auto *f = new TFqarn0154d;
        f->DoCreate();
        QPointer<TFqarn0154d> finestra(f);
        f->tPars->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(kDataFatture);
        f->tPars->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FV"));
        f->tPars->FieldByName(QStringLiteral("IdListino"))->SetAsString(QStringLiteral("L01"));
        const auto t0 = std::chrono::steady_clock::now();
        f->btEseguiClick();
        const double secondi = benchruns::Seconds(t0);
        ImprontaProposta impronta;
        TXMemTable *p = f->cdsClientiCauz;
        auto testo = [&](const char *campo) { return p->FieldByName(QLatin1String(campo))->AsString(); };
        for (p->First(); !p->Eof(); p->Next())
            impronta.Aggiungi(testo("IdCliente"), testo("IdImballo"), testo("IdProdotto"),
                              p->FieldByName(QStringLiteral("Quantita"))->AsFloat(),
                              p->FieldByName(QStringLiteral("Prezzo"))->AsFloat(),
                              p->FieldByName(QStringLiteral("FlStato"))->AsInteger());
        delete finestra.data();
        Registra(state, e, Preparazione, secondi, impronta.Testo());
        state.counters["proposte/s"] = impronta.righe / secondi;
    }
}

void BenchPreparazioneSql(benchmark::State &state, Engine *e)
{
    const QString sql = QStringLiteral(
        "SELECT C.IdConto, C.IdImballo, A.IdProdotto, SUM(C.ProgQtaCarF - C.ProgQtaResF), COALESCE(MAX(L.Prezzo), 0) "
        "FROM LUMO_ProgCauz C LEFT JOIN Articoli A ON A.IdProdotto = C.IdImballo "
        "LEFT JOIN (SELECT LR.IdImballo, LR.Prezzo FROM LUMO_LisCauzT LT JOIN LUMO_LisCauzR LR ON LR.KContaT = "
        "LT.KContaT "
        "WHERE LT.IdListino = 'L01' AND LT.IdDivisa = ?) L ON L.IdImballo = C.IdImballo "
        "WHERE C.FlTipoScheda = 1 AND C.IdContoTp = 'CL' GROUP BY C.IdConto, C.IdImballo, A.IdProdotto "
        "HAVING SUM(C.ProgQtaCarF - C.ProgQtaResF) > 0 ORDER BY C.IdConto, C.IdImballo");
    QString letta;
    Misura(
        state, e, SqlPreparazione, {},
        [&](TXDatabase &db) {
            ImprontaProposta impronta;
            QSqlQuery q = db.OpenQuery(sql, {CFG.IdDivisa});
            while (q.next())
                impronta.Aggiungi(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                  q.value(3).toDouble(), q.value(4).toDouble(), q.value(2).isNull() ? 1 : 0);
            letta = impronta.Testo();
        },
        [&](TXDatabase &) { return letta; }, false);
}

// ---------------------------------------------------------------- billing run

const QString kFatture = QStringLiteral("SELECT KFattCliT FROM FattureCliTeste WHERE IdCausale = 'FC'");

// The company before a billing run: its invoices, their deposit rows and totals gone, the
// cards rebuilt (by the statements job 0 is checked against) and the counter back to 0.
void Ripristina(TXDatabase &db)
{
    TXTransaction transazione(db);
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauR WHERE KContaT IN (SELECT KContaT FROM LUMO_MovCauT WHERE "
                              "FlTipoDocColl = 2 AND KDocT IN (%1))")
                   .arg(kFatture));
    db.ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauT WHERE FlTipoDocColl = 2 AND KDocT IN (%1)").arg(kFatture));
    for (const char *t : {"LUMO_CauzDocFatt", "FattureCliTot", "FattureCliRighe"})
        db.ExecSQL(QStringLiteral("DELETE FROM %1 WHERE KFattCliT IN (%2)").arg(QLatin1String(t), kFatture));
    db.ExecSQL(QStringLiteral("DELETE FROM FattureCliTeste WHERE IdCausale = 'FC'"));
    db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 0"));
    db.ExecSQL(
        QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = 0, ProgQtaRes = 0, ProgValCar = 0, ProgValRes = 0, "
                       "ProgQtaCarF = 0, ProgQtaResF = 0, ProgValCarF = 0, ProgValResF = 0, ProgQtaCarB = 0, "
                       "ProgQtaResB = 0, ProgValCarB = 0, ProgValResB = 0, QtaCarEcc = 0, QtaResEcc = 0, "
                       "EsiAttEcc = 0"));
    db.ExecSQL(SommePerScheda(0));
    db.ExecSQL(SommePerScheda(1));
    transazione.Commit();
}

// What a billing run wrote: invoices, rows, deposit movements and summaries, cards, counter.
QString Fatturato(TXDatabase &db)
{
    return Impronta(db,
                    QStringLiteral("SELECT Numero, IdCliente, IdClienteTp, UT_LMQ_IdListCau, UT_LMQ_FlCauzioni FROM "
                                   "FattureCliTeste WHERE IdCausale = 'FC'"),
                    5)
           + QLatin1Char(' ')
           + Impronta(
               db,
               QStringLiteral("SELECT T.Numero, R.NumOrdine, R.IdProdotto, R.UT_LMQ_IdImballo1, R.Quantita, R.Prezzo, "
                              "R.ImportoNetto, R.IdConto FROM FattureCliRighe R JOIN FattureCliTeste T ON T.KFattCliT "
                              "= R.KFattCliT WHERE T.IdCausale = 'FC'"),
               8)
           + QLatin1Char(' ')
           + Impronta(db,
                      QStringLiteral(
                          "SELECT M.Numero, M.IdConto, M.FlAggCau, M.FlAggCauF, M.FlAggCauB, R.IdImballo, R.QtaRes, "
                          "R.Prezzo, R.ValoreRes FROM LUMO_MovCauR R JOIN LUMO_MovCauT M ON M.KContaT = R.KContaT "
                          "WHERE M.FlTipoDocColl = 2 AND M.KDocT IN (%1)")
                          .arg(kFatture),
                      9)
           + QLatin1Char(' ')
           + Impronta(
               db,
               QStringLiteral("SELECT IdImballo, QtaRes, Prezzo, ValoreRes, EsistenzaAtt, ValoreEsiAtt, EsistenzaB, "
                              "ValoreEsiB, EsistenzaF, ValoreEsiF FROM LUMO_CauzDocFatt WHERE KFattCliT IN (%1)")
                   .arg(kFatture),
               10)
           + QLatin1Char(' ') + Schede(db) + QLatin1Char(' ')
           + db.ScalarValue(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA")).toString();
}

void BenchGenerazione(benchmark::State &state, Engine *e)
{
    Globale globale(e);
    for (auto _ : state) {
        Ripristina(globale.Db());
        TDMILUMO::Crea();
        auto *f = new TFqarn0154d;
        f->DoCreate();
        QPointer<TFqarn0154d> finestra(f);
        f->tPars->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(kDataFatture);
        f->tPars->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FC"));
        f->tPars->FieldByName(QStringLiteral("IdListino"))->SetAsString(QStringLiteral("L01"));
        // the proposal is part of the run, as the set-based side ranks it within its time
        const quint64 istruzioni = globale.Db().StatementCount();
        const auto t0 = std::chrono::steady_clock::now();
        f->btEseguiClick();
        const int proposte = f->cdsClientiCauz->RecordCount();
        f->btGenera->click();
        const double secondi = benchruns::Seconds(t0);
        const quint64 eseguite = globale.Db().StatementCount() - istruzioni;
        delete finestra.data();
        delete DMIGeneraDocumenti.data();
        Registra(state, e, Generazione, secondi, Fatturato(globale.Db()));
        state.counters["righe/s"] = proposte / secondi;
        state.counters["istruzioni/riga"] = double(eseguite) / proposte;
    }
}

// The run as statements: the proposal ranked by customer and row, then the invoices, their
// rows, the deposit movements and summaries (the card before the booking), the cards and the
// counter.
void BenchGenerazioneSql(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, SqlGenerazione, Ripristina,
        [](TXDatabase &db) {
            const QString data = db.FormatDataSQL(kDataFatture);
            const QString valore = Arrotonda(QStringLiteral("P.Quantita * P.Prezzo"));
            auto massimo = [&](const char *colonna, const char *tabella) {
                return db
                    .ScalarValue(QStringLiteral("SELECT COALESCE(MAX(%1), 0) FROM %2")
                                     .arg(QLatin1String(colonna), QLatin1String(tabella)))
                    .toLongLong();
            };
            const qint64 kT = massimo("KFattCliT", "FattureCliTeste"), kR = massimo("KFattCliR", "FattureCliRighe");
            const qint64 kMT = massimo("KContaT", "LUMO_MovCauT"), kMR = massimo("KContaR", "LUMO_MovCauR");
            const qint64 kC = massimo("KMovimento", "LUMO_CauzDocFatt");
            const qint64 numero = db.ScalarValue(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA")).toLongLong();
            db.ExecSQL(QStringLiteral("DELETE FROM Bench_Proposta"));
            db.ExecSQL(QStringLiteral(
                "INSERT INTO Bench_Proposta (IdConto, IdImballo, IdProdotto, Quantita, Prezzo, Fattura, Riga) "
                "SELECT C.IdConto, C.IdImballo, A.IdProdotto, SUM(C.ProgQtaCarF - C.ProgQtaResF), "
                "COALESCE(MAX(L.Prezzo), 0), "
                "DENSE_RANK() OVER (ORDER BY C.IdConto), ROW_NUMBER() OVER (PARTITION BY C.IdConto ORDER BY "
                "C.IdImballo) "
                "FROM LUMO_ProgCauz C JOIN Articoli A ON A.IdProdotto = C.IdImballo "
                "LEFT JOIN (SELECT LR.IdImballo, LR.Prezzo FROM LUMO_LisCauzT LT JOIN LUMO_LisCauzR LR ON LR.KContaT = "
                "LT.KContaT WHERE LT.IdListino = 'L01' AND LT.IdDivisa = 'EUR') L ON L.IdImballo = C.IdImballo "
                "WHERE C.FlTipoScheda = 1 AND C.IdContoTp = 'CL' GROUP BY C.IdConto, C.IdImballo, A.IdProdotto "
                "HAVING SUM(C.ProgQtaCarF - C.ProgQtaResF) > 0"));
            db.ExecSQL(QStringLiteral(
                           "INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                           "IdClienteTp, IdCliente, IdDestinazione, IdPagamento, DataPagamento, IdDivisa, Cambio, "
                           "IdListino, UT_LMQ_IdListCau, UT_LMQ_FlCauzioni) SELECT %1 + P.Fattura, 'FC', 2026, 1, %2 + "
                           "P.Fattura, %3, 'CL', P.IdConto, 0, K.IdPagamento, %3, 'EUR', 1, 'L01', 'L01', 1 FROM "
                           "Bench_Proposta P JOIN Clienti K ON K.IdContoTp = 'CL' AND K.IdConto = P.IdConto WHERE "
                           "P.Riga = 1")
                           .arg(kT)
                           .arg(numero)
                           .arg(data));
            db.ExecSQL(
                QStringLiteral(
                    "INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, TipoRigo, UT_LMQ_IdImballo1, "
                    "IdProdotto, Quantita, Quantita2, Lunghezza, Prezzo, ImportoNetto, IdConto, IdIva, "
                    "DataDocumento, IdCliente) SELECT %1 + ROW_NUMBER() OVER (ORDER BY P.Fattura, P.Riga), %2 + "
                    "P.Fattura, 1024 * P.Riga, 1, P.IdImballo, P.IdProdotto, P.Quantita, 1, P.Quantita, "
                    "P.Prezzo, %3, K.UT_LMQ_ContoCau, '22', %4, P.IdConto FROM Bench_Proposta P JOIN Clienti K ON "
                    "K.IdContoTp = 'CL' AND K.IdConto = P.IdConto")
                    .arg(kR)
                    .arg(kT)
                    .arg(valore, data));
            db.ExecSQL(
                QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, DataDoc, FlTipoDocColl, KDocT, Anno, "
                               "Serie, Numero, IdCausale, IdDestinazione, IdDivisa, Cambio, IdContoTp, IdConto, "
                               "IdListino, FlAggCau, FlAggCauB, FlAggCauF) SELECT %1 + P.Fattura, %2, %2, 2, %3 + "
                               "P.Fattura, 2026, 1, %4 + P.Fattura, 'FC', 0, 'EUR', 1, 'CL', P.IdConto, 'L01', 1, "
                               "0, 1 FROM Bench_Proposta P WHERE P.Riga = 1")
                    .arg(kMT)
                    .arg(data)
                    .arg(kT)
                    .arg(numero));
            db.ExecSQL(
                QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaRes, Prezzo, ValoreRes) "
                               "SELECT %1 + ROW_NUMBER() OVER (ORDER BY P.Fattura, P.Riga), %2 + P.Fattura, "
                               "P.IdImballo, P.Quantita, P.Prezzo, %3 FROM Bench_Proposta P")
                    .arg(kMR)
                    .arg(kMT)
                    .arg(valore));
            db.ExecSQL(QStringLiteral(
                           "INSERT INTO LUMO_CauzDocFatt (KMovimento, KFattCliT, FlTipoDocColl, IdImballo, QtaRes, "
                           "Prezzo, ValoreRes, EsistenzaAtt, ValoreEsiAtt, EsistenzaB, ValoreEsiB, EsistenzaF, "
                           "ValoreEsiF) SELECT %1 + ROW_NUMBER() OVER (ORDER BY P.Fattura, P.Riga), %2 + P.Fattura, 2, "
                           "P.IdImballo, P.Quantita, P.Prezzo, %3, COALESCE(S.ProgQtaCar - S.ProgQtaRes, 0), "
                           "COALESCE(S.ProgValCar - S.ProgValRes, 0), COALESCE(S.ProgQtaCarB - S.ProgQtaResB, 0), "
                           "COALESCE(S.ProgValCarB - S.ProgValResB, 0), COALESCE(S.ProgQtaCarF - S.ProgQtaResF, 0), "
                           "COALESCE(S.ProgValCarF - S.ProgValResF, 0) FROM Bench_Proposta P LEFT JOIN LUMO_ProgCauz S "
                           "ON S.IdContoTp = 'CL' AND S.IdConto = P.IdConto AND S.FlTipoScheda = 0 AND "
                           "S.IdDestinazione = 0 AND S.IdImballo = P.IdImballo")
                           .arg(kC)
                           .arg(kT)
                           .arg(valore));
            // the destination 0 card made where missing, then both cards booked as returned
            db.ExecSQL(
                QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, "
                               "FlTipoScheda, IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, "
                               "ProgQtaResF, ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, "
                               "ProgValResB, QtaCarEcc, QtaResEcc, EsiAttEcc) SELECT 'CL', P.IdConto, 0, "
                               "P.IdImballo, 0, 'EUR', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 FROM "
                               "Bench_Proposta P WHERE NOT EXISTS (SELECT 1 FROM LUMO_ProgCauz S WHERE S.IdContoTp "
                               "= 'CL' AND S.IdConto = P.IdConto AND S.FlTipoScheda = 0 AND S.IdDestinazione = 0 "
                               "AND S.IdImballo = P.IdImballo)"));
            db.ExecSQL(
                QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaRes = ProgQtaRes + P.Quantita, ProgValRes = "
                               "ProgValRes + P.Valore, ProgQtaResF = ProgQtaResF + P.Quantita, ProgValResF = "
                               "ProgValResF + P.Valore FROM (SELECT IdConto, IdImballo, Quantita, %1 AS Valore FROM "
                               "Bench_Proposta P) P WHERE LUMO_ProgCauz.IdContoTp = 'CL' AND LUMO_ProgCauz.IdConto "
                               "= P.IdConto AND LUMO_ProgCauz.IdImballo = P.IdImballo AND "
                               "LUMO_ProgCauz.IdDestinazione = 0")
                    .arg(valore));
            db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = %1 + (SELECT COALESCE(MAX(Fattura), 0) FROM "
                                      "Bench_Proposta)")
                           .arg(numero));
        },
        Fatturato, true);
}

// ---------------------------------------------------------------- movement deletion

const QDateTime kDa(QDate(2026, 1, 1), QTime(0, 0));
const QDateTime kA(QDate(2026, 12, 31), QTime(0, 0));

QString MovimentiRimasti(TXDatabase &db)
{
    return db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_MovCauT")).toString() + QLatin1Char('/')
           + db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_MovCauR")).toString();
}

void BenchEliminazione(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, Eliminazione, SeminaMovimenti,
        [](TXDatabase &) {
            TDMILUMO::Crea(); // as the menu makes it before the window
            auto *f = new TFqarn0212d;
            f->DoCreate();
            QPointer<TFqarn0212d> finestra(f);
            f->tPars->FieldByName(QStringLiteral("Da_Data"))->SetAsDateTime(kDa);
            f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(kA);
            f->btEseguiClick();
            delete finestra.data();
        },
        MovimentiRimasti, false);
}

void BenchEliminazioneSql(benchmark::State &state, Engine *e)
{
    Misura(
        state, e, SqlEliminazione, SeminaMovimenti,
        [](TXDatabase &db) {
            const QString periodo =
                QStringLiteral("DataReg >= %1 AND DataReg <= %2").arg(db.FormatDataSQL(kDa), db.FormatDataSQL(kA));
            db.ExecSQL(
                QStringLiteral("DELETE FROM LUMO_MovCauR WHERE KContaT IN (SELECT KContaT FROM LUMO_MovCauT WHERE %1)")
                    .arg(periodo));
            db.ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauT WHERE %1").arg(periodo));
        },
        MovimentiRimasti, true);
}

// ----------------------------------------------------------------

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url, const QString &schema = QString())
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    e->url = url;
    e->schema = schema;
    Globale globale(e.get());
    Semina(globale.Db());
    // every card made once, so that both runs of job 0 find them
    EseguiFinestra([](TFqarn0156d *f) { f->CalcolaProgressivi(); });
    return e;
}

void Prepara()
{
    ModuleData::Use(&ModuleFiles);
    Kmessages::SetMessageService(&risposte);
    CFG.IdDivisa = QStringLiteral("EUR");
    gUtente.IdUtente = QStringLiteral("BENCH");
    for (const char *nome : {"IdIvaSpeseTrasporto", "IdIvaSpeseImballo", "IdIvaSpeseIncasso", "IdIvaSpeseVarie"})
        KV8Config::Set(QStringLiteral("CONTIFISSI"), QLatin1String(nome), QStringLiteral("22"));
    cartella = std::make_unique<QTemporaryDir>();
    engines.push_back(
        MakeEngine("sqlite", QStringLiteral("sqlite:") + cartella->filePath(QStringLiteral("lavori.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        const QString schema = QStringLiteral("kv8benchlavoricauz");
        engines.push_back(MakeEngine("postgres", benchruns::SchemaPulito(server, schema), schema));
    }
    using Bench = void (*)(benchmark::State &, Engine *);
    const Bench bench[] = {BenchRicalcolo,    BenchRicalcoloSql,    BenchRicalcoloVuoto, BenchRicalcoloVuotoSql,
                           BenchCastelletti,  BenchCastellettiSql,  BenchMovimenti,      BenchMovimentiSql,
                           BenchPreparazione, BenchPreparazioneSql, BenchGenerazione,    BenchGenerazioneSql,
                           BenchEliminazione, BenchEliminazioneSql};
    for (auto &e : engines) {
        const int rounds = e->schema.isEmpty() ? benchruns::Rounds("KV8_BENCH_ROUNDS", 3)
                                               : benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3);
        const std::string prefix = std::string(e->label) + "/cauzioni/";
        for (int p = 0; p < PhaseCount; p += 2)
            for (int round = 0; round < rounds; ++round) {
                benchruns::RegisterOneShot(prefix + kNomi[p], bench[p], e.get());
                benchruns::RegisterOneShot(prefix + kNomi[p + 1], bench[p + 1], e.get());
            }
    }
}

void Riporta()
{
    const struct {
        Phase lavoro;
        const char *testo;
        double obiettivo;
    } coppie[] = {{Lavoro0, "job 0, card rebuild / zeroing and one UPDATE per card kind", 5},
                  {Lavoro0Vuoto, "job 0 on a company with no cards / one INSERT ... SELECT per card kind", 5},
                  {Lavoro2, "job 2, document summaries / anti-join INSERT ... SELECT", 5},
                  {Lavoro1, "job 1, document movements / anti-join INSERT ... SELECT", 5},
                  {Preparazione, "stock billing preparation / one aggregate with the list price", 3},
                  {Generazione, "stock billing run / set-based statements writing the same documents and cards", 5},
                  {Eliminazione, "movement deletion / set-based DELETE", 5}};
    std::printf("\ndeposit jobs against set-based SQL (median of the per-round ratios of interleaved rounds; %d "
                "manual rows on %d customers, %d documents)\n",
                kRighe, kConti, kDocumenti);
    for (const auto &c : coppie) {
        std::printf("  %s (target within %.0fx)\n", c.testo, c.obiettivo);
        for (auto &e : engines) {
            if (!e->tempi.Misurati(c.lavoro, c.lavoro + 1))
                continue; // filtered out
            const bool uguali = e->risultato[c.lavoro] == e->risultato[c.lavoro + 1];
            std::printf("    %-8s %.2fx (median of %zu interleaved rounds: job %.1f ms / set-based %.1f ms)%s\n",
                        e->label, e->tempi.Rapporto(c.lavoro, c.lavoro + 1), e->tempi.Giri(c.lavoro, c.lavoro + 1),
                        e->tempi.Mediana(c.lavoro) * 1000, e->tempi.Mediana(c.lavoro + 1) * 1000,
                        uguali ? "" : "   RESULTS DIFFER");
            if (!uguali)
                std::printf("      job: %s\n      sql: %s\n", qPrintable(e->risultato[c.lavoro]),
                            qPrintable(e->risultato[c.lavoro + 1]));
        }
    }
}

void Chiudi()
{
    for (auto &e : engines)
        if (!e->schema.isEmpty())
            benchruns::EliminaSchema(qEnvironmentVariable("KV8_TEST_PG"), e->schema);
    engines.clear();
    cartella.reset();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
