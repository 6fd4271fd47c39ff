#pragma once

#include "print/ReportDocument.h"
#include "reports/CallSource.h"

#include <QDate>

namespace qalor {

// The two layouts of the printed detail bill: the one of 按日期查询 and the
// one of 按被叫号查询 (other left margin, body lines moved down by a 48th of
// the page, heading on the first slot).
enum class DetailLayout { ByDate, ByCallee };

struct DetailBillOptions
{
    DetailLayout layout = DetailLayout::ByDate;
    QDate start; // the period in the title
    QDate end;
};

// The printed detail bill "电话费详单": every call of the source from its
// first, a title with the period and page number and the heading on each
// page, a page ended when the calls reach the second-last line slot, and the
// total of all calls after the last one (on a page of its own when the last
// call filled its page, or when there was none).
class DetailBill
{
public:
    static QString documentName();
    static QString title(const DetailBillOptions& options, int page);
    static ReportDocument build(CallSource& calls, const PageGeometry& geometry,
                                const DetailBillOptions& options);
};

} // namespace qalor
