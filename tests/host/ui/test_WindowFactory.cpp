// The window factory, window references and the close protocol, modal windows driven by
// their handler, and the main window's menus and progress display.
#include "host/ui/Dlgbase.h"
#include "host/ui/MDIForm.h"
#include "host/ui/WindowFactory.h"
#include "tests/support/ui/WindowDriver.h"

#include <QAction>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace kv8test;

namespace {

class TFProva : public TForm {
    Q_OBJECT
public:
    explicit TFProva(QWidget *owner = nullptr) : TForm(owner) { setWindowTitle(QStringLiteral("Prova")); }
    void FormCreate() override
    {
        TForm::FormCreate();
        ++creations;
        if (failCreate)
            throw Exception(QStringLiteral("Tabella mancante"));
    }
    void FormClose(TCloseAction &action) override;
    void XFormCloseQuery(bool &canClose) override { canClose = allowClose; }
    bool InitForm(int key) { return key != 0; }

    static inline int creations = 0;
    static inline bool failCreate = false;
    bool allowClose = true;
};

inline QPointer<TFProva> FProva;

void TFProva::FormClose(TCloseAction &action)
{
    TForm::FormClose(action);
    FProva = nullptr; // as every window of the module does
}

// The dispatcher of a module window: single instance with a message, InitForm false closes.
void ApriProva(const QString &code)
{
    if (FProva) {
        Kmessages::KMessage(QStringLiteral("Gestione prova già attiva"), mtError, mbOK, 0);
        return;
    }
    Funzioni::CreaFinestraProt(ClassRef::Of<TFProva>(), FProva, taDialogo);
    if (FProva && !FProva->InitForm(code.section(QLatin1Char(';'), 1).toInt()))
        FProva->Close();
}

class TfdlgProva : public TfdlgBase {
    Q_OBJECT
public:
    explicit TfdlgProva(QWidget *owner = nullptr) : TfdlgBase(owner) {}
    void btOkClick() override
    {
        if (refuse)
            throw Exception(QStringLiteral("Indicare un codice"));
        stored = true;
    }
    void XFormCloseQuery(bool &canClose) override
    {
        if (closeError)
            throw Exception(QStringLiteral("Salvataggio non riuscito"));
        canClose = allowClose;
    }
    void FormClose(TCloseAction &action) override
    {
        TfdlgBase::FormClose(action);
        ++closes;
    }
    bool refuse = false;
    bool stored = false;
    bool allowClose = true;
    bool closeError = false;
    int closes = 0;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TFProva::creations = 0;
        TFProva::failCreate = false;
    }
    UiScript script;
};

} // namespace

TEST_F(WindowTest, FactoryOpensOnceAndShowsTheOpenWindowAgain)
{
    TestMainWindow main;
    QPointer<TFProva> ref;
    EXPECT_TRUE(Funzioni::CreaFinestraProt(ClassRef::Of<TFProva>(), ref, taNormale));
    ASSERT_TRUE(ref);
    EXPECT_EQ(TFProva::creations, 1);
    EXPECT_EQ(main.ChildCount(), 1);
    ASSERT_TRUE(ref->SubWindow());
    EXPECT_EQ(ref->SubWindow()->mdiArea(), main.Window()->MdiArea());

    TFProva *first = ref.data();
    EXPECT_FALSE(Funzioni::CreaFinestraProt(ClassRef::Of<TFProva>(), ref, taNormale)) << "already open: nothing new";
    EXPECT_EQ(ref.data(), first);
    EXPECT_EQ(TFProva::creations, 1);
    EXPECT_EQ(main.ChildCount(), 1);
}

