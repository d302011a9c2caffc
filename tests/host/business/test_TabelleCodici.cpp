// The code-table window: a currency with its exchange rates and a payment with its
// instalments kept in the grid below, the values each table accepts, banks keyed by two
// codes, codes of other tables searched and checked.
#include "tests/host/business/FinestreFixture.h"

#include "host/business/TabellaCodici.h"
#include "host/db/Dictionary.h"
#include "host/ui/DBGrid.h"

#include <QDate>
#include <QLabel>

using namespace kv8test;

namespace {

class CodiciTabelle : public Finestre {
protected:
    TFTabellaCodici *ApriTabella(const QString &code) { return Apri<TFTabellaCodici>(code); }

    static void PremiDettaglio(TFTabellaCodici *f, TNavigateBtn pulsante)
    {
        f->NavDettaglio->Button(pulsante)->click();
        ProcessEvents();
    }
    // A row typed in the grid below: the cell values go into the row's fields.
    void Riga(TFTabellaCodici *f, const QVariantMap &valori)
    {
        PremiDettaglio(f, nbInsert);
        ASSERT_EQ(f->tDettaglio->State(), dsInsert) << script.LastText().toStdString();
        for (auto it = valori.begin(); it != valori.end(); ++it)
            f->tDettaglio->FieldByName(it.key())->SetValue(it.value());
        PremiDettaglio(f, nbPost);
    }
};

} // namespace

TEST_F(CodiciTabelle, ACurrencyWithItsRates)
{
    TFTabellaCodici *f = ApriTabella(QStringLiteral("BBAS0011F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Divise e Cambi"));
    ASSERT_NE(f->GrigliaDettaglio, nullptr);
    EXPECT_EQ(f->GrigliaDettaglio->ColumnByField(QStringLiteral("IdDivisa")), nullptr) << "the link is not shown";

    // a rate typed while the currency is new: the currency is saved first
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdDivisa"), QStringLiteral("USD")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsDivisa"), QStringLiteral("Dollaro USA")));
    PremiDettaglio(f, nbInsert);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("Divise"), QStringLiteral("IdDivisa = 'USD'")), 1);
    ASSERT_EQ(f->tDettaglio->State(), dsInsert);
    EXPECT_EQ(f->tDettaglio->FieldByName(QStringLiteral("IdDivisa"))->AsString(), QStringLiteral("USD"));
    EXPECT_EQ(f->tDettaglio->FieldByName(QStringLiteral("DataCambio"))->AsDateTime().date(), QDate::currentDate());
    f->tDettaglio->FieldByName(QStringLiteral("DataCambio"))->SetAsDateTime(QDateTime(QDate(2026, 1, 2), QTime()));
    f->tDettaglio->FieldByName(QStringLiteral("Cambio"))->SetAsFloat(0.855);
    PremiDettaglio(f, nbPost);
    ASSERT_EQ(f->tDettaglio->State(), dsBrowse) << script.LastText().toStdString();

    // a rate of zero or less is refused, so is a second rate of the same day
    Riga(f, {{"DataCambio", QDateTime(QDate(2026, 2, 2), QTime())}, {"Cambio", 0.0}});
    EXPECT_EQ(
        script.LastText(),
        QStringLiteral("Il cambio deve essere maggiore di zero: indicare quanti euro vale un'unità della divisa."));
    PremiDettaglio(f, nbCancel);
    Riga(f, {{"DataCambio", QDateTime(QDate(2026, 1, 2), QTime())}, {"Cambio", 0.9}});
    EXPECT_EQ(script.LastText(), QStringLiteral("Il codice 02/01/2026 è già presente in %1: sceglierne un altro.")
                                     .arg(Dictionary::Instance().Table(QStringLiteral("Cambi"))->label));
    PremiDettaglio(f, nbCancel);
    Riga(f, {{"DataCambio", QDateTime(QDate(2026, 3, 2), QTime())}, {"Cambio", 0.87}});
    EXPECT_EQ(Conta(QStringLiteral("Cambi"), QStringLiteral("IdDivisa = 'USD'")), 2);

    // the currency decimals stay within what amounts can hold
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDecValore"), QStringLiteral("9")));
    Premi(f, nbPost);
    EXPECT_TRUE(script.LastText().endsWith(QStringLiteral("deve essere fra 0 e 6: correggerlo prima di salvare.")));
    Premi(f, nbCancel);

    // used by a customer: kept; once free, it goes with its rates
    company.Database().ExecSQL(
        QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, IdDivisa) VALUES ('CL', 'C1', 'USD')"));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(script.LastText(), QStringLiteral("Codice USD usato in Clienti: impossibile cancellarlo"));
    EXPECT_EQ(Conta(QStringLiteral("Cambi")), 2);
    company.Database().ExecSQL(QStringLiteral("DELETE FROM Clienti"));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("Divise")), 0);
    EXPECT_EQ(Conta(QStringLiteral("Cambi")), 0);
    EXPECT_EQ(f->tDettaglio->RecordCount(), 0);
}

