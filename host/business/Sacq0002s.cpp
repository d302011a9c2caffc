#include "host/business/Sacq0002s.h"

#include "host/business/Sven0002s.h"
#include "host/core/KFormati.h"
#include "host/data/TField.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"

namespace {

const QString SqlTeste = QStringLiteral(
    "SELECT T.*, F.RagioneSociale, F.Indirizzo, F.IdCap, F.Localita, F.IdProvincia, F.PartitaIVA, CB.DsCausale\n"
    "FROM BolleForTeste T\n"
    "LEFT JOIN Fornitori F ON F.IdContoTp = T.IdFornitoreTp AND F.IdConto = T.IdFornitore\n"
    "LEFT JOIN CausaliBolleFor CB ON CB.IdCausale = T.IdCausale\n"
    "{WHERE XWHERE}\n"
    "{ORDER BY XORDERBY}");

const QString SqlRighe = QStringLiteral(
    "SELECT R.* FROM BolleForRighe R WHERE R.KBolleForT = :KBolleForT ORDER BY R.NumOrdine, R.KBolleForR");

} // namespace

TfSAcq0002s::TfSAcq0002s(QObject *owner) : TfKV8ReportB_Docs(owner)
{
    SetNomeDefault(QStringLiteral("Sacq0002s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->XSQL = SqlTeste.split(QLatin1Char('\n'));
    qMain->AddCalcField(QStringLiteral("_RifEsterno"), ftString, 60);
    qMain->OnCalcFields = [this](TDataSet *d) { qMainCalcFields(d); };
    qRighe = new TXQuery(this);
    qRighe->SetName(QStringLiteral("qRighe"));
    qRighe->SQL = QStringList{SqlRighe};
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    AggiungiDataSet(QStringLiteral("qRighe"), qRighe);
}

TfSAcq0002s *TfSAcq0002s::Crea(QObject *owner)
{
    return Kv8reportb::XGetReportClass(QStringLiteral("TFSacq0002s"), ClassRef::Of<TfSAcq0002s>())
        .CreateAs<TfSAcq0002s>(owner);
}

void TfSAcq0002s::qMainCalcFields(TDataSet *DataSet)
{
    const QString numero = DataSet->FieldByName(QStringLiteral("NumDocEsterno"))->AsString().trimmed();
    const QDateTime data = DataSet->FieldByName(QStringLiteral("DataDocEsterno"))->AsDateTime();
    QString rif;
    if (!numero.isEmpty()) {
        rif = QStringLiteral("Vs. DDT n. ") + numero;
        if (!data.isNull())
            rif += QStringLiteral(" del ") + KFormati::FormatDateTime(QStringLiteral("dd/mm/yyyy"), data);
    }
    DataSet->FieldByName(QStringLiteral("_RifEsterno"))->SetAsString(rif);
}

bool TfSAcq0002s::InitForm(const TSelezioneDocumenti &selezione)
{
    TSelezioneDocumenti s = selezione;
    s.SoloNonStampati = false;
    return Seleziona(SelezioneDocumenti(s, QStringLiteral("T"), QStringLiteral("IdFornitoreTp"),
                                        QStringLiteral("IdFornitore"), DMIDataBases::Instance().Global()));
}

bool TfSAcq0002s::InitFormDocumento(int KBolleForT)
{
    return Seleziona(QStringLiteral("T.KBolleForT = %1").arg(KBolleForT));
}

bool TfSAcq0002s::Seleziona(const QString &condizione)
{
    InitReport();
    ImpostaQuery(qMain, 0, condizione, QStringLiteral("T.Anno, T.Serie, T.Numero, T.KBolleForT"));
    qMain->Open();
    return !qMain->IsEmpty();
}

void TfSAcq0002s::EseguiStampa(bool preview, bool sceltaStampante)
{
    MostraCastelletto(*this, qMain);
    TfKV8ReportB_Docs::EseguiStampa(preview, sceltaStampante);
}
