#include "host/business/Sven0002s.h"

#include "host/data/TField.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace {

const QString SqlTeste = QStringLiteral(
    "SELECT T.*, T.KBolleCliT * 10 + K.NumCopia AS ChiaveStampa, K.NumCopia, C.RagioneSociale, C.Indirizzo, "
    "C.IdCap, C.Localita, C.IdProvincia, C.PartitaIVA, C.IdLingua AS LinguaCliente, CB.DsCausale, "
    "D.RagioneSociale AS DsDestinazione, D.Indirizzo AS IndirizzoDest, D.IdCap AS IdCapDest, "
    "D.Localita AS LocalitaDest, D.IdProvincia AS IdProvinciaDest\n"
    "FROM BolleCliTeste T\n"
    "CROSS JOIN (SELECT 1 AS NumCopia UNION ALL SELECT 2 AS NumCopia) K\n"
    "LEFT JOIN Clienti C ON C.IdContoTp = T.IdClienteTp AND C.IdConto = T.IdCliente\n"
    "LEFT JOIN CausaliBolleCli CB ON CB.IdCausale = T.IdCausale\n"
    "LEFT JOIN Destinazioni D ON D.IdContoTp = T.IdClienteTp AND D.IdConto = T.IdCliente "
    "AND D.IdDestinazione = T.IdDestinazione\n"
    "{WHERE XWHERE}\n"
    "{ORDER BY XORDERBY}");

const QString SqlRighe = QStringLiteral(
    "SELECT R.* FROM BolleCliRighe R WHERE R.KBolleCliT = :KBolleCliT ORDER BY R.NumOrdine, R.KBolleCliR");

const QString Ordine = QStringLiteral("T.Anno, T.Serie, T.Numero, T.KBolleCliT, K.NumCopia");

bool InInglese(const QString &lingua)
{
    static const QStringList codici{QStringLiteral("ENG"), QStringLiteral("EN"), QStringLiteral("ING"),
                                    QStringLiteral("GB")};
    return codici.contains(lingua.trimmed().toUpper());
}

} // namespace

QString SelezioneDocumenti(const TSelezioneDocumenti &s, const QString &alias, const QString &campoContoTp,
                           const QString &campoConto, TXDatabase &db)
{
    QStringList c;
    const QString a = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    if (s.AnnoDa > 0)
        c << QStringLiteral("%1Anno >= %2").arg(a).arg(s.AnnoDa);
    if (s.AnnoA > 0)
        c << QStringLiteral("%1Anno <= %2").arg(a).arg(s.AnnoA);
    if (s.SerieDa >= 0)
        c << QStringLiteral("%1Serie >= %2").arg(a).arg(s.SerieDa);
    if (s.SerieA >= 0)
        c << QStringLiteral("%1Serie <= %2").arg(a).arg(s.SerieA);
    if (s.NumeroDa > 0)
        c << QStringLiteral("%1Numero >= %2").arg(a).arg(s.NumeroDa);
    if (s.NumeroA > 0)
        c << QStringLiteral("%1Numero <= %2").arg(a).arg(s.NumeroA);
    if (!s.DataDa.isNull())
        c << QStringLiteral("%1DataDocumento >= %2").arg(a, db.FormatDataSQL(s.DataDa.date()));
    if (!s.DataA.isNull()) // the whole last day
        c << QStringLiteral("%1DataDocumento < %2").arg(a, db.FormatDataSQL(s.DataA.date().addDays(1)));
    if (!s.IdContoTp.trimmed().isEmpty())
        c << QStringLiteral("%1%2 = %3").arg(a, campoContoTp, XWideQuotedStr(s.IdContoTp.trimmed()));
    if (!s.IdContoDa.trimmed().isEmpty())
        c << QStringLiteral("%1%2 >= %3").arg(a, campoConto, XWideQuotedStr(s.IdContoDa.trimmed()));
    if (!s.IdContoA.trimmed().isEmpty())
        c << QStringLiteral("%1%2 <= %3").arg(a, campoConto, XWideQuotedStr(s.IdContoA.trimmed()));
    if (!s.IdCausaleDa.trimmed().isEmpty())
        c << QStringLiteral("%1IdCausale >= %2").arg(a, XWideQuotedStr(s.IdCausaleDa.trimmed()));
    if (!s.IdCausaleA.trimmed().isEmpty())
        c << QStringLiteral("%1IdCausale <= %2").arg(a, XWideQuotedStr(s.IdCausaleA.trimmed()));
    if (s.SoloNonStampati)
        c << QStringLiteral("%1FlStampato = 0").arg(a);
    return c.join(QStringLiteral(" AND "));
}

