// Customer delivery notes through their window: new, changed, deleted, refused.
#include "tests/host/documents/DocumentiFixture.h"

#include "host/db/TXTransaction.h"
#include "tests/host/core/Printers.h"
#include "tests/support/DueUtenti.h"

#include <QApplication>
#include <QTest>

TEST_F(Documenti, NuovaBollaRegistraTestaRigheMovimentiEsistenzeTotaliENumero)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1);
    EXPECT_EQ(Valore(QStringLiteral("SELECT Numero FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toInt(), 1);
    EXPECT_EQ(Valore(QStringLiteral("SELECT Anno FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toInt(), 2026);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ?"), {k}), 3);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT ImportoNetto FROM BolleCliRighe WHERE IdProdotto = 'B1'")).toDouble(), 10.0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 0")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -10);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1")), -4);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1")), -6);
    // 50 + 10 + 18 = 78 plus VAT 22%
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT TotDocumento FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toDouble(), 95.16);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT Importo2 FROM BolleCliTot WHERE KBolleCliT = ? AND TipoRecord = 'MER'"), {k})
            .toDouble(),
        78.0);
    // the next one takes the next number of the year and series
    NuovaBolla();
    EXPECT_EQ(Valore(QStringLiteral("SELECT MAX(Numero) FROM BolleCliTeste")).toInt(), 2);
}

TEST_F(Documenti, BollaModificataRigoCambiatoCancellatoEAggiunto)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    ASSERT_EQ(f->TRighe->RecordCount(), 3);
    EXPECT_EQ(f->ModoSalva, 1);

    // browsing: a stray key in the head changes nothing, and F10 saves nothing
    auto *causale = f->Control<TDBEdit>(QStringLiteral("edIdCausale"));
    script.ClearMessages();
    kv8test::Focus(causale);
    kv8test::TypeText(causale, QStringLiteral("X"));
    EXPECT_EQ(causale->text(), QStringLiteral("DDT"));
    EXPECT_EQ(f->TTesta->State(), dsBrowse);
    kv8test::PressKey(causale, Qt::Key_F10);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();
    // F2 is the user's choice to change it
    kv8test::PressKey(causale, Qt::Key_F2);
    EXPECT_EQ(f->TTesta->State(), dsEdit);

    VaiARigo(f, QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("7")));
    PremiRighe(f, nbPost);
    VaiARigo(f, QStringLiteral("B1"));
    script.AllowUnusedAnswers();
    script.Yes();
    PremiRighe(f, nbDelete);
    EXPECT_EQ(f->TRighe->RecordCount(), 2) << "the deleted row leaves the grid";
    NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("2"), QStringLiteral("1"));
    Premi(f, nbPost);

    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ?"), {k}), 3);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'A1'")).toDouble(),
                     7);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'B1'")).toDouble(),
                     2);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -7);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1")), -2);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1")), -6);
    // 35 + 2 + 18 = 55 plus VAT
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT TotDocumento FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toDouble(), 67.1);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT Importo2 FROM BolleCliTot WHERE KBolleCliT = ? AND TipoRecord = 'MER'"), {k})
            .toDouble(),
        55.0);
    EXPECT_EQ(Valore(QStringLiteral("SELECT Numero FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toInt(), 1);
    // the window shows the document as stored, rows unchanged
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    EXPECT_FALSE(f->FlRigheModificate);
}

TEST_F(Documenti, BollaCancellataSenzaMovimentiNeEsistenze)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    script.No(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1) << "a refused confirmation deletes nothing";

    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTot")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    for (const char *a : {"A1", "B1", "C1"})
        EXPECT_DOUBLE_EQ(Esistenza(QLatin1String(a)), 0) << a;
    EXPECT_EQ(f->KeyCorrente(), 0);
    EXPECT_EQ(f->TRighe->RecordCount(), 0);
}

namespace {
// A delivery-note window whose check at the click finds nothing invoiced, as when the invoice
// is saved between the click and the deletion's transaction.
class BollaFatturataDopoIlClic : public TFSVen0001f {
public:
    bool BollaFatturata() const override { return false; }
};
} // namespace

// Inside the transaction the rows as stored refuse the deletion of an invoiced note: nothing goes.
TEST_F(Documenti, BollaFatturataNonSiCancellaNellaTransazione)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1 WHERE IdProdotto = 'B1'");
    BollaFatturataDopoIlClic f;
    f.DoCreate();
    ASSERT_TRUE(f.InitForm(0, k, 0));
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    f.CancellaDocumento();
    EXPECT_FALSE(f.SalvataggioRiuscito);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il DDT è già stato fatturato: non può essere cancellato.")));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ?"), {k}), 3);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -10);
    EXPECT_FALSE(company.Database().InTransaction());
}

