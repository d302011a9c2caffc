// The dot-matrix path: sections from the layout's templates, page headings with the page
// counter, page breaks, and a register print's sequence through the print-target switch.
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/db/DMIDataBases.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"
#include "tests/host/core/Printers.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include <gtest/gtest.h>

namespace {

TEST(StampaAghi, TemplatesFillFieldsWithWidthsAndFormats)
{
    MemoryDataSource data({"Codice", "Valore", "Data", "Nome"});
    data.AppendRow(QVariantList{QStringLiteral("AB"), 1234.5, QDate(2024, 3, 9), QStringLiteral("Rossi Mario")});
    data.Open();
    TXStampaAghi aghi;
    aghi.Nome = QStringLiteral("Prova");
    aghi.Pagina = 7;
    EXPECT_EQ(aghi.Componi(QStringLiteral("[{Codice,-5}][{Valore,12:#,0.00;-#,0.00}]"), &data),
              QStringLiteral("[AB   ][    1.234,50]"));
    EXPECT_EQ(aghi.Componi(QStringLiteral("{Data:dd/mm/yy} {Nome,5} {{x}} p.{#page,3}"), &data),
              QStringLiteral("09/03/24 Rossi {x} p.  7"));
    EXPECT_EQ(aghi.Componi(QStringLiteral("{Valore:#,##0}|{Codice}"), &data), QStringLiteral("1.235|AB"));
    EXPECT_THROW(aghi.Componi(QStringLiteral("{Manca}"), &data), Exception);
    EXPECT_THROW(aghi.Componi(QStringLiteral("{Codice"), &data), Exception);
    EXPECT_THROW(aghi.Componi(QStringLiteral("{Codice,x}"), &data), Exception);
    EXPECT_THROW(aghi.Componi(QStringLiteral("{#ora}"), &data), Exception);
}

TEST(StampaAghi, SectionsFillPagesUnderTheirHeading)
{
    TextLayout layout;
    layout.PageLength = 6;
    layout.Heading = {QStringLiteral("TESTATA pag. {#page}"), QStringLiteral("-----")};
    layout.Sections.insert(1, {QStringLiteral("riga {N}")});
    layout.Sections.insert(2, {QStringLiteral("a {N}"), QStringLiteral("b {N}"), QStringLiteral("c {N}")});
    layout.Tail = {QStringLiteral("FINE")};
    MemoryDataSource data({"N"});
    for (int i = 1; i <= 5; ++i)
        data.AppendRow(QVariantList{i});
    data.Open();

    TXStampaAghi aghi;
    QList<int> headings;
    aghi.OnIntestazione = [&](int page) { headings << page; };
    aghi.DataSetRighe = &data;
    aghi.Inizia(layout);
    EXPECT_EQ(aghi.Testo(), QString()); // nothing before the first line
    for (int i = 0; i < 3; ++i, data.Next())
        aghi.StampaRiga(1);
    aghi.StampaRiga(2); // 3 lines: 4 used, 2 left: goes whole to page 2
    aghi.SaltoPagina();
    aghi.SaltoPagina(); // no empty page
    aghi.StampaCoda();

    const QStringList pages = aghi.Testo().split(QLatin1Char('\f'));
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[0], QStringLiteral("TESTATA pag. 1\n-----\nriga 1\nriga 2\nriga 3\n"));
    EXPECT_EQ(pages[1], QStringLiteral("TESTATA pag. 2\n-----\na 4\nb 4\nc 4\n"));
    EXPECT_EQ(pages[2], QStringLiteral("TESTATA pag. 3\n-----\nFINE\n"));
    EXPECT_EQ(headings, (QList<int>{1, 2, 3}));
    EXPECT_EQ(aghi.Pagina, 3);
    EXPECT_THROW(aghi.StampaRiga(9), Exception);

    // A section longer than a page is split, each part under a heading.
    layout.Sections.insert(3, QStringList(9, QStringLiteral("x")));
    aghi.Inizia(layout);
    EXPECT_EQ(aghi.Pagina, 0);
    aghi.StampaRiga(3);
    const QStringList split = aghi.Testo().split(QLatin1Char('\f'));
    ASSERT_EQ(split.size(), 3);
    EXPECT_EQ(split[0].count(QLatin1Char('\n')), 6);
    EXPECT_EQ(split[2], QStringLiteral("TESTATA pag. 3\n-----\nx\n"));
}

