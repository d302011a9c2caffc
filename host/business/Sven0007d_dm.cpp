#include "host/business/Sven0007d_dm.h"

#include "host/business/Dmibase.h"
#include "host/business/Tipirigo.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/ClassRegistry.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"

#include <QScopeGuard>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace Funzioni;

namespace {

// Head columns an invoice takes from the delivery note that opens it.
const char *const kTestaDaBolla[] = {
    "IdClienteTp",     "IdCliente",     "IdDestinazione",  "IdDivisa",          "Cambio",
    "DataCambio",      "IdPagamento",   "IdListino",       "Sconto1",           "Sconto2",
    "Sconto3",         "Sconto4",       "Sconto5",         "ScontoPagamento",   "SpeseTrasporto",
    "SpeseImballo",    "SpeseVarie",    "SpeseArt15",      "IdAgente1",         "Provvigione1",
    "IdAgente2",       "Provvigione2",  "FlSpeseIncasso",  "FlSpeseBolli",      "FlSpeseBolliEse",
    "IdEsclusione",    "FlScadVariate", "FlDurata",        "FlTipoRDA",         "FlScorporo",
    "FlIvaManodopera", "IdCausaleCont", "FlTipoEmissione", "FlFatturaXML",      "FlFatturaCEE",
    "IdEsenzione",     "IdConto",       "FlSoggettoRdA",   "IdDestinazioneAmm", "IdClienteFatt",
    "FlRaggFattura",   "NumeroColli",   "IdSpedizione1",   "IdSpedizione2",     "IdZona",
    "IdTipoTrasporto", "IdPorto",       "PesoLordo",       "PesoNetto",         "TotaleVolume",
    "IdLingua",        "IdBanca",       "IdAgenzia",       "Referente"};

// Head columns added up when a delivery note joins an invoice.
const char *const kTestaSomme[] = {"SpeseTrasporto", "SpeseImballo", "SpeseVarie", "SpeseArt15",
                                   "NumeroColli",    "PesoLordo",    "PesoNetto",  "TotaleVolume"};

// Row columns that must be equal for two delivery-note rows to join in one invoice row.
const char *const kRaggruppamentoRighe[] = {
    "IdProdotto",   "TipoRigo",          "Descrizione", "IdUM",       "IdIva",       "Quantita2",      "Prezzo",
    "Provvigione1", "Provvigione2",      "Sconto1",     "Sconto2",    "Sconto3",     "Sconto4",        "Sconto5",
    "IdProgetto",   "IdStagione",        "INIdTariffa", "INFattConv", "INMassaNUni", "PercManodopera", "FlPrezzoForf",
    "IdListino",    "IdTipoRiferimento", "RifRigoDoc"};

// "DDT " causal-number " del " date of the delivery-note head current in d.
QString Etichetta(TDataSet *d)
{
    return QStringLiteral("DDT ") + d->FieldByName(QStringLiteral("IdCausale"))->AsString().trimmed() + QLatin1Char('-')
           + d->FieldByName(QStringLiteral("Numero"))->AsString() + QStringLiteral(" del ")
           + Funzioni::DataToStringa(d->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime());
}

void Copia(TDataSet *destinazione, TDataSet *origine, const QString &campo)
{
    TField *da = origine->FindField(campo);
    TField *a = destinazione->FindField(campo);
    if (da && a)
        a->SetValue(da->Value());
}

// The field's text as TField::AsString gives it, read once: texts and whole numbers as they
// are, a whole float number without formatting it as a float (the same digits).
void AggiungiTesto(QString &testo, const TField *campo)
{
    const QVariant v = campo->Value();
    if (v.isNull())
        return;
    const TFieldType tipo = campo->DataType();
    const int valore = v.metaType().id();
    if (tipo == ftFloat) {
        if (valore == QMetaType::Double) {
            const double d = *static_cast<const double *>(v.constData());
            if (std::fabs(d) < 1e15 && d == std::trunc(d) && !std::signbit(d)) {
                testo += QString::number(static_cast<qint64>(d));
                return;
            }
        }
    } else if (tipo != ftDate && tipo != ftDateTime && tipo != ftTime && tipo != ftBoolean) {
        if (valore == QMetaType::QString) {
            testo += *static_cast<const QString *>(v.constData());
            return;
        }
        if (valore == QMetaType::Int || valore == QMetaType::LongLong) {
            testo += QString::number(v.toLongLong());
            return;
        }
    }
    testo += campo->AsString();
}

// A table of the run on the company database, or its local work copy in a provisional run.
void Imposta(TXClientTable *t, bool provvisoria, const QString &tabella, const QString &locale, const QString &chiave)
{
    t->Close();
    if (provvisoria) {
        t->SetDatabaseName(QStringLiteral("LocalDatabase"));
        t->SetTableName(locale);
        t->SetTabellaOrigine(tabella);
        t->CreaTabella();
    } else {
        t->SetDatabaseName(QStringLiteral("GlobalDatabase"));
        t->SetTableName(tabella);
        t->SetTabellaOrigine(QString());
    }
    t->SetKeyFields(chiave);
    t->SetXWhereVuoto(chiave.section(QLatin1Char(';'), 0, 0) + QStringLiteral(" = -1"));
    t->Open();
}

} // namespace

