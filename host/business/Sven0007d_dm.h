#pragma once
// The invoice-generation data module (host unit Sven0007d_dm): customer invoices made from
// the customer delivery notes not yet invoiced, in a definitive run (company tables, invoice
// numbers drawn from ProtIVA, delivery-note rows marked invoiced) or a provisional one (work
// tables of the local database, nothing of the company changed).
//
// The run (InternalGenerazioneFatture) takes the delivery notes in customer order; each one
// opens a new invoice (GeneraNuovaFattura) or joins the current one (AggiornaTestaFattura),
// and its rows are written by GeneraRighe (the rows of every note of the run read in one
// statement, at the first note); the delivery-note rows invoiced are marked in a few
// statements after the last note, and the totals of every invoice are computed at the end.
// A definitive run takes its notes' heads locked before its first number: another user's run
// on the same notes waits, then finds only what is left (a note whose rows were invoiced
// meanwhile gets no invoice and is named in the messages).
// Crea builds the module through the data-module registry, so a class registered under
// "TfSVen0007d_DM" runs in its place. Nothing here starts, commits or rolls back a
// transaction: the caller's run holds one.
#include "host/business/Dmicalcolototalidocs.h"
#include "host/business/Funzionidoc.h"
#include "host/data/TDataModule.h"
#include "host/data/TDataSet.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <utility>
#include <vector>

class TXClientTable;
class TXMemTable;
class TXQuery;

class TfSVen0007d_DM : public TDataModule {
    Q_OBJECT
public:
    explicit TfSVen0007d_DM(QObject *owner = nullptr);
    ~TfSVen0007d_DM() override;

    // The module to use: the registered replacement of "TfSVen0007d_DM", or this class.
    static TfSVen0007d_DM *Crea(QObject *owner = nullptr);

    // The run's parameters.
    struct TParametri {
        QDateTime DataFattura;  // date of the invoices
        QString IdCausale;      // customer-invoice causal of the invoices
        QDateTime DataDa;       // delivery notes dated from (null: no bound)
        QDateTime DataA;        // to (null: no bound)
        QString ClienteDa;      // customers from (empty: no bound)
        QString ClienteA;       // to (empty: no bound)
        QString IdCausaleBolla; // delivery-note causal (empty: every causal)
        int FlProvvisoria = 0;  // 1: provisional run into local work tables
        // Grouping of the delivery notes into invoices: 0 per customer, 1 one invoice per
        // delivery note, 2 per customer and destination, 3 as 0 and 4 as 2 with the
        // delivery-note references in RifBolle, 5 per customer and delivery-note causal, 6 per
        // customer, destination and delivery-note causal. A customer whose FlRaggFattura is 0
        // gets one invoice per delivery note whatever the mode; every invoice has one
        // currency and one payment.
        int Raggruppamento = 0;
        int FiltroDurata = -1; // only the rows of articles of this duration (-1: every row)
    };
    TParametri Parametri;

    // Runs a generation: XInitGenerazione, then InternalGenerazioneFatture.
    void Genera();

    // ---- virtual slots, in their order

    // The whole run.
    virtual void InternalGenerazioneFatture();
    // Opens a new invoice head for the current delivery note and numbers it. raggruppa:
    // further delivery notes may join it; progressivo: the invoice's place in the run. False
    // (recorded in the run's messages) when it could not be numbered.
    virtual bool GeneraNuovaFattura(bool Raggruppa, int Progressivo);
    // Writes the rows of the current delivery note into the current invoice; progressivo: the
    // delivery note's place within the invoice (1 for the first). False when an error was
    // recorded in the run's messages.
    virtual bool GeneraRighe(bool Raggruppa, int Progressivo);
    // Joins the current delivery note to the current invoice head (its expenses added).
    virtual bool AggiornaTestaFattura();
    // At the start of a run.
    virtual void XInitGenerazione();
    // After the run's last delivery note, before the notes are marked and the totals computed.
    virtual void FineBolle();
    // An amount of an invoice row by mode (Funzioni::CalcoloValoriRigo's modes 1 to 6).
    virtual double InternalCalcoloValori(Funzioni::TKRigoDoc &Rigo, int Modo);
    // The heading rows of a delivery note: the stand-in writes none.
    virtual void GeneraRigheIntestazione();
    // The host's step for each row written, with the delivery-note row and head keys: nothing
    // to do in the stand-in.
    virtual void RigoBollaFattura(qint64 KBolleCliR, qint64 KBolleCliT);
    // The invoice row copied from delivery-note row KBolleCliR, in insert: its amounts, the post
    // and its quantity detail.
    virtual void ScriviRigo(qint64 KBolleCliR);
    // The linked rows of a delivery-note row (packaging contribution, electrical-waste tax,
    // advance reversal): not kept by the stand-in.
    virtual void AggiornaRigheCollegate(qint64 KBolleCliR);
    // The row columns a delivery-note row adds to the invoice row it joins (quantities,
    // packages, weights, volume); the other columns keep the first row's values. Read once
    // per run.
    virtual QStringList CampiSommaRighe() const;

