// The rebuild of the deposit cards from the manual movements and the document summaries.
#include "tests/module/deposits/DepositiFixture.h"
#include "tests/module/deposits/SchedeArrotondate.h"

#include "deposits/Lumo_lavori.h"
#include "deposits/Qarn0156d.h"
#include "deposits/Qarn0211d.h"
#include "host/business/Dmisven.h"
#include "host/data/TXMemTable.h"
#include "host/db/TXTransaction.h"
#include "tests/support/DueUtenti.h"

#include <QMap>
#include <QProgressBar>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cmath>
#include <random>

using namespace kv8test;

namespace {

class RicalcoloCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Listino(QStringLiteral("L01"), QStringLiteral("EUR"),
                {{QStringLiteral("CAS"), 2}, {QStringLiteral("BOT"), 0.5}});
        Esegui(QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, "
                              "UT_LMQ_FlAggCauB) VALUES ('BV', 1, 0, 1)"));
    }
    // A manual movement (or one written for a document when kDocT is not 0) of one row.
    void Movimento(int chiave, const QString &conto, int destinazione, const QString &imballo, double car, double res,
                   double prezzo, double valCar = 0, double valRes = 0, int kDocT = 0)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, IdContoTp, IdConto, "
                              "IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB) VALUES "
                              "(?, ?, ?, ?, 'CL', ?, ?, 'EUR', 1, 1, 1, 0)"),
               {chiave, QDateTime(QDate(2026, 3, 1).addDays(chiave % 28), QTime(0, 0)), kDocT == 0 ? 0 : 1, kDocT,
                conto, destinazione});
        Esegui(QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, "
                              "ValoreCar, ValoreRes, QtaCarEcc, QtaResEcc) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0, 0)"),
               {chiave * 10, chiave, imballo, car, res, prezzo, valCar, valRes});
    }
    // A customer delivery note with its stored summary row.
    void Bolla(int chiave, const QString &conto, int destinazione, const QString &imballo, double car, double prezzo)
    {
        Esegui(
            QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, DataDocumento, IdClienteTp, IdCliente, "
                           "IdDestinazione, IdDivisa, Cambio) VALUES (?, 'BV', ?, 'CL', ?, ?, 'EUR', 1)"),
            {chiave, QDateTime(QDate(2026, 4, 1), QTime(0, 0)), conto, destinazione});
        Esegui(
            QStringLiteral("INSERT INTO LUMO_CauzDocBoll (KMovimento, FlTipoDocColl, KBolleCliT, IdImballo, QtaCar, "
                           "QtaRes, Prezzo, ValoreCar, ValoreRes, QtaCarEcc, QtaResEcc) VALUES (?, 1, ?, ?, ?, 0, ?, "
                           "?, 0, 0, 0)"),
            {chiave, chiave, imballo, car, prezzo, car * prezzo});
    }
    QStringList Schede()
    {
        return Elenco(QStringLiteral("SELECT IdConto, IdDestinazione, FlTipoScheda, IdImballo, ProgQtaCar, ProgQtaRes, "
                                     "ProgValCar, ProgValRes, ProgQtaCarF, ProgValCarF, ProgQtaCarB, ProgValCarB, "
                                     "QtaCarEcc, EsiAttEcc FROM LUMO_ProgCauz ORDER BY IdConto, IdDestinazione, "
                                     "FlTipoScheda, IdImballo"));
    }
    double S(const QString &conto, int dest, int tipo, const QString &imballo, const char *colonna)
    {
        return Scheda(QStringLiteral("CL"), conto, dest, tipo, imballo, QLatin1String(colonna));
    }
    // Job 0 run from the window as the user does; answers whether the window closed.
    bool Ricalcola()
    {
        auto *d = Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
        if (!d)
            return false;
        QPointer<TFqarn0156d> finestra(d);
        d->tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->SetValue(0);
        script.Yes(QStringLiteral("Confermi elaborazione"));
        d->btEsegui->click();
        ProcessEvents();
        return finestra.isNull();
    }
};

} // namespace

