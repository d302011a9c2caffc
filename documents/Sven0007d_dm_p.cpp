#include "documents/Sven0007d_dm_p.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/Kmessages.h"

#include <QScopeGuard>
#include <QSqlQuery>
#include <QStringBuilder>

#include <algorithm>
#include <utility>

using namespace Funzioni;

DUSARIA_CLASSE(TfSVen0007d_DM_p);

namespace {

// Invoice keys whose summaries provisional runs of this program wrote into LUMO_t_CauzDocFatt:
// the next run removes them and nothing else (the invoice window keeps its copy there too).
QSet<qint64> &SommariProvvisori()
{
    static QSet<qint64> chiavi;
    return chiavi;
}

QString ChiaveScheda(const QString &contoTp, const QString &conto, int tipoScheda, int destinazione,
                     const QString &imballo)
{
    return contoTp % u'|' % conto % u'|' % QString::number(tipoScheda) % u'|' % QString::number(destinazione) % u'|'
           % imballo;
}

// The amounts of a run's card, in the order of TSchedaRun::prog.
enum {
    kQtaCar,
    kQtaRes,
    kValCar,
    kValRes,
    kQtaCarF,
    kQtaResF,
    kValCarF,
    kValResF,
    kQtaCarEcc,
    kQtaResEcc,
    kQtaCarB,
    kQtaResB
};
const char *const kProgressivi[] = {"ProgQtaCar",    "ProgQtaRes",    "ProgValCar",  "ProgValRes",
                                    "ProgQtaCarF",   "ProgQtaResF",   "ProgValCarF", "ProgValResF",
                                    "ProgQtaCarEcc", "ProgQtaResEcc", "ProgQtaCarB", "ProgQtaResB"};

double Num(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo))->AsFloat();
}

void Metti(TDataSet *d, const char *campo, double valore)
{
    d->FieldByName(QLatin1String(campo))->SetAsFloat(valore);
}

void Aggiungi(TDataSet *d, const char *campo, double valore)
{
    Metti(d, campo, Num(d, campo) + valore);
}

bool InModifica(TDataSet *d)
{
    return d->State() == dsEdit || d->State() == dsInsert;
}

// Runs writes on the dataset: on an error its pending record is dropped and the error goes on.
template <typename Scrivi> void Scrivendo(TDataSet *d, Scrivi scrivi)
{
    try {
        scrivi();
    } catch (...) {
        if (InModifica(d))
            d->Cancel();
        throw;
    }
}

// Num and Metti on one dataset, each field found by name once (the dataset stays
// open while they are used).
class Campi {
public:
    explicit Campi(TDataSet *d) : d_(d) {}
    double Num(const char *campo) { return Campo(campo)->AsFloat(); }
    void Metti(const char *campo, double valore) { Campo(campo)->SetAsFloat(valore); }

private:
    TField *Campo(const char *campo)
    {
        TField *&f = campi_[campo];
        if (!f)
            f = d_->FieldByName(QLatin1String(campo));
        return f;
    }
    TDataSet *d_;
    QHash<const char *, TField *> campi_;
};

} // namespace

TfSVen0007d_DM_p::TfSVen0007d_DM_p(QObject *owner) : TfSVen0007d_DM(owner)
{
    const auto tabella = [this](const char *nome, const char *database, const char *tab, const char *chiave) {
        auto *t = Create<TXClientTable>(QLatin1String(nome));
        t->SetDatabaseName(QLatin1String(database));
        t->SetTableName(QLatin1String(tab));
        t->SetUsaDizionario(true);
        t->SetUsaDuplicaRecord(true);
        t->SetXAutoApply(true);
        if (chiave)
            t->SetKeyFields(QLatin1String(chiave));
        return t;
    };
    // the summaries are never read whole: the run finds the rows it writes
    TTLUMO_t_CauzDocFatt =
        tabella("TTLUMO_t_CauzDocFatt", "LocalDatabase", "LUMO_t_CauzDocFatt", "KFattCliT;IdImballo");
    TTLUMO_t_CauzDocFatt->SetXWhereVuoto(QStringLiteral("KFattCliT = -1"));
    tLUMO_CauzDocFatt = tabella("tLUMO_CauzDocFatt", "GlobalDatabase", "LUMO_CauzDocFatt", nullptr);
    tLUMO_CauzDocFatt->SetXWhereVuoto(QStringLiteral("KFattCliT = -1"));
    // a row merged again by the next note reaches the database once, before the commit
    tLUMO_CauzDocFatt->SetDeferredWrites(true);
    TTLUMO_t_ProgCauz = tabella("TTLUMO_t_ProgCauz", "LocalDatabase", "LUMO_t_ProgCauz", nullptr);
    TTLUMO_t_ProgCauz->SetXWhereVuoto(QStringLiteral("IdConto = ''"));
    // the run moves its cards many times: they reach the local table once, at the end of the run
    TTLUMO_t_ProgCauz->SetCachedUpdates(true);

    qLUMO_CauzDocBoll = Create<TXQuery>(QStringLiteral("qLUMO_CauzDocBoll"));
    qLUMO_CauzDocBoll->SetUsaDizionario(true);
    qUT_ContoCauz = Create<TXQuery>(QStringLiteral("qUT_ContoCauz"));
    qUT_ContoCauz->SQL << QStringLiteral("UPDATE FattureCliTot set Codice = C.UT_LMQ_ContoCau ")
                       << QStringLiteral("FROM FattureCliTot F")
                       << QStringLiteral("LEFT JOIN FattureCliTeste T ON T.KFattCliT = F.KFattCliT")
                       << QStringLiteral("LEFT JOIN Clienti C ON C.IdConto = T.IdCliente")
                       << QStringLiteral(
                              "WHERE T.IdClienteTp = 'CL' AND F.Codice <> '' AND C.UT_LMQ_ContoCau <> '' AND "
                              "F.TipoRecord = 'SPI'");
}

