// The transport price-list window opened from its menu code: a list with its reference and
// article rows in two buffers, drawn keys, the field and row checks, the searches' filters,
// deletions and failures in the middle of a save.
#include "tests/module/masterdata/TrasportoFixture.h"

#include "host/core/Applvar.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/ui/DBGrid.h"
#include "masterdata/Qarn0014d.h"
#include "masterdata/Qarn0014f.h"

#include <QDir>
#include <QMdiSubWindow>
#include <QSet>
#include <QTabWidget>

using namespace kv8test;

namespace {

const QString Registrazione = QStringLiteral("Conferma Registrazione ?");
const QString Cancellazione = QStringLiteral("Conferma Cancellazione ?");

class ListiniTrasporto : public Trasporto {
protected:
    void SetUp() override
    {
        Trasporto::SetUp();
        if (IsSkipped())
            return;
        l1 = Listino(QStringLiteral("NORD"), QStringLiteral("Listino nord"), QDate(2026, 1, 1), QDate(2026, 12, 31));
        r1 = Riferimento(l1, QStringLiteral("S01"), QString(), QString(), 0, 1, 25, 0);
        r2 = Riferimento(l1, QString(), QStringLiteral("Z1"), QString(), 0, 0, 0, 0);
        a1 = Articolo(l1, QStringLiteral("ROSSI"), QString(), 1, 0.5, QDate(2026, 1, 1), QDate(2026, 6, 30));
        a2 = Articolo(l1, QString(), QStringLiteral("BAR75"), 0, 0.12, QDate(2026, 1, 1), QDate(2026, 12, 31));
    }

    TFqarn0014f *Finestra() { return Apri<TFqarn0014f>(QStringLiteral("QARN0014F")); }
    static void Vai(TFqarn0014f *f, int listino)
    {
        ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KListTraT"), listino));
    }
    void Salva(TFqarn0014f *f)
    {
        script.Yes(Registrazione);
        Premi(f, nbPost);
    }
    // A reference row added with its values ("" leaves a field as it is).
    static void AggiungiRif(TFqarn0014f *f, const QString &spedizione, const QString &zona, const QString &conto,
                            int destinazione = 0)
    {
        TXTable *t = f->TTDettaglio;
        t->Append();
        if (!spedizione.isEmpty())
            t->FieldByName(QStringLiteral("IdSpedizione"))->SetAsString(spedizione);
        if (!zona.isEmpty())
            t->FieldByName(QStringLiteral("IdZona"))->SetAsString(zona);
        if (!conto.isEmpty())
            t->FieldByName(QStringLiteral("IdConto"))->SetAsString(conto);
        if (destinazione)
            t->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(destinazione);
        t->Post();
    }
    static void AggiungiArt(TFqarn0014f *f, const QString &categoria, const QString &prodotto, double prezzo)
    {
        TXTable *t = f->TTListTraR;
        t->Append();
        if (!categoria.isEmpty())
            t->FieldByName(QStringLiteral("IdCategoria"))->SetAsString(categoria);
        if (!prodotto.isEmpty())
            t->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(prodotto);
        t->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(prezzo);
        t->Post();
    }
    // Stored rows of a list: "key/carrier/zone/account/amount" and "key/category/article/price".
    QStringList Riferimenti(int listino)
    {
        return Elenco(
            QStringLiteral("SELECT KListTraD, IdSpedizione, IdZona, IdConto, SpeseTrasporto FROM LUMO_ListTraD "
                           "WHERE KListTraT = ? ORDER BY KListTraD"),
            {listino});
    }
    QStringList Articoli(int listino)
    {
        return Elenco(QStringLiteral("SELECT KListTraR, IdCategoria, IdProdotto, Prezzo FROM LUMO_ListTraR "
                                     "WHERE KListTraT = ? ORDER BY KListTraR"),
                      {listino});
    }

    int l1 = 0, r1 = 0, r2 = 0, a1 = 0, a2 = 0;
};

} // namespace

