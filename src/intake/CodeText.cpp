#include "intake/CodeText.h"

#include <limits>

namespace qalor {

int readLeadingNumber(QStringView text)
{
    if (text.isEmpty())
        return -1;
    // Codes are short; a run of digits too long for an int saturates
    // instead of wrapping into some other code.
    constexpr qint64 ceiling = std::numeric_limits<int>::max();
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = qMin(ceiling, value * 10 + (c.unicode() - '0'));
    }
    return int(value);
}

} // namespace qalor
