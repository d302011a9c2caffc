// The credit notes for returned packaging: the customer list, the proposal (with and without
// excess stock), the notes numbered on the VAT counters with their totals and the deposit
// booking, all in one run.
#include "tests/module/deposits/FatturazioneFixture.h"

#include "deposits/Qarn0155d.h"
#include "engine/Lumo_funzdocven.h"
#include "host/business/Dmibase.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"

using namespace kv8test;

namespace {

const QString Conferma = ConfermaGenerazione;
const QString DataPrecedente = QStringLiteral("Data fattura precedente a data ultima fattura emessa. Proseguo ? ");

class NoteCreditoCauzioni : public FatturazioneCauzioni {
protected:
    void SetUp() override
    {
        FatturazioneCauzioni::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Esegui(QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, "
                              "FlTipoRegistro, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, "
                              "UT_LMQ_FlAggMovC) VALUES ('NCC', 'Nota di credito cauzioni', 2, 1, 1, 1, 1, 1, 0, 1), "
                              "('NCX', 'Nota di credito altro registro', 2, 1, 3, 1, 1, 1, 0, 1)"));
        Listino(QStringLiteral("L02"), QStringLiteral("EUR"),
                {{QStringLiteral("CAS"), 2.5}, {QStringLiteral("BOT"), 0.5}, {QStringLiteral("FUS"), 1.5}});
    }

    TFqarn0155d *Apri0155(const QStringList &clienti, const QString &causale = QStringLiteral("NCC"),
                          const QDate &data = QDate(2024, 3, 20))
    {
        auto *d = Apri<TFqarn0155d>(QStringLiteral("QARN0155D"));
        if (!d)
            return nullptr;
        d->tPars->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(QDateTime(data, QTime(0, 0)));
        d->tPars->FieldByName(QStringLiteral("IdCausale"))->SetAsString(causale);
        d->tPars->FieldByName(QStringLiteral("IdListino"))->SetAsString(QStringLiteral("L02"));
        d->tPars->FieldByName(QStringLiteral("Descrizione"))->SetAsString(QStringLiteral("Resa vuoti"));
        // each customer entered as the user does: Insert, the code typed, Post
        for (const QString &c : clienti) {
            d->navElencoClienti->Button(nbInsert)->click();
            ProcessEvents();
            EXPECT_TRUE(Scrivi(d, QStringLiteral("edIDCLIENTE"), c)) << script.LastText().toStdString();
            // Tab goes on to the grid, where the next Insert finds the focus
            FocusNext(d->gElencoClienti);
            d->navElencoClienti->Button(nbPost)->click();
            ProcessEvents();
        }
        EXPECT_EQ(d->ttElencoClienti->RecordCount(), clienti.size()) << "the grid shows every customer entered";
        d->btEsegui->click();
        ProcessEvents();
        return d;
    }

    // The proposal, "customer:packaging:quantity:price:value:excess".
    static QStringList Proposta(TFqarn0155d *d)
    {
        QStringList out;
        TXTable *p = d->ttCauCliNC;
        for (p->First(); !p->Eof(); p->Next()) {
            QStringList r;
            for (const char *campo : {"IDCLIENTE", "IDIMBALLO", "QTARES", "PREZZO", "VALORERES", "QtaEsiEcc"})
                r << p->FieldByName(QLatin1String(campo))->AsString();
            out << r.join(QLatin1Char(':'));
        }
        return out;
    }

    void Genera(TFqarn0155d *d)
    {
        script.Yes(Conferma);
        d->btGenera->click();
        ProcessEvents();
    }
};

} // namespace

