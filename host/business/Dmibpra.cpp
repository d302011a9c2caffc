#include "host/business/Dmibpra.h"

#include "host/business/Dmibase.h"
#include "host/data/XDataModule.h"

TDMIBPra::TDMIBPra(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIBPra"));
}

TDMIBPra::~TDMIBPra() = default;

TDMIBPra *TDMIBPra::Crea(QObject *owner)
{
    if (!DMIBPra)
        DMIBPra = new TDMIBPra(owner ? owner : ApplicationOwner());
    return DMIBPra;
}

bool TDMIBPra::DatiProvvigione(const QString &idAgente, TDatiProvvigione &dati)
{
    dati = TDatiProvvigione();
    dati.IdAgente = idAgente.trimmed();
    TDMIBase *dm = TDMIBase::Crea();
    if (dati.IdAgente.isEmpty() || !TDMIBase::Posiziona(dm->lkAgenti, QStringLiteral("IdAgente"), {dati.IdAgente}))
        return false;
    dati.RagioneSociale = dm->lkAgenti->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    dati.Provvigione = dm->lkAgenti->FieldByName(QStringLiteral("Provvigione"))->AsFloat();
    dati.BaseImporto = dm->lkAgenti->FieldByName(QStringLiteral("FlBaseProvv"))->AsInteger() == 1;
    return true;
}
