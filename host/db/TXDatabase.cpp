#include "host/db/TXDatabase.h"

#include "host/core/MetaTypes.h"
#include "host/db/CompiledText.h"
#include "host/db/DatabaseErrors.h"
#include "host/db/SqliteBackend.h"
#include "host/db/TXScan.h"
#include "host/db/TransactionListeners.h"

#include <QLocale>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace {

constexpr qsizetype kMaxCompiled = 2000;
constexpr qsizetype kMaxServerStatements = 300;
const QLatin1String kSavepoint("kv8_stmt");
const QLatin1String kKeysTable("kv8_keys"); // SQLite's key store

// Dates go to the engine to the second, save the last millisecond of a second: the end of a
// period (23:59:59.999) then takes in what another program stored within its last second.
bool KeepsMilliseconds(const QTime &time)
{
    return time.msec() == 999;
}

QString DateTimeText(const QDateTime &local)
{
    const QLatin1String time = KeepsMilliseconds(local.time()) ? QLatin1String("hh:mm:ss.zzz") : QLatin1String("hh:mm:ss");
    return local.date().toString(QLatin1String("yyyy-MM-dd ")) + local.time().toString(time);
}

bool IsIdentifier(const QString &s)
{
    if (s.isEmpty() || s.size() > 63 || !(s[0].isLetter() || s[0] == u'_'))
        return false;
    for (QChar c : s)
        if (!((c.isLetterOrNumber() && c.unicode() < 128) || c == u'_'))
            return false;
    return true;
}

void CheckIdentifier(const QString &s, const char *what, const QString &database)
{
    if (!IsIdentifier(s))
        throw EDatabaseError(QStringLiteral("Il nome di %1 \"%2\" non è valido per il database %3: usare solo "
                                            "lettere, cifre e _ (al massimo 63 caratteri).")
                                 .arg(QLatin1String(what), s, database));
}

// Whether a statement may name its columns with '*': any '*' but that of COUNT(*) counts.
bool NamesStar(const QString &text)
{
    for (qsizetype i = text.indexOf(u'*'); i >= 0; i = text.indexOf(u'*', i + 1)) {
        qsizetype before = i - 1;
        while (before >= 0 && text[before].isSpace())
            --before;
        if (before < 0 || text[before] != u'(')
            return true;
    }
    return false;
}

} // namespace

QString XWideQuotedStr(const QString &text)
{
    return u'\'' + QString(text).replace(u'\'', QLatin1String("''")) + u'\'';
}

TXDatabase::TXDatabase(const QString &name, const QString &url)
    : name_(name), url_(url), listeners_(std::make_unique<kv8db::TransactionListeners>())
{
    static std::atomic<quint64> counter{0};
    serial_ = ++counter;
    connectionName_ = QStringLiteral("kv8db%1_%2").arg(serial_).arg(name);
    shown_ = kv8db::ShownDatabase(url);
    try {
        if (url.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
            sqlite_ = std::make_unique<kv8db::SqliteBackend>(*this);
            sqlite_->Open(kv8db::SqlitePath(url));
        } else if (url.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
                   || url.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive)) {
            OpenPostgres(url);
        } else {
            throw EDatabaseError(QStringLiteral("L'indirizzo del database %1 non è riconosciuto: scrivere "
                                                "sqlite:percorso/del/file.db oppure "
                                                "postgresql://utente@server:porta/database.")
                                     .arg(shown_));
        }
    } catch (...) {
        Release();
        throw;
    }
}

TXDatabase::~TXDatabase()
{
    closing_ = true;
    if (inTransaction_) {
        try {
            Rollback();
        } catch (const std::exception &) {
            // the connection closes anyway, which ends the transaction
        }
    }
    listeners_->DetachAll();
    Release();
}

void TXDatabase::Release()
{
    if (sqlite_)
        sqlite_->Release();
    command_.reset();
    if (db_.isValid())
        db_.close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(connectionName_))
        QSqlDatabase::removeDatabase(connectionName_);
}

