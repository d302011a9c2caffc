// The product-card inquiry, the catalogue and the wine list opened from their menu codes: the
// selection by card data (only enabled cards, typed bounds compared as quoted text), the sort
// keys, the card prints with or without picture, the wine list with its pop-up card.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "frame/Dmilumo.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"
#include "host/report/ReportOutput.h"
#include "host/ui/PannelloPopup.h"
#include "registers/Qarn0300d.h"
#include "registers/Qarn0301d.h"
#include "registers/Qarn0302d.h"

#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

class SchedeProdotto : public MasterDettaglio {
protected:
    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilSchedaPro) VALUES ('1', 1)"));
        Esegui(QStringLiteral("INSERT INTO Nazioni (IdNazione, DsNazione) VALUES ('IT', 'Italia')"));
        Esegui(QStringLiteral("INSERT INTO Nazioni (IdNazione, DsNazione) VALUES ('FR', 'Francia')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Regioni (IdRegione, DsRegione) VALUES ('PIE', 'Piemonte')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Regioni (IdRegione, DsRegione) VALUES ('TOS', 'Toscana')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Regioni (IdRegione, DsRegione) VALUES ('BOR', 'Bordeaux')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Tipologie (IdTipologia, DsTipologia) VALUES ('R', 'Rosso')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('DOC', 'Doc')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('IGT', 'Igt')"));
        //      code   category  nation region vintage card
        Vino(QStringLiteral("BAROLO"), QStringLiteral("DOC"), QStringLiteral("IT"), QStringLiteral("PIE"), 2018, 1);
        Vino(QStringLiteral("CHIANTI"), QStringLiteral("DOC"), QStringLiteral("IT"), QStringLiteral("TOS"), 2021, 1);
        Vino(QStringLiteral("BOLGHERI"), QStringLiteral("IGT"), QStringLiteral("IT"), QStringLiteral("TOS"), 2019, 1);
        Vino(QStringLiteral("MARGAUX"), QStringLiteral("IGT"), QStringLiteral("FR"), QStringLiteral("BOR"), 2015, 1);
        Vino(QStringLiteral("D'ALBA"), QStringLiteral("DOC"), QStringLiteral("IT"), QStringLiteral("PIE"), 2020, 1);
        Vino(QStringLiteral("SENZA"), QStringLiteral("DOC"), QStringLiteral("IT"), QStringLiteral("PIE"), 2020,
             0); // card off
    }
    void Vino(const QString &codice, const QString &categoria, const QString &nazione, const QString &regione,
              int annata, int scheda, const QString &allegati = QString())
    {
        Esegui(QStringLiteral(
                   "INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_IdCatVin, UT_LMQ_IdNazione, UT_LMQ_IdRegione, "
                   "UT_LMQ_IdTipologia, UT_LMQ_Annata, UT_LMQ_FlAbilSchedaPro, UT_LMQ_Vitigno, Allegati) "
                   "VALUES (?, ?, ?, ?, ?, 'R', ?, ?, 'Nebbiolo', ?)"),
               {codice, QStringLiteral("Vino ") + codice, categoria, nazione, regione, annata, scheda, allegati});
    }
    // Clears the selection record (it outlives the dialog), then sets the fields given.
    static void Selezione(TFDBChildPars *f, const QList<std::pair<QString, QVariant>> &valori)
    {
        TXMemTable *t = f->tPars;
        for (int i = 0; i < t->FieldCount(); ++i)
            if (t->Fields(i)->FieldName().startsWith(QLatin1String("Da_"))
                || t->Fields(i)->FieldName().startsWith(QLatin1String("A_")))
                t->Fields(i)->Clear();
        for (int i = 1; i <= 4; ++i)
            t->FieldByName(QStringLiteral("flOrdina%1").arg(i))->SetAsString(QStringLiteral("N"));
        for (const auto &[campo, valore] : valori)
            t->FieldByName(campo)->SetValue(valore);
    }
    static QStringList Codici(TDataSet *q)
    {
        QStringList out;
        for (q->First(); !q->Eof(); q->Next())
            out << q->FieldByName(QStringLiteral("IdProdotto"))->AsString();
        return out;
    }
    QStringList Interroga(const QList<std::pair<QString, QVariant>> &valori)
    {
        auto *f = Apri<TFqarn0300d>(QStringLiteral("QARN0300D"));
        if (!f)
            return {};
        Selezione(f, valori);
        f->btEsegui->click();
        ProcessEvents();
        QStringList codici = Codici(f->qArtSchPro);
        f->close(); // the next run starts from the dialog's own query text
        ProcessEvents();
        return codici;
    }
    static QStringList Stampati(const ReportCapture::Print &p, const QString &elemento)
    {
        QStringList out;
        for (const ReportPage &pagina : p.Document.Pages)
            out << pagina.TextsOf(elemento);
        return out;
    }
};

} // namespace

