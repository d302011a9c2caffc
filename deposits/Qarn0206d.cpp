#include "deposits/Qarn0206d.h"

#include "ui_Qarn0206d.h"

#include "deposits/Qarn0206s.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"

#include <memory>

DUSARIA_FINESTRA(TFqarn0206d, Fqarn0206d);

TFqarn0206d::TFqarn0206d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0206d)
{
    SetupLayout(*ui);
    TDMIBase *base = TDMIBase::Crea();
    tPars->SetTableName(QStringLiteral("LUMO_StaLisCau"));
    tPars->SetUsaDizionario(true);
    tPars->AddLookupField(QStringLiteral("_DsDaListino"), ftString, 40, base->TipiListino,
                          QStringLiteral("Da_IdListino"), QStringLiteral("IdListino"), QStringLiteral("DsListino"));
    tPars->AddLookupField(QStringLiteral("_DsAListino"), ftString, 40, base->TipiListino, QStringLiteral("A_IdListino"),
                          QStringLiteral("IdListino"), QStringLiteral("DsListino"));
    tPars->AddLookupField(QStringLiteral("_SiglaDivisa"), ftString, 10, base->lkDivise, QStringLiteral("IdDivisa"),
                          QStringLiteral("IdDivisa"), QStringLiteral("SiglaDivisa"));
}

TFqarn0206d::~TFqarn0206d()
{
    delete ui;
}

void TFqarn0206d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0206d == this)
        Fqarn0206d = nullptr;
}

QString TFqarn0206d::Selezione() const
{
    QString selezione;
    auto aggiungi = [&](const char *campo, const QString &confronto) {
        const QString valore = tPars->FieldByName(QLatin1String(campo))->AsString();
        if (!valore.isEmpty())
            selezione += confronto + XWideQuotedStr(valore) + QStringLiteral(" AND ");
    };
    aggiungi("Da_IdListino", QStringLiteral("LUMO_LisCauzT.IdListino >= "));
    aggiungi("A_IdListino", QStringLiteral("LUMO_LisCauzT.IdListino <= "));
    aggiungi("IdDivisa", QStringLiteral("LUMO_LisCauzT.IdDivisa = "));
    selezione.chop(5);
    return selezione;
}

void TFqarn0206d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    std::unique_ptr<Tfqarn0206s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0206s>()).CreateAs<Tfqarn0206s>(this));
    stampa->InitReport();
    stampa->ImpostaQuery(stampa->qMain, 0, Selezione(), QString());
    stampa->ImpostaReport();
    stampa->EseguiStampa(true);
}