TfSVen0007d_DM_p::~TfSVen0007d_DM_p() = default;

// ---- the run and the invoice heads

void TfSVen0007d_DM_p::XInitGenerazione()
{
    UT_LMQ_PrimaVolta = false;
    flagLetti_ = false;
    sommari_.clear();
    fatturaSommari_ = 0;
    destinazioneSommari_ = nullptr;
    fatturaLitri_ = 0;
    litri_ = 0;
    riepiloghiLetti_ = false;
    primoRiepilogo_.clear();
    schedeArchivio_.clear();
    schedeRun_.clear();
    postoSchedaRun_.clear();
    articoli_.clear();
    decimali_.clear();
    righeConDettaglio_.clear();
    TfSVen0007d_DM::XInitGenerazione();
}

bool TfSVen0007d_DM_p::GeneraNuovaFattura(bool Raggruppa, int Progressivo)
{
    ScriviLitri();
    if (!TfSVen0007d_DM::GeneraNuovaFattura(Raggruppa, Progressivo))
        return false;
    TDataSet *t = tFattureT;
    t->Edit();
    litri_ = Num(qSelBolle, "UT_LMQ_TotLit");
    Metti(t, "UT_LMQ_TotLit", litri_);
    for (const char *campo : {"UT_LMQ_IdListCau", "UT_LMQ_IdListTra"})
        t->FieldByName(QLatin1String(campo))->SetAsString(qSelBolle->FieldByName(QLatin1String(campo))->AsString());
    t->FieldByName(QStringLiteral("UT_LMQ_FlAccisa"))
        ->SetAsInteger(qSelBolle->FieldByName(QStringLiteral("UT_LMQ_FlAccisa"))->AsInteger());
    t->Post();
    UT_LMQ_GeneraCasCauDoc();
    return true;
}

bool TfSVen0007d_DM_p::AggiornaTestaFattura()
{
    if (!TfSVen0007d_DM::AggiornaTestaFattura())
        return false;
    TDataSet *t = tFattureT;
    try {
        litri_ += Num(qSelBolle, "UT_LMQ_TotLit");
        fatturaLitri_ = KFatturaCorrente;
        UT_LMQ_GeneraCasCauDoc();
    } catch (const Exception &e) {
        if (InModifica(t))
            t->Cancel();
        // summary rows and cards may be written already: a definitive run must not go on
        if (Parametri.FlProvvisoria != 1) {
            Messaggi << QStringLiteral("{B}") + DocumentoCorrente + QStringLiteral(": ") + e.Message;
            throw;
        }
        Kmessages::KMessage(e.Message, mtInformation, mbOK);
    }
    return true;
}

void TfSVen0007d_DM_p::InternalGenerazioneFatture()
{
    try {
        TfSVen0007d_DM::InternalGenerazioneFatture();
    } catch (...) {
        // the litres and cards moved up to the failure, as a run that writes them note by note
        // leaves them; the run's own error is the one reported
        try {
            FineBolle();
        } catch (const std::exception &e) {
            qWarning("kv8: litri o riepiloghi della generazione non scritti: %s", e.what());
        }
        try {
            ScriviSchedeLocali();
        } catch (const std::exception &e) {
            qWarning("kv8: schede locali della generazione non scritte: %s", e.what());
        }
        throw;
    }
    ScriviSchedeLocali();
    if (!FattureGenerate.isEmpty()) {
        CheckTabOpen(tFattureT);
        CheckTabOpen(tFattureTot);
        for (const TFatturaGenerata &f : FattureGenerate)
            SistemaCauzioneNegativa(f);
    }
    qLUMO_CauzDocBoll->Close();
    qUT_ContoCauz->Close();
    qUT_ContoCauz->ExecSQL();
}

void TfSVen0007d_DM_p::FineBolle()
{
    ScriviLitri();
    ScriviSommari();
}

void TfSVen0007d_DM_p::ScriviLitri()
{
    if (fatturaLitri_ == 0)
        return;
    const qint64 fattura = std::exchange(fatturaLitri_, 0);
    TDataSet *t = tFattureT;
    if (InModifica(t))
        t->Cancel();
    if (!t->Locate(QStringLiteral("KFattCliT"), fattura))
        throw Exception(QStringLiteral("Fattura %1 non trovata: litri non aggiornati").arg(fattura));
    Scrivendo(t, [&] {
        t->Edit();
        Metti(t, "UT_LMQ_TotLit", litri_);
        t->Post();
    });
}

