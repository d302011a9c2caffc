// Customer reservations: the check before a save, their fulfilment inside it, their restoring
// when the document is deleted, and what a failure or another user leaves behind.
#include "EngineTest.h"

#include "host/db/TXTransaction.h"

#include <functional>

namespace {

const QString kResiduo4 =
    QStringLiteral("Per l'articolo : A  Vino A\r\nQuantità Prenotata Residua : 4   Quantità Documento : 5");
const QString kIncongruenze =
    QStringLiteral("Ci sono incongruenze tra Documento e Prenotazione - non \r\nposso registrare");

class Prenotazioni : public EngineDbTest {
protected:
    void SetUp() override
    {
        EngineDbTest::SetUp();
        if (IsSkipped())
            return;
        Articolo(QStringLiteral("A"), 1);
        Articolo(QStringLiteral("B"), 1);
    }

    void Prenotazione(int chiave, const QString &cliente, const QString &agente, int stato = 0)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_PrenotaT (KContaT, IdConto, IdAgente, FlStato) VALUES (?, ?, ?, ?)"),
               {chiave, cliente, Testo(agente), stato});
    }
    void Prenotata(int riga, int prenotazione, const QString &articolo, double numConf, double numConfEva = 0)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_PrenotaR (KContaR, KContaT, IdProdotto, NumConf, NumConfEva) "
                              "VALUES (?, ?, ?, ?, ?)"),
               {riga, prenotazione, articolo, numConf, numConfEva});
    }

    // A delivery note (or an invoice) of the customer, whose agent the head takes from it, in
    // insert with its key drawn.
    void Documento(const QString &cliente, const QString &agente, bool fattura = false)
    {
        Esegui(QStringLiteral("DELETE FROM Clienti WHERE IdContoTp = 'CL' AND IdConto = ?"), {cliente});
        Esegui(QStringLiteral(
                   "INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, IdAgente1) VALUES ('CL', ?, ?, ?)"),
               {cliente, QStringLiteral("Cliente ") + cliente, Testo(agente)});
        if (fattura) {
            ApriTesta(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
            ApriRighe(QStringLiteral("t_RigheFattCli"), QStringLiteral("FattureCliRighe"));
        } else {
            ApriTesta();
            ApriRighe();
        }
        Testa({{"IdCliente", cliente}});
    }
    void RigaDoc(int numero, const QString &articolo, double confezioni)
    {
        Riga({{"NumOrdine", numero},
              {"IdProdotto", articolo},
              {"Descrizione", articolo.isEmpty() ? QStringLiteral("nota") : QStringLiteral("Vino ") + articolo},
              {"Lunghezza", confezioni}});
    }

    bool Evadi(int modo, const QString &sigla = QStringLiteral("DT"))
    {
        return UT_LMQ_DVEN_EvadiPrenotazioni(testa.get(), righe.get(), nullptr, modo, sigla);
    }

    double Evase(int riga)
    {
        return Numero(QStringLiteral("SELECT NumConfEva FROM LUMO_PrenotaR WHERE KContaR = ?"), {riga});
    }
    int Stato(int prenotazione)
    {
        return db->ScalarValue(QStringLiteral("SELECT FlStato FROM LUMO_PrenotaT WHERE KContaT = ?"), {prenotazione})
            .toInt();
    }
    int Evasioni() { return db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_PrenotaE")).toInt(); }
    int Chiave(const char *campo = "KBolleCliT") { return testa->FieldByName(QLatin1String(campo))->AsInteger(); }
};

TEST_F(Prenotazioni, ExactFulfilmentRecordsItAndClosesTheReservation)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10);
    Prenotazione(2, QStringLiteral("C1"), QString());
    Prenotata(21, 2, QStringLiteral("A"), 3, 3);
    Prenotata(22, 2, QStringLiteral("B"), 5);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 10);
    RigaDoc(2, QString(), 99);
    kv8test::UiScript script;
    script.Yes(QStringLiteral("Evasione Prenotazione"));
    EXPECT_TRUE(Evadi(0));
    EXPECT_EQ(script.Messages().size(), 1) << "the question only";
    EXPECT_DOUBLE_EQ(Evase(11), 10);
    EXPECT_EQ(Stato(1), 1);
    EXPECT_EQ(Stato(2), 0) << "B is still open";
    const QVariantMap e = [&] {
        QSqlQuery q = db->OpenQuery(
            QStringLiteral("SELECT KContaR, KContaT, KBolleCliT, KFattCliT, NumConfEva FROM LUMO_PrenotaE"));
        QVariantMap m;
        if (q.next())
            for (int i = 0; i < 5; ++i)
                m.insert(QStringLiteral("c%1").arg(i), q.value(i));
        EXPECT_FALSE(q.next()) << "one fulfilment per document row";
        return m;
    }();
    EXPECT_EQ(e.value("c0").toInt(), 11);
    EXPECT_EQ(e.value("c1").toInt(), 1);
    EXPECT_EQ(e.value("c2").toInt(), Chiave());
    EXPECT_GT(Chiave(), 0);
    EXPECT_EQ(e.value("c3").toInt(), 0);
    EXPECT_DOUBLE_EQ(e.value("c4").toDouble(), 10);
}

