// The print base: query placeholders, layouts by name, datasets, code run while printing,
// growing memos, shrinking texts, pictures and document prints.
#include "host/core/Errors.h"
#include "host/report/ReportEngine.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"
#include "tests/host/core/Printers.h"

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(CompilaQuery, PlaceholdersTakeKeywordAndTextOrVanish)
{
    const QString s = QStringLiteral("A = 1");
    const QString o = QStringLiteral("B");
    auto q = [](const char *t, const QString &sel, const QString &ord) {
        return TfKV8ReportB::CompilaQuery(QString::fromLatin1(t), sel, ord);
    };
    EXPECT_EQ(q("SELECT * FROM T {WHERE XWHERE}", s, o), QStringLiteral("SELECT * FROM T WHERE A = 1"));
    EXPECT_EQ(q("SELECT * FROM T {WHERE XWHERE}", QString(), o), QStringLiteral("SELECT * FROM T "));
    EXPECT_EQ(q("WHERE K = :K { AND XWHERE}", s, o), QStringLiteral("WHERE K = :K AND A = 1"));
    EXPECT_EQ(q("WHERE K = :K {AND XWHERE}", s, o), QStringLiteral("WHERE K = :K AND A = 1"));
    EXPECT_EQ(q("WHERE K = :K { AND  XWHERE}", s, o), QStringLiteral("WHERE K = :K AND A = 1"));
    EXPECT_EQ(q("WHERE K = :K { AND  XWHERE}", QStringLiteral("  "), o), QStringLiteral("WHERE K = :K "));
    EXPECT_EQ(q("{ORDER BY XORDERBY}", s, o), QStringLiteral("ORDER BY B"));
    EXPECT_EQ(q("{ORDER BY XORDER BY}", s, o), QStringLiteral("ORDER BY B"));
    EXPECT_EQ(q("ORDER BY X, Y { , XORDERBY }", s, o), QStringLiteral("ORDER BY X, Y , B"));
    EXPECT_EQ(q("ORDER BY X, Y { , XORDERBY }", s, QString()), QStringLiteral("ORDER BY X, Y "));
    // Both in one text, on separate lines; a brace text of another kind stays.
    EXPECT_EQ(q("SELECT '{x}' FROM T\n{WHERE XWHERE}\n{ORDER BY XORDERBY}", s, o),
              QStringLiteral("SELECT '{x}' FROM T\nWHERE A = 1\nORDER BY B"));
    // No placeholder: the text as it is.
    EXPECT_EQ(q("SELECT * FROM Nature", s, o), QStringLiteral("SELECT * FROM Nature"));
}

const char *const kList = R"({
  "name": "Elenco", "base": "KV8Standard", "title": "Elenco codici",
  "queries": { "qMain": "SELECT * FROM Codici {WHERE XWHERE} {ORDER BY XORDERBY}" },
  "bands": { "detail": { "height": 5, "items": [
    { "type": "field", "name": "fdCodice", "field": "Codice", "x": 0, "w": 20, "h": 5 },
    { "type": "label", "name": "lbTipo", "text": "?", "x": 25, "w": 10, "h": 5 },
    { "type": "field", "name": "fdValore", "field": "Valore", "format": "#,##0.000", "blankWhenZero": true, "align": "right", "x": 40, "w": 30, "h": 5 } ] } }
})";

class ReportBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_.SetColumns({"Codice", "Tipo", "Valore"});
        for (int i = 1; i <= 10; ++i)
            main_.AppendRow(QVariantList{QStringLiteral("K%1").arg(i), i % 2, i == 4 ? 0.0 : i * 1000.5});
        report_.CaricaLayout(ReportLayout::FromJson(kList, QStringLiteral("Elenco")));
        report_.AggiungiDataSet(QStringLiteral("qMain"), &main_);
    }

    ReportDocument Print()
    {
        ReportCapture capture;
        report_.EseguiStampa(true);
        return capture.Last().Document;
    }

    MemoryDataSource main_;
    TfKV8ReportB report_;
};

