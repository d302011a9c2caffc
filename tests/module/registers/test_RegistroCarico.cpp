// The load/unload register opened from its menu code: the numbering from the stored
// progressive, the litres of each movement, the grouping's warehouses, the print, and the
// definitive update stored whole or not at all; the register progressives window.
#include "tests/module/registers/RegistriFixture.h"

#include "frame/Dmilumo.h"
#include "host/core/Applvar.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/report/ReportOutput.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0100f.h"
#include "registers/Qarn0101d.h"
#include "tests/support/DueUtenti.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

using namespace kv8test;

namespace {

const QString Conferma = QStringLiteral("Conferma aggiornamento definitivo dei dati stampati ");
const QString Nessuno = QStringLiteral("Nessun movimento da stampare nel periodo selezionato");

class RegistroCarico : public EsercizioRegistri {
protected:
    void SetUp() override
    {
        EsercizioRegistri::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Parametri(1);
        GruppoCantina();
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('ROS', 'Vino rosso')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('BIA', 'Vino bianco')"));
        Articolo(QStringLiteral("SFUSO"), 4, QStringLiteral("B75"), QStringLiteral("ROS"));
        Articolo(QStringLiteral("BOTT"), 0, QStringLiteral("B75"), QStringLiteral("BIA"));
        Articolo(QStringLiteral("NOBOT"), 0, QStringLiteral(""), QStringLiteral("BIA"));
        Causale(QStringLiteral("CAR"), 0, 0);
        Causale(QStringLiteral("RES"), 0, 1);
        Causale(QStringLiteral("SCA"), 1, 0);
        Causale(QStringLiteral("ALT"), 2, 0);
        Esegui(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegCs) VALUES ('NOR', 'Fuori registro', 0)"));
        Esegui(QStringLiteral("INSERT INTO Clienti (IdConto, RagioneSociale) VALUES ('C1', 'Enoteca Rossi')"));
    }
    void Parametri(int flStaRegCs)
    {
        Esegui(QStringLiteral("DELETE FROM LUMO_Parametri"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlStaRegCs) VALUES ('1', ?)"), {flStaRegCs});
        if (DMILUMO)
            DMILUMO->lkLUMO_Parametri->Close();
    }
    void Articolo(const QString &codice, int tipo, const QString &bottiglia, const QString &categoria)
    {
        Esegui(
            QStringLiteral(
                "INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_FlTipArt, UT_LMQ_IdBottiglia, UT_LMQ_IdCatVin) "
                "VALUES (?, ?, ?, ?, ?)"),
            {codice, QStringLiteral("Articolo ") + codice, tipo, bottiglia, categoria});
    }
    void Causale(const QString &codice, int carSca, int segno)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegCs, UT_LMQ_FlCarSca, UT_LMQ_FlSegno) "
                   "VALUES (?, ?, 1, ?, ?)"),
               {codice, QStringLiteral("Causale ") + codice, carSca, segno});
    }
    void Movimento(int chiave, const QDateTime &data, int magazzino, const QString &causale, const QString &articolo,
                   double quantita, const QString &conto = QString())
    {
        Esegui(QStringLiteral(
                   "INSERT INTO MovMagazzino (KMovMag, DataMovimento, DataDocumento, RifDocumento, IdCausale, "
                   "IdMagazzino1, IdProdotto, Quantita, IdContoTp, IdConto) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {chiave, data, data, QStringLiteral("DOC%1").arg(chiave), causale, magazzino, articolo, quantita,
                conto.isEmpty() ? QStringLiteral("") : QStringLiteral("CL"),
                conto.isEmpty() ? QStringLiteral("") : conto});
    }
    static QDateTime Giorno(int mese, int giorno, int ora = 0)
    {
        return QDateTime(QDate(2026, mese, giorno), QTime(ora, 0));
    }

    TFqarn0101d *Apri() { return MasterDettaglio::Apri<TFqarn0101d>(QStringLiteral("QARN0101D")); }
    // The grouping typed as the user does, then the period.
    void Imposta(TFqarn0101d *f, const QDate &da, const QDate &a, bool definitiva, bool lotti = false)
    {
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
        if (da.isValid())
            f->tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(da);
        f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(a);
        f->tPars->FieldByName(QStringLiteral("FlDefinitiva"))->SetAsInteger(definitiva ? 1 : 0);
        f->tPars->FieldByName(QStringLiteral("FlLotti"))->SetAsInteger(lotti ? 1 : 0);
    }
    // A whole run of the register: its printed document (null pages when nothing printed).
    ReportCapture::Print Esegui(const QDate &da, const QDate &a, bool definitiva, bool lotti = false)
    {
        TFqarn0101d *f = Apri();
        if (!f)
            return {};
        Imposta(f, da, a, definitiva, lotti);
        ReportCapture capture;
        f->btEsegui->click();
        ProcessEvents();
        return capture.Prints().isEmpty() ? ReportCapture::Print{} : capture.Last();
    }
    using MasterDettaglio::Esegui;

    static QStringList Righe()
    {
        return Locale(QStringLiteral(
            "SELECT NumeroRiga, Kmovmag, CaricoLitri, ScaricoLitri FROM LUMO_t_RegCs ORDER BY NumeroRiga"));
    }
    QString Progressivo() { return ProgressivoSalvato(QStringLiteral("CASC")); }
};

} // namespace

