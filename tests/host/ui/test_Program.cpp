// The kv8 program run from outside: the demo company, menus, the module library loaded for
// real (the stand-in library of tests/support/ui/testmodule), unattended answers and the
// offscreen screenshot.
#include "host/ui/MDIForm.h"
#include "tests/support/TestDb.h"
#include "tests/support/ui/Program.h"
#include "tests/support/ui/UiScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using kv8test::ProgramPath;
using kv8test::ProgramRun;

QString TestModuleDir()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib/testmodule"));
}

ProgramRun Kv8(const QStringList &arguments, const QString &modules = QString())
{
    return kv8test::RunProgram(arguments, modules);
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
        ready_ = demo.ExitCode == 0;
        if (!ready_)
            ADD_FAILURE() << "kv8 db demo failed: " << demo.Err.toStdString();
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
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"),
                                QStringLiteral("BBAS0051F"), QStringLiteral("--screenshot"), shot});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 400);
    EXPECT_GE(Colours(image), 16) << "the screenshot is blank";

    // without a menu choice: the main window alone, still not blank
    const QString empty = dir.filePath(QStringLiteral("main.png"));
    ASSERT_EQ(Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--screenshot"), empty}).ExitCode, 0);
    EXPECT_GE(Colours(QImage(empty)), 4);
}

TEST_F(ProgramTest, ModuleLibraryReceivesTheMenuChoicesAndAnswersComeFromTheList)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"),
                                QStringLiteral("TEST0001F"), QStringLiteral("--menu"), QStringLiteral("TEST0002Q"),
                                QStringLiteral("--menu"), QStringLiteral("TEST0002Q"), QStringLiteral("--menu"),
                                QStringLiteral("NONESISTE"), QStringLiteral("--answers"), QStringLiteral("no,yes")},
                               TestModuleDir());
    EXPECT_EQ(run.ExitCode, 5) << "a code nobody handles fails the run\n" << run.Err.toStdString();
    const QStringList lines = run.Lines();
    const QStringList expected = {
        QStringLiteral("testmodule: Initialize"),
        QStringLiteral("Informazione: Modulo di prova: TEST0001F"),
        QStringLiteral("Conferma: Proseguire ? -> no"),
        QStringLiteral("Informazione: Risposta 7"),
        QStringLiteral("Conferma: Proseguire ? -> yes"),
        QStringLiteral("Informazione: Risposta 6"),
        QStringLiteral("kv8: nobody handles the menu code NONESISTE"),
        QStringLiteral("Informazione: La funzione NONESISTE non è disponibile"),
        QStringLiteral("kv8: menu codes nobody handles: NONESISTE"),
        QStringLiteral("testmodule: Finalize"),
    };
    qsizetype at = 0;
    for (const QString &line : expected) {
        at = lines.indexOf(line, at);
        EXPECT_GE(at, 0) << "missing, or out of order: " << line.toStdString() << "\n" << run.Err.toStdString();
        if (at < 0)
            break;
    }
}

TEST_F(ProgramTest, AQuestionWithoutAnAnswerEndsTheRunAndSaysWhich)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const ProgramRun run = Kv8(
        {QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0002Q")}, TestModuleDir());
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("no answer left for the question \"Proseguire ?\"")))
        << run.Err.toStdString();
    EXPECT_FALSE(run.Err.contains(QStringLiteral("Risposta")));
}

TEST_F(ProgramTest, AModalDialogIsReportedCancelledAndPhotographed)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const QString shot = dir.filePath(QStringLiteral("dialogo.png"));
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"),
                                QStringLiteral("TEST0003D"), QStringLiteral("--screenshot"), shot},
                               TestModuleDir());
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Lines().contains(QStringLiteral("Finestra: Dialogo di prova (TfdlgBase)")))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Lines().contains(QStringLiteral("Informazione: Esito 2")));
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_LT(image.width(), 500) << "the dialog, not the main window";
    EXPECT_GE(Colours(image), 4);
}

