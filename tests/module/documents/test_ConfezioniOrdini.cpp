// Packages on order lines: the order module keeping the packages shipped of its rows, the
// order-line selection dialog by packages, the quantity-detail dialog's close checks, and kit
// components and bar-code reads counted in packages on the invoice and order windows.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Dmi_sorc_p.h"
#include "documents/Sorc0001f_p.h"
#include "documents/Sven0001f_001p.h"
#include "documents/Sven0904f_p.h"
#include "frame/Lumo_dlgEspDb.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmiscon.h"
#include "host/business/Dmisven.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"

#include <QRadioButton>

namespace {

class ConfezioniOrdini : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        Initialize();
        Esegui("INSERT INTO CausaliOrdiniCli (IdCausale, DsCausale, Serie) VALUES ('OC', 'Ordine cliente', 0)");
        Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita, FlBolle, FlFatture) VALUES "
               "(5, 'Descrizione', 2, 0, 1, 1)");
        Esegui("INSERT INTO OrdiniCliTeste (KOrdiniCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
               "IdCliente, IdDivisa, Cambio) VALUES (1, 'OC', 2026, 0, 1, '2026-03-01', 'CL', 'C1', 'EUR', 1)");
    }
    void TearDown() override
    {
        KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlControlloEccedenza"), 1);
        FattureModulo::TearDown();
    }

    // An order line of the article: packages ordered and shipped, units per package.
    void RigaOrdine(int chiave, const char *articolo, double confezioni, double pezzi, double confSpedite,
                    int tipoRigo = 0, double importo = 120)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, TipoRigo, IdProdotto, "
                   "Descrizione, IdUM, Lunghezza, Quantita2Ord, QuantitaOrd, QuantitaSpe, QuantitaAnn, "
                   "QuantitaSal, QuantitaPre, FlStato, ImportoNN, ControValoreNN, ImportoLordo, ControValoreL, "
                   "ImportoSpedito, ControvSpedito, ImportoSpeditoL, ControvSpeditoL, Prezzo, IdIva, "
                   "UT_QtaConfSpe, UT_QtaConfSal) VALUES (%1, 1, %1, %2, '%3', 'Vino', 'BT', %4, %5, %6, %7, 0, "
                   "0, 0, %8, %9, %9, %9, %9, 0, 0, 0, 0, 2, '22', %10, 0)")
                   .arg(chiave)
                   .arg(tipoRigo)
                   .arg(QLatin1String(articolo))
                   .arg(confezioni)
                   .arg(pezzi)
                   .arg(confezioni * pezzi)
                   .arg(confSpedite * pezzi)
                   .arg(confSpedite > 0 ? 1 : 0)
                   .arg(importo)
                   .arg(confSpedite)
                   .toUtf8()
                   .constData());
    }
    // The window's detail lines not deleted, one column joined by "/".
    static QString Dettagli(TFDocumento *f, const char *campo)
    {
        QSqlQuery q = DMIDataBases::Instance().Local().OpenQuery(
            QStringLiteral("SELECT %1 FROM t_DettQtaDoc WHERE KTestaDoc = ? AND Stato < 3 ORDER BY Contatore")
                .arg(QLatin1String(campo)),
            {Sven0904f::ChiaveFinestra(f)});
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out.join(QLatin1Char('/'));
    }
    // "packages shipped/shipped/state/amount shipped" of an order line.
    QString Evasione(int chiave)
    {
        return Elenco(QStringLiteral("SELECT UT_QtaConfSpe, QuantitaSpe, FlStato, ImportoSpedito FROM OrdiniCliRighe "
                                     "WHERE KOrdiniCliR = ?"),
                      {chiave})
            .value(0);
    }
};

// ---- the order module

// A document row as the saves hand it over.
struct RigoDoc {
    TXMemTable t;
    RigoDoc(int kOrdineR, double quantita, double confezioni)
    {
        for (const char *nome : {"KOrdineR", "KOrdineRigo", "FlSaldoRigo", "KPrelieviR"})
            t.AddField(QLatin1String(nome), ftInteger);
        for (const char *nome : {"Quantita", "QuantitaOrd", "QuantitaSaldo", "Lunghezza", "ImportoNN", "ImportoLordo"})
            t.AddField(QLatin1String(nome), ftFloat);
        t.Open();
        t.Append();
        for (const char *nome : {"KOrdineR", "KOrdineRigo"})
            t.FieldByName(QLatin1String(nome))->SetAsInteger(kOrdineR);
        for (const char *nome : {"Quantita", "QuantitaOrd"})
            t.FieldByName(QLatin1String(nome))->SetAsFloat(quantita);
        t.FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(confezioni);
        t.FieldByName(QStringLiteral("ImportoNN"))->SetAsFloat(10);
        t.Post();
    }
};

class ConaiRifiutato : public TDMISCon {
    Q_OBJECT
public:
    using TDMISCon::TDMISCon;
    int AggiornaRiferimentiCollegati(int, int, const QString &, int, QString &errore, double, double, double,
                                     double) override
    {
        errore = QStringLiteral("rigo CONAI bloccato");
        return -1;
    }
};

TEST_F(ConfezioniOrdini, TheOrderModuleKeepsThePackagesShippedOfItsRows)
{
    RigaOrdine(1, "V06", 10, 6, 0);
    RigaOrdine(2, "V06", 4, 6, 0, 5);
    TDMISOrc *orc = TDMISOrc::Crea();
    ASSERT_NE(dynamic_cast<TDMISOrc_p *>(orc), nullptr) << "the module's class through the registry";
    TDMISVen *sven = TDMISVen::Crea();
    const auto aggiorna = [&](int modo, int tipo, int valore, RigoDoc &d, double qtaOld = 0) {
        EXPECT_TRUE(sven->PosizionaRigoOrdine(d.t.FieldByName(QStringLiteral("KOrdineR"))->AsInteger()));
        return orc->AggiornaRigoOrdine(modo, tipo, valore, &d.t, sven->tOrdiniCliR, qtaOld, 0);
    };
    TDataSet *o = sven->tOrdiniCliR;

    RigoDoc cinque(1, 30, 5);
    ASSERT_TRUE(aggiorna(2, 1, 0, cinque));
    EXPECT_EQ(o->State(), dsBrowse) << "posted";
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), 5);
    EXPECT_DOUBLE_EQ(Campo(o, "QuantitaSpe"), 30);
    EXPECT_EQ(o->FieldByName(QStringLiteral("FlStato"))->AsInteger(), 1);
    EXPECT_DOUBLE_EQ(Campo(o, "ImportoSpedito"), 60) << "half of 120";

    RigoDoc zero(1, 6, 0);
    ASSERT_TRUE(aggiorna(2, 1, 0, zero));
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), 5) << "a row without packages";
    // modified rows (mode 1) and a recomputation (mode 0) move no packages
    ASSERT_TRUE(aggiorna(1, 1, 0, cinque));
    ASSERT_TRUE(aggiorna(0, 0, 0, cinque));
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), 5);
    EXPECT_DOUBLE_EQ(Campo(o, "QuantitaSpe"), 36);

    // taken back by the row's current packages, whatever the old quantities
    RigoDoc frazione(1, 0, 2.25);
    ASSERT_TRUE(aggiorna(3, 1, 0, frazione, 6));
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), 2.75) << "unrounded";
    EXPECT_DOUBLE_EQ(Campo(o, "QuantitaSpe"), 30);
    RigoDoc troppe(1, 0, 4);
    ASSERT_TRUE(aggiorna(3, 1, 0, troppe, 30));
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), -1.25) << "more taken back than shipped";
    EXPECT_EQ(o->FieldByName(QStringLiteral("FlStato"))->AsInteger(), 0);

    // picking lists change only the picked quantity; by amount no packages either
    RigoDoc prelievo(1, 12, 2);
    ASSERT_TRUE(aggiorna(2, 16, 0, prelievo));
    EXPECT_DOUBLE_EQ(Campo(o, "QuantitaPre"), 12);
    EXPECT_FALSE(aggiorna(2, 16, 1, prelievo)) << "a picking list by amount";
    EXPECT_EQ(o->State(), dsBrowse);
    ASSERT_TRUE(aggiorna(2, 1, 1, prelievo));
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), -1.25);
    EXPECT_DOUBLE_EQ(Campo(o, "ImportoSpedito"), 10);

    // an order as the document reads its own key and quantity columns
    RigoDoc ordine(1, 6, 1);
    ordine.t.Edit();
    ordine.t.FieldByName(QStringLiteral("KOrdineR"))->SetAsInteger(99);
    ordine.t.FieldByName(QStringLiteral("Quantita"))->SetAsFloat(1000);
    ordine.t.Post();
    ASSERT_TRUE(sven->PosizionaRigoOrdine(1));
    ASSERT_TRUE(orc->AggiornaRigoOrdine(2, 2, 0, &ordine.t, o, 0, 0));
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), -0.25);
    EXPECT_DOUBLE_EQ(Campo(o, "QuantitaSpe"), 6);

    // a descriptive row takes only its state
    RigoDoc descrittivo(2, 24, 4);
    ASSERT_TRUE(aggiorna(2, 1, 0, descrittivo));
    EXPECT_DOUBLE_EQ(Campo(o, "UT_QtaConfSpe"), 0);
    EXPECT_DOUBLE_EQ(Campo(o, "QuantitaSpe"), 0);

    // not found: false, nothing said
    RigoDoc assente(77, 1, 1);
    EXPECT_FALSE(orc->AggiornaRigoOrdine(2, 1, 0, &assente.t, o, 0, 0));
    EXPECT_TRUE(script.Texts().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();

    // a refused packaging-contribution update: its text shown, false
    DMISCon = new ConaiRifiutato(Application);
    ASSERT_TRUE(sven->PosizionaRigoOrdine(1));
    EXPECT_FALSE(orc->AggiornaRigoOrdine(2, 1, 0, &cinque.t, o, 0, 0));
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Errore in aggiornamento riferimenti CONAI collegati: rigo CONAI bloccato"));
    EXPECT_EQ(script.Messages().last().Type, mtInformation);
    delete DMISCon.data();
}

