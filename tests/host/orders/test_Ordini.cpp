// Customer orders and quotes through their windows, orders fulfilled by delivery notes
// through the order-line selection dialog, the quantity-detail dialog, and the invoice
// generation window (provisional and definitive runs, a failure inside the definitive one), and
// the "Righe da ordini..." command of the document windows.
#include "tests/host/documents/DocumentiFixture.h"

#include "host/business/Dmibase.h"
#include "host/business/SceltaOrdini.h"
#include "host/business/Sofc0001f.h"
#include "host/business/Sorc0001f.h"
#include "host/business/Sven0001f_001.h"
#include "host/business/Sven0007d.h"
#include "host/business/Sven0904f.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/report/ReportOutput.h"
#include "host/ui/ClassRegistry.h"

namespace {

class Ordini : public Documenti {
protected:
    void SetUp() override
    {
        Documenti::SetUp();
        if (IsSkipped())
            return;
        Esegui("INSERT INTO CausaliOrdiniCli (IdCausale, DsCausale, Serie) VALUES ('OC', 'Ordine cliente', 0)");
        Esegui("INSERT INTO CausaliOfferteCli (IdCausale, DsCausale, Serie) VALUES ('OF', 'Offerta cliente', 0)");
        SceltaOrdini::Registra();
    }

    // An order of three rows (A1 10, B1 4, C1 6) saved by the user; answers its key.
    qint64 NuovoOrdine(const QString &cliente = QStringLiteral("C1"))
    {
        auto *f = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F"));
        if (!f)
            return 0;
        Testa(f, QStringLiteral("OC"), cliente);
        NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
        NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("4"), QStringLiteral("2,5"));
        NuovoRigo(f, QStringLiteral("C1"), QStringLiteral("6"), QStringLiteral("3"));
        Premi(f, nbPost);
        f->Close();
        kv8test::ProcessEvents();
        return Valore(QStringLiteral("SELECT MAX(KOrdiniCliT) FROM OrdiniCliTeste")).toLongLong();
    }

    // The order row of an article: shipped quantity and state.
    std::pair<double, int> Evasione(const QString &articolo)
    {
        const double spedita =
            Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE IdProdotto = ?"), {articolo})
                .toDouble();
        const int stato =
            Valore(QStringLiteral("SELECT FlStato FROM OrdiniCliRighe WHERE IdProdotto = ?"), {articolo}).toInt();
        return {spedita, stato};
    }

    // A delivery note of the customer's order lines: in the selection dialog, each article of
    // scelte gets the quantity given (the others are left). Answers the note's key.
    qint64 BollaDaOrdini(const QMap<QString, QString> &scelte)
    {
        auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
        if (!f)
            return 0;
        Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
        script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) {
            auto &dlg = dynamic_cast<TFSVen0001f_001 &>(d);
            for (auto it = scelte.begin(); it != scelte.end(); ++it) {
                EXPECT_TRUE(dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), it.key())) << it.key().toStdString();
                dlg.TSelOrdR->Edit();
                dlg.TSelOrdR->FieldByName(QStringLiteral("QtaSelez"))->SetAsString(it.value());
                dlg.TSelOrdR->Post();
            }
            return int(mrOk);
        });
        EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), scelte.size());
        script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
        EXPECT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
        f->Close();
        kv8test::ProcessEvents();
        return Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong();
    }
};

TEST_F(Ordini, AnOrderIsSavedWithItsRowsAndOpensOnceFromTheMenu)
{
    const qint64 ordine = NuovoOrdine();
    ASSERT_NE(ordine, 0);
    EXPECT_EQ(Conta(QStringLiteral("OrdiniCliRighe"), QStringLiteral("KOrdiniCliT = ?"), {ordine}), 3);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT QuantitaOrd FROM OrdiniCliRighe WHERE IdProdotto = 'B1'")).toDouble(), 4);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT ImportoNN FROM OrdiniCliRighe WHERE IdProdotto = 'B1'")).toDouble(),
                     10);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM OrdiniCliTeste")).toDouble(), 95.16)
        << "78 and VAT at 22%";
    EXPECT_EQ(Valore(QStringLiteral("SELECT Numero FROM OrdiniCliTeste")).toInt(), 1);
    // an order moves no stock
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);

    auto *f = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F;") + QString::number(ordine));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    main->MenuChoice(QStringLiteral("SORC0001F"));
    EXPECT_EQ(script.LastText(), QStringLiteral("Gestione ordini clienti già attiva"));
    EXPECT_EQ(FSOrc0001f.data(), f);
    EXPECT_EQ(f->TRighe->RecordCount(), 3) << "the open order left as it was";

    // a row without quantity is refused with its reason, nothing stored
    PremiRighe(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("C1")));
    PremiRighe(f, nbPost);
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("quantità ordinata"))) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("OrdiniCliRighe")), 3);
}

