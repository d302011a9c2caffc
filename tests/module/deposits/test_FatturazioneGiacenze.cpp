// The invoicing of outstanding deposit stock: the proposal from the account-total cards, the
// invoices written through the document generator and their deposit booking, in one run.
#include "tests/module/deposits/FatturazioneFixture.h"

#include "deposits/Qarn0154d.h"
#include "host/business/Dmicalcolototalidocs.h"
#include "host/db/DMIDataBases.h"

#include <chrono>
#include <future>
#include <thread>

using namespace kv8test;

namespace {

const QString Conferma = ConfermaGenerazione;

class FatturazioneGiacenze : public FatturazioneCauzioni {
protected:
    TFqarn0154d *Prepara(const QString &causale, const QString &da = QString(), const QString &a = QString())
    {
        auto *d = Apri<TFqarn0154d>(QStringLiteral("QARN0154D"));
        if (!d)
            return nullptr;
        d->tPars->FieldByName(QStringLiteral("DataDocumento"))
            ->SetAsDateTime(QDateTime(QDate(2024, 3, 20), QTime(0, 0)));
        d->tPars->FieldByName(QStringLiteral("IdCausale"))->SetAsString(causale);
        d->tPars->FieldByName(QStringLiteral("IdListino"))->SetAsString(QStringLiteral("L01"));
        d->tPars->FieldByName(QStringLiteral("IdClienteDa"))->SetAsString(da);
        d->tPars->FieldByName(QStringLiteral("IdClienteA"))->SetAsString(a);
        d->btEsegui->click();
        ProcessEvents();
        return d;
    }

    // The proposal, "customer:packaging:article:quantity:price:state".
    static QStringList Proposta(TFqarn0154d *d)
    {
        QStringList out;
        TXMemTable *p = d->cdsClientiCauz;
        for (p->First(); !p->Eof(); p->Next()) {
            QStringList r;
            for (const char *campo : {"IdCliente", "IdImballo", "IdProdotto", "Quantita", "Prezzo", "FlStato"})
                r << p->FieldByName(QLatin1String(campo))->AsString();
            out << r.join(QLatin1Char(':'));
        }
        return out;
    }

    // A run of every customer, confirmed, that bills both customers' stock in credit notes 11 and 12.
    void FatturaTutti()
    {
        auto *d = Prepara(QStringLiteral("FTC"));
        ASSERT_NE(d, nullptr);
        script.Yes(Conferma);
        d->btGenera->click();
        ProcessEvents();
        ASSERT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <11> a <12>"));
    }

    // A run of every customer refused on C002, whose return another user books after the
    // proposal (or whatever else the other user's statement does to C002): nothing generated.
    void CorsaRifiutata(const QString &altroUtente = QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaResF = 1 WHERE "
                                                                    "IdConto = 'C002' AND IdImballo = 'BOT'"))
    {
        auto *d = Prepara(QStringLiteral("FTC"));
        ASSERT_NE(d, nullptr);
        AltroUtente()->ExecSQL(altroUtente);
        script.Yes(Conferma);
        d->btGenera->click();
        ProcessEvents();
        NienteGenerato(QStringLiteral("C002"), 10); // nothing of the first customer either
    }

    // The run confirmed while another user's transaction holds what its statements wrote (taken
    // before the run starts); it commits while the run waits for it.
    void GeneraMentreAltroUtenteTiene(TFqarn0154d *d, const QStringList &istruzioni)
    {
        std::promise<void> preso;
        std::promise<void> domanda;
        const TestDb &azienda = company.Db();
        std::thread altro([&] {
            auto db = azienda.Connect(QStringLiteral("altro"));
            db->StartTransaction();
            for (const QString &sql : istruzioni)
                db->ExecSQL(sql);
            preso.set_value();
            domanda.get_future().wait();
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            db->Commit();
        });
        preso.get_future().wait();
        script.Yes(Conferma);
        {
            PrimaDellaDomanda passo(&script, Conferma, [&] { domanda.set_value(); });
            d->btGenera->click();
            ProcessEvents();
        }
        altro.join();
    }

