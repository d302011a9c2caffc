#include "host/report/PageModel.h"

#include "host/core/Errors.h"
#include "host/core/KFormati.h"
#include "host/db/DMIDataBases.h"

#include <QDataStream>
#include <QDir>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>

QStringList ReportPage::Texts() const
{
    QStringList out;
    for (const PageItem &item : Items)
        if (item.kind == PageItem::Kind::Text)
            out.append(item.Text);
    return out;
}

QStringList ReportPage::Lines() const
{
    QList<const PageItem *> texts;
    for (const PageItem &item : Items)
        if (item.kind == PageItem::Kind::Text && !item.Text.isEmpty())
            texts.append(&item);
    std::stable_sort(texts.begin(), texts.end(),
                     [](const PageItem *a, const PageItem *b) { return a->Rect.top() < b->Rect.top(); });
    // Texts whose tops lie within half a millimetre share a line.
    QStringList out;
    for (qsizetype i = 0; i < texts.size();) {
        qsizetype j = i + 1;
        while (j < texts.size() && texts[j]->Rect.top() - texts[i]->Rect.top() < 0.5)
            ++j;
        QList<const PageItem *> line = texts.mid(i, j - i);
        std::stable_sort(line.begin(), line.end(),
                         [](const PageItem *a, const PageItem *b) { return a->Rect.left() < b->Rect.left(); });
        QStringList parts;
        for (const PageItem *item : line)
            parts.append(item->Text);
        out.append(parts.join(QLatin1Char(' ')));
        i = j;
    }
    return out;
}

bool ReportPage::HasText(const QString &text) const
{
    for (const PageItem &item : Items)
        if (item.kind == PageItem::Kind::Text && item.Text == text)
            return true;
    return false;
}

QStringList ReportPage::TextsOf(const QString &itemName) const
{
    QStringList out;
    for (const PageItem &item : Items)
        if (item.kind == PageItem::Kind::Text && item.Name.compare(itemName, Qt::CaseInsensitive) == 0)
            out.append(item.Text);
    return out;
}

const PageItem *ReportPage::Find(const QString &itemName) const
{
    for (const PageItem &item : Items)
        if (item.Name.compare(itemName, Qt::CaseInsensitive) == 0)
            return &item;
    return nullptr;
}

int ReportPage::Count(PageItem::Kind kind) const
{
    return int(std::count_if(Items.cbegin(), Items.cend(), [kind](const PageItem &item) { return item.kind == kind; }));
}

int ReportDocument::PageOf(const QString &text) const
{
    for (int i = 0; i < PageCount(); ++i)
        if (Page(i).HasText(text))
            return i;
    return -1;
}

QString ReportDocument::PlainText() const
{
    QStringList pages;
    for (int i = 0; i < PageCount(); ++i)
        pages.append(Page(i).Lines().join(QLatin1Char('\n')));
    return pages.join(QStringLiteral("\n\f"));
}

// ---------------------------------------------------------------------------------------
// The spool. Each page is one record: its Document, its items and its deferred texts.
// Font families, item and band names are kept once in a table, pictures once in memory.

class PageSpool::Impl {
public:
    QTemporaryFile file;
    QList<qint64> offsets; // of each page, and the end
    QHash<QString, quint16> ids;
    QStringList names;
    QHash<qint64, qint32> imageIds; // by QImage::cacheKey
    QList<QImage> images;
    QList<int> numbers, counts;
    QByteArray buffer;

    quint16 Id(const QString &name)
    {
        const auto it = ids.constFind(name);
        if (it != ids.constEnd())
            return *it;
        const auto id = quint16(names.size());
        ids.insert(name, id);
        names.append(name);
        return id;
    }
};

PageSpool::PageSpool() : d(std::make_unique<Impl>())
{
    // in the run's work folder: a run killed while printing leaves it for the next start to remove
    d->file.setFileTemplate(QDir(DMIDataBases::RunFolder()).filePath(QStringLiteral("kv8-pagine-XXXXXX")));
    if (!d->file.open())
        throw Exception(
            QStringLiteral("Impossibile creare il file temporaneo della stampa: %1").arg(d->file.errorString()));
    d->offsets.append(0);
}

PageSpool::~PageSpool() = default;

