// The print preview: a print sent to preview opens the window on its pages; navigation,
// zoom, printing and saving as PDF through the dialog hooks; closing frees the window.
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"
#include "host/ui/ReportPreview.h"
#include "tests/host/core/Printers.h"
#include "tests/support/ui/WindowDriver.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QScrollArea>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace kv8test;

namespace {

const char *const kLayout = R"json({
  "name": "RegistroAnteprima", "base": "KV8Standard", "title": "Registro di prova",
  "groups": [ { "name": "grCat", "field": "Categoria", "keepTogether": true,
    "header": { "height": 8, "items": [
      { "type": "field", "name": "fdCat", "field": "Categoria", "x": 0, "y": 2, "w": 80, "h": 5, "font": { "bold": true } } ] },
    "footer": { "height": 8, "items": [
      { "type": "line", "x": 110, "y": 0.5, "w": "full", "h": 0 },
      { "type": "label", "name": "lbTotCat", "text": "Totale categoria", "x": 110, "y": 1, "w": 40, "h": 5 },
      { "type": "sum", "name": "smCat", "field": "Quantita", "format": "#,0.00;-#,0.00", "align": "right", "x": 150, "y": 1, "w": 40, "h": 5 } ] } } ],
  "bands": {
    "title": { "name": "ppTitle", "height": 24, "items": [
      { "type": "picture", "name": "pcLogo", "path": "logo.png", "x": 0, "y": 2, "w": 20, "h": 20 },
      { "type": "label", "name": "lbIntestazione", "text": "Movimenti del periodo", "x": 25, "y": 6, "w": 120, "h": 8,
        "font": { "size": 14, "bold": true } },
      { "type": "frame", "x": 0, "y": 0, "w": "full", "h": 23, "pen": 0.4 } ] },
    "detail": { "name": "ppDetail", "height": 6, "items": [
      { "type": "frame", "x": 0, "y": 0, "w": "full", "h": 6 },
      { "type": "field", "name": "fdRiga", "field": "NumeroRiga", "format": "#,0;-#,0", "align": "right", "x": 1, "y": 0.5, "w": 12, "h": 5 },
      { "type": "line", "x": 14, "y": 0, "w": 0, "h": 6 },
      { "type": "field", "name": "fdDescrizione", "field": "Descrizione", "x": 16, "y": 0.5, "w": 110, "h": 5 },
      { "type": "line", "x": 148, "y": 0, "w": 0, "h": 6 },
      { "type": "field", "name": "fdQta", "field": "Quantita", "format": "#,0.00;-#,0.00", "blankWhenZero": true, "align": "right", "x": 150, "y": 0.5, "w": 38, "h": 5 } ] },
    "summary": { "name": "ppSummary", "height": 10, "items": [
      { "type": "label", "text": "Totale generale", "x": 110, "y": 2, "w": 40, "h": 6, "font": { "bold": true } },
      { "type": "sum", "name": "smTot", "field": "Quantita", "reset": "report", "format": "#,0.00;-#,0.00", "align": "right", "x": 150, "y": 2, "w": 40, "h": 6, "font": { "bold": true } } ] }
  }
})json";

constexpr int kRows = 120;

// The sample print over its rows, a logo picture in its title.
class SamplePrint {
public:
    explicit SamplePrint(const QString &logo = QString(), int rows = kRows) : company_(CFG.RagioneSociale)
    {
        CFG.RagioneSociale = QStringLiteral("Cantina Prova S.r.l.");
        rows_.SetColumns({"Categoria", "NumeroRiga", "Descrizione", "Quantita"});
        for (int i = 0; i < rows; ++i)
            rows_.AppendRow(QVariantList{QStringLiteral("Categoria %1").arg(i / 25 + 1), i + 1,
                                         QStringLiteral("Articolo di prova numero %1").arg(i + 1),
                                         i % 9 == 4 ? 0.0 : 12.5 * (i % 13) + 0.75});
        report_.CaricaLayout(ReportLayout::FromJson(kLayout, QStringLiteral("RegistroAnteprima")));
        report_.AggiungiDataSet(QStringLiteral("qMain"), &rows_);
        if (!logo.isEmpty())
            report_.Elemento(QStringLiteral("pcLogo"))->Path = logo;
    }
    ~SamplePrint() { CFG.RagioneSociale = company_; }
    TfKV8ReportB &Report() { return report_; }
    ReportDocument Render() { return report_.Prepara(); }

private:
    QString company_;
    MemoryDataSource rows_;
    TfKV8ReportB report_;
};