void TfSVen0007d_DM_p::ScriviSommari()
{
    if (sommari_.empty())
        return;
    const std::vector<TSommarioRun> sommari = std::exchange(sommari_, {});
    TDataSet *T = destinazioneSommari_;
    const qint64 fattura = fatturaSommari_;
    const bool provvisoria = Parametri.FlProvvisoria == 1;
    static constexpr std::pair<const char *, double TSommarioRun::*> kValori[] = {
        {"EsistenzaB", &TSommarioRun::esistenzaB},
        {"ValoreEsiB", &TSommarioRun::valoreEsiB},
        {"QtaCar", &TSommarioRun::qtaCar},
        {"QtaRes", &TSommarioRun::qtaRes},
        {"QtaCarEcc", &TSommarioRun::qtaCarEcc},
        {"QtaResEcc", &TSommarioRun::qtaResEcc},
        {"Prezzo", &TSommarioRun::prezzo},
        {"ValoreCar", &TSommarioRun::valoreCar},
        {"ValoreRes", &TSommarioRun::valoreRes},
        {"EsistenzaAtt", &TSommarioRun::esistenzaAtt},
        {"ValoreEsiAtt", &TSommarioRun::valoreEsiAtt},
        {"EsistenzaF", &TSommarioRun::esistenzaF},
        {"ValoreEsiF", &TSommarioRun::valoreEsiF}};
    Campi t(T);
    Scrivendo(T, [&] {
        for (const TSommarioRun &r : sommari) {
            T->Append();
            T->FieldByName(QStringLiteral("FlTipoDocColl"))->SetAsInteger(2);
            T->FieldByName(QStringLiteral("KFattCliT"))->SetAsLargeInt(fattura);
            T->FieldByName(QStringLiteral("IdImballo"))->SetAsString(r.imballo);
            for (const auto &[campo, valore] : kValori)
                t.Metti(campo, r.*valore);
            if (provvisoria)
                SommariProvvisori().insert(fattura);
            T->Post();
        }
    });
}

void TfSVen0007d_DM_p::ScriviSchedeLocali()
{
    TXClientTable *c = TTLUMO_t_ProgCauz;
    if (!c->Active())
        return;
    if (InModifica(c))
        c->Cancel();
    std::vector<TSchedaRun> schede;
    schede.swap(schedeRun_);
    postoSchedaRun_.clear();
    Scrivendo(c, [&] {
        for (const TSchedaRun &s : schede) {
            c->Append();
            if (s.daArchivio) {
                for (TField *f : c->FieldList()) {
                    const QString nome = f->FieldName().toLower();
                    const auto v = s.archivio.constFind(nome);
                    if (f->FieldKind() == fkData && v != s.archivio.cend())
                        f->SetValue(kv8data::CoerceLoaded(*v, f->DataType()));
                }
            } else {
                c->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(s.contoTp);
                c->FieldByName(QStringLiteral("IdConto"))->SetAsString(s.conto);
                c->FieldByName(QStringLiteral("FlTipoScheda"))->SetAsInteger(s.tipoScheda);
                c->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(s.destinazione);
                c->FieldByName(QStringLiteral("IdImballo"))->SetAsString(s.imballo);
                c->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(s.divisa);
            }
            for (int i = 0; i < kProgressiviScheda; ++i)
                if (s.mosso[i])
                    c->FieldByName(QLatin1String(kProgressivi[i]))->SetAsFloat(s.prog[i]);
            c->Post();
        }
    });
    c->ApplyUpdates();
}