TEST_F(ConfezioniOrdini, AnInvoiceOfTwoOrderLinesShipsAndGivesBackTheirPackages)
{
    RigaOrdine(1, "V06", 10, 6, 0);
    RigaOrdine(2, "V12", 4, 12, 0);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    const auto collega = [f](int chiave) {
        f->TRighe->Edit();
        f->TRighe->FieldByName(QStringLiteral("KOrdineR"))->SetAsInteger(chiave);
        f->TRighe->Post();
    };
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("5"), QStringLiteral("10"), 1);
    collega(1);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("4"), QStringLiteral("10"), 1);
    collega(2);
    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Evasione(1), QStringLiteral("5/30/1/60"));
    EXPECT_EQ(Evasione(2), QStringLiteral("4/48/2/120"));
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0008f_p>(
        QStringLiteral("SVEN0008F_F;%1")
            .arg(Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste")).toLongLong()));
    ASSERT_TRUE(f);

    // one row from 5 to 3 packages: the stored copy taken back, the row added again
    VaiARigo(f, QStringLiteral("V06"));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(3);
    f->TRighe->Post();
    script.Yes(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Evasione(1), QStringLiteral("3/18/1/36"));
    EXPECT_EQ(Evasione(2), QStringLiteral("4/48/2/120"));

    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Evasione(1), QStringLiteral("0/0/0/0"));
    EXPECT_EQ(Evasione(2), QStringLiteral("0/0/0/0"));
    Chiudi(f);
}

// ---- the order-line selection dialog

class SelezioneConfezioni : public ConfezioniOrdini {
protected:
    TFSVen0001f_001p *Dialogo(TFDocumento *f)
    {
        dlg.reset(Dlgbase::XGetDialogClass(ClassRef::Of<TFSVen0001f_001>()).CreateAs<TFSVen0001f_001>(nullptr));
        auto *p = dynamic_cast<TFSVen0001f_001p *>(dlg.get());
        if (p) {
            EXPECT_TRUE(p->LeggiRigheDocumento(f));
        }
        return p;
    }
    void TearDown() override
    {
        dlg.reset();
        ConfezioniOrdini::TearDown();
    }
    static double V(TFSVen0001f_001 *d, const char *campo) { return Campo(d->TSelOrdR, campo); }
    // Packages typed in the data panel's edit on the line being edited, the line posted as moving
    // to another does.
    static void Confezioni(TFSVen0001f_001 *d, double n)
    {
        d->TSelOrdR->Edit();
        EXPECT_TRUE(
            kv8test::ReplaceText(d->FindControl<TDBEdit>(QStringLiteral("edUT_UT_QtaConfSel")), QString::number(n)));
        if (d->TSelOrdR->State() != dsBrowse)
            d->TSelOrdR->Post();
        kv8test::FocusNext(d->gSelOrdR);
    }
    std::unique_ptr<TFSVen0001f_001> dlg;
};

TEST_F(SelezioneConfezioni, LinesOfferTheirPackagesStillToShipAndSelectThemAll)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    RigaOrdine(2, "V12", 2, 12, 2);
    RigaOrdine(3, "V06", 1, 6, 0, 5);
    // a line whose packages are all shipped while quantity remains
    Esegui("UPDATE OrdiniCliRighe SET QuantitaSpe = 20 WHERE KOrdiniCliR = 2");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Caption(), QStringLiteral("Selezione Ordini (Dusaria)"));
    ASSERT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), 1));
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), 7);
    EXPECT_TRUE(d->TSelOrdR->FieldByName(QStringLiteral("UT_QtaConfSel"))->IsNull()) << "never selected: empty";

    // typing the quantity to send changes no package column
    for (double q : {5.0, 0.0}) {
        d->TSelOrdR->Edit();
        d->TSelOrdR->FieldByName(QStringLiteral("QtaSelez"))->SetAsFloat(q);
        d->TSelOrdR->Post();
        EXPECT_TRUE(d->TSelOrdR->FieldByName(QStringLiteral("UT_QtaConfSel"))->IsNull());
    }

    d->SelezionaRigo();
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 1);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlStato"))->AsInteger(), 2);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfSel"), 7);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 42) << "7 packages of 6";
    d->SelezionaRigo();
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 0);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlStato"))->AsInteger(), 1) << "as read";
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfSel"), 0);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 0);

    ASSERT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), 2));
    d->SelezionaRigo();
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 1);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfSel"), 0);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 0) << "no package left: nothing to send";

    // a descriptive line takes only its marks
    ASSERT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), 3));
    d->SelezionaRigo();
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 1);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlStato"))->AsInteger(), 2);
    EXPECT_TRUE(d->TSelOrdR->FieldByName(QStringLiteral("UT_QtaConfSel"))->IsNull());
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 0);
    d->SelezionaRigo();
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlStato"))->AsInteger(), 0);

    // the grid: packages first, then the quantities
    KDBGriglia *g = d->gSelOrdR;
    ASSERT_EQ(g->ColumnCount(), 21);
    EXPECT_EQ(g->Columns(4).Title, QStringLiteral("Conf.da sped."));
    EXPECT_EQ(g->Columns(5).Color, QColor(Qt::cyan));
    EXPECT_FALSE(g->Columns(5).ReadOnly);
    EXPECT_TRUE(g->Columns(7).ReadOnly);
    EXPECT_FALSE(g->Columns(19).Visible) << "VAT hidden";
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, AnOrderShippedByTwoNotesByPackagesIsShippedOnceWithItsCrates)
{
    CausaleBollaCauzioni();
    const qint64 ordine = OrdineSalvato([](TFSOrc0001f_p *o) {
        RigoConfezioni(o, QStringLiteral("V12"), QStringLiteral("5"), QStringLiteral("10"));
        RigoConfezioni(o, QStringLiteral("V06"), QStringLiteral("3"), QStringLiteral("5"));
    });
    const int v12 = RigoOrdine("V12", ordine);
    const int v06 = RigoOrdine("V06", ordine);
    // a note taking packages of the order's lines through "Righe da ordini..."
    const auto nota = [&](const QList<std::pair<int, double>> &scelte) {
        return NotaSalvata(QStringLiteral("DV"), QStringLiteral("12/03/2026"), [&](TFSVen0001f_p *f) {
            script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &form) {
                ScegliConfezioni(form, scelte);
                return int(mrOk);
            });
            f->btnOrdini->click();
            kv8test::ProcessEvents();
        });
    };
    const auto righe = [this](qint64 bolla) {
        return Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita2, Quantita FROM BolleCliRighe "
                                     "WHERE KBolleCliT = ? ORDER BY NumOrdine"),
                      {bolla});
    };
    const auto casse = [this](qint64 bolla) {
        return Elenco(QStringLiteral("SELECT IdImballo, QtaCar FROM LUMO_CauzDocBoll WHERE KBolleCliT = ? "
                                     "AND QtaCar <> 0 ORDER BY IdImballo"),
                      {bolla});
    };

    // 4 of the 5 packages of V12, all 3 of V06: parcels and crates by packages
    const qint64 prima = nota({{v12, 4}, {v06, 3}});
    EXPECT_EQ(righe(prima), (QStringList{"V12/4/12/48", "V06/3/6/18"}));
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumeroColli FROM BolleCliTeste WHERE KBolleCliT = ?"), {prima}).toInt(), 7);
    EXPECT_EQ(casse(prima), (QStringList{"BOT/66", "CAS/7"}));
    EXPECT_EQ(Evasione(v12), QStringLiteral("4/48/1/360"));
    EXPECT_EQ(Evasione(v06), QStringLiteral("3/18/2/90"));

    // the rest: only the package left of V12 is offered, and taken
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &form) {
        auto &d = dynamic_cast<TFSVen0001f_001 &>(form);
        EXPECT_FALSE(d.TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), v06)) << "fulfilled";
        EXPECT_TRUE(d.TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), v12));
        EXPECT_DOUBLE_EQ(V(&d, "UT_QtaConfDaSpe"), 1);
        return int(mrCancel);
    });
    const qint64 seconda = nota({{v12, 1}});
    EXPECT_EQ(righe(seconda), QStringList{"V12/1/12/12"});
    EXPECT_EQ(casse(seconda), (QStringList{"BOT/12", "CAS/1"}));
    EXPECT_EQ(Evasione(v12), QStringLiteral("5/60/2/450"));
    // the cards: every crate and bottle loaded once
    EXPECT_EQ(Schede().filter(QStringLiteral("CAS/")).value(0), QStringLiteral("CAS/8/0/0"));
    EXPECT_EQ(Schede().filter(QStringLiteral("BOT/")).value(0), QStringLiteral("BOT/78/0/0"));
}

