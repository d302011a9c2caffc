#include "host/db/PostgresBackend.h"

#include "host/core/MetaTypes.h"
#include "host/db/CompiledText.h"
#include "host/db/DatabaseErrors.h"
#include "host/db/PostgresResult.h"
#include "host/db/TXScan.h"

#include <QDateTime>
#include <QLocale>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

#include <libpq-fe.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

namespace kv8db {

namespace {

constexpr qsizetype kMaxServerStatements = 300;
const QLatin1String kSavepoint("kv8_stmt");

} // namespace

PostgresBackend::PostgresBackend(TXDatabase &owner) : owner_(owner) {}

PostgresBackend::~PostgresBackend() = default;

void PostgresBackend::Open(const QString &url)
{
    if (const QString problem = PostgresUrlProblem(url); !problem.isEmpty())
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
        TXDatabase::CheckIdentifier(schema_, "schema", owner_.shown_);
    QSqlDatabase &db = owner_.db_;
    db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), owner_.connectionName_);
    db.setHostName(u.host());
    db.setPort(u.port(5432));
    db.setUserName(u.userName(QUrl::FullyDecoded));
    db.setPassword(u.password(QUrl::FullyDecoded));
    db.setDatabaseName(u.path(QUrl::FullyDecoded).mid(1));
    db.setConnectOptions(options.join(u';'));
    if (!db.open()) {
        LogFailure(owner_.shown_, db.lastError(), QString());
        throw EDatabaseError(ConnectionFailure(db.lastError(), owner_.shown_));
    }
    if (const QVariant handle = db.driver()->handle(); qstrcmp(handle.typeName(), "pg_conn*") == 0)
        connection_ = *static_cast<PGconn *const *>(handle.constData());
    if (!connection_)
        throw EDatabaseError(QStringLiteral("Il driver PostgreSQL non dà accesso alla connessione con il database %1: "
                                            "installare il driver fornito con il programma.")
                                 .arg(owner_.shown_));
    owner_.Raw(QStringLiteral("SET client_min_messages TO warning"));
    // room for the registers' temporary work tables in memory (only what they use is taken);
    // settable only before the session's first temporary table
    owner_.Raw(QStringLiteral("SET temp_buffers TO '64MB'"));

    // Timestamps are stored as the local wall-clock time: the driver sends dates as UTC
    // and reads them back as local time, which holds only with the session in the local zone.
    const QString zone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
    bool zoneSet = false;
    if (!zone.isEmpty() && !zone.contains(u'\'')) {
        try {
            owner_.Raw(QStringLiteral("SET TIME ZONE ") + XWideQuotedStr(zone));
            zoneSet = true;
        } catch (const EDatabaseError &) {
        }
    }
    if (!zoneSet) {
        const int offset = QDateTime::currentDateTime().offsetFromUtc();
        owner_.Raw(QStringLiteral("SET TIME ZONE INTERVAL '%1%2:%3' HOUR TO MINUTE")
                       .arg(offset < 0 ? u'-' : u'+')
                       .arg(qAbs(offset) / 3600, 2, 10, QLatin1Char('0'))
                       .arg(qAbs(offset) % 3600 / 60, 2, 10, QLatin1Char('0')));
    }

    if (!schema_.isEmpty()) {
        const QString exists = QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = ?");
        if (!owner_.ScalarValue(exists, {schema_}).isValid()) {
            try {
                owner_.Raw(QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + schema_);
            } catch (const EDatabaseError &) {
                // another connection may have created it at the same moment
                if (!owner_.ScalarValue(exists, {schema_}).isValid())
                    throw;
            }
        }
        owner_.Raw(QStringLiteral("SET search_path TO ") + schema_);
    }
}

void PostgresBackend::Release()
{
    connection_ = nullptr;
}

void PostgresBackend::Begin()
{
    owner_.Raw(QStringLiteral("BEGIN; SAVEPOINT ") + kSavepoint, 2);
    savepoint_ = true;
    savepointDirty_ = false;
}

void PostgresBackend::Ended(bool rolledBack)
{
    savepoint_ = false;
    if (rolledBack)
        sequences_.clear(); // what the transaction created is gone with it
}

bool PostgresBackend::Connected() const
{
    return connection_ && PQstatus(connection_) == CONNECTION_OK;
}