    // ---- state of a run

    // Invoice heads, rows and totals: the company tables in a definitive run, the local
    // work tables t_FattureCliT, t_FattureCliR, t_FattureCliTot in a provisional one.
    TXClientTable *tFattureT;
    TXClientTable *tFattureR;
    TXClientTable *tFattureTot;
    TXQuery *qFattureR;   // the stored rows of one invoice (parameter KFattCliT)
    TXMemTable *tTotali1; // totals work datasets (fields of t_FattCliTot)
    TXMemTable *tTotali2;
    TXQuery *qSelBolle; // the run's delivery notes: its current record is the one being invoiced
    TXQuery *qBollaT;   // one delivery-note head and its rows (parameter KBolleCliT)
    TXQuery *qBollaR;
    TXQuery *qRigheBolla;           // the rows still to invoice of the run's delivery notes, note by note
    TXClientTable *tDettQta;        // quantity details (DettQtaDoc, or t_DettQtaDoc in a provisional run)
    TXClientTable *tScadenze;       // deadline table: the delivery notes' totals rows (BolleCliTot)
    TXParam_TotaliDocs ParamTotali; // the host's totals parameters
    bool FlScadenzeDdt = false;     // company switch: an invoice from one delivery note keeps its deadlines

    struct TFatturaGenerata {
        QString Chiave;        // KFattCliT as text
        qint64 KBolleCliT = 0; // the delivery note it came from; 0 when several joined it
    };
    QList<TFatturaGenerata> FattureGenerate;
    QMap<qint64, QList<qint64>> FattureBolle; // invoice key -> its delivery notes, in order
    QStringList Messaggi;                     // the run's messages ("{B}" errors, "{U}" warnings)
    QString DocumentoCorrente;                // label of the document being worked on
    // Decimals of the run's numbers.
    struct TFormatiNumero {
        int DecQuantita = 3;
        int DecPrezzo = 4;
        int DecValore = 2;
        int DecValoreIT = 2;
    };
    TFormatiNumero FormatiNumero;

    // The totals parameters set for a totals work dataset (the other switches cleared).
    void PreparaParametriTotali(TDataSet *totali);
    // Fills the row record from the current invoice row and head.
    void RiempiRigoDoc(Funzioni::TKRigoDoc &Rigo);
    // The six amounts of the current invoice row from InternalCalcoloValori.
    void CalcolaImportiRigo();
    // The label of the current delivery note ("DDT " causal-number " del " date).
    QString EtichettaBolla() const;

protected:
    // Steps of GeneraRighe, in its order.
    void RegistraFatturaBolla(int Progressivo);
    void ApriRigheBolla();
    // The rows of the current delivery note in qRigheBolla, one after the other: false when
    // there is none (further).
    bool PrimoRigoBolla();
    bool ProssimoRigoBolla();
    void CopiaRigoBolla();
    void AggiornaRigoBolla();
    void ChiudiRigheBolla();
    // A definitive run: the delivery-note rows AggiornaRigoBolla noted are marked invoiced
    // (FlGenFattura 1, KFatturaR their invoice row), many rows a statement; a row another
    // user invoiced or changed since the run read it fails the run.
    void SegnaRigheBolle();
    // An error while writing the rows: pending edits dropped and the error recorded.
    void RegistraErroreRighe(const QString &errore);
    // Steps of the run.
    void PreparaTabelle();
    void ApriSelezione();
    // The conditions on the delivery-note heads T of the run's selection ("WHERE" excluded),
    // and their parameters set on a query that holds them.
    QStringList CondizioniSelezione() const;
    // The conditions on a delivery-note row r the run invoices (a: its article, joined by
    // ArticoliRighe when the run filters on duration).
    QStringList CondizioniRighe(const QString &r, const QString &a) const;
    QString ArticoliRighe(const QString &r, const QString &a) const;
    // A definitive run, before its first number: the heads of its notes read locked (another
    // user's run on them waits until this one ends), so the selection read next holds only
    // what no other run invoiced meanwhile.
    void PrendiBolle();
    // The notes taken but no longer selected (invoiced meanwhile by another user) noted in the
    // run's messages and let go.
    void SegnalaBollePrese();
    void ParametriSelezione(TXQuery *q) const;
    QString ChiaveRaggruppamento() const;
    void CalcolaTotaliFatture();