TEST_F(SelezioneConfezioni, PackagesBeyondTheOrderAreCheckedByTheOrderSettings)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    const QString troppe = QStringLiteral("Attenzione quantità selezionata superiore a quella dell'ordine");

    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlControlloEccedenza"), 0);
    Confezioni(d, 9);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 54);
    EXPECT_FALSE(script.Shown(troppe));

    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlControlloEccedenza"), 2);
    d->TSelOrdR->Edit();
    EXPECT_THROW(d->TSelOrdR->FieldByName(QStringLiteral("UT_QtaConfSel"))->SetAsFloat(10), Exception);
    d->TSelOrdR->Cancel();
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfSel"), 9) << "refused: nothing stored";
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 54);
    Confezioni(d, 2);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 12);

    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlControlloEccedenza"), 1);
    Confezioni(d, 9);
    EXPECT_EQ(script.Count(troppe), 1);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 54);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 1) << "the packages typed select it";

    // carried: 9 packages of 7 leave -2 still to ship, the reset warned again
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 0, 0));
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), -2);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfSel"), 0);
    EXPECT_DOUBLE_EQ(V(d, "QtaDaSpedire"), -12);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 0);
    EXPECT_EQ(script.Count(troppe), 2);

    // given back: the quantity returns, the packages do not
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 12, 1));
    EXPECT_DOUBLE_EQ(V(d, "QtaDaSpedire"), 0);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), -2);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("StatoRigo"))->AsString(), QStringLiteral("P"));

    EXPECT_FALSE(d->AggiornaRigoOrdine(42, 0, 0));
    EXPECT_EQ(script.LastText(), QStringLiteral("Rigo ordine non trovato"));
    EXPECT_EQ(d->TSelOrdR->State(), dsBrowse);
    Chiudi(f);
}

