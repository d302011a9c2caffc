// The annual balance progressives window opened from its menu code: a head with its causal
// rows saved in one transaction, the year preset, the grouping check, a second head of one
// year, grouping and category refused, and a head deleted with its rows.
#include "tests/module/registers/RegistriFixture.h"

#include "host/core/Applvar.h"
#include "registers/Qarn0104f.h"

using namespace kv8test;

namespace {

const QString Registrazione = QStringLiteral("Conferma Registrazione ?");
const QString Cancellazione = QStringLiteral("Conferma Cancellazione ?");

class BilancioProgressivi : public EsercizioRegistri {
protected:
    void SetUp() override
    {
        EsercizioRegistri::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlStaRegCs) VALUES ('1', 1)"));
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagT (IdRaggMag, DsRaggrupp) VALUES (1, 'Cantina')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('ROS', 'Vino rosso')"));
        Esegui(
            QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale) VALUES ('CAR', 'Carico da produzione')"));
        Esegui(QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale) VALUES ('VEN', 'Vendita')"));
    }
    TFqarn0104f *Finestra() { return Apri<TFqarn0104f>(QStringLiteral("QARN0104F")); }
    // A new head of grouping 1 and category ROS with its rows (causal, load, unload).
    void NuovaTesta(TFqarn0104f *f, const QList<std::tuple<QString, double, double>> &righe)
    {
        Premi(f, nbInsert);
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdCatVin"), QStringLiteral("ROS")));
        f->tMain->FieldByName(QStringLiteral("EsistenzaFin"))->SetAsFloat(250);
        for (const auto &[causale, carico, scarico] : righe) {
            f->TTDettaglio->Append();
            f->TTDettaglio->FieldByName(QStringLiteral("IdCausale"))->SetAsString(causale);
            f->TTDettaglio->FieldByName(QStringLiteral("CaricoLitri"))->SetAsFloat(carico);
            f->TTDettaglio->FieldByName(QStringLiteral("ScaricoLitri"))->SetAsFloat(scarico);
            f->TTDettaglio->Post();
        }
        script.Yes(Registrazione);
        Premi(f, nbPost);
    }
};

} // namespace

TEST_F(BilancioProgressivi, ANewHeadTakesTheYearAndIsSavedWithItsRows)
{
    TFqarn0104f *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Progressivi Bilancio Dichiarazione Annuale "));
    NuovaTesta(f, {{QStringLiteral("CAR"), 300, 0}, {QStringLiteral("VEN"), 0, 50}});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT Anno, IdRaggMag, IdCatVin, EsistenzaFin FROM LUMO_PrBilDicGiaT")),
              QStringList{"2026/1/ROS/250"})
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT R.IdCausale, R.CaricoLitri, R.ScaricoLitri FROM LUMO_PrBilDicGiaR R "
                                    "JOIN LUMO_PrBilDicGiaT T ON T.KContaT = R.KContaT ORDER BY R.IdCausale")),
              (QStringList{"CAR/300/0", "VEN/0/50"}));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("_DsCatVin"))->AsString(), QStringLiteral("Vino rosso"));
}

TEST_F(BilancioProgressivi, ACausalTwiceInOneHeadIsRefused)
{
    TFqarn0104f *f = Finestra();
    ASSERT_NE(f, nullptr);
    NuovaTesta(f, {{QStringLiteral("CAR"), 300, 0}, {QStringLiteral("CAR"), 10, 0}});
    EXPECT_TRUE(script.Shown(QStringLiteral("La causale CAR è indicata più di una volta: togliere la riga in più.")))
        << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaR")), 0);
}

TEST_F(BilancioProgressivi, AnUnknownGroupingIsRefused)
{
    TFqarn0104f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("9")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice raggruppamento non valido")));
}

TEST_F(BilancioProgressivi, ASecondHeadOfOneYearGroupingAndCategoryIsRefused)
{
    Esegui(QStringLiteral("INSERT INTO LUMO_PrBilDicGiaT (KContaT, Anno, IdRaggMag, IdCatVin, EsistenzaFin) VALUES "
                          "(900, 2026, 1, 'ROS', 10)"));
    TFqarn0104f *f = Finestra();
    ASSERT_NE(f, nullptr);
    NuovaTesta(f, {{QStringLiteral("CAR"), 300, 0}});
    EXPECT_TRUE(script.Shown(QStringLiteral(
        "Esiste già il bilancio dell'anno 2026 per il raggruppamento 1 e la categoria ROS: modificare quello.")))
        << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT")), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaR")), 0) << "the rows rolled back with the head";
}

TEST_F(BilancioProgressivi, DeletingAHeadDeletesItsRows)
{
    TFqarn0104f *f = Finestra();
    ASSERT_NE(f, nullptr);
    NuovaTesta(f, {{QStringLiteral("CAR"), 300, 0}, {QStringLiteral("VEN"), 0, 50}});
    ASSERT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaR")), 2);
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_PrBilDicGiaR")), 0);
}