TEST_F(RicalcoloCauzioni, CardsAreRebuiltFromManualMovementsAndSummariesAndNothingTwice)
{
    Movimento(1, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 2);
    Movimento(2, QStringLiteral("C002"), 1, QStringLiteral("CAS"), -3, 0, 0, -7.5, 0); // a transfer's source row
    Movimento(3, QStringLiteral("C001"), 2, QStringLiteral("BOT"), 6, 0, 0.5);         // no cards per destination: at 0
    Movimento(4, QStringLiteral("C003"), 0, QStringLiteral("CAS"), 9, 0, 2);           // keeps no deposits
    Movimento(5, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 100, 0, 2, 0, 0, 55); // a document's own
    Bolla(55, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 5, 2);
    // a stale card, zeroed
    Esegui(QStringLiteral(
        "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, "
        "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, ProgValCarF, "
        "ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, QtaResEcc, "
        "EsiAttEcc) VALUES ('CL', 'C002', 2, 0, 'FUS', 'EUR', 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, "
        "7, 7)"));

    auto *d = Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
    ASSERT_NE(d, nullptr);
    script.No(QStringLiteral("Confermi elaborazione"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz")), 1) << "No does nothing";

    ASSERT_TRUE(Ricalcola()) << "the window closes";
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata"));
    const QStringList attese{
        // manual 10/4 at 2 and the transfer row's own -7.5; the summary 5 at 2 in the general and delivery-note sets
        "C001/0/0/BOT/6/0/3/0/6/3/0/0/0/0", "C001/0/1/BOT/6/0/3/0/6/3/0/0/0/0",
        "C002/0/1/CAS/12/4/22.5/8/7/12.5/5/10/0/0", "C002/1/0/CAS/12/4/22.5/8/7/12.5/5/10/0/0",
        "C002/2/0/FUS/0/0/0/0/0/0/0/0/0/0"};
    EXPECT_EQ(Schede(), attese);
    script.ClearMessages();
    ASSERT_TRUE(Ricalcola());
    EXPECT_EQ(Schede(), attese) << "a second run gives the same cards";
}

TEST_F(RicalcoloCauzioni, TheRebuildMovesItsBarWithItsButtonsGreyedAndTheWindowAsItWas)
{
    for (int k = 1; k <= 6; ++k)
        Movimento(k, QStringLiteral("C002"), 1, QStringLiteral("CAS"), k, 0, 2);
    Bolla(55, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 5, 2);
    auto *d = Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0156d> finestra(d);
    QProgressBar *barra = main->Window()->findChild<QProgressBar *>(QStringLiteral("ProgressBar"));
    ASSERT_NE(barra, nullptr);
    QMap<QString, QList<int>> visti; // by the pass's caption
    QMap<QString, int> massimi;
    bool pulsantiAttivi = false, nascosta = false;
    QObject::connect(barra, &QProgressBar::valueChanged, barra, [&](int valore) {
        if (valore < 0 || !finestra)
            return; // the bar reset at a pass's end
        const QString passo = main->Window()->ProgressCaption();
        visti[passo] << valore;
        massimi[passo] = barra->maximum();
        pulsantiAttivi = pulsantiAttivi || finestra->btEsegui->isEnabled() || finestra->btChiudi->isEnabled();
        nascosta = nascosta || !finestra->updatesEnabled()
                   || !finestra->Control<QWidget>(QStringLiteral("cbFlTipoRicalcolo"))->isVisibleTo(finestra);
    });
    bool ripristinati = false;
    PrimaDellaDomanda allaFine(&script, QStringLiteral("Elaborazione Terminata"), [&] {
        ripristinati = finestra && finestra->btEsegui->isEnabled() && finestra->btChiudi->isEnabled();
    });

    // No runs nothing: the buttons are never greyed
    script.No(QStringLiteral("Confermi elaborazione"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_TRUE(visti.isEmpty());
    EXPECT_TRUE(d->btEsegui->isEnabled() && d->btChiudi->isEnabled());

    d->tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->SetValue(0);
    script.Yes(QStringLiteral("Confermi elaborazione"));
    d->btEsegui->click();
    ProcessEvents();
    const QString manuali = QStringLiteral("Aggiorna progressivi da movimenti");
    EXPECT_EQ(visti.value(manuali), (QList<int>{1, 2, 3, 4, 5, 6})) << "a step per movement row";
    EXPECT_EQ(massimi.value(manuali), 6);
    EXPECT_EQ(visti.value(QStringLiteral("Aggiorna progressivi da bolle clienti")), QList<int>{1});
    EXPECT_FALSE(pulsantiAttivi) << "Esegui and Chiudi greyed while it runs";
    EXPECT_FALSE(nascosta) << "its choice and the window shown as they were";
    EXPECT_TRUE(ripristinati) << "the buttons back before the closing message";
    EXPECT_FALSE(main->Window()->ProgressActive());
    EXPECT_TRUE(finestra.isNull()) << "job 0 closes the window";
}

TEST_F(RicalcoloCauzioni, ATransferIsRebuiltAsItBooked)
{
    Movimento(1, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 2.345);
    Movimento(2, QStringLiteral("C002"), 1, QStringLiteral("BOT"), 7, 1, 0.5);
    ASSERT_TRUE(Ricalcola());
    for (const auto &[a, aDest] : {std::pair{QStringLiteral("C001"), 0}, std::pair{QStringLiteral("C002"), 1}}) {
        script.ClearMessages();
        auto *t = Apri<TFqarn0211d>(QStringLiteral("QARN0211D"));
        ASSERT_NE(t, nullptr);
        t->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("CL"));
        t->tPars->FieldByName(QStringLiteral("Da_IdConto"))->SetValue(QStringLiteral("C002"));
        t->tPars->FieldByName(QStringLiteral("Da_IdDestinazione"))->SetValue(1);
        t->tPars->FieldByName(QStringLiteral("A_IdConto"))->SetValue(a);
        t->tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->SetValue(aDest);
        t->btEsegui->click();
        ProcessEvents();
        ASSERT_EQ(script.LastText(), QStringLiteral("Trasferimento Completato!"));
        const QStringList dopo = Schede();
        script.ClearMessages();
        ASSERT_TRUE(Ricalcola());
        EXPECT_EQ(Schede(), dopo) << "onto " << a.toStdString();
    }
}

TEST_F(RicalcoloCauzioni, AnErrorRollsBackTheZeroingToo)
{
    Movimento(1, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 2);
    ASSERT_TRUE(Ricalcola());
    Movimento(2, QStringLiteral("C001"), 0, QStringLiteral("BOT"), 6, 0, 0.5);
    const QStringList prima = Schede();
    QSqlQuery ddl(company.Database().Connection());
    if (company.Db().IsPostgres())
        ASSERT_TRUE(ddl.exec(QStringLiteral("CREATE FUNCTION guasto() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                                            "'guasto'; END $$ LANGUAGE plpgsql"))
                    && ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_ProgCauz FOR EACH ROW "
                                               "EXECUTE FUNCTION guasto()")));
    else
        ASSERT_TRUE(ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_ProgCauz BEGIN "
                                            "SELECT RAISE(ABORT, 'guasto'); END")));
    script.ClearMessages();
    bool ripristinati = false;
    PrimaDellaDomanda allaFine(&script, QStringLiteral("Elaborazione Terminata"), [&] {
        auto *d = Fqarn0156d.data();
        ripristinati = d && d->btEsegui->isEnabled() && d->btChiudi->isEnabled();
    });
    ASSERT_TRUE(Ricalcola());
    EXPECT_TRUE(ripristinati) << "a failed rebuild gives its buttons back";
    const QStringList testi = script.Texts();
    ASSERT_EQ(testi.size(), 3) << testi.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(testi.last(), QStringLiteral("Elaborazione Terminata"));
    EXPECT_EQ(Schede(), prima) << "the cards keep their values, zeroing included";
}

namespace {

class GenerazioniCauzioni : public RicalcoloCauzioni {
protected:
    void SetUp() override
    {
        RicalcoloCauzioni::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Esegui(QStringLiteral("UPDATE Imballi SET FlUtilizzo = 0"));
        Esegui(QStringLiteral(
            "UPDATE CausaliBolleCli SET UT_LMQ_FlCauzioni = 1, UT_LMQ_FlReso = 0, UT_LMQ_FlAggMovC = 1"));
        Esegui(QStringLiteral(
            "INSERT INTO CausaliBolleCli (IdCausale, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggMovC) "
            "VALUES ('NC', 0, 1, 1)"));
    }
    // A delivery note without summary; rows of (article, code 1, packages, code 2, units).
    void Documento(int chiave, const QString &conto, int destinazione, const QString &causale,
                   const QList<std::tuple<QString, QString, double, QString, double>> &righe)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                   "IdClienteTp, IdCliente, IdDestinazione, IdDivisa, Cambio) VALUES (?, ?, 2026, 1, ?, ?, 'CL', "
                   "?, ?, 'EUR', 1)"),
               {chiave, causale, chiave, QDateTime(QDate(2026, 5, 2), QTime(0, 0)), conto, destinazione});
        int n = 0;
        for (const auto &[articolo, i1, lunghezza, i2, quantita] : righe)
            Esegui(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, IdProdotto, UT_LMQ_IdImballo1, "
                                  "Lunghezza, UT_LMQ_IdImballo2, Quantita) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                   {chiave * 100 + ++n, chiave, articolo, i1, lunghezza, i2, quantita});
    }
    QStringList Castelletto(int chiave)
    {
        return Elenco(QStringLiteral("SELECT IdImballo, EsistenzaAtt, ValoreEsiAtt, Prezzo, QtaCar, QtaRes, ValoreCar, "
                                     "ValoreRes FROM LUMO_CauzDocBoll WHERE KBolleCliT = ? ORDER BY IdImballo"),
                      {chiave});
    }
    TFqarn0156d *Lavoro(int tipo, const QString &esito)
    {
        auto *d = Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
        if (!d)
            return nullptr;
        d->tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->SetValue(tipo);
        script.Yes(QStringLiteral("Confermi elaborazione"));
        d->btEsegui->click();
        ProcessEvents();
        EXPECT_EQ(script.LastText(), esito);
        return d;
    }
};

