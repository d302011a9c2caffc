// A document's deposit summary: its first build from the rows, the account's balances and
// pending returns, rebuilds, return documents, the value of a row with and without excess
// management, and an error stopping the save.
#include "CauzioniDocTest.h"

#include "frame/Lumo_funzioni.h"
#include "host/core/Errors.h"
#include "host/db/TXTransaction.h"

namespace {

class Castelletto : public CauzioniDocTest {};

// A summary row alone, valued with the given quantities.
class ValoreCastelletto : public CauzioniDocTest {
protected:
    void Valuta(double E, double X, double C, double R, double P)
    {
        Documento(QStringLiteral("C1"), QStringLiteral("V"));
        cauz->Append();
        cauz->FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("C01"));
        cauz->FieldByName(QStringLiteral("EsistenzaAtt"))->SetAsFloat(E);
        cauz->FieldByName(QStringLiteral("EsiAttEcc"))->SetAsFloat(X);
        cauz->FieldByName(QStringLiteral("QtaCar"))->SetAsFloat(C);
        cauz->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(R);
        cauz->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(P);
        cauz->FieldByName(QStringLiteral("QtaCarEcc"))->SetAsFloat(9);
        cauz->FieldByName(QStringLiteral("QtaResEcc"))->SetAsFloat(9);
        UT_LMQ_CalcValCau(cauz.get(), 2);
    }
    double F(const char *campo) { return cauz->FieldByName(QLatin1String(campo))->AsFloat(); }
};

} // namespace

TEST_F(Castelletto, FirstBuildHasEveryCodeInUseWithBalancesPendingReturnsAndRowQuantities)
{
    SchedaIniziale("CL", "C1", 0, "C01", 20, 8, 30, 12);
    Reso(1, "C1", 0, "C01", 4);
    Reso(2, "C1", 0, "C01", 6);
    Reso(3, "C1", 3, "B01", 7); // another destination: not the account's for a customer without them
    Documento("C1", "V");
    Testa({{"IdDestinazione", 3}});
    RigaImballi(1, "A", "C01", 5, "B01", 30);
    RigaImballi(2, "A", "C01", 2, "", 0);
    RigaImballi(3, "", "C01", 100, "B01", 100);                                                        // no product
    RigaImballi(4, "A", "", 100, "", 100);                                                             // no packaging
    Riga({{"NumOrdine", 5}, {"IdProdotto", "A"}, {"UT_LMQ_IdImballo1", "G01"}, {"Lunghezza", 50}}, 3); // deleted
    Crea();

    EXPECT_EQ(CodiciCauz(), QStringList({"B01", "C01", "G01"}));
    EXPECT_EQ(DiCauz("C01", "EsistenzaAtt"), 12);
    EXPECT_EQ(DiCauz("C01", "ValoreEsiAtt"), 18);
    EXPECT_EQ(DiCauz("C01", "EsistenzaB"), 12);
    EXPECT_EQ(DiCauz("C01", "QtaCar"), 7);
    EXPECT_EQ(DiCauz("C01", "QtaRes"), 10);
    EXPECT_EQ(DiCauz("C01", "QtaResPn"), 10);
    EXPECT_EQ(DiCauz("C01", "KMovResT"), -1);
    EXPECT_DOUBLE_EQ(DiCauz("C01", "Prezzo"), 1.5);
    EXPECT_DOUBLE_EQ(DiCauz("C01", "ValoreCar"), 10.5);
    EXPECT_DOUBLE_EQ(DiCauz("C01", "ValoreRes"), 15.0);
    EXPECT_EQ(DiCauz("B01", "QtaCar"), 30);
    EXPECT_EQ(DiCauz("B01", "QtaRes"), 0);
    EXPECT_DOUBLE_EQ(DiCauz("B01", "ValoreCar"), 7.5);
    EXPECT_EQ(DiCauz("G01", "QtaCar"), 0);
    EXPECT_EQ(DiCauz("G01", "Prezzo"), 0);
    cauz->First();
    EXPECT_EQ(cauz->FieldByName(QStringLiteral("Stato"))->AsInteger(), 2);
    EXPECT_EQ(cauz->FieldByName(QStringLiteral("KBolleCliT"))->AsInteger(), Chiave());
    EXPECT_EQ(cauz->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger(), 1);
    EXPECT_FALSE(righe->Active());
    EXPECT_FALSE(righe->Filtered());
}

