// The module's customer order and quote windows: opening through the menu codes, rows entered
// as packages with litres and amounts by price type, the value still to order on quotes, and
// the rows' module columns kept by the host's save.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sofc0001f_p.h"
#include "documents/Sorc0001f_p.h"

class OrdiniOfferteModulo : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        Esegui("INSERT INTO CausaliOrdiniCli (IdCausale, DsCausale, Serie) VALUES ('OC', 'Ordine cliente', 0)");
        Esegui("INSERT INTO CausaliOfferteCli (IdCausale, DsCausale, Serie) VALUES ('OF', 'Offerta cliente', 0)");
    }
    template <class T>
    T *Nuovo(const QString &codice, const QString &causale, const QString &cliente = QStringLiteral("C1"))
    {
        auto *f = Apri<T>(codice);
        if (!f)
            return nullptr;
        Testa(f, causale, cliente);
        return f;
    }
    void ChiudiFinestra(TFDocumento *f)
    {
        script.AllowUnusedAnswers();
        if (f->TTesta->State() != dsBrowse || f->FlRigheModificate)
            script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
        f->Close();
        kv8test::ProcessEvents();
    }
};

TEST_F(OrdiniOfferteModulo, MenuCodesOpenOneWindowEachAndReopenFresh)
{
    struct Caso {
        const char *codice, *titolo, *rifiuto;
    };
    const Caso casi[] = {
        {"SORC0001F", "Gestione Ordini Clienti (Dusaria)", "Gestione ordini clienti già attiva"},
        {"SOFC0001F", "Offerte Clienti (Dusaria)", "Gestione offerte clienti già attiva"},
    };
    for (const Caso &c : casi) {
        auto *f = Apri<TFDocumento>(QLatin1String(c.codice));
        ASSERT_TRUE(f) << c.codice << script.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(f->windowTitle(), QString::fromUtf8(c.titolo));
        EXPECT_TRUE(f->FindControl<QWidget>(QStringLiteral("cbUT_UT_LMQ_FlTipoPrz")));
        f->TTesta->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C1"));
        main->MenuChoice(QLatin1String(c.codice));
        EXPECT_TRUE(script.Shown(QString::fromUtf8(c.rifiuto))) << c.codice;
        EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("IdCliente"))->AsString(), QStringLiteral("C1"))
            << "the second request leaves the open window untouched";
        EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->AsString(), QStringLiteral("L1"));
        ChiudiFinestra(f);
        auto *r = Apri<TFDocumento>(QLatin1String(c.codice));
        ASSERT_TRUE(r);
        EXPECT_TRUE(r->TTesta->FieldByName(QStringLiteral("IdCliente"))->AsString().isEmpty());
        EXPECT_TRUE(r->TTesta->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->AsString().isEmpty());
        ChiudiFinestra(r);
    }
    EXPECT_TRUE(FSOrc0001f_p.isNull());
    EXPECT_TRUE(FSOfc0001f_p.isNull());
}

TEST_F(OrdiniOfferteModulo, OrderRowsByPackagesWithLitresKeptByTheHostSave)
{
    Parametri("FlQtaConf = 0");
    auto *f = Nuovo<TFSOrc0001f_p>(QStringLiteral("SORC0001F"), QStringLiteral("OC"));
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->RigheDoc.edQuantita2->isReadOnly()) << "FlQtaConf never locks the order's units per package";
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
    TDataSet *r = f->TRighe;
    EXPECT_DOUBLE_EQ(Campo(r, "QuantitaOrd"), 12) << "6 units x 2 packages";
    EXPECT_DOUBLE_EQ(Campo(r, "UT_LMQ_TotLit"), 9);
    script.AllowUnusedAnswers();
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, QuantitaOrd, UT_LMQ_FlTipoPrz, UT_LMQ_TotLit, ImportoNetto, "
                                    "UT_LMQ_IdImballo1 FROM OrdiniCliRighe ORDER BY IdProdotto")),
              (QStringList{"V06/12/0/9/60/CAS", "V12/36/1/27/30/CAS"}));
    ChiudiFinestra(f);
}

TEST_F(OrdiniOfferteModulo, QuoteValueStillToOrderGoesNegativeWhenMoreWasShipped)
{
    auto *f = Nuovo<TFSOfc0001f_p>(QStringLiteral("SOFC0001F"), QStringLiteral("OF"));
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    TDataSet *r = f->TRighe;
    EXPECT_DOUBLE_EQ(Campo(r, "ImportoNetto"), 30) << "3 packages at 10.00";
    for (const char *importo : {"ImportoNN", "ControvaloreL", "ControvaloreN", "ControvaloreNN"})
        EXPECT_DOUBLE_EQ(Campo(r, importo), 30) << importo << ": the packages, not 36 units";
    EXPECT_DOUBLE_EQ(Campo(r, "_DaEvadereVal"), 30);
    r->Edit();
    r->FieldByName(QStringLiteral("ImportoSpedito"))->SetAsFloat(45);
    r->Post();
    EXPECT_DOUBLE_EQ(Campo(r, "_DaEvadereVal"), -15);
    EXPECT_DOUBLE_EQ(Campo(r, "_ImportoNN"), 0) << "the quote writes no net net amount";
    ChiudiFinestra(f);
}