TEST_F(ListiniTrasporto, OpensOnlyWhenTransportIsOnAtOne)
{
    Abilita(2);
    EXPECT_FALSE(EseguiScelta(Mdimainbase::MDIForm, u"QARN0014F"));
    EXPECT_TRUE(Fqarn0014f.isNull());
    EXPECT_TRUE(EseguiScelta(Mdimainbase::MDIForm, u"QARN0014D"));
    EXPECT_TRUE(script.Messages().isEmpty());
    ASSERT_FALSE(Fqarn0014d.isNull());
    EXPECT_TRUE(Fqarn0014d->Close());
    ProcessEvents();

    Abilita(1);
    EXPECT_TRUE(EseguiScelta(Mdimainbase::MDIForm, u"QARN0014F")) << script.LastText().toStdString();
    EXPECT_FALSE(Fqarn0014f.isNull());
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Gestione Listini di Trasporto"));
    EXPECT_EQ(f->Control<QTabWidget>(QStringLiteral("pcDettaglio"))->currentWidget()->objectName(),
              QStringLiteral("tsRiferimenti"));
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);
    EXPECT_EQ(f->DSListTraR->DataSet(), f->qListTraR);
    EXPECT_FALSE(f->Control(QStringLiteral("pnRiga"))->isEnabled());
    EXPECT_FALSE(f->Control(QStringLiteral("pnRigaR"))->isEnabled());
    // the stored rows of the list in the buffers' order, with the names beside the codes
    Vai(f, l1);
    EXPECT_EQ(f->qDettaglio->RecordCount(), 2);
    f->qDettaglio->First();
    EXPECT_EQ(f->qDettaglio->FieldByName(QStringLiteral("IdZona"))->AsString(), QStringLiteral("Z1"))
        << "no carrier first";
    ASSERT_EQ(f->qListTraR->RecordCount(), 2);
    f->qListTraR->First();
    EXPECT_EQ(f->qListTraR->FieldByName(QStringLiteral("DsProdotto"))->AsString(), QStringLiteral("Barbera 0,75"));
    f->qListTraR->Next();
    EXPECT_EQ(f->qListTraR->FieldByName(QStringLiteral("DsCategoria"))->AsString(), QStringLiteral("Vini rossi"));
    auto *griglia = f->Control<KDBGriglia>(QStringLiteral("GrigliaDettaglio"));
    ASSERT_EQ(griglia->ColumnCount(), 9);
    EXPECT_EQ(griglia->Columns(8).Title, QStringLiteral("Ragione Sociale Destinatario"));
}

TEST_F(ListiniTrasporto, AListIsNotSavedWithoutItsCodeNorWithAValidityEndingBeforeItStarts)
{
    const QString rifiuto = QStringLiteral("Il campo 'Codice' non è impostato: indicarlo prima di registrare.");
    const QString invertito = QStringLiteral("La data iniziale supera quella finale: correggere l'intervallo.");
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    const int teste = Conta(QStringLiteral("LUMO_ListTraT"));
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsListTra"), QStringLiteral("Senza codice")));
    AggiungiRif(f, QStringLiteral("S01"), QString(), QString());
    Salva(f);
    EXPECT_EQ(script.LastText(), rifiuto);
    EXPECT_EQ(f->tMain->State(), dsInsert) << "the user's work kept";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ListTraT")), teste);

    // with its code, a validity ending before it starts: refused in the head and in an
    // article row, which takes the head's dates
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListTra"), QStringLiteral("SUD")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataInizio"), QStringLiteral("30/04/2026")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataFine"), QStringLiteral("01/04/2026")));
    f->TTListTraR->Append();
    f->TTListTraR->FieldByName(QStringLiteral("IdCategoria"))->SetAsString(QStringLiteral("ROSSI"));
    EXPECT_THROW(f->TTListTraR->Post(), Exception);
    f->TTListTraR->Cancel();
    Premi(f, nbPost);
    EXPECT_EQ(script.LastText(), invertito);
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ListTraT")), teste);
    // one day is a period
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataFine"), QStringLiteral("30/04/2026")));
    AggiungiArt(f, QStringLiteral("ROSSI"), QString(), 0.4);
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ListTraT")), teste + 1);

    // a stored list whose code is blanked keeps it
    Vai(f, l1);
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListTra"), QStringLiteral("   ")));
    script.ClearMessages();
    Salva(f);
    EXPECT_EQ(script.LastText(), rifiuto);
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdListTra FROM LUMO_ListTraT WHERE KListTraT = ?"), {l1}),
              QStringList{"NORD"});
}

