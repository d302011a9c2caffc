#include "host/db/SqliteBackend.h"

#include "host/db/CompiledText.h"
#include "host/db/SqliteBinding.h"
#include "host/db/SqliteStatementPool.h"

#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <unordered_map>
#include <vector>

namespace kv8db {

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr qsizetype kMaxPrepared = 500;
constexpr int kSqliteReadOnly = 8; // SQLITE_READONLY

} // namespace

// The engine's statements of the writes, by engine text; finalized before the connection closes.
struct SqliteBackend::NativeWrites {
    sqlite3 *db = nullptr;
    std::unordered_map<QString, sqlite3_stmt *> byText;
    TestiLegati texts; // of the statement being run
    // the last one run and its text, held: the same buffer again is the same text, found unhashed
    QString lastText;
    sqlite3_stmt *last = nullptr;
    ~NativeWrites() { Clear(); }
    void Clear()
    {
        for (auto &[text, stmt] : byText)
            sqlite3_finalize(stmt);
        byText.clear();
        lastText.clear();
        last = nullptr;
    }
};

SqliteBackend::SqliteBackend(TXDatabase &owner) : owner_(owner) {}

SqliteBackend::~SqliteBackend() = default;

void SqliteBackend::Open(const QString &path)
{
    if (path.isEmpty())
        throw EDatabaseError(QStringLiteral("L'indirizzo %1 non indica il file del database: scriverlo come "
                                            "sqlite:percorso/del/file.db.")
                                 .arg(owner_.url_));
    QSqlDatabase &db = owner_.db_;
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), owner_.connectionName_);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open())
        owner_.Fail(db.lastError(), QString());
    if (path != QLatin1String(":memory:")) {
        // reads the file's header: a file that is not a database is refused here, while a
        // read-only database is opened as it is (its writes fail with their own message)
        const QString wal = QStringLiteral("PRAGMA journal_mode=WAL");
        QSqlQuery q(db);
        if (!q.exec(wal) && (q.lastError().nativeErrorCode().toInt() & 0xff) != kSqliteReadOnly)
            owner_.Fail(q.lastError(), wal);
    }
    owner_.Raw(QStringLiteral("PRAGMA busy_timeout=%1").arg(kBusyTimeoutMs));
}

void SqliteBackend::Release()
{
    native_.reset();
    prepared_.clear();
    schemaQuery_.reset();
    readers_.reset(); // queries still held drop their statements when destroyed
}

void SqliteBackend::FinishStatements()
{
    for (auto &q : prepared_)
        q->finish();
}

void SqliteBackend::RolledBack()
{
    FinishStatements();
    // the schema version goes back too: a statement prepared under a version the rollback
    // undid must not pass for one prepared under the next change
    if (readers_)
        readers_->Clear();
    for (auto it = preparedSchema_.cbegin(); it != preparedSchema_.cend(); ++it)
        prepared_.remove(it.key());
    preparedSchema_.clear();
}

bool SqliteBackend::TransactionOpen() const
{
    sqlite3 *handle = SqliteHandle(owner_.db_);
    return handle && sqlite3_get_autocommit(handle) == 0;
}