TfSVen0007d_DM::TfSVen0007d_DM(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("fSVen0007d_DM"));
    tFattureT = Create<TXClientTable>(QStringLiteral("tFattureT"));
    tFattureR = Create<TXClientTable>(QStringLiteral("tFattureR"));
    tFattureTot = Create<TXClientTable>(QStringLiteral("tFattureTot"));
    for (TXClientTable *t : {tFattureT, tFattureR, tFattureTot}) {
        t->SetUsaDizionario(true);
        // in a definitive run the invoices reach the database in multi-row statements before the commit
        t->SetDeferredWrites(true);
    }
    qFattureR = Create<TXQuery>(QStringLiteral("qFattureR"));
    tTotali1 = Create<TXMemTable>(QStringLiteral("tTotali1"));
    tTotali2 = Create<TXMemTable>(QStringLiteral("tTotali2"));
    for (TXMemTable *t : {tTotali1, tTotali2}) {
        t->SetTableName(QStringLiteral("t_FattCliTot"));
        t->SetUsaDizionario(true);
        t->SetKeepRecords(false);
    }
    qSelBolle = Create<TXQuery>(QStringLiteral("qSelBolle"));
    qBollaT = Create<TXQuery>(QStringLiteral("qBollaT"));
    qBollaT->SQL << QStringLiteral("SELECT *") << QStringLiteral("FROM BolleCliTeste")
                 << QStringLiteral("WHERE KBolleCliT = :KBolleCliT");
    qBollaR = Create<TXQuery>(QStringLiteral("qBollaR"));
    qBollaR->SQL << QStringLiteral("SELECT *") << QStringLiteral("FROM BolleCliRighe")
                 << QStringLiteral("WHERE KBolleCliT = :KBolleCliT")
                 << QStringLiteral("ORDER BY NumOrdine, KBolleCliR");
    qRigheBolla = Create<TXQuery>(QStringLiteral("qRigheBolla"));
    tDettQta = Create<TXClientTable>(QStringLiteral("tDettQta"));
    tScadenze = Create<TXClientTable>(QStringLiteral("tScadenze"));
    tScadenze->SetTableName(QStringLiteral("BolleCliTot"));
    tScadenze->SetXWhereVuoto(QStringLiteral("KBolleCliT = -1"));
}

TfSVen0007d_DM::~TfSVen0007d_DM() = default;

TfSVen0007d_DM *TfSVen0007d_DM::Crea(QObject *owner)
{
    const ClassRef classe = Kv8datamodule::XGetDataModuleClass(ClassRef::Of<TfSVen0007d_DM>());
    return classe.CreateAs<TfSVen0007d_DM>(owner);
}

void TfSVen0007d_DM::Genera()
{
    XInitGenerazione();
    InternalGenerazioneFatture();
}

// ---- the run

void TfSVen0007d_DM::XInitGenerazione()
{
    Messaggi.clear();
    FattureGenerate.clear();
    FattureBolle.clear();
    DocumentoCorrente.clear();
    KFatturaCorrente = 0;
    FormatiNumero.DecQuantita = KFormati::GetDecimali(KFormati::fnQuantita);
    FormatiNumero.DecPrezzo = KFormati::GetDecimali(KFormati::fnPrezzoIT);
    FormatiNumero.DecValore = KFormati::GetDecimali(KFormati::fnValoreES);
    FormatiNumero.DecValoreIT = KFormati::GetDecimali(KFormati::fnValoreIT);
    FlScadenzeDdt = KV8Config::Value(QStringLiteral("FSVEN07"), QStringLiteral("FlScadenzeDdt")).toInt() == 1;
}

void TfSVen0007d_DM::InternalGenerazioneFatture()
{
    if (Parametri.DataFattura.isNull())
        throw Exception(QStringLiteral("Data delle fatture non impostata: indicarla prima di generare."));
    if (!TDMIBase::Posiziona(TDMIBase::Crea()->lkCausFattCli, QStringLiteral("IdCausale"),
                             {Parametri.IdCausale.trimmed()}))
        throw Exception(
            QStringLiteral("La causale fatture <%1> non esiste: sceglierne una tra le causali delle fatture "
                           "clienti.")
                .arg(Parametri.IdCausale.trimmed()));
    PreparaTabelle();
    const bool definitiva = Parametri.FlProvvisoria != 1;
    if (definitiva)
        PrendiBolle();
    ApriSelezione();
    if (definitiva) {
        SegnalaBollePrese();
        kv8data::CheckPoint(QStringLiteral("fatture"));
    }
    // a run that fails ends the counter's deferred write too (the caller rolls back)
    auto numerazione = qScopeGuard([this] {
        try {
            ChiudiNumerazione();
        } catch (const std::exception &e) {
            qWarning("kv8: contatore fatture non scritto: %s", e.what());
        }
    });
    QString chiave;
    bool aperta = false;
    int progressivo = 0;
    int bolla = 0;
    TField *kBolla = qSelBolle->FieldByName(QStringLiteral("KBolleCliT"));
    for (qSelBolle->First(); !qSelBolle->Eof(); qSelBolle->Next()) {
        if (definitiva && !bollePrese_.contains(kBolla->AsLargeInt()))
            continue; // saved after the run took its notes: left to the next run
        DocumentoCorrente = EtichettaBolla();
        const QString k = ChiaveRaggruppamento();
        if (!aperta || k != chiave) {
            chiave = k;
            raggruppa_ = !k.contains(QLatin1Char('#'));
            bolla = 1;
            aperta = GeneraNuovaFattura(raggruppa_, ++progressivo);
            if (!aperta)
                continue;
        } else {
            ++bolla;
            AggiornaTestaFattura();
        }
        GeneraRighe(raggruppa_, bolla);
    }
    numerazione.dismiss();
    ChiudiNumerazione();
    FineBolle();
    qSelBolle->Close();
    qRigheBolla->Close();
    SegnaRigheBolle();
    CalcolaTotaliFatture();
}

