// Prints over the host's datasets: a query filled through its template and reopened by the
// print, a detail query reopened for each row with its parameter, scroll and calculated
// field events, field display formats, and a memory table that keeps its records.
#include "host/core/Errors.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/report/DataSetSource.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"
#include "tests/host/core/Printers.h"
#include "tests/support/TestDb.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char *const kLayout = R"json({
  "name": "ListeProva",
  "groups": [ { "name": "grLista", "field": "KLista", "keepTogether": true,
    "header": { "height": 5, "items": [
      { "type": "field", "name": "fdCodLista", "field": "IdLista", "x": 0, "w": 20, "h": 5 },
      { "type": "field", "name": "fdCalc", "field": "_Descrizione", "x": 25, "w": 60, "h": 5 } ] },
    "footer": { "height": 5, "items": [
      { "type": "sum", "name": "smImporti", "field": "Importo", "dataset": "qRighe", "format": "#,0.00;-#,0.00", "x": 0, "w": 30, "h": 5 } ] } } ],
  "bands": { "detail": { "height": 0, "subreports": [ { "name": "srRighe", "dataset": "qRighe", "params": ["KLista"],
    "detail": { "height": 5, "items": [
      { "type": "field", "name": "fdRiga", "field": "Riga", "x": 0, "w": 10, "h": 5 },
      { "type": "field", "name": "fdImporto", "field": "Importo", "format": "#,0.00;-#,0.00", "blankWhenZero": true, "x": 20, "w": 30, "h": 5 } ] } } ] } }
})json";

class DataSetPrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        KV8_REQUIRE_DB(testDb_);
        db_ = testDb_.Connect();
        db_->ExecSQL(
            QStringLiteral("CREATE TABLE ListeT (KLista integer PRIMARY KEY, IdLista varchar(5) NOT NULL DEFAULT '')"));
        db_->ExecSQL(QStringLiteral("CREATE TABLE ListeR (KLista integer NOT NULL, Riga integer NOT NULL, "
                                    "Importo float NOT NULL DEFAULT 0, PRIMARY KEY (KLista, Riga))"));
        for (int k = 1; k <= 3; ++k) {
            db_->ExecSQL(QStringLiteral("INSERT INTO ListeT (KLista, IdLista) VALUES (?, ?)"),
                         {k, QStringLiteral("L'%1").arg(k)});
            for (int r = 1; r <= k + 1; ++r)
                db_->ExecSQL(QStringLiteral("INSERT INTO ListeR (KLista, Riga, Importo) VALUES (?, ?, ?)"),
                             {k, r, r == 2 ? 0.0 : k * 100 + r * 0.5});
        }
        qMain_.SetName(QStringLiteral("qMain"));
        qMain_.SetDatabase(db_.get());
        qMain_.SetUsaDizionario(false);
        qMain_.XSQL = QStringList{QStringLiteral("SELECT * FROM ListeT"), QStringLiteral("{WHERE XWHERE}"),
                                  QStringLiteral("{ORDER BY XORDERBY}")};
        qMain_.AddCalcField(QStringLiteral("_Descrizione"), ftString, 40);
        qMain_.OnCalcFields = [](TDataSet *ds) {
            ds->FieldByName(QStringLiteral("_Descrizione"))
                ->SetAsString(QStringLiteral("Lista ") + ds->FieldByName(QStringLiteral("IdLista"))->AsString());
        };
        qMain_.AfterScroll = [this](TDataSet *) { ++scrolls_; };
        qRighe_.SetName(QStringLiteral("qRighe"));
        qRighe_.SetDatabase(db_.get());
        qRighe_.SetUsaDizionario(false);
        qRighe_.SQL = QStringList{QStringLiteral("SELECT * FROM ListeR WHERE KLista = :KLista ORDER BY Riga")};

        report_.CaricaLayout(ReportLayout::FromJson(kLayout, QStringLiteral("ListeProva")));
        report_.AggiungiDataSet(QStringLiteral("qMain"), &qMain_);
        report_.AggiungiDataSet(QString(), &qRighe_); // under its own name
    }

    ReportDocument Print()
    {
        ReportCapture capture;
        report_.EseguiStampa(true);
        return capture.Last().Document;
    }

    TestDb testDb_;
    std::unique_ptr<TXDatabase> db_;
    TXQuery qMain_;
    TXQuery qRighe_;
    TfKV8ReportB report_;
    int scrolls_ = 0;
};

