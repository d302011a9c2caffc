// The deposit journal window: movements entered, changed and deleted with the progressive
// cards moved in the same transaction (what the stored rows booked reversed, what the rows
// book now applied), the checks on accounts, destinations, currencies and packaging codes,
// failures in the middle of a save and other users meanwhile.
#include "tests/module/deposits/DepositiFixture.h"
#include "tests/module/deposits/SchedeArrotondate.h"

#include "deposits/Lumo_ricercamov.h"
#include "deposits/Qarn0156d.h"
#include "deposits/Qarn0204f.h"
#include "host/business/Dmibbas.h"
#include "host/data/TXMemTable.h"
#include "host/ui/DBControls.h"
#include "tests/support/DueUtenti.h"

#include <QSqlRecord>

#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <random>
#include <thread>

using namespace kv8test;

namespace {

class PrimaNotaCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Listino(QStringLiteral("L01"), QStringLiteral("EUR"),
                {{QStringLiteral("CAS"), 2.5}, {QStringLiteral("BOT"), 0.1}});
    }

    TFqarn0204f *Finestra() { return Apri<TFqarn0204f>(QStringLiteral("QARN0204F")); }

    // A new movement begun with its head.
    void Nuovo(TFqarn0204f *f, const QString &tipo, const QString &conto, int destinazione = 0,
               const QString &listino = QStringLiteral("L01"))
    {
        Premi(f, nbInsert);
        ASSERT_EQ(f->tMain->State(), dsInsert);
        f->tMain->FieldByName(QStringLiteral("DataReg"))->SetAsDateTime(QDateTime(QDate(2026, 3, 2), QTime(0, 0)));
        f->tMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(tipo);
        f->tMain->FieldByName(QStringLiteral("IdConto"))->SetAsString(conto);
        f->tMain->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(destinazione);
        f->tMain->FieldByName(QStringLiteral("IdListino"))->SetAsString(listino);
    }
    // A row: its price from the head's list unless one is given.
    static void Riga(TFqarn0204f *f, const QString &imballo, double carico, double reso, double prezzo = -1)
    {
        f->TTDettaglio->Append();
        f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->SetAsString(imballo);
        f->TTDettaglio->FieldByName(QStringLiteral("QtaCar"))->SetAsFloat(carico);
        f->TTDettaglio->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(reso);
        if (prezzo >= 0)
            f->TTDettaglio->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(prezzo);
        f->TTDettaglio->Post();
    }
    static void Cambia(TFqarn0204f *f, const QString &imballo, const QString &campo, double valore)
    {
        ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdImballo"), imballo)) << imballo.toStdString();
        f->TTDettaglio->Edit();
        f->TTDettaglio->FieldByName(campo)->SetAsFloat(valore);
        f->TTDettaglio->Post();
    }
    void Togli(TFqarn0204f *f, const QString &imballo)
    {
        TogliRiga(f->bDettaglio, QStringLiteral("IdImballo"), imballo);
    }
    bool Salva(TFqarn0204f *f)
    {
        script.Yes(Registrazione);
        Premi(f, nbPost);
        return f->tMain->State() == dsBrowse;
    }
    // The stored movement shown in the window.
    static void Vai(TFqarn0204f *f, int chiave)
    {
        TDMIBbas::Crea()->ApriTabella(f->tMain, QStringLiteral("KContaT <> -1"), QStringLiteral("DataReg DESC"));
        ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), chiave)) << chiave << " of " << f->tMain->RecordCount();
    }
    // A movement saved through the window; answers its key.
    int Registrato(TFqarn0204f *f, const QString &conto, const QList<std::tuple<QString, double, double>> &righe,
                   int destinazione = 0)
    {
        Nuovo(f, QStringLiteral("CL"), conto, destinazione);
        for (const auto &[imballo, carico, reso] : righe)
            Riga(f, imballo, carico, reso);
        const int chiave = f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger();
        EXPECT_TRUE(Salva(f)) << script.LastText().toStdString();
        return chiave;
    }
    // General quantities loaded and values loaded of the customer's two cards of a packaging code:
    // "per destination qty/value | total qty/value".
    QString Schede(const QString &conto, const QString &imballo, int destinazione = 0, const QString &tipo = "CL")
    {
        auto n = [](double v) { return QString::number(v); };
        return n(Scheda(tipo, conto, destinazione, 0, imballo, QStringLiteral("ProgQtaCar"))) + QLatin1Char('-')
               + n(Scheda(tipo, conto, destinazione, 0, imballo, QStringLiteral("ProgQtaRes"))) + QLatin1Char('/')
               + n(Scheda(tipo, conto, destinazione, 0, imballo, QStringLiteral("ProgValCar"))) + QStringLiteral(" | ")
               + n(Scheda(tipo, conto, 0, 1, imballo, QStringLiteral("ProgQtaCar"))) + QLatin1Char('-')
               + n(Scheda(tipo, conto, 0, 1, imballo, QStringLiteral("ProgQtaRes"))) + QLatin1Char('/')
               + n(Scheda(tipo, conto, 0, 1, imballo, QStringLiteral("ProgValCar")));
    }
    // The cards of every account equal the sum of the stored rows (general set).
    void SchedeComeRighe()
    {
        const QStringList righe =
            Elenco(QStringLiteral("SELECT T.IdConto, R.IdImballo, SUM(R.QtaCar), SUM(R.QtaRes) FROM LUMO_MovCauR R "
                                  "JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT GROUP BY T.IdConto, R.IdImballo "
                                  "HAVING SUM(R.QtaCar) <> 0 OR SUM(R.QtaRes) <> 0 ORDER BY T.IdConto, R.IdImballo"));
        const QStringList schede = Elenco(QStringLiteral(
            "SELECT IdConto, IdImballo, ProgQtaCar, ProgQtaRes FROM LUMO_ProgCauz WHERE FlTipoScheda = 1 AND "
            "(ProgQtaCar <> 0 OR ProgQtaRes <> 0) ORDER BY IdConto, IdImballo"));
        auto numeri = [](QStringList l) {
            for (QString &r : l) {
                QStringList p = r.split(QLatin1Char('/'));
                for (int i = 2; i < p.size(); ++i)
                    p[i] = QString::number(p[i].toDouble());
                r = p.join(QLatin1Char('/'));
            }
            return l;
        };
        EXPECT_EQ(numeri(schede), numeri(righe));
    }
};

} // namespace

