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

#include <functional>

class QPainter;
class QPrinter;

namespace ReportOutput {

QFont ToQFont(const PageFont &font);

// Paints a page on a device whose origin is the paper's corner, at dotsPerMm.
void PaintPage(QPainter &painter, const ReportPage &page, double dotsPerMm);

// Writes the document as a PDF file. Throws Exception when the file cannot be written.
void WritePdf(const ReportDocument &document, const QString &fileName);

// Prints the document on a printer set up by the caller (no dialog).
void Print(const ReportDocument &document, QPrinter &printer);

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
// Exception when no printer is available or the file cannot be written.
QString Deliver(const ReportDocument &document, bool preview, bool choosePrinter);

// Delivers a dot-matrix text: capture, KV8_PRINT_DIR, the file named by the print, or the
// raw queue of a printer through lp (the default queue when none is named). Answers the
// file written, if any. Throws Exception when the queue refuses the job.
QString DeliverText(const QString &name, const QString &text, const QString &fileName,
                    const QString &queue);

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
