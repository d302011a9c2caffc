#include "host/ui/ReportPreview.h"

#include "host/core/Errors.h"
#include "host/report/ReportOutput.h"
#include "host/ui/MDIForm.h"
#include "host/ui/WindowFactory.h"
#include "host/ui/Xvkey.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Grey border around the page, in screen pixels.
constexpr int kMargin = 12;
constexpr int kShadow = 3;
// The steps of zooming in and out.
constexpr double kZoomSteps[] = {0.1, 0.25, 0.33, 0.5, 0.67, 0.75, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0};

ReportPreview::FileDialog &FileHook()
{
    static ReportPreview::FileDialog hook;
    return hook;
}

ReportPreview::PrinterDialog &PrinterHook()
{
    static ReportPreview::PrinterDialog hook;
    return hook;
}

QString &LastFolder()
{
    static QString folder;
    return folder;
}

// A file name for the print: its name without the characters file systems refuse.
QString SuggestedName(const ReportDocument &document)
{
    QString name = document.Name.isEmpty() ? document.Title : document.Name;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\s]+")), QStringLiteral("_"));
    return (name.isEmpty() ? QStringLiteral("stampa") : name) + QStringLiteral(".pdf");
}

// The window a dialog opened outside the preview belongs to.
QWidget *DialogParent()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace

// ---- the page, painted from the page model at the zoom's resolution

class ReportPageView : public QWidget {
public:
    explicit ReportPageView(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("pbPagina"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // An empty page size shows no page.
    void Set(const ReportPage &page, const QSizeF &mm, int dpi)
    {
        page_ = page;
        mm_ = mm;
        dpi_ = dpi;
        image_ = QImage();
        setFixedSize(mm.isEmpty() ? QSize(1, 1) : PagePixels() + QSize(2 * kMargin + kShadow, 2 * kMargin + kShadow));
        update();
    }

    QSize PagePixels() const { return QSize(qRound(mm_.width() * dpi_ / 25.4), qRound(mm_.height() * dpi_ / 25.4)); }

    // The page as shown (rendered when needed).
    const QImage &Image()
    {
        if (image_.isNull() && !mm_.isEmpty())
            Render();
        return image_;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Dark));
        if (mm_.isEmpty())
            return;
        const QRect page(QPoint(kMargin, kMargin), PagePixels());
        painter.fillRect(page.translated(kShadow, kShadow), QColor(0, 0, 0, 80));
        painter.drawImage(page.topLeft(), Image());
        painter.setPen(QColor(110, 110, 110));
        painter.drawRect(page.adjusted(-1, -1, 0, 0));
    }

private:
    void Render()
    {
        // The image has the zoom's resolution, so texts are laid out as on paper at that
        // size and the page's millimetres map to it as on a printer.
        const qreal ratio = devicePixelRatioF();
        const int dpi = qMax(1, qRound(dpi_ * ratio));
        const QSize pixels(qMax(1, qRound(mm_.width() * dpi / 25.4)), qMax(1, qRound(mm_.height() * dpi / 25.4)));
        QImage image(pixels, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            ReportOutput::PaintPage(painter, page_, image.logicalDpiX() / 25.4);
        }
        image.setDevicePixelRatio(ratio);
        image_ = std::move(image);
    }

    ReportPage page_;
    QSizeF mm_;
    int dpi_ = 96;
    QImage image_;
};

// ---- dialogs

namespace ReportPreview {

FileDialog SetFileDialog(FileDialog dialog)
{
    FileDialog previous = std::move(FileHook());
    FileHook() = std::move(dialog);
    return previous;
}

PrinterDialog SetPrinterDialog(PrinterDialog dialog)
{
    PrinterDialog previous = std::move(PrinterHook());
    PrinterHook() = std::move(dialog);
    return previous;
}

QString ChooseFile(QWidget *parent, const QString &suggested)
{
    if (FileHook())
        return FileHook()(parent, suggested);
    if (TForm::CurrentModalHandler())
        return QString();
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Salva come PDF"), suggested,
                                        QStringLiteral("Documenti PDF (*.pdf)"));
}

