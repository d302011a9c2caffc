#pragma once
// SQLite: the rows of a reading after the first, stepped on the engine's own statement and
// read as Qt's SQLite driver reads them, without the driver's work for every row.
#include <QVariant>
#include <QVector>

#include <functional>

class QSqlQuery;
struct sqlite3_stmt;

namespace kv8db {

// The engine's statement of q, a reading of Qt's SQLite driver that gave its first row and
// stands on it with columns columns (-1: any number but none; the driver steps a statement to the first row when it
// runs it and gives that row without stepping again; checked on the first column); null
// when any of this does not hold.
sqlite3_stmt *StatementOnFirstRow(QSqlQuery &q, int columns);

// Reads the rows after the first one q gave, each handed to row with the values Qt's driver
// would give (integer as qlonglong, real as double, text as QString, blob as QByteArray), a
// null as an invalid QVariant. False, nothing read, when q is not such a reading (see
// StatementOnFirstRow) or reads reals by another precision: the caller goes on with q.next().
// After true q is done and is not stepped again. A failure of the engine throws
// EDatabaseError.
bool LeggiRestoSqlite(QSqlQuery &q, QVector<QVariant> &values, const std::function<void(QVector<QVariant> &)> &row);

} // namespace kv8db