    // The quantity detail of a delivery-note row carried onto the invoice row; true when the
    // row has one.
    bool CopiaDettaglioQta(qint64 kBolleCliR, qint64 kFattCliR);

    qint64 KFatturaCorrente = 0;

private:
    // SetNumeroFattura for the run: its first number written at once, the next ones checked
    // against the numbers read with the first and written to the counter by ChiudiNumerazione.
    bool NumeraFattura(int anno, int serie, int registro, int numero, const QDateTime &data, qint64 chiave);
    void ChiudiNumerazione();
    bool numerazione_ = false; // the run holds the counter row, its writes deferred
    QSet<int> numeriOccupati_; // numbers above the run's first that other invoices hold
    // Reads once per run the rows still to invoice of every note of the selection.
    void LeggiRigheBolle();
    QSet<qint64> righeConDettaglio_; // rows of the run's delivery notes with a quantity detail
    // the delivery-note rows invoiced by the run: key, invoice row, KFatturaR as read
    struct TRigoFatturato {
        qint64 KBolleCliR = 0;
        qint64 KFattCliR = 0;
        qint64 KFatturaR = 0;
    };
    QList<TRigoFatturato> righeFatturate_;
    // the record numbers of qRigheBolla note by note, each note's rows in NumOrdine order (the
    // reading is not sorted by the engine: its rows are as wide as the table)
    std::vector<std::pair<qint64, int>> ordineRighe_; // (delivery note, record number)
    QHash<qint64, qsizetype> primoRigo_;              // delivery note -> its first entry in ordineRighe_
    qsizetype rigoCorrente_ = 0;                      // the entry of the row GeneraRighe is on
    qint64 bollaRighe_ = 0;                           // the note whose rows GeneraRighe walks
    bool righeLette_ = false;
    QList<std::pair<TField *, TField *>> campiCopia_;      // invoice-row column <- delivery-note row column
    QList<std::pair<TField *, TField *>> campiSomma_;      // invoice-row column += note row column, rows joined
    QList<TField *> campiRaggruppamento_;                  // the note row's grouping columns
    QList<std::pair<TField *, TField *>> campiSommaTesta_; // invoice head column += note head column
    bool campiSommaTestaLetti_ = false;
    QHash<int, int> classiTipoRigo_; // row type -> its class (-1: not in the table)
    // the invoice row and head fields of the row record, found once per run (the tables stay
    // open through it)
    struct TCampiRigoDoc {
        TField *Quantita = nullptr, *Prezzo = nullptr, *FlPrezzoForf = nullptr, *KFattCliT = nullptr,
               *KFattCliR = nullptr, *IdProdotto = nullptr;
        TField *Sconto[5] = {};
        TField *ScontoTesta[5] = {};
        TField *ScontoPagamento = nullptr, *IdDivisa = nullptr, *Cambio = nullptr, *DataDocumento = nullptr;
        TField *Importi[6] = {}; // the row's amounts by mode, 1 to 6
    } campiRigoDoc_;
    int numeroRigo_ = 0;
    QHash<QString, qint64> righeRaggruppate_;                // grouping columns of the current invoice -> row key
    std::map<QDate, std::pair<double, double>> valoriBolli_; // the run's stamp-duty values by date
    std::map<QString, std::vector<TRigoPagamento>> righePagamenti_; // the run's payment instalment rows
    bool raggruppa_ = false;
    QHash<qint64, QString> bollePrese_; // the notes the run took: key -> label
};
