#pragma once
// What the module library hands to the host: the files of its field dictionary and of its
// part of the demo company. The library exports, with C linkage,
//   const char16_t *ModuleFiles(const char16_t *kind);
// kind u"dictionary" or u"demo"; the answer lists the files of that kind ('\n' between them,
// 0 at the end) as paths the host reads with QFile (the library's own resources) and stays
// valid while the library is loaded. A library without the export hands nothing, and a
// program without the module library knows only the host's tables and demo company.
#include <QString>
#include <QStringList>

class QLibrary;

extern "C" {
using Kv8ModuleFilesFn = const char16_t *(*)(const char16_t *kind);
}

namespace ModuleData {

// Where the module library is looked for, in order: the entries of KV8_MODULES (library
// files, or folders holding the library; separated by ':'), else the executable's folder and
// the "lib" folder beside it.
QStringList LibraryCandidates(const QString &name = QStringLiteral("dusaria"));

// The module's dictionary files join the host's in Dictionary::Instance, its demo files follow
// the host's in SchemaInstaller::LoadDemo. Throws Exception naming the file when the
// dictionary does not load with them; nothing changes then.
void Use(const QStringList &dictionary, const QStringList &demo);
// The same with the files the module's export lists.
void Use(Kv8ModuleFilesFn files);
// The same with the export of a loaded library; nothing when it has none.
void Use(QLibrary &library);

// The module's demo files in use (empty until Use).
QStringList DemoFiles();

} // namespace ModuleData
