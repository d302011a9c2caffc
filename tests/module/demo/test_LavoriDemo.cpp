// Every job of the module's menu run on a fresh demo company as a user runs it: the dialog
// opened from its menu code, its fields typed, run to its end, with no error and no refused
// save, and real work done on the demo's data.
#include "tests/module/demo/AziendaDemo.h"

#include "deposits/Qarn0155d.h"
#include "documents/Sven0001f_p.h"
#include "host/core/Applvar.h"
#include "host/data/TXQuery.h"
#include "masterdata/Qarn0014d_001.h"
#include "masterdata/Qarn0014f.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

const QString Terminata = QStringLiteral("Elaborazione Terminata");

class LavoriDemo : public AziendaDemo {
protected:
    // C0001's invoiced crates and bottles (10 crates less 2 back, 120 bottles) are settled by the
    // document numbered 4: its deposit summary holds them as returned at the list's prices.
    void Saldati()
    {
        EXPECT_EQ(Elenco(QStringLiteral("SELECT T.IdCliente, C.IdImballo, C.QtaRes, C.Prezzo FROM LUMO_CauzDocFatt C "
                                        "JOIN FattureCliTeste T ON T.KFattCliT = C.KFattCliT WHERE T.Numero = 4 "
                                        "AND C.QtaRes <> 0 ORDER BY C.IdImballo")),
                  (QStringList{"C0001/BOT/120/0.25", "C0001/CAS/8/3"}));
        EXPECT_EQ(
            Valore(QStringLiteral("SELECT SUM(ProgQtaCarF - ProgQtaResF) FROM LUMO_ProgCauz WHERE IdConto = 'C0001' "
                                  "AND FlTipoScheda = 1"))
                .toDouble(),
            0.0);
    }
};

// The jobs these tests run: every job of the module's menu.
const QStringList Lavori = {
    QStringLiteral("QARN0014D"), QStringLiteral("QARN0014D_001"), QStringLiteral("QARN0101D"),
    QStringLiteral("QARN0103D"), QStringLiteral("QARN0105D"),     QStringLiteral("QARN0106D"),
    QStringLiteral("QARN0110D"), QStringLiteral("QARN0112D"),     QStringLiteral("QARN0154D"),
    QStringLiteral("QARN0155D"), QStringLiteral("QARN0156D"),     QStringLiteral("QARN0203D"),
    QStringLiteral("QARN0205D"), QStringLiteral("QARN0206D"),     QStringLiteral("QARN0207D"),
    QStringLiteral("QARN0208D"), QStringLiteral("QARN0210D"),     QStringLiteral("QARN0211D"),
    QStringLiteral("QARN0212D"), QStringLiteral("QARN0213D"),     QStringLiteral("QARN0300D"),
    QStringLiteral("QARN0301D"), QStringLiteral("QARN0302D"),     QStringLiteral("QARN0401D"),
    QStringLiteral("QARN0402D"), QStringLiteral("QARN0404D"),     QStringLiteral("QARN0500D"),
    QStringLiteral("QARN0801D"),
};

// The codes of a menu file's entries, submenus included.
void CodiciMenu(const QJsonArray &voci, QStringList &codici)
{
    for (const QJsonValue v : voci) {
        const QJsonObject voce = v.toObject();
        if (voce.contains(QStringLiteral("code")))
            codici << voce.value(QStringLiteral("code")).toString();
        CodiciMenu(voce.value(QStringLiteral("items")).toArray(), codici);
    }
}

} // namespace

