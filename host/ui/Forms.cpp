#include "host/ui/Forms.h"

#include "host/data/TDataSource.h"
#include "host/ui/Binder.h"
#include "host/ui/Fuoco.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

namespace {

TForm::ModalHandler &ModalHandlerSlot()
{
    static TForm::ModalHandler handler;
    return handler;
}

template <class T> T *FindByName(const QObject *root, const QString &name)
{
    if (T *exact = root->findChild<T *>(name))
        return exact;
    const QList<T *> all = root->findChildren<T *>();
    for (T *c : all)
        if (c->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

} // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers)
{
    TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    return shift;
}

// ---- TForm

TForm::TForm(QWidget *owner) : QWidget(owner, Qt::Window)
{
    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    frame->addWidget(client_, 1);
    Application->InstallKeyPreview();
}

TForm::~TForm()
{
    if (modalLoop_)
        modalLoop_->quit();
}

void TForm::DoCreate()
{
    if (created_)
        return;
    created_ = true;
    BindDataControls();
    FormCreate();
    BindDataControls();
}

void TForm::FormCreate() {}

void TForm::FormShow() {}

void TForm::FormClose(TCloseAction &) {}

void TForm::XFormCloseQuery(bool &) {}

void TForm::FormKeyDown(int &, TShiftState) {}

void TForm::BindDataControls()
{
    Binder::BindControls(this, this);
}

void TForm::LayoutLoaded()
{
    const QString title = client_->windowTitle();
    if (!title.isEmpty())
        setWindowTitle(title);
    const QSize size = client_->size();
    if (size.width() > 0 && size.height() > 0)
        SetClientSize(size.width(), size.height());
}

void TForm::SetClientSize(int width, int height)
{
    const QSize min = client_->minimumSize();
    const QSize max = client_->maximumSize();
    client_->setFixedSize(width, height);
    if (layout())
        layout()->activate();
    resize(sizeHint().expandedTo(QSize(width, height)));
    client_->setMinimumSize(min);
    client_->setMaximumSize(max);
    if (sub_)
        sub_->adjustSize();
}

int TForm::ClientWidth() const
{
    return client_->width();
}

int TForm::ClientHeight() const
{
    return client_->height();
}

void TForm::SetColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
    setAutoFillBackground(true);
}

QMdiSubWindow *TForm::SubWindow() const
{
    return sub_.data();
}

void TForm::AttachSubWindow(QMdiSubWindow *sub)
{
    sub_ = sub;
    if (sub)
        sub->installEventFilter(this);
}

QWidget *TForm::ActiveControl() const
{
    QWidget *focus = QApplication::focusWidget();
    if (focus && isAncestorOf(focus))
        return focus;
    QWidget *own = focusWidget();
    return (own && own != this) ? own : nullptr;
}

TForm *TForm::Of(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget())
        if (auto *form = qobject_cast<TForm *>(w))
            return form;
    return nullptr;
}

void TForm::SetActiveControl(QWidget *control)
{
    if (!control)
        return;
    richiesto_ = control;
    ++richieste_;
    if (isVisible())
        activateWindow();
    control->setFocus(Qt::OtherFocusReason); // on a hidden window, when it is shown
}

TDataSource *TForm::FindDataSource(const QString &name) const
{
    return FindByName<TDataSource>(this, name);
}

TDataSet *TForm::FindDataSet(const QString &name) const
{
    return FindByName<TDataSet>(this, name);
}

QObject *TForm::FindComponent(const QString &name) const
{
    return FindByName<QObject>(this, name);
}

bool TForm::Guard(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &e) {
        Application->HandleException(e);
        return false;
    }
}

TForm::ModalHandler TForm::SetModalHandler(ModalHandler handler)
{
    ModalHandler previous = std::move(ModalHandlerSlot());
    ModalHandlerSlot() = std::move(handler);
    return previous;
}

const TForm::ModalHandler &TForm::CurrentModalHandler()
{
    return ModalHandlerSlot();
}

void TForm::Show()
{
    DoCreate();
    closed_ = false;
    if (sub_) {
        sub_->show();
        if (sub_->mdiArea())
            sub_->mdiArea()->setActiveSubWindow(sub_);
    } else {
        show();
        raise();
        activateWindow();
    }
    FormShow();
    Fuoco::FuocoIniziale(this);
}

bool TForm::Close()
{
    if (closing_)
        return false;
    if (sub_) {
        sub_->close();
        return closed_;
    }
    QWidget::close();
    return closed_;
}

int TForm::ShowModal()
{
    if (modal_)
        throw Exception(
            QStringLiteral("La finestra \"%1\" è già aperta: chiuderla prima di aprirla di nuovo")
                .arg(windowTitle().isEmpty() ? QString::fromLatin1(metaObject()->className()) : windowTitle()));
    DoCreate();
    modalResult_ = mrNone;
    closed_ = false;
    modal_ = true;
    // The window may be freed while it is modal (by its handler, a timer, a window it
    // opened): then nothing of it is touched again and the answer is mrCancel.
    const QPointer<TForm> self(this);
    struct Reset {
        const QPointer<TForm> &form;
        ~Reset()
        {
            if (form)
                form->modal_ = false;
        }
    } reset{self};

    const ModalHandler handler = CurrentModalHandler(); // a copy: the handler may install another
    if (handler) {
        FormShow();
        if (!self)
            return mrCancel;
        Fuoco::FuocoIniziale(this);
        const std::optional<int> result = handler(*this);
        if (!self)
            return mrCancel;
        if (result) {
            if (modalResult_ == mrNone)
                modalResult_ = *result;
            // the dialog ends as a shown one would: through its close handlers, which may refuse
            if (!closed_ && !Close())
                modalResult_ = mrNone;
            return self ? modalResult_ : int(mrCancel);
        }
    }

    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    if (self && !handler)
        FormShow();
    if (self)
        Fuoco::FuocoIniziale(this);
    if (self && modalResult_ == mrNone && !closed_) {
        QEventLoop loop;
        modalLoop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (self)
            modalLoop_ = nullptr;
    }
    if (!self)
        return mrCancel;
    hide();
    setWindowModality(Qt::NonModal);
    return modalResult_;
}

