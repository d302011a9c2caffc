#pragma once
// The window base TForm, the application object, the screen cursor and repaint locking.
//
// A form is built in two steps: its constructor makes its controls, datasets and data
// sources (a layout from Qt Designer through SetupLayout), then DoCreate binds the
// data-aware controls and runs the virtual FormCreate. Whoever creates a form (the window
// factory, Application->CreateForm, CreateObject, tests) calls DoCreate; Show and ShowModal
// call it when nobody did.
//
// Closing runs XFormCloseQuery (which may refuse) and FormClose (which chooses what
// happens: free, hide, minimise or nothing). Every handler is virtual: a subclass runs the
// base's version and adds its own steps, or replaces it.
#include "host/data/XDataModule.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QEventLoop;
class QMdiSubWindow;
namespace Mdimainbase {
class TMDIForm;
}
class TDataSet;
class TDataSource;

enum TCloseAction { caNone, caHide, caFree, caMinimize };

// Colours by the names the host's windows use.
inline const QColor clBlack{0, 0, 0};
inline const QColor clWhite{255, 255, 255};
inline const QColor clRed{255, 0, 0};
inline const QColor clBlue{0, 0, 255};
inline const QColor clNavy{0, 0, 128};
inline const QColor clGreen{0, 128, 0};
inline const QColor clMaroon{128, 0, 0};
inline const QColor clYellow{255, 255, 0};
inline const QColor clSilver{192, 192, 192};
inline const QColor clGray{128, 128, 128};
inline const QColor clMoneyGreen{192, 220, 192};
inline const QColor clSkyBlue{166, 202, 240};
inline const QColor clCream{255, 251, 240};

enum TShiftStateFlag : int { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = int;

// The shift state of Qt keyboard modifiers.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

class TForm : public QWidget {
    Q_OBJECT
public:
    explicit TForm(QWidget *owner = nullptr);
    ~TForm() override;

    // ---- creation
    // Binds the data-aware controls and runs FormCreate, once; binds again the controls
    // FormCreate added. An error propagates to the creator.
    void DoCreate();
    bool IsCreated() const { return created_; }

    // ---- handlers
    virtual void FormCreate();
    virtual void FormShow();
    // action: caFree (the default: the window is freed), caHide, caMinimize, caNone.
    virtual void FormClose(TCloseAction &action);
    // canClose false refuses the close.
    virtual void XFormCloseQuery(bool &canClose);
    // Key preview: every key pressed in the window passes here before its control;
    // setting key to 0 consumes it.
    virtual void FormKeyDown(int &key, TShiftState shift);

