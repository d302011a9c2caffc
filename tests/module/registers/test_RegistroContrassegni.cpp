// The tax-stamp register opened from its menu code: the start date and numbering from the
// stored progressive of grouping, stamp type and product type, the selection by stamp type and
// product type, units by causal, the stamp totals with the bottled column, the print and the
// definitive update stored whole; the stamp progressives window with its yearly rows.
#include "tests/module/registers/RegistriViniFixture.h"
#include "tests/support/DueUtenti.h"

#include "registers/Qarn0110d.h"
#include "registers/Qarn0111f.h"
#include "registers/Qarn0112d.h"

#include <QDir>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

const QString Conferma = QStringLiteral("Conferma aggiornamento definitivo dei dati stampati ");
const QString Nessuno = QStringLiteral("Nessun movimento da stampare nel periodo selezionato");

class RegistroContrassegni : public RegistriVini {
protected:
    void SetUp() override
    {
        RegistriVini::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        for (const auto &[codice, descrizione] :
             {std::pair{"A01", "Contrassegno A 0,75"}, std::pair{"A02", "Contrassegno A 1,5"},
              std::pair{"B12", "Contrassegno B"}})
            Esegui(QStringLiteral("INSERT INTO LUMO_ConIva (IdConIva, DsConIva) VALUES (?, ?)"),
                   {QString::fromLatin1(codice), QString::fromLatin1(descrizione)});
        Articolo(QStringLiteral("VINO1"), QStringLiteral("A01"), 1);
        Articolo(QStringLiteral("VINO2"), QStringLiteral("A02"), 1);
        Articolo(QStringLiteral("ACQUA"), QStringLiteral("A01"), 2);
        Articolo(QStringLiteral("VINOB"), QStringLiteral("B12"), 1);
        Causale(QStringLiteral("CAR"), 0, 0, 0);
        Causale(QStringLiteral("RES"), 0, 1, 0);
        Causale(QStringLiteral("SCA"), 1, 0, 0);
        Causale(QStringLiteral("IMB"), 0, 0, 1);
        Causale(QStringLiteral("ALT"), 2, 0, 0);
    }

    void Articolo(const QString &codice, const QString &contrassegno, int tipoProd)
    {
        Esegui(
            QStringLiteral(
                "INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_IdConIva, UT_LMQ_TipoProd) VALUES (?, ?, ?, ?)"),
            {codice, QStringLiteral("Articolo ") + codice, contrassegno, tipoProd});
    }
    void Causale(const QString &codice, int carSca, int segno, int conImb)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegCon, UT_LMQ_FlCarSca, UT_LMQ_FlSegno, "
                   "UT_LMQ_FlConImb) VALUES (?, ?, 1, ?, ?, ?)"),
               {codice, QStringLiteral("Causale ") + codice, carSca, segno, conImb});
    }
    // A stored stock row, its key drawn as the program draws it.
    void Stock(const QString &contrassegno, int tipoProd, double esistenza, double imbottigliato, int gruppo = 1)
    {
        const qint64 chiave = company.Database().NewKey(QStringLiteral("LUMO_ProgRegCiT"), QStringLiteral("KProgRegT"));
        Esegui(QStringLiteral("INSERT INTO LUMO_ProgRegCiT (KProgRegT, IdRaggMag, IdConIva, TipoProdotto, Esistenza, "
                              "GiacImbott) VALUES (?, ?, ?, ?, ?, ?)"),
               {chiave, gruppo, contrassegno, tipoProd, esistenza, imbottigliato});
    }

    TFqarn0110d *Apri() { return MasterDettaglio::Apri<TFqarn0110d>(QStringLiteral("QARN0110D")); }
    void Imposta(TFqarn0110d *f, const QString &tipo, int tipoProd, const QDate &da, const QDate &a, bool definitiva)
    {
        f->tPars->FieldByName(QStringLiteral("TipoContr"))->SetAsString(tipo);
        f->tPars->FieldByName(QStringLiteral("TipoProd"))->SetAsInteger(tipoProd);
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
        if (da.isValid())
            f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(da);
        f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(a);
        f->tPars->FieldByName(QStringLiteral("FlDefinitiva"))->SetAsInteger(definitiva ? 1 : 0);
    }
    ReportCapture::Print Esegui(const QString &tipo, int tipoProd, const QDate &da, const QDate &a, bool definitiva)
    {
        TFqarn0110d *f = Apri();
        if (!f)
            return {};
        Imposta(f, tipo, tipoProd, da, a, definitiva);
        return Lancia(f);
    }
    using MasterDettaglio::Esegui;

    static QStringList Righe()
    {
        return Locale(QStringLiteral(
            "SELECT NumeroRiga, IdProdotto, QtaCarico, QtaScarico FROM LUMO_t_RegCon ORDER BY NumeroRiga"));
    }
    static QStringList Totali()
    {
        return Locale(
            QStringLiteral("SELECT IdConIva, EsistenzaIni, CaricoPeriodo, ScaricoPeriodo, EsistenzaFin, Imbottigliato "
                           "FROM LUMO_t_RegConTot ORDER BY IdConIva"));
    }
    QStringList StockSalvato()
    {
        return Elenco(QStringLiteral("SELECT IdConIva, TipoProdotto, Esistenza, GiacImbott FROM LUMO_ProgRegCiT "
                                     "ORDER BY IdConIva, TipoProdotto"));
    }
    QStringList AnniSalvati()
    {
        return Elenco(QStringLiteral("SELECT T.IdConIva, R.Anno, R.ProgCarico, R.ProgScarico FROM LUMO_ProgRegCiR R "
                                     "JOIN LUMO_ProgRegCiT T ON T.KProgRegT = R.KProgRegT ORDER BY T.IdConIva"));
    }
};

} // namespace

