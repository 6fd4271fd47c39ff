#pragma once

#include "reports/DetailQuery.h"

#include <QHttpServerResponse>

namespace qalor {

class WebParams;

// The detail bill of the console: the calls of a query page by page, with
// the money as the bill shows it, and the bill itself as the window prints
// (PDF) and exports it (.xlsx).
class CallsApi
{
public:
    // extension=, department=, from=, to= (the current month up to today
    // when absent).
    static DetailQuery query(const WebParams& params);

    // page=: {"calls", "subtotal" (this page's), "page", "pages", "count",
    // "total" (the whole query's, the bill's last line)}.
    static QHttpServerResponse page(const WebParams& params);
    static QHttpServerResponse pdf(const WebParams& params);
    static QHttpServerResponse xlsx(const WebParams& params);
};

} // namespace qalor
