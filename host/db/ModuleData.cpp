#include "host/db/ModuleData.h"

#include "host/db/Dictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <mutex>

namespace {

std::mutex g_mutex;
QStringList g_demo;

QStringList Listed(Kv8ModuleFilesFn files, const char16_t *kind)
{
    const char16_t *text = files(kind);
    return text ? QString::fromUtf16(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
}

} // namespace

namespace ModuleData {

QStringList LibraryCandidates(const QString &name)
{
    QStringList candidates;
    const QString configured = qEnvironmentVariable("KV8_MODULES");
    if (!configured.isEmpty()) {
        for (const QString &entry : configured.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            const QFileInfo info(entry);
            candidates << (info.isDir() ? QDir(entry).filePath(name) : entry);
        }
        return candidates;
    }
    const QString dir = QCoreApplication::applicationDirPath();
    candidates << QDir(dir).filePath(name) << QDir(dir).filePath(QStringLiteral("../lib/") + name);
    return candidates;
}

void Use(const QStringList &dictionary, const QStringList &demo)
{
    Dictionary::UseModuleFiles(dictionary);
    const std::lock_guard lock(g_mutex);
    g_demo = demo;
}

void Use(Kv8ModuleFilesFn files)
{
    Use(Listed(files, u"dictionary"), Listed(files, u"demo"));
}

void Use(QLibrary &library)
{
    if (const auto files = reinterpret_cast<Kv8ModuleFilesFn>(library.resolve("ModuleFiles")))
        Use(files);
}

QStringList DemoFiles()
{
    const std::lock_guard lock(g_mutex);
    return g_demo;
}

} // namespace ModuleData