bool PostgresBackend::TransactionOpen() const
{
    if (!Connected())
        return false;
    const PGTransactionStatusType status = PQtransactionStatus(connection_);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

// A statement now prepared on the server; past the cache's size the one run longest ago is
// dropped, to be deallocated with the next message.
void PostgresBackend::KeepServerStatement(const QString &text, const QString &name)
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

// What a message sends ahead of a statement: inside a transaction the savepoint that lets a failed
// statement undo only itself, renewed after a write; the statements dropped from the cache; the
// statement itself prepared, seen for the first time.
PostgresBackend::Message PostgresBackend::Plan(bool prepared, const QString &text)
{
    Message m;
    if (owner_.inTransaction_) {
        if (!savepoint_)
            m.savepoint = Savepoint::Set;
        else if (savepointDirty_)
            m.savepoint = Savepoint::Renew;
    }
    m.deallocating = int(retiredStatements_.size());
    if (prepared) {
        if (const auto it = statementNames_.find(text); it != statementNames_.end()) {
            m.name = it->name;
            it->lastRun = ++statementRuns_;
        } else {
            m.name = QStringLiteral("kv8_%1").arg(++statementCounter_);
            m.preparing = true;
        }
    }
    return m;
}

// The statements of m that ran (succeeded of them, in order) kept: true when the caller's ran.
bool PostgresBackend::Settle(const Message &m, const SqlStatement &st, const QString &text, int succeeded)
{
    const int deallocateAt = m.Ahead() - m.deallocating - (m.preparing ? 1 : 0);
    retiredStatements_.remove(0, std::clamp(succeeded - deallocateAt, 0, m.deallocating));
    if (m.preparing && succeeded >= m.Ahead())
        KeepServerStatement(text, m.name);
    if (succeeded <= m.Ahead())
        return false;
    if (owner_.inTransaction_) {
        savepoint_ = true;
        // a read leaves the savepoint where it is: nothing to undo before it
        savepointDirty_ = !st.readOnly;
    }
    return true;
}

// After a failed message: inside a transaction back to the savepoint. True when the statement
// is to run again: a prepared SELECT * whose table gained a column since, prepared again once.
bool PostgresBackend::Recover(const Message &m, const QSqlError &error, int attempt, const QString &text,
                              const QString &sql)
{
    if (owner_.inTransaction_) {
        if (!TransactionOpen()) {
            savepoint_ = false;
            return false; // the connection is gone, the transaction with it: failed as it is
        }
        QSqlQuery undo(owner_.db_);
        const QString back = QStringLiteral("ROLLBACK TO SAVEPOINT ") + kSavepoint;
        if (!undo.exec(back)) {
            savepoint_ = false;
            LogFailure(owner_.shown_, error, sql);
            if (!TransactionOpen()) // lost while going back
                owner_.Fail(error, sql);
            LogFailure(owner_.shown_, undo.lastError(), back);
            const QString message = QStringLiteral("La transazione sul database %1 non è più utilizzabile dopo un "
                                                   "errore: annullarla e ripetere l'operazione dall'inizio.")
                                        .arg(owner_.shown_);
            owner_.LoseTransaction(message);
            throw ETransactionLost(message);
        }
        savepoint_ = true;
        savepointDirty_ = false;
    }
    if (attempt == 0 && !m.name.isEmpty() && !m.preparing && error.nativeErrorCode() == QLatin1String("0A000")) {
        statementNames_.remove(text);
        retiredStatements_.append(m.name);
        return true;
    }
    return false;
}

namespace {

// Values as the texts of parameters, and the pointers libpq takes (null for NULL).
struct Parameters {
    std::vector<QByteArray> texts;
    std::vector<const char *> pointers;
};

} // namespace

struct PostgresBackend::Request {
    const SqlStatement &st; // what the statement reads or writes
    QString key;            // the statement's text among those prepared on the server
    bool prepared;          // kept prepared on the server under a name
    QByteArray statement;   // the text sent
    Parameters values;
    bool rowByRow = false; // the rows handed over a result each (single-row mode)
};

PostgresBackend::Request PostgresBackend::Statement(const Compiled &c, qsizetype i, const QVariantList &values) const
{
    const SqlStatement &st = c.sql.statements[i];
    if (!st.preparable)
        return {st, c.texts[i], false, st.Join([&](int slot) { return Literal(values[slot]); }).toUtf8(), {}};
    Request r{st, c.texts[i], true, c.texts[i].toUtf8(), {}};
    r.values.texts.reserve(values.size());
    r.values.pointers.reserve(values.size());
    for (const QVariant &v : values) {
        r.values.texts.push_back(ParameterText(v));
        r.values.pointers.push_back(r.values.texts.back().isNull() ? nullptr : r.values.texts.back().constData());
    }
    return r;
}

// The message of Plan in libpq's pipeline, one round trip: the statements ahead, then the
// request with its values as parameters. Each result of the request goes to take, which owns it.
void PostgresBackend::Pipeline(const Request &rq, const std::function<void(PGresult *)> &take, const QString &sql)
{
    PGconn *const pg = connection_;
    const int valueCount = int(rq.values.pointers.size());
    for (int attempt = 0;; ++attempt) {
        const Message m = Plan(rq.prepared, rq.key);
        const QByteArray name = m.name.toLatin1();
        // whatever the driver left unread goes first: the pipeline starts on an idle connection
        while (PGresult *left = PQgetResult(pg))
            PQclear(left);
        int sent = 0;
        bool ok = PQenterPipelineMode(pg) == 1;
        const auto queued = [&](int result) {
            ok = ok && result == 1;
            sent += ok ? 1 : 0;
        };
        const auto send = [&](const QByteArray &command) {
            queued(ok ? PQsendQueryParams(pg, command.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0) : 0);
        };
        if (m.savepoint == Savepoint::Set) {
            send("SAVEPOINT kv8_stmt");
        } else if (m.savepoint == Savepoint::Renew) {
            send("RELEASE SAVEPOINT kv8_stmt");
            send("SAVEPOINT kv8_stmt");
        }
        for (const QString &old : std::as_const(retiredStatements_))
            send("DEALLOCATE " + old.toLatin1());
        if (m.preparing)
            queued(ok ? PQsendPrepare(pg, name.constData(), rq.statement.constData(), 0, nullptr) : 0);
        if (name.isEmpty())
            queued(ok ? PQsendQueryParams(pg, rq.statement.constData(), valueCount, nullptr, rq.values.pointers.data(),
                                          nullptr, nullptr, 0)
                      : 0);
        else
            queued(ok ? PQsendQueryPrepared(pg, name.constData(), valueCount, rq.values.pointers.data(), nullptr,
                                            nullptr, 0)
                      : 0);
        if (PQpipelineStatus(pg) == PQ_PIPELINE_ON && PQpipelineSync(pg) != 1)
            sent = 0; // nothing reached the server

        // each statement's result, the first error kept; those after it are skipped by the server
        int succeeded = 0;
        QString failure, state;
        std::exception_ptr thrown; // by take: the rest is read and dropped, then it goes on
        for (int k = 0; k < sent; ++k) {
            const bool request = k == m.Ahead();
            if (request && rq.rowByRow)
                PQsetSingleRowMode(pg);
            bool ran = true, any = false;
            while (PGresult *r = PQgetResult(pg)) {
                any = true;
                const ExecStatusType status = PQresultStatus(r);
                if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE) {
                    if (request && take && !thrown) {
                        try {
                            take(r);
                        } catch (...) {
                            thrown = std::current_exception();
                        }
                        continue;
                    }
                } else {
                    ran = false;
                    if (status != PGRES_PIPELINE_ABORTED && failure.isEmpty()) {
                        failure = QString::fromUtf8(PQresultErrorMessage(r));
                        state = QString::fromLatin1(PQresultErrorField(r, PG_DIAG_SQLSTATE));
                    }
                }
                PQclear(r);
            }
            if (!any) // the connection gave no result: nothing more comes
                break;
            if (ran && succeeded == k)
                ++succeeded;
        }
        if (PQpipelineStatus(pg) != PQ_PIPELINE_OFF) {
            while (PGresult *r = PQgetResult(pg)) {
                const bool synced = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
                PQclear(r);
                if (synced)
                    break;
            }
            PQexitPipelineMode(pg);
        }
        const bool done = Settle(m, rq.st, rq.key, succeeded);
        if (thrown)
            std::rethrow_exception(thrown);
        if (done)
            return;
        const bool broken = PQstatus(pg) != CONNECTION_OK;
        if (failure.isEmpty())
            failure = QString::fromUtf8(PQerrorMessage(pg));
        const QSqlError error(QStringLiteral("Unable to create query"), failure,
                              broken ? QSqlError::ConnectionError : QSqlError::StatementError, state);
        if (!Recover(m, error, attempt, rq.key, sql))
            owner_.Fail(error, sql, rq.st.writtenTable);
    }
}

