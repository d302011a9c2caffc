#include "host/business/SceltaOrdini.h"

#include "host/business/Sofc0001f.h"
#include "host/business/Sorc0001f.h"
#include "host/business/Sven0007d.h"
#include "host/core/Funzioni.h"
#include "host/ui/Kmessages.h"
#include "host/ui/WindowFactory.h"

namespace {

qint64 Chiave(const QString &code)
{
    const qsizetype at = code.indexOf(QLatin1Char(';'));
    return at < 0 ? 0 : code.mid(at + 1).trimmed().toLongLong();
}

// Opens the window once; true when it was created now (the caller runs InitForm).
template <class T> bool Apri(QPointer<T> &finestra, const QString &messaggio, int tipoMessaggio)
{
    if (finestra) {
        Kmessages::KMessage(messaggio, tipoMessaggio, mbOK);
        return false;
    }
    Funzioni::CreaFinestraProt(ClassRef::Of<T>(), finestra, taNormale);
    return finestra != nullptr;
}

} // namespace

namespace SceltaOrdini {

void Registra()
{
    HostMenu::Register(QStringLiteral("SORC0001F"), [](const QString &code) {
        if (Apri(FSOrc0001f, QStringLiteral("Gestione ordini clienti già attiva"), mtError)
            && !FSOrc0001f->InitForm(0, Chiave(code), 0))
            Kmessages::KMessage(QStringLiteral("L'ordine richiesto non esiste."), mtWarning, mbOK);
    });
    HostMenu::Register(QStringLiteral("SOFC0001F"), [](const QString &code) {
        if (Apri(FSOfc0001f, QStringLiteral("Gestione offerte clienti già attiva"), mtWarning)
            && !FSOfc0001f->InitForm(Chiave(code)))
            Kmessages::KMessage(QStringLiteral("L'offerta richiesta non esiste."), mtWarning, mbOK);
    });
    HostMenu::Register(QStringLiteral("SVEN0007D"), [](const QString &) {
        if (FSVen0007d) {
            FSVen0007d->Show();
            return;
        }
        Funzioni::CreaFinestraProt(ClassRef::Of<TFSVen0007d>(), FSVen0007d, taNormale);
    });
}

} // namespace SceltaOrdini
