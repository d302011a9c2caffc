// "kv8 db ..." run as a user runs it: the program beside this test, with the module library
// beside it or without one, on the engine of the run.
#include "tests/support/TestDb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class DbCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "test_db";
            static char *argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }

    void SetUp() override
    {
        if (!QFileInfo::exists(Program()))
            GTEST_SKIP() << "the program kv8 is not built";
        KV8_REQUIRE_DB(testDb);
    }

    static QString Program() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kv8")); }

    // modules: KV8_MODULES for the program; empty leaves it to find the library beside itself.
    // asUser: runs it as an unprivileged user when this test runs as root.
    ProgramRun Kv8(const QStringList &arguments, const QString &modules = QString(), bool asUser = false) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("KV8_DATABASE"));
        env.remove(QStringLiteral("KV8_MODULES"));
        if (!modules.isEmpty())
            env.insert(QStringLiteral("KV8_MODULES"), modules);
        process.setProcessEnvironment(env);
        if (asUser && geteuid() == 0)
            process.start(QStringLiteral("setpriv"),
                          QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                      QStringLiteral("--clear-groups"), Program()}
                              + arguments);
        else
            process.start(Program(), arguments);
        ProgramRun run;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            run.err = QStringLiteral("timed out");
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    // The URL through which the program can only read this test's database.
    QString ReadOnlyUrl() const
    {
        if (testDb.IsPostgres())
            return testDb.Url() + QStringLiteral("&options=--default_transaction_read_only%3Don");
        const QString file = testDb.Url().mid(QStringLiteral("sqlite:").size());
        // the folder stays open to the reader, for the files SQLite keeps beside the database
        QFile::setPermissions(QFileInfo(file).absolutePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                                  | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                                  | QFileDevice::WriteOther | QFileDevice::ExeOther);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadOther);
        return testDb.Url();
    }

    bool CanRunAsUser() const
    {
        return testDb.IsPostgres() || geteuid() != 0
               || !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
    }

    TestDb testDb;
    QTemporaryDir dir;
};

} // namespace

TEST_F(DbCommand, HelpIsAnAnswerAndAMistakeIsNot)
{
    for (const char *help : {"--help", "-h"}) {
        const ProgramRun run = Kv8({QStringLiteral("db"), QLatin1String(help)});
        EXPECT_EQ(run.exitCode, 0) << help << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("kv8 db create URL"))) << run.out.toStdString();
    }
    for (const QStringList &wrong :
         {QStringList{QStringLiteral("db")}, QStringList{QStringLiteral("db"), QStringLiteral("crea"), testDb.Url()},
          QStringList{QStringLiteral("db"), QStringLiteral("--help"), QStringLiteral("create")}}) {
        const ProgramRun run = Kv8(wrong);
        EXPECT_EQ(run.exitCode, 1) << wrong.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage:")));
    }
}

TEST_F(DbCommand, MissingFolderIsNamedAndNotMade)
{
    const QString missing = dir.filePath(QStringLiteral("aziende/2024"));
    for (const char *command : {"create", "demo"}) {
        const ProgramRun run = Kv8({QStringLiteral("db"), QLatin1String(command),
                                    QStringLiteral("sqlite:") + missing + QStringLiteral("/demo.db")});
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_TRUE(run.err.contains(missing)) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("aziende")))) << command;
    }
    // a folder that is there takes the database
    const ProgramRun made = Kv8({QStringLiteral("db"), QStringLiteral("create"),
                                 QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("demo.db"))});
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("demo.db"))));
}

TEST_F(DbCommand, ReadOnlyDatabaseThatLacksNothingHasNothingToDo)
{
    if (!CanRunAsUser())
        GTEST_SKIP() << "no way to run the program as a user who may not write";
    const ProgramRun created = Kv8({QStringLiteral("db"), QStringLiteral("create"), testDb.Url()});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    {
        auto db = testDb.Connect();
        db->ExecSQL(QStringLiteral("DROP TABLE Porti"));
    }
    const QString readOnly = ReadOnlyUrl();
    // a table is missing: the write is refused
    ProgramRun run = Kv8({QStringLiteral("db"), QStringLiteral("create"), readOnly}, QString(), true);
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();

    // every table there: nothing to write, said as such
    if (!testDb.IsPostgres()) // the owner may write
        QFile::setPermissions(readOnly.mid(QStringLiteral("sqlite:").size()),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_EQ(Kv8({QStringLiteral("db"), QStringLiteral("upgrade"), testDb.Url()}).exitCode, 0);
    ReadOnlyUrl();
    for (const char *command : {"create", "upgrade"}) {
        run = Kv8({QStringLiteral("db"), QLatin1String(command), readOnly}, QString(), true);
        EXPECT_EQ(run.exitCode, 0) << command << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("nulla da fare"))) << run.out.toStdString();
    }
}

TEST_F(DbCommand, ModuleTablesAndDemoComeWithTheModuleLibrary)
{
    // without the library: the host's tables and its part of the demo company
    const QString none = dir.filePath(QStringLiteral("nessun-modulo"));
    QDir().mkpath(none);
    ProgramRun run = Kv8({QStringLiteral("db"), QStringLiteral("demo"), testDb.Url()}, none);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("nessuna libreria del modulo"))) << run.err.toStdString();
    auto db = testDb.Connect();
    EXPECT_TRUE(db->TableExists(QStringLiteral("Articoli")));
    EXPECT_FALSE(db->TableExists(QStringLiteral("LUMO_Parametri")));
    EXPECT_FALSE(
        db->ColumnNames(QStringLiteral("Articoli")).contains(QStringLiteral("UT_LMQ_IdCatVin"), Qt::CaseInsensitive));
    const int articoli = db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Articoli")).toInt();
    EXPECT_GT(articoli, 0);
    db.reset();

    // with it (beside the program): an upgrade adds the module's tables and columns
    run = Kv8({QStringLiteral("db"), QStringLiteral("upgrade"), testDb.Url()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("created table LUMO_Parametri"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("added column Articoli.UT_LMQ_IdCatVin"))) << run.out.toStdString();

    // and the demo company loaded with it fills the module's tables and its columns on the host's rows
    TestDb other;
    run = Kv8({QStringLiteral("db"), QStringLiteral("demo"), other.Url()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    db = other.Connect();
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_Parametri")).toInt(), 1);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Articoli")).toInt(), articoli);
    EXPECT_GT(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Articoli WHERE UT_LMQ_IdCatVin <> ''")).toInt(), 0);
    EXPECT_GT(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM CausaliMagaz WHERE UT_LMQ_FlRegCs = 1")).toInt(), 0);
    db.reset();
}
