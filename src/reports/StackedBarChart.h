#pragma once

#include <QChartView>
#include <functional>

namespace qalor {

// A chart of stacked bars: one bar per category, its parts stacked, the value
// axis from 0 to a round top in round steps, and over each part a tooltip
// with its amount. The statistics charts are made of it.
class StackedBarChart : public QChartView
{
    Q_OBJECT
public:
    explicit StackedBarChart(const QString& accessibleName, QWidget* parent = nullptr);

    // What the chart shows: the bar names, and per part the value of each bar.
    QStringList categories() const;
    QList<QList<double>> values() const;
    // The value axis: its top and number of ticks.
    double axisTop() const;
    int axisTicks() const;
    // The colour the part of that name is drawn in (invalid when there is none).
    QColor partColour(const QString& partName) const;
    // The tooltip of one part of one bar.
    QString partTip(int part, int bar) const;

protected:
    struct Bars
    {
        QString title;
        QStringList categories;
        QStringList partNames;
        QList<QList<double>> values; // per part, per category
        QString valueTitle;          // "元", "次"
        bool money = true;           // amounts with two decimals in the tips
    };
    void showBars(const Bars& bars);

private:
    Bars m_bars;
};

} // namespace qalor
