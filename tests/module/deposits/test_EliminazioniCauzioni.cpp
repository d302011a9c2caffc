// The deletion of empty deposit cards and of the deposit movements of a period.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0208d.h"
#include "deposits/Qarn0212d.h"
#include "host/data/TXMemTable.h"

#include <QSqlQuery>

using namespace kv8test;

namespace {

const QStringList kColonne = {"ProgQtaCar",  "ProgQtaRes",  "ProgValCar",  "ProgValRes",  "ProgQtaCarF",
                              "ProgQtaResF", "ProgValCarF", "ProgValResF", "ProgQtaCarB", "ProgQtaResB",
                              "ProgValCarB", "ProgValResB", "QtaCarEcc",   "QtaResEcc"};

QDateTime Giorno(int mese, int giorno)
{
    return QDateTime(QDate(2026, mese, giorno), QTime(0, 0));
}

class EliminazioniCauzioni : public Depositi {
protected:
    // A card with every figure 0 except the one given.
    void Carta(const QString &tipo, const QString &conto, int destinazione, int tipoScheda, const QString &imballo,
               const QString &colonna = QString(), double valore = 0)
    {
        QString colonne = QStringLiteral("IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, IdDivisa");
        QString valori = QStringLiteral("?, ?, ?, ?, ?, 'EUR'");
        for (const QString &c : kColonne + QStringList{QStringLiteral("EsiAttEcc")}) {
            colonne += QStringLiteral(", ") + c;
            valori += c == colonna ? QStringLiteral(", ?") : QStringLiteral(", 0");
        }
        QVariantList v{tipo, conto, destinazione, tipoScheda, imballo};
        if (!colonna.isEmpty())
            v << valore;
        Esegui(QStringLiteral("INSERT INTO LUMO_ProgCauz (%1) VALUES (%2)").arg(colonne, valori), v);
    }
    QStringList Schede()
    {
        return Elenco(QStringLiteral("SELECT IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo FROM "
                                     "LUMO_ProgCauz ORDER BY IdContoTp, IdConto, IdDestinazione, FlTipoScheda, "
                                     "IdImballo"));
    }
    // A movement head of a day with one row per packaging code given.
    void Movimento(int chiave, const QDateTime &data, int kDocT, const QStringList &imballi)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, IdContoTp, IdConto, "
                              "IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB) VALUES "
                              "(?, ?, ?, ?, 'CL', 'C001', 0, 'EUR', 1, 1, 0, 0)"),
               {chiave, data, kDocT == 0 ? 0 : 1, kDocT});
        int r = 0;
        for (const QString &i : imballi)
            Esegui(QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, "
                                  "ValoreCar, ValoreRes, QtaCarEcc, QtaResEcc) VALUES (?, ?, ?, 2, 0, 1, 2, 0, 0, 0)"),
                   {chiave * 10 + ++r, chiave, i});
    }
    QStringList Movimenti()
    {
        return Elenco(QStringLiteral("SELECT T.KContaT, (SELECT COUNT(*) FROM LUMO_MovCauR R WHERE R.KContaT = "
                                     "T.KContaT) FROM LUMO_MovCauT T ORDER BY T.KContaT"));
    }
    int RigheOrfane()
    {
        return Conta(QStringLiteral("LUMO_MovCauR"),
                     QStringLiteral("KContaT NOT IN (SELECT KContaT FROM LUMO_MovCauT)"));
    }
    // From now on deleting the movement head of this key fails, as on a broken database.
    bool GuastaTestata(int chiave)
    {
        QSqlQuery ddl(company.Database().Connection());
        const QString k = QString::number(chiave);
        if (company.Db().IsPostgres())
            return ddl.exec(QStringLiteral("CREATE FUNCTION guasto() RETURNS trigger AS $$ BEGIN IF OLD.KContaT = %1 "
                                           "THEN RAISE EXCEPTION 'guasto'; END IF; RETURN OLD; END $$ LANGUAGE plpgsql")
                                .arg(k))
                   && ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE DELETE ON LUMO_MovCauT FOR EACH ROW "
                                              "EXECUTE FUNCTION guasto()"));
        return ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE DELETE ON LUMO_MovCauT WHEN OLD.KContaT = %1 "
                                       "BEGIN SELECT RAISE(ABORT, 'guasto'); END")
                            .arg(k));
    }
};

} // namespace

