// The module's supplier delivery-note window: opening through the menu code, the deposit tab
// by the parameters, the causal and the supplier, the row amounts by each row's price type,
// and the save of a new note with its deposit summary, then its delete.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sacq0001f_p.h"
#include "host/ui/DBGrid.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

class BolleFornitori : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        Esegui("UPDATE Fornitori SET UT_LMQ_FlCauz = 1, UT_LMQ_IdListCau = 'L1' WHERE IdConto = 'F1'");
        Esegui("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz) "
               "VALUES ('FO', 'F2', 'Fattoria Verdi', 0)");
        Esegui("UPDATE CausaliBolleFor SET UT_LMQ_FlCauzioni = 1, UT_LMQ_FlAggCau = 1 WHERE IdCausale = 'DTA'");
        Esegui("INSERT INTO CausaliBolleFor (IdCausale, DsCausale, Serie, IdCausaleMaga, UT_LMQ_FlCauzioni) VALUES "
               "('DT0', 'Senza cauzioni', 0, 'ACQ', 0), ('DT2', 'Sempre', 0, 'ACQ', 2)");
    }
    TFSAcq0001f_p *NuovaBollaFornitore(const QString &causale = QStringLiteral("DTA"),
                                       const QString &fornitore = QStringLiteral("F1"))
    {
        auto *f = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F"));
        if (!f)
            return nullptr;
        Testa(f, causale, fornitore);
        return f;
    }
    void ChiudiBolla(TFSAcq0001f_p *f)
    {
        script.AllowUnusedAnswers();
        if (f->TTesta->State() != dsBrowse || f->FlRigheModificate)
            script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
        f->Close();
        kv8test::ProcessEvents();
    }
    QStringList SchedeFornitore()
    {
        return Elenco(
            QStringLiteral("SELECT IdImballo, FlTipoScheda, ProgQtaCar, ProgQtaRes FROM LUMO_ProgCauz "
                           "WHERE IdContoTp = 'FO' AND IdConto = 'F1' AND (ProgQtaCar <> 0 OR ProgQtaRes <> 0) "
                           "ORDER BY IdImballo, FlTipoScheda"));
    }
    qint64 Chiave() { return Valore(QStringLiteral("SELECT MAX(KBolleForT) FROM BolleForTeste")).toLongLong(); }
};

TEST_F(BolleFornitori, MenuCodeOpensOneWindowAndReopensFresh)
{
    auto *f = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F"));
    ASSERT_TRUE(f) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("DDT Fornitori (Dusaria)"));
    EXPECT_EQ(f->KPageControl->tabText(f->KPageControl->count() - 1), QStringLiteral("Cast.Cauzioni"));
    EXPECT_TRUE(f->FindControl<QWidget>(QStringLiteral("edUT_EsistenzaB")));
    EXPECT_FALSE(f->FindControl<QWidget>(QStringLiteral("edUT_EsistenzaF")));
    EXPECT_FALSE(f->FindControl<QWidget>(QStringLiteral("edUT_QtaCarEcc")));
    f->TTesta->FieldByName(QStringLiteral("IdFornitore"))->SetAsString(QStringLiteral("F1"));
    main->MenuChoice(QStringLiteral("SACQ0001F"));
    EXPECT_TRUE(script.Shown(QStringLiteral("Gestione bolle fornitori già attiva")));
    EXPECT_EQ(FSAcq0001f_p.data(), f);
    EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("IdFornitore"))->AsString(), QStringLiteral("F1"))
        << "the second request leaves the open window untouched";
    ChiudiBolla(f);
    EXPECT_TRUE(FSAcq0001f_p.isNull());
    auto *r = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F"));
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->TTesta->FieldByName(QStringLiteral("IdFornitore"))->AsString().isEmpty());
    ChiudiBolla(r);
}

TEST_F(BolleFornitori, DepositTabFollowsParametersCausalAndSupplier)
{
    struct Caso {
        int abil;
        const char *causale, *fornitore;
        bool visibile;
    };
    // F2 keeps no deposits
    const Caso casi[] = {{0, "DTA", "F1", false}, {0, "DT2", "F1", false}, {1, "DTA", "F1", true},
                         {1, "DTA", "F2", false}, {1, "DT2", "F2", true},  {1, "DT0", "F1", false},
                         {2, "DT0", "F2", true}};
    for (const Caso &c : casi) {
        Parametri(QStringLiteral("FlAbilCauz = %1").arg(c.abil).toUtf8().constData());
        auto *f = NuovaBollaFornitore(QLatin1String(c.causale), QLatin1String(c.fornitore));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->KPageControl->TabVisible(f->tsLUMO_CauzDoc), c.visibile)
            << c.abil << " " << c.causale << " " << c.fornitore;
        ChiudiBolla(f);
    }
}