TEST_F(PrimaNotaCauzioni, ANewMovementMovesTheAccountsTwoCards)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Prima Nota Cauzioni"));
    EXPECT_EQ(f->tMain->RecordCount(), 0) << "no movement shown until one is searched";
    Nuovo(f, QStringLiteral("CL"), QStringLiteral("C001"));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdDivisa"))->AsString(), QStringLiteral("EUR"));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("FlAggCau"))->AsInteger(), 1);
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("FlAggCauF"))->AsInteger(), 0);
    EXPECT_TRUE(f->tMain->FieldByName(QStringLiteral("KDocT"))->ReadOnly()) << "a manual movement";
    EXPECT_TRUE(f->tMain->FieldByName(QStringLiteral("IdCausale"))->ReadOnly());
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("_DsConto"))->AsString(), QStringLiteral("Enoteca Rossi"));

    Riga(f, QStringLiteral("CAS"), 10, 2);
    EXPECT_DOUBLE_EQ(f->TTDettaglio->FieldByName(QStringLiteral("Prezzo"))->AsFloat(), 2.5) << "from the head's list";
    EXPECT_DOUBLE_EQ(f->TTDettaglio->FieldByName(QStringLiteral("ValoreCar"))->AsFloat(), 25);
    EXPECT_DOUBLE_EQ(f->TTDettaglio->FieldByName(QStringLiteral("ValoreRes"))->AsFloat(), 5);
    Riga(f, QStringLiteral("BOT"), 0, 0); // stored, moves no card
    Riga(f, QStringLiteral("FUS"), 3, 0); // not on the list: price 0, quantities counted
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauR")), 3);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdContoTp, IdConto, FlTipoDocColl, KDocT FROM LUMO_MovCauT")),
              QStringList{"CL/C001/0/0"});
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("10-2/25 | 10-2/25"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("FUS")), QStringLiteral("3-0/0 | 3-0/0"));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdImballo = 'BOT'")), 0);
    EXPECT_EQ(f->qDettaglio->RecordCount(), 3);
}