TEST_F(EliminazioniCauzioni, OnlyCardsWithEveryTestedFigureExactlyZeroAreDeleted)
{
    Carta(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), QStringLiteral("EsiAttEcc"), 7);
    for (int i = 0; i < kColonne.size(); ++i)
        Carta(QStringLiteral("CL"), QStringLiteral("C001"), 0, 1, QStringLiteral("A%1").arg(i, 2, 10, QLatin1Char('0')),
              kColonne.at(i), i % 2 ? 0.001 : -0.001);
    // the two kinds of one code, each deleted when itself empty
    Carta(QStringLiteral("CL"), QStringLiteral("C002"), 1, 0, QStringLiteral("CAS"));
    Carta(QStringLiteral("CL"), QStringLiteral("C002"), 0, 1, QStringLiteral("CAS"), QStringLiteral("ProgQtaCar"), 3);
    Carta(QStringLiteral("CL"), QStringLiteral("C002"), 2, 0, QStringLiteral("BOT"), QStringLiteral("QtaResEcc"), 1);
    Carta(QStringLiteral("CL"), QStringLiteral("C002"), 0, 1, QStringLiteral("BOT"));
    Carta(QStringLiteral("FO"), QStringLiteral("F001"), 0, 0, QStringLiteral("CAS"));
    Movimento(1, Giorno(3, 1), 0, {QStringLiteral("CAS")});

    auto *d = Apri<TFqarn0208d>(QStringLiteral("QARN0208D"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0208d> finestra(d);
    d->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("CL"));
    script.No(QStringLiteral("Confermi eliminazione schede progressivi"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz")), 20) << "No deletes nothing";
    ASSERT_FALSE(finestra.isNull()) << "and the window stays open";

    script.Yes(QStringLiteral("Confermi eliminazione schede progressivi"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Eliminazione Completata"));
    EXPECT_TRUE(finestra.isNull());
    QStringList attese;
    for (int i = 0; i < kColonne.size(); ++i)
        attese << QStringLiteral("CL/C001/0/1/A%1").arg(i, 2, 10, QLatin1Char('0'));
    attese << QStringLiteral("CL/C002/0/1/CAS") << QStringLiteral("CL/C002/2/0/BOT")
           << QStringLiteral("FO/F001/0/0/CAS");
    EXPECT_EQ(Schede(), attese) << "0.001 anywhere keeps a card; EsiAttEcc alone does not; suppliers untouched";
    EXPECT_EQ(Movimenti(), QStringList{"1/1"}) << "movements are left";
}

TEST_F(EliminazioniCauzioni, NoEmptyCardClosesTheWindowSilently)
{
    Carta(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"));
    auto *d = Apri<TFqarn0208d>(QStringLiteral("QARN0208D"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0208d> finestra(d);
    d->tPars->FieldByName(QStringLiteral("IdContoTp"))->SetValue(QStringLiteral("FO"));
    script.Yes(QStringLiteral("Confermi eliminazione schede progressivi"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.Texts().size(), 1) << script.LastText().toStdString();
    EXPECT_TRUE(finestra.isNull());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz")), 1);
}

TEST_F(EliminazioniCauzioni, MovementsOfThePeriodGoWithTheirRowsAndNothingElse)
{
    Carta(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), QStringLiteral("ProgQtaCar"), 6);
    Movimento(1, Giorno(2, 28), 0, {QStringLiteral("CAS")});
    Movimento(2, Giorno(3, 1), 0, {QStringLiteral("CAS"), QStringLiteral("BOT")});
    Movimento(3, Giorno(3, 15), 77, {QStringLiteral("CAS")}); // written for a document
    Movimento(4, Giorno(3, 31), 0, {});
    Movimento(5, Giorno(4, 1), 0, {QStringLiteral("FUS")});
    Esegui(QStringLiteral("INSERT INTO LUMO_MovResT (KMovResT, DataReg, IdContoTp, IdConto, IdDestinazione, KDocT, "
                          "FlTipoDocColl) VALUES (1, ?, 'CL', 'C001', 0, 0, 0), (2, ?, 'CL', 'C001', 0, 77, 1)"),
           {Giorno(3, 2), Giorno(3, 15)});

    auto *d = Apri<TFqarn0212d>(QStringLiteral("QARN0212D"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0212d> finestra(d);
    // a bound missing: the error, nothing asked
    d->tPars->FieldByName(QStringLiteral("Da_Data"))->SetValue(Giorno(3, 1));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Indicare le date di inizio/fine periodo"));
    // start after end: refused, nothing asked, the window open
    d->tPars->FieldByName(QStringLiteral("A_Data"))->SetValue(Giorno(2, 1));
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.Texts(),
              QStringList{QStringLiteral("La data iniziale supera quella finale: correggere l'intervallo.")});
    ASSERT_FALSE(finestra.isNull());
    EXPECT_EQ(Movimenti().size(), 5);
    EXPECT_TRUE(d->btEsegui->isEnabled() && d->btChiudi->isEnabled());

    d->tPars->FieldByName(QStringLiteral("A_Data"))->SetValue(Giorno(3, 31));
    script.No(QStringLiteral("Confermi eliminazione definitiva movimenti "));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Movimenti().size(), 5) << "No deletes nothing";

    script.Yes(QStringLiteral("Confermi eliminazione definitiva movimenti "));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Eliminazione terminata"));
    EXPECT_TRUE(finestra.isNull());
    EXPECT_EQ(Movimenti(), (QStringList{"1/1", "5/1"})) << "both bounds included, document movements too";
    EXPECT_EQ(RigheOrfane(), 0);
    EXPECT_EQ(
        Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), QStringLiteral("ProgQtaCar")),
        6)
        << "the cards keep what the movements moved";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovResT")), 2) << "returns untouched";
}

TEST_F(EliminazioniCauzioni, AFailingMovementKeepsItsRowsAndWhatWentBeforeStaysDeleted)
{
    Movimento(1, Giorno(3, 1), 0, {QStringLiteral("CAS"), QStringLiteral("BOT")});
    Movimento(2, Giorno(3, 2), 0, {QStringLiteral("CAS"), QStringLiteral("FUS")});
    Movimento(3, Giorno(3, 3), 0, {QStringLiteral("CAS")});
    ASSERT_TRUE(GuastaTestata(2));
    auto *d = Apri<TFqarn0212d>(QStringLiteral("QARN0212D"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0212d> finestra(d);
    d->tPars->FieldByName(QStringLiteral("Da_Data"))->SetValue(Giorno(3, 1));
    d->tPars->FieldByName(QStringLiteral("A_Data"))->SetValue(Giorno(3, 31));
    script.Yes(QStringLiteral("Confermi eliminazione definitiva movimenti "));
    d->btEsegui->click();
    ProcessEvents();
    const QStringList testi = script.Texts();
    ASSERT_EQ(testi.size(), 3) << testi.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(testi.at(1).contains(QStringLiteral("database"))) << "the error's text: " << testi.at(1).toStdString();
    EXPECT_EQ(testi.at(2), QStringLiteral("Eliminazione terminata"));
    EXPECT_TRUE(finestra.isNull());
    EXPECT_EQ(Movimenti(), (QStringList{"2/2", "3/1"})) << "the failing head keeps its rows; the job stopped there";
}
