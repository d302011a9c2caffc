#include "frame/Lumo_funzioni.h"

#include "frame/Dmilumo.h"
#include "frame/Dmilumo_reg.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"

#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlQuery>

#include <array>
#include <bit>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

TDMILUMO &Modulo()
{
    if (!DMILUMO)
        throw Exception(QStringLiteral("Modulo dati DMILUMO non creato"));
    return *DMILUMO;
}

TDMILUMO_reg &ModuloRegistri()
{
    if (!DMILUMO_reg)
        throw Exception(QStringLiteral("Modulo dati DMILUMO_reg non creato"));
    return *DMILUMO_reg;
}

bool InModifica(const TDataSet *t)
{
    return t->State() == dsEdit || t->State() == dsInsert;
}

// After a failed write: the pending record is dropped, and with it the rows read so far, so
// that the next use reads what is stored.
void Scarta(TDataSet *t) noexcept
{
    if (!t)
        return;
    try {
        if (InModifica(t))
            t->Cancel();
        t->Close();
    } catch (...) {
    }
}

// A hash of short codes (accounts, currencies, packaging codes) far cheaper than the general
// string hash, which dominated the routines called once per movement.
constexpr quint64 kPrimoHash = 0x100000001b3ull;

quint64 HashCodice(QStringView codice, quint64 h)
{
    for (const QChar c : codice)
        h = (h ^ c.unicode()) * kPrimoHash;
    return (h ^ 0xffffu) * kPrimoHash; // the end of the code
}

size_t FineHash(quint64 h)
{
    return size_t((h ^ (h >> 29)) * 0x9E3779B97F4A7C15ull);
}

// A code as a hash key.
struct Codice {
    QString testo;
    bool operator==(const Codice &) const = default;
};

size_t qHash(const Codice &c, size_t seed = 0)
{
    return FineHash(HashCodice(c.testo, quint64(seed) * kPrimoHash));
}

// Values read from tables once per transaction of a connection: kept until the transaction
// ends or a statement of it writes one of the tables; read every time outside a transaction.
// With a reader of all values, a transaction that has read many one by one reads the rest at
// once: a key it does not hold then has the value of a missing row, T().
template <typename T> class LettureTransazione final : private TXTransactionListener {
public:
    explicit LettureTransazione(const QStringList &tabelle) : tabelle_(tabelle) {}

    // leggiTutti: a callable answering QHash<Codice, T>, or nullptr.
    template <typename Leggi, typename LeggiTutti = std::nullptr_t>
    T Valore(TXDatabase &db, const QString &chiave, Leggi leggi, LeggiTutti leggiTutti = nullptr)
    {
        if (!db.InTransaction())
            return leggi();
        if (ListenedDatabase() != &db) {
            Dimentica();
            Listen(&db, tabelle_);
        }
        const Codice codice{chiave};
        if (const auto it = valori_.constFind(codice); it != valori_.cend())
            return *it;
        if (tutti_)
            return T();
        if constexpr (!std::is_null_pointer_v<LeggiTutti>) {
            if (valori_.size() >= kPrimaDiTutti) {
                valori_ = leggiTutti();
                tutti_ = true;
                return valori_.value(codice);
            }
        }
        const T letto = leggi();
        if (valori_.size() >= kMassimo)
            valori_.clear();
        valori_.insert(codice, letto);
        return letto;
    }

    // Values read by another statement of db's open transaction, kept as if read one by one.
    void Registra(TXDatabase &db, const QHash<Codice, T> &letti)
    {
        if (!db.InTransaction() || tutti_)
            return;
        if (ListenedDatabase() != &db) {
            Dimentica();
            Listen(&db, tabelle_);
        }
        if (valori_.size() + letti.size() > kMassimo)
            valori_.clear();
        valori_.insert(letti);
    }

private:
    void Dimentica()
    {
        valori_.clear();
        tutti_ = false;
    }
    void TransactionStarted() override { Dimentica(); }
    void TransactionCommitted() override { Dimentica(); }
    void TransactionRolledBack() override { Dimentica(); }
    void TableWritten() override { Dimentica(); }

    static constexpr qsizetype kMassimo = 10000;
    static constexpr qsizetype kPrimaDiTutti = 64;
    const QStringList tabelle_;
    QHash<Codice, T> valori_;
    bool tutti_ = false;
};

// ---- currencies

struct Decimali {
    int prezzo;
    int valore;
};

QString DivisaNazionale()
{
    return CFG.IdDivisa;
}

// Price and value decimals of a currency; the company's decimals for the national or
// foreign currencies when the currency table does not have it.
Decimali DecimaliDivisa(TXDatabase &db, const QString &divisa)
{
    static LettureTransazione<Decimali> letture({QStringLiteral("Divise")});
    return letture.Valore(db, divisa, [&]() -> Decimali {
        // both in one read: price decimals x 100 + value decimals
        const QVariant letti = db.ScalarValue(
            QStringLiteral("SELECT DecPrezzo * 100 + DecValore FROM Divise WHERE IdDivisa = ?"), {divisa});
        if (letti.isValid())
            return {letti.toInt() / 100, letti.toInt() % 100};
        const bool nazionale = divisa == DivisaNazionale();
        return {KFormati::GetDecimali(nazionale ? KFormati::fnPrezzoIT : KFormati::fnPrezzoES),
                KFormati::GetDecimali(nazionale ? KFormati::fnValoreIT : KFormati::fnValoreES)};
    });
}