// Packages typed select the line as a typed quantity does, checked on the packages alone: the
// quantity they make may pass what the host would allow on the quantity left.
TEST_F(SelezioneConfezioni, PackagesTypedSelectTheLineAndZeroDeselectsIt)
{
    RigaOrdine(1, "V06", 10, 6, 0);
    // 48 of the 60 pieces shipped loose: 12 left, the 10 packages all still to ship
    Esegui("UPDATE OrdiniCliRighe SET QuantitaSpe = 48, FlStato = 1 WHERE KOrdiniCliR = 1");
    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlControlloEccedenza"), 2);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    const auto selez = [d] { return d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(); };
    ASSERT_EQ(selez(), 0);
    Confezioni(d, 3);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 18);
    EXPECT_EQ(selez(), 1);
    EXPECT_EQ(d->RigheSelezionate(), 1);
    Confezioni(d, 0);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 0);
    EXPECT_EQ(selez(), 0);
    EXPECT_EQ(d->RigheSelezionate(), 0);
    EXPECT_TRUE(script.Texts().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();
    // a line the document took in full keeps its mark
    d->SelezionaRigo();
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 0, 0));
    ASSERT_EQ(selez(), 2);
    KV8Config::Set(QStringLiteral("FSORC01"), QStringLiteral("FlControlloEccedenza"), 0);
    Confezioni(d, 1);
    EXPECT_EQ(selez(), 2);
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, CarryingASelectedLineLowersItsPackagesStillToShip)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    d->SelezionaRigo();
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 0, 0));
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), 0);
    EXPECT_DOUBLE_EQ(V(d, "QtaDaSpedire"), 0);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlSelez"))->AsInteger(), 2) << "fulfilled in the document";
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, ThePackagesLineOfTheDataPanelFollowsTheCurrentLine)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    RigaOrdine(2, "V12", 4, 12, 0);
    RigaOrdine(3, "V06", 2, 6, 0);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    ASSERT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), 2));
    d->SelezionaRigo();
    auto *confezioni = d->FindControl<TDBEdit>(QStringLiteral("edUT_UT_QtaConfSel"));
    auto *quantita = d->FindControl<TDBEdit>(QStringLiteral("edQtaSelez"));
    ASSERT_TRUE(confezioni && quantita);
    EXPECT_EQ(confezioni->text(), QStringLiteral("4,000")) << "quantity format";
    EXPECT_EQ(quantita->text(), QStringLiteral("48,000")) << "the quantity kind of its field";
    EXPECT_TRUE(quantita->isReadOnly()) << "the quantity follows the packages";
    EXPECT_EQ(d->FindControl<QLabel>(QStringLiteral("lblUT_Lunghezza"))->text(), QStringLiteral("Nr.Conf..:"));

    d->resize(QSize(900, 420));
    d->show();
    kv8test::ProcessEvents();
    const QPixmap foto = d->grab();
    EXPECT_GT(foto.width(), 300);
    if (const QString cartella = QString::fromLocal8Bit(qgetenv("KV8_SCREENSHOT_DIR")); !cartella.isEmpty()) {
        EXPECT_TRUE(foto.save(cartella + QStringLiteral("/Sven0001f_001p.png")));
    }
    d->hide();
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, OnlyLinesOfferedToTheDocumentAreRead)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    RigaOrdine(2, "V06", 4, 6, 0, 3); // a row type not enabled for invoices
    RigaOrdine(3, "V06", 4, 6, 0, 4); // the RAEE row type
    RigaOrdine(4, "V06", 4, 6, 0);    // on a picking list
    RigaOrdine(5, "V06", 4, 6, 0, 7); // not among the row types
    RigaOrdine(6, "V12", 3, 12, 1);
    Esegui("UPDATE OrdiniCliRighe SET QuantitaPre = 6 WHERE KOrdiniCliR = 4");
    KV8Config::Set(QStringLiteral("FBBAS08"), QStringLiteral("TipoRigoRAEE"), 4);
    Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlBolle, FlFatture) VALUES (4, 'RAEE', 0, 1, 1)");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    KV8Config::Set(QStringLiteral("FBBAS08"), QStringLiteral("TipoRigoRAEE"), -1);
    ASSERT_TRUE(d);
    QStringList lette;
    for (d->TSelOrdR->First(); !d->TSelOrdR->Eof(); d->TSelOrdR->Next())
        lette << d->TSelOrdR->FieldByName(QStringLiteral("KOrdiniCliR"))->AsString();
    EXPECT_EQ(lette, (QStringList{QStringLiteral("1"), QStringLiteral("6")}));
    ASSERT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), 6));
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), 2);
    EXPECT_DOUBLE_EQ(V(d, "QtaDaSpedire"), 24);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("StatoRigo"))->AsString(), QStringLiteral("P"));
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("_RifOrdine"))->AsString(),
              d->TSelOrdR->FieldByName(QStringLiteral("RifOrdineS"))->AsString());
    EXPECT_FALSE(d->TSelOrdR->FieldByName(QStringLiteral("_RifOrdine"))->AsString().isEmpty());
    EXPECT_EQ(d->TSelOrdR->Tag(), 0);
    EXPECT_FALSE(d->TSelOrdR->ControlsDisabled());
    // every line read keeps one fingerprint, skipped row types too
    EXPECT_EQ(d->Impronte.size(), 4);
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, TheArticleDurationIsReadWithTheLinesWhenAsked)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    RigaOrdine(2, "ZZ9", 2, 6, 0); // an article no longer kept: the default duration
    KV8Config::Set(QStringLiteral("FSVEN01"), QStringLiteral("FlDurata"), 2);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    dlg.reset(Dlgbase::XGetDialogClass(ClassRef::Of<TFSVen0001f_001>()).CreateAs<TFSVen0001f_001>(nullptr));
    dlg->FlDurataArticoli = true;
    ASSERT_TRUE(dlg->LeggiRigheDocumento(f));
    EXPECT_EQ(dlg->TSelOrdR->RecordCount(), 2);
    EXPECT_EQ(dlg->LeggiRigheDocumento(dlg->TTesteOrdini, dlg->TSelOrdR, dlg->TDettQta, dlg->Impronte, true), 2)
        << "nothing changed";
    KV8Config::Set(QStringLiteral("FSVEN01"), QStringLiteral("FlDurata"), 0);
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, AReloadReadsTheOrderAgainOnlyWhenALineChanged)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    RigaOrdine(2, "V12", 4, 12, 0);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    ASSERT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), 2));
    Confezioni(d, 1);
    const int impronte = d->Impronte.size();

    // nothing changed: the lines stay as they are, their count answered
    EXPECT_EQ(d->LeggiRigheDocumento(d->TTesteOrdini, d->TSelOrdR, d->TDettQta, d->Impronte, true), 2);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfSel"), 1) << "not read again";

    // another user shipped a package: the order read again, the current line kept
    Esegui("UPDATE OrdiniCliRighe SET UT_QtaConfSpe = 1, QuantitaSpe = 12, FlStato = 1 WHERE KOrdiniCliR = 2");
    EXPECT_EQ(d->LeggiRigheDocumento(d->TTesteOrdini, d->TSelOrdR, d->TDettQta, d->Impronte, true), 2);
    EXPECT_EQ(d->TSelOrdR->RecordCount(), 2) << "the order's earlier lines gone";
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("KOrdiniCliR"))->AsInteger(), 2);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), 3);
    EXPECT_TRUE(d->TSelOrdR->FieldByName(QStringLiteral("UT_QtaConfSel"))->IsNull());
    EXPECT_EQ(d->Impronte.size(), impronte) << "one fingerprint per line, however many reloads";
    EXPECT_EQ(d->LeggiRigheDocumento(d->TTesteOrdini, d->TSelOrdR, d->TDettQta, d->Impronte, true), 2);
    EXPECT_FALSE(script.Shown(QStringLiteral("Riga ordine non più disponibile, verrà selezionata la prima riga")));

    // a line gone from the read alone is no change: only the lines read are compared
    Esegui("UPDATE OrdiniCliRighe SET FlStato = 2 WHERE KOrdiniCliR = 2");
    EXPECT_EQ(d->LeggiRigheDocumento(d->TTesteOrdini, d->TSelOrdR, d->TDettQta, d->Impronte, true), 2);
    // with another line changed the order is read again: the current line gone, the first one current
    Esegui("UPDATE OrdiniCliRighe SET UT_QtaConfSpe = 4 WHERE KOrdiniCliR = 1");
    EXPECT_EQ(d->LeggiRigheDocumento(d->TTesteOrdini, d->TSelOrdR, d->TDettQta, d->Impronte, true), 1);
    EXPECT_EQ(script.LastText(), QStringLiteral("Riga ordine non più disponibile, verrà selezionata la prima riga"));
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("KOrdiniCliR"))->AsInteger(), 1);
    EXPECT_EQ(d->TSelOrdR->Tag(), 0);
    EXPECT_FALSE(d->TSelOrdR->ControlsDisabled());
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, AnOrderThatCannotBeReservedIsNotReadAgain)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    Esegui("UPDATE OrdiniCliRighe SET UT_QtaConfSpe = 5 WHERE KOrdiniCliR = 1");
    // the order head gone from the offer: nothing read, 0
    d->TTesteOrdini->EmptyTable();
    EXPECT_EQ(d->LeggiRigheDocumento(d->TTesteOrdini, d->TSelOrdR, d->TDettQta, d->Impronte, true), 0);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), 7);
    EXPECT_EQ(d->TSelOrdR->Tag(), 0);
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, OrdersFulfilledByAmountSelectAndCarryAmounts)
{
    RigaOrdine(1, "V06", 10, 6, 3, 0, 120);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    d->ModoValore = 1;
    d->SelezionaRigo();
    EXPECT_DOUBLE_EQ(V(d, "ImpSelez"), 120);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfSel"), 7) << "packages in both modes";
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 0, 0));
    EXPECT_DOUBLE_EQ(V(d, "ImpDaSelez"), 0);
    EXPECT_DOUBLE_EQ(V(d, "ImpSelez"), 0);
    EXPECT_DOUBLE_EQ(V(d, "UT_QtaConfDaSpe"), 7) << "packages follow quantities only";
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 30, 1));
    EXPECT_DOUBLE_EQ(V(d, "ImpDaSelez"), 30);
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, ALineMissingFromTheSelectionIsAddedBeforeItIsUpdated)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    d->TSelOrdR->Delete();
    ASSERT_TRUE(d->TSelOrdR->IsEmpty());
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 6, 1));
    EXPECT_EQ(d->TSelOrdR->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(V(d, "QtaDaSpedire"), 48);
    EXPECT_EQ(d->TSelOrdR->FieldByName(QStringLiteral("FlStatoOld"))->AsInteger(), 1);
    // a fulfilled line is not added again
    Esegui("UPDATE OrdiniCliRighe SET FlStato = 2 WHERE KOrdiniCliR = 1");
    d->TSelOrdR->Delete();
    EXPECT_FALSE(d->AggiornaRigoOrdine(1, 0, 0));
    EXPECT_EQ(script.LastText(), QStringLiteral("Rigo ordine non trovato"));
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, TheDetailOfALineIsSelectedAndCarriedWithIt)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    // variants of the line: 24 and 18 still to ship, one shipped in full
    Esegui(
        "INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KTestaDoc, KRigoDoc, IdVariante, Quantita, QuantitaSpe, "
        "QuantitaSal) VALUES (11, 2, 1, 1, 'A', 24, 0, 0), (12, 2, 1, 1, 'B', 36, 18, 0), (13, 2, 1, 1, 'C', 6, 6, 0)");
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 1);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    const auto dettaglio = [d](int chiave, const char *campo) {
        EXPECT_TRUE(d->TDettQta->Locate(QStringLiteral("KDettQta"), chiave));
        return d->TDettQta->FieldByName(QLatin1String(campo))->AsFloat();
    };
    EXPECT_EQ(d->TDettQta->RecordCount(), 2) << "what is shipped in full is not offered";
    EXPECT_DOUBLE_EQ(dettaglio(12, "_QtaDaEvadere"), 18);

    d->SelezionaRigo();
    EXPECT_DOUBLE_EQ(dettaglio(11, "QtaSelez"), 24);
    EXPECT_DOUBLE_EQ(dettaglio(12, "QtaSelez"), 18);
    EXPECT_DOUBLE_EQ(V(d, "QtaSelez"), 42) << "the packages decide";
    d->SelezionaRigo();
    EXPECT_DOUBLE_EQ(dettaglio(11, "QtaSelez"), 0);
    d->SelezionaRigo();
    ASSERT_TRUE(d->AggiornaRigoOrdine(1, 0, 0));
    EXPECT_DOUBLE_EQ(dettaglio(11, "QuantitaSpe"), 24);
    EXPECT_DOUBLE_EQ(dettaglio(12, "QuantitaSpe"), 36);
    EXPECT_DOUBLE_EQ(dettaglio(12, "QtaSelez"), 0);

    // a reload after a change reads the order's detail again, once
    Esegui("UPDATE OrdiniCliRighe SET UT_QtaConfSpe = 4 WHERE KOrdiniCliR = 1");
    EXPECT_EQ(d->LeggiRigheDocumento(d->TTesteOrdini, d->TSelOrdR, d->TDettQta, d->Impronte, true), 1);
    EXPECT_EQ(d->TDettQta->RecordCount(), 2);
    EXPECT_DOUBLE_EQ(dettaglio(11, "QuantitaSpe"), 0) << "as stored";
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 0);
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, ABatchWithoutStockIsNotSelected)
{
    RigaOrdine(1, "V06", 10, 6, 3);
    Esegui("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KTestaDoc, KRigoDoc, IdLotto, Quantita, QuantitaSpe, "
           "QuantitaSal) VALUES (11, 2, 1, 1, 'L9', 24, 0, 0), (12, 2, 1, 1, '', 18, 0, 0)");
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 1);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    auto *d = Dialogo(f);
    ASSERT_TRUE(d);
    script.AllowUnusedAnswers();
    d->SelezionaRigo();
    EXPECT_EQ(script.Messages().size(), 1) << "the stock check tells the user";
    if (!script.Messages().isEmpty()) {
        EXPECT_EQ(script.Messages().last().Type, mtWarning);
    }
    ASSERT_TRUE(d->TDettQta->Locate(QStringLiteral("KDettQta"), 11));
    EXPECT_DOUBLE_EQ(Campo(d->TDettQta, "QtaSelez"), 0) << "untouched";
    ASSERT_TRUE(d->TDettQta->Locate(QStringLiteral("KDettQta"), 12));
    EXPECT_DOUBLE_EQ(Campo(d->TDettQta, "QtaSelez"), 18);
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("FlDettaglioQta"), 0);
    Chiudi(f);
}

