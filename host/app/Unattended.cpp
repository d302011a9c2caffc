#include "host/app/Unattended.h"

#include "host/db/DMIDataBases.h"
#include "host/ui/DBControls.h"
#include "host/ui/Forms.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "host/ui/WindowFactory.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

QString OneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    text.replace(QLatin1Char('\n'), QLatin1String(" / "));
    text.replace(QLatin1Char('\r'), QLatin1String(" / "));
    return text;
}

void ProcessAll()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class UnattendedMessages : public TMessageService {
public:
    explicit UnattendedMessages(const QStringList &answers) : answers_(answers) {}

    int Show(const TKMessage &message) override
    {
        QTextStream err(stderr);
        const QString line = Kmessages::TypeName(message.Type) + QStringLiteral(": ") + OneLine(message.Text);
        if (message.Refusal)
            ++refusals_;
        else if (message.Type == mtError)
            ++errors_;
        if (!message.IsQuestion()) {
            err << line << '\n';
            return message.DefaultResult();
        }
        if (next_ >= answers_.size()) {
            err << line << '\n' << "kv8: no answer left for the question \"" << OneLine(message.Text) << "\"\n";
            err.flush();
            std::_Exit(kv8NoAnswer);
        }
        const QString word = answers_.at(next_++);
        err << line << " -> " << word << '\n';
        return AnswerResult(word);
    }

    QStringList Unused() const { return answers_.mid(next_); }
    int Errors() const { return errors_; }
    int Refusals() const { return refusals_; }

private:
    QStringList answers_;
    qsizetype next_ = 0;
    int errors_ = 0;
    int refusals_ = 0;
};

// The menu codes of the run that nobody handled.
QStringList &UnhandledCodes()
{
    static QStringList codes;
    return codes;
}

// ---- acting in a window as the user does

// Ends the run: a step could not be done.
[[noreturn]] void StopRun(const QString &message)
{
    QTextStream err(stderr);
    err << "kv8: " << message << '\n';
    err.flush();
    std::_Exit(kv8StepNotDone);
}

QString Describe(const QWidget &window)
{
    return QStringLiteral("\"%1\" (%2)")
        .arg(window.windowTitle(), QString::fromLatin1(window.metaObject()->className()));
}

// The line that names a window opened.
QString WindowLine(const QWidget &window)
{
    return QStringLiteral("Finestra: %1 (%2)")
        .arg(window.windowTitle(), QString::fromLatin1(window.metaObject()->className()));
}

QString StepText(const Kv8Step &step)
{
    switch (step.What) {
    case Kv8Step::Menu:
        return QStringLiteral("--menu ") + step.Name;
    case Kv8Step::Set:
        return QStringLiteral("--set %1=%2").arg(step.Name, step.Value);
    case Kv8Step::Click:
        return QStringLiteral("--click ") + step.Name;
    case Kv8Step::Key:
        return QStringLiteral("--key ") + step.Name;
    case Kv8Step::Page:
        return QStringLiteral("--page ") + step.Name;
    }
    return QString();
}

// A control inside another by name, without regard to case: of those of the same name, the
// first shown in the window.
QWidget *Inside(const TForm &form, const QObject &parent, const QString &name)
{
    QWidget *first = nullptr;
    const QList<QWidget *> all = parent.findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (w->objectName().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (w->isVisibleTo(&form))
            return w;
        if (!first)
            first = w;
    }
    return first;
}

// The control a step names, "NAME" or "PARENT/NAME" (each part found inside the one before).
QWidget *Named(TForm &form, const Kv8Step &step)
{
    const QObject *within = &form;
    QWidget *control = nullptr;
    for (const QString &part : step.Name.split(QLatin1Char('/'))) {
        control = Inside(form, *within, part.trimmed());
        if (!control)
            StopRun(
                QStringLiteral("%1: the window %2 has no control %3").arg(StepText(step), Describe(form), step.Name));
        within = control;
    }
    return control;
}

