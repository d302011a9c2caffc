// The list print of the warehouse causals from their window: the report-parameter dialog
// (range, layout, order), the pages on the capture and the PDF written for unattended use.
#include "tests/host/business/FinestreFixture.h"

#include "host/business/Fbbas0047f.h"
#include "host/report/ReportOutput.h"
#include "host/ui/Dlgrptparam.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

class StampaCausali : public Finestre {
protected:
    void SetUp() override
    {
        Finestre::SetUp();
        if (IsSkipped())
            return;
        TXDatabase &db = company.Database();
        db.ExecSQL(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse) VALUES ('VEN', 'Vendita', -1, 0)"));
        db.ExecSQL(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse) VALUES ('ACQ', 'Acquisto', 1, 0)"));
        db.ExecSQL(QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse, FlUtilizzo) "
                                  "VALUES ('T''R', 'Trasferimento', 0, 4, 1)"));
        for (int i = 1; i <= 80; ++i)
            db.ExecSQL(QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza) VALUES (?, ?, 1)"),
                       {QStringLiteral("Z%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("Rettifica %1").arg(i)});
        db.ExecSQL(QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, IdCausaleMaga) VALUES ('DDT', "
                                  "'DDT di vendita', 'VEN')"));
        db.ExecSQL(QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, DsCausale, IdCausaleMaga) VALUES ('FTI', "
                                  "'Fattura immediata', 'VEN')"));
        finestra = Apri<TFBBas0047f>(QStringLiteral("BBAS0047F"));
    }

    // Asks the print through the window's toolbar; the dialog takes the range and layout.
    void Stampa(const QString &da, const QString &a, int layout, bool descrizione = false, bool annulla = false)
    {
        script.OnDialog(QStringLiteral("TfdlgRptParam"), [=, this](TForm &dialog) {
            auto *d = qobject_cast<TfdlgRptParam *>(&dialog);
            offerti.clear();
            for (int i = 0; i < d->cbLayout->count(); ++i)
                offerti << d->cbLayout->itemText(i);
            titolo = d->windowTitle();
            d->edDaCodice->setText(da);
            d->edACodice->setText(a);
            d->cbLayout->setCurrentIndex(layout);
            (descrizione ? d->rbDescrizione : d->rbCodice)->setChecked(true);
            if (annulla) {
                d->btAnnulla->click();
                return int(mrCancel);
            }
            d->btOk->click();
            return int(mrOk);
        });
        finestra->btStampa->click();
        ProcessEvents();
    }

    // The texts of an item on every page, in order.
    static QStringList Testi(const ReportDocument &doc, const QString &item)
    {
        QStringList out;
        for (const ReportPage &p : doc.Pages)
            out << p.TextsOf(item);
        return out;
    }

    TFBBas0047f *finestra = nullptr;
    QStringList offerti;
    QString titolo;
};

} // namespace

TEST_F(StampaCausali, TheSyntheticListOnTheCapture)
{
    ReportCapture capture;
    Stampa(QString(), QString(), 0);
    EXPECT_EQ(offerti, (QStringList{"Sintetica", "Analitica", "Dettagliata"})) << "no projects in the host";
    EXPECT_EQ(titolo, finestra->Caption());
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.Pages.size(), 2) << "83 causals, more than a page";
    EXPECT_TRUE(doc.Pages[0].HasText(QStringLiteral("Causali di magazzino")));
    EXPECT_TRUE(doc.Pages[1].HasText(QStringLiteral("Segno esistenza"))) << "the column heads on every page";
    const QStringList codici = Testi(doc, QStringLiteral("fdIdCausale"));
    EXPECT_EQ(codici.size(), 83);
    EXPECT_EQ(codici.first(), QStringLiteral("ACQ"));
    // a causal's row: code, description, stock sign in words, state
    const int ven = codici.indexOf(QStringLiteral("VEN"));
    ASSERT_GE(ven, 0);
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDsCausale")).at(ven), QStringLiteral("Vendita"));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDsEsistenza")).at(ven), QStringLiteral("Scarico (-)"));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDsUtilizzo")), QStringList{"Obsoleta"}) << "only T'R is obsolete";
    EXPECT_EQ(doc.Pages.last().TextsOf(QStringLiteral("smConta")), QStringList{"83"});
}

TEST_F(StampaCausali, TheRangeIsTakenLiterallyAndTheOrderByDescription)
{
    ReportCapture capture;
    Stampa(QStringLiteral("T'"), QStringLiteral("Z02"), 0, true);
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &doc = capture.Last().Document;
    EXPECT_EQ(Testi(doc, QStringLiteral("fdIdCausale")), (QStringList{"Z01", "Z02", "T'R", "VEN"}))
        << "by description: Rettifica, Trasferimento, Vendita";

    capture.Clear();
    Stampa(QString(), QStringLiteral("AZ"), 0);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdIdCausale")), QStringList{"ACQ"});
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
}

TEST_F(StampaCausali, AnalyticAndDetailedLayouts)
{
    ReportCapture capture;
    Stampa(QStringLiteral("VEN"), QStringLiteral("VEN"), 1);
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportPage &analitica = capture.Last().Document.Pages.first();
    EXPECT_TRUE(analitica.HasText(QStringLiteral("Causali di magazzino - analitica")));
    EXPECT_EQ(analitica.TextsOf(QStringLiteral("fdDsClasse")), QStringList{"Ordinaria"});

    Stampa(QStringLiteral("VEN"), QStringLiteral("VEN"), 2);
    ASSERT_EQ(capture.Prints().size(), 2);
    const ReportPage &dettagliata = capture.Last().Document.Pages.first();
    EXPECT_TRUE(dettagliata.HasText(QStringLiteral("Causali di magazzino - dettagliata")));
    EXPECT_EQ(dettagliata.TextsOf(QStringLiteral("fdIdCausaleDoc")), (QStringList{"DDT", "FTI"}));
    EXPECT_EQ(dettagliata.TextsOf(QStringLiteral("fdTipoDoc")), (QStringList{"DDT clienti", "Fatture clienti"}));

    // a cancelled dialog prints nothing
    Stampa(QString(), QString(), 0, false, true);
    EXPECT_EQ(capture.Prints().size(), 2);
}

TEST_F(StampaCausali, ThePrintAsAPdf)
{
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    Stampa(QString(), QString(), 0);
    qunsetenv("KV8_PRINT_DIR");
    const QStringList pdf = QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    ASSERT_EQ(pdf.size(), 1) << script.LastText().toStdString();
    const QString file = QDir(cartella.path()).filePath(pdf.first());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    QProcess testo;
    testo.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!testo.waitForFinished(20000) || testo.exitStatus() != QProcess::NormalExit)
        GTEST_SKIP() << "pdftotext is not available";
    const QString contenuto = QString::fromUtf8(testo.readAllStandardOutput());
    EXPECT_TRUE(contenuto.contains(QStringLiteral("Causali di magazzino")));
    EXPECT_TRUE(contenuto.contains(QStringLiteral("Vendita")));
    EXPECT_EQ(contenuto.count(QLatin1Char('\f')), 2) << "two pages";
}
