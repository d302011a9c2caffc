#include "host/ui/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TModuleLibrary::TModuleLibrary() = default;

TModuleLibrary::~TModuleLibrary()
{
    // The library stays mapped: classes it registered and objects it made may outlive this.
    if (library_)
        library_->setLoadHints(QLibrary::PreventUnloadHint);
}

QStringList TModuleLibrary::Candidates(const QString &name)
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

bool TModuleLibrary::Load(QString *error, const QString &name)
{
    if (error)
        error->clear();
    for (const QString &candidate : Candidates(name)) {
        QLibrary probe(candidate);
        if (!probe.load())
            continue;
        return LoadFile(candidate, error);
    }
    return false;
}

bool TModuleLibrary::LoadFile(const QString &file, QString *error)
{
    auto library = std::make_unique<QLibrary>(file);
    if (!library->load()) {
        if (error)
            *error = library->errorString();
        return false;
    }
    const auto initialize = reinterpret_cast<Kv8InitializeFn>(library->resolve("Initialize"));
    const auto finalize = reinterpret_cast<Kv8FinalizeFn>(library->resolve("Finalize"));
    const auto dispatch = reinterpret_cast<Kv8EseguiSceltaFn>(library->resolve("EseguiScelta"));
    if (!initialize || !finalize || !dispatch) {
        QStringList missing;
        if (!initialize)
            missing << QStringLiteral("Initialize");
        if (!finalize)
            missing << QStringLiteral("Finalize");
        if (!dispatch)
            missing << QStringLiteral("EseguiScelta");
        if (error)
            *error = QStringLiteral("%1 does not export %2").arg(library->fileName(), missing.join(QLatin1String(", ")));
        return false;
    }
    library_ = std::move(library);
    initialize_ = initialize;
    finalize_ = finalize;
    eseguiScelta_ = dispatch;
    initialized_ = false;
    return true;
}

QString TModuleLibrary::FileName() const
{
    return library_ ? library_->fileName() : QString();
}

void TModuleLibrary::Initialize()
{
    if (initialize_ && !initialized_) {
        initialized_ = true;
        initialize_();
    }
}

void TModuleLibrary::Finalize()
{
    if (finalize_ && initialized_) {
        initialized_ = false;
        finalize_();
    }
}

bool TModuleLibrary::EseguiScelta(QWidget *mainForm, const QString &code) const
{
    if (!eseguiScelta_)
        return false;
    return eseguiScelta_(mainForm, reinterpret_cast<const char16_t *>(code.utf16()));
}