TEST_F(Castelletto, DestinationsFollowTheCustomersSetting)
{
    SchedaIniziale("CL", "C2", 4, "C01", 9, 0, 0, 0);
    SchedaIniziale("CL", "C1", 0, "C01", 5, 0, 0, 0);
    Reso(1, "C2", 4, "C01", 2);
    Reso(2, "C2", 0, "C01", 3);
    Documento("C2", "V");
    Testa({{"IdDestinazione", 4}});
    RigaImballi(1, "A", "C01", 1, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "EsistenzaAtt"), 9);
    EXPECT_EQ(DiCauz("C01", "QtaRes"), 2);

    Documento("C1", "V");
    Testa({{"IdDestinazione", 4}});
    RigaImballi(1, "A", "C01", 1, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "EsistenzaAtt"), 5);
}

TEST_F(Castelletto, NothingIsBuiltWithoutRowsDepositsCausalOrAccount)
{
    struct Caso {
        const char *conto, *causale;
        int abilita;
        bool righe;
    };
    for (const Caso &c : {Caso{"C1", "V", 0, true}, Caso{"C1", "Z", 1, true}, Caso{"C3", "V", 1, true},
                          Caso{"C9", "V", 1, true}, Caso{"C1", "V", 1, false}}) {
        UT_LMQ_Parametri.FlAbilCauz = c.abilita;
        Documento(c.conto, c.causale);
        if (c.righe)
            RigaImballi(1, "A", "C01", 5, "", 0);
        Crea();
        EXPECT_TRUE(cauz->IsEmpty()) << c.conto << " " << c.causale;
        // a stop before the build leaves the rows open and filtered
        EXPECT_TRUE(righe->Active());
        EXPECT_EQ(righe->Filter(), QStringLiteral("Stato < 3 "));
    }
}

TEST_F(Castelletto, RebuildRecountsLoadsKeepsPendingReturnsAndRevaluesHandPrices)
{
    Reso(1, "C1", 0, "C01", 4);
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 5, "G01", 10);
    Crea();
    // G01 has no list price: the user prices it by hand
    ASSERT_TRUE(cauz->Locate(QStringLiteral("IdImballo"), QStringLiteral("G01")));
    cauz->Edit();
    cauz->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(0.8);
    cauz->Post();

    righe->Open();
    ASSERT_TRUE(righe->Locate(QStringLiteral("NumOrdine"), 1));
    righe->Edit();
    righe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(7);
    righe->Post();
    Crea();

    EXPECT_EQ(DiCauz("C01", "QtaCar"), 7);
    EXPECT_EQ(DiCauz("C01", "QtaRes"), 4); // the pending returns taken in stay
    EXPECT_DOUBLE_EQ(DiCauz("C01", "ValoreCar"), 10.5);
    EXPECT_DOUBLE_EQ(DiCauz("G01", "Prezzo"), 0.8);
    EXPECT_DOUBLE_EQ(DiCauz("G01", "ValoreCar"), 8.0);
    EXPECT_EQ(cauz->FieldByName(QStringLiteral("Stato"))->AsInteger(), 1);
    EXPECT_EQ(CodiciCauz().size(), 3);
}

