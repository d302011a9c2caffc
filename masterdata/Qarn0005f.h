#pragma once
// The wine categories (menu code "QARN0005F"): list and detail page over LUMO_CatVin, in code
// order; its list print is Tfqarn0005s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0005f;
}

class TFqarn0005f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0005f(QWidget *owner = nullptr);
    ~TFqarn0005f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0005f *ui;
};

inline QPointer<TFqarn0005f> Fqarn0005f;