TEST(LavoriDelMenu, EveryJobOfTheModulesMenuIsRunHere)
{
    QFile file(qEnvironmentVariable("KV8_SOURCE_DIR") + QStringLiteral("/host/app/menu.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QStringList codici;
    CodiciMenu(QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("menus")).toArray(), codici);
    QStringList lavori = codici.filter(QRegularExpression(QStringLiteral("^QARN\\d{4}D")));
    lavori.sort();
    QStringList attesi = Lavori;
    attesi.sort();
    EXPECT_EQ(lavori, attesi);
}

// ---- registers

TEST_F(LavoriDemo, RegistroCaricoScarico)
{
    auto *f = Registro(QStringLiteral("QARN0101D"), QDate(2026, 1, 1), QDate(2026, 12, 31));
    ASSERT_NE(f, nullptr);
    Stampato(Esegui(f), {QStringLiteral("Vini a DOCG"), QStringLiteral("Enoteca Il Calice S.n.c.")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, AnalisiProgressiviCategorie)
{
    auto *f = Lavoro(QStringLiteral("QARN0103D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edIdRaggMag", QStringLiteral("1"));
    Scelta(f, "cbFlTipoRic", 1);
    Data(f, "edDaData", 2026, 1, 1);
    Data(f, "edA_Data", 2026, 12, 31);
    Esegui(f);
    Stampato(Stampa(f), {QStringLiteral("Vini a DOCG")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, BilancioAnnuale)
{
    auto *f = Registro(QStringLiteral("QARN0105D"), QDate(2025, 8, 1), QDate(2026, 7, 31));
    ASSERT_NE(f, nullptr);
    Stampato(Esegui(f), {QStringLiteral("Vini a DOCG"), QStringLiteral("Giacenze Contabili al 31/07/2026")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, RegistroImbottigliamento)
{
    auto *f = Registro(QStringLiteral("QARN0106D"), QDate(2026, 1, 1), QDate(2026, 12, 31));
    ASSERT_NE(f, nullptr);
    Stampato(Esegui(f), {QStringLiteral("Imbottigliamento - carico imbottigliato")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, RegistroContrassegniDefinitivoEAnalisiProgressivi)
{
    auto *f = Lavoro(QStringLiteral("QARN0110D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edIdRaggMag", QStringLiteral("1"));
    Campo(f, "edTipoContr", QStringLiteral("D"));
    Scelta(f, "cbTipoProd", 1);
    Data(f, "edDaData", 2026, 1, 1);
    Data(f, "edA_Data", 2026, 12, 31);
    Spunta(f, "chFlDefinitiva");
    script.Yes(QStringLiteral("Conferma aggiornamento definitivo dei dati stampati "));
    Stampato(Esegui(f), {QStringLiteral("D075")});
    EXPECT_GT(Conta(QStringLiteral("LUMO_ProgRegCiT")), 0);

    auto *a = Lavoro(QStringLiteral("QARN0112D"));
    ASSERT_NE(a, nullptr);
    Campo(a, "edIdRaggMag", QStringLiteral("1"));
    Campo(a, "edIdConIva", QStringLiteral("D075"));
    Scelta(a, "cbTipoProdotto", 1);
    Esegui(a);
    Stampato(Stampa(a), {QStringLiteral("D075")});
    SoloMessaggi({});
}

// ---- deposits

TEST_F(LavoriDemo, RegistroCauzioni)
{
    auto *f = Lavoro(QStringLiteral("QARN0205D"));
    ASSERT_NE(f, nullptr);
    Data(f, "edDaData", 2026, 1, 1);
    Data(f, "edA_Data", 2026, 12, 31);
    // the journal's movements and those of the documents with deposits
    Stampato(Esegui(f),
             {QStringLiteral("Ristorante Da Gianni S.r.l."), QStringLiteral("DDT 5 / 1"), QStringLiteral("FT 3 / 1")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, StampaListiniCauzioni)
{
    auto *f = Lavoro(QStringLiteral("QARN0206D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edDa_IdListino", QStringLiteral("CAU"));
    Campo(f, "edA_IdListino", QStringLiteral("CAU"));
    Campo(f, "edIdDivisa", QStringLiteral("EUR"));
    Stampato(Esegui(f), {QStringLiteral("CAS")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, StampaMovimentiResi)
{
    auto *f = Lavoro(QStringLiteral("QARN0210D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edDa_IdConto", QStringLiteral("C0001"));
    Campo(f, "edA_IdConto", QStringLiteral("C0006"));
    Data(f, "edDa_Data", 2026, 1, 1);
    Data(f, "edA_Data", 2026, 12, 31);
    Scelta(f, "cbFlTipoMovimenti", 2);
    Esegui(f);
    Stampato(Stampa(f), {QStringLiteral("C0001")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, StampaProgressiviCauzioni)
{
    auto *f = Lavoro(QStringLiteral("QARN0207D"));
    ASSERT_NE(f, nullptr);
    Scelta(f, "cbIdContoTp", QStringLiteral("CL"));
    Stampato(Esegui(f), {QStringLiteral("C0001")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, TotaliCauzioni)
{
    auto *f = Lavoro(QStringLiteral("QARN0203D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edDa_IdImballo", QStringLiteral("BOT"));
    Campo(f, "edA_IdImballo", QStringLiteral("PAL"));
    Scelta(f, "cbIdContoTp", QStringLiteral("CL"));
    Esegui(f);
    Stampato(Stampa(f), {QStringLiteral("CAS")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, EstrattoContoCauzioni)
{
    auto *f = Lavoro(QStringLiteral("QARN0213D"));
    ASSERT_NE(f, nullptr);
    Data(f, "edDaData", 2026, 1, 1);
    Data(f, "edA_Data", 2026, 12, 31);
    Scelta(f, "cbIdContoTp", QStringLiteral("CL"));
    Campo(f, "edDaIdConto", QStringLiteral("C0001"));
    Campo(f, "edA_IdConto", QStringLiteral("C0006"));
    Stampato(Esegui(f), {QStringLiteral("C0001")});
    SoloMessaggi({});
}

TEST_F(LavoriDemo, TrasferimentoCauzioni)
{
    auto *f = Lavoro(QStringLiteral("QARN0211D"));
    ASSERT_NE(f, nullptr);
    Scelta(f, "cbIdContoTp", QStringLiteral("CL"));
    Campo(f, "edDa_IdConto", QStringLiteral("C0002"));
    Campo(f, "edDa_IdDestinazione", QStringLiteral("1"));
    Campo(f, "edA_IdConto", QStringLiteral("C0001"));
    Campo(f, "edA_IdDestinazione", QStringLiteral("0"));
    Esegui(f);
    SoloMessaggi({QStringLiteral("Trasferimento Completato!")});
    EXPECT_TRUE(script.Shown(QStringLiteral("Trasferimento Completato!")));
    // C0002's crates at its destination (10 given, 4 back) now owed by C0001 (20 before, 2 back)
    EXPECT_EQ(Valore(QStringLiteral("SELECT ProgQtaCar - ProgQtaRes FROM LUMO_ProgCauz WHERE IdConto = 'C0002' AND "
                                    "FlTipoScheda = 0 AND IdDestinazione = 1 AND IdImballo = 'CAS'"))
                  .toDouble(),
              0.0);
    EXPECT_EQ(Valore(QStringLiteral("SELECT ProgQtaCar - ProgQtaRes FROM LUMO_ProgCauz WHERE IdConto = 'C0001' AND "
                                    "FlTipoScheda = 1 AND IdImballo = 'CAS'"))
                  .toDouble(),
              34.0);
}

TEST_F(LavoriDemo, CancellazioneSchedeVuote)
{
    auto *f = Lavoro(QStringLiteral("QARN0208D"));
    ASSERT_NE(f, nullptr);
    Scelta(f, "cbIdContoTp", QStringLiteral("CL"));
    script.Yes(QStringLiteral("Confermi eliminazione schede progressivi"));
    Esegui(f);
    SoloMessaggi({QStringLiteral("Eliminazione Completata")});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdImballo = 'BOT' AND IdConto = 'C0002'")), 0)
        << "the empty cards deleted";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdImballo = 'CAS' AND IdConto = 'C0002'")), 2);
}

TEST_F(LavoriDemo, CancellazioneMovimenti)
{
    const int prima = Conta(QStringLiteral("LUMO_MovCauT"));
    auto *f = Lavoro(QStringLiteral("QARN0212D"));
    ASSERT_NE(f, nullptr);
    Data(f, "edDa_Data", 2026, 1, 1);
    Data(f, "edA_Data", 2026, 2, 28);
    script.Yes(QStringLiteral("Confermi eliminazione definitiva movimenti "));
    Esegui(f);
    SoloMessaggi({QStringLiteral("Eliminazione terminata")});
    EXPECT_LT(Conta(QStringLiteral("LUMO_MovCauT")), prima);
}

TEST_F(LavoriDemo, RicalcoliDaiDocumentiLascianoSchedeMovimentiECastellettiComeErano)
{
    const QStringList schede = Schede();
    const auto movimenti = [&] {
        return Elenco(QStringLiteral("SELECT T.FlTipoDocColl, T.KDocT, T.Numero, T.IdConto, T.IdDivisa, R.IdImballo, "
                                     "R.QtaCar, R.QtaRes, R.Prezzo, R.ValoreCar, R.ValoreRes FROM LUMO_MovCauR R "
                                     "JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT "
                                     "ORDER BY T.FlTipoDocColl, T.KDocT, T.DataReg, T.IdConto, R.IdImballo"));
    };
    const auto castelletti = [&] {
        return Elenco(QStringLiteral(
                   "SELECT KBolleCliT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, ValoreRes "
                   "FROM LUMO_CauzDocBoll WHERE QtaCar <> 0 OR QtaRes <> 0 ORDER BY KBolleCliT, IdImballo"))
               + Elenco(QStringLiteral("SELECT KFattCliT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, ValoreRes "
                                       "FROM LUMO_CauzDocFatt WHERE QtaCar <> 0 OR QtaRes <> 0 "
                                       "ORDER BY KFattCliT, IdImballo"));
    };
    const QStringList prima = movimenti();
    const QStringList righe = castelletti();
    ASSERT_FALSE(schede.isEmpty());
    ASSERT_FALSE(righe.isEmpty());
    // summaries from the documents' rows, movements from the summaries, then the cards
    for (int lavoro : {2, 1, 0}) {
        auto *f = Lavoro(QStringLiteral("QARN0156D"));
        ASSERT_NE(f, nullptr);
        Scelta(f, "cbFlTipoRicalcolo", lavoro);
        script.Yes(QStringLiteral("Confermi elaborazione"));
        Esegui(f);
    }
    SoloMessaggi(
        {Terminata, QStringLiteral("Elaborazione terminata.. eseguire generazione movimento e progressivi cauzioni")});
    EXPECT_EQ(castelletti(), righe);
    EXPECT_EQ(movimenti(), prima);
    EXPECT_EQ(Schede(), schede);
}

TEST_F(LavoriDemo, FatturazioneGiacenzeCauzioni)
{
    const int fatture = Conta(QStringLiteral("FattureCliTeste"));
    FatturazioneGiacenze();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_GT(Conta(QStringLiteral("FattureCliTeste")), fatture);
    const QString fine = script.LastText();
    EXPECT_TRUE(fine.startsWith(QStringLiteral("Elaborazione Terminata : Generate NC"))) << fine.toStdString();
    SoloMessaggi({fine});
    // one row per packaging code billed
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT R.IdProdotto, R.Quantita, R.Prezzo FROM FattureCliRighe R JOIN FattureCliTeste T "
                              "ON T.KFattCliT = R.KFattCliT WHERE T.Numero = 4 ORDER BY R.IdProdotto")),
        (QStringList{"BOT/120/0.25", "CAS/8/3"}));
    Saldati();
}

TEST_F(LavoriDemo, NoteDiCreditoResiImballi)
{
    const int fatture = Conta(QStringLiteral("FattureCliTeste"));
    auto *f = Lavoro<TFqarn0155d>(QStringLiteral("QARN0155D"));
    ASSERT_NE(f, nullptr);
    DocumentoCauzioni(f, QDate(2026, 4, 15), QStringLiteral("NCC"));
    Campo(f, "edDescrizione", QStringLiteral("Resi imballi di aprile"));
    // the customer typed in the list's grid
    f->ttElencoClienti->Append();
    f->ttElencoClienti->FieldByName(QStringLiteral("IDCLIENTE"))->SetAsString(QStringLiteral("C0001"));
    f->ttElencoClienti->Post();
    Esegui(f);
    ASSERT_EQ(f->Pagina(), 1) << "nothing to credit";
    Genera(f);
    EXPECT_GT(Conta(QStringLiteral("FattureCliTeste")), fatture);
    const QString fine = script.LastText();
    EXPECT_TRUE(fine.startsWith(QStringLiteral("Elaborazione Terminata : Generate NC"))) << fine.toStdString();
    SoloMessaggi({fine});
    // the refund is the note's packaging expense
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdCausale, IdCliente, SpeseImballo FROM FattureCliTeste WHERE Numero = 4")),
              QStringList{"NCC/C0001/54"});
    Saldati();
}

// ---- excise

TEST_F(LavoriDemo, GenerazioneEStampeDocumentiAccise)
{
    auto *g = Lavoro(QStringLiteral("QARN0401D"));
    ASSERT_NE(g, nullptr);
    Scelta(g, "cbFlTipoDocColl", 1);
    Campo(g, "edIdCausale", QStringLiteral("DDT"));
    Data(g, "edDa_Data", 2026, 3, 1);
    Data(g, "edA_Data", 2026, 3, 31);
    Data(g, "edDataReg", 2026, 3, 31);
    Esegui(g);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccT")), 2) << "the wine delivery notes of the German customer";
    for (const char *codice : {"QARN0402D", "QARN0404D"}) {
        auto *f = Lavoro(QLatin1String(codice));
        ASSERT_NE(f, nullptr);
        Data(f, "edDa_Data", 2026, 1, 1);
        Data(f, "edA_Data", 2026, 12, 31);
        Stampato(Esegui(f), {QStringLiteral("Weinhaus Müller GmbH")});
    }
    SoloMessaggi({});
}

// ---- catalogue

TEST_F(LavoriDemo, SchedeCatalogoCartaViniEAnagrafica)
{
    for (const char *codice : {"QARN0301D", "QARN0500D"}) {
        auto *f = Lavoro(QLatin1String(codice));
        ASSERT_NE(f, nullptr);
        Stampato(Esegui(f), {QStringLiteral("Barolo")});
    }
    auto *s = Lavoro(QStringLiteral("QARN0300D"));
    ASSERT_NE(s, nullptr);
    Esegui(s);
    Stampato(Stampa(s), {QStringLiteral("Barolo")});
    auto *f = Lavoro(QStringLiteral("QARN0302D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edIdListino", QStringLiteral("L01"));
    Esegui(f);
    Stampato(Stampa(f), {QStringLiteral("Barolo")});
    SoloMessaggi({});
}

// ---- transport and articles

TEST_F(LavoriDemo, StampaEAnalisiListiniTrasporto)
{
    auto *s = Lavoro(QStringLiteral("QARN0014D"));
    ASSERT_NE(s, nullptr);
    Stampato(Esegui(s), {QStringLiteral("TRA2026")});
    auto *a = Lavoro<TFqarn0014d_001>(QStringLiteral("QARN0014D_001"));
    ASSERT_NE(a, nullptr);
    Campo(a, "edIdConto", QStringLiteral("C0003"));
    Data(a, "edDataInizio", 2026, 1, 1);
    Data(a, "edDataFine", 2026, 12, 31);
    Esegui(a);
    EXPECT_EQ(a->Pagina(), 1);
    // the customer's own row and the list's general ones
    EXPECT_TRUE(a->qListTraT->Locate(QStringLiteral("IdConto"), QStringLiteral("C0003")));
    EXPECT_FALSE(a->qListTraR->IsEmpty());
    SoloMessaggi({});
}

// The demo's transport list opens in its window for a change and for a delete like any list
// typed there.
TEST_F(LavoriDemo, IlListinoTrasportiSiModificaESiCancella)
{
    auto *f = Apri<TFqarn0014f>(QStringLiteral("QARN0014F"));
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("IdListTra"), QStringLiteral("TRA2026")));
    const int lista = f->tMain->FieldByName(QStringLiteral("KListTraT"))->AsInteger();
    const auto righe = [&](const char *tabella) {
        return Valore(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE KListTraT = ?").arg(QLatin1String(tabella)),
                      {lista})
            .toInt();
    };
    const int riferimenti = righe("LUMO_ListTraD");
    const int articoli = righe("LUMO_ListTraR");
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit) << script.LastText().toStdString();
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsListTra"), QStringLiteral("Trasporti Italia 2026 rivisto")));
    script.Yes(QStringLiteral("Conferma Registrazione ?"));
    Premi(f, nbPost);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Valore(QStringLiteral("SELECT DsListTra FROM LUMO_ListTraT WHERE KListTraT = ?"), {lista}).toString(),
              QStringLiteral("Trasporti Italia 2026 rivisto"));
    EXPECT_EQ(righe("LUMO_ListTraD"), riferimenti);
    EXPECT_EQ(righe("LUMO_ListTraR"), articoli);
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(Valore(QStringLiteral("SELECT COUNT(*) FROM LUMO_ListTraT WHERE KListTraT = ?"), {lista}).toInt(), 0);
    EXPECT_EQ(righe("LUMO_ListTraD") + righe("LUMO_ListTraR"), 0);
    SoloMessaggi({});
}

TEST_F(LavoriDemo, CambioPercorsoImmagini)
{
    QTemporaryDir cartella;
    auto *f = Lavoro(QStringLiteral("QARN0801D"));
    ASSERT_NE(f, nullptr);
    Campo(f, "edPath", cartella.path());
    Esegui(f);
    SoloMessaggi({});
    EXPECT_EQ(Valore(QStringLiteral("SELECT Allegati FROM Articoli WHERE IdProdotto = 'BAROLO19'")).toString(),
              cartella.path() + QStringLiteral("/barolo19.jpg"));
}

// ---- documents

// The demo's delivery note 5 typed again: 4 cases of mineral water for C0006, whose deposits
// (4 cases and 48 bottles, 24,00) stand outside VAT. Its totals page adds up as typed and once
// saved with F10 and opened again.
TEST_F(LavoriDemo, ADeliveryNoteWithDepositsAddsUpOnItsTotalsPage)
{
    const QLocale italiano(QLocale::Italian, QLocale::Italy);
    const auto sommaTotali = [&](TFDocumento *f) {
        f->KPageControl->setCurrentWidget(f->tsPagina5);
        ProcessEvents();
        QStringList cifre;
        for (const char *nome : {"edTotImponibile", "edTotIva", "edTotFuoriCampoIva", "edTotDocumento"}) {
            auto *edit = f->Control<TDBEdit>(QLatin1String(nome));
            EXPECT_TRUE(edit->isVisible()) << nome;
            bool ok = false;
            cifre << QString::number(italiano.toDouble(edit->text(), &ok), 'f', 2);
            EXPECT_TRUE(ok) << nome << " shows \"" << edit->text().toStdString() << "\"";
        }
        return cifre.join(QLatin1Char('/'));
    };
    auto *f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCausale"), QStringLiteral("DDT")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), QStringLiteral("C0006")));
    f->DBNavigatore2->Button(nbInsert)->click();
    ProcessEvents();
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("ACQUANAT")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edLunghezza"), QStringLiteral("4")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edPrezzo"), QStringLiteral("0,6")));
    f->DBNavigatore2->Button(nbPost)->click();
    ProcessEvents();
    const QString attesi = QStringLiteral("28.80/6.34/24.00/59.14");
    EXPECT_EQ(sommaTotali(f), attesi) << "taxable, VAT, outside VAT, total as typed";
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbTotFuoriCampoIva"))->text(), QStringLiteral("Fuori campo IVA:"));

    script.AllowUnusedAnswers();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Tasto(f->Control<TDBEdit>(QStringLiteral("edDataDocumento")), Qt::Key_F10);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong();
    EXPECT_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toDouble(),
              59.14);
    f->Close();
    ProcessEvents();
    f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(sommaTotali(f), attesi) << "the stored note";
}
