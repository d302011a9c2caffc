// Every print layout, the host's and the module's, measured with the fonts it prints with:
// a caption, a title, a page number and a date fit the item's box, and no text runs into
// another text or a rule of its band, unless the item wraps or shrinks. Then every layout printed on
// the widest values its fields hold: texts at their full width in a wide letter, numbers
// at the largest the prints are meant for.
#include "host/core/KFormati.h"
#include "host/db/Dictionary.h"
#include "host/db/ModuleData.h"
#include "host/report/ReportEngine.h"
#include "host/report/ReportLayout.h"
#include "host/report/ReportOutput.h"
#include "tests/support/ui/UiScript.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QRegularExpression>
#include <QSet>

#include <iostream>

#include <gtest/gtest.h>

namespace {

constexpr double Dpi = 600;
constexpr double DotsPerMm = Dpi / 25.4;
constexpr double Tolleranza = 0.15; // mm
constexpr double Stacco = 0.8;      // mm between two captions of a row, about a blank

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

// A horizontal or vertical rule running through a text's ink.
bool Attraversa(QRectF regola, const QRectF &ink)
{
    regola = regola.normalized();
    if (regola.height() < 0.01)
        return regola.top() > ink.top() + Tolleranza && regola.top() < ink.bottom() - Tolleranza
               && std::min(regola.right(), ink.right()) - std::max(regola.left(), ink.left()) > Tolleranza;
    if (regola.width() < 0.01)
        return regola.left() > ink.left() + Tolleranza && regola.left() < ink.right() - Tolleranza
               && std::min(regola.bottom(), ink.bottom()) - std::max(regola.top(), ink.top()) > Tolleranza;
    return false;
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
                // an item that shrinks fits when it fits at its smallest
                const double serve = LarghezzaMm(i->Font, testo) * (i->Shrink ? ReportEngine::LeastShrink : 1);
                if (serve > box.width() + Tolleranza)
                    out << QStringLiteral("%1 \"%2\": %3 mm in %4 mm")
                               .arg(nome, testo)
                               .arg(serve, 0, 'f', 1)
                               .arg(box.width(), 0, 'f', 1);
            }
            const double alta = AltezzaRigaMm(i->Font);
            if (alta > box.height() + 0.5)
                out << QStringLiteral("%1: a line %2 mm tall in %3 mm")
                           .arg(nome)
                           .arg(alta, 0, 'f', 1)
                           .arg(box.height(), 0, 'f', 1);
            // other texts shown with it
            for (const ReportItem *j : testi) {
                if (j <= i || !i->Visible || !j->Visible
                    || (i->Region != j->Region && !i->Region.isEmpty() && !j->Region.isEmpty()))
                    continue;
                const QRectF a = Inchiostro(layout, *i, larghezza), b = Inchiostro(layout, *j, larghezza);
                const QRectF comune = a.intersected(b);
                if (comune.width() > Tolleranza && comune.height() > Tolleranza) {
                    out << QStringLiteral("%1 overlaps %2").arg(nome, j->Name);
                } else if (i->type == ReportItem::Type::Label && j->type == ReportItem::Type::Label
                           && std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()) > Tolleranza
                           && std::max(a.left(), b.left()) - std::min(a.right(), b.right()) < Stacco) {
                    out << QStringLiteral("%1 touches %2").arg(nome, j->Name); // two captions read as one
                }
            }
            // rules across the text
            const QRectF ink = Inchiostro(layout, *i, larghezza);
            for (const ReportItem *l : linee)
                if (Attraversa(Box(*l, larghezza), ink))
                    out << QStringLiteral("%1 crosses the rule %2").arg(nome, l->Name);
        }
    }
    return out;
}

// The widest value a field prints: a text filled to its width with the widest letter; a
// quantity or an amount below ten million, negative, at every decimal its mask shows (a
// percentage or a discount at 100, a vessel's or a bottle's capacity below 100.000 litres); a
// number or a count at five digits, a small number at three; the date whose digits print
// widest.
// A field the dictionary does not know (a column the query computes) takes the widest
// number of its item's mask; without a mask it is left out and counted.
class ValoriLarghi {
public:
    ValoriLarghi()
    {
        for (const DictTable *t : Dictionary::Instance().Tables())
            for (const DictColumn &c : t->columns) {
                const QString nome = c.name.toLower();
                const auto it = colonne_.constFind(nome);
                if (it == colonne_.constEnd() || Larghezza(c) > Larghezza(**it))
                    colonne_.insert(nome, &c);
            }
    }

