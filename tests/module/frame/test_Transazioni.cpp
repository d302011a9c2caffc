// The shared routines inside the caller's transaction: after its rollback the counters, the
// cards and the values read once per transaction are what is stored; inside it a card the
// routine wrote is not read again.
#include "FrameTest.h"

#include "frame/Lumo_funzioni.h"
#include "host/core/Errors.h"
#include "host/db/TXTransaction.h"

namespace {

const QDateTime kData(QDate(2024, 5, 10), QTime(0, 0));

class Transazioni : public FrameDbTest {
protected:
    void SetUp() override
    {
        FrameDbTest::SetUp();
        if (IsSkipped())
            return;
        db->ExecSQL("INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)");
        db->ExecSQL("INSERT INTO Clienti (IdContoTp, IdConto, UT_LMQ_FlCauz, UT_LMQ_FlCauDes) "
                    "VALUES ('CL', 'C001', 1, 0)");
        db->ExecSQL("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2024, 1, 7)");
    }

    // A load of 10 crates at 1.2345 for destination 4 of C001.
    static void Carico()
    {
        UT_LMQ_CAUZ_AggiornaProgressivi(kData, "CL", "C001", 4, "EUR", 1, "CAS", 10, 0, 0, 0, 1.2345, 1, 0, 0, 0, 0, 0);
    }
    QVariantMap Scheda(int destinazione, int tipo)
    {
        return Row("SELECT * FROM LUMO_ProgCauz WHERE IdContoTp = 'CL' AND IdConto = 'C001' AND IdDestinazione = ? "
                   "AND IdImballo = 'CAS' AND FlTipoScheda = ?",
                   {destinazione, tipo});
    }
};

} // namespace

TEST_F(Transazioni, ErrorAfterCountersCardsAndReadsLeavesWhatIsStored)
{
    try {
        TXTransaction transazione(*db);
        const int numero = UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1);
        EXPECT_EQ(numero, 8);
        EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, numero, 0));
        EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 2), 1); // a new counter
        // statements of the same save change what the routine reads once per transaction
        db->ExecSQL("UPDATE Divise SET DecValore = 3 WHERE IdDivisa = 'EUR'");
        db->ExecSQL("UPDATE Clienti SET UT_LMQ_FlCauDes = 1 WHERE IdConto = 'C001'");
        Carico();
        EXPECT_DOUBLE_EQ(Scheda(4, 0).value("progvalcar").toDouble(), 12.345);
        throw Exception("errore simulato");
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, "errore simulato");
    }
    ASSERT_FALSE(db->InTransaction());

    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 8);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_Protocolli"), 1);
    EXPECT_FALSE(dm->TRS_ProgCauz->Active() && dm->TRS_ProgCauz->Locate("IdDestinazione", 4));
    // the next save reads the account and the currency as stored: one card set, 2 decimals
    TXTransaction transazione(*db);
    Carico();
    transazione.Commit();
    EXPECT_TRUE(Scheda(4, 0).isEmpty());
    EXPECT_DOUBLE_EQ(Scheda(0, 0).value("progvalcar").toDouble(), 12.35);
    EXPECT_DOUBLE_EQ(Scheda(0, 1).value("progvalcar").toDouble(), 12.35);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_ProgCauz"), 2);
}

TEST_F(Transazioni, CardsWrittenInTheTransactionAreNotReadAgain)
{
    TXTransaction transazione(*db);
    Carico();
    const quint64 prima = db->StatementCount();
    Carico();
    EXPECT_EQ(db->StatementCount() - prima, 0); // the two card updates wait for the commit, nothing read
    transazione.Commit();
    EXPECT_EQ(db->StatementCount() - prima, 1); // both cards in one statement

    // after the commit the cards held are as stored, without a statement
    const quint64 dopo = db->StatementCount();
    TXClientTable *schede = dm->TRS_ProgCauz;
    ASSERT_TRUE(schede->Locate("IdDestinazione;FlTipoScheda", QVariantList{0, 1}));
    EXPECT_DOUBLE_EQ(schede->FieldByName("ProgQtaCar")->AsFloat(), 20.0);
    EXPECT_DOUBLE_EQ(schede->FieldByName("ProgValCar")->AsFloat(), 24.7);
    EXPECT_EQ(db->StatementCount(), dopo);
    EXPECT_DOUBLE_EQ(Scheda(0, 1).value("progvalcar").toDouble(), 24.7);
}
