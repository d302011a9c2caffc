// The excise document generation opened from its menu code: heads, rows, numbers and marks
// written in one transaction; what is selected and what is not; the counter and its failures;
// two users at once.
#include "tests/module/excise/AccisaFixture.h"

#include "frame/Lumo_funzioni.h"
#include "host/data/TXClientTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXTransaction.h"
#include "host/ui/DBControls.h"
#include "tests/support/DueUtenti.h"

#include <QTimer>
#include <QToolButton>

using namespace kv8test;

TEST_F(Accisa, NotesBecomeNumberedDocumentsWithRowsAndMarks)
{
    ParametriAccisa(QStringLiteral("Certificato DOC"));
    // numbers follow the sources (keys in another order), invoices continue the sequence
    Documento(1, 20, 2026, 1, 8, QStringLiteral("C1"));
    Riga(1, 201, 20, QStringLiteral("VINO"), 12, 12, 2, 9);
    Documento(1, 10, 2026, 1, 7, QStringLiteral("C1"));
    Riga(1, 101, 10, QStringLiteral("VINO"), 7, 6, 1.5, 5.25); // weights 5,285 and 8,785
    Riga(1, 102, 10, QStringLiteral("ACQUA"), 6, 6, 1, 6);     // not an excise article
    Riga(1, 103, 10, QStringLiteral("SPUM"), 3.333, 3, 0.25, 2.4999);
    Documento(2, 10, 2026, 1, 3, QStringLiteral("C1"));
    Riga(2, 301, 10, QStringLiteral("VINO"), 1, 1, 1, 0.75);

    TFqarn0401d *f = Generazione(1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Generazione Documenti D.A.A."));
    Genera(f);
    EXPECT_EQ(Teste(), (QStringList{"2026/1/1/1/10/C1/0", "2026/1/2/1/20/C1/0"}))
        << script.Texts().join('|').toStdString();
    EXPECT_EQ(f->Pagina(), 1) << "the generated list shown";
    EXPECT_EQ(f->TTGenDocAcc->RecordCount(), 2);
    ASSERT_TRUE(f->TTGenDocAcc->Locate(QStringLiteral("NumeroColl"), 7));
    EXPECT_EQ(f->TTGenDocAcc->FieldByName(QStringLiteral("Numero"))->AsInteger(), 1);
    EXPECT_EQ(f->TTGenDocAcc->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("C1"));
    f->Close();
    ProcessEvents();
    Genera(2);
    EXPECT_EQ(Teste().value(2), QStringLiteral("2026/1/3/2/10/C1/0")) << "invoices continue the year and series";
    EXPECT_EQ(Contatore(2026, 1), 3);
    EXPECT_EQ(Marca(1, 10), 1);
    EXPECT_EQ(Marca(1, 20), 1);
    EXPECT_EQ(Marca(2, 10), 1);

    // the head: source references, the head's own carrier, transport data, the notes
    EXPECT_EQ(Elenco(QStringLiteral(
                  "SELECT AnnoColl, SerieColl, NumeroColl, IdCausale, IdContoTp, IdSpedizione, NumeroColli, "
                  "OraTra, NoteChiusura1, NoteChiusura2, NoteChiusura3 FROM LUMO_DocAccT WHERE Numero = 1")),
              QStringList{"2026/1/7/DDT/CL/V1/3/10.5/Certificato DOC/Nota due/"});
    const QStringList date =
        Elenco(QStringLiteral("SELECT DataDoc, DataDocColl, DataArrivo FROM LUMO_DocAccT WHERE Numero = 1"));
    ASSERT_EQ(date.size(), 1);
    const QStringList d = date.first().split('/');
    EXPECT_EQ(QDateTime::fromString(d[0], Qt::ISODate).date(), QDate(2026, 3, 20));
    EXPECT_EQ(QDateTime::fromString(d[1], Qt::ISODate).date(), QDate(2026, 3, 10));
    EXPECT_EQ(QDateTime::fromString(d[2], Qt::ISODate).date(), QDate(2026, 3, 11));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccT"), QStringLiteral("DataTra IS NULL AND NoteTra1 = ''")), 3);

    // one row per excise source row: weights rounded to 2, quantities and litres as they are
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT R.IdProdotto, R.Nomenclat, R.PesoNetto, R.PesoLordo, R.QtaImballo, R.NumConf, "
                              "R.QtaMov, R.TotLit FROM LUMO_DocAccR R JOIN LUMO_DocAccT T ON T.KContaT = R.KContaT "
                              "WHERE T.Numero = 1 ORDER BY R.IdProdotto")),
        (QStringList{"SPUM/22041000/2.67/5.33/3/0.25/3.333/2.4999", "VINO/22042179/5.29/8.79/6/1.5/7/5.25"}));
}

