#pragma once
// SQLite: the rows of a reading after the first, stepped on the engine's own statement and
// read as Qt's SQLite driver reads them, without the driver's work for every row.
#include <QByteArrayView>
#include <QVarLengthArray>
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
// The statement of q to step on the engine (StatementOnFirstRow, any number of columns) when q
// reads reals as the engine gives them; else null.
sqlite3_stmt *StatementToStep(QSqlQuery &q);
// Column i of the engine's current row as Qt's driver gives it (integer as qlonglong, real as
// double, text as QString, blob as QByteArray, a null as an invalid QVariant).
QVariant ValoreSqlite(sqlite3_stmt *stmt, int i);
// Steps the statement (StatementToStep) to its next row; false past the last, q then done and
// not stepped again. A failure of the engine throws EDatabaseError.
bool PassoSqlite(QSqlQuery &q, sqlite3_stmt *stmt);

// Reads the rows after the first one q gave, each handed to row with the values Qt's driver
// would give (integer as qlonglong, real as double, text as QString, blob as QByteArray), a
// null as an invalid QVariant. False, nothing read, when q is not such a reading (see
// StatementOnFirstRow) or reads reals by another precision: the caller goes on with q.next().
// After true q is done and is not stepped again. A failure of the engine throws
// EDatabaseError. With prime columns and salta, those columns of each row are read first and
// the row is left unread when salta, given the values so far, says so.
bool LeggiRestoSqlite(QSqlQuery &q, QVector<QVariant> &values, const std::function<void(QVector<QVariant> &)> &row,
                      const QList<int> &prime = {}, const std::function<bool(QVector<QVariant> &)> &salta = {});

// Values as bytes, each a byte of its kind (the engine's type code, as sqlite3_column_type)
// times 16 then: an integer its low bytes up to the last not zero, their count added to the
// kind's byte; a real its bit pattern's bytes from the highest down to the last not zero, their
// count added likewise; a text (UTF-8) or a blob its length (4 bytes) and its bytes; a null
// nothing. Each value reads back alone, so a row's bytes tell its values apart.
using ValoriBinari = QVarLengthArray<char, 4096>;
// A value as Qt's SQLite driver gives it (integer, real, QString, QByteArray, null) appended to
// dati in that form; a value of another kind as its text.
void AccodaBinario(ValoriBinari &dati, const QVariant &value);

// Each row of q from the first, which q stands on, handed to row as its values in that form,
// straight from the engine. False, nothing read, when q is not such a reading (see
// StatementOnFirstRow): the caller reads q's values (AccodaBinario). After true q is done and
// is not stepped again. A failure of the engine throws EDatabaseError.
bool LeggiBinarioSqlite(QSqlQuery &q, const std::function<void(QByteArrayView)> &row);

} // namespace kv8db
