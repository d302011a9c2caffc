#include "host/report/ReportLayout.h"

#include "host/core/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPageSize>
#include <QSet>

namespace {

class Parser {
public:
    explicit Parser(QString origin) : origin_(std::move(origin)) {}

    [[noreturn]] void Fail(const QString &what) const
    {
        throw Exception(QStringLiteral("Layout di stampa %1: %2").arg(origin_, what));
    }

    void CheckKeys(const QJsonObject &o, const QSet<QString> &allowed, const QString &where) const
    {
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!allowed.contains(it.key()))
                Fail(QStringLiteral("chiave \"%1\" sconosciuta in %2").arg(it.key(), where));
    }

    double Number(const QJsonObject &o, const QString &key, double def, const QString &where) const
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return def;
        if (!v.isDouble())
            Fail(QStringLiteral("\"%1\" di %2 non è un numero").arg(key, where));
        return v.toDouble();
    }

    bool Bool(const QJsonObject &o, const QString &key, bool def, const QString &where) const
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return def;
        if (!v.isBool())
            Fail(QStringLiteral("\"%1\" di %2 non è true/false").arg(key, where));
        return v.toBool();
    }

    QString String(const QJsonObject &o, const QString &key, const QString &where) const
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined())
            return QString();
        if (!v.isString())
            Fail(QStringLiteral("\"%1\" di %2 non è un testo").arg(key, where));
        return v.toString();
    }

    // A text given as a string or as an array of lines.
    QStringList Lines(const QJsonValue &v, const QString &where) const
    {
        if (v.isUndefined())
            return {};
        if (v.isString())
            return {v.toString()};
        if (!v.isArray())
            Fail(QStringLiteral("%1 non è un testo né un elenco di righe").arg(where));
        QStringList out;
        for (const QJsonValue line : v.toArray()) {
            if (!line.isString())
                Fail(QStringLiteral("%1 contiene una riga che non è un testo").arg(where));
            out.append(line.toString());
        }
        return out;
    }

    PageFont Font(const QJsonValue &v, const PageFont &def, const QString &where) const
    {
        if (v.isUndefined())
            return def;
        if (!v.isObject())
            Fail(QStringLiteral("font di %1 non è un oggetto").arg(where));
        const QJsonObject o = v.toObject();
        CheckKeys(o, {"family", "size", "bold", "italic"}, QStringLiteral("font di ") + where);
        PageFont f = def;
        if (o.contains("family"))
            f.Family = String(o, "family", where);
        f.Size = Number(o, "size", def.Size, where);
        if (f.Size <= 0)
            Fail(QStringLiteral("font di %1 con dimensione non positiva").arg(where));
        f.Bold = Bool(o, "bold", def.Bold, where);
        f.Italic = Bool(o, "italic", def.Italic, where);
        return f;
    }

    std::unique_ptr<ReportItem> Item(const QJsonValue &v, const PageFont &font, const QString &band) const
    {
        if (!v.isObject())
            Fail(QStringLiteral("un elemento della banda %1 non è un oggetto").arg(band));
        const QJsonObject o = v.toObject();
        auto item = std::make_unique<ReportItem>();
        item->Name = String(o, "name", band);
        const QString where = item->Name.isEmpty() ? QStringLiteral("un elemento della banda ") + band
                                                   : QStringLiteral("l'elemento ") + item->Name;
        CheckKeys(o, {"type",   "name",          "x",    "y",      "w",       "h",
                      "anchor", "visible",       "text", "field",  "dataset", "format",
                      "align",  "blankWhenZero", "grow", "shrink", "wrap",    "value",
                      "prefix", "reset",         "pen",  "path",   "font"},
                  where);
        static const QMap<QString, ReportItem::Type> types{
            {"label", ReportItem::Type::Label},    {"field", ReportItem::Type::Field},
            {"sum", ReportItem::Type::Sum},        {"system", ReportItem::Type::System},
            {"line", ReportItem::Type::Line},      {"frame", ReportItem::Type::Frame},
            {"picture", ReportItem::Type::Picture}};
        const QString type = String(o, "type", where);
        if (!types.contains(type))
            Fail(QStringLiteral("tipo \"%1\" sconosciuto per %2").arg(type, where));
        item->type = types.value(type);
        item->X = Number(o, "x", 0, where);
        item->Y = Number(o, "y", 0, where);
        item->H = Number(o, "h", 0, where);
        const QJsonValue w = o.value("w");
        if (w.isString()) {
            if (w.toString() != QLatin1String("full"))
                Fail(QStringLiteral("\"w\" di %1 deve essere un numero o \"full\"").arg(where));
            item->FullWidth = true;
        } else {
            item->W = Number(o, "w", 0, where);
        }
        if (item->W < 0 || item->H < 0)
            Fail(QStringLiteral("%1 ha dimensioni negative").arg(where));
        const QString anchor = String(o, "anchor", where);
        if (!anchor.isEmpty() && anchor != QLatin1String("right") && anchor != QLatin1String("left"))
            Fail(QStringLiteral("\"anchor\" di %1 deve essere \"left\" o \"right\"").arg(where));
        item->AnchorRight = anchor == QLatin1String("right");
        item->Visible = Bool(o, "visible", true, where);
        item->Text = String(o, "text", where);
        item->FieldName = String(o, "field", where);
        item->DataSet = String(o, "dataset", where);
        item->Format = String(o, "format", where);
        const QString align = String(o, "align", where);
        if (align.isEmpty() || align == QLatin1String("left"))
            item->Align = Qt::AlignLeft;
        else if (align == QLatin1String("right"))
            item->Align = Qt::AlignRight;
        else if (align == QLatin1String("center"))
            item->Align = Qt::AlignHCenter;
        else
            Fail(QStringLiteral("allineamento \"%1\" sconosciuto per %2").arg(align, where));
        item->BlankWhenZero = Bool(o, "blankWhenZero", false, where);
        item->Grow = Bool(o, "grow", false, where);
        item->Shrink = Bool(o, "shrink", false, where);
        item->WordWrap = Bool(o, "wrap", item->Grow, where);
        item->Prefix = String(o, "prefix", where);
        item->Reset = String(o, "reset", where);
        item->Pen = Number(o, "pen", 0.2, where);
        item->Path = String(o, "path", where);
        item->Font = Font(o.value("font"), font, where);

        switch (item->type) {
        case ReportItem::Type::Field:
        case ReportItem::Type::Sum:
            if (item->FieldName.isEmpty())
                Fail(QStringLiteral("%1 non indica il campo").arg(where));
            break;
        case ReportItem::Type::System: {
            static const QMap<QString, ReportItem::SystemValue> values{
                {"pageNumber", ReportItem::SystemValue::PageNumber},
                {"pageCount", ReportItem::SystemValue::PageCount},
                {"printDate", ReportItem::SystemValue::PrintDate},
                {"companyName", ReportItem::SystemValue::CompanyName},
                {"title", ReportItem::SystemValue::Title}};
            const QString value = String(o, "value", where);
            if (!values.contains(value))
                Fail(QStringLiteral("valore di sistema \"%1\" sconosciuto per %2").arg(value, where));
            item->System = values.value(value);
            break;
        }
        case ReportItem::Type::Picture:
            if (item->Path.isEmpty() && item->FieldName.isEmpty())
                Fail(QStringLiteral("%1 non indica né il file né il campo").arg(where));
            break;
        default:
            break;
        }
        return item;
    }

    std::unique_ptr<ReportBand> Band(const QJsonValue &v, const QString &defaultName, const PageFont &font,
                                     bool allowNewPage) const
    {
        if (v.isUndefined() || v.isNull())
            return nullptr;
        if (!v.isObject())
            Fail(QStringLiteral("la banda %1 non è un oggetto").arg(defaultName));
        const QJsonObject o = v.toObject();
        auto band = std::make_unique<ReportBand>();
        band->Name = String(o, "name", defaultName);
        if (band->Name.isEmpty())
            band->Name = defaultName;
        const QString where = QStringLiteral("la banda ") + band->Name;
        QSet<QString> keys{"name", "height", "visible", "items", "subreports", "regions", "font"};
        if (allowNewPage)
            keys.insert("newPage");
        CheckKeys(o, keys, where);
        band->Height = Number(o, "height", 0, where);
        if (band->Height < 0)
            Fail(QStringLiteral("%1 ha altezza negativa").arg(where));
        band->Visible = Bool(o, "visible", true, where);
        band->NewPage = Bool(o, "newPage", false, where);
        const PageFont bandFont = Font(o.value("font"), font, where);
        const QJsonValue items = o.value("items");
        if (!items.isUndefined() && !items.isArray())
            Fail(QStringLiteral("\"items\" di %1 non è un elenco").arg(where));
        for (const QJsonValue item : items.toArray())
            band->Items.push_back(Item(item, bandFont, band->Name));
        const QJsonValue regions = o.value("regions");
        if (!regions.isUndefined() && !regions.isArray())
            Fail(QStringLiteral("\"regions\" di %1 non è un elenco").arg(where));
        for (const QJsonValue r : regions.toArray()) {
            const QJsonObject ro = r.toObject();
            auto region = std::make_unique<ReportRegion>();
            region->Name = String(ro, "name", where);
            if (!r.isObject() || region->Name.isEmpty())
                Fail(QStringLiteral("una regione di %1 non ha nome").arg(where));
            CheckKeys(ro, {"name", "visible", "items"}, QStringLiteral("la regione ") + region->Name);
            region->Visible = Bool(ro, "visible", true, region->Name);
            for (const QJsonValue item : ro.value("items").toArray()) {
                band->Items.push_back(Item(item, bandFont, band->Name));
                band->Items.back()->Region = region->Name;
            }
            band->Regions.push_back(std::move(region));
        }
        const QJsonValue subs = o.value("subreports");
        if (!subs.isUndefined() && !subs.isArray())
            Fail(QStringLiteral("\"subreports\" di %1 non è un elenco").arg(where));
        for (const QJsonValue sub : subs.toArray())
            band->SubReports.push_back(SubReport(sub, bandFont, band->Name));
        return band;
    }

    std::unique_ptr<ReportSubReport> SubReport(const QJsonValue &v, const PageFont &font, const QString &band) const
    {
        if (!v.isObject())
            Fail(QStringLiteral("un sotto-report della banda %1 non è un oggetto").arg(band));
        const QJsonObject o = v.toObject();
        auto sub = std::make_unique<ReportSubReport>();
        sub->Name = String(o, "name", band);
        if (sub->Name.isEmpty())
            Fail(QStringLiteral("un sotto-report della banda %1 non ha nome").arg(band));
        const QString where = QStringLiteral("il sotto-report ") + sub->Name;
        CheckKeys(o, {"name", "dataset", "visible", "params", "header", "repeatHeader", "detail", "footer"}, where);
        sub->DataSet = String(o, "dataset", where);
        if (sub->DataSet.isEmpty())
            Fail(QStringLiteral("%1 non indica il dataset").arg(where));
        sub->Visible = Bool(o, "visible", true, where);
        sub->RepeatHeader = Bool(o, "repeatHeader", false, where);
        const QJsonValue params = o.value("params");
        if (params.isArray()) {
            for (const QJsonValue p : params.toArray()) {
                if (!p.isString())
                    Fail(QStringLiteral("un parametro di %1 non è un testo").arg(where));
                sub->Params.append({p.toString(), p.toString()});
            }
        } else if (params.isObject()) {
            const QJsonObject map = params.toObject();
            for (auto it = map.begin(); it != map.end(); ++it) {
                if (!it.value().isString())
                    Fail(QStringLiteral("il parametro %1 di %2 non indica un campo").arg(it.key(), where));
                sub->Params.append({it.key(), it.value().toString()});
            }
        } else if (!params.isUndefined()) {
            Fail(QStringLiteral("\"params\" di %1 deve essere un elenco o un oggetto").arg(where));
        }
        sub->Header = Band(o.value("header"), sub->Name + QStringLiteral("Header"), font, false);
        sub->Detail = Band(o.value("detail"), sub->Name + QStringLiteral("Detail"), font, false);
        sub->Footer = Band(o.value("footer"), sub->Name + QStringLiteral("Footer"), font, false);
        if (!sub->Detail)
            Fail(QStringLiteral("%1 non ha la banda di dettaglio").arg(where));
        return sub;
    }

    std::unique_ptr<ReportGroup> Group(const QJsonValue &v, int index, const PageFont &font) const
    {
        if (!v.isObject())
            Fail(QStringLiteral("il gruppo %1 non è un oggetto").arg(index + 1));
        const QJsonObject o = v.toObject();
        auto group = std::make_unique<ReportGroup>();
        group->Name = String(o, "name", QStringLiteral("un gruppo"));
        if (group->Name.isEmpty())
            group->Name = QStringLiteral("Group%1").arg(index + 1);
        const QString where = QStringLiteral("il gruppo ") + group->Name;
        CheckKeys(o, {"name", "field", "newPage", "keepTogether", "repeatHeader", "header", "footer"}, where);
        group->FieldName = String(o, "field", where);
        if (group->FieldName.isEmpty())
            Fail(QStringLiteral("%1 non indica il campo").arg(where));
        group->NewPage = Bool(o, "newPage", false, where);
        group->KeepTogether = Bool(o, "keepTogether", false, where);
        group->RepeatHeader = Bool(o, "repeatHeader", false, where);
        group->Header = Band(o.value("header"), group->Name + QStringLiteral("Header"), font, false);
        group->Footer = Band(o.value("footer"), group->Name + QStringLiteral("Footer"), font, false);
        return group;
    }

    void Page(const QJsonObject &o, ReportLayout &layout) const
    {
        const QString where = QStringLiteral("la pagina");
        CheckKeys(o, {"size", "orientation", "margins"}, where);
        const QJsonValue size = o.value("size");
        if (size.isString()) {
            static const QMap<QString, QPageSize::PageSizeId> sizes{{"A3", QPageSize::A3},
                                                                    {"A4", QPageSize::A4},
                                                                    {"A5", QPageSize::A5},
                                                                    {"Letter", QPageSize::Letter},
                                                                    {"Legal", QPageSize::Legal}};
            if (!sizes.contains(size.toString()))
                Fail(QStringLiteral("formato di pagina \"%1\" sconosciuto").arg(size.toString()));
            layout.PageSize = QPageSize::size(sizes.value(size.toString()), QPageSize::Millimeter);
        } else if (size.isArray()) {
            const QJsonArray wh = size.toArray();
            if (wh.size() != 2 || !wh[0].isDouble() || !wh[1].isDouble() || wh[0].toDouble() <= 0
                || wh[1].toDouble() <= 0)
                Fail(QStringLiteral("formato di pagina non valido: serve [larghezza, altezza]"));
            const double a = wh[0].toDouble(), b = wh[1].toDouble();
            layout.PageSize = QSizeF(qMin(a, b), qMax(a, b));
            if (a > b && !o.contains("orientation"))
                layout.Landscape = true;
        } else if (!size.isUndefined()) {
            Fail(QStringLiteral("formato di pagina non valido"));
        }
        const QString orientation = String(o, "orientation", where);
        if (orientation == QLatin1String("landscape"))
            layout.Landscape = true;
        else if (orientation == QLatin1String("portrait"))
            layout.Landscape = false;
        else if (!orientation.isEmpty())
            Fail(QStringLiteral("orientamento \"%1\" sconosciuto").arg(orientation));
        const QJsonValue margins = o.value("margins");
        if (margins.isArray()) {
            const QJsonArray m = margins.toArray();
            if (m.size() != 4)
                Fail(QStringLiteral("margini non validi: servono [sinistro, alto, destro, basso]"));
            for (const QJsonValue x : m)
                if (!x.isDouble() || x.toDouble() < 0)
                    Fail(QStringLiteral("margini non validi"));
            layout.Margins = QMarginsF(m[0].toDouble(), m[1].toDouble(), m[2].toDouble(), m[3].toDouble());
        } else if (!margins.isUndefined()) {
            Fail(QStringLiteral("margini non validi: servono [sinistro, alto, destro, basso]"));
        }
    }

    void Text(const QJsonObject &o, TextLayout &text) const
    {
        const QString where = QStringLiteral("il testo ad aghi");
        CheckKeys(o, {"pageLength", "heading", "sections", "tail"}, where);
        text.PageLength = int(Number(o, "pageLength", 66, where));
        text.Heading = Lines(o.value("heading"), QStringLiteral("l'intestazione ad aghi"));
        if (text.PageLength <= text.Heading.size())
            Fail(QStringLiteral("la pagina ad aghi deve avere più righe dell'intestazione"));
        const QJsonObject sections = o.value("sections").toObject();
        for (auto it = sections.begin(); it != sections.end(); ++it) {
            bool ok = false;
            const int n = it.key().toInt(&ok);
            if (!ok)
                Fail(QStringLiteral("la sezione ad aghi \"%1\" non è un numero").arg(it.key()));
            text.Sections.insert(n, Lines(it.value(), QStringLiteral("la sezione ad aghi ") + it.key()));
        }
        text.Tail = Lines(o.value("tail"), QStringLiteral("la coda ad aghi"));
    }

    std::unique_ptr<ReportLayout> Layout(const QJsonObject &o) const
    {
        CheckKeys(o, {"name", "title", "base", "page", "font", "dataset", "queries", "bands", "groups", "text"},
                  QStringLiteral("il layout"));
        auto layout = std::make_unique<ReportLayout>();
        layout->Name = String(o, "name", QStringLiteral("il layout"));
        layout->Title = String(o, "title", QStringLiteral("il layout"));
        if (o.contains("page")) {
            if (!o.value("page").isObject())
                Fail(QStringLiteral("\"page\" non è un oggetto"));
            Page(o.value("page").toObject(), *layout);
        }
        layout->Font = Font(o.value("font"), PageFont(), QStringLiteral("il layout"));
        if (o.contains("dataset"))
            layout->DataSet = String(o, "dataset", QStringLiteral("il layout"));
        const QJsonObject queries = o.value("queries").toObject();
        for (auto it = queries.begin(); it != queries.end(); ++it)
            layout->Queries.insert(it.key().toLower(),
                                   Lines(it.value(), QStringLiteral("la query ") + it.key()).join('\n'));

        const QJsonObject bands = o.value("bands").toObject();
        CheckKeys(bands, {"title", "pageHeader", "detail", "summary", "pageFooter"}, QStringLiteral("le bande"));
        layout->TitleBand = Band(bands.value("title"), QStringLiteral("title"), layout->Font, false);
        layout->PageHeader = Band(bands.value("pageHeader"), QStringLiteral("pageHeader"), layout->Font, false);
        layout->Detail = Band(bands.value("detail"), QStringLiteral("detail"), layout->Font, false);
        layout->Summary = Band(bands.value("summary"), QStringLiteral("summary"), layout->Font, true);
        layout->PageFooter = Band(bands.value("pageFooter"), QStringLiteral("pageFooter"), layout->Font, false);

        const QJsonArray groups = o.value("groups").toArray();
        if (groups.size() > 3)
            Fail(QStringLiteral("al massimo tre gruppi annidati"));
        for (int i = 0; i < groups.size(); ++i)
            layout->Groups.push_back(Group(groups[i], i, layout->Font));
        if (o.contains("text"))
            Text(o.value("text").toObject(), layout->Text);

        // Names must be unique so that code can address them.
        QSet<QString> seen;
        auto unique = [&](const QString &name, const QString &what) {
            if (name.isEmpty())
                return;
            if (seen.contains(name.toLower()))
                Fail(QStringLiteral("il nome \"%1\" (%2) è usato più volte").arg(name, what));
            seen.insert(name.toLower());
        };
        for (const auto &g : layout->Groups)
            unique(g->Name, QStringLiteral("gruppo"));
        for (ReportBand *band : layout->AllBands()) {
            unique(band->Name, QStringLiteral("banda"));
            for (const auto &item : band->Items)
                unique(item->Name, QStringLiteral("elemento"));
            for (const auto &sub : band->SubReports)
                unique(sub->Name, QStringLiteral("sotto-report"));
            for (const auto &region : band->Regions)
                unique(region->Name, QStringLiteral("regione"));
        }
        return layout;
    }

