#include "host/ui/Binder.h"

#include "host/ui/DBControls.h"
#include "host/ui/Forms.h"

#include <QWidget>

namespace {

const char *const kConfigured = "_kv8Configured";

TDataSource *SourceIn(const QObject *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (auto *exact = root->findChild<TDataSource *>(name))
        return exact;
    const QList<TDataSource *> all = root->findChildren<TDataSource *>();
    for (TDataSource *s : all)
        if (s->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return s;
    return nullptr;
}

} // namespace

namespace Binder {

TDataSource *ResolveDataSource(const QString &name, const QObject *context)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return nullptr;
    const int dot = trimmed.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QObject *module = Application->FindComponent(trimmed.left(dot));
        return SourceIn(module, trimmed.mid(dot + 1));
    }
    if (TDataSource *own = SourceIn(context, trimmed))
        return own;
    for (QObject *module : Application->Components())
        if (TDataSource *s = SourceIn(module, trimmed))
            return s;
    return nullptr;
}

void BindControls(QWidget *root, TForm *form)
{
    const QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        const QString sourceName = w->property("dataSource").toString();
        const QString fieldName = w->property("dataField").toString();
        auto *control = dynamic_cast<IDataControl *>(w);
        if (!control) {
            if (!sourceName.isEmpty() || !fieldName.isEmpty())
                throw Exception(
                    QStringLiteral("Il controllo %1 (%2) non è un controllo dati: non può legarsi a %3")
                        .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()),
                             sourceName + (fieldName.isEmpty() ? QString() : QStringLiteral(".") + fieldName)));
            continue;
        }
        if (!w->property(kConfigured).toBool()) {
            w->setProperty(kConfigured, true);
            control->ApplyProperties(form);
        }
        if (!fieldName.isEmpty() && control->DataField().isEmpty())
            control->SetDataField(fieldName);
        if (!sourceName.isEmpty() && !control->DataSource()) {
            TDataSource *source = ResolveDataSource(sourceName, form ? static_cast<const QObject *>(form) : root);
            if (!source)
                throw Exception(QStringLiteral("Il controllo %1 nomina la sorgente dati %2, che non esiste")
                                    .arg(w->objectName(), sourceName));
            control->SetDataSource(source);
        }
    }
}

} // namespace Binder
