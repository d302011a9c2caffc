// The module's supplier delivery-note save through the window: a note of three rows with
// loads and returns on two packaging codes saved, changed and deleted, with its movements,
// stock, deposit summary, the supplier's cards, the journal movement and the totals checked
// after each step; the failures inside and before the transaction that must leave nothing
// written; a partly fulfilled note that cannot be deleted; excess quantities kept by a re-save.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Lumo_castdoc.h"
#include "documents/Sacq0001f_p.h"
#include "host/core/Errors.h"
#include "host/report/ReportOutput.h"

#include <optional>

// The supplier window with faults injected into the host's save steps.
class TBollaGuasta : public TFSAcq0001f_p {
    Q_OBJECT
public:
    using TFSAcq0001f_p::CalcolaTotali;
    using TFSAcq0001f_p::TFSAcq0001f_p;

    enum Guasto { Nessuno, SecondoMovimento, Totali, DatiDocumento };
    static inline Guasto guasto = Nessuno;

    bool GeneraMovimentoRigo(int stato) override
    {
        if (guasto == SecondoMovimento && ++movimenti_ == 2)
            return false;
        return TFSAcq0001f_p::GeneraMovimentoRigo(stato);
    }
    bool CalcolaTotali(TDataSet *totali, TXParam_TotaliDocs &param) override
    {
        return guasto != Totali && TFSAcq0001f_p::CalcolaTotali(totali, param);
    }
    bool VMRegistraDatiDocumento() override
    {
        return guasto != DatiDocumento && TFSAcq0001f_p::VMRegistraDatiDocumento();
    }
    void SalvaDocumento() override
    {
        movimenti_ = 0;
        TFSAcq0001f_p::SalvaDocumento();
    }

private:
    int movimenti_ = 0;
};

inline QPointer<TBollaGuasta> BollaGuasta;

class SalvataggioBolleFornitori : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        Esegui("UPDATE Fornitori SET UT_LMQ_FlCauz = 1, UT_LMQ_IdListCau = 'L1' WHERE IdConto = 'F1'");
        Esegui("UPDATE CausaliBolleFor SET UT_LMQ_FlCauzioni = 1, UT_LMQ_FlAggCau = 1, UT_LMQ_FlAggMovC = 1 "
               "WHERE IdCausale = 'DTA'");
        TBollaGuasta::guasto = TBollaGuasta::Nessuno;
    }
    void TearDown() override
    {
        if (sostituita)
            Dusaria::RegistraClasse(QStringLiteral("TFSAcq0001f_p"), *sostituita);
        TBollaGuasta::guasto = TBollaGuasta::Nessuno;
        FattureModulo::TearDown();
    }
    // The menu code opens the window with injectable faults for the rest of the test.
    void ConGuasti()
    {
        sostituita =
            Dusaria::RegistraClasse(QStringLiteral("TFSAcq0001f_p"), Dusaria::Finestra<TBollaGuasta>(BollaGuasta));
    }

    // A new note of supplier F1 under causal DTA: V12 3 packages at 10.00 a package, V06 2
    // packages at 5.00 a bottle, V12 one package at 2.00 a bottle (6 cases, 60 bottles).
    template <class T = TFSAcq0001f_p> T *NotaTreRighe(const QString &causale = QStringLiteral("DTA"))
    {
        auto *f = Apri<T>(QStringLiteral("SACQ0001F"));
        if (!f)
            return nullptr;
        Testa(f, causale, QStringLiteral("F1"));
        f->TTesta->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(QStringLiteral("L1"));
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
        RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("1"), QStringLiteral("2"), 0);
        return f;
    }
    void Salva(TFSAcq0001f_p *f)
    {
        script.AllowUnusedAnswers();
        if (f->ModoSalva == 0)
            script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
    }
    void ChiudiNota(TFSAcq0001f_p *f)
    {
        script.AllowUnusedAnswers();
        if ((f->TTesta->State() != dsBrowse && f->TTesta->Modified()) || f->FlRigheModificate)
            script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
        f->Close();
        kv8test::ProcessEvents();
    }
    qint64 Chiave() { return Valore(QStringLiteral("SELECT MAX(KBolleForT) FROM BolleForTeste")).toLongLong(); }
    QStringList Riepilogo()
    {
        return Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, ValoreCar, ValoreRes FROM LUMO_CauzDocBollAcq "
                                     "ORDER BY IdImballo"));
    }
    // The supplier's cards that hold something, "packaging/kind/loaded/returned".
    QStringList SchedeFornitore()
    {
        return Elenco(
            QStringLiteral("SELECT IdImballo, FlTipoScheda, ProgQtaCar, ProgQtaRes FROM LUMO_ProgCauz "
                           "WHERE IdContoTp = 'FO' AND IdConto = 'F1' AND (ProgQtaCar <> 0 OR ProgQtaRes <> 0) "
                           "ORDER BY IdImballo, FlTipoScheda"));
    }
    // The journal movements of supplier notes, "note key/packaging/loaded/returned".
    QStringList MovimentoGiornale()
    {
        return Elenco(QStringLiteral("SELECT T.KDocT, R.IdImballo, R.QtaCar, R.QtaRes FROM LUMO_MovCauT T "
                                     "JOIN LUMO_MovCauR R ON R.KContaT = T.KContaT WHERE T.FlTipoDocColl = 3 "
                                     "ORDER BY R.IdImballo"));
    }
    int Avvisi()
    {
        int n = 0;
        for (const kv8test::ShownMessage &m : script.Messages())
            n += m.Type == mtWarning ? 1 : 0;
        return n;
    }
    // Nothing of any note written.
    void NienteScritto()
    {
        EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 0);
        EXPECT_EQ(Conta(QStringLiteral("BolleForRighe")), 0);
        EXPECT_EQ(Conta(QStringLiteral("BolleForTot")), 0);
        EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
        EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBollAcq")), 0);
        EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
        EXPECT_TRUE(SchedeFornitore().isEmpty());
        EXPECT_FALSE(company.Database().InTransaction());
    }

    std::optional<Dusaria::TClasseModulo> sostituita;
};

