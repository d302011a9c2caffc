// The deposit transfer between accounts: two journal movements and the cards of both sides.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0156d.h"
#include "deposits/Qarn0211d.h"
#include "host/data/TXMemTable.h"
#include "tests/support/DueUtenti.h"

#include <QSqlQuery>

#include <chrono>
#include <future>
#include <thread>

using namespace kv8test;

namespace {

class TrasferimentoCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Listino(QStringLiteral("L01"), QStringLiteral("EUR"),
                {{QStringLiteral("CAS"), 2}, {QStringLiteral("BOT"), 0.5}});
        Listino(QStringLiteral("L02"), QStringLiteral("EUR"),
                {{QStringLiteral("CAS"), 3.333}, {QStringLiteral("BOT"), 0.25}});
        Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_IdListCau = 'L02' WHERE IdConto = 'C001'"));
    }
    // Both cards (per destination and account total) of a code with the figures given; the
    // invoiced and delivery-note sets hold 1 and 2 of each.
    void Carte(const QString &conto, int destinazione, const QString &imballo, double car, double res, double valCar,
               double valRes, double carEcc = 0, double resEcc = 0, const QString &divisa = QStringLiteral("EUR"))
    {
        for (int tipo : {0, 1})
            Esegui(
                QStringLiteral(
                    "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, "
                    "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, "
                    "ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, "
                    "QtaResEcc, EsiAttEcc) VALUES ('CL', ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 1, 1, 1, 2, 2, 2, 2, "
                    "?, ?, 0)"),
                {conto, tipo == 0 ? destinazione : 0, tipo, imballo, divisa, car, res, valCar, valRes, carEcc, resEcc});
    }
    TFqarn0211d *Apri(const QString &da, int daDest, const QString &a, int aDest)
    {
        auto *d = Depositi::Apri<TFqarn0211d>(QStringLiteral("QARN0211D"));
        if (!d)
            return nullptr;
        d->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("CL"));
        d->tPars->FieldByName(QStringLiteral("Da_IdConto"))->SetValue(da);
        d->tPars->FieldByName(QStringLiteral("Da_IdDestinazione"))->SetValue(daDest);
        d->tPars->FieldByName(QStringLiteral("A_IdConto"))->SetValue(a);
        d->tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->SetValue(aDest);
        return d;
    }
    QStringList Teste()
    {
        return Elenco(
            QStringLiteral("SELECT IdConto, IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB, "
                           "KDocT, FlTipoDocColl FROM LUMO_MovCauT ORDER BY KContaT"));
    }
    QStringList Righe()
    {
        return Elenco(QStringLiteral("SELECT T.IdConto, R.IdImballo, R.QtaCar, R.QtaRes, R.QtaCarEcc, R.QtaResEcc, "
                                     "R.Prezzo, R.ValoreCar, R.ValoreRes FROM LUMO_MovCauR R JOIN LUMO_MovCauT T ON "
                                     "T.KContaT = R.KContaT ORDER BY T.KContaT, R.IdImballo"));
    }
    QStringList TutteLeSchede()
    {
        return Elenco(QStringLiteral("SELECT * FROM LUMO_ProgCauz ORDER BY IdConto, IdDestinazione, FlTipoScheda, "
                                     "IdImballo"));
    }
    double S(const QString &conto, int dest, int tipo, const QString &imballo, const char *colonna)
    {
        return Scheda(QStringLiteral("CL"), conto, dest, tipo, imballo, QLatin1String(colonna));
    }
    bool GuastaRighePositive()
    {
        QSqlQuery ddl(company.Database().Connection());
        if (company.Db().IsPostgres())
            return ddl.exec(
                       QStringLiteral("CREATE FUNCTION guasto() RETURNS trigger AS $$ BEGIN IF NEW.QtaCar > 0 THEN "
                                      "RAISE EXCEPTION 'guasto'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql"))
                   && ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_MovCauR FOR EACH ROW "
                                              "EXECUTE FUNCTION guasto()"));
        return ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_MovCauR WHEN NEW.QtaCar > 0 "
                                       "BEGIN SELECT RAISE(ABORT, 'guasto'); END"));
    }
};

} // namespace

