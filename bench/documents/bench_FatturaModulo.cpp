// Cost of the module's invoice save against plain SQL: a new invoice of 500 rows over 100
// articles (five packaging codes, three VAT codes) saved through the module's window (head,
// rows with litres, warehouse movements, deposit summary and cards, totals, in one
// transaction), and once as set-based SQL: the rows in one multi-row INSERT, the movements and
// the summary by INSERT ... SELECT, the cards (general and invoiced) by one UPDATE ... FROM, the totals grouped by VAT
// code; on SQLite and (with KV8_TEST_PG) on PostgreSQL. Prints both times and the ratio (best
// of the rounds; target within 5x) and checks that both leave the same rows, movements,
// summary and cards. KV8_BENCH_ROUNDS, KV8_BENCH_PG_ROUNDS set the rounds.
#include "bench/support/BenchParti.h"
#include "bench/support/BenchRuns.h"
#include "documents/Sven0008f_p.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibmag.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/ModuleData.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"
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

constexpr int kRighe = 500;
constexpr int kArticoli = 100;
const QDateTime kData(QDate(2026, 3, 15), QTime(0, 0));
const char *const kImballi[] = {"C06", "C12", "C24", "K01", "K02"};
const char *const kIva[] = {"04", "10", "22"};

enum Phase { Finestra, Sql, PhaseCount };

struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    double best[PhaseCount];
    QString impronta[PhaseCount];
};

std::vector<std::unique_ptr<Engine>> engines;
std::unique_ptr<QTemporaryDir> cartella;

// Every question answered No (no print, no recalculation asked on a new invoice).
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
        lumo_ = std::make_unique<TDMILUMO>();
        DMILUMO = lumo_.get();
    }
    ~Globale()
    {
        DMILUMO = nullptr;
        lumo_.reset();
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
    std::unique_ptr<TDMILUMO> lumo_;
};

QString Articolo(int i)
{
    return QStringLiteral("A%1").arg(i % kArticoli, 3, 10, QLatin1Char('0'));
}
double Colli(int i)
{
    return 1 + i % 5;
}
double Prezzo(int i)
{
    return 3.5 + i % 11;
}

void Semina(TXDatabase &db)
{
    SchemaInstaller().Create(db);
    TXTransaction transazione(db);
    const char *const righe[] = {
        "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
        "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('04', '4%', 4), ('10', '10%', 10), ('22', '22%', 22)",
        "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita) VALUES (0, 'Merce', 0, 1)",
        "INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (1, 'Sede')",
        "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES ('VEN', 'Vendita', -1)",
        "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, IdCausaleMaga, "
        "UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF) VALUES ('FV', 'Fattura', 0, 0, 1, 'VEN', 1, 1, 1)",
        "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_IdListCau) "
        "VALUES ('CL', 'C1', 'Cliente', 1, 'L1')",
        "INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, NUltFTRegistroV, NumUltFatturaC) VALUES (2026, 0, 0, 0, 0)",
        "INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (1, 'L1', 'EUR')",
        "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"};
    for (const char *sql : righe)
        db.ExecSQL(QLatin1String(sql));
    db.ExecSQL(QStringLiteral("INSERT INTO EserciziMagazzino (Esercizio, DataInizio, DataFine) VALUES (2026, ?, ?)"),
               {QDateTime(QDate(2026, 1, 1), QTime(0, 0)), QDateTime(QDate(2026, 12, 31), QTime(0, 0))});
    for (int i = 0; i < 5; ++i) {
        db.ExecSQL(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES (?, ?)"),
                   {QLatin1String(kImballi[i]), QStringLiteral("Imballo %1").arg(i)});
        db.ExecSQL(QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (?, 1, ?, ?)"),
                   {i + 1, QLatin1String(kImballi[i]), 1.5 + i});
    }
    for (int i = 0; i < kArticoli; ++i)
        db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, QtaImballo, IdImballo, "
                                  "UT_LMQ_IdBottiglia) VALUES (?, ?, 'BT', ?, 6, ?, 'B75')"),
                   {Articolo(i), QStringLiteral("Articolo %1").arg(i), QLatin1String(kIva[i % 3]),
                    QLatin1String(kImballi[i % 5])});
    transazione.Commit();
}

