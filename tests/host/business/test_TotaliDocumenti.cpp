// The document-totals engine: a customer invoice totalled by the host's engine into its
// totals table and into a totals work dataset, the engine registered in place of the host's,
// and the VAT and instalment helpers it is built on.
#include "host/data/TXMemTable.h"
#include "tests/host/business/TotaliFixture.h"

#include <QDate>

using namespace Funzioni;

namespace {

// Rows at 22% and 10%, a 10% head discount, transport, packaging and collection expenses,
// an Art. 15 expense that brings stamp duty, a payment in three instalments.
class TotaliFattura : public Totali {
protected:
    void SetUp() override
    {
        Totali::SetUp();
        if (!db)
            return;
        Fattura(1, 5);
        Esegui("UPDATE FattureCliTeste SET Sconto1 = 10, SpeseTrasporto = 10, SpeseImballo = 5, SpeseArt15 = 100, "
               "FlSpeseIncasso = 1, FlSpeseBolliEse = 1 WHERE KFattCliT = 1");
        RigoFattura(1, 1, 1, QStringLiteral("A1"), 10, 50, QStringLiteral("22"));
        RigoFattura(1, 2, 1, QStringLiteral("A2"), 4, 25, QStringLiteral("10"));
        RigoFattura(1, 3, 6, QString(), 0, 0, QString()); // a text row
        testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
        ASSERT_TRUE(testa->Locate(QStringLiteral("KFattCliT"), 1));
        righe = RigheFattura(1);
        tot = Tabella(QStringLiteral("FattureCliTot"), QStringLiteral("KFattCliT"));
    }

    TXParam_TotaliDocs Parametri(TDataSet *totali, TDataSet *tabella)
    {
        TXParam_TotaliDocs p;
        p.CodTipoDoc = 1;
        p.Testa = testa.get();
        p.Righe = righe.get();
        p.Totali = totali;
        p.TabTotali = tabella;
        return p;
    }

    // The head put into edit, totalled by the engine and posted.
    void CalcolaTesta(TXParam_TotaliDocs &p)
    {
        testa->Edit();
        ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
        testa->Post();
    }

    int RigheTotali() { return Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = 1")); }

    std::unique_ptr<TXClientTable> testa;
    std::unique_ptr<TXQuery> righe;
    std::unique_ptr<TXClientTable> tot;
};

TEST_F(TotaliFattura, RegistersGoodsDiscountExpensesVatStampAndInstalments)
{
    testa->Edit();
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    {
        TXTransaction transazione(*db);
        ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
        testa->Post();
        transazione.Commit();
    }
    // goods 600.00, 540.00 after the 10% discount
    EXPECT_DOUBLE_EQ(Totale(1, "MER", 1, 1), 600.00);
    EXPECT_DOUBLE_EQ(Totale(1, "MER", 1, 2), 540.00);
    EXPECT_DOUBLE_EQ(Totale(1, "MER", 1, 3), 60.00);
    // 22%: 450 of goods + 10 transport + 5 packaging + 6 collection (3 instalments × 2.00)
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT Codice FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = "
                                             "'IVA' AND Progressivo = 1"))
                  .toString(),
              QStringLiteral("22"));
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 1, 1), 471.00);
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 1, 2), 103.62);
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 2, 1), 90.00);
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 2, 2), 9.00);
    // the exempt expenses (Art. 15 and the 2.00 stamp) under the Art. 15 code
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 3, 1), 102.00);
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 3, 2), 0.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPT", 1, 1), 10.00);
    EXPECT_EQ(
        db->ScalarValue(QStringLiteral("SELECT Codice FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'SPT'"))
            .toString(),
        QStringLiteral("T01"));
    EXPECT_DOUBLE_EQ(Totale(1, "SPI", 1, 1), 5.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPC", 1, 1), 6.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 1), 100.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 2), 2.00);
    // total 561.00 + 112.62 VAT + 100.00 + 2.00
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 775.62);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 2), 561.00);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 3), 112.62);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = 1")), 775.62);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT SpeseIncasso FROM FattureCliTeste WHERE KFattCliT = 1")), 6.00);
    // three instalments at month end; the percentages add up to 99.99, the last takes the rest
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'SCA'")),
              3);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 1, 1), 258.51);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 2, 1), 258.51);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 3, 1), 258.60);
    QSqlQuery date = db->OpenQuery(QStringLiteral("SELECT DataInizio FROM FattureCliTot WHERE KFattCliT = 1 AND "
                                                  "TipoRecord = 'SCA' ORDER BY Progressivo"));
    QList<QDate> scadenze;
    while (date.next())
        scadenze << kv8data::CoerceLoaded(date.value(0), ftDateTime).toDateTime().date();
    EXPECT_EQ(scadenze, (QList<QDate>{QDate(2024, 4, 30), QDate(2024, 5, 31), QDate(2024, 6, 30)}));
    // the revenue account takes the goods before the head discounts
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Importo1 FROM FattureCliTot WHERE KFattCliT = 1 AND "
                                           "TipoRecord = 'CON' AND Codice = 'R01'")),
                     600.00);
}

