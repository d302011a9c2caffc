#pragma once
// Values bound on SQLite's own statement handle, as Qt's SQLite driver binds them: for the
// writes that bind too many values for Qt's per-value lookup by name.
#include <QVariant>

struct sqlite3_stmt;

namespace kv8db {

// Binds v, already in its stored form, at position at (from 1): null (also a null string),
// integer, double, blob or text. Strings and byte arrays are bound without a copy, so v must
// outlive the statement's step; other types go as their text. Answers SQLite's result code.
int LegaValoreSqlite(sqlite3_stmt *stmt, int at, const QVariant &v);

} // namespace kv8db