void TXDatabase::OpenPostgres(const QString &url)
{
    engine_ = DbEngine::PostgreSQL;
    if (const QString problem = kv8db::PostgresUrlProblem(url); !problem.isEmpty())
        throw EDatabaseError(problem);
    const QUrl u(url);
    QStringList options{QStringLiteral("connect_timeout=10")};
    const QUrlQuery query(u);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("schema"))
            schema_ = value.toLower();
        else
            options.append(key + u'=' + value);
    }
    if (!schema_.isEmpty())
        CheckIdentifier(schema_, "schema", shown_);
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
    db_.setHostName(u.host());
    db_.setPort(u.port(5432));
    db_.setUserName(u.userName(QUrl::FullyDecoded));
    db_.setPassword(u.password(QUrl::FullyDecoded));
    db_.setDatabaseName(u.path(QUrl::FullyDecoded).mid(1));
    db_.setConnectOptions(options.join(u';'));
    if (!db_.open()) {
        kv8db::LogFailure(shown_, db_.lastError(), QString());
        throw EDatabaseError(kv8db::ConnectionFailure(db_.lastError(), shown_));
    }
    command_ = std::make_unique<QSqlQuery>(db_);
    command_->setForwardOnly(false);
    Raw(QStringLiteral("SET client_min_messages TO warning"));
    // room for the registers' temporary work tables in memory (only what they use is taken);
    // settable only before the session's first temporary table
    Raw(QStringLiteral("SET temp_buffers TO '64MB'"));

    // Timestamps are stored as the local wall-clock time: the driver sends dates as UTC
    // and reads them back as local time, which holds only with the session in the local zone.
    const QString zone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
    bool zoneSet = false;
    if (!zone.isEmpty() && !zone.contains(u'\'')) {
        try {
            Raw(QStringLiteral("SET TIME ZONE ") + XWideQuotedStr(zone));
            zoneSet = true;
        } catch (const EDatabaseError &) {
        }
    }
    if (!zoneSet) {
        const int offset = QDateTime::currentDateTime().offsetFromUtc();
        Raw(QStringLiteral("SET TIME ZONE INTERVAL '%1%2:%3' HOUR TO MINUTE")
                .arg(offset < 0 ? u'-' : u'+')
                .arg(qAbs(offset) / 3600, 2, 10, QLatin1Char('0'))
                .arg(qAbs(offset) % 3600 / 60, 2, 10, QLatin1Char('0')));
    }

    if (!schema_.isEmpty()) {
        const QVariant found = ScalarValue(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"), {schema_});
        if (!found.isValid()) {
            try {
                Raw(QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + schema_);
            } catch (const EDatabaseError &) {
                // another connection may have created it at the same moment
                if (!ScalarValue(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?"), {schema_}).isValid())
                    throw;
            }
        }
        Raw(QStringLiteral("SET search_path TO ") + schema_);
    }
}

QSqlDatabase TXDatabase::Connection() const
{
    return db_;
}

void TXDatabase::Raw(const QString &sql, int statements)
{
    QSqlQuery q(db_);
    q.setForwardOnly(statements == 1);
    bool ok = q.exec(sql);
    for (int i = 1; ok && i < statements; ++i)
        ok = q.nextResult();
    if (!ok)
        Fail(q.lastError(), sql);
}

[[noreturn]] void TXDatabase::Fail(const QSqlError &error, const QString &sql, const QString &table) const
{
    kv8db::LogFailure(shown_, error, sql);
    const kv8db::Failure failure = kv8db::DescribeFailure(error, engine_, shown_, table);
    if (failure.keyViolation)
        throw EKeyViolation(failure.message);
    throw EDatabaseError(failure.message);
}

// ---- transactions ----

void TXDatabase::StartTransaction()
{
    if (inTransaction_)
        throw EDatabaseError(QStringLiteral("Sul database %1 è già aperta una transazione: confermarla o annullarla "
                                            "prima di iniziarne un'altra; se l'errore si ripete, segnalarlo "
                                            "all'assistenza.")
                                 .arg(shown_));
    if (IsPostgres()) {
        Raw(QStringLiteral("BEGIN; SAVEPOINT ") + kSavepoint, 2);
        savepoint_ = true;
    } else {
        // IMMEDIATE: the write lock is taken now (waiting up to the busy timeout), so a
        // transaction never fails halfway because another connection wrote first.
        Raw(QStringLiteral("BEGIN IMMEDIATE"));
        savepoint_ = false;
    }
    savepointDirty_ = false;
    inTransaction_ = true;
    ++transactionSerial_;
    commitFailed_ = false;
    transactionWrote_.clear();
    transactionWroteAny_ = false;
    transactionChangedData_ = false;
    listeners_->Started();
}

void TXDatabase::Commit()
{
    if (!inTransaction_)
        throw EDatabaseError(QStringLiteral("Sul database %1 non c'è una transazione da confermare: segnalarlo "
                                            "all'assistenza.")
                                 .arg(shown_));
    // nothing is half-committed: a failure rolls everything back
    const auto rollBackFailed = [this] {
        try {
            Rollback();
        } catch (const std::exception &e) {
            qWarning("kv8: %s", e.what());
        }
        commitFailed_ = true;
    };
    try {
        listeners_->BeforeCommit();
        // rows kept by a listener after its own turn came
        const std::vector<TXDeferredWrites *> writers = deferred_;
        for (TXDeferredWrites *w : writers)
            if (std::find(deferred_.begin(), deferred_.end(), w) != deferred_.end())
                w->FlushDeferred();
        ReturnUnusedKeys();
    } catch (...) {
        rollBackFailed();
        throw;
    }
    if (sqlite_)
        sqlite_->FinishStatements();
    if (!db_.commit()) {
        const QSqlError error = db_.lastError();
        kv8db::LogFailure(shown_, error, QStringLiteral("COMMIT"));
        rollBackFailed();
        throw EDatabaseError(QStringLiteral("Le modifiche non sono state registrate nel database %1 e sono state "
                                            "annullate: ripetere l'operazione.")
                                 .arg(shown_));
    }
    if (transactionChangedData_)
        ++dataChanges_;
    inTransaction_ = false;
    savepoint_ = false;
    listeners_->Committed();
}

std::optional<TXDatabase::Stamp> TXDatabase::DataStamp() const
{
    return sqlite_ ? sqlite_->DataStamp(serial_, dataChanges_) : std::nullopt;
}

void TXDatabase::Rollback()
{
    if (!inTransaction_) {
        if (std::exchange(commitFailed_, false))
            return; // the failed Commit rolled back already
        throw EDatabaseError(QStringLiteral("Sul database %1 non c'è una transazione da annullare: segnalarlo "
                                            "all'assistenza.")
                                 .arg(shown_));
    }
    inTransaction_ = false;
    savepoint_ = false;
    // what the transaction created is gone with it
    keysTable_ = false;
    keyBlocks_.clear();
    sequences_.clear();
    if (sqlite_)
        sqlite_->RolledBack();
    const bool ended = db_.rollback();
    const QSqlError error = ended ? QSqlError() : db_.lastError();
    // told even when the engine failed: what was written in the transaction is not kept
    listeners_->RolledBack();
    deferred_.clear(); // rows kept for the commit are gone with it
    // SQLite may already have ended it on its own (disk full, I/O error)
    if (!ended && !error.text().contains(QLatin1String("no transaction is active"))) {
        kv8db::LogFailure(shown_, error, QStringLiteral("ROLLBACK"));
        throw EDatabaseError(QStringLiteral("L'annullamento delle modifiche sul database %1 non è riuscito: chiudere "
                                            "il programma e riaprirlo prima di continuare.")
                                 .arg(shown_));
    }
}

// ---- statements ----

// Texts compiled by any connection, by engine: a connection opened later finds those the
// program has run already. Bounded in entries and in characters kept.
class TXDatabase::SharedCompiled {
public:
    using Entry = std::shared_ptr<const Compiled>;
    Entry Find(DbEngine engine, const QString &sql)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return texts_[Slot(engine)].value(sql);
    }
    void Keep(DbEngine engine, const QString &sql, const Entry &c)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (sql.size() > kMaxCompiledChars / 8)
            return; // a text this long is one of a kind
        if (entries_ >= kMaxCompiled || chars_ + sql.size() > kMaxCompiledChars) {
            for (auto &t : texts_)
                t.clear();
            entries_ = 0;
            chars_ = 0;
        }
        QHash<QString, Entry> &texts = texts_[Slot(engine)];
        if (texts.contains(sql))
            return;
        texts.insert(sql, c);
        ++entries_;
        chars_ += sql.size();
    }

private:
    static constexpr qsizetype kMaxCompiledChars = 4 << 20;
    static size_t Slot(DbEngine engine) { return engine == DbEngine::PostgreSQL ? 1 : 0; }
    std::mutex mutex_;
    std::array<QHash<QString, Entry>, 2> texts_;
    qsizetype entries_ = 0;
    qsizetype chars_ = 0;
};

