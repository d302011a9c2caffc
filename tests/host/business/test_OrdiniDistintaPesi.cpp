// Order rows fulfilled by delivery-note rows (quantity and value modes, picking lists,
// descriptive rows), kits exploded into their components, the weights and volume of a
// document head, and the row types.
#include "tests/host/business/MagazzinoFixture.h"

#include "host/business/Distintabase.h"
#include "host/business/Tipirigo.h"
#include "host/ui/ClassRegistry.h"

namespace {

class Ordini : public Magazzino {
protected:
    void SetUp() override
    {
        Magazzino::SetUp();
        if (!db)
            return;
        Esegui("INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, TipoRigo, IdProdotto, QuantitaOrd, "
               "ImportoNN, ControvaloreNN, ImportoLordo, ControvaloreL) VALUES "
               "(10, 1, 1, 0, 'A1', 10, 100, 100, 122, 122), (11, 1, 2, 2, '', 0, 0, 0, 0, 0)");
        ordini = Tabella(QStringLiteral("OrdiniCliRighe"), QStringLiteral("KOrdiniCliT = 1"));
        Bolla();
    }
    void TearDown() override
    {
        ordini.reset();
        Magazzino::TearDown();
    }

    // A delivery-note row fulfilling an order row.
    void RigoOrdine(int numero, int kOrdine, double quantita, double saldo = 0, int prelievo = 0)
    {
        Rigo(numero, QStringLiteral("A1"), quantita, 10.0);
        righe->Edit();
        righe->FieldByName(QStringLiteral("KOrdineR"))->SetAsInteger(kOrdine);
        righe->FieldByName(QStringLiteral("QuantitaSaldo"))->SetAsFloat(saldo);
        righe->FieldByName(QStringLiteral("FlSaldoRigo"))->SetAsInteger(saldo != 0 ? 1 : 0);
        righe->FieldByName(QStringLiteral("KPrelieviR"))->SetAsInteger(prelievo);
        righe->Post();
    }

    bool Aggiorna(int modo, int tipo = 0, int valore = 0, double qtaOld = 0, double saldoOld = 0)
    {
        TXTransaction transazione(*db);
        const bool fatto =
            TDMISOrc::Crea()->AggiornaRigoOrdine(modo, tipo, valore, righe.get(), ordini.get(), qtaOld, saldoOld);
        transazione.Commit();
        return fatto;
    }

    double Ordine(const char *campo, int chiave = 10)
    {
        return Valore(QStringLiteral("SELECT %1 FROM OrdiniCliRighe WHERE KOrdiniCliR = ?").arg(QLatin1String(campo)),
                      {chiave});
    }

