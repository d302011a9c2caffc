// The module's totals engine, created by TOTDOCS_Calcola through the registry: the packaging
// deposit carried among the Art. 15 expenses, a foreign currency, the limits of the VAT
// summary, row types, and gift rows booked on their typology's account.
#include "engine/Dmicalcolototalidocs_p.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Dmilumo.h"
#include "host/data/TXMemTable.h"
#include "host/ui/ModuleAbi.h"
#include "tests/host/business/TotaliFixture.h"

#include <tuple>

using namespace Funzioni;

namespace {

class TotaliModulo : public Totali {
protected:
    void SetUp() override
    {
        Totali::SetUp();
        if (!db)
            return;
        Initialize();
        lumo = std::make_unique<TDMILUMO>();
        precedente = DMILUMO;
        DMILUMO = lumo.get();
        // an invoice of 500.00 at 22%, packaging deposit 10.00 and other Art. 15 expenses 5.00
        Fattura(1, 5, QStringLiteral("RD"));
        Esegui("UPDATE FattureCliTeste SET SpeseImballo = 10, SpeseArt15 = 5 WHERE KFattCliT = 1");
        RigoFattura(1, 1, 1, QStringLiteral("A1"), 10, 50, QStringLiteral("22"));
        Apri();
    }

    void TearDown() override
    {
        testa.reset();
        righe.reset();
        tot.reset();
        DMILUMO = precedente;
        lumo.reset();
        Totali::TearDown();
    }

    // The stored head and rows of invoice 1 read afresh.
    void Apri()
    {
        testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
        ASSERT_TRUE(testa->Locate(QStringLiteral("KFattCliT"), 1));
        righe = RigheFattura(1);
        tot = Tabella(QStringLiteral("FattureCliTot"), QStringLiteral("KFattCliT"));
    }

    TXParam_TotaliDocs Parametri(TDataSet *righeDoc = nullptr)
    {
        TXParam_TotaliDocs p;
        p.CodTipoDoc = 1;
        p.Testa = testa.get();
        p.Righe = righeDoc ? righeDoc : righe.get();
        p.TabTotali = tot.get();
        return p;
    }

    // TOTDOCS_Calcola inside a transaction, committed when it succeeds.
    bool Calcola(TXParam_TotaliDocs p)
    {
        TXTransaction transazione(*db);
        testa->Edit();
        const bool riuscito = Calcolototalidocs::TOTDOCS_Calcola(p, false);
        if (!riuscito) {
            testa->Cancel();
            return false;
        }
        testa->Post();
        transazione.Commit();
        return true;
    }

    // The VAT line of a code: Importo1..4 (taxable, VAT, their national counterparts).
    double Iva(const QString &codice, int importo)
    {
        return Valore(QStringLiteral("SELECT Importo%1 FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'IVA' "
                                     "AND Codice = ?")
                          .arg(importo),
                      {codice});
    }
    int Righe(const char *tipo)
    {
        return Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = ?"),
                     {QLatin1String(tipo)});
    }

    std::unique_ptr<TDMILUMO> lumo;
    QPointer<TDMILUMO> precedente;
    std::unique_ptr<TXClientTable> testa;
    std::unique_ptr<TXQuery> righe;
    std::unique_ptr<TXClientTable> tot;
};

TEST_F(TotaliModulo, TheRegistryCreatesTheModulesEngine)
{
    EXPECT_NE(qobject_cast<TDMICalcoloTotaliDocs_p *>(Calcolototalidocs::CreaMotore().get()), nullptr);
}

TEST_F(TotaliModulo, PackagingJoinsTheArt15VatLineButStaysAPackagingExpense)
{
    ASSERT_TRUE(Calcola(Parametri()));
    // 10.00 packaging + 5.00 other Art. 15 expenses, once each
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("E15"), 1), 15.00);
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("E15"), 2), 0.00);
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("22"), 1), 500.00);
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("22"), 2), 110.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPI", 1, 1), 10.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPI", 1, 2), 10.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 1), 5.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 3), 5.00);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 625.00);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = 1")), 625.00);
}

