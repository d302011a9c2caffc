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
// the modal dialog being shown, else the active child window of the main window.
struct Kv8Step {
    enum Kind { Menu, Set, Click, Key };
    Kind What = Menu;
    QString Name;  // the menu code, the control's name, or the key as written
    QString Value; // Set: the text typed
    QKeyCombination Keys; // Key: the key and its modifiers
};

struct Kv8Options {
    QString Database;     // --database URL, else KV8_DATABASE
    QList<Kv8Step> Steps; // --menu CODE, --set NAME=VALUE, --click NAME, --key KEY, in order
    QStringList Answers;  // --answers yes,no,... (yes, si, no, ok, cancel, annulla)
    QString Screenshot;   // --screenshot FILE (PNG)
    QString User;         // --user ID, else KV8_USER, else ADMIN
    bool UserChosen = false; // User came from --user or KV8_USER
    bool Unattended() const { return !Steps.isEmpty() || !Screenshot.isEmpty(); }
};

// Reads the options (the program's arguments, the program name first); false with the
// problem for anything it does not know.
bool ParseOptions(const QStringList &arguments, Kv8Options &options, QString &problem);

// The modal result an answer word stands for; 0 for an unknown word.
int AnswerResult(const QString &word);

// Shows the main window and runs the steps in order, writing to standard error each step,
// each window opened, each message (questions take the next answer of the list: a question
// with no answer left ends the program with exit code 3); then writes the screenshot of the
// last window opened. A value is typed into its control as the user types it and the
// control is then left (so the window validates it); a missing, disabled, hidden or
// read-only control, or no window to act on, ends the program with exit code 2. A modal
// dialog takes the steps that follow it while it is open; when they are over it is
// cancelled. Answers the exit code.
int RunUnattended(Mdimainbase::TMDIForm &mainWindow, const Kv8Options &options);

// The line written for a menu choice nobody handled.
void ReportUnhandledChoice(const QString &code);

// Frees every window left, without asking them.
void CloseRemainingWindows(Mdimainbase::TMDIForm &mainWindow);