TEST_F(RegistroCarico, LitresNumberingAndWarehousesOfTheGrouping)
{
    Movimento(10, Giorno(3, 2), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 500);  // bulk: 500 l
    Movimento(11, Giorno(3, 2), 2, QStringLiteral("SCA"), QStringLiteral("BOTT"), 12);    // 12 x 0,75 = 9 l
    Movimento(12, Giorno(3, 3), 3, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 1000); // outside the grouping
    Movimento(13, Giorno(3, 4), 1, QStringLiteral("RES"), QStringLiteral("SFUSO"), 20);   // load with sign 1
    Movimento(14, Giorno(3, 5), 1, QStringLiteral("CAR"), QStringLiteral("NOBOT"), 6);    // no bottle: 0 l
    Movimento(15, Giorno(3, 6), 1, QStringLiteral("ALT"), QStringLiteral("SFUSO"), 7);    // no column
    Movimento(16, Giorno(3, 6), 1, QStringLiteral("NOR"), QStringLiteral("SFUSO"), 7);    // causal not in the register
    Movimento(9, Giorno(3, 31, 18), 2, QStringLiteral("CAR"), QStringLiteral("BOTT"), 4,
              QStringLiteral("C1")); // 18:00 on the last day

    const ReportCapture::Print stampa = Esegui(QDate(2026, 3, 1), QDate(2026, 3, 31), false);
    EXPECT_EQ(Righe(), (QStringList{"1/10/500/-", "2/11/-/9", "3/13/-20/-", "4/14/0/-", "5/15/-/-", "6/9/3/-"}));
    EXPECT_EQ(
        Locale(QStringLiteral("SELECT EsistenzaIni, CaricoPeriodo, ScaricoPeriodo, EsistenzaFin FROM LUMO_t_RegCsTot "
                              "ORDER BY IdCatVin")),
        (QStringList{"-/3/9/-6", "-/480/0/480"}))
        << "BIA then ROS: new categories with no opening stock";
    EXPECT_EQ(Locale(QStringLiteral("SELECT COUNT(*) FROM LUMO_t_RegCs WHERE RagioneSociale = 'Enoteca Rossi'")),
              QStringList{"1"});
    EXPECT_FALSE(stampa.Document.Pages.isEmpty());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT")), 0) << "a trial print stores nothing";
    EXPECT_TRUE(Progressivo().isEmpty());
}

