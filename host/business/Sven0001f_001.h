#pragma once
// The order-line selection dialog (child-dialog registry "TFsven0001f_001"): the open lines
// of the customer's orders for a delivery note or an invoice, in the local table TSelOrdR.
// The user marks lines (FlSelez 1) and may lower the quantity to take (QtaSelez); on OK the
// document appends a row for each marked line (TFDocumento::AccodaRigheDaOrdine).
#include "host/ui/Dlgbase.h"

class KDBGriglia;
class TDataSource;
class TDataSet;
class TFDocumento;
class TField;
class TXTable;
namespace Ui {
class Sven0001f_001;
}

class TFSVen0001f_001 : public TfdlgBase {
    Q_OBJECT
public:
    explicit TFSVen0001f_001(QWidget *owner = nullptr);
    ~TFSVen0001f_001() override;

    TXTable *TSelOrdR;        // the lines on offer (LocalDatabase)
    TDataSource *DSSelOrdR;
    KDBGriglia *gSelOrdR;
    TFDocumento *Documento = nullptr; // the document the lines go into
    int CodTipoDoc = 0;

    // Fills TSelOrdR with the open lines of the orders of the document's customer: each with
    // what is still to ship (QtaDaSpedire: ordered less shipped, cancelled and closed, less
    // what the document already took and has not saved). False when there is none.
    virtual bool LeggiRigheDocumento(TFDocumento *documento);
    // Marks the current line (the quantity to take is all that is left) or unmarks it.
    virtual void SelezionaRigo();
    // The document reports a line it carried (modo 0: quantita taken, the line marked carried)
    // or gave back (modo 1). False, shown, when the line is not on offer.
    virtual bool AggiornaRigoOrdine(qint64 kOrdiniCliR, double quantita, int modo);
    // The quantity typed for a line: not negative, not beyond what is left to ship.
    virtual void TSelOrdRQtaSelezValidate(TField *sender);
    // Lines marked.
    int RigheSelezionate() const;

    void FormCreate() override;

private:
    Ui::Sven0001f_001 *ui;
};

namespace Sven0001f_001 {
// The selection run for a document: the dialog created through its registry, the lines read,
// shown; on OK the marked lines appended to the document. Answers the rows appended.
int SelezionaRigheOrdine(TFDocumento *documento);
} // namespace Sven0001f_001