TEST_F(RegistroContrassegni, UnitsByCausalOnlyForTheStampTypeProductTypeAndGrouping)
{
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 600);
    Movimento(2, Giorno(4, 3), 2, QStringLiteral("SCA"), QStringLiteral("VINO2"), 24, QStringLiteral("C1"));
    Movimento(3, Giorno(4, 4), 1, QStringLiteral("RES"), QStringLiteral("VINO1"), 6);   // load with sign 1
    Movimento(4, Giorno(4, 5), 1, QStringLiteral("CAR"), QStringLiteral("VINOB"), 100); // stamp B12
    Movimento(5, Giorno(4, 5), 1, QStringLiteral("CAR"), QStringLiteral("ACQUA"), 100); // product type 2
    Movimento(6, Giorno(4, 6), 3, QStringLiteral("CAR"), QStringLiteral("VINO1"), 100); // outside the grouping
    Movimento(7, Giorno(4, 7), 1, QStringLiteral("ALT"), QStringLiteral("VINO1"), 9);   // no column
    Movimento(8, Giorno(4, 30, 17), 1, QStringLiteral("SCA"), QStringLiteral("VINO1"),
              12); // time of day on the last date

    const ReportCapture::Print stampa = Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_EQ(Righe(), (QStringList{"1/VINO1/600/-", "2/VINO2/-/24", "3/VINO1/-6/-", "4/VINO1/-/-", "5/VINO1/-/12"}));
    EXPECT_EQ(Locale(QStringLiteral("SELECT RagioneSociale FROM LUMO_t_RegCon WHERE NumeroRiga = 2")),
              QStringList{"Enoteca Rossi"});
    EXPECT_EQ(Totali(), (QStringList{"A01/-/594/12/582/-", "A02/-/0/24/-24/-"}));
    EXPECT_FALSE(stampa.Document.Pages.isEmpty());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiT")), 0) << "a trial print stores nothing";

    // Product type 0: every product type, stamp type A only.
    Esegui(QStringLiteral("A"), 0, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_EQ(Locale(QStringLiteral("SELECT IdProdotto FROM LUMO_t_RegCon WHERE IdProdotto = 'ACQUA'")),
              QStringList{"ACQUA"});
    EXPECT_EQ(Locale(QStringLiteral("SELECT COUNT(*) FROM LUMO_t_RegCon WHERE IdConIva = 'B12'")), QStringList{"0"});
}

