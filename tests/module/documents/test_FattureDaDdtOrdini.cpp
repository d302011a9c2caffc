// The module's invoice filled from delivery notes and from order lines: the deposit summary
// built from the rows taken with the delivery-note balances of the first note, and order lines
// taken by packages with their quantity, litres, amounts and reference rows.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sven0001f_p.h"
#include "host/business/Sven0001f_001.h"
#include "host/core/KV8Config.h"
#include "host/data/TXTable.h"
#include "host/ui/DBGrid.h"

#include <QDir>
#include <QPixmap>

class FattureDaDdtOrdini : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        CausaleBollaCauzioni();
        // an invoice causal that leaves the general deposit progressives alone
        Esegui("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
               "IdCausaleMaga, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggMovC) "
               "VALUES ('FW', 'Fattura differita', 0, 0, 1, '', 1, 0, 1, 0)");
    }
    void TearDown() override
    {
        KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlRifOrdine"), 0);
        KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlPesiOrdine"), 0);
        FattureModulo::TearDown();
    }

    // A delivery note of customer C1 saved through the module's window: V12 and V06 packages.
    qint64 NotaSalvata(const QString &colliV12, const QString &colliV06)
    {
        return FattureModulo::NotaSalvata(QStringLiteral("DV"), QStringLiteral("10/03/2026"), [&](TFSVen0001f_p *f) {
            RigoConfezioni(f, QStringLiteral("V12"), colliV12, QStringLiteral("10"), 1);
            RigoConfezioni(f, QStringLiteral("V06"), colliV06, QStringLiteral("5"), 0);
        });
    }
    // Two notes (5 cases and 48 bottles, then 2 cases and 18 bottles) whose stored summaries
    // carry recognisable delivery-note balances: CAS 40 / 80.00 on the first, 70 / 140.00 on
    // the second.
    void DueNote()
    {
        prima = NotaSalvata(QStringLiteral("3"), QStringLiteral("2"));
        seconda = NotaSalvata(QStringLiteral("1"), QStringLiteral("1"));
        ASSERT_NE(prima, seconda);
        Esegui(
            "UPDATE LUMO_CauzDocBoll SET EsistenzaB = 40, ValoreEsiB = 80 WHERE KBolleCliT = ? AND IdImballo = 'CAS'",
            {prima});
        Esegui(
            "UPDATE LUMO_CauzDocBoll SET EsistenzaB = 70, ValoreEsiB = 140 WHERE KBolleCliT = ? AND IdImballo = 'CAS'",
            {seconda});
        script.ClearMessages();
    }
    // Closes the window, leaving its changes (the question only when it is asked).
    void Chiudi(TFSVen0008f_p *f)
    {
        script.AllowUnusedAnswers();
        if ((f->TTesta->State() != dsBrowse && f->TTesta->Modified()) || f->FlRigheModificate)
            script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
        f->Close();
        kv8test::ProcessEvents();
    }
    // The working summary, "code/general/value/notes/value/loaded/returned" per row.
    static QStringList Sommario(TFSVen0008f_p *f)
    {
        QStringList out;
        TDataSet *c = f->TTLUMO_CauzDoc;
        for (c->First(); !c->Eof(); c->Next()) {
            QStringList r{c->FieldByName(QStringLiteral("IdImballo"))->AsString()};
            for (const char *nome : {"EsistenzaAtt", "ValoreEsiAtt", "EsistenzaB", "ValoreEsiB", "QtaCar", "QtaRes"})
                r << QString::number(c->FieldByName(QLatin1String(nome))->AsFloat());
            out << r.join(QLatin1Char('/'));
        }
        return out;
    }
    int Informazioni() const
    {
        int n = 0;
        for (const kv8test::ShownMessage &m : script.Messages())
            n += m.Type == mtInformation ? 1 : 0;
        return n;
    }

    // ---- order lines
    // Order heads 1 (OC 5, "RIF-A") and 2 (OC 6, "RIF-B") of customer C1.
    void Ordini()
    {
        Esegui("INSERT INTO OrdiniCliTeste (KOrdiniCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
               "IdCliente, RifOrdine) VALUES (1, 'OC', 2026, 0, 5, ?, 'CL', 'C1', 'RIF-A'), "
               "(2, 'OC', 2026, 0, 6, ?, 'CL', 'C1', 'RIF-B')",
               {Giorno(2026, 3, 2), Giorno(2026, 3, 4)});
    }
    struct Linea {
        int kRigo;
        int kTesta;
        const char *articolo;
        double confezioni;    // packages chosen
        double perConfezione; // units per package on the order
        double scelta;        // quantity chosen (amount in the amount mode)
        int tipoRigo = 0;
        double prezzo = 10;
    };
    // The lines chosen in the order-line selection (its local table), each with its order row.
    void Selezione(const QList<Linea> &linee, bool perImporto = false)
    {
        TXTable t;
        t.SetDatabaseName(QStringLiteral("LocalDatabase"));
        t.SetTableName(QStringLiteral("TSelOrdR"));
        t.CreaTabella();
        t.Open();
        t.EmptyTable();
        t.Refresh();
        for (const Linea &l : linee) {
            Esegui(
                "INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, TipoRigo, IdProdotto, QuantitaOrd, "
                "Quantita2Ord, Prezzo, IdIva, IdMagazzino) VALUES (?, ?, ?, ?, ?, 100, ?, ?, '22', 1)",
                {l.kRigo, l.kTesta, l.kRigo, l.tipoRigo, QString::fromLatin1(l.articolo), l.perConfezione, l.prezzo});
            t.Append();
            const auto campo = [&t](const char *nome) { return t.FieldByName(QLatin1String(nome)); };
            campo("KOrdiniCliR")->SetAsInteger(l.kRigo);
            campo("KOrdiniCliT")->SetAsInteger(l.kTesta);
            campo("NumOrdine")->SetAsInteger(l.kRigo);
            campo("TipoRigo")->SetAsInteger(l.tipoRigo);
            campo("IdProdotto")->SetAsString(QString::fromLatin1(l.articolo));
            campo("Descrizione")->SetAsString(QStringLiteral("Linea %1").arg(l.kRigo));
            campo("Prezzo")->SetAsFloat(l.prezzo);
            campo("IdIva")->SetAsString(QStringLiteral("22"));
            campo("IdMagazzino")->SetAsInteger(1);
            campo("QuantitaOrd")->SetAsFloat(100);
            campo("Quantita2Ord")->SetAsFloat(l.perConfezione);
            campo("Lunghezza")->SetAsFloat(l.confezioni);
            campo("UT_LMQ_FlTipoPrz")->SetAsInteger(1);
            campo("UT_QtaConfSel")->SetAsFloat(l.confezioni);
            campo("FlSelez")->SetAsInteger(1);
            campo(perImporto ? "ImpSelez" : "QtaSelez")->SetAsFloat(l.scelta);
            t.Post();
        }
    }
    // The invoice's rows, "sort/type/article/description/packages/per package/quantity/litres/gross".
    static QStringList Righe(TFSVen0008f_p *f)
    {
        QStringList out;
        TDataSet *r = f->TRighe;
        for (r->First(); !r->Eof(); r->Next()) {
            QStringList v{r->FieldByName(QStringLiteral("NumOrdine"))->AsString(),
                          r->FieldByName(QStringLiteral("TipoRigo"))->AsString(),
                          r->FieldByName(QStringLiteral("IdProdotto"))->AsString(),
                          r->FieldByName(QStringLiteral("Descrizione"))->AsString()};
            for (const char *nome : {"Lunghezza", "Quantita2", "Quantita", "UT_LMQ_TotLit", "ImportoLordo"})
                v << QString::number(r->FieldByName(QLatin1String(nome))->AsFloat());
            out << v.join(QLatin1Char('/'));
        }
        return out;
    }

    qint64 prima = 0;
    qint64 seconda = 0;
};

