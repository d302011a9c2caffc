#pragma once
// Kinds of the values Qt hands over, by their meta-type id.
#include <QMetaType>
#include <QVariant>

// Whole numbers of any width and sign (chars included).
inline bool IsIntegerMetaType(int id)
{
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// The meta-type id of a variant's value (0 for none), as QVariant::typeId() answers, read off
// the variant without a call into Qt: for the loops over every value of many rows.
inline int MetaTypeIdOf(const QVariant &v)
{
    const QtPrivate::QMetaTypeInterface *iface = v.data_ptr().typeInterface();
    if (!iface)
        return 0;
    const int id = iface->typeId.loadRelaxed();
    return id ? id : v.typeId();
}

// As QVariant::isNull(), read off the variant as MetaTypeIdOf.
inline bool IsNullValue(const QVariant &v)
{
    const QVariant::Private &d = v.data_ptr();
    const QtPrivate::QMetaTypeInterface *iface = d.typeInterface();
    return !iface || d.is_null || ((iface->flags & QMetaType::IsPointer) && v.isNull());
}