TEST_F(RegistroContrassegni, LinesNumberedByDateThenMovementAndTheStampTypeMatchedExactly)
{
    Movimento(7, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 10);
    Movimento(3, Giorno(4, 9), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 20);
    Movimento(5, Giorno(4, 2), 2, QStringLiteral("SCA"), QStringLiteral("VINO2"), 4);

    Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_EQ(Righe(), (QStringList{"1/VINO2/-/4", "2/VINO1/10/-", "3/VINO1/20/-"}));
    EXPECT_EQ(Totali(), (QStringList{"A01/-/30/0/30/-", "A02/-/0/4/-4/-"}));

    // a stamp type in lower case is another type: nothing to print
    Esegui(QStringLiteral("a"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_TRUE(script.Shown(Nessuno));
    EXPECT_TRUE(Righe().isEmpty());
}

TEST_F(RegistroContrassegni, EveryCodeOfTheTypeEvenOutsideTheStampTableAndNoWildcardTypes)
{
    Articolo(QStringLiteral("VINO9"), QStringLiteral("A9"), 1); // a code the stamp table lacks
    Articolo(QStringLiteral("VINOC"), QStringLiteral("AB'1"), 1);
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("VINO9"), 5);
    Movimento(2, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("VINOC"), 7);
    Movimento(3, Giorno(4, 4), 1, QStringLiteral("CAR"), QStringLiteral("VINOB"), 9);

    Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_EQ(Righe(), (QStringList{"1/VINO9/5/-", "2/VINOC/7/-"}));
    EXPECT_EQ(Totali(), (QStringList{"A9/-/5/0/5/-", "AB'1/-/7/0/7/-"}));

    // a type that is a pattern character matches only codes starting with it
    for (const QString &tipo : {QStringLiteral("%"), QStringLiteral("_")}) {
        Esegui(tipo, 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
        EXPECT_TRUE(Righe().isEmpty()) << qPrintable(tipo);
    }
}

TEST_F(RegistroContrassegni, StoredStockOpensTheTotalsAndIsRewrittenWithTheBottledColumn)
{
    Stock(QStringLiteral("A01"), 1, 1000, 200);
    Stock(QStringLiteral("B12"), 1, 50, 5); // another stamp type of the same grouping and product type
    Stock(QStringLiteral("A02"), 0, 70, 7); // product type 0: opens only a register of type 0
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("IMB"), QStringLiteral("VINO1"), 300);
    Movimento(2, Giorno(4, 3), 1, QStringLiteral("SCA"), QStringLiteral("VINO1"), 100);
    Movimento(3, Giorno(4, 4), 1, QStringLiteral("CAR"), QStringLiteral("VINO2"), 40); // a new stamp

    script.Yes(Conferma);
    Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    EXPECT_EQ(Totali(), (QStringList{"A01/1000/300/100/1200/500", "A02/-/40/0/40/-", "B12/50/-/-/50/5"}));
    EXPECT_EQ(StockSalvato(), (QStringList{"A01/1/1200/500", "A02/0/70/7", "A02/1/40/0", "B12/1/50/5"}));
    EXPECT_EQ(AnniSalvati(), (QStringList{"A01/2026/300/100", "A02/2026/40/0", "B12/2026/0/0"}))
        << "a year row with no movement too";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiT"), QStringLiteral("TipoProdotto = 1 AND DataUltAgg IS NULL")), 0);
    EXPECT_EQ(ProgressivoSalvato(QStringLiteral("CONA1")), QStringLiteral("30/04/3"));

    // May opens from the stored stock and bottled stock, numbering on.
    Movimento(4, Giorno(5, 2), 1, QStringLiteral("IMB"), QStringLiteral("VINO1"), 10);
    script.Yes(Conferma);
    Esegui(QStringLiteral("A"), 1, QDate(), QDate(2026, 5, 31), true);
    EXPECT_EQ(Righe(), QStringList{"4/VINO1/10/-"});
    EXPECT_EQ(Totali().first(), QStringLiteral("A01/1200/10/0/1210/510"));
    EXPECT_EQ(ProgressivoSalvato(QStringLiteral("CONA1")), QStringLiteral("31/05/4"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT R.ProgCarico FROM LUMO_ProgRegCiR R JOIN LUMO_ProgRegCiT T "
                                    "ON T.KProgRegT = R.KProgRegT WHERE T.IdConIva = 'A01' AND T.TipoProdotto = 1")),
              QStringList{"310"});
}

