#pragma once
// What the benchmarks of the module's document windows share: a document of 500 rows over 100
// articles (five packaging codes, three VAT codes), the database seeded for it, the window's
// rows typed in, each save timed and the fingerprint of what it left, the engines (SQLite and,
// with KV8_TEST_PG, PostgreSQL) with the time of every round of each run and step, and the
// median of the per-round ratios printed.
#include "bench/support/BenchDocumenti.h"
#include "bench/support/BenchMotori.h"
#include "bench/support/BenchRuns.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibmag.h"
#include "host/business/Dmisven.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXTable.h"
#include "host/db/ModuleData.h"
#include "host/db/SchemaInstaller.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ModuleAbi.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>

namespace benchmodulo {

constexpr int kRighe = 500;
constexpr int kArticoli = 100;
inline const QDateTime kData(QDate(2026, 3, 15), QTime(0, 0));
inline const char *const kImballi[] = {"C06", "C12", "C24", "K01", "K02"};
inline const char *const kIva[] = {"04", "10", "22"};

enum Modo { Finestra, Sql, ModoCount };

inline QString Articolo(int i)
{
    return benchdoc::Articolo(i, kArticoli);
}
inline double Colli(int i)
{
    return 1 + i % 5;
}
inline double Prezzo(int i)
{
    return 3.5 + i % 11;
}

// The engine's database as "GlobalDatabase" with the module's data module while the scope lasts.
class Globale {
public:
    explicit Globale(const QString &url) : globale_(url, Moduli)
    {
        lumo_ = std::make_unique<TDMILUMO>();
        DMILUMO = lumo_.get();
    }
    ~Globale()
    {
        DMILUMO = nullptr;
        lumo_.reset();
    }
    Globale(const Globale &) = delete;
    Globale &operator=(const Globale &) = delete;
    TXDatabase &Db() { return globale_.Db(); }

private:
    static void Moduli()
    {
        delete DMIBMag.data();
        delete DMIBase.data();
        delete DMISVen.data(); // its order lines read in this round
    }
    benchdoc::Globale globale_;
    std::unique_ptr<TDMILUMO> lumo_;
};

// The schema with currency, VAT codes, row type, warehouse, year, packages with their deposit
// prices and the articles; proprie are the document's own rows (causals, account), inserted
// before the deposit price list; bottiglie gives every article a bottle of 0.75 litres.
inline void Semina(TXDatabase &db, std::initializer_list<const char *> proprie, bool bottiglie)
{
    SchemaInstaller().Create(db);
    TXTransaction transazione(db);
    for (const char *sql :
         {"INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)",
          "INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('04', '4%', 4), ('10', '10%', 10), ('22', '22%', 22)",
          "INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita) VALUES (0, 'Merce', 0, 1)",
          "INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (1, 'Sede')"})
        db.ExecSQL(QLatin1String(sql));
    for (const char *sql : proprie)
        db.ExecSQL(QLatin1String(sql));
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (1, 'L1', 'EUR')"));
    if (bottiglie)
        db.ExecSQL(QStringLiteral("INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) "
                                  "VALUES ('B75', 'Bordolese', 0.75)"));
    db.ExecSQL(QStringLiteral("INSERT INTO EserciziMagazzino (Esercizio, DataInizio, DataFine) VALUES (2026, ?, ?)"),
               {QDateTime(QDate(2026, 1, 1), QTime(0, 0)), QDateTime(QDate(2026, 12, 31), QTime(0, 0))});
    for (int i = 0; i < 5; ++i) {
        db.ExecSQL(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES (?, ?)"),
                   {QLatin1String(kImballi[i]), QStringLiteral("Imballo %1").arg(i)});
        db.ExecSQL(
            QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (?, 1, ?, ?)"),
            {i + 1, QLatin1String(kImballi[i]), 1.5 + i});
    }
    const QString articoli =
        bottiglie ? QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, QtaImballo, IdImballo, "
                                   "UT_LMQ_IdBottiglia) VALUES (?, ?, 'BT', ?, 6, ?, 'B75')")
                  : QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, QtaImballo, IdImballo) "
                                   "VALUES (?, ?, 'BT', ?, 6, ?)");
    for (int i = 0; i < kArticoli; ++i)
        db.ExecSQL(articoli, {Articolo(i), QStringLiteral("Articolo %1").arg(i), QLatin1String(kIva[i % 3]),
                              QLatin1String(kImballi[i % 5])});
    transazione.Commit();
}

// The window's document rows typed in; esci is what the window does when the user leaves the
// article (units per package from it).
template <typename Form, typename Esci> void ScriviRighe(Form &f, Esci esci)
{
    for (int i = 0; i < kRighe; ++i) {
        f.TRighe->Append();
        f.TRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(Articolo(i));
        esci();
        f.TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(Colli(i));
        f.TRighe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(Prezzo(i));
        f.TRighe->Post();
    }
}

// Every row of the window's document one package more.
template <typename Form> void UnColloInPiu(Form &f)
{
    for (f.TRighe->First(); !f.TRighe->Eof(); f.TRighe->Next()) {
        f.TRighe->Edit();
        TField *colli = f.TRighe->FieldByName(QStringLiteral("Lunghezza"));
        colli->SetAsFloat(colli->AsFloat() + 1);
        f.TRighe->Post();
    }
}

// Seconds the window's save (or deletion) takes; the benchmark fails with errore when the
// window reports it did not succeed.
template <typename Form, typename Azione>
double Salva(benchmark::State &state, Form &f, Azione azione, const char *errore)
{
    const auto t0 = std::chrono::steady_clock::now();
    azione();
    const double secondi = benchruns::Seconds(t0);
    if (!f.SalvataggioRiuscito)
        state.SkipWithError(errore);
    return secondi;
}

