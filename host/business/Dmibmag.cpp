#include "host/business/Dmibmag.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibmat.h"
#include "host/business/Funzionibase.h"
#include "host/business/Funzionidoc.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/core/Notices.h"
#include "host/data/ArrayMark.h"
#include "host/data/ClassRegistry.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/XDataModule.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"

#include <QDebug>
#include <QHash>
#include <QPair>
#include <QScopeGuard>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>
#include <array>
#include <map>
#include <utility>

using Funzioni::CompDec;
using Funzioni::KRound;

namespace {

const QString CampiMovimento = QStringLiteral("FlTipoDocum;KRigoDoc;SubNumOrdine");
const QString CampiDettaglio =
    QStringLiteral("FlTipoDocumento;KTestaDoc;KRigoDoc;IdVariante;Gruppo;IdLotto;IdDimensioneD");

int DecQuantita()
{
    return KFormati::GetDecimali(KFormati::fnQuantita);
}

int DecValore()
{
    return KFormati::GetDecimali(KFormati::fnValoreIT);
}

int DecPrezzo()
{
    return KFormati::GetDecimali(KFormati::fnPrezzoIT);
}

// A code as the tables keep it: never null (a null text would reach SQL as NULL).
QString Codice(const QString &codice)
{
    return codice.isNull() ? QStringLiteral("") : codice;
}

// The marks "?, ?, ..." of the values of a set, the values appended to valori in their order.
template <typename Insieme> QString Segni(const Insieme &insieme, QVariantList &valori)
{
    QStringList segni;
    for (const auto &v : insieme) {
        segni << QStringLiteral("?");
        valori << v;
    }
    return segni.join(QStringLiteral(", "));
}

// A column's test against the values a selection gives: on PostgreSQL "= ANY(array)" of the
// values themselves (tipo: the array's type), which its planner reads by the index whatever it
// knows of the tables, else "IN (selezione)" bound to parametro; what to bind appended to valori.
QString TraValori(const TXDatabase &db, const char *tipo, const QVariantList &valoriSelezione, const QString &selezione,
                  const QVariant &parametro, QVariantList &valori)
{
    if (db.IsPostgres()) {
        valori << db.ArrayText(valoriSelezione);
        return QStringLiteral("= ANY(CAST(? AS %1))").arg(QLatin1String(tipo));
    }
    valori << parametro;
    return QStringLiteral("IN (%1)").arg(selezione);
}

// Fields found by name, by dataset and name in pairs of places: the one found last first, the
// other kept (two names meeting on one place do not drive each other out row after row).
struct PostoCampo {
    const TDataSet *ds = nullptr;
    const char *nome = nullptr;
    quint64 serie = 0;
    TField *campo = nullptr;
};
std::array<PostoCampo, 4096> postiCampi;

bool PostoDi(const PostoCampo &posto, const TDataSet *ds, const char *nome, quint64 serie)
{
    return posto.ds == ds && posto.nome == nome && posto.serie == serie;
}

// Campo past the first place of the pair i.
[[gnu::noinline]] TField *CercaCampo(const TDataSet *ds, const char *nome, std::size_t i, quint64 serie)
{
    PostoCampo &primo = postiCampi[i];
    PostoCampo &secondo = postiCampi[i + 1];
    if (PostoDi(secondo, ds, nome, serie)) {
        std::swap(primo, secondo);
        return primo.campo;
    }
    TField *f = ds->FindField(QLatin1String(nome));
    secondo = primo;
    primo = {ds, nome, serie, f};
    return f;
}

// A field by name, or nullptr. The generator reads and sets the same columns of the same
// datasets row after row: the answer found once (a missing field too) stands while the
// dataset's names stay as they were.
inline TField *Campo(const TDataSet *ds, const char *nome)
{
    const quint64 chiave = quint64(reinterpret_cast<quintptr>(ds)) * 0x9E3779B97F4A7C15ULL
                           ^ quint64(reinterpret_cast<quintptr>(nome)) * 0xC2B2AE3D27D4EB4FULL;
    const std::size_t i = std::size_t(chiave >> 52) & ~std::size_t(1);
    const quint64 serie = ds->NamesSerial();
    const PostoCampo &primo = postiCampi[i];
    return PostoDi(primo, ds, nome, serie) ? primo.campo : CercaCampo(ds, nome, i, serie);
}

inline TField *F(const TDataSet *ds, const char *campo)
{
    if (TField *f = Campo(ds, campo))
        return f;
    return ds->FieldByName(QLatin1String(campo)); // throws, naming the field
}

// Values of columns a dataset may lack (they differ by document kind).
QString Testo(const TDataSet *ds, const char *campo)
{
    const TField *f = Campo(ds, campo);
    return f ? f->AsString() : QString();
}

int Intero(const TDataSet *ds, const char *campo)
{
    const TField *f = Campo(ds, campo);
    return f ? f->AsInteger() : 0;
}

double Numero(const TDataSet *ds, const char *campo)
{
    const TField *f = Campo(ds, campo);
    return f ? f->AsFloat() : 0.0;
}

QDateTime Data(const TDataSet *ds, const char *campo)
{
    const TField *f = Campo(ds, campo);
    return f ? f->AsDateTime() : QDateTime();
}

bool Vendita(int tipo)
{
    return tipo == 0 || tipo == 1 || tipo == 6;
}

bool Acquisto(int tipo)
{
    return tipo == 10 || tipo == 11 || tipo == 13;
}

// Locates a stock row as it is stored now (another user may have booked it since it was
// read); a row the table itself wrote in the open transaction is not read again.
bool TrovaSaldo(TDataSet *tabella, const QString &campi, const QVariantList &chiave)
{
    if (auto *client = qobject_cast<TXClientTable *>(tabella))
        return client->LocateAsStored(campi, chiave);
    return tabella->Locate(campi, chiave);
}

void Annulla(TDataSet *ds)
{
    if (ds && (ds->State() == dsInsert || ds->State() == dsEdit))
        ds->Cancel();
}

// The text of an error for the user.
// Runs a booking step; a failure gives the generator's message, the cause goes to the log.
void Esegui(bool riuscito, const QString &messaggio)
{
    if (!riuscito)
        throw Exception(messaggio);
}

// Deletes the movements of the keys (KMovMag) in one statement or a few; the rows deleted.
int EliminaPerChiave(TXDatabase &db, const QString &tabella, const QVariantList &chiavi)
{
    if (db.IsPostgres())
        return db.ExecSQL(QStringLiteral("DELETE FROM %1 WHERE KMovMag = ANY(CAST(? AS _int8))").arg(tabella),
                          {db.ArrayText(chiavi)});
    constexpr qsizetype kPerBlocco = 500;
    int eliminati = 0;
    for (qsizetype da = 0; da < chiavi.size(); da += kPerBlocco) {
        QVariantList blocco;
        const QString segni = Segni(chiavi.mid(da, kPerBlocco), blocco);
        eliminati += db.ExecSQL(QStringLiteral("DELETE FROM %1 WHERE KMovMag IN (%2)").arg(tabella, segni), blocco);
    }
    return eliminati;
}

// A column's value as an UPDATE binds it: texts never null, numbers 0 when empty, dates in
// the engine's stored form.
QVariant ValoreScritto(const TXDatabase &db, const TField *f, const QVariant &v)
{
    if (f->IsText() && (v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isNull())))
        return QString(QLatin1String(""));
    if (v.isNull()) {
        if (f->IsNumeric() || f->DataType() == ftBoolean)
            return f->DataType() == ftFloat ? QVariant(0.0) : QVariant(qlonglong(0));
    }
    return v.typeId() == QMetaType::QDateTime ? db.ToDb(v) : v;
}

// Rows of a table kept by one of the module's writers for the commit of the open transaction
// of its connection, or until a statement names the table; forgotten at a rollback.
class TScritturaInAttesa : protected TXTransactionListener, protected TXDeferredWrites {
public:
    explicit TScritturaInAttesa(TXClientTable *tabella) : tabella_(tabella) {}

    // Writes the rows kept (Svuota first); a failure is thrown.
    virtual void Scrivi() = 0;

protected:
    // Before the first row is kept: the transaction followed, the rows written before a
    // statement names the table.
    void Segui()
    {
        TXDatabase &db = tabella_->Database();
        Listen(&db);
        db.AddDeferred(this);
    }
    // No longer followed; the rows kept dropped (Dimentica).
    void Svuota()
    {
        if (TXDatabase *db = ListenedDatabase())
            db->RemoveDeferred(this);
        StopListening();
        Dimentica();
    }
    virtual void Dimentica() = 0;

    TXClientTable *tabella_;

private:
    QString DeferredTable() const override { return tabella_->TableName(); }
    void FlushDeferred() override { Scrivi(); }
    void BeforeCommit() override { Scrivi(); }
    void TransactionRolledBack() override { Svuota(); }
};

} // namespace

// Lookups kept for the open transaction of their connection: dropped at its end and when a
// statement in it may write one of their tables.
class TDMIBMag::TLetture : public TXTransactionListener {
public:
    QHash<QString, std::optional<TArticoloMag>> Articoli;
    // the article asked last (a row asks for its own several times)
    bool ConUltimo = false;
    QString UltimoCodice;
    std::optional<TArticoloMag> Ultimo;
    const std::optional<TArticoloMag> &Ricorda(const QString &codice, const std::optional<TArticoloMag> &articolo)
    {
        ConUltimo = true;
        UltimoCodice = codice;
        Ultimo = articolo;
        return Ultimo;
    }
    QHash<QString, std::optional<TCausaleMag>> Causali;
    // the causal asked last (a row asks for its own at each step)
    const std::optional<TCausaleMag> *UltimaCausale = nullptr;
    QHash<QPair<QPair<int, int>, QString>, std::optional<QString>> Collegamenti; // by kind, row type, causal
    QHash<QPair<int, int>, std::optional<Tipirigo::TRTipoRigo>> TipiRigo;
    QHash<qint64, std::optional<int>> Esercizi; // by day
    struct {
        bool Valido = false;
        QString Causale;
        int Numero = 0;
        int Anno = 0;
        int Serie = 0;
        QString Testo;
    } Riferimento; // the last document's reference

    void Svuota()
    {
        Articoli.clear();
        ConUltimo = false;
        UltimaCausale = nullptr;
        Causali.clear();
        Collegamenti.clear();
        TipiRigo.clear();
        Esercizi.clear();
        Riferimento.Valido = false;
    }

protected:
    void TransactionCommitted() override { Fine(); }
    void TransactionRolledBack() override { Fine(); }
    void TableWritten() override { Svuota(); }

private:
    void Fine()
    {
        Svuota();
        StopListening();
    }
};

TDMIBMag::TLetture *TDMIBMag::Letture()
{
    TXDatabase &db = TDMIBase::Crea()->lkArticoli->Database();
    if (!db.InTransaction())
        return nullptr;
    if (!letture_)
        letture_ = std::make_unique<TLetture>();
    if (letture_->ListenedDatabase() != &db) {
        letture_->Svuota();
        letture_->Listen(&db,
                         {QStringLiteral("Articoli"), QStringLiteral("CausaliMagaz"), QStringLiteral("CausaliDocMagaz"),
                          QStringLiteral("TipiRigo"), QStringLiteral("EserciziMagazzino")});
    }
    return letture_.get();
}

TField *TDMIBMag::CampoDataset(const TDataSet *ds, const char *nome)
{
    return Campo(ds, nome);
}

std::optional<TDMIBMag::TArticoloMag> TDMIBMag::LeggiArticolo(const QString &idProdotto)
{
    TLetture *letture = Letture();
    if (letture) {
        if (letture->ConUltimo && letture->UltimoCodice == idProdotto)
            return letture->Ultimo;
        if (const auto it = letture->Articoli.constFind(idProdotto); it != letture->Articoli.cend())
            return letture->Ricorda(idProdotto, *it);
    }
    std::optional<TArticoloMag> articolo;
    TXlkTable *t = TDMIBase::Crea()->lkArticoli;
    if (TDMIBase::Posiziona(t, QStringLiteral("IdProdotto"), {idProdotto}))
        articolo = TArticoloMag{F(t, "FlTipoCarico")->AsInteger(), F(t, "IdUM1")->AsString().trimmed()};
    if (letture) {
        letture->Articoli.insert(idProdotto, articolo);
        letture->Ricorda(idProdotto, articolo);
    }
    return articolo;
}