TEST_F(RegistroContrassegni, TheProgressiveDecidesStartDateAndNumbering)
{
    Progressivo(QStringLiteral("CONA1"), Giorno(3, 31), 120);
    Progressivo(QStringLiteral("CONA2"), Giorno(1, 31), 7);
    Movimento(1, Giorno(3, 20), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 5); // before the progressive
    Movimento(2, Giorno(4, 1), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 6);

    TFqarn0110d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QStringLiteral("A"), 1, QDate(), QDate(2026, 4, 30), false);
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QDate(2026, 4, 1));
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("UltNumRiga"))->AsInteger(), 120);
    f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDate(2026, 3, 1)); // typed over
    EXPECT_TRUE(script.Shown(QStringLiteral("Data iniziale non valida")));
    Lancia(f);
    EXPECT_EQ(Righe(), QStringList{"121/VINO1/6/-"}) << "the run starts on 01/04 whatever was typed";

    // Another product type reads its own progressive.
    TFqarn0110d *g = Apri();
    ASSERT_NE(g, nullptr);
    Imposta(g, QStringLiteral("A"), 2, QDate(), QDate(2026, 4, 30), false);
    EXPECT_EQ(g->_TipoRegistro, QStringLiteral("CONA2"));
    EXPECT_EQ(g->tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QDate(2026, 2, 1));
    EXPECT_EQ(g->tPars->FieldByName(QStringLiteral("UltNumRiga"))->AsInteger(), 7);
}

TEST_F(RegistroContrassegni, NumbersAboveTheSmallIntegerRangeContinue)
{
    Progressivo(QStringLiteral("CONA1"), Giorno(3, 31), 40000);
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 6);
    script.Yes(Conferma);
    Esegui(QStringLiteral("A"), 1, QDate(), QDate(2026, 4, 30), true);
    EXPECT_EQ(Righe(), QStringList{"40001/VINO1/6/-"});
    EXPECT_EQ(ProgressivoSalvato(QStringLiteral("CONA1")), QStringLiteral("30/04/40001"));
}

TEST_F(RegistroContrassegni, RunChecksAndAnEmptyPeriod)
{
    TFqarn0110d *f = Apri();
    ASSERT_NE(f, nullptr);
    f->tPars->FieldByName(QStringLiteral("TipoContr"))->Clear(); // the record outlives the dialog
    f->tPars->FieldByName(QStringLiteral("TipoProd"))->Clear();
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("7")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Raggruppamento non trovato")));
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Selezionare un tipo contrassegno"));
    f->tPars->FieldByName(QStringLiteral("TipoContr"))->SetAsString(QStringLiteral("A"));
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Compilare tutti i dati"));
    Imposta(f, QStringLiteral("A"), 1, QDate(2026, 12, 1), QDate(2027, 1, 31), false);
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Anno data inizio / fine non coerente con esercizio in uso"));
    Imposta(f, QStringLiteral("A"), 1, QDate(2026, 5, 1), QDate(2026, 4, 1), false);
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Data Iniziale superiore alla data finale"));
    ProcessEvents();
    EXPECT_EQ(main->ChildCount(), 1) << "a refused run leaves the dialog open";

    const ReportCapture::Print vuota = Esegui(QStringLiteral("A"), 1, QDate(2026, 6, 1), QDate(2026, 6, 30), true);
    EXPECT_TRUE(script.Shown(Nessuno));
    EXPECT_TRUE(vuota.Document.Pages.isEmpty());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegistri")), 0);
    EXPECT_EQ(main->ChildCount(), 0) << "the dialog closes after a run";
}