// An amount of currency da (at rate cambio, national units per unit) in currency a, rounded
// to the given decimals: through the national currency, at a's stored rate on the date.
double Converti(double importo, const QString &da, double cambio, const QDateTime &data, const QString &a, int decimali)
{
    double nazionale = importo;
    if (da != DivisaNazionale()) {
        if (cambio <= 0)
            throw Exception(QStringLiteral("Cambio della divisa %1 non valido: %2").arg(da).arg(cambio));
        nazionale = importo * cambio;
    }
    if (a == DivisaNazionale())
        return Funzioni::KRound(nazionale, decimali);
    return Funzioni::KRound(nazionale / Funzioni::GetCambioEURO(a, data), decimali);
}

// ---- deposit cards

const QString kChiaveScheda = QStringLiteral("IdContoTp;IdConto;IdDestinazione;IdImballo;FlTipoScheda");

const QStringList kImportiScheda = {
    QStringLiteral("ProgQtaCar"),  QStringLiteral("ProgQtaRes"),  QStringLiteral("ProgValCar"),
    QStringLiteral("ProgValRes"),  QStringLiteral("ProgQtaCarF"), QStringLiteral("ProgQtaResF"),
    QStringLiteral("ProgValCarF"), QStringLiteral("ProgValResF"), QStringLiteral("ProgQtaCarB"),
    QStringLiteral("ProgQtaResB"), QStringLiteral("ProgValCarB"), QStringLiteral("ProgValResB"),
    QStringLiteral("QtaCarEcc"),   QStringLiteral("QtaResEcc"),   QStringLiteral("EsiAttEcc")};

// Price and values of one movement in the currency of a card.
struct ImportiScheda {
    QString divisa;
    double prezzo = 0;
    double valoreCar = 0;
    double valoreRes = 0;
};

void Aggiungi(TDataSet *t, const QString &campo, double importo)
{
    TField *f = t->FieldByName(campo);
    f->SetAsFloat(f->AsFloat() + importo);
}

// Positions of the card amounts in kImportiScheda (EsiAttEcc, last, follows from two of them).
enum ImportoScheda {
    kProgQtaCar,
    kProgQtaRes,
    kProgValCar,
    kProgValRes,
    kProgQtaCarF,
    kProgQtaResF,
    kProgValCarF,
    kProgValResF,
    kProgQtaCarB,
    kProgQtaResB,
    kProgValCarB,
    kProgValResB,
    kQtaCarEcc,
    kQtaResEcc,
    kImportiSommati
};

// The key of a card.
struct ChiaveScheda {
    QString tipoConto;
    QString conto;
    int destinazione;
    QString imballo;
    int tipoScheda;

    // the numbers first, then the texts most likely to differ
    bool operator==(const ChiaveScheda &o) const
    {
        return destinazione == o.destinazione && tipoScheda == o.tipoScheda && conto == o.conto && imballo == o.imballo
               && tipoConto == o.tipoConto;
    }
    QVariantList Valori() const { return {tipoConto, conto, destinazione, imballo, tipoScheda}; }
};

size_t qHash(const ChiaveScheda &k, size_t seed = 0)
{
    // the account kind seldom tells two cards apart: left out
    const quint64 h = (quint64(seed) ^ quint64(quint32(k.destinazione)) << 8 ^ quint64(k.tipoScheda)) * kPrimoHash;
    return FineHash(HashCodice(k.imballo, HashCodice(k.conto, h)));
}

// The cards moved in the open transaction of the card table's connection. Movements add up
// here in memory; each card reaches the table (whose posts wait for the commit) once, when the
// transaction is about to commit or earlier when a statement names the table, so it reaches
// the database once per transaction. A card another user changed meanwhile fails the table's
// change check then, and the commit with it; a rollback drops everything.
class SchedeInSospeso final : public QObject, private TXTransactionListener, private TXDeferredWrites {
public:
    using Importi = std::array<double, kImportiSommati>;
    struct Scheda {
        ChiaveScheda chiave;
        QString divisa;  // the card's currency, in which its amounts are added up
        bool registrata; // stored when first moved
        Importi importi{};
    };

    // The table's own, listening to the table's connection; it goes with the table.
    static SchedeInSospeso &Di(TXClientTable *t)
    {
        static QPointer<SchedeInSospeso> ultime;
        if (!ultime || ultime->tabella_ != t) {
            ultime = static_cast<SchedeInSospeso *>(
                t->findChild<QObject *>(QString::fromLatin1(kNome), Qt::FindDirectChildrenOnly));
            if (!ultime)
                ultime = new SchedeInSospeso(t);
        }
        if (ultime->ListenedDatabase() != &t->Database()) {
            ultime->Dimentica();
            ultime->Listen(&t->Database(), {t->TableName()});
        }
        return *ultime;
    }

    // The currency of the card as stored (empty: no such card; its rows are read once per
    // account and transaction, or all at once for a job that moves many accounts).
    QString DivisaRegistrata(const ChiaveScheda &chiave)
    {
        TXDatabase &db = *ListenedDatabase();
        const bool inTransazione = db.InTransaction();
        if (!inTransazione)
            DimenticaLetture();
        const QPair<QString, QString> conto{chiave.tipoConto, chiave.conto};
        if (!tutteLette_ && !contiLetti_.contains(conto)) {
            Leggendo([&] {
                const bool tutte = contiLetti_.size() >= kContiPrimaDiTutte;
                QSqlQuery q =
                    tutte ? db.OpenQuery(kSelezioneDivise, {}, true)
                          : db.OpenQuery(kSelezioneDivise + QStringLiteral(" WHERE IdContoTp = ? AND IdConto = ?"),
                                         {conto.first, conto.second}, true);
                if (tutte)
                    divise_.clear();
                while (q.next())
                    divise_.insert({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt(),
                                    q.value(3).toString(), q.value(4).toInt()},
                                   q.value(5).toString());
                tutteLette_ = tutte;
                if (!tutte)
                    contiLetti_.insert(conto);
            });
        }
        const auto it = divise_.constFind(chiave);
        if (it == divise_.cend())
            return QString();
        return it->isEmpty() ? DivisaNazionale() : *it;
    }

