#include "registers/Lumo_registri.h"

#include <QCoreApplication>
#include <QEvent>

TSenzaInputUtente::TSenzaInputUtente()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TSenzaInputUtente::~TSenzaInputUtente()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool TSenzaInputUtente::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
        return true;
    case QEvent::Close:
        // A close the window system asks for (the title-bar button); closes by the program
        // itself do not pass through the event queue.
        if (event->spontaneous()) {
            event->ignore();
            return true;
        }
        return false;
    default:
        return false;
    }
}
