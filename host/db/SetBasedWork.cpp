#include "host/db/SetBasedWork.h"

#include "host/db/SqliteBinding.h"

#include "host/core/Errors.h"
#include "host/db/DatabaseErrors.h"
#include "host/db/PostgresLettura.h"
#include "host/db/SqliteBinding.h"
#include "host/db/SqliteLettura.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXScan.h"
#include "host/db/TXTransaction.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace kv8db {

namespace {

using DopoTratto = std::function<void(qsizetype, qint64)>;

constexpr int kMaxRowsPerInsert = 500;
constexpr int kMaxValuesPerInsert = 30000; // below the engines' limits on bound values

QString InsertText(const QString &table, const QStringList &columns, int rows)
{
    QString row = QStringLiteral("(?");
    for (qsizetype i = 1; i < columns.size(); ++i)
        row += QStringLiteral(", ?");
    row += u')';
    QStringList all(rows, row);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table, columns.join(QStringLiteral(", ")))
           + all.join(QStringLiteral(", "));
}

// A column added up as the engine's SUM adds it up: whole numbers exactly while no other kind
// of number comes, else every value as a double, in the order the values come; nulls skipped.
class SommaMotore {
public:
    void Aggiungi(sqlite3_value *value)
    {
        const int type = sqlite3_value_numeric_type(value);
        if (type == SQLITE_NULL)
            return;
        if (type == SQLITE_INTEGER) {
            const sqlite3_int64 v = sqlite3_value_int64(value);
            reale_ += double(v);
            if (!approssimata_ && __builtin_add_overflow(intera_, v, &intera_))
                approssimata_ = true;
        } else {
            reale_ += sqlite3_value_double(value);
            approssimata_ = true;
        }
    }
    double Valore() const { return approssimata_ ? reale_ : double(intera_); }

private:
    sqlite3_int64 intera_ = 0;
    double reale_ = 0;
    bool approssimata_ = false;
};

// What the functions of an attached copy keep: the last number given and the sums of the
// columns added up.
struct Numerazione {
    qint64 ultimo;
    std::vector<SommaMotore> somme;
};

// The numbering function of an attached copy: each call the next number.
void NumeroSeguente(sqlite3_context *context, int, sqlite3_value **)
{
    sqlite3_result_int64(context, ++static_cast<Numerazione *>(sqlite3_user_data(context))->ultimo);
}

// The summing function of an attached copy, (which sum, value): the value as it comes, added up.
void SommaValore(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_result_value(context, argv[1]);
    std::vector<SommaMotore> &somme = static_cast<Numerazione *>(sqlite3_user_data(context))->somme;
    const sqlite3_int64 quale = sqlite3_value_int64(argv[0]);
    if (quale >= 0 && size_t(quale) < somme.size())
        somme[size_t(quale)].Aggiungi(argv[1]);
}

constexpr const char *kAllegato = "kv8_origine";

// The terms of the ORDER BY standing at ordine.
QString Chiavi(const QString &reading, qsizetype ordine)
{
    static const QRegularExpression parolaOrdine(QStringLiteral("^ORDER\\s+BY\\s+"),
                                                 QRegularExpression::CaseInsensitiveOption);
    return reading.mid(ordine).remove(parolaOrdine).trimmed();
}

// Calls diTesta with the place of each character of sql at the statement's own level, outside
// brackets and quoted text (brackets and quotes themselves left out), until it returns false.
template <typename DiTesta> void CaratteriDiTesta(const QString &sql, DiTesta diTesta)
{
    int livello = 0;
    QChar virgolette;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!virgolette.isNull()) {
            if (c == virgolette)
                virgolette = QChar();
        } else if (c == u'\'' || c == u'"') {
            virgolette = c;
        } else if (c == u'(') {
            ++livello;
        } else if (c == u')') {
            --livello;
        } else if (livello == 0 && !diTesta(i)) {
            return;
        }
    }
}

