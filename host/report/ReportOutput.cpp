#include "host/report/ReportOutput.h"

#include "host/core/Errors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

ReportCapture *g_capture = nullptr;
ReportOutput::PreviewHandler g_preview;
ReportOutput::PrintDialogHandler g_printDialog;
ReportProgress::ViewFactory g_progressView;

constexpr int kPdfDpi = 1200;

QPageLayout PageLayoutOf(const ReportDocument &document)
{
    const QSizeF size = document.PageSize.isValid() ? document.PageSize : QSizeF(210, 297);
    const QSizeF portrait(qMin(size.width(), size.height()), qMax(size.width(), size.height()));
    return QPageLayout(QPageSize(portrait, QPageSize::Millimeter),
                       size.width() > size.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void PaintDocument(const ReportDocument &document, QPaintDevice &device, QPagedPaintDevice &paged, const QString &what,
                   ReportProgress *progress, int from, int to)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Exception(QStringLiteral("Impossibile stampare su %1").arg(what));
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    try {
        for (int i = from; i <= to; ++i) {
            if (progress)
                progress->Page(i - from + 1, to - from + 1);
            if (i > from && !paged.newPage())
                throw Exception(QStringLiteral("Impossibile aggiungere una pagina a %1").arg(what));
            ReportOutput::PaintPage(painter, document.Page(i), dotsPerMm);
        }
    } catch (...) {
        painter.end();
        throw;
    }
    if (!painter.end())
        throw Exception(QStringLiteral("Impossibile completare la stampa su %1").arg(what));
}

// A dot-matrix text to the capture (whole), to a file (written whole or not at all) or to
// the raw queue of a printer through lp.
QString DeliverTextWith(const QString &name, const std::function<QString()> &whole,
                        const std::function<void(QIODevice &, bool latin1)> &write, const QString &fileName,
                        const QString &queue)
{
    if (ReportCapture *capture = ReportCapture::Active()) {
        ReportCapture::Print print;
        print.Name = name;
        print.Text = whole();
        print.IsText = true;
        capture->Add(std::move(print));
        return QString();
    }
    QString path = ReportOutput::PrintDirFile(name, QStringLiteral("txt"));
    if (path.isEmpty())
        path = fileName;
    if (!path.isEmpty()) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw Exception(
                QStringLiteral("Impossibile scrivere il file di stampa %1: %2").arg(path, file.errorString()));
        write(file, false);
        if (!file.commit())
            throw Exception(
                QStringLiteral("Impossibile scrivere il file di stampa %1: %2").arg(path, file.errorString()));
        return path;
    }
    QStringList args{QStringLiteral("-o"), QStringLiteral("raw")};
    if (!queue.isEmpty())
        args << QStringLiteral("-d") << queue;
    args << QStringLiteral("-t") << name;
    QProcess lp;
    lp.start(QStringLiteral("lp"), args);
    if (!lp.waitForStarted(10000))
        throw Exception(
            QStringLiteral("Stampa ad aghi non riuscita: impossibile avviare lp (%1)").arg(lp.errorString()));
    write(lp, true);
    lp.closeWriteChannel();
    if (!lp.waitForFinished(60000) || lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
        throw Exception(QStringLiteral("Stampa ad aghi non riuscita: %1")
                            .arg(QString::fromLocal8Bit(lp.readAllStandardError()).trimmed()));
    return QString();
}

QString SafeName(const QString &name)
{
    QString out = name;
    out.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    return out.isEmpty() ? QStringLiteral("stampa") : out;
}

} // namespace