void TfSVen0007d_DM::PreparaTabelle()
{
    const bool provvisoria = Parametri.FlProvvisoria == 1;
    righeLette_ = false;
    righeFatturate_.clear();
    valoriBolli_.clear();
    righePagamenti_.clear();
    Imposta(tFattureT, provvisoria, QStringLiteral("FattureCliTeste"), QStringLiteral("t_FattureCliT"),
            QStringLiteral("KFattCliT"));
    Imposta(tFattureR, provvisoria, QStringLiteral("FattureCliRighe"), QStringLiteral("t_FattureCliR"),
            QStringLiteral("KFattCliR"));
    Imposta(tFattureTot, provvisoria, QStringLiteral("FattureCliTot"), QStringLiteral("t_FattureCliTot"),
            QStringLiteral("KFattCliT;TipoRecord;Progressivo"));
    Imposta(tDettQta, provvisoria, QStringLiteral("DettQtaDoc"), QStringLiteral("t_DettQtaDoc"),
            QStringLiteral("KDettQta"));
    TCampiRigoDoc &c = campiRigoDoc_;
    const auto rigo = [this](const char *campo) { return tFattureR->FieldByName(QLatin1String(campo)); };
    const auto testa = [this](const char *campo) { return tFattureT->FieldByName(QLatin1String(campo)); };
    c.Quantita = rigo("Quantita");
    c.Prezzo = rigo("Prezzo");
    c.FlPrezzoForf = rigo("FlPrezzoForf");
    c.KFattCliT = rigo("KFattCliT");
    c.KFattCliR = rigo("KFattCliR");
    c.IdProdotto = rigo("IdProdotto");
    for (int k = 0; k < 5; ++k) {
        const QString sconto = QStringLiteral("Sconto") + QString::number(k + 1);
        c.Sconto[k] = tFattureR->FieldByName(sconto);
        c.ScontoTesta[k] = tFattureT->FieldByName(sconto);
    }
    c.ScontoPagamento = testa("ScontoPagamento");
    c.IdDivisa = testa("IdDivisa");
    c.Cambio = testa("Cambio");
    c.DataDocumento = testa("DataDocumento");
    const char *const importi[] = {"ImportoLordo",  "ImportoNetto",  "ImportoNN",
                                   "ControvaloreL", "ControvaloreN", "ControvaloreNN"};
    for (int modo = 0; modo < 6; ++modo)
        c.Importi[modo] = rigo(importi[modo]);
    qFattureR->Close();
    qFattureR->SetDatabaseName(tFattureR->DatabaseName());
    qFattureR->SQL = {QStringLiteral("SELECT *"), QStringLiteral("FROM ") + tFattureR->TableName(),
                      QStringLiteral("WHERE KFattCliT = :KFattCliT"), QStringLiteral("ORDER BY NumOrdine")};
    CheckTabOpen(tScadenze);
}

QStringList TfSVen0007d_DM::CondizioniRighe(const QString &r, const QString &a) const
{
    QStringList sql{r + QStringLiteral(".FlGenFattura = 0")};
    const int conai1 = KV8Config::GetFSCON01().TipoRigoCONAI1;
    const int conai2 = KV8Config::GetFSCON01().TipoRigoCONAI2;
    const int raee = KV8Config::GetFBBAS08().TipoRigoRAEE;
    for (int tipo : {conai1, conai2, raee})
        if (tipo >= 0)
            sql << QStringLiteral("AND %1.TipoRigo <> %2").arg(r).arg(tipo);
    if (Parametri.FiltroDurata >= 0)
        sql << QStringLiteral("AND ISNULL(%1.FlDurata, 0) = %2").arg(a).arg(Parametri.FiltroDurata);
    return sql;
}

QString TfSVen0007d_DM::ArticoliRighe(const QString &r, const QString &a) const
{
    return Parametri.FiltroDurata >= 0
               ? QStringLiteral("LEFT JOIN Articoli %1 ON %1.IdProdotto = %2.IdProdotto").arg(a, r)
               : QString();
}

QStringList TfSVen0007d_DM::CondizioniSelezione() const
{
    // a note with a row the run would invoice: never an invoice without rows
    QStringList sql{QStringLiteral("EXISTS (SELECT 1 FROM BolleCliRighe RB %1 WHERE RB.KBolleCliT = T.KBolleCliT AND")
                        .arg(ArticoliRighe(QStringLiteral("RB"), QStringLiteral("AB")))};
    sql << CondizioniRighe(QStringLiteral("RB"), QStringLiteral("AB")) << QStringLiteral(")");
    if (!Parametri.DataDa.isNull())
        sql << QStringLiteral("AND T.DataDocumento >= :DataDa");
    if (!Parametri.DataA.isNull())
        sql << QStringLiteral("AND T.DataDocumento < :DataA");
    if (!Parametri.ClienteDa.trimmed().isEmpty())
        sql << QStringLiteral("AND T.IdCliente >= :ClienteDa");
    if (!Parametri.ClienteA.trimmed().isEmpty())
        sql << QStringLiteral("AND T.IdCliente <= :ClienteA");
    if (!Parametri.IdCausaleBolla.trimmed().isEmpty())
        sql << QStringLiteral("AND T.IdCausale = :IdCausaleBolla");
    return sql;
}

void TfSVen0007d_DM::ParametriSelezione(TXQuery *q) const
{
    if (!Parametri.DataDa.isNull())
        q->ParamByName(QStringLiteral("DataDa"))->SetAsDateTime(QDateTime(Parametri.DataDa.date(), QTime(0, 0)));
    if (!Parametri.DataA.isNull())
        q->ParamByName(QStringLiteral("DataA"))
            ->SetAsDateTime(QDateTime(Parametri.DataA.date().addDays(1), QTime(0, 0)));
    if (!Parametri.ClienteDa.trimmed().isEmpty())
        q->ParamByName(QStringLiteral("ClienteDa"))->SetAsString(Parametri.ClienteDa.trimmed());
    if (!Parametri.ClienteA.trimmed().isEmpty())
        q->ParamByName(QStringLiteral("ClienteA"))->SetAsString(Parametri.ClienteA.trimmed());
    if (!Parametri.IdCausaleBolla.trimmed().isEmpty())
        q->ParamByName(QStringLiteral("IdCausaleBolla"))->SetAsString(Parametri.IdCausaleBolla.trimmed());
}