TEST_F(ReportBase, ImpostaQueryFillsTheTemplateOfTheLayoutOrOfTheQuery)
{
    report_.ImpostaQuery(&main_, 0, QStringLiteral("Codice >= 'K2'"), QStringLiteral("Codice"));
    EXPECT_EQ(main_.SqlText(), QStringLiteral("SELECT * FROM Codici WHERE Codice >= 'K2' ORDER BY Codice"));
    report_.ImpostaQuery(nullptr, 0, QString(), QString()); // by index
    EXPECT_EQ(main_.SqlText(), QStringLiteral("SELECT * FROM Codici  "));

    // A query of its own template, added under another name.
    MemoryDataSource rows;
    rows.SetSqlTemplate(QStringLiteral("SELECT * FROM R WHERE K = :K { AND XWHERE}"));
    report_.AggiungiDataSet(QStringLiteral("qRighe"), &rows);
    report_.ImpostaQuery(nullptr, 1, QStringLiteral("X = 1"), QString());
    EXPECT_EQ(rows.SqlText(), QStringLiteral("SELECT * FROM R WHERE K = :K AND X = 1"));
    EXPECT_EQ(report_.NomiDataSet(), (QStringList{"qMain", "qRighe"}));
    EXPECT_THROW(report_.ImpostaQuery(nullptr, 5, QString(), QString()), Exception);
    MemoryDataSource stranger;
    EXPECT_THROW(report_.ImpostaQuery(&stranger, 1, QString(), QString()), Exception);
}

TEST_F(ReportBase, UnsetTemplatesSelectEverythingAtPrintTime)
{
    Print();
    EXPECT_EQ(main_.SqlText(), QStringLiteral("SELECT * FROM Codici  "));
}

TEST_F(ReportBase, AQueryPassedAtIndexZeroBecomesTheMainDataset)
{
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(kList, QStringLiteral("Elenco")));
    report.ImpostaQuery(&main_, QStringLiteral("Tipo = 1"));
    EXPECT_EQ(report.DataSet(QStringLiteral("QMAIN")), &main_);
    EXPECT_EQ(main_.SqlText(), QStringLiteral("SELECT * FROM Codici WHERE Tipo = 1 "));
}

TEST_F(ReportBase, LayoutByDefaultNameAndVariants)
{
    TfKV8ReportB report;
    EXPECT_EQ(report.NomeDefault(), QStringLiteral("TfKV8ReportB"));
    report.SetNomeDefault(QStringLiteral("KV8Standard"));
    report.ImpostaQuery(&main_, 0, QString(), QString()); // loads the default layout on demand
    EXPECT_EQ(report.Layout().Name, QStringLiteral("KV8Standard"));
    EXPECT_THROW(report.ImpostaReport(QStringLiteral("KV8Standard_A")), Exception);
    EXPECT_EQ(report.Layout().Name, QStringLiteral("KV8Standard")); // unchanged after the failure
    report.InitReport(QStringLiteral("kv8standard"));
    EXPECT_TRUE(report.Layout().PageFooter != nullptr);
    EXPECT_THROW(report.InitReport(QStringLiteral("Tfqarn9999s")), Exception);
}