TDMIBMag::TDMIBMag(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIBMag"));
    const auto tabella = [this](const char *nome, const char *tabella, const char *vuota) {
        auto *t = Create<TXClientTable>(QLatin1String(nome));
        t->SetTableName(QLatin1String(tabella));
        t->SetXWhereVuoto(QLatin1String(vuota));
        t->SetUsaDizionario(true);
        // a document's movements, details and balances reach the database in batches at the commit
        t->SetDeferredWrites(true);
        return t;
    };
    tMovMagazzino = tabella("tMovMagazzino", "MovMagazzino", "KMovMag = -1");
    tMovMagazzinoD = tabella("tMovMagazzinoD", "MovMagazzinoD", "KMovMagD = -1");
    tEsistenze = tabella("tEsistenze", "EsistenzeMagazzino", "Esercizio = -1");
    tPartite = tabella("tPartite", "EsistenzePartite", "Esercizio = -1");
    tDettQtaDoc = tabella("tDettQtaDoc", "DettQtaDoc", "KDettQta = -1");
    tSaldiLotti = tabella("tSaldiLotti", "SaldiLotti", "IdMagazzino = -1");
    qLavoro = Create<TXQuery>(QStringLiteral("qLavoro"));
    qMatricole = Create<TXQuery>(QStringLiteral("qMatricole"));
    qMatricole->SQL = {QStringLiteral("SELECT * FROM DettQtaDoc"),
                       QStringLiteral("WHERE FlTipoDocumento = :FlTipoDoc AND KTestaDoc = :KTesta")};
}

TDMIBMag::~TDMIBMag() = default;

TDMIBMag *TDMIBMag::Crea(QObject *owner)
{
    if (!DMIBMag)
        DMIBMag = Xforms::XGetDMClass(ClassRef::Of<TDMIBMag>()).CreateAs<TDMIBMag>(owner ? owner : ApplicationOwner());
    return DMIBMag;
}

QString TDMIBMag::CampoChiaveRigo(int codTipoDoc)
{
    switch (codTipoDoc) {
    case 0:
        return QStringLiteral("KBolleCliR");
    case 1:
        return QStringLiteral("KFattCliR");
    case 6:
        return QStringLiteral("KVenditaDettR");
    case 10:
        return QStringLiteral("KBolleForR");
    case 11:
        return QStringLiteral("KFattForR");
    case 13:
        return QStringLiteral("KFattAutR");
    default:
        return QString();
    }
}

QString TDMIBMag::CampoChiaveTesta(int codTipoDoc)
{
    switch (codTipoDoc) {
    case 0:
        return QStringLiteral("KBolleCliT");
    case 1:
        return QStringLiteral("KFattCliT");
    case 6:
        return QStringLiteral("KVenditaDettT");
    case 10:
        return QStringLiteral("KBolleForT");
    case 11:
        return QStringLiteral("KFattForT");
    case 13:
        return QStringLiteral("KFattAutT");
    default:
        return QString();
    }
}

QString TDMIBMag::TabellaRighe(int codTipoDoc)
{
    switch (codTipoDoc) {
    case 0:
        return QStringLiteral("BolleCliRighe");
    case 1:
        return QStringLiteral("FattureCliRighe");
    case 6:
        return QStringLiteral("VenditaDettRighe");
    case 10:
        return QStringLiteral("BolleForRighe");
    case 11:
        return QStringLiteral("FattureForRighe");
    case 13:
        return QStringLiteral("FattureAutRighe");
    default:
        return QString();
    }
}

bool TDMIBMag::RigoDiReso(int codTipoDoc, int tipoRigo)
{
    if (!Vendita(codTipoDoc))
        return false;
    const KV8Config::TFSVEN01 p = KV8Config::GetFSVEN01();
    return (p.TipoRigoReso1 >= 0 && tipoRigo == p.TipoRigoReso1)
           || (p.TipoRigoReso2 >= 0 && tipoRigo == p.TipoRigoReso2);
}

// ---- the generator

bool TDMIBMag::GeneraMovimentoMagazzino(int statoRigo, int codTipoDoc, const QString &idCausale, const QString &idCosto,
                                        bool costiAttivi, TDataSet *testa, TDataSet *rigo, TDataSet *movimenti,
                                        TDataSet *esistenze, TDataSet *partite, TDataSet *movimentiD, TXQuery *query,
                                        TDataSet *dettaglioQta)
{
    TContestoMovimento c = ContestoMovimento(statoRigo, codTipoDoc, idCausale, idCosto, costiAttivi, testa, rigo,
                                             movimenti, esistenze, partite, movimentiD, query, dettaglioQta);
    try {
        if (!LeggiDatiMovimento(c))
            return true;
        Funzioni::CheckTabOpen(c.Movimenti);
        if (c.StatoRigo == 3 && RinviaEliminazione(c))
            return true;
        if ((c.StatoRigo == 1 || c.StatoRigo == 3) && RegistraInBlocco(c))
            return true;
        if (c.StatoRigo == 1 || c.StatoRigo == 3) {
            c.MovimentoTrovato = TrovaMovimento(c, 0);
            if (c.MovimentoTrovato)
                StornaMovimento(c);
        }
        if (c.StatoRigo == 3) {
            EliminaMovimenti(c);
            return true;
        }
        ApriMovimento(c, 0, c.MovimentoTrovato);
        SettaCampiMovimento(c, 0);
        RegistraMovimento(c, 0);
        GeneraContromovimento(c);
        return true;
    } catch (const std::exception &e) {
        ErroreMovimento(c, e);
    }
    return false;
}

TDMIBMag::TContestoMovimento TDMIBMag::ContestoMovimento(int statoRigo, int codTipoDoc, const QString &idCausale,
                                                         const QString &idCosto, bool costiAttivi, TDataSet *testa,
                                                         TDataSet *rigo, TDataSet *movimenti, TDataSet *esistenze,
                                                         TDataSet *partite, TDataSet *movimentiD, TXQuery *query,
                                                         TDataSet *dettaglioQta)
{
    TContestoMovimento c;
    // an unchanged row is rewritten like a modified one: never a second movement
    c.StatoRigo = statoRigo == 0 ? 1 : statoRigo;
    c.CodTipoDoc = codTipoDoc;
    c.IdCausale = idCausale.trimmed();
    c.IdCosto = idCosto.trimmed();
    c.CostiAttivi = costiAttivi;
    c.Testa = testa;
    c.Rigo = rigo;
    c.Movimenti = movimenti ? movimenti : tMovMagazzino;
    c.Esistenze = esistenze ? esistenze : tEsistenze;
    c.Partite = partite ? partite : tPartite;
    c.MovimentiD = movimentiD ? movimentiD : tMovMagazzinoD;
    c.Query = query ? query : qLavoro;
    c.RecordMatricole = dettaglioQta;
    return c;
}

void TDMIBMag::ErroreMovimento(TContestoMovimento &c, const std::exception &e)
{
    for (TDataSet *ds : {c.Movimenti, c.Esistenze, c.Partite, c.MovimentiD, static_cast<TDataSet *>(tDettQtaDoc)})
        Annulla(ds);
    if (!dynamic_cast<const EAbort *>(&e))
        Notices::Tell(ErrorText(e), TNoticeKind::Warning);
}

bool TDMIBMag::LeggiDatiMovimento(TContestoMovimento &c)
{
    const QString prodotto = F(c.Rigo, "IdProdotto")->AsString().trimmed();
    const int tipoRigo = F(c.Rigo, "TipoRigo")->AsInteger();
    const KV8Config::TFMBAS01 magazzino = KV8Config::GetFMBAS01();
    c.ConPartite = magazzino.LivelloPartite >= 2;
    c.ConMatricole = magazzino.FlMatricole == 1;
    c.ConDettaglioQta = KV8Config::GetFSBAS01().FlDettaglioQta == 1;
    c.RigoReso = RigoDiReso(c.CodTipoDoc, tipoRigo);

    // 1-2. the article, and rows that book no stock (a row without article among them)
    bool senzaMagazzino = prodotto.isEmpty();
    if (!senzaMagazzino) {
        const std::optional<TArticoloMag> articolo = LeggiArticolo(prodotto);
        if (!articolo)
            throw Exception(QStringLiteral("Prodotto ") + prodotto + QStringLiteral(" non esistente "));
        const int carico = articolo->FlTipoCarico;
        senzaMagazzino = (carico >= 10 && carico <= 13) || carico == 20;
        if (!senzaMagazzino && c.CodTipoDoc == 0 && Intero(c.Testa, "FlContoLavoro") == 1) {
            const int contoLavoro = KV8Config::GetFSCLV01().TipoRigoContoLavoro;
            senzaMagazzino = contoLavoro >= 0 && tipoRigo == contoLavoro;
        }
    }
    if (senzaMagazzino) {
        if (c.StatoRigo == 2 || Intero(c.Testa, "ProtMagazzino") <= 0)
            return false;
        c.StatoRigo = 3; // the movement booked earlier goes
    }

    // the company books no movements
    if (CFG.FlMovMagazzino == 2)
        return false;

    if (c.IdCausale.isEmpty())
        throw Exception(QStringLiteral("Causale di magazzino vuota"));
    if (Intero(c.Testa, "ProtMagazzino") <= 0)
        throw Exception(QStringLiteral("Protocollo di magazzino non specificato sulla testa del documento"));

    // the causal
    QString collegata;
    if (CausaleCollegata(c.CodTipoDoc, Testo(c.Testa, "IdCausale"), tipoRigo, collegata))
        c.IdCausale = collegata.trimmed();
    if (c.IdCausale.isEmpty())
        return false;
    if (!LeggiCausale(c.IdCausale, c.Causale))
        throw Exception(QStringLiteral("Causale di magazzino <%1> non valida").arg(c.IdCausale));
    TCausaleMag contro;
    c.FlPartitaContro =
        !c.Causale.IdContropartita.isEmpty() && LeggiCausale(c.Causale.IdContropartita, contro) ? contro.FlPartita : 0;

    // the exercise
    const QDateTime data = Data(c.Testa, "DataDocumento");
    if (!TrovaEsercizioDallaData(data, c.Esercizio))
        throw Exception(QStringLiteral("Esercizio di magazzino non trovato o non valido con la data del documento <%1>")
                            .arg(Funzioni::DataToStringa(data)));

    // keys and row type
    const QString campoRigo = CampoChiaveRigo(c.CodTipoDoc);
    const QString campoTesta = CampoChiaveTesta(c.CodTipoDoc);
    c.KRigo = campoRigo.isEmpty() ? 0 : c.Rigo->FieldByName(campoRigo)->AsInteger();
    c.KTesta = campoTesta.isEmpty() ? 0 : c.Testa->FieldByName(campoTesta)->AsInteger();
    if (TLetture *letture = Letture()) {
        const QPair<int, int> chiave(c.CodTipoDoc, tipoRigo);
        auto it = letture->TipiRigo.find(chiave);
        if (it == letture->TipiRigo.end())
            it = letture->TipiRigo.insert(chiave, Tipirigo::TRGetTipoRigo(c.CodTipoDoc, 0, tipoRigo));
        c.TipoRigo = *it;
    } else {
        c.TipoRigo = Tipirigo::TRGetTipoRigo(c.CodTipoDoc, 0, tipoRigo);
    }
    c.AggiornaSaldi = c.CodTipoDoc != 6 || Intero(c.Testa, "FlAggSaldi") == 1;

    // the document's serial records
    if (c.ConMatricole && !c.RecordMatricole) {
        qMatricole->Close();
        qMatricole->ParamByName(QStringLiteral("FlTipoDoc"))->SetAsInteger(c.CodTipoDoc);
        qMatricole->ParamByName(QStringLiteral("KTesta"))->SetAsInteger(c.KTesta);
        qMatricole->Open();
        c.RecordMatricole = qMatricole;
    }
    // a row of a document being deleted needs nothing of it: its movements go in a block
    if (!(c.StatoRigo == 3 && rinviati_))
        LeggiDocumento(c);
    return true;
}

bool TDMIBMag::DocumentoLetto(const TContestoMovimento &c) const
{
    const auto *movimenti = qobject_cast<const TXClientTable *>(c.Movimenti);
    return movimenti && letto_.Movimenti == movimenti && letto_.CodTipoDoc == c.CodTipoDoc && letto_.KTesta == c.KTesta
           && movimenti->Database().InTransaction() && letto_.Transazione == movimenti->Database().TransactionSerial();
}

