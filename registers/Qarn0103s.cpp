#include "registers/Qarn0103s.h"

#include "frame/Dusaria.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/report/ReportLayout.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0103d.h"

Tfqarn0103s::Tfqarn0103s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0103s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SetDatabaseName(UT_LMQ_RG_DatabaseLavoro());
    qMain->SQL =
        QStringList{QStringLiteral("SELECT * FROM LUMO_t_AnaCsTot"), QStringLiteral("ORDER BY IdRaggMag, IdCatVin")};
    // The heading follows the dialog's choice.
    OnPrint(QStringLiteral("lbTipoStampa"), [](ReportItem &item) {
        if (!Fqarn0103d)
            return;
        TDataSet *pars = Fqarn0103d->tPars;
        item.Text = pars->FieldByName(QStringLiteral("FlTipoRic"))->AsInteger() == 0
                        ? QStringLiteral("Stampa alla data ultimo aggiornamento")
                        : QStringLiteral("Stampa fino alla data : ")
                              + pars->FieldByName(QStringLiteral("A_Data"))
                                    ->AsDateTime()
                                    .date()
                                    .toString(QStringLiteral("dd/MM/yyyy"));
    });
}

DUSARIA_CLASSE(Tfqarn0103s);
