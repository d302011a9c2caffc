#pragma once
// The frame of the host's document windows (customer delivery notes, invoices, supplier
// delivery notes): the head being edited, the local rows with their change state, the
// totals, a page control a subclass can add a tab to, and the save as a sequence of named
// virtual steps.
//
// - TTesta (DSMain) is the edit buffer of the head on the company table: its posts are kept
//   in memory; the save writes the head through TTestaDB, so a failed save leaves the user's
//   head as it was typed.
// - TRighe (DsRighe) is the local work table of the rows (LocalDatabase), one record per row
//   with Stato 0 unchanged, 1 modified, 2 new, 3 deleted (hidden from the grid, written by the
//   save); the save writes TRigheDB, the stored rows.
// - The save (SalvaDocumento, mode 0 new, 1 modified, 2 deleting) checks, asks, then runs
//   every write in one transaction: head, rows with one warehouse movement per row
//   (DMIBMag), totals records (TOTDOCS_Calcola). Any failure inside rolls everything back
//   and is shown once as a warning.
// - A document changed or deleted by another user since it was read is refused, never
//   overwritten.
#include "host/business/Dmicalcolototalidocs.h"
#include "host/db/TXDatabase.h"
#include "host/ui/Dbchild.h"

#include <QHash>
#include <QMap>
#include <QPointer>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class KPageControl;
class KDBGriglia;
class TDBNavigator;
class TXClientTable;
class TXMemTable;
class TXQuery;
class TXTable;
class TXTransaction;
class TFSVen0001f_001;
class QCryptographicHash;
class QLabel;
class QLineEdit;
class QWidget;
namespace Ui {
class Documento;
}

// What sets one kind of document apart.
struct TTipoDocumento {
    int CodTipoDoc = 0;         // 0 customer delivery note, 1 customer invoice, 10 supplier delivery note
    QString Sigla;              // "DT", "FI", "DTA"
    QString Descrizione;        // "DDT", "Fattura", "DDT fornitore": the label in messages
    QString TabellaTeste;       // BolleCliTeste...
    QString TabellaRighe;       // BolleCliRighe...
    QString TabellaTotali;      // BolleCliTot...
    QString TabellaRigheLocale; // t_RigheBolleCli...
    QString ChiaveTesta;        // KBolleCliT...
    QString ChiaveRigo;         // KBolleCliR...
    QString CampoContoTp;       // IdClienteTp / IdFornitoreTp
    QString CampoConto;         // IdCliente / IdFornitore
    QString TipoConto;          // "CL" / "FO"
    QString TabellaCausali;     // CausaliBolleCli...
};

class QPushButton;

class TFDocumento : public TFDBChild {
    Q_OBJECT
public:
    TFDocumento(const TTipoDocumento &tipo, QWidget *owner = nullptr);
    ~TFDocumento() override;

    const TTipoDocumento &TipoDoc() const { return tipo_; }

    // ---- datasets
    TXClientTable *TTesta = nullptr;   // head being edited (DSMain)
    TXClientTable *TTestaDB = nullptr; // stored heads, written by the save
    TXTable *TRighe = nullptr;         // local rows with Stato (the rows table)
    TDataSource *DsRighe = nullptr;    // its data source (the rows dataset: the grid's edit buffer)
    TXTable *TRigheNC = nullptr;       // second rows view on the same local rows, every state
    TXClientTable *TRigheDB = nullptr; // stored rows, written by the save
    TXQuery *TRRighe = nullptr;        // stored rows of the head (parameter: the head key)
    TXClientTable *TTotali = nullptr;  // totals records of the document (the totals table)
    TXTable *TTotaliDoc = nullptr;     // totals of the document as head fields (totals page)
    TDataSource *DsTotali = nullptr;
    TXMemTable *TDatiAggiuntivi = nullptr; // the third host table (the head's additional data)
    TXClientTable *TDettQta = nullptr;     // quantity details (DettQtaDoc)
    TXQuery *qVarianti = nullptr;          // variants of a row (parameter KRigo)
    TXTable *TRigheAccoda = nullptr;       // appending cursor on the local rows (key range Contatore)
    // The chosen customer-order lines (local TSelOrdR): line 1 of its text ("WHERE FlSelez <> 0")
    // selects them and may be replaced.
    TXQuery *qSelOrdini = nullptr;

