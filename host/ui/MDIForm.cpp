#include "host/ui/MDIForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>

namespace Mdimainbase {

QPointer<TMDIForm> MDIForm;

TMDIForm::TMDIForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDIForm"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);

    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnFile"));
    QAction *exit = file->addAction(QStringLiteral("&Esci"));
    exit->setObjectName(QStringLiteral("acEsci"));
    exit->setShortcut(QKeySequence(QStringLiteral("Alt+F4")));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    BuildWindowMenu();

    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    progressCaption_ = new QLabel(this);
    progressCaption_->setObjectName(QStringLiteral("lbProgress"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    progress_->setMaximumWidth(260);
    progress_->setTextVisible(true);
    statusBar()->addPermanentWidget(progressCaption_);
    statusBar()->addPermanentWidget(progress_);
    progressCaption_->hide();
    progress_->hide();

    SetCompanyName(QString());
    // the screen the windows are laid out for: 1366x768, less the main window's title bar
    resize(1366, 740);
    // a display without a window manager (the VNC one of ./run) cannot move or size the
    // window: it takes the whole screen
    if (qEnvironmentVariableIntValue("KV8_FILL_SCREEN") == 1 && screen())
        setGeometry(screen()->geometry());
    if (!MDIForm)
        MDIForm = this;
    Application->SetMainForm(this);
}

TMDIForm::~TMDIForm()
{
    if (Application->MainForm() == this)
        Application->SetMainForm(nullptr);
}

void TMDIForm::BuildWindowMenu()
{
    windowMenu_ = menuBar()->addMenu(QStringLiteral("F&inestre"));
    windowMenu_->setObjectName(QStringLiteral("mnFinestre"));
    QAction *cascade = windowMenu_->addAction(QStringLiteral("&Sovrapponi"));
    connect(cascade, &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
    QAction *tile = windowMenu_->addAction(QStringLiteral("&Affianca"));
    connect(tile, &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);
    QAction *closeAll = windowMenu_->addAction(QStringLiteral("&Chiudi tutte"));
    connect(closeAll, &QAction::triggered, this, [this] { CloseChildren(); });
}

void TMDIForm::SetCompanyName(const QString &name)
{
    companyName_ = name;
    setWindowTitle(name.isEmpty() ? QStringLiteral("kv8") : QStringLiteral("kv8 - ") + name);
}

// ---- menus

void TMDIForm::LoadMenu(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Impossibile leggere il file dei menu %1").arg(fileName));
    LoadMenuJson(file.readAll(), fileName);
}

void TMDIForm::LoadMenuJson(const QByteArray &json, const QString &origin)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull() || !doc.isObject())
        throw Exception(QStringLiteral("File dei menu %1 non valido: %2").arg(origin, error.errorString()));
    const QJsonArray menus = doc.object().value(QStringLiteral("menus")).toArray();
    if (menus.isEmpty())
        throw Exception(QStringLiteral("Il file dei menu %1 non elenca menu").arg(origin));
    for (QMenu *m : fileMenus_) {
        menuBar()->removeAction(m->menuAction());
        delete m;
    }
    fileMenus_.clear();
    entries_.clear();
    for (const auto &value : menus) {
        const QJsonObject object = value.toObject();
        const QString caption = object.value(QStringLiteral("caption")).toString();
        if (caption.isEmpty())
            throw Exception(QStringLiteral("File dei menu %1: un menu senza nome").arg(origin));
        auto *menu = new QMenu(caption, this);
        menuBar()->insertMenu(windowMenu_->menuAction(), menu);
        fileMenus_.append(menu);
        AddItems(menu, object.value(QStringLiteral("items")).toArray(), {caption}, origin);
    }
}

void TMDIForm::AddItems(QMenu *menu, const QJsonArray &items, const QStringList &path, const QString &origin)
{
    for (const auto &value : items) {
        const QJsonObject item = value.toObject();
        if (item.value(QStringLiteral("separator")).toBool()) {
            menu->addSeparator();
            continue;
        }
        const QString caption = item.value(QStringLiteral("caption")).toString();
        if (item.contains(QStringLiteral("items"))) {
            QMenu *sub = menu->addMenu(caption);
            AddItems(sub, item.value(QStringLiteral("items")).toArray(), path + QStringList{caption}, origin);
            continue;
        }
        const QString code = item.value(QStringLiteral("code")).toString();
        if (code.isEmpty() || caption.isEmpty())
            throw Exception(QStringLiteral("File dei menu %1: voce senza codice o senza nome in %2")
                                .arg(origin, path.join(QLatin1String(" > "))));
        if (MenuEntry(code))
            throw Exception(QStringLiteral("File dei menu %1: codice %2 ripetuto").arg(origin, code));
        QAction *action = menu->addAction(caption);
        action->setObjectName(code);
        action->setData(code);
        const QString shortcut = item.value(QStringLiteral("shortcut")).toString();
        if (!shortcut.isEmpty())
            action->setShortcut(QKeySequence(shortcut));
        action->setStatusTip(code);
        connect(action, &QAction::triggered, this, [this, code] { EseguiScelta(code); });
        entries_.append(TMenuEntry{code, caption, item.value(QStringLiteral("table")).toString(), path});
    }
}

const TMenuEntry *TMDIForm::MenuEntry(const QString &code) const
{
    for (const TMenuEntry &e : entries_)
        if (e.Code == code)
            return &e;
    return nullptr;
}

QAction *TMDIForm::MenuAction(const QString &code) const
{
    for (QMenu *menu : fileMenus_)
        for (QAction *a : menu->findChildren<QAction *>())
            if (a->data().toString() == code)
                return a;
    return nullptr;
}

void TMDIForm::EseguiScelta(const QString &code)
{
    if (!handler_)
        return;
    SetStatusText(code);
    TForm::Guard([&] { handler_(code); });
}

// ---- child windows

void TMDIForm::AddChild(TForm *form, int mode)
{
    QMdiSubWindow *sub = mdi_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose, true);
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    sub->setWindowIcon(QIcon(blank));
    if (mode == 3) {
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        sub->adjustSize();
        sub->setFixedSize(sub->size());
    } else {
        sub->adjustSize();
    }
    form->AttachSubWindow(sub);
}