// The three steps (new, changed, deleted) one after the other, each giving its seconds, with
// annota(step, seconds) after each; the seconds of the three together.
template <typename Nuova, typename Modifica, typename Cancella, typename Annota>
double TrePassi(Nuova nuova, Modifica modifica, Cancella cancella, Annota annota)
{
    const double primo = nuova();
    annota(0, primo);
    const double secondo = modifica();
    annota(1, secondo);
    const double terzo = cancella();
    annota(2, terzo);
    return primo + secondo + terzo;
}

// The window's three steps on the document typed in: saved new, reopened by riapri (edit mode)
// and saved with every row one package more, then deleted.
template <typename Form, typename Riapri, typename Annota>
double SalvaModificaCancella(benchmark::State &state, Form &f, Riapri riapri, Annota annota)
{
    return TrePassi(
        [&] {
            return Salva(
                state, f, [&f] { f.SalvaDocumento(); }, "bolla non salvata");
        },
        [&] {
            riapri();
            UnColloInPiu(f);
            return Salva(
                state, f, [&f] { f.SalvaDocumento(); }, "bolla modificata non salvata");
        },
        [&] {
            return Salva(
                state, f, [&f] { f.CancellaDocumento(); }, "bolla non cancellata");
        },
        annota);
}

// Seconds the body takes in one transaction, committed.
template <typename Corpo> double InTransazione(TXDatabase &db, Corpo corpo)
{
    const auto t0 = std::chrono::steady_clock::now();
    {
        TXTransaction transazione(db);
        corpo();
        transazione.Commit();
    }
    return benchruns::Seconds(t0);
}

// The document's rows in one multi-row INSERT with the values in the text (the benchmark's own
// numbers and article codes); insert is the statement up to VALUES, naming key (after base),
// head k, order number, row type, article, unit, warehouse, packages, units per package,
// quantity, price, importi amount columns, VAT code, packaging code and, with litri, the litres.
inline void InserisciRighe(benchmark::State &state, TXDatabase &db, const QString &insert, qint64 base, qint64 k,
                           int importi, bool litri)
{
    const QString forma = QStringLiteral("(%1, %2, %3, 0, '%4', 'BT', 1, %5, 6, %6, %7, ")
                          + QStringLiteral("%8, ").repeated(importi) + QStringLiteral("'%9', '%10'")
                          + (litri ? QStringLiteral(", %11)") : QStringLiteral(")"));
    QStringList valori;
    for (int i = 0; i < kRighe; ++i) {
        const double quantita = Colli(i) * 6;
        const QString importo = QString::number(Funzioni::KRound(quantita * Prezzo(i), 2), 'f', 2);
        QString riga = forma.arg(base + i + 1)
                           .arg(k)
                           .arg((i + 1) * 1024)
                           .arg(Articolo(i), QString::number(Colli(i), 'f', 0), QString::number(quantita, 'f', 3),
                                QString::number(Prezzo(i), 'f', 4), importo, QLatin1String(kIva[(i % kArticoli) % 3]))
                           .arg(QLatin1String(kImballi[(i % kArticoli) % 5]));
        if (litri)
            riga = riga.arg(QString::number(quantita * 0.75, 'f', 3));
        valori << riga;
    }
    QSqlQuery righe(db.Connection());
    righe.prepare(insert + valori.join(QLatin1Char(',')));
    if (!righe.exec())
        state.SkipWithError("righe non inserite");
}

// The module's settings every document benchmark runs with.
inline void Configura()
{
    ModuleData::Use(&ModuleFiles); // the module's tables, as the program takes them from the library
    Initialize();                  // and its classes in the host's place
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
}

// One engine: its database, the time of every round of each run and step and what each left.
template <int Passi> struct Engine {
    const char *label = "";
    QString url;
    QString schema;
    benchruns::Tempi<ModoCount * Passi> tempi; // run modo's step passo at modo * Passi + passo
    QString impronta[ModoCount][Passi];

    void Annota(Modo modo, int passo, double secondi, const QString &lascia)
    {
        tempi.Aggiungi(modo * Passi + passo, secondi);
        impronta[modo][passo] = lascia;
    }

    // The median ratio of the step on one line (passo named when the benchmark has several
    // steps), with both fingerprints and the message diverse when the runs left different rows.
    void Stampa(int p, const char *passo, const char *diverse) const
    {
        benchruns::StampaRapporto(label, passo, tempi, Finestra * Passi + p, Sql * Passi + p, impronta[Finestra][p],
                                  impronta[Sql][p], diverse);
    }
};

template <int Passi> using Motori = benchruns::Motori<Engine<Passi>>;

// The engines made and seeded by semina (file names the SQLite database, schema the
// PostgreSQL one), each round of the group nome registering the window's run then the SQL one.
template <int Passi>
void PreparaMotori(Motori<Passi> &motori, const char *file, const char *schema, const char *nome,
                   void (*semina)(TXDatabase &), void (*finestra)(benchmark::State &, Engine<Passi> *),
                   void (*sql)(benchmark::State &, Engine<Passi> *))
{
    motori.Crea(QLatin1String(file), QLatin1String(schema), [semina](Engine<Passi> &e) {
        Globale globale(e.url);
        semina(globale.Db());
    });
    motori.Registra(nome, 5, 3, [&](const std::string &prefix, Engine<Passi> *e) {
        benchruns::RegisterOneShot(prefix + "SalvaDocumento", finestra, e);
        benchruns::RegisterOneShot(prefix + "sql", sql, e);
    });
}

} // namespace benchmodulo