TEST_F(SalvataggioBolleFornitori, NewChangedAndDeletedNoteKeepStockDepositsCardsAndJournal)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    ResiCasse(f, 2);
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 14) << "6 cases at 2.00 and 60 bottles at 0.10, 2 cases back";
    Salva(f);
    ASSERT_EQ(Conta(QStringLiteral("BolleForTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Numero, IdFornitore, SpeseImballo FROM BolleForTeste")),
              QStringList{"1/F1/14"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, UT_LMQ_FlTipoPrz, ImportoLordo, "
                                    "UT_LMQ_IdImballo1 FROM BolleForRighe ORDER BY NumOrdine")),
              (QStringList{"V12/3/36/1/30/CAS", "V06/2/12/0/60/CAS", "V12/1/12/0/24/CAS"}))
        << "no litre factor on a supplier's row";
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 10")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V12")), 48);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V06")), 12);
    EXPECT_EQ(Riepilogo(), (QStringList{"BOT/60/0/6/0", "CAS/6/2/12/4"}));
    EXPECT_EQ(SchedeFornitore(), (QStringList{"BOT/0/60/0", "BOT/1/60/0", "CAS/0/6/2", "CAS/1/6/2"}));
    const QString chiave = QString::number(k);
    EXPECT_EQ(MovimentoGiornale(), (QStringList{chiave + "/BOT/60/0", chiave + "/CAS/6/2"}));
    EXPECT_GE(Conta(QStringLiteral("BolleForTot"), QStringLiteral("KBolleForT = ?"), {k}), 1);
    ChiudiNota(f);

    // changed: a row modified, one deleted, one added; the summary's returns edited
    f = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F;%1").arg(k));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->dsLUMO_CauzDoc->DataSet(), f->qLUMO_CauzDoc) << "browsed: the stored summary";
    VaiARigo(f, QStringLiteral("V06"));
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "_ImportoLordo"), 60) << "the stored row shows its amounts";
    f->TRighe->Last();
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "_ImportoNetto"), 24);
    Premi(f, nbEdit);
    VaiARigo(f, QStringLiteral("V06"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(4);
    f->TRighe->Post();
    f->TRighe->Last();
    script.AllowUnusedAnswers();
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    PremiRighe(f, nbDelete);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 1);
    ResiCasse(f, 3);
    Salva(f);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, ImportoLordo FROM BolleForRighe "
                                    "ORDER BY IdProdotto, Lunghezza")),
              (QStringList{"V06/1/6/5", "V06/4/24/120", "V12/3/36/30"}));
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V12")), 36);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V06")), 30);
    // 3 + 4 + 1 cases, 36 + 24 + 6 bottles, 3 cases back
    EXPECT_EQ(Riepilogo(), (QStringList{"BOT/66/0/6.6/0", "CAS/8/3/16/6"}));
    EXPECT_EQ(SchedeFornitore(), (QStringList{"BOT/0/66/0", "BOT/1/66/0", "CAS/0/8/3", "CAS/1/8/3"}))
        << "the first registration reversed, the new one made once";
    EXPECT_EQ(MovimentoGiornale(), (QStringList{chiave + "/BOT/66/0", chiave + "/CAS/8/3"}));
    EXPECT_NEAR(Valore(QStringLiteral("SELECT SpeseImballo FROM BolleForTeste")).toDouble(), 16.6, 1e-9);

    // deleted: nothing of the note left, every card back to nothing
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    NienteScritto();
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V12")), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V06")), 0);
    ChiudiNota(f);
}