// ---- rows from delivery notes

TEST_F(FattureDaDdtOrdini, TheRowCommandTakesTheNoteTheUserChoosesWithItsBalances)
{
    DueNote();
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    PrendiBolle(f, {seconda});
    EXPECT_EQ(f->TRighe->RecordCount(), 2) << "the second note's rows only";
    // the summary built from the rows taken, with the chosen note's delivery-note balances
    EXPECT_EQ(Sommario(f).filter(QStringLiteral("CAS/")), QStringList{QStringLiteral("CAS/7/14/70/140/2/0")});
    EXPECT_EQ(Informazioni(), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    Chiudi(f);
}

TEST_F(FattureDaDdtOrdini, ANoteRowIsTakenAsStoredEvenWhenItsPackagesDoNotMakeItsQuantity)
{
    // as an earlier version stored the rows it took from order lines: the bottles, no packages
    const qint64 bolla = NotaSalvata(QStringLiteral("3"), QStringLiteral("2"));
    Esegui("UPDATE BolleCliRighe SET Lunghezza = 0 WHERE KBolleCliT = ? AND IdProdotto = 'V06'", {bolla});
    const QStringList nota =
        Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita2, Quantita, UT_LMQ_TotLit, "
                              "ImportoNetto FROM BolleCliRighe WHERE KBolleCliT = ? ORDER BY NumOrdine"),
               {bolla});
    ASSERT_EQ(nota, (QStringList{"V12/3/12/36/27/30", "V06/0/6/12/9/60"}));
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    PrendiBolle(f, {bolla});
    SalvaEChiudi(f);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita2, Quantita, UT_LMQ_TotLit, ImportoNetto "
                                    "FROM FattureCliRighe ORDER BY NumOrdine")),
              nota);
}

