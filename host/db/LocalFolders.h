#pragma once
// The LocalDatabase folders of the runs of the program in the temporary folder:
// "kv8-local-<process id>-XXXXXX", each removed by its run at exit.
#include <QString>

namespace kv8db {
// Removes the folders in parent left by runs whose process is gone (a run killed before it
// could remove its own); folders of running processes stay. The number removed.
int RemoveDeadLocalFolders(const QString &parent);
} // namespace kv8db
