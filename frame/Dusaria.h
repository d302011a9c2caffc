#pragma once
// The module library: the entry points the host program calls, and the catalogue of the
// module's classes that the dispatcher and the start-up registrations take them from.
//
// Every unit of a window, data module, print or dialog puts its class in the catalogue when
// the library is loaded, with one line in its .cpp:
//     DUSARIA_FINESTRA(TFqarn0204f, Fqarn0204f);   // a window and its global reference
//     DUSARIA_CLASSE(TDMIBMag_p);                  // a data module, print or dialog
// The dispatch tables and the registrations name classes; a class not in the catalogue is
// not there yet: its menu codes are not handled and its registration is skipped.
#include "host/ui/Forms.h"
#include "host/ui/ModuleAbi.h"

#include <QPointer>
#include <QString>
#include <QVariantList>

#include <functional>

// The entry points Initialize, Finalize and EseguiScelta are declared by the host's module
// interface: start-up makes the class registrations under host class names; shut-down
// releases the texts of the module's global records; a menu choice answers true when the
// module handled the code (whether or not a window opened), false to leave it to the host.
namespace Dusaria {

struct TClasseModulo {
    ClassRef Classe;
    // Windows only: the window held in the class's global reference, and its setter.
    std::function<TForm *()> Finestra;
    std::function<void(TForm *)> ImpostaFinestra;
    // Windows only: calls the window's InitForm with the values given (int or QString);
    // answers its result (true when it answers nothing). Throws when the window has no
    // InitForm taking those values.
    std::function<bool(TForm *, const QVariantList &)> InitForm;

    bool IsFinestra() const { return bool(Finestra); }
};

// Puts a class in the catalogue under a name (found without regard to case); answers the
// entry it replaced, empty when none.
TClasseModulo RegistraClasse(const QString &nome, const TClasseModulo &classe);
void RimuoviClasse(const QString &nome);
// The class of that name; nullptr while its unit is not built.
const TClasseModulo *ClasseModulo(const QString &nome);

// EseguiScelta with the code as a QString.
bool Scelta(QWidget *mainForm, const QString &code);

// ---- what the dispatcher reads from a code

// The text after the first ";" as a 32-bit integer; 0 without ";" or when it is not one.
qint32 ChiaveScelta(const QString &code);
// The texts between the first and second ";" and after the second ";", each as above;
// both 0 when the code holds fewer than two ";".
void NumeriScelta(const QString &code, qint32 &primo, qint32 &secondo);

// ---- catalogue entries

template <class T> bool ChiamaInitForm(T *w, const QVariantList &a)
{
    auto risultato = [](auto &&call) -> bool {
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            return true;
        } else {
            return bool(call());
        }
    };
    const auto tipo = [&a](int i) { return a.at(i).typeId(); };
    const int n = int(a.size());
    if constexpr (requires(T * f) { f->InitForm(); })
        if (n == 0)
            return risultato([&] { return w->InitForm(); });
    if constexpr (requires(T * f, QString s) { f->InitForm(s); })
        if (n == 1 && tipo(0) == QMetaType::QString)
            return risultato([&] { return w->InitForm(a.at(0).toString()); });
    if constexpr (requires(T * f, qint32 x) { f->InitForm(x); })
        if (n == 1 && tipo(0) == QMetaType::Int)
            return risultato([&] { return w->InitForm(a.at(0).toInt()); });
    if constexpr (requires(T * f, qint32 x) { f->InitForm(x, x); })
        if (n == 2 && tipo(0) == QMetaType::Int && tipo(1) == QMetaType::Int)
            return risultato([&] { return w->InitForm(a.at(0).toInt(), a.at(1).toInt()); });
    if constexpr (requires(T * f, qint32 x) { f->InitForm(x, x, x); })
        if (n == 3 && tipo(0) == QMetaType::Int && tipo(1) == QMetaType::Int && tipo(2) == QMetaType::Int)
            return risultato([&] { return w->InitForm(a.at(0).toInt(), a.at(1).toInt(), a.at(2).toInt()); });
    QStringList tipi;
    for (const QVariant &v : a)
        tipi << QString::fromLatin1(v.typeName());
    throw Exception(QStringLiteral("La finestra %1 non ha InitForm(%2)")
                        .arg(QString::fromLatin1(T::staticMetaObject.className()), tipi.join(QStringLiteral(", "))));
}

template <class T> TClasseModulo Finestra(QPointer<T> &riferimento)
{
    TClasseModulo c;
    c.Classe = ClassRef::Of<T>();
    c.Finestra = [&riferimento]() -> TForm * { return riferimento.data(); };
    c.ImpostaFinestra = [&riferimento](TForm *form) {
        riferimento = qobject_cast<T *>(form);
        if (form && !riferimento)
            throw Exception(QStringLiteral("La finestra %1 non è della classe attesa %2")
                                .arg(QString::fromLatin1(form->metaObject()->className()),
                                     QString::fromLatin1(T::staticMetaObject.className())));
    };
    c.InitForm = [](TForm *form, const QVariantList &a) {
        T *w = qobject_cast<T *>(form);
        if (!w)
            throw Exception(QStringLiteral("InitForm: finestra assente"));
        return ChiamaInitForm(w, a);
    };
    return c;
}

template <class T> TClasseModulo Classe()
{
    TClasseModulo c;
    c.Classe = ClassRef::Of<T>();
    return c;
}

} // namespace Dusaria

#define DUSARIA_FINESTRA(T, riferimento)                                                                               \
    [[maybe_unused]] static const bool dusariaCatalogo_##T =                                                           \
        (Dusaria::RegistraClasse(QStringLiteral(#T), Dusaria::Finestra<T>(riferimento)), true)
#define DUSARIA_CLASSE(T)                                                                                              \
    [[maybe_unused]] static const bool dusariaCatalogo_##T =                                                           \
        (Dusaria::RegistraClasse(QStringLiteral(#T), Dusaria::Classe<T>()), true)
