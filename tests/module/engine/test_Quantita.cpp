// Quantities and litres of document rows, litres and parcels of a document.
#include "EngineTest.h"

#include "engine/Lumo_funzordcli.h"

namespace {

class Quantita : public EngineDbTest {
protected:
    void SetUp() override
    {
        EngineDbTest::SetUp();
        if (IsSkipped())
            return;
        Bottiglia(QStringLiteral("B075"), 0.75);
        Bottiglia(QStringLiteral("BX"), 0.12345);
        for (int tipo = 0; tipo <= 4; ++tipo)
            Articolo(QStringLiteral("M%1").arg(tipo), tipo, QStringLiteral("B075"));
        Articolo(QStringLiteral("VINO"), 1, QStringLiteral("BX"));
        Articolo(QStringLiteral("SFUSO"), 1, QString(), 4);
        Articolo(QStringLiteral("TAPPI"), 1);
    }

    // The quantity the routine gives a new row of the article.
    double QuantitaDi(const QString &articolo, double pezzi, double confezioni, double larghezza, double altezza,
                      int divisore)
    {
        Riga({{"IdProdotto", articolo},
              {"Quantita2", pezzi},
              {"Lunghezza", confezioni},
              {"Larghezza", larghezza},
              {"Altezza", altezza}});
        UT_LMQ_DVEN_CalcoloQuantita(righe->FieldByName(QStringLiteral("Lunghezza")), divisore);
        const double q = righe->FieldByName(QStringLiteral("Quantita"))->AsFloat();
        righe->Post();
        return q;
    }
};

TEST_F(Quantita, MeasureTypesGivePackagesTimesTheirDimensions)
{
    ApriRighe();
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M1"), 6, 2, 5, 7, 1), 12);
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M0"), 6, 2, 5, 7, 1), 12) << "type 0 counts as 1";
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M4"), 6, 2, 5, 7, 1), 12) << "a type above 3 counts as 1";
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M2"), 2, 3, 4, 7, 1), 24);
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M3"), 1, 2, 3, 4, 4), 6);
}

TEST_F(Quantita, DivisorNotAboveZeroCountsAsOne)
{
    ApriRighe();
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M3"), 1, 2, 3, 4, 0), 24);
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M3"), 1, 2, 3, 4, -4), 24);
}

TEST_F(Quantita, NoPiecesPerPackageBecomesOneAndTheRowStaysInEdit)
{
    ApriRighe();
    Riga({{"IdProdotto", QStringLiteral("M1")}, {"Quantita2", 0}, {"Lunghezza", 3}});
    ASSERT_EQ(righe->State(), dsBrowse);
    UT_LMQ_DVEN_CalcoloQuantita(righe->FieldByName(QStringLiteral("Quantita2")), 1);
    EXPECT_EQ(righe->State(), dsEdit) << "posting is the window's";
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("Quantita2"))->AsFloat(), 1);
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 3);
}

TEST_F(Quantita, QuantityRoundedToItsDecimals)
{
    CFG.DecQuantita = 3;
    ApriRighe();
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M3"), 1, 1, 1, 2, 3), 0.667);
    CFG.DecQuantita = 0;
    EXPECT_DOUBLE_EQ(QuantitaDi(QStringLiteral("M3"), 1, 1, 1, 2, 3), 1);
}

TEST_F(Quantita, OrderVariantWorksOnTheOrderQuantities)
{
    ApriRighe(QStringLiteral("t_RigheOrdCli"), QStringLiteral("OrdiniCliRighe"));
    Riga({{"IdProdotto", QStringLiteral("M3")},
          {"Quantita2Ord", 0},
          {"Lunghezza", 2},
          {"Larghezza", 3},
          {"Altezza", 4}});
    UT_LMQ_DORC_CalcoloQuantita(righe->FieldByName(QStringLiteral("Lunghezza")), 4);
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("Quantita2Ord"))->AsFloat(), 1);
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("QuantitaOrd"))->AsFloat(), 6);
    // the order routine finds no document quantity to write
    EXPECT_EQ(righe->FindField(QStringLiteral("Quantita")), nullptr);

    UT_LMQ_DORC_TotLitriRiga(righe.get());
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))->AsFloat(), 4.5);
}

TEST_F(Quantita, RowLitresFromTheBottleUnrounded)
{
    ApriRighe();
    Riga({{"NumOrdine", 1}, {"IdProdotto", QStringLiteral("VINO")}, {"Quantita", 3}});
    righe->Edit();
    UT_LMQ_DVEN_TotLitriRiga(righe.get());
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))->AsFloat(), 3 * 0.12345);
}

TEST_F(Quantita, BulkArticleCountsItsQuantityAsLitres)
{
    ApriRighe();
    Riga({{"IdProdotto", QStringLiteral("SFUSO")}, {"Quantita", 225.5}});
    righe->Edit();
    UT_LMQ_DVEN_TotLitriRiga(righe.get());
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))->AsFloat(), 225.5);
}

