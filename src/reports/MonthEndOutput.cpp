#include "reports/MonthEndOutput.h"

#include "reports/DepartmentList.h"
#include "reports/MonthlyReport.h"

namespace qalor {

namespace {

using Kind = XlsxSheet::Kind;

// The five amounts and the row's total, as the printed line shows them.
QStringList chargeCells(const ChargeTotals& row)
{
    return {row.rent.text(),         row.local.text(),       row.localNetwork.text(),
            row.longDistance.text(), row.information.text(), row.total().text()};
}

QList<XlsxSheet::Column> chargeColumns(const QString& totalTitle)
{
    QList<XlsxSheet::Column> columns;
    for (const char* name : {"月租费", "市话", "本地网", "长途", "信息台等"})
        columns.append({QString::fromUtf8(name), Kind::Money});
    columns.append({totalTitle, Kind::Money});
    return columns;
}

} // namespace

DepartmentRange MonthEndOutput::allDepartments(CDatabase& db)
{
    const DepartmentList departments = DepartmentList::load(&db);
    if (departments.isEmpty())
        return {0, 0};
    return {departments.all().first().number, departments.all().last().number};
}

QString MonthEndOutput::periodText(const QDate& from, const QDate& to)
{
    return from.toString(QStringLiteral("yyyyMMdd")) + to.toString(QStringLiteral("--yyyyMMdd"));
}

QString MonthEndOutput::title() const
{
    const QString report = m_request.document == Document::Monthly ? QStringLiteral("电话费月统计报表")
                                                                   : QStringLiteral("电话费缴费通知单");
    return report + QStringLiteral("  统计日期:") + periodText(m_request.from, m_request.to);
}

MonthEndOutput::Sheet MonthEndOutput::extensions(const QList<ExtensionTotals>& rows) const
{
    Sheet sheet{QList<XlsxSheet::Column>{{QStringLiteral("电话号码"), Kind::Text},
                                         {QStringLiteral("用户名"), Kind::Text},
                                         {QStringLiteral("是否宿舍电话"), Kind::Number},
                                         {QStringLiteral("部门编号"), Kind::Number},
                                         {QStringLiteral("部门名"), Kind::Text}} +
                    chargeColumns(QStringLiteral("总计")),
                {},
                title()};
    for (const ExtensionTotals& row : rows)
        sheet.rows << QStringList{row.phone, row.userName, QString::number(int(row.dormitory)),
                                  QString::number(row.department), row.departmentName} +
                          chargeCells(row);
    return sheet;
}

MonthEndOutput::Sheet MonthEndOutput::departments(const QList<DepartmentTotals>& rows) const
{
    Sheet sheet{QList<XlsxSheet::Column>{{QStringLiteral("部门编号"), Kind::Number},
                                         {QStringLiteral("部门名"), Kind::Text}} +
                    chargeColumns(QStringLiteral("小计")),
                {},
                title()};
    for (const DepartmentTotals& row : rows)
        sheet.rows << QStringList{QString::number(row.department), row.name} + chargeCells(row);
    return sheet;
}

MonthEndOutput::Sheet MonthEndOutput::sheet() const
{
    CountResults results(m_db);
    const Request& r = m_request;
    if (r.document == Document::Monthly)
        return r.format == MonthlyReport::ByDepartment ? departments(results.departments(r.departments))
                                                       : extensions(results.extensions(r.departments));
    if (r.kind == PayNotice::Departments)
        return departments(results.departments(r.departments));
    return extensions(
        results.extensions(r.limitDepartments ? std::optional(r.departments) : std::nullopt, r.extensions));
}

ReportDocument MonthEndOutput::build(const PageGeometry& page) const
{
    const Request& r = m_request;
    if (r.document == Document::Monthly)
        return MonthlyReport(m_db, {r.from, r.to, r.departments, MonthlyReport::Format(r.format)})
            .build(page);
    PayNotice::Options options;
    options.kind = r.kind;
    options.start = r.from;
    options.end = r.to;
    options.departments = r.departments;
    options.extensions = r.extensions;
    options.limitDepartments = r.limitDepartments;
    return PayNotice(m_db, options).build(page);
}

} // namespace qalor
