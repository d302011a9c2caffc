// A register-like print over 200 rows: two nested groups (the outer one starting a new
// page, the inner one kept together), a lots subreport per row, group and report sums,
// blank-when-zero columns and a summary on a new page, checked on the captured pages and
// in the PDF output.
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/KFormati.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"
#include "tests/host/core/Printers.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const char *const kLayout = R"json({
  "name": "RegistroProva",
  "base": "KV8Standard",
  "title": "Registro di prova",
  "groups": [
    { "name": "grRaggMag", "field": "IdRaggMag", "newPage": true,
      "header": { "height": 8, "items": [
        { "type": "label", "name": "lbRagg", "text": "Raggruppamento:", "x": 0, "y": 1, "w": 30, "h": 5 },
        { "type": "field", "name": "fdRagg", "field": "IdRaggMag", "format": "#,##0", "x": 32, "y": 1, "w": 15, "h": 5 } ] },
      "footer": { "height": 6, "items": [
        { "type": "label", "name": "lbTotRagg", "text": "Totali raggruppamento", "x": 0, "y": 0, "w": 60, "h": 5 },
        { "type": "sum", "name": "smCarRagg", "field": "CaricoLitri", "format": "#,0.00;-#,0.00", "align": "right", "x": 120, "y": 0, "w": 30, "h": 5 },
        { "type": "sum", "name": "smScaRagg", "field": "ScaricoLitri", "format": "#,0.00;-#,0.00", "align": "right", "x": 155, "y": 0, "w": 30, "h": 5 } ] } },
    { "name": "grCatVin", "field": "IdCatVin", "keepTogether": true,
      "header": { "height": 6, "items": [
        { "type": "field", "name": "fdCat", "field": "IdCatVin", "x": 0, "y": 0, "w": 15, "h": 5, "font": { "bold": true } },
        { "type": "field", "name": "fdDsCat", "field": "DsCatVin", "x": 18, "y": 0, "w": 80, "h": 5 } ] },
      "footer": { "height": 6, "items": [
        { "type": "label", "name": "lbTotCat", "text": "Totali", "x": 0, "y": 0, "w": 30, "h": 5 },
        { "type": "sum", "name": "smCarCat", "field": "CaricoLitri", "format": "#,0.00;-#,0.00", "align": "right", "x": 120, "y": 0, "w": 30, "h": 5 },
        { "type": "sum", "name": "smScaCat", "field": "ScaricoLitri", "format": "#,0.00;-#,0.00", "align": "right", "x": 155, "y": 0, "w": 30, "h": 5 },
        { "type": "line", "x": 0, "y": 5.5, "w": "full", "h": 0 } ] } }
  ],
  "bands": {
    "detail": { "name": "ppDetail", "height": 8, "items": [
      { "type": "field", "name": "fdNumeroRiga", "field": "NumeroRiga", "format": "#,0;-#,0", "align": "right", "x": 0, "y": 0, "w": 15, "h": 4 },
      { "type": "field", "name": "fdData", "field": "DataMovimento", "format": "dd/mm/yyyy", "x": 18, "y": 0, "w": 22, "h": 4 },
      { "type": "line", "x": 118, "y": 0, "w": 0, "h": 8 },
      { "type": "field", "name": "fdCarico", "field": "CaricoLitri", "format": "#,0.00;-#,0.00", "blankWhenZero": true, "align": "right", "x": 120, "y": 0, "w": 30, "h": 4 },
      { "type": "line", "x": 152, "y": 0, "w": 0, "h": 8 },
      { "type": "field", "name": "fdScarico", "field": "ScaricoLitri", "format": "#,0.00;-#,0.00", "blankWhenZero": true, "align": "right", "x": 155, "y": 0, "w": 30, "h": 4 },
      { "type": "field", "name": "fdRagSoc", "field": "RagioneSociale", "x": 18, "y": 4, "w": 90, "h": 4 } ],
      "subreports": [ { "name": "srLotti", "dataset": "qMovLotti", "params": ["KMovMag"],
        "detail": { "height": 4, "items": [
          { "type": "label", "text": "Lotto:", "x": 20, "y": 0, "w": 12, "h": 4 },
          { "type": "field", "name": "fdLotto", "field": "IdLotto", "x": 33, "y": 0, "w": 30, "h": 4 },
          { "type": "label", "text": "Quantità:", "x": 70, "y": 0, "w": 18, "h": 4 },
          { "type": "field", "name": "fdQtaLotto", "field": "Quantita", "format": "#,0.00;(#,0.00)", "align": "right", "x": 90, "y": 0, "w": 25, "h": 4 } ] } } ] },
    "summary": { "name": "ppSummary", "height": 20, "newPage": true, "items": [
      { "type": "label", "name": "lbTotGen", "text": "Totale generale", "x": 0, "y": 0, "w": 60, "h": 5 },
      { "type": "sum", "name": "smCarTot", "field": "CaricoLitri", "format": "#,0.00;-#,0.00", "align": "right", "x": 120, "y": 0, "w": 30, "h": 5 },
      { "type": "sum", "name": "smScaTot", "field": "ScaricoLitri", "format": "#,0.00;-#,0.00", "align": "right", "x": 155, "y": 0, "w": 30, "h": 5 },
      { "type": "label", "name": "lbTotLotti", "text": "Totale lotti", "x": 0, "y": 6, "w": 60, "h": 5 },
      { "type": "sum", "name": "smLotti", "field": "Quantita", "dataset": "qMovLotti", "format": "#,0.00;-#,0.00", "align": "right", "x": 120, "y": 6, "w": 30, "h": 5 } ] }
  }
})json";