TEST_F(ProgramTest, StepsTypeClickAndPressKeysInTheWindowOfTheMenuChoice)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const ProgramRun run =
        Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0004F"),
             QStringLiteral("--set"), QStringLiteral("edQuantita=12"), QStringLiteral("--set=edNota=Consegna urgente"),
             QStringLiteral("--click"), QStringLiteral("btMostra"), QStringLiteral("--key"), QStringLiteral("F10"),
             QStringLiteral("--set"), QStringLiteral("edquantita=-3"), QStringLiteral("--click"),
             QStringLiteral("btMostra")},
            TestModuleDir());
    EXPECT_EQ(run.ExitCode, 4) << "the refused value was an error\n" << run.Err.toStdString();
    const QString missing = run.MissingInOrder({
        QStringLiteral("Scelta: TEST0004F"),
        QStringLiteral("Finestra: Prova azioni (TFProvaAzioni)"),
        QStringLiteral("Passo: --set edQuantita=12"),
        QStringLiteral("Passo: --click btMostra"),
        // typed through the edit: the dataset went into edit and the field took the value
        QStringLiteral("Informazione: Quantità 12 in modifica, nota \"Consegna urgente\""),
        QStringLiteral("Passo: --key F10"),
        QStringLiteral("Informazione: Tasto F10"),
        QStringLiteral("Passo: --set edquantita=-3"),
        QStringLiteral("Errore: La quantità non può essere negativa"),
        QStringLiteral("Informazione: Quantità 12 in modifica, nota \"Consegna urgente\""),
        QStringLiteral("kv8: 1 error was shown"),
    });
    EXPECT_TRUE(missing.isEmpty()) << "missing, or out of order: " << missing.toStdString() << "\n"
                                   << run.Err.toStdString();
    EXPECT_EQ(run.Lines().filter(QStringLiteral("Finestra:")).size(), 1);
}

TEST_F(ProgramTest, ADialogTakesTheStepsWhileItIsOpenAndTheRestGoToTheChildWindow)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    ProgramRun run =
        Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0004F"),
             QStringLiteral("--menu"), QStringLiteral("TEST0003D"), QStringLiteral("--click"), QStringLiteral("btOk"),
             QStringLiteral("--click"), QStringLiteral("btMostra"), QStringLiteral("--menu"),
             QStringLiteral("TEST0003D"), QStringLiteral("--key"), QStringLiteral("Escape")},
            TestModuleDir());
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QString missing = run.MissingInOrder({
        QStringLiteral("Finestra: Dialogo di prova (TfdlgBase)"),
        QStringLiteral("Passo: --click btOk"),
        QStringLiteral("Informazione: Esito 1"),
        QStringLiteral("Passo: --click btMostra"),
        QStringLiteral("Informazione: Quantità 1 invariata, nota \"\""),
        QStringLiteral("Finestra: Dialogo di prova (TfdlgBase)"),
        QStringLiteral("Passo: --key Escape"),
        QStringLiteral("Informazione: Esito 2"),
    });
    EXPECT_TRUE(missing.isEmpty()) << "missing, or out of order: " << missing.toStdString() << "\n"
                                   << run.Err.toStdString();
}

TEST_F(ProgramTest, AStepThatCannotBeDoneEndsTheRunAndSaysWhy)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const QString window = QStringLiteral("the window \"Prova azioni\" (TFProvaAzioni)");
    struct Caso {
        QStringList steps;
        QString problem;
    };
    const QList<Caso> casi = {
        {{QStringLiteral("--click"), QStringLiteral("btSpento")},
         QStringLiteral("kv8: --click btSpento: the control btSpento of ") + window + QStringLiteral(" is disabled")},
        {{QStringLiteral("--click"), QStringLiteral("btNascosto")},
         QStringLiteral("kv8: --click btNascosto: the control btNascosto of ") + window
             + QStringLiteral(" is not shown")},
        {{QStringLiteral("--set"), QStringLiteral("edNessuno=1")},
         QStringLiteral("kv8: --set edNessuno=1: ") + window + QStringLiteral(" has no control edNessuno")},
        {{QStringLiteral("--click"), QStringLiteral("edNota")},
         QStringLiteral("kv8: --click edNota: the control edNota of ") + window + QStringLiteral(" is not a button")},
        {{QStringLiteral("--set"), QStringLiteral("edNota=Consegna urgentissima")},
         QStringLiteral("kv8: --set edNota=Consegna urgentissima: the control edNota of ") + window
             + QStringLiteral(" takes at most 20 characters")},
        {{QStringLiteral("--set"), QStringLiteral("btMostra=1")},
         QStringLiteral("kv8: --set btMostra=1: the control btMostra of ") + window
             + QStringLiteral(" does not take typed text")},
        {{QStringLiteral("--click"), QStringLiteral("pnRighe/btNessuno")},
         QStringLiteral("kv8: --click pnRighe/btNessuno: ") + window
             + QStringLiteral(" has no control pnRighe/btNessuno")},
        {{QStringLiteral("--click"), QStringLiteral("btSeconda")},
         QStringLiteral("kv8: --click btSeconda: the control btSeconda of ") + window
             + QStringLiteral(" is not shown")},
        {{QStringLiteral("--page"), QStringLiteral("tsNascosta")},
         QStringLiteral("kv8: --page tsNascosta: the page tsNascosta of ") + window + QStringLiteral(" is not shown")},
        {{QStringLiteral("--page"), QStringLiteral("btMostra")},
         QStringLiteral("kv8: --page btMostra: the control btMostra of ") + window + QStringLiteral(" is not a page")},
    };
    for (const Caso &c : casi) {
        SCOPED_TRACE(c.steps.join(QLatin1Char(' ')).toStdString());
        const ProgramRun run =
            Kv8(QStringList{QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0004F")}
                    + c.steps + QStringList{QStringLiteral("--click"), QStringLiteral("btMostra")},
                TestModuleDir());
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_TRUE(run.Lines().contains(c.problem)) << run.Err.toStdString();
        EXPECT_FALSE(run.Err.contains(QStringLiteral("Quantità"))) << "the steps after it do not run";
    }

    // no window to act on
    const ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"),
                                QStringLiteral("NONESISTE"), QStringLiteral("--key"), QStringLiteral("F10")},
                               TestModuleDir());
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(run.Lines().contains(QStringLiteral("kv8: --key F10: no window is open"))) << run.Err.toStdString();

    // a stored record takes no typing before Edit
    const ProgramRun browsed =
        Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("BBAS0051F;C0001"),
             QStringLiteral("--set"), QStringLiteral("edRagioneSociale=Altro")});
    EXPECT_EQ(browsed.ExitCode, 2);
    EXPECT_TRUE(browsed.Err.contains(QStringLiteral("the control edRagioneSociale of the window"))
                && browsed.Err.contains(QStringLiteral("is read-only")))
        << browsed.Err.toStdString();
}

