#include "reports/ChartColours.h"

namespace qalor {

QColor ChartColours::of(const QString& kind)
{
    static const struct
    {
        const char* kind;
        QRgb colour;
    } kinds[] = {
        {"市话", 0x2f7ed8}, {"本地网", 0x8bbc21}, {"长途", 0xf28f43},
        {"国际", 0x910000}, {"信息台", 0x7b4fb0}, {"月租费", 0x77a1e5},
    };
    QString name = kind.trimmed();
    if (name == QStringLiteral("信息台等"))
        name = QStringLiteral("信息台");
    for (const auto& entry : kinds)
        if (name == QString::fromUtf8(entry.kind))
            return QColor(entry.colour);
    return QColor(Qt::gray);
}

} // namespace qalor
