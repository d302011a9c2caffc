// The progressive card print, read on the captured pages: the selection, the pending returns
// of the returns journal and the account type's title.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0207d.h"
#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"
#include "host/ui/DBControls.h"

using namespace kv8test;

namespace {

class ProgressiviCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped())
            return;
        // account totals
        Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 1, QStringLiteral("CAS"), {10, 3, 25, 7.5});
        Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 0, 1, QStringLiteral("CAS"), {5, 0, 12.5, 0});
        Scheda(QStringLiteral("CL"), QStringLiteral("C003"), 0, 1, QStringLiteral("CAS"), {0, 0, 0, 0, 4, 4});
        Scheda(QStringLiteral("FO"), QStringLiteral("F001"), 0, 1, QStringLiteral("BOT"), {20, 0, 2, 0});
        // per destination
        Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), {6, 1, 15, 2.5});
        Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 1, 0, QStringLiteral("CAS"), {2, 0, 5, 0});
        Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 2, 0, QStringLiteral("FUS"), {3, 1, 90, 30});
        // returns of C001: 2 pending at destination 0, 1 pending at destination 1, 4 linked
        Esegui(QStringLiteral("INSERT INTO LUMO_MovResT (KMovResT, DataReg, IdContoTp, IdConto, IdDestinazione, KDocT, "
                              "FlTipoDocColl) VALUES (1, ?, 'CL', 'C001', 0, 0, 0), (2, ?, 'CL', 'C001', 1, 0, 0), "
                              "(3, ?, 'CL', 'C001', 0, 9, 1)"),
               {QDateTime(QDate(2026, 3, 1), QTime(0, 0)), QDateTime(QDate(2026, 3, 2), QTime(0, 0)),
                QDateTime(QDate(2026, 3, 3), QTime(0, 0))});
        Esegui(QStringLiteral("INSERT INTO LUMO_MovResR (KMovResR, KMovResT, IdImballo, QtaRes) VALUES "
                              "(1, 1, 'CAS', 2), (2, 2, 'CAS', 1), (3, 3, 'CAS', 4), (4, 1, 'BOT', 7)"));
    }

    // A card: general progressives (quantity and value delivered and returned), then invoice
    // quantities delivered and returned.
    void Scheda(const QString &tipo, const QString &conto, int destinazione, int tipoScheda, const QString &imballo,
                QList<double> v)
    {
        v.resize(6, 0);
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, "
                   "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, "
                   "ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, "
                   "QtaResEcc, EsiAttEcc) VALUES (?, ?, ?, ?, ?, 'EUR', ?, ?, ?, ?, ?, ?, 0, 0, 0, 0, 0, 0, 1, 0, 1)"),
               {tipo, conto, destinazione, tipoScheda, imballo, v[0], v[1], v[2], v[3], v[4], v[5]});
    }

    // The dialog with the parameters cleared (the host keeps the last ones), customers chosen.
    void ApriDialogo()
    {
        d = Apri<TFqarn0207d>(QStringLiteral("QARN0207D"));
        ASSERT_NE(d, nullptr);
        for (const char *campo : {"Da_IdConto", "A_IdConto"})
            Imposta(campo, QString());
        for (const char *campo : {"Da_IdDestinazione", "A_IdDestinazione", "FlTipoScheda"})
            Imposta(campo, 0);
        Imposta("IdContoTp", QStringLiteral("CL"));
    }

    void Imposta(const char *campo, const QVariant &valore)
    {
        d->tPars->FieldByName(QLatin1String(campo))->SetValue(valore);
    }

    const ReportDocument &Stampa()
    {
        const qsizetype prima = capture.Prints().size();
        script.ClearMessages();
        d->btEsegui->click();
        ProcessEvents();
        EXPECT_EQ(capture.Prints().size(), prima + 1) << script.LastText().toStdString();
        EXPECT_TRUE(script.Texts().isEmpty()) << script.LastText().toStdString();
        return capture.Last().Document;
    }

    ReportCapture capture;
    TFqarn0207d *d = nullptr;
};

} // namespace

