// The module's invoice save through the window: a new invoice of three rows priced per
// package, per unit and per litre with its deposit summary corrected by hand, the same
// invoice changed and deleted, and the failures that must leave nothing written.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Lumo_castdoc.h"
#include "host/ui/DBGrid.h"

#include <QDir>
#include <QPixmap>

class SalvataggioFatture : public FattureModulo {
protected:
    // Three rows: V12 3 packages at 10.00 a package, V06 2 packages at 5.00 a bottle, V12 one
    // package at 2.00 a litre.
    TFSVen0008f_p *FatturaTreRighe()
    {
        auto *f = NuovaFattura();
        if (!f)
            return nullptr;
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
        RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("1"), QStringLiteral("2"), 0);
        return f;
    }
    qint64 Chiave() { return Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste")).toLongLong(); }
    QStringList Riepilogo(qint64 k)
    {
        return Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, ValoreCar, ValoreRes FROM LUMO_CauzDocFatt "
                                     "WHERE KFattCliT = ? ORDER BY IdImballo"),
                      {k});
    }
};

TEST_F(SalvataggioFatture, NewChangedAndDeletedInvoiceKeepDepositsLitresAndCards)
{
    const QStringList schedePrima = Schede();
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste")), QStringList{"0"});
    ResiCasse(f, 2);
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 14) << "6 cases at 2.00 and 60 bottles at 0.10, 2 cases back";
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Numero, UT_LMQ_TotLit, NumeroColli, SpeseImballo FROM FattureCliTeste")),
              QStringList{"1/45/6/14"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, UT_LMQ_FlTipoPrz, ImportoLordo, "
                                    "UT_LMQ_TotLit, UT_LMQ_IdImballo1 FROM FattureCliRighe ORDER BY NumOrdine")),
              (QStringList{"V12/3/36/1/30/27/CAS", "V06/2/12/0/60/9/CAS", "V12/1/12/0/18/9/CAS"}));
    EXPECT_EQ(Riepilogo(k), (QStringList{"BOT/60/0/6/0", "CAS/6/2/12/4"}));
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V12")), -48);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
    EXPECT_GT(Conta(QStringLiteral("LUMO_MovCauR")), 0);
    EXPECT_NE(Schede(), schedePrima);
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT Codice FROM FattureCliTot WHERE KFattCliT = ? AND TipoRecord = 'SPI'"), {k}),
        QStringList{"4010"});
    const QStringList kMov = Elenco(
        QStringLiteral("SELECT IdImballo, KMovimento FROM LUMO_CauzDocFatt WHERE KFattCliT = ? ORDER BY IdImballo"),
        {k});

    // changed: one row modified, one deleted, one added; a summary row changed
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->dsLUMO_CauzDoc->DataSet(), f->qLUMO_CauzDoc) << "browsed: the stored summary";
    EXPECT_EQ(f->qLUMO_CauzDoc->RecordCount(), 2);
    VaiARigo(f, QStringLiteral("V06"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(4);
    f->TRighe->Post();
    EXPECT_EQ(f->dsLUMO_CauzDoc->DataSet(), f->TTLUMO_CauzDoc) << "edited: the working copy";
    f->TRighe->Last();
    script.AllowUnusedAnswers();
    EXPECT_THROW(f->TRighe->Delete(), EAbort) << "a stored row stays, marked deleted";
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 1);
    ResiCasse(f, 3);
    script.Yes(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    // the reloaded invoice shows its current row's amount
    EXPECT_EQ(f->TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString(), QStringLiteral("V12"));
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "_ImportoNetto"), 30);
    // V12 3 + V06 4 + V06 1 = 8 cases; 36 + 24 + 6 = 66 bottles; 3 cases back
    EXPECT_EQ(Riepilogo(k), (QStringList{"BOT/66/0/6.6/0", "CAS/8/3/16/6"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_TotLit, NumeroColli, SpeseImballo FROM FattureCliTeste")),
              QStringList{"49.5/8/16.6"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, KMovimento FROM LUMO_CauzDocFatt WHERE KFattCliT = ? "
                                    "ORDER BY IdImballo"),
                     {k}),
              kMov)
        << "a re-saved invoice keeps its summary's registration";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V06")), -30);

    // deleted: every card as before the first save
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocFatt")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    QStringList schedeDopo;
    for (const QString &s : Schede())
        if (!s.endsWith(QLatin1String("/0/0/0")))
            schedeDopo << s;
    EXPECT_EQ(schedeDopo, schedePrima) << "cards back to zero";
}

