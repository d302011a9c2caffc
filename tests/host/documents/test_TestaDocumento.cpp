// The head of a document as the user fills it: the account chosen brings its currency and
// rate, agents and terms; the destination is one of the account's and brings its zone and
// carrier; codes typed are checked; the rows' weights reach the head on save.
#include "tests/host/documents/DocumentiFixture.h"

class TestaDocumento : public Documenti {
protected:
    void SetUp() override
    {
        Documenti::SetUp();
        if (IsSkipped())
            return;
        Esegui("INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2), "
               "('USD', 'Dollaro', 4, 2), ('GBP', 'Sterlina', 4, 2)");
        Esegui("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES ('USD', ?, 0.8), ('USD', ?, 0.9)",
               {Giorno(2026, 1, 2), Giorno(2026, 3, 1)});
        Esegui("INSERT INTO Agenti (IdAgente, RagioneSociale) VALUES ('AG01', 'Mario Neri'), ('AG02', 'Luca Blu')");
        Esegui("INSERT INTO Spedizionieri (IdSpedizione, DsSpedizione1) VALUES ('SP1', 'Corriere Nord'), "
               "('SP2', 'Corriere Sud'), ('SP3', 'Navetta')");
        Esegui("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, IdDivisa, IdAgente1, IdAgente2, IdPagamento, "
               "IdListino, Sconto1, Sconto2, IdSpedizione1, IdSpedizione2, IdPorto, IdTipoTrasporto, IdZona, IdBanca, "
               "IdLingua, IdEsclusione) VALUES "
               "('CL', 'C3', 'Wine Shop', 'USD', 'AG01', 'AG02', 'RB30', 'LX', 5, 2, 'SP1', 'SP2', 'F', 'V', 'NO', "
               "'B1', 'EN', 'E1'), "
               "('CL', 'C4', 'Pub Londra', 'GBP', '', '', '', '', 0, 0, '', '', '', '', '', '', '', '')");
        Esegui("UPDATE Clienti SET IdAgente1 = 'AG02', IdZona = 'CE' WHERE IdConto = 'C1'");
        Esegui("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, RagioneSociale, IdZona, IdSpedizione1) "
               "VALUES ('CL', 'C3', 1, 'Magazzino porto', 'SU', 'SP3'), ('CL', 'C3', 2, 'Negozio', '', ''), "
               "('CL', 'C1', 3, 'Sede Rossi', 'OV', 'SP2')");
        Esegui("UPDATE Articoli SET PesoLordo = 1.5, PesoNetto = 1.25, Volume = 2000, UmVolume = 'CM3' WHERE "
               "IdProdotto = 'A1'");
        Esegui("UPDATE Articoli SET PesoLordo = 0.8, PesoNetto = 0.75, Volume = 0.001, UmVolume = 'MC' WHERE "
               "IdProdotto = 'B1'");
    }
    static QVariant Di(TFDocumento *f, const char *campo)
    {
        return f->TTesta->FieldByName(QLatin1String(campo))->Value();
    }
};

TEST_F(TestaDocumento, TheCustomerChosenFillsTheHeadAndTheSaveStoresIt)
{
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C3"));
    EXPECT_EQ(Di(f, "IdDivisa").toString(), QStringLiteral("USD"));
    EXPECT_DOUBLE_EQ(Di(f, "Cambio").toDouble(), 0.9) << "the rate at the document's date, 10/03/2026";
    QStringList copiati;
    for (const char *campo :
         {"IdAgente1", "IdAgente2", "IdPagamento", "IdListino", "Sconto1", "Sconto2", "IdSpedizione1", "IdSpedizione2",
          "IdPorto", "IdTipoTrasporto", "IdZona", "IdBanca", "IdLingua", "IdEsclusione"})
        copiati << Di(f, campo).toString();
    EXPECT_EQ(copiati.join(QLatin1Char('/')), QStringLiteral("AG01/AG02/RB30/LX/5/2/SP1/SP2/F/V/NO/B1/EN/E1"));
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edIdDivisa"))->text(), QStringLiteral("USD")) << "the head shows it";
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edIdAgente1"))->text(), QStringLiteral("AG01"));
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edIdSpedizione1"))->text(), QStringLiteral("SP1"));

    // an earlier date takes the rate of then; a rate dated on the document's own day is that day's
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataDocumento"), QStringLiteral("01/03/2026")));
    EXPECT_DOUBLE_EQ(Di(f, "Cambio").toDouble(), 0.9);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataDocumento"), QStringLiteral("28/02/2026")));
    EXPECT_DOUBLE_EQ(Di(f, "Cambio").toDouble(), 0.8);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataDocumento"), QStringLiteral("02/01/2026")));
    EXPECT_DOUBLE_EQ(Di(f, "Cambio").toDouble(), 0.8);
    // typed over: the agent is the user's
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdAgente1"), QStringLiteral("AG02")));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT IdDivisa || '/' || IdAgente1 || '/' || IdZona FROM BolleCliTeste")).toString(),
        QStringLiteral("USD/AG02/NO"));
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Cambio FROM BolleCliTeste")).toDouble(), 0.8);
    // the currency typed on the rate's own day
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataDocumento"), QStringLiteral("02/01/2026")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdDivisa"), QStringLiteral("USD")));
    EXPECT_DOUBLE_EQ(Di(f, "Cambio").toDouble(), 0.8);
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("5"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT IdDivisa || '/' || Cambio FROM BolleCliTeste WHERE IdCliente = 'C1'")).toString(),
        QStringLiteral("USD/0.8"))
        << script.Texts().join(QLatin1Char('|')).toStdString();

    // an account without a currency trades in the company's
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    EXPECT_EQ(Di(f, "IdDivisa").toString(), QStringLiteral("EUR"));
    EXPECT_DOUBLE_EQ(Di(f, "Cambio").toDouble(), 1);
    EXPECT_EQ(Di(f, "IdAgente1").toString(), QStringLiteral("AG02"));
    EXPECT_EQ(Di(f, "IdSpedizione1").toString(), QString()) << "the account's own, empty: nothing kept from before";
    script.AllowUnusedAnswers();
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
}

