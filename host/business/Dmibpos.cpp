#include "host/business/Dmibpos.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibmag.h"
#include "host/data/TField.h"
#include "host/data/XDataModule.h"

TDMIBPos::TDMIBPos(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIBPos"));
}

TDMIBPos::~TDMIBPos() = default;

TDMIBPos *TDMIBPos::Crea(QObject *owner)
{
    if (!DMIBPos)
        DMIBPos = new TDMIBPos(owner ? owner : ApplicationOwner());
    return DMIBPos;
}

bool TDMIBPos::TestArticolo(const QString &idProdotto, const QDateTime &data, QString &messaggio)
{
    messaggio.clear();
    const QString codice = idProdotto.trimmed();
    TDMIBase *dm = TDMIBase::Crea();
    if (codice.isEmpty() || !TDMIBase::Posiziona(dm->lkArticoli, QStringLiteral("IdProdotto"), {codice})) {
        messaggio = QStringLiteral("Codice prodotto non valido");
        return false;
    }
    if (dm->lkArticoli->FieldByName(QStringLiteral("FlUtilizzo"))->AsInteger() == 1) {
        messaggio = QStringLiteral("Articolo %1 obsoleto: non utilizzabile sui documenti").arg(codice);
        return false;
    }
    int esercizio = 0;
    if (!TDMIBMag::Crea()->TrovaEsercizioDallaData(data, esercizio)) {
        messaggio = QStringLiteral("Nessun esercizio di magazzino comprende la data del documento");
        return false;
    }
    return true;
}
