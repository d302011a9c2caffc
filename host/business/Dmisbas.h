#pragma once
// The host's document-services module (global DMISBas): the weights and volume of a
// document head, the electrical-waste tax rows (the stand-in keeps none), and a row's VAT
// code under an exemption and its default account.
#include "host/data/TDataModule.h"

#include <QPointer>
#include <QString>

class TDataSet;

class TDMISBas : public TDataModule {
    Q_OBJECT
public:
    explicit TDMISBas(QObject *owner = nullptr);
    ~TDMISBas() override;

    // The program's module (global DMISBas), created through the data-module registry (a
    // registered replacement of "TDMISBas" is created in its place) on the first call and
    // owned by the application unless an owner is given.
    static TDMISBas *Crea(QObject *owner = nullptr);

    // Gross weight, net weight and volume (in "MC"; a row's volume in any other unit counts
    // one millionth) of the document's rows written into the head, which the caller holds in
    // edit or insert and posts. Rows are read from the local work table of the kind
    // (daLocale, rows with Stato 3 left out) or from the stored rows of the head. A head whose
    // three values are all 0 is filled at once when confronto is 0; different values are
    // overwritten when chiedi is false, and after the user's Yes when it is true. Kinds: 0
    // delivery notes, 1 invoices, 2 orders, 4 quotes, 16 picking lists; any other kind throws.
    virtual void CalcolaPesiVolumeTestaDoc(TDataSet *testa, int confronto, int codTipoDoc, bool daLocale, bool chiedi);

    // Updates the electrical-waste tax rows linked to a document row; a negative answer means
    // failure. The stand-in keeps no such rows: 0.
    virtual int RAEAggiornaRigheTasse(int codTipoDoc, int chiaveRigo, const QString &campoStato, int stato,
                                      double quantita, double importo, double controvalore, double quantitaSaldo);

    // The VAT code a row of the article and row type takes under the head's VAT exemption
    // (Esenzioni.IdIva); "" for an unknown exemption and for rows of a text-only or
    // out-of-scope row type, which carry no VAT.
    virtual QString IvaEsenzione(const QString &idEsenzione, const QString &idProdotto, int tipoRigo);
    // The default account of a row whose IdConto is empty: the counterpart account
    // (IdContropartita) of the document's account ("CL" customers, "FO" suppliers); "" when
    // it has none.
    virtual QString ContoDefaultRigo(const QString &idContoTp, const QString &idConto);

    // Row tables of a kind: the local work table, the stored one and the head key of the stored
    // rows; false for a kind without rows.
    static bool TabelleRighe(int codTipoDoc, QString &locale, QString &archivio, QString &chiaveTesta);
};

inline QPointer<TDMISBas> DMISBas;