    // Whether the currencies of the account's cards are still to be read in the transaction.
    bool DaLeggere(const QString &tipo, const QString &conto) const
    {
        return ListenedDatabase()->InTransaction() && !tutteLette_ && !contiLetti_.contains({tipo, conto});
    }
    // The cards known to exist (their currencies read in the transaction) of the accounts.
    QList<ChiaveScheda> Registrate(const QString &tipo, const QSet<QString> &conti) const
    {
        QList<ChiaveScheda> chiavi;
        for (auto it = divise_.cbegin(); it != divise_.cend(); ++it)
            if (it.key().tipoConto == tipo && conti.contains(it.key().conto))
                chiavi << it.key();
        return chiavi;
    }
    // A card's currency read by another statement of the transaction; Letto: all those of the
    // account were.
    void Registra(const ChiaveScheda &chiave, const QString &divisa) { divise_.insert(chiave, divisa); }
    void Letto(const QString &tipo, const QString &conto) { contiLetti_.insert({tipo, conto}); }
    // Runs a read that names the card table: it may flush the table's own posts, not these cards.
    template <typename Leggi> std::invoke_result_t<Leggi> Leggendo(Leggi leggi)
    {
        leggendo_ = true;
        const auto fine = qScopeGuard([this] { leggendo_ = false; });
        return leggi();
    }

    // The card's place among the pending ones (-1: not moved yet in the transaction).
    qsizetype Posto(const ChiaveScheda &chiave) const
    {
        const auto it = indice_.constFind(chiave);
        return it == indice_.cend() ? -1 : qsizetype(*it);
    }

    // The currency in which the card's amounts add up: the one it has pending (at its place),
    // else as stored, else (a new card) the national one.
    QString Divisa(const ChiaveScheda &chiave, qsizetype posto)
    {
        posto = Verificato(chiave, posto);
        if (posto >= 0)
            return schede_[size_t(posto)].divisa;
        const QString divisa = DivisaRegistrata(chiave);
        return divisa.isEmpty() ? DivisaNazionale() : divisa;
    }

    // The card's pending amounts (at its place, or a new pending card).
    Importi &ImportiDi(const ChiaveScheda &chiave, qsizetype posto)
    {
        posto = Verificato(chiave, posto);
        if (posto >= 0)
            return schede_[size_t(posto)].importi;
        const QString registrata = DivisaRegistrata(chiave);
        if (schede_.empty())
            ListenedDatabase()->AddDeferred(this);
        indice_.insert(chiave, schede_.size());
        schede_.push_back({chiave, registrata.isEmpty() ? DivisaNazionale() : registrata, !registrata.isEmpty(), {}});
        return schede_.back().importi;
    }

    // Every pending card posted to the table, which writes them.
    void Scrivi()
    {
        std::vector<Scheda> schede = std::exchange(schede_, {});
        indice_.clear();
        if (TXDatabase *db = ListenedDatabase())
            db->RemoveDeferred(this);
        if (schede.empty())
            return;
        TXClientTable *t = tabella_;
        t->SetDeferredWrites(true);
        try {
            QList<QVariantList> chiavi, daLeggere;
            chiavi.reserve(qsizetype(schede.size()));
            for (const Scheda &s : schede) {
                chiavi << s.chiave.Valori();
                // a new card is read only when the table holds an older copy of it
                if (s.registrata || t->Locate(kChiaveScheda, chiavi.last(), loHeldOnly))
                    daLeggere << chiavi.last();
            }
            // most of the stored cards: read in one statement of the whole table
            if (tutteLette_ && daLeggere.size() * 2 >= divise_.size())
                t->ReadAsStored(kChiaveScheda, daLeggere, QString(), {});
            else
                t->ReadAsStored(kChiaveScheda, daLeggere);
            for (qsizetype k = 0; k < chiavi.size(); ++k)
                Posta(t, schede[size_t(k)], chiavi[k]);
        } catch (...) {
            Scarta(t);
            throw;
        }
        t->FlushDeferred();
    }

    void Dimentica()
    {
        schede_.clear();
        indice_.clear();
        DimenticaLetture();
        if (TXDatabase *db = ListenedDatabase())
            db->RemoveDeferred(this);
    }

private:
    explicit SchedeInSospeso(TXClientTable *t) : QObject(t), tabella_(t) { setObjectName(QString::fromLatin1(kNome)); }

    // The place, looked up again when the card was not pending then or the pending cards changed since.
    qsizetype Verificato(const ChiaveScheda &chiave, qsizetype posto) const
    {
        if (posto >= 0 && size_t(posto) < schede_.size() && schede_[size_t(posto)].chiave == chiave)
            return posto;
        return Posto(chiave);
    }

    void DimenticaLetture()
    {
        divise_.clear();
        contiLetti_.clear();
        tutteLette_ = false;
    }