TEST_F(Ordini, AnOrderIsFulfilledByTwoDeliveryNotesAndReopenedWhenOneIsDeleted)
{
    ASSERT_NE(NuovoOrdine(), 0);
    // first note: 4 of A1, all of B1
    const qint64 prima =
        BollaDaOrdini({{QStringLiteral("A1"), QStringLiteral("4")}, {QStringLiteral("B1"), QStringLiteral("4")}});
    ASSERT_NE(prima, 0);
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(4.0, 1));
    EXPECT_EQ(Evasione(QStringLiteral("B1")), std::make_pair(4.0, 2));
    EXPECT_EQ(Evasione(QStringLiteral("C1")), std::make_pair(0.0, 0));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ? AND KOrdineR <> 0"), {prima}), 2);

    // second note: what is left of A1 and all of C1; B1 is no longer on offer
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    std::unique_ptr<TFSVen0001f_001> dlg(new TFSVen0001f_001);
    ASSERT_TRUE(dlg->LeggiRigheDocumento(f));
    EXPECT_EQ(dlg->TSelOrdR->RecordCount(), 2);
    EXPECT_FALSE(dlg->TSelOrdR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("B1")));
    ASSERT_TRUE(dlg->TSelOrdR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_DOUBLE_EQ(dlg->TSelOrdR->FieldByName(QStringLiteral("QtaDaSpedire"))->AsFloat(), 6);
    EXPECT_EQ(dlg->TSelOrdR->FieldByName(QStringLiteral("StatoRigo"))->AsString(), QStringLiteral("P"));
    dlg.reset();
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    f->Close();
    kv8test::ProcessEvents();
    const qint64 seconda =
        BollaDaOrdini({{QStringLiteral("A1"), QStringLiteral("6")}, {QStringLiteral("C1"), QStringLiteral("6")}});
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(10.0, 2));
    EXPECT_EQ(Evasione(QStringLiteral("C1")), std::make_pair(6.0, 2));

    // a row of the second note lowered: the order row takes back exactly the difference
    auto *g = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;") + QString::number(seconda));
    ASSERT_NE(g, nullptr);
    VaiARigo(g, QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(g, QStringLiteral("edQuantita"), QStringLiteral("5")));
    PremiRighe(g, nbPost);
    Premi(g, nbPost);
    ASSERT_TRUE(g->SalvataggioRiuscito) << script.LastText().toStdString();
    g->Close();
    kv8test::ProcessEvents();
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(9.0, 1));

    // the first note deleted: its quantities go back to the order rows, which reopen
    auto *h = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;") + QString::number(prima));
    ASSERT_NE(h, nullptr);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(h, nbDelete);
    ASSERT_TRUE(h->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(5.0, 1));
    EXPECT_EQ(Evasione(QStringLiteral("B1")), std::make_pair(0.0, 0));
    EXPECT_EQ(Evasione(QStringLiteral("C1")), std::make_pair(6.0, 2));
}

// A deleted note gives its order lines back read together: the deletion of a note of three
// lines reads as much as that of a note of one (on PostgreSQL it sends as many statements; SQLite
// writes the rows kept for the commit one statement each), and no more than it needs.
TEST_F(Ordini, ADeletedNoteGivesBackItsOrderLinesReadTogether)
{
    ASSERT_NE(NuovoOrdine(), 0);
    std::vector<qint64> bolle;
    for (const auto &scelte : {QMap<QString, QString>{{QStringLiteral("B1"), QStringLiteral("1")}},
                               QMap<QString, QString>{{QStringLiteral("A1"), QStringLiteral("1")}},
                               QMap<QString, QString>{{QStringLiteral("A1"), QStringLiteral("2")},
                                                      {QStringLiteral("B1"), QStringLiteral("1")},
                                                      {QStringLiteral("C1"), QStringLiteral("1")}}}) {
        bolle.push_back(BollaDaOrdini(scelte));
        ASSERT_NE(bolle.back(), 0);
    }
    ASSERT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(3.0, 1));
    ASSERT_EQ(Evasione(QStringLiteral("B1")), std::make_pair(2.0, 1));
    const auto cancella = [this](qint64 k) {
        auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;") + QString::number(k));
        if (!f)
            return std::pair<quint64, quint64>{};
        script.Yes(QStringLiteral(" Conferma cancellazione ? "));
        TXDatabase &db = company.Database();
        const quint64 prima = db.StatementCount();
        const quint64 letturePrima = db.ReadStatementCount();
        Premi(f, nbDelete);
        const std::pair istruzioni{db.StatementCount() - prima, db.ReadStatementCount() - letturePrima};
        EXPECT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
        f->Close();
        kv8test::ProcessEvents();
        return istruzioni;
    };
    cancella(bolle[0]); // the first deletion opens what the others find open
    EXPECT_EQ(Evasione(QStringLiteral("B1")), std::make_pair(1.0, 1));
    const auto una = cancella(bolle[1]);
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(2.0, 1));
    // each line shipped no more: the lines written alike
    const auto tre = cancella(bolle[2]);
    for (const char *articolo : {"A1", "B1", "C1"})
        EXPECT_EQ(Evasione(QLatin1String(articolo)), std::make_pair(0.0, 0)) << articolo;
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_GT(una.second, 0u);
    EXPECT_EQ(tre.second, una.second);
    if (company.Database().IsPostgres()) {
        EXPECT_EQ(tre.first, una.first);
    }
    // the totals go by the head's key in one statement, the rows, totals and movements held
    // are dropped without reading the tables again
    EXPECT_LE(una.first, company.Database().IsPostgres() ? 30u : 29u);
}

TEST_F(Ordini, AnOrderLineChangedByAnotherUserBetweenTwoSavesIsReadAgain)
{
    ASSERT_NE(NuovoOrdine(), 0);
    ASSERT_NE(BollaDaOrdini({{QStringLiteral("A1"), QStringLiteral("4")}}), 0);
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(4.0, 1));
    // another user raises the ordered quantity of the line this program fulfilled, and ships 1
    Esegui("UPDATE OrdiniCliRighe SET QuantitaOrd = 12, QuantitaSpe = 5 WHERE IdProdotto = 'A1'");
    ASSERT_NE(BollaDaOrdini({{QStringLiteral("A1"), QStringLiteral("6")}}), 0);
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(11.0, 1)) << "12 ordered: still open";
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT QuantitaOrd FROM OrdiniCliRighe WHERE IdProdotto = 'A1'")).toDouble(), 12)
        << "the other user's change kept";
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 2);
}