const QString FineCastelletti =
    QStringLiteral("Elaborazione terminata.. eseguire generazione movimento e progressivi cauzioni");

} // namespace

TEST_F(GenerazioniCauzioni, SummariesThenMovementsThenCardsCountEachDocumentOnce)
{
    Movimento(1, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 10, 4, 2);
    ASSERT_TRUE(Ricalcola());
    // codes A/B with 5 packages and 60 units; a row without article does not count
    Documento(60, QStringLiteral("C002"), 1, QStringLiteral("BV"),
              {{"VINO1", "CAS", 5, "BOT", 60}, {"", "CAS", 100, "", 0}});
    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_IdListCau = '' WHERE IdConto = 'C001'"));
    Documento(61, QStringLiteral("C001"), 0, QStringLiteral("BV"), {{"VINO1", "CAS", 65, "CAS", 0}});
    Documento(62, QStringLiteral("C003"), 0, QStringLiteral("BV"), {{"VINO1", "CAS", 1, "", 0}}); // no deposits
    Documento(63, QStringLiteral("C002"), 1, QStringLiteral("NC"), {{"VINO1", "CAS", 1, "", 0}}); // causal without

    auto *d = Lavoro(2, FineCastelletti);
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0156d> finestra(d);
    EXPECT_FALSE(finestra.isNull()) << "job 2 leaves the window open";
    EXPECT_TRUE(d->btEsegui->isEnabled() && d->btChiudi->isEnabled()) << "its buttons back";
    EXPECT_EQ(Castelletto(60), (QStringList{"BOT/0/0/0.5/60/0/30/0", "CAS/6/12/2/5/0/10/0", "FUS/0/0/0/0/0/0/0"}))
        << "a row per code in use, the balance of the destination's card";
    EXPECT_EQ(Castelletto(61), (QStringList{"BOT/0/0/0/0/0/0/0", "CAS/0/0/0/65/0/0/0", "FUS/0/0/0/0/0/0/0"}))
        << "no list: no price";
    EXPECT_TRUE(Castelletto(62).isEmpty());
    EXPECT_TRUE(Castelletto(63).isEmpty());
    script.ClearMessages();
    script.Yes(QStringLiteral("Confermi elaborazione"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 6) << "never a second summary";
    EXPECT_TRUE(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = 'C001'")) == 0) << "no card moved";

    script.ClearMessages();
    Lavoro(1, QStringLiteral("Elaborazione Terminata"));
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT T.KDocT, T.FlTipoDocColl, T.IdConto, T.IdDestinazione, R.IdImballo, R.QtaCar, "
                              "R.ValoreCar FROM LUMO_MovCauT T JOIN LUMO_MovCauR R ON R.KContaT = T.KContaT WHERE "
                              "T.KDocT <> 0 ORDER BY T.KDocT, R.IdImballo")),
        (QStringList{"60/1/C002/1/BOT/60/30", "60/1/C002/1/CAS/5/10", "61/1/C001/0/CAS/65/0"}))
        << "rows without quantities skipped";
    script.ClearMessages();
    Lavoro(1, QStringLiteral("Elaborazione Terminata"));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT"), QStringLiteral("KDocT <> 0")), 2) << "job 1 skips what it wrote";

    script.ClearMessages();
    ASSERT_TRUE(Ricalcola());
    EXPECT_EQ(S(QStringLiteral("C002"), 1, 0, QStringLiteral("CAS"), "ProgQtaCar"), 15) << "manual 10 and the note's 5";
    EXPECT_EQ(S(QStringLiteral("C002"), 1, 0, QStringLiteral("BOT"), "ProgQtaCarB"), 60);
    EXPECT_EQ(S(QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"), "ProgQtaCar"), 65);
}

TEST_F(GenerazioniCauzioni, ADocumentFailingInJob1LeavesNothingAndTheOthersCommit)
{
    Documento(70, QStringLiteral("C002"), 1, QStringLiteral("BV"), {{"VINO1", "CAS", 5, "BOT", 60}});
    Documento(71, QStringLiteral("C001"), 0, QStringLiteral("BV"), {{"VINO1", "CAS", 7, "", 0}});
    Lavoro(2, FineCastelletti);
    QSqlQuery ddl(company.Database().Connection());
    if (company.Db().IsPostgres())
        ASSERT_TRUE(
            ddl.exec(QStringLiteral("CREATE FUNCTION guasto() RETURNS trigger AS $$ BEGIN IF NEW.IdImballo = 'CAS' "
                                    "AND NEW.QtaCar = 5 THEN RAISE EXCEPTION 'guasto'; END IF; RETURN NEW; END $$ "
                                    "LANGUAGE plpgsql"))
            && ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_MovCauR FOR EACH ROW "
                                       "EXECUTE FUNCTION guasto()")));
    else
        ASSERT_TRUE(
            ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_MovCauR WHEN NEW.IdImballo = "
                                    "'CAS' AND NEW.QtaCar = 5 BEGIN SELECT RAISE(ABORT, 'guasto'); END")));
    script.ClearMessages();
    Lavoro(1, QStringLiteral("Elaborazione Terminata"));
    EXPECT_EQ(script.Texts().size(), 3) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT T.KDocT, R.IdImballo FROM LUMO_MovCauT T LEFT JOIN LUMO_MovCauR R ON "
                                    "R.KContaT = T.KContaT ORDER BY T.KDocT")),
              QStringList{"71/CAS"})
        << "the failing note has neither head nor rows";
}

