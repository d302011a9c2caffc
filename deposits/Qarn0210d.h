#pragma once
// The customer returns print (menu code "QARN0210D"): the return lines of a range of
// customers and registration dates, pending, linked or all, listed on the results page and
// printed from there.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class TXQuery;

namespace Ui {
class Qarn0210d;
}

class TFqarn0210d : public TFDBChildParsPage {
    Q_OBJECT
public:
    explicit TFqarn0210d(QWidget *owner = nullptr);
    ~TFqarn0210d() override;

    TXQuery *qRisultati;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;
    void btStampaClick() override;

    // The condition of the parameters, each part followed by " AND " (empty: every return).
    QString Condizione() const;

private:
    Ui::Qarn0210d *ui;
};

inline QPointer<TFqarn0210d> Fqarn0210d;
