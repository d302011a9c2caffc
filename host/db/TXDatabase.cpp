#include "host/db/TXDatabase.h"

#include "host/db/SqlTranslator.h"

#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

#include <atomic>
#include <unordered_map>
#include <vector>

// A text as compiled for this connection: its statements and their engine texts
// ('?' placeholders on SQLite, $n on PostgreSQL; empty where the statement is not prepared).
struct TXDatabase::Compiled {
    CompiledSql sql;
    QStringList texts;
    // SQLite: readings that name their columns with '*' (see HoldSchema)
    QList<bool> starReads;
};

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr qsizetype kMaxCompiled = 2000;
constexpr qsizetype kMaxPrepared = 500;
constexpr qsizetype kMaxIdleReaders = 200;
constexpr size_t kMaxIdleReadersPerText = 2;
const QLatin1String kDateFormat("yyyy-MM-dd hh:mm:ss");
const QLatin1String kSavepoint("kv8_stmt");

bool IsIdentifier(const QString &s)
{
    if (s.isEmpty() || s.size() > 63 || !(s[0].isLetter() || s[0] == u'_'))
        return false;
    for (QChar c : s)
        if (!((c.isLetterOrNumber() && c.unicode() < 128) || c == u'_'))
            return false;
    return true;
}

void CheckIdentifier(const QString &s, const char *what)
{
    if (!IsIdentifier(s))
        throw EDatabaseError(QStringLiteral("Invalid %1 name: \"%2\"").arg(QLatin1String(what), s));
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

// Finishes a query when the scope ends.
struct TXDatabase::Held {
    QSqlQuery *query = nullptr;
    Held() = default;
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;
    ~Held()
    {
        if (query)
            query->finish();
    }
};

// SQLite: the prepared statements of OpenQuery that no query is reading, by engine text,
// each with the schema version it was prepared under (-1: its columns cannot change).
namespace kv8db {

struct ReadPool {
    struct Idle {
        std::unique_ptr<QSqlResult> result;
        qint64 schema = -1;
    };
    std::unordered_map<QString, std::vector<Idle>> idle;
    qsizetype count = 0;
    quint64 generation = 0; // statements taken out before a Clear are not taken back

    // One prepared under the given schema version; those prepared under another are dropped.
    std::unique_ptr<QSqlResult> Take(const QString &text, qint64 schema)
    {
        const auto it = idle.find(text);
        if (it == idle.end())
            return nullptr;
        std::vector<Idle> &list = it->second;
        while (!list.empty()) {
            Idle entry = std::move(list.back());
            list.pop_back();
            --count;
            if (entry.schema == schema)
                return std::move(entry.result);
        }
        return nullptr;
    }

    void Clear()
    {
        idle.clear();
        count = 0;
        ++generation;
    }

    void Put(const QString &text, std::unique_ptr<QSqlResult> r, qint64 schema, quint64 from)
    {
        if (from != generation)
            return;
        if (const auto it = idle.find(text); it != idle.end() && it->second.size() >= kMaxIdleReadersPerText)
            return;
        if (count >= kMaxIdleReaders)
            Clear();
        idle[text].push_back(Idle{std::move(r), schema});
        ++count;
    }
};

} // namespace kv8db

namespace {

// The protected interface of the driver's result, reached from the result that reads through it.
struct DriverResult : QSqlResult {
    using BindAt = void (QSqlResult::*)(int, const QVariant &, QSql::ParamType);
    using BindNamed = void (QSqlResult::*)(const QString &, const QVariant &, QSql::ParamType);

    static int At(const QSqlResult *r) { return (r->*&DriverResult::at)(); }
    static bool IsActive(const QSqlResult *r) { return (r->*&DriverResult::isActive)(); }
    static bool IsSelect(const QSqlResult *r) { return (r->*&DriverResult::isSelect)(); }
    static QSqlError LastError(const QSqlResult *r) { return (r->*&DriverResult::lastError)(); }
    static void SetAt(QSqlResult *r, int at) { (r->*&DriverResult::setAt)(at); }
    static void SetActive(QSqlResult *r, bool a) { (r->*&DriverResult::setActive)(a); }
    static void SetLastError(QSqlResult *r, const QSqlError &e) { (r->*&DriverResult::setLastError)(e); }
    static void SetQuery(QSqlResult *r, const QString &q) { (r->*&DriverResult::setQuery)(q); }
    static void SetSelect(QSqlResult *r, bool s) { (r->*&DriverResult::setSelect)(s); }
    static void SetForwardOnly(QSqlResult *r, bool f) { (r->*&DriverResult::setForwardOnly)(f); }
    static bool Exec(QSqlResult *r) { return (r->*&DriverResult::exec)(); }
    static bool Prepare(QSqlResult *r, const QString &q) { return (r->*&DriverResult::prepare)(q); }
    static bool SavePrepare(QSqlResult *r, const QString &q) { return (r->*&DriverResult::savePrepare)(q); }
    static bool Reset(QSqlResult *r, const QString &q) { return (r->*&DriverResult::reset)(q); }
    static void Bind(QSqlResult *r, int pos, const QVariant &v, QSql::ParamType t)
    {
        (r->*static_cast<BindAt>(&DriverResult::bindValue))(pos, v, t);
    }
    static void Bind(QSqlResult *r, const QString &name, const QVariant &v, QSql::ParamType t)
    {
        (r->*static_cast<BindNamed>(&DriverResult::bindValue))(name, v, t);
    }
    static QVariant Data(QSqlResult *r, int i) { return (r->*&DriverResult::data)(i); }
    static bool IsNull(QSqlResult *r, int i) { return (r->*&DriverResult::isNull)(i); }
    static bool Fetch(QSqlResult *r, int i) { return (r->*&DriverResult::fetch)(i); }
    static bool FetchNext(QSqlResult *r) { return (r->*&DriverResult::fetchNext)(); }
    static bool FetchPrevious(QSqlResult *r) { return (r->*&DriverResult::fetchPrevious)(); }
    static bool FetchFirst(QSqlResult *r) { return (r->*&DriverResult::fetchFirst)(); }
    static bool FetchLast(QSqlResult *r) { return (r->*&DriverResult::fetchLast)(); }
    static int Size(QSqlResult *r) { return (r->*&DriverResult::size)(); }
    static int RowsAffected(QSqlResult *r) { return (r->*&DriverResult::numRowsAffected)(); }
    static QSqlRecord Record(const QSqlResult *r) { return (r->*&DriverResult::record)(); }
    static QVariant LastInsertId(const QSqlResult *r) { return (r->*&DriverResult::lastInsertId)(); }
    static void VirtualHook(QSqlResult *r, int id, void *data) { (r->*&DriverResult::virtual_hook)(id, data); }
    static bool ExecBatch(QSqlResult *r, bool arrayBind) { return (r->*&DriverResult::execBatch)(arrayBind); }
    static void Detach(QSqlResult *r) { (r->*&DriverResult::detachFromResultSet)(); }
    static void SetPrecision(QSqlResult *r, QSql::NumericalPrecisionPolicy p)
    {
        (r->*&DriverResult::setNumericalPrecisionPolicy)(p);
    }
    static bool NextResult(QSqlResult *r) { return (r->*&DriverResult::nextResult)(); }
};

// The result of a query handed out by OpenQuery on SQLite: it reads through a prepared
// statement of the pool and gives it back, reset, when the query is destroyed. A statement
// that failed or was given another text is not given back.
class PooledResult final : public QSqlResult {
public:
    PooledResult(const QSqlDriver *driver, std::unique_ptr<QSqlResult> inner,
                 const std::shared_ptr<kv8db::ReadPool> &pool, const QString &text, qint64 schema)
        : QSqlResult(driver), inner_(std::move(inner)), pool_(pool), text_(text), schema_(schema),
          generation_(pool->generation)
    {
        QSqlResult::setQuery(text);
    }
    ~PooledResult() override
    {
        const std::shared_ptr<kv8db::ReadPool> pool = pool_.lock();
        if (!pool || !reusable_)
            return;
        DriverResult::Detach(inner_.get());
        DriverResult::SetActive(inner_.get(), false);
        DriverResult::SetAt(inner_.get(), QSql::BeforeFirstRow);
        pool->Put(text_, std::move(inner_), schema_, generation_);
    }
    PooledResult(const PooledResult &) = delete;
    PooledResult &operator=(const PooledResult &) = delete;

    // The statement is prepared for the pool's text.
    void SetReusable() { reusable_ = true; }
    QVariant handle() const override { return inner_->handle(); }

protected:
    void setAt(int at) override
    {
        QSqlResult::setAt(at);
        DriverResult::SetAt(inner_.get(), at);
    }
    void setActive(bool a) override
    {
        QSqlResult::setActive(a);
        DriverResult::SetActive(inner_.get(), a);
    }
    void setLastError(const QSqlError &e) override
    {
        QSqlResult::setLastError(e);
        DriverResult::SetLastError(inner_.get(), e);
    }
    void setQuery(const QString &q) override
    {
        QSqlResult::setQuery(q);
        DriverResult::SetQuery(inner_.get(), q);
    }
    void setSelect(bool s) override
    {
        QSqlResult::setSelect(s);
        DriverResult::SetSelect(inner_.get(), s);
    }
    void setForwardOnly(bool f) override
    {
        QSqlResult::setForwardOnly(f);
        DriverResult::SetForwardOnly(inner_.get(), f);
    }
    void setNumericalPrecisionPolicy(QSql::NumericalPrecisionPolicy p) override
    {
        QSqlResult::setNumericalPrecisionPolicy(p);
        DriverResult::SetPrecision(inner_.get(), p);
    }
    void bindValue(int pos, const QVariant &v, QSql::ParamType t) override
    {
        QSqlResult::bindValue(pos, v, t);
        DriverResult::Bind(inner_.get(), pos, v, t);
    }
    void bindValue(const QString &name, const QVariant &v, QSql::ParamType t) override
    {
        QSqlResult::bindValue(name, v, t);
        DriverResult::Bind(inner_.get(), name, v, t);
    }
    bool exec() override { return Ran(DriverResult::Exec(inner_.get())); }
    bool execBatch(bool arrayBind) override { return Ran(DriverResult::ExecBatch(inner_.get(), arrayBind)); }
    bool prepare(const QString &q) override
    {
        reusable_ = false;
        return Ran(DriverResult::Prepare(inner_.get(), q));
    }
    bool savePrepare(const QString &q) override
    {
        reusable_ = false;
        return Ran(DriverResult::SavePrepare(inner_.get(), q));
    }
    bool reset(const QString &q) override
    {
        reusable_ = false;
        return Ran(DriverResult::Reset(inner_.get(), q));
    }
    bool nextResult() override
    {
        reusable_ = false;
        return Ran(DriverResult::NextResult(inner_.get()));
    }
    QVariant data(int i) override { return DriverResult::Data(inner_.get(), i); }
    bool isNull(int i) override { return DriverResult::IsNull(inner_.get(), i); }
    bool fetch(int i) override { return Moved(DriverResult::Fetch(inner_.get(), i)); }
    bool fetchNext() override { return Moved(DriverResult::FetchNext(inner_.get())); }
    bool fetchPrevious() override { return Moved(DriverResult::FetchPrevious(inner_.get())); }
    bool fetchFirst() override { return Moved(DriverResult::FetchFirst(inner_.get())); }
    bool fetchLast() override { return Moved(DriverResult::FetchLast(inner_.get())); }
    int size() override { return DriverResult::Size(inner_.get()); }
    int numRowsAffected() override { return DriverResult::RowsAffected(inner_.get()); }
    QSqlRecord record() const override { return DriverResult::Record(inner_.get()); }
    QVariant lastInsertId() const override { return DriverResult::LastInsertId(inner_.get()); }
    void detachFromResultSet() override { DriverResult::Detach(inner_.get()); }
    void virtual_hook(int id, void *data) override { DriverResult::VirtualHook(inner_.get(), id, data); }

private:
    // After a statement ran: this result shows the driver's state.
    bool Ran(bool ok)
    {
        QSqlResult::setAt(DriverResult::At(inner_.get()));
        QSqlResult::setActive(DriverResult::IsActive(inner_.get()));
        QSqlResult::setSelect(DriverResult::IsSelect(inner_.get()));
        const QSqlError error = DriverResult::LastError(inner_.get());
        QSqlResult::setLastError(error);
        if (!ok || error.isValid())
            reusable_ = false;
        return ok;
    }
    // After a move: the position, and the error when it failed.
    bool Moved(bool ok)
    {
        QSqlResult::setAt(DriverResult::At(inner_.get()));
        if (!ok) {
            const QSqlError error = DriverResult::LastError(inner_.get());
            if (error.isValid()) {
                QSqlResult::setLastError(error);
                reusable_ = false;
            }
        }
        return ok;
    }

    std::unique_ptr<QSqlResult> inner_;
    std::weak_ptr<kv8db::ReadPool> pool_;
    QString text_;
    qint64 schema_;
    quint64 generation_;
    bool reusable_ = false;
};

} // namespace

QString XWideQuotedStr(const QString &text)
{
    return u'\'' + QString(text).replace(u'\'', QLatin1String("''")) + u'\'';
}

TXDatabase::TXDatabase(const QString &name, const QString &url) : name_(name), url_(url)
{
    static std::atomic<int> counter{0};
    connectionName_ = QStringLiteral("kv8db%1_%2").arg(++counter).arg(name);
    try {
        if (url.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
            QString path = url.mid(7);
            if (path.startsWith(QLatin1String("///")))
                path = path.mid(2);
            OpenSqlite(path);
        } else if (url.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
                   || url.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive)) {
            OpenPostgres(url);
        } else {
            throw EDatabaseError(QStringLiteral("Unsupported database URL \"%1\" (sqlite:file or postgresql://...)")
                                     .arg(url));
        }
    } catch (...) {
        Release();
        throw;
    }
}