    std::unique_ptr<TXTable> ordini;
};

TEST_F(Ordini, DeliveryNoteRowsShipAndCloseAnOrderRow)
{
    RigoOrdine(1, 10, 4);
    ASSERT_TRUE(Aggiorna(2)) << ui->LastText().toStdString();
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSpe"), 4);
    EXPECT_EQ(Ordine("FlStato"), 1);
    EXPECT_DOUBLE_EQ(Ordine("ImportoSpedito"), 40);
    EXPECT_DOUBLE_EQ(Ordine("ControvSpedito"), 40);
    EXPECT_DOUBLE_EQ(Ordine("ImportoSpeditoL"), 48.8);

    // two more shipped and four closed without shipping: nothing remains
    RigoOrdine(2, 10, 2, 4);
    ASSERT_TRUE(Aggiorna(2));
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSpe"), 6);
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSal"), 4);
    EXPECT_EQ(Ordine("FlStato"), 2);
    EXPECT_DOUBLE_EQ(Ordine("ImportoSpedito"), 100);
    EXPECT_DOUBLE_EQ(Ordine("ControvSpeditoL"), 122);

    // the second row taken back with its stored quantities
    ASSERT_TRUE(Aggiorna(3, 0, 0, 2, 4));
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSpe"), 4);
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSal"), 0);
    EXPECT_EQ(Ordine("FlStato"), 1);
    EXPECT_DOUBLE_EQ(Ordine("ImportoSpedito"), 40);

    // the first taken back too: open again; a modified row changes no quantity
    righe->First();
    ASSERT_TRUE(Aggiorna(3, 0, 0, 4, 0));
    EXPECT_EQ(Ordine("QuantitaSpe"), 0.0);
    EXPECT_EQ(Ordine("FlStato"), 0);
    EXPECT_EQ(Ordine("ImportoSpedito"), 0.0);
    ASSERT_TRUE(Aggiorna(1));
    EXPECT_EQ(Ordine("QuantitaSpe"), 0.0);
    EXPECT_TRUE(ui->Messages().isEmpty());
}

TEST_F(Ordini, ClosedQuantityWithNothingShippedLeavesTheRowOpen)
{
    RigoOrdine(1, 10, 0, 3);
    ASSERT_TRUE(Aggiorna(2));
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSal"), 3);
    EXPECT_EQ(Ordine("FlStato"), 0);
    EXPECT_DOUBLE_EQ(Ordine("ImportoSpedito"), 30) << "the closed share counts in the shipped amounts";
}

TEST_F(Ordini, PickingListsMoveOnlyThePickedQuantity)
{
    RigoOrdine(1, 10, 4, 0, 77);
    ASSERT_TRUE(Aggiorna(2, 16));
    EXPECT_DOUBLE_EQ(Ordine("QuantitaPre"), 4);
    EXPECT_EQ(Ordine("QuantitaSpe"), 0.0);
    EXPECT_EQ(Ordine("FlStato"), 0);
    // the delivery note made from the picking list ships what was picked
    ASSERT_TRUE(Aggiorna(2, 0));
    EXPECT_EQ(Ordine("QuantitaPre"), 0.0);
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSpe"), 4);
    // by value a picking list changes nothing
    EXPECT_FALSE(Aggiorna(2, 16, 1));
    EXPECT_EQ(Ordine("QuantitaPre"), 0.0);
    EXPECT_TRUE(ui->Messages().isEmpty());
}

TEST_F(Ordini, ByValueTheShippedAmountsFollowTheRows)
{
    RigoOrdine(1, 10, 3);
    righe->Edit();
    righe->FieldByName(QStringLiteral("ImportoNN"))->SetAsFloat(25);
    righe->FieldByName(QStringLiteral("ImportoLordo"))->SetAsFloat(30.5);
    righe->Post();
    ASSERT_TRUE(Aggiorna(2, 0, 1));
    EXPECT_DOUBLE_EQ(Ordine("ImportoSpedito"), 25);
    EXPECT_DOUBLE_EQ(Ordine("ImportoSpeditoL"), 30.5);
    EXPECT_DOUBLE_EQ(Ordine("ControvSpedito"), 25);
    EXPECT_EQ(Ordine("QuantitaSpe"), 0.0) << "no quantity moves by value";
    EXPECT_EQ(Ordine("FlStato"), 1);
    ASSERT_TRUE(Aggiorna(3, 0, 1));
    EXPECT_EQ(Ordine("ImportoSpedito"), 0.0);
    EXPECT_EQ(Ordine("FlStato"), 0);
}

TEST_F(Ordini, DescriptiveAndMissingOrderRows)
{
    RigoOrdine(1, 11, 0, 1);
    ASSERT_TRUE(Aggiorna(2));
    EXPECT_EQ(Ordine("FlStato", 11), 2);
    EXPECT_EQ(Ordine("QuantitaSal", 11), 0.0) << "a descriptive row keeps no quantities";
    ASSERT_TRUE(Aggiorna(3));
    EXPECT_EQ(Ordine("FlStato", 11), 0);

    RigoOrdine(2, 99, 1);
    EXPECT_FALSE(Aggiorna(2));
    EXPECT_TRUE(ui->Messages().isEmpty()) << "a missing order row is no error to show";
}

TEST_F(Ordini, AnOrderFulfillingAnotherReadsItsOwnColumns)
{
    Esegui("INSERT INTO OrdiniCliRighe (KOrdiniCliR, KOrdiniCliT, NumOrdine, KOrdineRigo, QuantitaOrd) "
           "VALUES (20, 2, 1, 10, 3)");
    auto ordine = Tabella(QStringLiteral("OrdiniCliRighe"), QStringLiteral("KOrdiniCliT = 2"));
    ordine->First();
    TXTransaction transazione(*db);
    ASSERT_TRUE(TDMISOrc::Crea()->AggiornaRigoOrdine(2, 2, 0, ordine.get(), ordini.get(), 0, 0));
    transazione.Commit();
    EXPECT_DOUBLE_EQ(Ordine("QuantitaSpe"), 3);
}

class ProvaOrdini : public TDMISOrc {
    Q_OBJECT
public:
    using TDMISOrc::TDMISOrc;
    void AggiornaQuantitaRigo(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine, double qtaOld,
                              double qtaSaldoOld) override
    {
        TDMISOrc::AggiornaQuantitaRigo(modo, codTipoDoc, righeDoc, righeOrdine, qtaOld, qtaSaldoOld);
        righeOrdine->FieldByName(QStringLiteral("QuantitaAnn"))->SetAsFloat(1);
    }
};

TEST_F(Ordini, ARegisteredReplacementRunsWithTheHostSteps)
{
    Xforms::XRegisterDMClass(QStringLiteral("TDMISOrc"), ClassRef::Of<ProvaOrdini>());
    TDMISOrc *orc = TDMISOrc::Crea();
    Xforms::Registry().Unregister(QStringLiteral("TDMISOrc"));
    ASSERT_NE(qobject_cast<ProvaOrdini *>(orc), nullptr);
    RigoOrdine(1, 10, 9);
    ASSERT_TRUE(Aggiorna(2));
    EXPECT_EQ(Ordine("FlStato"), 2) << "nine shipped and one cancelled";
}

// ---- kits

class Distinta : public Magazzino {
protected:
    void SetUp() override
    {
        Magazzino::SetUp();
        if (!db)
            return;
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto) VALUES ('KIT', 'Confezione'), ('SUB', 'Cassetta')");
        Esegui("INSERT INTO DistintaBase (IdProdotto, IdVariante, NumRiga, IdComponente, IdVarianteComp, Quantita, "
               "Prezzo, "
               "DataInizio) VALUES "
               "('KIT', '', 1, 'A1', '', 1, 10, NULL), ('KIT', '', 2, 'SUB', '', 2, 0, NULL), "
               "('KIT', '', 3, 'B1', 'ROSSO', 0.5, 4, ?), ('KIT', 'GRANDE', 4, 'A1', '', 5, 9, NULL), "
               "('SUB', '', 1, 'B1', '', 3, 6, NULL)",
               {Giorno(2026, 6, 1)});
    }