void TDMIBMag::LeggiDocumento(TContestoMovimento &c)
{
    auto *movimenti = qobject_cast<TXClientTable *>(c.Movimenti);
    const QString tabella = TabellaRighe(c.CodTipoDoc);
    if (!movimenti || tabella.isEmpty() || c.KTesta <= 0 || !movimenti->Database().InTransaction())
        return;
    if (DocumentoLetto(c) && letto_.Esistenze == c.Esistenze)
        return;
    TXDatabase &db = movimenti->Database();
    letto_ = TDocumentoLetto();
    letto_.Movimenti = movimenti;
    letto_.Esistenze = c.Esistenze;
    letto_.CodTipoDoc = c.CodTipoDoc;
    letto_.KTesta = c.KTesta;
    letto_.Transazione = db.TransactionSerial();
    letto_.ConSaldi = qobject_cast<TXClientTable *>(c.Esistenze) && c.AggiornaSaldi;

    // the stock the rows book (the counter-movement's arrival warehouse too)
    const int arrivo = Intero(c.Testa, "IdMagArrivo");
    QList<QVariantList> saldi;
    QVariantList prodotti;
    {
        QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT %1, IdMagazzino, IdProdotto FROM %2 WHERE %3 = ?")
                                       .arg(CampoChiaveRigo(c.CodTipoDoc), tabella, CampoChiaveTesta(c.CodTipoDoc)),
                                   {c.KTesta});
        while (q.next()) {
            letto_.Righe << q.value(0).toInt();
            if (letto_.ConSaldi) {
                const QString prodotto = q.value(2).toString();
                prodotti << prodotto;
                AggiungiSaldo(saldi, c.Esercizio, q.value(1).toInt(), prodotto);
                if (arrivo != 0)
                    AggiungiSaldo(saldi, c.Esercizio, arrivo, prodotto);
            }
        }
    }
    // in one statement whose lists hold every key (the products by the same selection)
    if (!saldi.isEmpty()) {
        QVariantList valori;
        QSet<int> esercizi;
        QSet<int> magazzini;
        for (const QVariantList &chiave : std::as_const(saldi)) {
            esercizi.insert(chiave.at(0).toInt());
            magazzini.insert(chiave.at(1).toInt());
        }
        const QString segniEsercizi = Segni(esercizi, valori);
        const QString segniMagazzini = Segni(magazzini, valori);
        const QString segniProdotti = TraValori(
            db, "_text", prodotti,
            QStringLiteral("SELECT IdProdotto FROM %1 WHERE %2 = ?").arg(tabella, CampoChiaveTesta(c.CodTipoDoc)),
            c.KTesta, valori);
        LeggiSaldi(c, saldi,
                   QStringLiteral("Esercizio IN (%1) AND IdMagazzino IN (%2) AND IdProdotto %3")
                       .arg(segniEsercizi, segniMagazzini, segniProdotti),
                   valori);
    }
}

void TDMIBMag::AggiungiSaldo(QList<QVariantList> &saldi, int esercizio, int magazzino, const QString &prodotto)
{
    const QString codice = Codice(prodotto);
    if (codice.trimmed().isEmpty())
        return;
    const TChiaveSaldo chiave(qMakePair(esercizio, magazzino), codice);
    if (letto_.Saldi.contains(chiave))
        return;
    letto_.Saldi.insert(chiave);
    saldi << QVariantList{esercizio, magazzino, codice};
}

void TDMIBMag::LeggiSaldi(TContestoMovimento &c, const QList<QVariantList> &saldi, const QString &condizione,
                          const QVariantList &valori)
{
    auto *esistenze = qobject_cast<TXClientTable *>(c.Esistenze);
    Funzioni::CheckTabOpen(esistenze);
    esistenze->ReadAsStored(QStringLiteral("Esercizio;IdMagazzino;IdProdotto"), saldi, condizione, valori);
}

void TDMIBMag::LeggiSaldiMancanti(TContestoMovimento &c, const QList<QVariantList> &saldi)
{
    if (saldi.isEmpty())
        return;
    QSet<int> esercizi;
    QSet<int> magazzini;
    QSet<QString> prodotti;
    for (const QVariantList &chiave : saldi) {
        esercizi.insert(chiave.at(0).toInt());
        magazzini.insert(chiave.at(1).toInt());
        prodotti.insert(chiave.at(2).toString());
    }
    QVariantList valori;
    const QString segniEsercizi = Segni(esercizi, valori);
    const QString segniMagazzini = Segni(magazzini, valori);
    const QString segniProdotti = Segni(prodotti, valori);
    LeggiSaldi(c, saldi,
               QStringLiteral("Esercizio IN (%1) AND IdMagazzino IN (%2) AND IdProdotto IN (%3)")
                   .arg(segniEsercizi, segniMagazzini, segniProdotti),
               valori);
}

void TDMIBMag::LeggiMovimentiDocumento(TContestoMovimento &c)
{
    if (!DocumentoLetto(c) || letto_.MovimentiLetti)
        return;
    letto_.MovimentiLetti = true;
    auto *movimenti = qobject_cast<TXClientTable *>(c.Movimenti);
    TXDatabase &db = movimenti->Database();
    const QString tipo = QString::number(c.CodTipoDoc);
    // the document's stored rows (names and numbers of the program's own, never typed; their
    // keys as read with the document)
    QVariantList chiaviRighe;
    for (const int rigo : std::as_const(letto_.Righe))
        chiaviRighe << rigo;
    QVariantList valoriRighe;
    const QString righe =
        TraValori(db, "_int8", chiaviRighe,
                  QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                      .arg(CampoChiaveRigo(c.CodTipoDoc), TabellaRighe(c.CodTipoDoc), CampoChiaveTesta(c.CodTipoDoc)),
                  c.KTesta, valoriRighe);
    const QString movimentiRighe =
        QStringLiteral(" FROM %1 WHERE FlTipoDocum = %2 AND KRigoDoc %3").arg(movimenti->TableName(), tipo, righe);
    Funzioni::CheckTabOpen(movimenti);
    // the keys of the stored rows' movements and counter-movements
    QList<QVariantList> chiavi;
    chiavi.reserve(letto_.Righe.size() * 2);
    for (const int rigo : std::as_const(letto_.Righe))
        for (int sub : {0, 1})
            chiavi << QVariantList{c.CodTipoDoc, rigo, sub};
    // locked: nobody else changes them until the commit, and they are deleted by their key alone
    movimenti->ReadAsStored(CampiMovimento, chiavi, QStringLiteral("FlTipoDocum = %1 AND KRigoDoc %2").arg(tipo, righe),
                            valoriRighe, true);

    // the stock of the movements just read that the rows did not name
    if (letto_.ConSaldi && letto_.Esistenze == c.Esistenze && movimenti->RecordCount() > 0) {
        TField *tipo = F(movimenti, "FlTipoDocum");
        TField *rigo = F(movimenti, "KRigoDoc");
        TField *sub = F(movimenti, "SubNumOrdine");
        TField *esercizio = F(movimenti, "Esercizio");
        TField *magazzino = F(movimenti, "IdMagazzino1");
        TField *prodotto = F(movimenti, "IdProdotto");
        // the held movements and counter-movements of the rows, in one pass over what is held
        const QSet<int> righe(letto_.Righe.cbegin(), letto_.Righe.cend());
        QList<QVariantList> saldi;
        for (int i = 0, n = movimenti->RowCount(); i < n; ++i) {
            const int numero = movimenti->ValueAt(i, sub).toInt();
            if (movimenti->ValueAt(i, tipo).toInt() == c.CodTipoDoc && (numero == 0 || numero == 1)
                && righe.contains(movimenti->ValueAt(i, rigo).toInt()))
                AggiungiSaldo(saldi, movimenti->ValueAt(i, esercizio).toInt(), movimenti->ValueAt(i, magazzino).toInt(),
                              movimenti->ValueAt(i, prodotto).toString());
        }
        LeggiSaldiMancanti(c, saldi);
    }

    // the movements with lot details (the generator's own, kind 99)
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT DISTINCT KRigoDoc FROM DettQtaDoc WHERE FlTipoDocumento = 99 "
                                              "AND KTestaDoc = 0 AND KRigoDoc IN (SELECT KMovMag")
                                   + movimentiRighe + u')',
                               valoriRighe);
    while (q.next())
        letto_.MovimentiConLotti.insert(q.value(0).toInt());
    letto_.ConLottiNoti = true;
}

bool TDMIBMag::CausaleCollegata(int codTipoDoc, const QString &idCausale, int tipoRigo, QString &idCausaleMaga)
{
    const QString codice = Codice(idCausale.trimmed());
    TLetture *letture = Letture();
    const QPair<QPair<int, int>, QString> chiave(qMakePair(codTipoDoc, tipoRigo), codice);
    std::optional<QString> collegata;
    if (letture && letture->Collegamenti.contains(chiave)) {
        collegata = letture->Collegamenti.value(chiave);
    } else {
        TXlkTable *t = TDMIBase::Crea()->lkCausaliDocMagaz;
        // most rows have no link: a missing one does not read the table again
        if (TDMIBase::Posiziona(t, QStringLiteral("FlTipoDoc;IdCausale;TipoRigo"), {codTipoDoc, codice, tipoRigo},
                                false))
            collegata = F(t, "IdCausaleMaga")->AsString();
        if (letture)
            letture->Collegamenti.insert(chiave, collegata);
    }
    if (!collegata)
        return false;
    idCausaleMaga = *collegata;
    return true;
}

bool TDMIBMag::LeggiCausale(const QString &idCausale, TCausaleMag &causale)
{
    const QString codice = idCausale.trimmed();
    if (codice.isEmpty())
        return false;
    TLetture *letture = Letture();
    if (letture) {
        const std::optional<TCausaleMag> *nota = letture->UltimaCausale;
        if (!nota || !*nota || (*nota)->IdCausale != codice) {
            const auto it = letture->Causali.constFind(codice);
            nota = it != letture->Causali.cend() ? &*it : nullptr;
        }
        if (nota) {
            letture->UltimaCausale = nota;
            if (!*nota)
                return false;
            causale = **nota;
            return true;
        }
    }
    TXlkTable *t = TDMIBase::Crea()->lkCausMagaz;
    std::optional<TCausaleMag> letta;
    if (TDMIBase::Posiziona(t, QStringLiteral("IdCausale"), {codice})) {
        letta = TCausaleMag();
        letta->IdCausale = codice;
        letta->IdContropartita = F(t, "IdContropartita")->AsString().trimmed();
        letta->FlClasse = F(t, "FlClasse")->AsInteger();
        letta->FlEsistenza = F(t, "FlEsistenza")->AsInteger();
        letta->FlPartita = F(t, "FlPartita")->AsInteger();
    }
    if (letture) // an insertion may move the values: the one kept last is the new one
        letture->UltimaCausale = &*letture->Causali.insert(codice, letta);
    if (!letta)
        return false;
    causale = *letta;
    return true;
}

void TDMIBMag::IniziaEliminazioneDocumento()
{
    rinviati_.emplace();
}

void TDMIBMag::AnnullaEliminazioneDocumento()
{
    rinviati_.reset();
}

bool TDMIBMag::RinviaEliminazione(const TContestoMovimento &c)
{
    if (!rinviati_)
        return false;
    rinviati_->push_back(c);
    return true;
}

bool TDMIBMag::EliminaMovimentiRinviati()
{
    if (!rinviati_)
        return true;
    std::vector<TContestoMovimento> righe = std::move(*rinviati_);
    rinviati_.reset();
    if (righe.empty())
        return true;
    TContestoMovimento *corrente = &righe.front();
    try {
        if (EliminaInBlocco(righe))
            return true;
        for (TContestoMovimento &c : righe) {
            corrente = &c;
            c.MovimentoTrovato = TrovaMovimento(c, 0);
            if (c.MovimentoTrovato)
                StornaMovimento(c);
            EliminaMovimenti(c);
        }
        return true;
    } catch (const std::exception &e) {
        ErroreMovimento(*corrente, e);
    }
    return false;
}

bool TDMIBMag::EliminaInBlocco(const std::vector<TContestoMovimento> &righe)
{
    const TContestoMovimento &primo = righe.front();
    auto *movimenti = qobject_cast<TXClientTable *>(primo.Movimenti);
    const QString tabellaRighe = TabellaRighe(primo.CodTipoDoc);
    if (!movimenti || tabellaRighe.isEmpty() || !movimenti->Database().InTransaction())
        return false;
    QVariantList chiaviRighe;
    for (const TContestoMovimento &c : righe) {
        if (c.Movimenti != primo.Movimenti || c.CodTipoDoc != primo.CodTipoDoc || c.KTesta != primo.KTesta
            || c.CostiAttivi || c.ConPartite || c.ConMatricole || (c.AggiornaSaldi && c.Esistenze != tEsistenze))
            return false;
        chiaviRighe << c.KRigo;
    }
    TXDatabase &db = movimenti->Database();
    TMovimentiLetti letti;
    if (db.IsPostgres()) {
        // the movements deleted by a statement that gives back what they booked (nobody
        // changes them in between), unless one of the rows' movements has lot details: those
        // take the row path; none deleted: they have, or the rows have no movement
        letti = EliminaMovimentiRighe(movimenti, primo.CodTipoDoc, primo.KTesta, chiaviRighe, 0);
        if (letti.isEmpty())
            return !MovimentiConLotti(movimenti, primo.CodTipoDoc, primo.KTesta, chiaviRighe);
        QVariantList conContro;
        for (const TContestoMovimento &c : righe) {
            const auto movimento = letti.constFind(qMakePair(c.KRigo, 0));
            if (movimento != letti.cend() && CausaleConContromovimento(*movimento))
                conContro << c.KRigo;
        }
        if (!conContro.isEmpty())
            letti.insert(EliminaMovimentiRighe(movimenti, primo.CodTipoDoc, primo.KTesta, conContro, 1));
    } else {
        // read (the transaction holds the database), then deleted by key in one statement
        const TMovimentiLetti memorizzati =
            LeggiMovimentiRighe(movimenti, primo.CodTipoDoc, primo.KTesta, chiaviRighe, false);
        for (const TMovimentoLetto &m : memorizzati)
            if (m.ConLotti)
                return false;
        QVariantList elimina;
        for (const TContestoMovimento &c : righe) {
            const auto movimento = memorizzati.constFind(qMakePair(c.KRigo, 0));
            if (movimento == memorizzati.cend())
                continue;
            letti.insert(movimento.key(), *movimento);
            elimina << movimento->KMovMag;
            const auto contro = memorizzati.constFind(qMakePair(c.KRigo, 1));
            if (CausaleConContromovimento(*movimento) && contro != memorizzati.cend()) {
                letti.insert(contro.key(), *contro);
                elimina << contro->KMovMag;
            }
        }
        if (!elimina.isEmpty() && EliminaPerChiave(db, movimenti->TableName(), elimina) != elimina.size())
            throw Exception(QStringLiteral("Rigo di magazzino non trovato"));
    }
    // the stock taken back in the rows' order, each movement before its counter-movement
    for (const TContestoMovimento &c : righe) {
        if (!c.AggiornaSaldi)
            continue;
        for (const int sub : {0, 1}) {
            const auto movimento = letti.constFind(qMakePair(c.KRigo, sub));
            if (movimento != letti.cend())
                Esegui(AggiornaProgressivo(movimento->Valori, tEsistenze,
                                           QStringLiteral("Esercizio;IdMagazzino;IdProdotto"), false, true),
                       QStringLiteral("Errore in aggiornamento esistenze!"));
        }
    }
    // rows of them held from before are gone from the table
    movimenti->ForgetHeldRows();
    return true;
}

