// The master-data services: a table opened on a selection and an ordering, the account
// check, the customer's VAT override of expense codes and the document-number formatting;
// the split-payment check, the agent commission data and the base module's lookups.
#include "host/business/Datiazienda.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXTable.h"
#include "tests/host/business/DatiBaseFixture.h"

namespace {

QStringList Codici(TDataSet *t)
{
    QStringList codici;
    for (t->First(); !t->Eof(); t->Next())
        codici << t->FieldByName(QStringLiteral("IdConto"))->AsString();
    return codici;
}

class Servizi : public DatiBase {
protected:
    void SetUp() override
    {
        DatiBase::SetUp();
        if (!db)
            return;
        Cliente(QStringLiteral("C1"), QStringLiteral("Bianchi"));
        Cliente(QStringLiteral("C2"), QStringLiteral("Alberti"));
        Cliente(QStringLiteral("C3"), QStringLiteral("Rossi"));
        db->ExecSQL(
            QStringLiteral("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale) VALUES ('FO', 'F1', 'Vetri')"));
        db->ExecSQL(QStringLiteral(
            "INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES ('CG', '40100001', 'Ricavi')"));
    }
};

TEST_F(Servizi, TableOpenedOnASelectionAndAnOrdering)
{
    TDMIBbas *bbas = TDMIBbas::Crea();
    TXTable clienti;
    clienti.SetTableName(QStringLiteral("Clienti"));
    clienti.SetIndexFieldNames(QStringLiteral("IdConto"));
    bbas->ApriTabella(&clienti, QStringLiteral("IdConto <> 'C2'"), QStringLiteral("RagioneSociale DESC"));
    EXPECT_EQ(Codici(&clienti), (QStringList{QStringLiteral("C3"), QStringLiteral("C1")}));

    // opened again: the new selection replaces the old one; an empty one reads every row
    bbas->ApriTabella(&clienti, QString(), QStringLiteral("RagioneSociale"));
    EXPECT_EQ(Codici(&clienti), (QStringList{QStringLiteral("C2"), QStringLiteral("C1"), QStringLiteral("C3")}));

    // a client table starts on its selection; with none it shows its empty selection
    TXClientTable testa;
    testa.SetTableName(QStringLiteral("Clienti"));
    testa.SetXWhereVuoto(QStringLiteral("IdConto = ''"));
    bbas->ApriTabella(&testa, QString(), QStringLiteral("IdConto DESC"));
    EXPECT_TRUE(testa.Active());
    EXPECT_TRUE(testa.IsEmpty());
    bbas->ApriTabella(&testa, QStringLiteral("IdContoTp = 'CL'"), QStringLiteral("IdContoTp, IdConto DESC"));
    EXPECT_EQ(Codici(&testa), (QStringList{QStringLiteral("C3"), QStringLiteral("C2"), QStringLiteral("C1")}));
}

TEST_F(Servizi, AnOrderingThatIsNotColumnNamesIsRefused)
{
    TDMIBbas *bbas = TDMIBbas::Crea();
    TXTable clienti;
    clienti.SetTableName(QStringLiteral("Clienti"));
    for (const QString &ordine : {QStringLiteral("IdConto; DELETE FROM Clienti"), QStringLiteral("IdConto,"),
                                  QStringLiteral("IdConto DESC RagioneSociale"), QStringLiteral("(SELECT 1)")}) {
        EXPECT_THROW(bbas->ApriTabella(&clienti, QString(), ordine), EDatabaseError) << ordine.toStdString();
        EXPECT_FALSE(clienti.Active());
    }
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Clienti")).toInt(), 3);
}

TEST_F(Servizi, AccountCheckByTypeReportsItsOwnMessage)
{
    kv8test::UiScript ui;
    TDMIBbas *bbas = TDMIBbas::Crea();
    EXPECT_TRUE(bbas->TestConto(QStringLiteral("CL"), QStringLiteral("C1")));
    EXPECT_TRUE(bbas->TestConto(QStringLiteral("FO"), QStringLiteral("F1")));
    EXPECT_TRUE(bbas->TestConto(QStringLiteral("CG"), QStringLiteral("40100001")));
    EXPECT_TRUE(ui.Messages().isEmpty());

    EXPECT_FALSE(bbas->TestConto(QStringLiteral("CL"), QStringLiteral("C9")));
    ASSERT_EQ(ui.Messages().size(), 1);
    EXPECT_EQ(ui.Messages().first().Type, mtError);
    EXPECT_TRUE(ui.LastText().contains(QStringLiteral("C9")));
    // the code of another type is not an account of this one
    EXPECT_FALSE(bbas->TestConto(QStringLiteral("FO"), QStringLiteral("C1")));
    EXPECT_TRUE(ui.LastText().contains(QStringLiteral("fornitore")));
    EXPECT_FALSE(bbas->TestConto(QStringLiteral("CL"), QStringLiteral("F1")));
    EXPECT_FALSE(bbas->TestConto(QStringLiteral("CL"), QString()));
    EXPECT_FALSE(bbas->TestConto(QStringLiteral("XX"), QStringLiteral("C1")));
    EXPECT_TRUE(ui.LastText().contains(QStringLiteral("XX")));
    EXPECT_FALSE(bbas->TestConto(QStringLiteral("CL"), QStringLiteral("C1' OR '1'='1")));
    EXPECT_EQ(ui.Messages().size(), 6);

    // an account added after the first check is found
    Cliente(QStringLiteral("C9"), QStringLiteral("Nuovo"));
    EXPECT_TRUE(bbas->TestConto(QStringLiteral("CL"), QStringLiteral("C9")));
    EXPECT_EQ(ui.Messages().size(), 6);
}

TEST_F(Servizi, DocumentNumberFormatting)
{
    TDMIBbas *bbas = TDMIBbas::Crea();
    EXPECT_EQ(bbas->FormattaNumeroDocumento(QStringLiteral("Fattura FTI-12"), 2026, 1, 12, QStringLiteral("FTI")),
              QStringLiteral("Fattura FTI-12/2026"));
    EXPECT_EQ(TDMIBase::NumeroDocumento(QStringLiteral("DDT"), 2025, 1, 7, QStringLiteral("DDT-7")),
              QStringLiteral("DDT-7/2025"));
    // a document not yet numbered keeps the text
    EXPECT_EQ(bbas->FormattaNumeroDocumento(QStringLiteral("DDT-0"), 2026, 1, 0, QStringLiteral("DDT")),
              QStringLiteral("DDT-0"));
}

class IvaCliente : public Servizi {
protected:
    void SetUp() override
    {
        Servizi::SetUp();
        if (!db)
            return;
        db->ExecSQL(QStringLiteral("UPDATE Clienti SET IdIvaAgevolata = 'N8', DataInizioIvaAg = ?, DataFineIvaAg = ? "
                                   "WHERE IdConto = 'C1'"),
                    {Giorno(2026, 1, 1), Giorno(2026, 6, 30)});
        db->ExecSQL(QStringLiteral("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, IdIvaAgevolata) "
                                   "VALUES ('CL', 'C1', 1, '4'), ('CL', 'C1', 2, '')"));
    }