// The value still to ship follows the causal's way of fulfilling the order: by value it is
// the row's net net amount less what was shipped; by quantity it is not computed.
TEST_F(OrdiniOfferteModulo, OrderValueStillToShipOnlyWhenTheCausalFulfilsByValue)
{
    Esegui("INSERT INTO CausaliOrdiniCli (IdCausale, DsCausale, Serie, FlTipoEvasione) "
           "VALUES ('OV', 'Ordine a valore', 0, 1)");
    struct Caso {
        const char *causale;
        int evasione;
        double daEvadere, dopoSpedizione;
    };
    // 3 packages (36 bottles) at 10.00 a package, then 12 bottles shipped: 10.00 of it
    const Caso casi[] = {{"OC", 0, 0, 0}, {"OV", 1, 30, 20}};
    for (const Caso &c : casi) {
        auto *f = Nuovo<TFSOrc0001f_p>(QStringLiteral("SORC0001F"), QLatin1String(c.causale));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("_FlTipoEvasione"))->AsInteger(), c.evasione) << c.causale;
        RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
        TDataSet *r = f->TRighe;
        EXPECT_DOUBLE_EQ(Campo(r, "_DaEvadere"), c.daEvadere) << c.causale;
        r->Edit();
        r->FieldByName(QStringLiteral("QuantitaSpe"))->SetAsFloat(12);
        r->Post();
        EXPECT_DOUBLE_EQ(Campo(r, "ImportoSpedito"), 10);
        EXPECT_DOUBLE_EQ(Campo(r, "_DaEvadere"), c.dopoSpedizione) << c.causale;
        EXPECT_DOUBLE_EQ(Campo(r, "ImportoNetto"), 30) << "the stored amounts are the module's either way";
        ChiudiFinestra(f);
    }
}

// The litres of an order row follow its ordered quantity whenever the row is stored: a new
// row, a row changed before the save, a stored row changed later, and a row without bottle.
TEST_F(OrdiniOfferteModulo, OrderRowLitresFollowTheQuantityInEveryState)
{
    Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, QtaImballo, IdImballo) "
           "VALUES ('S01', 'Sfuso', 'LT', '22', 1, '')");
    auto *f = Nuovo<TFSOrc0001f_p>(QStringLiteral("SORC0001F"), QStringLiteral("OC"));
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    TDataSet *r = f->TRighe;
    EXPECT_DOUBLE_EQ(Campo(r, "UT_LMQ_TotLit"), 27) << "36 bottles of 0.75 litres, inserted";
    r->Edit();
    r->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(4);
    r->Post();
    EXPECT_DOUBLE_EQ(Campo(r, "QuantitaOrd"), 48);
    EXPECT_DOUBLE_EQ(Campo(r, "UT_LMQ_TotLit"), 36) << "edited before the save";
    RigoConfezioni(f, QStringLiteral("S01"), QStringLiteral("5"), QStringLiteral("1"), 0);
    EXPECT_DOUBLE_EQ(Campo(r, "UT_LMQ_TotLit"), 0) << "no bottle, no litres";
    script.AllowUnusedAnswers();
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    const QString litri = QStringLiteral("SELECT IdProdotto, QuantitaOrd, UT_LMQ_TotLit FROM OrdiniCliRighe "
                                         "ORDER BY IdProdotto");
    EXPECT_EQ(Elenco(litri), (QStringList{"S01/5/0", "V12/48/36"}));
    const qint64 k = Valore(QStringLiteral("SELECT KOrdiniCliT FROM OrdiniCliTeste")).toLongLong();
    ChiudiFinestra(f);

    // the stored order read again: browsing keeps the litres, a changed row takes new ones
    f = Apri<TFSOrc0001f_p>(QStringLiteral("SORC0001F;%1").arg(k));
    ASSERT_TRUE(f);
    VaiARigo(f, QStringLiteral("V12"));
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "UT_LMQ_TotLit"), 36) << "browsed";
    f->TRighe->Edit();
    f->TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(2);
    f->TRighe->Post();
    EXPECT_DOUBLE_EQ(Campo(f->TRighe, "UT_LMQ_TotLit"), 18);
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(litri), (QStringList{"S01/5/0", "V12/24/18"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT UT_LMQ_TotLit FROM OrdiniCliTeste")), QStringList{"0"})
        << "nothing writes the order head's litres";
    ChiudiFinestra(f);
}

TEST_F(OrdiniOfferteModulo, TheHostsRowMeasureLabelCarriesTheMeasureCaptionAlone)
{
    struct Caso {
        const char *codice;
        bool evidenziata;
    };
    for (const Caso &c : {Caso{"SORC0001F", true}, Caso{"SOFC0001F", false}}) {
        SCOPED_TRACE(c.codice);
        auto *f = Apri<TFDocumento>(QLatin1String(c.codice));
        ASSERT_TRUE(f) << script.Texts().join(QLatin1Char('|')).toStdString();
        QLabel *misura = f->FindControl<QLabel>(QStringLiteral("lbLunghezza"));
        ASSERT_TRUE(misura);
        EXPECT_EQ(misura->text(), QStringLiteral("Nr.Confez.")) << "captioned for the package count when created";
        const QString stile = misura->styleSheet();
        EXPECT_EQ(stile.contains(QLatin1String("color: blue")) && stile.contains(QLatin1String("font-weight: bold")),
                  c.evidenziata);
        // no label of the module's own beside the price-type combo
        EXPECT_FALSE(f->FindControl<QLabel>(QStringLiteral("lblLunghezza")));
        for (const QLabel *l : f->findChildren<QLabel *>())
            EXPECT_NE(l->text(), QStringLiteral("misure")) << l->objectName().toStdString();
        ChiudiFinestra(f);
    }
}