TEST_F(Prenotazioni, ShortResidualIsWarnedAndFulfilledAsFarAsItGoes)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10, 6);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 5);
    {
        kv8test::UiScript script;
        script.Yes(QStringLiteral("Controllo Prenotazione"));
        EXPECT_FALSE(Evadi(99));
        EXPECT_EQ(script.Texts(), (QStringList{QStringLiteral("Controllo Prenotazione"), kResiduo4, kIncongruenze}));
        EXPECT_EQ(script.Messages().value(1).Type, int(mtWarning));
        EXPECT_EQ(script.Messages().value(2).Type, int(mtError));
        EXPECT_DOUBLE_EQ(Evase(11), 6) << "the check writes nothing";
        EXPECT_EQ(Evasioni(), 0);
    }
    kv8test::UiScript script;
    script.Yes(QStringLiteral("Evasione Prenotazione"));
    EXPECT_TRUE(Evadi(0));
    EXPECT_EQ(script.Texts(), (QStringList{QStringLiteral("Evasione Prenotazione"), kResiduo4}));
    EXPECT_DOUBLE_EQ(Evase(11), 10);
    EXPECT_DOUBLE_EQ(Numero(QStringLiteral("SELECT NumConfEva FROM LUMO_PrenotaE")), 4);
    EXPECT_EQ(Stato(1), 1);
}

TEST_F(Prenotazioni, TwoRowsOfOneArticleNeverFulfilMoreThanBooked)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10, 6);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 3);
    RigaDoc(2, QStringLiteral("A"), 3);
    kv8test::UiScript script;
    script.Yes();
    EXPECT_TRUE(Evadi(0));
    EXPECT_EQ(script.Texts().value(1),
              QStringLiteral("Per l'articolo : A  Vino A\r\nQuantità Prenotata Residua : 1   Quantità Documento : 3"));
    EXPECT_DOUBLE_EQ(Evase(11), 10);
    EXPECT_DOUBLE_EQ(Numero(QStringLiteral("SELECT SUM(NumConfEva) FROM LUMO_PrenotaE")), 4);
    EXPECT_EQ(Stato(1), 1);

    // the check sees the same: the second row finds only what the first left
    Esegui(QStringLiteral("UPDATE LUMO_PrenotaR SET NumConfEva = 6"));
    Esegui(QStringLiteral("UPDATE LUMO_PrenotaT SET FlStato = 0"));
    kv8test::UiScript controllo;
    controllo.Yes();
    EXPECT_FALSE(Evadi(99));
}

