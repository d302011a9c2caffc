// Registration of a document's deposit summary: the stored rows, the account's cards, the
// pending returns and the journal movement through a document's life (new, modified,
// deleted), a save rolled back and retried, and two users saving at once.
#include "CauzioniDocTest.h"

#include "host/db/TXTransaction.h"
#include "host/ui/Kmessages.h"

#include <map>

namespace {

const char *const kColonneScheda[] = {"ProgQtaCar",  "ProgQtaRes",  "ProgValCar",  "ProgValRes",  "ProgQtaCarF",
                                      "ProgQtaResF", "ProgValCarF", "ProgValResF", "ProgQtaCarB", "ProgQtaResB",
                                      "ProgValCarB", "ProgValResB", "QtaCarEcc",   "QtaResEcc",   "EsiAttEcc"};

class RegCastelletto : public CauzioniDocTest {
protected:
    // Every card of the account's packaging, by (destination, kind, code): its amounts.
    using Schede = std::map<QString, std::vector<double>>;
    Schede SchedeDi(const QString &tp, const QString &conto)
    {
        Schede s;
        QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT * FROM LUMO_ProgCauz WHERE IdContoTp = ? AND IdConto = ?"),
                                    {tp, conto});
        while (q.next()) {
            const QString id = QStringLiteral("%1/%2/%3")
                                   .arg(q.value(QStringLiteral("IdDestinazione")).toInt())
                                   .arg(q.value(QStringLiteral("FlTipoScheda")).toInt())
                                   .arg(q.value(QStringLiteral("IdImballo")).toString());
            for (const char *c : kColonneScheda)
                s[id].push_back(q.value(QLatin1String(c)).toDouble());
        }
        return s;
    }
    // A card is back when it equals its former amounts, or reads all zeros when it was new.
    void AttesoComePrima(const Schede &prima, const Schede &ora)
    {
        for (const auto &[id, valori] : ora) {
            const auto it = prima.find(id);
            for (size_t i = 0; i < valori.size(); ++i)
                EXPECT_NEAR(valori[i], it == prima.end() ? 0.0 : it->second[i], 1e-9)
                    << id.toStdString() << " " << kColonneScheda[i];
        }
    }

    // The save of the window, by hand: build before, registration and head inside.
    void Salva(int modo)
    {
        if (modo != 2)
            Crea();
        TXTransaction tr(*db);
        ASSERT_TRUE(tr.Started());
        Registra(modo);
        if (modo == 2)
            testa->Delete();
        else
            testa->Post();
        tr.Commit();
    }
    void RiapriTesta()
    {
        testa->Edit();
        RicaricaCauz();
        righe->Open();
    }

    int Conta(const QString &sql, const QVariantList &p = {}) { return db->ScalarValue(sql, p).toInt(); }
    double Card(const QString &conto, int dest, int tipoScheda, const QString &imballo, const char *col)
    {
        return V(Scheda(QStringLiteral("CL"), conto, dest, tipoScheda, imballo), col);
    }
};

} // namespace