TEST_F(SalvataggioFatture, FailuresInsideTheTransactionLeaveNothingAndTheCorrectedSaveRegistersOnce)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    // the stored summary refuses a second row of the same packaging: the registration fails
    ResiCasse(f, 1);
    const qint64 k = f->TTesta->FieldByName(QStringLiteral("KFattCliT"))->AsInteger();
    Esegui("INSERT INTO LUMO_CauzDocFatt (KMovimento, FlTipoDocColl, KFattCliT, IdImballo) VALUES (999, 2, ?, 'CAS')",
           {k});
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("ProgQtaCar <> 0")), 0);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_NE(f->TTesta->State(), dsBrowse) << "the window stays in edit";
    int avvisi = 0;
    for (const kv8test::ShownMessage &m : script.Messages())
        avvisi += m.Type == mtWarning ? 1 : 0;
    EXPECT_EQ(avvisi, 1) << "the text shown once: " << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);

    Esegui("DELETE FROM LUMO_CauzDocFatt");
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocFatt")), 2);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
}

// A save failing after the head was posted gives the invoice back in edit with the summary as
// the user left it: the corrected save stores the returns typed by hand.
TEST_F(SalvataggioFatture, FailedSaveKeepsTheSummaryEditedByHand)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    ResiCasse(f, 2);
    ASSERT_TRUE(GuastaInserimenti(QStringLiteral("FattureCliRighe")));
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    EXPECT_NE(f->TTesta->State(), dsBrowse) << "the invoice stays in edit";
    EXPECT_TRUE(f->Castelletto->SuCopia());
    EXPECT_GT(Campo(f->TRighe, "ImportoNetto"), 0);
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "_ImportoNetto"), Campo(f->TRighe, "ImportoNetto"))
        << "the current row's amount shown again";

    RipristinaInserimenti(QStringLiteral("FattureCliRighe"));
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Riepilogo(Chiave()), (QStringList{"BOT/60/0/6/0", "CAS/6/2/12/4"}));
}

// The customer changed after the summary was built: the summary holds the new customer's
// balances and pending returns, the returns typed stay, and the save links the new customer's
// pending return only.
TEST_F(SalvataggioFatture, ChangingTheCustomerAfterTheSummaryTakesTheNewCustomersBalancesAndReturns)
{
    Esegui("UPDATE Clienti SET UT_LMQ_FlCauz = 1, UT_LMQ_IdListCau = 'L1' WHERE IdConto = 'C2'");
    Esegui(
        "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, FlTipoScheda, IdDestinazione, IdImballo, IdDivisa, ProgQtaCar, "
        "ProgQtaRes) VALUES ('CL', 'C1', 0, 0, 'CAS', 'EUR', 10, 2), ('CL', 'C1', 0, 0, 'BOT', 'EUR', 120, 0), "
        "('CL', 'C2', 0, 0, 'CAS', 'EUR', 5, 1)");
    Esegui("INSERT INTO LUMO_MovResT (KMovResT, KDocT, FlTipoDocColl, IdContoTp, IdConto, IdDestinazione) VALUES "
           "(1, 0, 0, 'CL', 'C1', 0), (2, 0, 0, 'CL', 'C2', 0)");
    Esegui(
        "INSERT INTO LUMO_MovResR (KMovResR, KMovResT, IdImballo, QtaRes) VALUES (1, 1, 'CAS', 3), (2, 2, 'CAS', 1)");
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    ResiCasse(f, 5); // 3 pending and 2 more typed
    TDataSet *c = f->TTLUMO_CauzDoc;
    const auto cassa = [&] {
        EXPECT_TRUE(c->Locate(QStringLiteral("IdImballo"), QStringLiteral("CAS")));
        return QStringLiteral("%1/%2/%3")
            .arg(Campo(c, "EsistenzaAtt"))
            .arg(Campo(c, "QtaRes"))
            .arg(Campo(c, "QtaResPn"));
    };
    EXPECT_EQ(cassa(), QStringLiteral("8/5/3"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), QStringLiteral("C2")));
    EXPECT_EQ(cassa(), QStringLiteral("4/3/1"));
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, EsistenzaAtt, QtaCar, QtaRes, QtaResPn, ValoreRes FROM "
                                    "LUMO_CauzDocFatt WHERE KFattCliT = ? ORDER BY IdImballo"),
                     {k}),
              (QStringList{"BOT/0/60/0/0/0", "CAS/4/6/3/1/6"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT KMovResT, KDocT FROM LUMO_MovResT ORDER BY KMovResT")),
              (QStringList{"1/0", QStringLiteral("2/%1").arg(k)}));
}

