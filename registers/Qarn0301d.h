#pragma once
// The product catalogue (menu code "QARN0301D"): the selected articles with an enabled
// product card printed one full card a page or two short cards a page.
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

namespace Ui {
class Qarn0301d;
}

class TFqarn0301d : public TFinestraRegistro<TFqarn0301d, TFDBChildPars, Ui::Qarn0301d> {
    Q_OBJECT
public:
    explicit TFqarn0301d(QWidget *owner = nullptr);
    ~TFqarn0301d() override;

    void btEseguiClick() override;

private:
    QString WHERE;
    QString ORDER;
};

inline QPointer<TFqarn0301d> Fqarn0301d;
