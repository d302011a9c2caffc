#include "host/db/TXDatabase.h"

#include "host/core/MetaTypes.h"
#include "host/db/CompiledText.h"
#include "host/db/DatabaseErrors.h"
#include "host/db/PostgresBackend.h"
#include "host/db/SqliteBackend.h"
#include "host/db/TXScan.h"
#include "host/db/TransactionListeners.h"

#include <QDebug>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace {

constexpr qsizetype kMaxCompiled = 2000;
// texts kept with the tables each names (NamesTableKept)
constexpr qsizetype kMaxNamedTables = 256;
constexpr qsizetype kMaxNamedTableChars = 16384;
const QLatin1String kKeysTable("kv8_keys"); // SQLite's key store

// Dates go to the engine to the second, save the last millisecond of a second: the end of a
// period (23:59:59.999) then takes in what another program stored within its last second.
bool KeepsMilliseconds(const QTime &time)
{
    return time.msec() == 999;
}

QString DateTimeText(const QDateTime &local)
{
    const QLatin1String time =
        KeepsMilliseconds(local.time()) ? QLatin1String("hh:mm:ss.zzz") : QLatin1String("hh:mm:ss");
    return local.date().toString(QLatin1String("yyyy-MM-dd ")) + local.time().toString(time);
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

bool TXDatabase::IsIdentifier(const QString &s)
{
    if (s.isEmpty() || s.size() > 63 || !(s[0].isLetter() || s[0] == u'_'))
        return false;
    for (QChar c : s)
        if (!((c.isLetterOrNumber() && c.unicode() < 128) || c == u'_'))
            return false;
    return true;
}

void TXDatabase::CheckIdentifier(const QString &s, const char *what, const QString &database)
{
    if (!IsIdentifier(s))
        throw EDatabaseError(QStringLiteral("Il nome di %1 \"%2\" non è valido per il database %3: usare solo "
                                            "lettere, cifre e _ (al massimo 63 caratteri).")
                                 .arg(QLatin1String(what), s, database));
}

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
            engine_ = DbEngine::PostgreSQL;
            pg_ = std::make_unique<kv8db::PostgresBackend>(*this);
            pg_->Open(url);
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
    if (pg_)
        pg_->Release();
    if (db_.isValid())
        db_.close();
    db_ = QSqlDatabase();
    if (QSqlDatabase::contains(connectionName_))
        QSqlDatabase::removeDatabase(connectionName_);
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
    // SQLite ends the whole transaction on a full disk, an I/O or a memory error, and a lost
    // connection ends it on PostgreSQL: nothing after it may run as if it were still open
    if ((inTransaction_ && !(sqlite_ ? sqlite_->TransactionOpen() : pg_ && pg_->TransactionOpen()))
        || (pg_ && !pg_->Connected())) {
        LoseTransaction(failure.message);
        throw ETransactionLost(failure.message);
    }
    if (failure.keyViolation)
        throw EKeyViolation(failure.message);
    throw EDatabaseError(failure.message);
}

void TXDatabase::LoseTransaction(const QString &message) const
{
    if (!inTransaction_ || !transactionLost_.isEmpty())
        return;
    transactionLost_ = message;
    qWarning().noquote() << QStringLiteral("kv8db: %1: the engine ended the transaction; nothing more is written "
                                           "in it")
                                .arg(shown_);
}

void TXDatabase::CheckTransactionUsable() const
{
    if (!transactionLost_.isEmpty())
        throw ETransactionLost(transactionLost_);
}

// ---- transactions ----

