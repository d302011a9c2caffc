// The module's invoice generation run from its window ("SVEN0007D"): invoices carrying the
// delivery notes' litres and price lists, rows valued by price type, merged deposit summaries
// and moved deposit cards, a negative packaging charge settled, the packaging-expense account
// on the totals; provisional runs writing only local tables, definitive runs all or nothing.
#include "tests/module/generation/GenerazioneFixture.h"

#include "documents/Sven0007d_dm_p.h"
#include "documents/Sven0007d_p.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"

namespace {

class GenerazioneModulo : public GenerazioneFatture {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        Initialize(); // the module's classes in the host's place, as when the program loads it
        Esegui("UPDATE Clienti SET FlRaggFattura = 1");
        Esegui("UPDATE Clienti SET UT_LMQ_FlCauz = 1, UT_LMQ_IdListCau = 'L1', UT_LMQ_ContoCau = '4020' "
               "WHERE IdConto = 'C2'");
        Esegui("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C3', 'Osteria Neri')");
        KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdContoSpeseImballo"), QStringLiteral("R90"));
        // C1's account-total card of the cases
        Esegui("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, FlTipoScheda, IdDestinazione, IdImballo, IdDivisa, "
               "ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, ProgValCarF, ProgValResF, "
               "ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, QtaResEcc, EsiAttEcc) "
               "VALUES ('CL', 'C1', 1, 0, 'CAS', 'EUR', 10, 4, 20, 8, 6, 1, 12, 2, 0, 0, 0, 0, 0, 0, 0)");
        // two notes of C1 and one of C2, with their stored summaries
        Bolla(501, 1, "C1", 18, 0);
        Rigo(501, 1, "V12", 2, 12, 4, 0); // per litre: 24 x 4.00 x 0.75
        Rigo(501, 2, "V06", 3, 6, 10, 1); // per package: 3 x 10.00
        Riepilogo(501, "CAS", 5, 2, 2, 0);
        Riepilogo(501, "BOT", 24, 0, 0.1, 0);
        Bolla(502, 2, "C1", 4.5, 0);
        Rigo(502, 1, "V06", 1, 6, 10, 1);
        Riepilogo(502, "CAS", 1, 3, 2.5, 0);
        Bolla(503, 3, "C2", 9, 0);
        Rigo(503, 1, "V12", 1, 12, 4, 0);
        Riepilogo(503, "CAS", 2, 0, 2, 0);
    }

    void Bolla(qint64 chiave, int numero, const char *cliente, double litri, double speseImballo, int destinazione = 0)
    {
        Esegui(
            "INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
            "IdCliente, IdDestinazione, IdDivisa, Cambio, IdPagamento, SpeseImballo, UT_LMQ_TotLit, UT_LMQ_IdListCau, "
            "UT_LMQ_IdListTra, UT_LMQ_FlAccisa) VALUES (?, 'DDT', 2026, 0, ?, ?, 'CL', ?, ?, 'EUR', 1, '', ?, ?, 'L1', "
            "'T1', 1)",
            {chiave, numero, Giorno(2026, 3, 10 + numero), QLatin1String(cliente), destinazione, speseImballo, litri});
    }
    void Rigo(qint64 bolla, int n, const char *articolo, double colli, double perCollo, double prezzo, int tipoPrezzo,
              double sconto1 = 0, double sconto2 = 0, int forfait = 0)
    {
        Esegui(
            "INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, Descrizione, IdUM, "
            "Lunghezza, Quantita2, Quantita, Prezzo, Sconto1, Sconto2, FlPrezzoForf, UT_LMQ_FlTipoPrz, IdIva, IdConto, "
            "FlGenFattura) VALUES (?, ?, ?, 0, ?, ?, 'BT', ?, ?, ?, ?, ?, ?, ?, ?, '22', 'R01', 0)",
            {bolla * 10 + n, bolla, n * 1024, QLatin1String(articolo), QLatin1String(articolo), colli, perCollo,
             colli * perCollo, prezzo, sconto1, sconto2, forfait, tipoPrezzo});
    }
    void Riepilogo(qint64 bolla, const char *imballo, double car, double res, double prezzo, double esiB,
                   double carEcc = 0, double resEcc = 0)
    {
        Esegui("INSERT INTO LUMO_CauzDocBoll (KMovimento, FlTipoDocColl, KBolleCliT, IdImballo, EsistenzaAtt, "
               "ValoreEsiAtt, EsistenzaB, "
               "ValoreEsiB, EsistenzaF, ValoreEsiF, QtaCar, QtaRes, QtaResPn, KMovResT, Prezzo, ValoreCar, ValoreRes, "
               "QtaCarEcc, QtaResEcc, EsiAttEcc) VALUES (?, 1, ?, ?, 0, 0, ?, ?, 0, 0, ?, ?, 0, 0, ?, ?, ?, ?, ?, 0)",
               {++riepiloghi_, bolla, QLatin1String(imballo), esiB, esiB * prezzo, car, res, prezzo,
                Funzioni::KRound(car * prezzo, 2), Funzioni::KRound(res * prezzo, 2), carEcc, resEcc});
    }

