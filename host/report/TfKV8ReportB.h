#pragma once
// The host's print base. A print owns a layout (ReportLayout) and its datasets by name
// (qMain, qRighe, subreport datasets) and runs in these steps:
//   InitReport(layout)  loads the layout (NomeDefault when none is named);
//   ImpostaReport(name) switches to the named layout variant, if another;
//   ImpostaQuery(query, index, selection, order, layout)
//                       fills the placeholders of the query template with the selection
//                       and the order: "{WHERE XWHERE}", "{ AND XWHERE}", "{AND XWHERE}",
//                       "{ORDER BY XORDERBY}", "{ORDER BY XORDER BY}", "{ , XORDERBY }"...
//                       become their keyword followed by the text, or nothing when the
//                       text is empty (every row);
//   EseguiStampa(preview) renders the layout over the data and delivers it
//                       (ReportOutput::Deliver), or, with StampaSu.Aghi on, runs the
//                       dot-matrix path (EseguiStampaAghi).
// The caller creates the print with an owner and frees it. A print that overrides one form
// of an overloaded step brings the others back with a using-declaration.
#include "host/report/PageModel.h"
#include "host/report/ReportDataSource.h"
#include "host/report/ReportEngine.h"
#include "host/report/ReportLayout.h"
#include "host/report/TXStampaAghi.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;

class TfKV8ReportB : public QObject {
    Q_OBJECT
public:
    explicit TfKV8ReportB(QObject *owner = nullptr);
    ~TfKV8ReportB() override;

    // Datasets by name (case-insensitive), in the order they were added; ImpostaQuery's
    // index counts in that order. The first form does not take ownership.
    void AggiungiDataSet(const QString &name, ReportDataSource *source);
    void AggiungiDataSet(const QString &name, std::unique_ptr<ReportDataSource> source);
    ReportDataSource *DataSet(const QString &name) const;
    // Host datasets, wrapped in a DataSetSource the print owns; an empty name takes the
    // dataset's own. Sorgente answers the wrapper of a dataset, adding one when missing.
    void AggiungiDataSet(const QString &name, TDataSet *dataset);
    ReportDataSource *Sorgente(TDataSet *dataset);
    QString NomeDataSet(const ReportDataSource *source) const;
    QStringList NomiDataSet() const;

    // The default layout name: the one set with SetNomeDefault, else the class name.
    // Variants add "_A", "_D", "_P".
    virtual QString NomeDefault() const;
    void SetNomeDefault(const QString &name) { nomeDefault_ = name; }

    virtual void InitReport(const QString &layout = QString());
    // A layout built by the caller (a file read elsewhere, a text).
    void CaricaLayout(std::unique_ptr<ReportLayout> layout);
    virtual void ImpostaReport(const QString &name = QString());
    // query null: the dataset at index. A query not yet added becomes the main dataset
    // when index is 0. A layout name switches to that layout first.
    virtual void ImpostaQuery(ReportDataSource *query, int index, const QString &selezione, const QString &ordine,
                              const QString &layout = QString());
    void ImpostaQuery(ReportDataSource *query, const QString &selezione = QString(), const QString &ordine = QString());
    void ImpostaQuery(std::nullptr_t, int index, const QString &selezione, const QString &ordine,
                      const QString &layout = QString());
    // A host query: the print's own, or one added now (as the main dataset at index 0,
    // under its own name otherwise).
    void ImpostaQuery(TDataSet *query, int index, const QString &selezione, const QString &ordine,
                      const QString &layout = QString());
    void ImpostaQuery(TDataSet *query, const QString &selezione = QString(), const QString &ordine = QString());
    virtual void EseguiStampa(bool preview, bool sceltaStampante = false);

    // The template with its placeholders filled.
    static QString CompilaQuery(const QString &templ, const QString &selezione, const QString &ordine);

    // The layout in use, loaded from NomeDefault when none is.
    ReportLayout &Layout();
    bool HaLayout() const { return bool(layout_); }

    // Bands, regions, subreports and items by name; throws Exception for a name the layout
    // lacks.
    void Mostra(const QString &name) { ImpostaVisibile(name, true); }
    void Nascondi(const QString &name) { ImpostaVisibile(name, false); }
    void ImpostaVisibile(const QString &name, bool visible);
    void ImpostaTesto(const QString &item, const QString &text);
    ReportItem *Elemento(const QString &name);
    ReportBand *Banda(const QString &name);
    ReportGroup *Gruppo(const QString &name);
    ReportSubReport *SottoReport(const QString &name);

    // Code run while printing, by the name of a band, region, subreport or item (see
    // ReportHooks). A print with several layouts may name parts of each: a hook whose name
    // the layout in use lacks does not run.
    void OnBeforePrint(const QString &name, const std::function<void()> &hook);
    void OnPrint(const QString &item, const std::function<void(ReportItem &)> &hook);

    // Renders the layout over the data, without delivering it.
    ReportDocument Prepara();
    const ReportDocument &Documento() const { return documento_; }
    // The file the last print was written to, if any.
    const QString &UltimoFile() const { return ultimoFile_; }
    // While rendering: the page being filled (1-based); 0 otherwise.
    int PaginaCorrente() const;

    QString Titolo;   // the layout's title when empty
    QDate DataStampa; // today when null
    TXStampaAghi StampaAghi;
    TXStampaSu StampaSu;

protected:
    // The dot-matrix print: by default section 1 for every row of the main dataset, then
    // the tail. Prints with their own sequence override it.
    virtual void EseguiStampaAghi();
    virtual ReportEngineOptions OpzioniMotore() const;
    QString TitoloStampa() const;

private:
    void CompilaQueryMancanti();
    ReportDocument Impagina(ReportEngineOptions options);

    std::unique_ptr<ReportLayout> layout_;
    QString nomeDefault_;
    QList<QPair<QString, ReportDataSource *>> datasets_;
    std::vector<std::unique_ptr<ReportDataSource>> owned_;
    QSet<const ReportDataSource *> impostate_;
    ReportHooks hooks_;
    ReportDocument documento_;
    QString ultimoFile_;
    ReportEngine *engine_ = nullptr;
};

// Document prints: every record of the main dataset (a document head) begins a new page
// and pages are numbered within their document; the rows come from qRighe, reopened for
// each head by a subreport or by the head's scroll.
class TfKV8ReportB_Docs : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TfKV8ReportB_Docs(QObject *owner = nullptr);

    bool NuovaPaginaPerDocumento = true;
    bool NumeraPerDocumento = true;

protected:
    ReportEngineOptions OpzioniMotore() const override;
};