// The grids of the rows and of the summary stay still while the save runs and show the window's
// rows again when it ends, after a failure as after a commit.
TEST_F(SalvataggioFatture, GridsShowTheRowsAgainWhenTheSaveEnds)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    auto *riepilogo = f->findChild<KDBGriglia *>(QStringLiteral("gUT_LMQ_CauzDoc"));
    ASSERT_TRUE(riepilogo);
    const auto righeMostrate = [](KDBGriglia *g) { return g->model()->rowCount(); };

    ASSERT_TRUE(GuastaInserimenti(QStringLiteral("FattureCliRighe")));
    Premi(f, nbPost);
    ASSERT_FALSE(f->SalvataggioRiuscito);
    EXPECT_FALSE(f->TRighe->ControlsDisabled());
    EXPECT_FALSE(f->Castelletto->TTLUMO_CauzDoc->ControlsDisabled());
    EXPECT_EQ(righeMostrate(f->GrigliaRighe), 3);
    EXPECT_EQ(righeMostrate(riepilogo), 2) << "the summary built for the save";

    RipristinaInserimenti(QStringLiteral("FattureCliRighe"));
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(f->TRighe->ControlsDisabled());
    EXPECT_FALSE(f->Castelletto->TTLUMO_CauzDoc->ControlsDisabled());
    // the window is ready for the next invoice: its grids show what their datasets hold
    EXPECT_EQ(righeMostrate(f->GrigliaRighe), f->TRighe->Active() ? f->TRighe->RecordCount() : 0);
    TDataSet *mostrato = riepilogo->DataSet();
    EXPECT_EQ(righeMostrate(riepilogo), mostrato && mostrato->Active() ? mostrato->RecordCount() : 0);
}

TEST_F(SalvataggioFatture, DepositChargeCountsOnlyThisInvoicesLiveRows)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
    kv8test::ProcessEvents();
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 18);
    // the tab with its built summary, offscreen
    f->resize(1000, 640);
    const QPixmap schermata = f->grab();
    EXPECT_FALSE(schermata.isNull());
    EXPECT_EQ(f->gUT_LMQ_CauzDoc->model()->rowCount(), 2);
    EXPECT_TRUE(schermata.save(kv8test::ArtefactPath(QStringLiteral("invoice-castelletto.png"))));
    // rows of another invoice and a deleted row of this one in the same local table
    const qint64 k = f->TTesta->FieldByName(QStringLiteral("KFattCliT"))->AsInteger();
    TXDatabase &locale = f->TTLUMO_CauzDoc->Database();
    locale.ExecSQL(QStringLiteral("INSERT INTO LUMO_T_CAUZDOCFATT (KFattCliT, IdImballo, ValoreCar, ValoreRes, Stato) "
                                  "VALUES (?, 'CAS', 500, 0, 2), (?, 'XXX', 300, 0, 3)"),
                   {k + 1, k});
    f->UT_LMQ_CalcoloValoreCauzioni();
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 18);
    f->TTesta->Cancel();
    script.AllowUnusedAnswers();
}

