// The local work folders of runs that ended without removing theirs.
#include "host/db/DMIDataBases.h"
#include "host/db/LocalFolders.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// The id of a process that has ended.
qint64 EndedProcess()
{
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

void Folder(const QTemporaryDir &parent, const QString &name)
{
    ASSERT_TRUE(QDir(parent.path()).mkpath(name + QStringLiteral("/sub")));
    QFile f(parent.filePath(name + QStringLiteral("/sub/local.db")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("scratch");
}

TEST(LocalFolders, OnlyTheFoldersOfEndedRunsAreRemoved)
{
    QTemporaryDir parent;
    ASSERT_TRUE(parent.isValid());
    const qint64 ended = EndedProcess();
    ASSERT_GT(ended, 0);
    const QString morta = QStringLiteral("kv8-local-%1-AbC123").arg(ended);
    const QString viva = QStringLiteral("kv8-local-%1-XyZ789").arg(QCoreApplication::applicationPid());
    Folder(parent, morta);
    Folder(parent, viva);
    Folder(parent, QStringLiteral("kv8-local-senzapid"));
    Folder(parent, QStringLiteral("altro-%1").arg(ended));

    EXPECT_EQ(kv8db::RemoveDeadLocalFolders(parent.path()), 1);
    EXPECT_FALSE(QDir(parent.filePath(morta)).exists()) << "the ended run's folder is gone, its files with it";
    EXPECT_TRUE(QDir(parent.filePath(viva)).exists()) << "a running program keeps its folder";
    EXPECT_TRUE(QDir(parent.filePath(QStringLiteral("kv8-local-senzapid"))).exists());
    EXPECT_TRUE(QDir(parent.filePath(QStringLiteral("altro-%1").arg(ended))).exists());
}

TEST(LocalFolders, TheLocalDatabaseLivesInAFolderNamedAfterItsRun)
{
    const QString path = DMIDataBases::Instance().Local().Connection().databaseName();
    const QString folder = QFileInfo(path).dir().dirName();
    EXPECT_TRUE(folder.startsWith(QStringLiteral("kv8-local-%1-").arg(QCoreApplication::applicationPid())))
        << folder.toStdString();
}

} // namespace