TEST_F(GenerazioniCauzioni, RowsCopiedByKeysThrowWhenOneNoLongerMatchesAndLeaveNothing)
{
    Documento(70, QStringLiteral("C002"), 1, QStringLiteral("BV"), {{"VINO1", "CAS", 5, "BOT", 60}});
    Lavoro(2, FineCastelletti);
    QList<qint64> castelletto; // BOT and CAS with quantities, FUS without
    for (const QString &k : Elenco(QStringLiteral("SELECT KMovimento FROM LUMO_CauzDocBoll WHERE KBolleCliT = 70 "
                                                  "ORDER BY IdImballo")))
        castelletto << k.toLongLong();
    ASSERT_EQ(castelletto.size(), 3);
    TXDatabase &db = company.Database();
    auto copia = [&](const QList<qint64> &righe) {
        TXTransaction transazione(db);
        CAUZ_InserimentoMultiplo scrittura = CAUZ_InserimentoMultiplo::PerChiavi(
            db,
            QStringLiteral(
                "INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar) SELECT v.column1, v.column2, "
                "M.IdImballo, M.QtaCar FROM (VALUES %1) AS v JOIN LUMO_CauzDocBoll M ON M.KMovimento = "
                "v.column3 AND M.QtaCar <> 0"),
            3);
        for (qsizetype i = 0; i < righe.size(); ++i)
            scrittura.Aggiungi({900 + i, 9, righe[i]});
        scrittura.Scrivi();
        transazione.Commit();
    };
    copia(castelletto.mid(0, 2));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT KContaR, KContaT, IdImballo, QtaCar FROM LUMO_MovCauR ORDER BY KContaR")),
              (QStringList{"900/9/BOT/60", "901/9/CAS/5"}));
    Esegui(QStringLiteral("DELETE FROM LUMO_MovCauR"));
    try {
        copia(castelletto);
        ADD_FAILURE() << "a row that no longer matches is not copied silently";
    } catch (const std::exception &e) {
        EXPECT_EQ(Kmessages::ExceptionText(e), QStringLiteral("Documenti modificati da un altro utente durante "
                                                              "l'elaborazione: ripetere l'operazione."));
    }
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauR")), 0);
}