TXDatabase::SharedCompiled &TXDatabase::SharedTexts()
{
    static SharedCompiled shared;
    return shared;
}

const TXDatabase::Compiled &TXDatabase::Compile(const QString &sql)
{
    if (const auto it = compiled_.constFind(sql); it != compiled_.cend())
        return **it;
    if (auto shared = SharedTexts().Find(engine_, sql)) {
        if (compiled_.size() >= kMaxCompiled)
            compiled_.clear();
        return **compiled_.insert(sql, shared);
    }
    auto c = std::make_shared<Compiled>();
    c->sql = SqlTranslator::Compile(sql, engine_);
    if (!c->sql.error.isEmpty()) {
        kv8db::LogFailure(shown_, c->sql.error, sql);
        throw EDatabaseError(QStringLiteral("Il database %1 non può eseguire un'istruzione del programma: "
                                            "segnalarlo all'assistenza con il dettaglio scritto nel registro degli "
                                            "errori.")
                                 .arg(shown_));
    }
    for (const SqlStatement &st : c->sql.statements) {
        if (!IsPostgres())
            c->texts.append(st.Join([](int) { return QStringLiteral("?"); }));
        else if (st.preparable)
            c->texts.append(st.Join([](int slot) { return u'$' + QString::number(slot + 1); }));
        else
            c->texts.append(QString());
        c->starReads.append(!IsPostgres() && st.readOnly && NamesStar(c->texts.last()));
    }
    // a change of schema may translate by what the program added before: translated again
    if (std::all_of(c->sql.statements.cbegin(), c->sql.statements.cend(),
                    [](const SqlStatement &st) { return st.preparable; }))
        SharedTexts().Keep(engine_, sql, c);
    if (compiled_.size() >= kMaxCompiled)
        compiled_.clear();
    return **compiled_.insert(sql, c);
}

void TXDatabase::CheckCount(const Compiled &c, const QVariantList &params, const QString &sql) const
{
    if (params.size() != c.sql.valueCount) {
        kv8db::LogFailure(shown_, QStringLiteral("%1 value(s) given, %2 taken").arg(params.size()).arg(c.sql.valueCount),
                          sql);
        throw EDatabaseError(QStringLiteral("Un'istruzione per il database %1 ha ricevuto %2 valori invece di %3: "
                                            "segnalarlo all'assistenza.")
                                 .arg(shown_)
                                 .arg(params.size())
                                 .arg(c.sql.valueCount));
    }
}

QVariantList TXDatabase::Values(const Compiled &c, const QVariantList &params, const QString &sql) const
{
    CheckCount(c, params, sql);
    QVariantList values;
    values.reserve(params.size());
    for (const QVariant &v : params)
        values.append(ToDb(v));
    return values;
}

