#include "host/db/LocalFolders.h"

#include <QDebug>
#include <QDir>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace {

const QLatin1String kLocalPrefix("kv8-local-");

// Whether the process of that id is surely gone.
bool ProcessGone(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(pid);
    return false;
#endif
}

} // namespace

int kv8db::RemoveDeadLocalFolders(const QString &parent)
{
    int removed = 0;
    const QStringList names = QDir(parent).entryList({kLocalPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool number = false;
        const qint64 pid = name.mid(kLocalPrefix.size()).section(u'-', 0, 0).toLongLong(&number);
        if (!number || !ProcessGone(pid))
            continue;
        if (QDir(parent + u'/' + name).removeRecursively())
            ++removed;
        else
            qWarning().noquote()
                << QStringLiteral("kv8db: the local folder %1 of an ended run could not be removed").arg(name);
    }
    return removed;
}