TEST_F(Quantita, ArticleWithoutBottleHasNoLitresAndRowWithoutArticleKeepsItsOwn)
{
    ApriRighe();
    Riga({{"IdProdotto", QStringLiteral("TAPPI")}, {"Quantita", 10}, {"UT_LMQ_TotLit", 9}});
    righe->Edit();
    UT_LMQ_DVEN_TotLitriRiga(righe.get());
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))->AsFloat(), 0);
    righe->Post();

    Riga({{"Descrizione", QStringLiteral("Vino sfuso a parte")}, {"Quantita", 10}, {"UT_LMQ_TotLit", 4.5}});
    righe->Edit();
    UT_LMQ_DVEN_TotLitriRiga(righe.get());
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))->AsFloat(), 4.5);
}

TEST_F(Quantita, BrowsedRowIsLeftAlone)
{
    ApriRighe();
    Riga({{"IdProdotto", QStringLiteral("VINO")}, {"Quantita", 3}, {"UT_LMQ_TotLit", 1}});
    UT_LMQ_DVEN_TotLitriRiga(righe.get());
    EXPECT_EQ(righe->State(), dsBrowse);
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))->AsFloat(), 1);
}

TEST_F(Quantita, DocumentLitresSumEveryLiveRowUnrounded)
{
    ApriTesta();
    Testa({{"UT_LMQ_TotLit", 99}});
    ApriRighe();
    Riga({{"NumOrdine", 1}, {"IdProdotto", QStringLiteral("VINO")}, {"UT_LMQ_TotLit", 0.37035}});
    Riga({{"NumOrdine", 2}, {"Descrizione", QStringLiteral("senza articolo")}, {"UT_LMQ_TotLit", 4.5}});
    Riga({{"NumOrdine", 3}, {"IdProdotto", QStringLiteral("M1")}, {"UT_LMQ_TotLit", 2.25}});
    Riga({{"NumOrdine", 4}, {"IdProdotto", QStringLiteral("M1")}, {"UT_LMQ_TotLit", 1000}}, 3);
    UT_LMQ_DVEN_TotLitriDoc(testa.get(), righe.get());
    EXPECT_DOUBLE_EQ(testa->FieldByName(QStringLiteral("UT_LMQ_TotLit"))->AsFloat(), 0.37035 + 4.5 + 2.25)
        << "the deleted row is not counted";
    EXPECT_TRUE(righe->Eof());
    EXPECT_FALSE(righe->ControlsDisabled());
}

class NumeroColli : public Quantita {
protected:
    void SetUp() override
    {
        Quantita::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, UT_LMQ_FlNumCol) VALUES "
                              "('D0', 'nessuno', 0), ('D1', 'confezioni', 1), ('D2', 'pezzi', 2), ('D9', 'altro', 9)"));
        Esegui(QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, DsCausale, UT_LMQ_FlNumCol) VALUES "
                              "('D1', 'pezzi in fattura', 2)"));
        ApriTesta();
        ApriRighe();
        Riga({{"NumOrdine", 1}, {"IdProdotto", QStringLiteral("M1")}, {"Lunghezza", 5}, {"Quantita", 60}});
        Riga({{"NumOrdine", 2}, {"IdProdotto", QStringLiteral("M1")}, {"Lunghezza", 0}, {"Quantita", 12}});
        Riga({{"NumOrdine", 3}, {"Descrizione", QStringLiteral("trasporto")}, {"Lunghezza", 3}, {"Quantita", 7}});
        Riga({{"NumOrdine", 4}, {"IdProdotto", QStringLiteral("M1")}, {"Lunghezza", 100}, {"Quantita", 100}}, 3);
    }

    double Colli(const QString &causale, const QString &sigla)
    {
        Testa({{"IdCausale", causale}, {"NumeroColli", 99}});
        UT_LMQ_DVEN_TotNumCol(testa.get(), righe.get(), sigla);
        return testa->FieldByName(QStringLiteral("NumeroColli"))->AsFloat();
    }
};

TEST_F(NumeroColli, PackagesOrPiecesOfLiveRowsWithArticle)
{
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D1"), QStringLiteral("DDT")), 5 + 12);
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D2"), QStringLiteral("DDT")), 60 + 12);
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D9"), QStringLiteral("DDT")), 0) << "an unknown setting adds nothing";
    EXPECT_FALSE(righe->ControlsDisabled());
}

TEST_F(NumeroColli, NoCountOrUnknownCausalKeepsWhatWasTyped)
{
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D0"), QStringLiteral("DDT")), 99);
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("ZZ"), QStringLiteral("DDT")), 99);
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D2"), QStringLiteral("FAT")), 99) << "D2 is no invoice causal";
}

TEST_F(NumeroColli, InvoiceCodeReadsTheInvoiceCausals)
{
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D1"), QStringLiteral("FAT")), 60 + 12);
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D1"), QStringLiteral("DDT")), 5 + 12);
    EXPECT_DOUBLE_EQ(Colli(QStringLiteral("D1"), QStringLiteral("FI")), 5 + 12) << "any other code: delivery notes";
}

} // namespace