TEST_F(Ordini, AShippedOrderRowKeepsAtLeastItsShippedQuantity)
{
    const qint64 ordine = NuovoOrdine();
    ASSERT_NE(BollaDaOrdini({{QStringLiteral("B1"), QStringLiteral("3")}}), 0);
    auto *f = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F;") + QString::number(ordine));
    ASSERT_NE(f, nullptr);
    VaiARigo(f, QStringLiteral("B1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("2")));
    PremiRighe(f, nbPost);
    EXPECT_TRUE(
        script.LastText().startsWith(QStringLiteral("La quantità ordinata (2) è minore di quella già spedita (3)")))
        << script.LastText().toStdString();
    f->TRighe->Cancel();
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    PremiRighe(f, nbDelete);
    EXPECT_EQ(script.LastText(), QStringLiteral("Il rigo è già stato evaso in parte: non può essere cancellato."));
    // raised above what was shipped: the row stays open, partly shipped
    VaiARigo(f, QStringLiteral("B1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("8")));
    PremiRighe(f, nbPost);
    script.AllowUnusedAnswers();
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_EQ(Evasione(QStringLiteral("B1")), std::make_pair(3.0, 1));
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT QuantitaOrd FROM OrdiniCliRighe WHERE IdProdotto = 'B1'")).toDouble(), 8);
}

TEST_F(Ordini, AnInvoiceTakesOrderLinesAndItsDeletionGivesThemBack)
{
    ASSERT_NE(NuovoOrdine(), 0);
    auto *f = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("FD"), QStringLiteral("C1"));
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) {
        auto &dlg = dynamic_cast<TFSVen0001f_001 &>(d);
        // Space on a line marks it, and again unmarks it
        dlg.show();
        kv8test::Focus(dlg.gSelOrdR);
        for (const char *articolo : {"B1", "B1", "C1"}) {
            dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), QLatin1String(articolo));
            kv8test::PressKey(dlg.gSelOrdR, Qt::Key_Space);
        }
        EXPECT_EQ(
            dlg.TSelOrdR->Lookup(QStringLiteral("IdProdotto"), QStringLiteral("B1"), QStringLiteral("FlSelez")).toInt(),
            0);
        dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1"));
        dlg.TSelOrdR->Edit();
        dlg.TSelOrdR->FieldByName(QStringLiteral("QtaSelez"))->SetAsFloat(7);
        dlg.TSelOrdR->Post();
        return int(mrOk);
    });
    EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 2);
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(7.0, 1));
    EXPECT_EQ(Evasione(QStringLiteral("C1")), std::make_pair(6.0, 2));
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT ImportoSpedito FROM OrdiniCliRighe WHERE IdProdotto = 'A1'")).toDouble(), 35);
    f->Close();
    kv8test::ProcessEvents();
    const QString chiave = Valore(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste")).toString();
    auto *g = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F;") + chiave);
    ASSERT_NE(g, nullptr);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(g, nbDelete);
    ASSERT_TRUE(g->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_EQ(Evasione(QStringLiteral("A1")), std::make_pair(0.0, 0));
    EXPECT_EQ(Evasione(QStringLiteral("C1")), std::make_pair(0.0, 0));
}

// A line whose row the row check refuses (its article removed meanwhile by another user) is
// left out; the lines after it are taken and the line is named when they are in.
TEST_F(Ordini, ALineTheRowCheckRefusesIsNamedAndTheLinesAfterItAreTaken)
{
    ASSERT_NE(NuovoOrdine(), 0);
    Esegui("DELETE FROM Articoli WHERE IdProdotto = 'B1'");
    TDMIBase::Crea()->Rileggi(QStringLiteral("Articoli"));
    script.ClearMessages();
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) {
        auto &dlg = dynamic_cast<TFSVen0001f_001 &>(d);
        for (const char *articolo : {"A1", "B1", "C1"}) {
            EXPECT_TRUE(dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), QLatin1String(articolo)));
            dlg.SelezionaRigo();
        }
        return int(mrOk);
    });
    EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 2);
    QStringList righe;
    for (f->TRighe->First(); !f->TRighe->Eof(); f->TRighe->Next())
        righe << f->TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString() + QLatin1Char('/')
                     + f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsString();
    EXPECT_EQ(righe, (QStringList{QStringLiteral("A1/10"), QStringLiteral("C1/6")}));
    ASSERT_EQ(script.Texts().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(
        script.LastText().startsWith(QStringLiteral("Righe d'ordine non riportate nel documento:\nOrdine n. 1 del ")))
        << script.LastText().toStdString();
    EXPECT_TRUE(script.LastText().endsWith(QStringLiteral(
        " - articolo B1 - Barbera: L'articolo B1 non esiste: indicare un articolo presente in anagrafica.")))
        << script.LastText().toStdString();
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    f->Close();
    kv8test::ProcessEvents();
}

