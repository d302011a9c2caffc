#include "deposits/Qarn0213s.h"

#include "frame/Dusaria.h"
#include "host/core/KFormati.h"
#include "host/data/TDataSet.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"

DUSARIA_CLASSE(Tfqarn0213s);

Tfqarn0213s::Tfqarn0213s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0213s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    AggiungiDataSet(QStringLiteral("qMain"), qMain);
    // the bar between number and series only with a series
    OnPrint(QStringLiteral("lbBarra"),
            [this](ReportItem &item) { item.Visible = qMain->FieldByName(QStringLiteral("Serie"))->AsInteger() != 0; });
    // the balances of the account whose heading prints (its footer comes after its last row)
    OnBeforePrint(QStringLiteral("ppTestaConto"), [this] {
        if (!saldi_)
            return;
        saldi_->SetFiltered(false);
        saldi_->SetFilter(QStringLiteral("IdContoTp = ")
                          + XWideQuotedStr(qMain->FieldByName(QStringLiteral("IdContoTp"))->AsString())
                          + QStringLiteral(" AND IdConto = ")
                          + XWideQuotedStr(qMain->FieldByName(QStringLiteral("IdConto"))->AsString()));
        saldi_->SetFiltered(true);
        saldi_->First();
    });
}

void Tfqarn0213s::InitForm(TDataSet *parametri, TDataSet *saldi)
{
    const QDateTime da = parametri->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = parametri->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    const QString formato = KFormati::ShortDateFormat();
    QString periodo;
    if (!da.isNull())
        periodo += QStringLiteral(" - Dal ") + KFormati::FormatDateTime(formato, da);
    if (!a.isNull())
        periodo += QStringLiteral(" - al ") + KFormati::FormatDateTime(formato, a);
    const int tipo = parametri->FieldByName(QStringLiteral("FlTipoSta"))->AsInteger();
    if (tipo == 0)
        Titolo = QStringLiteral("Movimenti cauzioni ") + periodo;
    else if (tipo == 1)
        Titolo = QStringLiteral("Estratto c/to cauzioni ") + periodo;
    const bool estratto = tipo == 1;
    saldi_ = estratto ? saldi : nullptr;
    AggiungiDataSet(QStringLiteral("cdsSaldi"), saldi);
    SottoReport(QStringLiteral("srSaldi"))->Visible = estratto;
    Gruppo(QStringLiteral("grConto"))->NewPage = estratto;
}
