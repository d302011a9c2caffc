#pragma once
// Master/detail windows with row states: one head row edited through DSMain and its
// navigator, and for each detail table a buffer of rows in the local database, saved onto the
// stored rows in one transaction.
//
// Each detail table is a TLumoBufferRighe with three datasets:
// - qDettaglio, the stored rows of the current head ("SELECT T.*" "FROM T" "WHERE T.K = :K",
//   K the head's key fields, which the detail table carries under the same names), shown by
//   the grid while the head is browsed;
// - the buffer, a table of the local database (the stored columns, Stato, and for every
//   locate field F a column F + "Ori" holding the value the row was loaded with), shown by
//   the grid while the head is edited, filtered on "Stato < 3";
// - a client table on the stored table, used only by the save to find, change, add and
//   delete stored rows.
// Row states: 0 loaded and unchanged (an empty state reads 0), 1 modified, 2 new, 3 deleted
// (hidden by the filter, deleted by the save).
//
// A window declares its head key and its buffers in its constructor and binds the buffer's
// events to its own handlers, which run the window's checks and presets around the rules:
//
//     CampiChiaveTesta = "IdRaggMag";
//     bDettaglio = AggiungiBuffer({"TTDettaglio", "qDettaglio", "TRSDettaglio", "DSDettaglio",
//                                  "LUMO_t_RaggMagR", "LUMO_RaggMagR", "IdRaggMag;IdMagazzino",
//                                  "IdRaggMag = 0", ""});
//     bDettaglio->CampoFuoco = "IdMagazzino";
//     bDettaglio->PannelloRiga = ui->pnRiga;
//     bDettaglio->TTBuffer->OnNewRecord = [this](TDataSet *d) { TTDettaglioNewRecord(d); };
//     ...
//     void TTDettaglioNewRecord(TDataSet *)  { if (bDettaglio->NuovaRiga()) { presets } }
//     void TTDettaglioBeforePost(TDataSet *) { row checks (also while loading); bDettaglio->PrimaDelPost(); }
//     void TTDettaglioBeforeDelete(TDataSet *) { bDettaglio->PrimaDellaCancellazione(); }
//
// The navigator never inserts, edits, deletes or posts the head itself: Insert, Edit and
// Delete load the buffers (InizializzaDati), which put the head into insert or edit; Post
// saves (SalvataggioDati), which writes the rows and then the head.
#include "host/ui/Dbchild.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QVariantList>

#include <functional>

class TFLumoMasterDettaglio;
class TXClientTable;
class TXQuery;
class TXTable;

// Row states of a buffer.
inline constexpr int srInvariata = 0;
inline constexpr int srModificata = 1;
inline constexpr int srNuova = 2;
inline constexpr int srCancellata = 3;

struct TLumoDefinizioneBuffer {
    QString Buffer;          // the buffer dataset ("TTDettaglio")
    QString Query;           // stored rows of the head ("qDettaglio")
    QString Client;          // client table of the save ("TRSDettaglio")
    QString Sorgente;        // data source of the grid and the row controls ("DSDettaglio")
    QString TabellaLocale;   // buffer table in the local database ("LUMO_t_RaggMagR")
    QString TabellaArchivio; // stored table ("LUMO_RaggMagR")
    QString CampiLocate;     // fields that find a stored row ("IdRaggMag;IdMagazzino")
    QString XWhereVuoto;     // empty selection of the client table ("IdRaggMag = 0")
    QString Ordine;          // order of the rows ("A;B"), empty for none
};

class TLumoBufferRighe : public QObject {
    Q_OBJECT
public:
    TLumoBufferRighe(TFLumoMasterDettaglio *finestra, const TLumoDefinizioneBuffer &definizione);

    const TLumoDefinizioneBuffer &Definizione() const { return def_; }

    TXQuery *qDettaglio;
    TXTable *TTBuffer;
    TXClientTable *TRSArchivio;
    TDataSource *DSDettaglio;

    // True while the loading step copies stored rows into the buffer: the rules do nothing.
    bool InCopiaDati = false;
    // Row controls: enabled only while the head is in edit or insert.
    QPointer<QWidget> PannelloRiga;
    // The field focused on a new row.
    QString CampoFuoco;
    // The text of a refused save of the current buffer row whose key is already taken;
    // by default the locate fields' labels and values.
    std::function<QString(TDataSet *riga)> MessaggioDuplicato;

