#pragma once
// A name (of a field, a column, a table) compared and hashed without regard to case, as
// QString::compare does.
#include <QString>

struct NameKey {
    QString name;
    friend bool operator==(const NameKey &a, const NameKey &b) noexcept
    {
        return a.name.compare(b.name, Qt::CaseInsensitive) == 0;
    }
};
size_t qHash(const NameKey &key, size_t seed = 0) noexcept;