TEST_F(ReportBase, NamesShowHideAndSetTexts)
{
    report_.ImpostaTesto(QStringLiteral("lbTipo"), QStringLiteral("T"));
    ReportDocument doc = Print();
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("lbTipo")).size(), 10);
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("lbTipo")).first(), QStringLiteral("T"));
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdValore")).size(), 9); // blank when zero
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdValore")).first(), QStringLiteral("1.000,500"));

    report_.Nascondi(QStringLiteral("lbTipo"));
    report_.Nascondi(QStringLiteral("ppHeaderBand"));
    doc = Print();
    EXPECT_TRUE(doc.Pages[0].TextsOf(QStringLiteral("lbTipo")).isEmpty());
    EXPECT_FALSE(doc.Pages[0].HasText(QStringLiteral("Elenco codici")));
    // The body moves up to the margin when the header is hidden.
    EXPECT_DOUBLE_EQ(doc.Pages[0].Find(QStringLiteral("fdCodice"))->Rect.top(), 10);
    report_.Mostra(QStringLiteral("ppHeaderBand"));
    EXPECT_TRUE(Print().Pages[0].HasText(QStringLiteral("Elenco codici")));
    EXPECT_THROW(report_.Nascondi(QStringLiteral("nessuno")), Exception);
    EXPECT_THROW(report_.ImpostaTesto(QStringLiteral("nessuno"), QString()), Exception);
}

TEST_F(ReportBase, HooksRunWhilePrinting)
{
    QStringList seen;
    report_.OnBeforePrint(QStringLiteral("detail"), [&] {
        // Hide the rows of type 0 by hiding the whole band for them.
        report_.Banda(QStringLiteral("detail"))->Visible = main_.Value(QStringLiteral("Tipo")).toInt() == 1;
        seen << main_.Value(QStringLiteral("Codice")).toString();
    });
    report_.OnPrint(QStringLiteral("lbTipo"), [&](ReportItem &item) {
        item.Text =
            main_.Value(QStringLiteral("Valore")).toDouble() > 5000 ? QStringLiteral("Tot") : QStringLiteral("Riga");
    });
    report_.Titolo = QStringLiteral("Titolo da codice");
    const ReportDocument doc = Print();
    EXPECT_EQ(seen.size(), 10);
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdCodice")), (QStringList{"K1", "K3", "K5", "K7", "K9"}));
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("lbTipo")), (QStringList{"Riga", "Riga", "Tot", "Tot", "Tot"}));
    EXPECT_TRUE(doc.Pages[0].HasText(QStringLiteral("Titolo da codice")));

    // A hook on a part of another layout of the print is kept and does not run.
    bool other = false;
    report_.OnBeforePrint(QStringLiteral("ppDetail_FTAC"), [&] { other = true; });
    EXPECT_NO_THROW(Print());
    EXPECT_FALSE(other);
}

TEST_F(ReportBase, PreviewAndPrinterOutsideTheCapture)
{
    qunsetenv("KV8_PRINT_DIR");
    QTemporaryDir dir;
    int previews = 0;
    ReportOutput::SetPreviewHandler([&](const ReportDocument &doc) {
        ++previews;
        EXPECT_EQ(doc.Page(0).TextsOf(QStringLiteral("fdCodice")).size(), 10);
    });
    report_.EseguiStampa(true);
    EXPECT_EQ(previews, 1);
    EXPECT_TRUE(report_.UltimoFile().isEmpty());

    // Without a preview window the preview is a PDF file in the temporary folder.
    ReportOutput::SetPreviewHandler(nullptr);
    report_.EseguiStampa(true);
    EXPECT_TRUE(QFile::exists(report_.UltimoFile()));
    QFile::remove(report_.UltimoFile());

    // The printer dialog sets the printer up; cancelling it prints nothing.
    const QString path = dir.filePath(QStringLiteral("scelta.pdf"));
    bool accept = true;
    ReportOutput::SetPrintDialogHandler([&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return accept;
    });
    report_.EseguiStampa(false, true);
    EXPECT_EQ(report_.UltimoFile(), path);
    EXPECT_TRUE(QFile::exists(path));
    QFile::remove(path);
    accept = false;
    report_.EseguiStampa(false, true);
    EXPECT_TRUE(report_.UltimoFile().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    ReportOutput::SetPrintDialogHandler(nullptr);
}

TEST_F(ReportBase, ErrorsNameTheirPlace)
{
    report_.Elemento(QStringLiteral("fdCodice"))->FieldName = QStringLiteral("Codic");
    try {
        Print();
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("Elenco"))) << e.Message.toStdString();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("fdCodice"))) << e.Message.toStdString();
        EXPECT_TRUE(e.Message.contains(QStringLiteral("Codic"))) << e.Message.toStdString();
    }
    TfKV8ReportB empty;
    empty.CaricaLayout(ReportLayout::FromJson(kList, QStringLiteral("Elenco")));
    EXPECT_THROW(empty.Prepara(), Exception); // qMain not assigned
}

