#pragma once
// The warehouse causals window with the module's register data ("BBAS0047F"): the host's
// window and, after its pages, "DuSa"; the register check boxes of the registers switched off
// in the parameter record are disabled. Its print request is the host's causal list print.
#include "host/business/Fbbas0047f.h"

#include <QPointer>

class TFBBas0047f_p : public TFBBas0047f {
    Q_OBJECT
public:
    explicit TFBBas0047f_p(QWidget *owner = nullptr);

    QWidget *tsDuSa = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    // Disables the register check boxes of the registers that are off.
    virtual void UT_LMQ_Setta_Stato_Campi();
};

inline QPointer<TFBBas0047f_p> FBBas0047f_p;
