#pragma once
// Running the kv8 program from a test: offscreen, with the module libraries chosen, its
// exit code and standard error collected.
#include <QString>
#include <QStringList>

namespace kv8test {

struct ProgramRun {
    int ExitCode = -1; // -1 when it crashed or timed out
    QString Err;
    QStringList Lines() const { return Err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    // The first of these lines that is missing or out of order (other lines may come
    // between them); empty when all are there in order.
    QString MissingInOrder(const QStringList &expected) const;
};

// The program beside the test program.
QString ProgramPath();
// Runs the program; modules is KV8_MODULES (empty: a folder without libraries).
ProgramRun RunProgram(const QStringList &arguments, const QString &modules = QString());

} // namespace kv8test