    static void Posta(TXClientTable *t, const Scheda &s, const QVariantList &chiave)
    {
        TField *divisa = t->FieldByName(QStringLiteral("IdDivisa"));
        if (t->Locate(kChiaveScheda, chiave, loHeldOnly)) {
            // the amounts were added up in the currency the card had when first moved
            const QString registrata = divisa->AsString().isEmpty() ? DivisaNazionale() : divisa->AsString();
            if (registrata != s.divisa)
                throw Exception(QStringLiteral("La scheda cauzioni del conto %1 imballo %2 è stata modificata da un "
                                               "altro utente (divisa %3): ripetere l'operazione")
                                    .arg(s.chiave.conto, s.chiave.imballo, registrata));
            t->Edit();
        } else {
            t->Insert();
            const QStringList campi = kChiaveScheda.split(QLatin1Char(';'));
            for (qsizetype k = 0; k < campi.size(); ++k)
                t->FieldByName(campi[k])->SetValue(chiave[k]);
            for (const QString &c : kImportiScheda)
                t->FieldByName(c)->SetAsFloat(0);
            divisa->SetAsString(s.divisa);
        }
        if (divisa->AsString().isEmpty())
            divisa->SetAsString(DivisaNazionale());
        for (int k = 0; k < kImportiSommati; ++k)
            if (s.importi[size_t(k)] != 0)
                Aggiungi(t, kImportiScheda[k], s.importi[size_t(k)]);
        t->FieldByName(QStringLiteral("EsiAttEcc"))
            ->SetAsFloat(t->FieldByName(QStringLiteral("QtaResEcc"))->AsFloat()
                         - t->FieldByName(QStringLiteral("QtaCarEcc"))->AsFloat());
        t->Post();
    }

    void TransactionStarted() override { Dimentica(); }
    void BeforeCommit() override { Scrivi(); }
    void TransactionCommitted() override { Dimentica(); }
    void TransactionRolledBack() override { Dimentica(); }
    // another statement wrote the cards: their currencies are read again
    void TableWritten() override { DimenticaLetture(); }
    QString DeferredTable() const override { return tabella_->TableName(); }
    void FlushDeferred() override
    {
        if (!leggendo_)
            Scrivi();
    }

    static constexpr const char *kNome = "SchedeInSospeso";
    // accounts read one by one before all cards are read at once
    static constexpr qsizetype kContiPrimaDiTutte = 64;
    inline static const QString kSelezioneDivise = QStringLiteral(
        "SELECT IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, IdDivisa FROM LUMO_ProgCauz");

    TXClientTable *const tabella_;
    bool leggendo_ = false;
    std::vector<Scheda> schede_;
    QHash<ChiaveScheda, size_t> indice_;
    QHash<ChiaveScheda, QString> divise_;
    QSet<QPair<QString, QString>> contiLetti_;
    bool tutteLette_ = false;
};

// The texts reading how accounts of a kind keep deposits, made once (read for every movement).
struct TestiDeposito {
    QString conti, sql, dove;
    explicit TestiDeposito(bool cliente)
        : conti(cliente ? QStringLiteral("Clienti") : QStringLiteral("Fornitori")),
          sql(QStringLiteral("SELECT %1.IdConto, %2")
                  .arg(conti, cliente ? QStringLiteral("CASE WHEN %1.UT_LMQ_FlCauz = 0 THEN 0 WHEN "
                                                       "%1.UT_LMQ_FlCauDes = 0 THEN 1 ELSE 2 END")
                                            .arg(conti)
                                      : QStringLiteral("CASE WHEN %1.UT_LMQ_FlCauz = 0 THEN 0 ELSE 1 END").arg(conti))),
          dove(QStringLiteral(" WHERE %1.IdContoTp = ?").arg(conti))
    {}
    // The account's columns joined with its cards' currencies.
    QString ConSchede() const
    {
        return sql + QStringLiteral(", p.IdDestinazione, p.IdImballo, p.FlTipoScheda, p.IdDivisa FROM ") + conti
               + QStringLiteral(" LEFT JOIN LUMO_ProgCauz p ON p.IdContoTp = %1.IdContoTp AND p.IdConto = %1.IdConto")
                     .arg(conti)
               + dove;
    }

    static const TestiDeposito &Di(bool cliente)
    {
        static const TestiDeposito clienti(true), fornitori(false);
        return cliente ? clienti : fornitori;
    }
};

// How accounts of a kind keep deposits, read once per transaction.
LettureTransazione<int> &LettureDeposito(bool cliente)
{
    static LettureTransazione<int> clienti({QStringLiteral("Clienti")}), fornitori({QStringLiteral("Fornitori")});
    return cliente ? clienti : fornitori;
}

// How an account keeps deposits: 0 not (or no such account), 1 kept, 2 kept per destination.
// In a transaction an account read alone brings along its card currencies, when the pending
// cards have still to read them: one statement for both.
int DepositoConto(TXDatabase &db, const QString &tipo, const QString &conto, SchedeInSospeso &schede)
{
    const bool cliente = tipo == QLatin1String("CL");
    if (!cliente && tipo != QLatin1String("FO"))
        return 0;
    const TestiDeposito &testi = TestiDeposito::Di(cliente);
    const QString &conti = testi.conti;
    const QString &sql = testi.sql;
    const QString &dove = testi.dove;
    return LettureDeposito(cliente).Valore(
        db, conto,
        [&] {
            if (!schede.DaLeggere(tipo, conto)) {
                QSqlQuery q = db.OpenQuery(sql + QStringLiteral(" FROM ") + conti + dove
                                               + QStringLiteral(" AND %1.IdConto = ?").arg(conti),
                                           {tipo, conto}, true);
                return q.next() ? q.value(1).toInt() : 0;
            }
            return schede.Leggendo([&] {
                QSqlQuery q = db.OpenQuery(testi.ConSchede() + QStringLiteral(" AND %1.IdConto = ?").arg(conti),
                                           {tipo, conto}, true);
                int letto = 0;
                while (q.next()) {
                    letto = q.value(1).toInt();
                    if (!q.isNull(4))
                        schede.Registra({tipo, conto, q.value(2).toInt(), q.value(3).toString(), q.value(4).toInt()},
                                        q.value(5).toString());
                }
                schede.Letto(tipo, conto);
                return letto;
            });
        },
        [&] {
            QHash<Codice, int> tutti;
            QSqlQuery q = db.OpenQuery(sql + QStringLiteral(" FROM ") + conti + dove, {tipo}, true);
            while (q.next())
                tutti.insert({q.value(0).toString()}, q.value(1).toInt());
            return tutti;
        });
}