    // ---- controls
    ::KPageControl *KPageControl = nullptr; // pages: document, totals; a subclass adds its own
    QWidget *tsTesta = nullptr;             // the document: head fields above, rows below
    QWidget *tsRighe = nullptr;             // the page of the rows (the document page)
    QWidget *tsPagina5 = nullptr;           // totals page
    QWidget *pTotali = nullptr;
    QWidget *pPesi = nullptr;
    QWidget *PanelR = nullptr; // row edit panel
    KDBGriglia *GrigliaRighe = nullptr;
    TDBNavigator *DBNavigatore2 = nullptr; // rows navigator
    QPushButton *btnDetQta = nullptr;      // quantity detail of the current row
    QPushButton *btnOrdini = nullptr;      // rows taken from order lines (delivery notes, invoices)
    // Bar-code reading under the rows: the quantity read (1 unless typed) and the code, which a
    // scanner types and ends with Enter (LeggiBarcode).
    QLineEdit *edQtaBarcode = nullptr;
    QLineEdit *edBarcode = nullptr;

    // ---- window state
    int ModoSalva = 0;                    // 0 new document, 1 modified, 2 being deleted
    bool FlSegnoInverso = false;          // amounts booked with reversed sign (credit notes)
    bool FlRigheModificate = false;       // rows changed since the document was read
    bool FlRigheAggiunte = false;         // rows added by an appending operation
    bool FlRiscriviRighe = false;         // every row rewritten by the save, changed or not
    bool FlSolaLettura = false;           // opened read-only
    bool FlConfermaRegistrazione = false; // " Conferma registrazione ? " asked before a save
    bool SalvataggioRiuscito = false;     // the last save committed
    bool FlInCaricamento = false;         // the rows are being read into TRighe: row events check nothing
    // Price spread over the rows, bar-code price mode, order selection.
    int ModoSpalmatura = 0;
    double QuotaSpalmatura1 = 0;
    double QuotaSpalmatura2 = 0;
    int ModoPrezzoBarcode = 0;
    int StatoSelezioneOrdini = 0;
    int NumOrdiniSelezionati = 0;
    int NumRigheOrdineSelezionate = 0;
    bool GestionePartite = false;   // manages batches
    bool GestioneGruppi = false;    // manages groups
    QStringList QtaDettagliate;     // detailed quantities, name=value
    bool FlDettaglioQta = false;    // quantity-detail option
    int ModoSelezione = 0;          // 0 by quantity, 1 by amount
    QMap<int, qint64> LegamiOrdini; // order-row link by the row's Contatore
    // Documents touched by the save.
    QList<qint64> ListaOrdini;
    QList<qint64> ListaOfferte;
    QList<qint64> ListaBolle;
    QList<qint64> ListaRigheBolle;
    QStringList ListaClienti;
    double ValoreOrdine = 0;
    // Commissions.
    bool FlProvvigioni = false;
    int ModoProvvigioni = 0;
    // Totals parameters of the document (filled by CalcolaTotali).
    TXParam_TotaliDocs ParamTotali;
    // The number notice of a head stored under another number than the one shown.
    QString AvvisoNumero;

    // ---- opening
    // The window ready for a document: mode 0 a new document (head in insert, no rows),
    // mode 1 the stored document of KeyCorrente read again. False when it cannot be read.
    virtual bool InitDoc(int modo);
    // Reads a stored document into the head and the local rows; false when there is none.
    virtual bool CaricaDocumento(qint64 chiave);
    qint64 KeyCorrente() const { return chiave_; }

