#pragma once
// The recalculation of the deposit cards (menu code "QARN0156D"): every card zeroed and
// rebuilt from the manual movements and the stored document deposit summaries (job 0), the
// missing movements of documents with a summary (job 1), the missing summaries of customer
// delivery notes and invoices (job 2).
#include "host/ui/Dbchildpars.h"

#include <QHash>
#include <QList>
#include <QPointer>

#include <array>

class CAUZ_InserimentoMultiplo;
class TDataSet;

// Balances of per-destination cards by account type, account and destination, then by
// packaging code: general quantity and value, delivery-note quantity and value, invoiced
// quantity and value.
using TSaldiSchede = QHash<QString, QHash<QString, std::array<double, 6>>>;

// A packaging code with the count a document's rows give it.
struct TConteggioImballo {
    QString IdImballo;
    double Quantita = 0;
};

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
    // Job 1: each document's head and rows stored wholly or not at all; an error is shown, next document.
    void GeneraMovCau();
    // Job 2: each document's summary stored wholly or not at all; an error is shown, next document.
    void GeneraCastellettoDocumenti();

    // The account's deposit settings, cleared when it is not found.
    void LeggoCliFor(const QString &IdContoTp, const QString &IdConto);

    QString IdListCau;
    int FlCauz = 0;
    int FlCauDes = 0;
    int FlTipoCarReso = 0;

private:
    // The summary of one document (kind 0 delivery note, 1 invoice) from its rows' packaging
    // counts and the account's per-destination cards among saldi, its rows given to scrittura
    // (errors thrown); head is the host's table on the document's head.
    void CreaCastelletto(int kind, qint64 key, TDataSet *head, const QList<TConteggioImballo> &counts,
                         const TSaldiSchede &saldi, CAUZ_InserimentoMultiplo &scrittura);
    Ui::Qarn0156d *ui;
    QHash<QString, QHash<QString, double>>
        prezzi_; // deposit prices read by job 2, by list and currency, then packaging
};

inline QPointer<TFqarn0156d> Fqarn0156d;
