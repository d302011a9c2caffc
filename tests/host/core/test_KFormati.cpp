#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/KFormati.h"
#include "tests/host/core/Printers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace KFormati;

namespace {
struct Case {
    const char *mask;
    double value;
    const char *expected;
};

void Check(std::initializer_list<Case> cases)
{
    for (const Case &c : cases)
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.mask), c.value), QString::fromUtf8(c.expected))
            << "mask \"" << c.mask << "\" value " << c.value;
}
} // namespace

TEST(FormatFloat, GroupedMasks)
{
    Check({
        {"#,##0", 1234567.891, "1.234.568"},
        {"#,##0", -1234.5, "-1.235"},
        {"#,##0", 0, "0"},
        {"#,##0", 999.5, "1.000"},
        {"#,##0", 12, "12"},
        {"#,##0.00", 1234567.891, "1.234.567,89"},
        {"#,##0.00", -1234567.891, "-1.234.567,89"},
        {"#,##0.00", 0, "0,00"},
        {"#,##0.00", 0.005, "0,01"},
        {"#,##0.00", 2.675, "2,68"},
        {"#,##0.00", 123456789012.5, "123.456.789.012,50"},
        {"#,##0.00", 1e20, "100.000.000.000.000.000.000,00"},
        {"#,##0.000", 1234.5678, "1.234,568"},
        {"#,##0.000", -0.0005, "-0,001"},
        {"#,##0.000", 0, "0,000"},
        {"#,##0.000", 100000, "100.000,000"},
    });
}

TEST(FormatFloat, SectionsForNegativeAndZero)
{
    Check({
        {"#,0;-#,0", 1234567, "1.234.567"},
        {"#,0;-#,0", -1234567, "-1.234.567"},
        {"#,0;-#,0", 0, "0"},
        {"#,0;-#,0", -0.4, "0"}, // rounds to zero: no sign
        {"#,0.00;-#,0.00", 1234.5, "1.234,50"},
        {"#,0.00;-#,0.00", -1234.5, "-1.234,50"},
        {"#,0.00;-#,0.00", 0, "0,00"},
        {"#,0.00;-#,0.00", -0.001, "0,00"},
        {"#,0.00;-#,0.00", 98765432.1, "98.765.432,10"},
        {"#,0.00;(#,0.00)", 1234.5, "1.234,50"},
        {"#,0.00;(#,0.00)", -1234.5, "(1.234,50)"},
        {"#,0.00;(#,0.00)", 0, "0,00"},
        {"#,0.00;(#,0.00)", -1234567.891, "(1.234.567,89)"},
        {"#,0.000000;-#,0.000000", 1.23456789, "1,234568"},
        {"#,0.000000;-#,0.000000", -1234.5, "-1.234,500000"},
        {"#,0.000000;-#,0.000000", 0, "0,000000"},
        {"#,0.000000;-#,0.000000", 1234567.1234565, "1.234.567,123457"},
        {"#,0.00;-#,0.00;'zero'", 0, "zero"},
        {"#,0.00;-#,0.00;'zero'", 0.001, "zero"},
        {"#,0.00;-#,0.00;'zero'", -0.001, "zero"},
        {"#,0.00;;'-'", -5, "-5,00"}, // empty negative section: the positive one with a sign
        {"#,0.00;;'-'", 0, "-"},
    });
}

TEST(FormatFloat, OptionalDecimals)
{
    Check({
        {"#,##0.######", 0, "0"},
        {"#,##0.######", 1234.5, "1.234,5"},
        {"#,##0.######", -1234.5, "-1.234,5"},
        {"#,##0.######", 12, "12"},
        {"#,##0.######", 0.1234567, "0,123457"},
        {"#,##0.######", 0.0000004, "0"},
        {"#,##0.######", 1234567.25, "1.234.567,25"},
        {"0.0#", 1, "1,0"},
        {"0.0#", 1.256, "1,26"},
        {"#.##", 0.5, ",5"},
        {"#", 0, ""},
        {"#", 42, "42"},
    });
}

