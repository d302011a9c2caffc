// The demo company's settings and master data as the money helpers and the master-data
// services read them.
#include "host/business/Datiazienda.h"
#include "host/business/Funzionibase.h"
#include "tests/host/business/DatiBaseFixture.h"

namespace {

class DemoAnagrafiche : public DatiBase {
protected:
    void SetUp() override
    {
        DatiBase::SetUp();
        if (!db)
            return;
        SchemaInstaller().LoadDemo(*db);
        ConfigStore::Load(*db);
        Applvar::CaricaDatiAzienda(*db);
    }
};

TEST_F(DemoAnagrafiche, SettingsCurrenciesAndRates)
{
    using namespace Funzioni;
    EXPECT_EQ(CFG.SegnoSconti, -1);
    EXPECT_EQ(GetValoreDefault(QStringLiteral("IdMagazzino")).toInt(), 1);
    EXPECT_EQ(KV8Config::GetFSBAS01().FlSpeseCliente, 1);
    EXPECT_EQ(KV8Config::GetFBPRA01().FlProvvigioni, 1);
    EXPECT_EQ(KV8Config::GetFSBAS03().IdIvaRidotta, QStringLiteral("10"));

    EXPECT_DOUBLE_EQ(GetCambioEURO(QStringLiteral("USD"), QDateTime(QDate(2026, 2, 15), QTime(0, 0))), 0.862);
    EXPECT_DOUBLE_EQ(GetCambioEURO(QStringLiteral("GBP"), QDateTime(QDate(2026, 2, 15), QTime(0, 0))), 1.158);
    EXPECT_THROW(GetCambioEURO(QStringLiteral("CHF"), QDateTime(QDate(2025, 12, 1), QTime(0, 0))), Exception);
}

TEST_F(DemoAnagrafiche, AccountsWithSplitPaymentVatOverrideAndDestinations)
{
    const QDateTime marzo(QDate(2026, 3, 1), QTime(0, 0));
    EXPECT_TRUE(TDMIBCge::Crea()->IvaSplit(QStringLiteral("CL"), QStringLiteral("C0007"), marzo));
    EXPECT_FALSE(TDMIBCge::Crea()->IvaSplit(QStringLiteral("CL"), QStringLiteral("C0001"), marzo));

    TDMIBbas::TIvaSpese codici{QStringLiteral("22"), QStringLiteral("10"), QStringLiteral("22"), QStringLiteral("22"),
                               QStringLiteral("22")};
    ASSERT_TRUE(TDMIBbas::Crea()->IvaSpeseCliente(1, QStringLiteral("CL"), QStringLiteral("C0008"), 2, marzo, codici));
    EXPECT_EQ(codici.Incasso, QStringLiteral("N8"));
    EXPECT_EQ(codici.Trasporto, QStringLiteral("N8"));

    TDMIBase *dm = TDMIBase::Crea();
    EXPECT_TRUE(TDMIBase::Posiziona(dm->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                                    {QStringLiteral("FO"), QStringLiteral("F0002"), 2}));
    TDMIBPra::TDatiProvvigione agente;
    ASSERT_TRUE(TDMIBPra::Crea()->DatiProvvigione(QStringLiteral("AG01"), agente));
    EXPECT_TRUE(agente.BaseImporto);
}

} // namespace