    int riepiloghi_ = 0;

    // The window with the run's parameters of March 2026 under causal FV.
    TFSVen0007d_p *Finestra(int provvisoria, int raggruppamento = 0)
    {
        return FinestraGenerazione(QStringLiteral("FV"), QStringLiteral("DDT"), provvisoria, raggruppamento);
    }
    bool Genera(int provvisoria, int raggruppamento = 0)
    {
        TFSVen0007d_p *g = Finestra(provvisoria, raggruppamento);
        if (!g)
            return false;
        g->btEseguiClick();
        return g->UltimaRiuscita;
    }

    QStringList Locale(const QString &sql)
    {
        QSqlQuery q = DMIDataBases::Instance().Local().OpenQuery(sql);
        QStringList out;
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < q.record().count(); ++i)
                r << q.value(i).toString();
            out << r.join(QLatin1Char('/'));
        }
        return out;
    }
    // Everything of the company a run may write, one text per table.
    QStringList Azienda()
    {
        return {
            Elenco(QStringLiteral("SELECT KFattCliT, IdCliente, SpeseImballo FROM FattureCliTeste ORDER BY KFattCliT"))
                .join(QLatin1Char(';')),
            Elenco(QStringLiteral("SELECT KFattCliR, ImportoLordo FROM FattureCliRighe ORDER BY KFattCliR"))
                .join(QLatin1Char(';')),
            Elenco(QStringLiteral("SELECT KFattCliT, TipoRecord, Progressivo, Codice, Importo1 FROM FattureCliTot "
                                  "ORDER BY KFattCliT, TipoRecord, Progressivo"))
                .join(QLatin1Char(';')),
            Elenco(QStringLiteral(
                       "SELECT KFattCliT, IdImballo, QtaCar FROM LUMO_CauzDocFatt ORDER BY KFattCliT, IdImballo"))
                .join(QLatin1Char(';')),
            Elenco(QStringLiteral(
                       "SELECT IdConto, FlTipoScheda, IdImballo, ProgQtaCar, ProgQtaRes, ProgValCar, ProgQtaCarF "
                       "FROM LUMO_ProgCauz ORDER BY IdConto, FlTipoScheda, IdImballo"))
                .join(QLatin1Char(';')),
            Elenco(QStringLiteral("SELECT KBolleCliR, FlGenFattura FROM BolleCliRighe ORDER BY KBolleCliR"))
                .join(QLatin1Char(';'))};
    }
    // Older invoices' totals records: C1's packaging expense (account set by the run), C3's
    // (no deposit account), C1's without an account, C1's transport.
    void FattureVecchie()
    {
        Esegui("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
               "IdCliente, IdDivisa, Cambio) VALUES (900, 'FV', 2025, 0, 1, ?, 'CL', 'C1', 'EUR', 1), "
               "(901, 'FV', 2025, 0, 2, ?, 'CL', 'C3', 'EUR', 1)",
               {Giorno(2025, 5, 1), Giorno(2025, 5, 2)});
        Esegui(
            "INSERT INTO FattureCliTot (KFattCliT, TipoRecord, Progressivo, Codice, Importo1) VALUES "
            "(900, 'SPI', 1, 'R90', 3), (900, 'SPT', 1, 'R91', 4), (900, 'SPI', 2, '', 5), (901, 'SPI', 1, 'R90', 6)");
    }
    QString Codici()
    {
        return Elenco(QStringLiteral("SELECT KFattCliT, TipoRecord, Progressivo, Codice FROM FattureCliTot "
                                     "WHERE KFattCliT IN (900, 901) ORDER BY KFattCliT, TipoRecord, Progressivo"))
            .join(QLatin1Char(';'));
    }
};