TEST_F(TotaliFattura, RecomputingReplacesTheEarlierTotalsRows)
{
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    CalcolaTesta(p);
    const int righeTotali = RigheTotali();
    Esegui("UPDATE FattureCliTeste SET SpeseImballo = 0, SpeseArt15 = 0 WHERE KFattCliT = 1");
    testa.reset();
    testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    ASSERT_TRUE(testa->Locate(QStringLiteral("KFattCliT"), 1));
    TXParam_TotaliDocs q = Parametri(nullptr, tot.get());
    CalcolaTesta(q);
    // no packaging, no exempt expenses and no stamp any more: their rows are gone
    EXPECT_EQ(RigheTotali(), righeTotali - 3);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'SPI'")),
              0);
    // 22%: 450 + 10 + 6 = 466.00, VAT 102.52; 10%: 90 + 9
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 667.52);
}

TEST_F(TotaliFattura, InATransactionTheRowsAreReplacedInBatchesBeforeTheStepReturns)
{
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    CalcolaTesta(p);
    const int righeTotali = RigheTotali();
    ASSERT_GT(righeTotali, 10);
    TXTransaction transazione(*db);
    testa->Edit();
    const quint64 prima = db->StatementCount();
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    // fewer statements than rows, where one by one they took two a row
    EXPECT_LT(db->StatementCount() - prima, quint64(righeTotali));
    // all written already, and the caller's table writes at once again
    const quint64 scritte = db->StatementCount();
    EXPECT_EQ(RigheTotali(), righeTotali);
    EXPECT_EQ(db->StatementCount() - scritte, 1u);
    EXPECT_FALSE(tot->DeferredWrites());
    testa->Post();
    transazione.Commit();
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 775.62);
}

TEST_F(TotaliFattura, FillsTheTotalsWorkDatasetWithVatLinesAndInstalments)
{
    TXMemTable lavoro;
    lavoro.SetTableName(QStringLiteral("t_FattCliTot"));
    lavoro.SetKeepRecords(false);
    testa->Edit();
    TXParam_TotaliDocs p = Parametri(&lavoro, nullptr);
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    const auto campo = [&](const char *nome) { return lavoro.FieldByName(QLatin1String(nome)); };
    EXPECT_DOUBLE_EQ(campo("TotDocumento")->AsFloat(), 775.62);
    EXPECT_DOUBLE_EQ(campo("TotMerceLordo")->AsFloat(), 600.00);
    EXPECT_DOUBLE_EQ(campo("TotSconto")->AsFloat(), 60.00);
    EXPECT_DOUBLE_EQ(campo("SpeseEsenti")->AsFloat(), 102.00);
    EXPECT_DOUBLE_EQ(campo("Bollo")->AsFloat(), 2.00);
    EXPECT_EQ(campo("IdIva01")->AsString(), QStringLiteral("22"));
    EXPECT_DOUBLE_EQ(campo("Iva02")->AsFloat(), 9.00);
    EXPECT_TRUE(campo("IdIva03")->AsString().isEmpty()); // exempt expenses join the VAT lines only when registered
    EXPECT_EQ(campo("Scadenza01")->AsDateTime().date(), QDate(2024, 4, 30));
    EXPECT_DOUBLE_EQ(campo("Rata03")->AsFloat(), 258.60);
    EXPECT_TRUE(campo("Scadenza04")->IsNull());
    // nothing registered without a totals table
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
    testa->Cancel();
}

