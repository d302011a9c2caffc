#include "host/db/SetBasedWork.h"

#include "host/core/Errors.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXScan.h"
#include "host/db/TXTransaction.h"

#include <algorithm>
#include <optional>

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

} // namespace

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
    const int perInsert = std::max(1, std::min(kMaxRowsPerInsert, kMaxValuesPerInsert / int(names.size())));
    const QString full = InsertText(table, names, perInsert);

    std::optional<TXTransaction> own;
    if (!to.InTransaction())
        own.emplace(to);
    QVariantList values;
    values.reserve(perInsert * names.size());
    qint64 copied = 0;
    int pending = 0;
    auto write = [&] {
        to.ExecSQL(pending == perInsert ? full : InsertText(table, names, pending), values);
        copied += pending;
        pending = 0;
        values.clear();
    };
    while (scan->Next()) {
        for (int i = 0; i < names.size(); ++i)
            values.append(scan->Row().value(i));
        if (++pending == perInsert)
            write();
    }
    if (pending > 0)
        write();
    if (own)
        own->Commit();
    return copied;
}

} // namespace kv8db