TEST_F(PrimaNotaCauzioni, AccountsDestinationsCurrenciesAndCodesAreChecked)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    auto rifiuto = [&](const QString &controllo, const QString &testo, const QString &messaggio) {
        script.ClearMessages();
        EXPECT_FALSE(Scrivi(f, controllo, testo)) << testo.toStdString();
        EXPECT_EQ(script.LastText(), messaggio) << testo.toStdString();
    };
    rifiuto(QStringLiteral("edIdConto"), QStringLiteral("C003"),
            QStringLiteral("Cliente non abilitato alla gestione cauzioni"));
    rifiuto(QStringLiteral("edIdConto"), QStringLiteral("X'1"), QStringLiteral("Codice Cliente non Valido"));
    f->tMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(QStringLiteral("FO"));
    rifiuto(QStringLiteral("edIdConto"), QStringLiteral("F002"),
            QStringLiteral("Fornitore non abilitato alla gestione cauzioni"));
    rifiuto(QStringLiteral("edIdConto"), QStringLiteral("C001"), QStringLiteral("Codice Fornitore non Valido"));
    f->tMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(QStringLiteral("CL"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C002")));
    rifiuto(QStringLiteral("edIdDestinazione"), QStringLiteral("9"), QStringLiteral("Codice Destinatario non valido"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("2")));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("_DsDestinazione"))->AsString(), QStringLiteral("Sede monti"));
    // the searches: the accounts of the head's type, the account's destinations
    EXPECT_EQ(Elencati(f, QStringLiteral("edIdConto")), (QStringList{"C001", "C002", "C003"}));
    EXPECT_EQ(Elencati(f, QStringLiteral("edIdDestinazione")), (QStringList{"1", "2"}));
    f->tMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(QStringLiteral("FO"));
    EXPECT_EQ(Elencati(f, QStringLiteral("edIdConto")), (QStringList{"F001", "F002"}));
    f->tMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(QStringLiteral("CL"));
    rifiuto(QStringLiteral("edIdListino"), QStringLiteral("ZZZ"), QStringLiteral("Codice listino non trovato"));
    rifiuto(QStringLiteral("edIdDivisa"), QStringLiteral("XXX"), QStringLiteral("Divisa non esistente"));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdDivisa"))->AsString(), QStringLiteral("EUR"));

    // a row with quantities needs its packaging code
    f->TTDettaglio->Append();
    f->TTDettaglio->FieldByName(QStringLiteral("QtaCar"))->SetAsFloat(4);
    EXPECT_THROW(f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("QQ")),
                 Exception);
    EXPECT_THROW(f->TTDettaglio->Post(), Exception);
    f->TTDettaglio->Cancel();

    // an account emptied is refused before the question, nothing stored
    script.Yes(Abbandono);
    Premi(f, nbCancel);
    Premi(f, nbInsert);
    Riga(f, QStringLiteral("CAS"), 1, 0);
    script.ClearMessages();
    Premi(f, nbPost);
    EXPECT_EQ(script.Texts(), QStringList{QStringLiteral("Specificare un codice cliente o fornitore")});
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz")), 0);
}

TEST_F(PrimaNotaCauzioni, AStoredPriceChangedIsReversedAtTheOldPriceAndAppliedAtTheNew)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int chiave =
        Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 0}, {QStringLiteral("BOT"), 20, 0}});
    Vai(f, chiave);
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    Cambia(f, QStringLiteral("CAS"), QStringLiteral("Prezzo"), 3);
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("10-0/30 | 10-0/30"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("BOT")), QStringLiteral("20-0/2 | 20-0/2"));
}

TEST_F(PrimaNotaCauzioni, ARowChangedThenDeletedIsReversedOnce)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int chiave =
        Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 0}, {QStringLiteral("BOT"), 5, 1}});
    Vai(f, chiave);
    Premi(f, nbEdit);
    Cambia(f, QStringLiteral("CAS"), QStringLiteral("QtaCar"), 12);
    Togli(f, QStringLiteral("CAS"));
    Riga(f, QStringLiteral("FUS"), 2, 0);
    Riga(f, QStringLiteral("FUS"), 1, 0);
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("0-0/0 | 0-0/0"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("BOT")), QStringLiteral("5-1/0.5 | 5-1/0.5"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("FUS")), QStringLiteral("3-0/0 | 3-0/0"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, QtaCar FROM LUMO_MovCauR ORDER BY IdImballo, QtaCar")),
              (QStringList{"BOT/5", "FUS/1", "FUS/2"}));
    SchedeComeRighe();
}