    QStringList Esplodi(const QString &articolo, double quantita, const QDateTime &data,
                        KV8Config::TFSDBA01 parametri = KV8Config::TFSDBA01(), const QString &variante = QString())
    {
        Distintabase::TXEspandiDistintaBase esplosione;
        esplosione.Esplodi(articolo, variante, quantita, data, parametri);
        QStringList items;
        for (int i = 0; i < esplosione.GetCount(); ++i) {
            const Distintabase::TXItemDistintaBase &it = esplosione.GetItem(i);
            items << QStringLiteral("%1/%2 %3 x%4 =%5 L%6%7")
                         .arg(it.IdProdotto, it.IdVariante)
                         .arg(it.Prezzo)
                         .arg(it.Quantita)
                         .arg(it.QuantitaTotale)
                         .arg(it.Livello)
                         .arg(it.FlSalta ? QStringLiteral(" salta") : QString());
        }
        return items;
    }
};

TEST_F(Distinta, AKitExplodedIntoItsComponents)
{
    EXPECT_EQ(Esplodi(QStringLiteral("KIT"), 4, Giorno(2026, 3, 10)),
              (QStringList{QStringLiteral("A1/ 10 x1 =4 L1"), QStringLiteral("SUB/ 0 x2 =8 L1 salta"),
                           QStringLiteral("B1/ 6 x6 =24 L2")}));
    // from June the third row is valid; a variant adds its own rows
    EXPECT_EQ(Esplodi(QStringLiteral("KIT"), 1, Giorno(2026, 7, 1), KV8Config::TFSDBA01(), QStringLiteral("GRANDE")),
              (QStringList{QStringLiteral("A1/ 10 x1 =1 L1"), QStringLiteral("SUB/ 0 x2 =2 L1 salta"),
                           QStringLiteral("B1/ 6 x6 =6 L2"), QStringLiteral("B1/ROSSO 4 x0.5 =0.5 L1"),
                           QStringLiteral("A1/ 9 x5 =5 L1")}));
}

