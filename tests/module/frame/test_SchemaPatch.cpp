// The schema patch on company databases that lack some of its columns or tables, on its own
// and through the menu-choice dispatcher.
#include "frame/Dusaria.h"
#include "frame/Raskdmupdatedb.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"
#include "tests/support/ui/UiScript.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

class SchemaPatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        kv8test::EnsureApplication();
        if (!tdb.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        db = &DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), tdb.Url());
        SchemaInstaller().Create(*db);
        db->ExecSQL(QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale) VALUES ('C1', 'Carico')"));
        db->ExecSQL(
            QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto) VALUES ('A1', 'Vino'), ('A2', 'Spumante')"));
    }

    void TearDown() override
    {
        Application->DestroyComponents();
        if (db)
            DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
        for (const char *t : {"CausaliMagaz", "Articoli", "VistaProva"})
            kv8data::ForgetTableMeta(QLatin1String(t));
    }

    void Togli(const QString &tabella, const QString &colonna)
    {
        db->ExecSQL(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(tabella, colonna));
        kv8data::ForgetTableMeta(tabella);
    }
    bool Ha(const QString &tabella, const QString &colonna)
    {
        for (const QString &c : db->ColumnNames(tabella))
            if (c.compare(colonna, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }
    QVariantList Valori(const QString &tabella, const QString &colonna, const QString &chiave)
    {
        QVariantList out;
        QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(colonna, tabella, chiave));
        while (q.next())
            out << q.value(0);
        return out;
    }

    TestDb tdb;
    TXDatabase *db = nullptr;
    kv8test::UiScript script;
};

