#include "deposits/Qarn0207d.h"

#include "ui_Qarn0207d.h"

#include "deposits/Qarn0207s.h"
#include "frame/Dusaria.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"

#include <memory>

DUSARIA_FINESTRA(TFqarn0207d, Fqarn0207d);

TFqarn0207d::TFqarn0207d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0207d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_StaProCauCF"));
    tPars->SetUsaDizionario(true);
    // the account search of both code fields keeps to the chosen type
    const auto edIdContoRicerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro = QStringLiteral("PianoConti.IdContoTp = ")
                 + XWideQuotedStr(tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString());
    };
    ui->edDa_IdConto->OnFiltroRicerca = edIdContoRicerca;
    ui->edA_IdConto->OnFiltroRicerca = edIdContoRicerca;
    tPars->AfterOpen = [this](TDataSet *) {
        tPars->FieldByName(QStringLiteral("FlTipoScheda"))->OnChange = [this](TField *) { tParsFlTipoSchedaChange(); };
    };
}

TFqarn0207d::~TFqarn0207d()
{
    delete ui;
}

void TFqarn0207d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0207d == this)
        Fqarn0207d = nullptr;
}

void TFqarn0207d::tParsFlTipoSchedaChange()
{
    const bool totali = tPars->FieldByName(QStringLiteral("FlTipoScheda"))->AsInteger() != 0;
    ui->edDa_IdDestinazione->SetReadOnly(totali);
    ui->edA_IdDestinazione->SetReadOnly(totali);
}

QString TFqarn0207d::Selezione() const
{
    const auto campo = [this](const char *nome) { return tPars->FieldByName(QLatin1String(nome)); };
    QString selezione = QStringLiteral("LUMO_ProgCauz.IdContoTp = ") + XWideQuotedStr(campo("IdContoTp")->AsString())
                        + QStringLiteral(" AND ");
    const QString da = campo("Da_IdConto")->AsString();
    const QString a = campo("A_IdConto")->AsString();
    if (!da.isEmpty())
        selezione += QStringLiteral("LUMO_ProgCauz.IdConto >= ") + XWideQuotedStr(da) + QStringLiteral(" AND ");
    if (!a.isEmpty())
        selezione += QStringLiteral("LUMO_ProgCauz.IdConto <= ") + XWideQuotedStr(a) + QStringLiteral(" AND ");
    const int tipoScheda = campo("FlTipoScheda")->AsInteger();
    selezione += QStringLiteral("LUMO_ProgCauz.FlTipoScheda = %1 AND ").arg(tipoScheda);
    if (tipoScheda == 0) {
        const int daDest = campo("Da_IdDestinazione")->AsInteger();
        const int aDest = campo("A_IdDestinazione")->AsInteger();
        if (daDest != 0)
            selezione += QStringLiteral("LUMO_ProgCauz.IdDestinazione >= %1 AND ").arg(daDest);
        if (aDest != 0)
            selezione += QStringLiteral("LUMO_ProgCauz.IdDestinazione <= %1 AND ").arg(aDest);
    }
    selezione.chop(5);
    return selezione;
}

void TFqarn0207d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    std::unique_ptr<Tfqarn0207s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0207s>()).CreateAs<Tfqarn0207s>(this));
    stampa->InitForm(tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString(),
                     tPars->FieldByName(QStringLiteral("FlTipoScheda"))->AsInteger());
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain, 0, Selezione(), QString());
    stampa->EseguiStampa(true);
}
