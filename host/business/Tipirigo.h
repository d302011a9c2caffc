#pragma once
// The host's row types (table TipiRigo): what a document row of a type is and does.
#include <QString>
#include <QVariant>

#include <optional>

namespace Tipirigo {

// Classes of row types (FlClasse).
enum TClasseTipoRigo : int {
    crMerce = 0,         // goods or services
    crFuoriCampo = 1,    // amounts outside the VAT base (advances): no revenue account
    crDescrittivo = 2,   // text only
    crOmaggio = 4,       // gift
    crOmaggioRivalsa = 5 // gift whose VAT is charged to the customer
};

struct TRTipoRigo {
    int TipoRigo = 0;
    QString DsTipoRigo;
    int FlClasse = crMerce;
    bool FlBolle = false;         // offered on delivery notes
    bool FlFatture = false;       // offered on invoices
    bool FlTestEvasione = false;  // order lines of the type are checked before they are offered
    bool FlConvQuantita = false;  // quantities converted to the article's unit on movements
    bool FlDefault = false;       // a new row of the type takes the row defaults
    bool FlDistintaBase = false;  // the row's article is exploded into its components
    bool FlNoScontoTesta = false; // the row's amount is not reduced by head discounts
    bool FlObsoleto = false;
};

// The row type of a code for a document kind (CodTipoDoc); none when the code is not among
// the row types. The row types are the same for every kind; lingua (0 or empty as callers
// pass it) is kept for them: descriptions are in one language. Read from DMIBase's lookup,
// in memory.
std::optional<TRTipoRigo> TRGetTipoRigo(int codTipoDoc, const QVariant &lingua, int tipoRigo);

} // namespace Tipirigo
