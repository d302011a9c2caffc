// The parameter record and its loader: a missing row, a stored row read field by field, a
// row changed or removed between loads, and the company's excise code.
#include "frame/Dmilumo.h"
#include "frame/Lumo_parametri.h"
#include "host/db/ConfigStore.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class Parametri : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!tdb.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        db = &DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), tdb.Url());
        SchemaInstaller().Create(*db);
        dm = std::make_unique<TDMILUMO>();
        DMILUMO = dm.get();
        UT_LMQ_Parametri = {};
    }

    void TearDown() override
    {
        dm.reset();
        UT_LMQ_Parametri = {};
        if (db)
            DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
    }

    // Row "1" with a distinct value in every column.
    void ScriviRiga(int base)
    {
        db->ExecSQL(QStringLiteral("DELETE FROM LUMO_Parametri"));
        db->ExecSQL(
            QStringLiteral(
                "INSERT INTO LUMO_Parametri (IdCodice, Password, PathCarImg, FlQtaConf, FlAbilTrasporto, "
                "FlAbilCauz, FlAbilSchedaPro, FlStaRegCon, FlStaRegCs, FlStaRegImb, FlStaRegSpum, FlAbilStatis, "
                "FlAbilPrenota, FlAbilVinifica, FlTipoPrz, MeseIniBilDicGia, LungCodArtPad, FlStaRegCau, "
                "FlAbilAccisa, FlGestEcc) VALUES ('1', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {QStringLiteral("pw%1").arg(base), QStringLiteral("C:/img/%1").arg(base), base + 1, base + 2, base + 3,
             base + 4, base + 5, base + 6, base + 7, base + 8, base + 9, base + 10, base + 11, base + 12, base + 13,
             base + 14, base + 15, base + 16, base + 17});
        DMILUMO->lkLUMO_Parametri->Close(); // as the configuration window does after a save
    }

    static void VerificaRiga(int base)
    {
        const TUT_PLMQ_Parametri &p = UT_LMQ_Parametri;
        EXPECT_EQ(p.Password, QStringLiteral("pw%1").arg(base));
        EXPECT_EQ(p.PathCarImg, QStringLiteral("C:/img/%1").arg(base));
        EXPECT_EQ(p.FlQtaConf, base + 1);
        EXPECT_EQ(p.FlAbilTrasporto, base + 2);
        EXPECT_EQ(p.FlAbilCauz, base + 3);
        EXPECT_EQ(p.FlAbilSchedaPro, base + 4);
        EXPECT_EQ(p.FlStaRegCon, base + 5);
        EXPECT_EQ(p.FlStaRegCs, base + 6);
        EXPECT_EQ(p.FlStaRegImb, base + 7);
        EXPECT_EQ(p.FlStaRegSpum, base + 8);
        EXPECT_EQ(p.FlAbilStatis, base + 9);
        EXPECT_EQ(p.FlAbilPrenota, base + 10);
        EXPECT_EQ(p.FlAbilVinifica, base + 11);
        EXPECT_EQ(p.FlTipoPrz, base + 12);
        EXPECT_EQ(p.MeseIniBilDicGia, base + 13);
        EXPECT_EQ(p.LungCodArtPad, base + 14);
        EXPECT_EQ(p.FlStaRegCau, base + 15);
        EXPECT_EQ(p.FlAbilAccisa, base + 16);
        EXPECT_EQ(p.FlGestEcc, base + 17);
    }

    TestDb tdb;
    TXDatabase *db = nullptr;
    std::unique_ptr<TDMILUMO> dm;
};

TEST_F(Parametri, WithoutRowOneOnlyTheExciseCodeIsFilled)
{
    ConfigStore::SaveConfigVar(*db, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc"),
                               QStringLiteral("IT00ABC123"));
    db->ExecSQL(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilCauz) VALUES ('2', 1)"));
    UT_LMQ_GEN_LeggoParametri();
    const TUT_PLMQ_Parametri vuoto;
    EXPECT_EQ(UT_LMQ_Parametri.FlAbilCauz, 0) << "only row \"1\" is read";
    EXPECT_EQ(UT_LMQ_Parametri.FlGestEcc, vuoto.FlGestEcc);
    EXPECT_EQ(UT_LMQ_Parametri.MeseIniBilDicGia, 0);
    EXPECT_TRUE(UT_LMQ_Parametri.Password.isEmpty());
    EXPECT_TRUE(UT_LMQ_Parametri.PathCarImg.isEmpty());
    EXPECT_EQ(UT_LMQ_Parametri.LMQ_CodAcc, QStringLiteral("IT00ABC123"));
}

TEST_F(Parametri, StoredRowFillsEveryFieldAndChangesAreReadAtTheNextLoad)
{
    ScriviRiga(10);
    UT_LMQ_GEN_LeggoParametri();
    VerificaRiga(10);
    EXPECT_TRUE(UT_LMQ_Parametri.LMQ_CodAcc.isEmpty()) << "no configuration variable";

    ScriviRiga(40);
    UT_LMQ_GEN_LeggoParametri();
    VerificaRiga(40);
}

TEST_F(Parametri, RemovedRowKeepsTheLastValuesButTheExciseCodeIsReadAgain)
{
    ScriviRiga(20);
    UT_LMQ_GEN_LeggoParametri();
    db->ExecSQL(QStringLiteral("DELETE FROM LUMO_Parametri"));
    DMILUMO->lkLUMO_Parametri->Close();
    ConfigStore::SaveConfigVar(*db, QStringLiteral("QARN"), QStringLiteral("01"), QStringLiteral("LMQ_CodAcc"),
                               QStringLiteral("IT99"));
    UT_LMQ_GEN_LeggoParametri();
    VerificaRiga(20);
    EXPECT_EQ(UT_LMQ_Parametri.LMQ_CodAcc, QStringLiteral("IT99"));
}

TEST_F(Parametri, LoaderNeedsTheSharedModule)
{
    dm.reset();
    EXPECT_THROW(UT_LMQ_GEN_LeggoParametri(), Exception);
}

} // namespace
