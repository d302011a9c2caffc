// Product-card selection: the condition, the sort list and the rewrite of the article query.
#include "FrameTest.h"

#include "frame/Lumo_funzioni.h"
#include "host/core/Errors.h"
#include "host/data/TXMemTable.h"

namespace {

// The dialog's selection record, one empty record in edit.
std::unique_ptr<TXMemTable> Selezione()
{
    auto t = std::make_unique<TXMemTable>();
    t->SetTableName(QStringLiteral("LUMO_SelSchPro"));
    t->SetKeepRecords(false);
    t->SetUsaDizionario(true);
    t->Open();
    t->Append();
    return t;
}

void Set(TXMemTable &t, const char *field, const QVariant &value)
{
    t.FieldByName(QLatin1String(field))->SetValue(value);
}

QStringList ArticleQuery()
{
    return {"SELECT Articoli.IdProdotto, Articoli.DsProdotto", "FROM Articoli", "WHERE Articoli.UT_LMQ_Annata = -1",
            "ORDER BY  Articoli.IdProdotto"};
}

} // namespace

TEST(SchedaProdotto, EmptySelectionKeepsTheProductCardCondition)
{
    auto sel = Selezione();
    QString where = "stale";
    UT_LMQ_SK_CreaWhere(sel.get(), where);
    EXPECT_EQ(where, "Articoli.UT_LMQ_FlAbilSchedaPro = '1' AND ");

    TXQuery q;
    q.SQL = ArticleQuery();
    UT_LMQ_SK_AggiornaSql(where, "", &q);
    EXPECT_EQ(q.SQL[2], "WHERE Articoli.UT_LMQ_FlAbilSchedaPro = '1'");
    EXPECT_EQ(q.SQL[3], "ORDER BY  Articoli.IdProdotto"); // no sort list: the line stays
}

TEST(SchedaProdotto, EveryBoundInItsOrder)
{
    auto sel = Selezione();
    Set(*sel, "Da_IdCatVin", "ROS");
    QString where;
    UT_LMQ_SK_CreaWhere(sel.get(), where);
    EXPECT_EQ(where, "Articoli.UT_LMQ_IdCatVin >= 'ROS' AND Articoli.UT_LMQ_FlAbilSchedaPro = '1' AND ");

    const std::pair<const char *, const char *> bounds[] = {
        {"Da_IdProdotto", "P1"},  {"A_IdProdotto", "P9"}, {"Da_IdCatVin", "C1"},    {"A_IdCatVin", "C9"},
        {"Da_IdNazione", "N1"},   {"A_IdNazione", "N9"},  {"Da_IdRegione", "R1"},   {"A_IdRegione", "R9"},
        {"Da_IdZonaProd", "Z1"},  {"A_IdZonaProd", "Z9"}, {"Da_IdTipologia", "T1"}, {"A_IdTipologia", "T9"},
        {"Da_IdSpecifica", "S1"}, {"A_IdSpecifica", "S9"}};
    for (const auto &[field, value] : bounds)
        Set(*sel, field, value);
    Set(*sel, "Da_Annata", 2015);
    Set(*sel, "A_Annata", 2020);
    UT_LMQ_SK_CreaWhere(sel.get(), where);
    EXPECT_EQ(where, "Articoli.IdProdotto >= 'P1' AND Articoli.IdProdotto <= 'P9' AND "
                     "Articoli.UT_LMQ_IdCatVin >= 'C1' AND Articoli.UT_LMQ_IdCatVin <= 'C9' AND "
                     "Articoli.UT_LMQ_IdNazione >= 'N1' AND Articoli.UT_LMQ_IdNazione <= 'N9' AND "
                     "Articoli.UT_LMQ_IdRegione >= 'R1' AND Articoli.UT_LMQ_IdRegione <= 'R9' AND "
                     "Articoli.UT_LMQ_IdZonaProd >= 'Z1' AND Articoli.UT_LMQ_IdZonaProd <= 'Z9' AND "
                     "Articoli.UT_LMQ_IdTipologia >= 'T1' AND Articoli.UT_LMQ_IdTipologia <= 'T9' AND "
                     "Articoli.UT_LMQ_IdSpecifica >= 'S1' AND Articoli.UT_LMQ_IdSpecifica <= 'S9' AND "
                     "Articoli.UT_LMQ_Annata >= '2015' AND Articoli.UT_LMQ_Annata <= '2020' AND "
                     "Articoli.UT_LMQ_FlAbilSchedaPro = '1' AND ");

    // an upper bound alone, a year of 0 adding nothing
    auto solo = Selezione();
    Set(*solo, "A_IdRegione", "TOS");
    Set(*solo, "Da_Annata", 0);
    UT_LMQ_SK_CreaWhere(solo.get(), where);
    EXPECT_EQ(where, "Articoli.UT_LMQ_IdRegione <= 'TOS' AND Articoli.UT_LMQ_FlAbilSchedaPro = '1' AND ");
}

TEST(SchedaProdotto, QuoteInATypedCodeIsOnlyAValue)
{
    auto sel = Selezione();
    Set(*sel, "A_IdProdotto", "A' OR 1=1 --");
    QString where;
    UT_LMQ_SK_CreaWhere(sel.get(), where);
    EXPECT_EQ(where, "Articoli.IdProdotto <= 'A'' OR 1=1 --' AND Articoli.UT_LMQ_FlAbilSchedaPro = '1' AND ");
}

