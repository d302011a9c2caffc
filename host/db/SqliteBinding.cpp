#include "host/db/SqliteBinding.h"

#include "host/core/MetaTypes.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QString>

#include <sqlite3.h>

namespace kv8db {

sqlite3 *SqliteHandle(const QSqlDatabase &connection)
{
    if (!connection.isValid() || !connection.isOpen())
        return nullptr;
    const QVariant h = connection.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

namespace {

constexpr qsizetype kMaxTestoAscii = 1024;

// The UTF-8 bytes of a text of ASCII characters in out (room for its size); false for another text.
bool TestoAscii(const QString &t, char *out)
{
    const QChar *c = t.constData();
    for (qsizetype i = 0, n = t.size(); i < n; ++i) {
        if (c[i].unicode() >= 0x80)
            return false;
        out[i] = char(c[i].unicode());
    }
    return true;
}

} // namespace

char *TestiLegati::SpazioNuovo(qsizetype n)
{
    if (blocco_ < blocchi_.size() && usati_ + n > kBlocco) {
        ++blocco_;
        usati_ = 0;
    }
    if (blocco_ == blocchi_.size())
        blocchi_.push_back(std::make_unique<char[]>(size_t(kBlocco)));
    char *at = blocchi_[blocco_].get() + usati_;
    usati_ += n;
    return at;
}

void TestiLegati::Svuota()
{
    blocco_ = 0;
    usati_ = 0;
}

int LegaValoreSqlite(sqlite3_stmt *stmt, int at, const QVariant &v, TestiLegati *testi)
{
    const int type = MetaTypeIdOf(v);
    if (IsNullValue(v) || (type == QMetaType::QString && static_cast<const QString *>(v.constData())->isNull()))
        return sqlite3_bind_null(stmt, at);
    switch (type) {
    case QMetaType::LongLong:
        return sqlite3_bind_int64(stmt, at, *static_cast<const qlonglong *>(v.constData()));
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return sqlite3_bind_int64(stmt, at, v.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, at, *static_cast<const double *>(v.constData()));
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, at, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray *b = static_cast<const QByteArray *>(v.constData());
        return sqlite3_bind_blob(stmt, at, b->constData(), int(b->size()), SQLITE_STATIC);
    }
    case QMetaType::QString: {
        const QString *t = static_cast<const QString *>(v.constData());
        if (testi && t->size() <= kMaxTestoAscii) {
            char *bytes = testi->Spazio(t->size());
            if (TestoAscii(*t, bytes))
                return sqlite3_bind_text(stmt, at, bytes, int(t->size()), SQLITE_STATIC);
        }
        return sqlite3_bind_text16(stmt, at, t->constData(), int(t->size() * 2), SQLITE_STATIC);
    }
    default: {
        const QString t = v.toString();
        return sqlite3_bind_text16(stmt, at, t.utf16(), int(t.size() * 2), SQLITE_TRANSIENT);
    }
    }
}

} // namespace kv8db
