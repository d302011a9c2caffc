// The list prints of the code tables, asked from their windows: title, column heads, one
// line per row with its numbers formatted, preview and print alike but for the flag, the
// query each print reads, a substitute registered for a print, and a print as a PDF file.
#include "tests/module/masterdata/CodiciFixture.h"

#include "host/data/TXQuery.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using StampeCodici = CodiciTest;

// The texts a layout item printed, over every page.
QStringList Testi(const ReportDocument &doc, const QString &elemento)
{
    QStringList out;
    for (const ReportPage &p : doc.Pages)
        out << p.TextsOf(elemento);
    return out;
}

TEST_F(StampeCodici, EachListWithItsTitleColumnsAndRows)
{
    for (const TCodici &c : Codici) {
        SCOPED_TRACE(c.Codice);
        const QString tabella = L(c.Tabella);
        // stored out of order: no print sorts its rows, so they come as the table gives them
        for (const char *codice : {"B1", "A2"})
            Db().ExecSQL(
                QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?, ?)").arg(tabella, L(c.Campo), L(c.Descrizione)),
                {L(codice), QStringLiteral("Voce ") + L(codice)});
        TFDBChild *f = Apri(c);
        ASSERT_NE(f, nullptr);
        ReportCapture capture;
        f->btStampa->click();
        kv8test::ProcessEvents();
        ASSERT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
        const ReportCapture::Print &stampa = capture.Last();
        EXPECT_FALSE(stampa.Preview);
        ASSERT_EQ(stampa.Document.Pages.size(), 1);
        const ReportPage &pagina = stampa.Document.Pages.first();
        EXPECT_EQ(pagina.TextsOf(QStringLiteral("ppTitolo")), QStringList{L(c.Titolo)});
        EXPECT_TRUE(pagina.HasText(QStringLiteral("Codice")));
        EXPECT_TRUE(pagina.HasText(QStringLiteral("Descrizione")));
        QStringList codici = Testi(stampa.Document, QStringLiteral("fd") + L(c.Campo));
        codici.sort();
        EXPECT_EQ(codici, QStringList({"A2", "B1"}));
        QStringList descrizioni = Testi(stampa.Document, QStringLiteral("fd") + L(c.Descrizione));
        descrizioni.sort();
        EXPECT_EQ(descrizioni, QStringList({"Voce A2", "Voce B1"}));
        EXPECT_EQ(pagina.HasText(QStringLiteral("Capacita Lt.")), tabella == QStringLiteral("LUMO_Bottiglie"));
        f->Close();
        kv8test::ProcessEvents();
    }
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
}

TEST_F(StampeCodici, BottleCapacityBlankWhenZeroAndTheTanksNumbers)
{
    Db().ExecSQL(QStringLiteral(
        "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('1', 'Damigiana', 1234.5)"));
    Db().ExecSQL(
        QStringLiteral("INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('2', 'Tappo', 0)"));
    Db().ExecSQL(
        QStringLiteral("INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('3', 'Resa', -0.75)"));
    ReportCapture capture;
    TFDBChild *bottiglie = Apri(QStringLiteral("QARN0002F"), QStringLiteral("TFqarn0002f"));
    ASSERT_NE(bottiglie, nullptr);
    bottiglie->XFormXStampa(false);
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportPage &b = capture.Last().Document.Pages.first();
    EXPECT_TRUE(b.HasText(QStringLiteral("Capacita Lt.")));
    QStringList capacita;
    for (const PageItem &i : b.Items)
        if (i.Name == QStringLiteral("fdCapacita")) {
            capacita << i.Text;
            EXPECT_TRUE(i.Align & Qt::AlignRight);
        }
    EXPECT_EQ(b.TextsOf(QStringLiteral("fdIdBottiglia")), QStringList({"1", "2", "3"}));
    EXPECT_EQ(capacita, QStringList({"1.234,50", "-0,75"})) << "nothing printed for the zero";

    Db().ExecSQL(QStringLiteral("INSERT INTO LUMO_Vasche (IdVasca, DsVasca, Capacita, TipoVasca, EsiAttuale) VALUES "
                                "('V1', 'Acciaio grande', 25000, 1, 0)"));
    TFDBChild *vasche = Apri(QStringLiteral("QARN0004F"), QStringLiteral("TFqarn0004f"));
    ASSERT_NE(vasche, nullptr);
    vasche->XFormXStampa(false);
    ASSERT_EQ(capture.Prints().size(), 2);
    const ReportPage &v = capture.Last().Document.Pages.first();
    for (const char *testa : {"Codice", "Descrizione", "Tipo", "Capacità", "Es.Attuale"})
        EXPECT_TRUE(v.HasText(L(testa))) << testa;
    EXPECT_EQ(v.TextsOf(QStringLiteral("fdTipoVasca")), QStringList{"1"});
    EXPECT_EQ(v.TextsOf(QStringLiteral("fdCapacita")), QStringList{"25.000,00"});
    EXPECT_EQ(v.TextsOf(QStringLiteral("fdEsiAttuale")), QStringList{"0,00"});
}

