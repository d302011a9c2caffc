// The bottling register opened from its menu code: which movements enter it, the split into
// bulk drawn, loss and bottled quantity, the numbering from the stored progressive and its
// definitive update, the lots of the chosen article categories, the print and its dot-matrix
// text.
#include "tests/module/registers/RegistriViniFixture.h"
#include "tests/support/DueUtenti.h"

#include "host/ui/SelezioneMultipla.h"
#include "registers/Qarn0106d.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace kv8test;

namespace {

const QString Conferma = QStringLiteral("Conferma aggiornamento definitivo dei dati stampati ");
const QString Nessuno = QStringLiteral("Nessun movimento da stampare nel periodo selezionato");

class RegistroImbottigliamento : public RegistriVini {
protected:
    void SetUp() override
    {
        RegistriVini::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Vasche (IdVasca, DsVasca) VALUES ('V1', 'Vasca uno')"));
        Esegui(QStringLiteral(
            "INSERT INTO CategorieMerc (IdCategoria, DsCategoria, FlUtilizzo) VALUES ('ROSSI', 'Vini rossi', 0)"));
        Esegui(QStringLiteral(
            "INSERT INTO CategorieMerc (IdCategoria, DsCategoria, FlUtilizzo) VALUES ('BIANCHI', 'Vini bianchi', 0)"));
        Esegui(QStringLiteral(
            "INSERT INTO CategorieMerc (IdCategoria, DsCategoria, FlUtilizzo) VALUES ('VECCHIA', 'Fuori uso', 1)"));
        Articolo(QStringLiteral("SFUSO"), 4, QStringLiteral("B75"), QStringLiteral("ROSSI"));
        Articolo(QStringLiteral("ROSSO"), 0, QStringLiteral("B75"), QStringLiteral("ROSSI"));
        Articolo(QStringLiteral("BIBITA"), 1, QStringLiteral("B75"), QStringLiteral("BIANCHI"));
        Articolo(QStringLiteral("SPUMA"), 2, QStringLiteral("B75"), QStringLiteral("BIANCHI"));
        Articolo(QStringLiteral("KIT"), 3, QStringLiteral("B75"), QStringLiteral("ROSSI"));
        Articolo(QStringLiteral("ALTRO"), 5, QStringLiteral("B75"), QStringLiteral("ROSSI"));
        Esegui(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegImb) VALUES ('IMB', 'Imbottigliamento', 1)"));
        Esegui(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegImb) VALUES ('VEN', 'Vendita', 0)"));
    }

    void Articolo(const QString &codice, int tipo, const QString &bottiglia, const QString &categoria)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_FlTipArt, UT_LMQ_IdBottiglia, IdCategoria) "
                   "VALUES (?, ?, ?, ?, ?)"),
               {codice, QStringLiteral("Articolo ") + codice, tipo, bottiglia, categoria});
    }
    void Lotto(int chiave, int movimento, const QString &lotto, double quantita)
    {
        Esegui(QStringLiteral("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KRigoDoc, IdLotto, Quantita) VALUES "
                              "(?, 99, ?, ?, ?)"),
               {chiave, movimento, lotto, quantita});
    }

    TFqarn0106d *Apri() { return MasterDettaglio::Apri<TFqarn0106d>(QStringLiteral("QARN0106D")); }
    void Imposta(TFqarn0106d *f, const QDate &da, const QDate &a, bool definitiva, bool lotti = false)
    {
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
        if (da.isValid())
            f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(da);
        f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(a);
        f->tPars->FieldByName(QStringLiteral("FlDefinitiva"))->SetAsInteger(definitiva ? 1 : 0);
        f->tPars->FieldByName(QStringLiteral("FlLotti"))->SetAsInteger(lotti ? 1 : 0);
    }
    ReportCapture::Print Esegui(const QDate &da, const QDate &a, bool definitiva, bool lotti = false)
    {
        TFqarn0106d *f = Apri();
        if (!f)
            return {};
        Imposta(f, da, a, definitiva, lotti);
        return Lancia(f);
    }
    using MasterDettaglio::Esegui;

    static QStringList Righe()
    {
        return Locale(
            QStringLiteral("SELECT NumeroRiga, IdProdotto, QtaSfuso, QtaCalo, QtaImbott, QuantitaLitri, Capacita "
                           "FROM LUMO_t_RegImb ORDER BY NumeroRiga"));
    }
};

} // namespace