TEST_F(SalvataggioFatture, TabRowEventsBalancingAndNegativeCharge)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
    kv8test::ProcessEvents();
    TDataSet *c = f->TTLUMO_CauzDoc;
    // an inserted row posted untouched leaves nothing
    const int righe = c->RecordCount();
    c->Insert();
    EXPECT_EQ(c->FieldByName(QStringLiteral("Stato"))->AsInteger(), 2);
    EXPECT_THROW(c->Post(), EAbort) << "the silent abort";
    EXPECT_EQ(c->RecordCount(), righe);
    // unknown and empty codes refused
    c->Insert();
    EXPECT_THROW(c->FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("ZZZ")), Exception);
    EXPECT_THROW(c->FieldByName(QStringLiteral("IdImballo"))->SetAsString(QString()), Exception);
    c->Cancel();
    // deleting is refused
    ASSERT_TRUE(c->Locate(QStringLiteral("IdImballo"), QStringLiteral("BOT")));
    EXPECT_THROW(c->Delete(), Exception);
    EXPECT_EQ(c->RecordCount(), righe);
    // balancing: returned := loaded + journal returns, rows with nothing loaded untouched
    c->Edit();
    c->FieldByName(QStringLiteral("QtaResPn"))->SetAsFloat(2);
    c->Post();
    script.Yes(QStringLiteral("Confermi Pareggio Automatico Cauzioni "));
    f->btnUT_LMQ_PareggiaClick();
    ASSERT_TRUE(c->Locate(QStringLiteral("IdImballo"), QStringLiteral("BOT")));
    EXPECT_DOUBLE_EQ(Campo(c, "QtaRes"), 62);
    EXPECT_EQ(c->FieldByName(QStringLiteral("Stato"))->AsInteger(), 2) << "a new row keeps its state";
    // more returned than loaded: the causal's policy
    Esegui("UPDATE CausaliFattCli SET UT_FlValCauNeg = 2 WHERE IdCausale = 'FV'");
    TDMIBase::Crea()->lkCausFattCli->Refresh();
    c->Edit();
    c->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(100);
    script.No(QStringLiteral("Attenzione Valore Cauzione Negativa. Accredito ?"));
    c->Post();
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 0);
    f->TTesta->Cancel();
    script.AllowUnusedAnswers();
}

// A summary build that fails has shown its text; the save then ends before the transaction.
TEST_F(SalvataggioFatture, FailedSummaryBuildEndsTheSaveSilentlyBeforeTheTransaction)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    Esegui("DROP TABLE LUMO_ProgCauz");
    script.ClearMessages();
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    ASSERT_EQ(script.Messages().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(script.Messages().first().Type, mtInformation) << "the build's own text, shown once";
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    EXPECT_NE(f->TTesta->State(), dsBrowse);
    EXPECT_TRUE(f->TRighe->Active());
    EXPECT_TRUE(f->TRighe->Filtered()) << "the rows come back as the window shows them";
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    script.AllowUnusedAnswers();
}

// The datasets opened before the transaction: a failure there is shown and nothing is written.
TEST_F(SalvataggioFatture, DatasetThatCannotOpenLeavesTheInvoiceInEdit)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    f->TRSLUMO_CauzDoc->SetTableName(QStringLiteral("LUMO_CauzDocMancante"));
    script.ClearMessages();
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    int avvisi = 0;
    for (const kv8test::ShownMessage &m : script.Messages())
        avvisi += m.Type == mtWarning ? 1 : 0;
    EXPECT_EQ(avvisi, 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_NE(f->TTesta->State(), dsBrowse);
    EXPECT_FALSE(company.Database().InTransaction());

    f->TRSLUMO_CauzDoc->SetTableName(QStringLiteral("LUMO_CauzDocFatt"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocFatt")), 2);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
}

// The totals page counts the live rows and recalculates packages without asking; a save
// started from another page recalculates again, asking for an invoice in edit only.
TEST_F(SalvataggioFatture, TotalsPageCountsRowsAndRecalculatesPackages)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    f->KPageControl->setCurrentWidget(f->tsPagina5);
    kv8test::ProcessEvents();
    EXPECT_EQ(f->lblUT_TotRighe->text(), QStringLiteral("Nr. totale righe : 3"));
    EXPECT_EQ(f->lblUT_TotRighe2->text(), QStringLiteral("Nr. totale righe : 3"));
    EXPECT_TRUE(f->UT_LMQ_FlCalcoloTotaliDuSa);
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "NumeroColli"), 6);
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 18) << "the summary built on the way";
    f->KPageControl->setCurrentWidget(f->tsTesta);
    kv8test::ProcessEvents();
    EXPECT_FALSE(f->UT_LMQ_FlCalcoloTotaliDuSa);
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Valore(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste")).toLongLong();

    // browsing: the stored rows counted; a stored row without packages keeps its quantity
    f->Close();
    kv8test::ProcessEvents();
    Esegui("UPDATE FattureCliRighe SET Lunghezza = 0 WHERE IdProdotto = 'V06'");
    f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    VaiARigo(f, QStringLiteral("V06"));
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 12);
    f->KPageControl->setCurrentWidget(f->tsPagina5);
    kv8test::ProcessEvents();
    EXPECT_EQ(f->lblUT_TotRighe->text(), QStringLiteral("Nr. totale righe : 3"));
    // a modified invoice saved from the rows page: the question, declined, keeps the packages
    f->KPageControl->setCurrentWidget(f->tsTesta);
    kv8test::ProcessEvents();
    f->TTesta->Edit();
    f->TTesta->FieldByName(QStringLiteral("NumeroColli"))->SetAsFloat(99);
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumeroColli FROM FattureCliTeste")).toInt(), 99)
        << script.Texts().join(QLatin1Char('|')).toStdString();
}