TEST_F(Ordini, TheSelectionDialogOffersWhatIsLeftAndRefusesMore)
{
    ASSERT_NE(NuovoOrdine(), 0);
    ASSERT_NE(NuovoOrdine(QStringLiteral("C2")), 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    // a row already taken from A1 and not saved counts against the line
    TFSVen0001f_001 dlg;
    ASSERT_TRUE(dlg.LeggiRigheDocumento(f));
    EXPECT_EQ(dlg.TSelOrdR->RecordCount(), 3) << "only the customer's own orders";
    ASSERT_TRUE(dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    dlg.SelezionaRigo();
    EXPECT_EQ(dlg.TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 1);
    EXPECT_DOUBLE_EQ(dlg.TSelOrdR->FieldByName(QStringLiteral("QtaSelez"))->AsFloat(), 10);
    EXPECT_EQ(dlg.RigheSelezionate(), 1);
    // more than the order holds is refused, the value kept
    dlg.TSelOrdR->Edit();
    EXPECT_THROW(dlg.TSelOrdR->FieldByName(QStringLiteral("QtaSelez"))->SetAsFloat(11), Exception);
    EXPECT_THROW(dlg.TSelOrdR->FieldByName(QStringLiteral("QtaSelez"))->SetAsFloat(-1), Exception);
    dlg.TSelOrdR->FieldByName(QStringLiteral("QtaSelez"))->SetAsFloat(3);
    dlg.TSelOrdR->Post();
    EXPECT_EQ(f->AccodaRigheDaOrdine(), 1);
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 3);
    EXPECT_NE(f->TRighe->FieldByName(QStringLiteral("KOrdineR"))->AsInteger(), 0);
    // read again: the row just taken counts against the line
    ASSERT_TRUE(dlg.LeggiRigheDocumento(f));
    ASSERT_TRUE(dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_DOUBLE_EQ(dlg.TSelOrdR->FieldByName(QStringLiteral("QtaDaSpedire"))->AsFloat(), 7);
    // the document reports a line carried, and one that is not on offer
    const qint64 chiave = dlg.TSelOrdR->FieldByName(QStringLiteral("KOrdiniCliR"))->Value().toLongLong();
    EXPECT_TRUE(dlg.AggiornaRigoOrdine(chiave, 2, 0));
    EXPECT_DOUBLE_EQ(dlg.TSelOrdR->FieldByName(QStringLiteral("QtaDaSpedire"))->AsFloat(), 5);
    EXPECT_EQ(dlg.TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 2);
    EXPECT_FALSE(dlg.AggiornaRigoOrdine(999999, 1, 0));
    EXPECT_EQ(script.LastText(), QStringLiteral("Rigo ordine non trovato"));
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

TEST_F(Ordini, AQuoteBecomesAnOrderLinkedToItsRows)
{
    auto *q = Apri<TFSOfc0001f>(QStringLiteral("SOFC0001F"));
    ASSERT_NE(q, nullptr);
    Testa(q, QStringLiteral("OF"), QStringLiteral("C2"));
    NuovoRigo(q, QStringLiteral("A1"), QStringLiteral("12"), QStringLiteral("4"));
    NuovoRigo(q, QStringLiteral("C1"), QStringLiteral("2"), QStringLiteral("7"));
    Premi(q, nbPost);
    ASSERT_TRUE(q->SalvataggioRiuscito) << script.LastText().toStdString();
    q->Close();
    kv8test::ProcessEvents();
    const qint64 offerta = Valore(QStringLiteral("SELECT KOfferteCliT FROM OfferteCliTeste")).toLongLong();
    EXPECT_EQ(Conta(QStringLiteral("OfferteCliRighe"), QStringLiteral("KOfferteCliT = ?"), {offerta}), 2);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM OfferteCliTeste")).toDouble(), 75.64);

    auto *o = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F"));
    ASSERT_NE(o, nullptr);
    EXPECT_FALSE(o->CaricaDaOfferta(offerta + 100));
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("non esiste")));
    ASSERT_TRUE(o->CaricaDaOfferta(offerta));
    EXPECT_TRUE(Scrivi(o, QStringLiteral("edIdCausale"), QStringLiteral("OC")));
    EXPECT_TRUE(Scrivi(o, QStringLiteral("edDataDocumento"), QStringLiteral("12/03/2026")));
    Premi(o, nbPost);
    ASSERT_TRUE(o->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_EQ(Valore(QStringLiteral("SELECT IdCliente FROM OrdiniCliTeste")).toString(), QStringLiteral("C2"));
    EXPECT_EQ(
        Conta(QStringLiteral("OrdiniCliRighe R JOIN OfferteCliRighe F ON F.KOfferteCliR = R.KOffertaR"),
              QStringLiteral("R.QuantitaOrd = F.QuantitaOrd AND R.Prezzo = F.Prezzo AND R.IdProdotto = F.IdProdotto")),
        2);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM OrdiniCliTeste")).toDouble(), 75.64);
    // the quote is left as it was
    EXPECT_EQ(Conta(QStringLiteral("OfferteCliRighe")), 2);
}

TEST_F(Ordini, TheQuantityDetailWritesItsTotalBackToTheRowWhenAsked)
{
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
    const auto dettaglio = [](TfSVen0904f &d, std::initializer_list<double> quantita) {
        for (double q : quantita) {
            d.tDettaglio->Append();
            d.tDettaglio->FieldByName(QStringLiteral("IdLotto"))->SetAsString(QStringLiteral("L%1").arg(q));
            d.tDettaglio->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(q);
            d.tDettaglio->Post();
        }
        return int(mrOk);
    };
    // declined: the row keeps its quantity
    script.OnDialog(QStringLiteral("TfSVen0904f"), [&](TForm &d) {
        return dettaglio(dynamic_cast<TfSVen0904f &>(d), {4, 5});
    });
    script.No();
    Sven0904f::DettaglioQuantita(f);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il totale del dettaglio (9) è diverso dalla quantità del rigo (10): "
                                            "aggiornare la quantità del rigo?")))
        << script.LastText().toStdString();
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 10);
    // accepted, from the row's button: the total of both openings' lines, the row left in edit
    // for the window's post
    script.OnDialog(QStringLiteral("TfSVen0904f"),
                    [&](TForm &d) { return dettaglio(dynamic_cast<TfSVen0904f &>(d), {2}); });
    script.Yes();
    EXPECT_FALSE(f->btnOrdini->isHidden()) << "a delivery note takes order lines";
    f->btnDetQta->click();
    EXPECT_EQ(f->TRighe->State(), dsEdit);
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 11);
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("ImportoNN"))->AsFloat(), 55);
    f->TRighe->Cancel();
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

