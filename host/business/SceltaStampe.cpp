#include "host/business/SceltaStampe.h"

#include "host/business/Bmag0001f.h"
#include "host/business/Sven0002d.h"
#include "host/business/Sven0009d.h"
#include "host/business/Sven0012d.h"
#include "host/ui/Kmessages.h"
#include "host/ui/WindowFactory.h"

#include <QStringList>

namespace {

template <class T> void RegistraDialogo(const char *codice, QPointer<T> &finestra)
{
    HostMenu::Register(QLatin1String(codice), [&finestra](const QString &) {
        Funzioni::CreaFinestraProt(ClassRef::Of<T>(), finestra, taDialogo);
    });
}

} // namespace

namespace SceltaStampe {

void Registra()
{
    RegistraDialogo("SVEN0002D", FSven0002d);
    RegistraDialogo("SVEN0009D", FSven0009d);
    RegistraDialogo("SVEN0012D", FSven0012d);
    HostMenu::Register(QStringLiteral("BMAG0001F"), [](const QString &code) {
        if (Funzioni::FinestraAperta(FBMag0001f)) {
            Kmessages::KMessage(QStringLiteral("Gestione prima nota magazzino già attiva"), mtError, mbOK);
            return;
        }
        const QStringList parti = code.split(QLatin1Char(';'));
        const int esercizio = parti.value(1).trimmed().toInt();
        const int protocollo = parti.value(2).trimmed().toInt();
        if (!Funzioni::CreaFinestraProt(ClassRef::Of<TFBMag0001f>(), FBMag0001f, taDialogo) || !FBMag0001f)
            return;
        if (!FBMag0001f->InitForm(esercizio, protocollo))
            FBMag0001f->close();
    });
}

} // namespace SceltaStampe
