#pragma once
// The customer invoice causals window with the module's document data ("BBAS0039F"):
// the host's window and, after its pages, "DuSa"; the deposit, transport and reservation
// controls of the areas switched off in the parameter record are disabled.
#include "host/business/Fbbas0039f.h"

#include <QPointer>

class TFBBas0039f_p : public TFBBas0039f {
    Q_OBJECT
public:
    explicit TFBBas0039f_p(QWidget *owner = nullptr);

    QWidget *tsDuSa = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
};

inline QPointer<TFBBas0039f_p> FBBas0039f_p;