TEST_F(GenerazioneModulo, AProvisionalRunWritesLocallyAndTheDefinitiveOneMergesSummariesAndMovesCards)
{
    FattureVecchie();
    const QStringList prima = Azienda();

    ASSERT_TRUE(Genera(1));
    // the company's tables as they were, but the packaging-expense account on the totals
    EXPECT_EQ(Codici(), QStringLiteral("900/SPI/1/4010;900/SPI/2/;900/SPT/1/R91;901/SPI/1/R90"));
    Esegui("UPDATE FattureCliTot SET Codice = 'R90' WHERE KFattCliT = 900 AND TipoRecord = 'SPI' AND Progressivo = 1");
    EXPECT_EQ(Azienda(), prima);
    // the run's invoices, summaries and cards in the local tables
    EXPECT_EQ(
        Locale(QStringLiteral("SELECT IdCliente, UT_LMQ_TotLit, UT_LMQ_IdListCau, UT_LMQ_IdListTra, UT_LMQ_FlAccisa "
                              "FROM t_FattureCliT ORDER BY IdCliente")),
        (QStringList{"C1/22.5/L1/T1/1", "C2/9/L1/T1/1"}));
    EXPECT_EQ(
        Locale(QStringLiteral("SELECT T.IdCliente, R.IdProdotto, R.Lunghezza, R.ImportoLordo FROM t_FattureCliR R "
                              "JOIN t_FattureCliT T ON T.KFattCliT = R.KFattCliT ORDER BY T.IdCliente, R.NumOrdine")),
        (QStringList{"C1/V12/2/72", "C1/V06/4/40", "C2/V12/1/36"}));
    const QStringList sommari{"C1/BOT/24/0/0.1/2.4/0/0/0", "C1/CAS/6/5/2.5/15/12.5/6/5", "C2/CAS/2/0/2/4/0/0/0"};
    EXPECT_EQ(Locale(QStringLiteral(
                  "SELECT T.IdCliente, S.IdImballo, S.QtaCar, S.QtaRes, S.Prezzo, S.ValoreCar, S.ValoreRes, "
                  "S.EsistenzaAtt, S.EsistenzaF FROM LUMO_t_CauzDocFatt S JOIN t_FattureCliT T "
                  "ON T.KFattCliT = S.KFattCliT ORDER BY T.IdCliente, S.IdImballo")),
              sommari);
    EXPECT_EQ(
        Locale(QStringLiteral("SELECT IdConto, IdImballo, ProgQtaCar, ProgQtaRes, COALESCE(ProgValCar, 0), ProgQtaCarF "
                              "FROM LUMO_t_ProgCauz ORDER BY IdConto, IdImballo")),
        (QStringList{"C1/BOT/24/0/0/24", "C1/CAS/16/9/20/12", "C2/CAS/2/0/0/2"}));

    // the same notes, definitive
    ASSERT_TRUE(Genera(0)) << script.LastText().toStdString();
    EXPECT_EQ(Elenco(QStringLiteral(
                  "SELECT T.IdCliente, S.IdImballo, S.QtaCar, S.QtaRes, S.Prezzo, S.ValoreCar, S.ValoreRes, "
                  "S.EsistenzaAtt, S.EsistenzaF FROM LUMO_CauzDocFatt S JOIN FattureCliTeste T "
                  "ON T.KFattCliT = S.KFattCliT ORDER BY T.IdCliente, S.IdImballo")),
              sommari);
    // each summary is the sum of its notes' loads and returns
    const QString note =
        QStringLiteral("FROM LUMO_CauzDocBoll B WHERE B.IdImballo = S.IdImballo AND B.KBolleCliT IN "
                       "(SELECT R.KBolleCliT FROM BolleCliRighe R JOIN FattureCliRighe F ON F.KFattCliR = "
                       "R.KFatturaR WHERE F.KFattCliT = S.KFattCliT)");
    EXPECT_EQ(Elenco(QStringLiteral("SELECT S.KFattCliT, S.IdImballo FROM LUMO_CauzDocFatt S WHERE S.QtaCar <> (SELECT "
                                    "SUM(B.QtaCar) %1) OR S.QtaRes <> (SELECT SUM(B.QtaRes) %1)")
                         .arg(note)),
              QStringList());
    // the cards moved by exactly those quantities, valued at each note's price
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdConto, IdImballo, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, "
                              "ProgQtaResF FROM LUMO_ProgCauz WHERE FlTipoScheda = 1 ORDER BY IdConto, IdImballo")),
        (QStringList{"C1/BOT/24/0/2.4/0/24/0", "C1/CAS/16/9/32.5/19.5/12/6", "C2/CAS/2/0/4/0/2/0"}));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("FlGenFattura = 0")), 0);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT UT_LMQ_TotLit FROM FattureCliTeste WHERE IdCliente = 'C1' AND Anno = 2026"))
            .toDouble(),
        22.5);

    // a later note of C1 opens at the cards as the run left them
    Bolla(504, 4, "C1", 0, 0);
    Rigo(504, 1, "V06", 1, 6, 10, 1);
    Riepilogo(504, "CAS", 1, 0, 2, 0);
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT S.EsistenzaAtt, S.EsistenzaF FROM LUMO_CauzDocFatt S JOIN FattureCliTeste T ON "
                              "T.KFattCliT = S.KFattCliT JOIN BolleCliRighe R ON R.KFatturaR IN (SELECT KFattCliR FROM "
                              "FattureCliRighe WHERE KFattCliT = T.KFattCliT) WHERE R.KBolleCliT = 504")),
        QStringList{"7/6"});
}

