#pragma once
// The excise documents journal dialog (menu code "QARN0404D"): the D.A.A. of a period, number
// range, customer and destination listed one per line.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

namespace Ui {
class Qarn0404d;
}

class TFqarn0404d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0404d(QWidget *owner = nullptr);
    ~TFqarn0404d() override;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

private:
    Ui::Qarn0404d *ui;
};

inline QPointer<TFqarn0404d> Fqarn0404d;
