// The small host services the document rows call: bar-code decoding, the article test at a
// date, batches, groups and variants, the VAT-exemption lookup and the default account.
#include "tests/host/prints/StampeFixture.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibpos.h"
#include "host/business/Dmisbas.h"
#include "host/data/TField.h"
#include "host/data/TXTable.h"

using namespace kv8test;

TEST_F(Stampe, BarCodesAndTheArticleTest)
{
    TDMIBbas *bbas = TDMIBbas::Crea();
    QString articolo = QStringLiteral("prima");
    EXPECT_TRUE(
        bbas->DecodificaBarcode(QStringLiteral("8003"), QStringLiteral("CL"), QStringLiteral("C1"), nullptr, articolo));
    EXPECT_EQ(articolo, QStringLiteral("C1"));
    EXPECT_TRUE(bbas->DecodificaBarcode(QStringLiteral(" B1 "), QString(), QString(), nullptr, articolo))
        << "an article code reads as itself";
    EXPECT_EQ(articolo, QStringLiteral("B1"));
    EXPECT_FALSE(bbas->DecodificaBarcode(QStringLiteral("9999"), QString(), QString(), nullptr, articolo));
    EXPECT_FALSE(bbas->DecodificaBarcode(QStringLiteral("' OR 1=1 --"), QString(), QString(), nullptr, articolo));
    EXPECT_FALSE(bbas->DecodificaBarcode(QString(), QString(), QString(), nullptr, articolo));
    EXPECT_EQ(articolo, QStringLiteral("B1")) << "a failed read leaves the code as it was";

    TXTable articoli;
    articoli.SetTableName(QStringLiteral("Articoli"));
    ASSERT_TRUE(bbas->DecodificaBarcode(QStringLiteral("8001"), QString(), QString(), &articoli, articolo));
    EXPECT_EQ(articoli.FieldByName(QStringLiteral("DsProdotto"))->AsString(), QStringLiteral("Barolo"))
        << "the master is moved to it";

    TDMIBPos *pos = TDMIBPos::Crea();
    QString messaggio;
    EXPECT_TRUE(pos->TestArticolo(QStringLiteral("A1"), Giorno(2026, 5, 1), messaggio));
    EXPECT_TRUE(messaggio.isEmpty());
    EXPECT_FALSE(pos->TestArticolo(QStringLiteral("ZZ"), Giorno(2026, 5, 1), messaggio));
    EXPECT_EQ(messaggio, QStringLiteral("Codice prodotto non valido"));
    EXPECT_FALSE(pos->TestArticolo(QStringLiteral("OLD"), Giorno(2026, 5, 1), messaggio));
    EXPECT_EQ(messaggio, QStringLiteral("Articolo OLD obsoleto: non utilizzabile sui documenti"));
    EXPECT_FALSE(pos->TestArticolo(QStringLiteral("A1"), Giorno(2027, 1, 1), messaggio));
    EXPECT_EQ(messaggio, QStringLiteral("Nessun esercizio di magazzino comprende la data del documento"));
}

