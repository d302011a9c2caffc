// A day's work on the demo company done through the windows only: delivery notes typed with
// crates and bottles, a return, an order shipped by a note that takes its lines by packages, the
// notes invoiced by the generation and by the invoice's row command, the deposits billed and credited, the load/unload
// register printed definitive and the deposit cards rebuilt; each step checked on what it stored.
#include "tests/host/documents/DocumentiFixture.h"
#include "tests/module/demo/AziendaDemo.h"

#include "deposits/Qarn0155d.h"
#include "deposits/Qarn0209f.h"
#include "documents/Sven0008f_p.h"
#include "host/business/Datiazienda.h"
#include "host/business/Sorc0001f.h"
#include "host/business/Sven0001f_001.h"
#include "host/data/TXTable.h"

using namespace kv8test;

namespace {

// The user's gestures on the document windows, as the document suites make them.
struct Gesti : Documenti {
    using Documenti::PremiRighe;
    using Documenti::ScegliBolle;
    using Documenti::Scrivi;
};

const QString DomandaStampa = QStringLiteral("Effettuo stampa ? ");

class Giornata : public AziendaDemo {
protected:
    void SetUp() override
    {
        AziendaDemo::SetUp();
        if (IsSkipped())
            return;
        Applvar::CaricaDatiAzienda(company.Database());
        SceltaDocumenti::Registra();
    }
    void TearDown() override
    {
        AziendaDemo::TearDown();
        HostMenu::Clear();
    }

    static QString Giorno(int mese, int giorno)
    {
        return QDate(2026, mese, giorno).toString(QStringLiteral("dd/MM/yyyy"));
    }
    // The head typed: causal, date, account.
    static void Testa(TFDocumento *f, const QString &causale, const QString &data, const QString &conto)
    {
        EXPECT_TRUE(Gesti::Scrivi(f, QStringLiteral("edIdCausale"), causale));
        EXPECT_TRUE(Gesti::Scrivi(f, QStringLiteral("edDataDocumento"), data));
        EXPECT_TRUE(Gesti::Scrivi(f, QStringLiteral("ed") + f->TipoDoc().CampoConto, conto));
    }
    // A row typed: article, packages, price per unit.
    static void Rigo(TFDocumento *f, const QString &articolo, const QString &colli, const QString &prezzo)
    {
        Gesti::PremiRighe(f, nbInsert);
        EXPECT_TRUE(Gesti::Scrivi(f, QStringLiteral("edIdProdotto"), articolo));
        EXPECT_TRUE(Gesti::Scrivi(f, QStringLiteral("edLunghezza"), colli));
        EXPECT_TRUE(Gesti::Scrivi(f, QStringLiteral("edPrezzo"), prezzo));
        Gesti::PremiRighe(f, nbPost);
    }
    // The document saved with its head button, no print, the window closed.
    void Salva(TFDocumento *f)
    {
        script.AllowUnusedAnswers();
        if (f->HaStampa())
            script.No(DomandaStampa);
        f->NavClick(nbPost);
        ProcessEvents();
        EXPECT_EQ(script.PendingAnswers(), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
        f->Close();
        ProcessEvents();
    }
    // A customer delivery note typed and saved; answers its key.
    qint64 Bolla(const QString &cliente, const QString &data, const QList<QStringList> &righe)
    {
        auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
        if (!f)
            return 0;
        Testa(f, QStringLiteral("DDT"), data, cliente);
        for (const QStringList &r : righe)
            Rigo(f, r.at(0), r.at(1), r.at(2));
        Salva(f);
        return Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste WHERE IdCliente = ?"), {cliente})
            .toLongLong();
    }
    double Numero(const QString &sql, const QVariantList &valori = {}) { return Valore(sql, valori).toDouble(); }
    // C0001's account-total card of a packaging code: "loaded/returned/loaded B/returned B/loaded F/returned F".
    QString Scheda(const QString &imballo)
    {
        return Elenco(
                   QStringLiteral("SELECT ProgQtaCar, ProgQtaRes, ProgQtaCarB, ProgQtaResB, ProgQtaCarF, ProgQtaResF "
                                  "FROM LUMO_ProgCauz WHERE IdContoTp = 'CL' AND IdConto = 'C0001' "
                                  "AND FlTipoScheda = 1 AND IdImballo = ?"),
                   {imballo})
            .value(0);
    }
    // What a step moved on C0001's account-total card of a packaging code, in Scheda's order.
    static QString Mosso(const QString &prima, const QString &dopo)
    {
        const QStringList a = prima.split(QLatin1Char('/'));
        const QStringList b = dopo.split(QLatin1Char('/'));
        QStringList out;
        for (int i = 0; i < a.size() && i < b.size(); ++i)
            out << QString::number(b.at(i).toDouble() - a.at(i).toDouble());
        return out.join(QLatin1Char('/'));
    }
    // C0001's invoiced deposit balance per packaging code, "code/balance" where not 0.
    QStringList SaldoFatture()
    {
        return Elenco(
            QStringLiteral("SELECT IdImballo, ProgQtaCarF - ProgQtaResF FROM LUMO_ProgCauz WHERE IdContoTp = 'CL' "
                           "AND IdConto = 'C0001' AND FlTipoScheda = 1 AND ProgQtaCarF - ProgQtaResF <> 0 "
                           "ORDER BY IdImballo"));
    }
    QStringList Riepilogo(const char *tabella, const char *chiave, qint64 documento)
    {
        return Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, QtaResPn, Prezzo, ValoreCar, ValoreRes FROM %1 "
                                     "WHERE %2 = ? AND IdImballo IN ('CAS', 'BOT') ORDER BY IdImballo")
                          .arg(QLatin1String(tabella), QLatin1String(chiave)),
                      {documento});
    }