void MostraCastelletto(TfKV8ReportB &stampa, TDataSet *testa)
{
    const QString regione = QStringLiteral("rgCastelletto");
    ReportLayout &layout = stampa.Layout();
    if (!layout.Region(regione))
        return;
    if (testa->FindField(QStringLiteral("_UT_DsCauz01"))) {
        stampa.Mostra(regione);
        return;
    }
    for (ReportBand *band : layout.AllBands())
        std::erase_if(band->Items, [&](const std::unique_ptr<ReportItem> &item) {
            return item->Region.compare(regione, Qt::CaseInsensitive) == 0;
        });
}

TSelezioneDocumenti SelezioneDDT(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                                 const QDateTime &DataDa, const QDateTime &DataA, bool FlStBolleNoStampate,
                                 const QString &IdClienteDa, const QString &IdClienteA, const QString &IdContoTp,
                                 const QString &IdCausaleDa, const QString &IdCausaleA)
{
    TSelezioneDocumenti s;
    s.AnnoDa = AnnoDa;
    s.SerieDa = SerieDa;
    s.NumeroDa = NumeroDa;
    s.AnnoA = AnnoA;
    s.SerieA = SerieA;
    s.NumeroA = NumeroA;
    s.DataDa = DataDa;
    s.DataA = DataA;
    s.IdContoTp = IdContoTp;
    s.IdContoDa = IdClienteDa;
    s.IdContoA = IdClienteA;
    s.IdCausaleDa = IdCausaleDa;
    s.IdCausaleA = IdCausaleA;
    s.SoloNonStampati = FlStBolleNoStampate;
    return s;
}

// ---- the delivery-note print's data

TDatiStampaDDT::TDatiStampaDDT(TfKV8ReportB &stampa) : stampa_(stampa)
{
    qMain = new TXQuery(&stampa);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->XSQL = SqlTeste.split(QLatin1Char('\n'));
    qMain->AddCalcField(QStringLiteral("_TitoloDoc"), ftString, 60);
    qMain->AddCalcField(QStringLiteral("_DsCopia"), ftString, 40);
    qRighe = new TXQuery(&stampa);
    qRighe->SetName(QStringLiteral("qRighe"));
    qRighe->SQL = QStringList{SqlRighe};
    stampa.AggiungiDataSet(QStringLiteral("qMain"), qMain);
    stampa.AggiungiDataSet(QStringLiteral("qRighe"), qRighe);
}

bool TDatiStampaDDT::Seleziona(const TSelezioneDocumenti &s, bool FlCopiaDest, bool FlStLingua)
{
    StampaInLingua = FlStLingua;
    CopiaDestinatario = FlCopiaDest;
    TXDatabase &db = DMIDataBases::Instance().Global();
    return Seleziona(
        SelezioneDocumenti(s, QStringLiteral("T"), QStringLiteral("IdClienteTp"), QStringLiteral("IdCliente"), db),
        FlCopiaDest ? 2 : 1);
}

bool TDatiStampaDDT::SelezionaDocumento(int KBolleCliT)
{
    StampaInLingua = false;
    CopiaDestinatario = false;
    return Seleziona(QStringLiteral("T.KBolleCliT = %1").arg(KBolleCliT), 1);
}

bool TDatiStampaDDT::Seleziona(const QString &condizione, int copie)
{
    const QString copia = QStringLiteral("K.NumCopia <= %1").arg(copie);
    stampa_.InitReport();
    stampa_.ImpostaQuery(qMain, 0, condizione.isEmpty() ? copia : condizione + QStringLiteral(" AND ") + copia, Ordine);
    qMain->Open();
    return !qMain->IsEmpty();
}

