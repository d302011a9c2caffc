// The kv8 program run from outside: the demo company, menus, the module library loaded for
// real (the stand-in library of tests/support/ui/testmodule), unattended answers and the
// offscreen screenshot.
#include "host/ui/MDIForm.h"
#include "tests/support/TestDb.h"
#include "tests/support/ui/UiScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString err;
    QStringList Lines() const { return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

QString ProgramPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kv8"));
}

QString TestModuleDir()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib/testmodule"));
}

ProgramRun Kv8(const QStringList &arguments, const QString &modules = QString())
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KV8_MODULES"), modules.isEmpty() ? QDir::tempPath() + QStringLiteral("/kv8-no-modules") : modules);
    env.remove(QStringLiteral("KV8_DATABASE"));
    process.setProcessEnvironment(env);
    process.start(ProgramPath(), arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("timed out");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Distinct colours of an image, counted up to a limit: a blank image has one.
int Colours(const QImage &image, int limit = 64)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            seen.insert(image.pixel(x, y));
            if (seen.size() >= limit)
                return limit;
        }
    return int(seen.size());
}

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kv8test::EnsureApplication();
        if (!QFileInfo::exists(ProgramPath()))
            return;
        db_ = new TestDb;
        if (!db_->Available())
            return;
        const ProgramRun demo = Kv8({QStringLiteral("db"), QStringLiteral("demo"), db_->Url()});
        ready_ = demo.exitCode == 0;
        if (!ready_)
            ADD_FAILURE() << "kv8 db demo failed: " << demo.err.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
    }
    void SetUp() override
    {
        if (!QFileInfo::exists(ProgramPath()))
            GTEST_SKIP() << "the program kv8 is not built";
        if (!db_ || !db_->Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        ASSERT_TRUE(ready_);
    }
    static QString Url() { return db_->Url(); }

    static inline TestDb *db_ = nullptr;
    static inline bool ready_ = false;
    QTemporaryDir dir;
};

} // namespace

TEST_F(ProgramTest, ScreenshotShowsTheHostWindowOpenedFromTheMenu)
{
    const QString shot = dir.filePath(QStringLiteral("clienti.png"));
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("BBAS0051F"),
                         QStringLiteral("--screenshot"), shot});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 400);
    EXPECT_GE(Colours(image), 16) << "the screenshot is blank";

    // without a menu choice: the main window alone, still not blank
    const QString empty = dir.filePath(QStringLiteral("main.png"));
    ASSERT_EQ(Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--screenshot"), empty}).exitCode, 0);
    EXPECT_GE(Colours(QImage(empty)), 4);
}

TEST_F(ProgramTest, ModuleLibraryReceivesTheMenuChoicesAndAnswersComeFromTheList)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0001F"),
                         QStringLiteral("--menu"), QStringLiteral("TEST0002Q"), QStringLiteral("--menu"),
                         QStringLiteral("TEST0002Q"), QStringLiteral("--menu"), QStringLiteral("NONESISTE"),
                         QStringLiteral("--answers"), QStringLiteral("no,yes")},
                        TestModuleDir());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.Lines();
    const QStringList expected = {
        QStringLiteral("testmodule: Initialize"),
        QStringLiteral("Informazione: Modulo di prova: TEST0001F"),
        QStringLiteral("Conferma: Proseguire ? -> no"),
        QStringLiteral("Informazione: Risposta 7"),
        QStringLiteral("Conferma: Proseguire ? -> yes"),
        QStringLiteral("Informazione: Risposta 6"),
        QStringLiteral("Informazione: La funzione NONESISTE non è disponibile"),
        QStringLiteral("testmodule: Finalize"),
    };
    qsizetype at = 0;
    for (const QString &line : expected) {
        at = lines.indexOf(line, at);
        EXPECT_GE(at, 0) << "missing, or out of order: " << line.toStdString() << "\n" << run.err.toStdString();
        if (at < 0)
            break;
    }
}

