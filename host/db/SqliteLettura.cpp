#include "host/db/SqliteLettura.h"

#include "host/core/Errors.h"
#include "host/db/DatabaseErrors.h"
#include "host/db/TXDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QtAlgorithms>
#include <QtEndian>

#include <cstring>
#include <vector>

#include <sqlite3.h>

namespace kv8db {

namespace {

// The end of a reading stepped on the engine's statement: a failure throws as the driver's does.
void FineLettura(QSqlQuery &q, sqlite3_stmt *stmt, int rc)
{
    if (rc != SQLITE_DONE) {
        sqlite3 *db = sqlite3_db_handle(stmt);
        const QSqlError error(QString::fromUtf16(static_cast<const char16_t *>(sqlite3_errmsg16(db))), QString(),
                              QSqlError::StatementError, QString::number(sqlite3_extended_errcode(db)));
        sqlite3_reset(stmt);
        const QString shown =
            ShownDatabase(QStringLiteral("sqlite:") + QString::fromUtf8(sqlite3_db_filename(db, "main")));
        LogFailure(shown, error, q.lastQuery());
        throw EDatabaseError(DescribeFailure(error, DbEngine::SQLite, shown).message);
    }
    // the read lock goes as the driver lets it go at the end of its rows
    sqlite3_reset(stmt);
}

// The most a number takes in the form of ValoriBinari, and what a text takes before its bytes.
constexpr qsizetype kNumero = 9;
constexpr qsizetype kTesto = 5;

// Each writes a value at p in the form of ValoriBinari and answers the bytes written.
qsizetype ScriviIntero(char *p, qint64 valore)
{
    const auto bits = quint64(valore);
    const int n = bits ? 8 - qCountLeadingZeroBits(bits) / 8 : 0;
    p[0] = char(SQLITE_INTEGER << 4 | n);
    qToLittleEndian(bits, p + 1);
    return 1 + n;
}

qsizetype ScriviReale(char *p, double valore)
{
    quint64 bits;
    std::memcpy(&bits, &valore, sizeof bits);
    const int n = bits ? 8 - qCountTrailingZeroBits(bits) / 8 : 0;
    p[0] = char(SQLITE_FLOAT << 4 | n);
    qToBigEndian(bits, p + 1);
    return 1 + n;
}

qsizetype ScriviBytes(char *p, int tipo, const char *bytes, qint32 size)
{
    p[0] = char(tipo << 4);
    qToLittleEndian(size, p + 1);
    if (size > 0)
        std::memcpy(p + kTesto, bytes, size_t(size));
    return kTesto + size;
}

} // namespace

sqlite3_stmt *StatementOnFirstRow(QSqlQuery &q, int columns)
{
    if (q.at() != 0)
        return nullptr;
    const QVariant h = q.result() ? q.result()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    sqlite3_stmt *stmt = *static_cast<sqlite3_stmt *const *>(h.constData());
    if (!stmt || !sqlite3_stmt_busy(stmt) || (columns >= 0 && sqlite3_data_count(stmt) != columns)
        || sqlite3_data_count(stmt) == 0)
        return nullptr;
    const QVariant first = q.value(0);
    switch (sqlite3_column_type(stmt, 0)) {
    case SQLITE_INTEGER:
        return first.toLongLong() == sqlite3_column_int64(stmt, 0) ? stmt : nullptr;
    case SQLITE_FLOAT:
        return first.toDouble() == sqlite3_column_double(stmt, 0) ? stmt : nullptr;
    case SQLITE_NULL:
        return first.isNull() ? stmt : nullptr;
    default:
        return first.toString() == QString::fromUtf16(static_cast<const char16_t *>(sqlite3_column_text16(stmt, 0)))
                   ? stmt
                   : nullptr;
    }
}

QVariant ValoreSqlite(sqlite3_stmt *stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB: {
        const char *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, i));
        return QVariant(QByteArray(bytes, sqlite3_column_bytes(stmt, i)));
    }
    default: {
        // the engine's own UTF-8, converted once (the driver has it converted to UTF-16 first)
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, i)));
    }
    }
}

