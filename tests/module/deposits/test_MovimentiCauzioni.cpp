// The deposit movements list and account statement: the journal rows and unlinked returns of
// a period, and the balances per account and packaging code before it, in it and in total.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0213d.h"
#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"

using namespace kv8test;

namespace {

QDateTime Giorno(int mese, int giorno)
{
    return QDateTime(QDate(2026, mese, giorno), QTime(0, 0));
}

class MovimentiCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped())
            return;
        Movimento(1, "CL", "C001", Giorno(1, 10), 5, 2, {10, 0, 25, 0});
        Movimento(2, "CL", "C001", Giorno(3, 5), 7, 0, {2, 5, 5, 12.5});
        Movimento(3, "CL", "C002", Giorno(1, 20), 8, 0, {4, 0, 1, 0}, QStringLiteral("BOT"));
        Movimento(4, "CL", "C003", Giorno(3, 15), 9, 0, {1, 0, 30, 0}, QStringLiteral("FUS"));
        Movimento(5, "FO", "F001", Giorno(3, 5), 1, 0, {6, 0, 6, 0});
        // returns of C001: unlinked in the period, linked in the period, unlinked before it
        Esegui(QStringLiteral("INSERT INTO LUMO_MovResT (KMovResT, DataReg, IdContoTp, IdConto, IdDestinazione, KDocT, "
                              "FlTipoDocColl) VALUES (1, ?, 'CL', 'C001', 0, 0, 0), (2, ?, 'CL', 'C001', 0, 9, 1), "
                              "(3, ?, 'CL', 'C001', 0, 0, 0)"),
               {Giorno(3, 10), Giorno(3, 11), Giorno(2, 1)});
        Esegui(QStringLiteral("INSERT INTO LUMO_MovResR (KMovResR, KMovResT, IdImballo, QtaRes) VALUES "
                              "(1, 1, 'CAS', 3), (2, 2, 'CAS', 4), (3, 3, 'CAS', 1)"));
    }

    // A journal movement with one row: QtaCar, QtaRes, ValoreCar, ValoreRes.
    void Movimento(int chiave, const char *tipo, const char *conto, const QDateTime &data, int numero, int serie,
                   const QList<double> &v, const QString &imballo = QStringLiteral("CAS"))
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, IdContoTp, IdConto, IdDestinazione, Numero, "
                              "Serie, DataDoc, KDocT) VALUES (?, ?, ?, ?, 1, ?, ?, ?, 0)"),
               {chiave, data, QLatin1String(tipo), QLatin1String(conto), numero, serie, data.addDays(-1)});
        Esegui(
            QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, "
                           "ValoreRes, QtaCarEcc, QtaResEcc) VALUES (?, ?, ?, ?, ?, 2.5, ?, ?, 0, 0)"),
            {chiave, chiave, imballo, v[0], v[1], v[2], v[3]});
    }

    void ApriDialogo(const QVariant &da, const QVariant &a, int tipoStampa)
    {
        d = Apri<TFqarn0213d>(QStringLiteral("QARN0213D"));
        ASSERT_NE(d, nullptr);
        Imposta("DaData", da);
        Imposta("A_Data", a);
        Imposta("IdContoTp", QStringLiteral("CL"));
        Imposta("DaIdConto", QString());
        Imposta("A_IdConto", QString());
        Imposta("FlTipoSta", tipoStampa);
    }

    void Imposta(const char *campo, const QVariant &valore)
    {
        d->tPars->FieldByName(QLatin1String(campo))->SetValue(valore);
    }

    // A balance column of an account and packaging code; NaN when the row is missing.
    double Saldo(const char *conto, const char *imballo, const char *campo)
    {
        d->cdsSaldi->SetFiltered(false);
        if (!d->cdsSaldi->Locate(QStringLiteral("IdContoTp;IdConto;IdImballo"),
                                 QVariantList{QStringLiteral("CL"), QLatin1String(conto), QLatin1String(imballo)}))
            return std::nan("");
        return d->cdsSaldi->FieldByName(QLatin1String(campo))->AsFloat();
    }

    const ReportDocument &Stampa()
    {
        script.ClearMessages();
        d->btEsegui->click();
        ProcessEvents();
        EXPECT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
        EXPECT_TRUE(script.Texts().isEmpty()) << script.LastText().toStdString();
        return capture.Last().Document;
    }

    ReportCapture capture;
    TFqarn0213d *d = nullptr;
};

} // namespace