TEST_F(ListiniTrasporto, ANewListGetsDrawnKeysForItsHeadAndEveryRow)
{
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    f->Control<QTabWidget>(QStringLiteral("pcDettaglio"))->setCurrentIndex(1);
    Premi(f, nbInsert);
    ASSERT_EQ(f->tMain->State(), dsInsert);
    const int chiave = f->tMain->FieldByName(QStringLiteral("KListTraT"))->AsInteger();
    EXPECT_GT(chiave, l1) << "the head's key exists at insert";
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdDivisa"))->AsString(), CFG.IdDivisa);
    EXPECT_EQ(f->Control<QTabWidget>(QStringLiteral("pcDettaglio"))->currentWidget()->objectName(),
              QStringLiteral("tsRiferimenti"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListTra"), QStringLiteral("SUD")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataInizio"), QStringLiteral("01/03/2026")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataFine"), QStringLiteral("30/09/2026")));
    AggiungiRif(f, QStringLiteral("S01"), QString(), QString());
    AggiungiRif(f, QStringLiteral("S02"), QString(), QStringLiteral("C001"), 1);
    AggiungiArt(f, QStringLiteral("ROSSI"), QString(), 0.4);
    AggiungiArt(f, QString(), QStringLiteral("ARN75"), 0.2);
    // an article row takes the head's dates; later changes of the head leave it alone
    EXPECT_EQ(f->TTListTraR->FieldByName(QStringLiteral("DataInizio"))->AsDateTime().date(), QDate(2026, 3, 1));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataFine"), QStringLiteral("31/10/2026")));
    EXPECT_EQ(f->TTListTraR->FieldByName(QStringLiteral("DataFine"))->AsDateTime().date(), QDate(2026, 9, 30));
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ListTraT"), QStringLiteral("KListTraT = ? AND IdListTra = 'SUD'"), {chiave}),
              1);
    QSet<QString> chiavi;
    const QStringList rif = Riferimenti(chiave);
    const QStringList art = Articoli(chiave);
    ASSERT_EQ(rif.size(), 2);
    ASSERT_EQ(art.size(), 2);
    for (const QString &r : rif + art) {
        EXPECT_NE(r.section(u'/', 0, 0), QStringLiteral("0")) << r.toStdString();
        chiavi.insert(r.section(u'/', 0, 0) + (rif.contains(r) ? u'D' : u'R'));
    }
    EXPECT_EQ(chiavi.size(), 4);
    EXPECT_EQ(
        Conta(QStringLiteral("LUMO_ListTraD"), QStringLiteral("KListTraT = ? AND KListTraD IN (?, ?)"), {l1, r1, r2}),
        2);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdContoTp FROM LUMO_ListTraD WHERE KListTraT = ? AND IdConto = 'C001'"),
                     {chiave}),
              QStringList{"CL"});

    // found again on the next edit: one modified, one deleted, exactly those change
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("IdSpedizione")), (QStringList{"S01/0", "S02/0"}));
    EXPECT_EQ(Righe(f->bListTraR, QStringLiteral("IdCategoria;IdProdotto")), (QStringList{"/ARN75/0", "ROSSI//0"}));
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdSpedizione"), QStringLiteral("S01")));
    f->TTDettaglio->Edit();
    f->TTDettaglio->FieldByName(QStringLiteral("FlTipoGest"))->SetAsInteger(1);
    f->TTDettaglio->FieldByName(QStringLiteral("SpeseTrasporto"))->SetAsFloat(12.5);
    f->TTDettaglio->Post();
    ASSERT_TRUE(f->TTListTraR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("ARN75")));
    script.Yes(Cancellazione);
    f->Control<TDBNavigator>(QStringLiteral("navListTraR"))->Button(nbDelete)->click();
    ProcessEvents();
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    QStringList attesi = rif;
    for (QString &r : attesi)
        if (r.section(u'/', 1, 1) == QLatin1String("S01"))
            r = r.section(u'/', 0, 3) + QStringLiteral("/12.5");
    EXPECT_EQ(Riferimenti(chiave), attesi);
    QStringList restano;
    for (const QString &r : art)
        if (!r.contains(QLatin1String("ARN75")))
            restano << r;
    EXPECT_EQ(Articoli(chiave), restano);
    EXPECT_EQ(Riferimenti(l1).size(), 2) << "another list untouched";
    EXPECT_EQ(Articoli(l1).size(), 2);
}