TXDatabase::~TXDatabase()
{
    if (inTransaction_) {
        try {
            Rollback();
        } catch (const std::exception &) {
            // the connection closes anyway, which ends the transaction
        }
    }
    Release();
}

void TXDatabase::Release()
{
    prepared_.clear();
    schemaQuery_.reset();
    readers_.reset(); // queries still held drop their statements when destroyed
    command_.reset();
    if (db_.isValid())
        db_.close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(connectionName_))
        QSqlDatabase::removeDatabase(connectionName_);
}

void TXDatabase::OpenSqlite(const QString &path)
{
    engine_ = DbEngine::SQLite;
    if (path.isEmpty())
        throw EDatabaseError(QStringLiteral("The database URL \"%1\" names no file").arg(url_));
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    db_.setDatabaseName(path);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db_.open())
        throw EDatabaseError(QStringLiteral("Cannot open the database %1: %2").arg(path, db_.lastError().text()));
    if (path != QLatin1String(":memory:"))
        Raw(QStringLiteral("PRAGMA journal_mode=WAL"));
    Raw(QStringLiteral("PRAGMA busy_timeout=%1").arg(kBusyTimeoutMs));
}

void TXDatabase::OpenPostgres(const QString &url)
{
    engine_ = DbEngine::PostgreSQL;
    const QUrl u(url);
    if (!u.isValid() || u.host().isEmpty())
        throw EDatabaseError(QStringLiteral("Invalid database URL \"%1\"").arg(url));
    QStringList options{QStringLiteral("connect_timeout=10")};
    const QUrlQuery query(u);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("schema"))
            schema_ = value.toLower();
        else
            options.append(key + u'=' + value);
    }
    if (!schema_.isEmpty())
        CheckIdentifier(schema_, "schema");
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
    db_.setHostName(u.host());
    db_.setPort(u.port(5432));
    db_.setUserName(u.userName(QUrl::FullyDecoded));
    db_.setPassword(u.password(QUrl::FullyDecoded));
    db_.setDatabaseName(u.path(QUrl::FullyDecoded).mid(1));
    db_.setConnectOptions(options.join(u';'));
    if (!db_.open()) {
        QUrl shown = u;
        shown.setPassword(QString());
        throw EDatabaseError(QStringLiteral("Cannot open the database %1: %2")
                                 .arg(shown.toString(), db_.lastError().text()));
    }
    command_ = std::make_unique<QSqlQuery>(db_);
    command_->setForwardOnly(false);
    Raw(QStringLiteral("SET client_min_messages TO warning"));

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