// A deletion after another user changed a row on a connection of his own is refused whole;
// the same window then deletes the document read again, and saves a new one after it.
TEST_F(Documenti, CancellazioneDopoUnaModificaAltruiRifiutataPoiRiuscita)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    {
        TXDatabase altro(QStringLiteral("AltroUtente"), company.Db().Url());
        TXTransaction transazione(altro);
        altro.ExecSQL(QStringLiteral("UPDATE BolleCliRighe SET Prezzo = 7 WHERE IdProdotto = 'C1'"));
        transazione.Commit();
    }
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(script.Count(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                          "chiudere e riaprire il documento per vedere i dati attuali.")),
              1);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ?"), {k}), 3);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 0")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -10);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1")), -6);
    EXPECT_EQ(f->KeyCorrente(), k);
    EXPECT_FALSE(company.Database().InTransaction());

    ASSERT_TRUE(f->InitForm(0, k, 0));
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    for (const char *a : {"A1", "B1", "C1"})
        EXPECT_DOUBLE_EQ(Esistenza(QLatin1String(a)), 0) << a;

    // a new note in the same window stores its rows and their stock
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("3"), QStringLiteral("5"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 1);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 1);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -3);
    script.AllowUnusedAnswers();
}

// A deleted note takes back each row's movement and, its causal having one, the
// counter-movement into the arrival warehouse; a movement with lot details loses them too.
TEST_F(Documenti, CancellazioneStornaContromovimentiEDettagliDeiLotti)
{
    Esegui("INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse, IdContropartita, FlPartita) VALUES "
           "('TRS', 'Trasferimento', -1, 0, 'TRC', 0), ('TRC', 'Arrivo trasferimento', 1, 0, '', 0)");
    Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga) VALUES ('DTR', 'DDT deposito', 0, "
           "'TRS')");
    const auto giacenza = [this](const char *articolo, int magazzino) {
        return Valore(QStringLiteral("SELECT COALESCE(SUM(Esistenza), 0) FROM EsistenzeMagazzino WHERE IdProdotto = ? "
                                     "AND IdMagazzino = ?"),
                      {QLatin1String(articolo), magazzino})
            .toDouble();
    };
    for (const bool lotti : {false, true}) {
        auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
        ASSERT_TRUE(f);
        Testa(f, QStringLiteral("DTR"), QStringLiteral("C1"));
        f->TTesta->FieldByName(QStringLiteral("IdMagArrivo"))->SetAsInteger(2);
        NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
        NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("4"), QStringLiteral("2"));
        script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
        ASSERT_EQ(Conta(QStringLiteral("MovMagazzino")), 4);
        ASSERT_DOUBLE_EQ(giacenza("A1", 2), 10);
        if (lotti)
            Esegui("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KTestaDoc, KRigoDoc, IdLotto, Quantita) "
                   "SELECT 1, 99, 0, KMovMag, 'L1', Quantita FROM MovMagazzino WHERE IdProdotto = 'A1' AND "
                   "SubNumOrdine = 0");

        ASSERT_TRUE(f->InitForm(0, Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toInt(), 0));
        script.Yes(QStringLiteral(" Conferma cancellazione ? "));
        Premi(f, nbDelete);
        EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0) << lotti;
        EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0) << lotti;
        EXPECT_EQ(Conta(QStringLiteral("DettQtaDoc")), 0) << lotti;
        for (const char *a : {"A1", "B1"})
            for (int magazzino : {1, 2})
                EXPECT_DOUBLE_EQ(giacenza(a, magazzino), 0) << a << magazzino << lotti;
        f->Close();
        kv8test::ProcessEvents();
    }
    script.AllowUnusedAnswers();
}