TEST_F(ListiniTrasporto, TheCurrencyMustExist)
{
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    TField *divisa = f->tMain->FieldByName(QStringLiteral("IdDivisa"));
    EXPECT_EQ(Rifiuto([&] { divisa->SetAsString(QStringLiteral("XXX")); }), QStringLiteral("Codice Divisa non Valido"));
    EXPECT_EQ(Rifiuto([&] { divisa->SetAsString(QString()); }), QStringLiteral("Codice Divisa non Valido"));
    EXPECT_EQ(divisa->AsString(), QStringLiteral("EUR"));
    EXPECT_EQ(Rifiuto([&] { divisa->SetAsString(QStringLiteral("USD")); }), QString());
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("SiglaDivisa"))->AsString(), QStringLiteral("$"));
}

TEST_F(ListiniTrasporto, ReferenceFieldsAreCheckedAgainstTheHostTables)
{
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, l1);
    Premi(f, nbEdit);
    TXTable *t = f->TTDettaglio;
    t->Append();
    const auto campo = [t](const char *nome) { return t->FieldByName(QLatin1String(nome)); };
    EXPECT_EQ(Rifiuto([&] { campo("IdSpedizione")->SetAsString(QStringLiteral("S99")); }),
              QStringLiteral("Codice Spedizioniere non valido"));
    EXPECT_EQ(Rifiuto([&] { campo("IdZona")->SetAsString(QStringLiteral("Z9")); }),
              QStringLiteral("Codice Zona non valido"));
    EXPECT_EQ(Rifiuto([&] { campo("IdConto")->SetAsString(QStringLiteral("F001")); }),
              QStringLiteral("Codice Cliente non Valido !"));
    // a destination before the account is taken, and refused at post
    EXPECT_EQ(Rifiuto([&] { campo("IdDestinazione")->SetAsInteger(7); }), QString());
    EXPECT_EQ(Rifiuto([&] { t->Post(); }), QStringLiteral("Codice destinatario senza codice cliente"));
    EXPECT_EQ(t->State(), dsInsert);
    EXPECT_EQ(Rifiuto([&] { campo("IdConto")->SetAsString(QStringLiteral("C001")); }), QString());
    EXPECT_EQ(Rifiuto([&] { campo("IdDestinazione")->SetAsInteger(3); }),
              QStringLiteral("Codice Destinatrio non valido"));
    EXPECT_EQ(Rifiuto([&] { campo("IdDestinazione")->SetAsInteger(1); }), QString());
    EXPECT_EQ(campo("RagioneSociale")->AsString(), QStringLiteral("Enoteca Alba"));
    // zone and account together
    EXPECT_EQ(Rifiuto([&] { campo("IdZona")->SetAsString(QStringLiteral("Z1")); }), QString());
    EXPECT_EQ(Rifiuto([&] { t->Post(); }),
              QStringLiteral("Incoerenza nei dati - togliere codice zona o codice cliente"));
    campo("IdZona")->SetAsString(QString());
    EXPECT_EQ(Rifiuto([&] { t->Post(); }), QString());
    EXPECT_EQ(f->bDettaglio->Stato(), srNuova);

    // suppliers' codes with the supplier type; any other type is not checked
    t->Append();
    campo("IdContoTp")->SetAsString(QStringLiteral("FO"));
    EXPECT_EQ(Rifiuto([&] { campo("IdConto")->SetAsString(QStringLiteral("C001")); }),
              QStringLiteral("Codice Fornitore non Valido !"));
    EXPECT_EQ(Rifiuto([&] { campo("IdConto")->SetAsString(QStringLiteral("F001")); }), QString());
    campo("IdContoTp")->SetAsString(QStringLiteral("XX"));
    EXPECT_EQ(Rifiuto([&] { campo("IdConto")->SetAsString(QStringLiteral("ZZZ")); }), QString());
    t->Cancel();

    // a row with only a carrier is accepted
    EXPECT_EQ(Rifiuto([&] { AggiungiRif(f, QStringLiteral("S02"), QString(), QString()); }), QString());
    // article rows
    TXTable *r = f->TTListTraR;
    r->Append();
    EXPECT_EQ(Rifiuto([&] { r->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("NONE")); }),
              QStringLiteral("Codice Articolo non Valido ! "));
    EXPECT_EQ(Rifiuto([&] { r->FieldByName(QStringLiteral("IdCategoria"))->SetAsString(QStringLiteral("NONE")); }),
              QStringLiteral("Codice Categoria Merceologica non valida !"));
    r->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(1);
    EXPECT_EQ(Rifiuto([&] { r->Post(); }), QStringLiteral("Specificare una categoria o un codice articolo "));
    r->Cancel();
}

