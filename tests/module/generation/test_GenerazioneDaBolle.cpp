// The invoice generation fed with delivery notes the user saved through the module's delivery-note
// window: notes on the first and the last day of the run's range joined into one invoice whose
// joined row adds up packages, quantity and litres, amounts rounded to the cents, and the deposit
// loads and returns of the notes reaching the general, delivery-note and invoice sets of the cards;
// a run with nothing left to invoice says so, and two users running it at once invoice each note once;
// notes put on an invoice with its row command give the generation's invoice.
#include "tests/module/generation/GenerazioneFixture.h"

#include "documents/Sven0007d_p.h"
#include "host/data/TXMemTable.h"
#include "tests/support/DueUtenti.h"

namespace {

class GenerazioneDaBolle : public GenerazioneFatture {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Esegui("UPDATE Clienti SET FlRaggFattura = 1 WHERE IdConto = 'C1'");
        // notes moving the general and the delivery-note sets; a deferred invoice moving the invoice set only
        CausaleBollaCauzioni();
        Esegui("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
               "IdCausaleMaga, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggMovC) "
               "VALUES ('FW', 'Fattura differita', 0, 0, 1, '', 1, 0, 1, 0)");
    }

    // A note of customer C1 typed and saved by the user: packages of an article at a price, the
    // cases returned on its deposit tab (none when negative). Answers its key.
    qint64 Nota(const QString &data, const QString &articolo, const QString &colli, const QString &prezzo,
                double resi = -1)
    {
        return NotaSalvata(QStringLiteral("DV"), data, [&](TFSVen0001f_p *f) {
            RigoConfezioni(f, articolo, colli, prezzo);
            if (resi >= 0)
                ResiCasse(f, resi);
        });
    }

    // The generation window with its parameters of March 2026 under causal FW.
    TFSVen0007d_p *Finestra(int provvisoria, int raggruppamento = 0)
    {
        return FinestraGenerazione(QStringLiteral("FW"), QStringLiteral("DV"), provvisoria, raggruppamento);
    }
    // The generation window run over March 2026 under causal FW.
    bool Genera(int provvisoria)
    {
        TFSVen0007d_p *g = Finestra(provvisoria);
        if (!g)
            return false;
        g->btEseguiClick();
        return g->UltimaRiuscita;
    }

    // "packaging/general loaded/returned/notes loaded/returned/invoices loaded/returned" of C1's
    // account-total cards.
    QStringList Schede()
    {
        return Elenco(QStringLiteral("SELECT IdImballo, ProgQtaCar, ProgQtaRes, ProgQtaCarB, ProgQtaResB, ProgQtaCarF, "
                                     "ProgQtaResF FROM LUMO_ProgCauz WHERE IdConto = 'C1' AND FlTipoScheda = 1 "
                                     "ORDER BY IdImballo"));
    }
};

TEST_F(GenerazioneDaBolle, NotesOnTheFirstAndLastDayJoinWithTheirLitresAmountsAndDeposits)
{
    // outside the range: the day before and the day after
    ASSERT_NE(Nota(QStringLiteral("28/02/2026"), QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("10")), 0);
    ASSERT_NE(Nota(QStringLiteral("01/04/2026"), QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("10")), 0);
    // the range's first and last day: 3 and 1 cases of 12 bottles of 0.75 l priced per litre
    // at 3.333; 2 cases returned on the second
    const qint64 prima =
        Nota(QStringLiteral("01/03/2026"), QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("3,333"));
    const qint64 ultima =
        Nota(QStringLiteral("31/03/2026"), QStringLiteral("V12"), QStringLiteral("1"), QStringLiteral("3,333"), 2);
    ASSERT_NE(prima, 0);
    ASSERT_NE(ultima, 0);
    // the notes as saved: litres, amounts rounded to the cents
    EXPECT_EQ(Elenco(QStringLiteral("SELECT R.Lunghezza, R.Quantita, R.UT_LMQ_TotLit, R.ImportoLordo, T.UT_LMQ_TotLit "
                                    "FROM BolleCliRighe R JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT WHERE "
                                    "R.KBolleCliT IN (?, ?) ORDER BY T.DataDocumento"),
                     {prima, ultima}),
              (QStringList{"3/36/27/89.99/27", "1/12/9/30/9"}));
    const QStringList schedePrima = Schede();
    // the general and the notes' sets took every note's loads and returns, the invoices' none yet
    EXPECT_EQ(schedePrima, (QStringList{"BOT/60/0/60/0/0/0", "CAS/6/2/6/2/0/0"}));

    // a provisional run first: the joined row in the local tables, the company untouched
    ASSERT_TRUE(Genera(1)) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    EXPECT_EQ(Schede(), schedePrima);

    ASSERT_TRUE(Genera(0)) << script.Texts().join(QLatin1Char('|')).toStdString();
    // one invoice of the two notes of March, one row: 4 cases, 48 bottles, 36 litres,
    // 48 × 0.75 × 3.333 = 119.988 rounded once on the joined quantity
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, UT_LMQ_TotLit, ImportoLordo, "
                                    "ImportoNetto, ImportoNN FROM FattureCliRighe")),
              QStringList{"V12/4/48/36/119.99/119.99/119.99"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT T.UT_LMQ_TotLit, SUM(R.UT_LMQ_TotLit) FROM FattureCliTeste T JOIN "
                                    "FattureCliRighe R ON R.KFattCliT = T.KFattCliT GROUP BY T.UT_LMQ_TotLit")),
              QStringList{"36/36"})
        << "the head's litres are its rows'";
    // in date order (28 February, 1 and 31 March, 1 April): the notes of the first and the last
    // day invoiced, the others left
    EXPECT_EQ(Elenco(QStringLiteral("SELECT R.FlGenFattura FROM BolleCliRighe R JOIN BolleCliTeste T ON T.KBolleCliT = "
                                    "R.KBolleCliT ORDER BY T.DataDocumento")),
              (QStringList{"0", "1", "1", "0"}));
    // the summary merged from the two notes' loads and returns
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes FROM LUMO_CauzDocFatt ORDER BY IdImballo")),
              (QStringList{"BOT/48/0", "CAS/4/2"}));
    // the invoices' set took the March notes' loads and returns; the others stay
    EXPECT_EQ(Schede(), (QStringList{"BOT/60/0/60/0/48/0", "CAS/6/2/6/2/4/2"}));
}

