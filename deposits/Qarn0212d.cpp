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
    if (Kmessages::KMessage(QStringLiteral("Confermi eliminazione definitiva movimenti "), mtConfirmation, mbYesNo, 1)
        != mrYes)
        return;

    CAUZ_LavoroInCorso lavoro(this, false);
    TXQuery *q = DMILUMO->qGenerica;
    if (q->Active())
        q->Close();
    TXDatabase &db = q->Database();
    q->SQL.clear();
    q->SQL << QStringLiteral("SELECT KContaT FROM LUMO_MovCauT WHERE DataReg >= ") + db.FormatDataSQL(da)
                  + QStringLiteral(" AND DataReg <= ") + db.FormatDataSQL(a) + QStringLiteral(" ORDER BY KContaT");
    q->Open();
    QList<qint64> chiavi;
    for (q->First(); !q->Eof(); q->Next())
        chiavi << q->FieldByName(QStringLiteral("KContaT"))->AsLargeInt();
    q->Close();
    if (chiavi.isEmpty())
        return;

    TXClientTable *t = DMILUMO->TRS_MovCauT;
    Funzioni::CheckTabOpen(t);
    TXDatabase &dbMov = t->Database();
    if (dbMov.InTransaction())
        return; // another job holds the connection: nothing is deleted
    try {
        for (const qint64 chiave : chiavi) {
            Application->ProcessMessages();
            // the rows and their head go together: one transaction per movement
            TXTransaction transazione(dbMov);
            if (!transazione.Started())
                return;
            if (!t->LocateAsStored(QStringLiteral("KContaT"), chiave))
                continue;
            dbMov.ExecSQL(QStringLiteral("Delete from LUMO_MovCauR  WHERE KContaT = ") + QString::number(chiave));
            t->Delete();
            transazione.Commit();
        }
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
    }
    Kmessages::KMessage(QStringLiteral("Eliminazione terminata"), mtInformation, mbOK, 0);
    Close();
}