TEST_F(SelezioneConfezioni, BarCodesReadWithTheSelectionOpenUpdateItsLinesFirst)
{
    RigaOrdine(1, "V06", 10, 6, 3); // 42 still to ship
    RigaOrdine(2, "V06", 2, 6, 0);  // 12
    RigaOrdine(3, "V12", 1, 12, 0); // 12
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    QString articolo;
    QStringList messaggi;
    bool mostrata = false;
    // the reads made while the user is in the selection opened by "Righe da ordini..."
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &form) {
        mostrata = true;
        auto *d = dynamic_cast<TFSVen0001f_001p *>(&form);
        EXPECT_NE(d, nullptr);
        if (!d)
            return mrCancel;
        EXPECT_TRUE(f->SelezioneOrdiniAttiva());
        const auto linea = [d](int chiave, const char *campo) {
            EXPECT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), chiave));
            return d->TSelOrdR->FieldByName(QLatin1String(campo))->AsString();
        };

        // 50 read: the first line taken whole (its own selection, by packages), 8 of the second
        EXPECT_TRUE(f->AccodaRigheBarcode(QStringLiteral("V06"), 50, articolo, messaggi));
        EXPECT_EQ(f->TRighe->RecordCount(), 0) << "order lines only: no row";
        EXPECT_EQ(linea(1, "FlSelez"), QStringLiteral("1"));
        EXPECT_EQ(linea(1, "UT_QtaConfSel"), QStringLiteral("7"));
        EXPECT_EQ(linea(1, "QtaSelez"), QStringLiteral("42"));
        EXPECT_EQ(linea(2, "QtaSelez"), QStringLiteral("8"));
        EXPECT_EQ(linea(2, "StatoRigo"), QStringLiteral("P"));
        EXPECT_TRUE(messaggi.isEmpty()) << messaggi.join(QLatin1Char('|')).toStdString();

        // beyond the order lines: what is left becomes one row of its own
        EXPECT_TRUE(f->AccodaRigheBarcode(QStringLiteral("V12"), 15, articolo, messaggi));
        EXPECT_EQ(linea(3, "FlSelez"), QStringLiteral("1"));
        EXPECT_EQ(f->TRighe->RecordCount(), 1);
        f->TRighe->Last();
        EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Lunghezza"), 3);
        EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 36);

        // a line the selection no longer holds is reported and the next entry handled
        EXPECT_TRUE(d->TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), 3));
        d->TSelOrdR->Delete();
        EXPECT_TRUE(f->AccodaRigheBarcode(QStringLiteral("V12"), 5, articolo, messaggi));
        EXPECT_EQ(messaggi, QStringList{QStringLiteral("Impossibile aggiornare ordine. Riferimento: 3")});
        EXPECT_EQ(f->TRighe->RecordCount(), 1);

        // price mode reads no order line
        f->ModoPrezzoBarcode = 1;
        messaggi.clear();
        EXPECT_TRUE(f->AccodaRigheBarcode(QStringLiteral("V06"), 4.5, articolo, messaggi));
        EXPECT_EQ(f->TRighe->RecordCount(), 2);
        EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Lunghezza"), 1);
        EXPECT_EQ(linea(2, "QtaSelez"), QStringLiteral("8"));
        f->ModoPrezzoBarcode = 0;
        return mrCancel;
    });
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    ASSERT_TRUE(mostrata);

    // the selection closed: reads are rows again
    EXPECT_FALSE(f->SelezioneOrdiniAttiva());
    ASSERT_TRUE(f->AccodaRigheBarcode(QStringLiteral("V06"), 2, articolo, messaggi));
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Lunghezza"), 2);
    Chiudi(f);
}

// ---- the quantity-detail dialog