int PostgresBackend::Exec(const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql)
{
    owner_.NoteStatement(c.sql.statements[i]);
    int rows = 0;
    Pipeline(
        Statement(c, i, values),
        [&](PGresult *r) {
            rows = QByteArray(PQcmdTuples(r)).toInt();
            PQclear(r);
        },
        sql);
    return rows;
}

QSqlQuery PostgresBackend::Reader(const Compiled &c, qsizetype i, const QVariantList &values, const QString &sql)
{
    owner_.NoteStatement(c.sql.statements[i]);
    return Whole(Statement(c, i, values), sql);
}

QSqlQuery PostgresBackend::Whole(const Request &rq, const QString &sql)
{
    auto *result = new PostgresResult(owner_.db_.driver(), sql);
    QSqlQuery q(result);
    Pipeline(
        rq, [&](PGresult *r) { result->Add(r); }, sql);
    return q;
}

void PostgresBackend::ReadAll(const Compiled &c, const QVariantList &values,
                              const std::function<void(const QSqlRecord &)> &layout,
                              const std::function<void(QSqlQuery &)> &row, const QString &sql)
{
    owner_.NoteStatement(c.sql.statements[0]);
    auto *result = new PostgresResult(owner_.db_.driver(), sql);
    QSqlQuery q(result);
    Request rq = Statement(c, 0, values);
    rq.rowByRow = true;
    bool laidOut = false;
    Pipeline(
        rq,
        [&](PGresult *r) {
            result->SetRow(r);
            if (!laidOut) {
                laidOut = true;
                layout(q.record());
            }
            if (q.isValid())
                row(q);
            result->Release();
        },
        sql);
}

