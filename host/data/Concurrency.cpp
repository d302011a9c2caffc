#include "host/data/Concurrency.h"

#include "host/core/Errors.h"
#include "host/db/TXDatabase.h"

#include <QRegularExpression>

namespace {
std::function<void(const QString &)> &Handler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}
} // namespace

void kv8data::HoldTable(TXDatabase &db, const QString &table)
{
    if (!db.InTransaction())
        throw EDatabaseError(QStringLiteral("%1: nessuna transazione aperta su %2").arg(table, db.Name()));
    if (!db.IsPostgres())
        return;
    static const QRegularExpression nome(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!nome.match(table).hasMatch())
        throw EDatabaseError(QStringLiteral("Nome di tabella non valido: %1").arg(table));
    // the wait SQLite gives a transaction for its write lock
    db.ExecSQL(QStringLiteral("SET LOCAL lock_timeout = '5s'"));
    db.ExecSQL(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(table));
    db.ExecSQL(QStringLiteral("SET LOCAL lock_timeout = 0"));
}

void kv8data::CheckPoint(const QString &name)
{
    if (Handler())
        Handler()(name);
}

void kv8data::SetCheckPointHandler(std::function<void(const QString &name)> handler)
{
    Handler() = std::move(handler);
}
