#pragma once
// The packaging window with the module's short description ("BBAS0019F"): the host's window
// with "Descr. x Stampa Cast Docum." under the host's detail rows, filled from the
// description while a new item is entered.
#include "host/business/Fbbas0019f.h"

#include <QPointer>

class TDBEdit;

class TFBBas0019f_p : public TFBBas0019f {
    Q_OBJECT
public:
    explicit TFBBas0019f_p(QWidget *owner = nullptr);

    TDBEdit *edUT_LMQ_DsDescDoc = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    // On a new item whose short description is empty: the description's first 15 characters.
    void TImballiDsImballoChange(TField *Sender) override;
};

inline QPointer<TFBBas0019f_p> FBBas0019f_p;
