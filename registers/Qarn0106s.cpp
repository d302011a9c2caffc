#include "registers/Qarn0106s.h"

#include "frame/Dusaria.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSet.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"
#include "host/ui/Forms.h"
#include "registers/Lumo_registri.h"

TFqarn0106s::TFqarn0106s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0106s"));
    qMain = UT_LMQ_RG_Query(this, QStringLiteral("qMain"), UT_LMQ_RG_DatabaseLavoro(),
                            {QStringLiteral("SELECT * FROM LUMO_t_RegImb"), QStringLiteral("ORDER BY NumeroRiga")});
    // read forward only: the rows of a year go to paper as they come, none is held
    qMain->SetUniDirectional(true);
    qMovLotti = UT_LMQ_RG_Query(this, QStringLiteral("qMovLotti"), QStringLiteral("GlobalDatabase"),
                                {QStringLiteral("SELECT * FROM DettQtaDoc"),
                                 QStringLiteral("WHERE FlTipoDocumento = 99 AND KRigoDoc = :KRigoDoc")});
    lkArticoli = new TXlkTable(this);
    lkArticoli->SetName(QStringLiteral("lkArticoli"));
    lkArticoli->SetTableName(QStringLiteral("Articoli"));

    qMain->AddLookupField(QStringLiteral("_IdCategoria"), ftString, 8, lkArticoli, QStringLiteral("IdProdotto"),
                          QStringLiteral("IdProdotto"), QStringLiteral("IdCategoria"));
    qMain->AddCalcField(QStringLiteral("_RagioneSocialeDitta"), ftString, 50);
    qMain->AddCalcField(QStringLiteral("_DaData"), ftDateTime);
    qMain->AddCalcField(QStringLiteral("_AData"), ftDateTime);
    qMain->AddCalcField(QStringLiteral("_TotaleSfuso"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotaleCalo"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotaleImbott"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_NumPagina"), ftInteger);
    qMain->OnCalcFields = [this](TDataSet *d) {
        d->FieldByName(QStringLiteral("_RagioneSocialeDitta"))->SetAsString(CFG.RagioneSociale);
        if (_Tpars) {
            d->FieldByName(QStringLiteral("_DaData"))->SetValue(_Tpars->FieldByName(QStringLiteral("DaData"))->Value());
            d->FieldByName(QStringLiteral("_AData"))->SetValue(_Tpars->FieldByName(QStringLiteral("A_Data"))->Value());
        }
        d->FieldByName(QStringLiteral("_TotaleSfuso"))->SetAsFloat(TotaleSfuso);
        d->FieldByName(QStringLiteral("_TotaleCalo"))->SetAsFloat(TotaleCalo);
        d->FieldByName(QStringLiteral("_TotaleImbott"))->SetAsFloat(TotaleImbott);
        d->FieldByName(QStringLiteral("_NumPagina"))->SetAsInteger(Pagina + 1);
    };
    qMovLotti->AddCalcField(QStringLiteral("_QtaLitri"), ftFloat);
    qMovLotti->OnCalcFields = [this](TDataSet *d) {
        // A bulk row counts its lots in litres already (its capacity stays empty).
        const double perUnita = qMain->FieldByName(QStringLiteral("FlTipArt"))->AsInteger() == 4
                                    ? 1.0
                                    : qMain->FieldByName(QStringLiteral("Capacita"))->AsFloat();
        d->FieldByName(QStringLiteral("_QtaLitri"))
            ->SetAsFloat(Funzioni::KRound(d->FieldByName(QStringLiteral("Quantita"))->AsFloat() * perUnita, 2));
    };
    AggiungiDataSet(QStringLiteral("qMovLotti"), qMovLotti);
    StampaAghi.OnIntestazione = [this](int) { ++Pagina; };

    OnPrint(QStringLiteral("lbPeriodo"), [this](ReportItem &item) {
        if (!_Tpars)
            return;
        const QString formato = KFormati::ShortDateFormat();
        item.Text = QStringLiteral("Dal ")
                    + KFormati::FormatDateTime(formato, _Tpars->FieldByName(QStringLiteral("DaData"))->AsDateTime())
                    + QStringLiteral("   Al ")
                    + KFormati::FormatDateTime(formato, _Tpars->FieldByName(QStringLiteral("A_Data"))->AsDateTime());
    });
    OnPrint(QStringLiteral("lbRaggruppamento"), [this](ReportItem &item) {
        if (_Tpars)
            item.Text = QStringLiteral("Raggr. Magazzino : ")
                        + _Tpars->FieldByName(QStringLiteral("IdRaggMag"))->AsString() + QStringLiteral("  ")
                        + _Tpars->FieldByName(QStringLiteral("_DsRaggMag"))->AsString();
    });
}

void TFqarn0106s::InitForm(TDataSet *parametri, const Dlgselmulti::TSelezioneMultipla &categorie)
{
    _Tpars = parametri;
    categorie_ = categorie;
    const bool lotti = parametri && parametri->FieldByName(QStringLiteral("FlLotti"))->AsInteger() == 1;
    // The lots of each row, only when asked for and, with categories chosen, only for the
    // articles of those categories.
    OnBeforePrint(QStringLiteral("srLotti"), [this, lotti] {
        SottoReport(QStringLiteral("srLotti"))->Visible = lotti;
        if (!lotti)
            return;
        const bool scelta = categorie_.Numero == 0
                            || categorie_.Contiene(qMain->FieldByName(QStringLiteral("_IdCategoria"))->AsString());
        qMovLotti->Close();
        qMovLotti->ParamByName(QStringLiteral("KRigoDoc"))
            ->SetValue(scelta ? qMain->FieldByName(QStringLiteral("Kmovmag"))->Value() : QVariant(-1));
        qMovLotti->Open();
    });
}

void TFqarn0106s::EseguiStampaAghi()
{
    THourGlass clessidra;
    ReportDataSource *righe = Sorgente(qMain);
    Pagina = 1;
    UT_LMQ_RG_StampaRighe(qMain, [&] { StampaAghi.StampaRiga(1, righe); });
    StampaAghi.StampaRiga(2, righe);
    StampaAghi.StampaRiga(3, righe);
}

DUSARIA_CLASSE(TFqarn0106s);