// Reads at once how the accounts keep deposits and, for the pending cards, their cards'
// currencies: DepositoConto then reads nothing more for them in the open transaction.
void LeggiDepositoConti(TXDatabase &db, const QString &tipo, const QStringList &codici, SchedeInSospeso &schede)
{
    const bool cliente = tipo == QLatin1String("CL");
    if ((!cliente && tipo != QLatin1String("FO")) || codici.isEmpty() || !db.InTransaction())
        return;
    const TestiDeposito &testi = TestiDeposito::Di(cliente);
    QVariantList valori{tipo};
    for (const QString &c : codici)
        valori << c;
    QHash<Codice, int> letti;
    schede.Leggendo([&] {
        QSqlQuery q = db.OpenQuery(testi.ConSchede() + QStringLiteral(" AND %1.IdConto IN (?").arg(testi.conti)
                                       + QStringLiteral(", ?").repeated(codici.size() - 1) + QLatin1Char(')'),
                                   valori, true);
        while (q.next()) {
            const QString conto = q.value(0).toString();
            letti.insert({conto}, q.value(1).toInt());
            if (!q.isNull(4) && schede.DaLeggere(tipo, conto))
                schede.Registra({tipo, conto, q.value(2).toInt(), q.value(3).toString(), q.value(4).toInt()},
                                q.value(5).toString());
        }
    });
    for (const QString &c : codici) {
        letti.insert({c}, letti.value({c})); // a missing account keeps none
        if (schede.DaLeggere(tipo, c))
            schede.Letto(tipo, c);
    }
    LettureDeposito(cliente).Registra(db, letti);
}

// ---- product-card selection

// A sort field: a column name the field dictionary knows, nothing else.
void ControllaCampoOrdine(const QString &campo)
{
    static const QRegularExpression nome(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!nome.match(campo).hasMatch() || kv8data::DictSpelling(campo).isEmpty())
        throw Exception(QStringLiteral("Campo di ordinamento non valido: %1").arg(campo));
}

} // namespace

// ---------------------------------------------------------------- protocol counters

int UT_LMQ_GEN_GetProtocolloDoc(int TipoDoc, int Anno, int Serie)
{
    int risultato = -1;
    TXClientTable *t = nullptr;
    try {
        t = Modulo().TRS_Protocolli;
        Funzioni::CheckTabOpen(t);
        // the number proposed follows what is stored now, not an earlier read
        if (!t->LocateAsStored(QStringLiteral("TipoDoc;Anno;Serie"), QVariantList{TipoDoc, Anno, Serie})) {
            t->Append();
            t->FieldByName(QStringLiteral("TipoDoc"))->SetAsInteger(TipoDoc);
            t->FieldByName(QStringLiteral("Anno"))->SetAsInteger(Anno);
            t->FieldByName(QStringLiteral("Serie"))->SetAsInteger(Serie);
            t->Post();
            risultato = 1;
        } else {
            risultato = t->FieldByName(QStringLiteral("Protocollo"))->AsInteger() + 1;
        }
    } catch (const std::exception &e) {
        qWarning("UT_LMQ_GEN_GetProtocolloDoc(%d, %d, %d): %s", TipoDoc, Anno, Serie, e.what());
        Scarta(t);
        risultato = -1;
    }
    return risultato;
}

bool UT_LMQ_GEN_SetProtocolloDoc(int TipoDoc, int Anno, int Serie, int Protocollo, int Operazione)
{
    bool risultato = false;
    if (Protocollo < 1)
        return risultato; // no number: a failed getter's -1 is never recorded as used
    TXClientTable *t = nullptr;
    try {
        t = Modulo().TRS_Protocolli;
        Funzioni::CheckTabOpen(t);
        // the row as the getter read it: a number stored by another user since makes the
        // write below fail its change check instead of being silently accepted
        if (!t->Locate(QStringLiteral("TipoDoc;Anno;Serie"), QVariantList{TipoDoc, Anno, Serie}))
            return risultato;
        TField *numero = t->FieldByName(QStringLiteral("Protocollo"));
        if (Operazione == 0) {
            if (Protocollo > numero->AsInteger()) {
                t->Edit();
                numero->SetAsInteger(Protocollo);
                t->Post();
            }
        } else if (Operazione == 1) {
            if (Protocollo == numero->AsInteger()) {
                t->Edit();
                numero->SetAsInteger(Protocollo - 1);
                t->Post();
            }
        }
        risultato = true;
    } catch (const std::exception &e) {
        qWarning("UT_LMQ_GEN_SetProtocolloDoc(%d, %d, %d, %d, %d): %s", TipoDoc, Anno, Serie, Protocollo, Operazione,
                 e.what());
        Scarta(t);
        risultato = false;
    }
    return risultato;
}

// ---------------------------------------------------------------- register progressives