TEST_F(GenerazioniCauzioni, Job2ReadsTheHeadsAsStoredNowManyToAStatement)
{
    // a note the sales module holds from before, its causal changed since by another program
    Documento(60, QStringLiteral("C002"), 1, QStringLiteral("NC"), {{"VINO1", "CAS", 5, "", 0}});
    ASSERT_TRUE(TDMISVen::Crea()->PosizionaBolla(60));
    Esegui(QStringLiteral("UPDATE BolleCliTeste SET IdCausale = 'BV' WHERE KBolleCliT = 60"));
    for (int chiave = 61; chiave <= 100; ++chiave)
        Documento(chiave, chiave % 2 ? QStringLiteral("C001") : QStringLiteral("C002"), 0, QStringLiteral("BV"),
                  {{"VINO1", "CAS", double(chiave), "", 0}});

    const quint64 prima = company.Database().StatementCount();
    Lavoro(2, FineCastelletti);
    EXPECT_LT(company.Database().StatementCount() - prima, 41u) << "no statement per document";
    EXPECT_EQ(Castelletto(60), (QStringList{"BOT/0/0/0.5/0/0/0/0", "CAS/0/0/2/5/0/10/0", "FUS/0/0/0/0/0/0/0"}))
        << "the causal as stored now";
    EXPECT_EQ(Castelletto(100), (QStringList{"BOT/0/0/0.5/0/0/0/0", "CAS/0/0/2/100/0/200/0", "FUS/0/0/0/0/0/0/0"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 41 * 3);
}

TEST_F(RicalcoloCauzioni, AfterMovementsAndTransfersInAnyOrderJob0LeavesEveryCardAsItWas)
{
    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_IdListCau = 'L02' WHERE IdConto = 'C001'"));
    Listino(QStringLiteral("L02"), QStringLiteral("EUR"),
            {{QStringLiteral("CAS"), 1.7}, {QStringLiteral("BOT"), 0.33}});
    const QList<QPair<QString, int>> conti{
        {QStringLiteral("C001"), 0}, {QStringLiteral("C002"), 1}, {QStringLiteral("C002"), 2}};
    const QStringList codici{QStringLiteral("CAS"), QStringLiteral("BOT"), QStringLiteral("FUS")};
    auto arrotondate = [&] { return SchedeArrotondate(company.Database()); };
    std::mt19937 caso(24);
    int trasferimenti = 0;
    for (int giro = 0; giro < 3; ++giro) {
        // clear of the keys the transfers draw
        int chiave =
            company.Database().ScalarValue(QStringLiteral("SELECT MAX(KContaT) FROM LUMO_MovCauT")).toInt() + 1000;
        for (int i = 0; i < 4; ++i, ++chiave) {
            const auto &[conto, dest] = conti.at(int(caso() % conti.size()));
            Movimento(chiave, conto, dest, codici.at(int(caso() % codici.size())), double(caso() % 20) - 4,
                      double(caso() % 7), (caso() % 3) * 0.75, 0, 0);
        }
        ASSERT_TRUE(Ricalcola());
        const auto &[da, daDest] = conti.at(int(caso() % conti.size()));
        const auto &[a, aDest] = conti.at(int(caso() % conti.size()));
        script.ClearMessages();
        auto *t = Apri<TFqarn0211d>(QStringLiteral("QARN0211D"));
        ASSERT_NE(t, nullptr);
        t->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("CL"));
        t->tPars->FieldByName(QStringLiteral("Da_IdConto"))->SetValue(da);
        t->tPars->FieldByName(QStringLiteral("Da_IdDestinazione"))->SetValue(daDest);
        t->tPars->FieldByName(QStringLiteral("A_IdConto"))->SetValue(a);
        t->tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->SetValue(aDest);
        t->btEsegui->click();
        ProcessEvents();
        trasferimenti += script.LastText() == QLatin1String("Trasferimento Completato!") ? 1 : 0;
        const QStringList dopo = arrotondate();
        script.ClearMessages();
        ASSERT_TRUE(Ricalcola());
        EXPECT_EQ(arrotondate(), dopo) << "round " << giro << ": " << da.toStdString() << "/" << daDest << " -> "
                                       << a.toStdString() << "/" << aDest;
    }
    EXPECT_GE(trasferimenti, 2);
}

TEST_F(GenerazioniCauzioni, ReturnCausalsSupplierNotesAndAccountsWithoutDestinationCardsAreCountedWhereTheyBelong)
{
    Esegui(QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, UT_LMQ_FlCauzioni, UT_LMQ_FlReso, UT_LMQ_FlAggCau, "
                          "UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC) VALUES ('BR', 1, 1, 1, 0, 1, 1)"));
    Esegui(QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, FlTipoDocumento, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, "
                          "UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC) VALUES ('NR', 3, 1, 1, 1, 0, 1)"));
    Esegui(
        QStringLiteral("INSERT INTO CausaliBolleFor (IdCausale, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, "
                       "UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC) VALUES ('BA', 1, 1, 0, 1, 1)"));
    // C001 keeps no cards per destination: its destination 0 card holds 10 CAS
    Movimento(1, QStringLiteral("C001"), 0, QStringLiteral("CAS"), 10, 0, 2);
    ASSERT_TRUE(Ricalcola());
    // a returned delivery note of C001's destination 1 and a credit note of C002's destination 2
    Documento(80, QStringLiteral("C001"), 1, QStringLiteral("BR"), {{"VINO1", "CAS", 4, "", 0}});
    Esegui(QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                          "IdClienteTp, IdCliente, IdDestinazione, IdDivisa, Cambio) VALUES (81, 'NR', 2026, 1, 81, ?, "
                          "'CL', 'C002', 2, 'EUR', 1)"),
           {QDateTime(QDate(2026, 5, 3), QTime(0, 0))});
    Esegui(
        QStringLiteral("INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, IdProdotto, UT_LMQ_IdImballo1, Lunghezza, "
                       "UT_LMQ_IdImballo2, Quantita) VALUES (8101, 81, 'VINO1', '', 0, 'BOT', 12)"));
    // supplier delivery notes with their summaries: F002 keeps no deposits
    for (const auto &[chiave, fornitore] : {std::pair{90, "F001"}, std::pair{91, "F002"}}) {
        Esegui(
            QStringLiteral("INSERT INTO BolleForTeste (KBolleForT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                           "IdFornitoreTp, IdFornitore, IdDestinazione, IdDivisa, Cambio) VALUES (?, 'BA', 2026, 1, ?, "
                           "?, 'FO', ?, 0, 'EUR', 1)"),
            {chiave, chiave, QDateTime(QDate(2026, 5, 4), QTime(0, 0)), QLatin1String(fornitore)});
        Esegui(
            QStringLiteral("INSERT INTO LUMO_CauzDocBollAcq (KMovimento, FlTipoDocColl, KBolleForT, IdImballo, QtaCar, "
                           "QtaRes, Prezzo, ValoreCar, ValoreRes, QtaCarEcc, QtaResEcc) VALUES (?, 3, ?, 'FUS', 3, 1, "
                           "10, 30, 10, 0, 0)"),
            {chiave, chiave});
    }

    Lavoro(2, FineCastelletti);
    EXPECT_EQ(Castelletto(80), (QStringList{"BOT/0/0/0.5/0/0/0/0", "CAS/10/20/2/0/4/0/8", "FUS/0/0/0/0/0/0/0"}))
        << "a return books returns only, against the destination 0 card";
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, ValoreRes FROM LUMO_CauzDocFatt WHERE KFattCliT = 81 "
                              "AND IdImballo = 'BOT'")),
        QStringList{"BOT/0/12/6"})
        << "a credit note too";
    script.ClearMessages();
    Lavoro(1, QStringLiteral("Elaborazione Terminata"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT KDocT, FlTipoDocColl FROM LUMO_MovCauT WHERE KDocT <> 0 ORDER BY KDocT")),
              (QStringList{"80/1", "81/2"}))
        << "supplier notes count in job 0 alone";

    script.ClearMessages();
    ASSERT_TRUE(Ricalcola());
    for (int tipo : {0, 1}) {
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgQtaCar"), 10);
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgQtaRes"), 4);
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgQtaResB"), 4);
        EXPECT_EQ(S(QStringLiteral("C001"), 0, tipo, QStringLiteral("CAS"), "ProgValRes"), 8);
        EXPECT_EQ(S(QStringLiteral("C002"), tipo == 0 ? 2 : 0, tipo, QStringLiteral("BOT"), "ProgQtaResF"), 12);
        EXPECT_EQ(S(QStringLiteral("C002"), tipo == 0 ? 2 : 0, tipo, QStringLiteral("BOT"), "ProgQtaCar"), 0);
        for (const char *c : {"ProgQtaCar", "ProgQtaCarB"})
            EXPECT_EQ(
                Scheda(QStringLiteral("FO"), QStringLiteral("F001"), 0, tipo, QStringLiteral("FUS"), QLatin1String(c)),
                3)
                << c;
        EXPECT_EQ(Scheda(QStringLiteral("FO"), QStringLiteral("F001"), 0, tipo, QStringLiteral("FUS"),
                         QStringLiteral("ProgValRes")),
                  10);
    }
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = 'C001' AND IdDestinazione <> 0")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = 'F002'")), 0);
}

