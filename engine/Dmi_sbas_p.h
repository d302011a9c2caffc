#pragma once
// The module's document-services module, registered under "TDMISBAS": the weights and volume
// of a document head summed over its rows and its packing lists. The parcel count
// (NumeroColli) is never written here.
#include "host/business/Dmisbas.h"

class TDMISBas_p : public TDMISBas {
    Q_OBJECT
public:
    using TDMISBas::TDMISBas;

    // Gross weight, net weight and volume ("MC"; any other unit counts one millionth) of the
    // rows of the kind, read from the local work table (daLocale, rows with Stato 3 left
    // out) or from the stored rows of the head, packaging-contribution and electrical-waste
    // rows left out; rows of a packing list count through its head, once per packing list.
    // A head whose three values are all 0 is filled at once when confronto is 0, and so is
    // a picking list (16) when chiedi is false; different values are otherwise written only
    // after the user's Yes (chiedi). A kind without rows changes nothing. The head is in
    // edit or insert; it is not posted.
    void CalcolaPesiVolumeTestaDoc(TDataSet *testa, int confronto, int codTipoDoc, bool daLocale, bool chiedi) override;
};