[[noreturn]] void TXDatabase::Fail(const QSqlError &error, const QString &sql) const
{
    const QString code = error.nativeErrorCode();
    QString message = error.databaseText().trimmed();
    if (message.isEmpty())
        message = error.driverText();
    bool key = false;
    if (IsPostgres()) {
        if (message.startsWith(QLatin1String("ERROR:")))
            message = message.mid(6).trimmed();
        const QString tail = u'(' + code + u')';
        if (!code.isEmpty() && message.endsWith(tail))
            message.chop(tail.size());
        message = message.trimmed();
        key = code == QLatin1String("23505");
    } else {
        key = code == QLatin1String("2067") || code == QLatin1String("1555")
           || message.contains(QLatin1String("UNIQUE constraint failed"))
           || message.contains(QLatin1String("PRIMARY KEY must be unique"));
    }
    message += QStringLiteral("\nSQL: ") + sql.trimmed();
    if (key)
        throw EKeyViolation(message);
    throw EDatabaseError(message);
}

// ---- transactions ----

void TXDatabase::StartTransaction()
{
    if (inTransaction_)
        throw EDatabaseError(QStringLiteral("A transaction is already active on %1").arg(name_));
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
    NoteTransactionEdge();
}

void TXDatabase::Commit()
{
    if (!inTransaction_)
        throw EDatabaseError(QStringLiteral("Commit without a transaction on %1").arg(name_));
    for (auto &q : prepared_)
        q->finish();
    if (!db_.commit())
        throw EDatabaseError(QStringLiteral("The transaction could not be committed: %1")
                                 .arg(db_.lastError().text()));
    inTransaction_ = false;
    savepoint_ = false;
    NoteTransactionEdge();
}

