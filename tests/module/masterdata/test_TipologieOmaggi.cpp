// The gift-typology window: its layout, the account check while typing and before every
// store (an empty account, an unknown one, one created after the accounts were read, one
// removed since), and the account's name beside its code.
#include "tests/module/masterdata/CodiciFixture.h"

#include "host/business/Dmibase.h"

namespace {

const QString Rifiuto = QStringLiteral("Codice conto non valido o non impostato");

class TipologieOmaggi : public CodiciTest {
protected:
    void SetUp() override
    {
        CodiciTest::SetUp();
        if (IsSkipped())
            return;
        Conto(QStringLiteral("CG"), QStringLiteral("60900001"), QStringLiteral("Omaggi a clienti"));
        Conto(QStringLiteral("CG"), QStringLiteral("60900002"), QStringLiteral("Omaggi di rappresentanza"));
        Conto(QStringLiteral("CL"), QStringLiteral("C0001"), QStringLiteral("Enoteca Il Calice S.n.c."));
    }
    void Conto(const QString &tipo, const QString &codice, const QString &nome)
    {
        Db().ExecSQL(QStringLiteral("INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES (?, ?, ?)"),
                     {tipo, codice, nome});
    }
    TFDBChild *Apri()
    {
        return CodiciTest::Apri(QStringLiteral("QARNVIEWTIPOLOGIEOMAGGI"), QStringLiteral("TFQarnViewTipologieOmaggi"));
    }
    QString Nome(TFDBChild *f) { return f->Control<QLabel>(QStringLiteral("lbRagioneSociale"))->text(); }
};

TEST_F(TipologieOmaggi, OpensWithItsLayoutAndClosesClearingItsReference)
{
    TFDBChild *f = Apri();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Tipologie Articoli / Omaggi"));
    EXPECT_EQ(qobject_cast<TFDBTabChild *>(f), nullptr) << "a single-record window";
    TXTable *t = Tabella(f);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->TableName(), QStringLiteral("LUMO_TipologieOmaggiArt"));
    EXPECT_EQ(t->IndexFieldNames(), QStringLiteral("IdTipologia"));
    EXPECT_TRUE(t->UsaDizionario() && t->UsaDuplicaRecord() && t->XAutoApply());
    QStringList etichette;
    for (const char *nome : {"lbIdTipologia", "lbDsTipologia", "lbIdConto"})
        etichette << f->Control<QLabel>(L(nome))->text();
    EXPECT_EQ(etichette, QStringList({"Codice Tipologia:", "Descrizione:", "Codice conto omaggi:"}));
    EXPECT_EQ(QApplication::focusWidget(), f->Control<TDBEdit>(QStringLiteral("edIdTipologia")));
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edIdConto"))->FormatoNumero(), int(Kdbctrls::fnIntero));
    EXPECT_FALSE(f->btStampa->isVisibleTo(f) || f->btAnteprima->isVisibleTo(f)) << "no print";
    EXPECT_TRUE(f->Close());
    EXPECT_EQ(Finestra(QStringLiteral("TFQarnViewTipologieOmaggi")), nullptr);
}

TEST_F(TipologieOmaggi, TheAccountIsCheckedWhenTypedAndAgainWhenStored)
{
    TFDBChild *f = Apri();
    ASSERT_NE(f, nullptr);
    TDataSet *t = f->MainDataSet();
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdTipologia"), QStringLiteral("001")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsTipologia"), QStringLiteral("Omaggi clienti")));

    // never typed: refused at the store, both cases named
    Premi(f, nbPost);
    EXPECT_EQ(script.LastText(), Rifiuto);
    EXPECT_EQ(t->State(), dsInsert);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_TipologieOmaggiArt")), 0);

    // an unknown account is refused as it is typed; the field keeps what it had
    script.ClearMessages();
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("99999999")));
    EXPECT_EQ(script.LastText(), Rifiuto);
    EXPECT_EQ(t->FieldByName(QStringLiteral("IdConto"))->AsString(), QString());

    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("60900001")));
    EXPECT_EQ(Nome(f), QStringLiteral("Omaggi a clienti"));
    Premi(f, nbPost);
    ASSERT_EQ(t->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT IdConto FROM LUMO_TipologieOmaggiArt WHERE IdTipologia = '001'")).toString(),
        QStringLiteral("60900001"));

    // emptied while typing: refused too
    script.ClearMessages();
    Premi(f, nbEdit);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdConto"), QString()));
    EXPECT_EQ(script.LastText(), Rifiuto);
    Premi(f, nbCancel);
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT IdConto FROM LUMO_TipologieOmaggiArt WHERE IdTipologia = '001'")).toString(),
        QStringLiteral("60900001"));
}

TEST_F(TipologieOmaggi, AnAccountCreatedAfterTheAccountsWereReadIsAccepted)
{
    TFDBChild *f = Apri();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdTipologia"), QStringLiteral("002")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("60900002")));
    ASSERT_TRUE(TDMIBase::Crea()->lkConti->Active()) << "the accounts were read";

    // written by another user: the lookup does not know it until it reads again
    Conto(QStringLiteral("CG"), QStringLiteral("60900009"), QStringLiteral("Omaggi fiere"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("60900009"))) << script.LastText().toStdString();
    EXPECT_EQ(Nome(f), QStringLiteral("Omaggi fiere"));
    Premi(f, nbPost);
    EXPECT_EQ(f->MainDataSet()->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_TipologieOmaggiArt"), QStringLiteral("IdConto = '60900009'")), 1);
}

TEST_F(TipologieOmaggi, ADescriptionChangeIsRefusedOnceItsAccountIsRemoved)
{
    Db().ExecSQL(QStringLiteral(
        "INSERT INTO LUMO_TipologieOmaggiArt (IdTipologia, DsTipologia, IdConto) VALUES ('003', 'Fiere', '60900002')"));
    TFDBChild *f = Apri();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Nome(f), QStringLiteral("Omaggi di rappresentanza"));

    // removed by another user while the window is open
    Db().ExecSQL(QStringLiteral("DELETE FROM PianoConti WHERE IdConto = '60900002'"));
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsTipologia"), QStringLiteral("Fiere e saloni")));
    Premi(f, nbPost);
    EXPECT_EQ(script.LastText(), Rifiuto);
    EXPECT_EQ(f->MainDataSet()->State(), dsEdit);
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT DsTipologia FROM LUMO_TipologieOmaggiArt WHERE IdTipologia = '003'")).toString(),
        QStringLiteral("Fiere"));

    // another account, and the change goes through
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("60900001")));
    Premi(f, nbPost);
    EXPECT_EQ(f->MainDataSet()->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT DsTipologia FROM LUMO_TipologieOmaggiArt WHERE IdTipologia = '003'")).toString(),
        QStringLiteral("Fiere e saloni"));
}

TEST_F(TipologieOmaggi, AnEmptyCodeIsRefused)
{
    TFDBChild *f = Apri();
    ASSERT_NE(f, nullptr);
    TDataSet *t = f->MainDataSet();
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdTipologia"), QStringLiteral("  ")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsTipologia"), QStringLiteral("Omaggi clienti")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("60900001")));
    Premi(f, nbPost);
    EXPECT_EQ(script.LastText(), QStringLiteral("Il campo '%1' non è impostato: indicarlo prima di registrare.")
                                     .arg(t->FieldByName(QStringLiteral("IdTipologia"))->DisplayLabel()));
    EXPECT_EQ(t->State(), dsInsert);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_TipologieOmaggiArt")), 0);
}

} // namespace
