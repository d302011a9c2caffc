#include "deposits/Qarn0205s.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"

DUSARIA_CLASSE(Tfqarn0205s);

Tfqarn0205s::Tfqarn0205s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0205s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->AddLookupField(QStringLiteral("_SiglaDivisa"), ftString, 5, TDMIBase::Crea()->lkDivise,
                          QStringLiteral("IdDivisa"), QStringLiteral("IdDivisa"), QStringLiteral("SiglaDivisa"));
    for (const char *campo : {"_QtaCarCli", "_QtaResCli", "_QtaCarFor", "_QtaResFor"})
        qMain->AddCalcField(QLatin1String(campo), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TD"), ftString, 5);
    qMain->OnCalcFields = [](TDataSet *d) {
        const QString tipo = d->FieldByName(QStringLiteral("IdContoTp"))->AsString();
        const double carico = d->FieldByName(QStringLiteral("QtaCar"))->AsFloat();
        const double reso = d->FieldByName(QStringLiteral("QtaRes"))->AsFloat();
        const bool cliente = tipo == QLatin1String("CL");
        const bool fornitore = tipo == QLatin1String("FO");
        d->FieldByName(QStringLiteral("_QtaCarCli"))->SetAsFloat(cliente ? carico : 0);
        d->FieldByName(QStringLiteral("_QtaResCli"))->SetAsFloat(cliente ? reso : 0);
        d->FieldByName(QStringLiteral("_QtaCarFor"))->SetAsFloat(fornitore ? carico : 0);
        d->FieldByName(QStringLiteral("_QtaResFor"))->SetAsFloat(fornitore ? reso : 0);
        const int collegato = d->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger();
        d->FieldByName(QStringLiteral("_TD"))
            ->SetAsString(collegato == 1 || collegato == 3 ? QStringLiteral("DDT")
                          : collegato == 2                 ? QStringLiteral("FT")
                                                           : QString());
    };
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    // the bar between number and series only with a series
    OnPrint(QStringLiteral("lbBarra"),
            [this](ReportItem &item) { item.Visible = qMain->FieldByName(QStringLiteral("Serie"))->AsInteger() != 0; });
}
