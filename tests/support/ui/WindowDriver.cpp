#include "tests/support/ui/WindowDriver.h"

#include "host/core/Errors.h"
#include "host/data/TDataSource.h"
#include "host/db/ConfigStore.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/WindowFactory.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace kv8test {

// ---- UiCompany

UiCompany::UiCompany()
{
    EnsureApplication();
    if (!db_.Available())
        return;
    TXDatabase &db = DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), db_.Url());
    if (!db_.Attached()) {
        SchemaInstaller installer;
        installer.Create(db);
    }
    ConfigStore::Load(db);
}

UiCompany::~UiCompany()
{
    CloseAllWindows();
    if (db_.Available())
        DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
}

TXDatabase &UiCompany::Database() const
{
    return DMIDataBases::Instance().Global();
}

// ---- TestMainWindow

TestMainWindow::TestMainWindow(Dispatcher dispatcher)
{
    EnsureApplication();
    window_ = new TMDIForm;
    Mdimainbase::MDIForm = window_;
    window_->SetSceltaHandler(dispatcher ? std::move(dispatcher) : Dispatcher([](const QString &code) {
        if (!HostMenu::Esegui(code))
            Kmessages::KMessage(QStringLiteral("Funzione non disponibile: ") + code, mtInformation, mbOK, 0);
    }));
    window_->show();
    ProcessEvents();
}

TestMainWindow::~TestMainWindow()
{
    CloseAllWindows();
    delete window_.data();
    Mdimainbase::MDIForm = nullptr;
    ProcessEvents();
}

TForm *TestMainWindow::MenuChoice(const QString &code)
{
    window_->EseguiScelta(code);
    ProcessEvents();
    return window_->ActiveMDIChild();
}

int TestMainWindow::ChildCount() const
{
    return window_->MDIChildCount();
}

// ---- helpers

void ProcessEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString ArtefactPath(const QString &file)
{
    const QString root = qEnvironmentVariable("KV8_TEST_ARTEFACTS", QDir::currentPath());
    QDir dir(root);
    dir.mkpath(QStringLiteral("artefacts"));
    return dir.filePath(QStringLiteral("artefacts/") + file);
}

void CloseAllWindows()
{
    if (Mdimainbase::MDIForm) {
        for (QMdiSubWindow *sub : Mdimainbase::MDIForm->MdiArea()->subWindowList())
            delete sub;
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<TForm *>(w))
            delete w;
    Application->DestroyComponents();
    ProcessEvents();
}

TDataSet *DataSetOf(const TForm *form, const QString &name)
{
    TDataSet *ds = form->FindDataSet(name);
    if (!ds)
        throw Exception(QStringLiteral("La finestra %1 non ha il dataset %2")
                            .arg(QString::fromLatin1(form->metaObject()->className()), name));
    return ds;
}

TDataSource *DataSourceOf(const TForm *form, const QString &name)
{
    TDataSource *ds = form->FindDataSource(name);
    if (!ds)
        throw Exception(QStringLiteral("La finestra %1 non ha la sorgente dati %2")
                            .arg(QString::fromLatin1(form->metaObject()->className()), name));
    return ds;
}

void Focus(QWidget *control)
{
    QWidget *top = control->window();
    if (!top->isVisible())
        top->show();
    top->activateWindow();
    QApplication::setActiveWindow(top);
    control->setFocus(Qt::OtherFocusReason);
    ProcessEvents();
}

void PressKey(QWidget *control, int key, Qt::KeyboardModifiers modifiers)
{
    QString text;
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde && !(modifiers & Qt::ControlModifier))
        text = QChar(key);
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : control;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
    ProcessEvents();
}

void TypeText(QWidget *control, const QString &text)
{
    if (QApplication::focusWidget() != control)
        Focus(control);
    for (const QChar c : text) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : control;
        const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
    ProcessEvents();
}

void ShowPageOf(QTabWidget *pages, QWidget *control)
{
    for (QWidget *w = control; w; w = w->parentWidget())
        if (pages->indexOf(w) >= 0) {
            pages->setCurrentWidget(w);
            ProcessEvents();
            return;
        }
}

QString GridText(KDBGriglia *grid, const QString &field, int role)
{
    for (int c = 0; c < grid->ColumnCount(); ++c)
        if (grid->Columns(c).FieldName.compare(field, Qt::CaseInsensitive) == 0)
            return grid->model()->index(grid->currentIndex().row(), c).data(role).toString();
    ADD_FAILURE() << "no column " << field.toStdString();
    return QString();
}

bool ReplaceText(TDBEdit *edit, const QString &text)
{
    Focus(edit);
    edit->selectAll();
    if (text.isEmpty())
        PressKey(edit, Qt::Key_Delete);
    else
        TypeText(edit, text);
    return edit->Commit();
}

void FocusNext(QWidget *to)
{
    to->setFocus(Qt::TabFocusReason);
    ProcessEvents();
}

} // namespace kv8test