// The packaging deposit counts with the Art. 15 expenses towards the stamp duty's threshold:
// 72.47 of packaging and 5.00 of other expenses reach its 77.47 exactly, a cent less does not.
TEST_F(TotaliModulo, PackagingCountsTowardsTheStampThresholdHitExactly)
{
    for (const auto &[imballo, bollo, totale] : {std::tuple{72.47, 2.00, 689.47}, std::tuple{72.46, 0.00, 687.46}}) {
        Esegui("DELETE FROM FattureCliTot");
        Esegui("UPDATE FattureCliTeste SET SpeseImballo = ?, FlSpeseBolliEse = 1 WHERE KFattCliT = 1", {imballo});
        Apri();
        ASSERT_TRUE(Calcola(Parametri()));
        EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 2), bollo) << imballo;
        EXPECT_DOUBLE_EQ(Totale(1, "SPI", 1, 1), imballo);
        EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), totale) << imballo;
        EXPECT_DOUBLE_EQ(Totale(1, "SCA", 1, 1), totale) << imballo;
    }
}

TEST_F(TotaliModulo, WithoutTheArt15CodePackagingIsTaxedUnderItsOwnVatCode)
{
    KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdIvaArt15"), QString());
    ASSERT_TRUE(Calcola(Parametri()));
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("22"), 1), 510.00);
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("22"), 2), 112.20);
    EXPECT_DOUBLE_EQ(Totale(1, "SPI", 1, 1), 10.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 1), 5.00);
    EXPECT_EQ(Righe("IVA"), 1);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 627.20);
}

TEST_F(TotaliModulo, ASupplierDeliveryNoteKeepsItsPackagingTaxed)
{
    TXMemTable bolla;
    for (const char *campo : {"IdCausale", "IdFornitoreTp", "IdFornitore", "IdDivisa"})
        bolla.AddField(QLatin1String(campo), ftString, 10);
    bolla.AddField(QStringLiteral("Numero"), ftInteger);
    bolla.AddField(QStringLiteral("DataDocumento"), ftDateTime);
    bolla.AddField(QStringLiteral("SpeseImballo"), ftFloat);
    bolla.AddField(QStringLiteral("SpeseArt15"), ftFloat);
    bolla.Open();
    bolla.Append();
    bolla.FieldByName(QStringLiteral("IdFornitoreTp"))->SetAsString(QStringLiteral("FO"));
    bolla.FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("EUR"));
    bolla.FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(Giorno(2024, 3, 15));
    bolla.FieldByName(QStringLiteral("SpeseImballo"))->SetAsFloat(10);
    bolla.FieldByName(QStringLiteral("SpeseArt15"))->SetAsFloat(5);
    bolla.Post();
    TXMemTable lavoro;
    lavoro.SetTableName(QStringLiteral("t_FattCliTot"));
    lavoro.SetKeepRecords(false);
    TXParam_TotaliDocs p;
    p.CodTipoDoc = 10;
    p.Testa = &bolla;
    p.Righe = righe.get();
    p.Totali = &lavoro;
    auto motore = Calcolototalidocs::CreaMotore();
    ASSERT_TRUE(motore->TOTDOCS_InternalCalcola(p, false));
    EXPECT_DOUBLE_EQ(p.SpeseImballo, 10.00);
    EXPECT_DOUBLE_EQ(p.SpeseArt15, 5.00);
    EXPECT_DOUBLE_EQ(lavoro.FieldByName(QStringLiteral("SpeseImballo"))->AsFloat(), 10.00);
    EXPECT_DOUBLE_EQ(lavoro.FieldByName(QStringLiteral("SpeseEsenti"))->AsFloat(), 5.00);
    EXPECT_EQ(lavoro.FieldByName(QStringLiteral("IdIva01"))->AsString(), QStringLiteral("22"));
    EXPECT_DOUBLE_EQ(lavoro.FieldByName(QStringLiteral("Imponibile01"))->AsFloat(), 510.00);
    EXPECT_TRUE(lavoro.FieldByName(QStringLiteral("IdIva02"))->AsString().isEmpty());
}