// Brings the window to the front with the keyboard in it.
void Activate(TForm &form)
{
    if (QMdiSubWindow *sub = form.SubWindow()) {
        if (sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
    } else if (!form.isVisible()) {
        form.show();
    }
    QWidget *top = form.window();
    top->activateWindow();
    QApplication::setActiveWindow(top);
    ProcessAll();
    QWidget *focus = QApplication::focusWidget();
    if (!focus || !form.isAncestorOf(focus))
        form.setFocus(Qt::ActiveWindowFocusReason);
}

// The control a step names, when the user could reach it.
QWidget *Reachable(TForm &form, const Kv8Step &step)
{
    QWidget *control = Named(form, step);
    const auto refuse = [&](const char *why) {
        StopRun(QStringLiteral("%1: the control %2 of the window %3 %4")
                    .arg(StepText(step), step.Name, Describe(form), QLatin1String(why)));
    };
    if (!control->isVisibleTo(&form))
        refuse("is not shown");
    if (!control->isEnabled())
        refuse("is disabled");
    bool readOnly = false;
    if (auto *line = qobject_cast<QLineEdit *>(control))
        readOnly = line->isReadOnly();
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(control))
        readOnly = memo->isReadOnly();
    if (auto *data = dynamic_cast<TDBFieldControl *>(control)) {
        // a browsed record whose source starts no edit takes no typing: Edit comes first
        const TFieldDataLink &link = data->DataLink();
        const TDataSource *source = link.DataSource();
        readOnly = readOnly || data->IsReadOnlySet() || !link.CanModify()
                   || (!link.Editing() && source && !source->AutoEdit());
    }
    if (readOnly && step.What == Kv8Step::Set)
        refuse("is read-only");
    return control;
}

void SendKey(QWidget *target, QKeyCombination keys, const QString &text)
{
    const QPointer<QWidget> guard(target);
    QKeyEvent press(QEvent::KeyPress, keys.key(), keys.keyboardModifiers(), text);
    QApplication::sendEvent(target, &press);
    if (!guard)
        return;
    QKeyEvent release(QEvent::KeyRelease, keys.key(), keys.keyboardModifiers(), text);
    QApplication::sendEvent(target, &release);
}

// Where the keys typed into a control go: the control, or the part of it with the focus.
QWidget *KeyTarget(QWidget *control)
{
    QWidget *focus = QApplication::focusWidget();
    return focus && (focus == control || control->isAncestorOf(focus)) ? focus : control;
}

void Enter(TForm &form, QWidget *control)
{
    Activate(form);
    control->setFocus(Qt::TabFocusReason);
    ProcessAll();
}

// Leaves the control for the next one of the window, as Tab does (a window with no other
// control takes the focus away).
void Leave(TForm &form, QWidget *control)
{
    for (QWidget *w = control->nextInFocusChain(); w && w != control; w = w->nextInFocusChain()) {
        if (form.isAncestorOf(w) && !control->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled()
            && w->isVisibleTo(&form)) {
            w->setFocus(Qt::TabFocusReason);
            ProcessAll();
            return;
        }
    }
    control->clearFocus();
    ProcessAll();
}

void TypeInto(TForm &form, QWidget *control, const Kv8Step &step)
{
    auto *line = qobject_cast<QLineEdit *>(control);
    auto *memo = qobject_cast<QPlainTextEdit *>(control);
    if (!line && !memo)
        StopRun(QStringLiteral("%1: the control %2 of the window %3 does not take typed text")
                    .arg(StepText(step), step.Name, Describe(form)));
    // a user sees the edit take no more: the run is told, not cut short in silence
    if (line && step.Value.size() > line->maxLength())
        StopRun(QStringLiteral("%1: the control %2 of the window %3 takes at most %4 characters")
                    .arg(StepText(step), step.Name, Describe(form))
                    .arg(line->maxLength()));
    Enter(form, control);
    if (line)
        line->selectAll();
    else
        memo->selectAll();
    if (step.Value.isEmpty())
        SendKey(KeyTarget(control), QKeyCombination(Qt::Key_Delete), QString());
    for (const QChar c : step.Value) {
        const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
        SendKey(KeyTarget(control), QKeyCombination(Qt::Key(key)), QString(c));
    }
    ProcessAll();
    Leave(form, control);
}

void Tick(TForm &form, QAbstractButton *box, const Kv8Step &step)
{
    QStringList on{QStringLiteral("1")};
    QStringList off{QStringLiteral("0")};
    if (auto *data = qobject_cast<TDBCheckBox *>(box)) {
        on << data->ValueChecked.toString();
        off << data->ValueUnchecked.toString();
    }
    const QString value = step.Value.trimmed();
    const bool tick = on.contains(value, Qt::CaseInsensitive);
    if (!tick && !off.contains(value, Qt::CaseInsensitive))
        StopRun(QStringLiteral("%1: the check box %2 of the window %3 takes %4 or %5")
                    .arg(StepText(step), step.Name, Describe(form), on.last(), off.last()));
    Enter(form, box);
    if (box->isChecked() != tick)
        box->click();
}

