// Currencies and exchange: conversion both ways, the rate in force at a date, missing and
// invalid rates, decimals per currency and rounding at them.
#include "host/business/Funzionibase.h"
#include "host/core/Errors.h"
#include "host/data/TXTable.h"
#include "tests/host/business/DatiBaseFixture.h"

#include <QCoreApplication>

namespace {

// The message of the Exception the call throws; fails the test when it throws none.
template <class F> QString Errore(F &&call)
{
    try {
        call();
    } catch (const Exception &e) {
        return e.Message;
    }
    ADD_FAILURE() << "no error";
    return QString();
}

class Divise : public DatiBase {
protected:
    void SetUp() override
    {
        DatiBase::SetUp();
        if (!db)
            return;
        Divisa(QStringLiteral("EUR"), 3, 2);
        Divisa(QStringLiteral("USD"), 4, 2);
        Divisa(QStringLiteral("JPY"), 0, 0);
        Cambio(QStringLiteral("USD"), Giorno(2026, 1, 2), 0.855);
        Cambio(QStringLiteral("USD"), Giorno(2026, 2, 1), 0.9);
        Cambio(QStringLiteral("USD"), Giorno(2026, 3, 1), 0.95);
        Cambio(QStringLiteral("JPY"), Giorno(2026, 1, 2), 0.0061);
    }
};

TEST_F(Divise, ConversionBothWaysAtTheGivenRate)
{
    using namespace Funzioni;
    const QDateTime d = Giorno(2026, 2, 15);
    EXPECT_DOUBLE_EQ(CalcValoreEURO(100.0, 0.8, d, QStringLiteral("USD"), 2), 80.0);
    EXPECT_DOUBLE_EQ(CalcValoreDivisa(80.0, 0.8, d, QStringLiteral("USD"), 2), 100.0);
    // the second argument order gives the same
    EXPECT_DOUBLE_EQ(CalcValoreEURO(QStringLiteral("USD"), 2, 100.0, 0.8, d), 80.0);
    // the accounting currency only rounds, whatever the rate
    EXPECT_DOUBLE_EQ(CalcValoreEURO(10.005, 7.0, d, QStringLiteral("EUR"), 2), 10.01);
    EXPECT_DOUBLE_EQ(CalcValoreDivisa(10.005, 7.0, d, QString(), 2), 10.01);
}

TEST_F(Divise, RateZeroTakesTheLatestStoredRateNotAfterTheDate)
{
    using namespace Funzioni;
    const QString usd = QStringLiteral("USD");
    EXPECT_DOUBLE_EQ(GetCambioEURO(usd, Giorno(2026, 1, 31)), 0.855);
    EXPECT_DOUBLE_EQ(GetCambioEURO(usd, Giorno(2026, 2, 15)), 0.9);
    EXPECT_DOUBLE_EQ(GetCambioEURO(usd, Giorno(2026, 2, 1)), 0.9);
    EXPECT_DOUBLE_EQ(GetCambioEURO(usd, Giorno(2026, 2, 1, 17, 30)), 0.9); // a rate of the day, whatever the hour
    EXPECT_DOUBLE_EQ(GetCambioEURO(usd, Giorno(2027, 1, 1)), 0.95);
    EXPECT_DOUBLE_EQ(GetCambioEURO(usd, QDateTime()), 0.95);
    EXPECT_DOUBLE_EQ(GetCambioEURO(QStringLiteral("EUR"), Giorno(2000, 1, 1)), 1.0);
    Divisa(QStringLiteral("GBP"), 2, 2);
    Cambio(QStringLiteral("GBP"), Giorno(2026, 4, 1, 12, 0), 1.17); // stored with an hour
    EXPECT_DOUBLE_EQ(GetCambioEURO(QStringLiteral("GBP"), Giorno(2026, 4, 1)), 1.17);

    EXPECT_DOUBLE_EQ(CalcValoreEURO(200.0, 0, Giorno(2026, 2, 15), usd, 2), 180.0);
    EXPECT_DOUBLE_EQ(CalcValoreDivisa(180.0, 0, Giorno(2026, 2, 15), usd, 2), 200.0);
    EXPECT_DOUBLE_EQ(CalcValoreEURO(200.0, 0, Giorno(2026, 3, 1), usd, 2), 190.0);
}

TEST_F(Divise, AMissingRateIsAnErrorNamingCurrencyAndDateNeverZeroOrOne)
{
    using namespace Funzioni;
    const QString usd = QStringLiteral("USD");
    const QDateTime prima = Giorno(2025, 12, 31);
    QString e = Errore([&] { GetCambioEURO(usd, prima); });
    EXPECT_TRUE(e.contains(QStringLiteral("USD"))) << e.toStdString();
    EXPECT_TRUE(e.contains(QStringLiteral("31/12/2025"))) << e.toStdString();
    EXPECT_FALSE(Errore([&] { CalcValoreEURO(100.0, 0, prima, usd, 2); }).isEmpty());
    EXPECT_FALSE(Errore([&] { CalcValoreDivisa(100.0, 0, prima, usd, 2); }).isEmpty());

    // a currency with no rate at all, one that does not exist, a rate stored as 0, a negative rate
    Divisa(QStringLiteral("CHF"), 2, 2);
    e = Errore([&] { GetCambioEURO(QStringLiteral("CHF"), Giorno(2026, 5, 5)); });
    EXPECT_TRUE(e.contains(QStringLiteral("CHF")) && e.contains(QStringLiteral("05/05/2026"))) << e.toStdString();
    e = Errore([&] { CalcValoreEURO(1.0, 0, Giorno(2026, 5, 5), QStringLiteral("XYZ"), 2); });
    EXPECT_TRUE(e.contains(QStringLiteral("XYZ")) && e.contains(QStringLiteral("non esiste"))) << e.toStdString();
    Cambio(QStringLiteral("CHF"), Giorno(2026, 5, 1), 0);
    e = Errore([&] { GetCambioEURO(QStringLiteral("CHF"), Giorno(2026, 5, 5)); });
    EXPECT_TRUE(e.contains(QStringLiteral("non è valido"))) << e.toStdString();
    EXPECT_FALSE(Errore([&] { CalcValoreEURO(1.0, -0.5, Giorno(2026, 5, 5), usd, 2); }).isEmpty());
}

TEST_F(Divise, DecimalsPerCurrency)
{
    using namespace Funzioni;
    TDMIBase *dm = TDMIBase::Crea();
    TDecimaliDivisa d = LeggiDecimaliDivisa(dm->lkDivise, QStringLiteral("USD"));
    EXPECT_EQ(d.Prezzo, 4);
    EXPECT_EQ(d.Valore, 2);
    d = LeggiDecimaliDivisa(dm->lkDivise, QStringLiteral("JPY"));
    EXPECT_EQ(d.Prezzo, 0);
    EXPECT_EQ(d.Valore, 0);
    d = LeggiDecimaliDivisa(dm->lkDivise, QString()); // no currency: the accounting one
    EXPECT_EQ(d.Prezzo, 3);
    EXPECT_EQ(d.Valore, 2);
    EXPECT_TRUE(
        Errore([&] { LeggiDecimaliDivisa(dm->lkDivise, QStringLiteral("XYZ")); }).contains(QStringLiteral("XYZ")));

    // a currency changed by its window is read again
    db->ExecSQL(QStringLiteral("UPDATE Divise SET DecValore = 3 WHERE IdDivisa = 'USD'"));
    dm->Rileggi(QStringLiteral("Divise"));
    EXPECT_EQ(LeggiDecimaliDivisa(dm->lkDivise, QStringLiteral("USD")).Valore, 3);

    // any currency table will do
    TXTable divise;
    divise.SetTableName(QStringLiteral("Divise"));
    EXPECT_EQ(LeggiDecimaliDivisa(&divise, QStringLiteral("JPY")).Prezzo, 0);
    EXPECT_TRUE(divise.Active());

    // the accounting currency missing from the table takes the company's decimals
    db->ExecSQL(QStringLiteral("DELETE FROM Divise WHERE IdDivisa = 'EUR'"));
    dm->Rileggi(QStringLiteral("Divise"));
    CFG.DecPrezzoIT = 5;
    CFG.DecValoreIT = 1;
    d = LeggiDecimaliDivisa(dm->lkDivise, QStringLiteral("EUR"));
    EXPECT_EQ(d.Prezzo, 5);
    EXPECT_EQ(d.Valore, 1);
}

TEST_F(Divise, RoundingAtTheCurrencysDecimals)
{
    using namespace Funzioni;
    TDMIBase *dm = TDMIBase::Crea();
    const QDateTime d = Giorno(2026, 1, 10);
    const TDecimaliDivisa yen = LeggiDecimaliDivisa(dm->lkDivise, QStringLiteral("JPY"));
    EXPECT_DOUBLE_EQ(CalcValoreDivisa(1000.0, 0, d, QStringLiteral("JPY"), yen.Valore), 163934.0); // 163934,43
    EXPECT_DOUBLE_EQ(CalcValoreEURO(163935.0, 0, d, QStringLiteral("JPY"), 2), 1000.0);            // 1000,0035
    const TDecimaliDivisa usd = LeggiDecimaliDivisa(dm->lkDivise, QStringLiteral("USD"));
    EXPECT_DOUBLE_EQ(CalcValoreEURO(1.5, 0, d, QStringLiteral("USD"), usd.Prezzo), 1.2825);
    EXPECT_DOUBLE_EQ(CalcValoreEURO(1.5, 0, d, QStringLiteral("USD"), usd.Valore), 1.28);
    EXPECT_DOUBLE_EQ(CalcValoreEURO(3.0, 0, d, QStringLiteral("USD"), usd.Valore), 2.57); // 2,565: ties away from zero
}

TEST_F(Divise, AccountingCurrencyAndExistingCurrencies)
{
    using namespace Funzioni;
    EXPECT_EQ(DivisaGestione(0), QStringLiteral("EUR"));
    EXPECT_TRUE(MonetaConto(QStringLiteral("EUR"), 0));
    EXPECT_TRUE(MonetaConto(QString(), 0));
    EXPECT_FALSE(MonetaConto(QStringLiteral("USD"), 0));
    CFG.IdDivisa = QStringLiteral("CHF");
    EXPECT_TRUE(MonetaConto(QStringLiteral("CHF")));
    EXPECT_FALSE(MonetaConto(QStringLiteral("EUR")));

    EXPECT_TRUE(TestDivisa(QStringLiteral("USD")));
    EXPECT_FALSE(TestDivisa(QStringLiteral("GBP")));
    EXPECT_FALSE(TestDivisa(QString()));
    EXPECT_FALSE(TestDivisa(QStringLiteral("' OR '1'='1")));
    Divisa(QStringLiteral("GBP"), 2, 2); // added after the currencies were read
    EXPECT_TRUE(TestDivisa(QStringLiteral("GBP")));
}

TEST_F(Divise, DefaultValuesAndConfigurationVariables)
{
    using namespace Funzioni;
    EXPECT_FALSE(GetValoreDefault(QStringLiteral("IdMagazzino")).isValid());
    ConfigStore::SaveSetting(*db, QStringLiteral("VALDEF"), QStringLiteral("IdMagazzino"), 2);
    ConfigStore::LoadSettings(*db);
    EXPECT_EQ(GetValoreDefault(QStringLiteral("idmagazzino")).toInt(), 2);

    TDMIBase *dm = TDMIBase::Crea();
    EXPECT_EQ(
        LeggiConfigVar(dm->lkConfigVar, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc")),
        QString());
    ConfigStore::SaveConfigVar(*db, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc"),
                               QStringLiteral("IT00ATW00123M"));
    EXPECT_EQ(
        LeggiConfigVar(dm->lkConfigVar, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc")),
        QStringLiteral("IT00ATW00123M"));
    EXPECT_EQ(
        LeggiConfigVar(dm->lkConfigVar, QStringLiteral("QARN"), QStringLiteral("02"), QStringLiteral("LMQ_CodAcc")),
        QString());
}

} // namespace