void TfSVen0007d_DM_p::SistemaCauzioneNegativa(const TFatturaGenerata &fattura)
{
    const qint64 chiave = fattura.Chiave.toLongLong();
    TDataSet *t = tFattureT;
    if (!t->Locate(QStringLiteral("KFattCliT"), chiave))
        return;
    TDMIBase *base = TDMIBase::Crea();
    const QString causale = t->FieldByName(QStringLiteral("IdCausale"))->AsString().trimmed();
    if (!TDMIBase::Posiziona(base->lkCausFattCli, QStringLiteral("IdCausale"), {causale}))
        throw Exception(QStringLiteral("Causale fatture inesistente"));
    const int flValCauNeg = base->lkCausFattCli->FieldByName(QStringLiteral("UT_FlValCauNeg"))->AsInteger();
    if (flValCauNeg == 0)
        return;
    const QString numero = t->FieldByName(QStringLiteral("Numero"))->AsString();
    const QString etichetta = TDMIBase::NumeroDocumento(causale, t->FieldByName(QStringLiteral("Anno"))->AsInteger(),
                                                        t->FieldByName(QStringLiteral("Serie"))->AsInteger(),
                                                        t->FieldByName(QStringLiteral("Numero"))->AsInteger(),
                                                        causale + QLatin1Char('-') + numero)
                              + QStringLiteral(" del ")
                              + DataToStringa(t->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime());
    DocumentoCorrente = etichetta;
    if (!tFattureTot->Locate(QStringLiteral("KFattCliT;TipoRecord;Progressivo"),
                             QVariantList{chiave, QStringLiteral("SPI"), 1}))
        return;
    const double importo = Num(tFattureTot, "Importo1");
    if (importo >= 0)
        return;
    if (flValCauNeg == 2) {
        const QString domanda =
            QStringList{QStringLiteral("Attenzione Valore Cauzione Negativa"),
                        QStringLiteral("<Documento : ") + etichetta + QLatin1Char('>'),
                        QStringLiteral("<Cliente   : ") + t->FieldByName(QStringLiteral("IdCliente"))->AsString()
                            + QLatin1Char('>'),
                        QStringLiteral("<Importo   : ") + QString::number(importo, 'g', 15)
                            + QStringLiteral(">. Accredito ?")}
                .join(QStringLiteral("\r\n"));
        if (Kmessages::KMessage(domanda, mtWarning, mbYesNo) == mrYes)
            return; // credited
    } else if (flValCauNeg != 1) {
        return;
    }
    DocumentoCorrente = QStringLiteral("Rif. interno ") + fattura.Chiave;
    qFattureR->Close();
    qFattureR->ParamByName(QStringLiteral("KFattCliT"))->SetAsInteger(chiave);
    qFattureR->Open();
    t->Edit();
    try {
        Metti(t, "SpeseImballo", 0);
        bool singola = TDMIBase::Posiziona(base->lkClienti, QStringLiteral("IdContoTp;IdConto"),
                                           {t->FieldByName(QStringLiteral("IdClienteTp"))->AsString().trimmed(),
                                            t->FieldByName(QStringLiteral("IdCliente"))->AsString().trimmed()})
                       && base->lkClienti->FieldByName(QStringLiteral("FlRaggFattura"))->AsInteger() == 0;
        if (FlScadenzeDdt && fattura.KBolleCliT > 0) {
            qBollaT->Close();
            qBollaT->ParamByName(QStringLiteral("KBolleCliT"))->SetAsInteger(fattura.KBolleCliT);
            qBollaT->Open();
            if (qBollaT->IsEmpty())
                throw Exception(QStringLiteral("Errore in lettura testa DDT per determinazione scadenze"));
            singola = qBollaT->FieldByName(QStringLiteral("FlScadVariate"))->AsInteger() == 1;
        }
        const bool daBolla = singola && fattura.KBolleCliT > 0 && ScadenzeDaBolla(fattura.KBolleCliT);
        if (!daBolla)
            PreparaParametriTotali(nullptr);
        ParamTotali.CodTipoDoc = 1;
        ParamTotali.Testa = t;
        ParamTotali.Righe = qFattureR;
        ParamTotali.TabTotali = tFattureTot;
        if (!daBolla)
            ParamTotali.FlScadenzeDdt = false;
        if (!Calcolototalidocs::TOTDOCS_Calcola(ParamTotali, false))
            throw Exception(DocumentoCorrente + QStringLiteral(": Errore in calcolo totali documento"));
        t->Post();
    } catch (...) {
        if (InModifica(t))
            t->Cancel();
        qFattureR->Close();
        PreparaParametriTotali(nullptr);
        throw;
    }
    qFattureR->Close();
    PreparaParametriTotali(nullptr);
}

bool TfSVen0007d_DM_p::ScadenzeDaBolla(qint64 kBolleCliT)
{
    TDataSet *t = tFattureT;
    PreparaParametriTotali(tTotali1);
    for (TXQuery *q : {qBollaT, qBollaR}) {
        q->Close();
        q->ParamByName(QStringLiteral("KBolleCliT"))->SetAsInteger(kBolleCliT);
        q->Open();
    }
    ParamTotali.CodTipoDoc = 0;
    ParamTotali.Testa = qBollaT;
    ParamTotali.Righe = qBollaR;
    if (!Calcolototalidocs::TOTDOCS_Calcola(ParamTotali, false))
        throw Exception(DocumentoCorrente + QStringLiteral(": Errore in calcolo totali ddt origine"));
    Calcolototalidocs::TOTDOCS_LeggiScadenze(ParamTotali, 0, kBolleCliT, tScadenze);
    Calcolototalidocs::TOTDOCS_SalvaScadenzario(ParamTotali, tTotali1);
    if (Calcolototalidocs::TOTDOCS_TestScadenzario(ParamTotali) == 0)
        return false;
    const QDateTime dataFattura = t->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime();
    QVector<QDateTime> date(81);
    const auto testo = [t](const char *campo) { return t->FieldByName(QLatin1String(campo))->AsString().trimmed(); };
    const int conta = CalcoloScadenze(
        TDMIBase::Crea(), tScadenze, dataFattura, t->FieldByName(QStringLiteral("DataPagamento"))->AsDateTime(),
        testo("IdPagamento"), testo("IdEsclusione"), testo("IdClienteTp"), testo("IdCliente"), date, 0);
    if (conta >= 0) {
        if (!InModifica(tTotali1))
            tTotali1->Edit();
        for (int i = 0; i < 81 && i < date.size(); ++i) {
            TScadenzaDoc &s = ParamTotali.Scadenze[size_t(i)];
            if (s.Data.isNull() || s.Data.date() >= dataFattura.date() || date[i].isNull())
                continue;
            s.Data = date[i];
            if (i < 12)
                tTotali1->FieldByName(QStringLiteral("Scadenza%1").arg(i + 1, 2, 10, QLatin1Char('0')))
                    ->SetAsDateTime(date[i]);
        }
        tTotali1->Post();
    }
    // the invoice's own totals, to compare with the note's
    TXParam_TotaliDocs verifica;
    verifica.CodTipoDoc = 1;
    verifica.Testa = t;
    verifica.Righe = qFattureR;
    verifica.Totali = tTotali2;
    verifica.FlScadenzeDdt = FlScadenzeDdt;
    if (!Calcolototalidocs::TOTDOCS_Calcola(verifica, false))
        throw Exception(DocumentoCorrente + QStringLiteral(": Errore in calcolo totali fattura (verifica)"));
    const double differenza = Num(tTotali2, "TotDocumento") - Num(tTotali1, "TotDocumento");
    if (CompDec(differenza, 0, FormatiNumero.DecValore) != 0) {
        Messaggi << QStringLiteral("{B} ") + DocumentoCorrente
                        + QStringLiteral(" Il totale del documento è diverso rispetto al ddt di origine. La differenza "
                                         "verrà assegnata alla prima rata del documento creato");
        if (!InModifica(tTotali1))
            tTotali1->Edit();
        Aggiungi(tTotali1, "Rata01", differenza);
        tTotali1->Post();
        ParamTotali.Scadenze[0].Importo += differenza;
        ParamTotali.Scadenze[0].ImportoNaz += differenza;
    }
    ParamTotali.Totali = tTotali1;
    ParamTotali.FlScadenzeDdt = FlScadenzeDdt;
    return true;
}

