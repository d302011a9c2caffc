#pragma once
// The destinations window with the module's excise data ("BBAS0058F", "BBAS0058F;text"): the
// host's window and, after its pages, "Accisa - DuSa", hidden while excise is off. The excise
// controls follow the destination's excise type on every scroll; the excise columns are
// cleared when a destination without excise is stored.
#include "host/business/Fbbas0058f.h"

#include <QPointer>

class TDBComboBox;
class TDBEdit;

class TFBBas0058f_p : public TFBBas0058f {
    Q_OBJECT
public:
    explicit TFBBas0058f_p(QWidget *owner = nullptr);

    QWidget *tsAccisa = nullptr;
    TDBEdit *edUT_LMQ_CodAcc = nullptr;
    TDBEdit *edUT_LMQ_RapFis = nullptr;
    TDBEdit *edUT_LMQ_DurVia = nullptr;
    TDBComboBox *cbUT_LMQ_FlTipCli = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void tDestinazioniAfterScroll(TDataSet *DataSet) override;
    void tDestinazioniBeforePost(TDataSet *DataSet) override;

    // Enables the tab's controls by the parameter record and the destination's excise type.
    virtual void UT_LMQ_SettaStatoCampi();
    void tDestinazioniUT_LMQ_FlTipCliChange(TField *Sender);
};

inline QPointer<TFBBas0058f_p> FBBas0058f_p;
