#pragma once
// The listeners of one connection and how they are told (used by TXDatabase).
#include "host/core/NameKey.h"
#include "host/db/TXTransaction.h"

#include <unordered_map>
#include <vector>

namespace kv8db {

class TransactionListeners {
public:
    TransactionListeners() = default;
    TransactionListeners(const TransactionListeners &) = delete;
    TransactionListeners &operator=(const TransactionListeners &) = delete;

    void Add(TXTransactionListener *listener);
    void Remove(TXTransactionListener *listener);
    // The connection is going away: every listener stops listening.
    void DetachAll();

    void Started();
    // Throws the first listener's error.
    void BeforeCommit();
    void Committed();
    void RolledBack();
    // table: empty when the statement's table is not plain to see.
    void TableWritten(const QString &table);

private:
    struct NameKeyHash {
        size_t operator()(const NameKey &key) const noexcept { return qHash(key); }
    };
    using Handler = void (TXTransactionListener::*)();
    // Tells the listeners of the list that were there when the call began and still are
    // (with tableListeners, those that listen to some table); throwing: the first error is
    // thrown, otherwise each is logged.
    void Tell(std::vector<TXTransactionListener *> &list, Handler handler, bool throwing, bool tableListeners = false);
    void Compact();

    std::vector<TXTransactionListener *> all_;
    // table -> listeners of its writes (node based: a list stays where it is while others are added)
    std::unordered_map<NameKey, std::vector<TXTransactionListener *>, NameKeyHash> byTable_;
    int telling_ = 0;
    bool holes_ = false; // listeners removed while telling, left as null until it ends
};

} // namespace kv8db