bool ChoosePrinter(QWidget *parent, QPrinter &printer, int pageCount)
{
    if (PrinterHook())
        return PrinterHook()(parent, printer, pageCount);
    if (TForm::CurrentModalHandler())
        return false;
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Stampa"));
    if (pageCount > 0) {
        dialog.setMinMax(1, pageCount);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    } else {
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    }
    return dialog.exec() == QDialog::Accepted;
}

} // namespace ReportPreview

// ---- opening and installing

TfReportPreview *ShowReportPreview(const ReportDocument &document)
{
    // Under an open modal window a child of the main window could not be reached: the
    // preview then is a window of its own, modal as well, over it. It is not owned by that
    // window, which may close as soon as the print is sent.
    const bool modal = QApplication::activeModalWidget() != nullptr;
    auto *form = new TfReportPreview;
    QPointer<TfReportPreview> guard(form);
    try {
        form->DoCreate();
        form->SetDocument(document);
        if (Mdimainbase::MDIForm && !modal) {
            Mdimainbase::MDIForm->AddChild(form, taNormale);
            if (QMdiSubWindow *sub = form->SubWindow())
                sub->setGeometry(QRect(QPoint(0, 0), Mdimainbase::MDIForm->MdiArea()->viewport()->size()));
        } else {
            if (modal)
                form->setWindowModality(Qt::ApplicationModal);
            const QScreen *screen = QGuiApplication::primaryScreen();
            const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
            form->resize(qMax(640, available.width() * 3 / 4), qMax(480, available.height() * 9 / 10));
        }
        form->Show();
    } catch (...) {
        if (guard) {
            if (QMdiSubWindow *sub = guard->SubWindow())
                delete sub;
            else
                delete guard.data();
        }
        throw;
    }
    return form;
}

// ---- the progress of a long print: a bar counting its pages, the wait cursor, a stop button

namespace {

class PrintProgressView : public ReportProgress::View {
public:
    PrintProgressView() : dialog_(QString(), QStringLiteral("Interrompi"), 0, 0, DialogParent())
    {
        dialog_.setObjectName(QStringLiteral("FStampaAvanzamento"));
        dialog_.setWindowTitle(QStringLiteral("Stampa in corso"));
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.show();
    }

