// The annual stock-declaration balance opened from its menu code: the default period, the
// carry-over of the previous year, the litres per category and causal, the print, and the
// definitive update stored whole or not at all, once per year and grouping.
#include "tests/module/registers/MovimentiRegistro.h"

#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"
#include "registers/Qarn0105d.h"
#include "tests/support/DueUtenti.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

#include <functional>

using namespace kv8test;

namespace {

const QString Conferma = QStringLiteral("Conferma aggiornamento progressivi Bilancio annuale");

class BilancioAnnuale : public MovimentiRegistro {
protected:
    void SetUp() override
    {
        MovimentiRegistro::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        // The balance of 2024: red closed at 100 l, white at 20 l.
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_PrBilDicGiaT (KContaT, Anno, IdRaggMag, IdCatVin, EsistenzaIni, EsistenzaFin) "
            "VALUES (801, 2024, 1, 'ROS', 0, 100)"));
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_PrBilDicGiaT (KContaT, Anno, IdRaggMag, IdCatVin, EsistenzaIni, EsistenzaFin) "
            "VALUES (802, 2024, 1, 'BIA', 0, 20)"));
    }
    TFqarn0105d *Finestra() { return Apri<TFqarn0105d>(QStringLiteral("QARN0105D")); }
    // A whole run for grouping 1 over the period given: its printed document.
    ReportCapture::Print Esegui(const QDate &da, const QDate &a, bool definitiva)
    {
        TFqarn0105d *f = Finestra();
        if (!f)
            return {};
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
        f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(da);
        f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(a);
        f->tPars->FieldByName(QStringLiteral("FlDefinitiva"))->SetAsInteger(definitiva ? 1 : 0);
        ReportCapture capture;
        f->btEsegui->click();
        ProcessEvents();
        return capture.Prints().isEmpty() ? ReportCapture::Print{} : capture.Last();
    }
    using MovimentiRegistro::Esegui;

    void MovimentiDelPeriodo()
    {
        Movimento(1, Giorno(2025, 8, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 500);  // bulk: 500 l
        Movimento(2, Giorno(2025, 9, 4), 2, QStringLiteral("SCA"), QStringLiteral("BOTT"), 12);    // 9 l
        Movimento(3, Giorno(2025, 10, 5), 1, QStringLiteral("RES"), QStringLiteral("SFUSO"), 20);  // negative load
        Movimento(4, Giorno(2025, 11, 6), 3, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 700); // other grouping
        Movimento(5, Giorno(2025, 12, 7), 1, QStringLiteral("CAR"), QStringLiteral("NOBOT"), 6);   // no bottle: 0 l
        Movimento(6, Giorno(2026, 1, 8), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 30);
        Movimento(7, Giorno(2026, 7, 31, 18), 1, QStringLiteral("SCA"), QStringLiteral("SFUSO"), 80); // last day, 18:00
        Movimento(8, Giorno(2026, 8, 1), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 1);       // next period
    }
    static QStringList Teste()
    {
        return Locale(
            QStringLiteral("SELECT Anno, IdCatVin, DsCatVin, EsistenzaIni, EsistenzaFin FROM LUMO_t_StBiAnDiGiT "
                           "ORDER BY IdCatVin"));
    }
    static QStringList Causali()
    {
        return Locale(
            QStringLiteral("SELECT IdCatVin, IdCausale, DsCausale, CaricoLitri, ScaricoLitri FROM LUMO_t_StBiAnDiGiR "
                           "ORDER BY IdCatVin, IdCausale"));
    }
    QStringList Archivio(int anno)
    {
        return Elenco(
            QStringLiteral(
                "SELECT T.IdCatVin, T.EsistenzaIni, T.EsistenzaFin, R.IdCausale, R.CaricoLitri, R.ScaricoLitri "
                "FROM LUMO_PrBilDicGiaT T LEFT JOIN LUMO_PrBilDicGiaR R ON R.KContaT = T.KContaT "
                "WHERE T.Anno = ? ORDER BY T.IdCatVin, R.IdCausale"),
            {anno});
    }
};

} // namespace

TEST_F(BilancioAnnuale, TheDefaultPeriodFollowsTheFirstMonth)
{
    CFG.Anno = 2025;
    TFqarn0105d *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Stampa Bilancio Annuale x Denuncia Giacenze"));
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QDate(2024, 8, 1));
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime().date(), QDate(2025, 7, 31));
    f->close();
    ProcessEvents();

    Parametri(1, 13);
    f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->tPars->FieldByName(QStringLiteral("DaData"))->IsNull()) << "no invalid date";
    EXPECT_TRUE(f->tPars->FieldByName(QStringLiteral("A_Data"))->IsNull());
}

