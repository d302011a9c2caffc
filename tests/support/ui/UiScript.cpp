#include "tests/support/ui/UiScript.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

namespace kv8test {

namespace {
QtMessageHandler g_previousHandler = nullptr;

// The offscreen platform's notes about what it cannot do say nothing about the tests.
void QuietPlatformNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("This plugin does not support"))
        || message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        fprintf(stderr, "%s\n", qPrintable(message));
}
} // namespace

void EnsureApplication()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_previousHandler = qInstallMessageHandler(QuietPlatformNotes);
    // saved grid layouts go to a folder of this run, out of the user's settings and of
    // other test programs running at the same time
    static QTemporaryDir configDir;
    qputenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit());
    static int argc = 1;
    static char name[] = "kv8test";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives as long as the test program
    Application->InstallKeyPreview();
}

UiScript::UiScript()
{
    EnsureApplication();
    previousService_ = Kmessages::SetMessageService(this);
    previousModal_ = TForm::SetModalHandler([this](TForm &form) { return RunDialog(form); });
}

UiScript::~UiScript()
{
    Kmessages::SetMessageService(previousService_);
    TForm::SetModalHandler(std::move(previousModal_));
    if (!allowUnused_ && !answers_.empty()) {
        QStringList left;
        for (const Queued &q : answers_)
            left << QString::number(q.result)
                        + (q.text.isEmpty() ? QString() : QStringLiteral(" for \"") + q.text + QLatin1Char('"'));
        ADD_FAILURE() << "answers never asked for: " << left.join(QLatin1String(", ")).toStdString();
    }
}

UiScript &UiScript::Answer(int result, const QString &expectedText)
{
    answers_.push_back(Queued{result, expectedText});
    return *this;
}

QStringList UiScript::Texts() const
{
    QStringList texts;
    for (const ShownMessage &m : messages_)
        texts << m.Text;
    return texts;
}

bool UiScript::Shown(const QString &text) const
{
    return Count(text) > 0;
}

int UiScript::Count(const QString &text) const
{
    int n = 0;
    for (const ShownMessage &m : messages_)
        if (m.Text == text)
            ++n;
    return n;
}

QString UiScript::LastText() const
{
    return messages_.isEmpty() ? QString() : messages_.last().Text;
}

void UiScript::OnDialog(const QString &className, DialogHandler handler)
{
    if (handler)
        handlers_[className.toLower()] = std::move(handler);
    else
        handlers_.erase(className.toLower());
}

int UiScript::Show(const TKMessage &message)
{
    ShownMessage shown;
    shown.Type = message.Type;
    shown.Text = message.Text;
    shown.Buttons = message.Buttons;
    shown.Flag = message.Flag;
    shown.Question = message.IsQuestion();
    if (!shown.Question) {
        shown.Answer = message.DefaultResult();
    } else if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: \"" << message.Text.toStdString() << "\"";
        shown.Answer = (message.Buttons & mbNo) ? mrNo : mrCancel;
    } else {
        const Queued next = answers_.front();
        answers_.pop_front();
        if (!next.text.isEmpty() && next.text != message.Text)
            ADD_FAILURE() << "question \"" << message.Text.toStdString() << "\" where \"" << next.text.toStdString()
                          << "\" was expected";
        shown.Answer = next.result;
    }
    messages_.append(shown);
    return shown.Answer;
}

std::optional<int> UiScript::RunDialog(TForm &form)
{
    for (const QMetaObject *meta = form.metaObject(); meta; meta = meta->superClass()) {
        const QString name = QString::fromLatin1(meta->className());
        const auto it = handlers_.find(name.toLower());
        if (it != handlers_.end()) {
            dialogs_ << QString::fromLatin1(form.metaObject()->className());
            const DialogHandler handler = it->second;
            return handler(form);
        }
        if (meta == &TForm::staticMetaObject)
            break;
    }
    ADD_FAILURE() << "unexpected dialog " << form.metaObject()->className() << " \"" << form.windowTitle().toStdString()
                  << "\"";
    return int(mrCancel);
}

} // namespace kv8test