TEST_F(RegCastelletto, NewModifiedAndDeletedDeliveryNote)
{
    SchedaIniziale("CL", "C1", 0, "C01", 20, 8, 30, 12);
    Reso(1, "C1", 0, "C01", 4);
    Reso(2, "C1", 3, "C01", 6); // another destination: stays pending, the customer keeps none
    const Schede prima = SchedeDi("CL", "C1");
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 5, "B01", 12);
    Salva(0);

    const qint64 k = Chiave();
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_CauzDocBoll WHERE KBolleCliT = ?", {k}), 3);
    // loaded 5, returned the 4 pending, at 1.50
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaCar"), 25);
    EXPECT_EQ(Card("C1", 0, 1, "C01", "ProgQtaRes"), 12);
    EXPECT_DOUBLE_EQ(Card("C1", 0, 0, "C01", "ProgValCar"), 37.5);
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaCarB"), 25);
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaCarF"), 0);
    EXPECT_EQ(Card("C1", 0, 0, "B01", "ProgQtaCar"), 12);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovResT WHERE KDocT = ? AND FlTipoDocColl = 1", {k}), 1);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT WHERE KDocT = ? AND FlTipoDocColl = 1", {k}), 1);
    EXPECT_EQ(
        Conta("SELECT COUNT(*) FROM LUMO_MovCauR R JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT WHERE T.KDocT = ?",
              {k}),
        2); // G01 moved nothing
    const int primoMovimento = Conta("SELECT KContaT FROM LUMO_MovCauT WHERE KDocT = ?", {k});
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT IdListino FROM LUMO_MovCauT WHERE KDocT = ?"), {k}).toString(),
              "L1");

    // modified: 5 -> 7, the bottle row deleted, a new code
    RiapriTesta();
    ASSERT_TRUE(righe->Locate(QStringLiteral("NumOrdine"), 1));
    righe->Edit();
    righe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(7);
    righe->FieldByName(QStringLiteral("UT_LMQ_IdImballo2"))->SetAsString(QString(QLatin1String("")));
    righe->FieldByName(QStringLiteral("Stato"))->SetAsInteger(1);
    righe->Post();
    RigaImballi(2, "A", "G01", 3, "", 0);
    Salva(1);
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaCar"), 27);
    EXPECT_EQ(Card("C1", 0, 1, "C01", "ProgQtaRes"), 12);
    EXPECT_EQ(Card("C1", 0, 0, "B01", "ProgQtaCar"), 0);
    EXPECT_EQ(Card("C1", 0, 1, "G01", "ProgQtaCar"), 3);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT WHERE KDocT = ?", {k}), 1);
    EXPECT_NE(Conta("SELECT KContaT FROM LUMO_MovCauT WHERE KDocT = ?", {k}), primoMovimento);
    EXPECT_EQ(
        Conta("SELECT COUNT(*) FROM LUMO_MovCauR R JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT WHERE T.KDocT = ?",
              {k}),
        2); // C01, G01
    EXPECT_DOUBLE_EQ(db->ScalarValue(QStringLiteral("SELECT QtaCar FROM LUMO_CauzDocBoll WHERE KBolleCliT = ? AND "
                                                    "IdImballo = 'C01'"),
                                     {k})
                         .toDouble(),
                     7);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauR"), 2); // the old rows went with their head

    // deleted
    RicaricaCauz();
    Salva(2);
    AttesoComePrima(prima, SchedeDi("CL", "C1"));
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_CauzDocBoll"), 0);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovResT WHERE KDocT = 0 AND FlTipoDocColl = 0"), 2);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT"), 0);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauR"), 0);
}

TEST_F(RegCastelletto, SupplierAndInvoiceRoadsLeaveTheCardsAsBefore)
{
    Esegui(
        QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, UT_LMQ_FlCauzioni, "
                       "UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggMovC) VALUES ('FV', 'Fattura', 1, 1, 1, 1, 1)"));
    SchedaIniziale("FO", "F1", 0, "B01", 40, 10, 10, 2.5);
    for (const char *sigla : {"DTA", "FI"}) {
        const bool fornitore = QLatin1String(sigla) == QLatin1String("DTA");
        const QString tp = fornitore ? QStringLiteral("FO") : QStringLiteral("CL");
        const QString conto = fornitore ? QStringLiteral("F1") : QStringLiteral("C1");
        const Schede prima = SchedeDi(tp, conto);
        Documento(conto, fornitore ? QStringLiteral("V") : QStringLiteral("FV"), QLatin1String(sigla));
        RigaImballi(1, "A", "C01", 5, "B01", 12);
        Salva(0);
        EXPECT_EQ(V(Scheda(tp, conto, 0, 1, QStringLiteral("B01")), "ProgQtaCar"), fornitore ? 52 : 12) << sigla;
        EXPECT_EQ(V(Scheda(tp, conto, 0, 0, QStringLiteral("C01")), "ProgQtaCarF"), fornitore ? 0 : 5) << sigla;
        RiapriTesta();
        ASSERT_TRUE(righe->Locate(QStringLiteral("NumOrdine"), 1));
        righe->Edit();
        righe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(7);
        righe->Post();
        Salva(1);
        EXPECT_EQ(V(Scheda(tp, conto, 0, 0, QStringLiteral("C01")), "ProgQtaCar"), 7) << sigla;
        RicaricaCauz();
        Salva(2);
        AttesoComePrima(prima, SchedeDi(tp, conto));
        EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT"), 0) << sigla;
    }
}