TEST_F(SalvataggioBolleFornitori, FailuresInsideTheTransactionWriteNothingAndTheCorrectedSaveRegistersOnce)
{
    ConGuasti();
    auto *f = NotaTreRighe<TBollaGuasta>();
    ASSERT_TRUE(f);
    ResiCasse(f, 2);
    struct Caso {
        TBollaGuasta::Guasto guasto;
        const char *testo; // nullptr: the silent abort
    };
    const Caso casi[] = {{TBollaGuasta::SecondoMovimento, "Errore in generazione magazzino"},
                         {TBollaGuasta::Totali, "Errore nel calcolo dei totali del documento"},
                         {TBollaGuasta::DatiDocumento, nullptr}};
    for (const Caso &c : casi) {
        TBollaGuasta::guasto = c.guasto;
        script.ClearMessages();
        Premi(f, nbPost);
        EXPECT_FALSE(f->SalvataggioRiuscito) << c.guasto;
        NienteScritto();
        EXPECT_EQ(Avvisi(), c.testo ? 1 : 0) << c.guasto << ": " << script.Texts().join(QLatin1Char('|')).toStdString();
        if (c.testo) {
            EXPECT_TRUE(script.Shown(QLatin1String(c.testo))) << script.Texts().join(QLatin1Char('|')).toStdString();
        }
        EXPECT_NE(f->TTesta->State(), dsBrowse) << "the note stays in edit";
        EXPECT_EQ(f->TRighe->RecordCount(), 3);
        EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    }

    // the registration itself fails: the stored summary already holds a CAS row of this note
    TBollaGuasta::guasto = TBollaGuasta::Nessuno;
    const qint64 k = f->TTesta->FieldByName(QStringLiteral("KBolleForT"))->AsInteger();
    Esegui(
        "INSERT INTO LUMO_CauzDocBollAcq (KMovimento, FlTipoDocColl, KBolleForT, IdImballo) VALUES (999, 3, ?, 'CAS')",
        {k});
    script.ClearMessages();
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(Avvisi(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    EXPECT_TRUE(SchedeFornitore().isEmpty());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBollAcq")), 1) << "only the row put there by hand";
    Esegui("DELETE FROM LUMO_CauzDocBollAcq");

    // corrected: one registration of everything
    Salva(f);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 1);
    EXPECT_EQ(Conta(QStringLiteral("BolleForRighe")), 3);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("V12")), 48);
    EXPECT_EQ(Riepilogo(), (QStringList{"BOT/60/0/6/0", "CAS/6/2/12/4"}));
    EXPECT_EQ(SchedeFornitore(), (QStringList{"BOT/0/60/0", "BOT/1/60/0", "CAS/0/6/2", "CAS/1/6/2"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
    ChiudiNota(f);
}

// The summary build that fails before the checks has shown its own text: the save ends there.
TEST_F(SalvataggioBolleFornitori, FailedSummaryBuildEndsTheSaveBeforeTheTransaction)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    Esegui("DROP TABLE LUMO_ProgCauz");
    script.ClearMessages();
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    ASSERT_EQ(script.Messages().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(script.Messages().first().Type, mtInformation) << "the build's own text, once";
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    EXPECT_NE(f->TTesta->State(), dsBrowse);
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    script.AllowUnusedAnswers();
}

// The confirmation refused: the summary built from the rows stays in the working copy, nothing
// is stored, and the confirmed save stores that summary.
TEST_F(SalvataggioBolleFornitori, RefusedConfirmationKeepsTheBuiltSummaryAndStoresNothing)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    f->FlConfermaRegistrazione = true;
    script.No(QStringLiteral(" Conferma registrazione ? "));
    Premi(f, nbPost);
    EXPECT_EQ(script.PendingAnswers(), 0);
    NienteScritto();
    EXPECT_NE(f->TTesta->State(), dsBrowse);
    EXPECT_EQ(f->dsLUMO_CauzDoc->DataSet(), f->TTLUMO_CauzDoc);
    EXPECT_EQ(f->TTLUMO_CauzDoc->RecordCount(), 2) << "built at the save from the rows";

    script.Yes(QStringLiteral(" Conferma registrazione ? "));
    Salva(f);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Riepilogo(), (QStringList{"BOT/60/0/6/0", "CAS/6/0/12/0"}));
    ChiudiNota(f);
}