TEST_F(BolleFornitori, EachRowPricedByItsOwnPriceType)
{
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
    // the current row is the per-unit one; the per-package row is computed through the second view
    ASSERT_EQ(f->TRighe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger(), 0);
    TDataSet *altra = f->TRigheNC;
    altra->Close();
    altra->Open();
    ASSERT_TRUE(altra->Locate(QStringLiteral("IdProdotto"), QStringLiteral("V12")));
    altra->Edit();
    f->CalcolaImportiRigo(f->TTesta, altra, false);
    EXPECT_DOUBLE_EQ(Campo(altra, "ImportoLordo"), 30) << "3 packages at 10.00, not 36 units";
    altra->Cancel();
    f->TRighe->Edit();
    f->CalcolaImportiRigo(f->TTesta, f->TRighe, false);
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "ImportoLordo"), 60) << "6 units per package x 2 packages at 5.00";
    f->TRighe->Cancel();
    ChiudiBolla(f);
}

// Every amount of a row typed and saved through the window is stored, the net net amount
// too (the warehouse cost, the totals and the order progress read it), also after the row
// is changed.
TEST_F(BolleFornitori, StoredRowsKeepEveryAmount)
{
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"));
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    const QString importi = QStringLiteral("SELECT IdProdotto, ImportoLordo, ImportoNetto, ImportoNN, ControvaloreL, "
                                           "ControvaloreN, ControvaloreNN FROM BolleForRighe WHERE KBolleForT = ? "
                                           "ORDER BY IdProdotto");
    EXPECT_EQ(Elenco(importi, {k}), (QStringList{"V06/60/60/60/60/60/60", "V12/30/30/30/30/30/30"}))
        << "3 packages at 10.00; 2 packages of 6 units at 5.00";

    ASSERT_TRUE(f->InitForm(1, k));
    Premi(f, nbEdit);
    VaiARigo(f, QStringLiteral("V06"));
    PremiRighe(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edPrezzo"), QStringLiteral("7")));
    PremiRighe(f, nbPost);
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(importi, {k}), (QStringList{"V06/84/84/84/84/84/84", "V12/30/30/30/30/30/30"}));
    ChiudiBolla(f);
}

TEST_F(BolleFornitori, NewNoteSavedWithSummaryThenDeletedLeavesNothing)
{
    const QStringList schedePrima = SchedeFornitore();
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
    f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
    kv8test::ProcessEvents();
    TDataSet *c = f->TTLUMO_CauzDoc;
    ASSERT_TRUE(c->Locate(QStringLiteral("IdImballo"), QStringLiteral("CAS")));
    c->Edit();
    c->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(9);
    c->Post();
    // the tab with its built summary, offscreen
    f->resize(1000, 640);
    const QPixmap schermata = f->grab();
    EXPECT_FALSE(schermata.isNull());
    EXPECT_EQ(f->gLUMO_CauzDoc->model()->rowCount(), 2);
    schermata.save(QDir::temp().filePath(QStringLiteral("supplier-castelletto.png")));
    f->KPageControl->setCurrentWidget(f->tsTesta);
    kv8test::ProcessEvents();
    EXPECT_NEAR(Campo(f->TTesta, "SpeseImballo"), -3.2, 1e-9)
        << "5 cases and 48 bottles loaded, 9 cases back: a negative charge is kept";
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleForTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT COUNT(*), SUM(Quantita) FROM BolleForRighe WHERE KBolleForT = ?"), {k}),
              QStringList{"2/48"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes FROM LUMO_CauzDocBollAcq WHERE KBolleForT = ? "
                                    "ORDER BY IdImballo"),
                     {k}),
              (QStringList{"BOT/48/0", "CAS/5/9"}));
    EXPECT_NEAR(Valore(QStringLiteral("SELECT SpeseImballo FROM BolleForTeste WHERE KBolleForT = ?"), {k}).toDouble(),
                -3.2, 1e-9);
    EXPECT_GE(Conta(QStringLiteral("BolleForTot")), 1);
    EXPECT_NE(SchedeFornitore(), schedePrima) << "the supplier's deposit cards moved";

    // the note read again and deleted
    ASSERT_TRUE(f->InitForm(1, k));
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleForRighe")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBollAcq")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleForTot")), 0);
    EXPECT_EQ(SchedeFornitore(), schedePrima);
    ChiudiBolla(f);
}

// A packaging code typed on the tab takes its price from the supplier's deposit list, which the
// head carries from the supplier chosen.
TEST_F(BolleFornitori, ACodeTypedOnTheDepositTabIsPricedOnTheSuppliersList)
{
    Esegui("INSERT INTO Imballi (IdImballo, DsImballo, FlUtilizzo) VALUES ('FUS', 'Fusto', 1)");
    Esegui("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (3, 1, 'FUS', 15)");
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->AsString(), QStringLiteral("L1"));
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    f->DBNavLUMO_CauzDoc->Button(nbInsert)->click();
    kv8test::ProcessEvents();
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_IdImballo"), QStringLiteral("FUS")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_QtaCar"), QStringLiteral("2")));
    f->DBNavLUMO_CauzDoc->Button(nbPost)->click();
    kv8test::ProcessEvents();
    ASSERT_TRUE(f->TTLUMO_CauzDoc->Locate(QStringLiteral("IdImballo"), QStringLiteral("FUS")));
    EXPECT_DOUBLE_EQ(Campo(f->TTLUMO_CauzDoc, "Prezzo"), 15);
    EXPECT_DOUBLE_EQ(Campo(f->TTLUMO_CauzDoc, "ValoreCar"), 30);
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleForTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_IdListCau FROM BolleForTeste WHERE KBolleForT = ?"), {k}),
              QStringList{"L1"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, QtaCar, Prezzo, ValoreCar FROM LUMO_CauzDocBollAcq "
                                    "WHERE KBolleForT = ? AND IdImballo = 'FUS'"),
                     {k}),
              QStringList{"FUS/2/15/30"});
    ChiudiBolla(f);
}

