#include "host/app/Unattended.h"

#include "host/db/DMIDataBases.h"
#include "host/ui/Forms.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QApplication>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QTextStream>

#include <cstdlib>

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
        if (!message.IsQuestion()) {
            err << line << '\n';
            return message.DefaultResult();
        }
        if (next_ >= answers_.size()) {
            err << line << '\n' << "kv8: no answer left for the question \"" << OneLine(message.Text) << "\"\n";
            err.flush();
            std::_Exit(3);
        }
        const QString word = answers_.at(next_++);
        err << line << " -> " << word << '\n';
        return AnswerResult(word);
    }

    QStringList Unused() const { return answers_.mid(next_); }

private:
    QStringList answers_;
    qsizetype next_ = 0;
};

} // namespace

int AnswerResult(const QString &word)
{
    const QString w = word.trimmed().toLower();
    if (w == QLatin1String("yes") || w == QLatin1String("si") || w == QString::fromUtf8("sì") || w == QLatin1String("y"))
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
    options.User = qEnvironmentVariable("KV8_USER", QStringLiteral("ADMIN"));
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
        static const QStringList known = {QStringLiteral("--database"), QStringLiteral("--menu"), QStringLiteral("--answers"),
                                          QStringLiteral("--screenshot"), QStringLiteral("--user")};
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
            options.Menus << value.trimmed();
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
        }
    }
    return true;
}

int RunUnattended(Mdimainbase::TMDIForm &mainWindow, const Kv8Options &options)
{
    QTextStream err(stderr);
    UnattendedMessages messages(options.Answers);
    TMessageService *previous = Kmessages::SetMessageService(&messages);
    QPixmap dialogShot;
    TForm::ModalHandler previousModal = TForm::SetModalHandler([&dialogShot, &err](TForm &form) -> std::optional<int> {
        err << "Finestra: " << form.windowTitle() << " (" << form.metaObject()->className() << ")\n";
        err.flush();
        form.show();
        ProcessAll();
        dialogShot = form.grab();
        form.hide();
        return int(mrCancel);
    });

    mainWindow.show();
    ProcessAll();
    for (const QString &code : options.Menus) {
        dialogShot = QPixmap();
        err << "Scelta: " << code << '\n';
        err.flush();
        mainWindow.EseguiScelta(code);
        ProcessAll();
    }

    int code = 0;
    if (!options.Screenshot.isEmpty()) {
        const QPixmap shot = dialogShot.isNull() ? mainWindow.grab() : dialogShot;
        if (!shot.save(options.Screenshot, "PNG")) {
            err << "kv8: cannot write the screenshot " << options.Screenshot << '\n';
            code = 1;
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
