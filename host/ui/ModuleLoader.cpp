#include "host/ui/ModuleLoader.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace {

// Whether a candidate names a file that is there (the name may lack the "lib" prefix and
// the suffix the loader adds).
bool Present(const QString &candidate)
{
    const QFileInfo info(candidate);
    if (info.exists())
        return true;
    const QString name = info.fileName();
    const QStringList files = info.absoluteDir().entryList(
        {name + QStringLiteral(".*"), QStringLiteral("lib") + name + QStringLiteral(".*")}, QDir::Files);
    return std::any_of(files.begin(), files.end(), [](const QString &file) { return QLibrary::isLibrary(file); });
}

} // namespace

TModuleLibrary::TModuleLibrary() = default;

TModuleLibrary::~TModuleLibrary()
{
    // The library stays mapped: classes it registered and objects it made may outlive this.
    if (library_)
        library_->setLoadHints(QLibrary::PreventUnloadHint);
}

QStringList TModuleLibrary::Candidates(const QString &name)
{
    return ModuleData::LibraryCandidates(name);
}

bool TModuleLibrary::Load(QString *error, const QString &name)
{
    if (error)
        error->clear();
    for (const QString &candidate : Candidates(name)) {
        QLibrary probe(candidate);
        if (probe.load()) {
            if (error)
                error->clear();
            return LoadFile(candidate, error);
        }
        if (!Present(candidate))
            continue;
        // there, but not loadable: said, and the next candidate tried
        qWarning("kv8: the module library %s could not be loaded: %s", qPrintable(candidate),
                 qPrintable(probe.errorString()));
        if (error)
            *error = probe.errorString();
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
            *error =
                QStringLiteral("%1 does not export %2").arg(library->fileName(), missing.join(QLatin1String(", ")));
        return false;
    }
    // its dictionary and demo company join the host's
    try {
        ModuleData::Use(*library);
    } catch (const std::exception &e) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(library->fileName(), QString::fromUtf8(e.what()));
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