TEST_F(RegistroContrassegni, ANoAndAFailedUpdateStoreNothing)
{
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 6);
    script.No(Conferma);
    Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiT")), 0);

    ASSERT_TRUE(GuastaProgressivi());
    script.Yes(Conferma);
    Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    EXPECT_NE(script.LastText(), Conferma) << "the error is shown";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiT")), 0) << "stock rolled back with the progressive";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiR")), 0);
}

TEST_F(RegistroContrassegni, ThePrintShowsLinesGroupTotalsAndStampTotals)
{
    Stock(QStringLiteral("A02"), 1, 80, 0);
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 600);
    Movimento(2, Giorno(4, 3), 2, QStringLiteral("SCA"), QStringLiteral("VINO1"), 24.5, QStringLiteral("C1"));
    const ReportCapture::Print stampa = Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    const ReportDocument &doc = stampa.Document;
    ASSERT_EQ(doc.PageCount(), 2) << "the stamp totals on a page of their own";
    const ReportPage &p1 = doc.Pages[0];
    EXPECT_TRUE(p1.HasText(QStringLiteral("Registro Contrassegno I.V.A.")));
    EXPECT_TRUE(p1.HasText(QStringLiteral("Dal 01/04/2026  Al 30/04/2026")));
    EXPECT_TRUE(p1.HasText(QStringLiteral("Raggruppamento 1  Cantina")));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdNumeroRiga")), (QStringList{"1", "2"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdQtaScarico")), QStringList{"24,50"}) << "blank when zero";
    EXPECT_EQ(p1.TextsOf(QStringLiteral("smCarico")), QStringList{"600,00"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("smScarico")), QStringList{"24,50"});
    const ReportPage &p2 = doc.Pages[1];
    EXPECT_TRUE(p2.HasText(QStringLiteral("Totali Registro Contrassegni IVA")));
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdTotIdConIva")), (QStringList{"A01", "A02"}));
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdEsistenzaFin")), (QStringList{"575,50", "80,00"}));
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdCaricoPeriodo")), QStringList{"600,00"});

    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    TFqarn0110d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    f->btEsegui->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);
}

// ---- the stamp progressives window

namespace {

const QString Registrazione = QStringLiteral("Conferma Registrazione ?");
const QString Cancellazione = QStringLiteral("Conferma Cancellazione ?");
const QString Abbandono = QStringLiteral("Conferma Abbandono Modifiche ?");

class ProgressiviContrassegni : public RegistroContrassegni {
protected:
    TFqarn0111f *Finestra() { return MasterDettaglio::Apri<TFqarn0111f>(QStringLiteral("QARN0111F")); }
    // A new stock row of grouping 1, stamp A01, product type 1 with its yearly rows.
    void NuovaTesta(TFqarn0111f *f, double imbottigliato, const QList<std::tuple<int, double, double>> &anni)
    {
        Premi(f, nbInsert);
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdConIva"), QStringLiteral("A01")));
        f->tMain->FieldByName(QStringLiteral("TipoProdotto"))->SetAsInteger(1);
        f->tMain->FieldByName(QStringLiteral("Esistenza"))->SetAsFloat(900);
        f->tMain->FieldByName(QStringLiteral("GiacImbott"))->SetAsFloat(imbottigliato);
        for (const auto &[anno, carico, scarico] : anni) {
            f->TTDettaglio->Append();
            f->TTDettaglio->FieldByName(QStringLiteral("Anno"))->SetAsInteger(anno);
            f->TTDettaglio->FieldByName(QStringLiteral("ProgCarico"))->SetAsFloat(carico);
            f->TTDettaglio->FieldByName(QStringLiteral("ProgScarico"))->SetAsFloat(scarico);
            f->TTDettaglio->Post();
        }
        script.Yes(Registrazione);
        Premi(f, nbPost);
    }
};

} // namespace