TEST_F(RegistroImbottigliamento, TheThreeSplitsAndWhatNeverEnters)
{
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("IMB"), QStringLiteral("SFUSO"), 500);      // bulk drawn
    Movimento(2, Giorno(4, 2), 1, QStringLiteral("IMB"), QStringLiteral("SFUSO"), 8, {}, 1); // bulk loss
    Movimento(3, Giorno(4, 3), 2, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 600, QStringLiteral("C1"));
    Movimento(4, Giorno(4, 3), 1, QStringLiteral("IMB"), QStringLiteral("BIBITA"), 12);
    Movimento(5, Giorno(4, 3), 1, QStringLiteral("IMB"), QStringLiteral("SPUMA"), 6);
    Movimento(6, Giorno(4, 4), 1, QStringLiteral("IMB"), QStringLiteral("KIT"), 1);   // type 3
    Movimento(7, Giorno(4, 4), 1, QStringLiteral("IMB"), QStringLiteral("ALTRO"), 1); // type 5
    Movimento(8, Giorno(4, 4), 1, QStringLiteral("VEN"), QStringLiteral("ROSSO"), 1); // causal not flagged
    Movimento(9, Giorno(4, 4), 3, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 1); // outside the grouping
    Movimento(10, Giorno(4, 30, 18), 1, QStringLiteral("IMB"), QStringLiteral("ROSSO"),
              4); // time of day on the last date

    TFqarn0106d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    const ReportCapture::Print stampa = Lancia(f);
    EXPECT_EQ(Righe(), (QStringList{"1/SFUSO/500/0/0/500/-", "2/SFUSO/0/8/0/8/-", "3/ROSSO/0/0/600/450/0.75",
                                    "4/BIBITA/0/0/12/9/0.75", "5/SPUMA/0/0/6/4.5/0.75", "6/ROSSO/0/0/4/3/0.75"}));
    EXPECT_EQ(Locale(QStringLiteral("SELECT RagioneSociale, IdVasca FROM LUMO_t_RegImb WHERE NumeroRiga = 3")),
              QStringList{"Enoteca Rossi/"});
    EXPECT_EQ(f->TotaleSfuso, 500);
    EXPECT_EQ(f->TotaleCalo, 8);
    EXPECT_EQ(f->TotaleImbott, 622);
    ASSERT_FALSE(stampa.Document.Pages.isEmpty());
    EXPECT_EQ(main->ChildCount(), 1) << "a trial run leaves the dialog open";
    EXPECT_TRUE(ProgressivoSalvato(QStringLiteral("IMBO")).isEmpty());
}

TEST_F(RegistroImbottigliamento, NumberingContinuesFromTheProgressiveAndIsStored)
{
    Progressivo(QStringLiteral("IMBO"), Giorno(3, 31), 40);
    for (int i = 0; i < 12; ++i)
        Movimento(100 + i, Giorno(4, 1 + i), 1, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 6);
    script.Yes(Conferma);
    Esegui(QDate(), QDate(2026, 4, 30), true);
    EXPECT_EQ(Righe().first(), QStringLiteral("41/ROSSO/0/0/6/4.5/0.75"));
    EXPECT_EQ(Righe().last(), QStringLiteral("52/ROSSO/0/0/6/4.5/0.75"));
    EXPECT_EQ(ProgressivoSalvato(QStringLiteral("IMBO")), QStringLiteral("30/04/52"));
    EXPECT_EQ(main->ChildCount(), 0) << "a definitive run closes the dialog";

    // An overlapping definitive print is printed but not stored.
    Movimento(200, Giorno(5, 3), 1, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 6);
    const ReportCapture::Print stampa = Esegui(QDate(2026, 4, 15), QDate(2026, 5, 31), true);
    EXPECT_FALSE(stampa.Document.Pages.isEmpty());
    EXPECT_TRUE(script.Shown(QStringLiteral("Data iniziale non valida")));
    EXPECT_EQ(ProgressivoSalvato(QStringLiteral("IMBO")), QStringLiteral("30/04/52"));
}

TEST_F(RegistroImbottigliamento, RowsAboveTheSmallIntegerRangeAndAnEmptyDefinitivePeriod)
{
    Progressivo(QStringLiteral("IMBO"), Giorno(3, 31), 32767);
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 6);
    TFqarn0106d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QDate(), QDate(2026, 4, 30), true);
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("UltNumRiga"))->AsInteger(), 32767);
    script.Yes(Conferma);
    Lancia(f);
    EXPECT_EQ(Righe(), QStringList{"32768/ROSSO/0/0/6/4.5/0.75"});
    EXPECT_EQ(ProgressivoSalvato(QStringLiteral("IMBO")), QStringLiteral("30/04/32768"));

    Esegui(QDate(), QDate(2026, 5, 31), true);
    EXPECT_TRUE(script.Shown(Nessuno));
    EXPECT_EQ(ProgressivoSalvato(QStringLiteral("IMBO")), QStringLiteral("30/04/32768")) << "nothing stored";
    EXPECT_EQ(main->ChildCount(), 0);
}

