#pragma once

#include <QString>

namespace qalor {

// An amount axis that reads easily: from 0 to a round top in round steps
// (1, 2 or 5 times a power of ten), so that the ticks say 100, 200, ...
// rather than 113.60, 227.19.
struct ChartScale
{
    double top = 1;
    double step = 1;
    int ticks = 2; // tick marks from 0 to top, both included

    static ChartScale forMaximum(double largest, int mostSteps = 8);
    // The label format of the ticks: no decimals for whole steps.
    QString labelFormat() const;
};

} // namespace qalor