    // An invoice's totals rows, "type:number:code:amounts", and its total: as stored, or
    // (ricalcolati) as the totals engine makes them from the invoice's stored head and rows.
    static QStringList Totali(qint64 chiave, bool ricalcolati)
    {
        const auto riga = [](const QString &tipo, int progressivo, const QString &codice,
                             std::initializer_list<double> v) {
            QStringList r{tipo, QString::number(progressivo), codice.trimmed()};
            for (double x : v)
                r << QString::number(x, 'f', 4);
            return r.join(QLatin1Char(':'));
        };
        QStringList out;
        TXQuery testa;
        testa.SQL = QStringList{QStringLiteral("SELECT * FROM FattureCliTeste WHERE KFattCliT = %1").arg(chiave)};
        testa.Open();
        if (!ricalcolati) {
            QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
                QStringLiteral("SELECT TipoRecord, Progressivo, Codice, Importo1, Importo2, Importo3, Importo4, "
                               "Percentuale FROM FattureCliTot WHERE KFattCliT = ? ORDER BY TipoRecord, Progressivo"),
                {chiave});
            while (q.next())
                out << riga(q.value(0).toString(), q.value(1).toInt(), q.value(2).toString(),
                            {q.value(3).toDouble(), q.value(4).toDouble(), q.value(5).toDouble(), q.value(6).toDouble(),
                             q.value(7).toDouble()});
            out << riga(QStringLiteral("TotDocumento"), 0, QString(),
                        {testa.FieldByName(QStringLiteral("TotDocumento"))->AsFloat()});
            return out;
        }
        TXQuery righe;
        righe.SQL = QStringList{
            QStringLiteral("SELECT * FROM FattureCliRighe WHERE KFattCliT = %1 ORDER BY NumOrdine").arg(chiave)};
        TXMemTable totali;
        totali.SetTableName(QStringLiteral("FattureCliTot"));
        totali.SetUsaDizionario(true);
        totali.SetKeepRecords(false);
        totali.SetIndexFieldNames(QStringLiteral("TipoRecord;Progressivo"));
        totali.Open();
        TXParam_TotaliDocs param;
        param.CodTipoDoc = 1;
        param.Testa = &testa;
        param.Righe = &righe;
        param.TabTotali = &totali;
        auto motore = Calcolototalidocs::CreaMotore();
        EXPECT_TRUE(motore->TOTDOCS_InternalCalcola(param, false));
        const auto numero = [&](const char *campo) { return totali.FieldByName(QLatin1String(campo))->AsFloat(); };
        for (totali.First(); !totali.Eof(); totali.Next())
            out << riga(totali.FieldByName(QStringLiteral("TipoRecord"))->AsString(),
                        totali.FieldByName(QStringLiteral("Progressivo"))->AsInteger(),
                        totali.FieldByName(QStringLiteral("Codice"))->AsString(),
                        {numero("Importo1"), numero("Importo2"), numero("Importo3"), numero("Importo4"),
                         numero("Percentuale")});
        out << riga(QStringLiteral("TotDocumento"), 0, QString(), {motore->Totali.TotDocumento});
        return out;
    }
};

} // namespace

