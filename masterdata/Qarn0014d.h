#pragma once
// The print of the transport price lists (menu code "QARN0014D"): the lists whose code lies in
// a range and whose whole validity lies within a range of dates (Tfqarn0014s).
#include "host/ui/Dbchildpars.h"

#include <QPointer>

namespace Ui {
class Qarn0014d;
}

class TFqarn0014d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0014d(QWidget *owner = nullptr);
    ~TFqarn0014d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // The selection of the parameters ("" for every list), each value quoted.
    QString Selezione() const;

private:
    Ui::Qarn0014d *ui;
};

inline QPointer<TFqarn0014d> Fqarn0014d;
