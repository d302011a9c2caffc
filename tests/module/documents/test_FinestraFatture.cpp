// The module's invoice window: opening through the menu codes, the deposit tab by the
// parameters, the causal and the customer, the row layer and the row amounts.
#include "tests/module/documents/FattureModuloFixture.h"

#include "host/business/Sven0904f.h"

#include <QLabel>
#include <QPushButton>

class FinestraFatture : public FattureModulo {};

TEST_F(FinestraFatture, MenuCodesOpenOneWindowAndReopenFresh)
{
    auto *f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F"));
    ASSERT_TRUE(f) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Fatture Clienti (Dusaria)"));
    EXPECT_EQ(f->KPageControl->tabText(f->KPageControl->count() - 1), QStringLiteral("Castelletto Cauzioni"));
    EXPECT_FALSE(f->FlSegnoInverso);
    main->MenuChoice(QStringLiteral("SVEN0008F_R"));
    EXPECT_TRUE(script.Shown(QStringLiteral("Gestione fatture già attiva")));
    EXPECT_FALSE(f->FlSegnoInverso) << "the second request changes nothing";
    f->Close();
    kv8test::ProcessEvents();
    EXPECT_TRUE(FSVen0008f_p.isNull());
    auto *r = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_R"));
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->FlSegnoInverso);
    r->Close();
    kv8test::ProcessEvents();
    // a key that is no invoice: InitForm answers false and the window closes
    main->MenuChoice(QStringLiteral("SVEN0008F_F;999"));
    kv8test::ProcessEvents();
    EXPECT_TRUE(FSVen0008f_p.isNull());
}

TEST_F(FinestraFatture, DepositTabFollowsParametersCausalAndCustomer)
{
    Esegui("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
           "UT_LMQ_FlCauzioni) VALUES ('F0', 'Senza cauzioni', 0, 0, 1, 0), ('F2', 'Sempre', 0, 0, 1, 2)");
    struct Caso {
        int abil;
        const char *causale, *cliente;
        bool visibile;
    };
    // C2 keeps no deposits
    const Caso casi[] = {{0, "FV", "C1", false}, {0, "F2", "C1", false}, {1, "FV", "C1", true}, {1, "FV", "C2", false},
                         {1, "F2", "C2", true},  {1, "F0", "C1", false}, {2, "F0", "C2", true}};
    for (const Caso &c : casi) {
        Parametri(QStringLiteral("FlAbilCauz = %1").arg(c.abil).toUtf8().constData());
        auto *f = NuovaFattura(QLatin1String(c.causale), QLatin1String(c.cliente));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->KPageControl->TabVisible(f->tsLUMO_CauzDoc), c.visibile)
            << c.abil << " " << c.causale << " " << c.cliente;
        Chiudi(f);
    }
}

TEST_F(FinestraFatture, ExcessFieldsAndBalancingByParameter)
{
    for (int ecc : {0, 1}) {
        Parametri(ecc ? "FlGestEcc = 1" : "FlGestEcc = 0");
        auto *f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F"));
        ASSERT_TRUE(f);
        EXPECT_EQ(!f->btnUT_LMQ_Pareggia->isHidden(), ecc == 0);
        EXPECT_EQ(!f->FindControl<QWidget>(QStringLiteral("edUT_QtaCarEcc"))->isHidden(), ecc == 1);
        EXPECT_EQ(!f->FindControl<QWidget>(QStringLiteral("lbUT_EsiAttEcc"))->isHidden(), ecc == 1);
        f->Close();
        kv8test::ProcessEvents();
    }
}

