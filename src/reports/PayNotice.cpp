#include "reports/PayNotice.h"

#include "format/TextFormat.h"
#include "print/ReportPrintJob.h"
#include "prompt/Prompt.h"

namespace qalor {

namespace {

constexpr int Left = 40;
constexpr int HeadingX = 80;
constexpr int FirstLineY = 16;

int slotY(const ReportPrintJob& job, int line)
{
    return line == 0 ? FirstLineY : job.lineHeight() * line;
}

QString amount(Money value, int width, bool alignRight = true)
{
    return PadField(FormatMoney(value), width, alignRight);
}

} // namespace

QString PayNotice::documentName()
{
    return QStringLiteral("电话费缴费通知单");
}

QString PayNotice::unknownErrorText() const
{
    return m_options.kind == Departments ? QStringLiteral("Unknow Error In Bmtj .")
                                         : QStringLiteral("Unknow Error In Print station note .");
}

bool PayNotice::pageFitsOrConfirmed(const PageGeometry& page) const
{
    if (page.height >= SlotsPerPage * page.lineHeight)
        return true;
    return Prompt::askOkCancel(QStringLiteral("纸张高度不足以打印三联缴费通知单,第三联将被截断.\n"
                                              "仍然打印请选'确定',否则请选'取消'并更换纸张."));
}

ReportDocument PayNotice::build(const PageGeometry& page) const
{
    const bool departments = m_options.kind == Departments;
    CountResults results(m_db);
    QList<DepartmentTotals> departmentRows;
    QList<ExtensionTotals> extensionRows;
    DepartmentList ratios;
    try {
        ratios = DepartmentList::load(&m_db);
        if (departments)
            departmentRows = results.departments(m_options.departments);
        else
            extensionRows = results.extensions(
                m_options.limitDepartments ? std::optional(m_options.departments) : std::nullopt,
                m_options.extensions);
    } catch (const DbError&) {
        Prompt::inform(departments ? QStringLiteral("Can Not Open table BMTj.")
                                   : QStringLiteral("Can Not Open table Tj."));
        return {};
    }
    if (!pageFitsOrConfirmed(page))
        return {};

    const QString from = QStringLiteral(" %1").arg(m_options.start.toString(QStringLiteral("yyyy年MM月dd日")));
    const QString to = m_options.end.toString(QStringLiteral("yyyy年MM月dd日"));
    ReportPrintJob job(documentName(), page);
    const auto printPage = [&](const QString& heading, const QString& addressee, const Charges& charges) {
        job.startPage();
        job.line = 0;
        for (int copy = 1; copy <= 3; ++copy)
            printCopy(job, copy, heading, addressee, charges);
        job.endPage();
    };
    const auto chargesOf = [&](const auto& row, int department) {
        Charges charges;
        charges.add(row);
        charges.ratio = ratios.ratioOf(department);
        return charges;
    };
    if (departments) {
        for (const DepartmentTotals& row : departmentRows)
            printPage(QStringLiteral("部门电话费  缴费通知单             第"),
                      QStringLiteral("  ") + row.name + QStringLiteral(": 贵单位 ") + from + QStringLiteral(" 至") +
                          QStringLiteral(" ") + to + QStringLiteral(" 各项费用如下:"),
                      chargesOf(row, row.department));
    } else {
        for (const ExtensionTotals& row : extensionRows)
            printPage(QStringLiteral("  分机用户电话费  缴费通知单           第"),
                      QStringLiteral("  ") + row.userName + QStringLiteral(":贵单位 分机:") + row.phone + from +
                          QStringLiteral("至") + to + QStringLiteral(" 各项费用如下:"),
                      chargesOf(row, row.department));
    }
    return job.finish();
}

void PayNotice::printCopy(ReportPrintJob& job, int copy, const QString& heading, const QString& addressee,
                          const Charges& charges) const
{
    const bool departments = m_options.kind == Departments;
    int& line = job.line;
    const QString number = QString::number(copy);
    job.printTextLine(HeadingX, slotY(job, line), heading + number + QStringLiteral("联"));
    line += 3;
    job.printTextLine(Left, slotY(job, line),
                      departments ? addressee : addressee + QStringLiteral("  第") + number + QStringLiteral("联"));
    ++line;
    job.drawRule(Left, slotY(job, line));
    ++line;
    job.printTextLine(Left, slotY(job, line),
                      QStringLiteral("     市话费:") + amount(charges.local, 8) + QStringLiteral("      本地网费:") +
                          amount(charges.localNetwork, 8));
    ++line;
    job.printTextLine(Left, slotY(job, line),
                      QStringLiteral("     长话费:") + amount(charges.longDistance, 8) +
                          QStringLiteral("      信息费等:") + amount(charges.information, 8));
    ++line;
    const Money sum = charges.charges();
    QString rent = QStringLiteral("     月租费:") + amount(charges.rent, 8);
    Money fee;
    if (charges.ratio > 0) {
        // The ratio with every digit it holds: 0.125 x 100.00 is 12.50, and
        // a rounded "0.13" beside it would not add up on paper.
        fee = sum.times(charges.ratio);
        rent += QStringLiteral("      管理费:") + PadField(RatioText(charges.ratio), 4, true) + QLatin1Char('x') +
                amount(sum, 7, false) + QLatin1Char('=') + amount(fee, 5, false);
    }
    job.printTextLine(Left, slotY(job, line), rent);
    ++line;
    job.drawRule(Left, slotY(job, line));
    ++line;
    const Money due = sum + fee + charges.rent;
    job.printTextLine(Left, slotY(job, line),
                      QStringLiteral("            合计:") + amount(due, 8, false) + QStringLiteral("元人民币"));
    ++line;
    const QString blanks(departments ? 30 : 31, QLatin1Char(' '));
    job.printTextLine(Left, slotY(job, line), blanks + m_options.today.toString(QStringLiteral("yyyy年MM月dd日")));
    line += 2;
    if (copy < 3)
        job.printTextLine(Left, slotY(job, line),
                          departments
                              ? QStringLiteral("   ---------------Cut--------Line---------------盖----章--------------")
                              : QStringLiteral(
                                    "   -----------------Cut-------------Line---------------盖-----章----------"));
    line += 2;
}

} // namespace qalor
