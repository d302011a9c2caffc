#pragma once
// The program's command line and its unattended run: menu choices sent in turn, every
// message written to standard error, questions answered from a list, a screenshot.
#include <QString>
#include <QStringList>

namespace Mdimainbase {
class TMDIForm;
}

struct Kv8Options {
    QString Database;    // --database URL, else KV8_DATABASE
    QStringList Menus;   // --menu CODE, in order
    QStringList Answers; // --answers yes,no,... (yes, si, no, ok, cancel, annulla)
    QString Screenshot;  // --screenshot FILE (PNG)
    QString User;        // --user ID, else KV8_USER, else ADMIN
    bool Unattended() const { return !Menus.isEmpty() || !Screenshot.isEmpty(); }
};

// Reads the options (the program's arguments, the program name first); false with the
// problem for anything it does not know.
bool ParseOptions(const QStringList &arguments, Kv8Options &options, QString &problem);

// The modal result an answer word stands for; 0 for an unknown word.
int AnswerResult(const QString &word);

// Shows the main window, sends each menu choice, writes the messages to standard error and
// answers questions from the list (a question with no answer left ends the program with
// exit code 3), then writes the screenshot of the last window opened. Answers the exit code.
int RunUnattended(Mdimainbase::TMDIForm &mainWindow, const Kv8Options &options);

// Frees every window left, without asking them.
void CloseRemainingWindows(Mdimainbase::TMDIForm &mainWindow);