    // Steps of the day.
    void BollaConCauzioni();
    void BollaConTrasporto();
    void Generazione();
    void Reso();
    void FatturaDaDdt();
    void NotaCredito();
    void Fatturazione();
    void Registro();
    void Ricostruzione();

    qint64 bollaA = 0;
    QString numeroA;
};

// C0001 keeps deposits on list CAU (crate 3,00, bottle 0,25): 5 crates of water (12 bottles
// each) and 2 cartons of Barolo (6 each).
void Giornata::BollaConCauzioni()
{
    SCOPED_TRACE("delivery note with deposits");
    const QString cas = Scheda(QStringLiteral("CAS"));
    bollaA = Bolla(QStringLiteral("C0001"), Giorno(4, 15),
                   {{QStringLiteral("ACQUANAT"), QStringLiteral("5"), QStringLiteral("0,5")},
                    {QStringLiteral("BAROLO19"), QStringLiteral("2"), QStringLiteral("30")}});
    ASSERT_GT(bollaA, 105) << script.Texts().join(QLatin1Char('|')).toStdString();
    numeroA = Valore(QStringLiteral("SELECT Numero FROM BolleCliTeste WHERE KBolleCliT = ?"), {bollaA}).toString();
    EXPECT_GT(numeroA.toInt(), 0);
    // the head takes the customer's currency and agent
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdDivisa, IdAgente1, Cambio FROM BolleCliTeste WHERE KBolleCliT = ?"), {bollaA}),
        QStringList{QStringLiteral("EUR/AG01/1")});
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita2, Quantita, UT_LMQ_TotLit FROM BolleCliRighe "
                              "WHERE KBolleCliT = ? ORDER BY IdProdotto"),
               {bollaA}),
        (QStringList{"ACQUANAT/5/12/60/45", "BAROLO19/2/6/12/9"}));
    // litres and weights of the head are the rows' sums
    EXPECT_DOUBLE_EQ(Numero(QStringLiteral("SELECT UT_LMQ_TotLit FROM BolleCliTeste WHERE KBolleCliT = ?"), {bollaA}),
                     54);
    EXPECT_NEAR(Numero(QStringLiteral("SELECT PesoLordo FROM BolleCliTeste WHERE KBolleCliT = ?"), {bollaA}),
                60 * 1.2 + 12 * 1.3, 1e-6);
    EXPECT_NEAR(Numero(QStringLiteral("SELECT PesoNetto FROM BolleCliTeste WHERE KBolleCliT = ?"), {bollaA}), 72 * 0.75,
                1e-6);
    // the deposit summary priced from the customer's list
    EXPECT_EQ(Riepilogo("LUMO_CauzDocBoll", "KBolleCliT", bollaA),
              (QStringList{"BOT/60/0/0/0.25/15/0", "CAS/5/0/0/3/15/0"}));
    // the journal movement carries the note's number and currency
    EXPECT_EQ(
        Elenco(QStringLiteral(
                   "SELECT T.Numero, T.IdDivisa, T.IdConto, R.IdImballo, R.QtaCar, R.Prezzo FROM LUMO_MovCauT T "
                   "JOIN LUMO_MovCauR R ON R.KContaT = T.KContaT WHERE T.FlTipoDocColl = 1 AND T.KDocT = ? "
                   "ORDER BY R.IdImballo"),
               {bollaA}),
        (QStringList{numeroA + QStringLiteral("/EUR/C0001/BOT/60/0.25"), numeroA + QStringLiteral("/EUR/C0001/C06/2/0"),
                     numeroA + QStringLiteral("/EUR/C0001/CAS/5/3")}));
    // the cards: loaded in general and on delivery notes
    EXPECT_EQ(cas, QStringLiteral("30/2/0/0/10/2"));
    EXPECT_EQ(Scheda(QStringLiteral("CAS")), QStringLiteral("35/2/5/0/10/2"));
    EXPECT_EQ(Scheda(QStringLiteral("BOT")), QStringLiteral("300/0/60/0/120/0"));
}

