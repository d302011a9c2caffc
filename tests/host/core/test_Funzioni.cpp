#include "host/core/Errors.h"
#include "host/core/Funzioni.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Funzioni;

TEST(KRound, TiesGoAwayFromZeroOnTheDecimalText)
{
    EXPECT_DOUBLE_EQ(KRound(0.125, 2), 0.13);
    EXPECT_DOUBLE_EQ(KRound(-0.125, 2), -0.13);
    EXPECT_DOUBLE_EQ(KRound(2.675, 2), 2.68); // binary 2.67499999...
    EXPECT_DOUBLE_EQ(KRound(-2.675, 2), -2.68);
    EXPECT_DOUBLE_EQ(KRound(1.005, 2), 1.01); // binary 1.00499999...
    EXPECT_DOUBLE_EQ(KRound(0.285, 2), 0.29);
    EXPECT_DOUBLE_EQ(KRound(1.0049, 2), 1.0);
    EXPECT_DOUBLE_EQ(KRound(0.5, 0), 1.0);
    EXPECT_DOUBLE_EQ(KRound(-0.5, 0), -1.0);
    EXPECT_DOUBLE_EQ(KRound(2.5, 0), 3.0);
    EXPECT_DOUBLE_EQ(KRound(-2.5, 0), -3.0);
    EXPECT_DOUBLE_EQ(KRound(-0.4, 0), 0.0);
    EXPECT_FALSE(std::signbit(KRound(-0.4, 0))); // no negative zero
}

TEST(KRound, EveryNumberOfDecimalsFromZeroToSeven)
{
    const double value = 1.23456785;
    const double expected[] = {1.0, 1.2, 1.23, 1.235, 1.2346, 1.23457, 1.234568, 1.2345679};
    for (int d = 0; d <= 7; ++d) {
        EXPECT_DOUBLE_EQ(KRound(value, d), expected[d]) << "decimals " << d;
        EXPECT_DOUBLE_EQ(KRound(-value, d), -expected[d]) << "decimals " << d;
    }
    EXPECT_DOUBLE_EQ(KRound(0.00000005, 7), 0.0000001);
    EXPECT_DOUBLE_EQ(KRound(0.00000004, 7), 0.0);
}

TEST(KRound, ArithmeticNoiseAndLargeValues)
{
    EXPECT_DOUBLE_EQ(KRound(0.1 + 0.2, 2), 0.3);
    EXPECT_DOUBLE_EQ(KRound(1.15 * 100, 0), 115.0); // 114.99999999999999
    EXPECT_DOUBLE_EQ(KRound(1234567890.125, 2), 1234567890.13);
    EXPECT_DOUBLE_EQ(KRound(-1234567890.125, 2), -1234567890.13);
    EXPECT_DOUBLE_EQ(KRound(98765432109.5, 0), 98765432110.0);
    EXPECT_DOUBLE_EQ(KRound(1e20, 2), 1e20);
    EXPECT_DOUBLE_EQ(KRound(12345678901234567.0, 0), 12345678901234567.0);
    // already rounded values stay put
    for (double v : {0.07, 19.99, 1234.56, -0.01, 100.0})
        EXPECT_EQ(KRound(v, 2), v);
}

TEST(KRound, NegativeDecimalsRoundToTensAndHundreds)
{
    EXPECT_DOUBLE_EQ(KRound(15, -1), 20.0);
    EXPECT_DOUBLE_EQ(KRound(14.9, -1), 10.0);
    EXPECT_DOUBLE_EQ(KRound(-15, -1), -20.0);
    EXPECT_DOUBLE_EQ(KRound(4.9, -1), 0.0);
    EXPECT_DOUBLE_EQ(KRound(1250, -2), 1300.0);
}

TEST(KRound, NonFiniteValuesPassThrough)
{
    EXPECT_TRUE(std::isnan(KRound(std::nan(""), 2)));
    EXPECT_TRUE(std::isinf(KRound(INFINITY, 2)));
}

