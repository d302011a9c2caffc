#pragma once
// The search of the deposit journal ("Ricerca movimenti cauzioni"): deposit movements by
// account type, account and registration period.
#include "deposits/Lumo_ricercamov.h"

class TFQarn0204d : public TFLumoRicercaMovimenti {
    Q_OBJECT
public:
    explicit TFQarn0204d(QWidget *owner = nullptr);
};
