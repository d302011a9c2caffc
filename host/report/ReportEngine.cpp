#include "host/report/ReportEngine.h"

#include "host/core/Errors.h"
#include "host/core/KFormati.h"
#include "host/report/ReportFormat.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

enum class Deferred { None, PageNumber, PageCount };

struct BlockItem {
    PageItem item;
    Deferred deferred = Deferred::None;
    QString prefix;
    QString format;
};

struct Block {
    double height = 0;
    QList<BlockItem> items;
};

// What the placement receives: a band laid out, a page break, a unit to keep on one page, or
// the end of a header that repeats on each page its group or subreport continues on.
struct Chunk {
    enum Kind { BlockChunk, Break, Unit, EndRepeat } kind = BlockChunk;
    Block block;
    std::vector<Chunk> children;
    bool newDocument = false;
    const void *repeats = nullptr; // a header: the group or subreport it repeats for

    double Height() const
    {
        if (kind == BlockChunk)
            return block.height;
        if (kind != Unit)
            return 0;
        double h = 0;
        for (const Chunk &c : children)
            h += c.Height();
        return h;
    }
    bool HasBreak() const
    {
        if (kind == Break)
            return true;
        return std::any_of(children.cbegin(), children.cend(), [](const Chunk &c) { return c.HasBreak(); });
    }
};

struct SumRef {
    ReportItem *item;
    QString dataset; // lower case
    QString reset;   // lower case
};

// Where a band reads its fields: a dataset, or the values kept of its last record.
struct Ctx {
    ReportDataSource *ds = nullptr;
    QString name;
    const QHash<QString, QVariant> *snapshot = nullptr;
};

struct Patch {
    int page;
    PageSpool::Patch patch;
};

// A header that repeats atop each page its group or subreport goes on; pending until what it
// heads is placed, so that it never ends a page alone.
struct Repeated {
    const void *owner;
    Block block;
    bool pending = true;
};

// Resolution used to measure text; the PDF output paints at the same one.
constexpr double kMeasureDpi = 1200;

} // namespace

class ReportEngine::Impl {
public:
    Impl(ReportLayout &layout, SourceLookup sources, const ReportHooks *hooks, ReportEngineOptions options)
        : L(layout), sources_(std::move(sources)), hooks_(hooks), opt_(std::move(options))
    {}

    ReportDocument Render();
    int CurrentPage() const { return int(documents_.size()); }

private:
    [[noreturn]] void Fail(const QString &what) const
    {
        throw Exception(QStringLiteral("Stampa %1: %2").arg(L.Name, what));
    }

    ReportDataSource *Source(const QString &name) const
    {
        ReportDataSource *ds = sources_ ? sources_(name) : nullptr;
        if (!ds)
            Fail(QStringLiteral("dataset %1 non assegnato").arg(name));
        return ds;
    }

    void RunHook(const QString &name)
    {
        if (!hooks_ || name.isEmpty())
            return;
        const auto it = hooks_->BeforePrint.constFind(name.toLower());
        if (it != hooks_->BeforePrint.constEnd() && *it)
            (*it)();
    }

    const std::function<void(ReportItem &)> *ItemHook(const QString &name) const
    {
        if (!hooks_ || name.isEmpty())
            return nullptr;
        const auto it = hooks_->OnPrint.constFind(name.toLower());
        return it != hooks_->OnPrint.constEnd() && *it ? &*it : nullptr;
    }

    QVariant Value(const Ctx &ctx, const QString &dataset, const QString &field) const
    {
        if (dataset.isEmpty() || dataset.compare(ctx.name, Qt::CaseInsensitive) == 0) {
            if (ctx.snapshot) {
                const auto it = ctx.snapshot->constFind(field.toLower());
                if (it != ctx.snapshot->constEnd())
                    return *it;
            }
            if (!ctx.ds)
                Fail(QStringLiteral("il campo %1 non ha un dataset").arg(field));
            return ctx.ds->Value(field);
        }
        return Source(dataset)->Value(field);
    }