TEST_F(FinestraFatture, RowsEnteredAsPackagesWithLitresAndPackagingCodes)
{
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("2"));
    TDataSet *r = f->TRighe;
    EXPECT_DOUBLE_EQ(Campo(r, "Quantita2"), 12);
    EXPECT_DOUBLE_EQ(Campo(r, "Quantita"), 36) << "12 units x 3 packages";
    EXPECT_DOUBLE_EQ(Campo(r, "UT_LMQ_TotLit"), 27) << "36 x 0.75 litres";
    EXPECT_EQ(r->FieldByName(QStringLiteral("UT_LMQ_IdImballo1"))->AsString(), QStringLiteral("CAS"));
    EXPECT_EQ(r->FieldByName(QStringLiteral("UT_LMQ_IdImballo2"))->AsString(), QStringLiteral("BOT"));
    EXPECT_EQ(r->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger(), 0) << "the parameter's price type";
    // per litre: 36 x 2.00 x 0.75
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoLordo"), 54);

    // a kit article (type 3): the units per package locked, the label reads "Quantità"; an article without
    // units per package gets 1
    PremiRighe(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("K01")));
    f->edIdProdottoExit(nullptr);
    EXPECT_DOUBLE_EQ(Campo(r, "Quantita2"), 1);
    EXPECT_TRUE(f->RigheDoc.edQuantita2->IsReadOnlySet());
    EXPECT_EQ(f->RigheDoc.lbLunghezza->text(), QStringLiteral("Quantità"));
    EXPECT_DOUBLE_EQ(Campo(r, "UT_LMQ_TotLit"), 0);
    f->TRighe->Cancel();

    // row type 2: one package, price type locked, no DuSa; type 3 keeps packages editable in browse
    PremiRighe(f, nbInsert);
    r->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(2);
    EXPECT_DOUBLE_EQ(Campo(r, "Lunghezza"), 1);
    EXPECT_TRUE(f->cbUT_UT_LMQ_FlTipoPrz->IsReadOnlySet());
    EXPECT_TRUE(f->btnDuSa->isHidden());
    r->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(6);
    EXPECT_TRUE(f->btnDuSa->isHidden());
    r->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(8);
    EXPECT_EQ(r->FieldByName(QStringLiteral("_FlTipoMisure"))->AsInteger(), 1);
    EXPECT_FALSE(f->cbUT_UT_LMQ_FlTipoPrz->IsReadOnlySet());
    f->TRighe->Cancel();
    f->TRighe->First();
    EXPECT_TRUE(f->RigheDoc.edLunghezza->IsReadOnlySet()) << "goods rows browsed: packages locked";
    f->TTesta->Cancel();
    script.AllowUnusedAnswers();
}

TEST_F(FinestraFatture, PricesTypeFromTheDocumentPriceList)
{
    Parametri("FlTipoPrz = 1, FlQtaConf = 0");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    struct Caso {
        const char *listino;
        int tipo;
    };
    // LC has type 1, LU none (the parameter's), XX does not exist, "" none
    for (const Caso &c : {Caso{"LC", 1}, Caso{"LU", 1}, Caso{"XX", 1}, Caso{"", 1}}) {
        f->TTesta->FieldByName(QStringLiteral("IdListino"))->SetAsString(QLatin1String(c.listino));
        PremiRighe(f, nbInsert);
        EXPECT_EQ(f->TRighe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger(), c.tipo) << c.listino;
        EXPECT_TRUE(f->RigheDoc.edQuantita2->IsReadOnlySet()) << "FlQtaConf 0 locks the units";
        f->TRighe->Cancel();
    }
    Parametri("FlTipoPrz = 0");
    Chiudi(f);
    f = NuovaFattura();
    ASSERT_TRUE(f);
    f->TTesta->FieldByName(QStringLiteral("IdListino"))->SetAsString(QStringLiteral("LC"));
    PremiRighe(f, nbInsert);
    EXPECT_EQ(f->TRighe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger(), 1);
    f->TRighe->Cancel();
    f->TTesta->FieldByName(QStringLiteral("IdListino"))->SetAsString(QStringLiteral("LU"));
    PremiRighe(f, nbInsert);
    EXPECT_EQ(f->TRighe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger(), 0);
    f->TRighe->Cancel();
    f->TTesta->Cancel();
}

// The row amounts, written on a row in edit through the window's operation.
TEST_F(FinestraFatture, RowAmountsByPriceTypeDiscountsAndCalculatedSet)
{
    CFG.NumScontiRigo = 2;
    CFG.NumScontiTesta = 1;
    CFG.SegnoSconti = -1;
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    TDataSet *t = f->TTesta;
    TDataSet *r = f->TRighe;
    PremiRighe(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("V12")));
    const auto importi = [&](int tipo, double colli, double quantita, double prezzo) {
        r->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->SetAsInteger(tipo);
        r->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(colli);
        r->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(quantita);
        r->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(prezzo);
        f->CalcolaImportiRigo(t, r, false);
    };
    importi(1, 3, 36, 10);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoLordo"), 30) << "per package, whatever quantity and capacity";
    importi(0, 1, 12, 2);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoLordo"), 18) << "per litre: 12 x 2.00 x 0.75";
    r->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("V06"));
    importi(0, 1, 12, 2);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoLordo"), 24) << "per unit";

    // discounts: 100 -> 90 -> 85.50 (the third row discount is not in use), document 2% and
    // payment 3%: 85.50 -> 83.79 -> 81.2763 -> 81.28
    r->FieldByName(QStringLiteral("Sconto1"))->SetAsFloat(10);
    r->FieldByName(QStringLiteral("Sconto2"))->SetAsFloat(5);
    r->FieldByName(QStringLiteral("Sconto3"))->SetAsFloat(50);
    t->FieldByName(QStringLiteral("Sconto1"))->SetAsFloat(2);
    t->FieldByName(QStringLiteral("ScontoPagamento"))->SetAsFloat(3);
    importi(0, 1, 100, 1);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoLordo"), 100);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoNetto"), 85.5);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoNN"), 81.28);
    EXPECT_DOUBLE_EQ(Campo(r, "ControValoreNN"), 81.28);

    // the calculated set leaves the stored columns as they are
    r->FieldByName(QStringLiteral("Prezzo"))->OnChange = nullptr;
    r->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(2);
    f->CalcolaImportiRigo(t, r, true);
    EXPECT_DOUBLE_EQ(Campo(r, "_ImportoLordo"), 200);
    EXPECT_DOUBLE_EQ(Campo(r, "_ImportoNetto"), 171);
    // payment discount with no document discounts in use
    CFG.NumScontiTesta = 0;
    f->CalcolaImportiRigo(t, r, true);
    EXPECT_DOUBLE_EQ(Campo(r, "_ImportoNN"), 165.87);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoLordo"), 100);
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoNN"), 81.28);
    r->Cancel();
    t->Cancel();
    script.AllowUnusedAnswers();
}