void TfSVen0007d_DM::PrendiBolle()
{
    // the heads read locked in key order (two runs never wait for each other crosswise): a
    // run that took them first is waited for, and the selection read next sees what it left
    TXDatabase &db = DMIDataBases::Instance().Global();
    TXQuery q;
    q.SQL = QStringList{QStringLiteral("SELECT T.KBolleCliT, T.IdCausale, T.Numero, T.DataDocumento"),
                        QStringLiteral("FROM BolleCliTeste T"), QStringLiteral("WHERE")}
            + CondizioniSelezione() + QStringList{QStringLiteral("ORDER BY T.KBolleCliT")};
    if (db.IsPostgres() && db.InTransaction())
        q.SQL << QStringLiteral("FOR UPDATE OF T");
    ParametriSelezione(&q);
    q.Open();
    bollePrese_.clear();
    for (q.First(); !q.Eof(); q.Next())
        bollePrese_.insert(q.FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt(), Etichetta(&q));
    q.Close();
}

void TfSVen0007d_DM::SegnalaBollePrese()
{
    QSet<qint64> selezionate;
    TField *k = qSelBolle->FieldByName(QStringLiteral("KBolleCliT"));
    for (qSelBolle->First(); !qSelBolle->Eof(); qSelBolle->Next())
        selezionate.insert(k->AsLargeInt());
    QList<qint64> prese;
    for (auto it = bollePrese_.cbegin(); it != bollePrese_.cend(); ++it)
        if (!selezionate.contains(it.key()))
            prese << it.key();
    std::sort(prese.begin(), prese.end());
    for (qint64 bolla : std::as_const(prese))
        Messaggi << QStringLiteral("{U}") + bollePrese_.take(bolla)
                        + QStringLiteral(": fatturato da un altro utente durante la generazione");
}

void TfSVen0007d_DM::ApriSelezione()
{
    QStringList sql{QStringLiteral("SELECT T.*"), QStringLiteral("FROM BolleCliTeste T"), QStringLiteral("WHERE")};
    sql << CondizioniSelezione();
    sql << QStringLiteral("ORDER BY T.IdClienteTp, T.IdCliente, T.IdDivisa, T.IdPagamento, T.IdDestinazione, "
                          "T.IdCausale, T.DataDocumento, T.Numero, T.KBolleCliT");
    qSelBolle->Close();
    qSelBolle->SQL = sql;
    ParametriSelezione(qSelBolle);
    qSelBolle->Open();
    campiSommaTestaLetti_ = false;
}

QString TfSVen0007d_DM::ChiaveRaggruppamento() const
{
    const auto testo = [this](const char *campo) {
        return qSelBolle->FieldByName(QLatin1String(campo))->AsString().trimmed();
    };
    const int modo = Parametri.Raggruppamento;
    QString chiave = testo("IdClienteTp") + QLatin1Char('|') + testo("IdCliente") + QLatin1Char('|') + testo("IdDivisa")
                     + QLatin1Char('|') + testo("IdPagamento");
    if (modo == 2 || modo == 4 || modo == 6)
        chiave += QLatin1Char('|') + testo("IdDestinazione");
    if (modo == 5 || modo == 6)
        chiave += QLatin1Char('|') + testo("IdCausale");
    TDMIBase *dm = TDMIBase::Crea();
    const bool raggruppa = modo != 1
                           && TDMIBase::Posiziona(dm->lkClienti, QStringLiteral("IdContoTp;IdConto"),
                                                  {testo("IdClienteTp"), testo("IdCliente")})
                           && dm->lkClienti->FieldByName(QStringLiteral("FlRaggFattura"))->AsInteger() != 0;
    if (!raggruppa)
        chiave += QLatin1Char('#') + testo("KBolleCliT"); // an invoice of its own
    return chiave;
}

QString TfSVen0007d_DM::EtichettaBolla() const
{
    return Etichetta(qSelBolle);
}

bool TfSVen0007d_DM::GeneraNuovaFattura(bool, int Progressivo)
{
    TDMIBase *dm = TDMIBase::Crea();
    TXlkTable *causale = dm->lkCausFattCli;
    TDMIBase::Posiziona(causale, QStringLiteral("IdCausale"), {Parametri.IdCausale.trimmed()});
    const QDateTime data = Parametri.DataFattura;
    const int anno = GetAnno(data);
    const int serie = causale->FieldByName(QStringLiteral("SerieRegistro"))->AsInteger();
    TDataSet *t = tFattureT;
    t->Append();
    for (const char *campo : kTestaDaBolla)
        Copia(t, qSelBolle, QLatin1String(campo));
    t->FieldByName(QStringLiteral("IdCausale"))->SetAsString(Parametri.IdCausale.trimmed());
    t->FieldByName(QStringLiteral("Anno"))->SetAsInteger(anno);
    t->FieldByName(QStringLiteral("Serie"))->SetAsInteger(serie);
    t->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(data);
    t->FieldByName(QStringLiteral("DataPagamento"))->SetAsDateTime(data);
    t->FieldByName(QStringLiteral("FlTipoDocumento"))
        ->SetAsInteger(causale->FieldByName(QStringLiteral("FlTipoDocumento"))->AsInteger());
    t->FieldByName(QStringLiteral("Mese"))->SetAsInteger(data.date().month());
    t->FieldByName(QStringLiteral("AnnoCompIVA"))->SetAsInteger(anno);
    t->FieldByName(QStringLiteral("MeseCompIVA"))->SetAsInteger(data.date().month());
    t->FieldByName(QStringLiteral("IdOperatore"))->SetAsString(gUtente.IdUtente);
    const qint64 chiave = t->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    int numero = Progressivo; // a provisional run numbers its invoices from 1
    if (Parametri.FlProvvisoria != 1) {
        const int registro = causale->FieldByName(QStringLiteral("FlTipoRegistro"))->AsInteger();
        if (!GetNumeroFattura(dm->ProtIVA, anno, serie, registro, numero, data)
            || !NumeraFattura(anno, serie, registro, numero, data, chiave)) {
            t->Cancel();
            Messaggi << QStringLiteral("{B}") + DocumentoCorrente
                            + QStringLiteral(": Protocolli fattura non presenti!");
            return false;
        }
    }
    t->FieldByName(QStringLiteral("Numero"))->SetAsInteger(numero);
    t->Post();
    KFatturaCorrente = chiave;
    numeroRigo_ = 0;
    righeRaggruppate_.clear();
    return true;
}