    void CollectSums();
    void AddBandSums(ReportBand *band, const QString &dataset, const QString &reset, QSet<QString> &scopes);
    void CollectSnapshotFields(ReportBand *band);
    void Accumulate(const QString &dataset, ReportDataSource *ds);
    void ResetSums(const QString &scope);
    void TakeSnapshot();

    bool RenderBand(ReportBand *band, const Ctx &ctx, Block &out);
    bool BuildItem(ReportItem &item, const QString &band, const Ctx &ctx, double width, BlockItem &out);
    void EmitBand(ReportBand *band, const Ctx &ctx, bool breakBefore = false, const void *repeats = nullptr);
    void EmitEndRepeat(const void *owner);
    void RunSubReport(ReportSubReport *sub, const Ctx &parent);
    void OpenGroups(int from, bool first);
    void CloseGroups(int downTo, const Ctx &ctx);

    // Placement.
    void Push(Chunk &&chunk);
    void EmitBreak(bool newDocument);
    void BeginKeep() { buffers_.emplace_back(); }
    void EndKeep();
    void ReleaseKept();
    double PageBodyHeight() const;
    void Place(Chunk &chunk);
    void PlaceBlock(Block &block);
    void PlaceHeaders(double following);
    void PutItems(Block &block, double top);
    void NewPage();
    void FinishPage();
    void StorePage();
    void Finish();
    double FooterHeight() const { return L.PageFooter && L.PageFooter->Visible ? L.PageFooter->Height : 0; }

    ReportLayout &L;
    SourceLookup sources_;
    const ReportHooks *hooks_;
    ReportEngineOptions opt_;
    ReportDocument doc_;

    ReportDataSource *main_ = nullptr;
    QList<SumRef> sums_;
    QSet<QString> snapshotFields_;
    QHash<QString, QVariant> snapshot_;
    QList<bool> keepOpen_;
    QHash<QString, QImage> images_;

    std::vector<std::vector<Chunk>> buffers_;
    double held_ = 0;                 // height of what the buffers hold
    std::vector<Repeated> repeating_; // outer first
    bool hasPage_ = false;
    bool pageHasBody_ = false;
    bool breakPending_ = false;
    int document_ = 0;
    double y_ = 0;
    double bodyTop_ = 0;
    double bodyBottom_ = 0;
    QList<int> documents_;                // of every page begun
    QList<PageSpool::Patch> pagePatches_; // of the page being filled
    QList<Patch> patches_;                // of the pages held
    std::shared_ptr<PageSpool> spool_;
};

// ---------------------------------------------------------------------------------------
// Sums and the last record of a group

void ReportEngine::Impl::AddBandSums(ReportBand *band, const QString &dataset, const QString &reset,
                                     QSet<QString> &scopes)
{
    if (!band)
        return;
    for (const auto &item : band->Items) {
        if (item->type != ReportItem::Type::Sum)
            continue;
        item->SumValue = 0;
        sums_.append({item.get(), (item->DataSet.isEmpty() ? dataset : item->DataSet).toLower(),
                      (item->Reset.isEmpty() ? reset : item->Reset).toLower()});
    }
    for (const auto &sub : band->SubReports) {
        scopes.insert(sub->Name.toLower());
        AddBandSums(sub->Header.get(), sub->DataSet, sub->Name, scopes);
        AddBandSums(sub->Detail.get(), sub->DataSet, sub->Name, scopes);
        AddBandSums(sub->Footer.get(), sub->DataSet, sub->Name, scopes);
    }
}

void ReportEngine::Impl::CollectSums()
{
    sums_.clear();
    QSet<QString> scopes{QStringLiteral("report")};
    const QString report = QStringLiteral("report");
    for (const auto &g : L.Groups)
        scopes.insert(g->Name.toLower());
    AddBandSums(L.TitleBand.get(), L.DataSet, report, scopes);
    AddBandSums(L.PageHeader.get(), L.DataSet, report, scopes);
    for (const auto &g : L.Groups) {
        AddBandSums(g->Header.get(), L.DataSet, g->Name, scopes);
        AddBandSums(g->Footer.get(), L.DataSet, g->Name, scopes);
    }
    AddBandSums(L.Detail.get(), L.DataSet, report, scopes);
    AddBandSums(L.Summary.get(), L.DataSet, report, scopes);
    AddBandSums(L.PageFooter.get(), L.DataSet, report, scopes);
    for (const SumRef &s : sums_)
        if (!scopes.contains(s.reset))
            Fail(QStringLiteral("la somma %1 si azzera su \"%2\", che non è un gruppo né un sotto-report")
                     .arg(s.item->Name, s.item->Reset));
}

