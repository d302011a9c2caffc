#include "registers/Qarn0101s.h"

#include "frame/Dusaria.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSet.h"
#include "host/data/TXQuery.h"
#include "host/ui/Forms.h"
#include "registers/Lumo_registri.h"

TFqarn0101s::TFqarn0101s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0101s"));
    // Rows in register order: the numbers never run out of sequence on paper.
    qMain = UT_LMQ_RG_Query(this, QStringLiteral("qMain"), UT_LMQ_RG_DatabaseLavoro(),
                            {QStringLiteral("SELECT * FROM LUMO_t_RegCs"), QStringLiteral("ORDER BY NumeroRiga")});
    // read forward only: the rows of a year go to paper as they come, none is held
    qMain->SetUniDirectional(true);
    qTotRegCs = UT_LMQ_RG_Query(this, QStringLiteral("qTotRegCs"), UT_LMQ_RG_DatabaseLavoro(),
                                {QStringLiteral("SELECT * FROM LUMO_t_RegCsTot")});
    qMovLotti = UT_LMQ_RG_Query(this, QStringLiteral("qMovLotti"), QStringLiteral("GlobalDatabase"),
                                {QStringLiteral("SELECT * FROM DettQtaDoc"), QStringLiteral("WHERE KDettQta = -1")});

    qMain->AddCalcField(QStringLiteral("_RagioneSocialeDitta"), ftString, 50);
    qMain->AddCalcField(QStringLiteral("_DaData"), ftDateTime);
    qMain->AddCalcField(QStringLiteral("_AData"), ftDateTime);
    qMain->AddCalcField(QStringLiteral("_TotaleCarico"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotaleScarico"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_Pagina"), ftInteger);
    qMain->OnCalcFields = [this](TDataSet *d) {
        d->FieldByName(QStringLiteral("_RagioneSocialeDitta"))->SetAsString(CFG.RagioneSociale);
        if (_Tpars) {
            d->FieldByName(QStringLiteral("_DaData"))->SetValue(_Tpars->FieldByName(QStringLiteral("DaData"))->Value());
            d->FieldByName(QStringLiteral("_AData"))->SetValue(_Tpars->FieldByName(QStringLiteral("A_Data"))->Value());
        }
        d->FieldByName(QStringLiteral("_TotaleCarico"))->SetAsFloat(TotaleCarico);
        d->FieldByName(QStringLiteral("_TotaleScarico"))->SetAsFloat(TotaleScarico);
        d->FieldByName(QStringLiteral("_Pagina"))->SetAsInteger(Pagina + 1);
    };
    qMovLotti->AddCalcField(QStringLiteral("_QtaLitri"), ftFloat);
    qMovLotti->OnCalcFields = [this](TDataSet *d) {
        // Lot litres carry no load/unload sign.
        d->FieldByName(QStringLiteral("_QtaLitri"))
            ->SetAsFloat(Funzioni::KRound(d->FieldByName(QStringLiteral("Quantita"))->AsFloat()
                                              * qMain->FieldByName(QStringLiteral("CAPACITA"))->AsFloat(),
                                          2));
    };
    AggiungiDataSet(QStringLiteral("qTotRegCs"), qTotRegCs);
    AggiungiDataSet(QStringLiteral("qMovLotti"), qMovLotti);
    StampaAghi.OnIntestazione = [this](int) { ++Pagina; };
}

void TFqarn0101s::InitForm(TDataSet *parametri)
{
    _Tpars = parametri;
    const bool lotti = parametri && parametri->FieldByName(QStringLiteral("FlLotti"))->AsInteger() == 1;
    if (lotti)
        Funzioni::ImpostaSQLQuery(qMovLotti, QStringLiteral("WHERE"),
                                  QStringLiteral("FlTipoDocumento = 99 AND KRigoDoc = :KRigoDoc"));
    // The lots of each register row, only when asked for: no lot query otherwise.
    OnBeforePrint(QStringLiteral("srLotti"), [this, lotti] {
        SottoReport(QStringLiteral("srLotti"))->Visible = lotti;
        if (!lotti)
            return;
        qMovLotti->Close();
        qMovLotti->ParamByName(QStringLiteral("KRigoDoc"))
            ->SetValue(qMain->FieldByName(QStringLiteral("Kmovmag"))->Value());
        qMovLotti->Open();
    });
}

void TFqarn0101s::EseguiStampa(bool preview, bool sceltaStampante)
{
    if (!StampaSu.Aghi)
        ++Pagina;
    TfKV8ReportB::EseguiStampa(preview, sceltaStampante);
}

void TFqarn0101s::EseguiStampaAghi()
{
    THourGlass clessidra;
    ReportDataSource *righe = Sorgente(qMain);
    ReportDataSource *totali = Sorgente(qTotRegCs);
    UT_LMQ_RG_StampaRighe(qMain, [&] { StampaAghi.StampaRiga(1, righe); });
    StampaAghi.StampaRiga(2, righe);
    StampaAghi.SaltoPagina();
    StampaAghi.StampaRiga(3, righe);
    qTotRegCs->Close();
    qTotRegCs->Open();
    for (; !qTotRegCs->Eof(); qTotRegCs->Next())
        StampaAghi.StampaRiga(4, totali);
    StampaAghi.StampaRiga(5, righe);
}

DUSARIA_CLASSE(TFqarn0101s);
