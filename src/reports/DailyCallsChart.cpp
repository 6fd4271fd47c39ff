#include "reports/DailyCallsChart.h"

#include <QChart>

namespace qalor {

DailyCallsChart::DailyCallsChart(QWidget* parent) : StackedBarChart(QStringLiteral("每日通话图表"), parent)
{
    chart()->setTitle(QStringLiteral("每日通话次数"));
}

void DailyCallsChart::showDays(const QList<DailyCalls::Day>& days, const QString& period)
{
    Bars bars;
    bars.title =
        period.isEmpty() ? QStringLiteral("每日通话次数") : QStringLiteral("每日通话次数 (%1)").arg(period);
    bars.partNames = DailyCalls::groupNames();
    bars.valueTitle = QStringLiteral("次");
    bars.money = false;
    bars.values.resize(DailyCalls::GroupCount);
    for (const DailyCalls::Day& day : days) {
        bars.categories << day.date.toString(QStringLiteral("M-d"));
        for (int group = 0; group < DailyCalls::GroupCount; ++group)
            bars.values[group] << day.calls[group];
    }
    showBars(bars);
}

} // namespace qalor
