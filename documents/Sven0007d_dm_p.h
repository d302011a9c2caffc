#pragma once
// The module's invoice generation: the host's generation data module with the module's head
// columns and litres on every invoice, the rows valued by price type (per package, per litre
// through the bottle, flat, by quantity detail), the delivery notes' deposit summaries merged
// into the invoice's with the deposit cards moved, and a negative packaging charge settled by
// the invoice causal's UT_FlValCauNeg. Registered under "TfSVen0007d_DM", so every run of the
// host, provisional or definitive, goes through it.
//
// A definitive run writes the company's summaries (LUMO_CauzDocFatt) and moves the stored
// cards inside the caller's transaction; a provisional run writes its summaries into the local
// LUMO_t_CauzDocFatt (shared with the invoice window, which keeps there the copy of the invoice
// it edits) and moves only the run-local cards LUMO_t_ProgCauz.
#include "host/business/Sven0007d_dm.h"

#include <QHash>
#include <QSet>
#include <QVariant>

#include <vector>

class TfSVen0007d_DM_p : public TfSVen0007d_DM {
    Q_OBJECT
public:
    explicit TfSVen0007d_DM_p(QObject *owner = nullptr);
    ~TfSVen0007d_DM_p() override;

    TXClientTable *TTLUMO_t_CauzDocFatt; // the invoices' summaries of a provisional run (local)
    TXClientTable *tLUMO_CauzDocFatt;    // the invoices' summaries of a definitive run
    TXQuery *qLUMO_CauzDocBoll;          // the stored summaries of the run's delivery notes
    TXQuery *qUT_ContoCauz;              // the packaging-expense account of the invoices' totals
    TXClientTable *TTLUMO_t_ProgCauz;    // the run's copy of the deposit cards (local)

    void InternalGenerazioneFatture() override;
    bool GeneraNuovaFattura(bool Raggruppa, int Progressivo) override;
    // The fields each row's amounts take found once for the note's rows.
    bool GeneraRighe(bool Raggruppa, int Progressivo) override;
    // The row's quantity detail first, then its amounts (their sum when it has one), then the post.
    void ScriviRigo(qint64 KBolleCliR) override;
    bool AggiornaTestaFattura() override;
    void XInitGenerazione() override;
    // Rows that join add up their litres and transport amounts too.
    QStringList CampiSommaRighe() const override;
    // The litres and deposit summaries the last invoice's notes merged, written.
    void FineBolle() override;

    // The amounts of the invoice row current in Righe, by mode less one: gross, net of the row
    // discounts, net of every discount, then the same three in national currency. Errors reach
    // the caller.
    virtual void UT_LMQ_InternalCalcoloValori(Funzioni::TKRigoDoc &Rigo, TDataSet *Righe, double (&Importi)[6]);

    // The current delivery note's deposit summary merged into the current invoice's.
    void UT_LMQ_GeneraCasCauDoc();
    // Merges the rows of the delivery note's summary into the target table: qLUMO_CauzDocBoll
    // holds the summaries of the run's notes, note by note, and stands on the note's first row.
    virtual void UT_LMQ_AggiornaCasCauDoc(TDataSet *Destinazione);

protected:
    // The final pass on one generated invoice: its negative packaging charge settled.
    virtual void SistemaCauzioneNegativa(const TFatturaGenerata &fattura);

private:
    // The deadlines of an invoice made from one delivery note taken from the note; true when
    // the note has stored deadlines (the totals then take tTotali1 and the deadlines).
    bool ScadenzeDaBolla(qint64 kBolleCliT);
    // The card the invoice's deposits go to: per destination (true) or the account total.
    bool SchedaPerDestinazione() const;
    // What the run reads once per key.
    struct TArticolo {
        int FlPrzLit = 0;
        double Capacita = 0;
    };
    const TArticolo &Articolo(const QString &idProdotto);
    int DecimaliDivisa(const QString &idDivisa);
    void CreaSommariLocali();
    // Reads once per run the stored summaries of every note of the run, and its customers'
    // stored cards.
    void LeggiRiepiloghi();
    // The run's cards, moved in memory through the run, written to the local table.
    void ScriviSchedeLocali();
    // The litres of the invoice the later notes joined, written to its head once (when the next
    // invoice opens and when the run ends).
    void ScriviLitri();
    // The current invoice's summary rows written to their table (when the next invoice's notes
    // merge theirs and when the run ends).
    void ScriviSommari();

    bool UT_LMQ_PrimaVolta = false;
    int UT_LMQ_FlCauz = 0;
    int UT_LMQ_FlCauDes = 0;
    int UT_LMQ_FlAggCau = 0;
    int UT_LMQ_FlAggCauB = 0;
    int UT_LMQ_FlAggCauF = 0;
    int UT_LMQ_FlAggMovC = 0;

    bool flagLetti_ = false; // the flags above are those of flagFattura_
    qint64 flagFattura_ = 0;
    bool causaleCauzioni_ = false; // its causal keeps deposits
    // The current invoice's summary rows as its notes merge them, in the order they first
    // appear: each reaches the table once, complete.
    struct TSommarioRun {
        QString imballo;
        double esistenzaB = 0, valoreEsiB = 0, qtaCar = 0, qtaRes = 0, qtaCarEcc = 0, qtaResEcc = 0, prezzo = 0,
               valoreCar = 0, valoreRes = 0, esistenzaAtt = 0, valoreEsiAtt = 0, esistenzaF = 0, valoreEsiF = 0;
    };
    std::vector<TSommarioRun> sommari_;
    qint64 fatturaSommari_ = 0;
    TDataSet *destinazioneSommari_ = nullptr; // their table
    qint64 fatturaLitri_ = 0;                 // the invoice whose head still lacks litri_ (0: none)
    double litri_ = 0;                        // the current invoice's litres, its notes' added up in their order
    bool riepiloghiLetti_ = false;
    QHash<qint64, TBookmark> primoRiepilogo_;                 // delivery note -> its first summary row
    QHash<QString, QHash<QString, QVariant>> schedeArchivio_; // the run's customers' stored cards by key
    // The run's cards as the run moves them, in the order they were first moved; they reach
    // TTLUMO_t_ProgCauz when the run ends (or fails).
    enum { kProgressiviScheda = 12 };
    struct TSchedaRun {
        bool daArchivio = false;           // a copy of the stored card, else a new one
        QHash<QString, QVariant> archivio; // the stored card's values by lower-case name
        QString contoTp, conto, imballo, divisa;
        int tipoScheda = 0, destinazione = 0;
        double prog[kProgressiviScheda] = {};
        bool mosso[kProgressiviScheda] = {};
    };
    std::vector<TSchedaRun> schedeRun_;
    QHash<QString, size_t> postoSchedaRun_; // card key -> its place in schedeRun_
    QHash<QString, TArticolo> articoli_;
    QHash<QString, int> decimali_;
    QSet<qint64> righeConDettaglio_; // invoice rows given a quantity detail in this run
    // The invoice-row fields each row's amounts read and write, found once while GeneraRighe
    // walks a note's rows (Righe: the table they belong to; none outside it).
    struct TCampiRigo {
        TDataSet *Righe = nullptr;
        TField *FlPrezzoForf = nullptr, *FlTipoPrz = nullptr, *Lunghezza = nullptr;
        TField *Importi[6] = {};
    } campiRigo_;
};