// Both runs start from no document, movement, summary or card.
void Azzera(TXDatabase &db)
{
    TXTransaction transazione(db);
    for (const char *tabella : {"FattureCliTeste", "FattureCliRighe", "FattureCliTot", "MovMagazzino",
                                "EsistenzeMagazzino", "LUMO_CauzDocFatt", "LUMO_ProgCauz", "LUMO_MovCauT", "LUMO_MovCauR"})
        db.ExecSQL(QStringLiteral("DELETE FROM ") + QLatin1String(tabella));
    db.ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 0, NUltFTRegistroV = 0"));
    transazione.Commit();
}

QString Impronta(TXDatabase &db)
{
    QStringList parti;
    for (const char *sql : {"SELECT COUNT(*), SUM(Numero), SUM(UT_LMQ_TotLit) FROM FattureCliTeste",
                            "SELECT COUNT(*), SUM(Lunghezza), SUM(Quantita), SUM(ImportoNetto), SUM(UT_LMQ_TotLit) "
                            "FROM FattureCliRighe",
                            "SELECT COUNT(*), SUM(Quantita) FROM MovMagazzino",
                            "SELECT COUNT(*), SUM(QtaCar), SUM(ValoreCar) FROM LUMO_CauzDocFatt",
                            "SELECT SUM(ProgQtaCar), SUM(ProgValCar) FROM LUMO_ProgCauz"}) {
        QSqlQuery q = db.OpenQuery(QLatin1String(sql));
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                parti << QString::number(q.value(i).toDouble(), 'f', 2);
    }
    return parti.join(QLatin1Char(' '));
}

void Registra(benchmark::State &state, Engine *e, Phase fase, double secondi, TXDatabase &db)
{
    state.SetIterationTime(secondi);
    e->best[fase] = std::min(e->best[fase], secondi);
    e->impronta[fase] = Impronta(db);
    state.counters["righe/s"] = kRighe / secondi;
}

void BenchFinestra(benchmark::State &state, Engine *e)
{
    Globale globale(e);
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
        for (int i = 0; i < kRighe; ++i) {
            f.TRighe->Append();
            f.TRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(Articolo(i));
            f.edIdProdottoExit(nullptr); // the user leaves the article: units per package from it
            f.TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(Colli(i));
            f.TRighe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(Prezzo(i));
            f.TRighe->Post();
        }
        const auto t0 = std::chrono::steady_clock::now();
        f.SalvaDocumento();
        const double secondi = benchruns::Seconds(t0);
        if (!f.SalvataggioRiuscito)
            state.SkipWithError("fattura non salvata");
        Registra(state, e, Finestra, secondi, db);
    }
}