TEST_F(FinestraFatture, LeavingThePackagesOpensTheDetailOnlyForAnArticleKeptInDetail)
{
    Parametri("FlQtaConf = 0"); // both quantity edits locked: leaving the packages asks for the detail
    Esegui("UPDATE Articoli SET FlGesLotti = 1 WHERE IdProdotto = 'V12'");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    QStringList aperture;
    script.OnDialog(QStringLiteral("TfSVen0904f"), [&](TForm &d) {
        aperture
            << dynamic_cast<TfSVen0904f &>(d).Documento->TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString();
        return int(mrOk);
    });
    // the price typed after the packages: the packages edit is left
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("10"));
    EXPECT_EQ(aperture, QStringList{}) << "an article without variants, batches or groups";
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"));
    EXPECT_EQ(aperture, QStringList{QStringLiteral("V12")}) << "an article kept in batches";
    // passing through the units per package asks the same
    QWidget *prezzo = f->Control(QStringLiteral("edPrezzo"));
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("V06")));
    kv8test::Focus(f->RigheDoc.edQuantita2);
    kv8test::FocusNext(prezzo);
    EXPECT_EQ(aperture.size(), 1);
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("V12")));
    kv8test::Focus(f->RigheDoc.edQuantita2);
    kv8test::FocusNext(prezzo);
    EXPECT_EQ(aperture, (QStringList{QStringLiteral("V12"), QStringLiteral("V12")}));
    // the row's button opens the detail of any row
    ASSERT_TRUE(f->TRighe->Locate(QStringLiteral("IdProdotto"), QStringLiteral("V06")));
    f->btnDetQta->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(aperture.size(), 3);
    EXPECT_EQ(aperture.last(), QStringLiteral("V06"));
    Chiudi(f);
}

namespace {
// The host's quantity detail as a test step: it changes the quantity, and may fail.
class FatturaDettaglio : public TFSVen0008f_p {
public:
    bool fallisce = false;
    int aperture = 0;
    void btnDetQtaClick(QObject *) override
    {
        ++aperture;
        TRighe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(5);
        if (fallisce)
            throw Exception(QStringLiteral("dettaglio non riuscito"));
    }
};
} // namespace

TEST_F(FinestraFatture, LeavingTheUnitsPerPackageOpensTheDetailAndKeepsTheQuantityEvenWhenItFails)
{
    Parametri("FlQtaConf = 0");
    auto *aperta = NuovaFattura(); // the module's data modules and parameters, as at run time
    ASSERT_TRUE(aperta);
    Chiudi(aperta);
    FatturaDettaglio f;
    f.DoCreate();
    ASSERT_TRUE(f.InitForm(0, 0));
    f.TTesta->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FV"));
    f.TTesta->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C1"));
    f.TRighe->Append();
    f.TRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("V12"));
    f.edIdProdottoExit(nullptr);
    f.TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(3);
    ASSERT_DOUBLE_EQ(Campo(f.TRighe, "Quantita"), 36);
    ASSERT_TRUE(f.RigheDoc.edQuantita2->IsReadOnlySet());

    f.edQuantita2Exit(nullptr);
    EXPECT_EQ(f.aperture, 1);
    EXPECT_DOUBLE_EQ(Campo(f.TRighe, "Quantita"), 36);
    f.fallisce = true;
    EXPECT_THROW(f.edQuantita2Exit(nullptr), Exception);
    EXPECT_DOUBLE_EQ(Campo(f.TRighe, "Quantita"), 36) << "the quantity back after a failed detail";
    // the packages edit: both quantity edits locked, the detail opens
    f.fallisce = false;
    f.edLunghezzaExit(nullptr);
    EXPECT_EQ(f.aperture, 3);
    f.TRighe->Cancel();
    f.TTesta->Cancel();
}
