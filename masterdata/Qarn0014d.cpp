#include "masterdata/Qarn0014d.h"

#include "ui_Qarn0014d.h"

#include "frame/Dusaria.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Periodo.h"
#include "masterdata/Qarn0014s.h"

#include <memory>

DUSARIA_FINESTRA(TFqarn0014d, Fqarn0014d);

TFqarn0014d::TFqarn0014d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0014d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_StaLisTra"));
    tPars->SetUsaDizionario(true);
    SetActiveControl(ui->edDa_IdListTra);
}

TFqarn0014d::~TFqarn0014d()
{
    delete ui;
}

void TFqarn0014d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0014d == this)
        Fqarn0014d = nullptr;
}

QString TFqarn0014d::Selezione() const
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    QStringList condizioni;
    const QString da = tPars->FieldByName(QStringLiteral("Da_IdListTra"))->AsString();
    const QString a = tPars->FieldByName(QStringLiteral("A_IdListTra"))->AsString();
    if (!da.isEmpty())
        condizioni << QStringLiteral("LTT.IdListTra >= ") + XWideQuotedStr(da);
    if (!a.isEmpty())
        condizioni << QStringLiteral("LTT.IdListTra <= ") + XWideQuotedStr(a);
    const QDateTime daData = tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime();
    const QDateTime aData = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    if (!daData.isNull())
        condizioni << QStringLiteral("LTT.DataInizio >= ") + db.FormatDataSQL(daData);
    if (!aData.isNull())
        condizioni << QStringLiteral("LTT.DataFine <= ") + db.FormatDataSQL(aData);
    return condizioni.join(QStringLiteral(" AND "));
}

void TFqarn0014d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    if (!Funzioni::ControllaPeriodo(tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime(),
                                    tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), ui->edDa_Data))
        return;
    const QString selezione = Selezione();
    std::unique_ptr<Tfqarn0014s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0014s>()).CreateAs<Tfqarn0014s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, 0, selezione, QStringLiteral("LTT.IdListTra"));
    stampa->ImpostaQuery(stampa->qListTraD, 1, QString(), QString());
    stampa->ImpostaQuery(stampa->qListTraR, 2, QString(), QString());
    stampa->EseguiStampa(true);
}
