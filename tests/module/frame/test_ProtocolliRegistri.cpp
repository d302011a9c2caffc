// Protocol counters and register progressives on the company database.
#include "FrameTest.h"

#include "frame/Lumo_funzioni.h"

namespace {

class Protocolli : public FrameDbTest {
protected:
    QVariant Stored(int tipo, int anno, int serie)
    {
        return db->ScalarValue("SELECT Protocollo FROM LUMO_Protocolli WHERE TipoDoc = ? AND Anno = ? AND Serie = ?",
                               {tipo, anno, serie});
    }
    void Seed(int tipo, int anno, int serie, int numero)
    {
        db->ExecSQL("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (?, ?, ?, ?)",
                    {tipo, anno, serie, numero});
    }
};

} // namespace

TEST_F(Protocolli, NewCounterIsCreatedAndProposesOneUntilSet)
{
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 1);
    // the row exists with no number, which reads as 0
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_Protocolli WHERE TipoDoc = 0 AND Anno = 2024 AND Serie = 1"), 1);
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 0);
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 1);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 1, 0));
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 2);
    // another series and another year are other counters
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 2), 1);
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2025, 1), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_Protocolli"), 3);
}

TEST_F(Protocolli, UseNeverLowersAndGiveBackOnlyTheLast)
{
    Seed(0, 2024, 1, 7);
    Seed(0, 2024, 2, 50);
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 8);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 8, 0));
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 8);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 5, 0)); // an older number: kept as is
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 8);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 6, 1)); // not the last: nothing given back
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 8);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 8, 1));
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 7);
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 8);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 20, 2)); // unknown operation
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 7);
    EXPECT_EQ(Stored(0, 2024, 2).toInt(), 50); // the other series untouched

    // a number stored elsewhere since the last read is what the next proposal follows
    auto other = tdb.Connect();
    other->ExecSQL("UPDATE LUMO_Protocolli SET Protocollo = 30 WHERE TipoDoc = 0 AND Anno = 2024 AND Serie = 1");
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 31);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 31, 0));
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 31);
}

TEST_F(Protocolli, MissingCounterOrNoNumberChangesNothing)
{
    EXPECT_FALSE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 9, 3, 0));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_Protocolli"), 0);

    // a getter's -1 handed on is never recorded as a used number
    Seed(0, 2024, 1, 7);
    EXPECT_FALSE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, -1, 0));
    EXPECT_FALSE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 0, 1));
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 7);
}

// A failure is swallowed and leaves the caller's transaction usable, with its earlier writes.
TEST_F(Protocolli, FailureAnswersMinusOneAndFalseInsideATransaction)
{
    Seed(0, 2024, 1, 7);
    db->StartTransaction();
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 8);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 8, 0));
    db->ExecSQL("ALTER TABLE LUMO_Protocolli RENAME TO LUMO_ProtocolliX");
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), -1);
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2025, 1), -1);
    EXPECT_FALSE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, 9, 0));
    db->ExecSQL("ALTER TABLE LUMO_ProtocolliX RENAME TO LUMO_Protocolli");
    EXPECT_EQ(UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1), 9);
    db->Commit();
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 8);
}

// Another user's number stored since this one was read: the next proposal follows it, and a
// number proposed before it was taken fails to be set instead of being used twice.
TEST_F(Protocolli, TwoUsersNeverGetTheSameNumberSilently)
{
    Seed(0, 2024, 1, 7);
    auto otherDb = tdb.Connect();
    TDMILUMO other;
    other.TRS_Protocolli->SetDatabase(otherDb.get());
    auto asOther = [&](auto call) {
        DMILUMO = &other;
        const auto result = call();
        DMILUMO = dm.get();
        return result;
    };

    const int mine = UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1);
    const int theirs = asOther([] { return UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1); });
    EXPECT_EQ(mine, 8);
    EXPECT_EQ(theirs, 8);

    otherDb->StartTransaction();
    EXPECT_TRUE(asOther([&] { return UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, theirs, 0); }));
    otherDb->Commit();

    db->StartTransaction();
    EXPECT_FALSE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, mine, 0));
    db->Rollback();
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 8);

    // a new attempt reads what is stored and goes on from there
    db->StartTransaction();
    const int again = UT_LMQ_GEN_GetProtocolloDoc(0, 2024, 1);
    EXPECT_EQ(again, 9);
    EXPECT_TRUE(UT_LMQ_GEN_SetProtocolloDoc(0, 2024, 1, again, 0));
    db->Commit();
    EXPECT_EQ(Stored(0, 2024, 1).toInt(), 9);
}

