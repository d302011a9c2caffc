#pragma once
// The order-line selection dialog (child-dialog registry "TFsven0001f_001"): the open lines
// of the customer's orders for a delivery note or an invoice, in the local table TSelOrdR.
// The user marks lines (FlSelez 1) and may lower the quantity to take (QtaSelez); on OK the
// document appends a row for each marked line (TFDocumento::AccodaRigheDaOrdine).
#include "host/ui/Dlgbase.h"

#include <QSet>
#include <QStringList>

class KDBGriglia;
class QSqlRecord;
class TDataSource;
class TDataSet;
class TFDocumento;
class TField;
class TXMemTable;
class TXQuery;
class TXTable;
namespace Ui {
class Sven0001f_001;
}

class TFSVen0001f_001 : public TfdlgBase {
    Q_OBJECT
public:
    explicit TFSVen0001f_001(QWidget *owner = nullptr);
    ~TFSVen0001f_001() override;

    TXTable *TSelOrdR; // the lines on offer (LocalDatabase)
    TDataSource *DSSelOrdR;
    KDBGriglia *gSelOrdR;
    KDBGriglia *KDBGR;                // the lines' grid (gSelOrdR)
    TFDocumento *Documento = nullptr; // the document the lines go into
    int CodTipoDoc = 0;               // 0 delivery note, 1 invoice
    TXMemTable *TTesteOrdini;         // the orders offered: KOrdiniCliT, RifOrdineS
    TXQuery *QRigheOrdine;            // an order's lines (statement by LeggiRigheDocumento)
    // The command run with KOrdineT before an order's lines are read again: its lines out of
    // TSelOrdR (CancellaDettaglioOrdine does the same for the detail table).
    TXQuery *CmdRigheOrdine;
    // Detail quantities of the lines offered (batches, groups, variants of the order rows):
    // KDettQta, KTesta, KRigo, IdVariante, Gruppo, IdLotto, Stato, Quantita, QuantitaSpe,
    // QuantitaSal, QuantitaAnn, QtaSelez, _QtaDaEvadere, QuantitaSaldoDaRigo.
    TXMemTable *TDettQta;
    TXQuery *QDettTesta;           // the order's stored detail (KTesta)
    TXQuery *QDettRigo;            // an order line's stored detail (KTesta, KRigo)
    QStringList Impronte;          // "KOrdiniCliR=fingerprint" of the lines read
    int ModoValore = 0;            // not 0: orders fulfilled by amount
    bool FlDurataArticoli = false; // the lines read carry the article's FlDurata

    // Fills TSelOrdR with the open lines of the orders of the document's customer: the orders
    // into TTesteOrdini, then each one's lines. False when there is none.
    virtual bool LeggiRigheDocumento(TFDocumento *documento);
    // The lines of one order (on reload the one of TSelOrdR's current line, else the heads'
    // current one) with what is still to ship (ordered less shipped, cancelled and closed, less
    // what the document already took and has not saved). Answers the lines appended.
    virtual int LeggiRigheDocumento(TDataSet *teste, TDataSet *righe, TDataSet *dettaglio, QStringList &impronte,
                                    bool rilettura);
    // Reserves the order for this dialog (false: it cannot be), or tells it is reserved.
    virtual bool PrenotaDocumento(qint64 kOrdiniCliT);
    virtual bool DocumentoPrenotato(qint64 kOrdiniCliT) const;
    // Whether the current order line (righe) of the order (teste) may be offered.
    virtual bool VMTestRigheDaEvadere(TDataSet *teste, TDataSet *righe);
    // An order line missing from TSelOrdR added when it is still open; false otherwise.
    virtual bool InserisciRigoOrdineNoElab(qint64 kOrdiniCliR);
    // The order's records out of the detail table, before its lines are read again.
    virtual void CancellaDettaglioOrdine(qint64 kOrdineT);
    // Whether a detail of the batch or group must pass the batch stock check (a batch given).
    virtual bool CheckControllaGiacenzaDettaglio(const QString &idLotto, const QString &gruppo);
    // The quantity-to-send edit entered: its text selected.
    virtual void edQtaSelezEnter(QObject *sender);
    // Marks the current line (the quantity to take is all that is left) or unmarks it.
    virtual void SelezionaRigo();
    // The document reports a line it carried (modo 0: quantita taken, the line marked carried)
    // or gave back (modo 1). False, shown, when the line is not on offer.
    virtual bool AggiornaRigoOrdine(qint64 kOrdiniCliR, double quantita, int modo);
    // The quantity typed for a line: not negative, not beyond what is left to ship
    // (ControllaQtaDaSpedire); a quantity above 0 marks the line, 0 unmarks it (a line the
    // document took, FlSelez 2, keeps its mark).
    virtual void TSelOrdRQtaSelezValidate(TField *sender);
    // The quantity typed against what the line has left to ship: refused beyond it.
    virtual void ControllaQtaDaSpedire(double quantita);
    // The line's detail quantities after its quantity to send changed from outside the dialog
    // (a bar-code read); the stand-in keeps no detail on the lines.
    virtual void AggiornaDettaglioQta(qint64 kOrdiniCliR, qint64 kOrdiniCliT);
    // Lines marked.
    int RigheSelezionate() const;
    // Orders with lines on offer.
    int ContaOrdini() const;

    void FormCreate() override;
    // OK with a line still being edited: the line is posted first (a refusal keeps the dialog
    // open on it).
    void btOkClick() override;

protected:
    // An order line read (r) appended to righe with the host's working columns.
    void AccodaRigoLetto(TDataSet *righe, const QSqlRecord &r, const QString &rifOrdine, double residua);

private:
    Ui::Sven0001f_001 *ui;
    QSet<qint64> prenotati_;
};

namespace Sven0001f_001 {
// The selection run for a document: the dialog created through its registry, the lines read,
// shown (the document told, SelezioneOrdiniAperta); on OK the marked lines appended to the
// document. Answers the rows appended. The document window's "Righe da ordini..." runs it
// through TFDocumento::Dialoghi().
int SelezionaRigheOrdine(TFDocumento *documento);
} // namespace Sven0001f_001
