#pragma once
// The production regions (menu code "QARN0012F"): list and detail page over LUMO_Regioni, in code
// order; its list print is Tfqarn0012s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0012f;
}

class TFqarn0012f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0012f(QWidget *owner = nullptr);
    ~TFqarn0012f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0012f *ui;
};

inline QPointer<TFqarn0012f> Fqarn0012f;
