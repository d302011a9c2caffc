// A print as the user waits for it (laid out page by page and written to a PDF file) against
// a plain QPainter loop that formats and draws the same texts into a PDF, at 10 000 rows and
// at a year's register size (200 000 rows, KV8_BENCH_RIGHE_STAMPA): the two run interleaved,
// the ratio printed is the median of the per-round ratios (target within 1.5x), both sides'
// page counts are compared, and the print's memory is its growth over the resting process.
// KV8_BENCH_ROUNDS (5) and KV8_BENCH_ROUNDS_GRANDE (2) set the rounds.
#include "bench/support/BenchMisure.h"
#include "host/core/Applvar.h"
#include "host/core/KFormati.h"
#include "host/report/ReportOutput.h"
#include "host/report/TfKV8ReportB.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

int Rounds(const char *variable, int fallback)
{
    return qEnvironmentVariableIsSet(variable) ? std::max(1, qEnvironmentVariableIntValue(variable)) : fallback;
}

const char *const kLayout = R"json({
  "name": "BenchElenco", "base": "KV8Standard", "title": "Elenco movimenti",
  "bands": { "detail": { "height": 5, "items": [
    { "type": "field", "name": "fdCodice", "field": "Codice", "x": 0, "w": 25, "h": 5 },
    { "type": "field", "name": "fdDescr", "field": "Descrizione", "x": 27, "w": 70, "h": 5 },
    { "type": "field", "name": "fdData", "field": "Data", "format": "dd/mm/yyyy", "x": 99, "w": 22, "h": 5 },
    { "type": "field", "name": "fdQta", "field": "Quantita", "format": "#,0.00;-#,0.00", "align": "right", "x": 123, "w": 30, "h": 5 },
    { "type": "field", "name": "fdValore", "field": "Valore", "format": "#,##0.000", "align": "right", "blankWhenZero": true, "x": 155, "w": 35, "h": 5 } ] } }
})json";

std::unique_ptr<MemoryDataSource> Dati(int rows)
{
    auto data = std::make_unique<MemoryDataSource>(QStringList{"Codice", "Descrizione", "Data", "Quantita", "Valore"});
    for (int i = 0; i < rows; ++i)
        data->AppendRow(QVariantList{QStringLiteral("ART%1").arg(i, 6, 10, QLatin1Char('0')),
                                     QStringLiteral("Articolo di prova numero %1").arg(i),
                                     QDate(2024, 1, 1).addDays(i % 365), (i % 97) * 12.25 - 300,
                                     i % 5 ? i * 3.125 : 0.0});
    return data;
}

// What a print written by hand does: the same fonts, positions and formats, page by page.
int PlainPrint(const QString &path, MemoryDataSource &data)
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
        text(
            133, y, 30, 5, Qt::AlignRight,
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

// The print as a user starts it: laid out, its pages written out as they are finished and
// sent to a PDF file (KV8_PRINT_DIR). Answers the pages.
int EnginePrint(TfKV8ReportB &report)
{
    report.EseguiStampa(false);
    QFile::remove(report.UltimoFile());
    return report.Documento().PageCount();
}

void Misura(int rows, int rounds, const QTemporaryDir &dir)
{
    std::unique_ptr<MemoryDataSource> data = Dati(rows);
    TfKV8ReportB report;
    report.CaricaLayout(ReportLayout::FromJson(kLayout, QStringLiteral("BenchElenco")));
    report.AggiungiDataSet(QStringLiteral("qMain"), data.get());
    report.DataStampa = QDate(2024, 6, 30);
    const QString plainPath = dir.filePath(QStringLiteral("plain.pdf"));
    int enginePages = 0, plainPages = 0;
    const double growth = benchmisure::CrescitaMb([&] { EnginePrint(report); });
    const benchmisure::Confronto c = benchmisure::Alterna(
        rounds, [&] { return benchmisure::Time([&] { enginePages = EnginePrint(report); }); },
        [&] { return benchmisure::Time([&] { plainPages = PlainPrint(plainPath, *data); }); });
    std::printf("\n%d rows, %d pages%s\n", rows, enginePages,
                enginePages == plainPages
                    ? ", as many as the plain loop's"
                    : qPrintable(QStringLiteral("   PAGE COUNTS DIFFER: the plain loop drew %1").arg(plainPages)));
    c.Print("print", "laid out and written to PDF / plain QPainter PDF (target within 1.5x)");
    std::printf("  %-8s memory: the print grows the resting process by %.0f MB at its peak\n", "print", growth);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("KV8_PRINT_DIR", dir.path().toUtf8());
    Misura(10000, Rounds("KV8_BENCH_ROUNDS", 5), dir);
    Misura(Rounds("KV8_BENCH_RIGHE_STAMPA", 200000), Rounds("KV8_BENCH_ROUNDS_GRANDE", 2), dir);
    return 0;
}
