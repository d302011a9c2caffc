#include "host/db/DMIDataBases.h"

#include "host/db/LocalFolders.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

const QLatin1String kLocalDatabase("localdatabase");

// The temporary folder of the LocalDatabase ("kv8-local-<process id>-XXXXXX"), removed with
// everything in it at exit; the folders of runs that ended without removing theirs go first.
QTemporaryDir &LocalDir()
{
    static QTemporaryDir dir = [] {
        kv8db::RemoveDeadLocalFolders(QDir::tempPath());
        return QTemporaryDir(QDir::tempPath() + QStringLiteral("/kv8-local-")
                             + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX"));
    }();
    return dir;
}

} // namespace

DMIDataBases &DMIDataBases::Instance()
{
    // Qt Sql's registry of connections and the local folder must outlive the connections:
    // made first, they are destroyed after them at exit.
    (void)QSqlDatabase::connectionNames();
    LocalDir();
    static DMIDataBases instance;
    return instance;
}

TXDatabase &DMIDataBases::Open(const QString &name, const QString &url)
{
    // the new connection first: when it cannot be opened the old one stays
    auto db = std::make_unique<TXDatabase>(name, url);
    auto &slot = byName_[name.toLower()];
    slot = std::move(db);
    ++generation_;
    return *slot;
}

TXDatabase &DMIDataBases::Database(const QString &name)
{
    const QString key = name.toLower();
    if (const auto it = byName_.find(key); it != byName_.end())
        return *it->second;
    if (key == kLocalDatabase) {
        localPath_ = QDir(RunFolder()).filePath(QStringLiteral("local.db"));
        TXDatabase &local = Open(QStringLiteral("LocalDatabase"), QStringLiteral("sqlite:") + localPath_);
        // scratch data of this run: a write need not wait for the disk, nor be written twice
        // (through a log and back into the file), a rollback still undoing it from memory. Its
        // pages, and those of a file attached to it, are read into the engine's bounded page
        // cache, not mapped: a mapped page read stays resident, so the process would grow with
        // the work tables and the company file
        QSqlQuery pragma(local.Connection());
        for (const QString &impostazione :
             {QStringLiteral("PRAGMA synchronous=OFF"), QStringLiteral("PRAGMA journal_mode=MEMORY"),
              QStringLiteral("PRAGMA mmap_size=0")})
            if (!pragma.exec(impostazione))
                qWarning().noquote() << QStringLiteral("kv8db: local database: %1").arg(pragma.lastError().text());
        return local;
    }
    throw EDatabaseError(QStringLiteral("Il database %1 non è aperto: aprirlo prima di usarlo o segnalare l'errore "
                                        "all'assistenza.")
                             .arg(name));
}

QString DMIDataBases::RunFolder()
{
    Instance(); // the folder outlives the connections
    if (!LocalDir().isValid()) {
        qWarning().noquote() << QStringLiteral("kv8db: local work folder: %1").arg(LocalDir().errorString());
        throw EDatabaseError(QStringLiteral("Impossibile creare la cartella di lavoro del programma in %1: controllare "
                                            "lo spazio e i permessi della cartella temporanea.")
                                 .arg(QDir::tempPath()));
    }
    return LocalDir().path();
}

bool DMIDataBases::Has(const QString &name) const
{
    return byName_.count(name.toLower()) > 0;
}

void DMIDataBases::Close(const QString &name)
{
    byName_.erase(name.toLower());
    ++generation_;
}

void DMIDataBases::CloseAll()
{
    byName_.clear();
    ++generation_;
}

QString CompanyDatabaseUrl(const QStringList &arguments)
{
    const QLatin1String option("--database");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == option && i + 1 < arguments.size())
            return arguments[i + 1];
        if (a.startsWith(option + u'='))
            return a.mid(option.size() + 1);
    }
    return qEnvironmentVariable("KV8_DATABASE");
}
