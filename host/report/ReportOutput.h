#pragma once
// Where a rendered print goes: a PDF file, a printer, the preview, or the in-memory capture
// that tests read. Text (dot-matrix) prints go to a file, a raw printer queue or the
// capture.
//
// Every print is delivered in this order of precedence: an active ReportCapture takes it;
// else, when the environment variable KV8_PRINT_DIR names a folder, it is written there
// (PDF, or text for dot-matrix prints) for unattended use; else a preview goes to the
// preview handler and a print to the printer.
#include "host/report/PageModel.h"

#include <QFont>
#include <QList>
#include <QString>

#include <QElapsedTimer>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;

// The progress of a print, page by page: once it passes 10 pages or runs over a second, the
// view the program installs shows a bar counting the pages, with the wait cursor and a button
// that stops the print. Without a view nothing is shown.
class ReportProgress {
public:
    class View {
    public:
        virtual ~View() = default;
        // count 0: not yet known. Answers false when the user stopped the print.
        virtual bool Update(const QString &caption, int page, int count) = 0;
    };
    using ViewFactory = std::function<std::unique_ptr<View>()>;
    static void SetViewFactory(ViewFactory factory);

    explicit ReportProgress(const QString &name);
    ~ReportProgress();
    ReportProgress(const ReportProgress &) = delete;
    ReportProgress &operator=(const ReportProgress &) = delete;

    // A page laid out (count 0) or sent out (page of count). Throws EAbort when stopped.
    void Page(int page, int count);
    // Takes the view down (before the preview opens); a later page brings it back.
    void End() { view_.reset(); }

    static constexpr int kPages = 10;
    static constexpr int kMilliseconds = 1000;

private:
    QString name_;
    QElapsedTimer timer_;
    std::unique_ptr<View> view_;
};

namespace ReportOutput {

QFont ToQFont(const PageFont &font);

// Paints a page on a device whose origin is the paper's corner, at dotsPerMm.
void PaintPage(QPainter &painter, const ReportPage &page, double dotsPerMm);

// Writes the document as a PDF file, whole or not at all. Throws Exception when the file
// cannot be written, EAbort when the print was stopped.
void WritePdf(const ReportDocument &document, const QString &fileName, ReportProgress *progress = nullptr);

// Prints the pages from..to (0-based; to -1: the last) on a printer set up by the caller (no
// dialog).
void Print(const ReportDocument &document, QPrinter &printer, ReportProgress *progress = nullptr, int from = 0,
           int to = -1);

// A new file name in KV8_PRINT_DIR for a print ("<name>_<date>_<time>.<ext>"); empty when
// the variable is not set. The folder is created when missing.
QString PrintDirFile(const QString &name, const QString &extension);

// Shows the preview of a document; installed by the program's windows. Without one a
// preview is written as a PDF file in the temporary folder.
using PreviewHandler = std::function<void(const ReportDocument &)>;
void SetPreviewHandler(PreviewHandler handler);
// Lets the user choose and set up the printer; false when cancelled. Without one the
// default printer is used.
using PrintDialogHandler = std::function<bool(QPrinter &)>;
void SetPrintDialogHandler(PrintDialogHandler handler);

// Delivers a rendered print (see above). Answers the file written, if any. Throws
// Exception when no printer is available or the file cannot be written, EAbort when the
// print was stopped.
QString Deliver(const ReportDocument &document, bool preview, bool choosePrinter, ReportProgress *progress = nullptr);

// Delivers a dot-matrix text: capture, KV8_PRINT_DIR, the file named by the print, or the
// raw queue of a printer through lp (the default queue when none is named). Answers the
// file written, if any. Throws Exception when the queue refuses the job.
QString DeliverText(const QString &name, const QString &text, const QString &fileName, const QString &queue);
// The same for a text held in a file (UTF-8), read a line at a time.
QString DeliverTextFile(const QString &name, const QString &source, const QString &fileName, const QString &queue);

} // namespace ReportOutput

// While one exists, every print is kept here instead of going out: tests read the pages
// (or the text of dot-matrix prints). The newest capture receives the prints.
class ReportCapture {
public:
    struct Print {
        QString Name;
        bool Preview = false;
        ReportDocument Document; // graphic prints
        QString Text;            // dot-matrix prints
        bool IsText = false;
    };

    ReportCapture();
    ~ReportCapture();
    ReportCapture(const ReportCapture &) = delete;
    ReportCapture &operator=(const ReportCapture &) = delete;

    const QList<Print> &Prints() const { return prints_; }
    const Print &Last() const;
    void Clear() { prints_.clear(); }

    static ReportCapture *Active();
    void Add(Print print) { prints_.append(std::move(print)); }

private:
    QList<Print> prints_;
    ReportCapture *previous_;
};