TEST_F(Stampe, BatchesGroupsAndVariants)
{
    TDMIBbas *bbas = TDMIBbas::Crea();
    Esegui(
        "INSERT INTO SaldiLotti (IdProdotto, IdMagazzino, IdVariante, Gruppo, IdLotto, IdDimensione, Giacenza) VALUES "
        "('A1', 1, '', '', 'L02', '', 5), ('A1', 1, '', '', 'L01', '', 3), ('A1', 1, '', '', 'L00', '', 0), "
        "('A1', 2, '', '', 'L09', '', 50), ('A1', 1, 'V1', '', 'L05', '', 50)");
    QList<TDMIBbas::TAssegnazioneLotto> lotti;
    EXPECT_DOUBLE_EQ(bbas->AssegnaLottiAutomatico(QStringLiteral("A1"), 1, QString(), 10, lotti), 2);
    ASSERT_EQ(lotti.size(), 2) << "an empty batch takes nothing; other warehouses and variants are not touched";
    EXPECT_EQ(lotti[0].IdLotto, QStringLiteral("L01"));
    EXPECT_DOUBLE_EQ(lotti[0].Quantita, 3);
    EXPECT_EQ(lotti[1].IdLotto, QStringLiteral("L02"));
    EXPECT_DOUBLE_EQ(lotti[1].Quantita, 5);
    lotti.clear();
    EXPECT_DOUBLE_EQ(bbas->AssegnaLottiAutomatico(QStringLiteral("A1"), 1, QString(), 4, lotti), 0);
    ASSERT_EQ(lotti.size(), 2);
    EXPECT_DOUBLE_EQ(lotti[1].Quantita, 1);
    lotti.clear();
    EXPECT_DOUBLE_EQ(bbas->AssegnaLottiAutomatico(QStringLiteral("A1"), 1, QString(), -2, lotti), -2);
    EXPECT_TRUE(lotti.isEmpty()) << "a return places nothing";

    EXPECT_FALSE(bbas->TestGruppo(1, 1, QStringLiteral("B1"))) << "quantity details off";
    EXPECT_FALSE(bbas->TestDettaglioQta(1, QStringLiteral("A1")));
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 1);
    EXPECT_TRUE(bbas->TestGruppo(1, 1, QStringLiteral("B1")));
    EXPECT_FALSE(bbas->TestGruppo(0, 1, QStringLiteral("A1")));
    EXPECT_TRUE(bbas->TestDettaglioQta(1, QStringLiteral("A1")));
    EXPECT_TRUE(bbas->TestDettaglioQta(1, QStringLiteral("B1")));
    EXPECT_FALSE(bbas->TestDettaglioQta(1, QStringLiteral("C1")));
    EXPECT_FALSE(bbas->TestVarianti(QStringLiteral("A1")));
    Esegui("UPDATE Articoli SET FlGesVarianti = 1 WHERE IdProdotto = 'C1'");
    TDMIBase::Crea()->Rileggi(QStringLiteral("Articoli"));
    EXPECT_TRUE(bbas->TestVarianti(QStringLiteral("C1")));
    EXPECT_TRUE(bbas->TestDettaglioQta(1, QStringLiteral("C1")));
    EXPECT_TRUE(bbas->GruppoDefault().isEmpty());
    KV8Config::Set(QStringLiteral("FSLOT01"), QStringLiteral("LottoDefault"), QStringLiteral("NL"));
    EXPECT_EQ(bbas->LottoDefault(), QStringLiteral("NL"));
}

TEST_F(Stampe, ExemptionVatAndDefaultAccount)
{
    Esegui("INSERT INTO Esenzioni (IdEsenzione, DsEsenzione, IdIva) VALUES ('E8', 'Esportazione', 'E15')");
    TDMISBas *sbas = TDMISBas::Crea();
    EXPECT_EQ(sbas->IvaEsenzione(QStringLiteral("E8"), QStringLiteral("A1"), 0), QStringLiteral("E15"));
    EXPECT_EQ(sbas->IvaEsenzione(QStringLiteral("E8"), QString(), 2), QString()) << "a text row carries no VAT";
    EXPECT_EQ(sbas->IvaEsenzione(QStringLiteral("E9"), QStringLiteral("A1"), 0), QString());
    EXPECT_EQ(sbas->IvaEsenzione(QStringLiteral("E8' --"), QStringLiteral("A1"), 0), QString());
    EXPECT_EQ(sbas->IvaEsenzione(QString(), QStringLiteral("A1"), 0), QString());

    EXPECT_EQ(sbas->ContoDefaultRigo(QStringLiteral("CL"), QStringLiteral("C1")), QStringLiteral("4001"));
    EXPECT_EQ(sbas->ContoDefaultRigo(QStringLiteral("cl"), QStringLiteral("C3")), QString());
    EXPECT_EQ(sbas->ContoDefaultRigo(QStringLiteral("FO"), QStringLiteral("F1")), QStringLiteral("5001"));
    EXPECT_EQ(sbas->ContoDefaultRigo(QStringLiteral("FO"), QStringLiteral("C1")), QString());
    EXPECT_EQ(sbas->ContoDefaultRigo(QStringLiteral("CG"), QStringLiteral("C1")), QString());
}