TEST(ReportEngine, GrowingMemoPushesDownWhatFollows)
{
    MemoryDataSource data({"Nome", "Note"});
    data.AppendRow(QVariantList{QStringLiteral("Corto"), QStringLiteral("Una riga")});
    data.AppendRow(QVariantList{QStringLiteral("Lungo"), QString(QStringLiteral("parola ")).repeated(80)});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Memo", "bands": { "detail": { "height": 12, "items": [
        { "type": "field", "name": "fdNome", "field": "Nome", "x": 0, "y": 0, "w": 40, "h": 5 },
        { "type": "field", "name": "fdNote", "field": "Note", "grow": true, "x": 0, "y": 5, "w": 60, "h": 5 },
        { "type": "line", "name": "lnSotto", "x": 0, "y": 11, "w": 60, "h": 0 } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    const ReportDocument doc = report.Prepara();
    const ReportPage &page = doc.Pages[0];
    QList<const PageItem *> names, notes, rules;
    for (const PageItem &item : page.Items) {
        if (item.Name == QStringLiteral("fdNome"))
            names << &item;
        if (item.Name == QStringLiteral("fdNote"))
            notes << &item;
        if (item.Name == QStringLiteral("lnSotto"))
            rules << &item;
    }
    ASSERT_EQ(notes.size(), 2);
    EXPECT_DOUBLE_EQ(notes[0]->Rect.height(), 5);
    EXPECT_GT(notes[1]->Rect.height(), 15);
    EXPECT_TRUE(notes[1]->WordWrap);
    // The rule below the memo moves down with it, and the next band would start after it.
    EXPECT_NEAR(rules[1]->Rect.top() - notes[1]->Rect.bottom(), 1, 1e-6);
    EXPECT_NEAR(names[1]->Rect.top() - names[0]->Rect.top(), 12, 1e-6);
}

TEST(ReportEngine, ShrinkingTextFitsItsBoxInASmallerFontDownToThreeQuarters)
{
    MemoryDataSource data({"Codice"});
    for (const char *codice : {"1234567", "12345678901", "1234567890123456"})
        data.AppendRow(QVariantList{QString::fromLatin1(codice)});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Stretto", "bands": { "detail": { "height": 5, "items": [
        { "type": "field", "name": "fdCodice", "field": "Codice", "shrink": true, "align": "right", "x": 0, "w": 20, "h": 5,
          "font": { "size": 9 } } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    const ReportDocument doc = report.Prepara();
    const QList<const PageItem *> codici = [&] {
        QList<const PageItem *> out;
        for (const PageItem &item : doc.Pages[0].Items)
            if (item.Name == QStringLiteral("fdCodice"))
                out << &item;
        return out;
    }();
    ASSERT_EQ(codici.size(), 3);
    // A text that fits keeps its font.
    EXPECT_DOUBLE_EQ(codici[0]->Font.Size, 9);
    // One a little too wide is drawn smaller, just enough to fit, in the same box.
    EXPECT_GT(ReportEngine::TextWidth(codici[1]->Text, PageFont{}), 20);
    EXPECT_LT(codici[1]->Font.Size, 9);
    EXPECT_GE(codici[1]->Font.Size, 9 * ReportEngine::LeastShrink);
    EXPECT_LE(ReportEngine::TextWidth(codici[1]->Text, codici[1]->Font), 20);
    EXPECT_GT(ReportEngine::TextWidth(codici[1]->Text, codici[1]->Font), 19);
    EXPECT_DOUBLE_EQ(codici[1]->Rect.width(), 20);
    EXPECT_FALSE(codici[1]->WordWrap);
    // One that would need less than three quarters prints at its size, cut as before.
    EXPECT_DOUBLE_EQ(codici[2]->Font.Size, 9);
    EXPECT_GT(ReportEngine::TextWidth(codici[2]->Text, codici[2]->Font) * ReportEngine::LeastShrink, 20);
}