TEST_F(RegistroCarico, AYearsRunMovesItsBarThroughTheMovementsWithItsButtonsGreyedAndNumbersEveryRowInOrder)
{
    // a year of movements at every hour, two of every three in the grouping, written a hundred
    // to a statement
    const int quanti = 3900;
    QList<QPair<QDateTime, int>> attesi;
    for (int da = 1; da <= quanti; da += 100) {
        QStringList righe;
        QVariantList valori;
        for (int k = da; k < da + 100 && k <= quanti; ++k) {
            const QDateTime quando(QDate(2026, 1, 1).addDays(k * 7919 % 365), QTime(k % 24, k % 60, k % 60));
            const int magazzino = k % 3 + 1;
            righe << QStringLiteral("(?, ?, ?, 'CAR', ?, 'SFUSO', 1)");
            valori << k << quando << quando << magazzino;
            if (magazzino != 3)
                attesi.append({quando, k});
        }
        Esegui(
            QStringLiteral("INSERT INTO MovMagazzino (KMovMag, DataMovimento, DataDocumento, IdCausale, IdMagazzino1, "
                           "IdProdotto, Quantita) VALUES ")
                + righe.join(QStringLiteral(", ")),
            valori);
    }
    std::sort(attesi.begin(), attesi.end());

    // a step of the bar at most every 500 movements, as a larger company's year at its bound
    const QScopedValueRollback<qint64> perTratto(UT_LMQ_RG_MovimentiPerTratto, 500);
    TFqarn0101d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QDate(2026, 1, 1), QDate(2026, 12, 31), false);
    QProgressBar *barra = main->Window()->findChild<QProgressBar *>(QStringLiteral("ProgressBar"));
    ASSERT_NE(barra, nullptr);
    QList<int> visti;
    int massimo = 0;
    bool pulsantiAttivi = false, nascosta = false;
    QPointer<TFqarn0101d> finestra(f);
    QObject::connect(barra, &QProgressBar::valueChanged, barra, [&](int valore) {
        if (valore < 0 || !finestra || barra->maximum() == 0
            || main->Window()->ProgressCaption() != QStringLiteral("Elaborazione movimenti in corso.."))
            return; // the bar reset at its end, or another phase's
        visti << valore;
        massimo = barra->maximum();
        pulsantiAttivi = pulsantiAttivi || finestra->btEsegui->isEnabled() || finestra->btChiudi->isEnabled();
        nascosta = nascosta || !finestra->updatesEnabled()
                   || !finestra->Control<QWidget>(QStringLiteral("edIdRaggMag"))->isVisibleTo(finestra);
    });
    ReportCapture capture;
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(massimo, quanti) << "the bar counts through the period's movements";
    ASSERT_FALSE(visti.isEmpty());
    EXPECT_EQ(visti.last(), massimo) << "and ends full";
    EXPECT_GE(QSet<int>(visti.cbegin(), visti.cend()).size(), 4) << "moving through the run";
    EXPECT_TRUE(std::is_sorted(visti.cbegin(), visti.cend()));
    for (qsizetype i = 1; i < visti.size(); ++i)
        EXPECT_LE(visti[i] - visti[i - 1], 500) << "a stretch of whole days holds the bound's movements at most";
    EXPECT_FALSE(pulsantiAttivi) << "Esegui and Chiudi greyed while it runs";
    EXPECT_FALSE(nascosta) << "the window shown as it was";
    EXPECT_FALSE(main->Window()->ProgressActive()) << "the bar closed at the end";

    QStringList numerate, ordine;
    for (qsizetype i = 0; i < attesi.size(); ++i)
        ordine << QStringLiteral("%1/%2").arg(i + 1).arg(attesi[i].second);
    for (const QString &r : Locale(QStringLiteral("SELECT NumeroRiga, Kmovmag FROM LUMO_t_RegCs ORDER BY NumeroRiga")))
        numerate << r;
    EXPECT_EQ(numerate, ordine) << "every row once, numbered in date and movement order";
}

TEST_F(RegistroCarico, EqualDatesAreNumberedByMovement)
{
    Movimento(30, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 3);
    Movimento(20, Giorno(4, 2), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 2);
    Movimento(25, Giorno(4, 1), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 1);
    Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_EQ(Righe(), (QStringList{"1/25/1/-", "2/20/2/-", "3/30/3/-"}));
}

// Stamped by SQL with a fraction of a second, as another program or the server's clock writes
// them: the last second of the period's last day is in the period, the next day is not.
TEST_F(RegistroCarico, AMovementInTheLastSecondOfTheDayIsInTheRegister)
{
    Movimento(40, Giorno(4, 30, 12), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 1);
    Movimento(41, Giorno(4, 30), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 2);
    Movimento(42, Giorno(5, 1), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 4);
    Esegui(QStringLiteral("UPDATE MovMagazzino SET DataMovimento = '2026-04-30 23:59:59.750' WHERE KMovMag = 41"));
    Esegui(QStringLiteral("UPDATE MovMagazzino SET DataMovimento = '2026-05-01 00:00:00.000' WHERE KMovMag = 42"));

    Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    EXPECT_EQ(Righe(), (QStringList{"1/40/1/-", "2/41/2/-"}));
    EXPECT_EQ(Locale(QStringLiteral("SELECT CaricoPeriodo, EsistenzaFin FROM LUMO_t_RegCsTot")), QStringList{"3/3"});

    Esegui(QDate(2026, 5, 1), QDate(2026, 5, 31), false);
    EXPECT_EQ(Righe(), (QStringList{"1/42/4/-"}));
}