TEST(CompDec, ComparesAtTwoDecimals)
{
    EXPECT_EQ(CompDec(1.004, 1.0, 2), 0);
    EXPECT_EQ(CompDec(1.005, 1.01, 2), 0); // the tie rounds up to 1.01
    EXPECT_EQ(CompDec(1.005, 1.0, 2), 1);
    EXPECT_EQ(CompDec(0.1 + 0.2, 0.3, 2), 0);
    EXPECT_EQ(CompDec(1.01, 1.02, 2), -1);
    EXPECT_EQ(CompDec(1.02, 1.01, 2), 1);
    EXPECT_EQ(CompDec(-0.004, 0, 2), 0);
    EXPECT_EQ(CompDec(-0.005, 0, 2), -1);
    EXPECT_EQ(CompDec(-1.5, -1.4, 2), -1);
    EXPECT_EQ(CompDec(-1.125, -1.13, 2), 0);
    EXPECT_EQ(CompDec(1.0000001, 1.0, 6), 0);
    EXPECT_EQ(CompDec(1.0000001, 1.0, 7), 1);
}

TEST(CompDec, MinusOneComparesAtFullPrecision)
{
    EXPECT_EQ(CompDec(4, 0, -1), 1);
    EXPECT_EQ(CompDec(0.001, 0, -1), 1);
    EXPECT_EQ(CompDec(-0.001, 0, -1), -1);
    EXPECT_EQ(CompDec(0.1 + 0.2, 0.3, -1), 0);
    EXPECT_EQ(CompDec(1e12 + 0.0001, 1e12, -1), 0);
    EXPECT_EQ(CompDec(14, 10, -1), 1);
    EXPECT_EQ(CompDec(0, 0, -1), 0);
}

TEST(Arrotonda, BringsAValueToAMultipleOfTheStep)
{
    EXPECT_DOUBLE_EQ(Arrotonda(1500.01, 1000, arEccesso, 2), 2000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(2000.00, 1000, arEccesso, 2), 2000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(2000.004, 1000, arEccesso, 2), 2000.0); // below the decimals
    EXPECT_DOUBLE_EQ(Arrotonda(2000.01, 1000, arEccesso, 2), 3000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(1999.99, 1000, arDifetto, 2), 1000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(1500, 1000, arMatematico, 2), 2000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(1499.99, 1000, arMatematico, 2), 1000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(0.3, 0.1, arEccesso, 2), 0.3); // 0.3 / 0.1 is 2.9999999999999996
    EXPECT_DOUBLE_EQ(Arrotonda(1.12, 0.05, arEccesso, 2), 1.15);
    EXPECT_DOUBLE_EQ(Arrotonda(-1500.01, 1000, arEccesso, 2), -2000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(-1999.99, 1000, arDifetto, 2), -1000.0);
    EXPECT_DOUBLE_EQ(Arrotonda(12.345, 0, arEccesso, 2), 12.35);
    EXPECT_DOUBLE_EQ(Arrotonda(0, 1000, arEccesso, 2), 0.0);
}

TEST(Arrotonda, RefusesABadStepOrMode)
{
    EXPECT_THROW(Arrotonda(10, -1, arEccesso, 2), Exception);
    EXPECT_THROW(Arrotonda(10, 1, 7, 2), Exception);
}

TEST(Dates, TextAndYear)
{
    EXPECT_EQ(DataToStringa(QDate(2024, 3, 5)), QStringLiteral("05/03/2024"));
    EXPECT_EQ(DataToStringa(QDateTime(QDate(1999, 12, 31), QTime(23, 59))), QStringLiteral("31/12/1999"));
    EXPECT_EQ(DataToStringa(QDateTime()), QString());
    EXPECT_EQ(GetAnno(QDateTime(QDate(2024, 1, 1), QTime(0, 0))), 2024);
    EXPECT_EQ(GetAnno(QDateTime()), 0);
}
