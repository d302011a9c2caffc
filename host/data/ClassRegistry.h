#pragma once
// Class references and the registries of the host's data modules.
//
// A ClassRef names a class and knows how to create it with an owner. The host keeps
// registries of replacement classes; a name is found without regard to letter case, and
// wherever the host creates a class of one of these kinds it asks the registry first, so a
// registered replacement is created in its place. The data modules' two registries are here;
// those of prints and dialogs are the window layer's (host/ui/ClassRegistry.h).
#include "host/core/Errors.h"

#include <QMetaObject>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <type_traits>

class QWidget;

class ClassRef {
public:
    using Factory = std::function<QObject *(QObject *owner)>;

    ClassRef() = default;
    ClassRef(const QString &name, Factory factory, const QMetaObject *meta = nullptr);

    // The reference of a class with the Q_OBJECT macro, named after it. Widgets get the
    // owner as parent when it is a widget; other objects get it as QObject parent.
    template <class T> static ClassRef Of(const QString &name = QString());

    const QString &Name() const { return name_; }
    bool IsNull() const { return !factory_; }
    explicit operator bool() const { return !IsNull(); }
    const QMetaObject *MetaObject() const { return meta_; }
    // The class is, or derives from, the class of that meta object.
    bool InheritsFrom(const QMetaObject *base) const;
    // Same name, without regard to case.
    bool SameAs(const ClassRef &other) const;

    // A new instance; throws Exception for a null reference.
    QObject *Create(QObject *owner = nullptr) const;
    // A new instance of a class that must derive from T; throws Exception otherwise (and
    // frees what was created).
    template <class T> T *CreateAs(QObject *owner = nullptr) const;

private:
    QString name_;
    Factory factory_;
    const QMetaObject *meta_ = nullptr;
};

// One registry: name -> class, names compared without regard to case.
class ClassRegistry {
public:
    explicit ClassRegistry(QString kind) : kind_(std::move(kind)) {}

    // Registers cls under name (a later registration of the same name replaces it). The
    // two flags are the host's and are kept with the entry.
    void Register(const QString &name, const ClassRef &cls, bool flag1 = false, bool flag2 = true);
    // The class registered under name; null when none.
    ClassRef Find(const QString &name) const;
    bool Contains(const QString &name) const { return !Find(name).IsNull(); }
    // The registered replacement for the class's name, or the class itself.
    ClassRef Resolve(const ClassRef &cls) const;
    // The registered class of that name; throws Exception when none is registered.
    ClassRef Get(const QString &name) const;
    void Unregister(const QString &name);
    void Clear();
    QStringList Names() const;
    const QString &Kind() const { return kind_; }

private:
    struct Entry {
        QString name;
        ClassRef cls;
        bool flag1 = false;
        bool flag2 = true;
    };
    QString kind_;
    std::map<QString, Entry> entries_; // keys lower case
};

// Data modules of the host's base package.
namespace Kv8datamodule {
ClassRegistry &Registry();
void XRegisterDataModuleClass(const QString &name, const ClassRef &cls, bool flag1 = false, bool flag2 = true);
ClassRef XGetDataModuleClass(const ClassRef &cls);
} // namespace Kv8datamodule

// Data modules of the host's component library.
namespace Xforms {
ClassRegistry &Registry();
void XRegisterDMClass(const QString &name, const ClassRef &cls, bool flag1 = false, bool flag2 = true);
ClassRef XGetDMClass(const ClassRef &cls);
} // namespace Xforms

// ---- templates

namespace ClassRefDetail {
// A widget whose parent is its owner when that is a widget (QWidget is complete wherever a
// widget class is).
template <class T, class Widget = QWidget> QObject *NewWidget(QObject *owner)
{
    return new T(qobject_cast<Widget *>(owner));
}
} // namespace ClassRefDetail

template <class T> ClassRef ClassRef::Of(const QString &name)
{
    static_assert(QtPrivate::HasQ_OBJECT_Macro<T>::Value, "ClassRef::Of needs a class with the Q_OBJECT macro");
    Factory factory = [](QObject *owner) -> QObject * {
        if constexpr (std::is_constructible_v<T, QObject *>)
            return new T(owner);
        else
            return ClassRefDetail::NewWidget<T>(owner);
    };
    return ClassRef(name.isEmpty() ? QString::fromLatin1(T::staticMetaObject.className()) : name, std::move(factory),
                    &T::staticMetaObject);
}

template <class T> T *ClassRef::CreateAs(QObject *owner) const
{
    QObject *object = Create(owner);
    if (T *typed = qobject_cast<T *>(object))
        return typed;
    const QString actual = QString::fromLatin1(object->metaObject()->className());
    delete object;
    throw Exception(QStringLiteral("La classe %1 non deriva da %2")
                        .arg(actual, QString::fromLatin1(T::staticMetaObject.className())));
}
