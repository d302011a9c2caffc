#include "registers/Qarn0110s.h"

#include "frame/Dusaria.h"
#include "host/core/KFormati.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0110d.h"

namespace {

QString Parametro(const QString &campo)
{
    return Fqarn0110d ? Fqarn0110d->tPars->FieldByName(campo)->AsString() : QString();
}

QString DataParametro(const QString &campo)
{
    return Fqarn0110d ? KFormati::FormatDateTime(KFormati::ShortDateFormat(),
                                                 Fqarn0110d->tPars->FieldByName(campo)->AsDateTime())
                      : QString();
}

} // namespace

TFqarn0110s::TFqarn0110s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0110s"));
    qMain = UT_LMQ_RG_Query(this, QStringLiteral("qMain"), UT_LMQ_RG_DatabaseLavoro(),
                            {QStringLiteral("SELECT LUMO_t_RegCon.* FROM LUMO_t_RegCon"),
                             QStringLiteral("ORDER BY IdRaggMag, NumeroRiga")});
    // read forward only: the rows of a year go to paper as they come, none is held
    qMain->SetUniDirectional(true);
    qTotRegCon =
        UT_LMQ_RG_Query(this, QStringLiteral("qTotRegCon"), UT_LMQ_RG_DatabaseLavoro(),
                        {QStringLiteral("SELECT * FROM LUMO_t_RegConTot"), QStringLiteral("ORDER BY IdConIva")});
    AggiungiDataSet(QStringLiteral("qTotRegCon"), qTotRegCon);
    OnPrint(QStringLiteral("lbPeriodo"), [](ReportItem &item) {
        item.Text = QStringLiteral("Dal ") + DataParametro(QStringLiteral("DaData")) + QStringLiteral("  Al ")
                    + DataParametro(QStringLiteral("A_Data"));
    });
    OnPrint(QStringLiteral("lbRaggruppamento"), [](ReportItem &item) {
        item.Text = QStringLiteral("Raggruppamento ") + Parametro(QStringLiteral("IdRaggMag")) + QStringLiteral("  ")
                    + Parametro(QStringLiteral("_DsRaggMag"));
    });
}

DUSARIA_CLASSE(TFqarn0110s);