    // ---- showing and closing
    void Show();
    // Runs the close protocol; true when the window closed.
    bool Close();
    // Shows the window modally and answers its modal result. A modal handler installed
    // with SetModalHandler (tests, unattended runs) is run instead of the event loop.
    // A window already modal refuses (Exception); a window freed while modal answers
    // mrCancel.
    int ShowModal();
    bool IsModal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    // A result other than mrNone closes a modal window (unless its close is refused).
    void SetModalResult(int result);
    // Whether the window has been closed since it was last shown.
    bool IsClosed() const { return closed_; }

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString &caption) { setWindowTitle(caption); }
    // The size of the window's client area.
    void SetClientSize(int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;
    void SetColor(const QColor &color);
    // The MDI frame around the window, when it lives in the main window.
    QMdiSubWindow *SubWindow() const;
    // The widget the window's layout goes into.
    QWidget *ClientArea() const { return client_; }

    QWidget *ActiveControl() const;
    // Gives a control the focus (a hidden window's control when the window is shown). The
    // control asked for last is where typing starts when the window opens and after a command
    // that begins a new record (Fuoco::ComandoSuRecord).
    void SetActiveControl(QWidget *control);
    QWidget *ControlloRichiesto() const { return richiesto_.data(); }
    // Grows each time SetActiveControl asks for a control.
    int RichiesteFuoco() const { return richieste_; }
    // The window of a control: the nearest TForm among it and its parents.
    static TForm *Of(QWidget *widget);

    // ---- named access (object names compared exactly, then without regard to case)
    template <class T = QWidget> T *FindControl(const QString &name) const;
    // As FindControl; throws Exception naming the control when it is missing.
    template <class T = QWidget> T *Control(const QString &name) const;
    TDataSource *FindDataSource(const QString &name) const;
    TDataSet *FindDataSet(const QString &name) const;
    QObject *FindComponent(const QString &name) const;

    // Runs a handler started by the user; an error is shown by the application's error
    // display. Answers false when the handler failed.
    static bool Guard(const std::function<void()> &handler);

    // ---- modal handler: run by ShowModal instead of an event loop. It answers the modal
    // result, or nothing to let the window be shown for real. When the handler answers and
    // the window is still open, it is closed as the user would close it: its close handlers
    // run, their errors are shown, and a refusal keeps it open; ShowModal then answers mrNone
    // (neither confirmed nor cancelled) and the window stays unclosed for its owner to free.
    using ModalHandler = std::function<std::optional<int>(TForm &form)>;
    static ModalHandler SetModalHandler(ModalHandler handler);
    static const ModalHandler &CurrentModalHandler();

    // Called by the application's key filter.
    bool PreviewKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    // Puts a layout made with Qt Designer (top-level class QWidget) into the client area;
    // the window takes the layout's caption and size.
    template <class UiT> void SetupLayout(UiT &ui)
    {
        ui.setupUi(ClientArea());
        LayoutLoaded();
    }
    virtual void LayoutLoaded();
    // Binds the data-aware controls of the window (the binder's work).
    virtual void BindDataControls();

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Mdimainbase::TMDIForm;
    void AttachSubWindow(QMdiSubWindow *sub);

    QWidget *client_ = nullptr;
    bool created_ = false;
    bool modal_ = false;
    bool closed_ = false;
    bool closing_ = false;
    bool fromSubWindow_ = false;
    int modalResult_ = mrNone;
    QEventLoop *modalLoop_ = nullptr;
    QPointer<QMdiSubWindow> sub_;
    QPointer<QWidget> richiesto_;
    int richieste_ = 0;
};

// Creates an object of a class and runs its creation handler (a form's FormCreate, a data
// module's DataModuleCreate). What fails is freed and the error propagates.
QObject *CreateObject(const ClassRef &cls, QObject *owner);
template <class T> T *CreateObjectAs(const ClassRef &cls, QObject *owner)
{
    QObject *object = CreateObject(cls, owner);
    if (T *typed = qobject_cast<T *>(object))
        return typed;
    const QString actual = QString::fromLatin1(object->metaObject()->className());
    delete object;
    throw Exception(QStringLiteral("La classe %1 non deriva da %2")
                        .arg(actual, QString::fromLatin1(T::staticMetaObject.className())));
}

// The application object: owner of application-wide data modules and windows, message
// processing, the default display of errors.
class TApplication : public QObject {
    Q_OBJECT
public:
    static TApplication *Instance();

    // Creates an object owned by the application, runs its creation handler and stores it
    // in ref (which must be able to hold it).
    template <class T> void CreateForm(const ClassRef &cls, QPointer<T> &ref) { ref = CreateObjectAs<T>(cls, this); }
    template <class T> void CreateForm(QPointer<T> &ref) { CreateForm(ClassRef::Of<T>(), ref); }
    // Lets the application handle pending events (repaint, input).
    void ProcessMessages();
    // The default display of an error nobody caught.
    void HandleException(const std::exception &error);

    QWidget *MainForm() const { return mainForm_; }
    void SetMainForm(QWidget *form) { mainForm_ = form; }
    // An application-owned object by name, without regard to case.
    QObject *FindComponent(const QString &name) const;
    QObjectList Components() const { return children(); }
    // Frees every object the application owns (at the end of the program, in tests).
    void DestroyComponents();

    // Installs the key preview of forms (done when the first form is made).
    void InstallKeyPreview();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TApplication();
    QPointer<QWidget> mainForm_;
    bool keyPreview_ = false;
};

extern TApplication *const Application;

// The screen cursor.
enum TCursor : int { crDefault = 0, crHourGlass = -11, crSQLWait = -17 };

class TScreen {
public:
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

private:
    TCursor cursor_ = crDefault;
};

extern TScreen *const Screen;

// The hourglass for the life of the object; the previous cursor comes back afterwards.
class THourGlass {
public:
    THourGlass();
    ~THourGlass();
    THourGlass(const THourGlass &) = delete;
    THourGlass &operator=(const THourGlass &) = delete;

private:
    TCursor previous_;
};

// Freezes the repainting of one window (nullptr releases it); one window at a time, as
// a newer lock releases the older one. Answers true.
bool LockWindowUpdate(QWidget *window);
// The window whose repainting is frozen.
QWidget *LockedWindow();

// ---- templates

template <class T> T *TForm::FindControl(const QString &name) const
{
    if (T *exact = findChild<T *>(name))
        return exact;
    const QList<T *> all = findChildren<T *>();
    for (T *c : all)
        if (c->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

template <class T> T *TForm::Control(const QString &name) const
{
    if (T *c = FindControl<T>(name))
        return c;
    throw Exception(QStringLiteral("La finestra %1 non ha il controllo %2")
                        .arg(QString::fromLatin1(metaObject()->className()), name));
}
