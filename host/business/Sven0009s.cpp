#include "host/business/Sven0009s.h"

#include "host/business/Sven0002s.h"
#include "host/data/TField.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"

namespace {

const QString SqlTeste = QStringLiteral(
    "SELECT T.*, C.RagioneSociale, C.Indirizzo, C.IdCap, C.Localita, C.IdProvincia, C.PartitaIVA, C.CodiceFiscale, "
    "CF.DsCausale, P.DsPagamento, TT.Importo1 AS TotaleDocumento, TT.Importo2 AS TotaleImponibile, "
    "TT.Importo3 AS TotaleIva, TT.Importo4 AS NettoAPagare\n"
    "FROM FattureCliTeste T\n"
    "LEFT JOIN Clienti C ON C.IdContoTp = T.IdClienteTp AND C.IdConto = T.IdCliente\n"
    "LEFT JOIN CausaliFattCli CF ON CF.IdCausale = T.IdCausale\n"
    "LEFT JOIN Pagamenti P ON P.IdPagamento = T.IdPagamento\n"
    "LEFT JOIN FattureCliTot TT ON TT.KFattCliT = T.KFattCliT AND TT.TipoRecord = 'TOT' AND TT.Progressivo = 1\n"
    "{WHERE XWHERE}\n"
    "{ORDER BY XORDERBY}");

const QString SqlRighe = QStringLiteral(
    "SELECT R.* FROM FattureCliRighe R WHERE R.KFattCliT = :KFattCliT ORDER BY R.NumOrdine, R.KFattCliR");

const QString SqlIva =
    QStringLiteral("SELECT I.Codice AS IdIva, I.Percentuale, I.Importo1 AS Imponibile, I.Importo2 AS Imposta, CI.DsIva "
                   "FROM FattureCliTot I LEFT JOIN CodiciIva CI ON CI.IdIva = I.Codice "
                   "WHERE I.KFattCliT = :KFattCliT AND I.TipoRecord = 'IVA' ORDER BY I.Progressivo");

} // namespace

TfSVen0009s::TfSVen0009s(QObject *owner) : TfKV8ReportB_Docs(owner)
{
    SetNomeDefault(QStringLiteral("Sven0009s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->XSQL = SqlTeste.split(QLatin1Char('\n'));
    qMain->AddCalcField(QStringLiteral("_DsTipoDoc"), ftString, 30);
    qMain->OnCalcFields = [this](TDataSet *d) { qMainCalcFields(d); };
    qMain->AfterScroll = [this](TDataSet *d) { qMainAfterScroll(d); };
    qRighe = new TXQuery(this);
    qRighe->SetName(QStringLiteral("qRighe"));
    qRighe->SQL = QStringList{SqlRighe};
    qIva = new TXQuery(this);
    qIva->SetName(QStringLiteral("qIva"));
    qIva->SQL = QStringList{SqlIva};
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    AggiungiDataSet(QStringLiteral("qRighe"), qRighe);
    AggiungiDataSet(QStringLiteral("qIva"), qIva);
}

TfSVen0009s *TfSVen0009s::Crea(QObject *owner)
{
    return Kv8reportb::XGetReportClass(QStringLiteral("TfSVen0009s"), ClassRef::Of<TfSVen0009s>())
        .CreateAs<TfSVen0009s>(owner);
}

void TfSVen0009s::XRptModuleCreate() {}

void TfSVen0009s::qMainAfterScroll(TDataSet *) {}

void TfSVen0009s::qMainCalcFields(TDataSet *DataSet)
{
    const int tipo = DataSet->FieldByName(QStringLiteral("FlTipoDocumento"))->AsInteger();
    DataSet->FieldByName(QStringLiteral("_DsTipoDoc"))
        ->SetAsString(tipo == 3 || tipo == 12 ? QStringLiteral("NOTA DI CREDITO") : QStringLiteral("FATTURA"));
}

bool TfSVen0009s::InitForm(const TSelezioneDocumenti &selezione)
{
    TSelezioneDocumenti s = selezione;
    s.SoloNonStampati = false; // invoices keep no printed flag
    return Seleziona(SelezioneDocumenti(s, QStringLiteral("T"), QStringLiteral("IdClienteTp"),
                                        QStringLiteral("IdCliente"), DMIDataBases::Instance().Global()));
}

bool TfSVen0009s::InitFormDocumento(int KFattCliT)
{
    return Seleziona(QStringLiteral("T.KFattCliT = %1").arg(KFattCliT));
}

bool TfSVen0009s::Seleziona(const QString &condizione)
{
    if (!creata_) {
        creata_ = true;
        XRptModuleCreate();
    }
    const QString layout = Accompagnatoria ? NomeDefault() + QStringLiteral("_FTAC") : QString();
    InitReport(layout);
    ImpostaQuery(qMain, 0, condizione, QStringLiteral("T.Anno, T.Serie, T.Numero, T.KFattCliT"), layout);
    qMain->Open();
    return !qMain->IsEmpty();
}

void TfSVen0009s::EseguiStampa(bool preview, bool sceltaStampante)
{
    MostraCastelletto(*this, qMain);
    TfKV8ReportB_Docs::EseguiStampa(preview, sceltaStampante);
}