bool TDMIBMag::CausaleConContromovimento(const TMovimentoLetto &movimento)
{
    const QString precedente = movimento.Valori.IdCausale.trimmed();
    TCausaleMag causale;
    if (!LeggiCausale(precedente, causale))
        throw Exception(QStringLiteral("Causale di magazzino precedente <%1> non valida").arg(precedente));
    return causale.ConContromovimento();
}

namespace {

// The columns a block path reads of a movement, the lot details' test as the last but one;
// the date last, read only by the change (a deletion takes NULL, no date to convert).
QString ColonneMovimento(const QString &conLotti, bool conData)
{
    return QStringLiteral("KMovMag, KRigoDoc, SubNumOrdine, IdCausale, Esercizio, IdMagazzino1, IdProdotto, Quantita, "
                          "Valore, %1, %2")
        .arg(conLotti, conData ? QStringLiteral("DataMovimento") : QStringLiteral("NULL"));
}

// Whether the stored movement m has lot details (the generator's own, kind 99).
const QString LottiMovimento = QStringLiteral(
    "EXISTS (SELECT 1 FROM DettQtaDoc d WHERE d.FlTipoDocumento = 99 AND d.KTestaDoc = 0 AND d.KRigoDoc = m.KMovMag)");

} // namespace

QString TDMIBMag::SelezioneMovimentiRighe(const TXClientTable *movimenti, int codTipoDoc, int kTesta,
                                          const QVariantList &righe, QVariantList &valori)
{
    return QStringLiteral(" FROM %1 m WHERE FlTipoDocum = %2 AND SubNumOrdine IN (0, 1) AND KRigoDoc ")
               .arg(movimenti->TableName(), QString::number(codTipoDoc))
           + TraValori(movimenti->Database(), "_int8", righe,
                       QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                           .arg(CampoChiaveRigo(codTipoDoc), TabellaRighe(codTipoDoc), CampoChiaveTesta(codTipoDoc)),
                       kTesta, valori);
}

void TDMIBMag::AggiungiMovimentiLetti(TXDatabase &db, QSqlQuery &q, TMovimentiLetti &letti)
{
    while (q.next()) {
        TMovimentoLetto m;
        m.KMovMag = q.value(0).toLongLong();
        m.Valori.IdCausale = q.value(3).toString();
        m.Valori.Esercizio = q.value(4).toInt();
        m.Valori.IdMagazzino1 = q.value(5).toInt();
        m.Valori.IdProdotto = q.value(6).toString();
        m.Valori.Quantita = q.value(7).toDouble();
        m.Valori.Valore = q.value(8).toDouble();
        m.ConLotti = q.value(9).toInt() != 0;
        m.DataMovimento = q.value(10);
        letti.insert(qMakePair(q.value(1).toInt(), q.value(2).toInt()), m);
    }
    db.CheckReadEnd(q, q.lastQuery());
}

bool TDMIBMag::MovimentiConLotti(TXClientTable *movimenti, int codTipoDoc, int kTesta, const QVariantList &righe)
{
    QVariantList valori;
    const QString selezione = SelezioneMovimentiRighe(movimenti, codTipoDoc, kTesta, righe, valori);
    return movimenti->Database()
        .ScalarValue(QStringLiteral("SELECT 1") + selezione + QStringLiteral(" AND ") + LottiMovimento
                         + QStringLiteral(" LIMIT 1"),
                     valori)
        .isValid();
}

TDMIBMag::TMovimentiLetti TDMIBMag::EliminaMovimentiRighe(TXClientTable *movimenti, int codTipoDoc, int kTesta,
                                                          const QVariantList &righe, int subNumOrdine)
{
    TXDatabase &db = movimenti->Database();
    // counter-movements go after their movement, whose test stood for both
    QVariantList valoriLotti;
    const QString senzaLotti = subNumOrdine == 0
                                   ? QStringLiteral(" AND NOT EXISTS (SELECT 1")
                                         + SelezioneMovimentiRighe(movimenti, codTipoDoc, kTesta, righe, valoriLotti)
                                         + QStringLiteral(" AND ") + LottiMovimento + u')'
                                   : QString();
    const QString elimina =
        QStringLiteral("DELETE FROM %1 WHERE FlTipoDocum = %2 AND SubNumOrdine = %3 AND KRigoDoc ")
            .arg(movimenti->TableName(), QString::number(codTipoDoc), QString::number(subNumOrdine));
    const QString restituisce = QStringLiteral(" RETURNING ") + ColonneMovimento(QStringLiteral("0"), false);
    QSqlQuery q = db.OpenQuery(elimina + QStringLiteral("= ANY(CAST(? AS _int8))") + senzaLotti + restituisce,
                               QVariantList{db.ArrayText(righe)} + valoriLotti);
    TMovimentiLetti letti;
    AggiungiMovimentiLetti(db, q, letti);
    return letti;
}

TDMIBMag::TMovimentiLetti TDMIBMag::LeggiMovimentiRighe(TXClientTable *movimenti, int codTipoDoc, int kTesta,
                                                        const QVariantList &righe, bool conData)
{
    TXDatabase &db = movimenti->Database();
    QVariantList valori;
    const QString selezione = SelezioneMovimentiRighe(movimenti, codTipoDoc, kTesta, righe, valori);
    TMovimentiLetti letti;
    QSqlQuery q = db.OpenQuery(
        QStringLiteral("SELECT ")
            + ColonneMovimento(QStringLiteral("CASE WHEN ") + LottiMovimento + QStringLiteral(" THEN 1 ELSE 0 END"),
                               conData)
            + selezione + (db.IsPostgres() ? QStringLiteral(" FOR UPDATE") : QString()),
        valori);
    AggiungiMovimentiLetti(db, q, letti);
    return letti;
}

// A document's movements computed anew and deleted by the block path, kept until the commit
// (or a statement naming their table): deleted by key, then updated by key in multi-row
// statements, rows assigning the same columns together. They were read locked: nobody else
// changes them before then.
class TDMIBMag::TMovimentiInAttesa : public TScritturaInAttesa {
public:
    TMovimentiInAttesa(TXClientTable *tabella, TDataSet *calcolo) : TScritturaInAttesa(tabella), calcolo_(calcolo) {}
    ~TMovimentiInAttesa() override { Svuota(); }

    // The movement of the key gets the values of the record's fields at colonne.
    void Aggiorna(qint64 chiave, std::vector<int> colonne, QVariantList valori)
    {
        Inizia();
        aggiornati_.push_back({chiave, std::move(colonne), std::move(valori)});
    }
    void Elimina(qint64 chiave)
    {
        Inizia();
        eliminati_ << chiave;
    }

    void Scrivi() override
    {
        if (eliminati_.isEmpty() && aggiornati_.empty())
            return;
        const QVariantList eliminati = std::exchange(eliminati_, {});
        const std::vector<TRiga> aggiornati = std::exchange(aggiornati_, {});
        Svuota();
        TXDatabase &db = tabella_->Database();
        const QString tabella = tabella_->TableName();
        if (!eliminati.isEmpty() && EliminaPerChiave(db, tabella, eliminati) != eliminati.size())
            throw Exception(QStringLiteral("Rigo di magazzino non trovato"));
        std::map<std::vector<int>, std::vector<const TRiga *>> gruppi;
        for (const TRiga &r : aggiornati)
            gruppi[r.Colonne].push_back(&r);
        for (const auto &[colonne, righe] : gruppi)
            Aggiorna(db, tabella, colonne, righe);
    }

private:
    struct TRiga {
        qint64 Chiave = 0;
        std::vector<int> Colonne;
        QVariantList Valori;
    };

    // PostgreSQL: one statement of arrays for the rows; SQLite (no round trips): the statement
    // of one row, prepared once, run for each (cheaper than the join of a VALUES list).
    void Aggiorna(TXDatabase &db, const QString &tabella, const std::vector<int> &colonne,
                  const std::vector<const TRiga *> &righe)
    {
        const bool pg = db.IsPostgres();
        QStringList assegna;
        for (const int colonna : colonne) {
            const TField *f = calcolo_->Fields(colonna);
            assegna << f->FieldName() + (pg ? QStringLiteral(" = v.") + f->FieldName() : QStringLiteral(" = ?"));
        }
        const QString sets = assegna.join(QStringLiteral(", "));
        if (!pg) {
            const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE KMovMag = ?").arg(tabella, sets);
            for (const TRiga *r : righe) {
                QVariantList valori;
                valori.reserve(qsizetype(colonne.size()) + 1);
                for (std::size_t i = 0; i < colonne.size(); ++i)
                    valori << ValoreScritto(db, calcolo_->Fields(colonne[i]), r->Valori.at(qsizetype(i)));
                valori << r->Chiave;
                if (db.ExecSQL(sql, valori) != 1)
                    throw Exception(QStringLiteral("Rigo di magazzino non trovato"));
            }
            return;
        }
        // one array a column, read back by unnest
        QStringList elenchi{QStringLiteral("CAST(? AS _int8)")};
        QStringList nomi{QStringLiteral("KMovMag")};
        std::vector<QVariantList> colonna(colonne.size() + 1);
        for (const TRiga *r : righe)
            colonna[0] << r->Chiave;
        for (std::size_t i = 0; i < colonne.size(); ++i) {
            const TField *f = calcolo_->Fields(colonne[i]);
            elenchi << kv8data::ArrayMark(f, false);
            nomi << f->FieldName();
            for (const TRiga *r : righe)
                colonna[i + 1] << ValoreScritto(db, f, r->Valori.at(qsizetype(i)));
        }
        QVariantList valori;
        for (const QVariantList &c : colonna)
            valori << db.ArrayText(c);
        const int scritti =
            db.ExecSQL(QStringLiteral("UPDATE %1 SET %2 FROM unnest(%3) AS v(%4) WHERE %1.KMovMag = v.KMovMag")
                           .arg(tabella, sets, elenchi.join(QStringLiteral(", ")), nomi.join(QStringLiteral(", "))),
                       valori);
        if (scritti != qsizetype(righe.size()))
            throw Exception(QStringLiteral("Rigo di magazzino non trovato"));
    }

    void Inizia()
    {
        if (eliminati_.isEmpty() && aggiornati_.empty())
            Segui();
    }
    void Dimentica() override
    {
        eliminati_.clear();
        aggiornati_.clear();
    }

    TDataSet *calcolo_;
    QVariantList eliminati_;
    std::vector<TRiga> aggiornati_;
};

TDataSet *TDMIBMag::MovimentoCalcolato()
{
    if (movimentoCalcolato_)
        return movimentoCalcolato_;
    Funzioni::CheckTabOpen(tMovMagazzino);
    auto *calcolo = Create<TXMemTable>(QStringLiteral("tMovimentoCalcolato"));
    calcolo->SetKeepRecords(false);
    for (const TField *f : tMovMagazzino->FieldList()) {
        if (f->FieldKind() != fkData)
            continue;
        TField *campo = calcolo->AddField(f->FieldName(), f->DataType(), f->Size());
        campo->OnChange = [this](TField *assegnato) { assegnati_[std::size_t(assegnato->Index())] = 1; };
    }
    calcolo->Open();
    calcolo->Append();
    calcolo->Post();
    assegnati_.assign(std::size_t(calcolo->FieldCount()), 0);
    movimentoCalcolato_ = calcolo;
    return calcolo;
}

