#include "host/db/TXDatabase.h"

#include "host/db/SqlTranslator.h"

#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

#include <atomic>

// A text as compiled for this connection: its statements and their engine texts
// ('?' placeholders on SQLite, $n on PostgreSQL; empty where the statement is not prepared).
struct TXDatabase::Compiled {
    CompiledSql sql;
    QStringList texts;
};

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr qsizetype kMaxCompiled = 2000;
constexpr qsizetype kMaxPrepared = 500;
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
}

void TXDatabase::Rollback()
{
    if (!inTransaction_)
        throw EDatabaseError(QStringLiteral("Rollback without a transaction on %1").arg(name_));
    inTransaction_ = false;
    savepoint_ = false;
    // what the transaction created is gone with it
    keysTable_ = false;
    sequences_.clear();
    for (auto &q : prepared_)
        q->finish();
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
    if (prepared_.size() >= kMaxPrepared)
        prepared_.clear();
    return **prepared_.insert(text, q);
}

QSqlQuery &TXDatabase::CommandQuery(const Compiled &c, qsizetype i, const QString &sql)
{
    if (IsPostgres())
        return *command_;
    return Prepared(c.texts[i], sql);
}

void TXDatabase::Run(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql)
{
    if (IsPostgres())
        RunPostgres(q, c, i, values, sql);
    else
        RunSqlite(q, c, i, values, sql);
}

void TXDatabase::RunSqlite(QSqlQuery &q, const Compiled &c, qsizetype i, const QVariantList &values,
                           const QString &sql)
{
    const SqlStatement &st = c.sql.statements[i];
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
        QSqlQuery &q = CommandQuery(c, i, sql);
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
        QSqlQuery &q = CommandQuery(c, i, sql);
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
        QSqlQuery &q = CommandQuery(c, i, sql);
        Run(q, c, i, values, sql);
        q.finish();
    }
    QSqlQuery q(db_);
    if (last < 0)
        return q;
    if (IsPostgres()) {
        // Rows fetched whole: the driver's row-by-row mode loses them when another statement runs.
        q.setForwardOnly(false);
    } else {
        q.setForwardOnly(forwardOnly);
        if (!q.prepare(c.texts[last]))
            Fail(q.lastError(), sql);
    }
    Run(q, c, last, values, sql);
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