    // ---- row amounts and totals
    // The six amounts of the current row (ImportoLordo .. ControvaloreNN) from its quantity,
    // price and discounts and the head's; calcolati: only the calculated fields.
    virtual void CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati);
    virtual QString CampoQuantita() const; // the rows' quantity column
    // The totals of the document shown on the totals page (and, with aggiornaTesta, its
    // TotDocumento on the head being edited).
    virtual void CalcolaTotali(bool aggiornaTesta, bool mostraErrori);
    // The totals records of the document written into the totals table; false on failure.
    virtual bool CalcolaTotali(TDataSet *totali, TXParam_TotaliDocs &param);
    virtual void CalcolaDatiCoda(TDataSet *testa);
    virtual void CalcolaScontiSI();
    // Head checks before a save: causal, account, date, currency; the first fault is shown
    // (warning) and the answer is false.
    virtual bool ControlliTesta();
    // Row check: an article that exists, a quantity other than 0 on a goods row. The fault is
    // thrown with its message.
    virtual void ControllaRigo(TDataSet *rigo);

    // ---- the save
    virtual void SalvaDocumento();
    // The save with a window's own steps around the host's: Prepara after the rows are posted
    // (false ends the save before the transaction), Inizio first inside the transaction, Fine
    // once the transaction has ended, either way. Opening the datasets or starting the
    // transaction can fail: shown once, the document stays in edit.
    struct TPassiSalvataggio {
        std::function<bool()> Prepara;
        std::function<void()> Inizio;
        std::function<void()> Fine;
    };
    void SalvaDocumentoConPassi(const TPassiSalvataggio &passi);
    // Deleting: the save in mode 2.
    virtual void CancellaDocumento();
    virtual bool VMRegistraDatiDocumento();
    // The stored document on view printed (anteprima: on screen first); nothing in a window
    // without a print (HaStampa false), which shows no print command.
    virtual void StampaDocumento(bool anteprima);
    // The print commands: StampaDocumento.
    void XFormXStampa(bool preview) override;
    virtual void StampaEtichette();
    virtual void btnDetQtaClick(QObject *sender);

    // ---- the dialogs the window opens on itself (order-line selection, quantity detail)
    // Their units set these entries when the library loads: the window runs them without
    // knowing the dialogs' classes (the dialogs know the window).
    struct TDialoghiDocumento {
        std::function<int(TFDocumento *)> SelezionaRigheOrdine; // answers the rows appended
        std::function<void(TFDocumento *)> DettaglioQuantita;   // of the current row
        // Whether the current row's article keeps its quantity in detail lines.
        std::function<bool(TFDocumento *)> ArticoloConDettaglio;
        // The window's detail lines dropped (a document read or begun anew).
        std::function<void(TFDocumento *)> SvuotaDettaglio;
    };
    static TDialoghiDocumento &Dialoghi();
    // The order-line selection is shown for this document, with that many orders on offer;
    // the dialog is freed when it closes. Nothing here.
    virtual void SelezioneOrdiniAperta(TFSVen0001f_001 *dialogo, int ordini);

    // ---- row handlers
    virtual void TRigheNewRecord(TDataSet *dataSet);
    virtual void TRigheIdProdottoValidate(TField *sender);
    virtual void TRigheTipoRigoChange(TField *sender);
    virtual void TRigheAfterScroll(TDataSet *dataSet);
    virtual void TRigheAfterEdit(TDataSet *dataSet);
    virtual void TRigheCalcFields(TDataSet *dataSet);
    virtual void TRigheBeforePost(TDataSet *dataSet);
    virtual void TRigheAfterPost(TDataSet *dataSet);
    virtual void TRigheBeforeDelete(TDataSet *dataSet);
    // Quantity from the packages (Lunghezza) and the quantity per package (Quantita2).
    virtual void CalcoloQuantita(TField *sender);

    // ---- head handlers
    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void XFormCloseQuery(bool &canClose) override;
    void DSMainStateChange(TDataSource *source) override;
    void DSMainNavClick(TNavigateBtn button, bool &doDefault) override;
    virtual void TTestaCalcFields(TDataSet *dataSet);
    virtual void TTestaAfterScroll(TDataSet *dataSet);
    virtual void TTestaNewRecord(TDataSet *dataSet);
    virtual void TTestaBeforePost(TDataSet *dataSet);
    // The causal chosen: the series of its numbering onto the head.
    virtual void TTestaIdCausaleChange(TField *sender);
    // The account chosen: its currency, agents, payment, price list, discounts, carriers,
    // port, transport type, zone, bank, language and exemption onto the head (those the head
    // has), the destination cleared, the rate of the currency at the document's date.
    virtual void TTestaContoChange(TField *sender);
    // The destination chosen: its zone and carrier, where it has them, onto the head.
    virtual void TTestaIdDestinazioneChange(TField *sender);
    // The currency or the date changed: the rate of the currency at the date (1 for the
    // company's currency). A missing rate is shown and leaves the rate 0, which the save
    // refuses until the user types one.
    virtual void TTestaCambioChange(TField *sender);
    virtual void KPageControlChange(QObject *sender);

    // ---- host steps the appending routines call by role
    virtual void RigoDefault(TDataSet *rigo);                 // row-type defaults
    virtual void TestaARigo(TDataSet *testa, TDataSet *rigo); // head data onto a new row
    virtual void ContoDefault(TDataSet *rigo);                // account when IdConto is empty
    virtual void CompletaRigo(TDataSet *rigo);                // article data of a row
    void PrezzoRigo(TDataSet *rigo, const QString &articolo); // price and discounts of the row's price list
    // Weights and volume of a row with an article: the article's times the row quantity (when
    // the article is chosen and the quantity changes; a command that appends rows with
    // weights of their own sets them afterwards).
    virtual void PesiRigo(TDataSet *rigo);
    virtual void ScontiRigo(TDataSet *rigo);      // discounts of a row
    virtual void ProvvigioniRigo(TDataSet *rigo); // commissions (Provvigione1/2)
    virtual void ChiudiInserimentoComponenti();
    virtual void AggiornaRighe(); // rows and second view read again
    // Rows of a kit: its bill of materials (Distintabase) exploded into rows after the
    // current one. False when the article has no components.
    virtual bool InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita,
                                     double percQuota, double percSpalmatura, int tipoRigo, int kRigoKit,
                                     const QString &idUM, double fattConv, int livello, int modo, int opzioni);
    // A row the user has just added whose row type explodes kits: its components appended
    // after it. Nothing here: the invoice and order windows explode their kits.
    virtual void EsplodiKitRigo(TDataSet *rigo);
    // While what it answers lives, the rows a command appends are not rows the user entered:
    // no kit of theirs is exploded when they are posted.
    [[nodiscard]] auto AccodandoRighe()
    {
        ++accodamento_;
        return qScopeGuard([this] { --accodamento_; });
    }
    // Appends a row for each chosen order line (qSelOrdini), linked to it (KOrdineR, LegamiOrdini)
    // with the quantity chosen (QtaSelez, else QtaDaSpedire); answers the rows added. A line
    // whose row the row check refuses is left out, the lines after it taken, and every line
    // left out named in one message at the end.
    virtual int AccodaRigheDaOrdine();
    // A step of AccodaRigheDaOrdine: the row of the chosen order line, filled by the host,
    // completed before it is posted. Nothing here.
    virtual void RigoDaLineaOrdine(TDataSet *rigo, TDataSet *linea);
    // The row of the current chosen order line appended, filled and posted by passo: a row the
    // checks refuse is dropped and the line noted in rifiutate (false); a database failure
    // passes on.
    bool AccodaLineaOrdine(QStringList &rifiutate, const std::function<void()> &passo);
    // The current chosen order line named in rifiutate with the reason it was left out.
    void AnnotaLineaRifiutata(QStringList &rifiutate, const QString &motivo) const;
    // The order lines left out, all named in one message (none: nothing shown).
    static void SegnalaLineeRifiutate(const QStringList &rifiutate);
    // A row from a bar code (the article code); false with the reason in messaggi.
    virtual bool AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
                                    QStringList &messaggi);
    // The code of edBarcode read with the quantity of edQtaBarcode (AccodaRigheBarcode), the
    // messages of the read shown; the inputs made ready for the next read. A quantity that is
    // not a number above 0 is refused and nothing is read.
    void LeggiBarcode();

    // ---- the save's steps, in their order
    // Before the transaction.
    virtual bool Test_SolaLettura();
    virtual void SvuotaListeDocumenti();
    virtual void PostaRighe();             // rows dataset posted or cancelled
    virtual void CostruisciRiepilogo();    // document summary (empty)
    virtual void ControllaRighePresenti(); // "Deve essere specificato almeno un rigo nel documento!"
    virtual void AvvisoValoreOrdine();
    virtual void ApplicaModificheTesta(); // pending head edits posted into the buffer
    virtual bool ControlliPreliminari();  // rows checked (ControllaRigo)
    virtual bool RigheCONAI();
    virtual bool RigheRAEE();
    virtual bool RigheRitenute();
    virtual bool GestioneDatiAnticipi();
    virtual bool ConfermaAcconti();
    virtual bool ControllaScadenze();
    virtual bool ControllaValoreOrdini();
    virtual bool DichiarazioniIntento();
    virtual bool SituazioneAmministrativa();
    // Modes 0 and 1: the checks and totals above in the host's order; false stops the save.
    virtual bool ControlliSalvataggio();
    virtual void TotaleLitri();    // document litres (empty)
    virtual void ColliTrasporto(); // parcels and transport (empty)
    // The head's weights and volume from the rows (DMISBas), for the kinds that have them.
    virtual void PesiVolume();
    virtual bool ConfermaSalvataggio();
    virtual bool ControlloPrenotazioni(); // reservation pre-check (true)
    // The datasets the save writes, opened before the transaction and reset after a failure.
    virtual QList<TDataSet *> TabelleSalvataggio();
    // Inside the transaction.
    // Mode 0, first in the transaction: the head stored with its number (a number taken
    // meanwhile moved up), which the head being edited then carries, so that every later
    // step copies the number given.
    virtual void NumeraTesta();
    virtual void ControllaAltriUtenti(); // "changed by another user"
    virtual void EvadiPrenotazioni();    // reservations (empty)
    virtual void RegistraRiepilogo();    // document summary (empty)
    virtual void StornaAccontiOrdini();
    virtual void EliminaDocumento(); // mode 2: rows, movements, totals, head
    virtual void EliminaRigo();      // one stored row (TRigheDB current) with its effects
    // Mode 2, once TRigheDB holds the stored rows: throws when they may not be deleted.
    virtual void ControllaRigheDaEliminare();
    virtual void RegistraTesta();                // the head (stored by NumeraTesta in mode 0) written
    virtual int NuovoNumero();                   // next number of kind, year and series
    virtual void SetNumeroDocumento();           // numbering counters (invoices: ProtIVA)
    virtual void RegistraTestaMovimento();       // warehouse protocol of the head
    virtual void RegistraRighe();                // the row pass by Stato
    virtual void RegistraRigo(int stato);        // one row of TRighe
    virtual bool GeneraMovimentoRigo(int stato); // the stored row's warehouse movement
    virtual bool AggiornaRigoOrdineDoc(int stato);
    virtual void EliminaTestaMovimentoVuota();
    virtual void SalvaMatricole();
    virtual void RegistraTotali(); // CalcolaTotali(TTotali, ParamTotali) when needed
    // The totals need rebuilding: a new document, a head changed or rows changed.
    virtual bool TotaliDaRicalcolare() const;
    // Head columns that other jobs set while the document is open (the marks of documents
    // generated from it): the check against other users leaves them out and a change keeps
    // them as stored. None by default.
    virtual QStringList CampiTestaEsterni() const;
    virtual void CodiceSpeseImballo();         // after the totals (empty)
    virtual void CodaSalvataggio();            // states of linked documents, registers, head posted
    virtual void AggiornaDocumentiCollegati(); // delivery-note row links (invoices)
    // After the commit.
    virtual void DopoSalvataggio();
    virtual void AggiornaProgressiviClienti();
    virtual void AggiornaPrezziDaDocumento();
    virtual void OffriStampa(); // "Effettuo stampa ? "
    virtual void Contabilizza();
    // After a failure inside the transaction.
    virtual void AnnullaSalvataggio(const QString &messaggio);

    // The warehouse causal of the document's causal ("" moves no stock).
    virtual QString CausaleMagazzino() const;
    // The head being written by the save: TTestaDB positioned on the document.
    TDataSet *TestaScrittura() const;
    // Deleting, in the save's transaction: the stored head read locked (once: it is then
    // held), TTestaDB positioned on it.
    TDataSet *TestaDaEliminare();

