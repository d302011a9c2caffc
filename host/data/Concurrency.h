#pragma once
// What jobs use against a second user on the same data.
#include <QString>

#include <functional>

class TXDatabase;

namespace kv8data {

// Inside a transaction of the connection: the whole table kept from other users' writes and
// locked reads until the transaction ends, for a job that rebuilds it. Another user's
// transaction holding it is waited for as long as SQLite waits for its write lock, then the
// database's busy error is thrown. On SQLite the transaction holds the lock already.
void HoldTable(TXDatabase &db, const QString &table);

// A point a job passes inside its transaction right after the check that decides its writes
// (the progressive, card or counter read and locked). Nothing happens there unless a test has
// set a handler: a test of two users stops one run at its point while the other runs.
void CheckPoint(const QString &name);
// The handler run at every check point (empty: none).
void SetCheckPointHandler(std::function<void(const QString &name)> handler);

} // namespace kv8data
