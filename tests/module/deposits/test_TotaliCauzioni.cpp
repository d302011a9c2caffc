// The deposit totals: sums per packaging code over the per-destination cards of one account
// type, their balances, the results page and its print.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0203d.h"
#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"

using namespace kv8test;

namespace {

class TotaliCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped())
            return;
        // tipo, conto, destinazione, tipo scheda, imballo, QtaCar, QtaRes, ValCar, ValRes, QtaCarF, QtaCarEcc,
        // QtaResEcc
        Scheda("CL", "C001", 0, 0, "CAS", {10, 4, 100, 40, 2, 1, 3});
        Scheda("CL", "C001", 0, 1, "CAS", {10, 4, 100, 40, 2, 1, 3});
        Scheda("CL", "C002", 1, 0, "CAS", {5, 0, 50, 0, 0, 0, 0});
        Scheda("CL", "C002", 2, 0, "XYZ", {7, 7, 0, 0, 0, 0, 0});
        Scheda("FO", "F001", 0, 0, "BOT", {20, 0, 2, 0, 0, 0, 0});
    }

    void Scheda(const char *tipo, const char *conto, int destinazione, int tipoScheda, const char *imballo,
                const QList<double> &v)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, "
                   "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, "
                   "ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, "
                   "QtaResEcc, EsiAttEcc) VALUES (?, ?, ?, ?, ?, 'EUR', ?, ?, ?, ?, ?, 0, 0, 0, 0, 0, 0, 0, ?, ?, 0)"),
               {QLatin1String(tipo), QLatin1String(conto), destinazione, tipoScheda, QLatin1String(imballo), v[0], v[1],
                v[2], v[3], v[4], v[5], v[6]});
    }

    void Imposta(const char *campo, const QVariant &valore)
    {
        d->tPars->FieldByName(QLatin1String(campo))->SetValue(valore);
    }

    // The rows of the results, "code:description:field" for the field asked.
    QStringList Righe(const char *campo)
    {
        QStringList out;
        for (d->qTotProCau->First(); !d->qTotProCau->Eof(); d->qTotProCau->Next())
            out << d->qTotProCau->FieldByName(QStringLiteral("IdImballo"))->AsString() + QLatin1Char(':')
                       + d->qTotProCau->FieldByName(QStringLiteral("DsImballo"))->AsString() + QLatin1Char(':')
                       + d->qTotProCau->FieldByName(QLatin1String(campo))->AsString();
        return out;
    }

    TFqarn0203d *d = nullptr;
};

} // namespace

TEST_F(TotaliCauzioni, SumsThePerDestinationCardsOfTheAccountType)
{
    d = Apri<TFqarn0203d>(QStringLiteral("QARN0203D"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Pagina(), 0);
    Imposta("Da_IdImballo", QString());
    Imposta("A_IdImballo", QString());
    Imposta("IdContoTp", QStringLiteral("CL"));
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(d->Pagina(), 1) << "the results page";
    // the account-total card of C001 is not counted; XYZ is missing from Imballi
    EXPECT_EQ(Righe("QtaCar"), (QStringList{"CAS:Cassa legno:15", "XYZ::7"}));
    EXPECT_EQ(Righe("_SaldoVal"), (QStringList{"CAS:Cassa legno:110", "XYZ::0"}));
    EXPECT_EQ(Righe("_SaldoQta"), (QStringList{"CAS:Cassa legno:11", "XYZ::0"}));
    EXPECT_EQ(Righe("_SaldoQtaF"), (QStringList{"CAS:Cassa legno:2", "XYZ::0"}));
    EXPECT_EQ(Righe("_saldoQtaEcc"), (QStringList{"CAS:Cassa legno:-2", "XYZ::0"})) << "excess returns above loads";

    // the print of the results
    ReportCapture capture;
    ASSERT_TRUE(d->btStampa->isVisible());
    d->btStampa->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
    const ReportPage &pagina = capture.Last().Document.Pages.first();
    ScriveUnPdf(capture.Last().Document);
    EXPECT_TRUE(pagina.HasText(QStringLiteral("TOTALI PER CAUZIONE CLIENTI")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdImballo")), (QStringList{"CAS", "XYZ"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdQtaCar")), (QStringList{"15,00", "7,00"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdValCar")), QStringList{"150"}) << "a zero value prints blank";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_SaldoVal")), QStringList{"110"});
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_SaldoQta")), QStringList{"11,00"});

    // a range of codes, quoted
    Imposta("Da_IdImballo", QStringLiteral("C'A"));
    Imposta("A_IdImballo", QStringLiteral("X"));
    d->SetPagina(0);
    d->btEsegui->click();
    EXPECT_EQ(Righe("QtaCar"), (QStringList{"CAS:Cassa legno:15"}));
}

TEST_F(TotaliCauzioni, EmptyTypeFindsNothingAndStaysOnTheSelection)
{
    d = Apri<TFqarn0203d>(QStringLiteral("QARN0203D"));
    ASSERT_NE(d, nullptr);
    Imposta("Da_IdImballo", QString());
    Imposta("A_IdImballo", QString());
    Imposta("IdContoTp", QString());
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_TRUE(d->qTotProCau->IsEmpty());
    EXPECT_EQ(d->Pagina(), 0);
    EXPECT_TRUE(script.Texts().isEmpty()) << script.LastText().toStdString();

    Imposta("IdContoTp", QStringLiteral("FO"));
    d->btEsegui->click();
    EXPECT_EQ(Righe("ValCar"), (QStringList{"BOT:Bottiglia vetro:2"}));
    ReportCapture capture;
    d->btStampa->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
    EXPECT_TRUE(capture.Last().Document.Pages.first().HasText(QStringLiteral("TOTALI PER CAUZIONE FORNITORI")));
}
