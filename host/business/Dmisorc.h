#pragma once
// The host's customer-order module (global DMISOrc): how much of an order row the documents
// that fulfil it have shipped or closed, its fulfilment state and its shipped amounts.
#include "host/data/TDataModule.h"

#include <QPointer>
#include <QString>

class TDataSet;
class TXClientTable;

class TDMISOrc : public TDataModule {
    Q_OBJECT
public:
    explicit TDMISOrc(QObject *owner = nullptr);
    ~TDMISOrc() override;

    // The program's module (global DMISOrc), created through the data-module registry (a
    // registered replacement of "TDMISOrc" is created in its place) on the first call and
    // owned by the application unless an owner is given.
    static TDMISOrc *Crea(QObject *owner = nullptr);

    TXClientTable *tOrdiniCliT; // order heads (OrdiniCliTeste), located by KOrdiniCliT

    // Shipped share of an order row's amounts.
    struct TImportiSpediti {
        double Importo = 0;
        double Controvalore = 0;
        double ImportoLordo = 0;
        double ControvaloreLordo = 0;
    };

    // ---- virtual operations, in slot order

    // Updates the order row that the current document row fulfils (the order-rows dataset
    // holds it). modo is the document row's state: 2 adds it to the order row, 3 takes it back
    // (qtaOld and qtaSaldoOld: its stored Quantita and QuantitaSaldo), 0 and 1 recompute the
    // state and the shipped amounts only. Kinds: 0 delivery notes, 1 invoices, 2 orders, 16
    // picking lists (the picked quantity only); modoValore not 0 fulfils by amount. True when
    // the order row was updated and posted; false when it is not there (nothing said), on a
    // picking list by amount, and after an error, which is shown (information).
    virtual bool AggiornaRigoOrdine(int modo, int codTipoDoc, int modoValore, TDataSet *righeDoc, TDataSet *righeOrdine,
                                    double qtaOld, double qtaSaldoOld);
    // Steps the stand-in keeps empty (order-head states, row details, closing quantities,
    // head reservations and advances, sales users, projects); each answers true.
    virtual bool AggiornaStatoTestaOrdine(int kOrdiniCliT);
    virtual bool AggiornaDettaglioRigoOrdine(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine);
    virtual bool GestioneQtaSaldo(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine);
    virtual bool AggiornaPrenotatoTestaOrdine(int kOrdiniCliT);
    virtual bool AggiornaTestaOrdiniAcconti(int kOrdiniCliT);
    virtual bool TestNessunUtenteComm();
    virtual bool CheckUtenteCommerciale(const QString &idUtente);
    virtual bool AggiornaStatoProgetti(const QString &idProgetto);

    // ---- the steps of AggiornaRigoOrdine, in their order

    // Key and quantity columns of the document row: KOrdineR and Quantita; on an order (kind
    // KOrdineRigo and QuantitaOrd.
    static void CampiRigoDocumento(int codTipoDoc, QString &campoChiave, QString &campoQuantita);
    // A descriptive order row (row-type class 2) takes only its state, and is posted: true.
    // Any other row: false, nothing done.
    virtual bool AggiornaRigoDescrittivo(int modo, TDataSet *righeDoc, TDataSet *righeOrdine);
    // The quantities of the order row being edited by the mode: picked (picking lists and
    // rows from them), shipped and closed.
    virtual void AggiornaQuantitaRigo(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine,
                                      double qtaOld, double qtaSaldoOld);
    // The state and the shipped amounts of the order row being edited, from its quantities.
    virtual TImportiSpediti AggiornaStatoRigo(TDataSet *righeOrdine);
    // The packaging-contribution and electrical-waste rows linked to the posted order row;
    // throws on failure.
    virtual void AggiornaRigheCollegate(TDataSet *righeOrdine, const TImportiSpediti &spediti);
    // The value-mode update of the order row being edited (posted); false on a picking list.
    virtual bool AggiornaRigoOrdineValore(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine,
                                          double qtaSaldoOld);
};

inline QPointer<TDMISOrc> DMISOrc;