TEST_F(ProgressiviContrassegni, AHandBottledStockOpensTheNextRegister)
{
    TFqarn0111f *f = Finestra();
    ASSERT_NE(f, nullptr);
    NuovaTesta(f, 250, {{2025, 10, 2}, {2026, 30, 4}});
    EXPECT_EQ(StockSalvato(), QStringList{"A01/1/900/250"}) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(AnniSalvati(), (QStringList{"A01/2025/10/2", "A01/2026/30/4"}));
    f->close();
    ProcessEvents();

    Movimento(1, Giorno(4, 2), 1, QStringLiteral("IMB"), QStringLiteral("VINO1"), 50);
    Esegui(QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_EQ(Totali(), QStringList{"A01/900/50/0/950/300"});
}

TEST_F(ProgressiviContrassegni, UnknownCodesAndDuplicatesAreRefused)
{
    Stock(QStringLiteral("A01"), 1, 10, 0);
    TFqarn0111f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("9")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice raggruppamento non valido")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdConIva"), QStringLiteral("ZZ")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Contrassegno non valido")));
    script.Yes(Abbandono);
    Tasto(f->Control<TDBEdit>(QStringLiteral("edIdRaggMag")), Qt::Key_Escape);
    ProcessEvents();

    NuovaTesta(f, 0, {{2026, 5, 0}});
    EXPECT_TRUE(script.Shown(QStringLiteral("Esistono già i progressivi del contrassegno A01, tipo prodotto 1, per il "
                                            "raggruppamento 1: modificare quelli.")))
        << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiT")), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiR")), 0) << "the rows rolled back with the stock row";
}

TEST_F(ProgressiviContrassegni, AYearTwiceIsRefusedAndADeleteTakesTheYears)
{
    TFqarn0111f *f = Finestra();
    ASSERT_NE(f, nullptr);
    NuovaTesta(f, 0, {{2026, 5, 0}, {2026, 6, 0}});
    EXPECT_TRUE(script.Shown(QStringLiteral("L'anno 2026 è indicato più di una volta: togliere la riga in più.")))
        << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiR")), 0);
    script.Yes(Abbandono);
    f->close();
    ProcessEvents();

    TFqarn0111f *g = Finestra();
    ASSERT_NE(g, nullptr);
    NuovaTesta(g, 0, {{2025, 5, 0}, {2026, 6, 0}});
    ASSERT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiR")), 2);
    script.Yes(Cancellazione);
    Premi(g, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCiR")), 0);
}

// ---- the stamp progressives analysis

namespace {

class AnalisiContrassegni : public RegistroContrassegni {
protected:
    TFqarn0112d *Analisi(int gruppo, const QString &contrassegno, int tipoProd)
    {
        auto *f = MasterDettaglio::Apri<TFqarn0112d>(QStringLiteral("QARN0112D"));
        if (!f)
            return nullptr;
        f->tPars->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
        f->tPars->FieldByName(QStringLiteral("IdConIva"))->SetAsString(contrassegno);
        f->tPars->FieldByName(QStringLiteral("TipoProdotto"))->SetAsInteger(tipoProd);
        f->btEsegui->click();
        ProcessEvents();
        return f;
    }
    static QStringList Risultati()
    {
        return Locale(
            QStringLiteral("SELECT IdRaggMag, TipoProd, IdConIva, EsistenzaFin, Imbottigliato FROM LUMO_t_AnaConTot "
                           "ORDER BY IdConIva"));
    }
};

} // namespace

TEST_F(AnalisiContrassegni, SumsPerStampOrUnderThePrefixAsked)
{
    Stock(QStringLiteral("A01"), 1, 100, 10);
    Stock(QStringLiteral("A02"), 1, 50, 5);
    Stock(QStringLiteral("A01"), 2, 7, 0, 2);
    Stock(QStringLiteral("A"), 1, 1000, 0); // shorter than the text asked
    Stock(QStringLiteral("B12"), 1, 30, 3);

    TFqarn0112d *f = Analisi(0, QString(), 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Pagina(), 1);
    EXPECT_EQ(Risultati(), (QStringList{"0/0/A/1000/0", "0/0/A01/107/10", "0/0/A02/50/5", "0/0/B12/30/3"}))
        << "every grouping and product type summed";

    Analisi(1, QStringLiteral("A0"), 1);
    EXPECT_EQ(Risultati(), QStringList{"1/1/A0/150/15"}) << "A01 and A02 of grouping 1, type 1; A never matches";

    Analisi(0, QStringLiteral("A01"), 2);
    EXPECT_EQ(Risultati(), QStringList{"0/2/A01/7/0"});
}

TEST_F(AnalisiContrassegni, AnEmptyStoreShowsNothingAndThePrintNamesTheProductType)
{
    TFqarn0112d *f = Analisi(0, QString(), 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Pagina(), 0) << "no stored stock: the parameters stay in front";
    EXPECT_TRUE(Risultati().isEmpty());

    Stock(QStringLiteral("A01"), 1, 100, 0);
    Stock(QStringLiteral("A02"), 1, 40.5, 2);
    f->btEsegui->click();
    ProcessEvents();
    {
        ReportCapture capture;
        f->btStampa->click();
        ProcessEvents();
        ASSERT_FALSE(capture.Prints().isEmpty());
        const ReportPage &p = capture.Last().Document.Pages[0];
        EXPECT_TRUE(p.HasText(QStringLiteral("Progressivi Contrassegni Iva")));
        EXPECT_EQ(p.TextsOf(QStringLiteral("fdIdConIva")), (QStringList{"A01", "A02"}));
        EXPECT_TRUE(p.TextsOf(QStringLiteral("fdTipoProd")).join(QString()).isEmpty()) << "no product type asked";
        EXPECT_EQ(p.TextsOf(QStringLiteral("fdEsistenzaFin")), (QStringList{"100,00", "40,50"}));
        EXPECT_EQ(p.TextsOf(QStringLiteral("fdImbottigliato")), QStringList{"2,00"}) << "blank when zero";
    }

    Analisi(0, QString(), 1);
    {
        ReportCapture vini;
        Fqarn0112d->btStampa->click();
        ProcessEvents();
        ASSERT_FALSE(vini.Prints().isEmpty());
        EXPECT_EQ(vini.Last().Document.Pages[0].TextsOf(QStringLiteral("fdTipoProd")), (QStringList{"Vini", "Vini"}));
    }

    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    Fqarn0112d->btStampa->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);
}