    bool Update(const QString &caption, int page, int count) override
    {
        // The bar and the pending events every 50 ms: often enough to move and to stop.
        if (shown_.isValid() && shown_.elapsed() < 50 && page != count)
            return !dialog_.wasCanceled();
        shown_.start();
        dialog_.setLabelText(caption);
        dialog_.setMaximum(count);
        dialog_.setValue(count > 0 ? page : 0);
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    THourGlass hourglass_;
    QProgressDialog dialog_;
    QElapsedTimer shown_;
};

} // namespace

void InstallReportPreview()
{
    ReportProgress::SetViewFactory([] { return std::make_unique<PrintProgressView>(); });
    ReportOutput::SetPreviewHandler([](const ReportDocument &document) { ShowReportPreview(document); });
    ReportOutput::SetPrintDialogHandler(
        [](QPrinter &printer) { return ReportPreview::ChoosePrinter(DialogParent(), printer, 0); });
}

// ---- the window

TfReportPreview::TfReportPreview(QWidget *owner) : TForm(owner)
{
    setObjectName(QStringLiteral("FReportPreview"));
    setWindowTitle(QStringLiteral("Anteprima di stampa"));

    auto *layout = new QVBoxLayout(ClientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tbAnteprima = new QToolBar(ClientArea());
    tbAnteprima->setObjectName(QStringLiteral("tbAnteprima"));
    tbAnteprima->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tbAnteprima->setIconSize(QSize(16, 16));
    layout->addWidget(tbAnteprima);

    const QStyle *st = style();
    auto add = [this](const char *name, const QIcon &icon, const QString &text, const QString &tip,
                      void (TfReportPreview::*slot)()) {
        QAction *action = tbAnteprima->addAction(icon, text);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(tip);
        connect(action, &QAction::triggered, this, [this, slot] { Guard([this, slot] { (this->*slot)(); }); });
        return action;
    };

    acPrima = add("acPrima", st->standardIcon(QStyle::SP_MediaSkipBackward), QString(),
                  QStringLiteral("Prima pagina (Ctrl+Home)"), &TfReportPreview::FirstPage);
    acPrecedente = add("acPrecedente", st->standardIcon(QStyle::SP_MediaSeekBackward), QString(),
                       QStringLiteral("Pagina precedente (Ctrl+PgSu)"), &TfReportPreview::PriorPage);
    edPagina = new QSpinBox(tbAnteprima);
    edPagina->setObjectName(QStringLiteral("edPagina"));
    edPagina->setKeyboardTracking(false);
    edPagina->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edPagina->setAlignment(Qt::AlignRight);
    edPagina->setMinimumWidth(edPagina->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    edPagina->setToolTip(QStringLiteral("Pagina"));
    tbAnteprima->addWidget(edPagina);
    lbPagine = new QLabel(tbAnteprima);
    lbPagine->setObjectName(QStringLiteral("lbPagine"));
    lbPagine->setContentsMargins(4, 0, 4, 0);
    tbAnteprima->addWidget(lbPagine);
    acSuccessiva = add("acSuccessiva", st->standardIcon(QStyle::SP_MediaSeekForward), QString(),
                       QStringLiteral("Pagina successiva (Ctrl+PgGiù)"), &TfReportPreview::NextPage);
    acUltima = add("acUltima", st->standardIcon(QStyle::SP_MediaSkipForward), QString(),
                   QStringLiteral("Ultima pagina (Ctrl+End)"), &TfReportPreview::LastPage);
    tbAnteprima->addSeparator();
    acRiduci = add("acRiduci", QIcon(), QStringLiteral("−"), QStringLiteral("Riduci"), &TfReportPreview::ZoomOut);
    lbZoom = new QLabel(tbAnteprima);
    lbZoom->setObjectName(QStringLiteral("lbZoom"));
    lbZoom->setAlignment(Qt::AlignCenter);
    lbZoom->setMinimumWidth(lbZoom->fontMetrics().horizontalAdvance(QStringLiteral("0000 %")) + 8);
    tbAnteprima->addWidget(lbZoom);
    acIngrandisci =
        add("acIngrandisci", QIcon(), QStringLiteral("+"), QStringLiteral("Ingrandisci"), &TfReportPreview::ZoomIn);
    acLarghezza = add("acLarghezza", QIcon(), QStringLiteral("Larghezza pagina"),
                      QStringLiteral("Adatta alla larghezza della pagina"), &TfReportPreview::FitWidth);
    acPaginaIntera = add("acPaginaIntera", QIcon(), QStringLiteral("Pagina intera"),
                         QStringLiteral("Mostra la pagina intera"), &TfReportPreview::FitPage);
    acDimensioneReale = add("acDimensioneReale", QIcon(), QStringLiteral("100%"), QStringLiteral("Dimensione reale"),
                            &TfReportPreview::ActualSize);
    for (QAction *a : {acLarghezza, acPaginaIntera})
        a->setCheckable(true);
    tbAnteprima->addSeparator();
    acStampa = tbAnteprima->addAction(QStringLiteral("Stampa..."));
    acStampa->setObjectName(QStringLiteral("acStampa"));
    acStampa->setToolTip(QStringLiteral("Stampa (F9)"));
    connect(acStampa, &QAction::triggered, this, [this] { Guard([this] { Print(); }); });
    acSalvaPdf = tbAnteprima->addAction(st->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Salva PDF..."));
    acSalvaPdf->setObjectName(QStringLiteral("acSalvaPdf"));
    acSalvaPdf->setToolTip(QStringLiteral("Salva come file PDF"));
    connect(acSalvaPdf, &QAction::triggered, this, [this] { Guard([this] { SaveAsPdf(); }); });
    acChiudi = tbAnteprima->addAction(st->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Chiudi"));
    acChiudi->setObjectName(QStringLiteral("acChiudi"));
    acChiudi->setToolTip(QStringLiteral("Chiudi l'anteprima (Esc)"));
    connect(acChiudi, &QAction::triggered, this, [this] { Close(); });

    sbPagina = new QScrollArea(ClientArea());
    sbPagina->setObjectName(QStringLiteral("sbPagina"));
    sbPagina->setAlignment(Qt::AlignCenter);
    sbPagina->setWidgetResizable(false);
    sbPagina->setBackgroundRole(QPalette::Dark);
    sbPagina->setFrameShape(QFrame::NoFrame);
    view_ = new ReportPageView(sbPagina);
    sbPagina->setWidget(view_);
    sbPagina->viewport()->installEventFilter(this);
    layout->addWidget(sbPagina, 1);

    connect(edPagina, &QSpinBox::valueChanged, this, [this](int number) { GoToPage(number - 1); });

    UpdateView();
}

void TfReportPreview::SetDocument(const ReportDocument &document)
{
    document_ = document;
    page_ = 0;
    shownPage_ = -1;
    const QString title = document_.Title.isEmpty() ? document_.Name : document_.Title;
    setWindowTitle(title.isEmpty() ? QStringLiteral("Anteprima di stampa")
                                   : QStringLiteral("Anteprima di stampa - ") + title);
    if (mode_ == ZoomMode::Fixed)
        UpdateView();
    else
        ApplyFit();
}

QSizeF TfReportPreview::PageSizeMm() const
{
    return document_.PageSize.isValid() && !document_.PageSize.isEmpty() ? document_.PageSize : QSizeF(210, 297);
}

double TfReportPreview::BaseDotsPerMm() const
{
    return qMax(1, view_->logicalDpiX()) / 25.4;
}

void TfReportPreview::GoToPage(int index)
{
    const int page = std::clamp(index, 0, qMax(0, PageCount() - 1));
    if (page == page_)
        return;
    page_ = page;
    UpdateView();
    sbPagina->verticalScrollBar()->setValue(0);
}

void TfReportPreview::SetScale(double scale)
{
    ApplyScale(scale, ZoomMode::Fixed);
}

void TfReportPreview::FitWidth()
{
    mode_ = ZoomMode::FitWidth;
    ApplyFit();
}

void TfReportPreview::FitPage()
{
    mode_ = ZoomMode::FitPage;
    ApplyFit();
}

void TfReportPreview::ZoomIn()
{
    const double *next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), scale_ * 1.001);
    SetScale(next == std::end(kZoomSteps) ? MaxScale : *next);
}

void TfReportPreview::ZoomOut()
{
    const double *first = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), scale_ / 1.001);
    SetScale(first == std::begin(kZoomSteps) ? MinScale : *(first - 1));
}

void TfReportPreview::ApplyFit()
{
    if (mode_ == ZoomMode::Fixed)
        return;
    const QSizeF mm = PageSizeMm();
    const double dpmm = BaseDotsPerMm();
    // Room without scroll bars; fitting the width keeps room for the vertical one, which a
    // page taller than the window needs, so that the fit does not swing as it comes and goes.
    const QSize room = sbPagina->maximumViewportSize() - QSize(2 * kMargin + kShadow, 2 * kMargin + kShadow);
    const double byWidth =
        (room.width() - (mode_ == ZoomMode::FitWidth ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0))
        / (mm.width() * dpmm);
    const double byHeight = room.height() / (mm.height() * dpmm);
    // Pages are drawn at whole dots per inch: the fit takes the largest that fits.
    const double fit = mode_ == ZoomMode::FitWidth ? byWidth : std::min(byWidth, byHeight);
    ApplyScale(std::floor(fit * dpmm * 25.4 + 1e-6) / (dpmm * 25.4), mode_);
}

void TfReportPreview::ApplyScale(double scale, ZoomMode mode)
{
    scale_ = std::clamp(scale, MinScale, MaxScale);
    mode_ = mode;
    UpdateView();
}

void TfReportPreview::UpdateView()
{
    const int dpi = qMax(1, qRound(scale_ * BaseDotsPerMm() * 25.4));
    if (dpi != shownDpi_ || page_ != shownPage_) {
        const bool empty = PageCount() == 0;
        view_->Set(empty ? ReportPage() : document_.Page(page_), empty ? QSizeF() : PageSizeMm(), dpi);
        shownDpi_ = dpi;
        shownPage_ = page_;
    }
    UpdateControls();
}

void TfReportPreview::UpdateControls()
{
    const int count = PageCount();
    {
        const QSignalBlocker block(edPagina);
        edPagina->setRange(count > 0 ? 1 : 0, count);
        edPagina->setValue(count > 0 ? page_ + 1 : 0);
    }
    edPagina->setEnabled(count > 1);
    lbPagine->setText(QStringLiteral("di %1").arg(count));
    acPrima->setEnabled(page_ > 0);
    acPrecedente->setEnabled(page_ > 0);
    acSuccessiva->setEnabled(page_ < count - 1);
    acUltima->setEnabled(page_ < count - 1);
    lbZoom->setText(QStringLiteral("%1 %").arg(qRound(scale_ * 100)));
    acRiduci->setEnabled(scale_ > MinScale + 1e-9);
    acIngrandisci->setEnabled(scale_ < MaxScale - 1e-9);
    acLarghezza->setChecked(mode_ == ZoomMode::FitWidth);
    acPaginaIntera->setChecked(mode_ == ZoomMode::FitPage);
    acStampa->setEnabled(count > 0);
    acSalvaPdf->setEnabled(count > 0);
}

bool TfReportPreview::Print()
{
    if (PageCount() == 0)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document_.Title.isEmpty() ? document_.Name : document_.Title);
    if (!ReportPreview::ChoosePrinter(this, printer, PageCount()))
        return false;
    int from = 0;
    int to = PageCount() - 1;
    if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = page_;
    } else if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = printer.fromPage() - 1;
        if (printer.toPage() > 0)
            to = std::min(to, printer.toPage() - 1);
    }
    if (from > to)
        throw Exception(QStringLiteral("Le pagine da stampare vanno da 1 a %1").arg(PageCount()));
    if (printer.outputFormat() == QPrinter::NativeFormat && QPrinterInfo::availablePrinters().isEmpty())
        throw Exception(QStringLiteral("Nessuna stampante disponibile"));
    THourGlass hourglass;
    ReportProgress progress(document_.Title.isEmpty() ? document_.Name : document_.Title);
    ReportOutput::Print(document_, printer, &progress, from, to);
    return true;
}