TEST_F(GenerazioniCauzioni, WithDepositsSwitchedOffTheMenuCodeStillRebuildsTheCards)
{
    Esegui(QStringLiteral("UPDATE LUMO_Parametri SET FlAbilCauz = 0"));
    Movimento(1, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 7, 2, 2);
    // an account that stopped keeping deposits: its card stays, at 0
    Movimento(2, QStringLiteral("C001"), 0, QStringLiteral("BOT"), 5, 0, 0.5);
    ASSERT_TRUE(Ricalcola());
    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlCauz = 0 WHERE IdConto = 'C001'"));
    script.ClearMessages();
    ASSERT_TRUE(Ricalcola());
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata"));
    EXPECT_EQ(S(QStringLiteral("C002"), 1, 0, QStringLiteral("CAS"), "ProgQtaCar"), 7);
    EXPECT_EQ(S(QStringLiteral("C002"), 0, 1, QStringLiteral("CAS"), "ProgValRes"), 4);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = 'C001'")), 2);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = 'C001' AND ProgQtaCar = 0 AND "
                                                                    "ProgValCar = 0")),
              2);
}

// Both users' jobs ran to their end message: each waited for the other's run or was refused
// with the database's busy error, nothing else; the first paused at its check point when asked.
static void FinitiOAttesi(const std::array<kv8test::Utente, 2> &utenti, kv8test::Avvio avvio, const QString &fine)
{
    for (const kv8test::Utente &u : utenti) {
        ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
        ASSERT_FALSE(u.Messaggi.isEmpty());
        EXPECT_EQ(u.Messaggi.last(), fine);
        for (const QString &m : u.Messaggi.mid(1, u.Messaggi.size() - 2))
            EXPECT_TRUE(m.contains(QStringLiteral("è occupato da un altro utente"))) << m.toStdString();
    }
    if (avvio == kv8test::Avvio::PrimoInPausa) {
        EXPECT_TRUE(utenti[0].Fermato);
    }
}

