#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "tests/host/core/Printers.h"

#include <QDate>

#include <gtest/gtest.h>

class Settings : public ::testing::Test {
protected:
    void SetUp() override { KV8Config::Clear(); }
    void TearDown() override { KV8Config::Clear(); }
};

TEST_F(Settings, DefaultsWithoutAnyStoredSetting)
{
    EXPECT_EQ(KV8Config::GetFSBAS01().DivisoreVolume, 1);
    EXPECT_EQ(KV8Config::GetFSBAS01().FlDettaglioQta, 0);
    EXPECT_EQ(KV8Config::GetFSBAS03().IdIvaRidotta, QString());
    EXPECT_EQ(KV8Config::GetFBPRA01().FlProvvigioni, 0);
    EXPECT_EQ(KV8Config::GetFSCON01().TipoRigoCONAI1, -1);
    EXPECT_EQ(KV8Config::GetFBBAS08().TipoRigoRAEE, -1);
    EXPECT_EQ(KV8Config::GetFSORC01().FlControlloEccedenza, 1);
    EXPECT_EQ(TXKV8Config::GetFSDBA01().FlComponentiValidi, 1);
    EXPECT_EQ(KV8Config::GetFBBAS07().LimiteRicerca, 0);
}

TEST_F(Settings, StoredValuesAreFoundWithoutRegardToCase)
{
    KV8Config::Set(QStringLiteral("fsbas01"), QStringLiteral("DIVISOREVOLUME"), QStringLiteral("1000000"));
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 1);
    KV8Config::Set(QStringLiteral("FSBAS03"), QStringLiteral("IdIvaRidotta"), QStringLiteral("10"));
    KV8Config::Set(QStringLiteral("FSCON01"), QStringLiteral("TipoRigoCONAI2"), QStringLiteral(" 22 "));
    EXPECT_EQ(KV8Config::GetFSBAS01().DivisoreVolume, 1000000);
    EXPECT_EQ(KV8Config::GetFSBAS01().FlDettaglioQta, 1);
    EXPECT_EQ(KV8Config::GetFSBAS03().IdIvaRidotta, QStringLiteral("10"));
    EXPECT_EQ(KV8Config::GetFSCON01().TipoRigoCONAI2, 22);
    EXPECT_EQ(KV8Config::Value(QStringLiteral("FsBas03"), QStringLiteral("idivaridotta")).toString(),
              QStringLiteral("10"));
    EXPECT_EQ(KV8Config::Value(QStringLiteral("FSBAS03"), QStringLiteral("Missing"), 5).toInt(), 5);

    KV8Config::Clear();
    EXPECT_EQ(KV8Config::GetFSBAS01().DivisoreVolume, 1);
}

TEST_F(Settings, UnusableStoredValuesReadTheirDefault)
{
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("DivisoreVolume"), QStringLiteral("0"));
    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlControlloEccedenza"), QStringLiteral("abc"));
    KV8Config::Set(QStringLiteral("FBPRA01"), QStringLiteral("FlProvvigioni"), QVariant());
    EXPECT_EQ(KV8Config::GetFSBAS01().DivisoreVolume, 1); // a divisor is never 0
    EXPECT_EQ(KV8Config::GetFSORC01().FlControlloEccedenza, 1);
    EXPECT_EQ(KV8Config::GetFBPRA01().FlProvvigioni, 0);
}

TEST(CompanySettings, DefaultsMakeSenseWithoutADatabase)
{
    const TCFG defaults;
    EXPECT_EQ(defaults.IdDivisa, QStringLiteral("EUR"));
    EXPECT_EQ(defaults.Anno, QDate::currentDate().year());
    EXPECT_EQ(defaults.DecValoreIT, 2);
    EXPECT_EQ(defaults.DecValoreES, 4);
    EXPECT_GT(defaults.NumScontiRigo, 0);
    EXPECT_EQ(&Applvar::CFG, &CFG);
    EXPECT_EQ(&Kutfunctions::gUtente, &gUtente);
    EXPECT_EQ(TUtente().FlPrivilegi, 0); // no privilege until a user is loaded
}
