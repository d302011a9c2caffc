#pragma once
// Document-data dialog of the sales rows ("Dati Documento DuSa"): the row's Doco number and
// date and its two deposit packaging codes, with the article's bottle, its capacity and the
// row's transport price shown for information. Opened by UT_LMQ_DVEN_DlgDuSa
// (Lumo_funzdocven.h), which loads and writes back the row.
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/Dlgbase.h"

#include <functional>

namespace Ui {
class Lumo_dlgDocBac;
}

class QAction;
class QMenu;

class Tflumo_dlgDocBac : public TfdlgBase {
    Q_OBJECT
public:
    explicit Tflumo_dlgDocBac(QWidget *owner = nullptr);
    ~Tflumo_dlgDocBac() override;

    TXMemTable *tPars; // LUMO_DlgDoc, one record for the life of the dialog
    TDataSource *DsMain;
    TDBEdit *edNumDoco;
    TDBDateEdit *edDataDoc;
    TDBCodeEdit *edIdImballo1;
    TDBEdit *edDsImballo1;
    TDBCodeEdit *edIdImballo2;
    TDBEdit *edDsImballo2;
    TDBEdit *edPrezzoTra;
    TDBEdit *edIdBottiglia;
    TDBEdit *edDsBottiglia;
    TDBEdit *edCapacita;
    QMenu *PopupMenu1;
    QAction *F101; // "F10": does what "&Ok" does

    // Takes what a control still holds into its field; a refused code keeps the dialog open.
    void btOkClick() override;
    virtual void F101Click();
    // Packaging codes: empty, or a code of the host's packaging table.
    virtual void tParsIdImballoValidate(TField *Sender);
    void FormKeyDown(int &key, TShiftState shift) override;

    // While set, the packaging codes are taken without a check (the row's stored values).
    bool Caricamento = false;

private:
    Ui::Lumo_dlgDocBac *ui;
};

// What both document-data dialogs share.
namespace Lumo_dlgdocbac {

// The memory table LUMO_DlgDoc of the dialog with its fields and lookups (packaging
// descriptions from DMIBase->lkImballi, the bottle's from DMILUMO->lkLUMO_Bottiglie, both
// opened); the packaging codes are validated by valida.
TXMemTable *CreaTabellaDati(QObject *owner, const std::function<void(TField *)> &valida);
// The check of a packaging code: an empty code passes, another must be an IdImballo of
// DMIBase->lkImballi, else "Codice imballo non valido".
void ControllaImballo(TField *Campo);
// The popup menu of the dialog with the item "F10" (shortcut F10, also handled by the
// dialog's FormKeyDown); the item runs click.
QMenu *CreaMenuF10(TfdlgBase *dialogo, QAction *&voce, const std::function<void()> &click);

} // namespace Lumo_dlgdocbac
