#include "host/db/SqliteLettura.h"

#include "host/core/Errors.h"
#include "host/db/DatabaseErrors.h"
#include "host/db/TXDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

#include <sqlite3.h>

namespace kv8db {

sqlite3_stmt *StatementOnFirstRow(QSqlQuery &q, int columns)
{
    if (q.at() != 0)
        return nullptr;
    const QVariant h = q.result() ? q.result()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    sqlite3_stmt *stmt = *static_cast<sqlite3_stmt *const *>(h.constData());
    if (!stmt || !sqlite3_stmt_busy(stmt) || (columns >= 0 && sqlite3_data_count(stmt) != columns) ||
        sqlite3_data_count(stmt) == 0)
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

bool LeggiRestoSqlite(QSqlQuery &q, QVector<QVariant> &values, const std::function<void(QVector<QVariant> &)> &row)
{
    const QSql::NumericalPrecisionPolicy precision = q.numericalPrecisionPolicy();
    if (precision != QSql::LowPrecisionDouble && precision != QSql::HighPrecision)
        return false;
    sqlite3_stmt *stmt = StatementOnFirstRow(q, -1);
    if (!stmt)
        return false;
    const int n = sqlite3_data_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        values.resize(n);
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER:
                values[i] = QVariant(qlonglong(sqlite3_column_int64(stmt, i)));
                break;
            case SQLITE_FLOAT:
                values[i] = QVariant(sqlite3_column_double(stmt, i));
                break;
            case SQLITE_NULL:
                values[i] = QVariant();
                break;
            case SQLITE_BLOB: {
                const char *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, i));
                values[i] = QVariant(QByteArray(bytes, sqlite3_column_bytes(stmt, i)));
                break;
            }
            default: {
                // the engine's own UTF-8, converted once (the driver has it converted to UTF-16 first)
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
                values[i] = QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, i)));
            }
            }
        }
        row(values);
    }
    if (rc != SQLITE_DONE) {
        sqlite3 *db = sqlite3_db_handle(stmt);
        const QSqlError error(QString::fromUtf16(static_cast<const char16_t *>(sqlite3_errmsg16(db))), QString(),
                              QSqlError::StatementError, QString::number(sqlite3_extended_errcode(db)));
        sqlite3_reset(stmt);
        const QString shown = ShownDatabase(QStringLiteral("sqlite:") + QString::fromUtf8(sqlite3_db_filename(db, "main")));
        LogFailure(shown, error, q.lastQuery());
        throw EDatabaseError(DescribeFailure(error, DbEngine::SQLite, shown).message);
    }
    // the read lock goes as the driver lets it go at the end of its rows
    sqlite3_reset(stmt);
    return true;
}

} // namespace kv8db