TEST_F(Ordini, AnOrderRowDetailWritesTheOrderedQuantityAndANewOrderStartsWithoutDetails)
{
    auto *f = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
    EXPECT_TRUE(f->btnOrdini->isHidden()) << "an order takes no order lines";
    double visto = -1;
    script.OnDialog(QStringLiteral("TfSVen0904f"), [&](TForm &d) {
        auto &dlg = dynamic_cast<TfSVen0904f &>(d);
        visto = dlg.TotaleDettaglio();
        dlg.tDettaglio->Append();
        dlg.tDettaglio->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(4);
        dlg.tDettaglio->Post();
        return int(mrOk);
    });
    script.Yes();
    Sven0904f::DettaglioQuantita(f);
    EXPECT_DOUBLE_EQ(visto, 0);
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("QuantitaOrd"))->AsFloat(), 4);
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("ImportoNN"))->AsFloat(), 20);
    f->TRighe->Post();
    // the order begun anew: its first row (the same Contatore) has no detail of the old one
    ASSERT_TRUE(f->InitDoc(0));
    Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("4"), QStringLiteral("5"));
    Sven0904f::DettaglioQuantita(f);
    EXPECT_DOUBLE_EQ(visto, 0) << "no line of the earlier order";
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

TEST_F(Ordini, KitComponentsAndBarCodesBecomeOrderRows)
{
    Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva) VALUES ('KIT', 'Confezione', 'CF', '22')");
    Esegui("INSERT INTO DistintaBase (IdProdotto, IdVariante, NumRiga, IdComponente, IdVarianteComp, Quantita, Prezzo) "
           "VALUES ('KIT', '', 1, 'A1', '', 2, 10), ('KIT', '', 2, 'C1', '', 1, 4)");
    auto *f = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
    EXPECT_FALSE(f->InserisciComponenti(QStringLiteral("A1"), Giorno(2026, 3, 10), 3, 0, 0, 0, 0, QString(), 1))
        << "an article without components";
    ASSERT_TRUE(f->InserisciComponenti(QStringLiteral("KIT"), Giorno(2026, 3, 10), 3, 0, 0, 0, 0, QString(), 1));
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("QuantitaOrd"))->AsFloat(), 6);
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("C1")));
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("QuantitaOrd"))->AsFloat(), 3);
    EXPECT_EQ(f->TRighe->FieldByName(QStringLiteral("Descrizione"))->AsString(), QStringLiteral("Dolcetto"));

    QString articolo;
    QStringList messaggi;
    EXPECT_TRUE(f->AccodaRigheBarcode(QStringLiteral("B1"), 0, articolo, messaggi));
    EXPECT_EQ(articolo, QStringLiteral("B1"));
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("QuantitaOrd"))->AsFloat(), 1) << "no quantity read: one";
    EXPECT_FALSE(f->AccodaRigheBarcode(QStringLiteral("ZZ9"), 2, articolo, messaggi));
    EXPECT_EQ(messaggi, QStringList{QStringLiteral("Codice a barre ZZ9 non riconosciuto.")});
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT SUM(QuantitaOrd) FROM OrdiniCliRighe")).toDouble(), 10);
}

// A replacement registered under the host's name is the dialog the documents create.
class SelezioneSostitutiva : public TFSVen0001f_001 {
    Q_OBJECT
public:
    using TFSVen0001f_001::TFSVen0001f_001;
};

TEST_F(Ordini, TheSelectionDialogIsCreatedThroughItsRegistry)
{
    ASSERT_NE(NuovoOrdine(), 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    Dbchilddlg::XRegisterCDialogClass(QStringLiteral("TFsven0001f_001"), ClassRef::Of<SelezioneSostitutiva>());
    bool sostituto = false;
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) {
        sostituto = dynamic_cast<SelezioneSostitutiva *>(&d) != nullptr;
        return int(mrCancel);
    });
    EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 0) << "cancelled: nothing appended";
    Dbchilddlg::Registry().Unregister(QStringLiteral("TFsven0001f_001"));
    EXPECT_TRUE(sostituto);
    EXPECT_EQ(f->TRighe->RecordCount(), 0);
    // a customer without open lines is told so
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), QStringLiteral("C2")));
    EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 0);
    EXPECT_EQ(script.LastText(), QStringLiteral("Il cliente non ha righe d'ordine da evadere."));
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