TEST_F(TotaliModulo, ASecondCalculationOnTheSameEngineCarriesNothingOver)
{
    auto motore = Calcolototalidocs::CreaMotore();
    TXParam_TotaliDocs p = Parametri();
    testa->Edit();
    ASSERT_TRUE(motore->TOTDOCS_InternalCalcola(p, false));
    testa->Post();
    ASSERT_DOUBLE_EQ(Iva(QStringLiteral("E15"), 1), 15.00);
    Esegui("UPDATE FattureCliTeste SET SpeseImballo = 0 WHERE KFattCliT = 1");
    Apri();
    TXParam_TotaliDocs q = Parametri();
    testa->Edit();
    ASSERT_TRUE(motore->TOTDOCS_InternalCalcola(q, false));
    testa->Post();
    EXPECT_DOUBLE_EQ(q.SpeseArt15, 5.00);
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("E15"), 1), 5.00);
    EXPECT_EQ(Righe("SPI"), 0);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 615.00);
}

TEST_F(TotaliModulo, AForeignCurrencyKeepsEveryCounterpartAtTheEuroRate)
{
    Divisa(QStringLiteral("USD"), 4, 2);
    Cambio(QStringLiteral("USD"), Giorno(2024, 3, 1), 0.8765);
    Esegui("UPDATE FattureCliTeste SET IdDivisa = 'USD', Cambio = 0.8765 WHERE KFattCliT = 1");
    Apri();
    ASSERT_TRUE(Calcola(Parametri()));
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("22"), 3), 438.25); // 500.00 × 0.8765
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("22"), 4), 96.42);  // 110.00 × 0.8765
    EXPECT_DOUBLE_EQ(Totale(1, "SPI", 1, 2), 8.77);         // 8.765
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 3), 4.38);         // 4.3825
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("E15"), 1), 15.00);
    EXPECT_DOUBLE_EQ(Iva(QStringLiteral("E15"), 3), 13.15);
}

TEST_F(TotaliModulo, AForeignCurrencyWithoutARateFailsAndWritesNothing)
{
    Divisa(QStringLiteral("USD"), 4, 2);
    Cambio(QStringLiteral("USD"), Giorno(2024, 3, 1), 0);
    Esegui("UPDATE FattureCliTeste SET IdDivisa = 'USD', Cambio = 0 WHERE KFattCliT = 1");
    Apri();
    testa->Edit();
    try {
        TXParam_TotaliDocs p = Parametri();
        Calcolototalidocs::TOTDOCS_Calcola(p, false);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, QStringLiteral("Il cambio della divisa USD al 15/03/2024 non è valido: correggerlo nella "
                                            "tabella dei cambi."));
    }
    testa->Cancel();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
}

// ---- limits of the VAT summary

