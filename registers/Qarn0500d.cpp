#include "registers/Qarn0500d.h"

#include "ui_Qarn0500d.h"

#include "frame/Dusaria.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "registers/Qarn0500s.h"

#include <memory>

TFqarn0500d::TFqarn0500d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0500d)
{
    tPars->SetTableName(QStringLiteral("LUMO_StaAnaArt"));
    tPars->SetUsaDizionario(true);
    tPars->OnNewRecord = [](TDataSet *d) { d->FieldByName(QStringLiteral("FlTipoOrdinamento"))->SetAsInteger(0); };
    SetActiveControl(ui->edDa_IdProdotto);
}

TFqarn0500d::~TFqarn0500d() = default;

QString TFqarn0500d::Selezione() const
{
    // Bound field -> article column; the packaging is the article's own base packaging.
    static const std::pair<const char *, const char *> limiti[] = {
        {"Da_IdProdotto", "Articoli.IdProdotto >= "},    {"A_IdProdotto", "Articoli.IdProdotto <= "},
        {"Da_IdCatVin", "Articoli.UT_LMQ_IdCatVin >= "}, {"A_IdCatVin", "Articoli.UT_LMQ_IdCatVin <= "},
        {"Da_IdConIva", "Articoli.UT_LMQ_IdConIva >= "}, {"A_IdConIva", "Articoli.UT_LMQ_IdConIva <= "},
        {"Da_IdImballo", "Articoli.IdImballo >= "},      {"A_IdImballo", "Articoli.IdImballo <= "}};
    QStringList parti;
    for (const auto &[campo, condizione] : limiti) {
        const QString valore = tPars->FieldByName(QString::fromLatin1(campo))->AsString();
        if (!valore.isEmpty())
            parti << QString::fromLatin1(condizione) + XWideQuotedStr(valore);
    }
    return parti.join(QStringLiteral(" AND "));
}

QString TFqarn0500d::Ordine() const
{
    switch (tPars->FieldByName(QStringLiteral("FlTipoOrdinamento"))->AsInteger()) {
    case 0:
        return QStringLiteral("Articoli.IdProdotto");
    case 1:
        return QStringLiteral("Articoli.UT_LMQ_IdCatVin, Articoli.IdProdotto");
    case 2:
        return QStringLiteral("Articoli.UT_LMQ_IdConIva, Articoli.IdProdotto");
    case 3:
        return QStringLiteral("Articoli.IdImballo, Articoli.IdProdotto");
    default:
        return QString();
    }
}

void TFqarn0500d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    std::unique_ptr<TFqarn0500s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0500s>()).CreateAs<TFqarn0500s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, Selezione(), Ordine());
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0500d, Fqarn0500d);