TEST_F(Distinta, LevelsAndValiditySettings)
{
    KV8Config::TFSDBA01 unLivello;
    unLivello.LivelliEsplosione = 1;
    EXPECT_EQ(Esplodi(QStringLiteral("KIT"), 2, Giorno(2026, 3, 10), unLivello),
              (QStringList{QStringLiteral("A1/ 10 x1 =2 L1"), QStringLiteral("SUB/ 0 x2 =4 L1")}));
    KV8Config::TFSDBA01 tutti;
    tutti.FlComponentiValidi = 0;
    EXPECT_EQ(Esplodi(QStringLiteral("KIT"), 1, Giorno(2026, 3, 10), tutti).size(), 4);
    EXPECT_TRUE(Esplodi(QStringLiteral("A1"), 1, Giorno(2026, 3, 10)).isEmpty()) << "no bill, no items";
}

TEST_F(Distinta, ABillThatContainsItselfIsRefused)
{
    Esegui("INSERT INTO DistintaBase (IdProdotto, IdVariante, NumRiga, IdComponente, Quantita) VALUES ('SUB', '', 2, "
           "'KIT', 1)");
    Distintabase::TXEspandiDistintaBase esplosione;
    try {
        esplosione.Esplodi(QStringLiteral("KIT"), QString(), 1, Giorno(2026, 3, 10), KV8Config::TFSDBA01());
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message,
                  QStringLiteral("La distinta base dell'articolo KIT ricade su se stessa attraverso l'articolo "
                                 "SUB: correggere la distinta base."));
    }
    EXPECT_EQ(esplosione.GetCount(), 0);
}

// ---- weights and volume

class Pesi : public Magazzino {
protected:
    void SetUp() override
    {
        Magazzino::SetUp();
        if (!db)
            return;
        Bolla();
        for (int i = 1; i <= 4; ++i)
            Rigo(i, QStringLiteral("A1"), 1, 1);
        Esegui("UPDATE BolleCliRighe SET PesoLordo = 1.3, PesoNetto = 0.75, UmVolume = 'CM3', Volume = 500000 "
               "WHERE NumOrdine < 4");
        Esegui("UPDATE BolleCliRighe SET PesoLordo = 2.25, PesoNetto = 1.5, UmVolume = 'mc', Volume = 0.5 "
               "WHERE NumOrdine = 4");
        testa->Refresh();
        testa->Edit();
    }
    void Calcola(int confronto, bool locale, bool chiedi)
    {
        TDMISBas::Crea()->CalcolaPesiVolumeTestaDoc(testa.get(), confronto, 0, locale, chiedi);
    }
    double Testa(const char *campo) { return testa->FieldByName(QLatin1String(campo))->AsFloat(); }
    void Imposta(double lordo, double netto, double volume)
    {
        testa->FieldByName(QStringLiteral("PesoLordo"))->SetAsFloat(lordo);
        testa->FieldByName(QStringLiteral("PesoNetto"))->SetAsFloat(netto);
        testa->FieldByName(QStringLiteral("TotaleVolume"))->SetAsFloat(volume);
    }
};

