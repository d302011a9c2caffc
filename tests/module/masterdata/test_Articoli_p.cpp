// The module's articles, price-list types and packaging windows from their menu codes: their
// pages and captions, the code checks of the wine data, the switches of the parameter record
// at creation and at store, the price type and the packaging's short description.
#include "tests/module/masterdata/EstensioniFixture.h"

#include "frame/Dmilumo.h"
#include "masterdata/Bbas0019f_p.h"
#include "masterdata/Bbas0030f_p.h"
#include "masterdata/Bbas0055f_p.h"

#include <QGridLayout>

using namespace kv8test;

namespace {

class Articoli : public Estensioni {
protected:
    void SetUp() override
    {
        Estensioni::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto) VALUES ('ART1', 'Rosso di casa')"));
    }

    TFbbas0055f_p *ApriArticoli()
    {
        auto *f = Apri<TFbbas0055f_p>(QStringLiteral("BBAS0055F"));
        EXPECT_EQ(f, Fbbas0055f_p.data());
        return f;
    }
    QVariant Articolo(const QString &colonna, const QString &codice = QStringLiteral("ART1"))
    {
        return Valore(QStringLiteral("SELECT %1 FROM Articoli WHERE IdProdotto = ?").arg(colonna), {codice});
    }
};

// A code column of the article, the table its codes come from and a code stored there.
struct TCodice {
    const char *colonna;
    const char *tabella;
    const char *chiave;
    const char *descrizione;
    const char *etichetta; // the label beside the code edit
};

const TCodice Codici[] = {
    {"UT_LMQ_IdConIva", "LUMO_ConIva", "IdConIva", "DsConIva", "txDsConIva"},
    {"UT_LMQ_IdCatVin", "LUMO_CatVin", "IdCatVin", "DsCatVin", "txDsCatVin"},
    {"UT_LMQ_IdSpecifica", "LUMO_Specifica", "IdSpecifica", "DsSpecifica", "txDsSpecifica"},
    {"UT_LMQ_IdBottiglia", "LUMO_Bottiglie", "IdBottiglia", "DsBottiglia", "txDsBottiglia"},
    {"UT_LMQ_IdNatura", "LUMO_Natura", "IdNatura", "DsNatura", "txDsNatura"},
    {"UT_LMQ_IdColore", "LUMO_Colori", "IdColore", "DsColore", "txDsColore"},
    {"UT_LMQ_IdImballo2", "Imballi", "IdImballo", "DsImballo", "txDsImballo2"},
    {"UT_LMQ_IdRegione", "LUMO_Regioni", "IdRegione", "DsRegione", "txDsRegione"},
    {"UT_LMQ_IdNazione", "Nazioni", "IdNazione", "DsNazione", "txDsNazione"},
    {"UT_LMQ_IdZonaProd", "LUMO_ZonaProd", "IdZonaProd", "DsZonaProd", "txDsZonaProd"},
    {"UT_LMQ_IdTipologiaOmaggi", "LUMO_TipologieOmaggiArt", "IdTipologia", "DsTipologia", "txDsTipologiaOmaggi"},
    {"UT_LMQ_IdTipologia", "LUMO_Tipologie", "IdTipologia", "DsTipologia", "txDsTipologia"},
};

} // namespace