TEST_F(StampeCodici, PreviewAndPrintDifferOnlyByTheFlag)
{
    Db().ExecSQL(QStringLiteral("INSERT INTO LUMO_Colori (IdColore, DsColore) VALUES ('1', 'Rosso')"));
    TFDBChild *f = Apri(QStringLiteral("QARN0003F"), QStringLiteral("TFqarn0003f"));
    ASSERT_NE(f, nullptr);
    ReportCapture capture;
    f->btAnteprima->click();
    f->btStampa->click();
    kv8test::ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 2);
    EXPECT_TRUE(capture.Prints().at(0).Preview);
    EXPECT_FALSE(capture.Prints().at(1).Preview);
    EXPECT_EQ(capture.Prints().at(0).Name, capture.Prints().at(1).Name);
    EXPECT_EQ(capture.Prints().at(0).Document.PlainText(), capture.Prints().at(1).Document.PlainText());
    EXPECT_TRUE(capture.Prints().at(0).Document.PlainText().contains(QStringLiteral("Rosso")));
}

TEST_F(StampeCodici, EachPrintReadsItsTableThroughItsTemplate)
{
    for (const TCodici &c : Codici) {
        SCOPED_TRACE(c.Stampa);
        const Dusaria::TClasseModulo *voce = Dusaria::ClasseModulo(L(c.Stampa));
        ASSERT_NE(voce, nullptr);
        std::unique_ptr<TfKV8ReportB> stampa(voce->Classe.CreateAs<TfKV8ReportB>());
        auto *qMain = stampa->findChild<TXQuery *>(QStringLiteral("qMain"));
        ASSERT_NE(qMain, nullptr);
        const QStringList testo{QStringLiteral("SELECT %1.*").arg(L(c.Tabella)),
                                QStringLiteral("FROM %1").arg(L(c.Tabella))};
        EXPECT_EQ(qMain->SQL, testo);
        const bool selezione = L(c.Tabella) != QStringLiteral("LUMO_Natura");
        EXPECT_EQ(qMain->XSQL, selezione ? QStringList(testo) << QStringLiteral("{WHERE XWHERE}") : testo);
        EXPECT_EQ(stampa->DataSet(QStringLiteral("qMain")) != nullptr, true);
        EXPECT_EQ(stampa->Layout().Title, L(c.Titolo));
    }
}

TEST_F(StampeCodici, ARegisteredSubstituteIsPrintedInstead)
{
    Db().ExecSQL(QStringLiteral("INSERT INTO LUMO_Colori (IdColore, DsColore) VALUES ('1', 'Rosso')"));
    // the print with its own title, registered under its name
    struct Sostituto {
        Sostituto() { Kv8reportb::XRegisterReportClass(QStringLiteral("Tfqarn0003s"), Classe()); }
        ~Sostituto() { Kv8reportb::Registry().Unregister(QStringLiteral("Tfqarn0003s")); }
        static ClassRef Classe()
        {
            const ClassRef originale = Dusaria::ClasseModulo(QStringLiteral("Tfqarn0003s"))->Classe;
            return ClassRef(
                QStringLiteral("Tfqarn0003s"),
                [originale](QObject *owner) {
                    auto *r = originale.CreateAs<TfKV8ReportB>(owner);
                    r->Titolo = QStringLiteral("Colori del sostituto");
                    return r;
                },
                originale.MetaObject());
        }
    } sostituto;
    TFDBChild *f = Apri(QStringLiteral("QARN0003F"), QStringLiteral("TFqarn0003f"));
    ASSERT_NE(f, nullptr);
    ReportCapture capture;
    f->XFormXStampa(false);
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(capture.Last().Document.Pages.first().TextsOf(QStringLiteral("ppTitolo")),
              QStringList{"Colori del sostituto"});
}

TEST_F(StampeCodici, APrintAsAPdfFile)
{
    Db().ExecSQL(QStringLiteral("INSERT INTO LUMO_Regioni (IdRegione, DsRegione) VALUES ('01', 'Piemonte')"));
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const QByteArray prima = qgetenv("KV8_PRINT_DIR");
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    TFDBChild *f = Apri(QStringLiteral("QARN0012F"), QStringLiteral("TFqarn0012f"));
    ASSERT_NE(f, nullptr);
    f->XFormXStampa(false);
    if (prima.isNull())
        qunsetenv("KV8_PRINT_DIR");
    else
        qputenv("KV8_PRINT_DIR", prima);
    const QStringList file = QDir(cartella.path()).entryList({QStringLiteral("*.pdf")});
    ASSERT_EQ(file.size(), 1) << script.LastText().toStdString();
    EXPECT_TRUE(file.first().startsWith(QStringLiteral("Qarn0012s")));
    QFile pdf(cartella.filePath(file.first()));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(pdf.size(), 1000);
}

} // namespace