// Where a keyword (words apart by white space) stands at the statement's own level, outside
// brackets and quoted text: the first place, or the last with ultima; -1 when it does not.
qsizetype ParolaDiTesta(const QString &sql, const QString &parola, bool ultima)
{
    const QRegularExpression cerca(QStringLiteral("\\b") + QString(parola).replace(u' ', QStringLiteral("\\s+"))
                                       + QStringLiteral("\\b"),
                                   QRegularExpression::CaseInsensitiveOption);
    qsizetype trovata = -1;
    CaratteriDiTesta(sql, [&](qsizetype i) {
        if (sql[i].toUpper() == parola[0].toUpper()
            && cerca.match(sql, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption)
                   .hasMatch()) {
            trovata = i;
            return ultima;
        }
        return true;
    });
    return trovata;
}

// The expressions of a plain SELECT's columns, up to its top-level FROM at from, without their
// names.
QStringList ColonneLette(const QString &reading, qsizetype from)
{
    static const QRegularExpression select(QStringLiteral("^\\s*SELECT\\s+"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QString elenco = reading.left(from).remove(select);
    QStringList colonne;
    qsizetype inizio = 0;
    const auto aggiungi = [&](qsizetype fine) {
        const QString colonna = elenco.mid(inizio, fine - inizio);
        const qsizetype nome = ParolaDiTesta(colonna, QStringLiteral("AS"), true);
        colonne << (nome < 0 ? colonna : colonna.left(nome)).trimmed();
        inizio = fine + 1;
    };
    CaratteriDiTesta(elenco, [&](qsizetype i) {
        if (elenco[i] == u',')
            aggiungi(i);
        return true;
    });
    aggiungi(elenco.size());
    return colonne;
}

// A plain ordered SELECT a numbering column can join at its own level: where its top-level FROM
// and ORDER BY stand; nothing for DISTINCT, a union, a LIMIT or an order by column positions.
struct LetturaOrdinata {
    qsizetype from, ordine;
};
std::optional<LetturaOrdinata> Ordinata(const QString &reading)
{
    static const QRegularExpression distinto(QStringLiteral("^\\s*SELECT\\s+(DISTINCT|TOP)\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression posizione(QStringLiteral("(^|,)\\s*\\d+\\s*(ASC|DESC)?\\s*(,|$)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const qsizetype da = ParolaDiTesta(reading, QStringLiteral("FROM"), false);
    const qsizetype ordine = ParolaDiTesta(reading, QStringLiteral("ORDER BY"), true);
    if (da < 0 || ordine < da || distinto.match(reading).hasMatch()
        || ParolaDiTesta(reading, QStringLiteral("UNION"), false) >= 0
        || ParolaDiTesta(reading, QStringLiteral("INTERSECT"), false) >= 0
        || ParolaDiTesta(reading, QStringLiteral("EXCEPT"), false) >= 0
        || ParolaDiTesta(reading, QStringLiteral("LIMIT"), false) >= 0
        || posizione.match(Chiavi(reading, ordine)).hasMatch())
        return std::nullopt;
    return LetturaOrdinata{da, ordine};
}

// Between two SQLite files with no transaction open on either, the reading's file attached to
// the target's connection, so that the rows go in one INSERT … SELECT there: the rows of a
// committed state, as a reading outside a transaction sees them. Refused (nullopt, nothing
// attached) for an in-memory database, or when a table of the target bears the name of one
// of the reading's file (the reading would find the wrong one).
std::optional<qint64> CopiaAllegata(TXDatabase &from, const QString &select, const QList<QVariantList> &tratti,
                                    TXDatabase &to, const QString &table, const QStringList &names,
                                    const std::optional<NumeroRiga> &numero, const DopoTratto &dopo,
                                    TotaliRighe *totali)
{
    const QVariantList &params = tratti.first();
    if (from.IsPostgres() || to.IsPostgres() || from.InTransaction() || to.InTransaction())
        return std::nullopt;
    sqlite3 *target = SqliteHandle(to.Connection());
    sqlite3 *source = SqliteHandle(from.Connection());
    const QString file = from.Connection().databaseName();
    if (!target || !source || source == target || file.isEmpty() || file == QLatin1String(":memory:")
        || file.startsWith(QLatin1String("file:")))
        return std::nullopt;
    QSqlQuery q(to.Connection());
    q.prepare(QStringLiteral("ATTACH DATABASE ? AS ") + QLatin1String(kAllegato));
    q.addBindValue(file);
    if (!q.exec())
        return std::nullopt;
    struct Stacca {
        QSqlDatabase db;
        ~Stacca() { QSqlQuery(db).exec(QStringLiteral("DETACH DATABASE ") + QLatin1String(kAllegato)); }
    } stacca{to.Connection()};
    const bool omonime = !q.exec(QStringLiteral("SELECT 1 FROM (SELECT name FROM main.sqlite_master UNION ALL "
                                                "SELECT name FROM temp.sqlite_master) t INNER JOIN %1.sqlite_master o "
                                                "ON lower(o.name) = lower(t.name) WHERE o.type IN ('table', 'view')")
                                     .arg(QLatin1String(kAllegato)))
                         || q.next();
    q.finish(); // no statement left on the attached file, which is detached at the end
    if (omonime)
        return std::nullopt;

    QStringList columns = names;
    QString reading = select;
    Numerazione numerazione{numero ? numero->da : 0, {}};
    using Funzione = void (*)(sqlite3_context *, int, sqlite3_value **);
    const auto registra = [&](const char *nome, int argomenti, Funzione funzione) {
        return sqlite3_create_function_v2(target, nome, argomenti, SQLITE_UTF8, &numerazione, funzione, nullptr,
                                          nullptr, nullptr)
               == SQLITE_OK;
    };
    struct Togli {
        std::function<void()> funzioni;
        ~Togli()
        {
            if (funzioni)
                funzioni();
        }
    } togli;
    if (numero) {
        columns << numero->colonna;
        togli.funzioni = [&] {
            registra("kv8_numero", 0, nullptr);
            registra("kv8_somma", 2, nullptr);
        };
        if (!registra("kv8_numero", 0, NumeroSeguente) || !registra("kv8_somma", 2, SommaValore))
            return std::nullopt;
    }
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) ").arg(table, columns.join(QStringLiteral(", ")));
    // the columns added up, by their place (a plain ordered reading only): each value goes through
    // the summing function where the numbering function runs, as the rows are written
    const std::optional<LetturaOrdinata> ordinata = Ordinata(select);
    QList<qsizetype> sommate;
    QStringList lette;
    if (numero && totali && ordinata) {
        lette = ColonneLette(select, ordinata->from);
        for (const QString &colonna : totali->colonne)
            sommate << names.indexOf(colonna);
        if (lette.size() != names.size() || sommate.contains(-1))
            sommate.clear();
    }
    numerazione.somme.resize(size_t(sommate.size()));
    const auto colonne = [&](const std::function<QString(qsizetype)> &colonna) {
        QStringList out;
        for (qsizetype i = 0; i < lette.size(); ++i) {
            const qsizetype somma = sommate.indexOf(i);
            out << (somma < 0 ? colonna(i) : QStringLiteral("kv8_somma(%1, %2)").arg(somma).arg(colonna(i)));
        }
        return out.join(QStringLiteral(", "));
    };
    if (numero && ordinata) {
        // the functions in the reading's own columns when nothing at that level sorts the rows
        // (their order given by an index): they run as the rows come, in order; else on the whole
        // reading, which OFFSET 0 keeps whole with its order, at the cost of one more copy of every row
        const QString daFrom = select.mid(ordinata->from);
        reading = sommate.isEmpty() ? QString(select).insert(ordinata->from, QStringLiteral(", kv8_numero()\n"))
                                    : QStringLiteral("SELECT %1, kv8_numero()\n%2")
                                          .arg(colonne([&](qsizetype i) { return lette[i]; }), daFrom);
        bool inOrdine = true;
        QSqlQuery piano = to.OpenQuery(QStringLiteral("EXPLAIN QUERY PLAN ") + insert + reading, params);
        while (inOrdine && piano.next())
            inOrdine =
                !(piano.value(1).toInt() == 0 && piano.value(3).toString().contains(QLatin1String("TEMP B-TREE")));
        piano.finish(); // no statement left on the attached file
        if (!inOrdine && !sommate.isEmpty()) {
            // every column named in the reading, for the functions outside it
            QStringList nominate;
            for (qsizetype i = 0; i < lette.size(); ++i)
                nominate << QStringLiteral("%1 AS kv8_c%2").arg(lette[i]).arg(i);
            reading = QStringLiteral("SELECT %1, kv8_numero() FROM (SELECT %2\n%3 LIMIT -1 OFFSET 0) kv8_righe")
                          .arg(colonne([](qsizetype i) { return QStringLiteral("kv8_c%1").arg(i); }),
                               nominate.join(QStringLiteral(", ")), daFrom);
        } else if (!inOrdine) {
            reading = QStringLiteral("SELECT *, kv8_numero() FROM (%1 LIMIT -1 OFFSET 0) kv8_righe").arg(select);
        }
    } else if (numero) {
        reading = QStringLiteral("SELECT *, kv8_numero() FROM (%1 LIMIT -1 OFFSET 0) kv8_righe").arg(select);
    }
    TXTransaction own(to);
    qint64 rows = 0;
    for (qsizetype i = 0; i < tratti.size(); ++i) {
        rows += to.ExecSQL(insert + reading, tratti[i]);
        if (dopo)
            dopo(i, rows);
    }
    own.Commit();
    if (!sommate.isEmpty()) {
        totali->somme.clear();
        for (const SommaMotore &somma : numerazione.somme)
            totali->somme << somma.Valore();
    }
    return rows;
}

// An empty temporary table of a PostgreSQL session whose primary key is built once after the
// fill, not kept row by row: its key dropped here, the statement that adds it back returned
// (the caller's transaction undoes both on a failure); nothing for any other table.
std::optional<QString> ChiaveDopo(TXDatabase &db, const QString &table)
{
    static const QRegularExpression semplice(QStringLiteral("^[a-z_][a-z0-9_]*$"));
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT c.conname, pg_get_constraintdef(c.oid) FROM pg_constraint c "
                                              "WHERE c.conrelid = to_regclass(?) AND c.contype = 'p'"),
                               {QStringLiteral("pg_temp.") + table});
    if (!q.next())
        return std::nullopt;
    const QString nome = q.value(0).toString(), definizione = q.value(1).toString();
    q.finish();
    if (!semplice.match(nome).hasMatch()
        || db.OpenQuery(QStringLiteral("SELECT 1 FROM pg_temp.%1 LIMIT 1").arg(table)).next())
        return std::nullopt;
    db.ExecSQL(QStringLiteral("ALTER TABLE pg_temp.%1 DROP CONSTRAINT %2").arg(table, nome));
    return QStringLiteral("ALTER TABLE pg_temp.%1 ADD CONSTRAINT %2 %3").arg(table, nome, definizione);
}

// Work that stays on one database: the rows in one INSERT … SELECT there, numbered with
// ROW_NUMBER() over the reading's own order (its columns as the reading names them). Nothing
// when the reading is not a plain ordered SELECT the numbering can join (DISTINCT, a union).
std::optional<qint64> CopiaInterna(TXDatabase &db, const QString &select, const QList<QVariantList> &tratti,
                                   const QString &table, QStringList columns, const std::optional<NumeroRiga> &numero,
                                   const DopoTratto &dopo)
{
    const QString reading = select.trimmed();
    std::optional<LetturaOrdinata> ordinata;
    if (numero) {
        ordinata = Ordinata(reading);
        if (!ordinata)
            return std::nullopt;
        columns << numero->colonna;
    }
    // the reading numbered on from the rows a stretch finds written
    const auto numerata = [&](qint64 scritte) {
        QString numerata = reading;
        if (ordinata)
            numerata.insert(ordinata->from,
                            QStringLiteral(", ROW_NUMBER() OVER (ORDER BY %1) + %2\n")
                                .arg(Chiavi(reading, ordinata->ordine), QString::number(numero->da + scritte)));
        return numerata;
    };
    std::optional<TXTransaction> own;
    if (!db.InTransaction())
        own.emplace(db);
    std::optional<QString> chiave;
    if (own && db.IsPostgres()) {
        // the reading's sort and hashes kept in memory for this transaction only
        db.ExecSQL(QStringLiteral("SET LOCAL work_mem = '64MB'"));
        chiave = ChiaveDopo(db, table);
    }
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) ").arg(table, columns.join(QStringLiteral(", ")));
    qint64 rows = 0;
    for (qsizetype i = 0; i < tratti.size(); ++i) {
        rows += db.ExecSQL(insert + numerata(rows), tratti[i]);
        if (dopo)
            dopo(i, rows);
    }
    if (chiave)
        db.ExecSQL(*chiave);
    if (own)
        own->Commit();
    return rows;
}