TEST_F(BilancioAnnuale, CarryOverAndLitresByCategoryAndCausal)
{
    MovimentiDelPeriodo();
    Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('SPU', 'Spumante')"));
    Esegui(
        QStringLiteral("INSERT INTO LUMO_PrBilDicGiaT (KContaT, Anno, IdRaggMag, IdCatVin, EsistenzaIni, EsistenzaFin) "
                       "VALUES (803, 2024, 1, 'SPU', 0, 7)")); // no movement this year
    const ReportCapture::Print stampa = Esegui(QDate(2025, 8, 1), QDate(2026, 7, 31), false);
    EXPECT_EQ(Teste(), (QStringList{"2025/BIA/Vino bianco/20/11", "2025/ROS/Vino rosso/100/530", "2025/SPU//7/7"}))
        << "the description only where a movement was met";
    EXPECT_EQ(Causali(), (QStringList{"BIA/CAR/Causale CAR/0/0", "BIA/SCA/Causale SCA/0/9", "ROS/CAR/Causale CAR/530/0",
                                      "ROS/RES/Causale RES/-20/0", "ROS/SCA/Causale SCA/0/80"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("Anno = 2025")), 0)
        << "a trial run stores nothing";

    const ReportDocument &doc = stampa.Document;
    ASSERT_FALSE(doc.Pages.isEmpty());
    const ReportPage &p = doc.Pages[0];
    EXPECT_TRUE(p.HasText(QStringLiteral("DATI PER BILANCIO ANNUO - DICHIARAZIONE GIACENZE")));
    EXPECT_TRUE(p.HasText(QStringLiteral("RIEPILOGO MOVIMENTI")));
    EXPECT_TRUE(p.HasText(QStringLiteral("Periodo :  Dal 01/08/2025 Al 31/07/2026")));
    EXPECT_TRUE(p.HasText(QStringLiteral("Giacenza al 01/08/2025")));
    EXPECT_TRUE(p.HasText(QStringLiteral("Giacenze Contabili al 31/07/2026")));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdIdCatVin")), (QStringList{"BIA", "ROS", "SPU"}));
    EXPECT_EQ(p.TextsOf(QStringLiteral("smCarico")), QStringList{"510,00"})
        << "the causal totals of each category, blank when zero";
    EXPECT_EQ(p.TextsOf(QStringLiteral("smScarico")), (QStringList{"9,00", "80,00"}));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdEsistenzaFin")), (QStringList{"11,00", "530,00", "7,00"}));

    // Printed for real: a PDF.
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    TFqarn0105d *f = Finestra();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
    f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDate(2025, 8, 1));
    f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDate(2026, 7, 31));
    f->btEsegui->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);
}

TEST_F(BilancioAnnuale, ADefinitiveRunIsStoredOnceAndOpensTheNextYear)
{
    MovimentiDelPeriodo();
    script.Yes(Conferma);
    Esegui(QDate(2025, 8, 1), QDate(2026, 7, 31), true);
    EXPECT_EQ(Archivio(2025), (QStringList{"BIA/20/11/CAR/0/0", "BIA/20/11/SCA/0/9", "ROS/100/530/CAR/530/0",
                                           "ROS/100/530/RES/-20/0", "ROS/100/530/SCA/0/80"}))
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(LeggiProgressivo(1, QStringLiteral("BIAN")), QStringLiteral("01/08/2025/0"))
        << "the first day of the period";

    // The same year again: printed, neither asked nor stored.
    script.ClearMessages();
    Esegui(QDate(2025, 8, 1), QDate(2026, 7, 31), true);
    EXPECT_FALSE(script.Shown(Conferma));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("Anno = 2025")), 2);

    // The next year opens from what was stored.
    script.No(Conferma);
    Esegui(QDate(2026, 8, 1), QDate(2027, 7, 31), true);
    EXPECT_TRUE(script.Shown(Conferma));
    EXPECT_EQ(Teste(), (QStringList{"2026/BIA//11/11", "2026/ROS/Vino rosso/530/531"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("Anno = 2026")), 0) << "No stores nothing";
    EXPECT_EQ(LeggiProgressivo(1, QStringLiteral("BIAN")), QStringLiteral("01/08/2025/0"));
}

TEST_F(BilancioAnnuale, ASecondBalanceOfAYearIsRefused)
{
    MovimentiDelPeriodo();
    // Heads of 2025 kept by hand, with no progressive telling of them.
    Esegui(
        QStringLiteral("INSERT INTO LUMO_PrBilDicGiaT (KContaT, Anno, IdRaggMag, IdCatVin, EsistenzaIni, EsistenzaFin) "
                       "VALUES (901, 2025, 1, 'ROS', 100, 999)"));
    script.Yes(Conferma);
    Esegui(QDate(2025, 8, 1), QDate(2026, 7, 31), true);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il bilancio annuale 2025 del raggruppamento 1 è già registrato: "
                                            "correggerlo dai progressivi del bilancio annuale.")))
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("Anno = 2025")), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("EsistenzaFin = 999")), 1)
        << "the stored one stands";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaR")), 0);
    EXPECT_TRUE(LeggiProgressivo(1, QStringLiteral("BIAN")).isEmpty());
}

