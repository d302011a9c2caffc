#pragma once
// The suppliers window with the module's deposit data ("BBAS0052F"): the host's window and,
// after its pages, "Dati Vini/Bibite". The deposit controls follow the parameter record and
// the supplier's deposit setting on every scroll; switched-off columns are cleared when a
// supplier is stored.
#include "host/business/Fbbas0052f.h"

#include <QPointer>

class TDBCodeEdit;
class TDBComboBox;

class TFBbas0052f_p : public TFBbas0052f {
    Q_OBJECT
public:
    explicit TFBbas0052f_p(QWidget *owner = nullptr);

    QWidget *tsDatiVini = nullptr;
    TDBComboBox *cbUT_LMQ_FlCauz = nullptr;
    TDBCodeEdit *edUT_LMQ_IdListCau = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void TMainAfterScroll(TDataSet *DataSet) override;
    void TMainBeforePost(TDataSet *DataSet) override;

    // Enables the tab's controls by the parameter record and the supplier's setting.
    virtual void UT_LMQ_SettaCampi();
    void TMainUT_LMQ_FlCauzChange(TField *Sender);
};

inline QPointer<TFBbas0052f_p> FBbas0052f_p;
