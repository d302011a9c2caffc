// The deposit register: the movement rows of a period, customers' and suppliers' quantities
// in their own columns, and the register progressive "CAUZ" moved only by a confirmed
// definitive print.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0205d.h"
#include "frame/Lumo_funzioni.h"
#include "host/core/Applvar.h"
#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"
#include "tests/support/DueUtenti.h"

using namespace kv8test;

namespace {

const QString Conferma = QStringLiteral("Conferma aggiornamento definitivo dei dati stampati ");

QDateTime Giorno(int anno, int mese, int giorno, int ora = 0)
{
    return QDateTime(QDate(anno, mese, giorno), QTime(ora, 0));
}

class RegistroCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        annoSalvato_ = CFG.Anno;
        Depositi::SetUp();
        if (IsSkipped())
            return;
        CFG.Anno = 2026;
        if (company.Db().Attached())
            return;
        Movimento(1, "CL", "C001", Giorno(2026, 3, 5), 1, 7, 2, {10, 0, 25, 0});
        Movimento(2, "FO", "F001", Giorno(2026, 3, 31, 18), 0, 0, 0, {0, 6, 0, 15});
        Movimento(3, "CL", "C002", Giorno(2026, 4, 1), 2, 9, 0, {3, 0, 7.5, 0});
    }
    void TearDown() override
    {
        CFG.Anno = annoSalvato_;
        Depositi::TearDown();
    }

    // A journal movement with one CAS row: QtaCar, QtaRes, ValoreCar, ValoreRes.
    void Movimento(int chiave, const char *tipo, const char *conto, const QDateTime &data, int collegato, int numero,
                   int serie, const QList<double> &v)
    {
        Esegui(
            QStringLiteral(
                "INSERT INTO LUMO_MovCauT (KContaT, DataReg, IdContoTp, IdConto, IdDestinazione, "
                "FlTipoDocColl, Numero, Serie, DataDoc, KDocT, IdDivisa) VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, 0, 'EUR')"),
            {chiave, data, QLatin1String(tipo), QLatin1String(conto), collegato, numero, serie, data});
        Esegui(
            QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, "
                           "ValoreRes, QtaCarEcc, QtaResEcc) VALUES (?, ?, 'CAS', ?, ?, 2.5, ?, ?, 0, 0)"),
            {chiave, chiave, v[0], v[1], v[2], v[3]});
    }

    TFqarn0205d *ApriDialogo()
    {
        auto *d = Apri<TFqarn0205d>(QStringLiteral("QARN0205D"));
        if (d)
            Imposta(d, "FlDefinitiva", 0);
        return d;
    }

    static void Imposta(TFqarn0205d *d, const char *campo, const QVariant &valore)
    {
        d->tPars->FieldByName(QLatin1String(campo))->SetValue(valore);
    }

    // The last printed date of the stored progressive, null when there is none.
    static QDateTime UltimaStampa()
    {
        TUT_LMQ_RG_ProgressiviRegistri p;
        UT_LMQ_RG_LeggoProgReg(1, QStringLiteral("CAUZ"), p);
        return p.DataUltAgg;
    }

    ReportCapture capture;

private:
    int annoSalvato_ = 0;
};

} // namespace

TEST_F(RegistroCauzioni, ConfirmedDefinitivePrintProposesTheNextDay)
{
    TFqarn0205d *d = ApriDialogo();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->tPars->FieldByName(QStringLiteral("DataUltSta"))->IsNull()) << "no earlier print";
    EXPECT_TRUE(d->tPars->FieldByName(QStringLiteral("DaData"))->IsNull());
    Imposta(d, "DaData", Giorno(2026, 3, 1));
    Imposta(d, "A_Data", Giorno(2026, 3, 31));
    Imposta(d, "FlDefinitiva", 1);
    script.Yes(Conferma);
    d->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
    const ReportPage &pagina = capture.Last().Document.Pages.first();
    ScriveUnPdf(capture.Last().Document);
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Registro Cauzioni")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdConto")), (QStringList{"C001", "F001"})) << "the end date's whole day";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_TD")).first(), QStringLiteral("DDT"));
    EXPECT_FALSE(pagina.TextsOf(QStringLiteral("fd_TD")).contains(QStringLiteral("FT")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_QtaCarCli")), QStringList{"10"});
    EXPECT_TRUE(pagina.TextsOf(QStringLiteral("fd_QtaResCli")).isEmpty());
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_QtaResFor")), QStringList{"6"});
    EXPECT_TRUE(pagina.TextsOf(QStringLiteral("fd_QtaCarFor")).isEmpty());
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdValoreRes")), QStringList{"15,000"});
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("lbBarra")).size(), 1) << "the bar only with a series";
    EXPECT_EQ(UltimaStampa().date(), QDate(2026, 3, 31));
    EXPECT_EQ(script.PendingAnswers(), 0);
    d->close();
    ProcessEvents();

    d = ApriDialogo();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QDate(2026, 4, 1));
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("DataUltSta"))->AsDateTime().date(), QDate(2026, 3, 31));
    // a first date inside the printed period is reported
    script.ClearMessages();
    Imposta(d, "DaData", Giorno(2026, 3, 31));
    EXPECT_EQ(script.LastText(), QStringLiteral("Data iniziale non valida"));
}

