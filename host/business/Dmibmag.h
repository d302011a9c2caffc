#pragma once
// The host's warehouse data module (global DMIBMag): the warehouse movement of a document
// row with its counter-movement, cost details and lot details; the stock by exercise,
// warehouse and article (EsistenzeMagazzino), by batch (EsistenzePartite) and by lot
// (SaldiLotti); unit conversion, the movement price and the rows check of a document.
//
// Stock, batch and lot quantities are kept at the quantity decimals and values at the
// national value decimals: a movement booked and then undone leaves them exactly as they
// were. None of the operations starts, commits or rolls back a transaction: the caller's
// save holds one.
#include "host/business/Tipirigo.h"
#include "host/data/TDataModule.h"

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariant>

#include <exception>
#include <memory>
#include <optional>
#include <vector>

class QSqlQuery;
class TDataSet;
class TField;
class TXClientTable;
class TXDatabase;
class TXQuery;

// One lot booking or check, filled by InitDatiLotto.
struct TDatiLotti {
    QString IdProdotto;
    int IdMagazzino = 0;
    QDateTime Data;
    QString IdVariante;
    QString Gruppo;
    QString IdLotto;
    QString IdDimensione;
    double Quantita = 0; // in the unit IdUM (empty: the article's own)
    QString IdCausale;   // warehouse causal: its FlEsistenza tells load (1) or unload (-1)
    QString IdUM;
    double FattConv = 0; // factor of IdUM (ConvQuantitaProdotto)
    int CodTipoDoc = -1; // kind of the document being filled (-1: none)
    QString IdOperatore;
};

