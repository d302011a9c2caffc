#pragma once
// The program's named database connections, found without regard to case.
#include "host/db/TXDatabase.h"

#include <map>
#include <memory>

class DMIDataBases {
public:
    static DMIDataBases &Instance();

    // Opens (or replaces) a connection under a name.
    TXDatabase &Open(const QString &name, const QString &url);
    // The connection of that name; throws EDatabaseError when there is none.
    // "LocalDatabase" is created on first use as a temporary SQLite file of this run.
    TXDatabase &Database(const QString &name);
    bool Has(const QString &name) const;
    void Close(const QString &name);
    void CloseAll();

    TXDatabase &Global() { return Database(QStringLiteral("GlobalDatabase")); }
    TXDatabase &Local() { return Database(QStringLiteral("LocalDatabase")); }

    // This run's work folder in the temporary folder ("kv8-local-<process id>-XXXXXX"), where
    // the LocalDatabase and the spool files of prints live: removed at exit, or at the next
    // start when the run was killed. Throws EDatabaseError when it cannot be made.
    static QString RunFolder();

    // Changes whenever a connection is opened, replaced or closed: a connection found by name
    // may be kept while it stays the same.
    static quint64 Generation() { return generation_; }

private:
    static inline quint64 generation_ = 0;
    std::map<QString, std::unique_ptr<TXDatabase>> byName_; // keys lower case
    QString localPath_;
};

// The company database URL from "--database URL" or KV8_DATABASE; empty when neither is given.
QString CompanyDatabaseUrl(const QStringList &arguments);
