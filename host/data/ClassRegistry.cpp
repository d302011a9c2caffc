#include "host/data/ClassRegistry.h"

#include <QStringList>

ClassRef::ClassRef(const QString &name, Factory factory, const QMetaObject *meta)
    : name_(name), factory_(std::move(factory)), meta_(meta)
{}

bool ClassRef::InheritsFrom(const QMetaObject *base) const
{
    return meta_ && base && meta_->inherits(base);
}

bool ClassRef::SameAs(const ClassRef &other) const
{
    return name_.compare(other.name_, Qt::CaseInsensitive) == 0;
}

QObject *ClassRef::Create(QObject *owner) const
{
    if (!factory_)
        throw Exception(
            QStringLiteral("Classe non definita%1").arg(name_.isEmpty() ? QString() : QStringLiteral(": ") + name_));
    QObject *object = factory_(owner);
    if (!object)
        throw Exception(QStringLiteral("Impossibile creare la classe %1").arg(name_));
    return object;
}

void ClassRegistry::Register(const QString &name, const ClassRef &cls, bool flag1, bool flag2)
{
    if (name.trimmed().isEmpty())
        throw Exception(QStringLiteral("Registro %1: nome di classe vuoto").arg(kind_));
    if (cls.IsNull())
        throw Exception(QStringLiteral("Registro %1: classe nulla per %2").arg(kind_, name));
    entries_[name.toLower()] = Entry{name, cls, flag1, flag2};
}

ClassRef ClassRegistry::Find(const QString &name) const
{
    const auto it = entries_.find(name.toLower());
    return it == entries_.end() ? ClassRef() : it->second.cls;
}

ClassRef ClassRegistry::Resolve(const ClassRef &cls) const
{
    const ClassRef registered = Find(cls.Name());
    return registered.IsNull() ? cls : registered;
}

ClassRef ClassRegistry::Get(const QString &name) const
{
    const ClassRef registered = Find(name);
    if (registered.IsNull())
        throw Exception(QStringLiteral("Classe %1 non registrata (%2)").arg(name, kind_));
    return registered;
}

void ClassRegistry::Unregister(const QString &name)
{
    entries_.erase(name.toLower());
}

void ClassRegistry::Clear()
{
    entries_.clear();
}

QStringList ClassRegistry::Names() const
{
    QStringList names;
    for (const auto &entry : entries_)
        names.append(entry.second.name);
    return names;
}

namespace Kv8datamodule {
ClassRegistry &Registry()
{
    static ClassRegistry registry(QStringLiteral("moduli dati"));
    return registry;
}
void XRegisterDataModuleClass(const QString &name, const ClassRef &cls, bool flag1, bool flag2)
{
    Registry().Register(name, cls, flag1, flag2);
}
ClassRef XGetDataModuleClass(const ClassRef &cls)
{
    return Registry().Resolve(cls);
}
} // namespace Kv8datamodule

namespace Xforms {
ClassRegistry &Registry()
{
    static ClassRegistry registry(QStringLiteral("moduli dati dei componenti"));
    return registry;
}
void XRegisterDMClass(const QString &name, const ClassRef &cls, bool flag1, bool flag2)
{
    Registry().Register(name, cls, flag1, flag2);
}
ClassRef XGetDMClass(const ClassRef &cls)
{
    return Registry().Resolve(cls);
}
} // namespace Xforms