void TForm::SetModalResult(int result)
{
    modalResult_ = result;
    if (modal_ && result != mrNone && !closed_) {
        if (!Close())
            modalResult_ = mrNone;
    }
}

void TForm::closeEvent(QCloseEvent *event)
{
    const bool fromSub = fromSubWindow_;
    fromSubWindow_ = false;
    if (closing_) {
        event->accept();
        return;
    }
    bool canClose = true;
    if (!Guard([&] { XFormCloseQuery(canClose); }))
        canClose = false;
    if (!canClose) {
        event->ignore();
        return;
    }
    TCloseAction action = modal_ ? caHide : caFree;
    if (!Guard([&] { FormClose(action); }))
        action = caNone;
    if (modal_ && action == caFree)
        action = caHide; // the caller of ShowModal frees the window
    if (action == caNone) {
        event->ignore();
        return;
    }
    if (action == caMinimize) {
        event->ignore();
        if (sub_)
            sub_->showMinimized();
        else
            showMinimized();
        return;
    }
    event->accept();
    closed_ = true;
    if (modal_) {
        if (modalResult_ == mrNone)
            modalResult_ = mrCancel;
        if (modalLoop_)
            modalLoop_->quit();
    }
    if (sub_) {
        sub_->setAttribute(Qt::WA_DeleteOnClose, action == caFree);
        if (!fromSub) {
            closing_ = true;
            sub_->close();
            closing_ = false;
        }
    } else if (action == caFree) {
        setAttribute(Qt::WA_DeleteOnClose, true);
    }
}

bool TForm::eventFilter(QObject *watched, QEvent *event)
{
    // the event's type first: a sub-window being destroyed is no longer one to compare
    if (event->type() == QEvent::Close && !closing_ && watched == sub_)
        fromSubWindow_ = true;
    return QWidget::eventFilter(watched, event);
}

bool TForm::PreviewKey(int key, Qt::KeyboardModifiers modifiers)
{
    int k = key;
    Guard([&] { FormKeyDown(k, ShiftStateOf(modifiers)); });
    return k == 0;
}

QObject *CreateObject(const ClassRef &cls, QObject *owner)
{
    QObject *object = cls.Create(owner);
    try {
        if (auto *form = qobject_cast<TForm *>(object))
            form->DoCreate();
        else if (auto *module = qobject_cast<TXDataModule *>(object))
            module->DoCreate();
    } catch (...) {
        delete object;
        throw;
    }
    return object;
}

// ---- TApplication

TApplication::TApplication() : QObject(nullptr)
{
    setObjectName(QStringLiteral("Application"));
    SetApplicationOwner(this);
}

TApplication *TApplication::Instance()
{
    static TApplication *instance = new TApplication; // lives as long as the program
    return instance;
}

TApplication *const Application = TApplication::Instance();

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TApplication::HandleException(const std::exception &error)
{
    Kmessages::ShowException(error);
}

QObject *TApplication::FindComponent(const QString &name) const
{
    for (QObject *child : children())
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
    return nullptr;
}

void TApplication::DestroyComponents()
{
    const QObjectList owned = children();
    for (QObject *child : owned)
        delete child;
}

void TApplication::InstallKeyPreview()
{
    if (keyPreview_ || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    keyPreview_ = true;
}

bool TApplication::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window()->windowType() == Qt::Popup)
        return false; // lists and menus that pop up keep their keys
    // a key travels from the focused control up to its window: preview it once
    QWidget *focus = QApplication::focusWidget();
    if (focus ? widget != focus : !widget->isWindow())
        return false;
    TForm *form = TForm::Of(widget);
    if (!form)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    return form->PreviewKey(key->key(), key->modifiers());
}

// ---- screen and repaint

namespace {
TScreen g_screen;
QPointer<QWidget> g_locked;
} // namespace

TScreen *const Screen = &g_screen;

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == cursor_)
        return;
    const bool gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (gui) {
        const Qt::CursorShape shape = cursor == crDefault ? Qt::ArrowCursor : Qt::WaitCursor;
        if (cursor_ == crDefault)
            QGuiApplication::setOverrideCursor(QCursor(shape));
        else if (cursor == crDefault)
            QGuiApplication::restoreOverrideCursor();
        else
            QGuiApplication::changeOverrideCursor(QCursor(shape));
    }
    cursor_ = cursor;
}

THourGlass::THourGlass() : previous_(Screen->Cursor())
{
    Screen->SetCursor(crHourGlass);
}

THourGlass::~THourGlass()
{
    Screen->SetCursor(previous_);
}

bool LockWindowUpdate(QWidget *window)
{
    if (g_locked && g_locked != window)
        g_locked->setUpdatesEnabled(true);
    g_locked = window;
    if (window)
        window->setUpdatesEnabled(false);
    return true;
}

QWidget *LockedWindow()
{
    return g_locked.data();
}