// A run killed while it prints leaves its spool file in its own work folder, which the next
// start removes with the folder.
TEST(StampaAghi, AKilledPrintsSpoolGoesAtTheNextStart)
{
    const QByteArray passo = qgetenv("KV8_STAMPA_UCCISA");
    if (passo == "stampa") {
        TextLayout layout;
        layout.PageLength = 2;
        layout.Sections.insert(1, {QStringLiteral("riga {N}")});
        MemoryDataSource data({"N"});
        for (int i = 1; i <= 9; ++i)
            data.AppendRow(QVariantList{i});
        data.Open();
        TXStampaAghi aghi;
        aghi.DataSetRighe = &data;
        aghi.Inizia(layout);
        for (; !data.Eof(); data.Next())
            aghi.StampaRiga(1);
        // its pages read back from the spool, which then has a name; killed in the middle of the print
        aghi.Testo();
        ::raise(SIGKILL);
    }
    if (passo == "avvio") {
        DMIDataBases::RunFolder(); // what a start makes first
        return;
    }
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const auto esegui = [&](const char *fase) {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), temp.path());
        env.insert(QStringLiteral("KV8_STAMPA_UCCISA"), QLatin1String(fase));
        run.setProcessEnvironment(env);
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=StampaAghi.AKilledPrintsSpoolGoesAtTheNextStart")});
        EXPECT_TRUE(run.waitForFinished(60000)) << fase;
        return run.exitStatus() == QProcess::CrashExit ? -1 : run.exitCode();
    };
    const auto spool = [&] {
        QStringList trovati;
        QDirIterator it(temp.path(), {QStringLiteral("kv8-aghi-*")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            trovati << QDir(temp.path()).relativeFilePath(it.next());
        return trovati;
    };
    EXPECT_EQ(esegui("stampa"), -1) << "killed";
    const QStringList lasciato = spool();
    ASSERT_EQ(lasciato.size(), 1);
    EXPECT_TRUE(lasciato.first().startsWith(QStringLiteral("kv8-local-"))) << lasciato.first().toStdString();
    EXPECT_EQ(esegui("avvio"), 0);
    EXPECT_EQ(spool(), QStringList());
}

// A register print with its own dot-matrix sequence: rows of qMain in section 1, section 2,
// a page break, section 3, section 4 for each category total, section 5.
class TRegistroProva : public TfKV8ReportB {
public:
    MemoryDataSource qMain{{"NumeroRiga", "DsCatVin", "CaricoLitri", "ScaricoLitri"}};
    MemoryDataSource qTotRegCs{{"IdCatVin", "EsistenzaFin"}};
    int Pagina = 0;
    int RighePrimaDellaCoda = 0;

    TRegistroProva()
    {
        AggiungiDataSet(QStringLiteral("qMain"), &qMain);
        AggiungiDataSet(QStringLiteral("qTotRegCs"), &qTotRegCs);
        StampaAghi.OnIntestazione = [this](int) { ++Pagina; };
    }

protected:
    void EseguiStampaAghi() override
    {
        TXStampaAghi &aghi = *StampaSu.StampaAghi;
        qMain.Open();
        for (; !qMain.Eof(); qMain.Next())
            aghi.StampaRiga(1);
        aghi.StampaRiga(2);
        aghi.SaltoPagina();
        aghi.StampaRiga(3);
        qTotRegCs.Open();
        for (; !qTotRegCs.Eof(); qTotRegCs.Next())
            aghi.StampaRiga(4, &qTotRegCs);
        aghi.StampaRiga(5);
        RighePrimaDellaCoda = aghi.RigheNellaPagina();
    }
};

const char *const kRegistro = R"({
  "name": "RegistroAghi", "base": "KV8Standard", "title": "Registro di Carico / Scarico",
  "bands": { "detail": { "height": 5, "items": [
    { "type": "field", "name": "fdRiga", "field": "NumeroRiga", "x": 0, "w": 20, "h": 5 } ] } },
  "text": {
    "pageLength": 12,
    "heading": ["{#company,-30} {#title} Pag.{#page,4}", "{#date:dd/mm/yyyy}", "Riga Categoria      Carico  Scarico"],
    "sections": {
      "1": ["{NumeroRiga,4:#,0;-#,0} {DsCatVin,-12}{CaricoLitri,8:#,0.00;-#,0.00}{ScaricoLitri,9:#,0.00;-#,0.00}"],
      "2": ["---- fine righe ----"],
      "3": ["Categoria     Esistenza"],
      "4": ["{IdCatVin,-12}{EsistenzaFin,11:#,0.00;-#,0.00}"],
      "5": ["==== fine registro ===="]
    }
  }
})";

class RegisterPrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        CFG.RagioneSociale = QStringLiteral("Cantina");
        for (int i = 1; i <= 20; ++i)
            print_.qMain.AppendRow(
                QVariantList{i, QStringLiteral("Rosso"), i % 2 ? 10.0 * i : 0.0, i % 2 ? 0.0 : 2.5 * i});
        print_.qTotRegCs.AppendRow(QVariantList{QStringLiteral("ROS"), 1500.25});
        print_.qTotRegCs.AppendRow(QVariantList{QStringLiteral("BIA"), -3.0});
        print_.CaricaLayout(ReportLayout::FromJson(kRegistro, QStringLiteral("RegistroAghi")));
        print_.DataStampa = QDate(2024, 6, 30);
    }
    void TearDown() override { CFG.RagioneSociale = TCFG().RagioneSociale; }

    TRegistroProva print_;
};

