#pragma once
// The delivery-note selection of the customer invoice (child-dialog registry
// "TFSVen0008f_001"): the delivery notes of the invoice's customer that still have rows to
// invoice, one line each in TSelBolle. The user marks notes with Space or a double click (FlSelez 1);
// on OK the invoice takes the rows of the marked notes (TFSVen0008f::AccodaRigheDaDDT).
#include "host/ui/Dlgbase.h"

#include <QList>

class KDBGriglia;
class TDataSource;
class TFSVen0008f;
class TXMemTable;
namespace Ui {
class Sven0008f_001;
}

class TFSVen0008f_001 : public TfdlgBase {
    Q_OBJECT
public:
    explicit TFSVen0008f_001(QWidget *owner = nullptr);
    ~TFSVen0008f_001() override;

    // The notes on offer: FlSelez, KBolleCliT, IdCausale, Numero, Anno, DataDocumento,
    // RigheDaFatturare (rows neither invoiced nor already taken into the invoice).
    TXMemTable *TSelBolle;
    TDataSource *DSSelBolle;
    KDBGriglia *gSelBolle;

    // Fills TSelBolle for the invoice's customer, in date and number order; false when no
    // note has rows left to invoice.
    virtual bool LeggiBolle(TFSVen0008f *fattura);
    // Marks the current note, or unmarks it.
    virtual void SelezionaBolla();
    // The keys of the marked notes, in the list's order.
    QList<qint64> BolleSelezionate();

private:
    Ui::Sven0008f_001 *ui;
};

namespace Sven0008f_001 {
// The invoice window's choice of delivery notes: the dialog created through its registry and
// shown; on OK the marked notes become the invoice's BolleSelezionate and their rows are
// appended (AccodaRigheDaDDT); the window is then given back to the user (RiattivaFormDDT).
// Answers the rows appended.
int SelezionaBolle(TFSVen0008f *fattura);
} // namespace Sven0008f_001
