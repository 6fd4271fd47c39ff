#pragma once

// DepartmentChart: per department, the charges by kind (市话, 本地网, 长途,
// 信息台等) and the rental stacked in one bar, from BMTJ.
//
//   auto* chart = new DepartmentChart(parent);
//   chart->showDepartments(CountResults(db).departments(), period);

#include "reports/CountResults.h"
#include "reports/StackedBarChart.h"

namespace qalor {

class DepartmentChart : public StackedBarChart
{
    Q_OBJECT

public:
    // The stacked parts in order, as the legend names them.
    static const QStringList& partNames();

    explicit DepartmentChart(QWidget* parent = nullptr);

    // period: the statistics period for the title ("2024-01-01 至 2024-01-31").
    void showDepartments(const QList<DepartmentTotals>& departments, const QString& period = QString());
};

} // namespace qalor