TEST_F(GenerazioneModulo, OnlyThePackagingExpenseRecordsOfCustomersWithADepositAccountChange)
{
    FattureVecchie();
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1"); // nothing to invoice: the account update runs all the same
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(Codici(), QStringLiteral("900/SPI/1/4010;900/SPI/2/;900/SPT/1/R91;901/SPI/1/R90"));
}

TEST_F(GenerazioneModulo, RowsAreValuedByFlatPricePackagePriceLitresDiscountsAndQuantityDetail)
{
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1");
    Bolla(601, 6, "C3", 0, 0);
    Rigo(601, 1, "V06", 3, 6, 50, 1, 0, 0, 1); // flat: 50.00 whatever the quantity
    Rigo(601, 2, "V06", 1, 10, 10, 0, 10, 5);  // 100.00, then 10% and 5%: 85.50
    Rigo(601, 3, "V12", 1, 12, 4, 1);          // per package, per litre article: 4.00
    Rigo(601, 4, "V12", 1, 10, 1, 0);          // detail 5 x 3 + 5 x 4
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 1);
    Esegui("UPDATE Articoli SET FlGesLotti = 1 WHERE IdProdotto = 'V12'");
    Esegui("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KTestaDoc, KRigoDoc, IdLotto, Quantita, Prezzo) "
           "VALUES (9001, 0, 601, 6014, 'L1', 5, 3), (9002, 0, 601, 6014, 'L2', 5, 4)");
    const QStringList attesi{"1/50/50", "2/100/85.5", "3/4/4", "4/35/35"};
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Locale(QStringLiteral(
                  "SELECT NumOrdine / 1024, ImportoLordo, ImportoNetto FROM t_FattureCliR ORDER BY NumOrdine")),
              attesi);
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(Elenco(QStringLiteral(
                  "SELECT NumOrdine / 1024, ImportoLordo, ImportoNetto FROM FattureCliRighe ORDER BY NumOrdine")),
              attesi);
}

TEST_F(GenerazioneModulo, TheSixAmountsOfARowTakeRowHeadAndPaymentDiscountsInTurn)
{
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1");
    Bolla(611, 11, "C3", 0, 0);
    Esegui("UPDATE BolleCliTeste SET Sconto1 = 10, ScontoPagamento = 2 WHERE KBolleCliT = 611");
    Rigo(611, 1, "V06", 1, 10, 10, 0, 5); // 100.00, 95.00 net of the row's 5%, then 10% and 2%
    Rigo(611, 2, "V12", 2, 12, 4, 0);     // per litre: 24 x 4.00 x 0.75, no row discount
    const QString sql = QStringLiteral("SELECT NumOrdine / 1024, ImportoLordo, ImportoNetto, ImportoNN, ControvaloreL, "
                                       "ControvaloreN, ControvaloreNN FROM %1 ORDER BY NumOrdine");
    const QStringList attesi{"1/100/95/83.79/100/95/83.79", "2/72/72/63.5/72/72/63.5"};
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Locale(sql.arg(QStringLiteral("t_FattureCliR"))), attesi);
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(Elenco(sql.arg(QStringLiteral("FattureCliRighe"))), attesi);
}

// Rows of two notes joined into one invoice row add up their litres and transport amounts; the
// module's other row columns keep the first row's.
TEST_F(GenerazioneModulo, AJoinedRowAddsUpLitresAndTransportAmountsAndKeepsTheFirstRowsOtherColumns)
{
    Esegui("UPDATE BolleCliRighe SET UT_LMQ_TotLit = 13.5, UT_LMQ_PrezzoTra = 0.5, UT_LMQ_PrezzoTraN = 1.5, "
           "UT_LMQ_IdImballo1 = 'CAS' WHERE KBolleCliR = 5012");
    Esegui("UPDATE BolleCliRighe SET UT_LMQ_TotLit = 4.5, UT_LMQ_PrezzoTra = 0.7, UT_LMQ_PrezzoTraN = 0.75, "
           "UT_LMQ_IdImballo1 = 'CRT' WHERE KBolleCliR = 5021");
    const QString sql = QStringLiteral("SELECT R.Lunghezza, R.UT_LMQ_TotLit, R.UT_LMQ_PrezzoTraN, R.UT_LMQ_PrezzoTra, "
                                       "R.UT_LMQ_IdImballo1 FROM %1 R JOIN %2 T ON T.KFattCliT = R.KFattCliT WHERE "
                                       "T.IdCliente = 'C1' AND R.IdProdotto = 'V06'");
    const QStringList attesi{"4/18/2.25/0.5/CAS"};
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Locale(sql.arg(QStringLiteral("t_FattureCliR"), QStringLiteral("t_FattureCliT"))), attesi);
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(Elenco(sql.arg(QStringLiteral("FattureCliRighe"), QStringLiteral("FattureCliTeste"))), attesi);
}