struct Row {
    int ragg;
    QString cat;
    int kmov;
    int numero;
    double carico;
    double scarico;
};

const std::vector<Row> &Rows()
{
    static const std::vector<Row> rows = [] {
        std::vector<Row> out;
        const int sizes[] = {7, 13, 4, 19, 9, 11, 3, 16};
        int i = 0;
        for (int g = 0; i < 200; ++g) {
            const int ragg = i < 120 ? 1 : 2;
            int size = sizes[g % 8];
            if (ragg == 1 && i + size > 120)
                size = 120 - i;
            size = std::min(size, 200 - i);
            const QString cat = QStringLiteral("C%1").arg(g + 1, 2, 10, QLatin1Char('0'));
            for (int k = 0; k < size; ++k, ++i) {
                const double carico = i % 2 == 0 ? 10.5 * (i % 7) + 1.25 : 0;
                const double scarico = i % 2 == 1 && i % 10 != 5 ? 1.5 * i : 0;
                out.push_back({ragg, cat, 1000 + i, i + 1, carico, scarico});
            }
        }
        return out;
    }();
    return rows;
}

QString Fmt(double value)
{
    return KFormati::FormatFloat(QStringLiteral("#,0.00;-#,0.00"), value);
}

class SamplePrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        CFG.RagioneSociale = QStringLiteral("Cantina Prova S.r.l.");
        main_.SetColumns({"IdRaggMag", "IdCatVin", "DsCatVin", "KMovMag", "NumeroRiga", "DataMovimento", "CaricoLitri",
                          "ScaricoLitri", "RagioneSociale"});
        for (const Row &r : Rows())
            main_.AppendRow(QVariantList{r.ragg, r.cat, QStringLiteral("Categoria ") + r.cat, r.kmov, r.numero,
                                         QDate(2024, 1, 1).addDays(r.numero / 4), r.carico, r.scarico,
                                         QStringLiteral("Cliente %1").arg(r.numero % 17)});
        lots_.SetColumns({"KMovMag", "IdLotto", "Quantita"});
        for (const Row &r : Rows())
            if (r.numero % 3 == 0) {
                lots_.AppendRow(QVariantList{r.kmov, QStringLiteral("L%1A").arg(r.numero), 2.5 + r.numero});
                lots_.AppendRow(QVariantList{r.kmov, QStringLiteral("L%1B").arg(r.numero), -1.0});
            }
        report_.CaricaLayout(ReportLayout::FromJson(kLayout, QStringLiteral("RegistroProva")));
        report_.AggiungiDataSet(QStringLiteral("qMain"), &main_);
        report_.AggiungiDataSet(QStringLiteral("qMovLotti"), &lots_);
        report_.DataStampa = QDate(2024, 5, 31);
    }
    void TearDown() override { CFG.RagioneSociale = TCFG().RagioneSociale; }

    ReportDocument Print()
    {
        ReportCapture capture;
        report_.EseguiStampa(true);
        EXPECT_EQ(capture.Prints().size(), 1);
        return capture.Last().Document;
    }

    // Page index of every printed row number.
    static std::map<int, int> RowPages(const ReportDocument &doc)
    {
        std::map<int, int> pages;
        for (int p = 0; p < doc.PageCount(); ++p)
            for (const QString &text : doc.Pages[p].TextsOf(QStringLiteral("fdNumeroRiga")))
                pages[text.toInt()] = p;
        return pages;
    }

    static QStringList AllTexts(const ReportDocument &doc, const QString &item)
    {
        QStringList out;
        for (const ReportPage &page : doc.Pages)
            out += page.TextsOf(item);
        return out;
    }

    MemoryDataSource main_;
    MemoryDataSource lots_;
    TfKV8ReportB report_;
};

