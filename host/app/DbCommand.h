#pragma once
// The administration commands of kv8: "db create|upgrade|demo URL".
#include <QStringList>
#include <QTextStream>

// arguments: what follows "db" on the command line. Prints what was done to out, or the error
// to err; returns the exit code (0 done, 1 failed).
int RunDbCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The command line help.
QString Kv8Usage();

// The file behind a SQLite URL; empty for PostgreSQL and in-memory databases.
QString SqliteFile(const QString &url);
