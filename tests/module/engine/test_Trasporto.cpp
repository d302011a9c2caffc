// Transport cost of a document: the reference row chosen, the charge on the totals, the
// rows' list prices and net amounts, and what an error does to the save.
#include "EngineTest.h"

#include "host/ui/Forms.h"

namespace {

QDateTime Giorno(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

class Trasporto : public EngineDbTest {
protected:
    void SetUp() override
    {
        EngineDbTest::SetUp();
        if (IsSkipped())
            return;
        UT_LMQ_Parametri.FlAbilTrasporto = 1;
        CFG.NumScontiRigo = 1;
        CFG.NumScontiTesta = 0;
        CFG.SegnoSconti = -1;
        Esegui(QStringLiteral(
            "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)"));
        Esegui(QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, UT_LMQ_FlTipoGest) VALUES "
                              "('TOT', 'sui totali', 1), ('RIG', 'per riga', 2)"));
        Articolo(QStringLiteral("VINO"), 1, QString(), 0, QStringLiteral("VINIRO"));
        Articolo(QStringLiteral("BIANCO"), 1, QString(), 0, QStringLiteral("VINIBI"));
        Lista(1, QStringLiteral("EUR"), 2025);
        Lista(2, QStringLiteral("EUR"), 2024);
        Lista(3, QStringLiteral("USD"), 2025);
        Lista(4, QStringLiteral("EUR"), 2025);
    }

    void Cliente(const QString &codice, int gestione)
    {
        Esegui(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlGesTraCli) "
                              "VALUES ('CL', ?, ?, ?)"),
               {codice, QStringLiteral("Cliente ") + codice, gestione});
    }
    void Lista(int chiave, const QString &divisa, int anno)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ListTraT (KListTraT, IdListTra, DsListTra, DataInizio, DataFine, IdDivisa) "
                   "VALUES (?, ?, ?, ?, ?, ?)"),
               {chiave, QStringLiteral("L%1").arg(chiave), QStringLiteral("Listino"), Giorno(anno, 1, 1),
                Giorno(anno, 12, 31), divisa});
    }
    // A reference row: carrier, zone, account, destination, way (1 totals, 0 rows), amount, percentage.
    void Riferimento(int chiave, int lista, const QString &spedizione, const QString &zona, const QString &conto,
                     int destinazione, int tipoGest, double spese = 0, double percentuale = 0)
    {
        Esegui(
            QStringLiteral("INSERT INTO LUMO_ListTraD (KListTraD, KListTraT, IdSpedizione, IdZona, IdConto, "
                           "IdDestinazione, FlTipoGest, SpeseTrasporto, PercSpesa) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {chiave, lista, Testo(spedizione), Testo(zona), Testo(conto), destinazione, tipoGest, spese, percentuale});
    }
    void PrezzoArticolo(int chiave, int lista, const QString &categoria, const QString &prodotto, int tipoPrezzo,
                        double prezzo, int anno = 2025)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_ListTraR (KListTraR, KListTraT, IdCategoria, IdProdotto, FlTipoPrz, "
                              "DataInizio, DataFine, Prezzo) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
               {chiave, lista, Testo(categoria), Testo(prodotto), tipoPrezzo, Giorno(anno, 1, 1), Giorno(anno, 12, 31),
                prezzo});
    }

    // The document: head in insert with a charge of 7 already typed, rows, totals.
    void Documento(const QString &causale, Valori testaValori = {})
    {
        ApriTesta();
        Testa({{"IdCliente", QStringLiteral("C1")}, {"IdCausale", causale}, {"SpeseTrasporto", 7}});
        Testa(testaValori);
        ApriRighe();
        ApriTotali(1234.56, 1000);
    }

    void Calcola()
    {
        UT_LMQ_DVEN_SpeseTrasporto(testa.get(), righe.get(), totali.get(),
                                   testa->FieldByName(QStringLiteral("_UT_LMQ_FlTipoGest"))->AsInteger(),
                                   QStringLiteral("DDT"));
    }
    double Spese() { return testa->FieldByName(QStringLiteral("SpeseTrasporto"))->AsFloat(); }

    kv8test::UiScript script;
};

