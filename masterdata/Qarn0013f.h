#pragma once
// The wine types (menu code "QARN0013F"): list and detail page over LUMO_Tipologie, in code order;
// its list print is Tfqarn0013s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0013f;
}

class TFqarn0013f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0013f(QWidget *owner = nullptr);
    ~TFqarn0013f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0013f *ui;
};

inline QPointer<TFqarn0013f> Fqarn0013f;