TEST_F(FattureDaDdtOrdini, NotesTakenIntoANewInvoiceCarryTheFirstNotesBalances)
{
    DueNote();
    // a code only the first note's summary has, and the bottles missing from it
    Esegui("INSERT INTO LUMO_CauzDocBoll (KMovimento, FlTipoDocColl, KBolleCliT, IdImballo, EsistenzaB, ValoreEsiB) "
           "VALUES (9001, 1, ?, 'XXX', 5, 5)",
           {prima});
    Esegui("DELETE FROM LUMO_CauzDocBoll WHERE KBolleCliT = ? AND IdImballo = 'BOT'", {prima});
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    ASSERT_EQ(f->AccodaRigheDaDDT(), 4);
    // general balances as built (FV moves them); CAS from the first note; BOT as built
    EXPECT_EQ(Sommario(f), (QStringList{"BOT/66/6.6/66/6.6/66/0", "CAS/7/14/40/80/7/0"}));
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    EXPECT_FALSE(f->TTLUMO_CauzDoc->ControlsDisabled());
    EXPECT_DOUBLE_EQ(Campo(f->TTesta, "SpeseImballo"), 20.6) << "7 cases at 2.00 and 66 bottles at 0.10";
    EXPECT_EQ(Informazioni(), 0);
    // the tab as the user sees it, offscreen
    f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
    kv8test::ProcessEvents();
    EXPECT_EQ(Sommario(f).size(), 2) << "entering the tab keeps the summary built in this edit";
    f->resize(1000, 640);
    const QPixmap schermata = f->grab();
    EXPECT_FALSE(schermata.isNull());
    schermata.save(QDir::temp().filePath(QStringLiteral("invoice-from-notes-castelletto.png")));
    f->KPageControl->setCurrentWidget(f->tsTesta);
    kv8test::ProcessEvents();

    // saved: the stored summary keeps the note's balances, the notes are invoiced
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral(
                  "SELECT IdImballo, EsistenzaB, ValoreEsiB, QtaCar FROM LUMO_CauzDocFatt ORDER BY IdImballo")),
              (QStringList{"BOT/66/6.6/66", "CAS/40/80/7"}));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("FlGenFattura = 1")), 4);
}

TEST_F(FattureDaDdtOrdini, CausalNotMovingGeneralBalancesTakesThisInvoiceOffThem)
{
    DueNote();
    auto *f = NuovaFattura(QStringLiteral("FW"));
    ASSERT_TRUE(f);
    ASSERT_EQ(f->AccodaRigheDaDDT(), 4);
    // general: 7 - 7 loaded + 0 returned, value 14 - 14; the first note was saved with no
    // bottles on the cards yet
    EXPECT_EQ(Sommario(f), (QStringList{"BOT/0/0/0/0/66/0", "CAS/0/0/40/80/7/0"}));
    Chiudi(f);
}

