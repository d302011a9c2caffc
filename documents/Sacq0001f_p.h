#pragma once
// Supplier delivery notes of the module ("SACQ0001F"): the host's window with the deposit
// summary on its own tab ("Cast.Cauzioni"), rows entered as packages with their price type,
// and the save that keeps the summary and the supplier's deposit cards with the note, in the
// note's transaction.
#include "documents/Lumo_finestradoc.h"
#include "host/business/Sacq0001f.h"

#include <QPointer>

class KDBGriglia;
class TDBComboBox;
class TDBNavigator;

class TFSAcq0001f_p : public TLumoFinestraCauzioni<TFSAcq0001f, TFSAcq0001f_p> {
    Q_OBJECT
public:
    explicit TFSAcq0001f_p(QWidget *owner = nullptr);

    // ---- controls
    KDBGriglia *gLUMO_CauzDoc = nullptr;
    TDBNavigator *DBNavLUMO_CauzDoc = nullptr;
    TDBComboBox *cbUT_UT_LMQ_FlTipoPrz = nullptr;

    // ---- window
    void CalcolaDatiCoda(TDataSet *testa) override;
    void TTestaCalcFields(TDataSet *dataSet) override;
    void KPageControlChange(QObject *sender) override;
    // The layer's, then the supplier's deposit price list onto the head's UT_LMQ_IdListCau.
    void TTestaContoChange(TField *sender) override;
    void btnDuSaClick() override;

    // ---- the save
    void SalvaDocumento() override;
    void UT_LMQ_RicostruisciCastelletto() override;
    virtual void UT_LMQ_RegistraCastelletto(); // the summary and the cards, first
    void RegistraRighe() override;             // progress per row
    void RegistraRigo(int stato) override;
};

inline QPointer<TFSAcq0001f_p> FSAcq0001f_p;