    QVariant Valore(const QString &campo, const QString &formato) const
    {
        const DictColumn *c = Colonna(campo);
        if (!c) {
            if (formato.contains(QLatin1String("yy")) || formato.contains(QLatin1String("dd")))
                return Data;
            if (formato.contains(QLatin1Char('0')) || formato.contains(QLatin1Char('#')))
                return Quantita;
            ignoti.insert(campo);
            return {};
        }
        switch (c->type) {
        case FieldType::String:
            return QString(c->size, QLatin1Char('W'));
        case FieldType::Memo:
            return QString(400, QLatin1Char('W'));
        case FieldType::SmallInt:
            return c->items.isEmpty() ? QVariant(999) : QVariant(c->items.first().value);
        case FieldType::Integer:
        case FieldType::AutoInc:
            return 99999;
        case FieldType::Float:
            if (c->name.startsWith(QLatin1String("Perc"), Qt::CaseInsensitive)
                || c->name.startsWith(QLatin1String("Sconto"), Qt::CaseInsensitive))
                return -100.0;
            if (c->name.startsWith(QLatin1String("Capacita"), Qt::CaseInsensitive))
                return 99999.444;
            return Quantita;
        case FieldType::DateTime:
            return Data;
        }
        return {};
    }

    static inline const double Quantita = -9999999.444;
    static inline const QDateTime Data{QDate(2028, 12, 28), QTime(23, 58, 58)};
    mutable QSet<QString> ignoti;

private:
    // The column a field shows: by its name, else by the name a lookup or a computed column
    // takes after (a leading '_', the module's prefix, a trailing number: "_DsImballo2").
    const DictColumn *Colonna(QString nome) const
    {
        nome = nome.toLower();
        for (const QString &tolto : {QStringLiteral("_"), QStringLiteral("ut_lmq_"), QStringLiteral("ut_")}) {
            if (const DictColumn *c = colonne_.value(nome))
                return c;
            if (nome.startsWith(tolto))
                nome.remove(0, tolto.size());
        }
        if (const DictColumn *c = colonne_.value(nome))
            return c;
        while (!nome.isEmpty() && nome.back().isDigit())
            nome.chop(1);
        return colonne_.value(nome);
    }
    static int Larghezza(const DictColumn &c)
    {
        return c.type == FieldType::String ? c.size : c.type == FieldType::Memo ? 1000 : 0;
    }
    QHash<QString, const DictColumn *> colonne_;
};

// Records of widest values (one unless told), whatever dataset or parameters a layout asks.
class SorgenteLarga : public ReportDataSource {
public:
    SorgenteLarga(const ValoriLarghi &valori, const ReportLayout &layout, int righe = 1)
        : valori_(valori), righe_(righe)
    {
        for (const ReportBand *band : layout.AllBands())
            if (band)
                for (const auto &item : band->Items)
                    if (!item->FieldName.isEmpty() && !item->Format.isEmpty())
                        formati_.insert(item->FieldName.toLower(), item->Format);
    }
    void Open() override { riga_ = 0; }
    void Close() override { riga_ = righe_; }
    bool Active() const override { return true; }
    void First() override { riga_ = 0; }
    void Next() override { ++riga_; }
    bool Eof() const override { return riga_ >= righe_; }
    int RecordCount() const override { return righe_; }
    bool HasField(const QString &) const override { return true; }
    QVariant Value(const QString &name) const override { return valori_.Valore(name, formati_.value(name.toLower())); }

private:
    const ValoriLarghi &valori_;
    QHash<QString, QString> formati_;
    int righe_;
    int riga_ = 0;
};

// The captions of a group's or subreport's header, and the band of the rows they head.
struct Titoli {
    QString di;
    QStringList testi;
    QString righe;
};

QList<Titoli> TitoliDi(const ReportLayout &layout)
{
    QList<Titoli> out;
    const auto titoli = [&](const ReportBand *header, const QString &di, const ReportBand *detail) {
        if (!header || !detail || !header->Visible)
            return;
        Titoli t{di, {}, detail->Name};
        for (const auto &item : header->Items)
            if (item->type == ReportItem::Type::Label && item->Visible && item->Region.isEmpty())
                t.testi << item->Text;
        if (!t.testi.isEmpty())
            out << t;
    };
    for (const auto &g : layout.Groups)
        titoli(g->Header.get(), g->Name, layout.Detail.get());
    for (const ReportBand *band : layout.AllBands())
        if (band)
            for (const auto &sub : band->SubReports)
                titoli(sub->Header.get(), sub->Name, sub->Detail.get());
    return out;
}