TEST_F(RegistroCarico, TwoDefinitivePrintsContinueNumberingStockAndYear)
{
    Esegui(
        QStringLiteral(
            "INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) VALUES (1, 'CASC', ?, 120)"),
        {Giorno(3, 31)});
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    for (int i = 0; i < 29; ++i)
        Movimento(100 + i, Giorno(4, 10), 2, QStringLiteral("SCA"), QStringLiteral("BOTT"), 4); // 3 l each
    Movimento(2, Giorno(5, 2), 1, QStringLiteral("SCA"), QStringLiteral("SFUSO"), 40);

    TFqarn0101d *f = Apri();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QDate(2026, 4, 1));
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("UltNumRiga"))->AsInteger(), 120);
    f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDate(2026, 4, 30));
    f->tPars->FieldByName(QStringLiteral("FlDefinitiva"))->SetAsInteger(1);
    script.Yes(Conferma);
    {
        ReportCapture capture;
        f->btEsegui->click();
        ProcessEvents();
    }
    EXPECT_EQ(Righe().first(), QStringLiteral("121/1/100/-"));
    EXPECT_EQ(Righe().last(), QStringLiteral("150/128/-/3"));
    EXPECT_EQ(Progressivo(), QStringLiteral("30/04/150"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdCatVin, Esistenza FROM LUMO_ProgRegCsT ORDER BY IdCatVin")),
              (QStringList{"BIA/-87", "ROS/100"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT T.IdCatVin, R.Anno, R.ProgCarico, R.ProgScarico FROM LUMO_ProgRegCsR R "
                                    "JOIN LUMO_ProgRegCsT T ON T.KProgRegT = R.KProgRegT ORDER BY T.IdCatVin")),
              (QStringList{"BIA/2026/0/87", "ROS/2026/100/0"}));

    // May continues from the stored date and row, on the stored stock.
    script.Yes(Conferma);
    Esegui(QDate(), QDate(2026, 5, 31), true);
    EXPECT_EQ(Righe(), QStringList{"151/2/-/40"});
    EXPECT_EQ(Progressivo(), QStringLiteral("31/05/151"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdCatVin, Esistenza FROM LUMO_ProgRegCsT ORDER BY IdCatVin")),
              (QStringList{"BIA/-87", "ROS/60"}));
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT T.IdCatVin, R.ProgCarico, R.ProgScarico, T.DataUltAgg FROM LUMO_ProgRegCsR R "
                              "JOIN LUMO_ProgRegCsT T ON T.KProgRegT = R.KProgRegT ORDER BY T.IdCatVin"))
            .size(),
        2);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT R.ProgScarico FROM LUMO_ProgRegCsR R JOIN LUMO_ProgRegCsT T "
                                    "ON T.KProgRegT = R.KProgRegT WHERE T.IdCatVin = 'ROS'")),
              QStringList{"40"});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT"), QStringLiteral("DataUltAgg IS NULL")), 0);
}

