#pragma once
// PostgreSQL: the values of the row a reading of the layer's own stands on, read from the
// server's result as Qt's driver reads them, without its work for every value.
#include <QVariant>

#include <cstddef>

class QSqlQuery;
struct pg_result;

namespace kv8db {

// The server's result a reading stands on and its row in it.
struct RigaPostgres {
    const pg_result *risultato = nullptr;
    int riga = 0;
    bool floatDouble = false; // the driver gives floats as double
    explicit operator bool() const { return risultato != nullptr; }
};

// The row q stands on; none when q is not a PostgreSQL reading of the layer standing on a row.
RigaPostgres RigaCorrentePostgres(const QSqlQuery &q);

// The client's memory the server's result of q takes; 0 when q is not a PostgreSQL reading of
// the layer.
std::size_t MemoriaPostgres(const QSqlQuery &q);

// A column of the row as the driver gives it, read from the server's text: integers (as
// qlonglong), floats the driver gives as double, texts, timestamps without fractions of a
// second (local time), NULL as an invalid value. False, out untouched, for any other value:
// the caller asks the driver.
bool ValorePostgres(const RigaPostgres &r, int column, QVariant &out);

} // namespace kv8db
