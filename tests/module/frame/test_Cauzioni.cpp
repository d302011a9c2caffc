// Deposit progressive cards, deposit price and deposit value.
#include "FrameTest.h"

#include "frame/Lumo_funzioni.h"
#include "host/core/Errors.h"

namespace {

const QDateTime kData(QDate(2024, 5, 10), QTime(0, 0));

// The arguments of one card update, with the defaults of a plain load in euro.
struct Movimento {
    QString tipo = "CL";
    QString conto = "C001";
    int destinazione = 0;
    QString divisa = "EUR";
    double cambio = 1;
    QString imballo = "CAS";
    double qtaCar = 0, qtaRes = 0, eccCar = 0, eccRes = 0;
    double prezzo = 0;
    int flAggCau = 1, flAggCauF = 0, flAggCauB = 0;
    int flValori = 0;
    double valCar = 0, valRes = 0;

    void Applica() const
    {
        UT_LMQ_CAUZ_AggiornaProgressivi(kData, tipo, conto, destinazione, divisa, cambio, imballo, qtaCar, qtaRes,
                                        eccCar, eccRes, prezzo, flAggCau, flAggCauF, flAggCauB, flValori, valCar,
                                        valRes);
    }
    // The same movement taken back.
    Movimento Storno() const
    {
        Movimento m = *this;
        m.qtaCar = -qtaCar;
        m.qtaRes = -qtaRes;
        m.eccCar = -eccCar;
        m.eccRes = -eccRes;
        m.valCar = -valCar;
        m.valRes = -valRes;
        return m;
    }
};

const char *const kColonne[] = {"ProgQtaCar",  "ProgQtaRes",  "ProgValCar",  "ProgValRes",  "ProgQtaCarF",
                                "ProgQtaResF", "ProgValCarF", "ProgValResF", "ProgQtaCarB", "ProgQtaResB",
                                "ProgValCarB", "ProgValResB", "QtaCarEcc",   "QtaResEcc",   "EsiAttEcc"};

class Cauzioni : public FrameDbTest {
protected:
    void SetUp() override
    {
        FrameDbTest::SetUp();
        if (IsSkipped())
            return;
        db->ExecSQL("INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES "
                    "('EUR', 'Euro', 4, 2), ('USD', 'Dollaro', 3, 2), ('JPY', 'Yen', 0, 0)");
        db->ExecSQL("INSERT INTO Clienti (IdContoTp, IdConto, UT_LMQ_FlCauz, UT_LMQ_FlCauDes) VALUES "
                    "('CL', 'C001', 1, 0), ('CL', 'C002', 1, 1), ('CL', 'C003', 0, 1)");
        db->ExecSQL("INSERT INTO Fornitori (IdContoTp, IdConto, UT_LMQ_FlCauz) VALUES ('FO', 'F001', 1), "
                    "('FO', 'F002', 0)");
    }

    // A card's amounts by column (lower case), empty when the card does not exist.
    QVariantMap Scheda(const QString &tipo, const QString &conto, int destinazione, int tipoScheda,
                       const QString &imballo = "CAS")
    {
        return Row("SELECT * FROM LUMO_ProgCauz WHERE IdContoTp = ? AND IdConto = ? AND IdDestinazione = ? AND "
                   "IdImballo = ? AND FlTipoScheda = ?",
                   {tipo, conto, destinazione, imballo, tipoScheda});
    }
    int Schede() { return Count("SELECT COUNT(*) FROM LUMO_ProgCauz"); }

    // A load of 3 at 1.25, once applied to C001 in a transaction left open (the euro's decimals
    // read), with C002's account card stored in dollars at a rate of 0.5.
    Movimento CaricoConSchedaInDollari()
    {
        db->ExecSQL("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES ('USD', ?, 0.5)",
                    {QDateTime(QDate(2024, 1, 1), QTime(0, 0))});
        db->ExecSQL("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                    "IdDivisa, ProgQtaCar) VALUES ('CL', 'C002', 0, 'CAS', 1, 'USD', 4)");
        Movimento m;
        m.qtaCar = 3;
        m.prezzo = 1.25;
        db->StartTransaction();
        m.Applica();
        return m;
    }
};

double V(const QVariantMap &card, const char *column)
{
    return card.value(QString::fromLatin1(column).toLower()).toDouble();
}

} // namespace