TEST_F(PrimaNotaCauzioni, ADeletedMovementTakesBackEverythingItBooked)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int chiave =
        Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 4}, {QStringLiteral("BOT"), 5, 0}});
    const int altro = Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 1, 0}});
    Vai(f, chiave);
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT"), QStringLiteral("KContaT = ?"), {chiave}), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauR"), QStringLiteral("KContaT = ?"), {chiave}), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauR"), QStringLiteral("KContaT = ?"), {altro}), 1);
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("1-0/2.5 | 1-0/2.5"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("BOT")), QStringLiteral("0-0/0 | 0-0/0"));
}

TEST_F(PrimaNotaCauzioni, AHeadChangedMovesEveryRowToTheNewAccount)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    // C001 keeps no cards per destination, C002 does
    const int chiave =
        Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 0}, {QStringLiteral("BOT"), 5, 0}}, 1);
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("10-0/25 | 10-0/25"));
    Vai(f, chiave);
    Premi(f, nbEdit);
    f->tMain->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C002"));
    f->tMain->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(2);
    Cambia(f, QStringLiteral("BOT"), QStringLiteral("QtaCar"), 6); // a changed row goes once, at its new figure
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("0-0/0 | 0-0/0"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("BOT")), QStringLiteral("0-0/0 | 0-0/0"));
    EXPECT_EQ(Schede(QStringLiteral("C002"), QStringLiteral("CAS"), 2), QStringLiteral("10-0/25 | 10-0/25"));
    EXPECT_EQ(Schede(QStringLiteral("C002"), QStringLiteral("BOT"), 2), QStringLiteral("6-0/0.6 | 6-0/0.6"));

    // the update flags too: general set off, invoiced set on
    Premi(f, nbEdit);
    f->tMain->FieldByName(QStringLiteral("FlAggCau"))->SetAsInteger(0);
    f->tMain->FieldByName(QStringLiteral("FlAggCauF"))->SetAsInteger(1);
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    EXPECT_EQ(Schede(QStringLiteral("C002"), QStringLiteral("CAS"), 2), QStringLiteral("0-0/0 | 0-0/0"));
    EXPECT_EQ(Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 0, 1, QStringLiteral("CAS"),
                     QStringLiteral("ProgQtaCarF")),
              10);
}

TEST_F(PrimaNotaCauzioni, AFailureHalfWayLeavesEverythingAsBeforeAndTheNextSaveRight)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int chiave =
        Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 0}, {QStringLiteral("BOT"), 5, 0}});
    Vai(f, chiave);
    Premi(f, nbEdit);
    Cambia(f, QStringLiteral("CAS"), QStringLiteral("QtaCar"), 11);
    Cambia(f, QStringLiteral("BOT"), QStringLiteral("QtaCar"), 6);
    Riga(f, QStringLiteral("FUS"), 1, 0);
    Riga(f, QStringLiteral("FUS"), 2, 0);
    Riga(f, QStringLiteral("CAS"), 3, 0);
    int scritte = 0;
    f->TRSDettaglio->BeforePost = [&](TDataSet *) {
        if (++scritte == 3)
            throw Exception(QStringLiteral("Guasto del disco"));
    };
    EXPECT_FALSE(Salva(f));
    EXPECT_EQ(script.LastText(), QStringLiteral("Guasto del disco"));
    EXPECT_EQ(f->tMain->State(), dsEdit) << "the edit stays open";
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, QtaCar FROM LUMO_MovCauR ORDER BY IdImballo")),
              (QStringList{"BOT/5", "CAS/10"}));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("10-0/25 | 10-0/25"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("BOT")), QStringLiteral("5-0/0.5 | 5-0/0.5"));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdImballo = 'FUS'")), 0);

    f->TRSDettaglio->BeforePost = nullptr;
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("14-0/35 | 14-0/35"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("BOT")), QStringLiteral("6-0/0.6 | 6-0/0.6"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("FUS")), QStringLiteral("3-0/0 | 3-0/0"));
    SchedeComeRighe();
}