class TDMIBMag : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIBMag(QObject *owner = nullptr);
    ~TDMIBMag() override;

    // The program's module (global DMIBMag), created through the data-module registry (a
    // registered replacement of "TDMIBMag" is created in its place) on the first call and
    // owned by the application unless an owner is given.
    static TDMIBMag *Crea(QObject *owner = nullptr);

    // Datasets a document save passes to GeneraMovimentoMagazzino (client tables of the
    // company database, rows written at once in the caller's transaction).
    TXClientTable *tMovMagazzino;  // MovMagazzino, located by FlTipoDocum;KRigoDoc;SubNumOrdine
    TXClientTable *tMovMagazzinoD; // MovMagazzinoD, cost details of movements
    TXClientTable *tEsistenze;     // EsistenzeMagazzino, by Esercizio;IdMagazzino;IdProdotto
    TXClientTable *tPartite;       // EsistenzePartite, by Esercizio;IdMagazzino;IdProdotto;Partita
    TXQuery *qLavoro;              // work query for the generator's statements
    // The generator's own objects.
    TXQuery *qMatricole;        // the document's serial records: parameters FlTipoDoc, KTesta
    TXClientTable *tDettQtaDoc; // quantity details (DettQtaDoc), located by
                                // FlTipoDocumento;KTestaDoc;KRigoDoc;IdVariante;Gruppo;IdLotto;IdDimensioneD
    TXClientTable *tSaldiLotti; // lot balances (SaldiLotti)

    // A warehouse causal as the movements use it.
    struct TCausaleMag {
        QString IdCausale;
        QString IdContropartita; // counter causal ("" none)
        int FlClasse = 0;        // 4: transfer
        int FlEsistenza = 0;     // 1 loads, -1 unloads, 0 moves no stock
        int FlPartita = 0;       // 1: keeps batches
        // Class 4 or a counter causal: the movement has a counter-movement.
        bool ConContromovimento() const { return FlClasse == 4 || !IdContropartita.isEmpty(); }
    };

    // What one call of GeneraMovimentoMagazzino works on: its arguments and what it read.
    struct TContestoMovimento {
        int StatoRigo = 0; // 0 unchanged, 1 modified, 2 new, 3 deleted
        int CodTipoDoc = 0;
        QString IdCausale; // the caller's causal, then the one of the link table
        QString IdCosto;
        bool CostiAttivi = false;
        TDataSet *Testa = nullptr;
        TDataSet *Rigo = nullptr;
        TDataSet *Movimenti = nullptr;
        TDataSet *Esistenze = nullptr;
        TDataSet *Partite = nullptr;
        TDataSet *MovimentiD = nullptr;
        TXQuery *Query = nullptr;
        TDataSet *RecordMatricole = nullptr; // the document's serial records (may be null)

        TCausaleMag Causale;
        int FlPartitaContro = 0; // the counter causal keeps batches
        int Esercizio = 0;
        int KRigo = 0;  // the row's key of the kind
        int KTesta = 0; // the head's key of the kind
        std::optional<Tipirigo::TRTipoRigo> TipoRigo;
        bool AggiornaSaldi = true; // stock and lots booked (not on a retail sale without FlAggSaldi)
        bool RigoReso = false;     // a row type whose negative quantities follow the causal (RigoDiReso)
        // Settings read once per call: stock by batch, serial numbers, quantity details.
        bool ConPartite = false;
        bool ConMatricole = false;
        bool ConDettaglioQta = false;
        bool MovimentoTrovato = false; // the row's stored movement (SubNumOrdine 0)
        bool ControPrecedente = false; // its causal had a counter-movement
        double ValoreProprio = 0;      // the movement's value before the row's other cost lines
    };

    // ---- virtual operations, in slot order

    // Books, rewrites or removes the warehouse movement of the current document row (and its
    // counter-movement), positioning and writing the movements dataset. True when the row was
    // booked or needed nothing; any error is shown (warning) and answers false, the records
    // already changed left to the caller's rollback.
    virtual bool GeneraMovimentoMagazzino(int statoRigo, int codTipoDoc, const QString &idCausale,
                                          const QString &idCosto, bool costiAttivi, TDataSet *testa, TDataSet *rigo,
                                          TDataSet *movimenti, TDataSet *esistenze, TDataSet *partite,
                                          TDataSet *movimentiD, TXQuery *query, TDataSet *dettaglioQta);
    // While a whole document is deleted: each row's movements are kept by RinviaEliminazione
    // (the row's checks done) and taken back and deleted together by EliminaMovimentiRinviati,
    // in the rows' order; AnnullaEliminazioneDocumento drops what is kept (after an error).
    void IniziaEliminazioneDocumento();
    void AnnullaEliminazioneDocumento();
    // The movements of the rows kept: the steps of the row path (TrovaMovimento,
    // StornaMovimento, EliminaMovimenti) for each, or, when none of them has lot or cost
    // details, batches or serial numbers and the stock is this module's, read in one statement
    // (locked), taken back on the stock and deleted in one statement or a few. Any error is
    // shown as the generator shows it and answers false.
    virtual bool EliminaMovimentiRinviati();
    // Before a save's rows are booked one by one: the stock rows they book (the article in the
    // row's warehouse and in the head's arrival warehouse, in the exercise of the document
    // date), read as stored in one statement, locked until the commit (PostgreSQL). esistenze:
    // nullptr for tEsistenze. Nothing is read outside a transaction.
    virtual void LeggiSaldiRighe(TDataSet *testa, TDataSet *righe, TDataSet *esistenze);
    // The exercise whose period holds the date; false when there is none or the date is null.
    virtual bool TrovaEsercizioDallaData(const QDateTime &data, int &esercizio);
    // Books the current movement on the stock of its exercise, warehouse (IdMagazzino1) and
    // article by the sign of its causal; storno takes it back. esistenze: the stock dataset
    // (nullptr: tEsistenze). False on failure (the cause goes to standard error).
    virtual bool AggiornaEsistenzeMagazzino(TDataSet *movimento, TDataSet *esistenze, bool storno);
    // The same on the stock by batch (Partita) of the movement; a movement without batch
    // books nothing.
    virtual bool AggiornaPartiteMagazzino(TDataSet *movimento, TDataSet *partite, bool storno);
    // Project stock: the stand-in keeps no projects.
    virtual bool AggiornaEsistenzeProgetti(TDataSet *movimento, bool storno);
    // A quantity in a unit (and its factor) brought into the article's unit (IdUM1), at the
    // quantity decimals: the same for an empty unit or the article's own, times the factor
    // for another unit. False when the article does not exist or the unit has no factor.
    virtual bool ConvQuantitaProdotto(const QString &idProdotto, const QString &idUM, double fattConv, double quantita,
                                      double &risultato);
    // Price of the row's movement: the row's national net value (without VAT when the prices
    // include it) per unit of the article, at the national price decimals; a row without
    // quantity gives its price in national currency.
    virtual double CalcoloPrezzoMovMagazzino(TDataSet *testa, TDataSet *rigo, const QString &idUM, bool ivaInclusa);
    // An amount of the row without the VAT of its code (IdIva), at the given decimals.
    virtual double ScorporaIvaRigo(TDataSet *rigo, double importo, int decimali);
    // A lot record for a booking or a check.
    virtual void InitDatiLotto(TDatiLotti &dati, const QString &idProdotto, int idMagazzino, const QDateTime &data,
                               const QString &idVariante, const QString &gruppo, const QString &idLotto,
                               const QString &idDimensione, double quantita, const QString &idCausale);
    // Books the lot quantity on its balance by the sign of its causal; storno takes it back.
    virtual bool AggiornaSaldiLotti(const TDatiLotti &dati, bool storno);
    // Whether the lot holds the quantity in its warehouse; when it does not the user is told
    // (warning) and the answer is false.
    virtual bool ControlloGiacenzaLotto(const TDatiLotti &dati);
    // Checks the rows of a document before its save: every row that books stock (local rows
    // with Stato 3 left out) names an existing article and warehouse, and the document date
    // falls in an exercise. The first fault is shown (warning) and the answer is false.
    virtual bool ControllaRigheMagazzino(int codTipoDoc, TDataSet *testa, TDataSet *righe);

    // ---- the generator's steps, in their order

    // Steps before any writing: article, rows that book nothing, company setting, causal
    // (link table), exercise, keys, row type, serial records. False: nothing to book (the
    // generator ends with true). Errors are thrown.
    virtual bool LeggiDatiMovimento(TContestoMovimento &c);
    // The warehouse causal of a document causal and row type in the link table; false when
    // there is no link.
    virtual bool CausaleCollegata(int codTipoDoc, const QString &idCausale, int tipoRigo, QString &idCausaleMaga);
    // A warehouse causal; false when it does not exist.
    virtual bool LeggiCausale(const QString &idCausale, TCausaleMag &causale);
    // Locates the row's movement (0) or counter-movement (1) in the movements dataset.
    virtual bool TrovaMovimento(TContestoMovimento &c, int subNumOrdine);
    // Undoes the located movement: stock, batches, projects, cost details, lot progressives
    // and serial records. Throws on failure.
    virtual void StornaMovimento(TContestoMovimento &c);
    // Deletes the row's movement and, when its causal had one, its counter-movement.
    virtual void EliminaMovimenti(TContestoMovimento &c);
    // Puts the movement (0) or counter-movement (1) in edit when found, else inserts one.
    virtual void ApriMovimento(TContestoMovimento &c, int subNumOrdine, bool trovato);
    // Fills the movement record being edited.
    virtual void SettaCampiMovimento(TContestoMovimento &c, int subNumOrdine);
    // The counter-movement's causal and warehouses.
    virtual void SettaCampiContromovimento(TContestoMovimento &c);
    // Empties a batch the causal does not keep, posts the movement and books it (stock,
    // batches, projects, cost details, lot details and serial records).
    virtual void RegistraMovimento(TContestoMovimento &c, int subNumOrdine);
    // The counter-movement after the row's movement was written: written when the causal has
    // one, else a counter-movement left from before is undone and deleted.
    virtual void GeneraContromovimento(TContestoMovimento &c);
    // Deletes the cost details of a movement (cost details on).
    virtual void CancellaDettagliMovimento(TContestoMovimento &c, int kMovMag);
    // Writes the cost details of the current movement (cost details on).
    virtual void CopiaCostiRigo(TContestoMovimento &c);
    // Takes back the lot progressives of the current movement and deletes its lot details.
    virtual void AnnullaProgressiviLotto(TContestoMovimento &c);
    // Copies the row's lot details to the current movement, books their progressives and
    // registers the serial records.
    virtual void RegistraLottiMatricole(TContestoMovimento &c);

    // Row and head key columns of a document kind ("" for kinds without rows of their own).
    static QString CampoChiaveRigo(int codTipoDoc);
    static QString CampoChiaveTesta(int codTipoDoc);
    // The stored row table of a document kind ("" as above).
    static QString TabellaRighe(int codTipoDoc);
    // Whether a row of a sales kind (0, 1, 6) is of a row type whose negative quantities
    // follow the sign of the causal (KV8Config FSVEN01).
    static bool RigoDiReso(int codTipoDoc, int tipoRigo);
    // A field of a dataset by name, found again at its position row after row; nullptr when
    // the dataset has none.
    static TField *CampoDataset(const TDataSet *ds, const char *nome);