class TotaliLimiti : public TotaliModulo {
protected:
    void SetUp() override
    {
        TotaliModulo::SetUp();
        if (!db)
            return;
        for (int i = 0; i <= 50; ++i) {
            const QString codice = QStringLiteral("V%1").arg(i);
            db->ExecSQL(QStringLiteral("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES (?, ?, 4)"),
                        {codice, codice});
        }
    }
    // Rows of 1.00 on the invoice under the VAT codes V<da> to V<a - 1>.
    void Codici(int da, int a)
    {
        for (int i = da; i < a; ++i)
            RigoFattura(1, 10 + i, 1, QStringLiteral("A1"), 1, 1, QStringLiteral("V%1").arg(i));
    }
    // The invoice's rows replaced by rows of those codes, expenses as given.
    void Documento(int codici, double trasporto, double imballo)
    {
        Esegui("DELETE FROM FattureCliRighe");
        Codici(0, codici);
        db->ExecSQL(QStringLiteral("UPDATE FattureCliTeste SET SpeseTrasporto = ?, SpeseImballo = ?, SpeseArt15 = 0"),
                    {trasporto, imballo});
        Apri();
    }
    void AttesoLimite()
    {
        EXPECT_TRUE(
            ui.LastText().startsWith(QStringLiteral("Attenzione: il documento <Fattura FT-5/2024 del 15/03/2024: > "
                                                    "contiene più di 50 codici Iva.")))
            << ui.LastText().toStdString();
    }
};

TEST_F(TotaliLimiti, FiftyVatCodesAreComputedAndAFiftyFirstStopsWithoutWriting)
{
    Documento(49, 0, 0);
    ASSERT_TRUE(Calcola(Parametri())); // 49 row codes and "22" of the first row
    Esegui("DELETE FROM FattureCliRighe WHERE NumOrdine = 1024");
    Apri();
    Codici(49, 50);
    Apri();
    ASSERT_TRUE(Calcola(Parametri())); // exactly 50, from the rows
    EXPECT_EQ(Righe("IVA"), 50);
    const double totale = Totale(1, "TOT", 1, 1);
    const int scritte = Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot"));

    Codici(50, 51);
    Apri();
    EXPECT_FALSE(Calcola(Parametri()));
    AttesoLimite();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), scritte);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), totale);
}

TEST_F(TotaliLimiti, AnExpenseOrTheArt15LineBeyondFiftyCodesStopsWithTheLimitMessage)
{
    // 50 row codes, the transport expense under "22" would be the 51st
    Documento(50, 10, 0);
    EXPECT_FALSE(Calcola(Parametri()));
    AttesoLimite();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
    // 49 row codes and "22" of the transport: the packaging's "E15" would be the 51st
    ui.ClearMessages();
    Documento(49, 10, 10);
    EXPECT_FALSE(Calcola(Parametri()));
    AttesoLimite();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
    // other Art. 15 expenses alone: the exempt line at registration would be the 51st
    ui.ClearMessages();
    Documento(49, 10, 0);
    Esegui("UPDATE FattureCliTeste SET SpeseArt15 = 3");
    Apri();
    EXPECT_FALSE(Calcola(Parametri()));
    AttesoLimite();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
}

TEST_F(TotaliModulo, AnUnknownRowTypeStopsTheCalculation)
{
    RigoFattura(1, 2, 77, QStringLiteral("A1"), 1, 5, QStringLiteral("22"));
    Apri();
    testa->Edit();
    try {
        TXParam_TotaliDocs p = Parametri();
        Calcolototalidocs::TOTDOCS_Calcola(p, false);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.endsWith(QStringLiteral("Tipo rigo non valido nel documento: 77")))
            << e.Message.toStdString();
    }
    testa->Cancel();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
}

// ---- gift rows

