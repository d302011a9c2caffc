#pragma once
// The delivery-note print (host print name "TFSVEN0002S"): one page or more per note and
// copy, the head with the customer and the destination, the rows (qRighe, reopened per note)
// and the closing block with the deposit summary region rgCastelletto (eight slots, shown
// when the head carries the slot fields _UT_DsCauz01.. of a print that declares them) and
// the totals.
//
// InitForm selects the notes (SelezioneDocumenti) and answers whether any was found; the
// caller then runs EseguiStampa and frees the print. A note delivered to any output counts
// as printed (FlStampato = 1). qMainCalcFields fills the host's calculated fields; a
// subclass runs it first and adds its own.
#include "host/report/TfKV8ReportB.h"

#include <QDateTime>
#include <QList>
#include <QString>

class TDataSet;
class TXDatabase;
class TXQuery;

// A range of documents as the print dialogs give it. Zero bounds of year and number and
// negative bounds of series take every value; empty codes and null dates likewise.
struct TSelezioneDocumenti {
    int AnnoDa = 0, SerieDa = -1, NumeroDa = 0;
    int AnnoA = 0, SerieA = -1, NumeroA = 0;
    QDateTime DataDa, DataA;
    QString IdContoTp;           // "" every type
    QString IdContoDa, IdContoA; // the account range
    QString IdCausaleDa, IdCausaleA;
    bool SoloNonStampati = false; // delivery notes not yet printed
};

// The SQL condition of a range on a document head aliased alias, with the account type and
// account columns named; every value quoted for the engine of db.
QString SelezioneDocumenti(const TSelezioneDocumenti &s, const QString &alias, const QString &campoContoTp,
                           const QString &campoConto, TXDatabase &db);

// Shows the deposit summary region rgCastelletto of the print's layout when the head
// dataset declares the slot fields; otherwise takes the region's items out of the layout in
// use, so that nothing reads fields the head lacks.
void MostraCastelletto(TfKV8ReportB &stampa, TDataSet *testa);

// The selection of a delivery-note print from the arguments of its InitForm.
TSelezioneDocumenti SelezioneDDT(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                                 const QDateTime &DataDa, const QDateTime &DataA, bool FlStBolleNoStampate,
                                 const QString &IdClienteDa, const QString &IdClienteA, const QString &IdContoTp,
                                 const QString &IdCausaleDa = QString(), const QString &IdCausaleA = QString());

// The data of a customer delivery-note print, kept by TfSven0002s and by any print of the
// same notes on a layout of its own: the head query (one record per note and copy), the rows,
// the host's calculated fields, the selection and the printed mark. The queries belong to the
// print and are added to it under "qMain" and "qRighe".
class TDatiStampaDDT {
public:
    explicit TDatiStampaDDT(TfKV8ReportB &stampa);

    TXQuery *qMain;  // heads, one record per note and copy (NumCopia), ChiaveStampa per copy
    TXQuery *qRighe; // rows of a note (:KBolleCliT)

    // Opens qMain on the range, a copy for the consignee too when asked; true when it holds
    // a note.
    bool Seleziona(const TSelezioneDocumenti &s, bool FlCopiaDest, bool FlStLingua);
    bool SelezionaDocumento(int KBolleCliT);
    // _TitoloDoc (in the customer's language when asked), _DsCopia.
    void CampiCalcolati(TDataSet *DataSet) const;
    // The notes selected, in print order.
    QList<int> Chiavi() const;
    // Marks the notes printed (FlStampato = 1).
    static void SegnaStampati(const QList<int> &chiavi);

private:
    bool Seleziona(const QString &condizione, int copie);

    TfKV8ReportB &stampa_;
    bool StampaInLingua = false;
    bool CopiaDestinatario = false;
};

class TfSven0002s : public TfKV8ReportB_Docs {
    Q_OBJECT
public:
    explicit TfSven0002s(QObject *owner = nullptr);
    // The print the host makes: the class registered as "TFSVEN0002S", or this one.
    static TfSven0002s *Crea(QObject *owner);

    TXQuery *qMain;  // heads, one record per note and copy (NumCopia), ChiaveStampa per copy
    TXQuery *qRighe; // rows of a note (:KBolleCliT)

    // Selects the notes; true when there is anything to print. FlArchiviazione,
    // FlTipoStampa, the caller's text and IdTipoReport are accepted and not used.
    virtual bool InitForm(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                          const QDateTime &DataDa, const QDateTime &DataA, bool FlCopiaDest, bool FlStLingua,
                          const QString &IdTipoReport, bool FlStBolleNoStampate, const QString &IdClienteDa,
                          const QString &IdClienteA, const QString &IdContoTp, bool FlArchiviazione, int FlTipoStampa,
                          const QString &Testo, const QString &IdCausaleDa, const QString &IdCausaleA, int Riservato);
    // One stored note (the document window's print); true when it exists.
    virtual bool InitFormDocumento(int KBolleCliT);

    void EseguiStampa(bool preview, bool sceltaStampante = false) override;

    // The notes selected by the last InitForm, in print order.
    QList<int> Chiavi() const;

protected:
    // Host calculated fields: _TitoloDoc (in the customer's language when asked), _DsCopia.
    virtual void qMainCalcFields(TDataSet *DataSet);

private:
    TDatiStampaDDT dati_;
};
