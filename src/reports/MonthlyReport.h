#pragma once

// MonthlyReport: the monthly telephone-charge report ("电话费月统计报表") of
// the last statistics run over a range of departments.
//
//   MonthlyReport report(db, {start, end, {1, 40}, MonthlyReport::ByExtension});
//   ReportOutput::print(parent, [&](const PageGeometry& page) { return report.build(page); });
//
// Format ByExtension lists every extension of tj under its department with
// department subtotals; ByDepartment prints one BMTJ line per department.
// Both end with the grand total. The period printed is the one given, which
// may differ from the period of the run.

#include "print/ReportDocument.h"
#include "reports/CountResults.h"

#include <QDate>

namespace qalor {

class ReportPrintJob;

class MonthlyReport
{
public:
    enum Format { ByExtension = 0, ByDepartment = 1 };

    struct Options
    {
        QDate start;
        QDate end;
        DepartmentRange departments;
        Format format = ByExtension;
    };

    MonthlyReport(CDatabase& db, const Options& options) : m_db(db), m_options(options) {}

    // The document for the page; empty (after the message) when the result
    // table cannot be read. Raises DbError on a later database failure.
    ReportDocument build(const PageGeometry& page) const;

    static QString documentName(); // twelve blanks before the title

private:
    ReportDocument byExtension(const PageGeometry& page) const;
    ReportDocument byDepartment(const PageGeometry& page) const;
    QString period() const;

    CDatabase& m_db;
    Options m_options;
};

} // namespace qalor