// C0003 has its own row of 25 per document on the transport list TRA2026.
void Giornata::BollaConTrasporto()
{
    SCOPED_TRACE("delivery note with transport");
    const qint64 bolla = Bolla(QStringLiteral("C0003"), Giorno(4, 15),
                               {{QStringLiteral("BAROLO19"), QStringLiteral("3"), QStringLiteral("30")}});
    ASSERT_GT(bolla, 105);
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdDivisa, IdAgente1, IdAgente2, SpeseTrasporto, UT_LMQ_TotLit FROM BolleCliTeste "
                              "WHERE KBolleCliT = ?"),
               {bolla}),
        QStringList{QStringLiteral("EUR/AG01/AG02/25/13.5")});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocBoll"), QStringLiteral("KBolleCliT = ?"), {bolla}), 0) << "no deposits";
}

// The April notes invoiced by the generation under the deferred-invoice causal.
void Giornata::Generazione()
{
    SCOPED_TRACE("invoice generation");
    auto *g = Lavoro(QStringLiteral("SVEN0007D"));
    ASSERT_NE(g, nullptr);
    Campo(g, "edDataFattura", Giorno(4, 30));
    Campo(g, "edIdCausale", QStringLiteral("FTD"));
    Campo(g, "edDataDa", Giorno(4, 1));
    Campo(g, "edDataA", Giorno(4, 30));
    Campo(g, "edIdClienteDa", QStringLiteral("C0001"));
    Campo(g, "edIdClienteA", QStringLiteral("C0003"));
    Campo(g, "edIdCausaleBolla", QStringLiteral("DDT"));
    Scelta(g, "cbFlProvvisoria", 0);
    Esegui(g);
    const qint64 fattura =
        Valore(QStringLiteral(
                   "SELECT MAX(KFattCliT) FROM FattureCliTeste WHERE IdCliente = 'C0001' AND IdCausale = 'FTD'"))
            .toLongLong();
    ASSERT_GT(fattura, 4) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, UT_LMQ_TotLit FROM FattureCliRighe "
                                    "WHERE KFattCliT = ? AND IdProdotto <> '' ORDER BY IdProdotto"),
                     {fattura}),
              (QStringList{"ACQUANAT/5/60/45", "BAROLO19/2/12/9"}));
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdDivisa, IdAgente1, UT_LMQ_TotLit FROM FattureCliTeste WHERE KFattCliT = ?"),
               {fattura}),
        QStringList{QStringLiteral("EUR/AG01/54")});
    EXPECT_EQ(Riepilogo("LUMO_CauzDocFatt", "KFattCliT", fattura),
              (QStringList{"BOT/60/0/0/0.25/15/0", "CAS/5/0/0/3/15/0"}));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ? AND FlGenFattura <> 1"), {bollaA}),
              0);
    // now invoiced: the F set of the cards
    EXPECT_EQ(Scheda(QStringLiteral("CAS")), QStringLiteral("35/2/5/0/15/2"));
    EXPECT_EQ(Scheda(QStringLiteral("BOT")), QStringLiteral("300/0/60/0/180/0"));
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste"), QStringLiteral("IdCliente = 'C0003' AND IdCausale = 'FTD'")), 1);
}

