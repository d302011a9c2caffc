// The printed deposit summary on a print's head dataset, and the packaging-expense account of
// a document's totals.
#include "CauzioniDocTest.h"

namespace {

class StampaCastelletto : public CauzioniDocTest {
protected:
    void TearDown() override
    {
        stampa.reset();
        CauzioniDocTest::TearDown();
    }

    // A stored head of the kind with the causal's print settings.
    void TestaStampa(const QString &testata, const QString &chiave, qint64 k, const QString &cliente, int destinazione,
                     int flStaCau, int flTpStaCau)
    {
        const bool fattura = testata == QLatin1String("FattureCliTeste");
        const QString causali = fattura ? QStringLiteral("CausaliFattCli") : QStringLiteral("CausaliBolleCli");
        Esegui(QStringLiteral("DELETE FROM %1 WHERE IdCausale = 'P'").arg(causali));
        Esegui(QStringLiteral("INSERT INTO %1 (IdCausale, DsCausale, UT_LMQ_FlStaCau, UT_LMQ_FlTpStaCau) VALUES "
                              "('P', 'Stampa', ?, ?)")
                   .arg(causali),
               {flStaCau, flTpStaCau});
        const bool fornitore = testata == QLatin1String("BolleForTeste");
        Esegui(QStringLiteral("INSERT INTO %1 (%2, IdCausale, %3, %4, IdDestinazione, Anno, Numero) "
                              "VALUES (?, 'P', ?, ?, ?, 2025, ?)")
                   .arg(testata, chiave, fornitore ? QStringLiteral("IdFornitoreTp") : QStringLiteral("IdClienteTp"),
                        fornitore ? QStringLiteral("IdFornitore") : QStringLiteral("IdCliente")),
               {k, fornitore ? "FO" : "CL", cliente, destinazione, k});
        TDMIBase *base = TDMIBase::Crea();
        TXlkTable *lk = fattura ? base->lkCausFattCli : base->lkCausBolleCli;
        lk->Close();
        lk->Open();
        stampa = std::make_unique<TXQuery>();
        stampa->SQL = QStringList{QStringLiteral("SELECT * FROM %1 WHERE %2 = :K").arg(testata, chiave)};
        stampa->ParamByName(QStringLiteral("K"))->SetAsInteger(k);
        stampa->AddLookupField(QStringLiteral("_UT_LMQ_FlStaCau"), ftSmallint, 0, lk, QStringLiteral("IdCausale"),
                               QStringLiteral("IdCausale"), QStringLiteral("UT_LMQ_FlStaCau"));
        stampa->AddLookupField(QStringLiteral("_UT_LMQ_FlTpStaCau"), ftSmallint, 0, lk, QStringLiteral("IdCausale"),
                               QStringLiteral("IdCausale"), QStringLiteral("UT_LMQ_FlTpStaCau"));
        UT_LMQ_DVEN_CampiCastelletto(stampa.get());
    }
    void Stampa(int tipo)
    {
        stampa->OnCalcFields = [tipo](TDataSet *d) { UT_LMQ_DVEN_StampaCastelletto(d, tipo); };
        stampa->Close();
        stampa->Open();
    }
    void RigaCast(const QString &tabella, const QString &chiave, qint64 k, const QString &imballo, double esiAtt,
                  double esiB, double car, double res, double prezzo, double valCar, double valRes,
                  TXDatabase *su = nullptr)
    {
        (su ? su : db)
            ->ExecSQL(QStringLiteral(
                          "INSERT INTO %1 (KMovimento, %2, IdImballo, EsistenzaAtt, EsistenzaB, EsistenzaF, QtaCar, "
                          "QtaRes, Prezzo, ValoreCar, ValoreRes, QtaCarEcc, QtaResEcc) "
                          "VALUES (?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, 1, 2)")
                          .arg(tabella, chiave),
                      {++movimenti, k, imballo, esiAtt, esiB, car, res, prezzo, valCar, valRes});
    }
    QString S(const char *campo, int posto) { return stampa->FieldByName(Nome(campo, posto))->AsString(); }
    double N(const char *campo, int posto) { return stampa->FieldByName(Nome(campo, posto))->AsFloat(); }
    double N(const char *campo) { return stampa->FieldByName(QLatin1String(campo))->AsFloat(); }
    static QString Nome(const char *campo, int posto)
    {
        return QLatin1String(campo) + QStringLiteral("%1").arg(posto, 2, 10, QLatin1Char('0'));
    }

    std::unique_ptr<TXQuery> stampa;
    int movimenti = 0;
};

} // namespace