// Reservations on: the check is asked after the confirmation of a new invoice, the fulfilment
// inside the transaction, the restoration when the invoice is deleted; with the parameter off
// none of them.
TEST_F(SalvataggioFatture, ReservationsFulfilledAndRestoredWithTheInvoice)
{
    Esegui("UPDATE CausaliFattCli SET UT_LMQ_FlAbilPrenota = 2 WHERE IdCausale = 'FV'");
    Esegui("INSERT INTO LUMO_PrenotaT (KContaT, IdConto, IdAgente, FlStato) VALUES (1, 'C1', '', 0)");
    Esegui("INSERT INTO LUMO_PrenotaR (KContaR, KContaT, IdProdotto, NumConf, NumConfEva) VALUES (1, 1, 'V12', 10, 0)");
    Parametri("FlAbilPrenota = 1");
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    script.No(QStringLiteral("Controllo Prenotazione"));
    script.Yes(QStringLiteral("Evasione Prenotazione"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Valore(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste")).toLongLong();
    EXPECT_GT(Conta(QStringLiteral("LUMO_PrenotaE"), QStringLiteral("KFattCliT = ?"), {k}), 0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT NumConfEva FROM LUMO_PrenotaR")).toDouble(), 4)
        << "3 + 1 cases of V12";
    f->Close();
    kv8test::ProcessEvents();

    f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(script.Shown(QStringLiteral("Ripristono Prenotazione Effettuato")));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrenotaE")), 0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT NumConfEva FROM LUMO_PrenotaR")).toDouble(), 0);
    f->Close();
    kv8test::ProcessEvents();

    Parametri("FlAbilPrenota = 0");
    f = FatturaTreRighe();
    ASSERT_TRUE(f);
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrenotaE")), 0);
}

// The excise documents generated while an invoice is open mark its head: the invoice saved
// afterwards keeps the mark; another user's change to anything else is still refused.
TEST_F(SalvataggioFatture, ExciseMarkSetMeanwhileIsKeptAndOtherChangesAreRefused)
{
    auto *f = FatturaTreRighe();
    ASSERT_TRUE(f);
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    script.AllowUnusedAnswers();

    VaiARigo(f, QStringLiteral("V06"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(4);
    f->TRighe->Post();
    Esegui("UPDATE FattureCliTeste SET UT_LMQ_FlAccisa = 1");
    script.Yes(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_FlAccisa FROM FattureCliTeste")), QStringList{"1"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Lunghezza FROM FattureCliRighe WHERE IdProdotto = 'V06'")),
              QStringList{"4"});

    VaiARigo(f, QStringLiteral("V06"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(5);
    f->TRighe->Post();
    Esegui("UPDATE FattureCliTeste SET NumeroColli = 99");
    script.Yes(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_TRUE(
        script.Texts().join(QLatin1Char('|')).contains(QStringLiteral("modificato o cancellato da un altro utente")));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Lunghezza FROM FattureCliRighe WHERE IdProdotto = 'V06'")),
              QStringList{"4"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_FlAccisa, NumeroColli FROM FattureCliTeste")), QStringList{"1/99"});
    Chiudi(f);
}