// ---- rows

QStringList TfSVen0007d_DM_p::CampiSommaRighe() const
{
    return TfSVen0007d_DM::CampiSommaRighe() << QStringLiteral("UT_LMQ_TotLit") << QStringLiteral("UT_LMQ_PrezzoTraN");
}

bool TfSVen0007d_DM_p::GeneraRighe(bool Raggruppa, int Progressivo)
{
    TCampiRigo &campi = campiRigo_;
    const auto rilascia = qScopeGuard([&campi] { campi = TCampiRigo(); });
    const char *const importi[] = {"ImportoLordo",  "ImportoNetto",  "ImportoNN",
                                   "ControvaloreL", "ControvaloreN", "ControvaloreNN"};
    for (int modo = 0; modo < 6; ++modo)
        campi.Importi[modo] = tFattureR->FieldByName(QLatin1String(importi[modo]));
    campi.FlPrezzoForf = tFattureR->FieldByName(QStringLiteral("FlPrezzoForf"));
    campi.FlTipoPrz = tFattureR->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"));
    campi.Lunghezza = tFattureR->FieldByName(QStringLiteral("Lunghezza"));
    campi.Righe = tFattureR;
    return TfSVen0007d_DM::GeneraRighe(Raggruppa, Progressivo);
}

void TfSVen0007d_DM_p::ScriviRigo(qint64 KBolleCliR)
{
    const qint64 rigo = tFattureR->FieldByName(QStringLiteral("KFattCliR"))->AsLargeInt();
    // the detail goes first: the amounts are its sum
    if (CopiaDettaglioQta(KBolleCliR, rigo))
        righeConDettaglio_.insert(rigo);
    TKRigoDoc r;
    RiempiRigoDoc(r);
    double importi[6];
    UT_LMQ_InternalCalcoloValori(r, tFattureR, importi);
    for (int modo = 0; modo < 6; ++modo)
        campiRigo_.Importi[modo]->SetAsFloat(importi[modo]);
    tFattureR->Post();
}

const TfSVen0007d_DM_p::TArticolo &TfSVen0007d_DM_p::Articolo(const QString &idProdotto)
{
    auto trovato = articoli_.constFind(idProdotto);
    if (trovato != articoli_.cend())
        return *trovato;
    TArticolo a;
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT A.UT_LMQ_FlPrzLit, B.Capacita FROM Articoli A "
                       "LEFT JOIN LUMO_Bottiglie B ON B.IdBottiglia = A.UT_LMQ_IdBottiglia WHERE A.IdProdotto = ?"),
        {idProdotto});
    if (q.next()) {
        a.FlPrzLit = q.value(0).toInt();
        a.Capacita = q.value(1).toDouble();
    }
    return *articoli_.insert(idProdotto, a);
}

int TfSVen0007d_DM_p::DecimaliDivisa(const QString &idDivisa)
{
    auto trovato = decimali_.constFind(idDivisa);
    if (trovato != decimali_.cend())
        return *trovato;
    const QVariant v = DMIDataBases::Instance().Global().ScalarValue(
        QStringLiteral("SELECT DecValore FROM Divise WHERE IdDivisa = ?"), {idDivisa});
    return *decimali_.insert(idDivisa, v.isValid() && !v.isNull() ? v.toInt() : 6);
}