TEST_F(FatturazioneGiacenze, RefusesMissingAndInvalidParameters)
{
    auto *d = Apri<TFqarn0154d>(QStringLiteral("QARN0154D"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Pagina(), 0);
    auto rifiuto = [&](const QString &controllo, const QString &testo, const QString &messaggio) {
        script.ClearMessages();
        EXPECT_FALSE(Scrivi(d, controllo, testo)) << testo.toStdString();
        EXPECT_EQ(script.LastText(), messaggio) << testo.toStdString();
    };
    rifiuto(QStringLiteral("edIdCausale"), QStringLiteral("X'Y"), QStringLiteral("Codice causale non valido"));
    rifiuto(QStringLiteral("edIdCausale"), QStringLiteral("FT"),
            QStringLiteral("Attenzione, la Causale non gestisce le cauzioni"));
    rifiuto(QStringLiteral("edIdListino"), QStringLiteral("L99"), QStringLiteral("Codice listino non valido"));

    auto esegui = [&](const QString &messaggio) {
        script.ClearMessages();
        d->btEsegui->click();
        ProcessEvents();
        EXPECT_EQ(script.LastText(), messaggio);
        EXPECT_EQ(d->Pagina(), 0);
    };
    esegui(QStringLiteral("Causale non impostata"));
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edIdCausale"), QStringLiteral("FTC")));
    esegui(QStringLiteral("Data documento non impostata"));
    d->tPars->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(QDateTime(QDate(2024, 3, 20), QTime(0, 0)));
    esegui(QStringLiteral("Listino non impostato"));
    EXPECT_TRUE(d->cdsClientiCauz->IsEmpty() || !d->cdsClientiCauz->Active());
}

TEST_F(FatturazioneGiacenze, ProposesTheInvoicedBalancesOfTheRange)
{
    // C003 keeps no deposits: the card update never books its return, so it is left out
    Scheda("C003", 1, "CAS", 4, 0);
    auto *d = Prepara(QStringLiteral("FTC"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Pagina(), 1);
    // C002's CAS is settled; BOT is missing from the list (price 0); FUS has no article
    EXPECT_EQ(Proposta(d),
              (QStringList{"C001:BOT:BOT:3:0:", "C001:CAS:CAS:6:2,5:", "C001:FUS::2:0:1", "C002:BOT:BOT:2:0:"}));
    d->Close();
    ProcessEvents();

    // a quoted bound; a range with nothing owed stays on the selection
    d = Prepara(QStringLiteral("FTC"), QStringLiteral("C002"), QStringLiteral("C9'"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Proposta(d), QStringList{"C002:BOT:BOT:2:0:"});
    d->Close();
    ProcessEvents();
    d = Prepara(QStringLiteral("FTC"), QStringLiteral("C003"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Proposta(d).isEmpty());
    EXPECT_EQ(d->Pagina(), 0);
}

TEST_F(FatturazioneGiacenze, WritesOneInvoicePerCustomerAndBooksTheStockAsReturned)
{
    auto *d = Prepara(QStringLiteral("FTC"));
    ASSERT_NE(d, nullptr);
    QPointer<TFqarn0154d> finestra(d);
    script.ClearMessages();
    script.No(Conferma);
    d->btGenera->click();
    ProcessEvents();
    EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")), 0) << "No changes nothing";
    ASSERT_FALSE(finestra.isNull());

    script.Yes(Conferma);
    d->btGenera->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <11> a <12>"));
    EXPECT_TRUE(finestra.isNull()) << "the run closes the window";

    EXPECT_EQ(Colonna(QStringLiteral("SELECT Numero, IdCliente, IdClienteTp, UT_LMQ_IdListCau, UT_LMQ_FlCauzioni "
                                     "FROM FattureCliTeste ORDER BY Numero")),
              (QStringList{"11:C001:CL:L01:1", "12:C002:CL:L01:1"}));
    EXPECT_EQ(
        Colonna(QStringLiteral("SELECT T.Numero, R.NumOrdine, R.IdProdotto, R.UT_LMQ_IdImballo1, R.Quantita, "
                               "R.Prezzo, R.ImportoNetto, R.IdConto FROM FattureCliRighe R JOIN FattureCliTeste T "
                               "ON T.KFattCliT = R.KFattCliT ORDER BY T.Numero, R.NumOrdine")),
        (QStringList{"11:1024:BOT:BOT:3:0:0:R05", "11:2048:CAS:CAS:6:2.5:15:R05", "12:1024:BOT:BOT:2:0:0:R05"}));
    // the deposit side: one movement per invoice, one row and one summary per invoice row
    EXPECT_EQ(Colonna(QStringLiteral("SELECT T.Numero, T.FlTipoDocColl, T.IdConto, R.IdImballo, R.QtaRes, R.ValoreRes "
                                     "FROM LUMO_MovCauR R JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT "
                                     "ORDER BY T.Numero, R.IdImballo")),
              (QStringList{"11:2:C001:BOT:3:0", "11:2:C001:CAS:6:15", "12:2:C002:BOT:2:0"}));
    EXPECT_EQ(Colonna(QStringLiteral("SELECT IdImballo, QtaRes, EsistenzaAtt, EsistenzaF FROM LUMO_CauzDocFatt "
                                     "WHERE IdImballo = 'CAS'")),
              QStringList{"CAS:6:6:6"})
        << "the card before the booking";
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 0.0);
    EXPECT_EQ(Saldo("C001", 1, "BOT"), 0.0);
    EXPECT_EQ(Saldo("C002", 1, "BOT"), 0.0);
    EXPECT_EQ(Saldo("C001", 0, "CAS"), 0.0);
    EXPECT_EQ(Saldo("C001", 1, "FUS"), 2.0) << "no article: neither invoiced nor booked";
    EXPECT_EQ(company.Database().ScalarValue(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA")).toInt(), 12);
}

TEST_F(FatturazioneGiacenze, EachInvoiceHasTheTotalsItsStoredRowsGive)
{
    // a run rolled back first: the next one of the same program numbers and totals as if alone
    CorsaRifiutata();
    AltroUtente()->ExecSQL(QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaResF = 0 WHERE IdConto = 'C002' AND "
                                          "IdImballo = 'BOT'"));
    FatturaTutti();
    if (HasFatalFailure())
        return;
    const QStringList chiavi = Colonna(QStringLiteral("SELECT KFattCliT FROM FattureCliTeste ORDER BY Numero"));
    ASSERT_EQ(chiavi.size(), 2);
    for (const QString &chiave : chiavi)
        EXPECT_EQ(Totali(chiave.toLongLong(), false), Totali(chiave.toLongLong(), true)) << chiave.toStdString();
    // 6 CAS at 2.50 and 3 BOT at 0 with VAT at 22%, one remittance instalment at the invoice's date
    const QStringList prima = Totali(chiavi.first().toLongLong(), false);
    EXPECT_TRUE(prima.contains(QStringLiteral("IVA:1:22:15.0000:3.3000:15.0000:3.3000:22.0000")))
        << prima.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(prima.contains(QStringLiteral("SCA:1:RD:18.3000:18.3000:0.0000:0.0000:0.0000")))
        << prima.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(prima.last(), QStringLiteral("TotDocumento:0::18.3000"));
    EXPECT_EQ(Contatore(), 12);
}

TEST_F(FatturazioneGiacenze, ACausalWithoutMovementsWritesOnlyTheInvoices)
{
    auto *d = Prepara(QStringLiteral("FTN"), QStringLiteral("C002"));
    ASSERT_NE(d, nullptr);
    script.Yes(Conferma);
    d->btGenera->click();
    ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <11> a <11>"));
    EXPECT_EQ(Conta(QStringLiteral("FattureCliRighe")), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovCauT")) + Conta(QStringLiteral("LUMO_MovCauR"))
                  + Conta(QStringLiteral("LUMO_CauzDocFatt")),
              0);
    EXPECT_EQ(Saldo("C002", 1, "BOT"), 2.0);
}

TEST_F(FatturazioneGiacenze, ABalanceChangedSinceThePreparationRollsBackTheWholeRun)
{
    // another user books a return of C002 (the second customer) meanwhile
    CorsaRifiutata();
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 6.0);
    // or switches C002's deposits off: its invoice would leave the stock on its cards
    Esegui(QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaResF = 0 WHERE IdConto = 'C002' AND IdImballo = 'BOT'"));
    CorsaRifiutata(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlCauz = 0 WHERE IdConto = 'C002'"));
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 6.0);
}

TEST_F(FatturazioneGiacenze, TheRecalculationRebuildsTheCardsTheRunLeft)
{
    // the cards from manual movements: C001 loaded 10 CAS and returned 4, invoiced sets
    Esegui(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
    Esegui(QStringLiteral("INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, IdContoTp, IdConto, "
                          "IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB) VALUES "
                          "(1, ?, 0, 0, 'CL', 'C001', 0, 'EUR', 1, 1, 1, 0)"),
           {QDateTime(QDate(2024, 2, 1), QTime(0, 0))});
    Esegui(QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, "
                          "ValoreRes, QtaCarEcc, QtaResEcc) VALUES (10, 1, 'CAS', 10, 4, 2.5, 0, 0, 0, 0)"));
    Ricalcola();
    ASSERT_EQ(Saldo("C001", 1, "CAS"), 6.0);

    auto *d = Prepara(QStringLiteral("FTC"), QStringLiteral("C001"), QStringLiteral("C001"));
    ASSERT_NE(d, nullptr);
    script.Yes(Conferma);
    d->btGenera->click();
    ProcessEvents();
    ASSERT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <11> a <11>"));
    const QString schede = QStringLiteral("SELECT IdConto, IdDestinazione, FlTipoScheda, IdImballo, ProgQtaCar, "
                                          "ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, ProgValCarF, "
                                          "ProgValResF FROM LUMO_ProgCauz ORDER BY IdConto, IdDestinazione, "
                                          "FlTipoScheda, IdImballo");
    const QStringList dopo = Colonna(schede);
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 0.0);
    EXPECT_EQ(Saldo("C001", 0, "CAS"), 0.0);
    Ricalcola();
    EXPECT_EQ(Colonna(schede), dopo) << "the invoice's summary rebuilds what the run booked";
}

TEST_F(FatturazioneGiacenze, OfTwoRunsOpenAtOnceTheSecondBillsNothing)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "two connections writing at once: PostgreSQL";
    auto *d = Prepara(QStringLiteral("FTC"), QStringLiteral("C001"), QStringLiteral("C001"));
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->cdsClientiCauz->RecordCount(), 3);
    // another user's run of the same customer holds its billed cards when this one asks to
    // confirm, and commits while this one waits for them
    GeneraMentreAltroUtenteTiene(d, {QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 11"),
                                     QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaResF = ProgQtaCarF, ProgValResF = "
                                                    "ProgValCarF WHERE IdConto = 'C001'")});
    NienteGenerato(QStringLiteral("C001"), 11); // never billed twice
    EXPECT_EQ(Saldo("C001", 1, "CAS"), 0.0) << "as the other run left it";
}

