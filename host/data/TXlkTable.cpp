#include "host/data/TXlkTable.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace kv8data;

TXlkTable::TXlkTable(QObject *owner) : TXTableBase(owner) {}

TXlkTable::~TXlkTable() = default;

void TXlkTable::InternalOpen()
{
    static const QRegularExpression ident(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!ident.match(tableName_).hasMatch())
        throw EDatabaseError(QStringLiteral("%1: nome della tabella non valido: '%2'").arg(Name(), tableName_));
    TXDatabase &db = Database();
    Listen(&db);
    readInTransaction_ = db.InTransaction();
    QString sql = QStringLiteral("SELECT * FROM ") + tableName_;
    if (!where_.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + where_;
    QStringList order = SplitNames(IndexFieldNames());
    if (order.isEmpty())
        if (const DictTable *t = DataDictionary().Table(tableName_))
            order = t->primaryKey;
    for (const QString &n : order)
        if (!ident.match(n).hasMatch())
            throw EDatabaseError(QStringLiteral("%1: nome di campo non valido: '%2'").arg(Name(), n));
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    QSqlQuery q = db.OpenQuery(sql, {}, true);
    BeginLayout();
    BindQueryColumns(q.record(), {tableName_}, QString(), !db.IsPostgres());
    EndLayout();
    LoadQueryRows(q, db);
}

void TXlkTable::TransactionStarted()
{
    readInTransaction_ = false;
}

void TXlkTable::TransactionCommitted()
{
    readInTransaction_ = false;
}

void TXlkTable::TransactionRolledBack()
{
    const bool stale = Active() && readInTransaction_ && ListenedDatabase()->TransactionWrote(tableName_);
    readInTransaction_ = false;
    if (!stale)
        return;
    if (ConnectionClosing()) {
        Close();
        return;
    }
    try {
        Close();
        Open();
    } catch (const std::exception &e) {
        qWarning("kv8: lookup table %s could not be read again after a rollback: %s", qPrintable(tableName_), e.what());
        Close();
    }
}