// Where a printed text's ink lies: its width placed as aligned in its box, one line tall
// and centred unless it wraps.
QRectF InchiostroStampato(const PageItem &p, double larga)
{
    const double alta = std::min(p.Rect.height(), AltezzaRigaMm(p.Font));
    const double top = p.WordWrap ? p.Rect.top() : p.Rect.center().y() - alta / 2;
    const double w = p.WordWrap ? std::min(larga, p.Rect.width()) : larga;
    const double h = p.WordWrap ? p.Rect.height() : alta;
    if (p.Align & Qt::AlignRight)
        return QRectF(p.Rect.right() - w, top, w, h);
    if (p.Align & Qt::AlignHCenter)
        return QRectF(p.Rect.center().x() - w / 2, top, w, h);
    return QRectF(p.Rect.left(), top, w, h);
}

// What of a printed page does not show whole: a text wider than its box (taller, when it
// wraps in a box that does not grow), or running into another text or a rule.
QStringList NonEntraStampato(const ReportLayout &layout, const ReportPage &page)
{
    QStringList out;
    struct Testo {
        const PageItem *p;
        QRectF ink;
        QString nome;
        bool esce; // wider than its box: told as such
    };
    QList<Testo> testi;
    QList<const PageItem *> linee;
    for (const PageItem &p : page.Items) {
        if (p.kind == PageItem::Kind::Line) {
            linee.append(&p);
            continue;
        }
        if (p.kind != PageItem::Kind::Text || p.Text.isEmpty())
            continue;
        const QString nome = p.Band + QLatin1Char('.') + p.Name;
        const ReportItem *item = layout.Item(p.Name);
        const bool cresce = item && item->Grow;
        const double larga = LarghezzaMm(p.Font, p.Text);
        bool esce = false;
        if (p.WordWrap) {
            const double alta = ReportEngine::TextHeight(p.Text, p.Font, p.Rect.width());
            esce = !cresce && alta > p.Rect.height() + 0.5;
            if (esce)
                out << QStringLiteral("%1 \"%2\": wraps to %3 mm in %4 mm")
                           .arg(nome, p.Text)
                           .arg(alta, 0, 'f', 1)
                           .arg(p.Rect.height(), 0, 'f', 1);
        } else if (!cresce && larga > p.Rect.width() + Tolleranza) {
            esce = true;
            out << QStringLiteral("%1 \"%2\": %3 mm in %4 mm")
                       .arg(nome, p.Text)
                       .arg(larga, 0, 'f', 1)
                       .arg(p.Rect.width(), 0, 'f', 1);
        }
        testi.append({&p, cresce ? p.Rect : InchiostroStampato(p, larga), nome, esce});
    }
    for (int a = 0; a < testi.size(); ++a) {
        if (testi[a].esce)
            continue;
        for (int b = a + 1; b < testi.size(); ++b) {
            if (testi[b].esce)
                continue;
            const QRectF comune = testi[a].ink.intersected(testi[b].ink);
            if (comune.width() > Tolleranza && comune.height() > Tolleranza)
                out << QStringLiteral("%1 runs into %2").arg(testi[a].nome, testi[b].nome);
        }
        for (const PageItem *l : linee)
            if (Attraversa(l->Rect, testi[a].ink))
                out << QStringLiteral("%1 crosses the rule %2.%3").arg(testi[a].nome, l->Band, l->Name);
    }
    return out;
}

