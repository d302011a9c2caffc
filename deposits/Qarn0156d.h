#pragma once
// The recalculation of the deposit cards (menu code "QARN0156D"): every card zeroed and
// rebuilt from the manual movements and the stored document deposit summaries (job 0), the
// missing movements of documents with a summary (job 1), the missing summaries of customer
// delivery notes and invoices (job 2).
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class TDataSet;

namespace Ui {
class Qarn0156d;
}

class TFqarn0156d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0156d(QWidget *owner = nullptr);
    ~TFqarn0156d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // Job 0, in one transaction; errors are shown and roll it back.
    void CalcolaProgressivi();
    // Job 1: each document's head and rows in a transaction of their own.
    void GeneraMovCau();
    // Job 2: each document's summary stored by itself; an error is shown, next document.
    void GeneraCastellettoDocumenti();

    // The account's deposit settings, cleared when it is not found.
    void LeggoCliFor(const QString &IdContoTp, const QString &IdConto);

    QString IdListCau;
    int FlCauz = 0;
    int FlCauDes = 0;
    int FlTipoCarReso = 0;

private:
    // The summary of one document (kind 0 delivery note, 1 invoice) from its rows and the
    // account's per-destination cards; head is the host's table on the document's head.
    void CreaCastelletto(int kind, qint64 key, TDataSet *head);
    Ui::Qarn0156d *ui;
};

inline QPointer<TFqarn0156d> Fqarn0156d;