void BenchSql(benchmark::State &state, Engine *e)
{
    Globale globale(e);
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
            // the rows in one multi-row INSERT with the values in the text: the benchmark's own
            // numbers and article codes
            QStringList valori;
            const qint64 base =
                db.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(KFattCliR), 0) FROM FattureCliRighe")).toLongLong();
            for (int i = 0; i < kRighe; ++i) {
                const double quantita = Colli(i) * 6;
                const QString importo = QString::number(Funzioni::KRound(quantita * Prezzo(i), 2), 'f', 2);
                valori << QStringLiteral("(%1, %2, %3, 0, '%4', 'BT', 1, %5, 6, %6, %7, %8, %8, %8, %8, '%9', '%10', %11)")
                              .arg(base + i + 1)
                              .arg(k)
                              .arg((i + 1) * 1024)
                              .arg(Articolo(i), QString::number(Colli(i), 'f', 0), QString::number(quantita, 'f', 3),
                                   QString::number(Prezzo(i), 'f', 4), importo, QLatin1String(kIva[(i % kArticoli) % 3]))
                              .arg(QLatin1String(kImballi[(i % kArticoli) % 5]))
                              .arg(QString::number(quantita * 0.75, 'f', 3));
            }
            QSqlQuery righe(db.Connection());
            righe.prepare(QStringLiteral("INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, TipoRigo, IdProdotto, "
                                         "IdUM, IdMagazzino, Lunghezza, Quantita2, Quantita, Prezzo, ImportoLordo, "
                                         "ImportoNetto, ImportoNN, ControValoreNN, IdIva, UT_LMQ_IdImballo1, "
                                         "UT_LMQ_TotLit) VALUES ")
                          + valori.join(QLatin1Char(',')));
            if (!righe.exec())
                state.SkipWithError("righe non inserite");
            db.ExecSQL(QStringLiteral("UPDATE FattureCliTeste SET UT_LMQ_TotLit = (SELECT SUM(UT_LMQ_TotLit) FROM "
                                      "FattureCliRighe WHERE KFattCliT = ?) WHERE KFattCliT = ?"),
                       {k, k});
            db.ExecSQL(QStringLiteral("INSERT INTO MovMagazzino (KMovMag, FlTipoDocum, KRigoDoc, SubNumOrdine, Esercizio, "
                                      "Protocollo, NumOrdine, DataMovimento, DataDocumento, IdContoTp, IdConto, IdCausale, "
                                      "IdMagazzino1, IdMagazzino2, IdProdotto, Quantita, Valore, Prezzo, IdDivisa, Cambio) "
                                      "SELECT R.KFattCliR, 1, R.KFattCliR, 0, 2026, 1, R.NumOrdine, T.DataDocumento, "
                                      "T.DataDocumento, T.IdClienteTp, T.IdCliente, 'VEN', R.IdMagazzino, R.IdMagazzino, "
                                      "R.IdProdotto, R.Quantita, R.ControValoreNN, R.Prezzo, T.IdDivisa, T.Cambio "
                                      "FROM FattureCliRighe R JOIN FattureCliTeste T ON T.KFattCliT = R.KFattCliT "
                                      "WHERE R.KFattCliT = ?"),
                       {k});
            db.ExecSQL(QStringLiteral("INSERT INTO LUMO_CauzDocFatt (KMovimento, FlTipoDocColl, KFattCliT, IdImballo, QtaCar, "
                                      "Prezzo, ValoreCar) SELECT MIN(R.KFattCliR), 2, ?, R.UT_LMQ_IdImballo1, SUM(R.Lunghezza), "
                                      "MIN(L.Prezzo), ROUND(CAST(SUM(R.Lunghezza) * MIN(L.Prezzo) AS NUMERIC), 2) "
                                      "FROM FattureCliRighe R JOIN LUMO_LisCauzR L ON L.IdImballo = R.UT_LMQ_IdImballo1 "
                                      "WHERE R.KFattCliT = ? GROUP BY R.UT_LMQ_IdImballo1"),
                       {k, k});
            db.ExecSQL(QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                                      "IdDivisa) SELECT 'CL', 'C1', 0, C.IdImballo, S.FlTipoScheda, 'EUR' FROM LUMO_CauzDocFatt C "
                                      "CROSS JOIN (SELECT 0 AS FlTipoScheda UNION ALL SELECT 1) S "
                                      "WHERE C.KFattCliT = ?"),
                       {k});
            db.ExecSQL(QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + S.QtaCar, "
                                      "ProgValCar = ProgValCar + S.ValoreCar, ProgQtaCarF = ProgQtaCarF + S.QtaCar, "
                                      "ProgValCarF = ProgValCarF + S.ValoreCar FROM (SELECT IdImballo, QtaCar, ValoreCar "
                                      "FROM LUMO_CauzDocFatt WHERE KFattCliT = ?) S WHERE LUMO_ProgCauz.IdContoTp = 'CL' "
                                      "AND LUMO_ProgCauz.IdConto = 'C1' AND LUMO_ProgCauz.IdImballo = S.IdImballo"),
                       {k});
            db.ExecSQL(QStringLiteral("UPDATE FattureCliTeste SET SpeseImballo = (SELECT SUM(ValoreCar) FROM "
                                      "LUMO_CauzDocFatt WHERE KFattCliT = ?) WHERE KFattCliT = ?"),
                       {k, k});
            db.ExecSQL(QStringLiteral("INSERT INTO FattureCliTot (KFattCliT, TipoRecord, Progressivo, Codice, Importo1, "
                                      "Importo2) SELECT ?, 'IVA', ROW_NUMBER() OVER (ORDER BY R.IdIva), R.IdIva, "
                                      "SUM(R.ImportoNN), ROUND(CAST(SUM(R.ImportoNN) * MIN(I.Aliquota) / 100 AS NUMERIC), 2) "
                                      "FROM FattureCliRighe R JOIN CodiciIva I ON I.IdIva = R.IdIva WHERE R.KFattCliT = ? "
                                      "GROUP BY R.IdIva"),
                       {k, k});
            transazione.Commit();
        }
        Registra(state, e, Sql, benchruns::Seconds(t0), db);
    }
}

