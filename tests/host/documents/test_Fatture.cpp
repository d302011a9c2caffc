// Customer invoices through their window: numbering on the VAT counters, rows taken from
// delivery notes and the links that follow them.
#include "tests/host/documents/DocumentiFixture.h"

#include <array>

class Fatture : public Documenti {
protected:
    // An invoice window with the head of customer C1 filled in.
    TFSVen0008f *NuovaFattura(const QString &codice = QStringLiteral("SVEN0008F_F"))
    {
        auto *f = Apri<TFSVen0008f>(codice);
        if (f)
            Testa(f, QStringLiteral("FD"), QStringLiteral("C1"));
        return f;
    }
    int Fatturati(qint64 kBolla)
    {
        return Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT = ? AND FlGenFattura = 1"), {kBolla});
    }
};

TEST_F(Fatture, FatturaDaDueBolleCollegaLeRigheSenzaMuovereIlMagazzino)
{
    const qint64 b1 = NuovaBolla();
    const qint64 b2 = NuovaBolla();
    const qint64 altra = NuovaBolla(QStringLiteral("C2"));
    ASSERT_GT(altra, 0);
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->AccodaRigheDaDDT(), 6) << "the rows of the customer's two delivery notes";
    EXPECT_EQ(f->AccodaRigheDaDDT(), 0) << "a row is taken once";
    EXPECT_EQ(f->TRigheDDT->FieldByName(QStringLiteral("KFatturaR"))->AsInteger(), 999);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("FlGenFattura <> 0 OR KFatturaR <> 0")), 0)
        << "nothing is written before the save";
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);

    ASSERT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Valore(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste")).toLongLong();
    EXPECT_EQ(Valore(QStringLiteral("SELECT Numero FROM FattureCliTeste")).toInt(), 1);
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2026 AND Serie = 0")).toInt(), 1);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe"), QStringLiteral("KFattCliT = ?"), {k}), 6);
    EXPECT_EQ(Fatturati(b1), 3);
    EXPECT_EQ(Fatturati(b2), 3);
    EXPECT_EQ(Fatturati(altra), 0);
    // every delivery-note row names the invoice row that took it, and back
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe B JOIN FattureCliRighe F ON F.KFattCliR = B.KFatturaR"),
                    QStringLiteral("F.RifRigoDoc = CAST(B.KBolleCliR AS VARCHAR(30))")),
              6);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 9) << "the delivery notes booked the stock already";
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste")).toDouble(), 190.32);
    EXPECT_GT(Conta(QStringLiteral("FattureCliTot"), QStringLiteral("KFattCliT = ?"), {k}), 0);

    // an invoiced delivery note cannot be deleted
    f->Close();
    auto *b = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(b1));
    ASSERT_TRUE(b);
    Premi(b, nbDelete);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il DDT è già stato fatturato: non può essere cancellato.")));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT = ?"), {b1}), 1);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 9);
    b->Close();

    // deleting the invoice gives the delivery-note rows back
    f = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe")), 0);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTot")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe"), QStringLiteral("FlGenFattura <> 0 OR KFatturaR <> 0")), 0);
}