QSqlQuery &TXDatabase::CommandQuery(const Compiled &c, qsizetype i, const QString &sql, kv8db::HeldQuery &held)
{
    if (IsPostgres())
        return *command_;
    return sqlite_->CommandQuery(c, i, sql, held);
}

void TXDatabase::Run(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql)
{
    if (IsPostgres())
        RunPostgres(q, c, i, values, sql);
    else
        sqlite_->Run(q, c, i, values, sql);
}

bool TXDatabase::TransactionWrote(const QString &table) const
{
    return transactionWroteAny_ || transactionWrote_.contains(NameKey{table});
}

void TXDatabase::NoteStatement(const SqlStatement &st)
{
    ++statements_;
    if (st.readOnly)
        return;
    if (keyStore_.isEmpty() && st.writtenTable.compare(kKeysTable, Qt::CaseInsensitive) != 0) {
        if (inTransaction_)
            transactionChangedData_ = true;
        else
            ++dataChanges_;
    }
    if (!inTransaction_)
        return;
    // a statement drawing a key writes the key store only, whatever its text
    const QString &table = st.writtenTable.isEmpty() ? keyStore_ : st.writtenTable;
    if (table.isEmpty())
        transactionWroteAny_ = true;
    else
        transactionWrote_.insert(NameKey{table});
    listeners_->TableWritten(table);
}

void TXDatabase::AddDeferred(TXDeferredWrites *writer)
{
    if (std::find(deferred_.begin(), deferred_.end(), writer) == deferred_.end())
        deferred_.push_back(writer);
}

void TXDatabase::RemoveDeferred(TXDeferredWrites *writer)
{
    deferred_.erase(std::remove(deferred_.begin(), deferred_.end(), writer), deferred_.end());
}

namespace {
// Whether the text names the table as a whole word (any case).
bool NamesTable(const QString &sql, const QString &table)
{
    const auto word = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    for (qsizetype i = sql.indexOf(table, 0, Qt::CaseInsensitive); i >= 0;
         i = sql.indexOf(table, i + 1, Qt::CaseInsensitive)) {
        const qsizetype end = i + table.size();
        if ((i == 0 || !word(sql[i - 1])) && (end >= sql.size() || !word(sql[end])))
            return true;
    }
    return false;
}
} // namespace

void TXDatabase::FlushDeferredFor(const QString &sql)
{
    if (deferred_.empty())
        return;
    // a writer may remove itself or others while flushing
    const std::vector<TXDeferredWrites *> writers = deferred_;
    for (TXDeferredWrites *w : writers)
        if (std::find(deferred_.begin(), deferred_.end(), w) != deferred_.end() && NamesTable(sql, w->DeferredTable()))
            w->FlushDeferred();
}

QString TXDatabase::Literal(const QVariant &value) const
{
    // numbers written straight, as the driver writes them (the shortest text that reads back
    // the same double); any other value by the driver
    if (!value.isNull()) {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
            return QString::number(value.toLongLong());
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
            return QString::number(value.toULongLong());
        case QMetaType::Double: {
            const double d = *static_cast<const double *>(value.constData());
            // a whole number under 100000 is written in full either way
            if (std::fabs(d) < 100000 && d == std::trunc(d))
                return QString::number(qint64(d));
            if (std::isfinite(d))
                return QString::number(d, 'g', QLocale::FloatingPointShortest);
            break;
        }
        case QMetaType::QString: {
            // a text with nothing to escape is quoted as the driver quotes it
            const QString &text = *static_cast<const QString *>(value.constData());
            if (!text.contains(u'\'') && !text.contains(u'\\')) {
                QString quoted;
                quoted.reserve(text.size() + 2);
                return quoted.append(u'\'').append(text).append(u'\'');
            }
            break;
        }
        case QMetaType::QDateTime:
            return DateText(*static_cast<const QDateTime *>(value.constData()), [&] {
                QSqlField field(QString(), value.metaType());
                field.setValue(value);
                return db_.driver()->formatValue(field);
            });
        default:
            break;
        }
    }
    QSqlField field(QString(), value.metaType());
    if (!value.isNull())
        field.setValue(value);
    return db_.driver()->formatValue(field);
}

QString TXDatabase::ArrayText(const QVariantList &values) const
{
    QString out;
    out.reserve(values.size() * 8 + 2);
    out += u'{';
    for (qsizetype k = 0; k < values.size(); ++k) {
        if (k > 0)
            out += u',';
        const QVariant &v = values[k];
        if (v.isNull()) {
            out += QLatin1String("NULL");
            continue;
        }
        QString text;
        switch (v.typeId()) {
        case QMetaType::Bool:
            out += v.toBool() ? u'1' : u'0';
            continue;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
            out += Literal(v);
            continue;
        case QMetaType::Double: {
            const double d = *static_cast<const double *>(v.constData());
            if (std::isfinite(d)) {
                out += Literal(v);
                continue;
            }
            text = std::isnan(d) ? QStringLiteral("NaN")
                   : d > 0       ? QStringLiteral("Infinity")
                                 : QStringLiteral("-Infinity");
            break;
        }
        case QMetaType::QString:
            text = *static_cast<const QString *>(v.constData());
            break;
        default: {
            // the driver's literal without its type word and quotes
            const QString literal = Literal(v);
            const qsizetype open = literal.indexOf(u'\'');
            const qsizetype close = literal.lastIndexOf(u'\'');
            text = open >= 0 && close > open ? literal.mid(open + 1, close - open - 1).replace(QLatin1String("''"),
                                                                                            QLatin1String("'"))
                                             : literal;
            break;
        }
        }
        out += u'"';
        for (const QChar c : std::as_const(text)) {
            if (c == u'"' || c == u'\\')
                out += u'\\';
            out += c;
        }
        out += u'"';
    }
    out += u'}';
    return out;
}