TEST_F(Cauzioni, LoadWithExcessMovesBothCardsOfAnAccountWithoutDestinations)
{
    Movimento m;
    m.destinazione = 5;
    m.qtaCar = 10;
    m.eccCar = 2;
    m.prezzo = 1.5;
    db->StartTransaction();
    m.Applica();
    db->Commit();

    // no cards per destination: both on destination 0
    EXPECT_EQ(Schede(), 2);
    for (int tipo : {0, 1}) {
        const QVariantMap c = Scheda("CL", "C001", 0, tipo);
        ASSERT_FALSE(c.isEmpty()) << "kind " << tipo;
        EXPECT_EQ(c.value("iddivisa").toString(), "EUR");
        EXPECT_EQ(V(c, "ProgQtaCar"), 10); // excess included
        EXPECT_EQ(V(c, "QtaCarEcc"), 2);
        EXPECT_DOUBLE_EQ(V(c, "ProgValCar"), 12.0); // (10 - 2) x 1.5: the excess carries no value
        EXPECT_EQ(V(c, "EsiAttEcc"), -2);
        EXPECT_EQ(V(c, "ProgQtaCarF"), 0);
        EXPECT_EQ(V(c, "ProgQtaCarB"), 0);
    }
}

TEST_F(Cauzioni, DestinationCardsFollowTheAccount)
{
    Movimento cliente;
    cliente.conto = "C002"; // cards per destination
    cliente.destinazione = 5;
    cliente.qtaRes = 3;
    cliente.prezzo = 2;
    cliente.Applica();
    EXPECT_EQ(V(Scheda("CL", "C002", 5, 0), "ProgQtaRes"), 3);
    EXPECT_EQ(V(Scheda("CL", "C002", 0, 1), "ProgQtaRes"), 3);
    EXPECT_TRUE(Scheda("CL", "C002", 0, 0).isEmpty());

    Movimento fornitore;
    fornitore.tipo = "FO";
    fornitore.conto = "F001";
    fornitore.destinazione = 5; // suppliers have none
    fornitore.qtaCar = 4;
    fornitore.Applica();
    EXPECT_EQ(V(Scheda("FO", "F001", 0, 0), "ProgQtaCar"), 4);
    EXPECT_EQ(V(Scheda("FO", "F001", 0, 1), "ProgQtaCar"), 4);
    EXPECT_EQ(Schede(), 4);

    // a second destination adds to the account total
    cliente.destinazione = 7;
    cliente.Applica();
    EXPECT_EQ(V(Scheda("CL", "C002", 7, 0), "ProgQtaRes"), 3);
    EXPECT_EQ(V(Scheda("CL", "C002", 0, 1), "ProgQtaRes"), 6);
}

TEST_F(Cauzioni, NothingForAccountsWithoutDepositsOrZeroQuantities)
{
    Movimento m;
    m.qtaCar = 5;
    m.prezzo = 1;
    for (auto [tipo, conto] : {std::pair{"CL", "C003"}, {"FO", "F002"}, {"CL", "NOPE"}, {"XX", "C001"}}) {
        m.tipo = tipo;
        m.conto = conto;
        m.Applica();
    }
    Movimento zero;
    zero.prezzo = 3;
    zero.flValori = 1;
    zero.valCar = 9; // values alone move nothing
    zero.Applica();
    EXPECT_EQ(Schede(), 0);
}