void TXDatabase::Rollback()
{
    if (!inTransaction_)
        throw EDatabaseError(QStringLiteral("Rollback without a transaction on %1").arg(name_));
    NoteTransactionEdge();
    inTransaction_ = false;
    savepoint_ = false;
    // what the transaction created is gone with it
    keysTable_ = false;
    sequences_.clear();
    for (auto &q : prepared_)
        q->finish();
    // the schema version goes back too: a statement prepared under a version the rollback
    // undid must not pass for one prepared under the next change
    if (readers_)
        readers_->Clear();
    for (auto it = preparedSchema_.cbegin(); it != preparedSchema_.cend(); ++it)
        prepared_.remove(it.key());
    preparedSchema_.clear();
    if (!db_.rollback()) {
        const QString text = db_.lastError().text();
        // SQLite may already have ended it on its own (disk full, I/O error)
        if (!text.contains(QLatin1String("no transaction is active")))
            throw EDatabaseError(QStringLiteral("The transaction could not be rolled back: %1").arg(text));
    }
}

// ---- statements ----

const TXDatabase::Compiled &TXDatabase::Compile(const QString &sql)
{
    if (const auto it = compiled_.constFind(sql); it != compiled_.cend())
        return **it;
    auto c = std::make_shared<Compiled>();
    c->sql = SqlTranslator::Compile(sql, engine_);
    if (!c->sql.error.isEmpty())
        throw EDatabaseError(c->sql.error + QStringLiteral("\nSQL: ") + sql.trimmed());
    for (const SqlStatement &st : c->sql.statements) {
        if (!IsPostgres())
            c->texts.append(st.Join([](int) { return QStringLiteral("?"); }));
        else if (st.preparable)
            c->texts.append(st.Join([](int slot) { return u'$' + QString::number(slot + 1); }));
        else
            c->texts.append(QString());
        c->starReads.append(!IsPostgres() && st.readOnly && NamesStar(c->texts.last()));
    }
    if (compiled_.size() >= kMaxCompiled)
        compiled_.clear();
    return **compiled_.insert(sql, c);
}

