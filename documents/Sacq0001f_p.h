#pragma once
// Supplier delivery notes of the module ("SACQ0001F"): the host's window with the deposit
// summary on its own tab ("Cast.Cauzioni"), rows entered as packages with their price type,
// and the save that keeps the summary and the supplier's deposit cards with the note, in the
// note's transaction.
#include "documents/Lumo_castdoc.h"
#include "documents/Lumo_righedoc.h"
#include "host/business/Sacq0001f.h"

#include <QPointer>

class KDBGriglia;
class QPushButton;
class TDBComboBox;
class TDBNavigator;

class TFSAcq0001f_p : public TFSAcq0001f {
    Q_OBJECT
public:
    explicit TFSAcq0001f_p(QWidget *owner = nullptr);

    // ---- deposit summary (the tab's datasets live in Castelletto)
    TLumoCastDoc *Castelletto = nullptr;
    TXQuery *qLUMO_CauzDoc = nullptr;
    TXTable *TTLUMO_CauzDoc = nullptr;
    TDataSource *dsLUMO_CauzDoc = nullptr;
    TXQuery *qLUMO_TotValCau = nullptr;
    TXClientTable *TRSLUMO_CauzDoc = nullptr;
    // ---- row layer
    TLumoRigheDoc RigheDoc;

    // ---- controls
    QWidget *tsLUMO_CauzDoc = nullptr;
    QWidget *pLUMO_CauzDoc = nullptr;
    QWidget *cLUMO_CauzDoc = nullptr;
    KDBGriglia *gLUMO_CauzDoc = nullptr;
    TDBNavigator *DBNavLUMO_CauzDoc = nullptr;
    QPushButton *btnUT_LMQ_Pareggia = nullptr;
    TDBComboBox *cbUT_UT_LMQ_FlTipoPrz = nullptr;
    QWidget *btnDuSa = nullptr;

    // ---- window
    // The host's InitForm under the module's caption.
    bool InitForm(int modo, qint64 chiave);
    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    bool InitDoc(int modo) override;
    void CalcolaDatiCoda(TDataSet *testa) override;
    void TTestaCalcFields(TDataSet *dataSet) override;
    void TTestaAfterScroll(TDataSet *dataSet) override;
    void TTestaNewRecord(TDataSet *dataSet) override;
    void KPageControlChange(QObject *sender) override;
    void DSMainStateChange(TDataSource *source) override;
    virtual void btnDuSaClick();
    virtual void UT_LMQ_CalcoloValoreCauzioni();
    virtual void btnUT_LMQ_PareggiaClick();

    // ---- rows
    void TRigheNewRecord(TDataSet *dataSet) override;
    void TRigheIdProdottoValidate(TField *sender) override;
    void TRigheTipoRigoChange(TField *sender) override;
    void TRigheAfterScroll(TDataSet *dataSet) override;
    void TRigheAfterEdit(TDataSet *dataSet) override;
    void TRigheCalcFields(TDataSet *dataSet) override;
    void CalcoloQuantita(TField *sender) override;
    void CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati) override;
    virtual void edIdProdottoExit(QObject *sender);
    virtual void UT_LMQ_SettaValoriRiga();

    // ---- the save
    void SalvaDocumento() override;
    virtual void UT_LMQ_PostaCastelletto();
    virtual void UT_LMQ_RicostruisciCastelletto();
    QList<TDataSet *> TabelleSalvataggio() override;  // the summary's stored rows last
    virtual void UT_LMQ_RegistraCastelletto();        // the summary and the cards, first
    void RegistraRighe() override;                    // progress per row
    void RegistraRigo(int stato) override;

private:
    // The working copy of the summary filled for the edit; false on error.
    bool UT_LMQ_CopiaCastelletto();
};

inline QPointer<TFSAcq0001f_p> FSAcq0001f_p;
