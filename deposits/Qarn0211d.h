#pragma once
// The deposit transfer (menu code "QARN0211D"): the per-destination deposit stock of one
// customer or supplier at one destination moved to another account or destination of the
// same type, as two journal movements (the source emptied, the target loaded at the target's
// deposit prices) booked on the cards in one transaction.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class TDataSet;
class TField;

namespace Ui {
class Qarn0211d;
}

class TFqarn0211d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0211d(QWidget *owner = nullptr);
    ~TFqarn0211d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

private:
    enum class Esito { Nulla, Completato, Errore };
    // Both movements and the card moves, in one transaction; an error is shown.
    Esito Trasferisci();
    void tParsCalcFields(TDataSet *);
    QString Tipo() const;

    Ui::Qarn0211d *ui;
};

inline QPointer<TFqarn0211d> Fqarn0211d;