void UT_LMQ_RG_LeggoProgReg(int IdRaggMag, const QString &IdRegistro, TUT_LMQ_RG_ProgressiviRegistri &Progressivi)
{
    Progressivi = TUT_LMQ_RG_ProgressiviRegistri();
    TXlkTable *t = Modulo().lkLUMO_ProgRegistri;
    t->Close();
    t->Open();
    if (!t->Locate(QStringLiteral("IdRaggMag;IdRegistro"), QVariantList{IdRaggMag, IdRegistro}))
        return;
    Progressivi.IdRaggMag = t->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    Progressivi.IdRegistro = t->FieldByName(QStringLiteral("IdRegistro"))->AsString();
    Progressivi.DataUltAgg = t->FieldByName(QStringLiteral("DataUltAgg"))->AsDateTime();
    Progressivi.UltNumRiga = t->FieldByName(QStringLiteral("UltNumRiga"))->AsInteger();
}

void UT_LMQ_RG_BloccoProgReg(int IdRaggMag, const QString &IdRegistro, TUT_LMQ_RG_ProgressiviRegistri &Progressivi)
{
    Progressivi = TUT_LMQ_RG_ProgressiviRegistri();
    TXClientTable t;
    t.SetDatabaseName(QStringLiteral("GlobalDatabase"));
    t.SetTableName(QStringLiteral("LUMO_ProgRegistri"));
    t.SetXWhereVuoto(QStringLiteral("IdRaggMag = -1"));
    t.Open();
    const QString campi = QStringLiteral("IdRaggMag;IdRegistro");
    const QVariantList chiave{IdRaggMag, IdRegistro};
    t.ReadAsStored(campi, {chiave}, QStringLiteral("IdRaggMag = ? AND IdRegistro = ?"), chiave, true);
    if (!t.Locate(campi, chiave)) {
        t.Insert();
        t.FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(IdRaggMag);
        t.FieldByName(QStringLiteral("IdRegistro"))->SetAsString(IdRegistro);
        t.FieldByName(QStringLiteral("UltNumRiga"))->SetAsInteger(0);
        t.Post();
        return;
    }
    Progressivi.IdRaggMag = t.FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    Progressivi.IdRegistro = t.FieldByName(QStringLiteral("IdRegistro"))->AsString();
    Progressivi.DataUltAgg = t.FieldByName(QStringLiteral("DataUltAgg"))->AsDateTime();
    Progressivi.UltNumRiga = t.FieldByName(QStringLiteral("UltNumRiga"))->AsInteger();
}

void UT_LMQ_RG_ScrivoProgReg(int IdRaggMag, const QString &IdRegistro, const QDateTime &DataUltAgg, int UltNumRiga)
{
    TXTable *t = ModuloRegistri().tProgRegistri;
    if (t->Active())
        t->Close();
    t->Open();
    try {
        if (t->Locate(QStringLiteral("IdRaggMag;IdRegistro"), QVariantList{IdRaggMag, IdRegistro})) {
            t->Edit();
        } else {
            t->Insert();
            t->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(IdRaggMag);
            t->FieldByName(QStringLiteral("IdRegistro"))->SetAsString(IdRegistro);
        }
        t->FieldByName(QStringLiteral("DataUltAgg"))->SetAsDateTime(DataUltAgg);
        t->FieldByName(QStringLiteral("UltNumRiga"))->SetAsInteger(UltNumRiga);
        t->Post();
    } catch (...) {
        if (InModifica(t))
            t->Cancel();
        throw;
    }
    t->Close();
}

// ---------------------------------------------------------------- deposit cards

void UT_LMQ_CAUZ_LeggiConti(const QString &IdContoTp, const QStringList &conti)
{
    TXClientTable *t = Modulo().TRS_ProgCauz;
    Funzioni::CheckTabOpen(t);
    LeggiDepositoConti(t->Database(), IdContoTp, conti, SchedeInSospeso::Di(t));
}

void UT_LMQ_CAUZ_BloccaSchede(const QString &IdContoTp, const QStringList &conti,
                              const std::function<void(TDataSet *)> &scheda)
{
    TXClientTable *t = Modulo().TRS_ProgCauz;
    Funzioni::CheckTabOpen(t);
    TXDatabase &db = t->Database();
    if (conti.isEmpty() || !db.InTransaction())
        return;
    UT_LMQ_CAUZ_LeggiConti(IdContoTp, conti);
    SchedeInSospeso &sospese = SchedeInSospeso::Di(t);
    const QSet<QString> insieme(conti.cbegin(), conti.cend());
    QList<QVariantList> chiavi;
    for (const ChiaveScheda &c : sospese.Registrate(IdContoTp, insieme))
        if (c.tipoScheda == 1 || (c.tipoScheda == 0 && c.destinazione == 0))
            chiavi << c.Valori();
    QVariantList valori{IdContoTp};
    for (const QString &c : conti)
        valori << c;
    // locked in key order: two jobs moving the same accounts wait for each other, never deadlock
    const QString condizione = QStringLiteral("IdContoTp = ? AND IdConto IN (?")
                               + QStringLiteral(", ?").repeated(conti.size() - 1)
                               + QStringLiteral(") AND (FlTipoScheda = 1 OR (FlTipoScheda = 0 AND IdDestinazione = 0)) "
                                                "ORDER BY IdConto, FlTipoScheda, IdDestinazione, IdImballo");
    sospese.Leggendo([&] { t->ReadAsStored(kChiaveScheda, chiavi, condizione, valori, true); });
    for (const QVariantList &chiave : std::as_const(chiavi))
        if (DepositoConto(db, IdContoTp, chiave[1].toString(), sospese) != 0
            && t->Locate(kChiaveScheda, chiave, loHeldOnly))
            scheda(t);
}