// Three crates and 24 bottles brought back, entered in the returns journal (the bottles first
// typed as 20, the posted row then typed over), then taken by the next note of the customer,
// which ships the customer's order of two crates of water: its line taken by packages through
// "Righe da ordini...".
void Giornata::Reso()
{
    SCOPED_TRACE("return");
    auto *f = Apri<TFqarn0209f>(QStringLiteral("QARN0209F"));
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataReg"), Giorno(4, 20)));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C0001")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("0")));
    auto *righe = f->Control<TDBNavigator>(QStringLiteral("navDettaglio"));
    for (const auto &[imballo, resi] : {std::pair{"CAS", "3"}, std::pair{"BOT", "20"}}) {
        righe->Button(nbInsert)->click();
        ProcessEvents();
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdImballo"), QLatin1String(imballo)));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edQtaRes"), QLatin1String(resi)));
        righe->Button(nbPost)->click();
        ProcessEvents();
    }
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdImballo"), QStringLiteral("BOT")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQtaRes"), QStringLiteral("24")));
    righe->Button(nbPost)->click();
    ProcessEvents();
    script.Yes(QStringLiteral("Conferma Registrazione ?"));
    Premi(f, nbPost);
    EXPECT_EQ(script.PendingAnswers(), 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    f->Close();
    ProcessEvents();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT T.KDocT, R.IdImballo, R.QtaRes FROM LUMO_MovResT T JOIN LUMO_MovResR R "
                                    "ON R.KMovResT = T.KMovResT WHERE T.IdConto = 'C0001' AND T.DataReg >= ? "
                                    "ORDER BY R.IdImballo"),
                     {QDateTime(QDate(2026, 4, 1), QTime(0, 0))}),
              (QStringList{"0/BOT/24", "0/CAS/3"}))
        << "pending";

    auto *o = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F"));
    ASSERT_NE(o, nullptr);
    Testa(o, QStringLiteral("ORD"), Giorno(4, 18), QStringLiteral("C0001"));
    Rigo(o, QStringLiteral("ACQUANAT"), QStringLiteral("2"), QStringLiteral("0,5"));
    Salva(o);
    const qint64 rigoOrdine =
        Valore(QStringLiteral("SELECT MAX(KOrdiniCliR) FROM OrdiniCliRighe WHERE IdProdotto = 'ACQUANAT'"))
            .toLongLong();
    ASSERT_GT(rigoOrdine, 0) << script.Texts().join(QLatin1Char('|')).toStdString();

    const QString cas = Scheda(QStringLiteral("CAS"));
    const QString bot = Scheda(QStringLiteral("BOT"));
    auto *b = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(b, nullptr);
    Testa(b, QStringLiteral("DDT"), Giorno(4, 21), QStringLiteral("C0001"));
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &form) {
        auto &d = dynamic_cast<TFSVen0001f_001 &>(form);
        EXPECT_TRUE(d.TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), rigoOrdine));
        d.TSelOrdR->Edit();
        EXPECT_TRUE(ReplaceText(d.FindControl<TDBEdit>(QStringLiteral("edUT_UT_QtaConfSel")), QStringLiteral("2")));
        d.TSelOrdR->Post();
        return int(mrOk);
    });
    b->btnOrdini->click();
    ProcessEvents();
    Salva(b);
    const qint64 bolla =
        Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste WHERE IdCliente = 'C0001'")).toLongLong();
    ASSERT_GT(bolla, bollaA);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita2, Quantita, UT_LMQ_TotLit, KOrdineR "
                                    "FROM BolleCliRighe WHERE KBolleCliT = ?"),
                     {bolla}),
              QStringList{QStringLiteral("ACQUANAT/2/12/24/18/%1").arg(rigoOrdine)});
    // the order shipped whole, its packages counted once
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_QtaConfSpe, QuantitaSpe, FlStato FROM OrdiniCliRighe "
                                    "WHERE KOrdiniCliR = ?"),
                     {rigoOrdine}),
              QStringList{QStringLiteral("2/24/2")});
    // the note's summary takes the pending returns, and the return is linked to it
    EXPECT_EQ(Riepilogo("LUMO_CauzDocBoll", "KBolleCliT", bolla),
              (QStringList{"BOT/24/24/24/0.25/6/6", "CAS/2/3/3/3/6/9"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT DISTINCT FlTipoDocColl, KDocT FROM LUMO_MovResT WHERE IdConto = 'C0001' "
                                    "AND DataReg >= ?"),
                     {QDateTime(QDate(2026, 4, 1), QTime(0, 0))}),
              QStringList{QStringLiteral("1/%1").arg(bolla)});
    // loaded and returned, in general and on delivery notes
    EXPECT_EQ(Mosso(cas, Scheda(QStringLiteral("CAS"))), QStringLiteral("2/3/2/3/0/0"));
    EXPECT_EQ(Mosso(bot, Scheda(QStringLiteral("BOT"))), QStringLiteral("24/24/24/24/0/0"));
}

