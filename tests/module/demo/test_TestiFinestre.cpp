// The demo company's stored records as a clerk reads them in the windows: the same figure, flag
// or coded value shows the same text in a grid and in the control below it, browsing and while
// a row is typed, with Italian separators.
#include "tests/module/demo/AziendaDemo.h"

#include "deposits/Lumo_ricercamov.h"
#include "deposits/Qarn0204f.h"
#include "host/business/Documento.h"
#include "host/business/SceltaBbas.h"
#include "host/data/TXQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"

#include <QCheckBox>

namespace {

class TestiFinestre : public AziendaDemo {};

} // namespace

TEST_F(TestiFinestre, LaFatturaMostraQuantitaPrezziETotaliComeLeRighe)
{
    // the demo's invoice 2: four rows in euro
    const qint64 fattura = company.Database()
                               .ScalarValue(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste WHERE Numero = 2"))
                               .toLongLong();
    auto *f = Apri<TFDocumento>(QStringLiteral("SVEN0008F_F;%1").arg(fattura));
    ASSERT_NE(f, nullptr);
    auto *griglia = f->Control<KDBGriglia>(QStringLiteral("GrigliaRighe"));
    f->TRighe->First();
    kv8test::ProcessEvents();
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("Quantita")), QStringLiteral("12,000"));
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("Prezzo")), QStringLiteral("32,000"))
        << "the euro's price decimals";
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("Quantita")),
              f->Control<TDBEdit>(QStringLiteral("edQuantita"))->text());
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("Prezzo")),
              f->Control<TDBEdit>(QStringLiteral("edPrezzo"))->text());
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("_ImportoNetto")), QStringLiteral("384,00"))
        << "the euro's value decimals";
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edTotDocumento"))->text(), QStringLiteral("1.018,94"));
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edTotImponibile"))->text(), QStringLiteral("835,20"));
}

TEST_F(TestiFinestre, IlCastellettoDellaFatturaMostraNelleCaselleQuelloCheMostraLaGriglia)
{
    const qint64 fattura =
        company.Database().ScalarValue(QStringLiteral("SELECT MIN(KFattCliT) FROM LUMO_CauzDocFatt")).toLongLong();
    auto *f = Apri<TFDocumento>(QStringLiteral("SVEN0008F_F;%1").arg(fattura));
    ASSERT_NE(f, nullptr);
    f->KPageControl->SetActivePage(f->Control<QWidget>(QStringLiteral("tsLUMO_CauzDoc")));
    auto *griglia = f->Control<KDBGriglia>(QStringLiteral("gUT_LMQ_CauzDoc"));
    ASSERT_TRUE(griglia->DataSet()->Locate(QStringLiteral("IdImballo"), QStringLiteral("BOT")));
    kv8test::ProcessEvents();
    // the summary's own formats, in the grid and in the row's fields alike
    const QList<std::pair<const char *, const char *>> campi{
        {"QtaCar", "edUT_QtaCar"}, {"Prezzo", "edUT_Prezzo"}, {"ValoreCar", "edUT_ValoreCar"}};
    for (const auto &[campo, casella] : campi)
        EXPECT_EQ(kv8test::GridText(griglia, QString::fromLatin1(campo)),
                  f->Control<TDBEdit>(QString::fromLatin1(casella))->text())
            << campo;
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("QtaCar")), QStringLiteral("120,00"));
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("ValoreCar")), QStringLiteral("30,000"));
}