TEST(ReportEngine, PictureFromAPathHiddenWhenMissing)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("foto.png"));
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(png));
    MemoryDataSource data({"Articolo", "Allegati"});
    data.AppendRow(QVariantList{QStringLiteral("A1"), png});
    data.AppendRow(QVariantList{QStringLiteral("A2"), dir.filePath(QStringLiteral("manca.png"))});
    data.AppendRow(QVariantList{QStringLiteral("A3"), QString()});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Foto", "bands": { "detail": { "height": 30, "items": [
        { "type": "field", "name": "fdArt", "field": "Articolo", "x": 0, "w": 20, "h": 5 },
        { "type": "picture", "name": "imFoto", "field": "Allegati", "x": 30, "y": 0, "w": 40, "h": 25 } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    const ReportDocument doc = report.Prepara();
    EXPECT_EQ(doc.Pages[0].Count(PageItem::Kind::Picture), 1);
    EXPECT_EQ(doc.Pages[0].Find(QStringLiteral("imFoto"))->Image.size(), QSize(40, 20));

    QTemporaryDir out;
    EXPECT_NO_THROW(ReportOutput::WritePdf(doc, out.filePath(QStringLiteral("foto.pdf"))));
}

TEST(ReportEngine, DocumentPrintsStartEachDocumentOnANewPageNumberedWithin)
{
    MemoryDataSource heads({"KDoc", "Numero"});
    MemoryDataSource rows({"KDoc", "Riga"});
    const int rowCounts[] = {3, 70, 5};
    for (int d = 0; d < 3; ++d) {
        heads.AppendRow(QVariantList{d + 1, 100 + d});
        for (int r = 0; r < rowCounts[d]; ++r)
            rows.AppendRow(QVariantList{d + 1, r + 1});
    }
    TfKV8ReportB_Docs report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Documento", "base": "KV8Standard",
        "bands": { "detail": { "height": 10, "items": [
            { "type": "field", "name": "fdNumero", "field": "Numero", "x": 0, "w": 20, "h": 5 } ],
          "subreports": [ { "name": "srRighe", "dataset": "qRighe", "params": ["KDoc"],
            "detail": { "height": 5, "items": [ { "type": "field", "name": "fdRiga", "field": "Riga", "x": 0, "w": 20, "h": 5 } ] } } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &heads);
    report.AggiungiDataSet(QStringLiteral("qRighe"), &rows);
    const ReportDocument doc = report.Prepara();
    ASSERT_EQ(doc.PageCount(), 4); // 70 rows take two pages
    QStringList numbers, counts;
    for (const ReportPage &page : doc.Pages) {
        numbers += page.TextsOf(QStringLiteral("ppPaginaPiede"));
        counts += page.TextsOf(QStringLiteral("ppPagineTotali"));
    }
    EXPECT_EQ(numbers, (QStringList{"Pagina 1", "Pagina 1", "Pagina 2", "Pagina 1"}));
    EXPECT_EQ(counts, (QStringList{"di 1", "di 2", "di 2", "di 1"}));
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdNumero")), QStringList{"100"});
    EXPECT_EQ(doc.Pages[1].TextsOf(QStringLiteral("fdNumero")), QStringList{"101"});
    EXPECT_EQ(doc.Pages[3].TextsOf(QStringLiteral("fdNumero")), QStringList{"102"});
    EXPECT_EQ(doc.Pages[3].TextsOf(QStringLiteral("fdRiga")).size(), 5);

    // The plain base numbers through.
    report.NumeraPerDocumento = false;
    report.NuovaPaginaPerDocumento = false;
    const ReportDocument flat = report.Prepara();
    EXPECT_EQ(flat.PageCount(), 2);
    EXPECT_EQ(flat.Pages[1].TextsOf(QStringLiteral("ppPagineTotali")), QStringList{"di 2"});
}

TEST(ReportEngine, EmptyDataStillGivesOnePage)
{
    MemoryDataSource data({"A"});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Vuota", "base": "KV8Standard", "title": "Niente",
        "groups": [ { "name": "g", "field": "A", "header": { "height": 5 } } ],
        "bands": { "detail": { "height": 5 }, "summary": { "height": 5, "newPage": true, "items": [
            { "type": "sum", "name": "smA", "field": "A", "format": "#,##0", "x": 0, "w": 20, "h": 5 } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    const ReportDocument doc = report.Prepara();
    ASSERT_EQ(doc.PageCount(), 1);
    EXPECT_TRUE(doc.Pages[0].HasText(QStringLiteral("Niente")));
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("smA")), QStringList{"0"});
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("ppPagineTotali")), QStringList{"di 1"});
}

TEST(ReportEngine, RegionsShowAndHideTheirItemsTogether)
{
    MemoryDataSource data({"Doc", "Partite"});
    data.AppendRow(QVariantList{1, 0});
    data.AppendRow(QVariantList{2, 3});
    data.AppendRow(QVariantList{3, 0});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Regioni", "bands": { "detail": { "height": 12,
        "items": [ { "type": "field", "name": "fdDoc", "field": "Doc", "x": 0, "w": 20, "h": 5 } ],
        "regions": [ { "name": "ppRUTPartite", "visible": false, "items": [
            { "type": "label", "name": "lbRif", "text": "Rif.Documento", "x": 0, "y": 6, "w": 30, "h": 5 },
            { "type": "field", "name": "fdPartite", "field": "Partite", "x": 35, "y": 6, "w": 10, "h": 5 } ] } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    EXPECT_TRUE(report.Prepara().Pages[0].TextsOf(QStringLiteral("lbRif")).isEmpty()); // hidden at design
    report.OnBeforePrint(QStringLiteral("ppRUTPartite"), [&] {
        report.ImpostaVisibile(QStringLiteral("ppRUTPartite"), data.Value(QStringLiteral("Partite")).toInt() != 0);
    });
    const ReportDocument doc = report.Prepara();
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("lbRif")), QStringList{"Rif.Documento"});
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdPartite")), QStringList{"3"});
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdDoc")).size(), 3);
    EXPECT_THROW(ReportLayout::FromJson(R"({ "bands": { "detail": { "regions": [ { "name": "detail" } ] } } })"),
                 Exception);
}

TEST(ReportEngine, NewPageAndKeepTogetherSwitchAtRunTime)
{
    MemoryDataSource data({"G", "N"});
    for (int i = 0; i < 12; ++i)
        data.AppendRow(QVariantList{i / 4, i});
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Gruppi",
        "groups": [ { "name": "grG", "field": "G", "header": { "height": 5, "items": [
            { "type": "field", "name": "fdG", "field": "G", "x": 0, "w": 20, "h": 5 } ] } } ],
        "bands": { "detail": { "height": 5, "items": [ { "type": "field", "name": "fdN", "field": "N", "x": 0, "w": 20, "h": 5 } ] } } })"));
    report.AggiungiDataSet(QStringLiteral("qMain"), &data);
    EXPECT_EQ(report.Prepara().PageCount(), 1);
    report.Gruppo(QStringLiteral("grG"))->NewPage = true;
    const ReportDocument doc = report.Prepara();
    ASSERT_EQ(doc.PageCount(), 3);
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(doc.Pages[p].TextsOf(QStringLiteral("fdG")), QStringList{QString::number(p)});
    EXPECT_THROW(report.Gruppo(QStringLiteral("grX")), Exception);
}

} // namespace