TEST_F(WindowTest, SingleInstanceThroughTheGlobalReference)
{
    TestMainWindow main(ApriProva);
    TForm *opened = main.MenuChoice(QStringLiteral("PROVA;5"));
    ASSERT_TRUE(FProva);
    EXPECT_EQ(opened, FProva.data());

    main.MenuChoice(QStringLiteral("PROVA;5"));
    EXPECT_TRUE(script.Shown(QStringLiteral("Gestione prova già attiva")));
    EXPECT_EQ(main.ChildCount(), 1);
    EXPECT_EQ(TFProva::creations, 1);

    // closing clears the reference: the next choice builds a new window
    EXPECT_TRUE(FProva->Close());
    EXPECT_FALSE(FProva);
    ProcessEvents();
    EXPECT_EQ(main.ChildCount(), 0);
    main.MenuChoice(QStringLiteral("PROVA;7"));
    EXPECT_TRUE(FProva);
    EXPECT_EQ(TFProva::creations, 2);
}

TEST_F(WindowTest, InitFormFalseClosesTheNewWindow)
{
    TestMainWindow main(ApriProva);
    main.MenuChoice(QStringLiteral("PROVA;0"));
    EXPECT_FALSE(FProva);
    ProcessEvents();
    EXPECT_EQ(main.ChildCount(), 0);
    EXPECT_TRUE(main.Window()->MdiArea()->subWindowList().isEmpty()) << "the frame goes with the window";
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(WindowTest, AFailedCreationLeavesNoWindowAndNoReference)
{
    TestMainWindow main;
    TFProva::failCreate = true;
    QPointer<TFProva> ref;
    EXPECT_THROW(Funzioni::CreaFinestraProt(ClassRef::Of<TFProva>(), ref, taNormale), Exception);
    EXPECT_FALSE(ref);
    ProcessEvents();
    EXPECT_TRUE(main.Window()->MdiArea()->subWindowList().isEmpty());

    // the same through a menu choice: the main window shows the error
    main.Window()->SetSceltaHandler(ApriProva);
    main.MenuChoice(QStringLiteral("PROVA;1"));
    EXPECT_TRUE(script.Shown(QStringLiteral("Tabella mancante")));
}

TEST_F(WindowTest, CloseQueryCanKeepTheWindowOpen)
{
    TestMainWindow main;
    QPointer<TFProva> ref;
    Funzioni::CreaFinestraProt(ClassRef::Of<TFProva>(), ref, taNormale);
    ref->allowClose = false;
    EXPECT_FALSE(ref->Close());
    ref->SubWindow()->close(); // the frame's close box
    ProcessEvents();
    ASSERT_TRUE(ref);
    EXPECT_FALSE(ref->IsClosed());
    EXPECT_EQ(main.ChildCount(), 1);
    EXPECT_FALSE(main.Window()->close()) << "the main window waits for its children";

    ref->allowClose = true;
    ref->SubWindow()->close();
    ProcessEvents();
    EXPECT_FALSE(ref);
}

TEST_F(WindowTest, OpeningModes)
{
    TestMainWindow main;
    QPointer<TFProva> maximised;
    Funzioni::CreaFinestraProt(ClassRef::Of<TFProva>(), maximised, taMassimizzata);
    EXPECT_TRUE(maximised->SubWindow()->isMaximized());
    maximised->Close();

    QPointer<TFProva> fixed;
    Funzioni::CreaFinestraProt(ClassRef::Of<TFProva>(), fixed, taDialogo);
    QMdiSubWindow *sub = fixed->SubWindow();
    EXPECT_EQ(sub->minimumSize(), sub->maximumSize());
    EXPECT_FALSE(sub->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(WindowTest, ModalDialogIsDrivenByItsHandler)
{
    script.OnDialog(QStringLiteral("TfdlgProva"), [](TForm &form) {
        auto &dialog = static_cast<TfdlgProva &>(form);
        dialog.btOk->click();
        return int(mrNone);
    });
    TfdlgProva dialog;
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(dialog.stored);
    EXPECT_EQ(script.DialogsShown(), QStringList{QStringLiteral("TfdlgProva")});

    // a refused OK keeps the dialog open; the handler then cancels
    script.OnDialog(QStringLiteral("TfdlgBase"), [](TForm &form) {
        auto &dialog = static_cast<TfdlgProva &>(form);
        dialog.refuse = true;
        dialog.btOk->click();
        EXPECT_FALSE(dialog.IsClosed());
        dialog.btAnnulla->click();
        return int(mrNone);
    });
    script.OnDialog(QStringLiteral("TfdlgProva"), nullptr);
    TfdlgProva second;
    second.stored = false;
    EXPECT_EQ(second.ShowModal(), mrCancel);
    EXPECT_FALSE(second.stored);
    EXPECT_TRUE(script.Shown(QStringLiteral("Indicare un codice")));
}

TEST_F(WindowTest, HandlerAnswerClosesThroughTheCloseQuery)
{
    // refused: the dialog stays open and the answer is neither OK nor Cancel
    script.OnDialog(QStringLiteral("TfdlgProva"), [](TForm &) { return int(mrOk); });
    TfdlgProva dialog;
    dialog.allowClose = false;
    EXPECT_EQ(dialog.ShowModal(), mrNone);
    EXPECT_FALSE(dialog.IsClosed());
    EXPECT_FALSE(dialog.IsModal());
    EXPECT_EQ(dialog.closes, 0) << "FormClose runs only for a close that happens";

    // an error of the close query is shown as for the user's close, and refuses too
    dialog.closeError = true;
    EXPECT_EQ(dialog.ShowModal(), mrNone);
    EXPECT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.LastText(), QStringLiteral("Salvataggio non riuscito"));
    EXPECT_EQ(script.Messages().last().Type, mtError);
    EXPECT_FALSE(dialog.IsClosed());

    dialog.closeError = false;
    dialog.allowClose = true;
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(dialog.IsClosed());
    EXPECT_EQ(dialog.closes, 1);

    // a handler answering nothing definite: the close is the close box's, a cancel
    script.OnDialog(QStringLiteral("TfdlgProva"), [](TForm &) { return int(mrNone); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(dialog.closes, 2);
}

TEST_F(WindowTest, AWindowFreedWhileModalIsNotTouchedAgain)
{
    // by the test's handler
    script.OnDialog(QStringLiteral("TfdlgProva"), [](TForm &form) {
        delete &form;
        return int(mrOk);
    });
    QPointer<TfdlgProva> dialog = new TfdlgProva;
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(dialog);

    // by a timer while the event loop runs
    const TForm::ModalHandler previous = TForm::SetModalHandler(nullptr);
    dialog = new TfdlgProva;
    QTimer::singleShot(0, [dialog] { delete dialog.data(); });
    QTimer::singleShot(5000, dialog, [dialog] { dialog->SetModalResult(mrAbort); }); // not freed: no hang
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(dialog);

    // freed later, when its own loop dispatches the deletion
    dialog = new TfdlgProva;
    QTimer::singleShot(0, dialog, [dialog] { dialog->deleteLater(); });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(dialog);
    TForm::SetModalHandler(previous);
}

TEST_F(WindowTest, ShowModalOfAWindowAlreadyModalIsRefused)
{
    QString refused;
    script.OnDialog(QStringLiteral("TfdlgProva"), [&refused](TForm &form) {
        try {
            form.ShowModal();
        } catch (const Exception &e) {
            refused = e.Message;
        }
        EXPECT_TRUE(form.IsModal()) << "the first ShowModal goes on";
        static_cast<TfdlgProva &>(form).btOk->click();
        return int(mrNone);
    });
    TfdlgProva dialog;
    dialog.setWindowTitle(QStringLiteral("Richiesta dati"));
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(refused,
              QStringLiteral("La finestra \"Richiesta dati\" è già aperta: chiuderla prima di aprirla di nuovo"));
    EXPECT_EQ(script.DialogsShown().size(), 1);
    EXPECT_FALSE(dialog.IsModal());

    // closed, it may be shown again
    script.OnDialog(QStringLiteral("TfdlgProva"), [](TForm &) { return int(mrCancel); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);

    // the same from inside a real modal loop
    const TForm::ModalHandler previous = TForm::SetModalHandler(nullptr);
    refused.clear();
    QTimer::singleShot(0, &dialog, [&dialog, &refused] {
        try {
            dialog.ShowModal();
        } catch (const Exception &e) {
            refused = e.Message;
        }
        dialog.SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_FALSE(refused.isEmpty());
    EXPECT_FALSE(dialog.isVisible());
    TForm::SetModalHandler(previous);
}

TEST(WindowScript, UnexpectedDialogFailsTheTestAndIsCancelled)
{
    EXPECT_NONFATAL_FAILURE(
        {
            UiScript script;
            TfdlgProva dialog;
            dialog.setWindowTitle(QStringLiteral("Richiesta dati"));
            EXPECT_EQ(dialog.ShowModal(), mrCancel);
        },
        "unexpected dialog TfdlgProva");
}

TEST_F(WindowTest, MenusComeFromTheMenuFileAndReachTheDispatcher)
{
    QStringList chosen;
    TestMainWindow main([&chosen](const QString &code) { chosen << code; });
    main.Window()->LoadMenuJson(R"({"menus": [
        {"caption": "&Cauzioni", "items": [
            {"code": "QARN0201F", "caption": "Listini cauzioni"},
            {"separator": true},
            {"caption": "Stampe", "items": [{"code": "QARN0210D", "caption": "Movimenti resi"}]}]},
        {"caption": "&Anagrafiche", "items": [{"code": "BBAS0030F", "caption": "Articoli", "table": "Articoli"}]}]})");
    ASSERT_EQ(main.Window()->MenuEntries().size(), 3);
    EXPECT_EQ(main.Window()->MenuEntry(QStringLiteral("BBAS0030F"))->Table, QStringLiteral("Articoli"));
    EXPECT_EQ(main.Window()->MenuEntry(QStringLiteral("QARN0210D"))->Path,
              (QStringList{QStringLiteral("&Cauzioni"), QStringLiteral("Stampe")}));
    main.Window()->MenuAction(QStringLiteral("QARN0210D"))->trigger();
    EXPECT_EQ(chosen, QStringList{QStringLiteral("QARN0210D")});

    EXPECT_THROW(
        main.Window()->LoadMenuJson(R"({"menus": [{"caption": "X", "items": [{"caption": "senza codice"}]}]})"),
        Exception);
    EXPECT_THROW(main.Window()->LoadMenuJson("{"), Exception);
}

TEST_F(WindowTest, ProgressDisplay)
{
    TestMainWindow main;
    Mdimainbase::ProgressStart(3, QStringLiteral("Registrazione movimenti in corso.."));
    EXPECT_TRUE(main.Window()->ProgressActive());
    EXPECT_EQ(main.Window()->ProgressCaption(), QStringLiteral("Registrazione movimenti in corso.."));
    Mdimainbase::ProgressStep();
    Mdimainbase::ProgressStep();
    EXPECT_EQ(main.Window()->ProgressValue(), 2);
    Mdimainbase::ProgressStep(5);
    EXPECT_EQ(main.Window()->ProgressValue(), 3) << "never beyond the count";
    Mdimainbase::ProgressEnd();
    EXPECT_FALSE(main.Window()->ProgressActive());
}

TEST(Screen, HourglassAndRepaintLockAreRestored)
{
    EnsureApplication();
    {
        THourGlass wait;
        EXPECT_EQ(Screen->Cursor(), crHourGlass);
        EXPECT_TRUE(QGuiApplication::overrideCursor());
    }
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_FALSE(QGuiApplication::overrideCursor());

    QWidget a;
    QWidget b;
    LockWindowUpdate(&a);
    EXPECT_FALSE(a.updatesEnabled());
    LockWindowUpdate(&b);
    EXPECT_TRUE(a.updatesEnabled()) << "one window at a time";
    EXPECT_FALSE(b.updatesEnabled());
    LockWindowUpdate(nullptr);
    EXPECT_TRUE(b.updatesEnabled());
}

#include "test_WindowFactory.moc"