// Offscreen pictures of the two dialogs, kept in the folder KV8_SCREENSHOT_DIR names when set.
TEST_F(Ordini, Screenshots)
{
    ASSERT_NE(NuovoOrdine(), 0);
    const QString cartella = QString::fromLocal8Bit(qgetenv("KV8_SCREENSHOT_DIR"));
    const auto fotografa = [&cartella](TForm &form, const QString &nome) {
        form.resize(form.sizeHint().expandedTo(QSize(640, 360)));
        form.show();
        kv8test::ProcessEvents();
        const QPixmap foto = form.grab();
        EXPECT_GT(foto.width(), 300);
        if (!cartella.isEmpty()) {
            EXPECT_TRUE(foto.save(cartella + QLatin1Char('/') + nome));
        }
        form.hide();
    };
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) {
        auto &dlg = dynamic_cast<TFSVen0001f_001 &>(d);
        dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("B1"));
        dlg.SelezionaRigo();
        fotografa(d, QStringLiteral("Sven0001f_001.png"));
        return int(mrOk);
    });
    EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 1);
    script.OnDialog(QStringLiteral("TfSVen0904f"), [&](TForm &d) {
        auto &dlg = dynamic_cast<TfSVen0904f &>(d);
        for (const char *lotto : {"L1", "L2"}) {
            dlg.tDettaglio->Append();
            dlg.tDettaglio->FieldByName(QStringLiteral("IdLotto"))->SetAsString(QLatin1String(lotto));
            dlg.tDettaglio->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(2);
            dlg.tDettaglio->Post();
        }
        fotografa(d, QStringLiteral("Sven0904f.png"));
        return int(mrOk);
    });
    Sven0904f::DettaglioQuantita(f);
    script.AllowUnusedAnswers();
    script.Yes();
    script.Yes();
    f->Close();
}

// ---- invoice generation

class Generazione : public Ordini {
protected:
    struct Stato {
        int Teste, Righe, Totali, Fatturate, Protocollo;
        bool operator==(const Stato &) const = default;
    };
    void SetUp() override
    {
        Ordini::SetUp();
        if (!IsSkipped())
            Esegui("UPDATE Clienti SET FlRaggFattura = 1");
    }
    Stato Azienda()
    {
        return {Conta(QStringLiteral("FattureCliTeste")), Conta(QStringLiteral("FattureCliRighe")),
                Conta(QStringLiteral("FattureCliTot")),
                Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("FlGenFattura <> 0")),
                Valore(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA")).toInt()};
    }
    TFSVen0007d *Finestra(int provvisoria)
    {
        auto *g = Apri<TFSVen0007d>(QStringLiteral("SVEN0007D"));
        if (!g)
            return nullptr;
        TXMemTable *p = g->tPars;
        if (p->State() == dsBrowse)
            p->Edit();
        p->FieldByName(QStringLiteral("DataFattura"))->SetAsDateTime(Giorno(2026, 3, 31));
        p->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FD"));
        p->FieldByName(QStringLiteral("DataDa"))->SetAsDateTime(Giorno(2026, 3, 1));
        p->FieldByName(QStringLiteral("DataA"))->SetAsDateTime(Giorno(2026, 3, 31));
        p->FieldByName(QStringLiteral("IdCausaleBolla"))->SetAsString(QStringLiteral("DDT"));
        p->FieldByName(QStringLiteral("FlProvvisoria"))->SetAsInteger(provvisoria);
        return g;
    }
};

TEST_F(Generazione, AProvisionalRunWritesNothingOfTheCompanyAndTheDefinitiveOneInvoicesEachCustomer)
{
    ASSERT_NE(NuovaBolla(QStringLiteral("C1")), 0);
    ASSERT_NE(NuovaBolla(QStringLiteral("C1")), 0);
    ASSERT_NE(NuovaBolla(QStringLiteral("C2")), 0);
    const Stato prima = Azienda();

    TFSVen0007d *g = Finestra(1);
    ASSERT_NE(g, nullptr);
    g->btEseguiClick();
    EXPECT_TRUE(g->UltimaRiuscita) << g->tMessaggi->RecordCount();
    EXPECT_EQ(g->FattureGenerate.size(), 2);
    EXPECT_EQ(Azienda(), prima) << "a provisional run writes nothing of the company";
    EXPECT_EQ(g->Pagina(), 1);
    ASSERT_TRUE(g->tMessaggi->Locate(QStringLiteral("Messaggio"), QStringLiteral("Fatture generate: 2")));
    {
        ReportCapture capture;
        g->btStampaClick();
        ASSERT_EQ(capture.Prints().size(), 1);
        const ReportDocument &doc = capture.Last().Document;
        QStringList clienti;
        QStringList bolle;
        QStringList date;
        for (const ReportPage &p : doc.Pages) {
            clienti << p.TextsOf(QStringLiteral("fdIdCliente"));
            bolle << p.TextsOf(QStringLiteral("fdNumBolle"));
            date << p.TextsOf(QStringLiteral("fdDataDocumento"));
        }
        EXPECT_EQ(clienti, (QStringList{"C1", "C2"}));
        EXPECT_EQ(bolle, (QStringList{"2", "1"}));
        EXPECT_EQ(date, (QStringList{"31/03/2026", "31/03/2026"}));
    }

    // the same selection, definitive: one invoice per customer, every note invoiced
    g->SetPagina(0);
    g->tPars->FieldByName(QStringLiteral("FlProvvisoria"))->SetAsInteger(0);
    g->btEseguiClick();
    ASSERT_TRUE(g->UltimaRiuscita);
    const Stato dopo = Azienda();
    EXPECT_EQ(dopo.Teste, 2);
    EXPECT_EQ(dopo.Righe, 6) << "the rows of one article joined within an invoice";
    EXPECT_EQ(dopo.Fatturate, 9);
    EXPECT_EQ(dopo.Protocollo, 2);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste"), QStringLiteral("IdCliente = 'C1'")), 1);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT SUM(ImportoNN) FROM FattureCliRighe R JOIN FattureCliTeste T "
                                           "ON T.KFattCliT = R.KFattCliT WHERE T.IdCliente = 'C1'"))
                         .toDouble(),
                     2 * (50 + 10 + 18));
    // nothing left to invoice: a further run makes none
    g->SetPagina(0);
    g->btEseguiClick();
    EXPECT_TRUE(g->FattureGenerate.isEmpty());
    EXPECT_EQ(Azienda(), dopo);
}

