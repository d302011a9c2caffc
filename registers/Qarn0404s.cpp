#include "registers/Qarn0404s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"
#include "registers/Lumo_accisa.h"

Tfqarn0404s::Tfqarn0404s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0404s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SQL = LumoAccisa::SqlTesteStampa();
    qMain->AddCalcField(QStringLiteral("_TipoDocColl"), ftString, 10);
    qMain->OnCalcFields = [](TDataSet *d) {
        const int tipo = d->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger();
        d->FieldByName(QStringLiteral("_TipoDocColl"))
            ->SetAsString(tipo == 1   ? QStringLiteral("DDT")
                          : tipo == 2 ? QStringLiteral("Fattura")
                                      : QString());
    };
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
}

DUSARIA_CLASSE(Tfqarn0404s);