TEST(FormatFloat, PlainAndZeroPaddedMasks)
{
    Check({
        {"0", 0, "0"},
        {"0", 1234567.5, "1234568"},
        {"0", -12.5, "-13"},
        {"0", 0.4, "0"},
        {"0.00", 1234567.891, "1234567,89"},
        {"0.00", -3.5, "-3,50"},
        {"0.00", 0, "0,00"},
        {"0.000", 1.0005, "1,001"},
        {"0.000", -1234.5, "-1234,500"},
        {"0.000", 0, "0,000"},
        {"00", 7, "07"},
        {"00", 0, "00"},
        {"00", -7, "-07"},
        {"00", 123, "123"},
        {"000000", 12, "000012"},
        {"000000", 0, "000000"},
        {"000000", -12, "-000012"},
        {"000000", 12345678, "12345678"},
        {"0.", 12.6, "13"},
        {"0.", 0, "0"},
        {"0.0", -1.25, "-1,3"},
        {"0.0000", 1234.5, "1234,5000"},
        {"0.0000", 0, "0,0000"},
    });
}

TEST(FormatFloat, LiteralsAndOddValues)
{
    Check({
        {"'€ '#,##0.00", 1234.5, "€ 1.234,50"},
        {"#,##0.00\" kg\"", -2, "-2,00 kg"},
        {"#,##0 %", 15, "15 %"},
        {"", 1234.5, "1234,5"},
    });
    EXPECT_EQ(FormatFloat(QStringLiteral("0.") + QString(25, QLatin1Char('0')), 1.5),
              QStringLiteral("1,") + QStringLiteral("5").leftJustified(25, QLatin1Char('0')));
    const QString huge = FormatFloat(QStringLiteral("#,##0.00"), -1e300);
    EXPECT_EQ(huge, QStringLiteral("-1") + QStringLiteral(".000").repeated(100) + QStringLiteral(",00"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.000000000000000000"), 0.1 + 0.2), QStringLiteral("0,300000000000000000"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), std::nan("")), QStringLiteral("NAN"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), -INFINITY), QStringLiteral("-INF"));
}

TEST(FormatDateTime, DateAndTimeMasks)
{
    const QDateTime t(QDate(2024, 3, 5), QTime(9, 7, 4, 30));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy"), t), QStringLiteral("05/03/2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yy"), t), QStringLiteral("05/03/24"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("d/m/yyyy"), t), QStringLiteral("5/3/2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn"), t), QStringLiteral("09:07"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:mm:ss"), t), QStringLiteral("09:07:04")); // m after h: minutes
    EXPECT_EQ(FormatDateTime(QStringLiteral("h.n"), t), QStringLiteral("9.7"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddd d mmmm yyyy"), t), QStringLiteral("martedì 5 marzo 2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ddd dd mmm"), t), QStringLiteral("mar 05 mar"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("'Data:' dd/mm/yyyy"), t), QStringLiteral("Data: 05/03/2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), t), QStringLiteral("05/03/2024 09:07:04"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), QDate(2024, 3, 5)), QStringLiteral("05/03/2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyymmdd"), QDate(2001, 12, 31)), QStringLiteral("20011231"));
    EXPECT_EQ(FormatDateTime(ShortDateFormat(), QDate(1999, 1, 9)), QStringLiteral("09/01/1999"));
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("dd/mm/yyyy"));
}

TEST(FormatDateTime, NullDateIsEmpty)
{
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy"), QDateTime()), QString());
    EXPECT_EQ(FormatDateTime(ShortDateFormat(), QDate()), QString());
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn"), QDateTime()), QString());
}

TEST(ParseFloat, AcceptsItalianForms)
{
    const struct {
        const char *text;
        double value;
    } good[] = {
        {"12", 12},   {"1.234,56", 1234.56}, {"-3,5", -3.5}, {"1234,5", 1234.5}, {"1.234.567", 1234567},     {"+7", 7},
        {" 42 ", 42}, {",5", 0.5},           {"0", 0},       {"-0,001", -0.001}, {"999.999,999", 999999.999}};
    for (const auto &g : good) {
        bool ok = false;
        EXPECT_DOUBLE_EQ(ParseFloat(QString::fromLatin1(g.text), &ok), g.value) << g.text;
        EXPECT_TRUE(ok) << g.text;
    }
}

TEST(ParseFloat, RefusesJunk)
{
    for (const char *text : {"",  "   ", "abc", "1,2,3", "12a", "1.2",   "1.2345",   "12.34,5", "1..234",   "-",
                             "+", ",",   "1,",  "1e5",   "--1", "1 234", "1.234.56", ".5",      "1234.567", "0x10"}) {
        bool ok = true;
        EXPECT_EQ(ParseFloat(QString::fromLatin1(text), &ok), 0.0) << text;
        EXPECT_FALSE(ok) << '"' << text << '"';
    }
    bool ok = true;
    ParseFloat(QString::fromUtf8("١٢"), &ok); // digits of another script
    EXPECT_FALSE(ok);
}

