#include "host/report/PageModel.h"

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
    std::stable_sort(texts.begin(), texts.end(), [](const PageItem *a, const PageItem *b) {
        return a->Rect.top() < b->Rect.top();
    });
    // Texts whose tops lie within half a millimetre share a line.
    QStringList out;
    for (qsizetype i = 0; i < texts.size();) {
        qsizetype j = i + 1;
        while (j < texts.size() && texts[j]->Rect.top() - texts[i]->Rect.top() < 0.5)
            ++j;
        QList<const PageItem *> line = texts.mid(i, j - i);
        std::stable_sort(line.begin(), line.end(), [](const PageItem *a, const PageItem *b) {
            return a->Rect.left() < b->Rect.left();
        });
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
    return int(std::count_if(Items.cbegin(), Items.cend(),
                             [kind](const PageItem &item) { return item.kind == kind; }));
}

int ReportDocument::PageOf(const QString &text) const
{
    for (int i = 0; i < Pages.size(); ++i)
        if (Pages[i].HasText(text))
            return i;
    return -1;
}

QString ReportDocument::PlainText() const
{
    QStringList pages;
    for (const ReportPage &page : Pages)
        pages.append(page.Lines().join(QLatin1Char('\n')));
    return pages.join(QStringLiteral("\n\f"));
}
