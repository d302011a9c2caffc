#pragma once
// The set-based run of the delivery-note benchmarks (customer and supplier note): the note new,
// changed (every row one package more) and deleted, each step in one transaction: the rows in
// one multi-row INSERT or one UPDATE, the movements and the summary by INSERT ... SELECT, stock
// and cards by UPDATE ... FROM, the totals rows by INSERT ... SELECT.
#include "bench/documents/BenchModulo.h"
#include "bench/support/BenchParti.h"
#include "host/ui/Kmessages.h"

namespace benchmodulo {

// The deletion confirmed; every other question answered No (no print).
class RisposteBolla : public TMessageService {
public:
    int Show(const TKMessage &message) override
    {
        if (!message.IsQuestion())
            return mrOk;
        return message.Text.contains(QLatin1String("cancellazione")) ? mrYes : mrNo;
    }
};

// What sets one kind of note apart: its tables and keys, the movements' document type, the
// summary's linked-document type, the account and the warehouse causal; a customer note takes
// stock out, carries litres and moves the delivery-note cards too, a supplier note adds stock.
struct Bolla {
    const char *Teste;
    const char *Righe;
    const char *Tot;
    const char *ChiaveTesta;
    const char *ChiaveRiga;
    const char *Riepilogo;
    int TipoDocum;
    int TipoDocColl;
    const char *Conto; // the head's account columns: Id<Conto>Tp, Id<Conto>
    const char *ContoTp;
    const char *IdConto;
    const char *Causale;
    bool Cliente;
    const char *Testa; // the head's INSERT (key, date)
};

// The statement with the note's names in place of {T}, {R}, {Tot}, {KT}, {KR}, {C}, {Doc},
// {Coll}, {Conto}, {Tp}, {Id}, {Caus}, {Qta} (stock column), {Segno} (stock sign) and, for a
// customer note, {Lit} (the rows' litres column), {LitRiga} (their litres set) and {B} (the
// delivery-note cards set).
inline QString TestoBolla(const Bolla &b, const char *sql)
{
    return QString::fromLatin1(sql)
        .replace(QLatin1String("{T}"), QLatin1String(b.Teste))
        .replace(QLatin1String("{R}"), QLatin1String(b.Righe))
        .replace(QLatin1String("{Tot}"), QLatin1String(b.Tot))
        .replace(QLatin1String("{KT}"), QLatin1String(b.ChiaveTesta))
        .replace(QLatin1String("{KR}"), QLatin1String(b.ChiaveRiga))
        .replace(QLatin1String("{C}"), QLatin1String(b.Riepilogo))
        .replace(QLatin1String("{Doc}"), QString::number(b.TipoDocum))
        .replace(QLatin1String("{Coll}"), QString::number(b.TipoDocColl))
        .replace(QLatin1String("{Conto}"), QLatin1String(b.Conto))
        .replace(QLatin1String("{Tp}"), QLatin1String(b.ContoTp))
        .replace(QLatin1String("{Id}"), QLatin1String(b.IdConto))
        .replace(QLatin1String("{Caus}"), QLatin1String(b.Causale))
        .replace(QLatin1String("{Qta}"), b.Cliente ? QLatin1String("QuantitaSca") : QLatin1String("QuantitaCar"))
        .replace(QLatin1String("{Segno}"), b.Cliente ? QLatin1String("-") : QLatin1String("+"))
        .replace(QLatin1String("{Lit}"), b.Cliente ? QLatin1String(", UT_LMQ_TotLit") : QLatin1String(""))
        .replace(QLatin1String("{LitRiga}"),
                 b.Cliente ? QLatin1String("UT_LMQ_TotLit = (Lunghezza + 1) * Quantita2 * 0.75, ") : QLatin1String(""))
        .replace(QLatin1String("{B}"), b.Cliente ? QLatin1String(", ProgQtaCarB = ProgQtaCarB + ? * S.QtaCar, "
                                                                 "ProgValCarB = ProgValCarB + ? * S.ValoreCar")
                                                 : QLatin1String(""));
}

// The note's totals rows, its packing charge among them.
inline void TotaliBolla(TXDatabase &db, const Bolla &b, qint64 k)
{
    benchdoc::TotaliSql(db, QLatin1String(b.Tot), QLatin1String(b.ChiaveTesta), QLatin1String(b.Righe),
                        QLatin1String(b.Teste), QStringLiteral("%1 = %2").arg(QLatin1String(b.ChiaveTesta)).arg(k),
                        true);
}

// Stock of the note's movements moved (segno 1) or taken back (segno -1), one UPDATE ... FROM.
inline void EsistenzeBolla(TXDatabase &db, const Bolla &b, qint64 k, int segno)
{
    db.ExecSQL(
        TestoBolla(b, "UPDATE EsistenzeMagazzino SET {Qta} = {Qta} + ? * S.Q, "
                      "Esistenza = Esistenza {Segno} ? * S.Q FROM (SELECT M.IdMagazzino1 AS IdMagazzino, M.IdProdotto, "
                      "SUM(M.Quantita) AS Q FROM MovMagazzino M JOIN {R} R ON R.{KR} = M.KRigoDoc "
                      "WHERE M.FlTipoDocum = {Doc} AND R.{KT} = ? GROUP BY M.IdMagazzino1, M.IdProdotto) S "
                      "WHERE EsistenzeMagazzino.Esercizio = 2026 AND EsistenzeMagazzino.IdMagazzino = S.IdMagazzino "
                      "AND EsistenzeMagazzino.IdProdotto = S.IdProdotto"),
        {segno, segno, k});
}

// The stock rows of the note's articles made where missing, then moved by its movements.
inline void NuoveEsistenze(TXDatabase &db, const Bolla &b, qint64 k)
{
    db.ExecSQL(TestoBolla(b,
                          "INSERT INTO EsistenzeMagazzino (Esercizio, IdMagazzino, IdProdotto) SELECT DISTINCT 2026, "
                          "R.IdMagazzino, R.IdProdotto FROM {R} R WHERE R.{KT} = ? AND NOT EXISTS "
                          "(SELECT 1 FROM EsistenzeMagazzino E WHERE E.Esercizio = 2026 AND E.IdMagazzino = "
                          "R.IdMagazzino AND E.IdProdotto = R.IdProdotto)"),
               {k});
    EsistenzeBolla(db, b, k, 1);
}

// The account's cards (general, and for a customer the delivery-note set) moved by the note's
// stored summary.
inline void SchedeBolla(TXDatabase &db, const Bolla &b, qint64 k, int segno)
{
    QVariantList parametri{segno, segno};
    if (b.Cliente)
        parametri << segno << segno;
    parametri << k;
    db.ExecSQL(TestoBolla(b, "UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + ? * S.QtaCar, "
                             "ProgValCar = ProgValCar + ? * S.ValoreCar{B} FROM (SELECT IdImballo, QtaCar, ValoreCar "
                             "FROM {C} WHERE {KT} = ?) S WHERE LUMO_ProgCauz.IdContoTp = '{Tp}' "
                             "AND LUMO_ProgCauz.IdConto = '{Id}' AND LUMO_ProgCauz.IdImballo = S.IdImballo"),
               parametri);
}

// Litres (customer note), movements, summary, charge and totals of the note's stored rows.
inline void DaRigheBolla(TXDatabase &db, const Bolla &b, qint64 k)
{
    if (b.Cliente)
        db.ExecSQL(TestoBolla(b, "UPDATE {T} SET UT_LMQ_TotLit = (SELECT SUM(UT_LMQ_TotLit) FROM {R} "
                                 "WHERE {KT} = ?) WHERE {KT} = ?"),
                   {k, k});
    db.ExecSQL(
        TestoBolla(b, "INSERT INTO MovMagazzino (KMovMag, FlTipoDocum, KRigoDoc, SubNumOrdine, Esercizio, Protocollo, "
                      "NumOrdine, DataMovimento, DataDocumento, IdContoTp, IdConto, IdCausale, IdMagazzino1, "
                      "IdMagazzino2, IdProdotto, Quantita, Valore, Prezzo, IdDivisa, Cambio) "
                      "SELECT R.{KR}, {Doc}, R.{KR}, 0, 2026, 1, R.NumOrdine, T.DataDocumento, "
                      "T.DataDocumento, T.Id{Conto}Tp, T.Id{Conto}, '{Caus}', R.IdMagazzino, R.IdMagazzino, "
                      "R.IdProdotto, R.Quantita, R.ControValoreNN, R.Prezzo, T.IdDivisa, T.Cambio "
                      "FROM {R} R JOIN {T} T ON T.{KT} = R.{KT} "
                      "WHERE R.{KT} = ?"),
        {k});
    NuoveEsistenze(db, b, k);
    db.ExecSQL(TestoBolla(b, "INSERT INTO {C} (KMovimento, FlTipoDocColl, {KT}, IdImballo, QtaCar, "
                             "Prezzo, ValoreCar) SELECT MIN(R.{KR}), {Coll}, ?, R.UT_LMQ_IdImballo1, SUM(R.Lunghezza), "
                             "MIN(L.Prezzo), ROUND(CAST(SUM(R.Lunghezza) * MIN(L.Prezzo) AS NUMERIC), 2) "
                             "FROM {R} R JOIN LUMO_LisCauzR L ON L.IdImballo = R.UT_LMQ_IdImballo1 "
                             "WHERE R.{KT} = ? GROUP BY R.UT_LMQ_IdImballo1"),
               {k, k});
    db.ExecSQL(
        TestoBolla(b, "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                      "IdDivisa) SELECT '{Tp}', '{Id}', 0, C.IdImballo, S.FlTipoScheda, 'EUR' FROM {C} C "
                      "CROSS JOIN (SELECT 0 AS FlTipoScheda UNION ALL SELECT 1) S WHERE C.{KT} = ? AND "
                      "NOT EXISTS (SELECT 1 FROM LUMO_ProgCauz P WHERE P.IdContoTp = '{Tp}' AND P.IdConto = '{Id}' AND "
                      "P.IdImballo = C.IdImballo AND P.FlTipoScheda = S.FlTipoScheda)"),
        {k});
    SchedeBolla(db, b, k, 1);
    db.ExecSQL(TestoBolla(b, "UPDATE {T} SET SpeseImballo = (SELECT SUM(ValoreCar) FROM "
                             "{C} WHERE {KT} = ?) WHERE {KT} = ?"),
               {k, k});
    TotaliBolla(db, b, k);
}