TEST_F(CodiciTabelle, APaymentWithItsInstalments)
{
    TXDatabase &db = company.Database();
    db.ExecSQL(QStringLiteral(
        "INSERT INTO TipiMovPagamento (IdTipoMovimento, DsTipoMovimento) VALUES ('RB', 'Ricevuta bancaria')"));
    db.ExecSQL(QStringLiteral("INSERT INTO Pagamenti (IdPagamento, DsPagamento) VALUES ('RD', 'Rimessa diretta')"));
    TFTabellaCodici *f = ApriTabella(QStringLiteral("BBAS0013F"));
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdPagamento"), QStringLiteral("RB36")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsPagamento"), QStringLiteral("Ri.Ba. 30-60 gg")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdTipoMovimento"), QStringLiteral("XX")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Il codice XX non esiste in %1: sceglierne uno con la ricerca (F4).")
                                     .arg(Dictionary::Instance().Table(QStringLiteral("TipiMovPagamento"))->label));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdTipoMovimento"), QStringLiteral("RB")));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbDsIdTipoMovimento"))->text(), QStringLiteral("Ricevuta bancaria"));
    EXPECT_EQ(f->Control<TDBCodeEdit>(QStringLiteral("edIdTipoMovimento"))->CodiceMenu, QStringLiteral("BBAS0022F"));
    EXPECT_EQ(f->Control<TDBCodeEdit>(QStringLiteral("edIdPagamentoAlt"))->TabellaRicerca, QStringLiteral("Pagamenti"));
    Premi(f, nbPost);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();

    Riga(f, {{"Decorrenza", 30}, {"IdTipoMovimento", QStringLiteral("RB")}, {"Percentuale", 50.0}});
    Riga(f, {{"Decorrenza", 60}, {"IdTipoMovimento", QStringLiteral("RB")}, {"Percentuale", 50.0}});
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT Decorrenza FROM PagamentiD WHERE IdPagamento = 'RB36' AND NumRata = 2")).toInt(),
        60)
        << "the instalments are numbered in turn";
    PremiDettaglio(f, nbInsert);
    EXPECT_THROW(f->tDettaglio->FieldByName(QStringLiteral("IdTipoMovimento"))->SetAsString(QStringLiteral("ZZ")),
                 Exception);
    f->tDettaglio->FieldByName(QStringLiteral("Percentuale"))->SetAsFloat(150);
    PremiDettaglio(f, nbPost);
    EXPECT_EQ(script.LastText(), QStringLiteral("Percentuale deve essere fra 0 e 100: correggerlo prima di salvare."));
    PremiDettaglio(f, nbCancel);

    // moving to another payment shows its own instalments
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("IdPagamento"), QStringLiteral("RD")));
    EXPECT_EQ(f->tDettaglio->RecordCount(), 0);
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("IdPagamento"), QStringLiteral("RB36")));
    EXPECT_EQ(f->tDettaglio->RecordCount(), 2);
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("PagamentiD")), 0);
    EXPECT_EQ(Conta(QStringLiteral("TipiMovPagamento")), 1) << "what the payment used stays";
}

