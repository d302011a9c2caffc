#pragma once
// Hash of the record keys the datasets build (short byte strings hashed by the million in
// batch loops): the standard library's, several times faster than Qt's seeded one.
#include <QByteArray>

#include <functional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kv8data {

struct KeyHash {
    size_t operator()(const QByteArray &key) const noexcept
    {
        return std::hash<std::string_view>{}(std::string_view(key.constData(), size_t(key.size())));
    }
};

using KeySet = std::unordered_set<QByteArray, KeyHash>;
template <typename T> using KeyMap = std::unordered_map<QByteArray, T, KeyHash>;

} // namespace kv8data
