// Finding the module library: a missing one is no news, one that is there but cannot be
// loaded is logged and the next place is tried.
#include "host/ui/ModuleLoader.h"
#include "tests/support/ui/LogCapture.h"
#include "tests/support/ui/UiScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// KV8_MODULES for the life of the object.
class ModulesFrom {
public:
    explicit ModulesFrom(const QStringList &folders)
        : saved_(qgetenv("KV8_MODULES")), had_(qEnvironmentVariableIsSet("KV8_MODULES"))
    {
        qputenv("KV8_MODULES", folders.join(QLatin1Char(':')).toLocal8Bit());
    }
    ~ModulesFrom()
    {
        if (had_)
            qputenv("KV8_MODULES", saved_);
        else
            qunsetenv("KV8_MODULES");
    }

private:
    QByteArray saved_;
    bool had_;
};

} // namespace

TEST(ModuleLoader, ALibraryThatCannotBeLoadedIsLoggedAndTheNextPlaceTried)
{
    kv8test::EnsureApplication();
    QTemporaryDir empty;
    QTemporaryDir broken;
    QFile junk(broken.filePath(QStringLiteral("libdusaria.so")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a library");
    junk.close();

    {
        ModulesFrom where({empty.path()});
        kv8test::LogCapture log;
        TModuleLibrary module;
        QString error = QStringLiteral("old");
        EXPECT_FALSE(module.Load(&error));
        EXPECT_TRUE(error.isEmpty());
        EXPECT_TRUE(log.Lines().isEmpty()) << "nothing there: nothing to say";
    }
    {
        ModulesFrom where({broken.path()});
        kv8test::LogCapture log;
        TModuleLibrary module;
        QString error;
        EXPECT_FALSE(module.Load(&error));
        EXPECT_FALSE(error.isEmpty()) << "the loader's reason is kept";
        const QStringList lines = log.Containing(QStringLiteral("could not be loaded"));
        ASSERT_EQ(lines.size(), 1) << log.Lines().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(lines.first().contains(broken.filePath(QStringLiteral("dusaria"))));
    }

    const QString testModule =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib/testmodule"));
    if (!QFileInfo::exists(testModule))
        GTEST_SKIP() << "the test module library is not built";
    ModulesFrom where({broken.path(), testModule});
    kv8test::LogCapture log;
    TModuleLibrary module;
    QString error;
    EXPECT_TRUE(module.Load(&error));
    EXPECT_TRUE(module.IsLoaded());
    EXPECT_TRUE(error.isEmpty()) << "the later place loaded: no error left";
    EXPECT_EQ(log.Containing(QStringLiteral("could not be loaded")).size(), 1);
}
