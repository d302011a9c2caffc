// The save's transaction: an error at any step inside it leaves nothing written, a document
// changed by another user is refused.
#include "tests/host/documents/DocumentiFixture.h"

#include "host/core/Errors.h"
#include "host/db/TXTransaction.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <functional>

namespace {

// A delivery-note window that fails at one step of the save.
class BollaGuasta : public TFSVen0001f {
public:
    QString Passo;
    int Righe = 0;

    void Guasto(const char *passo)
    {
        if (Passo == QLatin1String(passo))
            throw Exception(QStringLiteral("Guasto simulato al passo ") + Passo);
    }
    void ControllaAltriUtenti() override
    {
        TFSVen0001f::ControllaAltriUtenti();
        Guasto("inizio");
    }
    void RegistraTesta() override
    {
        TFSVen0001f::RegistraTesta();
        Guasto("testa");
    }
    void RegistraRigo(int stato) override
    {
        TFSVen0001f::RegistraRigo(stato);
        if (++Righe == 2)
            Guasto("rigo");
    }
    void RegistraTotali() override
    {
        TFSVen0001f::RegistraTotali();
        Guasto("totali");
    }
    void CodaSalvataggio() override
    {
        TFSVen0001f::CodaSalvataggio();
        Guasto("coda");
    }
};

} // namespace

class Salvataggio : public Documenti, public ::testing::WithParamInterface<const char *> {
protected:
    // Every stored row of the tables a save writes, as text.
    QString Archivio()
    {
        QString testo;
        for (const char *sql :
             {"SELECT KBolleCliT, Numero, TotDocumento, ProtMagazzino FROM BolleCliTeste ORDER BY KBolleCliT",
              "SELECT KBolleCliR, IdProdotto, Quantita, ImportoNetto FROM BolleCliRighe ORDER BY KBolleCliR",
              "SELECT KBolleCliT, TipoRecord, Progressivo, Importo1, Importo2 FROM BolleCliTot ORDER BY KBolleCliT, "
              "TipoRecord, Progressivo",
              "SELECT KRigoDoc, SubNumOrdine, IdProdotto, Quantita FROM MovMagazzino ORDER BY KRigoDoc, SubNumOrdine",
              "SELECT IdProdotto, IdMagazzino, Esistenza FROM EsistenzeMagazzino ORDER BY IdProdotto, IdMagazzino"}) {
            QSqlQuery q = company.Database().OpenQuery(QLatin1String(sql));
            while (q.next()) {
                for (int i = 0; i < q.record().count(); ++i)
                    testo += q.value(i).toString() + QLatin1Char(';');
                testo += QLatin1Char('\n');
            }
            testo += QStringLiteral("--\n");
        }
        return testo;
    }

    std::unique_ptr<BollaGuasta> Finestra(const char *passo, qint64 chiave)
    {
        auto f = std::make_unique<BollaGuasta>();
        f->Passo = QLatin1String(passo);
        f->DoCreate();
        EXPECT_TRUE(f->InitForm(0, chiave, 0));
        return f;
    }
};

TEST_P(Salvataggio, GuastoSuNuovaBollaNonLasciaNullaEIlDocumentoResta)
{
    const QString prima = Archivio();
    auto f = Finestra(GetParam(), 0);
    Testa(f.get(), QStringLiteral("DDT"), QStringLiteral("C1"));
    NuovoRigo(f.get(), QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
    NuovoRigo(f.get(), QStringLiteral("B1"), QStringLiteral("4"), QStringLiteral("2"));
    NuovoRigo(f.get(), QStringLiteral("C1"), QStringLiteral("1"), QStringLiteral("1"));
    Premi(f.get(), nbPost);

    const QString atteso = QStringLiteral("Guasto simulato al passo ") + QLatin1String(GetParam());
    EXPECT_EQ(script.Count(atteso), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Archivio(), prima);
    EXPECT_FALSE(company.Database().InTransaction());
    // the user's document is still there, and goes in once the fault is gone
    EXPECT_EQ(f->TRighe->RecordCount(), 3);
    EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("IdCliente"))->AsString(), QStringLiteral("C1"));
    f->Passo.clear();
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f.get(), nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 3);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 3);
    EXPECT_EQ(Valore(QStringLiteral("SELECT Numero FROM BolleCliTeste")).toInt(), 1);
}