void ReportEngine::Impl::CollectSnapshotFields(ReportBand *band)
{
    if (!band)
        return;
    for (const auto &item : band->Items)
        if ((item->type == ReportItem::Type::Field || item->type == ReportItem::Type::Picture)
            && !item->FieldName.isEmpty()
            && (item->DataSet.isEmpty() || item->DataSet.compare(L.DataSet, Qt::CaseInsensitive) == 0))
            snapshotFields_.insert(item->FieldName);
    for (const auto &sub : band->SubReports)
        for (const auto &param : sub->Params)
            snapshotFields_.insert(param.second);
}

void ReportEngine::Impl::Accumulate(const QString &dataset, ReportDataSource *ds)
{
    const QString key = dataset.toLower();
    for (const SumRef &s : sums_)
        if (s.dataset == key)
            s.item->SumValue += ds->Value(s.item->FieldName).toDouble();
}

void ReportEngine::Impl::ResetSums(const QString &scope)
{
    const QString key = scope.toLower();
    for (const SumRef &s : sums_)
        if (s.reset == key)
            s.item->SumValue = 0;
}

void ReportEngine::Impl::TakeSnapshot()
{
    for (const QString &field : std::as_const(snapshotFields_)) {
        try {
            snapshot_.insert(field.toLower(), main_->Value(field));
        } catch (const EAbort &) {
            throw;
        } catch (const Exception &e) {
            Fail(QStringLiteral("campo %1 letto dai piedi di gruppo o dal sommario: %2").arg(field, e.Message));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Bands

bool ReportEngine::Impl::BuildItem(ReportItem &item, const QString &band, const Ctx &ctx, double width, BlockItem &out)
{
    const auto *hook = ItemHook(item.Name);
    if (!item.Visible && !hook)
        return false;
    PageItem &pi = out.item;
    const double x = item.AnchorRight ? width - item.X - item.W : item.X;
    const double w = item.FullWidth ? width - x : item.W;
    pi.Rect = QRectF(x, item.Y, w, item.H);
    pi.Name = item.Name;
    pi.Band = band;
    pi.Font = item.Font;
    pi.Pen = item.Pen;
    pi.WordWrap = item.WordWrap;
    pi.Align = item.Align | (item.WordWrap ? Qt::AlignTop : Qt::AlignVCenter);

    switch (item.type) {
    case ReportItem::Type::Label:
        break;
    case ReportItem::Type::Field: {
        QString format = item.Format;
        const QVariant value = Value(ctx, item.DataSet, item.FieldName);
        if (format.isEmpty()) {
            ReportDataSource *ds = item.DataSet.isEmpty() || item.DataSet.compare(ctx.name, Qt::CaseInsensitive) == 0
                                       ? ctx.ds
                                       : Source(item.DataSet);
            if (ds)
                format = ds->DisplayFormat(item.FieldName);
        }
        item.Text = ReportFormat::Value(value, format, item.BlankWhenZero);
        break;
    }
    case ReportItem::Type::Sum:
        item.Text = ReportFormat::Value(item.SumValue, item.Format, item.BlankWhenZero);
        break;
    case ReportItem::Type::System:
        switch (item.System) {
        case ReportItem::SystemValue::PageNumber:
        case ReportItem::SystemValue::PageCount:
            out.deferred =
                item.System == ReportItem::SystemValue::PageNumber ? Deferred::PageNumber : Deferred::PageCount;
            out.prefix = item.Prefix;
            out.format = item.Format;
            item.Text.clear();
            break;
        case ReportItem::SystemValue::PrintDate:
            item.Text = KFormati::FormatDateTime(item.Format.isEmpty() ? KFormati::ShortDateFormat() : item.Format,
                                                 opt_.PrintDate);
            break;
        case ReportItem::SystemValue::CompanyName:
            item.Text = opt_.CompanyName;
            break;
        case ReportItem::SystemValue::Title:
            item.Text = opt_.Title;
            break;
        }
        break;
    case ReportItem::Type::Line:
        pi.kind = PageItem::Kind::Line;
        break;
    case ReportItem::Type::Frame:
        pi.kind = PageItem::Kind::Frame;
        break;
    case ReportItem::Type::Picture: {
        pi.kind = PageItem::Kind::Picture;
        const QString path =
            item.FieldName.isEmpty() ? item.Path : Value(ctx, item.DataSet, item.FieldName).toString().trimmed();
        item.Text = path;
        break;
    }
    }
    if (hook)
        (*hook)(item);
    if (!item.Visible)
        return false;

    if (pi.kind == PageItem::Kind::Picture) {
        if (item.Text.isEmpty())
            return false;
        auto it = images_.constFind(item.Text);
        if (it == images_.constEnd())
            it = images_.insert(item.Text, QImage(item.Text));
        if (it->isNull())
            return false; // a missing or unreadable file hides the picture
        pi.Image = *it;
        return true;
    }
    if (pi.kind != PageItem::Kind::Text)
        return true;
    if (out.deferred != Deferred::None)
        return true;
    if (item.Text.isEmpty())
        return false;
    pi.Text = item.Prefix + item.Text;
    if (item.Grow) {
        const double needed = TextHeight(pi.Text, pi.Font, pi.Rect.width());
        if (needed > pi.Rect.height())
            pi.Rect.setHeight(needed);
    } else if (item.Shrink) {
        // Scaled just enough to fit its box, a tenth of a point at a time.
        const double needed = TextWidth(pi.Text, pi.Font);
        const double least = pi.Font.Size * LeastShrink;
        if (needed > pi.Rect.width() && needed * LeastShrink <= pi.Rect.width())
            pi.Font.Size = qMax(least, std::floor(pi.Font.Size * pi.Rect.width() / needed * 10) / 10);
    }
    return true;
}

bool ReportEngine::Impl::RenderBand(ReportBand *band, const Ctx &ctx, Block &out)
{
    if (!band)
        return false;
    RunHook(band->Name);
    if (!band->Visible)
        return false;
    out = Block();
    out.height = band->Height;
    const double width = L.BandWidth();
    QList<double> designTop, designBottom;
    designTop.reserve(qsizetype(band->Items.size()));
    designBottom.reserve(qsizetype(band->Items.size()));
    out.items.reserve(qsizetype(band->Items.size()));
    QStringList hidden; // regions hidden for this print of the band
    for (const auto &region : band->Regions) {
        RunHook(region->Name);
        if (!region->Visible)
            hidden.append(region->Name);
    }
    for (const auto &item : band->Items) {
        if (!item->Region.isEmpty() && hidden.contains(item->Region, Qt::CaseInsensitive))
            continue;
        BlockItem bi;
        try {
            if (!BuildItem(*item, band->Name, ctx, width, bi))
                continue;
        } catch (const EAbort &) {
            throw;
        } catch (const Exception &e) {
            Fail(QStringLiteral("elemento %1 della banda %2: %3")
                     .arg(item->Name.isEmpty() ? item->FieldName : item->Name, band->Name, e.Message));
        }
        designTop.append(item->Y);
        designBottom.append(item->Y + item->H);
        out.items.append(std::move(bi));
    }

    // Growing memos push down what lies below them, and the band with them.
    QList<int> grown;
    for (int i = 0; i < out.items.size(); ++i)
        if (out.items[i].item.Rect.height() > designBottom[i] - designTop[i] + 1e-9)
            grown.append(i);
    if (grown.isEmpty())
        return true;
    auto shiftAt = [&](double top) {
        double shift = 0;
        for (int g : grown)
            if (designBottom[g] <= top + 1e-9)
                shift += out.items[g].item.Rect.height() - (designBottom[g] - designTop[g]);
        return shift;
    };
    double extra = 0;
    for (int g : grown)
        extra = qMax(extra, shiftAt(designTop[g]) + out.items[g].item.Rect.height() - (designBottom[g] - designTop[g]));
    for (int i = 0; i < out.items.size(); ++i)
        out.items[i].item.Rect.translate(0, shiftAt(designTop[i]));
    out.height += extra;
    return true;
}

void ReportEngine::Impl::EmitBand(ReportBand *band, const Ctx &ctx, bool breakBefore, const void *repeats)
{
    Block block;
    if (!RenderBand(band, ctx, block))
        return;
    if (breakBefore)
        EmitBreak(false);
    Chunk chunk;
    chunk.block = std::move(block);
    chunk.repeats = repeats;
    Push(std::move(chunk));
    for (const auto &sub : band->SubReports)
        RunSubReport(sub.get(), ctx);
}

void ReportEngine::Impl::EmitEndRepeat(const void *owner)
{
    Chunk chunk;
    chunk.kind = Chunk::EndRepeat;
    chunk.repeats = owner;
    Push(std::move(chunk));
}

void ReportEngine::Impl::RunSubReport(ReportSubReport *sub, const Ctx &parent)
{
    RunHook(sub->Name);
    if (!sub->Visible)
        return;
    ReportDataSource *ds = Source(sub->DataSet);
    if (!sub->Params.isEmpty()) {
        for (const auto &param : sub->Params)
            ds->SetParam(param.first, Value(parent, QString(), param.second));
        ds->Open();
    } else if (!ds->Active()) {
        ds->Open();
    } else {
        ds->First();
    }
    ResetSums(sub->Name);
    if (ds->Eof())
        return;
    const Ctx ctx{ds, sub->DataSet, nullptr};
    EmitBand(sub->Header.get(), ctx, false, sub->RepeatHeader ? sub : nullptr);
    while (!ds->Eof()) {
        Accumulate(sub->DataSet, ds);
        EmitBand(sub->Detail.get(), ctx);
        ds->Next();
    }
    if (sub->RepeatHeader)
        EmitEndRepeat(sub);
    EmitBand(sub->Footer.get(), ctx);
}

void ReportEngine::Impl::OpenGroups(int from, bool first)
{
    const Ctx live{main_, L.DataSet, nullptr};
    for (int i = from; i < int(L.Groups.size()); ++i) {
        ReportGroup *g = L.Groups[i].get();
        if (g->NewPage && !first)
            EmitBreak(false);
        keepOpen_[i] = g->KeepTogether;
        if (g->KeepTogether)
            BeginKeep();
        ResetSums(g->Name);
        EmitBand(g->Header.get(), live, false, g->RepeatHeader ? g : nullptr);
    }
}

void ReportEngine::Impl::CloseGroups(int downTo, const Ctx &ctx)
{
    for (int i = int(L.Groups.size()) - 1; i >= downTo; --i) {
        if (L.Groups[i]->RepeatHeader)
            EmitEndRepeat(L.Groups[i].get());
        EmitBand(L.Groups[i]->Footer.get(), ctx);
        if (keepOpen_[i])
            EndKeep();
        keepOpen_[i] = false;
    }
}

// ---------------------------------------------------------------------------------------
// Placement

void ReportEngine::Impl::Push(Chunk &&chunk)
{
    if (buffers_.empty()) {
        Place(chunk);
        return;
    }
    held_ += chunk.Height();
    buffers_.back().push_back(std::move(chunk));
    if (held_ > PageBodyHeight() + 1e-9)
        ReleaseKept();
}

// What a page offers the body below its header and above its footer.
double ReportEngine::Impl::PageBodyHeight() const
{
    const double header = L.PageHeader && L.PageHeader->Visible ? L.PageHeader->Height : 0;
    return L.PrintedPageSize().height() - L.Margins.top() - L.Margins.bottom() - header - FooterHeight();
}

// Kept-together groups that cannot fit one page start on a new page and flow from there.
void ReportEngine::Impl::ReleaseKept()
{
    std::vector<std::vector<Chunk>> held;
    held.swap(buffers_);
    held_ = 0;
    std::fill(keepOpen_.begin(), keepOpen_.end(), false);
    if (hasPage_ && pageHasBody_)
        breakPending_ = true;
    for (std::vector<Chunk> &buffer : held)
        for (Chunk &chunk : buffer)
            Place(chunk);
}

void ReportEngine::Impl::EmitBreak(bool newDocument)
{
    Chunk chunk;
    chunk.kind = Chunk::Break;
    chunk.newDocument = newDocument;
    Push(std::move(chunk));
}

void ReportEngine::Impl::EndKeep()
{
    Chunk unit;
    unit.kind = Chunk::Unit;
    unit.children = std::move(buffers_.back());
    buffers_.pop_back();
    if (buffers_.empty()) {
        held_ = 0;
        Place(unit);
    } else {
        buffers_.back().push_back(std::move(unit));
    }
}

void ReportEngine::Impl::Place(Chunk &chunk)
{
    switch (chunk.kind) {
    case Chunk::BlockChunk:
        if (chunk.repeats)
            repeating_.push_back({chunk.repeats, std::move(chunk.block)});
        else
            PlaceBlock(chunk.block);
        break;
    case Chunk::EndRepeat:
        if (std::any_of(repeating_.cbegin(), repeating_.cend(), [](const Repeated &r) { return r.pending; }))
            PlaceHeaders(0); // a header over nothing still prints
        repeating_.erase(std::remove_if(repeating_.begin(), repeating_.end(),
                                        [&](const Repeated &r) { return r.owner == chunk.repeats; }),
                         repeating_.end());
        break;
    case Chunk::Break:
        if (chunk.newDocument) {
            ++document_;
            if (hasPage_ && !pageHasBody_)
                doc_.Pages.last().Document = documents_.last() = document_;
        }
        if (hasPage_ && pageHasBody_)
            breakPending_ = true;
        break;
    case Chunk::Unit: {
        const double h = chunk.Height();
        if (hasPage_ && pageHasBody_ && !breakPending_ && !chunk.HasBreak() && h > bodyBottom_ - y_ + 1e-9
            && h <= bodyBottom_ - bodyTop_ + 1e-9)
            breakPending_ = true;
        for (Chunk &child : chunk.children)
            Place(child);
        break;
    }
    }
}

void ReportEngine::Impl::PlaceBlock(Block &block)
{
    PlaceHeaders(block.height);
    PutItems(block, y_);
    y_ += block.height;
    pageHasBody_ = true;
}

// The headers waiting for what they head, on this page when it has room for them and what
// follows, else atop a new one (which prints every repeating header).
void ReportEngine::Impl::PlaceHeaders(double following)
{
    double height = following;
    for (const Repeated &r : repeating_)
        if (r.pending)
            height += r.block.height;
    if (!hasPage_ || breakPending_ || (pageHasBody_ && height > bodyBottom_ - y_ + 1e-9)) {
        NewPage();
        return;
    }
    for (Repeated &r : repeating_) {
        if (!r.pending)
            continue;
        Block copy = r.block;
        PutItems(copy, y_);
        y_ += copy.height;
        r.pending = false;
        pageHasBody_ = true;
    }
}

void ReportEngine::Impl::PutItems(Block &block, double top)
{
    ReportPage &page = doc_.Pages.last();
    for (BlockItem &bi : block.items) {
        bi.item.Rect.translate(L.Margins.left(), top);
        if (bi.deferred != Deferred::None)
            pagePatches_.append(
                {int(page.Items.size()),
                 bi.deferred == Deferred::PageNumber ? PageSpool::Deferred::PageNumber : PageSpool::Deferred::PageCount,
                 bi.prefix, bi.format});
        page.Items.append(std::move(bi.item));
    }
}

void ReportEngine::Impl::NewPage()
{
    if (hasPage_) {
        FinishPage();
        StorePage();
    }
    ReportPage page;
    page.Document = document_;
    doc_.Pages.append(std::move(page));
    documents_.append(document_);
    if (opt_.OnPage)
        opt_.OnPage(int(documents_.size()));
    hasPage_ = true;
    pageHasBody_ = false;
    breakPending_ = false;
    y_ = L.Margins.top();
    bodyBottom_ = L.PrintedPageSize().height() - L.Margins.bottom() - FooterHeight();
    Block header;
    if (RenderBand(L.PageHeader.get(), Ctx{main_, L.DataSet, nullptr}, header)) {
        PutItems(header, y_);
        y_ += header.height;
    }
    for (Repeated &r : repeating_) {
        Block copy = r.block;
        PutItems(copy, y_);
        y_ += copy.height;
        r.pending = false;
    }
    bodyTop_ = y_;
}

void ReportEngine::Impl::FinishPage()
{
    Block footer;
    if (RenderBand(L.PageFooter.get(), Ctx{main_, L.DataSet, main_ && main_->Eof() ? &snapshot_ : nullptr}, footer))
        PutItems(footer, L.PrintedPageSize().height() - L.Margins.bottom() - footer.height);
}

// A finished page stays held, or goes to the spool with its deferred texts.
void ReportEngine::Impl::StorePage()
{
    if (spool_) {
        spool_->Append(doc_.Pages.last(), pagePatches_);
        doc_.Pages.clear();
    } else {
        for (PageSpool::Patch &p : pagePatches_)
            patches_.append({int(doc_.Pages.size()) - 1, std::move(p)});
    }
    pagePatches_.clear();
}

void ReportEngine::Impl::Finish()
{
    if (!hasPage_)
        NewPage();
    FinishPage();
    StorePage();

    // Page numbers: in sequence, or within each document.
    const int pages = int(documents_.size());
    QList<int> numbers, counts;
    numbers.reserve(pages);
    for (int i = 0; i < pages; ++i) {
        const bool sameDoc = i > 0 && documents_[i] == documents_[i - 1];
        numbers.append(opt_.PageNumberPerRecord ? (sameDoc ? numbers.last() + 1 : 1) : i + 1);
    }
    counts.resize(pages);
    for (int i = pages - 1; i >= 0; --i) {
        const bool sameNext = i + 1 < pages && documents_[i] == documents_[i + 1];
        counts[i] = opt_.PageNumberPerRecord ? (sameNext ? counts[i + 1] : numbers[i]) : pages;
    }
    if (spool_) {
        spool_->SetNumbers(std::move(numbers), std::move(counts));
        doc_.Spool = std::move(spool_);
        return;
    }
    for (int i = 0; i < pages; ++i)
        doc_.Pages[i].Number = numbers[i];
    for (const Patch &p : patches_) {
        const int value = p.patch.Kind == PageSpool::Deferred::PageNumber ? numbers[p.page] : counts[p.page];
        const QString text =
            p.patch.Format.isEmpty() ? QString::number(value) : KFormati::FormatFloat(p.patch.Format, value);
        doc_.Pages[p.page].Items[p.patch.Item].Text = p.patch.Prefix + text;
    }
}

// ---------------------------------------------------------------------------------------

ReportDocument ReportEngine::Impl::Render()
{
    doc_ = ReportDocument();
    documents_.clear();
    pagePatches_.clear();
    patches_.clear();
    spool_ = opt_.Spool ? std::make_shared<PageSpool>() : nullptr;
    doc_.Name = L.Name;
    doc_.Title = opt_.Title;
    doc_.PageSize = L.PrintedPageSize();
    doc_.Landscape = L.Landscape;
    if (L.BandWidth() <= 0 || L.PrintedPageSize().height() - L.Margins.top() - L.Margins.bottom() <= 0)
        Fail(QStringLiteral("i margini non lasciano spazio sulla pagina"));

    CollectSums();
    snapshotFields_.clear();
    snapshot_.clear();
    for (const auto &g : L.Groups)
        CollectSnapshotFields(g->Footer.get());
    CollectSnapshotFields(L.Summary.get());
    CollectSnapshotFields(L.PageFooter.get());
    keepOpen_ = QList<bool>(int(L.Groups.size()), false);

    const bool walks = L.Detail || !L.Groups.empty();
    main_ = walks ? Source(L.DataSet) : (sources_ ? sources_(L.DataSet) : nullptr);
    if (main_)
        main_->Open();
    const Ctx live{main_, L.DataSet, nullptr};
    const Ctx last{main_, L.DataSet, &snapshot_};

    EmitBand(L.TitleBand.get(), live);

    if (walks) {
        const int groups = int(L.Groups.size());
        QVariantList previous;
        bool first = true;
        while (!main_->Eof()) {
            QVariantList current;
            for (const auto &g : L.Groups) {
                try {
                    current.append(main_->Value(g->FieldName));
                } catch (const EAbort &) {
                    throw;
                } catch (const Exception &e) {
                    Fail(QStringLiteral("gruppo %1: %2").arg(g->Name, e.Message));
                }
            }
            int level = first ? 0 : groups;
            for (int i = 0; !first && i < groups; ++i)
                if (current[i] != previous[i]) {
                    level = i;
                    break;
                }
            if (!first)
                CloseGroups(level, last);
            if (opt_.NewPagePerRecord)
                EmitBreak(true);
            OpenGroups(level, first);
            Accumulate(L.DataSet, main_);
            EmitBand(L.Detail.get(), live);
            TakeSnapshot();
            previous = current;
            first = false;
            main_->Next();
        }
        if (!first)
            CloseGroups(0, last);
    }
    if (L.Summary)
        EmitBand(L.Summary.get(), last, L.Summary->NewPage);
    while (!buffers_.empty())
        EndKeep();
    Finish();
    return std::move(doc_);
}

// ---------------------------------------------------------------------------------------

ReportEngine::ReportEngine(ReportLayout &layout, SourceLookup sources, const ReportHooks *hooks,
                           ReportEngineOptions options)
    : d(std::make_unique<Impl>(layout, std::move(sources), hooks, std::move(options)))
{}

ReportEngine::~ReportEngine() = default;

ReportDocument ReportEngine::Render()
{
    return d->Render();
}

int ReportEngine::CurrentPage() const
{
    return d->CurrentPage();
}

namespace {

// Metrics of a font at the measuring resolution; none without a GUI application (no font
// database), when sizes are estimated from the point size.
std::optional<QFontMetricsF> Metrics(const PageFont &font)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return std::nullopt;
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.setDotsPerMeterX(int(kMeasureDpi / 0.0254));
        image.setDotsPerMeterY(int(kMeasureDpi / 0.0254));
        return image;
    }();
    QFont qfont(font.Family);
    qfont.setPointSizeF(font.Size);
    qfont.setBold(font.Bold);
    qfont.setItalic(font.Italic);
    return QFontMetricsF(qfont, &device);
}

} // namespace

double ReportEngine::TextHeight(const QString &text, const PageFont &font, double widthMm)
{
    if (text.isEmpty() || widthMm <= 0)
        return 0;
    const double dotsPerMm = kMeasureDpi / 25.4;
    const std::optional<QFontMetricsF> metrics = Metrics(font);
    if (!metrics) {
        const double lineMm = font.Size * 25.4 / 72 * 1.2;
        const double charMm = font.Size * 25.4 / 72 * 0.55;
        const int perLine = qMax(1, int(widthMm / charMm));
        int lines = 0;
        for (const QString &paragraph : text.split(QLatin1Char('\n')))
            lines += qMax(1, int(std::ceil(double(paragraph.size()) / perLine)));
        return lines * lineMm;
    }
    const QRectF box = metrics->boundingRect(QRectF(0, 0, widthMm * dotsPerMm, 1e9), Qt::TextWordWrap, text);
    return box.height() / dotsPerMm;
}

double ReportEngine::TextWidth(const QString &text, const PageFont &font)
{
    const std::optional<QFontMetricsF> metrics = Metrics(font);
    double widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics ? metrics->horizontalAdvance(line) * 25.4 / kMeasureDpi
                                      : line.size() * font.Size * 25.4 / 72 * 0.55);
    return widest;
}