TEST_F(Fatture, IlComandoRigheDaDdtPrendeSoloLeBolleScelteDallUtente)
{
    const qint64 b1 = NuovaBolla();
    const qint64 b2 = NuovaBolla();
    const qint64 altra = NuovaBolla(QStringLiteral("C2"));
    const auto numero = [this](qint64 k) {
        return Valore(QStringLiteral("SELECT Numero FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toInt();
    };
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->btnBolle);
    EXPECT_EQ(f->btnBolle->text(), QStringLiteral("Righe da DDT..."));
    EXPECT_EQ(f->btnBolle->parentWidget(), f->btnOrdini->parentWidget()) << "beside the other row commands";

    // the user picks the second note of the customer on the keyboard, after marking the first
    // one and unmarking it again
    QStringList offerte;
    script.OnDialog(QStringLiteral("TFSVen0008f_001"), [&](TForm &form) {
        auto &d = dynamic_cast<TFSVen0008f_001 &>(form);
        d.show();
        kv8test::Focus(d.gSelBolle);
        kv8test::PressKey(d.gSelBolle, Qt::Key_Space);
        EXPECT_EQ(d.BolleSelezionate(), QList<qint64>{b1});
        const QModelIndex segno = d.gSelBolle->model()->index(0, 0);
        EXPECT_EQ(segno.data(Qt::CheckStateRole), QVariant(Qt::Checked)) << "the mark shows as a check";
        EXPECT_EQ(segno.data(Qt::DisplayRole).toString(), QString()) << "not as a number";
        kv8test::PressKey(d.gSelBolle, Qt::Key_Space);
        EXPECT_TRUE(d.BolleSelezionate().isEmpty());
        offerte = ScegliBolle(d, {numero(b2)}, true);
        return int(mrCancel); // not used: Enter pressed OK
    });
    f->KPageControl->setCurrentWidget(f->tsPagina5);
    f->btnBolle->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(offerte, (QStringList{QStringLiteral("%1/3").arg(numero(b1)), QStringLiteral("%1/3").arg(numero(b2))}))
        << "the customer's notes only";
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    for (f->TRighe->First(); !f->TRighe->Eof(); f->TRighe->Next())
        EXPECT_EQ(Valore(QStringLiteral("SELECT KBolleCliT FROM BolleCliRighe WHERE KBolleCliR = ?"),
                         {f->TRighe->FieldByName(QStringLiteral("RifRigoDoc"))->AsString().toLongLong()})
                      .toLongLong(),
                  b2);
    EXPECT_EQ(f->KPageControl->ActivePage(), f->tsRighe) << "the rows on view again";

    // the next choice no longer offers the note taken; cancelling takes nothing
    script.OnDialog(QStringLiteral("TFSVen0008f_001"), [&](TForm &form) {
        auto &d = dynamic_cast<TFSVen0008f_001 &>(form);
        offerte.clear();
        for (d.TSelBolle->First(); !d.TSelBolle->Eof(); d.TSelBolle->Next())
            offerte << d.TSelBolle->FieldByName(QStringLiteral("Numero"))->AsString();
        d.btAnnulla->click();
        return int(mrCancel);
    });
    f->btnBolle->click();
    EXPECT_EQ(offerte, QStringList{QString::number(numero(b1))});
    EXPECT_EQ(f->TRighe->RecordCount(), 3);

    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Fatturati(b1), 0);
    EXPECT_EQ(Fatturati(b2), 3);
    EXPECT_EQ(Fatturati(altra), 0);

    // the next invoice, for the other customer: once its one note is taken nothing is left
    Testa(f, QStringLiteral("FD"), QStringLiteral("C2"));
    script.OnDialog(QStringLiteral("TFSVen0008f_001"), [&](TForm &d) {
        offerte = ScegliBolle(d, {numero(altra)});
        return int(mrOk);
    });
    f->btnBolle->click();
    EXPECT_EQ(offerte, QStringList{QStringLiteral("%1/3").arg(numero(altra))});
    EXPECT_EQ(f->TRighe->RecordCount(), 3) << "the rows of the other customer's note";
    script.ClearMessages();
    f->btnBolle->click();
    EXPECT_EQ(script.LastText(), QStringLiteral("Il cliente non ha DDT da fatturare."));
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

TEST_F(Fatture, RigaTolteDallaFatturaTornanoDaFatturare)
{
    const qint64 b1 = NuovaBolla();
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    f->BolleSelezionate = {b1};
    ASSERT_EQ(f->AccodaRigheDaDDT(), 3);
    // a row taken in this edit and removed at once frees its delivery-note row
    VaiARigo(f, QStringLiteral("C1"));
    script.AllowUnusedAnswers();
    script.Yes();
    PremiRighe(f, nbDelete);
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Fatturati(b1), 2);
    const qint64 k = Valore(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste")).toLongLong();

    // a stored row deleted from the invoice frees its delivery-note row on the save
    f->Close();
    f = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    VaiARigo(f, QStringLiteral("A1"));
    script.Yes();
    PremiRighe(f, nbDelete);
    Premi(f, nbPost);
    EXPECT_EQ(Fatturati(b1), 1);
    EXPECT_EQ(Valore(QStringLiteral("SELECT IdProdotto FROM BolleCliRighe WHERE FlGenFattura = 1")).toString(),
              QStringLiteral("B1"));
    // the freed rows are taken by the next invoice
    f->InitDoc(0);
    Testa(f, QStringLiteral("FD"), QStringLiteral("C1"));
    EXPECT_EQ(f->AccodaRigheDaDDT(), 2);
}

TEST_F(Fatture, DueFattureSulleStesseRigheUnaSolaPassa)
{
    const qint64 b1 = NuovaBolla();
    auto primo = std::make_unique<TFSVen0008f>();
    primo->DoCreate();
    ASSERT_TRUE(primo->InitForm(0, 0));
    Testa(primo.get(), QStringLiteral("FD"), QStringLiteral("C1"));
    auto secondo = std::make_unique<TFSVen0008f>();
    secondo->DoCreate();
    ASSERT_TRUE(secondo->InitForm(0, 0));
    Testa(secondo.get(), QStringLiteral("FD"), QStringLiteral("C1"));
    ASSERT_EQ(primo->AccodaRigheDaDDT(), 3);
    ASSERT_EQ(secondo->AccodaRigheDaDDT(), 3);

    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(primo.get(), nbPost);
    Premi(secondo.get(), nbPost);
    EXPECT_TRUE(script.Shown(QStringLiteral("Un rigo di DDT preso in fattura risulta già fatturato o cancellato: "
                                            "rileggere i DDT e ripetere l'operazione.")));
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 1);
    EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe")), 3);
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2026 AND Serie = 0")).toInt(), 1)
        << "the refused invoice takes no number";
    EXPECT_EQ(Fatturati(b1), 3);
}