// A valid local date and time of the years 1-9999 as a SQLite company stores it
// ("yyyy-MM-dd hh:mm:ss", to the second) in testo; false for any other value.
bool TestoDataLocale(const QVariant &value, char (&testo)[20])
{
    if (value.typeId() != QMetaType::QDateTime)
        return false;
    const QDateTime *dt = static_cast<const QDateTime *>(value.constData());
    if (!dt->isValid() || dt->timeSpec() != Qt::LocalTime)
        return false;
    int anno, mese, giorno;
    dt->date().getDate(&anno, &mese, &giorno);
    if (anno < 1 || anno > 9999)
        return false;
    const QTime ora = dt->time();
    std::snprintf(testo, sizeof testo, "%04d-%02d-%02d %02d:%02d:%02d", anno, mese, giorno, ora.hour(), ora.minute(),
                  ora.second());
    return true;
}

} // namespace

// One row's statement prepared on the engine; the values bound to it are held until it runs.
struct ScritturaRighe::Nativo {
    sqlite3 *db = nullptr;
    sqlite3_stmt *stmt = nullptr;
    std::vector<QVariant> held;
    TestiLegati testi; // of the row being bound
    ~Nativo() { sqlite3_finalize(stmt); }
};

ScritturaRighe::ScritturaRighe(TXDatabase &to, const QString &table, const QStringList &columns)
    : to_(to), table_(table), names_(columns), columns_(int(columns.size()))
{
    if (!to.IsPostgres()) {
        if (sqlite3 *db = SqliteHandle(to.Connection())) {
            auto n = std::make_unique<Nativo>();
            n->db = db;
            n->held.resize(size_t(columns_));
            const QString one = InsertText(table, columns, 1);
            if (sqlite3_prepare16_v2(db, one.utf16(), int(one.size() * 2), &n->stmt, nullptr) == SQLITE_OK)
                native_ = std::move(n);
            // else the rows go through ExecSQL, which tells what is wrong with the statement
        }
    }
    perInsert_ = native_ ? 1 : std::max(1, std::min(kMaxRowsPerInsert, kMaxValuesPerInsert / std::max(1, columns_)));
    full_ = InsertText(table, columns, perInsert_);
    pending_.reserve(perInsert_ * columns_);
}