TEST_F(FattureDaDdtOrdini, SummaryLeftAloneWhenAlreadyBuiltHiddenOrOnAStoredInvoice)
{
    // a stored invoice without a summary
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("A1"), QStringLiteral("2"), QStringLiteral("5"), 0);
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    Esegui("DELETE FROM LUMO_CauzDocFatt");
    const qint64 k = Valore(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste")).toLongLong();
    Chiudi(f);
    DueNote();

    // changed: the host takes the rows, the summary stays as stored
    f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    f->TTesta->Edit();
    kv8test::ProcessEvents();
    ASSERT_EQ(f->ModoSalva, 1);
    EXPECT_EQ(f->AccodaRigheDaDDT(), 4);
    EXPECT_EQ(f->TRighe->RecordCount(), 5);
    EXPECT_TRUE(Sommario(f).isEmpty());
    Chiudi(f);

    // built earlier in the edit, from a typed row: neither rebuilt nor given the note's balances
    f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 0);
    f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
    kv8test::ProcessEvents();
    const QStringList costruito = Sommario(f);
    ASSERT_EQ(costruito, (QStringList{"BOT/66/6.6/66/6.6/6/0", "CAS/7/14/7/14/1/0"}));
    EXPECT_EQ(f->AccodaRigheDaDDT(), 4);
    EXPECT_EQ(f->TRighe->RecordCount(), 5);
    EXPECT_EQ(Sommario(f), costruito);
    Chiudi(f);

    // deposits off: the tab is hidden and nothing is built
    Parametri("FlAbilCauz = 0");
    f = NuovaFattura();
    ASSERT_TRUE(f);
    ASSERT_FALSE(f->KPageControl->TabVisible(f->tsLUMO_CauzDoc));
    EXPECT_EQ(f->AccodaRigheDaDDT(), 4);
    EXPECT_TRUE(Sommario(f).isEmpty());
    Chiudi(f);
}

TEST_F(FattureDaDdtOrdini, NoNoteTakenKeepsTheBuildsBalances)
{
    DueNote();
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 0);
    EXPECT_EQ(f->AccodaRigheDaDDT(), 0);
    // built from the typed row: the B balances are the cards', never a note's 40 or 70
    EXPECT_EQ(Sommario(f), (QStringList{"BOT/66/6.6/66/6.6/6/0", "CAS/7/14/7/14/1/0"}));
    Chiudi(f);
}

