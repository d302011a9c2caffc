#pragma once
// The host's document generator (TDMIGeneraDocumenti::Instance()): what a batch job that
// writes customer invoices row by row asks of the host. The job inserts the head, has it
// completed and checked, posts it; for each row it inserts the row, has it completed and
// checked, posts it and has it updated; at the end it has the head updated (its totals) and
// posts it.
//
// Every operation answers true on success; on false the reason has been shown (warning) and
// the caller raises its own error. None starts, commits or rolls back a transaction: the
// job's transaction holds everything written.
#include "host/data/TDataModule.h"

#include <QPointer>
#include <QString>

class TDataSet;
class TXClientTable;
class TXQuery;

class TDMIGeneraDocumenti : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIGeneraDocumenti(QObject *owner = nullptr);
    ~TDMIGeneraDocumenti() override;

    // The program's generator, created on the first call and owned by the application.
    static TDMIGeneraDocumenti *Instance();

    // Once per run: the lookups are read again and the totals table opened.
    virtual bool PreparaGenerazione();
    // Completes a head being inserted or edited: account type "CL", destination, currency
    // and rate at the date, payment date, the customer's defaults for what is empty, the
    // causal's document type, the VAT competence, the operator, and the number, drawn from the
    // counters (protIva, on ProtIVA) when it is 0 or checked against them when given. testo
    // receives the document's label. After the post the head has its Numero and KFattCliT.
    virtual bool CompletaTestaDoc(TDataSet *Testa, TDataSet *ProtIva, int Modo, QString &Testo);
    // Checks the head: date, causal, customer, currency, payment and number.
    virtual bool ControllaTestaDoc(TDataSet *Testa, bool Messaggi);
    // Completes a row being inserted or edited: head key, date and customer, the article's
    // description, unit and VAT code when empty, the default warehouse, the account
    // (the head's counterpart, else the fixed account "IdContoVendite"), the head's agents,
    // and the six amounts (ImportoLordo .. ControvaloreNN).
    virtual bool CompletaRigoDoc(TDataSet *Testa, TDataSet *Rigo, int Modo);
    // Checks the row: row type, article, VAT code and quantity.
    virtual bool ControllaRigoDoc(TDataSet *Testa, TDataSet *Rigo);
    // After the row's post: its warehouse movement, when the causal moves stock.
    virtual bool AggiornaRigoDoc(TDataSet *Testa, TDataSet *Rigo);
    // After all rows, the head in edit: the totals computed and registered (FattureCliTot),
    // TotDocumento set; the caller posts the head.
    virtual bool AggiornaTestaDoc(TDataSet *Testa);

    TXClientTable *tFattureTot; // FattureCliTot
    TXQuery *qRighe;            // the stored rows of an invoice (parameter KFattCliT)

private:
    bool Rifiuta(const QString &testo);
};

inline QPointer<TDMIGeneraDocumenti> DMIGeneraDocumenti;
