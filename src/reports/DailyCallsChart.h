#pragma once

#include "reports/DailyCalls.h"
#include "reports/StackedBarChart.h"

namespace qalor {

// The calls of the statistics period per day, stacked by destination group.
class DailyCallsChart : public StackedBarChart
{
    Q_OBJECT
public:
    explicit DailyCallsChart(QWidget* parent = nullptr);

    // period: the text in the title ("2024-01-01 至 2024-01-31").
    void showDays(const QList<DailyCalls::Day>& days, const QString& period);
};

} // namespace qalor