QString Tool(const QString &name)
{
    return QStandardPaths::findExecutable(name);
}

// The text of each page of a PDF file; empty when pdftotext is missing.
QStringList PdfPages(const QString &path)
{
    const QString pdftotext = Tool(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        return {};
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
}

void ExpectPdf(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
}

class ReportPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        printDir_ = qgetenv("KV8_PRINT_DIR");
        qunsetenv("KV8_PRINT_DIR");
        InstallReportPreview();
        previousFile_ = ReportPreview::SetFileDialog([this](QWidget *, const QString &suggested) {
            suggested_ = suggested;
            return fileAnswer_;
        });
        previousPrinter_ = ReportPreview::SetPrinterDialog([this](QWidget *, QPrinter &printer, int pageCount) {
            pageCountAsked_ = pageCount;
            if (!printerAnswer_)
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printFile_);
            printer.setPrintRange(range_);
            if (range_ == QPrinter::PageRange)
                printer.setFromTo(from_, to_);
            return true;
        });
    }
    void TearDown() override
    {
        ReportPreview::SetFileDialog(std::move(previousFile_));
        ReportPreview::SetPrinterDialog(std::move(previousPrinter_));
        ReportOutput::SetPreviewHandler(nullptr);
        ReportOutput::SetPrintDialogHandler(nullptr);
        ReportProgress::SetViewFactory(nullptr);
        if (!printDir_.isEmpty())
            qputenv("KV8_PRINT_DIR", printDir_);
    }

    // The preview a print opens in the main window.
    TfReportPreview *PreviewOf(TestMainWindow &main, SamplePrint &print)
    {
        print.Report().EseguiStampa(true);
        ProcessEvents();
        return qobject_cast<TfReportPreview *>(main.Window()->ActiveMDIChild());
    }

    UiScript script_;
    QTemporaryDir dir_;
    QString fileAnswer_;
    QString suggested_;
    bool printerAnswer_ = true;
    QString printFile_ = dir_.filePath(QStringLiteral("stampante.pdf"));
    QPrinter::PrintRange range_ = QPrinter::AllPages;
    int from_ = 0, to_ = 0;
    int pageCountAsked_ = -1;

private:
    QByteArray printDir_;
    ReportPreview::FileDialog previousFile_;
    ReportPreview::PrinterDialog previousPrinter_;
};

TEST_F(ReportPreviewTest, APrintToPreviewOpensTheWindowOnItsPages)
{
    TestMainWindow main;
    auto print = std::make_unique<SamplePrint>();
    const int pages = print->Render().PageCount();
    ASSERT_GE(pages, 4);
    TfReportPreview *preview = PreviewOf(main, *print);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(main.ChildCount(), 1);
    ASSERT_NE(preview->SubWindow(), nullptr);
    EXPECT_EQ(preview->PageCount(), pages);
    EXPECT_EQ(preview->CurrentPage(), 0);
    EXPECT_EQ(preview->edPagina->value(), 1);
    EXPECT_EQ(preview->lbPagine->text(), QStringLiteral("di %1").arg(pages));
    EXPECT_TRUE(preview->windowTitle().contains(QStringLiteral("Registro di prova")));
    EXPECT_FALSE(preview->acPrima->isEnabled());
    EXPECT_TRUE(preview->acSuccessiva->isEnabled());
    // The preview keeps its own copy: the print is freed by its caller.
    print.reset();
    EXPECT_FALSE(preview->grab().isNull());
    EXPECT_TRUE(preview->Document().Page(0).HasText(QStringLiteral("Movimenti del periodo")));
    // A second print opens a second window.
    SamplePrint other;
    PreviewOf(main, other);
    EXPECT_EQ(main.ChildCount(), 2);
}