TEST_F(SamplePrint, EveryRowOnceAndGroupsKeptTogether)
{
    const ReportDocument doc = Print();
    ASSERT_GT(doc.PageCount(), 5);
    const std::map<int, int> pages = RowPages(doc);
    ASSERT_EQ(pages.size(), 200u);
    EXPECT_EQ(AllTexts(doc, QStringLiteral("fdNumeroRiga")).size(), 200);

    std::map<std::pair<int, QString>, std::set<int>> groupPages;
    for (const Row &r : Rows())
        groupPages[{r.ragg, r.cat}].insert(pages.at(r.numero));
    for (const auto &[key, set] : groupPages)
        EXPECT_EQ(set.size(), 1u) << "group " << key.first << "/" << key.second.toStdString() << " split";

    // Each category header sits on the page of its first row.
    for (int p = 0; p < doc.PageCount(); ++p)
        for (const QString &cat : doc.Pages[p].TextsOf(QStringLiteral("fdCat")))
            for (const Row &r : Rows())
                if (r.cat == cat) {
                    EXPECT_EQ(pages.at(r.numero), p) << cat.toStdString();
                    break;
                }

    // The data does need keep-together: without it some group breaks across pages.
    report_.Gruppo(QStringLiteral("grCatVin"))->KeepTogether = false;
    const ReportDocument loose = report_.Prepara();
    const std::map<int, int> loosePages = RowPages(loose);
    bool split = false;
    for (size_t i = 1; i < Rows().size(); ++i)
        split |= Rows()[i].cat == Rows()[i - 1].cat
                 && loosePages.at(Rows()[i].numero) != loosePages.at(Rows()[i - 1].numero);
    EXPECT_TRUE(split);
    EXPECT_LE(loose.PageCount(), doc.PageCount());
}

TEST_F(SamplePrint, OuterGroupStartsNewPageAndSummaryHasItsOwn)
{
    const ReportDocument doc = Print();
    const std::map<int, int> pages = RowPages(doc);
    // Grouping 2 begins on a page with no row of grouping 1, right after it.
    const int firstOf2 = pages.at(121);
    EXPECT_EQ(pages.at(120) + 1, firstOf2);
    EXPECT_EQ(doc.Pages[firstOf2].TextsOf(QStringLiteral("fdRagg")), QStringList{"2"});
    // The first grouping does not waste the first page.
    EXPECT_EQ(pages.at(1), 0);

    const int summary = doc.PageOf(QStringLiteral("Totale generale"));
    ASSERT_EQ(summary, doc.PageCount() - 1);
    EXPECT_TRUE(doc.Pages[summary].TextsOf(QStringLiteral("fdNumeroRiga")).isEmpty());
    EXPECT_TRUE(doc.Pages[summary].TextsOf(QStringLiteral("smCarCat")).isEmpty());
    EXPECT_EQ(doc.Pages[summary - 1].TextsOf(QStringLiteral("lbTotRagg")).size(), 1);
}