TEST_F(ProgramTest, AQuestionWithoutAnAnswerEndsTheRunAndSaysWhich)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0002Q")},
                        TestModuleDir());
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no answer left for the question \"Proseguire ?\""))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Risposta")));
}

TEST_F(ProgramTest, AModalDialogIsReportedCancelledAndPhotographed)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const QString shot = dir.filePath(QStringLiteral("dialogo.png"));
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0003D"),
                                QStringLiteral("--screenshot"), shot},
                               TestModuleDir());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.Lines().contains(QStringLiteral("Finestra: Dialogo di prova (TfdlgBase)"))) << run.err.toStdString();
    EXPECT_TRUE(run.Lines().contains(QStringLiteral("Informazione: Esito 2")));
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_LT(image.width(), 500) << "the dialog, not the main window";
    EXPECT_GE(Colours(image), 4);
}

TEST_F(ProgramTest, CommandLineMistakesAreRefused)
{
    ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--answers"), QStringLiteral("forse")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("unknown answer \"forse\"")));
    run = Kv8({QStringLiteral("--bogus")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("usage:")));
    run = Kv8({QStringLiteral("--database"), QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("nessuno.db")),
               QStringLiteral("--menu"), QStringLiteral("BBAS0051F")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("kv8 db demo")));
}

TEST(ProgramMenu, MenuFileListsEveryMenuCodeOnce)
{
    kv8test::EnsureApplication();
    const QString file = QStringLiteral(KV8_SOURCE_DIR "/host/app/menu.json");
    Mdimainbase::TMDIForm window;
    ASSERT_NO_THROW(window.LoadMenu(file));
    QStringList codes;
    for (const Mdimainbase::TMenuEntry &e : window.MenuEntries())
        codes << e.Code;
    const QStringList required = {
        "BBAS0030F",   "BBAS0055F",   "BBAS0051F",   "BBAS0052F",   "BBAS0047F",   "BBAS0019F",   "BBAS0058F",
        "BBAS0038F",   "BBAS0039F",   "BBAS0045F",   "BMAG0001F",   "SVEN0001F_C", "SVEN0001F_F", "SVEN0002D",
        "SVEN0007D",   "SVEN0008F_F", "SVEN0008F_R", "SVEN0009D",   "SVEN0012D",   "SOFC0001F",   "SORC0001F",
        "SACQ0001F",   "QARN0001F",   "QARN0002F",   "QARN0003F",   "QARN0004F",   "QARN0005F",   "QARN0006F",
        "QARN0007F",   "QARN0009F",   "QARN0010F",   "QARN0011F",   "QARN0012F",   "QARN0013F",   "QARN0100F",
        "QARN0802F",   "QARNVIEWTIPOLOGIEOMAGGI",    "QARN0112D",   "QARN0154D",   "QARN0155D",   "QARN0156D",
        "QARN0213D",   "QARN0500D",   "QARN0801D",   "QARN0014F",   "QARN0014D",   "QARN0014D_001",
        "QARN0300D",   "QARN0301D",   "QARN0302D",   "QARN0102F",   "QARN0104F",   "QARN0101D",   "QARN0103D",
        "QARN0105D",   "QARN0106D",   "QARN0110D",   "QARN0111F",   "QARN0201F",   "QARN0209F",   "QARN0202F_C",
        "QARN0202F_F", "QARN0204F",   "QARN0203D",   "QARN0205D",   "QARN0206D",   "QARN0207D",   "QARN0208D",
        "QARN0210D",   "QARN0211D",   "QARN0212D",   "QARN0400F",   "QARN0403F",   "QARN0401D",   "QARN0402D",
        "QARN0404D"};
    for (const QString &code : required)
        EXPECT_TRUE(codes.contains(code)) << code.toStdString();
    EXPECT_EQ(codes.size(), required.size()) << "a code in the menu the dispatch tables do not know";
    for (const Mdimainbase::TMenuEntry &e : window.MenuEntries())
        EXPECT_FALSE(e.Caption.isEmpty()) << e.Code.toStdString();
}
