#include "host/core/NameKey.h"

size_t qHash(const NameKey &key, size_t seed) noexcept
{
    size_t h = seed ^ size_t(key.name.size());
    for (const QChar c : key.name) {
        char32_t u = c.unicode();
        if (u < 128) {
            if (u - u'A' < 26u)
                u += 32;
        } else if (QChar::isSurrogate(u)) {
            u = 0xd800; // a pair folds to a pair: hashed by position only
        } else {
            u = QChar::toCaseFolded(u);
        }
        h = h * 31 + u;
    }
    return h;
}
