#pragma once
// The program's command line and its unattended run: menu choices sent in turn, values
// typed, buttons pressed and keys sent in the window they opened, every message written to
// standard error, questions answered from a list, a screenshot.
#include <QKeyCombination>
#include <QList>
#include <QString>
#include <QStringList>

namespace Mdimainbase {
class TMDIForm;
}

// One step of an unattended run. A step other than a menu choice acts on the active window:
// the modal dialog being shown, else the active child window of the main window. A control
// is named by its name, or through the controls that hold it ("navDettaglio/nbInsert")
// where two controls of the window share a name.
struct Kv8Step {
    enum Kind { Menu, Set, Click, Key, Page };
    Kind What = Menu;
    QString Name;         // the menu code, the control's or page's name, or the key as written
    QString Value;        // Set: the text typed
    QKeyCombination Keys; // Key: the key and its modifiers
};

struct Kv8Options {
    QString Database;        // --database URL, else KV8_DATABASE
    QList<Kv8Step> Steps;    // --menu CODE, --set NAME=VALUE, --click NAME, --key KEY, --page NAME, in order
    QStringList Answers;     // --answers yes,no,... (yes, si, no, ok, cancel, annulla)
    QString Screenshot;      // --screenshot FILE (PNG)
    QString User;            // --user ID, else KV8_USER, else ADMIN
    bool UserChosen = false; // User came from --user or KV8_USER
    bool Unattended() const { return !Steps.isEmpty() || !Screenshot.isEmpty(); }
};

// Reads the options (the program's arguments, the program name first); false with the
// problem for anything it does not know.
bool ParseOptions(const QStringList &arguments, Kv8Options &options, QString &problem);

// The modal result an answer word stands for; 0 for an unknown word.
int AnswerResult(const QString &word);

// Exit statuses of an unattended run.
enum Kv8Exit {
    kv8Ok = 0,          // every step done, every menu code handled, no error shown
    kv8Failed = 1,      // bad command line, no company database, screenshot not written
    kv8StepNotDone = 2, // a step could not be done (control missing, disabled, ...)
    kv8NoAnswer = 3,    // a question with no answer left
    kv8ErrorShown = 4,  // the steps ran, but an error message was shown or a save refused
    kv8NotHandled = 5   // the steps ran, but a menu code was not handled
};

// Shows the main window and runs the steps in order, writing to standard error each step,
// each window opened, each message (questions take the next answer of the list: a question
// with no answer left ends the program with kv8NoAnswer); then writes the screenshot of the
// window the last step acted in, or of the modal window it opened. A value is typed into
// its control as the user types it and the control is then left (so the window validates
// it); a missing, disabled, hidden or read-only control, or no window to act on, ends the
// program with kv8StepNotDone. A page is shown as a click on its tab. A modal dialog takes
// the steps that follow it while it is open; when they are over it is cancelled. Answers
// the exit status.
int RunUnattended(Mdimainbase::TMDIForm &mainWindow, const Kv8Options &options);

// Writes the line for a menu choice nobody handled; the run then ends with kv8NotHandled.
void ReportUnhandledChoice(const QString &code);

// Frees every window left, without asking them.
void CloseRemainingWindows(Mdimainbase::TMDIForm &mainWindow);