TEST_F(FattureDaDdtOrdini, AFailureReadingTheNotesSummaryIsShownOnceAndKeepsTheRows)
{
    DueNote();
    Esegui("ALTER TABLE LUMO_CauzDocBoll RENAME TO LUMO_CauzDocBollX");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->AccodaRigheDaDDT(), 4);
    EXPECT_EQ(Informazioni(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(f->TRighe->RecordCount(), 4);
    EXPECT_EQ(Sommario(f), (QStringList{"BOT/66/6.6/66/6.6/66/0", "CAS/7/14/7/14/7/0"})) << "the build stays";
    EXPECT_FALSE(f->TTLUMO_CauzDoc->ControlsDisabled());
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    Chiudi(f);
    Esegui("ALTER TABLE LUMO_CauzDocBollX RENAME TO LUMO_CauzDocBoll");
}

TEST_F(FattureDaDdtOrdini, AFailingSummaryBuildIsShownOnceAndKeepsTheRows)
{
    DueNote();
    Esegui("DROP TABLE LUMO_ProgCauz");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->AccodaRigheDaDDT(), 4);
    ASSERT_EQ(script.Messages().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(script.Messages().first().Type, mtInformation) << "the build's own text";
    EXPECT_FALSE(f->Castelletto->UT_LMQ_InCopiaDati);
    EXPECT_EQ(f->TRighe->RecordCount(), 4);
    Chiudi(f);
}

TEST_F(FattureDaDdtOrdini, ANotesChargeComesOnTheInvoiceUnlessAnotherInvoiceTookPartOfTheNote)
{
    // the note's transport: 25 a document on the customer's list
    Parametri("FlAbilTrasporto = 1");
    Esegui("UPDATE CausaliBolleCli SET UT_LMQ_FlTipoGest = 1 WHERE IdCausale = 'DV'");
    Esegui("UPDATE Clienti SET UT_LMQ_FlGesTraCli = 1 WHERE IdConto = 'C1'");
    Esegui("INSERT INTO LUMO_ListTraT (KListTraT, IdListTra, DsListTra, DataInizio, DataFine, IdDivisa) "
           "VALUES (1, 'T1', 'Trasporti', ?, ?, 'EUR')",
           {Giorno(2026, 1, 1), Giorno(2026, 12, 31)});
    Esegui("INSERT INTO LUMO_ListTraD (KListTraD, KListTraT, IdSpedizione, IdZona, IdConto, IdDestinazione, "
           "FlTipoGest, SpeseTrasporto, PercSpesa) VALUES (1, 1, '', '', '', 0, 1, 25, 0)");
    const qint64 bolla = NotaSalvata(QStringLiteral("2"), QStringLiteral("1"));
    ASSERT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT SpeseTrasporto FROM BolleCliTeste WHERE KBolleCliT = ?"), {bolla}).toDouble(),
        25);
    const auto fattura = [&](bool soloPrimo) {
        auto *f = NuovaFattura();
        EXPECT_TRUE(f);
        if (!f)
            return QVariant();
        PrendiBolle(f, {bolla});
        if (soloPrimo) {
            // the second row left to a later invoice
            VaiARigo(f, QStringLiteral("V06"));
            script.Yes(QStringLiteral("Conferma Cancellazione ?"));
            PremiRighe(f, nbDelete);
        }
        SalvaEChiudi(f);
        return Valore(QStringLiteral("SELECT SpeseTrasporto FROM FattureCliTeste WHERE KFattCliT = "
                                     "(SELECT MAX(KFattCliT) FROM FattureCliTeste)"));
    };

    // the first invoice takes part of the note, and its charge, without a word
    script.ClearMessages();
    EXPECT_DOUBLE_EQ(fattura(true).toDouble(), 25);
    EXPECT_EQ(Informazioni(), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("FlGenFattura = 0")), 1);

    // the rest: the note is partly invoiced already, its charge is named and left out
    script.ClearMessages();
    EXPECT_DOUBLE_EQ(fattura(false).toDouble(), 0);
    const QStringList avvisi = script.Texts().filter(QStringLiteral("NON sono stati riportati in automatico"));
    ASSERT_EQ(avvisi.size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(avvisi.first().contains(QStringLiteral("Spese trasporto 25,00"))) << avvisi.first().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("FlGenFattura = 0")), 0);
}

// ---- rows from order lines

TEST_F(FattureDaDdtOrdini, OrderLinesTakenByPackagesGiveQuantityLitresAndAmounts)
{
    Ordini();
    // V06: 3 packages of 6 at 10.00 a package; V12: 2 packages, no units per package on the order
    Selezione({{11, 1, "V06", 3, 6, 18}, {12, 1, "V12", 2, 0, 24}});
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    // the order row weighs 50 kg for its 100 units: 18 units taken carry their share
    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlPesiOrdine"), 1);
    f->TRighe->Database().ExecSQL(QStringLiteral("UPDATE TSelOrdR SET PesoLordo = 50, PesoNetto = 40, Volume = 0.3 "
                                                 "WHERE KOrdiniCliR = 11"));
    const qint64 chiave = f->TTesta->FieldByName(QStringLiteral("KFattCliT"))->Value().toLongLong();
    ASSERT_EQ(f->AccodaRigheDaOrdine(), 2) << script.Texts().join(QLatin1Char('|')).toStdString();
    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlPesiOrdine"), 0);
    EXPECT_EQ(Righe(f), (QStringList{"1024/0/V06/Linea 11/3/6/18/13.5/30", "2048/0/V12/Linea 12/2/1/2/1.5/20"}));
    EXPECT_FALSE(f->qSelOrdini->Active());
    EXPECT_TRUE(f->FlRigheModificate);
    f->TRighe->First();
    const auto campo = [f](const char *nome) { return f->TRighe->FieldByName(QLatin1String(nome)); };
    EXPECT_EQ(campo("NumeroImballi")->AsFloat(), 3);
    EXPECT_DOUBLE_EQ(campo("PesoLordo")->AsFloat(), 9);
    EXPECT_DOUBLE_EQ(campo("PesoNetto")->AsFloat(), 7.2);
    EXPECT_DOUBLE_EQ(campo("Volume")->AsFloat(), 0.054);
    EXPECT_EQ(campo("KOrdineR")->AsInteger(), 11);
    EXPECT_EQ(campo("KOrdineRifR")->AsInteger(), 11);
    EXPECT_EQ(campo("FlTipoPrezzoBase")->AsInteger(), -99);
    EXPECT_EQ(campo("KFattCliT")->Value().toLongLong(), chiave);
    EXPECT_EQ(campo("Stato")->AsInteger(), 2);
    EXPECT_EQ(f->LegamiOrdini.value(campo("Contatore")->AsInteger()), 1) << "the order head of the line";
    EXPECT_EQ(Informazioni(), 0);

    // saved: the rows stored as taken, the order rows fulfilled by their quantity
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, UT_LMQ_TotLit, ImportoLordo, KOrdineR "
                                    "FROM FattureCliRighe ORDER BY NumOrdine")),
              (QStringList{"V06/3/18/13.5/30/11", "V12/2/2/1.5/20/12"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT KOrdiniCliR, QuantitaSpe FROM OrdiniCliRighe ORDER BY KOrdiniCliR")),
              (QStringList{"11/18", "12/2"}));
}

