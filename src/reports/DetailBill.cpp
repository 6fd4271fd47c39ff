#include "reports/DetailBill.h"

#include "print/ReportPrintJob.h"
#include "reports/DetailLine.h"

namespace qalor {

namespace {

// Where the lines of one layout go on the page.
struct Placement
{
    int left = 0;
    int top = 0;         // added to the y of every slot but the title's
    int headingSlot = 0; // the calls start two slots below the title
    QString callIndent;

    Placement(DetailLayout layout, const PageGeometry& geometry)
    {
        if (layout == DetailLayout::ByDate) {
            left = 20;
            headingSlot = 1;
            callIndent = QStringLiteral("   ");
        } else {
            left = geometry.width / 25;
            top = geometry.height / 48;
        }
    }
    int y(const ReportPrintJob& job, int slot) const { return job.lineHeight() * slot + top; }
};

} // namespace

QString DetailBill::documentName()
{
    return QStringLiteral("电话费详单");
}

QString DetailBill::title(const DetailBillOptions& options, int page)
{
    const QString head = options.layout == DetailLayout::ByDate ? QStringLiteral("      话费详单  ")
                                                                 : QStringLiteral("     电话费详单  ");
    return head + options.start.toString(QStringLiteral("yyyy年MM月dd日 至 "))
           + options.end.toString(QStringLiteral("yyyy年MM月dd日        第")) + QString::number(page)
           + QStringLiteral("页");
}

ReportDocument DetailBill::build(CallSource& calls, const PageGeometry& geometry, const DetailBillOptions& options)
{
    ReportPrintJob job(documentName(), geometry);
    const Placement place(options.layout, geometry);
    const int limit = job.linesPerPage() - 2;
    Money total;
    CallRow row;
    calls.rewind();
    while (calls.next(row)) {
        if (job.line == 0) {
            job.startPage();
            job.printTextLine(place.left, 0, title(options, job.page));
            ++job.page;
            job.printTextLine(place.left, place.y(job, place.headingSlot), DetailLine::billHeader());
            job.line = 2;
        }
        job.printTextLine(place.left, place.y(job, job.line),
                          place.callIndent + DetailLine::call(row, DetailLine::BillCalleeWidth));
        total += row.amount();
        ++job.line;
        if (job.line >= limit) {
            job.endPage();
            job.line = 0;
        }
    }
    if (job.line == 0)
        job.startPage();
    ++job.line;
    job.printTextLine(place.left, place.y(job, job.line), DetailLine::subtotal(total));
    job.endPage();
    return job.finish();
}

} // namespace qalor
