#include "tests/support/ui/Program.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

namespace kv8test {

QString ProgramRun::MissingInOrder(const QStringList &expected) const
{
    const QStringList lines = Lines();
    qsizetype at = 0;
    for (const QString &line : expected) {
        at = lines.indexOf(line, at);
        if (at < 0)
            return line;
        ++at;
    }
    return QString();
}

QString ProgramPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kv8"));
}

ProgramRun RunProgram(const QStringList &arguments, const QString &modules)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KV8_MODULES"),
               modules.isEmpty() ? QDir::tempPath() + QStringLiteral("/kv8-no-modules") : modules);
    env.remove(QStringLiteral("KV8_DATABASE"));
    env.remove(QStringLiteral("KV8_USER"));
    process.setProcessEnvironment(env);
    process.start(ProgramPath(), arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.Err = QStringLiteral("timed out");
        return run;
    }
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace kv8test