// The order lines a save fulfils are read once for all its rows and written at the commit: a
// failed save leaves them as stored, and the corrected save reads what another user changed
// meanwhile and fulfils each line once.
TEST_F(FattureDaDdtOrdini, OrderLinesOfAFailedSaveStayAsStoredAndTheCorrectedSaveFulfilsThemOnce)
{
    Ordini();
    Selezione({{11, 1, "V06", 3, 6, 18}, {12, 1, "V12", 2, 0, 24}});
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    ASSERT_EQ(f->AccodaRigheDaOrdine(), 2) << script.Texts().join(QLatin1Char('|')).toStdString();
    script.AllowUnusedAnswers();
    ASSERT_TRUE(GuastaInserimenti(QStringLiteral("FattureCliRighe")));
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT KOrdiniCliR, QuantitaSpe, UT_QtaConfSpe, FlStato FROM OrdiniCliRighe "
                                    "ORDER BY KOrdiniCliR")),
              (QStringList{"11/0/0/0", "12/0/0/0"}));

    RipristinaInserimenti(QStringLiteral("FattureCliRighe"));
    Esegui("UPDATE OrdiniCliRighe SET QuantitaSpe = 5, FlStato = 1 WHERE KOrdiniCliR = 12");
    script.No(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT KOrdiniCliR, QuantitaSpe, UT_QtaConfSpe, FlStato FROM OrdiniCliRighe "
                                    "ORDER BY KOrdiniCliR")),
              (QStringList{"11/18/3/1", "12/7/2/1"}));
}

TEST_F(FattureDaDdtOrdini, LinesOfTwoOrdersComeAfterTheirReferenceRows)
{
    Ordini();
    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlRifOrdine"), 3);
    // a descriptive line chosen without a quantity is taken; a line of an order that is gone
    // comes without a reference row
    Selezione({{21, 1, "V06", 1, 6, 6},
               {22, 1, "", 0, 0, 0, 2},
               {23, 2, "V12", 2, 12, 24},
               {24, 9, "V06", 1, 6, 6},
               {25, 9, "V12", 1, 12, 12}});
    // the second order's VAT exemption goes onto its rows only
    Esegui("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('N8', 'Esente art. 8', 0)");
    Esegui("INSERT INTO Esenzioni (IdEsenzione, DsEsenzione, IdIva) VALUES ('E8', 'Esportazione', 'N8')");
    Esegui("UPDATE OrdiniCliTeste SET IdEsenzione = 'E8' WHERE KOrdiniCliT = 2");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    // rows already typed: the next sort number is the multiple of 1024 after the last
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("1"), QStringLiteral("5"), 0);
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("NumOrdine"))->SetAsInteger(1500);
    f->TRighe->Post();
    script.ClearMessages();
    ASSERT_EQ(f->AccodaRigheDaOrdine(), 5) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(script.Texts(), QStringList{QStringLiteral("Ordine non trovato")}) << "once for the order";
    QStringList iva;
    for (f->TRighe->First(); !f->TRighe->Eof(); f->TRighe->Next())
        if (!f->TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString().isEmpty())
            iva << f->TRighe->FieldByName(QStringLiteral("IdIva"))->AsString();
    EXPECT_EQ(iva, (QStringList{"22", "22", "N8", "22", "22"}));
    QStringList righe = Righe(f);
    ASSERT_EQ(righe.size(), 8);
    righe.removeFirst();
    EXPECT_EQ(righe, (QStringList{"3072/2//Rif. Ordine OC-5/2026 02/03/2026 RIF-A/1/1/1/0/0",
                                  "4096/0/V06/Linea 21/1/6/6/4.5/10", "5120/2//Linea 22/0/1/0/0/0",
                                  "6144/2//Rif. Ordine OC-6/2026 04/03/2026 RIF-B/1/1/1/0/0",
                                  "7168/0/V12/Linea 23/2/12/24/18/20", "8192/0/V06/Linea 24/1/6/6/4.5/10",
                                  "9216/0/V12/Linea 25/1/12/12/9/10"}));
    Chiudi(f);
}

