#include "host/business/SceltaDocumenti.h"

#include "host/business/Sacq0001f.h"
#include "host/business/Sven0001f.h"
#include "host/business/Sven0008f.h"
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

namespace SceltaDocumenti {

void Registra()
{
    for (int tipo : {0, 1}) {
        const QString codice = tipo == 0 ? QStringLiteral("SVEN0001F_C") : QStringLiteral("SVEN0001F_F");
        HostMenu::Register(codice, [tipo](const QString &code) {
            if (Apri(FSVen0001f, QStringLiteral("Gestione bolle uscita già attiva"), mtError)
                && !FSVen0001f->InitForm(tipo, Chiave(code), 0))
                Kmessages::KMessage(QStringLiteral("Il DDT richiesto non esiste."), mtWarning, mbOK);
        });
    }
    for (int modo : {0, 1}) {
        const QString codice = modo == 0 ? QStringLiteral("SVEN0008F_F") : QStringLiteral("SVEN0008F_R");
        HostMenu::Register(codice, [modo](const QString &code) {
            if (Apri(FSVen0008f, QStringLiteral("Gestione fatture già attiva"), modo == 1 ? mtWarning : mtError)
                && !FSVen0008f->InitForm(modo, Chiave(code)))
                Kmessages::KMessage(QStringLiteral("La fattura richiesta non esiste."), mtWarning, mbOK);
        });
    }
    HostMenu::Register(QStringLiteral("SACQ0001F"), [](const QString &code) {
        if (Apri(FSAcq0001f, QStringLiteral("Gestione bolle fornitori già attiva"), mtWarning)
            && !FSAcq0001f->InitForm(1, Chiave(code)))
            Kmessages::KMessage(QStringLiteral("Il DDT fornitore richiesto non esiste."), mtWarning, mbOK);
    });
}

} // namespace SceltaDocumenti