// A user's rebuild of the cards (job 0).
KV8_LAVORO_UTENTE(RicalcoloCauzioni, RicalcoloSchede)
{
    auto *d = Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
    ASSERT_NE(d, nullptr);
    d->tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->SetValue(0);
    script.Yes(QStringLiteral("Confermi elaborazione"));
    kv8test::AttendiVia();
    d->btEsegui->click();
    ProcessEvents();
    kv8test::NotaUtente(script.Texts());
}

TEST_F(RicalcoloCauzioni, TwoUsersRebuildingAtOnceLeaveTheCardsOneRebuildGives)
{
    for (int i = 1; i <= 40; ++i)
        Movimento(i, QStringLiteral("C00%1").arg(1 + i % 2), i % 3,
                  i % 2 ? QStringLiteral("CAS") : QStringLiteral("BOT"), 10 + i, i % 4, 2);
    Bolla(55, QStringLiteral("C002"), 1, QStringLiteral("CAS"), 5, 2);
    ASSERT_TRUE(Ricalcola());
    const QStringList attese = Schede();
    ASSERT_FALSE(attese.isEmpty());
    const QString fine = QStringLiteral("Elaborazione Terminata");
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        Esegui(QStringLiteral("DELETE FROM LUMO_ProgCauz")); // every card is made by the runs
        const auto utenti = kv8test::DueUtenti(QStringLiteral("RicalcoloSchede"), company.Db().Url(), avvio,
                                               QStringLiteral("ricalcolo"));
        FinitiOAttesi(utenti, avvio, fine);
        EXPECT_EQ(Schede(), attese);
    });
}