    // ---- the rules, called by the window's buffer handlers
    // New row: state 2, the head's key, focus on CampoFuoco. False while loading (the
    // window then sets no presets either).
    bool NuovaRiga();
    // Before post: a new row the user has not changed is dropped and the post aborted
    // silently (EAbort); a loaded row becomes modified.
    void PrimaDelPost();
    // Before delete: a loaded or modified row is marked deleted and kept (the delete aborted
    // silently); a new row is deleted.
    void PrimaDellaCancellazione();

    // The row state of the buffer's current row.
    int Stato() const;

private:
    friend class TFLumoMasterDettaglio;

    // The grid on the buffer, emptied, ready to load (loading steps 2 and 3).
    void PreparaBuffer();
    // Copies the head's stored rows into the buffer as loaded rows.
    void CaricaRighe();
    // Shows the live rows only.
    void FiltraBuffer();
    // The grid back on the stored rows, read again (the head is browsed again).
    void MostraArchivio();
    // Writes the buffer onto the stored rows of the head (new or modified head).
    void Registra(const QVariantList &chiaveTesta);
    // Deletes every stored row of the head, as stored now (rows another user added too).
    void CancellaArchivio(const QVariantList &chiaveTesta);
    // The client table holding every stored row of the head, as stored now.
    void LeggiArchivio(const QVariantList &chiaveTesta);
    // Deletes the client table's rows at these positions (all found beforehand, so that no
    // search runs between the deletes).
    void CancellaPosizioni(QList<int> posizioni);
    // Finds the stored row of values (on the locate fields); "Errore in lettura movimento"
    // when there is none.
    void TrovaArchivio(const QVariantList &valori);
    // Posts the client row with the head's key in its key fields, naming the row when its key
    // is taken.
    void ScriviArchivio(const QList<TField *> &collegamento, const QVariantList &chiaveTesta);
    QVariantList Valori(TDataSet *dataSet, const QStringList &campi) const;
    QString TestoDuplicato(TDataSet *riga) const;

    TFLumoMasterDettaglio *finestra_;
    TLumoDefinizioneBuffer def_;
    QStringList locate_;
    QStringList originali_;
};

class TFLumoMasterDettaglio : public TFDBChild {
    Q_OBJECT
public:
    explicit TFLumoMasterDettaglio(QWidget *owner = nullptr);

    // 0 new head, 1 modify head, 2 delete head: set when the user starts the operation.
    int TipoOperazione = 0;
    // The head's key fields ("IdRaggMag"); the detail tables carry them under the same names.
    QString CampiChiaveTesta;
    // Fields the user types as the head's code when the key is drawn ("IdListTra"): a new or
    // modified head is not saved without them.
    QString CampiCodiceTesta;

    // A buffer, made with its datasets and data source; in the window's constructor.
    TLumoBufferRighe *AggiungiBuffer(const TLumoDefinizioneBuffer &definizione);
    const QList<TLumoBufferRighe *> &Buffers() const { return buffers_; }
    // The head table (DSMain's dataset).
    TXTable *TabellaTesta() const;
    // The head's key values.
    QVariantList ChiaveTesta() const;

    void FormCreate() override;
    void DSMainStateChange(TDataSource *source) override;
    void DSMainNavClick(TNavigateBtn button, bool &doDefault) override;
    void ChildKeyPress(int &key, TShiftState shift, bool &flag) override;

    // Loads the buffers for TipoOperazione and puts the head into insert or edit; true on
    // success. The key is not used.
    virtual bool InizializzaDati(int chiave);
    // Saves the head and its buffers in one transaction; true when committed.
    virtual bool SalvataggioDati();

protected:
    // The window's checks before the save's question; false stops the save (the check shows
    // its own message).
    virtual bool ControlliRegistrazione() { return true; }
    // Inside the save's transaction: before the first stored row is written or deleted, and
    // after the rows, before the head is posted or deleted.
    virtual void PrimaDelleRighe() {}
    virtual void DopoLeRighe() {}
    // Focus on the head's code field.
    virtual void FuocoCodiceTesta();
    // The text of a new head whose key is already taken.
    virtual QString MessaggioTestaDuplicata() const;

private:
    void ChiaveTestaSolaLettura(bool soloLettura);
    // The head on view read again before it is modified or deleted; false, said to the user,
    // when another user has deleted it meanwhile (the view stays as read).
    bool RileggiTesta();
    // Inside the save: the stored head locked, or the save fails when it is gone.
    void BloccaTesta();
    // The body of the save inside the transaction.
    void Registra();
    void ControllaTestaNuova();

    QList<TLumoBufferRighe *> buffers_;
};