const QString NessunaBolla = QStringLiteral("Nessuna bolla da fatturare: nessuna fattura generata.");

TEST_F(GenerazioneDaBolle, NotesPutOnAnInvoiceByItsRowCommandGiveTheGenerationsInvoice)
{
    Esegui("INSERT INTO CausaliOrdiniCli (IdCausale, DsCausale, Serie) VALUES ('OC', 'Ordine cliente', 0)");
    // a note typed by packages, and a note taking an order's lines by packages
    const qint64 digitata = NotaSalvata(QStringLiteral("DV"), QStringLiteral("10/03/2026"), [](TFSVen0001f_p *f) {
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("3,333"));
        RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
    });
    const qint64 ordine = OrdineSalvato([](TFSOrc0001f_p *o) {
        RigoConfezioni(o, QStringLiteral("V12"), QStringLiteral("2"), QStringLiteral("3,5"));
        RigoConfezioni(o, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("6"), 0);
    });
    const qint64 daOrdine = NotaSalvata(QStringLiteral("DV"), QStringLiteral("12/03/2026"), [&](TFSVen0001f_p *f) {
        script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &form) {
            ScegliConfezioni(form, {{RigoOrdine("V12", ordine), 2}, {RigoOrdine("V06", ordine), 1}});
            return int(mrOk);
        });
        f->btnOrdini->click();
        kv8test::ProcessEvents();
    });
    ASSERT_NE(digitata, daOrdine);
    // per article: packages, quantity, litres, net amount; the deposits; the head's litres,
    // packaging expense and total
    const auto fattura = [this](qint64 k) {
        return Elenco(QStringLiteral("SELECT IdProdotto, SUM(Lunghezza), SUM(Quantita), SUM(UT_LMQ_TotLit), "
                                     "SUM(ImportoNetto) FROM FattureCliRighe WHERE KFattCliT = ? AND IdProdotto <> '' "
                                     "GROUP BY IdProdotto ORDER BY IdProdotto"),
                      {k})
               + Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar FROM LUMO_CauzDocFatt "
                                       "WHERE KFattCliT = ? AND QtaCar <> 0 ORDER BY IdImballo"),
                        {k})
               + Elenco(QStringLiteral("SELECT UT_LMQ_TotLit, SpeseImballo, TotDocumento FROM FattureCliTeste "
                                       "WHERE KFattCliT = ?"),
                        {k});
    };

    auto *f = NuovaFattura(QStringLiteral("FW"));
    ASSERT_TRUE(f);
    PrendiBolle(f, {digitata, daOrdine});
    EXPECT_EQ(f->TRighe->RecordCount(), 4) << script.Texts().join(QLatin1Char('|')).toStdString();
    SalvaEChiudi(f);
    const qint64 presa = Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste")).toLongLong();
    const QStringList attesa = fattura(presa);
    // 5 cases of 12 bottles priced per litre, 3 packages of 6 per unit, as the notes hold them
    EXPECT_EQ(attesa.mid(0, 2), (QStringList{"V06/3/18/13.5/96", "V12/5/60/45/152.99"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_QtaConfSpe, QuantitaSpe FROM OrdiniCliRighe WHERE KOrdiniCliT = ? "
                                    "ORDER BY NumOrdine"),
                     {ordine}),
              (QStringList{"2/24", "1/6"}))
        << "shipped by the note, not again by the invoice";

    // deleted, the notes are free again: the generation invoices them the same
    f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F;%1").arg(presa));
    ASSERT_TRUE(f);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    f->Close();
    kv8test::ProcessEvents();
    ASSERT_TRUE(Genera(0)) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(fattura(Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste")).toLongLong()), attesa);
}

TEST_F(GenerazioneDaBolle, ARunThatFindsNothingToInvoiceSaysSo)
{
    ASSERT_NE(Nota(QStringLiteral("10/03/2026"), QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("10")), 0);
    ASSERT_TRUE(Genera(0)) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(script.Shown(NessunaBolla));
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1);
    ASSERT_TRUE(Genera(0));
    EXPECT_EQ(script.Count(NessunaBolla), 1);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1);
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2026")).toInt(), 1);
}