int TMDIForm::MDIChildCount() const
{
    int count = 0;
    for (QMdiSubWindow *sub : mdi_->subWindowList())
        if (qobject_cast<TForm *>(sub->widget()) && !qobject_cast<TForm *>(sub->widget())->IsClosed())
            ++count;
    return count;
}

TForm *TMDIForm::MDIChildren(int index) const
{
    int i = 0;
    for (QMdiSubWindow *sub : mdi_->subWindowList()) {
        auto *form = qobject_cast<TForm *>(sub->widget());
        if (!form || form->IsClosed())
            continue;
        if (i++ == index)
            return form;
    }
    return nullptr;
}

TForm *TMDIForm::ActiveMDIChild() const
{
    QMdiSubWindow *sub = mdi_->activeSubWindow();
    return sub ? qobject_cast<TForm *>(sub->widget()) : nullptr;
}

bool TMDIForm::CloseChildren()
{
    for (QMdiSubWindow *sub : mdi_->subWindowList()) {
        auto *form = qobject_cast<TForm *>(sub->widget());
        if (form && !form->IsClosed() && !form->Close())
            return false;
        if (!form)
            sub->close();
    }
    return true;
}

void TMDIForm::AggiornaMenu()
{
    SetCompanyName(companyName_);
    SetStatusText(QString());
}

void TMDIForm::closeEvent(QCloseEvent *event)
{
    if (!CloseChildren()) {
        event->ignore();
        return;
    }
    event->accept();
}

// ---- progress

void TMDIForm::ProgressStart(int count, const QString &caption)
{
    progress_->setRange(0, count > 0 ? count : 0);
    progress_->setValue(0);
    progressCaption_->setText(caption);
    progressCaption_->show();
    progress_->show();
    QCoreApplication::processEvents();
}

void TMDIForm::ProgressStep(int steps)
{
    if (progress_->maximum() > 0)
        progress_->setValue(std::min(progress_->maximum(), progress_->value() + steps));
    QCoreApplication::processEvents();
}

void TMDIForm::ProgressPosition(int position)
{
    progress_->setValue(
        std::clamp(position, progress_->minimum(), std::max(progress_->minimum(), progress_->maximum())));
    QCoreApplication::processEvents();
}

void TMDIForm::ProgressEnd()
{
    progress_->reset();
    progress_->hide();
    progressCaption_->clear();
    progressCaption_->hide();
}

bool TMDIForm::ProgressActive() const
{
    return !progress_->isHidden();
}

int TMDIForm::ProgressValue() const
{
    return progress_->value() < 0 ? 0 : progress_->value();
}

int TMDIForm::ProgressMaximum() const
{
    return progress_->maximum();
}

QString TMDIForm::ProgressCaption() const
{
    return progressCaption_->text();
}

void TMDIForm::SetStatusText(const QString &text)
{
    status_->setText(text);
}

// ---- free functions

bool EseguiScelta(const QString &code)
{
    if (!MDIForm)
        return false;
    MDIForm->EseguiScelta(code);
    return true;
}

void ProgressStart(int count, const QString &caption)
{
    if (MDIForm)
        MDIForm->ProgressStart(count, caption);
}

void ProgressStep(int steps)
{
    if (MDIForm)
        MDIForm->ProgressStep(steps);
    else
        QCoreApplication::processEvents();
}

void ProgressPosition(int position)
{
    if (MDIForm)
        MDIForm->ProgressPosition(position);
    else
        QCoreApplication::processEvents();
}

void ProgressEnd()
{
    if (MDIForm)
        MDIForm->ProgressEnd();
}

// ---- long jobs

TSenzaInputUtente::TSenzaInputUtente() : modale_(QApplication::activeModalWidget())
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TSenzaInputUtente::~TSenzaInputUtente()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool TSenzaInputUtente::InFinestraAperta(QObject *watched) const
{
    QWidget *modale = QApplication::activeModalWidget();
    if (!modale || modale == modale_)
        return false;
    if (watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        return w == modale || modale->isAncestorOf(w);
    }
    return watched->isWindowType() && static_cast<QWindow *>(watched) == modale->windowHandle();
}

bool TSenzaInputUtente::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
        return !InFinestraAperta(watched);
    case QEvent::Close:
        // A close the window system asks for (the title-bar button); closes by the program
        // itself do not pass through the event queue.
        if (event->spontaneous() && !InFinestraAperta(watched)) {
            event->ignore();
            return true;
        }
        return false;
    default:
        return false;
    }
}

TLavoro::TLavoro(const QList<QWidget *> &pulsanti)
{
    for (QWidget *p : pulsanti) {
        if (!p)
            continue;
        pulsanti_.append({QPointer<QWidget>(p), p->isEnabled()});
        p->setEnabled(false);
    }
}

TLavoro::~TLavoro()
{
    ProgressEnd();
    for (const auto &[p, abilitato] : std::as_const(pulsanti_))
        if (p)
            p->setEnabled(abilitato);
}

} // namespace Mdimainbase