TEST_F(DataSetPrint, QueryFilledReopenedAndWalked)
{
    report_.ImpostaQuery(&qMain_, QStringLiteral("KLista >= 2"), QStringLiteral("IdLista DESC"));
    EXPECT_EQ(qMain_.SQL.join(QLatin1Char('\n')),
              QStringLiteral("SELECT * FROM ListeT\nWHERE KLista >= 2\nORDER BY IdLista DESC"));
    const ReportDocument doc = Print();
    ASSERT_EQ(doc.PageCount(), 1);
    const ReportPage &page = doc.Pages[0];
    EXPECT_EQ(page.TextsOf(QStringLiteral("fdCodLista")), (QStringList{"L'3", "L'2"}));
    EXPECT_EQ(page.TextsOf(QStringLiteral("fdCalc")), (QStringList{"Lista L'3", "Lista L'2"}));
    EXPECT_EQ(page.TextsOf(QStringLiteral("fdRiga")), (QStringList{"1", "2", "3", "4", "1", "2", "3"}));
    // Row 2 of every list is zero: blank.
    EXPECT_EQ(page.TextsOf(QStringLiteral("fdImporto")),
              (QStringList{"300,50", "301,50", "302,00", "200,50", "201,50"}));
    EXPECT_EQ(page.TextsOf(QStringLiteral("smImporti")), (QStringList{"904,00", "402,00"}));
    EXPECT_GE(scrolls_, 2);

    // The template stays: the next selection starts from it again.
    report_.ImpostaQuery(&qMain_, QString(), QString());
    EXPECT_EQ(Print().Pages[0].TextsOf(QStringLiteral("fdCodLista")), (QStringList{"L'1", "L'2", "L'3"}));
}

// A main query read forward only (rows read as the print passes, none held) prints what the
// held query prints: groups kept together, their footers' sums, the calculated fields and each
// row's detail query, print after print.
TEST_F(DataSetPrint, AForwardOnlyQueryPrintsAsAHeldOne)
{
    report_.ImpostaQuery(&qMain_, QString(), QStringLiteral("IdLista DESC"));
    const QString held = Print().PlainText();
    ASSERT_TRUE(held.contains(QStringLiteral("Lista L'1")));
    qMain_.Close();
    qMain_.SetUniDirectional(true);
    report_.ImpostaQuery(&qMain_, QString(), QStringLiteral("IdLista DESC"));
    EXPECT_EQ(Print().PlainText(), held);
    EXPECT_EQ(Print().PlainText(), held) << "printed again";
}

TEST_F(DataSetPrint, DetailParameterMustExist)
{
    qRighe_.SQL = QStringList{QStringLiteral("SELECT * FROM ListeR WHERE KLista = :Chiave")};
    try {
        Print();
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("KLista"))) << e.Message.toStdString();
    }
}

TEST_F(DataSetPrint, DotMatrixOverHostDatasets)
{
    report_.CaricaLayout(ReportLayout::FromJson(R"json({ "name": "ListeAghi", "text": { "pageLength": 20,
        "heading": ["LISTE {#page,3}"], "sections": { "1": ["{IdLista,-6}{_Descrizione}"] } } })json"));
    report_.StampaSu.Aghi = true;
    report_.StampaAghi.DataSetRighe = report_.Sorgente(&qMain_);
    EXPECT_EQ(report_.Sorgente(&qMain_), report_.DataSet(QStringLiteral("qMain")));
    ReportCapture capture;
    report_.EseguiStampa(false);
    EXPECT_EQ(capture.Last().Text, QStringLiteral("LISTE   1\nL'1   Lista L'1\nL'2   Lista L'2\nL'3   Lista L'3\n\f"));
}

TEST(DataSetSource, MemoryTableKeepsItsRecordsAndFieldFormats)
{
    TXMemTable table;
    table.SetName(QStringLiteral("cdsSaldi"));
    table.AddField(QStringLiteral("Conto"), ftString, 8);
    table.AddField(QStringLiteral("Saldo"), ftFloat)->SetDisplayFormat(QStringLiteral("#,0.00;-#,0.00"));
    table.Open();
    for (int i = 1; i <= 3; ++i) {
        table.Append();
        table.FieldByName(QStringLiteral("Conto"))->SetAsString(QStringLiteral("C%1").arg(i));
        table.FieldByName(QStringLiteral("Saldo"))->SetAsFloat(-1234.5 * i);
        table.Post();
    }
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"json({ "name": "Saldi", "bands": { "detail": { "height": 5, "items": [
        { "type": "field", "name": "fdConto", "field": "Conto", "x": 0, "w": 20, "h": 5 },
        { "type": "field", "name": "fdSaldo", "field": "Saldo", "x": 20, "w": 30, "h": 5 } ] } } })json"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &table);
    for (int run = 0; run < 2; ++run) {
        const ReportDocument doc = report.Prepara();
        EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdSaldo")),
                  (QStringList{"-1.234,50", "-2.469,00", "-3.703,50"}));
    }
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 3);

    DataSetSource source(&table);
    EXPECT_TRUE(source.HasField(QStringLiteral("SALDO")));
    EXPECT_FALSE(source.HasField(QStringLiteral("Manca")));
    EXPECT_THROW(source.Value(QStringLiteral("Manca")), Exception);
    EXPECT_THROW(source.SetParam(QStringLiteral("X"), 1), Exception); // not a query
    EXPECT_TRUE(source.SqlTemplate().isEmpty());
}

TEST(DataSetSource, ADestroyedDatasetIsAClearError)
{
    auto table = std::make_unique<TXMemTable>();
    DataSetSource source(table.get());
    table.reset();
    EXPECT_FALSE(source.Active());
    EXPECT_THROW(source.Open(), Exception);
    EXPECT_THROW(DataSetSource(nullptr), Exception);
}

} // namespace
