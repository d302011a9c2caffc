#pragma once
// The suppliers window (menu code "BBAS0052F", or "BBAS0052F;code" to open it on that account), over
// the table Fornitori (dataset TMain, account type "FO"): the list, then the pages
// Anagrafica (names, address, tax data), Commerciale (zone, list, currency, payment,
// bank, delivery) and Note.
#include "host/business/AnagraficaConti.h"

#include <QPointer>

namespace Ui {
class Fbbas0052f;
}

class TFBbas0052f : public TFBBasConti {
    Q_OBJECT
public:
    explicit TFBbas0052f(QWidget *owner = nullptr);
    ~TFBbas0052f() override;

    QWidget *tsAnagrafica = nullptr;
    QWidget *tsCommerciale = nullptr;
    QWidget *tsNote = nullptr;

    void FormClose(TCloseAction &action) override;

private:
    Ui::Fbbas0052f *ui;
};

inline QPointer<TFBbas0052f> FBbas0052f;
