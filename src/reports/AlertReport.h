#pragma once

#include "format/XlsxSheet.h"
#include "print/ReportDocument.h"
#include "rating/AlertLog.h"

#include <QDate>

namespace qalor {

// The alerts of a period as a printed list and as rows for CSV and Excel,
// for the administrator who reviews them (qalor-report alerts).
class AlertReport
{
public:
    AlertReport(QList<AlertLog::Row> rows, QDate from, QDate to);

    static QString documentName() { return QStringLiteral("告警记录"); }
    static QList<XlsxSheet::Column> columns();
    QList<QStringList> cells() const;
    // Heading, one line per alert, the count; empty when there is none.
    ReportDocument build(const PageGeometry& page) const;

private:
    QList<AlertLog::Row> m_rows;
    QDate m_from;
    QDate m_to;
};

} // namespace qalor
