#pragma once
// The tanks (menu code "QARN0004F"): single-record window over LUMO_Vasche, in code order; its
// list print is Tfqarn0004s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0004f;
}

class TFqarn0004f : public TFDBChild {
    Q_OBJECT
public:
    explicit TFqarn0004f(QWidget *owner = nullptr);
    ~TFqarn0004f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0004f *ui;
};

inline QPointer<TFqarn0004f> Fqarn0004f;
