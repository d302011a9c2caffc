#include "host/db/SetBasedWork.h"

#include "host/core/Errors.h"
#include "host/db/DatabaseErrors.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXScan.h"
#include "host/db/TXTransaction.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace kv8db {

namespace {

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

// The engine's handle of a connection of Qt's SQLite driver (which links the same SQLite
// library as this one); null for another driver.
sqlite3 *SqliteHandle(const TXDatabase &db)
{
    const QVariant h = db.Connection().driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

} // namespace

// One row's statement prepared on the engine; the values bound to it are held until it runs.
struct ScritturaRighe::Nativo {
    sqlite3 *db = nullptr;
    sqlite3_stmt *stmt = nullptr;
    std::vector<QVariant> held;
    ~Nativo() { sqlite3_finalize(stmt); }
};

ScritturaRighe::ScritturaRighe(TXDatabase &to, const QString &table, const QStringList &columns)
    : to_(to), table_(table), names_(columns), columns_(int(columns.size()))
{
    if (!to.IsPostgres()) {
        if (sqlite3 *db = SqliteHandle(to)) {
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

void ScritturaRighe::Valore(const QVariant &value)
{
    if (native_ && rows_ > 0) {
        // bound as Qt's SQLite driver binds the values of ExecSQL
        QVariant &v = native_->held[size_t(column_)];
        v = to_.ToDb(value);
        const int at = column_ + 1;
        int rc;
        if (v.isNull() || (v.typeId() == QMetaType::QString && static_cast<const QString *>(v.constData())->isNull()))
            rc = sqlite3_bind_null(native_->stmt, at);
        else
            switch (v.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                rc = sqlite3_bind_int64(native_->stmt, at, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(native_->stmt, at, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray *b = static_cast<const QByteArray *>(v.constData());
                rc = sqlite3_bind_blob(native_->stmt, at, b->constData(), int(b->size()), SQLITE_STATIC);
                break;
            }
            default: {
                if (v.typeId() != QMetaType::QString)
                    v = v.toString();
                const QString *t = static_cast<const QString *>(v.constData());
                rc = sqlite3_bind_text16(native_->stmt, at, t->utf16(), int(t->size() * 2), SQLITE_STATIC);
            }
            }
        if (rc != SQLITE_OK)
            Fallita();
    } else {
        pending_.append(value);
    }
    if (++column_ < columns_)
        return;
    column_ = 0;
    if (native_ && rows_ > 0) {
        if (sqlite3_step(native_->stmt) != SQLITE_DONE)
            Fallita();
        sqlite3_reset(native_->stmt);
        ++rows_;
    } else if (++pendingRows_ == perInsert_) {
        Scrivi();
    }
}

// A SQLite reading on another database whose last row was given by Qt and written: the rest
// stepped on the engine and bound straight, value for value as the engine holds it. Qt's
// SQLite driver steps a statement to the first row when it runs it and gives that row without
// stepping again, so the statement still stands on the row written (checked on its first
// column); false, nothing done, when any of this does not hold.
bool ScritturaRighe::CopiaDalMotore(QSqlQuery &rows, const TXDatabase &from)
{
    if (!native_ || rows_ != 1 || column_ != 0 || from.IsPostgres() || SqliteHandle(from) == native_->db)
        return false;
    const QVariant h = rows.result() ? rows.result()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0)
        return false;
    sqlite3_stmt *sel = *static_cast<sqlite3_stmt *const *>(h.constData());
    if (!sel || !sqlite3_stmt_busy(sel) || sqlite3_data_count(sel) != columns_)
        return false;
    const QVariant first = rows.value(0);
    switch (sqlite3_column_type(sel, 0)) {
    case SQLITE_INTEGER:
        if (first.toLongLong() != sqlite3_column_int64(sel, 0))
            return false;
        break;
    case SQLITE_FLOAT:
        if (first.toDouble() != sqlite3_column_double(sel, 0))
            return false;
        break;
    case SQLITE_NULL:
        if (!first.isNull())
            return false;
        break;
    default:
        if (first.toString() != QString::fromUtf16(static_cast<const char16_t *>(sqlite3_column_text16(sel, 0))))
            return false;
    }
    int rc;
    while ((rc = sqlite3_step(sel)) == SQLITE_ROW) {
        for (int i = 0; i < columns_; ++i)
            if (sqlite3_bind_value(native_->stmt, i + 1, sqlite3_column_value(sel, i)) != SQLITE_OK)
                Fallita();
        if (sqlite3_step(native_->stmt) != SQLITE_DONE)
            Fallita();
        sqlite3_reset(native_->stmt);
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

qint64 CopiaRighe(TXDatabase &from, const QString &select, const QVariantList &params, TXDatabase &to,
                  const QString &table, const QStringList &columns)
{
    std::unique_ptr<TXScan> scan = from.OpenScan(select, params);
    const QSqlRecord record = scan->Record();
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
    std::optional<TXTransaction> own;
    if (!to.InTransaction())
        own.emplace(to);
    ScritturaRighe righe(to, table, names);
    if (scan->Next()) {
        righe.Aggiungi(scan->Row());
        if (!righe.CopiaDalMotore(scan->Row(), from))
            while (scan->Next())
                righe.Aggiungi(scan->Row());
    }
    righe.Chiudi();
    if (own)
        own->Commit();
    return righe.Righe();
}

} // namespace kv8db
