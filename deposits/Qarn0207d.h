#pragma once
// The progressive card print (menu code "QARN0207D"): the deposit cards of a range of
// customers or suppliers, per destination or account totals, with their pending returns.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

namespace Ui {
class Qarn0207d;
}

class TFqarn0207d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0207d(QWidget *owner = nullptr);
    ~TFqarn0207d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // The selection of the parameters, each condition followed by " AND ", the last cut.
    // Codes quoted.
    QString Selezione() const;

private:
    void tParsFlTipoSchedaChange();

    Ui::Qarn0207d *ui;
};

inline QPointer<TFqarn0207d> Fqarn0207d;