TEST_F(RegistroImbottigliamento, LotsOfTheChosenCategoriesOnly)
{
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 120);
    Movimento(2, Giorno(4, 3), 1, QStringLiteral("IMB"), QStringLiteral("BIBITA"), 20);
    Movimento(3, Giorno(4, 4), 1, QStringLiteral("IMB"), QStringLiteral("SFUSO"), 300);
    Lotto(1, 1, QStringLiteral("LR1"), 100);
    Lotto(2, 2, QStringLiteral("LB1"), 20);
    Lotto(3, 3, QStringLiteral("LS1"), 300);

    const ReportCapture::Print tutti = Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false, true);
    ASSERT_FALSE(tutti.Document.Pages.isEmpty());
    const ReportPage &p = tutti.Document.Pages[0];
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdIdLotto")), (QStringList{"LR1", "LB1", "LS1"}));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdQtaLitri")), (QStringList{"75,00", "15,00", "300,00"}))
        << "a bulk lot in litres";

    // The categories chosen in the host's selection: the list leaves out the unused one.
    QStringList elencate;
    script.OnDialog(QStringLiteral("TfdlgSelezioneMultipla"), [&elencate](TForm &d) {
        auto &sel = static_cast<TfdlgSelezioneMultipla &>(d);
        for (int i = 0; i < sel.lvLista->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = sel.lvLista->topLevelItem(i);
            elencate << item->text(0);
            if (item->text(0) == QLatin1String("ROSSI"))
                item->setCheckState(0, Qt::Checked);
        }
        sel.btOk->click();
        return int(mrNone);
    });
    TFqarn0106d *f = Apri();
    ASSERT_NE(f, nullptr);
    f->Control<QPushButton>(QStringLiteral("btSelCategorie"))->click();
    EXPECT_EQ(elencate, (QStringList{"BIANCHI", "ROSSI"}));
    EXPECT_EQ(f->CategorieMerc_Param.Numero, 1);
    EXPECT_EQ(f->CategorieMerc_Param.Codici, QStringLiteral("'ROSSI'"));
    Imposta(f, QDate(2026, 4, 1), QDate(2026, 4, 30), false, true);
    const ReportCapture::Print scelti = Lancia(f);
    ASSERT_FALSE(scelti.Document.Pages.isEmpty());
    EXPECT_EQ(scelti.Document.Pages[0].TextsOf(QStringLiteral("fdIdLotto")), (QStringList{"LR1", "LS1"}));
    EXPECT_EQ(scelti.Document.Pages[0].TextsOf(QStringLiteral("fdNumeroRiga")), (QStringList{"1", "2", "3"}))
        << "every movement still prints";

    const ReportCapture::Print senzaLotti = Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false, false);
    EXPECT_TRUE(senzaLotti.Document.Pages[0].TextsOf(QStringLiteral("fdIdLotto")).isEmpty());
}

TEST_F(RegistroImbottigliamento, ThePrintItsDotMatrixTextAndThePdf)
{
    Movimento(1, Giorno(4, 2), 1, QStringLiteral("IMB"), QStringLiteral("SFUSO"), 500);
    Movimento(2, Giorno(4, 3), 2, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 600);
    const ReportCapture::Print stampa = Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    ASSERT_EQ(stampa.Document.PageCount(), 1);
    const ReportPage &p = stampa.Document.Pages[0];
    EXPECT_TRUE(p.HasText(QStringLiteral("REGISTRO DI IMBOTTIGLIAMENTO dei VINI")));
    EXPECT_TRUE(p.HasText(QStringLiteral("Dal 01/04/2026   Al 30/04/2026")));
    EXPECT_TRUE(p.HasText(QStringLiteral("Raggr. Magazzino : 1  Cantina")));
    EXPECT_EQ(p.TextsOf(QStringLiteral("smSfuso")), QStringList{"500,00"});
    EXPECT_EQ(p.TextsOf(QStringLiteral("smImbott")), QStringList{"600,00"});
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdIdCategoria")), (QStringList{"ROSSI", "ROSSI"}));

    Parametri(2);
    const ReportCapture::Print testo = Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    ASSERT_TRUE(testo.IsText);
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("REGISTRO DI IMBOTTIGLIAMENTO dei VINI")));
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("Articolo ROSSO")));
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("500,00")));
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("Totali")));

    Parametri(1);
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    TFqarn0106d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    f->btEsegui->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);
}

// A user's definitive bottling register of April for grouping 1.
KV8_LAVORO_UTENTE(RegistroImbottigliamento, RegistroImbottigliamentoDefinitivo)
{
    script.Yes(Conferma);
    script.AllowUnusedAnswers(); // refused before the question when the other user has stored already
    TFqarn0106d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    kv8test::AttendiVia();
    Lancia(f);
    kv8test::NotaUtente(script.Texts());
}

TEST_F(RegistroImbottigliamento, TwoUsersPrintingTheSameGroupingDefinitivelyStoreItOnce)
{
    for (int i = 0; i < 3; ++i)
        Movimento(100 + i, Giorno(4, 1 + i), 1, QStringLiteral("IMB"), QStringLiteral("ROSSO"), 6);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        Esegui(QStringLiteral("DELETE FROM LUMO_ProgRegistri"));
        Progressivo(QStringLiteral("IMBO"), Giorno(3, 31), 40);
        const auto utenti = kv8test::DueUtenti(QStringLiteral("RegistroImbottigliamentoDefinitivo"), company.Db().Url(),
                                               avvio, QStringLiteral("registro"));
        kv8test::UnoRifiutato(utenti, avvio,
                              {QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa"),
                               QStringLiteral("Data iniziale non valida")});
        EXPECT_EQ(ProgressivoSalvato(QStringLiteral("IMBO")), QStringLiteral("30/04/43"));
    });
}