void PostgresBackend::OpenScan(TXScan &scan, const Compiled &c, const QVariantList &values, const QString &sql)
{
    const qsizetype last = c.sql.statements.size() - 1;
    for (qsizetype i = 0; i < last; ++i)
        Exec(c, i, values, sql);
    const QString name = QStringLiteral("kv8_scan_%1").arg(++scanCounter_);
    SqlStatement declaring;
    declaring.readOnly = true; // reads as its SELECT does
    owner_.NoteStatement(declaring);
    Request rq = Statement(c, last, values);
    Request declare{declaring, QString(), false,
                    QStringLiteral("DECLARE %1 NO SCROLL CURSOR WITH HOLD FOR ").arg(name).toUtf8() + rq.statement,
                    std::move(rq.values)};
    Pipeline(declare, nullptr, sql);
    // the savepoint a later failure goes back to is set after the cursor: it stays open
    if (owner_.inTransaction_)
        savepointDirty_ = true;
    scan.cursor_ = name;
    scan.inTransaction_ = owner_.inTransaction_;
    scan.Fetch();
}

QSqlQuery PostgresBackend::FetchScan(const QString &cursor, int rows, const QString &sql)
{
    SqlStatement fetching;
    fetching.readOnly = true; // FETCH changes no row
    owner_.NoteStatement(fetching);
    return Whole(
        {fetching, QString(), false, QStringLiteral("FETCH FORWARD %1 FROM %2").arg(rows).arg(cursor).toUtf8(), {}},
        sql);
}