TEST_F(Generazione, EachRunTakesTheStampDutyInForceOnceForAllItsInvoices)
{
    Esegui("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('E', 'Esente', 0)");
    Esegui("INSERT INTO ValoriBolli (DataInizio, Importo, Soglia) VALUES (?, 2, 77.47)", {Giorno(2000, 1, 1)});
    // exempt notes of 78 each, stamp duty due on the invoice
    const auto esente = [this](qint64 bolla) {
        Esegui("UPDATE BolleCliRighe SET IdIva = 'E' WHERE KBolleCliT = ?", {bolla});
        Esegui("UPDATE BolleCliTeste SET FlSpeseBolliEse = 1 WHERE KBolleCliT = ?", {bolla});
    };
    esente(NuovaBolla(QStringLiteral("C1")));
    esente(NuovaBolla(QStringLiteral("C2")));
    TFSVen0007d *g = Finestra(0);
    ASSERT_NE(g, nullptr);
    g->btEseguiClick();
    ASSERT_TRUE(g->UltimaRiuscita);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste"), QStringLiteral("TotDocumento = 80")), 2)
        << "78 and a stamp of 2";

    // the value changed: the next run reads it again
    Esegui("UPDATE ValoriBolli SET Importo = 3");
    esente(NuovaBolla(QStringLiteral("C1")));
    g->SetPagina(0);
    g->btEseguiClick();
    ASSERT_TRUE(g->UltimaRiuscita);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = "
                                           "(SELECT MAX(KFattCliT) FROM FattureCliTeste)"))
                         .toDouble(),
                     81);
}

// Fails on the second delivery note of the run, after the first invoice was written.
class GenerazioneGuasta : public TfSVen0007d_DM {
    Q_OBJECT
public:
    using TfSVen0007d_DM::TfSVen0007d_DM;
    bool GeneraRighe(bool raggruppa, int progressivo) override
    {
        if (++chiamate_ == 2)
            throw Exception(QStringLiteral("Guasto simulato"));
        return TfSVen0007d_DM::GeneraRighe(raggruppa, progressivo);
    }

private:
    int chiamate_ = 0;
};

TEST_F(Generazione, AFailureInsideTheDefinitiveRunLeavesNothingWritten)
{
    ASSERT_NE(NuovaBolla(QStringLiteral("C1")), 0);
    ASSERT_NE(NuovaBolla(QStringLiteral("C2")), 0);
    const Stato prima = Azienda();
    Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TfSVen0007d_DM"), ClassRef::Of<GenerazioneGuasta>());
    TFSVen0007d *g = Finestra(0);
    ASSERT_NE(g, nullptr);
    g->btEseguiClick();
    Kv8datamodule::Registry().Unregister(QStringLiteral("TfSVen0007d_DM"));
    EXPECT_FALSE(g->UltimaRiuscita);
    EXPECT_EQ(Azienda(), prima);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Errore in generazione fatture, nessuna fattura registrata: Guasto simulato"));
    EXPECT_TRUE(g->tMessaggi->Locate(QStringLiteral("Messaggio"),
                                     QStringLiteral("Generazione annullata: nessuna fattura registrata.")));

    // bad parameters: refused with the reason, nothing run
    g->SetPagina(0);
    g->tPars->FieldByName(QStringLiteral("DataFattura"))->Clear();
    g->btEseguiClick();
    EXPECT_EQ(script.LastText(), QStringLiteral("Manca la data delle fatture: indicarla prima di generare."));
    // the healthy module afterwards invoices both notes
    g->tPars->FieldByName(QStringLiteral("DataFattura"))->SetAsDateTime(Giorno(2026, 3, 31));
    g->btEseguiClick();
    EXPECT_TRUE(g->UltimaRiuscita);
    EXPECT_EQ(Azienda().Teste, 2);
}

// Another user invoices the last delivery note while the run writes the first one.
class GenerazioneConcorrente : public TfSVen0007d_DM {
    Q_OBJECT
public:
    using TfSVen0007d_DM::TfSVen0007d_DM;
    void RigoBollaFattura(qint64 KBolleCliR, qint64 KBolleCliT) override
    {
        if (!fatto_)
            DMIDataBases::Instance().Global().ExecSQL(
                QStringLiteral("UPDATE BolleCliRighe SET FlGenFattura = 1 WHERE KBolleCliT = (SELECT MAX(KBolleCliT) "
                               "FROM BolleCliTeste)"));
        fatto_ = true;
        TfSVen0007d_DM::RigoBollaFattura(KBolleCliR, KBolleCliT);
    }

private:
    bool fatto_ = false;
};