TEST_F(TrasferimentoCauzioni, ThreeCodesGiveTwoHeadsSourceFirstAndTheTargetPricedOnItsList)
{
    Carte(QStringLiteral("C002"), 1, QStringLiteral("BOT"), 12, 4, 6, 2);
    Carte(QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 3, 20, 6, 2, 1);
    Carte(QStringLiteral("C002"), 1, QStringLiteral("FUS"), 5, 0, 150, 0); // not on the target's list
    auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0211d> finestra(d);
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("_IdListCau"))->AsString(), QStringLiteral("L02"));
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("_DaRagioneSociale"))->AsString(),
              QStringLiteral("Ristorante Bianchi"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.Texts(), QStringList{"Trasferimento Completato!"});
    EXPECT_TRUE(finestra.isNull());
    EXPECT_EQ(Teste(), (QStringList{"C002/1/EUR/1/1/0/0/0/0", "C001/0/EUR/1/1/1/1/0/0"}));
    EXPECT_EQ(Righe(), (QStringList{"C002/BOT/-12/-4/0/0/0/-6/-2", "C002/CAS/-10/-3/-2/-1/0/-20/-6",
                                    "C002/FUS/-5/0/0/0/0/-150/0", "C001/BOT/12/4/0/0/0.25/3/1",
                                    "C001/CAS/10/3/2/1/3.333/33.33/10", "C001/FUS/5/0/0/0/0/0/0"}));
    // the source's general set and excess emptied, its other sets kept; the account total too
    for (int tipo : {0, 1}) {
        const int dest = tipo == 0 ? 1 : 0;
        for (const char *c : {"ProgQtaCar", "ProgQtaRes", "ProgValCar", "ProgValRes", "QtaCarEcc", "QtaResEcc"})
            EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), c), 0) << c << tipo;
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), "ProgQtaCarF"), 1);
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("FUS"), "ProgValCarB"), 2);
    }
    // the target: every set, valued at its price on what is not excess
    for (int tipo : {0, 1}) {
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgQtaCar"), 10);
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgQtaCarB"), 10);
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgQtaResF"), 3);
        EXPECT_NEAR(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgValCar"), 26.66, 1e-9);
        EXPECT_NEAR(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgValResF"), 6.67, 1e-9);
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "QtaCarEcc"), 2);
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("FUS"), "ProgQtaCar"), 5)
            << "moved without a price";
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("FUS"), "ProgValCar"), 0);
    }
}

