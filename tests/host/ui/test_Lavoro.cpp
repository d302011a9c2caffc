// A long job started from a window: its buttons greyed and given back as they were, user input
// held off but for a question the job asks meanwhile, the progress display closed at its end.
#include "host/ui/MDIForm.h"
#include "tests/support/ui/UiScript.h"

#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include <stdexcept>

#include <gtest/gtest.h>

using Mdimainbase::TLavoro;
using Mdimainbase::TSenzaInputUtente;

namespace {

// A click and a space bar press posted to the button, as the window system delivers them, and
// the pending events processed as a progress step does.
void Clic(QPushButton &bottone)
{
    const QPointF punto(10, 10);
    QCoreApplication::postEvent(&bottone, new QMouseEvent(QEvent::MouseButtonPress, punto, bottone.mapToGlobal(punto),
                                                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(&bottone, new QMouseEvent(QEvent::MouseButtonRelease, punto, bottone.mapToGlobal(punto),
                                                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    QCoreApplication::postEvent(&bottone,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
    QCoreApplication::postEvent(&bottone,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
    QCoreApplication::processEvents();
}

} // namespace

TEST(SenzaInputUtente, UserInputWaitsOutTheRunWhileOtherEventsGoOn)
{
    kv8test::EnsureApplication();
    QPushButton bottone(QStringLiteral("Esegui"));
    bottone.resize(80, 30);
    int premuto = 0;
    QObject::connect(&bottone, &QPushButton::clicked, [&] { ++premuto; });
    int altri = 0;
    {
        TSenzaInputUtente senzaInput;
        QMetaObject::invokeMethod(
            &bottone, [&] { ++altri; }, Qt::QueuedConnection);
        Clic(bottone);
        EXPECT_EQ(premuto, 0) << "no click reaches the window during the run";
        EXPECT_EQ(altri, 1) << "the other pending messages are processed";
    }
    Clic(bottone);
    EXPECT_GE(premuto, 1) << "input reaches the windows again afterwards";
}

TEST(SenzaInputUtente, AQuestionTheRunAsksTakesItsAnswer)
{
    kv8test::EnsureApplication();
    QWidget finestra;
    auto *esegui = new QPushButton(QStringLiteral("Esegui"), &finestra);
    esegui->resize(80, 30);
    finestra.show();
    int eseguito = 0;
    QObject::connect(esegui, &QPushButton::clicked, [&] { ++eseguito; });

    TSenzaInputUtente senzaInput;
    // a question opened by the job, modal as a message box is
    QDialog domanda;
    domanda.setWindowModality(Qt::ApplicationModal);
    auto *si = new QPushButton(QStringLiteral("Sì"), &domanda);
    si->resize(80, 30);
    int risposto = 0;
    QObject::connect(si, &QPushButton::clicked, [&] { ++risposto; });
    domanda.show();
    QCoreApplication::processEvents();
    Clic(*si);
    EXPECT_GE(risposto, 1) << "the question can be answered";
    domanda.hide();
    QCoreApplication::processEvents();
    Clic(*esegui);
    EXPECT_EQ(eseguito, 0) << "the job's own window still takes no input";
}

TEST(Lavoro, ButtonsAreGreyedWhileItRunsAndComeBackAsTheyWereAfterAnError)
{
    kv8test::EnsureApplication();
    QWidget finestra;
    auto *esegui = new QPushButton(QStringLiteral("Esegui"), &finestra);
    auto *chiudi = new QPushButton(QStringLiteral("Chiudi"), &finestra);
    auto *stampa = new QPushButton(QStringLiteral("Stampa"), &finestra);
    auto *altro = new QPushButton(QStringLiteral("Altro"), &finestra);
    stampa->setEnabled(false); // not available before the job either
    finestra.show();
    try {
        TLavoro lavoro({esegui, chiudi, stampa});
        EXPECT_FALSE(esegui->isEnabled());
        EXPECT_FALSE(chiudi->isEnabled());
        EXPECT_TRUE(altro->isEnabled()) << "the rest of the window as it was";
        EXPECT_TRUE(finestra.isVisible());
        EXPECT_TRUE(finestra.updatesEnabled()) << "the window keeps repainting";
        throw std::runtime_error("interrotto");
    } catch (const std::runtime_error &) {
    }
    EXPECT_TRUE(esegui->isEnabled());
    EXPECT_TRUE(chiudi->isEnabled());
    EXPECT_FALSE(stampa->isEnabled()) << "a button disabled before stays so";
}

TEST(Lavoro, TheBarItLeftOpenIsClosedAtItsEnd)
{
    kv8test::EnsureApplication();
    Mdimainbase::TMDIForm principale;
    Mdimainbase::MDIForm = &principale;
    {
        QPushButton esegui;
        TLavoro lavoro({&esegui});
        Mdimainbase::ProgressStart(10, QStringLiteral("Elaborazione movimenti in corso.."));
        Mdimainbase::ProgressStep(3);
        EXPECT_TRUE(principale.ProgressActive());
        EXPECT_EQ(principale.ProgressValue(), 3);
    }
    EXPECT_FALSE(principale.ProgressActive());
    Mdimainbase::MDIForm = nullptr;
}