TEST_F(Documenti, UnaBollaNuovaPrendeLaCausaleDigitataSubitoEUnRigoNuovoIlSuoPrimoCampo)
{
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    QWidget *finestra = f->window();
    finestra->activateWindow();
    QApplication::setActiveWindow(finestra);
    kv8test::ProcessEvents();
    QWidget *fuoco = QApplication::focusWidget();
    ASSERT_NE(fuoco, nullptr) << "the new note opens with no control to type into";
    EXPECT_EQ(fuoco->objectName(), QStringLiteral("edIdCausale"));
    QTest::keyClicks(fuoco, QStringLiteral("DDT"));
    QTest::keyClick(fuoco, Qt::Key_Tab);
    kv8test::ProcessEvents();
    EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("IdCausale"))->AsString(), QStringLiteral("DDT"));

    PremiRighe(f, nbInsert);
    fuoco = QApplication::focusWidget();
    ASSERT_NE(fuoco, nullptr);
    EXPECT_EQ(fuoco->objectName(), QStringLiteral("edTipoRigo")) << "the new row starts on its first field";
}

TEST_F(Documenti, DatiErratiRifiutatiConMessaggioSenzaScrivere)
{
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));

    // no rows
    Premi(f, nbPost);
    EXPECT_TRUE(script.Shown(QStringLiteral("Deve essere specificato almeno un rigo nel documento!")));

    // an article that does not exist
    PremiRighe(f, nbInsert);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("ZZ")));
    EXPECT_TRUE(script.Shown(QStringLiteral("L'articolo ZZ non esiste: indicare un articolo presente in anagrafica.")));
    // quantity 0
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("A1")));
    PremiRighe(f, nbPost);
    EXPECT_TRUE(script.Shown(QStringLiteral("La quantità dell'articolo A1 è zero: indicare una quantità.")));
    EXPECT_EQ(f->TRighe->State(), dsInsert) << "the refused row stays to be mended";
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("3")));
    PremiRighe(f, nbPost);
    EXPECT_EQ(f->TRighe->State(), dsBrowse);

    // a customer that does not exist
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), QStringLiteral("NESSUNO")));
    Premi(f, nbPost);
    EXPECT_TRUE(
        script.Shown(QStringLiteral("L'intestatario NESSUNO non esiste: indicare un codice presente in anagrafica.")));

    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);

    // mended, the same edit is saved
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), QStringLiteral("C1")));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 1);
    script.AllowUnusedAnswers();
}

TEST_F(Documenti, RigheDaOrdineEvadonoIlRigoOrdine)
{
    Esegui("INSERT INTO OrdiniCliTeste (KOrdiniCliT, IdCausale, Anno, Serie, Numero, IdClienteTp, IdCliente) "
           "VALUES (1, 'ORD', 2026, 0, 1, 'CL', 'C1')");
    Esegui(
        "INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, TipoRigo, IdProdotto, QuantitaOrd, Prezzo, "
        "IdIva, IdMagazzino) VALUES (11, 1, 1, 0, 'A1', 20, 5, '22', 1), (12, 1, 2, 0, 'B1', 5, 2, '22', 1)");
    // the lines chosen in the order-line selection
    TXTable selezione;
    selezione.SetDatabaseName(QStringLiteral("LocalDatabase"));
    selezione.SetTableName(QStringLiteral("TSelOrdR"));
    selezione.CreaTabella();
    selezione.Open();
    for (const auto &[chiave, articolo, scelta] : {std::tuple{11, "A1", 8.0}, std::tuple{12, "B1", 0.0}}) {
        selezione.Append();
        selezione.FieldByName(QStringLiteral("KOrdiniCliR"))->SetAsInteger(chiave);
        selezione.FieldByName(QStringLiteral("KOrdiniCliT"))->SetAsInteger(1);
        selezione.FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QLatin1String(articolo));
        selezione.FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(5);
        selezione.FieldByName(QStringLiteral("IdMagazzino"))->SetAsInteger(1);
        selezione.FieldByName(QStringLiteral("FlSelez"))->SetAsInteger(chiave == 11 ? 1 : 0);
        selezione.FieldByName(QStringLiteral("QtaSelez"))->SetAsFloat(scelta);
        selezione.Post();
    }

    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    ASSERT_EQ(f->AccodaRigheDaOrdine(), 1) << "only the chosen line";
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 8);
    EXPECT_EQ(f->LegamiOrdini.value(f->TRighe->FieldByName(QStringLiteral("Contatore"))->AsInteger()), 11);
    EXPECT_EQ(f->TRighe->FieldByName(QStringLiteral("IdIva"))->AsString(), QStringLiteral("22"))
        << "completed from the article";
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Valore(QStringLiteral("SELECT KBolleCliT FROM BolleCliTeste")).toLongLong();
    EXPECT_EQ(Valore(QStringLiteral("SELECT KOrdineR FROM BolleCliRighe")).toInt(), 11);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE KOrdiniCliR = 11")).toDouble(),
                     8);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE KOrdiniCliR = 12")).toDouble(),
                     0);
    f->Close();

    // a changed quantity moves the shipped quantity, a deletion gives it back
    f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    VaiARigo(f, QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("12")));
    PremiRighe(f, nbPost);
    Premi(f, nbPost);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE KOrdiniCliR = 11")).toDouble(),
                     12);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE KOrdiniCliR = 11")).toDouble(),
                     0);
}

