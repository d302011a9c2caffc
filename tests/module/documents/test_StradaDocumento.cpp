// A customer delivery note as the user makes it, nothing set behind the window: the customer
// chosen brings the currency whose deposit prices apply and the carrier whose transport list
// applies; the note's number reaches its deposit-journal movement, also when a number taken
// meanwhile is moved up or a failed save gives it back; the rows' weights reach the head.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sven0001f_p.h"

class StradaDocumento : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        CausaleBollaCauzioni(1);
        Esegui("INSERT INTO Divise (IdDivisa, DsDivisa, SiglaDivisa, DecPrezzo, DecValore, FlMonetaUE) "
               "VALUES ('USD', 'Dollaro', 'USD', 4, 2, 0)");
        Esegui("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES ('USD', ?, 0.9)", {Giorno(2026, 1, 1)});
        Esegui("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (2, 'L1', 'USD')");
        Esegui("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (3, 2, 'CAS', 3), (4, 2, 'BOT', "
               "0.25)");
        Esegui("INSERT INTO Spedizionieri (IdSpedizione, DsSpedizione1) VALUES ('SP1', 'Corriere Nord')");
        Esegui("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, IdDivisa, IdSpedizione1, UT_LMQ_FlCauz, "
               "UT_LMQ_IdListCau, UT_LMQ_FlGesTraCli) VALUES ('CL', 'C5', 'Wine Shop', 'USD', '', 1, 'L1', 0), "
               "('CL', 'C6', 'Trattoria', '', 'SP1', 0, '', 1)");
        // transport: any carrier 10, the customer's carrier 25, both in euro
        Esegui("INSERT INTO LUMO_ListTraT (KListTraT, IdListTra, DsListTra, DataInizio, DataFine, IdDivisa) "
               "VALUES (1, 'T1', 'Trasporti', ?, ?, 'EUR')",
               {Giorno(2026, 1, 1), Giorno(2026, 12, 31)});
        Esegui("INSERT INTO LUMO_ListTraD (KListTraD, KListTraT, IdSpedizione, IdZona, IdConto, IdDestinazione, "
               "FlTipoGest, SpeseTrasporto, PercSpesa) VALUES (1, 1, '', '', '', 0, 1, 10, 0), "
               "(2, 1, 'SP1', '', '', 0, 1, 25, 0)");
        Esegui("UPDATE Articoli SET PesoLordo = 1.3, PesoNetto = 1.2, Volume = 1500, UmVolume = 'CM3' "
               "WHERE IdProdotto = 'V12'");
    }

    // A note of the customer under causal DV with V12 rows of the packages given, saved by the
    // user (who declines the print of a note saved); the number typed first when given.
    // Answers whether the save succeeded.
    bool Nota(const QString &cliente, const QStringList &colli, const QString &numero = QString(), bool salvata = true)
    {
        auto *f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C"));
        if (!f)
            return false;
        Testa(f, QStringLiteral("DV"), cliente);
        if (!numero.isEmpty()) {
            EXPECT_TRUE(Scrivi(f, QStringLiteral("edNumero"), numero));
        }
        for (const QString &c : colli)
            RigoConfezioni(f, QStringLiteral("V12"), c, QStringLiteral("10"), 1);
        if (salvata)
            script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
        const bool riuscito = f->SalvataggioRiuscito;
        nota = f;
        return riuscito;
    }
    // Number, currency and key of the stored notes with their journal movement's number and currency.
    QStringList NoteEMovimenti()
    {
        return Elenco(QStringLiteral("SELECT B.Numero, B.IdDivisa, M.Numero, M.IdDivisa, M.Anno FROM BolleCliTeste B "
                                     "LEFT JOIN LUMO_MovCauT M ON M.KDocT = B.KBolleCliT AND M.FlTipoDocColl = 1 "
                                     "ORDER BY B.Numero"));
    }
    QPointer<TFSVen0001f_p> nota;
};

TEST_F(StradaDocumento, TheJournalMovementCarriesTheNotesNumberAndCurrency)
{
    ASSERT_TRUE(Nota(QStringLiteral("C1"), {"3"})) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(NoteEMovimenti(), QStringList{"1/EUR/1/EUR/2026"});

    // the number typed is taken: moved up, the movement follows it
    nota->Close();
    kv8test::ProcessEvents();
    script.ClearMessages();
    ASSERT_TRUE(Nota(QStringLiteral("C1"), {"2"}, QStringLiteral("1")))
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(script.Texts().contains(QStringLiteral("Il numero assegnato a questo documento e': 2")))
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(NoteEMovimenti(), (QStringList{"1/EUR/1/EUR/2026", "2/EUR/2/EUR/2026"}));

    // a save failing after the number was given: nothing kept, the number back as typed, and
    // the next save gives the same number
    nota->Close();
    kv8test::ProcessEvents();
    ASSERT_TRUE(GuastaInserimenti(QStringLiteral("MovMagazzino")));
    EXPECT_FALSE(Nota(QStringLiteral("C1"), {"1"}, QString(), false));
    RipristinaInserimenti(QStringLiteral("MovMagazzino"));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste")), 2);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 2);
    EXPECT_EQ(nota->TTesta->FieldByName(QStringLiteral("Numero"))->AsInteger(), 0);
    script.Yes(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"));
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(nota, nbPost);
    ASSERT_TRUE(nota->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(NoteEMovimenti(), (QStringList{"1/EUR/1/EUR/2026", "2/EUR/2/EUR/2026", "3/EUR/3/EUR/2026"}));
}

TEST_F(StradaDocumento, AForeignCustomerIsPricedFromItsCurrencysDepositList)
{
    ASSERT_TRUE(Nota(QStringLiteral("C5"), {"3"})) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdDivisa, Cambio, SpeseImballo FROM BolleCliTeste")),
              QStringList{"USD/0.9/18"})
        << "3 cases at 3.00 and 36 bottles at 0.25 on the dollar list";
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdImballo, Prezzo, ValoreCar FROM LUMO_CauzDocBoll ORDER BY IdImballo")),
              (QStringList{"BOT/0.25/9", "CAS/3/9"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdDivisa, Cambio FROM LUMO_MovCauT")), QStringList{"USD/0.9"});
}

TEST_F(StradaDocumento, TheCustomersCarrierChoosesTheTransportCharge)
{
    Parametri("FlAbilTrasporto = 1");
    ASSERT_TRUE(Nota(QStringLiteral("C6"), {"3"})) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdSpedizione1, SpeseTrasporto FROM BolleCliTeste")), QStringList{"SP1/25"});
}

TEST_F(StradaDocumento, TheNotesWeightsComeFromItsRows)
{
    ASSERT_TRUE(Nota(QStringLiteral("C6"), {"3", "1"})) << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(
        Elenco(QStringLiteral("SELECT Quantita, PesoLordo, PesoNetto, Volume FROM BolleCliRighe ORDER BY NumOrdine")),
        (QStringList{"36/46.8/43.2/54000", "12/15.6/14.4/18000"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT PesoLordo, PesoNetto, TotaleVolume FROM BolleCliTeste")),
              QStringList{"62.4/57.6/0.072"});
}

TEST_F(StradaDocumento, ANoteSavedLeavesTheNextNewNoteReadyForItsCausal)
{
    ASSERT_TRUE(Nota(QStringLiteral("C6"), {QStringLiteral("2")}));
    ASSERT_EQ(nota->TTesta->State(), dsInsert);
    QWidget *fuoco = nota->focusWidget();
    EXPECT_EQ(fuoco ? fuoco->objectName() : QString(), QStringLiteral("edIdCausale"));
}