TEST_F(TestaDocumento, TheDestinationIsOneOfTheAccountsAndBringsItsZoneAndCarrier)
{
    auto *f = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("FD"), QStringLiteral("C3"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("1")));
    EXPECT_EQ(Di(f, "IdZona").toString() + "/" + Di(f, "IdSpedizione1").toString(), QStringLiteral("SU/SP3"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("2")));
    EXPECT_EQ(Di(f, "IdZona").toString() + "/" + Di(f, "IdSpedizione1").toString(), QStringLiteral("SU/SP3"))
        << "a destination without its own zone and carrier keeps the head's";
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("3")))
        << "another customer's destination";
    EXPECT_EQ(Di(f, "IdDestinazione").toInt(), 2);
    ASSERT_FALSE(script.Messages().isEmpty());
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("La destinazione 3 non esiste per l'intestatario C3")));

    // codes typed on the head are checked
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdDivisa"), QStringLiteral("XYZ")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdAgente1"), QStringLiteral("AG99")));
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdSpedizione1"), QStringLiteral("SP9")));
    EXPECT_EQ(Di(f, "IdDivisa").toString() + "/" + Di(f, "IdAgente1").toString() + "/"
                  + Di(f, "IdSpedizione1").toString(),
              QStringLiteral("USD/AG01/SP3"));

    // another customer: its own terms, no destination
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), QStringLiteral("C1")));
    EXPECT_EQ(Di(f, "IdDestinazione").toInt(), 0);
    EXPECT_EQ(Di(f, "IdZona").toString(), QStringLiteral("CE"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdDestinazione"), QStringLiteral("3")));
    EXPECT_EQ(Di(f, "IdZona").toString() + "/" + Di(f, "IdSpedizione1").toString(), QStringLiteral("OV/SP2"));
    script.AllowUnusedAnswers();
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
}

TEST_F(TestaDocumento, ACurrencyWithoutARateIsShownAndRefusedBySave)
{
    Esegui("UPDATE Divise SET DecPrezzo = 1, DecValore = 0 WHERE IdDivisa = 'GBP'");
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C4"));
    EXPECT_EQ(Di(f, "IdDivisa").toString(), QStringLiteral("GBP"));
    ASSERT_FALSE(script.Messages().isEmpty());
    EXPECT_EQ(script.Messages().last().Type, mtWarning);
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("Manca il cambio della divisa GBP")));
    EXPECT_DOUBLE_EQ(Di(f, "Cambio").toDouble(), 0);
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("5"));
    // the row's price and amount in the decimals of the currency the account brought
    EXPECT_EQ(kv8test::GridText(f->GrigliaRighe, QStringLiteral("Prezzo")), QStringLiteral("5,0"));
    EXPECT_EQ(kv8test::GridText(f->GrigliaRighe, QStringLiteral("ImportoNetto")), QStringLiteral("5"));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 0);
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("Manca il cambio della divisa GBP")));
    // the rate stored meanwhile: the date typed again takes it
    Esegui("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES ('GBP', ?, 1.15)", {Giorno(2026, 3, 1)});
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataDocumento"), QStringLiteral("11/03/2026")));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Cambio FROM BolleCliTeste")).toDouble(), 1.15)
        << script.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(TestaDocumento, RowsWeighAsTheArticleTimesTheirQuantityAndTheHeadSumsThem)
{
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
    NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("4"), QStringLiteral("2"));
    NuovoRigo(f, QStringLiteral("C1"), QStringLiteral("6"), QStringLiteral("3"));
    EXPECT_DOUBLE_EQ(f->TTesta->FieldByName(QStringLiteral("PesoLordo"))->AsFloat(), 0) << "counted by the save";
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    const qint64 k = Valore(QStringLiteral("SELECT KBolleCliT FROM BolleCliTeste")).toLongLong();
    QSqlQuery righe = company.Database().OpenQuery(QStringLiteral(
        "SELECT IdProdotto, PesoLordo, PesoNetto, Volume, UmVolume FROM BolleCliRighe ORDER BY NumOrdine"));
    QStringList viste;
    while (righe.next())
        viste << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(righe.value(0).toString())
                     .arg(righe.value(1).toDouble())
                     .arg(righe.value(2).toDouble())
                     .arg(righe.value(3).toDouble())
                     .arg(righe.value(4).toString());
    EXPECT_EQ(viste, (QStringList{"A1 15 12.5 20000 CM3", "B1 3.2 3 0.004 MC", "C1 0 0 0 "}));
    QSqlQuery testa = company.Database().OpenQuery(
        QStringLiteral("SELECT PesoLordo, PesoNetto, TotaleVolume FROM BolleCliTeste WHERE KBolleCliT = ?"), {k});
    ASSERT_TRUE(testa.next());
    EXPECT_DOUBLE_EQ(testa.value(0).toDouble(), 18.2);
    EXPECT_DOUBLE_EQ(testa.value(1).toDouble(), 15.5);
    EXPECT_DOUBLE_EQ(testa.value(2).toDouble(), 0.024) << "20000 cm3 and 0.004 m3";

    // a changed quantity weighs again; the head's different weights are rewritten after Yes
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    VaiARigo(f, QStringLiteral("B1"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("6")));
    PremiRighe(f, nbPost);
    script.Yes(QStringLiteral("Pesi e volume del documento sono diversi da quelli delle righe: aggiornare il documento "
                              "con i valori ricalcolati?"));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_NEAR(Valore(QStringLiteral("SELECT PesoLordo FROM BolleCliTeste")).toDouble(), 19.8, 1e-9);
    EXPECT_NEAR(Valore(QStringLiteral("SELECT TotaleVolume FROM BolleCliTeste")).toDouble(), 0.026, 1e-9);
}