TEST_F(RegistroCauzioni, RefusedPeriodsAndPrintsThatStoreNothing)
{
    TFqarn0205d *d = ApriDialogo();
    ASSERT_NE(d, nullptr);
    // a date missing: asked for, not mistaken for an order
    for (const auto &[da, a] : {std::pair{QVariant(), QVariant()}, std::pair{QVariant(Giorno(2026, 3, 1)), QVariant()},
                                std::pair{QVariant(), QVariant(Giorno(2026, 3, 31))}}) {
        Imposta(d, "DaData", da);
        Imposta(d, "A_Data", a);
        script.ClearMessages();
        d->btEsegui->click();
        ProcessEvents();
        EXPECT_EQ(script.LastText(), QStringLiteral("Specificare data iniziale e data finale"));
    }
    Imposta(d, "DaData", Giorno(2026, 3, 31));
    Imposta(d, "A_Data", Giorno(2026, 3, 1));
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Data Iniziale superiore alla data finale"));
    EXPECT_TRUE(capture.Prints().isEmpty());
    // across years
    Imposta(d, "DaData", Giorno(2025, 12, 1));
    Imposta(d, "A_Data", Giorno(2026, 1, 31));
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Anno data inizio / fine non coerente con esercizio in uso"));
    EXPECT_TRUE(capture.Prints().isEmpty());

    // a definitive print of an empty period asks nothing
    Imposta(d, "DaData", Giorno(2026, 6, 1));
    Imposta(d, "A_Data", Giorno(2026, 6, 30));
    Imposta(d, "FlDefinitiva", 1);
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 1);
    EXPECT_TRUE(UltimaStampa().isNull());

    // the answer No stores nothing
    Imposta(d, "DaData", Giorno(2026, 3, 1));
    Imposta(d, "A_Data", Giorno(2026, 3, 31));
    script.No(Conferma);
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 2);
    EXPECT_EQ(script.PendingAnswers(), 0);
    EXPECT_TRUE(UltimaStampa().isNull());
}

// A user's definitive print of March.
KV8_LAVORO_UTENTE(RegistroCauzioni, RegistroCauzioniDefinitivo)
{
    script.Yes(Conferma);
    script.AllowUnusedAnswers(); // refused before the question when the other user has stored already
    TFqarn0205d *d = ApriDialogo();
    ASSERT_NE(d, nullptr);
    Imposta(d, "DaData", Giorno(2026, 3, 1));
    Imposta(d, "A_Data", Giorno(2026, 3, 31));
    Imposta(d, "FlDefinitiva", 1);
    kv8test::AttendiVia();
    d->btEsegui->click();
    ProcessEvents();
    kv8test::NotaUtente(script.Texts());
}

TEST_F(RegistroCauzioni, TwoUsersPrintingDefinitivelyStoreThePeriodOnce)
{
    // a third user opened the dialog before the others stored March, and runs it after them
    TFqarn0205d *d = ApriDialogo();
    ASSERT_NE(d, nullptr);
    Imposta(d, "DaData", Giorno(2026, 3, 1));
    Imposta(d, "A_Data", Giorno(2026, 3, 31));
    Imposta(d, "FlDefinitiva", 1);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        Esegui(QStringLiteral("DELETE FROM LUMO_ProgRegistri"));
        const auto utenti = kv8test::DueUtenti(QStringLiteral("RegistroCauzioniDefinitivo"), company.Db().Url(), avvio,
                                               QStringLiteral("registro"));
        kv8test::UnoRifiutato(utenti, avvio,
                              {QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa"),
                               QStringLiteral("Data iniziale non valida")});
        EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegistri")), 1);
        EXPECT_EQ(UltimaStampa().date(), QDate(2026, 3, 31));
    });
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 1) << "printed as asked";
    EXPECT_TRUE(script.Shown(QStringLiteral("Data iniziale non valida")));
    EXPECT_FALSE(script.Shown(Conferma)) << "March is not stored twice";
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("DataUltSta"))->AsDateTime().date(), QDate(2026, 3, 31));
}