TEST_F(Cauzioni, SetsMoveOnlyByTheirFlags)
{
    Movimento soloFatture;
    soloFatture.qtaCar = 6;
    soloFatture.eccCar = 1;
    soloFatture.prezzo = 2;
    soloFatture.flAggCau = 0;
    soloFatture.flAggCauF = 1;
    soloFatture.Applica();
    Movimento soloBolle = soloFatture;
    soloBolle.imballo = "BOT";
    soloBolle.flAggCauF = 0;
    soloBolle.flAggCauB = 1;
    soloBolle.Applica();
    Movimento nessuno = soloFatture;
    nessuno.imballo = "PAL";
    nessuno.flAggCau = 2;
    nessuno.flAggCauF = 2;
    nessuno.flAggCauB = 2;
    nessuno.Applica();

    for (int tipo : {0, 1}) {
        const QVariantMap f = Scheda("CL", "C001", 0, tipo, "CAS");
        EXPECT_EQ(V(f, "ProgQtaCarF"), 6);
        EXPECT_DOUBLE_EQ(V(f, "ProgValCarF"), 10.0);
        EXPECT_EQ(V(f, "ProgQtaCar"), 0);
        EXPECT_EQ(V(f, "QtaCarEcc"), 0); // the excess moves with the general set only
        EXPECT_EQ(V(f, "ProgQtaCarB"), 0);

        const QVariantMap b = Scheda("CL", "C001", 0, tipo, "BOT");
        EXPECT_EQ(V(b, "ProgQtaCarB"), 6);
        EXPECT_DOUBLE_EQ(V(b, "ProgValCarB"), 10.0);
        EXPECT_EQ(V(b, "ProgQtaCarF"), 0);
        EXPECT_EQ(V(b, "ProgQtaCar"), 0);

        const QVariantMap n = Scheda("CL", "C001", 0, tipo, "PAL");
        ASSERT_FALSE(n.isEmpty()); // the card exists, with nothing on it
        for (const char *c : kColonne)
            EXPECT_EQ(V(n, c), 0) << c;
    }
}

TEST_F(Cauzioni, ExactReversalBringsTheCardBackToZero)
{
    Movimento m;
    m.destinazione = 2;
    m.qtaCar = 7;
    m.qtaRes = 3;
    m.eccCar = 2;
    m.eccRes = 1;
    m.prezzo = 1.235; // values round at 2 decimals: 6.175 -> 6.18, 2.47
    m.flAggCauB = 1;
    db->StartTransaction();
    m.Applica();
    const QVariantMap caricata = Scheda("CL", "C001", 0, 0);
    EXPECT_DOUBLE_EQ(V(caricata, "ProgValCar"), 6.18);
    EXPECT_DOUBLE_EQ(V(caricata, "ProgValRes"), 2.47);
    EXPECT_EQ(V(caricata, "EsiAttEcc"), -1);
    m.Storno().Applica();
    db->Commit();

    EXPECT_EQ(Schede(), 2); // the cards remain
    for (int tipo : {0, 1}) {
        const QVariantMap c = Scheda("CL", "C001", 0, tipo);
        for (const char *col : kColonne)
            EXPECT_EQ(V(c, col), 0) << col << " kind " << tipo;
    }

    // given values are booked as they are, and the card's own figures negated empty it
    Movimento dato;
    dato.qtaCar = 4;
    dato.flValori = 1;
    dato.valCar = 3.333;
    dato.valRes = -1;
    dato.prezzo = 100; // not used for given values
    dato.Applica();
    const QVariantMap c = Scheda("CL", "C001", 0, 0);
    EXPECT_DOUBLE_EQ(V(c, "ProgValCar"), 3.333);
    EXPECT_DOUBLE_EQ(V(c, "ProgValRes"), -1);
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 1), "ProgValCar"), 3.333);
    Movimento svuota = dato;
    svuota.qtaCar = -V(c, "ProgQtaCar");
    svuota.valCar = -V(c, "ProgValCar");
    svuota.valRes = -V(c, "ProgValRes");
    svuota.Applica();
    const QVariantMap vuota = Scheda("CL", "C001", 0, 0);
    for (const char *col :
         {"ProgQtaCar", "ProgQtaRes", "ProgValCar", "ProgValRes", "QtaCarEcc", "QtaResEcc", "EsiAttEcc"})
        EXPECT_EQ(V(vuota, col), 0) << col;
}