TEST_F(TotaliFattura, GivenDeadlinesReplaceThePaymentsOnesAndAreAlignedToTheTotal)
{
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    p.Scadenze[0] = {Giorno(2024, 4, 10), 500, 0};
    p.Scadenze[1] = {Giorno(2024, 5, 10), 200, 0};
    EXPECT_EQ(Calcolototalidocs::TOTDOCS_TestScadenzario(p), 2);
    testa->Edit();
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    testa->Post();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'SCA'")),
              2);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 1, 1), 500.00);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 2, 1), 275.62); // the last takes what the total leaves

    // read back as stored, and written into a work dataset
    TXParam_TotaliDocs letto;
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_LeggiScadenze(letto, 1, 1, nullptr));
    EXPECT_EQ(letto.Scadenze[1].Data.date(), QDate(2024, 5, 10));
    EXPECT_DOUBLE_EQ(letto.Scadenze[1].Importo, 275.62);
    TXMemTable lavoro;
    lavoro.SetTableName(QStringLiteral("t_FattCliTot"));
    lavoro.SetKeepRecords(false);
    Calcolototalidocs::TOTDOCS_SalvaScadenzario(letto, &lavoro);
    EXPECT_EQ(lavoro.State(), dsBrowse);
    EXPECT_DOUBLE_EQ(lavoro.FieldByName(QStringLiteral("Rata01"))->AsFloat(), 500.00);
    EXPECT_TRUE(lavoro.FieldByName(QStringLiteral("Scadenza03"))->IsNull());
}

TEST_F(TotaliFattura, RefusesAnExpenseWhoseVatCodeDoesNotExistAndWritesNothing)
{
    KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdIvaSpeseTrasporto"), QStringLiteral("X9"));
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    testa->Edit();
    try {
        Calcolototalidocs::TOTDOCS_Calcola(p, false);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("Codice Iva spese di trasporto <X9> non esistente")))
            << e.Message.toStdString();
        EXPECT_TRUE(e.Message.startsWith(QStringLiteral("Fattura FT-5/2024 del 15/03/2024:")))
            << e.Message.toStdString();
    }
    testa->Cancel();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
}

TEST_F(TotaliFattura, AGiftRowIsOutOfTheTotalAndItsAccountIsCountered)
{
    RigoFattura(1, 4, 10, QStringLiteral("A1"), 2, 50, QStringLiteral("22"));
    KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdContoOmaggi"), QStringLiteral("OMG"));
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    testa->Edit();
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    testa->Post();
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 775.62);
    const auto conto = [&](const char *codice) {
        return Valore(
            QStringLiteral("SELECT Importo1 FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'CON' AND "
                           "Codice = ?"),
            {QLatin1String(codice)});
    };
    // 600.00 of goods and the 100.00 gift on the row's account, the gift countered on OMG: the
    // accounts total the taxable amount, the gift counted once
    EXPECT_DOUBLE_EQ(conto("R01"), 700.00);
    EXPECT_DOUBLE_EQ(conto("OMG"), -100.00);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT SUM(Importo1) FROM FattureCliTot WHERE KFattCliT = 1 AND "
                                           "TipoRecord = 'CON'")),
                     600.00);
}