TEST_F(Fatture, NumerazioneSuiProtocolliEDocumentoASegnoInverso)
{
    NuovaBolla();
    Esegui("UPDATE ProtIVA SET NumUltFatturaV = 41 WHERE Anno = 2026 AND Serie = 0");
    auto *f = NuovaFattura(QStringLiteral("SVEN0008F_R"));
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->FlSegnoInverso);
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("2"), QStringLiteral("10"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(Valore(QStringLiteral("SELECT Numero FROM FattureCliTeste")).toInt(), 42);
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2026 AND Serie = 0")).toInt(), 42);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste")).toDouble(), 24.4);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT CvlDocumento FROM FattureCliTeste")).toDouble(), -24.4);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3) << "the invoice causal books no stock";

    // the single window: a second choice leaves it as it is
    main->MenuChoice(QStringLiteral("SVEN0008F_F"));
    EXPECT_TRUE(script.Shown(QStringLiteral("Gestione fatture già attiva")));
    EXPECT_EQ(f->FlSegnoInverso, true);
}

// Two users' saves of customer C1's invoices of one series.
class FattureDueUtenti : public Fatture {
protected:
    // A new invoice of one row, numbered as given (0: by the counters), saved at the user's word.
    void SalvaFatturaNuova(int numero)
    {
        auto *f = NuovaFattura();
        ASSERT_NE(f, nullptr);
        if (numero > 0) {
            EXPECT_TRUE(Scrivi(f, QStringLiteral("edNumero"), QString::number(numero)));
        }
        NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("2"), QStringLiteral("10"));
        SalvaAlVia(f);
    }
    int Contatore()
    {
        return Valore(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2026 AND Serie = 0")).toInt();
    }
    // Both users stored an invoice of one row (24,40 with VAT): the two numbers from numero
    // on, the counter at the second.
    void DueFattureRegistrate(const std::array<kv8test::Utente, 2> &utenti, int prima, int numero)
    {
        for (const kv8test::Utente &u : utenti) {
            ASSERT_TRUE(u.Riuscito) << u.Uscita.toStdString();
            EXPECT_TRUE(u.Messaggi.contains(QStringLiteral("Effettuo stampa ? ")))
                << "stored: " << u.Messaggi.join(QLatin1Char('|')).toStdString();
        }
        EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), prima + 2);
        EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste"), QStringLiteral("Numero IN (?, ?)"), {numero, numero + 1}), 2)
            << "two numbers one after the other, one each";
        EXPECT_EQ(Contatore(), numero + 1);
        EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe")), prima + 2);
        EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste"), QStringLiteral("ABS(TotDocumento - 24.4) < 0.001")),
                  prima + 2);
    }
};

KV8_LAVORO_UTENTE(FattureDueUtenti, FatturaStessaSerie)
{
    SalvaFatturaNuova(0);
}

TEST_F(FattureDueUtenti, DueFattureDellaStessaSerieNumeriContigui)
{
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const int prima = Conta(QStringLiteral("FattureCliTeste"));
        const int contatore = Contatore();
        const auto utenti = kv8test::DueUtenti(QStringLiteral("FatturaStessaSerie"), company.Db().Url(), avvio,
                                               QStringLiteral("documento"));
        EXPECT_TRUE(utenti[0].Fermato || avvio == kv8test::Avvio::Insieme);
        DueFattureRegistrate(utenti, prima, contatore + 1);
    });
}

// Both users type the same number: the second to store is moved up and told.
KV8_LAVORO_UTENTE(FattureDueUtenti, FatturaNumeroDigitato)
{
    SalvaFatturaNuova(Contatore() + 5);
}

TEST_F(FattureDueUtenti, NumeroDigitatoPresoDaUnAltroUtenteVaAlSuccessivo)
{
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const int prima = Conta(QStringLiteral("FattureCliTeste"));
        const int numero = Contatore() + 5;
        const auto utenti = kv8test::DueUtenti(QStringLiteral("FatturaNumeroDigitato"), company.Db().Url(), avvio,
                                               QStringLiteral("documento"));
        DueFattureRegistrate(utenti, prima, numero);
        const QString avviso = QStringLiteral("Il numero assegnato a questo documento e': %1").arg(numero + 1);
        EXPECT_NE(utenti[0].Messaggi.contains(avviso), utenti[1].Messaggi.contains(avviso)) << "one user is told";
        if (avvio == kv8test::Avvio::PrimoInPausa) {
            EXPECT_TRUE(utenti[1].Messaggi.contains(avviso)) << "the first stored its number";
        }
    });
}

