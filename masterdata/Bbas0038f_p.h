#pragma once
// The customer delivery-note causals window with the module's document data ("BBAS0038F"):
// the host's window and, after its pages, "DuSa"; the deposit, transport and reservation
// controls of the areas switched off in the parameter record are disabled.
#include "host/business/Fbbas0038f.h"

#include <QPointer>

class TFBbas0038f_p : public TFBbas0038f {
    Q_OBJECT
public:
    explicit TFBbas0038f_p(QWidget *owner = nullptr);

    QWidget *tsDuSa = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
};

inline QPointer<TFBbas0038f_p> FBbas0038f_p;
