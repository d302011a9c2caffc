#pragma once
// The excise document print dialog (menu code "QARN0402D"): the D.A.A. of a period, number
// range, customer and destination printed box by box, graphically or on a dot-matrix printer.
// While it prints it neither closes nor prints again, and takes no user input.
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

namespace Ui {
class Qarn0402d;
}

class TFqarn0402d : public TDialogoRegistro<TFDBChildPars> {
    Q_OBJECT
public:
    explicit TFqarn0402d(QWidget *owner = nullptr);
    ~TFqarn0402d() override;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

private:
    Ui::Qarn0402d *ui;
};

inline QPointer<TFqarn0402d> Fqarn0402d;
