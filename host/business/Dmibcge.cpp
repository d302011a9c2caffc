#include "host/business/Dmibcge.h"

#include "host/business/Dmibase.h"
#include "host/data/XDataModule.h"

TDMIBCge::TDMIBCge(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIBCge"));
}

TDMIBCge::~TDMIBCge() = default;

TDMIBCge *TDMIBCge::Crea(QObject *owner)
{
    if (!DMIBCge)
        DMIBCge = new TDMIBCge(owner ? owner : ApplicationOwner());
    return DMIBCge;
}

bool TDMIBCge::IvaSplit(const QString &tipoConto, const QString &conto, const QDateTime &data)
{
    if (tipoConto.trimmed() != QLatin1String("CL") || conto.trimmed().isEmpty())
        return false;
    TDMIBase *dm = TDMIBase::Crea();
    TXlkTable *t = dm->lkClienti;
    if (!TDMIBase::Posiziona(t, QStringLiteral("IdContoTp;IdConto"), {QStringLiteral("CL"), conto.trimmed()}))
        return false;
    if (t->FieldByName(QStringLiteral("FlSplitPayment"))->AsInteger() != 1)
        return false;
    return TDMIBase::InPeriodo(t, QStringLiteral("DataInizioSplit"), QStringLiteral("DataFineSplit"), data);
}