sqlite3_stmt *StatementToStep(QSqlQuery &q)
{
    const QSql::NumericalPrecisionPolicy precision = q.numericalPrecisionPolicy();
    if (precision != QSql::LowPrecisionDouble && precision != QSql::HighPrecision)
        return nullptr;
    return StatementOnFirstRow(q, -1);
}

bool PassoSqlite(QSqlQuery &q, sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    FineLettura(q, stmt, rc);
    return false;
}

bool LeggiRestoSqlite(QSqlQuery &q, QVector<QVariant> &values, const std::function<void(QVector<QVariant> &)> &row,
                      const QList<int> &prime, const std::function<bool(QVector<QVariant> &)> &salta)
{
    sqlite3_stmt *stmt = StatementToStep(q);
    if (!stmt)
        return false;
    const int n = sqlite3_data_count(stmt);
    const bool primaPrime = salta && !prime.isEmpty();
    std::vector<char> letta(primaPrime ? size_t(n) : 0, 0);
    for (const int i : prime)
        if (primaPrime && i >= 0 && i < n)
            letta[size_t(i)] = 1;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        values.resize(n);
        if (primaPrime) {
            for (const int i : prime)
                if (i >= 0 && i < n)
                    values[i] = ValoreSqlite(stmt, i);
            if (salta(values))
                continue;
        }
        for (int i = 0; i < n; ++i)
            if (!primaPrime || !letta[size_t(i)])
                values[i] = ValoreSqlite(stmt, i);
        row(values);
    }
    FineLettura(q, stmt, rc);
    return true;
}

void AccodaBinario(ValoriBinari &dati, const QVariant &value)
{
    const qsizetype at = dati.size();
    if (value.isNull()) {
        dati.append(char(SQLITE_NULL << 4));
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Double:
        dati.resize(at + kNumero);
        dati.resize(at + ScriviReale(dati.data() + at, value.toDouble()));
        return;
    case QMetaType::LongLong:
    case QMetaType::Int:
        dati.resize(at + kNumero);
        dati.resize(at + ScriviIntero(dati.data() + at, value.toLongLong()));
        return;
    default: {
        const bool blob = value.typeId() == QMetaType::QByteArray;
        const QByteArray bytes = blob ? value.toByteArray() : value.toString().toUtf8();
        dati.resize(at + kTesto + bytes.size());
        ScriviBytes(dati.data() + at, blob ? SQLITE_BLOB : SQLITE_TEXT, bytes.constData(), bytes.size());
    }
    }
}

bool LeggiBinarioSqlite(QSqlQuery &q, const std::function<void(QByteArrayView)> &row)
{
    sqlite3_stmt *stmt = StatementOnFirstRow(q, -1);
    if (!stmt)
        return false;
    const int n = sqlite3_data_count(stmt);
    ValoriBinari dati;
    int rc;
    do {
        // room for every value as a number; a text or a blob makes room of its own
        if (dati.size() < qsizetype(n) * kNumero)
            dati.resize(qsizetype(n) * kNumero);
        qsizetype at = 0;
        for (int i = 0; i < n; ++i) {
            const int tipo = sqlite3_column_type(stmt, i);
            switch (tipo) {
            case SQLITE_INTEGER:
                at += ScriviIntero(dati.data() + at, sqlite3_column_int64(stmt, i));
                break;
            case SQLITE_FLOAT:
                at += ScriviReale(dati.data() + at, sqlite3_column_double(stmt, i));
                break;
            case SQLITE_NULL:
                dati[at++] = char(SQLITE_NULL << 4);
                break;
            default: {
                // the bytes asked before their length, as the engine wants
                const char *bytes = tipo == SQLITE_BLOB ? static_cast<const char *>(sqlite3_column_blob(stmt, i))
                                                        : reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
                const int size = sqlite3_column_bytes(stmt, i);
                const qsizetype fine = at + kTesto + size + qsizetype(n - i - 1) * kNumero;
                if (dati.size() < fine)
                    dati.resize(fine);
                at += ScriviBytes(dati.data() + at, tipo, bytes, size);
            }
            }
        }
        row(QByteArrayView(dati.constData(), at));
    } while ((rc = sqlite3_step(stmt)) == SQLITE_ROW);
    FineLettura(q, stmt, rc);
    return true;
}

} // namespace kv8db
