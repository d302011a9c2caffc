// The fingerprint of the stored document that a save and a deletion compare with the one taken
// at the load: it changes with every change another user can make and stays the same on
// another read; on SQLite the values read straight from the engine give the bytes the driver's
// values give.
#include "tests/host/documents/DocumentiFixture.h"

#include "host/db/SqliteLettura.h"

#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

#include <vector>

namespace {

// A delivery-note window that shows its fingerprint, with head columns left out at will.
class BollaConImpronta : public TFSVen0001f {
public:
    using TFDocumento::ImprontaArchivio;
    QStringList Esterni;
    QStringList CampiTestaEsterni() const override { return TFSVen0001f::CampiTestaEsterni() + Esterni; }
};

// A change another user makes, each statement taking the document's key: what stands before
// it, then the change.
struct Modifica {
    const char *nome;
    std::vector<const char *> prima;
    std::vector<const char *> dopo;
    bool soloSqlite = false;
};

void PrintTo(const Modifica &m, std::ostream *os)
{
    *os << m.nome;
}

} // namespace

class Impronta : public Documenti {
protected:
    std::unique_ptr<BollaConImpronta> Finestra()
    {
        auto f = std::make_unique<BollaConImpronta>();
        f->DoCreate();
        return f;
    }
    void Applica(const std::vector<const char *> &istruzioni, qint64 k)
    {
        for (const char *sql : istruzioni)
            company.Database().ExecSQL(QLatin1String(sql), {k});
    }
};

class ImprontaCambia : public Impronta, public ::testing::WithParamInterface<Modifica> {};

TEST_P(ImprontaCambia, AllaModificaEResta)
{
    if (GetParam().soloSqlite && company.Database().IsPostgres())
        GTEST_SKIP() << "SQLite only";
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto f = Finestra();
    Applica(GetParam().prima, k);
    const QByteArray prima = f->ImprontaArchivio(k);
    EXPECT_FALSE(prima.isEmpty());
    EXPECT_EQ(f->ImprontaArchivio(k), prima);
    Applica(GetParam().dopo, k);
    const QByteArray dopo = f->ImprontaArchivio(k);
    EXPECT_NE(dopo, prima);
    EXPECT_EQ(f->ImprontaArchivio(k), dopo);
}