bool TDMIBMag::RegistraInBlocco(TContestoMovimento &c)
{
    if (c.Movimenti != tMovMagazzino || !DocumentoLetto(c) || c.CostiAttivi || c.ConPartite || c.ConMatricole
        || c.ConDettaglioQta || (c.AggiornaSaldi && c.Esistenze != tEsistenze))
        return false;
    if (!letto_.BloccoLetto) {
        letto_.BloccoLetto = true;
        QVariantList righe;
        for (const int rigo : std::as_const(letto_.Righe))
            righe << rigo;
        letto_.Blocco = LeggiMovimentiRighe(tMovMagazzino, c.CodTipoDoc, c.KTesta, righe);
        // the stock they book that the rows did not name
        if (letto_.ConSaldi) {
            QList<QVariantList> saldi;
            for (const TMovimentoLetto &m : std::as_const(letto_.Blocco))
                AggiungiSaldo(saldi, m.Valori.Esercizio, m.Valori.IdMagazzino1, m.Valori.IdProdotto);
            LeggiSaldiMancanti(c, saldi);
        }
        kv8data::CheckPoint(QStringLiteral("movimenti"));
    }
    const auto movimento = letto_.Blocco.find(qMakePair(c.KRigo, 0));
    if (movimento == letto_.Blocco.end() || movimento->ConLotti)
        return false;
    TCausaleMag precedente;
    if (!LeggiCausale(movimento->Valori.IdCausale.trimmed(), precedente))
        return false; // the row path tells it
    const auto contro = letto_.Blocco.find(qMakePair(c.KRigo, 1));
    const bool conContro = contro != letto_.Blocco.end();
    // a counter-movement that comes, goes or is missing: the row path
    if (conContro != precedente.ConContromovimento() || (conContro && contro->ConLotti)
        || (c.StatoRigo == 1 && c.Causale.ConContromovimento() != conContro))
        return false;

    if (!movimentiInAttesa_)
        movimentiInAttesa_ = std::make_unique<TMovimentiInAttesa>(tMovMagazzino, MovimentoCalcolato());
    const auto prenota = [this, &c](const TValoriMovimento &valori, bool storno) {
        if (c.AggiornaSaldi)
            Esegui(AggiornaProgressivo(valori, c.Esistenze, QStringLiteral("Esercizio;IdMagazzino;IdProdotto"), false,
                                       storno),
                   QStringLiteral("Errore in aggiornamento esistenze!"));
    };
    prenota(movimento->Valori, true);
    if (conContro)
        prenota(contro->Valori, true);
    if (c.StatoRigo == 3) {
        movimentiInAttesa_->Elimina(movimento->KMovMag);
        if (conContro) {
            movimentiInAttesa_->Elimina(contro->KMovMag);
            letto_.Blocco.erase(contro);
        }
        letto_.Blocco.remove(qMakePair(c.KRigo, 0));
        return true;
    }
    // the map then holds them as written
    const auto calcola = [&](TMovimentoLetto &letto, int subNumOrdine) {
        letto.Valori = CalcolaInBlocco(c, subNumOrdine, letto);
        letto.DataMovimento = QVariant();
        prenota(letto.Valori, false);
    };
    calcola(*movimento, 0);
    if (conContro)
        calcola(*contro, 1);
    return true;
}

TDMIBMag::TValoriMovimento TDMIBMag::CalcolaInBlocco(TContestoMovimento &c, int subNumOrdine,
                                                     const TMovimentoLetto &letto)
{
    TValoriMovimento nuovo = letto.Valori;
    TDataSet *m = MovimentoCalcolato();
    TDataSet *movimenti = std::exchange(c.Movimenti, m);
    const auto ripristina = qScopeGuard([&] {
        c.Movimenti = movimenti;
        if (m->State() == dsEdit)
            m->Cancel();
    });
    m->Edit();
    std::fill(assegnati_.begin(), assegnati_.end(), 0);
    // the steps of the row path on a stored movement put in edit
    SettaCampiMovimento(c, subNumOrdine);
    if (subNumOrdine == 1)
        SettaCampiContromovimento(c);
    const bool partita =
        subNumOrdine == 0 ? (c.Causale.FlPartita == 1 || c.FlPartitaContro == 1) : c.FlPartitaContro == 1;
    if (!partita)
        F(m, "Partita")->SetAsString(QString());
    // what the stock takes of it: assigned, or as stored; a column known to hold its value
    // already is not written (nor the indexes on it)
    std::vector<char> &invariati = invariati_;
    invariati.assign(assegnati_.size(), 0);
    const auto assegnato = [&](const char *nome, auto uguale) {
        const TField *f = F(m, nome);
        if (!assegnati_[std::size_t(f->Index())])
            return;
        if (uguale(f))
            invariati[std::size_t(f->Index())] = 1;
    };
    assegnato("KMovMag", [](const TField *) { return true; });
    assegnato("FlTipoDocum", [&](const TField *f) { return f->AsInteger() == c.CodTipoDoc; });
    assegnato("KRigoDoc", [&](const TField *f) { return f->AsInteger() == c.KRigo; });
    assegnato("SubNumOrdine", [&](const TField *f) { return f->AsInteger() == subNumOrdine; });
    assegnato("DataMovimento", [&](const TField *f) {
        return !letto.DataMovimento.isNull() && tMovMagazzino->Database().ToDb(f->Value()) == letto.DataMovimento;
    });
    assegnato("IdCausale",
              [&](const TField *f) { return (nuovo.IdCausale = f->AsString()) == letto.Valori.IdCausale; });
    assegnato("Esercizio",
              [&](const TField *f) { return (nuovo.Esercizio = f->AsInteger()) == letto.Valori.Esercizio; });
    assegnato("IdMagazzino1",
              [&](const TField *f) { return (nuovo.IdMagazzino1 = f->AsInteger()) == letto.Valori.IdMagazzino1; });
    assegnato("IdProdotto",
              [&](const TField *f) { return (nuovo.IdProdotto = f->AsString()) == letto.Valori.IdProdotto; });
    assegnato("Quantita", [&](const TField *f) { return (nuovo.Quantita = f->AsFloat()) == letto.Valori.Quantita; });
    assegnato("Valore", [&](const TField *f) { return (nuovo.Valore = f->AsFloat()) == letto.Valori.Valore; });
    std::vector<int> colonne;
    colonne.reserve(std::size_t(std::count(assegnati_.begin(), assegnati_.end(), 1)));
    for (int i = 0, n = m->FieldCount(); i < n; ++i)
        if (assegnati_[std::size_t(i)] && !invariati[std::size_t(i)])
            colonne.push_back(i);
    QVariantList valori;
    valori.reserve(qsizetype(colonne.size()));
    for (const int i : colonne)
        valori << m->Fields(i)->Value();
    movimentiInAttesa_->Aggiorna(letto.KMovMag, std::move(colonne), std::move(valori));
    return nuovo;
}

bool TDMIBMag::TrovaMovimento(TContestoMovimento &c, int subNumOrdine)
{
    LeggiMovimentiDocumento(c);
    return c.Movimenti->Locate(CampiMovimento, QVariantList{c.CodTipoDoc, c.KRigo, subNumOrdine});
}

void TDMIBMag::StornaMovimento(TContestoMovimento &c)
{
    TDataSet *m = c.Movimenti;
    if (c.AggiornaSaldi)
        Esegui(AggiornaEsistenzeMagazzino(m, c.Esistenze, true), QStringLiteral("Errore in aggiornamento esistenze!"));
    if (c.ConPartite)
        Esegui(AggiornaPartiteMagazzino(m, c.Partite, true), QStringLiteral("Errore in aggiornamento partite!"));
    Esegui(AggiornaEsistenzeProgetti(m, true), QStringLiteral("Errore in aggiornamento esistenze progetti!"));
    if (F(m, "SubNumOrdine")->AsInteger() == 0) {
        const QString precedente = F(m, "IdCausale")->AsString().trimmed();
        TCausaleMag causale;
        if (!LeggiCausale(precedente, causale))
            throw Exception(QStringLiteral("Causale di magazzino precedente <%1> non valida").arg(precedente));
        c.ControPrecedente = causale.ConContromovimento();
    }
    const int chiave = F(m, "KMovMag")->AsInteger();
    CancellaDettagliMovimento(c, chiave);
    AnnullaProgressiviLotto(c);
    if (c.ConMatricole) {
        QString messaggio;
        if (!TDMIBMat::Crea()->CancellaMatricole(TDMIBMat::TipoMovimento, chiave, messaggio))
            throw Exception(QStringLiteral("Errore in cancellazione matricole da magazzino: ") + messaggio);
    }
}

void TDMIBMag::EliminaMovimenti(TContestoMovimento &c)
{
    if (!c.MovimentoTrovato)
        return;
    c.Movimenti->Delete();
    if (c.ControPrecedente && TrovaMovimento(c, 1)) {
        StornaMovimento(c);
        c.Movimenti->Delete();
    }
}

void TDMIBMag::ApriMovimento(TContestoMovimento &c, int, bool trovato)
{
    if (trovato)
        c.Movimenti->Edit();
    else
        c.Movimenti->Append();
}

double TDMIBMag::QuantitaMovimento(TContestoMovimento &c, double quantita, bool secondaria)
{
    const bool converte = c.TipoRigo && c.TipoRigo->FlConvQuantita;
    return QuantitaMovimento(c, quantita, secondaria, converte ? F(c.Rigo, "IdProdotto")->AsString() : QString(),
                             converte ? Testo(c.Rigo, "IdUM") : QString(),
                             converte ? Numero(c.Rigo, "FattConvProd") : 0.0);
}

double TDMIBMag::QuantitaMovimento(TContestoMovimento &c, double quantita, bool secondaria, const QString &prodotto,
                                   const QString &um, double fattConv)
{
    double q = quantita;
    if (c.RigoReso && CompDec(q, 0, DecQuantita()) < 0)
        q = -q * c.Causale.FlEsistenza;
    if (c.TipoRigo && c.TipoRigo->FlConvQuantita) {
        double convertita = 0;
        if (!ConvQuantitaProdotto(prodotto, um, fattConv, q, convertita))
            throw Exception(
                QStringLiteral("Impossibile convertire quantità%1.\nCodice articolo: %2\nDocumento: %3-%4-%5 del %6")
                    .arg(secondaria ? QStringLiteral(" secondaria") : QString(), prodotto,
                         QString::number(Intero(c.Testa, "Anno")), Testo(c.Testa, "IdCausale"),
                         QString::number(Intero(c.Testa, "Numero")),
                         Funzioni::DataToStringa(Data(c.Testa, "DataDocumento"))));
        q = convertita;
    }
    return q;
}

QString TDMIBMag::RiferimentoDocumento(TDataSet *testa)
{
    const QString causale = Testo(testa, "IdCausale");
    const int numero = Intero(testa, "Numero");
    const int anno = Intero(testa, "Anno");
    const int serie = Intero(testa, "Serie");
    TLetture *letture = Letture();
    if (letture && letture->Riferimento.Valido && letture->Riferimento.Numero == numero
        && letture->Riferimento.Anno == anno && letture->Riferimento.Serie == serie
        && letture->Riferimento.Causale == causale)
        return letture->Riferimento.Testo;
    const QString riferimento =
        causale.trimmed() + QLatin1Char('-') + KFormati::FormatFloat(QStringLiteral("000000"), numero);
    QString testo = TDMIBbas::Crea()->FormattaNumeroDocumento(riferimento, anno, serie, numero, causale);
    if (letture)
        letture->Riferimento = {true, causale, numero, anno, serie, testo};
    return testo;
}

