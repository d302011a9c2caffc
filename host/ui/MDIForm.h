#pragma once
// The main window: child windows inside an MDI area, menus read from a menu file, a status
// bar with the progress display, and the dispatch of menu choices.
//
// Menu file (JSON):
//   { "menus": [ { "caption": "&Anagrafiche",
//                  "items": [ { "code": "BBAS0030F", "caption": "Articoli", "table": "Articoli" },
//                             { "separator": true },
//                             { "caption": "Altro", "items": [ ... ] } ] } ] }
// "code" is the menu choice sent to the dispatcher; "table" names the company table a host
// window shows for the code when nothing else handles it; "shortcut" a key sequence.
#include "host/ui/Forms.h"

#include <QList>
#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <QString>

#include <functional>

class QLabel;
class QMdiArea;
class QMenu;
class QProgressBar;

namespace Mdimainbase {

struct TMenuEntry {
    QString Code;
    QString Caption;
    QString Table;
    QStringList Path; // captions of the menus holding it
};

class TMDIForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMDIForm(QWidget *parent = nullptr);
    ~TMDIForm() override;

    QMdiArea *MdiArea() const { return mdi_; }

    // ---- menus
    // Builds the menus of a menu file (a path or a Qt resource); throws Exception on a
    // missing or malformed file.
    void LoadMenu(const QString &fileName);
    void LoadMenuJson(const QByteArray &json, const QString &origin = QString());
    const QList<TMenuEntry> &MenuEntries() const { return entries_; }
    const TMenuEntry *MenuEntry(const QString &code) const;
    QAction *MenuAction(const QString &code) const;

    // ---- menu choices
    using SceltaHandler = std::function<void(const QString &code)>;
    void SetSceltaHandler(SceltaHandler handler) { handler_ = std::move(handler); }
    // A menu choice, as the user's click: the handler runs and an error it raises is shown.
    virtual void EseguiScelta(const QString &code);

    // ---- child windows
    // Puts a window into the MDI area: mode 0 normal, 1 maximised, 3 fixed size.
    void AddChild(TForm *form, int mode);
    int MDIChildCount() const;
    TForm *MDIChildren(int index) const;
    TForm *ActiveMDIChild() const;
    // Closes every child window; false when one refused.
    bool CloseChildren();
    // Called after the configuration window closed when no child window is open: the menus
    // and the caption are brought up to date.
    virtual void AggiornaMenu();

    // ---- progress display in the status bar
    void ProgressStart(int count, const QString &caption);
    // One step forward, then the application processes its pending events.
    void ProgressStep(int steps = 1);
    void ProgressPosition(int position);
    void ProgressEnd();
    bool ProgressActive() const;
    int ProgressValue() const;
    int ProgressMaximum() const;
    QString ProgressCaption() const;

    void SetStatusText(const QString &text);
    void SetCompanyName(const QString &name);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void AddItems(QMenu *menu, const class QJsonArray &items, const QStringList &path, const QString &origin);
    void BuildWindowMenu();

    QMdiArea *mdi_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QLabel *progressCaption_ = nullptr;
    QLabel *status_ = nullptr;
    QList<QMenu *> fileMenus_;
    QMenu *windowMenu_ = nullptr;
    QList<TMenuEntry> entries_;
    SceltaHandler handler_;
    QString companyName_;
};

// The program's main window; empty in batch runs and in tests that create none.
extern QPointer<TMDIForm> MDIForm;

// A menu choice sent to the main window; false when there is none.
bool EseguiScelta(const QString &code);

// Progress display of the main window; without one, only the pending events are processed.
void ProgressStart(int count, const QString &caption);
void ProgressStep(int steps = 1);
void ProgressPosition(int position);
void ProgressEnd();

// While it lives, the pending window messages that long loops process (progress steps) carry
// no user input: no key, click or close request reaches any window, so a running job cannot
// be started again, its window closed or its data changed under it. A modal window the job
// opens meanwhile (a question, a print's progress with its stop button) takes its input.
class TSenzaInputUtente : public QObject {
public:
    TSenzaInputUtente();
    ~TSenzaInputUtente() override;
    TSenzaInputUtente(const TSenzaInputUtente &) = delete;
    TSenzaInputUtente &operator=(const TSenzaInputUtente &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Whether watched is in a modal window opened since the job started.
    bool InFinestraAperta(QObject *watched) const;

    QPointer<QWidget> modale_; // the modal window in front when the job started
};

// A long job started from a window: while it lives the job's buttons are disabled (each given
// back the state it had when the job ends, by an error too) and no user input reaches any
// window; at its end the progress display is closed. The rest of the window stays as it is,
// shown and repainted, so that the user sees the job's buttons greyed and its bar move.
class TLavoro {
public:
    explicit TLavoro(const QList<QWidget *> &pulsanti);
    ~TLavoro();
    TLavoro(const TLavoro &) = delete;
    TLavoro &operator=(const TLavoro &) = delete;

private:
    QList<QPair<QPointer<QWidget>, bool>> pulsanti_;
    TSenzaInputUtente senzaInput_;
};

} // namespace Mdimainbase

using Mdimainbase::TMDIForm;
