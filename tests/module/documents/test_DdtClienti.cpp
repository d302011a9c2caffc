// The module's customer delivery note through the window: a new note of three rows with its
// deposit summary corrected by hand, the same note changed and deleted, and a registration
// failure that leaves nothing written.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sven0001f_p.h"

class DdtClienti : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        CausaleBollaCauzioni();
    }
    // V12 3 packages, V06 2 packages, V12 one package, under causal DV for customer C1.
    TFSVen0001f_p *NotaTreRighe()
    {
        auto *f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C"));
        if (!f)
            return nullptr;
        Testa(f, QStringLiteral("DV"), QStringLiteral("C1"));
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
        RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("1"), QStringLiteral("2"), 0);
        return f;
    }
    qint64 Chiave() { return Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong(); }
    QStringList Riepilogo(qint64 k)
    {
        return Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, ValoreCar, ValoreRes FROM LUMO_CauzDocBoll "
                                     "WHERE KBolleCliT = ? ORDER BY IdImballo"),
                      {k});
    }
};

TEST_F(DdtClienti, NewChangedAndDeletedNoteKeepDepositsLitresAndCards)
{
    const QStringList schedePrima = Schede();
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("DDT Clienti (Dusaria)"));
    EXPECT_TRUE(f->KPageControl->TabVisible(f->tsLUMO_CauzDoc)) << "causal and customer with deposits";
    ResiCasse(f, 2);
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 14) << "6 cases at 2.00 and 60 bottles at 0.10, 2 cases back";
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_TotLit, NumeroColli, SpeseImballo FROM BolleCliTeste")),
              QStringList{"45/6/14"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, UT_LMQ_FlTipoPrz, UT_LMQ_IdImballo1 "
                                    "FROM BolleCliRighe ORDER BY NumOrdine")),
              (QStringList{"V12/3/36/1/CAS", "V06/2/12/0/CAS", "V12/1/12/0/CAS"}));
    EXPECT_EQ(Riepilogo(k), (QStringList{"BOT/60/0/6/0", "CAS/6/2/12/4"})) << "the hand edit kept";
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V12")), -48);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Quantita, UT_LMQ_QtaImballo, UT_LMQ_NumConf, UT_LMQ_FlTipoPrz "
                                    "FROM MovMagazzino ORDER BY KMovMag")),
              (QStringList{"V12/36/12/3/1", "V06/12/6/2/0", "V12/12/12/1/0"}))
        << "the movements come from the module's generator";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
    EXPECT_NE(Schede(), schedePrima);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Codice FROM BolleCliTot WHERE KBolleCliT = ? AND TipoRecord = 'SPI'"), {k}),
              QStringList{"4010"});

    // changed: V06 to 4 packages, the last row deleted, one added, 3 cases back
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->dsLUMO_CauzDoc->DataSet(), f->qLUMO_CauzDoc) << "browsed: the stored summary";
    VaiARigo(f, QStringLiteral("V06"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(4);
    f->TRighe->Post();
    EXPECT_EQ(f->dsLUMO_CauzDoc->DataSet(), f->TTLUMO_CauzDoc) << "edited: the working copy";
    f->TRighe->Last();
    EXPECT_THROW(f->TRighe->Delete(), EAbort) << "a stored row stays, marked deleted";
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 1);
    ResiCasse(f, 3);
    script.Yes(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Riepilogo(k), (QStringList{"BOT/66/0/6.6/0", "CAS/8/3/16/6"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_TotLit, NumeroColli, SpeseImballo FROM BolleCliTeste")),
              QStringList{"49.5/8/16.6"});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1) << "the note's journal movement rewritten, not doubled";
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V06")), -30);

    // deleted: every card as before the first save
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    TXDatabase &db = company.Database();
    const quint64 prima = db.StatementCount();
    const quint64 letturePrima = db.ReadStatementCount();
    Premi(f, nbDelete);
    const quint64 istruzioni = db.StatementCount() - prima;
    const quint64 letture = db.ReadStatementCount() - letturePrima;
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    // the stored head read once, the totals by key, the tables held not read again, the stored
    // summary deleted as it is read (SQLite writes the rows kept for the commit one statement each)
    EXPECT_LE(letture, db.IsPostgres() ? 11u : 10u);
    if (db.IsPostgres()) {
        EXPECT_LE(istruzioni, 23u);
    }
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    // the window on a new note, its summary an empty working copy
    EXPECT_EQ(f->TTesta->State(), dsInsert);
    EXPECT_EQ(f->dsLUMO_CauzDoc->DataSet(), f->TTLUMO_CauzDoc);
    EXPECT_TRUE(f->TTLUMO_CauzDoc->IsEmpty());
    QStringList schedeDopo;
    for (const QString &s : Schede())
        if (!s.endsWith(QLatin1String("/0/0/0")))
            schedeDopo << s;
    EXPECT_EQ(schedeDopo, schedePrima) << "cards back to zero";
}

TEST_F(DdtClienti, SaveBuildsTheSummaryFromThePostedRowsWithoutTheDeletedOnes)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    // the tab never entered: the save builds the summary before asking; declined, nothing stored
    f->FlConfermaRegistrazione = true;
    script.No(QStringLiteral(" Conferma registrazione ? "));
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 0);
    EXPECT_EQ(f->TRighe->RecordCount(), 3) << "the rows as typed";
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 18) << "6 cases at 2.00 and 60 bottles at 0.10";
    f->FlConfermaRegistrazione = false;
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_EQ(Riepilogo(k), (QStringList{"BOT/60/0/6/0", "CAS/6/0/12/0"})) << "both V12 rows on their codes";

    // changed without the tab: the deleted row leaves the summary, the new one joins it
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    VaiARigo(f, QStringLiteral("V06"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(4);
    f->TRighe->Post();
    f->TRighe->Last();
    EXPECT_THROW(f->TRighe->Delete(), EAbort);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 1);
    script.Yes(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Riepilogo(k), (QStringList{"BOT/66/0/6.6/0", "CAS/8/0/16/0"}));
}