// A statement now prepared on the server; past the cache's size the one run longest ago is
// dropped, to be deallocated with the next message.
void TXDatabase::KeepServerStatement(const QString &text, const QString &name)
{
    if (statementNames_.size() >= kMaxServerStatements) {
        auto oldest = statementNames_.begin();
        for (auto it = statementNames_.begin(); it != statementNames_.end(); ++it)
            if (it->lastRun < oldest->lastRun)
                oldest = it;
        retiredStatements_.append(oldest->name);
        statementNames_.erase(oldest);
    }
    statementNames_.insert(text, ServerStatement{name, ++statementRuns_});
}

// One round trip per statement: inside a transaction the savepoint that lets a failed
// statement undo only itself is renewed in the same message, and a statement seen for the
// first time is prepared in it too.
void TXDatabase::RunPostgres(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values,
                             const QString &sql)
{
    const SqlStatement &st = c.sql.statements[i];
    const QString &text = c.texts[i];
    NoteStatement(st);
    for (int attempt = 0;; ++attempt) {
        QString message;
        int before = 0; // statements sent ahead of the caller's
        if (inTransaction_) {
            if (!savepoint_) {
                message = QStringLiteral("SAVEPOINT %1; ").arg(kSavepoint);
                before = 1;
            } else if (savepointDirty_) {
                message = QStringLiteral("RELEASE SAVEPOINT %1; SAVEPOINT %1; ").arg(kSavepoint);
                before = 2;
            }
        }
        // statements dropped from the cache leave the server (inside a transaction a failure
        // here is undone to the savepoint, as one of the caller's statement would be)
        const int deallocateAt = before;
        const int deallocating = int(retiredStatements_.size());
        for (const QString &old : std::as_const(retiredStatements_))
            message += QStringLiteral("DEALLOCATE %1; ").arg(old);
        before += deallocating;
        int prepareAt = -1;
        QString name;
        if (st.preparable) {
            if (const auto it = statementNames_.find(text); it != statementNames_.end()) {
                name = it->name;
                it->lastRun = ++statementRuns_;
            } else {
                name = QStringLiteral("kv8_%1").arg(++statementCounter_);
                message += QStringLiteral("PREPARE %1 AS %2; ").arg(name, text);
                prepareAt = before++;
            }
            message += QStringLiteral("EXECUTE ") + name;
            if (c.sql.valueCount > 0) {
                QStringList literals;
                literals.reserve(values.size());
                for (const QVariant &v : values)
                    literals.append(Literal(v));
                message += QStringLiteral(" (") + literals.join(QStringLiteral(", ")) + u')';
            }
        } else {
            message += st.Join([&](int slot) { return Literal(values[slot]); });
        }

        int succeeded = q.exec(message) ? 1 : 0;
        while (succeeded > 0 && succeeded <= before && q.nextResult())
            ++succeeded;
        retiredStatements_.remove(0, std::clamp(succeeded - deallocateAt, 0, deallocating));
        if (prepareAt >= 0 && succeeded > prepareAt)
            KeepServerStatement(text, name);
        if (succeeded > before) {
            if (inTransaction_) {
                savepoint_ = true;
                // a read leaves the savepoint where it is: nothing to undo before it
                savepointDirty_ = !st.readOnly;
            }
            return;
        }

        const QSqlError error = q.lastError();
        if (inTransaction_) {
            QSqlQuery undo(db_);
            const QString back = QStringLiteral("ROLLBACK TO SAVEPOINT ") + kSavepoint;
            if (!undo.exec(back)) {
                savepoint_ = false;
                kv8db::LogFailure(shown_, error, sql);
                kv8db::LogFailure(shown_, undo.lastError(), back);
                throw EDatabaseError(QStringLiteral("La transazione sul database %1 non è più utilizzabile dopo un "
                                                    "errore: annullarla e ripetere l'operazione dall'inizio.")
                                         .arg(shown_));
            }
            savepoint_ = true;
            savepointDirty_ = false;
        }
        // A prepared SELECT * whose table gained a column since: prepare it again once.
        if (attempt == 0 && !name.isEmpty() && prepareAt < 0 && error.nativeErrorCode() == QLatin1String("0A000")) {
            statementNames_.remove(text);
            retiredStatements_.append(name);
            continue;
        }
        Fail(error, sql, st.writtenTable);
    }
}

