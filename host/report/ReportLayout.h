#pragma once
// A print layout, read from a JSON file (layouts/<area>/<Name>.rpt.json, compiled in as a
// resource under ":/layouts/<area>/"). Sizes and positions are millimetres; item positions
// are relative to their band, the band as wide as the page inside its margins.
//
// {
//   "name": "...", "title": "...",
//   "base": "KV8Standard",             layout whose bands and page this one inherits
//   "page": { "size": "A4" | [w, h], "orientation": "portrait" | "landscape",
//             "margins": [left, top, right, bottom] },
//   "font": { "family": "DejaVu Sans", "size": 9, "bold": false, "italic": false },
//   "dataset": "qMain",                the dataset the detail runs over
//   "queries": { "qMain": "SELECT ... {WHERE XWHERE} {ORDER BY XORDERBY}" },
//   "bands": { "title": B, "pageHeader": B, "detail": B, "summary": B, "pageFooter": B },
//   "groups": [ { "name": "...", "field": "IdRaggMag", "newPage": false,
//                 "keepTogether": true, "repeatHeader": true, "header": B, "footer": B } ],
//                                      outer first, up to 3; "repeatHeader": the header (column
//                                      titles) again at the top of each page the group goes on
//   "text": { "pageLength": 66, "heading": ["..."], "sections": { "1": ["..."] },
//             "tail": ["..."] }          dot-matrix templates (TXStampaAghi)
// }
// B (band): { "name", "height", "visible", "newPage" (summary only), "items": [I],
//             "regions": [ { "name", "visible", "items": [I] } ]   (items shown or hidden
//                        together, placed on the band like its own items),
//             "subreports": [ { "name", "dataset", "visible", "params": { "Param": "Field" }
//                               or ["Field"], "header": B, "repeatHeader": true, "detail": B,
//                               "footer": B } ] }
// I (item): { "type": "label" | "field" | "sum" | "system" | "line" | "frame" | "picture",
//             "name", "x", "y", "w" (number or "full": to the band's right edge), "h",
//             "anchor": "right" (x counts from the band's right edge), "visible",
//             "text" (label), "field", "dataset", "format", "align": "left" | "center" |
//             "right", "blankWhenZero", "grow" (memo: wraps and makes its band taller),
//             "shrink" (a text wider than its box prints in a smaller font, down to 75 %),
//             "wrap", "value" (system: "pageNumber" | "pageCount" | "printDate" |
//             "companyName" | "title"), "prefix", "reset" (sum: "report" or a group or
//             subreport name; the enclosing group or subreport by default), "pen" (line
//             width), "path" (picture file; "field" gives the path from data), "font" }
#include "host/report/PageModel.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class ReportItem {
public:
    enum class Type { Label, Field, Sum, System, Line, Frame, Picture };
    enum class SystemValue { PageNumber, PageCount, PrintDate, CompanyName, Title };

    QString Name;
    Type type = Type::Label;
    double X = 0, Y = 0, W = 0, H = 0;
    bool FullWidth = false;   // W reaches the band's right edge
    bool AnchorRight = false; // X is the distance of the right edge from the band's right edge
    bool Visible = true;
    QString Text; // label caption; for fields, the text about to print (OnPrint may change it)
    QString FieldName;
    QString DataSet; // empty: the band's dataset
    QString Format;
    int Align = 0; // Qt::Alignment
    bool BlankWhenZero = false;
    bool Grow = false;
    bool Shrink = false;
    bool WordWrap = false;
    SystemValue System = SystemValue::PageNumber;
    QString Prefix;
    QString Reset; // sums
    double Pen = 0.2;
    QString Path;
    PageFont Font;
    QString Region; // the region the item belongs to, if any

    // Current value of a sum.
    double SumValue = 0;
};

class ReportSubReport;

// Items of a band shown or hidden together.
class ReportRegion {
public:
    QString Name;
    bool Visible = true;
};

class ReportBand {
public:
    QString Name;
    double Height = 0;
    bool Visible = true;
    bool NewPage = false; // summary: starts on a new page
    std::vector<std::unique_ptr<ReportItem>> Items;
    std::vector<std::unique_ptr<ReportSubReport>> SubReports;
    std::vector<std::unique_ptr<ReportRegion>> Regions;

    ReportItem *Item(const QString &name) const;
    ReportRegion *Region(const QString &name) const;
};

class ReportSubReport {
public:
    QString Name;
    QString DataSet;
    bool Visible = true;
    QList<QPair<QString, QString>> Params; // parameter name, field of the parent row
    bool RepeatHeader = false;             // the header again on each page its rows go on
    std::unique_ptr<ReportBand> Header, Detail, Footer;
};

class ReportGroup {
public:
    QString Name;
    QString FieldName;
    bool NewPage = false;
    bool KeepTogether = false;
    bool RepeatHeader = false; // the header again on each page the group goes on
    std::unique_ptr<ReportBand> Header, Footer;
};

// Dot-matrix text templates. A line holds literal text and fields {Name}, {Name,width} or
// {Name,width:format}: a positive width right-aligns, a negative one left-aligns, the text
// cut to the width. Names starting with '#' are system values: #page, #date, #company,
// #title. "{{" and "}}" stand for braces.
struct TextLayout {
    int PageLength = 66; // lines per page
    QStringList Heading;
    QMap<int, QStringList> Sections;
    QStringList Tail;
};

class ReportLayout {
public:
    QString Name;
    QString Title;
    QSizeF PageSize{210, 297}; // portrait size, mm
    bool Landscape = false;
    QMarginsF Margins{10, 10, 10, 10};
    PageFont Font;
    QString DataSet = QStringLiteral("qMain");
    QMap<QString, QString> Queries; // dataset name (lower case) -> query template
    std::unique_ptr<ReportBand> TitleBand, PageHeader, Detail, Summary, PageFooter;
    std::vector<std::unique_ptr<ReportGroup>> Groups;
    TextLayout Text;

    // Page size as printed and the width of a band.
    QSizeF PrintedPageSize() const;
    double BandWidth() const;

    // Lookups by name, without regard to case; nullptr when missing.
    ReportBand *Band(const QString &name) const;
    ReportItem *Item(const QString &name) const;
    ReportGroup *Group(const QString &name) const;
    ReportSubReport *SubReport(const QString &name) const;
    ReportRegion *Region(const QString &name) const;
    QString Query(const QString &dataset) const { return Queries.value(dataset.toLower()); }

    // Every band: title, page header, group headers (outer first), detail, group footers
    // (inner first), summary, page footer, then the bands of subreports.
    std::vector<ReportBand *> AllBands() const;

    // Parse a layout; "base" is resolved through Find. Throws Exception on bad JSON or a
    // bad value, naming the origin.
    static std::unique_ptr<ReportLayout> FromJson(const QByteArray &json, const QString &origin = QString());
    // Load by name or path: an existing file or resource path, else
    // ":/layouts/<area>/<name>.rpt.json" in any area. Throws Exception when not found.
    static std::unique_ptr<ReportLayout> Load(const QString &nameOrPath);
    // Path of a layout, empty when none.
    static QString Find(const QString &nameOrPath);
};
