#pragma once
// The print preview: the pages of a rendered print in a child window of the main window (a
// window of its own when there is none, or when a modal window is open), with page
// navigation, zoom, printing through the printer dialog and saving as PDF.
//
// InstallReportPreview, called once by the program, makes this window the preview of every
// print and the printer dialog the printer choice of prints (ReportOutput).
//
// The save-as and printer dialogs go through replaceable hooks. Without a hook the real
// dialog is shown, except while a modal handler stands in for modal windows
// (TForm::SetModalHandler: tests, unattended runs): then the dialog is skipped and counts
// as cancelled, so nothing waits for a user who is not there.
#include "host/report/PageModel.h"
#include "host/ui/Forms.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QLabel;
class QPrinter;
class QScrollArea;
class QSpinBox;
class QToolBar;

namespace ReportPreview {

// Answers the file to save a PDF to, empty when cancelled; suggested is a full path.
using FileDialog = std::function<QString(QWidget *parent, const QString &suggested)>;
// Sets the printer up; false when cancelled. pageCount > 0 lets the user choose the pages
// (QPrinter's print range), 0 prints everything.
using PrinterDialog = std::function<bool(QWidget *parent, QPrinter &printer, int pageCount)>;

// Replace the dialogs (nullptr puts the real ones back); each answers the hook replaced.
FileDialog SetFileDialog(FileDialog dialog);
PrinterDialog SetPrinterDialog(PrinterDialog dialog);

// The dialogs as the preview asks them (see above).
QString ChooseFile(QWidget *parent, const QString &suggested);
bool ChoosePrinter(QWidget *parent, QPrinter &printer, int pageCount);

} // namespace ReportPreview

class TfReportPreview;
class ReportPageView;

// Opens a preview window on a copy of the document and answers it.
TfReportPreview *ShowReportPreview(const ReportDocument &document);

// Makes the preview window the preview handler of prints and its printer dialog their
// printer choice.
void InstallReportPreview();

class TfReportPreview : public TForm {
    Q_OBJECT
public:
    enum class ZoomMode { FitWidth, FitPage, Fixed };

    explicit TfReportPreview(QWidget *owner = nullptr);

    void SetDocument(const ReportDocument &document);
    const ReportDocument &Document() const { return document_; }

    // ---- pages (0-based index)
    int PageCount() const { return document_.PageCount(); }
    int CurrentPage() const { return page_; }
    // Shows a page; an index out of range goes to the nearest page.
    void GoToPage(int index);
    void FirstPage() { GoToPage(0); }
    void PriorPage() { GoToPage(page_ - 1); }
    void NextPage() { GoToPage(page_ + 1); }
    void LastPage() { GoToPage(PageCount() - 1); }

    // ---- zoom: 1 is the paper's actual size on the screen
    double Scale() const { return scale_; }
    ZoomMode Zoom() const { return mode_; }
    void SetScale(double scale); // a fixed zoom, within MinScale..MaxScale
    void FitWidth();
    void FitPage();
    void ActualSize() { SetScale(1.0); }
    void ZoomIn();
    void ZoomOut();
    static constexpr double MinScale = 0.1;
    static constexpr double MaxScale = 4.0;

    // ---- output
    // Prints the pages chosen in the printer dialog; false when cancelled. Throws
    // Exception when no printer is available or the print fails.
    bool Print();
    // Saves the print as a PDF file chosen in the save-as dialog; answers the file, empty
    // when cancelled. Throws Exception when the file cannot be written.
    QString SaveAsPdf();

    void FormKeyDown(int &key, TShiftState shift) override;

    // ---- controls
    QToolBar *tbAnteprima = nullptr;
    QAction *acPrima = nullptr;
    QAction *acPrecedente = nullptr;
    QAction *acSuccessiva = nullptr;
    QAction *acUltima = nullptr;
    QSpinBox *edPagina = nullptr;
    QLabel *lbPagine = nullptr;
    QAction *acLarghezza = nullptr;
    QAction *acPaginaIntera = nullptr;
    QAction *acDimensioneReale = nullptr;
    QAction *acRiduci = nullptr;
    QAction *acIngrandisci = nullptr;
    QLabel *lbZoom = nullptr;
    QAction *acStampa = nullptr;
    QAction *acSalvaPdf = nullptr;
    QAction *acChiudi = nullptr;
    QScrollArea *sbPagina = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSizeF PageSizeMm() const;
    // Screen dots per millimetre at the zoom 1.
    double BaseDotsPerMm() const;
    void ApplyFit();
    void ApplyScale(double scale, ZoomMode mode);
    void UpdateView();
    void UpdateControls();

    ReportDocument document_;
    int page_ = 0;
    double scale_ = 1.0;
    ZoomMode mode_ = ZoomMode::FitWidth;
    ReportPageView *view_ = nullptr;
    int shownPage_ = -1; // what the view holds
    int shownDpi_ = 0;
};
