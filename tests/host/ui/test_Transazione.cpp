// A window's save in one call: committed, refused inside another transaction without a word,
// rolled back with its error shown once.
#include "host/ui/Transazione.h"
#include "tests/support/TestDb.h"
#include "tests/support/ui/UiScript.h"

#include <gtest/gtest.h>

using kv8test::UiScript;

namespace {

class Salvataggio : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(tdb);
        db = tdb.Connect();
        db->ExecSQL("CREATE TABLE Righe (Id INTEGER NOT NULL PRIMARY KEY)");
    }
    int Righe() { return db->ScalarValue("SELECT COUNT(*) FROM Righe").toInt(); }
    void Scrivi(int id) { db->ExecSQL("INSERT INTO Righe (Id) VALUES (?)", {id}); }

    TestDb tdb;
    std::unique_ptr<TXDatabase> db;
};

} // namespace

TEST_F(Salvataggio, CommittedOrRolledBackWithTheErrorShownOnce)
{
    UiScript script;
    EXPECT_TRUE(Funzioni::EseguiInTransazione(*db, [&] { Scrivi(1); }));
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Righe(), 1);
    EXPECT_TRUE(script.Messages().isEmpty());

    EXPECT_FALSE(Funzioni::EseguiInTransazione(*db, [&] {
        Scrivi(2);
        throw Exception("Articolo inesistente: correggere il codice e ripetere");
    }));
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Righe(), 1);
    ASSERT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.Messages().at(0).Type, mtError);
    EXPECT_EQ(script.LastText(), "Articolo inesistente: correggere il codice e ripetere");

    // a database error shows its text once too; a silent abort shows nothing
    EXPECT_FALSE(Funzioni::EseguiInTransazione(*db, [&] { Scrivi(1); }));
    EXPECT_EQ(script.Messages().size(), 2);
    EXPECT_FALSE(Funzioni::EseguiInTransazione(*db, [&] {
        Scrivi(3);
        throw EAbort();
    }));
    EXPECT_EQ(script.Messages().size(), 2);
    EXPECT_EQ(Righe(), 1);
}

TEST_F(Salvataggio, InsideAnotherTransactionNothingRunsAndNothingIsShown)
{
    UiScript script;
    db->StartTransaction();
    Scrivi(1);
    bool eseguito = false;
    EXPECT_FALSE(Funzioni::EseguiInTransazione(*db, [&] { eseguito = true; }));
    EXPECT_FALSE(eseguito);
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_TRUE(db->InTransaction()); // the open one goes on
    db->Commit();
    EXPECT_EQ(Righe(), 1);
}
