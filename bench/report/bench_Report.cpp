// Rendering 10 000 detail rows into the page model and into a PDF, against a plain QPainter
// loop that formats and draws the same texts into a PDF. Prints the ratios at the end
// (target: the engine with its PDF within 3x of the plain loop).
#include "host/core/Applvar.h"
#include "host/core/KFormati.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kRows = 10000;

const char *const kLayout = R"json({
  "name": "BenchElenco", "base": "KV8Standard", "title": "Elenco movimenti",
  "bands": { "detail": { "height": 5, "items": [
    { "type": "field", "name": "fdCodice", "field": "Codice", "x": 0, "w": 25, "h": 5 },
    { "type": "field", "name": "fdDescr", "field": "Descrizione", "x": 27, "w": 70, "h": 5 },
    { "type": "field", "name": "fdData", "field": "Data", "format": "dd/mm/yyyy", "x": 99, "w": 22, "h": 5 },
    { "type": "field", "name": "fdQta", "field": "Quantita", "format": "#,0.00;-#,0.00", "align": "right", "x": 123, "w": 30, "h": 5 },
    { "type": "field", "name": "fdValore", "field": "Valore", "format": "#,##0.000", "align": "right", "blankWhenZero": true, "x": 155, "w": 35, "h": 5 } ] } }
})json";

struct Fixture {
    MemoryDataSource data{{"Codice", "Descrizione", "Data", "Quantita", "Valore"}};
    QTemporaryDir dir;

    Fixture()
    {
        for (int i = 0; i < kRows; ++i)
            data.AppendRow(QVariantList{QStringLiteral("ART%1").arg(i, 6, 10, QLatin1Char('0')),
                                        QStringLiteral("Articolo di prova numero %1").arg(i),
                                        QDate(2024, 1, 1).addDays(i % 365), (i % 97) * 12.25 - 300,
                                        i % 5 ? i * 3.125 : 0.0});
    }
};

Fixture &Data()
{
    static Fixture fixture;
    return fixture;
}

TfKV8ReportB &Report()
{
    static TfKV8ReportB *report = [] {
        auto *r = new TfKV8ReportB;
        r->CaricaLayout(ReportLayout::FromJson(kLayout, QStringLiteral("BenchElenco")));
        r->AggiungiDataSet(QStringLiteral("qMain"), &Data().data);
        r->DataStampa = QDate(2024, 6, 30);
        return r;
    }();
    return *report;
}

// What a print written by hand does: the same fonts, positions and formats, page by page.
int PlainPrint(const QString &path)
{
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    QPainter painter(&writer);
    const double k = writer.logicalDpiX() / 25.4;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8);
    QFont bold = font;
    bold.setBold(true);
    auto text = [&](double x, double y, double w, double h, int align, const QString &s) {
        painter.drawText(QRectF(x * k, y * k, w * k, h * k), align | Qt::AlignVCenter, s);
    };
    MemoryDataSource &data = Data().data;
    data.Open();
    int pages = 0;
    double y = 1e9;
    const double bottom = 297 - 10 - 8;
    auto footer = [&] {
        painter.drawLine(QPointF(10 * k, 280 * k), QPointF(200 * k, 280 * k));
        text(10, 281, 40, 5, Qt::AlignLeft, QStringLiteral("30/06/2024"));
        text(55, 281, 100, 5, Qt::AlignLeft, CFG.RagioneSociale);
        text(156, 281, 30, 5, Qt::AlignRight, QStringLiteral("Pagina %1").arg(pages));
    };
    for (; !data.Eof(); data.Next()) {
        if (y + 5 > bottom) {
            if (pages > 0) {
                footer();
                writer.newPage();
            }
            ++pages;
            painter.setFont(bold);
            text(10, 10, 120, 5, Qt::AlignLeft, CFG.RagioneSociale);
            text(10, 16, 190, 6, Qt::AlignHCenter, QStringLiteral("Elenco movimenti"));
            painter.setFont(font);
            text(155, 10, 45, 5, Qt::AlignRight, QStringLiteral("Data: 30/06/2024"));
            text(170, 16, 30, 6, Qt::AlignRight, QStringLiteral("Pag. %1").arg(pages));
            painter.drawLine(QPointF(10 * k, 23.5 * k), QPointF(200 * k, 23.5 * k));
            y = 25;
        }
        text(10, y, 25, 5, Qt::AlignLeft, data.Value(QStringLiteral("Codice")).toString());
        text(37, y, 70, 5, Qt::AlignLeft, data.Value(QStringLiteral("Descrizione")).toString());
        text(109, y, 22, 5, Qt::AlignLeft,
             KFormati::FormatDateTime(QStringLiteral("dd/mm/yyyy"), data.Value(QStringLiteral("Data")).toDate()));
        text(133, y, 30, 5, Qt::AlignRight,
             KFormati::FormatFloat(QStringLiteral("#,0.00;-#,0.00"), data.Value(QStringLiteral("Quantita")).toDouble()));
        const double value = data.Value(QStringLiteral("Valore")).toDouble();
        if (value != 0)
            text(165, y, 35, 5, Qt::AlignRight, KFormati::FormatFloat(QStringLiteral("#,##0.000"), value));
        y += 5;
    }
    footer();
    painter.end();
    return pages;
}

void BM_PlainQPainterPdf(benchmark::State &state)
{
    const QString path = Data().dir.filePath(QStringLiteral("plain.pdf"));
    int pages = 0;
    for (auto _ : state)
        pages = PlainPrint(path);
    state.counters["pages"] = pages;
}

void BM_PageModel(benchmark::State &state)
{
    int pages = 0;
    for (auto _ : state)
        pages = Report().Prepara().PageCount();
    state.counters["pages"] = pages;
}

void BM_PageModelAndPdf(benchmark::State &state)
{
    const QString path = Data().dir.filePath(QStringLiteral("engine.pdf"));
    int pages = 0;
    for (auto _ : state) {
        const ReportDocument doc = Report().Prepara();
        ReportOutput::WritePdf(doc, path);
        pages = doc.PageCount();
    }
    state.counters["pages"] = pages;
}

BENCHMARK(BM_PlainQPainterPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PageModel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PageModelAndPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

// Keeps the time of every run so that main can print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double plain = reporter.times["BM_PlainQPainterPdf/iterations:3"];
    const double model = reporter.times["BM_PageModel/iterations:3"];
    const double withPdf = reporter.times["BM_PageModelAndPdf/iterations:3"];
    if (plain > 0 && model > 0 && withPdf > 0) {
        std::printf("\n%d rows: page model %.1f ms, page model + PDF %.1f ms, plain QPainter PDF %.1f ms\n", kRows,
                    model, withPdf, plain);
        std::printf("ratio (page model + PDF) / plain QPainter: %.2fx (target within 3x)\n", withPdf / plain);
    }
    benchmark::Shutdown();
    return 0;
}
