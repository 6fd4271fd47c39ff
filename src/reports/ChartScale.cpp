#include "reports/ChartScale.h"

#include <cmath>

namespace qalor {

ChartScale ChartScale::forMaximum(double largest, int mostSteps)
{
    ChartScale scale;
    if (!(largest > 0))
        return scale;
    const double rough = largest / mostSteps;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * power;
        if (step >= rough)
            break;
    }
    // A little above the ratio's rounding, so that an exact multiple stays the top.
    const double steps = std::ceil(largest / step - 1e-9);
    scale.step = step;
    scale.top = steps * step;
    scale.ticks = int(steps) + 1;
    return scale;
}

QString ChartScale::labelFormat() const
{
    return step >= 1 ? QStringLiteral("%.0f")
                     : (step >= 0.1 ? QStringLiteral("%.1f") : QStringLiteral("%.2f"));
}

} // namespace qalor
