#include "rating/AlertRule.h"

namespace qalor {

bool AlertRule::inWindow(int secondOfDay) const
{
    if (from < 0 || to < 0 || from == to)
        return true;
    if (from < to)
        return secondOfDay >= from && secondOfDay < to;
    return secondOfDay >= from || secondOfDay < to; // across midnight
}

int AlertRule::secondOfDay(const QString& text)
{
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit())
            digits += c;
        else if (c != QLatin1Char(':') && !c.isSpace())
            return -1;
    }
    if (digits.size() != 4 && digits.size() != 6)
        return -1;
    const int hours = digits.left(2).toInt();
    const int minutes = digits.mid(2, 2).toInt();
    const int seconds = digits.size() == 6 ? digits.mid(4, 2).toInt() : 0;
    // 2400 closes a window at the end of the day.
    if (hours == 24 && minutes == 0 && seconds == 0)
        return 0;
    if (hours > 23 || minutes > 59 || seconds > 59)
        return -1;
    return hours * 3600 + minutes * 60 + seconds;
}

bool AlertRule::knownKind(int kind)
{
    return kind >= int(Kind::Cost) && kind <= int(Kind::Repeat);
}

} // namespace qalor
