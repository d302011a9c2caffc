// Messages through the replaceable service, the collected-messages mode, the default
// display of errors, and the test script itself.
#include "host/core/Errors.h"
#include "host/ui/Kmessages.h"
#include "tests/support/ui/UiScript.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using kv8test::UiScript;

TEST(KMessage, RecordsMessagesAndAnswersQuestionsInOrder)
{
    UiScript script;
    script.Yes(QStringLiteral("Conferma Registrazione ?")).No();

    EXPECT_EQ(Kmessages::KMessage(QStringLiteral("Elaborazione Terminata"), mtInformation, mbOK), mrOk);
    EXPECT_EQ(Kmessages::KMessage(QStringLiteral("Conferma Registrazione ?"), mtConfirmation, mbYesNo, 0), 6);
    EXPECT_EQ(Kmessages::KMessage(QStringLiteral("Conferma Cancellazione ?"), mtConfirmation, mbYesNo, 1), 7);

    ASSERT_EQ(script.Messages().size(), 3);
    EXPECT_EQ(script.Messages().at(0).Type, mtInformation);
    EXPECT_FALSE(script.Messages().at(0).Question);
    EXPECT_EQ(script.Messages().at(2).Flag, 1);
    EXPECT_EQ(script.Texts(),
              (QStringList{QStringLiteral("Elaborazione Terminata"), QStringLiteral("Conferma Registrazione ?"),
                           QStringLiteral("Conferma Cancellazione ?")}));
}

TEST(KMessage, ScriptFailsOnAnUnexpectedQuestionAndAnswersNo)
{
    EXPECT_NONFATAL_FAILURE(
        {
            UiScript script;
            const int answer =
                Kmessages::KMessage(QStringLiteral("Conferma Abbandono Modifiche ?"), mtConfirmation, mbYesNo, 1);
            EXPECT_EQ(answer, mrNo);
        },
        "unexpected question: \"Conferma Abbandono Modifiche ?\"");
}

TEST(KMessage, ScriptFailsWhenTheQuestionIsNotTheOneExpected)
{
    EXPECT_NONFATAL_FAILURE(
        {
            UiScript script;
            script.Yes(QStringLiteral("Conferma Registrazione ?"));
            Kmessages::KMessage(QStringLiteral("Conferma Cancellazione ?"), mtConfirmation, mbYesNo, 1);
        },
        "where \"Conferma Registrazione ?\" was expected");
}

TEST(KMessage, ScriptFailsOnAnswersNeverAskedFor)
{
    EXPECT_NONFATAL_FAILURE(
        {
            UiScript script;
            script.Yes();
        },
        "answers never asked for");
}

TEST(KMessage, DefaultButtonFollowsTheFlag)
{
    TKMessage m;
    m.Buttons = mbYesNo;
    m.Flag = 0;
    EXPECT_EQ(m.DefaultResult(), mrYes);
    m.Flag = 1;
    EXPECT_EQ(m.DefaultResult(), mrNo);
    m.Buttons = mbOK;
    EXPECT_FALSE(m.IsQuestion());
    EXPECT_EQ(m.DefaultResult(), mrOk);
}

TEST(KMessage, CollectedMessagesAreKeptButQuestionsAreStillAsked)
{
    UiScript script;
    script.Yes();
    Kmessages::XAttivaListaMessaggi();
    Kmessages::KMessage(QStringLiteral("Articolo non trovato"), mtInformation, mbOK);
    Kmessages::KMessage(QStringLiteral("Lotto scaduto"), mtWarning, mbOK);
    EXPECT_EQ(Kmessages::KMessage(QStringLiteral("Proseguire ?"), mtConfirmation, mbYesNo), mrYes);
    EXPECT_EQ(Kmessages::XGetListaMessaggi(), QStringLiteral("Articolo non trovato\r\nLotto scaduto"));
    Kmessages::XDisattivaListaMessaggi();
    EXPECT_TRUE(Kmessages::XGetListaMessaggi().isEmpty());

    // only the question reached the screen
    EXPECT_EQ(script.Texts(), QStringList{QStringLiteral("Proseguire ?")});
    Kmessages::KMessage(QStringLiteral("Fine"), mtInformation, mbOK);
    EXPECT_TRUE(script.Shown(QStringLiteral("Fine")));
}

TEST(KMessage, UncaughtErrorsAreShownAndSilentAbortsAreNot)
{
    UiScript script;
    Application->HandleException(EAbort());
    EXPECT_TRUE(script.Messages().isEmpty());
    Application->HandleException(Exception(QStringLiteral("Codice Imballo / Cauzione non valido")));
    Application->HandleException(std::runtime_error("disk full"));
    ASSERT_EQ(script.Messages().size(), 2);
    EXPECT_EQ(script.Messages().at(0).Type, mtError);
    EXPECT_EQ(script.Messages().at(0).Text, QStringLiteral("Codice Imballo / Cauzione non valido"));
    EXPECT_EQ(script.Messages().at(1).Text, QStringLiteral("disk full"));
}

TEST(KMessage, ScriptRestoresThePreviousService)
{
    TMessageService *before = Kmessages::MessageService();
    {
        UiScript outer;
        {
            UiScript inner;
            Kmessages::KMessage(QStringLiteral("a"), mtInformation, mbOK);
            EXPECT_TRUE(inner.Shown(QStringLiteral("a")));
        }
        Kmessages::KMessage(QStringLiteral("b"), mtInformation, mbOK);
        EXPECT_FALSE(outer.Shown(QStringLiteral("a")));
        EXPECT_TRUE(outer.Shown(QStringLiteral("b")));
    }
    EXPECT_EQ(Kmessages::MessageService(), before);
}
