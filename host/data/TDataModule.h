#pragma once
// A plain data module: a named container that owns datasets and data sources.
#include <QObject>
#include <QString>

class TDataModule : public QObject {
    Q_OBJECT
public:
    explicit TDataModule(QObject *owner = nullptr) : QObject(owner) {}

    QString Name() const { return objectName(); }
    void SetName(const QString &name) { setObjectName(name); }

    // A component of this module by name (case-sensitive, as designed), or nullptr.
    template <class T> T *Component(const QString &name) const
    {
        return findChild<T *>(name, Qt::FindDirectChildrenOnly);
    }

    // A component created by the module, named and owned by it.
    template <class T> T *Create(const QString &name)
    {
        auto *component = new T(this);
        component->setObjectName(name);
        return component;
    }
};