TEST_F(NoteCreditoCauzioni, TheCustomerListRefusesUnknownDisabledEmptyAndRepeatedCodes)
{
    auto *d = Apri<TFqarn0155d>(QStringLiteral("QARN0155D"));
    ASSERT_NE(d, nullptr);
    TXTable *elenco = d->ttElencoClienti;
    auto rifiuto = [&](const QString &codice, const QString &messaggio) {
        script.ClearMessages();
        elenco->Append();
        try {
            elenco->FieldByName(QStringLiteral("IDCLIENTE"))->SetAsString(codice);
            elenco->Post();
            ADD_FAILURE() << "accepted " << codice.toStdString();
        } catch (const std::exception &e) {
            EXPECT_EQ(Kmessages::ExceptionText(e), messaggio) << codice.toStdString();
        }
        elenco->Cancel();
    };
    rifiuto(QStringLiteral("X'9"), QStringLiteral("Codice cliente non trovato"));
    rifiuto(QStringLiteral("C003"), QStringLiteral("Attenzione! cauzioni non abilitate sul cliente."));
    rifiuto(QString(), QStringLiteral("Indicare un codice cliente !!!"));
    elenco->Append();
    elenco->FieldByName(QStringLiteral("IDCLIENTE"))->SetAsString(QStringLiteral("C001"));
    elenco->Post();
    rifiuto(QStringLiteral("C001"), QStringLiteral("Cliente già presente nell'elenco: indicarne un altro."));
    EXPECT_EQ(elenco->RecordCount(), 1);
}

