// Every print layout, the host's and the module's, measured with the fonts it prints with:
// a caption, a title, a page number and a date fit the item's box, and no text runs into
// another text or a rule of its band, unless the item wraps.
#include "host/core/KFormati.h"
#include "host/report/ReportLayout.h"
#include "host/report/ReportOutput.h"
#include "tests/support/ui/UiScript.h"

#include <QDir>
#include <QDirIterator>
#include <QFontMetricsF>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

constexpr double Dpi = 600;
constexpr double DotsPerMm = Dpi / 25.4;
constexpr double Tolleranza = 0.15; // mm

const QImage &Dispositivo()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.setDotsPerMeterX(int(Dpi / 0.0254));
        image.setDotsPerMeterY(int(Dpi / 0.0254));
        return image;
    }();
    return device;
}

double LarghezzaMm(const PageFont &font, const QString &text)
{
    QImage &device = const_cast<QImage &>(Dispositivo());
    const QFontMetricsF metrics(ReportOutput::ToQFont(font), &device);
    double widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest / DotsPerMm;
}

double AltezzaRigaMm(const PageFont &font)
{
    QImage &device = const_cast<QImage &>(Dispositivo());
    const QFontMetricsF metrics(ReportOutput::ToQFont(font), &device);
    return (metrics.ascent() + metrics.descent()) / DotsPerMm;
}

bool Testo(const ReportItem &i)
{
    return i.type == ReportItem::Type::Label || i.type == ReportItem::Type::Field || i.type == ReportItem::Type::Sum
           || i.type == ReportItem::Type::System;
}

// The widest text an item prints, when the layout alone tells: its caption, a date in its
// format, the title, the page number, the date of printing.
QString PiuLargo(const ReportLayout &layout, const ReportItem &i)
{
    switch (i.type) {
    case ReportItem::Type::Label:
        return i.Text;
    case ReportItem::Type::Field:
    case ReportItem::Type::Sum:
        if (i.Format.contains(QLatin1String("yy")) || i.Format.contains(QLatin1String("dd")))
            return i.Prefix + KFormati::FormatDateTime(i.Format, QDateTime(QDate(2028, 12, 28), QTime(23, 58, 58)));
        return {};
    case ReportItem::Type::System:
        switch (i.System) {
        case ReportItem::SystemValue::PageNumber:
        case ReportItem::SystemValue::PageCount:
            return i.Prefix + QStringLiteral("999");
        case ReportItem::SystemValue::PrintDate:
            return i.Prefix + QStringLiteral("28/12/2028");
        case ReportItem::SystemValue::Title:
            return i.Prefix + layout.Title;
        case ReportItem::SystemValue::CompanyName:
            return {};
        }
        return {};
    default:
        return {};
    }
}

QRectF Box(const ReportItem &i, double bandWidth)
{
    const double x = i.AnchorRight ? bandWidth - i.X - i.W : i.X;
    const double w = i.FullWidth ? bandWidth - x : i.W;
    return QRectF(x, i.Y, w, i.H);
}

// Where an item's text is drawn: its widest text placed as aligned in the box; the whole box
// when the text depends on the data.
QRectF Inchiostro(const ReportLayout &layout, const ReportItem &i, double bandWidth)
{
    const QRectF box = Box(i, bandWidth);
    const QString testo = PiuLargo(layout, i);
    if (testo.isEmpty())
        return box;
    const double w = std::min(box.width(), LarghezzaMm(i.Font, testo));
    if (i.Align & Qt::AlignRight)
        return QRectF(box.right() - w, box.top(), w, box.height());
    if (i.Align & Qt::AlignHCenter)
        return QRectF(box.center().x() - w / 2, box.top(), w, box.height());
    return QRectF(box.left(), box.top(), w, box.height());
}

// What of a layout does not show whole: one line per item.
QStringList NonEntra(const ReportLayout &layout)
{
    QStringList out;
    const double larghezza = layout.BandWidth();
    for (const ReportBand *band : layout.AllBands()) {
        if (!band)
            continue;
        std::vector<const ReportItem *> testi;
        std::vector<const ReportItem *> linee;
        for (const auto &item : band->Items) {
            if (Testo(*item))
                testi.push_back(item.get());
            else if (item->type == ReportItem::Type::Line)
                linee.push_back(item.get());
        }
        for (const ReportItem *i : testi) {
            const QRectF box = Box(*i, larghezza);
            const QString nome = band->Name + QLatin1Char('.') + i->Name;
            if (i->WordWrap || i->Grow)
                continue;
            const QString testo = PiuLargo(layout, *i);
            if (!testo.isEmpty()) {
                const double serve = LarghezzaMm(i->Font, testo);
                if (serve > box.width() + Tolleranza)
                    out << QStringLiteral("%1 \"%2\": %3 mm in %4 mm").arg(nome, testo).arg(serve, 0, 'f', 1).arg(box.width(), 0, 'f', 1);
            }
            const double alta = AltezzaRigaMm(i->Font);
            if (alta > box.height() + 0.5)
                out << QStringLiteral("%1: a line %2 mm tall in %3 mm").arg(nome).arg(alta, 0, 'f', 1).arg(box.height(), 0, 'f', 1);
            // other texts shown with it
            for (const ReportItem *j : testi) {
                if (j <= i || !i->Visible || !j->Visible || (i->Region != j->Region && !i->Region.isEmpty() && !j->Region.isEmpty()))
                    continue;
                const QRectF comune = Inchiostro(layout, *i, larghezza).intersected(Inchiostro(layout, *j, larghezza));
                if (comune.width() > Tolleranza && comune.height() > Tolleranza)
                    out << QStringLiteral("%1 overlaps %2").arg(nome, j->Name);
            }
            // rules across the text
            const QRectF ink = Inchiostro(layout, *i, larghezza);
            for (const ReportItem *l : linee) {
                const QRectF r = Box(*l, larghezza);
                const bool orizzontale = std::abs(r.height()) < 0.01;
                const bool verticale = std::abs(r.width()) < 0.01;
                if (orizzontale && r.top() > ink.top() + Tolleranza && r.top() < ink.bottom() - Tolleranza
                    && std::min(r.right(), ink.right()) - std::max(r.left(), ink.left()) > Tolleranza)
                    out << QStringLiteral("%1 crosses the rule %2").arg(nome, l->Name);
                if (verticale && r.left() > ink.left() + Tolleranza && r.left() < ink.right() - Tolleranza
                    && std::min(r.bottom(), ink.bottom()) - std::max(r.top(), ink.top()) > Tolleranza)
                    out << QStringLiteral("%1 crosses the rule %2").arg(nome, l->Name);
            }
        }
    }
    return out;
}

} // namespace

TEST(StampeIntere, EveryPrintLayoutShowsItsCaptionsWholeAndApart)
{
    kv8test::EnsureApplication();
    QStringList difetti;
    int layouts = 0;
    QDirIterator it(qEnvironmentVariable("KV8_SOURCE_DIR") + QStringLiteral("/layouts"), {QStringLiteral("*.rpt.json")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        std::unique_ptr<ReportLayout> layout;
        try {
            layout = ReportLayout::Load(path);
        } catch (const std::exception &e) {
            ADD_FAILURE() << path.toStdString() << ": " << e.what();
            continue;
        }
        ++layouts;
        for (const QString &d : NonEntra(*layout))
            difetti << QFileInfo(path).fileName() + QStringLiteral(": ") + d;
    }
    EXPECT_GT(layouts, 40);
    EXPECT_TRUE(difetti.isEmpty()) << difetti.size() << " items cut:\n" << difetti.join(QLatin1Char('\n')).toStdString();
}