// Every discount and allowance a head carries, on amounts that need rounding to the cents:
// three head discounts and the payment discount in cascade on the goods (not on the expenses),
// transport, packaging, sundry and collection expenses, VAT rounded per rate, the advance and the
// rebate off the net to pay, and the net split into the instalments.
TEST_F(Totali, EveryDiscountAndAllowanceOfTheHeadIsFollowedToTheNetToPayAndTheInstalments)
{
    Fattura(1, 5);
    Esegui("UPDATE FattureCliTeste SET Sconto1 = 10, Sconto2 = 5, Sconto3 = 2, ScontoPagamento = 3, "
           "SpeseTrasporto = 7.5, SpeseImballo = 2.5, SpeseVarie = 1.25, FlSpeseIncasso = 1, Acconto = 20, "
           "Abbuono = 0.37 WHERE KFattCliT = 1");
    RigoFattura(1, 1, 1, QStringLiteral("A1"), 3, 33.33, QStringLiteral("22"));
    RigoFattura(1, 2, 1, QStringLiteral("A2"), 1, 10.01, QStringLiteral("10"));
    ASSERT_NO_FATAL_FAILURE(CalcolaFattura(1));
    // 99.99 × 0.90 × 0.95 × 0.98 × 0.97 = 81.268... and 10.01 the same way = 8.135...
    EXPECT_DOUBLE_EQ(Totale(1, "MER", 1, 1), 110.00);
    EXPECT_DOUBLE_EQ(Totale(1, "MER", 1, 2), 89.41);
    EXPECT_DOUBLE_EQ(Totale(1, "MER", 1, 3), 20.59);
    // 22%: 81.27 + 7.50 + 2.50 + 1.25 + 6.00 (3 instalments × 2.00), VAT 21.6744
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 1, 1), 98.52);
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 1, 2), 21.67);
    // 10%: 8.14, VAT 0.814
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 2, 1), 8.14);
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 2, 2), 0.81);
    EXPECT_DOUBLE_EQ(Totale(1, "SPT", 1, 1), 7.50);
    EXPECT_DOUBLE_EQ(Totale(1, "SPI", 1, 1), 2.50);
    EXPECT_DOUBLE_EQ(Totale(1, "SPV", 1, 1), 1.25);
    EXPECT_DOUBLE_EQ(Totale(1, "SPC", 1, 1), 6.00);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 129.14);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 2), 106.66);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 3), 22.48);
    // the net to pay: the total less the advance and the rebate, split into the instalments
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 4), 108.77);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 1, 1), 36.25);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 2, 1), 36.25);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 3, 1), 36.27);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = 1")), 129.14);
}

// The stamp duty is due from its threshold on: exempt amounts of exactly 77.47 bear it, a cent
// less does not.
TEST_F(Totali, TheStampIsDueFromItsThresholdExactly)
{
    const auto calcola = [this](double esente) {
        Esegui("UPDATE FattureCliTeste SET SpeseArt15 = ?, FlSpeseBolliEse = 1 WHERE KFattCliT = 1", {esente});
        CalcolaFattura(1);
    };
    Fattura(1, 5, QStringLiteral("RD"));
    RigoFattura(1, 1, 1, QStringLiteral("A1"), 1, 10, QStringLiteral("22"));
    calcola(77.47);
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 2), 2.00);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 91.67); // 10.00 + 2.20 + 77.47 + 2.00
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 1, 1), 91.67);
    calcola(77.46);
    EXPECT_DOUBLE_EQ(Totale(1, "SPE", 1, 2), 0.00);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 89.66);
    EXPECT_DOUBLE_EQ(Totale(1, "SCA", 1, 1), 89.66);
}

