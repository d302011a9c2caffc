#pragma once
// The rendered print: pages of positioned texts, lines, frames and pictures, in
// millimetres from the page's top-left corner. Every output paints from it, and tests read
// it.
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>

struct PageFont {
    QString Family = QStringLiteral("DejaVu Sans");
    double Size = 9; // points
    bool Bold = false;
    bool Italic = false;
};

struct PageItem {
    enum class Kind { Text, Line, Frame, Picture };
    Kind kind = Kind::Text;
    QRectF Rect; // a line runs from Rect.topLeft() to Rect.bottomRight()
    QString Text;
    PageFont Font;
    int Align = 0; // Qt::Alignment flags
    bool WordWrap = false;
    double Pen = 0.2; // line width, mm
    QImage Image;
    QString Name; // the layout item that produced it
    QString Band; // the band that produced it
};

class ReportPage {
public:
    int Number = 0;   // the number printed on the page
    int Document = 0; // document the page belongs to (document prints number per document)
    QList<PageItem> Items;

    // Every text in the order it was placed.
    QStringList Texts() const;
    // The texts top to bottom, those on one line joined by a blank left to right.
    QStringList Lines() const;
    bool HasText(const QString &text) const;
    // Texts of the items produced by one layout item, in order.
    QStringList TextsOf(const QString &itemName) const;
    const PageItem *Find(const QString &itemName) const;
    int Count(PageItem::Kind kind) const;
};

// The pages of a long print written out to a temporary file as they are finished, so that
// the print holds one page at a time; read back one at a time. Page numbers and counts,
// unknown when a page is written, are filled in as it is read.
class PageSpool {
public:
    enum class Deferred : quint8 { PageNumber = 1, PageCount = 2 };
    struct Patch {
        int Item;
        Deferred Kind;
        QString Prefix;
        QString Format;
    };

    // Throws Exception when the temporary file cannot be created.
    PageSpool();
    ~PageSpool();
    PageSpool(const PageSpool &) = delete;
    PageSpool &operator=(const PageSpool &) = delete;

    // Throws Exception when the file cannot be written.
    void Append(const ReportPage &page, const QList<Patch> &patches);
    // The number printed on each page and the count of its document, once all are written.
    void SetNumbers(QList<int> numbers, QList<int> counts);
    int PageCount() const;
    ReportPage Page(int index) const;

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

class ReportDocument {
public:
    QString Name;
    QString Title;
    QSizeF PageSize; // mm, as printed (landscape pages are wider than tall)
    bool Landscape = false;
    QList<ReportPage> Pages;                // a print held in memory
    std::shared_ptr<const PageSpool> Spool; // else its pages written out

    int PageCount() const { return Spool ? Spool->PageCount() : int(Pages.size()); }
    // A page (0-based), held or read back.
    ReportPage Page(int index) const { return Spool ? Spool->Page(index) : Pages.at(index); }
    // Index (0-based) of the first page showing the text, -1 when none.
    int PageOf(const QString &text) const;
    // The whole print as lines, pages separated by a form feed.
    QString PlainText() const;
};
