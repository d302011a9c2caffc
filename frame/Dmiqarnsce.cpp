#include "frame/Dmiqarnsce.h"

TDMIQARNSCE::TDMIQARNSCE(QObject *owner) : TXDataModule(owner)
{
    SetName(QStringLiteral("DMIQARNSCE"));
}

TDMIQARNSCE::~TDMIQARNSCE() = default;

bool TDMIQARNSCE::QARN_EseguiScelta(QWidget *, const QString &code)
{
    return code == QLatin1String("....");
}