TEST_F(Generazione, NoteRowsInvoicedByAnotherUserDuringTheRunFailItAndTheMarksNameTheirInvoiceRows)
{
    ASSERT_NE(NuovaBolla(QStringLiteral("C1")), 0);
    ASSERT_NE(NuovaBolla(QStringLiteral("C2")), 0);
    const Stato prima = Azienda();
    Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TfSVen0007d_DM"), ClassRef::Of<GenerazioneConcorrente>());
    TFSVen0007d *g = Finestra(0);
    ASSERT_NE(g, nullptr);
    g->btEseguiClick();
    Kv8datamodule::Registry().Unregister(QStringLiteral("TfSVen0007d_DM"));
    EXPECT_FALSE(g->UltimaRiuscita);
    EXPECT_EQ(Azienda(), prima);
    EXPECT_EQ(script.LastText(), QStringLiteral("Errore in generazione fatture, nessuna fattura registrata: Righe DDT "
                                                "fatturate o modificate da un altro utente durante la generazione: "
                                                "ripetere la generazione."));

    // alone, the run marks every row with the invoice row of its article
    g->SetPagina(0);
    g->btEseguiClick();
    ASSERT_TRUE(g->UltimaRiuscita);
    EXPECT_EQ(Azienda().Fatturate, 6);
    EXPECT_EQ(
        Conta(QStringLiteral("BolleCliRighe B"),
              QStringLiteral("EXISTS (SELECT 1 FROM FattureCliRighe F JOIN FattureCliTeste T ON T.KFattCliT = "
                             "F.KFattCliT JOIN BolleCliTeste BT ON BT.KBolleCliT = B.KBolleCliT WHERE F.KFattCliR "
                             "= B.KFatturaR AND F.IdProdotto = B.IdProdotto AND T.IdCliente = BT.IdCliente)")),
        6);
}

} // namespace

#include "test_Ordini.moc"

namespace {

// The document windows' "Righe da ordini..." command: the order-line selection opened from the
// window's button, the invoice holding the open selection while it is shown.
class RigheDaOrdini : public Ordini {
protected:
    // An order of C1 for one article, saved by the user.
    void Ordine(const QString &articolo, const QString &quantita)
    {
        auto *f = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F"));
        ASSERT_NE(f, nullptr);
        Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
        NuovoRigo(f, articolo, quantita, QStringLiteral("5"));
        Premi(f, nbPost);
        ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
        f->Close();
        kv8test::ProcessEvents();
    }

    // The selection shown: the line of the article marked whole, OK.
    static int Scegli(TForm &d, const QString &articolo)
    {
        auto &dlg = dynamic_cast<TFSVen0001f_001 &>(d);
        EXPECT_TRUE(dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), articolo)) << articolo.toStdString();
        dlg.SelezionaRigo();
        return int(mrOk);
    }

    static QStringList Righe(TFDocumento *f)
    {
        QStringList righe;
        for (f->TRighe->First(); !f->TRighe->Eof(); f->TRighe->Next())
            righe << QStringLiteral("%1/%2/%3")
                         .arg(f->TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString())
                         .arg(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat())
                         .arg(f->TRighe->FieldByName(QStringLiteral("KOrdineR"))->AsInteger() != 0);
        return righe;
    }
};

TEST_F(RigheDaOrdini, TheInvoiceHoldsTheOpenSelectionWhileItIsShownAndTakesTheLinesChosen)
{
    Ordine(QStringLiteral("A1"), QStringLiteral("10"));
    Ordine(QStringLiteral("B1"), QStringLiteral("4"));
    auto *f = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("FD"), QStringLiteral("C1"));
    EXPECT_FALSE(f->SelezioneOrdiniAttiva());
    EXPECT_FALSE(f->btnOrdini->isHidden()) << "an invoice takes order lines";

    bool attiva = false;
    bool stesso = false;
    int ordini = 0;
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) {
        attiva = f->SelezioneOrdiniAttiva();
        stesso = static_cast<QObject *>(f->DialogoOrdini.data()) == &d;
        ordini = f->ContaOrdini;
        return Scegli(d, QStringLiteral("B1"));
    });
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    EXPECT_TRUE(attiva) << "the invoice knows the selection while the user is in it";
    EXPECT_TRUE(stesso) << "the dialog shown is the one the invoice holds";
    EXPECT_EQ(ordini, 2) << "both orders of the customer on offer";
    EXPECT_EQ(Righe(f), QStringList{QStringLiteral("B1/4/1")});
    EXPECT_FALSE(f->SelezioneOrdiniAttiva()) << "the selection closed: the invoice no longer holds it";
    EXPECT_TRUE(f->DialogoOrdini.isNull());

    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE IdProdotto = 'B1'")).toDouble(), 4);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE IdProdotto = 'A1'")).toDouble(), 0);
    f->Close();
}

TEST_F(RigheDaOrdini, TheDeliveryNoteTakesTheLinesFromItsButtonAndACustomerWithoutOrdersIsTold)
{
    Ordine(QStringLiteral("A1"), QStringLiteral("10"));
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) { return Scegli(d, QStringLiteral("A1")); });
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(Righe(f), QStringList{QStringLiteral("A1/10/1")});
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_EQ(Valore(QStringLiteral("SELECT FlStato FROM OrdiniCliRighe WHERE IdProdotto = 'A1'")).toInt(), 2);

    // the order fulfilled: a new note of the customer finds nothing to take
    ASSERT_TRUE(f->InitDoc(0));
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Il cliente non ha righe d'ordine da evadere."));
    EXPECT_TRUE(f->TRighe->IsEmpty());
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

} // namespace