TEST_F(Documenti, ComponentiDelKitECodiciABarreDiventanoRighe)
{
    Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva) VALUES ('K1', 'Confezione', 'PZ', '22')");
    Esegui("INSERT INTO DistintaBase (IdProdotto, IdVariante, NumRiga, IdComponente, Quantita) VALUES "
           "('K1', '', 1, 'A1', 1), ('K1', '', 2, 'B1', 2)");
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    EXPECT_FALSE(
        f->InserisciComponenti(QStringLiteral("C1"), Giorno(2026, 3, 10), 3, 0, 0, 0, 0, QString(), 1, 0, 0, 0))
        << "an article without components adds nothing";
    ASSERT_TRUE(
        f->InserisciComponenti(QStringLiteral("K1"), Giorno(2026, 3, 10), 3, 0, 0, 0, 0, QString(), 1, 0, 0, 0));
    EXPECT_EQ(f->TRighe->RecordCount(), 2);
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("B1")));
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 6);
    EXPECT_EQ(f->TRighe->FieldByName(QStringLiteral("Descrizione"))->AsString(), QStringLiteral("Barbera"));

    // bar codes read under the rows: an unknown one told and kept in view, nothing added
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("0000")), QStringLiteral("Codice a barre 0000 non riconosciuto."));
    EXPECT_EQ(f->edBarcode->text(), QStringLiteral("0000"));
    EXPECT_EQ(f->TRighe->RecordCount(), 2);
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("C1"), QStringLiteral("4,5x")),
              QStringLiteral("La quantità letta \"4,5x\" non è valida: indicare un numero maggiore di zero."));
    EXPECT_EQ(f->TRighe->RecordCount(), 2);
    EXPECT_EQ(LeggiCodice(f, QStringLiteral("C1"), QStringLiteral("4")), QString());
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 4);
    EXPECT_TRUE(f->FlRigheAggiunte);
    EXPECT_TRUE(f->edBarcode->text().isEmpty() && f->edQtaBarcode->text() == QStringLiteral("1"))
        << "ready for the next read";
    EXPECT_EQ(QApplication::focusWidget(), f->edBarcode);

    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1")), -4);
}