TEST_F(RegistroCarico, EachProgramRunKeepsItsOwnWorkRows)
{
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    Movimento(2, Giorno(4, 9), 1, QStringLiteral("SCA"), QStringLiteral("SFUSO"), 40);

    // another program at the same time: its work tables beside the same company (on PostgreSQL
    // a second connection to it, whose temporary tables are its own; else a local file of its own)
    QTemporaryDir cartella;
    const QString altro = QStringLiteral("AltroProgramma");
    DMIDataBases::Instance().Open(altro,
                                  company.Database().IsPostgres()
                                      ? company.Database().Url()
                                      : QStringLiteral("sqlite:") + cartella.filePath(QStringLiteral("altro.db")));
    struct Chiudi {
        QString nome;
        ~Chiudi() { DMIDataBases::Instance().Close(nome); }
    } chiudi{altro};
    TXTable suoi;
    suoi.SetDatabaseName(altro);
    suoi.SetTableName(QStringLiteral("LUMO_t_RegCs"));
    suoi.SetUsaDizionario(true);
    Funzioni::PulisciTabella(&suoi);
    suoi.Open();
    suoi.Append();
    suoi.FieldByName(QStringLiteral("Kmovmag"))->SetAsInteger(999);
    suoi.FieldByName(QStringLiteral("NumeroRiga"))->SetAsInteger(7);
    suoi.Post();
    suoi.Close();
    const auto righeAltro = [&] {
        QStringList out;
        for (QSqlQuery q = DMIDataBases::Instance().Database(altro).OpenQuery(
                 QStringLiteral("SELECT NumeroRiga, Kmovmag FROM LUMO_t_RegCs ORDER BY NumeroRiga"));
             q.next();)
            out << q.value(0).toString() + u'/' + q.value(1).toString();
        return out;
    };

    // the trial print, then the definitive one, in this program run
    Esegui(QDate(2026, 4, 1), QDate(2026, 4, 5), false);
    EXPECT_EQ(Righe(), QStringList{"1/1/100/-"});
    script.Yes(Conferma);
    Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    EXPECT_EQ(Righe(), (QStringList{"1/1/100/-", "2/2/-/40"})) << "the trial's rows replaced, not added to";
    EXPECT_EQ(Progressivo(), QStringLiteral("30/04/2"));
    EXPECT_EQ(Locale(QStringLiteral("SELECT IdCatVin, CaricoPeriodo, ScaricoPeriodo FROM LUMO_t_RegCsTot")),
              QStringList{"ROS/100/40"});

    EXPECT_EQ(righeAltro(), QStringList{"7/999"}) << "the other program's rows untouched and unseen";
    EXPECT_EQ(Locale(QStringLiteral("SELECT COUNT(*) FROM LUMO_t_RegCs WHERE Kmovmag = 999")), QStringList{"0"});
    suoi.EmptyTable();
    EXPECT_TRUE(righeAltro().isEmpty());
    EXPECT_EQ(Righe().size(), 2) << "emptied in the other program only";
}

TEST_F(RegistroCarico, NoStoresNothingAndNoMovementsPrintNothing)
{
    Movimento(1, Giorno(6, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    script.No(Conferma);
    Esegui(QDate(2026, 6, 1), QDate(2026, 6, 30), true);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegistri")), 0);

    const ReportCapture::Print vuota = Esegui(QDate(2026, 7, 1), QDate(2026, 7, 31), true);
    EXPECT_TRUE(script.Shown(Nessuno));
    EXPECT_TRUE(vuota.Document.Pages.isEmpty());
    EXPECT_EQ(main->ChildCount(), 0) << "the dialog closes";
}

TEST_F(RegistroCarico, RunChecksLeaveTheDialogOpen)
{
    TFqarn0101d *f = Apri();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("7")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Raggruppamento non trovato")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QString()));
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun Codice di raggruppamento specificato"));
    Imposta(f, QDate(2026, 12, 1), QDate(2027, 1, 31), false);
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Anno data inizio / fine non coerente con esercizio in uso"));
    Imposta(f, QDate(2026, 5, 1), QDate(2026, 4, 1), false);
    f->btEsegui->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Data Iniziale superiore alla data finale"));
    ProcessEvents();
    EXPECT_EQ(main->ChildCount(), 1);
    EXPECT_TRUE(f->btEsegui->isEnabled() && f->btChiudi->isEnabled())
        << "a refused run leaves the buttons as they were";
}

TEST_F(RegistroCarico, ARunEndingInAnErrorGivesTheButtonsBackAndClosesItsBar)
{
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    TFqarn0101d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    Esegui(QStringLiteral("DROP TABLE LUMO_CatVin")); // the register's reading fails
    f->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.Messages().first().Type, mtError);
    EXPECT_EQ(main->ChildCount(), 1);
    EXPECT_TRUE(f->btEsegui->isEnabled() && f->btChiudi->isEnabled());
    EXPECT_FALSE(main->Window()->ProgressActive());
    EXPECT_TRUE(f->Close()) << "the failed run no longer holds the dialog";
}

TEST_F(RegistroCarico, AnOverlappingDefinitivePrintIsNotStored)
{
    Esegui(
        QStringLiteral(
            "INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) VALUES (1, 'CASC', ?, 5)"),
        {Giorno(3, 31)});
    Movimento(1, Giorno(3, 20), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    const ReportCapture::Print stampa = Esegui(QDate(2026, 3, 1), QDate(2026, 4, 30), true);
    EXPECT_FALSE(stampa.Document.Pages.isEmpty()) << "printed as asked";
    EXPECT_TRUE(script.Shown(QStringLiteral("Data iniziale non valida")));
    EXPECT_EQ(Progressivo(), QStringLiteral("31/03/5"));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT")), 0);
}

TEST_F(RegistroCarico, ADateWarningPutsTheFocusBackOnTheDate)
{
    Esegui(
        QStringLiteral(
            "INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) VALUES (1, 'CASC', ?, 5)"),
        {Giorno(3, 31)});
    TFqarn0101d *f = Apri();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
    auto *da = f->Control<TDBEdit>(QStringLiteral("edDaData"));
    auto *a = f->Control<TDBEdit>(QStringLiteral("edA_Data"));
    // a date typed, then Tab to the next one
    const auto digita = [](TDBEdit *edit, const QString &testo, QWidget *poi) {
        Focus(edit);
        edit->selectAll();
        TypeText(edit, testo);
        FocusNext(poi);
    };
    digita(da, QStringLiteral("15/03/2026"), a);
    EXPECT_EQ(script.LastText(), QStringLiteral("Data iniziale non valida"));
    EXPECT_EQ(QApplication::focusWidget(), da) << "back on the start date";
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QDate(2026, 3, 15))
        << "a warning only";

    script.ClearMessages();
    digita(da, QStringLiteral("01/04/2026"), a);
    EXPECT_TRUE(script.Texts().isEmpty());
    digita(a, QStringLiteral("20/03/2026"), da);
    EXPECT_EQ(script.LastText(), QStringLiteral("Data finale non corretta"));
    EXPECT_EQ(QApplication::focusWidget(), a) << "back on the end date";
}

TEST_F(RegistroCarico, AFailedUpdateLeavesNothingWritten)
{
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    // The progressive's row cannot be written: the last step of the update fails.
    ASSERT_TRUE(GuastaProgressivi());
    script.Yes(Conferma);
    Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    EXPECT_NE(script.LastText(), Conferma) << "the error is shown";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT")), 0) << "stock rolled back with the progressive";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsR")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegistri")), 0);
}

