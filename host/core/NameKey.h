#pragma once
// A name (of a field, a column, a table) compared and hashed without regard to case, as
// QString::compare does.
#include <QString>

struct NameKey {
    QString name;
    friend bool operator==(const NameKey &a, const NameKey &b) noexcept
    {
        // the same spelling, the common case, compared first
        return a.name.size() == b.name.size() && (a.name == b.name || a.name.compare(b.name, Qt::CaseInsensitive) == 0);
    }
};
size_t qHash(const NameKey &key, size_t seed = 0) noexcept;