TEST_F(ProgramTest, AControlIsNamedThroughItsParentAndAPageIsShownAsItsTabClicked)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const ProgramRun run =
        Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0004F"),
             QStringLiteral("--click"), QStringLiteral("pnRighe/btConta"), QStringLiteral("--click"),
             QStringLiteral("pntesta/btconta"), QStringLiteral("--page"), QStringLiteral("tsSeconda"),
             QStringLiteral("--click"), QStringLiteral("btSeconda"), QStringLiteral("--page"),
             QStringLiteral("pgSchede/tsPrima"), QStringLiteral("--click"), QStringLiteral("tsPrima/btPrima")},
            TestModuleDir());
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QString missing = run.MissingInOrder({
        QStringLiteral("Passo: --click pnRighe/btConta"),
        QStringLiteral("Informazione: Conta pnRighe"),
        QStringLiteral("Passo: --click pntesta/btconta"),
        QStringLiteral("Informazione: Conta pnTesta"),
        QStringLiteral("Passo: --page tsSeconda"),
        QStringLiteral("Informazione: Pagina tsSeconda"),
        QStringLiteral("Passo: --page pgSchede/tsPrima"),
        QStringLiteral("Informazione: Pagina tsPrima"),
    });
    EXPECT_TRUE(missing.isEmpty()) << "missing, or out of order: " << missing.toStdString() << "\n"
                                   << run.Err.toStdString();
    EXPECT_EQ(run.Lines().filter(QStringLiteral("Informazione: Conta")).size(), 2);
}

TEST_F(ProgramTest, TheScreenshotShowsTheDialogTheLastStepOpenedElseTheWindowItActedIn)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    const auto shot = [&](const QString &name, const QStringList &steps) {
        const QString file = dir.filePath(name);
        const ProgramRun run = Kv8(QStringList{QStringLiteral("--database"), Url()} + steps
                                       + QStringList{QStringLiteral("--screenshot"), file},
                                   TestModuleDir());
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        return QImage(file);
    };
    const QImage outer = shot(QStringLiteral("esterno.png"), {QStringLiteral("--menu"), QStringLiteral("TEST0003D")});
    // a dialog opened from a dialog by the last step
    const QImage inner = shot(QStringLiteral("interno.png"), {QStringLiteral("--menu"), QStringLiteral("TEST0003D"),
                                                              QStringLiteral("--click"), QStringLiteral("btInterno")});
    // a dialog opened from a child window by the last step
    const QImage fromWindow =
        shot(QStringLiteral("finestra.png"), {QStringLiteral("--menu"), QStringLiteral("TEST0004F"),
                                              QStringLiteral("--click"), QStringLiteral("btDialogo")});
    // once the dialog is closed, a step acts in the child window again
    const QImage after = shot(QStringLiteral("dopo.png"),
                              {QStringLiteral("--menu"), QStringLiteral("TEST0004F"), QStringLiteral("--click"),
                               QStringLiteral("btDialogo"), QStringLiteral("--click"), QStringLiteral("btOk"),
                               QStringLiteral("--click"), QStringLiteral("btMostra")});
    ASSERT_FALSE(outer.isNull());
    ASSERT_FALSE(inner.isNull());
    ASSERT_FALSE(fromWindow.isNull());
    ASSERT_FALSE(after.isNull());
    EXPECT_LT(inner.width(), outer.width()) << "the inner dialog, not the one that opened it";
    EXPECT_EQ(fromWindow.size(), inner.size()) << "the same small dialog";
    EXPECT_GE(after.width(), 400) << "the main window with the child window";
    EXPECT_GT(after.height(), fromWindow.height());
}