TEST_F(SamplePrint, GroupAndReportSums)
{
    const ReportDocument doc = Print();
    QStringList carCat, scaCat;
    QMap<int, double> carRagg, scaRagg;
    double carTot = 0, scaTot = 0, lotTot = 0;
    QString lastCat;
    int lastRagg = 0;
    double c = 0, s = 0;
    for (const Row &r : Rows()) {
        if (!lastCat.isEmpty() && (r.cat != lastCat || r.ragg != lastRagg)) {
            carCat << Fmt(c);
            scaCat << Fmt(s);
            c = s = 0;
        }
        c += r.carico;
        s += r.scarico;
        carRagg[r.ragg] += r.carico;
        scaRagg[r.ragg] += r.scarico;
        carTot += r.carico;
        scaTot += r.scarico;
        if (r.numero % 3 == 0)
            lotTot += 2.5 + r.numero - 1.0;
        lastCat = r.cat;
        lastRagg = r.ragg;
    }
    carCat << Fmt(c);
    scaCat << Fmt(s);

    EXPECT_EQ(AllTexts(doc, QStringLiteral("smCarCat")), carCat);
    EXPECT_EQ(AllTexts(doc, QStringLiteral("smScaCat")), scaCat);
    EXPECT_EQ(AllTexts(doc, QStringLiteral("smCarRagg")), (QStringList{Fmt(carRagg[1]), Fmt(carRagg[2])}));
    EXPECT_EQ(AllTexts(doc, QStringLiteral("smScaRagg")), (QStringList{Fmt(scaRagg[1]), Fmt(scaRagg[2])}));
    EXPECT_EQ(AllTexts(doc, QStringLiteral("smCarTot")), QStringList{Fmt(carTot)});
    EXPECT_EQ(AllTexts(doc, QStringLiteral("smScaTot")), QStringList{Fmt(scaTot)});
    EXPECT_EQ(AllTexts(doc, QStringLiteral("smLotti")), QStringList{Fmt(lotTot)});

    // A second run starts from zero again.
    EXPECT_EQ(AllTexts(Print(), QStringLiteral("smCarTot")), QStringList{Fmt(carTot)});
}

TEST_F(SamplePrint, PageNumbersInSequenceWithCount)
{
    const ReportDocument doc = Print();
    const int n = doc.PageCount();
    for (int p = 0; p < n; ++p) {
        const ReportPage &page = doc.Pages[p];
        EXPECT_EQ(page.Number, p + 1);
        EXPECT_EQ(page.TextsOf(QStringLiteral("ppPagina")), QStringList{QStringLiteral("Pag. %1").arg(p + 1)});
        EXPECT_EQ(page.TextsOf(QStringLiteral("ppPaginaPiede")), QStringList{QStringLiteral("Pagina %1").arg(p + 1)});
        EXPECT_EQ(page.TextsOf(QStringLiteral("ppPagineTotali")), QStringList{QStringLiteral("di %1").arg(n)});
        EXPECT_TRUE(page.HasText(QStringLiteral("Registro di prova")));
        EXPECT_TRUE(page.HasText(QStringLiteral("Cantina Prova S.r.l.")));
        EXPECT_TRUE(page.HasText(QStringLiteral("Data: 31/05/2024")));
        // Nothing of the body runs into the footer.
        const PageItem *footerRule = page.Find(QStringLiteral("ppRigaPiede"));
        ASSERT_NE(footerRule, nullptr);
        for (const PageItem &item : page.Items) {
            if (item.Band != QStringLiteral("ppFooterBand")) {
                EXPECT_LE(item.Rect.bottom(), footerRule->Rect.top() + 1e-6) << item.Name.toStdString();
            }
        }
    }
}

TEST_F(SamplePrint, BlankWhenZeroAndFormats)
{
    const ReportDocument doc = Print();
    int withCarico = 0, withScarico = 0;
    for (const Row &r : Rows()) {
        withCarico += r.carico != 0;
        withScarico += r.scarico != 0;
    }
    EXPECT_EQ(AllTexts(doc, QStringLiteral("fdCarico")).size(), withCarico);
    EXPECT_EQ(AllTexts(doc, QStringLiteral("fdScarico")).size(), withScarico);
    // Row 6 (i = 5): both columns empty, its line shows number, date and nothing else.
    const int page = RowPages(doc).at(6);
    bool found = false;
    for (const QString &line : doc.Pages[page].Lines())
        if (line.startsWith(QStringLiteral("6 "))) {
            EXPECT_EQ(line, QStringLiteral("6 02/01/2024"));
            found = true;
        }
    EXPECT_TRUE(found);
    EXPECT_TRUE(doc.Pages[RowPages(doc).at(3)].HasText(QStringLiteral("(1,00)")));
    EXPECT_TRUE(doc.Pages[RowPages(doc).at(3)].HasText(QStringLiteral("5,50")));
}

