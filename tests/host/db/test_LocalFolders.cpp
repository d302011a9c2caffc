// The local work folders of runs that ended without removing theirs; the local database's
// pages not kept resident once read.
#include "host/db/DMIDataBases.h"
#include "host/db/LocalFolders.h"
#include "host/db/TXDatabase.h"
#include "tests/support/Residente.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
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

// Neither the local database nor a file attached to it (the company's, for copies) is read
// through a memory map, whose pages would stay resident as the process's own.
TEST(LocalFolders, ReadingTheLocalDatabaseKeepsNoneOfItResident)
{
    if (kv8test::ResidentKb() < 0)
        GTEST_SKIP() << "no /proc/self/status";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSqlQuery q(DMIDataBases::Instance().Local().Connection());
    q.prepare(QStringLiteral("ATTACH DATABASE ? AS allegata"));
    q.addBindValue(dir.filePath(QStringLiteral("company.db")));
    ASSERT_TRUE(q.exec());
    for (const char *table : {"main.Ingombro", "allegata.Ingombro"}) {
        SCOPED_TRACE(table);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE %1 (N INTEGER, B BLOB)").arg(QLatin1String(table))));
        ASSERT_TRUE(
            q.exec(QStringLiteral("WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r WHERE n < 12000) "
                                  "INSERT INTO %1 SELECT n, randomblob(4000) FROM r")
                       .arg(QLatin1String(table))));
        const long before = kv8test::ResidentKb();
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT SUM(LENGTH(B)) FROM %1").arg(QLatin1String(table))) && q.next());
        EXPECT_EQ(q.value(0).toLongLong(), 48000000);
        const long growth = kv8test::ResidentKb() - before;
        q.finish();
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE %1").arg(QLatin1String(table))));
        EXPECT_LT(growth, 8 * 1024) << growth << " kB resident after reading 48 MB";
    }
    ASSERT_TRUE(q.exec(QStringLiteral("DETACH DATABASE allegata")));
}

} // namespace
