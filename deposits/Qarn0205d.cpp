#include "deposits/Qarn0205d.h"

#include "ui_Qarn0205d.h"

#include "deposits/Qarn0205s.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "registers/Lumo_registri.h"

#include <memory>

DUSARIA_FINESTRA(TFqarn0205d, Fqarn0205d);

namespace {

constexpr int kRaggruppamento = 1;

} // namespace

TFqarn0205d::TFqarn0205d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0205d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_StaRegCau"));
    tPars->SetUsaDizionario(true);
    ui->edDataUltSta->SetReadOnly(true);
}

TFqarn0205d::~TFqarn0205d()
{
    delete ui;
}

void TFqarn0205d::FormCreate()
{
    TFDBChildPars::FormCreate();
    _TipoRegistro = QStringLiteral("CAUZ");
    UT_LMQ_RG_LeggoProgReg(kRaggruppamento, _TipoRegistro, progInizio_);
    tPars->FieldByName(QStringLiteral("DaData"))->OnValidate = [this](TField *f) { tParsDaDataValidate(f); };
    tPars->FieldByName(QStringLiteral("A_Data"))->OnValidate = [this](TField *f) { tParsA_DataValidate(f); };
    if (!progInizio_.DataUltAgg.isNull())
        tPars->FieldByName(QStringLiteral("DaData"))
            ->SetAsDateTime(QDateTime(progInizio_.DataUltAgg.date().addDays(1), QTime(0, 0)));
    UT_LMQ_RG_MostraProgressivo(tPars, progInizio_, false);
}

void TFqarn0205d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0205d == this)
        Fqarn0205d = nullptr;
}

void TFqarn0205d::tParsDaDataValidate(TField *campo)
{
    const QDateTime ultima = tPars->FieldByName(QStringLiteral("DataUltSta"))->AsDateTime();
    if (!campo->IsNull() && !ultima.isNull() && campo->AsDateTime().date() <= ultima.date()) {
        Kmessages::KMessage(QStringLiteral("Data iniziale non valida"), mtError, mbOK);
        ui->edDaData->setFocus();
    }
}

void TFqarn0205d::tParsA_DataValidate(TField *campo)
{
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    if (!campo->IsNull() && !da.isNull() && campo->AsDateTime().date() < da.date()) {
        Kmessages::KMessage(QStringLiteral("Data finale non corretta"), mtError, mbOK);
        ui->edA_Data->setFocus();
    }
}

QString TFqarn0205d::Selezione() const
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    QString selezione;
    if (!da.isNull())
        selezione += QStringLiteral("LUMO_MovCauT.DataReg >= ") + db.FormatDataSQL(QDateTime(da.date(), QTime(0, 0)))
                     + QStringLiteral(" AND ");
    if (!a.isNull())
        selezione += QStringLiteral("LUMO_MovCauT.DataReg <= ") + db.FormatDataSQL(UT_LMQ_RG_FineGiorno(a))
                     + QStringLiteral(" AND ");
    selezione.chop(5);
    return selezione;
}

void TFqarn0205d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    if (!UT_LMQ_RG_ControllaEsecuzione(kRaggruppamento, tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime(),
                                       tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), nullptr,
                                       ui->edDaData, true))
        return;
    // the progressive the definitive update starts from: another user may have stored a
    // print since the dialog was opened
    UT_LMQ_RG_LeggoProgReg(kRaggruppamento, _TipoRegistro, progInizio_);
    UT_LMQ_RG_MostraProgressivo(tPars, progInizio_, false);
    const QDate da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date();
    std::unique_ptr<Tfqarn0205s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0205s>()).CreateAs<Tfqarn0205s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, 0, Selezione(), QString());
    stampa->StampaSu.Aghi = UT_LMQ_Parametri.FlStaRegCau != 1;
    stampa->EseguiStampa(true);
    if (tPars->FieldByName(QStringLiteral("FlDefinitiva"))->AsInteger() != 1 || !stampa->qMain->Active()
        || stampa->qMain->IsEmpty())
        return;
    if (!progInizio_.DataUltAgg.isNull() && da <= progInizio_.DataUltAgg.date())
        Kmessages::KMessage(QStringLiteral("Data iniziale non valida"), mtError, mbOK); // stored once already
    else if (Kmessages::KMessage(QStringLiteral("Conferma aggiornamento definitivo dei dati stampati "), mtConfirmation,
                                 mbYesNo)
             == mrYes)
        AggiornamentoDati();
}

void TFqarn0205d::AggiornamentoDati()
{
    const QDateTime aData = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    UT_LMQ_RG_AggiornamentoDefinitivo(kRaggruppamento, _TipoRegistro, progInizio_,
                                      [&] { UT_LMQ_RG_ScrivoProgReg(kRaggruppamento, _TipoRegistro, aData, 0); });
}
