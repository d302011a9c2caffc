#pragma once
// The customers window (menu code "BBAS0051F", or "BBAS0051F;code" to open it on that account), over
// the table Clienti (dataset TMain, account type "CL"): the list, then the pages
// Anagrafica (names, address, tax data), Commerciale (zone, agents, list, currency,
// discounts, payment, bank, delivery), Amministrazione (VAT, invoicing) and Note.
#include "host/business/AnagraficaConti.h"

#include <QPointer>

namespace Ui {
class Fbbas0051f;
}

class TFBbas0051f : public TFBBasConti {
    Q_OBJECT
public:
    explicit TFBbas0051f(QWidget *owner = nullptr);
    ~TFBbas0051f() override;

    QWidget *tsAnagrafica = nullptr;
    QWidget *tsCommerciale = nullptr;
    QWidget *tsAmministrazione = nullptr;
    QWidget *tsNote = nullptr;

    void FormClose(TCloseAction &action) override;

private:
    Ui::Fbbas0051f *ui;
};

inline QPointer<TFBbas0051f> FBbas0051f;
