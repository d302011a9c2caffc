#pragma once
// The dot-matrix text path: sections of a print written as fixed-width lines from the
// templates in the layout file ("text": heading, numbered sections, tail), page by page.
//
// A page begins with the heading (the page counter rises by one and OnIntestazione runs
// first, so the heading shows the new number). A section is kept whole on one page: when
// its lines do not fit what is left, the page is closed with a form feed and the section
// goes on the next one. SaltoPagina closes the page at once. StampaCoda prints the tail
// lines; Termina ends the text and delivers it (ReportOutput::DeliverText). Outside a capture
// every page closed goes to a temporary file, so that a long text is held a page at a time.
#include "host/report/ReportDataSource.h"
#include "host/report/ReportLayout.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTemporaryFile;
class ReportProgress;

class TXStampaAghi {
public:
    // Data of the sections: a field is looked up in the dataset passed to StampaRiga, then
    // in the rows, head and tail datasets, in that order.
    ReportDataSource *DataSetTesta = nullptr;
    ReportDataSource *DataSetRighe = nullptr;
    ReportDataSource *DataSetCoda = nullptr;

    QString Nome;      // name of the print (file names, capture, printer job)
    QString Titolo;    // #title
    QString Ditta;     // #company
    QDate DataStampa;  // #date
    QString NomeFile;  // write the text to this file
    QString Stampante; // raw printer queue (lp); empty: the default one

    // Page counter: pages begun so far.
    int Pagina = 0;
    // Runs at every page heading, after the counter has risen.
    std::function<void(int pagina)> OnIntestazione;
    // Counts the pages of the print while it lasts; may stop it (EAbort).
    ReportProgress *Avanzamento = nullptr;

    // Starts a new text with these templates; the counter restarts from zero.
    void Inizia(const TextLayout &layout);
    void StampaRiga(int sezione, ReportDataSource *dati = nullptr);
    void SaltoPagina();
    void StampaCoda();
    // Ends the text (the last page closed with a form feed) and delivers it; answers the
    // file written, if any.
    QString Termina();

    // The text written so far.
    QString Testo() const;
    int RigheNellaPagina() const { return righe_; }

    // One template line filled from data. Throws Exception for a field no dataset has.
    QString Componi(const QString &templ, ReportDataSource *dati) const;

private:
    void Scrivi(const QStringList &lines, ReportDataSource *dati);
    void Intestazione(ReportDataSource *dati);
    QString Righe() const;
    QVariant Valore(const QString &name, ReportDataSource *dati) const;

    TextLayout layout_;
    QStringList out_;                       // the lines not yet written out
    std::shared_ptr<QTemporaryFile> spool_; // the pages closed, outside a capture
    int righe_ = 0;                         // lines on the current page
    bool paginaAperta_ = false;
};

// The print-target switch of a report: off prints the graphic layout, on sends the print
// through the dot-matrix path.
struct TXStampaSu {
    bool Aghi = false;
    TXStampaAghi *StampaAghi = nullptr;
};