void TXDatabase::StartTransaction()
{
    if (inTransaction_)
        throw EDatabaseError(QStringLiteral("Sul database %1 è già aperta una transazione: confermarla o annullarla "
                                            "prima di iniziarne un'altra; se l'errore si ripete, segnalarlo "
                                            "all'assistenza.")
                                 .arg(shown_));
    if (pg_) {
        pg_->Begin();
    } else {
        // IMMEDIATE: the write lock is taken now (waiting up to the busy timeout), so a
        // transaction never fails halfway because another connection wrote first.
        Raw(QStringLiteral("BEGIN IMMEDIATE"));
    }
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
        CheckTransactionUsable();
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
    // SQLite's COMMIT run as a statement: its error then carries the engine's code
    QSqlQuery commit(db_);
    if (sqlite_ ? !commit.exec(QStringLiteral("COMMIT")) : !db_.commit()) {
        const QSqlError error = sqlite_ ? commit.lastError() : db_.lastError();
        kv8db::LogFailure(shown_, error, QStringLiteral("COMMIT"));
        const bool connectionLost = pg_ && !pg_->Connected();
        rollBackFailed();
        // what the engine says of it (the disk full, the connection gone), when it says
        if (connectionLost)
            throw ETransactionLost(
                kv8db::DescribeFailure(QSqlError(error.driverText(), error.databaseText(), QSqlError::ConnectionError),
                                       engine_, shown_)
                    .message);
        if (sqlite_ && !error.nativeErrorCode().isEmpty())
            throw ETransactionLost(kv8db::DescribeFailure(error, engine_, shown_).message);
        throw EDatabaseError(QStringLiteral("Le modifiche non sono state registrate nel database %1 e sono state "
                                            "annullate: ripetere l'operazione.")
                                 .arg(shown_));
    }
    if (transactionChangedData_)
        ++dataChanges_;
    inTransaction_ = false;
    if (pg_)
        pg_->Ended(false);
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
    const bool lost = !std::exchange(transactionLost_, QString()).isEmpty();
    // what the transaction created is gone with it
    keysTable_ = false;
    keyBlocks_.clear();
    if (pg_)
        pg_->Ended(true);
    if (sqlite_)
        sqlite_->RolledBack();
    const bool ended = db_.rollback();
    const QSqlError error = ended ? QSqlError() : db_.lastError();
    // told even when the engine failed: what was written in the transaction is not kept
    listeners_->RolledBack();
    deferred_.clear(); // rows kept for the commit are gone with it
    // the engine may already have ended it on its own (disk full, I/O error, connection gone)
    if (!ended && !lost && !error.text().contains(QLatin1String("no transaction is active"))) {
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
        kv8db::LogFailure(shown_,
                          QStringLiteral("%1 value(s) given, %2 taken").arg(params.size()).arg(c.sql.valueCount), sql);
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

bool TXDatabase::TransactionWrote(const QString &table) const
{
    return transactionWroteAny_ || transactionWrote_.contains(NameKey{table});
}

void TXDatabase::NoteStatement(const SqlStatement &st)
{
    ++statements_;
    if (st.readOnly) {
        ++readStatements_;
        return;
    }
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

// NamesTable, its answers kept for the texts run again (a row at a time)
bool NamesTableKept(const QString &sql, const QString &table)
{
    if (sql.size() > kMaxNamedTableChars)
        return NamesTable(sql, table);
    thread_local QHash<QString, QHash<QString, bool>> kept;
    auto it = kept.find(sql);
    if (it == kept.end()) {
        if (kept.size() >= kMaxNamedTables)
            kept.clear();
        it = kept.insert(sql, {});
    }
    if (const auto found = it->constFind(table); found != it->cend())
        return *found;
    const bool names = NamesTable(sql, table);
    it->insert(table, names);
    return names;
}
} // namespace

void TXDatabase::FlushDeferredFor(const QString &sql)
{
    if (deferred_.empty())
        return;
    // a writer may remove itself or others while flushing
    const std::vector<TXDeferredWrites *> writers = deferred_;
    for (TXDeferredWrites *w : writers)
        if (std::find(deferred_.begin(), deferred_.end(), w) != deferred_.end()
            && NamesTableKept(sql, w->DeferredTable()))
            w->FlushDeferred();
}

QString TXDatabase::ArrayText(const QVariantList &values) const
{
    if (!pg_)
        throw EDatabaseError(QStringLiteral("Il database %1 non legge elenchi di valori in un solo parametro: "
                                            "segnalarlo all'assistenza.")
                                 .arg(shown_));
    return pg_->ArrayText(values);
}

int TXDatabase::ExecSQL(const QString &sql, const QVariantList &params)
{
    CheckTransactionUsable();
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
        if (pg_) {
            rows = pg_->Exec(c, i, *values, sql);
            continue;
        }
        kv8db::HeldQuery held;
        QSqlQuery &q = sqlite_->CommandQuery(c, i, sql, held);
        sqlite_->Run(q, c, i, *values, sql);
        rows = q.numRowsAffected();
        q.finish();
    }
    return rows;
}

QVariant TXDatabase::ScalarValue(const QString &sql, const QVariantList &params)
{
    CheckTransactionUsable();
    FlushDeferredFor(sql);
    const Compiled &c = Compile(sql);
    const QVariantList values = Values(c, params, sql);
    QVariant result;
    const qsizetype last = c.sql.statements.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        if (pg_) {
            if (i < last) {
                pg_->Exec(c, i, values, sql);
                continue;
            }
            QSqlQuery q = pg_->Reader(c, i, values, sql);
            if (q.isSelect() && q.next())
                result = q.value(0);
            continue;
        }
        kv8db::HeldQuery held;
        QSqlQuery &q = sqlite_->CommandQuery(c, i, sql, held);
        sqlite_->Run(q, c, i, values, sql);
        if (i == last && q.isSelect() && q.next())
            result = q.value(0);
        q.finish();
    }
    return result;
}