void Choose(TForm &form, QComboBox *list, const Kv8Step &step)
{
    auto *data = qobject_cast<TDBComboBox *>(list);
    int index = -1;
    for (int i = 0; i < list->count() && index < 0; ++i)
        if (list->itemText(i).compare(step.Value.trimmed(), Qt::CaseInsensitive) == 0)
            index = i;
    for (int i = 0; data && i < list->count() && index < 0; ++i)
        if (data->ItemValue(i).toString() == step.Value.trimmed())
            index = i;
    if (index < 0)
        StopRun(QStringLiteral("%1: the list %2 of the window %3 has no item \"%4\"")
                    .arg(StepText(step), step.Name, Describe(form), step.Value));
    Enter(form, list);
    if (data)
        data->SelectValue(data->ItemValue(index));
    else
        list->setCurrentIndex(index);
}

// Shows a page of a page control, as a click on its tab.
void ShowPage(TForm &form, const Kv8Step &step)
{
    QWidget *page = Named(form, step);
    QWidget *stack = page->parentWidget();
    auto *pages = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
    const int index = pages ? pages->indexOf(page) : -1;
    if (index < 0)
        StopRun(QStringLiteral("%1: the control %2 of the window %3 is not a page")
                    .arg(StepText(step), step.Name, Describe(form)));
    if (!pages->isVisibleTo(&form) || !pages->isTabVisible(index))
        StopRun(QStringLiteral("%1: the page %2 of the window %3 is not shown")
                    .arg(StepText(step), step.Name, Describe(form)));
    if (!pages->isEnabled() || !pages->isTabEnabled(index))
        StopRun(QStringLiteral("%1: the page %2 of the window %3 is disabled")
                    .arg(StepText(step), step.Name, Describe(form)));
    Activate(form);
    pages->setCurrentIndex(index);
}

void Act(TForm &form, const Kv8Step &step)
{
    switch (step.What) {
    case Kv8Step::Menu:
        return;
    case Kv8Step::Set: {
        QWidget *control = Reachable(form, step);
        if (auto *box = qobject_cast<QAbstractButton *>(control); box && box->isCheckable())
            Tick(form, box, step);
        else if (auto *list = qobject_cast<QComboBox *>(control))
            Choose(form, list, step);
        else
            TypeInto(form, control, step);
        return;
    }
    case Kv8Step::Click: {
        auto *button = qobject_cast<QAbstractButton *>(Reachable(form, step));
        if (!button)
            StopRun(QStringLiteral("%1: the control %2 of the window %3 is not a button")
                        .arg(StepText(step), step.Name, Describe(form)));
        const QPointer<QAbstractButton> guard(button);
        Activate(form);
        if (button->focusPolicy() & Qt::ClickFocus) { // the click takes the focus first
            button->setFocus(Qt::MouseFocusReason);
            ProcessAll();
        }
        if (guard)
            guard->click();
        return;
    }
    case Kv8Step::Key: {
        Activate(form);
        QWidget *focus = QApplication::focusWidget();
        QWidget *target = focus && (focus == &form || form.isAncestorOf(focus)) ? focus : &form;
        const int key = step.Keys.key();
        const bool printable = key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde
                               && !(step.Keys.keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier));
        SendKey(target, step.Keys, printable ? QString(QChar(key)) : QString());
        return;
    }
    case Kv8Step::Page:
        ShowPage(form, step);
        return;
    }
}

// The run's steps: each menu choice, then the steps after it until the next one.
class StepRunner {
public:
    StepRunner(Mdimainbase::TMDIForm &mainWindow, const QList<Kv8Step> &steps, QTextStream &err)
        : main_(mainWindow), steps_(steps), err_(err)
    {
        for (QMdiSubWindow *sub : main_.MdiArea()->subWindowList())
            known_ << sub;
    }

    void Run()
    {
        for (qsizetype at = 0; at < steps_.size();) {
            end_ = at + 1;
            while (end_ < steps_.size() && steps_.at(end_).What != Kv8Step::Menu)
                ++end_;
            next_ = at + 1;
            shot_ = QPixmap();
            err_ << "Scelta: " << steps_.at(at).Name << '\n';
            err_.flush();
            main_.EseguiScelta(steps_.at(at).Name);
            Settle();
            // the steps no dialog took act on the active child window, which the screenshot
            // then shows, unless a step opens a dialog
            while (next_ < end_) {
                const Kv8Step &step = steps_.at(next_++);
                TForm *window = Funzioni::FinestraAperta(main_.ActiveMDIChild());
                if (!window)
                    StopRun(QStringLiteral("%1: no window is open").arg(StepText(step)));
                shot_ = QPixmap();
                Step(*window, step);
            }
            at = end_;
        }
    }