int TXDatabase::ExecSQL(const QString &sql, const QVariantList &params)
{
    FlushDeferredFor(sql);
    const Compiled &c = Compile(sql);
    CheckCount(c, params, sql);
    std::optional<QVariantList> values; // in their stored form, for the statements run through Qt's driver
    int rows = 0;
    for (qsizetype i = 0; i < c.sql.statements.size(); ++i) {
        if (const int changed = sqlite_ ? sqlite_->RunNativeWrite(c, i, params, sql) : -1; changed >= 0) {
            rows = changed;
            continue;
        }
        if (!values)
            values = Values(c, params, sql);
        kv8db::HeldQuery held;
        QSqlQuery &q = CommandQuery(c, i, sql, held);
        Run(q, c, i, *values, sql);
        rows = q.numRowsAffected();
        q.finish();
    }
    return rows;
}

QVariant TXDatabase::ScalarValue(const QString &sql, const QVariantList &params)
{
    FlushDeferredFor(sql);
    const Compiled &c = Compile(sql);
    const QVariantList values = Values(c, params, sql);
    QVariant result;
    for (qsizetype i = 0; i < c.sql.statements.size(); ++i) {
        kv8db::HeldQuery held;
        QSqlQuery &q = CommandQuery(c, i, sql, held);
        Run(q, c, i, values, sql);
        if (i == c.sql.statements.size() - 1 && q.isSelect() && q.next())
            result = q.value(0);
        q.finish();
    }
    return result;
}

QSqlQuery TXDatabase::OpenQuery(const QString &sql, const QVariantList &params, bool forwardOnly)
{
    FlushDeferredFor(sql);
    const Compiled &c = Compile(sql);
    const QVariantList values = Values(c, params, sql);
    const qsizetype last = c.sql.statements.size() - 1;
    for (qsizetype i = 0; i < last; ++i) {
        kv8db::HeldQuery held;
        QSqlQuery &q = CommandQuery(c, i, sql, held);
        Run(q, c, i, values, sql);
        q.finish();
    }
    if (last < 0)
        return QSqlQuery(db_);
    if (!IsPostgres()) {
        kv8db::HeldQuery held;
        QSqlQuery q = sqlite_->Reader(c, last, sql, forwardOnly, held);
        sqlite_->Run(q, c, last, values, sql);
        return q;
    }
    // Rows fetched whole: the driver's row-by-row mode loses them when another statement runs.
    QSqlQuery q(db_);
    q.setForwardOnly(false);
    RunPostgres(q, c, last, values, sql);
    return q;
}

void TXDatabase::CheckReadEnd(const QSqlQuery &q, const QString &sql) const
{
    if (q.lastError().isValid())
        Fail(q.lastError(), sql);
}

void TXDatabase::ReadAll(const QString &sql, const QVariantList &params,
                         const std::function<void(const QSqlRecord &)> &layout,
                         const std::function<void(QSqlQuery &)> &row)
{
    const Compiled &c = Compile(sql);
    if (!IsPostgres() || inTransaction_ || c.sql.statements.size() != 1 || !c.sql.statements[0].preparable ||
        !c.sql.statements[0].readOnly) {
        QSqlQuery q = OpenQuery(sql, params, true);
        layout(q.record());
        while (q.next())
            row(q);
        CheckReadEnd(q, sql);
        return;
    }
    const QVariantList values = Values(c, params, sql);
    const QString &text = c.texts[0];
    NoteStatement(c.sql.statements[0]);
    QStringList literals;
    literals.reserve(values.size());
    for (const QVariant &v : values)
        literals.append(Literal(v));
    for (int attempt = 0;; ++attempt) {
        // a text seen for the first time is prepared in the same message, ahead of the reading
        QString message, name;
        const bool preparing = !statementNames_.contains(text);
        if (preparing) {
            name = QStringLiteral("kv8_%1").arg(++statementCounter_);
            message = QStringLiteral("PREPARE %1 AS %2; ").arg(name, text);
        } else {
            ServerStatement &known = statementNames_[text];
            known.lastRun = ++statementRuns_;
            name = known.name;
        }
        message += QStringLiteral("EXECUTE ") + name;
        if (!literals.isEmpty())
            message += QStringLiteral(" (") + literals.join(QStringLiteral(", ")) + u')';
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        bool ok = q.exec(message);
        if (ok && preparing) {
            KeepServerStatement(text, name);
            ok = q.nextResult();
        }
        if (ok) {
            layout(q.record());
            while (q.next())
                row(q);
            if (!q.lastError().isValid())
                return;
        }
        const QSqlError error = q.lastError();
        // a prepared SELECT * whose table gained a column since: prepared again once
        if (attempt == 0 && !preparing && error.nativeErrorCode() == QLatin1String("0A000")) {
            statementNames_.remove(text);
            retiredStatements_.append(name);
            continue;
        }
        Fail(error, sql);
    }
}

std::unique_ptr<TXScan> TXDatabase::OpenScan(const QString &sql, const QVariantList &params)
{
    FlushDeferredFor(sql);
    std::unique_ptr<TXScan> scan(new TXScan(*this, sql));
    const Compiled &c = Compile(sql);
    const qsizetype last = c.sql.statements.size() - 1;
    if (!IsPostgres() || last < 0 || !c.sql.statements[last].readOnly) {
        scan->rows_ = OpenQuery(sql, params, true);
        scan->record_ = scan->rows_.record();
        scan->lastBatch_ = true;
        return scan;
    }
    const QVariantList values = Values(c, params, sql);
    for (qsizetype i = 0; i < last; ++i) {
        QSqlQuery &q = *command_;
        Run(q, c, i, values, sql);
        q.finish();
    }
    const QString name = QStringLiteral("kv8_scan_%1").arg(++scanCounter_);
    const QString select = c.sql.statements[last].Join([&](int slot) { return Literal(values[slot]); });
    QSqlQuery declare(db_);
    RunScanStatement(declare, QStringLiteral("DECLARE %1 NO SCROLL CURSOR WITH HOLD FOR %2").arg(name, select), sql);
    // the savepoint a later failure goes back to is set after the cursor: it stays open
    if (inTransaction_)
        savepointDirty_ = true;
    scan->cursor_ = name;
    scan->inTransaction_ = inTransaction_;
    scan->Fetch();
    return scan;
}

