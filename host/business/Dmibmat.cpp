#include "host/business/Dmibmat.h"
#include "host/data/ClassRegistry.h"
#include "host/data/XDataModule.h"

TDMIBMat::TDMIBMat(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIBMat"));
}

TDMIBMat::~TDMIBMat() = default;

TDMIBMat *TDMIBMat::Crea(QObject *owner)
{
    if (!DMIBMat)
        DMIBMat = Xforms::XGetDMClass(ClassRef::Of<TDMIBMat>()).CreateAs<TDMIBMat>(owner ? owner : ApplicationOwner());
    return DMIBMat;
}

bool TDMIBMat::CancellaMatricole(int, int, QString &)
{
    return true;
}

bool TDMIBMat::RegistraMatricole(int, int, TDataSet *, QString &)
{
    return true;
}

bool TDMIBMat::RegistraDettaglioMatricole(int, int, TDataSet *, QString &)
{
    return true;
}
