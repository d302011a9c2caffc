#pragma once
// Driving windows in tests: a company database as "GlobalDatabase", a main window whose
// menu choices go to a dispatcher, windows reached by menu code, their datasets and
// controls by name, keys and focus as the user gives them.
#include "host/ui/Forms.h"
#include "host/ui/MDIForm.h"
#include "tests/support/TestDb.h"
#include "tests/support/ui/UiScript.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

class QAbstractButton;
class QTabWidget;
class TDataSet;
class TDataSource;
class TDBEdit;
class KDBGriglia;

namespace kv8test {

// A fresh company database of the run's engine with every table of the dictionary, open as
// "GlobalDatabase" while the object lives (the configuration records loaded from it).
class UiCompany {
public:
    UiCompany();
    ~UiCompany();
    bool Available() const { return db_.Available(); }
    const TestDb &Db() const { return db_; }
    TXDatabase &Database() const;

private:
    TestDb db_;
};

// A main window for one test; its menu choices go to the dispatcher (by default the host's
// own menu choices). Child windows are closed and application objects freed at the end.
class TestMainWindow {
public:
    using Dispatcher = std::function<void(const QString &code)>;
    explicit TestMainWindow(Dispatcher dispatcher = Dispatcher());
    ~TestMainWindow();

    TMDIForm *Window() const { return window_.data(); }
    // Sends a menu choice as the user's click; answers the window it opened or brought to
    // the front (the active child window afterwards), or nullptr when none is open.
    TForm *MenuChoice(const QString &code);
    // The window a menu choice opens, of the class expected; fails the test otherwise.
    template <class T> T *Open(const QString &code)
    {
        TForm *form = MenuChoice(code);
        T *typed = qobject_cast<T *>(form);
        EXPECT_NE(typed, nullptr) << code.toStdString() << " opened "
                                  << (form ? form->metaObject()->className() : "nothing");
        return typed;
    }
    int ChildCount() const;

private:
    QPointer<TMDIForm> window_;
};

// Lets pending events run, deferred deletions included.
void ProcessEvents();

// Closes every window left open and frees what the application owns.
void CloseAllWindows();

// The dataset, data source or control of a window by name; fail the test when missing.
TDataSet *DataSetOf(const TForm *form, const QString &name);
TDataSource *DataSourceOf(const TForm *form, const QString &name);
template <class T = QWidget> T *ControlOf(const TForm *form, const QString &name)
{
    return form->template Control<T>(name);
}

// Shows the window, makes it the active window and gives the control the focus.
void Focus(QWidget *control);
// Key presses as the user types them, delivered to the focused control.
void TypeText(QWidget *control, const QString &text);
void PressKey(QWidget *control, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Moves the focus to another control, as Tab or a click would.
void FocusNext(QWidget *to);
// Shows the page of pages that holds the control, as the user clicking its tab.
void ShowPageOf(QTabWidget *pages, QWidget *control);
// Replaces the text of an edit as the user does (the text selected, the new text typed or
// Delete pressed); false when the field refused it.
bool ReplaceText(TDBEdit *edit, const QString &text);

// The text a grid shows for a field in its current row (its role's data); fails the test when
// the grid has no column for the field.
QString GridText(KDBGriglia *grid, const QString &field, int role = Qt::DisplayRole);

// Where a test keeps a file to look at after the run (a window's screenshot): the folder
// "artefacts" under KV8_TEST_ARTEFACTS, else under the working folder (the build folder
// under ctest); created when missing.
QString ArtefactPath(const QString &file);

} // namespace kv8test