void TfSVen0007d_DM_p::UT_LMQ_InternalCalcoloValori(TKRigoDoc &Rigo, TDataSet *Righe, double (&Importi)[6])
{
    const TArticolo &articolo = Articolo(Rigo.IdProdotto);
    const double fattore = articolo.FlPrzLit == 1 && articolo.Capacita != 0 ? articolo.Capacita : 1;
    const int decimali = DecimaliDivisa(Rigo.IdDivisa);
    const bool noti = campiRigo_.Righe == Righe;
    const auto campo = [&](TField *noto, const QString &nome) { return noti ? noto : Righe->FieldByName(nome); };
    double base;
    if (campo(campiRigo_.FlPrezzoForf, QStringLiteral("FlPrezzoForf"))->AsInteger() == 1)
        base = Rigo.Prezzo;
    else if (campo(campiRigo_.FlTipoPrz, QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger() == 1)
        base = campo(campiRigo_.Lunghezza, QStringLiteral("Lunghezza"))->AsFloat() * Rigo.Prezzo;
    else
        base = Rigo.Quantita * Rigo.Prezzo * fattore;
    // only a row given a detail in this run has one
    if (righeConDettaglio_.contains(Rigo.KRigo) && TDMIBbas::Crea()->TestDettaglioQta(1, Rigo.IdProdotto)) {
        const bool provvisoria = Parametri.FlProvvisoria == 1;
        TXDatabase &db = provvisoria ? DMIDataBases::Instance().Local() : DMIDataBases::Instance().Global();
        const double somma =
            db.ScalarValue(QStringLiteral("SELECT SUM( Quantita * Prezzo ) FROM %1 WHERE FlTipoDocumento = ? "
                                          "AND KTestaDoc = ? AND KRigoDoc = ?")
                               .arg(provvisoria ? QStringLiteral("t_DettQtaDoc") : QStringLiteral("DettQtaDoc")),
                           {Rigo.CodTipoDoc, Rigo.KTesta, Rigo.KRigo})
                .toDouble();
        if (CompDec(somma, 0, decimali) != 0)
            base = somma;
    }
    // gross, net of the row discounts, net of every discount: each from the unrounded one before
    Importi[0] = KRound(base, decimali);
    const double segno = CFG.SegnoSconti;
    for (int k = 0; k < 5 && k < CFG.NumScontiRigo; ++k)
        base += segno * base * Rigo.Sconto[k] / 100.0;
    Importi[1] = KRound(base, decimali);
    for (int k = 0; k < 5 && k < CFG.NumScontiTesta; ++k)
        base += segno * base * Rigo.ScontoTesta[k] / 100.0;
    base += segno * base * Rigo.ScontoPagamento / 100.0;
    Importi[2] = KRound(base, decimali);
    const int decimaliIT = KFormati::GetDecimali(KFormati::fnValoreIT);
    for (int modo = 3; modo < 6; ++modo)
        Importi[modo] = CalcValoreEURO(Rigo.IdDivisa, decimaliIT, Importi[modo - 3], Rigo.Cambio, Rigo.DataDocumento);
}

// ---- deposit summaries

bool TfSVen0007d_DM_p::SchedaPerDestinazione() const
{
    const int modo = Parametri.Raggruppamento;
    return (modo == 2 || modo == 4) && UT_LMQ_FlCauDes == 1;
}

void TfSVen0007d_DM_p::CreaSommariLocali()
{
    TXClientTable *t = TTLUMO_t_CauzDocFatt;
    t->Close();
    QSet<qint64> &scritte = SommariProvvisori();
    if (!t->Exists()) {
        t->CreaTabella();
    } else if (!scritte.isEmpty()) {
        QStringList segni;
        QVariantList chiavi;
        for (qint64 k : scritte) {
            segni << QStringLiteral("?");
            chiavi << k;
        }
        DMIDataBases::Instance().Local().ExecSQL(
            QStringLiteral("DELETE FROM LUMO_t_CauzDocFatt WHERE KFattCliT IN (%1)").arg(segni.join(QLatin1Char(','))),
            chiavi);
    }
    scritte.clear();
    t->Open();
}

void TfSVen0007d_DM_p::UT_LMQ_GeneraCasCauDoc()
{
    if (UT_LMQ_Parametri.FlAbilCauz == 0)
        return;
    TDataSet *t = tFattureT;
    // the causal's and customer's flags, read once per invoice (its notes share both)
    const qint64 fattura = t->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    if (!flagLetti_ || fattura != flagFattura_) {
        flagLetti_ = false;
        TDMIBase *base = TDMIBase::Crea();
        const auto testo = [t](const char *campo) {
            return t->FieldByName(QLatin1String(campo))->AsString().trimmed();
        };
        // a causal or customer that is not there reads its flags as 0
        const bool causale =
            TDMIBase::Posiziona(base->lkCausFattCli, QStringLiteral("IdCausale"), {testo("IdCausale")});
        const auto flagCausale = [&](const char *campo) {
            return causale ? base->lkCausFattCli->FieldByName(QLatin1String(campo))->AsInteger() : 0;
        };
        causaleCauzioni_ = flagCausale("UT_LMQ_FlCauzioni") != 0;
        if (causaleCauzioni_) {
            UT_LMQ_FlAggCau = flagCausale("UT_LMQ_FlAggCau");
            UT_LMQ_FlAggCauB = flagCausale("UT_LMQ_FlAggCauB");
            UT_LMQ_FlAggCauF = flagCausale("UT_LMQ_FlAggCauF");
            UT_LMQ_FlAggMovC = flagCausale("UT_LMQ_FlAggMovC");
            const bool cliente = TDMIBase::Posiziona(base->lkClienti, QStringLiteral("IdContoTp;IdConto"),
                                                     {testo("IdClienteTp"), testo("IdCliente")});
            UT_LMQ_FlCauz = cliente ? base->lkClienti->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() : 0;
            UT_LMQ_FlCauDes =
                cliente ? base->lkClienti->FieldByName(QStringLiteral("UT_LMQ_FlCauDes"))->AsInteger() : 0;
        }
        flagFattura_ = fattura;
        flagLetti_ = true;
    }
    if (!causaleCauzioni_)
        return;
    const bool provvisoria = Parametri.FlProvvisoria == 1;
    if (!UT_LMQ_PrimaVolta) {
        TDMILUMO::Crea(); // the stored cards move through the module's shared data module
        TTLUMO_t_ProgCauz->Close();
        TTLUMO_t_ProgCauz->CreaTabella();
        TTLUMO_t_ProgCauz->Open();
        if (provvisoria) {
            CreaSommariLocali();
        } else {
            tLUMO_CauzDocFatt->Close();
            tLUMO_CauzDocFatt->Open();
        }
        UT_LMQ_PrimaVolta = true;
    }
    if (UT_LMQ_FlCauz == 0)
        return;
    if (!riepiloghiLetti_)
        LeggiRiepiloghi();
    const auto primo = primoRiepilogo_.constFind(qSelBolle->FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt());
    if (primo == primoRiepilogo_.cend())
        return; // a note without a summary adds nothing
    qLUMO_CauzDocBoll->GotoBookmark(*primo);
    UT_LMQ_AggiornaCasCauDoc(provvisoria ? static_cast<TDataSet *>(TTLUMO_t_CauzDocFatt)
                                         : static_cast<TDataSet *>(tLUMO_CauzDocFatt));
}

void TfSVen0007d_DM_p::LeggiRiepiloghi()
{
    // the stored summaries of every note of the run, note by note and in packaging order
    TXQuery *q = qLUMO_CauzDocBoll;
    q->Close();
    q->SQL = QStringList{QStringLiteral("SELECT LUMO_CauzDocBoll.*"), QStringLiteral("FROM LUMO_CauzDocBoll"),
                         QStringLiteral("JOIN BolleCliTeste T ON T.KBolleCliT = LUMO_CauzDocBoll.KBolleCliT"),
                         QStringLiteral("WHERE")}
             + CondizioniSelezione()
             + QStringList{QStringLiteral("ORDER BY LUMO_CauzDocBoll.KBolleCliT, LUMO_CauzDocBoll.IdImballo")};
    ParametriSelezione(q);
    q->Open();
    // the stored cards of the run's customers as they are before the run moves them (a card
    // is taken once per run, before any move of its own)
    TXQuery schede;
    schede.SQL =
        QStringList{QStringLiteral("SELECT C.* FROM LUMO_ProgCauz C WHERE EXISTS (SELECT 1 FROM BolleCliTeste T"),
                    QStringLiteral("WHERE T.IdClienteTp = C.IdContoTp AND T.IdCliente = C.IdConto AND")}
        + CondizioniSelezione() + QStringList{QStringLiteral(")")};
    ParametriSelezione(&schede);
    schede.Open();
    schedeArchivio_.clear();
    for (schede.First(); !schede.Eof(); schede.Next()) {
        QHash<QString, QVariant> valori;
        for (TField *f : schede.FieldList())
            valori.insert(f->FieldName().toLower(), f->Value());
        const auto testo = [&schede](const char *campo) {
            return schede.FieldByName(QLatin1String(campo))->AsString().trimmed();
        };
        schedeArchivio_.insert(ChiaveScheda(testo("IdContoTp"), testo("IdConto"),
                                            schede.FieldByName(QStringLiteral("FlTipoScheda"))->AsInteger(),
                                            schede.FieldByName(QStringLiteral("IdDestinazione"))->AsInteger(),
                                            testo("IdImballo")),
                               valori);
    }
    schede.Close();
    primoRiepilogo_.clear();
    qint64 bolla = -1;
    for (q->First(); !q->Eof(); q->Next()) {
        const qint64 k = q->FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt();
        if (k != bolla)
            primoRiepilogo_.insert(k, q->GetBookmark());
        bolla = k;
    }
    riepiloghiLetti_ = true;
}

void TfSVen0007d_DM_p::UT_LMQ_AggiornaCasCauDoc(TDataSet *T)
{
    TDataSet *testa = tFattureT;
    TDataSet *S = qLUMO_CauzDocBoll;
    Campi s(S);
    const qint64 fattura = testa->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    // another invoice's rows are complete
    if (!sommari_.empty() && (fattura != fatturaSommari_ || T != destinazioneSommari_))
        ScriviSommari();
    fatturaSommari_ = fattura;
    destinazioneSommari_ = T;
    const QString contoTp = testa->FieldByName(QStringLiteral("IdClienteTp"))->AsString().trimmed();
    const QString conto = testa->FieldByName(QStringLiteral("IdCliente"))->AsString().trimmed();
    const QString divisa = testa->FieldByName(QStringLiteral("IdDivisa"))->AsString().trimmed();
    const bool perDestinazione = SchedaPerDestinazione();
    const int destinazione = perDestinazione ? testa->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger() : 0;
    const int tipoScheda = perDestinazione ? 0 : 1;
    const bool eccedenze = UT_LMQ_Parametri.FlGestEcc == 1;
    const bool provvisoria = Parametri.FlProvvisoria == 1;
    const qint64 bolla = S->FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt();
    for (; !S->Eof() && S->FieldByName(QStringLiteral("KBolleCliT"))->AsLargeInt() == bolla; S->Next()) {
        const QString imballo = S->FieldByName(QStringLiteral("IdImballo"))->AsString().trimmed();
        const double qtaCar = s.Num("QtaCar");
        const double qtaRes = s.Num("QtaRes");
        // the invoice's row of the packaging (a note merged before into it, or a new one)
        const auto riga = std::find_if(sommari_.begin(), sommari_.end(),
                                       [&imballo](const TSommarioRun &r) { return r.imballo == imballo; });
        const bool nuova = riga == sommari_.end();
        TSommarioRun r;
        if (nuova) {
            r.imballo = imballo;
            r.esistenzaB = s.Num("EsistenzaB");
            r.valoreEsiB = s.Num("ValoreEsiB");
        } else {
            r = *riga;
        }
        // 2.-3. quantities; the excess kept apart is the sum of the notes' excess
        r.qtaCar += qtaCar;
        r.qtaRes += qtaRes;
        r.qtaCarEcc = eccedenze ? r.qtaCarEcc + s.Num("QtaCarEcc") : 0;
        r.qtaResEcc = eccedenze ? r.qtaResEcc + s.Num("QtaResEcc") : 0;
        // 4.-5. the last non-zero price; values at it, or summed with the excess kept apart
        if (s.Num("Prezzo") != 0)
            r.prezzo = s.Num("Prezzo");
        if (!eccedenze) {
            r.valoreCar = UT_LMQ_CAUZ_CalcValCau(r.qtaCar, r.prezzo, FormatiNumero.DecValore);
            r.valoreRes = UT_LMQ_CAUZ_CalcValCau(r.qtaRes, r.prezzo, FormatiNumero.DecValore);
        } else {
            r.valoreCar += s.Num("ValoreCar");
            r.valoreRes += s.Num("ValoreRes");
        }
        // the run's card: a copy of the stored one, or a new one (kept aside until it is
        // moved whole, as a posted row)
        const QString chiaveScheda = ChiaveScheda(contoTp, conto, tipoScheda, destinazione, imballo);
        const auto posto = postoSchedaRun_.constFind(chiaveScheda);
        TSchedaRun scheda;
        if (posto != postoSchedaRun_.cend()) {
            scheda = schedeRun_[*posto];
        } else {
            const auto archivio = schedeArchivio_.constFind(chiaveScheda);
            if (archivio != schedeArchivio_.cend()) {
                scheda.daArchivio = true;
                scheda.archivio = *archivio;
                for (int i = 0; i < kProgressiviScheda; ++i) {
                    const QVariant v =
                        kv8data::CoerceLoaded(archivio->value(QString::fromLatin1(kProgressivi[i]).toLower()), ftFloat);
                    scheda.prog[i] = v.isNull() ? 0 : v.toDouble();
                }
            } else {
                scheda.contoTp = contoTp;
                scheda.conto = conto;
                scheda.tipoScheda = tipoScheda;
                scheda.destinazione = destinazione;
                scheda.imballo = imballo;
                scheda.divisa = divisa;
            }
        }
        double *c = scheda.prog;
        const auto muovi = [&scheda](int i, double valore) {
            scheda.prog[i] += valore;
            scheda.mosso[i] = true;
        };
        // a new row opens at the card's balances
        if (nuova) {
            r.esistenzaAtt = c[kQtaCar] - c[kQtaRes];
            r.valoreEsiAtt = c[kValCar] - c[kValRes];
            r.esistenzaF = c[kQtaCarF] - c[kQtaResF];
            r.valoreEsiF = c[kValCarF] - c[kValResF];
        }
        // a causal that moves no general card shows the balance net of every note
        if (UT_LMQ_FlAggCau == 0) {
            r.esistenzaAtt += -qtaCar + qtaRes;
            r.valoreEsiAtt += -s.Num("ValoreCar") + s.Num("ValoreRes");
        }
        // the run's card moves by the quantities
        if (UT_LMQ_FlAggCau == 1) {
            muovi(kQtaCar, qtaCar);
            muovi(kQtaRes, qtaRes);
            muovi(kQtaCarEcc, s.Num("QtaCarEcc"));
            muovi(kQtaResEcc, s.Num("QtaResEcc"));
        }
        if (UT_LMQ_FlAggCauF == 1) {
            muovi(kQtaCarF, qtaCar);
            muovi(kQtaResF, qtaRes);
        }
        if (UT_LMQ_FlAggCauB == 1) {
            muovi(kQtaCarB, qtaCar);
            muovi(kQtaResB, qtaRes);
        }
        if (posto != postoSchedaRun_.cend()) {
            schedeRun_[*posto] = std::move(scheda);
        } else {
            postoSchedaRun_.insert(chiaveScheda, schedeRun_.size());
            schedeRun_.push_back(std::move(scheda));
        }
        if (nuova)
            sommari_.push_back(std::move(r));
        else
            *riga = std::move(r);
        // the stored cards, in a definitive run: as the invoice's summary row will give them
        // again, excess parts included
        if (!provvisoria)
            UT_LMQ_CAUZ_AggiornaProgressivi(testa->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime(), contoTp,
                                            conto, destinazione, divisa, Num(testa, "Cambio"), imballo, qtaCar, qtaRes,
                                            eccedenze ? s.Num("QtaCarEcc") : 0, eccedenze ? s.Num("QtaResEcc") : 0,
                                            s.Num("Prezzo"), UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, 0, 0,
                                            0);
    }
}