TEST_F(TestiFinestre, LaPrimaNotaCauzioniMostraLeRigheComeIlDettaglioSfogliandoEScrivendo)
{
    auto *f = Apri<TFqarn0204f>(QStringLiteral("QARN0204F"));
    ASSERT_NE(f, nullptr);
    script.OnDialog(QStringLiteral("TFQarn0204d"), [](TForm &d) {
        auto &dialogo = static_cast<TFLumoRicercaMovimenti &>(d);
        dialogo.btSelezione->click();
        dialogo.qLista->Locate(QStringLiteral("KContaT"), 1);
        dialogo.btOk->click();
        return dialogo.ModalResult();
    });
    f->XFormXRicerca();
    ASSERT_EQ(f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger(), 1);
    auto *griglia = f->Control<KDBGriglia>(QStringLiteral("GrigliaDettaglio"));
    const auto uguali = [&](const QString &quantita, const QString &prezzo, const QString &valore) {
        kv8test::ProcessEvents();
        EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("QtaCar")), quantita);
        EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("Prezzo")), prezzo);
        EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("ValoreCar")), valore);
        EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edQtaCar"))->text(), quantita);
        EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edPrezzo"))->text(), prezzo);
        EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edValoreCar"))->text(), valore);
    };
    // browsing the stored rows: 20 cases at 3 euro
    uguali(QStringLiteral("20,000"), QStringLiteral("3,000"), QStringLiteral("60,00"));

    // a row typed in a new movement: the buffer's row shows as the stored one did
    Premi(f, nbInsert);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C0001")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdListino"), QStringLiteral("CAU")));
    f->Control<KPageControl>(QStringLiteral("pcPagine"))->SetActivePageIndex(1);
    f->Control<TDBNavigator>(QStringLiteral("navDettaglio"))->Button(nbInsert)->click();
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdImballo"), QStringLiteral("CAS")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edQtaCar"), QStringLiteral("1250")));
    // while typed the quantity shows only the decimals that count, then as the grid shows it
    auto *quantita = f->Control<TDBEdit>(QStringLiteral("edQtaCar"));
    EXPECT_EQ(quantita->text(), QStringLiteral("1250"));
    EXPECT_EQ(kv8test::GridText(griglia, QStringLiteral("QtaCar"), Qt::EditRole), QStringLiteral("1250"));
    kv8test::FocusNext(f->Control<TDBEdit>(QStringLiteral("edQtaRes")));
    uguali(QStringLiteral("1.250,000"), QStringLiteral("3,000"), QStringLiteral("3.750,00"));
    f->tMain->Cancel();
}

TEST_F(TestiFinestre, FlagECodiciMostranoNellaGrigliaQuelloCheMostraIlDettaglio)
{
    // a yes/no flag: a check mark in the list, the check box below
    SceltaBbas::Registra();
    struct Cancella {
        ~Cancella() { HostMenu::Clear(); }
    } cancella;
    auto *nazioni = Apri<TFDBTabChild>(QStringLiteral("BBAS0010F"));
    ASSERT_NE(nazioni, nullptr);
    ASSERT_TRUE(nazioni->MainDataSet()->Locate(QStringLiteral("IdNazione"), QStringLiteral("IT")));
    kv8test::ProcessEvents();
    EXPECT_EQ(kv8test::GridText(nazioni->GrigliaMain, QStringLiteral("FlCee")), QString()) << "no 0/1 shown";
    EXPECT_EQ(kv8test::GridText(nazioni->GrigliaMain, QStringLiteral("FlCee"), Qt::CheckStateRole).toInt(),
              int(Qt::Checked));
    EXPECT_TRUE(nazioni->Control<QCheckBox>(QStringLiteral("chFlCee"))->isChecked());
    ASSERT_TRUE(nazioni->MainDataSet()->Locate(QStringLiteral("IdNazione"), QStringLiteral("CH")));
    kv8test::ProcessEvents();
    EXPECT_EQ(kv8test::GridText(nazioni->GrigliaMain, QStringLiteral("FlCee"), Qt::CheckStateRole).toInt(),
              int(Qt::Unchecked));
    EXPECT_FALSE(nazioni->Control<QCheckBox>(QStringLiteral("chFlCee"))->isChecked());

    // a coded value: the text of its drop-down list, not the number
    auto *causali = Apri<TFDBTabChild>(QStringLiteral("BBAS0039F"));
    ASSERT_NE(causali, nullptr);
    for (const auto &[causale, testo] : {std::pair{"NCC", "Nota di credito"},
                                         std::pair{"NCR", "Nota di credito per resi"}, std::pair{"FTI", "Fattura"}}) {
        ASSERT_TRUE(causali->MainDataSet()->Locate(QStringLiteral("IdCausale"), QString::fromLatin1(causale)));
        kv8test::ProcessEvents();
        EXPECT_EQ(kv8test::GridText(causali->GrigliaMain, QStringLiteral("FlTipoDocumento")), QString::fromUtf8(testo))
            << causale;
        EXPECT_EQ(causali->Control<TDBComboBox>(QStringLiteral("cbFlTipoDocumento"))->currentText(),
                  QString::fromUtf8(testo))
            << causale;
    }
}