QStringList Layouts()
{
    QStringList out;
    QDirIterator it(qEnvironmentVariable("KV8_SOURCE_DIR") + QStringLiteral("/layouts"), {QStringLiteral("*.rpt.json")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

} // namespace

TEST(StampeIntere, EveryPrintLayoutShowsItsCaptionsWholeAndApart)
{
    kv8test::EnsureApplication();
    QStringList difetti;
    int layouts = 0;
    for (const QString &path : Layouts()) {
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
    EXPECT_TRUE(difetti.isEmpty()) << difetti.size() << " items cut:\n"
                                   << difetti.join(QLatin1Char('\n')).toStdString();
}

// Printed on enough rows to fill pages, every page after the first that shows rows of a group
// or subreport shows the captions of its header too.
TEST(StampeIntere, EveryPageOfRowsCarriesTheTitlesOfItsGroup)
{
    kv8test::EnsureApplication();
    ModuleData::Use(Dictionary::JsonFiles(QStringLiteral(":/kv8test/dictionary")),
                    Dictionary::JsonFiles(QStringLiteral(":/kv8test/demo")));
    // the accompanying document is a form: its head is numbered boxes, not titles of columns
    const QStringList moduli{QStringLiteral("Qarn0402s.rpt.json")};
    const ValoriLarghi valori;
    QStringList difetti;
    int seguite = 0;
    for (const QString &path : Layouts()) {
        const QString nome = QFileInfo(path).fileName();
        if (moduli.contains(nome))
            continue;
        try {
            std::unique_ptr<ReportLayout> layout = ReportLayout::Load(path);
            const QList<Titoli> titoli = TitoliDi(*layout);
            if (titoli.isEmpty())
                continue;
            SorgenteLarga sorgente(valori, *layout, 40);
            ReportEngine engine(*layout, [&](const QString &) -> ReportDataSource * { return &sorgente; }, nullptr, {});
            const ReportDocument doc = engine.Render();
            for (int p = 1; p < doc.PageCount(); ++p) {
                const ReportPage page = doc.Page(p);
                const QStringList testi = page.Texts();
                for (const Titoli &t : titoli) {
                    const bool righe = std::any_of(page.Items.cbegin(), page.Items.cend(),
                                                   [&](const PageItem &i) { return i.Band == t.righe; });
                    if (!righe)
                        continue;
                    ++seguite;
                    for (const QString &testo : t.testi)
                        if (!testi.contains(testo))
                            difetti << QStringLiteral("%1: page %2 shows rows of %3 without \"%4\"")
                                           .arg(nome)
                                           .arg(p + 1)
                                           .arg(t.di, testo);
                }
            }
        } catch (const std::exception &e) {
            ADD_FAILURE() << nome.toStdString() << ": " << e.what();
        }
    }
    EXPECT_GT(seguite, 10) << "pages after the first with rows under titles";
    EXPECT_TRUE(difetti.isEmpty()) << difetti.size() << " titles missing:\n"
                                   << difetti.join(QLatin1Char('\n')).toStdString();
}

TEST(StampeIntere, EveryPrintLayoutShowsTheWidestValuesWholeAndApart)
{
    kv8test::EnsureApplication();
    ModuleData::Use(Dictionary::JsonFiles(QStringLiteral(":/kv8test/dictionary")),
                    Dictionary::JsonFiles(QStringLiteral(":/kv8test/demo")));
    const ValoriLarghi valori;
    QStringList difetti;
    int stampate = 0;
    for (const QString &path : Layouts()) {
        const QString nome = QFileInfo(path).fileName();
        try {
            std::unique_ptr<ReportLayout> layout = ReportLayout::Load(path);
            SorgenteLarga sorgente(valori, *layout);
            ReportEngineOptions opzioni;
            opzioni.Title = layout->Title;
            opzioni.CompanyName = QString(50, QLatin1Char('W'));
            opzioni.PrintDate = ValoriLarghi::Data.date();
            ReportEngine engine(
                *layout, [&](const QString &) -> ReportDataSource * { return &sorgente; }, nullptr, opzioni);
            const ReportDocument doc = engine.Render();
            for (int p = 0; p < doc.PageCount(); ++p)
                for (const QString &d : NonEntraStampato(*layout, doc.Page(p)))
                    difetti << nome + QStringLiteral(": ") + d;
            ++stampate;
        } catch (const std::exception &e) {
            ADD_FAILURE() << nome.toStdString() << ": " << e.what();
        }
    }
    difetti.removeDuplicates();
    EXPECT_GT(stampate, 40);
    // Items still cut by the widest values, one a line, until their layouts are mended: a
    // new cut fails, and so does a listed one that now shows whole (drop it from the list).
    QFile file(qEnvironmentVariable("KV8_SOURCE_DIR") + QStringLiteral("/tests/module/windows/StampeLargheAperte.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList aperti;
    for (const QString &riga : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!riga.trimmed().isEmpty() && !riga.startsWith(QLatin1Char('#')))
            aperti << riga;
    QStringList nuovi, mendati;
    for (const QString &d : difetti)
        if (!aperti.contains(d))
            nuovi << d;
    for (const QString &a : aperti)
        if (!difetti.contains(a))
            mendati << a;
    EXPECT_TRUE(nuovi.isEmpty()) << nuovi.size() << " items cut:\n" << nuovi.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(mendati.isEmpty()) << mendati.size() << " listed items now whole:\n"
                                   << mendati.join(QLatin1Char('\n')).toStdString();
    QStringList ignoti(valori.ignoti.begin(), valori.ignoti.end());
    ignoti.sort();
    std::cout << "fields left out (computed, no mask): " << ignoti.join(QStringLiteral(", ")).toStdString()
              << std::endl;
}