TEST_F(TestaDocumento, SupplierDeliveryNotesWeighTheirRowsToo)
{
    auto *f = Apri<TFSAcq0001f>(QStringLiteral("SACQ0001F"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DTA"), QStringLiteral("F1"));
    NuovoRigo(f, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("5"));
    NuovoRigo(f, QStringLiteral("B1"), QStringLiteral("4"), QStringLiteral("2"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    QSqlQuery testa =
        company.Database().OpenQuery(QStringLiteral("SELECT PesoLordo, PesoNetto, TotaleVolume FROM BolleForTeste"));
    ASSERT_TRUE(testa.next());
    EXPECT_DOUBLE_EQ(testa.value(0).toDouble(), 18.2);
    EXPECT_DOUBLE_EQ(testa.value(1).toDouble(), 15.5);
    EXPECT_DOUBLE_EQ(testa.value(2).toDouble(), 0.024);
}

TEST_F(TestaDocumento, RowsArePricedFromTheAccountsListInTheDocumentsCurrencyOnItsDate)
{
    Esegui(
        "INSERT INTO Listini (IdListino, IdProdotto, IdDivisa, DataInizio, DataFine, Prezzo, Sconto1, Sconto2) VALUES "
        "('LX', 'A1', 'USD', ?, NULL, 12, 10, 0), ('LX', 'A1', 'EUR', ?, NULL, 99, 0, 0), "
        "('LX', 'B1', 'USD', ?, NULL, 7, 0, 0), ('LX', 'C1', 'USD', ?, ?, 5, 0, 0)",
        {Giorno(2026, 3, 10), Giorno(2026, 1, 1), Giorno(2026, 4, 1), Giorno(2025, 1, 1), Giorno(2026, 3, 9)});
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C3")); // USD, list LX, document discounts 5 and 2 %
    PremiRighe(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("A1")));
    EXPECT_DOUBLE_EQ(f->TRighe->FieldByName(QStringLiteral("Prezzo"))->AsFloat(), 12)
        << "in force from the document's day";
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("10")));
    PremiRighe(f, nbPost);
    PremiRighe(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("B1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("4")));
    PremiRighe(f, nbPost);
    PremiRighe(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), QStringLiteral("C1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edPrezzo"), QStringLiteral("3")));
    PremiRighe(f, nbPost);
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();

    QSqlQuery righe =
        company.Database().OpenQuery(QStringLiteral("SELECT IdProdotto, Prezzo, Sconto1, ImportoLordo, ImportoNetto, "
                                                    "ImportoNN FROM BolleCliRighe ORDER BY NumOrdine"));
    QStringList viste;
    while (righe.next())
        viste << QStringLiteral("%1 %2 %3 %4 %5 %6")
                     .arg(righe.value(0).toString())
                     .arg(righe.value(1).toDouble())
                     .arg(righe.value(2).toDouble())
                     .arg(righe.value(3).toDouble())
                     .arg(righe.value(4).toDouble())
                     .arg(righe.value(5).toDouble());
    // the list's discount on the row, the document's (5 and 2 %) once on the net; B1's price begins in April,
    // C1's ended the day before: typed
    EXPECT_EQ(viste, (QStringList{"A1 12 10 120 108 100.55", "B1 0 0 0 0 0", "C1 3 0 3 3 2.79"}));
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Sconto1 FROM BolleCliTeste")).toDouble(), 5);
}
