#include "format/TextFormat.h"

#include <cmath>

namespace qalor {

QString FormatWhole(float value)
{
    if (!(value >= 0.5f))
        return QString();
    return QString::number(std::llround(double(value)));
}

int gbkWidth(const QString& text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x80 ? 1 : (c.isLowSurrogate() ? 0 : 2);
    return width;
}

QString PadField(const QString& text, int width, bool alignRight)
{
    const int missing = width - gbkWidth(text);
    if (missing <= 0)
        return text;
    const QString blanks(missing, QLatin1Char(' '));
    return alignRight ? blanks + text : text + blanks;
}

} // namespace qalor
