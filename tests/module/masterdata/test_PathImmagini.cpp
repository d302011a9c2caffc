// The change of the articles' picture folder: the file names kept, one separator, articles
// without a picture untouched, the same result when run twice, and the whole job in one
// transaction.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "masterdata/Qarn0801d.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <memory>

using namespace kv8test;

TEST(NuovoPathImmagine, KeepsTheFileNameWithOneSeparator)
{
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("D:\\Foto"), QStringLiteral("C:\\Vecchie\\barbera.jpg")),
              QStringLiteral("D:\\Foto\\barbera.jpg"));
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("D:\\Foto\\"), QStringLiteral("C:\\Vecchie\\barbera.jpg")),
              QStringLiteral("D:\\Foto\\barbera.jpg"));
    // the folder's own separator; "\" when it has none
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("/srv/foto"), QStringLiteral("C:\\a\\b.png")),
              QStringLiteral("/srv/foto/b.png"));
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("/srv/foto/"), QStringLiteral("/old/b.png")),
              QStringLiteral("/srv/foto/b.png"));
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("Foto"), QStringLiteral("x.gif")),
              QStringLiteral("Foto\\x.gif"));
    // the name after the last "\", "/" or ":", trimmed
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("F"), QStringLiteral("C:img.jpg")),
              QStringLiteral("F\\img.jpg"));
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("F"), QStringLiteral("a/b\\ c d.jpg ")),
              QStringLiteral("F\\c d.jpg"));
    // no file name: nothing
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("F"), QStringLiteral("")), QString());
    EXPECT_EQ(UT_LMQ_GEN_NuovoPathImmagine(QStringLiteral("F"), QStringLiteral("C:\\Foto\\")), QString());
}

namespace {

const QString Titolo = QStringLiteral("Modifica Path Immagini");

class PathImmagini : public MasterDettaglio {
protected:
    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral(
            "INSERT INTO Articoli (IdProdotto, DsProdotto, Allegati) VALUES "
            "('A01', 'Barbera', 'C:\\Foto\\barbera.jpg'), ('A02', 'Arneis', '\\\\server\\img\\arneis.png'), "
            "('A03', 'Senza foto', NULL), ('A04', 'Vuoto', ''), ('A05', 'Solo nome', 'dolcetto.bmp')"));
    }

    TFqarn0801d *Dialogo() { return Apri<TFqarn0801d>(QStringLiteral("QARN0801D")); }
    void Esegui801(TFqarn0801d *d, const QString &cartella)
    {
        d->tPars->FieldByName(QStringLiteral("Path"))->SetAsString(cartella);
        d->btEsegui->click();
        ProcessEvents();
    }
    QStringList Allegati()
    {
        return Elenco(
            QStringLiteral("SELECT IdProdotto, COALESCE(Allegati, 'null') FROM Articoli ORDER BY IdProdotto"));
    }
    using MasterDettaglio::Esegui;
};

} // namespace

TEST_F(PathImmagini, EveryPictureMovesToTheFolderAndTheDialogCloses)
{
    TFqarn0801d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Caption(), Titolo);
    EXPECT_EQ(d->ActiveControl(), d->Control(QStringLiteral("edPath")));
    Esegui801(d, QStringLiteral("  E:\\Nuove "));
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    EXPECT_TRUE(Fqarn0801d.isNull()) << "closed when done";
    const QStringList attesi{"A01/E:\\Nuove\\barbera.jpg", "A02/E:\\Nuove\\arneis.png", "A03/null", "A04/",
                             "A05/E:\\Nuove\\dolcetto.bmp"};
    EXPECT_EQ(Allegati(), attesi);

    // with the final separator, twice: the same paths
    for (int volta = 0; volta < 2; ++volta) {
        d = Dialogo();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("Path"))->AsString(),
                  volta ? QStringLiteral("E:\\Nuove\\") : QStringLiteral("  E:\\Nuove "))
            << "the record kept between openings";
        Esegui801(d, QStringLiteral("E:\\Nuove\\"));
        EXPECT_EQ(Allegati(), attesi);
    }
}

TEST_F(PathImmagini, TheFolderHoldsEightyCharactersAndMustBeGiven)
{
    TFqarn0801d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    d->tPars->FieldByName(QStringLiteral("Path"))->SetAsString(QString(100, u'x'));
    EXPECT_EQ(d->tPars->FieldByName(QStringLiteral("Path"))->AsString().size(), 80);
    const QStringList prima = Allegati();
    Esegui801(d, QStringLiteral("   "));
    EXPECT_EQ(script.LastText(), QStringLiteral("Nuovo Path non indicato: scrivere la cartella delle immagini."));
    EXPECT_FALSE(Fqarn0801d.isNull());
    EXPECT_EQ(Allegati(), prima);
}