QSqlQuery TXDatabase::OpenQuery(const QString &sql, const QVariantList &params, bool forwardOnly)
{
    CheckTransactionUsable();
    FlushDeferredFor(sql);
    const Compiled &c = Compile(sql);
    const QVariantList values = Values(c, params, sql);
    const qsizetype last = c.sql.statements.size() - 1;
    for (qsizetype i = 0; i < last; ++i) {
        if (pg_) {
            pg_->Exec(c, i, values, sql);
            continue;
        }
        kv8db::HeldQuery held;
        QSqlQuery &q = sqlite_->CommandQuery(c, i, sql, held);
        sqlite_->Run(q, c, i, values, sql);
        q.finish();
    }
    if (last < 0)
        return QSqlQuery(db_);
    if (pg_)
        return pg_->Reader(c, last, values, sql);
    kv8db::HeldQuery held;
    QSqlQuery q = sqlite_->Reader(c, last, sql, forwardOnly, held);
    sqlite_->Run(q, c, last, values, sql);
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
    CheckTransactionUsable();
    const Compiled &c = Compile(sql);
    if (!pg_ || inTransaction_ || c.sql.statements.size() != 1 || !c.sql.statements[0].preparable
        || !c.sql.statements[0].readOnly) {
        QSqlQuery q = OpenQuery(sql, params, true);
        layout(q.record());
        while (q.next())
            row(q);
        CheckReadEnd(q, sql);
        return;
    }
    pg_->ReadAll(c, Values(c, params, sql), layout, row, sql);
}

std::unique_ptr<TXScan> TXDatabase::OpenScan(const QString &sql, const QVariantList &params)
{
    CheckTransactionUsable();
    FlushDeferredFor(sql);
    std::unique_ptr<TXScan> scan(new TXScan(*this, sql));
    const Compiled &c = Compile(sql);
    const qsizetype last = c.sql.statements.size() - 1;
    if (!pg_ || last < 0 || !c.sql.statements[last].readOnly) {
        scan->rows_ = OpenQuery(sql, params, true);
        scan->record_ = scan->rows_.record();
        scan->lastBatch_ = true;
        return scan;
    }
    pg_->OpenScan(*scan, c, Values(c, params, sql), sql);
    return scan;
}

// ---- keys ----

qint64 TXDatabase::NewKey(const QString &table, const QString &column)
{
    CheckTransactionUsable();
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
    if (pg_)
        return pg_->NewKey(table, column);

    const QString keysTable = kKeysTable;
    if (!keysTable_) {
        if (!TableExists(keysTable))
            WriteKeyStore(keysTable,
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
        const QString name = KeyBlockName(table, column);
        NoteKeyAsked(table, column, name);
        block = &keyBlocks_[name];
        if (block->next <= block->last)
            return block->next++;
    }
    const qint64 step = block ? NextBlockSize(*block) : 1;
    const QString next = QStringLiteral(
        "UPDATE kv8_keys SET lastkey = lastkey + ? WHERE tablename = ? AND columnname = ? RETURNING lastkey");
    QVariant value = ScalarValue(next, QVariantList{step} + key);
    if (!value.isValid()) {
        WriteKeyStore(keysTable,
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

QString TXDatabase::KeyBlockName(const QString &table, const QString &column) const
{
    return pg_ ? kv8db::PostgresBackend::SequenceName(table, column) : table.toLower() + u'.' + column.toLower();
}

qint64 TXDatabase::NextBlockSize(KeyBlock &block)
{
    block.size = std::min<qint64>(block.size * 2 + 1, 255);
    return std::max(block.size, std::exchange(block.wanted, 0));
}

void TXDatabase::ReserveKeys(const QString &table, const QString &column, qint64 count)
{
    CheckTransactionUsable();
    if (!inTransaction_ || count <= 1)
        return;
    CheckIdentifier(table, "tabella", shown_);
    CheckIdentifier(column, "colonna", shown_);
    KeyBlock &block = keyBlocks_[KeyBlockName(table, column)];
    block.wanted = std::max<qint64>(count - KeysLeft(block), 0);
}

qint64 TXDatabase::KeysInHand(const QString &table, const QString &column) const
{
    if (!inTransaction_)
        return 0;
    const auto it = keyBlocks_.constFind(KeyBlockName(table, column));
    return it == keyBlocks_.cend() ? 0 : KeysLeft(*it);
}

// A statement making the key store writes no table the datasets read: they keep what they know.
void TXDatabase::WriteKeyStore(const QString &store, const QString &sql, const QVariantList &params)
{
    FlushDeferredFor(sql);
    keyStore_ = store;
    const auto done = qScopeGuard([this] { keyStore_.clear(); });
    ExecSQL(sql, params);
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
    if (pg_)
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
    const QString wanted = pg_ && !pg_->Schema().isEmpty() && pg_->Schema() != QLatin1String("public")
                               ? pg_->Schema() + u'.' + table
                               : table;
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