class DettaglioConfezioni : public ConfezioniOrdini {
protected:
    // The dialog of the invoice's current row: lines added (quantity, state), the opening
    // changed by prepara, closed with OK; answers the modal result.
    int Dettaglio(TFSVen0008f_p *f, std::initializer_list<std::pair<double, int>> righe,
                  const std::function<void(TfSVen0904f &)> &prepara = {})
    {
        script.OnDialog(QStringLiteral("TfSVen0904f"), [&](TForm &form) {
            auto &d = dynamic_cast<TfSVen0904f &>(form);
            EXPECT_NE(dynamic_cast<TfSVen0904f_p *>(&d), nullptr);
            EXPECT_EQ(d.Caption(), QStringLiteral("Dettaglio (*)"));
            for (const auto &[q, stato] : righe) {
                d.tDettaglio->Append();
                d.tDettaglio->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(q);
                d.tDettaglio->FieldByName(QStringLiteral("QuantitaSal"))->SetAsFloat(q / 2);
                d.tDettaglio->FieldByName(QStringLiteral("QuantitaORI"))->SetAsFloat(q);
                d.tDettaglio->FieldByName(QStringLiteral("Stato"))->SetAsInteger(stato);
                d.tDettaglio->Post();
            }
            if (prepara)
                prepara(d);
            return int(mrOk);
        });
        std::unique_ptr<TfSVen0904f> d(
            Dlgbase::XGetDialogClass(ClassRef::Of<TfSVen0904f>()).CreateAs<TfSVen0904f>(nullptr));
        if (!d->ApriDettaglio(f))
            return -1;
        const int esito = d->ShowModal();
        aperto = !d->IsClosed();
        solaLettura = d->tDettaglio->ReadOnly();
        return esito;
    }
    bool aperto = false;
    bool solaLettura = false;
};

TEST_F(DettaglioConfezioni, ADifferentTotalKeepsTheDialogOpenOrAsksByDocumentType)
{
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("10"), 1); // 12 bottles
    const QString avviso =
        QStringLiteral("La quantità totale del prodotto (12) differisce dal totale dei dettagli (9)");

    // an invoice: a warning, the dialog stays open
    const auto fotografa = [](TfSVen0904f &d) {
        const QString cartella = QString::fromLocal8Bit(qgetenv("KV8_SCREENSHOT_DIR"));
        if (cartella.isEmpty())
            return;
        d.resize(QSize(520, 320));
        d.show();
        kv8test::ProcessEvents();
        EXPECT_TRUE(d.grab().save(cartella + QStringLiteral("/Sven0904f_p.png")));
        d.hide();
    };
    EXPECT_EQ(Dettaglio(f, {{4, 2}, {5, 2}, {7, 3}}, fotografa), int(mrNone));
    EXPECT_TRUE(aperto);
    EXPECT_EQ(script.LastText(), avviso) << "the deleted line does not count";
    EXPECT_EQ(script.Messages().last().Type, mtWarning);
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 12);
    Sven0904f::SvuotaDettaglio(f);

    // confirmation documents: No keeps it open, Yes writes the total back
    script.No(avviso + QStringLiteral(". Proseguo ?"));
    EXPECT_EQ(Dettaglio(f, {{4, 2}, {5, 2}}, [](TfSVen0904f &d) { d.TipoDocumento = 21; }), int(mrNone));
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 12);
    Sven0904f::SvuotaDettaglio(f);
    script.Yes(avviso + QStringLiteral(". Proseguo ?"));
    EXPECT_EQ(Dettaglio(f, {{4, 2}, {5, 2}}, [](TfSVen0904f &d) { d.TipoDocumento = 21; }), int(mrOk));
    EXPECT_FALSE(aperto);
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 9);
    EXPECT_EQ(f->TRighe->State(), dsBrowse) << "posted";
    Sven0904f::SvuotaDettaglio(f);

    // agreeing totals close; a row of quantity 0 is never compared
    EXPECT_EQ(Dettaglio(f, {{9, 2}}), int(mrOk));
    Sven0904f::SvuotaDettaglio(f);
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(0);
    EXPECT_EQ(Dettaglio(f, {{3, 2}}), int(mrOk));
    f->TRighe->Cancel();
    Sven0904f::SvuotaDettaglio(f);
    Chiudi(f);
}

TEST_F(DettaglioConfezioni, UncheckedTotalsAreWrittenBackAndAFailingWriteIsShownOnce)
{
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("10"), 1);
    const auto modo2 = [](TfSVen0904f &d) {
        d.ModoApertura = 2;
        d.ControlloTotali = false;
    };
    EXPECT_EQ(Dettaglio(f, {{4, 2}, {6, 2}, {8, 3}}, modo2), int(mrOk));
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 10);
    EXPECT_EQ(f->TRighe->State(), dsEdit);
    f->TRighe->Post();
    Sven0904f::SvuotaDettaglio(f);

    // a total of 0 refused by the row's post: shown once, closed, the row in edit holding it
    script.ClearMessages();
    EXPECT_EQ(Dettaglio(f, {{4, 3}}, modo2), int(mrOk));
    EXPECT_FALSE(aperto);
    EXPECT_EQ(script.Messages().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(script.Messages().value(0).Type, mtInformation);
    EXPECT_EQ(f->TRighe->State(), dsEdit) << "never cancelled";
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Quantita"), 0);
    f->TRighe->Cancel();
    Sven0904f::SvuotaDettaglio(f);

    // type 23: the last line takes the difference to the row, a read-only detail stays so
    EXPECT_EQ(Dettaglio(f, {{4, 2}, {3, 2}, {5, 3}},
                        [](TfSVen0904f &d) {
                            d.TipoDocumento = 23;
                            d.ControlloChiusura = false;
                            d.RipristinaLegame = true;
                            d.tDettaglio->SetReadOnly(true);
                        }),
              int(mrOk));
    EXPECT_EQ(Dettagli(f, "QuantitaORI"), QStringLiteral("4/3")) << "a row without an original quantity aligns nothing";
    EXPECT_TRUE(solaLettura) << "given back read-only";
    Chiudi(f);
}

namespace {
// An invoice window whose rows carry an original quantity, as the rows of a type-23 document do.
class FatturaQuantitaOriginale : public TFSVen0008f_p {
public:
    double originale = 0;
    FatturaQuantitaOriginale() { TRighe->AddCalcField(QStringLiteral("QuantitaORI"), ftFloat); }
    void TRigheCalcFields(TDataSet *dataSet) override
    {
        TFSVen0008f_p::TRigheCalcFields(dataSet);
        dataSet->FieldByName(QStringLiteral("QuantitaORI"))->SetAsFloat(originale);
    }
};
} // namespace

TEST_F(DettaglioConfezioni, OnTypeTwentyThreeTheLastLineTakesTheDifferenceToTheRowsOriginalQuantity)
{
    auto *aperta = NuovaFattura(); // the module's data modules and parameters, as at run time
    ASSERT_TRUE(aperta);
    Chiudi(aperta);
    FatturaQuantitaOriginale f;
    f.DoCreate();
    ASSERT_TRUE(f.InitForm(0, 0));
    f.TTesta->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FV"));
    f.TTesta->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C1"));
    f.TRighe->Append();
    f.TRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("V06"));
    f.TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(2);
    f.TRighe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(10);
    f.TRighe->Post();
    const auto tipo23 = [](TfSVen0904f &d) {
        d.TipoDocumento = 23;
        d.ControlloChiusura = false;
    };
    f.originale = 10;
    f.TRighe->Refresh();
    ASSERT_DOUBLE_EQ(Campo(f.TRighe, "QuantitaORI"), 10);
    EXPECT_EQ(Dettaglio(&f, {{4, 2}, {3, 2}, {5, 3}}, tipo23), int(mrOk));
    EXPECT_EQ(Dettagli(&f, "QuantitaORI"), QStringLiteral("4/6")) << "3 + 10 - 7; the deleted line does not count";
    Sven0904f::SvuotaDettaglio(&f);

    // an original quantity of 0 leaves the detail as typed
    f.originale = 0;
    f.TRighe->Refresh();
    EXPECT_EQ(Dettaglio(&f, {{4, 2}, {3, 2}}, tipo23), int(mrOk));
    EXPECT_EQ(Dettagli(&f, "QuantitaORI"), QStringLiteral("4/3"));
    Sven0904f::SvuotaDettaglio(&f);
    f.TTesta->Cancel();
}

// ---- kit components and bar codes

class DettaglioRifiutato : public TDMIBbas {
    Q_OBJECT
public:
    using TDMIBbas::TDMIBbas;
    bool CreaDettaglioAutomatico(int, TDataSet *, TDataSet *, TDataSet *) override { return false; }
};

