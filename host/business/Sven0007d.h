#pragma once
// The invoice-generation window ("SVEN0007D"): the delivery notes not yet invoiced of a
// period, customer range and causal turned into customer invoices by the generation data
// module (TfSVen0007d_DM, created through its registry). A provisional run writes only the
// local work tables; a definitive run writes the company's invoices and marks the delivery
// notes invoiced in one transaction: any error ("{B}" in the run's messages, or raised)
// rolls the whole run back; a run that finds no note left to invoice says so. The results
// page lists the run's messages; "Stampa" prints the invoices of the last run (TfSVen0007s,
// layout "Sven0007s").
#include "host/business/Sven0007d_dm.h"
#include "host/report/TfKV8ReportB.h"
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class KDBGriglia;
class TXMemTable;
class TXQuery;
namespace Ui {
class Sven0007d;
}

// The print of a run: one line per invoice (qMain), the count and total at the end.
class TfSVen0007s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TfSVen0007s(QObject *owner = nullptr);

    TXQuery *qMain;

    // The invoices of a run: their keys, on the company database or (provvisoria) the local
    // one. True when there is anything to print.
    virtual bool InitForm(const QList<qint64> &fatture, const QMap<qint64, int> &bollePerFattura, bool provvisoria);
};

class TFSVen0007d : public TFDBChildParsPage {
    Q_OBJECT
public:
    explicit TFSVen0007d(QWidget *owner = nullptr);
    ~TFSVen0007d() override;

    TXMemTable *tMessaggi; // the run's messages (Tipo "B" error, "U" warning, "" note; Messaggio)
    // The pages and the message grid under the window's own names: the options page (the
    // parameters), the second page (the run's messages) and its grid.
    QWidget *tsPaginaOpzioni = nullptr;
    QWidget *tsPagina2 = nullptr;
    KDBGriglia *Errori = nullptr;

    // The parameters of the window as the run's; false (shown) when they do not hold.
    virtual bool LeggiParametri(TfSVen0007d_DM::TParametri &parametri);
    // Runs the generation; true when it completed (a definitive run: committed).
    virtual bool EseguiGenerazione(const TfSVen0007d_DM::TParametri &parametri);
    // The run's messages onto the results page.
    virtual void MostraMessaggi(const QStringList &messaggi);

    // The last run: its invoices, their delivery notes, provisional or not.
    QList<qint64> FattureGenerate;
    QMap<qint64, int> BollePerFattura;
    bool UltimaProvvisoria = false;
    bool UltimaRiuscita = false;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;
    void btStampaClick() override;

private:
    Ui::Sven0007d *ui;
};

inline QPointer<TFSVen0007d> FSVen0007d;
