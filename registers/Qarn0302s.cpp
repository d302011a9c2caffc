#include "registers/Qarn0302s.h"

#include "frame/Dusaria.h"
#include "host/business/Funzionibase.h"
#include "host/data/TDataSet.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "registers/Lumo_schedeprodotto.h"

TFqarn0302s::TFqarn0302s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0302s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SQL = UT_LMQ_SK_QueryArticoli(QStringLiteral("{WHERE XWHERE}"), QStringLiteral("{ORDER BY XORDERBY}"));
    // The price of each wine on the chosen list, read once as the print opens its wines.
    qMain->AddCalcField(QStringLiteral("_Prezzo"), ftFloat);
    qMain->BeforeOpen = [this](TDataSet *) { LeggiPrezzi(); };
    qMain->OnCalcFields = [this](TDataSet *d) {
        const auto voce = prezzi_.constFind(d->FieldByName(QStringLiteral("IdProdotto"))->AsString().trimmed());
        d->FieldByName(QStringLiteral("_Prezzo"))->SetAsFloat(voce == prezzi_.constEnd() ? 0 : voce->Prezzo);
    };
}

void TFqarn0302s::LeggiPrezzi()
{
    prezzi_.clear();
    const QString listino = _Tpars ? _Tpars->FieldByName(QStringLiteral("IdListino"))->AsString().trimmed() : QString();
    if (listino.isEmpty())
        return;
    const QString divisa = Funzioni::DivisaDocumento(
        DMIDataBases::Instance()
            .Global()
            .ScalarValue(QStringLiteral("SELECT IdDivisa FROM TipiListino WHERE IdListino = ?"), {listino})
            .toString());
    const QDate giorno = DataStampa.isValid() ? DataStampa : QDate::currentDate();
    prezzi_ = Funzioni::PrezziListino(listino, divisa, QDateTime(giorno, QTime(0, 0)));
}

void TFqarn0302s::EseguiUI(TDataSet *parametri)
{
    _Tpars = parametri;
}

void TFqarn0302s::InitReport(const QString &layout)
{
    TfKV8ReportB::InitReport(layout);
    Nascondi(QStringLiteral("ppHeaderBand"));
}

DUSARIA_CLASSE(TFqarn0302s);