// What DaRigheBolla wrote, taken back: stock and cards first, then the rows it made.
inline void StornaBolla(TXDatabase &db, const Bolla &b, qint64 k)
{
    EsistenzeBolla(db, b, k, -1);
    SchedeBolla(db, b, k, -1);
    db.ExecSQL(TestoBolla(b, "DELETE FROM MovMagazzino WHERE FlTipoDocum = {Doc} AND KRigoDoc IN "
                             "(SELECT {KR} FROM {R} WHERE {KT} = ?)"),
               {k});
    db.ExecSQL(TestoBolla(b, "DELETE FROM {C} WHERE {KT} = ?"), {k});
    db.ExecSQL(TestoBolla(b, "DELETE FROM {Tot} WHERE {KT} = ?"), {k});
}

enum PassoBolla { Nuova, Modificata, Cancellata, PassoCount };

// The part of a delivery-note benchmark: the engines made (file and schema naming their
// databases) and seeded by semina, each round of the group nome running the window's run then
// the set-based one; then the title (its %d the rows) and the ratio of each step, with diverse
// when the two runs left different rows; at the end the engines released.
inline benchparti::Parte ParteBolla(Motori<PassoCount> &motori, const char *file, const char *schema, const char *nome,
                                    void (*semina)(TXDatabase &),
                                    void (*finestra)(benchmark::State &, Engine<PassoCount> *),
                                    void (*sql)(benchmark::State &, Engine<PassoCount> *), const char *titolo,
                                    const char *diverse)
{
    static const char *const passi[] = {"nuova", "modificata", "cancellata"};
    return {[=, &motori] {
                Configura();
                PreparaMotori(motori, file, schema, nome, semina, finestra, sql);
            },
            [=, &motori] {
                std::printf(titolo, kRighe);
                for (auto &e : motori)
                    for (int p = 0; p < PassoCount; ++p)
                        e->Stampa(p, passi[p], diverse);
            },
            [&motori] {
                Kmessages::SetMessageService(nullptr);
                motori.Chiudi();
            }};
}

