// Numbers typed into fields: one Italian rule, refusals that name the field and keep the old
// value; numbers set from code keep their lenient reading.
#include "host/data/TXMemTable.h"

#include <gtest/gtest.h>

namespace {

struct Entry {
    const char *text;
    bool accepted;
    double value;
};

// Types each text into the field over a known value: an accepted text gives its value, a
// refused one throws naming the field and the text, and leaves the known value.
void CheckEntries(TField *field, std::initializer_list<Entry> entries)
{
    for (const Entry &e : entries) {
        const QString text = QString::fromLatin1(e.text);
        field->SetAsFloat(42);
        if (e.accepted) {
            EXPECT_NO_THROW(field->SetText(text)) << '"' << e.text << '"';
            EXPECT_DOUBLE_EQ(field->AsFloat(), e.value) << '"' << e.text << '"';
            continue;
        }
        try {
            field->SetText(text);
            ADD_FAILURE() << '"' << e.text << "\" accepted as " << field->AsFloat();
        } catch (const Exception &error) {
            EXPECT_TRUE(error.Message.contains(field->DisplayLabel())) << error.what();
            EXPECT_TRUE(error.Message.contains(QLatin1Char('"') + text + QLatin1Char('"'))) << error.what();
        }
        EXPECT_DOUBLE_EQ(field->AsFloat(), 42.0) << '"' << e.text << '"';
    }
}

class NumberEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        price = t.AddField(QStringLiteral("Prezzo"), ftFloat);
        price->SetDisplayLabel(QStringLiteral("Prezzo unitario"));
        boxes = t.AddField(QStringLiteral("Colli"), ftInteger);
        boxes->SetDisplayLabel(QStringLiteral("Numero colli"));
        t.Open();
        t.Append();
    }

    TXMemTable t;
    TField *price = nullptr;
    TField *boxes = nullptr;
};

TEST_F(NumberEntry, DecimalCommaThousandsPointSignInFrontOrRefused)
{
    CheckEntries(price, {{"1.234,56", true, 1234.56},
                         {"1234,56", true, 1234.56},
                         {"-3", true, -3},
                         {"+7", true, 7},
                         {",5", true, 0.5},
                         {"1.500", true, 1500},
                         {"1.234.567,8", true, 1234567.8},
                         {"1.50", false, 0},
                         {"1.5", false, 0},
                         {"1,2,3", false, 0},
                         {"nan", false, 0},
                         {"inf", false, 0},
                         {"-inf", false, 0},
                         {" 5", false, 0},
                         {"5 ", false, 0},
                         {"1e5", false, 0},
                         {"--3", false, 0},
                         {"3-", false, 0},
                         {"12.34,5", false, 0},
                         {"1 234", false, 0}});
    CheckEntries(boxes, {{"1.500", true, 1500},
                         {"-3", true, -3},
                         {"2,0", true, 2},
                         {"1,5", false, 0},
                         {"1.50", false, 0},
                         {" 5", false, 0},
                         {"nan", false, 0}});
}

TEST_F(NumberEntry, EmptyTextClearsAndCodeValuesStayLenient)
{
    for (TField *f : {price, boxes}) {
        f->SetAsFloat(42);
        f->SetText(QString());
        EXPECT_TRUE(f->IsNull()) << f->FieldName().toStdString();
        f->SetAsFloat(42);
        f->SetText(QStringLiteral("   "));
        EXPECT_TRUE(f->IsNull()) << f->FieldName().toStdString();
    }
    // values from code or from the database are read as before
    price->SetAsString(QStringLiteral("1.50"));
    EXPECT_DOUBLE_EQ(price->AsFloat(), 1.5);
    price->SetValue(QStringLiteral(" 2,5 "));
    EXPECT_DOUBLE_EQ(price->AsFloat(), 2.5);

    // decimals from code into an integer: the nearest whole number, not the part before the
    // comma (0,3 / 0,1 is 2,9999...); a half goes to the even number, as the host rounds
    for (const auto &[value, whole] : {std::pair{0.3 / 0.1, 3}, {-0.3 / 0.1, -3}, {0.5, 0}, {1.5, 2}, {2.5, 2}}) {
        boxes->SetAsFloat(value);
        EXPECT_EQ(boxes->AsInteger(), whole) << value;
        price->SetAsFloat(value);
        EXPECT_EQ(price->AsInteger(), whole) << value;
    }
}

} // namespace