TEST(ParseTypedFloat, TakesTheItalianFormOnlyWithoutBlanks)
{
    const struct {
        const char *text;
        bool ok;
        double value;
    } cases[] = {{"1.234,56", true, 1234.56},
                 {"1234,56", true, 1234.56},
                 {"-3", true, -3},
                 {"1.500", true, 1500},
                 {"1.50", false, 0},
                 {"1,2,3", false, 0},
                 {"nan", false, 0},
                 {"inf", false, 0},
                 {" 5", false, 0},
                 {"5 ", false, 0},
                 {"", false, 0},
                 {"3-", false, 0}};
    for (const auto &c : cases) {
        bool ok = !c.ok;
        EXPECT_DOUBLE_EQ(ParseTypedFloat(QString::fromLatin1(c.text), &ok), c.value) << '"' << c.text << '"';
        EXPECT_EQ(ok, c.ok) << '"' << c.text << '"';
    }
    bool ok = false;
    EXPECT_DOUBLE_EQ(ParseFloat(QStringLiteral(" 5 "), &ok), 5.0); // blanks around ignored there
    EXPECT_TRUE(ok);
}

TEST(ParseDate, AcceptsShortAndLongYears)
{
    bool ok = false;
    EXPECT_EQ(ParseDate(QStringLiteral("05/03/2024"), &ok), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseDate(QStringLiteral("5/3/2024"), &ok).date(), QDate(2024, 3, 5));
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseDate(QStringLiteral("29/02/2024"), &ok).date(), QDate(2024, 2, 29));
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseDate(QStringLiteral("01/02/03"), &ok).date(), QDate(2003, 2, 1));
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseDate(QStringLiteral("31/12/99"), &ok).date(), QDate(1999, 12, 31));
    EXPECT_TRUE(ok);
    const int yy = (QDate::currentDate().year() + 10) % 100;
    EXPECT_EQ(ParseDate(QStringLiteral("01/01/%1").arg(yy, 2, 10, QLatin1Char('0')), &ok).date().year(),
              QDate::currentDate().year() + 10);
}

TEST(ParseDate, RefusesBadInput)
{
    for (const char *text :
         {"", "abc", "31/02/2024", "00/01/2024", "01/13/2024", "1/1/202", "01-01-2024", "01/01/2024/", "001/01/2024",
          "01/01/20245", "32/01/24", "a1/01/2024", "29/02/2023", "01/01/0000"}) {
        bool ok = true;
        EXPECT_TRUE(ParseDate(QString::fromLatin1(text), &ok).isNull()) << text;
        EXPECT_FALSE(ok) << text;
    }
}

class NumberKinds : public ::testing::Test {
protected:
    void SetUp() override { saved_ = CFG; }
    void TearDown() override { CFG = saved_; }
    TCFG saved_;
};

TEST_F(NumberKinds, DecimalsFollowTheCompanySettings)
{
    CFG = TCFG();
    EXPECT_EQ(GetDecimali(fnQuantita), 3);
    EXPECT_EQ(GetDecimali(7), 3);
    EXPECT_EQ(GetDecimali(fnValoreIT), 2);
    EXPECT_EQ(GetDecimali(fnValoreES), 4);
    EXPECT_EQ(GetDecimali(fnIntero), 0);

    CFG.DecQuantita = 0;
    CFG.DecQuantita2 = 2;
    CFG.DecPrezzoIT = 5;
    CFG.DecValoreIT = 0;
    EXPECT_EQ(GetDecimali(fnQuantita), 0);
    EXPECT_EQ(GetDecimali(fnQuantita2), 2);
    EXPECT_EQ(GetDecimali(fnPrezzoIT), 5);
    EXPECT_EQ(GetDecimali(fnValoreIT), 0);
    EXPECT_EQ(GetDisplay(fnQuantita), QStringLiteral("#,##0"));
    EXPECT_EQ(GetDisplay(fnQuantita2), QStringLiteral("#,##0.00"));
    EXPECT_EQ(GetDisplay(fnPrezzoIT), QStringLiteral("#,##0.00000"));
    EXPECT_EQ(FormatFloat(GetDisplay(fnQuantita2), 1234.5), QStringLiteral("1.234,50"));
    EXPECT_EQ(GetDisplay(fnIntero), QStringLiteral("0"));
    EXPECT_EQ(GetDisplay(fnNessuno), QString());
}

TEST_F(NumberKinds, UnknownKindIsRefused)
{
    EXPECT_THROW(GetDecimali(42), Exception);
    EXPECT_THROW(GetDisplay(-1), Exception);
}
