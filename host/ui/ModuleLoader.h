#pragma once
// Loading the module library with its three entry points (see ModuleAbi.h).
#include "host/ui/ModuleAbi.h"

#include <QLibrary>
#include <QString>
#include <QStringList>

#include <memory>

class TModuleLibrary {
public:
    TModuleLibrary();
    ~TModuleLibrary();
    TModuleLibrary(const TModuleLibrary &) = delete;
    TModuleLibrary &operator=(const TModuleLibrary &) = delete;

    // Where the library is looked for, in order: the entries of KV8_MODULES (library files,
    // or folders holding the library; separated by ':'), else the executable's folder and
    // the "lib" folder beside it.
    static QStringList Candidates(const QString &name = QStringLiteral("dusaria"));
    // Loads the first candidate that is a library; false when none is, or when the one
    // found lacks an entry point (error says which). A candidate that is there but cannot
    // be loaded is logged, and its error kept when no later one loads.
    bool Load(QString *error = nullptr, const QString &name = QStringLiteral("dusaria"));
    // Loads one library file (a path, with or without prefix and suffix) and hands the files
    // it exports to the host (ModuleData::Use); false when they do not load.
    bool LoadFile(const QString &file, QString *error = nullptr);
    bool IsLoaded() const { return eseguiScelta_ != nullptr; }
    QString FileName() const;

    // Each runs once per load; EseguiScelta answers false while nothing is loaded.
    void Initialize();
    void Finalize();
    bool EseguiScelta(QWidget *mainForm, const QString &code) const;

private:
    std::unique_ptr<QLibrary> library_;
    Kv8InitializeFn initialize_ = nullptr;
    Kv8FinalizeFn finalize_ = nullptr;
    Kv8EseguiSceltaFn eseguiScelta_ = nullptr;
    bool initialized_ = false;
};
