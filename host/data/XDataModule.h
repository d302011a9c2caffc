#pragma once
// The data module with a creation handler, and the owner of the application-wide data modules.
#include "host/data/TDataModule.h"

class TXDataModule : public TDataModule {
    Q_OBJECT
public:
    explicit TXDataModule(QObject *owner = nullptr);

    virtual void DataModuleCreate();
    // Runs DataModuleCreate once.
    void DoCreate();
    bool IsCreated() const { return created_; }

private:
    bool created_ = false;
};

// The owner of the data modules that live as long as the program: the application object,
// which the window layer puts here when it is loaded (nullptr before).
QObject *ApplicationOwner();
void SetApplicationOwner(QObject *owner);