void PageSpool::Append(const ReportPage &page, const QList<Patch> &patches)
{
    d->buffer.clear();
    QDataStream out(&d->buffer, QIODevice::WriteOnly);
    out << qint32(page.Document) << qint32(page.Items.size());
    for (const PageItem &item : page.Items) {
        qint32 image = -1;
        if (item.kind == PageItem::Kind::Picture && !item.Image.isNull()) {
            const auto it = d->imageIds.constFind(item.Image.cacheKey());
            if (it != d->imageIds.constEnd()) {
                image = *it;
            } else {
                image = qint32(d->images.size());
                d->imageIds.insert(item.Image.cacheKey(), image);
                d->images.append(item.Image);
            }
        }
        const quint8 flags = (item.Font.Bold ? 1 : 0) | (item.Font.Italic ? 2 : 0) | (item.WordWrap ? 4 : 0);
        out << quint8(item.kind) << item.Rect << item.Text << d->Id(item.Font.Family) << item.Font.Size << flags
            << qint32(item.Align) << item.Pen << image << d->Id(item.Name) << d->Id(item.Band);
    }
    out << qint32(patches.size());
    for (const Patch &p : patches)
        out << qint32(p.Item) << quint8(p.Kind) << p.Prefix << p.Format;
    if (d->file.write(d->buffer) != d->buffer.size())
        throw Exception(
            QStringLiteral("Impossibile scrivere il file temporaneo della stampa: %1").arg(d->file.errorString()));
    d->offsets.append(d->offsets.last() + d->buffer.size());
}

void PageSpool::SetNumbers(QList<int> numbers, QList<int> counts)
{
    d->numbers = std::move(numbers);
    d->counts = std::move(counts);
    if (!d->file.flush())
        throw Exception(
            QStringLiteral("Impossibile scrivere il file temporaneo della stampa: %1").arg(d->file.errorString()));
}

int PageSpool::PageCount() const
{
    return int(d->offsets.size()) - 1;
}

ReportPage PageSpool::Page(int index) const
{
    if (index < 0 || index >= PageCount())
        throw Exception(QStringLiteral("Pagina %1 inesistente").arg(index + 1));
    const qint64 size = d->offsets[index + 1] - d->offsets[index];
    if (!d->file.seek(d->offsets[index]))
        throw Exception(
            QStringLiteral("Impossibile leggere il file temporaneo della stampa: %1").arg(d->file.errorString()));
    const QByteArray record = d->file.read(size);
    if (record.size() != size)
        throw Exception(
            QStringLiteral("Impossibile leggere il file temporaneo della stampa: %1").arg(d->file.errorString()));
    d->file.seek(d->file.size()); // appending goes on at the end
    QDataStream in(record);
    ReportPage page;
    qint32 document = 0, items = 0;
    in >> document >> items;
    page.Document = document;
    page.Items.reserve(items);
    for (qint32 i = 0; i < items; ++i) {
        PageItem item;
        quint8 kind = 0, flags = 0;
        quint16 family = 0, name = 0, band = 0;
        qint32 align = 0, image = -1;
        in >> kind >> item.Rect >> item.Text >> family >> item.Font.Size >> flags >> align >> item.Pen >> image >> name
            >> band;
        item.kind = PageItem::Kind(kind);
        item.Font.Family = d->names.at(family);
        item.Font.Bold = flags & 1;
        item.Font.Italic = flags & 2;
        item.WordWrap = flags & 4;
        item.Align = align;
        if (image >= 0)
            item.Image = d->images.at(image);
        item.Name = d->names.at(name);
        item.Band = d->names.at(band);
        page.Items.append(std::move(item));
    }
    qint32 patches = 0;
    in >> patches;
    const bool numbered = index < d->numbers.size() && index < d->counts.size();
    if (numbered)
        page.Number = d->numbers[index];
    for (qint32 i = 0; i < patches; ++i) {
        qint32 item = 0;
        quint8 kind = 0;
        QString prefix, format;
        in >> item >> kind >> prefix >> format;
        if (!numbered)
            continue;
        const int value = Deferred(kind) == Deferred::PageNumber ? d->numbers[index] : d->counts[index];
        page.Items[item].Text =
            prefix + (format.isEmpty() ? QString::number(value) : KFormati::FormatFloat(format, value));
    }
    if (in.status() != QDataStream::Ok)
        throw Exception(QStringLiteral("File temporaneo della stampa illeggibile"));
    return page;
}
