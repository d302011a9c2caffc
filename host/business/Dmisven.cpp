#include "host/business/Dmisven.h"

#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Forms.h"

namespace {

void Imposta(TXClientTable *t, const QString &tabella, const QString &chiave)
{
    t->SetTableName(tabella);
    t->SetKeyFields(chiave);
    t->SetXWhereVuoto(chiave + QStringLiteral(" = 0"));
    t->SetUsaDizionario(true);
}

bool Posiziona(TXClientTable *t, const QString &chiave, qint64 valore)
{
    Funzioni::CheckTabOpen(t);
    return valore != 0 && t->Locate(chiave, valore);
}

} // namespace

TDMISVen::TDMISVen(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMISVen"));
    tBolleCliT = Create<TXClientTable>(QStringLiteral("tBolleCliT"));
    tFattureCliT = Create<TXClientTable>(QStringLiteral("tFattureCliT"));
    tOrdiniCliR = Create<TXClientTable>(QStringLiteral("tOrdiniCliR"));
    Imposta(tBolleCliT, QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT"));
    Imposta(tFattureCliT, QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    Imposta(tOrdiniCliR, QStringLiteral("OrdiniCliRighe"), QStringLiteral("KOrdiniCliR"));
}

TDMISVen::~TDMISVen() = default;

TDMISVen *TDMISVen::Crea(QObject *owner)
{
    if (!DMISVen)
        DMISVen = Xforms::XGetDMClass(ClassRef::Of<TDMISVen>()).CreateAs<TDMISVen>(owner ? owner : Application);
    return DMISVen;
}

bool TDMISVen::PosizionaBolla(qint64 kBolleCliT)
{
    return Posiziona(tBolleCliT, QStringLiteral("KBolleCliT"), kBolleCliT);
}

bool TDMISVen::PosizionaFattura(qint64 kFattCliT)
{
    return Posiziona(tFattureCliT, QStringLiteral("KFattCliT"), kFattCliT);
}

bool TDMISVen::PosizionaRigoOrdine(qint64 kOrdiniCliR)
{
    return Posiziona(tOrdiniCliR, QStringLiteral("KOrdiniCliR"), kOrdiniCliR);
}