TEST_F(PathImmagini, APathTooLongForTheArticleIsRefusedNamingItAndNothingChanges)
{
    // 255 characters fit: the folder of 80 and a name of 174
    const QString nome = QString(170, u'n') + QStringLiteral(".jpg");
    Esegui(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, Allegati) VALUES ('A06', 'Nome lungo', ?), "
                          "('A07', 'Nome più lungo', ?)"),
           {QStringLiteral("C:\\") + nome, QStringLiteral("C:\\x") + nome});
    const QString cartella = QStringLiteral("E:\\") + QString(77, u'c');
    TFqarn0801d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    const QStringList prima = Allegati();
    Esegui801(d, cartella);
    EXPECT_EQ(script.Texts(),
              QStringList{QStringLiteral("Il nuovo percorso dell'immagine dell'articolo A07 supera i 255 "
                                         "caratteri ammessi: indicare una cartella più corta.")});
    EXPECT_FALSE(Fqarn0801d.isNull()) << "stays open";
    EXPECT_EQ(Allegati(), prima) << "no article changed";

    // without the article that does not fit, the rest moves, the longest path whole
    Esegui(QStringLiteral("UPDATE Articoli SET Allegati = NULL WHERE IdProdotto = 'A07'"));
    script.ClearMessages();
    Esegui801(d, cartella);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    const QString atteso = cartella + QLatin1Char('\\') + nome;
    ASSERT_EQ(atteso.size(), 255);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Allegati FROM Articoli WHERE IdProdotto = 'A06'")), QStringList{atteso});
}

TEST_F(PathImmagini, NoArticleWithAPictureChangesNothing)
{
    Esegui(QStringLiteral("UPDATE Articoli SET Allegati = NULL"));
    TFqarn0801d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    Esegui801(d, QStringLiteral("E:\\Nuove"));
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_FALSE(Fqarn0801d.isNull()) << "stays open";
}

TEST_F(PathImmagini, AnErrorHalfWayChangesNone)
{
    Esegui(QStringLiteral("DELETE FROM Articoli"));
    for (int i = 1; i <= 100; ++i)
        Esegui(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, Allegati) VALUES (?, 'Vino', ?)"),
               {QStringLiteral("V%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("C:\\Foto\\v%1.jpg").arg(i)});
    // the database refuses to store the 50th article
    if (company.Db().IsPostgres()) {
        Esegui(QStringLiteral("CREATE FUNCTION kv8_blocco() RETURNS trigger LANGUAGE plpgsql AS "
                              "'BEGIN IF NEW.IdProdotto = ''V050'' THEN RAISE EXCEPTION ''articolo bloccato''; END IF; "
                              "RETURN NEW; END'"));
        Esegui(QStringLiteral(
            "CREATE TRIGGER kv8_blocco BEFORE UPDATE ON Articoli FOR EACH ROW EXECUTE FUNCTION kv8_blocco()"));
    } else {
        // a trigger's body holds semicolons: written straight through the driver
        QSqlDatabase diretta = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("kv8_trigger"));
        diretta.setDatabaseName(company.Db().Url().mid(int(qstrlen("sqlite:"))));
        ASSERT_TRUE(diretta.open());
        QSqlQuery q(diretta);
        ASSERT_TRUE(
            q.exec(QStringLiteral("CREATE TRIGGER kv8_blocco BEFORE UPDATE ON Articoli WHEN NEW.IdProdotto = 'V050' "
                                  "BEGIN SELECT RAISE(ABORT, 'articolo bloccato'); END")))
            << q.lastError().text().toStdString();
        q.finish();
        diretta.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("kv8_trigger"));
    TFqarn0801d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    Esegui801(d, QStringLiteral("E:\\Nuove"));
    ASSERT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.Messages().last().Type, mtError);
    EXPECT_FALSE(Fqarn0801d.isNull()) << "stays open on error";
    EXPECT_EQ(Conta(QStringLiteral("Articoli"), QStringLiteral("Allegati LIKE 'E:%'")), 0);
    EXPECT_EQ(Conta(QStringLiteral("Articoli"), QStringLiteral("Allegati LIKE 'C:%'")), 100);
    // once the cause is gone, the job runs
    Esegui(QStringLiteral("DROP TRIGGER kv8_blocco")
           + (company.Db().IsPostgres() ? QStringLiteral(" ON Articoli") : QString()));
    Esegui801(d, QStringLiteral("E:\\Nuove"));
    EXPECT_TRUE(Fqarn0801d.isNull());
    const QStringList dopo = Elenco(QStringLiteral("SELECT Allegati FROM Articoli ORDER BY IdProdotto"));
    ASSERT_EQ(dopo.size(), 100);
    EXPECT_EQ(dopo.first(), QStringLiteral("E:\\Nuove\\v1.jpg"));
    EXPECT_EQ(dopo.filter(QStringLiteral("E:\\Nuove\\v")).size(), 100);
}

TEST_F(PathImmagini, APictureChangedMeanwhileIsNotOverwritten)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "on SQLite the job's transaction holds the write lock: no other user writes meanwhile";
    std::unique_ptr<TXDatabase> altro = company.Db().Connect();
    TFqarn0801d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    // another user changes a picture while the paths are being worked out
    bool scritto = false;
    d->qArticoli->AfterOpen = [&](TDataSet *) {
        altro->ExecSQL(QStringLiteral("UPDATE Articoli SET Allegati = 'X:\\altra.jpg' WHERE IdProdotto = 'A02'"));
        scritto = true;
    };
    const QStringList prima = Allegati();
    Esegui801(d, QStringLiteral("E:\\Nuove"));
    ASSERT_TRUE(scritto);
    EXPECT_EQ(
        script.LastText(),
        QStringLiteral("Immagini di 1 articoli modificate da un altro utente nel frattempo: ripetere l'operazione."));
    EXPECT_FALSE(Fqarn0801d.isNull());
    QStringList attesi = prima;
    attesi[1] = QStringLiteral("A02/X:\\altra.jpg");
    EXPECT_EQ(Allegati(), attesi) << "nothing else changed, the other user's picture kept";
}
