#pragma once
// The host's sales data module (global DMISVen): the heads of customer delivery notes and
// invoices positioned by key, and the customer-order rows the documents fulfil.
#include "host/data/TDataModule.h"

#include <QPointer>

class TXClientTable;

class TDMISVen : public TDataModule {
    Q_OBJECT
public:
    explicit TDMISVen(QObject *owner = nullptr);
    ~TDMISVen() override;

    // The program's module (global DMISVen), created through the data-module registry on the
    // first call and owned by the application unless an owner is given.
    static TDMISVen *Crea(QObject *owner = nullptr);

    TXClientTable *tBolleCliT;   // BolleCliTeste, located by KBolleCliT
    TXClientTable *tFattureCliT; // FattureCliTeste, located by KFattCliT
    TXClientTable *tOrdiniCliR;  // OrdiniCliRighe, located by KOrdiniCliR

    // The head of a delivery note, an invoice, or the order row of a key: false when there is
    // none (the table's cursor then stays where it was). The order row is read as stored now
    // (what another user changed since an earlier save is seen), unless this program wrote it
    // in the open transaction.
    virtual bool PosizionaBolla(qint64 kBolleCliT);
    virtual bool PosizionaFattura(qint64 kFattCliT);
    virtual bool PosizionaRigoOrdine(qint64 kOrdiniCliR);
    // The customer's open order lines of the article as order-line selection entries
    // "KOrdiniCliR#quantity#mode", the quantity read shared out in the lines' order: a line
    // taken whole has mode 2, in part mode 1; what is left beyond them "0#quantity#0".
    // False, no entry, when the customer has no open line of the article.
    virtual bool RigheOrdineArticolo(const QString &idClienteTp, const QString &idCliente, const QString &idProdotto,
                                     double quantita, QStringList &voci);
};

inline QPointer<TDMISVen> DMISVen;