TEST_F(Castelletto, ReturnDocumentCountsReturnsAndAsksBeforeRebuilding)
{
    Reso(1, "C1", 0, "C01", 4);
    Documento("C1", "R");
    RigaImballi(1, "A", "C01", 5, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "QtaRes"), 5); // pending returns are not taken by a return document
    EXPECT_EQ(DiCauz("C01", "QtaResPn"), 0);
    EXPECT_EQ(DiCauz("C01", "QtaCar"), 0);

    righe->Open();
    RigaImballi(2, "A", "C01", 3, "", 0);
    {
        kv8test::UiScript script;
        script.No(QStringLiteral("Castelletto Cauzioni già presente, nuovo ricalcolo"));
        Crea();
    }
    EXPECT_EQ(DiCauz("C01", "QtaRes"), 5);
    {
        kv8test::UiScript script;
        script.Yes(QStringLiteral("Castelletto Cauzioni già presente, nuovo ricalcolo"));
        Crea();
    }
    EXPECT_EQ(DiCauz("C01", "QtaRes"), 8);
    EXPECT_DOUBLE_EQ(DiCauz("C01", "ValoreRes"), 12.0);
}

TEST_F(Castelletto, RebuildWithExcessClearsTheExcessOfTheRecountedQuantity)
{
    UT_LMQ_Parametri.FlGestEcc = 1;
    SchedaIniziale("CL", "C1", 0, "C01", 0, 3, 0, 0, 3); // 3 returned beyond the stock
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 2, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "QtaCarEcc"), 2);
    EXPECT_EQ(DiCauz("C01", "ValoreCar"), 0);

    righe->Open();
    ASSERT_TRUE(righe->Locate(QStringLiteral("NumOrdine"), 1));
    righe->Edit();
    righe->FieldByName(QStringLiteral("UT_LMQ_IdImballo1"))->SetAsString(QStringLiteral("G01"));
    righe->Post();
    Crea();
    EXPECT_EQ(DiCauz("C01", "QtaCar"), 0);
    EXPECT_EQ(DiCauz("C01", "QtaCarEcc"), 0);
}

TEST_F(Castelletto, SupplierAndInvoiceDocuments)
{
    SchedaIniziale("FO", "F1", 0, "B01", 40, 10, 0, 0);
    Documento("F1", "V", "DTA");
    RigaImballi(1, "A", "", 0, "B01", 12);
    Crea();
    EXPECT_EQ(DiCauz("B01", "EsistenzaAtt"), 30);
    EXPECT_EQ(DiCauz("B01", "QtaCar"), 12);
    EXPECT_EQ(cauz->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger(), 3);

    Esegui(QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, UT_LMQ_FlCauzioni) "
                          "VALUES ('NC', 'Nota credito', 3, 1)"));
    Documento("C1", "NC", "FI");
    RigaImballi(1, "A", "C01", 4, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "QtaRes"), 4); // a credit note returns packaging
    EXPECT_EQ(cauz->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger(), 2);
}

TEST_F(Castelletto, AnErrorIsShownOnceAndStopsTheSaveAfterTheCleanUp)
{
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 5, "", 0);
    Esegui(QStringLiteral("DROP TABLE LUMO_LisCauzR"));
    kv8test::UiScript script;
    EXPECT_THROW(Crea(), EAbort);
    EXPECT_EQ(script.Messages().size(), 1);
    EXPECT_FALSE(righe->Active());
    EXPECT_FALSE(righe->Filtered());
    EXPECT_NE(cauz->State(), dsInsert);
}

TEST_F(ValoreCastelletto, ReturnsBeyondTheStockAreExcess)
{
    UT_LMQ_Parametri.FlGestEcc = 1;
    Valuta(5, 0, 0, 8, 2);
    EXPECT_EQ(F("QtaResEcc"), 3);
    EXPECT_DOUBLE_EQ(F("ValoreRes"), 10.0);
    EXPECT_EQ(F("QtaCarEcc"), 0);
    EXPECT_EQ(F("ValoreCar"), 0);
}