INSTANTIATE_TEST_SUITE_P(
    Documenti, ImprontaCambia,
    ::testing::Values(
        Modifica{"RealeNellUltimoBit",
                 {},
                 {"UPDATE BolleCliRighe SET Prezzo = 3.0000000000000004 WHERE IdProdotto = 'C1' AND KBolleCliT = ?"}},
        Modifica{"RigoAggiunto",
                 {},
                 {"INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, Quantita) "
                  "SELECT MAX(KBolleCliR) + 1000, ?, 99, 2, '', 0 FROM BolleCliRighe"}},
        Modifica{"RigoTolto", {}, {"DELETE FROM BolleCliRighe WHERE IdProdotto = 'C1' AND KBolleCliT = ?"}},
        Modifica{"TuttiIRighiTolti", {}, {"DELETE FROM BolleCliRighe WHERE KBolleCliT = ?"}},
        Modifica{"RigoSpostatoPerChiave",
                 {},
                 {"UPDATE BolleCliRighe SET KBolleCliR = -KBolleCliR WHERE IdProdotto = 'C1' AND KBolleCliT = ?"}},
        Modifica{
            "TestoTraColonneVicine",
            {"UPDATE BolleCliRighe SET IdProgetto = 'ab', IdStagione = '' WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
            {"UPDATE BolleCliRighe SET IdProgetto = 'a', IdStagione = 'b' WHERE IdProdotto = 'C1' AND KBolleCliT = ?"}},
        Modifica{"DataNullaValorizzata",
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = NULL WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = '2026-03-10 00:00:00' WHERE IdProdotto = 'C1' AND "
                  "KBolleCliT = ?"}},
        // a column of dates on SQLite holds any value
        Modifica{"NulloTestoVuoto",
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = NULL WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = '' WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 true},
        Modifica{"TestoVuotoZero",
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = '' WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = 0 WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 true},
        Modifica{"NulloZero",
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = NULL WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 {"UPDATE BolleCliRighe SET UT_LMQ_DataDoco = 0 WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 true},
        Modifica{"TestoVuotoTestoZero",
                 {"UPDATE BolleCliRighe SET Descrizione = '' WHERE IdProdotto = 'C1' AND KBolleCliT = ?"},
                 {"UPDATE BolleCliRighe SET Descrizione = '0' WHERE IdProdotto = 'C1' AND KBolleCliT = ?"}},
        Modifica{"TestoConVirgoleEVirgolette",
                 {"UPDATE BolleCliRighe SET IdProgetto = 'a,\"b', IdStagione = '(' WHERE IdProdotto = 'C1' AND "
                  "KBolleCliT = ?"},
                 {"UPDATE BolleCliRighe SET IdProgetto = 'a', IdStagione = '\"b,(' WHERE IdProdotto = 'C1' AND "
                  "KBolleCliT = ?"}},
        Modifica{"ValoreDellaTesta", {}, {"UPDATE BolleCliTeste SET Cambio = 2 WHERE KBolleCliT = ?"}}),
    [](const ::testing::TestParamInfo<Modifica> &info) { return std::string(info.param.nome); });

// The same stored values give the same fingerprint: a change undone, a document without rows.
TEST_F(Impronta, ModificaAnnullataRidaLaStessa)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto f = Finestra();
    const QByteArray prima = f->ImprontaArchivio(k);
    Esegui("UPDATE BolleCliRighe SET Prezzo = 7 WHERE IdProdotto = 'C1'");
    EXPECT_NE(f->ImprontaArchivio(k), prima);
    Esegui("UPDATE BolleCliRighe SET Prezzo = 3 WHERE IdProdotto = 'C1'");
    EXPECT_EQ(f->ImprontaArchivio(k), prima);

    Esegui("DELETE FROM BolleCliRighe WHERE KBolleCliT = ?", {k});
    const QByteArray vuoto = f->ImprontaArchivio(k);
    EXPECT_EQ(f->ImprontaArchivio(k), vuoto);
    // another document without rows differs by its head
    const qint64 altra = NuovaBolla(QStringLiteral("C2"));
    ASSERT_GT(altra, k);
    Esegui("DELETE FROM BolleCliRighe WHERE KBolleCliT = ?", {altra});
    EXPECT_NE(f->ImprontaArchivio(altra), vuoto);
}

// The head columns other jobs set are left out, whatever their case; the others count.
TEST_F(Impronta, ColonneEsterneDellaTestaEscluse)
{
    const qint64 k = NuovaBolla();
    ASSERT_GT(k, 0);
    auto f = Finestra();
    f->Esterni = QStringList{QStringLiteral("CAMBIO")};
    const QByteArray prima = f->ImprontaArchivio(k);
    Esegui("UPDATE BolleCliTeste SET Cambio = 2 WHERE KBolleCliT = ?", {k});
    EXPECT_EQ(f->ImprontaArchivio(k), prima);
    f->Esterni.clear();
    const QByteArray tutte = f->ImprontaArchivio(k);
    EXPECT_NE(tutte, prima);
    Esegui("UPDATE BolleCliTeste SET Cambio = 1 WHERE KBolleCliT = ?", {k});
    EXPECT_NE(f->ImprontaArchivio(k), tutte);
}

// SQLite: the rows read from the engine's statement give, row by row, the bytes of the driver's
// values; each value differs from the others, an integer from the real of equal value too.
TEST_F(Impronta, ValoriDalMotoreComeDalDriver)
{
    TXDatabase &db = company.Database();
    if (db.IsPostgres())
        GTEST_SKIP() << "SQLite only";
    const auto letti = [&db](const QString &sql, std::vector<QByteArray> &motore, std::vector<QByteArray> &driver) {
        QSqlQuery q = db.OpenQuery(sql);
        ASSERT_TRUE(q.next());
        ASSERT_TRUE(
            kv8db::LeggiBinarioSqlite(q, [&motore](QByteArrayView riga) { motore.push_back(riga.toByteArray()); }));
        QSqlQuery r = db.OpenQuery(sql);
        while (r.next()) {
            kv8db::ValoriBinari dati;
            for (int i = 0; i < r.record().count(); ++i)
                kv8db::AccodaBinario(dati, r.value(i));
            driver.emplace_back(dati.constData(), dati.size());
        }
        EXPECT_EQ(motore, driver);
    };
    std::vector<QByteArray> motore, driver;
    letti(QStringLiteral("SELECT column1 FROM (VALUES (0), (1), (-1), (255), (256), (9223372036854775807), "
                         "(-9223372036854775807 - 1), (3), (3.0), (0.0), (0.1), (3.0000000000000004), (-2.5), (1e300), "
                         "(NULL), (''), ('0'), ('3'), ('è'), (x''), (x'00'), (x'00ff'))"),
          motore, driver);
    EXPECT_EQ(motore.size(), 22u);
    EXPECT_EQ(QSet<QByteArray>(motore.begin(), motore.end()).size(), 22);

    // rows of several columns, a text longer than the room kept for a row among them
    motore.clear();
    driver.clear();
    letti(QStringLiteral("SELECT column1, column2, column3 FROM (VALUES (1, 'ab', NULL), "
                         "(2.5, substr(hex(zeroblob(3000)), 1, 5000), x'00'), (-0.0, '', 'è'))"),
          motore, driver);
    ASSERT_EQ(motore.size(), 3u);
    EXPECT_GT(motore.at(1).size(), 5000);
}

// SQLite: rows in another order give other bytes in turn; a reading that is not the engine's
// first row is left to the caller.
TEST_F(Impronta, OrdineDelleRigheEDopoLaPrima)
{
    TXDatabase &db = company.Database();
    if (db.IsPostgres())
        GTEST_SKIP() << "SQLite only";
    const auto righe = [&db](const char *ordine) {
        QByteArray tutte;
        QSqlQuery q =
            db.OpenQuery(QStringLiteral("SELECT column1, column2 FROM (VALUES (1, 'a'), (2, 'b')) ORDER BY column1 ")
                         + QLatin1String(ordine));
        EXPECT_TRUE(q.next());
        EXPECT_TRUE(kv8db::LeggiBinarioSqlite(q, [&tutte](QByteArrayView riga) { tutte += riga.toByteArray() + '|'; }));
        return tutte;
    };
    EXPECT_NE(righe("ASC"), righe("DESC"));
    EXPECT_EQ(righe("ASC").count('|'), 2);

    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT 1 UNION ALL SELECT 2"));
    ASSERT_TRUE(q.next());
    ASSERT_TRUE(q.next());
    EXPECT_FALSE(kv8db::LeggiBinarioSqlite(q, [](QByteArrayView) { ADD_FAILURE() << "a row read"; }));
    EXPECT_EQ(q.value(0).toInt(), 2);
}