namespace ReportOutput {

QFont ToQFont(const PageFont &font)
{
    QFont f(font.Family);
    f.setPointSizeF(font.Size);
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    return f;
}

void PaintPage(QPainter &painter, const ReportPage &page, double k)
{
    painter.setBrush(Qt::NoBrush);
    const PageFont *lastFont = nullptr;
    double lastPen = -1;
    auto scaled = [k](const QRectF &r) { return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k); };
    auto pen = [&](double mm) {
        if (mm != lastPen) {
            QPen p(Qt::black);
            p.setWidthF(qMax(mm, 0.05) * k);
            painter.setPen(p);
            lastPen = mm;
        }
    };
    for (const PageItem &item : page.Items) {
        switch (item.kind) {
        case PageItem::Kind::Text:
            if (!lastFont || lastFont->Family != item.Font.Family || lastFont->Size != item.Font.Size
                || lastFont->Bold != item.Font.Bold || lastFont->Italic != item.Font.Italic) {
                painter.setFont(ToQFont(item.Font));
                lastFont = &item.Font;
            }
            pen(0.2);
            painter.drawText(scaled(item.Rect), item.Align | (item.WordWrap ? Qt::TextWordWrap : 0), item.Text);
            break;
        case PageItem::Kind::Line:
            pen(item.Pen);
            painter.drawLine(item.Rect.topLeft() * k, item.Rect.bottomRight() * k);
            break;
        case PageItem::Kind::Frame:
            pen(item.Pen);
            painter.drawRect(scaled(item.Rect));
            break;
        case PageItem::Kind::Picture: {
            if (item.Image.isNull())
                break;
            const QRectF box = scaled(item.Rect);
            QSizeF size = item.Image.size();
            size.scale(box.size(), Qt::KeepAspectRatio);
            painter.drawImage(QRectF(box.topLeft(), size), item.Image);
            break;
        }
        }
    }
}

void WritePdf(const ReportDocument &document, const QString &fileName, ReportProgress *progress)
{
    const QFileInfo info(fileName);
    if (!info.absoluteDir().exists())
        throw Exception(
            QStringLiteral("Cartella %1 inesistente: impossibile scrivere %2").arg(info.absolutePath(), fileName));
    // Written aside and put in place at the end: a failed or stopped print leaves no file.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Impossibile scrivere %1: %2").arg(fileName, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfDpi);
        writer.setPageLayout(PageLayoutOf(document));
        writer.setTitle(document.Title.isEmpty() ? document.Name : document.Title);
        writer.setCreator(QStringLiteral("kv8"));
        PaintDocument(document, writer, writer, fileName, progress, 0, document.PageCount() - 1);
    }
    if (!file.commit())
        throw Exception(QStringLiteral("Impossibile scrivere %1: %2").arg(fileName, file.errorString()));
}

void Print(const ReportDocument &document, QPrinter &printer, ReportProgress *progress, int from, int to)
{
    printer.setFullPage(true);
    const QPageLayout layout = PageLayoutOf(document);
    printer.setPageSize(layout.pageSize());
    printer.setPageOrientation(layout.orientation());
    if (printer.docName().isEmpty())
        printer.setDocName(document.Title.isEmpty() ? document.Name : document.Title);
    if (to < 0 || to >= document.PageCount())
        to = document.PageCount() - 1;
    PaintDocument(document, printer, printer,
                  printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName(), progress,
                  qMax(0, from), to);
}

QString PrintDirFile(const QString &name, const QString &extension)
{
    const QString dir = qEnvironmentVariable("KV8_PRINT_DIR");
    if (dir.isEmpty())
        return QString();
    if (!QDir().mkpath(dir))
        throw Exception(QStringLiteral("Impossibile creare la cartella di stampa %1").arg(dir));
    const QString base = SafeName(name) + QLatin1Char('_')
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss_zzz"));
    QString path = QDir(dir).filePath(base + QLatin1Char('.') + extension);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(dir).filePath(QStringLiteral("%1_%2.%3").arg(base).arg(n).arg(extension));
    return path;
}

void SetPreviewHandler(PreviewHandler handler)
{
    g_preview = std::move(handler);
}

void SetPrintDialogHandler(PrintDialogHandler handler)
{
    g_printDialog = std::move(handler);
}

