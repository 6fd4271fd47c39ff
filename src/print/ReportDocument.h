#pragma once

#include <QList>
#include <QString>

namespace qalor {

// The printable area of the chosen printer in device pixels and the height of
// one line slot. Reports place their lines by these numbers only.
struct PageGeometry
{
    int width = 0;
    int height = 0;
    int lineHeight = 85;

    friend bool operator==(const PageGeometry&, const PageGeometry&) = default;
};

// One thing drawn on a page: a text line with its top-left corner at (x, y),
// or a horizontal rule from (x, y) to (x2, y).
struct PageItem
{
    enum class Kind { Text, Rule };
    Kind kind = Kind::Text;
    int x = 0;
    int y = 0;
    int x2 = 0; // rules only
    QString text;

    friend bool operator==(const PageItem&, const PageItem&) = default;
};

struct ReportPage
{
    QList<PageItem> items;

    friend bool operator==(const ReportPage&, const ReportPage&) = default;
};

// A printed document, independent of the device that will show it: pages of
// fixed text lines at device-pixel positions and rules, in drawing order.
struct ReportDocument
{
    QString name; // the name the print spooler shows
    PageGeometry geometry;
    QList<ReportPage> pages;

    bool isEmpty() const { return pages.isEmpty(); }
    // Every page and item as text, one item a line: what the golden files of
    // the printed reports hold.
    QString dump() const;

    friend bool operator==(const ReportDocument&, const ReportDocument&) = default;
};

} // namespace qalor