// Litres added note by note in the run's order, whichever invoice comes next: the same double
// the heads had when each note was added on its own.
TEST_F(GenerazioneModulo, EachInvoiceCarriesTheLitresOfItsOwnNotesAddedInTheirOrder)
{
    Esegui("UPDATE Clienti SET FlRaggFattura = 1 WHERE IdConto = 'C3'");
    Bolla(504, 4, "C1", 0.1, 0);
    Rigo(504, 1, "V06", 1, 6, 10, 1);
    Bolla(505, 5, "C2", 0.2, 0);
    Rigo(505, 1, "V06", 1, 6, 10, 1);
    for (int n = 6; n <= 8; ++n) {
        Bolla(500 + n, n, "C3", 0.1 * (n - 5), 0);
        Rigo(500 + n, 1, "V06", 1, 6, 10, 1);
    }
    const double terza = 0.1 * 3; // as the note stores it
    const QList<double> perCliente{(18 + 4.5) + 0.1, 9 + 0.2, (0.1 + 0.2) + terza};
    const auto litri = [this](bool locale, const QString &ordine) {
        const QString sql =
            QStringLiteral("SELECT UT_LMQ_TotLit FROM %1 ORDER BY %2")
                .arg(locale ? QStringLiteral("t_FattureCliT") : QStringLiteral("FattureCliTeste"), ordine);
        QList<double> valori;
        for (const QString &v : locale ? Locale(sql) : Elenco(sql))
            valori << v.toDouble();
        return valori;
    };
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(litri(true, QStringLiteral("IdCliente")), perCliente);
    // one invoice per note: each its own note's litres
    ASSERT_TRUE(Genera(1, 1));
    EXPECT_EQ(litri(true, QStringLiteral("IdCliente, Numero")), (QList<double>{18, 4.5, 0.1, 9, 0.2, 0.1, 0.2, terza}));
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(litri(false, QStringLiteral("IdCliente")), perCliente);
}

// One invoice per note: a customer's notes in a row make as many summaries, never merged
// across invoices, each opening at the card as the invoices before it left it.
TEST_F(GenerazioneModulo, SummariesOfConsecutiveInvoicesOfOneCustomerStayApart)
{
    const QString sql =
        QStringLiteral("SELECT T.Numero, S.IdImballo, S.QtaCar, S.QtaRes, S.Prezzo, S.ValoreCar, S.ValoreRes, "
                       "S.EsistenzaAtt, S.EsistenzaF FROM %1 S JOIN %2 T ON T.KFattCliT = S.KFattCliT "
                       "ORDER BY T.Numero, S.IdImballo");
    const QStringList attesi{"1/BOT/24/0/0.1/2.4/0/0/0", "1/CAS/5/2/2/10/4/6/5", "2/CAS/1/3/2.5/2.5/7.5/9/8",
                             "3/CAS/2/0/2/4/0/0/0"};
    ASSERT_TRUE(Genera(1, 1));
    EXPECT_EQ(Locale(sql.arg(QStringLiteral("LUMO_t_CauzDocFatt"), QStringLiteral("t_FattureCliT"))), attesi);
    ASSERT_TRUE(Genera(0, 1));
    EXPECT_EQ(Elenco(sql.arg(QStringLiteral("LUMO_CauzDocFatt"), QStringLiteral("FattureCliTeste"))), attesi);
}

TEST_F(GenerazioneModulo, ANegativePackagingChargeIsZeroedOrCreditedAsTheCausalSays)
{
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1");
    Bolla(701, 7, "C3", 0, -5);
    Rigo(701, 1, "V06", 1, 6, 10, 1);
    const auto spese = [this](bool locale) {
        const QString sql = QStringLiteral("SELECT T.SpeseImballo, T.TotDocumento FROM %1 T WHERE T.IdCliente = 'C3'")
                                .arg(locale ? QStringLiteral("t_FattureCliT") : QStringLiteral("FattureCliTeste"));
        return locale ? Locale(sql) : Elenco(sql);
    };
    // kept when the causal says so
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(spese(true), QStringList{"-5/6.1"});
    // asked: Yes credits it, No zeroes it with the totals redone
    Esegui("UPDATE CausaliFattCli SET UT_FlValCauNeg = 2");
    TDMIBase::Crea()->Rileggi(QStringLiteral("CausaliFattCli"));
    script.Yes();
    ASSERT_TRUE(Genera(1));
    EXPECT_TRUE(script.LastText().startsWith(QStringLiteral("Attenzione Valore Cauzione Negativa\r\n<Documento : ")))
        << script.LastText().toStdString();
    EXPECT_TRUE(script.LastText().endsWith(QStringLiteral("<Cliente   : C3>\r\n<Importo   : -5>. Accredito ?")));
    EXPECT_EQ(spese(true), QStringList{"-5/6.1"});
    script.No();
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(spese(true), QStringList{"0/12.2"});
    // zeroed without asking in a definitive run
    Esegui("UPDATE CausaliFattCli SET UT_FlValCauNeg = 1");
    TDMIBase::Crea()->Rileggi(QStringLiteral("CausaliFattCli"));
    const int domande = script.Texts().size();
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(script.Texts().size(), domande);
    EXPECT_EQ(spese(false), QStringList{"0/12.2"});
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTot"), QStringLiteral("TipoRecord = 'SPI'")), 0);
}