TEST_F(Totali, RowAmountsNetOfEveryDiscountAreRealignedToTheVatTotal)
{
    Fattura(1, 5, QStringLiteral("RD"));
    Esegui("UPDATE FattureCliTeste SET Sconto1 = 33.33 WHERE KFattCliT = 1");
    auto testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    ASSERT_TRUE(testa->Locate(QStringLiteral("KFattCliT"), 1));
    // a row buffer as a document window holds it: three rows of 10.01, each 6.67 net of the
    // head discount, while the VAT line's 30.03 comes to 20.02
    TXMemTable righe;
    righe.AddField(QStringLiteral("TipoRigo"), ftSmallint);
    righe.AddField(QStringLiteral("IdIva"), ftString, 5);
    righe.AddField(QStringLiteral("ImportoNetto"), ftFloat);
    righe.AddField(QStringLiteral("ImportoNN"), ftFloat);
    righe.Open();
    for (int i = 0; i < 3; ++i) {
        righe.Append();
        righe.FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(1);
        righe.FieldByName(QStringLiteral("IdIva"))->SetAsString(QStringLiteral("22"));
        righe.FieldByName(QStringLiteral("ImportoNetto"))->SetAsFloat(10.01);
        righe.FieldByName(QStringLiteral("ImportoNN"))->SetAsFloat(6.67);
        righe.Post();
    }
    auto tot = Tabella(QStringLiteral("FattureCliTot"), QStringLiteral("KFattCliT"));
    TXParam_TotaliDocs p;
    p.CodTipoDoc = 1;
    p.Testa = testa.get();
    p.Righe = &righe;
    p.TabTotali = tot.get();
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    EXPECT_DOUBLE_EQ(Totale(1, "IVA", 1, 1), 20.02);
    double somma = 0;
    QList<double> importi;
    for (righe.First(); !righe.Eof(); righe.Next()) {
        somma += righe.FieldByName(QStringLiteral("ImportoNN"))->AsFloat();
        importi << righe.FieldByName(QStringLiteral("ImportoNN"))->AsFloat();
    }
    EXPECT_EQ(CompDec(somma, 20.02, 2), 0);
    EXPECT_EQ(importi, (QList<double>{6.68, 6.67, 6.67}));
    // with the flag set the rows are left as they are
    righe.First();
    righe.Edit();
    righe.FieldByName(QStringLiteral("ImportoNN"))->SetAsFloat(6.67);
    righe.Post();
    TXParam_TotaliDocs q = p;
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(q, true));
    righe.First();
    EXPECT_DOUBLE_EQ(righe.FieldByName(QStringLiteral("ImportoNN"))->AsFloat(), 6.67);
}

// ---- the engine registered in place of the host's

// Records the slots as TOTDOCS_Calcola runs them, each doing the host's work.
class MotoreDiProva : public TDMICalcoloTotaliDocs {
    Q_OBJECT
public:
    using TDMICalcoloTotaliDocs::TDMICalcoloTotaliDocs;
    static inline QStringList Chiamate;

    bool TOTDOCS_InternalCalcola(TXParam_TotaliDocs &Param, bool Flag) override
    {
        Chiamate << QStringLiteral("InternalCalcola");
        return TDMICalcoloTotaliDocs::TOTDOCS_InternalCalcola(Param, Flag);
    }
    void TOTDOCS_InitStrutture() override
    {
        Chiamate << QStringLiteral("InitStrutture");
        TDMICalcoloTotaliDocs::TOTDOCS_InitStrutture();
    }
    void TOTDOCS_InitParametri(TXParam_TotaliDocs &Param) override
    {
        Chiamate << QStringLiteral("InitParametri");
        TDMICalcoloTotaliDocs::TOTDOCS_InitParametri(Param);
    }
    int TOTDOCS_LeggiRigheDocumento(TXParam_TotaliDocs &Param, bool Flag) override
    {
        Chiamate << QStringLiteral("LeggiRigheDocumento");
        return TDMICalcoloTotaliDocs::TOTDOCS_LeggiRigheDocumento(Param, Flag);
    }
    bool TOTDOCS_Raggruppamento(const TXParam_TotaliDocs &Param, int &RowCount) override
    {
        Chiamate << QStringLiteral("Raggruppamento");
        return TDMICalcoloTotaliDocs::TOTDOCS_Raggruppamento(Param, RowCount);
    }
    void TOTDOCS_Scorporo(TXParam_TotaliDocs &Param) override
    {
        Chiamate << QStringLiteral("Scorporo");
        TDMICalcoloTotaliDocs::TOTDOCS_Scorporo(Param);
    }
    void TOTDOCS_CalcoliRdA(TXParam_TotaliDocs &Param) override
    {
        Chiamate << QStringLiteral("CalcoliRdA");
        TDMICalcoloTotaliDocs::TOTDOCS_CalcoliRdA(Param);
    }
    void TOTDOCS_CalcoliIvaSplit(TXParam_TotaliDocs &Param) override
    {
        Chiamate << QStringLiteral("CalcoliIvaSplit");
        TDMICalcoloTotaliDocs::TOTDOCS_CalcoliIvaSplit(Param);
    }
    void TOTDOCS_InternalRiallineImportiNN(TXParam_TotaliDocs &Param) override
    {
        Chiamate << QStringLiteral("InternalRiallineImportiNN");
        TDMICalcoloTotaliDocs::TOTDOCS_InternalRiallineImportiNN(Param);
    }
    bool TOTDOCS_RegistraTotali(TXParam_TotaliDocs &Param, bool Flag) override
    {
        Chiamate << QStringLiteral("RegistraTotali");
        return TDMICalcoloTotaliDocs::TOTDOCS_RegistraTotali(Param, Flag);
    }
    void TOTDOCS_ScriviScadenze(TXParam_TotaliDocs &Param) override
    {
        Chiamate << QStringLiteral("ScriviScadenze");
        TDMICalcoloTotaliDocs::TOTDOCS_ScriviScadenze(Param);
    }
    void SPAR_TotaliParcellazione(TXParam_TotaliDocs &Param) override
    {
        Chiamate << QStringLiteral("SPAR_TotaliParcellazione");
        TDMICalcoloTotaliDocs::SPAR_TotaliParcellazione(Param);
    }
};

