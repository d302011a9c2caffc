#pragma once
// The deposit price-list print (menu code "QARN0206D"): the lists from one code to another,
// of one currency, or all of them.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

namespace Ui {
class Qarn0206d;
}

class TFqarn0206d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0206d(QWidget *owner = nullptr);
    ~TFqarn0206d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // The selection of the filled parameters, each condition followed by " AND ", the last
    // cut; empty when none is filled. Codes quoted.
    QString Selezione() const;

private:
    Ui::Qarn0206d *ui;
};

inline QPointer<TFqarn0206d> Fqarn0206d;
