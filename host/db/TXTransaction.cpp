#include "host/db/TXTransaction.h"

#include "host/db/TXDatabase.h"
#include "host/db/TransactionListeners.h"

#include <QtGlobal>

#include <algorithm>

// ---- listener

TXTransactionListener::~TXTransactionListener()
{
    StopListening();
}

void TXTransactionListener::Listen(TXDatabase *db, const QStringList &tables)
{
    if (db == db_ && tables == tables_)
        return;
    if (db_)
        db_->listeners_->Remove(this);
    db_ = db;
    tables_ = db ? tables : QStringList();
    if (db_)
        db_->listeners_->Add(this);
}

bool TXTransactionListener::ConnectionClosing() const
{
    return db_ && db_->closing_;
}

// ---- listeners of a connection

namespace kv8db {

void TransactionListeners::Add(TXTransactionListener *listener)
{
    all_.push_back(listener);
    for (const QString &table : listener->tables_)
        byTable_[NameKey{table}].push_back(listener);
}

void TransactionListeners::Remove(TXTransactionListener *listener)
{
    auto drop = [&](std::vector<TXTransactionListener *> &list) {
        if (telling_ > 0) {
            std::replace(list.begin(), list.end(), listener, static_cast<TXTransactionListener *>(nullptr));
            holes_ = true;
        } else {
            list.erase(std::remove(list.begin(), list.end(), listener), list.end());
        }
    };
    drop(all_);
    for (const QString &table : listener->tables_)
        if (const auto it = byTable_.find(NameKey{table}); it != byTable_.end())
            drop(it->second);
}

void TransactionListeners::DetachAll()
{
    for (TXTransactionListener *listener : all_)
        if (listener) {
            listener->db_ = nullptr;
            listener->tables_.clear();
        }
    all_.clear();
    byTable_.clear();
}

void TransactionListeners::Compact()
{
    if (telling_ > 0 || !holes_)
        return;
    holes_ = false;
    auto compact = [](std::vector<TXTransactionListener *> &list) {
        list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
    };
    compact(all_);
    for (auto it = byTable_.begin(); it != byTable_.end();) {
        compact(it->second);
        it = it->second.empty() ? byTable_.erase(it) : std::next(it);
    }
}

void TransactionListeners::Tell(std::vector<TXTransactionListener *> &list, Handler handler, bool throwing,
                                bool tableListeners)
{
    ++telling_;
    struct Done {
        TransactionListeners *self;
        ~Done()
        {
            --self->telling_;
            self->Compact();
        }
    } done{this};
    // by position: a listener added meanwhile goes at the end, one removed leaves a null
    const size_t count = list.size();
    for (size_t i = 0; i < count; ++i) {
        TXTransactionListener *listener = list[i];
        if (!listener || (tableListeners && listener->tables_.isEmpty()))
            continue;
        if (throwing) {
            (listener->*handler)();
            continue;
        }
        // everyone is told: the failure of one is logged and the others go on
        try {
            (listener->*handler)();
        } catch (const std::exception &e) {
            qWarning("kv8: a dataset or cache could not follow the transaction: %s", e.what());
        }
    }
}

void TransactionListeners::Started()
{
    Tell(all_, &TXTransactionListener::TransactionStarted, false);
}

void TransactionListeners::BeforeCommit()
{
    Tell(all_, &TXTransactionListener::BeforeCommit, true);
}

void TransactionListeners::Committed()
{
    Tell(all_, &TXTransactionListener::TransactionCommitted, false);
}

void TransactionListeners::RolledBack()
{
    Tell(all_, &TXTransactionListener::TransactionRolledBack, false);
}

void TransactionListeners::TableWritten(const QString &table)
{
    if (byTable_.empty())
        return;
    if (table.isEmpty()) {
        Tell(all_, &TXTransactionListener::TableWritten, false, true);
        return;
    }
    if (const auto it = byTable_.find(NameKey{table}); it != byTable_.end())
        Tell(it->second, &TXTransactionListener::TableWritten, false);
}

} // namespace kv8db

// ---- scope

TXTransaction::TXTransaction(TXDatabase &db) : db_(db)
{
    if (db_.InTransaction())
        return;
    db_.StartTransaction();
    started_ = open_ = true;
}

TXTransaction::~TXTransaction()
{
    if (!open_ || !db_.InTransaction())
        return;
    try {
        db_.Rollback();
    } catch (const std::exception &e) {
        qWarning("kv8: the transaction could not be rolled back: %s", e.what());
    }
}

void TXTransaction::Commit()
{
    if (!open_)
        throw EDatabaseError(QStringLiteral("Nessuna transazione aperta da confermare su %1").arg(db_.Name()));
    open_ = false;
    db_.Commit();
}