QString Deliver(const ReportDocument &document, bool preview, bool choosePrinter, ReportProgress *progress)
{
    if (ReportCapture *capture = ReportCapture::Active()) {
        ReportCapture::Print print;
        print.Name = document.Name;
        print.Preview = preview;
        print.Document = document;
        capture->Add(std::move(print));
        return QString();
    }
    QString file = PrintDirFile(document.Name, QStringLiteral("pdf"));
    if (!file.isEmpty()) {
        WritePdf(document, file, progress);
        return file;
    }
    if (preview) {
        if (g_preview) {
            if (progress)
                progress->End(); // the preview is not opened under the bar
            g_preview(document);
            return QString();
        }
        const QString dir = QDir::temp().filePath(QStringLiteral("kv8-stampe"));
        QDir().mkpath(dir);
        file = QDir(dir).filePath(SafeName(document.Name) + QLatin1Char('_')
                                  + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss_zzz"))
                                  + QStringLiteral(".pdf"));
        WritePdf(document, file, progress);
        qInfo("Anteprima di stampa scritta in %s", qPrintable(QDir::toNativeSeparators(file)));
        return file;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (choosePrinter && g_printDialog && !g_printDialog(printer))
        return QString();
    if (printer.outputFormat() == QPrinter::NativeFormat && QPrinterInfo::availablePrinters().isEmpty())
        throw Exception(QStringLiteral("Nessuna stampante disponibile"));
    Print(document, printer, progress);
    return printer.outputFileName();
}

QString DeliverText(const QString &name, const QString &text, const QString &fileName, const QString &queue)
{
    return DeliverTextWith(
        name, [&] { return text; },
        [&](QIODevice &out, bool latin1) { out.write(latin1 ? text.toLatin1() : text.toUtf8()); }, fileName, queue);
}

QString DeliverTextFile(const QString &name, const QString &source, const QString &fileName, const QString &queue)
{
    auto open = [&](QFile &in) {
        if (!in.open(QIODevice::ReadOnly))
            throw Exception(
                QStringLiteral("Impossibile leggere il testo della stampa %1: %2").arg(source, in.errorString()));
    };
    return DeliverTextWith(
        name,
        [&] {
            QFile in(source);
            open(in);
            return QString::fromUtf8(in.readAll());
        },
        [&](QIODevice &out, bool latin1) {
            QFile in(source);
            open(in);
            while (!in.atEnd()) {
                const QByteArray line = in.readLine(1 << 16);
                out.write(latin1 ? QString::fromUtf8(line).toLatin1() : line);
            }
        },
        fileName, queue);
}

} // namespace ReportOutput

// ---------------------------------------------------------------------------------------

ReportCapture::ReportCapture() : previous_(g_capture)
{
    g_capture = this;
}

ReportCapture::~ReportCapture()
{
    g_capture = previous_;
}

const ReportCapture::Print &ReportCapture::Last() const
{
    if (prints_.isEmpty())
        throw Exception(QStringLiteral("Nessuna stampa catturata"));
    return prints_.last();
}

ReportCapture *ReportCapture::Active()
{
    return g_capture;
}

// ---------------------------------------------------------------------------------------

void ReportProgress::SetViewFactory(ViewFactory factory)
{
    g_progressView = std::move(factory);
}

ReportProgress::ReportProgress(const QString &name) : name_(name)
{
    timer_.start();
}

ReportProgress::~ReportProgress() = default;

void ReportProgress::Page(int page, int count)
{
    if (!view_) {
        if (!g_progressView || (page <= kPages && timer_.elapsed() <= kMilliseconds))
            return;
        view_ = g_progressView();
        if (!view_)
            return;
    }
    const QString caption = count > 0 ? QStringLiteral("Stampa %1: pagina %2 di %3").arg(name_).arg(page).arg(count)
                                      : QStringLiteral("Impaginazione %1: pagina %2").arg(name_).arg(page);
    if (!view_->Update(caption, page, count))
        throw EAbort();
}