TEST_F(Trasporto, NothingWhenTransportIsOffOrTheCustomerHasNone)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 1, 25);
    Riferimento(2, 1, QString(), QString(), QString(), 0, 0);
    PrezzoArticolo(1, 1, QString(), QString(), 0, 2);
    Documento(QStringLiteral("TOT"));
    Riga({{"NumOrdine", 1}, {"IdProdotto", QStringLiteral("VINO")}, {"Quantita", 5}, {"UT_LMQ_PrezzoTra", 0.5}});
    UT_LMQ_Parametri.FlAbilTrasporto = 0;
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 7);
    UT_LMQ_DVEN_SpeseTrasporto(testa.get(), righe.get(), totali.get(), 2, QStringLiteral("DDT"));
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTra").toDouble(), 0.5);

    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlGesTraCli = 0"));
    UT_LMQ_Parametri.FlAbilTrasporto = 1;
    TDMIBase::Crea()->lkClienti->Close();
    TDMIBase::Crea()->lkClienti->Open();
    Testa({{"IdCliente", QStringLiteral("C1")}});
    ASSERT_EQ(testa->FieldByName(QStringLiteral("_UT_LMQ_FlGesTraCli"))->AsInteger(), 0);
    Calcola();
    UT_LMQ_DVEN_SpeseTrasporto(testa.get(), righe.get(), totali.get(), 2, QStringLiteral("DDT"));
    EXPECT_DOUBLE_EQ(Spese(), 7);
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTra").toDouble(), 0.5);
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(Trasporto, OnTheTotalsTheAmountWinsOverThePercentage)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 1, 25, 3);
    Documento(QStringLiteral("TOT"));
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 25);
}

TEST_F(Trasporto, MostSpecificRowWithoutAmountKeepsTheCharge)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 1, 25);
    Riferimento(2, 1, QString(), QString(), QStringLiteral("C1"), 0, 1, 0, 0);
    Documento(QStringLiteral("TOT"));
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 7);
}

TEST_F(Trasporto, PercentageOfTheGrossOrForSetting5TheNetGoodsTotal)
{
    Cliente(QStringLiteral("C1"), 1);
    Cliente(QStringLiteral("C5"), 5);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 1, 0, 10);
    Documento(QStringLiteral("TOT"));
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 123.46);
    Testa({{"IdCliente", QStringLiteral("C5")}});
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 100);
}

TEST_F(Trasporto, ListsOutOfDateOrInAnotherCurrencyOrWayAreNotUsed)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 2, QString(), QString(), QStringLiteral("C1"), 0, 1, 11);
    Riferimento(2, 3, QString(), QString(), QStringLiteral("C1"), 0, 1, 12);
    Riferimento(3, 1, QString(), QString(), QStringLiteral("C1"), 0, 0, 13);
    Riferimento(4, 1, QString(), QString(), QString(), 0, 1, 14);
    Documento(QStringLiteral("TOT"));
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 14);
}

TEST_F(Trasporto, AListHoldsFromItsFirstToItsLastDay)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 2, QString(), QString(), QString(), 0, 1, 11); // on the list of 2024
    Riferimento(2, 1, QString(), QString(), QString(), 0, 1, 25); // on the list of 2025
    Documento(QStringLiteral("TOT"));
    for (const auto &[giorno, spese] : {std::pair{QDate(2024, 12, 31), 11.0}, std::pair{QDate(2025, 1, 1), 25.0},
                                        std::pair{QDate(2025, 12, 31), 25.0}, std::pair{QDate(2026, 1, 1), 7.0}}) {
        Testa({{"DataDocumento", QDateTime(giorno, QTime(0, 0))}, {"SpeseTrasporto", 7}});
        Calcola();
        EXPECT_DOUBLE_EQ(Spese(), spese) << giorno.toString(Qt::ISODate).toStdString();
    }
}