QVariantList TXDatabase::Values(const Compiled &c, const QVariantList &params, const QString &sql) const
{
    if (params.size() != c.sql.valueCount)
        throw EDatabaseError(QStringLiteral("The statement takes %1 value(s), %2 given\nSQL: %3")
                                 .arg(c.sql.valueCount)
                                 .arg(params.size())
                                 .arg(sql.trimmed()));
    QVariantList values;
    values.reserve(params.size());
    for (const QVariant &v : params)
        values.append(ToDb(v));
    return values;
}

QSqlQuery &TXDatabase::Prepared(const QString &text, const QString &sql)
{
    if (const auto it = prepared_.constFind(text); it != prepared_.cend())
        return **it;
    auto q = std::make_shared<QSqlQuery>(db_);
    q->setForwardOnly(true);
    if (!q->prepare(text))
        Fail(q->lastError(), sql);
    if (prepared_.size() >= kMaxPrepared) {
        prepared_.clear();
        preparedSchema_.clear();
    }
    return **prepared_.insert(text, q);
}

QSqlQuery &TXDatabase::CommandQuery(const Compiled &c, qsizetype i, const QString &sql, qint64 schema)
{
    if (IsPostgres())
        return *command_;
    const QString &text = c.texts[i];
    if (schema >= 0 && preparedSchema_.value(text, -1) != schema) {
        prepared_.remove(text);
        preparedSchema_.insert(text, schema);
    }
    return Prepared(text, sql);
}

