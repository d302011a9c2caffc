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
//
// Within one transaction the generator holds what a run needs: the stamp values and the
// payments' instalment rows read once, the totals rows kept for the commit, the counter's
// numbers after the first checked against the numbers other invoices held above it (read
// once, the counter row locked until the commit) and written once; and the rows of a head the
// run inserted taken as the run posted them (AggiornaRigoDoc), not read back.
#include "host/business/Dmicalcolototalidocs.h"
#include "host/data/TDataModule.h"

#include <QDate>
#include <QPointer>
#include <QSet>
#include <QString>

#include <map>
#include <utility>
#include <vector>

class TDataSet;
class TXClientTable;
class TXDatabase;
class TXMemTable;
class TXQuery;
class TXTable;

class TDMIGeneraDocumenti : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIGeneraDocumenti(QObject *owner = nullptr);
    ~TDMIGeneraDocumenti() override;

    // The program's generator, created on the first call and owned by the application.
    static TDMIGeneraDocumenti *Instance();

    // Once per run: the lookups are read again and the totals table opened.
    virtual bool PreparaGenerazione();
    // Once per run, when it has ended (committed or rolled back): what the run held let go.
    virtual void FineGenerazione();
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
    // Inside a transaction: what the generator holds belongs to it (held for an earlier one is
    // let go first). False outside a transaction.
    bool InCorsa();
    // SetNumeroFattura of a number drawn from the counter: the run's first written at once,
    // the next ones checked against the numbers other invoices held above it and kept for the
    // commit.
    bool NumeraFattura(TDataSet *contatori, int anno, int serie, int registro, int numero, const QDateTime &data,
                       qint64 chiave);
    void ChiudiNumerazione();
    // The stored totals rows of a head the run inserted (none, for its new key), read with those
    // of the next keys in one statement.
    void LeggiTotali(qint64 chiave);

    TXDatabase *database_ = nullptr;
    quint64 transazione_ = 0; // serial of the transaction the holdings below belong to
    std::map<QDate, std::pair<double, double>> valoriBolli_;
    std::map<QString, std::vector<TRigoPagamento>> righePagamenti_;
    // the numbering of the run: counter, year, series, register; numbers other invoices held
    QPointer<TXTable> contatore_;
    int numerazione_[3] = {0, 0, 0};
    QSet<int> numeriOccupati_;
    // the head inserted by the run whose rows are being posted, and its rows
    qint64 testaNuova_ = 0;
    TXMemTable *tRigheNuove_;
    // the keys of FattureCliTot read as stored, from and to (excluded), and the next span
    qint64 totaliDa_ = 0;
    qint64 totaliA_ = 0;
    qint64 passoTotali_ = 1;
};

inline QPointer<TDMIGeneraDocumenti> DMIGeneraDocumenti;
