#pragma once
// The band engine: walks the main dataset of a layout and lays its bands out on pages.
//
// Order: the page header at the top of every page and the page footer at its bottom; the
// title band first on the first page; for each record of the main dataset, the footers of
// the groups that end (inner first), the headers of the groups that begin (outer first),
// the detail band and its subreports; the footers of the last groups and the summary at
// the end. A group with newPage starts on a new page (not the first one); a group with
// keepTogether moves whole to the next page when it does not fit the rest of the page and
// fits an empty one; once what is held of it passes a page, it starts on a new page and flows
// from there, so that no more than a page is ever held. A group or subreport with
// repeatHeader prints its header, as first laid out, again at the top of each page it goes
// on (after the page header; no sum restarts, no hook runs again). Group footers and the
// summary read the fields of the last record of their group.
//
// Sums add up the field of every record their dataset passes through and restart when
// their group or subreport begins. Page numbers and page counts are filled in once the
// pages are known.
#include "host/report/PageModel.h"
#include "host/report/ReportDataSource.h"
#include "host/report/ReportLayout.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>

// Code run while printing, by the name of a band, region, subreport or item (lower case).
// A band, region or subreport hook runs before it prints and may hide it, change its items
// or reopen a dataset; an item hook runs with the item's text computed and may change the
// text or hide the item. A hidden region leaves its space in the band.
struct ReportHooks {
    QHash<QString, std::function<void()>> BeforePrint;
    QHash<QString, std::function<void(ReportItem &)>> OnPrint;
};

struct ReportEngineOptions {
    QString Title;
    QString CompanyName;
    QDate PrintDate;
    // Document prints: every record of the main dataset starts a new page, and pages are
    // numbered (and counted) within their record.
    bool NewPagePerRecord = false;
    bool PageNumberPerRecord = false;
    // Pages go to a temporary file as they are finished (ReportDocument::Spool): the print
    // holds one page at a time whatever its length.
    bool Spool = false;
    // Called as each page begins, with the pages begun so far; may throw EAbort to stop.
    std::function<void(int pages)> OnPage;
};

class ReportEngine {
public:
    using SourceLookup = std::function<ReportDataSource *(const QString &name)>;

    ReportEngine(ReportLayout &layout, SourceLookup sources, const ReportHooks *hooks, ReportEngineOptions options);
    ~ReportEngine();

    ReportDocument Render();

    // While rendering: the number of pages begun so far (the page being filled).
    int CurrentPage() const;

    // Height in mm of a text wrapped to a width, in the given font.
    static double TextHeight(const QString &text, const PageFont &font, double widthMm);
    // Width in mm of a text's longest line, in the given font.
    static double TextWidth(const QString &text, const PageFont &font);

    // The least a "shrink" item's font is scaled to; a text needing less prints cut.
    static constexpr double LeastShrink = 0.75;

private:
    class Impl;
    std::unique_ptr<Impl> d;
};
