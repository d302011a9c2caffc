#pragma once
// The class registries of the window layer: prints and child dialogs. Class references and the
// data modules' registries are host/data/ClassRegistry.h.
#include "host/data/ClassRegistry.h"

// Prints (TfKV8ReportB and its subclasses).
namespace Kv8reportb {
ClassRegistry &Registry();
void XRegisterReportClass(const QString &name, const ClassRef &cls, bool flag1 = false, bool flag2 = true);
// The registered replacement of the class, or the class itself.
ClassRef XGetReportClass(const ClassRef &cls);
// The class to create for a host print of that name: the replacement, or fallback.
ClassRef XGetReportClass(const QString &name, const ClassRef &fallback);
} // namespace Kv8reportb

// Child dialogs.
namespace Dbchilddlg {
ClassRegistry &Registry();
void XRegisterCDialogClass(const QString &name, const ClassRef &cls, bool flag1 = false, bool flag2 = true);
} // namespace Dbchilddlg

namespace Dlgbase {
// The registered replacement of a dialog class (child-dialog registry), or the class itself.
ClassRef XGetDialogClass(const ClassRef &cls);
} // namespace Dlgbase