bool TfSVen0007d_DM::NumeraFattura(int anno, int serie, int registro, int numero, const QDateTime &data, qint64 chiave)
{
    TXClientTable *protIva = TDMIBase::Crea()->ProtIVA;
    if (numerazione_)
        return SetNumeroFattura(protIva, anno, serie, registro, numero, data, chiave, &numeriOccupati_);
    // the run's first number is written at once: the counter row is the run's until the commit;
    // the next ones are checked against the numbers other invoices held above it, read once, and
    // reach the counter in one write
    if (!SetNumeroFattura(protIva, anno, serie, registro, numero, data, chiave))
        return false;
    numeriOccupati_ = NumeriFatturaOccupati(anno, serie, registro, numero + 1);
    protIva->SetDeferredWrites(true);
    numerazione_ = true;
    return true;
}

void TfSVen0007d_DM::ChiudiNumerazione()
{
    if (!numerazione_)
        return;
    numerazione_ = false;
    numeriOccupati_.clear();
    TDMIBase::Crea()->ProtIVA->SetDeferredWrites(false);
}

bool TfSVen0007d_DM::AggiornaTestaFattura()
{
    TDataSet *t = tFattureT;
    if (!t->Locate(QStringLiteral("KFattCliT"), KFatturaCorrente))
        throw Exception(DocumentoCorrente + QStringLiteral(": fattura non trovata"));
    // the columns paired once per run (both datasets stay open through it)
    if (!campiSommaTestaLetti_) {
        campiSommaTesta_.clear();
        for (const char *campo : kTestaSomme) {
            TField *da = qSelBolle->FindField(QLatin1String(campo));
            TField *a = t->FindField(QLatin1String(campo));
            if (da && a)
                campiSommaTesta_.append(std::make_pair(a, da));
        }
        campiSommaTestaLetti_ = true;
    }
    // a note that adds nothing to the expenses, packages, weights and volume leaves the head as it is
    bool cambia = false;
    for (const auto &[a, da] : std::as_const(campiSommaTesta_))
        cambia = cambia || da->AsFloat() != 0 || a->IsNull();
    if (!cambia)
        return true;
    t->Edit();
    for (const auto &[a, da] : std::as_const(campiSommaTesta_))
        a->SetAsFloat(a->AsFloat() + da->AsFloat());
    t->Post();
    return true;
}

// ---- rows

void TfSVen0007d_DM::ScriviRigo(qint64 KBolleCliR)
{
    CalcolaImportiRigo();
    const qint64 rigo = tFattureR->FieldByName(QStringLiteral("KFattCliR"))->AsLargeInt();
    tFattureR->Post();
    CopiaDettaglioQta(KBolleCliR, rigo);
}

bool TfSVen0007d_DM::GeneraRighe(bool, int Progressivo)
{
    try {
        if (!tFattureT->Locate(QStringLiteral("KFattCliT"), KFatturaCorrente))
            throw Exception(DocumentoCorrente + QStringLiteral(": fattura non trovata"));
        RegistraFatturaBolla(Progressivo);
        ApriRigheBolla();
        GeneraRigheIntestazione();
        for (bool c = PrimoRigoBolla(); c; c = ProssimoRigoBolla()) {
            CopiaRigoBolla();
            const qint64 rigoBolla = qRigheBolla->FieldByName(QStringLiteral("KBolleCliR"))->AsLargeInt();
            RigoBollaFattura(rigoBolla, qRigheBolla->FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt());
            ScriviRigo(rigoBolla);
            AggiornaRigoBolla();
        }
        ChiudiRigheBolla();
        return true;
    } catch (const Exception &e) {
        RegistraErroreRighe(e.Message);
        return false;
    }
}

void TfSVen0007d_DM::RegistraErroreRighe(const QString &errore)
{
    for (TDataSet *d :
         {static_cast<TDataSet *>(tFattureR), static_cast<TDataSet *>(tFattureT), static_cast<TDataSet *>(tDettQta)})
        if (d->State() == dsEdit || d->State() == dsInsert)
            d->Cancel();
    Messaggi << QStringLiteral("{B}Errore in generazione rigo normale fattura. Errore: ") + errore;
}

void TfSVen0007d_DM::RegistraFatturaBolla(int Progressivo)
{
    const qint64 bolla = qSelBolle->FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt();
    FattureBolle[KFatturaCorrente].append(bolla);
    const QString chiave = QString::number(KFatturaCorrente);
    if (Progressivo <= 1) {
        FattureGenerate.append({chiave, bolla});
        return;
    }
    for (TFatturaGenerata &f : FattureGenerate)
        if (f.Chiave == chiave)
            f.KBolleCliT = 0;
}

void TfSVen0007d_DM::ApriRigheBolla()
{
    if (!righeLette_)
        LeggiRigheBolle();
    bollaRighe_ = qSelBolle->FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt();
}