    // A modal dialog: it takes the steps while it is open, then it is cancelled.
    std::optional<int> Dialog(TForm &form)
    {
        err_ << WindowLine(form) << '\n';
        err_.flush();
        ++dialogs_;
        const QPointer<TForm> dialog(&form);
        form.show();
        ProcessAll();
        if (dialog)
            shot_ = dialog->grab();
        while (dialog && !dialog->IsClosed() && next_ < end_) {
            const int opened = dialogs_;
            Step(*dialog, steps_.at(next_++));
            // a dialog the step opened stays the one shown
            if (dialog && !dialog->IsClosed() && dialogs_ == opened)
                shot_ = dialog->grab();
        }
        if (dialog && !dialog->IsClosed())
            dialog->hide();
        return int(mrCancel);
    }

    // The dialog to photograph, as it was last seen; none when the last step acted in a
    // child window (the main window is photographed as it is).
    QPixmap Shot() const { return shot_; }

private:
    void Step(TForm &form, const Kv8Step &step)
    {
        err_ << "Passo: " << StepText(step) << '\n';
        err_.flush();
        Act(form, step);
        Settle();
    }

    // Lets the step's events run and names the child windows it opened.
    void Settle()
    {
        ProcessAll();
        for (QMdiSubWindow *sub : main_.MdiArea()->subWindowList()) {
            if (known_.contains(sub))
                continue;
            known_ << sub;
            if (auto *form = qobject_cast<TForm *>(sub->widget()))
                err_ << WindowLine(*form) << '\n';
        }
        known_.removeIf([](const QPointer<QMdiSubWindow> &sub) { return sub.isNull(); });
        err_.flush();
    }

    Mdimainbase::TMDIForm &main_;
    const QList<Kv8Step> &steps_;
    QTextStream &err_;
    qsizetype next_ = 0;
    qsizetype end_ = 0;
    int dialogs_ = 0; // modal dialogs shown so far
    QPixmap shot_;
    QList<QPointer<QMdiSubWindow>> known_;
};

} // namespace

void ReportUnhandledChoice(const QString &code)
{
    QTextStream(stderr) << "kv8: nobody handles the menu code " << code << '\n';
    UnhandledCodes() << code;
}

int AnswerResult(const QString &word)
{
    const QString w = word.trimmed().toLower();
    if (w == QLatin1String("yes") || w == QLatin1String("si") || w == QString::fromUtf8("sì")
        || w == QLatin1String("y"))
        return mrYes;
    if (w == QLatin1String("no") || w == QLatin1String("n"))
        return mrNo;
    if (w == QLatin1String("ok"))
        return mrOk;
    if (w == QLatin1String("cancel") || w == QLatin1String("annulla"))
        return mrCancel;
    return 0;
}