TEST_F(StampaCastelletto, RowsPrintedFollowTheCausal)
{
    RigaCast("LUMO_CauzDocBoll", "KBolleCliT", 7, "B01", 12, 0, 0, 0, 2.5, 0, 0);
    RigaCast("LUMO_CauzDocBoll", "KBolleCliT", 7, "C01", 0, 10, 5, 2, 1.5, 12, 4);
    RigaCast("LUMO_CauzDocBoll", "KBolleCliT", 7, "G01", 0, 0, 0, 0, 1, 0, 0);
    RigaCast("LUMO_CauzDocBoll", "KBolleCliT", 8, "B01", 99, 99, 99, 99, 9, 99, 99); // another document
    TestaStampa("BolleCliTeste", "KBolleCliT", 7, "C1", 0, 2, 1);
    Stampa(1);
    EXPECT_EQ(S("_UT_IdCauz", 1), "C01");
    EXPECT_EQ(S("_UT_DsCauz", 1), "Cassa");
    EXPECT_EQ(N("_UT_EsiIni", 1), 10);
    EXPECT_EQ(N("_UT_EsiFin", 1), 13);
    EXPECT_DOUBLE_EQ(N("_UT_ValCon", 1), 8.0);
    EXPECT_DOUBLE_EQ(N("_UT_Prezzo", 1), 1.5);
    EXPECT_EQ(N("_UT_QtaCarEcc", 1), 1);
    EXPECT_EQ(N("_UT_QtaResEcc", 1), 2);
    EXPECT_EQ(S("_UT_IdCauz", 2), "");
    EXPECT_DOUBLE_EQ(N("_UT_TotValCon"), 12.0);
    EXPECT_DOUBLE_EQ(N("_UT_TotValRes"), 4.0);

    // 3: B01 has stock (general set), G01 nothing at all
    Esegui(
        QStringLiteral("UPDATE CausaliBolleCli SET UT_LMQ_FlStaCau = 3, UT_LMQ_FlTpStaCau = 0 WHERE IdCausale = 'P'"));
    TDMIBase::Crea()->lkCausBolleCli->Close();
    Stampa(1);
    EXPECT_EQ(S("_UT_IdCauz", 1), "B01");
    EXPECT_EQ(N("_UT_EsiIni", 1), 12);
    EXPECT_EQ(N("_UT_Prezzo", 1), 0); // no quantity: no price
    EXPECT_EQ(S("_UT_IdCauz", 2), "C01");
    EXPECT_EQ(S("_UT_IdCauz", 3), "");

    Esegui(
        QStringLiteral("UPDATE CausaliBolleCli SET UT_LMQ_FlStaCau = 1, UT_LMQ_FlTpStaCau = 7 WHERE IdCausale = 'P'"));
    TDMIBase::Crea()->lkCausBolleCli->Close();
    Stampa(1);
    EXPECT_EQ(S("_UT_IdCauz", 3), "G01");
    EXPECT_EQ(N("_UT_EsiIni", 1), 0);
}

TEST_F(StampaCastelletto, CausalWithoutPrintTouchesNothing)
{
    RigaCast("LUMO_CauzDocBoll", "KBolleCliT", 7, "C01", 0, 10, 5, 2, 1.5, 12, 4);
    TestaStampa("BolleCliTeste", "KBolleCliT", 7, "C1", 0, 0, 0);
    Stampa(1);
    EXPECT_TRUE(stampa->FieldByName(QStringLiteral("_UT_IdCauz01"))->IsNull());
    EXPECT_TRUE(stampa->FieldByName(QStringLiteral("_UT_TotValCon"))->IsNull());
}

TEST_F(StampaCastelletto, FourteenRowsFillTenSlotsAndTotalAll)
{
    for (int i = 0; i < 14; ++i) {
        const QString codice = QStringLiteral("K%1").arg(i, 2, 10, QLatin1Char('0'));
        RigaCast("LUMO_CauzDocBollAcq", "KBolleForT", 3, codice, 0, 0, 1, 0, 1, 1, 0.5);
    }
    TestaStampa("BolleForTeste", "KBolleForT", 3, "F1", 0, 1, 0);
    Stampa(4);
    EXPECT_EQ(S("_UT_IdCauz", 1), "K00");
    EXPECT_EQ(S("_UT_IdCauz", 10), "K09");
    EXPECT_EQ(S("_UT_DsCauz", 1), ""); // not in the packaging table
    EXPECT_DOUBLE_EQ(N("_UT_TotValCon"), 14.0);
    EXPECT_DOUBLE_EQ(N("_UT_TotValRes"), 7.0);
}

TEST_F(StampaCastelletto, EmptySummaryAndUnknownTypePrintTheEmptyBlock)
{
    TestaStampa("BolleCliTeste", "KBolleCliT", 7, "C1", 0, 1, 0);
    for (int tipo : {1, 9}) {
        Stampa(tipo);
        EXPECT_EQ(S("_UT_IdCauz", 1), "") << tipo;
        EXPECT_EQ(N("_UT_ValCon", 10), 0) << tipo;
        EXPECT_FALSE(stampa->FieldByName(QStringLiteral("_UT_TotValCon"))->IsNull()) << tipo;
        EXPECT_EQ(N("_UT_TotValCon"), 0) << tipo;
        EXPECT_EQ(N("_UT_TotValRes"), 0) << tipo;
    }
}