TEST_F(RegistroCarico, AnotherUserStoringTheSameGroupingFirstIsRefused)
{
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    std::unique_ptr<TXDatabase> altro = company.Db().Connect(QStringLiteral("AltroUtente"));
    script.Yes(Conferma);
    PrimaDellaDomanda intanto(&script, Conferma, [&] {
        altro->ExecSQL(QStringLiteral("INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) "
                                      "VALUES (1, 'CASC', ?, 9)"),
                       {Giorno(4, 30)});
    });
    Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    EXPECT_TRUE(script.Shown(QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa")));
    EXPECT_EQ(Progressivo(), QStringLiteral("30/04/9")) << "the other user's print stands";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT")), 0);
}

TEST_F(RegistroCarico, TheDialogStaysOpenWhileItsRunWaitsAndClosesAfter)
{
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 100);
    script.No(Conferma);
    bool chiusa = true;
    PrimaDellaDomanda intanto(&script, Conferma, [&] {
        ASSERT_FALSE(Fqarn0101d.isNull());
        chiusa = Fqarn0101d->Close();
    });
    Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    EXPECT_FALSE(chiusa) << "a close asked during the run is refused";
    EXPECT_EQ(main->ChildCount(), 0) << "the run over, the dialog closes itself";
    EXPECT_TRUE(Progressivo().isEmpty());
}

TEST_F(RegistroCarico, ThePrintShowsRowsTotalsLotsAndCategories)
{
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("BOTT"), 120); // 90 l
    Movimento(2, Giorno(4, 4), 2, QStringLiteral("SCA"), QStringLiteral("SFUSO"), 25.5);
    Esegui(QStringLiteral("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KRigoDoc, IdLotto, Quantita) VALUES (1, "
                          "99, 1, 'L24A', 100)"));
    Esegui(QStringLiteral("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KRigoDoc, IdLotto, Quantita) VALUES (2, "
                          "99, 1, 'L24B', 20)"));

    const ReportCapture::Print conLotti = Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false, true);
    const ReportDocument &doc = conLotti.Document;
    ASSERT_EQ(doc.PageCount(), 2) << "the category table on its own page";
    const ReportPage &p1 = doc.Pages[0];
    EXPECT_TRUE(p1.HasText(QStringLiteral("Registro di Carico / Scarico Prodotti Vinosi")));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDaData")).value(0), QStringLiteral("01/04/2026"));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdNumeroRiga")), (QStringList{"1", "2"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdLotto")), (QStringList{"L24A", "L24B"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdQtaLitri")), (QStringList{"75,00", "15,00"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("smCarico")), QStringList{"90,00"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("smScarico")), QStringList{"25,50"});
    EXPECT_TRUE(p1.HasText(QStringLiteral("Totali")));
    const ReportPage &p2 = doc.Pages[1];
    EXPECT_TRUE(p2.HasText(QStringLiteral("Esis.Attuale")));
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdEsistenzaFin")), (QStringList{"90,00", "-25,50"}));
    EXPECT_TRUE(p2.TextsOf(QStringLiteral("fdNumeroRiga")).isEmpty());

    const ReportCapture::Print senzaLotti = Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false, false);
    EXPECT_TRUE(senzaLotti.Document.Pages[0].TextsOf(QStringLiteral("fdIdLotto")).isEmpty());
}