void TDMIBMag::SettaCampiMovimento(TContestoMovimento &c, int subNumOrdine)
{
    TDataSet *m = c.Movimenti;
    TDataSet *t = c.Testa;
    TDataSet *r = c.Rigo;
    const int tipo = c.CodTipoDoc;

    // 1-2. position and dates
    if (m->State() == dsInsert || c.StatoRigo == 2) {
        F(m, "Esercizio")->SetAsInteger(c.Esercizio);
        F(m, "Protocollo")->SetAsInteger(Intero(t, "ProtMagazzino"));
        F(m, "SubNumOrdine")->SetAsInteger(subNumOrdine);
    }
    F(m, "IdCausale")->SetAsString(c.IdCausale);
    F(m, "NumOrdine")->SetAsInteger(Intero(r, "NumOrdine"));
    const QDateTime data = Data(t, "DataDocumento");
    F(m, "DataMovimento")->SetValue(data);
    F(m, "DataCompetenza")->SetValue(data);
    F(m, "AnnoCompetenza")->SetAsInteger(data.isNull() ? 0 : data.date().year());
    F(m, "MeseCompetenza")->SetAsInteger(data.isNull() ? 0 : data.date().month());

    // the other party and the document's reference
    QString tipoConto;
    QString conto;
    if (Vendita(tipo)) {
        F(m, "DataDocumento")->SetValue(data);
        tipoConto = Testo(t, "IdClienteTp");
        conto = Testo(t, "IdCliente");
        F(m, "IdDestinazione")->SetAsInteger(Intero(t, "IdDestinazione"));
        F(m, "IdAgente1")->SetAsString(Testo(t, "IdAgente1"));
        F(m, "IdAgente2")->SetAsString(Testo(t, "IdAgente2"));
        F(m, "RifFornitore")->SetAsString(QString());
    } else if (Acquisto(tipo)) {
        F(m, "DataDocumento")->SetValue(Data(t, "DataDocEsterno"));
        F(m, "RifFornitore")->SetAsString(Testo(t, "NumDocEsterno"));
        tipoConto = Testo(t, "IdFornitoreTp");
        conto = Testo(t, "IdFornitore");
    } else {
        F(m, "DataDocumento")->SetValue(data);
    }
    F(m, "IdContoTp")->SetAsString(tipoConto);
    F(m, "IdConto")->SetAsString(conto);
    F(m, "KPackingR")->SetAsInteger(Intero(r, "KPackingR"));
    F(m, "Partita")->SetAsString(Testo(r, "Partita"));
    F(m, "IdLotto")->SetAsString(Testo(r, "IdLotto"));
    F(m, "IdProgetto")->SetAsString(Testo(r, "IdProgetto"));
    F(m, "IdStagione")->SetAsString(Testo(r, "IdStagione"));
    TField *rifDocumento = F(m, "RifDocumento");
    rifDocumento->SetAsString(RiferimentoDocumento(t).left(rifDocumento->Size()));

    // warehouses and article
    const int magazzino = Intero(r, "IdMagazzino");
    const int arrivo = Intero(t, "IdMagArrivo");
    F(m, "IdStabilimento")->SetAsInteger(Intero(r, "IdStabilimento"));
    F(m, "IdMagazzino1")->SetAsInteger(magazzino);
    F(m, "IdMagazzino2")->SetAsInteger(c.Causale.ConContromovimento() && tipo != 6 && arrivo != 0 ? arrivo : magazzino);
    F(m, "IdReparto")->SetAsInteger(Intero(r, "IdReparto"));
    // the row's article, unit, factor and quantity, read once for the movement
    const QString prodotto = F(r, "IdProdotto")->AsString();
    const QString um = Testo(r, "IdUM");
    const double fattConv = Numero(r, "FattConvProd");
    const double quantitaRigo = Numero(r, "Quantita");
    F(m, "IdProdotto")->SetAsString(prodotto);
    F(m, "FattConvProd")->SetAsFloat(fattConv);

    // quantities
    const double quantita = QuantitaMovimento(c, quantitaRigo, false, prodotto, um, fattConv);
    F(m, "Quantita")->SetAsFloat(quantita);
    F(m, "Quantita2")->SetAsFloat(QuantitaMovimento(c, Numero(r, "Quantita2"), true, prodotto, um, fattConv));

    // values
    const bool ivaInclusa = Intero(t, "FlScorporo") == 1;
    const bool reso = c.RigoReso && CompDec(quantitaRigo, 0, DecQuantita()) < 0;
    double prezzoMov = CalcoloPrezzoMovMagazzino(t, r, um, ivaInclusa);
    double valore = Numero(r, "ControvaloreNN");
    if (ivaInclusa)
        valore = ScorporaIvaRigo(r, valore, DecValore());
    if (reso)
        valore = -valore * c.Causale.FlEsistenza;
    const bool senzaQuantita = CompDec(quantita, 0, DecQuantita()) == 0;
    if (Numero(r, "ScontoPagamento") != 0 && !senzaQuantita)
        prezzoMov = KRound(valore / quantita, DecPrezzo());
    c.ValoreProprio = valore;
    if (c.CostiAttivi) {
        c.Query->Close();
        c.Query->SQL = {QStringLiteral("SELECT SUM( Importo )"), QStringLiteral("FROM DettCostiDoc"),
                        QStringLiteral("WHERE FlTipoDocumento = :Tipo AND KRigoDoc = :Rigo AND IdCosto <> :Costo")};
        c.Query->ParamByName(QStringLiteral("Tipo"))->SetAsInteger(tipo);
        c.Query->ParamByName(QStringLiteral("Rigo"))->SetAsInteger(c.KRigo);
        c.Query->ParamByName(QStringLiteral("Costo"))->SetAsString(c.IdCosto);
        c.Query->Open();
        const double altri = c.Query->IsEmpty() ? 0.0 : c.Query->Fields(0)->AsFloat();
        c.Query->Close();
        if (altri != 0) {
            valore = KRound(valore + altri, DecValore());
            prezzoMov = senzaQuantita ? valore : KRound(valore / quantita, DecPrezzo());
        }
    }
    F(m, "PrezzoMov")->SetAsFloat(prezzoMov);
    F(m, "Valore")->SetAsFloat(valore);
    F(m, "ValoreMerce")->SetAsFloat(0);
    F(m, "ValoreSecondari")->SetAsFloat(0);
    const QString divisa = Testo(t, "IdDivisa");
    F(m, "IdDivisa")->SetAsString(divisa);
    F(m, "Cambio")->SetAsFloat(Numero(t, "Cambio"));
    F(m, "DataCambio")->SetValue(Data(t, "DataCambio"));
    F(m, "FlTipoDocum")->SetAsInteger(tipo);
    F(m, "KRigoDoc")->SetAsInteger(c.KRigo);
    F(m, "IdUmDoc")->SetAsString(um);
    F(m, "QuantitaDoc")->SetAsFloat(quantitaRigo);
    F(m, "IdOperatore")->SetAsString(gUtente.IdUtente);
    F(m, "FlValutazione")->SetAsInteger(0);
    F(m, "LivelloDB")->SetAsInteger(0);

    // the row's price and discounts
    double prezzo = Numero(r, "Prezzo");
    if (ivaInclusa) {
        const Funzioni::TDecimaliDivisa dec = Funzioni::LeggiDecimaliDivisa(TDMIBase::Crea()->lkDivise, divisa);
        prezzo = ScorporaIvaRigo(r, prezzo, dec.Prezzo);
    }
    if (c.RigoReso && prezzo < 0)
        prezzo = -prezzo;
    F(m, "Prezzo")->SetAsFloat(prezzo);
    for (const char *sconto : {"Sconto1", "Sconto2", "Sconto3", "Sconto4", "Sconto5"})
        F(m, sconto)->SetAsFloat(Numero(r, sconto));
}

void TDMIBMag::SettaCampiContromovimento(TContestoMovimento &c)
{
    TDataSet *m = c.Movimenti;
    const int magazzino = Intero(c.Rigo, "IdMagazzino");
    const int arrivo = Intero(c.Testa, "IdMagArrivo");
    F(m, "IdCausale")->SetAsString(c.Causale.IdContropartita);
    F(m, "IdMagazzino1")->SetAsInteger(arrivo != 0 ? arrivo : magazzino);
    F(m, "IdMagazzino2")->SetAsInteger(magazzino);
}

void TDMIBMag::RegistraMovimento(TContestoMovimento &c, int subNumOrdine)
{
    TDataSet *m = c.Movimenti;
    const bool partita =
        subNumOrdine == 0 ? (c.Causale.FlPartita == 1 || c.FlPartitaContro == 1) : c.FlPartitaContro == 1;
    if (!partita)
        F(m, "Partita")->SetAsString(QString());
    m->Post();

    if (c.AggiornaSaldi)
        Esegui(AggiornaEsistenzeMagazzino(m, c.Esistenze, false), QStringLiteral("Errore in aggiornamento esistenze!"));
    if (c.ConPartite)
        Esegui(AggiornaPartiteMagazzino(m, c.Partite, false), QStringLiteral("Errore in aggiornamento partite!"));
    Esegui(AggiornaEsistenzeProgetti(m, false), QStringLiteral("Errore in aggiornamento esistenze progetti!"));
    CopiaCostiRigo(c);
    RegistraLottiMatricole(c);
}

void TDMIBMag::GeneraContromovimento(TContestoMovimento &c)
{
    if (!c.Causale.ConContromovimento()) {
        if (c.StatoRigo != 2 && TrovaMovimento(c, 1)) {
            StornaMovimento(c);
            c.Movimenti->Delete();
        }
        return;
    }
    bool trovato = false;
    if (c.StatoRigo == 1 && c.MovimentoTrovato && c.ControPrecedente) {
        trovato = TrovaMovimento(c, 1);
        if (!trovato)
            throw Exception(QStringLiteral("Rigo di magazzino non trovato"));
        StornaMovimento(c);
    }
    ApriMovimento(c, 1, trovato);
    SettaCampiMovimento(c, 1);
    SettaCampiContromovimento(c);
    RegistraMovimento(c, 1);
}

void TDMIBMag::CancellaDettagliMovimento(TContestoMovimento &c, int kMovMag)
{
    if (!c.CostiAttivi)
        return;
    c.Query->Close();
    c.Query->SQL = {QStringLiteral("DELETE FROM MovMagazzinoD"), QStringLiteral("WHERE KMovMag = :KMovMag")};
    c.Query->ParamByName(QStringLiteral("KMovMag"))->SetAsInteger(kMovMag);
    c.Query->ExecSQL();
}

void TDMIBMag::CopiaCostiRigo(TContestoMovimento &c)
{
    if (!c.CostiAttivi)
        return;
    TDataSet *m = c.Movimenti;
    TDataSet *d = c.MovimentiD;
    const int chiave = F(m, "KMovMag")->AsInteger();
    Funzioni::CheckTabOpen(d);
    if (!c.IdCosto.isEmpty()) {
        d->Append();
        F(d, "KMovMag")->SetAsInteger(chiave);
        F(d, "IdCosto")->SetAsString(c.IdCosto);
        F(d, "IdDivisa")->SetAsString(F(m, "IdDivisa")->AsString());
        F(d, "Cambio")->SetAsFloat(F(m, "Cambio")->AsFloat());
        F(d, "IdUM")->SetAsString(F(m, "IdUmDoc")->AsString());
        F(d, "Importo")->SetAsFloat(c.ValoreProprio);
        double divisa = Numero(c.Rigo, "ImportoNN");
        if (Intero(c.Testa, "FlScorporo") == 1)
            divisa = ScorporaIvaRigo(
                c.Rigo, divisa,
                Funzioni::LeggiDecimaliDivisa(TDMIBase::Crea()->lkDivise, Testo(c.Testa, "IdDivisa")).Valore);
        F(d, "ImportoDiv")->SetAsFloat(divisa);
        F(d, "Quantita")->SetAsFloat(F(m, "Quantita")->AsFloat());
        d->Post();
    }
    TXQuery *q = c.Query;
    q->Close();
    q->SQL = {QStringLiteral("SELECT * FROM DettCostiDoc"),
              QStringLiteral("WHERE FlTipoDocumento = :Tipo AND KRigoDoc = :Rigo"), QStringLiteral("ORDER BY IdCosto")};
    q->ParamByName(QStringLiteral("Tipo"))->SetAsInteger(c.CodTipoDoc);
    q->ParamByName(QStringLiteral("Rigo"))->SetAsInteger(c.KRigo);
    q->Open();
    for (q->First(); !q->Eof(); q->Next()) {
        const QString costo = F(q, "IdCosto")->AsString().trimmed();
        if (!c.IdCosto.isEmpty() && costo == c.IdCosto)
            continue; // the movement's own value is booked above
        d->Append();
        F(d, "KMovMag")->SetAsInteger(chiave);
        F(d, "IdCosto")->SetAsString(costo);
        for (const char *campo : {"IdConto", "IdDivisa", "IdUM"})
            F(d, campo)->SetAsString(F(q, campo)->AsString());
        for (const char *campo : {"Cambio", "Importo", "ImportoDiv", "Quantita"})
            F(d, campo)->SetAsFloat(F(q, campo)->AsFloat());
        d->Post();
    }
    q->Close();
}

void TDMIBMag::AnnullaProgressiviLotto(TContestoMovimento &c)
{
    TDataSet *m = c.Movimenti;
    if (DocumentoLetto(c) && letto_.ConLottiNoti && !letto_.MovimentiConLotti.contains(F(m, "KMovMag")->AsInteger()))
        return;
    TXQuery *q = c.Query;
    q->Close();
    q->SQL = {QStringLiteral("SELECT * FROM DettQtaDoc"),
              QStringLiteral("WHERE FlTipoDocumento = 99 AND KTestaDoc = 0 AND KRigoDoc = :KMovMag")};
    q->ParamByName(QStringLiteral("KMovMag"))->SetAsInteger(F(m, "KMovMag")->AsInteger());
    q->Open();
    for (q->First(); !q->Eof(); q->Next()) {
        const QVariantList chiave{99,
                                  0,
                                  F(q, "KRigoDoc")->AsInteger(),
                                  F(q, "IdVariante")->AsString(),
                                  F(q, "Gruppo")->AsString(),
                                  F(q, "IdLotto")->AsString(),
                                  F(q, "IdDimensioneD")->AsString()};
        if (!tDettQtaDoc->Active())
            tDettQtaDoc->Open();
        if (!tDettQtaDoc->Locate(CampiDettaglio, chiave))
            continue;
        if (c.AggiornaSaldi) {
            TDatiLotti lotto;
            InitDatiLotto(lotto, F(m, "IdProdotto")->AsString(), F(m, "IdMagazzino1")->AsInteger(),
                          F(m, "DataMovimento")->AsDateTime(), F(q, "IdVariante")->AsString(),
                          F(q, "Gruppo")->AsString(), F(q, "IdLotto")->AsString(), F(q, "IdDimensioneD")->AsString(),
                          F(q, "Quantita")->AsFloat(), F(m, "IdCausale")->AsString());
            Esegui(AggiornaSaldiLotti(lotto, true), QStringLiteral("Errore in annullamento progressivi lotto"));
        }
        tDettQtaDoc->Delete();
    }
    q->Close();
}