// Takes over the calculation, reusing the host's steps in its own order with a step of its own.
class MotoreSostitutivo : public TDMICalcoloTotaliDocs {
    Q_OBJECT
public:
    using TDMICalcoloTotaliDocs::TDMICalcoloTotaliDocs;

    bool TOTDOCS_InternalCalcola(TXParam_TotaliDocs &Param, bool Flag) override
    {
        TOTDOCS_InitStrutture();
        TOTDOCS_InitParametriTesta(Param);
        Param.SpeseImballo = 0; // its own step between the host's two halves
        TOTDOCS_InitParametriCoda(Param);
        TOTDOCS_DivisaEstera(Param);
        TOTDOCS_ContiFissi(Param);
        TOTDOCS_LeggiPagamento(Param, Param.IdPagamento, false);
        int righe = TOTDOCS_LeggiRigheDocumento(Param, Flag);
        if (!TOTDOCS_Raggruppamento(Param, righe))
            return false;
        TOTDOCS_MerceSpese(Param);
        TOTDOCS_Scorporo(Param);
        TOTDOCS_BolliScadenze(Param);
        TOTDOCS_SpeseEsentiIva(Param);
        return TOTDOCS_RegistraTotali(Param, Flag);
    }
};

// Leaves the calculation to the host and overrides two of its steps: the account of a gift
// row's counter-entry, and the step after the total, which may refuse.
class MotoreAPassi : public TDMICalcoloTotaliDocs {
    Q_OBJECT
public:
    using TDMICalcoloTotaliDocs::TDMICalcoloTotaliDocs;
    static inline bool Rifiuta = false;

protected:
    QString TOTDOCS_ContoOmaggio(const TRigoDocumento &) override { return QStringLiteral("OMX"); }
    bool TOTDOCS_IvaFuoriTotale(TXParam_TotaliDocs &) override { return !Rifiuta; }
};

class Sostituzione {
public:
    explicit Sostituzione(const ClassRef &classe)
    {
        Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TDMICalcoloTotaliDocs"), classe, false, true);
    }
    ~Sostituzione() { Kv8datamodule::Registry().Unregister(QStringLiteral("TDMICalcoloTotaliDocs")); }
};

