#pragma once
// Customer quotes of the module ("SOFC0001F"): the host's quote window with the order
// window's row layer and head fields (Sorc0001f_p), and the value still to order per row.
#include "documents/Sorc0001f_p.h"
#include "host/business/Sofc0001f.h"

#include <QPointer>

class TFSOfc0001f_p : public TFSOfc0001f {
    Q_OBJECT
public:
    explicit TFSOfc0001f_p(QWidget *owner = nullptr);

    TLumoRigheDoc RigheDoc;
    TDBComboBox *cbUT_UT_LMQ_FlTipoPrz = nullptr;

    // The host's InitForm under the module's caption.
    bool InitForm(qint64 chiave);
    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void TTestaCalcFields(TDataSet *dataSet) override;

    void TRigheNewRecord(TDataSet *dataSet) override;
    void TRigheIdProdottoValidate(TField *sender) override;
    void TRigheTipoRigoChange(TField *sender) override;
    void TRigheAfterScroll(TDataSet *dataSet) override;
    void TRigheAfterEdit(TDataSet *dataSet) override;
    void TRigheCalcFields(TDataSet *dataSet) override;
    void TRigheBeforePost(TDataSet *dataSet) override;
    void CalcoloQuantita(TField *sender) override;
    void CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati) override;
    virtual void edIdProdottoExit(QObject *sender);
};

inline QPointer<TFSOfc0001f_p> FSOfc0001f_p;