TEST_F(ReportPreviewTest, NavigationMovesThroughThePages)
{
    TestMainWindow main;
    SamplePrint print;
    TfReportPreview *preview = PreviewOf(main, print);
    ASSERT_NE(preview, nullptr);
    const int last = preview->PageCount() - 1;
    auto *view = preview->sbPagina->widget();
    preview->ActualSize();
    const QImage first = view->grab().toImage();

    preview->acSuccessiva->trigger();
    EXPECT_EQ(preview->CurrentPage(), 1);
    EXPECT_EQ(preview->edPagina->value(), 2);
    EXPECT_TRUE(preview->acPrima->isEnabled());
    EXPECT_NE(view->grab().toImage(), first); // the page shown is another

    preview->acUltima->trigger();
    EXPECT_EQ(preview->CurrentPage(), last);
    EXPECT_FALSE(preview->acSuccessiva->isEnabled());
    EXPECT_FALSE(preview->acUltima->isEnabled());
    preview->NextPage(); // past the end stays on the last page
    EXPECT_EQ(preview->CurrentPage(), last);
    preview->acPrecedente->trigger();
    EXPECT_EQ(preview->CurrentPage(), last - 1);

    // The page number typed in the box, clamped to the pages there are.
    preview->edPagina->setValue(2);
    EXPECT_EQ(preview->CurrentPage(), 1);
    preview->GoToPage(99);
    EXPECT_EQ(preview->CurrentPage(), last);
    EXPECT_EQ(preview->edPagina->value(), last + 1);
    preview->GoToPage(-3);
    EXPECT_EQ(preview->CurrentPage(), 0);
    EXPECT_EQ(view->grab().toImage(), first);

    // The host's navigation keys.
    PressKey(preview->sbPagina, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(preview->CurrentPage(), 1);
    PressKey(preview->sbPagina, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(preview->CurrentPage(), last);
    PressKey(preview->sbPagina, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(preview->CurrentPage(), 0);
}

TEST_F(ReportPreviewTest, ZoomChangesTheScaleOfThePage)
{
    TestMainWindow main;
    SamplePrint print;
    TfReportPreview *preview = PreviewOf(main, print);
    ASSERT_NE(preview, nullptr);
    QWidget *view = preview->sbPagina->widget();
    QWidget *viewport = preview->sbPagina->viewport();

    // It opens fitting the page's width into the window.
    EXPECT_EQ(preview->Zoom(), TfReportPreview::ZoomMode::FitWidth);
    EXPECT_LE(view->width(), viewport->width());
    EXPECT_GT(view->width(), viewport->width() * 8 / 10);
    EXPECT_GT(view->height(), viewport->height()); // an A4 page at that width is taller

    preview->acDimensioneReale->trigger();
    EXPECT_DOUBLE_EQ(preview->Scale(), 1.0);
    EXPECT_EQ(preview->lbZoom->text(), QStringLiteral("100 %"));
    const int actual = view->width();
    EXPECT_NEAR(actual, 210 / 25.4 * view->logicalDpiX(), 40); // the paper's width, plus the border

    preview->acIngrandisci->trigger();
    EXPECT_GT(preview->Scale(), 1.0);
    EXPECT_GT(view->width(), actual);
    EXPECT_EQ(preview->Zoom(), TfReportPreview::ZoomMode::Fixed);
    preview->acRiduci->trigger();
    preview->acRiduci->trigger();
    EXPECT_LT(preview->Scale(), 1.0);
    EXPECT_LT(view->width(), actual);

    // The whole page in the window, also once the window is made smaller.
    preview->acPaginaIntera->trigger();
    EXPECT_EQ(preview->Zoom(), TfReportPreview::ZoomMode::FitPage);
    EXPECT_LE(view->width(), viewport->width());
    EXPECT_LE(view->height(), viewport->height());
    const double whole = preview->Scale();
    preview->SubWindow()->resize(preview->SubWindow()->size() * 3 / 4);
    ProcessEvents();
    EXPECT_LT(preview->Scale(), whole);
    EXPECT_LE(view->height(), viewport->height());

    // A fixed zoom stays when the window changes, within its limits.
    preview->SetScale(1.5);
    preview->SubWindow()->resize(preview->SubWindow()->size() * 5 / 4);
    ProcessEvents();
    EXPECT_DOUBLE_EQ(preview->Scale(), 1.5);
    preview->SetScale(100);
    EXPECT_DOUBLE_EQ(preview->Scale(), TfReportPreview::MaxScale);
    EXPECT_FALSE(preview->acIngrandisci->isEnabled());
    preview->ZoomIn();
    EXPECT_DOUBLE_EQ(preview->Scale(), TfReportPreview::MaxScale);
    preview->SetScale(0);
    EXPECT_DOUBLE_EQ(preview->Scale(), TfReportPreview::MinScale);
    EXPECT_FALSE(preview->acRiduci->isEnabled());
}

TEST_F(ReportPreviewTest, SaveAsPdfWritesTheFileChosen)
{
    TestMainWindow main;
    SamplePrint print;
    TfReportPreview *preview = PreviewOf(main, print);
    ASSERT_NE(preview, nullptr);

    // Without an extension the file gets ".pdf".
    fileAnswer_ = dir_.filePath(QStringLiteral("registro"));
    preview->acSalvaPdf->trigger();
    EXPECT_TRUE(suggested_.endsWith(QStringLiteral("RegistroAnteprima.pdf"))) << suggested_.toStdString();
    const QString path = fileAnswer_ + QStringLiteral(".pdf");
    ExpectPdf(path);
    const QStringList pages = PdfPages(path);
    if (!pages.isEmpty()) {
        EXPECT_EQ(pages.size(), preview->PageCount());
        EXPECT_TRUE(pages[0].contains(QStringLiteral("Registro di prova")));
        EXPECT_TRUE(pages.last().contains(QStringLiteral("Totale generale")));
    }
    EXPECT_TRUE(script_.Messages().isEmpty());
    // The next save starts in the folder of the last.
    fileAnswer_ = dir_.filePath(QStringLiteral("copia.pdf"));
    EXPECT_EQ(preview->SaveAsPdf(), fileAnswer_);
    EXPECT_TRUE(suggested_.startsWith(dir_.path()));

    // Cancelled: nothing written.
    fileAnswer_.clear();
    EXPECT_TRUE(preview->SaveAsPdf().isEmpty());

    // A folder that does not exist: the error is shown, the window stays.
    fileAnswer_ = dir_.filePath(QStringLiteral("manca/registro.pdf"));
    preview->acSalvaPdf->trigger();
    ASSERT_EQ(script_.Messages().size(), 1);
    EXPECT_EQ(script_.Messages()[0].Type, mtError);
    EXPECT_TRUE(script_.LastText().contains(QStringLiteral("manca")));
    EXPECT_FALSE(QFile::exists(fileAnswer_));
    EXPECT_EQ(main.ChildCount(), 1);
}

TEST_F(ReportPreviewTest, ALongPrintCountsItsPagesOnABarThatStopsIt)
{
    TestMainWindow main;
    SamplePrint print(QString(), 1000);
    TfReportPreview *preview = PreviewOf(main, print);
    ASSERT_NE(preview, nullptr);
    const int pages = preview->PageCount();
    ASSERT_GT(pages, ReportProgress::kPages);
    // Pages read as they are shown, the last one as well.
    preview->LastPage();
    EXPECT_EQ(preview->CurrentPage(), pages - 1);
    EXPECT_TRUE(preview->Document().Page(pages - 1).HasText(QStringLiteral("Totale generale")));
    EXPECT_FALSE(preview->grab().isNull());

    // The bar comes up while the file is written; its button stops the print.
    fileAnswer_ = dir_.filePath(QStringLiteral("lungo.pdf"));
    QString caption;
    int maximum = 0;
    auto stopWhenShown = [&] {
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *bar = qobject_cast<QProgressDialog *>(w);
                    bar && bar->isVisible() && bar->objectName() == QLatin1String("FStampaAvanzamento")) {
                    caption = bar->labelText();
                    maximum = bar->maximum();
                    EXPECT_EQ(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                             : Qt::ArrowCursor,
                              Qt::WaitCursor);
                    bar->cancel();
                }
        });
    };
    stopWhenShown();
    EXPECT_THROW(preview->SaveAsPdf(), EAbort);
    EXPECT_FALSE(QFile::exists(fileAnswer_));
    EXPECT_TRUE(caption.contains(QStringLiteral("di %1").arg(pages))) << caption.toStdString();
    EXPECT_EQ(maximum, pages);

    // Left alone it writes every page.
    caption.clear();
    EXPECT_EQ(preview->SaveAsPdf(), fileAnswer_);
    ExpectPdf(fileAnswer_);
    if (!Tool(QStringLiteral("pdftotext")).isEmpty()) {
        EXPECT_EQ(PdfPages(fileAnswer_).size(), pages);
    }
}

