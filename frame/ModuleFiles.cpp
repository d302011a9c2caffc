// The module's field dictionary and its part of the demo company, compiled into the library
// (cmake/dusaria.cmake) and handed to the host when it loads the library.
#include "host/db/Dictionary.h"
#include "host/ui/ModuleAbi.h"

KV8_MODULE_EXPORT const char16_t *ModuleFiles(const char16_t *kind)
{
    static const QString dictionary = Dictionary::JsonFiles(QStringLiteral(":/dusaria/dictionary")).join(u'\n');
    static const QString demo = Dictionary::JsonFiles(QStringLiteral(":/dusaria/demo")).join(u'\n');
    static const QString none = QStringLiteral("");
    const QString asked = kind ? QString::fromUtf16(kind) : QString();
    const QString &files = asked == QLatin1String("dictionary") ? dictionary
                           : asked == QLatin1String("demo")     ? demo
                                                                : none;
    return reinterpret_cast<const char16_t *>(files.utf16());
}
