#pragma once
// A text as compiled for one connection (private to the database layer).
#include "host/db/SqlTranslator.h"
#include "host/db/TXDatabase.h"

// Its statements and their engine texts ('?' placeholders on SQLite, $n on PostgreSQL; empty
// where the statement is not prepared).
struct TXDatabase::Compiled {
    CompiledSql sql;
    QStringList texts;
    // SQLite: readings that name their columns with '*' (see SqliteBackend::CommandQuery)
    QList<bool> starReads;
};