TEST_F(GenerazioneModulo, AZeroedInvoiceOfOneNoteKeepsTheNotesDeadlinesAndTakesTheDifferenceOnTheFirst)
{
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1");
    Esegui("UPDATE CausaliFattCli SET UT_FlValCauNeg = 1");
    Bolla(801, 8, "C3", 0, -5);
    Rigo(801, 1, "V06", 1, 6, 10, 1);
    // the note's stored deadline: its total of 6.10 on the 20th
    Esegui("INSERT INTO BolleCliTot (KBolleCliT, TipoRecord, Progressivo, Codice, DataInizio, Importo1, Importo2) "
           "VALUES (801, 'SCA', 1, '', ?, 6.1, 6.1)",
           {Giorno(2026, 3, 20)});
    TFSVen0007d_p *g = Finestra(0);
    ASSERT_NE(g, nullptr);
    g->btEseguiClick();
    // a notice, not an error: the run is committed
    ASSERT_TRUE(g->UltimaRiuscita);
    bool avviso = false;
    for (g->tMessaggi->First(); !g->tMessaggi->Eof(); g->tMessaggi->Next())
        avviso = avviso
                 || g->tMessaggi->FieldByName(QStringLiteral("Messaggio"))
                        ->AsString()
                        .contains(QStringLiteral("Il totale del documento è diverso rispetto al ddt di origine"));
    EXPECT_TRUE(avviso);
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT T.SpeseImballo, T.TotDocumento FROM FattureCliTeste T WHERE T.IdCliente = 'C3'")),
        QStringList{"0/12.2"});
    // one instalment, on the note's date, taking the difference of 6.10
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT S.Importo1 FROM FattureCliTot S JOIN FattureCliTeste T ON T.KFattCliT = "
                              "S.KFattCliT WHERE T.IdCliente = 'C3' AND S.TipoRecord = 'SCA' AND S.DataInizio < ?"),
               {Giorno(2026, 3, 25)}),
        QStringList{"12.2"});
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTot"), QStringLiteral("TipoRecord = 'SCA'")), 1);
}

TEST_F(GenerazioneModulo, BalancesFollowTheCausalFlagsAcrossInvoicesOfOneRun)
{
    // one invoice per note; the causal moves no general card
    Esegui("UPDATE CausaliFattCli SET UT_LMQ_FlAggCau = 0");
    ASSERT_TRUE(Genera(1, 1));
    EXPECT_EQ(Locale(QStringLiteral("SELECT S.QtaCar, S.EsistenzaAtt, S.ValoreEsiAtt FROM LUMO_t_CauzDocFatt S JOIN "
                                    "t_FattureCliT T ON T.KFattCliT = S.KFattCliT WHERE S.IdImballo = 'CAS' "
                                    "ORDER BY T.IdCliente, T.KFattCliT")),
              (QStringList{"5/3/6", "1/8/17", "2/-2/-4"}))
        << "each note lowers the opening balance by its loads, raises it by its returns";

    // the causal moves the general card: the second invoice opens at the first one's quantities, not values
    Esegui("UPDATE CausaliFattCli SET UT_LMQ_FlAggCau = 1");
    TDMIBase::Crea()->Rileggi(QStringLiteral("CausaliFattCli"));
    ASSERT_TRUE(Genera(1, 1));
    EXPECT_EQ(Locale(QStringLiteral("SELECT S.EsistenzaAtt, S.ValoreEsiAtt FROM LUMO_t_CauzDocFatt S JOIN "
                                    "t_FattureCliT T ON T.KFattCliT = S.KFattCliT WHERE S.IdImballo = 'CAS' AND "
                                    "T.IdCliente = 'C1' ORDER BY T.KFattCliT")),
              (QStringList{"6/12", "9/12"}));
}

