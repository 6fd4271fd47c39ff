#include "reports/DepartmentChart.h"

#include <QChart>

namespace qalor {

const QStringList& DepartmentChart::partNames()
{
    static const QStringList names = {QStringLiteral("市话"), QStringLiteral("本地网"), QStringLiteral("长途"),
                                      QStringLiteral("信息台等"), QStringLiteral("月租费")};
    return names;
}

DepartmentChart::DepartmentChart(QWidget* parent) : StackedBarChart(QStringLiteral("部门费用图表"), parent)
{
    chart()->setTitle(QStringLiteral("各部门费用"));
}

void DepartmentChart::showDepartments(const QList<DepartmentTotals>& departments, const QString& period)
{
    Bars bars;
    bars.title =
        period.isEmpty() ? QStringLiteral("各部门费用") : QStringLiteral("各部门费用 (%1)").arg(period);
    bars.partNames = partNames();
    bars.valueTitle = QStringLiteral("元");
    bars.values.resize(partNames().size());
    for (const DepartmentTotals& department : departments) {
        bars.categories << (department.name.trimmed().isEmpty() ? QString::number(department.department)
                                                                : department.name.trimmed());
        const Money amounts[] = {department.local, department.localNetwork, department.longDistance,
                                 department.information, department.rent};
        for (int part = 0; part < bars.values.size(); ++part)
            bars.values[part] << amounts[part].toDouble();
    }
    showBars(bars);
}

} // namespace qalor