TEST_F(Trasporto, CarrierThenDestinationThenAccountThenZoneMakeARowMoreSpecific)
{
    Cliente(QStringLiteral("C1"), 1);
    Cliente(QStringLiteral("C2"), 1);
    Cliente(QStringLiteral("C9"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 1, 1);
    Riferimento(2, 1, QString(), QStringLiteral("NO"), QString(), 0, 1, 2);
    Riferimento(3, 1, QString(), QString(), QStringLiteral("C1"), 0, 1, 3);
    Riferimento(4, 1, QString(), QString(), QStringLiteral("C1"), 2, 1, 4);
    Riferimento(5, 1, QStringLiteral("A'B"), QString(), QString(), 0, 1, 5);
    Riferimento(6, 1, QString(), QString(), QStringLiteral("C2"), 0, 1, 6);
    Riferimento(7, 1, QString(), QString(), QStringLiteral("C1"), 3, 1, 7);
    Riferimento(8, 1, QStringLiteral("SUD"), QString(), QString(), 0, 1, 8);
    Documento(QStringLiteral("TOT"), {{"IdZona", QStringLiteral("NO")}});
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 3) << "the customer's row before the zone's";
    Testa({{"IdDestinazione", 2}});
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 4) << "the customer's destination; destination 3 never";
    Testa({{"IdSpedizione1", QStringLiteral("A'B")}});
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 5) << "a carrier code with a quote is a code like any other";
    // the customer chosen brings its own zone, destination and carrier: the zone typed again
    Testa({{"IdCliente", QStringLiteral("C9")}, {"IdZona", QStringLiteral("NO")}});
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 2) << "another customer gets the zone's row";
}

TEST_F(Trasporto, DocumentWithoutDestinationNeverTakesARowWithOne)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 1, 1);
    Riferimento(2, 1, QString(), QString(), QStringLiteral("C1"), 2, 1, 2);
    Documento(QStringLiteral("TOT"));
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 1);
}

TEST_F(Trasporto, PerRowTheFirstListFoundPricesTheRows)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 4, QString(), QString(), QStringLiteral("C1"), 0, 0);
    Riferimento(2, 1, QString(), QString(), QString(), 0, 0);
    PrezzoArticolo(1, 1, QString(), QString(), 1, 2.5);
    PrezzoArticolo(2, 4, QString(), QString(), 1, 9);
    Documento(QStringLiteral("RIG"));
    Riga({{"NumOrdine", 1},
          {"IdProdotto", QStringLiteral("VINO")},
          {"Lunghezza", 4},
          {"Quantita", 24},
          {"UT_LMQ_FlTipoPrz", 1},
          {"Sconto1", 10}});
    Calcola();
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTra").toDouble(), 2.5) << "the generic row comes first";
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTraN").toDouble(), 10) << "setting 1: no discounts";
    EXPECT_DOUBLE_EQ(Spese(), 10);
    EXPECT_EQ(testa->State(), dsInsert) << "the head is the caller's to save";
    EXPECT_EQ(righe->State(), dsBrowse) << "rows are posted";
}

TEST_F(Trasporto, RowDiscountsThenHeadDiscountsForSettings2And3)
{
    Cliente(QStringLiteral("C1"), 2);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 0);
    PrezzoArticolo(1, 1, QString(), QString(), 1, 2.5);
    Documento(QStringLiteral("RIG"), {{"Sconto1", 50}});
    Riga({{"NumOrdine", 1},
          {"IdProdotto", QStringLiteral("VINO")},
          {"Lunghezza", 4},
          {"Quantita", 24},
          {"UT_LMQ_FlTipoPrz", 1},
          {"Sconto1", 10},
          {"Sconto2", 50}});
    Calcola();
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTraN").toDouble(), 9) << "one row discount, no head discount in use";
    CFG.NumScontiRigo = 2;
    CFG.NumScontiTesta = 1;
    Calcola();
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTraN").toDouble(), 2.25) << "10 x 0.9 x 0.5 x 0.5";
    CFG.SegnoSconti = 1;
    CFG.NumScontiRigo = 1;
    CFG.NumScontiTesta = 0;
    Calcola();
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTraN").toDouble(), 11) << "the sign is the company's";
}

