#pragma once

#include <QHttpServerResponse>

namespace qalor {

class WebParams;

// The monthly report and the payment notices of the last statistics run,
// as qalor-report writes them: monthly.pdf, monthly.xlsx (format=0|1),
// notices.pdf, notices.xlsx (kind=departments|extensions), every department.
class ReportsApi
{
public:
    static QHttpServerResponse file(const QString& name, const WebParams& params);
};

} // namespace qalor