TEST_F(RegCastelletto, AccountDestinationCurrencyAndCausalChangedBetweenSaves)
{
    SchedaIniziale("CL", "C1", 0, "C01", 20, 8, 30, 12);
    const Schede primaC1 = SchedeDi("CL", "C1");
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 5, "", 0);
    Salva(0);

    // same rows, other customer (cards per destination), destination, currency, causal
    RiapriTesta();
    Testa({{"IdCliente", "C2"}, {"IdDestinazione", 4}, {"IdDivisa", "USD"}, {"Cambio", 0.5}, {"IdCausale", "N"}});
    {
        TXTransaction tr(*db);
        Registra(1);
        testa->Post();
        tr.Commit();
    }
    AttesoComePrima(primaC1, SchedeDi("CL", "C1"));
    EXPECT_EQ(Card("C2", 4, 0, "C01", "ProgQtaCar"), 5);
    EXPECT_EQ(Card("C2", 0, 1, "C01", "ProgQtaCar"), 5);
    EXPECT_EQ(Card("C2", 4, 0, "C01", "ProgQtaCarB"), 0);     // causal N moves the general set only
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT"), 0); // N keeps no journal movement

    RicaricaCauz();
    Salva(2);
    AttesoComePrima(primaC1, SchedeDi("CL", "C1"));
    AttesoComePrima({}, SchedeDi("CL", "C2"));
}

TEST_F(RegCastelletto, CausalWithoutJournalAndDestinationsOfACustomerWithoutThem)
{
    Reso(1, "C1", 0, "C01", 4);
    Reso(2, "C2", 3, "C01", 6);
    Reso(3, "C2", 0, "C01", 1);
    Documento("C1", "N");
    Testa({{"IdDestinazione", 3}});
    RigaImballi(1, "A", "C01", 5, "", 0);
    Salva(0);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT"), 0);
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 1"), Chiave());
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 2"), 0);

    // the customer with cards per destination: only destination 3's returns
    Documento("C2", "V");
    Testa({{"IdDestinazione", 3}});
    RigaImballi(1, "A", "C01", 5, "", 0);
    Salva(0);
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 2"), Chiave());
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 3"), 0);

    // a modified document never links returns
    Reso(4, "C2", 3, "C01", 2);
    RiapriTesta();
    Salva(1);
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 4"), 0);
}

TEST_F(RegCastelletto, DeletedWithNoSummaryLoadedStillLosesItsJournalMovement)
{
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 5, "", 0);
    Salva(0);
    ASSERT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT"), 1);
    // the window deletes without loading the summary
    cauz->Close();
    cauz->Open();
    while (!cauz->IsEmpty())
        cauz->Delete();
    Salva(2);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT"), 0);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauR"), 0);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_CauzDocBoll"), 0);
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaCar"), 0);
}

TEST_F(RegCastelletto, AFailureAfterTheRegistrationRollsBackAndTheRetryRegistersOnce)
{
    Reso(1, "C1", 0, "C01", 4);
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 5, "", 0);
    Crea();
    {
        TXTransaction tr(*db);
        Registra(0);
        // the host's write of the head fails: the scope ends without a commit
    }
    testa->Cancel();
    NuovaTesta("C1", "V");
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_CauzDocBoll"), 0);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_ProgCauz WHERE ProgQtaCar <> 0"), 0);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovResT WHERE KDocT <> 0"), 0);

    {
        TXTransaction tr(*db);
        Registra(0);
        testa->Post();
        tr.Commit();
    }
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaCar"), 5);
    EXPECT_EQ(Card("C1", 0, 1, "C01", "ProgQtaRes"), 4);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_CauzDocBoll"), 3);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_MovCauT"), 1);
}