// The second note of C0001 put on a new invoice through "Righe da DDT...".
void Giornata::FatturaDaDdt()
{
    SCOPED_TRACE("invoice from a note");
    const qint64 bolla =
        Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste WHERE IdCliente = 'C0001'")).toLongLong();
    const int numero = Valore(QStringLiteral("SELECT Numero FROM BolleCliTeste WHERE KBolleCliT = ?"), {bolla}).toInt();
    const QString cas = Scheda(QStringLiteral("CAS"));
    const QString bot = Scheda(QStringLiteral("BOT"));
    auto *f = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("FTD"), Giorno(4, 30), QStringLiteral("C0001"));
    QStringList offerte;
    script.OnDialog(QStringLiteral("TFSVen0008f_001"), [&](TForm &d) {
        offerte = Gesti::ScegliBolle(d, {numero});
        return int(mrOk);
    });
    ASSERT_TRUE(f->btnBolle);
    f->btnBolle->click();
    ProcessEvents();
    EXPECT_EQ(offerte, QStringList{QStringLiteral("%1/1").arg(numero)}) << "only the note not yet invoiced";
    Salva(f);
    const qint64 fattura =
        Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste WHERE IdCliente = 'C0001'")).toLongLong();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Lunghezza, Quantita, UT_LMQ_TotLit FROM FattureCliRighe "
                                    "WHERE KFattCliT = ? AND IdProdotto <> ''"),
                     {fattura}),
              QStringList{QStringLiteral("ACQUANAT/2/24/18")});
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdDivisa, IdAgente1, UT_LMQ_TotLit FROM FattureCliTeste WHERE KFattCliT = ?"),
               {fattura}),
        QStringList{QStringLiteral("EUR/AG01/18")});
    // weights of the rows taken from the note
    EXPECT_NEAR(Numero(QStringLiteral("SELECT PesoLordo FROM FattureCliTeste WHERE KFattCliT = ?"), {fattura}),
                24 * 1.2, 1e-6);
    EXPECT_NEAR(Numero(QStringLiteral("SELECT PesoNetto FROM FattureCliTeste WHERE KFattCliT = ?"), {fattura}),
                24 * 0.75, 1e-6);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ? AND FlGenFattura = 1"), {bolla}),
              1);
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT UT_QtaConfSpe, QuantitaSpe, FlStato FROM OrdiniCliRighe WHERE KOrdiniCliR = "
                              "(SELECT KOrdineR FROM BolleCliRighe WHERE KBolleCliT = ?)"),
               {bolla}),
        QStringList{QStringLiteral("2/24/2")})
        << "the order shipped by the note, not again by the invoice";
    // the invoice's summary carries the note's crates and bottles at the list's prices; the
    // returns stay with the note that took them
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar FROM LUMO_CauzDocFatt "
                                    "WHERE KFattCliT = ? AND IdImballo IN ('CAS', 'BOT') ORDER BY IdImballo"),
                     {fattura}),
              (QStringList{"BOT/24/0/0.25/6", "CAS/2/0/3/6"}));
    EXPECT_EQ(Mosso(cas, Scheda(QStringLiteral("CAS"))), QStringLiteral("0/0/0/0/2/0"));
    EXPECT_EQ(Mosso(bot, Scheda(QStringLiteral("BOT"))), QStringLiteral("0/0/0/0/24/0"));
}