TEST_F(Prenotazioni, ArticleWithoutReservationOrRowGivingBackPackages)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), -2);
    RigaDoc(2, QStringLiteral("B"), 1);
    kv8test::UiScript script;
    script.Yes();
    EXPECT_TRUE(Evadi(0)) << "mode 0 only warns";
    EXPECT_EQ(script.Texts(), (QStringList{QStringLiteral("Evasione Prenotazione"),
                                           QStringLiteral("Nessuna prenotazione per l'articolo : B  Vino B")}));
    EXPECT_DOUBLE_EQ(Evase(11), 0) << "a negative row fulfils nothing";
    EXPECT_EQ(Evasioni(), 0);
    EXPECT_EQ(Stato(1), 0);
}

TEST_F(Prenotazioni, LowerReservationFirstAndOneReservationRowPerDocumentRow)
{
    Prenotazione(2, QStringLiteral("C1"), QString());
    Prenotata(21, 2, QStringLiteral("A"), 10);
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(12, 1, QStringLiteral("A"), 10);
    Prenotata(11, 1, QStringLiteral("A"), 10);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 5);
    kv8test::UiScript script;
    script.Yes();
    EXPECT_TRUE(Evadi(0));
    EXPECT_DOUBLE_EQ(Evase(11), 5);
    EXPECT_DOUBLE_EQ(Evase(12), 0);
    EXPECT_DOUBLE_EQ(Evase(21), 0);
    EXPECT_EQ(Evasioni(), 1);
}

TEST_F(Prenotazioni, AgentsReservationsWhenTheCustomerHasNone)
{
    Prenotazione(1, QStringLiteral("C2"), QStringLiteral("AG1"));
    Prenotata(11, 1, QStringLiteral("A"), 10);
    Documento(QStringLiteral("C1"), QStringLiteral("AG1"));
    RigaDoc(1, QStringLiteral("A"), 4);
    kv8test::UiScript script;
    script.Yes();
    EXPECT_TRUE(Evadi(0));
    EXPECT_DOUBLE_EQ(Evase(11), 4);
}

TEST_F(Prenotazioni, NoAgentTakesNoReservationEnteredWithoutAgent)
{
    Prenotazione(1, QStringLiteral("C2"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 4);
    kv8test::UiScript script; // any question fails the test
    EXPECT_TRUE(Evadi(99));
    EXPECT_TRUE(Evadi(0));
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_DOUBLE_EQ(Evase(11), 0);
}

TEST_F(Prenotazioni, AnsweringNoSkipsTheWork)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 1);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 5);
    kv8test::UiScript script;
    script.No(QStringLiteral("Evasione Prenotazione")).No(QStringLiteral("Controllo Prenotazione"));
    EXPECT_TRUE(Evadi(0));
    EXPECT_TRUE(Evadi(99));
    EXPECT_EQ(script.Messages().size(), 2);
    EXPECT_DOUBLE_EQ(Evase(11), 0);
}

TEST_F(Prenotazioni, ModifiedDocumentAndUnknownModesDoNothing)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 5);
    kv8test::UiScript script;
    EXPECT_TRUE(Evadi(1));
    EXPECT_TRUE(Evadi(3));
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_DOUBLE_EQ(Evase(11), 0);
}

