// The module's weight and volume of a document head, created through the registry as the
// host does (TDMISBas::Crea): rows read locally or stored, packing lists counted once,
// and when the head is written.
#include "EngineTest.h"

#include "engine/Dmi_sbas_p.h"
#include "host/core/KV8Config.h"
#include "host/data/TXMemTable.h"
#include "host/ui/ModuleAbi.h"

namespace {

class PesiModulo : public EngineDbTest {
protected:
    void SetUp() override
    {
        EngineDbTest::SetUp();
        if (IsSkipped())
            return;
        Initialize();
        KV8Config::Set(QStringLiteral("FSCON01"), QStringLiteral("TipoRigoCONAI1"), 7);
        KV8Config::Set(QStringLiteral("FSCON01"), QStringLiteral("TipoRigoCONAI2"), 8);
        KV8Config::Set(QStringLiteral("FBBAS08"), QStringLiteral("TipoRigoRAEE"), 9);
        Esegui(QStringLiteral("INSERT INTO PackingTeste (KPackingT, NumeroColli, PesoLordo, PesoNetto, TotaleVolume) "
                              "VALUES (5, 3, 30, 25, 1.25), (6, 1, 7, 6, 0.5)"));
        Esegui(QStringLiteral("INSERT INTO PackingRighe (KPackingR, KPackingT) VALUES (11, 5), (12, 5), (13, 6)"));
        ApriTesta();
        testa->FieldByName(QStringLiteral("KBolleCliT"))->SetAsInteger(1);
        ApriRighe();
    }

    void TearDown() override
    {
        delete DMISBas.data();
        KV8Config::Clear();
        EngineDbTest::TearDown();
    }

    void RigaPeso(double lordo, double netto, double volume, const QString &unita, int tipoRigo = 0, int packing = 0,
                  int stato = 2)
    {
        Riga({{"KBolleCliT", 1},
              {"NumOrdine", righe->RecordCount() + 1},
              {"TipoRigo", tipoRigo},
              {"PesoLordo", lordo},
              {"PesoNetto", netto},
              {"Volume", volume},
              {"UmVolume", unita},
              {"NumeroImballi", 1},
              {"KPackingR", packing}},
             stato);
    }

    void Calcola(int confronto, int tipo, bool locale, bool chiedi)
    {
        TDMISBas::Crea()->CalcolaPesiVolumeTestaDoc(testa.get(), confronto, tipo, locale, chiedi);
    }

    void Pesi(double lordo, double netto, double volume)
    {
        Testa({{"PesoLordo", lordo}, {"PesoNetto", netto}, {"TotaleVolume", volume}});
    }
    void AttesiPesi(double lordo, double netto, double volume)
    {
        EXPECT_DOUBLE_EQ(testa->FieldByName(QStringLiteral("PesoLordo"))->AsFloat(), lordo);
        EXPECT_DOUBLE_EQ(testa->FieldByName(QStringLiteral("PesoNetto"))->AsFloat(), netto);
        EXPECT_NEAR(testa->FieldByName(QStringLiteral("TotaleVolume"))->AsFloat(), volume, 1e-9);
    }

    // The local rows stored as the document's rows.
    void Memorizza()
    {
        Esegui(QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale) VALUES (1, 'DDT')"));
        int k = 0;
        for (righe->First(); !righe->Eof(); righe->Next())
            Esegui(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, PesoLordo, "
                                  "PesoNetto, Volume, UmVolume, KPackingR) VALUES (?, 1, ?, ?, ?, ?, ?, ?, ?)"),
                   {++k, k, righe->FieldByName(QStringLiteral("TipoRigo"))->AsInteger(),
                    righe->FieldByName(QStringLiteral("PesoLordo"))->AsFloat(),
                    righe->FieldByName(QStringLiteral("PesoNetto"))->AsFloat(),
                    righe->FieldByName(QStringLiteral("Volume"))->AsFloat(),
                    righe->FieldByName(QStringLiteral("UmVolume"))->AsString(),
                    righe->FieldByName(QStringLiteral("KPackingR"))->AsInteger()});
    }

    kv8test::UiScript ui;
};

TEST_F(PesiModulo, TheRegistryCreatesTheModulesWeights)
{
    EXPECT_NE(qobject_cast<TDMISBas_p *>(TDMISBas::Crea()), nullptr);
}

TEST_F(PesiModulo, AnEmptyHeadIsFilledFromTheCountedRowsWithoutAQuestion)
{
    RigaPeso(10, 8, 0.5, QStringLiteral("mc"));
    RigaPeso(5, 4, 500000, QStringLiteral("dm3"));
    RigaPeso(100, 100, 9, QStringLiteral("MC"), 0, 0, 3); // deleted
    RigaPeso(50, 50, 9, QStringLiteral("MC"), 7);         // packaging contribution
    RigaPeso(50, 50, 9, QStringLiteral("MC"), 8);
    RigaPeso(50, 50, 9, QStringLiteral("MC"), 9); // electrical-waste tax
    Testa({{"NumeroColli", 4}});
    Calcola(0, 0, true, true);
    AttesiPesi(15, 12, 1.0);
    EXPECT_EQ(testa->FieldByName(QStringLiteral("NumeroColli"))->AsInteger(), 4);
    EXPECT_TRUE(ui.Messages().isEmpty());
}