TEST_P(Salvataggio, GuastoSuBollaModificataLasciaLArchivioComEra)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    const QString prima = Archivio();
    auto f = Finestra(GetParam(), k);
    VaiARigo(f.get(), QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(f.get(), QStringLiteral("edQuantita"), QStringLiteral("8")));
    PremiRighe(f.get(), nbPost);
    VaiARigo(f.get(), QStringLiteral("C1"));
    script.AllowUnusedAnswers();
    script.Yes();
    PremiRighe(f.get(), nbDelete);
    NuovoRigo(f.get(), QStringLiteral("C1"), QStringLiteral("9"), QStringLiteral("1"));
    Premi(f.get(), nbPost);

    EXPECT_TRUE(script.Shown(QStringLiteral("Guasto simulato al passo ") + QLatin1String(GetParam())));
    EXPECT_EQ(Archivio(), prima);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -10);
}

INSTANTIATE_TEST_SUITE_P(Passi, Salvataggio, ::testing::Values("inizio", "testa", "rigo", "totali", "coda"));

// A deletion passes the steps before and after the removal of rows, movements and head.
TEST_F(Salvataggio, GuastoSuCancellazioneLasciaLArchivioComEra)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    const QString prima = Archivio();
    for (const char *passo : {"inizio", "coda"}) {
        auto f = Finestra(passo, k);
        script.Yes(QStringLiteral(" Conferma cancellazione ? "));
        Premi(f.get(), nbDelete);
        EXPECT_TRUE(script.Shown(QStringLiteral("Guasto simulato al passo ") + QLatin1String(passo)));
        EXPECT_EQ(Archivio(), prima) << passo;
        EXPECT_EQ(f->ModoSalva, 1);
        EXPECT_EQ(f->KeyCorrente(), k);
    }
}

TEST_F(Documenti, DocumentoCambiatoDaUnAltroUtenteRifiutato)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    // two users have the same delivery note on view
    auto primo = std::make_unique<TFSVen0001f>();
    primo->DoCreate();
    ASSERT_TRUE(primo->InitForm(0, k, 0));
    auto secondo = std::make_unique<TFSVen0001f>();
    secondo->DoCreate();
    ASSERT_TRUE(secondo->InitForm(0, k, 0));

    VaiARigo(primo.get(), QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(primo.get(), QStringLiteral("edQuantita"), QStringLiteral("1")));
    PremiRighe(primo.get(), nbPost);
    Premi(primo.get(), nbPost);
    ASSERT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'A1'")).toDouble(),
                     1);

    // the second changes another row of what it read
    VaiARigo(secondo.get(), QStringLiteral("B1"));
    EXPECT_TRUE(Scrivi(secondo.get(), QStringLiteral("edQuantita"), QStringLiteral("40")));
    PremiRighe(secondo.get(), nbPost);
    Premi(secondo.get(), nbPost);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                            "chiudere e riaprire il documento per vedere i dati attuali.")));
    // nothing of the first user's save is lost, nothing of the second's written
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'A1'")).toDouble(),
                     1);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'B1'")).toDouble(),
                     4);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -1);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1")), -4);

    // deleting what another user deleted is refused too
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(primo.get(), nbDelete);
    ASSERT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(secondo.get(), nbDelete);
    EXPECT_EQ(script.Count(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                          "chiudere e riaprire il documento per vedere i dati attuali.")),
              2);
    script.AllowUnusedAnswers();
}

// A row changed while the note is on view, by another user on a connection of his own or by
// this program's own connection outside a transaction, refuses the save whole.
TEST_F(Documenti, ModificaDiUnAltroUtenteSuUnAltraConnessioneRifiutata)
{
    const std::function<void(const QString &)> modi[] = {
        [this](const QString &sql) {
            TXDatabase altro(QStringLiteral("AltroUtente"), company.Db().Url());
            TXTransaction transazione(altro);
            altro.ExecSQL(sql);
            transazione.Commit();
        },
        [this](const QString &sql) { company.Database().ExecSQL(sql); }};
    for (const auto &modifica : modi) {
        const qint64 k = NuovaBolla();
        ASSERT_GT(k, 0);
        auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
        ASSERT_TRUE(f);
        modifica(QStringLiteral("UPDATE BolleCliRighe SET Quantita = 99 WHERE IdProdotto = 'C1' AND KBolleCliT = %1")
                     .arg(k));
        VaiARigo(f, QStringLiteral("A1"));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("1")));
        PremiRighe(f, nbPost);
        Premi(f, nbPost);
        EXPECT_EQ(script.Count(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                              "chiudere e riaprire il documento per vedere i dati attuali.")),
                  1);
        script.ClearMessages();
        const QVariantList chiave{k};
        EXPECT_DOUBLE_EQ(
            Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'C1' AND KBolleCliT = ?"),
                   chiave)
                .toDouble(),
            99);
        EXPECT_DOUBLE_EQ(
            Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'A1' AND KBolleCliT = ?"),
                   chiave)
                .toDouble(),
            10);
        EXPECT_FALSE(company.Database().InTransaction());
        script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
        f->Close();
        kv8test::ProcessEvents();
    }
    script.AllowUnusedAnswers();
}