TEST_F(Articoli, OpensWithTheHostPagesAndItsOwn)
{
    Tutti(1);
    TFbbas0055f_p *f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Anagrafica Articoli (Dusaria)"));
    EXPECT_EQ(Pagine(f), (QStringList{"Elenco", "Anagrafica", "Dati prodotto", "Note", "Dati Vini / Bibite",
                                      "Scheda Vino 1", "Scheda Vino 2", "Scheda Vino 3"}));
    EXPECT_EQ(f->lbFlTipoMisure->text(), QStringLiteral("N. quantità prodotto:"));
    EXPECT_EQ(f->TArticoli->RecordCount(), 1) << "the host's InitForm read the table";
    EXPECT_EQ(f->PageControl->ActivePage(), f->tsDatiVini) << "opened on the wine page after the host's InitForm";
    EXPECT_EQ(f->ActiveControl(), f->cbUT_LMQ_FlTipArt);
    // the wine page holds the host's case packaging and measures beside the module's columns
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edIdImballoVini"))->DataField(), QStringLiteral("IdImballo"));
    EXPECT_EQ(f->Control<TDBComboBox>(QStringLiteral("cbFlTipoMisureVini"))->DataField(),
              QStringLiteral("FlTipoMisure"));
    EXPECT_TRUE(f->tsDatiVini->isAncestorOf(f->cbUT_LMQ_FlTipArt));
    EXPECT_EQ(Voci(f, QStringLiteral("cbUT_LMQ_FlTipArt")).at(4), QStringLiteral("Sfuso"))
        << "items from the dictionary";

    // a second choice brings the same window forward; closed, the code opens a new one
    EXPECT_EQ(ApriArticoli(), f);
    f->Close();
    ProcessEvents();
    EXPECT_TRUE(Fbbas0055f_p.isNull());
    TFbbas0055f_p *nuova = ApriArticoli();
    ASSERT_NE(nuova, nullptr);
    EXPECT_EQ(main->ChildCount(), 1);
}

TEST_F(Articoli, CreatedOnTheWinePageWithTheArticleTypeActive)
{
    Tutti(1);
    TDMILUMO::Crea();
    QPointer<TFbbas0055f_p> ref;
    ASSERT_TRUE(Funzioni::CreaFinestraProt(ClassRef::Of<TFbbas0055f_p>(), ref, taNormale));
    EXPECT_EQ(ref->PageControl->ActivePage(), ref->tsDatiVini);
    EXPECT_EQ(ref->ActiveControl(), ref->cbUT_LMQ_FlTipArt);
}

TEST_F(Articoli, SwitchesOfTheParametersAtCreation)
{
    Parametri({{QStringLiteral("FlAbilSchedaPro"), 0}, {QStringLiteral("FlAbilAccisa"), 0}});
    TFbbas0055f_p *f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Pagine(f).mid(4), QStringList{"Dati Vini / Bibite"}) << "the three sheet pages are hidden";
    EXPECT_FALSE(f->chUT_LMQ_FlAbilSchedaPro->isEnabled());
    EXPECT_FALSE(f->cbUT_LMQ_TipoAcc->isEnabled());
    EXPECT_TRUE(f->cbUT_LMQ_FlTipArt->isEnabled());
    f->Close();
    ProcessEvents();

    // a value of 2 is on as well
    Parametri({{QStringLiteral("FlAbilSchedaPro"), 2}, {QStringLiteral("FlAbilAccisa"), 2}});
    f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Pagine(f).size(), 8);
    EXPECT_TRUE(f->chUT_LMQ_FlAbilSchedaPro->isEnabled());
    EXPECT_TRUE(f->cbUT_LMQ_TipoAcc->isEnabled());
}