TEST_F(ProgramTest, TheExitStatusTellsAnErrorShownFromACodeNobodyHandles)
{
    if (!QFileInfo::exists(TestModuleDir()))
        GTEST_SKIP() << "the test module library is not built";
    ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0004F"),
                          QStringLiteral("--click"), QStringLiteral("btErrore"), QStringLiteral("--click"),
                          QStringLiteral("btMostra")},
                         TestModuleDir());
    EXPECT_EQ(run.ExitCode, 4);
    EXPECT_TRUE(run.MissingInOrder({QStringLiteral("Errore: Registrazione rifiutata"),
                                    QStringLiteral("Informazione: Quantità 1 invariata, nota \"\""),
                                    QStringLiteral("kv8: 1 error was shown")})
                    .isEmpty())
        << "the steps go on to the end\n"
        << run.Err.toStdString();

    // an error weighs more than a code nobody handles
    run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("NONESISTE"),
               QStringLiteral("--menu"), QStringLiteral("TEST0004F"), QStringLiteral("--click"),
               QStringLiteral("btErrore")},
              TestModuleDir());
    EXPECT_EQ(run.ExitCode, 4) << run.Err.toStdString();
    EXPECT_TRUE(run.Lines().contains(QStringLiteral("kv8: menu codes nobody handles: NONESISTE")))
        << run.Err.toStdString();

    run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("NONESISTE")},
              TestModuleDir());
    EXPECT_EQ(run.ExitCode, 5) << run.Err.toStdString();

    // warnings and information are a good day's messages
    run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--menu"), QStringLiteral("TEST0001F"),
               QStringLiteral("--menu"), QStringLiteral("TEST0004F"), QStringLiteral("--click"),
               QStringLiteral("btMostra")},
              TestModuleDir());
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
}