protected:
    // The stored document on view through the print the host makes of class Stampa (its Crea),
    // prepared by prepara, selected by its key and run; a document not stored yet, or no
    // longer found, is told instead.
    template <class Stampa> void StampaRegistrato(bool anteprima, const std::function<void(Stampa &)> &prepara = {})
    {
        if (!DocumentoDaStampare())
            return;
        std::unique_ptr<Stampa> stampa(Stampa::Crea(this));
        if (prepara)
            prepara(*stampa);
        if (DocumentoTrovato(stampa->InitFormDocumento(int(KeyCorrente()))))
            stampa->EseguiStampa(anteprima);
    }
    // False, told, while the document on view is not stored.
    bool DocumentoDaStampare() const;
    // trovato passed on; false told as a document deleted meanwhile.
    static bool DocumentoTrovato(bool trovato);
    // Builds the pages: the document (head and rows), the totals.
    void ImpostaFinestra();
    // The stored head and rows (the fingerprint CaricaDocumento takes and ControllaAltriUtenti
    // compares).
    QByteArray ImprontaArchivio(qint64 chiave) const;
    // The stored head, less CampiTestaEsterni, into a fingerprint; on PostgreSQL with the
    // rows' fingerprint the server works out in the same statement.
    void ImprontaTesta(QCryptographicHash &hash, qint64 chiave) const;
    // SQLite: the stored rows, every column of each, into a fingerprint: in one statement, no
    // row read into a dataset.
    void ImprontaRighe(QCryptographicHash &hash, qint64 chiave) const;
    // The same-named columns of a stored row (of this or another document) copied into the
    // current row of TRighe as a load reads them: no row handler recomputes a quantity, a
    // package count or an amount on the way.
    void CopiaRigoArchiviato(TDataSet *origine);
    // Fills the totals parameters from the head being edited.
    void PreparaParametriTotali(TDataSet *testa, TDataSet *righe, TDataSet *totaliTesta, TDataSet *tabTotali);
    // A save passes over the rows many times: salva runs with SalvataggioInCorso() true, which
    // a window's row handlers read to leave what only shows (grid amounts, row panel) alone;
    // at the end, either way, the current row is moved onto again and shown once.
    void SalvaSenzaRinfrescareRighe(const std::function<void()> &salva);
    bool SalvataggioInCorso() const { return salvataggioInCorso_; }

    qint64 chiave_ = 0;   // key of the stored document on view (0: a new one)
    int istanza_ = 0;     // the window's place among the open windows of its kind (local tables)
    QByteArray impronta_; // the stored document as read
    // SQLite: the stored data's stamp when impronta_ was taken (unchanged: so is the document)
    std::optional<TXDatabase::Stamp> stampaImpronta_;
    std::optional<QString> causaleRighe_; // while the rows are written: the head's warehouse causal
    int contatore_ = 0;                   // last Contatore of the local rows
    std::optional<int> numeroDigitato_;   // mode 0: the head's number as typed, while a save runs
    // While EliminaDocumento deletes the whole document: EliminaRigo leaves the stored row
    // to the one statement that deletes them all.
    bool righeInBlocco_ = false;

