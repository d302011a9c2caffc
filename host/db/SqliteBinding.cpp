#include "host/db/SqliteBinding.h"

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

namespace kv8db {

int LegaValoreSqlite(sqlite3_stmt *stmt, int at, const QVariant &v)
{
    if (v.isNull() || (v.typeId() == QMetaType::QString && static_cast<const QString *>(v.constData())->isNull()))
        return sqlite3_bind_null(stmt, at);
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return sqlite3_bind_int64(stmt, at, v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, at, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray *b = static_cast<const QByteArray *>(v.constData());
        return sqlite3_bind_blob(stmt, at, b->constData(), int(b->size()), SQLITE_STATIC);
    }
    case QMetaType::QString: {
        const QString *t = static_cast<const QString *>(v.constData());
        return sqlite3_bind_text16(stmt, at, t->utf16(), int(t->size() * 2), SQLITE_STATIC);
    }
    default: {
        const QString t = v.toString();
        return sqlite3_bind_text16(stmt, at, t.utf16(), int(t.size() * 2), SQLITE_TRANSIENT);
    }
    }
}

} // namespace kv8db