TEST_F(BolleFornitori, FailureOpeningTheSaveTablesIsShownOnceAndWritesNothing)
{
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    // the stored summary cannot be read: the save stops before its transaction
    Esegui("DROP TABLE LUMO_CauzDocBollAcq");
    f->TRSLUMO_CauzDoc->Close();
    script.AllowUnusedAnswers();
    const int prima = script.Texts().size();
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(script.Texts().size() - prima, 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleForRighe")), 0);
    EXPECT_NE(f->TTesta->State(), dsBrowse) << "the note stays in edit";
    EXPECT_EQ(f->TRighe->RecordCount(), 1);
    ChiudiBolla(f);
}

TEST_F(BolleFornitori, ChangedNoteRebuildsItsSummaryFromTheRows)
{
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleForTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    const QString carichi = QStringLiteral("SELECT IdImballo, QtaCar FROM LUMO_CauzDocBollAcq WHERE KBolleForT = ? "
                                           "ORDER BY IdImballo");
    EXPECT_EQ(Elenco(carichi, {k}), (QStringList{"BOT/48", "CAS/5"}));

    // a row added and the first one deleted
    ASSERT_TRUE(f->InitForm(1, k));
    Premi(f, nbEdit);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 0);
    VaiARigo(f, QStringLiteral("V12"));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    PremiRighe(f, nbDelete);
    Premi(f, nbPost);
    EXPECT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Quantita FROM BolleForRighe WHERE KBolleForT = ? "
                                    "ORDER BY Quantita"),
                     {k}),
              (QStringList{"V06/6", "V06/12"}));
    EXPECT_EQ(Elenco(carichi, {k}), (QStringList{"BOT/18", "CAS/3"})) << "the summary follows the rows";
    ChiudiBolla(f);
}

// The row panel: packages captioned, the quantity following them, the units per package
// typed only when the parameter FlQtaConf allows it.
TEST_F(BolleFornitori, UnitsPerPackageLockedUnlessTheParameterAllowsThem)
{
    for (int conf : {0, 1}) {
        Parametri(QStringLiteral("FlQtaConf = %1").arg(conf).toUtf8().constData());
        auto *f = NuovaBollaFornitore();
        ASSERT_TRUE(f);
        EXPECT_EQ(f->RigheDoc.lbLunghezza->text(), QStringLiteral("Nr.Confez."));
        EXPECT_TRUE(f->RigheDoc.edQuantita->isReadOnly());
        EXPECT_EQ(f->RigheDoc.edQuantita2->isReadOnly(), conf == 0) << conf;
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("2"), QStringLiteral("10"), 1);
        EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 24);
        EXPECT_EQ(f->RigheDoc.edQuantita2->isReadOnly(), conf == 0) << "after a row, " << conf;
        ChiudiBolla(f);
    }
}

// A summary row marked deleted stays in the working copy but not on the tab.
TEST_F(BolleFornitori, DeletedSummaryRowHiddenWhileEditing)
{
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
    kv8test::ProcessEvents();
    TXTable *c = f->TTLUMO_CauzDoc;
    ASSERT_EQ(c->RecordCount(), 2);
    const qint64 k = f->TTesta->FieldByName(QStringLiteral("KBolleForT"))->AsInteger();
    c->Database().ExecSQL(QStringLiteral("UPDATE LUMO_T_CAUZDOCBOLLACQ SET Stato = 3 WHERE KBolleForT = ? AND "
                                         "IdImballo = 'BOT'"),
                          {k});
    c->Close();
    c->Open();
    EXPECT_EQ(c->RecordCount(), 1);
    EXPECT_EQ(f->gLUMO_CauzDoc->model()->rowCount(), 1);
    EXPECT_FALSE(c->Locate(QStringLiteral("IdImballo"), QStringLiteral("BOT")));
    ChiudiBolla(f);
}

TEST_F(BolleFornitori, EnteringTheDepositTabPutsTheCursorOnThePackagingCode)
{
    auto *f = NuovaBollaFornitore();
    ASSERT_TRUE(f);
    f->show();
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    QWidget *codice = f->FindControl<QWidget>(QStringLiteral("edUT_IdImballo"));
    ASSERT_TRUE(codice);
    EXPECT_NE(QApplication::focusWidget(), codice);
    f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
    kv8test::ProcessEvents();
    EXPECT_EQ(QApplication::focusWidget(), codice);
    EXPECT_EQ(f->TTLUMO_CauzDoc->RecordCount(), 2) << "the summary built first";
    ChiudiBolla(f);
}