// A reading that names its columns with '*' gets more of them at its first step when a column
// was added since it was prepared (by any connection: the statement prepares itself again),
// and the driver then writes past the row it made for the first step. So the schema version
// is read first, which also brings the connection's copy of the schema up to date, and the
// snapshot of that reading is held (until held ends) while the statement starts; a statement
// prepared under another version is not used.
qint64 TXDatabase::HoldSchema(const Compiled &c, qsizetype i, Held &held)
{
    if (!c.starReads[i])
        return -1;
    static const QString text = QStringLiteral("SELECT schema_version FROM pragma_schema_version");
    if (!schemaQuery_) {
        schemaQuery_ = std::make_unique<QSqlQuery>(db_);
        schemaQuery_->setForwardOnly(true);
        if (!schemaQuery_->prepare(text)) {
            const QSqlError error = schemaQuery_->lastError();
            schemaQuery_.reset();
            Fail(error, text);
        }
    }
    if (!schemaQuery_->exec() || !schemaQuery_->next()) {
        const QSqlError error = schemaQuery_->lastError();
        schemaQuery_->finish();
        Fail(error, text);
    }
    held.query = schemaQuery_.get();
    return schemaQuery_->value(0).toLongLong();
}

void TXDatabase::Run(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql)
{
    if (IsPostgres())
        RunPostgres(q, c, i, values, sql);
    else
        RunSqlite(q, c, i, values, sql);
}

quint64 TXDatabase::TableWriteMark(const QString &table) const
{
    return std::max(anyTableWritten_, tableWritten_.value(NameKey{table}));
}

namespace {
std::atomic<quint64> writeMarks{0};
}

void TXDatabase::NoteWrite(const SqlStatement &st)
{
    if (st.readOnly)
        return;
    if (st.writtenTable.isEmpty())
        anyTableWritten_ = ++writeMarks;
    else
        tableWritten_.insert(NameKey{st.writtenTable}, ++writeMarks);
}

void TXDatabase::NoteTransactionEdge()
{
    anyTableWritten_ = ++writeMarks;
}

void TXDatabase::RunSqlite(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values,
                           const QString &sql)
{
    const SqlStatement &st = c.sql.statements[i];
    NoteWrite(st);
    for (qsizetype k = 0; k < st.valueAt.size(); ++k)
        q.bindValue(int(k), values[st.valueAt[k]]);
    if (!q.exec()) {
        const QSqlError error = q.lastError();
        q.finish();
        Fail(error, sql);
    }
}

