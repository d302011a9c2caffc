#pragma once
// The product natures (menu code "QARN0006F"): list and detail page over LUMO_Natura, in code
// order; its list print is Tfqarn0006s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0006f;
}

class TFqarn0006f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0006f(QWidget *owner = nullptr);
    ~TFqarn0006f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0006f *ui;
};

inline QPointer<TFqarn0006f> Fqarn0006f;
