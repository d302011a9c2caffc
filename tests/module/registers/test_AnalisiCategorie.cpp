// The wine-category progressives analysis opened from its menu code: the stored stock alone or
// carried forward with the period's litres, the grouping's warehouses, the start left by
// another grouping cleared, the checks and the print.
#include "tests/module/registers/MovimentiRegistro.h"

#include "host/data/TXMemTable.h"
#include "host/report/ReportOutput.h"
#include "host/ui/DBGrid.h"
#include "registers/Qarn0101d.h"
#include "registers/Qarn0103d.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

class AnalisiCategorie : public MovimentiRegistro {
protected:
    void SetUp() override
    {
        MovimentiRegistro::SetUp();
        if (IsSkipped())
            return;
        // Stock at the print of 31 May: red 1000 l, white 50 l.
        Progressivo(1, QStringLiteral("CASC"), QDate(2026, 5, 31), 40);
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_ProgRegCsT (KProgRegT, IdRaggMag, IdCatVin, Esistenza) VALUES (1, 1, 'ROS', 1000)"));
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_ProgRegCsT (KProgRegT, IdRaggMag, IdCatVin, Esistenza) VALUES (2, 1, 'BIA', 50)"));
    }
    TFqarn0103d *Finestra() { return Apri<TFqarn0103d>(QStringLiteral("QARN0103D")); }
    void Imposta(TFqarn0103d *f, const QString &gruppo, int tipo, const QDate &a = QDate())
    {
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), gruppo));
        f->tPars->FieldByName(QStringLiteral("FlTipoRic"))->SetAsInteger(tipo);
        if (a.isValid())
            f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(a);
    }
    static QStringList Risultato()
    {
        return Locale(
            QStringLiteral("SELECT IdCatVin, DsCatVin, EsistenzaIni, CaricoPeriodo, ScaricoPeriodo, EsistenzaFin "
                           "FROM LUMO_t_AnaCsTot ORDER BY IdCatVin"));
    }
};

} // namespace

TEST_F(AnalisiCategorie, TheStoredStockAloneWhateverTheEndDate)
{
    Movimento(1, Giorno(2026, 6, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    TFqarn0103d *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Analisi Progressivi Categorie Vinicole carico / scarico"));
    Imposta(f, QStringLiteral("1"), 0, QDate(2026, 6, 30));
    EXPECT_FALSE(f->Control<QWidget>(QStringLiteral("edA_Data"))->isEnabled()) << "Data Finale only for a date run";
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QDate(2026, 6, 1));
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Risultato(), (QStringList{"BIA/Vino bianco/50/-/-/50", "ROS/Vino rosso/1000/-/-/1000"}));
    EXPECT_EQ(f->Pagina(), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT"), QStringLiteral("Esistenza = 1000")), 1) << "nothing stored";
}

TEST_F(AnalisiCategorie, StockCarriedForwardWithThePeriodLitres)
{
    Movimento(1, Giorno(2026, 5, 31), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 999); // already printed
    Movimento(2, Giorno(2026, 6, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 500);  // bulk: 500 l
    Movimento(3, Giorno(2026, 6, 4), 2, QStringLiteral("SCA"), QStringLiteral("BOTT"), 12);    // 9 l
    Movimento(4, Giorno(2026, 6, 5), 1, QStringLiteral("RES"), QStringLiteral("SFUSO"), 20);   // negative load
    Movimento(5, Giorno(2026, 6, 6), 3, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 700);  // other grouping
    Movimento(6, Giorno(2026, 6, 7), 1, QStringLiteral("CAR"), QStringLiteral("NOBOT"), 6);    // no bottle: 0 l
    Movimento(7, Giorno(2026, 6, 8), 1, QStringLiteral("NOR"), QStringLiteral("SFUSO"), 30);   // not in the register
    Movimento(8, Giorno(2026, 6, 30, 18), 1, QStringLiteral("SCA"), QStringLiteral("SFUSO"),
              80);                                                                          // 18:00 on the last day
    Movimento(9, Giorno(2026, 7, 1), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 1); // after the period
    Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('ROSA', 'Rosato')"));
    Articolo(QStringLiteral("ROSATO"), 4, QStringLiteral(""), QStringLiteral("ROSA"));
    Movimento(10, Giorno(2026, 6, 9), 2, QStringLiteral("CAR"), QStringLiteral("ROSATO"),
              40); // first time in the grouping

    TFqarn0103d *f = Finestra();
    ASSERT_NE(f, nullptr);
    Imposta(f, QStringLiteral("1"), 1, QDate(2026, 6, 30));
    EXPECT_TRUE(f->Control<QWidget>(QStringLiteral("edA_Data"))->isEnabled());
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Risultato(),
              (QStringList{"BIA/Vino bianco/50/0/9/41", "ROS/Vino rosso/1000/480/80/1400", "ROSA/Rosato/-/40/0/40"}));
    EXPECT_EQ(f->Pagina(), 1);

    // The grid: every cell bold, red on even records and blue on odd ones.
    TCellStyle primo, secondo;
    const TColumn &colonna = f->gRisultati->Columns(0);
    f->gRisultati->OnDrawColumnCell(f->gRisultati, TGridRow(f->TTAnaCsTot, 0), colonna, nullptr, primo);
    f->gRisultati->OnDrawColumnCell(f->gRisultati, TGridRow(f->TTAnaCsTot, 1), colonna, nullptr, secondo);
    EXPECT_TRUE(primo.Bold && secondo.Bold);
    EXPECT_EQ(primo.Foreground, QColor(Qt::blue));
    EXPECT_EQ(secondo.Foreground, QColor(Qt::red));

    // The print of the result.
    {
        ReportCapture capture;
        f->btStampa->click();
        ProcessEvents();
        ASSERT_FALSE(capture.Prints().isEmpty());
        const ReportDocument &doc = capture.Last().Document;
        ASSERT_EQ(doc.PageCount(), 1);
        EXPECT_TRUE(doc.Pages[0].HasText(QStringLiteral("Progressivi Categorie Vinicole")));
        EXPECT_TRUE(doc.Pages[0].HasText(QStringLiteral("Stampa fino alla data : 30/06/2026")));
        EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdEsistenzaFin")), (QStringList{"41,00", "1.400,00", "40,00"}));
        EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdEsistenzaIni")), (QStringList{"50,00", "1.000,00"}))
            << "no opening stock for a new category";
    }

    // Printed for real: a PDF.
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    f->btStampa->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);
}

