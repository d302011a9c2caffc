#include "deposits/Qarn0212d.h"

#include "ui_Qarn0212d.h"

#include "deposits/Lumo_lavori.h"
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "host/ui/Periodo.h"

#include <QSqlQuery>

DUSARIA_FINESTRA(TFqarn0212d, Fqarn0212d);

TFqarn0212d::TFqarn0212d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0212d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_EliMovCau"));
    tPars->SetUsaDizionario(true);
}

TFqarn0212d::~TFqarn0212d()
{
    delete ui;
}

void TFqarn0212d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0212d == this)
        Fqarn0212d = nullptr;
}

void TFqarn0212d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    const QDateTime da = tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    if (da.isNull() || a.isNull())
        throw Exception(QStringLiteral("Indicare le date di inizio/fine periodo"));
    if (!Funzioni::ControllaPeriodo(da, a, ui->edDa_Data))
        return;
    if (Kmessages::KMessage(QStringLiteral("Confermi eliminazione definitiva movimenti "), mtConfirmation, mbYesNo, 1)
        != mrYes)
        return;

    CAUZ_LavoroInCorso lavoro(this, false);
    TXClientTable *t = DMILUMO->TRS_MovCauT;
    TXDatabase &db = t->Database();
    QList<qint64> chiavi;
    {
        QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT KContaT FROM LUMO_MovCauT WHERE DataReg >= ")
                                   + db.FormatDataSQL(da) + QStringLiteral(" AND DataReg <= ") + db.FormatDataSQL(a)
                                   + QStringLiteral(" ORDER BY KContaT"));
        while (q.next())
            chiavi << q.value(0).toLongLong();
    }
    if (chiavi.isEmpty())
        return;

    // the rows and their head go together; a failing movement stops the job, what went before stays deleted
    const bool eseguito = CAUZ_PerBlocchi(
        db, chiavi,
        [&](const QList<qint64> &movimenti) {
            Application->ProcessMessages();
            const QString dove =
                QStringLiteral(" WHERE KContaT IN (") + CAUZ_ElencoChiavi(movimenti) + QLatin1Char(')');
            db.ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauR") + dove);
            db.ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauT") + dove);
        },
        [t] { t->Close(); },
        [](const std::exception &e) {
            Kmessages::KMessage(Kmessages::ExceptionText(e), Kmessages::JobErrorType(e, mtInformation), mbOK, 0);
            return false;
        },
        2000); // a statement deletes many: fewer, larger commits
    if (!eseguito)
        return; // another job holds the connection, or the database failed under this one
    t->Close(); // the heads it held are gone
    Kmessages::KMessage(QStringLiteral("Eliminazione terminata"), mtInformation, mbOK, 0);
    Close();
}