ScritturaRighe::~ScritturaRighe() = default;

void ScritturaRighe::Numera(qint64 da)
{
    numero_ = da;
}

void ScritturaRighe::Valore(const QVariant &value)
{
    if (native_ && rows_ > 0) {
        // bound as Qt's SQLite driver binds the values of ExecSQL
        QVariant &v = native_->held[size_t(column_)];
        const int at = column_ + 1;
        int rc;
        char testo[20];
        if (TestoDataLocale(value, testo)) // as ToDb writes it, without its text conversions
            rc = sqlite3_bind_text(native_->stmt, at, testo, 19, SQLITE_TRANSIENT);
        else
            rc = LegaValoreSqlite(native_->stmt, at, v = to_.ToDb(value), &native_->testi);
        if (rc != SQLITE_OK)
            Fallita();
    } else {
        pending_.append(value);
    }
    Avanza();
}

void ScritturaRighe::Avanza()
{
    if (++column_ < columns_)
        return;
    column_ = 0;
    if (native_ && rows_ > 0) {
        if (sqlite3_step(native_->stmt) != SQLITE_DONE)
            Fallita();
        sqlite3_reset(native_->stmt);
        native_->testi.Svuota();
        ++rows_;
    } else if (++pendingRows_ == perInsert_) {
        Scrivi();
    }
}