class KitConfezioni : public ConfezioniOrdini {
protected:
    void SetUp() override
    {
        ConfezioniOrdini::SetUp();
        if (IsSkipped())
            return;
        // K01: 2 bottles of V12 (variant X of the component) and 1 of V06 at 10.00
        Esegui("INSERT INTO DistintaBase (IdProdotto, IdVariante, NumRiga, IdComponente, IdVarianteComp, Quantita, "
               "Prezzo) "
               "VALUES ('K01', '', 1, 'V12', 'X', 2, 0), ('K01', '', 2, 'V06', '', 1, 10), "
               "('K02', '', 1, 'V06', '', 0.3333333, 0)");
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, QtaImballo) VALUES ('K02', 'Terzo', 'PZ', "
               "'22', 0)");
        script.OnDialog(QStringLiteral("Tflumo_dlgEspDb"), [this](TForm &form) {
            auto &d = dynamic_cast<Tflumo_dlgEspDb &>(form);
            const int scelta = scelte.isEmpty() ? 0 : scelte.takeFirst();
            ++dialoghi;
            (scelta == 1 ? d.rbCon : scelta == 2 ? d.rbImb : d.rbBot)->click();
            d.btOk->click();
            return int(mrOk);
        });
    }
    void TearDown() override
    {
        if (DMIBbas && dynamic_cast<DettaglioRifiutato *>(DMIBbas.data()))
            delete DMIBbas.data();
        ConfezioniOrdini::TearDown();
    }
    // The kit row: 3 packages of 6 units; answers its Contatore.
    static int RigoKit(TFDocumento *f, const QString &pezzi, double confezioni = 3)
    {
        f->TRighe->Append();
        f->TRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("K01"));
        f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(confezioni);
        f->TRighe->FieldByName(pezzi)->SetAsFloat(6);
        f->TRighe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(1);
        f->TRighe->Post();
        return f->TRighe->FieldByName(QStringLiteral("Contatore"))->AsInteger();
    }
    // "packages/units/quantity/litres" of the rows of an article, in their order.
    static QStringList Righe(TFDocumento *f, const QString &articolo,
                             const QString &quantita = QStringLiteral("Quantita"))
    {
        QStringList out;
        TDataSet *r = f->TRighe;
        const QString pezzi =
            quantita == QLatin1String("Quantita") ? QStringLiteral("Quantita2") : QStringLiteral("Quantita2Ord");
        for (r->First(); !r->Eof(); r->Next())
            if (r->FieldByName(QStringLiteral("IdProdotto"))->AsString() == articolo)
                out << QStringLiteral("%1/%2/%3/%4")
                           .arg(Campo(r, "Lunghezza"))
                           .arg(r->FieldByName(pezzi)->AsFloat())
                           .arg(r->FieldByName(quantita)->AsFloat())
                           .arg(Campo(r, "UT_LMQ_TotLit"));
        return out;
    }
    QList<int> scelte;
    int dialoghi = 0;
};

TEST_F(KitConfezioni, InvoiceComponentsArePackagesOfOneUnitByTheChosenMultiplier)
{
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    const int kit = RigoKit(f, QStringLiteral("Quantita2"));
    const QDateTime giorno = Giorno(2026, 3, 10);
    // 2 bottles of V12 a kit, by the multiplier (the kit quantity, 4): counted once
    ASSERT_TRUE(f->InserisciComponenti(QStringLiteral("K01"), giorno, 4, 50, 0, 0, kit, QString(), 1, 0, 0, 0));
    EXPECT_EQ(dialoghi, 1);
    EXPECT_EQ(Righe(f, QStringLiteral("V12")), QStringList{QStringLiteral("8/1/8/6")});
    EXPECT_EQ(Righe(f, QStringLiteral("V06")), QStringList{QStringLiteral("4/1/4/3")});
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Prezzo"), 5) << "half of the item's 10.00";
    // the component's variant detailed on its row, counted under the current row's article
    EXPECT_EQ(Dettagli(f, "IdVariante"), QStringLiteral("X"));
    EXPECT_EQ(Dettagli(f, "Quantita"), QStringLiteral("8"));
    EXPECT_EQ(f->QtaDettagliate, QStringList{QStringLiteral("K01=8")}) << "the current row is still the kit";

    // by the kit row's units per package, then by its packages
    scelte = {2};
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("K01")));
    ASSERT_TRUE(f->InserisciComponenti(QStringLiteral("K01"), giorno, 1, 100, 0, 0, kit, QString(), 1, 0, 0, 0));
    EXPECT_EQ(Righe(f, QStringLiteral("V12")).value(1), QStringLiteral("12/1/12/9"));
    // a kit row without packages (the window refuses to post one: written beneath it)
    const auto confezioniKit = [f, kit](double n) {
        DMIDataBases::Instance().Local().ExecSQL(
            QStringLiteral("UPDATE %1 SET Lunghezza = ? WHERE Contatore = ?").arg(f->TRighe->TableName()), {n, kit});
        f->TRighe->Refresh();
        ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("Contatore"), kit));
    };
    confezioniKit(0);
    scelte = {1};
    ASSERT_TRUE(f->InserisciComponenti(QStringLiteral("K01"), giorno, 1, 100, 0, 0, kit, QString(), 1, 0, 0, 0));
    EXPECT_EQ(Righe(f, QStringLiteral("V06")).value(2), QStringLiteral("0/1/0/0")) << "no packages: nothing";

    // rounded before the packages take the same value (the explosion gives 0.333)
    confezioniKit(0.7);
    scelte = {1};
    ASSERT_TRUE(f->InserisciComponenti(QStringLiteral("K02"), giorno, 1, 100, 0, 0, kit, QString(), 1, 0, 0, 0));
    EXPECT_EQ(Righe(f, QStringLiteral("V06")).value(3), QStringLiteral("0.233/1/0.233/0.17475"));

    // nothing to explode, an unknown kit or a unit without factor: no dialog, no row
    const int righe = f->TRighe->RecordCount();
    const int visti = dialoghi;
    EXPECT_FALSE(f->InserisciComponenti(QStringLiteral("V12"), giorno, 1, 100, 0, 0, kit, QString(), 1, 0, 0, 0));
    EXPECT_FALSE(f->InserisciComponenti(QStringLiteral("NOKIT"), giorno, 1, 100, 0, 0, kit, QString(), 1, 0, 0, 0));
    try {
        f->InserisciComponenti(QStringLiteral("K01"), giorno, 1, 100, 0, 0, kit, QStringLiteral("XX"), 0, 0, 0, 0);
        ADD_FAILURE() << "converted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, QStringLiteral("Impossibile convertire quantità del documento"));
    }
    EXPECT_EQ(f->TRighe->RecordCount(), righe);
    EXPECT_EQ(dialoghi, visti);
    Chiudi(f);
}