TEST_F(Cauzioni, PriceConvertedIntoTheCardsCurrency)
{
    // a movement in dollars on a card in euro: 2 USD at 0.9 EUR each
    Movimento m;
    m.divisa = "USD";
    m.cambio = 0.9;
    m.qtaCar = 10;
    m.prezzo = 2;
    m.Applica();
    EXPECT_EQ(Scheda("CL", "C001", 0, 0).value("iddivisa").toString(), "EUR");
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 0), "ProgValCar"), 18.0);
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 1), "ProgValCar"), 18.0);

    // a card kept in dollars: a euro price goes through the stored rate of the day
    db->ExecSQL("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES ('USD', ?, 0.5), ('USD', ?, 0.8)",
                {QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QDateTime(QDate(2024, 6, 1), QTime(0, 0))});
    db->ExecSQL("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, IdDivisa) "
                "VALUES ('CL', 'C001', 0, 'BOT', 0, 'USD')");
    Movimento e;
    e.imballo = "BOT";
    e.qtaCar = 3;
    e.prezzo = 1.25; // 1.25 EUR = 2.5 USD at 0.5 (the rate of 10 May)
    e.Applica();
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 0, "BOT"), "ProgValCar"), 7.5);
    // the account total, in euro, keeps its own currency's figures
    EXPECT_EQ(Scheda("CL", "C001", 0, 1, "BOT").value("iddivisa").toString(), "EUR");
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 1, "BOT"), "ProgValCar"), 3.75);

    // given values are in the movement's currency too
    Movimento v = e;
    v.flValori = 1;
    v.qtaCar = 1;
    v.valCar = 10; // EUR
    v.Applica();
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 0, "BOT"), "ProgValCar"), 27.5);
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 1, "BOT"), "ProgValCar"), 13.75);

    // a rate stored later on the movement's own day is that day's rate
    db->ExecSQL("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES ('USD', ?, 0.25)",
                {QDateTime(kData.date(), QTime(9, 30))});
    Movimento g = e;
    g.qtaCar = 1; // 1.25 EUR = 5 USD at 0.25
    g.Applica();
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 0, "BOT"), "ProgValCar"), 32.5);
}

TEST_F(Cauzioni, UnconvertiblePriceFailsAndWritesNothing)
{
    db->StartTransaction();
    Movimento m;
    m.divisa = "USD";
    m.cambio = 0; // no rate on the movement
    m.qtaCar = 10;
    m.prezzo = 2;
    EXPECT_THROW(m.Applica(), Exception);

    // a card in yen without any stored rate
    db->ExecSQL("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, IdDivisa) "
                "VALUES ('CL', 'C001', 0, 'BOT', 0, 'JPY')");
    Movimento y;
    y.imballo = "BOT";
    y.qtaCar = 1;
    y.prezzo = 1;
    try {
        y.Applica();
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains("JPY")) << e.Message.toStdString();
    }
    db->Commit();
    EXPECT_EQ(Schede(), 1);
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 0, "BOT"), "ProgQtaCar"), 0);
    // the shared table is usable afterwards
    Movimento ok;
    ok.qtaCar = 1;
    ok.prezzo = 1;
    EXPECT_NO_THROW(ok.Applica());
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 1), "ProgQtaCar"), 1);
}

// A card changed by another session after this one read it is read again, not overwritten.
TEST_F(Cauzioni, CardChangedElsewhereSinceItWasReadIsNotOverwritten)
{
    Movimento m;
    m.qtaCar = 10;
    m.prezzo = 1;
    m.Applica(); // the shared table now holds both cards
    auto other = tdb.Connect();
    other->ExecSQL("UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + 5, ProgValCar = ProgValCar + 5 "
                   "WHERE IdConto = 'C001'");
    db->StartTransaction();
    m.Applica();
    db->Commit();
    for (int tipo : {0, 1}) {
        EXPECT_EQ(V(Scheda("CL", "C001", 0, tipo), "ProgQtaCar"), 25);
        EXPECT_EQ(V(Scheda("CL", "C001", 0, tipo), "ProgValCar"), 25);
    }
    // a card deleted elsewhere is created anew
    other->ExecSQL("DELETE FROM LUMO_ProgCauz WHERE FlTipoScheda = 0");
    m.Applica();
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 0), "ProgQtaCar"), 10);
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 1), "ProgQtaCar"), 35);
}