TEST_F(DdtClienti, FailedRegistrationLeavesNothingAndTheRetryRegistersOnce)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    ResiCasse(f, 1);
    const qint64 k = f->TTesta->FieldByName(QStringLiteral("KBolleCliT"))->AsInteger();
    // a stored summary row of the same packaging: the registration fails
    Esegui("INSERT INTO LUMO_CauzDocBoll (KMovimento, FlTipoDocColl, KBolleCliT, IdImballo) VALUES (999, 1, ?, 'CAS')",
           {k});
    script.AllowUnusedAnswers();
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 1);
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    EXPECT_NE(f->TTesta->State(), dsBrowse) << "the note stays in edit";

    Esegui("DELETE FROM LUMO_CauzDocBoll");
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1);
    EXPECT_EQ(Riepilogo(Chiave()), (QStringList{"BOT/60/0/6/0", "CAS/6/1/12/2"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
}

// A save failing after the head was posted gives the note back in edit with the summary as
// the user left it: the corrected save stores the returns typed by hand.
TEST_F(DdtClienti, FailedSaveKeepsTheSummaryEditedByHand)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    ResiCasse(f, 2);
    ASSERT_TRUE(GuastaInserimenti(QStringLiteral("BolleCliRighe")));
    script.AllowUnusedAnswers();
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_NE(f->TTesta->State(), dsBrowse) << "the note stays in edit";
    EXPECT_TRUE(f->Castelletto->SuCopia());

    RipristinaInserimenti(QStringLiteral("BolleCliRighe"));
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Riepilogo(Chiave()), (QStringList{"BOT/60/0/6/0", "CAS/6/2/12/4"}));
}

TEST_F(DdtClienti, DepositsOffHideTheTabAndStoreNoSummary)
{
    Parametri("FlAbilCauz = 0");
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->KPageControl->TabVisible(f->tsLUMO_CauzDoc));
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3) << "the goods still move";
}

TEST_F(DdtClienti, FailedSummaryBuildEndsTheSaveSilentlyBeforeTheTransaction)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    Esegui("DROP TABLE LUMO_ProgCauz");
    script.ClearMessages();
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    ASSERT_EQ(script.Messages().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(script.Messages().first().Type, mtInformation) << "the build's own text, shown once";
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    EXPECT_NE(f->TTesta->State(), dsBrowse);
    EXPECT_FALSE(company.Database().InTransaction());
    EXPECT_TRUE(f->TRighe->Active());
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    script.AllowUnusedAnswers();
}

TEST_F(DdtClienti, DatasetThatCannotOpenLeavesTheNoteInEdit)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    f->TRSLUMO_CauzDoc->SetTableName(QStringLiteral("LUMO_CauzDocMancante"));
    script.ClearMessages();
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    int avvisi = 0;
    for (const kv8test::ShownMessage &m : script.Messages())
        avvisi += m.Type == mtWarning ? 1 : 0;
    EXPECT_EQ(avvisi, 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_NE(f->TTesta->State(), dsBrowse);
    EXPECT_FALSE(company.Database().InTransaction());

    f->TRSLUMO_CauzDoc->SetTableName(QStringLiteral("LUMO_CauzDocBoll"));
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 2);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
}

