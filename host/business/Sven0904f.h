#pragma once
// The quantity-detail dialog (child-dialog registry "TfSVen0904f"): the detail lines
// (variant, batch, quantity) of the current row of a document, kept in the local t_DettQtaDoc
// under the document window (KTestaDoc, a number of its own) and the row's Contatore. On close the detail's total is
// checked against the row's quantity and, when the user agrees, written back to the row (left in edit, so the window's
// own post stores or refuses it).
#include "host/ui/Dlgbase.h"

class KDBGriglia;
class TDataSource;
class TFDocumento;
class TXTable;
namespace Ui {
class Sven0904f;
}

class TfSVen0904f : public TfdlgBase {
    Q_OBJECT
public:
    explicit TfSVen0904f(QWidget *owner = nullptr);
    ~TfSVen0904f() override;

    TXTable *tDettaglio; // t_DettQtaDoc lines of the row (Stato < 3)
    TDataSource *DSDettaglio;
    KDBGriglia *gDettaglio;
    TFDocumento *Documento = nullptr;
    QString CampoQuantita; // the row's quantity field (Quantita, QuantitaOrd on orders)
    int KRigo = 0;         // the row's Contatore
    int KFinestra = 0;     // the document window's number (KTestaDoc of its lines)
    // What a replacement's close reads of the opening (this dialog's own close uses none):
    int TipoDocumento = 0; // the document's CodTipoDoc
    int ModoApertura = 0;  // 0 the row's detail, 2 the detail totals written back unchecked
    bool SolaLettura = false;
    bool ControlloTotali = false;  // the detail total checked against the row quantity
    bool ControlloChiusura = true; // the checks run on close
    bool AggiornaRigo = true;      // the totals written back to the row
    bool RipristinaLegame = false; // the detail table reopened as it was given
    QString CampoFlag;             // the row's flag column set on a checked close; empty: none

    // The detail of the current row of the document; false when the document has no row.
    virtual bool ApriDettaglio(TFDocumento *documento);
    // The total of the detail lines not deleted (0 when there is none).
    double TotaleDettaglio();
    // The same for their closed quantities (QuantitaSal).
    double TotaleSaldoDettaglio();
    // The local table that holds the details.
    QString NomeTabellaDettaglio() const;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;

private:
    double SommaDettaglio(const char *campo);
    void MostraTotale();
    Ui::Sven0904f *ui;
};

// The document window runs DettaglioQuantita, ArticoloConDettaglio and SvuotaDettaglio through
// TFDocumento::Dialoghi().
namespace Sven0904f {
// The dialog for the current row of the document, created through its registry and shown.
void DettaglioQuantita(TFDocumento *documento);
// Whether the article of the document's current row is kept in variants, batches or groups
// (FlGesVarianti, FlGesLotti or FlGesGruppi set); false for a row without an article.
bool ArticoloConDettaglio(TFDocumento *documento);
// The document window's number in t_DettQtaDoc (negative, given on first use).
int ChiaveFinestra(TFDocumento *documento);
// Drops the detail lines of the document window (a document read or begun anew).
void SvuotaDettaglio(TFDocumento *documento);
} // namespace Sven0904f