TEST_F(MovimentiCauzioni, StatementBalancesBeforeInAndOverThePeriod)
{
    ApriDialogo(Giorno(3, 1), Giorno(3, 31), 1);
    ASSERT_NE(d, nullptr);
    const ReportDocument &stampa = Stampa();
    ScriveUnPdf(stampa);
    // C001 CAS: before, 10 loaded and the unlinked return of 1; in the period 2 loaded, 5 + 3 returned
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "qtasal_p"), 9);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "valsal_p"), 25);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "qtasca_a"), 8) << "the linked return is not counted";
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "qtasal_a"), -6);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "valsal_a"), -7.5);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "qtasal_s"), 3);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "valsal_s"), 17.5);
    EXPECT_DOUBLE_EQ(Saldo("C002", "BOT", "qtasal_p"), 4) << "balances before the period only";
    EXPECT_DOUBLE_EQ(Saldo("C002", "BOT", "qtasal_s"), 4);
    EXPECT_TRUE(std::isnan(Saldo("F001", "CAS", "qtasal_s")));

    ASSERT_EQ(stampa.Pages.size(), 2) << "a page per account with rows in the period";
    const ReportPage &prima = stampa.Pages.at(0);
    EXPECT_TRUE(prima.HasText(QStringLiteral("Estratto c/to cauzioni  - Dal 01/03/2026 - al 31/03/2026")));
    EXPECT_EQ(prima.TextsOf(QStringLiteral("fdIdConto")), QStringList{"C001"});
    EXPECT_EQ(prima.TextsOf(QStringLiteral("fdQtaRes")), (QStringList{"5", "3"})) << "the linked return is not listed";
    EXPECT_EQ(prima.TextsOf(QStringLiteral("fdNumero")), QStringList{"7"}) << "the return has no document";
    EXPECT_TRUE(prima.TextsOf(QStringLiteral("lbBarra")).isEmpty()) << "no series, no bar";
    EXPECT_EQ(prima.TextsOf(QStringLiteral("fdqtasal_a")), QStringList{"-6"});
    EXPECT_EQ(prima.TextsOf(QStringLiteral("fdvalsal_a")), QStringList{"-7,50"});
    EXPECT_EQ(prima.TextsOf(QStringLiteral("fdqtasal_s")), QStringList{"3"});
    const ReportPage &seconda = stampa.Pages.at(1);
    EXPECT_EQ(seconda.TextsOf(QStringLiteral("fdIdConto")), QStringList{"C003"});
    EXPECT_EQ(seconda.TextsOf(QStringLiteral("fdSIdImballo")), QStringList{"FUS"}) << "only the account's balances";
}

TEST_F(MovimentiCauzioni, StatementWithoutFirstDateHasNoPreviousPeriod)
{
    ApriDialogo(QVariant(), Giorno(3, 31), 1);
    ASSERT_NE(d, nullptr);
    Stampa();
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "qtasal_p"), 0);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "qtasal_a"), 3);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "qtasal_s"), 3);
    EXPECT_DOUBLE_EQ(Saldo("C001", "CAS", "valsal_a"), Saldo("C001", "CAS", "valsal_s"));
}

TEST_F(MovimentiCauzioni, OpensOnCustomersAndTheListOfMovements)
{
    TXMemTable::ForgetKeptRecords(); // the first opening since the program started
    d = Apri<TFqarn0213d>(QStringLiteral("QARN0213D"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString(), QStringLiteral("CL"));
    EXPECT_FALSE(d->tPars->FieldByName(QStringLiteral("FlTipoSta"))->IsNull());
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("FlTipoSta"))->AsInteger(), 0);
    EXPECT_EQ(d->Control<TDBComboBox>(QStringLiteral("cbIdContoTp"))->currentText(), QStringLiteral("Clienti"));
    EXPECT_EQ(d->Control<TDBComboBox>(QStringLiteral("cbFlTipoSta"))->currentText(), QStringLiteral("Movimenti"));
}

TEST_F(MovimentiCauzioni, ListOfMovementsWithOpenEndAndDateOrder)
{
    ApriDialogo(Giorno(2, 1), QVariant(), 0);
    ASSERT_NE(d, nullptr);
    const ReportDocument &stampa = Stampa();
    ASSERT_EQ(stampa.Pages.size(), 1) << "accounts follow one another";
    const ReportPage &pagina = stampa.Pages.first();
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Movimenti cauzioni  - Dal 01/02/2026")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdConto")), (QStringList{"C001", "C003"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdQtaRes")), (QStringList{"1", "5", "3"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdValoreRes")), QStringList{"12,500"});
    EXPECT_TRUE(pagina.TextsOf(QStringLiteral("fdSIdImballo")).isEmpty()) << "no balances";
    EXPECT_EQ(d->cdsSaldi->Active() ? d->cdsSaldi->RecordCount() : 0, 0);

    // dates in the wrong order: a message and no print
    Imposta("A_Data", Giorno(1, 1));
    script.ClearMessages();
    d->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(script.LastText(), QStringLiteral("Data Iniziale superiore alla data finale"));
}