TEST_F(GenerazioneModulo, ACustomerWithCardsPerDestinationUsesThemOnlyWhenInvoicesFollowTheDestination)
{
    Esegui("UPDATE Clienti SET UT_LMQ_FlCauDes = 1 WHERE IdConto = 'C1'");
    Esegui("UPDATE BolleCliTeste SET IdDestinazione = 3 WHERE IdCliente = 'C1'");
    const QString sql = QStringLiteral("SELECT IdConto, FlTipoScheda, IdDestinazione, IdImballo, ProgQtaCar FROM "
                                       "LUMO_t_ProgCauz WHERE IdImballo = 'CAS' ORDER BY IdConto");
    // by customer and destination: the card of the destination, new
    ASSERT_TRUE(Genera(1, 2));
    EXPECT_EQ(Locale(sql), (QStringList{"C1/0/3/CAS/6", "C2/1/0/CAS/2"}));
    // by customer and causal: the account total, opened at the stored card
    ASSERT_TRUE(Genera(1, 5));
    EXPECT_EQ(Locale(sql), (QStringList{"C1/1/0/CAS/16", "C2/1/0/CAS/2"}));
    // definitive by destination: the stored cards of the destination and the account total move
    ASSERT_TRUE(Genera(0, 2));
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT FlTipoScheda, IdDestinazione, ProgQtaCar, ProgQtaRes FROM LUMO_ProgCauz WHERE "
                              "IdConto = 'C1' AND IdImballo = 'CAS' ORDER BY FlTipoScheda")),
        (QStringList{"0/3/6/5", "1/0/16/9"}));
}

TEST_F(GenerazioneModulo, WithExcessManagementAJoinedRowCarriesTheNotesExcessSummed)
{
    Parametri("FlGestEcc = 1");
    Esegui("UPDATE LUMO_CauzDocBoll SET QtaCarEcc = 1, QtaResEcc = 2, ValoreCar = 7 WHERE KBolleCliT = 501 AND "
           "IdImballo = 'CAS'");
    Esegui("UPDATE LUMO_CauzDocBoll SET QtaCarEcc = 0, QtaResEcc = 3, ValoreCar = 1 WHERE KBolleCliT = 502");
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Locale(QStringLiteral("SELECT S.QtaCar, S.QtaCarEcc, S.QtaResEcc, S.ValoreCar FROM LUMO_t_CauzDocFatt S "
                                    "JOIN t_FattureCliT T ON T.KFattCliT = S.KFattCliT WHERE S.IdImballo = 'CAS' "
                                    "ORDER BY T.IdCliente")),
              (QStringList{"6/1/5/8", "2/0/0/4"}));
}

TEST_F(GenerazioneModulo, NoSummaryWithoutDepositsOrForACustomerWithoutThem)
{
    Esegui("UPDATE Clienti SET UT_LMQ_FlCauz = 0 WHERE IdConto = 'C2'");
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Locale(QStringLiteral("SELECT DISTINCT T.IdCliente FROM LUMO_t_CauzDocFatt S JOIN t_FattureCliT T "
                                    "ON T.KFattCliT = S.KFattCliT")),
              QStringList{"C1"});
    Parametri("FlAbilCauz = 0");
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocFatt")), 0);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 2);
}

TEST_F(GenerazioneModulo, ARunReplacesOnlyItsOwnLocalSummariesAndTheyOutliveAnInvoiceOpenedLater)
{
    ASSERT_TRUE(Genera(1));
    // an invoice being edited keeps its working copy there
    DMIDataBases::Instance().Local().ExecSQL(QStringLiteral(
        "INSERT INTO LUMO_t_CauzDocFatt (KFattCliT, IdImballo, QtaCar, Stato) VALUES (77, 'CAS', 9, 1)"));
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Locale(QStringLiteral("SELECT COUNT(*) FROM LUMO_t_CauzDocFatt WHERE KFattCliT <> 77")),
              QStringList{"3"});
    EXPECT_EQ(Locale(QStringLiteral("SELECT QtaCar FROM LUMO_t_CauzDocFatt WHERE KFattCliT = 77")), QStringList{"9"});
    TFSVen0008f_p *f = NuovaFattura();
    ASSERT_NE(f, nullptr);
    Chiudi(f);
    EXPECT_EQ(Locale(QStringLiteral("SELECT COUNT(*) FROM LUMO_t_CauzDocFatt WHERE KFattCliT <> 77")),
              QStringList{"3"});
}

// Failures injected at the points a definitive run may fail.
class GenerazioneGuasta : public TfSVen0007d_DM_p {
    Q_OBJECT
public:
    using TfSVen0007d_DM_p::TfSVen0007d_DM_p;
    static inline QString Punto;