TEST(SchedaProdotto, SortListOfTheChosenFields)
{
    QString order = "stale";
    UT_LMQ_SK_CreaOrdine("IdProdotto", "N", "", "DsProdotto", order);
    EXPECT_EQ(order, "IdProdotto,DsProdotto");
    UT_LMQ_SK_CreaOrdine("N", "N", "N", "N", order);
    EXPECT_EQ(order, "");
    UT_LMQ_SK_CreaOrdine("UT_LMQ_IdNazione", "DsRegione", "UT_LMQ_IdTipologia", "IdProdotto", order);
    EXPECT_EQ(order, "UT_LMQ_IdNazione,DsRegione,UT_LMQ_IdTipologia,IdProdotto");

    // anything but a known column name is refused
    for (const char *bad : {"IdProdotto; DROP TABLE Articoli", "IdProdotto DESC", "NoSuchColumn", "(SELECT 1)"}) {
        order = "stale";
        EXPECT_THROW(UT_LMQ_SK_CreaOrdine("IdProdotto", bad, "N", "N", order), Exception) << bad;
    }
}

TEST(SchedaProdotto, RewriteNeedsBothLinesAndReportsWhatIsMissing)
{
    MessageRecorder messages;
    const QString where = "Articoli.UT_LMQ_Annata >= '2015' AND Articoli.UT_LMQ_FlAbilSchedaPro = '1' AND ";

    for (const char *line : {"where Articoli.UT_LMQ_Annata = -1", " WHERE Articoli.UT_LMQ_Annata = -1"}) {
        TXQuery q;
        q.SQL = ArticleQuery();
        q.SQL[2] = line;
        UT_LMQ_SK_AggiornaSql(where, "DsProdotto", &q);
        EXPECT_EQ(q.SQL[2], line); // nothing rewritten: the writer stopped at the WHERE line
        EXPECT_EQ(q.SQL[3], "ORDER BY  Articoli.IdProdotto");
    }
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].Text, "Condizione Where non definita");
    EXPECT_EQ(messages.shown[0].Type, mtInformation);
    EXPECT_EQ(messages.shown[0].Buttons, mbOK);

    TXQuery q;
    q.SQL = ArticleQuery();
    q.SQL.removeLast();
    UT_LMQ_SK_AggiornaSql(where, "DsProdotto", &q);
    EXPECT_EQ(q.SQL[2], "WHERE Articoli.UT_LMQ_Annata >= '2015' AND Articoli.UT_LMQ_FlAbilSchedaPro = '1'");
    ASSERT_EQ(messages.shown.size(), 3);
    EXPECT_EQ(messages.shown[2].Text, "Condizione Order non definita");

    // a sort list from elsewhere is held to the same rule, before anything is rewritten
    TXQuery r;
    r.SQL = ArticleQuery();
    UT_LMQ_SK_AggiornaSql(where, "IdProdotto,1; DELETE FROM Articoli", &r);
    EXPECT_EQ(r.SQL, ArticleQuery());
    ASSERT_EQ(messages.shown.size(), 4);
    EXPECT_TRUE(messages.shown[3].Text.contains("ordinamento")) << messages.shown[3].Text.toStdString();
}

using SchedaProdottoDb = FrameDbTest;

// The rewritten query selects on both engines: enabled articles only, bounds included,
// vintages compared as numbers, a quoted value compared and nothing more.
TEST_F(SchedaProdottoDb, RewrittenQuerySelectsTheArticles)
{
    db->ExecSQL("INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_FlAbilSchedaPro, UT_LMQ_Annata) VALUES "
                "('A', 'Alfa', 1, 2014), ('A''1', 'Apice', 1, 2016), ('B', 'Beta', 1, 2015), ('C', 'Gamma', 1, 2021), "
                "('D', 'Delta', 0, 2016)");
    auto select = [&](TXMemTable &sel, const QString &o1 = "IdProdotto", const QString &o2 = "N") {
        QString where, order;
        UT_LMQ_SK_CreaWhere(&sel, where);
        UT_LMQ_SK_CreaOrdine(o1, o2, "N", "N", order);
        TXQuery q;
        q.SQL = ArticleQuery();
        q.Open(); // opened before: the writer closes it
        UT_LMQ_SK_AggiornaSql(where, order, &q);
        EXPECT_FALSE(q.Active());
        q.Open();
        QStringList codes;
        for (q.First(); !q.Eof(); q.Next())
            codes << q.FieldByName("IdProdotto")->AsString();
        return codes;
    };

    auto all = Selezione();
    EXPECT_EQ(select(*all), QStringList({"A", "A'1", "B", "C"}));

    auto years = Selezione();
    Set(*years, "Da_Annata", 2015);
    Set(*years, "A_Annata", 2016);
    EXPECT_EQ(select(*years, "DsProdotto"), QStringList({"A'1", "B"}));

    auto quoted = Selezione();
    Set(*quoted, "Da_IdProdotto", "A'1");
    EXPECT_EQ(select(*quoted), QStringList({"A'1", "B", "C"}));

    auto injected = Selezione();
    Set(*injected, "A_IdProdotto", "A' OR 1=1 --");
    EXPECT_EQ(select(*injected), QStringList({"A"}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Articoli"), 5);
}