TEST_F(AnalisiCategorie, AGroupingNeverPrintedStartsFromItsFirstMovement)
{
    Movimento(1, Giorno(2026, 1, 10), 3, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 70);
    TFqarn0103d *f = Finestra();
    ASSERT_NE(f, nullptr);
    Imposta(f, QStringLiteral("1"), 1, QDate(2026, 6, 30));
    ASSERT_FALSE(f->tPars->FieldByName(QStringLiteral("DaData"))->IsNull());
    Imposta(f, QStringLiteral("2"), 1, QDate(2026, 6, 30));
    EXPECT_TRUE(f->tPars->FieldByName(QStringLiteral("DaData"))->IsNull()) << "not the start of grouping 1";
    EXPECT_TRUE(f->tPars->FieldByName(QStringLiteral("DataUltSta"))->IsNull());
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Risultato(), QStringList{"ROS/Vino rosso/-/70/0/70"});
}

TEST_F(AnalisiCategorie, ChecksAndNothingToAnalyse)
{
    TFqarn0103d *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("7")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Raggruppamento non trovato")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QString()));
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun Codice di raggruppamento specificato"));
    Imposta(f, QStringLiteral("1"), 1, QDate(2026, 5, 1));
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Data Iniziale superiore alla data finale"));
    EXPECT_EQ(f->Pagina(), 0);

    Imposta(f, QStringLiteral("2"), 0);
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun dato da analizzare"));
    EXPECT_EQ(f->Pagina(), 0);
    EXPECT_TRUE(Risultato().isEmpty());
}

TEST_F(AnalisiCategorie, TheLoadRegisterRunMeanwhileLeavesTheAnalysisAndItsPrintAlone)
{
    Movimento(1, Giorno(2026, 6, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 500);
    Movimento(2, Giorno(2026, 6, 4), 3, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 700); // grouping 2
    TFqarn0103d *f = Finestra();
    ASSERT_NE(f, nullptr);
    Imposta(f, QStringLiteral("1"), 1, QDate(2026, 6, 30));
    f->btEsegui->click();
    ProcessEvents();
    const QStringList analisi{"BIA/Vino bianco/50/-/-/50", "ROS/Vino rosso/1000/500/0/1500"};
    ASSERT_EQ(Risultato(), analisi);

    // the register of grouping 2, a trial print, opened and run meanwhile
    auto *r = Apri<TFqarn0101d>(QStringLiteral("QARN0101D"));
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(Scrivi(r, QStringLiteral("edIdRaggMag"), QStringLiteral("2")));
    r->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(Giorno(2026, 6, 1));
    r->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(Giorno(2026, 6, 30));
    {
        ReportCapture capture;
        r->btEsegui->click();
        ProcessEvents();
        ASSERT_FALSE(capture.Prints().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();
    }
    EXPECT_EQ(Risultato(), analisi);

    ReportCapture capture;
    f->btStampa->click();
    ProcessEvents();
    ASSERT_FALSE(capture.Prints().isEmpty());
    EXPECT_EQ(capture.Last().Document.Pages[0].TextsOf(QStringLiteral("fdEsistenzaFin")),
              (QStringList{"50,00", "1.500,00"}))
        << "the analysis's figures, not the register's";
}