TEST_F(Prenotazioni, SavedDeliveryNoteCarriesItsKeyAndItsDeletionRestoresTheReservation)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10, 2);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 8);
    kv8test::UiScript script;
    script.Yes();
    {
        TXTransaction transazione(*db);
        ASSERT_TRUE(transazione.Started());
        EXPECT_TRUE(Evadi(0));
        testa->Post();
        transazione.Commit();
    }
    const int chiave = db->ScalarValue(QStringLiteral("SELECT KBolleCliT FROM BolleCliTeste")).toInt();
    EXPECT_EQ(Numero(QStringLiteral("SELECT KBolleCliT FROM LUMO_PrenotaE")), chiave);
    EXPECT_DOUBLE_EQ(Evase(11), 10);
    EXPECT_EQ(Stato(1), 1);

    {
        TXTransaction transazione(*db);
        EXPECT_TRUE(Evadi(2));
        transazione.Commit();
    }
    EXPECT_EQ(script.LastText(), QStringLiteral("Ripristono Prenotazione Effettuato"));
    EXPECT_DOUBLE_EQ(Evase(11), 2);
    EXPECT_EQ(Stato(1), 0);
    EXPECT_EQ(Evasioni(), 0);

    script.ClearMessages();
    EXPECT_TRUE(Evadi(2)) << "nothing left to restore";
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(Prenotazioni, InvoiceFulfilmentCarriesTheInvoiceKeyAndIsRestored)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10);
    // a delivery note's fulfilment of another reservation stays
    Prenotazione(2, QStringLiteral("C9"), QString(), 1);
    Prenotata(21, 2, QStringLiteral("A"), 3, 3);
    Documento(QStringLiteral("C1"), QString(), true);
    Esegui(QStringLiteral("INSERT INTO LUMO_PrenotaE (KContaR, KContaT, KBolleCliT, KFattCliT, NumConfEva) "
                          "VALUES (21, 2, ?, 0, 3)"),
           {Chiave("KFattCliT")});
    RigaDoc(1, QStringLiteral("A"), 10);
    kv8test::UiScript script;
    script.Yes();
    EXPECT_TRUE(Evadi(0, QStringLiteral("FI")));
    EXPECT_EQ(Numero(QStringLiteral("SELECT KFattCliT FROM LUMO_PrenotaE WHERE KContaR = 11")), Chiave("KFattCliT"));
    EXPECT_EQ(Numero(QStringLiteral("SELECT KBolleCliT FROM LUMO_PrenotaE WHERE KContaR = 11")), 0);
    EXPECT_TRUE(Evadi(2, QStringLiteral("FI")));
    EXPECT_DOUBLE_EQ(Evase(11), 0);
    EXPECT_EQ(Stato(1), 0);
    EXPECT_EQ(Evasioni(), 1) << "the delivery note's fulfilment is another document's";
    EXPECT_DOUBLE_EQ(Evase(21), 3);
}

TEST_F(Prenotazioni, ErrorInFulfilmentRollsTheSaveBack)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 5);
    Prenotata(12, 1, QStringLiteral("B"), 5);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 5);
    RigaDoc(2, QStringLiteral("B"), 5);
    int scritte = 0;
    dm->TRS_PrenotaE->BeforePost = [&scritte](TDataSet *) {
        if (++scritte == 2)
            throw Exception(QStringLiteral("Disco pieno."));
    };
    kv8test::UiScript script;
    script.Yes();
    QString errore;
    try {
        TXTransaction transazione(*db);
        Evadi(0);
        testa->Post();
        transazione.Commit();
    } catch (const Exception &e) {
        errore = e.Message;
    }
    EXPECT_EQ(errore, QStringLiteral("Disco pieno.")) << "the error reaches the save";
    EXPECT_EQ(script.Messages().size(), 1) << "the question; the save shows the error";
    EXPECT_DOUBLE_EQ(Evase(11), 0);
    EXPECT_DOUBLE_EQ(Evase(12), 0);
    EXPECT_EQ(Evasioni(), 0);
    EXPECT_EQ(Stato(1), 0);
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM BolleCliTeste")).toInt(), 0);
}

TEST_F(Prenotazioni, ErrorInTheCheckIsShownAndStopsTheSave)
{
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 5);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 5);
    dm->qLUMO_Prenota->SQL = QStringList{QStringLiteral("SELECT * FROM LUMO_PrenotaR")};
    kv8test::UiScript script;
    EXPECT_FALSE(Evadi(99));
    EXPECT_EQ(script.Texts(), QStringList{QStringLiteral("Clausola WHERE non trovata nel testo della query")});
    EXPECT_THROW(Evadi(0), Exception) << "in the save the error reaches the transaction";
}