TEST_F(ProgramTest, CommandLineMistakesAreRefused)
{
    ProgramRun run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--answers"), QStringLiteral("forse")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("unknown answer \"forse\"")));
    run = Kv8({QStringLiteral("--bogus")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("usage:")));
    run = Kv8({QStringLiteral("--database"), QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("nessuno.db")),
               QStringLiteral("--menu"), QStringLiteral("BBAS0051F")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("kv8 db demo")));

    // steps need a menu choice before them, a name and a value, a key the program knows
    struct Caso {
        QStringList arguments;
        QString problem;
    };
    const QList<Caso> casi = {
        {{QStringLiteral("--click"), QStringLiteral("btOk"), QStringLiteral("--menu"), QStringLiteral("QARN0001F")},
         QStringLiteral("kv8: --click acts in the window of a menu choice: put a --menu before it")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--set"), QStringLiteral("edNota")},
         QStringLiteral("kv8: --set needs NAME=VALUE")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--set"), QStringLiteral("=5")},
         QStringLiteral("kv8: --set needs NAME=VALUE")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--key"), QStringLiteral("Invio")},
         QStringLiteral("kv8: unknown key \"Invio\" (a key such as F10, Escape, Enter, Tab, Ctrl+F4)")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--key"), QStringLiteral("F1,F2")},
         QStringLiteral("kv8: unknown key \"F1,F2\" (a key such as F10, Escape, Enter, Tab, Ctrl+F4)")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--click")},
         QStringLiteral("kv8: --click needs a value")},
        {{QStringLiteral("--page"), QStringLiteral("tsPrima"), QStringLiteral("--menu"), QStringLiteral("QARN0001F")},
         QStringLiteral("kv8: --page acts in the window of a menu choice: put a --menu before it")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--click"), QStringLiteral("pnRighe/")},
         QStringLiteral("kv8: --click: \"pnRighe/\" is not a control's name (NAME, or PARENT/NAME)")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--set"), QStringLiteral("/edNota=1")},
         QStringLiteral("kv8: --set: \"/edNota\" is not a control's name (NAME, or PARENT/NAME)")},
        {{QStringLiteral("--menu"), QStringLiteral("QARN0001F"), QStringLiteral("--page"),
          QStringLiteral("pcPagine/ ")},
         QStringLiteral("kv8: --page: \"pcPagine/\" is not a control's name (NAME, or PARENT/NAME)")},
    };
    for (const Caso &c : casi) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        run = Kv8(QStringList{QStringLiteral("--database"), Url()} + c.arguments);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Lines().contains(c.problem)) << run.Err.toStdString();
        EXPECT_FALSE(run.Err.contains(QStringLiteral("Scelta:"))) << "nothing is run";
    }

    // a user the company does not know
    run = Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--user"), QStringLiteral("NESSUNO"),
               QStringLiteral("--menu"), QStringLiteral("BBAS0051F")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Lines().contains(
        QStringLiteral("kv8: L'utente NESSUNO non è tra gli utenti della ditta: indicarne uno della ditta "
                       "con --user.")))
        << run.Err.toStdString();
    EXPECT_FALSE(run.Err.contains(QStringLiteral("Scelta:")));
    EXPECT_EQ(Kv8({QStringLiteral("--database"), Url(), QStringLiteral("--user"), QStringLiteral("MARIO"),
                   QStringLiteral("--menu"), QStringLiteral("BBAS0051F")})
                  .ExitCode,
              0);
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
    const QStringList required = {"BBAS0030F",
                                  "BBAS0055F",
                                  "BBAS0051F",
                                  "BBAS0052F",
                                  "BBAS0047F",
                                  "BBAS0019F",
                                  "BBAS0058F",
                                  "BBAS0038F",
                                  "BBAS0039F",
                                  "BBAS0045F",
                                  "BMAG0001F",
                                  "SVEN0001F_C",
                                  "SVEN0001F_F",
                                  "SVEN0002D",
                                  "SVEN0007D",
                                  "SVEN0008F_F",
                                  "SVEN0008F_R",
                                  "SVEN0009D",
                                  "SVEN0012D",
                                  "SOFC0001F",
                                  "SORC0001F",
                                  "SACQ0001F",
                                  "QARN0001F",
                                  "QARN0002F",
                                  "QARN0003F",
                                  "QARN0004F",
                                  "QARN0005F",
                                  "QARN0006F",
                                  "QARN0007F",
                                  "QARN0009F",
                                  "QARN0010F",
                                  "QARN0011F",
                                  "QARN0012F",
                                  "QARN0013F",
                                  "QARN0100F",
                                  "QARN0802F",
                                  "QARNVIEWTIPOLOGIEOMAGGI",
                                  "QARN0112D",
                                  "QARN0154D",
                                  "QARN0155D",
                                  "QARN0156D",
                                  "QARN0213D",
                                  "QARN0500D",
                                  "QARN0801D",
                                  "QARN0014F",
                                  "QARN0014D",
                                  "QARN0014D_001",
                                  "QARN0300D",
                                  "QARN0301D",
                                  "QARN0302D",
                                  "QARN0102F",
                                  "QARN0104F",
                                  "QARN0101D",
                                  "QARN0103D",
                                  "QARN0105D",
                                  "QARN0106D",
                                  "QARN0110D",
                                  "QARN0111F",
                                  "QARN0201F",
                                  "QARN0209F",
                                  "QARN0202F_C",
                                  "QARN0202F_F",
                                  "QARN0204F",
                                  "QARN0203D",
                                  "QARN0205D",
                                  "QARN0206D",
                                  "QARN0207D",
                                  "QARN0208D",
                                  "QARN0210D",
                                  "QARN0211D",
                                  "QARN0212D",
                                  "QARN0400F",
                                  "QARN0403F",
                                  "QARN0401D",
                                  "QARN0402D",
                                  "QARN0404D"};
    // the host's own code tables
    const QStringList tabelle = {"BBAS0010F", "BBAS0011F", "BBAS0012F", "BBAS0013F", "BBAS0014F", "BBAS0015F",
                                 "BBAS0016F", "BBAS0017F", "BBAS0018F", "BBAS0020F", "BBAS0021F", "BBAS0022F",
                                 "BBAS0023F", "BBAS0024F", "BBAS0025F", "BBAS0026F"};
    for (const QString &code : required + tabelle)
        EXPECT_TRUE(codes.contains(code)) << code.toStdString();
    EXPECT_EQ(codes.size(), required.size() + tabelle.size()) << "a code in the menu the dispatch tables do not know";
    for (const Mdimainbase::TMenuEntry &e : window.MenuEntries())
        EXPECT_FALSE(e.Caption.isEmpty()) << e.Code.toStdString();
}
