#pragma once
// The deposit-summary tab of the customer invoice and delivery-note windows: the
// stored summary of the document on view (qLUMO_CauzDoc), its local working copy edited with
// the document (TTLUMO_CauzDoc, rows with Stato 0 loaded, 1 modified, 2 new, 3 deleted), the
// tab's data source switched between the two, the stored rows the save rewrites
// (TRSLUMO_CauzDoc), the row events, the balancing button and the document's deposit charge.
// What sets the windows apart is a TImpostazioniCastDoc.
#include <QObject>
#include <QString>

#include <functional>

class KDBGriglia;
class TDataSet;
class TDataSource;
class TField;
class TXClientTable;
class TXQuery;
class TXTable;

struct TImpostazioniCastDoc {
    QString Sigla;         // "FI", "DT", "DTA"
    QString Tabella;       // stored summary
    QString TabellaLocale; // local working copy
    QString Chiave;        // document key
    QString CampoListino;  // head field with the deposit price list
    bool Eccedenze = true; // excess split (with FlGestEcc 1) and negative-charge policy
};

TImpostazioniCastDoc CastellettoFattura();
TImpostazioniCastDoc CastellettoBollaCliente();
TImpostazioniCastDoc CastellettoBollaFornitore();

class TLumoCastDoc : public QObject {
    Q_OBJECT
public:
    // DSMain: the head's data source; the datasets are children of owner.
    TLumoCastDoc(const TImpostazioniCastDoc &impostazioni, TDataSource *DSMain, QObject *owner);

    TImpostazioniCastDoc Impostazioni;
    TDataSource *DSMain;
    TXQuery *qLUMO_CauzDoc = nullptr;
    TXTable *TTLUMO_CauzDoc = nullptr;
    TDataSource *dsLUMO_CauzDoc = nullptr;
    TXQuery *qLUMO_TotValCau = nullptr;
    TXClientTable *TRSLUMO_CauzDoc = nullptr;

    // The window is filling the working copy itself: the row events do nothing.
    bool UT_LMQ_InCopiaDati = false;
    // The summary was built on entering the tab during this edit.
    bool UT_LMQ_StatoCauzDoc = false;

    // The window's reversed-sign flag (invoices); the causal's UT_FlValCauNeg.
    std::function<bool()> SegnoInverso;
    std::function<int()> PoliticaNegativo;

    // A customer document's head: "_UT_LMQ_ListCauz" from the customer; answers whether the
    // tab is shown (deposits on; with parameter 1 a causal with deposits, or with 1 and a
    // customer keeping deposits).
    static bool CampiTesta(TDataSet *testa);
    // The tab grid's columns.
    static void ColonneGriglia(KDBGriglia *griglia);
    // Creates the local table and binds the row events (the window's FormCreate).
    void Crea();
    // The stored rows of the head on view, unless already shown (the head's scroll).
    void MostraArchivio();
    // The tab on the working copy filled with the stored rows (modo > 0) or empty.
    void CaricaCopia(int modoSalva);
    // Back to the stored rows; the controls come back and UT_LMQ_StatoCauzDoc clears even on error.
    void TornaArchivio();
    // Posts or cancels a pending edit of the working copy.
    void PostaCopia();
    // The working copy rebuilt from the rows (UT_LMQ_InCopiaDati set around it, cleared also
    // when the build raises), then the charge.
    void Ricostruisci(TDataSet *testa, TDataSet *righe, TDataSet *terza);
    // The build of a save: the rows are posted and read from their local table; the window's
    // rows dataset is not read again, only put back on its first row (rows still being edited
    // take the build above).
    void RicostruisciRighePostate(TDataSet *testa, TXTable *righe, TDataSet *terza);
    // The head's account or destination changed: the working copy built for the old one takes
    // the new one's balances and pending returns (events off), then the charge.
    void CambiaConto();
    bool CopiaVuota() const;
    bool SuCopia() const;
    // The tab follows the head: the stored rows while it browses, the working copy (filled by
    // copia) once it goes into edit.
    void SeguiTesta(const std::function<void()> &copia);
    // Held by a save inside its transaction: the head's post, and a failed save putting the head
    // back in edit, leave the working copy as the user left it. Rilascia follows the head again.
    void Trattieni();
    void Rilascia(const std::function<void()> &copia);
    // While the scope lasts the tab does not follow the head: the caller sets it once after.
    [[nodiscard]] auto Sospeso()
    {
        const bool prima = std::exchange(trattenuto_, true);
        return qScopeGuard([this, prima] { trattenuto_ = prima; });
    }

    // Row events.
    void NewRecord(TDataSet *d);
    void BeforePost(TDataSet *d);
    void AfterPost(TDataSet *d);
    void BeforeDelete(TDataSet *d);
    void IdImballoValidate(TField *f);
    void ValoriChange(TField *f);
    // "&Pareggia".
    void btnUT_LMQ_PareggiaClick();
    // The deposit charge of the document into the head's SpeseImballo.
    void UT_LMQ_CalcoloValoreCauzioni();

private:
    bool InModificaTesta() const;

    bool trattenuto_ = false;
    // The posted rows as the build reads them (RicostruisciRighePostate).
    TXQuery *qRighePostate_ = nullptr;
};
