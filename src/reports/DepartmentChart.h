#pragma once

// DepartmentChart: per department, the charges by kind (市话, 本地网, 长途,
// 信息台等) and the rental stacked in one bar, from BMTJ.
//
//   auto* chart = new DepartmentChart(parent);
//   chart->showDepartments(CountResults(db).departments());

#include "reports/CountResults.h"

#include <QChartView>

namespace qalor {

class DepartmentChart : public QChartView
{
    Q_OBJECT

public:
    // The stacked parts in order, as the legend names them.
    static const QStringList& partNames();

    explicit DepartmentChart(QWidget* parent = nullptr);

    void showDepartments(const QList<DepartmentTotals>& departments);

    // What the chart shows: the bar names, and per part the value of each bar.
    QStringList categories() const;
    QList<QList<double>> values() const;
};

} // namespace qalor