TEST_F(Trasporto, ArticleRowBeatsCategoryRowBeatsAnyArticle)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 0);
    PrezzoArticolo(1, 1, QString(), QString(), 0, 0.1);
    PrezzoArticolo(2, 1, QStringLiteral("VINIRO"), QString(), 0, 0.2);
    PrezzoArticolo(3, 1, QString(), QStringLiteral("VINO"), 0, 0.3);
    PrezzoArticolo(4, 1, QString(), QStringLiteral("VINO"), 1, 0.9);
    PrezzoArticolo(5, 1, QString(), QStringLiteral("VINO"), 0, 5, 2024);
    Documento(QStringLiteral("RIG"));
    Riga({{"NumOrdine", 1}, {"IdProdotto", QStringLiteral("VINO")}, {"Quantita", 10}});
    Riga({{"NumOrdine", 2}, {"IdProdotto", QStringLiteral("BIANCO")}, {"Quantita", 10}});
    Riga({{"NumOrdine", 3}, {"Descrizione", QStringLiteral("nota")}, {"UT_LMQ_PrezzoTra", 0}});
    Calcola();
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTra").toDouble(), 0.3);
    EXPECT_DOUBLE_EQ(DiRiga(2, "UT_LMQ_PrezzoTra").toDouble(), 0.1);
    EXPECT_DOUBLE_EQ(DiRiga(3, "UT_LMQ_PrezzoTraN").toDouble(), 0) << "no price, no amount";
    EXPECT_DOUBLE_EQ(Spese(), 3 + 1);
}

TEST_F(Trasporto, RowWithoutListRowKeepsItsPrice)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 0);
    PrezzoArticolo(1, 1, QStringLiteral("VINIRO"), QString(), 0, 0.2);
    Documento(QStringLiteral("RIG"));
    Riga({{"NumOrdine", 1}, {"IdProdotto", QStringLiteral("BIANCO")}, {"Quantita", 10}, {"UT_LMQ_PrezzoTra", 0.05}});
    Riga({{"NumOrdine", 2}, {"IdProdotto", QStringLiteral("VINO")}, {"Quantita", 10}}, 3);
    Calcola();
    EXPECT_DOUBLE_EQ(DiRiga(1, "UT_LMQ_PrezzoTra").toDouble(), 0.05);
    EXPECT_DOUBLE_EQ(Spese(), 0.5) << "the deleted row is not charged";
}

TEST_F(Trasporto, ErrorIsShownOnceAndStopsTheSave)
{
    Cliente(QStringLiteral("C1"), 1);
    Riferimento(1, 1, QString(), QString(), QString(), 0, 0);
    PrezzoArticolo(1, 1, QString(), QString(), 0, 2);
    Documento(QStringLiteral("RIG"));
    Riga({{"NumOrdine", 1}, {"IdProdotto", QStringLiteral("VINO")}, {"Quantita", 10}});
    righe->BeforePost = [](TDataSet *) { throw Exception(QStringLiteral("Riga bloccata da un altro utente.")); };
    bool salvato = false;
    // the window's save: the recomputation comes before the transaction
    EXPECT_FALSE(TForm::Guard([&] {
        Calcola();
        salvato = true;
    }));
    EXPECT_FALSE(salvato);
    EXPECT_EQ(script.Texts(), QStringList{QStringLiteral("Riga bloccata da un altro utente.")});
    EXPECT_FALSE(db->InTransaction());
    EXPECT_DOUBLE_EQ(Spese(), 7);
}

} // namespace

TEST_F(Trasporto, TheCustomersCurrencyChoosesTheListAndAHeadWithoutOneReadsTheCompanys)
{
    Esegui(QStringLiteral(
        "INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('USD', 'Dollaro', 4, 2)"));
    Esegui(QStringLiteral("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES ('USD', ?, 0.9)"),
           {Giorno(2025, 1, 1)});
    Cliente(QStringLiteral("C1"), 1);
    Esegui(QStringLiteral("UPDATE Clienti SET IdDivisa = 'USD' WHERE IdConto = 'C1'"));
    Riferimento(1, 1, QString(), QString(), QString(), 0, 1, 25);
    Riferimento(2, 3, QString(), QString(), QString(), 0, 1, 30);
    Documento(QStringLiteral("TOT"));
    EXPECT_DOUBLE_EQ(testa->FieldByName(QStringLiteral("Cambio"))->AsFloat(), 0.9);
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 30) << "the dollar list";
    // a head stored before its currency was filled: the company's currency, not no list at all
    Testa({{"IdDivisa", QString()}});
    Calcola();
    EXPECT_DOUBLE_EQ(Spese(), 25);
}