// After a save the window shows the rows as stored (keys, quantities, amounts), saves again
// without a conflict of its own, and a change by another user after that is still refused.
TEST_F(Documenti, BollaRilettaDopoIlSalvataggioComeInArchivio)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    const char *const campi[] = {"KBolleCliR",   "Quantita",  "Prezzo",        "ImportoLordo",
                                 "ImportoNetto", "ImportoNN", "ControvaloreNN"};
    const auto mostrate = [&] {
        QStringList righe;
        for (f->TRighe->First(); !f->TRighe->Eof(); f->TRighe->Next()) {
            QStringList valori;
            for (const char *campo : campi)
                valori << QString::number(f->TRighe->FieldByName(QLatin1String(campo))->AsFloat());
            righe << valori.join(u'|');
        }
        righe.sort();
        return righe;
    };
    const auto memorizzate = [&] {
        QStringList righe;
        QSqlQuery q = company.Database().OpenQuery(
            QStringLiteral("SELECT KBolleCliR, Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, ControvaloreNN "
                           "FROM BolleCliRighe WHERE KBolleCliT = ?"),
            {k});
        while (q.next()) {
            QStringList valori;
            for (int i = 0; i < 7; ++i)
                valori << QString::number(q.value(i).toDouble());
            righe << valori.join(u'|');
        }
        righe.sort();
        return righe;
    };
    EXPECT_EQ(mostrate(), memorizzate());

    VaiARigo(f, QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("1")));
    PremiRighe(f, nbPost);
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito);
    EXPECT_FALSE(company.Database().InTransaction());
    EXPECT_FALSE(f->FlRigheModificate);
    const QStringList dopo = memorizzate();
    ASSERT_EQ(dopo.size(), 3);
    EXPECT_EQ(mostrate(), dopo);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT ImportoNetto FROM BolleCliRighe WHERE IdProdotto = 'A1'")).toDouble(), 5);

    // the same window saves again what it read back
    VaiARigo(f, QStringLiteral("B1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("40")));
    PremiRighe(f, nbPost);
    Premi(f, nbPost);
    EXPECT_TRUE(f->SalvataggioRiuscito);
    EXPECT_EQ(script.Count(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                          "chiudere e riaprire il documento per vedere i dati attuali.")),
              0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'B1'")).toDouble(),
                     40);
    EXPECT_EQ(mostrate(), memorizzate());

    // another user changes a row after the read back: refused, nothing written
    {
        TXDatabase altro(QStringLiteral("AltroUtente"), company.Db().Url());
        TXTransaction transazione(altro);
        altro.ExecSQL(QStringLiteral("UPDATE BolleCliRighe SET Prezzo = 7 WHERE IdProdotto = 'C1'"));
        transazione.Commit();
    }
    VaiARigo(f, QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("2")));
    PremiRighe(f, nbPost);
    Premi(f, nbPost);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(script.Count(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                          "chiudere e riaprire il documento per vedere i dati attuali.")),
              1);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'A1'")).toDouble(),
                     1);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Prezzo FROM BolleCliRighe WHERE IdProdotto = 'C1'")).toDouble(), 7);
    script.AllowUnusedAnswers();
}