// The window's rounds on the engine: azzera empties the tables, nuova(f) types the new note into
// the window (head and rows), riapri(f, db) reopens the saved note in edit mode; impronta takes
// what each step left.
template <typename Form, typename Nuova, typename Riapri>
void BenchFinestraBolla(benchmark::State &state, Engine<PassoCount> *e, void (*azzera)(TXDatabase &),
                        QString (*impronta)(TXDatabase &), Nuova nuova, Riapri riapri)
{
    static RisposteBolla risposte;
    Kmessages::SetMessageService(&risposte); // the folder's other parts answer No to every question
    Globale globale(e->url);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        azzera(db);
        Form f;
        f.DoCreate();
        nuova(f);
        const double totale = SalvaModificaCancella(
            state, f, [&] { riapri(f, db); },
            [&](int passo, double secondi) { e->Annota(Finestra, passo, secondi, impronta(db)); });
        state.SetIterationTime(totale);
    }
}

// The set-based run's rounds on the engine: azzera empties the tables before each, impronta
// takes what each step left.
inline void BenchSqlBolla(benchmark::State &state, Engine<PassoCount> *e, const Bolla &b, void (*azzera)(TXDatabase &),
                          QString (*impronta)(TXDatabase &))
{
    Globale globale(e->url);
    TXDatabase &db = globale.Db();
    for (auto _ : state) {
        azzera(db);
        qint64 k = 0;
        const double totale = TrePassi(
            [&] {
                return InTransazione(db, [&] {
                    k = db.NewKey(QLatin1String(b.Teste), QLatin1String(b.ChiaveTesta));
                    db.ExecSQL(QLatin1String(b.Testa), {k, kData});
                    const qint64 base =
                        db.ScalarValue(TestoBolla(b, "SELECT COALESCE(MAX({KR}), 0) FROM {R}")).toLongLong();
                    InserisciRighe(state, db,
                                   TestoBolla(b,
                                              "INSERT INTO {R} ({KR}, {KT}, NumOrdine, TipoRigo, IdProdotto, IdUM, "
                                              "IdMagazzino, Lunghezza, Quantita2, Quantita, Prezzo, ImportoLordo, "
                                              "ImportoNetto, ControValoreNN, IdIva, UT_LMQ_IdImballo1{Lit}) VALUES "),
                                   base, k, 3, b.Cliente);
                    DaRigheBolla(db, b, k);
                });
            },
            [&] {
                return InTransazione(db, [&] {
                    StornaBolla(db, b, k);
                    db.ExecSQL(
                        TestoBolla(b, "UPDATE {R} SET Lunghezza = Lunghezza + 1, Quantita = (Lunghezza + 1) * "
                                      "Quantita2, {LitRiga}ImportoLordo = ROUND(CAST((Lunghezza + 1) * Quantita2 * "
                                      "Prezzo AS NUMERIC), 2), ImportoNetto = ROUND(CAST((Lunghezza + 1) * Quantita2 * "
                                      "Prezzo AS NUMERIC), 2), ControValoreNN = ROUND(CAST((Lunghezza + 1) * "
                                      "Quantita2 * Prezzo AS NUMERIC), 2) WHERE {KT} = ?"),
                        {k});
                    DaRigheBolla(db, b, k);
                });
            },
            [&] {
                return InTransazione(db, [&] {
                    StornaBolla(db, b, k);
                    db.ExecSQL(TestoBolla(b, "DELETE FROM {R} WHERE {KT} = ?"), {k});
                    db.ExecSQL(TestoBolla(b, "DELETE FROM {T} WHERE {KT} = ?"), {k});
                });
            },
            [&](int passo, double secondi) { e->Annota(Sql, passo, secondi, impronta(db)); });
        state.SetIterationTime(totale);
    }
}
} // namespace benchmodulo