TEST_F(TrasferimentoCauzioni, NoSourceCardDoesNothingAndSaysNothing)
{
    Carte(QStringLiteral("C001"), 0, QStringLiteral("CAS"), 4, 0, 8, 0);
    const QStringList prima = TutteLeSchede();
    // the source never filled
    auto *d = Depositi::Apri<TFqarn0211d>(QStringLiteral("QARN0211D"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0211d> finestra(d);
    d->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("CL"));
    d->btEsegui->click();
    ProcessEvents();
    // a customer without deposits per destination keeps its cards at destination 0
    d->tPars->FieldByName(QStringLiteral("Da_IdConto"))->SetValue(QStringLiteral("C001"));
    d->tPars->FieldByName(QStringLiteral("Da_IdDestinazione"))->SetValue(1);
    d->tPars->FieldByName(QStringLiteral("A_IdConto"))->SetValue(QStringLiteral("C002"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_TRUE(script.Texts().isEmpty()) << script.LastText().toStdString();
    ASSERT_FALSE(finestra.isNull());
    EXPECT_TRUE(d->btEsegui->isEnabled() && d->btChiudi->isEnabled());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(TutteLeSchede(), prima);
}

TEST_F(TrasferimentoCauzioni, ATargetEmptyOrNoLongerValidIsRefusedBeforeAnythingIsWritten)
{
    Carte(QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 25, 9);
    const QStringList prima = TutteLeSchede();
    TXMemTable::ForgetKeptRecords(); // the first opening since the program started
    auto *d = Depositi::Apri<TFqarn0211d>(QStringLiteral("QARN0211D"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0211d> finestra(d);
    d->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("CL"));
    d->tPars->FieldByName(QStringLiteral("Da_IdConto"))->SetValue(QStringLiteral("C002"));
    d->tPars->FieldByName(QStringLiteral("Da_IdDestinazione"))->SetValue(1);
    auto rifiutato = [&](const QString &messaggio) {
        script.ClearMessages();
        d->btEsegui->click();
        ProcessEvents();
        EXPECT_EQ(script.Texts(), QStringList{messaggio});
        ASSERT_FALSE(finestra.isNull()) << "the dialog stays open to correct the target";
        EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
        EXPECT_EQ(TutteLeSchede(), prima);
    };
    // the target never filled
    rifiutato(QStringLiteral("Specificare un codice cliente o fornitore"));
    // a destination of the first target kept when the target changes to one without it
    d->tPars->FieldByName(QStringLiteral("A_IdConto"))->SetValue(QStringLiteral("C002"));
    d->tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->SetValue(2);
    d->tPars->FieldByName(QStringLiteral("A_IdConto"))->SetValue(QStringLiteral("C001"));
    rifiutato(QStringLiteral("Codice Destinatario non valido"));
    // another user switches the target's deposits off once the field accepted it: the run
    // reads the target again, and is rolled back
    d->tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->SetValue(0);
    AltroUtente()->ExecSQL(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlCauz = 0 WHERE IdConto = 'C001'"));
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.Texts(), QStringList{"Cliente non abilitato alla gestione cauzioni"});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(TutteLeSchede(), prima);
}

TEST_F(TrasferimentoCauzioni, AllZeroCardsStillGiveTwoMovementsOfZeroRows)
{
    Carte(QStringLiteral("C002"), 2, QStringLiteral("CAS"), 0, 0, 0, 0);
    const QStringList prima = TutteLeSchede();
    auto *d = Apri(QStringLiteral("C002"), 2, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Trasferimento Completato!"));
    EXPECT_EQ(Righe(), (QStringList{"C002/CAS/0/0/0/0/0/0/0", "C001/CAS/0/0/0/0/3.333/0/0"}));
    EXPECT_EQ(TutteLeSchede(), prima) << "no card moved or created";
}

TEST_F(TrasferimentoCauzioni, OntoItselfTheGeneralSetIsReloadedAtTheTargetPrice)
{
    Carte(QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 25, 9);
    auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C002"), 1);
    ASSERT_NE(d, nullptr);
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Trasferimento Completato!"));
    for (int tipo : {0, 1}) {
        const int dest = tipo == 0 ? 1 : 0;
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), "ProgQtaCar"), 10);
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), "ProgValCar"), 20) << "at L01's 2";
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), "ProgValRes"), 8);
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), "ProgQtaCarF"), 11) << "grown";
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), "ProgQtaResB"), 6);
        EXPECT_EQ(S(QStringLiteral("C002"), dest, tipo, QStringLiteral("CAS"), "ProgValCarB"), 22);
    }
}

TEST_F(TrasferimentoCauzioni, AnErrorInTheTargetPassRollsEverythingBack)
{
    Carte(QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 25, 9);
    Carte(QStringLiteral("C002"), 1, QStringLiteral("BOT"), 3, 0, 1.5, 0);
    const QStringList prima = TutteLeSchede();
    ASSERT_TRUE(GuastaRighePositive());
    auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0211d> finestra(d);
    d->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(script.Texts().size(), 1);
    EXPECT_NE(script.LastText(), QStringLiteral("Trasferimento Completato!"));
    EXPECT_TRUE(finestra.isNull()) << "the dialog closes either way";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauR")), 0);
    EXPECT_EQ(TutteLeSchede(), prima);

    // the module's tables hold nothing of the rolled-back run: a second run works
    Esegui(QStringLiteral("DROP TRIGGER tr_guasto")
           + (company.Db().IsPostgres() ? QStringLiteral(" ON LUMO_MovCauR") : QString()));
    script.ClearMessages();
    d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Trasferimento Completato!"));
    EXPECT_EQ(S(QStringLiteral("C002"), 1, 0, QStringLiteral("CAS"), "ProgQtaCar"), 0);
    EXPECT_EQ(S(QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"), "ProgQtaCar"), 10);
}

TEST_F(TrasferimentoCauzioni, SourceCardsInSeveralCurrenciesAreRefused)
{
    Carte(QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 25, 9);
    Carte(QStringLiteral("C002"), 1, QStringLiteral("BOT"), 3, 0, 1.5, 0, 0, 0, QStringLiteral("USD"));
    const QStringList prima = TutteLeSchede();
    auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("divise diverse"))) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(TutteLeSchede(), prima);
}

