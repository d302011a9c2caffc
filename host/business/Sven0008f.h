#pragma once
// Customer invoices ("SVEN0008F_F", and "SVEN0008F_R" with reversed signs): the document
// frame on FattureCliTeste, FattureCliRighe and FattureCliTot, rows in t_RigheFattCli,
// numbered on the VAT protocol counters (ProtIVA) of the causal's register and series.
//
// Rows can be taken from delivery notes not yet invoiced (AccodaRigheDaDDT): each keeps the
// delivery-note row it came from (IdTipoRiferimento "DT", RifRigoDoc its key) and books no
// stock again; the save marks the delivery-note row invoiced (FlGenFattura 1, KFatturaR the
// invoice row) and a deleted invoice row or invoice gives it back. The row command "Righe da
// DDT..." offers the customer's delivery notes (Sven0008f_001) and takes the rows of those
// chosen.
//
// The print command prints the current invoice through the invoice print; while the window
// edits the invoice (new, or changed and not saved) the print reads its deposit summary from
// the window's working copy (CastellettoLocale).
#include "host/business/Documento.h"

#include <QPointer>

class TFSVen0001f_001;

class TFSVen0008f : public TFDocumento {
    Q_OBJECT
public:
    explicit TFSVen0008f(QWidget *owner = nullptr);

    static TTipoDocumento Tipo();

    // modo 0 ("_F") or 1 ("_R", reversed signs); chiave 0 opens a new invoice, else the stored
    // one; false when it is not there.
    bool InitForm(int modo, qint64 chiave);

    TXQuery *TRRigheNC = nullptr; // stored rows of the invoice, second query
    // The client data set of the delivery-note rows taken into the invoice being edited: a
    // taken row carries KFatturaR = 999 here until the save (nothing is written before).
    TXClientTable *TRigheDDT = nullptr;
    // Delivery notes whose rows AccodaRigheDaDDT takes (empty: every delivery note of the
    // invoice's customer with rows not yet invoiced).
    QList<qint64> BolleSelezionate;
    QPushButton *btnBolle = nullptr; // rows from the customer's delivery notes

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    bool InitDoc(int modo) override;
    // The print commands stay in use while a stored invoice is being edited.
    void DSMainStateChange(TDataSource *source) override;
    // The current invoice printed; a new invoice not yet saved has nothing to print.
    void StampaDocumento(bool anteprima) override;

    // Appends the rows not yet invoiced of the chosen delivery notes; answers the rows added.
    virtual int AccodaRigheDaDDT();
    // The window back in use after the delivery-note selection: the rows page on view.
    virtual void RiattivaFormDDT(QObject *sender);
    // The rows checked one by one; with messaggi the first fault is shown (warning).
    virtual bool ControllaRighe(TDataSet *righe, bool messaggi);
    // A kit the user enters: its components after it, priced by the kit row.
    void EsplodiKitRigo(TDataSet *rigo) override;

    // ---- steps of the rows taken from order lines, called by role
    // The descriptive row types (class 2) as a list for an IN ( ) condition ("-1" when there
    // is none), and the first of them (0 when none).
    virtual QString TipiRigoDescrittivi() const;
    virtual int TipoRigoDescrittivo() const;
    // The reference text of the order head's rows (orders' settings FlRifOrdine and
    // TestoRifOrdine); "" when the settings ask for none.
    virtual QString RiferimentoOrdine(TDataSet *testaOrdine);
    // The article's note in the head's language (the stand-in keeps no article notes).
    virtual void NotaArticoloRigo(TDataSet *rigo);
    // IdIva of the row under the invoice's VAT exemption, else the order's (testaOrdine may be
    // null); unchanged when neither has one.
    virtual void EsenzioneRigo(TDataSet *rigo, TDataSet *testaOrdine);
    // With FlPesiOrdine, a line taken in part carries its share of the order row's weights and
    // volume.
    virtual void PesiRigoOrdine(TDataSet *rigo, TDataSet *linea);
    // Packaging-levy data of the article (not kept by the stand-in).
    virtual void ContributoImballiRigo(TDataSet *rigo);
    // The order row's quantity detail into the invoice's (no detail on order rows here).
    virtual void DettaglioRigoOrdine(TDataSet *rigo, TDataSet *linea);
    // Whether the article wants its amounts computed again after the post (never here).
    virtual bool RicalcoloImportiArticolo(TDataSet *rigo);
    // Whether the order row of the line may still be fulfilled: it exists and is not closed.
    virtual bool ControllaRigoOrdine(TDataSet *linea);

    // ---- the order-line selection open for the invoice (bar-code reads update its lines)
    QPointer<TFSVen0001f_001> DialogoOrdini; // the selection dialog while it is open
    int ContaOrdini = 0;                     // orders it offers
    bool FlSelezioneOrdini = false;          // raised while SelezioneOrdini runs
    // A selection dialog open with orders on offer.
    bool SelezioneOrdiniAttiva() const;
    // The invoice keeps the open selection while it is shown (its bar-code reads update it).
    void SelezioneOrdiniAperta(TFSVen0001f_001 *dialogo, int ordini) override;
    // The window's step after a line of the open selection changed (nothing more here).
    virtual void SelezioneOrdini();

    void TTestaIdCausaleChange(TField *sender) override;
    int NuovoNumero() override;
    void SetNumeroDocumento() override;
    QList<TDataSet *> TabelleSalvataggio() override;
    void RegistraRigo(int stato) override;
    void EliminaRigo() override;
    bool GeneraMovimentoRigo(int stato) override;
    // A row taken from a delivery note fulfils no order row: the note did.
    bool AggiornaRigoOrdineDoc(int stato) override;
    // The charges of the delivery notes and orders the rows come from (transport, advance,
    // rebate, article-15 expenses) added up onto the head: at once when its four are 0, else
    // where they differ once the user agrees. A source another document has already partly
    // fulfilled carries nothing and is named with its charges. An invoice of typed rows only
    // keeps its own.
    void CalcolaDatiCoda(TDataSet *testa) override;
    void RegistraTotali() override;
    void DopoSalvataggio() override;
    void TRigheBeforeDelete(TDataSet *dataSet) override;

protected:
    // The causal's register type (1 sales) and series.
    void RegistroCausale(int &tipoRegistro, int &serie) const;
    // Marks (true) or frees the delivery-note row of the current stored invoice row.
    void CollegaRigoBolla(TDataSet *rigo, qint64 kFattCliR, bool collega);
};

inline QPointer<TFSVen0008f> FSVen0008f;