TEST_F(RegistroCarico, TheDotMatrixRegisterAndThePdf)
{
    Parametri(2);
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("BOTT"), 120);
    const ReportCapture::Print testo = Esegui(QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    ASSERT_TRUE(testo.IsText);
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("Registro di Carico / Scarico Prodotti Vinosi")));
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("Pag.    1")));
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("Pag.    2"))) << "the category table after a page break";
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("Esis.Attuale")));
    EXPECT_TRUE(testo.Text.contains(QStringLiteral("90,00")));

    Parametri(1);
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    TFqarn0101d *f = Apri();
    ASSERT_NE(f, nullptr);
    Imposta(f, QDate(2026, 4, 1), QDate(2026, 4, 30), false);
    f->btEsegui->click();
    ProcessEvents();
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 1);
}

TEST_F(RegistroCarico, TheProgressivesWindowShowsTheStoredRows)
{
    Esegui(
        QStringLiteral(
            "INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) VALUES (1, 'CASC', ?, 120)"),
        {Giorno(3, 31)});
    Parametri(0);
    auto *f = MasterDettaglio::Apri<TFqarn0100f>(QStringLiteral("QARN0100F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdRegistro"))->AsString(), QStringLiteral("CASC"));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("_DsRaggMag"))->AsString(), QStringLiteral("Cantina"));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("UltNumRiga"))->AsInteger(), 120);
}

// A user's definitive print of April for grouping 1.
KV8_LAVORO_UTENTE(RegistroCarico, RegistroCaricoDefinitivo)
{
    script.Yes(Conferma);
    script.AllowUnusedAnswers(); // refused before the question when the other user has stored already
    TFqarn0101d *f = Apri();
    ASSERT_TRUE(f);
    Imposta(f, QDate(2026, 4, 1), QDate(2026, 4, 30), true);
    ReportCapture capture;
    kv8test::AttendiVia();
    f->btEsegui->click();
    ProcessEvents();
    kv8test::NotaUtente(script.Texts());
}

TEST_F(RegistroCarico, TwoUsersPrintingTheSameGroupingDefinitivelyStoreItOnce)
{
    Movimento(1, Giorno(4, 3), 1, QStringLiteral("CAR"), QStringLiteral("SFUSO"), 1800);
    Movimento(2, Giorno(4, 9), 2, QStringLiteral("SCA"), QStringLiteral("SFUSO"), 200);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        for (const char *t : {"LUMO_ProgRegistri", "LUMO_ProgRegCsR", "LUMO_ProgRegCsT"})
            Esegui(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        const auto utenti = kv8test::DueUtenti(QStringLiteral("RegistroCaricoDefinitivo"), company.Db().Url(), avvio,
                                               QStringLiteral("registro"));
        kv8test::UnoRifiutato(utenti, avvio,
                              {QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa"),
                               QStringLiteral("Data iniziale non valida")});
        EXPECT_EQ(Progressivo(), QStringLiteral("30/04/2"));
        EXPECT_EQ(Elenco(QStringLiteral("SELECT T.IdCatVin, T.Esistenza, R.Anno, R.ProgCarico, R.ProgScarico "
                                        "FROM LUMO_ProgRegCsT T JOIN LUMO_ProgRegCsR R ON R.KProgRegT = T.KProgRegT")),
                  QStringList{QStringLiteral("ROS/1600/2026/1800/200")});
    });
}