    static TDMIBbas::TIvaSpese Codici()
    {
        return {QStringLiteral("22"), QStringLiteral("10"), QStringLiteral("22T"), QStringLiteral("22I"),
                QStringLiteral("22V")};
    }
};

TEST_F(IvaCliente, CollectionAndReducedRateReplacedExpensesOnlyWhenTheSettingSaysSo)
{
    TDMIBbas *bbas = TDMIBbas::Crea();
    TDMIBbas::TIvaSpese c = Codici();
    ASSERT_TRUE(bbas->IvaSpeseCliente(1, QStringLiteral("CL"), QStringLiteral("C1"), 0, Giorno(2026, 3, 1), c));
    EXPECT_EQ(c.Incasso, QStringLiteral("N8"));
    EXPECT_EQ(c.Ridotta, QStringLiteral("N8"));
    EXPECT_EQ(c.Trasporto, QStringLiteral("22T"));
    EXPECT_EQ(c.Imballo, QStringLiteral("22I"));
    EXPECT_EQ(c.Varie, QStringLiteral("22V"));

    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlSpeseCliente"), 1);
    c = Codici();
    ASSERT_TRUE(bbas->IvaSpeseCliente(0, QStringLiteral("CL"), QStringLiteral("C1"), 0, Giorno(2026, 6, 30), c));
    EXPECT_EQ(c.Trasporto, QStringLiteral("N8"));
    EXPECT_EQ(c.Imballo, QStringLiteral("N8"));
    EXPECT_EQ(c.Varie, QStringLiteral("N8"));
}

TEST_F(IvaCliente, DestinationFirstThenCustomerOnlyWithinThePeriodAndForSalesKinds)
{
    TDMIBbas *bbas = TDMIBbas::Crea();
    const QString cl = QStringLiteral("CL");
    TDMIBbas::TIvaSpese c = Codici();
    ASSERT_TRUE(bbas->IvaSpeseCliente(2, cl, QStringLiteral("C1"), 1, Giorno(2026, 3, 1), c));
    EXPECT_EQ(c.Incasso, QStringLiteral("4"));
    c = Codici(); // a destination without an override falls back to the customer's
    ASSERT_TRUE(bbas->IvaSpeseCliente(2, cl, QStringLiteral("C1"), 2, Giorno(2026, 3, 1), c));
    EXPECT_EQ(c.Incasso, QStringLiteral("N8"));

    const TDMIBbas::TIvaSpese prima = Codici();
    for (const QDateTime &fuori : {Giorno(2025, 12, 31), Giorno(2026, 7, 1), QDateTime()}) {
        c = Codici();
        EXPECT_FALSE(bbas->IvaSpeseCliente(1, cl, QStringLiteral("C1"), 0, fuori, c));
        EXPECT_EQ(c.Incasso, prima.Incasso);
    }
    c = Codici();
    EXPECT_FALSE(bbas->IvaSpeseCliente(10, cl, QStringLiteral("C1"), 0, Giorno(2026, 3, 1), c)); // purchase
    EXPECT_FALSE(bbas->IvaSpeseCliente(1, QStringLiteral("FO"), QStringLiteral("C1"), 0, Giorno(2026, 3, 1), c));
    EXPECT_FALSE(bbas->IvaSpeseCliente(1, cl, QStringLiteral("C2"), 0, Giorno(2026, 3, 1), c)); // no override
    EXPECT_EQ(c.Incasso, prima.Incasso);
    EXPECT_EQ(c.Ridotta, prima.Ridotta);
}

TEST_F(Servizi, SplitPaymentOfACustomerWithinItsPeriod)
{
    TDMIBCge *cge = TDMIBCge::Crea();
    db->ExecSQL(QStringLiteral("UPDATE Clienti SET FlSplitPayment = 1, DataInizioSplit = ? WHERE IdConto = 'C1'"),
                {Giorno(2026, 1, 1)});
    db->ExecSQL(QStringLiteral("UPDATE Clienti SET FlSplitPayment = 1 WHERE IdConto = 'C2'"));
    db->ExecSQL(QStringLiteral("UPDATE Clienti SET DataInizioSplit = ? WHERE IdConto = 'C3'"), {Giorno(2020, 1, 1)});
    const QString cl = QStringLiteral("CL");
    EXPECT_FALSE(cge->IvaSplit(cl, QStringLiteral("C1"), Giorno(2025, 12, 31, 23, 59)));
    EXPECT_TRUE(cge->IvaSplit(cl, QStringLiteral("C1"), Giorno(2026, 1, 1, 9, 0)));
    EXPECT_TRUE(cge->IvaSplit(cl, QStringLiteral("C1"), Giorno(2030, 1, 1)));
    EXPECT_FALSE(cge->IvaSplit(cl, QStringLiteral("C1"), QDateTime()));
    EXPECT_TRUE(cge->IvaSplit(cl, QStringLiteral("C2"), Giorno(2026, 1, 1)));  // no period: always
    EXPECT_FALSE(cge->IvaSplit(cl, QStringLiteral("C3"), Giorno(2026, 1, 1))); // period but not marked
    EXPECT_FALSE(cge->IvaSplit(cl, QStringLiteral("C9"), Giorno(2026, 1, 1)));
    EXPECT_FALSE(cge->IvaSplit(QStringLiteral("FO"), QStringLiteral("F1"), Giorno(2026, 1, 1)));

    // the period changed by the customer window is seen at the next check
    db->ExecSQL(QStringLiteral("UPDATE Clienti SET DataFineSplit = ? WHERE IdConto = 'C1'"), {Giorno(2026, 6, 30)});
    TDMIBase::Crea()->Rileggi(QStringLiteral("Clienti"));
    EXPECT_FALSE(cge->IvaSplit(cl, QStringLiteral("C1"), Giorno(2030, 1, 1)));
    EXPECT_TRUE(cge->IvaSplit(cl, QStringLiteral("C1"), Giorno(2026, 6, 30, 18, 0)));
}

TEST_F(Servizi, AgentCommissionData)
{
    db->ExecSQL(QStringLiteral("INSERT INTO Agenti (IdAgente, RagioneSociale, Provvigione, FlBaseProvv) VALUES "
                               "('AG1', 'Rinaldi', 5.5, 1), ('AG2', 'Neri', 3, 0)"));
    TDMIBPra *pra = TDMIBPra::Crea();
    TDMIBPra::TDatiProvvigione d;
    ASSERT_TRUE(pra->DatiProvvigione(QStringLiteral("AG1"), d));
    EXPECT_DOUBLE_EQ(d.Provvigione, 5.5);
    EXPECT_TRUE(d.BaseImporto);
    ASSERT_TRUE(pra->DatiProvvigione(QStringLiteral("AG2"), d));
    EXPECT_FALSE(d.BaseImporto);
    // an unknown agent leaves nothing of the previous one
    EXPECT_FALSE(pra->DatiProvvigione(QStringLiteral("AG9"), d));
    EXPECT_DOUBLE_EQ(d.Provvigione, 0);
}

TEST_F(Servizi, LookupsFollowTheRowsWrittenSinceTheyWereRead)
{
    TDMIBase *dm = TDMIBase::Crea();
    const QString chiave = QStringLiteral("IdContoTp;IdConto");
    const auto ragioneSociale = [&] {
        return dm->lkClienti->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    };
    ASSERT_TRUE(TDMIBase::Posiziona(dm->lkClienti, chiave, {QStringLiteral("CL"), QStringLiteral("C2")}));
    EXPECT_EQ(ragioneSociale(), QStringLiteral("Alberti"));
    // a failed search leaves the cursor on the record found before
    EXPECT_FALSE(TDMIBase::Posiziona(dm->lkClienti, chiave, {QStringLiteral("CL"), QStringLiteral("C7")}));
    EXPECT_EQ(dm->lkClienti->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("C2"));

    // a row added since is found; a row changed is seen once its window says so
    Cliente(QStringLiteral("C7"), QStringLiteral("Verdi"));
    EXPECT_TRUE(TDMIBase::Posiziona(dm->lkClienti, chiave, {QStringLiteral("CL"), QStringLiteral("C7")}));
    db->ExecSQL(QStringLiteral("UPDATE Clienti SET RagioneSociale = 'Alberti & C.' WHERE IdConto = 'C2'"));
    dm->Rileggi(QStringLiteral("clienti"));
    ASSERT_TRUE(TDMIBase::Posiziona(dm->lkClienti, chiave, {QStringLiteral("CL"), QStringLiteral("C2")}));
    EXPECT_EQ(ragioneSociale(), QStringLiteral("Alberti & C."));

    // written inside a transaction: seen at once, and gone again after the rollback
    db->StartTransaction();
    db->ExecSQL(QStringLiteral("UPDATE Clienti SET RagioneSociale = 'Provvisorio' WHERE IdConto = 'C2'"));
    db->ExecSQL(QStringLiteral("DELETE FROM Clienti WHERE IdConto = 'C7'"));
    ASSERT_TRUE(TDMIBase::Posiziona(dm->lkClienti, chiave, {QStringLiteral("CL"), QStringLiteral("C2")}));
    EXPECT_EQ(ragioneSociale(), QStringLiteral("Provvisorio"));
    EXPECT_FALSE(TDMIBase::Posiziona(dm->lkClienti, chiave, {QStringLiteral("CL"), QStringLiteral("C7")}));
    db->Rollback();
    ASSERT_TRUE(dm->lkClienti->Locate(chiave, QVariantList{QStringLiteral("CL"), QStringLiteral("C2")}));
    EXPECT_EQ(ragioneSociale(), QStringLiteral("Alberti & C."));
    EXPECT_TRUE(TDMIBase::Posiziona(dm->lkClienti, chiave, {QStringLiteral("CL"), QStringLiteral("C7")}));
}

TEST_F(Servizi, CompanyDiscountSignReadAtStartUp)
{
    ConfigStore::SaveCompany(*db, CFG);
    Applvar::CaricaDatiAzienda(*db);
    EXPECT_EQ(CFG.SegnoSconti, -1); // the column's default
    db->ExecSQL(QStringLiteral("UPDATE DatiAzienda SET SegnoSconti = 1"));
    Applvar::CaricaDatiAzienda(*db);
    EXPECT_EQ(CFG.SegnoSconti, 1);
    db->ExecSQL(QStringLiteral("UPDATE DatiAzienda SET SegnoSconti = 5"));
    Applvar::CaricaDatiAzienda(*db);
    EXPECT_EQ(CFG.SegnoSconti, -1);
}

} // namespace