TEST_F(ListiniTrasporto, TheWayOfChargingSwitchesTheAmounts)
{
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, l1);
    Premi(f, nbEdit);
    QWidget *spese = f->Control(QStringLiteral("edSpeseTrasporto"));
    QWidget *perc = f->Control(QStringLiteral("edPercSpesa"));
    EXPECT_EQ(f->TTDettaglio->FieldByName(QStringLiteral("IdZona"))->AsString(), QStringLiteral("Z1"));
    EXPECT_FALSE(spese->isEnabled()) << "the first row, charged per row, as loaded";
    EXPECT_FALSE(perc->isEnabled());
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdSpedizione"), QStringLiteral("S01")));
    EXPECT_TRUE(spese->isEnabled());
    EXPECT_TRUE(perc->isEnabled());
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdZona"), QStringLiteral("Z1")));
    EXPECT_FALSE(spese->isEnabled()) << "a row charged per row";
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdSpedizione"), QStringLiteral("S01")));
    f->TTDettaglio->Edit();
    f->TTDettaglio->FieldByName(QStringLiteral("PercSpesa"))->SetAsFloat(3);
    auto *tipo = f->Control<TDBComboBox>(QStringLiteral("cbFlTipoGest"));
    ASSERT_TRUE(tipo->SelectValue(0));
    EXPECT_EQ(f->TTDettaglio->FieldByName(QStringLiteral("SpeseTrasporto"))->AsFloat(), 0.0);
    EXPECT_EQ(f->TTDettaglio->FieldByName(QStringLiteral("PercSpesa"))->AsFloat(), 0.0);
    EXPECT_FALSE(spese->isEnabled());
    EXPECT_FALSE(perc->isEnabled());
    ASSERT_TRUE(tipo->SelectValue(1));
    EXPECT_TRUE(spese->isEnabled());
    EXPECT_TRUE(perc->isEnabled());
    EXPECT_EQ(f->TTDettaglio->FieldByName(QStringLiteral("SpeseTrasporto"))->AsFloat(), 0.0);
    f->TTDettaglio->Post();
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT FlTipoGest, SpeseTrasporto, PercSpesa FROM LUMO_ListTraD WHERE KListTraD = ?"),
               {r1}),
        QStringList{"1/0/0"});
}

