#pragma once
// The production zones (menu code "QARN0011F"): list and detail page over LUMO_ZonaProd, in the
// table's own order; its list print is Tfqarn0011s.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0011f;
}

class TFqarn0011f : public TFDBTabChild {
    Q_OBJECT
public:
    explicit TFqarn0011f(QWidget *owner = nullptr);
    ~TFqarn0011f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;

private:
    Ui::Qarn0011f *ui;
};

inline QPointer<TFqarn0011f> Fqarn0011f;