QList<int> TDatiStampaDDT::Chiavi() const
{
    QList<int> chiavi;
    if (!qMain->Active())
        return chiavi;
    const TBookmark posto = qMain->GetBookmark();
    for (qMain->First(); !qMain->Eof(); qMain->Next()) {
        const int k = qMain->FieldByName(QStringLiteral("KBolleCliT"))->AsInteger();
        if (!chiavi.contains(k))
            chiavi << k;
    }
    if (qMain->BookmarkValid(posto))
        qMain->GotoBookmark(posto);
    return chiavi;
}

void TDatiStampaDDT::CampiCalcolati(TDataSet *DataSet) const
{
    QString lingua = DataSet->FieldByName(QStringLiteral("IdLingua"))->AsString();
    if (lingua.trimmed().isEmpty())
        lingua = DataSet->FieldByName(QStringLiteral("LinguaCliente"))->AsString();
    const bool inglese = StampaInLingua && InInglese(lingua);
    DataSet->FieldByName(QStringLiteral("_TitoloDoc"))
        ->SetAsString(inglese ? QStringLiteral("DELIVERY NOTE") : QStringLiteral("DOCUMENTO DI TRASPORTO"));
    QString copia;
    if (CopiaDestinatario) {
        const bool prima = DataSet->FieldByName(QStringLiteral("NumCopia"))->AsInteger() == 1;
        if (inglese)
            copia = prima ? QStringLiteral("Consignee's copy") : QStringLiteral("Sender's copy");
        else
            copia = prima ? QStringLiteral("Copia per il destinatario") : QStringLiteral("Copia per il mittente");
    }
    DataSet->FieldByName(QStringLiteral("_DsCopia"))->SetAsString(copia);
}

void TDatiStampaDDT::SegnaStampati(const QList<int> &chiavi)
{
    if (chiavi.isEmpty())
        return;
    QStringList elenco;
    for (int k : chiavi)
        elenco << QString::number(k);
    DMIDataBases::Instance().Global().ExecSQL(
        QStringLiteral("UPDATE BolleCliTeste SET FlStampato = 1 WHERE FlStampato = 0 AND KBolleCliT IN (%1)")
            .arg(elenco.join(QLatin1Char(','))));
}

// ---- the host's print

TfSven0002s::TfSven0002s(QObject *owner) : TfKV8ReportB_Docs(owner), dati_(*this)
{
    SetNomeDefault(QStringLiteral("Sven0002s"));
    qMain = dati_.qMain;
    qRighe = dati_.qRighe;
    qMain->OnCalcFields = [this](TDataSet *d) { qMainCalcFields(d); };
}

TfSven0002s *TfSven0002s::Crea(QObject *owner)
{
    return Kv8reportb::XGetReportClass(QStringLiteral("TFSVEN0002S"), ClassRef::Of<TfSven0002s>())
        .CreateAs<TfSven0002s>(owner);
}

bool TfSven0002s::InitForm(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA,
                           const QDateTime &DataDa, const QDateTime &DataA, bool FlCopiaDest, bool FlStLingua,
                           const QString &, bool FlStBolleNoStampate, const QString &IdClienteDa,
                           const QString &IdClienteA, const QString &IdContoTp, bool, int, const QString &,
                           const QString &IdCausaleDa, const QString &IdCausaleA, int)
{
    return dati_.Seleziona(SelezioneDDT(AnnoDa, SerieDa, NumeroDa, AnnoA, SerieA, NumeroA, DataDa, DataA,
                                        FlStBolleNoStampate, IdClienteDa, IdClienteA, IdContoTp, IdCausaleDa,
                                        IdCausaleA),
                           FlCopiaDest, FlStLingua);
}

bool TfSven0002s::InitFormDocumento(int KBolleCliT)
{
    return dati_.SelezionaDocumento(KBolleCliT);
}

QList<int> TfSven0002s::Chiavi() const
{
    return dati_.Chiavi();
}

void TfSven0002s::qMainCalcFields(TDataSet *DataSet)
{
    dati_.CampiCalcolati(DataSet);
}

void TfSven0002s::EseguiStampa(bool preview, bool sceltaStampante)
{
    const QList<int> chiavi = Chiavi();
    MostraCastelletto(*this, qMain);
    TfKV8ReportB_Docs::EseguiStampa(preview, sceltaStampante);
    TDatiStampaDDT::SegnaStampati(chiavi);
}