TEST_F(TrasferimentoCauzioni, AccountsAndDestinationsAreChecked)
{
    auto *d = Depositi::Apri<TFqarn0211d>(QStringLiteral("QARN0211D"));
    ASSERT_NE(d, nullptr);
    d->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("CL"));
    auto rifiuto = [&](const QString &controllo, const QString &testo, const QString &messaggio) {
        script.ClearMessages();
        EXPECT_FALSE(Scrivi(d, controllo, testo)) << testo.toStdString();
        EXPECT_EQ(script.LastText(), messaggio) << testo.toStdString();
    };
    rifiuto(QStringLiteral("edDa_IdConto"), QStringLiteral("C003"),
            QStringLiteral("Cliente non abilitato alla gestione cauzioni"));
    rifiuto(QStringLiteral("edA_IdConto"), QStringLiteral("X'1"), QStringLiteral("Codice Cliente non Valido"));
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edA_IdConto"), QStringLiteral("C002")));
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("_IdListCau"))->AsString(), QStringLiteral("L01"));
    rifiuto(QStringLiteral("edA_IdDestinazione"), QStringLiteral("9"),
            QStringLiteral("Codice Destinatario non valido"));
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edA_IdDestinazione"), QStringLiteral("2")));
    d->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("FO"));
    rifiuto(QStringLiteral("edDa_IdConto"), QStringLiteral("F002"),
            QStringLiteral("Fornitore non abilitato alla gestione cauzioni"));
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edDa_IdConto"), QStringLiteral("F001")));
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("_DaRagioneSociale"))->AsString(), QStringLiteral("Vetreria Nord"));
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("_IdListCau"))->AsString(), QString()) << "no list for suppliers";
}

TEST_F(TrasferimentoCauzioni, OfTwoTransfersOfOneSourceAtOnceTheSecondFailsAndLeavesNothing)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "two connections writing at once: PostgreSQL";
    Carte(QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 25, 9);
    // another user's transfer of the same source holds its emptied cards when this one starts,
    // and commits while this one waits for them
    std::promise<void> preso;
    const TestDb &azienda = company.Db();
    std::thread altro([&] {
        auto db = azienda.Connect(QStringLiteral("altro"));
        db->StartTransaction();
        db->ExecSQL(QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, IdContoTp, IdConto, IdDestinazione, FlAggCau) "
                                   "VALUES (9999, 'CL', 'C002', 1, 1)"));
        db->ExecSQL(QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = 0, ProgQtaRes = 0, ProgValCar = 0, "
                                   "ProgValRes = 0, QtaCarEcc = 0, QtaResEcc = 0 WHERE IdConto = 'C002'"));
        preso.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        db->Commit();
    });
    preso.get_future().wait();
    auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0211d> finestra(d);
    d->btEsegui->click();
    ProcessEvents();
    altro.join();
    ASSERT_EQ(script.Texts().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("altro utente"))) << script.LastText().toStdString();
    EXPECT_TRUE(finestra.isNull());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1) << "only the other user's movement";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauR")), 0);
    for (int tipo : {0, 1}) {
        EXPECT_EQ(S(QStringLiteral("C002"), tipo == 0 ? 1 : 0, tipo, QStringLiteral("CAS"), "ProgQtaCar"), 0);
        EXPECT_EQ(S(QStringLiteral("C002"), tipo == 0 ? 1 : 0, tipo, QStringLiteral("CAS"), "ProgQtaCarF"), 1);
    }
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = 'C001'")), 0) << "nothing moved twice";
}

