// Prints that stream: pages written out as they are finished read back as a held print has
// them, a long print reports its pages and can be stopped without leaving a file, and its
// memory does not grow with its rows.
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/KFormati.h"
#include "host/report/ReportEngine.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"
#include "tests/support/Residente.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

namespace {

const char *const kDocumento = R"({ "name": "Documento", "base": "KV8Standard",
    "bands": { "detail": { "height": 10, "items": [
        { "type": "field", "name": "fdNumero", "field": "Numero", "x": 0, "w": 20, "h": 5 },
        { "type": "frame", "name": "frNumero", "x": 0, "w": 40, "h": 8, "pen": 0.4 } ],
      "subreports": [ { "name": "srRighe", "dataset": "qRighe", "params": ["KDoc"], "repeatHeader": true,
        "header": { "height": 5, "items": [
          { "type": "label", "name": "lbRiga", "text": "Riga", "x": 0, "w": 20, "h": 5 } ] },
        "detail": { "height": 5, "items": [
          { "type": "field", "name": "fdRiga", "field": "Riga", "x": 0, "w": 20, "h": 5, "font": { "bold": true } },
          { "type": "field", "name": "fdImporto", "field": "Importo", "format": "#,0.00", "align": "right", "x": 30, "w": 30, "h": 5 },
          { "type": "line", "x": 62, "y": 0, "w": 0, "h": 5 } ] } } ] },
      "summary": { "height": 6, "items": [
        { "type": "sum", "name": "smImporto", "field": "Importo", "dataset": "qRighe", "format": "#,0.00", "x": 30, "w": 30, "h": 5 } ] } } })";

const char *const kElenco = R"({ "name": "Elenco", "base": "KV8Standard",
    "bands": { "detail": { "height": 5, "items": [
        { "type": "field", "name": "fdNumero", "field": "Numero", "format": "#,0", "align": "right", "x": 0, "w": 20, "h": 5 },
        { "type": "field", "name": "fdDescrizione", "field": "Descrizione", "x": 25, "w": 60, "h": 5 },
        { "type": "field", "name": "fdImporto", "field": "Importo", "format": "#,0.00;-#,0.00", "align": "right", "x": 90, "w": 30, "h": 5 },
        { "type": "field", "name": "fdNote", "field": "Note", "x": 125, "w": 60, "h": 5 },
        { "type": "line", "x": 0, "y": 5, "w": "full", "h": 0 } ] } } })";

