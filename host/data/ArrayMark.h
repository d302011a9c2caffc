#pragma once
// PostgreSQL: a column's values sent as one array, read back by unnest.
#include "host/data/TField.h"

#include <QString>

namespace kv8data {

// The mark of an array carrying a column's values (the types of TXTable::TypedMark; for an
// insert, numbers as NUMERIC, read as their literal would be); empty when they cannot.
inline QString ArrayMark(const TField *f, bool insert)
{
    switch (f->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftAutoInc:
    case ftBoolean:
        return QStringLiteral("CAST(? AS _int8)");
    case ftFloat:
        return insert ? QStringLiteral("CAST(? AS _numeric)") : QStringLiteral("CAST(? AS _float8)");
    case ftDate:
    case ftTime:
    case ftDateTime:
        return QStringLiteral("CAST(CAST(? AS _timestamptz) AS _timestamp)");
    case ftBlob:
    case ftUnknown:
        return QString();
    default:
        return QStringLiteral("CAST(? AS _text)");
    }
}

} // namespace kv8data
