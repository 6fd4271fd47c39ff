#pragma once

#include "print/ReportDocument.h"

namespace qalor {

// Builds one printed document the way every report of the system prints: the
// report opens and closes pages by its paging rule and draws text lines and
// rules at device pixels. Nothing here touches a device; the result is a
// ReportDocument that one painter puts on a printer or into a PDF file.
class ReportPrintJob
{
public:
    ReportPrintJob(const QString& documentName, const PageGeometry& geometry);

    int pageWidth() const { return m_document.geometry.width; }
    int pageHeight() const { return m_document.geometry.height; }
    int lineHeight() const { return m_document.geometry.lineHeight; }
    // Whole line slots of the font on one page.
    int linesPerPage() const;

    void startPage();
    void endPage();
    bool pageOpen() const { return m_pageOpen; }

    // Text with its top-left corner at (x, y): no clipping, no alignment.
    // Drawing outside an open page opens one.
    void printTextLine(int x, int y, const QString& text);
    // The rule of the text line slot whose top is y: from (x0, y + 10) to the
    // right edge less 30 pixels.
    void drawRule(int x0, int y);

    // Ends the document (closing a page left open) and hands it over.
    ReportDocument finish();

    // The report's own paging counters: the line slot within the open page
    // (0 when none is open) and the next page number.
    int line = 0;
    int page = 1;

private:
    ReportPage& currentPage();

    ReportDocument m_document;
    bool m_pageOpen = false;
};

} // namespace qalor