TEST_F(KitConfezioni, KitsTypedOnAnInvoiceOrAnOrderOrTakenFromAnOrderLineGetTheirComponentsOnce)
{
    Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlBolle, FlFatture, FlDistintaBase) VALUES "
           "(4, 'Confezione da distinta base', 0, 1, 1, 1)");
    // two kits typed on an order: 2 × 2 bottles of V12, 2 × 1 of V06
    const qint64 ordine = OrdineSalvato([this](TFSOrc0001f_p *o) {
        RigoConfezioni(o, QStringLiteral("K01"), QStringLiteral("2"), QStringLiteral("20"), -1, QStringLiteral("4"));
        EXPECT_EQ(dialoghi, 1);
        EXPECT_EQ(Righe(o, QStringLiteral("V12"), QStringLiteral("QuantitaOrd")),
                  QStringList{QStringLiteral("4/1/4/3")});
        EXPECT_EQ(Righe(o, QStringLiteral("V06"), QStringLiteral("QuantitaOrd")),
                  QStringList{QStringLiteral("2/1/2/1.5")});
    });
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, QuantitaOrd FROM OrdiniCliRighe WHERE KOrdiniCliT = ? "
                                    "ORDER BY NumOrdine"),
                     {ordine}),
              (QStringList{QStringLiteral("K01/2"), QStringLiteral("V12/4"), QStringLiteral("V06/2")}));

    // the same typed on an invoice
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("K01"), QStringLiteral("2"), QStringLiteral("20"), -1, QStringLiteral("4"));
    EXPECT_EQ(dialoghi, 2);
    EXPECT_EQ(Righe(f, QStringLiteral("V12")), QStringList{QStringLiteral("4/1/4/3")});
    EXPECT_EQ(Righe(f, QStringLiteral("V06")), QStringList{QStringLiteral("2/1/2/1.5")});
    // a row that is not a kit's explodes nothing
    RigoConfezioni(f, QStringLiteral("K01"), QStringLiteral("1"), QStringLiteral("20"));
    EXPECT_EQ(dialoghi, 2);
    EXPECT_EQ(Righe(f, QStringLiteral("V12")).size(), 1);

    // the order's kit line taken by its two packages: its components come with it
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &form) {
        ScegliConfezioni(form, {{RigoOrdine("K01", ordine), 2}});
        return int(mrOk);
    });
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(dialoghi, 3);
    EXPECT_EQ(Righe(f, QStringLiteral("K01")).size(), 3);
    EXPECT_EQ(Righe(f, QStringLiteral("V12")), (QStringList{QStringLiteral("4/1/4/3"), QStringLiteral("4/1/4/3")}));
    EXPECT_EQ(Righe(f, QStringLiteral("V06")), (QStringList{QStringLiteral("2/1/2/1.5"), QStringLiteral("2/1/2/1.5")}));
    Chiudi(f);
}

TEST_F(KitConfezioni, EachVariantOfTheKitAsksItsOwnMultiplier)
{
    Esegui("UPDATE Articoli SET FlGesVarianti = 1 WHERE IdProdotto = 'K01'");
    Esegui("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KTestaDoc, KRigoDoc, IdVariante, Quantita) VALUES "
           "(1, 1, 0, 500, 'R', 1), (2, 1, 0, 500, 'B', 2), (3, 1, 0, 500, 'W', 3)");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoKit(f, QStringLiteral("Quantita2"));
    scelte = {0, 1, 2};
    ASSERT_TRUE(
        f->InserisciComponenti(QStringLiteral("K01"), Giorno(2026, 3, 10), 6, 100, 0, 0, 500, QString(), 1, 0, 0, 0));
    EXPECT_EQ(dialoghi, 3);
    // 2 a kit × the variant's 1, × the kit row's 3 packages, × its 6 units per package
    EXPECT_EQ(Righe(f, QStringLiteral("V12")),
              (QStringList{QStringLiteral("2/1/2/1.5"), QStringLiteral("6/1/6/4.5"), QStringLiteral("12/1/12/9")}));
    Chiudi(f);
}

TEST_F(KitConfezioni, OrderComponentsAndARefusedDetail)
{
    auto *f = Apri<TFSOrc0001f_p>(QStringLiteral("SORC0001F"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
    const int kit = RigoKit(f, QStringLiteral("Quantita2Ord"));
    scelte = {2};
    ASSERT_TRUE(f->InserisciComponenti(QStringLiteral("K01"), Giorno(2026, 3, 10), 1, 100, 0, 0, kit, QString(), 1));
    EXPECT_EQ(Righe(f, QStringLiteral("V12"), QStringLiteral("QuantitaOrd")), QStringList{QStringLiteral("12/1/12/9")})
        << "litres by the ordered quantity";
    EXPECT_EQ(Righe(f, QStringLiteral("V06"), QStringLiteral("QuantitaOrd")), QStringList{QStringLiteral("6/1/6/4.5")});

    DMIBbas = new DettaglioRifiutato(Application);
    try {
        f->InserisciComponenti(QStringLiteral("K01"), Giorno(2026, 3, 10), 1, 100, 0, 0, kit, QString(), 1);
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, QStringLiteral("Errore in creazione dettaglio automatico (componenti)"));
    }
    EXPECT_EQ(Righe(f, QStringLiteral("V12"), QStringLiteral("QuantitaOrd")).size(), 2) << "posted and shown";
    EXPECT_EQ(Righe(f, QStringLiteral("V06"), QStringLiteral("QuantitaOrd")).size(), 1);

    // a bar code refused by the detail: its text handed back, no row
    QString articolo;
    QStringList messaggi;
    const int righe = f->TRighe->RecordCount();
    EXPECT_FALSE(f->AccodaRigheBarcode(QStringLiteral("V06"), 3, articolo, messaggi));
    EXPECT_EQ(messaggi, QStringList{QStringLiteral("Errore in creazione dettaglio automatico (Barcode)")});
    EXPECT_EQ(f->TRighe->RecordCount(), righe);
    delete DMIBbas.data();

    messaggi.clear();
    ASSERT_TRUE(f->AccodaRigheBarcode(QStringLiteral("V06"), 3, articolo, messaggi));
    EXPECT_EQ(articolo, QStringLiteral("V06"));
    EXPECT_EQ(Righe(f, QStringLiteral("V06"), QStringLiteral("QuantitaOrd")).value(1), QStringLiteral("3/6/18/0"))
        << "no litres on the appending cursor's post";
    EXPECT_FALSE(f->AccodaRigheBarcode(QStringLiteral("ZZ9"), 2, articolo, messaggi));
    EXPECT_EQ(messaggi.last(), QStringLiteral("Codice prodotto non valido"));
    EXPECT_EQ(f->TRighe->RecordCount(), righe + 1);
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

TEST_F(KitConfezioni, ABarCodeReadOnAStoredOrderIsSavedWithIt)
{
    auto *f = Apri<TFSOrc0001f_p>(QStringLiteral("SORC0001F"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("V06"), QStringLiteral("3")), QString());
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("ZZ9"), QStringLiteral("2")), QStringLiteral("Codice prodotto non valido"));
    EXPECT_EQ(f->TRighe->RecordCount(), 1);
    EXPECT_FALSE(f->HaStampa()) << "an order has no print";
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Valore(QStringLiteral("SELECT MAX(KOrdiniCliT) FROM OrdiniCliTeste")).toLongLong();
    f->Close();
    kv8test::ProcessEvents();

    f = Apri<TFSOrc0001f_p>(QStringLiteral("SORC0001F;%1").arg(k));
    ASSERT_TRUE(f);
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("V12"), QStringLiteral("2")), QString());
    EXPECT_TRUE(f->FlRigheModificate);
    EXPECT_NE(f->TTesta->State(), dsBrowse) << "the order is being changed";
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, QuantitaOrd FROM OrdiniCliRighe WHERE KOrdiniCliT = ? "
                              "ORDER BY NumOrdine"),
               {k}),
        (QStringList{QStringLiteral("V06/3/18"), QStringLiteral("V12/2/24")}));
    f->Close();
    kv8test::ProcessEvents();
}

TEST_F(KitConfezioni, InvoiceBarCodesCountPackages)
{
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("V06"), QStringLiteral("3")), QString());
    EXPECT_EQ(Righe(f, QStringLiteral("V06")), QStringList{QStringLiteral("3/6/18/13.5")});
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("K02"), QStringLiteral("4")), QString());
    EXPECT_EQ(Righe(f, QStringLiteral("K02")), QStringList{QStringLiteral("4/1/4/0")}) << "no units per package: one";
    f->ModoPrezzoBarcode = 1;
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("V12"), QStringLiteral("7,5")), QString());
    EXPECT_EQ(Righe(f, QStringLiteral("V12")), QStringList{QStringLiteral("1/12/12/9")});
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "Prezzo"), 7.5) << "the value read is the price";
    EXPECT_TRUE(f->FlRigheAggiunte);

    EXPECT_EQ(LeggiCodice(f, QStringLiteral("ZZ9"), QStringLiteral("2")), QStringLiteral("Codice prodotto non valido"));
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    EXPECT_EQ(f->TRighe->State(), dsBrowse);
    Chiudi(f);
}

} // namespace

#include "test_ConfezioniOrdini.moc"