// The customer brought back what was invoiced: the credit note refunds the invoiced balance at
// the list's prices (the cartons, not on the list, at 0).
void Giornata::NotaCredito()
{
    SCOPED_TRACE("credit note");
    EXPECT_EQ(SaldoFatture(), (QStringList{"BOT/180", "C06/2", "CAS/13"}));
    const int fatture = Conta(QStringLiteral("FattureCliTeste"));
    auto *n = Lavoro<TFqarn0155d>(QStringLiteral("QARN0155D"));
    ASSERT_NE(n, nullptr);
    DocumentoCauzioni(n, QDate(2026, 4, 30), QStringLiteral("NCC"));
    Campo(n, "edDescrizione", QStringLiteral("Resi imballi di aprile"));
    n->navElencoClienti->Button(nbInsert)->click();
    ProcessEvents();
    EXPECT_TRUE(Scrivi(n, QStringLiteral("edIDCLIENTE"), QStringLiteral("C0001")));
    n->navElencoClienti->Button(nbPost)->click();
    ProcessEvents();
    Esegui(n);
    ASSERT_EQ(n->Pagina(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    Genera(n);
    EXPECT_TRUE(script.LastText().startsWith(QStringLiteral("Elaborazione Terminata : Generate NC")))
        << script.LastText().toStdString();
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), fatture + 1);
    const qint64 nota = Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste")).toLongLong();
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdCausale, IdCliente, IdDivisa, IdAgente1, SpeseImballo FROM FattureCliTeste "
                              "WHERE KFattCliT = ?"),
               {nota}),
        QStringList{QStringLiteral("NCC/C0001/EUR/AG01/84")});
    EXPECT_EQ(Riepilogo("LUMO_CauzDocFatt", "KFattCliT", nota),
              (QStringList{"BOT/0/180/0/0.25/0/45", "CAS/0/13/0/3/0/39"}));
    EXPECT_TRUE(SaldoFatture().isEmpty()) << SaldoFatture().join(QLatin1Char(' ')).toStdString();
}