// A user's definitive stamp register of April, stamps A of product type 1, grouping 1.
KV8_LAVORO_UTENTE(RegistroContrassegni, RegistroContrassegniDefinitivo)
{
    script.Yes(Conferma);
    script.AllowUnusedAnswers(); // refused before the question when the other user has stored already
    TFqarn0110d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QStringLiteral("A"), 1, QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    kv8test::AttendiVia();
    Lancia(f);
    kv8test::NotaUtente(script.Texts());
}

TEST_F(RegistroContrassegni, TwoUsersPrintingTheSameRegisterDefinitivelyStoreItOnce)
{
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("VINO1"), 500);
    Movimento(2, Giorno(4, 3), 1, QStringLiteral("SCA"), QStringLiteral("VINO1"), 50);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        for (const char *t : {"LUMO_ProgRegistri", "LUMO_ProgRegCiR", "LUMO_ProgRegCiT"})
            Esegui(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        Stock(QStringLiteral("A01"), 1, 1000, 0);
        const auto utenti = kv8test::DueUtenti(QStringLiteral("RegistroContrassegniDefinitivo"), company.Db().Url(),
                                               avvio, QStringLiteral("registro"));
        kv8test::UnoRifiutato(utenti, avvio,
                              {QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa"),
                               QStringLiteral("Data Iniziale superiore alla data finale")});
        EXPECT_EQ(ProgressivoSalvato(QStringLiteral("CONA1")), QStringLiteral("30/04/2"));
        EXPECT_EQ(StockSalvato(), QStringList{QStringLiteral("A01/1/1450/0")});
        EXPECT_EQ(AnniSalvati(), QStringList{QStringLiteral("A01/2026/500/50")});
    });
}