TEST_F(ValoreCastelletto, LoadsFirstCoverTheExcess)
{
    UT_LMQ_Parametri.FlGestEcc = 1;
    Valuta(-3, 3, 10, 0, 1.25);
    EXPECT_EQ(F("QtaCarEcc"), 3);
    EXPECT_DOUBLE_EQ(F("ValoreCar"), 8.75);
    Valuta(-3, 3, 2, 0, 1.25);
    EXPECT_EQ(F("QtaCarEcc"), 2);
    EXPECT_EQ(F("ValoreCar"), 0);
    // an excess balance out of step with the stock never exceeds the load, nor goes below 0
    Valuta(-3, 8, 5, 0, 1.25);
    EXPECT_EQ(F("QtaCarEcc"), 5);
    EXPECT_EQ(F("ValoreCar"), 0);
    Valuta(-3, -2, 5, 0, 1.25);
    EXPECT_EQ(F("QtaCarEcc"), 0);
    EXPECT_DOUBLE_EQ(F("ValoreCar"), 6.25);
}

TEST_F(ValoreCastelletto, NegativeAndPlainQuantities)
{
    UT_LMQ_Parametri.FlGestEcc = 1;
    Valuta(5, 0, -4, 0, 2);
    EXPECT_DOUBLE_EQ(F("ValoreCar"), -8.0);
    EXPECT_EQ(F("QtaCarEcc"), 0);
    Valuta(-2, 0, -4, 0, 2); // C + E <= 0: all excess
    EXPECT_EQ(F("QtaCarEcc"), -4);
    EXPECT_EQ(F("ValoreCar"), 0);

    UT_LMQ_Parametri.FlGestEcc = 0;
    Valuta(-3, 3, 10, 8, 0.333);
    EXPECT_DOUBLE_EQ(F("ValoreCar"), 3.33);
    EXPECT_DOUBLE_EQ(F("ValoreRes"), 2.66);
    EXPECT_EQ(F("QtaCarEcc"), 9); // left as they were
    EXPECT_EQ(F("QtaResEcc"), 9);
}

TEST_F(Castelletto, PendingReturnsBeyondTheStockAreExcessOnceAsIfTyped)
{
    UT_LMQ_Parametri.FlGestEcc = 1;
    SchedaIniziale("CL", "C1", 0, "C01", 2, 0, 3, 0);
    // the return typed in the summary by the user
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 10, "", 0);
    Crea();
    ASSERT_TRUE(cauz->Locate(QStringLiteral("IdImballo"), QStringLiteral("C01")));
    cauz->Edit();
    cauz->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(5);
    UT_LMQ_CalcValCau(cauz.get(), 2);
    cauz->Post();
    const QStringList colonne{"EsiAttEcc", "QtaResEcc", "QtaCarEcc", "ValoreCar", "ValoreRes"};
    QList<double> digitato;
    for (const QString &c : colonne)
        digitato << DiCauz("C01", qPrintable(c));
    EXPECT_EQ(digitato, (QList<double>{0, 3, 3, 10.5, 3}));

    // the same return pending in the returns journal
    Reso(1, "C1", 0, "C01", 5);
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 10, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "QtaResPn"), 5);
    QList<double> pendente;
    for (const QString &c : colonne)
        pendente << DiCauz("C01", qPrintable(c));
    EXPECT_EQ(pendente, digitato);

    // registered: the card keeps no negative excess
    TXTransaction tr(*db);
    Registra(0);
    testa->Post();
    tr.Commit();
    for (int tipoScheda : {0, 1}) {
        const QVariantMap s = Scheda("CL", "C1", 0, tipoScheda, "C01");
        EXPECT_EQ(V(s, "QtaResEcc"), 3);
        EXPECT_EQ(V(s, "QtaCarEcc"), 3);
        EXPECT_EQ(V(s, "EsiAttEcc"), 0);
    }
}

TEST_F(Castelletto, TheDepositPriceOfADocumentWithoutCurrencyIsTheCompanys)
{
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L1"), QStringLiteral("EUR"), QStringLiteral("C01")),
                     1.5);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L1"), QString(), QStringLiteral("C01")), 1.5)
        << "a document stored before its currency was filled";
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L1"), QStringLiteral("USD"), QStringLiteral("C01")), 0);
}