private:
    QString origin_;
};

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Layout di stampa %1 non leggibile: %2").arg(path, file.errorString()));
    return file.readAll();
}

QJsonObject ParseObject(const QByteArray &json, const QString &origin)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw Exception(QStringLiteral("Layout di stampa %1: JSON non valido alla posizione %2: %3")
                            .arg(origin)
                            .arg(error.offset)
                            .arg(error.errorString()));
    if (!doc.isObject())
        throw Exception(QStringLiteral("Layout di stampa %1: il JSON non è un oggetto").arg(origin));
    return doc.object();
}

// The layout object with its base layouts folded in: the derived layout's keys win, its
// bands and page settings one by one.
QJsonObject Resolve(const QJsonObject &derived, const QString &origin, QStringList &chain)
{
    const QString baseName = derived.value("base").toString();
    if (baseName.isEmpty())
        return derived;
    if (chain.contains(baseName, Qt::CaseInsensitive))
        throw Exception(QStringLiteral("Layout di stampa %1: base circolare %2").arg(origin, chain.join(" -> ")));
    chain.append(baseName);
    const QString path = ReportLayout::Find(baseName);
    if (path.isEmpty())
        throw Exception(QStringLiteral("Layout di stampa %1: layout di base %2 non trovato").arg(origin, baseName));
    QJsonObject merged = Resolve(ParseObject(ReadFile(path), path), path, chain);
    merged.remove("name");
    merged.remove("base");
    for (auto it = derived.begin(); it != derived.end(); ++it) {
        if ((it.key() == QLatin1String("bands") || it.key() == QLatin1String("page")
             || it.key() == QLatin1String("queries"))
            && it.value().isObject()) {
            QJsonObject inner = merged.value(it.key()).toObject();
            const QJsonObject over = it.value().toObject();
            for (auto jt = over.begin(); jt != over.end(); ++jt)
                inner.insert(jt.key(), jt.value());
            merged.insert(it.key(), inner);
        } else if (it.key() != QLatin1String("base")) {
            merged.insert(it.key(), it.value());
        }
    }
    return merged;
}

} // namespace