QString TXDatabase::Literal(const QVariant &value) const
{
    QSqlField field(QString(), value.metaType());
    if (!value.isNull())
        field.setValue(value);
    return db_.driver()->formatValue(field);
}

// One round trip per statement: inside a transaction the savepoint that lets a failed
// statement undo only itself is renewed in the same message, and a statement seen for the
// first time is prepared in it too.
void TXDatabase::RunPostgres(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values,
                             const QString &sql)
{
    const SqlStatement &st = c.sql.statements[i];
    const QString &text = c.texts[i];
    NoteWrite(st);
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
        int prepareAt = -1;
        QString name;
        if (st.preparable) {
            name = statementNames_.value(text);
            if (name.isEmpty()) {
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
        if (prepareAt >= 0 && succeeded > prepareAt)
            statementNames_.insert(text, name);
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
            if (!undo.exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + kSavepoint)) {
                savepoint_ = false;
                throw EDatabaseError(error.databaseText().trimmed()
                                     + QStringLiteral("\nThe transaction can no longer be used: ")
                                     + undo.lastError().databaseText().trimmed() + QStringLiteral("\nSQL: ")
                                     + sql.trimmed());
            }
            savepoint_ = true;
            savepointDirty_ = false;
        }
        // A prepared SELECT * whose table gained a column since: prepare it again once.
        if (attempt == 0 && !name.isEmpty() && prepareAt < 0 && error.nativeErrorCode() == QLatin1String("0A000")) {
            statementNames_.remove(text);
            QSqlQuery(db_).exec(QStringLiteral("DEALLOCATE ") + name);
            continue;
        }
        Fail(error, sql);
    }
}

int TXDatabase::ExecSQL(const QString &sql, const QVariantList &params)
{
    const Compiled &c = Compile(sql);
    const QVariantList values = Values(c, params, sql);
    int rows = 0;
    for (qsizetype i = 0; i < c.sql.statements.size(); ++i) {
        Held schema;
        QSqlQuery &q = CommandQuery(c, i, sql, HoldSchema(c, i, schema));
        Run(q, c, i, values, sql);
        rows = q.numRowsAffected();
        q.finish();
    }
    return rows;
}

QVariant TXDatabase::ScalarValue(const QString &sql, const QVariantList &params)
{
    const Compiled &c = Compile(sql);
    const QVariantList values = Values(c, params, sql);
    QVariant result;
    for (qsizetype i = 0; i < c.sql.statements.size(); ++i) {
        Held schema;
        QSqlQuery &q = CommandQuery(c, i, sql, HoldSchema(c, i, schema));
        Run(q, c, i, values, sql);
        if (i == c.sql.statements.size() - 1 && q.isSelect() && q.next())
            result = q.value(0);
        q.finish();
    }
    return result;
}

QSqlQuery TXDatabase::OpenQuery(const QString &sql, const QVariantList &params, bool forwardOnly)
{
    const Compiled &c = Compile(sql);
    const QVariantList values = Values(c, params, sql);
    const qsizetype last = c.sql.statements.size() - 1;
    for (qsizetype i = 0; i < last; ++i) {
        Held schema;
        QSqlQuery &q = CommandQuery(c, i, sql, HoldSchema(c, i, schema));
        Run(q, c, i, values, sql);
        q.finish();
    }
    if (last < 0)
        return QSqlQuery(db_);
    if (!IsPostgres()) {
        Held schema;
        const qint64 version = HoldSchema(c, last, schema);
        QSqlQuery q = Reader(c.texts[last], sql, forwardOnly, version);
        RunSqlite(q, c, last, values, sql);
        return q;
    }
    // Rows fetched whole: the driver's row-by-row mode loses them when another statement runs.
    QSqlQuery q(db_);
    q.setForwardOnly(false);
    RunPostgres(q, c, last, values, sql);
    return q;
}