void TDMIBMag::RegistraLottiMatricole(TContestoMovimento &c)
{
    TDataSet *m = c.Movimenti;
    const int chiave = F(m, "KMovMag")->AsInteger();
    QString messaggio;
    if (c.ConMatricole
        && !TDMIBMat::Crea()->RegistraMatricole(TDMIBMat::TipoMovimento, chiave, c.RecordMatricole, messaggio))
        throw Exception(QStringLiteral("Errore in registrazione matricole da magazzino: ") + messaggio);
    // without quantity details in use a row has none
    if (!c.ConDettaglioQta)
        return;
    TXQuery *q = c.Query;
    q->Close();
    q->SQL = {QStringLiteral("SELECT * FROM DettQtaDoc"),
              QStringLiteral("WHERE FlTipoDocumento = :Tipo AND KRigoDoc = :Rigo AND KTestaDoc = :Testa")};
    q->ParamByName(QStringLiteral("Tipo"))->SetAsInteger(c.CodTipoDoc);
    q->ParamByName(QStringLiteral("Rigo"))->SetAsInteger(c.KRigo);
    q->ParamByName(QStringLiteral("Testa"))->SetAsInteger(c.KTesta);
    q->Open();
    if (!tDettQtaDoc->Active())
        tDettQtaDoc->Open();
    TDataSet *d = tDettQtaDoc;
    for (q->First(); !q->Eof(); q->Next()) {
        const double quantita = QuantitaMovimento(c, F(q, "Quantita")->AsFloat(), false);
        const double quantita2 = QuantitaMovimento(c, F(q, "Quantita2")->AsFloat(), true);
        d->Append();
        F(d, "FlTipoDocumento")->SetAsInteger(TDMIBMat::TipoMovimento);
        F(d, "KTestaDoc")->SetAsInteger(0);
        F(d, "KRigoDoc")->SetAsInteger(chiave);
        for (const char *campo : {"IdVariante", "Gruppo", "IdLotto", "IdDimensioneD"})
            F(d, campo)->SetAsString(F(q, campo)->AsString());
        F(d, "Prezzo")->SetAsFloat(F(q, "Prezzo")->AsFloat());
        F(d, "Quantita")->SetAsFloat(quantita);
        F(d, "Quantita2")->SetAsFloat(quantita2);
        // a movement's detail is moved whole: nothing left to close
        F(d, "QuantitaSpe")->SetAsFloat(quantita);
        F(d, "Quantita2Spe")->SetAsFloat(quantita2);
        F(d, "QuantitaSal")->SetAsFloat(0);
        F(d, "Quantita2Sal")->SetAsFloat(0);
        d->Post();
        letto_.MovimentiConLotti.insert(chiave);
        if (c.ConMatricole
            && !TDMIBMat::Crea()->RegistraDettaglioMatricole(TDMIBMat::TipoMovimento, chiave, q, messaggio))
            throw Exception(QStringLiteral("Errore in registrazione dettaglio matricole da magazzino: ") + messaggio);
        if (c.AggiornaSaldi) {
            TDatiLotti lotto;
            InitDatiLotto(lotto, F(m, "IdProdotto")->AsString(), F(m, "IdMagazzino1")->AsInteger(),
                          F(m, "DataMovimento")->AsDateTime(), F(q, "IdVariante")->AsString(),
                          F(q, "Gruppo")->AsString(), F(q, "IdLotto")->AsString(), F(q, "IdDimensioneD")->AsString(),
                          quantita, F(m, "IdCausale")->AsString());
            Esegui(AggiornaSaldiLotti(lotto, false), QStringLiteral("Errore in generazione progressivi lotto"));
        }
    }
    q->Close();
}

// ---- stock

void TDMIBMag::LeggiSaldiRighe(TDataSet *testa, TDataSet *righe, TDataSet *esistenze)
{
    auto *saldi = qobject_cast<TXClientTable *>(esistenze ? esistenze : tEsistenze);
    int esercizio = 0;
    if (!saldi || !saldi->Database().InTransaction() || !righe || !righe->Active()
        || !TrovaEsercizioDallaData(Data(testa, "DataDocumento"), esercizio))
        return;
    const int arrivo = Intero(testa, "IdMagArrivo");
    QSet<QPair<int, QString>> visti;
    QSet<int> magazzini;
    QSet<QString> prodotti;
    QList<QVariantList> chiavi;
    const auto aggiungi = [&](int magazzino, const QString &prodotto) {
        if (visti.contains(qMakePair(magazzino, prodotto)))
            return;
        visti.insert(qMakePair(magazzino, prodotto));
        magazzini.insert(magazzino);
        prodotti.insert(prodotto);
        chiavi << QVariantList{esercizio, magazzino, prodotto};
    };
    TField *prodotto = F(righe, "IdProdotto");
    TField *magazzino = righe->FindField(QStringLiteral("IdMagazzino"));
    const TBookmark posto = righe->GetBookmark();
    righe->DisableControls();
    const auto fine = qScopeGuard([&] {
        if (righe->BookmarkValid(posto))
            righe->GotoBookmark(posto);
        righe->EnableControls();
    });
    for (righe->First(); !righe->Eof(); righe->Next()) {
        const QString codice = Codice(prodotto->AsString().trimmed());
        if (codice.isEmpty())
            continue;
        aggiungi(magazzino ? magazzino->AsInteger() : 0, codice);
        if (arrivo != 0)
            aggiungi(arrivo, codice);
    }
    if (chiavi.isEmpty())
        return;
    // one statement of lists: cheaper to prepare than one condition per key; locked until the
    // commit (PostgreSQL), in key order, so that two users' saves booking the same stock follow
    // each other instead of one overwriting the other's
    QVariantList valori{esercizio};
    const QString segniMagazzini = Segni(magazzini, valori);
    const QString segniProdotti = Segni(prodotti, valori);
    Funzioni::CheckTabOpen(saldi);
    saldi->ReadAsStored(QStringLiteral("Esercizio;IdMagazzino;IdProdotto"), chiavi,
                        QStringLiteral("Esercizio = ? AND IdMagazzino IN (%1) AND IdProdotto IN (%2) "
                                       "ORDER BY IdMagazzino, IdProdotto")
                            .arg(segniMagazzini, segniProdotti),
                        valori, true);
}

bool TDMIBMag::TrovaEsercizioDallaData(const QDateTime &data, int &esercizio)
{
    if (data.isNull())
        return false;
    TLetture *letture = Letture();
    if (letture)
        if (const auto it = letture->Esercizi.constFind(data.date().toJulianDay()); it != letture->Esercizi.cend()) {
            if (!*it)
                return false;
            esercizio = **it;
            return true;
        }
    const bool trovato = CercaEsercizio(data, esercizio);
    if (letture)
        letture->Esercizi.insert(data.date().toJulianDay(), trovato ? std::optional<int>(esercizio) : std::nullopt);
    return trovato;
}

bool TDMIBMag::CercaEsercizio(const QDateTime &data, int &esercizio)
{
    TXlkTable *t = TDMIBase::Crea()->lkEserciziMag;
    const auto contiene = [&] {
        const QDateTime inizio = F(t, "DataInizio")->AsDateTime();
        const QDateTime fine = F(t, "DataFine")->AsDateTime();
        return !inizio.isNull() && !fine.isNull() && inizio.date() <= data.date() && data.date() <= fine.date();
    };
    // the exercise named after the year first, then any other whose period holds the date
    if (TDMIBase::Posiziona(t, QStringLiteral("Esercizio"), {data.date().year()}) && contiene()) {
        esercizio = F(t, "Esercizio")->AsInteger();
        return true;
    }
    for (t->First(); !t->Eof(); t->Next()) {
        if (contiene()) {
            esercizio = F(t, "Esercizio")->AsInteger();
            return true;
        }
    }
    return false;
}

// One stock table's postings in the open transaction, by stock row in the order first booked.
class TDMIBMag::TSaldiInAttesa : public TScritturaInAttesa {
public:
    TSaldiInAttesa(TXClientTable *tabella, const QString &campi, bool partita)
        : TScritturaInAttesa(tabella), campi_(campi), partita_(partita)
    {}
    ~TSaldiInAttesa() override { Svuota(); }

    // Adds a movement's quantity and value (signed as booked) to the stock row of exercise,
    // warehouse, article and batch (null: a stock row without batch).
    void Aggiungi(int esercizio, int magazzino, const QString &prodotto, const QString &partita, bool carico,
                  double quantita, double valore)
    {
        if (righe_.empty())
            Segui();
        const TChiave chiave(TChiaveSaldo(qMakePair(esercizio, magazzino), prodotto), partita);
        auto it = posti_.constFind(chiave);
        if (it == posti_.cend()) {
            it = posti_.insert(chiave, righe_.size());
            QVariantList valori{esercizio, magazzino, prodotto};
            if (!partita.isNull())
                valori << partita;
            righe_.push_back({valori});
        }
        TRiga &r = righe_[*it];
        (carico ? r.Carico : r.Scarico) = true;
        const int dq = DecQuantita();
        const int dv = DecValore();
        double &mosse = carico ? r.QuantitaCar : r.QuantitaSca;
        mosse = KRound(mosse + quantita, dq);
        r.Esistenza = KRound(r.Esistenza + (carico ? quantita : -quantita), dq);
        double &valori = carico ? r.ValoreCar : r.ValoreSca;
        valori = KRound(valori + valore, dv);
    }

    // Posts the rows added up, each located as stored now, and has the table write them.
    void Scrivi() override
    {
        if (righe_.empty())
            return;
        const std::vector<TRiga> righe = std::exchange(righe_, {});
        Svuota();
        const int dq = DecQuantita();
        const int dv = DecValore();
        const QStringList nomi = campi_.split(QLatin1Char(';'));
        try {
            Funzioni::CheckTabOpen(tabella_);
            for (const TRiga &r : righe) {
                if (TrovaSaldo(tabella_, campi_, r.Chiave)) {
                    tabella_->Edit();
                } else {
                    tabella_->Append();
                    for (qsizetype i = 0; i < nomi.size(); ++i)
                        tabella_->FieldByName(nomi.at(i))->SetValue(r.Chiave.at(i));
                }
                const auto somma = [this](const char *campo, double delta, int decimali) {
                    TField *f = F(tabella_, campo);
                    f->SetAsFloat(KRound(f->AsFloat() + delta, decimali));
                };
                // the columns a posting row by row would touch
                if (r.Carico)
                    somma("QuantitaCar", r.QuantitaCar, dq);
                if (r.Scarico)
                    somma("QuantitaSca", r.QuantitaSca, dq);
                somma("Esistenza", r.Esistenza, dq);
                if (!partita_ && r.Carico)
                    somma("ValoreCar", r.ValoreCar, dv);
                if (!partita_ && r.Scarico)
                    somma("ValoreSca", r.ValoreSca, dv);
                tabella_->Post();
            }
        } catch (const std::exception &e) {
            Annulla(tabella_);
            qWarning().noquote() << "kv8: stock update of" << tabella_->Name() << "failed:" << ErrorText(e);
            throw;
        }
        tabella_->FlushDeferred();
    }

private:
    struct TRiga {
        QVariantList Chiave;
        double QuantitaCar = 0;
        double QuantitaSca = 0;
        double Esistenza = 0;
        double ValoreCar = 0;
        double ValoreSca = 0;
        bool Carico = false;  // loads booked
        bool Scarico = false; // unloads booked
    };

    void Dimentica() override
    {
        righe_.clear();
        posti_.clear();
    }

    QString campi_;
    bool partita_;
    std::vector<TRiga> righe_;
    using TChiave = QPair<TChiaveSaldo, QString>;
    QHash<TChiave, std::size_t> posti_;
};

bool TDMIBMag::AggiornaProgressivo(TDataSet *movimento, TDataSet *tabella, const QString &campi, bool partita,
                                   bool storno)
{
    TValoriMovimento valori;
    try {
        valori.IdCausale = F(movimento, "IdCausale")->AsString();
        valori.Esercizio = F(movimento, "Esercizio")->AsInteger();
        valori.IdMagazzino1 = F(movimento, "IdMagazzino1")->AsInteger();
        valori.IdProdotto = F(movimento, "IdProdotto")->AsString();
        if (partita)
            valori.Partita = F(movimento, "Partita")->AsString();
        valori.Quantita = F(movimento, "Quantita")->AsFloat();
        valori.Valore = F(movimento, "Valore")->AsFloat();
    } catch (const std::exception &e) {
        qWarning().noquote() << "kv8: stock update of" << tabella->Name() << "failed:" << ErrorText(e);
        return false;
    }
    return AggiornaProgressivo(valori, tabella, campi, partita, storno);
}