// The value of the server's text of a column of type (its type's number), bound as Valore binds
// what the driver makes of it; false, nothing bound, for a type or a text left to the driver
// (numeric, a date-time with its zone, a date outside the years 1000-9999, ...).
bool ScritturaRighe::ValoreTesto(const char *text, int length, unsigned type)
{
    const int at = column_ + 1;
    const char *end = text + length;
    const auto cifre = [&](int from, int to) {
        return std::all_of(text + from, text + to, [](char c) { return c >= '0' && c <= '9'; });
    };
    int rc;
    switch (type) {
    case 25:   // text
    case 1042: // character
    case 1043: // character varying
        rc = sqlite3_bind_text(native_->stmt, at, text, length, SQLITE_STATIC);
        break;
    case 20: // whole numbers
    case 21:
    case 23: {
        qint64 n = 0;
        const auto [ptr, ec] = std::from_chars(text, end, n);
        if (ec != std::errc() || ptr != end)
            return false;
        rc = sqlite3_bind_int64(native_->stmt, at, n);
        break;
    }
    case 700: // floating numbers
    case 701: {
        double d = 0;
        const auto [ptr, ec] = std::from_chars(text, end, d);
        if (ec != std::errc() || ptr != end || !std::isfinite(d))
            return false;
        rc = sqlite3_bind_double(native_->stmt, at, d);
        break;
    }
    case 16: // truth values
        if (length != 1 || (text[0] != 't' && text[0] != 'f'))
            return false;
        rc = sqlite3_bind_int64(native_->stmt, at, text[0] == 't' ? 1 : 0);
        break;
    case 1082:   // date: at midnight
    case 1114: { // local date-time, to the second
        if (length < 10 || !cifre(0, 4) || text[0] == '0' || text[4] != '-' || !cifre(5, 7) || text[7] != '-'
            || !cifre(8, 10))
            return false;
        char testo[20] = "0000-00-00 00:00:00";
        std::copy(text, text + 10, testo);
        if (type == 1082) {
            if (length != 10)
                return false;
        } else if (length < 19 || (length > 19 && text[19] != '.') || text[10] != ' ' || !cifre(11, 13)
                   || text[13] != ':' || !cifre(14, 16) || text[16] != ':' || !cifre(17, 19)) {
            return false;
        } else {
            std::copy(text + 10, text + 19, testo + 10);
        }
        rc = sqlite3_bind_text(native_->stmt, at, testo, 19, SQLITE_TRANSIENT);
        break;
    }
    default:
        return false;
    }
    if (rc != SQLITE_OK)
        Fallita();
    return true;
}

