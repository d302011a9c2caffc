#include "host/business/Dmiscon.h"
#include "host/data/ClassRegistry.h"
#include "host/data/XDataModule.h"

TDMISCon::TDMISCon(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMISCon"));
}

TDMISCon::~TDMISCon() = default;

TDMISCon *TDMISCon::Crea(QObject *owner)
{
    if (!DMISCon)
        DMISCon = Xforms::XGetDMClass(ClassRef::Of<TDMISCon>()).CreateAs<TDMISCon>(owner ? owner : ApplicationOwner());
    return DMISCon;
}

int TDMISCon::AggiornaRiferimentiCollegati(int, int, const QString &, int, QString &, double, double, double, double)
{
    return 0;
}