TEST_F(ListiniTrasporto, AnUntouchedNewRowIsRefusedAtPostAndDroppedWhenLeft)
{
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, l1);
    Premi(f, nbEdit);
    // left by moving away: dropped without a word
    f->TTDettaglio->Append();
    f->TTDettaglio->First();
    f->TTListTraR->Append();
    f->TTListTraR->First();
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("KListTraD"), true).size(), 2);
    EXPECT_EQ(Righe(f->bListTraR, QStringLiteral("KListTraR"), true).size(), 2);
    EXPECT_TRUE(script.Messages().isEmpty());

    // posted: refused, since the row checks come before the drop
    f->TTDettaglio->Append();
    f->Control<TDBNavigator>(QStringLiteral("navDettaglio"))->Button(nbPost)->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Specificare una zona o uno spedizioniere o un cliente !"));
    EXPECT_EQ(f->TTDettaglio->State(), dsInsert);
    // a save request ends with the same refusal, nothing saved
    Premi(f, nbPost);
    EXPECT_EQ(script.LastText(), QStringLiteral("Specificare una zona o uno spedizioniere o un cliente !"));
    EXPECT_FALSE(script.Texts().contains(Registrazione));
    EXPECT_EQ(f->tMain->State(), dsEdit);
    f->TTDettaglio->Cancel();

    f->TTListTraR->Append();
    f->Control<TDBNavigator>(QStringLiteral("navListTraR"))->Button(nbPost)->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Specificare una categoria o un codice articolo "));
    f->TTListTraR->Cancel();
    Salva(f);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Riferimenti(l1).size(), 2);
}

TEST_F(ListiniTrasporto, ALoadedRowBreakingARowCheckStopsTheLoading)
{
    Riferimento(l1, QString(), QStringLiteral("Z2"), QStringLiteral("C001"), 0, 0, 0, 0);
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, l1);
    Premi(f, nbEdit);
    EXPECT_EQ(script.LastText(), QStringLiteral("Incoerenza nei dati - togliere codice zona o codice cliente"));
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);
    EXPECT_EQ(f->DSListTraR->DataSet(), f->qListTraR);
}

TEST_F(ListiniTrasporto, DeletingAListRemovesItsRowsAndHeadTogether)
{
    const int l2 =
        Listino(QStringLiteral("SUD"), QStringLiteral("Listino sud"), QDate(2026, 1, 1), QDate(2026, 12, 31));
    Riferimento(l2, QStringLiteral("S02"), QString(), QString(), 0, 0, 0, 0);
    Articolo(l2, QStringLiteral("BIANCHI"), QString(), 0, 0.3);
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    // a failure at the last article row keeps everything
    Vai(f, l1);
    int cancellati = 0;
    f->TRSListTraR->BeforeDelete = [&cancellati](TDataSet *) {
        if (++cancellati == 2)
            throw EDatabaseError(QStringLiteral("Cancellazione non riuscita: riprovare."));
    };
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(script.LastText(), QStringLiteral("Cancellazione non riuscita: riprovare."));
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Riferimenti(l1).size(), 2);
    EXPECT_EQ(Articoli(l1).size(), 2);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ListTraT"), QStringLiteral("KListTraT = ?"), {l1}), 1);

    f->TRSListTraR->BeforeDelete = nullptr;
    Vai(f, l1);
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ListTraT"), QStringLiteral("KListTraT = ?"), {l1}), 0);
    EXPECT_TRUE(Riferimenti(l1).isEmpty());
    EXPECT_TRUE(Articoli(l1).isEmpty());
    EXPECT_EQ(Riferimenti(l2).size(), 1);
    EXPECT_EQ(Articoli(l2).size(), 1);
}

