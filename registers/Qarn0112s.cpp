#include "registers/Qarn0112s.h"

#include "frame/Dusaria.h"
#include "host/data/TXQuery.h"
#include "registers/Lumo_registri.h"

TFqarn0112s::TFqarn0112s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0112s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SetDatabaseName(UT_LMQ_RG_DatabaseLavoro());
    qMain->SQL = {QStringLiteral("SELECT * FROM LUMO_t_AnaConTot"), QStringLiteral("ORDER BY IdRaggMag , IdConIva")};
    qMain->AddCalcField(QStringLiteral("_DsTipoProd"), ftString, 10);
    qMain->OnCalcFields = [](TDataSet *d) {
        const int tipo = d->FieldByName(QStringLiteral("TipoProd"))->AsInteger();
        d->FieldByName(QStringLiteral("_DsTipoProd"))
            ->SetAsString(tipo == 1   ? QStringLiteral("Vini")
                          : tipo == 2 ? QStringLiteral("Acque")
                                      : QString());
    };
}

DUSARIA_CLASSE(TFqarn0112s);
