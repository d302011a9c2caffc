#pragma once
// The filter expression language of datasets:
//   comparisons  =  <>  !=  <  <=  >  >=  of fields, numbers and quoted texts
//   AND, OR, NOT, parentheses, + - * /, IS [NOT] NULL, [NOT] IN (a, b, ...), [NOT] LIKE 'a%'
// An empty number reads 0 and an empty text "" ("Stato < 3" holds for an empty Stato).
// A text literal ending in "*" compared with "=" matches the texts that begin with the rest,
// unless foNoPartialCompare is set.
#include "host/data/TField.h"

#include <QString>

#include <functional>
#include <memory>

namespace kv8data {

struct FilterNode;

class DataFilter {
public:
    using Resolver = std::function<TField *(const QString &name)>;

    // Parses the text; throws EDatabaseError naming the fault (syntax, unknown field).
    DataFilter(const QString &text, const Resolver &resolve, int options);
    ~DataFilter();
    DataFilter(const DataFilter &) = delete;
    DataFilter &operator=(const DataFilter &) = delete;

    // True when the record the fields currently read satisfies the expression.
    bool Matches() const;
    bool IsEmpty() const { return !root_; }

private:
    std::unique_ptr<FilterNode> root_;
    int options_ = 0;
};

} // namespace kv8data
