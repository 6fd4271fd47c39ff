#pragma once

#include "format/XlsxSheet.h"
#include "reports/CountResults.h"
#include "reports/PayNotice.h"
#include "reports/ReportDocument.h"

#include <QDate>
#include <optional>

namespace qalor {

class CDatabase;

// The monthly report and the payment notices of the last statistics run as
// qalor-report and the web console give them: the printed document, or the
// rows of tj or BMTJ as a sheet (identifiers stay text, amounts are numbers
// with two decimals, the title names the report and its period).
class MonthEndOutput
{
public:
    enum class Document { Monthly, Notices };

    struct Request
    {
        Document document = Document::Monthly;
        QDate from; // the last run's period
        QDate to;
        DepartmentRange departments;
        int format = 0; // MonthlyReport::Format
        PayNotice::Kind kind = PayNotice::Departments;
        ExtensionRange extensions{QStringLiteral("0000"), QStringLiteral("9999")};
        bool limitDepartments = false;
    };

    struct Sheet
    {
        QList<XlsxSheet::Column> columns;
        QList<QStringList> rows;
        QString title;
    };

    MonthEndOutput(CDatabase& db, Request request) : m_db(db), m_request(std::move(request)) {}

    // The whole department range of 部门表 (0..0 when it is empty), as the
    // dialogs preselect it.
    static DepartmentRange allDepartments(CDatabase& db);
    static QString periodText(const QDate& from, const QDate& to);

    const Request& request() const { return m_request; }
    // Raises DbError.
    Sheet sheet() const;
    ReportDocument build(const PageGeometry& page) const;

private:
    Sheet extensions(const QList<ExtensionTotals>& rows) const;
    Sheet departments(const QList<DepartmentTotals>& rows) const;
    QString title() const;

    CDatabase& m_db;
    Request m_request;
};

} // namespace qalor