TEST_F(SalvataggioBolleFornitori, PartlyFulfilledNoteCannotBeDeleted)
{
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    Salva(f);
    ASSERT_EQ(Conta(QStringLiteral("BolleForTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    const QStringList schede = SchedeFornitore();
    ChiudiNota(f);
    Esegui("UPDATE BolleForRighe SET FlSaldoRigo = 1 WHERE IdProdotto = 'V06'");

    f = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F;%1").arg(k));
    ASSERT_TRUE(f);
    script.ClearMessages();
    script.AllowUnusedAnswers();
    Premi(f, nbDelete);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il documento risulta parzialmente evaso. Impossibile cancellare.")));
    EXPECT_FALSE(script.Shown(QStringLiteral(" Conferma cancellazione ? "))) << "refused before asking";
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 1);
    EXPECT_EQ(Conta(QStringLiteral("BolleForRighe")), 3);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBollAcq")), 2);
    EXPECT_EQ(SchedeFornitore(), schede);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
    ChiudiNota(f);
}

// With excess management on, a return note to a supplier holding none of our packaging puts
// every return into the excess columns; reading the note again and re-saving it keeps them and
// moves the cards once.
TEST_F(SalvataggioBolleFornitori, ExcessColumnsKeptByAReSave)
{
    Parametri("FlGestEcc = 1");
    Esegui(
        "INSERT INTO CausaliBolleFor (IdCausale, DsCausale, Serie, IdCausaleMaga, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, "
        "UT_LMQ_FlReso) VALUES ('DTR', 'Reso a fornitore', 0, 'ACQ', 1, 1, 1)");
    auto *f = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DTR"), QStringLiteral("F1"));
    f->TTesta->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(QStringLiteral("L1"));
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("2"), QStringLiteral("10"), 1);
    Salva(f);
    ASSERT_EQ(Conta(QStringLiteral("BolleForTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Chiave();
    const QString eccedenze = QStringLiteral("SELECT IdImballo, QtaRes, QtaResEcc, QtaCarEcc, ValoreRes FROM "
                                             "LUMO_CauzDocBollAcq ORDER BY IdImballo");
    const QStringList primo = Elenco(eccedenze);
    EXPECT_EQ(primo, (QStringList{"BOT/24/24/0/0", "CAS/2/2/0/0"})) << "nothing held: every return is excess";
    const QStringList schede =
        Elenco(QStringLiteral("SELECT IdImballo, FlTipoScheda, ProgQtaRes, QtaResEcc FROM "
                              "LUMO_ProgCauz WHERE IdConto = 'F1' ORDER BY IdImballo, FlTipoScheda"));
    ChiudiNota(f);

    f = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F;%1").arg(k));
    ASSERT_TRUE(f);
    Premi(f, nbEdit);
    VaiARigo(f, QStringLiteral("V12"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(11);
    f->TRighe->Post();
    script.Yes(QStringLiteral("Castelletto Cauzioni già presente, nuovo ricalcolo"));
    Salva(f);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT ImportoLordo FROM BolleForRighe")), QStringList{"22"});
    EXPECT_EQ(Elenco(eccedenze), primo);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, FlTipoScheda, ProgQtaRes, QtaResEcc FROM LUMO_ProgCauz "
                                    "WHERE IdConto = 'F1' ORDER BY IdImballo, FlTipoScheda")),
              schede);
    ChiudiNota(f);
}

TEST_F(SalvataggioBolleFornitori, ASavedNoteIsPrintedWithItsSummaryAndAgainByItsPrintCommands)
{
    Esegui("UPDATE CausaliBolleFor SET UT_LMQ_FlStaCau = 1 WHERE IdCausale = 'DTA'");
    auto *f = NotaTreRighe();
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->HaStampa());
    ReportCapture capture;
    script.Yes(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(capture.Prints().size(), 1) << "the answer yes prints the note";
    const auto caricati = [&capture] {
        const ReportPage &pagina = capture.Last().Document.Pages.at(0);
        return pagina.TextsOf(QStringLiteral("fdUT_QtaCar01")) + pagina.TextsOf(QStringLiteral("fdUT_QtaCar02"));
    };
    EXPECT_EQ(caricati(), (QStringList{QStringLiteral("60,00"), QStringLiteral("6,00")})) << "the stored summary";
    EXPECT_TRUE(capture.Last().Preview);

    // the stored note opened again: the print button and Shift+F9 print it
    ChiudiNota(f);
    f = Apri<TFSAcq0001f_p>(QStringLiteral("SACQ0001F;%1").arg(Chiave()));
    ASSERT_TRUE(f);
    f->btStampa->click();
    kv8test::PressKey(f->Control<QWidget>(QStringLiteral("edIdCausale")), Qt::Key_F9, Qt::ShiftModifier);
    ASSERT_EQ(capture.Prints().size(), 3) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(capture.Prints().at(1).Preview);
    EXPECT_TRUE(capture.Prints().at(2).Preview);
    EXPECT_EQ(caricati(), (QStringList{QStringLiteral("60,00"), QStringLiteral("6,00")}));
    ChiudiNota(f);
}

#include "test_SalvataggioBolleFornitori.moc"
