#include "registers/Qarn0105s.h"

#include "frame/Dusaria.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/report/ReportLayout.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0105d.h"

namespace {

// A date of the dialog as short text; empty when the dialog is gone.
QString DataDialogo(const char *campo)
{
    if (!Fqarn0105d)
        return QString();
    return Fqarn0105d->tPars->FieldByName(QLatin1String(campo))
        ->AsDateTime()
        .date()
        .toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

Tfqarn0105s::Tfqarn0105s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0105s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SetDatabaseName(UT_LMQ_RG_DatabaseLavoro());
    qMain->SQL = QStringList{QStringLiteral("SELECT * FROM LUMO_t_StBiAnDiGiT ORDER BY Anno, IdRaggMag, IdCatVin")};
    qRighe = new TXQuery(this);
    qRighe->SetName(QStringLiteral("qRighe"));
    qRighe->SetDatabaseName(UT_LMQ_RG_DatabaseLavoro());
    qRighe->SQL =
        QStringList{QStringLiteral("SELECT * FROM LUMO_t_StBiAnDiGiR WHERE Anno = :Anno and IdRaggMag = :IdRaggMag "
                                   "and IdCatVin = :IdCatVin ORDER BY Anno, IdRaggMag, IdCatVin, IdCausale")};
    AggiungiDataSet(QStringLiteral("qRighe"), qRighe);
    OnPrint(QStringLiteral("lbPeriodo"), [](ReportItem &item) {
        item.Text =
            QStringLiteral("Periodo :  Dal ") + DataDialogo("DaData") + QStringLiteral(" Al ") + DataDialogo("A_Data");
    });
    OnPrint(QStringLiteral("lbGiacenzaIni"),
            [](ReportItem &item) { item.Text = QStringLiteral("Giacenza al ") + DataDialogo("DaData"); });
    OnPrint(QStringLiteral("lbGiacenzaFin"),
            [](ReportItem &item) { item.Text = QStringLiteral("Giacenze Contabili al ") + DataDialogo("A_Data"); });
}

DUSARIA_CLASSE(Tfqarn0105s);