// A user's definitive run over March 2026, one invoice per note.
KV8_LAVORO_UTENTE(GenerazioneDaBolle, GenerazioneDefinitiva)
{
    TFSVen0007d_p *g = Finestra(0, 1);
    ASSERT_NE(g, nullptr);
    kv8test::AttendiVia();
    g->btEsegui->click();
    kv8test::ProcessEvents();
    // what it was shown: the messages, then the lines of the results page
    QStringList visti = script.Texts();
    for (g->tMessaggi->First(); !g->tMessaggi->Eof(); g->tMessaggi->Next())
        visti << g->tMessaggi->FieldByName(QStringLiteral("Messaggio"))->AsString();
    kv8test::NotaUtente(visti);
}

TEST_F(GenerazioneDaBolle, TwoUsersGeneratingTogetherInvoiceEachNoteOnce)
{
    int fatture = 0;
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        // three notes of this round, saved by the user: 1, 2 and 3 cases of 6 bottles
        for (const char *colli : {"1", "2", "3"})
            ASSERT_NE(Nota(QStringLiteral("1%1/03/2026").arg(QLatin1String(colli)), QStringLiteral("V06"),
                           QLatin1String(colli), QStringLiteral("10")),
                      0);
        const QStringList schede = Schede();
        const auto utenti = kv8test::DueUtenti(QStringLiteral("GenerazioneDefinitiva"), company.Db().Url(), avvio,
                                               QStringLiteral("fatture"));
        const int rifiutato = kv8test::UnoRifiutato(utenti, avvio, {NessunaBolla});
        if (rifiutato >= 0 && avvio == kv8test::Avvio::PrimoInPausa && company.Database().IsPostgres()) {
            // the second user waited for the notes the first held, and is told they were taken
            const QStringList prese =
                utenti[1].Messaggi.filter(QStringLiteral(": fatturato da un altro utente durante la generazione"));
            EXPECT_EQ(prese.size(), 3) << utenti[1].Messaggi.join(QLatin1Char('|')).toStdString();
        }
        fatture += 3;
        const auto numero = [this](const char *sql) { return Valore(QLatin1String(sql)).toInt(); };
        // one run's invoices: one per note, numbered on without a gap or a number twice
        EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), fatture);
        EXPECT_EQ(numero("SELECT COUNT(DISTINCT Numero) FROM FattureCliTeste"), fatture);
        EXPECT_EQ(numero("SELECT MIN(Numero) FROM FattureCliTeste"), 1);
        EXPECT_EQ(numero("SELECT MAX(Numero) FROM FattureCliTeste"), fatture);
        EXPECT_EQ(numero("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2026"), fatture);
        EXPECT_EQ(numero("SELECT COUNT(*) FROM FattureCliTeste T WHERE NOT EXISTS (SELECT 1 FROM FattureCliRighe R "
                         "WHERE R.KFattCliT = T.KFattCliT)"),
                  0)
            << "no invoice without rows";
        // each note row invoiced once, on a row of an invoice of its own note
        EXPECT_EQ(numero("SELECT COUNT(*) FROM BolleCliRighe WHERE FlGenFattura <> 1"), 0);
        EXPECT_EQ(numero("SELECT COUNT(*) FROM FattureCliRighe"), fatture);
        EXPECT_EQ(numero("SELECT COUNT(*) FROM BolleCliRighe B JOIN FattureCliRighe F ON F.KFattCliR = B.KFatturaR"),
                  fatture);
        EXPECT_EQ(numero("SELECT COUNT(DISTINCT KFatturaR) FROM BolleCliRighe"), fatture);
        EXPECT_EQ(numero("SELECT COUNT(*) FROM LUMO_CauzDocFatt"), 2 * fatture)
            << "a summary of cases and bottles each";
        // the invoices' set of the cards moved once by the round's 6 cases and 36 bottles
        QStringList attese;
        for (const QString &s : schede) {
            QStringList c = s.split(QLatin1Char('/'));
            c[5] = QString::number(c[5].toDouble() + (c[0] == QLatin1String("CAS") ? 6 : 36));
            attese << c.join(QLatin1Char('/'));
        }
        EXPECT_EQ(Schede(), attese);
    });
}

} // namespace