TEST_F(RegCastelletto, ANewSummaryRegisteredTwiceFailsWithoutDoublingACard)
{
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 5, "", 0);
    Salva(0);
    const qint64 k = Chiave();
    {
        TXTransaction tr(*db);
        EXPECT_ANY_THROW(Registra(0));
    }
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaCar"), 5);
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_CauzDocBoll WHERE KBolleCliT = ?", {k}), 3);
}

TEST_F(RegCastelletto, TwoUsersSavingDocumentsOfOneAccountLoseNoUpdate)
{
    if (!tdb.IsPostgres())
        GTEST_SKIP() << "two users of one company: PostgreSQL";
    // the second user: own connection, own shared data module
    std::unique_ptr<TXDatabase> altroDb = tdb.Connect(QStringLiteral("UtenteB"));
    auto altroDm = std::make_unique<TDMILUMO>();
    for (TXQuery *q : {altroDm->qLUMO_ProgCauz, altroDm->qLUMO_CauzRese, altroDm->qImballi, altroDm->qListCauz,
                       altroDm->qGenerica, altroDm->qAppoLUMO})
        q->SetDatabase(altroDb.get());
    for (TXClientTable *t : {altroDm->TRS_ProgCauz, altroDm->TRS_MovCauT, altroDm->TRS_MovCauR})
        t->SetDatabase(altroDb.get());
    TXClientTable archivioB;
    archivioB.SetTableName(QStringLiteral("LUMO_CauzDocBoll"));
    archivioB.SetDatabase(altroDb.get());
    archivioB.SetUsaDizionario(true);
    archivioB.SetXWhereVuoto(QStringLiteral("KBolleCliT = 0"));
    archivioB.Open();
    TabellaLocale(QStringLiteral("LUMO_t_CauzDocBoll"), QString());
    // a document of the second user: a new head and a summary loading C01
    auto salvaB = [&](int numero, double casse) {
        TXClientTable testaB;
        testaB.SetTableName(QStringLiteral("BolleCliTeste"));
        testaB.SetDatabase(altroDb.get());
        testaB.SetUsaDizionario(true);
        testaB.SetXWhereVuoto(QStringLiteral("KBolleCliT = 0"));
        testaB.Open();
        testaB.Append();
        for (const auto &[campo, valore] : Valori{{"IdClienteTp", "CL"},
                                                  {"IdCliente", "C1"},
                                                  {"IdCausale", "N"},
                                                  {"Anno", 2025},
                                                  {"Numero", numero},
                                                  {"IdDivisa", "EUR"},
                                                  {"DataDocumento", QDateTime(QDate(2025, 3, 14), QTime(0, 0))}})
            testaB.FieldByName(QLatin1String(campo))->SetValue(valore);
        TXTable cauzB;
        cauzB.SetDatabaseName(QStringLiteral("LocalDatabase"));
        cauzB.SetTableName(QStringLiteral("LUMO_t_CauzDocBoll"));
        cauzB.SetUsaDizionario(true);
        cauzB.Open();
        while (!cauzB.IsEmpty())
            cauzB.Delete();
        cauzB.Append();
        cauzB.FieldByName(QStringLiteral("KBolleCliT"))
            ->SetAsInteger(testaB.FieldByName(QStringLiteral("KBolleCliT"))->AsInteger());
        cauzB.FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("C01"));
        cauzB.FieldByName(QStringLiteral("QtaCar"))->SetAsFloat(casse);
        cauzB.FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(1.5);
        cauzB.FieldByName(QStringLiteral("Stato"))->SetAsInteger(2);
        cauzB.Post();
        DMILUMO = altroDm.get();
        QString errore;
        try {
            TXTransaction tr(*altroDb);
            UT_LMQ_DVEN_RegCastCauz(&testaB, &cauzB, &archivioB, 0, QStringLiteral("DT"));
            testaB.Post();
            tr.Commit();
        } catch (const std::exception &e) {
            errore = QString::fromUtf8(e.what());
        }
        DMILUMO = dm.get();
        return errore;
    };

    ASSERT_EQ(salvaB(10, 5), QString()); // the second user has read the card
    Documento("C1", "N");
    RigaImballi(1, "A", "C01", 3, "", 0);
    Salva(0);                             // the first user changes it
    const QString errore = salvaB(12, 2); // the first user's note took number 11
    const double caricato = Card("C1", 0, 0, "C01", "ProgQtaCar");
    if (errore.isEmpty()) {
        EXPECT_EQ(caricato, 10); // 5 + 3 + 2: nothing lost
    } else {
        EXPECT_EQ(caricato, 8); // the failed save left nothing behind
        EXPECT_EQ(Conta("SELECT COUNT(*) FROM BolleCliTeste WHERE Numero = 12"), 0);
    }
    EXPECT_EQ(Card("C1", 0, 1, "C01", "ProgQtaCar"), caricato);
    EXPECT_EQ(Conta("SELECT SUM(QtaCar) FROM LUMO_CauzDocBoll"), caricato);
}