// Rows made up as the cursor passes, so that the data itself holds no memory.
class RigheGenerate : public ReportDataSource {
public:
    explicit RigheGenerate(int count) : count_(count) {}
    void Open() override { row_ = 0, active_ = true; }
    void Close() override { active_ = false; }
    bool Active() const override { return active_; }
    void First() override { row_ = 0; }
    void Next() override { ++row_; }
    bool Eof() const override { return row_ >= count_; }
    int RecordCount() const override { return count_; }
    int Row() const { return row_; }
    bool HasField(const QString &name) const override
    {
        return QStringList{"Numero", "Descrizione", "Importo", "Note", "Registro"}.contains(name, Qt::CaseInsensitive);
    }
    QVariant Value(const QString &name) const override
    {
        if (name.compare(QStringLiteral("Numero"), Qt::CaseInsensitive) == 0)
            return row_ + 1;
        if (name.compare(QStringLiteral("Descrizione"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("Movimento di carico numero %1").arg(row_ + 1);
        if (name.compare(QStringLiteral("Importo"), Qt::CaseInsensitive) == 0)
            return row_ * 1.25 - 100;
        if (name.compare(QStringLiteral("Note"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("Nota della riga %1 del registro").arg(row_ + 1);
        if (name.compare(QStringLiteral("Registro"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("C");
        throw Exception(QStringLiteral("campo %1 inesistente").arg(name));
    }

private:
    int count_;
    int row_ = 0;
    bool active_ = false;
};

void ExpectSamePages(const ReportDocument &held, const ReportDocument &spooled)
{
    ASSERT_EQ(spooled.PageCount(), held.PageCount());
    for (int p = 0; p < held.PageCount(); ++p) {
        SCOPED_TRACE(p);
        const ReportPage a = held.Page(p);
        const ReportPage b = spooled.Page(p);
        EXPECT_EQ(b.Number, a.Number);
        EXPECT_EQ(b.Document, a.Document);
        ASSERT_EQ(b.Items.size(), a.Items.size());
        for (int i = 0; i < a.Items.size(); ++i) {
            const PageItem &x = a.Items[i];
            const PageItem &y = b.Items[i];
            EXPECT_EQ(y.kind, x.kind);
            EXPECT_EQ(y.Rect, x.Rect);
            EXPECT_EQ(y.Text, x.Text);
            EXPECT_EQ(y.Font.Family, x.Font.Family);
            EXPECT_EQ(y.Font.Size, x.Font.Size);
            EXPECT_EQ(y.Font.Bold, x.Font.Bold);
            EXPECT_EQ(y.Font.Italic, x.Font.Italic);
            EXPECT_EQ(y.Align, x.Align);
            EXPECT_EQ(y.WordWrap, x.WordWrap);
            EXPECT_EQ(y.Pen, x.Pen);
            EXPECT_EQ(y.Name, x.Name);
            EXPECT_EQ(y.Band, x.Band);
        }
    }
    EXPECT_EQ(spooled.PlainText(), held.PlainText());
}

// Records what a long print shows, and stops it at a page of one of its phases.
struct ProgressSeen {
    struct Update {
        QString caption;
        int page;
        int count;
    };
    QList<Update> updates;
    int views = 0;
    int stopAt = 0;          // 0: never
    bool stopOutput = false; // the page to stop at counts the pages sent out
    std::function<void()> onUpdate;

    class View : public ReportProgress::View {
    public:
        explicit View(ProgressSeen &seen) : seen_(seen) {}
        bool Update(const QString &caption, int page, int count) override
        {
            seen_.updates.append({caption, page, count});
            if (seen_.onUpdate)
                seen_.onUpdate();
            return !(seen_.stopAt > 0 && page == seen_.stopAt && (count > 0) == seen_.stopOutput);
        }

    private:
        ProgressSeen &seen_;
    };

    ProgressSeen()
    {
        ReportProgress::SetViewFactory([this] {
            ++views;
            return std::make_unique<View>(*this);
        });
    }
    ~ProgressSeen() { ReportProgress::SetViewFactory(nullptr); }
};

class ReportStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        CFG.RagioneSociale = QStringLiteral("Cantina Prova S.r.l.");
        ASSERT_TRUE(dir_.isValid());
        qputenv("KV8_PRINT_DIR", dir_.path().toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("KV8_PRINT_DIR");
        CFG.RagioneSociale = TCFG().RagioneSociale;
    }

    QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }

    QTemporaryDir dir_;
};

TEST_F(ReportStream, PagesWrittenOutReadBackAsTheHeldPrint)
{
    qunsetenv("KV8_PRINT_DIR");
    MemoryDataSource heads({"KDoc", "Numero"});
    MemoryDataSource rows({"KDoc", "Riga", "Importo"});
    const int rowCounts[] = {3, 120, 5, 0};
    for (int d = 0; d < 4; ++d) {
        heads.AppendRow(QVariantList{d + 1, 100 + d});
        for (int r = 0; r < rowCounts[d]; ++r)
            rows.AppendRow(QVariantList{d + 1, r + 1, r * 2.5});
    }
    TfKV8ReportB_Docs report;
    report.CaricaLayout(ReportLayout::FromJson(kDocumento));
    report.AggiungiDataSet(QStringLiteral("qMain"), &heads);
    report.AggiungiDataSet(QStringLiteral("qRighe"), &rows);
    report.DataStampa = QDate(2026, 3, 31);

    // Numbered within each document, then straight through.
    for (const bool perDocument : {true, false}) {
        SCOPED_TRACE(perDocument);
        report.NumeraPerDocumento = perDocument;
        report.NuovaPaginaPerDocumento = perDocument;
        const ReportDocument held = report.Prepara();
        EXPECT_FALSE(held.Spool);
        ASSERT_GE(held.PageCount(), 3);

        ReportDocument shown;
        ReportOutput::SetPreviewHandler([&](const ReportDocument &doc) { shown = doc; });
        report.EseguiStampa(true);
        ReportOutput::SetPreviewHandler(nullptr);
        ASSERT_TRUE(shown.Spool);
        EXPECT_TRUE(shown.Pages.isEmpty()); // nothing held
        ExpectSamePages(held, shown);
        // The rows' titles above the first row of every page.
        for (int p = 0; p < held.PageCount(); ++p) {
            double title = 1e9, row = 1e9;
            for (const PageItem &i : held.Page(p).Items) {
                if (i.Name == QLatin1String("lbRiga"))
                    title = qMin(title, i.Rect.top());
                else if (i.Name == QLatin1String("fdRiga"))
                    row = qMin(row, i.Rect.top());
            }
            if (row < 1e9) {
                EXPECT_LT(title, row) << p;
            }
        }
        // Read again, out of order: the same page.
        EXPECT_EQ(shown.Page(0).Texts(), held.Page(0).Texts());
        EXPECT_EQ(shown.Page(held.PageCount() - 1).Texts(), held.Page(held.PageCount() - 1).Texts());
    }
}

// A register kept together as one group longer than a page: it starts on a new page and flows
// on with its titles at the top of each page, every row once and in order, its total over them
// all, and no more than a page of it held while laying it out.
TEST_F(ReportStream, KeptTogetherGroupLongerThanAPageFlowsWithItsTitlesOnEveryPage)
{
    auto layout = ReportLayout::FromJson(R"({ "name": "Registro", "base": "KV8Standard",
        "bands": { "title": { "height": 200, "items": [ { "type": "label", "name": "lbTitolo", "text": "Registro", "x": 0, "w": 40, "h": 5 } ] },
          "detail": { "height": 5, "items": [
            { "type": "field", "name": "fdNumero", "field": "Numero", "x": 0, "w": 20, "h": 5 } ] } },
        "groups": [ { "name": "grRegistro", "field": "Registro", "keepTogether": true, "repeatHeader": true,
          "header": { "height": 6, "items": [ { "type": "label", "name": "lbNumero", "text": "Numero", "x": 0, "w": 20, "h": 5 } ] },
          "footer": { "height": 6, "items": [
            { "type": "sum", "name": "smImporto", "field": "Importo", "format": "#,0.00;-#,0.00", "x": 30, "w": 30, "h": 5 } ] } } ] })");
    const int count = 400;
    RigheGenerate rows(count);
    QList<int> readWhenBegun;
    ReportEngineOptions options;
    options.OnPage = [&](int) { readWhenBegun.append(rows.Row()); };
    ReportEngine engine(
        *layout, [&](const QString &) -> ReportDataSource * { return &rows; }, nullptr, options);
    const ReportDocument doc = engine.Render();

    ASSERT_GE(doc.PageCount(), 5);
    QList<int> printed;
    int perPage = 0;
    int before = 0; // rows on the pages before
    for (int p = 0; p < doc.PageCount(); ++p) {
        SCOPED_TRACE(p);
        const ReportPage page = doc.Page(p);
        int titles = 0, onPage = 0;
        double titleY = -1, firstRowY = -1;
        for (const PageItem &item : page.Items) {
            if (item.Name == QLatin1String("lbNumero")) {
                ++titles;
                titleY = item.Rect.top();
            } else if (item.Name == QLatin1String("fdNumero")) {
                printed.append(item.Text.toInt());
                if (onPage++ == 0)
                    firstRowY = item.Rect.top();
            }
        }
        if (p == 0) {
            EXPECT_EQ(onPage, 0) << "the group too long for one page starts on a new one";
            continue;
        }
        EXPECT_EQ(titles, 1);
        EXPECT_LT(titleY, firstRowY);
        perPage = qMax(perPage, onPage);
        EXPECT_LE(readWhenBegun[p] - before, perPage + 1) << "rows held when the page began";
        before += onPage;
    }
    QList<int> expected(count);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(printed, expected);
    double total = 0;
    for (int r = 0; r < count; ++r)
        total += r * 1.25 - 100;
    EXPECT_TRUE(
        doc.Page(doc.PageCount() - 1).Texts().contains(KFormati::FormatFloat(QStringLiteral("#,0.00;-#,0.00"), total)));

    // Titles with room for themselves but not for a row go to the next page with the rows.
    auto tight = ReportLayout::FromJson(R"({ "name": "Stretto", "page": { "size": [100, 100], "margins": [5, 5, 5, 5] },
        "bands": { "title": { "height": 80, "items": [ { "type": "label", "name": "lbTitolo", "text": "Registro", "x": 0, "w": 40, "h": 5 } ] },
          "detail": { "height": 5, "items": [ { "type": "field", "name": "fdNumero", "field": "Numero", "x": 0, "w": 20, "h": 5 } ] } },
        "groups": [ { "name": "grRegistro", "field": "Registro", "repeatHeader": true,
          "header": { "height": 6, "items": [ { "type": "label", "name": "lbNumero", "text": "Numero", "x": 0, "w": 20, "h": 5 } ] } } ] })");
    RigheGenerate few(3);
    ReportEngine second(*tight, [&](const QString &) -> ReportDataSource * { return &few; }, nullptr, {});
    const ReportDocument small = second.Render();
    ASSERT_EQ(small.PageCount(), 2);
    EXPECT_TRUE(small.Page(0).TextsOf(QStringLiteral("lbNumero")).isEmpty());
    EXPECT_EQ(small.Page(1).TextsOf(QStringLiteral("lbNumero")), QStringList{"Numero"});
    EXPECT_EQ(small.Page(1).TextsOf(QStringLiteral("fdNumero")), (QStringList{"1", "2", "3"}));
}

TEST_F(ReportStream, LongPrintCountsItsPagesShortOneShowsNothing)
{
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(kElenco));
    RigheGenerate rows(1500);
    report.AggiungiDataSet(QStringLiteral("qMain"), &rows);
    {
        ProgressSeen seen;
        report.EseguiStampa(false);
        ASSERT_EQ(seen.views, 1);
        const int pages = report.Documento().PageCount();
        ASSERT_GT(pages, ReportProgress::kPages);
        // Laying out from page 11 with no count yet, then every page sent out of the whole.
        QList<int> layout, output;
        for (const auto &u : std::as_const(seen.updates)) {
            (u.count > 0 ? output : layout).append(u.page);
            if (u.count > 0) {
                EXPECT_EQ(u.count, pages);
            }
        }
        ASSERT_FALSE(layout.isEmpty());
        EXPECT_LE(layout.first(), ReportProgress::kPages + 1);
        EXPECT_EQ(layout.last(), pages);
        ASSERT_EQ(output.size(), pages);
        EXPECT_EQ(output.first(), 1);
        EXPECT_EQ(output.last(), pages);
        EXPECT_TRUE(seen.updates.last().caption.contains(QStringLiteral("di %1").arg(pages)));
        EXPECT_EQ(Files().size(), 1);
    }
    {
        ProgressSeen seen;
        RigheGenerate few(20);
        report.AggiungiDataSet(QStringLiteral("qMain"), &few);
        report.EseguiStampa(false);
        EXPECT_EQ(report.Documento().PageCount(), 1);
        EXPECT_EQ(seen.views, 0);
    }
}

TEST_F(ReportStream, StoppedPrintWritesNoFile)
{
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(kElenco));
    RigheGenerate rows(1500);
    report.AggiungiDataSet(QStringLiteral("qMain"), &rows);
    for (const bool output : {false, true}) {
        SCOPED_TRACE(output);
        ProgressSeen seen;
        seen.stopAt = 15;
        seen.stopOutput = output;
        EXPECT_THROW(report.EseguiStampa(false), EAbort);
        EXPECT_EQ(seen.updates.last().page, 15);
        EXPECT_TRUE(Files().isEmpty()) << Files().join(u' ').toStdString();
        EXPECT_TRUE(report.UltimoFile().isEmpty());
    }
    // The preview's own save stops the same way.
    ReportDocument shown;
    qunsetenv("KV8_PRINT_DIR");
    ReportOutput::SetPreviewHandler([&](const ReportDocument &doc) { shown = doc; });
    report.EseguiStampa(true);
    ReportOutput::SetPreviewHandler(nullptr);
    ProgressSeen seen;
    seen.stopAt = 12;
    seen.stopOutput = true;
    ReportProgress progress(QStringLiteral("Elenco"));
    const QString file = dir_.filePath(QStringLiteral("elenco.pdf"));
    EXPECT_THROW(ReportOutput::WritePdf(shown, file, &progress), EAbort);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(ReportStream, DotMatrixTextWrittenOutPageByPage)
{
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(R"({ "name": "Aghi", "text": { "pageLength": 20,
        "heading": ["Registro Pag.{#page,4}"], "sections": { "1": ["{Numero,6} {Descrizione,-40}{Importo,12:#,0.00;-#,0.00}"] },
        "tail": ["fine"] } })"));
    RigheGenerate rows(600);
    report.AggiungiDataSet(QStringLiteral("qMain"), &rows);
    report.StampaSu.Aghi = true;
    QString held;
    {
        ReportCapture capture;
        report.EseguiStampa(false);
        held = capture.Last().Text;
    }
    ASSERT_EQ(held.count(QLatin1Char('\f')), 32); // 19 rows a page, and the tail
    ProgressSeen seen;
    report.EseguiStampa(false);
    QFile file(report.UltimoFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), held);
    file.close();
    ASSERT_EQ(seen.views, 1);
    EXPECT_EQ(seen.updates.last().page, 32);
    QFile::remove(report.UltimoFile());

    seen.stopAt = 20;
    seen.updates.clear();
    EXPECT_THROW(report.EseguiStampa(false), EAbort);
    EXPECT_EQ(seen.updates.last().page, 20);
    EXPECT_TRUE(Files().isEmpty());
}

// The most resident memory while printing rows to a PDF file, over what the program held
// before, in kB.
long PrintGrowthKb(int rows)
{
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(kElenco));
    RigheGenerate source(rows);
    report.AggiungiDataSet(QStringLiteral("qMain"), &source);
    const long before = kv8test::ResidentKb();
    long peak = before;
    ProgressSeen seen;
    seen.onUpdate = [&] { peak = std::max(peak, kv8test::ResidentKb()); };
    report.EseguiStampa(false);
    EXPECT_GT(seen.updates.size(), 0);
    QFile::remove(report.UltimoFile());
    return peak - before;
}

TEST_F(ReportStream, MemoryDoesNotGrowWithTheRows)
{
    if (kv8test::ResidentKb() < 0)
        GTEST_SKIP() << "no /proc/self/status";
    PrintGrowthKb(1000); // fonts and the writer's first allocations
    const long small = PrintGrowthKb(2000);
    const long large = PrintGrowthKb(16000);
    // Held pages cost about a kilobyte a row here: 14 000 more rows would add over 10 MB.
    EXPECT_LT(large - small, 4 * 1024) << small << " kB at 2 000 rows, " << large << " kB at 16 000";
}

} // namespace