protected:
    // Steps 9-10 of a deleted row while a document deletion is open: the row's context kept for
    // EliminaMovimentiRinviati; false (nothing kept) otherwise.
    bool RinviaEliminazione(const TContestoMovimento &c);
    // A quantity of the row signed as the movements take it (returns) and converted to the
    // article's unit when the row type asks for it; throws the conversion message.
    double QuantitaMovimento(TContestoMovimento &c, double quantita, bool secondaria);
    // The same with the row's article, unit and factor already read.
    double QuantitaMovimento(TContestoMovimento &c, double quantita, bool secondaria, const QString &prodotto,
                             const QString &um, double fattConv);
    // The context of one call from the generator's arguments: an unchanged row taken as
    // modified, the module's own datasets where an argument is null.
    TContestoMovimento ContestoMovimento(int statoRigo, int codTipoDoc, const QString &idCausale,
                                         const QString &idCosto, bool costiAttivi, TDataSet *testa, TDataSet *rigo,
                                         TDataSet *movimenti, TDataSet *esistenze, TDataSet *partite,
                                         TDataSet *movimentiD, TXQuery *query, TDataSet *dettaglioQta);
    // After an error of the generator: pending edits of its datasets cancelled and the error
    // shown (warning; a silent abort is not shown).
    void ErroreMovimento(TContestoMovimento &c, const std::exception &e);
    // Once per document and transaction, at the end of LeggiDatiMovimento: the stock the
    // document's stored rows book, read in one statement.
    void LeggiDocumento(TContestoMovimento &c);
    // At the first movement looked for (TrovaMovimento) in the document LeggiDocumento read: the
    // movements of its stored rows, the stock they book and which of them have lot details, read
    // in a few statements; the row-by-row steps then find them (or know them absent) without
    // reading again. A document of new rows only looks for none and reads none.
    void LeggiMovimentiDocumento(TContestoMovimento &c);

