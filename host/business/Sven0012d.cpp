#include "host/business/Sven0012d.h"

#include "ui_Sven0012d.h"

#include "host/business/Sven0002s.h"
#include "host/data/TField.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Periodo.h"

#include <memory>

namespace {

const QString SqlElenco = QStringLiteral(
    "SELECT T.KBolleCliT, T.DataDocumento, T.Anno, T.Serie, T.Numero, T.IdCausale, T.IdCliente, T.NumeroColli, "
    "T.TotDocumento, C.RagioneSociale, 1 AS Conta, "
    "(SELECT COUNT(*) FROM BolleCliRighe R WHERE R.KBolleCliT = T.KBolleCliT AND R.FlGenFattura = 0) AS RigheAperte, "
    "(SELECT COUNT(*) FROM BolleCliRighe R WHERE R.KBolleCliT = T.KBolleCliT) AS Righe\n"
    "FROM BolleCliTeste T\n"
    "LEFT JOIN Clienti C ON C.IdContoTp = T.IdClienteTp AND C.IdConto = T.IdCliente\n"
    "{WHERE XWHERE}\n"
    "{ORDER BY XORDERBY}");

} // namespace

TfSVen0012s::TfSVen0012s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Sven0012s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->XSQL = SqlElenco.split(QLatin1Char('\n'));
    qMain->AddCalcField(QStringLiteral("_Fatturato"), ftString, 1);
    qMain->OnCalcFields = [](TDataSet *d) {
        const bool fatturato = d->FieldByName(QStringLiteral("Righe"))->AsInteger() > 0
                               && d->FieldByName(QStringLiteral("RigheAperte"))->AsInteger() == 0;
        d->FieldByName(QStringLiteral("_Fatturato"))->SetAsString(fatturato ? QStringLiteral("F") : QString());
    };
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
}

bool TfSVen0012s::InitForm(const TSelezioneDocumenti &selezione, int fatturati)
{
    QString condizione = SelezioneDocumenti(selezione, QStringLiteral("T"), QStringLiteral("IdClienteTp"),
                                            QStringLiteral("IdCliente"), DMIDataBases::Instance().Global());
    const QString aperte = QStringLiteral(
        "EXISTS (SELECT 1 FROM BolleCliRighe R WHERE R.KBolleCliT = T.KBolleCliT AND R.FlGenFattura = 0)");
    if (fatturati == 1 || fatturati == 2) {
        const QString filtro = fatturati == 1 ? aperte : QStringLiteral("NOT ") + aperte;
        condizione = condizione.isEmpty() ? filtro : condizione + QStringLiteral(" AND ") + filtro;
    }
    InitReport();
    ImpostaQuery(qMain, 0, condizione, QStringLiteral("T.DataDocumento, T.Anno, T.Serie, T.Numero, T.KBolleCliT"));
    qMain->Open();
    return !qMain->IsEmpty();
}

TFSven0012d::TFSven0012d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Sven0012d)
{
    SetupLayout(*ui);
    SetCaption(QStringLiteral("Elenco DDT"));
    tPars->SetTableName(QStringLiteral("sven0012d"));
    tPars->SetUsaDizionario(true);
    SetActiveControl(ui->edDataDa);
}

TFSven0012d::~TFSven0012d()
{
    delete ui;
}

void TFSven0012d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (FSven0012d == this)
        FSven0012d = nullptr;
}

void TFSven0012d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    const auto testo = [this](const char *c) { return tPars->FieldByName(QLatin1String(c))->AsString().trimmed(); };
    TSelezioneDocumenti s;
    s.DataDa = tPars->FieldByName(QStringLiteral("DataDa"))->AsDateTime();
    s.DataA = tPars->FieldByName(QStringLiteral("DataA"))->AsDateTime();
    if (!Funzioni::ControllaPeriodo(s.DataDa, s.DataA))
        return;
    s.IdContoTp = QStringLiteral("CL");
    s.IdContoDa = testo("IdClienteDa");
    s.IdContoA = testo("IdClienteA");
    s.IdCausaleDa = testo("IdCausaleDa");
    s.IdCausaleA = testo("IdCausaleA");
    std::unique_ptr<TfSVen0012s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TfSVen0012s>()).CreateAs<TfSVen0012s>(this));
    if (!stampa->InitForm(s, tPars->FieldByName(QStringLiteral("FlFatturati"))->AsInteger())) {
        Kmessages::KMessage(QStringLiteral("Nessun DDT da elencare con la selezione indicata: modificare i parametri."),
                            mtInformation, mbOK);
        return;
    }
    stampa->EseguiStampa(true);
}
