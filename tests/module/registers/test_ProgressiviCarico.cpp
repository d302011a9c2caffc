// The load/unload stock progressives window opened from its menu code: a head with its
// yearly rows saved in one transaction, the grouping check, a second head of one grouping and
// category or a second row of one year refused and rolled back, a loaded row deleted.
#include "tests/module/registers/MovimentiRegistro.h"

#include "host/core/Errors.h"
#include "registers/Qarn0102f.h"

using namespace kv8test;

namespace {

const QString Registrazione = QStringLiteral("Conferma Registrazione ?");

class ProgressiviCarico : public MovimentiRegistro {
protected:
    TFqarn0102f *Finestra() { return Apri<TFqarn0102f>(QStringLiteral("QARN0102F")); }
    void Anno(TFqarn0102f *f, int anno, double carico, double scarico)
    {
        f->TTDettaglio->Append();
        f->TTDettaglio->FieldByName(QStringLiteral("Anno"))->SetAsInteger(anno);
        f->TTDettaglio->FieldByName(QStringLiteral("ProgCarico"))->SetAsFloat(carico);
        f->TTDettaglio->FieldByName(QStringLiteral("ProgScarico"))->SetAsFloat(scarico);
        f->TTDettaglio->Post();
    }
    // A new head of grouping 1 and category ROS with 300 l, then its years.
    void NuovaTesta(TFqarn0102f *f, const QList<std::tuple<int, double, double>> &anni)
    {
        Premi(f, nbInsert);
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdCatVin"), QStringLiteral("ROS")));
        f->tMain->FieldByName(QStringLiteral("Esistenza"))->SetAsFloat(300);
        for (const auto &[anno, carico, scarico] : anni)
            Anno(f, anno, carico, scarico);
        script.Yes(Registrazione);
        Premi(f, nbPost);
    }
    QStringList Anni()
    {
        return Elenco(QStringLiteral(
            "SELECT T.IdRaggMag, T.IdCatVin, T.Esistenza, R.Anno, R.ProgCarico, R.ProgScarico "
            "FROM LUMO_ProgRegCsT T JOIN LUMO_ProgRegCsR R ON R.KProgRegT = T.KProgRegT ORDER BY R.Anno"));
    }
};

} // namespace

TEST_F(ProgressiviCarico, AHeadIsSavedWithItsYears)
{
    TFqarn0102f *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Progressivi Registro Carico / Scarico"));
    NuovaTesta(f, {{2025, 1000, 400}, {2026, 250.5, 50}});
    EXPECT_EQ(Anni(), (QStringList{"1/ROS/300/2025/1000/400", "1/ROS/300/2026/250.5/50"}))
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("_DsRaggMag"))->AsString(), QStringLiteral("Cantina"));
    EXPECT_EQ(f->qDettaglio->RecordCount(), 2) << "the grid is back on the stored rows";
}

TEST_F(ProgressiviCarico, AnUnknownGroupingIsRefused)
{
    TFqarn0102f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("9")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Raggruppamento non valido")));
}

TEST_F(ProgressiviCarico, ASecondHeadOrASecondYearIsRefusedAndRolledBack)
{
    Esegui(QStringLiteral(
        "INSERT INTO LUMO_ProgRegCsT (KProgRegT, IdRaggMag, IdCatVin, Esistenza) VALUES (900, 1, 'ROS', 10)"));
    TFqarn0102f *f = Finestra();
    ASSERT_NE(f, nullptr);
    NuovaTesta(f, {{2026, 5, 0}});
    EXPECT_TRUE(script.Shown(
        QStringLiteral("Esistono già i progressivi del raggruppamento 1 per la categoria ROS: modificare quelli.")))
        << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT")), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsR")), 0) << "the row rolled back with the head";

    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    Premi(f, nbCancel);
    Esegui(QStringLiteral("DELETE FROM LUMO_ProgRegCsT"));
    NuovaTesta(f, {{2026, 5, 0}, {2026, 7, 0}});
    EXPECT_TRUE(script.Shown(QStringLiteral("L'anno 2026 è indicato più di una volta: togliere la riga in più.")))
        << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsR")), 0);
}

TEST_F(ProgressiviCarico, ADeletedYearLeavesTheOthersAndTheHead)
{
    TFqarn0102f *f = Finestra();
    ASSERT_NE(f, nullptr);
    NuovaTesta(f, {{2025, 1000, 400}, {2026, 250, 50}});
    ASSERT_EQ(Conta(QStringLiteral("LUMO_ProgRegCsR")), 2);
    Premi(f, nbEdit);
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("Anno"), 2025));
    try {
        f->TTDettaglio->Delete(); // a loaded row is only marked deleted
    } catch (const EAbort &) {
    }
    f->TTDettaglio->Append();
    EXPECT_THROW(f->TTDettaglio->Post(), EAbort) << "a row added and left blank is discarded";
    script.Yes(Registrazione);
    Premi(f, nbPost);
    EXPECT_EQ(Anni(), QStringList{"1/ROS/300/2026/250/50"}) << script.Texts().join(QLatin1Char('|')).toStdString();
}