void TfSVen0007d_DM::LeggiRigheBolle()
{
    // the rows still to invoice of every note of the selection, note by note: the run marks
    // only the rows of the notes it has done, so each note finds its rows as it would alone
    QStringList sql{QStringLiteral("SELECT R.*"), QStringLiteral("FROM BolleCliRighe R"),
                    QStringLiteral("JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT"),
                    ArticoliRighe(QStringLiteral("R"), QStringLiteral("A")), QStringLiteral("WHERE")};
    sql << CondizioniRighe(QStringLiteral("R"), QStringLiteral("A")) << QStringLiteral("AND") << CondizioniSelezione();
    qRigheBolla->Close();
    qRigheBolla->SQL = sql;
    ParametriSelezione(qRigheBolla);
    qRigheBolla->Open();
    campiCopia_.clear();
    classiTipoRigo_.clear();
    // the rows ordered by note, NumOrdine and key in memory
    struct TChiaveRigo {
        qint64 KBolleCliT, NumOrdine, KBolleCliR;
        int RecNo;
    };
    std::vector<TChiaveRigo> chiavi;
    chiavi.reserve(size_t(std::max(0, qRigheBolla->RecordCount())));
    TField *testa = qRigheBolla->FieldByName(QStringLiteral("KBolleCliT"));
    TField *ordine = qRigheBolla->FieldByName(QStringLiteral("NumOrdine"));
    TField *rigo = qRigheBolla->FieldByName(QStringLiteral("KBolleCliR"));
    int recNo = 0;
    for (qRigheBolla->First(); !qRigheBolla->Eof(); qRigheBolla->Next())
        chiavi.push_back({testa->AsLargeInt(), ordine->AsLargeInt(), rigo->AsLargeInt(), ++recNo});
    std::sort(chiavi.begin(), chiavi.end(), [](const TChiaveRigo &a, const TChiaveRigo &b) {
        return std::tie(a.KBolleCliT, a.NumOrdine, a.KBolleCliR) < std::tie(b.KBolleCliT, b.NumOrdine, b.KBolleCliR);
    });
    ordineRighe_.clear();
    ordineRighe_.reserve(chiavi.size());
    primoRigo_.clear();
    for (const TChiaveRigo &c : chiavi) {
        if (ordineRighe_.empty() || ordineRighe_.back().first != c.KBolleCliT)
            primoRigo_.insert(c.KBolleCliT, qsizetype(ordineRighe_.size()));
        ordineRighe_.emplace_back(c.KBolleCliT, c.RecNo);
    }
    // the rows that have a quantity detail
    righeConDettaglio_.clear();
    TXQuery dettagli;
    dettagli.SQL = QStringList{QStringLiteral("SELECT DISTINCT D.KRigoDoc FROM DettQtaDoc D"),
                               QStringLiteral("JOIN BolleCliRighe R ON R.KBolleCliR = D.KRigoDoc"),
                               QStringLiteral("JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT"),
                               QStringLiteral("WHERE D.FlTipoDocumento = 0 AND R.FlGenFattura = 0 AND")}
                   + CondizioniSelezione();
    ParametriSelezione(&dettagli);
    dettagli.Open();
    for (dettagli.First(); !dettagli.Eof(); dettagli.Next())
        righeConDettaglio_.insert(dettagli.FieldByName(QStringLiteral("KRigoDoc"))->AsLargeInt());
    dettagli.Close();
    righeLette_ = true;
}

bool TfSVen0007d_DM::PrimoRigoBolla()
{
    const auto primo = primoRigo_.constFind(bollaRighe_);
    if (primo == primoRigo_.cend())
        return false;
    rigoCorrente_ = *primo;
    qRigheBolla->SetRecNo(ordineRighe_[size_t(rigoCorrente_)].second);
    return true;
}

bool TfSVen0007d_DM::ProssimoRigoBolla()
{
    const size_t prossimo = size_t(++rigoCorrente_);
    if (prossimo >= ordineRighe_.size() || ordineRighe_[prossimo].first != bollaRighe_)
        return false;
    qRigheBolla->SetRecNo(ordineRighe_[prossimo].second);
    return true;
}

void TfSVen0007d_DM::GeneraRigheIntestazione() {}

void TfSVen0007d_DM::FineBolle() {}