void TXDatabase::RunScanStatement(QSqlQuery &q, const QString &text, const QString &sql)
{
    Compiled c;
    SqlStatement st;
    st.fragments = QStringList{text};
    st.readOnly = true; // FETCH and CLOSE change no row; DECLARE reads as its SELECT does
    c.sql.statements.append(st);
    c.texts.append(QString());
    c.starReads.append(false);
    RunPostgres(q, c, 0, {}, sql);
}

void TXDatabase::CloseScanCursor(const QString &name)
{
    QSqlQuery q(db_);
    if (!inTransaction_) {
        q.exec(QStringLiteral("CLOSE ") + name);
        return;
    }
    // on its own savepoint: a cursor already gone leaves the transaction usable
    if (!q.exec(QStringLiteral("SAVEPOINT kv8_close")))
        return;
    if (!q.exec(QStringLiteral("CLOSE ") + name))
        q.exec(QStringLiteral("ROLLBACK TO SAVEPOINT kv8_close"));
    q.exec(QStringLiteral("RELEASE SAVEPOINT kv8_close"));
}

// ---- keys ----

qint64 TXDatabase::NewKey(const QString &table, const QString &column)
{
    if (inTransaction_) {
        for (const KeyAsked &asked : keysAsked_) {
            if (column != asked.column || table != asked.table)
                continue;
            if (const auto it = keyBlocks_.find(asked.block); it != keyBlocks_.end() && it->next <= it->last)
                return it->next++;
            break;
        }
    }
    CheckIdentifier(table, "tabella", shown_);
    CheckIdentifier(column, "colonna", shown_);
    // a statement making the key store writes no table the datasets read: they keep what they know
    const auto writeKeyStore = [this](const QString &store, const QString &sql, const QVariantList &params) {
        FlushDeferredFor(sql);
        keyStore_ = store;
        const auto done = qScopeGuard([this] { keyStore_.clear(); });
        ExecSQL(sql, params);
    };
    if (IsPostgres()) {
        const QString sequence = (table + u'_' + column + QStringLiteral("_seq")).toLower();
        CheckIdentifier(sequence, "sequenza", shown_);
        if (!sequences_.contains(sequence)) {
            const QString exists = QStringLiteral("SELECT to_regclass(?) IS NOT NULL");
            if (!ScalarValue(exists, {sequence}).toBool()) {
                const qint64 start =
                    ScalarValue(QStringLiteral("SELECT COALESCE(MAX(%1), 0) + 1 FROM %2").arg(column, table)).toLongLong();
                try {
                    writeKeyStore(sequence,
                                  QStringLiteral("CREATE SEQUENCE IF NOT EXISTS %1 START WITH %2").arg(sequence).arg(start),
                                  {});
                } catch (const EDatabaseError &) {
                    // created by another connection at the same moment
                    if (!ScalarValue(exists, {sequence}).toBool())
                        throw;
                }
            }
            sequences_.insert(sequence, true);
        }
        const QString quoted = XWideQuotedStr(sequence);
        if (!inTransaction_)
            return ScalarValue(QStringLiteral("SELECT nextval(%1)").arg(quoted)).toLongLong();
        // in a transaction a batch loop takes its keys in growing blocks (those left unused are
        // lost, as a rollback loses them)
        NoteKeyAsked(table, column, sequence);
        KeyBlock &block = keyBlocks_[sequence];
        if (block.next <= block.last)
            return block.next++;
        block.size = std::min<qint64>(block.size * 2 + 1, 255);
        QSqlQuery q = OpenQuery(QStringLiteral("SELECT MIN(k), MAX(k) FROM (SELECT nextval(%1) AS k FROM "
                                               "generate_series(1, %2)) AS drawn")
                                    .arg(quoted)
                                    .arg(block.size));
        if (!q.next())
            throw EDatabaseError(QStringLiteral("Il database %1 non ha dato una nuova chiave per %2.%3: ripetere "
                                                "l'operazione.")
                                     .arg(shown_, table, column));
        const qint64 first = q.value(0).toLongLong();
        block.last = q.value(1).toLongLong();
        // drawn while another connection drew too, the values are not one run: the last one serves
        const qint64 from = block.last - first + 1 == block.size ? first : block.last;
        block.next = from + 1;
        return from;
    }

    const QString keysTable = kKeysTable;
    if (!keysTable_) {
        if (!TableExists(keysTable))
            writeKeyStore(keysTable,
                          QStringLiteral("CREATE TABLE IF NOT EXISTS kv8_keys (tablename VARCHAR(128) NOT NULL, "
                                         "columnname VARCHAR(128) NOT NULL, lastkey INTEGER NOT NULL, "
                                         "PRIMARY KEY (tablename, columnname))"),
                          {});
        keysTable_ = true;
    }
    const QVariantList key{table.toLower(), column.toLower()};
    // in a transaction a batch loop takes its keys in growing blocks
    KeyBlock *block = nullptr;
    if (inTransaction_) {
        const QString name = key[0].toString() + u'.' + key[1].toString();
        NoteKeyAsked(table, column, name);
        block = &keyBlocks_[name];
        if (block->next <= block->last)
            return block->next++;
        block->size = std::min<qint64>(block->size * 2 + 1, 255);
    }
    const qint64 step = block ? block->size : 1;
    const QString next = QStringLiteral(
        "UPDATE kv8_keys SET lastkey = lastkey + ? WHERE tablename = ? AND columnname = ? RETURNING lastkey");
    QVariant value = ScalarValue(next, QVariantList{step} + key);
    if (!value.isValid()) {
        writeKeyStore(keysTable,
                      QStringLiteral("INSERT OR IGNORE INTO kv8_keys (tablename, columnname, lastkey) "
                                     "SELECT ?, ?, COALESCE(MAX(%1), 0) FROM %2")
                          .arg(column, table),
                      key);
        value = ScalarValue(next, QVariantList{step} + key);
    }
    if (block && value.isValid()) {
        block->last = value.toLongLong();
        block->next = block->last - step + 2;
        return block->last - step + 1;
    }
    if (!value.isValid())
        throw EDatabaseError(QStringLiteral("Il database %1 non ha dato una nuova chiave per %2.%3: ripetere "
                                            "l'operazione.")
                                 .arg(shown_, table, column));
    return value.toLongLong();
}