// A user's job 2 (the missing summaries), then one's job 1 (the missing movements).
KV8_LAVORO_UTENTE(GenerazioniCauzioni, GeneraCastelletti)
{
    kv8test::AttendiVia();
    Lavoro(2, FineCastelletti);
    kv8test::NotaUtente(script.Texts());
}

KV8_LAVORO_UTENTE(GenerazioniCauzioni, GeneraMovimentiDocumenti)
{
    kv8test::AttendiVia();
    Lavoro(1, QStringLiteral("Elaborazione Terminata"));
    kv8test::NotaUtente(script.Texts());
}

TEST_F(GenerazioniCauzioni, TwoUsersGeneratingAtOnceWriteEachSummaryAndMovementOnce)
{
    Documento(60, QStringLiteral("C002"), 1, QStringLiteral("BV"), {{"VINO1", "CAS", 5, "BOT", 60}});
    Documento(61, QStringLiteral("C001"), 0, QStringLiteral("BV"), {{"VINO1", "CAS", 65, "CAS", 0}});
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        Esegui(QStringLiteral("DELETE FROM LUMO_MovCauR"));
        Esegui(QStringLiteral("DELETE FROM LUMO_MovCauT"));
        Esegui(QStringLiteral("DELETE FROM LUMO_CauzDocBoll"));
        auto utenti = kv8test::DueUtenti(QStringLiteral("GeneraCastelletti"), company.Db().Url(), avvio,
                                         QStringLiteral("castelletti"));
        FinitiOAttesi(utenti, avvio, FineCastelletti);
        EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll")), 6) << "three codes for each of the two notes";
        EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll"), QStringLiteral("KBolleCliT = 60")), 3);

        utenti = kv8test::DueUtenti(QStringLiteral("GeneraMovimentiDocumenti"), company.Db().Url(), avvio,
                                    QStringLiteral("movimenti"));
        FinitiOAttesi(utenti, avvio, QStringLiteral("Elaborazione Terminata"));
        EXPECT_EQ(Elenco(QStringLiteral("SELECT T.KDocT, R.IdImballo, R.QtaCar FROM LUMO_MovCauT T JOIN LUMO_MovCauR R "
                                        "ON R.KContaT = T.KContaT ORDER BY T.KDocT, R.IdImballo")),
                  (QStringList{"60/BOT/60", "60/CAS/5", "61/CAS/65"}));
    });
}
