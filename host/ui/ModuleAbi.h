#pragma once
// The entry points of a module library, loaded by the host program at run time.
//
// The library exports, with C linkage and under these plain names:
//   void Initialize();   when the program loads it, before any menu choice;
//   void Finalize();     when the program ends, before the windows and the application's
//                        objects are freed;
//   bool EseguiScelta(QWidget *mainForm, const char16_t *code);
//                        for every menu choice: mainForm is the program's main window
//                        (a Mdimainbase::TMDIForm), code the choice as UTF-16 ending with 0;
//                        true when the module handled it, false to leave it to the host.
// and, if it has tables of its own or columns on the host's,
//   const char16_t *ModuleFiles(const char16_t *kind);
//                        the files of its field dictionary and of its part of the demo
//                        company, asked when the program loads it (host/db/ModuleData.h).
// A module defines them with KV8_MODULE_EXPORT so that their signatures match these.
#include "host/db/ModuleData.h"

#include <QtGlobal>

class QWidget;

#define KV8_MODULE_EXPORT extern "C" Q_DECL_EXPORT

extern "C" {
using Kv8InitializeFn = void (*)();
using Kv8FinalizeFn = void (*)();
using Kv8EseguiSceltaFn = bool (*)(QWidget *mainForm, const char16_t *code);
}

KV8_MODULE_EXPORT void Initialize();
KV8_MODULE_EXPORT void Finalize();
KV8_MODULE_EXPORT bool EseguiScelta(QWidget *mainForm, const char16_t *code);
KV8_MODULE_EXPORT const char16_t *ModuleFiles(const char16_t *kind);