QString TfReportPreview::SaveAsPdf()
{
    if (PageCount() == 0)
        return QString();
    QString folder = LastFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QString file = ReportPreview::ChooseFile(this, QDir(folder).filePath(SuggestedName(document_)));
    if (file.isEmpty())
        return QString();
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".pdf");
    {
        THourGlass hourglass;
        ReportProgress progress(document_.Title.isEmpty() ? document_.Name : document_.Title);
        ReportOutput::WritePdf(document_, file, &progress);
    }
    LastFolder() = QFileInfo(file).absolutePath();
    return file;
}

void TfReportPreview::FormKeyDown(int &key, TShiftState shift)
{
    TForm::FormKeyDown(key, shift);
    if (key == 0)
        return;
    if (key == Qt::Key_Escape && shift == 0) {
        key = 0;
        Close();
        return;
    }
    switch (Xvkey::XGetKEY(key, shift)) {
    case Xvkey::kcPrimo:
        FirstPage();
        break;
    case Xvkey::kcPrecedente:
        PriorPage();
        break;
    case Xvkey::kcSuccessivo:
        NextPage();
        break;
    case Xvkey::kcUltimo:
        LastPage();
        break;
    case Xvkey::kcStampa:
        Guard([this] { Print(); });
        break;
    default:
        return;
    }
    key = 0;
}

bool TfReportPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sbPagina->viewport() && event->type() == QEvent::Resize && mode_ != ZoomMode::Fixed)
        ApplyFit();
    return TForm::eventFilter(watched, event);
}