void TfSVen0007d_DM::CopiaRigoBolla()
{
    TDataSet *b = qRigheBolla;
    TDataSet *r = tFattureR;
    const int tipoRigo = b->FieldByName(QStringLiteral("TipoRigo"))->AsInteger();
    auto classe = classiTipoRigo_.constFind(tipoRigo);
    if (classe == classiTipoRigo_.cend()) {
        const auto tipo = Tipirigo::TRGetTipoRigo(0, 0, std::abs(tipoRigo));
        classe = classiTipoRigo_.insert(tipoRigo, tipo ? tipo->FlClasse : -1);
    }
    if (*classe < 0)
        Messaggi << QStringLiteral("Ddt %1: il tipo rigo <%2> non è presente nella tabella di configurazione "
                                   "raggruppamento fatture")
                        .arg(DocumentoCorrente)
                        .arg(tipoRigo);
    const bool merce = *classe < 0 || *classe == Tipirigo::crMerce;
    const QString prodotto = b->FieldByName(QStringLiteral("IdProdotto"))->AsString().trimmed();
    if (merce && !prodotto.isEmpty() && b->FieldByName(QStringLiteral("Prezzo"))->AsFloat() == 0)
        Messaggi << QStringLiteral("{U}Ddt ") + DocumentoCorrente + QStringLiteral(": il prezzo dell'articolo ")
                        + prodotto + QStringLiteral(" è zero");
    if (campiCopia_.isEmpty()) {
        // the columns copied and compared, paired once per run (both datasets stay open)
        for (TField *f : r->FieldList()) {
            const QString nome = f->FieldName();
            if (f->FieldKind() != fkData || nome.compare(QLatin1String("QRDRowVersion"), Qt::CaseInsensitive) == 0
                || nome.compare(QLatin1String("KFattCliR"), Qt::CaseInsensitive) == 0
                || nome.compare(QLatin1String("Contatore"), Qt::CaseInsensitive) == 0
                || nome.compare(QLatin1String("Stato"), Qt::CaseInsensitive) == 0)
                continue;
            if (TField *da = b->FindField(nome))
                campiCopia_.append(std::make_pair(f, da));
        }
        campiRaggruppamento_.clear();
        for (const char *campo : kRaggruppamentoRighe)
            campiRaggruppamento_.append(b->FieldByName(QLatin1String(campo)));
        campiSomma_.clear();
        for (const QString &campo : CampiSommaRighe()) {
            TField *da = b->FindField(campo);
            TField *a = r->FindField(campo);
            if (da && a)
                campiSomma_.append(std::make_pair(a, da));
        }
    }
    QString chiave;
    if (merce && !prodotto.isEmpty()) {
        chiave.reserve(256);
        for (TField *campo : std::as_const(campiRaggruppamento_)) {
            AggiungiTesto(chiave, campo);
            chiave += QChar(0x1f);
        }
    }
    const auto trovato = chiave.isEmpty() ? righeRaggruppate_.cend() : righeRaggruppate_.constFind(chiave);
    if (trovato != righeRaggruppate_.cend() && r->Locate(QStringLiteral("KFattCliR"), *trovato)) {
        r->Edit();
        for (const auto &[a, da] : std::as_const(campiSomma_))
            a->SetAsFloat(a->AsFloat() + da->AsFloat());
        return;
    }
    r->Append();
    for (const auto &[a, da] : std::as_const(campiCopia_))
        a->SetValue(da->Value());
    TDataSet *t = tFattureT;
    r->FieldByName(QStringLiteral("KFattCliT"))->SetAsLargeInt(KFatturaCorrente);
    r->FieldByName(QStringLiteral("NumOrdine"))->SetAsInteger(++numeroRigo_ * 1024);
    r->FieldByName(QStringLiteral("DataDocumento"))->SetValue(t->FieldByName(QStringLiteral("DataDocumento"))->Value());
    r->FieldByName(QStringLiteral("IdCliente"))->SetValue(t->FieldByName(QStringLiteral("IdCliente"))->Value());
    if (!chiave.isEmpty())
        righeRaggruppate_.insert(chiave, r->FieldByName(QStringLiteral("KFattCliR"))->AsLargeInt());
}

void TfSVen0007d_DM::RigoBollaFattura(qint64, qint64) {}

QStringList TfSVen0007d_DM::CampiSommaRighe() const
{
    return {QStringLiteral("Quantita"),  QStringLiteral("Lunghezza"), QStringLiteral("NumeroImballi"),
            QStringLiteral("PesoLordo"), QStringLiteral("PesoNetto"), QStringLiteral("Volume")};
}

void TfSVen0007d_DM::RiempiRigoDoc(TKRigoDoc &Rigo)
{
    const TCampiRigoDoc &c = campiRigoDoc_;
    Rigo = TKRigoDoc();
    Rigo.Quantita = c.Quantita->AsFloat();
    Rigo.Prezzo = c.Prezzo->AsFloat();
    Rigo.FlPrezzoForf = c.FlPrezzoForf->AsInteger() == 1;
    for (int k = 0; k < 5; ++k) {
        Rigo.Sconto[k] = c.Sconto[k]->AsFloat();
        Rigo.ScontoTesta[k] = c.ScontoTesta[k]->AsFloat();
    }
    Rigo.ScontoPagamento = c.ScontoPagamento->AsFloat();
    Rigo.IdDivisa = c.IdDivisa->AsString().trimmed();
    Rigo.Cambio = c.Cambio->AsFloat();
    Rigo.DataDocumento = c.DataDocumento->AsDateTime();
    Rigo.CodTipoDoc = 1;
    Rigo.KTesta = c.KFattCliT->AsLargeInt();
    Rigo.KRigo = c.KFattCliR->AsLargeInt();
    Rigo.IdProdotto = c.IdProdotto->AsString().trimmed();
    Rigo.TabDivise = TDMIBase::Crea()->lkDivise;
}

double TfSVen0007d_DM::InternalCalcoloValori(TKRigoDoc &Rigo, int Modo)
{
    return CalcoloValoriRigo(Rigo, Modo);
}

void TfSVen0007d_DM::CalcolaImportiRigo()
{
    TKRigoDoc rigo;
    RiempiRigoDoc(rigo);
    for (int modo = 1; modo <= 6; ++modo)
        campiRigoDoc_.Importi[modo - 1]->SetAsFloat(InternalCalcoloValori(rigo, modo));
}

void TfSVen0007d_DM::AggiornaRigoBolla()
{
    const qint64 rigoBolla = qRigheBolla->FieldByName(QStringLiteral("KBolleCliR"))->AsLargeInt();
    if (Parametri.FlProvvisoria != 1)
        righeFatturate_.append({rigoBolla, tFattureR->FieldByName(QStringLiteral("KFattCliR"))->AsLargeInt(),
                                qRigheBolla->FieldByName(QStringLiteral("KFatturaR"))->AsLargeInt()});
    AggiornaRigheCollegate(rigoBolla);
}

