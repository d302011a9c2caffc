// The deposit price-list print and the customer returns print, read on the captured pages.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0206d.h"
#include "deposits/Qarn0210d.h"
#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"

using namespace kv8test;

namespace {

class StampeCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped())
            return;
        Listino(QStringLiteral("L01"), QStringLiteral("EUR"),
                {{QStringLiteral("CAS"), 2.5}, {QStringLiteral("BOT"), 0}});
        Listino(QStringLiteral("L02"), QStringLiteral("EUR"), {{QStringLiteral("FUS"), 30}});
        Listino(QStringLiteral("L02"), QStringLiteral("USD"), {{QStringLiteral("FUS"), 33}});
    }
    template <class T> static void Imposta(T *d, const char *campo, const QVariant &valore)
    {
        d->tPars->FieldByName(QLatin1String(campo))->SetValue(valore);
    }
};

} // namespace

TEST_F(StampeCauzioni, PriceListsAllOrOfOneCurrency)
{
    auto *d = Apri<TFqarn0206d>(QStringLiteral("QARN0206D"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Selezione(), QString());
    ReportCapture capture;
    d->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
    const ReportPage &pagina = capture.Last().Document.Pages.first();
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Listini Cauzioni")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdListino")), (QStringList{"L01", "L02", "L02"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdDivisa")), (QStringList{"EUR", "EUR", "USD"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdDsListino")).first(), QStringLiteral("Listino base"));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdImballo")), (QStringList{"BOT", "CAS", "FUS", "FUS"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdPrezzo")), (QStringList{"2,500", "30,000", "33,000"}))
        << "a zero price prints blank";
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Cassa legno")));

    // one currency, from a code (quoted as typed)
    Imposta(d, "IdDivisa", QStringLiteral("USD"));
    EXPECT_EQ(d->Selezione(), QStringLiteral("LUMO_LisCauzT.IdDivisa = 'USD'"));
    d->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 2);
    EXPECT_EQ(capture.Last().Document.Pages.first().TextsOf(QStringLiteral("fdIdListino")), QStringList{"L02"});
    Imposta(d, "IdDivisa", QString());
    Imposta(d, "Da_IdListino", QStringLiteral("L'2"));
    EXPECT_EQ(d->Selezione(), QStringLiteral("LUMO_LisCauzT.IdListino >= 'L''2'"));
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 3);
    EXPECT_TRUE(script.Texts().isEmpty()) << script.LastText().toStdString();
}

TEST_F(StampeCauzioni, ReturnsPendingLinkedOrAll)
{
    Esegui(QStringLiteral(
               "INSERT INTO LUMO_MovResT (KMovResT, DataReg, IdContoTp, IdConto, IdDestinazione, KDocT, FlTipoDocColl) "
               "VALUES (1, ?, 'CL', 'C001', 0, 0, 0), (2, ?, 'CL', 'C002', 1, 44, 1), (3, ?, 'CL', 'C002', 0, 0, 0)"),
           {QDateTime(QDate(2026, 3, 1), QTime(0, 0)), QDateTime(QDate(2026, 3, 5), QTime(0, 0)),
            QDateTime(QDate(2026, 4, 1), QTime(0, 0))});
    Esegui(QStringLiteral("INSERT INTO LUMO_MovResR (KMovResR, KMovResT, IdImballo, QtaRes) VALUES "
                          "(1, 1, 'CAS', 3), (2, 1, 'BOT', 12), (3, 2, 'CAS', 5)"));
    auto *d = Apri<TFqarn0210d>(QStringLiteral("QARN0210D"));
    ASSERT_NE(d, nullptr);
    auto righe = [&] {
        QStringList out;
        for (d->qRisultati->First(); !d->qRisultati->Eof(); d->qRisultati->Next())
            out << d->qRisultati->FieldByName(QStringLiteral("KMovResT"))->AsString() + QLatin1Char('/')
                       + d->qRisultati->FieldByName(QStringLiteral("IdImballo"))->AsString();
        return out;
    };
    Imposta(d, "FlTipoMovimenti", 0);
    d->btEsegui->click();
    ProcessEvents();
    QStringList pendenti = righe();
    pendenti.sort();
    EXPECT_EQ(pendenti, (QStringList{"1/BOT", "1/CAS", "3/"})) << "a return without rows prints one line";
    EXPECT_EQ(d->Pagina(), 1) << "the results page";

    Imposta(d, "FlTipoMovimenti", 1);
    d->btEsegui->click();
    EXPECT_EQ(righe(), QStringList{"2/CAS"});
    Imposta(d, "FlTipoMovimenti", 2);
    Imposta(d, "Da_IdConto", QStringLiteral("C002"));
    Imposta(d, "A_Data", QDateTime(QDate(2026, 3, 31), QTime(0, 0)));
    d->btEsegui->click();
    EXPECT_EQ(righe(), QStringList{"2/CAS"});
    Imposta(d, "Da_IdConto", QString());
    Imposta(d, "A_Data", QVariant());
    d->btEsegui->click();
    EXPECT_EQ(righe().size(), 4) << "every return, and the selection can be run again";

    ReportCapture capture;
    d->btStampa->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
    const ReportPage &pagina = capture.Last().Document.Pages.first();
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Movimenti Prima Nota Resi")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdKMovResT")), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdStatoDoc")), QStringList{"Collegata a Docum."}) << "only the linked one";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdDestinazione")), QStringList{"1"}) << "blank when 0";
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdRagioneSociale")).first(), QStringLiteral("Enoteca Rossi"));
    EXPECT_TRUE(pagina.TextsOf(QStringLiteral("fdQtaRes")).contains(QStringLiteral("12,00")));
}