// Reservations with causal setting 2: the check on a new note, the fulfilment by KBolleCliT
// inside the transaction, the restoration when the note is deleted.
TEST_F(DdtClienti, ReservationsFulfilledByTheNoteAndRestoredOnDelete)
{
    Esegui("UPDATE CausaliBolleCli SET UT_LMQ_FlAbilPrenota = 2 WHERE IdCausale = 'DV'");
    Esegui("INSERT INTO LUMO_PrenotaT (KContaT, IdConto, IdAgente, FlStato) VALUES (1, 'C1', '', 0)");
    Esegui("INSERT INTO LUMO_PrenotaR (KContaR, KContaT, IdProdotto, NumConf, NumConfEva) VALUES (1, 1, 'V12', 10, 0)");
    Parametri("FlAbilPrenota = 1");
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Controllo Prenotazione"));
    script.Yes(QStringLiteral("Evasione Prenotazione"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_GT(Conta(QStringLiteral("LUMO_PrenotaE"), QStringLiteral("KBolleCliT = ?"), {k}), 0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT NumConfEva FROM LUMO_PrenotaR")).toDouble(), 4)
        << "3 + 1 cases of V12";
    f->Close();
    kv8test::ProcessEvents();

    f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrenotaE")), 0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT NumConfEva FROM LUMO_PrenotaR")).toDouble(), 0);
}

// An excise document generated while the note is open: the save is refused and the mark stays.
TEST_F(DdtClienti, ExciseMarkSetMeanwhileIsKeptAndOtherChangesAreRefused)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    f->TTesta->Edit();
    f->TTesta->FieldByName(QStringLiteral("NumeroColli"))->SetAsFloat(7);
    Esegui("UPDATE BolleCliTeste SET UT_LMQ_FlAccisa = 1 WHERE KBolleCliT = ?", {k});
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT NumeroColli, UT_LMQ_FlAccisa FROM BolleCliTeste")), QStringList{"7/1"});

    f->TTesta->Edit();
    f->TTesta->FieldByName(QStringLiteral("NumeroColli"))->SetAsFloat(8);
    Esegui("UPDATE BolleCliTeste SET Abbuono = 3 WHERE KBolleCliT = ?", {k});
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                            "chiudere e riaprire il documento per vedere i dati attuali.")));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT NumeroColli, UT_LMQ_FlAccisa FROM BolleCliTeste")), QStringList{"7/1"});
}

// The totals page builds the summary on the way and recalculates packages without asking.
TEST_F(DdtClienti, TotalsPageBuildsTheSummaryAndRecalculatesPackages)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    f->KPageControl->setCurrentWidget(f->tsPagina5);
    kv8test::ProcessEvents();
    EXPECT_TRUE(f->UT_LMQ_FlCalcoloTotaliDuSa);
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "NumeroColli"), 6);
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 18) << "6 cases at 2.00 and 60 bottles at 0.10";
    f->KPageControl->setCurrentWidget(f->tsTesta);
    kv8test::ProcessEvents();
    EXPECT_FALSE(f->UT_LMQ_FlCalcoloTotaliDuSa);
    script.AllowUnusedAnswers();
}

TEST_F(DdtClienti, RowsKeepTheirOwnMeasureTypesThroughTheSaveAndFollowTheArticleAfterIt)
{
    const auto rileggiArticoli = [] {
        if (TDMIBase::Crea()->lkArticoli->Active())
            TDMIBase::Crea()->lkArticoli->Refresh();
    };
    const auto misure = [](TFSVen0001f_p *f) {
        QStringList tipi;
        for (f->TRighe->First(); !f->TRighe->Eof(); f->TRighe->Next())
            tipi << f->TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString() + QLatin1Char('/')
                        + f->TRighe->FieldByName(QStringLiteral("_FlTipoMisure"))->AsString();
        return tipi;
    };
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    f->Close();
    kv8test::ProcessEvents();
    // the stored rows keep their quantities; the articles now differ in their measure types
    Esegui("UPDATE Articoli SET FlTipoMisure = 2 WHERE IdProdotto = 'V12'");
    Esegui("UPDATE Articoli SET FlTipoMisure = 3 WHERE IdProdotto = 'V06'");
    rileggiArticoli();
    f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(Chiave()));
    ASSERT_TRUE(f);
    Premi(f, nbEdit);
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(misure(f), (QStringList{"V12/2", "V06/3", "V12/2"})) << "each row its own article's type";
    // what the save looked up once is not kept past it
    Esegui("UPDATE Articoli SET FlTipoMisure = 1 WHERE IdProdotto = 'V06'");
    rileggiArticoli();
    EXPECT_EQ(misure(f), (QStringList{"V12/2", "V06/1", "V12/2"}));
}