TEST_F(TotaliFattura, TheRegisteredEngineRunsAndCallsTheSlotsInTheirOrder)
{
    Sostituzione sostituzione(ClassRef::Of<MotoreDiProva>());
    EXPECT_NE(qobject_cast<MotoreDiProva *>(Calcolototalidocs::CreaMotore().get()), nullptr);
    MotoreDiProva::Chiamate.clear();
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    testa->Edit();
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    testa->Post();
    EXPECT_EQ(MotoreDiProva::Chiamate,
              (QStringList{QStringLiteral("InternalCalcola"), QStringLiteral("InitStrutture"),
                           QStringLiteral("InitParametri"), QStringLiteral("LeggiRigheDocumento"),
                           QStringLiteral("Raggruppamento"), QStringLiteral("Scorporo"), QStringLiteral("CalcoliRdA"),
                           QStringLiteral("InternalRiallineImportiNN"), QStringLiteral("RegistraTotali"),
                           QStringLiteral("ScriviScadenze"), QStringLiteral("SPAR_TotaliParcellazione")}));
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 775.62);

    // split payment: the VAT leaves the net to pay and the instalments
    Esegui("UPDATE Clienti SET FlSplitPayment = 1 WHERE IdConto = 'C1'");
    TDMIBase::Crea()->Rileggi(QStringLiteral("Clienti"));
    MotoreDiProva::Chiamate.clear();
    TXParam_TotaliDocs q = Parametri(nullptr, tot.get());
    testa->Edit();
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(q, false));
    testa->Post();
    EXPECT_EQ(MotoreDiProva::Chiamate.indexOf(QStringLiteral("CalcoliIvaSplit")),
              MotoreDiProva::Chiamate.indexOf(QStringLiteral("CalcoliRdA")) + 1);
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 4), 663.00);
    EXPECT_EQ(CompDec(Totale(1, "SCA", 1, 1) + Totale(1, "SCA", 2, 1) + Totale(1, "SCA", 3, 1), 663.00, 2), 0);
}

TEST_F(TotaliFattura, AReplacementReusesTheHostStepsInItsOwnOrder)
{
    Sostituzione sostituzione(ClassRef::Of<MotoreSostitutivo>());
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    testa->Edit();
    ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    testa->Post();
    // as the host's, less the 5.00 packaging and its 1.10 VAT
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 769.52);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'SPI'")),
              0);
}

TEST_F(TotaliFattura, AReplacementOverridesSingleStepsOfTheHostsCalculation)
{
    Sostituzione sostituzione(ClassRef::Of<MotoreAPassi>());
    RigoFattura(1, 4, 10, QStringLiteral("A1"), 2, 50, QStringLiteral("22"));
    KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdContoOmaggi"), QStringLiteral("OMG"));
    // a step that refuses stops the calculation before anything is registered
    MotoreAPassi::Rifiuta = true;
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    testa->Edit();
    EXPECT_FALSE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    testa->Cancel();
    EXPECT_EQ(RigheTotali(), 0);

    MotoreAPassi::Rifiuta = false;
    TXParam_TotaliDocs q = Parametri(nullptr, tot.get());
    CalcolaTesta(q);
    // the host's totals, the gift countered on the replacement's account
    EXPECT_DOUBLE_EQ(Totale(1, "TOT", 1, 1), 775.62);
    const QString conto =
        QStringLiteral("SELECT Importo1 FROM FattureCliTot WHERE KFattCliT = 1 AND TipoRecord = 'CON' AND Codice = ?");
    EXPECT_DOUBLE_EQ(Valore(conto, {QStringLiteral("OMX")}), -100.00);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = 1 AND Codice = 'OMG'")), 0);
}

TEST_F(TotaliFattura, StopsWithTheLimitMessageBeyondFiftyVatCodes)
{
    for (int i = 0; i < 51; ++i) {
        const QString codice = QStringLiteral("V%1").arg(i);
        db->ExecSQL(QStringLiteral("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES (?, ?, 4)"),
                    {codice, codice});
        RigoFattura(1, 10 + i, 1, QStringLiteral("A1"), 1, 1, codice);
    }
    TXParam_TotaliDocs p = Parametri(nullptr, tot.get());
    testa->Edit();
    EXPECT_FALSE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
    testa->Cancel();
    EXPECT_TRUE(ui.LastText().startsWith(QStringLiteral("Attenzione: il documento <Fattura FT-5/2024 del 15/03/2024: > "
                                                        "contiene più di 50 codici Iva.")))
        << ui.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
}

// ---- helpers

