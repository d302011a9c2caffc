// The articles window beyond the common maintenance: codes of other tables checked as they
// are typed, deleting an article that documents or movements use, its prices going with it,
// the search taking quotes and "%" literally, and the window opened on a code.
#include "tests/host/business/FinestreFixture.h"

#include "host/business/Fbbas0055f.h"
#include "host/data/TDataSource.h"
#include "host/data/TXQuery.h"
#include "host/db/Dictionary.h"
#include "host/ui/SearchDialog.h"

#include <QLabel>

using namespace kv8test;

namespace {

class Articoli : public Finestre {
protected:
    void SetUp() override
    {
        Finestre::SetUp();
        if (IsSkipped())
            return;
        TXDatabase &db = company.Database();
        db.ExecSQL(QStringLiteral(
            "INSERT INTO CategorieMerc (IdCategoria, DsCategoria) VALUES ('VINI', 'Vini in bottiglia')"));
        db.ExecSQL(QStringLiteral("INSERT INTO UnitaMisura (IdUM, DsUM) VALUES ('BT', 'Bottiglie')"));
        db.ExecSQL(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES ('C06', 'Cartone da 6')"));
        Articolo(QStringLiteral("ART1"));
    }
    void Articolo(const QString &codice)
    {
        company.Database().ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto) VALUES (?, ?)"),
                                   {codice, QStringLiteral("Articolo ") + codice});
    }
    TFbbas0055f *ApriArticoli(const QString &code = QStringLiteral("BBAS0055F")) { return Apri<TFbbas0055f>(code); }
};

} // namespace

TEST_F(Articoli, CodesOfOtherTablesMustExistWhenTyped)
{
    TFbbas0055f *f = ApriArticoli();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("ART2")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdCategoria"), QStringLiteral("NO'PE")));
    EXPECT_EQ(
        script.LastText(),
        QStringLiteral("Il codice NO'PE non esiste in Categorie merceologiche: sceglierne uno con la ricerca (F4)."));
    EXPECT_TRUE(f->TArticoli->FieldByName(QStringLiteral("IdCategoria"))->AsString().isEmpty());
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCategoria"), QStringLiteral("VINI")));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbDsIdCategoria"))->text(), QStringLiteral("Vini in bottiglia"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdUM1"), QStringLiteral("BT")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdUM2"), QStringLiteral("KG")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdUM2"), QString())) << "an empty code is accepted";
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdImballo"), QStringLiteral("C12")));
    EXPECT_EQ(f->PageControl->currentWidget(), f->tsProdotto) << "the packaging is on the product page";
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdImballo"), QStringLiteral("C06")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQtaImballo"), QStringLiteral("6")));
    Premi(f, nbPost);
    ASSERT_EQ(f->TArticoli->State(), dsBrowse);
    EXPECT_EQ(Valore(QStringLiteral("SELECT IdCategoria FROM Articoli WHERE IdProdotto = 'ART2'")).toString(),
              QStringLiteral("VINI"));
    EXPECT_EQ(Valore(QStringLiteral("SELECT IdImballo FROM Articoli WHERE IdProdotto = 'ART2'")).toString(),
              QStringLiteral("C06"));
    EXPECT_EQ(Valore(QStringLiteral("SELECT QtaImballo FROM Articoli WHERE IdProdotto = 'ART2'")).toDouble(), 6.0);

    // a code removed meanwhile by someone else cannot be typed any more
    company.Database().ExecSQL(QStringLiteral("DELETE FROM UnitaMisura WHERE IdUM = 'BT'"));
    Premi(f, nbEdit);
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdUM1"), QStringLiteral("BT")));
}

TEST_F(Articoli, AnArticleInUseIsNotDeletedAndTheMessageSaysWhere)
{
    TXDatabase &db = company.Database();
    db.ExecSQL(QStringLiteral("INSERT INTO MovMagazzino (KMovMag, IdProdotto, IdCausale) VALUES (1, 'ART1', 'VEN')"));
    db.ExecSQL(QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, IdProdotto) VALUES (1, 1, 'ART1')"));
    TFbbas0055f *f = ApriArticoli();
    ASSERT_TRUE(f->TArticoli->Locate(QStringLiteral("IdProdotto"), QStringLiteral("ART1")));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    const QString righe = Dictionary::Instance().Table(QStringLiteral("BolleCliRighe"))->label;
    const QString movimenti = Dictionary::Instance().Table(QStringLiteral("MovMagazzino"))->label;
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Codice ART1 usato in %1, %2: impossibile cancellarlo").arg(righe, movimenti));
    EXPECT_EQ(Conta(QStringLiteral("Articoli"), QStringLiteral("IdProdotto = 'ART1'")), 1);

    // once the movement and the row are gone, it goes
    db.ExecSQL(QStringLiteral("DELETE FROM MovMagazzino"));
    db.ExecSQL(QStringLiteral("DELETE FROM BolleCliRighe"));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("Articoli"), QStringLiteral("IdProdotto = 'ART1'")), 0);
}

