#pragma once
// Values bound on SQLite's own statement handle, as Qt's SQLite driver binds them: for the
// writes that bind too many values for Qt's per-value lookup by name.
#include <QVariant>

#include <memory>
#include <vector>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

namespace kv8db {

// The engine's handle of a connection of Qt's SQLite driver (which links the same SQLite
// library as this one); null for another driver or a closed connection.
sqlite3 *SqliteHandle(const QSqlDatabase &connection);

// Room for the UTF-8 bytes of the short ASCII texts bound to a statement, held until it ran
// (the engine would otherwise convert each UTF-16 text, allocating, at every step). Svuota
// before binding the next run keeps the room for it.
class TestiLegati {
public:
    // n bytes that do not move until Svuota.
    char *Spazio(qsizetype n)
    {
        if (blocco_ < blocchi_.size() && usati_ + n <= kBlocco) {
            char *at = blocchi_[blocco_].get() + usati_;
            usati_ += n;
            return at;
        }
        return SpazioNuovo(n);
    }
    void Svuota();

private:
    char *SpazioNuovo(qsizetype n);

    static constexpr qsizetype kBlocco = 16384;
    std::vector<std::unique_ptr<char[]>> blocchi_;
    size_t blocco_ = 0;   // the block being filled
    qsizetype usati_ = 0; // of that block
};

// Binds v, already in its stored form, at position at (from 1): null (also a null string),
// integer, double, blob or text. With testi, texts of ASCII characters up to 1024 long go as
// UTF-8 bytes held there; other strings and byte arrays are bound without a copy, so v must
// outlive the statement's step; other types go as their text. Answers SQLite's result code.
int LegaValoreSqlite(sqlite3_stmt *stmt, int at, const QVariant &v, TestiLegati *testi = nullptr);

} // namespace kv8db
