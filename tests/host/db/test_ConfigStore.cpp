#include "host/core/Applvar.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/db/ConfigStore.h"
#include "tests/support/TestDb.h"

#include <QDate>

#include <gtest/gtest.h>

namespace {

class ConfigStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testDb_.Available())
            return;
        db_ = testDb_.Connect();
        for (const char *ddl :
             {"CREATE TABLE DatiAzienda (IdAzienda SMALLINT NOT NULL PRIMARY KEY, "
              "RagioneSociale VARCHAR(50) NOT NULL DEFAULT '', IdDivisa VARCHAR(3) NOT NULL DEFAULT '', "
              "Anno INTEGER NOT NULL DEFAULT 0, NumScontiRigo SMALLINT NOT NULL DEFAULT 0, "
              "NumScontiTesta SMALLINT NOT NULL DEFAULT 0, DecQuantita SMALLINT NOT NULL DEFAULT 0, "
              "DecQuantita2 SMALLINT NOT NULL DEFAULT 0, DecPrezzoIT SMALLINT NOT NULL DEFAULT 0, "
              "DecPrezzoES SMALLINT NOT NULL DEFAULT 0, DecValoreIT SMALLINT NOT NULL DEFAULT 0, "
              "DecValoreES SMALLINT NOT NULL DEFAULT 0, DecPercentuale SMALLINT NOT NULL DEFAULT 0, "
              "FlMovMagazzino SMALLINT NOT NULL DEFAULT 0, PercBolliTratte FLOAT NOT NULL DEFAULT 0, "
              "MinBolliTratte FLOAT NOT NULL DEFAULT 0, PercBolliTratteES FLOAT NOT NULL DEFAULT 0, "
              "MinBolliTratteES FLOAT NOT NULL DEFAULT 0)",
              "CREATE TABLE Utenti (IdUtente VARCHAR(10) NOT NULL PRIMARY KEY, Nome VARCHAR(50) NOT NULL "
              "DEFAULT '', FlPrivilegi SMALLINT NOT NULL DEFAULT 0)",
              "CREATE TABLE VariabiliConfig (Gruppo VARCHAR(10) NOT NULL, Numero VARCHAR(10) NOT NULL "
              "DEFAULT '', Nome VARCHAR(40) NOT NULL, Valore VARCHAR(255) NOT NULL DEFAULT '', "
              "PRIMARY KEY (Gruppo, Numero, Nome))",
              "CREATE TABLE ParametriHost (Sezione VARCHAR(10) NOT NULL, Nome VARCHAR(40) NOT NULL, "
              "Valore VARCHAR(255) NOT NULL DEFAULT '', PRIMARY KEY (Sezione, Nome))"})
            db_->ExecSQL(QString::fromLatin1(ddl));
        savedCfg_ = CFG;
        savedUser_ = gUtente;
    }

    void TearDown() override
    {
        CFG = savedCfg_;
        gUtente = savedUser_;
        KV8Config::Clear();
    }

    int Count(const QString &table)
    {
        return db_->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
    }

    TestDb testDb_;
    std::unique_ptr<TXDatabase> db_;
    TCFG savedCfg_;
    TUtente savedUser_;
};

} // namespace

TEST_F(ConfigStoreTest, CompanyDefaultsWhenNothingIsStored)
{
    KV8_REQUIRE_DB(testDb_);
    CFG.IdDivisa = QStringLiteral("USD");
    CFG.DecQuantita = 7;
    ConfigStore::LoadCompany(*db_);
    EXPECT_EQ(CFG.IdDivisa, QStringLiteral("EUR"));
    EXPECT_EQ(CFG.DecQuantita, TCFG().DecQuantita);
    EXPECT_EQ(CFG.Anno, QDate::currentDate().year());
}

TEST_F(ConfigStoreTest, CompanyRecordRoundTripsAndDrivesTheDecimals)
{
    KV8_REQUIRE_DB(testDb_);
    TCFG c;
    c.RagioneSociale = QStringLiteral("Cantina dell'Ovest S.r.l.");
    c.Anno = 2023;
    c.NumScontiRigo = 2;
    c.NumScontiTesta = 1;
    c.DecQuantita = 2;
    c.DecPrezzoIT = 5;
    c.DecValoreIT = 0;
    c.FlMovMagazzino = 0;
    c.PercBolliTratte = 1.2;
    c.MinBolliTratte = 2.5;
    ConfigStore::SaveCompany(*db_, c);
    c.DecQuantita2 = 1; // saved again: the row is updated, not doubled
    ConfigStore::SaveCompany(*db_, c);
    EXPECT_EQ(Count(QStringLiteral("DatiAzienda")), 1);

    ConfigStore::LoadCompany(*db_);
    EXPECT_EQ(CFG.RagioneSociale, c.RagioneSociale);
    EXPECT_EQ(CFG.IdDivisa, QStringLiteral("EUR"));
    EXPECT_EQ(CFG.Anno, 2023);
    EXPECT_EQ(CFG.NumScontiRigo, 2);
    EXPECT_EQ(CFG.NumScontiTesta, 1);
    EXPECT_EQ(CFG.FlMovMagazzino, 0);
    EXPECT_DOUBLE_EQ(CFG.PercBolliTratte, 1.2);
    EXPECT_DOUBLE_EQ(CFG.MinBolliTratte, 2.5);
    EXPECT_EQ(KFormati::GetDecimali(KFormati::fnQuantita), 2);
    EXPECT_EQ(KFormati::GetDecimali(KFormati::fnQuantita2), 1);
    EXPECT_EQ(KFormati::GetDecimali(KFormati::fnPrezzoIT), 5);
    EXPECT_EQ(KFormati::GetDecimali(KFormati::fnValoreIT), 0);
}