TEST_F(SchedeProdotto, TheInquirySelectsEnabledCardsByBoundsAndKeys)
{
    EXPECT_EQ(Interroga({}), (QStringList{"BAROLO", "BOLGHERI", "CHIANTI", "D'ALBA", "MARGAUX"}))
        << "no bound: every enabled card, by product code";
    EXPECT_EQ(Interroga({{QStringLiteral("flOrdina1"), QStringLiteral("UT_LMQ_IdCatVin")},
                         {QStringLiteral("flOrdina2"), QStringLiteral("N")},
                         {QStringLiteral("flOrdina3"), QStringLiteral("UT_LMQ_Annata")}}),
              (QStringList{"BAROLO", "D'ALBA", "CHIANTI", "MARGAUX", "BOLGHERI"}))
        << "key N between two keys is skipped";
    EXPECT_EQ(Interroga({{QStringLiteral("Da_Annata"), 2019}, {QStringLiteral("A_Annata"), 2020}}),
              (QStringList{"BOLGHERI", "D'ALBA"}));
    EXPECT_EQ(Interroga({{QStringLiteral("Da_Annata"), 0}, {QStringLiteral("A_Annata"), 2015}}), QStringList{"MARGAUX"})
        << "a vintage bound of 0 is no bound";
    EXPECT_EQ(Interroga({{QStringLiteral("Da_IdProdotto"), QStringLiteral("D'ALBA")},
                         {QStringLiteral("A_IdProdotto"), QStringLiteral("D'ALBA")}}),
              QStringList{"D'ALBA"})
        << "a quote in a typed code";
    EXPECT_EQ(Interroga({{QStringLiteral("Da_IdRegione"), QStringLiteral("TOS")},
                         {QStringLiteral("A_IdNazione"), QStringLiteral("IT")}}),
              (QStringList{"BOLGHERI", "CHIANTI"}));
}

TEST_F(SchedeProdotto, TheInquiryMessagesAndItsPrint)
{
    auto *f = Apri<TFqarn0300d>(QStringLiteral("QARN0300D"));
    ASSERT_NE(f, nullptr);
    f->btStampaClick();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessuna Selezione Effettuata"));
    Selezione(f, {{QStringLiteral("Da_IdProdotto"), QStringLiteral("Z")},
                  {QStringLiteral("A_IdRegione"), QStringLiteral("PIE")}});
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("_DsA_IdRegione"))->AsString(), QStringLiteral("Piemonte"))
        << "a bound shows its description";
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessuna Scheda Trovata"));
    EXPECT_EQ(f->Pagina(), 0);

    Selezione(f, {{QStringLiteral("Da_IdNazione"), QStringLiteral("IT")},
                  {QStringLiteral("flOrdina1"), QStringLiteral("IdProdotto")}});
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(f->Pagina(), 1);
    ReportCapture capture;
    f->btStampa->click();
    ProcessEvents();
    ASSERT_FALSE(capture.Prints().isEmpty());
    const ReportPage &p = capture.Last().Document.Pages[0];
    EXPECT_TRUE(p.HasText(QStringLiteral("Elenco Prodotti - Schede Tecniche")));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdIdProdotto")), (QStringList{"BAROLO", "BOLGHERI", "CHIANTI", "D'ALBA"}));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdDsRegione")).first(), QStringLiteral("Piemonte"));
}

