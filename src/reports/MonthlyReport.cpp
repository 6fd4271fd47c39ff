#include "reports/MonthlyReport.h"

#include "format/TextFormat.h"
#include "print/ReportPrintJob.h"
#include "prompt/Prompt.h"

namespace qalor {

namespace {

const QString Title = QStringLiteral("电话费月统计报表");

QString money(Money amount, int width)
{
    return PadField(FormatMoney(amount), width, true);
}

// The closing columns of subtotal and total lines: rental (rentWidth), the
// four charges (9 each), the separator and the total (10).
QString sumColumns(const ChargeTotals& sums, int rentWidth, const QString& beforeTotal)
{
    return money(sums.rent, rentWidth) + QLatin1Char(' ') + money(sums.local, 9) + QLatin1Char(' ') +
           money(sums.localNetwork, 9) + QLatin1Char(' ') + money(sums.longDistance, 9) + QLatin1Char(' ') +
           money(sums.information, 9) + beforeTotal + money(sums.total(), 10);
}

// Line slots of the monthly report: below the page title, shifted down by
// a 48th of the page.
struct Slots
{
    const ReportPrintJob& job;
    int y(int line) const { return job.lineHeight() * line + job.pageHeight() / 48; }
    int left() const { return job.pageWidth() / 20; }
    int limit() const { return job.linesPerPage() - 5; }
};

QString extensionLine(const ExtensionTotals& row)
{
    return row.phone + QLatin1Char(' ') + PadField(row.userName, 10, true) + QStringLiteral("   ") +
           money(row.rent, 7) + QStringLiteral("    ") + money(row.local, 8) + QStringLiteral("   ") +
           money(row.localNetwork, 8) + QStringLiteral("   ") + money(row.longDistance, 8) +
           QStringLiteral("   ") + money(row.information, 8) + QStringLiteral("   ") + money(row.total(), 8);
}

QString trimmedRight(QString text)
{
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

} // namespace

QString MonthlyReport::documentName()
{
    return QStringLiteral("            电话费月报表");
}

QString MonthlyReport::period() const
{
    return m_options.start.toString(QStringLiteral("yyyyMMdd")) +
           m_options.end.toString(QStringLiteral("--yyyyMMdd"));
}

ReportDocument MonthlyReport::build(const PageGeometry& page) const
{
    return m_options.format == ByDepartment ? byDepartment(page) : byExtension(page);
}

ReportDocument MonthlyReport::byExtension(const PageGeometry& page) const
{
    QList<ExtensionTotals> rows;
    try {
        rows = CountResults(m_db).extensions(m_options.departments);
    } catch (const DbError&) {
        Prompt::inform(QStringLiteral("不能打开统计表:请确认已经统计过!"));
        return {};
    }

    ReportPrintJob job(documentName(), page);
    const Slots at{job};
    int& line = job.line;
    std::optional<int> previous;
    QString department;
    ChargeTotals departmentSums;
    ChargeTotals grand;
    for (const ExtensionTotals& row : rows) {
        if (line == 0) {
            job.startPage();
            job.printTextLine(at.left(), 0, Title);
            ++line;
        }
        if (previous != row.department) {
            previous = row.department;
            if (!department.isEmpty()) {
                job.drawRule(0, at.y(line));
                ++line;
                job.printTextLine(at.left(), at.y(line),
                                  department + QStringLiteral("部门小计 :") + sumColumns(departmentSums, 8, QStringLiteral("共:")));
                grand.add(departmentSums);
                departmentSums = {};
                line += 2;
            }
            department = row.departmentName;
            job.printTextLine(at.left(), at.y(line),
                              QStringLiteral("部门:") + department + QStringLiteral("   统计日期:") + period());
            ++line;
            job.printTextLine(at.left(), at.y(line),
                              QStringLiteral("分机号   用户名     月租费      市话费    本地网费   长话费   "
                                             "信息费等   总计  "));
            ++line;
            job.drawRule(at.left(), at.y(line));
            ++line;
        }
        job.printTextLine(at.left(), at.y(line), extensionLine(row));
        departmentSums.add(row);
        ++line;
        // Only an extension line breaks the page.
        if (line >= at.limit()) {
            job.endPage();
            line = 0;
        }
    }
    if (line == 0)
        job.startPage();
    if (!department.isEmpty()) {
        job.drawRule(0, at.y(line));
        ++line;
        job.printTextLine(at.left(), at.y(line),
                          department + QStringLiteral("部门小计：") + sumColumns(departmentSums, 7, QStringLiteral("共:")));
        grand.add(departmentSums);
        line += 2;
    }
    job.printTextLine(at.left(), at.y(line), QStringLiteral("全部总计:  ") + sumColumns(grand, 8, QStringLiteral("共:")));
    job.endPage();
    return job.finish();
}

ReportDocument MonthlyReport::byDepartment(const PageGeometry& page) const
{
    QList<DepartmentTotals> rows;
    try {
        rows = CountResults(m_db).departments(m_options.departments);
    } catch (const DbError&) {
        Prompt::inform(QStringLiteral("Open table bmtj FAILed!"));
        return {};
    }

    ReportPrintJob job(documentName(), page);
    const Slots at{job};
    int& line = job.line;
    ChargeTotals grand;
    for (const DepartmentTotals& row : rows) {
        if (line == 0) {
            job.startPage();
            job.printTextLine(at.left(), 0, Title);
            line += 2;
            job.printTextLine(at.left() + 40, at.y(line), QStringLiteral("统计日期：") + period());
            ++line;
            job.printTextLine(at.left(), at.y(line),
                              QStringLiteral("   部门名称            月租费     市话费    本地网费   长话费    "
                                             "信息费    小计"));
            ++line;
            job.drawRule(0, at.y(line));
            ++line;
        }
        grand.add(row);
        QString text = PadField(trimmedRight(row.name), 16, true) + QStringLiteral("    ");
        for (Money amount : {row.rent, row.local, row.localNetwork, row.longDistance, row.information, row.total()})
            text += money(amount, 10);
        job.printTextLine(at.left(), at.y(line), text);
        ++line;
        if (line >= at.limit()) {
            job.endPage();
            line = 0;
        }
    }
    ++line;
    job.drawRule(0, at.y(line));
    ++line;
    job.printTextLine(at.left(), at.y(line), QStringLiteral("全部总计 ") + sumColumns(grand, 8, QStringLiteral(" 共:")));
    job.endPage();
    return job.finish();
}

} // namespace qalor
