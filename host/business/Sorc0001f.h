#pragma once
// Customer orders ("SORC0001F") and the frame they share with quotes: the document frame on
// the order tables, the row quantity in QuantitaOrd (Quantita2Ord per package), no warehouse
// movement and no totals records (the head's TotDocumento only). An order row keeps what the
// delivery notes and invoices shipped of it (QuantitaSpe, FlStato): TDMISOrc writes them
// from those documents' saves, the order's own save copies them as read.
#include "host/business/Documento.h"

#include <QPointer>

class TXlkTable;

// What orders and quotes share.
class TFDocumentoOrdine : public TFDocumento {
    Q_OBJECT
public:
    explicit TFDocumentoOrdine(const TTipoDocumento &tipo, QWidget *owner = nullptr);

    void FormCreate() override;
    QString CampoQuantita() const override; // QuantitaOrd
    void ControllaRigo(TDataSet *rigo) override;
    // QuantitaOrd from the packages (Lunghezza) and the quantity per package (Quantita2Ord).
    void CalcoloQuantita(TField *sender) override;
    QString CausaleMagazzino() const override;
    bool GeneraMovimentoRigo(int stato) override;
    void RegistraTotali() override;
    void CodaSalvataggio() override;
    // A row from a bar code (the article code), ordered quantity as read (0 reads 1).
    bool AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
                            QStringList &messaggi) override;
};

class TFSOrc0001f : public TFDocumentoOrdine {
    Q_OBJECT
public:
    explicit TFSOrc0001f(QWidget *owner = nullptr);

    static TTipoDocumento Tipo();

    // The order causals; the head's "_FlTipoEvasione" is its causal's FlTipoEvasione (0 the
    // order is fulfilled by quantity, 1 by value).
    TXlkTable *lkCausOrdiniCli = nullptr;

    // chiave 0 opens a new order, else the stored one; false when it is not there.
    bool InitForm(int tipo, qint64 chiave, int opzioni);

    void FormClose(TCloseAction &action) override;
    // The kit's components as order rows after the current one; false when the article has
    // no components.
    virtual bool InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita,
                                     double percQuota, double percSpalmatura, int tipoRigo, int kRigoKit,
                                     const QString &idUM, double fattConv);
    // A kit the user enters: its components after it, priced by the kit row.
    void EsplodiKitRigo(TDataSet *rigo) override;
    // A new order filled from a stored quote: its head and its rows, each row linked to the
    // quote row (KOffertaR). False (shown) when the quote is not there or has no rows.
    virtual bool CaricaDaOfferta(qint64 kOfferteCliT);
    // A row of a stored order line already shipped cannot be deleted.
    void TRigheBeforeDelete(TDataSet *dataSet) override;
    // The fulfilment state of a changed row follows its new ordered quantity.
    void TRigheBeforePost(TDataSet *dataSet) override;
};

inline QPointer<TFSOrc0001f> FSOrc0001f;