TEST_F(Articoli, DeletingAnArticleDeletesItsPricesOnly)
{
    Articolo(QStringLiteral("ART2"));
    TXDatabase &db = company.Database();
    db.ExecSQL(QStringLiteral("INSERT INTO TipiListino (IdListino, DsListino) VALUES ('L01', 'Dettaglio')"));
    for (const char *a : {"ART1", "ART2"})
        db.ExecSQL(QStringLiteral(
                       "INSERT INTO Listini (IdListino, IdProdotto, IdDivisa, Prezzo) VALUES ('L01', ?, 'EUR', 10)"),
                   {QLatin1String(a)});
    TFbbas0055f *f = ApriArticoli();
    ASSERT_TRUE(f->TArticoli->Locate(QStringLiteral("IdProdotto"), QStringLiteral("ART1")));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("Articoli"), QStringLiteral("IdProdotto = 'ART1'")), 0);
    EXPECT_EQ(Conta(QStringLiteral("Listini"), QStringLiteral("IdProdotto = 'ART1'")), 0);
    EXPECT_EQ(Conta(QStringLiteral("Listini"), QStringLiteral("IdProdotto = 'ART2'")), 1);

    // the price-list type still has ART2's price: it stays
    TFDBTabChild *listini = Apri(QStringLiteral("BBAS0030F"));
    ASSERT_NE(listini, nullptr);
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(listini, nbDelete);
    EXPECT_TRUE(script.LastText().startsWith(QStringLiteral("Codice L01 usato in Listini articoli")));
    EXPECT_EQ(Conta(QStringLiteral("TipiListino")), 1);
}

TEST_F(Articoli, TheSearchTakesQuotesAndPercentLiterally)
{
    for (const char *codice : {"A'%1", "AB1", "A'X", "A_1"})
        Articolo(QString::fromUtf8(codice));
    TFbbas0055f *f = ApriArticoli();
    QStringList trovati;
    auto cerca = [&](const QString &testo) {
        script.OnDialog(QStringLiteral("TfdlgRicerca"), [&trovati, testo](TForm &dialog) {
            auto *r = qobject_cast<TfdlgRicerca *>(&dialog);
            EXPECT_NE(r, nullptr);
            r->edRicerca->setText(testo);
            trovati.clear();
            for (r->qRicerca->First(); !r->qRicerca->Eof(); r->qRicerca->Next())
                trovati << r->qRicerca->Fields(0)->AsString();
            r->btOk->click();
            return int(mrOk);
        });
        f->btRicerca->click();
        ProcessEvents();
    };
    cerca(QStringLiteral("a'%"));
    EXPECT_EQ(trovati, QStringList{QStringLiteral("A'%1")});
    EXPECT_EQ(f->TArticoli->FieldByName(QStringLiteral("IdProdotto"))->AsString(), QStringLiteral("A'%1"));
    cerca(QStringLiteral("A_"));
    EXPECT_EQ(trovati, QStringList{QStringLiteral("A_1")});
    EXPECT_EQ(f->TArticoli->FieldByName(QStringLiteral("IdProdotto"))->AsString(), QStringLiteral("A_1"));
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
}

TEST_F(Articoli, AMenuCodeWithACodeOpensTheWindowOnIt)
{
    Articolo(QStringLiteral("ART2"));
    TFbbas0055f *f = ApriArticoli(QStringLiteral("BBAS0055F;ART2"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->TArticoli->FieldByName(QStringLiteral("IdProdotto"))->AsString(), QStringLiteral("ART2"));
    EXPECT_EQ(f->PageControl->currentWidget(), f->tsAnagrafica);
    EXPECT_EQ(Fbbas0055f, f);

    // one window: the next choice moves it
    EXPECT_EQ(ApriArticoli(QStringLiteral("BBAS0055F;ART1")), f);
    EXPECT_EQ(main->ChildCount(), 1);
    EXPECT_EQ(f->TArticoli->FieldByName(QStringLiteral("IdProdotto"))->AsString(), QStringLiteral("ART1"));
    ApriArticoli(QStringLiteral("BBAS0055F;NESSUNO"));
    EXPECT_EQ(f->TArticoli->FieldByName(QStringLiteral("IdProdotto"))->AsString(), QStringLiteral("ART1"));

    f->Close();
    ProcessEvents();
    EXPECT_TRUE(Fbbas0055f.isNull());
}

TEST_F(Articoli, TheHostPagesAndTheirControls)
{
    TFbbas0055f *f = ApriArticoli();
    QStringList pagine;
    for (int i = 0; i < f->PageControl->count(); ++i)
        pagine << f->PageControl->tabText(i);
    EXPECT_EQ(pagine, (QStringList{"Elenco", "Anagrafica", "Dati prodotto", "Note"}));
    EXPECT_EQ(f->tsDettaglio, f->tsAnagrafica);
    EXPECT_EQ(f->lbFlTipoMisure->parentWidget(), f->pnProdotto);
    EXPECT_EQ(f->cbFlTipoMisure->count(), 3) << "the measures from the dictionary";
    EXPECT_EQ(f->edIdImballo->TabellaRicerca, QStringLiteral("Imballi"));
    EXPECT_EQ(f->edIdImballo->CodiceMenu, QStringLiteral("BBAS0019F"));
    EXPECT_EQ(f->edQtaImballo->DataField(), QStringLiteral("QtaImballo"));
    EXPECT_EQ(f->Caption(), QStringLiteral("Anagrafica Articoli"));
}