private:
    bool salvataggioInCorso_ = false;
    int accodamento_ = 0;         // commands appending rows (AccodandoRighe)
    bool kitDaEsplodere_ = false; // the row being posted is a kit the user entered
    // The save's checks and confirmations before its transaction (prepara, when given, after the
    // rows are posted); false: no save.
    bool PreparaSalvataggio(const std::function<bool()> &prepara);
    // The save's writes in the open transaction (inizio, when given, first), committed; false
    // (errore: what went wrong, empty for an abort) with the tables rolled back.
    bool RegistraNellaTransazione(TXTransaction &transazione, int modo, const QList<TDataSet *> &tabelle,
                                  const std::function<void()> &inizio, QString &errore);
    // While the rows are written or deleted (causaleRighe_ set): the stock rows that righe book
    // (TRighe, every row; TRigheDB, the stored rows), locked until the commit.
    void LeggiEsistenze(TDataSet *righe);
    // The stored rows of the document with these keys (one value each) that TRigheDB does not
    // hold, read in one statement, so that the row pass locates them without reading row by row.
    void LeggiRigheArchivio(const QList<QVariantList> &chiavi);
    // Noted by NotaRigheRegistrate for the reload after the commit.
    struct TRigheRegistrate {
        qint64 Chiave = 0;
        QByteArray Impronta;
        std::optional<TXDatabase::Stamp> Stampa; // in the transaction, with the fingerprint
        QVariantList Diverse;                    // keys of the rows written that the window changed since
    };
    // Before the commit of a change: when TRigheDB holds every row this save wrote and no
    // other statement wrote the table, notes the document's fingerprint and the rows the
    // window changed after writing them (the totals' rounding), so that the reload after the
    // commit keeps the window's rows instead of reading them all again.
    void NotaRigheRegistrate();
    // The keys of the rows written that the window holds otherwise; none when a row written
    // is not held by TRigheDB or a row deleted still is.
    std::optional<QVariantList> RigheDiverse();
    // The document's stored rows into the window's rows, as a load reads them.
    void LeggiRighe(qint64 chiave);
    // While the window's rows are read (until the scope ends): the row handlers check nothing,
    // no calculated field is worked out.
    auto LetturaRighe();
    // While a save runs (until the scope ends): the rows' calculated fields worked out where
    // the save reads one, not at each row it passes.
    auto CalcoliDelleRigheLetti();
    // The window's rows made the stored ones: those marked deleted gone, those changed since
    // they were written read again as a load reads them, none left marked; false when a
    // row to read again is no longer held.
    bool TieniRigheRegistrate(const QVariantList &diverse);

    std::optional<TRigheRegistrate> registrate_;
    // While ControlliPreliminari passes over the rows: the row types seen (true: a description
    // row) and the articles found, each looked up once.
    struct TRigheControllate {
        QHash<int, bool> Descrittivi;
        QSet<QString> Articoli;
    };
    std::optional<TRigheControllate> controllate_;

    TTipoDocumento tipo_;
    Ui::Documento *ui_;
};