void TfSVen0007d_DM::SegnaRigheBolle()
{
    if (righeFatturate_.isEmpty())
        return;
    TXDatabase &db = DMIDataBases::Instance().Global();
    // the first row's values typed on PostgreSQL, where a bare parameter in VALUES is text
    const QString primo = db.IsPostgres() ? QStringLiteral("(CAST(? AS BIGINT), CAST(? AS BIGINT), CAST(? AS BIGINT))")
                                          : QStringLiteral("(?, ?, ?)");
    constexpr qsizetype kRighePerIstruzione = 1000; // 3 000 values, within either engine's limit
    for (qsizetype da = 0; da < righeFatturate_.size(); da += kRighePerIstruzione) {
        const qsizetype n = std::min(kRighePerIstruzione, righeFatturate_.size() - da);
        QStringList righe{primo};
        QVariantList valori;
        for (qsizetype i = 0; i < n; ++i) {
            const TRigoFatturato &r = righeFatturate_[da + i];
            if (i > 0)
                righe << QStringLiteral("(?, ?, ?)");
            valori << r.KBolleCliR << r.KFattCliR << r.KFatturaR;
        }
        const int segnate = db.ExecSQL(
            QStringLiteral("UPDATE BolleCliRighe SET FlGenFattura = 1, KFatturaR = v.column2 FROM (VALUES %1) AS v "
                           "WHERE BolleCliRighe.KBolleCliR = v.column1 AND BolleCliRighe.FlGenFattura = 0 AND "
                           "COALESCE(BolleCliRighe.KFatturaR, 0) = v.column3")
                .arg(righe.join(QStringLiteral(", "))),
            valori);
        if (segnate != n)
            throw Exception(
                QStringLiteral("Righe DDT fatturate o modificate da un altro utente durante la generazione: "
                               "ripetere la generazione."));
    }
    righeFatturate_.clear();
}

void TfSVen0007d_DM::AggiornaRigheCollegate(qint64) {}

void TfSVen0007d_DM::ChiudiRigheBolla()
{
    const int modo = Parametri.Raggruppamento;
    if (modo != 3 && modo != 4)
        return;
    TDataSet *t = tFattureT;
    if (!t->Locate(QStringLiteral("KFattCliT"), KFatturaCorrente))
        throw Exception(DocumentoCorrente + QStringLiteral(": fattura non trovata"));
    t->Edit();
    TField *rif = t->FieldByName(QStringLiteral("RifBolle"));
    const QString prima = rif->AsString();
    rif->SetAsString(prima + (prima.isEmpty() ? QString() : QStringLiteral("\n")) + DocumentoCorrente);
    t->Post();
}

bool TfSVen0007d_DM::CopiaDettaglioQta(qint64 kBolleCliR, qint64 kFattCliR)
{
    if (!righeConDettaglio_.contains(kBolleCliR))
        return false;
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT * FROM DettQtaDoc WHERE FlTipoDocumento = 0 AND KRigoDoc = ?"), {kBolleCliR});
    while (q.next()) {
        const QSqlRecord record = q.record();
        tDettQta->Append();
        for (int i = 0; i < record.count(); ++i) {
            TField *f = tDettQta->FindField(record.fieldName(i));
            if (!f || f->FieldName().compare(QLatin1String("KDettQta"), Qt::CaseInsensitive) == 0)
                continue;
            f->SetValue(kv8data::CoerceLoaded(record.value(i), f->DataType()));
        }
        tDettQta->FieldByName(QStringLiteral("FlTipoDocumento"))->SetAsInteger(1);
        tDettQta->FieldByName(QStringLiteral("KTestaDoc"))->SetAsLargeInt(KFatturaCorrente);
        tDettQta->FieldByName(QStringLiteral("KRigoDoc"))->SetAsLargeInt(kFattCliR);
        tDettQta->Post();
    }
    return true;
}

// ---- totals

void TfSVen0007d_DM::PreparaParametriTotali(TDataSet *totali)
{
    ParamTotali = TXParam_TotaliDocs();
    ParamTotali.Totali = totali;
    ParamTotali.ValoriBolli = &valoriBolli_;
    ParamTotali.RighePagamenti = &righePagamenti_;
    ParamTotali.FlScadenzeDdt = FlScadenzeDdt;
}

void TfSVen0007d_DM::CalcolaTotaliFatture()
{
    // each invoice's rows as the run holds them (it wrote every one of them), read only, as
    // a query would give them in NumOrdine order: nothing is read back
    TXClientTable *righe = tFattureR;
    TField *chiave = righe->FieldByName(QStringLiteral("KFattCliT"));
    qint64 fattura = 0;
    righe->OnFilterRecord = [&](TDataSet *, bool &accetta) { accetta = chiave->AsLargeInt() == fattura; };
    righe->SetReadOnly(true);
    const auto ripristina = qScopeGuard([righe] {
        righe->SetFiltered(false);
        righe->OnFilterRecord = nullptr;
        righe->SetReadOnly(false);
    });
    // the stored totals rows of the run's invoices (none, for new invoices) read at once: the
    // totals then look for an invoice's earlier rows in memory
    QList<QVariantList> chiavi;
    for (const TFatturaGenerata &f : std::as_const(FattureGenerate))
        chiavi << QVariantList{f.Chiave.toLongLong()};
    tFattureTot->ReadAsStored(QStringLiteral("KFattCliT"), chiavi);
    for (const TFatturaGenerata &f : FattureGenerate) {
        fattura = f.Chiave.toLongLong();
        if (!tFattureT->Locate(QStringLiteral("KFattCliT"), fattura))
            continue;
        DocumentoCorrente = QStringLiteral("Fattura ") + tFattureT->FieldByName(QStringLiteral("IdCausale"))->AsString()
                            + QLatin1Char('-') + tFattureT->FieldByName(QStringLiteral("Numero"))->AsString();
        righe->SetFiltered(false); // the filter sees this invoice's key
        righe->SetFiltered(true);
        PreparaParametriTotali(nullptr);
        ParamTotali.CodTipoDoc = 1;
        ParamTotali.Testa = tFattureT;
        ParamTotali.Righe = righe;
        ParamTotali.TabTotali = tFattureTot;
        tFattureT->Edit();
        if (Calcolototalidocs::TOTDOCS_Calcola(ParamTotali, false)) {
            tFattureT->Post();
        } else {
            tFattureT->Cancel();
            Messaggi << QStringLiteral("{B}") + DocumentoCorrente
                            + QStringLiteral(": Errore in calcolo totali documento");
        }
    }
    PreparaParametriTotali(nullptr);
}