TEST_F(NoteCreditoCauzioni, OneNotePerCustomerRefundsTheInvoicedBalancesAndBooksThem)
{
    // C002 owes nothing more of CAS; C004 has no balance at all. C002, inserted on C001, is
    // listed first: the proposal follows the list
    auto *d = Apri0155({QStringLiteral("C001"), QStringLiteral("C002")});
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Pagina(), 1);
    EXPECT_EQ(Proposta(d),
              (QStringList{"C002:BOT:2:0,5:1:0", "C001:BOT:3:0,5:1,5:0", "C001:CAS:6:2,5:15:0", "C001:FUS:2:1,5:3:0"}));
    Genera(d);
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <11> a <12>"));
    EXPECT_EQ(Colonna(QStringLiteral("SELECT Numero, IdCliente, IdClienteTp, IdDestinazione, SpeseImballo, "
                                     "UT_LMQ_FlCauzioni, IdOperatore FROM FattureCliTeste ORDER BY Numero")),
              (QStringList{"11:C001:CL:0:19.5:1:ANNA", "12:C002:CL:0:1:1:ANNA"}));
    EXPECT_EQ(Colonna(QStringLiteral("SELECT R.NumOrdine, R.TipoRigo, R.Descrizione FROM FattureCliRighe R")),
              (QStringList{"1024:6:Resa vuoti", "1024:6:Resa vuoti"}));
    EXPECT_EQ(Colonna(QStringLiteral("SELECT T.Numero, Z.Codice FROM FattureCliTot Z JOIN FattureCliTeste T ON "
                                     "T.KFattCliT = Z.KFattCliT WHERE Z.TipoRecord = 'SPI' ORDER BY T.Numero")),
              (QStringList{"11:R05", "12:R05"}))
        << "the packaging expenses on the deposit account";
    EXPECT_EQ(Contatore(), 12);
    EXPECT_EQ(Colonna(QStringLiteral("SELECT T.Numero, R.IdImballo, R.QtaRes, R.ValoreRes FROM LUMO_MovCauR R JOIN "
                                     "LUMO_MovCauT T ON T.KContaT = R.KContaT ORDER BY T.Numero, R.IdImballo")),
              (QStringList{"11:BOT:3:1.5", "11:CAS:6:15", "11:FUS:2:3", "12:BOT:2:1"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_CauzDocFatt")), 4);
    for (const char *imballo : {"CAS", "BOT", "FUS"})
        EXPECT_EQ(Saldo("C001", 1, imballo), 0.0) << imballo;
    EXPECT_EQ(Saldo("C002", 1, "BOT"), 0.0);
}

TEST_F(NoteCreditoCauzioni, ExcessStockIsLeftOutOfTheRefundAndTakenUpByTheCard)
{
    Esegui(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
    Scheda("C001", 1, "FUS", 10, 0);
    Esegui(QStringLiteral("UPDATE LUMO_ProgCauz SET QtaResEcc = 4"));
    Esegui(QStringLiteral("UPDATE LUMO_Parametri SET FlGestEcc = 1"));
    auto *d = Apri0155({QStringLiteral("C001")});
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Proposta(d), QStringList{"C001:FUS:6:1,5:9:4"});
    Genera(d);
    EXPECT_EQ(Colonna(QStringLiteral("SELECT SpeseImballo FROM FattureCliTeste")), QStringList{"9"});
    // row and summary keep what the card got: 10 returned, 4 of them the excess taken up; the
    // value is the refund's
    EXPECT_EQ(Colonna(QStringLiteral("SELECT QtaRes, QtaCarEcc, QtaResEcc, ValoreRes FROM LUMO_MovCauR")),
              QStringList{"10:4:0:9"});
    EXPECT_EQ(Colonna(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, QtaCarEcc, ValoreRes FROM LUMO_CauzDocFatt")),
              QStringList{"FUS:0:10:4:9"});
    // the card closes the whole invoiced balance and takes up the excess
    EXPECT_EQ(Saldo("C001", 1, "FUS"), 0.0);
    EXPECT_EQ(Depositi::Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 1, QStringLiteral("FUS"),
                               QStringLiteral("QtaCarEcc")),
              4.0);
}

TEST_F(NoteCreditoCauzioni, UnderExcessManagementTheRebuildGivesTheCardsWhatTheNoteGaveThem)
{
    Esegui(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
    Esegui(QStringLiteral("UPDATE LUMO_Parametri SET FlGestEcc = 1"));
    // 10 FUS invoiced, then 4 returned beyond the stock of a destination
    Esegui(
        QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, IdContoTp, IdConto, "
                       "IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB) VALUES (900, ?, 0, 0, 'CL', "
                       "'C001', 0, 'EUR', 1, 1, 1, 0)"),
        {QDateTime(QDate(2024, 1, 10), QTime(0, 0))});
    Esegui(QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, "
                          "ValoreRes, QtaCarEcc, QtaResEcc) VALUES (900, 900, 'FUS', 10, 0, 1.5, 15, 0, 0, 0), "
                          "(901, 900, 'FUS', 0, 4, 1.5, 0, 0, 0, 4)"));
    Ricalcola();
    auto *d = Apri0155({QStringLiteral("C001")});
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Proposta(d), QStringList{"C001:FUS:2:1,5:3:4"});
    Genera(d);
    // row and summary keep what the cards got: the balance of 6 returned, the excess of 4 taken
    // up; the value is the refund's
    EXPECT_EQ(Colonna(QStringLiteral("SELECT R.QtaRes, R.QtaCarEcc, R.QtaResEcc, R.ValoreRes FROM LUMO_MovCauR R JOIN "
                                     "LUMO_MovCauT T ON T.KContaT = R.KContaT WHERE T.KDocT <> 0")),
              QStringList{"6:4:0:3"});
    EXPECT_EQ(Colonna(QStringLiteral("SELECT IdImballo, QtaCar, QtaRes, QtaCarEcc, ValoreRes FROM LUMO_CauzDocFatt")),
              QStringList{"FUS:0:6:4:3"});
    const QString schede =
        QStringLiteral("SELECT IdDestinazione, FlTipoScheda, ProgQtaCar, ProgQtaRes, ProgValCar, "
                       "ProgValRes, ProgQtaCarF, ProgQtaResF, ProgValCarF, ProgValResF, QtaCarEcc, "
                       "QtaResEcc, EsiAttEcc FROM LUMO_ProgCauz ORDER BY IdDestinazione, FlTipoScheda");
    const QStringList dopoNota = Colonna(schede);
    EXPECT_EQ(Saldo("C001", 1, "FUS"), 0.0);
    Ricalcola();
    EXPECT_EQ(Colonna(schede), dopoNota);
    EXPECT_EQ(Saldo("C001", 1, "FUS"), 0.0) << "nothing left for a later billing run";

    // the note's printed summary: the quantity as stored, the refund's value
    Esegui(
        QStringLiteral("UPDATE CausaliFattCli SET UT_LMQ_FlStaCau = 2, UT_LMQ_FlTpStaCau = 2 WHERE IdCausale = 'NCC'"));
    TXlkTable *causali = TDMIBase::Crea()->lkCausFattCli;
    causali->Close();
    causali->Open();
    TXQuery stampa;
    stampa.SQL = QStringList{QStringLiteral("SELECT * FROM FattureCliTeste")};
    for (const char *campo : {"UT_LMQ_FlStaCau", "UT_LMQ_FlTpStaCau"})
        stampa.AddLookupField(QLatin1Char('_') + QLatin1String(campo), ftSmallint, 0, causali,
                              QStringLiteral("IdCausale"), QStringLiteral("IdCausale"), QLatin1String(campo));
    UT_LMQ_DVEN_CampiCastelletto(&stampa);
    stampa.OnCalcFields = [](TDataSet *t) { UT_LMQ_DVEN_StampaCastelletto(t, 2); };
    stampa.Open();
    EXPECT_EQ(stampa.FieldByName(QStringLiteral("_UT_IdCauz01"))->AsString(), QStringLiteral("FUS"));
    EXPECT_EQ(stampa.FieldByName(QStringLiteral("_UT_QtaRes01"))->AsFloat(), 6);
    EXPECT_EQ(stampa.FieldByName(QStringLiteral("_UT_QtaCarEcc01"))->AsFloat(), 4);
    EXPECT_EQ(stampa.FieldByName(QStringLiteral("_UT_ValCon01"))->AsFloat(), -3);
    EXPECT_EQ(stampa.FieldByName(QStringLiteral("_UT_TotValRes"))->AsFloat(), 3);
}

