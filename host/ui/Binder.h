#pragma once
// The binder: connects the data-aware controls of a window to the data sources their
// dynamic properties "dataSource" and "dataField" name.
#include <QString>

class QObject;
class QWidget;
class TDataSource;
class TForm;

namespace Binder {

// Connects every data-aware control under root that is not connected yet. Source names are
// looked up among the window's data sources (without regard to case), then as
// "Module.Source" or plain names among the application's data modules. Throws Exception
// naming the control when its source does not exist, or when a plain widget carries a
// binding (it must be promoted to a data-aware control).
void BindControls(QWidget *root, TForm *form);

// A data source by name (see above); nullptr when none.
TDataSource *ResolveDataSource(const QString &name, const QObject *context);

} // namespace Binder