QSqlQuery TXDatabase::Reader(const QString &text, const QString &sql, bool forwardOnly, qint64 schema)
{
    if (!readers_)
        readers_ = std::make_shared<kv8db::ReadPool>();
    std::unique_ptr<QSqlResult> inner = readers_->Take(text, schema);
    const bool fresh = !inner;
    if (fresh)
        inner.reset(db_.driver()->createResult());
    auto *result = new PooledResult(db_.driver(), std::move(inner), readers_, text, schema);
    QSqlQuery q(result);
    q.setForwardOnly(forwardOnly);
    if (fresh && !q.prepare(text))
        Fail(q.lastError(), sql);
    result->SetReusable();
    return q;
}

// ---- keys ----

qint64 TXDatabase::NewKey(const QString &table, const QString &column)
{
    CheckIdentifier(table, "table");
    CheckIdentifier(column, "column");
    if (IsPostgres()) {
        const QString sequence = (table + u'_' + column + QStringLiteral("_seq")).toLower();
        CheckIdentifier(sequence, "sequence");
        if (!sequences_.contains(sequence)) {
            const QString exists = QStringLiteral("SELECT to_regclass(?) IS NOT NULL");
            if (!ScalarValue(exists, {sequence}).toBool()) {
                const qint64 start =
                    ScalarValue(QStringLiteral("SELECT COALESCE(MAX(%1), 0) + 1 FROM %2").arg(column, table)).toLongLong();
                try {
                    ExecSQL(QStringLiteral("CREATE SEQUENCE IF NOT EXISTS %1 START WITH %2").arg(sequence).arg(start));
                } catch (const EDatabaseError &) {
                    // created by another connection at the same moment
                    if (!ScalarValue(exists, {sequence}).toBool())
                        throw;
                }
            }
            sequences_.insert(sequence, true);
        }
        return ScalarValue(QStringLiteral("SELECT nextval(%1)").arg(XWideQuotedStr(sequence))).toLongLong();
    }

    if (!keysTable_) {
        ExecSQL(QStringLiteral("CREATE TABLE IF NOT EXISTS kv8_keys (tablename VARCHAR(128) NOT NULL, "
                               "columnname VARCHAR(128) NOT NULL, lastkey INTEGER NOT NULL, "
                               "PRIMARY KEY (tablename, columnname))"));
        keysTable_ = true;
    }
    const QVariantList key{table.toLower(), column.toLower()};
    const QString next = QStringLiteral(
        "UPDATE kv8_keys SET lastkey = lastkey + 1 WHERE tablename = ? AND columnname = ? RETURNING lastkey");
    QVariant value = ScalarValue(next, key);
    if (!value.isValid()) {
        ExecSQL(QStringLiteral("INSERT OR IGNORE INTO kv8_keys (tablename, columnname, lastkey) "
                               "SELECT ?, ?, COALESCE(MAX(%1), 0) FROM %2")
                    .arg(column, table),
                key);
        value = ScalarValue(next, key);
    }
    if (!value.isValid())
        throw EDatabaseError(QStringLiteral("No key could be drawn for %1.%2").arg(table, column));
    return value.toLongLong();
}

// ---- values ----

QString TXDatabase::FormatDataSQL(const QDateTime &value) const
{
    if (!value.isValid())
        return QStringLiteral("NULL");
    const QString text = u'\'' + value.toLocalTime().toString(kDateFormat) + u'\'';
    return IsPostgres() ? text + QStringLiteral("::timestamp") : text;
}

QString TXDatabase::FormatDataSQL(const QDate &value) const
{
    return FormatDataSQL(value.isValid() ? QDateTime(value, QTime(0, 0)) : QDateTime());
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
        // stored to the second on both engines, like the literals of FormatDataSQL
        if (!IsPostgres()) {
            // a local time needs no conversion (each one costs a look at the system time zone)
            const QDateTime local = dt.timeSpec() == Qt::LocalTime ? dt : dt.toLocalTime();
            return local.date().toString(QStringLiteral("yyyy-MM-dd ")) + local.time().toString(QStringLiteral("hh:mm:ss"));
        }
        // (each local-time conversion costs a look at the system time zone: none when not needed)
        return dt.time().msec() == 0 ? value : QVariant(dt.addMSecs(-dt.time().msec()));
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