TEST_F(PrimaNotaCauzioni, ARowDeletedByAnotherUserFailsTheSaveAndMovesNoCard)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int chiave =
        Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 0}, {QStringLiteral("BOT"), 5, 0}});
    Vai(f, chiave);
    Premi(f, nbEdit);
    Cambia(f, QStringLiteral("BOT"), QStringLiteral("QtaCar"), 7);
    Cambia(f, QStringLiteral("CAS"), QStringLiteral("QtaCar"), 12);
    AltroUtente()->ExecSQL(QStringLiteral("DELETE FROM LUMO_MovCauR WHERE KContaT = ? AND IdImballo = 'BOT'"),
                           {chiave});
    EXPECT_FALSE(Salva(f));
    EXPECT_EQ(script.LastText(), QStringLiteral("Errore in lettura movimento"));
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("10-0/25 | 10-0/25"));
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("BOT")), QStringLiteral("5-0/0.5 | 5-0/0.5"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, QtaCar FROM LUMO_MovCauR")), QStringList{"CAS/10"});
}

TEST_F(PrimaNotaCauzioni, TwoUsersSavingOneAccountLoseNoUpdate)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "SQLite lets one writer at a time: the saves cannot overlap";
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int chiave = Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 0}});
    Vai(f, chiave);
    Premi(f, nbEdit);
    Cambia(f, QStringLiteral("CAS"), QStringLiteral("QtaCar"), 12);

    // the other user's save of a movement of the same account holds the cards when this save
    // begins, and commits while this save runs
    std::promise<void> scritto;
    std::promise<void> domanda;
    const TestDb &azienda = company.Db();
    std::thread altro([&] {
        auto db = azienda.Connect(QStringLiteral("altro"));
        db->StartTransaction();
        db->ExecSQL(QStringLiteral(
            "INSERT INTO LUMO_MovCauT (KContaT, IdContoTp, IdConto, FlAggCau) VALUES (9999, 'CL', 'C001', 1)"));
        db->ExecSQL(QStringLiteral(
            "INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar) VALUES (9999, 9999, 'CAS', 1)"));
        db->ExecSQL(QStringLiteral(
            "UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + 1 WHERE IdConto = 'C001' AND IdImballo = 'CAS'"));
        scritto.set_value();
        domanda.get_future().wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        db->Commit();
    });
    scritto.get_future().wait();
    bool salvato = false;
    {
        PrimaDellaDomanda passo(&script, Registrazione, [&] { domanda.set_value(); });
        salvato = Salva(f);
    }
    altro.join();
    EXPECT_TRUE(script.LastText().startsWith(QStringLiteral("Record modificato o cancellato da un altro utente")))
        << "one of the two saves fails, clearly: " << script.LastText().toStdString() << salvato;
    SchedeComeRighe();
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("11-0/25 | 11-0/25"));

    // done again, it books over what the other user stored
    if (f->tMain->State() == dsBrowse) {
        Premi(f, nbEdit);
        Cambia(f, QStringLiteral("CAS"), QStringLiteral("QtaCar"), 12);
    }
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    SchedeComeRighe();
    EXPECT_EQ(Schede(QStringLiteral("C001"), QStringLiteral("CAS")), QStringLiteral("13-0/30 | 13-0/30"));
}

// A user's new movement of 3 CAS loaded to C001.
KV8_LAVORO_UTENTE(PrimaNotaCauzioni, MovimentoStessoConto)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Nuovo(f, QStringLiteral("CL"), QStringLiteral("C001"));
    Riga(f, QStringLiteral("CAS"), 3, 0);
    kv8test::AttendiVia();
    Salva(f);
    kv8test::NotaUtente(script.Texts());
}