void ScritturaRighe::AggiungiPostgres(QSqlQuery &row)
{
    const RigaPostgres corrente = native_ && rows_ > 0 ? RigaCorrentePostgres(row) : RigaPostgres();
    const PGresult *result = corrente.risultato;
    const int r = corrente.riga;
    const int letti = numero_ ? columns_ - 1 : columns_;
    if (!result || PQnfields(result) != letti) {
        Aggiungi(row);
        return;
    }
    for (int i = 0; i < letti; ++i) {
        if (PQgetisnull(result, r, i)) {
            if (sqlite3_bind_null(native_->stmt, column_ + 1) != SQLITE_OK)
                Fallita();
            Avanza();
        } else if (ValoreTesto(PQgetvalue(result, r, i), PQgetlength(result, r, i), PQftype(result, i))) {
            Avanza();
        } else {
            Valore(row.value(i));
        }
    }
    if (numero_)
        Valore(QVariant(++*numero_));
}

// A SQLite reading on another database whose last row was given by Qt and written: the rest
// stepped on the engine and bound straight, value for value as the engine holds it. Qt's
// SQLite driver steps a statement to the first row when it runs it and gives that row without
// stepping again, so the statement still stands on the row written (checked on its first
// column); false, nothing done, when any of this does not hold.
bool ScritturaRighe::CopiaDalMotore(QSqlQuery &rows, const TXDatabase &from)
{
    if (!native_ || rows_ != 1 || column_ != 0 || from.IsPostgres() || SqliteHandle(from.Connection()) == native_->db)
        return false;
    const int letti = numero_ ? columns_ - 1 : columns_;
    sqlite3_stmt *sel = StatementOnFirstRow(rows, letti);
    if (!sel)
        return false;
    int rc;
    while ((rc = sqlite3_step(sel)) == SQLITE_ROW) {
        for (int i = 0; i < letti; ++i)
            if (sqlite3_bind_value(native_->stmt, i + 1, sqlite3_column_value(sel, i)) != SQLITE_OK)
                Fallita();
        if (numero_ && sqlite3_bind_int64(native_->stmt, columns_, ++*numero_) != SQLITE_OK)
            Fallita();
        if (sqlite3_step(native_->stmt) != SQLITE_DONE)
            Fallita();
        sqlite3_reset(native_->stmt);
        native_->testi.Svuota();
        ++rows_;
    }
    if (rc != SQLITE_DONE) {
        sqlite3 *db = sqlite3_db_handle(sel);
        const QSqlError error(QString::fromUtf16(static_cast<const char16_t *>(sqlite3_errmsg16(db))), QString(),
                              QSqlError::StatementError, QString::number(sqlite3_extended_errcode(db)));
        const QString shown = ShownDatabase(from.Url());
        LogFailure(shown, error, rows.lastQuery());
        throw EDatabaseError(DescribeFailure(error, DbEngine::SQLite, shown).message);
    }
    return true;
}