TEST_F(Accisa, ANoteWithoutExciseRowsYieldsNothingAndIsSelectedAgain)
{
    Documento(1, 10, 2026, 1, 7, QStringLiteral("C1"));
    Riga(1, 101, 10, QStringLiteral("ACQUA"), 6, 6, 1, 6);
    Documento(1, 11, 2026, 1, 9, QStringLiteral("C2")); // neither the customer nor a destination is excise
    Riga(1, 111, 11, QStringLiteral("VINO"), 6, 6, 1, 4.5);
    Genera(1);
    EXPECT_TRUE(Teste().isEmpty());
    EXPECT_EQ(Marca(1, 10), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_Protocolli")), 0) << "no number drawn";
    EXPECT_FALSE(script.Shown(QStringLiteral("Nessun documento di vendita trovato !")))
        << "the first note was selected";

    Riga(1, 102, 10, QStringLiteral("VINO"), 6, 6, 1, 4.5);
    Genera(1);
    EXPECT_EQ(Teste(), QStringList{"2026/1/1/1/10/C1/0"});
    Genera(1);
    EXPECT_TRUE(script.Shown(QStringLiteral("Nessun documento di vendita trovato !")));
    EXPECT_EQ(Teste().size(), 1);
}

TEST_F(Accisa, TheConsigneeByCustomerOrByDestinationOnce)
{
    Documento(1, 10, 2026, 1, 1, QStringLiteral("C2"), 1); // destination only
    Riga(1, 101, 10, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Documento(1, 11, 2026, 1, 2, QStringLiteral("C3"), 1); // customer only
    Riga(1, 111, 11, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Documento(1, 12, 2026, 1, 3, QStringLiteral("C2")); // neither
    Riga(1, 121, 12, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    // a supplier destination of the same code: not the customer's destination
    Esegui(
        QStringLiteral("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale) VALUES ('FO', 'C3', 'Fornitore')"));
    Destinazione(QStringLiteral("C3"), 1, QStringLiteral("Magazzino fornitore"), 1, QString(), QString(),
                 QStringLiteral("FO"));
    Genera(1);
    EXPECT_EQ(Teste(), (QStringList{"2026/1/1/1/10/C2/1", "2026/1/2/1/11/C3/1"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR")), 2);
}

TEST_F(Accisa, TheBoundsSelectTheSources)
{
    for (int n = 1; n <= 4; ++n) {
        Documento(1, 10 + n, 2026, 2, n, n == 4 ? QStringLiteral("C3") : QStringLiteral("C1"), 0, QDate(2026, 3, n));
        Riga(1, 100 + n, 10 + n, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    }
    Documento(1, 20, 2026, 2, 5, QStringLiteral("C1"));
    Riga(1, 200, 20, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Esegui(QStringLiteral("UPDATE BolleCliTeste SET IdCausale = 'ALT' WHERE KBolleCliT = 20"));
    TFqarn0401d *f = Generazione(1);
    ASSERT_NE(f, nullptr);
    f->tPars->FieldByName(QStringLiteral("Da_Numero"))->SetAsInteger(0);
    f->tPars->FieldByName(QStringLiteral("A_Numero"))->SetAsInteger(3);
    f->tPars->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDateTime(QDate(2026, 3, 2), QTime(0, 0)));
    f->tPars->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C1"));
    Genera(f);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT NumeroColl FROM LUMO_DocAccT ORDER BY NumeroColl")),
              (QStringList{"1", "2"}))
        << "no lower bound with 0; the date, the customer and the causal hold";
}

TEST_F(Accisa, NotesAreReadAtEachRunAndEmptyWithoutParameters)
{
    Documento(1, 10, 2026, 1, 1, QStringLiteral("C1"));
    Riga(1, 101, 10, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Genera(1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT NoteChiusura1 FROM LUMO_DocAccT")), QStringList{""});
    ParametriAccisa(QStringLiteral("Nota nuova"));
    Documento(1, 11, 2026, 1, 2, QStringLiteral("C1"));
    Riga(1, 111, 11, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Genera(1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT NoteChiusura1 FROM LUMO_DocAccT ORDER BY Numero")),
              (QStringList{"", "Nota nuova"}));
}

TEST_F(Accisa, TheCounterLoweredReusesAndDeletedRestarts)
{
    Esegui(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2026, 1, 40)"));
    Documento(1, 10, 2026, 1, 1, QStringLiteral("C1"));
    Riga(1, 101, 10, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Genera(1);
    EXPECT_EQ(Teste(), QStringList{"2026/1/41/1/10/C1/0"});
    // lowered by hand below numbers issued: the next one is used again
    Esegui(QStringLiteral("UPDATE LUMO_Protocolli SET Protocollo = 40"));
    Documento(1, 11, 2026, 1, 2, QStringLiteral("C1"));
    Riga(1, 111, 11, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Genera(1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Numero FROM LUMO_DocAccT ORDER BY KDocT")), (QStringList{"41", "41"}));
    // deleted: the next generation starts again from 1
    Esegui(QStringLiteral("DELETE FROM LUMO_Protocolli"));
    Documento(1, 12, 2026, 1, 3, QStringLiteral("C1"));
    Riga(1, 121, 12, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    Genera(1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Numero FROM LUMO_DocAccT WHERE KDocT = 12")), QStringList{"1"});
    EXPECT_EQ(Contatore(2026, 1), 1);
}

TEST_F(Accisa, ACounterFailureMidRunRollsEverythingBack)
{
    for (int n = 1; n <= 3; ++n) {
        Documento(1, 10 + n, 2026, 1, n, QStringLiteral("C1"));
        Riga(1, 100 + n, 10 + n, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    }
    Esegui(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2026, 1, 5)"));
    TFqarn0401d *f = Generazione(1);
    ASSERT_NE(f, nullptr);
    // after the first document the counter table can no longer be read
    QTimer::singleShot(0, [] {
        DMILUMO->TRS_Protocolli->Close();
        DMILUMO->TRS_Protocolli->SetTableName(QStringLiteral("LUMO_ProtocolliAssente"));
    });
    Genera(f);
    DMILUMO->TRS_Protocolli->Close();
    DMILUMO->TRS_Protocolli->SetTableName(QStringLiteral("LUMO_Protocolli"));
    EXPECT_TRUE(script.Shown(
        QStringLiteral("Impossibile assegnare il numero D.A.A. dell'anno 2026 serie 1: ripetere la generazione.")))
        << script.Texts().join('|').toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR")), 0);
    EXPECT_EQ(Contatore(2026, 1), 5);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("UT_LMQ_FlAccisa <> 0")), 0);
    EXPECT_EQ(f->TTGenDocAcc->RecordCount(), 0);
    EXPECT_EQ(f->Pagina(), 0);

    // nothing was kept of the failed run: a new run numbers from the stored counter
    Genera(f);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Numero FROM LUMO_DocAccT ORDER BY Numero")), (QStringList{"6", "7", "8"}));
}

TEST_F(Accisa, EachSeriesNumbersOnFromItsOwnCounter)
{
    int chiave = 10;
    for (int serie : {1, 2, 3})
        for (int n = 1; n <= 2; ++n) {
            Documento(1, ++chiave, 2026, serie, n, QStringLiteral("C1"));
            Riga(1, 100 + chiave, chiave, QStringLiteral("VINO"), 1, 1, 1, 0.75);
        }
    Esegui(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2026, 1, 5)"));
    Esegui(QStringLiteral("INSERT INTO LUMO_Protocolli (TipoDoc, Anno, Serie, Protocollo) VALUES (0, 2026, 2, 40)"));
    Genera(1);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Serie, Numero, KDocT FROM LUMO_DocAccT ORDER BY KDocT")),
              (QStringList{"1/6/11", "1/7/12", "2/41/13", "2/42/14", "3/1/15", "3/2/16"}));
    EXPECT_EQ(Contatore(2026, 1), 7);
    EXPECT_EQ(Contatore(2026, 2), 42);
    EXPECT_EQ(Contatore(2026, 3), 2) << "a series without a counter starts one";
}

TEST_F(Accisa, ARunInsideAnOpenTransactionWritesNothing)
{
    Documento(1, 10, 2026, 1, 1, QStringLiteral("C1"));
    Riga(1, 101, 10, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    TFqarn0401d *f = Generazione(1);
    ASSERT_NE(f, nullptr);
    TXDatabase &db = company.Database();
    db.StartTransaction();
    Genera(f);
    db.Rollback();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_Protocolli")), 0);
    EXPECT_EQ(Marca(1, 10), 0);
    EXPECT_TRUE(script.Texts().isEmpty()) << script.Texts().join('|').toStdString();
}

TEST_F(Accisa, TwoUsersNeverCommitOneNumberTwice)
{
    for (int n = 1; n <= 2; ++n) {
        Documento(1, 10 + n, 2026, 1, n, QStringLiteral("C1"));
        Riga(1, 100 + n, 10 + n, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    }
    Documento(2, 30, 2026, 1, 1, QStringLiteral("C1"));
    Riga(2, 300, 30, QStringLiteral("VINO"), 1, 1, 1, 0.75);
    // the other user reads the counter first (and would propose 1), then this run generates
    auto altro = company.Db().Connect();
    TDMILUMO modulo;
    modulo.TRS_Protocolli->SetDatabase(altro.get());
    QPointer<TDMILUMO> mio = DMILUMO;
    DMILUMO = &modulo;
    const int proposto = UT_LMQ_GEN_GetProtocolloDoc(0, 2026, 1);
    DMILUMO = mio;
    EXPECT_EQ(proposto, 1);
    Genera(1);
    EXPECT_EQ(Contatore(2026, 1), 2);
    // the other user's number, read before this run, is refused: it was taken meanwhile
    DMILUMO = &modulo;
    altro->StartTransaction();
    EXPECT_FALSE(UT_LMQ_GEN_SetProtocolloDoc(0, 2026, 1, proposto, 0));
    altro->Rollback();
    DMILUMO = mio;
    Genera(2);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Numero FROM LUMO_DocAccT ORDER BY Numero")), (QStringList{"1", "2", "3"}));
}

TEST_F(Accisa, EachCodeFieldShowsItsWidestCodeBesideItsSearchButton)
{
    TFqarn0401d *f = Generazione(1);
    ASSERT_NE(f, nullptr);
    ProcessEvents();
    const auto lettere = [f](const char *campo) {
        return QString(f->tPars->FieldByName(QLatin1String(campo))->Size(), QLatin1Char('W'));
    };
    for (const auto &[nome, codice] :
         {std::pair{"edIdCausale", lettere("IdCausale")}, std::pair{"edIdConto", lettere("IdConto")},
          std::pair{"edIdDestinazione", QStringLiteral("32767")}}) {
        auto *edit = f->Control<TDBCodeEdit>(QLatin1String(nome));
        ASSERT_NE(edit, nullptr) << nome;
        auto *ricerca = edit->findChild<QToolButton *>();
        ASSERT_NE(ricerca, nullptr) << nome;
        ASSERT_TRUE(ricerca->isVisible()) << nome;
        // the text's own margins and the frame on the left of the button
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(codice) + 8, ricerca->geometry().left())
            << nome << ": " << edit->width() << " px";
    }
}

// A user's run on the delivery notes.
KV8_LAVORO_UTENTE(Accisa, GenerazioneDaa)
{
    TFqarn0401d *f = Generazione(1);
    ASSERT_NE(f, nullptr);
    kv8test::AttendiVia();
    Genera(f);
    kv8test::NotaUtente(script.Texts());
}

TEST_F(Accisa, TwoUsersGeneratingTogetherGiveEachNoteOneDocumentAndNumber)
{
    int note = 0;
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        for (int i = 0; i < 2; ++i) {
            ++note;
            Documento(1, 10 + note, 2026, 1, note, QStringLiteral("C1"));
            Riga(1, 100 + note, 10 + note, QStringLiteral("VINO"), 1, 1, 1, 0.75);
        }
        const auto utenti =
            kv8test::DueUtenti(QStringLiteral("GenerazioneDaa"), company.Db().Url(), avvio, QStringLiteral("accisa"));
        kv8test::UnoRifiutato(utenti, avvio, {QStringLiteral("Nessun documento di vendita trovato !")});
        // one run's documents: one per note, numbered on without a gap or a number twice
        const QString n = QString::number(note);
        const QString attesi = QStringList{n, n, n, QStringLiteral("1"), n}.join(QLatin1Char('/'));
        EXPECT_EQ(Elenco(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT KDocT), COUNT(DISTINCT Numero), MIN(Numero), "
                                        "MAX(Numero) FROM LUMO_DocAccT")),
                  QStringList{attesi});
        EXPECT_EQ(Contatore(2026, 1), note);
        EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR")), note);
        EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("UT_LMQ_FlAccisa <> 1")), 0);
    });
}

TEST_F(Accisa, TheRunChecksItsRecord)
{
    TFqarn0401d *f = Generazione(1, QStringLiteral("DDT"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("_DsCausale"))->AsString(), QStringLiteral("Vendita con DDT"));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdCausale"), QStringLiteral("FAT")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Causale Bolle non valido")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C2")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Cliente non abilitato alla gestione accisa")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("XX")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Cliente non valido")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C3")));
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("_RagioneSociale"))->AsString(), QStringLiteral("Cantina Verdi"));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("1")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Destinazione non abilitata alla gestione accisa")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("7")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Destinatario non valido")));
    // the destination search lists the customer's destinations only
    auto *ricerca = f->Control<TDBCodeEdit>(QStringLiteral("edIdDestinazione"));
    ASSERT_TRUE(ricerca && ricerca->OnFiltroRicerca);
    QString filtro;
    ricerca->OnFiltroRicerca(ricerca, filtro);
    EXPECT_EQ(filtro, QStringLiteral("Destinazioni.IdContoTp = 'CL' AND Destinazioni.IdConto = 'C3'"));
    // an invoice causal for invoices only
    f->tPars->FieldByName(QStringLiteral("FlTipoDocColl"))->SetAsInteger(2);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdCausale"), QStringLiteral("DDT")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Causale Fatture non valido")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdCausale"), QStringLiteral("FAT")));
    EXPECT_EQ(f->tPars->FieldByName(QStringLiteral("_DsCausale"))->AsString(), QStringLiteral("Fattura immediata"));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C1")));
    f->tPars->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QString());
    Genera(f);
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Causale documento non specificata")));
}