TEST_F(ReportPreviewTest, PrintSendsThePagesChosenToThePrinter)
{
    TestMainWindow main;
    SamplePrint print;
    TfReportPreview *preview = PreviewOf(main, print);
    ASSERT_NE(preview, nullptr);
    const int count = preview->PageCount();

    preview->acStampa->trigger();
    EXPECT_EQ(pageCountAsked_, count);
    ExpectPdf(printFile_);
    EXPECT_EQ(PdfPages(printFile_).size(), Tool(QStringLiteral("pdftotext")).isEmpty() ? 0 : count);
    QFile::remove(printFile_);

    range_ = QPrinter::PageRange;
    from_ = 2;
    to_ = 3;
    EXPECT_TRUE(preview->Print());
    QStringList pages = PdfPages(printFile_);
    if (!pages.isEmpty()) {
        ASSERT_EQ(pages.size(), 2);
        EXPECT_TRUE(pages[0].contains(QStringLiteral("Pagina 2")));
        EXPECT_TRUE(pages[1].contains(QStringLiteral("Pagina 3")));
    }

    range_ = QPrinter::CurrentPage;
    preview->LastPage();
    EXPECT_TRUE(preview->Print());
    pages = PdfPages(printFile_);
    if (!pages.isEmpty()) {
        ASSERT_EQ(pages.size(), 1);
        EXPECT_TRUE(pages[0].contains(QStringLiteral("Totale generale")));
    }

    // Cancelled: nothing printed.
    QFile::remove(printFile_);
    printerAnswer_ = false;
    EXPECT_FALSE(preview->Print());
    EXPECT_FALSE(QFile::exists(printFile_));

    // A print straight to the printer asks the same dialog, without a page choice.
    printerAnswer_ = true;
    range_ = QPrinter::AllPages;
    print.Report().EseguiStampa(false, true);
    EXPECT_EQ(pageCountAsked_, 0);
    EXPECT_EQ(print.Report().UltimoFile(), printFile_);
    ExpectPdf(printFile_);
}

