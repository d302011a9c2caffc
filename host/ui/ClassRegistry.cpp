#include "host/ui/ClassRegistry.h"

namespace Kv8reportb {
ClassRegistry &Registry()
{
    static ClassRegistry registry(QStringLiteral("stampe"));
    return registry;
}
void XRegisterReportClass(const QString &name, const ClassRef &cls, bool flag1, bool flag2)
{
    Registry().Register(name, cls, flag1, flag2);
}
ClassRef XGetReportClass(const ClassRef &cls)
{
    return Registry().Resolve(cls);
}
ClassRef XGetReportClass(const QString &name, const ClassRef &fallback)
{
    const ClassRef registered = Registry().Find(name);
    return registered.IsNull() ? fallback : registered;
}
} // namespace Kv8reportb

namespace Dbchilddlg {
ClassRegistry &Registry()
{
    static ClassRegistry registry(QStringLiteral("dialoghi"));
    return registry;
}
void XRegisterCDialogClass(const QString &name, const ClassRef &cls, bool flag1, bool flag2)
{
    Registry().Register(name, cls, flag1, flag2);
}
} // namespace Dbchilddlg

namespace Dlgbase {
ClassRef XGetDialogClass(const ClassRef &cls)
{
    return Dbchilddlg::Registry().Resolve(cls);
}
} // namespace Dlgbase