// Two users' saves of customer C1's delivery notes: new ones, changes of stored ones.
class BolleDueUtenti : public Documenti {
protected:
    // A new delivery note of two rows for customer C1 with the causal given, saved at the
    // user's word.
    void SalvaBollaNuova(const QString &causale)
    {
        auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
        ASSERT_NE(f, nullptr);
        Testa(f, causale, QStringLiteral("C1"));
        NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
        NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("4"), QStringLiteral("2,5"));
        SalvaAlVia(f);
    }
    // The stored note opened, its A1 row raised by the user's number, saved at the user's word.
    void ModificaBolla(qint64 k) { ModificaAlVia(Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k))); }
    qint64 PrimaBolla() { return Valore(QStringLiteral("SELECT MIN(KBolleCliT) FROM BolleCliTeste")).toLongLong(); }
    double QuantitaA1(qint64 k)
    {
        return Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE KBolleCliT = ? AND IdProdotto = 'A1'"),
                      {k})
            .toDouble();
    }
    // The stock of each article is what the stored rows booked.
    void EsistenzeComeLeRighe()
    {
        for (const char *a : {"A1", "B1", "C1"})
            EXPECT_DOUBLE_EQ(
                Esistenza(QLatin1String(a)),
                -Valore(QStringLiteral("SELECT COALESCE(SUM(Quantita), 0) FROM BolleCliRighe WHERE IdProdotto = ?"),
                        {QLatin1String(a)})
                     .toDouble())
                << a;
    }
    // Two users save a new note each (the job given): both store, as one after the other,
    // with the next two numbers of the series, whatever their causals.
    void DueBolleNuove(const QString &lavoro)
    {
        kv8test::OgniGiro([&](kv8test::Avvio avvio) {
            const int prima = Conta(QStringLiteral("BolleCliTeste"));
            const int numero = Valore(QStringLiteral("SELECT COALESCE(MAX(Numero), 0) FROM BolleCliTeste")).toInt();
            const double a1 = Esistenza(QStringLiteral("A1"));
            const double b1 = Esistenza(QStringLiteral("B1"));
            const auto utenti = kv8test::DueUtenti(lavoro, company.Db().Url(), avvio, QStringLiteral("documento"));
            for (const kv8test::Utente &u : utenti) {
                ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
                EXPECT_TRUE(u.Messaggi.contains(QStringLiteral("Effettuo stampa ? ")))
                    << "stored: " << u.Messaggi.join(QLatin1Char('|')).toStdString();
            }
            EXPECT_TRUE(utenti[0].Fermato || avvio == kv8test::Avvio::Insieme);
            EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), prima + 2);
            EXPECT_EQ(
                Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("Numero IN (?, ?)"), {numero + 1, numero + 2}), 2)
                << "the next two numbers of the series, one each";
            EXPECT_EQ(Valore(QStringLiteral("SELECT COUNT(DISTINCT Numero) FROM BolleCliTeste")).toInt(), prima + 2);
            EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")),
                      Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 0")));
            EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), a1 - 20);
            EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1")), b1 - 8);
            EsistenzeComeLeRighe();
        });
    }
};

KV8_LAVORO_UTENTE(BolleDueUtenti, BollaStessoCliente)
{
    SalvaBollaNuova(QStringLiteral("DDT"));
}

TEST_F(BolleDueUtenti, DueUtentiSalvanoInsiemeBolleDelloStessoCliente)
{
    DueBolleNuove(QStringLiteral("BollaStessoCliente"));
}

// The second user's causal shares the first one's series: the heads' unique key, which names
// the causal, does not keep them from one number.
KV8_LAVORO_UTENTE(BolleDueUtenti, BollaCausaliDellaSerie)
{
    SalvaBollaNuova(kv8test::NumeroUtente() == 1 ? QStringLiteral("DDT") : QStringLiteral("DDV"));
}

TEST_F(BolleDueUtenti, DueCausaliDellaStessaSerieNonPrendonoLoStessoNumero)
{
    Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga) VALUES ('DDV', 'DDT conto "
           "visione', 0, 'VEN')");
    NuovaBolla();
    DueBolleNuove(QStringLiteral("BollaCausaliDellaSerie"));
}

KV8_LAVORO_UTENTE(BolleDueUtenti, ModificaStessaBolla)
{
    ModificaBolla(PrimaBolla());
}

// Two users change the same stored note: the second to save is refused and stores nothing.
TEST_F(BolleDueUtenti, DueModificheDellaStessaBollaUnaRifiutata)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const double prima = QuantitaA1(k);
        const double a1 = Esistenza(QStringLiteral("A1"));
        // the user who stored raised the row by his number
        const int aumento = UnaModificaRegistrata(QStringLiteral("ModificaStessaBolla"), avvio);
        ASSERT_GT(aumento, 0);
        EXPECT_DOUBLE_EQ(QuantitaA1(k), prima + aumento);
        EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), a1 - aumento);
        EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ?"), {k}), 3);
        EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 0")), 3);
        EsistenzeComeLeRighe();
    });
}

