#pragma once
// The window factory and the host's own menu choices.
//
// CreaFinestraProt(class, reference, mode) opens a child window of the main window:
// - when the reference holds an open window, that window comes to the front and the answer
//   is false (nothing new to initialise); a window closed but not yet freed is not open;
// - otherwise the class is created, the reference set, FormCreate run, and the window shown
//   in the main window's MDI area (a top-level window when there is no main window):
//   mode 0 normal, 1 maximised, 3 fixed size like a dialog; the answer is true.
// An error while creating the window frees it, clears the reference and propagates.
#include "host/ui/Forms.h"

#include <QPointer>
#include <QString>

#include <functional>

enum TTipoApertura : int { taNormale = 0, taMassimizzata = 1, taModale = 2, taDialogo = 3 };

namespace Funzioni {

// The window when it is open; nullptr for none and for one closed but not yet freed.
TForm *FinestraAperta(TForm *window);

bool CreaFinestraProt(const ClassRef &cls, const std::function<TForm *()> &current,
                      const std::function<void(TForm *)> &setReference, int mode);

template <class T> bool CreaFinestraProt(const ClassRef &cls, QPointer<T> &reference, int mode)
{
    return CreaFinestraProt(
        cls, [&reference]() -> TForm * { return reference.data(); },
        [&reference](TForm *form) {
            reference = qobject_cast<T *>(form);
            if (form && !reference)
                throw Exception(QStringLiteral("La finestra %1 non è della classe attesa %2")
                                    .arg(QString::fromLatin1(form->metaObject()->className()),
                                         QString::fromLatin1(T::staticMetaObject.className())));
        },
        mode);
}

template <class T> bool CreaFinestraProt(QPointer<T> &reference, int mode)
{
    return CreaFinestraProt(ClassRef::Of<T>(), reference, mode);
}

} // namespace Funzioni

// Menu choices the host handles itself (its own windows), asked when the module does not
// take a choice. A code is found by its part before the first ";", exactly.
namespace HostMenu {

using Handler = std::function<void(const QString &code)>;
void Register(const QString &code, Handler handler);
void Unregister(const QString &code);
bool Has(const QString &code);
// Runs the handler of the code; false when the host has none.
bool Esegui(const QString &code);
void Clear();

} // namespace HostMenu
