#pragma once
// Document-data dialog of the supplier delivery-note rows ("Dati Documento DuSa"): the row's
// two deposit packaging codes. Opened by UT_LMQ_DVEN_DlgDuSaAcq (Lumo_funzdocven.h), which
// asks the host's dialog registry for the class, loads and writes back the row.
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/Dlgbase.h"

namespace Ui {
class Lumo_dlgDocBacAcq;
}

class QAction;
class QMenu;

class Tflumo_dlgDocBacAcq : public TfdlgBase {
    Q_OBJECT
public:
    explicit Tflumo_dlgDocBacAcq(QWidget *owner = nullptr);
    ~Tflumo_dlgDocBacAcq() override;

    TXMemTable *tPars; // LUMO_DlgDoc, one record for the life of the dialog
    TDataSource *DsMain;
    TDBCodeEdit *edIdImballo1;
    TDBEdit *edDsImballo1;
    TDBCodeEdit *edIdImballo2;
    TDBEdit *edDsImballo2;
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
    Ui::Lumo_dlgDocBacAcq *ui;
};
