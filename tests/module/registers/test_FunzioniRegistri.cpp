// The routines the register dialogs and prints share, through their public effects.
#include "tests/module/registers/RegistriFixture.h"

#include "frame/Dmilumo.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/MDIForm.h"
#include "registers/Lumo_registri.h"

#include <stdexcept>

using namespace kv8test;

namespace {

class FunzioniRegistri : public EsercizioRegistri {
protected:
    void SetUp() override
    {
        EsercizioRegistri::SetUp();
        if (IsSkipped())
            return;
        GruppoCantina();
        TDMILUMO::Crea();
        DMILUMO->lkLUMO_RaggMagT->Open(); // as the dialogs open it
    }
    void TearDown() override
    {
        delete DMILUMO.data(); // made here, not by a window: the next test starts without it
        EsercizioRegistri::TearDown();
    }
};

} // namespace

TEST_F(FunzioniRegistri, ATypedGroupingIsNoneKnownOrRefused)
{
    EXPECT_FALSE(UT_LMQ_RG_GruppoDigitato(0)) << "none yet: the run asks for one";
    EXPECT_TRUE(UT_LMQ_RG_GruppoDigitato(1));
    try {
        UT_LMQ_RG_GruppoDigitato(7);
        ADD_FAILURE() << "an unknown grouping is accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, QStringLiteral("Codice Raggruppamento non trovato"));
    }
}

TEST_F(FunzioniRegistri, AJobHoldsItsFlagUntilItEndsEvenOnAnError)
{
    bool inCorso = false;
    try {
        TLavoroInCorso lavoro(inCorso);
        EXPECT_TRUE(inCorso);
        throw std::runtime_error("interrotto");
    } catch (const std::runtime_error &) {
    }
    EXPECT_FALSE(inCorso) << "a failed job leaves its window free to close and to run again";
}

TEST_F(FunzioniRegistri, WorkAndStoredTablesAreNamedAndBoundAsTheRunsNeed)
{
    QObject owner;
    TXTable *locale = UT_LMQ_RG_TabellaLocale(&owner, QStringLiteral("LUMO_t_RegCsTot"));
    EXPECT_EQ(locale->Name(), QStringLiteral("TTRegCsTot"));
    EXPECT_EQ(locale->DatabaseName(), QStringLiteral("LocalDatabase"));
    EXPECT_FALSE(locale->XAutoApply()) << "rows written once at the end";
    TXClientTable *archivio = UT_LMQ_RG_TabellaArchivio(&owner, QStringLiteral("LUMO_ProgRegCsT"),
                                                        QStringLiteral("KProgRegT = -1"));
    EXPECT_EQ(archivio->DatabaseName(), QStringLiteral("GlobalDatabase"));
    archivio->Open();
    EXPECT_EQ(archivio->RecordCount(), 0) << "opened on the empty selection";
}

TEST_F(FunzioniRegistri, TheDotMatrixPassVisitsEveryRowAndClosesItsProgressOnAnError)
{
    Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('ROS', 'Vino rosso'), ('BIA', 'Vino bianco')"));
    QObject owner;
    TXQuery *q = UT_LMQ_RG_Query(&owner, QStringLiteral("qCat"), QStringLiteral("GlobalDatabase"),
                                 {QStringLiteral("SELECT IdCatVin FROM LUMO_CatVin"), QStringLiteral("ORDER BY IdCatVin")});
    QStringList viste;
    UT_LMQ_RG_StampaRighe(q, [&] {
        EXPECT_TRUE(Mdimainbase::MDIForm->ProgressActive());
        viste << q->FieldByName(QStringLiteral("IdCatVin"))->AsString();
    });
    EXPECT_EQ(viste, (QStringList{"BIA", "ROS"}));
    EXPECT_FALSE(Mdimainbase::MDIForm->ProgressActive());

    viste.clear();
    Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('SPU', 'Spumante')"));
    EXPECT_THROW(UT_LMQ_RG_StampaRighe(q, [&] { throw Exception(QStringLiteral("carta finita")); }), Exception);
    EXPECT_FALSE(Mdimainbase::MDIForm->ProgressActive()) << "the progress bar does not outlive a failed print";
    UT_LMQ_RG_StampaRighe(q, [&] { viste << q->FieldByName(QStringLiteral("IdCatVin"))->AsString(); });
    EXPECT_EQ(viste.size(), 3) << "the rows are read again on each pass";
}
