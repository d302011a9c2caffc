#include "host/ui/Kmessages.h"

#include "host/core/Errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace {

class MessageBoxServiceImpl : public TMessageService {
public:
    int Show(const TKMessage &message) override
    {
        QMessageBox box(QApplication::activeWindow());
        switch (message.Type) {
        case mtWarning:
            box.setIcon(QMessageBox::Warning);
            break;
        case mtError:
            box.setIcon(QMessageBox::Critical);
            break;
        case mtConfirmation:
            box.setIcon(QMessageBox::Question);
            break;
        case mtInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        box.setWindowTitle(Kmessages::TypeName(message.Type));
        QString text = message.Text;
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        box.setText(text);

        struct Entry {
            int bit;
            QMessageBox::StandardButton button;
            int result;
            const char *caption;
        };
        static const Entry entries[] = {
            {mbYes, QMessageBox::Yes, mrYes, "&Sì"},
            {mbNo, QMessageBox::No, mrNo, "&No"},
            {mbOK, QMessageBox::Ok, mrOk, "&OK"},
            {mbCancel, QMessageBox::Cancel, mrCancel, "&Annulla"},
            {mbAbort, QMessageBox::Abort, mrAbort, "&Interrompi"},
            {mbRetry, QMessageBox::Retry, mrRetry, "&Riprova"},
            {mbIgnore, QMessageBox::Ignore, mrIgnore, "I&gnora"},
        };
        const TMsgDlgButtons buttons = message.Buttons ? message.Buttons : TMsgDlgButtons(mbOK);
        const int defaultResult = message.DefaultResult();
        for (const Entry &e : entries) {
            if (!(buttons & e.bit))
                continue;
            QPushButton *b = box.addButton(e.button);
            b->setText(QString::fromUtf8(e.caption));
            if (e.result == defaultResult)
                box.setDefaultButton(b);
        }
        const int chosen = box.exec();
        for (const Entry &e : entries)
            if (chosen == e.button)
                return e.result;
        // closed with the window's close box: the negative answer
        if (buttons & mbCancel)
            return mrCancel;
        if (buttons & mbNo)
            return mrNo;
        return mrOk;
    }
};

// The business layer's notices and questions, shown as messages.
class MessageNoticeSink : public TNoticeSink {
public:
    void Tell(const QString &text, TNoticeKind kind) override { Kmessages::KMessage(text, int(kind), mbOK, 0); }
    bool Ask(const QString &text, TNoticeKind kind, bool noByDefault) override
    {
        return Kmessages::KMessage(text, int(kind), mbYesNo, noByDefault ? 1 : 0) == mrYes;
    }
};

// The window layer supplies the sink of the business layer's notices when it is loaded.
[[maybe_unused]] const bool g_noticeSinkInstalled = (Notices::SetSink(&Kmessages::NoticeSink()), true);

TMessageService *g_service = nullptr;
bool g_collecting = false;
QStringList g_collected;

} // namespace

bool TKMessage::IsQuestion() const
{
    int count = 0;
    for (int bit = 1; bit <= mbIgnore; bit <<= 1)
        if (Buttons & bit)
            ++count;
    return count > 1;
}

int TKMessage::DefaultResult() const
{
    const TMsgDlgButtons buttons = Buttons ? Buttons : TMsgDlgButtons(mbOK);
    if (Flag == 1) {
        if (buttons & mbNo)
            return mrNo;
        if (buttons & mbCancel)
            return mrCancel;
    }
    if (buttons & mbYes)
        return mrYes;
    if (buttons & mbOK)
        return mrOk;
    if (buttons & mbRetry)
        return mrRetry;
    if (buttons & mbNo)
        return mrNo;
    return mrCancel;
}

namespace Kmessages {

namespace {

int Show(const TKMessage &message)
{
    if (g_collecting && !message.IsQuestion()) {
        g_collected.append(message.Text);
        return message.DefaultResult();
    }
    return MessageService()->Show(message);
}

TKMessage Message(const QString &text, int type, TMsgDlgButtons buttons, int flag)
{
    TKMessage message;
    message.Text = text;
    message.Type = (type >= mtWarning && type <= mtCustom) ? TMsgDlgType(type) : mtInformation;
    message.Buttons = buttons ? buttons : TMsgDlgButtons(mbOK);
    message.Flag = flag;
    return message;
}

} // namespace

int KMessage(const QString &text, int type, TMsgDlgButtons buttons, int flag)
{
    return Show(Message(text, type, buttons, flag));
}

void KRifiuto(const QString &text, int type)
{
    TKMessage message = Message(text, type, mbOK, 0);
    message.Refusal = true;
    Show(message);
}

TMessageService *SetMessageService(TMessageService *service)
{
    TMessageService *previous = g_service;
    g_service = service;
    return previous;
}

TMessageService *MessageService()
{
    return g_service ? g_service : &MessageBoxService();
}

TMessageService &MessageBoxService()
{
    static MessageBoxServiceImpl service;
    return service;
}

QString TypeName(int type)
{
    switch (type) {
    case mtWarning:
        return QStringLiteral("Attenzione");
    case mtError:
        return QStringLiteral("Errore");
    case mtConfirmation:
        return QStringLiteral("Conferma");
    case mtInformation:
        return QStringLiteral("Informazione");
    default:
        return QStringLiteral("Messaggio");
    }
}

void XAttivaListaMessaggi()
{
    g_collecting = true;
    g_collected.clear();
}

QString XGetListaMessaggi()
{
    return g_collected.join(QLatin1String("\r\n"));
}

void XDisattivaListaMessaggi()
{
    g_collecting = false;
    g_collected.clear();
}

bool ListaMessaggiAttiva()
{
    return g_collecting;
}

QString ExceptionText(const std::exception &error)
{
    return ErrorText(error);
}

int JobErrorType(const std::exception &error, int type)
{
    // a key already taken is the data's refusal, shown as the job shows its own
    const bool guasto = dynamic_cast<const EDatabaseError *>(&error) && !dynamic_cast<const EKeyViolation *>(&error);
    return guasto ? mtError : type;
}

void ShowException(const std::exception &error)
{
    if (dynamic_cast<const EAbort *>(&error))
        return;
    KMessage(ExceptionText(error), mtError, mbOK, 0);
}

TNoticeSink &NoticeSink()
{
    static MessageNoticeSink sink;
    return sink;
}

} // namespace Kmessages
