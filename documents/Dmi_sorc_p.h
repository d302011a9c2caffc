#pragma once
// The module's customer-order module, registered under "TDMISOrc": the order row fulfilled by
// a document row also keeps the packages shipped (UT_QtaConfSpe), the document row's
// "Lunghezza" added when the row is added and taken back when it is taken back.
#include "host/business/Dmisorc.h"

class TDMISOrc_p : public TDMISOrc {
    Q_OBJECT
public:
    using TDMISOrc::TDMISOrc;

    // The host's quantities, then the packages shipped (modes 2 and 3, not on picking lists),
    // unrounded.
    void AggiornaQuantitaRigo(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine, double qtaOld,
                              double qtaSaldoOld) override;
};
