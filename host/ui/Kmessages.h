#pragma once
// The host's message box and the results of modal windows.
//
// KMessage goes through a replaceable message service: the program shows a QMessageBox,
// the unattended program writes to standard error, tests answer from a script. While a
// message list is active (XAttivaListaMessaggi) messages that ask nothing are collected
// instead of shown.
#include "host/core/Notices.h"

#include <QString>

#include <exception>

enum TMsgDlgType : int { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };
static_assert(int(TNoticeKind::Warning) == mtWarning && int(TNoticeKind::Error) == mtError
              && int(TNoticeKind::Information) == mtInformation && int(TNoticeKind::Confirmation) == mtConfirmation);

// Buttons of a message, combined with |.
enum TMsgDlgBtn : int {
    mbYes = 0x01,
    mbNo = 0x02,
    mbOK = 0x04,
    mbCancel = 0x08,
    mbAbort = 0x10,
    mbRetry = 0x20,
    mbIgnore = 0x40
};
using TMsgDlgButtons = int;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// Results of messages and modal windows.
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

struct TKMessage {
    QString Text;
    TMsgDlgType Type = mtInformation;
    TMsgDlgButtons Buttons = mbOK;
    int Flag = 0;         // 1: the negative button (No, Cancel) is the default
    bool Refusal = false; // tells why a save stored nothing, whatever its type (KRifiuto)

    // More than one button: the user is asked something.
    bool IsQuestion() const;
    // The result of the default button.
    int DefaultResult() const;
};

// Shows messages; answers the button chosen (a TModalResult).
class TMessageService {
public:
    virtual ~TMessageService() = default;
    virtual int Show(const TKMessage &message) = 0;
};

namespace Kmessages {

// A modal message; answers the button chosen (6 Yes, 7 No, 1 OK, 2 Cancel). Texts with
// CR LF line breaks are shown on several lines.
int KMessage(const QString &text, int type, TMsgDlgButtons buttons, int flag = 0);

// Replaces the service that shows messages; nullptr puts the message box back. Answers the
// service replaced (nullptr for the message box).
// A save refused, by its checks or by another user's change, with nothing stored: its reason
// shown with an OK button, as a message of the type given, and marked as a refusal.
void KRifiuto(const QString &text, int type);

TMessageService *SetMessageService(TMessageService *service);
TMessageService *MessageService();

// The message box service of the program.
TMessageService &MessageBoxService();
// Words for a message type ("Informazione", "Attenzione", "Errore", "Conferma").
QString TypeName(int type);

// Collected messages: from XAttivaListaMessaggi on, messages with a single button are
// kept instead of shown; XGetListaMessaggi answers them joined by CR LF;
// XDisattivaListaMessaggi stops collecting and forgets them. Questions are still asked.
void XAttivaListaMessaggi();
QString XGetListaMessaggi();
void XDisattivaListaMessaggi();
bool ListaMessaggiAttiva();

// The application's display of an error nobody caught: its text as an error message; a
// silent abort (EAbort) shows nothing.
void ShowException(const std::exception &error);
// The text of an error as it is shown.
QString ExceptionText(const std::exception &error);
// The box type of the message of an error that stopped a job or a save: the job's own (type),
// or an error when the database failed under it (a key already taken aside), so that an
// unattended run tells a failed job.
int JobErrorType(const std::exception &error, int type);

// The sink that shows the business layer's notices and questions as messages (in place while
// the window layer is loaded).
TNoticeSink &NoticeSink();

} // namespace Kmessages
