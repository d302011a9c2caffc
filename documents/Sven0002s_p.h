#pragma once
// The module's delivery-note prints: the standard print TfSven0002s_p (registered as
// "TFSVEN0002S" in place of the host's) and its twin for the EU wine accompanying document
// TfSven0002s_mvv (catalogued, not registered). Both print the notes as the host's print
// selects them, with the rows' packages, units and litres and the note's deposit summary
// (type 1: the stored LUMO_CauzDocBoll rows) in eight printed slots.
#include "host/business/Sven0002s.h"

class TfSven0002s_p : public TfKV8ReportB_Docs {
    Q_OBJECT
public:
    explicit TfSven0002s_p(QObject *owner = nullptr);
    // The print the module makes: the class registered in its place, or this one.
    static TfSven0002s_p *Crea(QObject *owner);

    TXQuery *qMain;  // heads with _UT_LMQ_FlStaCau, _UT_LMQ_FlTpStaCau and the deposit slots
    TXQuery *qRighe; // rows of a note

    // Selects the notes of the range; true when there is anything to print. IdTipoReport,
    // FlArchiviazione, FlTipoStampa, the caller's text and the last integer are not used.
    virtual bool InitForm(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                          const QDateTime &DataDa, const QDateTime &DataA, bool FlCopiaDest, bool FlStLingua,
                          const QString &IdTipoReport, bool FlStBolleNoStampate, const QString &IdClienteDa,
                          const QString &IdClienteA, const QString &IdContoTp, bool FlArchiviazione, int FlTipoStampa,
                          const QString &Testo, const QString &IdCausaleDa, const QString &IdCausaleA, int Riservato);
    // One stored note; true when it exists.
    bool InitFormDocumento(int KBolleCliT);

    void EseguiStampa(bool preview, bool sceltaStampante = false) override;

protected:
    // The deposit summary first, then the host's calculated fields.
    virtual void qMainCalcFields(TDataSet *DataSet);
    TDatiStampaDDT Dati;
};

class TfSven0002s_mvv : public TfSven0002s_p {
    Q_OBJECT
public:
    explicit TfSven0002s_mvv(QObject *owner = nullptr);

    // The first eighteen arguments of the standard print's InitForm.
    bool InitForm(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA, const QDateTime &DataDa,
                  const QDateTime &DataA, bool FlCopiaDest, bool FlStLingua, const QString &IdTipoReport,
                  bool FlStBolleNoStampate, const QString &IdClienteDa, const QString &IdClienteA,
                  const QString &IdContoTp, bool FlArchiviazione, int FlTipoStampa, const QString &Testo);
    using TfSven0002s_p::InitForm;
};

// The lookups of a print head on its causal (IdCausale): _UT_LMQ_FlStaCau, _UT_LMQ_FlTpStaCau,
// and _UT_LMQ_FlStaPar when asked; then the deposit slot fields. The causals are read anew.
void UT_LMQ_DVEN_CampiStampaDoc(TDataSet *Testa, TDataSet *Causali, bool Partite = false);