bool ParseOptions(const QStringList &arguments, Kv8Options &options, QString &problem)
{
    options = Kv8Options();
    options.Database = CompanyDatabaseUrl(arguments);
    options.UserChosen = !qEnvironmentVariableIsEmpty("KV8_USER");
    options.User = options.UserChosen ? qEnvironmentVariable("KV8_USER") : QStringLiteral("ADMIN");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        QString name = a;
        QString value;
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        const bool inlineValue = a.startsWith(QLatin1String("--")) && eq > 0;
        if (inlineValue) {
            name = a.left(eq);
            value = a.mid(eq + 1);
        }
        static const QStringList known = {
            QStringLiteral("--database"),   QStringLiteral("--menu"), QStringLiteral("--answers"),
            QStringLiteral("--screenshot"), QStringLiteral("--user"), QStringLiteral("--set"),
            QStringLiteral("--click"),      QStringLiteral("--key"),  QStringLiteral("--page")};
        if (!known.contains(name)) {
            problem = QStringLiteral("unknown argument %1").arg(a);
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= arguments.size()) {
                problem = QStringLiteral("%1 needs a value").arg(name);
                return false;
            }
            value = arguments.at(++i);
        }
        if (name == QLatin1String("--menu")) {
            if (value.trimmed().isEmpty()) {
                problem = QStringLiteral("--menu needs a menu code");
                return false;
            }
            options.Steps << Kv8Step{Kv8Step::Menu, value.trimmed(), QString(), QKeyCombination()};
        } else if (name == QLatin1String("--set") || name == QLatin1String("--click") || name == QLatin1String("--key")
                   || name == QLatin1String("--page")) {
            if (options.Steps.isEmpty()) {
                problem = QStringLiteral("%1 acts in the window of a menu choice: put a --menu before it").arg(name);
                return false;
            }
            Kv8Step step;
            const QString text = value.trimmed();
            if (name == QLatin1String("--set")) {
                const qsizetype at = value.indexOf(QLatin1Char('='));
                if (at < 0 || value.left(at).trimmed().isEmpty()) {
                    problem = QStringLiteral("--set needs NAME=VALUE");
                    return false;
                }
                step = Kv8Step{Kv8Step::Set, value.left(at).trimmed(), value.mid(at + 1), QKeyCombination()};
            } else if (name == QLatin1String("--click")) {
                if (text.isEmpty()) {
                    problem = QStringLiteral("--click needs the name of a button");
                    return false;
                }
                step = Kv8Step{Kv8Step::Click, text, QString(), QKeyCombination()};
            } else if (name == QLatin1String("--page")) {
                if (text.isEmpty()) {
                    problem = QStringLiteral("--page needs the name of a page");
                    return false;
                }
                step = Kv8Step{Kv8Step::Page, text, QString(), QKeyCombination()};
            } else {
                const QKeySequence keys = QKeySequence::fromString(text, QKeySequence::PortableText);
                if (keys.count() != 1 || keys[0].key() == Qt::Key_unknown) {
                    problem = QStringLiteral("unknown key \"%1\" (a key such as F10, Escape, Enter, Tab, Ctrl+F4)")
                                  .arg(value);
                    return false;
                }
                step = Kv8Step{Kv8Step::Key, text, QString(), keys[0]};
            }
            const QStringList parts = step.Name.split(QLatin1Char('/'));
            if (step.What != Kv8Step::Key && std::any_of(parts.begin(), parts.end(), [](const QString &part) {
                    return part.trimmed().isEmpty();
                })) {
                problem =
                    QStringLiteral("%1: \"%2\" is not a control's name (NAME, or PARENT/NAME)").arg(name, step.Name);
                return false;
            }
            options.Steps << step;
        } else if (name == QLatin1String("--answers")) {
            for (const QString &word : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                if (!AnswerResult(word)) {
                    problem = QStringLiteral("unknown answer \"%1\" (yes, no, ok, cancel)").arg(word);
                    return false;
                }
                options.Answers << word.trimmed();
            }
        } else if (name == QLatin1String("--screenshot")) {
            options.Screenshot = value;
        } else if (name == QLatin1String("--user")) {
            options.User = value;
            options.UserChosen = true;
        }
    }
    return true;
}

int RunUnattended(Mdimainbase::TMDIForm &mainWindow, const Kv8Options &options)
{
    QTextStream err(stderr);
    UnattendedMessages messages(options.Answers);
    TMessageService *previous = Kmessages::SetMessageService(&messages);
    StepRunner steps(mainWindow, options.Steps, err);
    TForm::ModalHandler previousModal = TForm::SetModalHandler([&steps](TForm &form) { return steps.Dialog(form); });

    mainWindow.show();
    ProcessAll();
    steps.Run();

    int code = kv8Ok;
    if (!UnhandledCodes().isEmpty()) {
        err << "kv8: menu codes nobody handles: " << UnhandledCodes().join(QLatin1Char(',')) << '\n';
        code = kv8NotHandled;
    }
    if (messages.Errors() > 0) {
        err << "kv8: " << messages.Errors() << (messages.Errors() == 1 ? " error was" : " errors were") << " shown\n";
        code = kv8ErrorShown;
    }
    if (messages.Refusals() > 0) {
        err << "kv8: " << messages.Refusals() << (messages.Refusals() == 1 ? " save was" : " saves were")
            << " refused\n";
        code = kv8ErrorShown;
    }
    if (!options.Screenshot.isEmpty()) {
        const QPixmap shot = steps.Shot().isNull() ? mainWindow.grab() : steps.Shot();
        if (!shot.save(options.Screenshot, "PNG")) {
            err << "kv8: cannot write the screenshot " << options.Screenshot << '\n';
            code = kv8Failed;
        }
    }
    const QStringList unused = messages.Unused();
    if (!unused.isEmpty())
        err << "kv8: answers never asked for: " << unused.join(QLatin1Char(',')) << '\n';
    err.flush();
    TForm::SetModalHandler(std::move(previousModal));
    Kmessages::SetMessageService(previous);
    return code;
}

void CloseRemainingWindows(Mdimainbase::TMDIForm &mainWindow)
{
    for (QMdiSubWindow *sub : mainWindow.MdiArea()->subWindowList())
        delete sub;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<TForm *>(w))
            delete w;
    ProcessAll();
}
