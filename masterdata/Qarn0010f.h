#pragma once
// The product denominations (menu code "QARN0010F"): list and detail page over
// LUMO_Specifica, in code order; its list print is Tfqarn0010s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0010f;
}

class TFqarn0010f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0010f(QWidget *owner = nullptr);
    ~TFqarn0010f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0010f *ui;
};

inline QPointer<TFqarn0010f> Fqarn0010f;