void ScritturaRighe::Scrivi()
{
    if (pendingRows_ == 0)
        return;
    to_.ExecSQL(pendingRows_ == perInsert_ ? full_ : InsertText(table_, names_, pendingRows_), pending_);
    rows_ += pendingRows_;
    pendingRows_ = 0;
    pending_.clear();
}

void ScritturaRighe::Chiudi()
{
    Scrivi();
}

void ScritturaRighe::Fallita()
{
    const QString text = QString::fromUtf16(static_cast<const char16_t *>(sqlite3_errmsg16(native_->db)));
    const QSqlError error(text, QString(), QSqlError::StatementError,
                          QString::number(sqlite3_extended_errcode(native_->db)));
    sqlite3_reset(native_->stmt);
    sqlite3_clear_bindings(native_->stmt);
    const QString shown = ShownDatabase(to_.Url());
    LogFailure(shown, error, InsertText(table_, names_, 1));
    const Failure failure = DescribeFailure(error, DbEngine::SQLite, shown, table_);
    if (failure.keyViolation)
        throw EKeyViolation(failure.message);
    throw EDatabaseError(failure.message);
}

namespace {

// The target's columns of a copy: those given, else the reading's own; a count that differs
// from the reading's is refused.
QStringList Colonne(const QSqlRecord &record, const QStringList &columns, const QString &table)
{
    QStringList names = columns;
    if (names.isEmpty())
        for (int i = 0; i < record.count(); ++i)
            names << record.fieldName(i);
    if (names.isEmpty() || names.size() != record.count())
        throw EDatabaseError(QStringLiteral("La copia nella tabella %1 indica %2 colonne ma la lettura ne dà %3: "
                                            "segnalarlo all'assistenza.")
                                 .arg(table)
                                 .arg(names.size())
                                 .arg(record.count()));
    return names;
}

} // namespace