TEST_F(FattureDaDdtOrdini, AmountModeBillsTheAmountChosenOnQuantityOne)
{
    Ordini();
    // amounts chosen: 50.00 on the first line, nothing on the second
    Selezione({{31, 1, "V12", 4, 12, 50}, {32, 1, "V06", 2, 6, 0}}, true);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    f->ModoSelezione = 1;
    ASSERT_EQ(f->AccodaRigheDaOrdine(), 1);
    EXPECT_EQ(Righe(f), QStringList{"1024/0/V12/Linea 31/1/12/1/0.75/50"});
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Prezzo"))->AsFloat(), 50);
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("ImportoNetto"))->AsFloat(), 50);
    Chiudi(f);
}

// A line the row check refuses (no packages: quantity 0) or the order-row check refuses (fulfilled
// meanwhile) is left out; the lines after it are taken, and every line left out is named in one
// message at the end.
TEST_F(FattureDaDdtOrdini, LinesLeftOutAreNamedTogetherAndTheLinesAfterThemAreTaken)
{
    Ordini();
    Selezione({{41, 1, "V06", 2, 6, 12},
               {42, 1, "V12", 0, 12, 12},
               {43, 1, "V06", 1, 6, 6},
               {44, 1, "V06", 1, 6, 6},
               {45, 1, "V12", 0, 12, 24},
               {46, 1, "V12", 1, 12, 12}});
    Esegui("UPDATE OrdiniCliRighe SET FlStato = 2 WHERE KOrdiniCliR = 44"); // another user fulfilled it
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->AccodaRigheDaOrdine(), 3);
    ASSERT_EQ(Informazioni(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(script.Texts().first(),
              QStringLiteral("Righe d'ordine non riportate nel documento:\n"
                             "articolo V12 - Linea 42: La quantità dell'articolo V12 è zero: indicare una quantità.\n"
                             "articolo V06 - Linea 44: la riga d'ordine è già evasa o non esiste più\n"
                             "articolo V12 - Linea 45: La quantità dell'articolo V12 è zero: indicare una quantità."));
    EXPECT_EQ(Righe(f), (QStringList{"1024/0/V06/Linea 41/2/6/12/9/20", "2048/0/V06/Linea 43/1/6/6/4.5/10",
                                     "3072/0/V12/Linea 46/1/12/12/9/10"}));
    EXPECT_EQ(f->LegamiOrdini.size(), 3);
    EXPECT_EQ(f->TRighe->State(), dsBrowse);
    EXPECT_FALSE(f->qSelOrdini->Active());
    Chiudi(f);
}

// The user's road: packages typed on one line, a quantity typed without packages on another, a
// third line selected whole; OK takes the two with packages and names the other.
TEST_F(FattureDaDdtOrdini, AQuantityTypedWithoutPackagesIsNamedAndTheOtherLinesAreTaken)
{
    Initialize();
    Ordini();
    Esegui("INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, TipoRigo, IdProdotto, Descrizione, "
           "Lunghezza, Quantita2Ord, QuantitaOrd, Prezzo, IdIva, IdMagazzino, UT_LMQ_FlTipoPrz) VALUES "
           "(61, 1, 1, 0, 'V06', 'Brunello', 5, 6, 30, 10, '22', 1, 1), "
           "(62, 1, 2, 0, 'V12', 'Chianti', 2, 12, 24, 10, '22', 1, 1), "
           "(63, 1, 3, 0, 'V06', 'Brunello', 1, 6, 6, 10, '22', 1, 1)");
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [](TForm &form) {
        auto &dialogo = dynamic_cast<TFSVen0001f_001 &>(form);
        TDataSet *t = dialogo.TSelOrdR;
        EXPECT_TRUE(t->Locate(QStringLiteral("KOrdiniCliR"), 61));
        EXPECT_TRUE(kv8test::ReplaceText(dialogo.FindControl<TDBEdit>(QStringLiteral("edUT_UT_QtaConfSel")),
                                         QStringLiteral("3")));
        t->Post();
        // the quantity to send typed in the grid
        EXPECT_TRUE(t->Locate(QStringLiteral("KOrdiniCliR"), 62));
        KDBGriglia *g = dialogo.gSelOrdR;
        int colonna = 0;
        while (colonna < g->ColumnCount() && g->Columns(colonna).FieldName != QLatin1String("QtaSelez"))
            ++colonna;
        EXPECT_TRUE(g->model()->setData(g->model()->index(t->ActiveRow(), colonna), QStringLiteral("12")));
        t->Post();
        EXPECT_TRUE(t->Locate(QStringLiteral("KOrdiniCliR"), 63));
        dialogo.SelezionaRigo();
        dialogo.btOk->click();
        return int(mrOk);
    });
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 2);
    EXPECT_EQ(Righe(f), (QStringList{"1024/0/V06/Brunello/3/6/18/13.5/30", "2048/0/V06/Brunello/1/6/6/4.5/10"}));
    ASSERT_EQ(Informazioni(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(script.Texts().first().contains(
        QStringLiteral("articolo V12 - Chianti: La quantità dell'articolo V12 è zero: indicare una quantità.")))
        << script.Texts().first().toStdString();
    Chiudi(f);
}

TEST_F(FattureDaDdtOrdini, PackagesInvoicedFromAnOrderLeaveTheRestForTheNextSelection)
{
    Initialize(); // the module's order module and selection dialog in the host's place
    Ordini();
    // 5 packages of 6 ordered at 10.00 a package
    Esegui("INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, TipoRigo, IdProdotto, Descrizione, "
           "Lunghezza, Quantita2Ord, QuantitaOrd, Prezzo, IdIva, IdMagazzino, UT_LMQ_FlTipoPrz) "
           "VALUES (51, 1, 1, 0, 'V06', 'Brunello', 5, 6, 30, 10, '22', 1, 1)");
    // in the selection the user types 3 packages on the line and presses OK
    double offerte = -1;
    int marcata = -1;
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &form) {
        auto &dialogo = dynamic_cast<TFSVen0001f_001 &>(form);
        TDataSet *t = dialogo.TSelOrdR;
        EXPECT_TRUE(t->Locate(QStringLiteral("KOrdiniCliR"), 51));
        offerte = t->FieldByName(QStringLiteral("UT_QtaConfDaSpe"))->AsFloat();
        if (offerte < 5)
            return int(mrCancel);
        EXPECT_TRUE(kv8test::ReplaceText(dialogo.FindControl<TDBEdit>(QStringLiteral("edUT_UT_QtaConfSel")),
                                         QStringLiteral("3")));
        marcata = t->FieldByName(QStringLiteral("FlSelez"))->AsInteger();
        dialogo.btOk->click();
        return int(mrOk);
    });
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    ASSERT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(offerte, 5);
    EXPECT_EQ(marcata, 1) << "the packages typed select the line";
    EXPECT_EQ(Righe(f), QStringList{"1024/0/V06/Brunello/3/6/18/13.5/30"});
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_QtaConfSpe, QuantitaSpe, FlStato FROM OrdiniCliRighe")),
              QStringList{"3/18/1"});

    // the next invoice's selection offers the two packages left
    Chiudi(f);
    f = NuovaFattura();
    ASSERT_TRUE(f);
    EXPECT_EQ(Sven0001f_001::SelezionaRigheOrdine(f), 0);
    EXPECT_EQ(offerte, 2) << script.Texts().join(QLatin1Char('|')).toStdString();
    Chiudi(f);
}
