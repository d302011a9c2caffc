#pragma once
// The colour qualities (menu code "QARN0003F"): list and detail page over LUMO_Colori, in code
// order; its list print is Tfqarn0003s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0003f;
}

class TFqarn0003f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0003f(QWidget *owner = nullptr);
    ~TFqarn0003f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0003f *ui;
};

inline QPointer<TFqarn0003f> Fqarn0003f;
