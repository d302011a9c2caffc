#pragma once
// What the layer benchmarks share: timing, rounds from the environment, one-shot registration
// with manual timing, and the PostgreSQL schema a run works in.
#include "host/db/TXDatabase.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

namespace benchruns {

inline double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Rounds asked for in the environment variable (at least 1), or the fallback.
inline int Rounds(const char *variable, int fallback)
{
    return qEnvironmentVariableIsSet(variable) ? std::max(1, qEnvironmentVariableIntValue(variable)) : fallback;
}

// A benchmark of one iteration, timed by the benchmark itself, in milliseconds.
template <typename... Args> void RegisterOneShot(const std::string &name, Args &&...args)
{
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// The values of the query's first row joined by '|', fractions at four decimals: what a table
// stores, summed up, to compare.
inline QString PrimaRiga(QSqlQuery q)
{
    QStringList out;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            out << (q.value(i).typeId() == QMetaType::Double ? QString::number(q.value(i).toDouble(), 'f', 4)
                                                             : q.value(i).toString());
    return out.join(u'|');
}

// The server's URL with the schema to work in.
inline QString InSchema(const QString &server, const QString &schema)
{
    return server + (server.contains(u'?') ? u'&' : u'?') + QStringLiteral("schema=") + schema;
}

// Drops a schema of the server: the one a run works in, at its end or left by an earlier run.
inline void EliminaSchema(const QString &server, const QString &schema)
{
    TXDatabase admin(QStringLiteral("admin"), server);
    admin.ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
}

// The URL of a fresh schema on the server (what an earlier run left of it dropped first).
inline QString SchemaPulito(const QString &server, const QString &schema)
{
    EliminaSchema(server, schema);
    return InSchema(server, schema);
}

} // namespace benchruns