TEST_F(PrimaNotaCauzioni, TwoUsersSavingMovementsOfOneAccountBothCountOrOneIsRefused)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 10, 0}});
    const QString rifiuto = QStringLiteral("Record modificato o cancellato da un altro utente (tabella LUMO_ProgCauz): "
                                           "rileggere i dati e ripetere l'operazione");
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const int movimenti = Conta(QStringLiteral("LUMO_MovCauT"));
        const double carico = Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"),
                                     QStringLiteral("ProgQtaCar"));
        const auto utenti = kv8test::DueUtenti(QStringLiteral("MovimentoStessoConto"), company.Db().Url(), avvio,
                                               QStringLiteral("schede"));
        // each save stored whole, as the two one after the other, or refused storing nothing
        int salvati = 0;
        for (const kv8test::Utente &u : utenti) {
            ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
            if (u.Messaggi == QStringList{Registrazione})
                ++salvati;
            else
                EXPECT_EQ(u.Messaggi, (QStringList{Registrazione, rifiuto}));
        }
        ASSERT_GE(salvati, 1);
        if (avvio == kv8test::Avvio::PrimoInPausa) {
            EXPECT_TRUE(utenti[0].Fermato);
            EXPECT_EQ(utenti[0].Messaggi, QStringList{Registrazione}) << "the first user's save stands";
        }
        EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), movimenti + salvati);
        EXPECT_EQ(Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"),
                         QStringLiteral("ProgQtaCar")),
                  carico + 3 * salvati);
        SchedeComeRighe();
    });
}

TEST_F(PrimaNotaCauzioni, TheSearchListsCustomersAndSuppliersAndOpensTheOneChosen)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int cliente = Registrato(f, QStringLiteral("C001"), {{QStringLiteral("CAS"), 1, 0}});
    Nuovo(f, QStringLiteral("FO"), QStringLiteral("F001"));
    Riga(f, QStringLiteral("CAS"), 2, 0);
    const int fornitore = f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger();
    ASSERT_TRUE(Salva(f)) << script.LastText().toStdString();
    EXPECT_EQ(Schede(QStringLiteral("F001"), QStringLiteral("CAS"), 0, QStringLiteral("FO")),
              QStringLiteral("2-0/5 | 2-0/5"));

    QStringList elencati;
    script.OnDialog(QStringLiteral("TFQarn0204d"), [&](TForm &d) {
        auto &dialogo = static_cast<TFLumoRicercaMovimenti &>(d);
        EXPECT_EQ(dialogo.Caption(), QStringLiteral("Ricerca movimenti cauzioni"));
        // a period that ends before it starts is refused, not shown as an empty list
        EXPECT_TRUE(
            kv8test::ReplaceText(dialogo.Control<TDBEdit>(QStringLiteral("edDaData")), QStringLiteral("30/04/2026")));
        EXPECT_TRUE(
            kv8test::ReplaceText(dialogo.Control<TDBEdit>(QStringLiteral("edAData")), QStringLiteral("01/04/2026")));
        dialogo.btSelezione->click();
        EXPECT_EQ(script.LastText(), QStringLiteral("La data iniziale supera quella finale: correggere l'intervallo."));
        EXPECT_TRUE(kv8test::ReplaceText(dialogo.Control<TDBEdit>(QStringLiteral("edDaData")), QString()));
        EXPECT_TRUE(kv8test::ReplaceText(dialogo.Control<TDBEdit>(QStringLiteral("edAData")), QString()));
        dialogo.tPars->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(QStringLiteral("TT"));
        dialogo.btSelezione->click();
        for (dialogo.qLista->First(); !dialogo.qLista->Eof(); dialogo.qLista->Next())
            elencati << dialogo.qLista->FieldByName(QStringLiteral("IdConto"))->AsString();
        dialogo.qLista->Locate(QStringLiteral("KContaT"), fornitore);
        dialogo.btOk->click();
        return dialogo.ModalResult();
    });
    f->XFormXRicerca();
    elencati.sort();
    EXPECT_EQ(elencati, (QStringList{"C001", "F001"}));
    EXPECT_EQ(f->tMain->RecordCount(), 2);
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger(), fornitore);
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("_DsConto"))->AsString(), QStringLiteral("Vetreria Nord"));
    EXPECT_NE(cliente, fornitore);
}