// The same, the first user paused once its note's stored movements are read (locked) to be
// rewritten by key: the second waits, is refused, and the movements and stock are those of one
// change.
TEST_F(BolleDueUtenti, DueModificheDellaStessaBollaConIMovimentiLettiUnaRifiutata)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const double prima = QuantitaA1(k);
        const double a1 = Esistenza(QStringLiteral("A1"));
        const int aumento =
            UnaModificaRegistrata(QStringLiteral("ModificaStessaBolla"), avvio, QStringLiteral("movimenti"));
        ASSERT_GT(aumento, 0);
        EXPECT_DOUBLE_EQ(QuantitaA1(k), prima + aumento);
        EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT SUM(Quantita) FROM MovMagazzino WHERE FlTipoDocum = 0 AND "
                                               "IdProdotto = 'A1'"))
                             .toDouble(),
                         prima + aumento);
        EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), a1 - aumento);
        EsistenzeComeLeRighe();
    });
}

KV8_LAVORO_UTENTE(BolleDueUtenti, ModificaBolleDiverse)
{
    const qint64 prima = PrimaBolla();
    ModificaBolla(
        kv8test::NumeroUtente() == 1
            ? prima
            : Valore(QStringLiteral("SELECT MIN(KBolleCliT) FROM BolleCliTeste WHERE KBolleCliT > ?"), {prima})
                  .toLongLong());
}

// Two users change two notes booking the same stock: both store, the stock as after the two
// one after the other.
TEST_F(BolleDueUtenti, DueModificheDiBolleDiverseSommanoLeEsistenze)
{
    const qint64 k1 = NuovaBolla();
    const qint64 k2 = NuovaBolla();
    ASSERT_LT(k1, k2);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const double q1 = QuantitaA1(k1);
        const double q2 = QuantitaA1(k2);
        const double a1 = Esistenza(QStringLiteral("A1"));
        const auto utenti = kv8test::DueUtenti(QStringLiteral("ModificaBolleDiverse"), company.Db().Url(), avvio,
                                               QStringLiteral("esistenze"));
        for (const kv8test::Utente &u : utenti) {
            ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
            EXPECT_TRUE(u.Messaggi.isEmpty()) << u.Messaggi.join(QLatin1Char('|')).toStdString();
        }
        EXPECT_TRUE(utenti[0].Fermato || avvio == kv8test::Avvio::Insieme);
        EXPECT_DOUBLE_EQ(QuantitaA1(k1), q1 + 1);
        EXPECT_DOUBLE_EQ(QuantitaA1(k2), q2 + 2);
        EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), a1 - 3);
        EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 0")), 6);
        EsistenzeComeLeRighe();
    });
}

// The first user deletes the last note, the second changes the first one.
KV8_LAVORO_UTENTE(BolleDueUtenti, CancellaEModificaBolle)
{
    if (kv8test::NumeroUtente() == 2) {
        ModificaBolla(PrimaBolla());
        return;
    }
    auto *f =
        Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1")
                              .arg(Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong()));
    ASSERT_NE(f, nullptr);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    kv8test::AttendiVia();
    Premi(f, nbDelete);
    kv8test::NotaUtente(script.Texts());
}

// A deletion and a change of two notes booking the same stock: both store, the stock as after
// the two one after the other.
TEST_F(BolleDueUtenti, CancellazioneEModificaDiBolleDiverseInsieme)
{
    const qint64 k = NuovaBolla();
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const qint64 cancellata = NuovaBolla();
        ASSERT_GT(cancellata, k);
        const double quantita = QuantitaA1(k);
        const double a1 = Esistenza(QStringLiteral("A1"));
        const double c1 = Esistenza(QStringLiteral("C1"));
        const auto utenti = kv8test::DueUtenti(QStringLiteral("CancellaEModificaBolle"), company.Db().Url(), avvio,
                                               QStringLiteral("esistenze"));
        for (const kv8test::Utente &u : utenti)
            ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
        EXPECT_EQ(utenti[0].Messaggi, QStringList{QStringLiteral(" Conferma cancellazione ? ")});
        EXPECT_TRUE(utenti[1].Messaggi.isEmpty()) << utenti[1].Messaggi.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(utenti[0].Fermato || avvio == kv8test::Avvio::Insieme);
        EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT = ?"), {cancellata}), 0);
        EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1);
        EXPECT_DOUBLE_EQ(QuantitaA1(k), quantita + 2);
        EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), a1 + 10 - 2);
        EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1")), c1 + 6);
        EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 0")), 3);
        EsistenzeComeLeRighe();
    });
}
