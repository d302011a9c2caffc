// The module's warehouse journal through "BMAG0001F": the tank and the loss mark stored with
// the movement, an unknown tank refused with nothing written, the tank shown only with the
// bottling register kept, the units per package editable by the parameter.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Bmag0001f_p.h"
#include "host/data/TXClientTable.h"
#include "host/ui/DBNavigator.h"

#include <QCheckBox>
#include <QPushButton>
#include <QToolButton>

class PrimaNotaModulo : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        Esegui("INSERT INTO LUMO_Vasche (IdVasca, DsVasca) VALUES ('V1', 'Vasca acciaio')");
        Parametri("FlStaRegImb = 1");
    }
    static bool Scrivi(TForm *f, const QString &controllo, const QString &testo)
    {
        return kv8test::ReplaceText(f->Control<TDBEdit>(controllo), testo);
    }
    static void Nav(TFBMag0001f_p *f, TNavigateBtn b)
    {
        f->Control<TDBNavigator>(QStringLiteral("DBNavigatore"))->Button(b)->click();
        kv8test::ProcessEvents();
    }
    // A registration with one A1 row in warehouse 1 for the tank given, marked as loss.
    TFBMag0001f_p *Registrazione(const QString &vasca)
    {
        auto *f = Apri<TFBMag0001f_p>(QStringLiteral("BMAG0001F"));
        if (!f)
            return nullptr;
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataMovimento"), QStringLiteral("10/03/2026")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCausale"), QStringLiteral("VEN")));
        Nav(f, nbInsert);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("A1")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdMagazzino1"), QStringLiteral("1")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("5")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_LMQ_IdVasca"), vasca));
        f->chUT_LMQ_FlMovCalo->click();
        Nav(f, nbPost);
        f->btSalva->click();
        kv8test::ProcessEvents();
        return f;
    }
};

TEST_F(PrimaNotaModulo, TankAndLossStoredWithTheMovementAndShownAgain)
{
    auto *f = Registrazione(QStringLiteral("V1"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Prima Nota Magazzino (Dusaria)"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, UT_LMQ_IdVasca, UT_LMQ_FlMovCalo FROM MovMagazzino")),
              QStringList{"A1/V1/1"})
        << script.Texts().join(QLatin1Char('|')).toStdString();
    f->Close();
    kv8test::ProcessEvents();

    // "BMAG0001F;2026;1" opens the stored registration with its tank and mark
    f = Apri<TFBMag0001f_p>(QStringLiteral("BMAG0001F;2026;1"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ProtocolloCaricato(), 1);
    EXPECT_EQ(f->edUT_LMQ_IdVasca->text(), QStringLiteral("V1"));
    EXPECT_TRUE(f->chUT_LMQ_FlMovCalo->isChecked());
    // the mark cleared stores 0
    f->chUT_LMQ_FlMovCalo->click();
    Nav(f, nbPost);
    f->btSalva->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_IdVasca, UT_LMQ_FlMovCalo FROM MovMagazzino")), QStringList{"V1/0"});
}

TEST_F(PrimaNotaModulo, UnknownTankRefusedEmptyTankAccepted)
{
    auto *f = Registrazione(QStringLiteral("ZZ"));
    ASSERT_TRUE(f);
    EXPECT_TRUE(script.Shown(QStringLiteral("Rigo 1: vasca <ZZ> inesistente: indicarne una valida o lasciarla vuota.")))
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino")), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), 0) << "no stock booked";

    f->TMovimenti->Edit();
    f->TMovimenti->FieldByName(QStringLiteral("UT_LMQ_IdVasca"))->SetAsString(QString());
    f->TMovimenti->Post();
    f->btSalva->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT COALESCE(UT_LMQ_IdVasca, ''), UT_LMQ_FlMovCalo FROM MovMagazzino")),
              QStringList{"/1"});
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1")), -5);
}

TEST_F(PrimaNotaModulo, TankShownWithTheBottlingRegisterAndUnitsPerPackageByParameter)
{
    Parametri("FlStaRegImb = 0, FlQtaConf = 0");
    auto *f = Apri<TFBMag0001f_p>(QStringLiteral("BMAG0001F"));
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->edUT_LMQ_IdVasca->isHidden());
    EXPECT_FALSE(f->chUT_LMQ_FlMovCalo->isHidden());
    EXPECT_TRUE(f->edQuantita2->isReadOnly());
    f->Close();
    kv8test::ProcessEvents();

    Parametri("FlStaRegImb = 2, FlQtaConf = 1");
    f = Apri<TFBMag0001f_p>(QStringLiteral("BMAG0001F"));
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->edUT_LMQ_IdVasca->isHidden());
    EXPECT_FALSE(f->edQuantita2->isReadOnly());
}