TEST_F(PesiModulo, VolumesInAnotherUnitCountAMillionth)
{
    for (int i = 0; i < 3; ++i)
        RigaPeso(0, 0, 500000, QString());
    RigaPeso(0, 0, 0.5, QStringLiteral("MC"));
    Calcola(0, 0, true, false);
    AttesiPesi(0, 0, 2.0);
}

TEST_F(PesiModulo, APackingListCountsOnceReadLocallyOrStored)
{
    RigaPeso(1000, 1000, 10, QStringLiteral("MC"), 0, 11);
    RigaPeso(1000, 1000, 10, QStringLiteral("MC"), 0, 12); // the same packing list
    RigaPeso(2, 1, 0.25, QStringLiteral("MC"));
    Calcola(0, 0, true, false);
    AttesiPesi(32, 26, 1.5);

    Memorizza();
    Pesi(0, 0, 0);
    Calcola(0, 0, false, false);
    AttesiPesi(32, 26, 1.5);
}

TEST_F(PesiModulo, DifferentValuesAreWrittenOnlyAfterYes)
{
    RigaPeso(10, 8, 1, QStringLiteral("MC"));
    Pesi(3, 2, 1);
    Calcola(0, 0, true, false); // not asked: nothing written
    AttesiPesi(3, 2, 1);
    EXPECT_TRUE(ui.Messages().isEmpty());

    const QString domanda =
        QStringLiteral("Il totale colli, pesi, volume presente risulta diverso da quello ricalcolato.\n"
                       "Si vuole aggiornare il documento con i valori ricalcolati ? ");
    ui.No(domanda);
    Calcola(0, 0, true, true);
    AttesiPesi(3, 2, 1);
    ui.Yes(domanda);
    Calcola(1, 0, true, true);
    AttesiPesi(10, 8, 1);

    // equal at 3 decimals, and a head that differs only in its parcels: no question
    Pesi(10.0004, 8, 1);
    Testa({{"NumeroColli", 9}});
    Calcola(1, 0, true, true);
    AttesiPesi(10.0004, 8, 1);
    EXPECT_EQ(testa->FieldByName(QStringLiteral("NumeroColli"))->AsInteger(), 9);
}

TEST_F(PesiModulo, NoRowsReadZeroAndAPickingListIsAlwaysOverwritten)
{
    Pesi(3, 2, 1);
    ui.Yes();
    Calcola(1, 0, true, true);
    AttesiPesi(0, 0, 0);

    ui.ClearMessages();
    TabellaLocale(QStringLiteral("t_LPRPrelieviR"), QStringLiteral("LPRPrelieviR"));
    Pesi(9, 9, 9);
    DMIDataBases::Instance().Local().ExecSQL(QStringLiteral(
        "INSERT INTO t_LPRPrelieviR (KPrelieviR, KPrelieviT, Stato, PesoLordo, PesoNetto, Volume, UmVolume) "
        "VALUES (1, 1, 0, 4, 3, 0.5, 'MC')"));
    Calcola(1, 16, true, false);
    AttesiPesi(4, 3, 0.5);
    EXPECT_TRUE(ui.Messages().isEmpty());
}

TEST_F(PesiModulo, StoredOrdersAreSelectedByTheirHeadAndOtherKindsChangeNothing)
{
    Esegui(
        QStringLiteral("INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, PesoLordo, PesoNetto) VALUES "
                       "(1, 1, 1, 4, 3), (2, 1, 2, 1, 1), (3, 2, 1, 50, 50)"));
    TXMemTable ordine;
    for (const char *campo : {"PesoLordo", "PesoNetto", "TotaleVolume"})
        ordine.AddField(QLatin1String(campo), ftFloat);
    ordine.AddField(QStringLiteral("KOrdiniCliT"), ftInteger);
    ordine.Open();
    ordine.Append();
    ordine.FieldByName(QStringLiteral("KOrdiniCliT"))->SetAsInteger(1);
    TDMISBas::Crea()->CalcolaPesiVolumeTestaDoc(&ordine, 0, 2, false, false);
    EXPECT_DOUBLE_EQ(ordine.FieldByName(QStringLiteral("PesoLordo"))->AsFloat(), 5);
    EXPECT_DOUBLE_EQ(ordine.FieldByName(QStringLiteral("PesoNetto"))->AsFloat(), 4);

    RigaPeso(10, 8, 1, QStringLiteral("MC"));
    Pesi(3, 2, 1);
    Calcola(0, 6, true, true);
    AttesiPesi(3, 2, 1);
    EXPECT_TRUE(ui.Messages().isEmpty());
}

} // namespace