std::unique_ptr<Engine> MakeEngine(const char *label, const QString &url, const QString &schema = QString())
{
    auto e = std::make_unique<Engine>();
    e->label = label;
    e->url = url;
    e->schema = schema;
    std::fill(std::begin(e->best), std::end(e->best), std::numeric_limits<double>::infinity());
    Globale globale(e.get());
    Semina(globale.Db());
    return e;
}

void Prepara()
{
    ModuleData::Use(&ModuleFiles); // the module's tables, as the program takes them from the library
    Kmessages::SetMessageService(&risposte);
    CFG.IdDivisa = QStringLiteral("EUR");
    CFG.DecQuantita = 3;
    CFG.DecValoreIT = 2;
    CFG.DecPrezzoIT = 4;
    for (const char *nome : {"IdIvaSpeseTrasporto", "IdIvaSpeseImballo", "IdIvaSpeseIncasso", "IdIvaSpeseVarie"})
        KV8Config::Set(QStringLiteral("CONTIFISSI"), QLatin1String(nome), QStringLiteral("22"));
    UT_LMQ_Parametri = {};
    UT_LMQ_Parametri.FlAbilCauz = 1;
    UT_LMQ_Parametri.FlQtaConf = 1;
    gUtente.IdUtente = QStringLiteral("BENCH");
    cartella = std::make_unique<QTemporaryDir>();
    engines.push_back(MakeEngine("sqlite", QStringLiteral("sqlite:") + cartella->filePath(QStringLiteral("fatture.db"))));
    const QString server = qEnvironmentVariable("KV8_TEST_PG");
    if (!server.isEmpty()) {
        const QString schema = QStringLiteral("kv8benchfatturemodulo");
        engines.push_back(MakeEngine("postgres", benchruns::SchemaPulito(server, schema), schema));
    }
    for (auto &e : engines) {
        const int rounds = e->url.startsWith(QLatin1String("sqlite")) ? benchruns::Rounds("KV8_BENCH_ROUNDS", 5)
                                                                      : benchruns::Rounds("KV8_BENCH_PG_ROUNDS", 3);
        const std::string prefix = std::string(e->label) + "/fattura500/";
        for (int round = 0; round < rounds; ++round) {
            benchruns::RegisterOneShot(prefix + "SalvaDocumento", BenchFinestra, e.get());
            benchruns::RegisterOneShot(prefix + "sql", BenchSql, e.get());
        }
    }
}

void Riporta()
{
    std::printf("\nSalvaDocumento of the module's invoice / multi-row INSERT and set-based movements, deposit summary, "
                "cards and totals (best of the rounds, %d rows, 5 packaging codes, 3 VAT codes; target within 5x)\n",
                kRighe);
    for (auto &e : engines) {
        if (e->best[Finestra] == std::numeric_limits<double>::infinity()
            || e->best[Sql] == std::numeric_limits<double>::infinity())
            continue;
        const bool uguali = e->impronta[Finestra] == e->impronta[Sql];
        std::printf("  %-8s %.2fx (%.3f ms / %.3f ms)%s\n", e->label, e->best[Finestra] / e->best[Sql],
                    e->best[Finestra] * 1000, e->best[Sql] * 1000,
                    uguali ? "" : "   ROWS, MOVEMENTS, SUMMARY OR CARDS DIFFER between the two runs");
        if (!uguali)
            std::printf("    %s\n    %s\n", qPrintable(e->impronta[Finestra]), qPrintable(e->impronta[Sql]));
    }
}

void Chiudi()
{
    Kmessages::SetMessageService(nullptr);
    for (auto &e : engines)
        if (!e->schema.isEmpty()) {
            Globale globale(e.get());
            globale.Db().ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(e->schema));
        }
    engines.clear();
    cartella.reset();
}

const benchparti::Registra parte({Prepara, Riporta, Chiudi});

} // namespace
