#pragma once
// The VAT tax stamps (menu code "QARN0007F"): list and detail page over LUMO_ConIva, in code
// order; its list print is Tfqarn0007s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0007f;
}

class TFqarn0007f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0007f(QWidget *owner = nullptr);
    ~TFqarn0007f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0007f *ui;
};

inline QPointer<TFqarn0007f> Fqarn0007f;
