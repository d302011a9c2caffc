#pragma once
// What the database layer tells a user when something fails: one Italian sentence naming the
// database and what to do. The technical detail (driver text, code, SQL) goes to the log.
#include <QString>

class QSqlError;
enum class DbEngine;

namespace kv8db {

// The file of a sqlite: URL ("sqlite:///abs" and "sqlite:/abs" are the same file).
QString SqlitePath(const QString &url);

// The database of a URL as a user may see it: the file of a sqlite: URL, otherwise the URL
// without its password (neither in the user part nor as a password= option).
QString ShownDatabase(const QString &url);

// What is wrong with a postgresql:// URL (no server, a port that is not 1-65535, no database
// name, not a URL at all), as a sentence; empty when nothing is.
QString PostgresUrlProblem(const QString &url);

struct Failure {
    QString message;
    bool keyViolation = false; // a unique or primary key already taken
};

// A statement that failed on the database; table: the one it writes, when known.
Failure DescribeFailure(const QSqlError &error, DbEngine engine, const QString &database,
                        const QString &table = QString());
// A PostgreSQL connection that could not be opened.
QString ConnectionFailure(const QSqlError &error, const QString &database);

// Writes the detail of a failure (the driver's, for a QSqlError) and the statement to the log.
void LogFailure(const QString &database, const QString &detail, const QString &sql);
void LogFailure(const QString &database, const QSqlError &error, const QString &sql);

} // namespace kv8db