TEST_F(NoteCreditoCauzioni, WithoutExcessManagementTheWholeBalanceIsRefunded)
{
    Esegui(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
    Scheda("C001", 1, "FUS", 10, 0);
    Esegui(QStringLiteral("UPDATE LUMO_ProgCauz SET QtaResEcc = 4"));
    auto *d = Apri0155({QStringLiteral("C001")});
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Proposta(d), QStringList{"C001:FUS:10:1,5:15:0"});

    // a listed customer without balance gets nothing
    d->Close();
    ProcessEvents();
    Esegui(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
    d = Apri0155({QStringLiteral("C002")});
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Proposta(d).isEmpty());
    EXPECT_EQ(d->Pagina(), 0);
}

TEST_F(NoteCreditoCauzioni, NumbersFollowTheCounterAndAnEarlierDateIsAskedPerNote)
{
    Esegui(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, IdPagamento, "
                          "UT_LMQ_ContoCau) VALUES ('CL', 'C004', 'Osteria Neri', 1, 'RD', 'R05')"));
    Scheda("C004", 1, "CAS", 1, 0);
    Esegui(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 120, DataUltFatturaV = ?"),
           {QDateTime(QDate(2024, 3, 25), QTime(0, 0))});
    auto *d = Apri0155({QStringLiteral("C001"), QStringLiteral("C002"), QStringLiteral("C004")});
    ASSERT_NE(d, nullptr);
    script.Yes(Conferma).Yes(DataPrecedente).Yes(DataPrecedente).Yes(DataPrecedente);
    d->btGenera->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <121> a <123>"));
    EXPECT_EQ(Colonna(QStringLiteral("SELECT IdCliente, Numero FROM FattureCliTeste ORDER BY Numero")),
              (QStringList{"C001:121", "C002:122", "C004:123"}));
    EXPECT_EQ(Contatore(), 123);
    EXPECT_EQ(company.Database().ScalarValue(QStringLiteral("SELECT DataUltFatturaV FROM ProtIVA")).toDateTime().date(),
              QDate(2024, 3, 25))
        << "the later date is kept";
}

