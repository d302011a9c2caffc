#include "host/ui/WindowFactory.h"

#include "host/ui/MDIForm.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <map>

namespace Funzioni {

TForm *FinestraAperta(TForm *window)
{
    return window && !window->IsClosed() ? window : nullptr;
}

bool CreaFinestraProt(const ClassRef &cls, const std::function<TForm *()> &current,
                      const std::function<void(TForm *)> &setReference, int mode)
{
    if (TForm *open = FinestraAperta(current())) {
        if (QMdiSubWindow *sub = open->SubWindow()) {
            if (sub->isMinimized())
                sub->showNormal();
            if (sub->mdiArea())
                sub->mdiArea()->setActiveSubWindow(sub);
        } else {
            open->show();
            open->raise();
            open->activateWindow();
        }
        return false;
    }

    auto *form = cls.CreateAs<TForm>(nullptr);
    QPointer<TForm> guard(form);
    try {
        setReference(form);
        form->DoCreate();
        if (Mdimainbase::MDIForm)
            Mdimainbase::MDIForm->AddChild(form, mode);
        form->Show();
        if (mode == taMassimizzata) {
            if (QMdiSubWindow *sub = form->SubWindow())
                sub->showMaximized();
            else
                form->showMaximized();
        }
    } catch (...) {
        if (guard) {
            if (QMdiSubWindow *sub = guard->SubWindow())
                delete sub;
            else
                delete guard.data();
        }
        setReference(nullptr);
        throw;
    }
    return true;
}

} // namespace Funzioni

namespace HostMenu {

namespace {
std::map<QString, Handler> &Handlers()
{
    static std::map<QString, Handler> handlers;
    return handlers;
}

QString KeyOf(const QString &code)
{
    return code.section(QLatin1Char(';'), 0, 0);
}
} // namespace

void Register(const QString &code, Handler handler)
{
    Handlers()[KeyOf(code)] = std::move(handler);
}

void Unregister(const QString &code)
{
    Handlers().erase(KeyOf(code));
}

bool Has(const QString &code)
{
    return Handlers().count(KeyOf(code)) > 0;
}

bool Esegui(const QString &code)
{
    const auto it = Handlers().find(KeyOf(code));
    if (it == Handlers().end())
        return false;
    const Handler handler = it->second; // the handler may register others
    handler(code);
    return true;
}

void Clear()
{
    Handlers().clear();
}

} // namespace HostMenu