// Within one transaction: the cards, the account's deposit flags and the currency's decimals
// changed by other statements of the same save are seen by the next update.
TEST_F(Cauzioni, StatementsOfTheSameTransactionAreSeenByTheNextUpdate)
{
    Movimento m;
    m.qtaCar = 10;
    m.prezzo = 1.2345;
    db->StartTransaction();
    m.Applica();
    m.Applica();
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 0), "ProgQtaCar"), 20);
    // a job resets the cards, then books again
    db->ExecSQL("UPDATE LUMO_ProgCauz SET ProgQtaCar = 0, ProgValCar = 0");
    m.Applica();
    for (int tipo : {0, 1}) {
        EXPECT_EQ(V(Scheda("CL", "C001", 0, tipo), "ProgQtaCar"), 10);
        EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, tipo), "ProgValCar"), 12.35);
    }
    db->ExecSQL("DELETE FROM LUMO_ProgCauz");
    db->ExecSQL("UPDATE Divise SET DecValore = 3 WHERE IdDivisa = 'EUR'");
    m.Applica();
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C001", 0, 1), "ProgValCar"), 12.345);
    // deposits kept per destination from now on
    db->ExecSQL("UPDATE Clienti SET UT_LMQ_FlCauDes = 1 WHERE IdConto = 'C001'");
    m.destinazione = 4;
    m.Applica();
    EXPECT_EQ(V(Scheda("CL", "C001", 4, 0), "ProgQtaCar"), 10);
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 1), "ProgQtaCar"), 20);
    db->ExecSQL("UPDATE Clienti SET UT_LMQ_FlCauz = 0 WHERE IdConto = 'C001'");
    m.Applica();
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 1), "ProgQtaCar"), 20);
    db->Rollback();
    EXPECT_EQ(Schede(), 0);
    // after the rollback the account keeps deposits on destination 0 again
    db->StartTransaction();
    m.Applica();
    db->Commit();
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 0), "ProgQtaCar"), 10);
}

// Two saves of one account at the same time: the one that writes second fails with a clear
// error and rolls back, the first one's update stays; retried, the second adds to it.
TEST_F(Cauzioni, ConcurrentUpdatesOfOneAccountNeverLoseOne)
{
    Movimento iniziale;
    iniziale.qtaCar = 10;
    iniziale.prezzo = 1;
    iniziale.Applica();

    auto secondoDb = tdb.Connect();
    TDMILUMO secondo;
    secondo.TRS_ProgCauz->SetDatabase(secondoDb.get());
    TDMILUMO *primo = dm.get();

    Movimento mio;
    mio.qtaCar = 5;
    mio.prezzo = 1;
    Movimento suo;
    suo.qtaCar = 7;
    suo.prezzo = 1;

    // the second user has read the card and is about to write it when the first one saves
    bool fatto = false;
    secondo.TRS_ProgCauz->BeforePost = [&](TDataSet *) {
        if (fatto)
            return;
        fatto = true;
        DMILUMO = primo;
        db->StartTransaction();
        mio.Applica();
        db->Commit();
        DMILUMO = &secondo;
    };
    // SQLite takes its write lock when the transaction starts, so there the second save
    // runs without one: the change check is the same
    const bool pg = tdb.IsPostgres();
    DMILUMO = &secondo;
    if (pg)
        secondoDb->StartTransaction();
    QString errore;
    try {
        suo.Applica();
        if (pg)
            secondoDb->Commit(); // the cards are written at the commit
    } catch (const EDatabaseError &e) {
        errore = e.Message;
    }
    if (pg)
        secondoDb->Rollback(); // nothing to do after a failed commit
    EXPECT_TRUE(fatto);
    EXPECT_TRUE(errore.contains("modificato")) << errore.toStdString();
    for (int tipo : {0, 1})
        EXPECT_EQ(V(Scheda("CL", "C001", 0, tipo), "ProgQtaCar"), 15) << "kind " << tipo;

    // the failed save repeated goes through on what is stored now
    secondo.TRS_ProgCauz->BeforePost = nullptr;
    if (pg)
        secondoDb->StartTransaction();
    EXPECT_NO_THROW(suo.Applica());
    if (pg)
        secondoDb->Commit();
    DMILUMO = primo;
    for (int tipo : {0, 1})
        EXPECT_EQ(V(Scheda("CL", "C001", 0, tipo), "ProgQtaCar"), 22) << "kind " << tipo;
}