TEST_F(SchemaPatch, CompleteDatabaseIsOnlyLookedAt)
{
    RaskAggiornaUpdateDatabase();
    RaskAggiornaUpdateDatabase();
    EXPECT_TRUE(script.Messages().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Valori(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_FlGesSian"), QStringLiteral("IdProdotto")),
              (QVariantList{0, 0}));
}

TEST_F(SchemaPatch, AddsEachMissingColumnWithItsValueInEveryRow)
{
    const QList<std::pair<const char *, const char *>> tutte{{"Articoli", "UT_LMQ_IdTipologiaOmaggi"},
                                                             {"Articoli", "UT_LMQ_FlGesSian"},
                                                             {"CausaliMagaz", "UT_LMQ_FlGesSian"}};
    for (int quante = 1; quante <= 3; ++quante) {
        SCOPED_TRACE(quante);
        for (int i = 0; i < quante; ++i)
            Togli(QLatin1String(tutte[i].first), QLatin1String(tutte[i].second));
        RaskAggiornaUpdateDatabase();
        EXPECT_TRUE(script.Messages().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();
        for (const auto &[tabella, colonna] : tutte)
            EXPECT_TRUE(Ha(QLatin1String(tabella), QLatin1String(colonna))) << tabella << "." << colonna;
        EXPECT_EQ(Valori(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi"),
                         QStringLiteral("IdProdotto")),
                  (QVariantList{QString(), QString()}));
        const QVariantList zeri{0, 0};
        QVariantList flag;
        for (const QVariant &v :
             Valori(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_FlGesSian"), QStringLiteral("IdProdotto")))
            flag << v.toInt();
        EXPECT_EQ(flag, zeri);
        EXPECT_EQ(
            Valori(QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian"), QStringLiteral("IdCausale"))
                .value(0)
                .toInt(),
            0);

        // the next run finds every column and sends nothing
        RaskAggiornaUpdateDatabase();
        EXPECT_TRUE(script.Messages().isEmpty());
    }
}

TEST_F(SchemaPatch, AddedColumnIsSeenByTheNextOpenAndNewRowsGetTheDefault)
{
    Togli(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi"));
    Togli(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_FlGesSian"));
    TXTable articoli;
    articoli.SetTableName(QStringLiteral("Articoli"));
    articoli.SetUsaDizionario(true);
    articoli.Open(); // the table as it was: without the two columns
    EXPECT_EQ(articoli.FindField(QStringLiteral("UT_LMQ_FlGesSian")), nullptr);
    articoli.Close();

    RaskAggiornaUpdateDatabase();
    EXPECT_TRUE(script.Messages().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();

    articoli.Open();
    ASSERT_NE(articoli.FindField(QStringLiteral("UT_LMQ_FlGesSian")), nullptr);
    articoli.Append();
    articoli.FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("A3"));
    articoli.Post();
    articoli.Close();
    const QVariantList flag =
        Valori(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_FlGesSian"), QStringLiteral("IdProdotto"));
    ASSERT_EQ(flag.size(), 3);
    EXPECT_EQ(flag[2].toInt(), 0);
    EXPECT_EQ(
        Valori(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi"), QStringLiteral("IdProdotto"))
            .value(2)
            .toString(),
        QString());

    // the default holds for rows written by plain SQL without the columns, on both engines
    db->ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto) VALUES ('A4')"));
    const QVariantList dopo =
        Valori(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_FlGesSian"), QStringLiteral("IdProdotto"));
    EXPECT_EQ(dopo.value(3).toInt(), 0);
    EXPECT_FALSE(dopo.value(3).isNull());
    const QVariant codice =
        Valori(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi"), QStringLiteral("IdProdotto"))
            .value(3);
    EXPECT_FALSE(codice.isNull());
    EXPECT_EQ(codice.toString(), QString());
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM Articoli WHERE UT_LMQ_FlGesSian = 0")).toInt(), 4);
}

TEST_F(SchemaPatch, SendsThreeStatementsPerMissingColumnAsWritten)
{
    for (const auto &[tabella, colonna] :
         {std::pair{"CausaliMagaz", "UT_LMQ_FlGesSian"}, std::pair{"Articoli", "UT_LMQ_FlGesSian"},
          std::pair{"Articoli", "UT_LMQ_IdTipologiaOmaggi"}})
        Togli(QLatin1String(tabella), QLatin1String(colonna));
    QStringList inviati;
    TFRaskDmUpdateDB::ScriptInviato = [&inviati](const QString &testo) { inviati << testo; };
    RaskAggiornaUpdateDatabase();
    TFRaskDmUpdateDB::ScriptInviato = nullptr;
    EXPECT_TRUE(script.Messages().isEmpty()) << script.Texts().join(QLatin1Char('|')).toStdString();
    const QStringList attesi{
        QStringLiteral("ALTER TABLE [dbo].[CausaliMagaz] ADD\r\n[UT_LMQ_FlGesSian] [smallint] NULL \r\n"),
        QStringLiteral("ALTER TABLE [dbo].[CausaliMagaz] WITH NOCHECK ADD\r\n"
                       "CONSTRAINT  [DF_CausaliMagaz_UT_LMQ_FlGesSian] DEFAULT (0) FOR [UT_LMQ_FlGesSian]\r\n"),
        QStringLiteral("UPDATE [dbo].[CausaliMagaz] SET UT_LMQ_FlGesSian = 0\r\n"),
        QStringLiteral("ALTER TABLE [dbo].[Articoli] ADD\r\n[UT_LMQ_FlGesSian] [smallint] NULL \r\n"),
        QStringLiteral("ALTER TABLE [dbo].[Articoli] WITH NOCHECK ADD\r\n"
                       "CONSTRAINT  [DF_Articoli_UT_LMQ_FlGesSian] DEFAULT (0) FOR [UT_LMQ_FlGesSian]\r\n"),
        QStringLiteral("UPDATE [dbo].[Articoli] SET UT_LMQ_FlGesSian = 0\r\n"),
        QStringLiteral("ALTER TABLE [dbo].[Articoli] ADD\r\n[UT_LMQ_IdTipologiaOmaggi] [NVarchar](3) NULL \r\n"),
        QStringLiteral(
            "ALTER TABLE [dbo].[Articoli] WITH NOCHECK ADD\r\n"
            "CONSTRAINT  [DF_Articoli_UT_LMQ_IdTipologiaOmaggi] DEFAULT ('') FOR [UT_LMQ_IdTipologiaOmaggi]\r\n"),
        QStringLiteral("UPDATE [dbo].[Articoli] SET UT_LMQ_IdTipologiaOmaggi = ''\r\n"),
    };
    ASSERT_EQ(inviati.size(), attesi.size()) << inviati.join(QStringLiteral("|")).toStdString();
    for (qsizetype i = 0; i < attesi.size(); ++i)
        EXPECT_EQ(inviati[i].toStdString(), attesi[i].toStdString()) << "statement " << i + 1;
}

TEST_F(SchemaPatch, MissingTableShowsOneMessagePerColumnAndTheRestGoesOn)
{
    Togli(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi"));
    db->ExecSQL(QStringLiteral("DROP TABLE CausaliMagaz"));
    kv8data::ForgetTableMeta(QStringLiteral("CausaliMagaz"));
    RaskAggiornaUpdateDatabase();
    ASSERT_EQ(script.Messages().size(), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(script.Messages()[0].Text.endsWith(QStringLiteral(" Tabella: CausaliMagaz")));
    EXPECT_EQ(script.Messages()[0].Type, mtInformation);
    EXPECT_EQ(script.Messages()[0].Buttons, mbOK);
    EXPECT_TRUE(Ha(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_IdTipologiaOmaggi")))
        << "the next table is patched";

    script.ClearMessages();
    db->ExecSQL(QStringLiteral("DROP TABLE Articoli"));
    kv8data::ForgetTableMeta(QStringLiteral("Articoli"));
    RaskAggiornaUpdateDatabase();
    ASSERT_EQ(script.Messages().size(), 3);
    EXPECT_TRUE(script.Messages()[1].Text.endsWith(QStringLiteral(" Tabella: Articoli")));
    EXPECT_TRUE(script.Messages()[2].Text.endsWith(QStringLiteral(" Tabella: Articoli")));
}

TEST_F(SchemaPatch, FailingStatementsAreEachShownAndNoneEscapes)
{
    // a view opens like a table but takes no column
    db->ExecSQL(QStringLiteral("CREATE VIEW VistaProva AS SELECT IdProdotto, DsProdotto FROM Articoli"));
    TFRaskDmUpdateDB dm;
    TXDatiUpdate dati{QStringLiteral("VistaProva"), QStringLiteral("UT_LMQ_Prova"),    0, 3,
                      QStringLiteral("X"),          QStringLiteral("IdProdotto = '' ")};
    dm.UpdateTabelle(dati);
    // the column, then its default, then the value: each failure its own message
    EXPECT_EQ(script.Messages().size(), 3) << script.Texts().join(QLatin1Char('|')).toStdString();
    for (const kv8test::ShownMessage &m : script.Messages()) {
        EXPECT_EQ(m.Type, mtInformation);
        EXPECT_FALSE(m.Text.contains(QStringLiteral(" Tabella: ")));
    }
    EXPECT_FALSE(dm.TRSTabellaUpdate->Active());

    // a type code that defines no column: one message naming the table, nothing sent
    script.ClearMessages();
    dati.NomeTabella = QStringLiteral("Articoli");
    dati.FlTipoCampo = 4;
    dm.UpdateTabelle(dati);
    ASSERT_EQ(script.Messages().size(), 1);
    EXPECT_TRUE(script.Messages()[0].Text.endsWith(QStringLiteral(" Tabella: Articoli")));
    EXPECT_FALSE(Ha(QStringLiteral("Articoli"), QStringLiteral("UT_LMQ_Prova")));
}

TEST_F(SchemaPatch, RunsOnEveryMenuChoice)
{
    Togli(QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian"));
    EXPECT_FALSE(EseguiScelta(nullptr, u"BNAV0001F"));
    EXPECT_FALSE(Ha(QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian")));
    EXPECT_TRUE(EseguiScelta(nullptr, u"...."));
    EXPECT_TRUE(Ha(QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian")));
    Togli(QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian"));
    EXPECT_FALSE(EseguiScelta(nullptr, u"XXXX0000F"));
    EXPECT_TRUE(Ha(QStringLiteral("CausaliMagaz"), QStringLiteral("UT_LMQ_FlGesSian")));
    EXPECT_TRUE(script.Messages().isEmpty());
}

} // namespace