QSizeF ReportLayout::PrintedPageSize() const
{
    return Landscape ? PageSize.transposed() : PageSize;
}

double ReportLayout::BandWidth() const
{
    return PrintedPageSize().width() - Margins.left() - Margins.right();
}

ReportItem *ReportBand::Item(const QString &name) const
{
    for (const auto &item : Items)
        if (item->Name.compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

ReportRegion *ReportBand::Region(const QString &name) const
{
    for (const auto &region : Regions)
        if (region->Name.compare(name, Qt::CaseInsensitive) == 0)
            return region.get();
    return nullptr;
}

ReportRegion *ReportLayout::Region(const QString &name) const
{
    for (ReportBand *band : AllBands())
        if (ReportRegion *region = band->Region(name))
            return region;
    return nullptr;
}

std::vector<ReportBand *> ReportLayout::AllBands() const
{
    std::vector<ReportBand *> out;
    auto add = [&out](const std::unique_ptr<ReportBand> &band) {
        if (band)
            out.push_back(band.get());
    };
    add(TitleBand);
    add(PageHeader);
    for (const auto &g : Groups)
        add(g->Header);
    add(Detail);
    for (size_t i = Groups.size(); i-- > 0;)
        add(Groups[i]->Footer);
    add(Summary);
    add(PageFooter);
    // Subreport bands, also nested ones, after their owners (out grows as it is walked).
    for (size_t i = 0; i < out.size(); ++i) // NOLINT(modernize-loop-convert)
        for (const auto &sub : out[i]->SubReports) {
            add(sub->Header);
            add(sub->Detail);
            add(sub->Footer);
        }
    return out;
}

ReportBand *ReportLayout::Band(const QString &name) const
{
    for (ReportBand *band : AllBands())
        if (band->Name.compare(name, Qt::CaseInsensitive) == 0)
            return band;
    return nullptr;
}

ReportItem *ReportLayout::Item(const QString &name) const
{
    for (ReportBand *band : AllBands())
        if (ReportItem *item = band->Item(name))
            return item;
    return nullptr;
}

ReportGroup *ReportLayout::Group(const QString &name) const
{
    for (const auto &g : Groups)
        if (g->Name.compare(name, Qt::CaseInsensitive) == 0)
            return g.get();
    return nullptr;
}

ReportSubReport *ReportLayout::SubReport(const QString &name) const
{
    for (ReportBand *band : AllBands())
        for (const auto &sub : band->SubReports)
            if (sub->Name.compare(name, Qt::CaseInsensitive) == 0)
                return sub.get();
    return nullptr;
}

std::unique_ptr<ReportLayout> ReportLayout::FromJson(const QByteArray &json, const QString &origin)
{
    const QString where = origin.isEmpty() ? QStringLiteral("(testo)") : origin;
    QStringList chain;
    const QJsonObject object = Resolve(ParseObject(json, where), where, chain);
    return Parser(where).Layout(object);
}

QString ReportLayout::Find(const QString &nameOrPath)
{
    if (nameOrPath.isEmpty())
        return QString();
    if (nameOrPath.contains(QLatin1Char('/')) || nameOrPath.endsWith(QLatin1String(".json"))) {
        if (QFileInfo::exists(nameOrPath))
            return nameOrPath;
        QString resource = QStringLiteral(":/") + nameOrPath;
        if (!nameOrPath.startsWith(QLatin1Char(':')) && QFileInfo::exists(resource))
            return resource;
        return QString();
    }
    const QString file = nameOrPath + QStringLiteral(".rpt.json");
    const QDir root(QStringLiteral(":/layouts"));
    for (const QString &area : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir dir(root.filePath(area));
        // Case-insensitive match of the file name: layout names follow the class names.
        for (const QString &entry : dir.entryList(QDir::Files))
            if (entry.compare(file, Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
    }
    return QString();
}

std::unique_ptr<ReportLayout> ReportLayout::Load(const QString &nameOrPath)
{
    const QString path = Find(nameOrPath);
    if (path.isEmpty())
        throw Exception(QStringLiteral("Layout di stampa %1 non trovato").arg(nameOrPath));
    auto layout = FromJson(ReadFile(path), path);
    if (layout->Name.isEmpty())
        layout->Name = QFileInfo(path).fileName().section(QLatin1Char('.'), 0, 0);
    return layout;
}