// Answers every question Yes; the first one runs what another user does meanwhile.
class Intanto : public TMessageService {
public:
    explicit Intanto(std::function<void()> altroUtente) : altro_(std::move(altroUtente))
    {
        previous_ = Kmessages::SetMessageService(this);
    }
    ~Intanto() override { Kmessages::SetMessageService(previous_); }
    int Show(const TKMessage &message) override
    {
        testi << message.Text;
        if (!message.IsQuestion())
            return message.DefaultResult();
        if (altro_) {
            auto altro = std::move(altro_);
            altro_ = nullptr;
            altro();
        }
        return mrYes;
    }
    QStringList testi;

private:
    std::function<void()> altro_;
    TMessageService *previous_ = nullptr;
};

TEST_F(Prenotazioni, TwoUsersFulfillingOneReservationRowLoseNoUpdate)
{
    if (!tdb.IsPostgres())
        GTEST_SKIP() << "two users of one company: PostgreSQL";
    Prenotazione(1, QStringLiteral("C1"), QString());
    Prenotata(11, 1, QStringLiteral("A"), 10);
    Documento(QStringLiteral("C1"), QString());
    RigaDoc(1, QStringLiteral("A"), 5);

    // the second user: own connection, own shared data module, own delivery note
    std::unique_ptr<TXDatabase> altroDb = tdb.Connect(QStringLiteral("UtenteB"));
    auto altroDm = std::make_unique<TDMILUMO>();
    for (TXQuery *q : {altroDm->qLUMO_Prenota, altroDm->qChiudiPrenota, altroDm->qPrenotaE_Bol, altroDm->qDelPrenotaE})
        q->SetDatabase(altroDb.get());
    for (TXClientTable *t : {altroDm->TRS_PrenotaT, altroDm->TRS_PrenotaR, altroDm->TRS_PrenotaE})
        t->SetDatabase(altroDb.get());
    TXClientTable altraTesta;
    altraTesta.SetTableName(QStringLiteral("BolleCliTeste"));
    altraTesta.SetDatabase(altroDb.get());
    altraTesta.SetUsaDizionario(true);
    altraTesta.SetXWhereVuoto(QStringLiteral("KBolleCliT = 0"));
    altraTesta.Open();
    altraTesta.Append();
    altraTesta.FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C1"));

    bool primoSalvato = false;
    // while the second user answers the question, the first one saves
    Intanto messaggi([&] {
        DMILUMO = dm.get();
        TXTransaction transazione(*db);
        primoSalvato = Evadi(0);
        testa->Post();
        transazione.Commit();
        DMILUMO = altroDm.get();
    });
    QString errore;
    DMILUMO = altroDm.get();
    try {
        TXTransaction transazione(*altroDb);
        UT_LMQ_DVEN_EvadiPrenotazioni(&altraTesta, righe.get(), nullptr, 0, QStringLiteral("DT"));
        altraTesta.Post();
        transazione.Commit();
    } catch (const Exception &e) {
        errore = e.Message;
    }
    DMILUMO = dm.get();
    EXPECT_TRUE(primoSalvato);
    EXPECT_EQ(errore, QStringLiteral("La prenotazione dell'articolo A è stata modificata da un altro utente: "
                                     "registrare di nuovo il documento."));
    EXPECT_DOUBLE_EQ(Evase(11), 5);
    EXPECT_EQ(Evasioni(), 1);
    EXPECT_EQ(Numero(QStringLiteral("SELECT KBolleCliT FROM LUMO_PrenotaE")), Chiave());
    EXPECT_EQ(db->ScalarValue(QStringLiteral("SELECT COUNT(*) FROM BolleCliTeste")).toInt(), 1);
    altroDm.reset();
}

} // namespace