TEST_F(SchedeProdotto, TheCatalogueOneOrTwoCardsAPageWithOrWithoutPicture)
{
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const QString foto = cartella.filePath(QStringLiteral("barolo.png"));
    QImage immagine(40, 30, QImage::Format_RGB32);
    immagine.fill(Qt::darkRed);
    ASSERT_TRUE(immagine.save(foto));
    const QString testo = cartella.filePath(QStringLiteral("nota.txt"));
    QFile nota(testo);
    ASSERT_TRUE(nota.open(QIODevice::WriteOnly));
    nota.write("non un'immagine");
    nota.close();
    Esegui(QStringLiteral("UPDATE Articoli SET Allegati = ? WHERE IdProdotto = 'BAROLO'"), {foto});
    Esegui(QStringLiteral("UPDATE Articoli SET Allegati = ? WHERE IdProdotto = 'CHIANTI'"), {testo});
    Esegui(QStringLiteral("UPDATE Articoli SET Allegati = ? WHERE IdProdotto = 'BOLGHERI'"),
           {cartella.filePath(QStringLiteral("manca.jpg"))});
    Esegui(QStringLiteral("UPDATE Articoli SET Allegati = 'C:\\Foto\\margaux.jpg' WHERE IdProdotto = 'MARGAUX'"));

    const auto stampa = [&](int schede) {
        auto *f = Apri<TFqarn0301d>(QStringLiteral("QARN0301D"));
        if (!f)
            return ReportCapture::Print{};
        // by code: without an order the rows come in the engine's own order
        Selezione(
            f, {{QStringLiteral("FlNumSkePag"), schede}, {QStringLiteral("flOrdina1"), QStringLiteral("IdProdotto")}});
        ReportCapture capture;
        f->btEsegui->click();
        ProcessEvents();
        return capture.Prints().isEmpty() ? ReportCapture::Print{} : capture.Last();
    };
    const ReportCapture::Print una = stampa(1);
    ASSERT_EQ(una.Document.PageCount(), 5) << "one card a page";
    EXPECT_TRUE(una.Document.Pages[0].HasText(QStringLiteral("Vino BAROLO")));
    EXPECT_TRUE(una.Document.Pages[0].HasText(QStringLiteral("Nebbiolo")));
    EXPECT_FALSE(una.Document.Pages[0].HasText(QStringLiteral("Catalogo Prodotti"))) << "no page header";
    QList<int> figure;
    for (const ReportPage &p : una.Document.Pages)
        figure << p.Count(PageItem::Kind::Picture);
    EXPECT_EQ(figure, (QList<int>{1, 0, 0, 0, 0})) << "only the readable picture; the cards still print";

    const ReportCapture::Print due = stampa(2);
    EXPECT_EQ(due.Document.PageCount(), 3) << "two cards a page";
    EXPECT_EQ(Stampati(due, QStringLiteral("fdDsProdotto")).size(), 5);

    const ReportCapture::Print nessuna = stampa(3);
    EXPECT_TRUE(nessuna.Document.Pages.isEmpty()) << "neither one nor two cards a page: nothing printed";
}

TEST_F(SchedeProdotto, TheWineListItsPopUpCardAndItsPrint)
{
    auto *f = Apri<TFqarn0302d>(QStringLiteral("QARN0302D"));
    ASSERT_NE(f, nullptr);
    Selezione(f, {{QStringLiteral("Da_IdProdotto"), QStringLiteral("Z")}});
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun Prodotto Trovato"));

    Selezione(f, {});
    f->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(f->Pagina(), 1);
    EXPECT_EQ(Codici(f->qCartaVini), (QStringList{"MARGAUX", "BAROLO", "D'ALBA", "BOLGHERI", "CHIANTI"}))
        << "by country, region, type and code";

    QStringList pagine;
    QString vitigno;
    script.OnDialog(QStringLiteral("TKPannelloPopup"), [&](TForm &d) {
        auto &p = static_cast<TKPannelloPopup &>(d);
        for (int i = 0; i < p.Pagine->count(); ++i)
            pagine << p.Pagine->tabText(i);
        EXPECT_EQ(p.Pagine->currentIndex(), 0);
        EXPECT_EQ(p.windowTitle(), QStringLiteral("Dettaglio Articolo"));
        vitigno = p.FindControl<TDBEdit>(QStringLiteral("edUT_LMQ_Vitigno"))->text();
        EXPECT_TRUE(p.FindControl<TDBEdit>(QStringLiteral("edUT_LMQ_Vitigno"))->isReadOnly());
        int key = Qt::Key_F10;
        p.FormKeyDown(key, 0);
        return int(mrNone);
    });
    f->qCartaVini->First();
    f->qCartaVini->Next(); // BAROLO
    f->SetPagina(0);
    f->KDBGriglia1DblClick();
    EXPECT_EQ(pagine, (QStringList{"Dettaglio1", "Dettaglio2", "Dettaglio3", "Dettaglio4"}));
    EXPECT_EQ(vitigno, QStringLiteral("Nebbiolo"));
    EXPECT_EQ(f->Pagina(), 1) << "the results again after the panel";

    ReportCapture capture;
    f->Control<QPushButton>(QStringLiteral("btStampaSelezione"))->click();
    ProcessEvents();
    ASSERT_FALSE(capture.Prints().isEmpty());
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.PageCount(), 2) << "a page per country";
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdDsNazione")), QStringList{"Francia"});
    EXPECT_EQ(doc.Pages[1].TextsOf(QStringLiteral("fdDsRegione")), (QStringList{"Piemonte", "Toscana"}));
    EXPECT_EQ(doc.Pages[1].TextsOf(QStringLiteral("fdIdProdotto")),
              (QStringList{"BAROLO", "D'ALBA", "BOLGHERI", "CHIANTI"}));
    EXPECT_TRUE(Stampati(capture.Last(), QStringLiteral("fdPrezzo")).isEmpty()) << "no price list chosen";

    // The chosen list's price in force today, in the list's currency, blank where it has none.
    Esegui(
        QStringLiteral("INSERT INTO TipiListino (IdListino, DsListino, IdDivisa) VALUES ('L01', 'Dettaglio', 'EUR')"));
    Esegui(
        QStringLiteral("INSERT INTO TipiListino (IdListino, DsListino, IdDivisa) VALUES ('L02', 'Ingrosso', 'EUR')"));
    const QString riga =
        QStringLiteral("INSERT INTO Listini (IdListino, IdProdotto, IdDivisa, DataInizio, DataFine, Prezzo) "
                       "VALUES (?, ?, ?, ?, ?, ?)");
    const QVariant nessuna{QMetaType(QMetaType::QDateTime)};
    const auto giorno = [](int anno) { return QDateTime(QDate(anno, 1, 1), QTime(0, 0)); };
    Esegui(riga, {"L01", "BAROLO", "EUR", giorno(2026), nessuna, 32.0});
    Esegui(riga, {"L01", "D'ALBA", "EUR", giorno(2024), giorno(2025), 11.0}); // ended
    Esegui(riga, {"L01", "CHIANTI", "USD", giorno(2026), nessuna, 15.0});     // another currency
    Esegui(riga, {"L02", "BOLGHERI", "EUR", giorno(2026), nessuna, 24.5});    // another list
    f->SetPagina(0);
    ASSERT_TRUE(ReplaceText(f->FindControl<TDBEdit>(QStringLiteral("edIdListino")), QStringLiteral("L01")));
    f->Control<QPushButton>(QStringLiteral("btStampaSelezione"))->click();
    ProcessEvents();
    EXPECT_EQ(Stampati(capture.Last(), QStringLiteral("fdPrezzo")), QStringList{"32,000"});
}