TEST_F(RegCastelletto, OnlyThePendingReturnsTheSummaryCountedAreLinked)
{
    Reso(1, "C1", 0, "C01", 4);
    // a return document leaves the pending crates out, and pending
    Documento("C1", "R");
    RigaImballi(1, "A", "C01", 5, "", 0);
    Salva(0);
    const qint64 reso = Chiave();
    EXPECT_DOUBLE_EQ(db->ScalarValue(QStringLiteral("SELECT QtaRes FROM LUMO_CauzDocBoll WHERE KBolleCliT = ? AND "
                                                    "IdImballo = 'C01'"),
                                     {reso})
                         .toDouble(),
                     5);
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 1"), 0) << "not counted, not linked";
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaRes"), 5);

    // the next document counts them; a return typed after its first build waits for another
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 2, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "QtaResPn"), 4);
    Reso(2, "C1", 0, "C01", 6);
    Salva(0);
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 1"), Chiave());
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 2"), 0);
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaRes"), 9) << "5 + the 4 counted";

    // the one after takes the 6 left
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 1, "", 0);
    Salva(0);
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 2"), Chiave());
    EXPECT_EQ(Card("C1", 0, 1, "C01", "ProgQtaRes"), 15);
    EXPECT_EQ(Conta("SELECT SUM(QtaRes) FROM LUMO_CauzDocBoll"), 15);
}

TEST_F(RegCastelletto, APendingReturnTakenByAnotherDocumentMeanwhileFailsTheSave)
{
    Reso(1, "C1", 0, "C01", 4);
    Documento("C1", "V");
    RigaImballi(1, "A", "C01", 2, "", 0);
    Crea();
    EXPECT_EQ(DiCauz("C01", "QtaResPn"), 4);
    // another user's document takes the return first
    db->ExecSQL(QStringLiteral("UPDATE LUMO_MovResT SET KDocT = 999, FlTipoDocColl = 1 WHERE KMovResT = 1"));
    QString errore;
    try {
        TXTransaction tr(*db);
        Registra(0);
        testa->Post();
        tr.Commit();
    } catch (const std::exception &e) {
        errore = Kmessages::ExceptionText(e);
    }
    EXPECT_TRUE(errore.startsWith(QStringLiteral("I resi in sospeso contati nel castelletto cauzioni non sono più in "
                                                 "attesa")))
        << errore.toStdString();
    EXPECT_EQ(Conta("SELECT COUNT(*) FROM LUMO_CauzDocBoll"), 0);
    EXPECT_EQ(Card("C1", 0, 0, "C01", "ProgQtaRes"), 0) << "counted once, by the other document";
    EXPECT_EQ(Conta("SELECT KDocT FROM LUMO_MovResT WHERE KMovResT = 1"), 999);
}
