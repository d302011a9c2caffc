#include "deposits/Qarn0208d.h"

#include "ui_Qarn0208d.h"

#include "deposits/Lumo_lavori.h"
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"

DUSARIA_FINESTRA(TFqarn0208d, Fqarn0208d);

namespace {

// The figures that must all be exactly 0 for a card to be deleted (EsiAttEcc is not one).
const char *const kColonneZero[] = {"ProgQtaCar",  "ProgQtaRes",  "ProgValCar",  "ProgValRes",  "ProgQtaCarF",
                                    "ProgQtaResF", "ProgValCarF", "ProgValResF", "ProgQtaCarB", "ProgQtaResB",
                                    "ProgValCarB", "ProgValResB", "QtaCarEcc",   "QtaResEcc"};

const QString kChiaveScheda = QStringLiteral("IdContoTp;IdConto;FlTipoScheda;IdDestinazione;IdImballo;IdDivisa");

bool SchedaVuota(TDataSet *t)
{
    for (const char *c : kColonneZero)
        if (t->FieldByName(QLatin1String(c))->AsFloat() != 0)
            return false;
    return true;
}

} // namespace

TFqarn0208d::TFqarn0208d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0208d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_EliProCau"));
    tPars->SetUsaDizionario(true);
}

TFqarn0208d::~TFqarn0208d()
{
    delete ui;
}

void TFqarn0208d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0208d == this)
        Fqarn0208d = nullptr;
}

void TFqarn0208d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    if (Kmessages::KMessage(QStringLiteral("Confermi eliminazione schede progressivi"), mtInformation, mbYesNo, 1)
        != mrYes)
        return;
    EliminaSchede();
    Close();
}

void TFqarn0208d::EliminaSchede()
{
    CAUZ_LavoroInCorso lavoro(this, false);
    TXQuery *q = DMILUMO->qGenerica;
    if (q->Active())
        q->Close();
    QString zeri;
    for (const char *c : kColonneZero)
        zeri += QStringLiteral(" AND ") + QLatin1String(c) + QStringLiteral(" = 0");
    q->SQL.clear();
    q->SQL << QStringLiteral("SELECT IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, IdDivisa "
                             "FROM LUMO_ProgCauz WHERE IdContoTp = ")
                  + XWideQuotedStr(tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString()) + zeri;
    q->Open();
    if (q->IsEmpty()) {
        q->Close();
        return;
    }
    QList<QVariantList> chiavi;
    for (q->First(); !q->Eof(); q->Next()) {
        QVariantList k;
        for (const QString &c : kChiaveScheda.split(QLatin1Char(';')))
            k << q->FieldByName(c)->Value();
        chiavi << k;
    }
    q->Close();

    TXClientTable *t = DMILUMO->TRS_ProgCauz;
    Funzioni::CheckTabOpen(t);
    for (const QVariantList &k : chiavi) {
        Application->ProcessMessages();
        // read as stored now: a card another user moved since the selection stays
        if (t->LocateAsStored(kChiaveScheda, k) && SchedaVuota(t))
            t->Delete();
    }
    Kmessages::KMessage(QStringLiteral("Eliminazione Completata"), mtInformation, mbOK, 0);
}