TEST_F(TrasferimentoCauzioni, CardsLeftAtADestinationNoLongerKeptSayWhatToDo)
{
    // C002 keeps cards per destination: 6 CAS at destination 1
    Esegui(QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, IdContoTp, IdConto, "
                          "IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB) VALUES (1, ?, 0, 0, 'CL', "
                          "'C002', 1, 'EUR', 1, 1, 0, 0)"),
           {QDateTime(QDate(2026, 3, 1), QTime(0, 0))});
    Esegui(QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, "
                          "ValoreRes, QtaCarEcc, QtaResEcc) VALUES (1, 1, 'CAS', 6, 0, 2, 12, 0, 0, 0)"));
    auto ricalcola = [&] {
        auto *r = Depositi::Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
        ASSERT_NE(r, nullptr);
        r->tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->SetValue(0);
        script.Yes(QStringLiteral("Confermi elaborazione"));
        r->btEsegui->click();
        ProcessEvents();
    };
    ricalcola();
    ASSERT_EQ(S(QStringLiteral("C002"), 1, 0, QStringLiteral("CAS"), "ProgQtaCar"), 6);
    // then it stops keeping them
    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlCauDes = 0 WHERE IdConto = 'C002'"));
    const QStringList prima = TutteLeSchede();
    auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Il conto non gestisce più le cauzioni per destinazione: eseguire il "
                                                "Ricalcolo Progressivi Cauzioni, che riporta le schede della "
                                                "destinazione 1 sulla destinazione 0, poi trasferire dalla "
                                                "destinazione 0."));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 1);
    EXPECT_EQ(TutteLeSchede(), prima);

    // as the message says
    ricalcola();
    EXPECT_EQ(S(QStringLiteral("C002"), 0, 0, QStringLiteral("CAS"), "ProgQtaCar"), 6);
    d = Apri(QStringLiteral("C002"), 0, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Trasferimento Completato!"));
    EXPECT_EQ(S(QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"), "ProgQtaCar"), 6);
    EXPECT_EQ(S(QStringLiteral("C002"), 0, 1, QStringLiteral("CAS"), "ProgQtaCar"), 0);
}

// A user's transfer of C002's stock at destination 1 to C001.
KV8_LAVORO_UTENTE(TrasferimentoCauzioni, TrasferimentoStessaOrigine)
{
    auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
    ASSERT_NE(d, nullptr);
    kv8test::AttendiVia();
    d->btEsegui->click();
    ProcessEvents();
    kv8test::NotaUtente(script.Texts());
}

TEST_F(TrasferimentoCauzioni, TwoUsersTransferringOneSourceMoveItsStockOnce)
{
    const auto daCapo = [&] {
        for (const char *t : {"LUMO_MovCauR", "LUMO_MovCauT", "LUMO_ProgCauz"})
            Esegui(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        Carte(QStringLiteral("C002"), 1, QStringLiteral("BOT"), 12, 4, 6, 2);
        Carte(QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 3, 20, 6, 2, 1);
    };
    const QString fatto = QStringLiteral("Trasferimento Completato!");
    const QString rifiuto = QStringLiteral("Le schede cauzioni di origine sono state modificate da un altro utente: "
                                           "ripetere il trasferimento.");
    // what one transfer leaves, and two one after the other (the second moves zero rows)
    daCapo();
    const auto trasferisci = [&] {
        auto *d = Apri(QStringLiteral("C002"), 1, QStringLiteral("C001"), 0);
        ASSERT_NE(d, nullptr);
        script.ClearMessages();
        d->btEsegui->click();
        ProcessEvents();
        ASSERT_EQ(script.Texts(), QStringList{fatto});
    };
    trasferisci();
    const QStringList schede = TutteLeSchede();
    const QStringList righeUna = Righe();
    trasferisci();
    ASSERT_EQ(TutteLeSchede(), schede);
    const QStringList righeDue = Righe();
    ASSERT_EQ(righeDue.size(), 2 * righeUna.size());

    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        daCapo();
        const auto utenti = kv8test::DueUtenti(QStringLiteral("TrasferimentoStessaOrigine"), company.Db().Url(), avvio,
                                               QStringLiteral("trasferimento"));
        for (const kv8test::Utente &u : utenti)
            ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
        // both transferred, one after the other, or one was refused and stored nothing
        const bool entrambi = utenti[0].Messaggi == QStringList{fatto} && utenti[1].Messaggi == QStringList{fatto};
        if (entrambi && avvio == kv8test::Avvio::Insieme) {
            EXPECT_EQ(Righe(), righeDue);
        } else {
            const int rifiutato = kv8test::UnoRifiutato(utenti, avvio, {rifiuto});
            ASSERT_GE(rifiutato, 0);
            EXPECT_EQ(utenti[size_t(rifiutato)].Messaggi, QStringList{rifiuto});
            EXPECT_EQ(utenti[size_t(1 - rifiutato)].Messaggi, QStringList{fatto});
            EXPECT_EQ(Righe(), righeUna);
        }
        EXPECT_EQ(TutteLeSchede(), schede) << "the stock moved once";
    });
}
