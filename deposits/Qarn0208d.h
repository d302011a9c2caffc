#pragma once
// Deletion of the empty deposit cards of customers or suppliers (menu code "QARN0208D"):
// the cards whose progressives and excess quantities are all 0, each deleted at once.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

namespace Ui {
class Qarn0208d;
}

class TFqarn0208d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0208d(QWidget *owner = nullptr);
    ~TFqarn0208d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

private:
    // An error stops it: the cards deleted so far stay deleted.
    void EliminaSchede();
    Ui::Qarn0208d *ui;
};

inline QPointer<TFqarn0208d> Fqarn0208d;
