#pragma once

// PayNotice: the payment notices ("电话费缴费通知单") of the last statistics
// run: one page per department (BMTJ) or per extension (tj), each page with
// three numbered copies separated by cut lines.
//
//   PayNotice notices(db, options);
//   ReportOutput::print(parent, [&](const PageGeometry& page) { return notices.build(page); });
//
// A department whose management-fee ratio in 部门表 is above 0 pays that
// share of its charges on top; extensions pay the ratio of their department.

#include "print/ReportDocument.h"
#include "reports/CountResults.h"
#include "reports/DepartmentList.h"

#include <QDate>

namespace qalor {

class ReportPrintJob;

class PayNotice
{
public:
    enum Kind { Departments = 0, Extensions = 1 };

    struct Options
    {
        Kind kind = Departments;
        QDate start;
        QDate end;
        DepartmentRange departments;
        // Extension notices only: the text range, and whether the department
        // range applies as well.
        ExtensionRange extensions{QStringLiteral("0000"), QStringLiteral("9999")};
        bool limitDepartments = false;
        QDate today = QDate::currentDate(); // printed under each copy
    };

    PayNotice(CDatabase& db, const Options& options) : m_db(db), m_options(options) {}

    // The document for the page; empty when the result table cannot be read
    // (after the message) or when the person declined a page too short for
    // three copies. Raises DbError on a later database failure.
    ReportDocument build(const PageGeometry& page) const;

    const Options& options() const { return m_options; }
    // The text shown when building fails for a reason other than the database.
    QString unknownErrorText() const;

    static QString documentName(); // 电话费缴费通知单
    // Line slots one page of three copies needs below its first line.
    static constexpr int SlotsPerPage = 42;

private:
    struct Charges : ChargeTotals
    {
        float ratio = 0; // 管理费比率 of the department
    };

    bool pageFitsOrConfirmed(const PageGeometry& page) const;
    void printCopy(ReportPrintJob& job, int copy, const QString& heading, const QString& addressee,
                   const Charges& charges) const;

    CDatabase& m_db;
    Options m_options;
};

} // namespace qalor
