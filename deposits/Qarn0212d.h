#pragma once
// Deletion of the deposit movements of a period (menu code "QARN0212D"): heads and rows of
// every origin; cards, returns and document summaries are left as they are.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

namespace Ui {
class Qarn0212d;
}

class TFqarn0212d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0212d(QWidget *owner = nullptr);
    ~TFqarn0212d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

private:
    Ui::Qarn0212d *ui;
};

inline QPointer<TFqarn0212d> Fqarn0212d;