void PostgresBackend::CloseScanCursor(const QString &name)
{
    QSqlQuery q(owner_.db_);
    if (!owner_.inTransaction_) {
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

QString PostgresBackend::SequenceName(const QString &table, const QString &column)
{
    return (table + u'_' + column + QStringLiteral("_seq")).toLower();
}

qint64 PostgresBackend::NewKey(const QString &table, const QString &column)
{
    const QString sequence = SequenceName(table, column);
    TXDatabase::CheckIdentifier(sequence, "sequenza", owner_.shown_);
    if (!sequences_.contains(sequence)) {
        const QString exists = QStringLiteral("SELECT to_regclass(?) IS NOT NULL");
        if (!owner_.ScalarValue(exists, {sequence}).toBool()) {
            const qint64 start =
                owner_.ScalarValue(QStringLiteral("SELECT COALESCE(MAX(%1), 0) + 1 FROM %2").arg(column, table))
                    .toLongLong();
            try {
                owner_.WriteKeyStore(
                    sequence, QStringLiteral("CREATE SEQUENCE IF NOT EXISTS %1 START WITH %2").arg(sequence).arg(start),
                    {});
            } catch (const EDatabaseError &) {
                // created by another connection at the same moment
                if (!owner_.ScalarValue(exists, {sequence}).toBool())
                    throw;
            }
        }
        sequences_.insert(sequence, true);
    }
    const QString quoted = XWideQuotedStr(sequence);
    if (!owner_.inTransaction_)
        return owner_.ScalarValue(QStringLiteral("SELECT nextval(%1)").arg(quoted)).toLongLong();
    // in a transaction a batch loop takes its keys in growing blocks (those left unused are
    // lost, as a rollback loses them)
    owner_.NoteKeyAsked(table, column, sequence);
    TXDatabase::KeyBlock &block = owner_.keyBlocks_[sequence];
    if (block.next <= block.last)
        return block.next++;
    const qint64 size = owner_.NextBlockSize(block);
    QSqlQuery q = owner_.OpenQuery(QStringLiteral("SELECT MIN(k), MAX(k) FROM (SELECT nextval(%1) AS k FROM "
                                                  "generate_series(1, CAST(? AS INTEGER))) AS drawn")
                                       .arg(quoted),
                                   {size});
    if (!q.next())
        throw EDatabaseError(QStringLiteral("Il database %1 non ha dato una nuova chiave per %2.%3: ripetere "
                                            "l'operazione.")
                                 .arg(owner_.shown_, table, column));
    const qint64 first = q.value(0).toLongLong();
    block.last = q.value(1).toLongLong();
    // drawn while another connection drew too, the values are not one run: the last one serves
    const qint64 from = block.last - first + 1 == size ? first : block.last;
    block.next = from + 1;
    return from;
}

QByteArray PostgresBackend::ParameterText(const QVariant &value) const
{
    if (value.isNull())
        return QByteArray();
    switch (value.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString *>(value.constData())->toUtf8();
    case QMetaType::QDateTime: {
        // the local wall-clock time, as timestamps are stored (see Open)
        const QDateTime &dt = *static_cast<const QDateTime *>(value.constData());
        const QDateTime local = dt.timeSpec() == Qt::LocalTime ? dt : dt.toLocalTime();
        return local.toString(QLatin1String(local.time().msec() ? "yyyy-MM-dd hh:mm:ss.zzz" : "yyyy-MM-dd hh:mm:ss"))
            .toLatin1();
    }
    case QMetaType::QDate:
        return static_cast<const QDate *>(value.constData())->toString(QLatin1String("yyyy-MM-dd")).toLatin1();
    case QMetaType::QTime:
        return static_cast<const QTime *>(value.constData())->toString(QLatin1String("hh:mm:ss.zzz")).toLatin1();
    case QMetaType::Bool:
        return value.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
    case QMetaType::QByteArray:
        return "\\x" + static_cast<const QByteArray *>(value.constData())->toHex();
    case QMetaType::Double: {
        const double d = *static_cast<const double *>(value.constData());
        if (std::isnan(d))
            return QByteArrayLiteral("NaN");
        if (std::isinf(d))
            return d > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
        return Literal(value).toLatin1();
    }
    default:
        return IsIntegerMetaType(value.typeId()) ? Literal(value).toLatin1() : value.toString().toUtf8();
    }
}

QString PostgresBackend::Literal(const QVariant &value) const
{
    const QSqlDriver *driver = owner_.db_.driver();
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
            return owner_.DateText(*static_cast<const QDateTime *>(value.constData()), [&] {
                QSqlField field(QString(), value.metaType());
                field.setValue(value);
                return driver->formatValue(field);
            });
        default:
            break;
        }
    }
    QSqlField field(QString(), value.metaType());
    if (!value.isNull())
        field.setValue(value);
    return driver->formatValue(field);
}

QString PostgresBackend::ArrayText(const QVariantList &values) const
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
        if (IsIntegerMetaType(v.typeId())) {
            out += Literal(v);
            continue;
        }
        QString text;
        switch (v.typeId()) {
        case QMetaType::Bool:
            out += v.toBool() ? u'1' : u'0';
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
            text = open >= 0 && close > open
                       ? literal.mid(open + 1, close - open - 1).replace(QLatin1String("''"), QLatin1String("'"))
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

} // namespace kv8db