class Omaggi : public TotaliModulo {
protected:
    void SetUp() override
    {
        TotaliModulo::SetUp();
        if (!db)
            return;
        Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlBolle, FlFatture) VALUES (12, 'Omaggio "
               "sconto', 4, 1, 1)");
        Esegui("INSERT INTO LUMO_TipologieOmaggiArt (IdTipologia, DsTipologia, IdConto) VALUES ('T1', 'Vini', 'X01'), "
               "('T2', 'Senza conto', '')");
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, UT_LMQ_IdTipologiaOmaggi) VALUES "
               "('G1', 'Bianco', 'BT', '22', 'T1'), ('G2', 'Rosso', 'BT', '22', 'T2'), ('G3', 'Rosato', 'BT', '22', "
               "'ZZ')");
        KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdContoOmaggi"), QStringLiteral("OMG"));
        Esegui("UPDATE FattureCliTeste SET SpeseImballo = 0, SpeseArt15 = 0");
        Apri();
        for (const char *campo : {"IdProdotto", "IdIva", "IdConto", "IdCentroCosto"})
            buffer.AddField(QLatin1String(campo), ftString, 10);
        buffer.AddField(QStringLiteral("TipoRigo"), ftSmallint);
        buffer.AddField(QStringLiteral("ImportoNetto"), ftFloat);
        buffer.Open();
        Rigo(1, QStringLiteral("A1"), 500);
    }

    void Rigo(int tipo, const QString &articolo, double importo)
    {
        buffer.Append();
        buffer.FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(tipo);
        buffer.FieldByName(QStringLiteral("IdProdotto"))->SetAsString(articolo);
        buffer.FieldByName(QStringLiteral("IdIva"))->SetAsString(QStringLiteral("22"));
        buffer.FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("R01"));
        buffer.FieldByName(QStringLiteral("IdCentroCosto"))->SetAsString(QStringLiteral("CC1"));
        buffer.FieldByName(QStringLiteral("ImportoNetto"))->SetAsFloat(importo);
        buffer.Post();
    }

    double Conto(const char *conto)
    {
        return Valore(
            QStringLiteral("SELECT SUM(Importo1) FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'CON' "
                           "AND Codice = ?"),
            {QLatin1String(conto)});
    }
    double Centro(const char *conto)
    {
        return Valore(
            QStringLiteral("SELECT SUM(Importo1) FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'CDC' "
                           "AND Codice = 'CC1' AND Descrizione = ?"),
            {QLatin1String(conto)});
    }

    TXMemTable buffer;
};

TEST_F(Omaggi, TheTypologysAccountTakesTheCounterEntryOfRowType10Only)
{
    Rigo(10, QStringLiteral("G1"), 100); // typology T1: account X01
    Rigo(-10, QStringLiteral("G1"), 40); // the code as stored: the company's gift account
    Rigo(12, QStringLiteral("G1"), 30);  // another gift row type: the company's gift account
    Rigo(10, QStringLiteral("G2"), 20);  // a typology without account
    Rigo(10, QStringLiteral("G3"), 5);   // a typology that does not exist
    ASSERT_TRUE(Calcola(Parametri(&buffer)));
    // 500.00 and the 195.00 of gifts, the gifts countered: the accounts total the taxable 500.00
    // as the cost centres do
    EXPECT_DOUBLE_EQ(Conto("R01"), 695.00);
    EXPECT_DOUBLE_EQ(Conto("X01"), -100.00);
    EXPECT_DOUBLE_EQ(Conto("OMG"), -95.00);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT SUM(Importo1) FROM FattureCliTot WHERE KFattCliT = 1 AND "
                                           "TipoRecord = 'CON'")),
                     500.00);
    // the cost-centre counter-entry stays on the company's gift account
    EXPECT_DOUBLE_EQ(Centro("R01"), 695.00);
    EXPECT_DOUBLE_EQ(Centro("OMG"), -195.00);
    EXPECT_EQ(
        Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE TipoRecord = 'CDC' AND Descrizione = 'X01'")),
        0);
    // gifts stay out of the total
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 610.00);
}

TEST_F(Omaggi, TheGiftAccountRoutineFallsBackToTheDefault)
{
    const QString d = QStringLiteral("DEF");
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("G1"), 10, d), QStringLiteral("X01"));
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("G1"), 11, d), QStringLiteral("X01"));
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("G1"), 12, d), d);
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("G1"), -10, d), d);
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("G2"), 10, d), d);
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("G3"), 10, d), d);
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("A1"), 10, d), d);   // no typology
    EXPECT_EQ(UT_LMQ_TipologiaArticoloOmaggio(QStringLiteral("NONE"), 10, d), d); // no article
}

} // namespace
