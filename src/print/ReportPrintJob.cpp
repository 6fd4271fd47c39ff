#include "print/ReportPrintJob.h"

namespace qalor {

namespace {
constexpr int RuleDrop = 10;       // a rule sits this far below the top of its slot
constexpr int RuleRightMargin = 30; // and stops this far from the right edge
} // namespace

ReportPrintJob::ReportPrintJob(const QString& documentName, const PageGeometry& geometry)
{
    m_document.name = documentName;
    m_document.geometry = geometry;
}

int ReportPrintJob::linesPerPage() const
{
    return lineHeight() > 0 ? pageHeight() / lineHeight() : 0;
}

void ReportPrintJob::startPage()
{
    if (m_pageOpen)
        endPage();
    m_document.pages.append(ReportPage());
    m_pageOpen = true;
}

void ReportPrintJob::endPage()
{
    m_pageOpen = false;
}

ReportPage& ReportPrintJob::currentPage()
{
    if (!m_pageOpen)
        startPage();
    return m_document.pages.last();
}

void ReportPrintJob::printTextLine(int x, int y, const QString& text)
{
    PageItem item;
    item.kind = PageItem::Kind::Text;
    item.x = x;
    item.y = y;
    item.text = text;
    currentPage().items.append(item);
}

void ReportPrintJob::drawRule(int x0, int y)
{
    PageItem item;
    item.kind = PageItem::Kind::Rule;
    item.x = x0;
    item.y = y + RuleDrop;
    item.x2 = pageWidth() - RuleRightMargin;
    currentPage().items.append(item);
}

ReportDocument ReportPrintJob::finish()
{
    m_pageOpen = false;
    line = 0;
    return std::move(m_document);
}

} // namespace qalor
