#include "host/data/XDataModule.h"

TXDataModule::TXDataModule(QObject *owner) : TDataModule(owner) {}

void TXDataModule::DataModuleCreate() {}

void TXDataModule::DoCreate()
{
    if (created_)
        return;
    created_ = true;
    DataModuleCreate();
}

namespace {
QObject *g_applicationOwner = nullptr;
}

QObject *ApplicationOwner()
{
    return g_applicationOwner;
}

void SetApplicationOwner(QObject *owner)
{
    g_applicationOwner = owner;
}
