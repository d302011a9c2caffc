#pragma once
// Window tests without a screen.
//
// A UiScript, while it exists, takes the place of the message box and of the modal loop:
// - every message is recorded (type and text);
// - a question (more than one button) takes the next answer queued with Answer/Yes/No; a
//   question with no answer left fails the test and gets the negative answer;
// - ShowModal of a dialog runs the handler registered for its class (or a base class),
//   instead of an event loop; a dialog without a handler fails the test and is cancelled.
//   The dialog then closes as for the user: a close it refuses leaves it open, and
//   ShowModal answers mrNone.
// Answers left unused when the script ends fail the test too.
#include "host/ui/Forms.h"
#include "host/ui/Kmessages.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <utility>

namespace kv8test {

// A QApplication for widget tests, offscreen unless a platform is set; made once.
void EnsureApplication();

struct ShownMessage {
    int Type = mtInformation;
    QString Text;
    TMsgDlgButtons Buttons = mbOK;
    int Flag = 0;
    int Answer = mrOk;
    bool Question = false;
};

class UiScript : public TMessageService {
public:
    UiScript();
    ~UiScript() override;
    UiScript(const UiScript &) = delete;
    UiScript &operator=(const UiScript &) = delete;

    // ---- questions
    // The answer to the next question; with a text, the question must be that text.
    UiScript &Answer(int result, const QString &expectedText = QString());
    UiScript &Yes(const QString &expectedText = QString()) { return Answer(mrYes, expectedText); }
    UiScript &No(const QString &expectedText = QString()) { return Answer(mrNo, expectedText); }
    int PendingAnswers() const { return int(answers_.size()); }
    // Unused answers do not fail the test (for tests that expect a question may not come).
    void AllowUnusedAnswers() { allowUnused_ = true; }

    // ---- messages
    const QList<ShownMessage> &Messages() const { return messages_; }
    QStringList Texts() const;
    bool Shown(const QString &text) const;
    int Count(const QString &text) const;
    QString LastText() const;
    void ClearMessages() { messages_.clear(); }

    // ---- modal dialogs
    // handler: drives the dialog (fields, buttons) and answers the modal result, which is
    // used when the dialog did not set one itself.
    using DialogHandler = std::function<int(TForm &dialog)>;
    void OnDialog(const QString &className, DialogHandler handler);
    QStringList DialogsShown() const { return dialogs_; }

    int Show(const TKMessage &message) override;

private:
    std::optional<int> RunDialog(TForm &form);

    struct Queued {
        int result;
        QString text;
    };
    std::deque<Queued> answers_;
    QList<ShownMessage> messages_;
    std::map<QString, DialogHandler> handlers_; // lower-case class names
    QStringList dialogs_;
    bool allowUnused_ = false;
    TMessageService *previousService_ = nullptr;
    TForm::ModalHandler previousModal_;
};

// While it lives, runs a step of another user just before the question domanda is answered
// (once), then passes every message on to the script.
class PrimaDellaDomanda : public TMessageService {
public:
    PrimaDellaDomanda(TMessageService *script, QString domanda, std::function<void()> passo)
        : script_(script), domanda_(std::move(domanda)), passo_(std::move(passo))
    {
        previous_ = Kmessages::SetMessageService(this);
    }
    ~PrimaDellaDomanda() override { Kmessages::SetMessageService(previous_); }
    PrimaDellaDomanda(const PrimaDellaDomanda &) = delete;
    PrimaDellaDomanda &operator=(const PrimaDellaDomanda &) = delete;
    int Show(const TKMessage &message) override
    {
        if (message.Text == domanda_ && passo_)
            std::exchange(passo_, nullptr)();
        return script_->Show(message);
    }

private:
    TMessageService *script_;
    TMessageService *previous_ = nullptr;
    QString domanda_;
    std::function<void()> passo_;
};

} // namespace kv8test