TEST_F(Cauzioni, PriceFromTheDepositPriceList)
{
    db->ExecSQL("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (1, 'L1', 'EUR'), (2, 'L1', 'USD'), "
                "(3, 'L2', 'EUR')");
    db->ExecSQL("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (1, 1, 'CAS', 1.2345), "
                "(2, 2, 'CAS', 1.5), (3, 1, 'BOT', 0.1), (4, 3, 'CAS', 9)");
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione("L1", "EUR", "CAS"), 1.2345); // as stored, not rounded
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione("L1", "USD", "CAS"), 1.5);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione("L2", "EUR", "CAS"), 9);
    EXPECT_EQ(UT_LMQ_CAUZ_PrezzoCauzione("L1", "USD", "BOT"), 0);    // packaging not on that list
    EXPECT_EQ(UT_LMQ_CAUZ_PrezzoCauzione("L9", "EUR", "CAS"), 0);    // no such list
    EXPECT_EQ(UT_LMQ_CAUZ_PrezzoCauzione("L1", "CHF", "CAS"), 0);    // not in that currency
    EXPECT_EQ(UT_LMQ_CAUZ_PrezzoCauzione("L1'--", "EUR", "CAS"), 0); // a quote is only a value
    EXPECT_FALSE(dm->qListCauz->Active());
}

TEST(CalcValCau, RoundsTheProductAtTheGivenDecimals)
{
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_CalcValCau(3, 1.235, 2), 3.71);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_CalcValCau(1.235, 3, 2), 3.71);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_CalcValCau(-5, 1.235, 2), -6.18); // ties away from zero both ways
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_CalcValCau(5, 1.235, 2), 6.18);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_CalcValCau(7, 149.6, 0), 1047);
    EXPECT_EQ(UT_LMQ_CAUZ_CalcValCau(0, 2.5, 2), 0);
}

// A job moving many accounts in one transaction: past the first accounts read one by one,
// accounts and cards are read at once; every card still ends as the movements say, new or
// stored, kept per destination or not, and accounts without deposits stay without cards.
TEST_F(Cauzioni, ManyAccountsInOneTransactionEndAsTheirMovements)
{
    constexpr int kConti = 150;
    for (int c = 0; c < kConti; ++c)
        db->ExecSQL("INSERT INTO Clienti (IdContoTp, IdConto, UT_LMQ_FlCauz, UT_LMQ_FlCauDes) VALUES ('CL', ?, ?, ?)",
                    {QString("M%1").arg(c, 3, 10, QChar('0')), c % 10 == 9 ? 0 : 1, c % 3 == 0 ? 1 : 0});
    // a third of the accounts already have cards
    for (int c = 0; c < kConti; c += 3)
        for (int tipo : {0, 1})
            db->ExecSQL("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, "
                        "IdDivisa, ProgQtaCar) VALUES ('CL', ?, 0, 'CAS', ?, 'EUR', 100)",
                        {QString("M%1").arg(c, 3, 10, QChar('0')), tipo});
    db->StartTransaction();
    for (int giro = 0; giro < 2; ++giro)
        for (int c = 0; c < kConti; ++c) {
            Movimento m;
            m.conto = QString("M%1").arg(c, 3, 10, QChar('0'));
            m.destinazione = 0;
            m.qtaCar = 1 + c % 4;
            m.prezzo = 0.5;
            m.Applica();
        }
    db->Commit();
    for (int c = 0; c < kConti; ++c) {
        const QString conto = QString("M%1").arg(c, 3, 10, QChar('0'));
        const double atteso = (c % 3 == 0 ? 100 : 0) + (c % 10 == 9 ? 0 : 2 * (1 + c % 4));
        for (int tipo : {0, 1}) {
            EXPECT_EQ(V(Scheda("CL", conto, 0, tipo), "ProgQtaCar"), atteso) << conto.toStdString() << " " << tipo;
            if (c % 10 != 9) {
                EXPECT_DOUBLE_EQ(V(Scheda("CL", conto, 0, tipo), "ProgValCar"), 0.5 * 2 * (1 + c % 4));
            }
        }
    }
    // accounts without deposits keep the cards they had, and get none
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_ProgCauz WHERE ProgQtaCar <> 100 AND IdConto IN "
                    "(SELECT IdConto FROM Clienti WHERE UT_LMQ_FlCauz = 0)"),
              0);
}

