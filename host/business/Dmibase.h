#pragma once
// The host's base data module (global DMIBase): lookups on the master tables, searched in
// memory by key, and the configuration variables. A lookup opens on first use (Posiziona);
// it is read again when a key is not found, after a transaction wrote one of the master
// tables, and after a rollback when it was read inside the transaction. The master-data
// windows call Rileggi after they write a table.
#include "host/data/TDataModule.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/TXTransaction.h"

#include <QDateTime>
#include <QPointer>
#include <QVariantList>

class TDMIBase : public TDataModule, private TXTransactionListener {
    Q_OBJECT
public:
    explicit TDMIBase(QObject *owner = nullptr);
    ~TDMIBase() override;

    // The program's module (global DMIBase), created on the first call and owned by the
    // application unless an owner is given.
    static TDMIBase *Crea(QObject *owner = nullptr);

    // Master tables.
    TXlkTable *lkArticoli;     // Articoli, by IdProdotto
    TXlkTable *lkClienti;      // Clienti, by IdContoTp;IdConto
    TXlkTable *lkFornitori;    // Fornitori, by IdContoTp;IdConto
    TXlkTable *lkConti;        // PianoConti, by IdContoTp;IdConto
    TXlkTable *lkDestinazioni; // Destinazioni, by IdContoTp;IdConto;IdDestinazione
    TXlkTable *lkNazioni;      // Nazioni, by IdNazione
    TXlkTable *lkImballi;      // Imballi, by IdImballo
    TXlkTable *lkAgenti;       // Agenti, by IdAgente
    TXlkTable *TipiListino;    // TipiListino, by IdListino
    // Causals, by IdCausale.
    TXlkTable *lkCausBolleCli;
    TXlkTable *lkCausFattCli;
    TXlkTable *lkCausBolleFor;
    TXlkTable *lkCausMagaz;
    // Currencies, VAT codes and payments.
    TXlkTable *lkDivise;           // Divise, by IdDivisa
    TXlkTable *lkCodiciIva;        // CodiciIva, by IdIva
    TXlkTable *lkPagamenti;        // Pagamenti, by IdPagamento
    TXlkTable *lkTipiMovPagamento; // TipiMovPagamento, by IdTipoMovimento
    // Configuration variables (VariabiliConfig), by Gruppo;Numero;Nome.
    TXlkTable *lkConfigVar;
    // VAT protocol counters (ProtIVA), one row per Anno;Serie: a client table, as the invoice
    // numbering reads and writes them (Funzioni::GetNumeroFattura, SetNumeroFattura).
    TXClientTable *ProtIVA;
    // Warehouse: row types (TipiRigo, by TipoRigo), exercises (EserciziMagazzino, by
    // Esercizio) and the warehouse causals of document causals (CausaliDocMagaz, by
    // FlTipoDoc;IdCausale;TipoRigo).
    TXlkTable *lkTipiRigo;
    TXlkTable *lkEserciziMag;
    TXlkTable *lkCausaliDocMagaz;

    // Moves the lookup to the record of the key values (exact match): opened when closed or
    // due to be read again, and read again once when the key is not found (unless
    // rileggiSeManca is false: tables where a missing key is the common case). False when
    // there is none; the cursor then stays where it was.
    static bool Posiziona(TXlkTable *tabella, const QString &campiChiave, const QVariantList &valori,
                          bool rileggiSeManca = true);
    // The module's lookups on the table are read again at their next use.
    void Rileggi(const QString &tabella);

    // Whether the date falls within the period of two date fields of the table's current
    // record, days compared (an empty bound is open; a null date only fits a period with no
    // bounds).
    static bool InPeriodo(TDataSet *tabella, const QString &campoDal, const QString &campoAl, const QDateTime &data);

    // The display number of a document: testo (its causal and number, "IdCausale-Numero")
    // followed by "/" and the year when the document has a number and a year.
    static QString NumeroDocumento(const QString &idCausale, int anno, int serie, int numero, const QString &testo);

private:
    TXlkTable *Lookup(const QString &name, const QString &table);
    QList<TXlkTable *> Lookups() const;

    void TableWritten() override;
    void TransactionCommitted() override;
    void TransactionRolledBack() override;
};

inline QPointer<TDMIBase> DMIBase;
