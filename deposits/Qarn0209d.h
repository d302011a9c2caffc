#pragma once
// The search of the customer returns journal ("Ricerca movimenti resi cauzioni"): returns by
// account type, account and registration period.
#include "deposits/Lumo_ricercamov.h"

class TFQarn0209d : public TFLumoRicercaMovimenti {
    Q_OBJECT
public:
    explicit TFQarn0209d(QWidget *owner = nullptr);
};