// In a transaction each account is read once, its deposit flag and its cards' currencies in
// one statement: a stored card in another currency still takes its converted values.
TEST_F(Cauzioni, OneReadPerAccountBringsItsCardsCurrencies)
{
    Movimento m = CaricoConSchedaInDollari();
    const quint64 prima = db->StatementCount();
    m.conto = "C002"; // kept per destination
    m.destinazione = 2;
    m.Applica();
    m.Applica();
    m.conto = "F001";
    m.tipo = "FO";
    m.Applica();
    // C002 with its cards, the dollar's decimals, the rate for each of its movements, F001 with its cards
    EXPECT_EQ(db->StatementCount() - prima, 5u);
    db->Commit();
    EXPECT_EQ(V(Scheda("CL", "C002", 2, 0), "ProgQtaCar"), 6);
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C002", 2, 0), "ProgValCar"), 7.5);
    EXPECT_EQ(V(Scheda("CL", "C002", 0, 1), "ProgQtaCar"), 10);
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C002", 0, 1), "ProgValCar"), 15); // 2 x 3 x 2.5 USD
    EXPECT_EQ(Scheda("CL", "C002", 0, 1).value("iddivisa").toString(), "USD");
    EXPECT_EQ(V(Scheda("FO", "F001", 0, 0), "ProgQtaCar"), 3);
}

// Accounts read together before a job moves them are not read again one by one: a missing
// account and one without deposits get no card, a stored card keeps its currency.
TEST_F(Cauzioni, AccountsReadTogetherAreNotReadAgain)
{
    Movimento m = CaricoConSchedaInDollari();
    const quint64 prima = db->StatementCount();
    UT_LMQ_CAUZ_LeggiConti("CL", {"C002", "C003", "C009"});
    EXPECT_EQ(db->StatementCount() - prima, 1u);
    m.conto = "C002";
    m.destinazione = 2;
    m.Applica();
    m.Applica();
    for (const char *conto : {"C003", "C009"}) {
        m.conto = conto;
        m.Applica();
    }
    // the dollar's decimals and the rate for each movement of C002, nothing for the accounts
    EXPECT_EQ(db->StatementCount() - prima, 4u);
    db->Commit();
    EXPECT_EQ(V(Scheda("CL", "C002", 2, 0), "ProgQtaCar"), 6);
    EXPECT_DOUBLE_EQ(V(Scheda("CL", "C002", 0, 1), "ProgValCar"), 15); // 2 x 3 x 2.5 USD
    EXPECT_EQ(Scheda("CL", "C002", 0, 1).value("iddivisa").toString(), "USD");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LUMO_ProgCauz WHERE IdConto IN ('C003', 'C009')"), 0);
}

// A movement that cannot be converted for its second card moves neither card, and what the
// transaction booked before it is still written at the commit.
TEST_F(Cauzioni, FailedMovementKeepsTheEarlierOnesOfTheTransaction)
{
    // the account card is in yen, without any stored rate; the destination card in euro
    db->ExecSQL("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, IdDivisa) "
                "VALUES ('CL', 'C002', 0, 'BOT', 1, 'JPY')");
    db->StartTransaction();
    Movimento prima;
    prima.qtaCar = 4;
    prima.prezzo = 1;
    prima.Applica();
    Movimento fallita;
    fallita.conto = "C002";
    fallita.destinazione = 3;
    fallita.imballo = "BOT";
    fallita.qtaCar = 2;
    fallita.prezzo = 1;
    EXPECT_THROW(fallita.Applica(), Exception);
    db->Commit();
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 0), "ProgQtaCar"), 4);
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 1), "ProgQtaCar"), 4);
    EXPECT_TRUE(Scheda("CL", "C002", 3, 0, "BOT").isEmpty());
    EXPECT_EQ(V(Scheda("CL", "C002", 0, 1, "BOT"), "ProgQtaCar"), 0);
}

// Amounts added up in the currency a card had when first moved are never written into a card
// another user has meanwhile turned to another currency: the commit fails and nothing is kept.
TEST_F(Cauzioni, CardCurrencyChangedElsewhereFailsTheCommit)
{
    if (!tdb.IsPostgres())
        GTEST_SKIP() << "SQLite holds its write lock from the start of the transaction";
    Movimento m;
    m.qtaCar = 10;
    m.prezzo = 1;
    m.Applica();
    db->StartTransaction();
    m.Applica();
    auto other = tdb.Connect();
    other->ExecSQL("UPDATE LUMO_ProgCauz SET IdDivisa = 'USD' WHERE FlTipoScheda = 0");
    try {
        db->Commit();
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains("altro utente")) << e.Message.toStdString();
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 0), "ProgQtaCar"), 10);
    EXPECT_EQ(V(Scheda("CL", "C001", 0, 1), "ProgQtaCar"), 10);
}
