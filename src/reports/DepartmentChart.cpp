#include "reports/DepartmentChart.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace qalor {

const QStringList& DepartmentChart::partNames()
{
    static const QStringList names = {QStringLiteral("市话"), QStringLiteral("本地网"), QStringLiteral("长途"),
                                      QStringLiteral("信息台等"), QStringLiteral("月租费")};
    return names;
}

DepartmentChart::DepartmentChart(QWidget* parent) : QChartView(parent)
{
    setAccessibleName(QStringLiteral("部门费用图表"));
    setRenderHint(QPainter::Antialiasing);
    chart()->setTitle(QStringLiteral("各部门费用"));
    chart()->legend()->setAlignment(Qt::AlignBottom);
}

void DepartmentChart::showDepartments(const QList<DepartmentTotals>& departments)
{
    QChart* view = chart();
    view->removeAllSeries();
    for (QAbstractAxis* axis : view->axes())
        view->removeAxis(axis);

    auto* series = new QStackedBarSeries;
    QList<QBarSet*> parts;
    for (const QString& name : partNames()) {
        parts << new QBarSet(name);
        series->append(parts.last());
    }
    QStringList names;
    for (const DepartmentTotals& department : departments) {
        names << (department.name.trimmed().isEmpty() ? QString::number(department.department)
                                                      : department.name.trimmed());
        const Money amounts[] = {department.local, department.localNetwork, department.longDistance,
                                 department.information, department.rent};
        for (int part = 0; part < parts.size(); ++part)
            parts[part]->append(amounts[part].toDouble());
    }
    view->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(names);
    view->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto* amounts = new QValueAxis;
    amounts->setTitleText(QStringLiteral("元"));
    amounts->setLabelFormat(QStringLiteral("%.2f"));
    view->addAxis(amounts, Qt::AlignLeft);
    series->attachAxis(amounts);
}

QStringList DepartmentChart::categories() const
{
    for (QAbstractAxis* axis : chart()->axes(Qt::Horizontal))
        if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
            return categories->categories();
    return {};
}

QList<QList<double>> DepartmentChart::values() const
{
    QList<QList<double>> all;
    for (QAbstractSeries* series : chart()->series())
        if (auto* bars = qobject_cast<QStackedBarSeries*>(series))
            for (QBarSet* set : bars->barSets()) {
                QList<double> column;
                for (int i = 0; i < set->count(); ++i)
                    column << set->at(i);
                all << column;
            }
    return all;
}

} // namespace qalor