void TXDatabase::NoteKeyAsked(const QString &table, const QString &column, const QString &block)
{
    for (const KeyAsked &asked : keysAsked_)
        if (asked.table == table && asked.column == column)
            return;
    keysAsked_[nextKeyAsked_++ % keysAsked_.size()] = {table, column, block};
}

void TXDatabase::ReturnUnusedKeys()
{
    // nobody else drew keys meanwhile: the counters end where the last key handed out is
    const QHash<QString, KeyBlock> blocks = std::exchange(keyBlocks_, {});
    if (IsPostgres())
        return; // a sequence gives nothing back
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it) {
        if (it->next > it->last)
            continue;
        const qsizetype dot = it.key().indexOf(u'.');
        ExecSQL(QStringLiteral("UPDATE kv8_keys SET lastkey = ? WHERE tablename = ? AND columnname = ?"),
                {it->next - 1, it.key().left(dot), it.key().mid(dot + 1)});
    }
}

// ---- values ----

QString TXDatabase::FormatDataSQL(const QDateTime &value) const
{
    if (!value.isValid())
        return QStringLiteral("NULL");
    const QString text = u'\'' + DateTimeText(value.toLocalTime()) + u'\'';
    return IsPostgres() ? text + QStringLiteral("::timestamp") : text;
}

QString TXDatabase::FormatDataSQL(const QDate &value) const
{
    return FormatDataSQL(value.isValid() ? QDateTime(value, QTime(0, 0)) : QDateTime());
}

bool TXDatabase::ChangedByToDb(const QVariant &value)
{
    switch (MetaTypeIdOf(value)) {
    case QMetaType::Bool:
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return true;
    default:
        return false;
    }
}

QVariant TXDatabase::ToDb(const QVariant &value) const
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.isNull() ? QVariant() : QVariant(value.toBool() ? 1 : 0);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return QVariant();
        // to the second on both engines (see KeepsMilliseconds), like the literals of FormatDataSQL
        if (!IsPostgres()) {
            return DateText(dt, [&] {
                // a local time needs no conversion (each one costs a look at the system time zone)
                const QDateTime local = dt.timeSpec() == Qt::LocalTime ? dt : dt.toLocalTime();
                return DateTimeText(local);
            });
        }
        // (each local-time conversion costs a look at the system time zone: none when not needed)
        const int msec = dt.time().msec();
        return msec == 0 || KeepsMilliseconds(dt.time()) ? value : QVariant(dt.addMSecs(-msec));
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (!d.isValid())
            return QVariant();
        if (!IsPostgres())
            return d.toString(QLatin1String("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
        return d;
    }
    default:
        return value;
    }
}

// ---- catalogue ----

bool TXDatabase::TableExists(const QString &table) const
{
    if (!IsIdentifier(table))
        return false;
    const QString wanted =
        IsPostgres() && !schema_.isEmpty() && schema_ != QLatin1String("public") ? schema_ + u'.' + table : table;
    const QStringList tables = db_.tables(QSql::Tables);
    for (const QString &t : tables)
        if (t.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QStringList TXDatabase::ColumnNames(const QString &table) const
{
    if (!IsIdentifier(table))
        return {};
    // PostgreSQL folds unquoted names to lower case; the record is looked up on the search path.
    const QSqlRecord record = db_.record(IsPostgres() ? table.toLower() : table);
    QStringList names;
    names.reserve(record.count());
    for (int i = 0; i < record.count(); ++i)
        names.append(record.fieldName(i));
    return names;
}