TEST_F(StampaCastelletto, InvoiceShowsTheOutstandingInvoicedValueOfItsCards)
{
    for (const auto &[conto, dest, val] :
         {std::tuple{"C2", 4, 30.0}, std::tuple{"C2", 0, 5.0}, std::tuple{"C1", 0, 7.0}})
        Esegui(QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                              "ProgValCarF, ProgValResF) VALUES ('CL', ?, ?, 'C01', 0, ?, 1)"),
               {conto, dest, val});
    Esegui(QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                          "ProgValCarF, ProgValResF) VALUES ('CL', 'C2', 0, 'C01', 1, 100, 0)"));
    RigaCast("LUMO_CauzDocFatt", "KFattCliT", 5, "C01", 0, 0, 5, 0, 1.5, 7.5, 0);
    TestaStampa("FattureCliTeste", "KFattCliT", 5, "C2", 4, 1, 0);
    Stampa(2);
    EXPECT_DOUBLE_EQ(N("_UT_LMQ_ValoreAttCau"), 29.0);
    EXPECT_DOUBLE_EQ(N("_UT_TotValCon"), 7.5);

    // the invoice being generated: its summary still in the local copy
    TabellaLocale(QStringLiteral("LUMO_t_CauzDocFatt"), QString());
    TXDatabase &locale = DMIDataBases::Instance().Database(QStringLiteral("LocalDatabase"));
    RigaCast("LUMO_t_CauzDocFatt", "KFattCliT", 6, "B01", 0, 0, 4, 0, 0.25, 1, 0, &locale);
    Esegui(QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, IdClienteTp, IdCliente, IdDestinazione) "
                          "VALUES (6, 'P', 'CL', 'C1', 4)"));
    stampa->ParamByName(QStringLiteral("K"))->SetAsInteger(6);
    Stampa(3);
    EXPECT_EQ(S("_UT_IdCauz", 1), "B01");
    EXPECT_DOUBLE_EQ(N("_UT_TotValCon"), 1.0);
    EXPECT_DOUBLE_EQ(N("_UT_LMQ_ValoreAttCau"), 6.0); // C1 keeps no destination cards
}

TEST_F(StampaCastelletto, ACustomerCodeWithAQuoteIsJustACode)
{
    Esegui(QStringLiteral(
        "INSERT INTO Clienti (IdContoTp, IdConto, UT_LMQ_FlCauz, UT_LMQ_FlCauDes) VALUES ('CL', 'O''K', 1, 0)"));
    Esegui(QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                          "ProgValCarF, ProgValResF) VALUES ('CL', 'O''K', 0, 'C01', 0, 3, 0)"));
    TestaStampa("FattureCliTeste", "KFattCliT", 5, "O'K", 0, 1, 0);
    Stampa(2);
    EXPECT_DOUBLE_EQ(N("_UT_LMQ_ValoreAttCau"), 3.0);
}

TEST_F(StampaCastelletto, PackagingExpenseGoesToTheCustomersDepositAccount)
{
    for (const auto &[cliente, k] : {std::pair{"C1", 1}, std::pair{"C2", 2}}) {
        Esegui(QStringLiteral(
                   "INSERT INTO BolleCliTeste (KBolleCliT, IdClienteTp, IdCliente, Numero) VALUES (?, 'CL', ?, ?)"),
               {k, cliente, k});
        for (const auto &[tipoRecord, prog] : {std::pair{"SPI", 1}, std::pair{"SPI", 2}, std::pair{"IVA", 1}})
            Esegui(QStringLiteral(
                       "INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice) VALUES (?, ?, ?, 'X')"),
                   {k, tipoRecord, prog});
    }
    TXClientTable totali;
    totali.SetTableName(QStringLiteral("BolleCliTot"));
    totali.SetUsaDizionario(true);
    totali.SetXWhereVuoto(QStringLiteral("KBolleCliT = 0"));
    totali.Open();
    TXQuery testaDoc;
    testaDoc.SQL = QStringList{QStringLiteral("SELECT * FROM BolleCliTeste ORDER BY KBolleCliT")};
    testaDoc.Open();
    UT_LMQ_DVEN_CodiceSpeseImballo(&testaDoc, &totali, QStringLiteral("DT"));
    testaDoc.Next();
    UT_LMQ_DVEN_CodiceSpeseImballo(&testaDoc, &totali, QStringLiteral("DT")); // C2 has no deposit account
    auto codice = [&](int k, const char *tr, int p) {
        return db
            ->ScalarValue(QStringLiteral("SELECT Codice FROM BolleCliTot WHERE KBolleCliT = ? AND TipoRecord = ? AND "
                                         "Progressivo = ?"),
                          {k, tr, p})
            .toString();
    };
    EXPECT_EQ(codice(1, "SPI", 1), "4010");
    EXPECT_EQ(codice(1, "SPI", 2), "X");
    EXPECT_EQ(codice(1, "IVA", 1), "X");
    EXPECT_EQ(codice(2, "SPI", 1), "X");
}