bool TDMIBMag::AggiornaProgressivo(const TValoriMovimento &movimento, TDataSet *tabella, const QString &campi,
                                   bool partita, bool storno)
{
    try {
        TCausaleMag causale;
        if (!LeggiCausale(movimento.IdCausale, causale) || causale.FlEsistenza == 0)
            return true;
        const int esercizio = movimento.Esercizio;
        const int magazzino = movimento.IdMagazzino1;
        const QString prodotto = Codice(movimento.IdProdotto);
        QString codice;
        if (partita) {
            codice = movimento.Partita;
            if (codice.trimmed().isEmpty())
                return true;
        }
        const int dq = DecQuantita();
        const int dv = DecValore();
        const double segno = storno ? -1.0 : 1.0;
        const double q = KRound(movimento.Quantita, dq) * segno;
        const double v = KRound(movimento.Valore, dv) * segno;
        const bool carico = causale.FlEsistenza > 0;
        // the module's own tables in a transaction: the row posted once for the whole of it
        auto *propria = tabella == tEsistenze || tabella == tPartite ? static_cast<TXClientTable *>(tabella) : nullptr;
        if (propria && propria->Database().InTransaction()) {
            std::unique_ptr<TSaldiInAttesa> &attesa = propria == tEsistenze ? esistenzeInAttesa_ : partiteInAttesa_;
            if (!attesa)
                attesa = std::make_unique<TSaldiInAttesa>(propria, campi, partita);
            attesa->Aggiungi(esercizio, magazzino, prodotto, codice, carico, q, partita ? 0.0 : v);
            return true;
        }
        QVariantList chiave{esercizio, magazzino, prodotto};
        if (partita)
            chiave << codice;
        Funzioni::CheckTabOpen(tabella);
        if (TrovaSaldo(tabella, campi, chiave)) {
            tabella->Edit();
        } else {
            tabella->Append();
            const QStringList nomi = campi.split(QLatin1Char(';'));
            for (qsizetype i = 0; i < nomi.size(); ++i)
                tabella->FieldByName(nomi.at(i))->SetValue(chiave.at(i));
        }
        const auto somma = [&](const char *campo, double delta, int decimali) {
            TField *f = F(tabella, campo);
            f->SetAsFloat(KRound(f->AsFloat() + delta, decimali));
        };
        somma(carico ? "QuantitaCar" : "QuantitaSca", q, dq);
        somma("Esistenza", carico ? q : -q, dq);
        if (!partita)
            somma(carico ? "ValoreCar" : "ValoreSca", v, dv);
        tabella->Post();
        return true;
    } catch (const std::exception &e) {
        Annulla(tabella);
        qWarning().noquote() << "kv8: stock update of" << tabella->Name() << "failed:" << ErrorText(e);
        return false;
    }
}

bool TDMIBMag::AggiornaEsistenzeMagazzino(TDataSet *movimento, TDataSet *esistenze, bool storno)
{
    return AggiornaProgressivo(movimento, esistenze ? esistenze : tEsistenze,
                               QStringLiteral("Esercizio;IdMagazzino;IdProdotto"), false, storno);
}

bool TDMIBMag::AggiornaPartiteMagazzino(TDataSet *movimento, TDataSet *partite, bool storno)
{
    return AggiornaProgressivo(movimento, partite ? partite : tPartite,
                               QStringLiteral("Esercizio;IdMagazzino;IdProdotto;Partita"), true, storno);
}

bool TDMIBMag::AggiornaEsistenzeProgetti(TDataSet *, bool)
{
    return true;
}

bool TDMIBMag::ConvQuantitaProdotto(const QString &idProdotto, const QString &idUM, double fattConv, double quantita,
                                    double &risultato)
{
    const std::optional<TArticoloMag> articolo = LeggiArticolo(idProdotto.trimmed());
    if (!articolo)
        return false;
    const QString unita = idUM.trimmed();
    const QString &propria = articolo->IdUM1;
    if (unita.isEmpty() || unita.compare(propria, Qt::CaseInsensitive) == 0) {
        risultato = KRound(quantita, DecQuantita());
        return true;
    }
    if (fattConv <= 0)
        return false;
    risultato = KRound(quantita * fattConv, DecQuantita());
    return true;
}

double TDMIBMag::CalcoloPrezzoMovMagazzino(TDataSet *testa, TDataSet *rigo, const QString &idUM, bool ivaInclusa)
{
    double quantita = Numero(rigo, "Quantita");
    double convertita = 0;
    if (ConvQuantitaProdotto(Testo(rigo, "IdProdotto"), idUM, Numero(rigo, "FattConvProd"), quantita, convertita))
        quantita = convertita;
    if (CompDec(quantita, 0, DecQuantita()) != 0) {
        double valore = Numero(rigo, "ControvaloreNN");
        if (ivaInclusa)
            valore = ScorporaIvaRigo(rigo, valore, DecValore());
        return KRound(valore / quantita, DecPrezzo());
    }
    double prezzo = Funzioni::CalcValoreEURO(Numero(rigo, "Prezzo"), Numero(testa, "Cambio"), Data(testa, "DataCambio"),
                                             Testo(testa, "IdDivisa"), DecPrezzo());
    if (ivaInclusa)
        prezzo = ScorporaIvaRigo(rigo, prezzo, DecPrezzo());
    return prezzo;
}

double TDMIBMag::ScorporaIvaRigo(TDataSet *rigo, double importo, int decimali)
{
    TXlkTable *iva = TDMIBase::Crea()->lkCodiciIva;
    const QString codice = Testo(rigo, "IdIva").trimmed();
    if (codice.isEmpty() || !TDMIBase::Posiziona(iva, QStringLiteral("IdIva"), {codice}))
        return KRound(importo, decimali);
    const double ventilazione = F(iva, "AliqVentilaz")->AsFloat();
    const double aliquota = ventilazione != 0 ? ventilazione : F(iva, "Aliquota")->AsFloat();
    return Funzioni::ScorporaIva(decimali, importo, aliquota);
}

// ---- lots

void TDMIBMag::InitDatiLotto(TDatiLotti &dati, const QString &idProdotto, int idMagazzino, const QDateTime &data,
                             const QString &idVariante, const QString &gruppo, const QString &idLotto,
                             const QString &idDimensione, double quantita, const QString &idCausale)
{
    dati = TDatiLotti();
    dati.IdProdotto = Codice(idProdotto.trimmed());
    dati.IdMagazzino = idMagazzino;
    dati.Data = data;
    dati.IdVariante = Codice(idVariante);
    dati.Gruppo = Codice(gruppo);
    dati.IdLotto = Codice(idLotto);
    dati.IdDimensione = Codice(idDimensione);
    dati.Quantita = quantita;
    dati.IdCausale = Codice(idCausale.trimmed());
    dati.IdOperatore = gUtente.IdUtente;
}

namespace {

// The lot's quantity in the article's unit, or false when it cannot be converted.
bool QuantitaLotto(TDMIBMag *dm, const TDatiLotti &dati, double &quantita)
{
    if (dati.IdUM.trimmed().isEmpty()) {
        quantita = KRound(dati.Quantita, DecQuantita());
        return true;
    }
    return dm->ConvQuantitaProdotto(dati.IdProdotto, dati.IdUM, dati.FattConv, dati.Quantita, quantita);
}

const QString CampiLotto = QStringLiteral("IdProdotto;IdMagazzino;IdVariante;Gruppo;IdLotto;IdDimensione");

QVariantList ChiaveLotto(const TDatiLotti &d)
{
    return {Codice(d.IdProdotto), d.IdMagazzino,     Codice(d.IdVariante),
            Codice(d.Gruppo),     Codice(d.IdLotto), Codice(d.IdDimensione)};
}

} // namespace

bool TDMIBMag::AggiornaSaldiLotti(const TDatiLotti &dati, bool storno)
{
    TXClientTable *t = tSaldiLotti;
    try {
        TCausaleMag causale;
        if (!LeggiCausale(dati.IdCausale, causale) || causale.FlEsistenza == 0)
            return true;
        double q = 0;
        if (!QuantitaLotto(this, dati, q))
            throw Exception(QStringLiteral("Impossibile convertire quantità del lotto %1").arg(dati.IdLotto));
        if (storno)
            q = -q;
        const int dq = DecQuantita();
        const QVariantList chiave = ChiaveLotto(dati);
        Funzioni::CheckTabOpen(t);
        if (TrovaSaldo(t, CampiLotto, chiave)) {
            t->Edit();
        } else {
            t->Append();
            const QStringList nomi = CampiLotto.split(QLatin1Char(';'));
            for (qsizetype i = 0; i < nomi.size(); ++i)
                t->FieldByName(nomi.at(i))->SetValue(chiave.at(i));
        }
        const bool carico = causale.FlEsistenza > 0;
        TField *mosse = F(t, carico ? "QuantitaCar" : "QuantitaSca");
        mosse->SetAsFloat(KRound(mosse->AsFloat() + q, dq));
        TField *giacenza = F(t, "Giacenza");
        giacenza->SetAsFloat(KRound(giacenza->AsFloat() + (carico ? q : -q), dq));
        t->Post();
        return true;
    } catch (const std::exception &e) {
        Annulla(t);
        qWarning().noquote() << "kv8: lot balance update failed:" << ErrorText(e);
        return false;
    }
}

bool TDMIBMag::ControlloGiacenzaLotto(const TDatiLotti &dati)
{
    double richiesta = 0;
    if (!QuantitaLotto(this, dati, richiesta)) {
        Notices::Tell(QStringLiteral("La quantità del lotto %1 dell'articolo %2 non si converte nell'unità "
                                     "dell'articolo: indicare il fattore di conversione.")
                          .arg(dati.IdLotto, dati.IdProdotto),
                      TNoticeKind::Warning);
        return false;
    }
    // the balance as stored now
    const double giacenza =
        DMIDataBases::Instance()
            .Global()
            .ScalarValue(QStringLiteral("SELECT Giacenza FROM SaldiLotti WHERE IdProdotto = ? AND IdMagazzino = ? AND "
                                        "IdVariante = ? AND Gruppo = ? AND IdLotto = ? AND IdDimensione = ?"),
                         ChiaveLotto(dati))
            .toDouble();
    const int dq = DecQuantita();
    if (CompDec(giacenza, richiesta, dq) >= 0)
        return true;
    const QString formato = KFormati::GetDisplay(KFormati::fnQuantita);
    Notices::Tell(QStringLiteral("Il lotto %1 dell'articolo %2 ha nel magazzino %3 una giacenza di %4, minore "
                                 "della quantità richiesta %5: ridurre la quantità o scegliere un altro lotto.")
                      .arg(dati.IdLotto, dati.IdProdotto, QString::number(dati.IdMagazzino),
                           KFormati::FormatFloat(formato, giacenza), KFormati::FormatFloat(formato, richiesta)),
                  TNoticeKind::Warning);
    return false;
}

bool TDMIBMag::ControllaRigheMagazzino(int, TDataSet *testa, TDataSet *righe)
{
    TDMIBase *base = TDMIBase::Crea();
    QString errore;
    int esercizio = 0;
    const QDateTime data = Data(testa, "DataDocumento");
    if (CFG.FlMovMagazzino == 2)
        return true;
    if (!TrovaEsercizioDallaData(data, esercizio))
        errore =
            QStringLiteral("La data del documento %1 non cade in un esercizio di magazzino: aggiungere l'esercizio "
                           "o correggere la data.")
                .arg(Funzioni::DataToStringa(data));
    TXQuery magazzini;
    magazzini.SQL = {QStringLiteral("SELECT IdMagazzino FROM Magazzini")};
    QSet<int> esistenti;
    if (errore.isEmpty()) {
        magazzini.Open();
        for (magazzini.First(); !magazzini.Eof(); magazzini.Next())
            esistenti.insert(magazzini.Fields(0)->AsInteger());
        magazzini.Close();
    }
    const TBookmark posizione = righe->GetBookmark();
    righe->DisableControls();
    for (righe->First(); errore.isEmpty() && !righe->Eof(); righe->Next()) {
        if (Intero(righe, "Stato") == 3)
            continue;
        const QString prodotto = Testo(righe, "IdProdotto").trimmed();
        if (prodotto.isEmpty())
            continue;
        if (!TDMIBase::Posiziona(base->lkArticoli, QStringLiteral("IdProdotto"), {prodotto})) {
            errore = QStringLiteral("Il rigo %1 ha l'articolo %2, che non esiste: correggere il codice.")
                         .arg(Intero(righe, "NumOrdine"))
                         .arg(prodotto);
            break;
        }
        const int carico = F(base->lkArticoli, "FlTipoCarico")->AsInteger();
        if ((carico >= 10 && carico <= 13) || carico == 20)
            continue;
        const int magazzino = Intero(righe, "IdMagazzino");
        if (!esistenti.contains(magazzino))
            errore = QStringLiteral("Il rigo %1 ha il magazzino %2, che non esiste: indicare un magazzino valido.")
                         .arg(Intero(righe, "NumOrdine"))
                         .arg(magazzino);
    }
    if (righe->BookmarkValid(posizione))
        righe->GotoBookmark(posizione);
    righe->EnableControls();
    if (errore.isEmpty())
        return true;
    Notices::Tell(errore, TNoticeKind::Warning);
    return false;
}