KV8_LAVORO_UTENTE(FattureDueUtenti, ModificaStessaFattura)
{
    ModificaAlVia(
        Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F;%1")
                              .arg(Valore(QStringLiteral("SELECT MIN(KFattCliT) FROM FattureCliTeste")).toLongLong())));
}

// Two users change the same stored invoice: the second to save is refused and stores nothing.
TEST_F(FattureDueUtenti, DueModificheDellaStessaFatturaUnaRifiutata)
{
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("2"), QStringLiteral("10"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    f->Close();
    const qint64 k = Valore(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste")).toLongLong();
    ASSERT_GT(k, 0);
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const double prima =
            Valore(QStringLiteral("SELECT Quantita FROM FattureCliRighe WHERE KFattCliT = ?"), {k}).toDouble();
        const int aumento = UnaModificaRegistrata(QStringLiteral("ModificaStessaFattura"), avvio);
        ASSERT_GT(aumento, 0);
        const double quantita = prima + aumento;
        EXPECT_DOUBLE_EQ(
            Valore(QStringLiteral("SELECT Quantita FROM FattureCliRighe WHERE KFattCliT = ?"), {k}).toDouble(),
            quantita);
        // the totals are the stored edit's: 10 a piece plus VAT 22%
        EXPECT_NEAR(
            Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = ?"), {k}).toDouble(),
            quantita * 12.2, 1e-9);
        EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe")), 1);
        EXPECT_EQ(Contatore(), 1) << "a change draws no number";
    });
}

// The first user deletes the last delivery note, the second invoices its rows.
KV8_LAVORO_UTENTE(FattureDueUtenti, CancellaOFatturaBolla)
{
    const qint64 k = Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong();
    if (kv8test::NumeroUtente() == 1) {
        auto *b = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
        ASSERT_NE(b, nullptr);
        script.Yes(QStringLiteral(" Conferma cancellazione ? "));
        script.AllowUnusedAnswers(); // not asked when the note is invoiced by then
        kv8test::AttendiVia();
        Premi(b, nbDelete);
        kv8test::NotaUtente(script.Texts());
        return;
    }
    auto *f = NuovaFattura();
    ASSERT_NE(f, nullptr);
    f->BolleSelezionate = {k};
    ASSERT_EQ(f->AccodaRigheDaDDT(), 3);
    SalvaAlVia(f);
}

// A note deleted while another user invoices it: one of the two is refused and stores nothing;
// no invoice row is left naming a note row that is gone.
TEST_F(FattureDueUtenti, BollaCancellataMentreUnAltroUtenteLaFattura)
{
    kv8test::OgniGiro([&](kv8test::Avvio avvio) {
        const qint64 k = NuovaBolla();
        ASSERT_GT(k, 0);
        const int fatture = Conta(QStringLiteral("FattureCliTeste"));
        const int contatore = Contatore();
        const auto utenti = kv8test::DueUtenti(QStringLiteral("CancellaOFatturaBolla"), company.Db().Url(), avvio,
                                               QStringLiteral("documento"));
        const int rifiutato =
            kv8test::UnoRifiutato(utenti, avvio,
                                  {QStringLiteral("Un rigo di DDT preso in fattura risulta già fatturato o cancellato: "
                                                  "rileggere i DDT e ripetere l'operazione."),
                                   QStringLiteral("Il DDT è già stato fatturato: non può essere cancellato."),
                                   QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                                  "chiudere e riaprire il documento per vedere i dati attuali.")});
        ASSERT_GE(rifiutato, 0);
        const bool fatturata = rifiutato == 0;
        EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT = ?"), {k}), fatturata ? 1 : 0);
        EXPECT_EQ(Fatturati(k), fatturata ? 3 : 0);
        EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), fatture + (fatturata ? 1 : 0));
        EXPECT_EQ(Contatore(), contatore + (fatturata ? 1 : 0));
        // every invoice row taken from a note names a note row invoiced by it
        EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe F"),
                        QStringLiteral("F.IdTipoRiferimento = 'DT' AND NOT EXISTS (SELECT 1 FROM BolleCliRighe B WHERE "
                                       "CAST(B.KBolleCliR AS VARCHAR(30)) = F.RifRigoDoc AND B.FlGenFattura = 1 AND "
                                       "B.KFatturaR = F.KFattCliR)")),
                  0);
        EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe")), 3 * Conta(QStringLiteral("FattureCliTeste")));
    });
}
