// Funzioni::CopiaDati repeated between the same datasets: each copy follows the fields the two
// datasets have at that moment.
#include "host/data/DatasetFunctions.h"
#include "host/data/TXMemTable.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TXMemTable> Tabella(const QStringList &campi)
{
    auto t = std::make_unique<TXMemTable>();
    for (const QString &c : campi)
        t->AddField(c, ftString, 10);
    return t;
}

void Riga(TDataSet &t, const QStringList &valori)
{
    t.Append();
    for (qsizetype i = 0; i < valori.size(); ++i)
        t.Fields(int(i))->SetAsString(valori.at(i));
    t.Post();
}

TEST(CopiaDati, RepeatedCopiesFollowTheFieldsEachDatasetHasNow)
{
    auto origine = Tabella({"A", "B"});
    auto destinazione = Tabella({"A", "B", "C"});
    origine->Open();
    destinazione->Open();
    Riga(*origine, {"a1", "b1"});
    Riga(*destinazione, {"", "", "c0"});

    Funzioni::CopiaDati(destinazione.get(), origine.get(), 0, 0, true);
    EXPECT_EQ(destinazione->FieldByName("A")->AsString(), "a1");
    EXPECT_EQ(destinazione->FieldByName("B")->AsString(), "b1");
    EXPECT_EQ(destinazione->FieldByName("C")->AsString(), "c0"); // the source has no C

    // the source gains C, loses B: the next copy takes C and no longer writes B
    origine->Close();
    origine = Tabella({"C", "A"});
    origine->Open();
    Riga(*origine, {"c2", "a2"});
    Funzioni::CopiaDati(destinazione.get(), origine.get(), 0, 0, true);
    EXPECT_EQ(destinazione->FieldByName("A")->AsString(), "a2");
    EXPECT_EQ(destinazione->FieldByName("B")->AsString(), "b1");
    EXPECT_EQ(destinazione->FieldByName("C")->AsString(), "c2");

    // the same source reopened with a field more
    origine->Close();
    origine->AddField("B", ftString, 10);
    origine->Open();
    Riga(*origine, {"c3", "a3", "b3"});
    Funzioni::CopiaDati(destinazione.get(), origine.get(), 0, 0, true);
    EXPECT_EQ(destinazione->FieldByName("B")->AsString(), "b3");
    EXPECT_EQ(destinazione->FieldByName("C")->AsString(), "c3");

    // a range of the target's fields only
    Riga(*origine, {"c4", "a4", "b4"});
    Funzioni::CopiaDati(destinazione.get(), origine.get(), 1, 1, true);
    EXPECT_EQ(destinazione->FieldByName("A")->AsString(), "a3");
    EXPECT_EQ(destinazione->FieldByName("B")->AsString(), "b4");
    EXPECT_EQ(destinazione->FieldByName("C")->AsString(), "c3");
}

TEST(CopiaDati, CalculatedFieldOfTheTargetIsNotWritten)
{
    auto origine = Tabella({"A", "Totale"});
    TXMemTable destinazione;
    destinazione.AddField("A", ftString, 10);
    destinazione.AddCalcField("Totale", ftString, 10);
    origine->Open();
    destinazione.Open();
    Riga(*origine, {"a1", "t1"});
    destinazione.Append();
    Funzioni::CopiaDati(&destinazione, origine.get(), 0, 0, true);
    EXPECT_EQ(destinazione.FieldByName("A")->AsString(), "a1");
    EXPECT_TRUE(destinazione.FieldByName("Totale")->AsString().isEmpty());
}

} // namespace

// Funzioni::DatiUguali: the same values however each dataset holds them; any difference found.
TEST(DatiUguali, SameValuesInAnyFormAndEveryDifference)
{
    const auto tabella = [](TFieldType numero) {
        auto t = std::make_unique<TXMemTable>();
        t->AddField("Testo", ftString, 20);
        t->AddField("Numero", numero, 0);
        t->AddField("Vuoto", ftString, 20);
        t->Open();
        t->Append();
        t->Post();
        return t;
    };
    auto a = tabella(ftFloat);
    auto b = tabella(ftInteger); // 2 held as an integer here, as a number with decimals there
    const auto scrivi = [](TDataSet &t, const QString &testo, qint64 numero) {
        t.Edit();
        t.FieldByName("Testo")->SetAsString(testo);
        t.FieldByName("Numero")->SetAsLargeInt(numero);
        t.Post();
    };
    scrivi(*a, QStringLiteral("Caffè"), 2);
    scrivi(*b, QStringLiteral("Caffè"), 2);
    EXPECT_TRUE(Funzioni::DatiUguali(a.get(), b.get()));

    scrivi(*a, QStringLiteral("Caffè €"), 2); // a text beyond Latin-1 on one side only
    EXPECT_FALSE(Funzioni::DatiUguali(a.get(), b.get()));
    scrivi(*b, QStringLiteral("Caffè €"), 2);
    EXPECT_TRUE(Funzioni::DatiUguali(a.get(), b.get()));
    scrivi(*b, QStringLiteral("Caffè €"), 3);
    EXPECT_FALSE(Funzioni::DatiUguali(a.get(), b.get()));
    scrivi(*b, QStringLiteral("Caffè ₤"), 2); // same length, one character apart
    EXPECT_FALSE(Funzioni::DatiUguali(a.get(), b.get()));
    scrivi(*a, QStringLiteral("Caffè 1"), 2);
    scrivi(*b, QStringLiteral("Caffè 2"), 2);
    EXPECT_FALSE(Funzioni::DatiUguali(a.get(), b.get()));
}

// A copy of values the target holds already: a handler of the target's field still sees it,
// and the record is changed for whoever posts it later.
TEST(CopiaDati, ACopyOfTheSameValuesIsStillACopy)
{
    auto origine = Tabella({"A", "B"});
    auto destinazione = Tabella({"A", "B"});
    origine->Open();
    destinazione->Open();
    Riga(*origine, {"a1", "b1"});
    Riga(*destinazione, {"a1", "b1"});

    Funzioni::CopiaDati(destinazione.get(), origine.get(), 0, 0, false);
    EXPECT_TRUE(destinazione->Modified());
    destinazione->Post();

    int visti = 0;
    destinazione->FieldByName("B")->OnChange = [&visti](TField *) { ++visti; };
    Funzioni::CopiaDati(destinazione.get(), origine.get(), 0, 0, true);
    EXPECT_EQ(visti, 1);
    EXPECT_EQ(destinazione->FieldByName("A")->AsString(), "a1");
    EXPECT_EQ(destinazione->FieldByName("B")->AsString(), "b1");
}
