// Supplier delivery notes through their window: the goods loaded into the warehouse, the
// delivery note changed and deleted, a partly fulfilled one kept.
#include "tests/host/documents/DocumentiFixture.h"

TEST_F(Documenti, BollaFornitoreCaricaIlMagazzinoESiCancella)
{
    auto *f = Apri<TFSAcq0001f>(QStringLiteral("SACQ0001F"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DTA"), QStringLiteral("F1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("24"), QStringLiteral("3"));
    NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("12"), QStringLiteral("2"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_EQ(Conta(QStringLiteral("BolleForTeste")), 1) << script.Texts().join(QLatin1Char('|')).toStdString();
    const qint64 k = Valore(QStringLiteral("SELECT KBolleForT FROM BolleForTeste")).toLongLong();
    EXPECT_EQ(Valore(QStringLiteral("SELECT Numero FROM BolleForTeste")).toInt(), 1);
    EXPECT_EQ(Conta(QStringLiteral("BolleForRighe"), QStringLiteral("KBolleForT = ?"), {k}), 2);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = 10")), 2);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), 24);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1")), 12);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Importo2 FROM BolleForTot WHERE TipoRecord = 'MER'")).toDouble(),
                     96.0);
    f->Close();

    // changed: a row less
    f = Apri<TFSAcq0001f>(QStringLiteral("SACQ0001F;%1").arg(k));
    ASSERT_TRUE(f);
    VaiARigo(f, QStringLiteral("B1"));
    script.AllowUnusedAnswers();
    script.Yes();
    PremiRighe(f, nbDelete);
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleForRighe")), 1);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1")), 0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Importo2 FROM BolleForTot WHERE TipoRecord = 'MER'")).toDouble(),
                     72.0);

    // deleted: its stock goes with it
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleForRighe")), 0);
    EXPECT_EQ(Conta(QStringLiteral("BolleForTot")), 0);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), 0);
}

TEST_F(Documenti, BollaFornitoreParzialmenteEvasaNonSiCancella)
{
    auto *f = Apri<TFSAcq0001f>(QStringLiteral("SACQ0001F"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DTA"), QStringLiteral("F1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("5"), QStringLiteral("3"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    f->Close();
    const qint64 k = Valore(QStringLiteral("SELECT KBolleForT FROM BolleForTeste")).toLongLong();
    Esegui("UPDATE BolleForRighe SET FlSaldoRigo = 1");

    f = Apri<TFSAcq0001f>(QStringLiteral("SACQ0001F;%1").arg(k));
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->FlParzialmenteEvaso);
    Premi(f, nbDelete);
    EXPECT_TRUE(script.Shown(QStringLiteral("Il documento risulta parzialmente evaso. Impossibile cancellare.")));
    EXPECT_EQ(Conta(QStringLiteral("BolleForTeste")), 1);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), 5);
}
