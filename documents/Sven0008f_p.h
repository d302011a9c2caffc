#pragma once
// Customer invoices of the module ("SVEN0008F_F", "SVEN0008F_R"): the host's invoice window
// with the deposit summary on its own tab ("Castelletto Cauzioni"), rows entered as packages
// with their price type and litres, the row count and the packages and transport charges on
// the totals page, and the save that keeps deposits, litres, parcels, transport, reservations
// and the packaging-expense account with the invoice, in the invoice's transaction.
#include "documents/Lumo_finestradoc.h"
#include "host/business/Sven0008f.h"

#include <QPointer>

class KDBGriglia;
class QLabel;
class TDBComboBox;
class TDBNavigator;

class TFSVen0008f_p : public TLumoFinestraVendita<TFSVen0008f, TFSVen0008f_p> {
    Q_OBJECT
public:
    explicit TFSVen0008f_p(QWidget *owner = nullptr);

    TXQuery *qUT_RigheTot = nullptr;

    // ---- controls
    KDBGriglia *gUT_LMQ_CauzDoc = nullptr;
    TDBNavigator *DBNavigatoreCauz = nullptr;
    TDBComboBox *cbUT_UT_LMQ_FlTipoPrz = nullptr;
    QLabel *lblUT_TotRighe = nullptr;
    QLabel *lblUT_TotRighe2 = nullptr;

    // ---- window
    void TTestaAfterScroll(TDataSet *dataSet) override;
    // The number of rows shown on the totals page.
    void KPageControlChange(QObject *sender) override;
    void DSMainDataChange(TDataSource *source, TField *field) override;

    // ---- the save
    void SalvaDocumento() override;
    // The module's steps, in the save's order ("FI"), with those of TLumoFinestraVendita.
    void UT_LMQ_PostaCastelletto() override; // the head's calculated fields brought up to date
    void UT_LMQ_RicostruisciCastelletto() override;
    void RegistraRighe() override; // progress per row
    void RegistraRigo(int stato) override;

    // ---- rows from delivery notes and from order lines
    // The host's rows from the chosen delivery notes, then (a new invoice whose deposit tab is
    // shown and whose summary is still empty) the summary built from the rows and given the
    // delivery-note balances of the first note taken. Answers the rows added.
    int AccodaRigheDaDDT() override;
    void RiattivaFormDDT(QObject *sender) override;
    // A row for each chosen order line (with a reference row before each order's rows), taken
    // by packages: "Lunghezza" the packages chosen, the quantity from the packages, amounts by
    // price type, litres. Answers the rows added.
    int AccodaRigheDaOrdine() override;
    void CalcolaDatiCoda(TDataSet *testa) override;

    // ---- kits and bar codes
    // Component rows of a kit on the appending cursor: packages of one unit, KRound(item ×
    // the multiplier chosen in the dialog), litres before the row defaults, the batches or
    // groups spread (the remainder as one detail) or a variant's detail record. The three
    // trailing arguments are not read.
    bool InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita, double percQuota,
                             double percSpalmatura, int tipoRigo, int kRigoKit, const QString &idUM, double fattConv,
                             int livello, int modo, int opzioni) override;
    // A bar-code read: the quantity read as packages (price mode: one package priced at the
    // value read) of the article's units per package, with litres. With an order selection
    // open the read first updates the customer's order lines of the article in it; only what
    // is left beyond them becomes a row. Errors are shown (information) and collected into
    // messaggi: false.
    bool AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
                            QStringList &messaggi) override;

private:
    // The row of a bar-code read (idProdotto already decoded), posted.
    void UT_LMQ_AccodaRigoBarcode(const QString &idProdotto, double quantita);
    // One "key#quantity#mode" entry of a bar-code read on the open order selection.
    void UT_LMQ_AggiornaSelezioneOrdine(qint64 kOrdiniCliR, double quantita, int modo);
    // A detail record of a component row: group and batch only where the article keeps them;
    // the detailed quantity of the current row's article raised.
    void UT_LMQ_AccodaDettaglioQta(TDataSet *rigo, const QString &idVariante, const QString &gruppo,
                                   const QString &idLotto, double quantita);
    // The delivery-note balances of the first note taken (KFatturaR 999 on the host's note
    // rows) onto the summary; flAggCau 0: the general balance less this invoice's movement.
    void UT_LMQ_SaldiDaDDT(int flAggCau);
    // The next sort number of a row: the multiple of 1024 after the last one's.
    int ProssimoNumOrdine() const;
    // The head's calculated fields brought up to date (the tab's visibility follows them).
    void AggiornaCalcolati();
};

inline QPointer<TFSVen0008f_p> FSVen0008f_p;
