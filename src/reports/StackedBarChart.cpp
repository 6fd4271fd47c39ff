#include "reports/StackedBarChart.h"

#include "reports/ChartColours.h"
#include "reports/ChartScale.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>

namespace qalor {

StackedBarChart::StackedBarChart(const QString& accessibleName, QWidget* parent) : QChartView(parent)
{
    setAccessibleName(accessibleName);
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
}

void StackedBarChart::showBars(const Bars& bars)
{
    m_bars = bars;
    QChart* view = chart();
    view->removeAllSeries();
    for (QAbstractAxis* axis : view->axes())
        view->removeAxis(axis);
    view->setTitle(bars.title);

    auto* series = new QStackedBarSeries;
    double tallest = 0;
    for (int part = 0; part < bars.partNames.size(); ++part) {
        auto* set = new QBarSet(bars.partNames.at(part));
        set->setColor(ChartColours::of(bars.partNames.at(part)));
        set->append(bars.values.value(part));
        series->append(set);
        connect(set, &QBarSet::hovered, this, [this, part](bool on, int bar) {
            const QString tip = on ? partTip(part, bar) : QString();
            setToolTip(tip);
            if (!tip.isEmpty())
                QToolTip::showText(QCursor::pos(), tip, this);
        });
    }
    for (int bar = 0; bar < bars.categories.size(); ++bar) {
        double height = 0;
        for (const QList<double>& part : bars.values)
            height += std::max(part.value(bar), 0.0);
        tallest = std::max(tallest, height);
    }
    view->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(bars.categories);
    view->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);

    // Counts are whole: at least steps of one.
    const ChartScale scale =
        ChartScale::forMaximum(bars.money ? tallest : std::max(tallest, 5.0), bars.money ? 8 : 5);
    auto* amounts = new QValueAxis;
    amounts->setTitleText(bars.valueTitle);
    amounts->setRange(0, scale.top);
    amounts->setTickCount(scale.ticks);
    amounts->setLabelFormat(scale.labelFormat());
    view->addAxis(amounts, Qt::AlignLeft);
    series->attachAxis(amounts);
}

QString StackedBarChart::partTip(int part, int bar) const
{
    if (part < 0 || part >= m_bars.partNames.size() || bar < 0 || bar >= m_bars.categories.size())
        return {};
    const double value = m_bars.values.value(part).value(bar);
    const QString amount = m_bars.money ? QString::number(value, 'f', 2) : QString::number(qRound64(value));
    return QStringLiteral("%1 %2: %3%4")
        .arg(m_bars.categories.at(bar), m_bars.partNames.at(part), amount, m_bars.valueTitle);
}

QStringList StackedBarChart::categories() const
{
    return m_bars.categories;
}

QList<QList<double>> StackedBarChart::values() const
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

QColor StackedBarChart::partColour(const QString& partName) const
{
    for (QAbstractSeries* series : chart()->series())
        if (auto* bars = qobject_cast<QStackedBarSeries*>(series))
            for (QBarSet* set : bars->barSets())
                if (set->label() == partName)
                    return set->color();
    return {};
}

double StackedBarChart::axisTop() const
{
    for (QAbstractAxis* axis : chart()->axes(Qt::Vertical))
        if (auto* amounts = qobject_cast<QValueAxis*>(axis))
            return amounts->max();
    return 0;
}

int StackedBarChart::axisTicks() const
{
    for (QAbstractAxis* axis : chart()->axes(Qt::Vertical))
        if (auto* amounts = qobject_cast<QValueAxis*>(axis))
            return amounts->tickCount();
    return 0;
}

} // namespace qalor