TEST_F(ProgressiviCauzioni, AccountTotalsCountEveryPendingReturnOfTheAccount)
{
    ApriDialogo();
    ASSERT_NE(d, nullptr);
    Imposta("FlTipoScheda", 1);
    EXPECT_EQ(d->Selezione(), QStringLiteral("LUMO_ProgCauz.IdContoTp = 'CL' AND LUMO_ProgCauz.FlTipoScheda = 1"));
    const ReportPage pagina = Stampa().Pages.first();
    ScriveUnPdf(capture.Last().Document);
    EXPECT_TRUE(pagina.HasText(QStringLiteral("PROGRESSIVI CAUZIONI CLIENTI")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdConto")), (QStringList{"C001", "C002"}))
        << "no supplier, no card with only invoice progressives";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdRagioneSociale")).first(), QStringLiteral("Enoteca Rossi"));
    // C001: 3 returned + 2 and 1 pending at its two destinations; the linked 4 not added
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_QtaResiPN")), (QStringList{"3,00", "0,00"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_ToTResi")), (QStringList{"6,00", "0,00"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_TotGenQ")), (QStringList{"4,00", "5,00"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_TotGenV")), (QStringList{"17,500", "12,500"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdDsImballo")).first(), QStringLiteral("Cassa legno"));
    EXPECT_TRUE(pagina.TextsOf(QStringLiteral("fdIdDestinazione")).isEmpty()) << "no destination heading";

    // destination bounds are ignored for account totals, and read-only
    Imposta("Da_IdDestinazione", 5);
    Imposta("A_IdDestinazione", 6);
    EXPECT_TRUE(d->findChild<TDBEdit *>(QStringLiteral("edDa_IdDestinazione"))->IsReadOnlySet());
    EXPECT_TRUE(d->findChild<TDBEdit *>(QStringLiteral("edA_IdDestinazione"))->IsReadOnlySet());
    EXPECT_EQ(Stampa().Pages.first().TextsOf(QStringLiteral("fdIdConto")), (QStringList{"C001", "C002"}));
    Imposta("FlTipoScheda", 0);
    EXPECT_FALSE(d->findChild<TDBEdit *>(QStringLiteral("edDa_IdDestinazione"))->IsReadOnlySet());
}

TEST_F(ProgressiviCauzioni, PerDestinationCardsAndTheirBounds)
{
    ApriDialogo();
    ASSERT_NE(d, nullptr);
    Imposta("FlTipoScheda", 0);
    ReportPage pagina = Stampa().Pages.first();
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdImballo")), (QStringList{"CAS", "CAS", "FUS"}));
    // only the pending return of the card's own destination
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_QtaResiPN")), (QStringList{"2,00", "0,00", "0,00"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_TotGenQ")), (QStringList{"3,00", "2,00", "2,00"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdDestinazione")), (QStringList{"1", "2"}))
        << "destination 0 has no heading";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_DsDestinazione")), (QStringList{"Sede mare", "Sede monti"}));

    Imposta("Da_IdDestinazione", 2);
    EXPECT_EQ(d->Selezione(), QStringLiteral("LUMO_ProgCauz.IdContoTp = 'CL' AND LUMO_ProgCauz.FlTipoScheda = 0 AND "
                                             "LUMO_ProgCauz.IdDestinazione >= 2"));
    EXPECT_EQ(Stampa().Pages.first().TextsOf(QStringLiteral("fdIdImballo")), QStringList{"FUS"});
    Imposta("Da_IdDestinazione", 0);
    Imposta("A_IdDestinazione", 1);
    EXPECT_EQ(Stampa().Pages.first().TextsOf(QStringLiteral("fdIdImballo")), (QStringList{"CAS", "CAS"}))
        << "bound 0 is no bound";
    Imposta("A_IdDestinazione", 0);
    Imposta("Da_IdConto", QStringLiteral("C002"));
    Imposta("A_IdConto", QStringLiteral("C002"));
    EXPECT_EQ(Stampa().Pages.first().TextsOf(QStringLiteral("fdIdConto")), QStringList{"C002"});
}

TEST_F(ProgressiviCauzioni, SuppliersAndQuotedCodes)
{
    ApriDialogo();
    ASSERT_NE(d, nullptr);
    Imposta("IdContoTp", QStringLiteral("FO"));
    Imposta("FlTipoScheda", 1);
    ReportPage pagina = Stampa().Pages.first();
    EXPECT_TRUE(pagina.HasText(QStringLiteral("PROGRESSIVI CAUZIONI FORNITORI")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdConto")), QStringList{"F001"});
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fd_QtaResiPN")), QStringList{"0,00"})
        << "customer returns are not the supplier's";

    Imposta("Da_IdConto", QStringLiteral("F'0"));
    EXPECT_TRUE(d->Selezione().contains(QStringLiteral("LUMO_ProgCauz.IdConto >= 'F''0'")));
    EXPECT_EQ(Stampa().Pages.first().TextsOf(QStringLiteral("fdIdConto")), QStringList{"F001"});
}