// ---------------------------------------------------------------- register progressives

using ProgressiviRegistri = FrameDbTest;

TEST_F(ProgressiviRegistri, MissingReadsZeros)
{
    TUT_LMQ_RG_ProgressiviRegistri p;
    p.IdRaggMag = 9;
    p.IdRegistro = "OLD";
    p.DataUltAgg = QDateTime(QDate(2020, 1, 1), QTime(0, 0));
    p.UltNumRiga = 99;
    db->ExecSQL(
        "INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) VALUES (1, 'IMBO', ?, 5)",
        {QDateTime(QDate(2024, 2, 1), QTime(0, 0))});
    UT_LMQ_RG_LeggoProgReg(1, "CASC", p);
    EXPECT_EQ(p.IdRaggMag, 0);
    EXPECT_EQ(p.IdRegistro, "");
    EXPECT_TRUE(p.DataUltAgg.isNull());
    EXPECT_EQ(p.UltNumRiga, 0);
    UT_LMQ_RG_LeggoProgReg(2, "IMBO", p); // the other grouping
    EXPECT_EQ(p.UltNumRiga, 0);
}

TEST_F(ProgressiviRegistri, WrittenReadAndRewritten)
{
    const QDateTime marzo(QDate(2024, 3, 31), QTime(0, 0));
    const QDateTime gennaio(QDate(2024, 1, 15), QTime(0, 0));
    db->StartTransaction();
    UT_LMQ_RG_ScrivoProgReg(1, "CASC", marzo, 120);
    db->Commit();
    EXPECT_FALSE(dmReg->tProgRegistri->Active());

    UT_LMQ_RG_LeggoProgReg(1, "CASC", UT_LMQ_RG_ProgressiviRegistri);
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.IdRaggMag, 1);
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.IdRegistro, "CASC");
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.DataUltAgg.date(), marzo.date());
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.UltNumRiga, 120);

    // an earlier date overwrites as well; one row per grouping and register
    UT_LMQ_RG_ScrivoProgReg(1, "CASC", gennaio, 40);
    UT_LMQ_RG_ScrivoProgReg(1, "CON12", gennaio, 3);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_ProgRegistri"), 2);
    UT_LMQ_RG_LeggoProgReg(1, "CASC", UT_LMQ_RG_ProgressiviRegistri);
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.DataUltAgg.date(), gennaio.date());
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.UltNumRiga, 40);

    // a write by someone else is seen by the next read
    auto other = tdb.Connect();
    other->ExecSQL("UPDATE LUMO_ProgRegistri SET UltNumRiga = 77 WHERE IdRaggMag = 1 AND IdRegistro = 'CASC'");
    UT_LMQ_RG_LeggoProgReg(1, "CASC", UT_LMQ_RG_ProgressiviRegistri);
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.UltNumRiga, 77);
}

TEST_F(ProgressiviRegistri, RolledBackWriteLeavesNothing)
{
    db->StartTransaction();
    UT_LMQ_RG_ScrivoProgReg(2, "CAUZ", QDateTime(QDate(2024, 6, 30), QTime(0, 0)), 10);
    db->Rollback();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_ProgRegistri"), 0);
    UT_LMQ_RG_LeggoProgReg(2, "CAUZ", UT_LMQ_RG_ProgressiviRegistri);
    EXPECT_EQ(UT_LMQ_RG_ProgressiviRegistri.UltNumRiga, 0);
    // and the next write creates the row again
    UT_LMQ_RG_ScrivoProgReg(2, "CAUZ", QDateTime(QDate(2024, 6, 30), QTime(0, 0)), 10);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_ProgRegistri"), 1);
}
