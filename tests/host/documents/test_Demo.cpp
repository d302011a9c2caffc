// The documents of the demo company: stored as a save leaves them, and workable in the windows.
#include "tests/host/documents/DocumentiFixture.h"

#include "host/db/ConfigStore.h"
#include "host/db/SchemaInstaller.h"

#include <QSqlQuery>

class DocumentiDemo : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        SchemaInstaller().LoadDemo(company.Database());
        ConfigStore::Load(company.Database());
        SceltaDocumenti::Registra();
        main = std::make_unique<kv8test::TestMainWindow>();
    }
    void TearDown() override
    {
        main.reset();
        HostMenu::Clear();
        KV8Config::Clear();
        CFG = TCFG();
    }
    QVariant Valore(const QString &sql, const QVariantList &valori = {})
    {
        return company.Database().ScalarValue(sql, valori);
    }

    kv8test::UiCompany company;
    kv8test::UiScript script;
    std::unique_ptr<kv8test::TestMainWindow> main;
};

TEST_F(DocumentiDemo, DocumentiCoerentiConMovimentiEsistenzeECollegamenti)
{
    // the stock of the demo documents' articles is what their movements booked
    QSqlQuery q = company.Database().OpenQuery(QStringLiteral(
        "SELECT E.IdProdotto, E.Esistenza, "
        "(SELECT SUM(CASE WHEN M.IdCausale = 'ACQ' THEN M.Quantita ELSE -M.Quantita END) FROM MovMagazzino M "
        " WHERE M.IdProdotto = E.IdProdotto AND M.IdMagazzino1 = E.IdMagazzino AND M.KMovMag BETWEEN 1001 AND 1999) "
        "FROM EsistenzeMagazzino E WHERE E.Esercizio = 2026"));
    int articoli = 0;
    while (q.next()) {
        ++articoli;
        EXPECT_DOUBLE_EQ(q.value(1).toDouble(), q.value(2).toDouble()) << q.value(0).toString().toStdString();
    }
    EXPECT_GE(articoli, 5);
    // one movement per row of the documents that move stock
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT COUNT(*) FROM MovMagazzino WHERE KMovMag BETWEEN 1001 AND 1999")).toInt(),
        Valore(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE KBolleCliT BETWEEN 101 AND 199")).toInt()
            + Valore(QStringLiteral("SELECT COUNT(*) FROM BolleForRighe")).toInt()
            + Valore(QStringLiteral("SELECT COUNT(*) FROM FattureCliRighe WHERE IdTipoRiferimento = ''")).toInt());
    // the deferred invoice took the rows of the customer's delivery notes
    EXPECT_EQ(Valore(QStringLiteral(
                         "SELECT COUNT(*) FROM BolleCliRighe B JOIN FattureCliRighe F ON F.KFattCliR = B.KFatturaR "
                         "WHERE B.FlGenFattura = 1"))
                  .toInt(),
              4);
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2026 AND Serie = 1")).toInt(),
              Valore(QStringLiteral("SELECT MAX(Numero) FROM FattureCliTeste")).toInt());
}

TEST_F(DocumentiDemo, BollaDemoModificataNellaFinestra)
{
    auto *f = qobject_cast<TFSVen0001f *>(main->MenuChoice(QStringLiteral("SVEN0001F_C;102")));
    ASSERT_TRUE(f);
    ASSERT_EQ(f->TRighe->RecordCount(), 2);
    const double prima =
        Valore(QStringLiteral("SELECT Esistenza FROM EsistenzeMagazzino WHERE IdProdotto = 'ARNEIS24'")).toDouble();
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("ARNEIS24")));
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(10);
    f->TRighe->Post();
    f->NavClick(nbPost);
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT Esistenza FROM EsistenzeMagazzino WHERE IdProdotto = 'ARNEIS24'")).toDouble(),
        prima + 2);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM BolleCliTeste WHERE KBolleCliT = 102")).toDouble(),
                     Funzioni::KRound((10 * 10.5 + 6 * 32) * 1.22, 2));
    // the delivery note already invoiced is kept
    f->Close();
    script.ClearMessages();
    auto *b = qobject_cast<TFSVen0001f *>(main->MenuChoice(QStringLiteral("SVEN0001F_C;101")));
    ASSERT_TRUE(b);
    EXPECT_TRUE(script.Texts().isEmpty()) << "an invoiced delivery note opens without a word";
    EXPECT_EQ(b->TRighe->RecordCount(), 3);
    b->NavClick(nbDelete);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il DDT è già stato fatturato: non può essere cancellato.")));
}
