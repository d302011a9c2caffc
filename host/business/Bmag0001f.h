#pragma once
// The warehouse journal (menu code "BMAG0001F", one window at a time): one registration of
// warehouse movements (MovMagazzino rows of kind TipoDocPrimaNota sharing exercise and
// protocol) entered, changed or deleted by hand. The head (TTesta, a one-record memory table
// "bmag0001f") gives every row its date, causal, account and reference; the rows are the
// movements themselves (TMovimenti, a client table held in batch mode until the save). A
// transfer causal books each row's counter-movement as well, from the arrival warehouse
// IdMagazzino2 (0: the same warehouse).
//
// A save or delete runs in one transaction: the stock the stored rows booked is taken back
// through DMIBMag, the rows are written, and the stored rows are booked again. Nothing is
// written when a check fails, and a failure inside the transaction rolls everything back and
// reloads the registration as stored.
#include "host/business/Dmibmag.h"
#include "host/ui/Forms.h"

#include <QPointer>

class QGridLayout;
class QPushButton;
class TDataSource;
class TXClientTable;
class TXlkTable;
class TXMemTable;
class TXQuery;
class KDBGriglia;

namespace Ui {
class Bmag0001f;
}

class TFBMag0001f : public TForm {
    Q_OBJECT
public:
    explicit TFBMag0001f(QWidget *owner = nullptr);
    ~TFBMag0001f() override;

    // FlTipoDocum of the journal's movements.
    static constexpr int TipoDocPrimaNota = -1;

    TXMemTable *TTesta;
    TDataSource *DSMain;
    TXClientTable *TMovimenti;
    TDataSource *DsMovimenti;
    TXlkTable *lkCausali;
    KDBGriglia *gMovimenti;
    // The row panel and its grid, where a subclass adds its controls.
    QWidget *pnRighe;
    QGridLayout *lyRighe;
    QPushButton *btNuovo;
    QPushButton *btSalva;
    QPushButton *btElimina;
    QPushButton *btChiudi;

    // Exercise and protocol of a stored registration to show; (0, 0) a new one. False when
    // the registration asked for does not exist (the reason shown).
    bool InitForm(int esercizio, int protocollo);

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    // Unsaved changes are left only after the user's Yes.
    void XFormCloseQuery(bool &canClose) override;

    // Whether the registration shown holds changes not yet saved.
    bool Modificata() const;
    // A new, empty registration.
    virtual void Nuovo();
    // Shows a stored registration; false when it has no rows.
    virtual bool Carica(int esercizio, int protocollo);
    // Saves the registration; true when committed.
    virtual bool Salva();
    // Deletes the stored registration after the user's Yes; true when deleted.
    virtual bool Elimina();

    int EsercizioCaricato() const { return esercizio_; }
    int ProtocolloCaricato() const { return protocollo_; }

protected:
    // Checks before the transaction; the first fault is shown and the answer is false.
    virtual bool ControlliTesta(int &esercizio);
    virtual bool ControlliRighe();
    // The steps inside the transaction.
    virtual void StornaEsistenze(int esercizio, int protocollo);
    virtual void ScriviMovimenti(int esercizio, int protocollo);
    virtual void RegistraEsistenze(int esercizio, int protocollo);
    // The counter-movements of a transfer causal (SubNumOrdine 1, the counter causal, the
    // warehouses swapped) written again for every row; none for an empty causal.
    virtual void ScriviContromovimenti(int esercizio, int protocollo, const TDMIBMag::TCausaleMag &contro);

private:
    void ApriMovimenti(int esercizio, int protocollo);
    void EsistenzeMovimenti(int esercizio, int protocollo, bool storno);
    void PostaModifiche();
    bool AbbandonaModifiche();

    Ui::Bmag0001f *ui;
    TXQuery *qStored;
    int esercizio_ = 0;
    int protocollo_ = 0;
};

inline QPointer<TFBMag0001f> FBMag0001f;
