#pragma once
// The article master print (menu code "QARN0500D"): the host articles of the typed ranges
// with the module's data on each, in one of four orders.
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

namespace Ui {
class Qarn0500d;
}

class TFqarn0500d : public TFinestraRegistro<TFqarn0500d, TFDBChildPars, Ui::Qarn0500d> {
    Q_OBJECT
public:
    explicit TFqarn0500d(QWidget *owner = nullptr);
    ~TFqarn0500d() override;

    void btEseguiClick() override;

    // The selection of the typed ranges (every typed bound quoted) and the order of the
    // chosen sort; both empty when there is nothing to select or to order by.
    QString Selezione() const;
    QString Ordine() const;
};

inline QPointer<TFqarn0500d> Fqarn0500d;