std::optional<TXDatabase::Stamp> SqliteBackend::DataStamp(quint64 connection, quint64 changes) const
{
    sqlite3 *handle = SqliteHandle(owner_.db_);
    sqlite3_stmt *stmt = nullptr;
    // changes with every commit of another connection of the file, never with this one's own
    if (!handle || sqlite3_prepare_v2(handle, "PRAGMA data_version", -1, &stmt, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<TXDatabase::Stamp> stamp;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        stamp = TXDatabase::Stamp{connection, sqlite3_column_int64(stmt, 0), changes};
    sqlite3_finalize(stmt);
    return stamp;
}

QSqlQuery &SqliteBackend::Prepared(const QString &text, const QString &sql)
{
    if (const auto it = prepared_.constFind(text); it != prepared_.cend())
        return **it;
    auto q = std::make_shared<QSqlQuery>(owner_.db_);
    q->setForwardOnly(true);
    if (!q->prepare(text))
        owner_.Fail(q->lastError(), sql);
    if (prepared_.size() >= kMaxPrepared) {
        prepared_.clear();
        preparedSchema_.clear();
    }
    return **prepared_.insert(text, q);
}

QSqlQuery &SqliteBackend::CommandQuery(const Compiled &c, qsizetype i, const QString &sql, HeldQuery &held)
{
    const qint64 schema = HoldSchema(c, i, held);
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
// prepared under another version is not used. -1 for a statement whose columns cannot change.
qint64 SqliteBackend::HoldSchema(const Compiled &c, qsizetype i, HeldQuery &held)
{
    if (!c.starReads[i])
        return -1;
    static const QString text = QStringLiteral("SELECT schema_version FROM pragma_schema_version");
    if (!schemaQuery_) {
        schemaQuery_ = std::make_unique<QSqlQuery>(owner_.db_);
        schemaQuery_->setForwardOnly(true);
        if (!schemaQuery_->prepare(text)) {
            const QSqlError error = schemaQuery_->lastError();
            schemaQuery_.reset();
            owner_.Fail(error, text);
        }
    }
    if (!schemaQuery_->exec() || !schemaQuery_->next()) {
        const QSqlError error = schemaQuery_->lastError();
        schemaQuery_->finish();
        owner_.Fail(error, text);
    }
    held.query = schemaQuery_.get();
    return schemaQuery_->value(0).toLongLong();
}

QSqlQuery SqliteBackend::Reader(const Compiled &c, qsizetype i, const QString &sql, bool forwardOnly, HeldQuery &held)
{
    const qint64 schema = HoldSchema(c, i, held);
    if (!readers_)
        readers_ = std::make_unique<SqliteStatementPool>();
    QSqlQuery q = readers_->Reader(owner_.db_.driver(), c.texts[i], forwardOnly, schema);
    if (q.lastError().isValid())
        owner_.Fail(q.lastError(), sql);
    return q;
}

void SqliteBackend::Run(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql)
{
    const SqlStatement &st = c.sql.statements[i];
    owner_.NoteStatement(st);
    for (qsizetype k = 0; k < st.valueAt.size(); ++k)
        q.bindValue(int(k), values[st.valueAt[k]]);
    if (!q.exec()) {
        const QSqlError error = q.lastError();
        q.finish();
        owner_.Fail(error, sql, st.writtenTable);
    }
}

int SqliteBackend::RunNativeWrite(const Compiled &c, qsizetype i, const QVariantList &params, const QString &sql)
{
    const SqlStatement &st = c.sql.statements[i];
    const QString &text = c.texts[i];
    if (st.readOnly || !st.preparable || text.isEmpty())
        return -1;
    if (!native_) {
        sqlite3 *handle = SqliteHandle(owner_.db_);
        if (!handle)
            return -1;
        native_ = std::make_unique<NativeWrites>();
        native_->db = handle;
    }
    if (!native_->db)
        return -1;
    sqlite3 *db = native_->db;
    sqlite3_stmt *stmt = nullptr;
    if (native_->last && native_->lastText.constData() == text.constData() && native_->lastText.size() == text.size()) {
        stmt = native_->last; // the chunks of a multi-row write, one after the other
    } else if (const auto it = native_->byText.find(text); it != native_->byText.end()) {
        stmt = it->second;
    } else {
        if (sqlite3_prepare16_v3(db, text.utf16(), int(text.size() * 2), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr)
                != SQLITE_OK
            || !stmt || sqlite3_stmt_readonly(stmt) || sqlite3_bind_parameter_count(stmt) != st.valueAt.size()) {
            sqlite3_finalize(stmt);
            return -1; // Qt's driver prepares it and tells what is wrong
        }
        if (qsizetype(native_->byText.size()) >= kMaxPrepared)
            native_->Clear();
        native_->byText.emplace(text, stmt);
    }
    native_->last = stmt;
    native_->lastText = text;
    owner_.NoteStatement(st);
    const auto fail = [&] {
        const QSqlError error(QStringLiteral("Unable to fetch row"),
                              QString::fromUtf16(static_cast<const char16_t *>(sqlite3_errmsg16(db))),
                              QSqlError::StatementError, QString::number(sqlite3_extended_errcode(db)));
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        owner_.Fail(error, sql, st.writtenTable);
    };
    // bound as Qt's driver binds, in their stored form (ToDb); the texts are held by params, stored or texts
    std::vector<QVariant> stored;
    native_->texts.Svuota();
    for (qsizetype k = 0; k < st.valueAt.size(); ++k) {
        const QVariant &v = params[st.valueAt[k]];
        const QVariant *bound = &v;
        if (TXDatabase::ChangedByToDb(v)) {
            if (stored.empty())
                stored.reserve(size_t(st.valueAt.size())); // never moved while bound
            bound = &stored.emplace_back(owner_.ToDb(v));
        }
        if (LegaValoreSqlite(stmt, int(k) + 1, *bound, &native_->texts) != SQLITE_OK)
            fail();
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        fail();
    const int rows = sqlite3_changes(db);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return rows;
}

} // namespace kv8db