TEST_F(PrimaNotaCauzioni, AfterAnyMixOfSavesAndDeletionsJob0LeavesEveryCardAsItWas)
{
    TFqarn0204f *f = Finestra();
    ASSERT_NE(f, nullptr);
    auto carte = [&] { return SchedeArrotondate(company.Database()); };
    auto ricalcola = [&] {
        auto *d = Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
        ASSERT_NE(d, nullptr);
        d->tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->SetValue(0);
        script.Yes(QStringLiteral("Confermi elaborazione"));
        d->btEsegui->click();
        ProcessEvents();
        ASSERT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata"));
    };
    auto memorizzati = [&] {
        QList<int> chiavi;
        for (const QString &k : Elenco(QStringLiteral("SELECT KContaT FROM LUMO_MovCauT ORDER BY KContaT")))
            chiavi << k.toInt();
        return chiavi;
    };
    struct Conto {
        const char *tipo, *conto;
        int destinazione;
    };
    const Conto conti[] = {{"CL", "C001", 0}, {"CL", "C002", 1}, {"CL", "C002", 2}, {"FO", "F001", 0}};
    const QStringList codici{QStringLiteral("CAS"), QStringLiteral("BOT"), QStringLiteral("FUS")};
    std::mt19937 caso(25);
    auto numero = [&](int n) { return int(caso() % unsigned(n)); };
    int fatte[5] = {};
    bool dollari = false, fornitori = false;
    for (int passo = 0; passo < 14; ++passo) {
        const QList<int> chiavi = memorizzati();
        const int scelta = chiavi.isEmpty() || passo < 3 ? 0 : numero(5);
        if (scelta == 0) {
            // a new movement, company currency or dollars, rows priced on the list, by hand or at 0
            // the first ones: a supplier, then one in dollars; random afterwards
            const Conto &c = conti[passo == 1 ? 3 : numero(4)];
            Nuovo(f, QLatin1String(c.tipo), QLatin1String(c.conto), c.destinazione);
            fornitori = fornitori || QLatin1String(c.tipo) == QLatin1String("FO");
            if (numero(3) == 0 || passo == 2) {
                dollari = true;
                f->tMain->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("USD"));
                f->tMain->FieldByName(QStringLiteral("Cambio"))->SetAsFloat(0.913);
            }
            f->tMain->FieldByName(QStringLiteral("FlAggCauF"))->SetAsInteger(numero(2));
            f->tMain->FieldByName(QStringLiteral("FlAggCauB"))->SetAsInteger(numero(2));
            QStringList liberi = codici;
            for (int r = 1 + numero(3); r > 0; --r) {
                const QString imballo = liberi.takeAt(numero(int(liberi.size())));
                const int prezzo = numero(3);
                Riga(f, imballo, numero(15) - 3, numero(5), prezzo == 0 ? 1.237 : prezzo == 1 ? 0 : 2.5);
            }
        } else {
            ASSERT_NO_FATAL_FAILURE(Vai(f, chiavi.at(numero(int(chiavi.size())))));
        }
        if (scelta == 4) {
            script.Yes(Cancellazione);
            Premi(f, nbDelete);
            ASSERT_EQ(f->tMain->State(), dsBrowse) << "step " << passo << ": " << script.LastText().toStdString();
        } else if (scelta != 0) {
            Premi(f, nbEdit);
            ASSERT_EQ(f->tMain->State(), dsEdit);
            const QString imballo = f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->AsString();
            if (scelta == 1 && !imballo.isEmpty())
                Cambia(f, imballo, QStringLiteral("QtaCar"), numero(20));
            else if (scelta == 2 && f->TTDettaglio->RecordCount() > 1)
                Togli(f, imballo);
            else if (f->tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString() == QLatin1String("CL")) {
                // the head moved to another customer's destination
                const Conto &c = conti[numero(3)];
                f->tMain->FieldByName(QStringLiteral("IdConto"))->SetAsString(QLatin1String(c.conto));
                f->tMain->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(c.destinazione);
            } else
                f->tMain->FieldByName(QStringLiteral("FlAggCau"))->SetAsInteger(numero(2));
        }
        if (scelta != 4) {
            ASSERT_TRUE(Salva(f)) << "step " << passo << ": " << script.LastText().toStdString();
        }
        ++fatte[scelta];
        const QStringList dopo = carte();
        script.ClearMessages();
        ricalcola();
        ASSERT_EQ(carte(), dopo) << "step " << passo << ", kind " << scelta;
    }
    EXPECT_GT(fatte[0], 3);
    EXPECT_GT(fatte[1] + fatte[2] + fatte[3], 2);
    EXPECT_GT(fatte[4], 0);
    EXPECT_TRUE(dollari && fornitori) << "the mix holds a foreign currency and a supplier";
}