TEST_F(Articoli, EveryCodeColumnIsCheckedAgainstItsTable)
{
    for (const TCodice &c : Codici)
        Esegui(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES ('11', 'Primo %1')")
                   .arg(QLatin1String(c.tabella), QLatin1String(c.chiave), QLatin1String(c.descrizione)));
    TFbbas0055f_p *f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    TDataSet *t = f->TArticoli;
    for (const TCodice &c : Codici) {
        SCOPED_TRACE(c.colonna);
        const QString colonna = QLatin1String(c.colonna);
        EXPECT_EQ(Assegna(t, colonna, QStringLiteral("11")), QString());
        EXPECT_EQ(f->Control<QLabel>(QLatin1String(c.etichetta))->text(),
                  QStringLiteral("Primo ") + QLatin1String(c.tabella));
        EXPECT_EQ(Assegna(t, colonna, QStringLiteral("98")), QStringLiteral("Codice non trovato !"));
        EXPECT_EQ(t->FieldByName(colonna)->AsString(), QStringLiteral("11")) << "the old value stays";
        // a code added since the window read its lookups
        Esegui(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES ('12', 'Nuovo')")
                   .arg(QLatin1String(c.tabella), QLatin1String(c.chiave), QLatin1String(c.descrizione)));
        EXPECT_EQ(Assegna(t, colonna, QStringLiteral("12")), QString());
        EXPECT_EQ(f->Control<QLabel>(QLatin1String(c.etichetta))->text(), QStringLiteral("Nuovo"));
        EXPECT_EQ(Assegna(t, colonna, QString()), QString());
        EXPECT_EQ(f->Control<QLabel>(QLatin1String(c.etichetta))->text(), QString());
        EXPECT_EQ(Assegna(t, colonna, QStringLiteral("12")), QString());
    }
    Premi(f, nbPost);
    for (const TCodice &c : Codici)
        EXPECT_EQ(Articolo(QLatin1String(c.colonna)).toString(), QStringLiteral("12")) << c.colonna;

    // typed into its edit: refused with the message, the field unchanged
    Premi(f, nbEdit);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edUT_LMQ_IdBottiglia"), QStringLiteral("98")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice non trovato !")));
    EXPECT_EQ(f->TArticoli->FieldByName(QStringLiteral("UT_LMQ_IdBottiglia"))->AsString(), QStringLiteral("12"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_LMQ_IdBottiglia"), QStringLiteral("11")));
    Premi(f, nbPost);
    EXPECT_EQ(Articolo(QStringLiteral("UT_LMQ_IdBottiglia")).toString(), QStringLiteral("11"));
}

TEST_F(Articoli, SwitchedOffColumnsAreClearedAtTheNextStore)
{
    Esegui(QStringLiteral(
        "UPDATE Articoli SET UT_LMQ_TipoAcc = 1, UT_LMQ_FlAbilSchedaPro = 1, UT_LMQ_Vitigno = 'Sangiovese', "
        "UT_LMQ_FlPrzLit = 1"));
    Parametri({{QStringLiteral("FlAbilSchedaPro"), 0}, {QStringLiteral("FlAbilAccisa"), 1}});
    TFbbas0055f_p *f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsProdotto"), QStringLiteral("Rosso di casa 2024")));
    Premi(f, nbPost);
    EXPECT_EQ(Articolo(QStringLiteral("UT_LMQ_FlAbilSchedaPro")).toInt(), 0);
    EXPECT_EQ(Articolo(QStringLiteral("UT_LMQ_Vitigno")).toString(), QStringLiteral("Sangiovese"))
        << "the sheet keeps its data";
    EXPECT_EQ(Articolo(QStringLiteral("UT_LMQ_TipoAcc")).toInt(), 1) << "excise is on";
    EXPECT_EQ(Articolo(QStringLiteral("UT_LMQ_FlPrzLit")).toInt(), 1);
    f->Close();
    ProcessEvents();

    // excise off: the excise type goes at the next store, though nobody touched it
    Parametri({{QStringLiteral("FlAbilSchedaPro"), 1}, {QStringLiteral("FlAbilAccisa"), 0}});
    Esegui(QStringLiteral("UPDATE Articoli SET UT_LMQ_FlAbilSchedaPro = 1"));
    f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsProdotto"), QStringLiteral("Rosso")));
    Premi(f, nbPost);
    EXPECT_EQ(Articolo(QStringLiteral("UT_LMQ_TipoAcc")).toInt(), 0);
    EXPECT_EQ(Articolo(QStringLiteral("UT_LMQ_FlAbilSchedaPro")).toInt(), 1);
}

TEST_F(Articoli, TheHostRefusalStopsTheStoreBeforeTheClearing)
{
    Parametri({{QStringLiteral("FlAbilAccisa"), 0}});
    TFbbas0055f_p *f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsProdotto"), QStringLiteral("Senza codice")));
    f->TArticoli->FieldByName(QStringLiteral("UT_LMQ_TipoAcc"))->SetAsInteger(1);
    Premi(f, nbPost);
    EXPECT_EQ(f->TArticoli->State(), dsInsert) << "the host refused the article without a code";
    EXPECT_FALSE(script.Messages().isEmpty());
    EXPECT_EQ(f->TArticoli->FieldByName(QStringLiteral("UT_LMQ_TipoAcc"))->AsInteger(), 1) << "nothing cleared";
    Premi(f, nbCancel);
    EXPECT_EQ(Conta(QStringLiteral("Articoli")), 1);
}

TEST_F(Articoli, PriceListTypeStoresTheDictionaryValue)
{
    auto *f = Apri<TFBBas0030f_p>(QStringLiteral("BBAS0030F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Tipologie Listini (Dusaria)"));
    EXPECT_EQ(f->cbUT_LMQ_FlTipoPrz->parentWidget(), f->pnDettaglio) << "under the host's detail rows";
    int riga = -1, colonna = -1, righe = 0, colonne = 0;
    f->lyDettaglio->getItemPosition(f->lyDettaglio->indexOf(f->Control<QLabel>(QStringLiteral("lbUT_LMQ_FlTipoPrz"))),
                                    &riga, &colonna, &righe, &colonne);
    EXPECT_EQ(colonna, 0);
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbUT_LMQ_FlTipoPrz"))->text(), QStringLiteral("Tipo Prezzo:"));
    EXPECT_EQ(Voci(f, QStringLiteral("cbUT_LMQ_FlTipoPrz")), (QStringList{"Da parametri", "A confezione", "Unitario"}));
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListino"), QStringLiteral("L1")));
    Scegli(f, QStringLiteral("cbUT_LMQ_FlTipoPrz"), 1);
    Premi(f, nbPost);
    EXPECT_EQ(Valore(QStringLiteral("SELECT UT_LMQ_FlTipoPrz FROM TipiListino WHERE IdListino = 'L1'")).toInt(), 1);
    Premi(f, nbEdit);
    Scegli(f, QStringLiteral("cbUT_LMQ_FlTipoPrz"), 2);
    Premi(f, nbPost);
    EXPECT_EQ(Valore(QStringLiteral("SELECT UT_LMQ_FlTipoPrz FROM TipiListino WHERE IdListino = 'L1'")).toInt(), 2);
}

TEST_F(Articoli, PackagingShortDescriptionOnlyOnANewItem)
{
    auto *f = Apri<TFBBas0019f_p>(QStringLiteral("BBAS0019F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Imballi / Cauzioni (Dusaria)"));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbUT_LMQ_DsDescDoc"))->text(),
              QStringLiteral("Descr. x Stampa Cast Docum."));
    const auto breve = [this](const char *codice) {
        return Valore(QStringLiteral("SELECT UT_LMQ_DsDescDoc FROM Imballi WHERE IdImballo = ?"),
                      {QLatin1String(codice)})
            .toString();
    };

    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdImballo"), QStringLiteral("CAS")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsImballo"), QStringLiteral("Cassetta legno sei bott.")));
    EXPECT_EQ(f->edUT_LMQ_DsDescDoc->text(), QStringLiteral("Cassetta legno "));
    Premi(f, nbPost);
    EXPECT_EQ(breve("CAS"), QStringLiteral("Cassetta legno "));

    // an item already stored keeps its short description
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsImballo"), QStringLiteral("Cassa in legno da sei")));
    Premi(f, nbPost);
    EXPECT_EQ(breve("CAS"), QStringLiteral("Cassetta legno "));

    // a short description typed first stays
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdImballo"), QStringLiteral("BOT")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_LMQ_DsDescDoc"), QStringLiteral("Vuoto")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsImballo"), QStringLiteral("Bottiglia vuota a rendere")));
    Premi(f, nbPost);
    EXPECT_EQ(breve("BOT"), QStringLiteral("Vuoto"));
}