TEST_F(ConfigStoreTest, UnusableStoredCompanyValuesKeepTheirDefaults)
{
    KV8_REQUIRE_DB(testDb_);
    db_->ExecSQL(QStringLiteral("INSERT INTO DatiAzienda (IdAzienda, IdDivisa, Anno, DecQuantita, DecValoreIT) "
                                "VALUES (1, '', 0, -1, 12)"));
    ConfigStore::LoadCompany(*db_);
    EXPECT_EQ(CFG.IdDivisa, QStringLiteral("EUR"));
    EXPECT_EQ(CFG.Anno, QDate::currentDate().year());
    EXPECT_EQ(CFG.DecQuantita, TCFG().DecQuantita);
    EXPECT_EQ(CFG.DecValoreIT, TCFG().DecValoreIT);
}

TEST_F(ConfigStoreTest, SettingsLoadIntoKV8Config)
{
    KV8_REQUIRE_DB(testDb_);
    ConfigStore::SaveSetting(*db_, QStringLiteral("FSBAS01"), QStringLiteral("DivisoreVolume"), 1000000);
    ConfigStore::SaveSetting(*db_, QStringLiteral("FSBAS03"), QStringLiteral("IdIvaRidotta"), QStringLiteral("10"));
    ConfigStore::SaveSetting(*db_, QStringLiteral("FBPRA01"), QStringLiteral("FlProvvigioni"), true);
    ConfigStore::LoadSettings(*db_);
    EXPECT_EQ(KV8Config::GetFSBAS01().DivisoreVolume, 1000000);
    EXPECT_EQ(KV8Config::GetFSBAS03().IdIvaRidotta, QStringLiteral("10"));
    EXPECT_EQ(KV8Config::GetFBPRA01().FlProvvigioni, 1);
    EXPECT_EQ(KV8Config::GetFSORC01().FlControlloEccedenza, 1); // not stored: default

    // a reload reflects the table as it is now, settings removed included
    ConfigStore::SaveSetting(*db_, QStringLiteral("FBPRA01"), QStringLiteral("FlProvvigioni"), 0);
    db_->ExecSQL(QStringLiteral("DELETE FROM ParametriHost WHERE Sezione = ?"), {QStringLiteral("FSBAS03")});
    ConfigStore::LoadSettings(*db_);
    EXPECT_EQ(KV8Config::GetFBPRA01().FlProvvigioni, 0);
    EXPECT_EQ(KV8Config::GetFSBAS03().IdIvaRidotta, QString());
    EXPECT_EQ(Count(QStringLiteral("ParametriHost")), 2);
}

TEST_F(ConfigStoreTest, UserAndPrivilege)
{
    KV8_REQUIRE_DB(testDb_);
    ConfigStore::SaveUser(*db_, TUtente{QStringLiteral("ADMIN"), QStringLiteral("Amministratore"), 1});
    ConfigStore::SaveUser(*db_, TUtente{QStringLiteral("MARIO"), QStringLiteral("Mario Rossi"), 0});

    ASSERT_TRUE(ConfigStore::LoadUser(*db_, QStringLiteral("ADMIN")));
    EXPECT_EQ(gUtente.IdUtente, QStringLiteral("ADMIN"));
    EXPECT_EQ(gUtente.Nome, QStringLiteral("Amministratore"));
    EXPECT_EQ(gUtente.FlPrivilegi, 1);

    ASSERT_TRUE(ConfigStore::LoadUser(*db_, QStringLiteral("MARIO")));
    EXPECT_EQ(gUtente.FlPrivilegi, 0);

    ConfigStore::SaveUser(*db_, TUtente{QStringLiteral("MARIO"), QStringLiteral("Mario Rossi"), 1});
    ASSERT_TRUE(ConfigStore::LoadUser(*db_, QStringLiteral("MARIO")));
    EXPECT_EQ(gUtente.FlPrivilegi, 1);

    // an unknown user never keeps the privilege of the one before
    EXPECT_FALSE(ConfigStore::LoadUser(*db_, QStringLiteral("X' OR '1'='1")));
    EXPECT_EQ(gUtente.IdUtente, QStringLiteral("X' OR '1'='1"));
    EXPECT_EQ(gUtente.FlPrivilegi, 0);
    EXPECT_EQ(Count(QStringLiteral("Utenti")), 2);
}

TEST_F(ConfigStoreTest, ConfigurationVariables)
{
    KV8_REQUIRE_DB(testDb_);
    EXPECT_EQ(
        Funzioni::LeggiConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc")),
        QString());

    ConfigStore::SaveConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc"),
                               QStringLiteral("IT00ABC12345X"));
    ConfigStore::SaveConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("02"), QStringLiteral("LMQ_CodAcc"),
                               QStringLiteral("altro"));
    EXPECT_EQ(
        Funzioni::LeggiConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc")),
        QStringLiteral("IT00ABC12345X"));
    EXPECT_EQ(
        Funzioni::LeggiConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("02"), QStringLiteral("LMQ_CodAcc")),
        QStringLiteral("altro"));
    EXPECT_EQ(Funzioni::LeggiConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("Altra")),
              QString());

    ConfigStore::SaveConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc"),
                               QStringLiteral("IT'99"));
    EXPECT_EQ(
        Funzioni::LeggiConfigVar(*db_, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc")),
        QStringLiteral("IT'99"));
    EXPECT_EQ(Count(QStringLiteral("VariabiliConfig")), 2);
}