private:
    // What the movements take of an article.
    struct TArticoloMag {
        int FlTipoCarico = 0;
        QString IdUM1;
    };
    // The article of a code (trimmed); none when it does not exist.
    std::optional<TArticoloMag> LeggiArticolo(const QString &idProdotto);
    // The document's reference a movement carries (RifDocumento), from its head.
    QString RiferimentoDocumento(TDataSet *testa);
    // TrovaEsercizioDallaData without the lookups kept.
    bool CercaEsercizio(const QDateTime &data, int &esercizio);
    // Lookups the generator makes row after row (articles, causals and their links, row types,
    // exercises, the document's reference), kept while a transaction of the lookups' connection
    // is open: nullptr outside one.
    class TLetture;
    TLetture *Letture();
    std::unique_ptr<TLetture> letture_;

    // What the stock takes of a movement.
    struct TValoriMovimento {
        QString IdCausale;
        int Esercizio = 0;
        int IdMagazzino1 = 0;
        QString IdProdotto;
        QString Partita;
        double Quantita = 0;
        double Valore = 0;
    };
    bool AggiornaProgressivo(TDataSet *movimento, TDataSet *tabella, const QString &campi, bool partita, bool storno);
    bool AggiornaProgressivo(const TValoriMovimento &movimento, TDataSet *tabella, const QString &campi, bool partita,
                             bool storno);
    // The movements of the rows kept, in a few statements; false when they need the row path.
    bool EliminaInBlocco(const std::vector<TContestoMovimento> &righe);
    // A stored movement as the block paths take it: its key, what the stock takes of it and
    // whether it has lot details.
    struct TMovimentoLetto {
        qint64 KMovMag = 0;
        TValoriMovimento Valori;
        QVariant DataMovimento; // as the engine gives it (null when not read)
        bool ConLotti = false;
    };
    using TMovimentiLetti = QHash<QPair<int, int>, TMovimentoLetto>; // by row key and SubNumOrdine
    // The movements and counter-movements of the rows (keys; on SQLite those of the head's
    // stored rows, which hold them) in one statement, locked until the commit (PostgreSQL);
    // their dates only with conData.
    TMovimentiLetti LeggiMovimentiRighe(TXClientTable *movimenti, int codTipoDoc, int kTesta, const QVariantList &righe,
                                        bool conData = true);
    // PostgreSQL: the movements (SubNumOrdine 0) or counter-movements (1) of the rows (keys)
    // deleted in one statement, and what they were; the movements only when none of the rows'
    // movements and counter-movements has lot details.
    TMovimentiLetti EliminaMovimentiRighe(TXClientTable *movimenti, int codTipoDoc, int kTesta,
                                          const QVariantList &righe, int subNumOrdine);
    // Whether one of the movements LeggiMovimentiRighe reads has lot details.
    bool MovimentiConLotti(TXClientTable *movimenti, int codTipoDoc, int kTesta, const QVariantList &righe);
    // Whether the stored causal of a movement has a counter-movement; an unknown one is thrown.
    bool CausaleConContromovimento(const TMovimentoLetto &movimento);
    // " FROM movements m WHERE ..." of the movements and counter-movements LeggiMovimentiRighe
    // reads, what to bind appended to valori.
    static QString SelezioneMovimentiRighe(const TXClientTable *movimenti, int codTipoDoc, int kTesta,
                                           const QVariantList &righe, QVariantList &valori);
    // The movements q gives (the columns the block paths read) added to letti.
    static void AggiungiMovimentiLetti(TXDatabase &db, QSqlQuery &q, TMovimentiLetti &letti);
    // A changed (1) or deleted (3) row of the document LeggiDocumento read, when its stored
    // movements need nothing but the stock (no costs, batches, serial numbers, lot details) and
    // keep their counter-movement: its stock taken back and booked again, its movements computed
    // by SettaCampiMovimento on a record of their own and written by key with the document's
    // others, in a few statements, before the commit (TMovimentiInAttesa). False: the row path.
    bool RegistraInBlocco(TContestoMovimento &c);
    // The stored movement (0) or counter-movement (1) of the row computed anew and kept for
    // writing (the columns assigned, but those known to hold their value); its new values for
    // the stock.
    TValoriMovimento CalcolaInBlocco(TContestoMovimento &c, int subNumOrdine, const TMovimentoLetto &letto);
    // The record the block path computes movements on (the columns of tMovMagazzino) and, for
    // each of its fields, whether the computation assigned it.
    TDataSet *MovimentoCalcolato();
    TDataSet *movimentoCalcolato_ = nullptr;
    std::vector<char> assegnati_;
    std::vector<char> invariati_; // of those, the ones known to hold the stored value
    class TMovimentiInAttesa;
    std::unique_ptr<TMovimentiInAttesa> movimentiInAttesa_;
    // The stock rows of saldi not read yet (AggiungiSaldo), read in one statement.
    void LeggiSaldiMancanti(TContestoMovimento &c, const QList<QVariantList> &saldi);
    std::optional<std::vector<TContestoMovimento>> rinviati_; // a document deletion is open
    // Inside a transaction the postings on tEsistenze and tPartite, added up by stock row and
    // posted once: before a statement names the table and before the commit.
    class TSaldiInAttesa;
    std::unique_ptr<TSaldiInAttesa> esistenzeInAttesa_;
    std::unique_ptr<TSaldiInAttesa> partiteInAttesa_;

    // A stock row: exercise and warehouse, article.
    using TChiaveSaldo = QPair<QPair<int, int>, QString>;
    // The document LeggiDocumento last read, and the movements of it with lot details.
    struct TDocumentoLetto {
        const TDataSet *Movimenti = nullptr;
        const TDataSet *Esistenze = nullptr;
        int CodTipoDoc = -1;
        int KTesta = 0;
        quint64 Transazione = 0;
        bool ConSaldi = false;       // its stock is read (Esistenze a client table, stock booked)
        QSet<TChiaveSaldo> Saldi;    // the stock rows read
        QList<int> Righe;            // the keys of its stored rows
        bool MovimentiLetti = false; // LeggiMovimentiDocumento done
        bool ConLottiNoti = false;   // MovimentiConLotti holds every one of them
        QSet<int> MovimentiConLotti;
        bool BloccoLetto = false; // Blocco read (RegistraInBlocco)
        TMovimentiLetti Blocco;   // the movements of its stored rows as RegistraInBlocco left them
    };
    TDocumentoLetto letto_;
    // A stock row not read yet for the document added to saldi (an empty article books none).
    void AggiungiSaldo(QList<QVariantList> &saldi, int esercizio, int magazzino, const QString &prodotto);
    // The stock rows of saldi read as stored by the condition (that holds them all) on c.Esistenze.
    void LeggiSaldi(TContestoMovimento &c, const QList<QVariantList> &saldi, const QString &condizione,
                    const QVariantList &valori);
    // Whether letto_ is the document of c in the open transaction.
    bool DocumentoLetto(const TContestoMovimento &c) const;
};

inline QPointer<TDMIBMag> DMIBMag;