TEST_F(Pesi, AnEmptyHeadIsFilledFromItsRows)
{
    Calcola(0, false, true);
    EXPECT_DOUBLE_EQ(Testa("PesoLordo"), 6.15);
    EXPECT_DOUBLE_EQ(Testa("PesoNetto"), 3.75);
    EXPECT_DOUBLE_EQ(Testa("TotaleVolume"), 2.0);
    EXPECT_TRUE(ui->Messages().isEmpty()) << "no question for an empty head";
    EXPECT_EQ(testa->State(), dsEdit) << "the caller posts the head";
}

TEST_F(Pesi, DifferentValuesAreOverwrittenOnlyWithTheUsersConsent)
{
    const QString domanda =
        QStringLiteral("Pesi e volume del documento sono diversi da quelli delle righe: aggiornare il "
                       "documento con i valori ricalcolati?");
    Imposta(7, 3.75, 2);
    ui->No(domanda);
    Calcola(0, false, true);
    EXPECT_DOUBLE_EQ(Testa("PesoLordo"), 7);
    ui->Yes(domanda);
    Calcola(0, false, true);
    EXPECT_DOUBLE_EQ(Testa("PesoLordo"), 6.15);
    // equal values: nothing asked; without asking: overwritten
    Calcola(1, false, true);
    Imposta(0, 0, 0);
    Calcola(1, false, false);
    EXPECT_DOUBLE_EQ(Testa("PesoNetto"), 3.75);
    EXPECT_EQ(ui->Messages().size(), 2);
}

TEST_F(Pesi, LocalRowsLeaveOutDeletedOnes)
{
    TXTable locale;
    locale.SetTableName(QStringLiteral("t_RigheBolleCli"));
    locale.SetDatabaseName(QStringLiteral("LocalDatabase"));
    locale.CreaTabella();
    TXDatabase &ldb = DMIDataBases::Instance().Local();
    ldb.ExecSQL(
        QStringLiteral("INSERT INTO t_RigheBolleCli (KBolleCliR, Stato, PesoLordo, PesoNetto, UmVolume, Volume) "
                       "VALUES (1, 0, 1.5, 1, 'MC', 0.25), (2, 2, 2.5, 2, 'MC', 0.25), (3, 3, 100, 100, 'MC', 9)"));
    Calcola(0, true, false);
    EXPECT_DOUBLE_EQ(Testa("PesoLordo"), 4);
    EXPECT_DOUBLE_EQ(Testa("PesoNetto"), 3);
    EXPECT_DOUBLE_EQ(Testa("TotaleVolume"), 0.5);
    EXPECT_THROW(TDMISBas::Crea()->CalcolaPesiVolumeTestaDoc(testa.get(), 0, 7, false, false), Exception);
}

// ---- row types

TEST_F(Magazzino, RowTypesAndTheirFlags)
{
    Esegui("UPDATE TipiRigo SET FlBolle = 1, FlDistintaBase = 1, FlNoScontoTesta = 1 WHERE TipoRigo = 0");
    const auto merce = Tipirigo::TRGetTipoRigo(0, 0, 0);
    ASSERT_TRUE(merce.has_value());
    EXPECT_EQ(merce->DsTipoRigo, QStringLiteral("Merce"));
    EXPECT_EQ(merce->FlClasse, Tipirigo::crMerce);
    EXPECT_TRUE(merce->FlBolle);
    EXPECT_FALSE(merce->FlFatture);
    EXPECT_TRUE(merce->FlConvQuantita);
    EXPECT_TRUE(merce->FlDistintaBase);
    EXPECT_TRUE(merce->FlNoScontoTesta);
    EXPECT_EQ(Tipirigo::TRGetTipoRigo(2, QString(), 2)->FlClasse, Tipirigo::crDescrittivo);
    EXPECT_FALSE(Tipirigo::TRGetTipoRigo(1, 0, 77).has_value());
    // a row type added since the types were read is found
    Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse) VALUES (77, 'Nuovo', 5)");
    ASSERT_TRUE(Tipirigo::TRGetTipoRigo(1, 0, 77).has_value());
    EXPECT_EQ(Tipirigo::TRGetTipoRigo(1, 0, 77)->FlClasse, Tipirigo::crOmaggioRivalsa);
}

} // namespace

#include "test_OrdiniDistintaPesi.moc"