    bool GeneraRighe(bool raggruppa, int progressivo) override
    {
        if (Punto == QLatin1String("righe") && progressivo == 2)
            throw Exception(QStringLiteral("Guasto righe"));
        return TfSVen0007d_DM_p::GeneraRighe(raggruppa, progressivo);
    }
    void UT_LMQ_AggiornaCasCauDoc(TDataSet *destinazione) override
    {
        TfSVen0007d_DM_p::UT_LMQ_AggiornaCasCauDoc(destinazione);
        if (Punto == QLatin1String("schede") && ++unione_ == 2)
            throw Exception(QStringLiteral("Guasto schede"));
    }
    void SistemaCauzioneNegativa(const TFatturaGenerata &fattura) override
    {
        if (Punto == QLatin1String("finale"))
            throw Exception(QStringLiteral("Guasto finale"));
        TfSVen0007d_DM_p::SistemaCauzioneNegativa(fattura);
    }
    void InternalGenerazioneFatture() override
    {
        if (Punto == QLatin1String("conto"))
            qUT_ContoCauz->SQL = {QStringLiteral("UPDATE TabellaAssente SET Codice = ''")};
        TfSVen0007d_DM_p::InternalGenerazioneFatture();
    }

private:
    int unione_ = 0;
};

TEST_F(GenerazioneModulo, AFailureAnywhereInADefinitiveRunLeavesTheCompanyAsItWas)
{
    FattureVecchie();
    const QStringList prima = Azienda();
    Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TfSVen0007d_DM"), ClassRef::Of<GenerazioneGuasta>());
    script.AllowUnusedAnswers();
    for (const char *punto : {"righe", "schede", "finale", "conto"}) {
        GenerazioneGuasta::Punto = QLatin1String(punto);
        TFSVen0007d_p *g = Finestra(0);
        ASSERT_NE(g, nullptr);
        g->btEseguiClick();
        EXPECT_FALSE(g->UltimaRiuscita) << punto;
        EXPECT_EQ(Azienda(), prima) << punto;
        EXPECT_TRUE(
            script.LastText().startsWith(QStringLiteral("Errore in generazione fatture, nessuna fattura registrata")))
            << punto << script.LastText().toStdString();
        if (GenerazioneGuasta::Punto == QLatin1String("schede")) { // the join error names the note it came from
            EXPECT_TRUE(g->tMessaggi->Locate(QStringLiteral("Messaggio"),
                                             QStringLiteral("DDT DDT-2 del 12/03/2026: Guasto schede")));
        }
    }
    Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TfSVen0007d_DM"), ClassRef::Of<TfSVen0007d_DM_p>());
    GenerazioneGuasta::Punto.clear();
}

TEST_F(GenerazioneModulo, AFailedRunLeavesLocallyTheCardsMovedUpToTheFailure)
{
    const QString sql =
        QStringLiteral("SELECT IdConto, IdImballo, ProgQtaCar, ProgQtaRes, ProgQtaCarF FROM LUMO_t_ProgCauz "
                       "ORDER BY IdConto, IdImballo");
    Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TfSVen0007d_DM"), ClassRef::Of<GenerazioneGuasta>());
    script.AllowUnusedAnswers();
    // the second merge fails after moving C1's cards by both notes: the company keeps nothing,
    // the local cards keep the moves made before the failure, none of the notes not reached
    GenerazioneGuasta::Punto = QStringLiteral("schede");
    TFSVen0007d_p *g = Finestra(0);
    ASSERT_NE(g, nullptr);
    g->btEseguiClick();
    EXPECT_FALSE(g->UltimaRiuscita);
    EXPECT_EQ(Locale(sql), (QStringList{"C1/BOT/24/0/24", "C1/CAS/16/9/12"}));
    // a later run starts from the stored cards again
    Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TfSVen0007d_DM"), ClassRef::Of<TfSVen0007d_DM_p>());
    GenerazioneGuasta::Punto.clear();
    ASSERT_TRUE(Genera(1));
    EXPECT_EQ(Locale(sql), (QStringList{"C1/BOT/24/0/24", "C1/CAS/16/9/12", "C2/CAS/2/0/2"}));
}

TEST_F(GenerazioneModulo, TheWindowOpensOnItsMessagesAndAFreshOneAfterClosing)
{
    auto *g = Apri<TFSVen0007d_p>(QStringLiteral("SVEN0007D"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(FSVen0007d_p, g);
    EXPECT_EQ(g->windowTitle(), QStringLiteral("Generazione Fatture (*)"));
    EXPECT_EQ(g->Pagina(), 1);
    EXPECT_EQ(g->tsPagina2->objectName(), QStringLiteral("tsPagina2"));
    EXPECT_EQ(g->ActiveControl(), g->Errori);
    g->Close();
    kv8test::ProcessEvents();
    EXPECT_EQ(FSVen0007d_p, nullptr);
    auto *h = Apri<TFSVen0007d_p>(QStringLiteral("SVEN0007D"));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(FSVen0007d_p, h);
    EXPECT_EQ(h->Pagina(), 1);
}

} // namespace

#include "test_GenerazioneModulo.moc"