TEST(ScorporaIva, NetAndVatAlwaysAddUpToTheGross)
{
    double iva = 0;
    EXPECT_DOUBLE_EQ(ScorporaIva(2, 1.95, 4, &iva), 1.88);
    EXPECT_DOUBLE_EQ(iva, 0.07); // rounded on its own it would be 0.08
    EXPECT_DOUBLE_EQ(ScorporaIva(2, 122.00, 22, &iva), 100.00);
    EXPECT_DOUBLE_EQ(iva, 22.00);
    for (int centesimi = 1; centesimi <= 5000; ++centesimi)
        for (double aliquota : {4.0, 10.0, 22.0}) {
            const double lordo = centesimi / 100.0;
            const double netto = ScorporaIva(2, lordo, aliquota, &iva);
            ASSERT_EQ(CompDec(netto + iva, lordo, 2), 0) << lordo << " " << aliquota;
        }
}

TEST(KRate, TheLastInstalmentTakesWhatTheOthersLeave)
{
    EXPECT_EQ(KRate(100, {33.33, 33.33, 33.33}, 2), (QVector<double>{33.33, 33.33, 33.34}));
    EXPECT_EQ(KRate(100, {30, 30, 30}, 2), (QVector<double>{30, 30, 40}));
    EXPECT_EQ(KRate(100, {50, 60}, 2), (QVector<double>{50, 50}));
    EXPECT_EQ(KRate(10, {0, 0, 0}, 2), (QVector<double>{3.33, 3.33, 3.34}));
    EXPECT_EQ(KRate(10, {}, 2), (QVector<double>{10}));
}

TEST_F(Totali, StampValuesAndFixedAccountsFollowDateAndCausal)
{
    double importo = 0, soglia = 0;
    ASSERT_TRUE(GetValoriSpeseBolli(Giorno(2013, 6, 25), importo, soglia));
    EXPECT_DOUBLE_EQ(importo, 1.81);
    ASSERT_TRUE(GetValoriSpeseBolli(Giorno(2013, 6, 26, 15), importo, soglia));
    EXPECT_DOUBLE_EQ(importo, 2.00);
    EXPECT_DOUBLE_EQ(soglia, 77.47);
    EXPECT_FALSE(GetValoriSpeseBolli(Giorno(1999, 1, 1), importo, soglia));
    EXPECT_DOUBLE_EQ(importo, 0);

    KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdContoOmaggi"), QStringLiteral("OMG"));
    KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("VEN.IdContoOmaggi"), QStringLiteral("OMV"));
    EXPECT_EQ(GetContoFisso(QStringLiteral("IdContoOmaggi"), QString()), QStringLiteral("OMG"));
    EXPECT_EQ(GetContoOmaggio(QStringLiteral("IdContoOmaggi"), QStringLiteral("VEN")), QStringLiteral("OMV"));
    EXPECT_EQ(GetContoFisso(QStringLiteral("IdContoOmaggi"), QStringLiteral("ACQ")), QStringLiteral("OMG"));
    EXPECT_EQ(GetIdIvaFisso(QStringLiteral("IdIvaArt15")), QStringLiteral("E15"));
    EXPECT_TRUE(GetIdIvaFisso(QStringLiteral("IdIvaOmaggi")).isEmpty());

    EXPECT_EQ(TestTipoPagamento(QStringLiteral("RB3")), QStringLiteral("RB"));
    EXPECT_TRUE(TestTipoPagamento(QStringLiteral("NO")).isEmpty());
    QVector<QDateTime> date;
    EXPECT_EQ(CalcoloScadenze(nullptr, nullptr, Giorno(2024, 1, 31), QDateTime(), QStringLiteral("RB3"), QString(),
                              QStringLiteral("CL"), QStringLiteral("C1"), date, 0),
              3);
    EXPECT_EQ(date[0].date(), QDate(2024, 3, 31)); // 1 March, at the end of its month
    EXPECT_TRUE(date[3].isNull());
    EXPECT_EQ(CalcoloScadenze(nullptr, nullptr, Giorno(2024, 1, 31), QDateTime(), QStringLiteral("NO"), QString(),
                              QString(), QString(), date, 0),
              -1);
}

} // namespace

#include "test_TotaliDocumenti.moc"