TEST_F(NoteCreditoCauzioni, NoToTheDateQuestionRollsBackEveryNoteOfTheRun)
{
    Esegui(QStringLiteral("UPDATE ProtIVA SET DataUltFatturaV = ?"), {QDateTime(QDate(2024, 3, 25), QTime(0, 0))});
    auto *d = Apri0155({QStringLiteral("C001"), QStringLiteral("C002")});
    ASSERT_NE(d, nullptr);
    script.Yes(Conferma).Yes(DataPrecedente).No(DataPrecedente);
    d->btGenera->click();
    ProcessEvents();
    EXPECT_TRUE(script.Shown(QStringLiteral("Protocolli fattura non presenti!")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <0> a <0>"));
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")) + Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(Contatore(), 10);
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 6.0);
}

TEST_F(NoteCreditoCauzioni, MissingCountersOrAnUnknownRegisterTypeWriteNothing)
{
    // no counter row for 2025
    auto *d = Apri0155({QStringLiteral("C001")}, QStringLiteral("NCC"), QDate(2025, 1, 10));
    ASSERT_NE(d, nullptr);
    Genera(d);
    EXPECT_TRUE(script.Shown(QStringLiteral("Tabella protocolli Iva non trovata")));
    EXPECT_TRUE(script.Shown(QStringLiteral("Protocolli fattura non presenti!")));
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);

    // a causal on register type 3
    script.ClearMessages();
    d = Apri0155({QStringLiteral("C001")}, QStringLiteral("NCX"));
    ASSERT_NE(d, nullptr);
    Genera(d);
    EXPECT_TRUE(script.Shown(QStringLiteral("Protocolli fattura non presenti!")));
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0);
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 6.0);
}

TEST_F(NoteCreditoCauzioni, ANumberAnotherUserStoredMeanwhileIsNeverGivenTwice)
{
    auto *d = Apri0155({QStringLiteral("C001")});
    ASSERT_NE(d, nullptr);
    // another user's note took 11 and its counter is not written yet
    AltroUtente()->ExecSQL(QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, "
                                          "DataDocumento, IdClienteTp, IdCliente) VALUES (900, 'NCC', 2024, 1, 11, ?, "
                                          "'CL', 'C002')"),
                           {QDateTime(QDate(2024, 3, 20), QTime(0, 0))});
    Genera(d);
    EXPECT_TRUE(script.Shown(QStringLiteral("Protocolli fattura non presenti!")))
        << script.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Colonna(QStringLiteral("SELECT Numero FROM FattureCliTeste")), QStringList{"11"});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")), 0);
    EXPECT_EQ(Contatore(), 10);
}

// A user's credit notes for C001 and C002.
KV8_LAVORO_UTENTE(NoteCreditoCauzioni, NoteCreditoStessiClienti)
{
    auto *d = Apri0155({QStringLiteral("C001"), QStringLiteral("C002")});
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Pagina(), 1);
    kv8test::AttendiVia();
    Genera(d);
    kv8test::NotaUtente(script.Texts());
}

TEST_F(NoteCreditoCauzioni, TwoUsersRefundingTheSameCustomersRefundThemOnce)
{
    UnaGenerazioneSola(
        QStringLiteral("NoteCreditoStessiClienti"),
        [&] {
            auto *d = Apri0155({QStringLiteral("C001"), QStringLiteral("C002")});
            ASSERT_NE(d, nullptr);
            Genera(d);
            ASSERT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <11> a <12>"));
        },
        QStringLiteral("C001"), 2, [&] { SchedeFatturate(); });
}

TEST_F(NoteCreditoCauzioni, AStockChangedSinceThePreparationRollsBackTheWholeRun)
{
    Esegui(QStringLiteral("UPDATE LUMO_Parametri SET FlGestEcc = 1"));
    auto *d = Apri0155({QStringLiteral("C001"), QStringLiteral("C002")});
    ASSERT_NE(d, nullptr);
    // another user books an excess BOT returned by C002 (the second customer) meanwhile: the
    // balance stays, the refund would not
    AltroUtente()->ExecSQL(QStringLiteral("UPDATE LUMO_ProgCauz SET QtaResEcc = 1, EsiAttEcc = 1 WHERE IdConto = "
                                          "'C002' AND IdImballo = 'BOT'"));
    Genera(d);
    NienteGenerato(QStringLiteral("C002"), 10); // nothing of the first customer either
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 6.0);

    // a balance changed: the same
    d = Apri0155({QStringLiteral("C001")});
    ASSERT_NE(d, nullptr);
    AltroUtente()->ExecSQL(QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaResF = 5 WHERE IdConto = 'C001' AND "
                                          "IdImballo = 'CAS' AND FlTipoScheda = 1"));
    script.ClearMessages();
    Genera(d);
    NienteGenerato(QStringLiteral("C001"), 10);
}