// After saves of changes (a row changed; then a row changed, one deleted and one added) the
// window holds, value for value, the rows a new reading of the note shows, none of them
// marked for the next save, its local table alike, and saves again without a conflict of its
// own.
TEST_F(Documenti, DopoIlSalvataggioLeRigheSonoQuelleCheUnaLetturaMostra)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    const auto righe = [](TFDocumento *d) {
        QStringList out;
        for (d->TRighe->First(); !d->TRighe->Eof(); d->TRighe->Next()) {
            QStringList valori;
            for (TField *campo : d->TRighe->FieldList())
                if (campo->FieldKind() == fkData && campo->FieldName() != QLatin1String("Contatore"))
                    valori << campo->FieldName() + u'=' + campo->AsString();
            out << valori.join(u'|');
        }
        out.sort();
        return out;
    };
    const auto salva = [&] {
        Premi(f, nbPost);
        EXPECT_TRUE(f->SalvataggioRiuscito);
        EXPECT_EQ(script.Count(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                              "chiudere e riaprire il documento per vedere i dati attuali.")),
                  0);
        script.ClearMessages();
        const QStringList mostrate = righe(f);
        for (const QString &rigo : mostrate)
            EXPECT_TRUE(rigo.contains(QLatin1String("|Stato=0|")) || rigo.endsWith(QLatin1String("|Stato=0")))
                << rigo.toStdString();
        f->TRighe->Refresh();
        EXPECT_EQ(righe(f), mostrate) << "the local table holds what the window shows";
        return mostrate;
    };
    VaiARigo(f, QStringLiteral("C1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("7")));
    PremiRighe(f, nbPost);
    salva();

    VaiARigo(f, QStringLiteral("A1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("12")));
    PremiRighe(f, nbPost);
    VaiARigo(f, QStringLiteral("B1"));
    script.Yes();
    PremiRighe(f, nbDelete);
    NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("3"), QStringLiteral("4"));
    const QStringList dopo = salva();
    ASSERT_EQ(dopo.size(), 3);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'C1'")).toDouble(),
                     7);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM BolleCliRighe WHERE IdProdotto = 'B1'")).toDouble(),
                     3);

    f->Close();
    kv8test::ProcessEvents();
    auto *letta = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(letta);
    EXPECT_EQ(righe(letta), dopo);
    script.AllowUnusedAnswers();
}

// Another user's change of any kind between the read and the deletion refuses it and leaves
// the document and its stock as they were: a number changed past its fifteenth digit, a row
// added, a row removed, a head value changed.
class CancellazioneDopoModificaAltrui : public Documenti, public ::testing::WithParamInterface<const char *> {};

TEST_P(CancellazioneDopoModificaAltrui, Rifiutata)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    const qint64 righe =
        Valore(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE KBolleCliT = ?"), {k}).toLongLong();
    {
        TXDatabase altro(QStringLiteral("AltroUtente"), company.Db().Url());
        TXTransaction transazione(altro);
        altro.ExecSQL(QLatin1String(GetParam()), {k});
        transazione.Commit();
    }
    const qint64 attese =
        Valore(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE KBolleCliT = ?"), {k}).toLongLong();
    const double esistenza = Esistenza(QStringLiteral("C1"));
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_FALSE(f->SalvataggioRiuscito);
    EXPECT_EQ(script.Count(QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                                          "chiudere e riaprire il documento per vedere i dati attuali.")),
              1);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 1);
    EXPECT_EQ(Valore(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE KBolleCliT = ?"), {k}).toLongLong(),
              attese);
    EXPECT_NE(righe, 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1")), esistenza);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -10);
    EXPECT_FALSE(company.Database().InTransaction());

    // read again, the document is deleted with its stock
    f->Close();
    kv8test::ProcessEvents();
    auto *riletta = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(riletta);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(riletta, nbDelete);
    EXPECT_TRUE(riletta->SalvataggioRiuscito);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliRighe")), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), 0);
    script.AllowUnusedAnswers();
}

INSTANTIATE_TEST_SUITE_P(
    Documenti, CancellazioneDopoModificaAltrui,
    ::testing::Values("UPDATE BolleCliRighe SET Prezzo = 3.0000000000000004 WHERE IdProdotto = 'C1' AND KBolleCliT = ?",
                      "INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, Quantita) "
                      "SELECT MAX(KBolleCliR) + 1000, ?, 99, 2, '', 0 FROM BolleCliRighe",
                      "DELETE FROM BolleCliRighe WHERE IdProdotto = 'C1' AND KBolleCliT = ?",
                      "UPDATE BolleCliTeste SET Cambio = 2 WHERE KBolleCliT = ?"));