TEST_F(CodiciTabelle, BanksAreKeyedByTwoCodes)
{
    TFTabellaCodici *f = ApriTabella(QStringLiteral("BBAS0023F"));
    ASSERT_NE(f, nullptr);
    for (int volta = 0; volta < 2; ++volta) { // the same bank and agency twice
        Premi(f, nbInsert);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdBanca"), QStringLiteral("08530")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdAgenzia"), QStringLiteral("47300")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsBanca"), QStringLiteral("Banca Colline")));
        Premi(f, nbPost);
    }
    EXPECT_EQ(script.LastText(), QStringLiteral("Il codice 47300 è già presente in Banche: sceglierne un altro."));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdAgenzia"), QStringLiteral("47301")));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("Banche"), QStringLiteral("IdBanca = '08530'")), 2);
    EXPECT_TRUE(f->Control<TDBEdit>(QStringLiteral("edIdBanca"))->isReadOnly());
}

TEST_F(CodiciTabelle, ValuesEachTableAccepts)
{
    TFTabellaCodici *iva = ApriTabella(QStringLiteral("BBAS0012F"));
    Premi(iva, nbInsert);
    EXPECT_TRUE(Scrivi(iva, QStringLiteral("edIdIva"), QStringLiteral("22")));
    EXPECT_TRUE(Scrivi(iva, QStringLiteral("edAliquota"), QStringLiteral("122")));
    Premi(iva, nbPost);
    EXPECT_EQ(script.LastText(), QStringLiteral("Aliquota % deve essere fra 0 e 100: correggerlo prima di salvare."));
    EXPECT_TRUE(Scrivi(iva, QStringLiteral("edAliquota"), QStringLiteral("22")));
    Premi(iva, nbPost);
    EXPECT_EQ(Valore(QStringLiteral("SELECT Aliquota FROM CodiciIva WHERE IdIva = '22'")).toDouble(), 22.0);
    EXPECT_NE(iva->FindControl<TDBCheckBox>(QStringLiteral("chFlOmaggio")), nullptr) << "flags as check boxes";

    TFTabellaCodici *agenti = ApriTabella(QStringLiteral("BBAS0016F"));
    Premi(agenti, nbInsert);
    EXPECT_TRUE(Scrivi(agenti, QStringLiteral("edIdAgente"), QStringLiteral("AG1")));
    EXPECT_TRUE(Scrivi(agenti, QStringLiteral("edProvvigione"), QStringLiteral("-5")));
    Premi(agenti, nbPost);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Provvigione % deve essere fra 0 e 100: correggerlo prima di salvare."));
    EXPECT_EQ(Conta(QStringLiteral("Agenti")), 0);
    EXPECT_EQ(main->ChildCount(), 2);
}

TEST_F(CodiciTabelle, EveryCodeTableOpensFromItsMenuCode)
{
    for (const TTabellaCodici &t : TabelleCodici::Elenco()) {
        SCOPED_TRACE(t.Codice.toStdString());
        TFTabellaCodici *f = ApriTabella(t.Codice);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Configurazione().Tabella, t.Tabella);
        EXPECT_TRUE(f->tMain->Active());
        EXPECT_EQ(TabelleCodici::CodiceMenu(t.Tabella), t.Codice);
        EXPECT_EQ(ApriTabella(t.Codice), f) << "one window per code";
    }
    EXPECT_EQ(main->ChildCount(), TabelleCodici::Elenco().size());
    EXPECT_EQ(TabelleCodici::CodiceMenu(QStringLiteral("Clienti")), QStringLiteral("BBAS0051F"));
    EXPECT_TRUE(TabelleCodici::CodiceMenu(QStringLiteral("Nessuna")).isEmpty());
}