TEST_F(FatturazioneGiacenze, ADestinationCardAnotherUserHoldsIsWaitedForAndSummarisedAsLeft)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "two connections writing at once: PostgreSQL";
    auto *d = Prepara(QStringLiteral("FTC"), QStringLiteral("C001"), QStringLiteral("C001"));
    ASSERT_NE(d, nullptr);
    // another user's delivery note loads 4 more CAS on C001's destination card (its invoiced
    // balance untouched) and commits while the run waits for the card
    GeneraMentreAltroUtenteTiene(d, {QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + 4, ProgValCar "
                                                    "= ProgValCar + 4 WHERE IdConto = 'C001' AND FlTipoScheda = 0 AND "
                                                    "IdImballo = 'CAS'")});
    EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <11> a <11>"));
    EXPECT_EQ(Colonna(QStringLiteral("SELECT IdImballo, QtaRes, EsistenzaAtt, ValoreEsiAtt, EsistenzaF FROM "
                                     "LUMO_CauzDocFatt WHERE IdImballo = 'CAS'")),
              QStringList{"CAS:6:10:10:6"})
        << "the card before the booking, as the other user left it";
    EXPECT_EQ(Depositi::Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"),
                               QStringLiteral("ProgQtaCar - ProgQtaRes")),
              4.0);
    EXPECT_EQ(Saldo("C001", 0, "CAS"), 0.0);
}

// A user's invoices of every customer's outstanding stock.
KV8_LAVORO_UTENTE(FatturazioneGiacenze, FatturaGiacenze)
{
    auto *d = Prepara(QStringLiteral("FTC"));
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Pagina(), 1);
    script.Yes(Conferma);
    kv8test::AttendiVia();
    d->btGenera->click();
    ProcessEvents();
    kv8test::NotaUtente(script.Texts());
}

TEST_F(FatturazioneGiacenze, TwoUsersBillingTheSameStockBillItOnce)
{
    UnaGenerazioneSola(
        QStringLiteral("FatturaGiacenze"), [&] { FatturaTutti(); }, QStringLiteral("C001"), 2,
        [&] { SchedeFatturate(); });
}