qint64 CopiaRighe(TXDatabase &from, const QString &select, const QVariantList &params, TXDatabase &to,
                  const QString &table, const QStringList &columns, std::optional<NumeroRiga> numero)
{
    return CopiaRigheATratti(from, select, {params}, to, table, columns, std::move(numero), {});
}

qint64 CopiaRigheATratti(TXDatabase &from, const QString &select, const QList<QVariantList> &tratti, TXDatabase &to,
                         const QString &table, const QStringList &columns, std::optional<NumeroRiga> numero,
                         const DopoTratto &dopo, TotaliRighe *totali)
{
    if (totali) {
        if (!numero)
            throw EDatabaseError(QStringLiteral("La copia nella tabella %1 somma colonne senza numerare le righe: "
                                                "segnalarlo all'assistenza.")
                                     .arg(table));
        totali->somme.clear();
    }
    // the sums, where the copy did not take them, read from the rows it numbered
    const auto sommate = [&](qint64 rows) {
        if (!totali || totali->somme.size() == totali->colonne.size())
            return rows;
        QStringList somme;
        for (const QString &colonna : totali->colonne)
            somme << QStringLiteral("SUM(%1)").arg(colonna);
        QSqlQuery q = to.OpenQuery(QStringLiteral("SELECT %1 FROM %2 WHERE %3 > ?")
                                       .arg(somme.join(QStringLiteral(", ")), table, numero->colonna),
                                   {numero->da});
        q.next();
        for (int i = 0; i < totali->colonne.size(); ++i)
            totali->somme << q.value(i).toDouble();
        return rows;
    };
    if (tratti.isEmpty())
        return sommate(0);
    if (&from == &to) {
        // the reading's columns, no row read
        const QSqlRecord record =
            from.OpenQuery(QStringLiteral("SELECT * FROM (%1) kv8_righe WHERE 1 = 0").arg(select), tratti.first())
                .record();
        const QStringList names = Colonne(record, columns, table);
        if (const std::optional<qint64> rows = CopiaInterna(from, select, tratti, table, names, numero, dopo))
            return sommate(*rows);
    }
    // a PostgreSQL reading outside a transaction in one of its own, where nothing is written: its
    // cursor then streams the rows, where one opened outside is kept whole by the server
    std::optional<TXTransaction> lettura;
    if (from.IsPostgres() && !from.InTransaction() && &from != &to)
        lettura.emplace(from);
    const auto apri = [&](const QVariantList &params) {
        if (!from.IsPostgres())
            return from.OpenScan(select, params);
        // every row is read: the server's cursor planned for all of them, not for the first
        from.ExecSQL(QStringLiteral("SET cursor_tuple_fraction = 1.0"));
        const auto ripristina = qScopeGuard([&from] { from.ExecSQL(QStringLiteral("RESET cursor_tuple_fraction")); });
        return from.OpenScan(select, params);
    };
    std::unique_ptr<TXScan> scan = apri(tratti.first());
    QStringList names = Colonne(scan->Record(), columns, table);
    if (const std::optional<qint64> rows = CopiaAllegata(from, select, tratti, to, table, names, numero, dopo, totali))
        return sommate(*rows);
    std::optional<TXTransaction> own;
    if (!to.InTransaction())
        own.emplace(to);
    if (numero)
        names << numero->colonna;
    ScritturaRighe righe(to, table, names);
    if (numero)
        righe.Numera(numero->da);
    for (qsizetype i = 0; i < tratti.size(); ++i) {
        if (i > 0)
            scan = apri(tratti[i]);
        if (scan->Next()) {
            righe.Aggiungi(scan->Row());
            if (from.IsPostgres())
                while (scan->Next())
                    righe.AggiungiPostgres(scan->Row());
            else if (!righe.CopiaDalMotore(scan->Row(), from))
                while (scan->Next())
                    righe.Aggiungi(scan->Row());
        }
        scan.reset();
        righe.Chiudi();
        if (dopo)
            dopo(i, righe.Righe());
    }
    if (lettura)
        lettura->Commit();
    if (own)
        own->Commit();
    return sommate(righe.Righe());
}

} // namespace kv8db