TEST_F(ListiniTrasporto, AFailureInTheArticleRowsWritesNothing)
{
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    f->TRSListTraR->BeforePost = [](TDataSet *) {
        throw EDatabaseError(QStringLiteral("Scrittura non riuscita: riprovare."));
    };
    int rifScritti = 0;
    f->TRSDettaglio->AfterPost = [&rifScritti](TDataSet *) { ++rifScritti; };
    // a new list
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListTra"), QStringLiteral("EST")));
    AggiungiRif(f, QStringLiteral("S01"), QString(), QString());
    AggiungiArt(f, QStringLiteral("ROSSI"), QString(), 0.7);
    const int chiave = f->tMain->FieldByName(QStringLiteral("KListTraT"))->AsInteger();
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Scrittura non riuscita: riprovare."));
    EXPECT_EQ(rifScritti, 1) << "the reference row was written first";
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_ListTraT"), QStringLiteral("KListTraT = ?"), {chiave}), 0);
    EXPECT_TRUE(Riferimenti(chiave).isEmpty());
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("IdSpedizione")), QStringList{"S01/2"});
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    Premi(f, nbCancel);

    // an existing list
    Vai(f, l1);
    Premi(f, nbEdit);
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("KListTraD"), r2));
    f->TTDettaglio->Edit();
    f->TTDettaglio->FieldByName(QStringLiteral("IdZona"))->SetAsString(QStringLiteral("Z2"));
    f->TTDettaglio->Post();
    AggiungiArt(f, QStringLiteral("BIANCHI"), QString(), 0.9);
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Scrittura non riuscita: riprovare."));
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdZona FROM LUMO_ListTraD WHERE KListTraD = ?"), {r2}), QStringList{"Z1"});
    EXPECT_EQ(Articoli(l1).size(), 2);
    // corrected: saved
    f->TRSListTraR->BeforePost = nullptr;
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdZona FROM LUMO_ListTraD WHERE KListTraD = ?"), {r2}), QStringList{"Z2"});
    EXPECT_EQ(Articoli(l1).size(), 3);
}

TEST_F(ListiniTrasporto, TheSearchesKeepToTheRowsAccount)
{
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, l1);
    Premi(f, nbEdit);
    f->TTDettaglio->Append();
    f->TTDettaglio->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C'02"));
    QString filtro;
    f->edIdContoRicerca(nullptr, filtro);
    EXPECT_EQ(filtro, QStringLiteral("IdContoTp = 'CL'"));
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT IdConto FROM PianoConti WHERE ") + filtro + QStringLiteral(" ORDER BY IdConto")),
        (QStringList{"C'02", "C001"}));
    f->edIdDestinazioneRicerca(nullptr, filtro);
    EXPECT_EQ(filtro, QStringLiteral("IdContoTp = 'CL' AND IdConto = 'C''02'"));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdDestinazione FROM Destinazioni WHERE ") + filtro
                     + QStringLiteral(" ORDER BY IdDestinazione")),
              (QStringList{"1", "2"}));
    // the edits' searches take them
    auto *conto = f->Control<TDBCodeEdit>(QStringLiteral("edIdConto"));
    ASSERT_TRUE(conto->OnFiltroRicerca);
    QString dalControllo;
    f->Control<TDBCodeEdit>(QStringLiteral("edIdDestinazione"))->OnFiltroRicerca(nullptr, dalControllo);
    EXPECT_EQ(dalControllo, filtro);
    f->TTDettaglio->Cancel();
}

TEST_F(ListiniTrasporto, ScreenshotsOfBothPages)
{
    const QString cartella = qEnvironmentVariable("KV8_SCREENSHOT_MASTERDATA");
    if (cartella.isEmpty())
        GTEST_SKIP() << "KV8_SCREENSHOT_MASTERDATA not set";
    TFqarn0014f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, l1);
    Premi(f, nbEdit);
    auto *pagine = f->Control<QTabWidget>(QStringLiteral("pcDettaglio"));
    for (int i = 0; i < pagine->count(); ++i) {
        pagine->setCurrentIndex(i);
        ProcessEvents();
        const QString nome = QStringLiteral("QARN0014F-%1.png").arg(pagine->tabText(i));
        EXPECT_TRUE(f->SubWindow()->grab().save(QDir(cartella).filePath(nome))) << nome.toStdString();
    }
}
