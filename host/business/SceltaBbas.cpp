#include "host/business/SceltaBbas.h"

#include "host/business/Fbbas0019f.h"
#include "host/business/Fbbas0030f.h"
#include "host/business/Fbbas0038f.h"
#include "host/business/Fbbas0039f.h"
#include "host/business/Fbbas0045f.h"
#include "host/business/Fbbas0047f.h"
#include "host/business/Fbbas0051f.h"
#include "host/business/Fbbas0052f.h"
#include "host/business/Fbbas0055f.h"
#include "host/business/Fbbas0058f.h"
#include "host/business/TabellaCodici.h"
#include "host/ui/WindowFactory.h"

#include <map>

namespace {

// The text after the first ";" of a menu code; empty without one.
QString Parametro(const QString &code)
{
    const qsizetype at = code.indexOf(QLatin1Char(';'));
    return at < 0 ? QString() : code.mid(at + 1);
}

// Opens the window (InitForm when it is new) and moves to the code after ";".
template <class T> void Apri(const ClassRef &classe, QPointer<T> &finestra, const QString &code)
{
    const bool nuova = Funzioni::CreaFinestraProt(classe, finestra, taNormale);
    if (!finestra)
        return;
    if (nuova)
        finestra->InitForm();
    const QString codice = Parametro(code);
    if (!codice.isEmpty())
        finestra->PosizionaCodice(codice);
}

template <class T> void Registra(const char *codice, QPointer<T> &finestra)
{
    HostMenu::Register(QLatin1String(codice),
                       [&finestra](const QString &code) { Apri(ClassRef::Of<T>(), finestra, code); });
}

ClassRef ClasseTabella(const TTabellaCodici &tabella)
{
    return ClassRef(
        QStringLiteral("TFTabellaCodici"),
        [tabella](QObject *owner) -> QObject * {
            auto *form = new TFTabellaCodici(qobject_cast<QWidget *>(owner));
            try {
                form->ImpostaTabella(tabella);
            } catch (...) {
                delete form;
                throw;
            }
            return form;
        },
        &TFTabellaCodici::staticMetaObject);
}

} // namespace

namespace SceltaBbas {

void Registra()
{
    ::Registra("BBAS0055F", Fbbas0055f);
    ::Registra("BBAS0030F", FBBas0030f);
    ::Registra("BBAS0019F", FBBas0019f);
    ::Registra("BBAS0051F", FBbas0051f);
    ::Registra("BBAS0052F", FBbas0052f);
    ::Registra("BBAS0047F", FBBas0047f);
    ::Registra("BBAS0038F", FBbas0038f);
    ::Registra("BBAS0039F", FBBas0039f);
    ::Registra("BBAS0045F", FBbas0045f);
    // destinations: the text after ";" chooses the account shown
    HostMenu::Register(QStringLiteral("BBAS0058F"), [](const QString &code) {
        const bool nuova = Funzioni::CreaFinestraProt(ClassRef::Of<TFBBas0058f>(), FBBas0058f, taNormale);
        if (!FBBas0058f)
            return;
        if (code.contains(QLatin1Char(';')))
            FBBas0058f->InitForm(Parametro(code));
        else if (nuova)
            FBBas0058f->InitForm();
    });
    for (const TTabellaCodici &t : TabelleCodici::Elenco()) {
        HostMenu::Register(t.Codice, [t](const QString &code) {
            static std::map<QString, QPointer<TFTabellaCodici>> aperte;
            Apri(ClasseTabella(t), aperte[t.Codice], code);
        });
    }
}

} // namespace SceltaBbas