void UT_LMQ_CAUZ_AggiornaProgressivi(const QDateTime &DataReg, const QString &IdContoTp, const QString &IdConto,
                                     int IdDestinazione, const QString &IdDivisa, double Cambio,
                                     const QString &IdImballo, double QtaCar, double QtaRes, double QtaCarEcc,
                                     double QtaResEcc, double Prezzo, int FlAggCau, int FlAggCauF, int FlAggCauB,
                                     int FlValori, double ValoreCar, double ValoreRes)
{
    if (QtaCar == 0 && QtaRes == 0 && QtaCarEcc == 0 && QtaResEcc == 0)
        return;
    TXClientTable *t = Modulo().TRS_ProgCauz;
    Funzioni::CheckTabOpen(t);
    TXDatabase &db = t->Database();

    SchedeInSospeso &sospese = SchedeInSospeso::Di(t);
    const int deposito = DepositoConto(db, IdContoTp, IdConto, sospese);
    if (deposito == 0)
        return;
    const int destinazione = deposito == 2 ? IdDestinazione : 0;

    // an empty movement currency is the national one
    const QString divisaMovimento = IdDivisa.isEmpty() ? DivisaNazionale() : IdDivisa;
    auto importiIn = [&](const QString &divisa) {
        ImportiScheda i;
        i.divisa = divisa;
        const Decimali dec = DecimaliDivisa(db, divisa);
        const bool converti = divisa != divisaMovimento;
        i.prezzo = converti ? Converti(Prezzo, divisaMovimento, Cambio, DataReg, divisa, dec.prezzo) : Prezzo;
        if (FlValori == 1) {
            i.valoreCar =
                converti ? Converti(ValoreCar, divisaMovimento, Cambio, DataReg, divisa, dec.valore) : ValoreCar;
            i.valoreRes =
                converti ? Converti(ValoreRes, divisaMovimento, Cambio, DataReg, divisa, dec.valore) : ValoreRes;
        } else {
            i.valoreCar = UT_LMQ_CAUZ_CalcValCau(QtaCar - QtaCarEcc, i.prezzo, dec.valore);
            i.valoreRes = UT_LMQ_CAUZ_CalcValCau(QtaRes - QtaResEcc, i.prezzo, dec.valore);
        }
        return i;
    };

    // the movement added to a card's pending amounts, set by set
    auto sommaMovimentoScheda = [&](SchedeInSospeso::Importi &a, const ImportiScheda &i) {
        if (FlAggCau == 1) {
            a[kProgQtaCar] += QtaCar;
            a[kProgQtaRes] += QtaRes;
            a[kProgValCar] += i.valoreCar;
            a[kProgValRes] += i.valoreRes;
            a[kQtaCarEcc] += QtaCarEcc;
            a[kQtaResEcc] += QtaResEcc;
        }
        if (FlAggCauF == 1) {
            a[kProgQtaCarF] += QtaCar;
            a[kProgQtaResF] += QtaRes;
            a[kProgValCarF] += i.valoreCar;
            a[kProgValResF] += i.valoreRes;
        }
        if (FlAggCauB == 1) {
            a[kProgQtaCarB] += QtaCar;
            a[kProgQtaResB] += QtaRes;
            a[kProgValCarB] += i.valoreCar;
            a[kProgValResB] += i.valoreRes;
        }
    };

    // the movement's amounts in the currencies of both cards (those of the first card for the
    // second when the currency is the same) before either moves: an error changes neither
    const ChiaveScheda perDestinazione{IdContoTp, IdConto, destinazione, IdImballo, 0};
    const ChiaveScheda perConto{IdContoTp, IdConto, 0, IdImballo, 1};
    // each card looked up once (places stay valid: cards are only added until the writing)
    const qsizetype postoDestinazione = sospese.Posto(perDestinazione);
    const qsizetype postoConto = sospese.Posto(perConto);
    const ImportiScheda importiDestinazione = importiIn(sospese.Divisa(perDestinazione, postoDestinazione));
    const QString divisaConto = sospese.Divisa(perConto, postoConto);
    const ImportiScheda importiConto =
        divisaConto == importiDestinazione.divisa ? importiDestinazione : importiIn(divisaConto);
    sommaMovimentoScheda(sospese.ImportiDi(perDestinazione, postoDestinazione), importiDestinazione);
    sommaMovimentoScheda(sospese.ImportiDi(perConto, postoConto), importiConto);
    if (!db.InTransaction())
        sospese.Scrivi();
}

double UT_LMQ_CAUZ_PrezzoCauzione(const QString &IdListino, const QString &IdDivisa, const QString &IdImballo)
{
    TXQuery *q = Modulo().qListCauz;
    if (q->Active())
        q->Close();
    q->Params(0)->SetAsWideString(IdListino);
    q->Params(1)->SetAsWideString(Funzioni::DivisaDocumento(IdDivisa));
    q->Params(2)->SetAsWideString(IdImballo);
    q->Open();
    double prezzo = 0;
    if (!q->IsEmpty()) {
        q->First();
        prezzo = q->FieldByName(QStringLiteral("Prezzo"))->AsFloat();
    }
    q->Close();
    return prezzo;
}