TEST_F(BilancioAnnuale, AFailedUpdateLeavesNothingWritten)
{
    MovimentiDelPeriodo();
    ASSERT_TRUE(GuastaProgressivi());
    script.Yes(Conferma);
    Esegui(QDate(2025, 8, 1), QDate(2026, 7, 31), true);
    EXPECT_NE(script.LastText(), Conferma) << "the error is shown";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("Anno = 2025")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaR")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegistri")), 0);
}

TEST_F(BilancioAnnuale, AnotherUserStoringTheSameGroupingFirstIsRefused)
{
    MovimentiDelPeriodo();
    std::unique_ptr<TXDatabase> altro = company.Db().Connect(QStringLiteral("AltroUtente"));
    script.Yes(Conferma);
    PrimaDellaDomanda intanto(&script, Conferma, [&] {
        altro->ExecSQL(QStringLiteral("INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) "
                                      "VALUES (1, 'BIAN', ?, 0)"),
                       {Giorno(2025, 8, 1)});
    });
    Esegui(QDate(2025, 8, 1), QDate(2026, 7, 31), true);
    EXPECT_TRUE(script.Shown(QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa")));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("Anno = 2025")), 0);
}

TEST_F(BilancioAnnuale, ChecksOfTheRun)
{
    TFqarn0105d *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("7")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Raggruppamento non trovato")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QString()));
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun Codice di raggruppamento specificato"));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("2")));
    f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDate(2025, 8, 1));
    f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDate(2025, 7, 1));
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Data Iniziale superiore alla data finale"));
    ProcessEvents();
    EXPECT_EQ(main->ChildCount(), 1);

    f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDate(2026, 7, 31));
    f->tPars->FieldByName(QStringLiteral("FlDefinitiva"))->SetAsInteger(0);
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun movimento da stampare nel periodo selezionato"));
    EXPECT_EQ(main->ChildCount(), 0) << "the dialog closes";
}

// A user's definitive balance of 2025 for grouping 1.
KV8_LAVORO_UTENTE(BilancioAnnuale, BilancioAnnualeDefinitivo)
{
    script.Yes(Conferma);
    script.AllowUnusedAnswers(); // not asked when the other user has stored the year already
    TFqarn0105d *f = Finestra();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
    f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDateTime(QDate(2025, 8, 1), QTime(0, 0)));
    f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDateTime(QDate(2026, 7, 31), QTime(0, 0)));
    f->tPars->FieldByName(QStringLiteral("FlDefinitiva"))->SetAsInteger(1);
    ReportCapture capture;
    kv8test::AttendiVia();
    f->btEsegui->click();
    ProcessEvents();
    kv8test::NotaUtente(script.Texts());
}

TEST_F(BilancioAnnuale, TwoUsersStoringTheSameYearStoreItOnce)
{
    MovimentiDelPeriodo();
    const QString aggiornato = QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa");
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        Esegui(QStringLiteral("DELETE FROM LUMO_ProgRegistri"));
        Esegui(QStringLiteral("DELETE FROM LUMO_PrBilDicGiaR"));
        Esegui(QStringLiteral("DELETE FROM LUMO_PrBilDicGiaT WHERE Anno = 2025"));
        const auto utenti = kv8test::DueUtenti(QStringLiteral("BilancioAnnualeDefinitivo"), company.Db().Url(), avvio,
                                               QStringLiteral("registro"));
        // a user who started after the other had stored is not asked at all
        int registrato = 0;
        for (const kv8test::Utente &u : utenti) {
            ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
            if (u.Messaggi.contains(Conferma) && !u.Messaggi.contains(aggiornato))
                ++registrato;
        }
        EXPECT_EQ(registrato, 1) << utenti[0].Messaggi.join(QLatin1Char('|')).toStdString() << "\n"
                                 << utenti[1].Messaggi.join(QLatin1Char('|')).toStdString();
        if (avvio == kv8test::Avvio::PrimoInPausa) {
            EXPECT_TRUE(utenti[0].Fermato);
            EXPECT_TRUE(utenti[1].Messaggi.contains(aggiornato));
        }
        EXPECT_EQ(Archivio(2025), (QStringList{"BIA/20/11/CAR/0/0", "BIA/20/11/SCA/0/9", "ROS/100/530/CAR/530/0",
                                               "ROS/100/530/RES/-20/0", "ROS/100/530/SCA/0/80"}));
        EXPECT_EQ(LeggiProgressivo(1, QStringLiteral("BIAN")), QStringLiteral("01/08/2025/0"));
    });
}