TEST_F(RegisterPrint, SectionsInOrderWithBreaksAndPageCounter)
{
    print_.StampaSu.Aghi = true;
    ReportCapture capture;
    print_.EseguiStampa(false);
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportCapture::Print &out = capture.Last();
    ASSERT_TRUE(out.IsText);
    EXPECT_EQ(out.Name, QStringLiteral("RegistroAghi"));

    QStringList pages = out.Text.split(QLatin1Char('\f'));
    ASSERT_TRUE(pages.last().isEmpty()); // the text ends with a form feed
    pages.removeLast();
    // 20 rows at 9 per page (12 lines less a heading of 3), then section 2 fits on page 3,
    // the break, then sections 3, 4, 4, 5 on page 4.
    ASSERT_EQ(pages.size(), 4);
    EXPECT_EQ(print_.Pagina, 4);
    int row = 0;
    for (int p = 0; p < pages.size(); ++p) {
        const QStringList lines = pages[p].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 4);
        EXPECT_LE(lines.size(), 12);
        EXPECT_EQ(lines[0], QStringLiteral("Cantina").leftJustified(30)
                                + QStringLiteral(" Registro di Carico / Scarico Pag.%1").arg(p + 1, 4));
        EXPECT_EQ(lines[1], QStringLiteral("30/06/2024"));
        for (int l = 3; l < lines.size(); ++l) {
            if (p < 3 && !lines[l].startsWith(QLatin1Char('-'))) {
                EXPECT_TRUE(lines[l].startsWith(QStringLiteral("%1 ").arg(++row, 4))) << lines[l].toStdString();
            }
        }
    }
    EXPECT_EQ(row, 20);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("   1 Rosso          10,00     0,00")));
    EXPECT_TRUE(pages[2].endsWith(QStringLiteral("---- fine righe ----\n")));
    EXPECT_EQ(pages[3].split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(3),
              (QStringList{"Categoria     Esistenza", "ROS            1.500,25", "BIA               -3,00",
                           "==== fine registro ===="}));
    EXPECT_EQ(print_.RighePrimaDellaCoda, 7);
}

TEST_F(RegisterPrint, SwitchOffPrintsTheGraphicLayout)
{
    print_.StampaSu.Aghi = false;
    ReportCapture capture;
    print_.EseguiStampa(false);
    ASSERT_FALSE(capture.Last().IsText);
    EXPECT_EQ(capture.Last().Document.Pages[0].TextsOf(QStringLiteral("fdRiga")).size(), 20);
    EXPECT_EQ(print_.Pagina, 0);
}

TEST_F(RegisterPrint, TextGoesToTheNamedFileOrThePrintDir)
{
    QTemporaryDir dir;
    print_.StampaSu.Aghi = true;
    print_.StampaAghi.NomeFile = dir.filePath(QStringLiteral("registro.txt"));
    print_.EseguiStampa(false);
    EXPECT_EQ(print_.UltimoFile(), print_.StampaAghi.NomeFile);
    QFile file(print_.UltimoFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_EQ(text.count(QLatin1Char('\f')), 4);
    EXPECT_TRUE(text.contains(QStringLiteral("==== fine registro ====")));

    QTemporaryDir printDir;
    qputenv("KV8_PRINT_DIR", printDir.path().toUtf8());
    print_.EseguiStampa(false);
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_TRUE(print_.UltimoFile().startsWith(printDir.path()));
    EXPECT_TRUE(print_.UltimoFile().endsWith(QStringLiteral(".txt")));
    EXPECT_EQ(QDir(printDir.path()).entryList(QDir::Files).size(), 1);

    print_.StampaAghi.NomeFile = QStringLiteral("/nonexistent-dir/registro.txt");
    EXPECT_THROW(print_.EseguiStampa(false), Exception);
}

TEST(StampaAghiBase, WithoutTemplatesTheGraphicLayoutPrints)
{
    MemoryDataSource data({"A"});
    data.AppendRow(QVariantList{1});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "SoloGrafica", "bands": { "detail": { "height": 5,
        "items": [ { "type": "field", "name": "fdA", "field": "A", "x": 0, "w": 10, "h": 5 } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    report.StampaSu.Aghi = true;
    ReportCapture capture;
    report.EseguiStampa(false);
    ASSERT_FALSE(capture.Last().IsText);
    EXPECT_EQ(capture.Last().Document.Pages[0].TextsOf(QStringLiteral("fdA")), QStringList{"1"});
}

TEST(StampaAghiBase, DefaultSequencePrintsTheFirstSectionPerRowThenTheTail)
{
    MemoryDataSource data({"A"});
    for (int i = 1; i <= 3; ++i)
        data.AppendRow(QVariantList{i});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Semplice", "text": { "pageLength": 10,
        "heading": ["H{#page}"], "sections": { "1": ["r{A}"] }, "tail": ["fine"] } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    report.StampaSu.Aghi = true;
    ReportCapture capture;
    report.EseguiStampa(true);
    EXPECT_EQ(capture.Last().Text, QStringLiteral("H1\nr1\nr2\nr3\nfine\n\f"));
}

} // namespace