TEST_F(SamplePrint, LotsSubreportReopenedPerRowAndHideable)
{
    const int opensBefore = lots_.OpenCount();
    const ReportDocument doc = Print();
    EXPECT_EQ(lots_.OpenCount() - opensBefore, 200);
    EXPECT_EQ(AllTexts(doc, QStringLiteral("fdLotto")).size(), lots_.AllRowCount());
    // Lots print under their own row.
    const std::map<int, int> pages = RowPages(doc);
    for (int p = 0; p < doc.PageCount(); ++p)
        for (const QString &lot : doc.Pages[p].TextsOf(QStringLiteral("fdLotto")))
            EXPECT_EQ(pages.at(lot.mid(1, lot.size() - 2).toInt()), p) << lot.toStdString();

    report_.Nascondi(QStringLiteral("srLotti"));
    const int opensHidden = lots_.OpenCount();
    const ReportDocument hidden = Print();
    EXPECT_EQ(lots_.OpenCount(), opensHidden);
    EXPECT_TRUE(AllTexts(hidden, QStringLiteral("fdLotto")).isEmpty());
    EXPECT_EQ(AllTexts(hidden, QStringLiteral("smLotti")), QStringList{Fmt(0)});
    EXPECT_LT(hidden.PageCount(), doc.PageCount());
}

// ---------------------------------------------------------------------------------------
// Outputs

QString Tool(const QString &name)
{
    return QStandardPaths::findExecutable(name);
}

QString RunTool(const QString &tool, const QStringList &args)
{
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

void ExpectPdf(const QString &path, int pages)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    const QString pdfinfo = Tool(QStringLiteral("pdfinfo"));
    if (!pdfinfo.isEmpty()) {
        EXPECT_TRUE(
            RunTool(pdfinfo, {path}).contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\b").arg(pages))));
    }
}

TEST_F(SamplePrint, PdfHoldsTheExpectedText)
{
    const QString pdftotext = Tool(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) not installed";
    const ReportDocument doc = Print();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registro.pdf"));
    ReportOutput::WritePdf(doc, path);
    ExpectPdf(path, doc.PageCount());

    const QString text = RunTool(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), doc.PageCount());
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Registro di prova")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Cantina Prova S.r.l.")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Quantità:")));
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("Pagina 1\\s+di %1").arg(doc.PageCount()))));
    const QString last = pages.last();
    EXPECT_TRUE(last.contains(QStringLiteral("Totale generale")));
    EXPECT_TRUE(last.contains(AllTexts(doc, QStringLiteral("smCarTot")).first()));
    EXPECT_TRUE(last.contains(AllTexts(doc, QStringLiteral("smScaTot")).first()));
}

TEST_F(SamplePrint, PrintDirReceivesEveryPrintAsPdf)
{
    QTemporaryDir dir;
    qputenv("KV8_PRINT_DIR", dir.path().toUtf8());
    report_.EseguiStampa(false);
    report_.EseguiStampa(true);
    qunsetenv("KV8_PRINT_DIR");
    const QStringList files = QDir(dir.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(report_.UltimoFile().startsWith(dir.path()));
    EXPECT_TRUE(files[0].startsWith(QStringLiteral("RegistroProva_")));
    ExpectPdf(report_.UltimoFile(), report_.Documento().PageCount());
}

TEST_F(SamplePrint, PrinterOutput)
{
    const ReportDocument doc = Print();
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("stampante.pdf")));
    ReportOutput::Print(doc, printer);
    ExpectPdf(printer.outputFileName(), doc.PageCount());
}

TEST(ReportOutput, UnwritablePdfIsAnError)
{
    ReportDocument doc;
    doc.Name = QStringLiteral("X");
    doc.PageSize = QSizeF(210, 297);
    doc.Pages.append(ReportPage());
    EXPECT_THROW(ReportOutput::WritePdf(doc, QStringLiteral("/nonexistent-dir/x.pdf")), Exception);
}

} // namespace
