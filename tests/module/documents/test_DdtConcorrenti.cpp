// Two users on one customer's deposits at the same time (PostgreSQL): while another connection
// holds a change of the customer's deposit card, the note's save fails with one clear warning
// and writes nothing; saved again it adds its loads to the other user's, losing neither. A note
// deleted while another connection holds a change of its summary takes off the cards what is
// stored once the other commits.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sven0001f_p.h"

#include <chrono>
#include <future>
#include <thread>

class DdtConcorrenti : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga, UT_LMQ_FlCauzioni, "
               "UT_LMQ_FlAggCau, UT_LMQ_FlAggCauB) VALUES ('DV', 'DDT con cauzioni', 0, 'VEN', 1, 1, 1)");
    }
    // A note of C1 with one row of V12 (cases CAS, bottles BOT), its summary built on the tab.
    TFSVen0001f_p *Nota(const QString &colli)
    {
        auto *f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C"));
        if (!f)
            return nullptr;
        Testa(f, QStringLiteral("DV"), QStringLiteral("C1"));
        RigoConfezioni(f, QStringLiteral("V12"), colli, QStringLiteral("10"), 1);
        f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
        kv8test::ProcessEvents();
        f->KPageControl->setCurrentWidget(f->tsTesta);
        kv8test::ProcessEvents();
        return f;
    }
    // A first note of 2 cases saved (the customer's cards made), its window closed.
    void PrimaNota()
    {
        auto *f = Nota(QStringLiteral("2"));
        ASSERT_TRUE(f);
        script.AllowUnusedAnswers();
        script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
        ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
        ASSERT_DOUBLE_EQ(Casse(), 2);
        f->Close();
        kv8test::ProcessEvents();
    }
    // Another user's transaction on its own connection: the statements run, then held a moment
    // (while this user's work waits on the rows they changed) and committed; it has run them
    // when this returns.
    std::thread AltroUtente(const QStringList &istruzioni)
    {
        std::promise<void> eseguite;
        std::future<void> fatto = eseguite.get_future();
        std::thread altro([url = company.Db().Url(), istruzioni, eseguite = std::move(eseguite)]() mutable {
            TXDatabase db(QStringLiteral("altroUtente"), url);
            db.StartTransaction();
            for (const QString &sql : istruzioni)
                db.ExecSQL(sql);
            eseguite.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            db.Commit();
        });
        fatto.wait();
        return altro;
    }
    double Casse()
    {
        return Valore(QStringLiteral("SELECT ProgQtaCar FROM LUMO_ProgCauz WHERE IdConto = 'C1' AND IdImballo = 'CAS' "
                                     "AND FlTipoScheda = 1"))
            .toDouble();
    }
};

TEST_F(DdtConcorrenti, SaveAgainstAnotherUsersCardChangeFailsClearlyAndLosesNothing)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "two connections writing at once: the server's row locks";
    // the customer's cards exist: a first note of 2 cases
    ASSERT_NO_FATAL_FAILURE(PrimaNota());

    // another user loads 10 cases on the same card and commits a moment after our save began
    auto *f = Nota(QStringLiteral("3"));
    ASSERT_TRUE(f);
    std::thread altroUtente = AltroUtente({QStringLiteral(
        "UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + 10 WHERE IdConto = 'C1' AND IdImballo = 'CAS'")});
    const int note = Conta(QStringLiteral("BolleCliTeste"));
    script.ClearMessages();
    Premi(f, nbPost);
    altroUtente.join();
    EXPECT_FALSE(f->SalvataggioRiuscito);
    int avvisi = 0;
    for (const kv8test::ShownMessage &m : script.Messages())
        avvisi += m.Type == mtWarning ? 1 : 0;
    EXPECT_EQ(avvisi, 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), note) << "nothing of the note written";
    EXPECT_DOUBLE_EQ(Casse(), 12) << "the other user's change kept";
    EXPECT_NE(f->TTesta->State(), dsBrowse) << "the note stays in edit for a retry";

    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), note + 1);
    EXPECT_DOUBLE_EQ(Casse(), 15) << "2 + 10 + 3: no update lost";
}

TEST_F(DdtConcorrenti, DeletionWhileAnotherUserChangesTheSummaryTakesOffWhatIsStored)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "two connections writing at once: the server's row locks";
    ASSERT_NO_FATAL_FAILURE(PrimaNota());
    const qint64 k = Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong();
    auto *f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);

    // another user adds 5 cases to the note's summary and to the card, committing a moment
    // after the deletion began
    std::thread altroUtente = AltroUtente(
        {QStringLiteral("UPDATE LUMO_CauzDocBoll SET QtaCar = QtaCar + 5 WHERE KBolleCliT = %1 AND IdImballo = 'CAS'")
             .arg(k),
         QStringLiteral(
             "UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + 5 WHERE IdConto = 'C1' AND IdImballo = 'CAS'")});
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    altroUtente.join();
    EXPECT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 0);
    EXPECT_DOUBLE_EQ(Casse(), 0) << "2 + 5 taken off as stored when deleted";
}