TEST_F(ReportPreviewTest, WithoutHooksTheDialogsAreSkippedUnderAModalHandler)
{
    ReportPreview::SetFileDialog(nullptr);
    ReportPreview::SetPrinterDialog(nullptr);
    TestMainWindow main;
    SamplePrint print;
    TfReportPreview *preview = PreviewOf(main, print);
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->SaveAsPdf().isEmpty());
    EXPECT_FALSE(preview->Print());
    QPrinter printer;
    EXPECT_FALSE(ReportPreview::ChoosePrinter(nullptr, printer, 0));
}

TEST_F(ReportPreviewTest, ClosingFreesTheWindow)
{
    TestMainWindow main;
    SamplePrint print;
    QPointer<TfReportPreview> preview = PreviewOf(main, print);
    ASSERT_TRUE(preview);
    preview->acChiudi->trigger();
    ProcessEvents();
    EXPECT_FALSE(preview);
    EXPECT_EQ(main.ChildCount(), 0);

    // Escape closes it too.
    preview = PreviewOf(main, print);
    ASSERT_TRUE(preview);
    PressKey(preview->sbPagina, Qt::Key_Escape);
    ProcessEvents();
    EXPECT_FALSE(preview);
}

TEST_F(ReportPreviewTest, WithoutAMainWindowOrUnderAModalOneItIsAWindowOfItsOwn)
{
    SamplePrint print;
    QPointer<TfReportPreview> preview = ShowReportPreview(print.Render());
    ASSERT_TRUE(preview);
    EXPECT_TRUE(preview->isWindow());
    EXPECT_EQ(preview->SubWindow(), nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_GT(preview->PageCount(), 1);
    preview->Close();
    ProcessEvents();
    EXPECT_FALSE(preview);

    // Under a modal window a child of the main window could not be used; the preview
    // outlives that window, which may close once the print is sent.
    TestMainWindow main;
    {
        QDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        ProcessEvents();
        preview = ShowReportPreview(print.Render());
        ASSERT_TRUE(preview);
        EXPECT_EQ(preview->SubWindow(), nullptr);
        EXPECT_EQ(preview->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(main.ChildCount(), 0);
    }
    ProcessEvents();
    ASSERT_TRUE(preview);
    preview->Close();
    ProcessEvents();
    EXPECT_FALSE(preview);
}

// The preview as the user sees it: the page painted with its texts, rules and picture.
// KV8_PREVIEW_SCREENSHOT names a PNG file to keep the picture.
TEST_F(ReportPreviewTest, ThePageIsPaintedFromThePageModel)
{
    QImage logo(200, 200, QImage::Format_RGB32);
    logo.fill(QColor(150, 20, 40));
    QPainter(&logo).fillRect(50, 50, 100, 100, QColor(240, 200, 60));
    const QString logoFile = dir_.filePath(QStringLiteral("logo.png"));
    ASSERT_TRUE(logo.save(logoFile));

    TestMainWindow main;
    SamplePrint print(logoFile);
    TfReportPreview *preview = PreviewOf(main, print);
    ASSERT_NE(preview, nullptr);
    preview->FitWidth();
    ProcessEvents();
    const QImage shot = main.Window()->grab().toImage();
    const QString keep = qEnvironmentVariable("KV8_PREVIEW_SCREENSHOT");
    if (!keep.isEmpty())
        shot.save(keep);

    const QImage page = preview->sbPagina->widget()->grab().toImage();
    int white = 0, dark = 0, logoColour = 0;
    for (int y = 0; y < page.height(); y += 2)
        for (int x = 0; x < page.width(); x += 2) {
            const QColor c = page.pixelColor(x, y);
            if (c == Qt::white)
                ++white;
            else if (c.lightness() < 60)
                ++dark;
            if (qAbs(c.red() - 150) < 12 && c.green() < 40 && qAbs(c.blue() - 40) < 12)
                ++logoColour;
        }
    const int samples = (page.width() / 2) * (page.height() / 2);
    EXPECT_GT(white, samples / 2);  // paper
    EXPECT_GT(dark, samples / 200); // texts and rules
    EXPECT_GT(logoColour, 50);      // the picture
}

} // namespace