// The crates and bottles invoiced since and not back: billed at the list's prices.
void Giornata::Fatturazione()
{
    SCOPED_TRACE("deposit billing");
    EXPECT_EQ(SaldoFatture(), (QStringList{"BOT/24", "CAS/2"}));
    const int fatture = Conta(QStringLiteral("FattureCliTeste"));
    auto *f = Lavoro<TFCauzFatturazione>(QStringLiteral("QARN0154D"));
    ASSERT_NE(f, nullptr);
    DocumentoCauzioni(f, QDate(2026, 4, 30), QStringLiteral("FCA"));
    Campo(f, "edIdClienteDa", QStringLiteral("C0001"));
    Campo(f, "edIdClienteA", QStringLiteral("C0001"));
    Esegui(f);
    ASSERT_EQ(f->Pagina(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    Genera(f);
    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), fatture + 1)
        << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 fattura = Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste")).toLongLong();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdCausale, IdCliente, IdDivisa FROM FattureCliTeste WHERE KFattCliT = ?"),
                     {fattura}),
              QStringList{QStringLiteral("FCA/C0001/EUR")});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, Quantita, Prezzo FROM FattureCliRighe WHERE KFattCliT = ? "
                                    "ORDER BY IdProdotto"),
                     {fattura}),
              (QStringList{"BOT/24/0.25", "CAS/2/3"}));
    EXPECT_TRUE(SaldoFatture().isEmpty()) << SaldoFatture().join(QLatin1Char(' ')).toStdString();
}

// The load/unload register of the first four months printed definitive.
void Giornata::Registro()
{
    SCOPED_TRACE("load/unload register");
    auto *f = Lavoro(QStringLiteral("QARN0101D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edIdRaggMag", QStringLiteral("1"));
    Data(f, "edDaData", 2026, 1, 1);
    Data(f, "edA_Data", 2026, 4, 30);
    Spunta(f, "chFlDefinitiva");
    script.Yes(QStringLiteral("Conferma aggiornamento definitivo dei dati stampati "));
    Stampato(Esegui(f), {QStringLiteral("Enoteca Il Calice S.n.c."), QStringLiteral("Supermercati Bernardi S.p.A.")});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdRaggMag, IdRegistro FROM LUMO_ProgRegistri WHERE IdRegistro = 'CASC'")),
              QStringList{QStringLiteral("1/CASC")});
    const QDate ultima =
        Valore(QStringLiteral("SELECT DataUltAgg FROM LUMO_ProgRegistri WHERE IdRaggMag = 1 AND IdRegistro = 'CASC'"))
            .toDate();
    EXPECT_EQ(ultima, QDate(2026, 4, 30));
    EXPECT_GT(
        Numero(QStringLiteral("SELECT UltNumRiga FROM LUMO_ProgRegistri WHERE IdRaggMag = 1 AND IdRegistro = 'CASC'")),
        0);
}

// The cards rebuilt from the journal give back every card as the day left it.
void Giornata::Ricostruzione()
{
    SCOPED_TRACE("card rebuild");
    const QStringList schede = Schede();
    ASSERT_FALSE(schede.isEmpty());
    auto *f = Lavoro(QStringLiteral("QARN0156D"));
    ASSERT_NE(f, nullptr);
    Scelta(f, "cbFlTipoRicalcolo", 0);
    script.Yes(QStringLiteral("Confermi elaborazione"));
    Esegui(f);
    EXPECT_EQ(Schede(), schede);
}

} // namespace

TEST_F(Giornata, UnaGiornataDiLavoroDalleFinestre)
{
    BollaConCauzioni();
    BollaConTrasporto();
    Generazione();
    NotaCredito();
    Reso();
    FatturaDaDdt();
    Fatturazione();
    Registro();
    Ricostruzione();
    for (const ShownMessage &m : script.Messages())
        EXPECT_NE(m.Type, mtError) << m.Text.toStdString();
}