TEST_F(SchedeProdotto, EveryPrintMakesAPdf)
{
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    auto *inchiesta = Apri<TFqarn0300d>(QStringLiteral("QARN0300D"));
    ASSERT_NE(inchiesta, nullptr);
    Selezione(inchiesta, {});
    inchiesta->btEsegui->click();
    ProcessEvents();
    inchiesta->btStampa->click();
    for (int schede : {1, 2}) {
        auto *catalogo = Apri<TFqarn0301d>(QStringLiteral("QARN0301D"));
        ASSERT_NE(catalogo, nullptr);
        Selezione(catalogo, {{QStringLiteral("FlNumSkePag"), schede}});
        catalogo->btEsegui->click();
        ProcessEvents();
    }
    auto *carta = Apri<TFqarn0302d>(QStringLiteral("QARN0302D"));
    ASSERT_NE(carta, nullptr);
    Selezione(carta, {});
    carta->Control<QPushButton>(QStringLiteral("btStampaSelezione"))->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 4);
}

// The wine card's pop-up panel, one picture per page, in the folder named by
// KV8_SCREENSHOT_REGISTERS.
TEST_F(SchedeProdotto, ScreenshotsOfTheWineCardPanel)
{
    const QString cartella = qEnvironmentVariable("KV8_SCREENSHOT_REGISTERS");
    if (cartella.isEmpty())
        GTEST_SKIP() << "KV8_SCREENSHOT_REGISTERS not set";
    auto *f = Apri<TFqarn0302d>(QStringLiteral("QARN0302D"));
    ASSERT_NE(f, nullptr);
    Selezione(f, {});
    f->btEsegui->click();
    ProcessEvents();
    script.OnDialog(QStringLiteral("TKPannelloPopup"), [&](TForm &d) {
        auto &p = static_cast<TKPannelloPopup &>(d);
        for (int i = 0; i < p.Pagine->count(); ++i) {
            p.Pagine->setCurrentIndex(i);
            ProcessEvents();
            EXPECT_TRUE(
                p.grab().save(QDir(cartella).filePath(QStringLiteral("QARN0302D-%1.png").arg(p.Pagine->tabText(i)))));
        }
        return int(mrOk);
    });
    f->KDBGriglia1DblClick();
}
