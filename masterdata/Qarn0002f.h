#pragma once
// The bottles and containers (menu code "QARN0002F"): list and detail page over LUMO_Bottiglie, in
// code order; its list print is Tfqarn0002s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0002f;
}

class TFqarn0002f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0002f(QWidget *owner = nullptr);
    ~TFqarn0002f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0002f *ui;
};

inline QPointer<TFqarn0002f> Fqarn0002f;
