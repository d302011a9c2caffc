#include "documents/Sven0002s_p.h"

#include "engine/Lumo_funzdocven.h"
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/data/TField.h"
#include "host/data/TXQuery.h"
#include "host/ui/ClassRegistry.h"

DUSARIA_CLASSE(TfSven0002s_p);
DUSARIA_CLASSE(TfSven0002s_mvv);

void UT_LMQ_DVEN_CampiStampaDoc(TDataSet *Testa, TDataSet *Causali, bool Partite)
{
    const QString causale = QStringLiteral("IdCausale");
    QStringList campi{QStringLiteral("UT_LMQ_FlStaCau"), QStringLiteral("UT_LMQ_FlTpStaCau")};
    if (Partite)
        campi << QStringLiteral("UT_LMQ_FlStaPar");
    TDMILUMO::Crea(); // the summary's queries
    // the causals as they stand now
    Causali->Close();
    Causali->Open();
    for (const QString &campo : campi)
        Testa->AddLookupField(QLatin1Char('_') + campo, ftSmallint, 0, Causali, causale, causale, campo);
    UT_LMQ_DVEN_CampiCastelletto(Testa);
}

// ---- standard print

TfSven0002s_p::TfSven0002s_p(QObject *owner) : TfKV8ReportB_Docs(owner), Dati(*this)
{
    SetNomeDefault(QStringLiteral("Sven0002s_p"));
    qMain = Dati.qMain;
    qRighe = Dati.qRighe;
    UT_LMQ_DVEN_CampiStampaDoc(qMain, TDMIBase::Crea()->lkCausBolleCli);
    qMain->OnCalcFields = [this](TDataSet *d) { qMainCalcFields(d); };
}

TfSven0002s_p *TfSven0002s_p::Crea(QObject *owner)
{
    return Kv8reportb::XGetReportClass(ClassRef::Of<TfSven0002s_p>()).CreateAs<TfSven0002s_p>(owner);
}

bool TfSven0002s_p::InitForm(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                             const QDateTime &DataDa, const QDateTime &DataA, bool FlCopiaDest, bool FlStLingua,
                             const QString &, bool FlStBolleNoStampate, const QString &IdClienteDa,
                             const QString &IdClienteA, const QString &IdContoTp, bool, int, const QString &,
                             const QString &IdCausaleDa, const QString &IdCausaleA, int)
{
    return Dati.Seleziona(SelezioneDDT(AnnoDa, SerieDa, NumeroDa, AnnoA, SerieA, NumeroA, DataDa, DataA,
                                       FlStBolleNoStampate, IdClienteDa, IdClienteA, IdContoTp, IdCausaleDa,
                                       IdCausaleA),
                          FlCopiaDest, FlStLingua);
}

bool TfSven0002s_p::InitFormDocumento(int KBolleCliT)
{
    return Dati.SelezionaDocumento(KBolleCliT);
}

void TfSven0002s_p::qMainCalcFields(TDataSet *DataSet)
{
    UT_LMQ_DVEN_StampaCastelletto(DataSet, 1);
    Dati.CampiCalcolati(DataSet);
}

void TfSven0002s_p::EseguiStampa(bool preview, bool sceltaStampante)
{
    const QList<int> chiavi = Dati.Chiavi();
    MostraCastelletto(*this, qMain);
    TfKV8ReportB_Docs::EseguiStampa(preview, sceltaStampante);
    TDatiStampaDDT::SegnaStampati(chiavi);
}

// ---- EU wine accompanying document

TfSven0002s_mvv::TfSven0002s_mvv(QObject *owner) : TfSven0002s_p(owner)
{
    SetNomeDefault(QStringLiteral("Sven0002s_mvv"));
}

bool TfSven0002s_mvv::InitForm(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                               const QDateTime &DataDa, const QDateTime &DataA, bool FlCopiaDest, bool FlStLingua,
                               const QString &IdTipoReport, bool FlStBolleNoStampate, const QString &IdClienteDa,
                               const QString &IdClienteA, const QString &IdContoTp, bool FlArchiviazione,
                               int FlTipoStampa, const QString &Testo)
{
    return TfSven0002s_p::InitForm(AnnoDa, SerieDa, NumeroDa, AnnoA, SerieA, NumeroA, DataDa, DataA, FlCopiaDest,
                                   FlStLingua, IdTipoReport, FlStBolleNoStampate, IdClienteDa, IdClienteA, IdContoTp,
                                   FlArchiviazione, FlTipoStampa, Testo, QString(), QString(), 0);
}