double UT_LMQ_CAUZ_CalcValCau(double Quantita, double Prezzo, int Decimali)
{
    // deposit movements repeat few quantities at few prices: recent results are kept (by
    // the exact bits of the arguments), the rounding being costly
    struct Calcolo {
        quint64 quantita = 0, prezzo = 0;
        int decimali = std::numeric_limits<int>::min();
        double valore = 0;
    };
    thread_local std::array<Calcolo, 64> calcolati;
    const auto quantita = std::bit_cast<quint64>(Quantita);
    const auto prezzo = std::bit_cast<quint64>(Prezzo);
    const quint64 mescolati = (quantita ^ std::rotl(prezzo, 21) ^ quint64(Decimali)) * 0x9E3779B97F4A7C15ull;
    Calcolo &c = calcolati[size_t(mescolati >> 58)]; // top 6 bits: one of 64
    if (c.quantita != quantita || c.prezzo != prezzo || c.decimali != Decimali)
        c = {quantita, prezzo, Decimali, Funzioni::KRound(Quantita * Prezzo, Decimali)};
    return c.valore;
}

// ---------------------------------------------------------------- product-card selection

void UT_LMQ_SK_CreaWhere(TXMemTable *Parametri, QString &Where)
{
    struct Limite {
        const char *campo;
        const char *confronto;
    };
    static const Limite kTesti[] = {
        {"Da_IdProdotto", "Articoli.IdProdotto >= "},          {"A_IdProdotto", "Articoli.IdProdotto <= "},
        {"Da_IdCatVin", "Articoli.UT_LMQ_IdCatVin >= "},       {"A_IdCatVin", "Articoli.UT_LMQ_IdCatVin <= "},
        {"Da_IdNazione", "Articoli.UT_LMQ_IdNazione >= "},     {"A_IdNazione", "Articoli.UT_LMQ_IdNazione <= "},
        {"Da_IdRegione", "Articoli.UT_LMQ_IdRegione >= "},     {"A_IdRegione", "Articoli.UT_LMQ_IdRegione <= "},
        {"Da_IdZonaProd", "Articoli.UT_LMQ_IdZonaProd >= "},   {"A_IdZonaProd", "Articoli.UT_LMQ_IdZonaProd <= "},
        {"Da_IdTipologia", "Articoli.UT_LMQ_IdTipologia >= "}, {"A_IdTipologia", "Articoli.UT_LMQ_IdTipologia <= "},
        {"Da_IdSpecifica", "Articoli.UT_LMQ_IdSpecifica >= "}, {"A_IdSpecifica", "Articoli.UT_LMQ_IdSpecifica <= "},
    };
    static const Limite kAnnate[] = {
        {"Da_Annata", "Articoli.UT_LMQ_Annata >= "},
        {"A_Annata", "Articoli.UT_LMQ_Annata <= "},
    };
    const QString e = QStringLiteral(" AND ");
    Where.clear();
    if (!Parametri)
        throw Exception(QStringLiteral("Parametri di selezione non assegnati"));
    for (const Limite &l : kTesti) {
        const QString valore = Parametri->FieldByName(QLatin1String(l.campo))->AsString();
        if (!valore.isEmpty())
            Where += QLatin1String(l.confronto) + XWideQuotedStr(valore) + e;
    }
    for (const Limite &l : kAnnate) {
        const int anno = Parametri->FieldByName(QLatin1String(l.campo))->AsInteger();
        if (anno != 0)
            Where += QLatin1String(l.confronto) + XWideQuotedStr(QString::number(anno)) + e;
    }
    Where += QStringLiteral("Articoli.UT_LMQ_FlAbilSchedaPro = '") + QLatin1Char('1') + QLatin1Char('\'') + e;
}

void UT_LMQ_SK_CreaOrdine(const QString &Campo1, const QString &Campo2, const QString &Campo3, const QString &Campo4,
                          QString &Ordine)
{
    Ordine.clear();
    for (const QString &campo : {Campo1, Campo2, Campo3, Campo4}) {
        if (campo.isEmpty() || campo == QLatin1String("N"))
            continue;
        ControllaCampoOrdine(campo);
        Ordine += campo + QLatin1Char(',');
    }
    if (!Ordine.isEmpty())
        Ordine.chop(1);
}

void UT_LMQ_SK_AggiornaSql(const QString &Where, const QString &Ordine, TXQuery *Query)
{
    try {
        if (!Query)
            throw Exception(QStringLiteral("Query non assegnata"));
        if (Query->Active())
            Query->Close();
        // the sort list goes into the text as it stands: only known column names
        if (!Ordine.isEmpty())
            for (const QString &campo : Ordine.split(QLatin1Char(',')))
                ControllaCampoOrdine(campo);
        auto riga = [Query](const QString &inizio) {
            for (int i = 0; i < Query->SQL.size(); ++i)
                if (Query->SQL.at(i).left(5) == inizio)
                    return i;
            return -1;
        };
        const int where = riga(QStringLiteral("WHERE"));
        if (where < 0)
            throw Exception(QStringLiteral("Condizione Where non definita"));
        if (!Where.isEmpty())
            Query->SQL[where] = QStringLiteral("WHERE ") + Where.left(Where.size() - 5);
        const int ordine = riga(QStringLiteral("ORDER"));
        if (ordine < 0)
            throw Exception(QStringLiteral("Condizione Order non definita"));
        if (!Ordine.isEmpty())
            Query->SQL[ordine] = QStringLiteral("ORDER BY ") + Ordine;
    } catch (const Exception &e) {
        Kmessages::KMessage(e.Message, mtInformation, mbOK, 0);
    } catch (const std::exception &e) {
        Kmessages::KMessage(QString::fromUtf8(e.what()), mtInformation, mbOK, 0);
    }
}
