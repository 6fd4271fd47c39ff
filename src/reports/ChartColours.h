#pragma once

#include <QColor>
#include <QString>

namespace qalor {

// The colour of a kind of call (or of the rental) in every statistics chart:
// 长途 in the department chart and 长途 in the daily calls are one colour,
// whatever place the kind takes in each chart's legend.
struct ChartColours
{
    // "信息台" and "信息台等" are one kind; a name no chart uses is grey.
    static QColor of(const QString& kind);
};

} // namespace qalor
